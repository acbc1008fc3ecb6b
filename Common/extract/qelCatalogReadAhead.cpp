// The master's catalog read on a second connection while the target's is read: the worker
// thread, its queue of query texts and the query the master's extractor reads through.
#include "qelCatalogReadAhead.h"

#include <cassert>
#include <exception>
#include <tuple>
#include <utility>

#include "DataSet.h"
#include "Strings.h"
#include "qelCompObj.h"

namespace qel {

namespace {

/// The key of a query: its lines, apart by a byte no statement text holds.
std::string KeyOf(const std::vector<std::string>& Lines) {
  std::string Key;
  for (const std::string& Line : Lines) {
    Key += Line;
    Key += '\0';
  }
  return Key;
}

/// Every setting a session is opened with.
bool SameOptions(const TConnectionOptions& A, const TConnectionOptions& B) {
  auto Fields = [](const TConnectionOptions& O) {
    return std::tie(O.GetDatabaseName(), O.UserName, O.Password, O.RoleName, O.ServerName,
                    O.DatabasePath, O.Params, O.Port, O.HostName, O.UseWindowsAuthentication,
                    O.ConnectionString, O.Protocol, O.ClientLibrary);
  };
  return Fields(A) == Fields(B);
}

/// Handlers that run when the connection opens or closes: host code that may change the
/// settings or run statements that the catalog queries then see, and that a second connection
/// would not run.
bool HasSessionHandlers(const TQELCustomConnection& C) {
  return C.OnBeforeConnect || C.OnAfterConnect || C.OnBeforeDisconnect || C.OnAfterDisconnect;
}

/// The columns and rows of the open query Q, from its current row on.
TQueryResult ResultOf(TQELQuery& Q) {
  TQueryResult R;
  if (TFields* F = Q.GetFields())
    for (int I = 0; I < F->Count(); ++I) {
      const TField* Field = F->Fields(I);
      R.Columns.push_back({Field->GetFieldName(), Field->GetDataType(), Field->GetSize()});
    }
  for (; !Q.GetEof(); Q.Next()) {
    TFields* F = Q.GetFields();
    TDataSet::TRecord Row(R.Columns.size());
    for (std::size_t I = 0; I < Row.size(); ++I)
      if (const TField* Field = F ? F->Fields(static_cast<int>(I)) : nullptr) {
        Row[I].IsNull = Field->IsNull();
        Row[I].Data = Field->AsString();
      }
    R.Rows.push_back(std::move(Row));
  }
  return R;
}

/// The work query of an extraction that reads through a TCatalogReadAhead: each Open takes
/// the rows of its text from there.
class TReadAheadQuery : public TQELRowsQuery {
 public:
  explicit TReadAheadQuery(TCatalogReadAhead& Ahead) : TQELRowsQuery(nullptr), FAhead(Ahead) {}

  TStrings* GetSQL() override { return &FSQL; }
  /// The session only reads: a statement would change the snapshot's transaction for good.
  void ExecSQL() override {
    throw EDatabaseError("A catalog read ahead runs no statement but queries.");
  }

 protected:
  void InternalOpen() override {
    std::vector<std::string> Lines;
    Lines.reserve(static_cast<std::size_t>(FSQL.Count()));
    for (int I = 0; I < FSQL.Count(); ++I) Lines.push_back(FSQL[I]);
    TQueryResult R = FAhead.Read(Lines);
    for (const TResultColumn& C : R.Columns) AddField(C.Name, C.DataType, C.Size);
    for (TDataSet::TRecord& Row : R.Rows) AppendRecord(std::move(Row));
  }

 private:
  TCatalogReadAhead& FAhead;
  TStringList FSQL;
};

}  // namespace

std::unique_ptr<TCatalogReadAhead> TCatalogReadAhead::Start(TQELCustomConnection* Connection) {
  if (!dynamic_cast<TQELConnection*>(Connection) || HasSessionHandlers(*Connection) ||
      Connection->GetConnectionType() == cnAbstract)
    return nullptr;
  std::unique_ptr<TCatalogReadAhead> Ahead(new TCatalogReadAhead(*Connection));
  if (!Ahead->FCopy) return nullptr;
  try {
    Ahead->FWorker = std::thread([A = Ahead.get()] { A->Work(); });
  } catch (const std::exception&) {
    return nullptr;  // no thread to be had: the master is read after the target, as always
  }
  return Ahead;
}

TCatalogReadAhead::TCatalogReadAhead(TQELCustomConnection& Connection)
    : FSource(&Connection),
      FConnectionType(Connection.GetConnectionType()),
      FDatabaseType(Connection.GetDatabaseType()) {
  FOptions.Assign(Connection.GetConnectionOptions());
  auto Copy = std::make_unique<TQELConnection>(nullptr);
  // A failure stays the copy's last error: the worker reports nothing, and a master that
  // cannot be read ahead is read as without the copy, with the host's own messages.
  Copy->OnErrorMessage = [](TObject*, const std::string&) {};
  try {
    Copy->Assign(Connection);
  } catch (const std::exception&) {
    return;  // no adapter for the connection's type
  }
  FCopy = std::move(Copy);
}

void OpenQueryText(TQELQuery& Query, const std::vector<std::string>& Lines) {
  TStrings* SQL = Query.GetSQL();
  if (!SQL) throw EDatabaseError("The query of the connection takes no statement text.");
  if (Query.GetQueryActive()) Query.Close();
  SQL->Clear();
  for (const std::string& Line : Lines) SQL->Add(Line);
  Query.Open();
}

namespace {
const char* const SessionEnded = "The catalog session of the master ended.";
}  // namespace

TCatalogReadAhead::~TCatalogReadAhead() {
  {
    std::lock_guard<std::mutex> L(FLock);
    FState = TSession::Stopping;
  }
  FChanged.notify_all();
  if (FWorker.joinable()) FWorker.join();
  FCopy.reset();
}

bool TCatalogReadAhead::OverLocked() const {
  return FState == TSession::Spoiled || FState == TSession::Stopping || FState == TSession::Ended;
}

void TCatalogReadAhead::QueueLocked(const std::string& Key, const std::vector<std::string>& Lines,
                                    bool Asked) {
  auto [It, New] = FReads.try_emplace(Key);
  if (!New) return;
  It->second.Lines = Lines;
  It->second.Asked = Asked;
  if (Asked)
    FQueue.push_front(Key);
  else
    FQueue.push_back(Key);
}

void TCatalogReadAhead::Announce(const std::vector<std::string>& Lines) {
  assert(FPhase == TPhase::Announcing && "announced after Serves");
  const std::string Key = KeyOf(Lines);
  {
    std::lock_guard<std::mutex> L(FLock);
    if (OverLocked()) return;
    QueueLocked(Key, Lines, false);
  }
  FChanged.notify_all();
}

bool TCatalogReadAhead::Serves(const TQELCustomConnection* Connection) {
  assert(FPhase == TPhase::Announcing && "Serves asked twice");
  FPhase = TPhase::Serving;
  if (Connection != FSource || HasSessionHandlers(*Connection) ||
      Connection->GetConnectionType() != FConnectionType ||
      Connection->GetDatabaseType() != FDatabaseType ||
      !SameOptions(Connection->GetConnectionOptions(), FOptions))
    return false;
  std::unique_lock<std::mutex> L(FLock);
  FChanged.wait(L, [this] {
    return FState != TSession::Opening && FState != TSession::Reading &&
           !(FState == TSession::Idle && !FQueue.empty());
  });
  return FState == TSession::Idle;
}

bool TCatalogReadAhead::Snapshot() const {
  std::lock_guard<std::mutex> L(FLock);
  return FSnapshot;
}

std::unique_ptr<TQELQuery> TCatalogReadAhead::CreateQuery() {
  assert(FPhase == TPhase::Serving && "read through before Serves");
  return std::make_unique<TReadAheadQuery>(*this);
}

TQueryResult TCatalogReadAhead::Read(const std::vector<std::string>& Lines) {
  assert(FPhase == TPhase::Serving && "read through before Serves");
  const std::string Key = KeyOf(Lines);
  std::unique_lock<std::mutex> L(FLock);
  if (!FReads.count(Key)) {
    QueueLocked(Key, Lines, true);
    FChanged.notify_all();
  }
  // Elements of the map keep their place while others come and go.
  TRead* R = &FReads[Key];
  // After the commit nothing is read: the snapshot is gone.
  FChanged.wait(L, [&] {
    return R->Done || FState == TSession::Ended || FState == TSession::Committed ||
           FState == TSession::CommitFailed;
  });
  if (!R->Done) throw EDatabaseError(SessionEnded);
  TRead Taken = std::move(*R);
  FReads.erase(Key);
  L.unlock();
  if (Taken.Failed) throw EDatabaseError(Taken.Error);
  return std::move(Taken.Result);
}

void TCatalogReadAhead::Commit() {
  assert(FPhase == TPhase::Serving && "commit before Serves");
  std::unique_lock<std::mutex> L(FLock);
  if (FState == TSession::Idle || FState == TSession::Spoiled) {
    FState = TSession::Committing;
    FChanged.notify_all();
  }
  FChanged.wait(L, [this] {
    return FState == TSession::Committed || FState == TSession::CommitFailed ||
           FState == TSession::Ended;
  });
  if (FState == TSession::CommitFailed) throw EDatabaseError(FCommitError);
  if (FState != TSession::Committed) throw EDatabaseError(SessionEnded);
}

bool TCatalogReadAhead::OpenSession(std::unique_ptr<TQELQuery>& Query, bool& Snapshot) {
  FCopy->SetConnected(true);
  if (!FCopy->GetConnected()) return false;
  Query.reset(FCopy->CreateQuery(nullptr));
  if (!Query) return false;
  Query->SetParamCheck(false);
  Snapshot = FCopy->StartReadSnapshot();
  return true;
}

void TCatalogReadAhead::RunRead(TQELQuery& Query, const std::vector<std::string>& Lines,
                                TRead& Read) {
  try {
    OpenQueryText(Query, Lines);
    Read.Result = ResultOf(Query);
    Query.Close();
  } catch (const std::exception& E) {
    Read.Failed = true;
    Read.Error = E.what();
  } catch (...) {
    Read.Failed = true;
    Read.Error = "unknown error";
  }
}

void TCatalogReadAhead::ServeRead(std::unique_lock<std::mutex>& L, TQELQuery& Query,
                                  const std::string& Key) {
  TRead& Queued = FReads[Key];
  // Once a read failed, or the host cancels, the master is not read from here: what is only
  // read ahead is no longer worth the server's time.
  if (FState == TSession::Spoiled || (!Queued.Asked && TerminateRunning.load())) {
    Queued.Failed = true;
    Queued.Error = SessionEnded;
    Queued.Done = true;
    FState = TSession::Spoiled;
    return;
  }
  const std::vector<std::string> Lines = Queued.Lines;
  FState = TSession::Reading;
  L.unlock();
  TRead Outcome;
  RunRead(Query, Lines, Outcome);
  L.lock();
  // The entry stays until its reader took it, and nobody takes it before Done.
  TRead& R = FReads[Key];
  R.Result = std::move(Outcome.Result);
  R.Failed = Outcome.Failed;
  R.Error = std::move(Outcome.Error);
  R.Done = true;
  if (FState == TSession::Reading) FState = R.Failed ? TSession::Spoiled : TSession::Idle;
}

void TCatalogReadAhead::ServeCommit(std::unique_lock<std::mutex>& L) {
  L.unlock();
  std::string Error;
  bool Failed = false;
  try {
    FCopy->Commit();
  } catch (const std::exception& E) {
    Failed = true;
    Error = E.what();
  }
  L.lock();
  if (FState != TSession::Committing) return;  // stopping meanwhile
  FCommitError = Error;
  FState = Failed ? TSession::CommitFailed : TSession::Committed;
}

void TCatalogReadAhead::Work() {
  std::unique_ptr<TQELQuery> Query;
  try {
    bool Open = false, Snapshot = false;
    try {
      Open = OpenSession(Query, Snapshot);
    } catch (const std::exception&) {
      Open = false;
    }
    std::unique_lock<std::mutex> L(FLock);
    FSnapshot = Snapshot;
    if (FState == TSession::Opening) FState = Open ? TSession::Idle : TSession::Ended;
    FChanged.notify_all();
    while (FState != TSession::Stopping && FState != TSession::Ended) {
      FChanged.wait(L, [this] {
        return FState == TSession::Stopping || FState == TSession::Committing ||
               (!FQueue.empty() && (FState == TSession::Idle || FState == TSession::Spoiled));
      });
      if (FState == TSession::Stopping) break;
      if (FState == TSession::Committing) {
        ServeCommit(L);
      } else {
        const std::string Key = FQueue.front();
        FQueue.pop_front();
        ServeRead(L, *Query, Key);
      }
      FChanged.notify_all();
    }
  } catch (...) {
    // Nothing may leave the thread; whoever waits learns that the session is gone.
  }
  Query.reset();
  try {
    FCopy->SetConnected(false);
  } catch (...) {
  }
  std::lock_guard<std::mutex> L(FLock);
  FState = TSession::Ended;
  FChanged.notify_all();
}

}  // namespace qel
