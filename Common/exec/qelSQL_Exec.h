// The script executor: writes a statement list as the script text each dialect's own tools
// accept, and runs it against a database through a connection component, statement by
// statement, with transactions, progress, a log and a summary. It also reads the large column
// values of data scripts from the side file the script names ("SET BLOBFILE").
//
// Failures never reach the caller as exceptions: each statement runs under a guard that turns a
// server error into a message (OnErrorMessage, the statement's ErrorText and the message list),
// and ExecuteScript returns False when anything failed or the run was cancelled. A lost
// connection (or a CONNECT/RECONNECT that fails) ends the run at once: it is reported once,
// with the client's reason, on the statement that met it, and no further statement is sent.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "DataSet.h"
#include "Files.h"
#include "qelClasses.h"
#include "qelDBEngine.h"
#include "qelDBOptions.h"

namespace qel {

class TCustomSQLParser;

/// Supplies the value of a statement parameter (the executor has set it to NULL before).
using TGetParamValueEvent = std::function<void(TObject* Sender, TParam* Param)>;

class TSQLExec;
/// Adds the next part of a script to the executor's empty statement list; False when no
/// statement is left.
using TFillScriptPartEvent = std::function<bool(TSQLExec& Exec)>;

/// The generic script executor over a connection component. The dialect executors derive from
/// it and replace single operations (loading, connecting, single statement kinds).
class TSQLExec : public TCustomSQLExec, public TServerOptionsHolder<TIBSQLExecOptions> {
 public:
  explicit TSQLExec(TComponent* AOwner);
  ~TSQLExec() override;

  /// The query of the current run (made by the connection, freed after the run); else nullptr.
  TQELQuery* GetQuery() const { return FQuery.get(); }
  /// Path of the large-value side file of the current script.
  std::string BlobFileName;
  /// The open side file; nullptr when none is open.
  TFileStream* GetBlobFile() const { return FBlobFile.get(); }
  /// Buffer one large value is read into.
  std::string BlobBuffer;
  /// The connection component to run against; not owned (free notification both ways).
  TQELCustomConnection* GetQELConnection() const { return FQELConnection; }
  /// The statement being executed (it stays set after a run); nullptr once it has left the
  /// list.
  TStatement* GetCurrentStatement() const;
  TGetParamValueEvent OnGetParamValue;
  /// Runs the whole list as one transaction: no statement is committed on its own, the run
  /// commits at its end, and the first failure (or the loss of the connection) rolls back all
  /// that ran and ends the run. Meant for servers whose DDL is transactional, and for a list
  /// CanRunInOneTransaction accepts; the connection must not be in a transaction of the
  /// host's.
  bool OneTransaction = false;
  /// True when the last run ended early because the connection was lost or could not be
  /// opened again.
  bool GetConnectionLost() const { return FRunEnded; }
  /// Row statements (INSERT, UPDATE, DELETE) of the last run the server says changed no row,
  /// of the given kind; the first few are named in warnings.
  int GetUnmadeCount(TStatType Type) const;

  // Overrides of the statement list's operations.

  void Notification(TComponent* AComponent, TOperation Operation) override;
  /// Stores the text in the current statement's ErrorText, then reports and counts it.
  void DoErrorMessage(const std::string& ErrText) override;
  /// Runs one statement outside a script run.
  void ExecuteStatement(TStatement* Statement) override;
  /// Also keeps the exact text when it has line breaks other than CR LF, so that a value
  /// holding a bare LF reaches the server unchanged.
  TStatement* Add(const std::string& aText, TStatType aTyp, const std::string& aObjName = "",
                  TDbObject aObjType = dboUnknown, TDbOperation aOperation = odbUnknown,
                  const std::string& aOwnName = "", const std::string& aTerm = "") override;
  void AddComment(const std::string& aText) override;
  /// InterBase only: RECONNECT, or the CONNECT statement of the connection options.
  void AddReConnect() override;
  /// Clears every option object, then the statements.
  void Clear() override;
  void Delete(int Index) override;
  void Add_Commit() override;
  /// Appends the list as script text of DatabaseType to Lines; with RecordLines each
  /// statement's Line is set to the index of its first line.
  void GetScript(TStrings& Lines, bool RecordLines) override;
  /// Runs every statement; True when all succeeded and the run was not cancelled.
  bool ExecuteScript() override;
  /// Runs a script too long to hold, one part at a time: Fill adds each part to the emptied
  /// list, and the parts run as one run of ExecuteScript would (one transaction for the data
  /// statements, one side file, one commit at the end, the same stops). The list keeps only the
  /// part being run; after the run, the part it ended in.
  bool ExecuteScriptInParts(const TFillScriptPartEvent& Fill);

  // New virtual operations, in slot order.

  /// Name quoted for DatabaseType (InterBase: SQL dialect 3 of the options' server version).
  virtual std::string QuoteIdent(const std::string& Name) const;
  /// Sets the connection component; the same component again does nothing.
  virtual void SetConnection(TQELCustomConnection* Connection);
  /// Applies the current description statement; here as plain SQL.
  virtual bool UpdateDescription();
  /// Fills the query's parameters: large values from the side file, the others through
  /// DoGetParamValue. False when a large value could not be read.
  virtual bool AcceptBlobParams();
  virtual bool RunConnect();
  virtual bool RunReConnect();
  virtual bool RunCreateDb();
  virtual bool RunDescription();
  virtual bool RunSetBlobFile();
  virtual bool RunInsertUpdateDelete();
  virtual bool RunStatement();
  /// The parser the dialect loaders use; here a plain SQL parser over Objs.
  virtual std::unique_ptr<TCustomSQLParser> CreateParser(TCustomObjs* Objs);
  /// Sets Param to NULL, then asks OnGetParamValue.
  virtual void DoGetParamValue(TParam* Param);
  /// Runs one statement: opens the connection where the kind needs it, then dispatches by kind.
  virtual bool ExecStatement(TStatement* Statement);

  /// True when every statement of the list can run inside one transaction of the target
  /// server; else False, with Why (when given) naming the first statement that cannot. Only
  /// PostgreSQL runs DDL transactionally; there CREATE DATABASE, CREATE INDEX CONCURRENTLY,
  /// ALTER TYPE ... ADD VALUE, VACUUM and their like refuse to run in a transaction block.
  virtual bool CanRunInOneTransaction(std::string* Why = nullptr) const;

  /// Reads a large-value parameter name, "h" + offset + "_" + length (8 hexadecimal digits
  /// each, the "h" in either case). False for any other name.
  static bool ParseBlobParamName(const std::string& Name, std::uint64_t& Offset,
                                 std::uint64_t& Length);

  /// The parser's statement event of the dialect loaders: appends the statement with the
  /// dialect's terminator.
  void AddStatement(TObject* Sender, const std::string& aText, TStatType aTyp,
                    const std::string& aObjName, TDbObject aObjType, TDbOperation aOperation,
                    const std::string& aOwnName, TObject*& Statement);

 protected:
  /// The loading of the dialect executors: replaces the statement list by the statements the
  /// parser of CreateParser reports for Lines (over throw-away objects), keeps its messages and
  /// takes a database the script names into the connection options. Prepare, when given, sets
  /// up the parser before it reads.
  void LoadScriptWithParser(TStrings& Lines,
                            const std::function<void(TCustomSQLParser&)>& Prepare = nullptr);
  /// Takes what a loaded script names of its connection (Found) into the connection options;
  /// the base takes the database only, leaving the host's user and password alone.
  virtual void TakeScriptConnection(const TConnectionOptions& Found);
  /// The log line that ends a load.
  virtual std::string ScriptLoadedText() const { return "Script loaded."; }
  /// The text sent for Statement: the exact text it was added with where that was kept, else
  /// its lines joined by CR LF.
  std::string StatementText(const TStatement& Statement) const;
  /// Reports an error of the current statement: the error event, its ErrorText, the error
  /// count and the message list.
  void ReportError(const std::string& Text);
  /// False, after reporting it, when no connection component is assigned.
  bool RequireConnection();
  /// The start of the statements that open the connection anew: False (reported) without a
  /// connection component; else an open connection is committed and closed.
  bool CloseForReconnect();
  /// Opens the connection; a failure is reported with the server's reason (log and message
  /// list) and gives False.
  bool OpenConnection();
  /// Closes the connection; a failure is reported.
  void CloseConnection();
  /// Copies the executor's connection options (and with AllOptions the InterBase, SQL Server
  /// and MySQL options; else the InterBase ones) into the connection.
  void AssignOptionsToConnection(bool AllOptions);
  /// Commits an open transaction; a failed commit is reported and the statements it held are
  /// logged as rolled back. False when the commit failed.
  bool CommitWork();
  /// After a failed statement: rolls back an open transaction and logs the earlier statements
  /// of this executor that went with it. CommitFailed: the failure was the commit itself, so
  /// those statements are lost even when the server has already ended the transaction.
  void RollbackWork(bool CommitFailed = false, bool Cancelled = false);
  /// Records that the current statement succeeded inside the open transaction.
  void NoteUncommitted();
  /// After a failure: when the connection is lost, reports the loss once (the client's
  /// reason, on the current statement) and ends the run. True when it was a loss.
  bool EndRunIfLost();
  /// Empties the query's text.
  void ClearQuerySQL();
  /// CREATE DATABASE run as an ordinary statement on an open connection, outside any
  /// transaction: the connection is opened when closed and an open transaction committed
  /// first. For the servers that create a database from a statement rather than the client.
  bool RunCreateDbStatement();

 private:
  /// A statement that succeeded inside a transaction that is not committed yet.
  struct TUncommitted {
    int Index;
    std::string Caption;
  };
  void SetCurrentStatement(TStatement* Statement);
  /// ExecuteScript and ExecuteScriptInParts (Fill given).
  bool RunScript(const TFillScriptPartEvent* Fill);
  /// The end of a script run whose statements went so far (Result): the commit, or the
  /// rollback of a cancelled run of one transaction, and the run's last words in the log.
  bool EndScriptRun(bool Result, bool Cancelled, bool WasConnected);
  /// Logs that S, marked Skip, is not run.
  void LogSkipped(const TStatement& S);
  /// Forgets the row statements of FQueuedRows (the query's queue is the caller's to empty).
  void ForgetQueuedRows();
  /// Empties the statement list, leaving the options alone.
  void DeleteStatements();
  void ForgetUncommitted();
  /// Counts a row statement that changed no row, and names it in a warning (the first few).
  void NoteUnmade(const TStatement& S);
  /// True when the row statements of the run under way go to the server many to a round trip:
  /// a script run (not a single statement), with a query that queues and no handler that
  /// expects each statement to have run when it is told of it.
  bool QueuesRows() const;
  /// Sends the row statements queued and takes the server's answer: the statements that
  /// changed no row are counted, and the first one refused is reported as its own failure
  /// would be (it becomes the current statement). False when one was refused or the
  /// connection failed; the transaction is then rolled back. With Ahead, where the query can,
  /// they go to the server and the answer is taken with the next round trip (or before
  /// anything else runs), so that the server runs them while the next ones are made: the
  /// answer taken now is then that of the ones sent so before.
  bool SendQueuedRows(bool Ahead = false);
  /// Logs the statements of FUncommitted as lost (Why says how) and forgets them.
  void ReportUncommitted(const std::string& Why);
  /// Loads one large-value parameter from the open side file.
  bool LoadBlobParam(TParam& Param, std::uint64_t Offset, std::uint64_t Length);
  bool EnsureQuery();

  std::unique_ptr<TQELQuery> FQuery;
  std::unique_ptr<TFileStream> FBlobFile;
  /// A SET BLOBFILE of this run failed: large-value parameters cannot be filled.
  bool FBlobFileFailed = false;
  /// The run met a lost connection or a failed reconnect: no further statement is sent.
  bool FRunEnded = false;
  TQELCustomConnection* FQELConnection = nullptr;
  TStatement* FCurrentStatement = nullptr;
  int FCurrentIndex = -1;
  /// The first of the statements awaiting the commit, for the log; FUncommittedCount counts
  /// them all.
  std::vector<TUncommitted> FUncommitted;
  std::size_t FUncommittedCount = 0;
  /// Statements of the parts run before the one in the list.
  int FPartBase = 0;
  /// Row statements of the run that changed no row: inserts, updates, deletes.
  int FUnmade[3] = {0, 0, 0};
  /// A script run is under way (RunScript): its row statements may be queued.
  bool FInScriptRun = false;
  /// The row statements queued on FQuery and not sent yet, in order.
  std::vector<TStatement*> FQueuedRows;
  std::size_t FQueuedBytes = 0;
  /// The row statements sent ahead (SendQueuedRows) whose answer is not taken yet, in order.
  std::vector<TStatement*> FAheadRows;
  /// After a refusal among queued rows, in a run that goes on after failures: the index in
  /// the list of the statement to run next (the one after the refused), else -1.
  int FResumeAt = -1;
  /// Texts given to Add that the statement's lines cannot reproduce (bare LF or CR).
  std::unordered_map<const TStatement*, std::string> FExactTexts;
};

/// The script executor of one dialect: DatabaseType is DB, scripts are loaded through a
/// TParser (LoadScriptWithParser) and a run opens the connection first. Each dialect names its
/// executor by deriving from this and inheriting the constructor, so that messages keep showing
/// the dialect's own class name (ClassName); it replaces what its server does otherwise.
template <class TParser, TDatabaseType DB>
class TSQLExecFor : public TSQLExec {
 public:
  explicit TSQLExecFor(TComponent* AOwner) : TSQLExec(AOwner) { DatabaseType = DB; }

  /// Replaces the statement list by the statements of Lines as TParser reports them. Parse
  /// errors do not stop the loading: they stand in the message list afterwards (the first also
  /// went to OnErrorMessage). The schema objects the parser builds are not kept.
  void LoadScript(TStrings& Lines) override { LoadScriptWithParser(Lines); }
  /// Opens the connection first (a failure is reported and gives False), then runs the script;
  /// the connection stays open after the run.
  bool ExecuteScript() override {
    if (GetQELConnection() && !OpenConnection()) return false;
    return TSQLExec::ExecuteScript();
  }
  /// A TParser over Objs.
  std::unique_ptr<TCustomSQLParser> CreateParser(TCustomObjs* Objs) override {
    return std::make_unique<TParser>(Objs);
  }
};

}  // namespace qel
