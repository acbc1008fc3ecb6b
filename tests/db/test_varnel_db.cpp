// The comparer's update scripts on real servers: PostgreSQL, MariaDB and Firebird, found through
// QEL_PG_*, QEL_MY_* and QEL_FB_* (HOST, PORT, USER, PASSWORD, DATABASE). The target schema is
// first created on the server from its own statements (the comparer against an empty schema),
// then the update script turning it into the master runs through the comparer's own executor,
// and the server's catalog is read back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../unit/test_varnel_util.h"
#include "db_servers.h"
#include "qelSQL_Exec.h"
#include "qelVarnel.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TLines = std::vector<std::string>;

struct TCase {
  const TDbServer* Server;
  /// The columns of a table, in order; %s is the table name as the catalog holds it.
  const char* ColumnsQuery;
  /// The number of tables of that name.
  const char* TableQuery;
};

void PrintTo(const TCase& C, std::ostream* Os) {
  *Os << C.Server->Title;
}

const TCase Cases[] = {
    {&PgServer,
     "select column_name from information_schema.columns where table_schema = current_schema() "
     "and table_name = '%s' order by ordinal_position",
     "select count(*) from information_schema.tables where table_schema = current_schema() and "
     "table_name = '%s'"},
    {&MyServer,
     "select column_name from information_schema.columns where table_schema = database() and "
     "table_name = '%s' order by ordinal_position",
     "select count(*) from information_schema.tables where table_schema = database() and "
     "table_name = '%s'"},
    {&FbServer,
     "select trim(rdb$field_name) from rdb$relation_fields where rdb$relation_name = '%s' order "
     "by rdb$field_position",
     "select count(*) from rdb$relations where rdb$relation_name = '%s'"},
};

const std::string Prefix = "QEL_VDB_";

std::string Fill(const char* Pattern, const std::string& Value) {
  std::string S = Pattern;
  S.replace(S.find("%s"), 2, Value);
  return S;
}

TLines Upper(TLines L) {
  for (std::string& S : L) S = UpperCase(S);
  return L;
}

class VarnelOnServer : public ::testing::TestWithParam<TCase> {
 protected:
  void SetUp() override {
    Conn = std::make_unique<TServerConnection>(*GetParam().Server);
    const std::string Failure = Conn->Connect();
    ASSERT_TRUE(Failure.empty()) << Failure;
    DropTables();
  }
  void TearDown() override {
    if (Conn && Conn->C->GetConnected()) DropTables();
  }

  TDatabaseType Dialect() const { return GetParam().Server->DatabaseType; }
  /// A table name as the catalog holds it: PostgreSQL folds unquoted names to lower case.
  std::string Stored(const std::string& Name) const {
    return Dialect() == dbPostgreSQL ? LowerCase(Prefix + Name) : Prefix + Name;
  }
  void DropTables() {
    for (const char* T : {"ORDERS", "CUSTOMER", "OLD_LOG"})
      Conn->ExecIgnoringError("drop table " + Prefix + T);
    if (Conn->C->InTransaction()) Conn->C->Commit();
  }
  TLines Column(const std::string& SQL) {
    TLines R = Conn->Column(SQL);
    if (Conn->C->InTransaction()) Conn->C->Commit();
    return R;
  }
  TLines Columns(const std::string& Table) {
    return Upper(Column(Fill(GetParam().ColumnsQuery, Stored(Table))));
  }
  bool TableExists(const std::string& Table) {
    return Column(Fill(GetParam().TableQuery, Stored(Table))) == TLines{"1"};
  }

  /// Compares the two schemas of Rig and runs the script on the server through the comparer's
  /// own executor. The target carries the connection a catalog extractor would have left, so
  /// the script's CONNECT, USE and RECONNECT statements reach this server.
  void CompareAndRun(TCodeRig& Rig) {
    TQELConnection& C = *Conn->C;
    Rig.Target().ConnectionOptions.Assign(C.GetConnectionOptions());
    Rig.V.CompareDatabases();
    ASSERT_TRUE(Rig.Errors.empty()) << ::testing::PrintToString(Rig.Errors);
    auto* E = dynamic_cast<TSQLExec*>(Rig.V.GetSQLExec());
    ASSERT_NE(E, nullptr);
    EXPECT_EQ(E->DatabaseType, Dialect());
    TLines ExecErrors;
    E->OnErrorMessage = [&ExecErrors](TObject*, const std::string& T) { ExecErrors.push_back(T); };
    E->SetConnection(&C);
    EXPECT_TRUE(E->ExecuteScript()) << Rig.Script() << ::testing::PrintToString(ExecErrors);
    EXPECT_TRUE(ExecErrors.empty()) << ::testing::PrintToString(ExecErrors);
    E->SetConnection(nullptr);
    if (!C.GetConnected()) C.SetConnected(true);
  }

  std::unique_ptr<TServerConnection> Conn;
};

}  // namespace

TEST_P(VarnelOnServer, UpdateScriptTurnsTheTargetIntoTheMaster) {
  {
    SCOPED_TRACE("create the target");
    TCodeRig Make(Dialect());
    BuildUpdateTarget(Make.Master(), Prefix);
    CompareAndRun(Make);
  }
  ASSERT_TRUE(TableExists("OLD_LOG"));
  EXPECT_EQ(Columns("CUSTOMER"), (TLines{"ID", "NAME", "FAX"}));

  {
    SCOPED_TRACE("update the target");
    TCodeRig Update(Dialect());
    BuildUpdateMaster(Update.Master(), Prefix);
    BuildUpdateTarget(Update.Target(), Prefix);
    CompareAndRun(Update);
  }
  EXPECT_EQ(Columns("CUSTOMER"), (TLines{"ID", "NAME", "EMAIL"}));
  EXPECT_EQ(Columns("ORDERS"), (TLines{"ID", "CUSTOMER_ID", "NOTE"}));
  EXPECT_FALSE(TableExists("OLD_LOG"));

  {
    SCOPED_TRACE("the master against itself");
    TCodeRig Again(Dialect());
    BuildUpdateMaster(Again.Master(), Prefix);
    BuildUpdateMaster(Again.Target(), Prefix);
    CompareAndRun(Again);
    for (int I = 0; I < Again.V.GetSQLExec()->GetStatementsCount(); ++I) {
      const TStatement* S = Again.V.GetSQLExec()->GetStatement(I);
      EXPECT_NE(S->StatType, stStatement) << S->Lines.GetText();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Servers, VarnelOnServer, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<TCase>& I) {
                           return std::string(I.param.Server->Title);
                         });
