// The OLE DB catalog extractor on a SQLite file built here through the SQLite ODBC driver, the
// Access extractor on the shared Access test file, and the failures of a source that cannot be
// reached. Only the ODBC drivers are needed, no server.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "oledb_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

bool DriverInstalled(const char* Name) {
  const std::string Cmd = std::string("odbcinst -q -d -n '") + Name + "' >/dev/null 2>&1";
  return std::system(Cmd.c_str()) == 0;
}

/// A SQLite file made afresh for a test and removed afterwards.
struct TSQLiteFile {
  TSQLiteFile() : Path(::testing::TempDir() + "qel_oledb_" + std::to_string(getpid()) + ".db") {
    std::remove(Path.c_str());
  }
  ~TSQLiteFile() { std::remove(Path.c_str()); }
  std::string ConnectionString() const { return "Driver=SQLite3;Database=" + Path; }
  void Run(const std::vector<std::string>& Statements) const {
    TQELConnection C(nullptr);
    C.SetConnectionType(cnADO);
    C.SetDatabaseType(dbCustomOLEDB);
    C.GetConnectionOptions().ConnectionString = ConnectionString();
    C.SetConnected(true);
    ASSERT_TRUE(C.GetConnected());
    for (const std::string& S : Statements) {
      std::unique_ptr<TQELQuery> Q(C.CreateQuery(nullptr));
      Q->SetSQLText(S);
      Q->ExecSQL();
    }
  }
  std::string Path;
};

TEST(OLEDBExtract, ReadsASQLiteSchema) {
  if (!DriverInstalled("SQLite3")) GTEST_SKIP() << "the SQLite3 ODBC driver is not installed";
  TSQLiteFile F;
  F.Run(
      {"CREATE TABLE customers (id INTEGER NOT NULL PRIMARY KEY, name VARCHAR(40) NOT NULL, "
       "note TEXT, balance NUMERIC(12,2) DEFAULT 0)",
       "CREATE TABLE orders (id INTEGER NOT NULL, line INTEGER NOT NULL, customer INTEGER, "
       "placed TIMESTAMP, PRIMARY KEY (id, line), "
       "FOREIGN KEY (customer) REFERENCES customers (id) ON DELETE CASCADE)",
       "CREATE UNIQUE INDEX customers_name ON customers (name)",
       "CREATE INDEX orders_placed ON orders (placed, customer)",
       "CREATE VIEW big_customers AS SELECT id, name FROM customers WHERE balance > 100"});
  TOLEDBRead R(F.ConnectionString());
  ASSERT_TRUE(R.Ok) << ::testing::PrintToString(R.Errors);
  EXPECT_TRUE(R.Errors.empty()) << ::testing::PrintToString(R.Errors)
                                << ::testing::PrintToString(R.Messages);
  EXPECT_EQ(R.Objs().ExtractFrom, efDatabase);
  EXPECT_EQ(R.Objs().IdentQuoteType, iqDoubleQuote);
  EXPECT_EQ(R.Objs().Tables.Count(), 2);
  EXPECT_EQ(R.Objs().Views.Count(), 1);
  const std::string Int = std::to_string(static_cast<int>(iftInteger));
  const std::string Var = std::to_string(static_cast<int>(iftVarchar));
  EXPECT_EQ(R.Columns("customers"),
            "id:" + Int + ":0:notnull,name:" + Var +
                ":40:notnull,note:" + std::to_string(static_cast<int>(iftText)) +
                ":0,balance:" + std::to_string(static_cast<int>(iftNumeric)) + ":0");
  EXPECT_EQ(R.Columns("big_customers"), "id:" + Int + ":0,name:" + Var + ":40");
  auto* Balance = dynamic_cast<TTblData*>(R.Objs().Tables.FindObj("customers"))->Fields[3];
  EXPECT_EQ(Balance->Precision, 12);
  EXPECT_EQ(Balance->Scale, 2);
  EXPECT_EQ(std::string(Balance->DefValue), "0");
  const std::string Cascade = std::to_string(static_cast<int>(udaCascade));
  std::vector<std::string> Keys = R.Keys();
  std::sort(Keys.begin(), Keys.end());
  EXPECT_EQ(Keys, (std::vector<std::string>{"F orders(customer)>customers(id) " + Cascade,
                                            "P customers(id)", "P orders(id,line)"}));
  // The indexes that serve a primary key are the keys' own and are not read as indexes.
  std::vector<std::string> Idx = R.Indexes();
  std::sort(Idx.begin(), Idx.end());
  EXPECT_EQ(Idx, (std::vector<std::string>{"U customers(name)", "orders(placed,customer)"}));
}

TEST(OLEDBExtract, AnUnreachableSourceIsOneErrorAndNoSchema) {
  const struct {
    const char* Name;
    std::string ConnectionString;
    const char* Expected;  ///< in the error
  } Cases[] = {
      {"missing DSN", "DSN=qel_no_such_source", "Data source name not found"},
      {"driver not installed", "Driver={qel no such driver};Database=x", "qel no such driver"},
      {"missing Access file", "Driver=MDBTools;DBQ=/nonexistent/qel.mdb", ""},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TOLEDBRead R(C.ConnectionString, C.ConnectionString.find("MDB") != std::string::npos);
    EXPECT_FALSE(R.Ok);
    ASSERT_EQ(R.Errors.size(), 1U) << ::testing::PrintToString(R.Errors);
    EXPECT_NE(R.Errors[0].find(C.Expected), std::string::npos) << R.Errors[0];
    EXPECT_EQ(R.Objs().Tables.Count(), 0);
  }
}

TEST(MSAccessExtract, ReadsTheAccessTestFile) {
  const std::string File = SharedData() + "/access/DateTestDatabase.mdb";
  if (SharedData().empty() || access(File.c_str(), R_OK) != 0)
    GTEST_SKIP() << "no Access test file at ../shared/data/access/DateTestDatabase.mdb (set "
                    "QEL_SHARED_DATA to the shared data folder)";
  if (!DriverInstalled("MDBTools")) GTEST_SKIP() << "the MDBTools ODBC driver is not installed";
  TOLEDBRead R("Driver=MDBTools;DBQ=" + File, true);
  ASSERT_TRUE(R.Ok) << ::testing::PrintToString(R.Errors);
  EXPECT_TRUE(R.Errors.empty()) << ::testing::PrintToString(R.Errors);
  EXPECT_EQ(R.X->DatabaseType, dbMSAccess);
  ASSERT_GT(R.Objs().Tables.Count(), 0);
  for (int I = 0; I < R.Objs().Tables.Count(); ++I) {
    auto* T = dynamic_cast<TTblData*>(R.Objs().Tables.Objects(I));
    EXPECT_NE(T->GetObjName().rfind("MSys", 0), 0U) << "system table read: " << T->GetObjName();
    EXPECT_GT(T->Fields.Count(), 0) << T->GetObjName();
    for (const auto& F : T->Fields) EXPECT_NE(F->FieldType, iftUnknown) << F->GetObjName();
  }
}

}  // namespace
