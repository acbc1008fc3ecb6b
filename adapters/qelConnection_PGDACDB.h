// The PostgreSQL adapter over libpq, registered under cnPostgresDAC. Including this header
// registers it (as "PGDAC"); RegisterPGDACConnection does the same explicitly.
#pragma once

#include <string>

#include "qelConnection_Base.h"

struct pg_conn;

namespace qel {

/// One PostgreSQL connection. Server notices go to the connection component's log.
class TPGDACDatabase : public TQELDatabase {
 public:
  explicit TPGDACDatabase(TComponent* AOwner) : TQELDatabase(AOwner) {}
  ~TPGDACDatabase() override;

  bool GetConnected() const override;
  void SetConnected(bool Value) override;
  void StartTransaction() override;
  /// A transaction in which a statement failed cannot be committed: the server would roll it
  /// back and answer as if all went well. Such a commit rolls back and raises EDatabaseError.
  void Commit() override;
  void Rollback() override;
  bool InTransaction() const override;
  void ReConnect(const std::string& DatabaseName) override;

  pg_conn* Handle() const { return FConn; }
  /// Runs a statement without parameters; raises EDatabaseError with the server's message.
  void ExecCommand(const std::string& SQL);

 private:
  void Disconnect();
  pg_conn* FConn = nullptr;
};

class TPGDACQuery : public TQELAdapterQuery {
 public:
  explicit TPGDACQuery(TComponent* AOwner) : TQELAdapterQuery(AOwner) {}

 protected:
  TSQLLexRules LexRules() const override;
  std::string ParamMarker(const TParam& Param, int Index, const std::string& Reference) override;
  void Execute(const std::string& SQL, const TBoundParams& Params, TQueryResult& Result) override;
};

class TPGDACConnection : public TQELAbstractConnection {
 public:
  explicit TPGDACConnection(TComponent* AOwner = nullptr);
  TQELDatabase* CreateDatabase(TComponent* AOwner) override;
  TQELQuery* CreateQuery(TComponent* AOwner) override;
  /// CREATE DATABASE through the server's maintenance database "postgres".
  bool Create_Database() override;
};

/// Registers the adapter as "PGDAC"; False when that name is taken.
bool RegisterPGDACConnection();

/// Registration by inclusion, as a unit that registers itself when it is initialised.
inline bool qelConnection_PGDACDB_Registered = RegisterPGDACConnection();

}  // namespace qel
