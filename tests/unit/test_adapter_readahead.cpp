// A uni-directional query reads its next block on a thread of its own while the caller works on
// the current one. What must hold: rows come in order and none is lost, whatever the caller
// does on the connection meanwhile; the stream's shared side (Fetch, the connection's
// statements) runs on the caller's thread only and never while a block is read ahead; a
// failure met ahead is reported by the read that reaches it.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "Text.h"
#include "qelConnection_Base.h"

namespace {

using namespace qel;

struct TProbe {
  std::thread::id Caller = std::this_thread::get_id();
  int Rows = 1000;
  int FailAt = 0;                  // the row a failure stops at (0: none)
  bool Undecodable = false;        // the failure: a value that cannot be decoded, else a loss
  std::atomic<bool> Ahead{false};  // inside FetchAhead
  std::atomic<int> AheadRows{0};
  std::atomic<int> OffCaller{0};  // Fetch or a statement off the caller's thread
  std::atomic<int> Overlaps{0};   // a statement while a block was read ahead
  int Statements = 0;
};

/// Rows 1..Rows of (id, a 4 KiB text), so that a block is about a hundred rows.
class TNumberStream : public TRowStream {
 public:
  explicit TNumberStream(TProbe& P) : FP(P) {}
  bool ReadsAhead() const override { return true; }
  bool FetchAhead(TDataSet::TRecord& Row) override {
    FP.Ahead = true;
    const bool Got = Produce(Row);
    if (Got) ++FP.AheadRows;
    FP.Ahead = false;
    return Got;
  }
  bool Fetch(TDataSet::TRecord& Row) override {
    if (std::this_thread::get_id() != FP.Caller) ++FP.OffCaller;
    if (FNext == FP.FailAt && !FP.Undecodable)
      throw EDatabaseError("connection lost at row " + IntToStr(FNext));
    return Produce(Row);
  }

 private:
  /// A value that cannot be decoded raises wherever the row is read; a lost connection makes
  /// FetchAhead give up and Fetch report it.
  bool Produce(TDataSet::TRecord& Row) {
    if (FNext == FP.FailAt && FP.Undecodable)
      throw EDatabaseError("cannot decode row " + IntToStr(FNext));
    if (FNext > FP.Rows || FNext == FP.FailAt) return false;
    Row.resize(2);
    Row[0].IsNull = Row[1].IsNull = false;
    Row[0].Data = IntToStr(FNext);
    Row[1].Data.assign(4096, 'x');
    ++FNext;
    return true;
  }
  TProbe& FP;
  int FNext = 1;
};

class TProbeDatabase : public TQELAdapterDatabase {
 public:
  explicit TProbeDatabase(TProbe& P) : TQELAdapterDatabase(nullptr), FP(P) {}
  bool GetConnected() const override { return true; }
  TProbe& FP;

 protected:
  void Disconnect() override {}
  void Connect() override {}
};

class TProbeQuery : public TQELAdapterQuery {
 public:
  explicit TProbeQuery(TProbeDatabase& Db) : TQELAdapterQuery(nullptr), FDb(Db) {
    SetDatabase(&Db);
  }

 protected:
  TSQLLexRules LexRules() const override { return {}; }
  std::string ParamMarker(const TParam&, int, const std::string& Ref) override { return Ref; }
  void Execute(const std::string&, const TBoundParams&, TQueryResult& R) override {
    if (std::this_thread::get_id() != FDb.FP.Caller) ++FDb.FP.OffCaller;
    if (FDb.FP.Ahead) ++FDb.FP.Overlaps;
    ++FDb.FP.Statements;
    R.RowsAffected = 1;
  }
  std::unique_ptr<TRowStream> OpenStream(const std::string&, const TBoundParams&,
                                         std::vector<TResultColumn>& Columns) override {
    Columns = {{"id", ftInteger, 0}, {"v", ftString, 4096}};
    return std::make_unique<TNumberStream>(FDb.FP);
  }

 private:
  TProbeDatabase& FDb;
};

enum class TMeanwhile { Nothing, Statements, Spill };

struct TCase {
  const char* Name;
  TMeanwhile Meanwhile;
  int FailAt;
  bool Undecodable = false;
};

class ReadAhead : public ::testing::TestWithParam<TCase> {};

TEST_P(ReadAhead, RowsComeInOrderAndTheConnectionIsNeverShared) {
  const TCase& C = GetParam();
  TProbe P;
  P.FailAt = C.FailAt;
  P.Undecodable = C.Undecodable;
  TProbeDatabase Db(P);
  TProbeQuery Q(Db);
  TProbeQuery Other(Db);
  Q.UniDirectional = true;
  Q.SetSQLText("select id, v from numbers");
  Other.SetSQLText("update numbers set v = v");
  const TField* Id = nullptr;
  int Expected = 1;
  std::string Failure;
  try {
    Q.Open();
    Id = Q.Fields().Fields(0);
    for (; !Q.GetEof(); Q.Next(), ++Expected) {
      ASSERT_EQ(Q.Fields().Fields(0), Id);  // the field objects stay from block to block
      ASSERT_EQ(Id->AsInteger(), Expected);
      if (Expected % 37 != 0) continue;
      if (C.Meanwhile == TMeanwhile::Statements) Other.ExecSQL();
      if (C.Meanwhile == TMeanwhile::Spill) Q.SpillStream();
    }
  } catch (const EDatabaseError& E) {
    Failure = E.what();
  }
  if (C.FailAt > 0) {
    EXPECT_EQ(Failure, (C.Undecodable ? "cannot decode row " : "connection lost at row ") +
                           IntToStr(C.FailAt));
    EXPECT_EQ(Expected, C.FailAt - 1);  // the last row read: every row before it came
  } else {
    EXPECT_EQ(Failure, "");
    EXPECT_EQ(Expected, P.Rows + 1);
  }
  if (C.Meanwhile != TMeanwhile::Spill) {
    EXPECT_GT(P.AheadRows.load(), 0);
  }
  if (C.Meanwhile == TMeanwhile::Statements) {
    EXPECT_GT(P.Statements, 0);
  }
  EXPECT_EQ(P.OffCaller.load(), 0);
  EXPECT_EQ(P.Overlaps.load(), 0);
}

TEST_P(ReadAhead, ClosingWhileABlockIsReadAheadWaitsForIt) {
  const TCase& C = GetParam();
  TProbe P;
  P.FailAt = C.FailAt;
  auto Db = std::make_unique<TProbeDatabase>(P);
  auto Q = std::make_unique<TProbeQuery>(*Db);
  Q->UniDirectional = true;
  Q->SetSQLText("select id, v from numbers");
  Q->Open();
  Q->Next();
  if (C.Meanwhile == TMeanwhile::Spill) {
    Q->Close();
    EXPECT_EQ(Q->RecordCount(), 0);
  } else {
    Db.reset();  // the database first: it waits for the block being read on its connection
  }
  Q.reset();
  EXPECT_FALSE(P.Ahead.load());
}

const TCase Cases[] = {
    {"AloneToTheEnd", TMeanwhile::Nothing, 0},
    {"StatementsOnTheConnection", TMeanwhile::Statements, 0},
    {"RestReadIntoMemory", TMeanwhile::Spill, 0},
    {"LostConnection", TMeanwhile::Nothing, 500},
    {"LostWithStatements", TMeanwhile::Statements, 333},
    // Rows of about 4 KiB: the first block holds 127, the block read ahead fails part-way.
    {"UndecodableAhead", TMeanwhile::Nothing, 250, true},
    {"UndecodableAheadWhileSpilling", TMeanwhile::Spill, 250, true},
};

INSTANTIATE_TEST_SUITE_P(Streams, ReadAhead, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<TCase>& I) {
                           return std::string(I.param.Name);
                         });

}  // namespace
