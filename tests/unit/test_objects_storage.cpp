// The storage of schema objects a schema holds by the hundred thousand: texts and lists that
// stay empty until set, and further counterpart referrers.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "qelComp_Tbl.h"

using namespace qel;

TEST(ObjText, EditsLikeAStringAndAnEmptyResultIsEmpty) {
  const std::vector<std::pair<std::function<void(TObjText&)>, std::string>> Cases = {
      {[](TObjText& T) { T = std::string(); }, ""},
      {[](TObjText& T) { T += "x"; }, "startx"},
      {[](TObjText& T) { T.erase(0, 2); }, "art"},
      {[](TObjText& T) { T.replace(0, 5, ""); }, ""},
      {[](TObjText& T) { T.resize(0); }, ""},
      {[](TObjText& T) { T.insert(0, 1, '>'); }, ">start"},
      {[](TObjText& T) { T.Mut().append("!"); }, "start!"},
  };
  for (const auto& [Edit, Want] : Cases) {
    TObjText T("start");
    const TObjText Copy(T);
    Edit(T);
    EXPECT_EQ(T, Want);
    EXPECT_EQ(T.empty(), Want.empty());
    EXPECT_STREQ(T.c_str(), Want.c_str());
    EXPECT_EQ(Copy, "start");  // a copy is a text of its own
  }
}

TEST(ObjVector, EmptyUntilTheFirstItemAndAgainAfterClear) {
  TObjVector<TFldData> Cols;
  TDependList Records;  // no case rule of its own: names compare exactly
  EXPECT_TRUE(Cols.Empty() && Records.Empty());
  EXPECT_EQ(Cols.begin(), Cols.end());
  EXPECT_EQ(Records[0], nullptr);
  EXPECT_EQ(Records.Extract(0), nullptr);
  Cols.CaseSensitive = false;
  Cols.Add(std::make_unique<TFldData>(nullptr))->SetObjName("Col");
  Records.Add(std::make_unique<TDependObj>(nullptr))->SetObjName("Col");
  EXPECT_EQ(Cols.IndexOf("COL"), 0);
  EXPECT_EQ(Records.IndexOf("COL"), -1);
  EXPECT_EQ(Records.FindFrom("Col", 0), Records[0]);
  Cols.Clear();
  EXPECT_TRUE(Cols.Empty());
  EXPECT_EQ(Cols.begin(), Cols.end());
}

TEST(DbObj, EveryReferrerLosesItsCounterpartWhenItGoes) {
  // Several objects may take one object as counterpart; whichever of them leaves first, the
  // others are cleared when it goes.
  for (std::size_t Drop = 0; Drop < 3; ++Drop) {
    auto Target = std::make_unique<TTblData>(nullptr);
    std::vector<std::unique_ptr<TTblData>> Refs;
    for (int I = 0; I < 3; ++I) {
      Refs.push_back(std::make_unique<TTblData>(nullptr));
      Refs.back()->SetRefObj(Target.get());
    }
    Refs[Drop]->SetRefObj(nullptr);
    Target.reset();
    for (const auto& R : Refs) EXPECT_EQ(R->GetRefObj(), nullptr);
  }
}
