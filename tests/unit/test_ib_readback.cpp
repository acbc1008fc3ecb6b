// InterBase/Firebird scripts: the parser's model of each statement form, every Firebird script
// the library writes reading back without an error, the schema writer's script and the update
// scripts comparing to nothing, the order-entry example against its golden update script, and
// the executor's loading of isql scripts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
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

TEST(IBParser, StatementFormsBuildTheirObjects) {
  struct TCase {
    const char* Script;
    std::function<void(TObjs&)> Check;
  };
  const TCase Cases[] = {
      {"CREATE DOMAIN D_MONEY AS NUMERIC(10, 2) DEFAULT 0 NOT NULL CHECK (VALUE >= 0);",
       [](TObjs& O) {
         auto* D = Find<TDmnData>(O.Domains, "D_MONEY");
         ASSERT_NE(D, nullptr);
         EXPECT_EQ(D->TypeField->FieldType, iftNumeric);
         EXPECT_EQ(D->TypeField->Precision, 10);
         EXPECT_EQ(D->TypeField->Scale, 2);
         EXPECT_EQ(D->TypeField->GetDefValue(), "0");
         EXPECT_FALSE(D->TypeField->Nullable);
         EXPECT_EQ(D->TypeField->CheckText, " (VALUE >= 0)");
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
         EXPECT_EQ(Column(O, "T", 1)->CharSet, "WIN1252");
         EXPECT_EQ(Column(O, "T", 1)->Collation, "PXW_INTL");
         EXPECT_EQ(Column(O, "T", 2)->Body, "(id * 2)");
         EXPECT_EQ(Column(O, "T", 3)->FieldType, iftBlob);
         EXPECT_EQ(Column(O, "T", 3)->SubType, 1);
         EXPECT_EQ(Column(O, "T", 4)->FieldType, iftDoublePrecision);
         EXPECT_EQ(Column(O, "T", 5)->FieldType, iftDomain);
         EXPECT_EQ(Column(O, "T", 5)->DomainName, "D_MONEY");
         EXPECT_EQ(Column(O, "T", 5)->GetDefValue(), "1");
         EXPECT_EQ(O.Constraints.Count(), 1);
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
         EXPECT_EQ(Ck->Body, " (ID > (0))");
         auto* Uq = Find<TCtrData>(O.Constraints, "UQ_B");
         ASSERT_NE(Uq, nullptr);
         EXPECT_EQ(Uq->IndexName, "IX_UQ_B");
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
         EXPECT_EQ(C->Body, " (UPPER(A))");
       }},
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
         EXPECT_EQ(V->Body, "SELECT X, Y FROM T");
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
         EXPECT_EQ(P->Body, "DECLARE VARIABLE X INTEGER;\nBEGIN\n  R = A; SUSPEND;\nEND");
         auto* T = Find<TTrgData>(O.Triggers, "TR");
         ASSERT_NE(T, nullptr);
         EXPECT_TRUE(T->Active);
         EXPECT_EQ(T->Position, 3);
         EXPECT_EQ(T->OwnName, "T");
         EXPECT_EQ(T->TrgTypStr(), "AFTER INSERT OR DELETE");
         EXPECT_EQ(T->Body, "AS\nBEGIN\nEND");
       }},
      {"CREATE TABLE T (ID INTEGER, C VARCHAR(5));\nCOMMENT ON TABLE T IS 'tab';\n"
       "COMMENT ON COLUMN T.C IS 'col';\nGRANT SELECT, UPDATE ON T TO ROLE R1 WITH GRANT OPTION;\n"
       "DECLARE EXTERNAL FUNCTION F CSTRING(20), INTEGER BY DESCRIPTOR RETURNS INTEGER BY VALUE "
       "ENTRY_POINT 'f' MODULE_NAME 'udf';\nALTER TABLE T DROP C;",
       [](TObjs& O) {
         ASSERT_NE(O.GetTable("T"), nullptr);
         EXPECT_EQ(O.GetTable("T")->Description, "tab");
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
         EXPECT_EQ(V->Body, "SELECT 2 FROM RDB$DATABASE");
         EXPECT_EQ(Find<TExcData>(O.Exceptions, "E")->Message, "b");
       }},
      // The forms isql -x writes: typed computed columns set afterwards, domain checks added
      // afterwards, procedure headers before their bodies, parameter descriptions.
      {"CREATE DOMAIN D AS SMALLINT;\nCREATE TABLE T (Q INTEGER, TOTAL NUMERIC(18, 3) COMPUTED "
       "BY (NULL));\nSET TERM ^ ;\nCREATE OR ALTER PROCEDURE P (A INTEGER)\nAS \nBEGIN SUSPEND; "
       "END ^\nALTER PROCEDURE P (A INTEGER)\nAS \nBEGIN\n  EXIT;\nEND ^\nSET TERM ; ^\n"
       "ALTER DOMAIN D ADD CONSTRAINT\n         CHECK (VALUE > 0);\nALTER TABLE T \n"
       "        ALTER TOTAL TYPE NUMERIC(18, 3) COMPUTED BY (Q * 2);\n"
       "COMMENT ON    PROCEDURE PARAMETER P.A IS 'the a';\nCOMMENT ON PROCEDURE    P IS 'pp';",
       [](TObjs& O) {
         EXPECT_EQ(Find<TDmnData>(O.Domains, "D")->TypeField->CheckText, " (VALUE > 0)");
         ASSERT_NE(Column(O, "T", 1), nullptr);
         EXPECT_EQ(Column(O, "T", 1)->Body, "(Q * 2)");
         EXPECT_EQ(Column(O, "T", 1)->FieldType, iftUnknown);
         auto* P = Find<TPrcData>(O.Procedures, "P");
         ASSERT_NE(P, nullptr);
         EXPECT_EQ(P->Body, "BEGIN\n  EXIT;\nEND");
         EXPECT_EQ(P->Description, "pp");
         ASSERT_EQ(P->Params.Count(), 1);
         EXPECT_EQ(P->Params[0]->Description, "the a");
       }},
  };
  for (const TCase& C : Cases) {
    TObjs O;
    O.SetDatabaseType(dbInterBase);
    EXPECT_EQ(ParseInto(O, C.Script), std::vector<std::string>{}) << C.Script;
    C.Check(O);
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
      Obj->Description = Text;
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
    EXPECT_EQ(Back.GetTable("T")->Description, "it's T");
    EXPECT_EQ(Column(Back, "T", 0)->Description, "col\nline two");
    EXPECT_EQ(Find<TPrcData>(Back.Procedures, "F")->Params[0]->Description, "par");
  }
}
