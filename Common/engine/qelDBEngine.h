// The connection engine: one connection abstraction for every extractor, executor and data
// comparer, independent of any data-access library.
//
// A TQELConnection delegates to an adapter: a TQELAbstractConnection registered under a name
// by code outside the library (one per data-access library). For each connection component
// the adapter makes a TQELDatabase (the real connection, owned by the component) and, on
// request, TQELQuery objects (statements and their results). Everything a connection holds
// lives in its own TQELDatabase, so two connections of one adapter family (master and target)
// never share handles, error state or handlers.
//
// Failures: connecting and disconnecting are guarded here; a server error becomes a message
// (OnErrorMessage, the log) and the state tells the outcome. Queries and transaction calls are
// the data-access surface: they raise EDatabaseError with the server's message, and the
// components that call them catch it around each statement. The only exception this unit
// raises itself is the one for a connection type with no registered adapter.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Component.h"
#include "DataSet.h"
#include "qelDBOptions.h"
#include "qelTypes.h"

namespace qel {

class TStrings;
class TStringList;
class TQELQuery;
class TQELDatabase;
class TQELAbstractConnection;

using TNotifyEvent = std::function<void(TObject* Sender)>;

/// The transaction calls of a connection. They go to the transaction target when there is
/// one (the connection component's: the database its adapter made); without one there is no
/// transaction to start or end, and a snapshot is never started.
class TQELTransactions {
 public:
  virtual ~TQELTransactions() = default;

  virtual void StartTransaction() {
    if (TQELTransactions* T = TransactionTarget()) T->StartTransaction();
  }
  virtual void Commit() {
    if (TQELTransactions* T = TransactionTarget()) T->Commit();
  }
  virtual void Rollback() {
    if (TQELTransactions* T = TransactionTarget()) T->Rollback();
  }
  virtual bool InTransaction() const {
    const TQELTransactions* T = TransactionTarget();
    return T && T->InTransaction();
  }
  /// Starts a read-only transaction in which every query sees the database as it was when the
  /// transaction began, however other sessions change it meanwhile; ended by Commit or
  /// Rollback. False, with nothing started, where the server offers no such transaction.
  /// Raises EDatabaseError when the server refuses.
  virtual bool StartReadSnapshot() {
    TQELTransactions* T = TransactionTarget();
    return T && T->StartReadSnapshot();
  }
  /// True while a statement run now would be committed only later: inside the caller's
  /// transaction, or inside one the adapter keeps open for a result it reads in blocks. A lost
  /// connection takes such statements with it.
  virtual bool WorkAwaitsCommit() const {
    const TQELTransactions* T = TransactionTarget();
    return T ? T->WorkAwaitsCommit() : InTransaction();
  }
  /// The server's words when it refused to commit a transaction the adapter ended on its own
  /// (the one it keeps open for a result read in blocks), which took back the statements run
  /// in it meanwhile; empty when none was refused since the last call, which clears it.
  virtual std::string TakeRefusedCommit() {
    TQELTransactions* T = TransactionTarget();
    return T ? T->TakeRefusedCommit() : std::string();
  }

 protected:
  /// Where the transaction calls go; none by default.
  virtual TQELTransactions* TransactionTarget() const { return nullptr; }
};

/// The connection component's base: dialect, adapter family, connection parameters, the
/// per-dialect server options, the events, and the set-up statements after every connect.
class TQELCustomConnection : public TComponent,
                             public TServerOptionsHolder<TIBEngineOptions>,
                             public TQELTransactions {
 public:
  explicit TQELCustomConnection(TComponent* AOwner);
  ~TQELCustomConnection() override;

  /// From another connection: ConnectionType (so the adapter is looked up), DatabaseType and
  /// the nine option objects. Other sources go to the base.
  void Assign(const TPersistent& Source) override;

  TDatabaseType GetDatabaseType() const { return FDatabaseType; }
  virtual void SetDatabaseType(TDatabaseType Value) { FDatabaseType = Value; }
  TconnectionType GetConnectionType() const { return FConnectionType; }
  virtual void SetConnectionType(TconnectionType Value) { FConnectionType = Value; }
  virtual TDatabaseSetType GetSupportedDatabases() const { return {}; }
  virtual TConnectionSetType GetSupportedConnections() const { return {}; }

  virtual bool GetConnected() const { return false; }
  virtual void SetConnected(bool Value) { (void)Value; }
  virtual void DoBeforeConnect();
  virtual void DoBeforeDisconnect();
  /// Runs the dialect's set-up statements, then fires OnAfterConnect.
  virtual void DoAfterConnect();
  virtual void DoAfterDisconnect();
  /// A new query for this connection, owned by AOwner (nullptr: the caller frees it); nullptr
  /// when the connection cannot make one.
  virtual TQELQuery* CreateQuery(TComponent* AOwner) {
    (void)AOwner;
    return nullptr;
  }
  /// Creates the physical database; the base reports that it cannot.
  virtual bool CreateDatabase();
  virtual void ReConnect(const std::string& DatabaseName) { (void)DatabaseName; }
  /// OnErrorMessage when assigned, else the host's message box.
  virtual void DoErrorMessage(const std::string& Text);
  /// A multi-line description of the server and database (lines end with CR LF).
  virtual std::string TestConnectInfo();

  void DoLogNextLine(const std::string& Text);
  /// The database name as the client library wants it: for InterBase with a host name, the
  /// host and port joined to the path in the form of the protocol.
  std::string GetDBConnectionString() const;
  /// The text of the last error this connection reported; cleared by each connect attempt.
  const std::string& GetLastError() const { return FLastError; }
  /// The client library's reason when the server ended an open connection (a restart, a
  /// network cut, the session ended from outside); empty while the connection is sound or
  /// was closed on purpose. Callers stop at the first loss rather than go on statement by
  /// statement against a connection that is not there.
  virtual std::string GetLostReason() const { return std::string(); }
  bool GetConnectionLost() const { return !GetLostReason().empty(); }

  TNotifyEvent OnBeforeConnect;
  TNotifyEvent OnAfterConnect;
  TNotifyEvent OnBeforeDisconnect;
  TNotifyEvent OnAfterDisconnect;
  TErrorMessageEvent OnErrorMessage;
  TLogNextLineEvent OnLogNextLine;

 protected:
  void AssignTo(TPersistent& Dest) const override;
  /// Reports a failure: the error message (OnErrorMessage) and a log line.
  void ReportFailure(const std::string& What, const std::string& Reason);

 private:
  static void CopyConnection(const TQELCustomConnection& Source, TQELCustomConnection& Dest);
  /// Runs one set-up statement; a failure is reported, never passed on.
  void RunSetupStatement(TQELQuery& Query, const std::string& SQL);
  std::string TestConnectInfoText(TQELQuery* Query);

  TDatabaseType FDatabaseType = dbAbstract;
  TconnectionType FConnectionType = cnAbstract;
  std::string FLastError;
};

/// The connection component: binds the registered adapter of its ConnectionType and delegates
/// connecting, queries and transactions to the database the adapter made for it.
class TQELConnection : public TQELCustomConnection {
 public:
  explicit TQELConnection(TComponent* AOwner);
  ~TQELConnection() override;

  void SetDatabaseType(TDatabaseType Value) override;
  /// Binds the adapter registered for Value and makes a fresh database (the old one is freed).
  /// With no adapter for Value this raises std::runtime_error with the missing-unit message,
  /// and the connection keeps its former type, adapter and database.
  void SetConnectionType(TconnectionType Value) override;
  TDatabaseSetType GetSupportedDatabases() const override;
  TConnectionSetType GetSupportedConnections() const override;
  bool GetConnected() const override;
  /// Connects or disconnects. A failure is reported (OnErrorMessage and the log, with the
  /// server's reason) and not passed on; GetConnected() then tells the outcome. Connecting
  /// without an adapter reports the unit to include.
  void SetConnected(bool Value) override;
  TQELQuery* CreateQuery(TComponent* AOwner) override;
  bool CreateDatabase() override;
  std::string GetLostReason() const override;
  /// Reconnects to another database; a failure is reported like one of SetConnected.
  void ReConnect(const std::string& DatabaseName) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TQELAbstractConnection* GetAdapter() const { return FAdapter; }
  TQELDatabase* GetDatabase() const { return FDatabase; }

  /// The registered adapter serving ConnectionType whose name sorts first; nullptr when none.
  static TQELAbstractConnection* FindConnection(TconnectionType ConnectionType);
  /// The adapter unit a program must include for ConnectionType.
  static std::string UnitName(TconnectionType ConnectionType);
  /// The text of the missing-adapter exception for ConnectionType.
  static std::string MissingAdapterMessage(TconnectionType ConnectionType);

 protected:
  /// The database the adapter made; none before a connection type is bound.
  TQELTransactions* TransactionTarget() const override;

 private:
  void SetAdapter(TQELAbstractConnection* Adapter);
  void FreeDatabase();

  TQELAbstractConnection* FAdapter = nullptr;  // in the registry, never owned
  TQELDatabase* FDatabase = nullptr;           // owned (component owner mechanism)
};

/// An adapter: one registered instance per data-access library. It makes the database and
/// query objects of its library; connection state lives in those, never here.
class TQELAbstractConnection : public TComponent {
 public:
  explicit TQELAbstractConnection(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

  TDatabaseType GetDatabaseType() const { return FDatabaseType; }
  void SetDatabaseType(TDatabaseType Value) { FDatabaseType = Value; }
  TconnectionType GetConnectionType() const { return FConnectionType; }
  void SetConnectionType(TconnectionType Value) { FConnectionType = Value; }
  /// The connection component that called last (cleared when it goes away).
  TQELCustomConnection* GetConnection() const { return FConnection; }
  void SetConnection(TQELCustomConnection* Value);

  virtual bool GetConnected() const { return false; }
  virtual void SetConnected(bool Value) { (void)Value; }
  /// A new database object owned by AOwner; nullptr in the base.
  virtual TQELDatabase* CreateDatabase(TComponent* AOwner) {
    (void)AOwner;
    return nullptr;
  }
  /// Creates the physical database named by the calling connection's options.
  virtual bool Create_Database();
  /// The calling connection's OnErrorMessage (Sender: the adapter), else the message box.
  virtual void DoErrorMessage(const std::string& Text);
  virtual TQELQuery* CreateQuery(TComponent* AOwner) {
    (void)AOwner;
    return nullptr;
  }
  virtual void ReConnect(const std::string& DatabaseName) { (void)DatabaseName; }
  virtual void StartTransaction() {}
  virtual void Commit() {}
  virtual void Rollback() {}
  virtual bool InTransaction() const { return false; }

  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TDatabaseType FDatabaseType = dbAbstract;
  TconnectionType FConnectionType = cnAbstract;
  TQELCustomConnection* FConnection = nullptr;
};

/// The real connection of one connection component, made by its adapter. SetConnected,
/// ReConnect and the transaction calls raise EDatabaseError with the server's message.
class TQELDatabase : public TComponent, public TQELTransactions {
 public:
  explicit TQELDatabase(TComponent* AOwner) : TComponent(AOwner) {}

  /// The connection component this database belongs to (its owner).
  TQELConnection* Connection = nullptr;

  virtual bool GetConnected() const { return false; }
  virtual void SetConnected(bool Value) { (void)Value; }
  virtual void ReConnect(const std::string& DatabaseName) { (void)DatabaseName; }

  /// The client's reason for the loss of the connection (see
  /// TQELCustomConnection::GetLostReason); a lost database counts as not connected. A
  /// connection cut by this program (MarkInterrupted) gives the reason it was cut for.
  const std::string& GetLostReason() const;
  bool GetConnectionLost() const {
    return FInterrupted.load(std::memory_order_acquire) != nullptr || !FLostReason.empty();
  }
  /// Records a loss the adapter saw; the first reason stays, since every later call on the
  /// dead connection only says that there is none.
  void MarkLost(const std::string& Reason);
  /// Forgets the loss: the adapter has closed the dead connection. A cut connection stays
  /// lost: the database is not opened again.
  void ClearLost() { FLostReason.clear(); }
  /// From any thread: the program cut the connection (Reason, which must outlive the
  /// database, says why); from now on it counts as lost, whatever the client says.
  void MarkInterrupted(const std::string* Reason) {
    FInterrupted.store(Reason, std::memory_order_release);
  }
  bool GetInterrupted() const { return FInterrupted.load(std::memory_order_acquire) != nullptr; }

 private:
  std::string FLostReason;
  std::atomic<const std::string*> FInterrupted{nullptr};
};

/// A statement and its result, made by an adapter. The base holds no records; an adapter
/// replaces the operations below. Open and ExecSQL raise EDatabaseError on failure.
class TQELQuery : public TDataSet {
 public:
  explicit TQELQuery(TComponent* AOwner) : TDataSet(AOwner) {}

  /// Set before Open: an adapter that can reads the result in blocks as the reader moves on
  /// and keeps only the current block, so that memory does not grow with the number of rows.
  /// Only Next moves then; the field objects stay from block to block. The next block may be
  /// read on a thread of the adapter's own meanwhile (never calling host code there). Adapters
  /// that cannot read in blocks read every row, as without it.
  bool UniDirectional = false;

  TQELCustomConnection* GetConnection() const { return FConnection; }
  /// Links the query to its connection; cleared when the connection goes away.
  void SetConnection(TQELCustomConnection* Value);
  TQELDatabase* GetDatabase() const { return FDatabase; }

  /// The statement text; nullptr in the base.
  virtual TStrings* GetSQL() { return nullptr; }
  /// Sets the statement text as one string, byte for byte: line breaks in it (a bare LF inside
  /// a string literal too) reach the server as given, where GetSQL()->SetText would turn every
  /// line break into CR LF. The base hands the text to GetSQL().
  virtual void SetSQLText(const std::string& Text);
  bool GetEof() const override { return true; }
  /// With parameter checking on, ":name" references in the text are parameters; off, the
  /// text goes to the server untouched.
  virtual void SetParamCheck(bool Value) { (void)Value; }
  virtual bool GetParamCheck() const { return true; }
  virtual TParams* GetParams() { return nullptr; }
  virtual bool GetQueryActive() const { return false; }
  virtual TFields* GetFields() { return nullptr; }
  /// Stores Database; the query forgets it when it goes away.
  virtual void SetDatabase(TQELDatabase* Database);
  void First() override {}
  void Last() override {}
  void Next() override {}
  TField* FieldByName(const std::string& FieldName) override {
    (void)FieldName;
    return nullptr;
  }
  void Open() override { TDataSet::Open(); }
  void Close() override { TDataSet::Close(); }
  virtual void ExecSQL() {}
  /// Rows the server says the last ExecSQL changed; -1 when it did not say.
  virtual std::int64_t RowsAffected() const { return -1; }
  virtual TParam* ParamByName(const std::string& Name) {
    (void)Name;
    return nullptr;
  }
  virtual void Prepare() {}

  /// What one round trip of queued statements holds at most: so many statements, so many bytes
  /// of text and values; a statement larger than MaxQueuedStatementBytes goes on its own.
  static constexpr std::size_t MaxQueuedStatements = 1000;
  static constexpr std::size_t MaxQueuedBytes = 1u << 20;
  static constexpr std::size_t MaxQueuedStatementBytes = 64u << 10;

  /// What a run of queued statements did (ExecQueued).
  struct TQueuedOutcome {
    std::size_t Done = 0;  ///< the statements that ran, from the first queued on
    bool Refused = false;  ///< the one after them was refused (Error); none after it ran
    std::string Error;     ///< the server's text of the refusal
    /// Of those that ran, the positions (from the first queued) of the ones the server says
    /// changed no row.
    std::vector<std::size_t> Unmade;
    /// The refusal rolled back the transaction of the statements before it too (a deadlock):
    /// none of them is kept (Done is 0), and the refused one is the RefusedAt-th.
    bool RolledBack = false;
    std::size_t RefusedAt = 0;
    /// The same told by the tags QueueExecSQL gave: the last statement that ran (every one
    /// queued before it ran too; 0 for none), the one refused (0 for none) and those of the ones
    /// that ran that changed no row. A statement queued and never sent is none of these.
    std::uint64_t LastDone = 0;
    std::uint64_t RefusedId = 0;
    std::vector<std::uint64_t> UnmadeIds;
  };
  /// True when QueueExecSQL holds statements back to send several in one round trip; else it
  /// runs each at once.
  virtual bool CanQueue() const { return false; }
  /// Queues the statement as it stands, its text and the values of its parameters, to run with
  /// the next ExecQueued (the query is free for the next statement), and returns its tag: the
  /// outcomes name it by that, and a later statement has a larger one. Without queuing: ExecSQL,
  /// and no tag (0).
  virtual std::uint64_t QueueExecSQL() {
    ExecSQL();
    return 0;
  }
  /// Statements queued and not yet run.
  virtual std::size_t QueuedCount() const { return 0; }
  /// Forgets the statements queued and not yet sent: none of them runs.
  virtual void DropQueued() {}
  /// Runs the queued statements in order, each as ExecSQL would run it alone (committed on its
  /// own outside a transaction), and empties the queue. The first one the server refuses ends
  /// the run: the ones before it have run, it and the ones after it have not. A lost connection
  /// raises EDatabaseError: whether the statements sent meanwhile ran is then unknown.
  virtual TQueuedOutcome ExecQueued() { return {}; }
  /// As ExecQueued, but where the adapter can, the queued statements go to the server and the
  /// call returns before the server has answered them: they run while the caller makes the next
  /// ones. The outcome told is that of the statements sent so before and answered now, counted
  /// from the first of them; after a refusal among them the queued ones are dropped unsent.
  /// ExecQueued takes that answer first too and counts from there. Statements sent ahead and not
  /// answered when the connection is lost may have run.
  virtual TQueuedOutcome SendQueued() { return ExecQueued(); }
  /// The answer to the statements sent ahead, waited for now, counted from the first of them;
  /// nothing done when none were. The statements queued meanwhile stay queued.
  virtual TQueuedOutcome TakeSentAhead() { return {}; }

  void Notification(TComponent* AComponent, TOperation Operation) override;
  void SetActive(bool Value) override { (void)Value; }

 protected:
  TGetResult GetRecord(TGetMode GetMode) override {
    (void)GetMode;
    return grError;
  }
  void InternalOpen() override {}
  void InternalClose() override {}
  void InternalInitFieldDefs() override {}
  void InternalHandleException() override {}
  bool IsCursorOpen() const override { return false; }

 private:
  TQELCustomConnection* FConnection = nullptr;
  TQELDatabase* FDatabase = nullptr;
};

/// A query whose rows its data set holds: reading, moving and the fields are the data set's
/// own. A subclass fills the rows in InternalOpen.
class TQELRowsQuery : public TQELQuery {
 public:
  using TQELQuery::TQELQuery;

  bool GetEof() const override { return TDataSet::GetEof(); }
  bool GetQueryActive() const override { return GetActive(); }
  TFields* GetFields() override { return &Fields(); }
  void First() override { TDataSet::First(); }
  void Last() override { TDataSet::Last(); }
  void Next() override { TDataSet::Next(); }
  TField* FieldByName(const std::string& FieldName) override {
    return TDataSet::FieldByName(FieldName);
  }
  void SetActive(bool Value) override { TDataSet::SetActive(Value); }

 protected:
  TGetResult GetRecord(TGetMode GetMode) override { return TDataSet::GetRecord(GetMode); }
  bool IsCursorOpen() const override { return TDataSet::IsCursorOpen(); }
};

// ---------------------------------------------------------------------------------------------
// Adapter registry: a process-wide list sorted by name (ignoring ASCII case), which owns the
// adapter objects from registration on and frees them when the program ends.

/// Adds Adapter under Name and takes it over; False (the caller keeps Adapter) when Name is
/// already registered or Adapter is nullptr.
bool RegisterConnection(const std::string& Name, TQELAbstractConnection* Adapter);
/// Removes the entry Name, freeing its adapter when FreeAdapter is set (else the caller takes
/// it back); False when there is no such entry.
bool UnRegisterConnection(const std::string& Name, bool FreeAdapter);
/// Removes every entry whose adapter serves ConnectionType; True when one was removed.
bool UnRegisterConnection(TconnectionType ConnectionType, bool FreeAdapter);
/// The registry: names with their adapters attached, in name order.
const TStringList& RegisteredConnections();

// ---------------------------------------------------------------------------------------------
// Parameter references in SQL text.

/// SQL with each parameter reference replaced by "?", by the full rules (quoted names, "::"
/// as an escaped colon, times such as 10:30 left alone). With DoCreate, Params is cleared and
/// gets one NULL parameter per reference, named as written. Params may be nullptr.
std::string ParamsParseSQL(TParams* Params, const std::string& SQL, bool DoCreate);
/// The simpler variant: "?" and ":name" are parameters outside quotes.
std::string Params_ParseSQL(TParams* Params, const std::string& SQL, bool DoCreate);
/// True when the trimmed text starts with SELECT (any case).
bool IsSelectSQL(const std::string& SQL);

/// The InterBase form of a database path: host and port joined to the path by the protocol's
/// rule; the path alone when HostName is empty.
std::string IBDatabaseConnectionString(const TConnectionOptions& Options);

}  // namespace qel
