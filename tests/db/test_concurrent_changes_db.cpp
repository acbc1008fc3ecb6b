// Servers whose other sessions do not hold still: a catalog read while views or tables come
// and go ends with one reading of one state (read again where the first met a dropped object),
// and a Firebird attachment ended from outside leaves nothing waiting on it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "db_servers.h"
#include "qelCompObj.h"
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
  TChurn(const TDbServer& S, std::vector<std::string> Create, std::vector<std::string> Drop)
      : Conn(S), FCreate(std::move(Create)), FDrop(std::move(Drop)) {}
  ~TChurn() { Stop(); }

  std::string Start() {
    if (std::string Why = Conn.Connect(); !Why.empty()) return Why;
    Conn.C->SetConnected(false);
    Conn.C->GetConnectionOptions().SetDatabaseName(ChurnDatabase);
    Conn.C->SetConnected(true);
    if (!Conn.C->GetConnected()) return Conn.C->GetLastError();
    FThread = std::thread([this] {
      // A busy server's pace (a change every few tens of milliseconds), not a tight loop: a
      // catalog that changes faster than it can be read once is read again a bounded number of
      // times and then refused.
      const auto Run = [this](const std::string& S) {
        Conn.ExecIgnoringError(S);
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
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
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

struct TChurnCase {
  const TDbServer* Server;
  std::vector<std::string> Schema;  ///< what stays
  std::vector<std::string> Create, Drop;
};

void PrintTo(const TChurnCase& C, std::ostream* Os) {
  *Os << C.Server->Title;
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
    TChurn Churn(*K.Server, K.Create, K.Drop);
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
      for (int I = 0; I < O->Views.Count(); ++I)
        EXPECT_FALSE(O->Views.Objects(I)->Body.str().empty()) << O->Views.Objects(I)->GetObjName();
      // A reading done again says so, as a warning.
      for (int I = 0; I < Ex->MsgManager.GetMsgCount(); ++I) {
        const TMsgData& M = Ex->MsgManager.Items(I);
        if (M.Text.find("reading it again") != std::string::npos) {
          EXPECT_EQ(M.MsgType, mt_Wrn);
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
    std::string S = Pattern;
    for (std::size_t At = S.find('#'); At != std::string::npos; At = S.find('#'))
      S.replace(At, 1, std::to_string(I));
    R.push_back(S);
  }
  return R;
}

INSTANTIATE_TEST_SUITE_P(
    Servers, ConcurrentChanges,
    ::testing::Values(
        TChurnCase{&PgServer,
                   {"CREATE TABLE keep (id integer PRIMARY KEY, s text)",
                    "CREATE VIEW keep_v AS SELECT id FROM keep"},
                   Numbered("CREATE VIEW churn_# AS SELECT id, s FROM keep WHERE id > #", 20),
                   Numbered("DROP VIEW churn_#", 20)},
        TChurnCase{&MyServer,
                   {"CREATE TABLE keep (id integer PRIMARY KEY, s varchar(20))"},
                   Numbered("CREATE TABLE churn_# (id integer PRIMARY KEY, s varchar(20))", 20),
                   Numbered("DROP TABLE churn_#", 20)}),
    [](const auto& Info) { return std::string(Info.param.Server->Title); });

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
