// The MySQL script extractor and script executor over the MySQL parser.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Strings.h"
#include "qelDBStructure.h"
#include "qelMySQLExec.h"
#include "qelMySQLScriptExtract.h"
#include "test_mysql_parser.h"

namespace qel {
namespace {

using Names = std::vector<std::string>;

std::vector<std::string> MessagesOf(const TMsgManager& M, TMsgType Type) {
  std::vector<std::string> R;
  for (int I = 0; I < M.GetMsgCount(); ++I)
    if (M.Items(I).MsgType == Type) R.push_back(M.Items(I).Text);
  return R;
}

TEST(MySQLExec, LoadsTheCarriedStatementsAndListsTheOthers) {
  TMySQLExec Exec(nullptr);
  EXPECT_EQ(Exec.DatabaseType, dbMySQL);
  Names Log;
  Exec.OnLogNextLine = [&](TObject*, const std::string& T) { Log.push_back(T); };
  TStringList Script;
  Script.SetText(
      "USE shop;\r\n"
      "SET FOREIGN_KEY_CHECKS=0;\r\n"
      "CREATE TABLE t (a int);\r\n"
      "CREATE INDEX ix ON t (a);\r\n"
      "ALTER TABLE t ADD PRIMARY KEY (a);\r\n"
      "CREATE VIEW v AS select a\r\n  from t;\r\n"
      "INSERT INTO t VALUES (1);\r\n");
  Exec.LoadScript(Script);
  ASSERT_EQ(Exec.GetStatementsCount(), 4);
  EXPECT_EQ(Exec.GetStatement(0)->StatType, stConnect);
  EXPECT_EQ(Exec.GetStatement(1)->StatType, stSet);
  EXPECT_EQ(Exec.GetStatement(2)->StatType, stStatement);
  EXPECT_EQ(Exec.GetStatement(2)->ObjName, "t");
  EXPECT_EQ(Exec.GetStatement(3)->StatType, stInsert);
  EXPECT_EQ(Exec.GetConnectionOptions().GetDatabaseName(), "shop");
  // What the parser reads but does not carry is said, not dropped silently.
  EXPECT_EQ(MessagesOf(Exec.MsgManager, mt_Wrn),
            (Names{"Statement not loaded: CREATE INDEX ix ON t (a)",
                   "Statement not loaded: ALTER TABLE t ADD PRIMARY KEY (a)",
                   "Statement not loaded: CREATE VIEW v AS select a ..."}));
  EXPECT_FALSE(Exec.MsgManager.GetIsErr());
  EXPECT_EQ(Log.front(), "Loading script...");
  EXPECT_EQ(Log.back(), "Script loaded.");

  // A second load replaces the first.
  Script.SetText("");
  Exec.LoadScript(Script);
  EXPECT_EQ(Exec.GetStatementsCount(), 0);
  EXPECT_EQ(Exec.MsgManager.GetMsgCount(), 0);
}

TEST(MySQLScriptExtract, ReadsAScriptIntoTheHolder) {
  TDBStructure Holder(nullptr);
  TMySQLScriptExtract Extractor(nullptr);
  EXPECT_EQ(Extractor.DatabaseType, dbMySQL);
  EXPECT_EQ(Extractor.GetParser(), nullptr);
  EXPECT_FALSE(Extractor.ExtractDatabase());  // no holder
  Extractor.SetDBStructure(&Holder);
  ASSERT_NE(dynamic_cast<TMySQLParser*>(Extractor.GetParser()), nullptr);
  Extractor.OnLoadScript = [](TObject*, const std::string&, TStrings* Script, bool& Loaded) {
    Script->SetText(
        "CREATE TABLE p (k int PRIMARY KEY);\r\n"
        "CREATE TABLE c (a int, FOREIGN KEY (a) REFERENCES p (k));\r\n");
    Loaded = true;
  };
  Extractor.SetScriptFileName("schema.sql");
  ASSERT_TRUE(Extractor.ExtractDatabase());
  TObjs& Objs = *Holder.GetMetadata();
  EXPECT_EQ(Objs.GetDatabaseType(), dbMySQL);
  EXPECT_NE(Objs.GetTable("p"), nullptr);
  EXPECT_NE(Objs.GetTable("c"), nullptr);
  EXPECT_EQ(Objs.Constraints.Count(), 2);
  EXPECT_EQ(Objs.Indexes.Count(), 1);  // the foreign key's own index
}

}  // namespace
}  // namespace qel
