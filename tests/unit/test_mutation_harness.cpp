// Mutated scripts through the example program's compare command, per script dialect: the
// example and fixture scripts are cut, doubled, shuffled and sprinkled with stray bytes under a
// fixed seed, and each mutant is compared with the script it came from (in turn as master and as
// target). Whatever the mutant holds, the run must end (no crash, no hang: every input is
// bounded in size) and must never succeed while it reports an error: exit code 0 with an error
// among the messages would hand out an update script built from a schema read in part.
//
// Broken DDL that a reader takes without complaint (exit 0 and no message) is not judged here:
// that is for the tests of each dialect's reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Files.h"

#ifdef QEL_HAVE_COMPARE_COMMAND
#include "varnel_compare.h"

namespace {

namespace fs = std::filesystem;

/// Mutants made per dialect; with the bound on their size a dialect takes a few seconds under
/// the sanitizers.
constexpr int kMutants = 240;
/// No mutant is longer than this: a reader may be linear and still slow on megabytes.
constexpr std::size_t kMaxSize = 12 * 1024;

struct TDialect {
  const char* Name;  ///< the --dialect value
  /// Seed scripts: files under the examples' data folder or the fixtures, by path relative to
  /// the project; a path ending in "/" takes every *.sql of that folder and its subfolders.
  std::vector<const char*> Seeds;
};

void PrintTo(const TDialect& D, std::ostream* Out) {
  *Out << D.Name;
}

const TDialect Dialects[] = {
    {"postgresql",
     {"examples/data/orders_v1.sql", "examples/data/orders_v2.sql",
      "tests/fixtures/pg_complete/schema.sql", "tests/fixtures/metadata/shop_postgresql.sql",
      "tests/fixtures/pg_compare/"}},
    {"mysql", {"tests/fixtures/metadata/shop_mysql.sql", "tests/fixtures/converge/mysql/"}},
    {"firebird",
     {"examples/data/firebird/", "tests/fixtures/fb_complete/schema.sql",
      "tests/fixtures/metadata/shop_firebird.sql"}},
    {"db2", {"examples/data/db2/", "tests/fixtures/db2/schema.sql"}},
    {"oracle",
     {"examples/data/oracle/orders_v1.sql", "examples/data/oracle/orders_v2.sql",
      "tests/fixtures/oracle/schema.sql"}},
    {"sqlanywhere", {"examples/data/sqlanywhere/", "tests/fixtures/sqlanywhere/schema.sql"}},
    {"mssql",
     {"examples/data/mssql/", "tests/fixtures/mssql/schema.sql",
      "tests/fixtures/mssql/smaller.sql"}},
    {"ase",
     {"examples/data/ase/", "tests/fixtures/ase/schema.sql", "tests/fixtures/ase/smaller.sql"}},
};

std::string ProjectPath(const std::string& Relative) {
  return fs::path(QEL_FIXTURES_DIR).parent_path().parent_path().string() + "/" + Relative;
}

std::vector<std::string> SeedTexts(const TDialect& D) {
  std::vector<std::string> Files;
  for (const std::string Seed : D.Seeds) {
    const std::string Path = ProjectPath(Seed);
    if (Seed.back() != '/') {
      Files.push_back(Path);
      continue;
    }
    std::vector<std::string> Found;
    for (const auto& E : fs::recursive_directory_iterator(Path))
      if (E.is_regular_file() && E.path().extension() == ".sql") Found.push_back(E.path());
    std::sort(Found.begin(), Found.end());
    Files.insert(Files.end(), Found.begin(), Found.end());
  }
  std::vector<std::string> Texts;
  for (const std::string& F : Files) {
    std::string Text;
    // Update scripts among the fixtures (*update*) are the library's output, not its input.
    if (F.find("update") != std::string::npos || !qel::ReadFileToString(F, Text)) continue;
    if (!Text.empty() && Text.size() <= kMaxSize) Texts.push_back(std::move(Text));
  }
  return Texts;
}

/// The mutations, each on the bytes of a script. The engine's raw output picks every choice,
/// so that a seed gives the same mutants with every standard library.
class TMutator {
 public:
  explicit TMutator(std::uint32_t Seed) : FRandom(Seed) {}

  std::string Mutate(std::string S) {
    const std::size_t Steps = 1 + Below(3);
    for (std::size_t I = 0; I < Steps; ++I) {
      switch (Below(8)) {
        case 0:
          S = Tokens(S, TokenEdit::Delete);
          break;
        case 1:
          S = Tokens(S, TokenEdit::Duplicate);
          break;
        case 2:
          S = Tokens(S, TokenEdit::Swap);
          break;
        case 3:
          S = Lines(S, TokenEdit::Delete);
          break;
        case 4:
          S = Lines(S, TokenEdit::Duplicate);
          break;
        case 5:
          S = Lines(S, TokenEdit::Swap);
          break;
        case 6: {  // stray bytes, any of the 256
          std::string Bytes;
          for (std::size_t N = 1 + Below(8); N > 0; --N) Bytes += static_cast<char>(Below(256));
          S.insert(Below(S.size() + 1), Bytes);
          break;
        }
        default:
          S.resize(Below(S.size() + 1));
          break;
      }
    }
    if (S.size() > kMaxSize) S.resize(kMaxSize);
    return S;
  }

  std::size_t Below(std::size_t N) { return N == 0 ? 0 : FRandom() % N; }

 private:
  enum class TokenEdit { Delete, Duplicate, Swap };
  std::mt19937 FRandom;

  /// S cut into pieces (a piece is a token or a line, with what follows it up to the next).
  static std::vector<std::string> Pieces(const std::string& S, bool ByLine) {
    std::vector<std::string> R;
    std::size_t I = 0;
    while (I < S.size()) {
      std::size_t J = I + 1;
      if (ByLine) {
        while (J < S.size() && S[J - 1] != '\n') ++J;
      } else {
        auto Word = [](char C) { return std::isalnum(static_cast<unsigned char>(C)) || C == '_'; };
        if (Word(S[I]))
          while (J < S.size() && Word(S[J])) ++J;
        while (J < S.size() && std::isspace(static_cast<unsigned char>(S[J]))) ++J;
      }
      R.push_back(S.substr(I, J - I));
      I = J;
    }
    return R;
  }

  std::string Edit(std::vector<std::string> P, TokenEdit How) {
    if (P.empty()) return "";
    const std::size_t A = Below(P.size());
    switch (How) {
      case TokenEdit::Delete:
        P.erase(P.begin() + static_cast<std::ptrdiff_t>(A));
        break;
      case TokenEdit::Duplicate:
        P.insert(P.begin() + static_cast<std::ptrdiff_t>(A), P[A]);
        break;
      case TokenEdit::Swap:
        std::swap(P[A], P[Below(P.size())]);
        break;
    }
    std::string R;
    for (const std::string& X : P) R += X;
    return R;
  }

  std::string Tokens(const std::string& S, TokenEdit How) { return Edit(Pieces(S, false), How); }
  std::string Lines(const std::string& S, TokenEdit How) { return Edit(Pieces(S, true), How); }
};

struct TRun {
  int Code = -1;
  std::string Out, Err;
};

TRun Compare(const std::string& Dialect, const std::string& Master, const std::string& Target) {
  std::ostringstream Out, Err;
  TRun R;
  R.Code = varnel_cli::RunCompare({"--dialect", Dialect, "--master", Master, "--target", Target},
                                  Out, Err);
  R.Out = Out.str();
  R.Err = Err.str();
  return R;
}

class MutatedScripts : public ::testing::TestWithParam<TDialect> {};

TEST_P(MutatedScripts, EndWithoutCrashAndNeverSucceedWithAnError) {
  const TDialect& D = GetParam();
  const std::vector<std::string> Seeds = SeedTexts(D);
  ASSERT_FALSE(Seeds.empty()) << D.Name;
  const std::string Dir = ::testing::TempDir() + "/mutants_" + D.Name;
  fs::create_directories(Dir);
  const std::string SeedFile = Dir + "/seed.sql";
  const std::string MutantFile = Dir + "/mutant.sql";
  TMutator Mutator(20240611);
  int Refused = 0;
  for (int I = 0; I < kMutants; ++I) {
    const std::string& Seed = Seeds[Mutator.Below(Seeds.size())];
    const std::string Mutant = Mutator.Mutate(Seed);
    ASSERT_TRUE(qel::WriteStringToFile(SeedFile, Seed));
    ASSERT_TRUE(qel::WriteStringToFile(MutantFile, Mutant));
    // In turn as the master (its objects created) and as the target (its objects dropped).
    const bool AsMaster = I % 2 == 0;
    const TRun R =
        Compare(D.Name, AsMaster ? MutantFile : SeedFile, AsMaster ? SeedFile : MutantFile);
    if (R.Code != 0) ++Refused;
    ASSERT_TRUE(R.Code == 0 || R.Code == 1) << "mutant " << I << ": exit " << R.Code << "\n"
                                            << R.Err;
    const bool ErrorSaid = R.Err.find(": error: ") != std::string::npos;
    ASSERT_FALSE(R.Code == 0 && ErrorSaid)
        << D.Name << " mutant " << I << " succeeded with an error:\n"
        << R.Err << "\n--- mutant ---\n"
        << Mutant;
    // An exit code 1 always says why.
    ASSERT_TRUE(R.Code == 0 || ErrorSaid) << D.Name << " mutant " << I << " failed silently:\n"
                                          << R.Err << "\n--- mutant ---\n"
                                          << Mutant;
  }
  // Mutants that no reader refuses would mean the mutations missed the readers altogether.
  EXPECT_GT(Refused, 0) << D.Name;
}

INSTANTIATE_TEST_SUITE_P(Dialects, MutatedScripts, ::testing::ValuesIn(Dialects),
                         [](const ::testing::TestParamInfo<TDialect>& Info) {
                           return std::string(Info.param.Name);
                         });

}  // namespace

#endif  // QEL_HAVE_COMPARE_COMMAND
