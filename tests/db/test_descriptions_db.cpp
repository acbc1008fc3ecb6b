// Object descriptions written for each server we can run, executed there, and read back from
// the server's own catalog: the text must arrive unchanged, quotes and backslashes included.
#include <gtest/gtest.h>

#include "db_servers.h"
#include "qelCompObj.h"
#include "qelComp_Tbl.h"

using namespace qel;
using namespace qel::testing;

namespace {

struct TCase {
  const TDbServer* Server;
  const char* Table;
  const char* Column;
  /// Reads the table's and the column's description back.
  const char* TableQuery;
  const char* ColumnQuery;
};

void PrintTo(const TCase& C, std::ostream* Os) {
  *Os << C.Server->Title;
}

const TCase Cases[] = {
    {&PgServer, "qel_descr", "c1", "select obj_description('qel_descr'::regclass, 'pg_class')",
     "select col_description('qel_descr'::regclass, 1)"},
    {&MyServer, "qel_descr", "c1",
     "select table_comment from information_schema.tables where table_schema = database() and "
     "table_name = 'qel_descr'",
     "select column_comment from information_schema.columns where table_schema = database() and "
     "table_name = 'qel_descr' and column_name = 'c1'"},
    {&FbServer, "QEL_DESCR", "C1",
     "select rdb$description from rdb$relations where rdb$relation_name = 'QEL_DESCR'",
     "select rdb$description from rdb$relation_fields where rdb$relation_name = 'QEL_DESCR' and "
     "rdb$field_name = 'C1'"},
};

class Descriptions : public ::testing::TestWithParam<TCase> {};

TEST_P(Descriptions, RoundTripThroughTheServerCatalog) {
  const TCase& K = GetParam();
  TServerConnection Conn(*K.Server);
  const std::string Failure = Conn.Connect();
  ASSERT_TRUE(Failure.empty()) << Failure;

  TObjs Objs;
  Objs.SetDatabaseType(K.Server->DatabaseType);
  // Firebird 3's system tables are read-only; COMMENT ON is the form it accepts.
  Objs.IBServerOptions.GetIBCompareOptions().SetUpdateDescriptionMode(udComment);
  auto* T = new TTblData(&Objs);
  T->SetObjName(K.Table);
  T->SetExtra(&TObjExtra::Description, "it's a \\ table");
  auto F = std::make_unique<TFldData>(&Objs);
  F->SetObjName(K.Column);
  F->FieldType = iftInteger;
  F->TableName = K.Table;
  F->OwnerObj = T;
  F->SetExtra(&TObjExtra::Description, "col \"one\"");
  TFldData* Col = T->Fields.Add(std::move(F));
  ASSERT_TRUE(Objs.AddObj(T));

  Conn.ExecIgnoringError(std::string("drop table ") + K.Table);
  try {
    Conn.Exec(T->CreateDef());
    Conn.Exec(T->DescriptionDef());
    Conn.Exec(Col->DescriptionDef());
  } catch (const EDatabaseError& E) {
    FAIL() << K.Server->Title << " refused a description statement: " << E.what();
  }
  EXPECT_EQ(Conn.Column(K.TableQuery), std::vector<std::string>{"it's a \\ table"});
  EXPECT_EQ(Conn.Column(K.ColumnQuery), std::vector<std::string>{"col \"one\""});
  Conn.ExecIgnoringError(std::string("drop table ") + K.Table);
}

INSTANTIATE_TEST_SUITE_P(Servers, Descriptions, ::testing::ValuesIn(Cases),
                         [](const auto& Info) { return std::string(Info.param.Server->Title); });

}  // namespace
