// The conversions, domains, types, operators and operator classes of the PostgreSQL catalog
// extractor against the throwaway PostgreSQL 15 server, read as the ordinary owner of a
// database made for these tests. The database holds every kind the ordinary user may make
// (an operator class needs a superuser: it is made when the user is one, and left out
// otherwise), besides the types, operators and operator classes that an extension brings,
// which must not be read. One extraction is recorded into the build folder (the source of
// tests/fixtures/replay/pg_extract_types.replay) and replayed. A database built from a script
// reads from the catalog as that script reads, so that comparing the two writes nothing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Files.h"
#include "ReplayAdapter.h"
#include "db_servers.h"
#include "qelComp_Dmn.h"
#include "qelComp_Prc.h"
#include "qelDBStructure.h"
#include "qelPGDatabaseExtract.h"
#include "qelPGScriptExtract.h"
#include "qelVarnel.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TLines = std::vector<std::string>;

const std::string TestDatabase = "qel_pgx_types";

/// Every kind an ordinary user may make, in two schemas.
const char* const TypesScript = R"SQL(
create schema geo;
create domain posint as integer not null default 1 check (value > 0);
comment on domain posint is 'positive
numbers';
create domain geo.code as varchar(8) check (value ~ '^[A-Z]+$');
create domain price as numeric(10, 2) default 0
  constraint price_max check (value < 1000000) constraint price_min check (value >= 0);
create type geo.point3 as (x double precision, y double precision, z numeric(8, 3),
  label varchar(20));
comment on column geo.point3.label is 'what it is';
comment on type geo.point3 is 'a point in space';
create type mood as enum ('sad', 'ok', 'happy');
create type floatrange as range (subtype = float8, subtype_diff = float8mi);
create conversion latin_conv for 'UTF8' to 'LATIN1' from pg_catalog.utf8_to_iso8859_1;
comment on conversion latin_conv is 'to latin';
create function int_near(integer, integer) returns boolean language sql immutable
  as 'select abs($1 - $2) < 2';
create function int_far(integer, integer) returns boolean language sql immutable
  as 'select abs($1 - $2) >= 2';
create function int_neg(integer) returns integer language sql immutable as 'select - $1';
create operator ~~~ (leftarg = integer, rightarg = integer, procedure = int_near,
  commutator = ~~~, negator = !~~~, restrict = eqsel, join = eqjoinsel, hashes, merges);
create operator !~~~ (leftarg = integer, rightarg = integer, procedure = int_far,
  commutator = !~~~, negator = ~~~);
create operator @-@ (rightarg = integer, procedure = int_neg);
comment on operator ~~~ (integer, integer) is 'near';
create function point3_cmp(geo.point3, geo.point3) returns integer language sql immutable
  as 'select 0';
create table uses_them (id posint, p geo.point3, m mood);
create extension citext;
)SQL";

/// What only a superuser may make.
const char* const OpClassScript = R"SQL(
create operator class geo.int_near_ops for type integer using btree as
  operator 1 <, operator 2 <=, operator 3 =, operator 4 >=, operator 5 >,
  function 1 btint4cmp(integer, integer);
comment on operator class geo.int_near_ops using btree is 'for tests';
)SQL";

std::unique_ptr<TServerConnection> ConnectTo(const std::string& Database, std::string& Failure) {
  auto Conn = std::make_unique<TServerConnection>(PgServer);
  Failure = Conn->Configure();
  if (!Failure.empty()) return Conn;
  if (!Database.empty()) Conn->C->GetConnectionOptions().SetDatabaseName(Database);
  Conn->C->SetConnected(true);
  if (!Conn->C->GetConnected())
    Failure = "Cannot reach the " + Conn->Where() + ": " + Conn->C->GetLastError();
  return Conn;
}

/// Makes Database afresh and runs Script in it, then Super, which needs a superuser and is
/// left out when the test user is none; the reason when that failed.
std::string BuildDatabase(const std::string& Database, const std::string& Script,
                          const std::string& Super = std::string()) {
  std::string Failure;
  auto Admin = ConnectTo("", Failure);
  if (!Failure.empty()) return Failure;
  try {
    Admin->Exec("drop database if exists " + Database);
    Admin->Exec("create database " + Database);
    auto Db = ConnectTo(Database, Failure);
    if (!Failure.empty()) return Failure;
    Db->Exec(Script);
    if (!Super.empty()) Db->ExecIgnoringError(Super);
  } catch (const std::exception& E) {
    return std::string("Cannot build database ") + Database + ": " + E.what();
  }
  return std::string();
}

void DropDatabase(const std::string& Database) {
  std::string Failure;
  auto Admin = ConnectTo("", Failure);
  if (Failure.empty()) Admin->ExecIgnoringError("drop database if exists " + Database);
}

/// The kinds of this step group, one line per object, entry and attribute, in key order.
TLines Describe(TObjs& O) {
  TLines R;
  for (int I = 0; I < O.Conversions.Count(); ++I) {
    auto* C = dynamic_cast<TCnvData*>(O.Conversions[I]);
    R.push_back("conversion " + C->Creator + " <" + C->Description + "> " + C->Def());
  }
  for (int I = 0; I < O.Domains.Count(); ++I) {
    auto* D = dynamic_cast<TDmnData*>(O.Domains[I]);
    R.push_back("domain " + D->GetSchema() + " " + D->Creator + " <" + D->Description + "> " +
                D->Def() + " check <" + D->TypeField->CheckText + ">");
    for (const auto& A : D->PGOptions->Attributes)
      R.push_back("  " + std::to_string(A->Position) + " " + A->GetObjName() + " <" +
                  A->Description + ">");
  }
  for (int I = 0; I < O.Operators.Count(); ++I) {
    auto* P = dynamic_cast<TOprData*>(O.Operators[I]);
    R.push_back("operator " + P->Creator + " <" + P->Description + "> " + P->Def());
  }
  for (int I = 0; I < O.OperatorClasses.Count(); ++I) {
    auto* C = dynamic_cast<TOpcData*>(O.OperatorClasses[I]);
    R.push_back("class " + C->Creator + " <" + C->Description + "> " + C->Def());
  }
  return R;
}

/// The queries of the libpq adapter, each adding the fixture entry of what it read.
std::string* Recording = nullptr;

class TRecordingQuery : public TPGDACQuery {
 public:
  using TPGDACQuery::TPGDACQuery;
  void Open() override {
    TPGDACQuery::Open();
    if (Recording) *Recording += replay::RecordOpenedQuery(*this);
  }
};

class TRecordingConnection : public TPGDACConnection {
 public:
  TRecordingConnection() { SetConnectionType(cnZEOS); }
  TQELQuery* CreateQuery(TComponent* AOwner) override { return new TRecordingQuery(AOwner); }
};

class PGExtractTypesDb : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string Failure = BuildDatabase(TestDatabase, TypesScript, OpClassScript);
    ASSERT_TRUE(Failure.empty()) << Failure;
  }
  static void TearDownTestSuite() { DropDatabase(TestDatabase); }

  void SetUp() override {
    TerminateRunning = false;
    Conn = std::make_unique<TServerConnection>(PgServer);
    const std::string Missing = Conn->Configure();
    ASSERT_TRUE(Missing.empty()) << "environment variable " << Missing << " is not set";
    Conn->C->GetConnectionOptions().SetDatabaseName(TestDatabase);
    Ex.SetConnection(Conn->C.get());
    Ex.SetDBStructure(&Holder);
    Ex.SetOnErrorMessage([this](TObject*, const std::string& T) { Errors.push_back(T); });
    Ex.SetOnLogNextLine([this](TObject*, const std::string& T) { Log.push_back(T); });
  }

  TObjs& Objs() { return *Holder.GetMetadata(); }
  bool Logged(const std::string& Line) const {
    for (const std::string& L : Log)
      if (L == Line) return true;
    return false;
  }
  bool Superuser() {
    Conn->C->SetConnected(true);
    const bool R = Conn->Column("select rolsuper from pg_roles where rolname = current_user") ==
                   TLines{"True"};
    Conn->C->SetConnected(false);
    return R;
  }

  std::unique_ptr<TServerConnection> Conn;
  TDBStructure Holder{nullptr};
  TPGDBExtract Ex{nullptr};
  TLines Errors, Log;
};

TDmnData* DomainNamed(TObjs& O, const std::string& Name) {
  for (int I = 0; I < O.Domains.Count(); ++I)
    if (O.Domains[I]->GetObjName() == Name) return dynamic_cast<TDmnData*>(O.Domains[I]);
  return nullptr;
}

TOprData* OperatorNamed(TObjs& O, const std::string& Name) {
  for (int I = 0; I < O.Operators.Count(); ++I)
    if (O.Operators[I]->GetObjName() == Name) return dynamic_cast<TOprData*>(O.Operators[I]);
  return nullptr;
}

}  // namespace

TEST_F(PGExtractTypesDb, EveryKindIsReadAndWhatExtensionsBringIsNot) {
  const bool Super = Superuser();
  Ex.CompareObjects = TCmpObjSetType{coDomain};
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(Errors.empty());
  for (const char* Line :
       {"Extracting conversions...", "Extracting domains...", "Extracting types...",
        "Extracting operators...", "Extracting operator classes..."})
    EXPECT_TRUE(Logged(Line)) << Line;
  // The enum and the range type cannot be held: said, not failed on. The multirange type that
  // came with the range type is not named on its own.
  EXPECT_TRUE(Logged("Enum type public.mood passed over."));
  EXPECT_TRUE(Logged("Range type public.floatrange passed over."));
  EXPECT_EQ(Ex.GetMsgManager()->GetInfCount(), 2) << ::testing::PrintToString(Log);
  EXPECT_FALSE(Ex.GetMsgManager()->GetIsErr());

  // Each object in detail is pinned by the replay of this database's recording
  // (test_pg_extract_types.cpp); here: what the server gives an ordinary user, and what it
  // must not give.
  EXPECT_EQ(Objs().Domains.Count(), 4);  // three domains and the composite type
  EXPECT_EQ(DomainNamed(Objs(), "citext"), nullptr);
  EXPECT_EQ(DomainNamed(Objs(), "uses_them"), nullptr);  // a table's row type
  EXPECT_EQ(DomainNamed(Objs(), "_point3"), nullptr);    // an array type
  TDmnData* Pos = DomainNamed(Objs(), "posint");
  ASSERT_NE(Pos, nullptr);
  EXPECT_EQ(Pos->Creator, "qel");
  EXPECT_EQ(Pos->Description, "positive\r\nnumbers");
  EXPECT_FALSE(Pos->TypeField->Nullable);
  EXPECT_EQ(Pos->TypeField->DefValue, "1");
  EXPECT_EQ(Pos->TypeField->CheckText, "(VALUE > 0)");
  // The precision and scale are the domain's own.
  TDmnData* Price = DomainNamed(Objs(), "price");
  ASSERT_NE(Price, nullptr);
  EXPECT_EQ(Price->TypeField->Precision, 10);
  EXPECT_EQ(Price->TypeField->Scale, 2);
  EXPECT_EQ(Price->TypeField->CheckText,
            "(VALUE < (1000000)::numeric) CHECK (VALUE >= (0)::numeric)");
  TDmnData* P3 = DomainNamed(Objs(), "point3");
  ASSERT_NE(P3, nullptr);
  EXPECT_EQ(P3->PGOptions->Attributes.Count(), 4);
  ASSERT_EQ(Objs().Conversions.Count(), 1);
  EXPECT_EQ(dynamic_cast<TCnvData*>(Objs().Conversions[0])->FuncName, "utf8_to_iso8859_1");

  // Three operators of our own; citext brings a dozen, none read.
  EXPECT_EQ(Objs().Operators.Count(), 3);
  TOprData* Near = OperatorNamed(Objs(), "~~~");
  ASSERT_NE(Near, nullptr);
  EXPECT_TRUE(Near->Hashes);
  EXPECT_TRUE(Near->Merges);
  EXPECT_EQ(Near->LeftArg, "integer");
  EXPECT_EQ(OperatorNamed(Objs(), "@-@")->LeftArg, "");  // a prefix operator

  // citext's operator classes are the extension's; ours needs a superuser to be made.
  ASSERT_EQ(Objs().OperatorClasses.Count(), Super ? 1 : 0);
  if (Super) {
    auto* Opc = dynamic_cast<TOpcData*>(Objs().OperatorClasses[0]);
    EXPECT_EQ(Opc->OprEntries.Count(), 5);
    EXPECT_EQ(Opc->FncEntries.Count(), 1);
  }
}

TEST_F(PGExtractTypesDb, OnlyTheKindSetsDomainsBringTheseSteps) {
  Ex.CompareObjects = TCmpObjSetType{coTable};
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_FALSE(Logged("Extracting conversions..."));
  EXPECT_EQ(Objs().Domains.Count(), 0);
  EXPECT_EQ(Objs().Operators.Count(), 0);
  EXPECT_EQ(Objs().Conversions.Count(), 0);
  // The table's column still names its domain.
  ASSERT_NE(Objs().GetTable("uses_them"), nullptr);
  EXPECT_EQ(Objs().GetTable("uses_them")->Fields[0]->DomainName, "posint");
}

TEST_F(PGExtractTypesDb, OneExtractionIsRecordedAndReplaysTheSame) {
  std::string Recorded =
      "# Recorded from the PostgreSQL 15 server of the test run: the conversions, domains, "
      "types,\n"
      "# operators and operator classes of the database built from TypesScript and "
      "OpClassScript\n"
      "# of tests/db/test_pg_extract_types_db.cpp, read by TPGDBExtract.\n";
  ASSERT_TRUE(RegisterConnection("pg-types-recorder", new TRecordingConnection()));
  TQELConnection Live{nullptr};
  Live.SetConnectionType(cnZEOS);
  Live.SetDatabaseType(dbPostgreSQL);
  Live.SetConnectionOptions(Conn->C->GetConnectionOptions());
  Ex.SetConnection(&Live);
  Ex.CompareObjects = TCmpObjSetType{coDomain};
  Recording = &Recorded;
  const bool Extracted = Ex.ExtractDatabase();
  Recording = nullptr;
  Ex.SetConnection(nullptr);
  UnRegisterConnection("pg-types-recorder", true);
  ASSERT_TRUE(Extracted) << ::testing::PrintToString(Errors);
  const TLines LiveRead = Describe(Objs());
  WriteStringToFile(std::string(QEL_BUILD_DIR) + "/pg_extract_types_recorded.replay", Recorded);

  auto Fixture = std::make_shared<replay::TReplayFixture>();
  Fixture->LoadFromText(Recorded, "recording");
  TSQLLexRules Rules;
  Rules.DollarQuotes = true;
  Rules.EStrings = true;
  replay::TScopedReplayAdapter Replay("replay-pg-types", cnODAC, Fixture, Rules);
  TQELConnection Played{nullptr};
  Played.SetConnectionType(cnODAC);
  Played.SetDatabaseType(dbPostgreSQL);
  Played.SetConnectionOptions(Conn->C->GetConnectionOptions());
  Ex.SetConnection(&Played);
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  Ex.SetConnection(nullptr);
  EXPECT_EQ(Describe(Objs()), LiveRead);
}

namespace {

/// The kinds of this step group as a script writes them and as the server keeps them: what
/// the catalog gives must read the same as the script the database was built from.
const char* const CompareScript = R"SQL(
create schema geo;
create domain posint as integer not null default 1 check (VALUE > 0);
create domain geo.code as varchar(8);
create domain price as numeric(10, 2) default 0;
create type geo.point3 as (x double precision, y double precision, z numeric(8, 3),
  label varchar(20));
create conversion latin_conv for 'UTF8' to 'LATIN1' from utf8_to_iso8859_1;
create function int_near(integer, integer) returns boolean language sql immutable
  as 'select abs($1 - $2) < 2';
create function int_neg(integer) returns integer language sql immutable as 'select - $1';
create operator ~~~ (leftarg = integer, rightarg = integer, procedure = int_near,
  commutator = ~~~, restrict = eqsel, join = eqjoinsel, hashes, merges);
create operator @-@ (rightarg = integer, procedure = int_neg);
)SQL";

}  // namespace

TEST_F(PGExtractTypesDb, ExtractThenCompareWithTheSameScriptGivesNoStatements) {
  const std::string Database = "qel_pgx_types_compare";
  const std::string Failure = BuildDatabase(Database, CompareScript);
  ASSERT_TRUE(Failure.empty()) << Failure;
  Conn->C->GetConnectionOptions().SetDatabaseName(Database);
  TDBStructure MH{nullptr}, TH{nullptr};
  TPGScriptExtract Master{nullptr};
  Master.SetScriptFileName("master.sql");
  Master.OnLoadScript = [](TObject*, const std::string&, TStrings* Lines, bool& Loaded) {
    Lines->SetText(CompareScript);
    Loaded = true;
  };
  TVarnel V{nullptr};
  TLines VErrors;
  V.OnErrorMessage = [&VErrors](TObject*, const std::string& T) { VErrors.push_back(T); };
  V.SetDBMaster(&MH);
  V.SetDBTarget(&TH);
  V.SetExtractorMaster(&Master);
  V.SetExtractorTarget(&Ex);
  V.SetCompareObjects(TCmpObjSetType{coDomain});
  ASSERT_TRUE(V.ExtractDatabases() && V.CompareDatabases() && V.GetSQLExec())
      << ::testing::PrintToString(VErrors);
  EXPECT_EQ(TH.GetMetadata()->Domains.Count(), 4);
  EXPECT_EQ(TH.GetMetadata()->Operators.Count(), 2);
  EXPECT_EQ(TH.GetMetadata()->Conversions.Count(), 1);
  TStringList Lines;
  V.GetSQLExec()->GetScript(Lines, false);
  EXPECT_FALSE(V.GetSQLExec()->HasChanges)
      << Lines.GetText() << "\nmaster:\n"
      << ::testing::PrintToString(Describe(*MH.GetMetadata())) << "\ntarget:\n"
      << ::testing::PrintToString(Describe(*TH.GetMetadata()));
  DropDatabase(Database);
}
