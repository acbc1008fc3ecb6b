// The rarer attributes of schema objects (kept in a block made on first need) and the table
// name the columns of a table share.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Tbl.h"

using namespace qel;

TEST(RarerAttributes, ADefaultMakesNoBlockAValueDoesAndReadsBack) {
  struct TCase {
    const char* What;
    std::function<std::unique_ptr<TDbObj>()> Make;
    std::function<void(TDbObj&)> SetDefault;
    std::function<void(TDbObj&)> SetValue;
    std::function<bool(const TDbObj&)> HoldsValue;
  };
  auto Fld = [](TDbObj& O) -> TFldData& { return static_cast<TFldData&>(O); };
  const std::vector<TCase> Cases = {
      {"column text", [] { return std::make_unique<TFldData>(nullptr); },
       [&](TDbObj& O) { Fld(O).SetExtra(&TFldExtra::CharSet, std::string()); },
       [&](TDbObj& O) { Fld(O).SetExtra(&TFldExtra::CharSet, std::string("UTF8")); },
       [&](const TDbObj& O) { return static_cast<const TFldData&>(O).Extra().CharSet == "UTF8"; }},
      {"column number with a default of its own",
       [] { return std::make_unique<TFldData>(nullptr); },
       [&](TDbObj& O) { Fld(O).SetExtra(&TFldExtra::Logged, -1); },
       [&](TDbObj& O) { Fld(O).SetExtra(&TFldExtra::Logged, 0); },
       [&](const TDbObj& O) { return static_cast<const TFldData&>(O).Extra().Logged == 0; }},
      {"object text", [] { return std::make_unique<TTblData>(nullptr); },
       [](TDbObj& O) { O.SetDescription(""); }, [](TDbObj& O) { O.SetDescription("orders"); },
       [](const TDbObj& O) { return O.Extra().Description == "orders"; }},
      {"table clause", [] { return std::make_unique<TTblData>(nullptr); },
       [](TDbObj& O) { static_cast<TTblData&>(O).SetExtra(&TTblExtra::ExternalFile, ""); },
       [](TDbObj& O) { static_cast<TTblData&>(O).SetExtra(&TTblExtra::ExternalFile, "x.dat"); },
       [](const TDbObj& O) {
         return static_cast<const TTblData&>(O).Extra().ExternalFile == "x.dat";
       }},
      {"constraint list", [] { return std::make_unique<TCtrData>(nullptr); },
       [](TDbObj& O) {
         if (O.HasExtra()) static_cast<TCtrData&>(O).EditExtra().RefFldList.Clear();
       },
       [](TDbObj& O) { static_cast<TCtrData&>(O).EditExtra().RefFldList.Add("ID"); },
       [](const TDbObj& O) {
         return static_cast<const TCtrData&>(O).Extra().RefFldList.Count() == 1;
       }},
  };
  for (const TCase& C : Cases) {
    std::unique_ptr<TDbObj> O = C.Make();
    C.SetDefault(*O);
    EXPECT_FALSE(O->HasExtra()) << C.What;
    EXPECT_FALSE(C.HoldsValue(*O)) << C.What;
    C.SetValue(*O);
    EXPECT_TRUE(O->HasExtra()) << C.What;
    EXPECT_TRUE(C.HoldsValue(*O)) << C.What;
    // With the block made, a default is written like any value.
    C.SetDefault(*O);
    EXPECT_FALSE(C.HoldsValue(*O)) << C.What;
  }
}

TEST(SharedText, EqualTextsAssignedInTurnShareOneStringAndStayApartWhenChanged) {
  TSharedText A, B, C, Empty;
  A = std::string("orders");
  B = std::string("orders");
  C = std::string("lines");
  EXPECT_EQ(&A.str(), &B.str());  // assigned one after the other: one string
  EXPECT_EQ(A, B);
  EXPECT_NE(&A.str(), &C.str());
  EXPECT_EQ(C.str(), "lines");
  TSharedText Copy = A;
  A = "customers";
  EXPECT_EQ(B.str(), "orders");
  EXPECT_EQ(Copy.str(), "orders");
  EXPECT_EQ(A.str(), "customers");
  B = "";
  EXPECT_TRUE(B.empty());
  EXPECT_TRUE(Empty.empty());
  EXPECT_EQ(Empty.str(), "");
  EXPECT_EQ("t." + Copy, "t.orders");
}
