// Database URIs of the example program: postgresql://, mysql:// (also mariadb://) and
// firebird:// user:password@host:port/database, and the connection component made from one.
#pragma once

#include <memory>
#include <string>

#include "qelDBEngine.h"
#include "varnel_cli_util.h"

namespace qel {
class TCustomDBExtract;
}

namespace varnel_cli {

struct TDatabaseURI {
  qel::TconnectionType ConnectionType = qel::cnAbstract;
  qel::TDatabaseType DatabaseType = qel::dbAbstract;
  std::string User, Password, Host, Database;
  int Port = 0;
  /// The ODBC connection string of an ODBC data source.
  std::string ConnectionString;
};

/// Reads Text as a database URI; Option names the argument in the message of a TUsageError,
/// which names the ODBC forms too when the option takes them (Odbc).
TDatabaseURI ParseURI(const std::string& Option, const std::string& Text, bool Odbc = false);

/// Reads Text as a database URI or as an ODBC data source: "odbc://DSN" names a data source of
/// odbc.ini, "odbc:" followed by an ODBC connection string ("odbc:Driver={PostgreSQL
/// Unicode};Server=...;Database=...;UID=...;PWD=...") connects without one. An ODBC side is
/// an OLE DB source to the library (dbCustomOLEDB through the ADO adapter).
TDatabaseURI ParseDataSource(const std::string& Option, const std::string& Text);

/// A connection component (not yet connected) for the database U names. The program links and
/// registers the adapters (by including their headers), so that the connection finds one.
std::unique_ptr<qel::TQELConnection> MakeConnection(const TDatabaseURI& U);

/// The catalog extractor of a dialect; nullptr for a dialect without one.
std::unique_ptr<qel::TCustomDBExtract> MakeCatalogExtractor(qel::TDatabaseType DatabaseType);

}  // namespace varnel_cli
