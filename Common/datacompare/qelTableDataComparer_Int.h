// Declarations the table data comparer's own files share: the writers of its outputs, each
// taking the statements the comparison decided on.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "Files.h"
#include "qelRowChangeWriter.h"
#include "qelTableDataComparer.h"

namespace qel {

/// Hands each statement whole to OnWriteResultSQL (standard output, a pipe).
class TTextWriter : public TRowChangeWriter {
 public:
  explicit TTextWriter(TTableDataComparer& Owner) : FOwner(Owner) {}
  void RowChange(const TRowChange& Change) override;

 private:
  TTableDataComparer& FOwner;
};

/// Runs each row change on the target as it is made (UpdateImmediately); the other statements
/// of a script are not run. Row changes that may go several to a round trip wait in the
/// execution query's queue, each under the tag the query gave it: an answer names the rows it
/// settles by their tags.
class TExecuteWriter : public TRowChangeWriter {
 public:
  using TQueuedRow = TTableDataComparer::TQueuedRow;
  explicit TExecuteWriter(TTableDataComparer& Owner) : FOwner(Owner) {}
  void RowChange(const TRowChange& Change) override;
  /// Notes a row change just queued on the execution query (Bytes of text and values); True
  /// when a round trip's worth waits.
  bool Queue(TQueuedRow Row, std::size_t Bytes);
  /// Runs the row changes queued; without Wait they may be sent ahead, to be answered at the
  /// next call.
  void RunQueued(bool Wait = true);
  /// Takes the answer to the rows sent ahead, if any are; False when the run stops on it.
  bool AwaitAhead();
  /// Forgets every row queued (the run ends or starts).
  void Clear();

 private:
  /// How Settle runs the execution query's queue: takes the answer to what was sent ahead only,
  /// runs what is queued and waits, or sends it ahead.
  enum class QueueRun : std::uint8_t { Ahead, Wait, Send };
  /// Runs the queue as Run says and settles the rows the answer names by their tags: those
  /// done are counted, one refused ends the queue; False when the run stops on it.
  bool Settle(QueueRun Run);
  /// The queued row of a tag; nullptr when none has it.
  const TQueuedRow* QueuedRow(std::uint64_t Tag) const;

  TTableDataComparer& FOwner;
  std::deque<TQueuedRow> FQueued;
  std::size_t FQueuedBytes = 0;
  /// The tag of the last row sent ahead and not yet answered; 0 for none.
  std::uint64_t FSentUpTo = 0;
};

/// Adds each statement to SQLExec and writes it, ended by ";" and CR LF, to the script file.
/// The file is written under a hidden name beside its own and takes its own name only when the
/// run ends without an error: a failed run leaves no part of a script behind. A symbolic link
/// is followed (the file it names is replaced, the link stays); a pipe or a device such as
/// /dev/stdout cannot be replaced and is written as it is.
class TScriptWriter : public TRowChangeWriter {
 public:
  explicit TScriptWriter(TTableDataComparer& Owner) : FOwner(Owner) {}
  ~TScriptWriter() override { Discard(); }
  TScriptWriter(const TScriptWriter&) = delete;
  TScriptWriter& operator=(const TScriptWriter&) = delete;
  /// Creates the file when the comparer names one; False (reported) when it cannot.
  bool Begin() override;
  void RowChange(const TRowChange& Change) override;
  void End(bool Ok) override;
  /// True while statements go to a file.
  bool Writing() const { return FStream != nullptr; }

 private:
  void Write(const std::string& Text);
  /// Closes and removes the file under its hidden name, if any.
  void Discard();
  /// Opens Name itself (a pipe or a device); False (reported) when it cannot.
  bool BeginInPlace(const std::string& Name);
  TTableDataComparer& FOwner;
  std::unique_ptr<TFileStream> FStream;
  /// The hidden name written, empty when the file is written in place; the name it takes.
  std::string FTempName;
  std::string FDestName;
};

/// The writers of a comparer's outputs, made with it; each run chains those its settings ask for.
class TComparerOutputs {
 public:
  explicit TComparerOutputs(TTableDataComparer& Owner)
      : Execute(Owner), Script(Owner), FOwner(Owner), FText(Owner) {}
  /// Chains the writers in the order they take a statement (the text handed on, the statements
  /// run, the script file, the comparer's Writer) and begins them; False (reported) when one
  /// cannot begin.
  bool Begin();
  /// Ends the writers begun, Ok when the run reported no error; nothing when none were begun.
  void End(bool Ok);
  void RowChange(const TRowChange& Change) { FChain.RowChange(Change); }

  TExecuteWriter Execute;
  TScriptWriter Script;

 private:
  TTableDataComparer& FOwner;
  TTextWriter FText;
  TRowChangeWriters FChain;
  bool FBegun = false;
};

}  // namespace qel
