// The comparer's extraction, pairing and marking, and its refusal to write an update script from
// anything but two schemas read without error.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "qelComp_Viw.h"
#include "qelDBStructure.h"
#include "qelVarnel.h"
#include "test_script_parser.h"
#include "test_varnel_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

/// A comparer whose two sides are read from scripts held in memory by the test grammar.
struct TScriptRig {
  explicit TScriptRig(TDatabaseType DB = dbPostgreSQL) {
    for (TTestScriptExtract* X : {&MX, &TX}) {
      X->DatabaseType = DB;
      X->OnLoadScript = [this](TObject*, const std::string& FileName, TStrings* Script,
                               bool& Loaded) {
        Loads.push_back(FileName);
        if (OnLoad) OnLoad(FileName);
        const auto It = Files.find(FileName);
        Loaded = It != Files.end();
        if (Loaded) Script->SetText(It->second);
      };
    }
    MX.Name = "MasterX";
    TX.Name = "TargetX";
    MX.SetScriptFileName("master.sql");
    TX.SetScriptFileName("target.sql");
    V.Name = "Cmp";
    V.SetDBMaster(&MH);
    V.SetDBTarget(&TH);
    V.SetExtractorMaster(&MX);
    V.SetExtractorTarget(&TX);
    V.OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
  }

  int Statements() const {
    TCustomSQLExec* E = V.GetSQLExec();
    return E ? E->GetStatementsCount() : 0;
  }
  TObjs& Master() { return *MH.GetMetadata(); }
  TObjs& Target() { return *TH.GetMetadata(); }

  std::map<std::string, std::string> Files{{"master.sql", "TABLE A (X, Y); TABLE FRESH (Z);"},
                                           {"target.sql", "TABLE A (X); TABLE STALE (Q);"}};
  std::vector<std::string> Loads;
  std::vector<std::string> Errors;
  std::function<void(const std::string&)> OnLoad;
  TDBStructure MH{nullptr};
  TDBStructure TH{nullptr};
  TTestScriptExtract MX;
  TTestScriptExtract TX;
  TVarnel V{nullptr};
};

/// An extractor that fills its holder in code, as a catalog extractor would.
class TFillExtract : public TCustomExtract {
 public:
  explicit TFillExtract(TComponent* AOwner, TDatabaseType DB = dbPostgreSQL)
      : TCustomExtract(AOwner) {
    DatabaseType = DB;
  }
  std::function<void(TObjs&)> Fill;
  bool ExtractDatabase() override {
    MsgManager.Clear();
    auto* H = dynamic_cast<TDBStructure*>(GetDBStructure());
    if (!H) return false;
    H->Clear();
    H->SetDatabaseType(DatabaseType);
    if (Fill) Fill(*H->GetMetadata());
    return true;
  }
};

/// Puts the global cancel flag back whatever a test does with it.
struct TCancelFlagGuard {
  ~TCancelFlagGuard() { TerminateRunning = false; }
};

bool HasStatement(const TCustomSQLExec& E, const std::string& Text) {
  for (int I = 0; I < E.GetStatementsCount(); ++I)
    if (E.GetStatement(I)->Lines.GetText().find(Text) != std::string::npos) return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Extraction

TEST(VarnelExtract, TargetFirstThenMasterWithEventsAndPairing) {
  TScriptRig R;
  std::vector<std::string> Events;
  auto Rec = [&Events](const char* E) { return [&Events, E](TObject*) { Events.push_back(E); }; };
  R.V.OnBeforeExtract = Rec("before");
  R.V.OnBeforeExtractTarget = Rec("before target");
  R.V.OnAfterExtractTarget = Rec("after target");
  R.V.OnBeforeExtractMaster = Rec("before master");
  R.V.OnAfterExtractMaster = Rec("after master");
  R.V.OnAfterExtract = Rec("after");

  ASSERT_TRUE(R.V.ExtractDatabases()) << ::testing::PrintToString(R.Errors);
  EXPECT_EQ(R.Loads, (std::vector<std::string>{"target.sql", "master.sql"}));
  EXPECT_EQ(Events, (std::vector<std::string>{"before", "before target", "after target",
                                              "before master", "after master", "after"}));
  EXPECT_TRUE(R.V.CompareEnabled);
  EXPECT_EQ(R.V.DatabaseType, dbPostgreSQL);

  TTblData* MA = R.Master().GetTable("A");
  TTblData* TA = R.Target().GetTable("A");
  ASSERT_TRUE(MA && TA);
  EXPECT_EQ(MA->GetRefObj(), TA);
  EXPECT_EQ(TA->GetRefObj(), MA);
  EXPECT_EQ(MA->Fields.Find("X")->GetRefObj(), TA->Fields.Find("X"));
  EXPECT_EQ(MA->Fields.Find("Y")->GetRefObj(), nullptr);

  R.V.CompareDatabases();
  ASSERT_NE(R.V.GetSQLExec(), nullptr);
  const TCustomSQLExec& E = *R.V.GetSQLExec();
  EXPECT_TRUE(HasStatement(E, "CREATE TABLE \"FRESH\""));
  EXPECT_TRUE(HasStatement(E, "ALTER TABLE \"A\" ADD \"Y\""));
  EXPECT_TRUE(HasStatement(E, "DROP TABLE \"STALE\""));
  EXPECT_FALSE(R.V.MsgManager.GetIsErr());
}

TEST(VarnelExtract, OneCallGivesTheScriptOfTwoStepsAndSeesWhatAHandlerChanged) {
  auto Script = [](TScriptRig& R) {
    std::string Text;
    if (TCustomSQLExec* E = R.V.GetSQLExec())
      for (int I = 0; I < E->GetStatementsCount(); ++I) Text += E->GetStatement(I)->Lines.GetText();
    return Text;
  };
  TScriptRig Steps;
  ASSERT_TRUE(Steps.V.ExtractDatabases());
  ASSERT_TRUE(Steps.V.CompareDatabases());
  TScriptRig One;
  ASSERT_TRUE(One.V.ExtractAndCompareDatabases());
  EXPECT_EQ(Script(One), Script(Steps));
  EXPECT_TRUE(HasStatement(*One.V.GetSQLExec(), "DROP TABLE \"STALE\""));

  // A handler after the extraction frees the target's A and renames the master's FRESH: the
  // comparison must pair the schemas as they are now, not as the extraction left them.
  TScriptRig Edited;
  Edited.V.OnAfterExtract = [&Edited](TObject*) {
    TObjs& T = Edited.Target();
    T.Tables.Delete(T.Tables.IndexOf("A"));
    TObjs& M = Edited.Master();
    const int I = M.Tables.IndexOf("FRESH");
    M.Tables.Objects(I)->SetObjName("STALE");
    M.Tables.SetSorted(false);
    M.Tables.PutKey(I, "STALE");
    M.Tables.SetSorted(true);
  };
  ASSERT_TRUE(Edited.V.ExtractAndCompareDatabases()) << ::testing::PrintToString(Edited.Errors);
  const TCustomSQLExec& E = *Edited.V.GetSQLExec();
  EXPECT_TRUE(HasStatement(E, "CREATE TABLE \"A\""));
  EXPECT_FALSE(HasStatement(E, "DROP TABLE \"STALE\""));
  EXPECT_FALSE(HasStatement(E, "CREATE TABLE \"FRESH\""));
  EXPECT_EQ(Edited.Master().GetTable("STALE")->GetRefObj(), Edited.Target().GetTable("STALE"));

  // The same change made by a descendant in its own step after the extraction.
  struct TEditingVarnel : TVarnel {
    using TVarnel::TVarnel;
    void DoAfterExtract() override {
      TVarnel::DoAfterExtract();
      TCustomObjs& T = *GetDBStructureTarget()->GetObjs();
      T.Tables.Delete(T.Tables.IndexOf("A"));
    }
  };
  TScriptRig Sub;
  TEditingVarnel V{nullptr};
  V.SetDBMaster(&Sub.MH);
  V.SetDBTarget(&Sub.TH);
  V.SetExtractorMaster(&Sub.MX);
  V.SetExtractorTarget(&Sub.TX);
  ASSERT_TRUE(V.ExtractAndCompareDatabases());
  EXPECT_TRUE(HasStatement(*V.GetSQLExec(), "CREATE TABLE \"A\""));

  // A failed one-call comparison leaves nothing behind for a later two-step one.
  One.Files["master.sql"] = "TABLE A (X, Y); TABLE FRESH (Z); TABLE MORE (W);";
  One.V.ExtractDatabases();
  One.Target().Tables.Delete(One.Target().Tables.IndexOf("STALE"));
  ASSERT_TRUE(One.V.CompareDatabases());
  EXPECT_FALSE(HasStatement(*One.V.GetSQLExec(), "DROP TABLE \"STALE\""));
  EXPECT_TRUE(HasStatement(*One.V.GetSQLExec(), "CREATE TABLE \"MORE\""));
}

TEST(VarnelExtract, ComparisonAfterExtractionSeesSchemasChangedInBetween) {
  // The first comparison after an extraction reuses its pairing only while nothing changed:
  // a table freed, a table renamed, a side read again.
  struct TCase {
    std::function<void(TScriptRig&)> Edit;
    const char* Statement;
    bool Written;
  };
  const TCase Cases[] = {
      {[](TScriptRig& R) { R.Target().Tables.Delete(R.Target().Tables.IndexOf("A")); },
       "CREATE TABLE \"A\"", true},
      {[](TScriptRig& R) {
         TObjs& M = R.Master();
         const int I = M.Tables.IndexOf("FRESH");
         M.Tables.Objects(I)->SetObjName("STALE");
         M.Tables.SetSorted(false);
         M.Tables.PutKey(I, "STALE");
         M.Tables.SetSorted(true);
       },
       "DROP TABLE \"STALE\"", false},
      {[](TScriptRig& R) {
         R.Files["target.sql"] = "TABLE A (X, Y); TABLE STALE (Q);";
         R.TX.ExtractDatabase();
       },
       "ADD \"Y\"", false},
  };
  for (const TCase& C : Cases) {
    TScriptRig R;
    ASSERT_TRUE(R.V.ExtractDatabases());
    C.Edit(R);
    ASSERT_TRUE(R.V.CompareDatabases()) << ::testing::PrintToString(R.Errors);
    EXPECT_EQ(HasStatement(*R.V.GetSQLExec(), C.Statement), C.Written) << C.Statement;
  }
}

TEST(VarnelExtract, OptionsPushedIntoHoldersAndReadBack) {
  TScriptRig R;
  R.V.GetIBServerOptions().GetIBCompareOptions().GenerateCOMMIT = true;
  R.V.GetMSSQLServerOptions().GetMSSQLCompareOptions().UpdateColumnPosition = true;
  R.V.GetASAServerOptions().GetASACompareOptions().CaseSensitiveIdentifiers = true;
  R.V.SetCompareObjects({coTable, coView});
  R.V.SetShowFullLog(false);
  // A catalog extractor leaves what it learnt about the target's database in the holder.
  TFillExtract Target(nullptr);
  Target.Fill = [](TObjs& O) {
    O.ConnectionOptions.SetDatabaseName("shop");
    O.MySQLServerOptions.Names = "utf8mb4";
    O.ASAServerOptions.GetASADatabaseOptions().DateOrder = "YMD";
  };
  R.V.SetExtractorTarget(&Target);
  ASSERT_TRUE(R.V.ExtractDatabases()) << ::testing::PrintToString(R.Errors);
  for (TObjs* O : {&R.Master(), &R.Target()}) {
    EXPECT_TRUE(O->IBServerOptions.GetIBCompareOptions().GenerateCOMMIT);
    EXPECT_TRUE(O->MSSQLServerOptions.GetMSSQLCompareOptions().UpdateColumnPosition);
    EXPECT_EQ(O->CompareObjects, (TCmpObjSetType{coTable, coView}));
  }
  // SQL Anywhere compare options go to the master only.
  EXPECT_TRUE(R.Master().ASAServerOptions.GetASACompareOptions().CaseSensitiveIdentifiers);
  EXPECT_FALSE(R.Target().ASAServerOptions.GetASACompareOptions().CaseSensitiveIdentifiers);
  EXPECT_EQ(R.MX.CompareObjects, (TCmpObjSetType{coTable, coView}));
  EXPECT_FALSE(R.MX.ShowFullLog);
  EXPECT_EQ(R.V.GetConnectionOptions().GetDatabaseName(), "shop");
  EXPECT_EQ(R.V.GetMySQLServerOptions().Names, "utf8mb4");
  EXPECT_EQ(R.V.GetASAServerOptions().GetASADatabaseOptions().DateOrder, "YMD");

  // Not only the compared kinds: the extractors read everything.
  R.V.GetIBServerOptions().GetIBCompareOptions().ExtractOnlyComparedObjects = false;
  ASSERT_TRUE(R.V.ExtractDatabases());
  EXPECT_EQ(Target.CompareObjects, AllCmpObjTypes());
  EXPECT_EQ(R.Target().CompareObjects, (TCmpObjSetType{coTable, coView}));
}

TEST(VarnelExtract, HandlerMaySkipTheTargetSide) {
  TScriptRig R;
  R.MX.DatabaseType = dbMySQL;  // a target holder read earlier in the same dialect
  R.TH.SetDatabaseType(dbMySQL);
  R.V.OnBeforeExtractTarget = [&R](TObject*) { R.V.ExtractTargetEnabled = false; };
  ASSERT_TRUE(R.V.ExtractDatabases()) << ::testing::PrintToString(R.Errors);
  EXPECT_EQ(R.Loads, (std::vector<std::string>{"master.sql"}));
  EXPECT_EQ(R.V.DatabaseType, dbMySQL);
  EXPECT_EQ(R.Target().Tables.Count(), 0);
}

// ---------------------------------------------------------------------------------------------
// No script from a failed, cancelled or incomplete extraction

TEST(VarnelRefusal, MasterParseErrorLeavesNoScript) {
  TScriptRig R;
  EXPECT_TRUE(R.V.ExtractAndCompareDatabases());
  ASSERT_GT(R.Statements(), 0);

  R.Files["master.sql"] = "TABLE A (X, Y); BOGUS;";
  EXPECT_FALSE(R.V.ExtractAndCompareDatabases());
  EXPECT_FALSE(R.V.CompareEnabled);
  // The earlier script went too: it belongs to schemas that are no longer those read.
  EXPECT_EQ(R.Statements(), 0);
  EXPECT_TRUE(R.V.MsgManager.GetIsErr());

  // Called on its own, the comparison says why it writes nothing.
  R.Errors.clear();
  EXPECT_FALSE(R.V.CompareDatabases());
  EXPECT_EQ(R.Statements(), 0);
  EXPECT_TRUE(AnyContains(R.Errors, "Cmp): the schemas were not read without error"));
}

TEST(VarnelRefusal, TargetErrorSkipsTheMaster) {
  TScriptRig R;
  R.Files["target.sql"] = "TABLE A (X";
  EXPECT_FALSE(R.V.ExtractDatabases());
  EXPECT_EQ(R.Loads, (std::vector<std::string>{"target.sql"}));
  EXPECT_FALSE(R.V.CompareEnabled);
  R.V.CompareDatabases();
  EXPECT_EQ(R.Statements(), 0);
}

TEST(VarnelRefusal, MissingMasterScriptIsNoEmptyMaster) {
  // A typo in the master's file name: the master would read as empty and the script would
  // drop every table of the target.
  TScriptRig R;
  R.MX.SetScriptFileName("mastr.sql");
  EXPECT_FALSE(R.V.ExtractAndCompareDatabases());
  EXPECT_EQ(R.Statements(), 0);
  EXPECT_TRUE(AnyContains(MsgTexts(R.V.MsgManager), "mastr.sql"));
}

TEST(VarnelRefusal, MasterWithoutExtractorIsRefused) {
  TScriptRig R;
  R.V.SetExtractorMaster(nullptr);
  EXPECT_FALSE(R.V.ExtractDatabases());
  EXPECT_FALSE(R.V.CompareEnabled);
  EXPECT_TRUE(AnyContains(R.Errors, "TVarnel(Cmp): property ExtractorMaster not assigned."));
  R.V.ExtractAndCompareDatabases();
  EXPECT_EQ(R.Statements(), 0);

  TScriptRig NoTarget;
  NoTarget.V.SetExtractorTarget(nullptr);
  NoTarget.V.SetDBTarget(nullptr);
  EXPECT_FALSE(NoTarget.V.ExtractDatabases());
  EXPECT_TRUE(AnyContains(NoTarget.Errors, "): property ExtractorTarget not assigned."));
  EXPECT_TRUE(AnyContains(NoTarget.Errors, "): property DBStructureTarget not assigned."));
  EXPECT_TRUE(NoTarget.Loads.empty());
}

TEST(VarnelRefusal, CancelledExtractionLeavesNoScript) {
  TCancelFlagGuard Guard;
  TScriptRig R;
  R.OnLoad = [](const std::string& File) {
    if (File == "master.sql") TerminateRunning = true;
  };
  EXPECT_FALSE(R.V.ExtractDatabases());
  EXPECT_TRUE(AnyContains(MsgTexts(R.V.MsgManager), "master schema was cancelled"));
  EXPECT_FALSE(R.V.CompareDatabases());
  EXPECT_EQ(R.Statements(), 0);
}

TEST(VarnelRefusal, ExtractorFailingWithoutMessage) {
  // The base extractor returns failure and says nothing.
  TScriptRig R;
  TCustomExtract Silent(nullptr);
  Silent.Name = "Silent";
  Silent.DatabaseType = dbPostgreSQL;
  R.V.SetExtractorMaster(&Silent);
  EXPECT_FALSE(R.V.ExtractDatabases());
  EXPECT_TRUE(AnyContains(MsgTexts(R.V.MsgManager),
                          "the master schema could not be extracted (TCustomExtract(Silent))"));
}

TEST(VarnelRefusal, HolderFilledByAFailedExtractorDirectly) {
  TScriptRig R;
  ASSERT_TRUE(R.V.ExtractDatabases());
  R.Files["master.sql"] = "TABLE A (X; TABLE FRESH;";
  // The host reads the master again itself, and that fails.
  EXPECT_FALSE(R.MX.ExtractDatabase());
  R.V.CompareDatabases();
  EXPECT_EQ(R.Statements(), 0);
  EXPECT_TRUE(AnyContains(R.Errors, "the extraction of the master schema reported errors"));
}

TEST(VarnelRefusal, HandlersThatUnlinkAHolder) {
  // The host takes the master holder off the comparer while the master is read.
  TScriptRig R;
  R.OnLoad = [&R](const std::string& File) {
    if (File == "master.sql") R.V.SetDBMaster(nullptr);
  };
  EXPECT_FALSE(R.V.ExtractDatabases());
  EXPECT_TRUE(AnyContains(MsgTexts(R.V.MsgManager), "master extractor or holder went away"));

  // The host unlinks the master in OnBeforeCompare.
  TCodeRig C(dbPostgreSQL);
  MakeTable(C.Target(), "T", {{"A"}});
  C.V.OnBeforeCompare = [&C](TObject*) { C.V.SetDBMaster(nullptr); };
  C.V.CompareDatabases();
  EXPECT_TRUE(AnyContains(C.Errors, "a schema holder was unlinked"));
  EXPECT_EQ(C.V.GetSQLExec(), nullptr);
}

TEST(VarnelRefusal, MasterOfAnotherDialectIsRefused) {
  TScriptRig R;
  R.MX.DatabaseType = dbPostgreSQL;
  R.TX.DatabaseType = dbOracle;  // no conversion is made for an Oracle target
  EXPECT_FALSE(R.V.ExtractDatabases());
  EXPECT_FALSE(R.V.CompareEnabled);
  const std::vector<std::string> Msgs = MsgTexts(R.V.MsgManager);
  EXPECT_TRUE(AnyContains(Msgs, "master schema (PostgreSQL)")) << ::testing::PrintToString(Msgs);
  EXPECT_TRUE(AnyContains(Msgs, "target schema (Oracle)"));
  R.V.CompareDatabases();
  EXPECT_EQ(R.Statements(), 0);

  // Schemas built in code are held to the same rule.
  TCodeRig C(dbPostgreSQL);
  C.TH.SetDatabaseType(dbDB2);
  MakeTable(C.Master(), "T", {{"A"}});
  C.V.CompareDatabases();
  EXPECT_EQ(C.V.GetSQLExec(), nullptr);
  EXPECT_TRUE(
      AnyContains(C.Errors, "(PostgreSQL) is not in the dialect of the target schema (DB2)"));
}

TEST(VarnelRefusal, MissingHolders) {
  TCodeRig C(dbPostgreSQL);
  C.V.SetDBMaster(nullptr);
  C.V.CompareDatabases();
  EXPECT_EQ(C.Errors,
            (std::vector<std::string>{"TVarnel(Cmp): property DBStructureMaster not assigned."}));
  C.V.SetDBTarget(nullptr);
  C.Errors.clear();
  C.V.CompareDatabases();
  EXPECT_EQ(C.Errors,
            (std::vector<std::string>{"TVarnel(Cmp): property DBStructureTarget not assigned."}));
  EXPECT_EQ(C.V.GetSQLExec(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Pairing and marks

TEST(VarnelPairing, KeysFollowTheCaseRuleOfTheDialect) {
  for (TDatabaseType DB :
       {dbPostgreSQL, dbInterBase, dbMySQL, dbOracle, dbMSSQL, dbSybaseASA, dbSybaseASE, dbDB2}) {
    SCOPED_TRACE(TVarnel::DialectName(DB));
    TCodeRig C(DB);
    // MakeTable lower-cases for PostgreSQL: build by hand.
    auto Add = [](TObjs& O, const std::string& Name) {
      auto* T = new TTblData(&O);
      T->SetObjName(Name);
      O.AddObj(T);
      return T;
    };
    TTblData* M = Add(C.Master(), "Emp");
    TTblData* T = Add(C.Target(), "EMP");
    C.V.LinkRefs();
    const bool CaseInsensitive = DB == dbMSSQL || DB == dbSybaseASA || DB == dbSybaseASE;
    EXPECT_EQ(M->GetRefObj(), CaseInsensitive ? T : nullptr);
    EXPECT_EQ(T->GetRefObj(), CaseInsensitive ? M : nullptr);
  }
}

TEST(VarnelPairing, OracleSchemaOfTheTargetConnection) {
  TCodeRig C(dbOracle);
  TTblData* M1 = MakeTable(C.Master(), "EMP", {{"ID"}});
  M1->SetSchema("HR");
  TTblData* T1 = MakeTable(C.Target(), "EMP", {{"ID"}});
  T1->SetSchema("SCOTT");
  // Re-filed under their keys with the schema.
  C.Master().Tables.SetSorted(false);
  C.Master().Tables.PutKey(0, M1->ObjKeyDef());
  C.Master().Tables.SetSorted(true);
  C.Target().Tables.SetSorted(false);
  C.Target().Tables.PutKey(0, T1->ObjKeyDef());
  C.Target().Tables.SetSorted(true);
  C.V.LinkRefs();
  EXPECT_EQ(M1->GetRefObj(), nullptr);

  // The target's connection names the schema SCOTT: the master's objects are taken as living
  // there, and pair with the target's after the next pairing.
  C.V.DatabaseType = dbOracle;
  C.Target().ConnectionOptions.SetDatabaseName("SCOTT");
  C.Target().ConnectionOptions.HostName = "dbhost";
  C.V.AssignDiffs();
  EXPECT_EQ(M1->GetSchema(), "SCOTT");
  EXPECT_EQ(C.Master().GetTable("SCOTT.EMP"), M1);
  C.V.LinkRefs();
  EXPECT_EQ(M1->GetRefObj(), T1);

  // A connection on its own host names no schema: the master keeps its schemas. Storage given
  // by one side only is no difference.
  TCodeRig D(dbOracle);
  TTblData* M = MakeTable(D.Master(), "EMP", {{"ID"}});
  TTblData* T = MakeTable(D.Target(), "EMP", {{"ID"}});
  M->Storage = "STORAGE (INITIAL 64K)";
  T->EditExtra().TablespaceName = "USERS";
  D.V.DatabaseType = dbOracle;
  D.Target().ConnectionOptions.SetDatabaseName("ORCL");
  D.Target().ConnectionOptions.HostName = "ORCL";
  D.V.LinkRefs();
  D.V.AssignDiffs();
  EXPECT_EQ(M->GetSchema(), "");
  EXPECT_EQ(D.Master().GetTable("EMP"), M);
  EXPECT_EQ(M->Storage, "");
  EXPECT_EQ(T->Extra().TablespaceName, "");
}

TEST(VarnelPairing, MySQLTableOptionsGivenOnOneSideAreNoChange) {
  TCodeRig C(dbMySQL);
  TTblData* M = MakeTable(C.Master(), "T", {{"A"}});
  TTblData* T = MakeTable(C.Target(), "T", {{"A"}});
  M->EditExtra().MySQLOptions.Engine = "InnoDB";
  T->EditExtra().MySQLOptions.SetDefCharSet("utf8mb4");
  T->EditExtra().MySQLOptions.PackKeys = "1";
  C.V.DatabaseType = dbMySQL;
  C.V.LinkRefs();
  C.V.AssignDiffs();
  EXPECT_EQ(T->Extra().MySQLOptions.Engine, "InnoDB");
  EXPECT_EQ(M->Extra().MySQLOptions.GetDefCharSet(), "utf8mb4");
  EXPECT_EQ(M->Extra().MySQLOptions.PackKeys, "1");
  C.V.CompareDatabases();
  EXPECT_EQ(C.Script(), "");

  // Both sides state an engine, and differently: that is a change.
  T->EditExtra().MySQLOptions.Engine = "MyISAM";
  C.V.CompareDatabases();
  EXPECT_EQ(C.Script(), "ALTER TABLE T ENGINE=InnoDB;\n\n");
}

TEST(VarnelPairing, MySQLTableCollationAndRowFormatAreCompared) {
  // Options as (character set, collation, row format) of master and target; the script.
  struct TRow {
    const char* Name;
    std::array<const char*, 3> M, T;
    std::string Script;
  };
  const std::string Unicode =
      "ALTER TABLE T DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;\n\n"
      "ALTER TABLE T MODIFY COLUMN N VARCHAR(10) CHARACTER SET utf8mb4 "
      "COLLATE utf8mb4_unicode_ci;\n\n";
  const TRow Rows[] = {
      {"collation differs",
       {"utf8mb4", "utf8mb4_unicode_ci", ""},
       {"utf8mb4", "utf8mb4_general_ci", ""},
       Unicode},
      {"set alone is its default", {"utf8mb4", "", ""}, {"utf8mb4", "utf8mb4_general_ci", ""}, ""},
      {"set alone against another",
       {"utf8mb4", "", ""},
       {"utf8mb4", "utf8mb4_unicode_ci", ""},
       "ALTER TABLE T DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;\n\n"
       "ALTER TABLE T MODIFY COLUMN N VARCHAR(10) CHARACTER SET utf8mb4 "
       "COLLATE utf8mb4_general_ci;\n\n"},
      {"no set takes the server's", {"", "", ""}, {"utf8mb4", "utf8mb4_unicode_ci", ""}, ""},
      {"row format given",
       {"", "", "DYNAMIC"},
       {"", "", ""},
       "ALTER TABLE T ROW_FORMAT=DYNAMIC;\n\n"},
      {"row format not given", {"", "", ""}, {"", "", "COMPACT"}, ""},
  };
  for (const TRow& R : Rows) {
    TCodeRig C(dbMySQL);
    TTblData* M = MakeTable(C.Master(), "T", {{"A"}, {"N", iftVarchar, 10}});
    TTblData* T = MakeTable(C.Target(), "T", {{"A"}, {"N", iftVarchar, 10}});
    for (auto [Tbl, O] : {std::pair{M, R.M}, std::pair{T, R.T}}) {
      TMySQLTableOptions& X = Tbl->EditExtra().MySQLOptions;
      X.SetDefCharSet(O[0]);
      X.Collation = O[1];
      X.RowFormat = O[2];
    }
    C.V.DatabaseType = dbMySQL;
    C.V.LinkRefs();
    C.V.AssignDiffs();
    C.V.CompareDatabases();
    EXPECT_EQ(C.Script(), R.Script) << R.Name;
  }
}

TEST(VarnelPairing, RepairingForgetsCounterpartsOfAnExchangedHolder) {
  // The target was compared with one master, then the host exchanges the master holder for
  // one that lacks the table: the target's table must not stay paired with the former
  // master's, or the new script would keep a table the master no longer has.
  TCodeRig C(dbPostgreSQL);
  MakeTable(C.Master(), "T", {{"A"}});
  TTblData* T = MakeTable(C.Target(), "T", {{"A"}, {"B"}});
  C.V.CompareDatabases();
  ASSERT_NE(T->GetRefObj(), nullptr);

  TDBStructure Other(nullptr);
  Other.SetDatabaseType(dbPostgreSQL);
  MakeTable(*Other.GetMetadata(), "U", {{"A"}});
  C.V.SetDBMaster(&Other);
  C.V.CompareDatabases();
  EXPECT_EQ(T->GetRefObj(), nullptr);
  EXPECT_EQ(T->Fields.Find("a")->GetRefObj(), nullptr);
  EXPECT_NE(C.Script().find("DROP TABLE t"), std::string::npos) << C.Script();
  C.V.SetDBMaster(&C.MH);
}

TEST(VarnelPairing, RepairingGivesWhatPairingFromScratchGives) {
  TCodeRig C(dbPostgreSQL);
  TTblData* MA = MakeTable(C.Master(), "a", {{"x"}, {"y"}, {"z"}});
  TTblData* MB = MakeTable(C.Master(), "b", {{"x"}});
  MakeTable(C.Master(), "c", {{"x"}});
  TTblData* TA = MakeTable(C.Target(), "a", {{"z"}, {"y"}, {"x"}});  // other column order
  MakeTable(C.Target(), "b", {{"x"}});
  C.V.LinkRefs();
  EXPECT_EQ(MA->Fields.Find("x")->GetRefObj(), TA->Fields.Find("x"));
  EXPECT_EQ(MA->Fields.Find("z")->GetRefObj(), TA->Fields.Find("z"));
  ASSERT_NE(MB->GetRefObj(), nullptr);

  // The target's b goes, its a loses column y and gains w, and a target c appears.
  C.Target().Tables.Delete(C.Target().Tables.IndexOf("b"));
  TA->Fields.Delete(TA->Fields.IndexOf("y"));
  auto W = std::make_unique<TFldData>(&C.Target());
  W->SetObjName("w");
  W->TableName = "a";
  W->OwnerObj = TA;
  TA->Fields.Add(std::move(W));
  TTblData* TC = MakeTable(C.Target(), "c", {{"x"}});
  C.V.LinkRefs();
  EXPECT_EQ(MB->GetRefObj(), nullptr);
  EXPECT_EQ(MB->Fields[0]->GetRefObj(), nullptr);
  EXPECT_EQ(MA->GetRefObj(), TA);
  EXPECT_EQ(MA->Fields.Find("y")->GetRefObj(), nullptr);
  EXPECT_EQ(TA->Fields.Find("w")->GetRefObj(), nullptr);
  EXPECT_EQ(MA->Fields.Find("x")->GetRefObj(), TA->Fields.Find("x"));
  EXPECT_EQ(TA->Fields.Find("x")->GetRefObj(), MA->Fields.Find("x"));
  EXPECT_EQ(C.Master().GetTable("c")->GetRefObj(), TC);
  EXPECT_EQ(TC->Fields[0]->GetRefObj(), C.Master().GetTable("c")->Fields[0]);

  // Pairing again without a change keeps every counterpart.
  C.V.LinkRefs();
  EXPECT_EQ(MA->GetRefObj(), TA);
  EXPECT_EQ(C.Master().GetTable("c")->GetRefObj(), TC);
  EXPECT_EQ(MA->Fields.Find("z")->GetRefObj(), TA->Fields.Find("z"));
}

TEST(VarnelPairing, ExistsInTargetMarks) {
  TCodeRig C(dbInterBase);
  TTblData* MT = MakeTable(C.Master(), "BOTH", {{"A"}, {"NEWCOL"}});
  TTblData* MOnly = MakeTable(C.Master(), "MONLY", {{"A"}});
  TTblData* TT = MakeTable(C.Target(), "BOTH", {{"A"}, {"OLDCOL"}});
  TTblData* TOnly = MakeTable(C.Target(), "TONLY", {{"A"}});
  TDbObj* MV = new TViwData(&C.Master());
  MV->SetObjName("V");
  C.Master().AddObj(MV);
  for (TDbObj* O : std::vector<TDbObj*>{MT, MOnly, TT, TOnly, MV}) O->ObjCreated = !O->ObjCreated;

  C.V.LinkRefs();
  C.V.SetObjsCreated();
  EXPECT_TRUE(MT->GetObjCreated());
  EXPECT_TRUE(MT->Fields.Find("A")->GetObjCreated());
  EXPECT_FALSE(MT->Fields.Find("NEWCOL")->GetObjCreated());
  EXPECT_FALSE(MOnly->GetObjCreated());
  EXPECT_FALSE(MOnly->Fields[0]->GetObjCreated());
  EXPECT_FALSE(MV->GetObjCreated());
  EXPECT_TRUE(TT->GetObjCreated());
  EXPECT_TRUE(TT->Fields.Find("OLDCOL")->GetObjCreated());
  EXPECT_TRUE(TOnly->GetObjCreated());
}

TEST(VarnelPairing, InterBaseViewCheckOptionInAnotherLetterCase) {
  TCodeRig C(dbInterBase);
  auto View = [](TObjs& O, const std::string& Name, const std::string& Body) {
    auto* V = new TViwData(&O);
    V->SetObjName(Name);
    V->SetExtra(&TObjExtra::Body, Body);
    O.AddObj(V);
    return V;
  };
  View(C.Master(), "V1", "SELECT A FROM T WHERE A > 0 WITH CHECK OPTION");
  TViwData* T1 = View(C.Target(), "V1", "SELECT A FROM T WHERE A > 0 with check option");
  View(C.Master(), "V2", "SELECT A FROM T WHERE A > 0 WITH CHECK OPTION");
  TViwData* T2 = View(C.Target(), "V2", "SELECT A FROM T WHERE A > 1 with check optiom");
  View(C.Master(), "V3", "CHECK");
  TViwData* T3 = View(C.Target(), "V3", "check");
  C.V.LinkRefs();
  EXPECT_EQ(T1->Extra().Body, "SELECT A FROM T WHERE A > 0 WITH CHECK OPTION");
  EXPECT_EQ(T2->Extra().Body, "SELECT A FROM T WHERE A > 1 with check optiom");
  EXPECT_EQ(T3->Extra().Body, "check");
}

// ---------------------------------------------------------------------------------------------
// Lifetime

TEST(VarnelLifetime, DestroyInAnyOrder) {
  // Comparer, both holders, both extractors and a host executor, freed in every order after a
  // comparison has linked them all (the sanitizer build reports any dangling link).
  std::vector<int> Order{0, 1, 2, 3, 4, 5};
  int Runs = 0;
  do {
    auto MH = std::make_unique<TDBStructure>(nullptr);
    auto TH = std::make_unique<TDBStructure>(nullptr);
    auto MX = std::make_unique<TTestScriptExtract>();
    auto TX = std::make_unique<TTestScriptExtract>();
    auto V = std::make_unique<TVarnel>(nullptr);
    auto E = std::make_unique<TSQLExec>(nullptr);
    for (TTestScriptExtract* X : {MX.get(), TX.get()})
      X->OnLoadScript = [](TObject*, const std::string& F, TStrings* S, bool& Loaded) {
        S->SetText(F == "m" ? "TABLE A (X); TABLE B;" : "TABLE A (Y); TABLE C;");
        Loaded = true;
      };
    MX->SetScriptFileName("m");
    TX->SetScriptFileName("t");
    V->SetDBMaster(MH.get());
    V->SetDBTarget(TH.get());
    V->SetExtractorMaster(MX.get());
    V->SetExtractorTarget(TX.get());
    // Every other order runs with the comparer's own executor.
    if (Runs % 2) V->SetSQLExec(E.get());
    V->ExtractAndCompareDatabases();
    ASSERT_GT(V->GetSQLExec()->GetStatementsCount(), 0);
    for (int Which : Order) switch (Which) {
        case 0:
          MH.reset();
          break;
        case 1:
          TH.reset();
          break;
        case 2:
          MX.reset();
          break;
        case 3:
          TX.reset();
          break;
        case 4:
          V.reset();
          break;
        default:
          E.reset();
          break;
      }
    ++Runs;
  } while (std::next_permutation(Order.begin(), Order.end()));
  EXPECT_EQ(Runs, 720);
}
