// The writers of the table data comparer's outputs: text handed on, statements run at once,
// the script file.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelDBEngine.h"
#include "qelTableDataComparer_Int.h"

namespace qel {

bool TComparerOutputs::Begin() {
  FChain.Clear();
  if (FOwner.OnWriteResultSQL) FChain.Add(&FText);
  if (FOwner.GetUpdateImmediately()) FChain.Add(&Execute);
  if (FOwner.GetScriptOptions().GenerateScript) FChain.Add(&Script);
  if (FOwner.Writer) FChain.Add(FOwner.Writer);
  FBegun = FChain.Begin();
  return FBegun;
}

void TComparerOutputs::End(bool Ok) {
  if (!FBegun) return;
  FBegun = false;
  FChain.End(Ok);
}

void TTextWriter::RowChange(const TRowChange& Change) {
  if (FOwner.OnWriteResultSQL) FOwner.OnWriteResultSQL(&FOwner, Change.SQL, true);
}

void TExecuteWriter::RowChange(const TRowChange& Change) {
  if (RowStatementKind(Change.Type) >= 0) FOwner.ExecuteImmediately(Change.SQL, Change.Type);
}

bool TExecuteWriter::Queue(TQueuedRow Row, std::size_t Bytes) {
  FQueued.push_back(std::move(Row));
  FQueuedBytes += Bytes;
  return FOwner.FQueryExec->QueuedCount() >= TQELQuery::MaxQueuedStatements ||
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
  TQELQuery* Q = FOwner.FQueryExec.get();
  TQELQuery::TQueuedOutcome R;
  // Until the server answers, none of those sent is known to be kept or not.
  const auto Sent =
      std::count_if(FQueued.begin(), FQueued.end(), [this, Run](const TQueuedRow& Row) {
        return Run != QueueRun::Ahead || Row.Tag <= FSentUpTo;
      });
  FOwner.FInFlight = static_cast<int>(Sent);
  try {
    R = Run == QueueRun::Ahead  ? Q->TakeSentAhead()
        : Run == QueueRun::Wait ? Q->ExecQueued()
                                : Q->SendQueued();
  } catch (const std::exception& E) {
    const TQueuedRow Row = FQueued.front();
    FQueued.clear();
    FSentUpTo = 0;
    FOwner.RefusedStatement(*Row.SQL, Row.Values, E.what());
    return false;
  }
  // The rows answered are those up to the last one done; the rest went ahead or wait to be sent.
  FSentUpTo = 0;
  std::size_t Done = 0;
  while (Done < FQueued.size() && R.LastDone != 0 && FQueued[Done].Tag <= R.LastDone) ++Done;
  FOwner.FAwaitingCommit += static_cast<int>(Done);
  for (const std::uint64_t Id : R.UnmadeIds)
    if (const TQueuedRow* Row = QueuedRow(Id)) FOwner.NoteUnmade(*Row);
  if (const TQueuedRow* Refused = R.Refused ? QueuedRow(R.RefusedId) : nullptr) {
    // A deadlock took back the row changes sent with the refused one too: none of them is kept.
    const TQueuedRow Row = *Refused;
    FQueued.clear();
    FOwner.FInFlight = 0;
    FOwner.SettleApplied();
    FOwner.RefusedStatement(*Row.SQL, Row.Values,
                            R.RolledBack
                                ? R.Error + "\r\n" +
                                      "The server rolled back the row changes sent with it "
                                      "too, each time it was sent; none of them is kept."
                                : R.Error);
    return false;
  }
  FQueued.erase(FQueued.begin(), FQueued.begin() + static_cast<std::ptrdiff_t>(Done));
  // Sent ahead, the rows left are under way until the next answer.
  if (Run == QueueRun::Send && !FQueued.empty()) FSentUpTo = FQueued.back().Tag;
  FOwner.FInFlight = FSentUpTo == 0 ? 0 : static_cast<int>(FQueued.size());
  FOwner.SettleApplied();
  return true;
}

bool TScriptWriter::Begin() {
  namespace fs = std::filesystem;
  const std::string& Name = FOwner.GetScriptFileName();
  if (Name.empty()) return true;
  std::error_code Ec;
  const fs::file_status Status = fs::status(Name, Ec);
  if (!Ec && fs::exists(Status) && !fs::is_regular_file(Status) && !fs::is_directory(Status))
    return BeginInPlace(Name);
  // The file a link names, the link to a file not made yet included.
  fs::path Dest = Name;
  for (int Hop = 0; Hop < 40 && fs::is_symlink(fs::symlink_status(Dest, Ec)); ++Hop) {
    const fs::path Target = fs::read_symlink(Dest, Ec);
    if (Ec) break;
    Dest = Target.is_absolute() ? Target : Dest.parent_path() / Target;
  }
  FDestName = Dest.string();
  // A file there already is replaced only when it could be written over.
  const bool Replaceable = !DirectoryExists(FDestName) &&
                           (!FileExists(FDestName) || ::access(FDestName.c_str(), W_OK) == 0);
  const std::string Folder = ExtractFilePath(FDestName);
  std::FILE* F = !Replaceable ? nullptr
                              : OpenTemporaryFile("." + ExtractFileName(FDestName) + ".",
                                                  Folder.empty() ? "./" : Folder, &FTempName);
  auto Stream = std::make_unique<TFileStream>();
  if (F && std::fclose(F) == 0 && Stream->Open(FTempName, fmCreate)) {
    FStream = std::move(Stream);
    return true;
  }
  if (F) std::remove(FTempName.c_str());
  FTempName.clear();
  FOwner.DoErrMsg("Cannot create the script file " + Name + ".");
  return false;
}

bool TScriptWriter::BeginInPlace(const std::string& Name) {
  auto Stream = std::make_unique<TFileStream>();
  if (Stream->Open(Name, fmCreate)) {
    FStream = std::move(Stream);
    return true;
  }
  FOwner.DoErrMsg("Cannot create the script file " + Name + ".");
  return false;
}

void TScriptWriter::RowChange(const TRowChange& Change) {
  if (TCustomSQLExec* Exec = FOwner.GetSQLExec())
    Exec->Add(Change.SQL, Change.Type, Change.ObjName, Change.ObjType, Change.Operation, "", "");
  Write(Change.SQL);
}

void TScriptWriter::Write(const std::string& Text) {
  if (!FStream) return;
  auto Written = [this](std::string_view Part) {
    return FStream->Write(Part.data(), static_cast<std::int64_t>(Part.size())) ==
           static_cast<std::int64_t>(Part.size());
  };
  // A statement with a large value is written as it is, not copied to be ended.
  const bool Ok = Text.size() >= TQELQuery::MaxQueuedStatementBytes
                      ? Written(Text) && Written(";\r\n")
                      : Written(Text + ";\r\n");
  if (!Ok) {
    Discard();
    FOwner.DoErrMsg("Cannot write the script file " + FOwner.GetScriptFileName() + ".");
  }
}

void TScriptWriter::End(bool Ok) {
  if (!FStream) return;
  const std::string& Name = FOwner.GetScriptFileName();
  if (!FStream->Close()) {
    Discard();
    FOwner.DoErrMsg("Cannot write the script file " + Name + ".");
    return;
  }
  FStream.reset();
  if (!Ok) {
    Discard();
    return;
  }
  if (!FTempName.empty() && std::rename(FTempName.c_str(), FDestName.c_str()) != 0) {
    Discard();
    FOwner.DoErrMsg("Cannot write the script file " + Name + ".");
    return;
  }
  FTempName.clear();
}

void TScriptWriter::Discard() {
  FStream.reset();
  if (!FTempName.empty()) std::remove(FTempName.c_str());
  FTempName.clear();
}

}  // namespace qel
