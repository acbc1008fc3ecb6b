// The Firebird/InterBase adapter over the Firebird client library, registered under cnFIB.
// Including this header registers it (as "FIB"); RegisterFIBConnection does the same.
#pragma once

#include <memory>
#include <string>

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

 protected:
  void Disconnect() override;
  void Connect() override;

 private:
  void StartTr();
  void RollbackQuietly();

  std::unique_ptr<TFIBHandles> FHandles;
  bool FExplicit = false;
};

class TFIBQuery : public TQELAdapterQuery {
 public:
  explicit TFIBQuery(TComponent* AOwner) : TQELAdapterQuery(AOwner) {}

 protected:
  TSQLLexRules LexRules() const override { return TSQLLexRules(); }
  std::string ParamMarker(const TParam& Param, int Index, const std::string& Reference) override;
  void Execute(const std::string& SQL, const TBoundParams& Params, TQueryResult& Result) override;
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
