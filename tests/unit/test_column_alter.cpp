// Column alteration of the dialects other than InterBase/Firebird, MySQL column moves, the
// SQL Server table rebuild and the type rules every dialect shares.
#include <gtest/gtest.h>

#include "qelComp_Idx.h"
#include "qelComp_Viw.h"
#include "test_column_alter_util.h"

using namespace qel;
using namespace qel::testing;

// ---------------------------------------------------------------------------------------------
// PostgreSQL and MySQL

TEST(ColumnAlterPG, TypeDefaultAndNullabilityInThatOrder) {
  TAlterRig R(dbPostgreSQL);
  TFldData* M = R.Both("orders", "note", iftVarchar, 20);
  M->Size = 60;
  M->DefValue = "'none'";
  M->Nullable = false;
  EXPECT_EQ(R.Alter(), (TTexts{"ALTER TABLE orders ALTER COLUMN note TYPE varchar(60)",
                               "ALTER TABLE orders ALTER COLUMN note SET DEFAULT 'none'",
                               "ALTER TABLE orders ALTER COLUMN note SET NOT NULL"}));
  // Widening is no warning.
  EXPECT_TRUE(R.Work().empty());

  // The other way: a default removed, NULL allowed again, the length shrunk.
  M->Size = 10;
  M->DefValue = "";
  M->Nullable = true;
  R.TCol->DefValue = "'x'";
  R.TCol->Nullable = false;
  EXPECT_EQ(R.Alter(), (TTexts{"ALTER TABLE orders ALTER COLUMN note TYPE varchar(10)",
                               "ALTER TABLE orders ALTER COLUMN note DROP DEFAULT",
                               "ALTER TABLE orders ALTER COLUMN note DROP NOT NULL"}));
  // A shrinking length is never written without a warning that carries it.
  ASSERT_EQ(R.Work(), (TTexts{"DataType conversion can lose data: varchar(20) -> varchar(10) "
                              "/orders(note)/"}));
  EXPECT_EQ(R.WorkStatement(0), "ALTER TABLE orders ALTER COLUMN note TYPE varchar(10)");
}

TEST(ColumnAlterPG, NamesAreQuotedAndSchemasKept) {
  TAlterRig R(dbPostgreSQL);
  TFldData* M = R.Both("Order Lines", "select", iftInteger);
  M->FieldType = iftBigInt;
  R.Master.GetTable("Order Lines")->SetSchema("sales");
  EXPECT_EQ(R.Alter(),
            (TTexts{"ALTER TABLE sales.\"Order Lines\" ALTER COLUMN \"select\" TYPE bigint"}));
}

// The catalog gives a default back with the cast the column type gave its literal; the same
// default read from a script must not be altered, a different one must.
TEST(ColumnAlterPG, DefaultsCompareWithoutTheCastsTheServerAdds) {
  struct TCase {
    TDBFieldType Type;
    bool Array;
    const char* Script;
    const char* Catalog;
    bool Same;
  };
  const TCase Cases[] = {
      {iftChar, false, "'y'", "'y'::bpchar", true},
      {iftVarchar, false, "'x'", "'x'::character varying", true},
      {iftVarchar, false, "'x'::varchar", "'x'::character varying", true},
      {iftText, false, "'it''s'", "'it''s'::text", true},
      {iftDate, false, "'2020-01-01'", "'2020-01-01'::date", true},
      {iftBigInt, false, "-1", "'-1'::integer", true},
      {iftInteger, false, "(-1)", "'-1'::integer", true},
      {iftBigInt, false, "3000000000", "'3000000000'::bigint", true},
      {iftNumeric, false, "1.50", "1.50", true},
      {iftNumeric, false, "-1.5", "'-1.5'::numeric", true},
      {iftNumeric, false, "'5'", "'5'::numeric", true},
      {iftNumeric, false, "-2", "'-2'::numeric", true},
      {iftVarchar, true, "'{}'", "'{}'::character varying[]", true},
      // A cast to another type, or one with a modifier, is part of the value.
      {iftVarchar, false, "'abc'", "'abc'::text", false},
      {iftVarchar, false, "'abc'", "'abc'::character varying(2)", false},
      {iftText, false, "'-1'", "'-1'::integer", false},
      {iftChar, false, "'y'", "'n'::bpchar", false},
  };
  for (const TCase& K : Cases) {
    TFldData F(nullptr);
    F.FieldType = K.Type;
    if (K.Array) F.EditExtra().ArrayBounds.push_back({1, 0});
    EXPECT_EQ(PGDefaultKey(K.Script, F) == PGDefaultKey(K.Catalog, F), K.Same)
        << K.Script << " / " << K.Catalog;
  }
  // Compared so, and written as read.
  TAlterRig R(dbPostgreSQL);
  TFldData* M = R.Both("t", "a", iftChar, 1);
  M->DefValue = "'y'";
  R.TCol->DefValue = "'y'::bpchar";
  EXPECT_TRUE(R.Alter().empty());
  M->DefValue = "'n'";
  EXPECT_EQ(R.Alter(), (TTexts{"ALTER TABLE t ALTER COLUMN a SET DEFAULT 'n'"}));
}

// serial, bigserial and smallserial are no types ALTER COLUMN takes: the column gets the
// integer type and the sequence it owns the same, or the sequence is made or dropped.
TEST(ColumnAlterPG, SerialKindsChangeTheIntegerTypeAndTheSequence) {
  struct TCase {
    TDBFieldType From, To;
    bool FromSmallSerial, ToSmallSerial;
    TTexts Statements;
  };
  const std::string Col = "ALTER TABLE t ALTER COLUMN id ";
  const TCase Cases[] = {
      {iftSerial,
       iftBigSerial,
       false,
       false,
       {Col + "TYPE bigint", "ALTER SEQUENCE t_id_seq AS bigint"}},
      {iftBigSerial,
       iftSerial,
       false,
       false,
       {Col + "TYPE integer", "ALTER SEQUENCE t_id_seq AS integer"}},
      {iftSmallInt,
       iftSerial,
       true,
       false,
       {Col + "TYPE integer", "ALTER SEQUENCE t_id_seq AS integer"}},
      {iftSerial,
       iftSmallInt,
       false,
       true,
       {Col + "TYPE smallint", "ALTER SEQUENCE t_id_seq AS smallint"}},
      {iftInteger,
       iftSerial,
       false,
       false,
       {"CREATE SEQUENCE t_id_seq AS integer OWNED BY t.id",
        Col + "SET DEFAULT nextval('t_id_seq'::regclass)", Col + "SET NOT NULL"}},
      {iftSerial,
       iftInteger,
       false,
       false,
       {Col + "DROP NOT NULL", Col + "DROP DEFAULT", "DROP SEQUENCE t_id_seq"}},
  };
  for (const TCase& K : Cases) {
    TAlterRig R(dbPostgreSQL);
    TFldData* M = R.Both("t", "id", K.From);
    R.TCol->AutoIncrement = K.FromSmallSerial;
    R.TCol->Nullable = !PGIsSerial(*R.TCol);
    M->FieldType = K.To;
    M->AutoIncrement = K.ToSmallSerial;
    M->Nullable = !PGIsSerial(*M);
    EXPECT_EQ(R.Alter(), K.Statements) << K.From << " -> " << K.To;
  }
}

TEST(ColumnAlterPG, BitStringDefaultsCompareAsTheServerKeepsThem) {
  TFldData F(nullptr);
  F.FieldType = iftBit;
  EXPECT_EQ(PGDefaultKey("B'1010'", F), PGDefaultKey("'1010'::\"bit\"", F));
  EXPECT_EQ(PGDefaultKey("b'01'", F), PGDefaultKey("'01'::\"bit\"", F));
  EXPECT_NE(PGDefaultKey("B'1010'", F), PGDefaultKey("'1011'::\"bit\"", F));
}

TEST(ColumnAlterPG, ChangedTypeDropsTheViewsOnTheTableFirst) {
  TAlterRig R(dbPostgreSQL);
  TFldData* M = R.Both("t", "a", iftInteger);
  M->FieldType = iftBigInt;
  TViwData* V = AddView(R.Target, "v", "select a from t");
  R.Target.LinkDepend(V, R.Target.GetTable("t"));
  R.Alter();
  EXPECT_EQ(R.Exec.Steps(), (TTexts{"drop v", "alter a"}));
}

TEST(ColumnAlterMySQL, ModifyWithTheDialectTypeTextAndAWorkLine) {
  TAlterRig R(dbMySQL);
  TFldData* M = R.Both("T", "price", iftDecimal);
  M->Precision = 12;
  M->Scale = 2;
  R.TCol->Precision = 10;
  R.TCol->Scale = 2;
  M->Nullable = false;
  M->DefValue = "0";
  EXPECT_EQ(R.Alter(),
            (TTexts{"ALTER TABLE T MODIFY COLUMN `price` DECIMAL(12,2) NOT NULL DEFAULT 0"}));
  EXPECT_EQ(R.Work(), (TTexts{"Modify column: T(price)/"}));
  EXPECT_EQ(R.WorkStatement(0), R.Texts()[0]);

  // Fewer digits: the MODIFY is written with both lines.
  M->Precision = 6;
  R.Alter();
  EXPECT_EQ(R.Work(), (TTexts{"Modify column: T(price)/",
                              "DataType conversion can lose data: DECIMAL(10,2) -> DECIMAL(6,2) "
                              "/T(price)/"}));
}

TEST(ColumnAlterMySQL, ColumnMovesLeaveTheMasterOrder) {
  // Columns already in the master's order stay; added columns stand last, dropped ones are
  // gone before the moves are counted.
  const struct {
    TTexts Master, Target;
    TTexts Script;
  } Cases[] = {
      {{"a", "b", "c"}, {"b", "a", "c"}, {"ALTER TABLE T MODIFY COLUMN `b` INTEGER AFTER `a`"}},
      {{"a", "b", "c"}, {"b", "c", "a"}, {"ALTER TABLE T MODIFY COLUMN `a` INTEGER FIRST"}},
      {{"a", "b", "x"}, {"a", "b"}, {"ALTER TABLE T ADD `x` INTEGER"}},
      {{"id", "c", "x", "a", "b"},
       {"id", "a", "b", "c"},
       {"ALTER TABLE T ADD `x` INTEGER", "ALTER TABLE T MODIFY COLUMN `a` INTEGER AFTER `x`",
        "ALTER TABLE T MODIFY COLUMN `b` INTEGER AFTER `a`"}},
      {{"x", "a"},
       {"a"},
       {"ALTER TABLE T ADD `x` INTEGER", "ALTER TABLE T MODIFY COLUMN `a` INTEGER AFTER `x`"}},
      {{"id", "d", "b"},
       {"id", "b", "c", "d"},
       {"/* Drop table-fields... */", "ALTER TABLE T DROP `c`", "",
        "ALTER TABLE T MODIFY COLUMN `b` INTEGER AFTER `d`"}},
      // A reserved word is quoted in the AFTER clause too.
      {{"ORDER", "X"}, {"X", "ORDER"}, {"ALTER TABLE T MODIFY COLUMN X INTEGER AFTER `ORDER`"}},
  };
  for (const auto& C : Cases) {
    TAlterRig R(dbMySQL);
    for (const std::string& N : C.Master) R.Col(R.Master, "T", N, iftInteger);
    for (const std::string& N : C.Target) R.Col(R.Target, "T", N, iftInteger);
    EXPECT_EQ(R.Move(), C.Script) << C.Master.front() << "/" << C.Target.front();
  }
}

// ---------------------------------------------------------------------------------------------
// The other dialects

TEST(ColumnAlterMSSQL, AlterColumnOrRefusal) {
  TAlterRig R(dbMSSQL);
  TFldData* M = R.Both("T", "A", iftInteger);
  M->FieldType = iftVarchar;
  M->Size = 10;
  M->Nullable = false;
  EXPECT_EQ(R.Alter(), (TTexts{"ALTER TABLE T ALTER COLUMN A VARCHAR(10) NOT NULL"}));

  TAlterRig D(dbMSSQL);
  TFldData* MD = D.Both("T", "A", iftDateTime);
  MD->FieldType = iftInteger;
  EXPECT_EQ(D.Alter(), (TTexts{"/* Datatype conversion is not allowed: DATETIME -> INTEGER\n"
                               "ALTER TABLE T ALTER COLUMN A INTEGER NULL */"}));

  // A computed column that becomes PERSISTED is made anew.
  TAlterRig P(dbMSSQL);
  TFldData* MP = P.Both("T", "B", iftInteger);
  MP->EditExtra().Body = P.TCol->EditExtra().Body = "(A + 1)";
  MP->Persisted = true;
  const TTexts Texts = P.Alter();
  ASSERT_FALSE(Texts.empty());
  EXPECT_EQ(Texts.back(), "ALTER TABLE T ADD B AS (A + 1) PERSISTED");
}

TEST(ColumnAlterMSSQL, DefaultsAndRowGuidCol) {
  TAlterRig R(dbMSSQL);
  TFldData* M = R.Both("T", "A", iftUniqueIdent);
  M->DefValue = "newid()";
  M->RowGuidCol = true;
  EXPECT_EQ(R.Alter(), (TTexts{"ALTER TABLE T ADD DEFAULT newid() FOR A",
                               "ALTER TABLE T ALTER COLUMN A ADD ROWGUIDCOL"}));
}

TEST(ColumnAlterOthers, SQLAnywhereDefaultsOracleAndASE) {
  TAlterRig A(dbSybaseASA);
  TFldData* MA = A.Both("T", "A", iftInteger);
  TFldData* MB = A.Both("T", "B", iftInteger);
  TFldData* TB = A.TCol;
  TFldData* MC = A.Both("T", "C", iftInteger);
  TFldData* TC = A.TCol;
  MA->DefValue = "1";
  MB->DefValue = "2";
  TB->DefValue = "3";
  (void)MC;
  TC->DefValue = "4";
  EXPECT_EQ(A.Alter(), (TTexts{"ALTER TABLE DBA.T ALTER A SET DEFAULT 1",
                               "ALTER TABLE DBA.T MODIFY B DEFAULT 2",
                               "ALTER TABLE DBA.T ALTER C DROP DEFAULT"}));
  // A column's own check is replaced, or taken away with CHECK NULL.
  TAlterRig K(dbSybaseASA);
  K.Both("T", "A", iftInteger)->EditExtra().CheckText = "(A > 0)";
  K.TCol->EditExtra().CheckText = "(A IN (0, 1))";
  K.Both("T", "B", iftInteger);
  K.TCol->EditExtra().CheckText = "(B > 0)";
  EXPECT_EQ(K.Alter(), (TTexts{"ALTER TABLE DBA.T MODIFY A CHECK (A > 0)",
                               "ALTER TABLE DBA.T MODIFY B CHECK NULL"}));

  TAlterRig O(dbOracle);
  TFldData* MO = O.Both("T", "A", iftNumber);
  MO->Precision = 12;
  O.TCol->DefValue = "0";
  EXPECT_EQ(O.Alter(),
            (TTexts{"ALTER TABLE T MODIFY(A NUMBER(12))", "ALTER TABLE T MODIFY(A DEFAULT NULL)"}));

  TAlterRig S(dbSybaseASE);
  S.Both("T", "A", iftInteger);
  S.TCol->DefValue = "7";
  EXPECT_EQ(S.Alter(), (TTexts{"ALTER TABLE T REPLACE A DEFAULT NULL"}));

  TAlterRig D(dbDB2);
  TFldData* MD = D.Both("T", "A", iftInteger);
  MD->FieldType = iftBigInt;
  EXPECT_EQ(D.Alter(), TTexts{});
}

TEST(ColumnAlter, ADescriptionAloneWritesOnlyTheDescription) {
  for (TDatabaseType DB : {dbPostgreSQL, dbMySQL, dbInterBase}) {
    TAlterRig R(DB);
    R.Both("T", "A", iftInteger)->SetExtra(&TObjExtra::Description, "new text");
    R.Alter();
    EXPECT_EQ(R.Exec.Steps(), (TTexts{"description A"})) << int(DB);
  }
}

// ---------------------------------------------------------------------------------------------
// Type rules

TEST(ColumnAlterRules, SQLServerConversions) {
  TObjs O;
  O.SetDatabaseType(dbMSSQL);
  auto Allowed = [&O](TDBFieldType From, TDBFieldType To) {
    TFldData M(&O), T(&O);
    M.FieldType = To;
    T.FieldType = From;
    return MSSQLAllowDataTypeAlter(M, T);
  };
  EXPECT_TRUE(Allowed(iftInteger, iftVarchar));
  EXPECT_TRUE(Allowed(iftSqlVariant, iftSqlVariant));
  EXPECT_FALSE(Allowed(iftDateTime, iftInteger));
  EXPECT_FALSE(Allowed(iftSqlVariant, iftInteger));
  EXPECT_FALSE(Allowed(iftNChar, iftImage));
  EXPECT_TRUE(Allowed(iftVarchar, iftImage));
  EXPECT_TRUE(Allowed(iftImage, iftVarBinary));
  EXPECT_FALSE(Allowed(iftText, iftInteger));
}

TEST(ColumnAlterRules, NarrowingChanges) {
  TObjs O;
  O.SetDatabaseType(dbPostgreSQL);
  struct TCase {
    TDBFieldType From;
    std::int32_t FromSize;
    TDBFieldType To;
    std::int32_t ToSize;
    bool Narrows;
  };
  const TCase Cases[] = {
      {iftVarchar, 20, iftVarchar, 10, true},    {iftVarchar, 10, iftVarchar, 20, false},
      {iftVarchar, -1, iftVarchar, 4000, true},  {iftVarchar, 20, iftVarchar, -1, false},
      {iftBigInt, 0, iftInteger, 0, true},       {iftSmallInt, 0, iftBigInt, 0, false},
      {iftInteger, 0, iftFloat, 0, true},        {iftFloat, 0, iftDoublePrecision, 0, false},
      {iftDoublePrecision, 0, iftReal, 0, true}, {iftText, 0, iftVarchar, 100, true},
      {iftVarchar, 5, iftInteger, 0, true},      {iftInteger, 0, iftVarchar, 20, false},
      {iftTimeStamp, 0, iftDate, 0, true},       {iftDate, 0, iftTimeStamp, 0, false},
  };
  for (const TCase& C : Cases) {
    TFldData M(&O), T(&O);
    T.FieldType = C.From;
    T.Size = C.FromSize;
    M.FieldType = C.To;
    M.Size = C.ToSize;
    EXPECT_EQ(NarrowingTypeChange(M, T), C.Narrows)
        << FieldTypeName(C.From) << C.FromSize << " -> " << FieldTypeName(C.To) << C.ToSize;
  }
}

// ALTER COLUMN ... TYPE converts the values only along a cast the server applies by itself;
// every other change it refuses even on an empty table, unless USING names the conversion.
TEST(ColumnAlterRules, PostgreSQLUsingWhereNoAssignmentCast) {
  TObjs O;
  O.SetDatabaseType(dbPostgreSQL);
  struct TCase {
    TDBFieldType From;
    TDBFieldType To;
    const char* Using;
  };
  const TCase Cases[] = {
      {iftVarchar, iftInteger, " USING foo::X"},
      {iftText, iftByteA, " USING foo::X"},
      {iftBigInt, iftTimeStamp, " USING foo::text::X"},
      {iftInteger, iftBoolean, " USING foo::X"},
      {iftBoolean, iftInteger, " USING foo::X"},
      {iftTimeStamp, iftInteger, " USING foo::text::X"},
      {iftNumeric, iftInteger, ""},
      {iftSerial, iftBigInt, ""},
      {iftDoublePrecision, iftNumeric, ""},
      {iftDate, iftTimeStampTZ, ""},
      {iftTimeStampTZ, iftTimeTZ, ""},
      {iftTimeStamp, iftTimeTZ, " USING foo::text::X"},
      {iftInteger, iftText, ""},
      {iftVarchar, iftChar, ""},
      {iftMoney, iftInteger, " USING foo::text::X"},
      {iftBit, iftVarBit, ""},
  };
  for (const TCase& C : Cases) {
    TFldData M(&O), T(&O);
    T.FieldType = C.From;
    M.FieldType = C.To;
    EXPECT_EQ(PGUsingClause(M, T, "foo", "X"), C.Using)
        << FieldTypeName(C.From) << " -> " << FieldTypeName(C.To);
  }
}

// ---------------------------------------------------------------------------------------------
// SQL Server table rebuild

namespace {

struct TRebuildRig : TAlterRig {
  TRebuildRig() : TAlterRig(dbMSSQL) {
    Target.MSSQLServerOptions.GetMSSQLCompareOptions().UpdateColumnPosition = true;
  }
  TTexts Rebuild() {
    Exec.Clear();
    PairAndMark(Master, Target);
    CompareTables(Master, Target);
    GenScriptTablAlter(Master, Target, Exec);
    GenScriptTblFldPosition(Master, Target, Exec);
    return Texts();
  }
};

}  // namespace

TEST(TableRebuildMSSQL, CopyDropRecreateCopyBackWithGuards) {
  TRebuildRig R;
  for (const char* N : {"ID", "NAME"}) R.Col(R.Master, "T", N, iftInteger);
  R.Col(R.Master, "T", "RV", iftTimeStamp);  // rowversion: regenerated, never copied
  for (const char* N : {"NAME", "ID", "RV"})
    R.Col(R.Target, "T", N, iftInteger)->FieldType =
        std::string(N) == "RV" ? iftTimeStamp : iftInteger;
  EXPECT_EQ(
      R.Rebuild(),
      (TTexts{"CREATE TABLE QEL$T(ID INTEGER NULL,\nNAME INTEGER NULL,\nRV TIMESTAMP NULL)",
              "insert into QEL$T(ID, NAME)\nselect ID, NAME from T",
              "IF (SELECT COUNT(*) FROM QEL$T) = (SELECT COUNT(*) FROM T)\n  DROP TABLE T",
              "CREATE TABLE T(ID INTEGER NULL,\nNAME INTEGER NULL,\nRV TIMESTAMP NULL)", "",
              "insert into T(ID, NAME)\nselect ID, NAME from QEL$T",
              "IF (SELECT COUNT(*) FROM T) = (SELECT COUNT(*) FROM QEL$T)\n  DROP TABLE QEL$T"}));
  // The flag is cleared on both sides: a second position pass writes nothing.
  R.Exec.Clear();
  GenScriptTblFldPosition(R.Master, R.Target, R.Exec);
  EXPECT_EQ(R.Texts(), TTexts{});
}

TEST(TableRebuildMSSQL, IdentityInsertAroundBothCopiesAndBracketsEscaped) {
  TRebuildRig R;
  TFldData* Id = R.Col(R.Master, "Odd]Name", "ID", iftInteger);
  Id->Identity = true;
  R.Col(R.Master, "Odd]Name", "V", iftInteger);
  R.Col(R.Target, "Odd]Name", "V", iftInteger);
  R.Col(R.Target, "Odd]Name", "ID", iftInteger)->Identity = true;
  const TTexts S = R.Rebuild();
  // SQL Server names are kept upper-cased unless identifiers are case-sensitive.
  ASSERT_EQ(S.size(), 11u) << ::testing::PrintToString(S);
  EXPECT_EQ(S[1], "SET IDENTITY_INSERT [QEL$ODD]]NAME] ON");
  EXPECT_EQ(S[2], "insert into [QEL$ODD]]NAME](ID, V)\nselect ID, V from [ODD]]NAME]");
  EXPECT_EQ(S[3], "SET IDENTITY_INSERT [QEL$ODD]]NAME] OFF");
  EXPECT_EQ(S[7], "SET IDENTITY_INSERT [ODD]]NAME] ON");
  EXPECT_EQ(S[8], "insert into [ODD]]NAME](ID, V)\nselect ID, V from [QEL$ODD]]NAME]");
  EXPECT_EQ(S[9], "SET IDENTITY_INSERT [ODD]]NAME] OFF");
}

TEST(TableRebuildMSSQL, OffByDefaultAndDependantsComeBack) {
  TRebuildRig R;
  R.Target.MSSQLServerOptions.GetMSSQLCompareOptions().UpdateColumnPosition = false;
  for (const char* N : {"A", "B"}) R.Col(R.Master, "T", N, iftInteger);
  for (const char* N : {"B", "A"}) R.Col(R.Target, "T", N, iftInteger);
  EXPECT_EQ(R.Rebuild(), TTexts{});

  R.Target.MSSQLServerOptions.GetMSSQLCompareOptions().UpdateColumnPosition = true;
  for (TObjs* O : {&R.Master, &R.Target}) {
    auto* Idx = new TIdxData(O);
    Idx->SetObjName("IX_T");
    Idx->TableName = "T";
    O->AddObj(Idx);
  }
  R.Rebuild();
  const TTexts Steps = R.Exec.Steps();
  // The index goes before the old table and comes back after the new one.
  EXPECT_LT(IndexOfStep(Steps, "drop IX_T"), IndexOfStep(Steps, "drop T"));
  EXPECT_GT(IndexOfStep(Steps, "create IX_T"), IndexOfStep(Steps, "create T"));
}

TEST(TableRebuildMSSQL, ViewsOnTheTableComeBackAfterIt) {
  TRebuildRig R;
  for (const char* N : {"A", "B"}) R.Col(R.Master, "T", N, iftInteger);
  for (const char* N : {"B", "A"}) R.Col(R.Target, "T", N, iftInteger);
  for (TObjs* O : {&R.Master, &R.Target}) {
    TViwData* V = AddView(*O, "V", "CREATE VIEW V AS SELECT A FROM T");
    O->LinkDepend(V, O->GetTable("T"));
  }
  R.Rebuild();
  const TTexts Steps = R.Exec.Steps();
  EXPECT_LT(IndexOfStep(Steps, "drop V"), IndexOfStep(Steps, "drop T"))
      << ::testing::PrintToString(Steps);
  EXPECT_GT(IndexOfStep(Steps, "create V"), IndexOfStep(Steps, "create T"))
      << ::testing::PrintToString(Steps);
}

TEST(ColumnAlterMySQL, ModifyKeepsTheColumnComment) {
  // MODIFY COLUMN replaces the whole definition: a comment not written with it is lost.
  TAlterRig R(dbMySQL);
  TFldData* M = R.Both("T", "NAME", iftVarchar, 20);
  M->Size = 40;
  M->SetExtra(&TObjExtra::Description, "it's the name");
  R.TCol->SetExtra(&TObjExtra::Description, "it's the name");
  EXPECT_EQ(R.Alter(),
            (TTexts{"ALTER TABLE T MODIFY COLUMN NAME VARCHAR(40) COMMENT 'it\\'s the name'"}));
  // Descriptions not compared: the target's own comment stays.
  R.Master.CompareObjects.Exclude(coDescription);
  M->SetExtra(&TObjExtra::Description, "other");
  EXPECT_EQ(R.Alter(),
            (TTexts{"ALTER TABLE T MODIFY COLUMN NAME VARCHAR(40) COMMENT 'it\\'s the name'"}));
}
