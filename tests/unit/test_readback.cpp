// The read-back suite of the script dialects: every script the library writes reads back. Each
// dialect instantiates ScriptReadBack (test_<dialect>_readback.cpp) with a table of cases: its
// schemas whose writer's script compares to nothing against them, the pairs whose update script
// leads the target to the master, the scripts the library wrote (golden update scripts of the
// passes and of the example), the texts of views, routines and triggers, the order-entry
// example's golden update script, malformed scripts that write no update script, and the
// compare command over the example, and one schema written in two ways.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "test_readback_util.h"

#ifdef QEL_HAVE_COMPARE_COMMAND
#include "varnel_compare.h"
#endif

using namespace qel;
using namespace qel::testing::readback;

namespace {

using TTexts = std::vector<std::string>;

const std::string Fixtures = std::string(QEL_FIXTURES_DIR) + "/";

/// The text a case's Master or Target stands for (see TReadBackCase).
std::string ScriptText(const std::string& Source) {
  if (Source.find('\n') != std::string::npos) return Source;
  const std::size_t UpTo = Source.find(" up to ");
  if (UpTo == std::string::npos) return ReadFile(Fixtures + Source);
  const std::string Text = ReadFile(Fixtures + Source.substr(0, UpTo));
  return Text.substr(0, Text.find(Source.substr(UpTo + 7)));
}

void ExpectSchemaWriter(const TScriptDialect& D, const TReadBackCase& C) {
  const std::string Original = ScriptText(C.Master);
  ASSERT_FALSE(Original.empty()) << C.Master;
  TObjs O;
  O.SetDatabaseType(D.DB);
  ASSERT_EQ(D.Parse(O, Original), TTexts{}) << C.Master;
  if (D.BeforeWriting) D.BeforeWriting(O);
  TStringList Lines;
  O.ExtractMetadata(Lines);
  const std::string Written = Join(Lines);
  for (const auto& [Master, Target] :
       {std::pair{Original, Written}, std::pair{Written, Original}}) {
    const TOutcome R = D.CompareTexts({Master}, {Target});
    EXPECT_TRUE(R.Written);
    EXPECT_EQ(R.Errors, TTexts{});
    EXPECT_EQ(D.Statements(R.Script), "") << Written;
  }
}

void ExpectUpdateLeadsToTheMaster(const TScriptDialect& D, const TReadBackCase& C) {
  const std::string Master = ScriptText(C.Master), Target = ScriptText(C.Target);
  ASSERT_FALSE(Master.empty());
  ASSERT_FALSE(Target.empty());
  const TOutcome U = D.CompareTexts({Master}, {Target});
  ASSERT_TRUE(U.Written);
  ASSERT_EQ(U.Errors, TTexts{});
  EXPECT_NE(D.Statements(U.Script), "");
  const TOutcome Again = D.CompareTexts({Master}, {Target, U.Script});
  EXPECT_EQ(Again.Errors, TTexts{}) << U.Script;
  EXPECT_EQ(D.Statements(Again.Script), "") << U.Script;
}

void ExpectWrittenScriptReadsBack(const TScriptDialect& D, const TReadBackCase& C) {
  const std::string Text = ScriptText(C.Master);
  ASSERT_FALSE(Text.empty()) << C.Master;
  TObjs O;
  O.SetDatabaseType(D.DB);
  EXPECT_EQ(D.Parse(O, Text), TTexts{});
  if (D.Lists.empty()) return;
  const std::string Script = D.Normal(Text);
  int Objects = 0;
  for (TDbObjList TCustomObjs::*List : D.Lists) {
    for (int I = 0; I < (O.*List).Count(); ++I) {
      const TDbObj* Obj = (O.*List).Objects(I);
      EXPECT_NE(Script.find(D.Normal(Obj->CreateDef())), std::string::npos) << Obj->CreateDef();
      ++Objects;
    }
  }
  EXPECT_GT(Objects, 0);
}

void ExpectCodeTextsReadBack(const TScriptDialect& D, const TReadBackCase& C) {
  const std::string Text = Flat(ScriptText(C.Master));
  ASSERT_FALSE(Text.empty());
  std::istringstream In(Text);
  std::vector<std::pair<std::string, std::string>> Sections;  // heading, text
  for (std::string L; std::getline(In, L);) {
    if (L.rfind("-- ", 0) == 0)
      Sections.push_back({L, ""});
    else if (!Sections.empty())
      Sections.back().second += L + "\n";
  }
  int Read = 0;
  for (auto& [Heading, Body] : Sections) {
    const bool Creating = Heading.ends_with(": Def") || Heading.ends_with(": EmptyDef");
    if (!Creating || Body.rfind("CREATE ", 0) != 0) continue;
    while (!Body.empty() && Body.back() == '\n') Body.pop_back();
    TObjs O;
    O.SetDatabaseType(D.DB);
    D.Parse(O, D.TableForTexts);
    EXPECT_EQ(D.Parse(O, Body), TTexts{}) << Heading;
    const TDbObj* Obj = nullptr;
    for (TDbObjList* List : {&O.Views, &O.Procedures, &O.Triggers})
      if (List->Count() == 1) Obj = List->Objects(0);
    ASSERT_NE(Obj, nullptr) << Heading;
    EXPECT_EQ(D.Normal(Obj->Def()), D.Normal(Body)) << Heading;
    ++Read;
  }
  EXPECT_EQ(Read, C.Count);
}

void ExpectGoldenUpdate(const TScriptDialect& D, const TReadBackCase& C) {
  const TOutcome R = D.CompareTexts({ScriptText(C.Master)}, {ScriptText(C.Target)});
  ASSERT_TRUE(R.Written);
  EXPECT_EQ(R.Errors, TTexts{});
  const std::string Golden = Fixtures + C.Expected;
  if (std::getenv("QEL_UPDATE_GOLDEN")) std::ofstream(Golden, std::ios::binary) << R.Script;
  EXPECT_EQ(R.Script, ReadFile(Golden));
}

void ExpectNoUpdateFromAMalformedScript(const TScriptDialect& D, const TReadBackCase& C) {
  const TOutcome R = D.CompareTexts({ScriptText(C.Master)}, {ScriptText(C.Target)});
  EXPECT_FALSE(R.Written);
  EXPECT_EQ(R.Script, "");
  ASSERT_FALSE(R.Errors.empty());
  if (!C.Expected.empty()) {
    EXPECT_EQ(R.Errors[0], C.Expected);
  }
}

void ExpectTheSameSchema(const TScriptDialect& D, const TReadBackCase& C) {
  const std::string Master = ScriptText(C.Master), Target = ScriptText(C.Target);
  ASSERT_FALSE(Master.empty());
  ASSERT_FALSE(Target.empty());
  for (const auto& [M, T] : {std::pair{Master, Target}, std::pair{Target, Master}}) {
    const TOutcome R = D.CompareTexts({M}, {T});
    EXPECT_TRUE(R.Written);
    EXPECT_EQ(R.Errors, TTexts{});
    EXPECT_EQ(D.Statements(R.Script), "");
  }
}

#ifdef QEL_HAVE_COMPARE_COMMAND
void ExpectCompareCommand(const TScriptDialect& D, const TReadBackCase& C) {
  std::ostringstream Out, Err;
  const int Code = varnel_cli::RunCompare(
      {"--dialect", D.Command, "--master", Fixtures + C.Master, "--target", Fixtures + C.Target},
      Out, Err);
  EXPECT_EQ(Code, 0) << Err.str();
  EXPECT_EQ(Out.str(), ReadFile(Fixtures + C.Expected));
  if (C.Bad.empty()) return;

  const std::string BadName = std::string(D.Command) + "_bad.sql";
  const std::string Bad = ::testing::TempDir() + "/" + BadName;
  std::ofstream(Bad) << C.Bad;
  std::ostringstream Out2, Err2;
  const int Code2 = varnel_cli::RunCompare(
      {"--dialect", D.Command, "--master", Bad, "--target", Fixtures + C.Target}, Out2, Err2);
  EXPECT_EQ(Code2, 1);
  EXPECT_EQ(Out2.str(), "");
  EXPECT_NE(Err2.str().find(BadName + ":" + C.BadError), std::string::npos) << Err2.str();
}
#endif

}  // namespace

TEST_P(ScriptReadBack, ReadsBack) {
  const TReadBackCase& C = GetParam();
  const TScriptDialect& D = *C.Dialect;
  switch (C.Check) {
    case rbSchemaWriter:
      ExpectSchemaWriter(D, C);
      break;
    case rbUpdate:
      ExpectUpdateLeadsToTheMaster(D, C);
      break;
    case rbWrittenScript:
      ExpectWrittenScriptReadsBack(D, C);
      break;
    case rbCodeTexts:
      ExpectCodeTextsReadBack(D, C);
      break;
    case rbGoldenUpdate:
      ExpectGoldenUpdate(D, C);
      break;
    case rbMalformed:
      ExpectNoUpdateFromAMalformedScript(D, C);
      break;
    case rbSameSchema:
      ExpectTheSameSchema(D, C);
      break;
    case rbCommand:
#ifdef QEL_HAVE_COMPARE_COMMAND
      ExpectCompareCommand(D, C);
#else
      GTEST_SKIP() << "built without the compare command";
#endif
      break;
  }
}
