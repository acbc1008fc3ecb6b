// The example program's messages: every line on standard error names the command it comes from
// ("varnel compare: error: ..."), and a script that cannot be read says why.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Files.h"

#ifdef QEL_HAVE_COMPARE_COMMAND
#include "varnel_compare.h"
#include "varnel_datacompare.h"
#include "varnel_extract.h"

namespace {

using TRunner = std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)>;

struct TCase {
  const char* Name;
  TRunner Run;
  std::vector<std::string> Args;
  int Code;
  std::string FirstLine;  ///< the first line written to standard error
};

TEST(CommandMessages, EachLineNamesItsCommandAndTheReason) {
  const std::string Dir = ::testing::TempDir() + "/cli_messages";
  std::filesystem::create_directories(Dir + "/folder.sql");
  const std::string Empty = Dir + "/empty.sql";
  ASSERT_TRUE(qel::WriteStringToFile(Empty, ""));
  // Port 1 on the loopback: nothing listens there.
  const std::string Nowhere = "postgresql://u:p@127.0.0.1:1/db";
  const TCase Cases[] = {
      {"a folder for a script",
       varnel_cli::RunCompare,
       {"--dialect", "postgresql", "--master", Dir + "/folder.sql", "--target", Empty},
       1,
       "varnel compare: error: Script not load: " + Dir + "/folder.sql (Is a directory)"},
      {"a missing script",
       varnel_cli::RunCompare,
       {"--dialect", "postgresql", "--master", Dir + "/none.sql", "--target", Empty},
       1,
       "varnel compare: error: File not found: " + Dir + "/none.sql"},
      {"datacompare without a server",
       varnel_cli::RunDataCompare,
       {"--master-db", Nowhere, "--target-db", Nowhere, "--table", "t", "--key", "id"},
       1,
       "varnel datacompare: error: "},
      {"datacompare with bad arguments",
       varnel_cli::RunDataCompare,
       {"--master-db", Nowhere},
       2,
       "varnel datacompare: --target-db is required"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    std::ostringstream Out, Err;
    EXPECT_EQ(C.Run(C.Args, Out, Err), C.Code);
    const std::string Text = Err.str();
    const std::string First = Text.substr(0, Text.find('\n'));
    EXPECT_EQ(First.substr(0, C.FirstLine.size()), C.FirstLine) << Text;
    // No line is left without the command's name in the form the messages had before.
    EXPECT_EQ(Text.find("Error: "), std::string::npos) << Text;
  }
}

// Every command answers --version; datacompare's pipe into psql stops at a refused row.
TEST(CommandMessages, EachCommandAnswersVersion) {
  for (const TRunner& Run : {TRunner(varnel_cli::RunCompare), TRunner(varnel_cli::RunDataCompare),
                             TRunner(varnel_cli::RunExtract)}) {
    std::ostringstream Out, Err;
    EXPECT_EQ(Run({"--version"}, Out, Err), 0) << Err.str();
    EXPECT_EQ(Out.str().rfind("varnel ", 0), 0U) << Out.str();
  }
  std::ostringstream Out, Err;
  varnel_cli::RunDataCompare({"--help"}, Out, Err);
  EXPECT_NE(Out.str().find("| psql -1 -v ON_ERROR_STOP=1 -f -"), std::string::npos);
}

}  // namespace

#endif  // QEL_HAVE_COMPARE_COMMAND
