// The PostgreSQL catalog extractor against the throwaway PostgreSQL server, connected as the
// ordinary (non-superuser) owner of a database made for these tests: a database built from a
// script is read back, a run is cancelled between steps, a refused login is reported with the
// server's reason, a database compared with the script it was built from needs no statement,
// and one extraction is recorded and replayed (the recording, written to the build folder, is
// the one tests/fixtures/replay/pg_extract.replay was taken from). The server is found through
// QEL_PG_* (scripts/dbservers.sh env).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Files.h"
#include "pg_extract_util.h"
#include "qelComp_Viw.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TLines = std::vector<std::string>;

/// The database the tests build; the test user may create it (CREATEDB) and owns it.
const std::string TestDatabase = "qel_pgx_extract";

/// The schema the extraction test reads back: two schemas, every column form the extractor
/// maps, a dropped column, descriptions over several lines, a view, keys of every kind,
/// indexes of several forms (some that are passed over) and a partitioned table.
const char* const SchemaScript = R"SQL(
create schema sales;
create domain posint as integer check (value > 0);
create sequence small_seq;
create table customer (
  id serial primary key,
  big_id bigserial,
  small_id smallint default nextval('small_seq'::regclass),
  name varchar(40) not null,
  code char(3),
  note text default '',
  amount numeric(12, 2) default 0,
  ratio double precision,
  r4 real,
  active boolean not null default true,
  born date,
  created timestamp with time zone default now(),
  at_time time,
  period interval,
  flags bit varying(8),
  tags text[],
  grid integer[][],
  qty posint,
  blob bytea,
  gone integer,
  last_one integer
);
alter table customer drop column gone;
comment on table customer is 'people
who buy';
comment on column customer.name is 'full name';
alter table customer add constraint customer_code_name unique (code, name);
create table sales.orders (
  id integer not null primary key,
  customer_id integer references customer (id) on delete set null on update cascade,
  placed timestamp without time zone,
  qty integer constraint qty_positive check (qty > 0),
  cust_code char(3),
  cust_name varchar(40),
  constraint orders_customer_code foreign key (cust_code, cust_name)
    references customer (code, name) on delete cascade,
  check (placed is not null or qty is null)
);
alter table customer add unique (born);
create unique index customer_name_upper on customer (name, code desc);
create index customer_note_hash on customer using hash (note);
create index customer_wide on customer (id, big_id, small_id, name, code, note, amount, ratio,
  r4, active, born, created, at_time, period, flags, qty, last_one);
create index customer_lower_name on customer (lower(name));
create index customer_active on customer (born) where active;
create index orders_placed on sales.orders (placed) include (qty);
create table sales.events (id integer, at date, primary key (id, at)) partition by range (at);
create index events_at on sales.events (at);
create view customer_names as select id, name from customer;
)SQL";

/// Table forms that a catalog read and a script read must agree on: every column type the
/// extractor maps, serial columns, arrays, domains, defaults as the server writes them back,
/// two schemas, quoted names, a view, keys of every kind named and unnamed (a foreign key with
/// actions, one on two columns, one into another schema), checks written as the server keeps
/// them, and unique, multi-column, descending and hash indexes.
const char* const CompareScript = R"SQL(
create schema stock;
create table customer (
  id serial primary key,
  name varchar(40) not null,
  code char(3) unique,
  note text default '',
  amount numeric(12, 2) default 0,
  ratio double precision,
  r4 real,
  active boolean not null default true,
  born date,
  created timestamp with time zone default now(),
  at_time time,
  stamp timestamp,
  period interval,
  flags bit varying(8),
  tags text[],
  counts integer[],
  blob bytea,
  big bigint,
  small smallint check (small >= 0),
  constraint customer_name_code unique (name, code)
);
create table stock.item (
  id bigserial primary key,
  "Label" varchar(20),
  price numeric(8, 3) not null,
  qty integer default 1,
  customer_id integer,
  constraint item_qty_range check ((qty >= 0) AND (qty <= 1000)),
  constraint item_customer foreign key (customer_id) references customer (id)
    on delete set null on update cascade
);
create table "Mixed Case" (
  "Id" integer not null,
  "Some Text" text
);
create table orders (
  id integer not null,
  cust_name varchar(40),
  cust_code char(3),
  primary key (id),
  foreign key (cust_name, cust_code) references customer (name, code) on delete cascade
);
alter table "Mixed Case" add constraint "Mixed Key" primary key ("Id");
create unique index item_label on stock.item ("Label");
create index customer_born_name on customer (born desc, name);
create index customer_note_hash on customer using hash (note);
create index orders_names on orders (cust_code, cust_name desc);
create view customer_names as select id, name from customer;
)SQL";

/// Everything the extractor reads of a collection, one line per object and column, in key
/// order: two reads of the same schema give the same lines.
TLines Describe(TObjs& O) {
  TLines R;
  auto Columns = [&R](const TObjVector<TFldData>& Fields) {
    for (const auto& F : Fields) {
      std::string Bounds;
      for (const TArrayBound& B : F->Extra().ArrayBounds)
        Bounds.append("[")
            .append(std::to_string(B.Lower))
            .append(":")
            .append(std::to_string(B.Upper))
            .append("]");
      R.push_back("  " + std::to_string(F->Position) + " " + F->GetObjName() + " " +
                  FieldTypeName(F->FieldType) + "/" + F->Extra().DomainName + Bounds + " size " +
                  std::to_string(F->Size) + " " + std::to_string(F->Precision) + "," +
                  std::to_string(F->Scale) + (F->Nullable ? " null" : " not null") + " default <" +
                  F->DefValue + "> descr <" + F->Extra().Description + ">");
    }
  };
  for (int I = 0; I < O.Schemas.Count(); ++I) {
    auto* S = dynamic_cast<TSchData*>(O.Schemas[I]);
    R.push_back("schema " + S->GetObjName() + " owner " + S->SchemaOwner + " descr <" +
                S->Extra().Description + ">");
  }
  for (int I = 0; I < O.Tables.Count(); ++I) {
    auto* T = dynamic_cast<TTblData*>(O.Tables[I]);
    R.push_back("table " + T->GetSchema() + "." + T->GetObjName() + " owner " + T->Extra().Creator +
                " oids " + (T->WithOids ? "yes" : "no") + " descr <" + T->Extra().Description +
                ">");
    Columns(T->Fields);
  }
  for (int I = 0; I < O.Views.Count(); ++I) {
    auto* V = dynamic_cast<TViwData*>(O.Views[I]);
    R.push_back("view " + V->GetSchema() + "." + V->GetObjName() + " owner " + V->Extra().Creator +
                " body <" + V->Extra().Body + ">");
    Columns(V->Fields);
  }
  for (int I = 0; I < O.Indexes.Count(); ++I)
    R.push_back("index " + O.Indexes[I]->GetSchema() + " " + O.Indexes[I]->Def());
  for (int I = 0; I < O.Constraints.Count(); ++I)
    R.push_back("constraint " + O.Constraints[I]->GetSchema() + " <" +
                O.Constraints[I]->Extra().AltName + "> " + O.Constraints[I]->Def());
  return R;
}

class PGExtractDb : public TPGExtractTest {
 protected:
  static void SetUpTestSuite() {
    const std::string Failure = BuildDatabase(TestDatabase, SchemaScript);
    ASSERT_TRUE(Failure.empty()) << Failure;
  }
  static void TearDownTestSuite() { DropDatabase(TestDatabase); }

  void SetUp() override {
    TerminateRunning = false;
    SetUpExtractor(TestDatabase);
    Ex.SetOnLogNextLine([this](TObject*, const std::string& T) {
      Log.push_back(T);
      if (T == CancelOn) TerminateRunning = true;
    });
    Ex.SetOnProgressUpdate([this](TObject*, int Value, int Max) {
      Progress.push_back(Value);
      EXPECT_EQ(Max, 16);
    });
  }
  void TearDown() override { TerminateRunning = false; }

  std::vector<int> Progress;
  std::string CancelOn;
};

TFldData* Column(TTblData* Tbl, const std::string& Name) {
  return Tbl ? Tbl->Fields.Find(Name) : nullptr;
}

}  // namespace

TEST_F(PGExtractDb, ReadsTheDatabaseBuiltFromAScriptAsAnOrdinaryUser) {
  // The test reads as the database's owner, who is no superuser: every catalog it needs must
  // be readable without that.
  ASSERT_EQ(RolSuper(), TLines{"False"});

  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(Errors.empty()) << ::testing::PrintToString(Errors);
  EXPECT_FALSE(Ex.GetMsgManager()->GetIsErr());
  EXPECT_FALSE(Conn->C->GetConnected());
  EXPECT_EQ(Progress, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 16}));
  for (const char* Line : {"Extracting tables...", "Extracting views...", "Parsing bodys...",
                           "Linking dependencies..."})
    EXPECT_TRUE(Logged(Line)) << Line;
  EXPECT_TRUE(Logged("---customer"));

  // PostgreSQL 15 has none of reltriggers, relhasoids and adsrc; owners come from pg_roles.
  const TPGCatalogInfo& Info = Ex.GetCatalogInfo();
  EXPECT_FALSE(Info.Has(pgcRelTriggers));
  EXPECT_FALSE(Info.Has(pgcRelHasOids));
  EXPECT_FALSE(Info.Has(pgcAdSrc));
  EXPECT_TRUE(Info.OwnerFromAuthId);
  EXPECT_TRUE(Info.HasProArgModes);
  EXPECT_NE(Info.ClassOid, 0u);

  EXPECT_EQ(Objs().ExtractFrom, efDatabase);
  EXPECT_EQ(Objs().GetDatabaseType(), dbPostgreSQL);
  EXPECT_EQ(Objs().ConnectionOptions.GetDatabaseName(), TestDatabase);
  ASSERT_NE(Objs().GetSchema("public"), nullptr);
  ASSERT_NE(Objs().GetSchema("sales"), nullptr);
  EXPECT_EQ(Objs().GetSchema("sales")->SchemaOwner, "qel");
  EXPECT_EQ(Objs().GetSchema("pg_catalog"), nullptr);
  EXPECT_EQ(Objs().GetSchema("information_schema"), nullptr);
  EXPECT_EQ(Objs().Schemas.Count(), 2);

  TTblData* Cust = Objs().GetTable("customer");
  ASSERT_NE(Cust, nullptr);
  EXPECT_EQ(Cust->GetSchema(), "public");
  EXPECT_EQ(Cust->Extra().Creator, "qel");
  EXPECT_EQ(Cust->Extra().Description, "people\r\nwho buy");
  EXPECT_FALSE(Cust->WithOids);
  TLines Names;
  for (const auto& F : Cust->Fields) Names.push_back(F->GetObjName());
  EXPECT_EQ(Names, (TLines{"id",    "big_id", "small_id", "name", "code",    "note",    "amount",
                           "ratio", "r4",     "active",   "born", "created", "at_time", "period",
                           "flags", "tags",   "grid",     "qty",  "blob",    "last_one"}));
  for (int I = 0; I < Cust->Fields.Count(); ++I) {
    EXPECT_EQ(Cust->Fields[I]->Position, I + 1);
    EXPECT_EQ(Cust->Fields[I]->OwnerObj, Cust);
    EXPECT_EQ(Cust->Fields[I]->TableName, "customer");
  }

  TFldData* F = Column(Cust, "id");
  ASSERT_NE(F, nullptr);
  EXPECT_EQ(F->FieldType, iftSerial);
  EXPECT_EQ(F->DefValue, "");
  EXPECT_FALSE(F->Nullable);
  EXPECT_EQ(Column(Cust, "big_id")->FieldType, iftBigSerial);
  // A sequence default on a smallint is no serial column: the default stays.
  EXPECT_EQ(Column(Cust, "small_id")->FieldType, iftSmallInt);
  EXPECT_EQ(Column(Cust, "small_id")->DefValue, "nextval('small_seq'::regclass)");
  F = Column(Cust, "name");
  EXPECT_EQ(F->FieldType, iftVarchar);
  EXPECT_EQ(F->Size, 40);
  EXPECT_FALSE(F->Nullable);
  EXPECT_EQ(F->Extra().Description, "full name");
  EXPECT_EQ(Column(Cust, "code")->FieldType, iftChar);
  EXPECT_EQ(Column(Cust, "code")->Size, 3);
  EXPECT_EQ(Column(Cust, "note")->FieldType, iftText);
  EXPECT_EQ(Column(Cust, "note")->DefValue, "''");
  F = Column(Cust, "amount");
  EXPECT_EQ(F->FieldType, iftNumeric);
  EXPECT_EQ(F->Precision, 12);
  EXPECT_EQ(F->Scale, 2);
  EXPECT_EQ(F->DefValue, "0");
  EXPECT_EQ(Column(Cust, "ratio")->FieldType, iftDoublePrecision);
  EXPECT_EQ(Column(Cust, "r4")->FieldType, iftReal);
  EXPECT_EQ(Column(Cust, "active")->FieldType, iftBoolean);
  EXPECT_EQ(Column(Cust, "active")->DefValue, "true");
  EXPECT_EQ(Column(Cust, "born")->FieldType, iftDate);
  EXPECT_EQ(Column(Cust, "created")->FieldType, iftTimeStampTZ);
  EXPECT_EQ(Column(Cust, "created")->DefValue, "current_timestamp");
  EXPECT_EQ(Column(Cust, "at_time")->FieldType, iftTime);
  EXPECT_EQ(Column(Cust, "period")->FieldType, iftInterval);
  EXPECT_EQ(Column(Cust, "flags")->FieldType, iftVarBit);
  EXPECT_EQ(Column(Cust, "flags")->Size, 8);
  F = Column(Cust, "tags");
  EXPECT_EQ(F->FieldType, iftText);
  EXPECT_EQ(F->Extra().ArrayBounds, (std::vector<TArrayBound>{{1, 0}}));
  // The catalog keeps one array type whatever the dimensions written.
  EXPECT_EQ(Column(Cust, "grid")->FieldType, iftInteger);
  EXPECT_EQ(Column(Cust, "grid")->Extra().ArrayBounds.size(), 1u);
  F = Column(Cust, "qty");
  EXPECT_EQ(F->FieldType, iftDomain);
  EXPECT_EQ(F->Extra().DomainName, "posint");
  EXPECT_EQ(Column(Cust, "blob")->FieldType, iftByteA);

  TTblData* Orders = Objs().GetTable("orders");
  ASSERT_NE(Orders, nullptr);
  EXPECT_EQ(Orders->GetSchema(), "sales");
  EXPECT_EQ(Column(Orders, "placed")->FieldType, iftTimeStamp);
  EXPECT_FALSE(Column(Orders, "id")->Nullable);
  EXPECT_EQ(Objs().Tables.Count(), 2);

  TViwData* V = Objs().GetView("customer_names");
  ASSERT_NE(V, nullptr);
  EXPECT_EQ(V->Extra().Creator, "qel");
  EXPECT_FALSE(V->Extra().Body.empty());
  EXPECT_NE(V->Extra().Body.back(), ';');
  EXPECT_NE(V->Extra().Body.find("\n   FROM customer"), std::string::npos) << V->Extra().Body;
  ASSERT_EQ(V->Fields.Count(), 2);
  EXPECT_EQ(V->Fields[0]->GetObjName(), "id");
  EXPECT_EQ(V->Fields[1]->FieldType, iftVarchar);
  EXPECT_EQ(V->Fields[1]->OwnerObj, V);
}

TEST_F(PGExtractDb, ACancelBetweenStepsFailsWithAMessageAndClosesTheConnection) {
  // The host cancels while the tables are being read: the step ends after the table in hand
  // and the views are never read.
  CancelOn = "Extracting tables...";
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_FALSE(Conn->C->GetConnected());
  ASSERT_EQ(Errors.size(), 1u) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Errors[0], "TPGDBExtract.ExtractDatabase(): Extraction cancelled.");
  EXPECT_TRUE(Ex.GetMsgManager()->GetIsErr());
  EXPECT_TRUE(Ex.GetCancelled());
  EXPECT_TRUE(Logged("Extracting tables..."));
  EXPECT_FALSE(Logged("Extracting views..."));
  EXPECT_FALSE(Logged("Parsing bodys..."));
  EXPECT_EQ(Objs().Tables.Count(), 1);
  EXPECT_EQ(Objs().Views.Count(), 0);
  EXPECT_EQ(Progress, (std::vector<int>{0, 1, 2, 3, 16}));

  // A run that is not cancelled reads everything again.
  TerminateRunning = false;
  CancelOn.clear();
  Errors.clear();
  Log.clear();
  EXPECT_TRUE(Ex.ExtractDatabase());
  EXPECT_FALSE(Ex.GetCancelled());
  EXPECT_EQ(Objs().Tables.Count(), 2);
  EXPECT_EQ(Objs().Views.Count(), 1);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(PGExtractDb, ARefusedLoginIsAFailureWithTheServersReason) {
  Conn->C->GetConnectionOptions().Password = "not the password";
  // The extractor reports the failure; the connection's own report goes to its handler.
  Conn->C->OnErrorMessage = [](TObject*, const std::string&) {};
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_FALSE(Conn->C->GetConnected());
  ASSERT_EQ(Errors.size(), 1u) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Errors[0].rfind(
                "TPGDBExtract.ExtractDatabase(): Cannot connect to " + TestDatabase + ": ", 0),
            0u)
      << Errors[0];
  EXPECT_NE(Errors[0].find("password authentication failed"), std::string::npos) << Errors[0];
  EXPECT_EQ(Objs().Tables.Count(), 0);
  EXPECT_FALSE(Logged("Extracting tables..."));
}

/// The kinds the update script brings a database to its script for: tables, keys and indexes.
const TCmpObjSetType UpdateKinds{coTable, coIndex, coPrimaryKey, coUnique, coForeignKey, coCheck};

TEST_F(PGExtractDb, ExtractThenCompareWithTheSameScriptGivesNoStatements) {
  // Tables with their columns, keys and indexes. (Views are read too, but the server keeps a
  // view's query in a text of its own making, so a script's view never reads back the same.)
  const std::string Database = "qel_pgx_compare";
  const std::string Failure = BuildDatabase(Database, CompareScript);
  ASSERT_TRUE(Failure.empty()) << Failure;
  TDBStructure MH{nullptr}, TH{nullptr};
  std::string Why;
  const std::string Script =
      UpdateScript(Ex, *Conn, Database, CompareScript, UpdateKinds, MH, TH, Why);
  ASSERT_TRUE(Why.empty()) << Why;
  EXPECT_EQ(TH.GetMetadata()->Tables.Count(), 4);
  EXPECT_EQ(TH.GetMetadata()->Indexes.Count(), 4);
  EXPECT_EQ(TH.GetMetadata()->Constraints.Count(), 10);
  EXPECT_EQ(Script, "") << "master:\n"
                        << ::testing::PrintToString(Describe(*MH.GetMetadata())) << "\ntarget:\n"
                        << ::testing::PrintToString(Describe(*TH.GetMetadata()));
  DropDatabase(Database);
}

TEST_F(PGExtractDb, KeysAndIndexesReadFromTheCatalogAreUpdatedToTheScript) {
  // The database differs from the script in every way a key or an index can: keys missing,
  // keys too many (with names the server made up), keys on other columns, other actions,
  // another condition, an index not unique, one on other columns and one too many. The update
  // script runs on the server, and the database then reads back like the script.
  const char* const Before = R"SQL(
create schema stock;
create table customer (
  id serial primary key,
  name varchar(40) not null,
  code char(3),
  note text default '',
  amount numeric(12, 2) default 0,
  ratio double precision,
  r4 real,
  active boolean not null default true,
  born date unique,
  created timestamp with time zone default now(),
  at_time time,
  stamp timestamp,
  period interval,
  flags bit varying(8),
  tags text[],
  counts integer[],
  blob bytea,
  big bigint,
  small smallint check (small >= 1),
  constraint customer_name_code unique (code, name)
);
create table stock.item (
  id bigserial,
  "Label" varchar(20),
  price numeric(8, 3) not null,
  qty integer default 1,
  customer_id integer,
  constraint item_qty_range check ((qty >= 0) AND (qty <= 10)),
  constraint item_customer foreign key (customer_id) references customer (id)
);
create table "Mixed Case" (
  "Id" integer not null,
  "Some Text" text
);
alter table customer add unique (name);
create table orders (
  id integer not null,
  cust_name varchar(40),
  cust_code char(3),
  primary key (id),
  foreign key (cust_name) references customer (name)
);
create index item_label on stock.item ("Label");
create index customer_born_name on customer (born, name);
create index customer_note_hash on customer (note);
create index orders_names on orders (cust_code, cust_name desc);
create index orders_extra on orders (cust_name);
)SQL";
  const std::string Database = "qel_pgx_update";
  const std::string Failure = BuildDatabase(Database, Before);
  ASSERT_TRUE(Failure.empty()) << Failure;
  std::string Why;
  std::string Script;
  {
    TDBStructure MH{nullptr}, TH{nullptr};
    Script = UpdateScript(Ex, *Conn, Database, CompareScript, UpdateKinds, MH, TH, Why);
    ASSERT_TRUE(Why.empty()) << Why;
    ASSERT_FALSE(Script.empty());
  }
  for (const char* Expected :
       {"DROP INDEX stock.item_label", "DROP INDEX public.orders_extra", "USING hash",
        "DROP CONSTRAINT customer_born_key", "DROP CONSTRAINT customer_small_check",
        "ON UPDATE CASCADE ON DELETE SET NULL", "ADD CONSTRAINT \"Mixed Key\" PRIMARY KEY"})
    EXPECT_NE(Script.find(Expected), std::string::npos) << Expected << " in\n" << Script;
  const std::string Ran = RunScript(Database, Script);
  ASSERT_TRUE(Ran.empty()) << "The update script did not run: " << Ran << "\n" << Script;
  TDBStructure MH{nullptr}, TH{nullptr};
  const std::string Again =
      UpdateScript(Ex, *Conn, Database, CompareScript, UpdateKinds, MH, TH, Why);
  ASSERT_TRUE(Why.empty()) << Why;
  EXPECT_EQ(Again, "") << "after:\n"
                       << Script << "\ntarget:\n"
                       << ::testing::PrintToString(Describe(*TH.GetMetadata()));
  DropDatabase(Database);
}

TEST_F(PGExtractDb, OneExtractionIsRecordedAndReplaysTheSame) {
  std::string Recorded =
      "# Recorded from the PostgreSQL 15 server of the test run: one extraction of the database\n"
      "# built from SchemaScript of tests/db/test_pg_extract_db.cpp, read by TPGDBExtract as the\n"
      "# ordinary user that owns it.\n";
  const bool Extracted = ExtractRecorded(Ex, Conn->C->GetConnectionOptions(), Recorded);
  ASSERT_TRUE(Extracted) << ::testing::PrintToString(Errors);
  const TLines LiveRead = Describe(Objs());
  WriteStringToFile(std::string(QEL_BUILD_DIR) + "/pg_extract_recorded.replay", Recorded);

  ASSERT_TRUE(ExtractReplayed(Ex, Conn->C->GetConnectionOptions(), Recorded))
      << ::testing::PrintToString(Errors);
  EXPECT_EQ(Describe(Objs()), LiveRead);
}
