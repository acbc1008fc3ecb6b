// A master read from a PostgreSQL script (the example order-entry schema) converted for a
// MariaDB and a Firebird server, and run there: the update script against an empty database,
// and the schema script the writer makes of the converted master. Each run works in a database
// of its own, made and dropped by the test. The servers are found through QEL_MY_* and QEL_FB_*
// (scripts/dbservers.sh env).
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Files.h"
#include "db_servers.h"
#include "qelDBStructure.h"
#include "qelMySQLDatabaseExtract.h"
#include "qelPGScriptExtract.h"
#include "qelSQL_Exec.h"
#include "qelVarnel.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TLines = std::vector<std::string>;

const std::string OrdersScript = std::string(QEL_EXAMPLES_DIR) + "/data/orders_v2.sql";
const TLines OrdersTables{"customer", "order_line", "orders", "product", "shipment"};

struct TCase {
  const TDbServer* Server;
  const char* TablesQuery;
  const char* ForeignKeysQuery;
};

void PrintTo(const TCase& C, std::ostream* Os) {
  *Os << C.Server->Title;
}

const TCase Cases[] = {
    {&MyServer,
     "select lower(table_name) from information_schema.tables where table_schema = database() "
     "and table_type = 'BASE TABLE' order by 1",
     "select count(*) from information_schema.table_constraints where constraint_schema = "
     "database() and constraint_type = 'FOREIGN KEY'"},
    {&FbServer,
     "select lower(trim(rdb$relation_name)) from rdb$relations where rdb$system_flag = 0 and "
     "rdb$view_blr is null order by 1",
     "select count(*) from rdb$relation_constraints where rdb$constraint_type = 'FOREIGN KEY'"},
};

/// A database of the test's own on the server: made on construction, dropped on destruction.
class TOwnDatabase {
 public:
  explicit TOwnDatabase(const TDbServer& S) : Admin(S), Conn(S) {
    Failure = Admin.Connect();
    if (!Failure.empty()) return;
    TConnectionOptions& O = Conn.C->GetConnectionOptions();
    if (!Conn.Configure().empty()) return;
    const std::string Name = "qel_conv_" + std::to_string(getpid());
    if (S.DatabaseType == dbInterBase) {
      FileName = ExtractFilePath(O.GetDatabaseName()) + Name + ".fdb";
      std::remove(FileName.c_str());
      O.SetDatabaseName(FileName);
      if (!Conn.C->CreateDatabase()) {
        Failure = "Cannot create " + FileName;
        return;
      }
    } else {
      Database = Name;
      Admin.ExecIgnoringError("drop database " + Name);
      Admin.Exec("create database " + Name);
      O.SetDatabaseName(Name);
    }
    Conn.C->SetConnected(true);
    if (!Conn.C->GetConnected())
      Failure = "Cannot connect to the new database: " + Conn.C->GetLastError();
  }
  ~TOwnDatabase() {
    if (Conn.C->GetConnected()) Conn.C->SetConnected(false);
    if (!FileName.empty()) std::remove(FileName.c_str());
    if (!Database.empty() && Admin.C->GetConnected())
      Admin.ExecIgnoringError("drop database " + Database);
  }

  TLines Column(const std::string& SQL) {
    TLines R = Conn.Column(SQL);
    if (Conn.C->InTransaction()) Conn.C->Commit();
    return R;
  }

  TServerConnection Admin;
  TServerConnection Conn;
  std::string Failure;
  std::string FileName;  // Firebird
  std::string Database;  // MariaDB
};

/// The comparer with the example schema as master and an empty target of the server's dialect,
/// connected as a catalog extractor would have left it.
struct TRig {
  TRig(TDatabaseType To, TOwnDatabase& Db) {
    MX.SetDBStructure(&MH);
    MX.SetOnErrorMessage([this](TObject*, const std::string& T) { Errors.push_back(T); });
    MX.SetScriptFileName(OrdersScript);
    Read = MX.ExtractDatabase();
    MH.SetDatabaseType(dbPostgreSQL);
    TH.SetDatabaseType(To);
    TH.GetMetadata()->ConnectionOptions.Assign(Db.Conn.C->GetConnectionOptions());
    if (To == dbInterBase) {
      TH.GetMetadata()->IBServerOptions.SetSQLDialect(3);
      TH.GetMetadata()->IBServerOptions.SQLServerVersion = st_Firebird_25;
    }
    V.SetDBMaster(&MH);
    V.SetDBTarget(&TH);
    V.OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
  }

  TDBStructure MH{nullptr}, TH{nullptr};
  TPGScriptExtract MX{nullptr};
  TVarnel V{nullptr};
  bool Read = false;
  TLines Errors;
};

std::string Text(TCustomSQLExec& E) {
  TStringList Lines;
  E.GetScript(Lines, false);
  return Lines.GetText();
}

class ConversionOnServer : public ::testing::TestWithParam<TCase> {
 protected:
  TDatabaseType Dialect() const { return GetParam().Server->DatabaseType; }

  void ExpectTheExampleSchema(TOwnDatabase& Db) {
    TLines Tables = Db.Column(GetParam().TablesQuery);
    std::sort(Tables.begin(), Tables.end());
    EXPECT_EQ(Tables, OrdersTables);
    EXPECT_EQ(Db.Column(GetParam().ForeignKeysQuery), TLines{"4"});
  }
};

}  // namespace

TEST_P(ConversionOnServer, UpdateScriptOfTheConvertedExampleRuns) {
  TOwnDatabase Db(*GetParam().Server);
  ASSERT_TRUE(Db.Failure.empty()) << Db.Failure;
  TRig R(Dialect(), Db);
  ASSERT_TRUE(R.Read) << ::testing::PrintToString(R.Errors);
  ASSERT_TRUE(R.V.CompareDatabases()) << ::testing::PrintToString(R.Errors);
  auto* E = dynamic_cast<TSQLExec*>(R.V.GetSQLExec());
  ASSERT_NE(E, nullptr);
  EXPECT_EQ(E->DatabaseType, Dialect());
  TLines ExecErrors;
  E->OnErrorMessage = [&ExecErrors](TObject*, const std::string& T) { ExecErrors.push_back(T); };
  E->SetConnection(Db.Conn.C.get());
  EXPECT_TRUE(E->ExecuteScript()) << Text(*E) << ::testing::PrintToString(ExecErrors);
  EXPECT_TRUE(ExecErrors.empty()) << Text(*E) << ::testing::PrintToString(ExecErrors);
  E->SetConnection(nullptr);
  if (!Db.Conn.C->GetConnected()) Db.Conn.C->SetConnected(true);
  ExpectTheExampleSchema(Db);
  // The master is the PostgreSQL schema again.
  EXPECT_EQ(R.MH.GetMetadata()->GetDatabaseType(), dbPostgreSQL);
  EXPECT_NE(R.MH.GetMetadata()->GetTable("customer"), nullptr);
}

TEST_P(ConversionOnServer, SchemaScriptOfTheConvertedExampleRuns) {
  TOwnDatabase Db(*GetParam().Server);
  ASSERT_TRUE(Db.Failure.empty()) << Db.Failure;
  TRig R(Dialect(), Db);
  ASSERT_TRUE(R.Read) << ::testing::PrintToString(R.Errors);
  ASSERT_TRUE(R.V.ConvertDatabases()) << ::testing::PrintToString(R.Errors);
  TObjs& M = *R.MH.GetMetadata();
  M.ScriptOptions.Connect = false;
  TStringList Script;
  M.ExtractMetadata(Script);
  R.V.RestoreMaster();

  // Each item of the writer ends a statement with the terminator, or is a comment or blank.
  TLines Statements;
  std::string Current;
  for (const std::string& Item : Script) {
    const std::string T = Trim(Item);
    if (T.empty() || (T.rfind("/*", 0) == 0 && T.find("*/") == T.size() - 2)) continue;
    Current += Item + "\n";
    if (T.back() == ';') {
      std::string S = Trim(Current);
      S.pop_back();
      if (UpperCase(S).rfind("SET ", 0) != 0) Statements.push_back(S);
      Current.clear();
    }
  }
  ASSERT_FALSE(Statements.empty()) << Script.GetText();
  for (const std::string& S : Statements) {
    try {
      Db.Conn.Exec(S);
      if (Db.Conn.C->InTransaction()) Db.Conn.C->Commit();
    } catch (const EDatabaseError& E) {
      ADD_FAILURE() << S << "\n" << E.what() << "\n" << Script.GetText();
    }
  }
  ExpectTheExampleSchema(Db);
}

// Through the extractors, as a host runs it: the empty MariaDB database read from its catalog,
// the update script run, the database read again. The second comparison pairs every converted
// table with the one the server holds (nothing is created or dropped), and its script, which
// restates what the server reports in its own words, runs as well.
TEST(ConversionOnMariaDB, SecondComparisonPairsTheConvertedTables) {
  TOwnDatabase Db(MyServer);
  ASSERT_TRUE(Db.Failure.empty()) << Db.Failure;
  TDBStructure MH(nullptr), TH(nullptr);
  TPGScriptExtract MX(nullptr);
  TMySQLDBExtract TX(nullptr);
  TVarnel V(nullptr);
  TLines Errors;
  const TErrorMessageEvent Keep = [&Errors](TObject*, const std::string& T) {
    Errors.push_back(T);
  };
  MX.SetOnErrorMessage(Keep);
  TX.SetOnErrorMessage(Keep);
  V.OnErrorMessage = Keep;
  MX.SetScriptFileName(OrdersScript);
  TX.SetConnection(Db.Conn.C.get());
  V.SetDBMaster(&MH);
  V.SetDBTarget(&TH);
  V.SetExtractorMaster(&MX);
  V.SetExtractorTarget(&TX);
  const TCmpObjSetType Kinds{coTable, coIndex, coPrimaryKey, coForeignKey, coUnique, coCheck};
  V.SetCompareObjects(Kinds);
  for (int Round = 1; Round <= 2; ++Round) {
    SCOPED_TRACE("round " + std::to_string(Round));
    ASSERT_TRUE(V.ExtractDatabases()) << ::testing::PrintToString(Errors);
    ASSERT_TRUE(V.CompareDatabases()) << ::testing::PrintToString(Errors);
    EXPECT_EQ(V.CompareObjects, Kinds);
    EXPECT_EQ(MH.GetMetadata()->GetDatabaseType(), dbPostgreSQL);
    auto* E = dynamic_cast<TSQLExec*>(V.GetSQLExec());
    ASSERT_NE(E, nullptr);
    if (Round == 2)
      for (int I = 0; I < E->GetStatementsCount(); ++I) {
        const TStatement* S = E->GetStatement(I);
        EXPECT_FALSE(S->DbObject == dboTable &&
                     (S->DbOperation == odbCreate || S->DbOperation == odbDrop))
            << S->Lines.GetText();
      }
    if (!Db.Conn.C->GetConnected()) Db.Conn.C->SetConnected(true);
    E->SetConnection(Db.Conn.C.get());
    EXPECT_TRUE(E->ExecuteScript()) << Text(*E);
    E->SetConnection(nullptr);
  }
  if (!Db.Conn.C->GetConnected()) Db.Conn.C->SetConnected(true);
  TLines Tables = Db.Column(Cases[0].TablesQuery);
  std::sort(Tables.begin(), Tables.end());
  EXPECT_EQ(Tables, OrdersTables);
}

INSTANTIATE_TEST_SUITE_P(Servers, ConversionOnServer, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<TCase>& I) {
                           return std::string(I.param.Server->Title);
                         });
