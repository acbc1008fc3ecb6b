// Declarations the table data comparer's own files share: the writers of its outputs, each
// taking the statements the comparison decided on.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Files.h"
#include "qelRowChangeWriter.h"
#include "qelTableDataComparer.h"

namespace qel {

/// The line break of the comparer's statements and messages.
inline constexpr const char* CrLf = "\r\n";
/// The most bytes of one statement that TQELQuery queues (a larger value is "large").
inline constexpr std::size_t MaxQueuedStatementBytes = TQELQuery::MaxQueuedStatementBytes;

/// Hands each statement whole to OnWriteResultSQL (standard output, a pipe).
class TTextWriter : public TRowChangeWriter {
 public:
  explicit TTextWriter(TTableDataComparer& Owner) : FOwner(Owner) {}
  void RowChange(const TRowChange& Change) override;

 private:
  TTableDataComparer& FOwner;
};

/// "Name = value" of a statement's bound value appended to the list Out.
void AppendNamedValue(std::string& Out, const std::string& Name, const TDataValue* F);
/// "nan", "inf", "infinity" and their negatives, the words servers write for such floats.
bool IsNonFiniteText(const std::string& S);

/// Runs each row change on the target as it is made (UpdateImmediately); the other statements
/// of a script are not run. Row changes that may go several to a round trip wait in the
/// execution query's queue, each under the tag the query gave it: an answer names the rows it
/// settles by their tags.
class TExecuteWriter : public TRowChangeWriter {
 public:
  /// A row change queued on the execution query, to name it when the target refuses it.
  struct TQueuedRow {
    std::shared_ptr<const std::string> SQL;
    std::string Values;
    TStatType Type = stStatement;
    std::uint64_t Tag = 0;  ///< the execution query's, rising along the queue
  };
  explicit TExecuteWriter(TTableDataComparer& Owner) : FOwner(Owner) {}
  void RowChange(const TRowChange& Change) override;
  /// Runs the row changes queued; without Wait they may be sent ahead, to be answered at the
  /// next call.
  void RunQueued(bool Wait = true);
  /// Takes the answer to the rows sent ahead, if any are; False when the run stops on it.
  bool AwaitAhead();
  /// Forgets every row queued (the run ends or starts).
  void Clear();
  /// Clears the counts and what the last run left, as a run starts.
  void Reset();
  /// Takes Own, the connection of the run's own that the rows are written through, and gives
  /// it back to be connected.
  TQELCustomConnection* OwnConnection(std::unique_ptr<TQELCustomConnection> Own);
  /// Takes the execution query of a run.
  void SetQuery(std::unique_ptr<TQELQuery> Query);
  /// Lets the execution query, then the connection of the run's own, go.
  void Close();
  /// The connection the row changes run on at once: the target's, or one of their own.
  TQELCustomConnection* Connection() const;
  /// Takes a refusal of the commit that ended the transaction the row changes waited in (the
  /// one of the target's open cursor): they are lost, and the run stops on it.
  void CheckCommitted();
  /// Counts the statements run at once as applied when the target holds no transaction open
  /// for them any more (committed); else they wait.
  void SettleApplied();
  /// Row changes the target keeps (TTableDataComparer::GetAppliedCount).
  int Applied() const { return FApplied; }
  /// Row changes sent whose outcome the target has not told yet.
  int InFlight() const { return FInFlight; }
  /// True when the connection the rows were written through was lost under the run.
  bool ConnectionLost() const { return FConnectionLost; }
  /// True when the target refused the commit of the row changes it had run.
  bool CommitRefused() const { return FCommitRefused; }

 private:
  /// Runs one statement on the target with its parameters bound.
  void ExecuteImmediately(const std::string& aSQL, TStatType aStatType);
  /// Makes the plan of a statement the execution query does not hold yet: its text, and the
  /// field each parameter takes its value from.
  void MakePlan(TQELQuery& Q, const std::string& aSQL, TStatType aStatType);
  /// A statement the target did not run: ends the run when the connection is lost (an
  /// exception), else stops it (BreakOnError) or reports the error.
  void RefusedStatement(const std::string& aSQL, const std::string& Values,
                        const std::string& Error);
  /// A row change the server says met no row: counted and, the first few, named.
  void NoteUnmade(const TQueuedRow& Row);
  /// Lets the execution query forget its text and values.
  void ForgetExecPlan();
  /// Notes a row change just queued on the execution query (Bytes of text and values); True
  /// when a round trip's worth waits.
  bool Queue(TQueuedRow Row, std::size_t Bytes);
  /// How Settle runs the execution query's queue: takes the answer to what was sent ahead only,
  /// runs what is queued and waits, or sends it ahead.
  enum class QueueRun : std::uint8_t { Ahead, Wait, Send };
  /// Runs the queue as Run says and settles the rows the answer names by their tags: those
  /// done are counted, one refused ends the queue; False when the run stops on it.
  bool Settle(QueueRun Run);
  /// The queued row of a tag; nullptr when none has it.
  const TQueuedRow* QueuedRow(std::uint64_t Tag) const;

  TTableDataComparer& FOwner;
  std::unique_ptr<TQELQuery> FQuery;
  /// The connection the rows are written through when it is not the target's own.
  std::unique_ptr<TQELCustomConnection> FConnection;
  /// What the execution query holds from the last row change: its text and kind, the
  /// statement's parameter fields as they were named, and the field each parameter of the query
  /// takes its value from. A row change of the same text and fields only binds its values.
  struct TExecPlan {
    std::shared_ptr<const std::string> SQL;
    TStatType Type = stStatement;
    std::vector<std::pair<std::string, TField*>> Named;
    std::vector<TField*> Fields;
  };
  TExecPlan FExecPlan;
  std::deque<TQueuedRow> FQueued;
  std::size_t FQueuedBytes = 0;
  /// The tag of the last row sent ahead and not yet answered; 0 for none.
  std::uint64_t FSentUpTo = 0;
  int FApplied = 0;
  int FAwaitingCommit = 0;  ///< run at once inside a transaction still open
  int FInFlight = 0;
  bool FConnectionLost = false;
  bool FCommitRefused = false;
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
