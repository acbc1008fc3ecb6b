// Declarations no server takes: type numbers past what a server holds, empty quoted names,
// statements without their substance, foreign keys of the wrong width, and a column declared
// both NULL and NOT NULL. Each is refused with its place in every reader, rather than written
// into a script the server refuses half way through.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "Text.h"
#include "qelASAParser.h"
#include "qelASEParser.h"
#include "qelCompObj.h"
#include "qelComp_Trg.h"
#include "qelDB2Parser.h"
#include "qelIBParser.h"
#include "qelMSSQLParser.h"
#include "qelMySQLParser.h"
#include "qelOracleParser.h"
#include "qelPGSQLParser.h"
#include "test_varnel_util.h"

using namespace qel;

namespace {

std::unique_ptr<TCustomSQLParser> Reader(const std::string& Dialect, TObjs* O) {
  if (Dialect == "postgresql") return std::make_unique<TPGSQLParser>(O);
  if (Dialect == "firebird") return std::make_unique<TIbParser>(O);
  if (Dialect == "mssql") return std::make_unique<TMSSQLParser>(O);
  if (Dialect == "ase") return std::make_unique<TASEParser>(O);
  if (Dialect == "sqlanywhere") return std::make_unique<TASAParser>(O);
  if (Dialect == "oracle") return std::make_unique<TOracleParser>(O);
  if (Dialect == "mysql") return std::make_unique<TMySQLParser>(O);
  return std::make_unique<TDB2Parser>(O);
}

bool GoLines(const std::string& Dialect) {
  return Dialect == "mssql" || Dialect == "ase";
}

/// Script as a script extraction reads it, the side checked as a whole at its end. Statements
/// end in ";" and a line break; in mssql and ase a GO line takes the place of the ";".
struct TRead {
  TObjs O;
  std::vector<TMsgData> Errors, Warnings;

  TRead(const std::string& Dialect, std::string Script) {
    for (std::size_t I = Script.find(";\n"); GoLines(Dialect) && I != std::string::npos;
         I = Script.find(";\n", I))
      Script.replace(I, 2, "\nGO\n");
    auto P = Reader(Dialect, &O);
    O.ExtractFrom = efScript;
    P->ScriptName = "broken.sql";
    P->OnErrorMessage = [](TObject*, const std::string&) {};
    P->ParseScriptText(Script, &O);
    P->TestKeyTables();
    for (int I = 0; I < P->MsgManager.GetMsgCount(); ++I) {
      const TMsgData& M = P->MsgManager.Items(I);
      (M.MsgType == mt_Err ? Errors : Warnings).push_back(M);
    }
  }
  std::string Summary() const {
    std::string S;
    for (const TMsgData& M : Errors) S += std::to_string(M.Line) + ": " + M.Text + "\n";
    return S;
  }
};

struct TCase {
  std::string Dialect, Script;
  std::string Error;  ///< part of the error, in any letter case; "" for a script that is taken
  int Line = 0;       ///< of the error in Script; 0: anywhere from First on
  int First = 0;
};

/// Each case gives its error at its place, or none.
void ExpectCases(const std::vector<TCase>& Cases) {
  for (const TCase& C : Cases) {
    const TRead R(C.Dialect, C.Script);
    const std::string Where = C.Dialect + ": " + C.Script + "\n" + R.Summary();
    if (C.Error.empty()) {
      EXPECT_TRUE(R.Errors.empty()) << Where;
      continue;
    }
    int Line = 0;
    for (const TMsgData& M : R.Errors)
      if (Line == 0 && UpperCase(M.Text).find(UpperCase(C.Error)) != std::string::npos)
        Line = M.Line;
    ASSERT_GT(Line, 0) << Where;
    // The GO lines put in before the line of the error, or anywhere.
    int Go = 0, At = 1;
    for (const char Ch : C.Script) {
      At += Ch == '\n';
      Go += GoLines(C.Dialect) && Ch == ';' && (C.Line == 0 || At < C.Line);
    }
    if (C.Line > 0) {
      EXPECT_EQ(Line, C.Line + Go) << Where;
    } else {
      EXPECT_GE(Line, C.First) << Where;
      EXPECT_LE(Line, At + Go) << Where;
    }
  }
}

}  // namespace

TEST(BrokenDdl, TypeNumbersNoServerHoldsAreErrorsAtTheirLine) {
  const std::vector<std::tuple<const char*, const char*, const char*>> Types = {
      // 66 bytes that took 10.5 GB: the default was padded to the scale.
      {"mysql", "DECIMAL(12,2147483648) DEFAULT 0.00", "Scale of a out of range"},
      {"mysql", "DECIMAL(5,7)", "greater than its precision"},
      {"mysql", "CHAR(256)", "Length of a"},
      {"postgresql", "numeric(12,2147483648) DEFAULT 0.00", "Scale of a"},
      {"postgresql", "varchar(10485761)", "Length of a"},
      {"firebird", "NUMERIC(19,2)", "Precision of A"},
      {"mssql", "nvarchar(4001)", "Length of a"},
      {"ase", "numeric(10,11)", "greater than its precision"},
      {"sqlanywhere", "varchar(2147483648)", "Length of a"},
      {"oracle", "NUMBER(10,-85)", "Scale of A"},
      {"oracle", "CHAR(2001)", "Length of A"},
      {"db2", "DECIMAL(32,2)", "Precision of A"},
      // The largest each server takes.
      {"mysql", "DECIMAL(65,30) DEFAULT 0.5", ""},
      {"mysql", "VARCHAR(65535)", ""},
      {"postgresql", "numeric(1000,-1000)", ""},
      {"firebird", "NUMERIC(18,18)", ""},
      {"mssql", "varchar(8000)", ""},
      {"ase", "numeric(38,38)", ""},
      {"sqlanywhere", "numeric(127,127)", ""},
      {"oracle", "NUMBER(38,-84)", ""},
      {"db2", "DECIMAL(31,31)", ""},
  };
  std::vector<TCase> Cases;
  for (const auto& [Dialect, Type, Error] : Types)
    Cases.push_back({Dialect,
                     std::string("CREATE TABLE t (\n  id integer,\n  a ") + Type + "\n);\n", Error,
                     3});
  ExpectCases(Cases);
}

TEST(BrokenDdl, EmptyQuotedNamesAreErrors) {
  std::vector<TCase> Cases = {
      {"mysql", "CREATE TABLE t (id int);\nCREATE TABLE `` (id int);\n", "Empty name", 2},
      {"mysql", "CREATE TABLE t (\n  `` int\n);\n", "Empty name", 2},
      {"mysql", "CREATE TABLE t (a varchar(5) DEFAULT \"\");\n", ""}};
  for (const char* D : {"postgresql", "firebird", "sqlanywhere", "oracle", "db2", "mssql", "ase"})
    for (const char* Table : {"\"\" (id integer)", "t (\n  \"\" integer\n)"})
      Cases.push_back({D,
                       "CREATE TABLE t0 (id integer);\nCREATE TABLE " + std::string(Table) + ";\n",
                       "Empty name", 0, 2});
  for (const char* D : {"mssql", "ase"}) {
    Cases.push_back({D, "CREATE TABLE [dbo].[] (id int);\n", "Empty name", 1});
    // With QUOTED_IDENTIFIER off "" is an empty string.
    Cases.push_back({D, "CREATE TABLE t (a varchar(5) DEFAULT \"\");\n", ""});
  }
  ExpectCases(Cases);
}

TEST(BrokenDdl, ForeignKeysOfAnotherWidthThanTheirReferenceAreErrors) {
  const std::string Keys = "CREATE TABLE t1 (id integer NOT NULL PRIMARY KEY);\n";
  const std::vector<std::pair<std::string, std::string>> Tables = {
      {"id integer, r integer,\n  FOREIGN KEY (r, id) REFERENCES t1 (id)", "has 2 columns and"},
      {"id integer,\n  r integer REFERENCES t1 (id, id)", "has 1 columns and references 2"},
      // Without a column list the key references the primary key.
      {"id integer, r integer,\n  FOREIGN KEY (r, id) REFERENCES t1", "and references 1"},
      {"id integer, r integer,\n  FOREIGN KEY (r) REFERENCES t1", ""}};
  std::vector<TCase> Cases;
  for (const char* D : {"postgresql", "firebird", "mssql", "ase", "sqlanywhere", "oracle", "mysql"})
    for (const auto& [Table, Error] : Tables)
      // (SQL Anywhere takes one column after REFERENCES in a column's definition.)
      if (std::string(D) != "sqlanywhere" || Table.find("(id, id)") == std::string::npos)
        Cases.push_back({D, Keys + "CREATE TABLE t2 (" + Table + ");\n", Error, 0, 2});
  // The DB2 reader takes its keys from ALTER TABLE too.
  const std::string DB2 =
      "CREATE TABLE t1 (id INTEGER NOT NULL);\nALTER TABLE t1 ADD PRIMARY KEY (id);\n"
      "CREATE TABLE t2 (id INTEGER, r INTEGER);\nALTER TABLE t2 ADD FOREIGN KEY ";
  Cases.push_back({"db2", DB2 + "(r, id) REFERENCES t1 (id);\n", "has 2 columns and", 4});
  Cases.push_back({"db2", DB2 + "(r, id) REFERENCES t1;\n", "has 2 columns and", 4});
  Cases.push_back({"db2", DB2 + "(r) REFERENCES t1 (id);\n", ""});
  ExpectCases(Cases);
}

TEST(BrokenDdl, StatementsWithoutTheirSubstanceAreErrorsAtTheirLine) {
  const std::string T1 = "CREATE TABLE t1 (id integer);\n";
  std::vector<TCase> Cases = {
      {"oracle", T1 + "CREATE TABLE t2;\n", "has no columns", 2},
      {"firebird", T1 + "CREATE TRIGGER tr1 FOR t1;\n", "has no body", 0, 2},
      {"firebird", T1 + "CREATE TRIGGER tr1 FOR t1 ACTIVE BEFORE INSERT", "has no body", 2},
      {"mssql", T1 + "CREATE TRIGGER tr1 ON t1 FOR INSERT AS", "has no body", 0, 2},
      {"ase", T1 + "CREATE TRIGGER tr1 ON t1 FOR INSERT AS", "has no body", 0, 2},
      {"sqlanywhere", T1 + "CREATE TRIGGER tr1 BEFORE INSERT ON t1", "has no body", 2},
      // isql and SQL*Plus run no statement the script ends inside.
      {"firebird", T1 + "CREATE VIEW v AS SELECT id FROM t1", "Missing: <TERM>", 2},
      {"oracle", T1 + "CREATE VIEW v AS SELECT id FROM t1", "Missing: <TERM>", 2},
      {"oracle", T1 + "CREATE TABLE t2 AS SELECT id FROM t1", "Missing: <TERM>", 2},
      // A GO line or its absence ends a batch: what the query ends in tells.
      {"mssql", T1 + "CREATE VIEW v AS SELECT id FROM t1 WHERE id IN (1, 2)", ""},
      {"sqlanywhere", T1 + "CREATE VIEW v AS SELECT id FROM t1 WITH CHECK OPTION", ""},
      {"oracle", T1 + "CREATE VIEW v AS SELECT CASE WHEN id > 0 THEN 1 END AS c FROM t1;\n", ""},
      {"postgresql",
       T1 + "CREATE VIEW v AS SELECT id FROM t1 -- FROM\n/* AND /* (nested */ , */;\n", ""},
      {"mssql", T1 + "CREATE VIEW v AS SELECT id FROM t1 -- and WHERE", ""},
      // Quotes as the dialect reads them: a bracket quotes only where names are bracketed, a
      // back-slash escapes in MySQL's strings and PostgreSQL's E'...', $$ quotes in PostgreSQL.
      {"postgresql", T1 + "CREATE VIEW v AS SELECT ARRAY[']'] AS a FROM t1;\n", ""},
      {"mssql", T1 + "CREATE VIEW v AS SELECT id AS [it's] FROM t1", ""},
      {"mysql", T1 + "CREATE VIEW v AS SELECT 'it\\'s' AS a FROM t1;\n", ""},
      {"postgresql", T1 + "CREATE VIEW v AS SELECT E'it\\'s' AS a FROM t1;\n", ""},
      {"postgresql", T1 + "CREATE VIEW v AS SELECT 'it\\' AS a FROM t1 WHERE;\n", "is cut off", 2},
      {"postgresql", T1 + "CREATE VIEW v AS SELECT $$it's$$ AS a FROM t1;\n", ""},
  };
  for (const char* D :
       {"postgresql", "firebird", "mssql", "ase", "sqlanywhere", "oracle", "mysql", "db2"}) {
    // Cut off by the end of the script: a table, a view.
    Cases.push_back({D, T1 + "CREATE TABLE t2 (\n  id integer", "Missing", 3});
    for (const char* Cut : {"", " SELECT", " SELECT id FROM", " SELECT id FROM t1 WHERE",
                            " SELECT id,", " SELECT CASE WHEN id > 0 THEN 1"})
      Cases.push_back({D, T1 + "CREATE VIEW v AS" + Cut, "is cut off", 2});
  }
  ExpectCases(Cases);
}

// A trigger on a table no script of the side defines is refused by the server, as keys are.
TEST(BrokenDdl, TriggersOfTablesNoScriptDefinesAreErrors) {
  const std::vector<std::pair<const char*, std::string>> Triggers = {
      {"postgresql", "CREATE TRIGGER tr BEFORE INSERT ON % FOR EACH ROW EXECUTE FUNCTION f();\n"},
      {"firebird",
       "SET TERM ^ ;\nCREATE TRIGGER tr FOR % BEFORE INSERT AS\nBEGIN\nEND^\nSET TERM ; ^\n"},
      {"mssql", "CREATE TRIGGER tr ON % FOR INSERT AS SELECT 1;\n"},
      {"sqlanywhere", "CREATE TRIGGER tr BEFORE INSERT ON % FOR EACH ROW BEGIN END;\n"},
      {"oracle", "CREATE TRIGGER tr BEFORE INSERT ON % FOR EACH ROW\nBEGIN\n  NULL;\nEND;\n/\n"},
      {"db2", "CREATE TRIGGER tr AFTER INSERT ON % FOR EACH ROW MODE DB2SQL DELETE FROM t1;\n"},
  };
  std::vector<TCase> Cases;
  const std::string T1 = "CREATE TABLE t1 (id integer);\n";
  for (const auto& [D, Trigger] : Triggers) {
    const std::size_t At = Trigger.find('%');
    const std::string On = Trigger.substr(0, At) + "t1" + Trigger.substr(At + 1);
    const std::string OnNope = Trigger.substr(0, At) + "nope" + Trigger.substr(At + 1);
    for (const char* Dialect : {D, std::string(D) == "mssql" ? "ase" : D}) {
      Cases.push_back({Dialect, T1 + OnNope, "on table nope", 0, 2});
      Cases.push_back({Dialect, T1 + On, ""});
      Cases.push_back({Dialect, On + T1, ""});  // the table may come later
    }
  }
  Cases.push_back({"postgresql",
                   "CREATE TABLE t1 (id integer);\nCREATE VIEW v AS SELECT id FROM t1;\n"
                   "CREATE TRIGGER tr INSTEAD OF INSERT ON v FOR EACH ROW EXECUTE FUNCTION f();\n",
                   ""});
  Cases.push_back({"mssql", "CREATE TRIGGER tr ON DATABASE FOR CREATE_TABLE AS SELECT 1;\n", ""});
  ExpectCases(Cases);
}

TEST(BrokenDdl, AColumnBothNullAndNotNullIsNamed) {
  for (const char* D :
       {"postgresql", "firebird", "mssql", "ase", "sqlanywhere", "oracle", "mysql", "db2"})
    for (const char* Column : {"a integer NOT NULL NULL", "a integer NULL NOT NULL"}) {
      const TRead R(
          D, std::string("CREATE TABLE t (\n  id integer NOT NULL,\n  ") + Column + "\n);\n");
      const std::vector<TMsgData>& Said = std::string(D) == "mysql" ? R.Warnings : R.Errors;
      ASSERT_EQ(Said.size(), 1u) << D << ": " << Column << "\n" << R.Summary();
      EXPECT_NE(UpperCase(Said[0].Text).find("COLUMN A IS DECLARED BOTH NULL AND NOT NULL"),
                std::string::npos)
          << Said[0].Text;
      EXPECT_EQ(Said[0].Line, 3) << D;
      // The server keeps the last of the two.
      if (std::string(D) == "mysql") {
        EXPECT_EQ(R.O.GetTableField("t", "a")->Nullable,
                  std::string(Column).find("NOT NULL") == 10);
      }
    }
}

TEST(BrokenDdl, ClientScriptsTypelessIdentityAndEmptyVarchar) {
  // A script the client runs is not read: named, so that its objects are not taken as dropped.
  const TRead Ora("oracle", "@setup.sql\n@@ sub/more.sql\nCREATE TABLE t (id NUMBER);\n");
  ASSERT_EQ(Ora.Warnings.size(), 2u) << Ora.Summary();
  EXPECT_NE(Ora.Warnings[0].Text.find("Script setup.sql "), std::string::npos);
  EXPECT_NE(Ora.Warnings[1].Text.find("Script sub/more.sql "), std::string::npos);
  EXPECT_EQ(Ora.Warnings[1].Line, 2);
  EXPECT_TRUE(Ora.Errors.empty()) << Ora.Summary();
  EXPECT_EQ(Ora.O.Tables.Count(), 1);

  // IDENTITY is a property of a column in Transact-SQL, no type.
  ExpectCases({{"mssql", "CREATE TABLE t (\n  id int,\n  code IDENTITY\n);\n", "has no type", 0, 3},
               {"ase", "CREATE TABLE t (\n  id int,\n  code IDENTITY\n);\n", "has no type", 0, 3},
               {"mssql", "CREATE TABLE t (id int, code int IDENTITY(1, 1));\n", ""},
               {"ase", "CREATE TABLE t (id int, code numeric(10, 0) IDENTITY);\n", ""}});

  // VARCHAR(0) and VARBINARY(0) hold the empty value: written with their length, as read.
  const TRead My("mysql", "CREATE TABLE t (a varchar(0), b varbinary(0), c varchar(3), d char);\n");
  ASSERT_TRUE(My.Errors.empty()) << My.Summary();
  std::vector<std::string> Types;
  for (const char* C : {"a", "b", "c", "d"}) Types.push_back(My.O.GetTableField("t", C)->TypeDef());
  EXPECT_EQ(Types,
            (std::vector<std::string>{"VARCHAR(0)", "VARBINARY(0)", "VARCHAR(3)", "CHAR(1)"}));
  // A VARCHAR without length of another dialect becomes text of any length, not VARCHAR(0).
  qel::testing::TCodeRig R(dbPostgreSQL);
  R.TH.SetDatabaseType(dbMySQL);
  qel::testing::MakeTable(R.Master(), "t", {{"a", iftVarchar, 0}, {"b", iftVarchar, 7}});
  ASSERT_TRUE(R.V.ConvertDatabases());
  EXPECT_EQ(R.Master().GetTableField("t", "a")->FieldType, iftLongText);
  EXPECT_EQ(R.Master().GetTableField("t", "b")->TypeDef(), "VARCHAR(7)");
}

// What the server refuses is refused where it stands (script, line, column); what it takes
// passes. Firebird 3 keeps names in 31 bytes of UTF-8 and takes a domain once it is created.
TEST(BrokenDdl, ServerRefusalsAreErrorsAtTheirPlace) {
  const std::string T1 = "CREATE TABLE T1 (ID INTEGER);\n";
  const std::string Long = "ABCDEFGHIJABCDEFGHIJABCDEFGHIJ";  // 30 bytes
  const std::string Wide =
      "\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84"
      "\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84";  // 15 x Ä
  const struct {
    const char* Dialect;
    std::string Script;
    const char* Error;  ///< "" for a script that is taken
    int Line = 0, Column = 0;
  } Cases[] = {
      {"firebird", T1 + "ALTER TABLE T1 FOO BAR;\n", "Unknown ALTER TABLE statement: FOO", 2, 16},
      {"firebird", "CREATE TABLE T1 (ID INTEGER)", "Missing: <TERM>", 1, 29},
      {"firebird", "CREATE TABLE T1 (ID NODOMAIN);\n", "Domain NODOMAIN does not exist", 1, 21},
      {"firebird", "CREATE TABLE T1 (ID D1);\nCREATE DOMAIN D1 AS INTEGER;\n", "Domain D1", 1, 21},
      {"firebird", "CREATE DOMAIN D1 AS INTEGER;\nCREATE TABLE T1 (ID D1);\n", ""},
      {"firebird", "CREATE TABLE T1 (A RDB$DESCRIPTION, B \"RDB$1\");\n", ""},
      {"firebird", "CREATE TABLE " + Long + "1 (ID INTEGER);\n", ""},
      {"firebird", "CREATE TABLE " + Long + "12 (ID INTEGER);\n", "Name longer than 31", 1, 14},
      {"firebird", "CREATE TABLE \"" + Wide + "12\" (ID INTEGER);\n", "Name longer than 31", 1, 14},
      {"db2", "CREATE TABLE T1 (ID INTEGER NOT NULL, A DOUBLE PRECISION);\n", ""},
      // Listed among the limits of the SQL Anywhere reader.
      {"sqlanywhere", T1 + "CREATE NONCLUSTERED INDEX i1 ON T1 (ID);\n", "Unknown CREATE", 2, 20},
  };
  for (const auto& C : Cases) {
    const TRead R(C.Dialect, C.Script);
    const std::string Where = std::string(C.Dialect) + ": " + C.Script + "\n" + R.Summary();
    if (*C.Error == '\0') {
      EXPECT_TRUE(R.Errors.empty()) << Where;
      continue;
    }
    ASSERT_FALSE(R.Errors.empty()) << Where;
    const TMsgData& M = R.Errors.front();
    EXPECT_NE(M.Text.find(C.Error), std::string::npos) << Where;
    EXPECT_EQ(M.ScriptName, "broken.sql") << Where;
    EXPECT_EQ(std::pair(M.Line, M.Column), std::pair(C.Line, C.Column)) << Where;
  }
}
