// Oracle scripts as people and servers write them: the client's line commands without ";",
// column attributes in any order, a type's OID alone, EDITIONABLE units, lengths in CHAR or
// BYTE (read, and named in a warning), and object types and nested-table columns that the
// writer spells so that its own reader takes them back. The schema-change cases of
// tests/fixtures/converge/oracle/ are judged here by reading back, as for every dialect
// without a server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelOracleParser.h"
#include "qelOracleScriptExtract.h"
#include "test_parse_util.h"
#include "test_readback_util.h"

using namespace qel;
using namespace qel::testing;
namespace readback = qel::testing::readback;
using readback::ScriptReadBack;

namespace {

using TOraParse = TParse<TOracleParser>;

/// The messages of type Type the parser recorded, with their places.
std::vector<std::string> Messages(const TMsgManager& M, TMsgType Type) {
  std::vector<std::string> R;
  for (int I = 0; I < M.GetMsgCount(); ++I)
    if (M.Items(I).MsgType == Type)
      R.push_back(std::to_string(M.Items(I).Line) + ":" + std::to_string(M.Items(I).Column) + ": " +
                  M.Items(I).Text);
  return R;
}

// Object types with members, a subtype that only overrides one, a nested-table column and
// attributes added by ALTER TYPE.
const char* const Types =
    "CREATE TYPE SHAPE_T AS OBJECT (NAME VARCHAR2(30), MEMBER FUNCTION AREA RETURN NUMBER)"
    " NOT FINAL;\n/\nCREATE TYPE SQUARE_T UNDER SHAPE_T (OVERRIDING MEMBER FUNCTION AREA RETURN "
    "NUMBER);\n/\n";
const char* const NestedTable =
    "CREATE TYPE TAGS_T AS TABLE OF VARCHAR2(20);\n/\n"
    "CREATE TABLE D (ID NUMBER, TAGS TAGS_T)\nNESTED TABLE TAGS STORE AS D_TAGS;\n";
// Member functions with unconstrained results, and an object table whose element list holds
// a key on an attribute.
const char* const ObjectTable =
    "CREATE TYPE CATEGORY_TYP AS OBJECT (CATEGORY_ID NUMBER, MEMBER FUNCTION LABEL RETURN "
    "VARCHAR2, MEMBER FUNCTION CODE RETURN NCHAR);\n/\n"
    "CREATE TABLE CATEGORIES_TAB OF CATEGORY_TYP (CATEGORY_ID PRIMARY KEY);\n";
const char* const AddedAttribute =
    "CREATE TYPE P_T AS OBJECT (NAME VARCHAR2(30)) NOT FINAL;\n/\n"
    "ALTER TYPE P_T ADD ATTRIBUTE (BORN DATE) CASCADE;\n";

}  // namespace

TEST(OracleFixes, ClientLineCommandsEndWithTheirLine) {
  const std::pair<const char*, bool> Cases[] = {
      // The command, and whether it is reported as a statement (a CALL, a log-on).
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
      // CONN, the short form of CONNECT: the executor logs on with it.
      {"conn c##app/Secret1", true},
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
      EXPECT_EQ(P.Statements[1].Text.rfind(std::string(Command).substr(0, 4), 0), 0u) << Command;
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
  Pkg->EditExtra().FullText =
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

TEST(OracleFixes, ObjectTypesAndNestedTablesAreWrittenAsTheReaderTakesThem) {
  const std::pair<const char*, const char*> Cases[] = {
      {Types,
       "CREATE OR REPLACE TYPE SQUARE_T UNDER SHAPE_T\r\n  (   OVERRIDING MEMBER FUNCTION "
       "AREA RETURN NUMBER)\r\n/"},
      {NestedTable, "TAGS TAGS_T)\r\nNESTED TABLE TAGS STORE AS D_TAGS;"},
      {ObjectTable,
       "MEMBER FUNCTION LABEL RETURN VARCHAR2,\r\n   MEMBER FUNCTION CODE RETURN NCHAR)"},
      {ObjectTable, "CREATE TABLE CATEGORIES_TAB OF CATEGORY_TYP;"},
      {AddedAttribute,
       "NOT FINAL \r\n/\r\n\r\nALTER TYPE P_T ADD ATTRIBUTE\r\n  (BORN DATE)\r\n"
       "   CASCADE\r\n/"},
  };
  for (const auto& [Text, Written] : Cases) {
    TObjs O;
    O.SetDatabaseType(dbOracle);
    EXPECT_EQ(readback::ParseInto<TOracleParser>(O, Text), std::vector<std::string>{});
    TStringList Lines;
    O.ExtractMetadata(Lines);
    const std::string Script = readback::Flat(readback::Join(Lines));
    EXPECT_NE(Script.find(readback::Flat(Written)), std::string::npos) << Script;
  }
}

namespace {

const readback::TScriptDialect OracleFixes{
    .Name = "OracleFixes",
    .Command = "oracle",
    .DB = dbOracle,
    .Compare = readback::CompareScripts<TOracleScriptExtract>,
    .Parse = readback::ParseInto<TOracleParser>,
};

/// The texts above read back, and the schema-change cases of tests/fixtures/converge/oracle:
/// each master's schema script and its creation script read back, and the target with its
/// update script reads as the master.
std::vector<readback::TReadBackCase> Cases() {
  std::vector<readback::TReadBackCase> R;
  // A master that warns (a length's CHAR) is not read as a clean schema, only compared.
  auto Add = [&R](const char* Name, const char* Created, const std::string& Master,
                  const std::string& Target, bool Warns = false) {
    if (!Warns) R.push_back({Name, &OracleFixes, readback::rbSchemaWriter, Master});
    R.push_back({Created, &OracleFixes, readback::rbUpdate, Master, "\n"});
    if (!Target.empty()) R.push_back({Name, &OracleFixes, readback::rbUpdate, Master, Target});
  };
  Add("Types", "TypesCreated", Types, "");
  Add("NestedTable", "NestedTableCreated", NestedTable, "");
  Add("AddedAttribute", "AddedAttributeCreated", AddedAttribute, "");
  Add("ObjectTable", "ObjectTableCreated", ObjectTable, "");
  struct TFolder {
    const char *Name, *Created, *Folder;
    bool Warns = false;
  };
  const TFolder Folders[] = {
      {"LineCommands", "LineCommandsCreated", "sqlplus_line_commands"},
      {"ColumnAttributes", "ColumnAttributesCreated", "column_attributes_and_type_oid"},
      {"LengthSemantics", "LengthSemanticsCreated", "length_semantics_and_editionable", true},
      {"ObjectTypes", "ObjectTypesCreated", "object_types_and_nested_tables"},
  };
  for (const TFolder& F : Folders) {
    const std::string Dir = std::string("converge/oracle/") + F.Folder;
    Add(F.Name, F.Created, Dir + "/master.sql", Dir + "/target.sql", F.Warns);
  }
  return R;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(OracleFixes, ScriptReadBack, ::testing::ValuesIn(Cases()),
                         readback::ReadBackName);
