// Declarations no server takes: type numbers past what a server holds, empty quoted names,
// statements without their substance, foreign keys of the wrong width, and a column declared
// both NULL and NOT NULL. Each is refused with its place in every reader, rather than written
// into a script the server refuses half way through.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
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

struct TDialect {
  const char* Name;
  TDatabaseType Type;
  std::function<std::unique_ptr<TCustomSQLParser>(TCustomObjs*)> Make;
};

template <class TParser>
TDialect Dialect(const char* Name, TDatabaseType Type) {
  return {Name, Type, [](TCustomObjs* O) { return std::make_unique<TParser>(O); }};
}

const TDialect& DialectNamed(const std::string& Name) {
  static const std::vector<TDialect> All = {
      Dialect<TPGSQLParser>("postgresql", dbPostgreSQL),
      Dialect<TIbParser>("firebird", dbInterBase),
      Dialect<TMSSQLParser>("mssql", dbMSSQL),
      Dialect<TASEParser>("ase", dbSybaseASE),
      Dialect<TASAParser>("sqlanywhere", dbSybaseASA),
      Dialect<TOracleParser>("oracle", dbOracle),
      Dialect<TMySQLParser>("mysql", dbMySQL),
      Dialect<TDB2Parser>("db2", dbDB2),
  };
  for (const TDialect& D : All)
    if (Name == D.Name) return D;
  throw std::runtime_error("no dialect " + Name);
}

/// Script as a script extraction reads it, the side checked as a whole at its end. Statements
/// end in ";" and a line break; mssql and ase end each with a GO line instead.
struct TRead {
  TObjs O;
  std::vector<TMsgData> Errors, Warnings;

  TRead(const std::string& DialectName, std::string Script) {
    const TDialect& D = DialectNamed(DialectName);
    if (D.Type == dbMSSQL || D.Type == dbSybaseASE) {
      for (std::size_t I = Script.find(";\n"); I != std::string::npos; I = Script.find(";\n", I))
        Script.replace(I, 2, "\nGO\n");
    }
    O.SetDatabaseType(D.Type);
    O.ExtractFrom = efScript;
    auto P = D.Make(&O);
    P->ScriptName = "broken.sql";
    P->ShowProgress = false;
    P->OnErrorMessage = [](TObject*, const std::string&) {};
    P->ParseScriptText(Script, &O);
    P->TestKeyTables();
    for (int I = 0; I < P->MsgManager.GetMsgCount(); ++I) {
      const TMsgData& M = P->MsgManager.Items(I);
      if (M.MsgType == mt_Err) Errors.push_back(M);
      if (M.MsgType == mt_Wrn) Warnings.push_back(M);
    }
  }
  std::string Summary() const {
    std::string S;
    for (const TMsgData& M : Errors) S += std::to_string(M.Line) + ": " + M.Text + "\n";
    return S;
  }
  /// The line of the first error whose text holds Part; 0 when none does.
  int ErrorLine(const std::string& Part) const {
    for (const TMsgData& M : Errors)
      if (UpperCase(M.Text).find(UpperCase(Part)) != std::string::npos) return M.Line;
    return 0;
  }
};

struct TCase {
  const char* Dialect;
  std::string Script;
  const char* Error;  ///< part of the error, in any letter case; "" for a script that is taken
  int Line = 0;       ///< of the error; 0: from the line of the statement to the end
  int First = 0;      ///< with Line 0: the line the statement at fault starts on
};

/// Each case gives its error at its place, or none.
void ExpectCases(const std::vector<TCase>& Cases) {
  for (const TCase& C : Cases) {
    const TRead R(C.Dialect, C.Script);
    const std::string Where = std::string(C.Dialect) + ": " + C.Script + "\n" + R.Summary();
    if (*C.Error == '\0') {
      EXPECT_TRUE(R.Errors.empty()) << Where;
      continue;
    }
    const int Line = R.ErrorLine(C.Error);
    ASSERT_GT(Line, 0) << Where;
    // A GO line stands after each statement of mssql and ase.
    const bool Go = std::string(C.Dialect) == "mssql" || std::string(C.Dialect) == "ase";
    if (C.Line > 0) {
      int GoLines = 0;  // before the line of the error
      for (std::size_t I = C.Script.find(";\n"); Go && I != std::string::npos;
           I = C.Script.find(";\n", I + 1))
        if (std::count(C.Script.begin(), C.Script.begin() + static_cast<std::ptrdiff_t>(I), '\n') +
                1 <
            C.Line)
          ++GoLines;
      EXPECT_EQ(Line, C.Line + GoLines) << Where;
      continue;
    }
    const int Lines = static_cast<int>(std::count(C.Script.begin(), C.Script.end(), '\n'));
    EXPECT_GE(Line, C.First) << Where;
    EXPECT_LE(Line, (Go ? 2 : 1) * Lines + 1) << Where;
  }
}

}  // namespace

TEST(BrokenDdl, TypeNumbersNoServerHoldsAreErrorsAtTheirLine) {
  const std::vector<std::tuple<const char*, const char*, const char*>> Types = {
      // 66 bytes that took 10.5 GB: the default was padded to the scale.
      {"mysql", "DECIMAL(12,2147483648) DEFAULT 0.00", "Scale of a out of range"},
      {"mysql", "DECIMAL(66,2)", "Precision of a"},
      {"mysql", "DECIMAL(5,7)", "greater than its precision"},
      {"mysql", "VARCHAR(65536)", "Length of a"},
      {"mysql", "CHAR(256)", "Length of a"},
      {"postgresql", "numeric(12,2147483648) DEFAULT 0.00", "Scale of a"},
      {"postgresql", "numeric(1001,2)", "Precision of a"},
      {"postgresql", "varchar(10485761)", "Length of a"},
      {"firebird", "NUMERIC(19,2)", "Precision of A"},
      {"firebird", "DECIMAL(5,7)", "greater than its precision"},
      {"firebird", "VARCHAR(32768)", "Length of A"},
      {"mssql", "decimal(39,2)", "Precision of a"},
      {"mssql", "nvarchar(4001)", "Length of a"},
      {"ase", "numeric(10,11)", "greater than its precision"},
      {"ase", "varchar(16385)", "Length of a"},
      {"sqlanywhere", "numeric(128,2)", "Precision of a"},
      {"sqlanywhere", "varchar(2147483648)", "Length of a"},
      {"oracle", "NUMBER(39,2)", "Precision of A"},
      {"oracle", "NUMBER(10,-85)", "Scale of A"},
      {"oracle", "CHAR(2001)", "Length of A"},
      {"db2", "DECIMAL(32,2)", "Precision of A"},
      {"db2", "VARCHAR(32673)", "Length of A"},
  };
  // The largest each server takes.
  const std::vector<std::pair<const char*, const char*>> Largest = {
      {"mysql", "DECIMAL(65,30) DEFAULT 0.5"},
      {"mysql", "VARCHAR(65535)"},
      {"postgresql", "numeric(1000,-1000)"},
      {"firebird", "NUMERIC(18,18)"},
      {"mssql", "varchar(8000)"},
      {"ase", "numeric(38,38)"},
      {"sqlanywhere", "numeric(127,127)"},
      {"oracle", "NUMBER(38,-84)"},
      {"oracle", "VARCHAR2(32767)"},
      {"db2", "DECIMAL(31,31)"},
  };
  std::vector<TCase> Cases;
  for (const auto& [Dialect, Type, Error] : Types)
    Cases.push_back({Dialect,
                     std::string("CREATE TABLE t (\n  id integer,\n  a ") + Type + "\n);\n", Error,
                     3});
  for (const auto& [Dialect, Type] : Largest)
    Cases.push_back({Dialect, std::string("CREATE TABLE t (id integer, a ") + Type + ");\n", ""});
  ExpectCases(Cases);
}

TEST(BrokenDdl, EmptyQuotedNamesAreErrors) {
  std::vector<TCase> Cases;
  for (const char* D : {"postgresql", "firebird", "sqlanywhere", "oracle", "db2", "mssql", "ase"}) {
    Cases.push_back(
        {D, "CREATE TABLE t (id integer);\nCREATE TABLE \"\" (id integer);\n", "Empty name", 0, 2});
    Cases.push_back({D, "CREATE TABLE t (\n  \"\" integer\n);\n", "Empty name", 2});
  }
  for (const char* D : {"mssql", "ase"}) {
    Cases.push_back(
        {D, "CREATE TABLE t (id int)\nGO\nCREATE TABLE [] (id int)\nGO\n", "Empty name", 3});
    Cases.push_back({D, "CREATE TABLE [dbo].[] (id int)\nGO\n", "Empty name", 1});
    // With QUOTED_IDENTIFIER off "" is an empty string.
    Cases.push_back({D, "CREATE TABLE t (a varchar(5) DEFAULT \"\")\nGO\n", ""});
  }
  Cases.push_back(
      {"mysql", "CREATE TABLE t (id int);\nCREATE TABLE `` (id int);\n", "Empty name", 2});
  Cases.push_back({"mysql", "CREATE TABLE t (\n  `` int\n);\n", "Empty name", 2});
  Cases.push_back({"mysql", "CREATE TABLE t (a varchar(5) DEFAULT \"\");\n", ""});
  ExpectCases(Cases);
}

TEST(BrokenDdl, ForeignKeysOfAnotherWidthThanTheirReferenceAreErrors) {
  const std::string Keys = "CREATE TABLE t1 (id integer NOT NULL PRIMARY KEY);\n";
  std::vector<TCase> Cases;
  for (const char* D :
       {"postgresql", "firebird", "mssql", "ase", "sqlanywhere", "oracle", "mysql"}) {
    Cases.push_back({D,
                     Keys + "CREATE TABLE t2 (id integer, r integer,\n  FOREIGN KEY (r, id) "
                            "REFERENCES t1 (id));\n",
                     "has 2 columns and references 1", 0, 2});
    // (SQL Anywhere takes one column after REFERENCES in a column's definition.)
    if (std::string(D) != "sqlanywhere")
      Cases.push_back(
          {D, Keys + "CREATE TABLE t2 (id integer,\n  r integer REFERENCES t1 (id, id));\n",
           "has 1 columns and references 2", 0, 2});
    // Without a column list the key references the primary key.
    Cases.push_back(
        {D,
         Keys + "CREATE TABLE t2 (id integer, r integer,\n  FOREIGN KEY (r, id) REFERENCES t1);\n",
         "has 2 columns and references 1", 0, 2});
    Cases.push_back(
        {D, Keys + "CREATE TABLE t2 (id integer, r integer,\n  FOREIGN KEY (r) REFERENCES t1);\n",
         ""});
  }
  // The DB2 reader takes its keys from ALTER TABLE.
  const std::string DB2 =
      "CREATE TABLE t1 (id INTEGER NOT NULL);\nALTER TABLE t1 ADD PRIMARY KEY (id);\n"
      "CREATE TABLE t2 (id INTEGER, r INTEGER);\n";
  Cases.push_back({"db2", DB2 + "ALTER TABLE t2 ADD FOREIGN KEY (r, id) REFERENCES t1 (id);\n",
                   "has 2 columns and references 1", 0, 4});
  Cases.push_back({"db2", DB2 + "ALTER TABLE t2 ADD FOREIGN KEY (r, id) REFERENCES t1;\n",
                   "has 2 columns and references 1", 0, 4});
  Cases.push_back({"db2", DB2 + "ALTER TABLE t2 ADD FOREIGN KEY (r) REFERENCES t1 (id);\n", ""});
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
      {"ase", "CREATE TRIGGER tr ON % FOR INSERT AS SELECT 1;\n"},
      {"sqlanywhere", "CREATE TRIGGER tr BEFORE INSERT ON % FOR EACH ROW BEGIN END;\n"},
      {"oracle", "CREATE TRIGGER tr BEFORE INSERT ON % FOR EACH ROW\nBEGIN\n  NULL;\nEND;\n/\n"},
      {"db2", "CREATE TRIGGER tr AFTER INSERT ON % FOR EACH ROW MODE DB2SQL DELETE FROM t1;\n"},
  };
  std::vector<TCase> Cases;
  for (const auto& [D, Trigger] : Triggers) {
    const auto On = [&Trigger = Trigger](const std::string& Table) {
      std::string R = Trigger;
      R.replace(R.find('%'), 1, Table);
      return R;
    };
    Cases.push_back({D, "CREATE TABLE t1 (id integer);\n" + On("nope"), "on table nope", 0, 2});
    Cases.push_back({D, "CREATE TABLE t1 (id integer);\n" + On("t1"), ""});
    Cases.push_back({D, On("t1") + "CREATE TABLE t1 (id integer);\n", ""});
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
