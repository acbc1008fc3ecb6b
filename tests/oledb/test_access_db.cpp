// Access files compared into empty PostgreSQL, MariaDB and Firebird databases by the example
// program's compare command, with --execute, and compared once more: the second comparison
// finds nothing. One catalog is written by hand in oledb_util.h (two tables related with a
// cascade, the kinds of column a file has, names with blanks and accents; the driver's
// connection opens the shared Access test file); the other is a public sample file read whole
// (tests/fixtures/access/fruit.mdb, from the ISC-licensed npm package mdb-parse 1.0.4: five
// tables keyed on a text column, two indexes, four relationships that cascade, a
// slash and blanks in names, rows).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "oledb_util.h"
#include "scratch_db.h"
#include "varnel_compare.h"
#include "varnel_datacompare.h"

using namespace qel;
using namespace qel::testing;
using varnel_cli::RunCompare;
using varnel_cli::RunDataCompare;

namespace {

struct TServerCase {
  const TDbServer* Server;
  const char* Dialect;
  /// NOT NULL columns; foreign keys that cascade updates; the declared length of Code.
  const char* NotNull;
  const char* UpdateCascades;
  const char* CodeLength;
};

void PrintTo(const TServerCase& C, std::ostream* Os) {
  *Os << C.Server->Title;
}

const TServerCase Cases[] = {
    {&PgServer, "postgresql",
     "select count(*) from information_schema.columns where table_schema = 'public' and "
     "is_nullable = 'NO'",
     "select count(*) from information_schema.referential_constraints where update_rule = "
     "'CASCADE' and delete_rule = 'NO ACTION'",
     "select character_maximum_length from information_schema.columns where table_schema = "
     "'public' and lower(column_name) = 'code'"},
    {&MyServer, "mysql",
     "select count(*) from information_schema.columns where table_schema = database() and "
     "is_nullable = 'NO'",
     "select count(*) from information_schema.referential_constraints where constraint_schema = "
     "database() and update_rule = 'CASCADE' and delete_rule in ('NO ACTION', 'RESTRICT')",
     "select character_maximum_length from information_schema.columns where table_schema = "
     "database() and lower(column_name) = 'code'"},
    {&FbServer, "firebird",
     "select count(*) from rdb$relation_fields f join rdb$relations r on r.rdb$relation_name = "
     "f.rdb$relation_name where r.rdb$system_flag = 0 and f.rdb$null_flag = 1",
     "select count(*) from rdb$ref_constraints where rdb$update_rule = 'CASCADE' and "
     "rdb$delete_rule = 'RESTRICT'",
     "select f.rdb$character_length from rdb$relation_fields r join rdb$fields f on "
     "f.rdb$field_name = r.rdb$field_source where lower(trim(r.rdb$field_name)) = 'code'"},
};

/// Runs the comparison with --execute, then again: the second finds nothing to do.
void ExecuteThenCompareAgain(const std::vector<std::string>& Args) {
  std::ostringstream Out, Err;
  std::vector<std::string> Execute = Args;
  Execute.push_back("--execute");
  ASSERT_EQ(RunCompare(Execute, Out, Err), 0) << Out.str() << Err.str();
  std::ostringstream Again, AgainErr;
  EXPECT_EQ(RunCompare(Args, Again, AgainErr), 0) << AgainErr.str();
  // No statement but the script's header (USE of the database, SET lines, a comment).
  std::istringstream Lines(Again.str());
  for (std::string Line; std::getline(Lines, Line);)
    for (const char* Word : {"CREATE", "ALTER", "DROP", "COMMENT", "RECONNECT"})
      EXPECT_NE(Line.rfind(Word, 0), 0U) << Again.str() << "\nafter:\n" << Out.str();
}

class AccessIntoServer : public ::testing::TestWithParam<TServerCase> {
 protected:
  void TearDown() override { ADOXCatalogReader = Saved; }
  TADOXCatalogReader Saved = ADOXCatalogReader;
};

TEST_P(AccessIntoServer, TheFilesSchemaRunsAndASecondComparisonFindsNothing) {
  const std::string File = AccessTestFile();
  if (File.empty())
    GTEST_SKIP() << "no Access test file at ../shared/data/access/DateTestDatabase.mdb (set "
                    "QEL_SHARED_DATA to the shared data folder)";
  ADOXCatalogReader = AccessCatalog;
  const TServerCase& C = GetParam();
  TScratchDatabase Db(*C.Server, "qel_access_" + std::to_string(getpid()));
  const std::vector<std::string> Args = {"--dialect",   C.Dialect,
                                         "--master-db", "odbc:Driver=MDBTools;DBQ=" + File,
                                         "--target-db", URI(*C.Server, Db.Name())};
  ExecuteThenCompareAgain(Args);
  auto Conn = Db.Connect();
  // The key's four columns, the required Placed and Code, and the Yes/No column.
  EXPECT_EQ(Conn->Column(C.NotNull), std::vector<std::string>{"6"});
  EXPECT_EQ(Conn->Column(C.UpdateCascades), std::vector<std::string>{"1"});
  EXPECT_EQ(Conn->Column(C.CodeLength), std::vector<std::string>{"20"});
}

INSTANTIATE_TEST_SUITE_P(Servers, AccessIntoServer, ::testing::ValuesIn(Cases));

struct TFileCase {
  const TDbServer* Server;
  const char* Dialect;
  /// Primary keys; foreign keys that cascade both updates and deletes.
  const char* Keys;
  const char* Cascades;
  /// Whether the rows of Fruit are copied too: the conversion into MySQL names the columns
  /// Vit_A where the file has "Vit A", so there no table of the file pairs its columns by name.
  bool Rows;
};

void PrintTo(const TFileCase& C, std::ostream* Os) {
  *Os << C.Server->Title;
}

const TFileCase FileCases[] = {
    {&PgServer, "postgresql",
     "select count(*) from information_schema.table_constraints where constraint_schema = "
     "'public' and constraint_type = 'PRIMARY KEY'",
     "select count(*) from information_schema.referential_constraints where update_rule = "
     "'CASCADE' and delete_rule = 'CASCADE'",
     true},
    {&MyServer, "mysql",
     "select count(*) from information_schema.table_constraints where constraint_schema = "
     "database() and constraint_type = 'PRIMARY KEY'",
     "select count(*) from information_schema.referential_constraints where constraint_schema = "
     "database() and update_rule = 'CASCADE' and delete_rule = 'CASCADE'",
     false},
    {&FbServer, "firebird",
     "select count(*) from rdb$relation_constraints where rdb$constraint_type = 'PRIMARY KEY' "
     "and rdb$relation_name not starting with 'RDB$' and rdb$relation_name not starting with "
     "'MON$'",
     "select count(*) from rdb$ref_constraints where rdb$update_rule = 'CASCADE' and "
     "rdb$delete_rule = 'CASCADE'",
     true},
};

class AccessFileIntoServer : public ::testing::TestWithParam<TFileCase> {};

TEST_P(AccessFileIntoServer, KeysRelationshipsAndRowsArriveAndSettle) {
  const std::string File = QEL_SOURCE_DIR "/tests/fixtures/access/fruit.mdb";
  const TFileCase& C = GetParam();
  TScratchDatabase Db(*C.Server, "qel_access_file_" + std::to_string(getpid()));
  const std::string Master = "odbc:Driver=MDBTools;DBQ=" + File;
  const std::string Target = URI(*C.Server, Db.Name());
  ExecuteThenCompareAgain({"--dialect", C.Dialect, "--master-db", Master, "--target-db", Target});
  {
    auto Conn = Db.Connect();
    EXPECT_EQ(Conn->Column(C.Keys), std::vector<std::string>{"5"});
    EXPECT_EQ(Conn->Column(C.Cascades), std::vector<std::string>{"4"});
  }
  if (!C.Rows) return;
  // The rows of the table the others refer to: 37 fruits, a text key and ten numbers. The name
  // is taken as each server takes it unquoted (Firebird: FRUIT).
  const std::vector<std::string> Args = {"--master-db", Master,    "--target-db",
                                         Target,        "--table", "Fruit"};
  std::vector<std::string> Execute = Args;
  Execute.push_back("--execute");
  std::ostringstream Copy, CopyErr;
  EXPECT_EQ(RunDataCompare(Execute, Copy, CopyErr), 0) << CopyErr.str();
  EXPECT_NE(CopyErr.str().find("Inserted: 37, Updated: 0, Deleted: 0"), std::string::npos)
      << CopyErr.str();
  std::ostringstream Again, AgainErr;
  EXPECT_EQ(RunDataCompare(Args, Again, AgainErr), 0) << AgainErr.str();
  EXPECT_NE(AgainErr.str().find("Equal: 37, Inserted: 0"), std::string::npos) << AgainErr.str();
}

INSTANTIATE_TEST_SUITE_P(Servers, AccessFileIntoServer, ::testing::ValuesIn(FileCases));

/// Runs Run with the process's standard error (where a driver writes) going to a file of its
/// own under TMPDIR, and gives what was written there.
template <typename TRun>
std::string ProcessStderrOf(TRun&& Run) {
  const char* Dir = std::getenv("TMPDIR");
  std::string Name = std::string(Dir && *Dir ? Dir : "/tmp") + "/qel_stderr_XXXXXX";
  const int Fd = mkstemp(Name.data());
  EXPECT_GE(Fd, 0);
  std::fflush(stderr);
  const int Saved = dup(STDERR_FILENO);
  dup2(Fd, STDERR_FILENO);
  Run();
  std::fflush(stderr);
  dup2(Saved, STDERR_FILENO);
  close(Saved);
  std::string Text(static_cast<std::size_t>(lseek(Fd, 0, SEEK_END)), '\0');
  if (pread(Fd, Text.data(), Text.size(), 0) < 0) Text = "(standard error not read back)";
  close(Fd);
  std::remove(Name.c_str());
  return Text;
}

struct TRowsCase {
  const char* Title;
  const TDbServer* Server;
  const char* Dialect;
  /// The file: "date" for the shared date test file, else the public sample of the fixtures.
  const char* File;
  /// Each table as --table names it (as the server took the converted name), the ones others
  /// refer to first, and its number of rows.
  std::vector<std::pair<const char*, int>> Tables;
  /// A query on the target and its one value afterwards: the dates as the file stores them.
  const char* Check;
  const char* Expected;
};

void PrintTo(const TRowsCase& C, std::ostream* Os) {
  *Os << C.Title;
}

const char* const PgYears =
    "select min(extract(year from datetimecol)) || ' ' || max(extract(year from datetimecol)) "
    "|| ' ' || min(extract(year from datecol)) from datetest";
const char* const FbYears =
    "select min(extract(year from datetimecol)) || ' ' || max(extract(year from datetimecol)) "
    "|| ' ' || min(extract(year from datecol)) from datetest";
const char* const FruitTotal = "select sum(fiber) + sum(fat) + count(*) from fruit";
const std::vector<std::pair<const char*, int>> FruitTables = {{"Fruit", 37},
                                                              {"\"Fruit Salad\"", 18},
                                                              {"\"Veggie Salad\"", 4},
                                                              {"\"Muffin/Bread\"", 13},
                                                              {"Dried", 12}};

const TRowsCase RowsCases[] = {
    // The date test file holds the years 632, 1898 and 9999, which the driver gives as day 0
    // of 1900; its memos hold line breaks.
    {"PostgreSQLDates",
     &PgServer,
     "postgresql",
     "date",
     {{"DateTest", 6}},
     PgYears,
     "632 9999 633"},
    {"MariaDBDates",
     &MyServer,
     "mysql",
     "date",
     {{"datetest", 6}},
     "select concat(min(year(datetimecol)), ' ', max(year(datetimecol)), ' ', min(year(datecol))) "
     "from datetest",
     "632 9999 633"},
    {"FirebirdDates", &FbServer, "firebird", "date", {{"DateTest", 6}}, FbYears, "632 9999 633"},
    // The public sample: a text key, names with blanks and a slash, tables related with
    // cascades (MariaDB is left out: the conversion renames the columns of Fruit).
    {"PostgreSQLSample", &PgServer, "postgresql", "sample", FruitTables, FruitTotal, "151"},
    {"FirebirdSample", &FbServer, "firebird", "sample", FruitTables, FruitTotal, "151"},
};

class AccessRows : public ::testing::TestWithParam<TRowsCase> {};

// Every table's rows arrive with --execute, as the file holds them, and a second run finds
// them all equal; nothing the driver logs reaches standard error.
TEST_P(AccessRows, ArriveAsStoredAndASecondRunFindsThemEqual) {
  const TRowsCase& C = GetParam();
  const std::string File = std::string(C.File) == "date" ? AccessTestFile()
                                                         : QEL_SOURCE_DIR
                               "/tests/fixtures/access/fruit.mdb";
  if (File.empty())
    GTEST_SKIP() << "no Access test file at ../shared/data/access/DateTestDatabase.mdb (set "
                    "QEL_SHARED_DATA to the shared data folder)";
  TScratchDatabase Db(*C.Server, "qel_access_rows_" + std::to_string(getpid()));
  const std::string Master = "odbc:Driver=MDBTools;DBQ=" + File;
  const std::string Target = URI(*C.Server, Db.Name());
  std::ostringstream Out, Err;
  ASSERT_EQ(RunCompare(
                {"--dialect", C.Dialect, "--master-db", Master, "--target-db", Target, "--execute"},
                Out, Err),
            0)
      << Out.str() << Err.str();
  for (const auto& [Table, Rows] : C.Tables) {
    const std::vector<std::string> Args = {"--master-db", Master,    "--target-db",
                                           Target,        "--table", Table};
    std::vector<std::string> Execute = Args;
    Execute.push_back("--execute");
    std::ostringstream Copy, CopyErr, Again, AgainErr;
    const std::string Driver = ProcessStderrOf([&] {
      EXPECT_EQ(RunDataCompare(Execute, Copy, CopyErr), 0) << Table << "\n" << CopyErr.str();
      EXPECT_EQ(RunDataCompare(Args, Again, AgainErr), 0) << Table << "\n" << AgainErr.str();
    });
    const std::string N = std::to_string(Rows);
    EXPECT_NE(CopyErr.str().find("Inserted: " + N + ", Updated: 0, Deleted: 0"), std::string::npos)
        << Table << "\n"
        << CopyErr.str();
    EXPECT_NE(AgainErr.str().find("Equal: " + N + ", Inserted: 0, Updated: 0, Deleted: 0"),
              std::string::npos)
        << Table << "\n"
        << Again.str() << AgainErr.str();
    EXPECT_EQ(Driver, "") << Table;
  }
  EXPECT_EQ(Db.Connect()->Column(C.Check), std::vector<std::string>{C.Expected});
}

INSTANTIATE_TEST_SUITE_P(Servers, AccessRows, ::testing::ValuesIn(RowsCases),
                         [](const auto& Info) { return std::string(Info.param.Title); });

}  // namespace
