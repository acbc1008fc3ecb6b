// The PostgreSQL parser's scanner (dollar quotes, escape strings, quoted names, comments, casts),
// its statement dispatch with the SET forms, and how it reports what it cannot read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_pg_parser.h"

namespace qel {
namespace {

using testing::TPGParse;

/// Scans Text with a PostgreSQL parser and returns each symbol as "sy:value".
std::vector<std::string> Scan(TPGSQLParser& P, const std::string& Text) {
  std::vector<std::string> Out;
  P.AssignTxt(Text);
  for (P.GetSy(); P.Sy != syEOF; P.GetSy()) {
    std::string S = std::to_string(P.Sy);
    if (P.Sy == syIdent || P.Sy == pgOperator) S += ":" + P.Ident;
    if (P.Sy == syString) S += ":" + P.StrValue;
    Out.push_back(S);
  }
  return Out;
}

class PGScanner : public ::testing::Test {
 protected:
  TPGParse T;
  std::vector<std::string> Scan(const std::string& Text) { return qel::Scan(T.Parser, Text); }
};

TEST_F(PGScanner, DollarQuotedBodiesAreOneStringWhateverTheyHold) {
  // A ";" inside does not end the statement; another tag inside does not end the body.
  EXPECT_EQ(Scan("$$ a; b $$;"), (std::vector<std::string>{"3: a; b ", "12"}));
  EXPECT_EQ(Scan("$body$ x $$ y; $body$"), (std::vector<std::string>{"3: x $$ y; "}));
  EXPECT_EQ(Scan("$outer$ begin $inner$ it's; $inner$ end $outer$ x"),
            (std::vector<std::string>{"3: begin $inner$ it's; $inner$ end ", "1:x"}));
  EXPECT_EQ(Scan("$$$$"), (std::vector<std::string>{"3:"}));
  // The reader counts the lines of a body: the symbol after it is on line 3.
  T.Parser.AssignTxt("$f$ a\r\nb\r\n$f$ next");
  T.Parser.GetSy();
  T.Parser.GetSy();
  EXPECT_EQ(T.Parser.Ident, "next");
  EXPECT_EQ(T.Parser.GetPosY(), 3);
  EXPECT_TRUE(T.Errors().empty());
}

TEST_F(PGScanner, DollarSignsThatStartNoQuoteAreErrorsNotSwallowedText) {
  // "$1" is no tag: reported where it stands, and the rest of the text is still read.
  EXPECT_EQ(Scan("$1 x"), (std::vector<std::string>{"4", "1:x"}));
  ASSERT_EQ(T.Errors().size(), 1u);
  EXPECT_EQ(T.Errors()[0], "Invalid char in source text: \"$\".");

  TPGParse U;
  EXPECT_EQ(qel::Scan(U.Parser, "x $t$ never closed"),
            (std::vector<std::string>{"1:x", "3: never closed"}));
  const auto Errs = U.Messages(mt_Err);
  ASSERT_EQ(Errs.size(), 1u);
  EXPECT_EQ(Errs[0]->Text, "Unterminated string.");
  EXPECT_EQ(Errs[0]->Column, 3);  // at the opening tag
}

TEST_F(PGScanner, EscapeStringsDecodeBackslashSequences) {
  EXPECT_EQ(Scan(R"(E'it\'s\n\x41\101\\' x)"), (std::vector<std::string>{"3:it's\nAA\\", "1:x"}));
  EXPECT_EQ(Scan(R"(e'a''b\tc')"), (std::vector<std::string>{"3:a'b\tc"}));
  EXPECT_EQ(Scan(R"(E'\u00e9\U0001F600')"),
            (std::vector<std::string>{"3:\xC3\xA9\xF0\x9F\x98\x80"}));
  // Without E a backslash is an ordinary character (standard-conforming strings).
  EXPECT_EQ(Scan(R"('a\nb')"), (std::vector<std::string>{"3:a\\nb"}));
  EXPECT_TRUE(T.Errors().empty());
  // A backslash before the closing quote leaves the string open.
  Scan(R"(E'abc\')");
  EXPECT_EQ(T.Errors(), (std::vector<std::string>{"Unterminated string."}));
}

TEST_F(PGScanner, BareNamesFoldQuotedNamesKeepCaseAndAreNeverKeywords) {
  EXPECT_EQ(Scan(R"(MyTable "MyTable" "a""b" "select" select _tmp caf)"
                 "\xC3\xA9 Caf\xC3\xA9"),
            (std::vector<std::string>{"1:mytable", "1:MyTable", "1:a\"b", "1:select", "106",
                                      "1:_tmp", "1:caf\xC3\xA9", "1:caf\xC3\xA9"}));
  EXPECT_TRUE(T.Errors().empty());
  // A quoted statement word is a name, not the word.
  T.Parser.AssignTxt("\"index\" index");
  T.Parser.GetSy();
  EXPECT_FALSE(T.Parser.IsIdent("INDEX"));
  T.Parser.GetSy();
  EXPECT_TRUE(T.Parser.IsIdent("INDEX"));
}

TEST_F(PGScanner, CastsAndOperatorsScanWithoutErrors) {
  EXPECT_EQ(Scan("'now'::text::date"),
            (std::vector<std::string>{"3:now", "16", "16", "1:text", "16", "16", "1:date"}));
  EXPECT_EQ(Scan("a ~* 'x' # b ?| c !~ d"),
            (std::vector<std::string>{"1:a", "123:~*", "3:x", "123:#", "1:b", "123:?|", "1:c",
                                      "123:!~", "1:d"}));
  EXPECT_EQ(Scan("a != b || c"), (std::vector<std::string>{"1:a", "22", "1:b", "17", "1:c"}));
  EXPECT_EQ(Scan("B'0101' X'1F'"), (std::vector<std::string>{"3:0101", "3:1F"}));
  EXPECT_TRUE(T.Errors().empty());
}

TEST_F(PGScanner, CommentsNestAndHashLinesAreComments) {
  EXPECT_EQ(Scan("a /* one /* two */ still one */ b -- rest\r\nc"),
            (std::vector<std::string>{"1:a", "1:b", "1:c"}));
  EXPECT_EQ(Scan("# a comment line\r\nx\r\n  # an operator there\r\n"),
            (std::vector<std::string>{"1:x", "123:#", "1:an", "1:operator", "1:there"}));
  EXPECT_TRUE(T.Errors().empty());
  Scan("a /* /* */");
  EXPECT_EQ(T.Errors(), (std::vector<std::string>{"Unterminated comment."}));
}

// ---------------------------------------------------------------------------------------------
// Statements

TEST(PGParser, CommentsInsideStatementsDoNotChangeWhatIsRead) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE /* kind */ TABLE -- name next\r\n"
              "  t ( id integer /* type */ NOT NULL, -- first\r\n"
              "# a comment line inside the statement\r\n"
              "  v text DEFAULT 'x' /* after the default */ );"));
  TFldData* V = T.Column("t", "v");
  ASSERT_NE(V, nullptr);
  EXPECT_EQ(V->DefValue, "'x'");
  EXPECT_FALSE(T.Column("t", "id")->Nullable);
}

TEST(PGParser, FilesTheSchemaPublicOnceAndNamesMeetWithOrWithoutIt) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TABLE MyTable (a integer);\r\n"
              "CREATE TABLE \"MyTable\" (b integer);"));
  ASSERT_NE(T.Objs.GetSchema("public"), nullptr);
  EXPECT_EQ(T.Objs.Schemas.Count(), 1);
  ASSERT_NE(T.Table("mytable"), nullptr);
  ASSERT_NE(T.Table("MyTable"), nullptr);
  EXPECT_EQ(T.Table("mytable")->GetSchema(), "public");

  // A second script on the same collection: no second schema; public.mytable is mytable.
  ASSERT_TRUE(
      T.Parse("ALTER TABLE public.mytable ADD PRIMARY KEY (a);\r\n"
              "CREATE TABLE public.other (x integer REFERENCES mytable);"));
  EXPECT_EQ(T.Objs.Schemas.Count(), 1);
  ASSERT_EQ(T.Constraints("mytable", ctPKey).size(), 1u);
  ASSERT_NE(T.Table("other"), nullptr);
  EXPECT_EQ(T.Table("other")->GetSchema(), "public");
  // Written twice, with and without the schema: one table, an error for the second.
  EXPECT_FALSE(T.Parse("CREATE TABLE public.other (y integer);"));
  EXPECT_EQ(T.Errors().back().rfind("Duplicate table name: other", 0), 0u);
  EXPECT_EQ(T.Table("other")->Fields.Count(), 1);
}

TEST(PGParser, ReportsEachStatementWithWhatItIs) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("INSERT INTO t VALUES (1, ';');\r\n"
              "insert into public.t (a) values (2);\r\n"
              "UPDATE t SET a = 1;\r\n"
              "DELETE FROM s.t WHERE a = 2;\r\n"
              "COMMIT;\r\n"
              "BEGIN WORK;\r\n"
              "END;\r\n"
              "USE inventory;\r\n"
              "CREATE TABLE t (a integer);"));
  ASSERT_EQ(T.Statements.size(), 9u);
  const auto& S = T.Statements;
  EXPECT_EQ(S[0].Text, "INSERT INTO t VALUES (1, ';')");
  EXPECT_EQ(S[0].Typ, stInsert);
  EXPECT_EQ(S[0].ObjType, dboTable);
  EXPECT_EQ(S[0].Operation, odbInsert);
  EXPECT_EQ(S[0].ObjName, "t");
  EXPECT_EQ(S[1].ObjName, "t");  // the table, not its schema
  EXPECT_EQ(S[2].Typ, stUpdate);
  EXPECT_EQ(S[2].Operation, odbUpdate);
  EXPECT_EQ(S[3].Typ, stDelete);
  EXPECT_EQ(S[3].ObjName, "t");
  EXPECT_EQ(S[4].Typ, st_Commit);
  EXPECT_EQ(S[5].Typ, stStatement);
  EXPECT_EQ(S[6].Typ, stStatement);
  EXPECT_EQ(S[7].Typ, stConnect);
  EXPECT_EQ(S[7].ObjType, dboDatabase);
  EXPECT_EQ(S[7].ObjName, "inventory");
  EXPECT_EQ(T.Objs.ConnectionOptions.GetDatabaseName(), "inventory");
  EXPECT_EQ(S[8].Text, "CREATE TABLE t (a integer)");
  EXPECT_EQ(S[8].ObjType, dboTable);
  EXPECT_EQ(S[8].Operation, odbCreate);
  EXPECT_EQ(S[8].ObjName, "t");
}

TEST(PGParser, SetStatements) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("SET client_encoding = 'UTF8';\r\n"
              "SET NAMES 'UTF8';\r\n"
              "SET CHARACTER SET win1252;\r\n"
              "SET BLOBFILE 'data.lob';\r\n"
              "SET search_path = public, pg_catalog;"));
  ASSERT_EQ(T.Statements.size(), 5u);
  EXPECT_EQ(T.Statements[0].Typ, stSet);
  EXPECT_EQ(T.Statements[1].Typ, stSetNames);
  EXPECT_EQ(T.Statements[1].ObjName, "'UTF8'");
  EXPECT_EQ(T.Objs.MySQLServerOptions.Names, "'UTF8'");
  EXPECT_EQ(T.Statements[2].Typ, stCharSet);
  EXPECT_EQ(T.Objs.MySQLServerOptions.CharSet, "win1252");
  EXPECT_EQ(T.Statements[3].Typ, stSetBlobFile);
  EXPECT_EQ(T.Statements[3].ObjName, "data.lob");
  EXPECT_EQ(T.Statements[4].Typ, stSet);

  EXPECT_FALSE(T.Parse("SET NAMES 42;"));
  EXPECT_EQ(T.Errors()[0].rfind("Unknown/Invalid SET NAMES-statement.", 0), 0u);
}

TEST(PGParser, DefaultWithOidsMarksLaterTablesForOneText) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TABLE a (x integer);\r\n"
              "SET DEFAULT_WITH_OIDS = TRUE;\r\n"
              "CREATE TABLE b (x integer);\r\n"
              "CREATE TABLE c (x integer) WITHOUT OIDS;\r\n"
              "SET default_with_oids = false;\r\n"
              "CREATE TABLE d (x integer) WITH OIDS;\r\n"
              "SET DEFAULT_WITH_OIDS = TRUE;"));
  EXPECT_FALSE(T.Table("a")->WithOids);
  EXPECT_TRUE(T.Table("b")->WithOids);
  EXPECT_FALSE(T.Table("c")->WithOids);
  EXPECT_TRUE(T.Table("d")->WithOids);
  EXPECT_EQ(T.Statements[1].Typ, stStatement);
  // The flag lives for one text.
  ASSERT_TRUE(T.Parse("CREATE TABLE e (x integer);"));
  EXPECT_FALSE(T.Table("e")->WithOids);
}

TEST(PGParser, KindsNotReadIntoObjectsArePassedOverWithANote) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE OR REPLACE FUNCTION f(integer) RETURNS integer AS $$\r\n"
              "BEGIN RETURN 1; END; $$ LANGUAGE plpgsql;\r\n"
              "COMMENT ON SEQUENCE s IS 'x; y';\r\n"
              "GRANT USAGE ON SCHEMA public TO public;\r\n"
              "DROP TABLE v;\r\n"
              "CREATE DATABASE shop;\r\n"
              "CREATE TABLE t (a integer);"));
  EXPECT_NE(T.Table("t"), nullptr);
  ASSERT_EQ(T.Statements.size(), 6u);
  EXPECT_EQ(T.Statements[0].Text.rfind("CREATE OR REPLACE FUNCTION f", 0), 0u);
  EXPECT_EQ(T.Statements[0].Text.substr(T.Statements[0].Text.size() - 16), "LANGUAGE plpgsql");
  const auto Notes = T.Messages(mt_Inf);
  ASSERT_EQ(Notes.size(), 1u);
  EXPECT_EQ(Notes[0]->Text, "Statement passed over: COMMENT ON SEQUENCE.");
  EXPECT_EQ(Notes[0]->Line, 3);
}

// ---------------------------------------------------------------------------------------------
// Errors

TEST(PGParser, ABadStatementIsOneErrorWithScriptLineColumnAndNearText) {
  TPGParse T;
  EXPECT_FALSE(
      T.Parse("CREATE TABLE a (id integer);\r\n"
              "CREATE TABLE b (\r\n"
              "  id integer,,\r\n"
              "  x text);\r\n"
              "CREATE TABLE c (id integer);"));
  const auto Errs = T.Messages(mt_Err);
  ASSERT_EQ(Errs.size(), 1u);
  EXPECT_EQ(Errs[0]->Text, "Missing: <Ident> (<,>) Near: \",\"");
  EXPECT_EQ(Errs[0]->ScriptName, "schema.sql");
  EXPECT_EQ(Errs[0]->Line, 3);
  EXPECT_EQ(Errs[0]->Column, 14);
  // The first error is also shown, with the position.
  ASSERT_EQ(T.Shown.size(), 1u);
  EXPECT_EQ(T.Shown[0],
            "Missing: <Ident> (<,>) Near: \",\"\r\nScript: schema.sql Line:3 Pos:14\r\n");
  // The rest of the script is read.
  EXPECT_NE(T.Table("c"), nullptr);
  EXPECT_EQ(T.Statements.size(), 3u);
  EXPECT_EQ(T.Statements[1].Text, "CREATE TABLE b (\r\n  id integer,,\r\n  x text)");
}

TEST(PGParser, UnknownStatementsAndKindsAreErrors) {
  TPGParse T;
  EXPECT_FALSE(
      T.Parse("VACUUM FULL t;\r\n"
              "CREATE SEQUENCE s;\r\n"
              "ALTER SEQUENCE s RESTART;\r\n"
              "ALTER TABLE t ALTER COLUMN a SET DEFAULT 1;\r\n"
              "CREATE TABLE p (a integer) INHERITS (q);\r\n"
              "CREATE TABLE ok (a integer);"));
  EXPECT_EQ(T.Errors(),
            (std::vector<std::string>{
                "Missing: DDL-statement. <Proc: ParseText> Near: \"VACUUM FULL t;\"",
                "Unknown/Invalid CREATE-statement. Near: \"SEQUENCE s;\"",
                "Unknown/Invalid ALTER statement. Near: \"SEQUENCE s RESTART;\"",
                "Unknown symbol in ALTER TABLE... Near: \"ALTER COLUMN a SET DEFAULT 1;\"",
                "Table q, which p inherits from, is not created before it. Near: \");\""}));
  EXPECT_NE(T.Table("ok"), nullptr);
}

TEST(PGParser, AMissingTerminatorAtTheEndIsAnError) {
  TPGParse T;
  EXPECT_FALSE(T.Parse("CREATE TABLE t (a integer)"));
  EXPECT_EQ(T.Errors(), (std::vector<std::string>{"Missing: <TERM> (<EOF>) Near: end of text."}));
  EXPECT_NE(T.Table("t"), nullptr);
}

TEST(PGParser, AnUnterminatedStringStandsWhereItBegins) {
  TPGParse T;
  EXPECT_FALSE(T.Parse("CREATE TABLE t (a text DEFAULT 'x);\r\nCREATE TABLE u (b integer);"));
  const auto Errs = T.Messages(mt_Err);
  ASSERT_GE(Errs.size(), 1u);
  EXPECT_EQ(Errs[0]->Text, "Unterminated string.");
  EXPECT_EQ(Errs[0]->Line, 1);
  EXPECT_EQ(Errs[0]->Column, 32);
}

TEST(PGParser, ReplaceDefaultMatchesWholeTextsExactly) {
  EXPECT_EQ(PGReplaceDefault("now()"), "current_timestamp");
  EXPECT_EQ(PGReplaceDefault("NOW()"), "NOW()");
  EXPECT_EQ(PGReplaceDefault("('now'::text)::date"), "current_date");
  EXPECT_EQ(PGReplaceDefault("''::text"), "''");
  EXPECT_EQ(PGReplaceDefault("now() + 1"), "now() + 1");
  // The catalog's capitals and a script's spelling of the SQL value functions meet.
  EXPECT_EQ(PGReplaceDefault("CURRENT_TIMESTAMP"), "current_timestamp");
  EXPECT_EQ(PGReplaceDefault("Current_Date"), "current_date");
  EXPECT_EQ(PGReplaceDefault("CURRENT_USER"), "current_user");
  EXPECT_EQ(PGReplaceDefault("'CURRENT_DATE'::text"), "'CURRENT_DATE'::text");
}

}  // namespace
}  // namespace qel
