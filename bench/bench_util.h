// What the benchmarks against a local PostgreSQL server share: the environment, the connection
// set up from QEL_PG_HOST, QEL_PG_PORT, QEL_PG_USER, QEL_PG_PASSWORD and QEL_PG_DATABASE (see
// scripts/dbservers.sh env), and running a statement.
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

/// A PostgreSQL connection to the server of the QEL_PG_* variables, not connected yet; its error
/// messages go to Error. When the host or database is not set, Error says so.
inline std::unique_ptr<TQELConnection> PGConnection(std::string& Error) {
  auto C = std::make_unique<TQELConnection>(nullptr);
  C->SetConnectionType(cnPostgresDAC);
  C->SetDatabaseType(dbPostgreSQL);
  C->OnErrorMessage = [&Error](TObject*, const std::string& T) { Error = T; };
  TConnectionOptions& O = C->GetConnectionOptions();
  O.HostName = Env("QEL_PG_HOST");
  O.Port = std::atoi(Env("QEL_PG_PORT").c_str());
  O.UserName = Env("QEL_PG_USER");
  O.Password = Env("QEL_PG_PASSWORD");
  O.SetDatabaseName(Env("QEL_PG_DATABASE"));
  if (O.HostName.empty() || O.GetDatabaseName().empty())
    Error =
        "QEL_PG_HOST/PORT/USER/PASSWORD/DATABASE are not set (eval \"$(scripts/dbservers.sh "
        "env)\")";
  return C;
}

/// Runs SQL, which has no parameters and gives no rows.
inline void Exec(TQELConnection& C, const std::string& SQL) {
  std::unique_ptr<TQELQuery> Q(C.CreateQuery(nullptr));
  Q->SetParamCheck(false);
  Q->SetSQLText(SQL);
  Q->ExecSQL();
}

}  // namespace qel::bench
