// The comparer's conversion of a master read from another DBMS: the kinds it leaves out of one
// comparison, the names it renames together with every use, the type and default rules, and
// the master put back as read afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Viw.h"
#include "qelPGScriptExtract.h"
#include "test_varnel_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

const std::string OrdersScript =
    std::string(QEL_FIXTURES_DIR) + "/../../examples/data/orders_v2.sql";

/// A comparer over a master of one dialect and a target of another, filled in code.
struct TConvRig : TCodeRig {
  TConvRig(TDatabaseType From, TDatabaseType To) : TCodeRig(From) { TH.SetDatabaseType(To); }
};

TCtrData* AddKey(TObjs& O, TConstraintType Type, const std::string& Name, const std::string& Table,
                 const std::vector<std::string>& Cols, const std::string& RefTable = "",
                 const std::vector<std::string>& RefCols = {}) {
  auto* C = new TCtrData(&O);
  C->SetCtType(Type);
  C->SetObjName(Name);
  C->SetTblName(Table);
  for (const std::string& S : Cols) C->FldList.Add(S);
  if (!RefTable.empty()) C->SetRefTblName(RefTable);
  for (const std::string& S : RefCols) C->EditExtra().RefFldList.Add(S);
  EXPECT_TRUE(O.AddObj(C));
  return C;
}

TIdxData* AddIndex(TObjs& O, const std::string& Name, const std::string& Table,
                   const std::vector<std::string>& Cols, bool Descending = false) {
  auto* X = new TIdxData(&O);
  X->SetObjName(Name);
  X->TableName = Table;
  X->Descending = Descending;
  for (const std::string& S : Cols) X->AddFld(S, 0);
  EXPECT_TRUE(O.AddObj(X));
  return X;
}

/// Everything a later comparison reads of a schema: keys of every list, and the schema as its
/// own dialect writes it.
std::string Fingerprint(TObjs& O) {
  std::string R = "dialect " + std::to_string(O.GetDatabaseType()) + "\n";
  for (TDbObjList* L : O.AllLists())
    for (int I = 0; I < L->Count(); ++I) R += "key " + L->Keys(I) + "\n";
  for (int I = 0; I < O.Tables.Count(); ++I)
    if (auto* T = dynamic_cast<TTblData*>(O.Tables.Objects(I)))
      for (const auto& F : T->Fields)
        R += T->GetObjName() + "." + F->GetObjName() + " " + F->FieldTypeDef() + " [" +
             F->DefValue + "] " + (F->Nullable ? "null" : "not null") + " " + F->TableName + "\n";
  TStringList Script;
  O.ExtractMetadata(Script);
  return R + Script.GetText();
}

/// The master of several tests: names over the identifier limits, reserved words and blanks,
/// with keys, a foreign key and an index that use them.
void BuildNames(TObjs& O) {
  // PostgreSQL keeps unquoted names in lower case (as MakeTable writes them there).
  const bool Lower = O.GetDatabaseType() == dbPostgreSQL;
  auto N = [Lower](const std::string& S) { return Lower ? LowerCase(S) : S; };
  const std::string Long = "a_table_name_that_is_much_too_long_0123";  // 39 bytes
  const std::string LongCol = "a_column_name_that_is_far_too_long_xy";
  MakeTable(O, Long + "A", {{"id", iftInteger, 0, true}, {LongCol, iftInteger}});
  MakeTable(O, Long + "B", {{"id", iftInteger, 0, true}});
  MakeTable(O, "Order Lines", {{"select", iftInteger, 0, true}, {"Qty", iftInteger}});
  AddKey(O, ctPKey, "pk_a", N(Long + "A"), {"id"});
  AddKey(O, ctFKey, "fk_a_b", N(Long + "A"), {LongCol}, N(Long + "B"), {"id"});
  AddKey(O, ctPKey, "pk_ol", N("Order Lines"), {"select"});
  AddKey(O, ctFKey, "fk_ol_a", N("Order Lines"), {N("Qty")}, N(Long + "A"), {"id"});
  AddIndex(O, "ix_a", N(Long + "A"), {LongCol});
  AddIndex(O, "ix_ol", N("Order Lines"), {"select", N("Qty")});
}

TCtrData* Ctr(TObjs& O, const std::string& Name) {
  for (int I = 0; I < O.Constraints.Count(); ++I)
    if (auto* C = dynamic_cast<TCtrData*>(O.Constraints.Objects(I));
        C && (C->GetObjName() == Name || C->Extra().RoleName == Name))
      return C;
  return nullptr;
}

TTblData* TableStartingWith(TObjs& O, const std::string& Prefix) {
  for (int I = 0; I < O.Tables.Count(); ++I)
    if (O.Tables.Objects(I)->GetObjName().rfind(Prefix, 0) == 0)
      return dynamic_cast<TTblData*>(O.Tables.Objects(I));
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Kinds compared

TEST(VarnelConversion, KindsLeftOutForTheTargetOnly) {
  struct TCase {
    TDatabaseType To;
    const char* Log;
    TCmpObjSetType Removed;
  };
  const TCase Cases[] = {
      {dbInterBase,
       "Convert master-database to IB/FB-database...",
       {coFunction, coView, coProcedure, coTrigger, coGrant, coDefault, coCtrDefault}},
      {dbMySQL,
       "Convert master-database to MySQL-database...",
       {coDomain, coFunction, coGenerator, coException, coView, coProcedure, coTrigger, coRole,
        coGrant}},
      {dbMSSQL,
       "Convert master-database to MSSQL-database...",
       {coFunction, coGenerator, coException, coProcedure, coTrigger, coGrant, coRoleGrant,
        coUserGrant, coObjGrant}},
      {dbSybaseASA,
       "Convert master-database to Sybase-database...",
       {coFunction, coGenerator, coException, coView, coProcedure, coTrigger, coGrant}},
      {dbPostgreSQL,
       "Convert master-database to PostgreSQL-database...",
       {coFunction, coGenerator, coException, coView, coProcedure, coTrigger, coRole, coGrant,
        coRoleGrant, coUserGrant, coObjGrant}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(TVarnel::DialectName(C.To));
    TConvRig R(C.To == dbInterBase ? dbMSSQL : dbInterBase, C.To);
    // The caller's own choice, without descriptions, must come back as it was.
    TCmpObjSetType Own = AllCmpObjTypes();
    Own.Exclude(coDescription);
    R.V.SetCompareObjects(Own);
    R.Master().CompareObjects = Own;
    R.Target().CompareObjects = Own;
    ASSERT_TRUE(R.V.ConvertDatabases());
    EXPECT_TRUE(AnyContains(R.Log, C.Log));
    EXPECT_EQ(R.V.CompareObjects, Own - C.Removed);
    EXPECT_EQ(R.Master().CompareObjects, Own - C.Removed);
    EXPECT_EQ(R.Target().CompareObjects, Own - C.Removed);
    EXPECT_EQ(R.Master().GetDatabaseType(), C.To);
    R.V.RestoreMaster();
    EXPECT_EQ(R.V.CompareObjects, Own);
    EXPECT_EQ(R.Master().CompareObjects, Own);
    EXPECT_EQ(R.Target().CompareObjects, Own);

    // A comparison narrows the kinds while it runs, and gives them back.
    TCmpObjSetType During;
    R.V.OnBeforeCompare = [&R, &During](TObject*) { During = R.V.CompareObjects; };
    EXPECT_TRUE(R.V.CompareDatabases()) << ::testing::PrintToString(R.Errors);
    EXPECT_EQ(During, Own - C.Removed);
    EXPECT_EQ(R.V.CompareObjects, Own);
    EXPECT_EQ(R.Master().CompareObjects, Own);
  }
}

TEST(VarnelConversion, OtherTargetsRefuseAndLeaveEverythingAsItWas) {
  for (TDatabaseType To : {dbOracle, dbDB2, dbSybaseASE}) {
    TConvRig R(dbPostgreSQL, To);
    MakeTable(R.Master(), "Customer", {{"id", iftSerial}});
    const std::string Before = Fingerprint(R.Master());
    const TCmpObjSetType Own = R.V.CompareObjects;
    EXPECT_FALSE(R.V.ConvertDatabases());
    EXPECT_TRUE(AnyContains(R.Errors, "no conversion between these dialects"));
    EXPECT_FALSE(R.V.CompareDatabases());
    EXPECT_EQ(R.V.GetSQLExec() ? R.V.GetSQLExec()->GetStatementsCount() : 0, 0);
    EXPECT_EQ(Fingerprint(R.Master()), Before);
    EXPECT_EQ(R.V.CompareObjects, Own);
  }
}

// ---------------------------------------------------------------------------------------------
// Names

TEST(VarnelConversion, FirebirdNamesAreCutWithEveryUse) {
  TConvRig R(dbPostgreSQL, dbInterBase);
  BuildNames(R.Master());
  ASSERT_TRUE(R.V.ConvertDatabases());
  TObjs& M = R.Master();
  // Names the master wrote without quotes are upper-cased, as the server folds them.
  const std::string Cut = "A_TABLE_NAME_THAT_IS_MUCH_TOO_L";  // 31 bytes
  TTblData* A = TableStartingWith(M, Cut);
  ASSERT_NE(A, nullptr);
  // The two tables shared their first 31 bytes: the second is told apart.
  std::vector<std::string> Tables;
  for (int I = 0; I < M.Tables.Count(); ++I) {
    Tables.push_back(M.Tables.Objects(I)->GetObjName());
    EXPECT_LE(Tables.back().size(), 31u) << Tables.back();
    EXPECT_EQ(M.GetTable(Tables.back()), M.Tables.Objects(I)) << "filed under its new name";
  }
  std::sort(Tables.begin(), Tables.end());
  EXPECT_EQ(std::adjacent_find(Tables.begin(), Tables.end()), Tables.end());

  TCtrData* FK = Ctr(M, "FK_A_B");
  ASSERT_NE(FK, nullptr);
  const std::string Col = "A_COLUMN_NAME_THAT_IS_FAR_TOO_L";
  EXPECT_EQ(FK->FldList[0], Col);
  ASSERT_NE(M.GetTable(FK->GetTblName()), nullptr);
  ASSERT_NE(M.GetTable(FK->GetRefTblName()), nullptr);
  EXPECT_NE(FK->GetTblName(), FK->GetRefTblName());
  EXPECT_NE(M.GetTableField(FK->GetTblName(), Col), nullptr);
  TCtrData* FK2 = Ctr(M, "FK_OL_A");
  ASSERT_NE(FK2, nullptr);
  EXPECT_EQ(FK2->GetRefTblName(), FK->GetTblName());
  // A name that needs quoting keeps its spelling, and so do its uses.
  EXPECT_EQ(FK2->GetTblName(), "order lines");
  EXPECT_EQ(FK2->FldList[0], "QTY");
  auto* X = dynamic_cast<TIdxData*>(M.GetIndex("IX_A"));
  ASSERT_NE(X, nullptr);
  EXPECT_EQ(X->TableName, FK->GetTblName());
  EXPECT_EQ(X->Flds[0], Col);
}

TEST(VarnelConversion, MySQLNamesFollowTheRulesWithEveryUse) {
  TConvRig R(dbInterBase, dbMySQL);
  BuildNames(R.Master());
  auto* Desc = dynamic_cast<TIdxData*>(R.Master().GetIndex("ix_ol"));
  ASSERT_NE(Desc, nullptr);
  Desc->Descending = true;
  ASSERT_TRUE(R.V.ConvertDatabases());
  TObjs& M = R.Master();
  TTblData* OL = M.GetTable("order_lines");
  ASSERT_NE(OL, nullptr);
  EXPECT_NE(M.GetTableField("order_lines", "select_"), nullptr);
  EXPECT_NE(M.GetTableField("order_lines", "Qty"), nullptr);
  // The primary key loses its name and reads the renamed table and column; the foreign key and
  // the index follow as well.
  TCtrData* FK = Ctr(M, "fk_ol_a");
  ASSERT_NE(FK, nullptr);
  EXPECT_EQ(FK->GetTblName(), "order_lines");
  EXPECT_NE(M.GetTable(FK->GetRefTblName()), nullptr) << FK->GetRefTblName();
  auto* X = dynamic_cast<TIdxData*>(M.Indexes.FindObj([&] {
    for (int I = 0; I < M.Indexes.Count(); ++I)
      if (M.Indexes.Objects(I)->GetObjName() == "ix_ol") return M.Indexes.Keys(I);
    return std::string();
  }()));
  ASSERT_NE(X, nullptr);
  EXPECT_EQ(X->TableName, "order_lines");
  EXPECT_EQ(X->Flds[0], "select_");
  // No descending index: its columns are sorted the other way instead.
  EXPECT_FALSE(X->Descending);
  EXPECT_EQ(dynamic_cast<TIdxFldData*>(X->Flds.Objects(1))->SortOrder, 2);
  bool PKFound = false;
  for (int I = 0; I < M.Constraints.Count(); ++I)
    if (auto* C = dynamic_cast<TCtrData*>(M.Constraints.Objects(I));
        C && C->GetCtType() == ctPKey && C->GetTblName() == "order_lines") {
      PKFound = true;
      EXPECT_EQ(C->GetObjName(), "");
      EXPECT_EQ(C->FldList[0], "select_");
    }
  EXPECT_TRUE(PKFound);
  // The table text declares the key on the renamed column.
  EXPECT_NE(OL->CreateDef().find("PRIMARY KEY(`select_`)"), std::string::npos) << OL->CreateDef();

  R.V.RestoreMaster();
  EXPECT_TRUE(X->Descending);
  EXPECT_EQ(X->Flds[0], "select");
  EXPECT_EQ(dynamic_cast<TIdxFldData*>(X->Flds.Objects(1))->SortOrder, 0);
  EXPECT_EQ(R.Master().GetIndex("ix_ol"), X);
}

TEST(VarnelConversion, PostgreSQLLowersWhatNeedsNoQuoting) {
  TConvRig R(dbInterBase, dbPostgreSQL);
  MakeTable(R.Master(), "CUSTOMER", {{"ID", iftInteger, 0, true}});
  MakeTable(R.Master(), "Order Lines", {{"ID", iftInteger}});
  AddKey(R.Master(), ctPKey, "PK_CUSTOMER", "CUSTOMER", {"ID"});
  ASSERT_TRUE(R.V.ConvertDatabases());
  TObjs& M = R.Master();
  TTblData* C = M.GetTable("customer");
  ASSERT_NE(C, nullptr);
  EXPECT_EQ(C->GetSchema(), "public");
  EXPECT_EQ(C->Fields[0]->GetObjName(), "id");
  TTblData* OL = M.GetTable("Order Lines");
  ASSERT_NE(OL, nullptr);
  EXPECT_EQ(OL->GetSchema(), "");
  TCtrData* PK = Ctr(M, "pk_customer");
  ASSERT_NE(PK, nullptr);
  EXPECT_EQ(PK->GetTblName(), "customer");
  EXPECT_EQ(PK->FldList[0], "id");
  EXPECT_EQ(PK->GetSchema(), "public");
}

// ---------------------------------------------------------------------------------------------
// Types and defaults

TEST(VarnelConversion, InterBaseDefaults) {
  EXPECT_EQ(TVarnel::IBDefault("(getdate())", st_FireBird_15), "CURRENT_DATE");
  EXPECT_EQ(TVarnel::IBDefault("(getdate())", st_InterBase_5x), "'TODAY'");
  EXPECT_EQ(TVarnel::IBDefault("((0))", st_Firebird_21), "0");
  EXPECT_EQ(TVarnel::IBDefault("(newid())", st_Firebird_21), "");
  // Parentheses that do not enclose the whole text stay.
  EXPECT_EQ(TVarnel::IBDefault("(1) + (2)", st_Firebird_21), "(1) + (2)");
  EXPECT_EQ(TVarnel::IBDefault("current_timestamp", st_Firebird_21), "current_timestamp");
}

TEST(VarnelConversion, SqlServerColumnsForFirebird) {
  TConvRig R(dbMSSQL, dbInterBase);
  R.Target().IBServerOptions.SQLServerVersion = st_Firebird_21;
  TTblData* T = MakeTable(R.Master(), "T",
                          {{"A", iftNVarChar, 50},
                           {"B", iftNVarChar, -1},
                           {"C", iftBit},
                           {"D", iftMoney},
                           {"E", iftUniqueIdent},
                           {"F", iftDateTime}});
  T->Fields[2]->DefValue = "((1))";
  T->Fields[5]->DefValue = "(getdate())";
  ASSERT_TRUE(R.V.ConvertDatabases());
  const auto& F = T->Fields;
  EXPECT_EQ(F[0]->FieldType, iftVarchar);
  EXPECT_EQ(F[0]->Size, 50);
  EXPECT_EQ(F[0]->Extra().CharSet, "UTF8");
  EXPECT_EQ(F[1]->FieldType, iftBlob);
  EXPECT_EQ(F[1]->SubType, 1);
  EXPECT_EQ(F[2]->FieldType, iftSmallInt);
  EXPECT_EQ(F[2]->DefValue, "1");
  EXPECT_EQ(F[3]->FieldType, iftNumeric);
  EXPECT_EQ(F[3]->Precision, 18);
  EXPECT_EQ(F[3]->Scale, 4);
  EXPECT_EQ(F[4]->FieldType, iftVarchar);
  EXPECT_EQ(F[4]->Size, 38);
  EXPECT_EQ(F[5]->FieldType, iftTimeStamp);
  EXPECT_EQ(F[5]->DefValue, "CURRENT_DATE");
}

TEST(VarnelConversion, MySQLTimestampsAndNumberDefaults) {
  TConvRig R(dbInterBase, dbMySQL);
  TTblData* T = MakeTable(R.Master(), "LOG",
                          {{"A", iftTimeStamp},
                           {"B", iftTimeStamp},
                           {"C", iftDouble},
                           {"D", iftNumeric},
                           {"E", iftTimeStamp},
                           {"F", iftBoolean}});
  T->Fields[0]->DefValue = "CURRENT_TIMESTAMP";
  T->Fields[1]->DefValue = "'NOW'";
  T->Fields[2]->DefValue = "5.0";
  T->Fields[3]->DefValue = "3";
  T->Fields[3]->Precision = 10;
  T->Fields[3]->Scale = 2;
  T->Fields[5]->DefValue = "false";
  ASSERT_TRUE(R.V.ConvertDatabases());
  const auto& F = T->Fields;
  EXPECT_EQ(F[0]->FieldType, iftTimeStamp);
  EXPECT_EQ(F[0]->DefValue, "CURRENT_TIMESTAMP");
  EXPECT_FALSE(F[0]->Nullable);
  EXPECT_EQ(F[1]->FieldType, iftDateTime);
  EXPECT_EQ(F[1]->DefValue, "");
  EXPECT_EQ(F[2]->DefValue, "'5'");
  EXPECT_EQ(F[3]->FieldType, iftDecimal);
  EXPECT_EQ(F[3]->DefValue, "'3.00'");
  EXPECT_EQ(F[4]->FieldType, iftDateTime);  // no current-timestamp default
  EXPECT_EQ(F[5]->DefValue, "'0'");
  EXPECT_EQ(TVarnel::MySQLNumberDefault("2.5", iftDouble, 0), "'2.5'");
  EXPECT_EQ(TVarnel::MySQLNumberDefault("abc", iftDecimal, 2), "'abc'");
  EXPECT_EQ(TVarnel::MySQLNumberDefault("inf", iftDouble, 0), "'inf'");
  EXPECT_EQ(TVarnel::MySQLNumberDefault("-1", iftDecimal, 1), "'-1.0'");
  EXPECT_EQ(TVarnel::MySQLNumberDefault("12345678901234567.5", iftDecimal, 2),
            "'12345678901234567.50'");
  EXPECT_EQ(TVarnel::MySQLNumberDefault("0.126", iftDecimal, 2), "'0.13'");
  EXPECT_EQ(TVarnel::MySQLNumberDefault("7", iftDecimal, 0), "'7'");
  EXPECT_EQ(TVarnel::MySQLName("key"), "key_");
  EXPECT_EQ(TVarnel::MySQLName("a b"), "a_b");
}

TEST(VarnelConversion, MySQLNumbersOnlyAColumnThatLeadsAKey) {
  TConvRig R(dbPostgreSQL, dbMySQL);
  TTblData* T = MakeTable(R.Master(), "t", {{"id", iftSerial, 0, true}, {"seq", iftBigSerial}});
  AddKey(R.Master(), ctPKey, "t_pkey", "t", {"id"});
  ASSERT_TRUE(R.V.ConvertDatabases());
  EXPECT_EQ(T->Fields[0]->FieldType, iftInteger);
  EXPECT_TRUE(T->Fields[0]->AutoIncrement);
  EXPECT_EQ(T->Fields[1]->FieldType, iftBigInt);
  EXPECT_FALSE(T->Fields[1]->AutoIncrement);
}

TEST(VarnelConversion, MySQLColumnOfADomainKeepsItsOwnNotNull) {
  TConvRig R(dbInterBase, dbMySQL);
  auto* D = new TDmnData(&R.Master());
  D->SetObjName("DNAME");
  D->TypeField->FieldType = iftVarchar;
  D->TypeField->Size = 30;
  D->TypeField->DefValue = "'x'";
  ASSERT_TRUE(R.Master().AddObj(D));
  TTblData* T = MakeTable(R.Master(), "T", {{"A", iftDomain, 0, true}});
  T->Fields[0]->SetExtra(&TFldExtra::DomainName, "DNAME");
  ASSERT_TRUE(R.V.ConvertDatabases());
  const TFldData& F = *T->Fields[0];
  EXPECT_EQ(F.FieldType, iftVarchar);
  EXPECT_EQ(F.Size, 30);
  EXPECT_FALSE(F.Nullable);
  EXPECT_EQ(F.DefValue, "'x'");
  EXPECT_EQ(F.Extra().DomainName, "");
}

TEST(VarnelConversion, SqlServerDefaultsBecomeConstraintsUntilRestored) {
  TConvRig R(dbInterBase, dbMSSQL);
  TTblData* T =
      MakeTable(R.Master(), "T", {{"A", iftInteger}, {"B", iftTimeStamp}, {"C", iftBlob}});
  T->Fields[0]->DefValue = "-1";
  T->Fields[1]->DefValue = "CURRENT_TIMESTAMP";
  T->Fields[2]->SubType = 1;
  const std::string Before = Fingerprint(R.Master());
  const int Constraints = R.Master().Constraints.Count();
  ASSERT_TRUE(R.V.ConvertDatabases());
  std::vector<std::string> Bodies;
  for (int I = 0; I < R.Master().Constraints.Count(); ++I)
    if (auto* C = dynamic_cast<TCtrData*>(R.Master().Constraints.Objects(I));
        C && C->GetCtType() == ctDefault)
      Bodies.push_back(C->FldList[0] + "=" + C->Extra().Body);
  std::sort(Bodies.begin(), Bodies.end());
  EXPECT_EQ(Bodies, (std::vector<std::string>{"A=((-1))", "B=(getdate())"}));
  EXPECT_EQ(T->Fields[0]->DefValue, "");
  EXPECT_EQ(T->Fields[1]->FieldType, iftDateTime);
  EXPECT_EQ(T->Fields[2]->FieldType, iftText);
  R.V.RestoreMaster();
  EXPECT_EQ(R.Master().Constraints.Count(), Constraints);
  EXPECT_EQ(Fingerprint(R.Master()), Before);
}

TEST(VarnelConversion, SqlAnywhereUniqueKeyFollowsTheTable) {
  TConvRig R(dbInterBase, dbSybaseASA);
  MakeTable(R.Master(), "T", {{"A", iftInteger}, {"B", iftInteger}, {"C", iftInteger}});
  AddKey(R.Master(), ctUnique, "UQ", "T", {"C", "A"});
  AddKey(R.Master(), ctUnique, "UQ2", "T", {"B", "NOPE"});
  AddKey(R.Master(), ctFKey, "FK", "T", {"A"}, "T", {"B"})->OnDelete = udaCascade;
  const std::string Before = Fingerprint(R.Master());
  ASSERT_TRUE(R.V.ConvertDatabases());
  TCtrData* UQ = Ctr(R.Master(), "UQ");
  ASSERT_NE(UQ, nullptr);
  EXPECT_EQ(UQ->FldList.GetText(), "A\r\nC\r\n");
  EXPECT_FALSE(R.Master().GetTableField("T", "A")->Nullable);
  // A key naming a column the table lacks keeps its columns.
  EXPECT_EQ(Ctr(R.Master(), "UQ2")->FldList.Count(), 2);
  TCtrData* FK = Ctr(R.Master(), "FK");
  ASSERT_NE(FK, nullptr);
  EXPECT_EQ(FK->GetObjName(), "");
  EXPECT_EQ(FK->Extra().RefOwner, "DBA");
  EXPECT_EQ(FK->OnDelete, udaNoAction);
  R.V.RestoreMaster();
  EXPECT_EQ(Fingerprint(R.Master()), Before);
}

// ---------------------------------------------------------------------------------------------
// The caller's master

TEST(VarnelConversion, MasterIsPutBackForAComparisonInItsOwnDialect) {
  for (TDatabaseType To : {dbInterBase, dbMySQL, dbMSSQL, dbSybaseASA, dbPostgreSQL}) {
    SCOPED_TRACE(TVarnel::DialectName(To));
    const TDatabaseType From = To == dbPostgreSQL ? dbInterBase : dbPostgreSQL;
    TConvRig R(From, To);
    BuildNames(R.Master());
    TTblData* T = MakeTable(R.Master(), "stamps", {{"a", iftTimeStamp}, {"b", iftBoolean}});
    T->Fields[0]->DefValue = "current_timestamp";
    T->Fields[1]->DefValue = "true";
    auto* V = new TViwData(&R.Master());
    V->SetObjName("recent");
    V->SetBody("select a from stamps");
    ASSERT_TRUE(R.Master().AddObj(V));
    const std::string Before = Fingerprint(R.Master());
    ASSERT_NE(Before.find("recent"), std::string::npos);
    const TCmpObjSetType Own = R.V.CompareObjects;
    EXPECT_TRUE(R.V.CompareDatabases()) << ::testing::PrintToString(R.Errors);
    EXPECT_FALSE(R.V.MasterConverted());
    EXPECT_EQ(Fingerprint(R.Master()), Before);
    EXPECT_EQ(R.V.CompareObjects, Own);

    // The same master against an empty target of its own dialect writes what a fresh copy
    // writes.
    TCodeRig Fresh(From);
    BuildNames(Fresh.Master());
    TTblData* FT = MakeTable(Fresh.Master(), "stamps", {{"a", iftTimeStamp}, {"b", iftBoolean}});
    FT->Fields[0]->DefValue = "current_timestamp";
    FT->Fields[1]->DefValue = "true";
    auto* FV = new TViwData(&Fresh.Master());
    FV->SetObjName("recent");
    FV->SetBody("select a from stamps");
    ASSERT_TRUE(Fresh.Master().AddObj(FV));
    R.TH.SetDatabaseType(From);
    R.Target().Clear();
    R.V.DatabaseType = dbAbstract;  // as an extraction of the new target would set it
    ASSERT_TRUE(R.V.CompareDatabases()) << ::testing::PrintToString(R.Errors);
    ASSERT_TRUE(Fresh.V.CompareDatabases());
    EXPECT_EQ(R.Script(), Fresh.Script());
  }
}

TEST(VarnelConversion, AMasterRefilledMeanwhileIsNotTouched) {
  TConvRig R(dbPostgreSQL, dbInterBase);
  MakeTable(R.Master(), "old", {{"a", iftSerial}});
  ASSERT_TRUE(R.V.ConvertDatabases());
  // The host reads the master again while it is converted.
  R.Master().Clear();
  R.MH.SetDatabaseType(dbPostgreSQL);
  TTblData* T = MakeTable(R.Master(), "fresh", {{"b", iftBoolean}, {"c", iftText}});
  R.V.RestoreMaster();
  EXPECT_FALSE(R.V.MasterConverted());
  EXPECT_EQ(R.Master().GetTable("fresh"), T);
  EXPECT_EQ(T->Fields[0]->GetObjName(), "b");
  EXPECT_EQ(T->Fields[0]->FieldType, iftBoolean);
}

TEST(VarnelConversion, ExtractionConvertsForPairingOnly) {
  TDBStructure MH(nullptr), TH(nullptr);
  TPGScriptExtract MX(nullptr), TX(nullptr);
  TVarnel V(nullptr);
  std::vector<std::string> Errors;
  const TErrorMessageEvent Keep = [&Errors](TObject*, const std::string& T) {
    Errors.push_back(T);
  };
  MX.SetDBStructure(&MH);
  TX.SetDBStructure(&TH);
  MX.SetOnErrorMessage(Keep);
  TX.SetOnErrorMessage(Keep);
  V.OnErrorMessage = Keep;
  MX.SetScriptFileName(OrdersScript);
  TX.SetScriptFileName(OrdersScript);
  V.SetDBMaster(&MH);
  V.SetDBTarget(&TH);
  V.SetExtractorMaster(&MX);
  V.SetExtractorTarget(&TX);
  // The target is read as PostgreSQL and then taken for a MySQL one by the host.
  V.OnAfterExtractTarget = [&TH](TObject*) { TH.GetMetadata()->SetDatabaseType(dbMySQL); };
  bool Paired = false;
  V.OnAfterExtract = [&](TObject*) {
    Paired = MH.GetMetadata()->GetDatabaseType() == dbMySQL &&
             MH.GetMetadata()->Tables.Objects(0)->GetRefObj() != nullptr;
  };
  ASSERT_TRUE(V.ExtractDatabases()) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(Paired);
  EXPECT_EQ(MH.GetMetadata()->GetDatabaseType(), dbPostgreSQL);
  EXPECT_FALSE(V.MasterConverted());
  EXPECT_EQ(V.CompareObjects, AllCmpObjTypes());
}

// ---------------------------------------------------------------------------------------------
// The example schema

TEST(VarnelConversion, ExampleSchemaReadsAsTheTargetsOwn) {
  for (TDatabaseType To : {dbMySQL, dbInterBase}) {
    SCOPED_TRACE(TVarnel::DialectName(To));
    TConvRig R(dbPostgreSQL, To);
    TPGScriptExtract X(nullptr);
    X.SetDBStructure(&R.MH);
    X.SetScriptFileName(OrdersScript);
    ASSERT_TRUE(X.ExtractDatabase());
    R.MH.SetDatabaseType(dbPostgreSQL);
    ASSERT_TRUE(R.V.ConvertDatabases());
    TObjs& M = R.Master();
    for (int I = 0; I < M.Tables.Count(); ++I)
      for (const auto& F : dynamic_cast<TTblData*>(M.Tables.Objects(I))->Fields) {
        EXPECT_NE(F->FieldType, iftSerial) << F->GetObjName();
        if (To == dbInterBase) {
          EXPECT_NE(F->FieldType, iftBoolean) << F->GetObjName();
        }
        if (F->GetObjName() == "discontinued") {
          EXPECT_EQ(F->DefValue, To == dbInterBase ? "0" : "'0'");
        }
      }
    TStringList Script;
    M.ExtractMetadata(Script);
    EXPECT_EQ(Script.GetText().find("SERIAL"), std::string::npos) << Script.GetText();
    // The views keep PostgreSQL's SQL, which is not carried.
    EXPECT_EQ(Script.GetText().find("VIEW"), std::string::npos) << Script.GetText();
    EXPECT_EQ(Script.GetText().find("now()"), std::string::npos) << Script.GetText();
    R.V.RestoreMaster();
  }
}
