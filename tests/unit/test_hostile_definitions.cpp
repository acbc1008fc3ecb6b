// Broken definitions every script reader refuses: an object defined twice, a check condition
// that is no expression or names a column its table lacks, and a Transact-SQL batch that holds
// a statement after CREATE VIEW. Valid forms beside them stay taken.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Text.h"
#include "qelASAParser.h"
#include "qelASEParser.h"
#include "qelCompObj.h"
#include "qelDB2Parser.h"
#include "qelIBParser.h"
#include "qelMSSQLParser.h"
#include "qelMySQLParser.h"
#include "qelOracleParser.h"
#include "qelPGSQLParser.h"

using namespace qel;

namespace {

/// The dialects by name, each with its parser.
struct TDialect {
  std::string Name;
  TDatabaseType Type;
  std::function<std::unique_ptr<TCustomSQLParser>(TCustomObjs*)> Make;
};
template <class TParser>
TDialect Dialect(const char* Name, TDatabaseType Type) {
  return {Name, Type, [](TCustomObjs* O) { return std::make_unique<TParser>(O); }};
}
const std::vector<TDialect> Dialects = {
    Dialect<TPGSQLParser>("postgresql", dbPostgreSQL), Dialect<TIbParser>("firebird", dbInterBase),
    Dialect<TMSSQLParser>("mssql", dbMSSQL),           Dialect<TASEParser>("ase", dbSybaseASE),
    Dialect<TASAParser>("sqlanywhere", dbSybaseASA),   Dialect<TOracleParser>("oracle", dbOracle),
    Dialect<TMySQLParser>("mysql", dbMySQL),           Dialect<TDB2Parser>("db2", dbDB2)};
const TDialect& Named(const std::string& Name) {
  for (const TDialect& D : Dialects)
    if (D.Name == Name) return D;
  throw std::runtime_error("no dialect " + Name);
}

bool GoLines(const std::string& Dialect) {
  return Dialect == "mssql" || Dialect == "ase";
}

/// Text with each ";" that ends a line made a GO line in the Transact-SQL dialects.
std::string Batches(const std::string& Dialect, std::string Text) {
  if (!GoLines(Dialect)) return Text;
  for (std::size_t I = Text.find(";\n"); I != std::string::npos; I = Text.find(";\n", I + 4))
    Text.replace(I, 2, "\nGO\n");
  return Text;
}

/// One script read as the script extractor reads a file; its messages by kind.
struct TRead {
  TObjs O;
  std::vector<TMsgData> Errors, Warnings;

  TRead(const std::string& Dialect, const std::string& Text) {
    O.SetDatabaseType(Named(Dialect).Type);
    O.ExtractFrom = efScript;
    auto P = Named(Dialect).Make(&O);
    P->ScriptName = "defs.sql";
    P->ShowProgress = false;
    P->OnErrorMessage = [](TObject*, const std::string&) {};
    P->ParseScriptText(Text, &O);
    P->TestKeyTables();  // what the script extractor checks once the side is read
    for (int I = 0; I < P->MsgManager.GetMsgCount(); ++I) {
      const TMsgData& M = P->MsgManager.Items(I);
      if (M.MsgType == mt_Err) Errors.push_back(M);
      if (M.MsgType == mt_Wrn) Warnings.push_back(M);
    }
  }
  std::string Summary() const {
    std::string S;
    for (const auto* List : {&Errors, &Warnings})
      for (const TMsgData& M : *List)
        S += std::string(List == &Errors ? "E " : "W ") + std::to_string(M.Line) + ": " + M.Text +
             "\n";
    return S;
  }
  /// A message holding Part, in any letter case (readers fold names as their servers do).
  static bool Has(const std::vector<TMsgData>& List, const std::string& Part) {
    for (const TMsgData& M : List)
      if (UpperCase(M.Text).find(UpperCase(Part)) != std::string::npos) return true;
    return false;
  }
};

/// A row: the script, and the error (or, with Warning, the warning) it gives; none when empty.
/// With Line, the message stands on that line (and Column, when given, at that column).
struct TCase {
  std::string Dialect;
  std::string Script;
  std::string Message;
  bool Warning = false;
  int Line = 0;
  int Column = 0;
};

void Judge(const TCase& C) {
  const TRead R(C.Dialect, Batches(C.Dialect, C.Script));
  const std::string What = C.Dialect + ":\n" + C.Script + "--\n" + R.Summary();
  if (C.Message.empty()) {
    EXPECT_TRUE(R.Errors.empty()) << What;
    return;
  }
  EXPECT_TRUE(TRead::Has(C.Warning ? R.Warnings : R.Errors, C.Message)) << What;
  for (const TMsgData& M : C.Warning ? R.Warnings : R.Errors)
    if (C.Line > 0 && UpperCase(M.Text).find(UpperCase(C.Message)) != std::string::npos) {
      EXPECT_EQ(M.Line, C.Line) << What;
      if (C.Column > 0) {
        EXPECT_EQ(M.Column, C.Column) << What;
      }
    }
  if (C.Warning) {
    EXPECT_TRUE(R.Errors.empty()) << What;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------

namespace {

const std::string T1 = "CREATE TABLE t1 (id integer NOT NULL, r integer NOT NULL);\n";

/// Keys and indexes defined twice, in every dialect.
std::vector<TCase> KeyCases() {
  std::vector<TCase> Cases;
  const std::string& T = T1;
  const std::string T2 = "CREATE TABLE t2 (id integer NOT NULL, r integer NOT NULL);\n";
  for (const auto& [D, Type, Make] : Dialects) {
    const std::string Pk = "ALTER TABLE t1 ADD PRIMARY KEY (id);\n";
    if (D != "db2")  // the DB2 reader takes its keys from ALTER TABLE only
      Cases.push_back({D,
                       "CREATE TABLE t1 (id integer NOT NULL, r integer NOT NULL,\n"
                       "  PRIMARY KEY (id), PRIMARY KEY (r));\n",
                       "more than one PRIMARY KEY"});
    Cases.push_back({D, T + Pk + Pk, "more than one PRIMARY KEY"});
    const std::string Fk = "ALTER TABLE t1 ADD CONSTRAINT f1 FOREIGN KEY (r) REFERENCES t1 (id);\n";
    Cases.push_back({D, T + Pk + Fk + Fk, "is defined twice"});
    const std::string IndexTwice =
        D == "postgresql" ? "Duplicate index name: i1" : "Index i1 is defined twice";
    Cases.push_back(
        {D, T + "CREATE INDEX i1 ON t1 (r);\nCREATE INDEX i1 ON t1 (id);\n", IndexTwice});
    // Index names are the table's own in some servers, the schema's in the others.
    const bool PerTable = D == "mysql" || D == "mssql" || D == "ase" || D == "sqlanywhere";
    Cases.push_back({D, T + T2 + "CREATE INDEX i1 ON t1 (r);\nCREATE INDEX i1 ON t2 (r);\n",
                     PerTable ? "" : IndexTwice});
  }
  return Cases;
}

/// The other kinds defined twice, in the dialects that read them.
std::vector<TCase> KindCases() {
  const std::string& T = T1;
  return {
      {"postgresql", "CREATE DOMAIN d AS integer;\nCREATE DOMAIN d AS bigint;\n",
       "Domain d is defined twice"},
      {"postgresql", "CREATE SCHEMA s;\nCREATE SCHEMA s;\n", "Schema s is defined twice"},
      {"postgresql", "CREATE SCHEMA public;\n", "Schema public is defined twice", true},
      {"postgresql",
       "CREATE FUNCTION f() RETURNS integer AS 'SELECT 1' LANGUAGE sql;\n"
       "CREATE FUNCTION f() RETURNS integer AS 'SELECT 2' LANGUAGE sql;\n",
       "Function f is defined twice"},
      {"postgresql",
       "CREATE FUNCTION f() RETURNS integer AS 'SELECT 1' LANGUAGE sql;\n"
       "CREATE OR REPLACE FUNCTION f() RETURNS integer AS 'SELECT 2' LANGUAGE sql;\n"
       "CREATE FUNCTION f(a integer) RETURNS integer AS 'SELECT 2' LANGUAGE sql;\n",
       ""},
      {"postgresql",
       "CREATE TABLE t (id integer);\n"
       "CREATE FUNCTION tf() RETURNS trigger AS 'BEGIN RETURN NEW; END' LANGUAGE plpgsql;\n"
       "CREATE TRIGGER tr BEFORE INSERT ON t FOR EACH ROW EXECUTE FUNCTION tf();\n"
       "CREATE TRIGGER tr BEFORE INSERT ON t FOR EACH ROW EXECUTE FUNCTION tf();\n",
       "Trigger tr is defined twice"},
      {"firebird", "CREATE DOMAIN d AS INTEGER;\nCREATE DOMAIN d AS INTEGER;\n",
       "Domain D is defined twice"},
      {"firebird", "CREATE GENERATOR g;\nCREATE SEQUENCE g;\n", "Generator G is defined twice"},
      {"firebird", "CREATE GENERATOR g;\nSET GENERATOR g TO 5;\nALTER SEQUENCE g RESTART WITH 1;\n",
       ""},
      {"firebird", "CREATE EXCEPTION e 'a';\nCREATE EXCEPTION e 'b';\n",
       "Exception E is defined twice"},
      {"firebird", "CREATE EXCEPTION e 'a';\nCREATE OR ALTER EXCEPTION e 'b';\n", ""},
      {"firebird", "CREATE ROLE r;\nCREATE ROLE r;\n", "Role R is defined twice"},
      {"firebird",
       "SET TERM ^ ;\nCREATE PROCEDURE p AS BEGIN END^\nCREATE PROCEDURE p AS BEGIN END^\n",
       "Procedure P is defined twice"},
      {"firebird",
       "SET TERM ^ ;\nCREATE PROCEDURE p AS BEGIN END^\nCREATE OR ALTER PROCEDURE p AS BEGIN "
       "END^\nRECREATE PROCEDURE p AS BEGIN END^\nALTER PROCEDURE p AS BEGIN END^\n",
       ""},
      {"firebird",
       "CREATE TABLE t (id INTEGER);\nSET TERM ^ ;\n"
       "CREATE TRIGGER tr FOR t BEFORE INSERT AS BEGIN END^\n"
       "CREATE TRIGGER tr FOR t BEFORE INSERT AS BEGIN END^\n",
       "Trigger TR is defined twice"},
      {"firebird",
       "DECLARE EXTERNAL FUNCTION f INTEGER RETURNS INTEGER BY VALUE ENTRY_POINT 'f' "
       "MODULE_NAME 'm';\n"
       "DECLARE EXTERNAL FUNCTION f INTEGER RETURNS INTEGER BY VALUE ENTRY_POINT 'f' "
       "MODULE_NAME 'm';\n",
       "Function F is defined twice"},
      {"oracle", "CREATE SEQUENCE s;\nCREATE SEQUENCE s;\n", "Sequence S is defined twice"},
      {"oracle", "CREATE ROLE r;\nCREATE ROLE r;\n", "Role R is defined twice"},
      {"oracle",
       "CREATE FUNCTION f RETURN NUMBER AS BEGIN RETURN 1; END;\n/\n"
       "CREATE FUNCTION f RETURN NUMBER AS BEGIN RETURN 2; END;\n/\n",
       "Function F is defined twice"},
      {"oracle",
       "CREATE PROCEDURE p AS BEGIN NULL; END;\n/\nCREATE PROCEDURE p AS BEGIN NULL; END;\n/\n",
       "Procedure P is defined twice"},
      {"oracle",
       "CREATE PROCEDURE p AS BEGIN NULL; END;\n/\n"
       "CREATE OR REPLACE PROCEDURE p AS BEGIN NULL; END;\n/\n",
       ""},
      {"oracle", T + "ALTER TABLE t1 ADD UNIQUE (r);\nALTER TABLE t1 ADD UNIQUE (r);\n",
       "UNIQUE of table T1 is defined twice"},
      {"postgresql", T + "ALTER TABLE t1 ADD UNIQUE (r);\nALTER TABLE t1 ADD UNIQUE (r);\n",
       "UNIQUE of table t1 is defined twice", true},
      {"mssql", "CREATE PROCEDURE p AS SELECT 1;\nCREATE PROCEDURE p AS SELECT 2;\n",
       "Procedure p is defined twice"},
      {"mssql",
       "CREATE PROCEDURE p AS SELECT 1;\nCREATE OR ALTER PROCEDURE p AS SELECT 2;\n"
       "ALTER PROCEDURE p AS SELECT 3;\n",
       ""},
      {"mssql",
       "CREATE FUNCTION f() RETURNS int AS BEGIN RETURN 1 END;\n"
       "CREATE FUNCTION f() RETURNS int AS BEGIN RETURN 1 END;\n",
       "Function f is defined twice"},
      {"mssql", "CREATE SCHEMA s;\nCREATE SCHEMA s;\n", "Schema s is defined twice"},
      {"mssql", "EXEC sp_addtype d, int;\nEXEC sp_addtype d, int;\n", "Domain d is defined twice"},
      {"ase", "CREATE DEFAULT df AS 0;\nCREATE DEFAULT df AS 1;\n", "Default df is defined twice"},
      {"sqlanywhere", "CREATE DOMAIN d integer;\nCREATE DOMAIN d integer;\n",
       "Domain d is defined twice"},
      {"db2",
       T + "CREATE TRIGGER tr NO CASCADE BEFORE INSERT ON t1 FOR EACH ROW MODE DB2SQL BEGIN "
           "ATOMIC END;\nCREATE TRIGGER tr NO CASCADE BEFORE INSERT ON t1 FOR EACH ROW MODE "
           "DB2SQL BEGIN ATOMIC END;\n",
       "Trigger tr is defined twice"},
      {"mysql", T + "CREATE TABLE IF NOT EXISTS t1 (id int, PRIMARY KEY (id));\n",
       "Table t1 is defined twice: IF NOT EXISTS", true},
  };
}

}  // namespace

TEST(HostileDefinitions, ASecondDefinitionIsAnErrorOrAWarningNamingIt) {
  for (const TCase& C : KeyCases()) Judge(C);
  for (const TCase& C : KindCases()) Judge(C);
}

// A replacing form takes the place of what stands, as on the server.
TEST(HostileDefinitions, AReplacingFormTakesThePlaceOfWhatStands) {
  const std::vector<TCase> Replaced = {
      {"postgresql",
       "CREATE FUNCTION f() RETURNS integer AS 'SELECT 1' LANGUAGE sql;\n"
       "CREATE OR REPLACE FUNCTION f() RETURNS integer AS 'SELECT 2' LANGUAGE sql;\n",
       "SELECT 2"},
      {"oracle",
       "CREATE FUNCTION f RETURN NUMBER AS BEGIN RETURN 1; END;\n/\n"
       "CREATE OR REPLACE FUNCTION f RETURN NUMBER AS BEGIN RETURN 2; END;\n/\n",
       "RETURN 2"},
      {"mssql", "CREATE PROCEDURE p AS SELECT 1;\nCREATE OR ALTER PROCEDURE p AS SELECT 2;\n",
       "SELECT 2"},
  };
  for (const TCase& C : Replaced) {
    const TRead R(C.Dialect, Batches(C.Dialect, C.Script));
    ASSERT_EQ(R.O.Procedures.Count(), 1) << C.Dialect << "\n" << R.Summary();
    EXPECT_NE(R.O.Procedures.Objects(0)->Extra().Body.str().find(C.Message), std::string::npos)
        << C.Dialect << ": " << R.O.Procedures.Objects(0)->Extra().Body.str();
  }
}

// ---------------------------------------------------------------------------------------------

TEST(HostileDefinitions, ACheckConditionIsReadAsAnExpression) {
  std::vector<TCase> Cases;
  const std::vector<std::pair<std::string, std::string>> Broken = {
      {"( >= 0)", "\">=\" has nothing before it"},
      {"(AND id > 0)", "\"AND\" has nothing before it"},
      {"(id > > 0)", "\">\" has nothing after it"},
      {"(id >= 0 AND id 100000)", "\"100000\" follows \"id\" with no operator between"},
      {"(id IN ())", "the list after IN is empty"},
      {"(id IN (1, ))", "\",\" has nothing after it"},
  };
  for (const auto& [D, Type, Make] : Dialects) {
    for (const auto& [Condition, Fault] : Broken)
      Cases.push_back({D, "CREATE TABLE t (id integer,\n  CHECK " + Condition + ");\n",
                       "syntax error in the condition, " + Fault});
    Cases.push_back({D, "CREATE TABLE t (id integer,\n  CHECK (nope > 0));\n",
                     "names column nope, which table t does not have"});
    Cases.push_back({D,
                     "CREATE TABLE t (id integer, s varchar(10),\n"
                     "  CHECK (id BETWEEN -1 AND 10 AND s NOT LIKE 'a%' AND s IS NOT NULL\n"
                     "    AND (id IN (1, 2, 3) OR NOT id > 4) AND upper(s) <> 'X'\n"
                     "    AND CASE WHEN id > 0 THEN 1 ELSE 0 END = 1 AND s <> 'AND >')\n);\n",
                     ""});
  }
  const std::vector<TCase> Domains = {
      {"postgresql", "CREATE DOMAIN d AS integer CHECK ( = 0);\n", "\"=\" has nothing before"},
      {"firebird", "CREATE DOMAIN d AS VARCHAR(9) CHECK (VALUE ,> '');\n", "\">\" has nothing"},
      {"sqlanywhere", "CREATE DOMAIN d integer CHECK (@d IN ());\n", "list after IN is empty"},
      // What dialects write that the reading must take.
      {"postgresql",
       "CREATE DOMAIN d AS text CHECK (VALUE ~ '^[a-z]+$' AND VALUE::text <> ''::character "
       "varying AND length(VALUE) < 10 AND VALUE = ANY (ARRAY['a'::text, 'b'::text]));\n",
       ""},
      {"postgresql",
       "CREATE TABLE t (a numeric, d date, s text COLLATE \"C\",\n"
       "  CHECK (((a)::integer > 0) AND (d > (CURRENT_DATE - '1 day'::interval)) AND\n"
       "  (s IS DISTINCT FROM 'x') AND (s::text[] IS NOT NULL) AND d >= DATE '2020-01-01'\n"
       "  AND EXISTS (SELECT 1) AND s SIMILAR TO 'a%' AND a::double precision > 0.5e-3));\n",
       ""},
      {"firebird",
       "CREATE DOMAIN d AS VARCHAR(9) CHECK (VALUE IS NULL OR VALUE CONTAINING 'a' OR VALUE "
       "STARTING WITH 'b' OR VALUE IN (SELECT x FROM y) OR VALUE NOT BETWEEN 'a' AND 'b');\n",
       ""},
      {"mssql",
       "CREATE TABLE t (a int, [b c] varchar(9),\n"
       "  CHECK ([a] > (0) AND [b c] LIKE N'[0-9]%' AND datepart(year, getdate()) > 2000))\nGO\n",
       ""},
      {"mysql",
       "CREATE TABLE t (a int, b varchar(9),\n"
       "  CHECK (`a` DIV 2 <=> 1 AND b REGEXP '^x\\'' AND b <> _utf8mb4'y' AND json_valid(b)));\n",
       ""},
      {"db2", "CREATE TABLE t (a DATE, b INTEGER, CHECK (a < CURRENT DATE AND b IN (1, 2)));\n",
       ""},
      {"oracle",
       "CREATE TABLE t (a NUMBER, b VARCHAR2(9),\n"
       "  CHECK (REGEXP_LIKE(b, '^x') AND a > INTERVAL '1' DAY AND b IS NOT NULL));\n",
       ""},
  };
  Cases.insert(Cases.end(), Domains.begin(), Domains.end());
  for (const TCase& C : Cases) Judge(C);
}

// ---------------------------------------------------------------------------------------------

TEST(HostileDefinitions, AStatementAfterCreateViewInItsBatchIsAnError) {
  struct TView {
    std::string Dialect, Script;
    int Line;  // of the statement that follows the view; 0: the batch is valid
  };
  const std::string T = "CREATE TABLE t1 (id int)\nGO\n";
  std::vector<TView> Cases;
  for (const std::string D : {"mssql", "ase"}) {
    Cases.push_back(
        {D, T + "CREATE VIEW v AS SELECT id FROM t1;\nCREATE TABLE t2 (id int);\nGO\n", 4});
    Cases.push_back(
        {D, T + "CREATE VIEW v AS SELECT id FROM t1\n  CREATE VIEW w AS SELECT 1 x\nGO\n", 4});
    Cases.push_back(
        {D, T + "CREATE VIEW v AS SELECT id FROM t1; -- done\nGRANT SELECT ON v TO public\nGO\n",
         4});
    Cases.push_back({D,
                     T + "CREATE VIEW v AS SELECT id, 'a;CREATE' AS [drop] FROM t1\n"
                         "  WHERE id IN (SELECT id FROM t1); -- ; create\n/* GRANT */\nGO\n",
                     0});
  }
  for (const TView& C : Cases) {
    const TRead R(C.Dialect, C.Script);
    const std::string What = C.Dialect + ":\n" + C.Script + "--\n" + R.Summary();
    if (C.Line == 0) {
      EXPECT_TRUE(R.Errors.empty()) << What;
      EXPECT_EQ(R.O.Views.Count(), 1) << What;
      continue;
    }
    ASSERT_EQ(R.Errors.size(), 1u) << What;
    EXPECT_NE(R.Errors[0].Text.find("CREATE VIEW must be alone in its batch"), std::string::npos)
        << What;
    EXPECT_EQ(R.Errors[0].Line, C.Line) << What;
  }
}

// ---------------------------------------------------------------------------------------------

// Names kept per table or per schema as each server keeps them, a view of a table's name, views
// that read themselves, a second ADD CONSTRAINT, and columns of a type no script defines.
TEST(HostileDefinitions, NamesAndTypesAreCheckedAsTheServerChecksThem) {
  const std::string T = "CREATE TABLE t1 (id integer NOT NULL, r integer NOT NULL);\n";
  const std::string Fks =
      T +
      "CREATE TABLE t2 (id integer NOT NULL, r integer NOT NULL);\n"
      "ALTER TABLE t1 ADD CONSTRAINT pk1 PRIMARY KEY (id);\n"
      "ALTER TABLE t1 ADD CONSTRAINT fk_r_id FOREIGN KEY (r) REFERENCES t1 (id);\n"
      "ALTER TABLE t2 ADD CONSTRAINT fk_r_id FOREIGN KEY (r) REFERENCES t1 (id);\n";
  const std::string Fk = "ALTER TABLE t1 ADD CONSTRAINT f1 FOREIGN KEY (r) REFERENCES t1 (id);\n";
  const std::string Twins =
      "CREATE TABLE case_sensitive (id int, PRIMARY KEY (id));\n"
      "CREATE TABLE Case_Sensitive (id int, r int, PRIMARY KEY (r));\n"
      "CREATE INDEX ix ON Case_Sensitive (r);\n"
      "ALTER TABLE Case_Sensitive ADD CONSTRAINT u1 UNIQUE (r);\n";
  std::vector<TCase> Cases = {
      {"sqlanywhere", Fks, ""},
      {"mssql", Fks, "Constraint fk_r_id is defined twice"},
      {"oracle", Fks, "Constraint fk_r_id is defined twice"},
      {"firebird", Fks, "Constraint fk_r_id is defined twice"},
      {"ase", Twins, "differ only in case", true},
      {"oracle",
       T + "ALTER TABLE t1 ADD PRIMARY KEY (id);\n" + Fk + "ALTER TABLE t1 DROP CONSTRAINT f1;\n" +
           Fk,
       ""},
      {"oracle",
       T + "ALTER TABLE t1 ADD CONSTRAINT c1 CHECK (id > 0);\n"
           "ALTER TABLE t1 ADD CONSTRAINT c1 CHECK (id > 1);\n",
       "Constraint C1 is defined twice"},
      {"oracle",
       "CREATE FORCE VIEW v1 AS SELECT a FROM v2;\nCREATE FORCE VIEW v2 AS SELECT a FROM v1;\n",
       "Views V1 and V2 select from each other", true},
      {"mssql", "CREATE TABLE t (h hierarchyid, g geography, s sysname, d datetime2);\n", ""},
      {"ase", "CREATE TABLE t (s sysname, l longsysname, u unitext);\n", ""},
      // An older dump's stand-in table, dropped before the view proper.
      {"mysql",
       T + "CREATE TABLE v (id int);\n/*!50001 DROP TABLE IF EXISTS `v`*/;\n"
           "/*!50001 CREATE VIEW `v` AS select `t1`.`id` AS `id` from `t1` */;\n",
       ""},
      {"oracle", "CREATE TABLE t (x XMLTYPE, g MDSYS.SDO_GEOMETRY, r ROWID, f BINARY_FLOAT);\n",
       ""},
      {"oracle", "CREATE TYPE ty AS OBJECT (a NUMBER);\n/\nCREATE TABLE t (a ty);\n", ""},
      {"sqlanywhere",
       "CREATE DOMAIN d integer;\nCREATE TABLE t (a d, u uniqueidentifierstr, l long varchar,\n"
       "  x xml, s ST_Geometry, i image);\n",
       ""},
  };
  for (const auto& [D, Type, Make] : Dialects) {
    const int Second = GoLines(D) ? 3 : 2;  // the line of the second statement
    Cases.push_back({D, T + "CREATE VIEW t1 AS SELECT id FROM t1;\n", "has the name of table",
                     false, Second, 1});
    Cases.push_back({D, T + "CREATE VIEW v AS SELECT id FROM v;\n", "View v selects from itself",
                     false, Second});
    Cases.push_back({D,
                     T + "CREATE VIEW v1 AS SELECT id FROM v2;\n"
                         "CREATE VIEW v2 AS SELECT v1.id FROM t1 JOIN v1 ON v1.id = t1.id;\n",
                     "Views v1 and v2 select from each other"});
    Cases.push_back({D,
                     T + "CREATE VIEW v1 AS SELECT id FROM t1;\n"
                         "CREATE VIEW v2 AS SELECT a.id FROM t1 a, v1 WHERE a.id = v1.id;\n"
                         "CREATE VIEW r AS SELECT TRIM(LEADING '0' FROM r) AS r FROM t1;\n",
                     ""});
    if (D == "oracle" || D == "mssql" || D == "ase" || D == "sqlanywhere")
      Cases.push_back({D, "CREATE TABLE t1 (id integer,\n  n nodomain);\n",
                       "Column n of table t1 is of type nodomain, which no script defines", false,
                       2, 5});
  }
  // Names as each server finds them: a quoted name keeps its case, an unquoted one is folded
  // (lower in PostgreSQL, upper in Firebird, Oracle and DB2), MySQL keeps table names as
  // written, and PostgreSQL keeps a name once per schema.
  const auto Keys = [](const std::string& A, const std::string& B) {
    return "CREATE TABLE " + A + " (id integer NOT NULL, PRIMARY KEY (id));\nCREATE TABLE " + B +
           " (id integer NOT NULL, PRIMARY KEY (id));\n";
  };
  const auto ViewOver = [](const std::string& Table, const std::string& View) {
    return "CREATE TABLE " + Table + " (a integer);\nCREATE VIEW " + View + " AS SELECT a FROM " +
           Table + ";\n";
  };
  for (const char* D : {"postgresql", "firebird", "oracle", "db2"}) {
    Cases.push_back({D, Keys("CUSTOMER", "\"Customer\""), ""});
    Cases.push_back({D,
                     "CREATE TABLE Customer (id integer NOT NULL, PRIMARY KEY (id));\n"
                     "ALTER TABLE CUSTOMER ADD PRIMARY KEY (id);\n",
                     "has more than one PRIMARY KEY"});
  }
  Cases.push_back({"postgresql", ViewOver("\"T1\"", "t1"), ""});
  Cases.push_back({"postgresql", ViewOver("\"t1\"", "T1"), "has the name of table"});
  for (const char* D : {"firebird", "oracle", "db2"}) {
    Cases.push_back({D, ViewOver("\"t1\"", "t1"), ""});
    Cases.push_back({D, "CREATE VIEW v AS SELECT a FROM \"V\";\n", "selects from itself"});
  }
  Cases.push_back({"mysql", ViewOver("T1", "t1"), ""});
  const std::string Schemas = "CREATE SCHEMA a;\nCREATE SCHEMA b;\nCREATE TABLE a.x (i integer);\n";
  Cases.push_back({"postgresql", Schemas + "CREATE VIEW b.x AS SELECT i FROM a.x;\n", ""});
  Cases.push_back(
      {"postgresql", Schemas + "CREATE VIEW a.x AS SELECT 1 AS i;\n", "has the name of table"});
  for (const TCase& C : Cases) Judge(C);
}
