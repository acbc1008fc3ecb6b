// Servers whose other sessions do not hold still: a catalog read while views or tables come
// and go ends with one reading of one state (a PostgreSQL view dropped after the snapshot is
// passed over with a warning; elsewhere the catalog is read again where the first reading met a
// dropped object), and a Firebird attachment ended from outside leaves nothing waiting on it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "db_servers.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDBStructure.h"
#include "qelMySQLDatabaseExtract.h"
#include "qelPGDatabaseExtract.h"

using namespace qel;
using namespace qel::testing;

namespace {

const std::string ChurnDatabase = "qel_churn";

/// A second session that creates and drops objects in a loop until it is stopped.
class TChurn {
 public:
  TChurn(const TDbServer& S, std::vector<std::string> Create, std::vector<std::string> Drop,
         int PauseMs)
      : Conn(S), FCreate(std::move(Create)), FDrop(std::move(Drop)), FPauseMs(PauseMs) {}
  ~TChurn() { Stop(); }

  std::string Start() {
    if (std::string Why = Conn.Connect(); !Why.empty()) return Why;
    Conn.C->SetConnected(false);
    Conn.C->GetConnectionOptions().SetDatabaseName(ChurnDatabase);
    Conn.C->SetConnected(true);
    if (!Conn.C->GetConnected()) return Conn.C->GetLastError();
    FThread = std::thread([this] {
      const auto Run = [this](const std::string& S) {
        Conn.ExecIgnoringError(S);
        if (FPauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(FPauseMs));
      };
      while (!FStop.load()) {
        for (const std::string& S : FCreate) Run(S);
        for (const std::string& S : FDrop) Run(S);
        ++Rounds;
      }
    });
    return std::string();
  }
  void Stop() {
    FStop = true;
    if (FThread.joinable()) FThread.join();
  }

  TServerConnection Conn;
  std::atomic<int> Rounds{0};

 private:
  std::vector<std::string> FCreate, FDrop;
  int FPauseMs;
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

struct TChurnCase {
  const TDbServer* Server;
  std::vector<std::string> Schema;  ///< what stays
  std::vector<std::string> Create, Drop;
  /// Between two changes; 0: as fast as the server takes them. MariaDB has no snapshot of its
  /// catalog: one that changes faster than it can be read once is read again a bounded number
  /// of times and then refused, so it is changed at a busy server's pace.
  int PauseMs;
  const char* Name;
  /// Every reading ends in one go: what went after the snapshot is passed over, and nothing
  /// calls for reading the catalog again.
  bool ReadOnce = false;
};

void PrintTo(const TChurnCase& C, std::ostream* Os) {
  *Os << C.Name;
}

/// Every object read is read whole, as one state holds it: a view with its text and columns,
/// a table with its columns and key, and no check or trigger without its text or its table.
void ExpectReadWhole(const TObjs& O) {
  for (int I = 0; I < O.Views.Count(); ++I) {
    const auto& V = dynamic_cast<const TViwData&>(*O.Views.Objects(I));
    EXPECT_FALSE(V.Extra().Body.str().empty()) << V.GetObjName();
    EXPECT_EQ(V.Fields.Count(), V.GetObjName() == "keep_v" ? 1 : 2) << V.GetObjName();
  }
  std::multiset<std::string> Keyed;
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    const auto& C = dynamic_cast<const TCtrData&>(*O.Constraints.Objects(I));
    EXPECT_TRUE(O.GetTable(C.GetTblName()) &&
                (C.GetCtType() != ctCheck || !C.Extra().Body.str().empty()))
        << C.GetObjName();
    EXPECT_TRUE(C.GetCtType() != ctFKey || O.GetTable(C.GetRefTblName())) << C.GetObjName();
    if (C.GetCtType() == ctPKey) Keyed.insert(C.GetTblName());
  }
  for (int I = 0; I < O.Tables.Count(); ++I) {
    const auto& T = dynamic_cast<const TTblData&>(*O.Tables.Objects(I));
    EXPECT_TRUE(T.Fields.Count() == 2 && Keyed.count(T.GetObjName()) == 1) << T.GetObjName();
  }
  for (int I = 0; I < O.Triggers.Count(); ++I) {
    const auto& T = dynamic_cast<const TTrgData&>(*O.Triggers.Objects(I));
    EXPECT_TRUE(O.GetTable(T.OwnName) && !T.Extra().FullText.empty()) << T.GetObjName();
  }
}

class ConcurrentChanges : public ::testing::TestWithParam<TChurnCase> {};

TEST_P(ConcurrentChanges, AnExtractionReadsOneStateWhileOtherSessionsChangeTheSchema) {
  const TChurnCase& K = GetParam();
  TServerConnection Admin(*K.Server);
  ASSERT_TRUE(Admin.Connect().empty()) << Admin.Where();
  Admin.ExecIgnoringError("DROP DATABASE IF EXISTS " + ChurnDatabase);
  Admin.Exec("CREATE DATABASE " + ChurnDatabase);
  TServerConnection Reader(*K.Server);
  ASSERT_TRUE(Reader.Configure().empty());
  Reader.C->GetConnectionOptions().SetDatabaseName(ChurnDatabase);
  Reader.C->SetConnected(true);
  ASSERT_TRUE(Reader.C->GetConnected()) << Reader.C->GetLastError();
  for (const std::string& S : K.Schema) Reader.Exec(S);
  Reader.C->SetConnected(false);
  {
    TChurn Churn(*K.Server, K.Create, K.Drop, K.PauseMs);
    ASSERT_EQ(Churn.Start(), "");
    while (Churn.Rounds.load() < 1) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (int Run = 0; Run < 5; ++Run) {
      TDBStructure Holder(nullptr);
      std::vector<std::string> Errors;
      std::unique_ptr<TCustomDBExtract> Ex;
      if (K.Server == &PgServer)
        Ex = std::make_unique<TPGDBExtract>(nullptr);
      else
        Ex = std::make_unique<TMySQLDBExtract>(nullptr);
      Ex->SetConnection(Reader.C.get());
      Ex->SetDBStructure(&Holder);
      Ex->SetOnErrorMessage([&Errors](TObject*, const std::string& T) { Errors.push_back(T); });
      EXPECT_TRUE(Ex->ExtractDatabase())
          << "run " << Run << ": " << ::testing::PrintToString(Errors);
      // What stays is read whole in every reading.
      TObjs* O = Ex->GetObjs();
      ASSERT_NE(O, nullptr);
      EXPECT_TRUE(O->GetTable("keep")) << "run " << Run;
      if (K.Schema.size() > 1 && K.Schema[1].find("keep_v") != std::string::npos) {
        EXPECT_TRUE(O->GetView("keep_v")) << "run " << Run;
      }
      ExpectReadWhole(*O);
      // A reading done again, and an object passed over as dropped meanwhile, say so, as
      // warnings; nothing that stays is passed over.
      for (int I = 0; I < Ex->MsgManager.GetMsgCount(); ++I) {
        const TMsgData& M = Ex->MsgManager.Items(I);
        if (M.Text.find("reading it again") != std::string::npos ||
            M.Text.find("dropped while the catalog was read") != std::string::npos) {
          EXPECT_EQ(M.MsgType, mt_Wrn);
          EXPECT_EQ(M.Text.find("keep"), std::string::npos) << M.Text;
          EXPECT_FALSE(K.ReadOnce && M.Text.find("reading it again") != std::string::npos)
              << M.Text;
        }
      }
    }
    Churn.Stop();
    EXPECT_GT(Churn.Rounds.load(), 1);
  }
  Admin.ExecIgnoringError("DROP DATABASE IF EXISTS " + ChurnDatabase);
}

std::vector<std::string> Numbered(const std::string& Pattern, int N) {
  std::vector<std::string> R;
  for (int I = 0; I < N; ++I) {
    const std::string Number = std::to_string(I);
    std::string S;
    for (const char C : Pattern)
      if (C == '#')
        S += Number;
      else
        S += C;
    R.push_back(S);
  }
  return R;
}

std::vector<std::string> Joined(std::vector<std::string> A, const std::vector<std::string>& B) {
  A.insert(A.end(), B.begin(), B.end());
  return A;
}

INSTANTIATE_TEST_SUITE_P(
    Servers, ConcurrentChanges,
    ::testing::Values(
        TChurnCase{&PgServer,
                   {"CREATE TABLE keep (id integer PRIMARY KEY, s text)",
                    "CREATE VIEW keep_v AS SELECT id FROM keep"},
                   Numbered("CREATE VIEW churn_# AS SELECT id, s FROM keep WHERE id > #", 20),
                   Numbered("DROP VIEW churn_#", 20),
                   0,
                   "PostgreSQLViews"},
        // Tables whose checks and triggers the server names through its current catalog.
        TChurnCase{&PgServer,
                   {"CREATE TABLE keep (id integer PRIMARY KEY, s text)",
                    "CREATE FUNCTION keep_trg() RETURNS trigger LANGUAGE plpgsql AS "
                    "'BEGIN RETURN NEW; END'"},
                   Numbered("CREATE TABLE churn_# (id integer PRIMARY KEY REFERENCES keep, "
                            "s text CHECK (s <> '#')); CREATE TRIGGER churn_#_t BEFORE INSERT "
                            "ON churn_# FOR EACH ROW EXECUTE FUNCTION keep_trg()",
                            20),
                   Numbered("DROP TABLE churn_#", 20),
                   0,
                   "PostgreSQLTables"},
        TChurnCase{&MyServer,
                   {"CREATE TABLE keep (id integer PRIMARY KEY, s varchar(20))"},
                   Numbered("CREATE TABLE churn_# (id integer PRIMARY KEY, s varchar(20))", 20),
                   Numbered("DROP TABLE churn_#", 20),
                   25,
                   "MariaDB"},
        // Pairs joined by a foreign key, the referencing table dropped with the one it
        // references, as fast as the server takes it, beside enough tables that every reading
        // meets a change: the reading that meets a pair gone after
        // its snapshot passes both over (PostgreSQL), or holds the tables still under read
        // locks (MariaDB).
        TChurnCase{&PgServer,
                   Joined({"CREATE TABLE keep (id integer PRIMARY KEY, s text)"},
                          Numbered("CREATE TABLE keep_# (id integer PRIMARY KEY, s text)", 150)),
                   Joined(Numbered("CREATE TABLE churn_p# (id integer PRIMARY KEY, s text)", 3),
                          Numbered("CREATE TABLE churn_c# (id integer PRIMARY KEY, p integer "
                                   "REFERENCES churn_p#)",
                                   3)),
                   Numbered("DROP TABLE churn_c#, churn_p#", 3), 0, "PostgreSQLForeignKeys", true},
        TChurnCase{
            &MyServer,
            Joined({"CREATE TABLE keep (id integer PRIMARY KEY, s varchar(20))"},
                   Numbered("CREATE TABLE keep_# (id integer PRIMARY KEY, s varchar(20))", 150)),
            Joined(Numbered("CREATE TABLE churn_p# (id integer PRIMARY KEY, s varchar(20))", 3),
                   Numbered("CREATE TABLE churn_c# (id integer PRIMARY KEY, p integer, "
                            "FOREIGN KEY (p) REFERENCES churn_p# (id))",
                            3)),
            Numbered("DROP TABLE churn_c#, churn_p#", 3), 0, "MariaDBForeignKeys"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------------------------
// MariaDB: what another session does between the listing of the tables and the reading of
// their texts, done at that moment from the extractor's log line. A table dropped then is
// passed over with a warning and the rest read in one go; any other failure ends the run.

struct TBetweenCase {
  const char* Name;
  /// Run by a second session once the tables are listed; ReaderId is the reader's session.
  std::string (*Statement)(const std::string& ReaderId);
  bool Succeeds;
};

void PrintTo(const TBetweenCase& C, std::ostream* Os) {
  *Os << C.Name;
}

class BetweenListingAndReading : public ::testing::TestWithParam<TBetweenCase> {};

TEST_P(BetweenListingAndReading, OnlyATableTheServerNoLongerHasIsPassedOver) {
  const TBetweenCase& K = GetParam();
  TServerConnection Admin(MyServer);
  ASSERT_TRUE(Admin.Connect().empty()) << Admin.Where();
  Admin.ExecIgnoringError("DROP DATABASE IF EXISTS " + ChurnDatabase);
  Admin.Exec("CREATE DATABASE " + ChurnDatabase);
  for (const char* T : {"keep", "gone", "zkeep"})
    Admin.Exec("CREATE TABLE " + ChurnDatabase + "." + T + " (id integer PRIMARY KEY)");
  TServerConnection Reader(MyServer);
  ASSERT_TRUE(Reader.Configure().empty());
  Reader.C->GetConnectionOptions().SetDatabaseName(ChurnDatabase);
  TDBStructure Holder(nullptr);
  TMySQLDBExtract Ex(nullptr);
  Ex.SetConnection(Reader.C.get());
  Ex.SetDBStructure(&Holder);
  std::vector<std::string> Errors;
  Ex.SetOnErrorMessage([&Errors](TObject*, const std::string& T) { Errors.push_back(T); });
  int Done = 0;
  Ex.SetOnLogNextLine([&](TObject*, const std::string& Line) {
    if (Line.rfind("Tables and views listed: ", 0) != 0 || Done++ > 0) return;
    const std::string Id = Admin
                               .Column(
                                   "SELECT MAX(id) FROM information_schema.processlist "
                                   "WHERE db = '" +
                                   ChurnDatabase + "'")
                               .at(0);
    Admin.ExecIgnoringError(K.Statement(Id));
  });
  EXPECT_EQ(Ex.ExtractDatabase(), K.Succeeds) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Done, 1);
  if (K.Succeeds) {
    TObjs* O = Ex.GetObjs();
    ASSERT_NE(O, nullptr);
    EXPECT_TRUE(O->GetTable("keep") && O->GetTable("zkeep") && !O->GetTable("gone"));
    std::vector<std::string> Warnings;
    for (int I = 0; I < Ex.MsgManager.GetMsgCount(); ++I)
      if (Ex.MsgManager.Items(I).MsgType == mt_Wrn) Warnings.push_back(Ex.MsgManager.Items(I).Text);
    EXPECT_EQ(Warnings, std::vector<std::string>{"Table gone passed over: it was dropped while "
                                                 "the catalog was read."});
  }
  Admin.ExecIgnoringError("DROP DATABASE IF EXISTS " + ChurnDatabase);
}

INSTANTIATE_TEST_SUITE_P(
    MariaDB, BetweenListingAndReading,
    ::testing::Values(
        TBetweenCase{"TableDropped",
                     [](const std::string&) { return "DROP TABLE " + ChurnDatabase + ".gone"; },
                     true},
        // The reader's session ended from outside: no table is gone, and the run fails.
        TBetweenCase{"SessionKilled", [](const std::string& Id) { return "KILL " + Id; }, false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------------------------
// A Firebird attachment deleted from MON$ATTACHMENTS while its transaction is open: the
// statement fails with the client's reason, and the rollback and the disconnect that follow
// return at once instead of waiting on the server for ever.

TEST(LostFirebirdAttachment, RollbackAndDisconnectDoNotWait) {
  TServerConnection Victim(FbServer), Other(FbServer);
  ASSERT_TRUE(Victim.Connect().empty()) << Victim.Where();
  ASSERT_TRUE(Other.Connect().empty()) << Other.Where();
  Other.ExecIgnoringError("DROP TABLE QEL_LOST_FB");
  Other.Exec("CREATE TABLE QEL_LOST_FB (ID INTEGER)");
  const std::string Id = Victim.Column("select current_connection from rdb$database").at(0);
  Victim.C->StartTransaction();
  Victim.Exec("INSERT INTO QEL_LOST_FB VALUES (1)");
  Other.Exec("delete from mon$attachments where mon$attachment_id = " + Id);
  EXPECT_THROW(Victim.Exec("INSERT INTO QEL_LOST_FB VALUES (2)"), EDatabaseError);
  const auto Start = std::chrono::steady_clock::now();
  try {
    Victim.C->Rollback();
  } catch (const EDatabaseError&) {
  }
  Victim.C->SetConnected(false);
  const auto Took = std::chrono::steady_clock::now() - Start;
  EXPECT_LT(Took, std::chrono::seconds(5));
  EXPECT_EQ(Other.Column("SELECT COUNT(*) FROM QEL_LOST_FB").at(0), "0");
  Other.ExecIgnoringError("DROP TABLE QEL_LOST_FB");
}

}  // namespace
