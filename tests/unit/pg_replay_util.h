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
class TPGReplayTest : public ::testing::Test, public TReplayRun {
 protected:
  /// Registers the replay adapter over Text and makes C a fresh connection through it to
  /// Database; the extractor is not linked to it yet (Link).
  void Replay(const std::string& Text, const std::string& Database) {
    TSQLLexRules Rules;
    Rules.DollarQuotes = true;
    Rules.EStrings = true;
    Open(Text, "fixture", "replay-pg", cnODAC, dbPostgreSQL, Rules);
    TConnectionOptions& O = C->GetConnectionOptions();
    O.HostName = "127.0.0.1";
    O.UserName = "qel";
    O.SetDatabaseName(Database);
  }
  /// Links the extractor to C (TReplayRun::Link).
  void Link() { TReplayRun::Link(Ex); }

  /// The statements sent, each by its first line, the connects and disconnects among them.
  std::vector<std::string> Sent() {
    std::vector<std::string> R;
    for (const std::string& L : Db().Log) R.push_back(L.substr(0, L.find("\r\n")));
    return R;
  }

  TPGDBExtract Ex{nullptr};
};

}  // namespace qel::testing
