// The Transact-SQL parsers of SQL Server and ASE: malformed scripts end as errors at their line
// and column, and the statement forms build the objects they name (owners, server-made names,
// defaults, user types, descriptions, DROP and IF, the re-read of catalog texts).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelASEParser.h"
#include "qelCompObj.h"
#include "qelComp_Def.h"
#include "qelComp_Dmn.h"
#include "qelComp_Rul.h"
#include "qelMSSQLParser.h"

using namespace qel;

namespace {

/// A collection read from one script, with the parser's messages ("line:column: text").
struct TParsed {
  TParsed(TDatabaseType DB, const std::string& Text) {
    O.SetDatabaseType(DB);
    std::unique_ptr<TTransactSQLParser> P;
    if (DB == dbMSSQL)
      P = std::make_unique<TMSSQLParser>(&O);
    else
      P = std::make_unique<TASEParser>(&O);
    P->OnErrorMessage = [](TObject*, const std::string&) {};
    P->ParseScriptText(Text, &O);
    for (int I = 0; I < P->MsgManager.GetMsgCount(); ++I)
      Errors.push_back(std::to_string(P->MsgManager.Items(I).Line) + ":" +
                       std::to_string(P->MsgManager.Items(I).Column) + ": " +
                       P->MsgManager.Items(I).Text);
  }
  TTblData* Table(const std::string& Key) { return dynamic_cast<TTblData*>(O.Tables.FindObj(Key)); }
  TCtrData* Constraint(int I) { return dynamic_cast<TCtrData*>(O.Constraints.Objects(I)); }
  TObjs O;
  std::vector<std::string> Errors;
};

}  // namespace

TEST(TSQLParser, MalformedScriptsEndAsErrorsAtTheirPlace) {
  struct TCase {
    TDatabaseType DB;
    const char* Text;
    const char* Error;
  };
  const TCase Cases[] = {
      {dbMSSQL, "CREATE TABLE T (ID int\nGO\n", "2:1: Missing: <)> (<Terminator>)"},
      {dbSybaseASE, "create table t (id int)\ngo\ncreate tabel u (id int)\ngo\n",
       "3:8: Unknown CREATE-statement"},
      {dbMSSQL, "CREATE TABLE T (ID int NOT NUL)\nGO\n", "1:28: Must be: NULL"},
      {dbMSSQL, "CREATE TABLE T (ID decimal(10,) NULL)\nGO\n",
       "1:31: Missing: <Integer value> (<)>)"},
      {dbMSSQL, "CREATE TABLE T (D datetime2(3))\nGO\n", "1:28: Unknown datatype: datetime2"},
      {dbSybaseASE, "  frobnicate t\ngo\n", "1:3: Missing/Unknown: DDL-statement frobnicate"},
      {dbMSSQL, "CREATE VIEW V (A) SELECT 1\nGO\n", "1:19: Must be: AS"},
      {dbMSSQL, "CREATE TRIGGER TR ON T\nBEFORE INSERT AS SELECT 1\nGO\n",
       "2:1: Must be: FOR / AFTER / INSTEAD OF"},
      {dbMSSQL, "ALTER TABLE T\n  RENAME X\nGO\n", "2:3: Unknown ALTER TABLE statement"},
      {dbMSSQL, "CREATE TABLE [T (ID int)\nGO\n", "1:14: Unterminated name."},
      // SQL Server lets a comma end the column list (see DefaultsRulesTypesDescriptionsAndOptions).
      {dbSybaseASE, "create table t (id int,)\ngo\n", "1:24: Missing: <Ident> (<)>)"},
      {dbMSSQL, "CREATE FUNCTION F (@A int) AS BEGIN RETURN 1 END\nGO\n", "1:28: Must be: RETURNS"},
      {dbSybaseASE, "alter table t add constraint c foo (x)\ngo\n",
       "1:32: Must be: PRIMARY / UNIQUE / FOREIGN / CHECK / DEFAULT"},
      {dbMSSQL,
       "EXEC sp_addextendedproperty 'MS_Description', 'x', 'SCHEMA', 'dbo', 'TABLE', 'NOPE'\nGO\n",
       "2:1: Object of the description not found: dbo.NOPE"},
      // A rename the model does not follow would drop the renamed table with its rows.
      {dbMSSQL, "CREATE TABLE T (A int)\nGO\nsp_rename 'T', 'U'\nGO\n",
       "4:1: sp_rename is not read: write the object under its new name instead."},
      {dbSybaseASE, "exec sp_rename 't.a', 'b'\ngo\n",
       "2:1: sp_rename is not read: write the object under its new name instead."},
  };
  for (const TCase& C : Cases) {
    TParsed P(C.DB, C.Text);
    ASSERT_FALSE(P.Errors.empty()) << C.Text;
    EXPECT_EQ(P.Errors[0], C.Error) << C.Text;
  }
}

TEST(TSQLParser, OwnersBatchesAndOperatorsOfTheScanner) {
  // "dbo" is the default owner; GO ends a batch in any case; blanks may stand inside "< >".
  TParsed P(dbMSSQL,
            "create table dbo.[My T] (a int null check (a < > 0 and a ! = 1))\ngo\n"
            "CREATE TABLE sales.t (a int)\nGo\nCREATE INDEX i ON [dbo].[my t] (a DESC)\n");
  EXPECT_EQ(P.Errors, std::vector<std::string>{});
  ASSERT_NE(P.Table("DBO.MY T"), nullptr);
  EXPECT_EQ(P.Table("DBO.MY T")->GetSchema(), "DBO");
  ASSERT_NE(P.Table("SALES.T"), nullptr);
  EXPECT_EQ(P.Table("SALES.T")->GetObjFullName(), "SALES.T");
  ASSERT_EQ(P.O.Indexes.Count(), 1);
  EXPECT_EQ(P.O.Indexes.Objects(0)->Def(), "CREATE INDEX I ON DBO.[MY T](A DESC)");
  EXPECT_EQ(P.Constraint(0)->Extra().Body, " (a < > 0 and a ! = 1)");
}

TEST(TSQLParser, GoOnTheFirstLineEndsABatchAndBodiesStopAtGoLines) {
  // Unlike SQL Anywhere, a GO at the very start of the text is a batch end; "GOTO" is a name.
  for (TDatabaseType DB : {dbMSSQL, dbSybaseASE}) {
    TParsed P(DB,
              "go\r\nCREATE VIEW v AS SELECT 1 AS GOTO\r\n  go\r\nGO\t\r\n"
              "CREATE TABLE t (a INT)\nGO");
    EXPECT_EQ(P.Errors, std::vector<std::string>{}) << DB;
    ASSERT_EQ(P.O.Views.Count(), 1) << DB;
    EXPECT_EQ(dynamic_cast<TViwData*>(P.O.Views.Objects(0))->Extra().Body,
              "SELECT 1 AS GOTO\r\n  go")
        << DB;
    EXPECT_EQ(P.O.Tables.Count(), 1) << DB;
  }
}

TEST(TSQLParser, ServerMadeNamesAndColumnDefaults) {
  for (TDatabaseType DB : {dbMSSQL, dbSybaseASE}) {
    TParsed P(DB,
              "CREATE TABLE t (id int, c char(1) CONSTRAINT df_c DEFAULT 'x', d int)\nGO\n"
              "ALTER TABLE t ADD CONSTRAINT PK__t__3213E83F0AD2A005 PRIMARY KEY (id)\nGO\n"
              "ALTER TABLE t ADD DEFAULT 5 FOR d\nGO\n");
    EXPECT_EQ(P.Errors, std::vector<std::string>{});
    TTblData* T = P.Table(DB == dbMSSQL ? "DBO.T" : "t");
    ASSERT_NE(T, nullptr);
    // ASE makes a column NOT NULL unless it says NULL; both make key columns NOT NULL.
    EXPECT_EQ(T->Fields.Find(DB == dbMSSQL ? "D" : "d")->Nullable, DB == dbMSSQL);
    EXPECT_FALSE(T->Fields[0]->Nullable);
    EXPECT_EQ(T->Fields[2]->DefValue, "5");
    const TCtrData* Pk = nullptr;
    for (int I = 0; I < P.O.Constraints.Count(); ++I)
      if (P.Constraint(I)->GetCtType() == ctPKey) Pk = P.Constraint(I);
    ASSERT_NE(Pk, nullptr);
    EXPECT_EQ(Pk->GetObjName(), "");
    EXPECT_EQ(Pk->Extra().AltName,
              DB == dbMSSQL ? "PK__T__3213E83F0AD2A005" : "PK__t__3213E83F0AD2A005");
    // A named default stays a constraint on SQL Server; ASE keeps it with its column.
    EXPECT_EQ(P.O.Constraints.Count(), DB == dbMSSQL ? 2 : 1);
    EXPECT_EQ(T->Fields[1]->DefValue, DB == dbMSSQL ? "" : "'x'");
  }
}

TEST(TSQLParser, DefaultsRulesTypesDescriptionsAndOptions) {
  TParsed P(dbMSSQL,
            "USE [shop db]\nGO\nALTER DATABASE [shop db] SET RECURSIVE_TRIGGERS ON\nGO\n"
            "CREATE DEFAULT d1 AS 'none'\nGO\nCREATE RULE r1 AS @v IN (1, 2)\nGO\n"
            "EXEC sp_addtype N'money_t', N'decimal(12,2)', N'NOT NULL'\nGO\n"
            "CREATE TABLE t (m money_t, n int NULL,)\nGO\nEXEC sp_bindrule 'r1', 't.n'\nGO\n"
            "EXEC dbo.sp_addextendedproperty @name = N'MS_Description', @value = N'The n',\n"
            "  @level0type = N'SCHEMA', @level0name = N'dbo', @level1type = N'TABLE',\n"
            "  @level1name = N't', @level2type = N'COLUMN', @level2name = N'n'\nGO\n"
            "EXECUTE [sys].[sp_addextendedproperty] N'MS_Description', N'The m', N'SCHEMA', [dbo],"
            " N'TABLE', [t], N'COLUMN', [m]\nGO\nENABLE TRIGGER tr ON t\nGO\n"
            "USE master\nGO\n");
  EXPECT_EQ(P.Errors, std::vector<std::string>{});
  // The database the objects were made in, not the one an install script goes back to.
  EXPECT_EQ(P.O.ConnectionOptions.GetDatabaseName(), "shop db");
  EXPECT_TRUE(P.O.MSSQLServerOptions.GetMSSQLDatabaseOptions().RecursiveTriggers);
  EXPECT_EQ(P.O.MSSQLServerOptions.GetMSSQLDatabaseOptions().CompatibilityLevel, 90);
  ASSERT_EQ(P.O.Defaults.Count(), 1);
  EXPECT_EQ(P.O.Defaults.Objects(0)->Def(), "CREATE DEFAULT [D1] AS 'none'");
  ASSERT_EQ(P.O.Rules.Count(), 1);
  EXPECT_EQ(P.O.Rules.Objects(0)->Def(), "CREATE RULE [R1] AS @v IN (1, 2)");
  ASSERT_EQ(P.O.Domains.Count(), 1);
  EXPECT_EQ(P.O.Domains.Objects(0)->Def(),
            "EXEC sp_addtype N'MONEY_T', N'decimal(12,2)', N'NOT NULL'");
  EXPECT_EQ(P.Table("DBO.T")->Fields[0]->Extra().DomainName, "MONEY_T");
  EXPECT_EQ(P.Table("DBO.T")->Fields[0]->Extra().Description, "The m");
  EXPECT_EQ(P.Table("DBO.T")->Fields[1]->Extra().Description, "The n");
  EXPECT_EQ(P.Table("DBO.T")->Fields[1]->DescriptionDef(),
            "exec dbo.sp_addextendedproperty @name=N'MS_Description', @value=N'The n', "
            "@level0type=N'SCHEMA', @level0name=N'DBO', @level1type=N'TABLE', @level1name=N'T', "
            "@level2type=N'COLUMN', @level2name=N'N'");
}

TEST(TSQLParser, DropAndConditionalStatementsTakeTheirEffect) {
  TParsed P(dbSybaseASE,
            "create table a (id int)\ngo\ncreate table b (id int, x int)\ngo\n"
            "create index ix on a (id)\ngo\ncreate view v as select id from a\ngo\n"
            "if exists (select 1 from sysobjects where name = 'a')\n  drop table a\ngo\n"
            "IF OBJECT_ID('v') IS NOT NULL DROP VIEW v\ngo\n"
            "alter table b drop x\ngo\nalter table b replace id default 7\ngo\n"
            "insert into b (id) values (1)\ngo\nbegin\n  print 'x'\nend\ngo\n");
  EXPECT_EQ(P.Errors, std::vector<std::string>{});
  EXPECT_EQ(P.Table("a"), nullptr);
  EXPECT_EQ(P.O.Indexes.Count(), 0);
  EXPECT_EQ(P.O.Views.Count(), 0);
  ASSERT_NE(P.Table("b"), nullptr);
  ASSERT_EQ(P.Table("b")->Fields.Count(), 1);
  EXPECT_EQ(P.Table("b")->Fields[0]->DefValue, "7");
}

TEST(TSQLParser, CatalogTextsAreReadIntoTheirObjects) {
  TObjs O;
  O.SetDatabaseType(dbMSSQL);
  TMSSQLParser P(&O);
  TPrcData Prc(&O);
  Prc.SetExtra(&TObjExtra::FullText,
               "CREATE PROCEDURE [sales].[p] @a int = -1, @b varchar(10) OUT\nAS\nSELECT 1");
  P.ParseObjText(&Prc);
  TTrgData Trg(&O);
  Trg.SetExtra(&TObjExtra::FullText,
               "create trigger tr on t instead of insert\nas\nbegin\n  select 1\nend");
  P.ParseObjText(&Trg);
  EXPECT_EQ(P.MsgManager.GetMsgCount(), 0);
  EXPECT_EQ(
      Prc.Def(),
      "CREATE PROCEDURE SALES.P @A INTEGER = -1,\r\n@B VARCHAR(10) OUTPUT\r\n AS\r\nSELECT 1");
  EXPECT_EQ(
      Trg.Def(),
      "CREATE TRIGGER DBO.TR ON DBO.T\r\n INSTEAD OF INSERT\r\n AS\r\nbegin\r\n  select 1\r\nend");
}

TEST(TSQLParser, AColumnsForeignKeyNeedsNoColumnList) {
  // The form of public membership schemas: a uniqueidentifier key column that is a foreign key
  // by FOREIGN KEY REFERENCES alone.
  TParsed P(dbMSSQL,
            "CREATE TABLE apps (id uniqueidentifier NOT NULL PRIMARY KEY NONCLUSTERED "
            "DEFAULT NEWID())\nGO\n"
            "CREATE TABLE users (app uniqueidentifier NOT NULL FOREIGN KEY REFERENCES "
            "dbo.apps(id), name nvarchar(256) NOT NULL)\nGO\n");
  EXPECT_EQ(P.Errors, std::vector<std::string>{});
  const TCtrData* Fk = nullptr;
  for (int I = 0; I < P.O.Constraints.Count(); ++I)
    if (P.Constraint(I)->GetCtType() == ctFKey) Fk = P.Constraint(I);
  ASSERT_NE(Fk, nullptr);
  ASSERT_EQ(Fk->FldList.Count(), 1);
  EXPECT_EQ(Fk->FldList[0], "APP");
  ASSERT_NE(P.Table("DBO.USERS"), nullptr);
  EXPECT_EQ(P.Table("DBO.USERS")->Fields.Count(), 2);
}
