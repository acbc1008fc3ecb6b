// The adapter base's queue of statements: the outcome of a run names each statement by the tag
// QueueExecSQL gave it, whether its answer came with the statements sent ahead before it or with
// its own round trip, and a statement never sent is told neither done nor refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "qelConnection_Base.h"

namespace {

using namespace qel;
using TOutcome = TQELQuery::TQueuedOutcome;

/// A queue whose adapter answers from a script: what went ahead with AheadAnswer, what runs
/// now with NowAnswer, positions counted from the first statement of each round trip.
class TScriptedQuery : public TQELAdapterQuery {
 public:
  using TQELAdapterQuery::TQELAdapterQuery;
  bool CanQueue() const override { return true; }
  bool SendsAhead = false;
  TOutcome AheadAnswer, NowAnswer;
  int RoundTrips = 0;

 protected:
  TSQLLexRules LexRules() const override { return {}; }
  std::string ParamMarker(const TParam&, int, const std::string&) override { return "?"; }
  void Execute(const std::string&, const TBoundParams&, TQueryResult&) override {}
  bool SendAhead(std::vector<TQueued>&) override {
    if (!SendsAhead) return false;
    FAhead = true;
    return true;
  }
  TOutcome TakeAhead() override {
    if (!FAhead) return {};
    FAhead = false;
    return AheadAnswer;
  }
  TOutcome ExecuteQueued(const std::vector<TQueued>&) override {
    ++RoundTrips;
    return NowAnswer;
  }

 private:
  bool FAhead = false;
};

TOutcome Answer(std::size_t Done, std::vector<std::size_t> Unmade = {}, bool Refused = false,
                bool RolledBack = false, std::size_t RefusedAt = 0) {
  TOutcome O;
  O.Done = Done;
  O.Unmade = std::move(Unmade);
  O.Refused = Refused;
  O.RolledBack = RolledBack;
  O.RefusedAt = RefusedAt;
  return O;
}

struct TQueueCase {
  const char* Name;
  int Ahead;  // statements queued and sent ahead first (tags 1..Ahead)
  TOutcome AheadAnswer;
  int Now;  // statements queued after them and run with ExecQueued
  TOutcome NowAnswer;
  std::size_t Done;
  std::uint64_t LastDone, RefusedId;
  std::vector<std::uint64_t> UnmadeIds;
  std::vector<std::size_t> Unmade;  // positions from the first statement answered
  int RoundTrips;                   // of the statements queued after those sent ahead
};

TEST(AdapterQueue, OutcomesNameTheirStatementsByTag) {
  const std::vector<TQueueCase> Cases = {
      {"all run, one met no row", 0, {}, 3, Answer(3, {1}), 3, 3, 0, {2}, {1}, 1},
      {"the second refused, the third never run",
       0,
       {},
       3,
       Answer(1, {}, true),
       1,
       1,
       2,
       {},
       {},
       1},
      {"ahead and now, unmade in both",
       2,
       Answer(2, {1}),
       2,
       Answer(2, {0}),
       4,
       4,
       0,
       {2, 3},
       {1, 2},
       1},
      {"refused ahead: the queued ones are never sent",
       2,
       Answer(0, {}, true),
       2,
       Answer(2),
       0,
       0,
       1,
       {},
       {},
       0},
      {"ahead kept, now rolled back",
       2,
       Answer(2),
       2,
       Answer(0, {}, true, true, 1),
       2,
       2,
       4,
       {},
       {},
       1},
      {"ahead refused second", 3, Answer(1, {0}, true), 0, {}, 1, 1, 2, {1}, {0}, 0},
  };
  for (const TQueueCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TScriptedQuery Q(nullptr);
    Q.SetSQLText("DELETE FROM t");
    Q.AheadAnswer = C.AheadAnswer;
    Q.NowAnswer = C.NowAnswer;
    std::uint64_t Last = 0;
    if (C.Ahead > 0) {
      for (int I = 0; I < C.Ahead; ++I) Last = Q.QueueExecSQL();
      Q.SendsAhead = true;
      const TOutcome Sent = Q.SendQueued();
      EXPECT_EQ(Sent.LastDone, 0u);
      Q.SendsAhead = false;
      EXPECT_EQ(Last, static_cast<std::uint64_t>(C.Ahead));
    }
    for (int I = 0; I < C.Now; ++I) Last = Q.QueueExecSQL();
    EXPECT_EQ(Last, static_cast<std::uint64_t>(C.Ahead + C.Now));
    const TOutcome R = C.Now > 0 ? Q.ExecQueued() : Q.TakeSentAhead();
    EXPECT_EQ(R.Done, C.Done);
    EXPECT_EQ(R.LastDone, C.LastDone);
    EXPECT_EQ(R.RefusedId, C.RefusedId);
    EXPECT_EQ(R.UnmadeIds, C.UnmadeIds);
    EXPECT_EQ(R.Unmade, C.Unmade);
    EXPECT_EQ(Q.RoundTrips, C.RoundTrips);
    EXPECT_EQ(Q.QueuedCount(), 0u);
  }
}

}  // namespace
