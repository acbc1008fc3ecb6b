// Schema-change pairs of the dialects without a server here (tests/fixtures/converge/<dialect>/
// <case>/: target.sql, master.sql) judged by reading back, as a user of the example program
// judges them:
//   self      the master compared with itself gives no statement;
//   readback  the target followed by its update script compares to nothing against the master;
//   create    the creation script (the master against an empty target) compares to nothing.
// Oracle's reader leaves dropped objects in place (DROP changes nothing in what a script is read
// into), so its read-back passes DROP statements by.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "Text.h"
#include "qelASAScriptExtract.h"
#include "qelASEScriptExtract.h"
#include "qelDB2ScriptExtract.h"
#include "qelMSSQLScriptExtract.h"
#include "qelOracleScriptExtract.h"
#include "test_readback_util.h"

using namespace qel;
namespace readback = qel::testing::readback;

namespace {

using TTexts = std::vector<std::string>;
using TCompareFn = readback::TOutcome (*)(const TTexts&, const TTexts&,
                                          const std::function<void(TVarnel&)>&);

/// The statement lines of Script: those that begin with a word that starts a statement.
std::vector<std::string> StatementLines(const std::string& Script, bool SkipDrops) {
  std::vector<std::string> R;
  std::istringstream In(Script);
  for (std::string L; std::getline(In, L);) {
    const std::string U = UpperCase(Trim(L));
    const std::string Word = U.substr(0, U.find_first_of(" (\t\r"));
    if (SkipDrops && (Word == "DROP" || (Word == "ALTER" && U.find(" DROP ") != U.npos))) continue;
    if (Word == "CREATE" || Word == "ALTER" || Word == "DROP" || Word == "COMMENT" ||
        Word == "GRANT" || Word == "REVOKE" || Word == "EXEC" || Word.rfind("SP_", 0) == 0)
      R.push_back(L);
  }
  return R;
}

void ExpectCasesReadBack(const char* Dialect, TCompareFn Compare) {
  namespace fs = std::filesystem;
  const fs::path Root = fs::path(QEL_FIXTURES_DIR) / "converge" / Dialect;
  std::vector<fs::path> Cases;
  for (const auto& E : fs::directory_iterator(Root))
    if (E.is_directory()) Cases.push_back(E.path());
  std::sort(Cases.begin(), Cases.end());
  ASSERT_FALSE(Cases.empty()) << Root;
  const bool Oracle = std::string(Dialect) == "oracle";
  for (const fs::path& Dir : Cases) {
    SCOPED_TRACE(Dir.filename().string());
    const std::string Master = readback::ReadFile((Dir / "master.sql").string());
    const std::string Target = readback::ReadFile((Dir / "target.sql").string());
    const auto Nothing = [&](const readback::TOutcome& R, const char* Step, bool SkipDrops) {
      EXPECT_TRUE(R.Written) << Step;
      EXPECT_EQ(R.Errors, TTexts{}) << Step;
      EXPECT_EQ(StatementLines(R.Script, SkipDrops), TTexts{}) << Step << "\n" << R.Script;
    };
    Nothing(Compare({Master}, {Master}, nullptr), "self", false);
    const readback::TOutcome Update = Compare({Master}, {Target}, nullptr);
    ASSERT_TRUE(Update.Written);
    EXPECT_NE(StatementLines(Update.Script, false), TTexts{});
    Nothing(Compare({Master}, {Target, Update.Script}, nullptr), "readback", Oracle);
    const readback::TOutcome Create = Compare({Master}, {""}, nullptr);
    ASSERT_TRUE(Create.Written);
    Nothing(Compare({Master}, {Create.Script}, nullptr), "create", false);
  }
}

}  // namespace

TEST(ReadBackCases, DB2) {
  ExpectCasesReadBack("db2", readback::CompareScripts<TDB2ScriptExtract>);
}

TEST(ReadBackCases, Oracle) {
  ExpectCasesReadBack("oracle", readback::CompareScripts<TOracleScriptExtract>);
}

TEST(ReadBackCases, SqlServer) {
  ExpectCasesReadBack("mssql", readback::CompareScripts<TMSSQLScriptExtract>);
}

TEST(ReadBackCases, ASE) {
  ExpectCasesReadBack("ase", readback::CompareScripts<TASEScriptExtract>);
}

TEST(ReadBackCases, SqlAnywhere) {
  ExpectCasesReadBack("sqlanywhere", readback::CompareScripts<TASAScriptExtract>);
}
