// The OLE DB catalog extractor on a SQLite file built here through the SQLite ODBC driver, the
// Access extractor and the rows of a table on the shared Access test file, and the failures of
// a source that cannot be reached. Only the ODBC drivers are needed, no server.
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

TEST(OLEDBExtract, KeyColumnsAreNotNullAndViewsWithoutTextAreNotWritten) {
  if (!DriverInstalled("SQLite3")) GTEST_SKIP() << "the SQLite3 ODBC driver is not installed";
  // The SQLite driver calls an INTEGER PRIMARY KEY column nullable, and gives no view text.
  TSQLiteFile F;
  F.Run({"CREATE TABLE tag (id INTEGER PRIMARY KEY, n INTEGER)",
         "CREATE VIEW labels AS SELECT id FROM tag"});
  TOLEDBRead R(F.ConnectionString());
  ASSERT_TRUE(R.Ok) << ::testing::PrintToString(R.Errors);
  const std::string Int = std::to_string(static_cast<int>(iftInteger));
  EXPECT_EQ(R.Columns("tag"), "id:" + Int + ":0:notnull,n:" + Int + ":0");
  EXPECT_EQ(R.Messages,
            std::vector<std::string>{
                "View labels: its text is not read from this source; it is not written."});
  TStringList Lines;
  R.Objs().ExtractMetadata(Lines);
  EXPECT_EQ(Lines.GetText().find("VIEW"), std::string::npos) << Lines.GetText();
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
  const std::string File = AccessTestFile();
  if (File.empty())
    GTEST_SKIP() << "no Access test file at ../shared/data/access/DateTestDatabase.mdb (set "
                    "QEL_SHARED_DATA to the shared data folder)";
  if (!DriverInstalled("MDBTools")) GTEST_SKIP() << "the MDBTools ODBC driver is not installed";
  TOLEDBRead R("Driver=MDBTools;DBQ=" + File, true);
  ASSERT_TRUE(R.Ok) << ::testing::PrintToString(R.Errors);
  EXPECT_TRUE(R.Errors.empty()) << ::testing::PrintToString(R.Errors);
  EXPECT_EQ(R.X->DatabaseType, dbMSAccess);
  ASSERT_EQ(R.Objs().Tables.Count(), 1);
  auto T = [](TDBFieldType Type) { return std::to_string(static_cast<int>(Type)); };
  // Text sizes are characters (the file keeps two bytes each); the dates are date and time.
  EXPECT_EQ(R.Columns("DateTest"),
            "IDCol:" + T(iftInteger) + ":0,DateTimeCol:" + T(iftTimeStamp) +
                ":0,DateCol:" + T(iftTimeStamp) + ":0,TimeCol:" + T(iftTimeStamp) +
                ":0,LongTextCol:" + T(iftText) + ":0,ShortTextCol:" + T(iftVarchar) + ":255");
  EXPECT_EQ(std::string(
                dynamic_cast<TTblData*>(R.Objs().Tables.FindObj("DateTest"))->Fields[0]->DefValue),
            "0");

  // The file's own relationships are between its system tables, which the reader gives too.
  TADOXCatalog C;
  ADOXCatalogReader(File, C);
  auto Groups = std::find_if(C.Tables.begin(), C.Tables.end(),
                             [](const TADOXTable& X) { return X.Name == "MSysNavPaneGroups"; });
  ASSERT_NE(Groups, C.Tables.end());
  EXPECT_TRUE(Groups->System);
  ASSERT_EQ(Groups->Keys.size(), 1U);
  const TADOXKey& K = Groups->Keys[0];
  EXPECT_EQ(K.Name, "MSysNavPaneGroupCategoriesMSysNavPaneGroups");
  EXPECT_EQ(K.RelatedTable, "MSysNavPaneGroupCategories");
  EXPECT_EQ(K.Columns, std::vector<std::string>{"GroupCategoryID"});
  EXPECT_EQ(K.RelatedColumns, std::vector<std::string>{"Id"});
  EXPECT_EQ(K.UpdateRule, adRICascade);
  EXPECT_EQ(K.DeleteRule, adRICascade);
  EXPECT_TRUE(K.Enforced);
}

// A select of a whole table of an Access file is read from the file, each value as stored
// (dates before 1900 and in the years 632 and 9999, which the driver gives as day 0 of 1900;
// a memo's line break); any other statement still goes to the driver.
TEST(AccessFileRows, AWholeTableIsReadFromTheFile) {
  const std::string File = AccessTestFile();
  if (File.empty())
    GTEST_SKIP() << "no Access test file at ../shared/data/access/DateTestDatabase.mdb (set "
                    "QEL_SHARED_DATA to the shared data folder)";
  if (!DriverInstalled("MDBTools")) GTEST_SKIP() << "the MDBTools ODBC driver is not installed";
  struct TCase {
    const char* SQL;
    std::size_t Row;
    /// The result's column names ("" where the driver names them), then the values of row Row,
    /// or the start of the error.
    const char* Columns;
    const char* Values;
  };
  const TCase Cases[] = {
      {"select * from DateTest", 1, "IDCol,DateTimeCol,DateCol,TimeCol,LongTextCol,ShortTextCol",
       "2,9999-01-01 00:00:00,9999-01-01 00:00:00,9999-01-01 00:00:00,Year 9999,Year 1999"},
      {"SELECT *  FROM  [datetest]", 2,
       "IDCol,DateTimeCol,DateCol,TimeCol,LongTextCol,ShortTextCol",
       "3,1898-01-01 00:00:00,1899-01-01 00:00:00,1900-01-01 00:00:00,Pre-1900 years,Pre-1900 "
       "years"},
      {"select datetimecol, [IDCol], \"LongTextCol\"\r\nfrom [DateTest]\r\n", 3,
       "DateTimeCol,IDCol,LongTextCol", "0632-01-01 00:00:00,4,Pre-1000 years"},
      {"select LongTextCol from DateTest", 5, "LongTextCol", "New line\r\nin field"},
      {"select count(*) from DateTest", 0, "", "6"},
      {"select NoSuchCol from DateTest", 0, "", "error: Table DateTest of the Access file"},
  };
  TADOConnection C(nullptr);
  C.ConnectionString = "Driver=MDBTools;DBQ=" + File;
  C.Open();
  auto Join = [](const auto& Items, auto Text) {
    std::string S;
    for (const auto& I : Items) {
      if (&I != &Items.front()) S += ',';
      S += Text(I);
    }
    return S;
  };
  for (const TCase& K : Cases) {
    std::string Columns, Values;
    try {
      TADOResult R;
      C.Execute(K.SQL, {}, R);
      Columns = Join(R.Columns, [](const TADOColumn& Col) { return Col.Name; });
      ASSERT_GT(R.Rows.size(), K.Row) << K.SQL;
      Values = Join(R.Rows[K.Row], [](const TDataSet::TRecordValue& V) { return V.Data; });
    } catch (const EDatabaseError& E) {
      Values = "error: " + std::string(E.what());
    }
    if (*K.Columns) {
      EXPECT_EQ(Columns, K.Columns) << K.SQL;
    }
    EXPECT_EQ(Values.substr(0, std::string(K.Values).size()), K.Values) << K.SQL << "\n" << Values;
  }
}

}  // namespace

namespace {

TEST(MSAccessExtract, BuildsTablesKeysIndexesAndRelationshipsFromTheFile) {
  if (!DriverInstalled("SQLite3")) GTEST_SKIP() << "the SQLite3 ODBC driver is not installed";
  TSQLiteFile F;
  F.Run({"CREATE TABLE x (a INTEGER)"});
  TOLEDBRead R(F.ConnectionString(), true, AccessCatalog);
  ASSERT_TRUE(R.Ok) << ::testing::PrintToString(R.Errors);
  EXPECT_TRUE(R.Errors.empty()) << ::testing::PrintToString(R.Errors);
  auto T = [](TDBFieldType Type) { return std::to_string(static_cast<int>(Type)); };
  EXPECT_EQ(R.Columns("Orders"), "Order ID:" + T(iftInteger) + ":0:notnull,Placed:" +
                                     T(iftTimeStamp) + ":0:notnull,Note:" + T(iftText) + ":0");
  // The key's columns are NOT NULL whatever Required says; a Yes/No column is never NULL; a
  // column of a kind the model does not hold is left out.
  EXPECT_EQ(R.Columns("Order Détails"),
            "Order ID:" + T(iftInteger) + ":0:notnull,Line:" + T(iftSmallInt) +
                ":0:notnull,Price:" + T(iftNumeric) + ":0,Weight:" + T(iftReal) + ":0,Ratio:" +
                T(iftDoublePrecision) + ":0,Exact:" + T(iftNumeric) + ":0,Code:" + T(iftVarchar) +
                ":20:notnull,Done:" + T(iftBoolean) + ":0:notnull,Photo:" + T(iftBlob) + ":0");
  auto* Orders = dynamic_cast<TTblData*>(R.Objs().Tables.FindObj("Orders"));
  auto* Lines = dynamic_cast<TTblData*>(R.Objs().Tables.FindObj("Order Détails"));
  ASSERT_TRUE(Orders && Lines);
  EXPECT_EQ(std::string(Orders->Extra().Description), "Orders placed");
  EXPECT_TRUE(Orders->Fields[0]->AutoIncrement);
  EXPECT_EQ(std::string(Orders->Fields[1]->DefValue), "CURRENT_TIMESTAMP");
  EXPECT_EQ(std::string(Orders->Fields[2]->DefValue), "'it''s \"new\"'");
  EXPECT_EQ(Lines->Fields[2]->Precision, 19);
  EXPECT_EQ(Lines->Fields[2]->Scale, 4);
  EXPECT_EQ(std::string(Lines->Fields[2]->Extra().Description), "the unit price");
  EXPECT_EQ(Lines->Fields[5]->Precision, 12);
  EXPECT_EQ(Lines->Fields[5]->Scale, 3);
  EXPECT_EQ(std::string(Lines->Fields[5]->DefValue), "-1.5");
  EXPECT_EQ(std::string(Lines->Fields[7]->DefValue), "false");
  std::vector<std::string> Keys = R.Keys();
  std::sort(Keys.begin(), Keys.end());
  EXPECT_EQ(Keys,
            (std::vector<std::string>{"F Order Détails(Order ID)>Orders(Order ID) " +
                                          std::to_string(static_cast<int>(udaNoAction)),
                                      "P Order Détails(Order ID,Line)", "P Orders(Order ID)"}));
  auto* Rel = dynamic_cast<TCtrData*>(R.Objs().Constraints.FindObj("OrdersOrder Détails"));
  ASSERT_NE(Rel, nullptr);
  EXPECT_EQ(Rel->OnUpdate, udaCascade);
  std::vector<std::string> Idx = R.Indexes();
  std::sort(Idx.begin(), Idx.end());
  EXPECT_EQ(Idx, (std::vector<std::string>{"Orders(Placed)", "U Order Détails(Code)"}));
  EXPECT_NE(R.Objs().Indexes.FindObj("Orders_Placed"), nullptr);
  // The creation script of the file's own dialect quotes the names that need it.
  TStringList Script;
  R.Objs().ExtractMetadata(Script);
  for (const char* Quoted : {"CREATE TABLE [Order Détails]", "[Order ID]"})
    EXPECT_NE(Script.GetText().find(Quoted), std::string::npos) << Quoted << "\n"
                                                                << Script.GetText();
  // What the model does not hold is named once each.
  for (const char* Passed :
       {"Columns of kinds the model does not hold are not read: Order Détails.Files (type 18)",
        "Defaults with no SQL form are not read: Order Détails.Ratio (Rnd())",
        "Relationships without referential integrity are not read: Loose",
        "The queries of the Access file (it keeps no SQL text of them) are not read: Open "
        "orders, Totals"})
    EXPECT_EQ(std::count(R.Messages.begin(), R.Messages.end(), Passed), 1)
        << Passed << "\n"
        << ::testing::PrintToString(R.Messages);
}

TEST(MSAccessExtract, FileNamesAndDefaults) {
  const struct {
    const char* ConnectionString;
    const char* File;
  } Files[] = {
      {"Driver=MDBTools;DBQ=/d/a.mdb", "/d/a.mdb"},
      {"driver={MDB Tools};dbq = {/d/x;y}}z.mdb} ;UID=a", "/d/x;y}z.mdb"},
      {"Driver=MDBTools;Database=/d/b.mdb", "/d/b.mdb"},
      {"Driver=MDBTools;Database=/d/b.mdb;DBQ=/d/c.mdb", "/d/c.mdb"},
      // The first DBQ, the one the command line checks for an existing file.
      {"Driver=MDBTools;DBQ=/d/a.mdb;DBQ=/d/new.mdb", "/d/a.mdb"},
      {"DSN=access", ""},
  };
  for (const auto& F : Files)
    EXPECT_EQ(TMSAccessDBExtract::FileOfConnectionString(F.ConnectionString), F.File)
        << F.ConnectionString;
  const struct {
    const char* Expression;
    TDBFieldType Type;
    const char* Sql;
  } Defaults[] = {
      {"0", iftInteger, "0"},
      {"+2.50", iftNumeric, "2.50"},
      {"1.2.3", iftNumeric, ""},
      {"\"a\"\"b\"", iftVarchar, "'a\"b'"},
      {"'O''Hara'", iftVarchar, "'O''Hara'"},
      {"\"a\" & \"b\"", iftVarchar, ""},
      {"=Date()", iftTimeStamp, "CURRENT_DATE"},
      {"now()", iftTimeStamp, "CURRENT_TIMESTAMP"},
      {"Yes", iftBoolean, "true"},
      {"0", iftBoolean, "false"},
      {"Maybe", iftBoolean, ""},
      {"", iftInteger, ""},
  };
  for (const auto& D : Defaults)
    EXPECT_EQ(TMSAccessDBExtract::DefaultOf(D.Expression, D.Type), D.Sql) << D.Expression;
}

}  // namespace

namespace {

/// The SQLite driver, with the foreign keys rowset failing for one table and the indexes
/// rowset not implemented at all.
class TFailingRowsets : public TADOConnection {
 public:
  using TADOConnection::OpenSchema;
  using TADOConnection::TADOConnection;
  void OpenSchema(TSchemaEnum Schema, const TSchemaRestrictions& R, TADODataSet& D) override {
    if (Schema == siIndexes) {
      ++IndexCalls;
      throw EADOError("[unixODBC][Driver Manager]Driver does not support this function", "IM001");
    }
    if (Schema == siForeignKeys && R.size() > 2 && R[2] == "b")
      throw EADOError("[SQLite]malformed catalog", "HY000");
    TADOConnection::OpenSchema(Schema, R, D);
  }
  int IndexCalls = 0;
};

TEST(OLEDBExtract, ARowsetFailingForOneTableLeavesTheOthers) {
  if (!DriverInstalled("SQLite3")) GTEST_SKIP() << "the SQLite3 ODBC driver is not installed";
  TSQLiteFile F;
  F.Run({"CREATE TABLE a (id INTEGER PRIMARY KEY)",
         "CREATE TABLE b (id INTEGER PRIMARY KEY, a INTEGER REFERENCES a (id))",
         "CREATE TABLE c (id INTEGER PRIMARY KEY, a INTEGER REFERENCES a (id))",
         "CREATE INDEX c_a ON c (a)"});
  TFailingRowsets ADO(nullptr);
  ADO.ConnectionString = F.ConnectionString();
  TQELConnectionADO C(nullptr);
  C.SetDatabaseType(dbCustomOLEDB);
  C.SetADOConnection(&ADO);
  TDBStructure H(nullptr);
  TOLEDBExtract X(nullptr);
  X.SetDBStructure(&H);
  X.SetConnection(&C);
  X.SetOnErrorMessage([](TObject*, const std::string&) {});
  ASSERT_TRUE(X.ExtractDatabase());
  EXPECT_FALSE(X.MsgManager.GetIsErr());
  // b's keys are missing, c's are there; the indexes rowset was asked for once.
  TDbObjList& L = X.GetObjs()->Constraints;
  std::vector<std::string> FKeys;
  for (int I = 0; I < L.Count(); ++I)
    if (auto* K = dynamic_cast<TCtrData*>(L.Objects(I)); K->GetCtType() == ctFKey)
      FKeys.push_back(K->GetTblName());
  EXPECT_EQ(FKeys, std::vector<std::string>{"c"});
  EXPECT_EQ(ADO.IndexCalls, 1);
  std::vector<std::string> Texts;
  for (int I = 0; I < X.MsgManager.GetMsgCount(); ++I) {
    const TMsgData& M = X.MsgManager.Items(I);
    Texts.push_back(std::string(M.MsgType == mt_Wrn ? "W " : "I ") + M.Text);
  }
  // One warning for the table whose rowset failed, one information for the missing function.
  for (const std::string Start : {"W The foreign keys rowset of b could not be read",
                                  "I The driver does not answer the indexes rowset"})
    EXPECT_EQ(std::count_if(Texts.begin(), Texts.end(),
                            [&](const std::string& T) { return T.rfind(Start, 0) == 0; }),
              1)
        << Start << "\n"
        << ::testing::PrintToString(Texts);
  X.SetConnection(nullptr);
  C.SetADOConnection(nullptr);
}

}  // namespace
