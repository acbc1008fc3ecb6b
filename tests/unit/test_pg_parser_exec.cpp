// The PostgreSQL script extractor and script executor over the PostgreSQL parser: schemas read
// from several scripts, failed extractions, and scripts loaded into statements and run.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ReplayAdapter.h"
#include "Strings.h"
#include "qelComp_Idx.h"
#include "qelDBStructure.h"
#include "qelPGSQLExec.h"
#include "qelPGScriptExtract.h"
#include "test_pg_parser.h"

namespace qel {
namespace {

using Names = std::vector<std::string>;

/// A holder and a PostgreSQL script extractor linked to it; scripts come from Files.
struct TPGSide {
  TPGSide() {
    Extractor.Name = "PGExtract";
    Extractor.SetDBStructure(&Holder);
    Extractor.SetOnErrorMessage([this](TObject*, const std::string& T) { Shown.push_back(T); });
    Extractor.OnLoadScript = [this](TObject*, const std::string& FileName, TStrings* Script,
                                    bool& Loaded) {
      for (const auto& [Name, Text] : Files)
        if (Name == FileName) {
          Script->SetText(Text);
          Loaded = true;
        }
    };
  }
  TDBStructure Holder{nullptr};
  TPGScriptExtract Extractor{nullptr};
  std::vector<std::pair<std::string, std::string>> Files;
  Names Shown;
  TObjs& Objs() { return *Holder.GetMetadata(); }
};

TEST(PGScriptExtract, ReadsScriptsInOrderAndSettlesKeysAcrossThem) {
  TPGSide S;
  EXPECT_EQ(S.Extractor.DatabaseType, dbPostgreSQL);
  ASSERT_NE(dynamic_cast<TPGSQLParser*>(S.Extractor.GetParser()), nullptr);
  // Keys before tables, as a name-ordered file list often has them.
  S.Files = {{"a_keys.sql",
              "ALTER TABLE ONLY public.orders ADD CONSTRAINT orders_pkey PRIMARY KEY (id);\r\n"
              "ALTER TABLE ONLY lines ADD FOREIGN KEY (order_id) REFERENCES orders;"},
             {"b_tables.sql",
              "CREATE TABLE orders (id integer, placed date DEFAULT now());\r\n"
              "CREATE TABLE lines (order_id integer, qty integer);\r\n"
              "CREATE INDEX lines_order ON lines (order_id);"}};
  S.Extractor.SetScriptFileName("\"a_keys.sql\" \"b_tables.sql\"");
  ASSERT_TRUE(S.Extractor.ExtractDatabase());
  EXPECT_FALSE(S.Extractor.GetMsgManager()->GetIsErr());
  EXPECT_EQ(S.Objs().GetDatabaseType(), dbPostgreSQL);
  EXPECT_EQ(S.Objs().ExtractFrom, efScript);

  TTblData* Orders = S.Objs().GetTable("orders");
  TTblData* Lines = S.Objs().GetTable("lines");
  ASSERT_TRUE(Orders && Lines);
  EXPECT_FALSE(Orders->Fields.Find("id")->Nullable);  // a key column
  EXPECT_EQ(Orders->Fields.Find("placed")->DefValue, "current_timestamp");
  TCtrData* FKey = nullptr;
  TCtrData* PKey = nullptr;
  for (int I = 0; I < S.Objs().Constraints.Count(); ++I) {
    auto* C = dynamic_cast<TCtrData*>(S.Objs().Constraints.Objects(I));
    if (C->GetCtType() == ctFKey) FKey = C;
    if (C->GetCtType() == ctPKey) PKey = C;
  }
  ASSERT_TRUE(FKey && PKey);
  EXPECT_EQ(testing::Entries(FKey->Extra().RefFldList), Names{"id"});
  EXPECT_EQ(FKey->GetTblName(), "lines");
  // The linking ran once after both scripts: key on its table, reference on the key.
  EXPECT_EQ(PKey->UseIn.Count(), 1);
  EXPECT_GE(Orders->UseIn.Count(), 2);
  ASSERT_NE(S.Objs().GetIndex("lines_order"), nullptr);
  EXPECT_GE(Lines->UseIn.Count(), 2);
}

TEST(PGScriptExtract, ABadStatementFailsTheExtractionWithItsPlace) {
  TPGSide S;
  S.Files = {{"schema.sql",
              "CREATE TABLE a (id integer);\r\n"
              "CREATE TABEL b (id integer);\r\n"
              "CREATE TABLE c (id integer);"}};
  S.Extractor.SetScriptFileName("schema.sql");
  EXPECT_FALSE(S.Extractor.ExtractDatabase());
  const TMsgManager& Msgs = *S.Extractor.GetMsgManager();
  ASSERT_EQ(Msgs.GetErrCount(), 1);
  const TMsgData& E = Msgs.Items(0);
  EXPECT_EQ(E.Text, "Unknown/Invalid CREATE-statement. Near: \"TABEL b (id integer);\"");
  EXPECT_EQ(E.ScriptName, "schema.sql");
  EXPECT_EQ(E.Line, 2);
  EXPECT_EQ(E.Column, 8);
  ASSERT_EQ(S.Shown.size(), 1u);
  EXPECT_NE(S.Shown[0].find("Script: schema.sql Line:2 Pos:8"), std::string::npos);
}

TEST(PGScriptExtract, WithoutAHolderThereIsNoParserAndNothingIsRead) {
  TPGScriptExtract X(nullptr);
  X.Name = "X";
  Names Shown;
  X.SetOnErrorMessage([&](TObject*, const std::string& T) { Shown.push_back(T); });
  EXPECT_EQ(X.GetParser(), nullptr);
  EXPECT_FALSE(X.ExtractDatabase());
  EXPECT_EQ(Shown, Names{"DBStructure not assigned. (TPGScriptExtract) X"});
}

// ---------------------------------------------------------------------------------------------

using namespace replay;

/// The script text of E without its blank separator lines.
std::vector<std::string> ScriptOf(TSQLExec& E) {
  TStringList L;
  E.GetScript(L, false);
  std::vector<std::string> R;
  for (const std::string& Line : L)
    if (!Line.empty()) R.push_back(Line);
  return R;
}

TEST(PGSQLExec, LoadsAScriptIntoStatements) {
  TPGSQLExec E(nullptr);
  EXPECT_EQ(E.DatabaseType, dbPostgreSQL);
  Names Log;
  Names Shown;
  E.OnLogNextLine = [&](TObject*, const std::string& T) { Log.push_back(T); };
  E.OnErrorMessage = [&](TObject*, const std::string& T) { Shown.push_back(T); };
  E.GetConnectionOptions().UserName = "app";
  E.ScriptFileName = "load.sql";
  TStringList Lines;
  Lines.SetText(
      "SET client_encoding = 'UTF8';\n"
      "CREATE TABLE t (id integer, body text DEFAULT $$a;b$$);\n"
      "CREATE FUNCTION f() RETURNS integer AS $$ SELECT 1; $$ LANGUAGE sql;\n"
      "INSERT INTO t VALUES (1, 'x');\n"
      "VACUUM t;\n"
      "USE shop;");
  E.LoadScript(Lines);
  ASSERT_EQ(E.GetStatementsCount(), 6);
  EXPECT_EQ(E.GetStatement(0)->StatType, stSet);
  EXPECT_EQ(E.GetStatement(1)->DbObject, dboTable);
  EXPECT_EQ(E.GetStatement(1)->DbOperation, odbCreate);
  EXPECT_EQ(E.GetStatement(1)->ObjName, "t");
  EXPECT_EQ(E.GetStatement(3)->StatType, stInsert);
  EXPECT_EQ(E.GetStatement(5)->StatType, stConnect);
  EXPECT_EQ(ScriptOf(E)[1], "CREATE TABLE t (id integer, body text DEFAULT $$a;b$$);");
  EXPECT_EQ(ScriptOf(E)[2], "CREATE FUNCTION f() RETURNS integer AS $$ SELECT 1; $$ LANGUAGE sql;");
  // The bad statement is kept as read and its error stands in the message list.
  EXPECT_EQ(ScriptOf(E)[4], "VACUUM t;");
  ASSERT_EQ(E.MsgManager.GetErrCount(), 1);
  EXPECT_EQ(E.MsgManager.Items(0).ScriptName, "load.sql");
  EXPECT_EQ(Shown.size(), 1u);
  // The script names the database; the user the host set stays.
  EXPECT_EQ(E.GetConnectionOptions().GetDatabaseName(), "shop");
  EXPECT_EQ(E.GetConnectionOptions().UserName, "app");
  EXPECT_EQ(Log.front(), "Loading script...");
  EXPECT_EQ(Log.back(), "Script loaded.");

  // Loading again replaces the statements and the messages.
  Lines.SetText("CREATE TABLE u (a integer);");
  E.LoadScript(Lines);
  ASSERT_EQ(E.GetStatementsCount(), 1);
  EXPECT_EQ(E.GetStatement(0)->ObjName, "u");
  EXPECT_FALSE(E.MsgManager.GetIsErr());
  Lines.Clear();
  E.LoadScript(Lines);
  EXPECT_EQ(E.GetStatementsCount(), 0);
}

TEST(PGSQLExec, ConnectsBeforeTheRunAndStaysConnected) {
  auto Fixture = std::make_shared<TReplayFixture>();
  Fixture->LoadFromText(
      "# Written by hand\n"
      "query\tCREATE TABLE t (a integer)\naffected\t0\nend\n"
      "query\tCREATE INDEX i ON t (a)\naffected\t0\nend\n",
      "replay-pg-exec");
  TScopedReplayAdapter Adapter("replay-pg-exec", cnSAVCL, Fixture);
  TQELConnection C(nullptr);
  C.SetConnectionType(cnSAVCL);
  C.SetDatabaseType(dbPostgreSQL);
  TPGSQLExec E(nullptr);
  E.SetConnection(&C);
  E.OnLogNextLine = [](TObject*, const std::string&) {};
  TStringList Lines;
  Lines.SetText("SET search_path = public;\nCREATE TABLE t (a integer);\nCREATE INDEX i ON t (a);");
  E.LoadScript(Lines);
  ASSERT_EQ(E.GetStatementsCount(), 3);
  EXPECT_TRUE(E.ExecuteScript());
  EXPECT_TRUE(C.GetConnected());
  auto& Db = dynamic_cast<TReplayDatabase&>(*C.GetDatabase());
  EXPECT_EQ(Db.Log.front(), "<connect>");
  EXPECT_EQ(std::count(Db.Log.begin(), Db.Log.end(), "CREATE TABLE t (a integer)"), 1);
  EXPECT_EQ(std::count(Db.Log.begin(), Db.Log.end(), "CREATE INDEX i ON t (a)"), 1);
  EXPECT_EQ(std::count(Db.Log.begin(), Db.Log.end(), "<disconnect>"), 0);
}

}  // namespace
}  // namespace qel
