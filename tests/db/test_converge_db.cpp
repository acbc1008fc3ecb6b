// Schema-change pairs (tests/fixtures/converge/<dialect>/<case>/target.sql + master.sql) judged
// on the real servers the way a user of the example program judges an update script:
//   script  the two scripts compared; the update script runs, stopping at the first error, on a
//           database built from target.sql, whose dump then equals that of the master's;
//   live    master.sql against a live database built from target.sql with --execute; the dump
//           equals the master's and a second comparison prints no statement;
//   extract `varnel extract` of the master's database runs on an empty one and dumps the same.
// Dumps keep every byte but the dump tools' own comments and settings, so a carriage return the
// update script put into a body or a literal is a difference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "Files.h"
#include "Text.h"
#include "db_servers.h"
#include "pg_dump_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

struct TConvergeCase {
  std::string Dialect;  ///< "postgresql" or "mysql", the folder under converge/
  std::string Dir;
  std::string Name;
};

void PrintTo(const TConvergeCase& C, std::ostream* Os) {
  *Os << C.Dialect << "/" << C.Name;
}

std::vector<TConvergeCase> ConvergeCases() {
  namespace fs = std::filesystem;
  std::vector<TConvergeCase> Cases;
  for (const char* Dialect : {"postgresql", "mysql"}) {
    const fs::path Root = fs::path(QEL_FIXTURES_DIR) / "converge" / Dialect;
    if (!fs::is_directory(Root)) continue;
    for (const auto& E : fs::directory_iterator(Root))
      if (E.is_directory()) Cases.push_back({Dialect, E.path().string(), E.path().filename()});
  }
  std::sort(Cases.begin(), Cases.end(), [](const auto& A, const auto& B) {
    return A.Dialect + "/" + A.Name < B.Dialect + "/" + B.Name;
  });
  return Cases;
}

/// One dialect's server as the command-line tools reach it.
class TServerTools {
 public:
  explicit TServerTools(bool PG) : FPG(PG) {}

  std::string URI(const std::string& Db) const {
    const std::string P = FPG ? "QEL_PG_" : "QEL_MY_";
    return std::string(FPG ? "postgresql" : "mysql") + "://" + Env(P + "USER") + ":" +
           Env(P + "PASSWORD") + "@" + Env(P + "HOST") + ":" + Env(P + "PORT") + "/" + Db;
  }

  /// Db made afresh and empty; the reason when that failed.
  std::string Fresh(const std::string& Db) const {
    std::string Out;
    const std::string Sql = "drop database if exists " + Db + "; create database " + Db;
    if (FPG) {
      if (Shell("psql -X -q -d postgres -c " + ShellQuoted("drop database if exists " + Db) +
                    " -c " + ShellQuoted("create database " + Db),
                Out) != 0)
        return "cannot make " + Db + ": " + Out;
    } else if (Shell(MyClient("") + " -e " + ShellQuoted(Sql), Out) != 0) {
      return "cannot make " + Db + ": " + Out;
    }
    return std::string();
  }

  /// Runs the script file in Db, stopping at the first error; the reason when it failed.
  std::string Run(const std::string& Db, const std::string& File) const {
    std::string Out;
    const int Code = FPG ? Shell("psql -X -q -v ON_ERROR_STOP=1 -d " + ShellQuoted(Db) + " -f " +
                                     ShellQuoted(File),
                                 Out)
                         : Shell(MyClient(Db) + " < " + ShellQuoted(File), Out);
    return Code == 0 ? std::string() : Out.empty() ? "exit code " + std::to_string(Code) : Out;
  }

  /// The schema dump of Db without the tools' comments, settings and blank lines.
  std::string Dump(const std::string& Db) const {
    std::string Out;
    if (FPG) {
      Shell("pg_dump --schema-only --no-owner --no-privileges -d " + ShellQuoted(Db), Out);
    } else {
      Shell("mariadb-dump --no-defaults --no-data --skip-comments --skip-dump-date -h " +
                ShellQuoted(Env("QEL_MY_HOST")) + " -P " + ShellQuoted(Env("QEL_MY_PORT")) +
                " -u " + ShellQuoted(Env("QEL_MY_USER")) + " -p" +
                ShellQuoted(Env("QEL_MY_PASSWORD")) + " " + ShellQuoted(Db),
            Out);
    }
    std::string R;
    std::size_t Start = 0;
    while (Start < Out.size()) {
      std::size_t End = Out.find('\n', Start);
      if (End == std::string::npos) End = Out.size();
      std::string L = Out.substr(Start, End - Start);
      Start = End + 1;
      const bool Skip =
          L.empty() || L.rfind("--", 0) == 0 ||
          (FPG ? L.rfind("SET ", 0) == 0 || L.rfind("SELECT pg_catalog.set_config(", 0) == 0 ||
                     L.rfind("\\restrict ", 0) == 0 || L.rfind("\\unrestrict ", 0) == 0
               : L.rfind("/*", 0) == 0);
      if (Skip) continue;
      if (!FPG)  // the counter of the next key value is data, not schema
        if (const auto P = L.find(" AUTO_INCREMENT="); P != std::string::npos) {
          const auto E = L.find_first_not_of("0123456789", P + 16);
          L.erase(P, (E == std::string::npos ? L.size() : E) - P);
        }
      R += L + "\n";
    }
    return R;
  }

 private:
  static std::string MyClient(const std::string& Db) {
    return "mariadb --no-defaults -h " + ShellQuoted(Env("QEL_MY_HOST")) + " -P " +
           ShellQuoted(Env("QEL_MY_PORT")) + " -u " + ShellQuoted(Env("QEL_MY_USER")) + " -p" +
           ShellQuoted(Env("QEL_MY_PASSWORD")) + (Db.empty() ? "" : " " + ShellQuoted(Db));
  }
  bool FPG;
};

/// Lines of an update script that change the schema.
int StatementCount(const std::string& Script) {
  int N = 0;
  std::size_t Start = 0;
  while (Start < Script.size()) {
    std::size_t End = Script.find('\n', Start);
    if (End == std::string::npos) End = Script.size();
    const std::string L = UpperCase(TrimLeft(Script.substr(Start, End - Start)));
    for (const char* W : {"CREATE ", "ALTER ", "DROP ", "COMMENT ", "GRANT ", "REVOKE "})
      if (L.rfind(W, 0) == 0) ++N;
    Start = End + 1;
  }
  return N;
}

std::string TempFile(const std::string& Name) {
  return ::testing::TempDir() + "/qel_cv_" + std::to_string(::getpid()) + "_" + Name;
}

class ConvergeDb : public ::testing::TestWithParam<TConvergeCase> {
 protected:
  static void SetUpTestSuite() { ExportPgConnection(); }

  void SetUp() override {
    const TConvergeCase& C = GetParam();
    PG = C.Dialect == "postgresql";
    Master = C.Dir + "/master.sql";
    Target = C.Dir + "/target.sql";
    const TServerTools T(PG);
    for (const std::string& Db : {MasterDb, TargetDb}) ASSERT_EQ(T.Fresh(Db), "");
    ASSERT_EQ(T.Run(MasterDb, Master), "") << "master.sql does not load";
    MasterDump = T.Dump(MasterDb);
    ASSERT_FALSE(MasterDump.empty());
  }

  /// Runs the example program; its exit code, standard output in Out, standard error in Err.
  int Varnel(const std::string& Args, std::string& Out, std::string& Err) const {
    // Only standard output is the script: the program's notes go to standard error.
    const std::string OutFile = TempFile("out.txt");
    const int Code = Shell(
        "(" + ShellQuoted(QEL_VARNEL_PROGRAM) + " " + Args + " >" + ShellQuoted(OutFile) + ")",
        Err);
    Out = ReadFile(OutFile);
    return Code;
  }

  std::string Dialect() const { return GetParam().Dialect; }

  bool PG = true;
  std::string Master, Target, MasterDump;
  // Databases of this process's own, so that two runs of the suite keep apart.
  const std::string Tag = "qel_cv" + std::to_string(::getpid());
  const std::string MasterDb = Tag + "_m";
  const std::string TargetDb = Tag + "_t";
  const std::string RebuiltDb = Tag + "_r";
};

TEST_P(ConvergeDb, UpdateScriptOfTwoScriptsRunsAndReachesTheMaster) {
  const TServerTools T(PG);
  ASSERT_EQ(T.Run(TargetDb, Target), "") << "target.sql does not load";
  std::string Script, Err;
  ASSERT_EQ(Varnel("compare --dialect " + Dialect() + " --master " + ShellQuoted(Master) +
                       " --target " + ShellQuoted(Target),
                   Script, Err),
            0)
      << Err;
  const std::string File = TempFile("script.sql");
  WriteStringToFile(File, Script);
  ASSERT_EQ(T.Run(TargetDb, File), "") << "Update script:\n" << Script;
  EXPECT_EQ(T.Dump(TargetDb), MasterDump) << "Update script:\n" << Script;
}

TEST_P(ConvergeDb, LiveUpdateReachesTheMasterAndASecondComparisonFindsNothing) {
  const TServerTools T(PG);
  ASSERT_EQ(T.Run(TargetDb, Target), "") << "target.sql does not load";
  const std::string Args = "compare --dialect " + Dialect() + " --master " + ShellQuoted(Master) +
                           " --target-db " + ShellQuoted(T.URI(TargetDb));
  std::string Script, Err;
  ASSERT_EQ(Varnel(Args + " --execute", Script, Err), 0) << Err << "\nUpdate script:\n" << Script;
  EXPECT_EQ(T.Dump(TargetDb), MasterDump) << "Update script:\n" << Script;
  std::string Again;
  ASSERT_EQ(Varnel(Args, Again, Err), 0) << Err;
  EXPECT_EQ(StatementCount(Again), 0) << "Second comparison:\n" << Again;
}

TEST_P(ConvergeDb, ExtractedMasterRebuildsTheSameSchema) {
  const TServerTools T(PG);
  std::string Script, Err;
  ASSERT_EQ(Varnel("extract --db " + ShellQuoted(T.URI(MasterDb)), Script, Err), 0) << Err;
  // A MySQL script starts with USE of the database it was read from.
  if (!PG)
    for (const std::string& Use : {"USE " + MasterDb + ";", "USE `" + MasterDb + "`;"})
      Script = StringReplace(Script, Use, "USE " + RebuiltDb + ";", true, false);
  const std::string File = TempFile("extract.sql");
  WriteStringToFile(File, Script);
  ASSERT_EQ(T.Fresh(RebuiltDb), "");
  ASSERT_EQ(T.Run(RebuiltDb, File), "") << "Written script:\n" << Script;
  EXPECT_EQ(T.Dump(RebuiltDb), MasterDump) << "Written script:\n" << Script;
}

INSTANTIATE_TEST_SUITE_P(Cases, ConvergeDb, ::testing::ValuesIn(ConvergeCases()),
                         [](const auto& Info) {
                           std::string N = Info.param.Dialect + "_" + Info.param.Name;
                           for (char& C : N)
                             if (!std::isalnum(static_cast<unsigned char>(C))) C = '_';
                           return N;
                         });

}  // namespace
