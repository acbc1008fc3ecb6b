// The Firebird/InterBase adapter over the Firebird client library, registered under cnFIB.
// Including this header registers it (as "FIB"); RegisterFIBConnection does the same.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "qelConnection_Base.h"

namespace qel {

struct TFIBHandles;

/// One Firebird attachment with at most one transaction. Outside an explicit transaction
/// every statement runs in a transaction of its own that is committed when it succeeds.
/// The database path is the InterBase form (host/port:path) of the connection's options;
/// the session character set is the InterBase options' one, UTF8 when none is set.
class TFIBDatabase : public TQELAdapterDatabase {
 public:
  explicit TFIBDatabase(TComponent* AOwner);
  ~TFIBDatabase() override;

  bool GetConnected() const override;
  void StartTransaction() override;
  /// A read-only snapshot (concurrency) transaction as the caller's transaction.
  bool StartReadSnapshot() override;
  /// Results read row by row in this transaction are read to their end first: the end of the
  /// transaction would close them.
  void Commit() override;
  void Rollback() override;
  bool InTransaction() const override { return FExplicit; }

  /// The native handles, for the adapter's queries.
  TFIBHandles& Handles() const { return *FHandles; }
  /// The SQL dialect statements are prepared in (1 to 3).
  unsigned short Dialect() const;
  /// Starts a transaction for one statement when none is active; True when it did.
  bool BeginStatement();
  /// Ends a transaction begun by BeginStatement: commit on success (raising EDatabaseError,
  /// after a rollback, when the commit fails), rollback otherwise.
  void EndStatement(bool Began, bool Succeeded);

  /// Queries whose results are read row by row; InCallerTr: in the caller's transaction.
  void AddStream(TQELAdapterQuery& Query, bool InCallerTr);
  void RemoveStream(TQELAdapterQuery& Query);

 protected:
  void Disconnect() override;
  void Connect() override;
  /// The client's abort of the attachment (fb_cancel_operation with fb_cancel_abort).
  void CutConnection() override;

 private:
  void StartTr();
  void RollbackQuietly();
  /// Reads to their end the streams of the caller's transaction (Spill), or lets every stream
  /// go (the attachment is closing).
  void EndStreams(bool Spill);

  struct TStream {
    TQELAdapterQuery* Query;
    bool InCallerTr;
  };
  std::unique_ptr<TFIBHandles> FHandles;
  std::vector<TStream> FStreams;
  bool FExplicit = false;
};

/// A uni-directional query fetches its rows one by one as the reader moves on.
class TFIBQuery : public TQELAdapterQuery {
 public:
  explicit TFIBQuery(TComponent* AOwner) : TQELAdapterQuery(AOwner) {}
  ~TFIBQuery() override;

 protected:
  TSQLLexRules LexRules() const override { return TSQLLexRules(); }
  std::string ParamMarker(const TParam& Param, int Index, const std::string& Reference) override;
  void Execute(const std::string& SQL, const TBoundParams& Params, TQueryResult& Result) override;
  bool CanQueue() const override { return true; }
  TQueuedOutcome ExecuteQueued(const std::vector<TQueued>& Items) override;
  std::unique_ptr<TRowStream> OpenStream(const std::string& SQL, const TBoundParams& Params,
                                         std::vector<TResultColumn>& Columns) override;
};

class TFIBConnection : public TQELAdapterConnection<TFIBDatabase, TFIBQuery> {
 public:
  explicit TFIBConnection(TComponent* AOwner = nullptr);

 protected:
  /// CREATE DATABASE with the path, user, password, page size and character set of the
  /// calling connection's options.
  void CreateNamedDatabase(const TConnectionOptions& Options) override;
};

/// Registers the adapter as "FIB"; False when that name is taken.
bool RegisterFIBConnection();

/// Registration by inclusion, as a unit that registers itself when it is initialised.
inline bool qelConnection_FIBDB_Registered = RegisterFIBConnection();

}  // namespace qel
