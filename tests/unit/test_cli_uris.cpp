// The example program's database URIs: what names a server, what is refused as a bad argument.
#include <gtest/gtest.h>

#ifdef QEL_HAVE_COMPARE_COMMAND
#include <string>
#include <utility>

#include "qelDBEngine.h"
#include "varnel_db.h"

using namespace qel;
using namespace varnel_cli;

namespace {

struct TURICase {
  const char* Text;
  const char* Host;      ///< nullptr: refused
  const char* Database;  ///< as the connection gets it
  int Port;
};

// A URI without a host would let the client pick a local way in that skips the server's
// password check (the Firebird client opens the file itself): each kind must name a host.
const TURICase URICases[] = {
    {"firebird://SYSDBA:WRONGPW@:1//srv/db.fdb", nullptr, "", 0},
    {"firebird://SYSDBA:pw@/srv/db.fdb", nullptr, "", 0},
    {"firebird:///srv/db.fdb", nullptr, "", 0},
    {"firebird://SYSDBA:pw@ :3050/srv/db.fdb", nullptr, "", 0},
    {"postgresql://u:p@:5432/db", nullptr, "", 0},
    {"postgres:///db", nullptr, "", 0},
    {"mysql://u:p@/db", nullptr, "", 0},
    {"mariadb://:3306/db", nullptr, "", 0},
    {"firebird://SYSDBA:pw@localhost:3050//srv/db.fdb", "localhost", "/srv/db.fdb", 3050},
    {"firebird://SYSDBA:pw@h/srv/db.fdb", "h", "/srv/db.fdb", 0},
    {"postgresql://u:p@127.0.0.1:5432/db", "127.0.0.1", "db", 5432},
    {"mysql://u@h/db", "h", "db", 0},
    // An IPv6 address in brackets: the brackets are the URI's, its colons no port's.
    {"postgresql://u:p@[::1]:5432/db", "::1", "db", 5432},
    {"mysql://u@[::1]/db", "::1", "db", 0},
    {"firebird://SYSDBA:pw@[fe80::1]:3050//srv/db.fdb", "fe80::1", "/srv/db.fdb", 3050},
    {"postgresql://u@[::1/db", nullptr, "", 0},
    {"postgresql://u@[::1]5432/db", nullptr, "", 0},
    {"postgresql://u@[]:5432/db", nullptr, "", 0},
};

TEST(CliURIs, AURIMustNameAHost) {
  for (const TURICase& C : URICases) {
    SCOPED_TRACE(C.Text);
    if (!C.Host) {
      EXPECT_THROW(ParseURI("--db", C.Text), TUsageError);
      EXPECT_THROW(ParseDataSource("--db", C.Text), TUsageError);
      continue;
    }
    const TDatabaseURI U = ParseURI("--db", C.Text);
    EXPECT_EQ(U.Host, C.Host);
    EXPECT_EQ(U.Database, C.Database);
    EXPECT_EQ(U.Port, C.Port);
  }
  // The Firebird client reads an IPv6 host in brackets, before the port.
  const TDatabaseURI Fb = ParseURI("--db", "firebird://u@[::1]:3050//srv/db.fdb");
  TConnectionOptions O;
  O.HostName = Fb.Host;
  O.Port = Fb.Port;
  O.SetDatabaseName(Fb.Database);
  EXPECT_EQ(IBDatabaseConnectionString(O), "[::1]/3050:/srv/db.fdb");
}

// The port is read as the user sees it written, and a name ends where the user sees it end:
// the platform's number reader takes hex and a sign, and the clients cut a name at a NUL.
const std::pair<const char*, int> PortAndNULCases[] = {
    {"postgresql://u:p@h:58322/db", 58322},
    {"postgresql://u:p@h:0xe3d2/db", 0},
    {"postgresql://u:p@h:$e3d2/db", 0},
    {"mysql://u:p@h:+3306/db", 0},
    {"mysql://u:p@h:03306/db", 0},
    {"firebird://u:p@h:65536/db.fdb", 0},
    {"firebird://u:p@h:3050/a%00b.fdb", 0},
    {"postgresql://u%00x:p@h:5432/db", 0},
    {"postgresql://u:p%00x@h:5432/db", 0},
    {"postgresql://u:p@h:5432/qel%00x", 0},
    {"odbc://pg%00x", 0},
};

TEST(CliURIs, APortIsDecimalDigitsAndANameHoldsNoNUL) {
  for (const auto& [Text, Port] : PortAndNULCases) {
    SCOPED_TRACE(Text);
    if (Port == 0) {
      EXPECT_THROW(ParseDataSource("--db", Text), TUsageError);
      continue;
    }
    EXPECT_EQ(ParseDataSource("--db", Text).Port, Port);
  }
}

struct TSchemeCase {
  const char* Text;
  TDatabaseType Type;
  TconnectionType Connection;
};

// A scheme (any case) names its dialect and the adapter that reaches its server.
const TSchemeCase SchemeCases[] = {
    {"postgresql://u@h/db", dbPostgreSQL, cnPostgresDAC},
    {"POSTGRES://u@h/db", dbPostgreSQL, cnPostgresDAC},
    {"mysql://u@h/db", dbMySQL, cnMyDAC},
    {"mariadb://u@h/db", dbMySQL, cnMyDAC},
    {"firebird://u@h/db.fdb", dbInterBase, cnFIB},
};

TEST(CliURIs, ASchemeNamesItsDialectAndAdapter) {
  for (const TSchemeCase& C : SchemeCases) {
    SCOPED_TRACE(C.Text);
    const TDatabaseURI U = ParseURI("--db", C.Text);
    EXPECT_EQ(U.DatabaseType(), C.Type);
    EXPECT_EQ(U.ConnectionType(), C.Connection);
  }
  for (const bool Odbc : {false, true}) {
    try {
      ParseURI("--db", "ftp://h/db", Odbc);
      ADD_FAILURE() << "ftp:// was taken";
    } catch (const TUsageError& E) {
      EXPECT_EQ(E.Text,
                Odbc ? "--db: unknown scheme \"ftp\" (postgresql://, mysql://, firebird://, "
                       "odbc://DSN or odbc:CONNECTION-STRING)"
                     : "--db: unknown scheme \"ftp\" (postgresql://, mysql:// or firebird://)");
    }
  }
}

struct TODBCCase {
  const char* Text;
  bool Accepted;
  const char* Database;
  TDatabaseType Type = dbCustomOLEDB;
};

// An ODBC connection string names its server, a data source that does, or the database file
// of a file driver (which must exist).
const TODBCCase ODBCCases[] = {
    {"odbc:Driver={PostgreSQL Unicode};Server=h;Database=d;UID=u;PWD=p", true, "d"},
    {"odbc:Driver={MariaDB};SERVER = h ;UID=u", true, ""},
    {"odbc:DSN=pg;UID=u", true, "pg"},
    {"odbc://pg", true, "pg"},
    {"odbc:Driver={PostgreSQL Unicode};Database=d;UID=u;PWD=p", false, ""},
    {"odbc:Driver={PostgreSQL Unicode};Server=;Database=d", false, ""},
    {"odbc:Driver={Firebird};Dbname=/srv/db.fdb;UID=SYSDBA;PWD=x", false, ""},
    {"odbc:Driver=SQLite3;Database=" __FILE__, true, __FILE__},
    {"odbc:Driver=MDBTools;DBQ=" __FILE__, true, __FILE__, dbMSAccess},
    {"odbc:Driver={Microsoft Access Driver (*.mdb)};Dbq=" __FILE__, true, __FILE__, dbMSAccess},
    {"odbc:Driver=SQLite3;Database=/nonexistent/qel.db", false, ""},
    {"odbc:Driver=MDBTools;DBQ=/nonexistent/qel.mdb", false, ""},
    {"odbc:Driver=SQLite3", false, ""},
    // The file a file driver opens, read as it reads its string, whatever server or braced
    // value the string holds besides: the SQLite driver takes the first Database entry as
    // written (braces and Dbq mean nothing to it), the Access stand-in Dbq before Database.
    {"odbc:Driver=SQLite3;Database=/nonexistent/NEW.db;X={;Server=y}", false, ""},
    {"odbc:Driver=SQLite3;Server=h;Database=/nonexistent/NEW.db", false, ""},
    {"odbc:Driver=SQLite3;Dbq=" __FILE__ ";Database=/nonexistent/NEW.db", false, ""},
    {"odbc:Driver=SQLite3;Dbq=" __FILE__, false, ""},
    {"odbc:Driver=SQLite3;Database={" __FILE__ "}", false, ""},
    {"odbc:Driver=SQLite3;Database=" __FILE__ ";Database=/nonexistent/NEW.db", true, __FILE__},
    {"odbc:Driver={SQLite3};Database=" __FILE__ ";Dbq=/nonexistent/NEW.db", true, __FILE__},
    {"odbc:Driver=SQLite3;DSN=lite", true, "lite"},
    {"odbc:Driver=MDBTools;DBQ=" __FILE__ ";Database=/nonexistent/NEW.mdb", true, __FILE__,
     dbMSAccess},
    {"odbc:Driver=MDBTools;Database=" __FILE__ ";DBQ=/nonexistent/NEW.mdb", false, ""},
    {"odbc:Driver={MariaDB};X={;Server=h}", false, ""},
};

TEST(CliURIs, AnODBCConnectionStringMustNameAServerOrADataSource) {
  for (const TODBCCase& C : ODBCCases) {
    SCOPED_TRACE(C.Text);
    if (!C.Accepted) {
      EXPECT_THROW(ParseDataSource("--db", C.Text), TUsageError);
      continue;
    }
    const TDatabaseURI U = ParseDataSource("--db", C.Text);
    EXPECT_EQ(U.ConnectionType(), cnADO);
    EXPECT_EQ(U.Database, C.Database);
    EXPECT_EQ(U.DatabaseType(), C.Type);
  }
}

}  // namespace
#endif
