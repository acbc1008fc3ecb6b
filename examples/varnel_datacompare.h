// The `datacompare` command of the example program: makes the rows of a target table equal to
// those of a master table.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace varnel_cli {

/// One line of the command list of `varnel --help`.
extern const char* const DataCompareSummary;

/// The usage text of `varnel datacompare --help`.
void DataCompareHelp(std::ostream& Out);

/// Runs `varnel datacompare` with the arguments after the command name: the statements and the
/// summary go to Out, messages to Err, each as "varnel datacompare: type: text". Returns the exit
/// code: 0 success, 1 when the run reported errors, 2 for bad arguments.
int RunDataCompare(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);

}  // namespace varnel_cli
