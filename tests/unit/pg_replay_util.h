// What the tests of the PostgreSQL catalog extractor without a server share: the recorded
// fixtures of tests/fixtures/replay, answers turned into server errors, and a fixture whose
// extractor reads through the replay adapter.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ReplayAdapter.h"
#include "qelDBStructure.h"
#include "qelPGDatabaseExtract.h"
#include "test_replay_util.h"

namespace qel::testing {

/// The fixture Name ("pg_extract.replay") followed by the answers recorded for further steps in
/// files of their own beside it ("pg_extract.<part>.replay"), in file-name order.
inline std::string ReplayFixtureWithParts(const std::string& Name) {
  const std::string Dir = std::string(QEL_FIXTURES_DIR) + "/replay/";
  std::string Text = ReplayFixture(Name);
  const std::string Stem = Name.substr(0, Name.rfind('.')) + ".";
  std::vector<std::string> Parts;
  for (const auto& Entry : std::filesystem::directory_iterator(Dir)) {
    const std::string File = Entry.path().filename().string();
    if (File.size() > Stem.size() + 7 && File.compare(0, Stem.size(), Stem) == 0 &&
        File.compare(File.size() - 7, 7, ".replay") == 0)
      Parts.push_back(File);
  }
  std::sort(Parts.begin(), Parts.end());
  for (const std::string& File : Parts) {
    if (!Text.empty() && Text.back() != '\n') Text += '\n';
    Text += ReplayFixture(File);
  }
  return Text;
}

/// An extractor over a replayed PostgreSQL server, with what it reports collected.
class TPGReplayTest : public ::testing::Test {
 protected:
  /// Registers the replay adapter over Text and makes C a fresh connection through it to
  /// Database; the extractor is not linked to it yet (Link).
  void Replay(const std::string& Text, const std::string& Database) {
    Ex.SetConnection(nullptr);
    C.reset();
    Adapter.reset();
    auto Fixture = std::make_shared<replay::TReplayFixture>();
    Fixture->LoadFromText(Text, "fixture");
    TSQLLexRules Rules;
    Rules.DollarQuotes = true;
    Rules.EStrings = true;
    Adapter = std::make_unique<replay::TScopedReplayAdapter>("replay-pg", cnODAC, Fixture, Rules);
    C = std::make_unique<TQELConnection>(nullptr);
    C->SetConnectionType(cnODAC);
    C->SetDatabaseType(dbPostgreSQL);
    TConnectionOptions& O = C->GetConnectionOptions();
    O.HostName = "127.0.0.1";
    O.UserName = "qel";
    O.SetDatabaseName(Database);
  }

  /// Links the extractor to C, collecting its errors and log lines; the log line CancelOn
  /// cancels the run.
  void Link() {
    Ex.SetConnection(C.get());
    Ex.SetDBStructure(&Holder);
    Ex.SetOnErrorMessage([this](TObject*, const std::string& T) { Errors.push_back(T); });
    Ex.SetOnLogNextLine([this](TObject*, const std::string& T) {
      Log.push_back(T);
      if (!CancelOn.empty() && T == CancelOn) TerminateRunning = true;
    });
  }

  replay::TReplayDatabase& Db() {
    return dynamic_cast<replay::TReplayDatabase&>(*C->GetDatabase());
  }
  /// The statements sent, each by its first line.
  std::vector<std::string> Sent() {
    std::vector<std::string> R;
    for (const std::string& L : Db().Log) R.push_back(L.substr(0, L.find("\r\n")));
    return R;
  }
  bool Logged(const std::string& Line) const {
    return std::find(Log.begin(), Log.end(), Line) != Log.end();
  }
  TObjs& Objs() { return *Holder.GetMetadata(); }

  std::unique_ptr<replay::TScopedReplayAdapter> Adapter;
  std::unique_ptr<TQELConnection> C;
  TDBStructure Holder{nullptr};
  TPGDBExtract Ex{nullptr};
  std::vector<std::string> Errors, Log;
  std::string CancelOn;
};

}  // namespace qel::testing
