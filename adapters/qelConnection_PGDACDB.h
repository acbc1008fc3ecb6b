// The PostgreSQL adapter over libpq, registered under cnPostgresDAC. Including this header
// registers it (as "PGDAC"); RegisterPGDACConnection does the same explicitly.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "qelConnection_Base.h"

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
  /// Closes the cursor (errors ignored: the transaction may be gone) and ends the database's
  /// own transaction with its last cursor.
  void CloseCursor(const std::string& Name, bool Implicit);
  /// Runs one statement of the caller: inside a savepoint while the database's own transaction
  /// is open and the caller has none.
  void RunStatement(const std::function<void()>& Run);

  /// Runs queued statements through libpq's pipeline: one round trip for all of them, as
  /// TQELQuery::ExecQueued promises.
  TQELQuery::TQueuedOutcome RunQueued(const std::vector<TQELAdapterQuery::TQueued>& Items);

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
  struct TPipelineRun {
    std::size_t Failed = 0;
    std::string Error;
  };
  TPipelineRun RunPipeline(const std::vector<TQELAdapterQuery::TQueued>& Items, std::size_t Count,
                           bool Savepoint);

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
  bool FImplicit = false;  ///< the database's own transaction is open
  bool FUserTx = false;    ///< the caller's transaction, a savepoint in the database's own
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
