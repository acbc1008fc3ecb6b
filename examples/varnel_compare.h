// The `compare` command of the example program: compares a master and a target schema read from
// DDL scripts and prints the update script that turns the target into the master.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace varnel_cli {

/// One line of the command list of `varnel --help`.
extern const char* const CompareSummary;

/// The usage text of `varnel compare --help`.
void CompareHelp(std::ostream& Out);

/// Runs `varnel compare` with the arguments after the command name: the update script goes to
/// Out, messages to Err. Returns the exit code: 0 when the comparison succeeded, 1 when the
/// message list holds errors (no script is written then), 2 for bad arguments.
int RunCompare(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);

/// Set by the program (never by a caller that goes on running): once the update script is
/// written and flushed, RunCompare ends the process at once with success, leaving the two
/// schemas to the end of the process instead of freeing them object by object. Nothing is
/// open for writing then; the run with --execute returns as usual.
extern bool ExitWhenWritten;

}  // namespace varnel_cli
