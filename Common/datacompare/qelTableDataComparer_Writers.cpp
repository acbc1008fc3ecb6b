// The writers of the table data comparer's outputs: text handed on and the script file (the
// statements run at once: qelTableDataComparer_Execute.cpp).
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <utility>

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
  const bool Ok = Text.size() >= MaxQueuedStatementBytes ? Written(Text) && Written(";\r\n")
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
