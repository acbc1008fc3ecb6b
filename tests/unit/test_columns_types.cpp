// Column types: the type-name table and its lookups, the comparison text, the type text of
// every dialect, the column statements and the copying of columns.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Fnc.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Tbl_Int.h"

// Column specs below name only the fields that matter to each case.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace qel;

namespace {

struct TSpec {
  TDBFieldType Type = iftUnknown;
  std::int32_t Size = 0;
  std::int32_t Precision = 0;
  std::int32_t Scale = 0;
  bool NotNull = false;
  std::string Default;
  std::string CharSet;
  std::string Collation;
  std::string Domain;
  std::string Body;
};

/// Column C of table T in Objs.
std::unique_ptr<TFldData> Col(TObjs& Objs, const TSpec& S) {
  auto F = std::make_unique<TFldData>(&Objs);
  F->SetObjName("C");
  F->TableName = "T";
  F->FieldType = S.Type;
  F->Size = S.Size;
  F->Precision = S.Precision;
  F->Scale = S.Scale;
  F->Nullable = !S.NotNull;
  F->DefValue = S.Default;
  F->SetExtra(&TFldExtra::CharSet, S.CharSet);
  F->SetExtra(&TFldExtra::Collation, S.Collation);
  F->SetExtra(&TFldExtra::DomainName, S.Domain);
  F->SetExtra(&TObjExtra::Body, S.Body);
  return F;
}

/// One collection per dialect.
struct TDialects {
  TDialects() {
    for (TDatabaseType DB : Order) Objs[DB].SetDatabaseType(DB);
  }
  std::string Type(TDatabaseType DB, const TSpec& S) { return Col(Objs[DB], S)->TypeDef(); }
  std::string Cmp(TDatabaseType DB, const TSpec& S) { return Col(Objs[DB], S)->FieldTypeDef(); }
  static constexpr TDatabaseType Order[] = {dbInterBase, dbMySQL, dbPostgreSQL, dbSybaseASA,
                                            dbSybaseASE, dbMSSQL, dbOracle,     dbDB2};
  std::map<TDatabaseType, TObjs> Objs;
};

}  // namespace

TEST(ColumnTypes, NameTableAndLookups) {
  EXPECT_EQ(FieldTypeByName("double precision"), iftDoublePrecision);
  EXPECT_EQ(FieldTypeByName("timestamp"), iftTimeStamp);  // first match, not the zoned twin
  EXPECT_EQ(FieldTypeByName("Geometry"), iftUnknown);     // spatial names keep their case
  EXPECT_EQ(FieldTypeByName("domain"), iftUnknown);
  EXPECT_STREQ(FieldTypeNames[iftUnknown], "? DataType");
  EXPECT_STREQ(FieldTypeNames[iftMultiLineString], "MultiLineString");
  EXPECT_STREQ(FieldTypeNames[iftIntervalDayToSecond], "INTERVAL DAY TO SECOND");
  EXPECT_STREQ(FieldTypeNames[iftSqlVariant], "SQL_VARIANT");
  // The checked lookup never reads past the table (iftDomain has no entry).
  EXPECT_STREQ(FieldTypeName(iftDomain), "? DataType");
  EXPECT_STREQ(FieldTypeName(static_cast<TDBFieldType>(200)), "? DataType");

  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  TFldData F(&IB);
  EXPECT_EQ(F.FldTypeFromIbType(27), iftDoublePrecision);
  EXPECT_EQ(F.FldTypeFromIbType(261), iftBlob);
  EXPECT_EQ(F.FldTypeFromIbType(35), iftTimeStamp);
  EXPECT_EQ(F.FldTypeFromIbType(99), iftUnknown);
  IB.IBServerOptions.SetSQLDialect(1);
  EXPECT_EQ(F.FldTypeFromIbType(35), iftDate);

  EXPECT_TRUE(F.Nullable);
  EXPECT_EQ(F.RefPosition, -1);
  EXPECT_EQ(F.Extra().Logged, -1);
  F.DefValue = "\"it's\"";
  EXPECT_EQ(F.GetDefValue(), "'it''s'");
  F.DefValue = "\"abc";
  EXPECT_EQ(F.GetDefValue(), "\"abc");
}

TEST(ColumnTypes, TypeTextOfEveryDialect) {
  struct TCase {
    TSpec Spec;
    // InterBase, MySQL, PostgreSQL, SQL Anywhere, ASE, SQL Server, Oracle, DB2.
    std::array<const char*, 8> Texts;
  };
  const TCase Cases[] = {
      {{.Type = iftInteger},
       {"INTEGER", "INTEGER", "integer", "INTEGER NULL", "INTEGER NULL", "INTEGER NULL", "INTEGER",
        "INTEGER"}},
      {{.Type = iftVarchar, .Size = 40, .NotNull = true},
       {"VARCHAR(40) NOT NULL", "VARCHAR(40) NOT NULL", "varchar(40) not null",
        "VARCHAR(40) NOT NULL", "VARCHAR(40) NOT NULL", "VARCHAR(40) NOT NULL",
        "VARCHAR(40) NOT NULL", "VARCHAR(40) NOT NULL"}},
      {{.Type = iftChar, .Size = 1},
       {"CHAR", "CHAR(1)", "char(1)", "CHAR NULL", "CHAR(1) NULL", "CHAR(1) NULL", "CHAR(1)",
        "CHAR(1)"}},
      {{.Type = iftNumeric, .Precision = 12, .Scale = 2, .Default = "0"},
       {"NUMERIC(12,2) DEFAULT 0", "NUMERIC(12,2) DEFAULT 0", "numeric(12,2) default 0",
        "NUMERIC(12,2) DEFAULT 0 NULL", "NUMERIC(12,2) DEFAULT 0 NULL",
        "NUMERIC(12,2) DEFAULT 0 NULL", "NUMERIC(12,2) DEFAULT 0", "NUMERIC(12,2) WITH DEFAULT 0"}},
      {{.Type = iftDecimal, .Precision = 9},
       {"DECIMAL(9)", "DECIMAL(9)", "decimal(9)", "DECIMAL(9) NULL", "DECIMAL(9) NULL",
        "DECIMAL(9) NULL", "DECIMAL(9)", "DECIMAL(9,0)"}},
      // MAX: only the two servers that have it write it; the others write no length.
      {{.Type = iftVarchar, .Size = -1},
       {"VARCHAR", "VARCHAR", "varchar", "VARCHAR NULL", "VARCHAR(MAX) NULL", "VARCHAR(MAX) NULL",
        "VARCHAR", "VARCHAR"}},
      {{.Type = iftTimeStampTZ, .Precision = 3},
       {"TIMESTAMP", "TIMESTAMP(3)", "timestamp(3) with time zone", "TIMESTAMP NULL",
        "TIMESTAMP NULL", "TIMESTAMP NULL", "TIMESTAMP", "TIMESTAMP"}},
      {{.Type = iftVarchar, .Size = 10, .CharSet = "UTF8", .Collation = "UNICODE"},
       {"VARCHAR(10) CHARACTER SET UTF8 COLLATE UNICODE",
        "VARCHAR(10) CHARACTER SET UTF8 COLLATE UNICODE",
        "varchar(10) character set UTF8 collate \"UNICODE\"", "VARCHAR(10) COLLATE UNICODE NULL",
        "VARCHAR(10) COLLATE UNICODE NULL", "VARCHAR(10) COLLATE UNICODE NULL", "VARCHAR(10)",
        "VARCHAR(10)"}},
      // A domain-typed column on a dialect without domains writes the unknown-type marker.
      {{.Type = iftDomain, .Domain = "D_MONEY"},
       {"D_MONEY", "D_MONEY", "\"D_MONEY\"", "D_MONEY NULL", "D_MONEY NULL", "D_MONEY NULL",
        "D_MONEY", "D_MONEY"}},
      {{.Type = iftUnknown},
       {"? DataType", "? DataType", "? datatype", "? DataType NULL", "? DataType NULL",
        "? DataType NULL", "", ""}},
  };
  TDialects D;
  D.Objs[dbInterBase].IBServerOptions.GetIBCompareOptions().FldCharsetCompare = true;
  for (const TCase& C : Cases)
    for (std::size_t I = 0; I < 8; ++I)
      EXPECT_EQ(D.Type(TDialects::Order[I], C.Spec), C.Texts[I])
          << C.Texts[0] << " / dialect " << int(TDialects::Order[I]);
}

TEST(ColumnTypes, ComparisonText) {
  TDialects D;
  // Sizes 0 and 1 are not written outside InterBase, so CHAR(0) and CHAR(1) compare equal.
  EXPECT_EQ(D.Cmp(dbMSSQL, {.Type = iftChar, .Size = 1}), "CHAR");
  EXPECT_EQ(D.Cmp(dbMSSQL, {.Type = iftNVarChar, .Size = -1}), "NVARCHAR(MAX)");
  EXPECT_EQ(D.Cmp(dbInterBase, {.Type = iftVarchar, .Size = 1}), "VARCHAR(1)");
  EXPECT_EQ(D.Cmp(dbPostgreSQL, {.Type = iftTimeTZ, .Precision = 3}), "time(3) with time zone");
  EXPECT_EQ(D.Cmp(dbOracle, {.Type = iftNumber, .Precision = 10}), "NUMBER(10)");
  EXPECT_EQ(D.Cmp(dbMSSQL, {.Body = "(A + B)"}), "AS (A + B)");
  EXPECT_EQ(D.Cmp(dbInterBase, {.Body = "(A + B)"}), "COMPUTED BY (A + B)");
  auto Arr = Col(D.Objs[dbInterBase], {.Type = iftInteger});
  Arr->EditExtra().ArrayBounds = {{1, 10}, {0, 4}};
  EXPECT_EQ(Arr->FieldTypeDef(), "INTEGER [1:10, 0:4]");
  // A PostgreSQL array and its element type are different types; the declared dimensions and
  // sizes the server does not keep.
  auto PgArr = Col(D.Objs[dbPostgreSQL], {.Type = iftInteger});
  PgArr->EditExtra().ArrayBounds = {{0, 0}, {0, 3}};
  EXPECT_EQ(PgArr->FieldTypeDef(), "integer[]");
  EXPECT_EQ(PgArr->TypeDef(), "integer[]");
  auto Dom = Col(D.Objs[dbInterBase], {.Type = iftDomain, .Domain = "d money"});
  Dom->TypeOf = true;
  EXPECT_EQ(Dom->FieldTypeDef(), "TYPE OF \"d money\"");
  Dom->EditExtra().ReturnParam = 2;
  EXPECT_EQ(Dom->FieldTypeDef(), "PARAMETER 2");
  // The segment size 80 is the server's default; external-function arguments never name one.
  auto Blob = Col(D.Objs[dbInterBase], {.Type = iftBlob});
  Blob->SubType = 1;
  Blob->EditExtra().SegmentSize = 80;
  EXPECT_EQ(Blob->FieldTypeDef(), "BLOB SUB_TYPE 1");
  Blob->EditExtra().SegmentSize = 100;
  EXPECT_EQ(Blob->FieldTypeDef(), "BLOB SUB_TYPE 1 SEGMENT SIZE 100");
  TUdfData Udf(&D.Objs[dbInterBase]);
  Blob->OwnerObj = &Udf;
  EXPECT_EQ(Blob->FieldTypeDef(), "BLOB SUB_TYPE 1");
  D.Objs[dbInterBase].IBServerOptions.SetSQLDialect(1);  // dialect 1 knows DATE only
  EXPECT_EQ(D.Cmp(dbInterBase, {.Type = iftTime}), "DATE");
}

TEST(ColumnTypes, InterBaseAndMySQLAttributes) {
  TDialects D;
  TObjs& IB = D.Objs[dbInterBase];
  IB.IBServerOptions.SetDBCharSet("WIN1252");
  auto F = Col(
      IB,
      {.Type = iftVarchar, .Size = 20, .NotNull = true, .Default = "'x'", .CharSet = "WIN1252"});
  // The character set is written when compared, and then only when it is not the database's
  // or a collation goes with it.
  EXPECT_EQ(F->TypeDef(), "VARCHAR(20) DEFAULT 'x' NOT NULL");
  IB.IBServerOptions.GetIBCompareOptions().FldCharsetCompare = true;
  EXPECT_EQ(F->TypeDef(), "VARCHAR(20) DEFAULT 'x' NOT NULL");
  F->EditExtra().Collation = "PXW_INTL";
  EXPECT_EQ(F->TypeDef(),
            "VARCHAR(20) CHARACTER SET WIN1252 DEFAULT 'x' NOT NULL COLLATE PXW_INTL");
  auto Arg = Col(IB, {.Type = iftCstring, .Size = 8});
  Arg->ByDescriptor = true;
  Arg->EditExtra().CheckText = " (VALUE > 0)";
  EXPECT_EQ(Arg->TypeDef(), "CSTRING(8) BY DESCRIPTOR CHECK (VALUE > 0)");
  TPrcData Prc(&IB);
  Arg->OwnerObj = &Prc;
  Arg->DefValue = "'a'";
  EXPECT_EQ(Arg->TypeDef(), "CSTRING(8) BY DESCRIPTOR = 'a' CHECK (VALUE > 0)");

  TObjs& MY = D.Objs[dbMySQL];
  auto Id = Col(MY, {.Type = iftInteger, .Precision = 11, .NotNull = true});
  Id->UnsignedAttr = Id->ZeroFill = Id->AutoIncrement = true;
  EXPECT_EQ(Id->TypeDef(), "INTEGER(11) UNSIGNED ZEROFILL NOT NULL AUTO_INCREMENT");
  auto E = Col(MY, {.Type = iftEnum, .Default = "'a'"});
  E->EditExtra().Values.Add("'a'");
  E->EditExtra().Values.Add("'b'");
  EXPECT_EQ(E->Def(), "C ENUM('a', 'b') DEFAULT 'a'");
  EXPECT_EQ(D.Type(dbMySQL, {.Type = iftDouble, .Precision = 8, .Scale = 3}), "DOUBLE(8,3)");
  // A quoted default is re-escaped by MySQL's rules (a backslash would otherwise escape the
  // closing quote); anything else is written as stored.
  auto S = Col(MY, {.Type = iftVarchar, .Size = 10, .Default = "'it''s C:\\'"});
  S->BinaryAttr = true;
  EXPECT_EQ(S->TypeDef(), "VARCHAR(10) BINARY DEFAULT 'it\\'s C:\\\\'");
  S->DefValue = "CURRENT_TIMESTAMP";
  EXPECT_EQ(S->TypeDef(), "VARCHAR(10) BINARY DEFAULT CURRENT_TIMESTAMP");
  S->DefValue = "'a' 'b'";
  EXPECT_EQ(S->TypeDef(), "VARCHAR(10) BINARY DEFAULT 'a' 'b'");
}

TEST(ColumnTypes, AttributesOfTheOtherDialects) {
  TDialects D;
  EXPECT_EQ(
      D.Type(dbPostgreSQL, {.Type = iftVarchar, .Size = 5, .NotNull = true, .Default = "'{}'"}),
      "varchar(5) not null default '{}'");
  auto Asa = Col(D.Objs[dbSybaseASA], {.Type = iftInteger, .NotNull = true});
  Asa->Identity = Asa->RowGuidCol = true;
  Asa->EditExtra().IdentitySeed = 1;
  Asa->EditExtra().IdentityIncrement = 2;
  EXPECT_EQ(Asa->TypeDef(), "INTEGER IDENTITY (1, 2) ROWGUIDCOL NOT NULL");

  TObjs& MS = D.Objs[dbMSSQL];
  TPrcData Prc(&MS);
  auto Out = Col(MS, {.Type = iftMoney});
  Out->InOut = ioOut;
  Out->OwnerObj = &Prc;
  EXPECT_EQ(Out->Def(), "C MONEY OUTPUT");  // a routine parameter has no NULL word
  auto Calc = Col(MS, {.Body = "(A * 2)"});
  Calc->Persisted = true;
  EXPECT_EQ(Calc->TypeDef(), "AS (A * 2) PERSISTED");  // nor has a computed column
  auto Xml = Col(MS, {.Type = iftXml});
  Xml->EditExtra().XmlSchema = "(DOCUMENT S.C)";
  EXPECT_EQ(Xml->TypeDef(), "XML (DOCUMENT S.C) NULL");
  auto User = Col(MS, {.Type = iftDomain, .Domain = "Phone"});
  User->EditExtra().DomainSchema = "dbo";
  EXPECT_EQ(User->TypeDef(), "dbo.Phone NULL");
  auto Ident = Col(MS, {.Type = iftBigInt, .NotNull = true, .Collation = "Latin1_General_CI_AS"});
  Ident->Identity = true;
  Ident->EditExtra().IdentitySeed = 100;
  Ident->EditExtra().IdentityIncrement = 1;
  EXPECT_EQ(Ident->TypeDef(), "BIGINT COLLATE Latin1_General_CI_AS IDENTITY (100, 1) NOT NULL");
  TDmnData Dmn(&MS);
  Ident->OwnerObj = &Dmn;  // a user type's descriptor takes the database collation
  EXPECT_EQ(Ident->TypeDef(), "BIGINT IDENTITY (100, 1) NOT NULL");

  TObjs& ASE = D.Objs[dbSybaseASE];
  auto Java = Col(ASE, {.Precision = 10, .Scale = 2});
  Java->JavaClass = true;
  Java->EditExtra().JavaClassName = "BigDecimal";
  EXPECT_EQ(Java->TypeDef(), "java.lang.BigDecimal(10,2) NULL");
  EXPECT_EQ(D.Type(dbSybaseASE, {.Body = "A + 1"}), "AS A + 1");
  EXPECT_EQ(D.Type(dbSybaseASE, {.Type = iftTable, .NotNull = true}), "TABLE");
  auto AseParam = Col(ASE, {.Type = iftInteger});
  AseParam->InOut = ioOut;
  EXPECT_EQ(AseParam->Def(), "C INTEGER NULL out");

  EXPECT_EQ(D.Type(dbOracle, {.Type = iftVarChar2}), "VARCHAR2(0)");
  EXPECT_EQ(D.Type(dbOracle, {.Type = iftIntervalDayToSecond, .Scale = 6}),
            "INTERVAL DAY TO SECOND(6)");
  EXPECT_EQ(D.Type(dbOracle, {.Default = "0"}), "DEFAULT 0");
  auto Ora = Col(D.Objs[dbOracle], {.Type = iftIntervalYearToMonth, .Precision = 4});
  Ora->RefType = true;
  EXPECT_EQ(Ora->TypeDef(), "REF INTERVAL YEAR(4) TO MONTH");
  auto Ts = Col(D.Objs[dbOracle], {.Type = iftTimeStamp, .NotNull = true, .Default = "SYSDATE"});
  Ts->WithLocalTimeZone = true;
  EXPECT_EQ(Ts->TypeDef(), "TIMESTAMP WITH LOCAL TIME ZONE DEFAULT SYSDATE NOT NULL");
  EXPECT_EQ(Ts->FieldTypeDef(), "TIMESTAMP WITH LOCAL TIME ZONE");  // the zone is compared too

  TObjs& DB2 = D.Objs[dbDB2];
  auto Bits = Col(DB2, {.Type = iftChar, .Size = 16});
  Bits->ForBitData = true;
  EXPECT_EQ(Bits->TypeDef(), "CHAR(16) FOR BIT DATA");
  auto Lob = Col(DB2, {.Type = iftBlob, .Size = 1024});
  EXPECT_EQ(Lob->TypeDef(), "BLOB(1024)");  // LOB options not given: no words
  Lob->EditExtra().Logged = 0;
  Lob->EditExtra().Compact = 1;
  EXPECT_EQ(Lob->TypeDef(), "BLOB(1024) NOT LOGGED COMPACT");
  auto Gen = Col(DB2, {.Type = iftInteger, .NotNull = true});
  Gen->GeneratedKind = 'D';
  Gen->Identity = true;
  EXPECT_EQ(Gen->TypeDef(), "INTEGER NOT NULL GENERATED BY DEFAULT AS IDENTITY");
  Gen->GeneratedKind = 'A';
  Gen->Identity = false;
  Gen->EditExtra().GeneratedExpr = "A + B";
  EXPECT_EQ(Gen->TypeDef(), "INTEGER NOT NULL GENERATED ALWAYS AS(A + B)");
}

TEST(ColumnTypes, ColumnStatements) {
  TDialects D;
  auto Own = [&](TDatabaseType DB, const std::string& Schema, const std::string& Creator) {
    auto* T = new TTblData(&D.Objs[DB]);
    T->SetObjName("Orders");
    T->SetSchema(Schema);
    T->SetExtra(&TObjExtra::Creator, Creator);
    D.Objs[DB].AddObj(T);
    TFldData* F = T->Fields.Add(Col(D.Objs[DB], {.Type = iftInteger}));
    F->SetObjName("Total Sum");
    F->TableName = "Orders";
    F->OwnerObj = T;
    return F;
  };
  TFldData* Pg = Own(dbPostgreSQL, "sales", "");
  EXPECT_EQ(Pg->CreateDef(), "ALTER TABLE sales.\"Orders\" ADD \"Total Sum\" integer");
  EXPECT_EQ(Pg->DropDef(), "ALTER TABLE sales.\"Orders\" DROP \"Total Sum\"");
  TFldData* Asa = Own(dbSybaseASA, "", "ADMIN");
  EXPECT_EQ(Asa->CreateDef(), "ALTER TABLE ADMIN.Orders ADD \"Total Sum\" INTEGER NULL");
  Asa->OwnerObj->SetExtra(&TObjExtra::Creator, "");  // a table read without owner belongs to DBA
  EXPECT_EQ(Asa->DropDef(), "ALTER TABLE DBA.Orders DROP \"Total Sum\"");
  EXPECT_EQ(Own(dbOracle, "HR", "")->DropDef(), "ALTER TABLE HR.\"Orders\" DROP (\"Total Sum\")");
  TFldData* My = Own(dbMySQL, "", "");
  My->SetObjName("a`b");  // a quote inside a name cannot end the identifier
  EXPECT_EQ(My->DropDef(), "ALTER TABLE `Orders` DROP `a``b`");

  // SQL Server: a NOT NULL column brings its default constraint inline, and the constraint
  // pass then passes it by.
  TFldData* Ms = Own(dbMSSQL, "DBO", "");
  EXPECT_EQ(Ms->DropDef(), "ALTER TABLE DBO.ORDERS DROP COLUMN [TOTAL SUM]");
  auto* Df = new TCtrData(&D.Objs[dbMSSQL]);
  Df->SetObjName("DF_SUM");
  Df->SetCtType(ctDefault);
  Df->FldList.Add("total sum");
  Df->SetExtra(&TObjExtra::Body, "(0)");
  D.Objs[dbMSSQL].AddObj(Df);
  D.Objs[dbMSSQL].LinkDepend(Df, Ms);
  Df->SetObjCreated(false);
  EXPECT_EQ(Ms->CreateDef(), "ALTER TABLE DBO.Orders ADD [TOTAL SUM] INTEGER NULL");
  EXPECT_FALSE(Df->GetObjCreated());
  Ms->Nullable = false;
  EXPECT_EQ(
      Ms->CreateDef(),
      "ALTER TABLE DBO.Orders ADD [TOTAL SUM] INTEGER NOT NULL CONSTRAINT DF_SUM DEFAULT (0)");
  EXPECT_TRUE(Df->GetObjCreated());
}

TEST(ColumnTypes, CharacterSetsAndCollations) {
  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  IB.IBServerOptions.SetDBCharSet("UTF8");
  auto F = Col(IB, {.Type = iftVarchar});
  EXPECT_EQ(F->DefaultCharSet(), "UTF8");
  // The database's set, and a set's default collation (named like the set), are dropped.
  F->GetCharsetCollation(4, "UTF8", 0, "UTF8");
  EXPECT_EQ(F->Extra().CharSet + F->Extra().Collation, "");
  EXPECT_EQ(F->Extra().CharSetId, 0);
  F->GetCharsetCollation(21, "WIN1252", 5, "PXW_INTL");
  EXPECT_EQ(F->Extra().CharSet + "/" + F->Extra().Collation, "WIN1252/PXW_INTL");
  // A computed item keeps neither; a non-character item keeps its set, loses the collation.
  F->SetExtra(&TObjExtra::Body, "(A || B)");
  F->GetCharsetCollation(21, "WIN1252", 5, "PXW_INTL");
  EXPECT_EQ(F->Extra().CharSet + F->Extra().Collation, "");
  auto N = Col(IB, {.Type = iftInteger, .CharSet = "OCTETS"});
  N->GetCharsetCollation(1, "ASCII", 3, "X");
  EXPECT_EQ(N->Extra().CharSet + "/" + N->Extra().Collation, "OCTETS/");
  // NONE goes when the database names no set; a text BLOB is a character item.
  IB.IBServerOptions.SetDBCharSet("");
  auto B = Col(IB, {.Type = iftBlob});
  B->SubType = 1;
  B->GetCharsetCollation(0, "NONE", 0, "");
  EXPECT_EQ(B->Extra().CharSet, "");
  // A domain that cannot be found counts as not character.
  EXPECT_FALSE(Col(IB, {.Type = iftDomain, .Domain = "NOWHERE"})->IsCharType());
}

TEST(ColumnTypes, Copying) {
  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  auto S = Col(IB, {.Type = iftNumeric, .Precision = 9, .NotNull = true, .Default = "\"x\""});
  S->EditExtra().ArrayBounds = {{1, 2}};
  TFldData A(&IB);
  A.Assign(*S);
  EXPECT_EQ(A.GetObjName() + " " + A.FieldTypeDef() + " " + A.DefValue, "C NUMERIC(9) 'x'");
  EXPECT_FALSE(A.Nullable);
  EXPECT_TRUE(A.ArrayBoundsDiff(*S));  // bounds and dialect attributes stay behind
  A.EditExtra().ArrayBounds = {{1, 3}};
  EXPECT_TRUE(A.ArrayBoundsDiff(*S));
  A.EditExtra().ArrayBounds = {{1, 2}};
  EXPECT_FALSE(A.ArrayBoundsDiff(*S));
}

// The comparer takes two PostgreSQL columns whose type parts agree as equal in type without
// building their texts: for every type, whatever else the two columns differ in, the texts
// must then agree. Each row changes the second column in one part the test leaves aside.
TEST(ColumnTypes, PostgreSQLSameTypePartsMeanSameTypeText) {
  TObjs PG;
  PG.SetDatabaseType(dbPostgreSQL);
  struct TPart {
    const char* Name;
    void (*Change)(TFldData&);
  };
  const TPart Parts[] = {
      {"nullable", [](TFldData& F) { F.Nullable = !F.Nullable; }},
      {"default", [](TFldData& F) { F.DefValue = "42"; }},
      {"collation", [](TFldData& F) { F.EditExtra().Collation = "C"; }},
      {"character set", [](TFldData& F) { F.EditExtra().CharSet = "LATIN1"; }},
      {"storage length", [](TFldData& F) { F.Length = 99; }},
      {"time zone flags", [](TFldData& F) { F.WithTimeZone = F.WithLocalTimeZone = true; }},
      {"blob sub-type", [](TFldData& F) { F.SubType = 1; }},
      {"segment size", [](TFldData& F) { F.EditExtra().SegmentSize = 512; }},
      {"array bounds",
       [](TFldData& F) {
         F.EditExtra().ArrayBounds = {{1, 5}, {0, 2}};
       }},
      {"name", [](TFldData& F) { F.SetObjName("D"); }},
  };
  for (std::size_t T = 0; T < DBFieldTypeCount; ++T)
    for (const TSpec& S : {TSpec{.Size = 0}, TSpec{.Size = 12, .Precision = 6, .Scale = 2}})
      for (int Flags = 0; Flags < 4; ++Flags)
        for (const TPart& P : Parts) {
          TSpec Spec = S;
          Spec.Type = static_cast<TDBFieldType>(T);
          auto F = Col(PG, Spec), G = Col(PG, Spec);
          for (TFldData* X : {F.get(), G.get()}) {
            X->AutoIncrement = (Flags & 1) != 0;
            if (Flags & 2) X->EditExtra().ArrayBounds = {{1, 3}};
          }
          P.Change(*G);
          if (!tbl_detail::PGSameFieldTypeDef(*F, *G)) continue;
          EXPECT_EQ(F->FieldTypeDef(), G->FieldTypeDef())
              << FieldTypeName(Spec.Type) << ", " << P.Name << ", flags " << Flags;
        }
  // The usual column takes the short way; a domain, a computed column and a BLOB do not.
  const auto Same = [&](const TSpec& S) {
    return tbl_detail::PGSameFieldTypeDef(*Col(PG, S), *Col(PG, S));
  };
  EXPECT_TRUE(Same({.Type = iftVarchar, .Size = 20}));
  EXPECT_FALSE(Same({.Type = iftDomain, .Domain = "d"}));
  EXPECT_FALSE(Same({.Type = iftInteger, .Body = "a + 1"}));
  EXPECT_FALSE(Same({.Type = iftBlob}));
}
