// What the read-back tests of the script dialects share: two lists of script texts compared
// through a dialect's script extractors and the comparer (as the example program does), the
// statements an update script is left with, a text read into a fresh collection, and the schema
// writer's script of a text.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <cstdlib>
#include <functional>
#include <span>
#include <sstream>
#include <string>
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

/// The schema writer's script of Text, read in the dialect DB.
template <class TParser>
std::string WrittenBack(TDatabaseType DB, const std::string& Text) {
  TObjs O;
  O.SetDatabaseType(DB);
  EXPECT_EQ(ParseInto<TParser>(O, Text), std::vector<std::string>{});
  TStringList Lines;
  O.ExtractMetadata(Lines);
  return Join(Lines);
}

/// Compares master texts with target texts.
using TCompare =
    std::function<TOutcome(const std::vector<std::string>&, const std::vector<std::string>&)>;

/// Original (read from Name) and the writer's script Written, compared both ways, give an update
/// script whose Statements are none.
inline void ExpectNoUpdateEitherWay(const TCompare& Compare,
                                    const std::function<std::string(const std::string&)>& Statements,
                                    const std::string& Name, const std::string& Original,
                                    const std::string& Written) {
  for (const auto& [Master, Target] :
       {std::pair{Original, Written}, std::pair{Written, Original}}) {
    const TOutcome R = Compare({Master}, {Target});
    EXPECT_TRUE(R.Written) << Name;
    EXPECT_EQ(R.Errors, std::vector<std::string>{}) << Name;
    EXPECT_EQ(Statements(R.Script), "") << Name << "\n" << Written;
  }
}

/// For each master and target of Pairs, the target followed by its update script compares to
/// nothing against the master.
inline void ExpectUpdatesLeadToTheMaster(
    const TCompare& Compare, std::span<const std::pair<std::string, std::string>> Pairs,
    const std::function<std::string(const std::string&)>& Statements =
        [](const std::string& S) { return readback::Statements(S); }) {
  for (const auto& [Master, Target] : Pairs) {
    const TOutcome U = Compare({Master}, {Target});
    ASSERT_TRUE(U.Written);
    ASSERT_EQ(U.Errors, std::vector<std::string>{});
    EXPECT_NE(Statements(U.Script), "");
    const TOutcome Again = Compare({Master}, {Target, U.Script});
    EXPECT_EQ(Again.Errors, std::vector<std::string>{}) << U.Script;
    EXPECT_EQ(Statements(Again.Script), "") << U.Script;
  }
}

/// R wrote the update script kept in the file Golden (written anew when QEL_UPDATE_GOLDEN is set).
inline void ExpectGoldenUpdate(const TOutcome& R, const std::string& Golden) {
  ASSERT_TRUE(R.Written);
  EXPECT_EQ(R.Errors, std::vector<std::string>{});
  if (std::getenv("QEL_UPDATE_GOLDEN")) std::ofstream(Golden, std::ios::binary) << R.Script;
  EXPECT_EQ(R.Script, ReadFile(Golden));
}

/// The read-back helpers of one dialect: its script extractor, its parser and its type.
template <class TExtract, class TParser, TDatabaseType DB>
struct TDialect {
  static TOutcome Compare(const std::vector<std::string>& Master,
                          const std::vector<std::string>& Target) {
    return CompareScripts<TExtract>(Master, Target);
  }
  static std::vector<std::string> Parse(TObjs& Objs, const std::string& Text) {
    return ParseInto<TParser>(Objs, Text);
  }
  static std::string Written(const std::string& Text) { return WrittenBack<TParser>(DB, Text); }

  /// The writer's script of each schema file Dir + Name compares to nothing against the file.
  static void ExpectSchemasCompareToNothing(const std::string& Dir,
                                            std::span<const char* const> Names) {
    for (const char* Name : Names) {
      const std::string Original = ReadFile(Dir + Name);
      ASSERT_FALSE(Original.empty()) << Name;
      ExpectNoUpdateEitherWay(Compare, [](const std::string& S) { return Statements(S); }, Name,
                              Original, Written(Original));
    }
  }
};

}  // namespace qel::testing::readback
