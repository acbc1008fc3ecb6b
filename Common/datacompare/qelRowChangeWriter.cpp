// The chain of writers and the on-disk statement spool.
#include "qelRowChangeWriter.h"

#include <stdexcept>

#include "Files.h"
#include "qelSQL_Exec.h"

namespace qel {

bool TRowChangeWriters::Begin() {
  for (std::size_t I = 0; I < FWriters.size(); ++I) {
    if (FWriters[I]->Begin()) continue;
    while (I-- > 0) FWriters[I]->End(false);
    return false;
  }
  return true;
}

void TRowChangeWriters::RowChange(const TRowChange& Change) {
  for (TRowChangeWriter* W : FWriters) W->RowChange(Change);
}

void TRowChangeWriters::End(bool Ok) {
  for (TRowChangeWriter* W : FWriters) W->End(Ok);
}

namespace {

int CloseFile(std::FILE* F) {
  return std::fclose(F);
}

}  // namespace

TStatementSpool::TStatementSpool() : FFile(OpenTemporaryFile("varnel_spool_"), CloseFile) {
  if (!FFile) throw std::runtime_error("Cannot create a temporary file.");
}

void TStatementSpool::RowChange(const TRowChange& Change) {
  Put(static_cast<std::uint64_t>(Change.Type));
  Put(static_cast<std::uint64_t>(Change.ObjType));
  Put(static_cast<std::uint64_t>(Change.Operation));
  PutText(Change.ObjName);
  PutText(Change.SQL);
  ++FCount;
}

bool TStatementSpool::Fill(TSQLExec& Exec) {
  if (!FReading) {
    if (std::fflush(FFile.get()) != 0) throw std::runtime_error("Cannot write a temporary file.");
    std::rewind(FFile.get());
    FReading = true;
  }
  constexpr std::size_t PartBytes = 4u << 20;
  constexpr std::size_t PartStatements = 10000;
  std::size_t Bytes = 0, N = 0;
  while (FRead < FCount && Bytes < PartBytes && N < PartStatements) {
    const auto Type = static_cast<TStatType>(Get());
    const auto ObjType = static_cast<TDbObject>(Get());
    const auto Op = static_cast<TDbOperation>(Get());
    const std::string ObjName = GetText();
    const std::string Text = GetText();
    Exec.Add(Text, Type, ObjName, ObjType, Op, "", "");
    Bytes += Text.size();
    ++N;
    ++FRead;
  }
  return N > 0;
}

bool TStatementSpool::Execute(TSQLExec& Exec) {
  return Exec.ExecuteScriptInParts([this](TSQLExec& E) { return Fill(E); });
}

void TStatementSpool::Write(const void* Data, std::size_t Size) {
  if (std::fwrite(Data, 1, Size, FFile.get()) != Size)
    throw std::runtime_error("Cannot write a temporary file.");
}

void TStatementSpool::Read(void* Data, std::size_t Size) {
  if (std::fread(Data, 1, Size, FFile.get()) != Size)
    throw std::runtime_error("Cannot read a temporary file.");
}

void TStatementSpool::PutText(const std::string& T) {
  Put(T.size());
  Write(T.data(), T.size());
}

std::uint64_t TStatementSpool::Get() {
  std::uint64_t V = 0;
  Read(&V, sizeof V);
  return V;
}

std::string TStatementSpool::GetText() {
  std::string T(static_cast<std::size_t>(Get()), '\0');
  Read(T.data(), T.size());
  return T;
}

}  // namespace qel
