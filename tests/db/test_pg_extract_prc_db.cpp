// Functions, procedures and triggers of the PostgreSQL catalog extractor against the throwaway
// PostgreSQL 15 server, read as the ordinary owner of a database made for these tests; with
// them the table forms the object model cannot hold (partitions, identity and generated
// columns), which are named and passed over. One extraction is recorded into the build folder
// (tests/fixtures/replay/pg_extract_prc_db.replay was taken from it), and a database is brought
// to a script's functions and triggers by the update script the comparer writes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Files.h"
#include "pg_extract_util.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TLines = std::vector<std::string>;

const std::string TestDatabase = "qel_pgx_prc";

/// Routines of every form the catalog holds, triggers of every form, an extension's functions,
/// a partitioned table with a partition, and identity and generated columns.
const char* const RoutineScript = R"SQL(
create schema sales;
create extension citext;
create table customer (
  id integer primary key,
  name varchar(40),
  created timestamp with time zone
);
create table sales.orders (id integer primary key, customer_id integer references customer (id));
create view customer_names as select id, name from customer;
create table counted (
  id integer generated always as identity primary key,
  a integer,
  b integer generated always as (a * 2) stored
);
create table sales.events (id integer, at date, primary key (id, at)) partition by range (at);
create table sales.events_2020 partition of sales.events
  for values from ('2020-01-01') to ('2021-01-01');
create function sales.add_tax(amount numeric, rate numeric) returns numeric
  language sql immutable strict as $$ select amount * (1 + rate) $$;
create function split_name(in full_name text, out first_name text, inout "last name" text)
  language plpgsql stable as $$
begin
  first_name := full_name;
end
$$;
create function orders_of(cust integer) returns table (id integer, tags text[])
  language sql as $$ select id, null::text[] from sales.orders where customer_id = cust $$;
create function touch_customer() returns trigger language plpgsql as $$
begin
  new.created := now();
  return new;
end
$$;
create procedure archive(days integer) language plpgsql as $$ begin null; end $$;
create aggregate total_text(text) (sfunc = textcat, stype = text);
create function answer() returns integer language sql return 42;
create function var_sum(variadic v integer[]) returns integer language sql as $$ select 1 $$;
create trigger customer_touch before insert or update on customer
  for each row execute function touch_customer();
create trigger orders_audit after delete on sales.orders
  for each statement execute procedure touch_customer();
create trigger customer_renamed before update on customer
  for each row when (old.name is distinct from new.name) execute function touch_customer();
create trigger customer_cols after update of name on customer
  for each row execute function touch_customer();
create trigger customer_trunc after truncate on customer
  for each statement execute function touch_customer();
create constraint trigger customer_late after insert on customer
  deferrable initially deferred for each row execute function touch_customer();
create trigger names_insert instead of insert on customer_names
  for each row execute function touch_customer();
create trigger events_insert after insert on sales.events
  for each row execute function touch_customer();
comment on function sales.add_tax(numeric, numeric) is 'price
with tax';
comment on trigger orders_audit on sales.orders is 'logs deletions';
)SQL";

/// Functions and triggers that a script read and a catalog read must agree on. (The server
/// writes a trigger's call as "EXECUTE FUNCTION f()"; the script does the same, since the two
/// bodies are compared as text.)
const char* const CompareScript = R"SQL(
create table customer (
  id integer primary key,
  name varchar(40),
  created timestamp with time zone
);
create function add_tax(amount numeric, rate numeric) returns numeric
  language sql immutable strict as $$ select amount * (1 + rate) $$;
create function split_name(in full_name text, out first_name text, inout last_name text)
  language plpgsql stable as $$
begin
  first_name := full_name;
end
$$;
create function touch_customer() returns trigger language plpgsql as $$
begin
  new.created := now();
  return new;
end
$$;
create trigger customer_touch before insert or update on customer
  for each row EXECUTE FUNCTION touch_customer();
create trigger customer_gone after delete on customer
  for each statement EXECUTE FUNCTION touch_customer();
comment on function add_tax(numeric, numeric) is 'price with tax';
comment on trigger customer_touch on customer is 'keeps the time';
)SQL";

/// One line per routine and trigger with what the extractor read of it.
TLines Describe(TObjs& O) {
  TLines R;
  for (int I = 0; I < O.Procedures.Count(); ++I) {
    auto* P = dynamic_cast<TPrcData*>(O.Procedures[I]);
    std::string Line = "routine " + P->ObjKeyDef() + " <" + P->Extra().Description + ">" +
                       (P->IsFunction ? " function" : " procedure") + " " + P->Language + " " +
                       P->Volatility + (P->NullOnNullInput ? " strict" : "") +
                       (P->ReturnsSetOf ? " setof" : "") + " owner " + P->Extra().Creator + " (";
    for (const auto& F : P->Params)
      Line += F->GetObjName() + ":" + std::to_string(F->InOut) + ":" + F->FieldTypeDef() + " ";
    Line += ")";
    for (const auto& F : P->Results) Line += " -> " + F->FieldTypeDef();
    R.push_back(Line + " body <" + P->Extra().Body + ">");
  }
  for (int I = 0; I < O.Triggers.Count(); ++I) {
    auto* T = dynamic_cast<TTrgData*>(O.Triggers[I]);
    R.push_back("trigger " + T->GetSchema() + "." + T->OwnName + "." + T->GetObjName() + " <" +
                T->Extra().Description + "> " + std::to_string(T->Timing) +
                (T->ForEachRow ? " row" : "") + (T->ForEachStatement ? " statement" : "") +
                " text <" + T->Extra().FullText + ">");
  }
  for (int I = 0; I < O.Tables.Count(); ++I) R.push_back("table " + O.Tables[I]->GetObjName());
  return R;
}

class PGExtractPrcDb : public TPGExtractTest {
 protected:
  static void SetUpTestSuite() {
    const std::string Failure = BuildDatabase(TestDatabase, RoutineScript);
    ASSERT_TRUE(Failure.empty()) << Failure;
  }
  static void TearDownTestSuite() { DropDatabase(TestDatabase); }

  void SetUp() override { SetUpExtractor(TestDatabase); }

  TPrcData* Routine(const std::string& Name) { return Named<TPrcData>(Objs().Procedures, Name); }
  TTrgData* Trigger(const std::string& Name) { return Named<TTrgData>(Objs().Triggers, Name); }
};

/// The kinds the update script brings a database to its script for.
const TCmpObjSetType UpdateKinds{coTable, coPrimaryKey, coProcedure, coTrigger};

}  // namespace

TEST_F(PGExtractPrcDb, AnOrdinaryUserReadsRoutinesAndTriggersAsTheServerKeepsThem) {
  // What each object reads as is pinned on the recording of this database (the replay test);
  // here: the live server, read without superuser rights, gives no error, and what only the
  // server decides holds (probin is null for a function that is not in C; the trigger text
  // is the server's, read again by the parser).
  ASSERT_EQ(RolSuper(), TLines{"False"});
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(Errors.empty()) << ::testing::PrintToString(Errors);
  EXPECT_FALSE(Ex.GetMsgManager()->GetIsErr());
  EXPECT_EQ(Objs().Procedures.Count(), 5) << ::testing::PrintToString(Describe(Objs()));
  EXPECT_EQ(Objs().Triggers.Count(), 4) << ::testing::PrintToString(Describe(Objs()));

  TPrcData* Tax = Routine("add_tax");
  ASSERT_NE(Tax, nullptr);
  EXPECT_EQ(Tax->Extra().Body, " select amount * (1 + rate) ");
  EXPECT_EQ(Tax->ObjFile, "");
  EXPECT_EQ(Tax->Extra().Creator, "qel");
  EXPECT_EQ(Tax->Extra().Description, "price\r\nwith tax");
  EXPECT_EQ(Routine("citextin"), nullptr);

  TTrgData* Touch = Trigger("customer_touch");
  ASSERT_NE(Touch, nullptr);
  EXPECT_NE(Touch->Extra().FullText.find("EXECUTE FUNCTION touch_customer()"), std::string::npos)
      << Touch->Extra().FullText;
  bool Uses = false;
  for (const auto& D : Touch->UseOf) Uses = Uses || D->DepObj == Routine("touch_customer");
  EXPECT_TRUE(Uses);
  EXPECT_EQ(Trigger("orders_audit")->Extra().Description, "logs deletions");

  EXPECT_EQ(Objs().GetTable("events_2020"), nullptr);
  TTblData* Counted = Objs().GetTable("counted");
  ASSERT_NE(Counted, nullptr);
  ASSERT_EQ(Counted->Fields.Count(), 3);
  EXPECT_EQ(Counted->Fields[2]->DefValue, "");
  EXPECT_TRUE(
      Logged("Trigger events_insert of events_2020 passed over: its table is a partition."));
}

TEST_F(PGExtractPrcDb, OneExtractionIsRecordedAndReplaysTheSame) {
  std::string Recorded =
      "# Recorded from the PostgreSQL 15 server of the test run: one extraction of the database\n"
      "# built from RoutineScript of tests/db/test_pg_extract_prc_db.cpp, read by TPGDBExtract\n"
      "# as the ordinary user that owns it.\n";
  const bool Extracted = ExtractRecorded(Ex, Conn->C->GetConnectionOptions(), Recorded);
  ASSERT_TRUE(Extracted) << ::testing::PrintToString(Errors);
  const TLines LiveRead = Describe(Objs());
  WriteStringToFile(std::string(QEL_BUILD_DIR) + "/pg_extract_prc_recorded.replay", Recorded);

  ASSERT_TRUE(ExtractReplayed(Ex, Conn->C->GetConnectionOptions(), Recorded))
      << ::testing::PrintToString(Errors);
  EXPECT_EQ(Describe(Objs()), LiveRead);
}

TEST_F(PGExtractPrcDb, ADatabaseIsBroughtToTheScriptsFunctionsAndTriggers) {
  // The database lacks one trigger, has one too many and a function with another body; the
  // update script runs on the server, and the database then reads back like the script.
  const char* const Before = R"SQL(
create table customer (
  id integer primary key,
  name varchar(40),
  created timestamp with time zone
);
create function add_tax(amount numeric, rate numeric) returns numeric
  language sql immutable strict as $$ select amount * rate $$;
create function touch_customer() returns trigger language plpgsql as $$
begin
  return new;
end
$$;
create trigger customer_extra after insert on customer
  for each row execute function touch_customer();
)SQL";
  const std::string Database = "qel_pgx_prc_update";
  const std::string Failure = BuildDatabase(Database, Before);
  ASSERT_TRUE(Failure.empty()) << Failure;
  std::string Why, Script;
  {
    TDBStructure MH{nullptr}, TH{nullptr};
    Script = UpdateScript(Ex, *Conn, Database, CompareScript, UpdateKinds, MH, TH, Why);
    ASSERT_TRUE(Why.empty()) << Why;
    ASSERT_FALSE(Script.empty());
    EXPECT_EQ(TH.GetMetadata()->Triggers.Count(), 1);
  }
  const std::string Ran = RunScript(Database, Script);
  ASSERT_TRUE(Ran.empty()) << "The update script did not run: " << Ran << "\n" << Script;
  TDBStructure MH{nullptr}, TH{nullptr};
  const std::string Again =
      UpdateScript(Ex, *Conn, Database, CompareScript, UpdateKinds, MH, TH, Why);
  ASSERT_TRUE(Why.empty()) << Why;
  EXPECT_EQ(Again, "") << "after:\n"
                       << Script << "\nmaster:\n"
                       << ::testing::PrintToString(Describe(*MH.GetMetadata())) << "\ntarget:\n"
                       << ::testing::PrintToString(Describe(*TH.GetMetadata()));
  DropDatabase(Database);
}
