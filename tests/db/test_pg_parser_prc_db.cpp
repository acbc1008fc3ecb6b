// The PostgreSQL script parser on the texts the PostgreSQL 15 server writes itself: function
// definitions (pg_get_functiondef) read as a script, trigger definitions (pg_get_triggerdef)
// read into their triggers, and functions written back from what was read, which the server
// must make into the same functions again. Runs in a database of its own.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pg_test_db.h"
#include "qelCompObj.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelPGSQLParser.h"

using namespace qel;
using namespace qel::testing;

namespace {

const std::string TestDatabase = "qel_pgp_prc";

const char* const Schema = R"SQL(
create schema sales;
create table customer (id integer primary key, name varchar(40), created timestamptz);
create table sales.orders (id integer primary key, amount numeric(10,2));
create function sales.add_tax(amount numeric, rate numeric default 0.2) returns numeric
  language sql immutable strict as $$ select amount * (1 + rate) $$;
create function add(a integer, b integer) returns integer language sql as $$ select a + b $$;
create function add(a double precision, b double precision) returns double precision
  language sql stable as $$ select a + b $$;
create function split_name(in full_name text, out first_name text, inout last_name text)
  language plpgsql security definer set search_path to 'public', 'pg_temp' as $$
begin
  first_name := full_name;
end
$$;
create function orders_of(n integer) returns table (id integer, amount numeric(10,2))
  language sql cost 5 rows 20 parallel safe as $$ select id, amount from sales.orders $$;
create function ids() returns setof integer language sql as $$ select id from customer $$;
create function touch() returns trigger language plpgsql as $$
begin
  new.created := now();
  return new;
end
$$;
create trigger customer_touch before insert or update on customer
  for each row execute function touch();
create trigger orders_audit after delete on sales.orders
  for each statement execute procedure touch();
create trigger customer_renamed before update on customer
  for each row when (old.name is distinct from new.name) execute function touch('a', 'b');
)SQL";

class PGParserPrcDb : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SetUpFailure() = BuildDatabase(TestDatabase, Schema); }
  static void TearDownTestSuite() { DropDatabase(TestDatabase); }
  static std::string& SetUpFailure() {
    static std::string Failure;
    return Failure;
  }

  void SetUp() override {
    ASSERT_EQ(SetUpFailure(), "");
    std::string Failure;
    Db = ConnectTo(TestDatabase, Failure);
    ASSERT_EQ(Failure, "");
  }

  /// Every function of the database as the server writes it, each ending in ";".
  std::string FunctionScript() {
    std::string Script;
    for (const std::string& Def :
         Db->Column("select pg_catalog.pg_get_functiondef(p.oid) from pg_catalog.pg_proc p "
                    "join pg_catalog.pg_namespace n on n.oid = p.pronamespace "
                    "where n.nspname in ('public', 'sales') order by p.oid"))
      Script += Def + ";\n";
    return Script;
  }

  std::unique_ptr<TServerConnection> Db;
};

TEST_F(PGParserPrcDb, FunctionsAsTheServerWritesThemAreRead) {
  TObjs Objs;
  TPGSQLParser Parser(&Objs);
  TStringList Lines;
  Lines.SetText(FunctionScript());
  Parser.ParseScript(Lines, &Objs);
  std::vector<std::string> Errors, Warnings;
  for (int I = 0; I < Parser.MsgManager.GetMsgCount(); ++I)
    (Parser.MsgManager.Items(I).MsgType == mt_Err ? Errors : Warnings)
        .push_back(Parser.MsgManager.Items(I).Text);
  EXPECT_TRUE(Errors.empty()) << ::testing::PrintToString(Errors);
  // Options the model does not hold are named once per function.
  EXPECT_EQ(Warnings.size(), 2u) << ::testing::PrintToString(Warnings);
  ASSERT_EQ(Objs.Procedures.Count(), 7);

  auto Find = [&](const std::string& Key) {
    return dynamic_cast<TPrcData*>(Objs.Procedures.FindObj(Key));
  };
  TPrcData* Tax = Find("sales.add_tax(numeric, numeric)");
  ASSERT_NE(Tax, nullptr);
  EXPECT_EQ(Tax->Volatility, "IMMUTABLE");
  EXPECT_TRUE(Tax->NullOnNullInput);
  EXPECT_EQ(Tax->Language, "sql");
  EXPECT_EQ(Tax->Extra().Body, " select amount * (1 + rate) ");
  EXPECT_EQ(Tax->Params[1]->DefValue, "0.2");
  EXPECT_NE(Find("public.add(integer, integer)"), nullptr);
  ASSERT_NE(Find("public.add(double precision, double precision)"), nullptr);
  EXPECT_EQ(Find("public.add(double precision, double precision)")->Volatility, "STABLE");

  TPrcData* Split = Find("public.split_name(text, text, text)");
  ASSERT_NE(Split, nullptr);
  EXPECT_EQ(Split->Params[1]->InOut, ioOut);
  EXPECT_EQ(Split->Params[2]->InOut, ioInout);
  EXPECT_TRUE(Split->Results.Empty());

  TPrcData* Orders = Find("public.orders_of(integer, integer, numeric)");
  ASSERT_NE(Orders, nullptr);
  EXPECT_TRUE(Orders->ReturnsSetOf);
  EXPECT_EQ(Orders->Params[2]->InOut, ioOut);
  EXPECT_TRUE(Find("public.ids()")->ReturnsSetOf);
  ASSERT_NE(Find("public.touch()"), nullptr);
  EXPECT_EQ(Find("public.touch()")->Results[0]->Extra().DomainName, "trigger");
}

TEST_F(PGParserPrcDb, TriggerTextsOfTheCatalogAreReadIntoTheirTriggers) {
  TObjs Objs;
  TPGSQLParser Parser(&Objs);
  TStringList Lines;
  Lines.SetText(FunctionScript());
  Parser.ParseScript(Lines, &Objs);
  TPrcData* Touch = dynamic_cast<TPrcData*>(Objs.Procedures.FindObj("public.touch()"));
  ASSERT_NE(Touch, nullptr);

  auto Q = Db->Query();
  Q->GetSQL()->SetText(
      "select t.tgname, c.relname, pg_catalog.pg_get_triggerdef(t.oid) from pg_catalog.pg_trigger "
      "t join pg_catalog.pg_class c on c.oid = t.tgrelid where not t.tgisinternal order by 1");
  Q->Open();
  std::vector<TTrgData*> Triggers;
  for (; !Q->GetEof(); Q->Next()) {
    auto* Trg = new TTrgData(&Objs);
    Trg->SetObjName(Q->GetFields()->Fields(0)->AsString());
    Trg->SetOwnName(Q->GetFields()->Fields(1)->AsString());
    Trg->SetExtra(&TObjExtra::FullText, Q->GetFields()->Fields(2)->AsString());
    ASSERT_TRUE(Objs.AddObj(Trg, true));
    Triggers.push_back(Trg);
  }
  ASSERT_EQ(Triggers.size(), 3u);
  for (TTrgData* Trg : Triggers) Parser.ParseObjText(Trg);
  EXPECT_FALSE(Parser.MsgManager.GetIsErr());

  TTrgData* Renamed = Triggers[0];
  EXPECT_EQ(Renamed->GetObjName(), "customer_renamed");
  EXPECT_EQ(Renamed->Timing, baBefore);
  EXPECT_TRUE(Renamed->ForEachRow);
  EXPECT_EQ(Renamed->GetSchema(), "public");
  EXPECT_EQ(Renamed->Extra().Body,
            "WHEN (((old.name)::text IS DISTINCT FROM (new.name)::text)) EXECUTE PROCEDURE "
            "touch('a', 'b')");
  TTrgData* Touched = Triggers[1];
  EXPECT_TRUE(Touched->Events.Contains(iudInsert));
  EXPECT_TRUE(Touched->Events.Contains(iudUpdate));
  EXPECT_EQ(Touched->Extra().Body, "EXECUTE PROCEDURE touch()");
  TTrgData* Audit = Triggers[2];
  EXPECT_EQ(Audit->Timing, baAfter);
  EXPECT_TRUE(Audit->ForEachStatement);
  EXPECT_EQ(Audit->GetSchema(), "sales");
  for (TTrgData* Trg : Triggers) {
    bool Linked = false;
    for (const auto& D : Trg->UseOf) Linked = Linked || D->DepObj == Touch;
    EXPECT_TRUE(Linked) << Trg->GetObjName();
  }
}

TEST_F(PGParserPrcDb, FunctionsWrittenBackFromWhatWasReadAreTheSameFunctions) {
  const std::string Before = FunctionScript();
  TObjs Objs;
  TPGSQLParser Parser(&Objs);
  TStringList Lines;
  Lines.SetText(Before);
  Parser.ParseScript(Lines, &Objs);
  ASSERT_FALSE(Parser.MsgManager.GetIsErr());
  ASSERT_EQ(Objs.Procedures.Count(), 7);
  Db->Exec("drop function touch() cascade");
  for (int I = 0; I < Objs.Procedures.Count(); ++I) {
    auto* Prc = dynamic_cast<TPrcData*>(Objs.Procedures.Objects(I));
    if (Prc->GetObjName() != "touch") Db->Exec(Prc->DropDef());
  }
  for (int I = 0; I < Objs.Procedures.Count(); ++I) {
    const std::string Def = Objs.Procedures.Objects(I)->Def();
    EXPECT_NO_THROW(Db->Exec(Def)) << Def;
  }
  // Options the model does not keep (SECURITY DEFINER, SET, COST, ROWS, PARALLEL) are lost;
  // parameters, results, bodies, language, volatility and strictness are not.
  std::vector<std::string> After = Db->Column(
      "select pg_catalog.pg_get_function_identity_arguments(p.oid) || ' -> ' || "
      "pg_catalog.pg_get_function_result(p.oid) || ' ' || p.provolatile::text || p.proisstrict || "
      "p.proretset || ' ' || p.prosrc from pg_catalog.pg_proc p join pg_catalog.pg_namespace n "
      "on n.oid = p.pronamespace where n.nspname in ('public', 'sales') order by p.proname, 1");
  const std::vector<std::string> Expected{
      "a double precision, b double precision -> double precision sfalsefalse  select a + b ",
      "a integer, b integer -> integer vfalsefalse  select a + b ",
      "amount numeric, rate numeric -> numeric itruefalse  select amount * (1 + rate) ",
      " -> SETOF integer vfalsetrue  select id from customer ",
      // RETURNS TABLE comes back in its long form, which calls the same.
      "n integer, OUT id integer, OUT amount numeric -> SETOF record vfalsetrue  select id, "
      "amount from sales.orders ",
      "full_name text, OUT first_name text, INOUT last_name text -> record vfalsefalse \n"
      "begin\n  first_name := full_name;\nend\n",
      " -> trigger vfalsefalse \nbegin\n  new.created := now();\n  return new;\nend\n"};
  ASSERT_EQ(After.size(), Expected.size()) << ::testing::PrintToString(After);
  for (std::size_t I = 0; I < Expected.size(); ++I) {
    std::string Got = After[I];
    for (std::size_t P = Got.find('\r'); P != std::string::npos; P = Got.find('\r'))
      Got.erase(P, 1);
    EXPECT_EQ(Got, Expected[I]) << I;
  }
}

}  // namespace
