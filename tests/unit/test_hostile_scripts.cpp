// Scripts a hostile or careless user feeds the script readers: binary files and error floods,
// broken table definitions, bodies cut off by the end of the file, and old Mac line ends. Each
// must end as an error at its place (or be read as the same script with other line ends), in
// every dialect that has the fault's shape.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
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
#include "qelComp_Ctr.h"
#include "qelComp_Viw.h"
#include "qelDB2Parser.h"
#include "qelIBParser.h"
#include "qelMSSQLParser.h"
#include "qelMySQLParser.h"
#include "qelOracleParser.h"
#include "qelPGSQLParser.h"

#ifdef QEL_HAVE_COMPARE_COMMAND
#include <sstream>

#include "varnel_compare.h"
#endif

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

const std::vector<TDialect>& Dialects() {
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
  return All;
}

const TDialect& DialectNamed(const std::string& Name) {
  for (const TDialect& D : Dialects())
    if (Name == D.Name) return D;
  throw std::runtime_error("no dialect " + Name);
}

/// One script read as the script extractor reads a file: its bytes as they stand.
struct TRead {
  TObjs O;
  std::vector<TMsgData> Errors;

  std::vector<TMsgData> Warnings;

  /// With Next: that text is read as next.sql after Text, and the side is checked as a whole.
  TRead(const TDialect& D, const std::string& Text, const std::string* Next = nullptr) {
    O.SetDatabaseType(D.Type);
    O.ExtractFrom = efScript;
    auto P = D.Make(&O);
    P->ScriptName = "hostile.sql";
    P->ShowProgress = false;
    P->OnErrorMessage = [](TObject*, const std::string&) {};
    P->ParseScriptText(Text, &O);
    if (Next) {
      P->ScriptName = "next.sql";
      P->ParseScriptText(*Next, &O);
      P->TestKeyTables();
    }
    for (int I = 0; I < P->MsgManager.GetMsgCount(); ++I)
      if (P->MsgManager.Items(I).MsgType == mt_Err)
        Errors.push_back(P->MsgManager.Items(I));
      else if (P->MsgManager.Items(I).MsgType == mt_Wrn)
        Warnings.push_back(P->MsgManager.Items(I));
  }
  std::string Summary() const {
    std::string S;
    for (const TMsgData& M : Errors)
      S += std::to_string(M.Line) + ":" + std::to_string(M.Column) + ": " + M.Text + "\n";
    return S;
  }
  bool HasTable(const std::string& Name) const {
    for (int I = 0; I < O.Tables.Count(); ++I)
      if (SameText(O.Tables.Objects(I)->GetObjName(), Name)) return true;
    return false;
  }
  bool HasError(const std::string& Part) const {
    for (const TMsgData& M : Errors)
      if (M.Text.find(Part) != std::string::npos) return true;
    return false;
  }
};

std::string Replaced(std::string Text, const std::string& From, const std::string& To) {
  for (std::size_t I = Text.find(From); I != std::string::npos; I = Text.find(From, I + To.size()))
    Text.replace(I, From.size(), To);
  return Text;
}

// ---------------------------------------------------------------------------------------------
// Binary files and error floods

TEST(HostileScripts, FilesThatAreNoTextGiveOneErrorSayingSo) {
  struct TCase {
    const char* What;
    std::string Text;
    int Line;
  };
  const std::string Utf16 = std::string("\xFF\xFE", 2) + std::string("C\0R\0E\0A\0T\0E\0", 12);
  const std::vector<TCase> Cases = {
      {"NUL bytes", std::string(256 * 1024, '\0'), 1},
      {"UTF-16 with a byte-order mark", Utf16, 1},
      {"UTF-16 big-endian", std::string("\xFE\xFF\0C\0R", 6), 1},
      {"a NUL after text", "CREATE TABLE t (a int);\n\nx" + std::string(10, '\0'), 3},
  };
  for (const TDialect& D : Dialects())
    for (const TCase& C : Cases) {
      const TRead R(D, C.Text);
      ASSERT_EQ(R.Errors.size(), 1u) << D.Name << ", " << C.What << "\n" << R.Summary();
      EXPECT_NE(R.Errors[0].Text.find("not text"), std::string::npos) << D.Name << ", " << C.What;
      EXPECT_EQ(R.Errors[0].Line, C.Line) << D.Name << ", " << C.What;
      EXPECT_EQ(R.Errors[0].ScriptName, "hostile.sql");
    }
}

TEST(HostileScripts, AnErrorFloodStopsAtABoundWithItsPosition) {
  // Bytes no scanner takes, many to a line, as a file in a foreign single-byte encoding gives.
  std::string Flood;
  for (int Line = 0; Line < 2000; ++Line) Flood += "\x01 \x02 \x03 \x04 \x05\n";
  for (const TDialect& D : Dialects()) {
    const TRead R(D, Flood);
    ASSERT_FALSE(R.Errors.empty()) << D.Name;
    EXPECT_LE(R.Errors.size(), static_cast<std::size_t>(TCustomParser::MaxTextErrors) + 1)
        << D.Name;
    const TMsgData& Last = R.Errors.back();
    EXPECT_EQ(Last.Text, STooManyErrors) << D.Name << "\n" << R.Summary();
    // Where reading stopped: well inside the text, not at its end.
    EXPECT_GT(Last.Line, 1) << D.Name;
    EXPECT_LT(Last.Line, 200) << D.Name;
    EXPECT_GT(Last.Column, 0) << D.Name;
  }
}

TEST(HostileScripts, TheErrorBoundCountsEachTextAfresh) {
  // A second script read by the same parser starts with no errors counted.
  TObjs O;
  O.SetDatabaseType(dbPostgreSQL);
  TPGSQLParser P(&O);
  P.OnErrorMessage = [](TObject*, const std::string&) {};
  std::string Flood;
  for (int I = 0; I < 500; ++I) Flood += "\x01\n";
  P.ParseScriptText(Flood, &O);
  const int First = P.MsgManager.GetErrCount();
  P.ParseScriptText("CREATE TABLE t (a int);\n\x01\n", &O);
  EXPECT_EQ(P.MsgManager.GetErrCount(), First + 1);
  EXPECT_EQ(P.MsgManager.Items(P.MsgManager.GetMsgCount() - 1).Line, 2);
}

// ---------------------------------------------------------------------------------------------
// Broken table definitions

TEST(HostileScripts, AColumnDefinedTwiceIsAnErrorInEveryDialect) {
  struct TCase {
    const char* Dialect;
    const char* Script;
  };
  const std::vector<TCase> Cases = {
      {"postgresql", "CREATE TABLE t (\n  a integer,\n  a integer\n);\n"},
      {"firebird", "CREATE TABLE t (\n  a INTEGER,\n  a INTEGER\n);\n"},
      {"mssql", "CREATE TABLE t (\n  a int,\n  a int\n)\nGO\n"},
      {"ase", "CREATE TABLE t (\n  a int,\n  a int\n)\nGO\n"},
      {"sqlanywhere", "CREATE TABLE t (\n  a integer,\n  a integer\n);\n"},
      {"oracle", "CREATE TABLE t (\n  a NUMBER,\n  a NUMBER\n);\n"},
      {"mysql", "CREATE TABLE t (\n  a int,\n  a int\n);\n"},
      {"db2", "CREATE TABLE t (\n  a INTEGER,\n  a INTEGER\n);\n"},
      // Names that differ only in letter case are one name where unquoted names fold.
      {"postgresql", "CREATE TABLE t (\n  a integer,\n  A integer\n);\n"},
      {"oracle", "CREATE TABLE t (\n  a NUMBER,\n  A NUMBER\n);\n"},
  };
  for (const TCase& C : Cases) {
    const TRead R(DialectNamed(C.Dialect), C.Script);
    EXPECT_TRUE(R.HasError("defined twice")) << C.Dialect << ": " << C.Script << R.Summary();
    for (const TMsgData& M : R.Errors)
      if (M.Text.find("defined twice") != std::string::npos) {
        // At the second definition, or where it ends.
        EXPECT_GE(M.Line, 3) << C.Dialect;
        EXPECT_LE(M.Line, 4) << C.Dialect;
      }
  }
  for (const TDialect& D : Dialects()) {
    const std::string Script = std::string("CREATE TABLE t (a INTEGER, b INTEGER)") +
                               (D.Type == dbMSSQL || D.Type == dbSybaseASE ? "\nGO\n" : ";\n");
    const TRead R(D, Script);
    EXPECT_TRUE(R.Errors.empty()) << D.Name << "\n" << R.Summary();
  }
  // Narrow and wide tables are checked apart: the same answers either way, under each case rule.
  for (const char* Dialect : {"postgresql", "mssql"})
    for (int Width : {3, 40})
      for (bool Twice : {false, true}) {
        std::string Script = "CREATE TABLE t (c0 int";
        for (int I = 1; I < Width; ++I) Script += ", c" + std::to_string(I) + " int";
        if (Twice) Script += std::string(", ") + (Dialect[0] == 'm' ? "C1" : "c1") + " int";
        Script += Dialect[0] == 'm' ? ")\nGO\n" : ");\n";
        const TRead R(DialectNamed(Dialect), Script);
        EXPECT_EQ(R.HasError("Column " + std::string(Dialect[0] == 'm' ? "C1" : "c1") +
                             " is defined twice in table"),
                  Twice)
            << Dialect << " " << Width << R.Summary();
      }
}

TEST(HostileScripts, AColumnWithNoTypeIsAnError) {
  struct TCase {
    const char* Dialect;
    std::string Script;
    int Line;
  };
  const std::vector<TCase> Cases = {
      {"postgresql", "CREATE TABLE t (\n  a,\n  b integer\n);\n", 2},
      {"postgresql", "CREATE TABLE t (\n  b integer,\n  a\n);\n", 4},
      {"postgresql", "CREATE TABLE t (a", 1},
      {"firebird", "CREATE TABLE t (\n  a,\n  b INTEGER\n);\n", 2},
      {"firebird", "CREATE TABLE t (b INTEGER, a);\n", 1},
      {"mssql", "CREATE TABLE t (\n  a,\n  b int\n)\nGO\n", 2},
      {"mssql", "CREATE TABLE t (b int, a)\nGO\n", 1},
      {"ase", "CREATE TABLE t (\n  a,\n  b int\n)\nGO\n", 2},
      {"ase", "CREATE TABLE t (b int, a)\nGO\n", 1},
  };
  // A constraint word after the name is no type name either.
  std::vector<TCase> All = Cases;
  const auto Clauses = [&All](const char* Dialect, const char* Type, const char* End,
                              std::vector<std::string> Clauses) {
    for (const std::string& C : Clauses)
      All.push_back({Dialect,
                     std::string("CREATE TABLE a1 (id ") + Type + ")" + End +
                         "CREATE TABLE t (\n  id " + Type + ",\n  " + C + "\n)" + End,
                     std::string(End) == ";\n" ? 4 : 5});
  };
  Clauses("postgresql", "integer", ";\n",
          {"code NOT NULL", "code CONSTRAINT c CHECK (code > 0)", "code PRIMARY KEY",
           "code DEFAULT 1", "code REFERENCES a1 (id)", "code UNIQUE", "code NULL",
           "code COLLATE \"C\"", "text NOT NULL"});
  Clauses("oracle", "NUMBER", ";\n",
          {"code CONSTRAINT c UNIQUE", "code PRIMARY KEY", "code UNIQUE"});
  for (const char* D : {"firebird", "mssql", "ase"})
    Clauses(D, std::string(D) == "firebird" ? "INTEGER" : "int",
            std::string(D) == "firebird" ? ";\n" : "\nGO\n",
            {"code NOT NULL", "code UNIQUE", "code NULL", "text NOT NULL"});
  for (const TCase& C : All) {
    const TRead R(DialectNamed(C.Dialect), C.Script);
    ASSERT_TRUE(R.HasError("has no type")) << C.Dialect << ": " << C.Script << R.Summary();
    // At the column, or where the symbol after it ends.
    EXPECT_GE(R.Errors.front().Line, C.Line) << C.Dialect << ": " << C.Script << R.Summary();
    EXPECT_LE(R.Errors.front().Line, C.Line + 1) << C.Dialect << ": " << C.Script << R.Summary();
  }
  // A computed column has its expression in place of a type.
  EXPECT_TRUE(
      TRead(DialectNamed("mssql"), "CREATE TABLE t (a int, b AS a + 1)\nGO\n").Errors.empty());
  EXPECT_TRUE(
      TRead(DialectNamed("firebird"), "CREATE TABLE t (a INTEGER, b COMPUTED BY (a + 1));\n")
          .Errors.empty());
  // Oracle gives a foreign key column the type of the column it references; a quoted word
  // names a type of the schema.
  const TRead Ora(DialectNamed("oracle"),
                  "CREATE TABLE a1 (id NUMBER PRIMARY KEY);\n"
                  "CREATE TABLE t (id NUMBER, code CONSTRAINT fk REFERENCES a1 (id));\n");
  EXPECT_TRUE(Ora.Errors.empty()) << Ora.Summary();
  EXPECT_TRUE(TRead(DialectNamed("postgresql"), "CREATE TABLE t (a \"unique\" NOT NULL);\n")
                  .Errors.empty());
}

TEST(HostileScripts, EmptyKeysChecksAndTablesAreErrors) {
  struct TCase {
    const char* Dialect;
    const char* Script;
    const char* Error;
  };
  const std::vector<TCase> Cases = {
      {"mysql", "CREATE TABLE t (\n  a int,\n  PRIMARY KEY ()\n);\n", ""},
      {"oracle", "CREATE TABLE t (\n  a NUMBER,\n  PRIMARY KEY ()\n);\n", ""},
      {"postgresql", "CREATE TABLE t (\n  a integer,\n  CHECK ()\n);\n", "has no condition"},
      {"firebird", "CREATE TABLE t (\n  a INTEGER,\n  CHECK ()\n);\n", "has no condition"},
      {"mssql", "CREATE TABLE t (\n  a int,\n  CHECK ()\n)\nGO\n", "has no condition"},
      {"ase", "CREATE TABLE t (\n  a int,\n  CHECK ()\n)\nGO\n", "has no condition"},
      {"sqlanywhere", "CREATE TABLE t (\n  a integer,\n  CHECK ()\n);\n", "has no condition"},
      {"oracle", "CREATE TABLE t (\n  a NUMBER,\n  CHECK ()\n);\n", "has no condition"},
      {"db2", "CREATE TABLE t (\n  a INTEGER,\n  CHECK ()\n);\n", ""},
      {"mysql", "CREATE TABLE t (\n  a int,\n  CHECK ()\n);\n", "has no condition"},
      {"mysql", "CREATE TABLE t (\n  a int CHECK ( )\n);\n", "has no condition"},
      {"mysql", "CREATE TABLE t\n(\n);\n", "has no columns"},
      {"sqlanywhere", "CREATE TABLE t\n(\n);\n", "has no columns"},
      {"mysql", "CREATE TABLE t (a int)\n  ENGINE=InnoDB whatever words;\n",
       "Unknown table option"},
      {"mysql", "CREATE TABLE t (a int)\n  some words;\n", "Unknown table option"},
  };
  for (const TCase& C : Cases) {
    const TRead R(DialectNamed(C.Dialect), C.Script);
    ASSERT_TRUE(R.HasError(C.Error)) << C.Dialect << ": " << C.Script << R.Summary();
    for (const TMsgData& M : R.Errors)
      if (M.Text.find(C.Error) != std::string::npos) {
        EXPECT_GE(M.Line, 2) << C.Dialect;
      }
  }
}

TEST(HostileScripts, WhatTheServersRefuseIsAnErrorAtItsStatement) {
  struct TCase {
    const char* Dialect;
    std::string Script;  // ";" ends a statement; mssql and ase end each with a GO line
    const char* Error;
    int Line;  // of the statement at fault
  };
  const std::string Tables = "CREATE TABLE t1 (id integer);\nCREATE TABLE t2 (id integer);\n";
  std::vector<TCase> Cases;
  for (const TDialect& D : Dialects()) {
    // Defined twice: a table (also in another case where names fold), a view.
    const char* TableTwice =
        D.Type == dbPostgreSQL || D.Type == dbMySQL ? "Duplicate table name" : "is defined twice";
    Cases.push_back({D.Name, Tables + "CREATE TABLE t1 (id integer);\n", TableTwice, 3});
    Cases.push_back({D.Name,
                     Tables + "CREATE VIEW v AS SELECT id FROM t1;\n"
                              "CREATE VIEW v AS SELECT id FROM t2;\n",
                     "is defined twice", 4});
    if (D.Type != dbMySQL && D.Type != dbSybaseASE && D.Type != dbPostgreSQL)
      Cases.push_back({D.Name, Tables + "CREATE TABLE T1 (id integer);\n", "is defined twice", 3});
    // Keys that name nothing, or a column twice; two primary keys. (The DB2 reader takes its
    // keys from ALTER TABLE only.)
    if (D.Type == dbDB2) continue;
    for (const auto& [Key, Error] : std::vector<std::pair<std::string, const char*>>{
             {"PRIMARY KEY (nope)", "does not have"},
             {"UNIQUE (nope)", "does not have"},
             {"PRIMARY KEY (k, k)", "twice"},
             {"PRIMARY KEY (k)", "more than one PRIMARY KEY"}})
      Cases.push_back({D.Name,
                       Tables + "CREATE TABLE t3 (\n  id integer" +
                           (Key == "PRIMARY KEY (k)" ? " PRIMARY KEY" : "") +
                           ",\n  k integer,\n  " + Key + "\n);\n",
                       Error, 3});
  }
  const std::vector<TCase> More = {
      {"postgresql", Tables + "ALTER TABLE t2 ADD FOREIGN KEY (id) REFERENCES t1 (nope);\n",
       "which table t1 does not have", 3},
      {"postgresql", Tables + "CREATE INDEX i ON t1 (nope);\n", "does not have", 3},
      {"oracle", Tables + "CREATE INDEX i ON t1 (id, id);\n", "twice", 3},
      {"postgresql",
       Tables + "CREATE TABLE t3 (id integer,\n  CONSTRAINT c UNIQUE (id),\n"
                "  CONSTRAINT c CHECK (id > 0)\n);\n",
       "Constraint c is defined twice", 3},
      {"oracle",
       Tables + "CREATE TABLE t3 (id integer,\n  CONSTRAINT c UNIQUE (id),\n"
                "  CONSTRAINT c CHECK (id > 0)\n);\n",
       "Constraint C is defined twice", 3},
      // A CHECK condition the reader copies: an operator without its operand.
      {"postgresql", "CREATE TABLE t (id integer,\n  CHECK (id > )\n);\n", "syntax error", 1},
      {"firebird", "CREATE TABLE t (id integer,\n  CHECK (id > )\n);\n", "syntax error", 1},
      {"firebird", "CREATE DOMAIN d AS INTEGER\n  CHECK (VALUE >0 =);\n", "syntax error", 1},
      {"oracle", "CREATE TABLE t (id integer,\n  CHECK (id > )\n);\n", "syntax error", 1},
      {"sqlanywhere", "CREATE TABLE t (id integer,\n  CHECK (id > )\n);\n", "syntax error", 1},
      {"mysql", "CREATE TABLE t (id integer,\n  CHECK (id > )\n);\n", "syntax error", 1},
      {"mysql", "CREATE TABLE t (id integer CHECK (id >= 0 AND));\n", "syntax error", 1},
      {"mssql", "CREATE TABLE t (id integer,\n  CHECK (id > )\n);\n", "syntax error", 1},
      {"ase", "CREATE TABLE t (id integer,\n  CHECK (id <> )\n);\n", "syntax error", 1},
      // Under SET TERM a ";" ends no statement: isql reads on to the next "^".
      {"firebird", "SET TERM ^ ;\nCREATE GENERATOR g1;\nCREATE TABLE t1 (id INTEGER)^\n",
       "Missing: <TERM>", 2},
      {"firebird", "SET TERM ^ ;\nCREATE SEQUENCE g1;\nCREATE TABLE t1 (id INTEGER)^\n",
       "Missing: <TERM>", 2},
      {"firebird",
       "CREATE TABLE t (id INTEGER);\nSET TERM ^ ;\nGRANT SELECT ON t TO PUBLIC;\n"
       "CREATE TABLE t1 (id INTEGER)^\n",
       "Missing: <TERM>", 3},
  };
  Cases.insert(Cases.end(), More.begin(), More.end());
  for (TCase C : Cases) {
    const bool GoLines = std::string(C.Dialect) == "mssql" || std::string(C.Dialect) == "ase";
    if (GoLines) C.Script = Replaced(C.Script, ";\n", "\nGO\n");
    const TRead R(DialectNamed(C.Dialect), C.Script);
    ASSERT_TRUE(R.HasError(C.Error)) << C.Dialect << ": " << C.Script << R.Summary();
    for (const TMsgData& M : R.Errors)
      if (M.Text.find(C.Error) != std::string::npos) {
        // At the statement, or where it ends (a GO line counts one more).
        EXPECT_GE(M.Line, (GoLines ? 2 : 1) * C.Line - (GoLines ? 1 : 0) - 1)
            << C.Dialect << ": " << C.Script << R.Summary();
        // (PostgreSQL files a table's keys when the script ends.)
        EXPECT_LE(M.Line, 1 + std::count(C.Script.begin(), C.Script.end(), '\n'))
            << C.Dialect << ": " << C.Script;
        EXPECT_EQ(M.ScriptName, "hostile.sql");
      }
  }
  // What the servers take: a view replaced, keys of columns that stand, checks that close.
  const std::vector<TCase> Valid = {
      {"postgresql",
       Tables + "CREATE VIEW v AS SELECT id FROM t1;\nCREATE OR REPLACE VIEW v AS SELECT id "
                "FROM t2;\nALTER TABLE t2 ADD PRIMARY KEY (id);\n"
                "CREATE TABLE t3 (id integer REFERENCES t1 (id) CHECK (id IS NOT NULL AND "
                "id > -1 AND id <> ALL (ARRAY[1, 2])), s text CHECK (s LIKE 'a%' OR s = '>'));\n",
       "", 0},
      {"firebird",
       "CREATE TABLE t1 (id INTEGER NOT NULL, CONSTRAINT pk PRIMARY KEY (id));\n"
       "CREATE DOMAIN d AS INTEGER CHECK (VALUE > 0 OR VALUE IS NULL);\n"
       "SET TERM ^ ;\nCREATE GENERATOR g1^\nSET TERM ; ^\nCREATE VIEW v AS SELECT id FROM t1;\n"
       "RECREATE VIEW v AS SELECT id + 1 AS id FROM t1;\n",
       "", 0},
  };
  for (const TCase& C : Valid) {
    const TRead R(DialectNamed(C.Dialect), C.Script);
    EXPECT_TRUE(R.Errors.empty()) << C.Dialect << ": " << C.Script << R.Summary();
  }
}

// CREATE OR REPLACE takes the place of the view that stands, as on the server; a plain CREATE
// of a view that stands stays refused.
TEST(HostileScripts, CreateOrReplaceViewKeepsTheLastDefinition) {
  const std::vector<std::tuple<const char*, const char*, bool>> Cases = {
      {"postgresql", "OR REPLACE VIEW", true},
      {"oracle", "OR REPLACE VIEW", true},
      {"oracle", "OR REPLACE FORCE VIEW", true},
      {"mysql", "OR REPLACE VIEW", true},
      {"mysql", "OR REPLACE ALGORITHM=MERGE VIEW", true},
      {"postgresql", "VIEW", false},
      {"oracle", "VIEW", false},
      {"mysql", "VIEW", false}};
  for (const auto& [Dialect, Create, Replaces] : Cases) {
    const std::string Script =
        "CREATE TABLE t1 (id integer);\nCREATE TABLE t2 (id integer);\n"
        "CREATE OR REPLACE VIEW v AS SELECT id FROM t1;\nCREATE " +
        std::string(Create) + " v AS SELECT id FROM t2;\n";
    const TRead R(DialectNamed(Dialect), Script);
    EXPECT_EQ(R.HasError("is defined twice"), !Replaces) << Dialect << ": " << Script;
    ASSERT_EQ(R.O.Views.Count(), 1) << Dialect << ": " << Script;
    EXPECT_EQ(R.O.Views.Objects(0)->Extra().Body.str().find("t2") != std::string::npos, Replaces)
        << Dialect << ": " << Script;
  }
  // PostgreSQL keeps the view's comment across the replacement.
  const TRead R(
      DialectNamed("postgresql"),
      "CREATE TABLE t1 (id integer);\nCREATE VIEW v AS SELECT id FROM t1;\n"
      "COMMENT ON VIEW v IS 'kept';\nCREATE OR REPLACE VIEW v AS SELECT id, 1 FROM t1;\n");
  ASSERT_EQ(R.O.Views.Count(), 1) << R.Summary();
  EXPECT_EQ(R.O.Views.Objects(0)->Extra().Description.str(), "kept");
}

TEST(HostileScripts, AlteringATableTheScriptNeverCreatedIsWarnedAbout) {
  for (const TDialect& D : Dialects()) {
    const bool Go = D.Type == dbMSSQL || D.Type == dbSybaseASE;
    const TRead R(D, std::string("CREATE TABLE t (a integer)") + (Go ? "\nGO\n" : ";\n") +
                         "ALTER TABLE nope ADD b integer" + (Go ? "\nGO\n" : ";\n"));
    if (D.Type == dbPostgreSQL) continue;  // its keys may stand in a script read before the table
    ASSERT_EQ(R.Warnings.size(), 1u) << D.Name << "\n" << R.Summary();
    EXPECT_NE(UpperCase(R.Warnings[0].Text).find("NOPE"), std::string::npos) << D.Name;
    EXPECT_EQ(R.Warnings[0].Line, Go ? 3 : 2) << D.Name;
  }
}

// A server refuses a foreign key to a table it lacks, and an index on one. Keys often stand in
// scripts read before their tables': only the whole side tells.
TEST(HostileScripts, KeysOfTablesNoScriptOfTheSideDefinesAreErrors) {
  struct TCase {
    const char* Dialect;
    std::string First, Second;  // read in this order; mssql and ase end statements with GO
    int File = 0, Line = 0;     // of the statement naming NOPE; 0: the side is valid
  };
  const std::string T1 =
      "CREATE TABLE t1 (id integer NOT NULL);\n"
      "ALTER TABLE t1 ADD PRIMARY KEY (id);\n";
  const std::string T2 = "CREATE TABLE t2 (id integer);\n";
  const std::string Fk = "ALTER TABLE t2 ADD CONSTRAINT fk FOREIGN KEY (id) REFERENCES ";
  std::vector<TCase> Cases;
  for (const TDialect& D : Dialects()) {
    Cases.push_back({D.Name, T2 + Fk + "t1 (id);\nCREATE INDEX i ON t1 (id);\n",
                     T1 + "ALTER TABLE t1 ADD CONSTRAINT up FOREIGN KEY (id) REFERENCES t1;\n"});
    Cases.push_back({D.Name, T1, T2 + Fk + "nope (id);\n", 2, 2});
    Cases.push_back({D.Name, T1, T2 + "CREATE INDEX i ON nope (id);\n", 2, 2});
    Cases.push_back({D.Name, T2, "ALTER TABLE nope ADD CONSTRAINT pk PRIMARY KEY (id);\n", 2, 1});
    // A table the script drops goes with its keys and indexes.
    Cases.push_back({D.Name, T1 + "CREATE INDEX i ON t1 (id);\n", "DROP TABLE t1;\n"});
  }
  // Names fold as the server folds them, quoted ones do not; other schemas; object tables;
  // indexed views.
  const std::string Ref = "CREATE TABLE t2 (id integer REFERENCES ";
  const std::string Pk = " (id integer NOT NULL PRIMARY KEY);\n";
  const std::vector<TCase> More = {
      {"postgresql", Ref + "T1);\n", "CREATE TABLE \"t1\"" + Pk},
      {"postgresql", Ref + "\"NOPE\");\n", "CREATE TABLE nope" + Pk, 1, 1},
      {"oracle", Ref + "t1);\n", "CREATE TABLE \"T1\"" + Pk},
      {"oracle", Ref + "\"nope\");\n", "CREATE TABLE nope" + Pk, 1, 1},
      {"firebird", Ref + "t1);\n", "CREATE TABLE \"T1\"" + Pk},
      {"postgresql", Ref + "s.t1);\nCREATE INDEX i ON s.t1 (id);\n", "CREATE TABLE s.t1" + Pk},
      {"oracle", Ref + "hr.t1);\nCREATE INDEX i ON hr.t1 (id);\n", "CREATE TABLE hr.t1" + Pk},
      {"db2", "CREATE INDEX i ON s.t1 (id);\n", "CREATE TABLE \"S\".t1 (id integer);\n"},
      {"oracle", "CREATE TYPE p_t AS OBJECT (id NUMBER);\n/\nCREATE TABLE p OF p_t;\n",
       Ref + "p);\n"},
      {"mssql", "CREATE UNIQUE CLUSTERED INDEX i ON dbo.v (id);\n",
       T1 + "CREATE VIEW dbo.v WITH SCHEMABINDING AS SELECT id FROM dbo.t1;\n"},
      // With the server's foreign key checks off (as a dump sets them first), MariaDB takes a
      // key to a table it lacks, never an index.
      {"mysql",
       "/*!40014 SET @OLD_FOREIGN_KEY_CHECKS=@@FOREIGN_KEY_CHECKS, FOREIGN_KEY_CHECKS=0 */;\n",
       T2 + Fk + "nope (id);\nSET FOREIGN_KEY_CHECKS=@OLD_FOREIGN_KEY_CHECKS;\n"},
      {"mysql", "SET foreign_key_checks = 0;\n", T2 + "CREATE INDEX i ON nope (id);\n", 2, 2},
      {"mysql", "SET foreign_key_checks = FALSE;\n", T2 + Fk + "nope (id);\n"},
      // A table of another database.
      {"mysql", T1, T2 + Fk + "otherdb.nope (id);\n"},
  };
  Cases.insert(Cases.end(), More.begin(), More.end());
  for (TCase C : Cases) {
    const bool Go = std::string(C.Dialect) == "mssql" || std::string(C.Dialect) == "ase";
    for (std::string* F : {&C.First, &C.Second})
      if (Go) *F = Replaced(*F, ";\n", "\nGO\n");
    const TRead R(DialectNamed(C.Dialect), C.First, &C.Second);
    const std::string What = std::string(C.Dialect) + ": " + C.First + "--\n" + C.Second;
    ASSERT_EQ(R.Errors.size(), C.Line ? 1u : 0u) << What << R.Summary();
    if (C.Line == 0) continue;
    EXPECT_NE(UpperCase(R.Errors[0].Text).find("NOPE, WHICH NO SCRIPT DEFINES."), std::string::npos)
        << What << R.Summary();
    EXPECT_EQ(R.Errors[0].ScriptName, C.File == 1 ? "hostile.sql" : "next.sql") << What;
    EXPECT_EQ(R.Errors[0].Line, Go ? 2 * C.Line - 1 : C.Line) << What;
  }
}

// ---------------------------------------------------------------------------------------------
// Bodies cut off by the end of the script

TEST(HostileScripts, ABodyTheScriptEndsInsideIsAnError) {
  struct TCase {
    const char* Dialect;
    const char* Script;
  };
  const std::vector<TCase> Cut = {
      {"firebird", "SET TERM ^ ;\nCREATE PROCEDURE p AS\nDECLARE x INTEGER;\nBEGIN\n  x = 1;\n"},
      {"firebird",
       "SET TERM ^ ;\nCREATE TRIGGER tr FOR t BEFORE INSERT AS\nBEGIN\n  IF (1 = 1) THEN\n  "
       "BEGIN\n    x = 1;\n  END\n"},
      {"mssql", "CREATE PROCEDURE p AS\nBEGIN\n  SELECT 1\n"},
      {"mssql",
       "CREATE TRIGGER tr ON t FOR INSERT AS\nBEGIN\n  SELECT CASE WHEN 1 = 1 THEN 1 END\n"},
      {"mssql", "CREATE PROCEDURE p AS\nBEGIN\n  SELECT 'it ends here\n"},
      {"ase", "CREATE PROCEDURE p AS\nBEGIN\n  SELECT 1\n"},
      {"ase", "CREATE PROCEDURE p AS\nBEGIN\n  /* the rest is lost\n"},
      {"sqlanywhere", "CREATE PROCEDURE p()\nBEGIN\n  SELECT 1;\n"},
      {"sqlanywhere", "CREATE TRIGGER tr BEFORE INSERT ON t\nFOR EACH ROW\nBEGIN\n  SET x = 1;\n"},
  };
  for (const TCase& C : Cut) {
    const TRead R(DialectNamed(C.Dialect), C.Script);
    EXPECT_TRUE(R.HasError("Unterminated")) << C.Dialect << ": " << C.Script << R.Summary();
    for (const TMsgData& M : R.Errors) {
      EXPECT_GT(M.Line, 0) << C.Dialect;
    }
  }
  // Whole bodies at the end of the script, with blocks that END closes without a BEGIN and
  // BEGIN words that open none.
  const std::vector<TCase> Whole = {
      {"firebird", "SET TERM ^ ;\nCREATE PROCEDURE p AS\nBEGIN\n  EXIT;\nEND^\nSET TERM ; ^\n"},
      {"mssql",
       "CREATE PROCEDURE p AS\nBEGIN\n  BEGIN TRAN\n  SELECT CASE WHEN 1 = 1 THEN 1 END -- "
       "BEGIN\n  COMMIT\nEND\n"},
      {"mssql", "CREATE PROCEDURE p AS\nSELECT 'BEGIN'\n"},
      {"ase", "CREATE PROCEDURE p AS\nBEGIN\n  SELECT [begin] = 1\nEND\n"},
      // Transact-SQL has no END IF: the END closes its BEGIN and IF starts a statement.
      {"mssql", "CREATE PROCEDURE p AS IF 1=1 BEGIN SELECT 1 END IF 1=1 SELECT 2"},
      {"ase", "CREATE PROCEDURE p AS\nIF 1=1 BEGIN SELECT 1 END\nWHILE 1=0 BEGIN SELECT 2 END\n"},
      {"sqlanywhere",
       "CREATE PROCEDURE p()\nBEGIN\n  IF 1 = 1 THEN\n    SELECT 1;\n  END IF;\nEND\n"},
  };
  for (const TCase& C : Whole) {
    const TRead R(DialectNamed(C.Dialect), C.Script);
    EXPECT_FALSE(R.HasError("Unterminated")) << C.Dialect << ": " << C.Script << R.Summary();
  }
}

// ---------------------------------------------------------------------------------------------
// Statement boundaries

/// Every object the script filed, by its definition: a statement that swallowed the next one
/// shows as a missing object or a changed definition.
std::vector<std::string> Filed(const TObjs& O) {
  std::vector<std::string> R;
  for (const TDbObjList* L : {&O.Tables, &O.Views, &O.Indexes, &O.Constraints, &O.Generators,
                              &O.Procedures, &O.Triggers, &O.Domains, &O.Grants})
    for (int I = 0; I < L->Count(); ++I) R.push_back(L->Objects(I)->Def());
  std::sort(R.begin(), R.end());
  return R;
}

TEST(HostileScripts, AStatementWithoutItsTerminatorLosesNoStatementSilently) {
  struct TStatement {
    std::string Text, Term;
    bool Optional = false;  ///< the server reads the next statement without the terminator
  };
  struct TRow {
    const char* Dialect;
    std::vector<TStatement> Script;
  };
  // A table with a foreign key, an index and a view, in every dialect's shape.
  const auto Row = [](const char* Dialect, const std::string& Int, std::vector<TStatement> Head,
                      const std::vector<TStatement>& Tail) {
    Head.push_back({"CREATE TABLE b (id " + Int + ", a_id " + Int + ")", ";"});
    Head.push_back({"ALTER TABLE b ADD CONSTRAINT b_fk FOREIGN KEY (a_id) REFERENCES a (id)", ";"});
    Head.push_back({"CREATE INDEX b_i ON b (a_id)", ";"});
    Head.push_back({"CREATE VIEW v AS SELECT id FROM a", ";"});
    Head.insert(Head.end(), Tail.begin(), Tail.end());
    Head.push_back({"CREATE TABLE c (id " + Int + ")", ";"});
    return TRow{Dialect, Head};
  };
  std::vector<TRow> Rows = {
      Row("postgresql", "integer",
          {{"CREATE TABLE a (id integer PRIMARY KEY)", ";"},
           {"INSERT INTO a VALUES (1)", ";"},
           {"BEGIN", ";"}},
          {{"COMMIT", ";"},
           {"GRANT USAGE ON SCHEMA public TO PUBLIC", ";"},
           {"COMMENT ON TABLE a IS 'x'", ";"},
           {"SET search_path = public", ";"},
           {"CREATE FUNCTION f() RETURNS integer AS $$ SELECT 1 $$ LANGUAGE sql", ";"}}),
      Row("mysql", "integer",
          {{"CREATE TABLE a (id integer PRIMARY KEY)", ";"},
           {"INSERT INTO a VALUES (1)", ";"},
           {"START TRANSACTION", ";"}},
          {{"COMMIT", ";"},
           {"SET NAMES utf8mb4", ";"},
           {"DELIMITER //\nCREATE PROCEDURE p() BEGIN SELECT 1; END", "//\nDELIMITER ;"}}),
      Row("oracle", "NUMBER(10)",
          {{"CREATE TABLE a (id NUMBER(10) PRIMARY KEY)", ";"},
           {"INSERT INTO a VALUES (1)", ";"},
           {"COMMIT", ";"},
           {"CREATE SEQUENCE s", ";"}},
          {{"GRANT SELECT ON a TO PUBLIC", ";"},
           {"COMMENT ON TABLE a IS 'x'", ";"},
           {"CREATE OR REPLACE PROCEDURE p AS\nBEGIN\n  NULL;\nEND;", "\n/"}}),
      Row("db2", "INTEGER",
          {{"CREATE TABLE a (id INTEGER NOT NULL PRIMARY KEY)", ";"},
           {"INSERT INTO a VALUES (1)", ";"},
           {"COMMIT", ";"}},
          {}),
      Row("firebird", "INTEGER",
          {{"CREATE TABLE a (id INTEGER NOT NULL PRIMARY KEY)", ";"},
           {"INSERT INTO a VALUES (1)", ";"},
           {"COMMIT", ";"},
           {"CREATE GENERATOR g", ";"}},
          {{"GRANT SELECT ON a TO PUBLIC", ";"},
           {"SET TERM ^ ;\nCREATE PROCEDURE p AS\nBEGIN\n  EXIT;\nEND", "^\nSET TERM ; ^"}}),
      Row("sqlanywhere", "INTEGER",
          {{"CREATE TABLE a (id INTEGER NOT NULL PRIMARY KEY)", ";"},
           {"INSERT INTO a VALUES (1)", ";"},
           {"COMMIT", ";"}},
          {{"GRANT SELECT ON a TO PUBLIC", ";"},
           {"CREATE PROCEDURE p()\nBEGIN\n  SELECT 1;\nEND", ";"}}),
  };
  // Transact-SQL ends a statement where the next begins; a view or routine must stand alone
  // in its batch, so the GO after it is needed.
  for (const char* TSql : {"mssql", "ase"})
    Rows.push_back(
        {TSql,
         {{"CREATE TABLE a (id int PRIMARY KEY)", ";", true},
          {"BEGIN TRANSACTION", "", true},
          {"INSERT INTO a VALUES (1)", ";", true},
          {"UPDATE a SET id = 2 WHERE id = 1", ";", true},
          {"DELETE FROM a WHERE id = 3", ";", true},
          {"COMMIT TRANSACTION", "", true},
          {"CREATE TABLE b (id int, a_id int)", "\nGO", true},
          {"BEGIN TRAN t1", ";", true},
          {"SAVE TRAN s1", ";", true},
          {"ROLLBACK TRANSACTION s1", ";", true},
          {"COMMIT TRAN t1", ";", true},
          {"ALTER TABLE b ADD CONSTRAINT b_fk FOREIGN KEY (a_id) REFERENCES a (id)", ";", true},
          {"CREATE INDEX b_i ON b (a_id)", ";", true},
          {"GRANT SELECT ON a TO public", ";", true},
          {"SET ANSI_NULLS ON", "\nGO", true},
          {"CREATE VIEW v AS SELECT id FROM a", "\nGO"},
          {"IF 1 = 0 BEGIN PRINT 'x' END", "\nGO"},
          {"ROLLBACK", ";", true},
          {"CREATE TABLE c (id int)", "\nGO"},
          // Last: the server makes what follows in its batch part of the procedure.
          {"CREATE PROCEDURE p AS SELECT 1", "\nGO"}}});
  for (const TRow& Row : Rows) {
    const TDialect& D = DialectNamed(Row.Dialect);
    auto Joined = [&](std::size_t Without) {
      std::string S;
      for (std::size_t I = 0; I < Row.Script.size(); ++I)
        S += Row.Script[I].Text + (I == Without ? "" : Row.Script[I].Term) + "\n";
      return S;
    };
    const TRead Whole(D, Joined(Row.Script.size()));
    EXPECT_TRUE(Whole.Errors.empty()) << Row.Dialect << ":\n" << Whole.Summary();
    for (std::size_t I = 0; I + 1 < Row.Script.size(); ++I) {
      if (Row.Script[I].Term.empty()) continue;
      const TRead R(D, Joined(I));
      const std::string What = std::string(Row.Dialect) + ", no terminator after " +
                               Row.Script[I].Text + "\n" + R.Summary();
      bool Told = false;
      for (const auto* List : {&R.Errors, &R.Warnings})
        for (const TMsgData& M : *List) Told = Told || (M.Line > 0 && M.Column > 0);
      if (Row.Script[I].Optional) {
        EXPECT_TRUE(R.Errors.empty()) << What;
        EXPECT_EQ(Filed(R.O), Filed(Whole.O)) << What;
      } else {
        EXPECT_TRUE(Told || Filed(R.O) == Filed(Whole.O)) << What;
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Line ends

TEST(HostileScripts, CrLfAndCrAloneReadAsLf) {
  struct TCase {
    const char* Dialect;
    const char* Script;  // LF line ends
    std::vector<const char*> Tables;
  };
  const std::vector<TCase> Cases = {
      {"mssql",
       "CREATE TABLE t (a int)\nGO\nCREATE PROCEDURE p AS\nSELECT 1\nGO\nCREATE TABLE u (b "
       "int)\nGO\n",
       {"t", "u"}},
      {"ase",
       "CREATE TABLE t (a int)\nGO\nCREATE PROCEDURE p AS\nSELECT 1\nGO\nCREATE TABLE u (b "
       "int)\nGO\n",
       {"t", "u"}},
      {"sqlanywhere",
       "CREATE TABLE t (a integer)\nGO\nCREATE PROCEDURE p()\nBEGIN\n  SELECT 1;\nEND\nGO\n"
       "CREATE TABLE u (b integer)\nGO\n",
       {"t", "u"}},
      {"oracle",
       "CREATE TABLE t (a NUMBER);\nCREATE PROCEDURE p AS\nBEGIN\n  NULL;\nEND;\n/\n"
       "CREATE TABLE u (b NUMBER);\n",
       {"T", "U"}},
      {"postgresql",
       "CREATE TABLE t (a integer);\n-- a comment\nCREATE TABLE u (b integer);\n",
       {"t", "u"}},
      {"firebird",
       "CREATE TABLE t (a INTEGER);\n-- a comment\nCREATE TABLE u (b INTEGER);\n",
       {"T", "U"}},
  };
  for (const TCase& C : Cases)
    for (const char* Break : {"\n", "\r\n", "\r"}) {
      const std::string Script = Replaced(C.Script, "\n", Break);
      const TRead R(DialectNamed(C.Dialect), Script);
      EXPECT_TRUE(R.Errors.empty())
          << C.Dialect << " with " << (Break[0] == '\r' && !Break[1] ? "CR" : "CR LF/LF") << "\n"
          << R.Summary();
      for (const char* T : C.Tables) EXPECT_TRUE(R.HasTable(T)) << C.Dialect << ": table " << T;
      // An error in the last statement is reported on its true line.
      const bool GoLines = std::string(C.Dialect) == "mssql" || std::string(C.Dialect) == "ase";
      const std::string Bad = Script + Replaced(GoLines ? "CREATE TABLE v (a int, a int)\nGO\n"
                                                        : "CREATE TABLE v (a int, a int);\n",
                                                "\n", Break);
      const TRead B(DialectNamed(C.Dialect), Bad);
      ASSERT_FALSE(B.Errors.empty()) << C.Dialect;
      int Lines = 1;
      for (char Ch : Replaced(C.Script, "\r", "")) Lines += Ch == '\n';
      EXPECT_EQ(B.Errors.front().Line, Lines) << C.Dialect << "\n" << B.Summary();
    }
}

TEST(HostileScripts, ANameHoldingACommentMarkLeavesTheWrittenScriptWhole) {
  // The schema writer names each constraint in a block comment before it; PostgreSQL and SQL
  // Server nest block comments, so a "/*" in the name would swallow the rest of the script.
  struct TCase {
    const char* Dialect;
    const char* Script;
  };
  const std::vector<TCase> Cases = {
      {"postgresql",
       "CREATE TABLE t (a integer, CONSTRAINT \"c/*x\" CHECK (a > 0));\n"
       "CREATE TABLE u (b integer, CONSTRAINT \"d*/y\" CHECK (b > 0));\n"},
      {"firebird",
       "CREATE TABLE T (A INTEGER, CONSTRAINT \"C/*X\" CHECK (A > 0));\n"
       "CREATE TABLE U (B INTEGER, CONSTRAINT \"D*/Y\" CHECK (B > 0));\n"},
      {"mssql",
       "CREATE TABLE t (a int, CONSTRAINT [c/*x] CHECK (a > 0))\nGO\n"
       "CREATE TABLE u (b int, CONSTRAINT [d*/y] CHECK (b > 0))\nGO\n"},
      {"oracle",
       "CREATE TABLE T (A NUMBER, CONSTRAINT \"C/*X\" CHECK (A > 0));\n"
       "CREATE TABLE U (B NUMBER, CONSTRAINT \"D*/Y\" CHECK (B > 0));\n"},
      {"mysql",
       "CREATE TABLE t (a int, CONSTRAINT `c/*x` CHECK (a > 0));\n"
       "CREATE TABLE u (b int, CONSTRAINT `d*/y` CHECK (b > 0));\n"},
  };
  for (const TCase& C : Cases) {
    const TRead R(DialectNamed(C.Dialect), C.Script);
    ASSERT_TRUE(R.Errors.empty()) << C.Dialect << "\n" << R.Summary();
    TStringList Lines;
    const_cast<TObjs&>(R.O).ExtractMetadata(Lines);
    std::string Written;
    for (int I = 0; I < Lines.Count(); ++I) Written += Lines[I] + "\n";
    const TRead Back(DialectNamed(C.Dialect), Written);
    EXPECT_TRUE(Back.Errors.empty()) << C.Dialect << "\n" << Written << Back.Summary();
    EXPECT_EQ(Back.O.Tables.Count(), 2) << C.Dialect << "\n" << Written;
    EXPECT_EQ(Back.O.Constraints.Count(), R.O.Constraints.Count()) << C.Dialect << "\n" << Written;
  }
}

#ifdef QEL_HAVE_COMPARE_COMMAND
TEST(HostileScripts, BodiesCompareEqualWhateverTheirLineEnds) {
  // A script checked out with CR LF compared with its LF form (or its database) rewrites no body.
  struct TCase {
    const char* Dialect;
    const char* Script;  // LF line ends
  };
  const std::vector<TCase> Cases = {
      {"postgresql",
       "CREATE TABLE t (a integer);\nCREATE VIEW v AS\n  SELECT a\n  FROM t;\n"
       "CREATE FUNCTION f(x integer) RETURNS integer AS $$\nBEGIN\n  RETURN x + 1;\nEND;\n$$ "
       "LANGUAGE plpgsql;\nCREATE FUNCTION tf() RETURNS trigger AS $$\nBEGIN\n  RETURN "
       "NEW;\nEND;\n$$ LANGUAGE plpgsql;\nCREATE TRIGGER tr BEFORE INSERT ON t FOR EACH ROW "
       "EXECUTE FUNCTION tf();\n"},
      {"firebird",
       "CREATE TABLE T (A INTEGER);\nCREATE VIEW V AS\n  SELECT A\n  FROM T;\nSET TERM ^ "
       ";\nCREATE PROCEDURE P (X INTEGER) RETURNS (Y INTEGER) AS\nBEGIN\n  Y = X + 1;\n  "
       "SUSPEND;\nEND^\nCREATE TRIGGER TR FOR T BEFORE INSERT AS\nBEGIN\n  NEW.A = 1;\nEND^\n"
       "SET TERM ; ^\n"},
  };
  const std::string Dir = ::testing::TempDir();
  for (const TCase& C : Cases) {
    std::string Mixed = Replaced(C.Script, "\n", "\r\n");
    Mixed =
        Replaced(Mixed.substr(0, Mixed.size() / 2), "\r\n", "\r") + Mixed.substr(Mixed.size() / 2);
    for (const std::string& Target :
         {Replaced(C.Script, "\n", "\r\n"), Replaced(C.Script, "\n", "\r"), Mixed})
      for (const bool TargetFirst : {true, false}) {
        const std::string M = Dir + "qel_lineends_master.sql", T = Dir + "qel_lineends_target.sql";
        std::ofstream(M, std::ios::binary) << (TargetFirst ? C.Script : Target);
        std::ofstream(T, std::ios::binary) << (TargetFirst ? Target : C.Script);
        std::ostringstream Out, Err;
        const int Code = varnel_cli::RunCompare(
            {"--dialect", C.Dialect, "--master", M, "--target", T}, Out, Err);
        EXPECT_EQ(Code, 0) << C.Dialect << "\n" << Err.str();
        for (const char* Word : {"CREATE", "ALTER", "DROP"})
          EXPECT_EQ(Out.str().find(Word), std::string::npos) << C.Dialect << "\n" << Out.str();
        std::remove(M.c_str());
        std::remove(T.c_str());
      }
  }
}
#endif

}  // namespace

// ---------------------------------------------------------------------------------------------
// A privilege list broken by a symbol that is no name ends the statement instead of looping.

TEST(HostileScripts, AGrantWithABrokenPrivilegeListEnds) {
  const TRead R(DialectNamed("firebird"),
                "CREATE TABLE T (A INTEGER);\nGRANT SELECT, <-> ON T TO PUBLIC;\n"
                "CREATE TABLE U (B INTEGER);\n");
  EXPECT_FALSE(R.Errors.empty()) << R.Summary();
  EXPECT_TRUE(R.HasTable("T"));
}
