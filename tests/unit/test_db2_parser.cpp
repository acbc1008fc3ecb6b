// The DB2 script parser: the statement forms it reads, what each builds, the statements it
// reports, its errors, the re-read of catalog texts and the layout of view bodies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelComp_Gnr.h"
#include "qelDB2Parser.h"
#include "test_parse_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TDB2Parse = TParse<TDB2Parser>;

std::vector<std::string> Errors(const TDB2Parser& P) {
  std::vector<std::string> R;
  for (int I = 0; I < P.MsgManager.GetMsgCount(); ++I)
    if (P.MsgManager.Items(I).MsgType == mt_Err) R.push_back(P.MsgManager.Items(I).Text);
  return R;
}

/// Parses Text; success, or the errors recorded.
::testing::AssertionResult ParsesCleanly(TDB2Parse& P, const std::string& Text) {
  if (P.Parse(Text)) return ::testing::AssertionSuccess();
  auto R = ::testing::AssertionFailure();
  for (int I = 0; I < P.Parser.MsgManager.GetMsgCount(); ++I) {
    const TMsgData& M = P.Parser.MsgManager.Items(I);
    R << M.Line << ":" << M.Column << ": " << M.Text << "\n";
  }
  return R;
}

int ObjectCount(const TObjs& O) {
  return O.Tables.Count() + O.Views.Count() + O.Indexes.Count() + O.Triggers.Count() +
         O.Constraints.Count();
}

}  // namespace

TEST(DB2Parser, FormatBody) {
  const std::string Short(79, 'x');
  EXPECT_EQ(DB2FormatBody(Short), Short);
  std::string Words;
  for (int I = 0; I < 20; ++I) Words.append(I ? " " : "").append("ABCDEFGHI");
  ASSERT_EQ(Words.size(), 199u);
  const std::string R = DB2FormatBody(Words);
  std::vector<std::size_t> Lengths;
  std::size_t Start = 0;
  for (std::size_t End; (End = R.find("\r\n", Start)) != std::string::npos; Start = End + 2)
    Lengths.push_back(End - Start);
  Lengths.push_back(R.size() - Start);
  EXPECT_EQ(Lengths, (std::vector<std::size_t>{79, 79, 39}));
  // A word longer than a line stays whole.
  const std::string Long = std::string(90, 'L') + " b";
  EXPECT_EQ(DB2FormatBody(Long), std::string(90, 'L') + "\r\nb");
}

TEST(DB2Parser, StatementsThatBuildNothing) {
  const char* Cases[] = {
      "COMMIT;",
      "COMMIT WORK;",
      "TERMINATE;",
      "INSERT INTO T (A, B) VALUES (1, 'x;y');",
      "GRANT USE OF TABLESPACE TS TO USER A, GROUP B WITH GRANT OPTION;",
      "GRANT USE OF TABLESPACE TS TO PUBLIC;",
      "CONNECT TO SAMPLE USER DB2INST1;",
      "CONNECT RESET;",
      "CREATE SCHEMA APP AUTHORIZATION DB2INST1;",
      "CREATE SCHEMA;",
      "CREATE ALIAS A1 FOR APP.T;",
      "CREATE REGULAR TABLESPACE TS1 PAGESIZE 4 K MANAGED BY AUTOMATIC STORAGE EXTENTSIZE 16 "
      "PREFETCHSIZE 8 K BUFFERPOOL BP1 NO FILE SYSTEM CACHING DROPPED TABLE RECOVERY ON;",
      "CREATE SYSTEM TEMPORARY TABLESPACE TMP MANAGED BY SYSTEM USING ('/db/tmp');",
      "CREATE LARGE TABLESPACE L IN DATABASE PARTITION GROUP G1 MANAGED BY DATABASE;",
      "ALTER TABLESPACE TS1 OVERHEAD 7.5 TRANSFERRATE 0.1 FILE SYSTEM CACHING;",
      "SET CURRENT PATH = SYSTEM PATH, APP;",
      ";",
      "-- a comment only\n",
  };
  for (const char* Text : Cases) {
    TDB2Parse P;
    EXPECT_TRUE(P.Parse(Text)) << Text << ": "
                               << (Errors(P.Parser).empty() ? "" : Errors(P.Parser)[0]);
    EXPECT_EQ(ObjectCount(P.Objs), 0) << Text;
  }
}

TEST(DB2Parser, Errors) {
  struct TCase {
    const char* Text;
    const char* Error;
  };
  const TCase Cases[] = {
      {"REORG TABLE T;", "Unknown statement: REORG"},
      {"CREATE PROCEDURE P() BEGIN END;", "Unknown CREATE-statement"},
      {"ALTER SEQUENCE S RESTART;", "Unknown ALTER-statement"},
      {"ALTER TABLE T RENAME TO U;", "Unknown ALTER TABLE statement"},
      {"SET X = 1;", "Unknown SET-statement"},
      {"SET CURRENT DEGREE = 'ANY';", "Unknown SET-statement"},
      {"GRANT SELECT ON T TO PUBLIC;", "Unknown GRANT-statement"},
      {"GRANT USE OF TABLESPACE TS TO ROLE R;", "Must be: USER / GROUP / PUBLIC"},
      {"CONNECT SAMPLE;", "Unknown CONNECT statement"},
      {"CREATE TABLE T (A FOO);", "Unknown DataType: <Ident>: FOO"},
      {"CREATE TABLE T (A INTEGER NOT UNIQUE);", "Unknown symbol: UNIQUE"},
      {"CREATE TRIGGER TR1 BEFORE INSERT ON T FOR EACH ROW MODE DB2SQL SET A = 1;",
       "Must be: NO CASCADE DBEFORE / AFTER"},
      {"CREATE TRIGGER TR1 AFTER TRUNCATE ON T FOR EACH ROW MODE DB2SQL SET A = 1;",
       "Must be: INSERT/ UPDATE / DELETE"},
      {"ALTER TABLE T ADD CONSTRAINT F FOREIGN KEY (A) REFERENCES P (ID) ON INSERT CASCADE;",
       "Must be: UPDATE / DELETE"},
      {"ALTER TABLE T ADD FOREIGN KEY (A) REFERENCES P (ID) ON DELETE IGNORE;",
       "Unknown action for FK"},
      {"ALTER TABLE T ADD CONSTRAINT X KEY (A);", "Unknown CONSTRAINT KEY"},
      {"CREATE TABLE T (A INTEGER) COMMIT;", "Missing: <TERM> (COMMIT)"},
  };
  for (const TCase& C : Cases) {
    TDB2Parse P;
    EXPECT_FALSE(P.Parse(C.Text)) << C.Text;
    const std::vector<std::string> E = Errors(P.Parser);
    ASSERT_FALSE(E.empty()) << C.Text;
    EXPECT_EQ(E[0], C.Error) << C.Text;
    // One error per bad statement: the rest of it is passed over up to its terminator.
    EXPECT_EQ(E.size(), 1u) << C.Text << ": " << E.back();
  }
}

TEST(DB2Parser, ReadingGoesOnAfterAnError) {
  TDB2Parse P;
  EXPECT_FALSE(P.Parse("CREATE TABLE A (X INTEGER);\nREORG TABLE T;\nCREATE TABLE B (Y INTEGER);"));
  ASSERT_EQ(P.Parser.MsgManager.GetMsgCount(), 1);
  const TMsgData& M = P.Parser.MsgManager.Items(0);
  EXPECT_EQ(M.Text, "Unknown statement: REORG");
  EXPECT_EQ(M.ScriptName, "schema.sql");
  EXPECT_EQ(M.Line, 2);
  EXPECT_EQ(M.Column, 6);
  EXPECT_TRUE(P.Table("A"));
  EXPECT_TRUE(P.Table("B"));
  // Only the first error reaches the handler.
  EXPECT_EQ(P.Shown.size(), 1u);
}

TEST(DB2Parser, TableAndColumns) {
  TDB2Parse P;
  ASSERT_TRUE(ParsesCleanly(
      P,
      "CREATE TABLE T (ID INTEGER NOT NULL, NAME VARCHAR(40) WITH DEFAULT 'x', KEY INTEGER,\n"
      "  \"Mixed Case\" CHAR(3) FOR BIT DATA, AMOUNT DECIMAL(10, 2) WITH DEFAULT -1.5,\n"
      "  BIG BIGINT, S SMALLINT, D DATE WITH DEFAULT CURRENT DATE, TS TIMESTAMP NOT NULL WITH "
      "DEFAULT,\n"
      "  DOC CLOB(1000) NOT LOGGED COMPACT, PIC BLOB(20) LOGGED NOT COMPACT, L LONG VARCHAR,\n"
      "  R REAL, DBL DOUBLE, N NUMERIC, G GRAPHIC, U VARCHAR(8) WITH DEFAULT 'u',\n"
      "  F DECIMAL(5) WITH DEFAULT ABS(-2)) IN TS1 NOT LOGGED INITIALLY DATA CAPTURE CHANGES;"));
  TTblData* T = P.Table("T");
  ASSERT_TRUE(T);
  EXPECT_EQ(T->Extra().TablespaceName, "TS1");
  ASSERT_EQ(T->Fields.Count(), 18);
  struct TCol {
    const char* Name;
    TDBFieldType Type;
    int Size, Precision, Scale;
    bool Nullable;
    const char* Default;
  };
  const TCol Cols[] = {
      {"ID", iftInteger, 0, 0, 0, false, ""},
      {"NAME", iftVarchar, 40, 0, 0, true, "'x'"},
      {"KEY", iftInteger, 0, 0, 0, true, ""},
      {"Mixed Case", iftChar, 3, 0, 0, true, ""},
      {"AMOUNT", iftDecimal, 0, 10, 2, true, "-1.5"},
      {"BIG", iftBigInt, 0, 0, 0, true, ""},
      {"S", iftSmallInt, 0, 0, 0, true, ""},
      {"D", iftDate, 0, 0, 0, true, "CURRENT DATE"},
      {"TS", iftTimeStamp, 0, 0, 0, false, "CURRENT TIMESTAMP"},
      {"DOC", iftClob, 1000, 0, 0, true, ""},
      {"PIC", iftBlob, 20, 0, 0, true, ""},
      {"L", iftLongVarchar, 0, 0, 0, true, ""},
      {"R", iftReal, 0, 0, 0, true, ""},
      {"DBL", iftDouble, 0, 0, 0, true, ""},
      {"N", iftNumeric, 0, 0, 0, true, ""},
      {"G", iftGraphic, 0, 0, 0, true, ""},
      {"U", iftVarchar, 8, 0, 0, true, "'u'"},
      {"F", iftDecimal, 0, 5, 0, true, "ABS(-2)"},
  };
  for (int I = 0; I < 18; ++I) {
    const TCol& C = Cols[I];
    const TFldData* F = T->Fields[I];
    EXPECT_EQ(F->GetObjName(), C.Name);
    EXPECT_EQ(F->FieldType, C.Type) << C.Name;
    EXPECT_EQ(F->Size, C.Size) << C.Name;
    EXPECT_EQ(F->Precision, C.Precision) << C.Name;
    EXPECT_EQ(F->Scale, C.Scale) << C.Name;
    EXPECT_EQ(F->Nullable, C.Nullable) << C.Name;
    EXPECT_EQ(F->DefValue, C.Default) << C.Name;
    EXPECT_EQ(F->TableName, "T");
    EXPECT_EQ(F->OwnerObj, T);
  }
  EXPECT_TRUE(T->Fields[3]->ForBitData);
  EXPECT_EQ(T->Fields[9]->Extra().Logged, 0);
  EXPECT_EQ(T->Fields[9]->Extra().Compact, 1);
  EXPECT_EQ(T->Fields[10]->Extra().Logged, 1);
  EXPECT_EQ(T->Fields[10]->Extra().Compact, 0);
  EXPECT_EQ(T->Fields[1]->Extra().Logged, -1);
}

TEST(DB2Parser, IdentityAndGeneratedColumns) {
  TDB2Parse P;
  ASSERT_TRUE(ParsesCleanly(
      P,
      "CREATE TABLE T (ID INTEGER NOT NULL GENERATED ALWAYS AS IDENTITY (START WITH 1, "
      "INCREMENT BY +1, CACHE 20),\n"
      " K BIGINT GENERATED BY DEFAULT AS IDENTITY,\n"
      " A INTEGER, B INTEGER, S INTEGER GENERATED ALWAYS AS (A + B));"));
  TTblData* T = P.Table("T");
  ASSERT_TRUE(T);
  const TFldData* Id = T->Fields[0];
  EXPECT_TRUE(Id->Identity);
  EXPECT_EQ(Id->GeneratedKind, 'A');
  ASSERT_TRUE(Id->Extra().IdentityGenerator);
  EXPECT_EQ(Id->Extra().IdentityGenerator->StartValue, "1");
  EXPECT_EQ(Id->Extra().IdentityGenerator->Increment, "1");
  EXPECT_EQ(Id->Extra().IdentityGenerator->GetCache(), "20");
  EXPECT_FALSE(Id->Nullable);
  EXPECT_TRUE(T->Fields[1]->Identity);
  EXPECT_EQ(T->Fields[1]->GeneratedKind, 'D');
  const TFldData* S = T->Fields[4];
  EXPECT_FALSE(S->Identity);
  EXPECT_EQ(S->GeneratedKind, 'A');
  EXPECT_EQ(S->Extra().GeneratedExpr, "A + B");
}

TEST(DB2Parser, AlterTableConstraintsAndSchema) {
  TDB2Parse P;
  ASSERT_TRUE(ParsesCleanly(
      P,
      "SET CURRENT SCHEMA = APP;\n"
      "CREATE TABLE P (ID INTEGER NOT NULL);\n"
      "CREATE TABLE T (ID INTEGER NOT NULL, A INTEGER, B INTEGER);\n"
      "ALTER TABLE T ADD PRIMARY KEY (ID);\n"
      "ALTER TABLE T ADD CONSTRAINT FK1 FOREIGN KEY (A) REFERENCES S.P (ID) ON DELETE CASCADE;\n"
      "ALTER TABLE T ADD CONSTRAINT FK2 FOREIGN KEY (A, B) REFERENCES P (ID, ID) ON UPDATE "
      "RESTRICT ON DELETE SET NULL NOT ENFORCED DISABLE QUERY OPTIMIZATION;\n"
      "ALTER TABLE APP.T ADD CONSTRAINT UQ1 UNIQUE (A, B) ENFORCED;\n"
      "ALTER TABLE T ADD CONSTRAINT CK1 CHECK (A > 0 AND B IN (1, 2));\n"
      "ALTER TABLE T ADD CONSTRAINT SQL090101120000123 UNIQUE (B);\n"
      "ALTER TABLE T VOLATILE CARDINALITY;\n"
      "ALTER TABLE T APPEND ON;\n"));
  TTblData* T = P.Objs.GetTable("APP.T");
  ASSERT_TRUE(T);
  EXPECT_EQ(T->GetSchema(), "APP");
  EXPECT_TRUE(T->Volatile);
  const std::vector<TCtrData*> PK = P.Constraints("T", ctPKey);
  ASSERT_EQ(PK.size(), 1u);
  EXPECT_EQ(PK[0]->GetObjName(), "");
  EXPECT_EQ(PK[0]->FldList.Count(), 1);
  const std::vector<TCtrData*> FK = P.Constraints("T", ctFKey);
  ASSERT_EQ(FK.size(), 2u);
  EXPECT_EQ(FK[0]->GetObjName(), "FK1");
  EXPECT_EQ(FK[0]->GetRefTblName(), "P");
  EXPECT_EQ(FK[0]->OnDelete, udaCascade);
  EXPECT_EQ(FK[0]->OnUpdate, udaNoAction);
  EXPECT_EQ(FK[0]->GetSchema(), "APP");
  EXPECT_EQ(FK[1]->OnUpdate, udaRestrict);
  EXPECT_EQ(FK[1]->OnDelete, udaNull);
  EXPECT_EQ(FK[1]->FldList.Count(), 2);
  EXPECT_EQ(FK[1]->Extra().RefFldList.Count(), 2);
  const std::vector<TCtrData*> CK = P.Constraints("T", ctCheck);
  ASSERT_EQ(CK.size(), 1u);
  EXPECT_EQ(CK[0]->Extra().Body, " (A > 0 AND B IN (1, 2))");
  const std::vector<TCtrData*> UQ = P.Constraints("T", ctUnique);
  ASSERT_EQ(UQ.size(), 2u);
  // The server's own name of a constraint is kept apart from its name.
  int Generated = 0;
  for (const TCtrData* C : UQ)
    if (C->Extra().AltName == "SQL090101120000123" && C->GetObjName().empty()) ++Generated;
  EXPECT_EQ(Generated, 1);
}

TEST(DB2Parser, IndexesViewsAndTriggers) {
  TDB2Parse P;
  ASSERT_TRUE(ParsesCleanly(
      P,
      "CREATE TABLE T (ID INTEGER NOT NULL, A INTEGER, B INTEGER);\n"
      "CREATE UNIQUE INDEX IX1 ON T (A DESC, B ASC) INCLUDE (ID) CLUSTER PCTFREE 10 "
      "ALLOW REVERSE SCANS COLLECT SAMPLED DETAILED STATISTICS;\n"
      "CREATE INDEX IX2 ON T (B) DISALLOW REVERSE SCANS PAGE SPLIT HIGH MINPCTUSED 5;\n"
      "SET CURRENT PATH = SYSTEM PATH, APP;\n"
      "CREATE VIEW V (X, Y) AS SELECT A, B\n  FROM T WHERE A > 0;\n"
      "CREATE TRIGGER TR1 NO CASCADE BEFORE UPDATE OF A, B ON T\n"
      "  REFERENCING NEW AS N OLD AS O\n"
      "  FOR EACH ROW MODE DB2SQL\n"
      "  WHEN (N.A < 0)\n"
      "  SET N.A = 0;\n"));
  TIdxData* I1 = P.Objs.GetIndex("IX1");
  ASSERT_TRUE(I1);
  EXPECT_TRUE(I1->Unique);
  EXPECT_TRUE(I1->AllowReverseScans);
  EXPECT_EQ(I1->TableName, "T");
  ASSERT_EQ(I1->Flds.Count(), 2);
  EXPECT_EQ(dynamic_cast<TIdxFldData*>(I1->Flds.Objects(0))->SortOrder, 2);
  EXPECT_EQ(dynamic_cast<TIdxFldData*>(I1->Flds.Objects(1))->SortOrder, 1);
  TIdxData* I2 = P.Objs.GetIndex("IX2");
  ASSERT_TRUE(I2);
  EXPECT_FALSE(I2->Unique);
  EXPECT_FALSE(I2->AllowReverseScans);

  TViwData* V = P.Objs.GetView("V");
  ASSERT_TRUE(V);
  EXPECT_EQ(V->Path, "SYSTEM PATH, APP");
  ASSERT_EQ(V->Fields.Count(), 2);
  EXPECT_EQ(V->Fields[1]->GetObjName(), "Y");
  EXPECT_EQ(V->Extra().Body, "SELECT A, B\r\n  FROM T WHERE A > 0");

  TTrgData* T1 = P.Objs.GetTrigger("TR1");
  ASSERT_TRUE(T1);
  EXPECT_EQ(T1->Timing, baBefore);
  EXPECT_TRUE(T1->Events.Contains(iudUpdate));
  EXPECT_EQ(T1->Columns.Count(), 2);
  EXPECT_EQ(T1->OwnName, "T");
  EXPECT_EQ(T1->NewAlias, "N");
  EXPECT_EQ(T1->OldAlias, "O");
  EXPECT_TRUE(T1->ForEachRow);
  EXPECT_EQ(T1->Mode, "DB2SQL");
  EXPECT_EQ(T1->WhenCondition, "(N.A < 0)");
  EXPECT_EQ(T1->Extra().Body, "SET N.A = 0");
}

TEST(DB2Parser, TriggerBodyEndsAtTheTerminator) {
  TDB2Parse P;
  EXPECT_FALSE(
      P.Parse("CREATE TRIGGER TR2 AFTER DELETE ON T REFERENCING OLD_TABLE AS OT NEW_TABLE AS NT\n"
              "  FOR EACH STATEMENT MODE DB2SQL\n"
              "  BEGIN ATOMIC DELETE FROM T; END;\n"));
  TTrgData* T2 = P.Objs.GetTrigger("TR2");
  ASSERT_TRUE(T2);
  EXPECT_EQ(T2->Extra().Body, "BEGIN ATOMIC DELETE FROM T");
  EXPECT_EQ(T2->OldTableAlias, "OT");
  EXPECT_EQ(T2->NewTableAlias, "NT");
  EXPECT_TRUE(T2->ForEachStatement);
  EXPECT_EQ(Errors(P.Parser), std::vector<std::string>{"Unknown statement: END"});
}

TEST(DB2Parser, DropAndColumnChangesTakeEffect) {
  TDB2Parse P;
  ASSERT_TRUE(ParsesCleanly(P,
                            "CREATE TABLE T (ID INTEGER NOT NULL, OLDCOL INTEGER);\n"
                            "CREATE TABLE GONE (ID INTEGER);\n"
                            "CREATE INDEX IX ON T (OLDCOL);\n"
                            "CREATE VIEW V AS SELECT ID FROM T;\n"
                            "ALTER TABLE T ADD CONSTRAINT PK_T PRIMARY KEY (ID);\n"
                            "ALTER TABLE T ADD CONSTRAINT CK CHECK (ID > 0);\n"
                            "ALTER TABLE T ADD NOTE VARCHAR(10);\n"
                            "ALTER TABLE T ADD COLUMN N2 INTEGER;\n"
                            "ALTER TABLE T DROP OLDCOL;\n"
                            "ALTER TABLE T DROP CONSTRAINT CK;\n"
                            "ALTER TABLE T DROP PRIMARY KEY;\n"
                            "ALTER TABLE UNKNOWN ADD X INTEGER;\n"
                            "DROP INDEX IX;\nDROP VIEW V;\nDROP TABLE GONE;\nDROP TABLE NEVER;\n"));
  TTblData* T = P.Table("T");
  ASSERT_TRUE(T);
  ASSERT_EQ(T->Fields.Count(), 3);
  EXPECT_EQ(T->Fields[1]->GetObjName(), "NOTE");
  EXPECT_EQ(T->Fields[2]->GetObjName(), "N2");
  EXPECT_FALSE(P.Table("GONE"));
  EXPECT_FALSE(P.Objs.GetIndex("IX"));
  EXPECT_FALSE(P.Objs.GetView("V"));
  EXPECT_EQ(P.Objs.Constraints.Count(), 0);
}

TEST(DB2Parser, ReportedStatements) {
  TDB2Parse P;
  ASSERT_TRUE(
      ParsesCleanly(P,
                    "CONNECT TO SAMPLE USER U1;\n"
                    "SET CURRENT SCHEMA = APP;\n"
                    "CREATE TABLE T (ID INTEGER);\n"
                    "CREATE INDEX IX ON T (ID);\n"
                    "CREATE VIEW V AS SELECT ID FROM T;\n"
                    "CREATE TRIGGER TR AFTER INSERT ON T FOR EACH ROW MODE DB2SQL VALUES (1);\n"
                    "ALTER TABLE T ADD PRIMARY KEY (ID);\n"
                    "INSERT INTO T VALUES (1);\n"
                    "COMMIT WORK;\n"
                    "DROP VIEW V;\n"
                    "CONNECT RESET;\nTERMINATE;\n"));
  struct TExpected {
    const char* Text;
    TStatType Typ;
    const char* Name;
    TDbObject Kind;
    TDbOperation Op;
  };
  const TExpected Expected[] = {
      {"CONNECT TO SAMPLE USER U1", stConnect, "SAMPLE", dboDatabase, odbUnknown},
      {"SET CURRENT SCHEMA = APP", stStatement, "APP", dboSchema, odbSet},
      {"CREATE TABLE T (ID INTEGER)", stStatement, "T", dboTable, odbCreate},
      {"CREATE INDEX IX ON T (ID)", stStatement, "IX", dboIndex, odbCreate},
      {"CREATE VIEW V AS SELECT ID FROM T", stStatement, "V", dboView, odbCreate},
      {"CREATE TRIGGER TR AFTER INSERT ON T FOR EACH ROW MODE DB2SQL VALUES (1)", stTrigger, "TR",
       dboTrigger, odbCreate},
      {"ALTER TABLE T ADD PRIMARY KEY (ID)", stStatement, "T", dboTable, odbAlter},
      {"INSERT INTO T VALUES (1)", stInsert, "", dboTable, odbInsert},
      {"COMMIT WORK;", st_Commit, "COMMIT WORK", dboUnknown, odbCommit},
      {"DROP VIEW V", stStatement, "V", dboView, odbDrop},
  };
  ASSERT_EQ(P.Statements.size(), std::size(Expected));
  for (std::size_t I = 0; I < std::size(Expected); ++I) {
    const TExpected& E = Expected[I];
    const TReportedStatement& S = P.Statements[I];
    EXPECT_EQ(S.Text, E.Text);
    EXPECT_EQ(S.Typ, E.Typ) << E.Text;
    EXPECT_EQ(S.ObjName, E.Name) << E.Text;
    EXPECT_EQ(S.ObjType, E.Kind) << E.Text;
    EXPECT_EQ(S.Operation, E.Op) << E.Text;
  }
  EXPECT_EQ(P.Parser.ConnectionOptions.GetDatabaseName(), "SAMPLE");
  EXPECT_EQ(P.Parser.ConnectionOptions.UserName, "U1");
}

TEST(DB2Parser, ReReadsCatalogTexts) {
  TObjs O;
  O.SetDatabaseType(dbDB2);
  auto* V = new TViwData(&O);
  V->SetObjName("V");
  V->SetSchema("APP");
  V->SetExtra(&TObjExtra::FullText, "CREATE VIEW APP.V (A) AS SELECT ID FROM APP.T");
  auto Col = std::make_unique<TFldData>(&O);
  Col->SetObjName("A");
  V->Fields.Add(std::move(Col));
  O.AddObj(V);
  auto* Tr = new TTrgData(&O);
  Tr->SetObjName("TR");
  Tr->SetSchema("APP");
  Tr->EditExtra().FullText =
      "CREATE TRIGGER TR AFTER UPDATE OF A ON T REFERENCING NEW AS N FOR EACH ROW MODE "
      "DB2SQL\nWHEN (N.A > 1)\nUPDATE T SET B = 1";
  O.AddObj(Tr);
  auto* Bad = new TViwData(&O);
  Bad->SetObjName("W");
  Bad->SetExtra(&TObjExtra::FullText, "CREATE VIEW W SELECT 1 FROM T");
  O.AddObj(Bad);

  TDB2Parser P(&O);
  std::vector<std::string> Shown;
  P.OnErrorMessage = [&Shown](TObject*, const std::string& T) { Shown.push_back(T); };
  P.ParseObjText(V);
  P.ParseObjText(Tr);
  P.ParseObjText(Bad);
  EXPECT_EQ(V->Extra().Body, "SELECT ID FROM APP.T");
  EXPECT_EQ(V->Fields.Count(), 1);  // the list of an existing view stays
  EXPECT_EQ(O.Views.Count(), 2);    // nothing is filed
  EXPECT_EQ(Tr->Timing, baAfter);
  EXPECT_TRUE(Tr->Events.Contains(iudUpdate));
  EXPECT_EQ(Tr->NewAlias, "N");
  EXPECT_EQ(Tr->WhenCondition, "(N.A > 1)");
  EXPECT_EQ(Tr->Extra().Body, "UPDATE T SET B = 1");
  EXPECT_EQ(Tr->GetSchema(), "APP");
  EXPECT_EQ(O.Triggers.Count(), 1);
  ASSERT_EQ(P.MsgManager.GetMsgCount(), 1);
  EXPECT_EQ(P.MsgManager.Items(0).Text.rfind("View W: Missing: AS", 0), 0u)
      << P.MsgManager.Items(0).Text;
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].rfind("View W: ", 0), 0u);
}
