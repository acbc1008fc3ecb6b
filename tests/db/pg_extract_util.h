// What the tests of the PostgreSQL catalog extractor on the server share: a fixture whose
// extractor reads a test database as its ordinary owner, one extraction recorded through the
// libpq adapter and replayed through the replay adapter, and the comparer's update script from
// a script to a database.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ReplayAdapter.h"
#include "db_servers.h"
#include "pg_test_db.h"
#include "qelDBStructure.h"
#include "qelPGDatabaseExtract.h"
#include "qelPGScriptExtract.h"
#include "qelSQL_Exec.h"
#include "qelVarnel.h"

namespace qel::testing {

/// Where the recording queries add the fixture entry of what they read; none when null.
inline std::string* Recording = nullptr;

class TRecordingQuery : public TPGDACQuery {
 public:
  using TPGDACQuery::TPGDACQuery;
  void Open() override {
    TPGDACQuery::Open();
    if (Recording) *Recording += replay::RecordOpenedQuery(*this);
  }
};

/// The libpq adapter with recording queries, registered under a connection type of its own.
class TRecordingConnection : public TPGDACConnection {
 public:
  TRecordingConnection() { SetConnectionType(cnZEOS); }
  TQELQuery* CreateQuery(TComponent* AOwner) override { return new TRecordingQuery(AOwner); }
};

/// Runs Ex on the live server (connection Options) with each query's fixture entry added to
/// Recorded; whether the extraction succeeded. Ex is left without a connection.
inline bool ExtractRecorded(TPGDBExtract& Ex, const TConnectionOptions& Options,
                            std::string& Recorded) {
  const bool Registered = RegisterConnection("pg-recorder", new TRecordingConnection());
  EXPECT_TRUE(Registered);
  if (!Registered) return false;
  TQELConnection Live{nullptr};
  Live.SetConnectionType(cnZEOS);
  Live.SetDatabaseType(dbPostgreSQL);
  Live.SetConnectionOptions(Options);
  Ex.SetConnection(&Live);
  Recording = &Recorded;
  const bool Extracted = Ex.ExtractDatabase();
  Recording = nullptr;
  Ex.SetConnection(nullptr);
  UnRegisterConnection("pg-recorder", true);
  return Extracted;
}

/// Runs Ex on the replay adapter answering from Recorded; whether the extraction succeeded. Ex
/// is left without a connection.
inline bool ExtractReplayed(TPGDBExtract& Ex, const TConnectionOptions& Options,
                            const std::string& Recorded) {
  auto Fixture = std::make_shared<replay::TReplayFixture>();
  Fixture->LoadFromText(Recorded, "recording");
  TSQLLexRules Rules;
  Rules.DollarQuotes = true;
  Rules.EStrings = true;
  replay::TScopedReplayAdapter Replay("replay-pg", cnODAC, Fixture, Rules);
  TQELConnection Played{nullptr};
  Played.SetConnectionType(cnODAC);
  Played.SetDatabaseType(dbPostgreSQL);
  Played.SetConnectionOptions(Options);
  Ex.SetConnection(&Played);
  const bool Extracted = Ex.ExtractDatabase();
  Ex.SetConnection(nullptr);
  return Extracted;
}

/// The update script that brings Database to the schema of Script for the kinds Kinds, empty
/// when there is nothing to change; the reason in Failure when the comparison failed. MH and TH
/// receive what was read of the script and of the database.
inline std::string UpdateScript(TPGDBExtract& Ex, TServerConnection& Conn,
                                const std::string& Database, const char* Script,
                                const TCmpObjSetType& Kinds, TDBStructure& MH, TDBStructure& TH,
                                std::string& Failure) {
  Conn.C->GetConnectionOptions().SetDatabaseName(Database);
  TPGScriptExtract Master{nullptr};
  Master.SetScriptFileName("master.sql");
  Master.OnLoadScript = [Script](TObject*, const std::string&, TStrings* Lines, bool& Loaded) {
    Lines->SetText(Script);
    Loaded = true;
  };
  TVarnel V{nullptr};
  std::vector<std::string> VErrors;
  V.OnErrorMessage = [&VErrors](TObject*, const std::string& T) { VErrors.push_back(T); };
  V.SetDBMaster(&MH);
  V.SetDBTarget(&TH);
  V.SetExtractorMaster(&Master);
  V.SetExtractorTarget(&Ex);
  V.SetCompareObjects(Kinds);
  if (!V.ExtractDatabases() || !V.CompareDatabases() || !V.GetSQLExec()) {
    Failure = ::testing::PrintToString(VErrors);
    return std::string();
  }
  TStringList Lines;
  V.GetSQLExec()->GetScript(Lines, false);
  if (!V.GetSQLExec()->HasChanges) return std::string();
  return Lines.GetText();
}

/// The object of List whose bare name is Name, as a T; nullptr when there is none.
template <class T>
T* Named(const TDbObjList& List, const std::string& Name) {
  for (int I = 0; I < List.Count(); ++I)
    if (List[I]->GetObjName() == Name) return dynamic_cast<T*>(List[I]);
  return nullptr;
}

/// A catalog extractor on Database, read as its owner, collecting its errors and log lines.
class TPGExtractTest : public ::testing::Test {
 protected:
  /// Connects the extractor (not yet the connection) to Database.
  void SetUpExtractor(const std::string& Database) {
    Conn = std::make_unique<TServerConnection>(PgServer);
    const std::string Missing = Conn->Configure();
    ASSERT_TRUE(Missing.empty()) << "environment variable " << Missing << " is not set";
    Conn->C->GetConnectionOptions().SetDatabaseName(Database);
    Ex.SetConnection(Conn->C.get());
    Ex.SetDBStructure(&Holder);
    Ex.SetOnErrorMessage([this](TObject*, const std::string& T) { Errors.push_back(T); });
    Ex.SetOnLogNextLine([this](TObject*, const std::string& T) { Log.push_back(T); });
  }

  /// pg_roles.rolsuper of the test user ("True" or "False"); the connection is closed again.
  std::vector<std::string> RolSuper() {
    Conn->C->SetConnected(true);
    const auto R = Conn->Column("select rolsuper from pg_roles where rolname = current_user");
    Conn->C->SetConnected(false);
    return R;
  }

  TObjs& Objs() { return *Holder.GetMetadata(); }
  bool Logged(const std::string& Line) const {
    for (const std::string& L : Log)
      if (L == Line) return true;
    return false;
  }

  std::unique_ptr<TServerConnection> Conn;
  TDBStructure Holder{nullptr};
  TPGDBExtract Ex{nullptr};
  std::vector<std::string> Errors, Log;
};

}  // namespace qel::testing
