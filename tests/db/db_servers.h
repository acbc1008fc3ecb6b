// Connections to the throwaway servers of scripts/dbservers.sh for the tests that need one. The
// servers are found through QEL_PG_*, QEL_MY_* and QEL_FB_* (HOST, PORT, USER, PASSWORD,
// DATABASE); a server that cannot be reached fails the test with a message saying which one and
// how it was looked for.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "DataSet.h"
#include "Strings.h"
#include "qelConnection_FIBDB.h"
#include "qelConnection_MyDACDB.h"
#include "qelConnection_PGDACDB.h"
#include "qelDBEngine.h"

namespace qel::testing {

/// One server family under test.
struct TDbServer {
  const char* Title;
  const char* Prefix;  ///< of its environment variables
  TconnectionType ConnectionType;
  TDatabaseType DatabaseType;
};

inline const TDbServer PgServer{"PostgreSQL", "QEL_PG_", cnPostgresDAC, dbPostgreSQL};
inline const TDbServer MyServer{"MariaDB", "QEL_MY_", cnMyDAC, dbMySQL};
inline const TDbServer FbServer{"Firebird", "QEL_FB_", cnFIB, dbInterBase};

/// The server's title in the test log ("GetParam() = PostgreSQL") instead of its bytes.
inline void PrintTo(const TDbServer& S, std::ostream* Os) {
  *Os << S.Title;
}
inline void PrintTo(const TDbServer* S, std::ostream* Os) {
  *Os << S->Title;
}

inline std::string Env(const std::string& Name) {
  const char* V = std::getenv(Name.c_str());
  return V ? std::string(V) : std::string();
}

/// A connection to one server that collects what it reports.
class TServerConnection {
 public:
  explicit TServerConnection(const TDbServer& S)
      : Server(S), C(std::make_unique<TQELConnection>(nullptr)) {
    C->OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
    C->OnLogNextLine = [this](TObject*, const std::string& T) { Log.push_back(T); };
    C->SetConnectionType(S.ConnectionType);
    C->SetDatabaseType(S.DatabaseType);
  }

  /// Fills the options from the environment; the missing variable's name when one is unset.
  std::string Configure() {
    const std::string P = Server.Prefix;
    TConnectionOptions& O = C->GetConnectionOptions();
    for (const char* Part : {"HOST", "PORT", "USER", "PASSWORD", "DATABASE"})
      if (Env(P + Part).empty()) return P + Part;
    O.HostName = Env(P + "HOST");
    O.Port = std::atoi(Env(P + "PORT").c_str());
    O.UserName = Env(P + "USER");
    O.Password = Env(P + "PASSWORD");
    O.SetDatabaseName(Env(P + "DATABASE"));
    return std::string();
  }

  std::string Where() const {
    const TConnectionOptions& O = C->GetConnectionOptions();
    return std::string(Server.Title) + " server at " + O.HostName + ":" + std::to_string(O.Port) +
           " (database " + O.GetDatabaseName() + ", user " + O.UserName + "; looked up through " +
           Server.Prefix + "HOST/PORT/USER/PASSWORD/DATABASE, see scripts/dbservers.sh env)";
  }

  /// Configures and connects; the reason when that failed, empty on success.
  std::string Connect() {
    const std::string Missing = Configure();
    if (!Missing.empty())
      return std::string(Server.Title) + " server: environment variable " + Missing +
             " is not set. The tests look the server up through " + Server.Prefix +
             "HOST/PORT/USER/PASSWORD/DATABASE; run eval \"$(scripts/dbservers.sh env)\" or "
             "ctest, whose dbservers fixture starts the servers.";
    C->SetConnected(true);
    if (!C->GetConnected()) return "Cannot reach the " + Where() + ": " + C->GetLastError();
    return std::string();
  }

  std::unique_ptr<TQELQuery> Query() { return std::unique_ptr<TQELQuery>(C->CreateQuery(nullptr)); }

  void Exec(const std::string& SQL) {
    auto Q = Query();
    Q->SetParamCheck(false);
    Q->GetSQL()->SetText(SQL);
    Q->ExecSQL();
  }
  void ExecIgnoringError(const std::string& SQL) {
    try {
      Exec(SQL);
    } catch (const EDatabaseError&) {
    }
  }
  /// The first column of every row of SQL, NULL as "NULL".
  std::vector<std::string> Column(const std::string& SQL) {
    auto Q = Query();
    Q->GetSQL()->SetText(SQL);
    Q->Open();
    std::vector<std::string> R;
    for (; !Q->GetEof(); Q->Next()) {
      TField* F = Q->GetFields()->Fields(0);
      R.push_back(F->IsNull() ? "NULL" : F->AsString());
    }
    return R;
  }

  const TDbServer& Server;
  std::unique_ptr<TQELConnection> C;
  std::vector<std::string> Errors, Log;
};

}  // namespace qel::testing
