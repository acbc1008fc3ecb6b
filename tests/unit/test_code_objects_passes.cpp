// The view, procedure and trigger passes on small schema pairs built in code, run through the
// comparer: the order of what is emptied, changed and restored, cycles that must end, and a
// second generation that writes the same script.
#include <gtest/gtest.h>

#include <algorithm>

#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "test_code_objects_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

TCustomSQLExec& ExecOf(TCodeRig& C) {
  return *C.V.GetSQLExec();
}

/// Firebird 2+ with SQL dialect 3 on both sides.
void Firebird(TCodeRig& C) {
  for (TObjs* O : {&C.Master(), &C.Target()}) {
    O->IBServerOptions.SetSQLDialect(3);
    O->IBServerOptions.SQLServerVersion = st_Firebird_20;
  }
}

/// The schema pair of the routine tests: procedure P gains a parameter; procedure Q, view V and
/// trigger T_BI call it, each with the new argument list in the master.
void BuildCallersOfP(TObjs& O, bool Master) {
  MakeTable(O, "T", {{"A"}});
  TPrcData* P =
      Routine(O, "P", Master ? "BEGIN R = X + Y; SUSPEND; END" : "BEGIN R = X; SUSPEND; END",
              Master ? std::vector<std::string>{"X", "Y"} : std::vector<std::string>{"X"}, {"R"});
  TPrcData* Q = Routine(O, "Q",
                        Master ? "BEGIN SELECT R FROM P(1, 2) INTO :S; SUSPEND; END"
                               : "BEGIN SELECT R FROM P(1) INTO :S; SUSPEND; END",
                        {}, {"S"});
  TViwData* V = ViewOf(O, "V", Master ? "SELECT R FROM P(1, 2)" : "SELECT R FROM P(1)", {"R"});
  TTrgData* Trg =
      AddTrigger(O, "T_BI", "T",
                 Master ? "AS DECLARE Z INTEGER; BEGIN SELECT R FROM P(NEW.A, 1) INTO "
                          ":Z; END"
                        : "AS DECLARE Z INTEGER; BEGIN SELECT R FROM P(NEW.A) INTO :Z; END");
  Trg->TrgType = 1;  // BEFORE INSERT
  O.LinkDepend(Q, P);
  O.LinkDepend(V, P);
  O.LinkDepend(Trg, P);
  O.LinkDepend(Trg, O.GetTable("T"));
}

/// Every object whose body the script emptied gets a later statement that writes it whole.
void ExpectEveryEmptiedBodyRestored(const TCustomSQLExec& Exec) {
  for (int I = 0; I < Exec.GetStatementsCount(); ++I) {
    const TStatement* S = Exec.GetStatement(I);
    if (S->DbOperation != odbEmpty && S->DbOperation != odbEmptyCreate) continue;
    bool Restored = false;
    for (int J = I + 1; J < Exec.GetStatementsCount(); ++J) {
      const TStatement* L = Exec.GetStatement(J);
      if (L->ObjName == S->ObjName && L->StatType != stComment &&
          (L->DbOperation == odbAlter || L->DbOperation == odbRestore ||
           L->DbOperation == odbCreate))
        Restored = true;
      if (L->ObjName == S->ObjName &&
          (L->DbOperation == odbEmpty || L->DbOperation == odbEmptyCreate))
        Restored = false;  // emptied again: a later statement must still follow
    }
    EXPECT_TRUE(Restored) << S->ObjName << " emptied by statement " << I;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Routines

TEST(CodePasses, ParameterChangeEmptiesCallersAndRestoresEveryBody) {
  TCodeRig C(dbInterBase);
  Firebird(C);
  BuildCallersOfP(C.Master(), true);
  BuildCallersOfP(C.Target(), false);
  ASSERT_TRUE(C.V.CompareDatabases());
  const std::string First = C.Script();
  // The view is dropped, the callers stop calling P, P takes its new parameters with an empty
  // body, the view is created against it, then every body is written whole: P before its
  // callers.
  EXPECT_EQ(StepsOf(ExecOf(C)), (TSteps{"drop V", "empty Q", "alter T_BI", "empty P", "create V",
                                        "alter P", "alter Q", "alter T_BI"}));
  ExpectEveryEmptiedBodyRestored(ExecOf(C));
  EXPECT_EQ(LastTextOf(ExecOf(C), "Q"),
            "ALTER PROCEDURE Q RETURNS(S INTEGER)\r\n AS\r\nBEGIN SELECT R FROM P(1, 2) INTO :S; "
            "SUSPEND; END\r\n");
  EXPECT_TRUE(C.Errors.empty()) << ::testing::PrintToString(C.Errors);
  ExpectCodeGolden("update_firebird_routines.sql", C.Script());

  // A second generation writes the same script.
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(C.Script(), First);
}

TEST(CodePasses, CalledRoutineTakesItsParametersBeforeItsCallers) {
  // Without a view in the way: the caller is emptied, the callee re-declared empty, then both
  // are altered whole, the callee first.
  TCodeRig C(dbInterBase);
  Firebird(C);
  for (TObjs* O : {&C.Master(), &C.Target()}) {
    const bool M = O == &C.Master();
    TPrcData* P = Routine(*O, "P", "BEGIN SUSPEND; END", M ? TSteps{"X", "Y"} : TSteps{"X"}, {"R"});
    TPrcData* Q = Routine(
        *O, "Q", M ? "BEGIN EXECUTE PROCEDURE P 1, 2; END" : "BEGIN EXECUTE PROCEDURE P 1; END");
    O->LinkDepend(Q, P);
  }
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(StepsOf(ExecOf(C)), (TSteps{"empty Q", "empty P", "alter P", "alter Q"}));
  const TSteps Comments = CommentsOf(ExecOf(C));
  EXPECT_TRUE(AnyContains(Comments, "/*  Empty Q for P(param list change)  */"));
  EXPECT_TRUE(AnyContains(Comments, "/* Alter empty procedure P with new param-list */"));
}

TEST(CodePasses, NewRoutineIsCreatedEmptyAndRestoredWhereTheServerAllows) {
  for (TDatabaseType DB : {dbInterBase, dbMSSQL, dbPostgreSQL, dbSybaseASE, dbMySQL}) {
    SCOPED_TRACE(DB);
    TCodeRig C(DB);
    const std::string Name = DB == dbPostgreSQL ? "newp" : "NEWP";
    TPrcData* P = Routine(C.Master(), Name, DB == dbMSSQL ? "AS SELECT 1" : "BEGIN SUSPEND; END");
    P->SetExtra(&TObjExtra::FullText, "CREATE PROCEDURE NEWP() BEGIN SELECT 1; END");
    if (DB == dbPostgreSQL) P->Language = "plpgsql";
    ASSERT_TRUE(C.V.CompareDatabases());
    const TSteps Steps = StepsOf(ExecOf(C));
    if (DB == dbInterBase || DB == dbMSSQL) {
      ASSERT_EQ(Steps.size(), 2u) << ::testing::PrintToString(Steps);
      EXPECT_EQ(Steps[0].substr(0, 12), "emptycreate ");
      EXPECT_EQ(Steps[1], "restore " + Name);
      EXPECT_TRUE(AnyContains(CommentsOf(ExecOf(C)), "Restore proc. body: " + Name));
    } else {
      // Written whole, once: the server keeps no empty routine (PostgreSQL, ASE), or the text
      // as read is the only one there is (MySQL).
      EXPECT_EQ(CountOf(Steps, "create " + Name), 1) << ::testing::PrintToString(Steps);
      EXPECT_EQ(CountOf(Steps, "restore " + Name), 0);
      EXPECT_EQ(LastTextOf(ExecOf(C), Name), P->Def() + "\r\n");
    }
  }
}

TEST(CodePasses, RoutinesCallingEachOtherAreCreatedOnce) {
  for (TDatabaseType DB : {dbInterBase, dbPostgreSQL}) {
    SCOPED_TRACE(DB);
    TCodeRig C(DB);
    const bool PG = DB == dbPostgreSQL;
    TPrcData* A = Routine(C.Master(), PG ? "a" : "A", "BEGIN EXECUTE PROCEDURE B; END");
    TPrcData* B = Routine(C.Master(), PG ? "b" : "B", "BEGIN EXECUTE PROCEDURE A; END");
    TPrcData* S = Routine(C.Master(), PG ? "s" : "S", "BEGIN EXECUTE PROCEDURE S; END");
    C.Master().LinkDepend(A, B);
    C.Master().LinkDepend(B, A);
    C.Master().LinkDepend(S, S);
    ASSERT_TRUE(C.V.CompareDatabases());
    const TSteps Steps = StepsOf(ExecOf(C));
    for (TPrcData* P : {A, B, S}) {
      const std::string N = P->GetObjName();
      if (PG) {
        EXPECT_EQ(CountOf(Steps, "create " + N), 1) << N;
      } else {
        EXPECT_EQ(CountOf(Steps, "emptycreate " + P->GetObjFullName()), 1) << N;
        EXPECT_EQ(CountOf(Steps, "restore " + N), 1) << N;
      }
    }
    const std::string First = C.Script();
    ASSERT_TRUE(C.V.CompareDatabases());
    EXPECT_EQ(C.Script(), First);
  }
}

TEST(CodePasses, EqualRoutinesWriteNothing) {
  TCodeRig C(dbInterBase);
  for (TObjs* O : {&C.Master(), &C.Target()}) {
    TPrcData* P = Routine(*O, "P", "BEGIN SUSPEND; END", {"X"}, {"R"});
    TPrcData* Q = Routine(*O, "Q", "BEGIN EXECUTE PROCEDURE P 1; END");
    O->LinkDepend(Q, P);
  }
  ASSERT_TRUE(C.V.CompareDatabases());
  for (const std::string& S : StepsOf(ExecOf(C))) EXPECT_EQ(S.find(" P"), std::string::npos) << S;
  EXPECT_EQ(StepsOf(ExecOf(C)), (TSteps{}));
}

TEST(CodePasses, RoutineThatBecameAFunctionIsDroppedAndCreated) {
  TCodeRig C(dbMSSQL);
  Routine(C.Master(), "R", "AS BEGIN RETURN 1 END", {}, {""})->IsFunction = true;
  Routine(C.Target(), "R", "AS SELECT 1");
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(StepsOf(ExecOf(C)), (TSteps{"drop R", "create R"}));
  const std::string First = C.Script();
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(C.Script(), First);
}

TEST(CodePasses, TargetOnlyRoutineIsEmptiedBeforeItIsDropped) {
  for (TDatabaseType DB : {dbInterBase, dbSybaseASE}) {
    SCOPED_TRACE(DB);
    TCodeRig C(DB);
    for (TObjs* O : {&C.Master(), &C.Target()}) MakeTable(*O, "T", {{"A"}});
    TPrcData* Old = Routine(C.Target(), "OLD", "BEGIN SELECT A FROM T; END");
    C.Target().LinkDepend(Old, C.Target().GetTable("T"));
    ASSERT_TRUE(C.V.CompareDatabases());
    const TSteps Steps = StepsOf(ExecOf(C));
    if (DB == dbInterBase) {
      EXPECT_EQ(Steps, (TSteps{"empty OLD", "drop OLD"}));
      EXPECT_TRUE(AnyContains(CommentsOf(ExecOf(C)), "Alter Procedure (Before Drop)..."));
    } else {
      EXPECT_EQ(Steps, (TSteps{"drop OLD"}));
    }
  }
}

TEST(CodePasses, RoutineOfASchemaEmptiedOnTheWayIsRestored) {
  // SQL Server keys routines with their schema. A view the routine reads changes: the routine
  // is emptied while the view is re-created, and its master copy, found under its key, gets
  // the real body back.
  TCodeRig C(dbMSSQL);
  for (TObjs* O : {&C.Master(), &C.Target()}) {
    const bool M = O == &C.Master();
    MakeTable(*O, "T", {{"A"}, {"B"}});
    auto* V = new TViwData(O);
    V->SetObjName("V");
    V->SetSchema("SALES");
    V->SetExtra(&TObjExtra::Body, M ? "SELECT A, B FROM T" : "SELECT A FROM T");
    O->AddObj(V);
    auto* P = new TPrcData(O);
    P->SetObjName("P");
    P->SetSchema("SALES");
    P->SetExtra(&TObjExtra::Body, "AS SELECT A FROM SALES.V");
    O->AddObj(P);
    O->LinkDepend(P, V);
    O->LinkDepend(V, O->GetTable("T"));
  }
  ASSERT_NE(C.Master().GetProcedure("SALES.P"), nullptr);
  ASSERT_TRUE(C.V.CompareDatabases());
  const TSteps Steps = StepsOf(ExecOf(C));
  EXPECT_EQ(CountOf(Steps, "empty P"), 1) << ::testing::PrintToString(Steps);
  ExpectEveryEmptiedBodyRestored(ExecOf(C));
  EXPECT_NE(LastTextOf(ExecOf(C), "P").find("SELECT A FROM SALES.V"), std::string::npos);
}

TEST(CodePasses, DependencyOutsideTheCollectionIsReportedNotFollowed) {
  // A dependency record that points to a routine the target does not file: the alter pass
  // says so and goes on, the comparer does not stop.
  TCodeRig C(dbInterBase);
  Routine(C.Master(), "P", "BEGIN EXIT; END");
  TPrcData* TP = Routine(C.Target(), "P", "BEGIN END");
  TPrcData Stray(&C.Target());
  Stray.SetObjName("STRAY");
  C.Target().LinkDepend(&Stray, TP);
  EXPECT_TRUE(C.V.CompareDatabases());
  EXPECT_TRUE(AnyContains(C.Errors, "Procedure not found: STRAY"))
      << ::testing::PrintToString(C.Errors);
  EXPECT_EQ(LastTextOf(ExecOf(C), "P"), "ALTER PROCEDURE P AS\r\nBEGIN EXIT; END\r\n");
  C.Target().RemoveDepend(&Stray);
}

TEST(CodePasses, MissingTableFunctionIsCreatedWhole) {
  TCodeRig C(dbMSSQL);
  TPrcData* F = Routine(C.Master(), "F", "AS RETURN (SELECT 1 AS ONE)");
  F->IsFunction = true;
  F->ReturnsTable = true;
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(StepsOf(ExecOf(C)), (TSteps{"create F"}));
  EXPECT_TRUE(AnyContains(CommentsOf(ExecOf(C)), "Create Procedure (returns table)..."));
}

// ---------------------------------------------------------------------------------------------
// Views

TEST(CodePasses, ViewsReadingEachOtherAreCreatedOnce) {
  TCodeRig C(dbPostgreSQL);
  TViwData* A = ViewOf(C.Master(), "a", "select * from b");
  TViwData* B = ViewOf(C.Master(), "b", "select * from a");
  TViwData* S = ViewOf(C.Master(), "s", "select * from s");
  C.Master().LinkDepend(A, B);
  C.Master().LinkDepend(B, A);
  C.Master().LinkDepend(S, S);
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(StepsOf(ExecOf(C)), (TSteps{"create b", "create a", "create s"}));
  // The view needed first is introduced by its own line.
  EXPECT_TRUE(AnyContains(CommentsOf(ExecOf(C)), "Create view: b for view: a"));
}

TEST(CodePasses, ViewDescriptionIsWrittenOnce) {
  // The create pass runs twice, and a view may come with a routine that reads it: its
  // description follows once.
  TCodeRig C(dbPostgreSQL);
  TViwData* V = ViewOf(C.Master(), "v", "select 1 as one");
  V->SetExtra(&TObjExtra::Description, "one row");
  TPrcData* F = Routine(C.Master(), "f", " begin perform 1 from v; end ", {}, {""});
  F->IsFunction = true;
  F->Language = "plpgsql";
  C.Master().LinkDepend(F, V);
  ASSERT_TRUE(C.V.CompareDatabases());
  const TSteps Steps = StepsOf(ExecOf(C));
  EXPECT_EQ(CountOf(Steps, "create v"), 1);
  EXPECT_EQ(CountOf(Steps, "description v"), 1) << ::testing::PrintToString(Steps);
  EXPECT_LT(std::find(Steps.begin(), Steps.end(), "create v") - Steps.begin(),
            std::find(Steps.begin(), Steps.end(), "create f") - Steps.begin());
}

TEST(CodePasses, ViewOverAChangedViewIsCreatedAfterIt) {
  // W changed; V (new) reads W: W is re-created inside V's creation, and the alter pass then
  // leaves W alone.
  TCodeRig C(dbInterBase);
  for (TObjs* O : {&C.Master(), &C.Target()}) {
    const bool M = O == &C.Master();
    MakeTable(*O, "T", {{"A"}, {"B"}});
    TViwData* W = ViewOf(*O, "W", M ? "SELECT A, B FROM T" : "SELECT A FROM T");
    O->LinkDepend(W, O->GetTable("T"));
    if (M) O->LinkDepend(ViewOf(*O, "ANEW", "SELECT * FROM W"), W);
  }
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(StepsOf(ExecOf(C)), (TSteps{"drop W", "create W", "create ANEW"}));
  EXPECT_TRUE(
      AnyContains(CommentsOf(ExecOf(C)), "/* Alter view (drop/create): W for view: ANEW */"));
}

TEST(CodePasses, ReCreateMarkDropsAndCreatesAnUnchangedView) {
  TSchema MS(dbInterBase), TS(dbInterBase);
  TObjs& M = MS.Objs;
  TObjs& T = TS.Objs;
  LinkAsMasterAndTarget(M, T);
  T.SetSQLExec(&MS.Exec);
  TViwData* MV = ViewOf(M, "V", "SELECT A FROM T");
  ViewOf(T, "V", "SELECT A FROM T");
  PairAndMark(M, T);
  MV->SetReCreate(true);
  GenScriptViewAlter(M, T, MS.Exec, AllCmpObjTypes());
  EXPECT_EQ(StepsOf(MS.Exec), (TSteps{"drop V", "create V"}));
  const TSteps Comments = CommentsOf(MS.Exec);
  EXPECT_TRUE(AnyContains(Comments, "Drop altered view: V (recreate)"));
  EXPECT_TRUE(AnyContains(Comments, "Create altered view: V (recreate)"));
  EXPECT_FALSE(MV->GetReCreate());
  // Done once: the pass again finds nothing.
  GenScriptViewAlter(M, T, MS.Exec, AllCmpObjTypes());
  EXPECT_EQ(StepsOf(MS.Exec).size(), 2u);
}

TEST(CodePasses, ViewWithATriggerGetsTheTriggerBackEmptyThenWhole) {
  TCodeRig C(dbInterBase);
  Firebird(C);
  for (TObjs* O : {&C.Master(), &C.Target()}) {
    const bool M = O == &C.Master();
    MakeTable(*O, "T", {{"A"}, {"B"}});
    TViwData* V = ViewOf(*O, "V", M ? "SELECT A, B FROM T" : "SELECT A FROM T");
    O->LinkDepend(V, O->GetTable("T"));
    TTrgData* Trg = AddTrigger(*O, "V_BI", "V", "AS BEGIN INSERT INTO T (A) VALUES (NEW.A); END");
    O->LinkDepend(Trg, V);
  }
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(StepsOf(ExecOf(C)),
            (TSteps{"drop V_BI", "drop V", "create V", "emptycreate V_BI", "alter V_BI"}));
  EXPECT_EQ(LastTextOf(ExecOf(C), "V_BI"),
            "ALTER TRIGGER V_BI\r\nAS BEGIN INSERT INTO T (A) VALUES (NEW.A); END\r\n");
}

TEST(CodePasses, DroppedViewTakesItsUsersAlong) {
  // A target-only view read by a routine: the routine is emptied first (dropped on ASE).
  for (TDatabaseType DB : {dbInterBase, dbSybaseASE}) {
    SCOPED_TRACE(DB);
    TCodeRig C(DB);
    TViwData* V = ViewOf(C.Target(), "OLDV", "SELECT 1 AS ONE FROM RDB$DATABASE");
    for (TObjs* O : {&C.Master(), &C.Target()}) Routine(*O, "P", "BEGIN EXIT; END");
    C.Target().LinkDepend(C.Target().GetProcedure("P"), V);
    C.Target().GetProcedure("P")->SetExtra(&TObjExtra::Body, "BEGIN SELECT ONE FROM OLDV; END");
    ASSERT_TRUE(C.V.CompareDatabases());
    const TSteps Steps = StepsOf(ExecOf(C));
    if (DB == dbInterBase) {
      EXPECT_LT(std::find(Steps.begin(), Steps.end(), "empty P") - Steps.begin(),
                std::find(Steps.begin(), Steps.end(), "drop OLDV") - Steps.begin());
      ExpectEveryEmptiedBodyRestored(ExecOf(C));
    } else {
      EXPECT_EQ(CountOf(Steps, "empty P"), 0);
      EXPECT_EQ(CountOf(Steps, "drop OLDV"), 1);
    }
  }
}

TEST(CodePasses, PostgreSQLViewIsCreatedInItsSchema) {
  TCodeRig C(dbPostgreSQL);
  for (TObjs* O : {&C.Master(), &C.Target()}) {
    TViwData* V = ViewOf(*O, "v", O == &C.Master() ? "select 2 as two" : "select 1 as one");
    V->SetSchema("sales");
  }
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(
      C.Script(),
      "/* Alter View (Drop, Create)... */\n/* Drop altered view: v */\nDROP VIEW sales.v\n;\n\n"
      "/* Create altered view: v */\n/* Create view: v (ViwData.CreateDependDef) */\n"
      "CREATE VIEW sales.v\n AS \nselect 2 as two\n;\n\n");
}

TEST(CodePasses, DB2SetsTheCurrentSchemaOncePerRunOfViews) {
  TCodeRig C(dbDB2);
  for (const char* N : {"V1", "V2"}) {
    auto* V = new TViwData(&C.Master());
    V->SetObjName(N);
    V->SetSchema("S");
    V->SetExtra(&TObjExtra::Body, "SELECT 1 FROM SYSIBM.SYSDUMMY1");
    C.Master().AddObj(V);
  }
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(StepsOf(ExecOf(C)), (TSteps{"set ", "create V1", "create V2"}));
  EXPECT_TRUE(AnyContains(StepsOf(ExecOf(C)), "set "));
  EXPECT_NE(C.Script().find("SET CURRENT SCHEMA = S"), std::string::npos) << C.Script();
}

TEST(CodePasses, GrantOnADroppedViewIsWrittenAgain) {
  TCodeRig C(dbInterBase);
  for (TObjs* O : {&C.Master(), &C.Target()}) {
    ViewOf(*O, "V", O == &C.Master() ? "SELECT 2 FROM RDB$DATABASE" : "SELECT 1 FROM RDB$DATABASE");
    auto* G = new TGntData(O);
    G->ObjectName = "V";
    G->GranteeName = "PUBLIC";
    G->Privileges.Include(gntSelect);
    G->SetObjName("V");
    ASSERT_NE(O->AddGrant(G), nullptr);
  }
  C.V.SetCompareObjects({coView});
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_FALSE(C.Master().Grants.Objects(0)->GetObjCreated());
}

// ---------------------------------------------------------------------------------------------
// Triggers

TEST(CodePasses, ActiveFlagAloneIsOneAlterTrigger) {
  TCodeRig C(dbInterBase);
  Firebird(C);
  for (TObjs* O : {&C.Master(), &C.Target()}) {
    MakeTable(*O, "T", {{"A"}});
    AddTrigger(*O, "T_BI", "T", "AS BEGIN NEW.A = 1; END")->Active = O == &C.Target();
  }
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(StepsOf(ExecOf(C)), (TSteps{"alter T_BI"}));
  EXPECT_EQ(LastTextOf(ExecOf(C), "T_BI"), "ALTER TRIGGER T_BI INACTIVE\r\n");

  // Old InterBase servers have no ALTER TRIGGER: drop and create.
  for (TObjs* O : {&C.Master(), &C.Target()}) O->IBServerOptions.SQLServerVersion = st_InterBase_5x;
  ASSERT_TRUE(C.V.CompareDatabases());
  EXPECT_EQ(StepsOf(ExecOf(C)), (TSteps{"drop T_BI", "create T_BI"}));
}

TEST(CodePasses, ChangedTriggersPerDialect) {
  // A new body: ALTER on InterBase, drop and create elsewhere (PostgreSQL names a routine,
  // SQL Anywhere, DB2 and MySQL have no ALTER TRIGGER for a body). A new event list: a new
  // trigger everywhere.
  const std::pair<TDatabaseType, TSteps> Cases[] = {{dbInterBase, {"alter TRG"}},
                                                    {dbPostgreSQL, {"drop trg", "create trg"}},
                                                    {dbSybaseASA, {"drop TRG", "create TRG"}},
                                                    {dbMySQL, {"drop TRG", "create TRG"}},
                                                    {dbDB2, {"drop TRG", "create TRG"}},
                                                    {dbMSSQL, {"drop TRG", "create TRG"}}};
  for (const auto& [DB, Want] : Cases) {
    SCOPED_TRACE(DB);
    TCodeRig C(DB);
    const std::string Name = DB == dbPostgreSQL ? "trg" : "TRG";
    for (TObjs* O : {&C.Master(), &C.Target()}) {
      MakeTable(*O, "T", {{"A"}});
      TTrgData* Trg = AddTrigger(*O, Name, DB == dbPostgreSQL ? "t" : "T",
                                 O == &C.Master() ? "BEGIN /* new */ END" : "BEGIN END");
      Trg->Timing = DB == dbMSSQL ? baAfter : baBefore;
      Trg->ForEachRow = true;
    }
    ASSERT_TRUE(C.V.CompareDatabases());
    EXPECT_EQ(StepsOf(ExecOf(C)), Want);
    if (DB != dbInterBase) {
      EXPECT_EQ(C.Script().find("ALTER TRIGGER"), std::string::npos) << C.Script();
    }

    // A new event list (InterBase keeps it in the type code).
    TTrgData* MT = C.Master().GetTrigger(Name);
    MT->Events.Include(iudUpdate);
    MT->TrgType = 17;
    ASSERT_TRUE(C.V.CompareDatabases());
    EXPECT_EQ(StepsOf(ExecOf(C)).back(), "create " + Name);
    EXPECT_EQ(CountOf(StepsOf(ExecOf(C)), "drop " + Name), 1);
  }
}

TEST(CodePasses, TriggerDroppedOnTheWayIsCreatedAgain) {
  // PostgreSQL cannot empty a trigger: when a routine it depends on is dropped and created, the
  // trigger goes with it and the alter pass writes it again, although its text is unchanged.
  TCodeRig C(dbPostgreSQL);
  for (TObjs* O : {&C.Master(), &C.Target()}) {
    const bool M = O == &C.Master();
    MakeTable(*O, "t", {{"a"}});
    TPrcData* F = Routine(*O, "f", " begin return new; end ", M ? TSteps{"x"} : TSteps{}, {""});
    F->IsFunction = true;
    F->Language = "plpgsql";
    F->Results[0]->FieldType = iftDomain;
    F->Results[0]->SetExtra(&TFldExtra::DomainName, "trigger");
    TTrgData* Trg = AddTrigger(*O, "trg", "t", "EXECUTE FUNCTION f()");
    Trg->ForEachRow = true;
    O->LinkDepend(Trg, F);
  }
  TTrgData* TT = C.Target().GetTrigger("trg");
  TPrcData* TF = C.Target().GetProcedure("f()");
  ASSERT_NE(TF, nullptr);
  C.V.CompareDatabases();
  (void)TT;
  const TSteps Steps = StepsOf(ExecOf(C));
  // f() is target-only (its key lists its arguments): dropped with its trigger; the trigger
  // comes back after the new f(x).
  EXPECT_EQ(CountOf(Steps, "drop trg"), 1) << ::testing::PrintToString(Steps);
  EXPECT_EQ(Steps.back(), "create trg") << ::testing::PrintToString(Steps);
}

TEST(CodePasses, GoldenScriptsOfCodeObjects) {
  // PostgreSQL: a changed view, a new function and a trigger on a new table.
  TCodeRig PG(dbPostgreSQL);
  for (TObjs* O : {&PG.Master(), &PG.Target()}) {
    const bool M = O == &PG.Master();
    MakeTable(*O, "orders", {{"id"}, {"total"}});
    TViwData* V = ViewOf(*O, "big_orders",
                         M ? "select id, total from orders where total > 100"
                           : "select id from orders where total > 100");
    O->LinkDepend(V, O->GetTable("orders"));
  }
  TPrcData* F = Routine(PG.Master(), "audit", " begin return new; end ", {}, {""});
  F->IsFunction = true;
  F->Language = "plpgsql";
  F->Results[0]->FieldType = iftDomain;
  F->Results[0]->SetExtra(&TFldExtra::DomainName, "trigger");
  TTrgData* Trg = AddTrigger(PG.Master(), "orders_audit", "orders", "EXECUTE FUNCTION audit()");
  Trg->ForEachRow = true;
  PG.Master().LinkDepend(Trg, F);
  ASSERT_TRUE(PG.V.CompareDatabases());
  ExpectCodeGolden("update_postgresql_code.sql", PG.Script());
}
