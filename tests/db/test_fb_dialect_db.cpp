// The InterBase/Firebird dialect end to end on the Firebird 3 server, with databases made by
// isql-fb in a folder of their own:
//   - a database built from a script reads from the RDB$ tables as the script reads: the two
//     compare to no statement either way;
//   - the example program's compare --execute brings a database built from one script to the
//     isql-fb -x output of a database built from the other, and a second comparison prints no
//     statement; its extract writes a script that rebuilds the database, and the master script
//     compares to no statement with both databases;
//   - the update it writes between two scripts (for Firebird 3) runs on the server;
//   - the isql-fb -x output of each database reads back through the script extractor without
//     an error and compares with its database to no statement, either way;
//   - the golden order-entry update runs through the executor (RECONNECT, SET TERM blocks);
//   - a statement the server refuses (when run, or only at its commit) stops the executor with
//     BreakOnError: the error names it, nothing after it runs, and the database holds exactly
//     the statements the log shows run before it (each DDL statement commits on its own);
//   - a refused login and a missing database file come back as messages;
//   - the descriptions the executor writes (COMMENT ON) read back from the catalog; the forms
//     of older servers (RDB$ writes, DESCRIBE) go as written and come back as refusals.
// Dumps leave out the CREATE DATABASE comment and number the names the server makes up.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "Text.h"
#include "db_servers.h"
#include "pg_dump_util.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelDBStructure.h"
#include "qelIBDatabaseExtract.h"
#include "qelIBSQLExec.h"
#include "qelIBScriptExtract.h"
#include "qelVarnel.h"

using namespace qel;
using namespace qel::testing;

namespace {

const std::string Fixtures = std::string(QEL_FIXTURES_DIR) + "/";
const std::string Examples = std::string(QEL_FIXTURES_DIR) + "/../../examples/data/firebird/";

/// Firebird databases in a folder the server may write, made and read with isql-fb.
class TFbTools {
 public:
  TFbTools() {
    Dir = ::testing::TempDir() + "/qel_fb_" + std::to_string(::getpid());
    std::filesystem::create_directories(Dir);
    ::chmod(Dir.c_str(), 0777);  // the server runs as a user of its own
  }
  ~TFbTools() { std::filesystem::remove_all(Dir); }

  std::string Path(const std::string& Db) const { return Dir + "/" + Db + ".fdb"; }
  std::string Server() const { return Env("QEL_FB_HOST") + "/" + Env("QEL_FB_PORT"); }
  std::string URI(const std::string& Db) const {
    return "firebird://" + Env("QEL_FB_USER") + ":" + Env("QEL_FB_PASSWORD") + "@" +
           Env("QEL_FB_HOST") + ":" + Env("QEL_FB_PORT") + "/" + Path(Db);
  }
  std::string Isql(const std::string& Db) const {
    return "isql-fb -q -b -user " + ShellQuoted(Env("QEL_FB_USER")) + " -password " +
           ShellQuoted(Env("QEL_FB_PASSWORD")) + " " + ShellQuoted(Server() + ":" + Path(Db));
  }

  /// Db made afresh and empty; the reason when that failed.
  std::string Fresh(const std::string& Db) const {
    std::filesystem::remove(Path(Db));
    const std::string Sql = "CREATE DATABASE '" + Server() + ":" + Path(Db) + "' USER '" +
                            Env("QEL_FB_USER") + "' PASSWORD '" + Env("QEL_FB_PASSWORD") +
                            "' DEFAULT CHARACTER SET UTF8;\nCOMMIT;\n";
    std::string Out;
    return Shell("printf '%s' " + ShellQuoted(Sql) + " | isql-fb -q -b", Out) == 0 ? "" : Out;
  }

  /// Runs the script File in Db (committed at its end); the reason when it failed.
  std::string Run(const std::string& Db, const std::string& File) const {
    std::string Out;
    const int Code =
        Shell("(cat " + ShellQuoted(File) + "; printf '\\nCOMMIT;\\n') | " + Isql(Db), Out);
    return Code == 0 ? "" : Out.empty() ? "exit code " + std::to_string(Code) : Out;
  }

  std::string Load(const std::string& Db, const std::string& File) const {
    const std::string Failure = Fresh(Db);
    return Failure.empty() ? Run(Db, File) : Failure;
  }

  /// isql-fb -x of Db without the database line, server-made names numbered alike.
  std::string Dump(const std::string& Db) const {
    std::string Out;
    Shell("isql-fb -x -user " + ShellQuoted(Env("QEL_FB_USER")) + " -password " +
              ShellQuoted(Env("QEL_FB_PASSWORD")) + " " + ShellQuoted(Server() + ":" + Path(Db)),
          Out);
    std::string R;
    std::size_t Start = 0;
    while (Start < Out.size()) {
      std::size_t End = Out.find('\n', Start);
      if (End == std::string::npos) End = Out.size();
      const std::string L = Out.substr(Start, End - Start);
      Start = End + 1;
      if (L.empty() || L.rfind("/* CREATE DATABASE", 0) == 0) continue;
      R += L + "\n";
    }
    R = std::regex_replace(R, std::regex("RDB\\$[0-9]+"), "RDB$n");
    return std::regex_replace(R, std::regex("INTEG_[0-9]+"), "INTEG_n");
  }

  /// Runs the example program; its exit code, standard output in Out, standard error in Err.
  int Varnel(const std::string& Args, std::string& Out, std::string& Err) const {
    const std::string OutFile = Dir + "/out.txt";
    // The parentheses keep standard error out of the file (Shell takes it with 2>&1).
    const int Code = Shell(
        "(" + ShellQuoted(QEL_VARNEL_PROGRAM) + " " + Args + " >" + ShellQuoted(OutFile) + ")",
        Err);
    Out = ReadFile(OutFile);
    return Code;
  }

  std::string Dir;
};

/// Lines of a script that change the schema.
int StatementCount(const std::string& Script) {
  int N = 0;
  std::size_t Start = 0;
  while (Start < Script.size()) {
    std::size_t End = Script.find('\n', Start);
    if (End == std::string::npos) End = Script.size();
    const std::string L = UpperCase(TrimLeft(Script.substr(Start, End - Start)));
    for (const char* W : {"CREATE ", "ALTER ", "DROP ", "COMMENT ", "GRANT ", "REVOKE "})
      if (L.rfind(W, 0) == 0) ++N;
    Start = End + 1;
  }
  return N;
}

const char* const Schemas[] = {"../../examples/data/firebird/orders_v1.sql",
                               "../../examples/data/firebird/orders_v2.sql",
                               "fb_complete/schema.sql"};

/// A connection to database Db of the tools.
std::unique_ptr<TQELConnection> Connection(const TFbTools& T, const std::string& Db,
                                           const std::string& Password) {
  auto C = std::make_unique<TQELConnection>(nullptr);
  C->SetConnectionType(cnFIB);
  C->SetDatabaseType(dbInterBase);
  TConnectionOptions& O = C->GetConnectionOptions();
  O.HostName = Env("QEL_FB_HOST");
  O.Port = std::atoi(Env("QEL_FB_PORT").c_str());
  O.UserName = Env("QEL_FB_USER");
  O.Password = Password;
  O.SetDatabaseName(T.Path(Db));
  C->OnErrorMessage = [](TObject*, const std::string&) {};
  return C;
}

}  // namespace

TEST(FbDialectDb, TheCatalogReadsAsTheScript) {
  const TFbTools T;
  for (const char* Name : Schemas) {
    const std::string File = Fixtures + Name;
    ASSERT_EQ(T.Load("qel_fbd", File), "") << Name;
    for (const std::string& Args :
         {"--master " + ShellQuoted(File) + " --target-db " + ShellQuoted(T.URI("qel_fbd")),
          "--master-db " + ShellQuoted(T.URI("qel_fbd")) + " --target " + ShellQuoted(File)}) {
      std::string Out, Err;
      ASSERT_EQ(T.Varnel("compare --dialect firebird " + Args, Out, Err), 0) << Name << Err;
      EXPECT_EQ(StatementCount(Out), 0) << Name << "\n" << Out;
    }
  }
}

TEST(FbDialectDb, IsqlExtractReadsBackAsItsDatabase) {
  const TFbTools T;
  std::vector<std::string> Names(std::begin(Schemas), std::end(Schemas));
  for (const auto& E : std::filesystem::directory_iterator(Fixtures + "fb_complete/cases"))
    for (const char* Side : {"/master.sql", "/target.sql"})
      Names.push_back("fb_complete/cases/" + E.path().filename().string() + Side);
  for (const std::string& Name : Names) {
    SCOPED_TRACE(Name);
    ASSERT_EQ(T.Load("qel_fbx", Fixtures + Name), "");
    const std::string Dump = T.Dir + "/isql_x.sql";
    std::filesystem::remove(Dump);  // -o appends
    std::string Out;
    ASSERT_EQ(
        Shell("isql-fb -x -user " + ShellQuoted(Env("QEL_FB_USER")) + " -password " +
                  ShellQuoted(Env("QEL_FB_PASSWORD")) + " " +
                  ShellQuoted(T.Server() + ":" + T.Path("qel_fbx")) + " -o " + ShellQuoted(Dump),
              Out),
        0)
        << Out;
    for (const bool ScriptIsMaster : {true, false}) {
      auto C = Connection(T, "qel_fbx", Env("QEL_FB_PASSWORD"));
      TDBStructure SH(nullptr), DH(nullptr);
      TIBScriptExtract SX(nullptr);
      TIBDBExtract DX(nullptr);
      const TErrorMessageEvent Quiet = [](TObject*, const std::string&) {};
      SX.SetDBStructure(&SH);
      SX.SetOnErrorMessage(Quiet);
      TStringList Files;
      Files.Add(Dump);
      SX.SetScriptFileNames(Files);
      DX.SetConnection(C.get());
      DX.SetDBStructure(&DH);
      DX.SetOnErrorMessage(Quiet);
      TVarnel V(nullptr);
      V.OnErrorMessage = Quiet;
      V.GetIBServerOptions().GetIBCompareOptions().SetUpdateDescriptionMode(udComment);
      V.GetIBServerOptions().GetIBCompareOptions().FldCharsetCompare = true;
      V.SetDBMaster(ScriptIsMaster ? &SH : &DH);
      V.SetDBTarget(ScriptIsMaster ? &DH : &SH);
      V.SetExtractorMaster(ScriptIsMaster ? static_cast<TCustomExtract*>(&SX) : &DX);
      V.SetExtractorTarget(ScriptIsMaster ? static_cast<TCustomExtract*>(&DX) : &SX);
      ASSERT_TRUE(V.ExtractDatabases());
      std::string Errors;
      for (int I = 0; I < V.MsgManager.GetMsgCount(); ++I)
        if (V.MsgManager.Items(I).MsgType == mt_Err)
          Errors +=
              std::to_string(V.MsgManager.Items(I).Line) + ": " + V.MsgManager.Items(I).Text + "\n";
      EXPECT_EQ(Errors, "") << ReadFile(Dump);
      std::string Script;
      if (V.CompareDatabases() && V.GetSQLExec()) {
        TStringList Lines;
        V.GetSQLExec()->GetScript(Lines, false);
        for (int I = 0; I < Lines.Count(); ++I) Script += Lines[I] + "\n";
      }
      EXPECT_EQ(StatementCount(Script), 0)
          << (ScriptIsMaster ? "script -> database\n" : "") << Script;
    }
  }
}

TEST(FbDialectDb, LiveUpdatesReachTheMasterAndExtractRebuilds) {
  const TFbTools T;
  std::vector<std::pair<std::string, std::string>> Pairs = {{Schemas[0], Schemas[1]},
                                                            {Schemas[1], Schemas[0]},
                                                            {Schemas[0], Schemas[2]},
                                                            {Schemas[2], Schemas[1]}};
  // Schema changes of a few kinds each: target.sql and master.sql of fb_complete/cases/*.
  std::vector<std::string> Cases;
  for (const auto& E : std::filesystem::directory_iterator(Fixtures + "fb_complete/cases"))
    Cases.push_back(E.path().filename().string());
  std::sort(Cases.begin(), Cases.end());
  for (const std::string& C : Cases)
    Pairs.emplace_back("fb_complete/cases/" + C + "/target.sql",
                       "fb_complete/cases/" + C + "/master.sql");
  for (const auto& [TargetName, MasterName] : Pairs) {
    const std::string Master = Fixtures + MasterName, Target = Fixtures + TargetName;
    SCOPED_TRACE(TargetName + " -> " + MasterName);
    ASSERT_EQ(T.Load("qel_fbm", Master), "");
    ASSERT_EQ(T.Load("qel_fbt", Target), "");
    const std::string Args = "compare --dialect firebird --master " + ShellQuoted(Master) +
                             " --target-db " + ShellQuoted(T.URI("qel_fbt"));
    std::string Out, Err;
    ASSERT_EQ(T.Varnel(Args + " --execute", Out, Err), 0) << Err << Out;
    EXPECT_EQ(T.Dump("qel_fbt"), T.Dump("qel_fbm")) << Out;
    ASSERT_EQ(T.Varnel(Args, Out, Err), 0) << Err;
    EXPECT_EQ(StatementCount(Out), 0) << Out;

    const std::string Script = T.Dir + "/extract.sql";
    ASSERT_EQ(T.Varnel("extract --db " + ShellQuoted(T.URI("qel_fbm")) + " --output " +
                           ShellQuoted(Script),
                       Out, Err),
              0)
        << Err;
    ASSERT_EQ(T.Load("qel_fbr", Script), "") << ReadFile(Script);
    EXPECT_EQ(T.Dump("qel_fbr"), T.Dump("qel_fbm")) << ReadFile(Script);
    // The master script compares to no statement with the database built from it and with the
    // one its extract rebuilt.
    for (const char* Db : {"qel_fbm", "qel_fbr"}) {
      ASSERT_EQ(T.Varnel("compare --dialect firebird --master " + ShellQuoted(Master) +
                             " --target-db " + ShellQuoted(T.URI(Db)),
                         Out, Err),
                0)
          << Err;
      EXPECT_EQ(StatementCount(Out), 0) << Db << "\n" << Out;
    }
  }
}

// Two scripts compared with no database to ask: the update is written for Firebird 3 (its DDL
// for defaults, NOT NULL and types, no writes to its read-only system tables) and runs there.
TEST(FbDialectDb, AScriptToScriptUpdateRunsOnFirebird3) {
  const TFbTools T;
  std::vector<std::string> Cases;
  for (const auto& E : std::filesystem::directory_iterator(Fixtures + "fb_complete/cases"))
    Cases.push_back("fb_complete/cases/" + E.path().filename().string());
  std::sort(Cases.begin(), Cases.end());
  for (const std::string& C : Cases) {
    SCOPED_TRACE(C);
    const std::string Master = Fixtures + C + "/master.sql", Target = Fixtures + C + "/target.sql";
    std::string Out, Err;
    ASSERT_EQ(T.Varnel("compare --dialect firebird --master " + ShellQuoted(Master) + " --target " +
                           ShellQuoted(Target),
                       Out, Err),
              0)
        << Err;
    ASSERT_EQ(T.Load("qel_fbm", Master), "");
    ASSERT_EQ(T.Load("qel_fbt", Target), "");
    auto Conn = Connection(T, "qel_fbt", Env("QEL_FB_PASSWORD"));
    TIBSQLExec E(nullptr);
    std::vector<std::string> Errors;
    E.OnErrorMessage = [&Errors](TObject*, const std::string& Text) { Errors.push_back(Text); };
    E.SetConnection(Conn.get());
    E.GetConnectionOptions().Assign(Conn->GetConnectionOptions());  // RECONNECT opens it again
    E.BreakOnError = true;
    TStringList Lines;
    Lines.SetText(Out);
    E.LoadScript(Lines);
    ASSERT_FALSE(E.MsgManager.GetIsErr()) << (Errors.empty() ? "" : Errors[0]) << "\n" << Out;
    EXPECT_TRUE(E.ExecuteScript()) << (Errors.empty() ? "" : Errors[0]) << "\n" << Out;
    E.DisconnectFromDatabase();
    EXPECT_EQ(T.Dump("qel_fbt"), T.Dump("qel_fbm")) << Out;
  }
}

TEST(FbDialectDb, TheOrderEntryUpdateRunsThroughTheExecutor) {
  const TFbTools T;
  ASSERT_EQ(T.Load("qel_fbm", Examples + "orders_v2.sql"), "");
  ASSERT_EQ(T.Load("qel_fbt", Examples + "orders_v1.sql"), "");
  auto C = Connection(T, "qel_fbt", Env("QEL_FB_PASSWORD"));
  TIBSQLExec E(nullptr);
  std::vector<std::string> Errors;
  E.OnErrorMessage = [&Errors](TObject*, const std::string& Text) { Errors.push_back(Text); };
  E.SetConnection(C.get());
  E.GetConnectionOptions().Assign(C->GetConnectionOptions());  // RECONNECT opens it again
  E.BreakOnError = true;
  TStringList Lines;
  Lines.SetText(ReadFile(Fixtures + "firebird/orders_update.sql"));
  E.LoadScript(Lines);
  ASSERT_FALSE(E.MsgManager.GetIsErr());
  EXPECT_TRUE(E.ExecuteScript()) << (Errors.empty() ? "" : Errors[0]);
  E.DisconnectFromDatabase();
  EXPECT_EQ(T.Dump("qel_fbt"), T.Dump("qel_fbm"));
}

TEST(FbDialectDb, ARefusedStatementStopsTheRunAndWhatRanBeforeItStays) {
  const TFbTools T;
  const std::string Setup = T.Dir + "/setup.sql";
  {
    std::ofstream Out(Setup);
    Out << "CREATE TABLE DUP (X INTEGER);\nCOMMIT;\nINSERT INTO DUP VALUES (1);\n"
           "INSERT INTO DUP VALUES (1);\n";
  }
  const struct {
    const char* Refused;
    const char* Reason;
  } Cases[] = {
      // Refused when run: the table does not exist.
      {"ALTER TABLE NO_SUCH ADD X INTEGER;", "NO_SUCH"},
      // Refused only at its commit, when the server builds the index over duplicate rows.
      {"CREATE UNIQUE INDEX IX_DUP ON DUP (X);", "IX_DUP"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Refused);
    ASSERT_EQ(T.Load("qel_fbe", Setup), "");
    auto C = Connection(T, "qel_fbe", Env("QEL_FB_PASSWORD"));
    TIBSQLExec E(nullptr);
    std::vector<std::string> Errors, Log;
    E.OnErrorMessage = [&Errors](TObject*, const std::string& Text) { Errors.push_back(Text); };
    E.OnLogNextLine = [&Log](TObject*, const std::string& Text) { Log.push_back(Text); };
    E.SetConnection(C.get());
    E.BreakOnError = true;
    TStringList Lines;
    Lines.SetText("CREATE TABLE T_ONE (ID INTEGER);\nCREATE TABLE T_TWO (ID INTEGER);\n" +
                  std::string(Case.Refused) + "\nCREATE TABLE T_THREE (ID INTEGER);\n");
    E.LoadScript(Lines);
    ASSERT_EQ(E.GetStatementsCount(), 4);
    EXPECT_FALSE(E.ExecuteScript());
    EXPECT_EQ(E.ErrorCount, 1);
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_NE(Errors[0].find(Case.Reason), std::string::npos) << Errors[0];
    // The error is the refused statement's, and its message points at it.
    EXPECT_EQ(E.GetStatement(2)->ErrorText, Errors[0]);
    const TMsgData* Err = nullptr;
    for (int I = 0; I < E.MsgManager.GetMsgCount(); ++I)
      if (E.MsgManager.Items(I).MsgType == mt_Err) Err = &E.MsgManager.Items(I);
    ASSERT_NE(Err, nullptr);
    EXPECT_EQ(Err->Obj, E.GetStatement(2));
    EXPECT_NE(std::find(Log.begin(), Log.end(), "< Break on Error! >"), Log.end());
    // Run, by the log: each statement it shows run and that holds no error.
    std::vector<std::string> Ran;
    for (int I = 0; I < E.GetStatementsCount(); ++I) {
      const TStatement* S = E.GetStatement(I);
      const bool Logged =
          std::find(Log.begin(), Log.end(), "< Exec SQL >: " + S->GetCaption()) != Log.end();
      EXPECT_EQ(Logged, I <= 2) << S->GetCaption();
      if (Logged && S->ErrorText.empty()) Ran.push_back(S->ObjName);
    }
    EXPECT_EQ(Ran, (std::vector<std::string>{"T_ONE", "T_TWO"}));
    E.DisconnectFromDatabase();
    // Held, by the catalog, read on the connection opened afresh.
    C->SetConnected(true);
    std::unique_ptr<TQELQuery> Q(C->CreateQuery(nullptr));
    Q->SetSQLText(
        "SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME STARTING "
        "WITH 'T_' UNION ALL SELECT TRIM(RDB$INDEX_NAME) FROM RDB$INDICES WHERE "
        "RDB$INDEX_NAME = 'IX_DUP' ORDER BY 1");
    Q->Open();
    std::vector<std::string> Held;
    for (; !Q->GetEof(); Q->Next()) Held.push_back(Q->GetFields()->Fields(0)->AsString());
    Q.reset();
    C->SetConnected(false);
    EXPECT_EQ(Held, Ran);
  }
}

TEST(FbDialectDb, ARefusedLoginAndAMissingFileAreMessages) {
  const TFbTools T;
  ASSERT_EQ(T.Load("qel_fbd", Examples + "orders_v1.sql"), "");
  const struct {
    const char* Db;
    std::string Password;
    const char* Expected;
  } Cases[] = {{"qel_fbd", "not-the-password", "password"},
               {"qel_fb_missing", Env("QEL_FB_PASSWORD"), "qel_fb_missing.fdb"}};
  for (const auto& Case : Cases) {
    auto C = Connection(T, Case.Db, Case.Password);
    TDBStructure Holder(nullptr);
    TIBDBExtract X(nullptr);
    X.SetConnection(C.get());
    X.SetDBStructure(&Holder);
    X.SetOnErrorMessage([](TObject*, const std::string&) {});
    bool Extracted = true;
    EXPECT_NO_THROW(Extracted = X.ExtractDatabase());
    EXPECT_FALSE(Extracted) << Case.Db;
    ASSERT_TRUE(X.GetMsgManager()->GetIsErr()) << Case.Db;
    std::string All;
    for (int I = 0; I < X.GetMsgManager()->GetMsgCount(); ++I)
      All += X.GetMsgManager()->Items(I).Text + "\n";
    EXPECT_NE(LowerCase(All).find(LowerCase(Case.Expected)), std::string::npos) << All;
    EXPECT_FALSE(std::filesystem::exists(T.Path("qel_fb_missing")));
  }
}

TEST(FbDialectDb, DescriptionsTheExecutorWritesReadBack) {
  const TFbTools T;
  ASSERT_EQ(T.Load("qel_fbd", Fixtures + "fb_complete/schema.sql"), "");
  auto C = Connection(T, "qel_fbd", Env("QEL_FB_PASSWORD"));
  // The schema read from the catalog, each description changed and written by the executor.
  TDBStructure Holder(nullptr);
  TIBDBExtract X(nullptr);
  X.SetConnection(C.get());
  X.SetDBStructure(&Holder);
  ASSERT_TRUE(X.ExtractDatabase());
  TObjs* O = Holder.GetMetadata();
  O->IBServerOptions.GetIBCompareOptions().SetUpdateDescriptionMode(udComment);
  std::vector<TDbObj*> Described;
  for (TDbObjList* L : {&O->Domains, &O->Tables, &O->Views, &O->Procedures, &O->Triggers,
                        &O->Exceptions, &O->Generators, &O->Indexes, &O->Roles})
    for (int I = 0; I < L->Count(); ++I) Described.push_back(L->Objects(I));
  Described.push_back(O->GetTable("ITEM")->Fields.Find("TITLE"));
  Described.push_back(dynamic_cast<TPrcData*>(O->Procedures.FindObj("ITEM_PARTS"))->Params[0]);
  TIBSQLExec E(nullptr);
  std::vector<std::string> Errors;
  E.OnErrorMessage = [&Errors](TObject*, const std::string& Text) { Errors.push_back(Text); };
  E.SetConnection(C.get());
  for (TDbObj* Obj : Described) {
    ASSERT_NE(Obj, nullptr);
    Obj->SetExtra(&TObjExtra::Description, "it's " + Obj->GetObjName() + "\nline two");
    E.Add(Obj->DescriptionDef(), stDescription, Obj->GetObjName());
  }
  EXPECT_TRUE(E.ExecuteScript()) << (Errors.empty() ? "" : Errors[0]);
  E.DisconnectFromDatabase();

  TDBStructure Again(nullptr);
  X.SetDBStructure(&Again);
  ASSERT_TRUE(X.ExtractDatabase());
  TObjs* A = Again.GetMetadata();
  int Found = 0;
  for (TDbObjList* L : {&A->Domains, &A->Tables, &A->Views, &A->Procedures, &A->Triggers,
                        &A->Exceptions, &A->Generators, &A->Indexes, &A->Roles})
    for (int I = 0; I < L->Count(); ++I, ++Found)
      EXPECT_EQ(L->Objects(I)->Extra().Description,
                "it's " + L->Objects(I)->GetObjName() + "\nline two");
  EXPECT_EQ(Found + 2, static_cast<int>(Described.size()));
  EXPECT_EQ(A->GetTable("ITEM")->Fields.Find("TITLE")->Extra().Description, "it's TITLE\nline two");
  EXPECT_EQ(
      dynamic_cast<TPrcData*>(A->Procedures.FindObj("ITEM_PARTS"))->Params[0]->Extra().Description,
      "it's ITEM\nline two");
}

TEST(FbDialectDb, OlderDescriptionFormsAreRefusedAsErrors) {
  // The forms older servers take, sent as written: Firebird 3 keeps its system tables
  // read-only and knows no DESCRIBE, and the run says so instead of passing over it.
  const TFbTools T;
  ASSERT_EQ(T.Load("qel_fbd", Examples + "orders_v1.sql"), "");
  const struct {
    TUpdateDescriptionType Mode;
    const char* Start;
    const char* Refusal;
  } Cases[] = {
      {udSysTables, "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION", "not allowed for system table"},
      {udDescribe, "DESCRIBE TABLE CUSTOMER", "Token unknown"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Start);
    auto C = Connection(T, "qel_fbd", Env("QEL_FB_PASSWORD"));
    TObjs O;
    O.SetDatabaseType(dbInterBase);
    O.IBServerOptions.GetIBCompareOptions().SetUpdateDescriptionMode(Case.Mode);
    auto* Tbl = new TTblData(&O);
    Tbl->SetObjName("CUSTOMER");
    Tbl->SetExtra(&TObjExtra::Description, "changed");
    ASSERT_TRUE(O.AddObj(Tbl));
    const std::string Text = Tbl->DescriptionDef();
    ASSERT_EQ(Text.rfind(Case.Start, 0), 0u) << Text;
    TIBSQLExec E(nullptr);
    std::vector<std::string> Errors;
    E.OnErrorMessage = [&Errors](TObject*, const std::string& Msg) { Errors.push_back(Msg); };
    E.SetConnection(C.get());
    E.Add(Text, stDescription, "CUSTOMER");
    EXPECT_FALSE(E.ExecuteScript());
    ASSERT_FALSE(Errors.empty());
    EXPECT_NE(Errors[0].find(Case.Refusal), std::string::npos) << Errors[0];
    E.DisconnectFromDatabase();
  }
}
