// Where the statements of a table data comparison go. The comparer decides what changes; a
// writer takes each statement it makes: one writer per output (standard output, a script file,
// statements run on the target), several of them in turn where a run has several outputs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "qelTypes.h"

namespace qel {

class TSQLExec;

/// One statement of a comparison: a row change (INSERT, UPDATE, DELETE) or one of the
/// statements that go before them (character set, connection, side file).
struct TRowChange {
  const std::string& SQL;
  TStatType Type;
  const std::string& ObjName;
  TDbObject ObjType;
  TDbOperation Operation;
};

/// Takes the statements of a run: Begin before the first, RowChange for each in the order made,
/// End after the last.
class TRowChangeWriter {
 public:
  virtual ~TRowChangeWriter() = default;
  /// False when the writer cannot take the run's statements; it has reported why.
  virtual bool Begin() { return true; }
  virtual void RowChange(const TRowChange& Change) = 0;
  /// Ok is False when the run reported an error.
  virtual void End(bool Ok) { (void)Ok; }
};

/// Writers that take each statement in turn, in the order added (a script written, then run).
class TRowChangeWriters : public TRowChangeWriter {
 public:
  void Add(TRowChangeWriter* Writer) { FWriters.push_back(Writer); }
  void Clear() { FWriters.clear(); }
  /// Begins each in turn; False at the first that cannot begin, after ending those begun.
  bool Begin() override;
  void RowChange(const TRowChange& Change) override;
  void End(bool Ok) override;

 private:
  std::vector<TRowChangeWriter*> FWriters;
};

/// Statements kept in a file of their own in the temporary folder (TMPDIR, else /tmp), which
/// has no name and goes with the spool, until they are handed to an executor a part at a time:
/// a script of a million rows runs in the memory of one part. Failures of the file raise
/// std::runtime_error.
class TStatementSpool : public TRowChangeWriter {
 public:
  TStatementSpool();
  void RowChange(const TRowChange& Change) override;
  /// The statements kept.
  std::size_t Count() const { return FCount; }
  /// Adds the next statements, about 4 MiB of text, to Exec; False when none is left.
  bool Fill(TSQLExec& Exec);
  /// Runs the statements kept on Exec's connection, as one script run of Exec a part at a time
  /// (TSQLExec::ExecuteScriptInParts).
  bool Execute(TSQLExec& Exec);

 private:
  void Write(const void* Data, std::size_t Size);
  void Read(void* Data, std::size_t Size);
  void Put(std::uint64_t V) { Write(&V, sizeof V); }
  void PutText(const std::string& T);
  std::uint64_t Get();
  std::string GetText();
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> FFile;
  std::size_t FCount = 0, FRead = 0;
  bool FReading = false;
};

}  // namespace qel
