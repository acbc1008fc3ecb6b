// The `extract` command of the example program: reads a database's schema through its catalog
// and writes it as one creation script.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace varnel_cli {

/// One line of the command list of `varnel --help`.
extern const char* const ExtractSummary;

/// The usage text of `varnel extract --help`.
void ExtractHelp(std::ostream& Out);

/// Runs `varnel extract` with the arguments after the command name: the script goes to Out (or
/// the --output file), messages to Err. Returns the exit code: 0 when the script was written, 1
/// when the database could not be read, 2 for bad arguments.
int RunExtract(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);

}  // namespace varnel_cli
