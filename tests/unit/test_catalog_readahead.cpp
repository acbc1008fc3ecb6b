// The master's catalog read on a second session while the target's is read, without a server:
// each side has a replay adapter of its own over the PostgreSQL recording, the master's changed
// where a case says. A comparison that reads ahead must end as one that reads the master after
// the target: the same events in the same order, the same messages and the same script, whatever
// fails, is cancelled or is lost on the way.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Text.h"
#include "pg_replay_util.h"
#include "qelCatalogReadAhead.h"
#include "qelPGScriptExtract.h"
#include "qelVarnel.h"

namespace {

using namespace qel;
using namespace qel::replay;
using namespace qel::testing;

std::string Recording() {
  return ReplayFixtureWithParts("pg_extract.replay");
}

/// Text with the answer to its Index-th query (from 0) replaced by Answer ("error\t..." or
/// "lost\t...").
std::string AnsweringAt(const std::string& Text, int Index, const std::string& Answer) {
  std::size_t At = 0;
  for (int I = 0; I <= Index; ++I) At = Text.find("\nquery\t", At + 1);
  const std::size_t Head = Text.find('\n', At + 1) + 1;
  return Text.substr(0, Head) + Answer + Text.substr(Text.find("\nend\n", Head));
}

/// One side: a replay adapter of its own, a connection through it, a catalog extractor and a
/// holder.
struct TSide {
  TSide(const char* Name, TconnectionType Type, const std::string& Text)
      : Fixture(std::make_shared<TReplayFixture>()) {
    Fixture->LoadFromText(Text, Name);
    TSQLLexRules Rules;
    Rules.DollarQuotes = Rules.EStrings = true;
    Replay = std::make_unique<TScopedReplayAdapter>(Name, Type, Fixture, Rules);
    C.SetConnectionType(Type);
    C.SetDatabaseType(dbPostgreSQL);
    TConnectionOptions& O = C.GetConnectionOptions();
    O.HostName = "127.0.0.1";
    O.Port = 5432;
    O.UserName = O.Password = "qel";
    O.SetDatabaseName("qel_pgx_extract");
    X.SetConnection(&C);
  }
  /// Sessions opened on this side's answers other than by its own connection: the read-ahead's.
  int OtherSessions() {
    const auto& Log = dynamic_cast<TReplayDatabase&>(*C.GetDatabase()).Log;
    return Fixture->Sessions - static_cast<int>(std::count(Log.begin(), Log.end(), "<connect>"));
  }
  /// The lines of the Index-th query of the answers, as an extractor opens it.
  std::vector<std::string> Query(int Index) const {
    std::vector<std::string> Lines;
    const std::string& Text = Fixture->Entries()[static_cast<std::size_t>(Index)].Text;
    for (std::size_t From = 0;;) {
      const std::size_t To = Text.find("\r\n", From);
      Lines.push_back(Text.substr(From, To - From));
      if (To == std::string::npos) return Lines;
      From = To + 2;
    }
  }

  std::shared_ptr<TReplayFixture> Fixture;
  std::unique_ptr<TScopedReplayAdapter> Replay;
  TQELConnection C{nullptr};
  TPGDBExtract X{nullptr};
  TDBStructure H{nullptr};
};

/// What one comparison gave.
struct TOutcome {
  bool Extracted = false;
  std::vector<std::string> Events;
  std::string Script;
  int Second = 0;  ///< sessions of the master's answers besides its own connection's
};

/// A comparison of the recording (target) with Master; Arrange changes the rig before it runs.
struct TRig {
  TRig(const std::string& Master, bool Ahead, bool ScriptTarget)
      : M("replay-pg-master", cnZEOS, Master) {
    V.SetCatalogReadAhead(Ahead);
    V.SetDBMaster(&M.H);
    V.SetDBTarget(&T.H);
    V.SetExtractorMaster(&M.X);
    V.SetExtractorTarget(ScriptTarget ? static_cast<TCustomExtract*>(&S) : &T.X);
    S.SetScriptFileName("target.sql");
    S.OnLoadScript = [](TObject*, const std::string&, TStrings* Script, bool& Loaded) {
      Script->SetText("create table legacy (id integer);");
      Loaded = true;
    };
    for (auto [X, Side] : {std::pair<TCustomExtract*, std::string>{&M.X, "master"},
                           {&T.X, "target"},
                           {&S, "target"}}) {
      X->SetOnProgressUpdate([this, Side](TObject*, int P, int) { Note(Side, IntToStr(P)); });
      X->SetOnLogNextLine([this, Side](TObject*, const std::string& L) { Note(Side, L); });
      X->SetOnErrorMessage([this, Side](TObject*, const std::string& L) { Note(Side, L); });
    }
    V.OnErrorMessage = [this](TObject*, const std::string& L) { Note("comparer", L); };
  }
  void Note(const std::string& Side, const std::string& Text) {
    Events.push_back(Side + ": " + Text);
  }

  TOutcome Run() {
    TOutcome O;
    O.Extracted = V.ExtractDatabases();
    if (O.Extracted && V.CompareDatabases()) {
      TStringList Lines;
      V.GetSQLExec()->GetScript(Lines, false);
      O.Script = Lines.GetText();
    }
    TerminateRunning = false;
    for (int I = 0; I < V.MsgManager.GetMsgCount(); ++I)
      Note("message", V.MsgManager.Items(I).Text);
    O.Events = Events;
    O.Second = M.OtherSessions();
    return O;
  }

  TSide M, T{"replay-pg-target", cnODAC, Recording()};
  TPGScriptExtract S{nullptr};
  TVarnel V{nullptr};
  std::vector<std::string> Events;
};

/// The comparison reading ahead and the one reading after the target, which must agree.
void ExpectAgreement(const std::string& Name, const std::string& Master,
                     const std::function<void(TRig&)>& Arrange, TOutcome* Ahead = nullptr) {
  TOutcome Runs[2];
  for (bool On : {true, false}) {
    TRig R(Master, On, false);
    if (Arrange) Arrange(R);
    Runs[On ? 0 : 1] = R.Run();
  }
  EXPECT_EQ(Runs[0].Extracted, Runs[1].Extracted) << Name;
  EXPECT_EQ(Runs[0].Events, Runs[1].Events) << Name;
  EXPECT_EQ(Runs[0].Script, Runs[1].Script) << Name;
  EXPECT_EQ(Runs[1].Second, 0) << Name;
  if (Ahead) *Ahead = Runs[0];
}

class CatalogReadAhead : public ::testing::Test {
 protected:
  void TearDown() override { TerminateRunning = false; }
};

TEST_F(CatalogReadAhead, ReadAheadFailureAtEachQueryEndsAsReadingAfterTheTarget) {
  const std::string Text = Recording();
  TOutcome Clean;
  ExpectAgreement("no failure", Text, nullptr, &Clean);
  EXPECT_TRUE(Clean.Extracted);
  EXPECT_EQ(Clean.Second, 1);
  const int Queries =
      static_cast<int>(TSide("replay-pg-count", cnZEOS, Text).Fixture->Entries().size());
  int Failed = 0;
  for (int I = 0; I < Queries; ++I)
    for (const char* Answer : {"error\tpermission denied for table pg_class",
                               "lost\tserver closed the connection unexpectedly"}) {
      TOutcome Ahead;
      ExpectAgreement("query " + IntToStr(I) + ": " + Answer, AnsweringAt(Text, I, Answer), nullptr,
                      &Ahead);
      Failed += !Ahead.Extracted;
    }
  EXPECT_GT(Failed, Queries);  // most answers are read by both sides
}

TEST_F(CatalogReadAhead, ReadAheadCancelledBetweenAnnouncingAndServingEndsAsReadingAfterTheTarget) {
  const struct {
    const char* Name;
    std::function<void(TRig&)> Arrange;
  } Cases[] = {
      {"while the target is read",
       [](TRig& R) {
         R.T.X.SetOnProgressUpdate([](TObject*, int P, int) {
           if (P == 5) TerminateRunning = true;
         });
       }},
      {"after the target",
       [](TRig& R) { R.V.OnAfterExtractTarget = [](TObject*) { TerminateRunning = true; }; }},
      {"before the master",
       [](TRig& R) { R.V.OnBeforeExtractMaster = [](TObject*) { TerminateRunning = true; }; }},
  };
  for (const auto& Case : Cases) {
    TOutcome Ahead;
    ExpectAgreement(Case.Name, Recording(), Case.Arrange, &Ahead);
    EXPECT_FALSE(Ahead.Extracted) << Case.Name;
  }
}

TEST_F(CatalogReadAhead, ReadAheadSessionOnlyForACatalogMasterOfTheTargetsKindWhenSwitchedOn) {
  const struct {
    const char* Name;
    bool Ahead, ScriptTarget;
    int Second;
  } Cases[] = {
      {"two catalogs", true, false, 1},
      {"switched off", false, false, 0},
      {"the target read from a script", true, true, 0},
  };
  for (const auto& Case : Cases) {
    TRig R(Recording(), Case.Ahead, Case.ScriptTarget);
    const TOutcome O = R.Run();
    EXPECT_TRUE(O.Extracted) << Case.Name;
    EXPECT_EQ(O.Second, Case.Second) << Case.Name;
  }
}

TEST_F(CatalogReadAhead, ReadAheadSessionLostAfterServingFailsTheReadsFromThere) {
  const std::string Lost = "server closed the connection unexpectedly";
  TSide M("replay-pg-master", cnZEOS, AnsweringAt(Recording(), 2, "lost\t" + Lost));
  std::unique_ptr<TCatalogReadAhead> Ahead = TCatalogReadAhead::Start(&M.C);
  ASSERT_TRUE(Ahead);
  Ahead->Announce(M.Query(0));
  ASSERT_TRUE(Ahead->Serves(&M.C));
  EXPECT_FALSE(Ahead->Snapshot());  // the replay adapter has none
  auto Message = [&](int Index) {
    try {
      Ahead->Read(M.Query(Index));
    } catch (const EDatabaseError& E) {
      return std::string(E.what());
    }
    return std::string();
  };
  EXPECT_EQ(Message(2), Lost);
  EXPECT_EQ(Message(0), "");  // read before the loss
  EXPECT_EQ(Message(1), "The catalog session of the master ended.");
  Ahead.reset();
  EXPECT_EQ(M.OtherSessions(), 1);
}

}  // namespace
