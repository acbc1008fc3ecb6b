// `varnel compare --master FILE --target-db URI --execute` on the PostgreSQL and MariaDB test
// servers: the update script brings the live database to the schema of the script, and a second
// run finds nothing left to change.
#include <gtest/gtest.h>

#include <sstream>

#include "Files.h"
#include "db_servers.h"
#include "varnel_compare.h"

using namespace qel;
using namespace qel::testing;

namespace {

const char* const Database = "qel_cli";

int Compare(const std::vector<std::string>& Args, std::string& Out, std::string& Err) {
  std::ostringstream O, E;
  const int Code = varnel_cli::RunCompare(Args, O, E);
  Out = O.str();
  Err = E.str();
  return Code;
}

bool HasStatement(const std::string& Script) {
  for (const char* Word : {"CREATE ", "ALTER ", "DROP "})
    if (Script.find(Word) != std::string::npos) return true;
  return false;
}

struct TCliCase {
  const TDbServer* Server;
  const char* Dialect;
  const char* Scheme;
  /// Restricts information_schema queries to the tables of the test database.
  const char* SchemaFilter;
};

void PrintTo(const TCliCase& C, std::ostream* Os) {
  *Os << C.Server->Title;
}

const TCliCase CliCases[] = {
    {&PgServer, "postgresql", "postgresql", "table_schema = 'public'"},
    {&MyServer, "mysql", "mysql", "table_schema = database()"},
};

class CompareCommandDb : public ::testing::TestWithParam<TCliCase> {};

TEST_P(CompareCommandDb, ExecuteBringsALiveDatabaseToTheScriptsSchema) {
  const TCliCase& K = GetParam();
  TServerConnection Admin(*K.Server);
  const std::string Failure = Admin.Connect();
  ASSERT_TRUE(Failure.empty()) << Failure;
  Admin.ExecIgnoringError(std::string("drop database ") + Database);
  Admin.Exec(std::string("create database ") + Database);

  TServerConnection Db(*K.Server);
  ASSERT_TRUE(Db.Configure().empty());
  Db.C->GetConnectionOptions().SetDatabaseName(Database);
  Db.C->SetConnected(true);
  ASSERT_TRUE(Db.C->GetConnected()) << Db.C->GetLastError();
  Db.Exec("create table customer (id integer not null, name varchar(40))");
  Db.Exec("create table old_log (id integer, msg text)");
  Db.C->SetConnected(false);

  const std::string Master = ::testing::TempDir() + "/qel_cli_master_" + K.Dialect + ".sql";
  ASSERT_TRUE(WriteStringToFile(Master,
                                "create table customer (\n"
                                "  id integer not null,\n"
                                "  name varchar(60),\n"
                                "  email varchar(80)\n"
                                ");\n"
                                "create table orders (id integer not null, note text);\n"));
  const TConnectionOptions& O = Admin.C->GetConnectionOptions();
  const std::string URI = std::string(K.Scheme) + "://" + O.UserName + ":" + O.Password + "@" +
                          O.HostName + ":" + std::to_string(O.Port) + "/" + Database;

  std::string Out, Err;
  ASSERT_EQ(Compare({"--dialect", K.Dialect, "--master", Master, "--target-db", URI, "--execute"},
                    Out, Err),
            0)
      << Err;
  EXPECT_NE(Out.find("CREATE TABLE"), std::string::npos) << Out;
  EXPECT_NE(Out.find("DROP TABLE"), std::string::npos) << Out;

  // The database now holds what the script says, so a second run has nothing to do.
  ASSERT_EQ(Compare({"--dialect", K.Dialect, "--master", Master, "--target-db", URI}, Out, Err), 0)
      << Err;
  EXPECT_FALSE(HasStatement(Out)) << Out;

  Db.C->SetConnected(true);
  const std::string Where = std::string(" where ") + K.SchemaFilter + " and ";
  EXPECT_EQ(Db.Column("select column_name from information_schema.columns" + Where +
                      "table_name = 'customer' order by ordinal_position"),
            (std::vector<std::string>{"id", "name", "email"}));
  EXPECT_EQ(Db.Column("select character_maximum_length from information_schema.columns" + Where +
                      "table_name = 'customer' and column_name = 'name'"),
            std::vector<std::string>{"60"});
  EXPECT_EQ(Db.Column("select count(*) from information_schema.tables" + Where +
                      "table_name = 'old_log'"),
            std::vector<std::string>{"0"});
  Db.C->SetConnected(false);
  Admin.ExecIgnoringError(std::string("drop database ") + Database);
}

// A refused connection names host and port (the MariaDB client names the host alone).
TEST_P(CompareCommandDb, ARefusedConnectionNamesHostAndPort) {
  const std::string URI = std::string(GetParam().Scheme) + "://u:p@127.0.0.1:1/db";
  std::string Out, Err;
  EXPECT_EQ(
      Compare({"--dialect", GetParam().Dialect, "--master-db", URI, "--target-db", URI}, Out, Err),
      1);
  EXPECT_NE(Err.find("\"127.0.0.1\", port 1 failed"), std::string::npos) << Err;
}

INSTANTIATE_TEST_SUITE_P(Servers, CompareCommandDb, ::testing::ValuesIn(CliCases),
                         [](const auto& Info) { return std::string(Info.param.Server->Title); });

TEST(CompareCommand, ExecuteWithoutATargetDatabaseIsABadArgument) {
  std::string Out, Err;
  EXPECT_EQ(
      Compare({"--dialect", "postgresql", "--master", "a.sql", "--target", "b.sql", "--execute"},
              Out, Err),
      2);
  EXPECT_NE(Err.find("--execute needs --target-db"), std::string::npos);
  EXPECT_EQ(
      Compare({"--dialect", "postgresql", "--master", "a.sql", "--target-db", "mysql://u:p@h:1/db"},
              Out, Err),
      2);
}

}  // namespace
