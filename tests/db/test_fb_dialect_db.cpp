// The InterBase/Firebird dialect end to end on the Firebird 3 server, with databases made by
// isql-fb in a folder of their own:
//   - a database built from a script reads from the RDB$ tables as the script reads: the two
//     compare to no statement either way;
//   - the example program's compare --execute brings a database built from one script to the
//     isql-fb -x output of a database built from the other, and a second comparison prints no
//     statement; its extract writes a script that rebuilds the database;
//   - the golden order-entry update runs through the executor (RECONNECT, SET TERM blocks);
//   - a refused login and a missing database file come back as messages;
//   - the descriptions the executor writes (COMMENT ON) read back from the catalog.
// Dumps leave out the CREATE DATABASE comment and number the names the server makes up.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
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
    const int Code =
        Shell(ShellQuoted(QEL_VARNEL_PROGRAM) + " " + Args + " >" + ShellQuoted(OutFile), Err);
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
    Obj->Description = "it's " + Obj->GetObjName() + "\nline two";
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
      EXPECT_EQ(L->Objects(I)->Description, "it's " + L->Objects(I)->GetObjName() + "\nline two");
  EXPECT_EQ(Found + 2, static_cast<int>(Described.size()));
  EXPECT_EQ(A->GetTable("ITEM")->Fields.Find("TITLE")->Description, "it's TITLE\nline two");
  EXPECT_EQ(dynamic_cast<TPrcData*>(A->Procedures.FindObj("ITEM_PARTS"))->Params[0]->Description,
            "it's ITEM\nline two");
}

TEST(FbDialectDb, ASystemTableDescriptionIsRefusedAsAnError) {
  // The form older servers take: Firebird 3 keeps its system tables read-only, and the run says
  // so instead of passing over it.
  const TFbTools T;
  ASSERT_EQ(T.Load("qel_fbd", Examples + "orders_v1.sql"), "");
  auto C = Connection(T, "qel_fbd", Env("QEL_FB_PASSWORD"));
  TObjs O;
  O.SetDatabaseType(dbInterBase);
  auto* Tbl = new TTblData(&O);
  Tbl->SetObjName("CUSTOMER");
  Tbl->Description = "changed";
  ASSERT_TRUE(O.AddObj(Tbl));
  const std::string Text = Tbl->DescriptionDef();
  ASSERT_EQ(Text.rfind("UPDATE RDB$RELATIONS SET RDB$DESCRIPTION", 0), 0u) << Text;
  TIBSQLExec E(nullptr);
  std::vector<std::string> Errors;
  E.OnErrorMessage = [&Errors](TObject*, const std::string& Msg) { Errors.push_back(Msg); };
  E.SetConnection(C.get());
  E.Add(Text, stDescription, "CUSTOMER");
  EXPECT_FALSE(E.ExecuteScript());
  ASSERT_FALSE(Errors.empty());
  EXPECT_NE(Errors[0].find("not allowed for system table"), std::string::npos) << Errors[0];
  E.DisconnectFromDatabase();
}
