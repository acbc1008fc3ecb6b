// InterBase/Firebird scripts: the parser's model of each statement form, every Firebird script
// the library writes reading back without an error, the schema writer's script and the update
// scripts comparing to nothing, the order-entry example against its golden update script, and
// the executor's loading of isql scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Exc.h"
#include "qelComp_Fnc.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDBStructure.h"
#include "qelIBParser.h"
#include "qelIBSQLExec.h"
#include "qelIBScriptExtract.h"
#include "qelVarnel.h"
#include "test_readback_util.h"

#ifdef QEL_HAVE_COMPARE_COMMAND
#include "varnel_compare.h"
#endif

using namespace qel;
using qel::testing::readback::ScriptReadBack;
namespace readback = qel::testing::readback;

namespace {

using readback::Join;

/// The statements of a script: no comments, blank lines or session settings.
bool SessionSetting(const std::string& L) {
  return L.rfind("SET ", 0) == 0 || L == "RECONNECT;";
}

std::vector<std::string> ParseInto(TObjs& Objs, const std::string& Text) {
  return readback::ParseInto<TIbParser>(Objs, Text);
}

template <class T>
T* Find(TDbObjList& L, const std::string& Name) {
  return dynamic_cast<T*>(L.FindObj(Name));
}

TFldData* Column(TObjs& O, const std::string& Table, int Index) {
  TTblData* T = O.GetTable(Table);
  return T ? T->Fields[Index] : nullptr;
}

/// Compared and written as the example program does: descriptions as COMMENT ON, character
/// sets of columns compared.
const readback::TScriptDialect Firebird{
    .Name = "Firebird",
    .Command = "firebird",
    .DB = dbInterBase,
    .Compare = readback::CompareScripts<TIBScriptExtract>,
    .Parse = readback::ParseInto<TIbParser>,
    .Setup =
        [](TVarnel& V) {
          V.GetIBServerOptions().GetIBCompareOptions().SetUpdateDescriptionMode(udComment);
          V.GetIBServerOptions().GetIBCompareOptions().FldCharsetCompare = true;
        },
    .NoStatement = SessionSetting,
    .BeforeWriting =
        [](TObjs& O) { O.IBServerOptions.GetIBCompareOptions().FldCharsetCompare = true; },
};

/// The Firebird dialect for a server of version Version and on-disk structure Ods (both
/// script sides are taken for it), with AllowConversion as the comparer's switch that lets the
/// column alteration rewrite types through the system tables.
std::function<void(TVarnel&)> ForServer(TIBSQLServerVersionType Version, int Ods,
                                        bool AllowConversion) {
  return [=](TVarnel& V) {
    Firebird.Setup(V);
    V.GetIBServerOptions().GetIBCompareOptions().AllowDataTypeConversion = AllowConversion;
    V.OnAfterExtract = [&V, Version, Ods](TObject*) {
      for (TCustomDBStructure* H : {V.GetDBStructureMaster(), V.GetDBStructureTarget()}) {
        TIBServerOptions& O = H->GetObjs()->IBServerOptions;
        O.SQLServerVersion = Version;
        O.GetIBDatabaseOptions().ODSMajorVersion = Ods;
      }
    };
  };
}

/// Firebird 3 (ODS 12): DDL for types, defaults and NOT NULL, no writes to the system tables.
const readback::TScriptDialect Firebird3 = [] {
  readback::TScriptDialect D = Firebird;
  D.Setup = ForServer(st_Firebird_25, 12, false);
  return D;
}();

/// InterBase 5 with type conversion allowed: what the server has no DDL for is written into
/// the system tables (types, lengths, domains, defaults through a temporary domain).
const readback::TScriptDialect InterBase5 = [] {
  readback::TScriptDialect D = Firebird;
  D.Setup = ForServer(st_InterBase_5x, 9, true);
  return D;
}();

/// Column and domain changes that every server takes: types widened, lengths, defaults set,
/// changed and dropped, NOT NULL set and dropped, a column moved onto a domain and between
/// domains, and a domain's type, default, NOT NULL and check.
const std::string ColumnsTarget =
    "CREATE DOMAIN D_OLD AS VARCHAR(10);\nCREATE DOMAIN D_NEW AS VARCHAR(20);\n"
    "CREATE DOMAIN D_QTY AS INTEGER DEFAULT 1 CHECK (VALUE > 0);\n"
    "CREATE TABLE T (ID INTEGER NOT NULL, A SMALLINT, B VARCHAR(10), C INTEGER DEFAULT 1,\n"
    "  D VARCHAR(5) NOT NULL, E D_OLD, F VARCHAR(20), G INTEGER, H NUMERIC(9, 2));\n";
const std::string ColumnsMaster =
    "CREATE DOMAIN D_OLD AS VARCHAR(10);\nCREATE DOMAIN D_NEW AS VARCHAR(20);\n"
    "CREATE DOMAIN D_QTY AS BIGINT DEFAULT 2 NOT NULL CHECK (VALUE > 1);\n"
    "CREATE TABLE T (ID INTEGER NOT NULL, A INTEGER, B VARCHAR(30), C INTEGER DEFAULT 2,\n"
    "  D VARCHAR(5), E D_NEW, F D_NEW, G INTEGER DEFAULT 7 NOT NULL, H NUMERIC(15, 2));\n";

/// What only the system tables take: shortened and retyped columns, BLOB sub types, array
/// bounds, a domain given back its plain type.
const std::string SysTablesTarget =
    "CREATE DOMAIN D_NAME AS VARCHAR(20);\n"
    "CREATE TABLE S (ID INTEGER NOT NULL, A INTEGER, B VARCHAR(30), N BLOB SUB_TYPE 0,\n"
    "  M NUMERIC(15, 2), K D_NAME, R INTEGER [1:4], W VARCHAR(8) [0:2, 1:3] DEFAULT 'x');\n";
const std::string SysTablesMaster =
    "CREATE DOMAIN D_NAME AS VARCHAR(20);\n"
    "CREATE TABLE S (ID INTEGER NOT NULL, A SMALLINT, B VARCHAR(12), N BLOB SUB_TYPE 1,\n"
    "  M NUMERIC(9, 4), K VARCHAR(40), R INTEGER [0:5], W VARCHAR(8) [0:2, 1:4] DEFAULT 'y');\n";

/// Character sets, collations and BLOB sub types of columns and domains, and a domain's exact
/// and date types: written into the system tables by every server before Firebird 3.
const std::string CharSetsTarget =
    "CREATE DOMAIN D_TXT AS VARCHAR(10) CHARACTER SET ASCII;\n"
    "CREATE DOMAIN D_DOC AS BLOB SUB_TYPE 0;\nCREATE DOMAIN D_NUM AS NUMERIC(9, 2);\n"
    "CREATE DOMAIN D_WHEN AS DATE;\n"
    "CREATE TABLE C (A VARCHAR(10) CHARACTER SET ASCII, B VARCHAR(10) CHARACTER SET UTF8 "
    "COLLATE UNICODE,\n  N BLOB SUB_TYPE 0 SEGMENT SIZE 100);\n";
const std::string CharSetsMaster =
    "CREATE DOMAIN D_TXT AS VARCHAR(10) CHARACTER SET UTF8 COLLATE UNICODE_CI;\n"
    "CREATE DOMAIN D_DOC AS BLOB SUB_TYPE 1 SEGMENT SIZE 200;\n"
    "CREATE DOMAIN D_NUM AS NUMERIC(12, 4);\nCREATE DOMAIN D_WHEN AS TIMESTAMP;\n"
    "CREATE TABLE C (A VARCHAR(10) CHARACTER SET UTF8, B VARCHAR(10) CHARACTER SET UTF8 "
    "COLLATE UNICODE_CI,\n  N BLOB SUB_TYPE 1 SEGMENT SIZE 200);\n";

/// An external function declared anew while a view, a procedure, a trigger, a computed column
/// and a check use it; procedures calling each other against the order of their names.
const std::string UdfTarget =
    "DECLARE EXTERNAL FUNCTION STRLEN CSTRING(40) RETURNS INTEGER BY VALUE\n"
    "ENTRY_POINT 'IB_UDF_strlen' MODULE_NAME 'ib_udf';\n"
    "CREATE TABLE U (ID INTEGER, NAME VARCHAR(20), L COMPUTED BY (STRLEN(NAME)),\n"
    "  CONSTRAINT CK_U CHECK (STRLEN(NAME) < 30));\n"
    "CREATE VIEW UV (ID, L) AS SELECT ID, STRLEN(NAME) FROM U;\nSET TERM ^ ;\n"
    "CREATE PROCEDURE Z_LEN (S VARCHAR(20)) RETURNS (N INTEGER) AS BEGIN N = STRLEN(S); "
    "SUSPEND; END^\n"
    "CREATE PROCEDURE A_LEN RETURNS (N INTEGER) AS BEGIN SELECT N FROM Z_LEN('ab') INTO :N; "
    "SUSPEND; END^\n"
    "CREATE TRIGGER U_BI FOR U BEFORE INSERT AS BEGIN NEW.ID = STRLEN(NEW.NAME); END^\n"
    "SET TERM ; ^\nCREATE VIEW LENS (N) AS SELECT N FROM A_LEN;\n";
const std::string UdfMaster = [] {
  std::string S = UdfTarget;
  S.replace(S.find("CSTRING(40)"), 11, "CSTRING(80)");
  S.replace(S.find("Z_LEN('ab')"), 11, "Z_LEN('abc')");
  return S;
}();

const std::string V1 = "../../examples/data/firebird/orders_v1.sql";
const std::string V2 = "../../examples/data/firebird/orders_v2.sql";

using readback::rbCommand, readback::rbGoldenUpdate, readback::rbMalformed,
    readback::rbSchemaWriter, readback::rbUpdate, readback::rbWrittenScript;

const readback::TReadBackCase Cases[] = {
    {"Shop", &Firebird, rbSchemaWriter, "metadata/shop_firebird.sql"},
    {"Complete", &Firebird, rbSchemaWriter, "fb_complete/schema.sql"},
    {"OrdersV1", &Firebird, rbSchemaWriter, V1},
    {"OrdersV2", &Firebird, rbSchemaWriter, V2},
    {"OrdersV2OverV1", &Firebird, rbUpdate, V2, V1},
    {"OrdersV1OverV2", &Firebird, rbUpdate, V1, V2},
    // Every statement of the column and domain alteration reads back as the change it makes.
    {"ColumnChanges", &Firebird, rbUpdate, ColumnsMaster, ColumnsTarget},
    {"ColumnChangesBack", &Firebird, rbUpdate, ColumnsTarget, ColumnsMaster},
    {"ColumnChangesFirebird3", &Firebird3, rbUpdate, ColumnsMaster, ColumnsTarget},
    {"ColumnChangesBackFirebird3", &Firebird3, rbUpdate, ColumnsTarget, ColumnsMaster},
    {"ColumnChangesInterBase5", &InterBase5, rbUpdate, ColumnsMaster, ColumnsTarget},
    {"ColumnChangesBackInterBase5", &InterBase5, rbUpdate, ColumnsTarget, ColumnsMaster},
    {"SystemTableChanges", &InterBase5, rbUpdate, SysTablesMaster, SysTablesTarget},
    {"SystemTableChangesBack", &InterBase5, rbUpdate, SysTablesTarget, SysTablesMaster},
    {"CharacterSetChanges", &Firebird, rbUpdate, CharSetsMaster, CharSetsTarget},
    {"CharacterSetChangesInterBase5", &InterBase5, rbUpdate, CharSetsMaster, CharSetsTarget},
    {"CharacterSetChangesBackInterBase5", &InterBase5, rbUpdate, CharSetsTarget, CharSetsMaster},
    // External functions declared anew under their users, and the schema writer's script of
    // procedures that call each other.
    {"ExternalFunctionUsers", &Firebird, rbUpdate, UdfMaster, UdfTarget},
    {"ExternalFunctionUsersFirebird3", &Firebird3, rbUpdate, UdfMaster, UdfTarget},
    {"ExternalFunctionUsers", &Firebird, rbSchemaWriter, UdfMaster},
    {"ArraysAndSystemTables", &Firebird, rbSchemaWriter, SysTablesTarget},
    {"ShopOverOrdersV1", &Firebird, rbUpdate, "metadata/shop_firebird.sql", V1},
    // Every Firebird script the library's writers produce, and the bundled examples.
    {"KeysUpdate", &Firebird, rbWrittenScript, "keys/update_firebird.sql"},
    {"Shop", &Firebird, rbWrittenScript, "metadata/shop_firebird.sql"},
    {"Complete", &Firebird, rbWrittenScript, "fb_complete/schema.sql"},
    {"OrdersTable", &Firebird, rbWrittenScript, "metadata/table_orders_firebird.sql"},
    {"RoutinesUpdate", &Firebird, rbWrittenScript, "code_objects/update_firebird_routines.sql"},
    {"TablePasses", &Firebird, rbWrittenScript, "tables/passes_firebird.sql"},
    {"VarnelUpdate", &Firebird, rbWrittenScript, "varnel/update_firebird.sql"},
    {"OrdersUpdate", &Firebird, rbWrittenScript, "firebird/orders_update.sql"},
    {"OrdersV1", &Firebird, rbWrittenScript, V1},
    {"OrdersV2", &Firebird, rbWrittenScript, V2},
    {"OrderEntryExample", &Firebird, rbGoldenUpdate, V2, V1, "firebird/orders_update.sql"},
    {"ColumnWithoutType", &Firebird, rbMalformed,
     "CREATE TABLE T (ID INTEGER NOT NULL);\nCREATE TABLE U (ID);\n",
     "CREATE TABLE T (ID INTEGER);\n"},
#ifdef QEL_HAVE_COMPARE_COMMAND
    {"OrderEntryExample", &Firebird, rbCommand, V2, V1, "firebird/orders_update.sql"},
#endif
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The model of each statement form

/// A script and what its model must hold after an InterBase parser read it without error.
struct TFormCase {
  const char* Script;
  std::function<void(TObjs&)> Check;
};

void ExpectForms(std::initializer_list<TFormCase> Cases) {
  for (const TFormCase& C : Cases) {
    TObjs O;
    O.SetDatabaseType(dbInterBase);
    EXPECT_EQ(ParseInto(O, C.Script), std::vector<std::string>{}) << C.Script;
    C.Check(O);
  }
}

TEST(IBParser, DomainsTablesKeysAndIndexesBuildTheirObjects) {
  ExpectForms({
      {"CREATE DOMAIN D_MONEY AS NUMERIC(10, 2) DEFAULT 0 NOT NULL CHECK (VALUE >= 0);",
       [](TObjs& O) {
         auto* D = Find<TDmnData>(O.Domains, "D_MONEY");
         ASSERT_NE(D, nullptr);
         EXPECT_EQ(D->TypeField->FieldType, iftNumeric);
         EXPECT_EQ(D->TypeField->Precision, 10);
         EXPECT_EQ(D->TypeField->Scale, 2);
         EXPECT_EQ(D->TypeField->GetDefValue(), "0");
         EXPECT_FALSE(D->TypeField->Nullable);
         EXPECT_EQ(D->TypeField->Extra().CheckText, " (VALUE >= 0)");
       }},
      {"create table t (id integer not null primary key, \"Name\" varchar(20) character set "
       "win1252 collate pxw_intl, c computed by (id * 2), b blob sub_type text, "
       "f double precision, s d_money default 1);",
       [](TObjs& O) {
         ASSERT_NE(O.GetTable("T"), nullptr);
         EXPECT_EQ(Column(O, "T", 0)->GetObjName(), "ID");
         EXPECT_FALSE(Column(O, "T", 0)->Nullable);
         EXPECT_EQ(Column(O, "T", 1)->GetObjName(), "Name");
         EXPECT_EQ(Column(O, "T", 1)->Size, 20);
         EXPECT_EQ(Column(O, "T", 1)->Extra().CharSet, "WIN1252");
         EXPECT_EQ(Column(O, "T", 1)->Extra().Collation, "PXW_INTL");
         EXPECT_EQ(Column(O, "T", 2)->Extra().Body, "(id * 2)");
         EXPECT_EQ(Column(O, "T", 3)->FieldType, iftBlob);
         EXPECT_EQ(Column(O, "T", 3)->SubType, 1);
         EXPECT_EQ(Column(O, "T", 4)->FieldType, iftDoublePrecision);
         EXPECT_EQ(Column(O, "T", 5)->FieldType, iftDomain);
         EXPECT_EQ(Column(O, "T", 5)->Extra().DomainName, "D_MONEY");
         EXPECT_EQ(Column(O, "T", 5)->GetDefValue(), "1");
         EXPECT_EQ(O.Constraints.Count(), 1);
       }},
      {"CREATE GLOBAL TEMPORARY TABLE G (A INTEGER);\n"
       "CREATE GLOBAL TEMPORARY TABLE P (A INTEGER) ON COMMIT PRESERVE ROWS;",
       [](TObjs& O) {
         EXPECT_TRUE(O.GetTable("G")->GlobalTemporary);
         EXPECT_EQ(O.GetTable("G")->OnCommit, tocDelete);
         EXPECT_EQ(O.GetTable("P")->OnCommit, tocPreserve);
       }},
      // The server makes the columns of a key CREATE TABLE declares NOT NULL.
      {"CREATE TABLE U (ID INTEGER PRIMARY KEY, N INTEGER);\n"
       "CREATE TABLE V (K INTEGER, N INTEGER, PRIMARY KEY (K));",
       [](TObjs& O) {
         EXPECT_FALSE(Column(O, "U", 0)->Nullable);
         EXPECT_TRUE(Column(O, "U", 1)->Nullable);
         EXPECT_FALSE(Column(O, "V", 0)->Nullable);
         EXPECT_TRUE(Column(O, "V", 1)->Nullable);
       }},
      {"CREATE TABLE A (ID INTEGER NOT NULL, CONSTRAINT PK_A PRIMARY KEY (ID));\n"
       "CREATE TABLE B (ID INTEGER, A_ID INTEGER REFERENCES A (ID) ON DELETE CASCADE, "
       "CONSTRAINT CK_B CHECK (ID > (0)), CONSTRAINT UQ_B UNIQUE (ID) USING DESC INDEX IX_UQ_B);",
       [](TObjs& O) {
         auto* Pk = Find<TCtrData>(O.Constraints, "PK_A");
         ASSERT_NE(Pk, nullptr);
         EXPECT_EQ(Pk->GetCtType(), ctPKey);
         auto* Ck = Find<TCtrData>(O.Constraints, "CK_B");
         ASSERT_NE(Ck, nullptr);
         EXPECT_EQ(Ck->Extra().Body, " (ID > (0))");
         auto* Uq = Find<TCtrData>(O.Constraints, "UQ_B");
         ASSERT_NE(Uq, nullptr);
         EXPECT_EQ(Uq->Extra().IndexName, "IX_UQ_B");
         EXPECT_TRUE(Uq->Descending);
         EXPECT_EQ(O.Constraints.Count(), 4);
       }},
      {"CREATE UNIQUE DESCENDING INDEX IX ON T (A, B);\nCREATE INDEX IX2 ON T COMPUTED BY "
       "(UPPER(A));",
       [](TObjs& O) {
         auto* I = Find<TIdxData>(O.Indexes, "IX");
         ASSERT_NE(I, nullptr);
         EXPECT_TRUE(I->Unique);
         EXPECT_TRUE(I->Descending);
         EXPECT_EQ(I->TableName, "T");
         EXPECT_EQ(I->Flds.Count(), 2);
         auto* C = Find<TIdxData>(O.Indexes, "IX2");
         ASSERT_NE(C, nullptr);
         EXPECT_EQ(C->Extra().Body, " (UPPER(A))");
       }},
  });
}

TEST(IBParser, CodeGrantsAndOtherObjectsBuildTheirObjects) {
  ExpectForms({
      {"CREATE GENERATOR G1;\nCREATE SEQUENCE G2 START WITH 5;\nSET GENERATOR G1 TO 10;\n"
       "CREATE EXCEPTION E1 'It''s gone';\nALTER EXCEPTION E1 'Changed';\nCREATE ROLE R1;",
       [](TObjs& O) {
         EXPECT_NE(O.Generators.FindObj("G1"), nullptr);
         EXPECT_NE(O.Generators.FindObj("G2"), nullptr);
         auto* E = Find<TExcData>(O.Exceptions, "E1");
         ASSERT_NE(E, nullptr);
         EXPECT_EQ(E->Message, "Changed");
         EXPECT_NE(O.Roles.FindObj("Role: R1"), nullptr);
       }},
      {"CREATE VIEW V (A, B) AS\nSELECT X, Y FROM T;\nCREATE VIEW W AS SELECT 1 FROM RDB$DATABASE;",
       [](TObjs& O) {
         auto* V = Find<TViwData>(O.Views, "V");
         ASSERT_NE(V, nullptr);
         EXPECT_EQ(V->Fields.Count(), 2);
         EXPECT_EQ(V->Extra().Body, "SELECT X, Y FROM T");
         auto* W = Find<TViwData>(O.Views, "W");
         ASSERT_NE(W, nullptr);
         EXPECT_EQ(W->Fields.Count(), 0);
       }},
      {"SET TERM ^ ;\nCREATE PROCEDURE P (A INTEGER, B VARCHAR(10) = 'x')\nRETURNS (R INTEGER)\n"
       "AS\nDECLARE VARIABLE X INTEGER;\nBEGIN\n  R = A; SUSPEND;\nEND^\n"
       "CREATE TRIGGER TR FOR T INACTIVE AFTER INSERT OR DELETE POSITION 3\nAS\nBEGIN\nEND^\n"
       "ALTER TRIGGER TR ACTIVE^\nSET TERM ; ^\nCOMMIT;",
       [](TObjs& O) {
         auto* P = Find<TPrcData>(O.Procedures, "P");
         ASSERT_NE(P, nullptr);
         EXPECT_EQ(P->Params.Count(), 2);
         EXPECT_EQ(P->Params[1]->GetDefValue(), "'x'");
         EXPECT_EQ(P->Results.Count(), 1);
         EXPECT_EQ(P->Extra().Body, "DECLARE VARIABLE X INTEGER;\nBEGIN\n  R = A; SUSPEND;\nEND");
         auto* T = Find<TTrgData>(O.Triggers, "TR");
         ASSERT_NE(T, nullptr);
         EXPECT_TRUE(T->Active);
         EXPECT_EQ(T->Position, 3);
         EXPECT_EQ(T->OwnName, "T");
         EXPECT_EQ(T->TrgTypStr(), "AFTER INSERT OR DELETE");
         EXPECT_EQ(T->Extra().Body, "AS\nBEGIN\nEND");
       }},
      {"CREATE TABLE T (ID INTEGER, C VARCHAR(5));\nCOMMENT ON TABLE T IS 'tab';\n"
       "COMMENT ON COLUMN T.C IS 'col';\nGRANT SELECT, UPDATE ON T TO ROLE R1 WITH GRANT OPTION;\n"
       "DECLARE EXTERNAL FUNCTION F CSTRING(20), INTEGER BY DESCRIPTOR RETURNS INTEGER BY VALUE "
       "ENTRY_POINT 'f' MODULE_NAME 'udf';\nALTER TABLE T DROP C;",
       [](TObjs& O) {
         ASSERT_NE(O.GetTable("T"), nullptr);
         EXPECT_EQ(O.GetTable("T")->Extra().Description, "tab");
         EXPECT_EQ(O.GetTable("T")->Fields.Count(), 1);
         ASSERT_EQ(O.Grants.Count(), 1);
         auto* G = dynamic_cast<TGntData*>(O.Grants.Objects(0));
         EXPECT_EQ(G->GranteeName, "R1");
         EXPECT_EQ(G->GranteeType, 13);
         EXPECT_EQ(G->GrantOption, 1);
         EXPECT_TRUE(G->Privileges.Contains(gntUpdate));
         auto* F = Find<TUdfData>(O.Functions, "F");
         ASSERT_NE(F, nullptr);
         EXPECT_EQ(F->Params.Count(), 2);
         EXPECT_EQ(F->ModuleName, "udf");
         EXPECT_TRUE(F->ReturnParam->ByValue);
       }},
      {"CREATE VIEW V AS SELECT 1 FROM RDB$DATABASE;\nRECREATE VIEW V AS SELECT 2 FROM "
       "RDB$DATABASE;\nCREATE OR ALTER EXCEPTION E 'a';\nCREATE OR ALTER EXCEPTION E 'b';",
       [](TObjs& O) {
         auto* V = Find<TViwData>(O.Views, "V");
         ASSERT_NE(V, nullptr);
         EXPECT_EQ(V->Extra().Body, "SELECT 2 FROM RDB$DATABASE");
         EXPECT_EQ(Find<TExcData>(O.Exceptions, "E")->Message, "b");
       }},
  });
}

TEST(IBParser, IsqlFormsBuildTheirObjects) {
  ExpectForms({
      // The forms isql -x writes: typed computed columns set afterwards, domain checks added
      // afterwards, procedure headers before their bodies, parameter descriptions.
      {"CREATE DOMAIN D AS SMALLINT;\nCREATE TABLE T (Q INTEGER, TOTAL NUMERIC(18, 3) COMPUTED "
       "BY (NULL));\nSET TERM ^ ;\nCREATE OR ALTER PROCEDURE P (A INTEGER)\nAS \nBEGIN SUSPEND; "
       "END ^\nALTER PROCEDURE P (A INTEGER)\nAS \nBEGIN\n  EXIT;\nEND ^\nSET TERM ; ^\n"
       "ALTER DOMAIN D ADD CONSTRAINT\n         CHECK (VALUE > 0);\nALTER TABLE T \n"
       "        ALTER TOTAL TYPE NUMERIC(18, 3) COMPUTED BY (Q * 2);\n"
       "COMMENT ON    PROCEDURE PARAMETER P.A IS 'the a';\nCOMMENT ON PROCEDURE    P IS 'pp';",
       [](TObjs& O) {
         EXPECT_EQ(Find<TDmnData>(O.Domains, "D")->TypeField->Extra().CheckText, " (VALUE > 0)");
         ASSERT_NE(Column(O, "T", 1), nullptr);
         EXPECT_EQ(Column(O, "T", 1)->Extra().Body, "(Q * 2)");
         EXPECT_EQ(Column(O, "T", 1)->FieldType, iftUnknown);
         auto* P = Find<TPrcData>(O.Procedures, "P");
         ASSERT_NE(P, nullptr);
         EXPECT_EQ(P->Extra().Body, "BEGIN\n  EXIT;\nEND");
         EXPECT_EQ(P->Extra().Description, "pp");
         ASSERT_EQ(P->Params.Count(), 1);
         EXPECT_EQ(P->Params[0]->Extra().Description, "the a");
       }},
      // Arrays as scripts and isql -x write them: [upper] counts from 1, dimensions follow the
      // whole element type and come before its character set.
      {"CREATE DOMAIN D_GRID AS NUMERIC(9, 2) [0:2, 3];\nCREATE TABLE A (V VARCHAR(15)[5] "
       "CHARACTER SET UTF8, I INTEGER [1:4], N SMALLINT [-1:1], G D_GRID);",
       [](TObjs& O) {
         const auto Bounds = [](const TFldData* F) {
           std::vector<std::pair<int, int>> R;
           for (const TArrayBound& B : F->Extra().ArrayBounds) R.emplace_back(B.Lower, B.Upper);
           return R;
         };
         using TBounds = std::vector<std::pair<int, int>>;
         EXPECT_EQ(Bounds(Column(O, "A", 0)), (TBounds{{1, 5}}));
         EXPECT_EQ(Column(O, "A", 0)->Extra().CharSet, "UTF8");
         EXPECT_EQ(Column(O, "A", 0)->FieldTypeDef(), "VARCHAR(15) [1:5]");
         EXPECT_EQ(Bounds(Column(O, "A", 1)), (TBounds{{1, 4}}));
         EXPECT_EQ(Bounds(Column(O, "A", 2)), (TBounds{{-1, 1}}));
         EXPECT_TRUE(Column(O, "A", 3)->Extra().ArrayBounds.empty());
         const TFldData* Grid = Find<TDmnData>(O.Domains, "D_GRID")->TypeField.get();
         EXPECT_EQ(Bounds(Grid), (TBounds{{0, 2}, {1, 3}}));
         EXPECT_EQ(Grid->FieldTypeDef(), "NUMERIC(9,2) [0:2, 1:3]");
       }},
      // External function arguments have types and no names; a CSTRING's character set.
      {"DECLARE EXTERNAL FUNCTION F CSTRING(80) CHARACTER SET UTF8, INTEGER BY DESCRIPTOR\n"
       "RETURNS CSTRING(80) CHARACTER SET UTF8 FREE_IT ENTRY_POINT 'f' MODULE_NAME 'm';",
       [](TObjs& O) {
         auto* F = Find<TUdfData>(O.Functions, "F");
         ASSERT_NE(F, nullptr);
         ASSERT_EQ(F->Params.Count(), 2);
         EXPECT_EQ(F->Param(0)->GetObjName(), "");
         EXPECT_EQ(F->Param(0)->Extra().CharSet, "UTF8");
         EXPECT_EQ(F->ReturnParam->Extra().CharSet, "UTF8");
         EXPECT_EQ(F->Def(),
                   "DECLARE EXTERNAL FUNCTION F\r\nCSTRING(80), INTEGER BY DESCRIPTOR\r\n"
                   "RETURNS CSTRING(80) FREE_IT\r\nENTRY_POINT 'f' MODULE_NAME 'm'");
       }},
  });
}

TEST(IBParser, AlterationFormsBuildTheirObjects) {
  ExpectForms({
      // The column and domain changes the alteration drivers write as DDL.
      {"CREATE DOMAIN D AS INTEGER DEFAULT 1 CHECK (VALUE > 0);\nCREATE TABLE T (A INTEGER, "
       "B VARCHAR(10) CHARACTER SET ASCII, C INTEGER DEFAULT 3 NOT NULL, E INTEGER);\n"
       "ALTER TABLE T ALTER COLUMN A TYPE BIGINT, ALTER B TYPE VARCHAR(20);\n"
       "ALTER TABLE T ALTER COLUMN C DROP DEFAULT;\nALTER TABLE T ALTER C DROP NOT NULL;\n"
       "ALTER TABLE T ALTER COLUMN E SET DEFAULT 'x';\nALTER TABLE T ALTER E SET NOT NULL;\n"
       "ALTER TABLE T ALTER COLUMN E TYPE D;\nALTER TABLE T ALTER COLUMN E TO F;\n"
       "ALTER DOMAIN D TYPE NUMERIC(9, 2);\nALTER DOMAIN D SET DEFAULT 2;\n"
       "ALTER DOMAIN D SET NOT NULL;\nALTER DOMAIN D DROP CONSTRAINT;",
       [](TObjs& O) {
         EXPECT_EQ(Column(O, "T", 0)->FieldType, iftBigInt);
         EXPECT_EQ(Column(O, "T", 1)->Size, 20);
         EXPECT_EQ(Column(O, "T", 1)->Extra().CharSet, "ASCII");
         EXPECT_EQ(Column(O, "T", 2)->GetDefValue(), "");
         EXPECT_TRUE(Column(O, "T", 2)->Nullable);
         EXPECT_EQ(Column(O, "T", 3)->GetObjName(), "F");
         EXPECT_EQ(Column(O, "T", 3)->GetDefValue(), "'x'");
         EXPECT_FALSE(Column(O, "T", 3)->Nullable);
         EXPECT_EQ(Column(O, "T", 3)->FieldType, iftDomain);
         EXPECT_EQ(Column(O, "T", 3)->Extra().DomainName, "D");
         const TFldData* D = Find<TDmnData>(O.Domains, "D")->TypeField.get();
         EXPECT_EQ(D->FieldTypeDef(), "NUMERIC(9,2)");
         EXPECT_EQ(D->GetDefValue(), "2");
         EXPECT_FALSE(D->Nullable);
         EXPECT_EQ(D->Extra().CheckText, "");
       }},
      // And as writes to the system tables, for servers without that DDL; an UPDATE of
      // another table is data.
      {"CREATE DOMAIN D AS VARCHAR(10);\nCREATE TABLE T (A INTEGER, B VARCHAR(30), M BLOB, "
       "R INTEGER [1:4], K D, N NUMERIC(9, 2));\n"
       "UPDATE RDB$RELATION_FIELDS SET RDB$NULL_FLAG = 1 WHERE RDB$FIELD_NAME='A' AND "
       "RDB$RELATION_NAME='T';\n"
       "UPDATE RDB$FIELDS SET RDB$FIELD_LENGTH=12, RDB$CHARACTER_LENGTH=12, RDB$FIELD_TYPE=37\n"
       "  WHERE RDB$FIELD_NAME=(SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS\n"
       "  WHERE RDB$FIELD_NAME='B' AND RDB$RELATION_NAME='T');\n"
       "UPDATE RDB$FIELDS SET RDB$FIELD_LENGTH=8, RDB$FIELD_TYPE=16, RDB$CHARACTER_LENGTH=0, "
       "RDB$FIELD_PRECISION=15, RDB$FIELD_SCALE=-4, RDB$FIELD_SUB_TYPE=2\n"
       "  WHERE RDB$FIELD_NAME=(SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS\n"
       "  WHERE RDB$FIELD_NAME='N' AND RDB$RELATION_NAME='T');\n"
       "UPDATE RDB$FIELDS SET RDB$FIELD_SUB_TYPE = 1 WHERE RDB$FIELD_NAME=(SELECT "
       "RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS WHERE RDB$FIELD_NAME='M' AND "
       "RDB$RELATION_NAME='T');\n"
       "update rdb$field_dimensions set rdb$lower_bound = 0, rdb$upper_bound = 5\n"
       "where rdb$field_name = (select rdb$field_source from rdb$relation_fields\n"
       "where rdb$relation_name = 'T' and rdb$field_name = 'R') and rdb$dimension = 0;\n"
       "UPDATE RDB$RELATION_FIELDS SET RDB$FIELD_SOURCE='D' WHERE RDB$FIELD_NAME='A' AND "
       "RDB$RELATION_NAME='T';\n"
       "Alter Table T ADD IBCTEMP VARCHAR(40);\nUpdate Rdb$Relation_Fields Set "
       "Rdb$Field_Source=\n(Select R.Rdb$Field_Source from Rdb$Relation_Fields R\n"
       "where R.Rdb$Relation_Name = 'T' and R.Rdb$Field_Name='IBCTEMP')\n"
       "WHERE RDB$FIELD_NAME='K' AND RDB$RELATION_NAME='T';\nAlter Table T DROP IBCTEMP;\n"
       "CREATE DOMAIN IBCXXX VARCHAR(30) DEFAULT 'y';\nUPDATE RDB$RELATION_FIELDS SET "
       "RDB$DEFAULT_SOURCE=\n(SELECT RDB$DEFAULT_SOURCE FROM RDB$FIELDS where "
       "RDB$FIELD_NAME='IBCXXX'),\nRDB$DEFAULT_VALUE=\n(SELECT RDB$DEFAULT_VALUE FROM RDB$FIELDS "
       "where RDB$FIELD_NAME='IBCXXX')\nWHERE RDB$FIELD_NAME='B' AND RDB$RELATION_NAME='T';\n"
       "DROP DOMAIN IBCXXX;\nUPDATE RDB$FIELDS SET RDB$DEFAULT_VALUE = NULL,\nRDB$DEFAULT_SOURCE "
       "= '' WHERE RDB$FIELD_NAME =\n(SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS\nWHERE "
       "RDB$FIELD_NAME = 'B' AND RDB$RELATION_NAME = 'T');\n"
       "Update Rdb$Fields set Rdb$Character_Set_ID =\n(Select C.Rdb$Character_Set_ID from "
       "Rdb$Character_Sets C\nwhere C.Rdb$Character_Set_Name='ASCII')\nwhere "
       "Rdb$Field_Name='D';\nUpdate Rdb$Fields set Rdb$Null_Flag = 1\nwhere "
       "Rdb$Field_Name='D';\nUPDATE ORDERS SET RDB$NULL_FLAG = 1 WHERE RDB$FIELD_NAME = 'A';",
       [](TObjs& O) {
         EXPECT_FALSE(Column(O, "T", 0)->Nullable);
         EXPECT_EQ(Column(O, "T", 0)->Extra().DomainName, "D");
         EXPECT_EQ(Column(O, "T", 1)->FieldTypeDef(), "VARCHAR(12)");
         EXPECT_EQ(Column(O, "T", 1)->GetDefValue(), "'y'");
         EXPECT_EQ(Column(O, "T", 2)->SubType, 1);
         EXPECT_EQ(Column(O, "T", 3)->FieldTypeDef(), "INTEGER [0:5]");
         EXPECT_EQ(Column(O, "T", 4)->FieldTypeDef(), "VARCHAR(40)");
         EXPECT_EQ(Column(O, "T", 5)->FieldTypeDef(), "DECIMAL(15,4)");
         EXPECT_EQ(O.Domains.FindObj("IBCXXX"), nullptr);
         const TFldData* D = Find<TDmnData>(O.Domains, "D")->TypeField.get();
         EXPECT_EQ(D->Extra().CharSet, "ASCII");
         EXPECT_FALSE(D->Nullable);
       }},
  });
}

// ---------------------------------------------------------------------------------------------
// External functions and their users; procedures that others use

namespace {

/// Text read into O with its dependencies linked.
void ReadAndLink(TObjs& O, const std::string& Text) {
  O.SetDatabaseType(dbInterBase);
  TIbParser P(&O);
  P.OnErrorMessage = [](TObject*, const std::string&) {};
  P.ParseScriptText(Text, &O);
  EXPECT_FALSE(P.MsgManager.GetIsErr());
  P.Link_Depend();
}

/// The position of Text in S; a failure when S lacks it.
std::size_t At(const std::string& S, const std::string& Text) {
  const std::size_t Pos = S.find(Text);
  EXPECT_NE(Pos, std::string::npos) << Text << "\n" << S;
  return Pos;
}

}  // namespace

TEST(IBExternalFunctions, UsersAreClearedBeforeTheFunctionIsDeclaredAgainAndComeBackAfter) {
  TObjs O;
  ReadAndLink(O, UdfTarget);
  auto* F = Find<TUdfData>(O.Functions, "STRLEN");
  ASSERT_NE(F, nullptr);
  std::vector<std::string> Users;
  for (int I = 0; I < F->UseIn.Count(); ++I) Users.push_back(F->UseIn[I]->DepObj->GetObjName());
  std::sort(Users.begin(), Users.end());
  EXPECT_EQ(Users, (std::vector<std::string>{"CK_U", "L", "UV", "U_BI", "Z_LEN"}));

  // The server refuses to drop a function while anything uses it.
  const readback::TOutcome R = Firebird3.CompareTexts({UdfMaster}, {UdfTarget});
  ASSERT_TRUE(R.Written);
  const std::string S = readback::Flat(R.Script);
  const std::size_t Drop = At(S, "DROP EXTERNAL FUNCTION STRLEN;");
  for (const char* Before :
       {"DROP VIEW UV;",
        "ALTER PROCEDURE Z_LEN(S VARCHAR(20))\n RETURNS(N INTEGER)\n AS\n BEGIN "
        "SUSPEND; END",
        "ALTER TRIGGER U_BI\n", "ALTER TABLE U DROP L;", "ALTER TABLE U DROP CONSTRAINT CK_U;"})
    EXPECT_LT(At(S, Before), Drop) << Before;
  const std::size_t Declare = At(S, "DECLARE EXTERNAL FUNCTION STRLEN\nCSTRING(80)\nRETURNS");
  EXPECT_LT(Drop, Declare);
  for (const char* After : {"ALTER TABLE U ADD L COMPUTED BY (STRLEN(NAME));", "CREATE VIEW UV(",
                            "ALTER TABLE U ADD CONSTRAINT CK_U CHECK (STRLEN(NAME) < 30);",
                            "ALTER TRIGGER U_BI\nAS BEGIN NEW.ID = STRLEN(NEW.NAME); END"})
    EXPECT_GT(At(S, After), Declare) << After;
}

TEST(IBSchemaWriter, ProceduresOthersUseAreDeclaredBeforeTheViewsAndTakeTheirBodiesAfter) {
  // A_LEN calls Z_LEN and the view LENS reads A_LEN: in name order A_LEN would come first,
  // and in the writer's kind order the view before both.
  TObjs O;
  ReadAndLink(O, UdfMaster);
  TStringList Lines;
  O.ExtractMetadata(Lines);
  const std::string S = readback::Flat(Join(Lines));
  const std::size_t View = At(S, "CREATE VIEW LENS(");
  for (const char* Shell : {"CREATE PROCEDURE A_LEN RETURNS(N INTEGER)\n AS\n BEGIN SUSPEND; END",
                            "CREATE PROCEDURE Z_LEN(S VARCHAR(20))\n RETURNS(N INTEGER)\n AS\n "
                            "BEGIN SUSPEND; END"})
    EXPECT_LT(At(S, Shell), View) << Shell;
  for (const char* Body : {"ALTER PROCEDURE A_LEN RETURNS(N INTEGER)\n AS\nBEGIN SELECT N",
                           "ALTER PROCEDURE Z_LEN(S VARCHAR(20))\n RETURNS(N INTEGER)\n "
                           "AS\nBEGIN N = STRLEN(S);"})
    EXPECT_GT(At(S, Body), View) << Body;
  // Each is written twice, both times inside a SET TERM block; nothing else of them.
  const std::string Alter = "ALTER PROCEDURE Z_LEN";
  EXPECT_EQ(S.find("PROCEDURE Z_LEN", At(S, Alter) + Alter.size()), std::string::npos);
  EXPECT_LT(At(S, "SET TERM ^ ;"), At(S, "CREATE PROCEDURE A_LEN"));
}

#ifdef QEL_HAVE_COMPARE_COMMAND
TEST(IBCompareCommand, TwoScriptsAreComparedForFirebird3) {
  const std::string Dir = ::testing::TempDir();
  const std::string Master = Dir + "/ib_columns_master.sql",
                    Target = Dir + "/ib_columns_target.sql";
  std::ofstream(Master) << ColumnsMaster;
  std::ofstream(Target) << ColumnsTarget;
  std::ostringstream Out, Err;
  ASSERT_EQ(varnel_cli::RunCompare(
                {"--dialect", "firebird", "--master", Master, "--target", Target}, Out, Err),
            0)
      << Err.str();
  // Firebird 3 keeps its system tables read-only: its own DDL, and no server information that
  // no database gave.
  const std::string S = Out.str();
  EXPECT_EQ(S.find("RDB$"), std::string::npos) << S;
  EXPECT_EQ(S.rfind("SET SQL DIALECT 3;", 0), 0u) << S;
  for (const char* Statement :
       {"ALTER TABLE T ALTER COLUMN C SET DEFAULT 2;", "ALTER TABLE T ALTER D DROP NOT NULL;",
        "ALTER TABLE T ALTER G SET NOT NULL;", "ALTER TABLE T ALTER COLUMN G SET DEFAULT 7;",
        "ALTER DOMAIN D_QTY SET NOT NULL;"})
    EXPECT_NE(S.find(Statement), std::string::npos) << Statement << "\n" << S;
  std::ostringstream Help, HelpErr;
  ASSERT_EQ(varnel_cli::RunCompare({"--help"}, Help, HelpErr), 0);
  EXPECT_NE(Help.str().find("written for Firebird 3"), std::string::npos) << Help.str();
}
#endif

// Short forms the server fills in, against the server's own spelling of them (isql -x): a
// script compared with its own database must find nothing to change. Scripts are read in order;
// a key may stand in a later script than the reference to its table.
TEST(IBParser, ShortFormsCompareAsTheServerSpellsThem) {
  struct TCase {
    const char* Name;
    std::vector<std::string> Written;
    std::vector<std::string> Spelled;
  };
  const std::string Keys =
      "CREATE TABLE T1 (ID INTEGER NOT NULL, CONSTRAINT T1_PK PRIMARY KEY (ID));\n";
  const TCase Cases[] = {
      {"NamedReference",
       {Keys + "CREATE TABLE T2 (ID INTEGER, T1ID INTEGER);\n"
               "ALTER TABLE T2 ADD CONSTRAINT T2_FK FOREIGN KEY (T1ID) REFERENCES T1;\n"},
       {Keys + "CREATE TABLE T2 (ID INTEGER, T1ID INTEGER);\n"
               "ALTER TABLE T2 ADD CONSTRAINT T2_FK FOREIGN KEY (T1ID) REFERENCES T1 (ID);\n"}},
      {"UnnamedColumnReference",
       {Keys + "CREATE TABLE T2 (T1ID INTEGER REFERENCES T1 ON DELETE CASCADE);\n"},
       {Keys + "CREATE TABLE T2 (T1ID INTEGER);\n"
               "ALTER TABLE T2 ADD CONSTRAINT INTEG_7 FOREIGN KEY (T1ID) REFERENCES T1 (ID) "
               "ON DELETE CASCADE;\n"}},
      {"KeyInALaterScript",
       {"CREATE TABLE T1 (ID INTEGER NOT NULL);\n"
        "CREATE TABLE T2 (T1ID INTEGER, CONSTRAINT T2_FK FOREIGN KEY (T1ID) REFERENCES T1);\n",
        "ALTER TABLE T1 ADD CONSTRAINT T1_PK PRIMARY KEY (ID);\n"},
       {Keys + "CREATE TABLE T2 (T1ID INTEGER, CONSTRAINT T2_FK FOREIGN KEY (T1ID) REFERENCES "
               "T1 (ID));\n"}},
      {"ExactNumbersWithoutPrecision",
       {"CREATE DOMAIN D AS DECIMAL;\nCREATE TABLE T (A NUMERIC, B DEC, C D);\n"
        "SET TERM ^ ;\nCREATE PROCEDURE P (X NUMERIC) RETURNS (Y DECIMAL) AS BEGIN SUSPEND; "
        "END^\nSET TERM ; ^\n"},
       {"CREATE DOMAIN D AS DECIMAL(9, 0);\nCREATE TABLE T (A NUMERIC(9, 0), B DECIMAL(9, 0), "
        "C D);\nSET TERM ^ ;\nCREATE PROCEDURE P (X NUMERIC(9, 0)) RETURNS (Y DECIMAL(9, 0)) "
        "AS BEGIN SUSPEND; END^\nSET TERM ; ^\n"}},
  };
  for (const TCase& C : Cases) {
    for (const bool WrittenIsMaster : {true, false}) {
      SCOPED_TRACE(std::string(C.Name) + (WrittenIsMaster ? " as master" : " as target"));
      const readback::TOutcome R =
          Firebird.Compare(WrittenIsMaster ? C.Written : C.Spelled,
                           WrittenIsMaster ? C.Spelled : C.Written, Firebird.Setup);
      EXPECT_EQ(R.Errors, std::vector<std::string>{});
      ASSERT_TRUE(R.Written);
      EXPECT_EQ(readback::Statements(R.Script, Firebird.NoStatement), "");
    }
  }
}

TEST(IBParser, ErrorsNameTheirPlaceAndReadingGoesOn) {
  TObjs O;
  O.SetDatabaseType(dbInterBase);
  const auto Errors =
      ParseInto(O, "CREATE TABLE T (ID INTEGER);\nFROB X;\nCREATE TABLE U (ID INTEGER);\n");
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0], "2:5: Unknown statement: FROB");
  EXPECT_NE(O.GetTable("U"), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Read-back of what the library writes: the read-back suite's Firebird cases

INSTANTIATE_TEST_SUITE_P(Firebird, ScriptReadBack, ::testing::ValuesIn(Cases),
                         readback::ReadBackName);

// ---------------------------------------------------------------------------------------------
// The executor's loading

TEST(IBSQLExec, LoadsAnIsqlScriptIntoStatements) {
  TIBSQLExec E(nullptr);
  E.OnErrorMessage = [](TObject*, const std::string&) {};
  TStringList Lines;
  Lines.SetText(
      "CONNECT 'srv/3050:/db/a.fdb' USER 'SYSDBA' PASSWORD 'Secret' ROLE 'R';\n"
      "CREATE TABLE T (ID INTEGER);\nSET TERM ^ ;\nCREATE PROCEDURE P AS BEGIN EXIT; END^\n"
      "SET TERM ; ^\nCOMMENT ON TABLE T IS 'x';\nINSERT INTO T VALUES (1);\nCOMMIT WORK;\n");
  E.LoadScript(Lines);
  EXPECT_FALSE(E.MsgManager.GetIsErr());
  std::vector<TStatType> Types;
  for (int I = 0; I < E.GetStatementsCount(); ++I) Types.push_back(E.GetStatement(I)->StatType);
  EXPECT_EQ(Types, (std::vector<TStatType>{stConnect, stStatement, stProcedure, stDescription,
                                           stInsert, st_Commit}));
  E.ParseConnect("CONNECT 'srv/3050:/db/a.fdb' USER 'SYSDBA' PASSWORD 'Secret' ROLE 'R'");
  EXPECT_EQ(E.GetConnectionOptions().GetDatabaseName(), "srv/3050:/db/a.fdb");
  EXPECT_EQ(E.GetConnectionOptions().UserName, "SYSDBA");
  EXPECT_EQ(E.GetConnectionOptions().Password, "Secret");
  EXPECT_EQ(E.GetConnectionOptions().RoleName, "R");
}

// The three forms of a description as written for Firebird (system-table write, DESCRIBE,
// COMMENT ON): the executor loads each as one description statement whose text is sent as
// written (Firebird 3 refuses the first two, so they are tested as text here), and each reads
// back into the description it wrote.
TEST(IBSQLExec, DescriptionFormsLoadAsWrittenAndReadBack) {
  const std::string Schema =
      "CREATE TABLE T (C INTEGER);\nSET TERM ^ ;\nCREATE PROCEDURE F (X INTEGER) AS BEGIN EXIT; "
      "END^\nSET TERM ; ^\n";
  const struct {
    TUpdateDescriptionType Mode;
    const char* TableText;
  } Modes[] = {
      {udSysTables,
       "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION = \n'it''s T'\n"
       "WHERE RDB$RELATION_NAME = 'T'"},
      {udDescribe, "DESCRIBE TABLE T\n'it''s T'"},
      {udComment, "COMMENT ON TABLE T IS\n'it''s T'"},
  };
  for (const auto& M : Modes) {
    SCOPED_TRACE(M.TableText);
    TObjs O;
    O.SetDatabaseType(dbInterBase);
    ASSERT_EQ(ParseInto(O, Schema), std::vector<std::string>{});
    O.IBServerOptions.GetIBCompareOptions().SetUpdateDescriptionMode(M.Mode);
    auto* P = Find<TPrcData>(O.Procedures, "F");
    ASSERT_NE(P, nullptr);
    const std::vector<std::pair<TDbObj*, std::string>> Described = {
        {O.GetTable("T"), "it's T"}, {Column(O, "T", 0), "col\nline two"}, {P->Params[0], "par"}};
    std::string Script;
    std::vector<std::string> Texts;
    for (const auto& [Obj, Text] : Described) {
      Obj->SetExtra(&TObjExtra::Description, Text);
      std::string Def = Obj->DescriptionDef();
      for (std::size_t I; (I = Def.find('\r')) != std::string::npos;) Def.erase(I, 1);
      Texts.push_back(Def);
      Script += Def + ";\n";
    }
    EXPECT_EQ(Texts[0], M.TableText);

    TIBSQLExec E(nullptr);
    E.OnErrorMessage = [](TObject*, const std::string&) {};
    TStringList Lines;
    Lines.SetText(Script);
    E.LoadScript(Lines);
    EXPECT_FALSE(E.MsgManager.GetIsErr());
    ASSERT_EQ(E.GetStatementsCount(), 3);
    for (int I = 0; I < 3; ++I) {
      EXPECT_EQ(E.GetStatement(I)->StatType, stDescription);
      EXPECT_EQ(Join(E.GetStatement(I)->Lines), Texts[static_cast<std::size_t>(I)] + "\n");
    }

    TObjs Back;
    Back.SetDatabaseType(dbInterBase);
    ASSERT_EQ(ParseInto(Back, Schema + Script), std::vector<std::string>{});
    EXPECT_EQ(Back.GetTable("T")->Extra().Description, "it's T");
    EXPECT_EQ(Column(Back, "T", 0)->Extra().Description, "col\nline two");
    EXPECT_EQ(Find<TPrcData>(Back.Procedures, "F")->Params[0]->Extra().Description, "par");
  }
}
