// A live comparison of two PostgreSQL databases reads the master's catalog on a second
// connection while the target's is read. Each case runs the comparison twice, once so and once
// forced to read one side after the other (a connect handler on the master's connection rules
// the second connection out), and both runs must give the same events in the same order, all
// on the calling thread, the same messages and the same script. Failures of the master's
// connection, cancels and handlers that change the master between the two reads must end as
// they do without the second connection.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "db_servers.h"
#include "pg_test_db.h"
#include "qelDBStructure.h"
#include "qelPGDatabaseExtract.h"
#include "qelVarnel.h"

namespace qel::testing {
namespace {

const std::string MasterDb = "qel_ahead_master";
const std::string TargetDb = "qel_ahead_target";
const std::string OtherDb = "qel_ahead_other";

const char* const MasterScript = R"(
create domain amount as numeric(12, 2) check (value >= 0);
create table customers (id integer primary key, name varchar(40) not null, credit amount default 0);
create table orders (id serial primary key, customer integer references customers (id),
  placed date default current_date, total amount);
create index orders_placed on orders (placed);
create view big_orders as select id, total from orders where total > 100;
create function stamp() returns trigger language plpgsql as $$
begin new.placed := current_date; return new; end $$;
create trigger orders_stamp before insert on orders for each row execute function stamp();
create function add_one(a integer, b integer default 1) returns integer language sql as 'select a + b';
)";

const char* const TargetScript = R"(
create domain amount as numeric(10, 2);
create table customers (id integer primary key, name varchar(20));
create table orders (id serial primary key, customer integer, total amount);
create view big_orders as select id from orders;
create function stamp() returns trigger language plpgsql as $$
begin return new; end $$;
create table legacy (id integer);
)";

/// The sessions other than Admin's own on Database, once there are Want of them or ten
/// seconds have passed: sessions open and close a moment after the client asks (longer on a
/// loaded machine, where a server process takes its time to go).
int Sessions(TServerConnection& Admin, const std::string& Database, int Want) {
  int N = -1;
  for (int Try = 0; Try < 500; ++Try) {
    N = std::stoi(Admin.Column("select count(*) from pg_stat_activity where datname = '" +
                               Database + "' and pid <> pg_backend_pid()")[0]);
    if (N == Want) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return N;
}

/// Ends every session on Database but Admin's.
void EndSessions(TServerConnection& Admin, const std::string& Database) {
  Admin.Column("select pg_terminate_backend(pid) from pg_stat_activity where datname = '" +
               Database + "' and pid <> pg_backend_pid()");
}

/// One comparer over two catalog extractors, every handler recording what it is told.
struct TRig {
  TServerConnection Admin{PgServer}, MC{PgServer}, TC{PgServer};
  TPGDBExtract M{nullptr}, T{nullptr};
  TDBStructure MH{nullptr}, TH{nullptr};
  TVarnel V{nullptr};
  std::vector<std::string> Events;
  bool OffThread = false;
  int MasterSessionsDuringTarget = -1;
  const std::thread::id Main = std::this_thread::get_id();

  /// Serial: a connect handler on the master's connection rules the second connection out.
  TRig(const std::string& Master, const std::string& Target, bool Serial) {
    EXPECT_EQ(Admin.Connect(), "");
    for (auto [C, Db] : {std::pair{&MC, Master}, std::pair{&TC, Target}}) {
      EXPECT_EQ(C->Configure(), "");
      C->C->GetConnectionOptions().SetDatabaseName(Db);
    }
    M.SetConnection(MC.C.get());
    T.SetConnection(TC.C.get());
    V.SetDBMaster(&MH);
    V.SetDBTarget(&TH);
    V.SetExtractorMaster(&M);
    V.SetExtractorTarget(&T);
    for (auto [E, Side] : {std::pair{&M, "master"}, std::pair{&T, "target"}}) {
      const std::string S = Side;
      E->SetOnProgressUpdate([this, S](TObject*, int V, int Max) {
        Note(S + " progress " + std::to_string(V) + "/" + std::to_string(Max));
      });
      E->SetOnLogNextLine([this, S](TObject*, const std::string& L) { Note(S + " log " + L); });
      E->SetOnErrorMessage([this, S](TObject*, const std::string& L) { Note(S + " error " + L); });
    }
    V.OnErrorMessage = [this](TObject*, const std::string& L) { Note("comparer error " + L); };
    V.OnBeforeExtract = [this](TObject*) { Note("before extract"); };
    V.OnBeforeExtractTarget = [this](TObject*) { Note("target before"); };
    if (Serial) MC.C->OnAfterConnect = [](TObject*) {};
    V.OnAfterExtractTarget = [this, Master, Serial](TObject*) {
      Note("target after");
      MasterSessionsDuringTarget = Sessions(Admin, Master, Serial ? 0 : 1);
    };
    V.OnBeforeExtractMaster = [this](TObject*) { Note("master before"); };
    V.OnAfterExtractMaster = [this](TObject*) { Note("master after"); };
    V.OnAfterExtract = [this](TObject*) { Note("after extract"); };
  }

  void Note(const std::string& Event) {
    if (std::this_thread::get_id() != Main) OffThread = true;
    Events.push_back(Event);
  }
};

/// What one comparison gave.
struct TOutcome {
  bool Extracted = false;
  std::vector<std::string> Events, Messages;
  std::string Script;
  std::vector<std::string> MasterTables;
  int MasterSessionsDuringTarget = -1;
  int MasterSessionsAfter = -1;
};

/// A case: the two databases, and what to do to the rig before the comparison.
struct TCase {
  const char* Name;
  std::string Master, Target;
  std::function<void(TRig&)> Arrange;
  /// The sessions of the master's database while the target is read when reading ahead (one:
  /// the second connection; -1: not checked).
  int SessionsAhead = 1;
  /// Both sides are read without error.
  bool Extracts = true;
};

TOutcome Compare(const TCase& Case, bool Serial) {
  TRig R(Case.Master, Case.Target, Serial);
  if (Case.Arrange) Case.Arrange(R);
  TOutcome O;
  O.Extracted = R.V.ExtractDatabases();
  if (O.Extracted && R.V.CompareDatabases() && R.V.GetSQLExec()) {
    TStringList Lines;
    R.V.GetSQLExec()->GetScript(Lines, false);
    O.Script = Lines.GetText();
  }
  TerminateRunning = false;
  for (int I = 0; I < R.V.MsgManager.GetMsgCount(); ++I)
    O.Messages.push_back(R.V.MsgManager.Items(I).Text);
  for (int I = 0; I < R.MH.GetMetadata()->Tables.Count(); ++I)
    O.MasterTables.push_back(R.MH.GetMetadata()->Tables.Objects(I)->GetObjName());
  O.Events = R.Events;
  O.MasterSessionsDuringTarget = R.MasterSessionsDuringTarget;
  O.MasterSessionsAfter = Sessions(R.Admin, Case.Master, 0);
  EXPECT_FALSE(R.OffThread) << Case.Name << ": a handler ran on another thread";
  // Everything of the target comes before anything of the master.
  std::size_t LastTarget = 0, FirstMaster = O.Events.size();
  for (std::size_t I = 0; I < O.Events.size(); ++I) {
    if (O.Events[I].rfind("target", 0) == 0) LastTarget = I;
    if (O.Events[I].rfind("master", 0) == 0 && FirstMaster == O.Events.size()) FirstMaster = I;
  }
  EXPECT_LT(LastTarget, FirstMaster) << Case.Name;
  return O;
}

class PGReadAheadDb : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(BuildDatabase(MasterDb, MasterScript), "");
    ASSERT_EQ(BuildDatabase(TargetDb, TargetScript), "");
    ASSERT_EQ(BuildDatabase(OtherDb, "create table other_only (id integer);"), "");
  }
  static void TearDownTestSuite() {
    for (const std::string& Db : {MasterDb, TargetDb, OtherDb}) DropDatabase(Db);
  }
  void TearDown() override { TerminateRunning = false; }

  /// Runs Case both ways and checks that they agree.
  static TOutcome Agree(const TCase& Case) {
    const TOutcome Ahead = Compare(Case, false);
    const TOutcome Serial = Compare(Case, true);
    EXPECT_EQ(Ahead.Extracted, Serial.Extracted) << Case.Name;
    EXPECT_EQ(Ahead.Events, Serial.Events) << Case.Name;
    EXPECT_EQ(Ahead.Messages, Serial.Messages) << Case.Name;
    EXPECT_EQ(Ahead.Script, Serial.Script) << Case.Name;
    EXPECT_EQ(Ahead.MasterTables, Serial.MasterTables) << Case.Name;
    if (Case.SessionsAhead >= 0) {
      EXPECT_EQ(Ahead.MasterSessionsDuringTarget, Case.SessionsAhead) << Case.Name;
    }
    EXPECT_EQ(Serial.MasterSessionsDuringTarget, 0) << Case.Name;
    EXPECT_EQ(Ahead.MasterSessionsAfter, 0) << Case.Name << ": a session of the master stayed";
    return Ahead;
  }
};

TEST_F(PGReadAheadDb, ReadingTheMasterAheadGivesWhatReadingItAfterTheTargetGives) {
  const TCase Cases[] = {
      {"master and target", MasterDb, TargetDb, nullptr},
      {"the other way round", TargetDb, MasterDb, nullptr},
      {"a database with itself", MasterDb, MasterDb, nullptr},
  };
  for (const TCase& Case : Cases) {
    const TOutcome O = Agree(Case);
    EXPECT_TRUE(O.Extracted) << Case.Name;
    EXPECT_EQ(O.Script.empty(), Case.Master == Case.Target) << Case.Name;
  }
}

TEST_F(PGReadAheadDb, FailuresCancelsAndHandlersBetweenTheReadsEndAsWithoutReadingAhead) {
  auto CancelAt = [](bool Master, int Position) {
    return [Master, Position](TRig& R) {
      (Master ? R.M : R.T).SetOnProgressUpdate([Position](TObject*, int V, int) {
        if (V == Position) TerminateRunning = true;
      });
    };
  };
  const TCase Cases[] = {
      {"the master database does not exist", "qel_ahead_missing", TargetDb, nullptr, 0, false},
      {"the master's password is refused", MasterDb, TargetDb,
       [](TRig& R) { R.MC.C->GetConnectionOptions().Password = "wrong"; }, 0, false},
      {"cancelled while the target is read", MasterDb, TargetDb, CancelAt(false, 3), -1, false},
      {"cancelled while the master is read", MasterDb, TargetDb, CancelAt(true, 5), 1, false},
      {"a handler points the master's connection at another database", MasterDb, TargetDb,
       [](TRig& R) {
         R.V.OnBeforeExtractMaster = [&R](TObject*) {
           R.MC.C->GetConnectionOptions().SetDatabaseName(OtherDb);
         };
       }},
      {"a handler gives the master a connect handler", MasterDb, TargetDb,
       [](TRig& R) {
         R.V.OnBeforeExtractMaster = [&R](TObject*) { R.MC.C->OnAfterConnect = [](TObject*) {}; };
       }},
      {"a handler leaves the master unread", MasterDb, TargetDb,
       [](TRig& R) {
         R.V.OnBeforeExtractMaster = [&R](TObject*) { R.V.ExtractMasterEnabled = false; };
       }},
  };
  for (const TCase& Case : Cases) {
    const TOutcome O = Agree(Case);
    EXPECT_EQ(O.Extracted, Case.Extracts) << Case.Name;
    // Nothing half read is compared.
    if (!Case.Extracts) {
      EXPECT_TRUE(O.Script.empty()) << Case.Name;
    }
  }
  const TOutcome Moved = Agree(Cases[4]);
  EXPECT_EQ(Moved.MasterTables, std::vector<std::string>{"other_only"});
}

TEST_F(PGReadAheadDb, AMasterSessionLostWhileTheTargetIsReadIsReadAgainAfterIt) {
  // The session is ended while the read-ahead runs: the reads that fail then spoil it, and the
  // master is read on its own connection after the target, as it would be without it.
  TCase Case{"session ended early", MasterDb, TargetDb, nullptr};
  Case.Arrange = [](TRig& R) {
    R.T.SetOnProgressUpdate([&R](TObject*, int V, int) {
      if (V != 1 || R.MC.C->OnAfterConnect) return;
      Sessions(R.Admin, MasterDb, 1);
      EndSessions(R.Admin, MasterDb);
    });
  };
  const TOutcome Ahead = Compare(Case, false);
  const TOutcome Serial = Compare(Case, true);
  EXPECT_TRUE(Ahead.Extracted);
  EXPECT_EQ(Ahead.Events, Serial.Events);
  EXPECT_EQ(Ahead.Messages, Serial.Messages);
  EXPECT_EQ(Ahead.Script, Serial.Script);
  EXPECT_FALSE(Ahead.Script.empty());
}

TEST_F(PGReadAheadDb, AMasterSessionLostAfterItsReadFailsTheComparison) {
  // Ended once the master's extraction has begun, the snapshot cannot be closed: the master's
  // reading fails with the server's reason, and no script is written.
  TCase Case{"session ended late", MasterDb, TargetDb, nullptr};
  Case.Arrange = [](TRig& R) {
    R.M.SetOnProgressUpdate([&R](TObject*, int V, int) {
      if (V == 1) EndSessions(R.Admin, MasterDb);
    });
  };
  const TOutcome O = Compare(Case, false);
  EXPECT_FALSE(O.Extracted);
  EXPECT_TRUE(O.Script.empty());
  ASSERT_FALSE(O.Messages.empty());
  EXPECT_EQ(O.Messages.back().rfind("TPGDBExtract.", 0), 0u) << O.Messages.back();
  EXPECT_EQ(O.MasterSessionsAfter, 0);
}

}  // namespace
}  // namespace qel::testing
