// The script extractor base: file-name lists with wildcards, loading and parsing every script
// into the schema holder, the messages of a failed extraction and the one linking pass.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "Files.h"
#include "Strings.h"
#include "qelComp_Idx.h"
#include "qelComp_Tbl.h"
#include "qelComp_Viw.h"
#include "qelDBStructure.h"
#include "test_script_parser.h"

namespace qel {
namespace {

using testing::MsgTexts;
using testing::TTestScriptExtract;
using testing::Uses;

/// A folder of its own under the system's temporary folder, removed with everything in it.
class TTempDir {
 public:
  TTempDir() {
    std::string Templ = (std::filesystem::temp_directory_path() / "qel-scripts-XXXXXX").string();
    if (mkdtemp(Templ.data())) FPath = Templ + "/";
  }
  ~TTempDir() {
    std::error_code Ec;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, Ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  /// The folder with its trailing "/".
  const std::string& Path() const { return FPath; }
  std::string Write(const std::string& Name, const std::string& Text) const {
    EXPECT_TRUE(WriteStringToFile(FPath + Name, Text));
    return FPath + Name;
  }

 private:
  std::string FPath;
};

std::vector<std::string> Names(const TStrings& List) {
  return std::vector<std::string>(List.begin(), List.end());
}

/// A holder and a script extractor linked to it.
struct TScriptSide {
  TScriptSide() { Extractor.SetDBStructure(&Holder); }
  TDBStructure Holder{nullptr};
  TTestScriptExtract Extractor;
  TObjs& Objs() { return *Holder.GetMetadata(); }
};

// ---------------------------------------------------------------------------------------------
// File-name lists

TEST(ScriptFileNames, QuotedListsAndSingleNames) {
  TStringList List;
  List.Add("a.sql");
  List.Add("b c.sql");
  EXPECT_EQ(FileNamesToString(List), "\"a.sql\" \"b c.sql\"");
  EXPECT_EQ(FileNamesToString(TStringList()), "");

  // Names that match no file stay as written; text outside quotes and an unclosed last name go.
  StringToFileNames("\"/nonexistent/a.sql\" junk \"/nonexistent/b c.sql\" \"/nonexistent/open",
                    List);
  EXPECT_EQ(Names(List), (std::vector<std::string>{"/nonexistent/a.sql", "/nonexistent/b c.sql"}));
  // Without a leading quote a value is one name, blanks and all.
  StringToFileNames("/nonexistent/a.sql /nonexistent/b.sql", List);
  EXPECT_EQ(Names(List), std::vector<std::string>{"/nonexistent/a.sql /nonexistent/b.sql"});
  // One quoted name without blanks loses its quotes.
  StringToFileNames("\"/nonexistent/a.sql\"", List);
  EXPECT_EQ(Names(List), std::vector<std::string>{"/nonexistent/a.sql"});
  StringToFileNames("", List);
  EXPECT_TRUE(List.Empty());
}

TEST(ScriptFileNames, WildcardsExpandWithinTheirFolderSorted) {
  TTempDir Dir;
  ASSERT_FALSE(Dir.Path().empty());
  const std::string B = Dir.Write("b.sql", "");
  const std::string A = Dir.Write("a.sql", "");
  const std::string A2 = Dir.Write("a2.sql", "");
  Dir.Write("c.txt", "");
  std::filesystem::create_directory(Dir.Path() + "d.sql");  // a folder is no script

  TStringList List;
  StringToFileNames(Dir.Path() + "*.sql", List);
  EXPECT_EQ(Names(List), (std::vector<std::string>{A, A2, B}));
  StringToFileNames(Dir.Path() + "?.sql", List);
  EXPECT_EQ(Names(List), (std::vector<std::string>{A, B}));
  // In a quoted list each name expands in place; one that matches nothing is kept.
  StringToFileNames("\"" + Dir.Path() + "b*.sql\" \"" + Dir.Path() + "missing.sql\" \"" +
                        Dir.Path() + "?.sql\" \"" + Dir.Path() + "*.none\"",
                    List);
  EXPECT_EQ(Names(List),
            (std::vector<std::string>{B, Dir.Path() + "missing.sql", A, B, Dir.Path() + "*.none"}));

  // The extractor keeps the string and the list in step.
  TTestScriptExtract Extractor;
  Extractor.SetScriptFileName(Dir.Path() + "?.sql");
  EXPECT_EQ(Names(Extractor.GetScriptFileNames()), (std::vector<std::string>{A, B}));
  TStringList Two;
  Two.Add(B);
  Two.Add(A);
  Extractor.SetScriptFileNames(Two);
  EXPECT_EQ(Extractor.GetScriptFileName(), "\"" + B + "\" \"" + A + "\"");
}

// ---------------------------------------------------------------------------------------------
// Extraction

TEST(ScriptExtract, MissingFilesAndSyntaxErrorsFailTheExtractionWithTheirPlace) {
  TTempDir Dir;
  const std::string A = Dir.Write("a.sql", "TABLE T (A, B);\r\n");
  const std::string B = Dir.Write("b.sql", "VIEW V ON T (A);\r\nINDEX I ON T;\r\n");
  const std::string Missing = Dir.Path() + "missing.sql";
  TScriptSide S;

  // A wildcard list with a name that matches no file: everything found is read, the missing
  // name is reported, and the extraction fails.
  S.Extractor.SetScriptFileName("\"" + Dir.Path() + "*.sql\" \"" + Missing + "\"");
  EXPECT_FALSE(S.Extractor.ExtractDatabase());
  EXPECT_EQ(MsgTexts(*S.Extractor.GetMsgManager()),
            std::vector<std::string>{"File not found: " + Missing});
  EXPECT_NE(S.Objs().GetTable("T"), nullptr);
  EXPECT_NE(S.Objs().GetView("V"), nullptr);
  EXPECT_EQ(S.Extractor.Shown, std::vector<std::string>{"File not found: " + Missing});

  // A syntax error in the third line of one file: reported with that file, line and column.
  Dir.Write("c.sql", "TABLE U (X);\r\n\r\n  TABLE W (Y #);\r\n");
  S.Extractor.SetScriptFileName(Dir.Path() + "*.sql");
  EXPECT_FALSE(S.Extractor.ExtractDatabase());
  const TMsgManager& Msgs = *S.Extractor.GetMsgManager();
  ASSERT_EQ(Msgs.GetMsgCount(), 1);
  EXPECT_EQ(Msgs.Items(0).MsgType, mt_Err);
  EXPECT_EQ(Msgs.Items(0).Text, "Invalid char in source text: \"#\".");
  EXPECT_EQ(Msgs.Items(0).ScriptName, Dir.Path() + "c.sql");
  EXPECT_EQ(Msgs.Items(0).Line, 3);
  EXPECT_EQ(Msgs.Items(0).Column, 14);
  // The first error of the run also went to the handler, with the position spelled out.
  ASSERT_EQ(S.Extractor.Shown.size(), 2u);
  EXPECT_EQ(S.Extractor.Shown[1], "Invalid char in source text: \"#\".\r\nScript: " + Dir.Path() +
                                      "c.sql Line:3 Pos:14\r\n");
  // No linking pass after a failure.
  EXPECT_FALSE(Uses(S.Objs().GetIndex("I"), S.Objs().GetTable("T")));
}

TEST(ScriptExtract, ReadsEveryScriptAndLinksTheWholeSchemaOnce) {
  TTempDir Dir;
  // The index names a table of a later script: only a pass after the last script can link it.
  Dir.Write("1.sql", "TABLE T (A);\r\nINDEX I ON U;\r\n");
  Dir.Write("2.sql", "TABLE U (B);\r\nVIEW V ON T (A);\r\n");
  TScriptSide S;
  S.Extractor.DatabaseType = dbPostgreSQL;
  std::vector<std::string> Log;
  S.Extractor.SetOnLogNextLine([&](TObject*, const std::string& Text) { Log.push_back(Text); });
  S.Holder.GetMetadata()->AddObj(new TTblData(S.Holder.GetMetadata()));  // gone after Clear
  S.Extractor.SetScriptFileName(Dir.Path() + "*.sql");

  EXPECT_TRUE(S.Extractor.ExtractDatabase());
  EXPECT_EQ(S.Extractor.GetMsgManager()->GetMsgCount(), 0);
  TObjs& O = S.Objs();
  EXPECT_EQ(O.ExtractFrom, efScript);
  EXPECT_EQ(O.GetDatabaseType(), dbPostgreSQL);
  EXPECT_EQ(O.Tables.Count(), 2);
  EXPECT_TRUE(Uses(O.GetIndex("I"), O.GetTable("U")));
  EXPECT_TRUE(Uses(O.GetView("V"), O.GetTable("T")));
  // The log set on the extractor after the parser was made still reaches the parser.
  EXPECT_EQ(Log.front(), "Parse Script: " + Dir.Path() + "1.sql");

  // Every extraction starts from an empty holder: U is gone, so the index of 1.sql names a
  // table no script defines (an error once every script is read), and nothing is linked.
  Dir.Write("2.sql", "");
  EXPECT_FALSE(S.Extractor.ExtractDatabase());
  const TMsgManager& Msgs = *S.Extractor.GetMsgManager();
  ASSERT_EQ(Msgs.GetMsgCount(), 1);
  EXPECT_EQ(Msgs.Items(0).Text, "Index I is on table U, which no script defines.");
  EXPECT_EQ(Msgs.Items(0).ScriptName, Dir.Path() + "1.sql");
  EXPECT_EQ(Msgs.Items(0).Line, 2);
  EXPECT_EQ(O.Tables.Count(), 1);
  EXPECT_TRUE(O.GetIndex("I")->UseOf.Empty());
}

TEST(ScriptExtract, ScriptLinesAreKeptOnlyWhenAsked) {
  TTempDir Dir;
  Dir.Write("1.sql", "TABLE T (A);\r\nINDEX I ON T;\n");
  for (const bool Keep : {true, false}) {
    SCOPED_TRACE(Keep);
    TScriptSide S;
    S.Extractor.KeepScriptText = Keep;
    S.Extractor.SetScriptFileName(Dir.Path() + "1.sql");
    EXPECT_TRUE(S.Extractor.ExtractDatabase());
    const std::vector<std::string> Lines = {"TABLE T (A);", "INDEX I ON T;"};
    EXPECT_EQ(Names(S.Extractor.ScriptText), Keep ? Lines : std::vector<std::string>());
    // The schema read is the same either way.
    EXPECT_TRUE(Uses(S.Objs().GetIndex("I"), S.Objs().GetTable("T")));
  }
}

TEST(ScriptExtract, AFailedSecondScriptKeepsTheFirstsObjectsAndLinksNothing) {
  TTempDir Dir;
  Dir.Write("1.sql", "TABLE T (A);\r\nINDEX I ON T;\r\n");
  Dir.Write("2.sql", "TABLE U (B;\r\n");
  TScriptSide S;
  S.Extractor.SetScriptFileName(Dir.Path() + "*.sql");
  EXPECT_FALSE(S.Extractor.ExtractDatabase());
  EXPECT_NE(S.Objs().GetTable("T"), nullptr);
  EXPECT_TRUE(S.Objs().GetIndex("I")->UseOf.Empty());
  EXPECT_TRUE(S.Extractor.GetMsgManager()->GetIsErr());
}

// A name that is no readable script fails the extraction with the system's reason: a folder
// given for a file, a path through a file, a file the user may not read.
TEST(ScriptExtract, AScriptThatCannotBeReadSaysWhy) {
  TTempDir Dir;
  const std::string File = Dir.Write("a.sql", "TABLE T (A);\r\n");
  const std::string Locked = Dir.Write("locked.sql", "TABLE T (A);\r\n");
  std::filesystem::permissions(Locked, std::filesystem::perms::none);
  std::filesystem::create_directory(Dir.Path() + "folder.sql");
  struct TCase {
    std::string Name;
    std::string Message;
    bool OnlyUnprivileged;  ///< the superuser reads any file
  };
  const TCase Cases[] = {
      {Dir.Path() + "folder.sql", "Script not load: " + Dir.Path() + "folder.sql (Is a directory)",
       false},
      {File + "/x.sql", "Script not load: " + File + "/x.sql (Not a directory)", false},
      {Dir.Path() + "missing.sql", "File not found: " + Dir.Path() + "missing.sql", false},
      {Locked, "Script not load: " + Locked + " (Permission denied)", true},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    if (C.OnlyUnprivileged && geteuid() == 0) continue;
    TScriptSide S;
    S.Extractor.SetScriptFileName(C.Name);
    EXPECT_FALSE(S.Extractor.ExtractDatabase());
    EXPECT_EQ(MsgTexts(*S.Extractor.GetMsgManager()), std::vector<std::string>{C.Message});
  }
}

TEST(ScriptExtract, TheLoadHandlerSuppliesScriptsAndItsRefusalFails) {
  TScriptSide S;
  std::vector<std::string> Asked;
  S.Extractor.OnLoadScript = [&](TObject*, const std::string& FileName, TStrings* Script,
                                 bool& Loaded) {
    Asked.push_back(FileName);
    if (FileName == "/nowhere/first.sql") {
      Script->SetText("TABLE T (A);");
      Loaded = true;
    }
  };
  S.Extractor.SetScriptFileName("\"/nowhere/first.sql\" \"/nowhere/second.sql\"");
  EXPECT_FALSE(S.Extractor.ExtractDatabase());
  EXPECT_EQ(Asked, (std::vector<std::string>{"/nowhere/first.sql", "/nowhere/second.sql"}));
  EXPECT_NE(S.Objs().GetTable("T"), nullptr);
  EXPECT_EQ(MsgTexts(*S.Extractor.GetMsgManager()),
            std::vector<std::string>{"Script not load: /nowhere/second.sql"});
}

TEST(ScriptExtract, MissingHolderOrFileNamesAreReported) {
  TTestScriptExtract Alone;
  Alone.SetScriptFileName("/nowhere/a.sql");
  EXPECT_FALSE(Alone.ExtractDatabase());
  EXPECT_EQ(MsgTexts(*Alone.GetMsgManager()),
            std::vector<std::string>{"DBStructure not assigned. (TTestScriptExtract) TestExtract"});
  TStringList Lines;
  Lines.Add("TABLE T;");
  EXPECT_FALSE(Alone.ExtractDatabase(Lines));
  EXPECT_EQ(Alone.GetMsgManager()->GetErrCount(), 1);

  TScriptSide S;
  EXPECT_FALSE(S.Extractor.ExtractDatabase());
  EXPECT_EQ(
      MsgTexts(*S.Extractor.GetMsgManager()),
      std::vector<std::string>{"ScriptFileName(s) is empty. (TTestScriptExtract) TestExtract"});
}

TEST(ScriptExtract, ReadsAGivenText) {
  TScriptSide S;
  S.Extractor.SetScriptFileName("/nowhere/given.sql");
  TStringList Lines;
  Lines.SetText("TABLE T (A);\r\nINDEX I ON T;");
  EXPECT_TRUE(S.Extractor.ExtractDatabase(Lines));
  EXPECT_TRUE(Uses(S.Objs().GetIndex("I"), S.Objs().GetTable("T")));
  EXPECT_EQ(S.Objs().ExtractFrom, efScript);

  // The extractor's own script text may be given; it is read, not emptied first.
  S.Extractor.ScriptText.SetText("TABLE U (B #);");
  EXPECT_FALSE(S.Extractor.ExtractDatabase(S.Extractor.ScriptText));
  ASSERT_EQ(S.Extractor.GetMsgManager()->GetMsgCount(), 1);
  EXPECT_EQ(S.Extractor.GetMsgManager()->Items(0).ScriptName, "/nowhere/given.sql");
  EXPECT_EQ(S.Objs().GetTable("T"), nullptr);
}

TEST(ScriptExtract, TheParserLivesExactlyWhileAHolderIsLinked) {
  TTestScriptExtract Extractor;
  EXPECT_EQ(Extractor.GetParser(), nullptr);
  auto Holder = std::make_unique<TDBStructure>(nullptr);
  Extractor.SetDBStructure(Holder.get());
  ASSERT_NE(Extractor.GetParser(), nullptr);
  EXPECT_EQ(Extractor.GetParser()->Objs, Holder->GetObjs());
  // A handler set later reaches the parser.
  int Errors = 0;
  Extractor.SetOnErrorMessage([&](TObject*, const std::string&) { ++Errors; });
  Extractor.GetParser()->DoErrorMessage("x");
  EXPECT_EQ(Errors, 1);

  Holder.reset();
  EXPECT_EQ(Extractor.GetDBStructure(), nullptr);
  EXPECT_EQ(Extractor.GetParser(), nullptr);
  EXPECT_FALSE(Extractor.ExtractDatabase());
}

TEST(ScriptExtract, WhoeverReadsTheMessageListSeesTheExtractorsOwnReports) {
  // The comparer copies an extractor's message list and decides by its errors; a missing
  // script must be among them, or a schema without its objects would pass for a good one.
  TScriptSide S;
  S.Extractor.SetScriptFileName("/nowhere/schema.sql");
  EXPECT_FALSE(S.Extractor.ExtractDatabase());
  TMsgManager Comparer;
  Comparer.CopyFrom(S.Extractor.GetMsgManager());
  EXPECT_TRUE(Comparer.GetIsErr());
  EXPECT_EQ(MsgTexts(Comparer), std::vector<std::string>{"File not found: /nowhere/schema.sql"});
  EXPECT_EQ(S.Extractor.MsgManager.GetErrCount(), 1);
}

}  // namespace
}  // namespace qel
