// The extractor base, the schema holder and the comparer base: name masks and filters, the
// links between the components and their survival in any order of destruction.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Strings.h"
#include "qelComp_Ctr.h"
#include "qelComp_Tbl.h"
#include "qelComp_Viw.h"
#include "qelDBStructure.h"
#include "test_script_parser.h"

namespace qel {
namespace {

using testing::TTestScriptExtract;

TTblData* NewTable(TObjs& Objs, const std::string& Name) {
  auto* T = new TTblData(&Objs);
  T->SetObjName(Name);
  return T;
}

/// Files a table named Name; true when the collection kept it.
bool FileTable(TObjs& Objs, const std::string& Name) {
  return Objs.AddObj(NewTable(Objs, Name));
}

TStringList Lines(const std::string& Text) {
  TStringList L;
  L.SetText(Text);
  return L;
}

// ---------------------------------------------------------------------------------------------
// Masks and filters

TEST(ExtractMasks, OnePercentSignAtTheStartOrTheEnd) {
  auto Like = TCustomExtract::LikeObjName;
  EXPECT_TRUE(Like("EMPLOYEE", "EMP%"));
  EXPECT_TRUE(Like("EMP", "EMP%"));
  EXPECT_FALSE(Like("DEPARTMENT", "EMP%"));
  EXPECT_FALSE(Like("XEMP", "EMP%"));
  EXPECT_FALSE(Like("EMPLOYEE", "emp%"));  // case-sensitive
  EXPECT_TRUE(Like("EMP_LOG", "%_LOG"));
  EXPECT_TRUE(Like("XAB", "%AB"));
  // A true ends-with test, also when the suffix occurs earlier in the name as well.
  EXPECT_TRUE(Like("ABAB", "%AB"));
  EXPECT_FALSE(Like("ABX", "%AB"));
  EXPECT_FALSE(Like("A", "%AB"));
  // Anything else matches nothing, not even the same name.
  for (const char* Mask : {"EMPLOYEE", "", "%", "%%", "E%P", "%EMP%", "E%%", "EM%P%"})
    EXPECT_FALSE(Like("EMPLOYEE", Mask)) << Mask;
  EXPECT_FALSE(Like("E%P", "E%P"));
}

TEST(ExtractFilter, ExcludeListFirstThenIncludeList) {
  TDBStructure Holder(nullptr);
  TCustomExtract Extractor(nullptr);
  Extractor.SetDBStructure(&Holder);
  TObjs& Objs = *Holder.GetMetadata();
  // Empty lists take everything.
  EXPECT_TRUE(FileTable(Objs, "ANY"));

  Extractor.SetInclObjsNames(Lines("EMP%\r\nDEPT%"));
  Extractor.SetExclObjsNames(Lines("%_LOG"));
  EXPECT_TRUE(FileTable(Objs, "EMPLOYEE"));
  EXPECT_TRUE(FileTable(Objs, "DEPT_A"));
  EXPECT_FALSE(FileTable(Objs, "PROJECT"));
  EXPECT_FALSE(FileTable(Objs, "EMP_LOG"));  // included, but excluded first
  EXPECT_EQ(Objs.Tables.Count(), 3);

  // Kinds the filter does not judge pass whatever the lists say.
  TFldData Column(&Objs);
  Column.SetObjName("PROJECT");
  TCtrData Constraint(&Objs);
  Constraint.SetObjName("X_LOG");
  EXPECT_TRUE(Extractor.Accept_Obj(&Column));
  EXPECT_TRUE(Extractor.Accept_Obj(&Constraint));
  // Other judged kinds go by their bare name.
  TViwData View(&Objs);
  View.SetObjName("EMP_VIEW");
  View.SetSchema("PROJECT");
  EXPECT_TRUE(Extractor.Accept_Obj(&View));
}

TEST(ExtractFilter, NameHandlerHasTheLastWordAndObjectHandlerTheOnlyWord) {
  TDBStructure Holder(nullptr);
  TCustomExtract Extractor(nullptr);
  Extractor.SetDBStructure(&Holder);
  TObjs& Objs = *Holder.GetMetadata();
  Extractor.SetInclObjsNames(Lines("EMP%"));
  std::vector<std::pair<std::string, TDbObject>> Asked;
  Extractor.OnAcceptObj = [&](TObject*, const std::string& Name, TDbObject Kind, bool& Accept) {
    Asked.emplace_back(Name, Kind);
    if (Name == "PROJECT") Accept = true;
    if (Name == "EMP_SECRET") Accept = false;
  };
  EXPECT_TRUE(FileTable(Objs, "PROJECT"));
  EXPECT_FALSE(FileTable(Objs, "EMP_SECRET"));
  EXPECT_TRUE(FileTable(Objs, "EMPLOYEE"));
  ASSERT_EQ(Asked.size(), 3u);
  EXPECT_EQ(Asked[0].second, dboTable);

  // The object handler decides alone; the name handler is not asked while it is set.
  Asked.clear();
  Extractor.OnAccept_Obj = [](TObject*, TObject* Obj, bool& Accept) {
    Accept = dynamic_cast<TDbObj*>(Obj)->GetObjName() != "EMPLOYEE2";
  };
  EXPECT_FALSE(FileTable(Objs, "EMPLOYEE2"));
  EXPECT_TRUE(FileTable(Objs, "OTHER"));
  EXPECT_TRUE(Asked.empty());
}

TEST(ExtractFilter, MaskListsTakeTheTrimmedText) {
  TCustomExtract Extractor(nullptr);
  Extractor.SetInclObjsNames(Lines("\r\n  \r\nA%\r\n\r\n  B%\r\n\r\n"));
  const TStringList& L = Extractor.GetIncludeObjsNames();
  EXPECT_EQ(std::vector<std::string>(L.begin(), L.end()),
            (std::vector<std::string>{"A%", "", "  B%"}));
  Extractor.SetExclObjsNames(Lines(" \r\n "));
  EXPECT_TRUE(Extractor.GetExcludeObjsNames().Empty());
}

// ---------------------------------------------------------------------------------------------
// Extractor and holder

TEST(ExtractorHolder, TheLinkIsTwoWayAndMovesWithTheExtractor) {
  TDBStructure H1(nullptr), H2(nullptr);
  TCustomExtract E(nullptr);
  E.SetInclObjsNames(Lines("A%"));
  E.SetDBStructure(&H1);
  EXPECT_EQ(H1.GetExtractor(), &E);
  EXPECT_FALSE(FileTable(*H1.GetMetadata(), "B"));  // the extractor's filter is on

  E.SetDBStructure(&H2);
  EXPECT_EQ(H1.GetExtractor(), nullptr);
  EXPECT_EQ(H2.GetExtractor(), &E);
  EXPECT_TRUE(FileTable(*H1.GetMetadata(), "B"));  // and off the holder left behind
  EXPECT_FALSE(FileTable(*H2.GetMetadata(), "B"));

  // A second extractor takes the holder over; the first one leaving does not undo that.
  auto E2 = std::make_unique<TCustomExtract>(nullptr);
  E2->SetDBStructure(&H2);
  EXPECT_EQ(H2.GetExtractor(), E2.get());
  E.SetDBStructure(&H2);  // linking again takes it back
  EXPECT_EQ(H2.GetExtractor(), &E);
  EXPECT_FALSE(FileTable(*H2.GetMetadata(), "B"));
  E2->SetDBStructure(&H2);
  E.SetDBStructure(nullptr);
  EXPECT_EQ(H2.GetExtractor(), E2.get());
  EXPECT_TRUE(FileTable(*H2.GetMetadata(), "B"));  // E2 has no masks
  E2.reset();
  EXPECT_EQ(H2.GetExtractor(), nullptr);
  EXPECT_TRUE(FileTable(*H2.GetMetadata(), "C"));
}

TEST(ExtractorHolder, EitherMayBeDestroyedFirst) {
  for (const bool HolderFirst : {true, false}) {
    auto H = std::make_unique<TDBStructure>(nullptr);
    auto E = std::make_unique<TTestScriptExtract>(nullptr);
    E->SetExclObjsNames(Lines("X%"));
    E->SetDBStructure(H.get());
    if (HolderFirst) {
      H.reset();
      EXPECT_EQ(E->GetDBStructure(), nullptr);
      EXPECT_FALSE(E->ExtractDatabase());
    } else {
      E.reset();
      EXPECT_EQ(H->GetExtractor(), nullptr);
      // The collection no longer calls into the extractor that went away.
      EXPECT_TRUE(FileTable(*H->GetMetadata(), "X1"));
    }
  }
}

TEST(ExtractorHolder, HolderDialectAndClearReachTheCollection) {
  TDBStructure H(nullptr);
  H.SetDatabaseType(dbMSSQL);
  EXPECT_EQ(H.GetDatabaseType(), dbMSSQL);
  EXPECT_TRUE(FileTable(*H.GetMetadata(), "Emp"));
  EXPECT_NE(H.GetMetadata()->GetTable("emp"), nullptr);  // SQL Server keys ignore case
  H.GetMetadata()->SetCompareRole(crTargetRole);
  EXPECT_EQ(H.GetCompareRole(), crTargetRole);
  H.Clear();
  EXPECT_EQ(H.GetMetadata()->Tables.Count(), 0);
}

TEST(ExtractorHolder, CollectionReportsReachTheExtractor) {
  TDBStructure H(nullptr);
  TCustomExtract E(nullptr);
  E.SetDBStructure(&H);
  std::vector<std::string> Errors, Log;
  E.SetOnErrorMessage([&](TObject*, const std::string& Text) { Errors.push_back(Text); });
  E.SetOnLogNextLine([&](TObject*, const std::string& Text) { Log.push_back(Text); });
  // A dependency record is no kind the collection files.
  EXPECT_FALSE(H.GetMetadata()->AddObj(new TDependObj(H.GetMetadata())));
  EXPECT_EQ(Errors, std::vector<std::string>{"Unknown DbObject to add (TDependObj)"});
  ASSERT_EQ(E.MsgManager.GetErrCount(), 1);
  H.GetMetadata()->DoLogNextLine("line");
  EXPECT_EQ(Log, std::vector<std::string>{"line"});

  // The base extraction fails and starts with an empty message list.
  EXPECT_FALSE(E.ExtractDatabase());
  EXPECT_EQ(E.GetMsgManager()->GetMsgCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Comparer base

/// A comparer whose extraction result is chosen by the test and which counts comparisons.
class TTestVarnel : public TCustomVarnel {
 public:
  TTestVarnel() : TCustomVarnel(nullptr) {}
  bool ExtractResult = false;
  int Compared = 0;
  bool ExtractDatabases() override { return ExtractResult; }
  bool CompareDatabases() override {
    ++Compared;
    return true;
  }
  using TCustomVarnel::GetOwnSQLExec;
  using TCustomVarnel::SetOwnSQLExec;
};

/// An executor that tells when it goes.
class TWatchedExec : public TCustomSQLExec {
 public:
  explicit TWatchedExec(bool* Gone) : TCustomSQLExec(nullptr), FGone(Gone) {}
  ~TWatchedExec() override { *FGone = true; }

 private:
  bool* FGone;
};

TEST(ComparerBase, AHolderGivesItsExtractorsDialectAndTakesShowFullLog) {
  TDBStructure M(nullptr);
  TCustomExtract E(nullptr);
  E.DatabaseType = dbMSSQL;
  E.SetDBStructure(&M);
  TTestVarnel V;
  V.SetShowFullLog(false);
  V.SetDBMaster(&M);
  EXPECT_EQ(V.DatabaseType, dbMSSQL);
  EXPECT_FALSE(E.ShowFullLog);
  EXPECT_EQ(M.GetCompareRole(), crMasterRole);
  V.SetShowFullLog(true);
  EXPECT_TRUE(E.ShowFullLog);
  EXPECT_EQ(V.GetMObjs(), M.GetObjs());
  EXPECT_EQ(V.GetTObjs(), nullptr);
}

TEST(ComparerBase, TheTwoCollectionsArePairedAndUnpaired) {
  TDBStructure M(nullptr), T(nullptr), M2(nullptr);
  TTestVarnel V;
  V.SetDBMaster(&M);
  EXPECT_EQ(M.GetObjs()->ObjsRef, nullptr);
  V.SetDBTarget(&T);
  EXPECT_EQ(M.GetObjs()->ObjsRef, T.GetObjs());
  EXPECT_EQ(T.GetObjs()->ObjsRef, M.GetObjs());
  EXPECT_EQ(T.GetCompareRole(), crTargetRole);

  V.SetDBMaster(&M2);
  EXPECT_EQ(M.GetObjs()->ObjsRef, nullptr);
  EXPECT_EQ(T.GetObjs()->ObjsRef, M2.GetObjs());
  EXPECT_EQ(M2.GetObjs()->ObjsRef, T.GetObjs());
  V.SetDBTarget(nullptr);
  EXPECT_EQ(M2.GetObjs()->ObjsRef, nullptr);
  EXPECT_EQ(T.GetObjs()->ObjsRef, nullptr);
}

TEST(ComparerBase, ComparisonOnlyAfterASuccessfulExtraction) {
  TTestVarnel V;
  V.ExtractAndCompareDatabases();
  EXPECT_EQ(V.Compared, 0);
  V.ExtractResult = true;
  V.ExtractAndCompareDatabases();
  EXPECT_EQ(V.Compared, 1);
  TCustomVarnel Base(nullptr);
  EXPECT_FALSE(Base.ExtractDatabases());
}

TEST(ComparerBase, TheHostsExecutorWinsAndTheOwnGoesWhenReplacedAfterBeingHandedBack) {
  bool OwnGone = false;
  TTestVarnel V;
  V.SetOwnSQLExec(std::make_unique<TWatchedExec>(&OwnGone));
  TCustomSQLExec* Own = V.GetOwnSQLExec();
  EXPECT_EQ(V.GetSQLExec(), Own);

  TCustomSQLExec Host(nullptr);
  V.SetSQLExec(&Host);
  EXPECT_EQ(V.GetSQLExec(), &Host);
  EXPECT_FALSE(OwnGone);

  V.SetSQLExec(Own);  // handed back
  EXPECT_EQ(V.GetSQLExec(), Own);
  V.SetSQLExec(&Host);
  EXPECT_TRUE(OwnGone);
  EXPECT_EQ(V.GetOwnSQLExec(), nullptr);
  EXPECT_EQ(V.GetSQLExec(), &Host);
}

TEST(ComparerBase, OptionObjectsAreCopiedNotShared) {
  TTestVarnel V;
  TMySQLServerOptions Opts;
  Opts.CharSet = "utf8";
  V.SetMySQLServerOptions(Opts);
  Opts.CharSet = "latin1";
  EXPECT_EQ(V.GetMySQLServerOptions().CharSet, "utf8");
}

TEST(ComparerBase, LinksAreClearedWhenTheOtherComponentGoes) {
  TTestVarnel V;
  auto M = std::make_unique<TDBStructure>(nullptr);
  auto EM = std::make_unique<TCustomExtract>(nullptr);
  auto ET = std::make_unique<TCustomExtract>(nullptr);
  auto X = std::make_unique<TCustomSQLExec>(nullptr);
  V.SetDBMaster(M.get());
  V.SetDBTarget(M.get());  // one holder on both sides: two links
  V.SetExtractorMaster(EM.get());
  V.SetExtractorTarget(ET.get());
  V.SetSQLExec(X.get());
  ET.reset();
  EXPECT_EQ(V.GetExtractorTarget(), nullptr);
  EXPECT_EQ(V.GetExtractorMaster(), EM.get());
  X.reset();
  EXPECT_EQ(V.GetSQLExec(), nullptr);
  M.reset();
  EXPECT_EQ(V.GetDBStructureMaster(), nullptr);
  EXPECT_EQ(V.GetDBStructureTarget(), nullptr);
  EXPECT_EQ(V.GetMObjs(), nullptr);
}

// Every order in which a comparer, two holders, their two extractors and an executor can be
// destroyed, each linked to the others as a host links them. The sanitizer build finds any
// pointer left behind.
TEST(ComparerBase, ComponentsMayBeDestroyedInAnyOrder) {
  std::vector<int> Order{0, 1, 2, 3, 4, 5};
  int Runs = 0;
  do {
    bool OwnGone = false;
    std::vector<std::unique_ptr<TComponent>> C(6);
    auto* V = new TTestVarnel();
    auto* M = new TDBStructure(nullptr);
    auto* T = new TDBStructure(nullptr);
    auto* EM = new TTestScriptExtract(nullptr);
    auto* ET = new TCustomExtract(nullptr);
    auto* X = new TCustomSQLExec(nullptr);
    C[0].reset(V);
    C[1].reset(M);
    C[2].reset(T);
    C[3].reset(EM);
    C[4].reset(ET);
    C[5].reset(X);
    EM->SetDBStructure(M);
    ET->SetDBStructure(T);
    V->SetDBMaster(M);
    V->SetDBTarget(T);
    V->SetExtractorMaster(EM);
    V->SetExtractorTarget(ET);
    V->SetOwnSQLExec(std::make_unique<TWatchedExec>(&OwnGone));
    V->SetSQLExec(X);
    ET->SetOnErrorMessage([](TObject*, const std::string&) {});
    M->GetObjs()->SetSQLExec(X);
    T->GetObjs()->SetSQLExec(V->GetOwnSQLExec());
    for (const int I : Order) {
      C[static_cast<std::size_t>(I)].reset();
      // What is left still works: filing through a live extractor's filter, logging.
      if (C[1]) FileTable(*M->GetMetadata(), "A");
      if (C[2]) {
        T->GetMetadata()->DoLogNextLine("x");
        T->GetMetadata()->ErrMsg("x");
      }
    }
    EXPECT_TRUE(OwnGone);
    ++Runs;
  } while (std::next_permutation(Order.begin(), Order.end()));
  EXPECT_EQ(Runs, 720);
}

}  // namespace
}  // namespace qel
