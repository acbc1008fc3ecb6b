// The writer that runs the row changes on the target as they are made: binds each statement's
// values, queues those that may go several to a round trip, and keeps the counts of what the
// target kept, refused or has not answered yet.
#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelClasses.h"
#include "qelDBEngine.h"
#include "qelTableDataComparer_Int.h"

namespace qel {

void TExecuteWriter::Reset() {
  FApplied = FAwaitingCommit = FInFlight = 0;
  FCommitRefused = false;
  Clear();
  FExecPlan = TExecPlan();
  FConnectionLost = false;
}

TQELCustomConnection* TExecuteWriter::OwnConnection(std::unique_ptr<TQELCustomConnection> Own) {
  FConnection = std::move(Own);
  return FConnection.get();
}

void TExecuteWriter::SetQuery(std::unique_ptr<TQELQuery> Query) {
  FQuery = std::move(Query);
  FExecPlan = TExecPlan();
}

void TExecuteWriter::Close() {
  FQuery.reset();
  FExecPlan = TExecPlan();
  FConnection.reset();
}

TQELCustomConnection* TExecuteWriter::Connection() const {
  return FConnection ? FConnection.get() : FOwner.FQELConnectionTarget;
}

void TExecuteWriter::RowChange(const TRowChange& Change) {
  if (RowStatementKind(Change.Type) >= 0) ExecuteImmediately(Change.SQL, Change.Type);
}

bool TExecuteWriter::Queue(TQueuedRow Row, std::size_t Bytes) {
  FQueued.push_back(std::move(Row));
  FQueuedBytes += Bytes;
  return FQuery->QueuedCount() >= TQELQuery::MaxQueuedStatements ||
         FQueuedBytes >= TQELQuery::MaxQueuedBytes;
}

void TExecuteWriter::Clear() {
  FQueued.clear();
  FQueuedBytes = 0;
  FSentUpTo = 0;
}

void TExecuteWriter::RunQueued(bool Wait) {
  if (FQueued.empty()) return;
  // The answer to what went ahead comes first, and its rows are settled before anything else
  // is sent: a connection lost while sending the next ones does not hide that they were kept.
  if (!AwaitAhead() || FQueued.empty()) return;
  FQueuedBytes = 0;
  Settle(Wait ? QueueRun::Wait : QueueRun::Send);
}

bool TExecuteWriter::AwaitAhead() {
  return FSentUpTo == 0 || Settle(QueueRun::Ahead);
}

const TExecuteWriter::TQueuedRow* TExecuteWriter::QueuedRow(std::uint64_t Tag) const {
  const auto It = std::lower_bound(FQueued.begin(), FQueued.end(), Tag,
                                   [](const TQueuedRow& R, std::uint64_t T) { return R.Tag < T; });
  return It != FQueued.end() && It->Tag == Tag ? &*It : nullptr;
}

bool TExecuteWriter::Settle(QueueRun Run) {
  TQELQuery* Q = FQuery.get();
  TQELQuery::TQueuedOutcome R;
  // Until the server answers, none of those sent is known to be kept or not.
  const auto Sent =
      std::count_if(FQueued.begin(), FQueued.end(), [this, Run](const TQueuedRow& Row) {
        return Run != QueueRun::Ahead || Row.Tag <= FSentUpTo;
      });
  FInFlight = static_cast<int>(Sent);
  try {
    R = Run == QueueRun::Ahead  ? Q->TakeSentAhead()
        : Run == QueueRun::Wait ? Q->ExecQueued()
                                : Q->SendQueued();
  } catch (const std::exception& E) {
    const TQueuedRow Row = FQueued.front();
    FQueued.clear();
    FSentUpTo = 0;
    RefusedStatement(*Row.SQL, Row.Values, E.what());
    return false;
  }
  // The rows answered are those up to the last one done; the rest went ahead or wait to be sent.
  FSentUpTo = 0;
  std::size_t Done = 0;
  while (Done < FQueued.size() && R.LastDone != 0 && FQueued[Done].Tag <= R.LastDone) ++Done;
  FAwaitingCommit += static_cast<int>(Done);
  for (const std::uint64_t Id : R.UnmadeIds)
    if (const TQueuedRow* Row = QueuedRow(Id)) NoteUnmade(*Row);
  if (const TQueuedRow* Refused = R.Refused ? QueuedRow(R.RefusedId) : nullptr) {
    // A deadlock took back the row changes sent with the refused one too: none of them is kept.
    const TQueuedRow Row = *Refused;
    FQueued.clear();
    FInFlight = 0;
    SettleApplied();
    RefusedStatement(*Row.SQL, Row.Values,
                     R.RolledBack ? R.Error + CrLf +
                                        "The server rolled back the row changes sent with it "
                                        "too, each time it was sent; none of them is kept."
                                  : R.Error);
    return false;
  }
  FQueued.erase(FQueued.begin(), FQueued.begin() + static_cast<std::ptrdiff_t>(Done));
  // Sent ahead, the rows left are under way until the next answer.
  if (Run == QueueRun::Send && !FQueued.empty()) FSentUpTo = FQueued.back().Tag;
  FInFlight = FSentUpTo == 0 ? 0 : static_cast<int>(FQueued.size());
  SettleApplied();
  return true;
}

void TExecuteWriter::ForgetExecPlan() {
  if (TQELQuery* Q = FQuery.get()) {
    Q->Close();
    if (TStrings* SQL = Q->GetSQL()) SQL->Clear();
  }
  FExecPlan = TExecPlan();
}

void TExecuteWriter::MakePlan(TQELQuery& Q, const std::string& aSQL, TStatType aStatType) {
  FExecPlan = TExecPlan();
  Q.Close();
  Q.SetParamCheck(true);
  Q.SetSQLText(aSQL);
  TExecPlan Plan;
  Plan.SQL = std::make_shared<const std::string>(aSQL);
  Plan.Type = aStatType;
  Plan.Named = FOwner.FParamFields;
  if (TParams* Params = Q.GetParams()) {
    for (int I = 0; I < Params->Count(); ++I) {
      TParam* P = Params->Items(I);
      TField* F = nullptr;
      for (const auto& [Name, Field] : FOwner.FParamFields)
        if (SameText(Name, P->Name)) F = Field;
      if (!F) {
        TQELQuery* Src =
            aStatType == stDelete ? FOwner.FQueryTarget.get() : FOwner.FQueryMaster.get();
        F = Src ? Src->FindField(P->Name) : nullptr;
      }
      if (!F) throw EDatabaseError("Field not assigned (TTableDataComparer.DoAddResultSQL)");
      Plan.Fields.push_back(F);
    }
  }
  FExecPlan = std::move(Plan);
}

void TExecuteWriter::ExecuteImmediately(const std::string& aSQL, TStatType aStatType) {
  TQELQuery* Q = FQuery.get();
  if (!Q) return;
  std::string Values;  // the bound values, to name a refused statement's row
  std::size_t Bytes = aSQL.size();
  // Large values are lent to their parameters for the one statement, not copied, and given back
  // before the parameters can go (a change of the statement text drops them).
  std::vector<std::pair<TParam*, TField*>> Lent;
  auto GiveBack = [&Lent] {
    for (const auto& [P, F] : Lent) P->ExchangeText(*F);
    Lent.clear();
  };
  try {
    // Row after row of one table has the same text: the query keeps it, and its parameters,
    // and only the values change. A BeforeOpen handler may change the query: it gets it fresh.
    const bool Again = !FOwner.BeforeOpen && FExecPlan.SQL && FExecPlan.Type == aStatType &&
                       *FExecPlan.SQL == aSQL && FExecPlan.Named == FOwner.FParamFields;
    if (!Again) MakePlan(*Q, aSQL, aStatType);
    if (TParams* Params = Q->GetParams()) {
      for (int I = 0; I < Params->Count(); ++I) {
        TParam* P = Params->Items(I);
        TField* F = FExecPlan.Fields[static_cast<std::size_t>(I)];
        AppendNamedValue(Values, P->Name, F);
        // Too large to wait in the queue, so sure to run (and be given back) here; a field bound
        // twice is lent once. A BeforeOpen handler sees the fields as they are: nothing is lent.
        const bool Large =
            !FOwner.BeforeOpen && !F->IsNull() && F->AsString().size() > MaxQueuedStatementBytes &&
            std::none_of(Lent.begin(), Lent.end(), [F](const auto& L) { return L.second == F; });
        if (!F->IsNull() && F->GetDataType() == ftBlob)
          P->SetAsBlob(Large ? std::string() : F->AsString());
        else if (FOwner.AsTargetHolds(F, *P)) {
          // bound as the target column holds it
        } else if (!F->IsNull() && F->GetDataType() == ftFloat && !IsNonFiniteText(F->AsString()))
          P->SetAsFloat(FOwner.FloatValue(F));
        else if (Large && F->GetDataType() == ftMemo)
          P->SetAsMemo(std::string());
        else
          P->AssignField(*F);
        if (Large && P->AsString().empty()) {
          P->ExchangeText(*F);
          Lent.emplace_back(P, F);
        }
        Bytes += P->AsString().size();
      }
    }
    if (FOwner.BeforeOpen) FOwner.BeforeOpen(Q);
  } catch (const std::exception& E) {
    GiveBack();
    ForgetExecPlan();
    RefusedStatement(aSQL, Values, E.what());
    return;
  }
  // Row changes that end the run at their first refusal go several to a round trip; a large
  // value goes on its own, so that no copy of it waits in the queue.
  const bool Large = Bytes > MaxQueuedStatementBytes;
  if (FOwner.BreakOnError && Q->CanQueue() && !Large) {
    std::uint64_t Tag = 0;
    try {
      Tag = Q->QueueExecSQL();
    } catch (const std::exception& E) {
      ForgetExecPlan();
      RefusedStatement(aSQL, Values, E.what());
      return;
    }
    // The server runs one round trip while the next is made.
    if (Queue({FExecPlan.SQL, std::move(Values), aStatType, Tag}, Bytes)) RunQueued(false);
    return;
  }
  // What waits in the queue runs first: the rows reach the target in the order they were made.
  RunQueued();
  if (!FOwner.FStopText.empty()) {
    GiveBack();
    return;
  }
  try {
    FInFlight = 1;
    Q->ExecSQL();
    GiveBack();
    FInFlight = 0;
    ++FAwaitingCommit;
    if (Q->RowsAffected() == 0)
      NoteUnmade({std::make_shared<const std::string>(aSQL), std::move(Values), aStatType});
    SettleApplied();
    Q->Close();
    // No copy of a large value stays with the query.
    if (Large || FOwner.BeforeOpen) ForgetExecPlan();
  } catch (const std::exception& E) {
    GiveBack();
    ForgetExecPlan();
    RefusedStatement(aSQL, Values, E.what());
  }
}

void TExecuteWriter::RefusedStatement(const std::string& aSQL, const std::string& Values,
                                      const std::string& Error) {
  // The round trip sent ahead went before this row: its answer comes first, so that its rows
  // are counted, and a refusal among them, not this row, is the one the run stops at.
  if (!AwaitAhead()) return;
  // Without its connection no later row can be written either: the comparison ends here,
  // and the one message carries the client's reason.
  const TQELCustomConnection* C = Connection();
  if (C && C->GetConnectionLost()) {
    FConnectionLost = true;
    throw EDatabaseError("Lost the connection to the target database \"" +
                         C->GetConnectionOptions().GetDatabaseName() + "\": " + C->GetLostReason());
  }
  FInFlight = 0;
  if (FOwner.BreakOnError) {
    // Reported once, by the merge that ends on it (ThrowIfStopped).
    FOwner.FStopText =
        "The target refused a row change, after " + IntToStr(FApplied + FAwaitingCommit) +
        " row change(s) were written; the run stops here." + CrLf + "Statement: " + aSQL +
        (Values.empty() ? std::string() : CrLf + ("Values: " + Values)) + CrLf +
        "Server: " + Trim(Error);
    return;
  }
  FOwner.DoErrMsg(Error);
}

void TExecuteWriter::NoteUnmade(const TQueuedRow& Row) {
  // The statement ran and the server changed nothing: the row stays as it was, and a second
  // run finds it again. Only what the server changed is counted as made.
  FOwner.CountUnmade(Row.Type, 1);
  --FAwaitingCommit;
  constexpr int Named = 20;
  if (FOwner.GetUnmadeCount() > Named) return;
  std::string Text =
      "The target changed no row for this row change (a trigger, a rule or another session kept "
      "it from the row); it is not counted as made.";
  Text += CrLf + ("Statement: " + *Row.SQL);
  if (!Row.Values.empty()) Text += CrLf + ("Values: " + Row.Values);
  if (FOwner.GetUnmadeCount() == Named)
    Text += CrLf + std::string("Further ones are counted, not named.");
  FOwner.MsgManager.AddMsg(Text, mt_Wrn);
}

void TExecuteWriter::CheckCommitted() {
  // Without row changes run at once no commit holds any.
  if (!FOwner.FUpdateImmediately) return;
  TQELCustomConnection* C = Connection();
  if (!C) return;
  const std::string Refused = C->TakeRefusedCommit();
  if (Refused.empty()) return;
  const int Lost = FAwaitingCommit;
  FAwaitingCommit = 0;
  if (Lost == 0 || !FOwner.FStopText.empty()) return;
  FCommitRefused = true;
  FOwner.FStopText =
      "The target refused to commit the " + IntToStr(Lost) +
      " row change(s) written while its rows were read (in the transaction that held "
      "them open), and rolled them all back; the run stops here." +
      CrLf + "Server: " + Trim(Refused);
}

void TExecuteWriter::SettleApplied() {
  const TQELCustomConnection* C = Connection();
  // A lost connection has taken the open transaction, and what waited in it, with it.
  if (!C || C->GetConnectionLost() || !C->GetConnected() || C->WorkAwaitsCommit()) return;
  FApplied += FAwaitingCommit;
  FAwaitingCommit = 0;
}

}  // namespace qel
