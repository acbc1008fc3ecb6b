// The SQL Server script executor, and the Transact-SQL batch loading it shares with the ASE one:
// a script is cut into batches at its GO lines, each batch is read by the dialect parser to learn
// what it is about, and each runs as one statement through a connection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qelMSSQLParser.h"
#include "qelSQL_Exec.h"

namespace qel {

/// One batch of a Transact-SQL script: the lines between two GO lines.
struct TGoBatch {
  /// The lines of the batch joined by CR LF, without the GO line, blank lines around trimmed.
  std::string Text;
  /// Line of the script (from 1) the batch text starts on.
  std::int32_t Line = 0;
  /// "GO n": the batch runs n times.
  std::int32_t Count = 1;
};

/// Cuts Lines into batches. A GO line holds GO (any case) alone, with blanks around, an
/// optional repeat count and an optional "--" comment after it. GO inside a string literal, a
/// quoted or bracketed name or a comment (block comments nest) is text, as is GO as part of a
/// longer word. Batches with nothing but blanks are dropped; text after the last GO line is the
/// last batch.
std::vector<TGoBatch> SplitGoBatches(const TStrings& Lines);

/// The loading of the SQL Server and ASE executors: replaces Exec's statement list by the
/// batches of Lines, each added Count times as one statement, with the kind, object and
/// operation of the first statement Exec's parser reads in it. A batch the parser refuses is
/// left out; its errors stand in the message list with the script's name and the line and
/// column in the script (the first also went to OnErrorMessage). A USE statement names the
/// database the run connects to.
void LoadTransactSQLScript(TSQLExec& Exec, TStrings& Lines);

/// The Transact-SQL loading (LoadTransactSQLScript); everything else is the dialect executor's
/// (TSQLExecFor): statements, transactions, commit, rollback on error, BreakOnError.
class TMSSQLExec : public TSQLExecFor<TMSSQLParser, dbMSSQL> {
 public:
  using TSQLExecFor::TSQLExecFor;

  /// LoadTransactSQLScript.
  void LoadScript(TStrings& Lines) override;
};

}  // namespace qel
