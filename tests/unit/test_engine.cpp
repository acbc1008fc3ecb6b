// The connection engine without a server: the adapter registry, the missing-adapter message,
// database paths, parameter references, and (through the replay adapter) the set-up
// statements after connecting, the server information texts and the lifetime of connections,
// databases and queries.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "DataSet.h"
#include "ReplayAdapter.h"
#include "Strings.h"
#include "qelDBEngine.h"

using namespace qel;
using namespace qel::replay;

namespace {

std::shared_ptr<TReplayFixture> FixtureFile(const std::string& Name) {
  auto F = std::make_shared<TReplayFixture>();
  F->LoadFromFile(std::string(QEL_FIXTURES_DIR) + "/replay/" + Name);
  return F;
}

std::shared_ptr<TReplayFixture> FixtureText(const std::string& Text) {
  auto F = std::make_shared<TReplayFixture>();
  F->LoadFromText(Text, "inline");
  return F;
}

/// A connection that records what it reports.
struct TWatchedConnection {
  TWatchedConnection() : C(std::make_unique<TQELConnection>(nullptr)) {
    C->OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
    C->OnLogNextLine = [this](TObject*, const std::string& T) { Log.push_back(T); };
    C->OnAfterConnect = [this](TObject*) { Events.push_back("after connect"); };
    C->OnAfterDisconnect = [this](TObject*) { Events.push_back("after disconnect"); };
  }
  TReplayDatabase& Db() { return dynamic_cast<TReplayDatabase&>(*C->GetDatabase()); }
  std::unique_ptr<TQELConnection> C;
  std::vector<std::string> Errors, Log, Events;
};

/// The statements (not the connect and transaction marks) run on a replay database.
std::vector<std::string> Statements(const TReplayDatabase& Db) {
  std::vector<std::string> S;
  for (const std::string& L : Db.Log)
    if (L.empty() || L[0] != '<') S.push_back(L);
  return S;
}

class TTestAdapter : public TQELAbstractConnection {
 public:
  explicit TTestAdapter(TconnectionType T) { SetConnectionType(T); }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Values

TEST(DataSetValues, ConversionsNullAndCheckedDecimals) {
  TParam P("p");
  EXPECT_TRUE(P.IsNull());
  EXPECT_EQ(P.AsInteger(), 0);
  P.SetAsFMTBCD(" -12.50 ");
  EXPECT_EQ(P.AsString(), "-12.50");  // exact text, never through a float
  EXPECT_EQ(P.GetDataType(), ftFMTBcd);
  EXPECT_DOUBLE_EQ(P.AsFloat(), -12.5);
  EXPECT_EQ(P.AsInteger(), -13);  // rounded half away from zero
  EXPECT_THROW(P.SetAsFMTBCD("1; DROP TABLE t"), EDatabaseError);
  EXPECT_EQ(P.AsString(), "-12.50");
  P.SetAsFloat(0.1);
  EXPECT_EQ(P.AsString(), "0.1");
  P.SetAsLargeInt(-9007199254740993LL);
  EXPECT_EQ(P.AsLargeInt(), -9007199254740993LL);
  EXPECT_THROW(P.AsInteger(), EDatabaseError);
  P.SetAsString("abc");
  EXPECT_THROW(P.AsFloat(), EDatabaseError);
  P.SetAsBoolean(true);
  EXPECT_EQ(P.AsString(), "True");
  EXPECT_EQ(P.AsInteger(), 1);
  P.Clear();
  EXPECT_TRUE(P.IsNull());
  EXPECT_EQ(P.GetDataType(), ftBoolean);  // a NULL keeps the type it is sent as
  P.SetAsBlob(std::string("\0\x01\xff", 3));
  EXPECT_EQ(P.AsString().size(), 3u);

  TParams Ps;
  Ps.CreateParam(ftInteger, "Id")->SetAsInteger(7);
  EXPECT_EQ(Ps.ParamByName("ID")->AsInteger(), 7);
  EXPECT_EQ(Ps.FindParam("other"), nullptr);
  EXPECT_THROW(Ps.ParamByName("other"), EDatabaseError);
  TParams Copy;
  Copy.Assign(Ps);
  Ps.Clear();
  EXPECT_EQ(Copy.Items(0)->AsInteger(), 7);
}

// ---------------------------------------------------------------------------------------------
// Registry and the missing adapter

TEST(ConnectionRegistry, RegisterLookupAndUnregister) {
  const int Before = RegisteredConnections().Count();
  auto* B = new TTestAdapter(cnZEOS);
  auto* A = new TTestAdapter(cnZEOS);
  ASSERT_TRUE(RegisterConnection("zeos-b", B));
  ASSERT_TRUE(RegisterConnection("Zeos-A", A));
  // The same name again (in any case) is refused and the first adapter stays.
  auto Dup = std::make_unique<TTestAdapter>(cnZEOS);
  EXPECT_FALSE(RegisterConnection("ZEOS-B", Dup.get()));
  EXPECT_FALSE(RegisterConnection("x", nullptr));
  // Two adapters of one family: the one whose name sorts first serves it.
  EXPECT_EQ(TQELConnection::FindConnection(cnZEOS), A);
  EXPECT_EQ(TQELConnection::FindConnection(cnBDE), nullptr);

  // Unregistering by name without freeing hands the adapter back.
  EXPECT_TRUE(UnRegisterConnection("ZEOS-A", false));
  std::unique_ptr<TQELAbstractConnection> Back(A);
  EXPECT_EQ(TQELConnection::FindConnection(cnZEOS), B);
  EXPECT_FALSE(UnRegisterConnection("zeos-a", true));

  // By type: every entry of the type goes, not only the first.
  ASSERT_TRUE(RegisterConnection("zeos-c", new TTestAdapter(cnZEOS)));
  ASSERT_TRUE(RegisterConnection("bde", new TTestAdapter(cnBDE)));
  EXPECT_TRUE(UnRegisterConnection(cnZEOS, true));
  EXPECT_EQ(TQELConnection::FindConnection(cnZEOS), nullptr);
  EXPECT_FALSE(UnRegisterConnection(cnZEOS, true));
  EXPECT_TRUE(UnRegisterConnection("BDE", true));
  EXPECT_EQ(RegisteredConnections().Count(), Before);
}

TEST(ConnectionRegistry, MissingAdapterNamesTheUnitAndChangesNothing) {
  TWatchedConnection W;
  try {
    W.C->SetConnectionType(cnUIB);
    FAIL() << "no exception";
  } catch (const std::runtime_error& E) {
    EXPECT_EQ(std::string(E.what()),
              "\r\nNot supported connection select.\r\nInclude unit \"qelConnection_UIBDB\" in "
              "Your project (*.dpr).\r\nUses qelConnection_UIBDB;\r\n");
  }
  EXPECT_EQ(W.C->GetConnectionType(), cnAbstract);
  EXPECT_EQ(TQELConnection::UnitName(cnPostgresDAC), "qelConnection_PGDACDB");
  EXPECT_EQ(TQELConnection::UnitName(cnAbstract), "qelConnection_XXXDB");

  // Connecting without an adapter: reported, never a crash, never "connected".
  W.C->SetConnected(true);
  EXPECT_FALSE(W.C->GetConnected());
  ASSERT_EQ(W.Errors.size(), 1u);
  EXPECT_NE(W.Errors[0].find("qelConnection_XXXDB"), std::string::npos);
  EXPECT_EQ(W.C->CreateQuery(nullptr), nullptr);
  EXPECT_FALSE(W.C->InTransaction());
  W.C->Commit();  // no database: nothing happens
  EXPECT_EQ(W.C->TestConnectInfo(), "");
}

TEST(ConnectionRegistry, SupportedSetsAndDesignTime) {
  TQELConnection C(nullptr);
  EXPECT_EQ(C.GetSupportedConnections().Mask(), 0x7DFEu);
  EXPECT_EQ(C.GetSupportedDatabases().Mask(), 0x19FEu);
  TQELCustomConnection Base(nullptr);
  EXPECT_TRUE(Base.GetSupportedConnections().Empty());
  // In the designer the type is only stored: no adapter is needed.
  C.SetDesigning(true);
  C.SetConnectionType(cnODAC);
  EXPECT_EQ(C.GetConnectionType(), cnODAC);
  EXPECT_EQ(C.GetAdapter(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Database paths and parameter references

TEST(ConnectionEngine, InterBaseDatabasePathForms) {
  TQELCustomConnection C(nullptr);
  TConnectionOptions& O = C.GetConnectionOptions();
  O.SetDatabaseName("c:\\db\\a.fdb");
  O.HostName = "srv";
  EXPECT_EQ(C.GetDBConnectionString(), "c:\\db\\a.fdb");  // not InterBase: the name alone
  C.SetDatabaseType(dbInterBase);
  O.Protocol = ptNamedPipe;
  EXPECT_EQ(C.GetDBConnectionString(), "\\\\srv\\c:\\db\\a.fdb");
  O.Protocol = ptTCP;
  O.Port = 3051;
  EXPECT_EQ(C.GetDBConnectionString(), "srv/3051:c:\\db\\a.fdb");
  O.Port = 0;
  O.Protocol = ptLocal;
  EXPECT_EQ(C.GetDBConnectionString(), "srv:c:\\db\\a.fdb");
  O.Protocol = ptSPX;
  EXPECT_EQ(C.GetDBConnectionString(), "srv@c:\\db\\a.fdb");
  O.HostName.clear();
  EXPECT_EQ(C.GetDBConnectionString(), "c:\\db\\a.fdb");
}

TEST(ConnectionEngine, ParamsParseSQLFullRules) {
  TParams P;
  EXPECT_EQ(ParamsParseSQL(&P, "select * from t where a = :a and b = :\"my b\" and c = ':x'", true),
            "select * from t where a = ? and b = ? and c = ':x'");
  ASSERT_EQ(P.Count(), 2);
  EXPECT_EQ(P.Items(0)->Name, "a");
  EXPECT_EQ(P.Items(1)->Name, "my b");
  EXPECT_TRUE(P.Items(0)->IsNull());
  // A time stays, two colons are one colon, a colon before a blank or at the start is text.
  EXPECT_EQ(ParamsParseSQL(&P, "select '1' where t > 10:30 and x = a::b and y = : z", true),
            "select '1' where t > 10:30 and x = a:b and y = : z");
  EXPECT_EQ(P.Count(), 0);
  EXPECT_EQ(ParamsParseSQL(&P, ":a", true), ":a");
  // A number that is all the text before the colon does not protect it.
  EXPECT_EQ(ParamsParseSQL(&P, "12:ab", true), "12?");
  EXPECT_EQ(P.Items(0)->Name, "ab");
  // Names end at the listed terminators; without the create flag Params is left alone.
  EXPECT_EQ(ParamsParseSQL(&P, "x=:p1,:p2)", false), "x=?,?)");
  EXPECT_EQ(P.Count(), 1);
  EXPECT_EQ(ParamsParseSQL(nullptr, "x=:p1", true), "x=?");
}

TEST(ConnectionEngine, ParamsParseSQLSimpleVariantAndSelectTest) {
  TParams P;
  EXPECT_EQ(Params_ParseSQL(&P, "insert into t values (?, :n#1, '?', `:q`)", true),
            "insert into t values (?, ?, '?', `:q`)");
  ASSERT_EQ(P.Count(), 2);
  EXPECT_EQ(P.Items(0)->Name, "");
  EXPECT_EQ(P.Items(1)->Name, "n#1");
  EXPECT_TRUE(IsSelectSQL("  \r\n select 1"));
  EXPECT_TRUE(IsSelectSQL("SELECTX"));
  EXPECT_FALSE(IsSelectSQL("SELEC"));
  EXPECT_FALSE(IsSelectSQL("with a as (select 1) select * from a"));
}

TEST(ConnectionEngine, AdapterParameterScannerFollowsEachLexer) {
  std::vector<std::string> Names;
  auto Mark = [&](const std::string& N) {
    Names.push_back(N);
    return "$" + std::to_string(Names.size());
  };
  TSQLLexRules PG;
  PG.DollarQuotes = true;
  PG.EStrings = true;
  // Casts, dollar bodies, E'' escapes, comments and quoted names are never parameters.
  const std::string Text =
      "select :a::int, x::text, $$ :no $$, $f$ :no $f$, E'it\\'s :no', 'a'':no', "
      "\"col:no\", :b -- :no\n/* :no */ from t where y = :a and a[1:2] = :_c";
  EXPECT_EQ(ReplaceParamRefs(Text, PG, Mark),
            "select $1::int, x::text, $$ :no $$, $f$ :no $f$, E'it\\'s :no', 'a'':no', "
            "\"col:no\", $2 -- :no\n/* :no */ from t where y = $3 and a[1:2] = $4");
  EXPECT_EQ(Names, (std::vector<std::string>{"a", "b", "a", "_c"}));
  // Positional $1 is not a dollar quote.
  Names.clear();
  EXPECT_EQ(ReplaceParamRefs("select $1, :p", PG, Mark), "select $1, $1");

  TSQLLexRules My;
  My.BackslashEscapes = true;
  My.BacktickQuotes = true;
  My.HashComments = true;
  Names.clear();
  EXPECT_EQ(ReplaceParamRefs("select 'a\\':no', `b:no`, :p # :no\n", My, Mark),
            "select 'a\\':no', `b:no`, $1 # :no\n");
}

namespace {

/// An adapter query that writes each value into the text, as the MariaDB adapter does, and
/// keeps what it would have sent.
class TLiteralQuery : public TQELAdapterQuery {
 public:
  TLiteralQuery() : TQELAdapterQuery(nullptr) {}
  std::vector<std::string> Sent;

 protected:
  TSQLLexRules LexRules() const override { return {}; }
  std::string ParamMarker(const TParam& P, int Index, const std::string& Reference) override {
    return Reference + "#" + std::to_string(Index) + "=" + (P.IsNull() ? "NULL" : P.AsString());
  }
  void Execute(const std::string& SQL, const TBoundParams& Params, TQueryResult&) override {
    Sent.push_back(SQL + " |" + std::to_string(Params.Distinct.size()) + "/" +
                   std::to_string(Params.Refs.size()));
  }
};

}  // namespace

TEST(ConnectionEngine, AStatementRunAgainBindsItsNewValues) {
  // Each row: what is done between two runs of one text, and what the second run sends.
  struct TCase {
    const char* Name;
    std::string Text;
    std::function<void(TLiteralQuery&)> Between;
    std::string Second;  // empty: the run fails
  };
  const std::string Text = "update t set a = :a, b = ':b' where k = :K and a <> :A";
  const std::vector<TCase> Cases = {
      {"new values", Text, [](TLiteralQuery& Q) { Q.ParamByName("a")->SetAsString("3"); },
       "update t set a = a#0=3, b = ':b' where k = K#1=2 and a <> A#0=3 |2/3"},
      {"parameters made again", Text,
       [](TLiteralQuery& Q) {
         Q.GetParams()->Clear();
         Q.GetParams()->CreateParam(ftString, "k")->SetAsString("7");
         Q.GetParams()->CreateParam(ftString, "a")->SetAsString("8");
       },
       "update t set a = a#0=8, b = ':b' where k = K#1=7 and a <> A#0=8 |2/3"},
      {"a parameter renamed", Text, [](TLiteralQuery& Q) { Q.ParamByName("k")->Name = "other"; },
       ""},
      {"a text holding the byte the cutting uses", "select '\x01', :a",
       [](TLiteralQuery& Q) { Q.ParamByName("a")->SetAsString("5"); }, "select '\x01', a#0=5 |1/1"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TLiteralQuery Q;
    Q.SetSQLText(C.Text);
    for (int I = 0; I < Q.GetParams()->Count(); ++I) Q.GetParams()->Items(I)->SetAsString("1");
    if (TParam* K = Q.GetParams()->FindParam("k")) K->SetAsString("2");
    Q.ExecSQL();
    C.Between(Q);
    if (C.Second.empty()) {
      EXPECT_THROW(Q.ExecSQL(), EDatabaseError);
      continue;
    }
    Q.ExecSQL();
    ASSERT_EQ(Q.Sent.size(), 2u);
    EXPECT_EQ(Q.Sent[1], C.Second);
  }
}

// ---------------------------------------------------------------------------------------------
// Through the replay adapter

class ReplayEngine : public ::testing::Test {
 protected:
  ReplayEngine() : Adapter("replay-oracle", cnODAC, FixtureFile("connect_info.replay")) {}
  TScopedReplayAdapter Adapter;
};

TEST_F(ReplayEngine, MySQLSetupStatements) {
  TWatchedConnection W;
  W.C->SetConnectionType(cnODAC);
  W.C->SetDatabaseType(dbMySQL);
  W.C->GetMySQLServerOptions().Names = "utf8";
  W.C->SetConnected(true);
  ASSERT_TRUE(W.C->GetConnected());
  // Only SET NAMES when only Names is set.
  EXPECT_EQ(Statements(W.Db()), (std::vector<std::string>{"SET NAMES utf8"}));

  W.C->SetConnected(false);
  W.C->GetMySQLServerOptions().CharSet = "latin1";
  W.C->SetConnected(true);
  EXPECT_EQ(Statements(W.Db()), (std::vector<std::string>{"SET NAMES utf8", "SET NAMES utf8",
                                                          "SET CHARACTER SET latin1"}));
  EXPECT_EQ(W.Events,
            (std::vector<std::string>{"after connect", "after disconnect", "after connect"}));
  EXPECT_TRUE(W.Errors.empty());
}

TEST_F(ReplayEngine, OracleSetupStatement) {
  TWatchedConnection W;
  W.C->SetConnectionType(cnODAC);
  W.C->SetDatabaseType(dbOracle);
  TConnectionOptions& O = W.C->GetConnectionOptions();
  O.UserName = "system";
  O.SetDatabaseName("SHOP");
  O.HostName = "SHOP";  // the name only repeats the host: nothing to switch to
  W.C->SetConnected(true);
  EXPECT_TRUE(Statements(W.Db()).empty());
  W.C->SetConnected(false);
  O.HostName = "orahost";
  W.C->SetConnected(true);
  EXPECT_EQ(Statements(W.Db()),
            (std::vector<std::string>{"ALTER SESSION SET CURRENT_SCHEMA = SHOP"}));
  W.C->SetConnected(false);
  O.UserName = "scott";  // only SYS and SYSTEM are switched
  W.C->SetConnected(true);
  EXPECT_EQ(Statements(W.Db()).size(), 1u);
  // Other dialects run nothing after connecting.
  W.C->SetConnected(false);
  W.C->SetDatabaseType(dbPostgreSQL);
  W.C->GetMySQLServerOptions().Names = "utf8";
  W.C->SetConnected(true);
  EXPECT_EQ(Statements(W.Db()).size(), 1u);
}

TEST_F(ReplayEngine, ServerInformationTexts) {
  TWatchedConnection W;
  W.C->SetConnectionType(cnODAC);
  W.C->SetConnected(true);
  auto Info = [&](TDatabaseType T) {
    W.C->SetDatabaseType(T);
    return W.C->TestConnectInfo();
  };
  EXPECT_EQ(Info(dbMySQL), "MySQL 10.11.6-MariaDB");
  EXPECT_EQ(Info(dbPostgreSQL), "PostgreSQL 15.6 on x86_64-pc-linux-gnu");
  EXPECT_EQ(Info(dbOracle),
            "Oracle Database 10g Release 10.2.0.1.0\r\nPL/SQL Release 10.2.0.1.0\r\n");
  EXPECT_EQ(Info(dbSybaseASA),
            "Adaptive Server Anywhere v.9.0.2.2451\r\niAnywhere Solutions\r\nDatabase "
            "Server\r\nCopyright 2004\r\nnone");
  W.C->GetConnectionOptions().SetDatabaseName("shop");
  EXPECT_EQ(Info(dbMSSQL),
            "Microsoft SQL Server [Developer Edition]  v.9.00.3042.00 (SP2)\r\nDefault "
            "collation: Latin1_General_CI_AS\r\nLanguage: English (United States)\r\nDatabase: "
            "shop\r\nOwner   : sa\r\nSize    : 3.00 MB\r\nCreated : Mar  1 2007\r\nOptions : "
            "Status=ONLINE");
  EXPECT_EQ(Info(dbSybaseASE),
            "Adaptive Server Enterprise/12.5.3\r\n  Database: shop\r\n  Size    : 20.0 MB\r\n  "
            "Owner   : sa\r\n  Created : Jan 02, 2007\r\n  Status  : select into/bulkcopy");
  EXPECT_EQ(Info(dbDB2), "");
  EXPECT_TRUE(W.Errors.empty());

  // InterBase reads nothing: the text comes from the database header values.
  W.C->SetDatabaseType(dbInterBase);
  const size_t Ran = W.Db().Log.size();
  EXPECT_EQ(W.C->TestConnectInfo(), "");  // no server version known
  TIBDatabaseOptions& Db = W.C->GetIBServerOptions().GetIBDatabaseOptions();
  Db.ServerVersionText = "LI-V3.0.11";
  Db.ServerVersionText2 = "Firebird 3.0";
  Db.ODSMajorVersion = 12;
  Db.SQLDialect = 3;
  Db.SweepInterval = 20000;
  Db.PageSize = 1024;
  Db.ForcedWrites = true;
  Db.CachePages = 3;  // 3 KB exactly
  W.C->GetIBServerOptions().SetDBCharSet("utf8");
  EXPECT_EQ(W.C->TestConnectInfo(),
            "LI-V3.0.11 (Firebird 3.0)\r\nDatabase name : shop\r\nCharacter set : "
            "UTF8\r\nODS version   : 12.0\r\nSQL Dialect   : 3\r\nSweep interval: 20000\r\nPage "
            "size     : 1024\r\nRead-only     : False\r\nForced writes : On\r\nBuffers       : 3 "
            "pages (3 Kb)\r\n");
  EXPECT_EQ(W.Db().Log.size(), Ran);
  // Kilobytes round half to even: 2.5 -> 2, 3.5 -> 4.
  Db.PageSize = 512;
  Db.CachePages = 5;
  EXPECT_NE(W.C->TestConnectInfo().find("5 pages (2 Kb)"), std::string::npos);
  Db.CachePages = 7;
  EXPECT_NE(W.C->TestConnectInfo().find("7 pages (4 Kb)"), std::string::npos);
}

TEST(ReplayConnect, FailedConnectIsReportedNeverSuccess) {
  TScopedReplayAdapter A("replay-refuse", cnSAVCL,
                         FixtureText("# Written by hand\nconnect-error\tpassword refused\n"));
  TWatchedConnection W;
  W.C->SetConnectionType(cnSAVCL);
  W.C->SetConnected(true);
  EXPECT_FALSE(W.C->GetConnected());
  EXPECT_EQ(W.Errors, (std::vector<std::string>{"password refused"}));
  EXPECT_EQ(W.C->GetLastError(), "password refused");
  ASSERT_EQ(W.Log.size(), 1u);
  EXPECT_NE(W.Log[0].find("password refused"), std::string::npos);
  EXPECT_EQ(W.Events, (std::vector<std::string>{"after disconnect"}));
}

TEST(ReplayConnect, ConnectionsOfOneAdapterShareNothing) {
  auto Fixture = FixtureText(
      "# Written by hand\nquery\tselect :id\nparam\tid\tftInteger\t1\ncolumn\tv\tftInteger\t0\n"
      "row\t1\nend\nquery\tbad\nerror\tsyntax error at bad\nend\n");
  TScopedReplayAdapter A("replay-two", cnSAVCL, Fixture);
  TWatchedConnection Master, Target;
  Master.C->SetConnectionType(cnSAVCL);
  Target.C->SetConnectionType(cnSAVCL);
  ASSERT_NE(Master.C->GetDatabase(), Target.C->GetDatabase());
  Master.C->SetConnected(true);
  Target.C->SetConnected(true);

  std::unique_ptr<TQELQuery> Q(Master.C->CreateQuery(nullptr));
  Q->GetSQL()->SetText("select :id");
  Q->ParamByName("id")->SetAsInteger(1);
  Q->Open();
  EXPECT_EQ(Q->FieldByName("v")->AsInteger(), 1);
  std::unique_ptr<TQELQuery> Bad(Target.C->CreateQuery(nullptr));
  Bad->GetSQL()->SetText("bad");
  EXPECT_THROW(Bad->ExecSQL(), EDatabaseError);
  Target.C->StartTransaction();
  EXPECT_TRUE(Target.C->InTransaction());
  EXPECT_FALSE(Master.C->InTransaction());
  EXPECT_EQ(Statements(Master.Db()), (std::vector<std::string>{"select :id"}));
  EXPECT_EQ(Statements(Target.Db()), (std::vector<std::string>{"bad"}));

  // The adapter's back reference follows the caller and is cleared when it goes away.
  EXPECT_EQ(A.Adapter()->GetConnection(), Target.C.get());
  Target.C.reset();
  EXPECT_EQ(A.Adapter()->GetConnection(), nullptr);
  EXPECT_TRUE(Master.C->GetConnected());
  Q->Close();
  Q->Open();  // the master still works
  EXPECT_EQ(Q->FieldByName("v")->AsInteger(), 1);
}

TEST(ReplayConnect, QueriesAndAdaptersOutlivedSafely) {
  auto Fixture = FixtureText(
      "# Written by hand\nquery\tselect 1\ncolumn\tv\tftInteger\t0\n"
      "row\t1\nend\n");
  auto Scoped = std::make_unique<TScopedReplayAdapter>("replay-life", cnSAVCL, Fixture);
  auto C = std::make_unique<TQELConnection>(nullptr);
  C->SetConnectionType(cnSAVCL);
  C->SetConnected(true);
  std::unique_ptr<TQELQuery> Q(C->CreateQuery(nullptr));
  std::unique_ptr<TQELQuery> Owned(C->CreateQuery(C.get()));
  (void)Owned.release();  // the connection frees it
  EXPECT_EQ(Q->GetConnection(), C.get());

  // The adapter goes first: the connection keeps its database and forgets the adapter.
  Scoped.reset();
  EXPECT_EQ(C->GetAdapter(), nullptr);
  EXPECT_TRUE(C->GetConnected());
  EXPECT_EQ(C->CreateQuery(nullptr), nullptr);
  Q->GetSQL()->SetText("select 1");
  Q->Open();
  EXPECT_EQ(Q->RecordCount(), 1);

  // Then the connection: the query forgets it and fails cleanly.
  C.reset();
  EXPECT_EQ(Q->GetConnection(), nullptr);
  EXPECT_EQ(Q->GetDatabase(), nullptr);
  EXPECT_EQ(Q->RecordCount(), 1);  // rows already read stay readable
  EXPECT_THROW(Q->ExecSQL(), EDatabaseError);
}

TEST(ReplayConnect, QueryParamsFollowTheTextAndNavigation) {
  auto Fixture = FixtureText(
      "# Written by hand\nquery\tselect a from t where a > :lo and b = :Lo or c = :hi\n"
      "param\tlo\tftInteger\t1\nparam\thi\tftString\t\\N\n"
      "column\ta\tftInteger\t0\nrow\t2\nrow\t\\N\nrow\t4\nend\n"
      "query\tselect a from t where a > :lo\nend\n");
  TScopedReplayAdapter A("replay-params", cnSAVCL, Fixture);
  TQELConnection C(nullptr);
  C.SetConnectionType(cnSAVCL);
  C.SetConnected(true);
  std::unique_ptr<TQELQuery> Q(C.CreateQuery(nullptr));
  Q->GetSQL()->SetText("select a from t where a > :lo");
  Q->ParamByName("lo")->SetAsInteger(1);
  // Changing the text keeps the values of the parameters that stay; names ignore case.
  Q->GetSQL()->SetText("select a from t where a > :lo and b = :Lo or c = :hi");
  ASSERT_EQ(Q->GetParams()->Count(), 2);
  EXPECT_EQ(Q->ParamByName("lo")->AsInteger(), 1);
  Q->ParamByName("hi")->SetDataType(ftString);
  Q->Open();
  EXPECT_TRUE(Q->GetQueryActive());
  std::vector<std::string> Seen;
  for (; !Q->GetEof(); Q->Next())
    Seen.push_back(Q->FieldByName("A")->IsNull() ? "NULL" : Q->FieldByName("a")->AsString());
  EXPECT_EQ(Seen, (std::vector<std::string>{"2", "NULL", "4"}));
  Q->Last();
  EXPECT_EQ(Q->GetFields()->Fields(0)->AsInteger(), 4);
  EXPECT_THROW(Q->FieldByName("zz"), EDatabaseError);
  Q->Close();
  EXPECT_TRUE(Q->GetEof());

  // With checking off the text goes untouched and the parameters are not read from it.
  Q->SetParamCheck(false);
  Q->GetParams()->Clear();
  Q->GetSQL()->SetText("select a from t where a > :lo");
  EXPECT_EQ(Q->GetParams()->Count(), 0);
  Q->ExecSQL();
  // A statement the fixture does not hold fails the test that runs it.
  EXPECT_NONFATAL_FAILURE(
      {
        Q->GetSQL()->SetText("select 2");
        EXPECT_THROW(Q->ExecSQL(), EDatabaseError);
      },
      "no answer for");
}

TEST(ReplayConnect, AssignCopiesTypeDialectAndOptions) {
  TScopedReplayAdapter A("replay-assign", cnSAVCL,
                         FixtureText("# Recorded from nowhere, for the header rule\n"));
  TQELConnection S(nullptr), D(nullptr);
  S.SetConnectionType(cnSAVCL);
  S.SetDatabaseType(dbMySQL);
  S.GetConnectionOptions().UserName = "u";
  S.GetMySQLServerOptions().Names = "utf8";
  S.GetIBServerOptions().SetSQLDialect(1);
  D.Assign(S);
  EXPECT_EQ(D.GetConnectionType(), cnSAVCL);
  EXPECT_NE(D.GetDatabase(), nullptr);
  EXPECT_NE(D.GetDatabase(), S.GetDatabase());
  EXPECT_EQ(D.GetDatabaseType(), dbMySQL);
  EXPECT_EQ(D.GetConnectionOptions().UserName, "u");
  EXPECT_EQ(D.GetMySQLServerOptions().Names, "utf8");
  EXPECT_EQ(D.GetIBServerOptions().GetSQLDialect(), 1);
  TQELCustomConnection Plain(nullptr);
  std::string Said;
  Plain.OnErrorMessage = [&](TObject*, const std::string& T) { Said = T; };
  EXPECT_FALSE(Plain.CreateDatabase());  // the base cannot create databases
  EXPECT_EQ(Said, "CREATE DATABASE not implemented (TQELCustomConnection).");
}

TEST(ReplayFixtureFiles, HeaderMustSayWhereTheAnswersComeFrom) {
  EXPECT_NONFATAL_FAILURE(FixtureText("query\tselect 1\nend\n"), "written by hand or recorded");
  bool Null = false;
  EXPECT_EQ(UnescapeValue(EscapeValue(std::string("a\tb\\c\r\n\x01\x7f", 9)), Null),
            std::string("a\tb\\c\r\n\x01\x7f", 9));
  EXPECT_FALSE(Null);
  UnescapeValue("\\N", Null);
  EXPECT_TRUE(Null);
}
