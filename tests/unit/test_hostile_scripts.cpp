// Scripts a hostile or careless user feeds the script readers: binary files and error floods,
// broken table definitions, bodies cut off by the end of the file, and old Mac line ends. Each
// must end as an error at its place (or be read as the same script with other line ends), in
// every dialect that has the fault's shape.
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

  TRead(const TDialect& D, const std::string& Text) {
    O.SetDatabaseType(D.Type);
    auto P = D.Make(&O);
    P->ScriptName = "hostile.sql";
    P->ShowProgress = false;
    P->OnErrorMessage = [](TObject*, const std::string&) {};
    P->ParseScriptText(Text, &O);
    for (int I = 0; I < P->MsgManager.GetMsgCount(); ++I)
      if (P->MsgManager.Items(I).MsgType == mt_Err) Errors.push_back(P->MsgManager.Items(I));
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
}

TEST(HostileScripts, AColumnWithNoTypeIsAnError) {
  struct TCase {
    const char* Dialect;
    const char* Script;
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
  for (const TCase& C : Cases) {
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
