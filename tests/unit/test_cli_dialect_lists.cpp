// The example program's lists of dialects come from the registry: every registered dialect is
// named where the commands list what they take, in the order the dialects are registered, and
// its URIs name it.
#include <gtest/gtest.h>

#ifdef QEL_HAVE_COMPARE_COMMAND
#include <sstream>
#include <string>
#include <vector>

#include "qelDialects.h"
#include "varnel_compare.h"
#include "varnel_datacompare.h"
#include "varnel_db.h"
#include "varnel_extract.h"

using namespace qel;
using namespace varnel_cli;

namespace {

std::string Output(int (*Run)(const std::vector<std::string>&, std::ostream&, std::ostream&),
                   const std::vector<std::string>& Args, bool Err = false) {
  std::ostringstream Out, ErrOut;
  Run(Args, Out, ErrOut);
  return Err ? ErrOut.str() : Out.str();
}

std::string UnknownDialect() {
  return Output(RunCompare, {"--dialect", "nope", "--master", "m.sql", "--target", "t.sql"}, true);
}

/// Where Text lists Name as an item (" name," " name;" " name)" " name\n"); npos if it does not.
std::size_t ListedAt(const std::string& Text, const std::string& Name, std::size_t From = 0) {
  for (std::size_t At = Text.find(" " + Name, From); At != std::string::npos;
       At = Text.find(" " + Name, At + 1))
    if (std::string(",;)\n").find(Text[At + 1 + Name.size()]) != std::string::npos) return At;
  return std::string::npos;
}

// Each dialect as the lists show it, in the order they show them.
TEST(CliDialectLists, EachDialectIsListedInRegistrationOrder) {
  const std::string Help = Output(RunCompare, {"--help"});
  const std::string Unknown = UnknownDialect();
  struct TList {
    const char* Where;
    std::string Text;
  };
  const TList Lists[] = {{"compare --help", Help}, {"unknown dialect", Unknown}};
  for (const TList& L : Lists) {
    std::size_t Last = 0;
    for (const char* Name : {"postgresql (postgres)", "mysql (mariadb)", "firebird (interbase)",
                             "db2", "oracle", "sqlanywhere", "mssql (sqlserver)", "ase"}) {
      const std::size_t At = ListedAt(L.Text, Name, Last);
      EXPECT_NE(At, std::string::npos) << L.Where << ": " << Name << " after " << Last << "\n"
                                       << L.Text;
      if (At != std::string::npos) Last = At;
    }
  }
  EXPECT_NE(Help.find(" db2, oracle, sqlanywhere, mssql and ase: scripts only\n"),
            std::string::npos)
      << Help;
}

// Every dialect a command takes is in its list, and every scheme's URI reads as its dialect.
TEST(CliDialectLists, EachRegisteredDialectIsListedAndItsURIsNameIt) {
  const std::string Help = Output(RunCompare, {"--help"});
  const std::string Unknown = UnknownDialect();
  const std::string Helps[] = {Help, Output(RunExtract, {"--help"}),
                               Output(RunDataCompare, {"--help"})};
  for (const TDialect* D : Dialects().All()) {
    SCOPED_TRACE(D->Name);
    const std::string Listed = DialectNames({D}).front();
    const bool Scripts = static_cast<bool>(D->MakeScriptExtractor);
    EXPECT_EQ(ListedAt(Help, Listed) != std::string::npos, Scripts) << Help;
    EXPECT_EQ(ListedAt(Unknown, Listed) != std::string::npos, Scripts) << Unknown;
    for (const std::string& Scheme : D->URISchemes) {
      const TDatabaseURI U = ParseURI("--db", Scheme + "://u:p@h:1/db");
      EXPECT_EQ(U.Dialect, D) << Scheme;
      EXPECT_EQ(U.DatabaseType(), D->DatabaseType);
      EXPECT_EQ(U.ConnectionType(), D->ConnectionType);
    }
    if (D->URISchemes.empty()) continue;
    const std::string Line =
        D->URISchemes.front() + "://user:password@host:port/" + D->URIPathForm + "\n";
    for (const std::string& H : Helps) EXPECT_NE(H.find(Line), std::string::npos) << H;
  }
}

// An ODBC source is the OLE DB dialect's, an Access driver's the MS Access one's.
TEST(CliDialectLists, AnODBCSourceNamesTheOLEDBDialects) {
  EXPECT_EQ(ParseDataSource("--db", "odbc://dsn").Dialect, FindDialect(dbCustomOLEDB));
  EXPECT_EQ(ParseDataSource("--db", "odbc:DSN=x;Driver={Microsoft Access Driver (*.mdb)}").Dialect,
            FindDialect(dbMSAccess));
}

}  // namespace

#endif  // QEL_HAVE_COMPARE_COMMAND
