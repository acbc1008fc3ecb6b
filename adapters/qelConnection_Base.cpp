// What the adapters share: the query with its text, parameters and rows, and the ":name" scanner.
#include "qelConnection_Base.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <iterator>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <utility>

#include "Text.h"

namespace qel {

namespace {

bool IsNameStart(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '_';
}
bool IsNameChar(char C) {
  return IsNameStart(C) || (C >= '0' && C <= '9') || static_cast<unsigned char>(C) >= 0x80;
}

/// Index just past a quoted run that starts at I (the opening quote); the whole rest of the
/// text when it is not closed. A doubled quote stays inside.
size_t SkipQuoted(const std::string& S, size_t I, char Quote, bool Backslash) {
  for (size_t J = I + 1; J < S.size(); ++J) {
    if (Backslash && S[J] == '\\') {
      ++J;
      continue;
    }
    if (S[J] == Quote) {
      if (J + 1 < S.size() && S[J + 1] == Quote) {
        ++J;
        continue;
      }
      return J + 1;
    }
  }
  return S.size();
}

/// The PostgreSQL dollar-quote tag ("$$", "$body$") starting at I, or "" when there is none.
std::string DollarTag(const std::string& S, size_t I) {
  size_t J = I + 1;
  if (J < S.size() && IsNameStart(S[J]))
    while (J < S.size() && IsNameChar(S[J]) && S[J] != '$') ++J;
  if (J < S.size() && S[J] == '$') return S.substr(I, J - I + 1);
  return std::string();
}

}  // namespace

std::string ReplaceParamRefs(const std::string& SQL, const TSQLLexRules& Rules,
                             const TParamMarkerFunc& Marker) {
  const size_t N = SQL.size();
  // Without a colon before a name there is no reference: the text stays as it is (a script's
  // row statement, whose times hold colons before digits).
  bool MayRefer = false;
  for (size_t K = SQL.find(':'); K != std::string::npos && !MayRefer; K = SQL.find(':', K + 1))
    MayRefer = K + 1 < N && IsNameStart(SQL[K + 1]);
  if (!MayRefer) return SQL;
  std::string Out;
  Out.reserve(SQL.size());
  size_t I = 0;
  auto CopyTo = [&](size_t End) {
    Out.append(SQL, I, End - I);
    I = End;
  };
  while (I < N) {
    const char C = SQL[I];
    const char Next = I + 1 < N ? SQL[I + 1] : '\0';
    if (C == '\'') {
      const bool EString = Rules.EStrings && I > 0 && (SQL[I - 1] == 'E' || SQL[I - 1] == 'e') &&
                           (I < 2 || !IsNameChar(SQL[I - 2]));
      CopyTo(SkipQuoted(SQL, I, '\'', Rules.BackslashEscapes || EString));
    } else if (C == '"') {
      CopyTo(SkipQuoted(SQL, I, '"', Rules.BackslashEscapes));
    } else if (C == '`' && Rules.BacktickQuotes) {
      CopyTo(SkipQuoted(SQL, I, '`', false));
    } else if ((C == '-' && Next == '-') || (C == '#' && Rules.HashComments)) {
      const size_t End = SQL.find('\n', I);
      CopyTo(End == std::string::npos ? N : End);
    } else if (C == '/' && Next == '*') {
      const size_t End = SQL.find("*/", I + 2);
      CopyTo(End == std::string::npos ? N : End + 2);
    } else if (C == '$' && Rules.DollarQuotes && !(I > 0 && IsNameChar(SQL[I - 1]))) {
      const std::string Tag = DollarTag(SQL, I);
      if (Tag.empty()) {
        CopyTo(I + 1);
      } else {
        const size_t End = SQL.find(Tag, I + Tag.size());
        CopyTo(End == std::string::npos ? N : End + Tag.size());
      }
    } else if (C == ':' && Next == ':') {
      CopyTo(I + 2);  // a cast, or an escaped colon
    } else if (C == ':' && IsNameStart(Next) && !(I > 0 && IsNameChar(SQL[I - 1]))) {
      size_t J = I + 1;
      while (J < N && IsNameChar(SQL[J]) && static_cast<unsigned char>(SQL[J]) < 0x80) ++J;
      Out += Marker(SQL.substr(I + 1, J - I - 1));
      I = J;
    } else {
      // Up to the next character that may open a literal, a comment or a reference.
      size_t J = I + 1;
      while (J < N && std::string_view("'\"`-#/$:").find(SQL[J]) == std::string_view::npos) ++J;
      CopyTo(J);
    }
  }
  return Out;
}

namespace {

/// True when Text holds nothing but blanks and control characters (looked at in place: a
/// statement may hold a large value).
bool IsBlankText(const std::string& Text) {
  return std::all_of(Text.begin(), Text.end(),
                     [](char C) { return static_cast<unsigned char>(C) <= ' '; });
}

/// A statement this long holds a large value as a literal: it is not held once more as lines
/// nobody asked for, nor cut up for binding again.
constexpr std::size_t LargeStatementBytes = 64u << 10;

/// Stands for a reference while a plan is cut; a text holding it is not planned.
constexpr char PlanMark = '\x01';

/// The place of P among Distinct, added at the end when it is not there yet.
int DistinctIndex(std::vector<const TParam*>& Distinct, const TParam* P) {
  int Index = 0;
  while (Index < static_cast<int>(Distinct.size()) && Distinct[Index] != P) ++Index;
  if (Index == static_cast<int>(Distinct.size())) Distinct.push_back(P);
  return Index;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TQELAdapterQuery::TQELAdapterQuery(TComponent* AOwner) : TQELRowsQuery(AOwner) {
  FSQL.OnChange = [this] {
    if (FSettingRawSQL) return;
    FLinesPending = false;
    FHasRawSQL = false;
    FRawSQL.clear();
    SQLChanged();
  };
}

void TQELAdapterQuery::SetSQLText(const std::string& Text) {
  // The lines of a large statement are made from the text when they are asked for.
  FSettingRawSQL = true;
  if (Text.size() < LargeStatementBytes)
    FSQL.SetText(Text);
  else
    FSQL.Clear();
  FSettingRawSQL = false;
  FRawSQL = Text;
  FHasRawSQL = true;
  FLinesPending = Text.size() >= LargeStatementBytes;
  SQLChanged();
}

TStrings* TQELAdapterQuery::GetSQL() {
  if (FLinesPending) {
    FLinesPending = false;
    FSettingRawSQL = true;
    FSQL.SetText(FRawSQL);
    FSettingRawSQL = false;
  }
  return &FSQL;
}

void TQELAdapterQuery::SetParamCheck(bool Value) {
  if (Value == FParamCheck) return;
  FParamCheck = Value;
  if (FParamCheck) SQLChanged();
}

std::string TQELAdapterQuery::SQLText() const {
  if (FHasRawSQL) return FRawSQL;
  std::string S;
  for (int I = 0; I < FSQL.Count(); ++I) {
    if (I > 0) S += "\r\n";
    S += FSQL[I];
  }
  return S;
}

void TQELAdapterQuery::SQLChanged() {
  if (!FParamCheck) return;
  TParams Fresh;
  std::string Joined;
  ReplaceRefs(TextInPlace(Joined), [&](const std::string& Name) {
    if (!Fresh.FindParam(Name)) {
      TParam* P = Fresh.CreateParam(ftUnknown, Name);
      if (const TParam* Old = FParams.FindParam(Name)) P->Assign(*Old);
      P->Name = Name;
    }
    return std::string();
  });
  FParams.Assign(Fresh);
}

bool TQELAdapterQuery::PlanFits(const std::string& Text) const {
  if (!FPlan.Valid || FPlan.Generation != FParams.Generation() || FPlan.Text != Text) return false;
  for (std::size_t I = 0; I < FPlan.Refs.size(); ++I)
    if (!SameText(FPlan.Refs[I]->Name, FPlan.Names[I])) return false;
  return true;
}

void TQELAdapterQuery::MakePlan(const std::string& Text) {
  FPlan = TBindPlan();
  // Plans are for small statements run again and again.
  if (Text.size() > LargeStatementBytes || Text.find(PlanMark) != std::string::npos) return;
  TBindPlan Plan;
  const std::string Cut = ReplaceRefs(Text, [&](const std::string& Name) {
    const TParam* P = FParams.ParamByName(Name);
    Plan.Names.push_back(Name);
    Plan.Refs.push_back(P);
    Plan.Index.push_back(DistinctIndex(Plan.Distinct, P));
    return std::string(1, PlanMark);
  });
  std::size_t From = 0;
  for (std::size_t At = Cut.find(PlanMark); At != std::string::npos;
       At = Cut.find(PlanMark, From)) {
    Plan.Pieces.push_back(Cut.substr(From, At - From));
    From = At + 1;
  }
  Plan.Pieces.push_back(Cut.substr(From));
  // An adapter whose markers are not placed where the references were (it writes its own)
  // binds by the text every time.
  if (Plan.Pieces.size() != Plan.Refs.size() + 1) return;
  Plan.Text = Text;
  Plan.Generation = FParams.Generation();
  Plan.Valid = true;
  FPlan = std::move(Plan);
}

void TQELAdapterQuery::Bind(std::string& Sent, TBoundParams& Bound) {
  std::string Joined;
  const std::string& Text = TextInPlace(Joined);
  if (IsBlankText(Text)) throw EDatabaseError("The statement text is empty.");
  // A text without references goes as it is (a script's statement with its values in it).
  if (!FParamCheck || (FHasRawSQL && FParams.Count() == 0)) {
    Sent = Text;
    return;
  }
  if (!PlanFits(Text)) MakePlan(Text);
  if (FPlan.Valid) {
    Sent = FPlan.Pieces[0];
    for (std::size_t I = 0; I < FPlan.Refs.size(); ++I) {
      Sent += ParamMarker(*FPlan.Refs[I], FPlan.Index[I], FPlan.Names[I]);
      Sent += FPlan.Pieces[I + 1];
    }
    Bound.Distinct = FPlan.Distinct;
    Bound.Refs = FPlan.Refs;
    return;
  }
  Sent = ReplaceRefs(Text, [&](const std::string& Name) {
    const TParam* P = FParams.ParamByName(Name);
    Bound.Refs.push_back(P);
    return ParamMarker(*P, DistinctIndex(Bound.Distinct, P), Name);
  });
}

const std::string& TQELAdapterQuery::TextInPlace(std::string& Joined) const {
  if (FHasRawSQL) return FRawSQL;
  Joined = SQLText();
  return Joined;
}

void TQELAdapterQuery::AwaitDatabaseReadAhead() {
  if (auto* Db = dynamic_cast<TQELAdapterDatabase*>(GetDatabase())) Db->AwaitReadAhead();
}

void TQELAdapterQuery::Run(TQueryResult& Result) {
  AwaitDatabaseReadAhead();
  std::string Sent;
  TBoundParams Bound;
  // A text without parameters goes as it is, not copied (it may hold a large literal).
  if (FHasRawSQL && (!FParamCheck || FParams.Count() == 0)) {
    if (IsBlankText(FRawSQL)) throw EDatabaseError("The statement text is empty.");
    Execute(FRawSQL, Bound, Result);
    return;
  }
  Bind(Sent, Bound);
  Execute(Sent, Bound, Result);
}

std::string TQELAdapterQuery::ReplaceRefs(const std::string& SQL,
                                          const TParamMarkerFunc& Marker) const {
  return ReplaceParamRefs(SQL, LexRules(), Marker);
}

void TQELAdapterQuery::ExecSQL() {
  TQueryResult Result;
  FRowsAffected = -1;
  Run(Result);
  FRowsAffected = Result.RowsAffected;
}

std::uint64_t TQELAdapterQuery::QueueExecSQL() {
  if (!CanQueue()) {
    ExecSQL();
    return 0;
  }
  FQueueBound.Distinct.clear();
  FQueueBound.Refs.clear();
  Bind(FQueueSent, FQueueBound);
  // Row after row of one statement has the same text: it is kept once.
  if (!FQueueText || *FQueueText != FQueueSent)
    FQueueText = std::make_shared<const std::string>(FQueueSent);
  TQueued& Q = FQueue.emplace_back();
  Q.Tag = ++FLastTag;
  Q.Text = FQueueText;
  if (!ValuesInText()) {
    Q.Values.reserve(FQueueBound.Distinct.size());
    for (const TParam* P : FQueueBound.Distinct) Q.Values.push_back(*P);
  }
  return FLastTag;
}

namespace {

/// Fills the tags of Out from its positions among Tags (the statements it answers, in order).
void TagOutcome(TQELQuery::TQueuedOutcome& Out, const std::vector<std::uint64_t>& Tags) {
  const std::size_t Done = std::min(Out.Done, Tags.size());
  Out.LastDone = Done > 0 ? Tags[Done - 1] : 0;
  const std::size_t Refused = Out.RolledBack ? Out.RefusedAt : Done;
  Out.RefusedId = Out.Refused && Refused < Tags.size() ? Tags[Refused] : 0;
  Out.UnmadeIds.clear();
  for (const std::size_t I : Out.Unmade)
    if (I < Done) Out.UnmadeIds.push_back(Tags[I]);
}

}  // namespace

TBoundParams TQELAdapterQuery::TQueued::Bound() const {
  TBoundParams B;
  for (const TParam& P : Values) B.Distinct.push_back(&P);
  B.Refs = B.Distinct;
  return B;
}

TQELQuery::TQueuedOutcome TQELAdapterQuery::ExecQueued() {
  return RunQueue(true);
}

TQELQuery::TQueuedOutcome TQELAdapterQuery::SendQueued() {
  return RunQueue(false);
}

TQELQuery::TQueuedOutcome TQELAdapterQuery::TakeSentAhead() {
  AwaitDatabaseReadAhead();
  return TakeAheadTagged();
}

TQELQuery::TQueuedOutcome TQELAdapterQuery::TakeAheadTagged() {
  TQueuedOutcome Out = TakeAhead();
  TagOutcome(Out, FAheadTags);
  FAheadTags.clear();
  return Out;
}

TQELQuery::TQueuedOutcome TQELAdapterQuery::RunQueue(bool Wait) {
  std::vector<TQueued> Items;
  Items.swap(FQueue);
  AwaitDatabaseReadAhead();
  if (!Wait) PrepareAhead(Items);
  // What went ahead is answered first: after a refusal there nothing queued is sent.
  TQueuedOutcome Before = TakeAheadTagged();
  if (Before.Refused || Items.empty()) return Before;
  std::vector<std::uint64_t> Tags;
  Tags.reserve(Items.size());
  for (const TQueued& Q : Items) Tags.push_back(Q.Tag);
  if (!Wait && SendAhead(Items)) {
    FAheadTags = std::move(Tags);
    return Before;
  }
  TQueuedOutcome Now = ExecuteQueued(Items);
  TagOutcome(Now, Tags);
  // Positions count from the first statement answered, the first of those that went ahead.
  for (std::size_t& I : Now.Unmade) I += Before.Done;
  Now.Unmade.insert(Now.Unmade.begin(), Before.Unmade.begin(), Before.Unmade.end());
  Now.UnmadeIds.insert(Now.UnmadeIds.begin(), Before.UnmadeIds.begin(), Before.UnmadeIds.end());
  if (Now.LastDone == 0) Now.LastDone = Before.LastDone;
  Now.Done += Before.Done;
  Now.RefusedAt += Before.Done;
  return Now;
}

void TQELAdapterQuery::InternalOpen() {
  DropStream();
  AwaitDatabaseReadAhead();
  std::string Sent;
  TBoundParams Bound;
  Bind(Sent, Bound);
  if (UniDirectional) {
    std::vector<TResultColumn> Columns;
    if (std::unique_ptr<TRowStream> S = OpenStream(Sent, Bound, Columns)) {
      FStream = std::move(S);
      for (const TResultColumn& C : Columns)
        AddField(C.Name, C.DataType, C.Size)->SetScale(C.Scale);
      FillBlock();
      return;
    }
  }
  TQueryResult Result;
  Execute(Sent, Bound, Result);
  for (const TResultColumn& C : Result.Columns)
    AddField(C.Name, C.DataType, C.Size)->SetScale(C.Scale);
  for (TRecord& Row : Result.Rows) AppendRecord(std::move(Row));
}

void TQELAdapterQuery::InternalClose() {
  DropStream();
  TQELQuery::InternalClose();
}

TQELAdapterQuery::~TQELAdapterQuery() {
  EndStream();
}

namespace {

std::atomic<std::size_t> PeakRows{0};

/// Bytes of values a block of a streamed result holds, roughly.
constexpr std::size_t StreamBlockBytes = 512u << 10;
constexpr std::size_t StreamBlockRowsMax = 100000;

void NotePeak(std::size_t Rows) {
  std::size_t Seen = PeakRows.load();
  while (Rows > Seen && !PeakRows.compare_exchange_weak(Seen, Rows)) {
  }
}

}  // namespace

std::size_t TQELAdapterQuery::PeakHeldRows() {
  return PeakRows.load();
}

void TQELAdapterQuery::ResetPeakHeldRows() {
  PeakRows.store(0);
}

// ---------------------------------------------------------------------------------------------

bool TBlockReadAhead::Start(TRowStream& Stream, std::size_t Bytes, std::size_t MaxRows) {
  assert(FState == TState::Idle && "a block is read ahead already");
  FBlock = TBlock();
  try {
    FThread = std::async(std::launch::async,
                         [this, &Stream, Bytes, MaxRows] { Run(Stream, Bytes, MaxRows); });
  } catch (const std::system_error&) {
    return false;
  }
  FState = TState::Reading;
  return true;
}

void TBlockReadAhead::Run(TRowStream& Stream, std::size_t Bytes, std::size_t MaxRows) {
  std::size_t Held = 0, N = 0;
  try {
    while (Held < Bytes && N < MaxRows) {
      if (N == FRows.size()) FRows.emplace_back();
      if (!Stream.FetchAhead(FRows[N])) {
        FBlock.Stopped = true;
        break;
      }
      for (const TDataSet::TRecordValue& V : FRows[N]) Held += V.Data.size() + 16;
      ++N;
    }
  } catch (...) {
    // The rows before it stay; the reader meets the failure after them, on its own thread.
    FBlock.Error = std::current_exception();
    FBlock.Stopped = true;
  }
  FBlock.Count = N;
}

void TBlockReadAhead::Join() {
  if (FState != TState::Reading) return;
  FThread.get();  // Run keeps what it meets
  FState = TState::Read;
}

TBlockReadAhead::TBlock TBlockReadAhead::Take(TRecords& Rows) {
  Join();
  assert(FState == TState::Read && "no block was read ahead");
  Rows.swap(FRows);
  FState = TState::Idle;
  return FBlock;
}

void TBlockReadAhead::Discard() {
  Join();
  FState = TState::Idle;
}

// ---------------------------------------------------------------------------------------------

void TQELAdapterQuery::JoinReadAhead() {
  FAhead.Join();
  TQELAdapterDatabase* Db = FAheadDb;
  FAheadDb = nullptr;
  if (Db) Db->ReadAheadEnded();
}

void TQELAdapterQuery::ClaimConnection() {
  auto* Db = dynamic_cast<TQELAdapterDatabase*>(GetDatabase());
  if (Db && Db->FReadingAhead != this) Db->AwaitReadAhead();
}

void TQELAdapterQuery::EndStream() {
  JoinReadAhead();
  auto* Db = dynamic_cast<TQELAdapterDatabase*>(GetDatabase());
  if (Db && Db->FReadingAhead == this) Db->FReadingAhead = nullptr;  // the stream settles itself
  FAhead.Discard();
  FStream.reset();
}

void TQELAdapterQuery::DropStream() {
  EndStream();
  FLateError = nullptr;
  FSpilled.clear();
  FSpillPos = 0;
}

bool TQELAdapterQuery::TakeReadAhead(std::vector<TRecord>& Rows, std::size_t& N) {
  JoinReadAhead();
  const TBlockReadAhead::TBlock Block = FAhead.Take(Rows);
  N = Block.Count;
  if (!Block.Error) return Block.Stopped;
  EndStream();
  FLateError = Block.Error;
  return false;
}

void TQELAdapterQuery::SpillReadAhead() {
  if (!FAhead.Pending()) return;
  std::vector<TRecord> Rows;
  std::size_t N = 0;
  TakeReadAhead(Rows, N);
  if (N == 0) return;
  FSpilled.erase(FSpilled.begin(), FSpilled.begin() + static_cast<std::ptrdiff_t>(FSpillPos));
  FSpillPos = 0;
  FSpilled.insert(FSpilled.begin(), std::make_move_iterator(Rows.begin()),
                  std::make_move_iterator(Rows.begin() + static_cast<std::ptrdiff_t>(N)));
}

void TQELAdapterQuery::SpillStream() {
  if (!FStream) return;
  try {
    SpillReadAhead();
    // A failure met ahead ended the stream: the reader meets it after the rows before it.
    if (FStream) {
      ClaimConnection();
      TRecord Row;
      while (FStream->Fetch(Row)) FSpilled.push_back(std::move(Row));
    }
  } catch (...) {
    EndStream();
    throw;
  }
  EndStream();
  NotePeak(static_cast<std::size_t>(RecordCount()) + FSpilled.size() - FSpillPos);
}

std::size_t TQELAdapterQuery::StartReadAhead() {
  auto* Db = dynamic_cast<TQELAdapterDatabase*>(GetDatabase());
  if (!FStream || !FStream->ReadsAhead() || !Db || FAhead.Pending()) return 0;
  ClaimConnection();  // one reader ahead per connection
  // Counted now: from here on the thread grows the storage.
  const std::size_t Held = FAhead.Storage();
  FAheadDb = Db;
  Db->FReadingAhead = this;
  Db->ReadAheadBegins();
  if (FAhead.Start(*FStream, StreamBlockBytes, StreamBlockRowsMax)) return Held;
  // No thread to be had: the next block is read on the caller's thread, as without one.
  Db->FReadingAhead = nullptr;
  FAheadDb = nullptr;
  Db->ReadAheadEnded();
  return 0;
}

void TQELAdapterQuery::RaiseLateError() {
  const std::exception_ptr E = FLateError;
  FLateError = nullptr;
  std::vector<TRecord> None;
  SwapRecords(None);
  std::rethrow_exception(E);
}

void TQELAdapterQuery::FillBlock() {
  std::vector<TRecord> Rows;
  SwapRecords(Rows);  // the rows read: their buffers are filled again
  std::size_t Bytes = 0, N = 0;
  auto Take = [&](TRecord&& Row) {
    for (const TRecordValue& V : Row) Bytes += V.Data.size() + 16;
    if (N < Rows.size())
      Rows[N] = std::move(Row);
    else
      Rows.push_back(std::move(Row));
    ++N;
  };
  try {
    while (FSpillPos < FSpilled.size() && Bytes < StreamBlockBytes && N < StreamBlockRowsMax)
      Take(std::move(FSpilled[FSpillPos++]));
    if (FSpillPos == FSpilled.size() && FSpillPos > 0) {
      FSpilled.clear();
      FSpillPos = 0;
    }
    bool More = FStream != nullptr && N == 0;
    // The block read ahead; FetchAhead gave up early: the end, or a failure to report.
    if (More && FAhead.Pending()) More = TakeReadAhead(Rows, N);
    // On this thread: the first block, and what the read-ahead left to Fetch.
    if (More) ClaimConnection();
    while (More && Bytes < StreamBlockBytes && N < StreamBlockRowsMax) {
      if (N == Rows.size()) Rows.emplace_back();
      if (!FStream->Fetch(Rows[N])) {
        EndStream();
        break;
      }
      for (const TRecordValue& V : Rows[N]) Bytes += V.Data.size() + 16;
      ++N;
    }
  } catch (...) {
    EndStream();
    FLateError = std::current_exception();
  }
  // A failure comes after the rows read before it, in the next block when there are some.
  if (N == 0 && FLateError) RaiseLateError();
  Rows.resize(N);
  SwapRecords(Rows);
  const std::size_t Ahead = StartReadAhead();
  NotePeak(N + Ahead + FSpilled.size() - FSpillPos);
}

TGetResult TQELAdapterQuery::GetRecord(TGetMode GetMode) {
  const TGetResult R = TDataSet::GetRecord(GetMode);
  if (R != grEOF || GetMode != gmNext || (!FStream && FSpillPos >= FSpilled.size() && !FLateError))
    return R;
  FillBlock();
  if (RecordCount() == 0) return grEOF;
  return TDataSet::GetRecord(gmNext);
}

// ---------------------------------------------------------------------------------------------

void TQELAdapterDatabase::RaiseNotConnected() const {
  if (GetConnectionLost()) throw EDatabaseError(GetLostReason());
  throw EDatabaseError("Not connected to database.");
}

TQELAdapterDatabase::~TQELAdapterDatabase() {
  Unregister();
  AwaitReadAhead();
}

void TQELAdapterDatabase::AwaitReadAhead() {
  TQELAdapterQuery* Q = FReadingAhead;
  if (!Q) return;
  FReadingAhead = nullptr;
  Q->JoinReadAhead();
  if (Q->FStream) Q->FStream->Release();
}

namespace {

/// The adapter connections open in the process, for InterruptConnections.
struct TOpenConnections {
  std::mutex Lock;
  std::vector<TQELAdapterDatabase*> Open;
  std::atomic<const std::string*> Reason{nullptr};
};

TOpenConnections& OpenConnections() {
  // Never destroyed: a signal watcher may still call in while the process exits.
  static auto* Registry = new TOpenConnections();
  return *Registry;
}

}  // namespace

void InterruptConnections(const std::string& Reason) {
  TOpenConnections& R = OpenConnections();
  std::lock_guard<std::mutex> Guard(R.Lock);
  if (!R.Reason.load()) R.Reason.store(new std::string(Reason));  // kept for the process
  for (TQELAdapterDatabase* Db : R.Open) {
    Db->MarkInterrupted(R.Reason.load());
    Db->CutConnection();
  }
  R.Open.clear();
}

bool ConnectionsInterrupted() {
  return OpenConnections().Reason.load() != nullptr;
}

void TQELAdapterDatabase::Unregister() {
  TOpenConnections& R = OpenConnections();
  std::lock_guard<std::mutex> Guard(R.Lock);
  R.Open.erase(std::remove(R.Open.begin(), R.Open.end(), this), R.Open.end());
}

void TQELAdapterDatabase::SetConnected(bool Value) {
  AwaitReadAhead();
  if (!Value) {
    Disconnect();
    return;
  }
  if (GetConnected()) return;
  // A connection the server has ended is closed before a new one is opened.
  Disconnect();
  TOpenConnections& R = OpenConnections();
  if (const std::string* Why = R.Reason.load()) {
    MarkInterrupted(Why);
    throw EDatabaseError(*Why);
  }
  Connect();
  std::lock_guard<std::mutex> Guard(R.Lock);
  if (const std::string* Why = R.Reason.load()) {
    // Stopped while connecting: the new connection goes the way of the others.
    MarkInterrupted(Why);
    CutConnection();
    throw EDatabaseError(*Why);
  }
  R.Open.push_back(this);
}

void TQELAdapterDatabase::ReConnect(const std::string& DatabaseName) {
  SetConnected(false);
  if (Connection && !DatabaseName.empty())
    Connection->GetConnectionOptions().SetDatabaseName(DatabaseName);
  SetConnected(true);
}

const TConnectionOptions& TQELAdapterDatabase::ConnectOptions() const {
  if (!Connection) throw EDatabaseError("The database has no connection component.");
  return Connection->GetConnectionOptions();
}

}  // namespace qel
