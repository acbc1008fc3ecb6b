// The replay suite of the catalog extractors: the replay adapter answers an extractor's catalog
// queries from tests/fixtures/replay, so every query text is pinned. Each dialect instantiates
// CatalogReplay (test_<dialect>_extract_replay.cpp) with a table of its cases: a full read of
// its recording, the kinds that gate the steps, a failing query, a cancelled run and a refused
// login, each with the errors, object counts and log lines it gives.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "test_replay_util.h"

using namespace qel;

namespace qel::testing {

std::map<std::string, int> CountsOf(TObjs& O, const std::map<std::string, int>& Names) {
  static const std::map<std::string, TDbObjList TCustomObjs::*> Lists = {
      {"Constraints", &TCustomObjs::Constraints},
      {"Defaults", &TCustomObjs::Defaults},
      {"Domains", &TCustomObjs::Domains},
      {"Events", &TCustomObjs::Events},
      {"Generators", &TCustomObjs::Generators},
      {"Indexes", &TCustomObjs::Indexes},
      {"Packages", &TCustomObjs::Packages},
      {"Procedures", &TCustomObjs::Procedures},
      {"Rules", &TCustomObjs::Rules},
      {"Schemas", &TCustomObjs::Schemas},
      {"Tables", &TCustomObjs::Tables},
      {"Triggers", &TCustomObjs::Triggers},
      {"Views", &TCustomObjs::Views}};
  std::map<std::string, int> R;
  for (const auto& [Name, Count] : Names) {
    const auto It = Lists.find(Name);
    EXPECT_NE(It, Lists.end()) << Name;
    R[Name] = It == Lists.end() ? -1 : (O.*(It->second)).Count();
  }
  return R;
}

}  // namespace qel::testing

namespace {

using qel::testing::CatalogReplay;
using qel::testing::TExpectedError;

/// Errors are as many as Expected, each the text expected or holding the part expected.
void ExpectErrors(const std::vector<std::string>& Errors,
                  const std::vector<TExpectedError>& Expected) {
  ASSERT_EQ(Errors.size(), Expected.size()) << ::testing::PrintToString(Errors);
  for (std::size_t I = 0; I < Errors.size(); ++I) {
    if (Expected[I].Part)
      EXPECT_NE(Errors[I].find(Expected[I].Text), std::string::npos) << Errors[I];
    else
      EXPECT_EQ(Errors[I], Expected[I].Text);
  }
}

}  // namespace

TEST_P(CatalogReplay, Reads) {
  const auto& K = GetParam();
  const auto& D = *K.Dialect;
  std::string Text = K.Answers ? K.Answers() : D.Recorded();
  if (!K.ErrorAt.empty()) Text = qel::testing::WithError(Text, K.ErrorAt, K.ServerError);
  Ex = D.Make();
  Open(D, Text);
  if (K.Setup) K.Setup(*C, Objs());
  if (K.Kinds) {
    Objs().CompareObjects = *K.Kinds;
    Ex->CompareObjects = *K.Kinds;
  }
  CancelOn = K.CancelOn;
  Link(*Ex);

  EXPECT_EQ(Ex->ExtractDatabase(), K.Succeeds);
  ExpectErrors(Errors, K.Errors);
  if (K.AllQueries) {
    EXPECT_EQ(Sent(), Queries);
  }
  EXPECT_FALSE(C->GetConnected());
  EXPECT_EQ(qel::testing::CountsOf(Objs(), K.Counts), K.Counts);
  for (const std::string& Line : K.Logged) EXPECT_TRUE(Logged(Line)) << Line;
  for (const std::string& Line : K.NotLogged) EXPECT_FALSE(Logged(Line)) << Line;
  if (K.Check) K.Check(Objs());
}
