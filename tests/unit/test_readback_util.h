// What the read-back tests of the script dialects share: two lists of script texts compared
// through a dialect's script extractors and the comparer (as the example program does), the
// statements an update script is left with, a text read into a fresh collection, and the
// read-back suite (test_readback.cpp) that every script dialect instantiates with a table of
// its cases.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "qelCompObj.h"
#include "qelDBStructure.h"
#include "qelVarnel.h"

namespace qel::testing::readback {

inline std::string ReadFile(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

inline std::string Join(const TStrings& Lines) {
  std::string R;
  for (int I = 0; I < Lines.Count(); ++I) R += Lines[I] + "\n";
  return R;
}

/// S without the characters of Chars.
inline std::string Without(const std::string& S, std::string_view Chars) {
  std::string R;
  for (char C : S)
    if (Chars.find(C) == std::string_view::npos) R += C;
  return R;
}

/// Without CR: the writers end lines with CR LF, the fixtures are stored with LF.
inline std::string Flat(const std::string& S) {
  return Without(S, "\r");
}

/// The outcome of one comparison of two script texts.
struct TOutcome {
  bool Written = false;
  std::string Script;
  std::vector<std::string> Errors;
};

/// Compares the master texts with the target texts (each list read in order) through two
/// script extractors of type TExtract and the comparer, which Setup may adjust first.
template <class TExtract>
TOutcome CompareScripts(const std::vector<std::string>& Master,
                        const std::vector<std::string>& Target,
                        const std::function<void(TVarnel&)>& Setup = nullptr) {
  TDBStructure MH(nullptr), TH(nullptr);
  TExtract MX(nullptr), TX(nullptr);
  TVarnel V(nullptr);
  const TErrorMessageEvent Quiet = [](TObject*, const std::string&) {};
  auto Prepare = [&Quiet](TExtract& X, TDBStructure& H, const char* Side,
                          const std::vector<std::string>& Texts) {
    X.SetDBStructure(&H);
    X.SetOnErrorMessage(Quiet);
    TStringList Names;
    for (std::size_t I = 0; I < Texts.size(); ++I)
      Names.Add(std::string(Side) + std::to_string(I) + ".sql");
    X.SetScriptFileNames(Names);
    X.OnLoadScript = [Side, Texts](TObject*, const std::string& FileName, TStrings* Script,
                                   bool& Loaded) {
      Script->SetText(Texts[std::stoul(FileName.substr(std::string(Side).size()))]);
      Loaded = true;
    };
  };
  Prepare(MX, MH, "master", Master);
  Prepare(TX, TH, "target", Target);
  V.OnErrorMessage = Quiet;
  V.SetDBMaster(&MH);
  V.SetDBTarget(&TH);
  V.SetExtractorMaster(&MX);
  V.SetExtractorTarget(&TX);
  if (Setup) Setup(V);
  TOutcome R;
  if (V.ExtractDatabases()) {
    R.Written = V.CompareDatabases();
    if (R.Written && V.GetSQLExec()) {
      TStringList Lines;
      V.GetSQLExec()->GetScript(Lines, false);
      R.Script = Join(Lines);
    }
  }
  for (int I = 0; I < V.MsgManager.GetMsgCount(); ++I) {
    const TMsgData& M = V.MsgManager.Items(I);
    if (M.MsgType == mt_Err)
      R.Errors.push_back(M.ScriptName + ":" + std::to_string(M.Line) + ":" +
                         std::to_string(M.Column) + ": " + M.Text);
  }
  return R;
}

/// The statements of a script without its comments, blank lines and the lines Skip names:
/// what is left when an update script has nothing to do is empty.
inline std::string Statements(const std::string& Script,
                              const std::function<bool(const std::string&)>& Skip = nullptr) {
  std::string R;
  std::istringstream In(Script);
  bool InComment = false;
  for (std::string L; std::getline(In, L);) {
    if (!L.empty() && L.back() == '\r') L.pop_back();
    if (InComment || L.rfind("/*", 0) == 0) {
      InComment = L.find("*/") == std::string::npos;
      continue;
    }
    if (L.empty() || (Skip && Skip(L))) continue;
    R += L + "\n";
  }
  return R;
}

/// Reads Text into Objs with a parser of type TParser; the errors recorded, with their places.
template <class TParser>
std::vector<std::string> ParseInto(TObjs& Objs, const std::string& Text) {
  TParser P(&Objs);
  P.OnErrorMessage = [](TObject*, const std::string&) {};
  P.ParseScriptText(Text, &Objs);
  std::vector<std::string> R;
  for (int I = 0; I < P.MsgManager.GetMsgCount(); ++I)
    R.push_back(std::to_string(P.MsgManager.Items(I).Line) + ":" +
                std::to_string(P.MsgManager.Items(I).Column) + ": " + P.MsgManager.Items(I).Text);
  return R;
}

/// Compares master texts with target texts, Setup adjusting the comparer first.
using TCompare =
    std::function<TOutcome(const std::vector<std::string>&, const std::vector<std::string>&,
                           const std::function<void(TVarnel&)>&)>;

/// How the read-back suite reads, compares and writes the scripts of one dialect.
struct TScriptDialect {
  const char* Name;     ///< as the instantiation is named ("SQLAnywhere")
  const char* Command;  ///< the compare command's --dialect
  TDatabaseType DB;
  TCompare Compare;  ///< CompareScripts of the dialect's script extractor
  std::vector<std::string> (*Parse)(TObjs&, const std::string&);  ///< ParseInto of its parser
  /// What the comparer needs before it compares (nullptr: nothing).
  std::function<void(TVarnel&)> Setup = nullptr;
  /// Lines of an update script that carry no statement besides its comments and blank lines
  /// (nullptr: none).
  std::function<bool(const std::string&)> NoStatement = nullptr;
  /// A script and the statements an object writes, as they are compared: the writers' line
  /// breaks and blanks may differ from the script's.
  std::string (*Normal)(const std::string&) = nullptr;
  /// The lists whose objects, read from a script the library wrote, must write the statements
  /// that created them; none: such a script only has to read without an error.
  std::vector<TDbObjList TCustomObjs::*> Lists = {};
  /// What a collection read from a schema script needs before the schema writer writes it.
  std::function<void(TObjs&)> BeforeWriting = nullptr;
  /// The table the trigger texts of the code-text fixture name.
  std::string TableForTexts = "";

  TOutcome CompareTexts(const std::vector<std::string>& Master,
                        const std::vector<std::string>& Target) const {
    return Compare(Master, Target, Setup);
  }
  /// The statements of an update script: what is left when it has nothing to do is empty.
  std::string Statements(const std::string& Script) const {
    return readback::Statements(Script, NoStatement);
  }
};

/// What one read-back case checks.
enum TReadBackCheck : std::uint8_t {
  /// Master is a schema: the schema writer's script of it compares to nothing, both ways.
  rbSchemaWriter,
  /// Target followed by the update script that leads it to Master compares to nothing.
  rbUpdate,
  /// Master is a script the library wrote: it reads without an error, and each object of the
  /// dialect's Lists it creates writes its statement again.
  rbWrittenScript,
  /// Master holds texts of views, routines and triggers under "-- <name>: Def" headings: each
  /// creating text reads into one object whose own text is the one read; Count of them.
  rbCodeTexts,
  /// Master compared with Target writes the update script kept in the fixture Expected.
  rbGoldenUpdate,
  /// Master cannot be read: no update script, and Expected (when given) is the first error.
  rbMalformed,
  /// The compare command writes the fixture Expected for Master over Target; a master reading
  /// Bad fails naming the place BadError.
  rbCommand,
  /// Master and Target are one schema written in two ways: they compare to nothing, both ways.
  rbSameSchema,
};

/// One read-back case. Master and Target name a fixture file ("db2/schema.sql", relative to
/// tests/fixtures), its part before a marker ("db2/schema.sql up to SET CURRENT SCHEMA"), or
/// are the script text itself (any text with a line break).
struct TReadBackCase {
  const char* Name;
  const TScriptDialect* Dialect;
  TReadBackCheck Check;
  std::string Master = "", Target = "";
  std::string Expected = "";
  int Count = 0;
  std::string Bad = "", BadError = "";
};

inline const char* CheckName(TReadBackCheck C) {
  static const char* const Names[] = {"SchemaWriter", "Update",    "WrittenScript",  "CodeTexts",
                                      "GoldenUpdate", "Malformed", "CompareCommand", "SameSchema"};
  return Names[C];
}

/// "SQLAnywhere Update: OrdersV2OverV1" in the test log instead of the bytes of the case.
inline void PrintTo(const TReadBackCase& C, std::ostream* Os) {
  *Os << C.Dialect->Name << " " << CheckName(C.Check) << ": " << C.Name;
}

/// The test name of a case: "Update_OrdersV2OverV1".
inline std::string ReadBackName(const ::testing::TestParamInfo<TReadBackCase>& Info) {
  return std::string(CheckName(Info.param.Check)) + "_" + Info.param.Name;
}

/// The read-back suite: every script dialect instantiates it with its cases.
class ScriptReadBack : public ::testing::TestWithParam<TReadBackCase> {};

}  // namespace qel::testing::readback
