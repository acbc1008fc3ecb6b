// What the tests of the catalog extractors without a server share: the recorded answers of
// tests/fixtures/replay, an answer turned into a server error, and a fixture whose extractor
// reads through the replay adapter.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Files.h"
#include "ReplayAdapter.h"
#include "qelDBStructure.h"

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

/// A catalog extractor of type TExtract over a replayed server, with what it reports collected.
template <class TExtract>
class TReplayExtractTest : public ::testing::Test {
 protected:
  /// Registers the replay adapter over Text (named Name) as AdapterName for connections of type
  /// Conn and makes C a fresh connection of dialect DB through it; the queries Text answers are
  /// kept in Queries. The extractor is not linked to it yet (Link).
  void Open(const std::string& Text, const char* Name, const char* AdapterName,
            TconnectionType Conn, TDatabaseType DB) {
    // A run of its own: the adapter of an earlier one goes first.
    Ex.SetConnection(nullptr);
    C.reset();
    Adapter.reset();
    auto F = std::make_shared<replay::TReplayFixture>();
    F->LoadFromText(Text, Name);
    Queries.clear();
    for (const auto& E : F->Entries()) Queries.insert(E.Text);
    Adapter = std::make_unique<replay::TScopedReplayAdapter>(AdapterName, Conn, F);
    C = std::make_unique<TQELConnection>(nullptr);
    C->SetConnectionType(Conn);
    C->SetDatabaseType(DB);
  }
  /// Links the extractor to C with its full log, collecting its errors and log lines; the log
  /// line CancelOn cancels the run.
  void Link() {
    Ex.SetConnection(C.get());
    Ex.SetDBStructure(&Holder);
    Ex.ShowFullLog = true;
    Ex.SetOnErrorMessage([this](TObject*, const std::string& T) { Errors.push_back(T); });
    Ex.SetOnLogNextLine([this](TObject*, const std::string& T) {
      Log.push_back(T);
      if (!CancelOn.empty() && T == CancelOn) TerminateRunning = true;
    });
  }
  void TearDown() override { TerminateRunning = false; }
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
  TExtract Ex{nullptr};
  std::vector<std::string> Errors, Log;
  std::set<std::string> Queries;
  std::string CancelOn;
};

}  // namespace qel::testing
