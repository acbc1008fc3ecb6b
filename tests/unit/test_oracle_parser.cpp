// The Oracle script parser: the SQL*Plus words and blocks, names, the statement forms it reads
// and what each builds, the statements it reports, its errors, and the re-read of catalog texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelComp_Gnr.h"
#include "qelComp_Rol.h"
#include "qelOracleParser.h"
#include "test_parse_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TOraParse = TParse<TOracleParser>;

std::vector<std::string> Errors(const TOracleParser& P) {
  std::vector<std::string> R;
  for (int I = 0; I < P.MsgManager.GetMsgCount(); ++I) {
    const TMsgData& M = P.MsgManager.Items(I);
    if (M.MsgType == mt_Err)
      R.push_back(std::to_string(M.Line) + ":" + std::to_string(M.Column) + ": " + M.Text);
  }
  return R;
}

::testing::AssertionResult ParsesCleanly(TOraParse& P, const std::string& Text) {
  if (P.Parse(Text)) return ::testing::AssertionSuccess();
  auto R = ::testing::AssertionFailure();
  for (const std::string& E : Errors(P.Parser)) R << E << "\n";
  return R;
}

}  // namespace

TEST(OracleParser, QuoteIdent) {
  const std::pair<const char*, const char*> Cases[] = {
      {"", ""},           {"EMP", "EMP"},         {"EMP_1#", "EMP_1#"},   {"JOB$", "JOB$"},
      {"Emp", "\"Emp\""}, {"TABLE", "\"TABLE\""}, {"table", "\"table\""}, {"A B", "\"A B\""},
      {"A-B", "\"A-B\""}, {"1A", "\"1A\""},       {"A\"B", "\"A\"\"B\""},
  };
  for (const auto& [In, Out] : Cases) EXPECT_EQ(OracleQuoteIdent(In), Out) << In;
}

TEST(OracleParser, SqlPlusWordsAreReadAndReportNothing) {
  TOraParse P;
  ASSERT_TRUE(ParsesCleanly(P,
                            "REM a remark\n"
                            "remark another\n"
                            "SET ECHO OFF\n"
                            "SPOOL out.log\n"
                            "PROMPT Making; tables /\n"
                            "COL NAME FORMAT A20\n"
                            "PAUSE\n"
                            "@other.sql\n"
                            "CREATE TABLE T (\n"
                            "REM inside the column list\n"
                            "  ID NUMBER(10) NOT NULL,\n"
                            "  REMOTE_ID NUMBER(10)\n"
                            ");\n"
                            "  REM indented\n"
                            "SHOW ERRORS\n"
                            "COMMIT;\n"
                            "SPOOL OFF\n"
                            "EXIT\n"));
  ASSERT_NE(P.Table("T"), nullptr);
  // A REM that is a word of its own is a remark; REMOTE_ID at a line start is a column.
  EXPECT_EQ(P.Table("T")->Fields.Count(), 2);
  ASSERT_EQ(P.Statements.size(), 2u);
  EXPECT_EQ(P.Statements[0].Typ, stStatement);
  EXPECT_EQ(P.Statements[0].ObjName, "T");
  EXPECT_EQ(P.Statements[1].Typ, st_Commit);
}

TEST(OracleParser, PlSqlUnitsEndOnlyAtTheSlashLine) {
  TOraParse P;
  ASSERT_TRUE(ParsesCleanly(P,
                            "CREATE OR REPLACE PROCEDURE P1 (A IN NUMBER) AS\n"
                            "  X NUMBER;\n"
                            "BEGIN\n"
                            "/* a comment at a line start */\n"
                            "  X := A / 2;\n"
                            "  NULL;\n"
                            "END;\n"
                            "/\n"
                            "BEGIN\n  P1(1);\nEND;\n/\n"
                            "CREATE TABLE AFTER_IT (ID NUMBER)\n"
                            ".\n"));
  ASSERT_NE(P.Objs.GetProcedure("P1"), nullptr);
  EXPECT_EQ(P.Objs.GetProcedure("P1")->Extra().Body,
            "(A IN NUMBER) AS\r\n  X NUMBER;\r\nBEGIN\r\n/* a comment at a line start */\r\n"
            "  X := A / 2;\r\n  NULL;\r\nEND;");
  ASSERT_EQ(P.Statements.size(), 3u);
  EXPECT_EQ(P.Statements[0].Typ, stProcedure);
  EXPECT_EQ(P.Statements[0].ObjType, dboProcedure);
  EXPECT_EQ(P.Statements[1].Text, "BEGIN\r\n  P1(1);\r\nEND;");
  // A line holding only "." ends a statement like "/".
  EXPECT_NE(P.Table("AFTER_IT"), nullptr);
}

TEST(OracleParser, AnUnterminatedUnitIsAnErrorAtItsStart) {
  TOraParse P;
  EXPECT_FALSE(
      P.Parse("CREATE TABLE A (ID NUMBER);\n"
              "  CREATE OR REPLACE TRIGGER TR BEFORE INSERT ON A FOR EACH ROW\n"
              "BEGIN NULL; END;\n"
              "CREATE TABLE B (ID NUMBER);\n"));
  EXPECT_EQ(Errors(P.Parser),
            std::vector<std::string>{"2:3: Missing: \"/\" line after the PL/SQL block."});
  EXPECT_EQ(P.Objs.GetTrigger("TR"), nullptr);
}

TEST(OracleParser, Names) {
  TOraParse P;
  ASSERT_TRUE(ParsesCleanly(P,
                            "create table scott.emp (\"MixedCase\" varchar2(10), job$ number, "
                            "emp#no number);\n"
                            "CREATE TABLE \"lower\" (ID NUMBER);\n"));
  TTblData* Emp = P.Table("SCOTT.EMP");
  ASSERT_NE(Emp, nullptr);
  EXPECT_EQ(Emp->GetObjName(), "EMP");
  EXPECT_EQ(Emp->GetSchema(), "SCOTT");
  ASSERT_EQ(Emp->Fields.Count(), 3);
  EXPECT_EQ(Emp->Fields[0]->GetObjName(), "MixedCase");
  EXPECT_EQ(Emp->Fields[1]->GetObjName(), "JOB$");
  EXPECT_EQ(Emp->Fields[2]->GetObjName(), "EMP#NO");
  EXPECT_NE(P.Table("lower"), nullptr);
}

TEST(OracleParser, DataTypes) {
  struct TCase {
    const char* Type;
    TDBFieldType Field;
    int Size, Precision, Scale;
  };
  const TCase Cases[] = {
      {"VARCHAR2(30)", iftVarChar2, 30, 0, 0},
      {"VARCHAR2(30 BYTE)", iftVarChar2, 30, 0, 0},
      {"CHAR", iftChar, 1, 0, 0},
      {"NVARCHAR2(5)", iftNVarChar2, 5, 0, 0},
      {"RAW(16)", iftRaw, 16, 0, 0},
      {"NUMBER", iftNumber, 0, 0, 0},
      {"NUMBER(*,2)", iftNumber, 0, 0, 2},
      {"NUMBER(10,2)", iftNumber, 0, 10, 2},
      {"DECIMAL(8)", iftDecimal, 0, 8, 0},
      {"INTEGER", iftInteger, 0, 0, 0},
      {"FLOAT(10)", iftFloat, 0, 10, 0},
      {"DOUBLE PRECISION", iftDoublePrecision, 0, 0, 0},
      {"LONG RAW", iftLongRaw, 0, 0, 0},
      {"DATE", iftDate, 0, 0, 0},
      {"INTERVAL YEAR(2) TO MONTH", iftIntervalYearToMonth, 0, 2, 0},
      {"INTERVAL DAY(3) TO SECOND(4)", iftIntervalDayToSecond, 0, 3, 4},
      {"CLOB", iftClob, 0, 0, 0},
      {"UROWID(100)", iftURowID, 0, 100, 0},
      {"VARCHAR(3)", iftVarchar, 3, 0, 0},
      {"NCHAR", iftNChar, 1, 0, 0},
      {"NVARCHAR(7 CHAR)", iftNVarChar, 7, 0, 0},
      {"NUMERIC(5)", iftNumeric, 0, 5, 0},
      {"SMALLINT", iftSmallInt, 0, 0, 0},
      {"REAL", iftReal, 0, 0, 0},
      {"LONG", iftLong, 0, 0, 0},
      {"ROWID", iftRowID, 0, 0, 0},
      {"NCLOB", iftNClob, 0, 0, 0},
      {"BLOB", iftBlob, 0, 0, 0},
      {"BFILE", iftBFile, 0, 0, 0},
      {"TIMESTAMP(6)", iftTimeStamp, 0, 0, 0},
      {"INTERVAL DAY TO SECOND", iftIntervalDayToSecond, 0, 0, 0},
  };
  for (const TCase& C : Cases) {
    TOraParse P;
    ASSERT_TRUE(ParsesCleanly(P, std::string("CREATE TABLE T (C ") + C.Type + ");\n")) << C.Type;
    const TFldData* F = P.Column("T", "C");
    ASSERT_NE(F, nullptr) << C.Type;
    EXPECT_EQ(F->FieldType, C.Field) << C.Type;
    EXPECT_EQ(F->Size, C.Size) << C.Type;
    EXPECT_EQ(F->Precision, C.Precision) << C.Type;
    EXPECT_EQ(F->Scale, C.Scale) << C.Type;
  }
  TOraParse P;
  ASSERT_TRUE(ParsesCleanly(P,
                            "CREATE TABLE T (A TIMESTAMP WITH LOCAL TIME ZONE, B address_t, "
                            "C REF ADDRESS_T);\n"));
  EXPECT_TRUE(P.Column("T", "A")->WithLocalTimeZone);
  EXPECT_EQ(P.Column("T", "B")->FieldType, iftDomain);
  EXPECT_EQ(P.Column("T", "B")->Extra().DomainName, "ADDRESS_T");
  EXPECT_TRUE(P.Column("T", "C")->RefType);
}

TEST(OracleParser, Defaults) {
  const std::pair<const char*, const char*> Cases[] = {
      {"NUMBER DEFAULT -1", "-1"},
      {"VARCHAR2(5) DEFAULT 'N'", "'N'"},
      {"DATE DEFAULT SYSDATE", "SYSDATE"},
      {"RAW(16) DEFAULT SYS_GUID()", "SYS_GUID()"},
      {"NUMBER DEFAULT 10", "10"},
      {"NUMBER DEFAULT NULL", "NULL"},
      {"VARCHAR2(5) DEFAULT 'it''s'", "'it''s'"},
  };
  for (const auto& [Column, Default] : Cases) {
    TOraParse P;
    ASSERT_TRUE(ParsesCleanly(P, std::string("CREATE TABLE T (C ") + Column + ");\n")) << Column;
    EXPECT_EQ(P.Column("T", "C")->DefValue, Default) << Column;
  }
}

TEST(OracleParser, TableClausesAndConstraints) {
  TOraParse P;
  ASSERT_TRUE(ParsesCleanly(
      P,
      "CREATE UNIQUE INDEX PK_D ON D (ID);\n"
      "CREATE TABLE D (ID NUMBER NOT NULL, CODE VARCHAR2(5) UNIQUE,\n"
      "  CONSTRAINT PK_D PRIMARY KEY (ID) USING INDEX TABLESPACE IDX PCTFREE 5 ENABLE)\n"
      "PCTFREE 10 PCTUSED 40 INITRANS 2 MAXTRANS 255\n"
      "STORAGE (INITIAL 64K NEXT 1M)\n"
      "TABLESPACE USERS NOLOGGING COMPRESS;\n"
      "CREATE TABLE E (ID NUMBER, D_ID NUMBER,\n"
      "  CONSTRAINT FK_E FOREIGN KEY (D_ID) REFERENCES D ON DELETE CASCADE "
      "DEFERRABLE INITIALLY DEFERRED,\n"
      "  CONSTRAINT CK_E CHECK (ID > 0))\n"
      "ORGANIZATION HEAP\n"
      "LOB (NOTE) STORE AS (TABLESPACE LOBS);\n"
      "CREATE GLOBAL TEMPORARY TABLE W (ID NUMBER) ON COMMIT DELETE ROWS;\n"
      "CREATE TABLE F (ID NUMBER CHECK (ID > 0), D_ID REFERENCES D (ID) ON DELETE SET NULL);\n"));
  TTblData* D = P.Table("D");
  ASSERT_NE(D, nullptr);
  EXPECT_EQ(D->Extra().TableSpace.PctFree, 10);
  EXPECT_EQ(D->Extra().TableSpace.PctUsed, 40);
  EXPECT_EQ(D->Extra().TableSpace.IniTrans, 2);
  EXPECT_EQ(D->Extra().TableSpace.MaxTrans, 255);
  EXPECT_EQ(D->Extra().TableSpace.Storage, "(INITIAL 64K NEXT 1M)");
  EXPECT_EQ(D->Extra().TablespaceName, "USERS");
  EXPECT_TRUE(D->NoLogging);
  EXPECT_TRUE(D->Compress);
  // The primary key stands for the unique index of its name and columns.
  EXPECT_EQ(P.Objs.Indexes.Count(), 0);
  ASSERT_EQ(P.Constraints("D", ctPKey).size(), 1u);
  EXPECT_EQ(P.Constraints("D", ctUnique).size(), 1u);
  const auto Fk = P.Constraints("E", ctFKey);
  ASSERT_EQ(Fk.size(), 1u);
  // Without columns the reference is to the primary key parsed before.
  EXPECT_EQ(Entries(Fk[0]->Extra().RefFldList), std::vector<std::string>{"ID"});
  EXPECT_EQ(Fk[0]->OnDelete, udaCascade);
  EXPECT_EQ(P.Constraints("E", ctCheck).size(), 1u);
  EXPECT_EQ(P.Table("E")->Extra().LobClause, "(NOTE)");
  EXPECT_EQ(P.Table("E")->Extra().StoreAs, "(TABLESPACE LOBS)");
  // Unnamed column constraints; a column typed by its reference takes the referenced type.
  EXPECT_EQ(P.Constraints("F", ctCheck).size(), 1u);
  const auto FkF = P.Constraints("F", ctFKey);
  ASSERT_EQ(FkF.size(), 1u);
  EXPECT_EQ(Entries(FkF[0]->FldList), std::vector<std::string>{"D_ID"});
  EXPECT_EQ(FkF[0]->OnDelete, udaNull);
  EXPECT_EQ(P.Column("F", "D_ID")->FieldType, iftNumber);
  EXPECT_TRUE(P.Table("W")->GlobalTemporary);
  EXPECT_EQ(P.Table("W")->OnCommit, tocDelete);
}

TEST(OracleParser, SequencesIndexesAndSmallStatements) {
  TOraParse P;
  ASSERT_TRUE(ParsesCleanly(
      P,
      "CREATE SEQUENCE S1 START WITH 5 INCREMENT BY -1 MINVALUE -100 MAXVALUE 10 NOCACHE "
      "CYCLE ORDER;\n"
      "CREATE SEQUENCE S2 ORDER;\n"
      "ALTER SEQUENCE S2 INCREMENT BY 5;\n"
      "ALTER SEQUENCE NOT_HELD INCREMENT BY 5;\n"
      "CREATE TABLE T (ID NUMBER, NAME VARCHAR2(10));\n"
      "CREATE INDEX IX_T ON T (NAME DESC, ID) COMPRESS TABLESPACE IDX PCTFREE 5;\n"
      "CREATE ROLE CLERK;\n"
      "CREATE PUBLIC SYNONYM T_SYN FOR SCOTT.T;\n"
      "COMMENT ON TABLE T IS 'Table T';\n"
      "COMMENT ON COLUMN T.NAME IS 'Its name';\n"
      "GRANT SELECT, INSERT ON T TO CLERK;\n"
      "DROP TABLE OLD CASCADE CONSTRAINTS;\n"
      "DROP PACKAGE BODY PK;\n"
      "ALTER TABLE T ADD (EXTRA NUMBER);\n"
      "ALTER TABLE T MODIFY (NAME VARCHAR2(40));\n"
      "ALTER TABLE T ADD CONSTRAINT PK_T PRIMARY KEY (ID);\n"
      "ALTER TABLE T DROP CONSTRAINT PK_OLD CASCADE;\n"
      "ALTER TABLE T DROP (EXTRA);\n"
      "INSERT INTO T VALUES (1, 'a;b');\n"
      "CONNECT scott/Tiger AS SYSDBA\n"));
  auto* S1 = P.Objs.GetGenerator("S1");
  ASSERT_NE(S1, nullptr);
  EXPECT_EQ(S1->StartValue, "5");
  EXPECT_EQ(S1->Increment, "-1");
  EXPECT_EQ(S1->MinValue, "-100");
  EXPECT_EQ(S1->GetMaxValue(), "10");
  EXPECT_TRUE(S1->GetNoCache());
  EXPECT_TRUE(S1->Cycle);
  EXPECT_TRUE(S1->Order);
  // ORDER is a keyword, read as an option also where it comes first.
  EXPECT_TRUE(P.Objs.GetGenerator("S2")->Order);
  EXPECT_EQ(P.Objs.GetGenerator("S2")->Increment, "5");
  auto* Idx = P.Objs.GetIndex("IX_T");
  ASSERT_NE(Idx, nullptr);
  EXPECT_EQ(Idx->Extra().TablespaceName, "IDX");
  EXPECT_TRUE(Idx->Compress);
  EXPECT_EQ(Idx->Extra().TableSpace.PctFree, 5);
  EXPECT_EQ(Idx->Def(), P.Objs.GetIndex("IX_T")->Def());
  EXPECT_NE(P.Objs.GetRole("CLERK"), nullptr);
  EXPECT_EQ(P.Table("T")->Extra().Description, "Table T");
  EXPECT_EQ(P.Column("T", "NAME")->Extra().Description, "Its name");
  EXPECT_EQ(P.Column("T", "NAME")->Size, 40);
  EXPECT_NE(P.Column("T", "EXTRA"), nullptr);
  ASSERT_EQ(P.Objs.Grants.Count(), 1);
  EXPECT_EQ(dynamic_cast<TGntData*>(P.Objs.Grants.Objects(0))->GrantText,
            "SELECT, INSERT ON T TO CLERK");
  EXPECT_EQ(P.Constraints("T", ctPKey).size(), 1u);
  const TReportedStatement& Connect = P.Statements.back();
  EXPECT_EQ(Connect.Typ, stConnect);
  EXPECT_EQ(Connect.ObjName, "SCOTT");
  EXPECT_EQ(Connect.OwnName, "Tiger");
  EXPECT_EQ(P.Parser.ConnectionOptions.Password, "Tiger");
  const TReportedStatement& Insert = P.Statements[P.Statements.size() - 2];
  EXPECT_EQ(Insert.Typ, stInsert);
  EXPECT_EQ(Insert.ObjName, "T");
}

TEST(OracleParser, ViewsTriggersRoutinesPackagesTypes) {
  TOraParse P;
  ASSERT_TRUE(ParsesCleanly(
      P,
      "CREATE TABLE EMP (ID NUMBER, SAL NUMBER, COMM NUMBER);\n"
      "CREATE OR REPLACE FORCE VIEW V (A, B) AS\n  SELECT ID, SAL FROM EMP\n/\n"
      "CREATE OR REPLACE TRIGGER TR\n"
      "  BEFORE INSERT OR UPDATE OF SAL, COMM ON EMP\n"
      "  REFERENCING NEW AS N OLD AS O\n"
      "  FOR EACH ROW\n"
      "  WHEN (N.SAL > 0)\n"
      "DECLARE\n  X NUMBER;\nBEGIN\n  X := 1; /* ; */\nEND;\n/\n"
      "CREATE FUNCTION F (A NUMBER) RETURN NUMBER IS\nBEGIN\n  RETURN A;\nEND;\n/\n"
      "CREATE PACKAGE PK AS\n  PROCEDURE P;\nEND PK;\n/\n"
      "CREATE PACKAGE BODY PK AS\n  PROCEDURE P IS BEGIN NULL; END;\nEND PK;\n/\n"
      "CREATE TYPE NUMS AS VARRAY(10) OF NUMBER;\n/\n"
      "CREATE TYPE PERSON_T AS OBJECT (NAME VARCHAR2(30), MEMBER FUNCTION AGE (D DATE) "
      "RETURN NUMBER) NOT FINAL;\n/\n"
      "CREATE TYPE EMP_T UNDER PERSON_T (SALARY NUMBER);\n/\n"
      "ALTER TYPE PERSON_T ADD ATTRIBUTE (BORN DATE) CASCADE;\n"));
  auto* V = P.Objs.GetView("V");
  ASSERT_NE(V, nullptr);
  EXPECT_TRUE(V->Force);
  EXPECT_EQ(V->Fields.Count(), 2);
  EXPECT_EQ(V->Extra().Body, "SELECT ID, SAL FROM EMP");
  auto* T = P.Objs.GetTrigger("TR");
  ASSERT_NE(T, nullptr);
  EXPECT_EQ(T->Timing, baBefore);
  EXPECT_TRUE(T->Events.Contains(iudInsert));
  EXPECT_TRUE(T->Events.Contains(iudUpdate));
  EXPECT_EQ(Entries(T->Columns), (std::vector<std::string>{"SAL", "COMM"}));
  EXPECT_EQ(T->OwnName, "EMP");
  EXPECT_EQ(T->NewAlias, "N");
  EXPECT_EQ(T->OldAlias, "O");
  EXPECT_TRUE(T->ForEachRow);
  EXPECT_EQ(T->WhenCondition, "(N.SAL > 0)");
  EXPECT_EQ(T->Extra().Body, "DECLARE\r\n  X NUMBER;\r\nBEGIN\r\n  X := 1; /* ; */\r\nEND;");
  auto* F = P.Objs.GetProcedure("F");
  ASSERT_NE(F, nullptr);
  EXPECT_TRUE(F->IsFunction);
  auto* Pk = P.Objs.GetPackage("PK");
  ASSERT_NE(Pk, nullptr);
  EXPECT_EQ(Pk->HeaderSource, "AS\r\n  PROCEDURE P;\r\nEND PK;");
  EXPECT_EQ(Pk->BodySource, "AS\r\n  PROCEDURE P IS BEGIN NULL; END;\r\nEND PK;");
  auto* Nums = P.Objs.GetDomain("NUMS");
  ASSERT_NE(Nums, nullptr);
  EXPECT_EQ(Nums->OracleKind, odVArray);
  EXPECT_EQ(Nums->VArrayLimit, 10);
  EXPECT_EQ(Nums->TypeField->FieldType, iftNumber);
  auto* Person = P.Objs.GetDomain("PERSON_T");
  ASSERT_NE(Person, nullptr);
  EXPECT_EQ(Person->OracleKind, odObject);
  EXPECT_EQ(Person->Attributes.Count(), 1);
  ASSERT_EQ(Person->Members.Count(), 1);
  EXPECT_TRUE(Person->Members[0]->IsFunction);
  EXPECT_EQ(Person->Members[0]->MemberParams, "(D DATE)");
  EXPECT_TRUE(Person->Directive.NotFinal);
  EXPECT_EQ(Person->AddedAttributes.Count(), 1);
  EXPECT_TRUE(Person->Cascade);
  auto* Sub = P.Objs.GetDomain("EMP_T");
  ASSERT_NE(Sub, nullptr);
  EXPECT_EQ(Sub->SuperType, "PERSON_T");
}

TEST(OracleParser, ErrorsCarryLineAndColumnAndReadingGoesOn) {
  const std::pair<const char*, const char*> Cases[] = {
      {"FOO BAR;\nCREATE TABLE T (ID NUMBER);\n", "1:5: Unknown statement: FOO"},
      {"CREATE WIDGET W;\nCREATE TABLE T (ID NUMBER);\n", "1:15: Unknown CREATE statement."},
      {"CREATE TABLE X (ID NUMBER) ORGANIZATION ROWS;\nCREATE TABLE T (ID NUMBER);\n",
       "1:45: Must be: HEAP / INDEX / EXTERNAL"},
      {"CREATE TABLE X (ID NUMBER DEFAULT ,);\nCREATE TABLE T (ID NUMBER);\n",
       "1:36: Unknown default-value."},
      {"CREATE TRIGGER TR DURING INSERT ON T BEGIN NULL; END;\n/\n"
       "CREATE TABLE T (ID NUMBER);\n",
       "1:26: Must be: BEFORE / AFTER / INSTEAD OF"},
  };
  for (const auto& [Text, Error] : Cases) {
    TOraParse P;
    EXPECT_FALSE(P.Parse(Text));
    const auto E = Errors(P.Parser);
    ASSERT_FALSE(E.empty()) << Text;
    EXPECT_EQ(E[0], Error) << Text;
    EXPECT_NE(P.Table("T"), nullptr) << Text;
  }
}

TEST(OracleParser, ParseObjTextFillsTheObjectItself) {
  TObjs O;
  O.SetDatabaseType(dbOracle);
  TOracleParser P(&O);
  std::vector<std::string> Shown;
  P.OnErrorMessage = [&Shown](TObject*, const std::string& T) { Shown.push_back(T); };
  auto* Tbl = new TTblData(&O);
  Tbl->SetObjName("T");
  Tbl->EditExtra().FullText =
      "CREATE TABLE \"SCOTT\".\"T\" \r\n   (\t\"ID\" NUMBER(10,0) NOT NULL ENABLE, \r\n"
      "\t\"NAME\" VARCHAR2(20), \r\n\t CONSTRAINT \"PK_T\" PRIMARY KEY (\"ID\")\r\n"
      "  USING INDEX PCTFREE 10 INITRANS 2 MAXTRANS 255 COMPUTE STATISTICS \r\n"
      "  STORAGE(INITIAL 65536) TABLESPACE \"USERS\"  ENABLE\r\n   ) PCTFREE 10 "
      "PCTUSED 40 INITRANS 1 MAXTRANS 255 NOCOMPRESS LOGGING\r\n  TABLESPACE \"USERS\"";
  ASSERT_TRUE(O.AddObj(Tbl, true));
  auto* Pkg = new TPkgData(&O);
  Pkg->SetObjName("PK");
  Pkg->EditExtra().FullText =
      "\r\n  CREATE OR REPLACE PACKAGE \"SCOTT\".\"PK\" AS\r\n  PROCEDURE P;\r\nEND;"
      "\r\nCREATE OR REPLACE PACKAGE BODY \"SCOTT\".\"PK\" AS\r\n  PROCEDURE P IS "
      "BEGIN NULL; END;\r\nEND;\r\n";
  ASSERT_TRUE(O.AddObj(Pkg, true));
  auto* Trg = new TTrgData(&O);
  Trg->SetObjName("TR");
  Trg->EditExtra().FullText =
      "CREATE OR REPLACE TRIGGER \"SCOTT\".\"TR\" \r\n  AFTER DELETE ON T\r\n"
      "BEGIN NULL; END;\r\n/\r\nALTER TRIGGER \"SCOTT\".\"TR\" ENABLE";
  ASSERT_TRUE(O.AddObj(Trg, true));
  for (TDbObj* Obj : std::initializer_list<TDbObj*>{Tbl, Pkg, Trg}) P.ParseObjText(Obj);
  EXPECT_EQ(Shown, std::vector<std::string>{});
  EXPECT_EQ(Tbl->Fields.Count(), 2);
  EXPECT_EQ(Tbl->Extra().TablespaceName, "USERS");
  EXPECT_EQ(O.Tables.Count(), 1);  // filled in place, not filed again
  EXPECT_EQ(Pkg->HeaderSource, "AS\r\n  PROCEDURE P;\r\nEND;");
  EXPECT_EQ(Pkg->BodySource, "AS\r\n  PROCEDURE P IS BEGIN NULL; END;\r\nEND;");
  EXPECT_EQ(Trg->Timing, baAfter);
  EXPECT_EQ(Trg->Extra().Body, "BEGIN NULL; END;");
  EXPECT_EQ(O.Triggers.Count(), 1);
}
