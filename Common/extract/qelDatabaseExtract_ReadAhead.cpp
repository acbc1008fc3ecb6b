// The master's catalog read on a second connection while the target's is read: the worker
// thread, its queue of query texts and the query the master's extractor reads through.
#include <exception>
#include <tuple>
#include <utility>

#include "DataSet.h"
#include "Strings.h"
#include "qelDatabaseExtract.h"

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

TCatalogReadAhead::~TCatalogReadAhead() {
  {
    std::lock_guard<std::mutex> L(FLock);
    FStop = true;
  }
  FChanged.notify_all();
  if (FWorker.joinable()) FWorker.join();
  FCopy.reset();
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
  const std::string Key = KeyOf(Lines);
  {
    std::lock_guard<std::mutex> L(FLock);
    if (FEnded || FSpoiled) return;
    QueueLocked(Key, Lines, false);
  }
  FChanged.notify_all();
}

bool TCatalogReadAhead::Serves(const TQELCustomConnection* Connection) {
  if (Connection != FSource || HasSessionHandlers(*Connection) ||
      Connection->GetConnectionType() != FConnectionType ||
      Connection->GetDatabaseType() != FDatabaseType ||
      !SameOptions(Connection->GetConnectionOptions(), FOptions))
    return false;
  std::unique_lock<std::mutex> L(FLock);
  FChanged.wait(L, [this] { return FEnded || (FOpened && FQueue.empty() && !FBusy); });
  return !FEnded && !FSpoiled;
}

std::unique_ptr<TQELQuery> TCatalogReadAhead::CreateQuery() {
  return std::make_unique<TReadAheadQuery>(*this);
}

TQueryResult TCatalogReadAhead::Read(const std::vector<std::string>& Lines) {
  const std::string Key = KeyOf(Lines);
  std::unique_lock<std::mutex> L(FLock);
  if (!FReads.count(Key)) {
    QueueLocked(Key, Lines, true);
    FChanged.notify_all();
  }
  // Elements of the map keep their place while others come and go.
  TRead* R = &FReads[Key];
  FChanged.wait(L, [&] { return R->Done || FEnded; });
  if (!R->Done) throw EDatabaseError("The catalog session of the master ended.");
  TRead Taken = std::move(*R);
  FReads.erase(Key);
  L.unlock();
  if (Taken.Failed) throw EDatabaseError(Taken.Error);
  return std::move(Taken.Result);
}

void TCatalogReadAhead::Commit() {
  std::unique_lock<std::mutex> L(FLock);
  FCommitAsked = true;
  FChanged.notify_all();
  FChanged.wait(L, [this] { return FCommitDone || FEnded; });
  if (!FCommitDone) throw EDatabaseError("The catalog session of the master ended.");
  if (FCommitFailed) throw EDatabaseError(FCommitError);
}

bool TCatalogReadAhead::OpenSession(std::unique_ptr<TQELQuery>& Query) {
  FCopy->SetConnected(true);
  if (!FCopy->GetConnected()) return false;
  Query.reset(FCopy->CreateQuery(nullptr));
  if (!Query) return false;
  Query->SetParamCheck(false);
  FSnapshot = FCopy->StartReadSnapshot();
  return true;
}

void TCatalogReadAhead::RunRead(TQELQuery& Query, TRead& Read) {
  try {
    TStrings* SQL = Query.GetSQL();
    if (!SQL) throw EDatabaseError("The query of the connection takes no statement text.");
    if (Query.GetQueryActive()) Query.Close();
    SQL->Clear();
    for (const std::string& Line : Read.Lines) SQL->Add(Line);
    Query.Open();
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

void TCatalogReadAhead::Work() {
  std::unique_ptr<TQELQuery> Query;
  try {
    bool Open = false;
    try {
      Open = OpenSession(Query);
    } catch (const std::exception&) {
      Open = false;
    }
    std::unique_lock<std::mutex> L(FLock);
    FOpened = true;
    FEnded = !Open;
    FChanged.notify_all();
    while (Open) {
      FChanged.wait(L, [this] { return FStop || !FQueue.empty() || FCommitAsked; });
      if (FStop) break;
      if (FQueue.empty()) {
        FCommitAsked = false;
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
        FCommitFailed = Failed;
        FCommitError = Error;
        FCommitDone = true;
        FChanged.notify_all();
        continue;
      }
      TRead& R = FReads[FQueue.front()];
      FQueue.pop_front();
      // Once a read ahead failed, or the host cancels, the master is not read from here:
      // what is only read ahead is no longer worth the server's time.
      if (!R.Asked && (FSpoiled || TerminateRunning.load())) {
        R.Failed = true;
        R.Done = true;
        FSpoiled = true;
        FChanged.notify_all();
        continue;
      }
      FBusy = true;
      L.unlock();
      RunRead(*Query, R);
      L.lock();
      FBusy = false;
      R.Done = true;
      if (R.Failed) FSpoiled = true;
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
  FOpened = true;
  FEnded = true;
  FChanged.notify_all();
}

}  // namespace qel
