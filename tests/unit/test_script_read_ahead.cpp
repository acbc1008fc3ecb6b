// Reading the master's scripts on a second thread while the target's are read: every event,
// message box, message and the update script come out as when the master is read after the
// target, and every handler runs on the calling thread. (Run under ThreadSanitizer too.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Host.h"
#include "qelDBStructure.h"
#include "qelPGScriptExtract.h"
#include "qelScriptReadAhead.h"
#include "qelVarnel.h"

using namespace qel;

namespace {

/// A script of Tables tables; Extra is appended (a change, or a statement in error).
std::string Script(int Tables, const std::string& Extra) {
  std::string S;
  for (int I = 0; I < Tables; ++I) {
    const std::string T = std::string(1, 't').append(std::to_string(I));
    S += "CREATE TABLE " + T + " (id integer NOT NULL, name varchar(40), qty integer DEFAULT " +
         std::to_string(I) + ", CONSTRAINT " + T + "_pk PRIMARY KEY (id));\n";
    S += "CREATE INDEX " + T + "_name ON " + T + " (name);\n";
  }
  return S + Extra;
}

/// What a host saw of one extraction and comparison, in order.
struct TSeen {
  std::vector<std::string> Events;  ///< "<who> <event>: text", handlers and message boxes
  std::vector<std::string> Messages;
  bool Extracted = false;
  std::string Script;
  bool OnCallerThread = true;
};

struct TCase {
  const char* Name;
  std::string Master;
  std::string Target;
  bool ErrorHandlers;  ///< without them an error is a message box
  bool MissingMaster;  ///< the master names a file that is not there
};

TSeen ReadAndCompare(const TCase& C, const std::filesystem::path& Dir, bool AtOnce) {
  const std::filesystem::path M = Dir / "master.sql", T = Dir / "target.sql";
  std::ofstream(M, std::ios::binary) << C.Master;
  std::ofstream(T, std::ios::binary) << C.Target;

  TSeen Seen;
  const std::thread::id Caller = std::this_thread::get_id();
  auto Note = [&Seen, Caller](const std::string& Line) {
    Seen.OnCallerThread = Seen.OnCallerThread && std::this_thread::get_id() == Caller;
    Seen.Events.push_back(Line);
  };
  const TShowMessageHandler Before =
      SetShowMessageHandler([&Note](const std::string& Text) { Note("box: " + Text); });

  TDBStructure MH(nullptr), TH(nullptr);
  TPGScriptExtract MX(nullptr), TX(nullptr);
  TVarnel V(nullptr);
  for (auto [X, Who] : {std::pair{&MX, "master"}, std::pair{&TX, "target"}}) {
    const std::string W = Who;
    X->SetOnLogNextLine([&Note, W](TObject*, const std::string& S) { Note(W + " log: " + S); });
    X->SetOnProgressUpdate([&Note, W](TObject*, int Value, int Max) {
      Note(W + " progress: " + std::to_string(Value) + "/" + std::to_string(Max));
    });
    if (C.ErrorHandlers)
      X->SetOnErrorMessage(
          [&Note, W](TObject*, const std::string& S) { Note(W + " error: " + S); });
  }
  MX.SetDBStructure(&MH);
  TX.SetDBStructure(&TH);
  MX.SetScriptFileName(C.MissingMaster ? (Dir / "absent.sql").string() : M.string());
  TX.SetScriptFileName(T.string());
  V.OnErrorMessage = [&Note](TObject*, const std::string& S) { Note("comparer error: " + S); };
  V.SetDBMaster(&MH);
  V.SetDBTarget(&TH);
  V.SetExtractorMaster(&MX);
  V.SetExtractorTarget(&TX);
  // A handler between the two readings makes the comparer read the master after the target.
  if (!AtOnce) V.OnAfterExtractTarget = [](TObject*) {};
  EXPECT_EQ(V.ReadsScriptsAtOnce(), AtOnce);

  Seen.Extracted = V.ExtractDatabases();
  if (Seen.Extracted && V.CompareDatabases() && V.GetSQLExec()) {
    TStringList Lines;
    V.GetSQLExec()->GetScript(Lines, false);
    for (const std::string& L : Lines) Seen.Script += L + "\n";
  }
  for (int I = 0; I < V.MsgManager.GetMsgCount(); ++I) {
    const TMsgData& D = V.MsgManager.Items(I);
    Seen.Messages.push_back(std::to_string(D.MsgType) + " " + D.ScriptName + ":" +
                            std::to_string(D.Line) + ":" + std::to_string(D.Column) + " " + D.Text);
  }
  SetShowMessageHandler(Before);
  return Seen;
}

TEST(ScriptReadAhead, TwoThreadsSeeWhatOneThreadSees) {
  const std::string Bad = "CREATE TABLE broken (id integer,, name text);\n";
  const TCase Cases[] = {
      {"clean", Script(300, "CREATE TABLE extra (id integer);\n"), Script(300, ""), true, false},
      {"master error", Script(300, Bad), Script(300, ""), true, false},
      {"master error, message box", Script(300, Bad), Script(300, ""), false, false},
      {"target error", Script(300, ""), Script(300, Bad), true, false},
      {"master missing", "", Script(300, ""), false, true},
  };
  const std::filesystem::path Dir =
      std::filesystem::temp_directory_path() / ("qel_read_ahead_" + std::to_string(getpid()));
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    std::filesystem::create_directories(Dir);
    const TSeen Serial = ReadAndCompare(C, Dir, false);
    const TSeen AtOnce = ReadAndCompare(C, Dir, true);
    EXPECT_TRUE(AtOnce.OnCallerThread);
    EXPECT_EQ(AtOnce.Events, Serial.Events);
    EXPECT_EQ(AtOnce.Messages, Serial.Messages);
    EXPECT_EQ(AtOnce.Extracted, Serial.Extracted);
    EXPECT_EQ(AtOnce.Script, Serial.Script);
    EXPECT_FALSE(Serial.Events.empty());
  }
  std::filesystem::remove_all(Dir);
}

// The reader's own states, driven directly: how a reading ends decides which of the held events
// reach the host, and every way out puts the host's handlers back where they were.
TEST(ScriptReadAhead, EveryWayOutPutsTheHandlersBack) {
  enum TEnd { endFinish, endThrow, endDestroy };
  struct TEndCase {
    const char* Name;
    TEnd End;
    bool LogHandler;  ///< the host has a log handler; otherwise it stays empty throughout
  };
  const TEndCase Cases[] = {
      {"finished", endFinish, true},
      {"finished, no log handler", endFinish, false},
      {"reader throws", endThrow, true},
      {"destroyed unfinished", endDestroy, true},
  };
  const std::filesystem::path Dir =
      std::filesystem::temp_directory_path() / ("qel_read_ahead_end_" + std::to_string(getpid()));
  std::filesystem::create_directories(Dir);
  const std::filesystem::path File = Dir / "s.sql";
  std::ofstream(File, std::ios::binary) << Script(50, "CREATE TABLE broken (id integer,, x);\n");
  for (const TEndCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TDBStructure H(nullptr);
    TPGScriptExtract X(nullptr);
    X.SetDBStructure(&H);
    X.SetScriptFileName(File.string());
    int HostLogs = 0, HostErrors = 0;
    if (C.LogHandler) {
      X.SetOnLogNextLine([&HostLogs](TObject*, const std::string&) { ++HostLogs; });
    }
    X.SetOnErrorMessage([&HostErrors](TObject*, const std::string&) { ++HostErrors; });
    if (C.End == endThrow) {
      X.OnLoadScript = [](TObject*, const std::string&, TStrings*, bool&) {
        throw std::runtime_error("load refused");
      };
    }
    {
      std::unique_ptr<TScriptReadAhead> Ahead = TScriptReadAhead::Start(X);
      ASSERT_NE(Ahead, nullptr);
      switch (C.End) {
        case endFinish:
          EXPECT_FALSE(Ahead->Finish());  // the script holds an error
          EXPECT_EQ(HostErrors, 1);
          EXPECT_EQ(HostLogs > 0, C.LogHandler);
          break;
        case endThrow:
          EXPECT_THROW(Ahead->Finish(), std::runtime_error);
          EXPECT_EQ(HostErrors, 0);
          break;
        case endDestroy:
          break;  // the held events go with the reader
      }
    }
    if (C.End == endDestroy) {
      EXPECT_EQ(HostLogs + HostErrors, 0);
    }
    // The host's own handlers are back: they count, and an empty one stayed empty.
    const int Logs = HostLogs, Errors = HostErrors;
    X.GetOnErrorMessage()(&X, "after");
    EXPECT_EQ(HostErrors, Errors + 1);
    EXPECT_EQ(static_cast<bool>(X.GetOnLogNextLine()), C.LogHandler);
    if (C.LogHandler) {
      X.GetOnLogNextLine()(&X, "after");
      EXPECT_EQ(HostLogs, Logs + 1);
    }
  }
  std::filesystem::remove_all(Dir);
}

}  // namespace
