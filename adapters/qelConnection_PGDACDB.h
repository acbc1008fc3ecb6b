// The PostgreSQL adapter over libpq, registered under cnPostgresDAC. Including this header
// registers it (as "PGDAC"); RegisterPGDACConnection does the same explicitly.
#pragma once

#include <functional>
#include <string>

#include "qelConnection_Base.h"

struct pg_conn;
struct pg_result;

namespace qel {

class TPGDACQuery;

/// One PostgreSQL connection. Server notices go to the connection component's log.
class TPGDACDatabase : public TQELAdapterDatabase {
 public:
  explicit TPGDACDatabase(TComponent* AOwner) : TQELAdapterDatabase(AOwner) {}
  ~TPGDACDatabase() override;

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

  pg_conn* Handle() const { return FConn; }
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

  /// The next block of a cursor is being read ahead for Query while its reader works on the
  /// current one; every other use of the connection first waits for it (Settle).
  void SetPending(TPGDACQuery* Query) { FPending = Query; }
  TPGDACQuery* GetPending() const { return FPending; }
  /// Takes the answer of the block read ahead and hands it to its query.
  void Settle();

 protected:
  void Disconnect() override;
  void Connect() override;

 private:
  pg_conn* FConn = nullptr;
  TPGDACQuery* FPending = nullptr;
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
  void InternalOpen() override;
  void InternalClose() override;
  TGetResult GetRecord(TGetMode GetMode) override;

 private:
  /// Fetches the next block of the cursor into Result; closes the cursor after the last one.
  void FetchBlock(TQueryResult& Result);
  void CloseCursor();

  friend class TPGDACDatabase;
  bool FOpening = false;
  std::string FCursor;
  bool FCursorImplicit = false;
  int FBlockRows = 1000;
  /// The block read ahead, once the database has taken it, and the rows it was asked for.
  pg_result* FReadAhead = nullptr;
  int FReadAheadRows = 0;
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
