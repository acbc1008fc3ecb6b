// The PostgreSQL adapter over libpq, registered under cnPostgresDAC. Including this header
// registers it (as "PGDAC"); RegisterPGDACConnection does the same explicitly.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "qelConnection_Base.h"
#include "qelPGLiteralForm.h"

struct pg_conn;
struct pg_result;

namespace qel {

/// One PostgreSQL connection. Server notices go to the connection component's log.
class TPGDACDatabase : public TQELAdapterDatabase {
 public:
  explicit TPGDACDatabase(TComponent* AOwner) : TQELAdapterDatabase(AOwner) {}
  ~TPGDACDatabase() override;

  /// While a block is read ahead, tells whether the connection was open when it began (the
  /// read that meets a loss reports it).
  bool GetConnected() const override;
  void StartTransaction() override;
  /// A transaction in which a statement failed cannot be committed: the server would roll it
  /// back and answer as if all went well. Such a commit rolls back and raises EDatabaseError.
  void Commit() override;
  void Rollback() override;
  bool InTransaction() const override;
  /// REPEATABLE READ READ ONLY, as a consistent dump reads; False while a transaction is open.
  bool StartReadSnapshot() override;
  /// Also True while the database's own transaction of a cursor is open: the caller's
  /// statements run inside it and are committed when its last cursor closes.
  bool WorkAwaitsCommit() const override;
  /// The refusal of the commit that ended the database's own transaction with its last cursor.
  std::string TakeRefusedCommit() override {
    std::string Text;
    Text.swap(FRefusedCommit);
    return Text;
  }

  /// Bytes above which a text, varchar or bytea value of a table is read in pieces of this
  /// size (of the text's bytes as the client gets them), so that neither libpq's input buffer
  /// nor a result holds it whole: a row of such values then costs the value once. Shared by
  /// every connection; tests make it small.
  static std::size_t LargeValuePiece;

  /// The libpq connection, for a call on the caller's thread: a block read ahead on it is read
  /// first. nullptr when not connected.
  pg_conn* Handle() { return Conn(); }
  /// Runs a statement without parameters; raises EDatabaseError with the server's message.
  void ExecCommand(const std::string& SQL);

  // Cursors of uni-directional queries. A cursor lives in a transaction: when the caller has
  // none, the database begins one of its own, ended (committed) when its last cursor closes.
  // Meanwhile the caller's statements run inside savepoints, so that each still succeeds or
  // fails on its own, and the caller's transactions are savepoints too; InTransaction tells
  // only of the caller's.

  /// A new cursor name; Implicit tells whether the cursor lives in the database's own
  /// transaction (begun here when needed).
  std::string OpenCursor(bool& Implicit);
  /// Where the database's own transaction holds nothing but the one cursor just opened (and
  /// closed again by the caller), begins it anew as REPEATABLE READ, so that the statements in
  /// it read the same rows; False, with nothing done, otherwise.
  bool RestartOwnTransactionAsSnapshot();
  /// Closes the cursor (errors ignored: the transaction may be gone) and ends the database's
  /// own transaction with its last cursor.
  void CloseCursor(const std::string& Name, bool Implicit);
  /// Runs one statement of the caller: inside a savepoint while the database's own transaction
  /// is open and the caller has none.
  void RunStatement(const std::function<void()>& Run);

  /// Runs queued statements through libpq's pipeline: one round trip for all of them, as
  /// TQELQuery::ExecQueued promises.
  TQELQuery::TQueuedOutcome RunQueued(const std::vector<TQELAdapterQuery::TQueued>& Items);
  /// Sends Items through the pipeline without reading the answer, for Owner, where nothing else
  /// can need the connection before it is read (no cursor; no transaction, or the caller's
  /// own): True, and Items are taken. Any other use of the connection reads the answer first.
  bool SendAhead(const TQELAdapterQuery* Owner, std::vector<TQELAdapterQuery::TQueued>& Items);
  /// While Owner's statements sent ahead run, makes ready what SendAhead of Items needs that
  /// does not need the connection (their parametrised forms), so that it is made meanwhile.
  void PrepareAhead(const TQELAdapterQuery* Owner,
                    const std::vector<TQELAdapterQuery::TQueued>& Items);
  /// The answer to what Owner sent ahead, as RunQueued tells it; nothing done when nothing was.
  TQELQuery::TQueuedOutcome TakeAhead(const TQELAdapterQuery* Owner);
  /// Owner goes: what it sent ahead is answered and forgotten.
  void ForgetOwner(const TQELAdapterQuery* Owner);

  /// A server notice: to the connection component's log, or held while a block is read ahead
  /// (handlers run on the caller's thread only).
  void Notice(const std::string& Text);

 protected:
  void Disconnect() override;
  void Connect() override;
  /// Shuts the connection's socket down.
  void CutConnection() override;
  void ReadAheadBegins() override;
  void ReadAheadEnded() override;

 private:
  /// Reads on the read-ahead thread through FConn itself: waiting there would wait for itself.
  friend class TPGCursorStream;
  /// The connection for a use on the caller's thread, after the block being read ahead on it
  /// (the one way to it there); nullptr when not connected.
  pg_conn* Conn();
  /// Conn(), raising EDatabaseError when the connection is closed or lost.
  pg_conn* LiveConn();

  /// The first Count items sent in one pipeline and sync (within a savepoint when Savepoint):
  /// Failed is the first refused (Count when none was), with the server's text.
  /// Unmade: the items the server says changed no row. State: the refusal's SQLSTATE;
  /// CommitRefused: the commit at the sync was refused, not a statement.
  struct TPipelineRun {
    std::size_t Failed = 0;
    std::string Error;
    std::string State;
    bool CommitRefused = false;
    std::vector<std::size_t> Unmade;
    bool Merged = false;  ///< rows went as INSERTs of many rows (MergedRows)
  };
  /// With Immediate, every deferred constraint of the transaction is checked at each statement.
  /// With Literals, an item without parameters goes in its parametrised form where it has one
  /// (PGLiteralsAsParams).
  /// With Merge, rows inserted one after another into a plain table go as one INSERT of many.
  TPipelineRun RunPipeline(const std::vector<TQELAdapterQuery::TQueued>& Items, std::size_t Count,
                           bool Savepoint, bool Immediate = false, bool Literals = false,
                           bool Merge = false);
  /// What one pipeline sent: what each result answers (an item, its statement or the
  /// preparation it needed first, or NoItem for a savepoint statement), the preparations made
  /// in it, and the items it holds.
  static constexpr std::size_t NoItem = static_cast<std::size_t>(-1);
  struct TPipelineSent {
    std::vector<std::size_t> Slots;
    std::vector<std::string> MadeHere;
    std::size_t Count = 0;
    bool Merged = false;
  };
  void SendPipeline(const std::vector<TQELAdapterQuery::TQueued>& Items, std::size_t Count,
                    bool Savepoint, TPipelineSent& Sent, bool Immediate = false,
                    bool Literals = false, bool Merge = false);
  /// How a row INSERT's text (INSERT INTO t (...) VALUES($1, ..., $n)) is made one of many
  /// rows: the length of its text up to its row, 0 when it is not such an INSERT or its table
  /// may keep a row from being inserted without a refusal (a trigger, a rule) or is no table.
  /// Asked of the server once per text.
  std::size_t MergeHead(const std::string& Text, std::size_t Params);
  std::unordered_map<std::string, std::size_t> FMergeHeads;
  /// Of each table MergeHead asked of, whether its rows may merge.
  std::unordered_map<std::string, bool> FMergeTables;
  /// The number of items from From on that go as one INSERT (1: the item alone).
  std::size_t MergedRows(const std::vector<TQELAdapterQuery::TQueued>& Items, std::size_t From,
                         std::size_t Count);
  /// The parametrised forms of the items of a script (Literals), which have one, and the
  /// length of each form's text up to its row (MergeHead), 0 when it does not merge.
  struct TForms {
    std::vector<TPGLiteralForm> Forms;
    std::vector<char> HasForm;
    std::vector<std::size_t> Heads;
    void Swap(TForms& Other) {
      Forms.swap(Other.Forms);
      HasForm.swap(Other.HasForm);
      Heads.swap(Other.Heads);
    }
  };
  /// The forms of the first Count items (PGLiteralsAsParams) into Into.
  void MakeForms(const std::vector<TQELAdapterQuery::TQueued>& Items, std::size_t Count,
                 TForms& Into);
  /// The forms PrepareAhead made for the items the next SendAhead sends (RunQueue calls the two
  /// in turn), and how many; 0 when none were made.
  TForms FReady;
  std::size_t FReadyCount = 0;
  /// The text and values of the item being sent as libpq takes them, kept from item to item so
  /// that a row costs no allocation of its own: Text is the item's, or Form's when its literals
  /// go as parameters; Key names its preparation. FormsMade: the forms of the items to send
  /// are made already.
  struct TSendBuffers : TForms {
    bool FormsMade = false;
    const std::string* Text = nullptr;
    std::vector<unsigned> Types;
    std::vector<const char*> Values;
    std::vector<int> Lengths, Formats;
    std::string Key;
    /// The item's values, or those of its parametrised form Form where it has one.
    void Take(const TQELAdapterQuery::TQueued& Item, const TPGLiteralForm* Form);
    /// Rows items from From on as one INSERT whose text up to its row is Head bytes long.
    void TakeRows(const std::vector<TQELAdapterQuery::TQueued>& Items, std::size_t From,
                  std::size_t Rows, std::size_t Head);
    std::string Merged;
    /// The type of each column of the rows TakeFormRows merges.
    std::vector<unsigned> ColumnTypes;
    /// Items From..From+Rows-1 of Forms as one INSERT, as TakeRows.
    void TakeFormRows(std::size_t From, std::size_t Rows, std::size_t Head);
    /// The number of items from From on whose forms go as one INSERT (1: the item alone).
    std::size_t FormRows(std::size_t From, std::size_t Count) const;

   private:
    void Clear();
    void Add(unsigned Type, const char* Value, std::size_t Length, int Format);
    void Add(const TParam& P);
    void Add(const TPGLiteralForm& Form);
    /// "(" or ", (" and the markers of a row of Count values that follow those taken, ")".
    void AddRowMarkers(std::size_t Count, bool First);
  };
  TSendBuffers FSend;
  TPipelineRun ReadPipeline(const TPipelineSent& Sent);
  [[noreturn]] void PipelineBroken(pg_conn* C);
  /// The outcome of the first Count items whose pipeline answered Run: with Alone, those before
  /// a refused one are sent again (the refusal took them back).
  TQELQuery::TQueuedOutcome Conclude(const std::vector<TQELAdapterQuery::TQueued>& Items,
                                     std::size_t Count, bool Savepoint, bool Alone,
                                     TPipelineRun Run);
  /// The outcome of Items sent in the caller's transaction in their parametrised forms within
  /// a savepoint (answered Run): sent again as written where the server refused those forms.
  TQELQuery::TQueuedOutcome ConcludeInTransaction(
      const std::vector<TQELAdapterQuery::TQueued>& Items, TPipelineRun Run);
  /// True when statements written with their values may go with them as parameters.
  bool LiteralsAsParams(pg_conn* C) const;
  /// Reads the answer to what was sent ahead and keeps it for TakeAhead.
  void FinishAhead();
  struct TAhead {
    const TQELAdapterQuery* Owner = nullptr;
    bool InTx = false;  ///< sent in the caller's transaction, within a savepoint
    std::vector<TQELAdapterQuery::TQueued> Items;
    TPipelineSent Sent;
    bool Answered = false;
    TQELQuery::TQueuedOutcome Outcome;
  };
  std::unique_ptr<TAhead> FAhead;

  /// Statements of queued rows the session has prepared: their names by text and parameter
  /// types; at most MaxPrepared (further texts go unprepared).
  static constexpr std::size_t MaxPrepared = 64;
  std::unordered_map<std::string, std::string> FPrepared;
  int FPreparedSeq = 0;

  pg_conn* FConn = nullptr;
  int FSocket = -1;  ///< FConn's socket, for CutConnection
  bool FHoldNotices = false;
  std::vector<std::string> FHeldNotices;
  int FCursorSeq = 0;
  int FImplicitCursors = 0;
  int FOpenCursors = 0;    ///< cursors open on the connection, in any transaction
  bool FImplicit = false;  ///< the database's own transaction is open
  bool FUserTx = false;    ///< the caller's transaction, a savepoint in the database's own
  /// The server's text when the commit that ended the database's own transaction was refused.
  std::string FRefusedCommit;
};

/// A query. With UniDirectional an opened result is read through a server cursor, a block of
/// rows at a time (about 512 KiB of values per block); the next block is asked for as soon as
/// one arrives, so that the server reads it while the reader works on the one before.
class TPGDACQuery : public TQELAdapterQuery {
 public:
  explicit TPGDACQuery(TComponent* AOwner) : TQELAdapterQuery(AOwner) {}
  ~TPGDACQuery() override;

 protected:
  TSQLLexRules LexRules() const override;
  std::string ParamMarker(const TParam& Param, int Index, const std::string& Reference) override;
  void Execute(const std::string& SQL, const TBoundParams& Params, TQueryResult& Result) override;
  bool CanQueue() const override { return true; }
  TQueuedOutcome ExecuteQueued(const std::vector<TQueued>& Items) override;
  bool SendAhead(std::vector<TQueued>& Items) override;
  void PrepareAhead(const std::vector<TQueued>& Items) override;
  TQueuedOutcome TakeAhead() override;
  /// A uni-directional read: the statement becomes a cursor read in blocks.
  std::unique_ptr<TRowStream> OpenStream(const std::string& SQL, const TBoundParams& Params,
                                         std::vector<TResultColumn>& Columns) override;
};

class TPGDACConnection : public TQELAdapterConnection<TPGDACDatabase, TPGDACQuery> {
 public:
  explicit TPGDACConnection(TComponent* AOwner = nullptr);

 protected:
  /// CREATE DATABASE through the server's maintenance database "postgres".
  void CreateNamedDatabase(const TConnectionOptions& Options) override;
};

/// Registers the adapter as "PGDAC"; False when that name is taken.
bool RegisterPGDACConnection();

/// Registration by inclusion, as a unit that registers itself when it is initialised.
inline bool qelConnection_PGDACDB_Registered = RegisterPGDACConnection();

}  // namespace qel
