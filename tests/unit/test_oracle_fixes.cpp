// Oracle scripts as people and servers write them: the client's line commands without ";",
// column attributes in any order, a type's OID alone, EDITIONABLE units, lengths in CHAR or
// BYTE (read, and named in a warning), and object types and nested-table columns that the
// writer spells so that its own reader takes them back. The schema-change cases of
// tests/fixtures/converge/oracle/ are judged here by reading back, as for every dialect
// without a server.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "qelOracleParser.h"
#include "qelOracleScriptExtract.h"
#include "test_parse_util.h"
#include "test_readback_util.h"

using namespace qel;
using namespace qel::testing;
namespace readback = qel::testing::readback;

namespace {

using TOraParse = TParse<TOracleParser>;
using TDialect = readback::TDialect<TOracleScriptExtract, TOracleParser, dbOracle>;

/// The messages of type Type the parser recorded, with their places.
std::vector<std::string> Messages(const TMsgManager& M, TMsgType Type) {
  std::vector<std::string> R;
  for (int I = 0; I < M.GetMsgCount(); ++I)
    if (M.Items(I).MsgType == Type)
      R.push_back(std::to_string(M.Items(I).Line) + ":" + std::to_string(M.Items(I).Column) + ": " +
                  M.Items(I).Text);
  return R;
}

/// The statements of an update script, less its DROPs: the reader leaves dropped objects in
/// place, so a read-back would ask for them again.
std::string Kept(const std::string& Script) {
  return readback::Statements(Script, [](const std::string& L) {
    return L.rfind("DROP ", 0) == 0 ||
           (L.rfind("ALTER TABLE ", 0) == 0 && L.find(" DROP ") != std::string::npos);
  });
}

}  // namespace

TEST(OracleFixes, ClientLineCommandsEndWithTheirLine) {
  const std::pair<const char*, bool> Cases[] = {
      // The command, and whether the server is given it (a CALL).
      {"DEFINE owner = HR", false},
      {"DEFINE owner = HR;", false},
      {"EXEC DBMS_OUTPUT.PUT_LINE('a; b')", false},
      {"EXECUTE P(1, -\n  2)", false},
      {"TTITLE 'Report'", false},
      {"BTITLE OFF", false},
      {"REPFOOTER OFF", false},
      {"CLEAR COLUMNS", false},
      {"COLUMN NAME FORMAT A20", false},
      {"WHENEVER SQLERROR EXIT FAILURE", false},
      {"STARTUP", false},
      {"PAUSE", false},
      {"PROMPT Making; tables", false},
      {"LOAD X", false},
      {"CALL P(1)", true},
      {"CALL P(1,\n  2);", true},
  };
  for (const auto& [Command, Reported] : Cases) {
    TOraParse P;
    EXPECT_TRUE(P.Parse(std::string("CREATE TABLE A (ID NUMBER);\n") + Command +
                        "\nCREATE OR REPLACE PROCEDURE PR AS\nBEGIN\n  NULL;\nEND;\n/\n"
                        "CREATE TABLE B (ID NUMBER);\n"))
        << Command;
    EXPECT_NE(P.Table("B"), nullptr) << Command;
    EXPECT_NE(P.Objs.GetProcedure("PR"), nullptr) << Command;
    ASSERT_EQ(P.Statements.size(), Reported ? 4u : 3u) << Command;
    if (Reported) {
      EXPECT_EQ(P.Statements[1].Text.rfind("CALL P(1", 0), 0u) << Command;
    }
  }
}

TEST(OracleFixes, ColumnAttributesInAnyOrderAndATypeOidAlone) {
  const std::pair<const char*, TConstraintType> Columns[] = {
      {"ID NUMBER PRIMARY KEY NOT NULL", ctPKey},
      {"ID NUMBER CONSTRAINT PK_T PRIMARY KEY NOT NULL", ctPKey},
      {"ID NUMBER PRIMARY KEY NOT DEFERRABLE NOT NULL", ctPKey},
      {"ID NUMBER NOT NULL PRIMARY KEY", ctPKey},
      {"ID NUMBER UNIQUE NOT NULL", ctUnique},
      {"ID NUMBER CHECK (ID > 0) NOT NULL", ctCheck},
      {"ID NUMBER REFERENCES P (ID) NOT NULL", ctFKey},
  };
  for (const auto& [Column, Type] : Columns) {
    TOraParse P;
    EXPECT_TRUE(P.Parse(std::string("CREATE TABLE P (ID NUMBER);\nCREATE TABLE T (") + Column +
                        ", X NUMBER);\n"))
        << Column;
    ASSERT_NE(P.Column("T", "ID"), nullptr) << Column;
    EXPECT_FALSE(P.Column("T", "ID")->Nullable) << Column;
    EXPECT_EQ(P.Constraints("T", Type).size(), 1u) << Column;
    EXPECT_NE(P.Column("T", "X"), nullptr) << Column;
  }
  const char* const Stamps[][3] = {
      {"OID 'AB12'", "", "AB12"},
      {"TIMESTAMP '2024-01-01:00:00:00' OID 'AB12'", "2024-01-01:00:00:00", "AB12"},
      {"TIMESTAMP '2024-01-01:00:00:00'", "2024-01-01:00:00:00", ""},
  };
  for (const auto& [Clause, Timestamp, Oid] : Stamps) {
    TOraParse P;
    EXPECT_TRUE(P.Parse(std::string("CREATE TYPE A_T ") + Clause + " AS OBJECT (X NUMBER);\n/\n"))
        << Clause;
    ASSERT_NE(P.Objs.GetDomain("A_T"), nullptr) << Clause;
    EXPECT_EQ(P.Objs.GetDomain("A_T")->TimestampText, Timestamp);
    EXPECT_EQ(P.Objs.GetDomain("A_T")->OidText, Oid);
  }
}

TEST(OracleFixes, EditionableUnitsAndLengthSemantics) {
  const char* const Units[] = {
      "CREATE OR REPLACE EDITIONABLE PROCEDURE U AS\nBEGIN\n  NULL;\nEND;\n/\n",
      "CREATE OR REPLACE NONEDITIONABLE FUNCTION U RETURN NUMBER AS\nBEGIN\n  RETURN 1;\nEND;\n/\n",
      "CREATE OR REPLACE FORCE EDITIONABLE VIEW U AS SELECT 1 X FROM DUAL;\n",
      "CREATE OR REPLACE EDITIONABLE TRIGGER U BEFORE INSERT ON T\nBEGIN\n  NULL;\nEND;\n/\n",
      "CREATE OR REPLACE EDITIONABLE TYPE U AS TABLE OF NUMBER;\n/\n",
      "CREATE OR REPLACE EDITIONABLE PACKAGE U AS\n  X NUMBER;\nEND;\n/\n",
      "CREATE EDITIONABLE PROCEDURE U AS\nBEGIN\n  NULL;\nEND;\n/\n",
  };
  for (const char* Unit : Units) {
    TOraParse P;
    EXPECT_TRUE(P.Parse(std::string("CREATE TABLE T (ID NUMBER);\n") + Unit)) << Unit;
    EXPECT_EQ(P.Statements.size(), 2u) << Unit;
  }
  // A catalog's package text names its body EDITIONABLE too.
  TObjs O;
  O.SetDatabaseType(dbOracle);
  TOracleParser Catalog(&O);
  auto* Pkg = new TPkgData(&O);
  Pkg->SetObjName("PK");
  Pkg->FullText =
      "CREATE OR REPLACE EDITIONABLE PACKAGE \"APP\".\"PK\" AS\r\n  X NUMBER;\r\nEND;"
      "\r\nCREATE OR REPLACE EDITIONABLE PACKAGE BODY \"APP\".\"PK\" AS\r\nEND;\r\n";
  ASSERT_TRUE(O.AddObj(Pkg, true));
  Catalog.ParseObjText(Pkg);
  EXPECT_EQ(Pkg->BodySource, "AS\r\nEND;");

  // Lengths in characters or bytes are read with their length; each column is named once.
  TOraParse P;
  EXPECT_TRUE(
      P.Parse("CREATE TABLE T (\n  A VARCHAR2(10 CHAR),\n  B CHAR(2 BYTE),\n"
              "  C VARCHAR2(5)\n);\nCREATE TYPE L AS VARRAY(3) OF VARCHAR2(4 CHAR);\n/\n"));
  EXPECT_EQ(P.Column("T", "A")->Size, 10);
  EXPECT_EQ(Messages(P.Parser.MsgManager, mt_Wrn),
            (std::vector<std::string>{
                "2:21: Column T.A: length semantics CHAR not kept; the length is written without "
                "them.",
                "3:16: Column T.B: length semantics BYTE not kept; the length is written without "
                "them.",
                "6:46: Column L: length semantics CHAR not kept; the length is written without "
                "them."}));
}

TEST(OracleFixes, ObjectTypesAndNestedTablesReadBack) {
  const std::pair<const char*, const char*> Cases[] = {
      {"CREATE TYPE SHAPE_T AS OBJECT (NAME VARCHAR2(30), MEMBER FUNCTION AREA RETURN NUMBER)"
       " NOT FINAL;\n/\nCREATE TYPE SQUARE_T UNDER SHAPE_T (OVERRIDING MEMBER FUNCTION AREA "
       "RETURN NUMBER);\n/\n",
       "CREATE OR REPLACE TYPE SQUARE_T UNDER SHAPE_T\r\n  (   OVERRIDING MEMBER FUNCTION AREA "
       "RETURN NUMBER)\r\n/"},
      {"CREATE TYPE TAGS_T AS TABLE OF VARCHAR2(20);\n/\nCREATE TABLE D (ID NUMBER, TAGS TAGS_T)"
       "\nNESTED TABLE TAGS STORE AS D_TAGS;\n",
       "TAGS TAGS_T)\r\nNESTED TABLE TAGS STORE AS D_TAGS;"},
      {"CREATE TYPE P_T AS OBJECT (NAME VARCHAR2(30)) NOT FINAL;\n/\n"
       "ALTER TYPE P_T ADD ATTRIBUTE (BORN DATE) CASCADE;\n",
       "NOT FINAL \r\n/\r\n\r\nALTER TYPE P_T ADD ATTRIBUTE\r\n  (BORN DATE)\r\n   CASCADE\r\n/"},
  };
  for (const auto& [Text, Written] : Cases) {
    const std::string Script = TDialect::Written(Text);
    EXPECT_NE(Script.find(Written), std::string::npos) << Script;
    readback::ExpectNoUpdateEitherWay(TDialect::Compare, Kept, Text, Text, Script);
    // The update script that creates them reads back too.
    const readback::TOutcome Create = TDialect::Compare({Text}, {""});
    EXPECT_EQ(Kept(TDialect::Compare({Text}, {Create.Script}).Script), "") << Create.Script;
  }
}

TEST(OracleFixes, SchemaChangeCasesReadBack) {
  int Cases = 0;
  for (const auto& Dir : std::filesystem::directory_iterator(
           std::filesystem::path(QEL_FIXTURES_DIR) / "converge" / "oracle")) {
    const std::string Master = readback::ReadFile((Dir.path() / "master.sql").string());
    const std::string Target = readback::ReadFile((Dir.path() / "target.sql").string());
    const std::string Name = Dir.path().filename().string();
    ++Cases;
    // The master against itself, the target with its update script, and the creation script.
    EXPECT_EQ(Kept(TDialect::Compare({Master}, {Master}).Script), "") << Name;
    readback::ExpectUpdatesLeadToTheMaster(
        TDialect::Compare,
        std::vector<std::pair<std::string, std::string>>{{Master, Target}, {Master, ""}}, Kept);
  }
  EXPECT_EQ(Cases, 4);
}
