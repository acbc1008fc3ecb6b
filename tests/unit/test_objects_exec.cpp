// The statement list: adding with terminators and the veto, counters, captions, deleting,
// descriptions and loading script files.
#include <gtest/gtest.h>

#include <cstdio>

#include "Files.h"
#include "Host.h"
#include "qelComp_Tbl.h"
#include "test_objects_util.h"

using namespace qel;
using namespace qel::testing;

TEST(StatementList, AddRulesTerminatorsAndCounters) {
  TCustomSQLExec Exec(nullptr);
  Exec.DatabaseType = dbMSSQL;
  EXPECT_EQ(Exec.Add("", stStatement), nullptr);
  EXPECT_EQ(Exec.LineTotal, 0);
  EXPECT_FALSE(Exec.HasChanges);

  TStatement* Blank = Exec.Add("", stComment);
  ASSERT_NE(Blank, nullptr);
  EXPECT_EQ(Blank->LineCount, 0);
  EXPECT_EQ(Blank->Term, "");
  EXPECT_EQ(Exec.LineTotal, 1);

  Exec.Add("COMMIT", st_Commit);
  Exec.Add("CONNECT 'x'", stConnect);
  Exec.Add("/* c */", stComment);
  EXPECT_FALSE(Exec.HasChanges);  // comments, commits and connects change nothing

  TStatement* S = Exec.Add("CREATE TABLE T\r\n(A INT)", stStatement, "T", dboTable, odbCreate);
  ASSERT_NE(S, nullptr);
  EXPECT_EQ(S->LineCount, 2);
  EXPECT_EQ(S->Lines[1], "(A INT)");
  EXPECT_EQ(S->Term, "\r\nGO\r\n");
  EXPECT_TRUE(Exec.HasChanges);
  EXPECT_EQ(Exec.LineTotal, 1 + 2 + 2 + 2 + 3);
  TStatement* Own = Exec.Add("X", stStatement, "", dboUnknown, odbUnknown, "", "!");
  EXPECT_EQ(Own->Term, "!");
  for (TDatabaseType DB : {dbInterBase, dbMSSQL, dbSybaseASA, dbOracle}) {
    Exec.DatabaseType = DB;
    EXPECT_EQ(Exec.Add("c", stComment)->Term, "");
  }
  Exec.DatabaseType = dbSybaseASA;
  EXPECT_EQ(Exec.Add("x", stStatement)->Term, "\r\ngo\r\n");

  Exec.Clear();
  EXPECT_EQ(Exec.GetStatementsCount(), 0);
  EXPECT_EQ(Exec.LineTotal, 0);
  EXPECT_FALSE(Exec.HasChanges);
}

TEST(StatementList, VetoAndSuppliedStatements) {
  TCustomSQLExec Exec(nullptr);
  int Created = 0;
  Exec.OnStatementCreate = [&](TObject*, TStatement*& S) {
    S = new TStatement(&Exec);  // taken over by the list, or freed on a veto
    S->Skip = true;
    ++Created;
  };
  Exec.OnStatementAdd = [](TObject*, TStatement* S, bool& Accept) { Accept = S->ObjName != "NO"; };
  EXPECT_EQ(Exec.Add("DROP TABLE X", stStatement, "NO"), nullptr);
  EXPECT_EQ(Exec.GetStatementsCount(), 0);
  EXPECT_EQ(Exec.LineTotal, 0);
  EXPECT_FALSE(Exec.HasChanges);
  TStatement* S = Exec.Add("DROP TABLE Y", stStatement, "YES");
  ASSERT_NE(S, nullptr);
  EXPECT_TRUE(S->Skip);
  EXPECT_EQ(Created, 2);
  EXPECT_EQ(Exec.IndexOf(S), 0);
  Exec.SelectAll(true);
  EXPECT_TRUE(S->Selected);
}

TEST(StatementList, DeleteAndReplace) {
  TCustomSQLExec Exec(nullptr);
  for (const char* N : {"A", "B", "C"}) Exec.Add(std::string("x ") + N, stStatement, N);
  TStatement* C = Exec.GetStatement(2);
  Exec.Delete(1);
  ASSERT_EQ(Exec.GetStatementsCount(), 2);
  EXPECT_EQ(Exec.GetStatement(1), C);
  Exec.Delete(7);
  EXPECT_EQ(Exec.GetStatement(7), nullptr);
  auto R = std::make_unique<TStatement>(&Exec);
  R->ObjName = "R";
  Exec.SetStatement(0, std::move(R));
  EXPECT_EQ(Exec.GetStatement(0)->ObjName, "R");
  EXPECT_EQ(Exec.IndexOf(nullptr), -1);
}

TEST(StatementList, Captions) {
  TStatement S(nullptr);
  S.ObjName = "T";
  const std::pair<TDbOperation, const char*> Cases[] = {{odbCreate, "T: create"},
                                                        {odbAlter, "T: alter"},
                                                        {odbDrop, "T: drop"},
                                                        {odbEmpty, "T: empty body"},
                                                        {odbRestore, "T: restore body"},
                                                        {odbEmptyCreate, "T: create empty"},
                                                        {odbEmptyDrop, "T: empty before drop"},
                                                        {odbDescription, "T: description"},
                                                        {odbInsert, "T: insert"},
                                                        {odbUpdate, "T: update"},
                                                        {odbDelete, "T: delete"},
                                                        {odbCommit, "T"}};
  for (auto [Op, Caption] : Cases) {
    S.DbOperation = Op;
    EXPECT_EQ(S.GetCaption(), Caption);
  }
  S.DbObject = dboField;
  S.OwnName = "EMPLOYEE";
  S.ObjName = "SALARY";
  S.DbOperation = odbDrop;
  EXPECT_EQ(S.GetCaption(), "EMPLOYEE (SALARY): alter");
  TStatement Bare(nullptr);
  Bare.Lines.SetText("COMMIT WORK\r\nmore");
  EXPECT_EQ(Bare.GetCaption(), "COMMIT WORK");
  EXPECT_EQ(TStatement(nullptr).GetCaption(), "");
}

TEST(StatementList, ErrorsWarningsAndLoading) {
  class TLoader : public TCustomSQLExec {
   public:
    TLoader() : TCustomSQLExec(nullptr) {}
    void LoadScript(TStrings& Lines) override { Loaded.Assign(Lines); }
    TStringList Loaded;
  } Exec;
  std::vector<std::string> Errors, Log;
  Exec.OnErrorMessage = [&](TObject*, const std::string& T) { Errors.push_back(T); };
  Exec.OnLogNextLine = [&](TObject*, const std::string& T) { Log.push_back(T); };

  Exec.LoadFromFile("/nonexistent/dir/script.sql");
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0], "File not found: /nonexistent/dir/script.sql");
  EXPECT_EQ(Exec.ErrorCount, 1);
  EXPECT_EQ(Exec.ScriptFileName, "");

  const std::string File = ::testing::TempDir() + "qel_exec_load.sql";
  ASSERT_TRUE(WriteStringToFile(File, "CREATE TABLE T (A INT);\r\nCOMMIT;\r\n"));
  Exec.LoadFromFile(File);
  EXPECT_EQ(Exec.ScriptFileName, File);
  ASSERT_EQ(Exec.Loaded.Count(), 2);
  EXPECT_EQ(Exec.Loaded[1], "COMMIT;");
  std::remove(File.c_str());

  Exec.OnLoadScript = [](TObject*, const std::string& Name, TStrings* Script, bool& Loaded) {
    Script->Add("from " + Name);
    Loaded = true;
  };
  Exec.LoadFromFile("virtual.sql");
  EXPECT_EQ(Exec.ScriptFileName, "virtual.sql");
  EXPECT_EQ(Exec.Loaded[0], "from virtual.sql");
  Exec.LoadFromStream(nullptr);
  EXPECT_EQ(Exec.Loaded.Count(), 0);

  Exec.DoMsgErr("bad", nullptr);
  Exec.DoMsgWrn("odd", nullptr);
  EXPECT_EQ(Errors.back(), "bad");
  EXPECT_EQ(Log.back(), "Warning: odd");
  EXPECT_EQ(Exec.MsgManager.GetErrCount(), 1);
  EXPECT_EQ(Exec.MsgManager.GetWrnCount(), 1);
  EXPECT_TRUE(Exec.ExecuteScript());
  EXPECT_EQ(Exec.ErrorCount, 0);

  // Without a handler the text goes to the host's message box, and still counts.
  std::string Shown;
  auto Saved = SetShowMessageHandler([&Shown](const std::string& T) { Shown = T; });
  TCustomSQLExec Plain(nullptr);
  Plain.DoErrorMessage("boom");
  SetShowMessageHandler(Saved);
  EXPECT_EQ(Shown, "boom");
  EXPECT_EQ(Plain.ErrorCount, 1);
}

TEST(StatementList, DescriptionStatements) {
  TSchema S(dbInterBase);
  S.Objs.IBServerOptions.GetIBCompareOptions().SetUpdateDescriptionMode(udComment);
  auto* T = AddTable(S.Objs, "T", {{"A", iftInteger}});
  T->SetExtra(&TObjExtra::Description, "tbl");
  T->Fields[0]->SetExtra(&TObjExtra::Description, "col");
  auto* P = AddProc(S.Objs, "P", "BEGIN END");
  TFldData* Par = AddColumn(P, P->Params, "X", iftInteger);
  Par->SetExtra(&TObjExtra::Description, "par");
  TFldData* Loose = AddColumn(P, P->Params, "Y", iftInteger);
  Loose->OwnerObj = nullptr;
  Loose->SetExtra(&TObjExtra::Description, "loose");

  S.Exec.AddDescription(T);
  S.Exec.AddDescription(T->Fields[0]);
  S.Exec.AddDescription(Par);
  S.Exec.AddDescription(Loose);  // no text for a column without owner: nothing added
  S.Exec.AddDescription(nullptr);
  ASSERT_EQ(S.Exec.GetStatementsCount(), 3);
  const TStatement* D0 = S.Exec.GetStatement(0);
  EXPECT_EQ(D0->StatType, stDescription);
  EXPECT_EQ(D0->DbOperation, odbDescription);
  EXPECT_EQ(D0->DbObject, dboTable);
  EXPECT_EQ(D0->Description, "tbl");
  EXPECT_EQ(D0->Lines.GetText(), "COMMENT ON TABLE T IS\r\n'tbl'\r\n");
  EXPECT_EQ(S.Exec.GetStatement(1)->DbObject, dboField);
  EXPECT_EQ(S.Exec.GetStatement(1)->OwnName, "T");
  EXPECT_EQ(S.Exec.GetStatement(1)->GetCaption(), "T (A): alter");
  EXPECT_EQ(S.Exec.GetStatement(2)->DbObject, dboParam);
  EXPECT_EQ(S.Exec.GetStatement(2)->OwnName, "P");

  // Without coDescription in the compare set nothing is written.
  S.Objs.CompareObjects.Exclude(coDescription);
  S.Exec.AddDescription(T);
  EXPECT_EQ(S.Exec.GetStatementsCount(), 3);
}
