// What the tests of the catalog extractors without a server share: the recorded answers of
// tests/fixtures/replay, an answer turned into a server error, a run of an extractor over the
// replay adapter with what it reports collected, and the replay suite (test_catalog_replay.cpp)
// that every catalog dialect instantiates with a table of its cases.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "Files.h"
#include "ReplayAdapter.h"
#include "qelDBStructure.h"
#include "qelDatabaseExtract.h"

namespace qel::testing {

/// The text of the replay fixture Name ("pg_extract.replay").
inline std::string ReplayFixture(const std::string& Name) {
  std::string Text;
  EXPECT_TRUE(ReadFileToString(std::string(QEL_FIXTURES_DIR) + "/replay/" + Name, Text)) << Name;
  return Text;
}

/// The fixture text with the answer to the query whose text holds Marker replaced by a server
/// error.
inline std::string WithError(const std::string& Text, const std::string& Marker,
                             const std::string& Message) {
  const std::size_t At = Text.find(Marker);
  EXPECT_NE(At, std::string::npos) << Marker;
  if (At == std::string::npos) return Text;
  const std::size_t Head = Text.find('\n', At) + 1;  // the answer starts on the next line
  const std::size_t End = Text.find("\nend\n", Head);
  return Text.substr(0, Head) + "error\t" + Message + Text.substr(End);
}

/// The object of List whose bare name is Name, as a T; nullptr when there is none.
template <class T>
T* Named(const TDbObjList& List, const std::string& Name) {
  for (int I = 0; I < List.Count(); ++I)
    if (List[I]->GetObjName() == Name) return dynamic_cast<T*>(List[I]);
  return nullptr;
}

/// How a dialect's catalog extractor is run over a replayed server.
struct TReplayDialect {
  const char* Name;     ///< as the replay suite's instantiation is named ("SQLAnywhere")
  const char* Fixture;  ///< the recording's file name, which the answers are loaded under
  std::unique_ptr<TCustomDBExtract> (*Make)();
  const char* AdapterName;
  TconnectionType Conn;
  TDatabaseType DB;
  /// The database, user and server the connection names (no host or port: none set).
  const char* Database;
  const char* User;
  const char* Host = "";
  int Port = 0;
  /// Settings of the connection and the collection every run starts with (nullptr: none).
  void (*Prepare)(TQELConnection&, TObjs&) = nullptr;
  /// The recorded catalog when it is more than the file Fixture (nullptr: that file).
  std::string (*Answers)() = nullptr;

  /// The recorded catalog the cases read unless they say otherwise.
  std::string Recorded() const { return Answers ? Answers() : ReplayFixture(Fixture); }
};

/// Makes the catalog extractor of type T (TReplayDialect::Make).
template <class T>
std::unique_ptr<TCustomDBExtract> MakeExtract() {
  return std::make_unique<T>(nullptr);
}

/// The kind set holding Kind alone.
inline TCmpObjSetType OnlyKind(TCmpObjType Kind) {
  TCmpObjSetType Kinds;
  Kinds.Include(Kind);
  return Kinds;
}

/// A replayed server and a catalog extractor reading it, with what the extractor reports
/// collected.
class TReplayRun {
 public:
  virtual ~TReplayRun() = default;

  /// Registers the replay adapter over Text (named Name) as AdapterName for connections of type
  /// Conn and makes C a fresh connection of dialect DB through it; the queries Text answers are
  /// kept in Queries. The extractor is not linked to it yet (Link).
  void Open(const std::string& Text, const char* Name, const char* AdapterName,
            TconnectionType Conn, TDatabaseType DB, const TSQLLexRules& Rules = TSQLLexRules()) {
    // A run of its own: the adapter of an earlier one goes first.
    if (FLinked) FLinked->SetConnection(nullptr);
    C.reset();
    Adapter.reset();
    auto F = std::make_shared<replay::TReplayFixture>();
    F->LoadFromText(Text, Name);
    Queries.clear();
    for (const auto& E : F->Entries()) Queries.insert(E.Text);
    Adapter = std::make_unique<replay::TScopedReplayAdapter>(AdapterName, Conn, F, Rules);
    C = std::make_unique<TQELConnection>(nullptr);
    C->SetConnectionType(Conn);
    C->SetDatabaseType(DB);
  }
  /// Open over Text for D's adapter and connection type, the connection named and the
  /// collection prepared as D says.
  void Open(const TReplayDialect& D, const std::string& Text) {
    Open(Text, D.Fixture, D.AdapterName, D.Conn, D.DB);
    TConnectionOptions& O = C->GetConnectionOptions();
    O.SetDatabaseName(D.Database);
    O.UserName = D.User;
    if (*D.Host) O.HostName = D.Host;
    if (D.Port) O.Port = D.Port;
    if (D.Prepare) D.Prepare(*C, Objs());
  }
  /// Links X to C with its full log, collecting its errors, log lines and progress; the log
  /// line CancelOn cancels the run.
  void Link(TCustomDBExtract& X) {
    FLinked = &X;
    X.SetConnection(C.get());
    X.SetDBStructure(&Holder);
    X.ShowFullLog = true;
    X.SetOnErrorMessage([this](TObject*, const std::string& T) { Errors.push_back(T); });
    X.SetOnLogNextLine([this](TObject*, const std::string& T) {
      Log.push_back(T);
      if (!CancelOn.empty() && T == CancelOn) TerminateRunning = true;
    });
    X.SetOnProgressUpdate([this](TObject*, int Value, int Max) {
      Progress.push_back(Value);
      EXPECT_EQ(Max, TCustomDBExtract::ExtractProgressMax);
    });
  }
  replay::TReplayDatabase& Db() {
    return dynamic_cast<replay::TReplayDatabase&>(*C->GetDatabase());
  }
  /// The queries sent.
  std::set<std::string> Sent() {
    std::set<std::string> R;
    for (const std::string& L : Db().Log)
      if (L[0] != '<') R.insert(L);
    return R;
  }
  bool Logged(const std::string& Line) const {
    return std::find(Log.begin(), Log.end(), Line) != Log.end();
  }
  TObjs& Objs() { return *Holder.GetMetadata(); }

  std::unique_ptr<replay::TScopedReplayAdapter> Adapter;
  std::unique_ptr<TQELConnection> C;
  TDBStructure Holder{nullptr};
  std::vector<std::string> Errors, Log;
  std::vector<int> Progress;
  std::set<std::string> Queries;
  std::string CancelOn;

 private:
  TCustomDBExtract* FLinked = nullptr;
};

/// A catalog extractor of type TExtract over a replayed server (the checks of one dialect).
template <class TExtract>
class TReplayExtractTest : public ::testing::Test, public TReplayRun {
 protected:
  void Link() { TReplayRun::Link(Ex); }
  void TearDown() override { TerminateRunning = false; }

  TExtract Ex{nullptr};
};

/// One error a case expects: the whole text, or a part of it.
struct TExpectedError {
  std::string Text;
  bool Part = false;
};
inline TExpectedError Is(const std::string& Text) {
  return {Text, false};
}
inline TExpectedError Has(const std::string& Text) {
  return {Text, true};
}

/// One catalog replay: the answers, what is changed before the run, and what the run gives.
struct TReplayCase {
  std::string Name;
  const TReplayDialect* Dialect;
  /// The answers (nullptr: the dialect's recording).
  std::function<std::string()> Answers = nullptr;
  /// The answer to the query holding ErrorAt is ServerError instead.
  std::string ErrorAt = "", ServerError = "";
  /// Settings of the connection and the collection before the run.
  std::function<void(TQELConnection&, TObjs&)> Setup = nullptr;
  /// The kinds to read (none given: all).
  std::optional<TCmpObjSetType> Kinds = std::nullopt;
  /// The log line on which the host cancels the run.
  std::string CancelOn = "";
  bool Succeeds = true;
  /// The errors reported, all of them in order.
  std::vector<TExpectedError> Errors = {};
  /// Every query answered was sent, and nothing else.
  bool AllQueries = false;
  /// The number of objects of the lists named ("Tables", see CountsOf).
  std::map<std::string, int> Counts = {};
  std::vector<std::string> Logged = {}, NotLogged = {};
  /// Further checks of what was read.
  std::function<void(TObjs&)> Check = nullptr;
};

/// The number of objects in each list of O that Names names.
std::map<std::string, int> CountsOf(TObjs& O, const std::map<std::string, int>& Names);

/// "DB2: AFailingQueryEndsTheRun" in the test log instead of the bytes of the case.
inline void PrintTo(const TReplayCase& K, std::ostream* Os) {
  *Os << K.Dialect->Name << ": " << K.Name;
}
inline std::string ReplayName(const ::testing::TestParamInfo<TReplayCase>& Info) {
  return Info.param.Name;
}

/// The replay suite: every catalog dialect instantiates it with its cases.
class CatalogReplay : public ::testing::TestWithParam<TReplayCase>, public TReplayRun {
 protected:
  void TearDown() override { TerminateRunning = false; }

  std::unique_ptr<TCustomDBExtract> Ex;
};

}  // namespace qel::testing
