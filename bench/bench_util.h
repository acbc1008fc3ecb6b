// What the benchmarks against a local PostgreSQL server share: the environment, the connection
// set up from QEL_PG_HOST, QEL_PG_PORT, QEL_PG_USER, QEL_PG_PASSWORD and QEL_PG_DATABASE (see
// scripts/dbservers.sh env), and running a statement or a query for one value.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include "qelConnection_PGDACDB.h"

namespace qel::bench {

/// The value of the environment variable Name; empty when it is not set.
inline std::string Env(const char* Name) {
  const char* V = std::getenv(Name);
  return V ? V : "";
}

/// Points O at Database on the server of the QEL_PG_* variables.
inline void SetPGOptions(TConnectionOptions& O, const std::string& Database) {
  O.HostName = Env("QEL_PG_HOST");
  O.Port = std::atoi(Env("QEL_PG_PORT").c_str());
  O.UserName = Env("QEL_PG_USER");
  O.Password = Env("QEL_PG_PASSWORD");
  O.SetDatabaseName(Database);
}

/// Whether O names a host and a database.
inline bool PGServerGiven(const TConnectionOptions& O) {
  return !O.HostName.empty() && !O.GetDatabaseName().empty();
}

/// A PostgreSQL connection to Database (default QEL_PG_DATABASE) on the server of the QEL_PG_*
/// variables, not connected yet; its error messages go to Error. When the host or database is
/// not set, Error says so.
inline std::unique_ptr<TQELConnection> PGConnection(
    std::string& Error, const std::string& Database = Env("QEL_PG_DATABASE")) {
  auto C = std::make_unique<TQELConnection>(nullptr);
  C->SetConnectionType(cnPostgresDAC);
  C->SetDatabaseType(dbPostgreSQL);
  C->OnErrorMessage = [&Error](TObject*, const std::string& T) { Error = T; };
  SetPGOptions(C->GetConnectionOptions(), Database);
  if (!PGServerGiven(C->GetConnectionOptions()))
    Error =
        "QEL_PG_HOST/PORT/USER/PASSWORD/DATABASE are not set (eval \"$(scripts/dbservers.sh "
        "env)\")";
  return C;
}

/// PGConnection, connected, with its error messages no longer going to Error; nullptr (with the
/// reason in Error) when it cannot be made.
inline std::unique_ptr<TQELConnection> PGConnect(
    std::string& Error, const std::string& Database = Env("QEL_PG_DATABASE")) {
  auto C = PGConnection(Error, Database);
  if (!PGServerGiven(C->GetConnectionOptions())) return nullptr;
  C->SetConnected(true);
  if (!C->GetConnected()) return nullptr;
  C->OnErrorMessage = nullptr;
  return C;
}

/// Runs SQL, which has no parameters and gives no rows.
inline void Exec(TQELConnection& C, const std::string& SQL) {
  std::unique_ptr<TQELQuery> Q(C.CreateQuery(nullptr));
  Q->SetParamCheck(false);
  Q->SetSQLText(SQL);
  Q->ExecSQL();
}

/// The first value of the first row SQL gives; empty when it gives no row.
inline std::string Scalar(TQELConnection& C, const std::string& SQL) {
  std::unique_ptr<TQELQuery> Q(C.CreateQuery(nullptr));
  Q->SetParamCheck(false);
  Q->SetSQLText(SQL);
  Q->Open();
  return Q->GetEof() ? std::string() : Q->Fields().Fields(0)->AsString();
}

}  // namespace qel::bench
