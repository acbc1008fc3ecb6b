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

namespace varnel_cli {
int RunExtract(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);
}  // namespace varnel_cli

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

// Every command answers --version as the program does, and datacompare's pipe into psql stops
// at a refused row (without ON_ERROR_STOP psql goes on, rolls back and exits 0).
TEST(CommandMessages, EachCommandAnswersVersionAndHelp) {
  const struct {
    const char* Name;
    TRunner Run;
    const char* Option;
    std::string Contains;
  } Cases[] = {
      {"compare", varnel_cli::RunCompare, "--version", "varnel "},
      {"datacompare", varnel_cli::RunDataCompare, "--version", "varnel "},
      {"extract", varnel_cli::RunExtract, "--version", "varnel "},
      {"datacompare", varnel_cli::RunDataCompare, "--help", "| psql -1 -v ON_ERROR_STOP=1 -f -"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::string(C.Name) + " " + C.Option);
    std::ostringstream Out, Err;
    EXPECT_EQ(C.Run({C.Option}, Out, Err), 0) << Err.str();
    EXPECT_NE(Out.str().find(C.Contains), std::string::npos) << Out.str();
    EXPECT_EQ(Err.str(), "");
  }
}

}  // namespace

#endif  // QEL_HAVE_COMPARE_COMMAND
