// The collection: the sorted kind lists, filing with duplicates, vetoes and case rules,
// dependency records and their removal, grants, lookups and the collection's small helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Def.h"
#include "qelComp_Dmn.h"
#include "qelComp_Exc.h"
#include "qelComp_Fnc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Pkg.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Rul.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "test_objects_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

/// Every record of Obj's lists, and of its columns', that points at Target.
int RecordsPointingAt(TDbObj* Obj, const TDbObj* Target) {
  int N = 0;
  for (const auto& D : Obj->UseIn) N += D->DepObj == Target;
  for (const auto& D : Obj->UseOf) N += D->DepObj == Target;
  if (auto* T = dynamic_cast<TTblData*>(Obj))
    for (const auto& F : T->Fields) N += RecordsPointingAt(F.get(), Target);
  if (auto* V = dynamic_cast<TViwData*>(Obj))
    for (const auto& F : V->Fields) N += RecordsPointingAt(F.get(), Target);
  return N;
}

int RecordsPointingAtAnywhere(TObjs& Objs, const TDbObj* Target) {
  int N = 0;
  for (TDbObjList* L : Objs.AllLists())
    for (int I = 0; I < L->Count(); ++I) N += RecordsPointingAt(L->Objects(I), Target);
  return N;
}

}  // namespace

TEST(DbObjList, SortedUniqueAndFoundWhileFilingGoesOn) {
  TDbObjList L;
  std::vector<std::string> Keys;
  for (int I = 0; I < 500; ++I)
    Keys.push_back(std::string(1, 'K').append(std::to_string(I * 7919 % 1000)));
  std::mt19937 Rng(7);
  std::shuffle(Keys.begin(), Keys.end(), Rng);
  for (std::size_t I = 0; I < Keys.size(); ++I) {
    auto* O = new TDbObj(nullptr);
    ASSERT_TRUE(L.Add(Keys[I], O));
    // Found at once, before any ordered access merges the batch.
    ASSERT_EQ(L.FindObj(Keys[I]), O);
    if (I % 97 == 0) {
      ASSERT_NE(L.Objects(0), nullptr);  // an ordered read in between
    }
  }
  TDbObj Dup(nullptr);
  EXPECT_FALSE(L.Add(Keys[3], &Dup));  // refused, stays with the caller
  ASSERT_EQ(L.Count(), 500);
  for (int I = 1; I < L.Count(); ++I) EXPECT_LT(L.Keys(I - 1), L.Keys(I));
  int Index = -1;
  EXPECT_TRUE(L.Find(Keys[0], Index));
  EXPECT_EQ(L.Keys(Index), Keys[0]);
  EXPECT_FALSE(L.Find("K70000", Index));
  EXPECT_EQ(L.IndexOf("nope"), -1);
  EXPECT_EQ(L.Objects(-1), nullptr);
  EXPECT_EQ(L.Keys(500), "");
  std::unique_ptr<TDbObj> Out = L.Extract(0);
  EXPECT_NE(Out, nullptr);
  EXPECT_EQ(L.Count(), 499);
}

TEST(DbObjList, CaseRuleAndPrefixAndRekeying) {
  TDbObjList L;
  L.SetCaseSensitive(false);
  ASSERT_TRUE(L.Add("Orders", new TDbObj(nullptr)));
  TDbObj Dup(nullptr);
  EXPECT_FALSE(L.Add("ORDERS", &Dup));
  EXPECT_NE(L.FindObj("orders"), nullptr);
  ASSERT_TRUE(L.Add("b ON t1", new TDbObj(nullptr)));
  ASSERT_TRUE(L.Add("b ON t2", new TDbObj(nullptr)));
  EXPECT_EQ(L.FindFirstWithPrefix("B ON "), L.Objects(L.IndexOf("b ON t1")));
  EXPECT_EQ(L.FindFirstWithPrefix("zz"), nullptr);
  // Unsorted, keys are rewritten in place; sorting again files them under the new keys.
  L.SetSorted(false);
  L.PutKey(L.IndexOf("Orders"), "a");
  EXPECT_EQ(L.Keys(0), "b ON t1");
  L.SetSorted(true);
  EXPECT_EQ(L.Keys(0), "a");
  EXPECT_NE(L.FindObj("A"), nullptr);
}

TEST(DbObjList, LargeBatchesFindAndRefuseUnderEitherCaseRule) {
  for (const bool CaseSensitive : {true, false}) {
    TDbObjList L;
    L.SetCaseSensitive(CaseSensitive);
    for (int Round = 0; Round < 2; ++Round)  // the second batch after an ordered read
      for (int I = Round * 3000; I < (Round + 1) * 3000; ++I) {
        const std::string K = "Tbl_" + std::to_string(I);
        ASSERT_TRUE(L.Add(K, new TDbObj(nullptr))) << K;
        TDbObj Dup(nullptr);
        ASSERT_FALSE(L.Add(K, &Dup));
        auto Upper = std::make_unique<TDbObj>(nullptr);
        ASSERT_EQ(L.Add("TBL_" + std::to_string(I), Upper.get()), CaseSensitive);
        if (CaseSensitive) (void)Upper.release();  // the list took it
        ASSERT_EQ(L.FindObj("tbl_" + std::to_string(I / 2)) != nullptr, !CaseSensitive);
        if (I == 2999) {
          ASSERT_NE(L.Objects(0), nullptr);
        }
      }
    EXPECT_EQ(L.Count(), CaseSensitive ? 12000 : 6000);
  }
}

// Objects taken out by key, from the sorted part or from the batch filed since the last
// ordered read, while filing goes on: the list holds and finds what a plain set of keys holds.
TEST(DbObjList, RemovedByKeyFromEitherPartWhileFilingGoesOn) {
  struct TRow {
    const char* Name;
    bool CaseSensitive, Sorted;
  };
  for (const TRow& Row :
       {TRow{"sorted, case-sensitive", true, true}, TRow{"sorted, case-insensitive", false, true},
        TRow{"unsorted", true, false}}) {
    SCOPED_TRACE(Row.Name);
    TDbObjList L;
    L.SetCaseSensitive(Row.CaseSensitive);
    L.SetSorted(Row.Sorted);
    std::set<std::string> Model;
    std::mt19937 Rng(11);
    for (int I = 0; I < 3000; ++I) {
      const std::string K = "fn_" + std::to_string(Rng() % 1500);
      if (Model.insert(K).second) {
        ASSERT_TRUE(L.Add(K, new TDbObj(nullptr)));
      }
      if (I % 3 == 0) {  // the way a replacing definition takes out the one before it
        const std::string Gone = "fn_" + std::to_string(Rng() % 1500);
        ASSERT_EQ(L.Remove(Row.CaseSensitive ? Gone : UpperCase(Gone)), Model.erase(Gone) == 1);
        ASSERT_EQ(L.FindObj(Gone), nullptr);
      }
      if (I % 500 == 0) (void)L.Objects(0);  // an ordered read merges the batch
      for (int J = 0; J < 3; ++J) {
        const std::string Probe = "fn_" + std::to_string(Rng() % 1500);
        ASSERT_EQ(L.FindObj(Probe) != nullptr, Model.count(Probe) == 1) << Probe;
      }
    }
    ASSERT_EQ(L.Count(), static_cast<int>(Model.size()));
    std::vector<std::string> Keys;
    for (int I = 0; I < L.Count(); ++I) Keys.push_back(L.Keys(I));
    if (!Row.Sorted) std::sort(Keys.begin(), Keys.end());
    EXPECT_EQ(Keys, std::vector<std::string>(Model.begin(), Model.end()));
  }
}

TEST(DbObjList, LookupsFromAHintFindWhatFindObjFinds) {
  for (const bool CaseSensitive : {true, false}) {
    SCOPED_TRACE(CaseSensitive ? "case-sensitive" : "case-insensitive");
    TDbObjList L;
    L.SetCaseSensitive(CaseSensitive);
    std::vector<std::string> Keys;
    for (int I = 0; I < 60; ++I)
      Keys.push_back(std::string(1, I % 2 ? 'k' : 'K').append(std::to_string(I * 37 % 100)));
    for (const std::string& K : Keys) ASSERT_TRUE(L.Add(K, new TDbObj(nullptr)));
    std::vector<std::string> Queries = Keys;
    for (int I = 0; I < 40; ++I)
      Queries.push_back(std::string(1, 'k').append(std::to_string(I * 13 % 100)).append(1, 'x'));
    Queries.push_back("");
    Queries.push_back("zzz");
    std::mt19937 Rng(11);
    auto Check = [&](const std::vector<std::string>& Order, std::size_t Start) {
      std::size_t Hint = Start;
      for (const std::string& Q : Order) {
        // Every third lookup starts from a hint of its own, anywhere or past the end.
        if (Rng() % 3 == 0) Hint = Rng() % (static_cast<std::size_t>(L.Count()) + 5);
        ASSERT_EQ(L.FindObjFrom(Q, Hint), L.FindObj(Q)) << Q;
      }
    };
    std::sort(Queries.begin(), Queries.end());
    Check(Queries, 0);
    std::reverse(Queries.begin(), Queries.end());
    Check(Queries, 0);
    std::shuffle(Queries.begin(), Queries.end(), Rng);
    Check(Queries, 1000);
    // Filed since the last ordered read, and in an unsorted list.
    ASSERT_TRUE(L.Add("K1000", new TDbObj(nullptr)));
    Check({"K1000", "k1000", Keys[5]}, 0);
    L.SetSorted(false);
    Check(Queries, 0);
  }

  // Columns: the namesake at the guessed place, elsewhere, or none, under the case rule.
  TTblData T(nullptr);
  for (const char* N : {"a", "b", "c"}) {
    auto F = std::make_unique<TFldData>(nullptr);
    F->SetObjName(N);
    T.Fields.Add(std::move(F));
  }
  EXPECT_EQ(T.Fields.FindFrom("b", 1), T.Fields[1]);
  EXPECT_EQ(T.Fields.FindFrom("b", 0), T.Fields[1]);
  EXPECT_EQ(T.Fields.FindFrom("c", 7), T.Fields[2]);
  EXPECT_EQ(T.Fields.FindFrom("c", -1), T.Fields[2]);
  EXPECT_EQ(T.Fields.FindFrom("d", 2), nullptr);
  EXPECT_EQ(T.Fields.FindFrom("B", 1), nullptr);
  T.Fields.CaseSensitive = false;
  EXPECT_EQ(T.Fields.FindFrom("B", 1), T.Fields[1]);
  EXPECT_EQ(T.Fields.FindFrom("C", 0), T.Fields[2]);
}

TEST(AddObj, DuplicateKeysAreNeitherFiledNorLeaked) {
  TObjs Objs;
  auto* First = AddTable(Objs, "T");
  // The second table is kept out; the collection holds it aside and frees it at Clear, so a
  // reader that goes on filling it does no harm (ASan checks both).
  auto* Second = new TTblData(&Objs);
  Second->SetObjName("T");
  EXPECT_FALSE(Objs.AddObj(Second));
  AddColumn(Second, Second->Fields, "C", iftInteger);
  EXPECT_EQ(Objs.GetTable("T"), First);
  EXPECT_EQ(Objs.Tables.Count(), 1);
  // Filing the same object again changes nothing.
  EXPECT_TRUE(Objs.AddObj(First));
  EXPECT_EQ(Objs.Tables.Count(), 1);
  // Without FreeIfRejected the caller keeps the refused object.
  auto Third = std::make_unique<TTblData>(&Objs);
  Third->SetObjName("T");
  EXPECT_FALSE(Objs.AddObj(Third.get(), false));
  Objs.Clear();
  EXPECT_EQ(Objs.Tables.Count(), 0);
}

TEST(AddObj, VetoIbeObjectsAndUnknownClasses) {
  TObjs Objs;
  Objs.SetDatabaseType(dbInterBase);
  Objs.OnAccept_Obj = [](TObject*, TObject* Obj, bool& Accept) {
    Accept = static_cast<TDbObj*>(Obj)->GetObjName() != "NO";
  };
  auto* Vetoed = new TTblData(&Objs);
  Vetoed->SetObjName("NO");
  EXPECT_FALSE(Objs.AddObj(Vetoed, true));  // freed (ASan would report a leak otherwise)
  auto Kept = std::make_unique<TTblData>(&Objs);
  Kept->SetObjName("NO");
  EXPECT_FALSE(Objs.AddObj(Kept.get(), false));
  EXPECT_EQ(Objs.Tables.Count(), 0);
  Objs.OnAccept_Obj = nullptr;
  EXPECT_FALSE(Objs.Accept_Obj(nullptr));

  auto* Ibe = new TPrcData(&Objs);
  Ibe->SetObjName("IBE$LOG");
  EXPECT_FALSE(Objs.AddObj(Ibe));
  auto* Inner = new TPrcData(&Objs);
  Inner->SetObjName("X_IBE$LOG");
  EXPECT_TRUE(Objs.AddObj(Inner));
  Objs.IBServerOptions.GetIBCompareOptions().IgnoreIBEObjects = false;
  auto* Ibe2 = new TPrcData(&Objs);
  Ibe2->SetObjName("IBE$LOG");
  EXPECT_TRUE(Objs.AddObj(Ibe2));

  // A generic object belongs to no list.
  EXPECT_FALSE(Objs.AddObj(new TDbObj(&Objs)));
  EXPECT_FALSE(Objs.AddObj(nullptr));
}

TEST(AddObj, EachClassGoesToItsList) {
  TObjs Objs;
  auto File = [&Objs](TDbObj* O) {
    O->SetObjName("X");
    EXPECT_TRUE(Objs.AddObj(O));
    return O;
  };
  File(new TUdfData(&Objs));
  File(new TDmnData(&Objs));
  File(new TTblData(&Objs));
  File(new TViwData(&Objs));
  File(new TPrcData(&Objs));
  File(new TTrgData(&Objs));
  File(new TIdxData(&Objs));
  File(new TGnrData(&Objs));
  File(new TCtrData(&Objs));
  File(new TExcData(&Objs));
  File(new TDefData(&Objs));
  File(new TRulData(&Objs));
  File(new TPkgData(&Objs));
  File(new TRolData(&Objs));
  File(new TPblData(&Objs));
  File(new TSchData(&Objs));
  File(new TOprData(&Objs));
  File(new TOpcData(&Objs));
  File(new TCnvData(&Objs));
  File(new TEvtData(&Objs));
  auto* G = new TGntData(&Objs);
  G->Privileges.Include(gntSelect);
  G->ObjectType = 0;
  G->ObjectName = "T";
  G->GranteeName = "U";
  EXPECT_TRUE(Objs.AddObj(G));
  for (TDbObjList* L :
       {&Objs.Functions,   &Objs.Domains,    &Objs.Tables,          &Objs.Views,
        &Objs.Procedures,  &Objs.Triggers,   &Objs.Indexes,         &Objs.Generators,
        &Objs.Constraints, &Objs.Exceptions, &Objs.Grants,          &Objs.Defaults,
        &Objs.Rules,       &Objs.Packages,   &Objs.Roles,           &Objs.Publications,
        &Objs.Schemas,     &Objs.Operators,  &Objs.OperatorClasses, &Objs.Conversions,
        &Objs.Events})
    EXPECT_EQ(L->Count(), 1);
  EXPECT_NE(Objs.GetDomain("X"), nullptr);
  EXPECT_NE(Objs.GetView("X"), nullptr);
  EXPECT_NE(Objs.GetProcedure("X"), nullptr);
  EXPECT_NE(Objs.GetTrigger("X"), nullptr);
  EXPECT_NE(Objs.GetGenerator("X"), nullptr);
  EXPECT_NE(Objs.GetException("X"), nullptr);
  EXPECT_NE(Objs.GetIndex("X"), nullptr);
  EXPECT_NE(Objs.GetFunction("X"), nullptr);
  EXPECT_NE(Objs.GetPackage("X"), nullptr);
  EXPECT_NE(Objs.GetConstraint("X"), nullptr);
  EXPECT_NE(Objs.GetPublication("X"), nullptr);
  EXPECT_NE(Objs.GetSchema("X"), nullptr);
  EXPECT_NE(Objs.GetEvent("X"), nullptr);
  // Operators are filed with their operand types: "X (NONE, NONE)".
  EXPECT_EQ(Objs.GetOperator("X (NONE, NONE)"), Objs.Operators.Objects(0));
  // Clear frees every object once and a second Clear does nothing.
  Objs.Clear();
  for (TDbObjList* L : Objs.AllLists()) EXPECT_EQ(L->Count(), 0);
  Objs.Clear();
}

TEST(AddObj, CaseRuleOfTheDialect) {
  for (TDatabaseType DB : {dbMSSQL, dbSybaseASA, dbSybaseASE, dbPostgreSQL, dbInterBase}) {
    TObjs Objs;
    Objs.SetDatabaseType(DB);
    Objs.MSSQLServerOptions.GetMSSQLCompareOptions().CaseSensitiveIdentifiers = true;
    AddTable(Objs, "ORDERS");
    const bool Insensitive = DB == dbMSSQL || DB == dbSybaseASA || DB == dbSybaseASE;
    EXPECT_EQ(Objs.GetTable("orders") != nullptr, Insensitive) << DB;
    EXPECT_TRUE(Objs.Events.GetCaseSensitive());
    EXPECT_EQ(Objs.Domains.GetCaseSensitive(), !Insensitive);
  }
}

TEST(AddObj, NamesUniquePerTableDoNotCollide) {
  // PostgreSQL triggers and constraints, DB2 constraints: the same name on two tables is two
  // objects.
  TObjs PG;
  PG.SetDatabaseType(dbPostgreSQL);
  AddTable(PG, "t1");
  AddTable(PG, "t2");
  auto* Trg1 = AddTrigger(PG, "audit", "t1", "EXECUTE FUNCTION f()");
  auto* Trg2 = AddTrigger(PG, "audit", "t2", "EXECUTE FUNCTION f()");
  EXPECT_EQ(PG.Triggers.Count(), 2);
  EXPECT_EQ(PG.Triggers.FindObj("audit ON t2"), Trg2);
  EXPECT_EQ(PG.GetTrigger("audit"), Trg1);  // a plain name still finds one
  for (const char* Table : {"t1", "t2"}) {
    auto* C = new TCtrData(&PG);
    C->SetObjName("pk");
    C->SetCtType(ctPKey);
    C->SetTblName(Table);
    EXPECT_TRUE(PG.AddObj(C));
  }
  EXPECT_EQ(PG.Constraints.Count(), 2);
  EXPECT_NE(PG.GetConstraint("pk"), nullptr);

  TObjs DB2;
  DB2.SetDatabaseType(dbDB2);
  for (const char* Table : {"T1", "T2"}) {
    auto* C = new TCtrData(&DB2);
    C->SetObjName("PK");
    C->SetSchema("S");
    C->SetTblName(Table);
    EXPECT_TRUE(DB2.AddObj(C));
  }
  EXPECT_EQ(DB2.Constraints.Count(), 2);
  EXPECT_NE(DB2.GetConstraint("S.PK"), nullptr);

  // Firebird trigger names are unique in the database: the plain key stays.
  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  AddTable(IB, "T1");
  AddTrigger(IB, "AUDIT", "T1", "AS BEGIN END");
  EXPECT_NE(IB.Triggers.FindObj("AUDIT"), nullptr);
}

TEST(LinkDepend, RecordsOncePerPairOnBothSides) {
  TObjs Objs;
  auto* T = AddTable(Objs, "T", {{"ID", iftInteger}});
  auto* V = AddView(Objs, "V", "select ID from T");
  Objs.LinkDepend(V, T, "", 7, 3);
  Objs.LinkDepend(V, T);
  ASSERT_EQ(V->UseOf.Count(), 1);
  ASSERT_EQ(T->UseIn.Count(), 1);
  const TDependObj* R = V->UseOf[0];
  EXPECT_EQ(R->DepObj, T);
  EXPECT_EQ(R->GetObjName(), "T");
  EXPECT_EQ(R->Kind, 101);
  EXPECT_EQ(R->LinkCode1, 7);
  EXPECT_EQ(R->LinkCode2, 3);
  EXPECT_TRUE(R->Active);
  EXPECT_EQ(T->UseIn[0]->DepObj, V);
  EXPECT_EQ(T->UseIn[0]->Kind, 103);
  // A column name resolves to the column; one that does not exist records nothing.
  Objs.LinkDepend(V, T, "ID");
  EXPECT_EQ(V->UseOf.Count(), 2);
  EXPECT_EQ(V->UseOf[1]->DepObj, T->Fields[0]);
  EXPECT_EQ(T->Fields[0]->UseIn[0]->DepObj, V);
  Objs.LinkDepend(V, T, "NOPE");
  EXPECT_EQ(V->UseOf.Count(), 2);
  Objs.LinkDepend(nullptr, T);
  Objs.LinkDepend(V, nullptr);
}

TEST(LinkDepend, TriggerOnTableUsesTheColumnAndTablesUseDomainsThroughColumns) {
  TObjs Objs;
  auto* T = AddTable(Objs, "T", {{"QTY", iftInteger}});
  auto* Trg = AddTrigger(Objs, "TRG", "T", "AS BEGIN END");
  Objs.LinkDepend(Trg, T, "QTY");
  ASSERT_EQ(Trg->UseOf.Count(), 1);
  EXPECT_EQ(Trg->UseOf[0]->DepObj, T->Fields[0]);
  EXPECT_TRUE(T->UseIn.Empty());

  auto* D = new TDmnData(&Objs);
  D->SetObjName("D_QTY");
  Objs.AddObj(D);
  Objs.LinkDepend(T, D, "QTY");
  EXPECT_EQ(T->UseOf.Count(), 1);             // the table itself
  EXPECT_EQ(T->Fields[0]->UseOf.Count(), 1);  // and its column
  EXPECT_EQ(D->UseIn.Count(), 2);
  auto* P = AddProc(Objs, "P", "");
  Objs.LinkDepend(Trg, P, "ARG");  // a routine argument names no column: the routine is used
  EXPECT_EQ(Trg->UseOf[1]->DepObj, P);
}

TEST(RemoveDepend, LeavesNoRecordPointingAtTheObjectOrItsColumns) {
  TObjs Objs;
  auto* T = AddTable(Objs, "T", {{"A", iftInteger}, {"B", iftInteger}});
  auto* V = AddView(Objs, "V", "select A from T");
  auto* P = AddProc(Objs, "P", "");
  auto* G = new TGntData(&Objs);  // grants are outside the lists the cascade walks
  G->ObjectName = "T";
  G->GranteeName = "U";
  Objs.AddObj(G);
  Objs.LinkDepend(V, T);
  Objs.LinkDepend(V, T, "A");
  Objs.LinkDepend(P, T, "B");
  Objs.LinkDepend(G, T);
  Objs.LinkDepend(T, P);  // both directions
  TFldData* A = T->Fields[0];
  TFldData* B = T->Fields[1];
  // One half of a pair removed by hand: ClearDepend takes the mirror too.
  Objs.ClearDepend(V, T);
  for (const auto& D : T->UseIn) EXPECT_NE(D->DepObj, V);
  EXPECT_EQ(T->Fields[0]->UseIn.Count(), 1);  // the column's own link stays
  Objs.LinkDepend(V, T);

  Objs.RemoveDepend(T);
  EXPECT_EQ(RecordsPointingAtAnywhere(Objs, T), 0);
  EXPECT_EQ(RecordsPointingAtAnywhere(Objs, A), 0);
  EXPECT_EQ(RecordsPointingAtAnywhere(Objs, B), 0);
  // Take the table out and free it; nothing may touch it afterwards (ASan).
  Objs.Tables.Delete(Objs.Tables.IndexOfObject(T));
  EXPECT_TRUE(V->UseOf.Empty());
  EXPECT_TRUE(P->UseIn.Empty());
  EXPECT_TRUE(P->UseOf.Empty());
  EXPECT_TRUE(G->UseOf.Empty());
}

TEST(AddGrant, MergesEqualGrants) {
  TObjs Objs;
  auto Grant = [&Objs](TGrantPrivilege P, std::vector<std::string> Cols = {}) {
    auto G = std::make_unique<TGntData>(&Objs);
    G->ObjectName = "T";
    G->ObjectType = 0;
    G->GranteeName = "U";
    G->Privileges.Include(P);
    for (const auto& C : Cols) G->Fields.Add(C);
    return G;
  };
  auto Insert = Grant(gntInsert);
  ASSERT_EQ(Objs.AddGrant(Insert.get()), Insert.get());
  TGntData* Filed = Insert.release();
  auto Select = Grant(gntSelect);
  EXPECT_EQ(Objs.AddGrant(Select.get()), nullptr);  // merged; the caller frees it
  EXPECT_EQ(Objs.Grants.Count(), 1);
  EXPECT_TRUE(Filed->Privileges.Contains(gntInsert));
  EXPECT_TRUE(Filed->Privileges.Contains(gntSelect));
  Objs.SortGrants();
  EXPECT_EQ(Objs.Grants.Keys(0), "GRANT INSERT, SELECT ON T TO U");

  auto ColA = Grant(gntUpdate, {"A"});
  ASSERT_NE(Objs.AddGrant(ColA.get()), nullptr);
  TGntData* FiledCols = ColA.release();
  auto ColB = Grant(gntUpdate, {"A", "B"});
  EXPECT_EQ(Objs.AddGrant(ColB.get()), nullptr);
  EXPECT_EQ(FiledCols->Fields.Count(), 2);
  // Another grantee is another grant.
  auto Other = Grant(gntSelect);
  Other->GranteeName = "V";
  EXPECT_NE(Objs.AddGrant(Other.get()), nullptr);
  (void)Other.release();
  EXPECT_EQ(Objs.Grants.Count(), 3);
}

TEST(Collection, RolesLinksAndOptions) {
  TObjs Master, Target;
  EXPECT_EQ(Master.ConnectionOptions.UserName, "SYSDBA");
  EXPECT_EQ(Master.Terminator, ";");
  EXPECT_EQ(Master.GetObjsMaster(), nullptr);
  EXPECT_EQ(Master.ODSMajorVersionOfTarget(), 0);
  LinkAsMasterAndTarget(Master, Target);
  EXPECT_EQ(Master.GetObjsMaster(), &Master);
  EXPECT_EQ(Target.GetObjsMaster(), &Master);
  EXPECT_EQ(Master.GetObjsTarget(), &Target);
  Target.IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion = 12;
  EXPECT_EQ(Master.ODSMajorVersionOfTarget(), 12);
  EXPECT_EQ(Target.ODSMajorVersionOfTarget(), 12);
  Master.SetDatabaseType(dbOracle);
  EXPECT_EQ(Master.DbConnectStr(), "");
  Master.SetDatabaseType(dbInterBase);
  Master.ConnectionOptions.SetDatabaseName("db.fdb");
  EXPECT_NE(Master.DbConnectStr().find("db.fdb"), std::string::npos);

  // Roles, logins and users of one name are three entries; the name matches exactly.
  TObjs MS;
  MS.SetDatabaseType(dbMSSQL);
  MS.MSSQLServerOptions.GetMSSQLCompareOptions().CaseSensitiveIdentifiers = true;
  for (TUserType U : {usrRol, usrLgn}) {
    auto* R = new TRolData(&MS);
    R->SetObjName("Admin");
    R->UserType = U;
    EXPECT_TRUE(MS.AddObj(R));
  }
  EXPECT_EQ(MS.GetRole("Admin")->UserType, usrRol);
  EXPECT_EQ(MS.GetLogin("Admin")->UserType, usrLgn);
  EXPECT_EQ(MS.GetUser("Admin"), nullptr);
  EXPECT_EQ(MS.GetRole("ADMIN"), nullptr);

  // The collection and its executor forget each other whichever goes first.
  auto Exec = std::make_unique<TRecordingExec>();
  Master.SetSQLExec(Exec.get());
  Target.SetSQLExec(Exec.get());
  Exec.reset();
  EXPECT_EQ(Master.GetSQLExec(), nullptr);
  EXPECT_EQ(Target.GetSQLExec(), nullptr);
  {
    TRecordingExec E;
    auto Objs = std::make_unique<TObjs>();
    Objs->SetSQLExec(&E);
    Objs.reset();
  }
}

TEST(Collection, LogLinesGoToTheFirstHandler) {
  TSchema S(dbInterBase);
  std::vector<std::string> ExecLines, ObjsLines;
  S.Exec.OnLogNextLine = [&](TObject* Sender, const std::string& T) {
    EXPECT_EQ(Sender, &S.Objs);
    ExecLines.push_back(T);
  };
  S.Objs.DoLogNextLine("a");
  S.Objs.OnLogNextLine = [&](TObject*, const std::string& T) { ObjsLines.push_back(T); };
  S.Objs.DoLogNextLine("b");
  EXPECT_EQ(ExecLines, std::vector<std::string>{"a"});
  EXPECT_EQ(ObjsLines, std::vector<std::string>{"b"});
}

TEST(Collection, ColumnAndParameterLookups) {
  TObjs MS, IB;
  MS.SetDatabaseType(dbMSSQL);
  IB.SetDatabaseType(dbInterBase);
  AddTable(MS, "ORDERS", {{"QTY", iftInteger}});
  AddTable(IB, "ORDERS", {{"QTY", iftInteger}});
  EXPECT_NE(MS.GetTable("orders"), nullptr);
  EXPECT_NE(MS.GetTableField("orders", "qty"), nullptr);
  EXPECT_EQ(IB.GetTable("orders"), nullptr);
  EXPECT_EQ(IB.GetTableField("ORDERS", "qty"), nullptr);
  EXPECT_NE(IB.GetTableField("ORDERS", "QTY"), nullptr);
  EXPECT_EQ(IB.GetTableField("NONE", "QTY"), nullptr);

  auto* V = AddView(IB, "V", "select 1 from rdb$database");
  AddColumn(V, V->Fields, "ONE", iftInteger);
  EXPECT_NE(IB.GetViewField("V", "ONE"), nullptr);

  auto* P = AddProc(IB, "P", "BEGIN END");
  TFldData* In = AddColumn(P, P->Params, "X", iftInteger);
  TFldData* Out = AddColumn(P, P->Results, "X", iftInteger);
  TFldData* OnlyOut = AddColumn(P, P->Results, "Y", iftInteger);
  EXPECT_EQ(IB.GetProcParam("P", "X"), In);
  EXPECT_NE(IB.GetProcParam("P", "X"), Out);
  EXPECT_EQ(IB.GetProcParam("P", "Y"), OnlyOut);
  EXPECT_EQ(IB.GetProcParam("Q", "X"), nullptr);
}

TEST(CompObj, ParseDbPath) {
  std::string Server, Database;
  TQELProtocol Protocol = ptLocal;
  ParseDbPath("  srv:C:\\data\\db.fdb  ", Server, Database, Protocol);
  EXPECT_EQ(Protocol, ptTCP);
  EXPECT_EQ(Server, "srv");
  EXPECT_EQ(Database, "C:\\data\\db.fdb");
  ParseDbPath("C:\\data\\db.fdb", Server, Database, Protocol);
  EXPECT_EQ(Protocol, ptLocal);
  EXPECT_EQ(Server, "");
  EXPECT_EQ(Database, "C:\\data\\db.fdb");
  ParseDbPath("\\\\srv\\C:\\db.fdb", Server, Database, Protocol);
  EXPECT_EQ(Protocol, ptNamedPipe);
  EXPECT_EQ(Server, "srv");
  EXPECT_EQ(Database, "C:\\db.fdb");
  ParseDbPath("\\\\srv", Server, Database, Protocol);
  EXPECT_EQ(Protocol, ptNamedPipe);
  EXPECT_EQ(Server, "");
  EXPECT_EQ(Database, "srv");
  ParseDbPath("srv@C:\\db.fdb", Server, Database, Protocol);
  EXPECT_EQ(Protocol, ptSPX);
  EXPECT_EQ(Server, "srv");
  EXPECT_EQ(Database, "C:\\db.fdb");
  // Linux servers: a host before a single colon is a server over TCP.
  ParseDbPath("localhost:/var/db/test.fdb", Server, Database, Protocol);
  EXPECT_EQ(Protocol, ptTCP);
  EXPECT_EQ(Server, "localhost");
  EXPECT_EQ(Database, "/var/db/test.fdb");
  ParseDbPath("localhost/3051:/var/db/test.fdb", Server, Database, Protocol);
  EXPECT_EQ(Protocol, ptTCP);
  EXPECT_EQ(Server, "localhost/3051");
  ParseDbPath("/var/db/test.fdb", Server, Database, Protocol);
  EXPECT_EQ(Protocol, ptLocal);
  EXPECT_EQ(Database, "/var/db/test.fdb");
}

TEST(CompObj, SmallTextHelpers) {
  EXPECT_EQ(obj_str(0), "relation");
  EXPECT_EQ(obj_str(101), "relation");
  EXPECT_EQ(obj_str(15), "function");
  EXPECT_EQ(obj_str(109), "function");
  EXPECT_EQ(obj_str(16), "???");
  EXPECT_EQ(obj_str(110), "???");
  EXPECT_EQ(ClearCrLf("a  \r\n\r\n\r\nb"), "a\r\nb");
  EXPECT_EQ(ClearCrLf("a b\r\n c "), "a b\r\n c ");
  std::string Logged;
  const auto Saved = AddToLog;
  AddToLog("dropped");  // the default hook does nothing
  AddToLog = [&Logged](const std::string& T) { Logged = T; };
  AddToLog("x");
  AddToLog = Saved;
  EXPECT_EQ(Logged, "x");
  EXPECT_FALSE(TerminateRunning.load());
}

TEST(CompObj, DatabaseObject) {
  TObjs IB, PG;
  IB.SetDatabaseType(dbInterBase);
  PG.SetDatabaseType(dbPostgreSQL);
  TDataBaseObj D(&IB);
  EXPECT_EQ(D.GetCaption(), "Database");
  D.ConnectionOptions.SetDatabaseName("/db/it's.fdb");
  D.ConnectionOptions.UserName = "SYSDBA";
  D.ConnectionOptions.Password = "pw";
  D.IBServerOptions.SetDBCharSet("utf8");
  D.IBServerOptions.GetIBDatabaseOptions().PageSize = 8192;
  D.IBServerOptions.GetIBDatabaseOptions().ServerVersionText = "LI-V3.0.10";
  D.IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion = 12;
  D.IBServerOptions.GetIBDatabaseOptions().ForcedWrites = true;
  EXPECT_EQ(D.GetCaption(), "/db/it's.fdb");
  EXPECT_EQ(D.Def(),
            "SET NAMES UTF8;\r\nSET SQL DIALECT 3;\r\n"
            "CREATE DATABASE '/db/it''s.fdb'\r\nUSER 'SYSDBA' PASSWORD 'pw'\r\nPAGE_SIZE 8192"
            "  DEFAULT CHARACTER SET UTF8;\r\n"
            "/* Server: LI-V3.0.10.  ODS: 12.0. Forced Writes: Enabled.  */");
  TDataBaseObj P(&PG);
  P.ConnectionOptions.SetDatabaseName("x");
  EXPECT_EQ(P.Def(), "");
}
