// `varnel compare --master FILE --target-db URI --execute` on the PostgreSQL test server: the
// update script brings the live database to the schema of the script, and a second run finds
// nothing left to change.
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

TEST(CompareCommand, ExecuteBringsALiveDatabaseToTheScriptsSchema) {
  TServerConnection Admin(PgServer);
  const std::string Failure = Admin.Connect();
  ASSERT_TRUE(Failure.empty()) << Failure;
  Admin.ExecIgnoringError(std::string("drop database ") + Database);
  Admin.Exec(std::string("create database ") + Database);

  TServerConnection Db(PgServer);
  ASSERT_TRUE(Db.Configure().empty());
  Db.C->GetConnectionOptions().SetDatabaseName(Database);
  Db.C->SetConnected(true);
  ASSERT_TRUE(Db.C->GetConnected()) << Db.C->GetLastError();
  Db.Exec("create table customer (id integer not null, name varchar(40))");
  Db.Exec("create table old_log (id integer, msg text)");
  Db.C->SetConnected(false);

  const std::string Dir = ::testing::TempDir();
  const std::string Master = Dir + "/qel_cli_master.sql";
  ASSERT_TRUE(WriteStringToFile(Master,
                                "create table customer (\n"
                                "  id integer not null,\n"
                                "  name varchar(60),\n"
                                "  email varchar(80)\n"
                                ");\n"
                                "create table orders (id integer not null, note text);\n"));
  const TConnectionOptions& O = Admin.C->GetConnectionOptions();
  const std::string URI = "postgresql://" + O.UserName + ":" + O.Password + "@" + O.HostName + ":" +
                          std::to_string(O.Port) + "/" + Database;

  std::string Out, Err;
  ASSERT_EQ(
      Compare({"--dialect", "postgresql", "--master", Master, "--target-db", URI, "--execute"}, Out,
              Err),
      0)
      << Err;
  EXPECT_NE(Out.find("CREATE TABLE public.orders"), std::string::npos) << Out;
  EXPECT_NE(Out.find("DROP TABLE public.old_log"), std::string::npos) << Out;

  // The database now holds what the script says, so a second run has nothing to do.
  ASSERT_EQ(Compare({"--dialect", "postgresql", "--master", Master, "--target-db", URI}, Out, Err),
            0)
      << Err;
  EXPECT_FALSE(HasStatement(Out)) << Out;

  Db.C->SetConnected(true);
  EXPECT_EQ(Db.Column("select column_name from information_schema.columns where table_name = "
                      "'customer' order by ordinal_position"),
            (std::vector<std::string>{"id", "name", "email"}));
  EXPECT_EQ(Db.Column("select character_maximum_length from information_schema.columns where "
                      "table_name = 'customer' and column_name = 'name'"),
            std::vector<std::string>{"60"});
  EXPECT_EQ(Db.Column("select count(*) from pg_tables where tablename = 'old_log'"),
            std::vector<std::string>{"0"});
  Db.C->SetConnected(false);
  Admin.ExecIgnoringError(std::string("drop database ") + Database);
}

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
