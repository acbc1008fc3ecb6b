// One schema pair per dialect with keys, indexes and the counters the dialect has, turned into
// the update script (golden scripts under tests/fixtures/keys/).
#include <gtest/gtest.h>

#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Exc.h"
#include "qelComp_Gnr.h"
#include "qelDBStructure.h"
#include "qelVarnel.h"
#include "test_keys_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

/// One side. Both sides have CUSTOMER(ID, NAME, EMAIL) and ORDERS(ID, CUSTOMER_ID, CODE); the
/// master adds ITEMS(ID, ORDER_ID). Against the master, the target's ORDERS key has one column
/// too many, its foreign key references CUSTOMER's EMAIL (through a unique key only the target
/// has), its code index is not unique, it lacks the name index and the check, and it has an
/// index the master dropped; generators, exceptions and events differ where the dialect has
/// them.
void BuildSide(TObjs& O, bool Master) {
  const TDatabaseType DB = O.GetDatabaseType();
  KeyTable(O, "CUSTOMER", {"ID", "NAME", "EMAIL"});
  KeyTable(O, "ORDERS", {"ID", "CUSTOMER_ID", "CODE"});
  AddKey(O, "PK_CUSTOMER", ctPKey, "CUSTOMER", {"ID"});
  if (Master) {
    KeyTable(O, "ITEMS", {"ID", "ORDER_ID"});
    AddKey(O, "PK_ORDERS", ctPKey, "ORDERS", {"ID"});
    AddKey(O, "FK_ORDERS_CUSTOMER", ctFKey, "ORDERS", {"CUSTOMER_ID"}, "CUSTOMER", {"ID"})
        ->OnDelete = udaCascade;
    AddKey(O, "PK_ITEMS", ctPKey, "ITEMS", {"ID"});
    AddKey(O, "FK_ITEMS_ORDER", ctFKey, "ITEMS", {"ORDER_ID"}, "ORDERS", {"ID"});
    AddKey(O, "CK_ORDERS_CODE", ctCheck, "ORDERS", {})->EditExtra().Body =
        DB == dbPostgreSQL ? " ((code)::text <> '')" : " (CODE <> '')";
    if (DB == dbMSSQL || DB == dbSybaseASE)
      AddKey(O, "DF_ORDERS_CODE", ctDefault, "ORDERS", {"CODE"})
          ->SetExtra(&TObjExtra::Body, "('-')");
    AddIndex(O, "IX_ORDERS_CODE", "ORDERS", {"CODE"}, true);
    // InterBase sorts a whole index one way; the others sort each column.
    if (DB == dbInterBase)
      AddIndex(O, "IX_CUSTOMER_NAME", "CUSTOMER", {"NAME", "ID"})->Descending = true;
    else
      AddIndex(O, "IX_CUSTOMER_NAME", "CUSTOMER", {"NAME DESC", "ID"});
  } else {
    AddKey(O, "PK_ORDERS", ctPKey, "ORDERS", {"ID", "CUSTOMER_ID"});
    AddKey(O, "UQ_CUSTOMER_EMAIL", ctUnique, "CUSTOMER", {"EMAIL"});
    AddKey(O, "FK_ORDERS_CUSTOMER", ctFKey, "ORDERS", {"CODE"}, "CUSTOMER", {"EMAIL"});
    AddIndex(O, "IX_ORDERS_CODE", "ORDERS", {"CODE"});
    AddIndex(O, "IX_OLD", "CUSTOMER", {"EMAIL"});
  }

  if (DB == dbInterBase || DB == dbOracle) {
    auto* G = new TGnrData(&O);
    G->SetObjName(Master ? "GEN_ITEMS" : "GEN_OLD");
    O.AddObj(G);
    auto* K = new TGnrData(&O);
    K->SetObjName("GEN_ORDERS");
    K->Increment = Master ? "10" : "1";
    O.AddObj(K);
  }
  if (DB == dbInterBase) {
    auto* E = new TExcData(&O);
    E->SetObjName("E_NO_CUSTOMER");
    E->Message = Master ? "Customer isn't known" : "No customer";
    O.AddObj(E);
  }
  if (DB == dbSybaseASA) {
    auto* E = new TEvtData(&O);
    E->SetObjName("PurgeOrders");
    TEvtSdlData* S = E->AddSchedule("nightly");
    S->StartTime = "02:00:00";
    S->AddDayOfMonth(Master ? 1 : 2);
    E->SetExtra(&TObjExtra::Body, "BEGIN\r\n  DELETE FROM ORDERS WHERE CODE = '';\r\nEND");
    O.AddObj(E);
  }
}

const std::pair<TDatabaseType, const char*> KeyDialects[] = {
    {dbInterBase, "firebird"}, {dbPostgreSQL, "postgresql"},
    {dbMySQL, "mysql"},        {dbMSSQL, "mssql"},
    {dbOracle, "oracle"},      {dbSybaseASA, "asa"},
    {dbSybaseASE, "ase"},      {dbDB2, "db2"}};

}  // namespace

TEST(KeyPasses, GoldenScriptsOfEveryDialect) {
  for (const auto& [DB, Name] : KeyDialects) {
    TKeyPair P(DB);
    BuildSide(P.Master, true);
    BuildSide(P.Target, false);
    const std::string Script = P.Generate();
    ExpectKeyGolden(std::string("update_") + Name + ".sql", Script);
    // Generation state is reset by the next comparison: the same script again.
    EXPECT_EQ(P.Generate(), Script) << Name;
  }
}

TEST(KeyPasses, ASchemaComparedWithItselfWritesNothing) {
  for (const auto& [DB, Name] : KeyDialects) {
    TKeyPair P(DB);
    BuildSide(P.Master, true);
    BuildSide(P.Target, true);
    EXPECT_EQ(P.Generate(), "") << Name;
  }
}

TEST(KeyPasses, TheComparerRunsThemInItsOrder) {
  // The comparer over two holders writes the same statements as the passes run here.
  auto Steps = [](const TCustomSQLExec& E) {
    std::vector<std::string> R;
    for (int I = 0; I < E.GetStatementsCount(); ++I) {
      const TStatement* S = E.GetStatement(I);
      if (S->DbOperation == odbCreate || S->DbOperation == odbAlter || S->DbOperation == odbDrop)
        R.push_back(std::to_string(S->DbOperation) + " " + S->ObjName);
    }
    return R;
  };
  for (TDatabaseType DB : {dbInterBase, dbPostgreSQL, dbMySQL, dbMSSQL, dbOracle, dbSybaseASA}) {
    TKeyPair P(DB);
    BuildSide(P.Master, true);
    BuildSide(P.Target, false);
    P.Generate();

    TDBStructure MH(nullptr), TH(nullptr);
    MH.SetDatabaseType(DB);
    TH.SetDatabaseType(DB);
    TVarnel V(nullptr);
    V.DatabaseType = DB;
    V.SetDBMaster(&MH);
    V.SetDBTarget(&TH);
    BuildSide(*MH.GetMetadata(), true);
    BuildSide(*TH.GetMetadata(), false);
    V.CompareDatabases();
    ASSERT_NE(V.GetSQLExec(), nullptr);
    EXPECT_EQ(Steps(*V.GetSQLExec()), Steps(P.Exec)) << DB;
  }
}
