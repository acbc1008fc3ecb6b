// varnel: the example program that drives the library's components from the command line.
//
//   varnel --help | --version
//   varnel <command> --help
//   varnel compare --dialect postgresql --master FILE... --target FILE...
//   varnel datacompare --master-db URI --target-db URI --table NAME [--key F1,F2]
//                      [--script FILE] [--execute]
//                      (a side may be odbc://DSN or odbc:CONNECTION-STRING)
//   varnel extract --db URI [--output FILE]
//
// Exit codes: 0 success, 1 the run reported errors (they are printed), 2 bad arguments.
//
// A command is one entry of the Commands table below: its name, a one-line summary, its usage
// text and the function that runs it with the arguments after the command name.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <ibase.h>

#include "qelConnection_ADODB.h"
#include "qelConnection_FIBDB.h"
#include "qelConnection_MyDACDB.h"
#include "qelConnection_PGDACDB.h"
#include "varnel_compare.h"
#include "varnel_datacompare.h"
#include "varnel_db.h"
#include "varnel_extract.h"
#include "varnel_stop.h"

using namespace qel;
using namespace varnel_cli;

// In a build with the leak checker, the Firebird client's process-wide allocations (its
// authentication plugin's big-number state, its character-set converters) live until the
// process ends and are reported at exit as leaks of ours; they are not this program's to free.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfbclient.so\nleak:libtommath.so\n";
}

namespace {

struct TCommand {
  const char* Name;
  const char* Summary;
  void (*Help)(std::ostream& Out);
  int (*Run)(const std::vector<std::string>& Args);
};

int CompareRun(const std::vector<std::string>& Args) {
  varnel_cli::ExitWhenWritten = true;
  return varnel_cli::RunCompare(Args, std::cout, std::cerr);
}

int ExtractRun(const std::vector<std::string>& Args) {
  return varnel_cli::RunExtract(Args, std::cout, std::cerr);
}

int DataCompareRun(const std::vector<std::string>& Args) {
  return varnel_cli::RunDataCompare(Args, std::cout, std::cerr);
}

const TCommand Commands[] = {
    {"compare", varnel_cli::CompareSummary, varnel_cli::CompareHelp, CompareRun},
    {"datacompare", varnel_cli::DataCompareSummary, varnel_cli::DataCompareHelp, DataCompareRun},
    {"extract", varnel_cli::ExtractSummary, varnel_cli::ExtractHelp, ExtractRun},
};

void MainHelp(std::ostream& Out) {
  Out << "Usage: varnel <command> [options]\n"
         "       varnel <command> --help\n"
         "       varnel --help | --version\n"
         "\n"
         "Commands:\n";
  for (const TCommand& C : Commands) {
    std::string Name = C.Name;
    Name.resize(14, ' ');
    Out << "  " << Name << C.Summary << '\n';
  }
  Out << "\nExit codes: 0 success, 1 the run reported errors, 2 bad arguments.\n";
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // A comparison builds two schemas of many small objects, on two threads: the heaps grow in
  // steps of 64 MiB rather than 128 KiB, a few times instead of thousands (about a tenth of the
  // time of a comparison of 10,000 tables). What is not used yet is never touched.
  mallopt(M_TOP_PAD, 64 << 20);
#endif
  const std::vector<std::string> Args(argv + 1, argv + argc);
  if (Args.empty()) {
    MainHelp(std::cerr);
    return ExitUsage;
  }
  if (Args[0] == "--help" || Args[0] == "-h") {
    MainHelp(std::cout);
    return ExitOk;
  }
  if (Args[0] == "--version") {
    std::cout << "varnel " << QEL_VERSION << '\n';
    return ExitOk;
  }
  for (const TCommand& C : Commands) {
    if (Args[0] != C.Name) continue;
    // Before the run starts any thread: Ctrl-C and SIGTERM then stop it in order.
    TStopOnSignal Stop;
    int Code = ExitErrors;
    try {
      Code = C.Run(std::vector<std::string>(Args.begin() + 1, Args.end()));
    } catch (const TUsageError& E) {
      Code = UsageFailure(std::cerr, C.Name, E.Text);
    }
    // A stopped run did not do all it was asked, even where it got to its end.
    if (Stop.Signal() != 0 && Code == ExitOk) {
      std::cerr << "varnel " << C.Name << ": error: stopped by "
                << TStopOnSignal::SignalName(Stop.Signal()) << '\n';
      Code = ExitErrors;
    }
    // The Firebird client ends its threads (a timer of its plugins, say) only in its finalizer,
    // as the process exits, where a leak checker stopping the threads meets them; its own
    // shutdown ends them here. Bounded: a server that stopped answering does not hold the exit.
    constexpr unsigned FirebirdShutdownMs = 5000;
    fb_shutdown(FirebirdShutdownMs, fb_shutrsn_exit_called);
    return Code;
  }
  std::cerr << "varnel: unknown command: " << Args[0] << "\nTry 'varnel --help'.\n";
  return ExitUsage;
}
