// The catalog extraction driver and the PostgreSQL catalog extractor without a server: the
// replay adapter answers with one extraction recorded from PostgreSQL 15 (pg_extract.replay)
// and with a hand-written older server (pg_extract_old_server.replay). What the driver does on
// each path (the settings checks, the step order, progress, failures, cancelling, closing the
// connection) and how catalog rows become objects are pinned here.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Files.h"
#include "ReplayAdapter.h"
#include "qelDBStructure.h"
#include "qelPGDatabaseExtract.h"
#include "qelPGScriptExtract.h"
#include "qelVarnel.h"

using namespace qel;
using namespace qel::replay;

namespace {

using TLines = std::vector<std::string>;

std::string FixtureText(const std::string& Name) {
  std::string Text;
  EXPECT_TRUE(ReadFileToString(std::string(QEL_FIXTURES_DIR) + "/replay/" + Name, Text)) << Name;
  return Text;
}

/// The fixture text with the answer to the query whose text holds Marker replaced by a server
/// error.
std::string WithError(const std::string& Text, const std::string& Marker,
                      const std::string& Message) {
  const std::size_t At = Text.find(Marker);
  EXPECT_NE(At, std::string::npos) << Marker;
  if (At == std::string::npos) return Text;
  const std::size_t Head = Text.find('\n', At) + 1;  // the answer starts on the next line
  const std::size_t End = Text.find("\nend\n", Head);
  return Text.substr(0, Head) + "error\t" + Message + Text.substr(End);
}

/// An extractor over a replayed server, with everything it reports collected.
class PGExtractReplay : public ::testing::Test {
 protected:
  void SetUp() override { TerminateRunning = false; }
  void TearDown() override { TerminateRunning = false; }

  /// Registers the replay adapter over Text and links the extractor to a fresh connection.
  void Serve(const std::string& Text) {
    Ex.SetConnection(nullptr);
    C.reset();
    Adapter.reset();
    auto Fixture = std::make_shared<TReplayFixture>();
    Fixture->LoadFromText(Text, "fixture");
    TSQLLexRules Rules;
    Rules.DollarQuotes = true;
    Rules.EStrings = true;
    Adapter =
        std::make_unique<TScopedReplayAdapter>("replay-pg-extract", cnPostgresDAC, Fixture, Rules);
    C = std::make_unique<TQELConnection>(nullptr);
    C->SetConnectionType(cnPostgresDAC);
    C->SetDatabaseType(dbPostgreSQL);
    C->OnErrorMessage = [this](TObject*, const std::string& T) { ConnErrors.push_back(T); };
    TConnectionOptions& O = C->GetConnectionOptions();
    O.HostName = "127.0.0.1";
    O.Port = 5432;
    O.UserName = "qel";
    O.Password = "qel";
    O.SetDatabaseName("qel_pgx_extract");
    Link();
  }
  void Link() {
    Ex.SetConnection(C.get());
    Ex.SetDBStructure(&Holder);
    Ex.SetOnErrorMessage([this](TObject*, const std::string& T) { Errors.push_back(T); });
    Ex.SetOnLogNextLine([this](TObject*, const std::string& T) {
      Log.push_back(T);
      if (T == CancelOn) TerminateRunning = true;
    });
    Ex.SetOnProgressUpdate([this](TObject*, int Value, int Max) {
      Progress.push_back(Value);
      EXPECT_EQ(Max, 16);
    });
  }

  TReplayDatabase& Db() { return dynamic_cast<TReplayDatabase&>(*C->GetDatabase()); }
  /// The statements sent, each by its first line.
  TLines Sent() {
    TLines R;
    for (const std::string& L : Db().Log) R.push_back(L.substr(0, L.find("\r\n")));
    return R;
  }
  bool Logged(const std::string& Line) const {
    for (const std::string& L : Log)
      if (L == Line) return true;
    return false;
  }
  TObjs& Objs() { return *Holder.GetMetadata(); }

  std::unique_ptr<TScopedReplayAdapter> Adapter;
  std::unique_ptr<TQELConnection> C;
  TDBStructure Holder{nullptr};
  TPGDBExtract Ex{nullptr};
  TLines Errors, Log, ConnErrors;
  std::vector<int> Progress;
  std::string CancelOn;
};

const std::string ProbeLine = "select cast(1 as integer) as typ, c.oid";
const std::string SchemaLine = "select ns.nspname, ns, ns.nspowner, d.description";
const std::string TablesLine =
    " SELECT n.nspname AS schemaname, c.relname AS tablename, pg_get_userbyid(c.relowner) AS "
    "tableowner,";
const std::string ViewsLine = " SELECT n.nspname AS schemaname, c.relname AS tablename,";
const std::string ColumnsLine =
    "select a.attrelid, a.attname AS column_name, a.atttypid, a.atttypmod,";

}  // namespace

TEST_F(PGExtractReplay, ARecordedExtractionReadsSchemasTablesColumnsAndViews) {
  Serve(FixtureText("pg_extract.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(Errors.empty());
  EXPECT_FALSE(Ex.GetMsgManager()->GetIsErr());

  // The database is opened anew and closed again; the steps go in their fixed order, the
  // columns of all tables (and of all views) read with one query.
  EXPECT_EQ(Sent(), (TLines{"<connect>", ProbeLine, SchemaLine, TablesLine, ColumnsLine, ViewsLine,
                            ColumnsLine, "<disconnect>"}));
  EXPECT_FALSE(C->GetConnected());
  EXPECT_EQ(Progress, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 16}));
  EXPECT_EQ(Log, (TLines{"---public", "---sales", "Extracting tables...", "---customer",
                         "---orders", "Extracting views...", "---customer_names",
                         "Parsing bodys...", "Linking dependencies..."}));

  // The collection remembers where it was read from.
  EXPECT_EQ(Objs().ExtractFrom, efDatabase);
  EXPECT_EQ(Objs().GetDatabaseType(), dbPostgreSQL);
  EXPECT_EQ(Objs().ConnectionOptions.HostName, "127.0.0.1");
  EXPECT_EQ(Objs().ConnectionOptions.UserName, "qel");
  EXPECT_EQ(Ex.GetCatalogInfo().ClassOid, 1259u);
  EXPECT_EQ(Ex.GetCatalogInfo().NamespaceOid, 2615u);
  EXPECT_TRUE(Ex.GetCatalogInfo().OwnerFromAuthId);
  EXPECT_FALSE(Ex.GetCatalogInfo().OwnerFromShadow);

  TSchData* Public = Objs().GetSchema("public");
  ASSERT_NE(Public, nullptr);
  EXPECT_EQ(Public->SchemaOwner, "pg_database_owner");
  EXPECT_EQ(Public->Description, "standard public schema");

  TTblData* Cust = Objs().GetTable("customer");
  ASSERT_NE(Cust, nullptr);
  EXPECT_EQ(Cust->Description, "people\r\nwho buy");
  EXPECT_EQ(Cust->Creator, "qel");
  ASSERT_EQ(Cust->Fields.Count(), 20);
  const TFldData* Id = Cust->Fields[0];
  EXPECT_EQ(Id->FieldType, iftSerial);
  EXPECT_TRUE(Id->DefValue.empty());
  EXPECT_FALSE(Id->Nullable);
  EXPECT_EQ(Cust->Fields[1]->FieldType, iftBigSerial);
  EXPECT_EQ(Cust->Fields[2]->FieldType, iftSmallInt);  // a sequence default, still no serial
  const TFldData* Note = Cust->Fields.Find("note");
  EXPECT_EQ(Note->DefValue, "''");  // the catalog's ''::text, as a script writes it
  EXPECT_EQ(Cust->Fields.Find("created")->DefValue, "current_timestamp");
  EXPECT_EQ(Cust->Fields.Find("amount")->Precision, 12);
  EXPECT_EQ(Cust->Fields.Find("ratio")->Precision, 0);  // precision only for numeric types
  EXPECT_EQ(Cust->Fields.Find("qty")->DomainName, "posint");
  // The dropped column left no gap: the column after it follows directly.
  EXPECT_EQ(Cust->Fields[19]->GetObjName(), "last_one");
  EXPECT_EQ(Cust->Fields[19]->Position, 20);

  TViwData* View = Objs().GetView("customer_names");
  ASSERT_NE(View, nullptr);
  EXPECT_EQ(View->Body, "SELECT customer.id,\r\n    customer.name\r\n   FROM customer");
  ASSERT_EQ(View->Fields.Count(), 2);
  EXPECT_EQ(View->Fields[1]->Size, 40);
}

TEST_F(PGExtractReplay, WithoutFullLogOnlyTheStepTitlesAreLogged) {
  Serve(FixtureText("pg_extract.replay"));
  Ex.ShowFullLog = false;
  ASSERT_TRUE(Ex.ExtractDatabase());
  EXPECT_EQ(Log, (TLines{"Extracting tables...", "Extracting views...", "Parsing bodys...",
                         "Linking dependencies..."}));
}

TEST_F(PGExtractReplay, AnOpenConnectionIsOpenedAnewAndClosedAfterwards) {
  Serve(FixtureText("pg_extract.replay"));
  C->SetConnected(true);
  ASSERT_TRUE(Ex.ExtractDatabase());
  EXPECT_FALSE(C->GetConnected());
  EXPECT_EQ(Sent().front(), "<connect>");
  EXPECT_EQ(Sent()[1], "<disconnect>");
  EXPECT_EQ(Sent()[2], "<connect>");
}

TEST_F(PGExtractReplay, AFailedCatalogQueryNamesTheStepAndKeepsWhatWasRead) {
  // The views cannot be read.
  Serve(WithError(FixtureText("pg_extract.replay"), "pg_catalog.pg_get_viewdef(c.oid)",
                  "ERROR:  permission denied for table pg_class"));
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_EQ(Errors.size(), 1u) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Errors[0], "TPGDBExtract.ExtractViw(): ERROR:  permission denied for table pg_class");
  EXPECT_TRUE(Ex.GetMsgManager()->GetIsErr());
  EXPECT_FALSE(C->GetConnected());
  EXPECT_EQ(Sent().back(), "<disconnect>");
  // The tables read before stay; nothing after the failing query was read or run.
  EXPECT_EQ(Objs().Tables.Count(), 2);
  EXPECT_EQ(Objs().Views.Count(), 0);
  EXPECT_FALSE(Logged("Parsing bodys..."));
  EXPECT_EQ(Progress.back(), 3);
}

TEST_F(PGExtractReplay, ColumnsThatCannotBeReadKeepTheirTablesOut) {
  Serve(WithError(FixtureText("pg_extract.replay"), ColumnsLine,
                  "ERROR:  function information_schema._pg_char_max_length(oid, integer) does "
                  "not exist"));
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].rfind("TPGDBExtract.ExtractTbl(): ERROR:  function", 0), 0u) << Errors[0];
  // A table without its columns would read as a table that has none.
  EXPECT_EQ(Objs().Tables.Count(), 0);
  EXPECT_FALSE(C->GetConnected());
}

TEST_F(PGExtractReplay, AFailedProbeNamesTheHeaderStep) {
  Serve(WithError(FixtureText("pg_extract.replay"), ProbeLine,
                  "ERROR:  relation \"pg_catalog.pg_class\" does not exist"));
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].rfind("TPGDBExtract.ExtractHeader(): ERROR:", 0), 0u) << Errors[0];
  EXPECT_FALSE(C->GetConnected());
}

TEST_F(PGExtractReplay, ARefusedLoginFailsWithTheServersReasonAndEmptiesTheHolder) {
  Serve(FixtureText("pg_extract.replay") +
        "connect-error\tFATAL:  password authentication failed for user \"qel\"\n");
  // Whatever an earlier read left is gone: the holder is emptied before connecting.
  auto* Old = new TTblData(&Objs());
  Old->SetObjName("left_over");
  ASSERT_TRUE(Objs().AddObj(Old));
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0],
            "TPGDBExtract.ExtractDatabase(): Cannot connect to qel_pgx_extract: FATAL:  password "
            "authentication failed for user \"qel\"");
  EXPECT_FALSE(C->GetConnected());
  EXPECT_EQ(Objs().Tables.Count(), 0);
  EXPECT_EQ(Progress, (std::vector<int>{0}));
}

TEST_F(PGExtractReplay, ACancelledRunFailsAndReadsNothingAfterTheCurrentStep) {
  Serve(FixtureText("pg_extract.replay"));
  CancelOn = "---customer";  // while the first table is read
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_TRUE(Ex.GetCancelled());
  EXPECT_EQ(Errors, (TLines{"TPGDBExtract.ExtractDatabase(): Extraction cancelled."}));
  EXPECT_EQ(Sent(),
            (TLines{"<connect>", ProbeLine, SchemaLine, TablesLine, ColumnsLine, "<disconnect>"}));
  EXPECT_EQ(Objs().Tables.Count(), 1);
  EXPECT_EQ(Progress, (std::vector<int>{0, 1, 2, 3, 16}));
  EXPECT_FALSE(Logged("Parsing bodys..."));
}

TEST_F(PGExtractReplay, TheComparerWritesNoScriptFromACancelledExtraction) {
  // The master script has a table the target lacks; a script from the half-read target would
  // create it, and drop what the cancel kept from being read.
  Serve(FixtureText("pg_extract.replay"));
  TDBStructure Master{nullptr};
  TPGScriptExtract Script{nullptr};
  Script.SetScriptFileName("master.sql");
  Script.OnLoadScript = [](TObject*, const std::string&, TStrings* Lines, bool& Loaded) {
    Lines->SetText("create table extra (id integer);");
    Loaded = true;
  };
  TVarnel V{nullptr};
  TLines VErrors;
  V.OnErrorMessage = [&VErrors](TObject*, const std::string& T) { VErrors.push_back(T); };
  V.SetDBMaster(&Master);
  V.SetDBTarget(&Holder);
  V.SetExtractorMaster(&Script);
  V.SetExtractorTarget(&Ex);
  CancelOn = "Extracting tables...";
  EXPECT_FALSE(V.ExtractDatabases());
  EXPECT_FALSE(V.CompareDatabases());
  const TCustomSQLExec* E = V.GetSQLExec();
  EXPECT_TRUE(!E || E->GetStatementsCount() == 0);
  EXPECT_TRUE(V.MsgManager.GetIsErr());
  EXPECT_FALSE(C->GetConnected());
}

TEST_F(PGExtractReplay, ACancelBeforeTheCallStillReadsTheHeaderGroupOnly) {
  Serve(FixtureText("pg_extract.replay"));
  TerminateRunning = true;
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(Sent(), (TLines{"<connect>", ProbeLine, SchemaLine, "<disconnect>"}));
  EXPECT_EQ(Progress, (std::vector<int>{0, 1, 16}));
  EXPECT_EQ(Objs().Schemas.Count(), 2);
  EXPECT_EQ(Errors.size(), 1u);
}

TEST_F(PGExtractReplay, TheKindSetGatesTheStepsButNotTheSchemasOrTheBodyParsing) {
  Serve(FixtureText("pg_extract.replay"));
  Ex.CompareObjects = TCmpObjSetType{};
  ASSERT_TRUE(Ex.ExtractDatabase());
  EXPECT_EQ(Sent(), (TLines{"<connect>", ProbeLine, SchemaLine, "<disconnect>"}));
  EXPECT_EQ(Objs().Schemas.Count(), 2);
  EXPECT_TRUE(Logged("Parsing bodys..."));
  EXPECT_TRUE(Logged("Linking dependencies..."));
}

TEST_F(PGExtractReplay, AnOlderServerGetsTheQueriesItsCatalogAnswers) {
  // reltriggers, relhasoids and adsrc are named as such; owners come from pg_user.
  Serve(FixtureText("pg_extract_old_server.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  const TPGCatalogInfo& Info = Ex.GetCatalogInfo();
  EXPECT_TRUE(Info.Has(pgcRelTriggers));
  EXPECT_TRUE(Info.Has(pgcRelHasOids));
  EXPECT_TRUE(Info.Has(pgcAdSrc));
  EXPECT_FALSE(Info.OwnerFromAuthId);
  EXPECT_TRUE(Info.OwnerFromShadow);
  EXPECT_FALSE(Info.HasProArgModes);
  EXPECT_EQ(Objs().GetSchema("public")->SchemaOwner, "postgres");
  TTblData* Legacy = Objs().GetTable("legacy");
  ASSERT_NE(Legacy, nullptr);
  EXPECT_TRUE(Legacy->WithOids);
  // Its owner has no row in the user catalog: the owner name stays empty.
  EXPECT_EQ(Legacy->Creator, "");
  EXPECT_EQ(Legacy->Description, "an old table");
  ASSERT_EQ(Legacy->Fields.Count(), 2);
  EXPECT_EQ(Legacy->Fields[0]->FieldType, iftSerial);
  EXPECT_EQ(Legacy->Fields[1]->DefValue, "'none'::character varying");
  EXPECT_EQ(Legacy->Fields[1]->Description, "some text");
  // The column of a relation the table query did not return went nowhere.
  EXPECT_EQ(Objs().GetTableField("legacy", "stray"), nullptr);
  EXPECT_EQ(Objs().Views.Count(), 0);
}

TEST_F(PGExtractReplay, AProbeReadsAgainFromScratch) {
  // A second run on another server forgets what the first found about owners and columns.
  Serve(FixtureText("pg_extract_old_server.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase());
  Serve(FixtureText("pg_extract.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_FALSE(Ex.GetCatalogInfo().Has(pgcAdSrc));
  EXPECT_FALSE(Ex.GetCatalogInfo().OwnerFromShadow);
  EXPECT_TRUE(Ex.GetCatalogInfo().OwnerFromAuthId);
  EXPECT_EQ(Objs().GetTable("legacy"), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Settings

TEST(PGExtractSettings, EachMissingSettingIsReportedAndNothingIsTouched) {
  TDBStructure Holder{nullptr};
  TPGDBExtract Ex{nullptr};
  TLines Errors;
  Ex.SetOnErrorMessage([&Errors](TObject*, const std::string& T) { Errors.push_back(T); });
  Ex.SetDBStructure(&Holder);
  auto* Kept = new TTblData(Holder.GetMetadata());
  Kept->SetObjName("kept");
  ASSERT_TRUE(Holder.GetMetadata()->AddObj(Kept));

  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(Errors, (TLines{"TPGDBExtract.ExtractDatabase(): Connection property not assigned."}));
  EXPECT_EQ(Ex.GetMsgManager()->GetMsgCount(), 1);
  EXPECT_NE(Holder.GetMetadata()->GetTable("kept"), nullptr);

  // The connection checks come before the holder check. (A bare connection component: it
  // takes any type and never connects.)
  TQELCustomConnection C{nullptr};
  Ex.SetConnection(&C);
  Ex.SetDBStructure(nullptr);
  Errors.clear();
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(
      Errors,
      (TLines{"TPGDBExtract.ExtractDatabase(): ConnectionType in Connection not specified."}));

  C.SetConnectionType(cnPostgresDAC);
  Errors.clear();
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(Errors, (TLines{"TPGDBExtract.ExtractDatabase(): DBStructure not assigned."}));
  // Each run's message list holds that run's messages only.
  EXPECT_EQ(Ex.GetMsgManager()->GetMsgCount(), 1);

  // A connection that does not open without saying why is still a failure.
  Ex.SetDBStructure(&Holder);
  C.GetConnectionOptions().SetDatabaseName("db");
  Errors.clear();
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(Errors, (TLines{"TPGDBExtract.ExtractDatabase(): Cannot connect to db: the connection "
                            "gave no reason."}));
}

TEST(PGExtractSettings, TheConnectionLinkGoesWhenTheConnectionGoes) {
  TPGDBExtract Ex{nullptr};
  {
    TQELConnection C{nullptr};
    Ex.SetConnection(&C);
    EXPECT_EQ(Ex.GetQELConnection(), &C);
  }
  EXPECT_EQ(Ex.GetQELConnection(), nullptr);
  TLines Errors;
  Ex.SetOnErrorMessage([&Errors](TObject*, const std::string& T) { Errors.push_back(T); });
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(Errors, (TLines{"TPGDBExtract.ExtractDatabase(): Connection property not assigned."}));
}

// ---------------------------------------------------------------------------------------------
// Column types

TEST(PGColumnType, NamesMapToTypesWithTheirSizes) {
  struct TCase {
    const char* Name;
    TDBFieldType Type;
  };
  const TCase Cases[] = {
      {"bigint", iftBigInt},
      {"int8", iftBigInt},
      {"character", iftChar},
      {"bpchar", iftChar},
      {"integer", iftInteger},
      {"int4", iftInteger},
      {"smallint", iftSmallInt},
      {"real", iftReal},
      {"float4", iftReal},
      {"double precision", iftDoublePrecision},
      {"float8", iftDoublePrecision},
      {"numeric", iftNumeric},
      {"time without time zone", iftTime},
      {"time with time zone", iftTimeTZ},
      {"timestamp without time zone", iftTimeStamp},
      {"timestamp with time zone", iftTimeStampTZ},
      {"timestamptz", iftTimeStampTZ},
      {"interval", iftInterval},
      {"character varying", iftVarchar},
      {"bit varying", iftVarBit},
      {"varbit", iftVarBit},
      {"text", iftText},
      {"bytea", iftByteA},
      {"boolean", iftBoolean},
      {"oid", iftOID},
      {"money", iftMoney},
  };
  for (const TCase& K : Cases) {
    TFldData F(nullptr);
    TPGDBExtract::ColumnType(F, K.Name, 7, 9, 3);
    EXPECT_EQ(F.FieldType, K.Type) << K.Name;
    EXPECT_TRUE(F.DomainName.empty()) << K.Name;
    const bool Sized = K.Type == iftChar || K.Type == iftVarchar || K.Type == iftVarBit;
    EXPECT_EQ(F.Size, Sized ? 7 : 0) << K.Name;
    const bool Numeric = K.Type == iftNumeric;
    EXPECT_EQ(F.Precision, Numeric ? 9 : 0) << K.Name;
    EXPECT_EQ(F.Scale, Numeric ? 3 : 0) << K.Name;
  }
  // Names are case-sensitive: the catalog spells every built-in type in lower case.
  TFldData F(nullptr);
  TPGDBExtract::ColumnType(F, "Integer", 0, 0, 0);
  EXPECT_EQ(F.FieldType, iftDomain);
  EXPECT_EQ(F.DomainName, "Integer");
}

TEST(PGColumnType, ArraysAndUserTypes) {
  TFldData F(nullptr);
  TPGDBExtract::ColumnType(F, "integer[]", 0, 0, 0);
  EXPECT_EQ(F.FieldType, iftInteger);
  EXPECT_EQ(F.ArrayBounds, (std::vector<TArrayBound>{{1, 0}}));
  TPGDBExtract::ColumnType(F, "text[][]", 0, 0, 0);
  EXPECT_EQ(F.FieldType, iftText);
  EXPECT_EQ(F.ArrayBounds, (std::vector<TArrayBound>{{1, 0}, {1, 0}}));
  // A second call starts the dimensions afresh.
  TPGDBExtract::ColumnType(F, "text", 0, 0, 0);
  EXPECT_TRUE(F.ArrayBounds.empty());

  TPGDBExtract::ColumnType(F, "\"MyType\"", 0, 0, 0);
  EXPECT_EQ(F.FieldType, iftDomain);
  EXPECT_EQ(F.DomainName, "MyType");
  TPGDBExtract::ColumnType(F, "posint[]", 0, 0, 0);
  EXPECT_EQ(F.DomainName, "posint");
  EXPECT_EQ(F.ArrayBounds.size(), 1u);
  TPGDBExtract::ColumnType(F, "\"", 0, 0, 0);  // a lone quote is a name, not a quoted one
  EXPECT_EQ(F.DomainName, "\"");
}

TEST(PGColumnType, SerialColumnsComeFromSequenceDefaults) {
  struct TCase {
    TDBFieldType Type;
    const char* Default;
    TDBFieldType Becomes;
    const char* Keeps;
  };
  const TCase Cases[] = {
      {iftInteger, "nextval('t_id_seq'::regclass)", iftSerial, ""},
      {iftBigInt, "NEXTVAL('t_id_seq')", iftBigSerial, ""},
      {iftInteger, "NextVal('s')", iftSerial, ""},
      {iftSmallInt, "nextval('s')", iftSmallInt, "nextval('s')"},
      {iftInteger, "0", iftInteger, "0"},
      {iftInteger, "", iftInteger, ""},
      {iftNumeric, "nextval('s')", iftNumeric, "nextval('s')"},
  };
  for (const TCase& K : Cases) {
    TFldData F(nullptr);
    F.FieldType = K.Type;
    F.DefValue = K.Default;
    TPGDBExtract::CheckSerial(F);
    EXPECT_EQ(F.FieldType, K.Becomes) << K.Default;
    EXPECT_EQ(F.DefValue, K.Keeps) << K.Default;
  }
}

TEST(PGExtractText, DescriptionsAreKeptWithCrLfLineBreaks) {
  EXPECT_EQ(CrLfLineBreaks("a\nb\r\nc\rd\r\n\ne"), "a\r\nb\r\nc\r\nd\r\n\r\ne");
  EXPECT_EQ(CrLfLineBreaks(""), "");
  EXPECT_EQ(CrLfLineBreaks("\r"), "\r\n");
}
