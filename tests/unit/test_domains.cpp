// Domains and user types: their creation text per dialect and the three passes, with the
// InterBase/Firebird alteration per server version.
#include <gtest/gtest.h>

#include <algorithm>

#include "qelComp_Dmn.h"
#include "test_column_alter_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

TDmnData* Domain(TObjs& Objs, const std::string& Name, TDBFieldType Type, std::int32_t Size = 0) {
  auto* D = new TDmnData(&Objs);
  D->SetObjName(Name);
  D->TypeField->FieldType = Type;
  D->TypeField->Size = Size;
  Objs.AddObj(D);
  return D;
}

struct TDmnRig : TAlterRig {
  explicit TDmnRig(TDatabaseType DB = dbInterBase, TIBSQLServerVersionType V = st_FireBird_15)
      : TAlterRig(DB) {
    Target.IBServerOptions.SQLServerVersion = V;
  }
  /// The same domain on both sides; the master's is returned, the target's in TDmn.
  TDmnData* Both(const std::string& Name, TDBFieldType Type, std::int32_t Size = 0) {
    TDmn = Domain(Target, Name, Type, Size);
    return Domain(Master, Name, Type, Size);
  }
  TTexts Passes() {
    Exec.Clear();
    WorkList.Clear();
    PairAndMark(Master, Target);
    GenScriptDmnCreate(Master, Target, Exec);
    GenScriptDmnAlter(Master, Target, Exec, &WorkList);
    GenScriptDmnDrop(Master, Target, Exec);
    return Texts();
  }
  TDmnData* TDmn = nullptr;
};

}  // namespace

TEST(DomainText, CreationPerDialect) {
  TObjs IB, PG, MS, Ora;
  IB.SetDatabaseType(dbInterBase);
  PG.SetDatabaseType(dbPostgreSQL);
  MS.SetDatabaseType(dbMSSQL);
  Ora.SetDatabaseType(dbOracle);

  TDmnData* Money = Domain(IB, "D_MONEY", iftNumeric);
  Money->TypeField->Precision = 12;
  Money->TypeField->Scale = 2;
  Money->TypeField->DefValue = "0";
  Money->TypeField->Nullable = false;
  Money->TypeField->EditExtra().CheckText = " (VALUE >= 0)";
  EXPECT_EQ(Money->Def(),
            "CREATE DOMAIN D_MONEY AS NUMERIC(12,2) DEFAULT 0 NOT NULL CHECK (VALUE >= 0)");

  TDmnData* Qty = Domain(PG, "qty", iftInteger);
  Qty->TypeField->Nullable = false;
  EXPECT_EQ(Qty->Def(), "CREATE DOMAIN qty integer not null");
  EXPECT_EQ(Qty->DropDef(), "DROP DOMAIN qty");

  // sp_addtype with its three N-prefixed literals; an apostrophe in a name is doubled.
  TDmnData* Phone = Domain(MS, "PHONE'S", iftVarchar, 20);
  Phone->BaseTypeName = "varchar(20)";
  EXPECT_EQ(Phone->Def(), "EXEC sp_addtype N'PHONE''S', N'varchar(20)', N'NULL'");
  EXPECT_EQ(Phone->DropDef(), "exec sp_droptype 'PHONE''S'");
  Phone->CreateTypeFrom = true;
  Phone->SetObjName("PHONE");
  Phone->SetSchema("dbo");
  EXPECT_EQ(Phone->Def(), "CREATE TYPE DBO.PHONE FROM VARCHAR(20) NULL");
  MS.MSSQLServerOptions.SQLServerVersion = st_MSSQL2005;
  EXPECT_EQ(Phone->DropDef(), "DROP TYPE DBO.PHONE");

  TDmnData* Arr = Domain(Ora, "NUMS", iftNumber);
  Arr->OracleKind = odVArray;
  Arr->VArrayLimit = 10;
  EXPECT_EQ(Arr->Def(), "CREATE OR REPLACE TYPE NUMS AS VARRAY(10) OF NUMBER");
  EXPECT_EQ(Arr->DropDef(), "DROP TYPE NUMS");

  // An object type: its attributes in one parenthesis, then the directives.
  TDmnData* Point = Domain(Ora, "POINT_T", iftUnknown);
  Point->OracleKind = odObject;
  AddColumn(Point, Point->Attributes, "X", iftNumber);
  AddColumn(Point, Point->Attributes, "Y", iftNumber);
  Point->Directive.NotFinal = true;
  EXPECT_EQ(Point->Def(),
            "CREATE OR REPLACE TYPE POINT_T AS OBJECT\r\n  (X NUMBER,\r\n   Y NUMBER)"
            "\r\n   " +
                Point->Directive.Def());
}

TEST(DomainText, PostgreSQLBaseAndCompositeTypes) {
  TObjs PG;
  PG.SetDatabaseType(dbPostgreSQL);
  TDmnData* Base = Domain(PG, "box3", iftUnknown);
  Base->PGOptions->IsType = true;
  Base->PGOptions->Input = "box3_in";
  Base->PGOptions->Output = "box3_out";
  Base->PGOptions->InternalLength = 24;
  Base->PGOptions->Delimiter = ",";
  EXPECT_EQ(
      Base->Def(),
      "CREATE TYPE box3(\r\nINPUT = box3_in,\r\nOUTPUT = box3_out,\r\nINTERNALLENGTH = 24,\r\n"
      "ALIGNMENT = int4,\r\nSTORAGE = plain,\r\nDELIMITER = ',')");
  EXPECT_EQ(Base->DropDef(), "DROP TYPE box3");

  TDmnData* Pair = Domain(PG, "pair", iftUnknown);
  Pair->PGOptions->IsType = true;
  for (const char* N : {"a", "b"}) AddColumn(Pair, Pair->PGOptions->Attributes, N, iftInteger);
  EXPECT_EQ(Pair->Def(), "CREATE TYPE pair AS (\r\na integer,\r\nb integer)");
}

TEST(DomainPasses, CreateAndDropWithTheirComments) {
  TDmnRig R;
  Domain(R.Master, "D_NEW", iftInteger);
  Domain(R.Target, "D_OLD", iftSmallInt);
  EXPECT_EQ(R.Passes(),
            (TTexts{"/* Create Domains... */", "CREATE DOMAIN D_NEW AS INTEGER",
                    "/* Drop domains... */", "/* Drop: D_OLD (TDmnData) */\nDROP DOMAIN D_OLD"}));
  TDmnRig S(dbMSSQL);
  Domain(S.Master, "T1", iftInteger)->BaseTypeName = "int";
  EXPECT_EQ(S.Passes()[0], "/* Create User datatypes... */");
}

TEST(DomainAlterIB, LengthPerServerVersion) {
  // Firebird 1.5, growing: ALTER DOMAIN ... TYPE, with its warning line.
  TDmnRig R;
  R.Both("D_TEXT", iftVarchar, 20)->TypeField->Size = 40;
  EXPECT_EQ(R.Passes(), (TTexts{"ALTER DOMAIN D_TEXT TYPE VARCHAR(40)"}));
  EXPECT_EQ(R.Work(), (TTexts{"Domain D_TEXT: DataType conversion VARCHAR(20) -> VARCHAR(40)"}));
  EXPECT_EQ(R.WorkStatement(0), "ALTER DOMAIN D_TEXT TYPE VARCHAR(40)");

  // Shrinking: the same statement, which the server refuses rather than cut values ...
  TDmnRig S;
  S.Both("D_TEXT", iftVarchar, 40)->TypeField->Size = 20;
  EXPECT_EQ(S.Passes(), (TTexts{"ALTER DOMAIN D_TEXT TYPE VARCHAR(20)"}));
  // ... unless conversions are allowed: then the system tables take the new length.
  S.Target.IBServerOptions.GetIBCompareOptions().AllowDataTypeConversion = true;
  EXPECT_EQ(S.Passes(), (TTexts{"UPDATE RDB$FIELDS SET RDB$FIELD_LENGTH=20, "
                                "RDB$CHARACTER_LENGTH=20\n  WHERE RDB$FIELD_NAME='D_TEXT'"}));

  // InterBase 5 always takes the length through the system tables.
  TDmnRig O(dbInterBase, st_InterBase_5x);
  O.Both("D_TEXT", iftVarchar, 20)->TypeField->Size = 40;
  EXPECT_EQ(O.Passes(), (TTexts{"UPDATE RDB$FIELDS SET RDB$FIELD_LENGTH=40, "
                                "RDB$CHARACTER_LENGTH=40\n  WHERE RDB$FIELD_NAME='D_TEXT'"}));
}

TEST(DomainAlterIB, CheckDefaultAndNullability) {
  TDmnRig R(dbInterBase, st_Firebird_25);
  TDmnData* M = R.Both("D", iftInteger);
  M->TypeField->EditExtra().CheckText = " (VALUE > 0)";
  R.TDmn->TypeField->DefValue = "1";
  EXPECT_EQ(R.Passes(),
            (TTexts{"/* Alter Domain: D - Check(...) */", "ALTER DOMAIN D ADD CHECK (VALUE > 0)",
                    "ALTER DOMAIN D DROP DEFAULT"}));
  R.TDmn->TypeField->EditExtra().CheckText = " (VALUE > 1)";
  EXPECT_EQ(R.Passes()[1], "ALTER DOMAIN D DROP CONSTRAINT");

  // InterBase 6 takes the CHECK through a temporary domain.
  TDmnRig O(dbInterBase, st_InterBase_6x);
  O.Both("D", iftInteger)->TypeField->EditExtra().CheckText = " (VALUE > 0)";
  const TTexts S = O.Passes();
  ASSERT_EQ(S.size(), 4u) << ::testing::PrintToString(S);
  EXPECT_EQ(S[1], "CREATE DOMAIN IBC$TEMP AS INTEGER CHECK (VALUE > 0)");
  EXPECT_EQ(S[2].substr(0, 45), "Update RDB$Fields set Rdb$Validation_Source =");
  EXPECT_EQ(S[3], "DROP DOMAIN IBC$TEMP");
  // The master keeps its own name.
  EXPECT_EQ(O.Master.Domains.Objects(0)->GetObjName(), "D");

  // Nullability: the system tables, except on Firebird 3, which has DDL for it.
  TDmnRig N;
  N.Both("D", iftInteger)->TypeField->Nullable = false;
  EXPECT_EQ(N.Passes(),
            (TTexts{"Update Rdb$Fields set Rdb$Null_Flag = 1\nwhere Rdb$Field_Name='D'"}));
  N.Target.IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion = 12;
  EXPECT_EQ(N.Passes(), (TTexts{"ALTER DOMAIN D SET NOT NULL"}));
}

TEST(DomainAlterIB, OtherDialectsLeaveAChangedDomainAlone) {
  TDmnRig R(dbMSSQL);
  TDmnData* M = R.Both("T1", iftInteger);
  M->BaseTypeName = "bigint";
  R.TDmn->BaseTypeName = "int";
  // No statement: the change is only named.
  EXPECT_EQ(R.Passes(), TTexts{"/* T1: Definition not altered */"});
}

TEST(DomainAlterPG, DefaultNotNullAndAttributesInPlaceTheRestNamed) {
  TDmnRig R(dbPostgreSQL);
  TDmnData* M = R.Both("money_t", iftNumeric);
  M->TypeField->DefValue = "0";
  M->TypeField->Nullable = false;
  R.TDmn->TypeField->DefValue = "1";
  TDmnData* C = R.Both("checked", iftInteger);
  C->TypeField->EditExtra().CheckText = "(VALUE > 0)";

  TDmnData* P = R.Both("pair", iftUnknown);
  P->PGOptions->IsType = true;
  R.TDmn->PGOptions->IsType = true;
  AddColumn(P, P->PGOptions->Attributes, "a", iftBigInt);
  AddColumn(P, P->PGOptions->Attributes, "c", iftInteger);
  AddColumn(R.TDmn, R.TDmn->PGOptions->Attributes, "a", iftInteger);
  AddColumn(R.TDmn, R.TDmn->PGOptions->Attributes, "b", iftInteger);
  const TTexts Free = R.Passes();
  EXPECT_NE(std::find(Free.begin(), Free.end(), "ALTER DOMAIN money_t SET DEFAULT 0"), Free.end())
      << ::testing::PrintToString(Free);
  EXPECT_NE(std::find(Free.begin(), Free.end(), "ALTER DOMAIN money_t SET NOT NULL"), Free.end());
  EXPECT_NE(std::find(Free.begin(), Free.end(),
                      "ALTER TYPE pair DROP ATTRIBUTE b,\nALTER ATTRIBUTE a TYPE bigint,\n"
                      "ADD ATTRIBUTE c integer"),
            Free.end())
      << ::testing::PrintToString(Free);
  // A new check is added on the domain itself; dropping the domain would take the columns of
  // it, and their rows, with it.
  EXPECT_NE(std::find(Free.begin(), Free.end(), "ALTER DOMAIN checked ADD CHECK (VALUE > 0)"),
            Free.end())
      << ::testing::PrintToString(Free);

  // While a column stores the type, the server refuses to change an attribute's type: that
  // change is named, the rest is written.
  TFldData* Addr = R.Col(R.Target, "home", "addr", iftDomain);
  Addr->SetExtra(&TFldExtra::DomainName, "pair");
  const TTexts Stored = R.Passes();
  EXPECT_NE(std::find(Stored.begin(), Stored.end(),
                      "ALTER TYPE pair DROP ATTRIBUTE b,\nADD ATTRIBUTE c integer"),
            Stored.end())
      << ::testing::PrintToString(Stored);
  EXPECT_NE(std::find(Stored.begin(), Stored.end(), "/* pair: Type of attribute a not altered */"),
            Stored.end());
}

TEST(DomainAlterPG, ChecksDroppedByTheTargetsNameAndAddedUnderTheMasters) {
  using TChecks = std::vector<std::pair<std::string, std::string>>;  // name ("": none), text
  struct TCase {
    const char* What;
    TChecks Target;
    TChecks Master;
    TTexts Want;
  };
  const TCase Cases[] = {
      {"changed",
       {{"", "(VALUE > 0)"}},
       {{"", "(VALUE >= 0)"}},
       {"ALTER DOMAIN d DROP CONSTRAINT d_check", "ALTER DOMAIN d ADD CHECK (VALUE >= 0)"}},
      {"catalog spelling",
       {{"d_check", "((VALUE)::text <> ''::text)"}},
       {{"", "(VALUE <> '')"}},
       {}},
      {"added", {}, {{"", "(VALUE > 0)"}}, {"ALTER DOMAIN d ADD CHECK (VALUE > 0)"}},
      {"removed", {{"", "(VALUE > 0)"}}, {}, {"ALTER DOMAIN d DROP CONSTRAINT d_check"}},
      {"named",
       {{"d_min", "(VALUE > 0)"}},
       {{"d_min", "(VALUE >= 0)"}},
       {"ALTER DOMAIN d DROP CONSTRAINT d_min",
        "ALTER DOMAIN d ADD CONSTRAINT d_min CHECK (VALUE >= 0)"}},
      {"second of two",
       {{"", "(VALUE > 0)"}, {"", "(VALUE < 9)"}},
       {{"", "(VALUE > 0)"}, {"", "(VALUE < 5)"}},
       {"ALTER DOMAIN d DROP CONSTRAINT d_check1", "ALTER DOMAIN d ADD CHECK (VALUE < 5)"}},
      // The server would name the master's check d_check: the target's is dropped by its own.
      {"renamed",
       {{"d_min", "(VALUE > 0)"}},
       {{"", "(VALUE > 0)"}},
       {"ALTER DOMAIN d DROP CONSTRAINT d_min", "ALTER DOMAIN d ADD CHECK (VALUE > 0)"}},
  };
  for (const TCase& C : Cases) {
    TDmnRig R(dbPostgreSQL);
    TDmnData* M = R.Both("d", iftInteger);
    for (const auto& [Name, Text] : C.Target) R.TDmn->AddPGCheck(Name, Text);
    for (const auto& [Name, Text] : C.Master) M->AddPGCheck(Name, Text);
    EXPECT_EQ(R.Passes(), C.Want) << C.What;
  }
}

TEST(DomainAlterPG, CatalogTextOfACheckMeetsTheScripts) {
  struct TCase {
    const char* Catalog;
    const char* Script;
    bool Same;
  };
  const TCase Cases[] = {
      {"(VALUE >= (0)::numeric)", "(value >= 0)", true},
      {"((VALUE > '-1'::integer) AND (VALUE <> 7))", "(VALUE > -1 AND VALUE != 7)", true},
      {"((VALUE)::text = ANY ((ARRAY['a'::character varying, 'b'::character varying])::text[]))",
       "(VALUE IN ('a', 'b'))", true},
      {"((VALUE)::text <> ALL ((ARRAY['a'::character varying])::text[]))", "(VALUE NOT IN ('a'))",
       true},
      {"((VALUE ~~ 'a%'::text) OR (VALUE !~~* 'B%'::text))",
       "(VALUE LIKE 'a%' OR VALUE NOT ILIKE 'B%')", true},
      {"(length((VALUE)::text) < 9)", "(length(VALUE) < 9)", true},
      {"(VALUE > '2000-01-01 00:00:00'::timestamp without time zone)",
       "(VALUE > '2000-01-01 00:00:00')", true},
      {"(VALUE > 0)", "(VALUE >= 0)", false},
      {"((VALUE)::text <> 'A'::text)", "(VALUE <> 'a')", false},
      {"(VALUE = ANY (ARRAY[1, 2]))", "(VALUE IN (1, 3))", false},
      {"(VALUE > 10)", "(VALUE > 1)", false},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(PGDomainCheckKey(C.Catalog) == PGDomainCheckKey(C.Script), C.Same)
        << C.Catalog << " | " << C.Script << " | " << PGDomainCheckKey(C.Catalog) << " | "
        << PGDomainCheckKey(C.Script);
}

TEST(DomainAlterPG, ServerNamesOfUnnamedChecks) {
  const std::string Long(63, 'x');
  struct TCase {
    std::string Domain;
    std::vector<std::string> Taken;
    std::string Want;
  };
  const TCase Cases[] = {
      {"posint", {}, "posint_check"},
      {"posint", {"posint_check"}, "posint_check1"},
      {"posint", {"posint_check", "other", "posint_check1"}, "posint_check2"},
      // The server cuts the domain's name so the whole fits in 63 bytes.
      {Long, {}, std::string(57, 'x') + "_check"},
      {Long, {std::string(57, 'x') + "_check"}, std::string(56, 'x') + "_check1"},
  };
  for (const TCase& C : Cases) {
    std::vector<TPGDomainCheck> Taken;
    for (const std::string& N : C.Taken) Taken.push_back({N, "(VALUE > 0)", true});
    EXPECT_EQ(PGDomainCheckName(C.Domain, Taken), C.Want);
  }
}
