// What the read-back tests of the script dialects share: two lists of script texts compared
// through a dialect's script extractors and the comparer (as the example program does), the
// statements an update script is left with, a text read into a fresh collection, and the schema
// writer's script of a text.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
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

}  // namespace qel::testing::readback
