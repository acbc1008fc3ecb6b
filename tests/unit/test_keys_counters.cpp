// Generators and sequences, exceptions and events: texts and passes.
#include <gtest/gtest.h>

#include "qelCompObj.h"
#include "qelComp_Exc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Tbl.h"
#include "test_keys_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TSteps = std::vector<std::string>;

TGnrData* AddGenerator(TObjs& Objs, const std::string& Name, const std::string& Increment = "") {
  auto* G = new TGnrData(&Objs);
  G->SetObjName(Name);
  G->Increment = Increment;
  EXPECT_TRUE(Objs.AddObj(G));
  return G;
}

TExcData* AddException(TObjs& Objs, const std::string& Name, const std::string& Message) {
  auto* E = new TExcData(&Objs);
  E->SetObjName(Name);
  E->Message = Message;
  EXPECT_TRUE(Objs.AddObj(E));
  return E;
}

TEvtData* AddEvent(TObjs& Objs, const std::string& Name, const std::string& Handler) {
  auto* E = new TEvtData(&Objs);
  E->SetObjName(Name);
  E->SetExtra(&TObjExtra::Body, Handler);
  EXPECT_TRUE(Objs.AddObj(E));
  return E;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Generators and sequences

TEST(GeneratorText, OracleSequenceOptions) {
  TObjs Ora;
  Ora.SetDatabaseType(dbOracle);
  TGnrData G(&Ora);
  G.SetObjName("SEQ_ORDERS");
  EXPECT_EQ(G.Def(), "CREATE SEQUENCE SEQ_ORDERS\r\ncache 20");
  // What the catalog reports for "no maximum" is no maximum.
  G.SetMaxValue("999999999999999999999999999");
  EXPECT_EQ(G.GetMaxValue(), "");
  EXPECT_TRUE(G.NoMaxValue);
  G.MinValue = "1";
  G.Increment = "1";
  G.SetCache("0");
  EXPECT_TRUE(G.GetNoCache());
  EXPECT_EQ(G.Def(), "CREATE SEQUENCE SEQ_ORDERS\r\nnocache");
  G.SetSchema("HR");
  G.MinValue = "10";
  G.SetMaxValue("1000");
  G.Increment = "5";
  G.SetCache("50");
  G.Order = G.Cycle = true;
  EXPECT_EQ(G.Def(),
            "CREATE SEQUENCE HR.SEQ_ORDERS\r\nminvalue 10\r\nmaxvalue 1000\r\nincrement by 5\r\n"
            "cache 50\r\norder\r\ncycle");
  EXPECT_EQ(G.DropDef(), "DROP SEQUENCE HR.SEQ_ORDERS");
  // Switching the cache off clears its size.
  G.SetNoCache(true);
  EXPECT_EQ(G.GetCache(), "");
}

TEST(GeneratorText, InterBaseByServerVersion) {
  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  TGnrData G(&IB);
  G.SetObjName("GEN_Orders");
  EXPECT_EQ(G.Def(), "CREATE GENERATOR \"GEN_Orders\"");
  IB.IBServerOptions.SQLServerVersion = st_FireBird_15;
  EXPECT_EQ(G.DropDef(), "DROP GENERATOR \"GEN_Orders\"");
  IB.IBServerOptions.SQLServerVersion = st_FireBird_1x;
  EXPECT_EQ(G.DropDef(), "DROP GENERATOR \"GEN_Orders\"");
  // Servers before Firebird 1 only take the row out of the system table.
  IB.IBServerOptions.SQLServerVersion = st_InterBase_6x;
  EXPECT_EQ(G.DropDef(),
            "/* Drop generator: \"GEN_Orders\" */\r\n"
            "DELETE FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME = 'GEN_Orders'");
  TObjs My;
  My.SetDatabaseType(dbMySQL);
  EXPECT_EQ(TGnrData(&My).DropDef(), "");
}

TEST(GeneratorText, DB2IdentityClauseReachesTheColumnText) {
  TObjs Db2;
  Db2.SetDatabaseType(dbDB2);
  TTblData* T = KeyTable(Db2, "T", {"ID"});
  TFldData* F = T->Fields[0];
  F->Identity = true;
  F->GeneratedKind = 'A';
  TGnrData& G = F->GetIdentityGenerator();
  G.StartValue = "1";
  G.Increment = "1";
  EXPECT_EQ(G.ParamDef(), "(START WITH 1, INCREMENT BY 1, CACHE 20)");
  EXPECT_NE(F->TypeDef().find("AS IDENTITY(START WITH 1, INCREMENT BY 1, CACHE 20)"),
            std::string::npos)
      << F->TypeDef();
  // Only what is given: an empty option would leave "START WITH ," behind.
  G.StartValue.clear();
  G.SetCache("0");
  EXPECT_EQ(G.ParamDef(), "(INCREMENT BY 1, NO CACHE)");
  G.Increment.clear();
  G.SetNoCache(false);
  EXPECT_EQ(G.ParamDef(), "");
  TObjs Ora;
  Ora.SetDatabaseType(dbOracle);
  EXPECT_EQ(TGnrData(&Ora).ParamDef(), "");
}

TEST(GeneratorPasses, OracleSequenceChangesOneStatementEach) {
  TKeyPair P(dbOracle);
  TGnrData* M = AddGenerator(P.Master, "SEQ", "10");
  TGnrData* T = AddGenerator(P.Target, "SEQ", "1");
  M->Cycle = true;
  M->SetCache("0");
  T->SetMaxValue("100");  // a maximum the master does not state is left alone
  EXPECT_EQ(P.Generate(),
            "ALTER SEQUENCE SEQ increment by 10;\nALTER SEQUENCE SEQ cycle;\n"
            "ALTER SEQUENCE SEQ nocache;\n");
  M->Cycle = false;
  M->SetNoCache(false);
  M->SetCache("100");
  M->Order = true;
  M->SetMaxValue("500");
  M->Increment = "1";
  EXPECT_EQ(P.Generate(),
            "ALTER SEQUENCE SEQ maxvalue 500;\nALTER SEQUENCE SEQ order;\n"
            "ALTER SEQUENCE SEQ cache 100;\n");
}

TEST(GeneratorPasses, CreatedAndDroppedWithTheirSectionComments) {
  TKeyPair P(dbInterBase);
  AddGenerator(P.Master, "GEN_KEEP");
  AddGenerator(P.Target, "GEN_KEEP");
  AddGenerator(P.Master, "GEN_NEW");
  AddGenerator(P.Target, "GEN_OLD");
  // Other dialects alter nothing: an increment on one side changes nothing there.
  dynamic_cast<TGnrData*>(P.Master.GetGenerator("GEN_KEEP"))->Increment = "5";
  EXPECT_EQ(P.Generate(),
            "/* Create generator... */\nCREATE GENERATOR GEN_NEW;\n\n"
            "/* Drop generator... */\nDROP GENERATOR GEN_OLD;\n\n");
  TKeyPair O(dbOracle);
  AddGenerator(O.Master, "SEQ_NEW");
  AddGenerator(O.Target, "SEQ_OLD");
  EXPECT_EQ(O.Generate(),
            "/* Create sequence... */\nCREATE SEQUENCE SEQ_NEW\ncache 20;\n\n"
            "/* Drop sequence... */\nDROP SEQUENCE SEQ_OLD;\n\n");
}

// ---------------------------------------------------------------------------------------------
// Exceptions

TEST(ExceptionText, MessageQuoteIsDoubled) {
  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  TExcData E(&IB);
  E.SetObjName("E_NO_STOCK");
  E.Message = "Item isn't in stock";
  EXPECT_EQ(E.Def(), "CREATE EXCEPTION E_NO_STOCK 'Item isn''t in stock'");
  EXPECT_EQ(E.AlterDef(), "ALTER EXCEPTION E_NO_STOCK 'Item isn''t in stock'");
  EXPECT_EQ(E.DropDef(), "/* Drop: E_NO_STOCK (TExcData) */\r\nDROP EXCEPTION E_NO_STOCK");
}

TEST(ExceptionPasses, ChangedMessageIsAlteredInPlace) {
  TKeyPair P(dbInterBase);
  AddException(P.Master, "E_CHANGED", "new text");
  AddException(P.Target, "E_CHANGED", "old text");
  AddException(P.Master, "E_SAME", "same");
  AddException(P.Target, "E_SAME", "same");
  AddException(P.Master, "E_NEW", "new");
  AddException(P.Target, "E_OLD", "old");
  EXPECT_EQ(P.Generate(),
            "/* Drop Exception... */\n/* Drop: E_OLD (TExcData) */\nDROP EXCEPTION E_OLD;\n\n"
            "/* Create Exception... */\nCREATE EXCEPTION E_NEW 'new';\n\n"
            "/* Alter Exception... */\nALTER EXCEPTION E_CHANGED 'new text';\n\n");
  // Without the kind in the compare set nothing is written.
  P.SetCompareObjects({coTable});
  EXPECT_EQ(P.Generate(), "");
}

TEST(ExceptionPasses, DescriptionsWhenAsked) {
  TKeyPair P(dbInterBase);
  AddException(P.Master, "E", "text")
      ->SetExtra(&TObjExtra::Description, "raised when out of stock");
  AddException(P.Target, "E", "text");
  P.SetCompareObjects({coException});
  EXPECT_EQ(P.Generate(), "");
  P.SetCompareObjects({coException, coDescription});
  P.Generate();
  EXPECT_EQ(P.Exec.Steps(), (TSteps{"description E"}));
}

// ---------------------------------------------------------------------------------------------
// Events

TEST(EventText, SchedulesAndHandler) {
  TObjs Asa;
  Asa.SetDatabaseType(dbSybaseASA);
  TEvtData E(&Asa);
  E.SetObjName("NightlyCleanup");
  TEvtSdlData* S = E.AddSchedule("daytime");
  S->StartTime = "08:00";
  S->EndTime = "18:00";
  S->EveryMinutes = 30;
  S->AddDayOfMonth(1);
  S->AddDayOfMonth(15);
  EXPECT_EQ(S->Def(), "SCHEDULE daytime BETWEEN '08:00' AND '18:00' EVERY 30 MINUTES ON(1, 15)");
  TEvtSdlData* Last = E.AddSchedule();
  Last->StartTime = "23:00";
  Last->AddDayOfMonth(0);
  Last->StartDate = "2024/01/31";
  EXPECT_EQ(Last->Def(), "SCHEDULE START TIME '23:00' ON(0) START DATE '2024/01/31'");
  E.Location = "CONSOLIDATED";
  E.SetExtra(&TObjExtra::Body, "BEGIN\r\n  DELETE FROM LOG;\r\nEND");
  EXPECT_EQ(E.Def(),
            "CREATE EVENT NightlyCleanup\r\n SCHEDULE daytime BETWEEN '08:00' AND '18:00' EVERY "
            "30 MINUTES ON(1, 15),\r\n SCHEDULE START TIME '23:00' ON(0) START DATE "
            "'2024/01/31'\r\n ENABLE AT CONSOLIDATED\r\nHANDLER\r\nBEGIN\r\n  DELETE FROM "
            "LOG;\r\nEND");
  EXPECT_EQ(E.DropDef(), "DROP EVENT NightlyCleanup");

  TEvtData Sys(&Asa);
  Sys.SetObjName("LowSpace");
  Sys.EventType = "DBDiskSpace";
  Sys.Condition = "event_condition('DBFreePercent') < 10";
  Sys.Enabled = false;
  EXPECT_EQ(Sys.Def(),
            "CREATE EVENT LowSpace\r\n TYPE DBDiskSpace\r\n WHERE "
            "event_condition('DBFreePercent') < 10\r\n DISABLE");
}

TEST(EventText, DaysConvertIntoTheMasks) {
  TObjs Asa;
  Asa.SetDatabaseType(dbSybaseASA);
  TEvtData E(&Asa);
  TEvtSdlData* S = E.AddSchedule();
  S->AddDayOfMonth(31);
  S->AddDayOfMonth(32);  // no such day
  S->AddDayOfMonth(-1);
  EXPECT_EQ(S->DaysOfMonth, 1u << 30);
  S->DaysOfMonth = 1u << 31;
  EXPECT_EQ(S->Def(), "SCHEDULE ON(0)");
  // Days of the week are written when no day of the month is given.
  TEvtSdlData* W = E.AddSchedule();
  EXPECT_TRUE(W->AddDayOfWeek("friday"));
  EXPECT_TRUE(W->AddDayOfWeek("Mon"));
  EXPECT_FALSE(W->AddDayOfWeek("Someday"));
  EXPECT_EQ(W->DaysOfWeek, 0x22);
  W->EveryHours = 2;
  W->EveryMinutes = 5;  // only the first interval counts
  EXPECT_EQ(W->Def(), "SCHEDULE EVERY 2 HOURS ON('Monday', 'Friday')");
}

TEST(EventPasses, RunWhateverTheCompareSetHolds) {
  TKeyPair P(dbSybaseASA);
  P.SetCompareObjects({});
  AddEvent(P.Master, "E_NEW", "BEGIN END");
  AddEvent(P.Target, "E_OLD", "BEGIN END");
  AddEvent(P.Master, "E_CHANGED", "BEGIN MESSAGE 'new' END");
  AddEvent(P.Target, "E_CHANGED", "BEGIN MESSAGE 'old' END");
  AddEvent(P.Master, "E_SAME", "BEGIN END");
  AddEvent(P.Target, "E_SAME", "BEGIN END");
  P.Generate();
  EXPECT_EQ(P.Exec.Steps(),
            (TSteps{"create E_NEW", "drop E_CHANGED", "create E_CHANGED", "drop E_OLD"}));
  const std::string Script = P.Exec.Script(dbSybaseASA);
  EXPECT_EQ(Script.find("% Create event...\n"), 0u) << Script;
  EXPECT_NE(Script.find("% Alter event...\n"), std::string::npos) << Script;
  EXPECT_NE(Script.find("% Drop event...\n"), std::string::npos) << Script;
  EXPECT_EQ(P.Generate(), Script);
}
