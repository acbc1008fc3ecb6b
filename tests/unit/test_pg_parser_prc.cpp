// The PostgreSQL routine grammar: functions with their parameters, results and options,
// triggers (also re-read from the catalog's text), ALTER FUNCTION, DROP, COMMENT, GRANT and
// REVOKE.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "test_pg_parser.h"

namespace qel {
namespace {

using testing::TPGParse;

using Names = std::vector<std::string>;

TPrcData* Function(const TPGParse& T, const std::string& Key) {
  return dynamic_cast<TPrcData*>(T.Objs.Procedures.FindObj(Key));
}
TTrgData* Trigger(const TPGParse& T, const std::string& Key) {
  return dynamic_cast<TTrgData*>(T.Objs.Triggers.FindObj(Key));
}
bool StartsWith(const std::string& S, const std::string& Prefix) {
  return S.rfind(Prefix, 0) == 0;
}
bool Uses(const TDbObj& Obj, const TDbObj& Other) {
  for (const auto& D : Obj.UseOf)
    if (D->DepObj == &Other) return true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Functions

TEST(PGFunction, HeaderBodyAndOptions) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE OR REPLACE FUNCTION f(integer, text) RETURNS SETOF integer AS $$ select 1; "
              "$$ LANGUAGE sql STABLE;"))
      << ::testing::PrintToString(T.Errors());
  TPrcData* F = Function(T, "public.f(integer, text)");
  ASSERT_NE(F, nullptr);
  EXPECT_TRUE(F->IsFunction);
  EXPECT_EQ(F->GetSchema(), "public");
  ASSERT_EQ(F->Params.Count(), 2);
  EXPECT_EQ(F->Params[0]->GetObjName(), "");
  EXPECT_EQ(F->Params[0]->FieldType, iftInteger);
  EXPECT_EQ(F->Params[1]->FieldType, iftText);
  EXPECT_EQ(F->Params[0]->OwnerObj, F);
  EXPECT_TRUE(F->ReturnsSetOf);
  ASSERT_EQ(F->Results.Count(), 1);
  EXPECT_EQ(F->Results[0]->FieldType, iftInteger);
  EXPECT_EQ(F->Extra().Body, " select 1; ");
  EXPECT_EQ(F->Language, "sql");
  EXPECT_EQ(F->Volatility, "STABLE");
  EXPECT_FALSE(F->NullOnNullInput);
  // Reported with no object kind, the text running to the terminator.
  ASSERT_EQ(T.Statements.size(), 1u);
  EXPECT_EQ(T.Statements[0].ObjType, dboUnknown);
  EXPECT_TRUE(StartsWith(T.Statements[0].Text, "CREATE OR REPLACE FUNCTION f("));
  EXPECT_EQ(T.Statements[0].Text.substr(T.Statements[0].Text.size() - 6), "STABLE");
}

TEST(PGFunction, ParameterNamesModesAndDefaults) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE FUNCTION s.g(a integer, IN b text DEFAULT 'x', OUT c integer, INOUT d numeric(10,2),"
      " IN OUT e int8 = 0) RETURNS record AS 'select 1' LANGUAGE sql;\r\n"
      "CREATE FUNCTION h(double precision, character varying(20), timestamp with time zone,\r\n"
      "  interval, public.mytype, \"MyType\", out integer) RETURNS void AS $$ $$ LANGUAGE sql;\r\n"
      "CREATE FUNCTION k(x double precision, \"Y\" character varying, z public.mytype,\r\n"
      "  w timestamp without time zone, q \"MyType\"[]) RETURNS void AS $$ $$ LANGUAGE sql;"))
      << ::testing::PrintToString(T.Errors());
  ASSERT_EQ(T.Objs.Procedures.Count(), 3);

  TPrcData* G = dynamic_cast<TPrcData*>(T.Objs.Procedures.FindFirstWithPrefix("s.g("));
  ASSERT_NE(G, nullptr);
  EXPECT_EQ(G->GetSchema(), "s");
  ASSERT_EQ(G->Params.Count(), 5);
  const Names ParamNames{"a", "b", "c", "d", "e"};
  // With outputs every input is IN, as the server records it.
  const std::vector<TParamInOutType> Modes{ioIn, ioIn, ioOut, ioInout, ioInout};
  for (int I = 0; I < 5; ++I) {
    EXPECT_EQ(G->Params[I]->GetObjName(), ParamNames[I]);
    EXPECT_EQ(G->Params[I]->InOut, Modes[I]) << ParamNames[I];
  }
  EXPECT_EQ(G->Params[1]->DefValue, "'x'");
  EXPECT_EQ(G->Params[3]->Precision, 10);
  EXPECT_EQ(G->Params[3]->Scale, 2);
  EXPECT_EQ(G->Params[4]->FieldType, iftBigInt);
  EXPECT_EQ(G->Params[4]->DefValue, "0");
  EXPECT_EQ(G->Extra().Body, "select 1");
  // With output parameters the result type follows from them, as the catalog gives it back.
  EXPECT_TRUE(G->Results.Empty());

  // Types of more than one word, and qualified or quoted types, are no names.
  TPrcData* H = dynamic_cast<TPrcData*>(T.Objs.Procedures.FindFirstWithPrefix("public.h("));
  ASSERT_NE(H, nullptr);
  ASSERT_EQ(H->Params.Count(), 7);
  for (const auto& P : H->Params) EXPECT_EQ(P->GetObjName(), "");
  EXPECT_EQ(H->Params[0]->FieldType, iftDoublePrecision);
  EXPECT_EQ(H->Params[1]->FieldType, iftVarchar);
  EXPECT_EQ(H->Params[1]->Size, 20);
  EXPECT_EQ(H->Params[2]->FieldType, iftTimeStampTZ);
  EXPECT_EQ(H->Params[3]->FieldType, iftInterval);
  EXPECT_EQ(H->Params[4]->Extra().DomainName, "mytype");
  EXPECT_EQ(H->Params[5]->Extra().DomainName, "MyType");
  EXPECT_EQ(H->Params[6]->InOut, ioOut);
  EXPECT_EQ(H->Params[6]->FieldType, iftInteger);

  TPrcData* K = dynamic_cast<TPrcData*>(T.Objs.Procedures.FindFirstWithPrefix("public.k("));
  ASSERT_NE(K, nullptr);
  ASSERT_EQ(K->Params.Count(), 5);
  const Names KNames{"x", "Y", "z", "w", "q"};
  for (int I = 0; I < 5; ++I) EXPECT_EQ(K->Params[I]->GetObjName(), KNames[I]);
  EXPECT_EQ(K->Params[0]->FieldType, iftDoublePrecision);
  EXPECT_EQ(K->Params[1]->FieldType, iftVarchar);
  EXPECT_EQ(K->Params[2]->Extra().DomainName, "mytype");
  EXPECT_EQ(K->Params[3]->FieldType, iftTimeStamp);
  EXPECT_EQ(K->Params[4]->Extra().DomainName, "MyType");
}

TEST(PGFunction, DefaultsAreWrittenInTheCreationTextOnly) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE FUNCTION g(a integer, b text DEFAULT 'x', OUT c integer,"
              " INOUT d numeric = 1e3) RETURNS record AS 'select 1' LANGUAGE sql;"))
      << ::testing::PrintToString(T.Errors());
  auto* G = dynamic_cast<TPrcData*>(T.Objs.Procedures.FindFirstWithPrefix("public.g("));
  ASSERT_NE(G, nullptr);
  // Without the defaults the server would make another function, which a call leaving them
  // out does not find.
  EXPECT_EQ(G->ParamDef(true),
            "(in a integer,\r\nin b text default 'x',\r\nout c integer,\r\ninout d numeric "
            "default 1e3)");
  // A signature naming the function takes none.
  EXPECT_EQ(G->DropDef(),
            "DROP FUNCTION public.g(in a integer,\r\nin b text,\r\nout c integer,\r\ninout d "
            "numeric)");
  // A parameter's DEFAULT NULL makes it optional (the server refuses a required one after an
  // optional one), where a column's stores no default.
  ASSERT_TRUE(
      T.Parse("CREATE FUNCTION n(a integer DEFAULT 1, b text DEFAULT NULL) RETURNS "
              "integer AS 'select 1' LANGUAGE sql;"));
  auto* N = dynamic_cast<TPrcData*>(T.Objs.Procedures.FindFirstWithPrefix("public.n("));
  ASSERT_NE(N, nullptr);
  EXPECT_EQ(N->ParamDef(true), "(a integer default 1,\r\nb text default NULL)\r\nRETURNS integer");
  // Where the server spelled the default, its text is the one written and compared.
  G->Params[3]->EditExtra().ServerDefault = "'1000'::numeric";
  EXPECT_NE(G->Def().find("inout d numeric default '1000'::numeric)"), std::string::npos)
      << G->Def();
}

TEST(PGFunction, InputsWithoutOutputsCarryNoMode) {
  // The server keeps no mode when every parameter is an input, so the catalog gives none back;
  // a script that writes IN must read the same, or the two would never compare equal.
  TPGParse T;
  ASSERT_TRUE(T.Parse("CREATE FUNCTION f(IN a integer, IN text) RETURNS integer AS $$ $$;"));
  TPrcData* F = Function(T, "public.f(integer, text)");
  ASSERT_NE(F, nullptr);
  EXPECT_EQ(F->Params[0]->GetObjName(), "a");
  EXPECT_EQ(F->Params[0]->InOut, ioUnknown);
  EXPECT_EQ(F->Params[1]->GetObjName(), "");
  EXPECT_EQ(F->Params[1]->InOut, ioUnknown);
  EXPECT_EQ(F->Def().find(" in "), std::string::npos) << F->Def();
}

TEST(PGFunction, OverloadsAreFiledApart) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE FUNCTION add(a integer, b integer) RETURNS integer AS $$ select a + b $$ "
      "LANGUAGE sql;\r\n"
      "CREATE FUNCTION add(a double precision, b double precision) RETURNS double precision AS "
      "$$ select a + b $$ LANGUAGE sql;\r\n"
      "CREATE FUNCTION add() RETURNS integer AS $$ select 0 $$ LANGUAGE sql;"));
  EXPECT_EQ(T.Objs.Procedures.Count(), 3);
  EXPECT_NE(Function(T, "public.add(integer, integer)"), nullptr);
  EXPECT_NE(Function(T, "public.add(double precision, double precision)"), nullptr);
  EXPECT_NE(Function(T, "public.add()"), nullptr);
}

TEST(PGFunction, VolatilityStrictnessAndObjectFile) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE FUNCTION a() RETURNS integer AS $$ $$ LANGUAGE sql IMMUTABLE STRICT;\r\n"
      "CREATE FUNCTION b() RETURNS integer STABLE VOLATILE CALLED ON NULL INPUT AS $$ $$;\r\n"
      "CREATE FUNCTION c() RETURNS integer RETURNS NULL ON NULL INPUT AS $$ $$;\r\n"
      "CREATE FUNCTION d() RETURNS integer AS $$ $$ WITH (isStrict, isCachable);\r\n"
      "CREATE FUNCTION e(integer) RETURNS integer AS '$libdir/mylib', 'e_impl' LANGUAGE 'C';\r\n"
      "CREATE FUNCTION n() RETURNS NULL ON NULL INPUT AS $$ $$;"))
      << ::testing::PrintToString(T.Errors());
  EXPECT_EQ(Function(T, "public.a()")->Volatility, "IMMUTABLE");
  EXPECT_TRUE(Function(T, "public.a()")->NullOnNullInput);
  EXPECT_EQ(Function(T, "public.b()")->Volatility, "");
  EXPECT_FALSE(Function(T, "public.b()")->NullOnNullInput);
  EXPECT_TRUE(Function(T, "public.c()")->NullOnNullInput);
  EXPECT_TRUE(Function(T, "public.d()")->NullOnNullInput);
  EXPECT_EQ(Function(T, "public.d()")->Volatility, "IMMUTABLE");
  TPrcData* E = Function(T, "public.e(integer)");
  ASSERT_NE(E, nullptr);
  EXPECT_EQ(E->ObjFile, "$libdir/mylib");
  EXPECT_EQ(E->LinkSymbol, "e_impl");
  EXPECT_EQ(E->Extra().Body, "");
  EXPECT_EQ(E->Language, "C");
  // RETURNS NULL ON NULL INPUT straight after the parameters is the option, not a type.
  TPrcData* N = Function(T, "public.n()");
  ASSERT_NE(N, nullptr);
  EXPECT_TRUE(N->NullOnNullInput);
  EXPECT_TRUE(N->Results.Empty());
}

TEST(PGFunction, OptionsTheModelDoesNotKeepAreReadAndPassedOver) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE FUNCTION public.trgfn() RETURNS trigger\r\n"
              "    LANGUAGE plpgsql SECURITY DEFINER LEAKPROOF PARALLEL SAFE COST 5 ROWS 10.5\r\n"
              "    SET search_path TO 'public', 'pg_temp'\r\n"
              "    SET work_mem = 64\r\n"
              "    SET datestyle FROM CURRENT\r\n"
              "    EXTERNAL SECURITY INVOKER NOT LEAKPROOF WINDOW SUPPORT public.sup\r\n"
              "    TRANSFORM FOR TYPE hstore, FOR TYPE double precision\r\n"
              "    AS $$ BEGIN RETURN NEW; END; $$;\r\n"
              "CREATE TABLE after_it (a integer);"))
      << ::testing::PrintToString(T.Errors());
  TPrcData* F = Function(T, "public.trgfn()");
  ASSERT_NE(F, nullptr);
  EXPECT_EQ(F->Extra().Body, " BEGIN RETURN NEW; END; ");
  ASSERT_EQ(F->Results.Count(), 1);
  EXPECT_EQ(F->Results[0]->Extra().DomainName, "trigger");
  EXPECT_NE(T.Table("after_it"), nullptr);
  // Named once, the server's defaults (SECURITY INVOKER, NOT LEAKPROOF) left out.
  const auto Warnings = T.Messages(mt_Wrn);
  ASSERT_EQ(Warnings.size(), 1u);
  EXPECT_EQ(Warnings[0]->Text,
            "Function public.trgfn: SECURITY DEFINER, LEAKPROOF, PARALLEL SAFE, COST, ROWS, SET "
            "search_path, SET work_mem, SET datestyle, WINDOW, SUPPORT, TRANSFORM not kept; the "
            "function is written and compared without it.");
}

TEST(PGFunction, FormsTheModelCannotWriteBackArePassedOverWhole) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE FUNCTION public.r(x integer) RETURNS integer\r\n"
      "    LANGUAGE sql IMMUTABLE\r\n"
      "    RETURN (x * 2);\r\n"
      "CREATE FUNCTION public.b(x integer) RETURNS integer\r\n"
      "    LANGUAGE sql\r\n"
      "    BEGIN ATOMIC\r\n"
      " SELECT CASE WHEN (x > 0) THEN 1 ELSE 0 END AS \"case\";\r\n"
      " SELECT x AS x;\r\n"
      "END;\r\n"
      "CREATE FUNCTION s.v(a text, VARIADIC nums integer[]) RETURNS integer AS $$ $$ LANGUAGE "
      "sql;\r\n"
      "CREATE TRIGGER tc AFTER UPDATE OF name, price ON tab FOR EACH ROW EXECUTE FUNCTION f();\r\n"
      "CREATE TRIGGER tt AFTER TRUNCATE ON tab EXECUTE FUNCTION f();\r\n"
      "CREATE TRIGGER tr AFTER INSERT ON tab REFERENCING NEW TABLE AS nt OLD TABLE ot\r\n"
      "    FOR EACH STATEMENT EXECUTE FUNCTION f();\r\n"
      "CREATE TABLE t (a integer);"))
      << ::testing::PrintToString(T.Errors());
  EXPECT_TRUE(T.Objs.Procedures.Empty());
  EXPECT_TRUE(T.Objs.Triggers.Empty());
  // The statements are whole: the body's own semicolons do not end them.
  ASSERT_EQ(T.Statements.size(), 7u);
  EXPECT_EQ(T.Statements[1].Text.substr(T.Statements[1].Text.size() - 3), "END");
  EXPECT_NE(T.Table("t"), nullptr);
  const auto Notes = T.Messages(mt_Inf);
  ASSERT_EQ(Notes.size(), 6u);
  EXPECT_EQ(Notes[0]->Text, "Function public.r has a body in the standard SQL form, passed over.");
  EXPECT_EQ(Notes[1]->Text, "Function public.b has a body in the standard SQL form, passed over.");
  EXPECT_EQ(Notes[2]->Text, "Function s.v takes a variadic parameter, passed over.");
  EXPECT_EQ(Notes[3]->Text, "Trigger tc of tab fires on UPDATE OF a column list, passed over.");
  EXPECT_EQ(Notes[4]->Text, "Trigger tt of tab fires on TRUNCATE, passed over.");
  EXPECT_EQ(Notes[5]->Text, "Trigger tr of tab has transition tables, passed over.");
}

TEST(PGFunction, ReturnsTableIsASetOfRecordsWithOutputParameters) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE FUNCTION rows_of(n integer) RETURNS TABLE(id integer, label character "
              "varying(10)) LANGUAGE sql STABLE AS $$ select 1, 'a' $$;\r\n"
              "CREATE FUNCTION pairs(OUT a integer, OUT b text) RETURNS SETOF record AS $$ $$;"));
  // Filed as the server tells overloads apart: without the length of varchar(10).
  TPrcData* F = Function(T, "public.rows_of(integer, integer, varchar)");
  ASSERT_NE(F, nullptr);
  EXPECT_TRUE(F->ReturnsSetOf);
  ASSERT_EQ(F->Params.Count(), 3);
  EXPECT_EQ(F->Params[1]->GetObjName(), "id");
  EXPECT_EQ(F->Params[1]->InOut, ioOut);
  EXPECT_EQ(F->Params[2]->GetObjName(), "label");
  EXPECT_EQ(F->Params[2]->InOut, ioOut);
  EXPECT_EQ(F->Params[2]->Size, 10);
  ASSERT_EQ(F->Results.Count(), 1);
  EXPECT_EQ(F->Results[0]->Extra().DomainName, "record");
  // The short form and the long one are the same function.
  TPrcData* P = Function(T, "public.pairs(integer, text)");
  ASSERT_NE(P, nullptr);
  ASSERT_EQ(P->Results.Count(), 1);
  EXPECT_EQ(P->Results[0]->Extra().DomainName, "record");
  EXPECT_EQ(P->Def().substr(0, 40), "CREATE FUNCTION public.pairs(out a integ");
}

TEST(PGFunction, AnUnknownOptionIsAnErrorAndFilesNothing) {
  TPGParse T;
  EXPECT_FALSE(
      T.Parse("CREATE FUNCTION f() RETURNS integer BOGUS AS $$ $$;\r\n"
              "CREATE FUNCTION g(a integer,) RETURNS integer AS $$ $$;\r\n"
              "CREATE FUNCTION ok() RETURNS integer AS $$ $$;"));
  EXPECT_EQ(T.Errors().size(), 2u);
  EXPECT_EQ(Function(T, "public.f()"), nullptr);
  EXPECT_EQ(T.Objs.Procedures.Count(), 1);
  EXPECT_NE(Function(T, "public.ok()"), nullptr);
}

// The catalog's procedures (PostgreSQL 11 on) are written back as CREATE PROCEDURE, with
// COMMENT ON PROCEDURE and ALTER PROCEDURE ... OWNER TO: all read back as the procedure they
// came from.
TEST(PGFunction, CreateProcedureIsReadAsAProcedure) {
  TPGParse T;
  EXPECT_TRUE(
      T.Parse("CREATE PROCEDURE p(a integer) LANGUAGE sql AS $$ select 1 $$;\r\n"
              "COMMENT ON PROCEDURE p(integer) IS 'one';\r\n"
              "ALTER PROCEDURE public.p(a integer) OWNER TO keeper;"));
  EXPECT_TRUE(T.Errors().empty());
  const TPrcData* P = Function(T, "public.p(integer)");
  ASSERT_NE(P, nullptr);
  EXPECT_FALSE(P->IsFunction);
  EXPECT_TRUE(P->Results.Empty());
  EXPECT_EQ(P->Extra().Description, "one");
  EXPECT_EQ(P->Extra().Creator, "keeper");
}

// ---------------------------------------------------------------------------------------------
// Triggers

TEST(PGFunction, SignaturesWithoutLengthsFindTheFunction) {
  // The server ignores lengths and precisions in a function's signature: COMMENT ON and ALTER
  // name the function without them, and must still find it.
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE FUNCTION h(x varchar(10), y numeric(8,2)) RETURNS integer AS $$ $$ LANGUAGE sql;\r\n"
      "COMMENT ON FUNCTION h(varchar, numeric) IS 'found';\r\n"
      "ALTER FUNCTION h(character varying, numeric(4,1)) OWNER TO anna;"))
      << ::testing::PrintToString(T.Errors());
  auto* F = dynamic_cast<TPrcData*>(T.Objs.Procedures.FindFirstWithPrefix("public.h("));
  ASSERT_NE(F, nullptr);
  EXPECT_EQ(F->Extra().Description, "found");
  EXPECT_EQ(F->Extra().Creator, "anna");
}

TEST(PGTrigger, ScriptAndCatalogSpellingsGiveOneBody) {
  // A script may write the call in lower case, with FUNCTION or PROCEDURE, through "public" and
  // with bare names or numbers as arguments; the catalog writes string literals. One trigger
  // must compare equal however it was written, or every comparison would drop and re-create it.
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE TABLE a (id integer);\r\nCREATE TABLE b (id integer);\r\n"
      "create trigger t before insert on a for each row execute function public.f(1, Abc, "
      "'x''y');\r\n"
      "CREATE TRIGGER t BEFORE INSERT ON public.b FOR EACH ROW EXECUTE FUNCTION f('1', 'abc', "
      "'x''y');"))
      << ::testing::PrintToString(T.Errors());
  TTrgData* A = Trigger(T, "t ON a");
  TTrgData* B = Trigger(T, "t ON b");
  ASSERT_NE(A, nullptr);
  ASSERT_NE(B, nullptr);
  EXPECT_EQ(A->Extra().Body, "EXECUTE PROCEDURE f('1', 'abc', 'x''y')");
  EXPECT_EQ(A->Extra().Body, B->Extra().Body);
}

TEST(PGTrigger, HeaderBodyAndDependency) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE TABLE tab (id integer);\r\n"
      "CREATE FUNCTION f() RETURNS trigger AS $$ BEGIN RETURN NEW; END; $$ LANGUAGE plpgsql;\r\n"
      "CREATE TRIGGER t BEFORE INSERT OR UPDATE ON tab FOR EACH ROW EXECUTE PROCEDURE f();\r\n"
      "CREATE TRIGGER early AFTER DELETE ON tab FOR EACH STATEMENT EXECUTE PROCEDURE later();\r\n"
      "CREATE FUNCTION later() RETURNS trigger AS $$ $$ LANGUAGE plpgsql;"))
      << ::testing::PrintToString(T.Errors());
  TTrgData* Trg = Trigger(T, "t ON tab");
  ASSERT_NE(Trg, nullptr);
  EXPECT_EQ(Trg->Timing, baBefore);
  EXPECT_TRUE(Trg->Events.Contains(iudInsert));
  EXPECT_TRUE(Trg->Events.Contains(iudUpdate));
  EXPECT_FALSE(Trg->Events.Contains(iudDelete));
  EXPECT_TRUE(Trg->ForEachRow);
  EXPECT_FALSE(Trg->ForEachStatement);
  EXPECT_EQ(Trg->OwnName, "tab");
  EXPECT_EQ(Trg->GetSchema(), "public");
  EXPECT_EQ(Trg->Extra().Body, "EXECUTE PROCEDURE f()");
  EXPECT_TRUE(Uses(*Trg, *Function(T, "public.f()")));

  TTrgData* Early = Trigger(T, "early ON tab");
  ASSERT_NE(Early, nullptr);
  EXPECT_EQ(Early->Timing, baAfter);
  EXPECT_TRUE(Early->ForEachStatement);
  EXPECT_TRUE(Early->Events.Contains(iudDelete));
  // Its function comes later in the script: no dependency is recorded.
  EXPECT_TRUE(Early->UseOf.Empty());
}

TEST(PGTrigger, WhatTheCatalogWritesIsRead) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE FUNCTION s.stamp() RETURNS trigger AS $$ $$ LANGUAGE plpgsql;\r\n"
      "CREATE TRIGGER c AFTER UPDATE ON s.tab FOR EACH STATEMENT EXECUTE "
      "FUNCTION s.stamp();\r\n"
      "CREATE TRIGGER w BEFORE UPDATE ON s.tab FOR EACH ROW WHEN ((old.* IS DISTINCT FROM "
      "new.*)) EXECUTE FUNCTION s.stamp('a', 'b;c');\r\n"
      "CREATE TRIGGER v INSTEAD OF INSERT ON s.vw FOR EACH ROW EXECUTE FUNCTION s.stamp();\r\n"
      "CREATE TRIGGER c AFTER INSERT ON s.other EXECUTE FUNCTION s.stamp();"))
      << ::testing::PrintToString(T.Errors());
  TPrcData* Stamp = Function(T, "s.stamp()");
  ASSERT_NE(Stamp, nullptr);
  TTrgData* C = Trigger(T, "c ON tab");
  ASSERT_NE(C, nullptr);
  EXPECT_EQ(C->GetSchema(), "s");
  EXPECT_TRUE(C->Events.Contains(iudUpdate));
  EXPECT_EQ(C->Extra().Body, "EXECUTE PROCEDURE s.stamp()");
  EXPECT_TRUE(Uses(*C, *Stamp));
  // The WHEN condition is kept, and written back with the body.
  TTrgData* W = Trigger(T, "w ON tab");
  ASSERT_NE(W, nullptr);
  EXPECT_EQ(W->WhenCondition, "((old.* IS DISTINCT FROM new.*))");
  EXPECT_EQ(W->Extra().Body,
            "WHEN ((old.* IS DISTINCT FROM new.*)) EXECUTE PROCEDURE s.stamp('a', 'b;c')");
  // Arguments in the call are no parameters of the function.
  EXPECT_TRUE(Uses(*W, *Stamp));
  EXPECT_EQ(Trigger(T, "v ON vw")->Timing, baInsteadOf);
  // Trigger names are unique per table only.
  TTrgData* C2 = Trigger(T, "c ON other");
  ASSERT_NE(C2, nullptr);
  EXPECT_FALSE(C2->ForEachRow);
  EXPECT_FALSE(C2->ForEachStatement);
}

TEST(PGTrigger, BadHeadersAreErrors) {
  TPGParse T;
  EXPECT_FALSE(
      T.Parse("CREATE TRIGGER a DURING INSERT ON t EXECUTE PROCEDURE f();\r\n"
              "CREATE TRIGGER b AFTER INSERT ON t FOR EACH TUPLE EXECUTE PROCEDURE f();\r\n"
              "CREATE TRIGGER c AFTER SELECT ON t EXECUTE PROCEDURE f();\r\n"
              "CREATE TRIGGER d AFTER INSERT ON t FOR EACH ROW EXECUTE PROCEDURE f;\r\n"
              "CREATE TRIGGER ok AFTER INSERT ON t FOR ROW EXECUTE PROCEDURE f();"));
  const auto Errors = T.Errors();
  ASSERT_EQ(Errors.size(), 5u) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(StartsWith(Errors[0], "Must be: BEFORE / AFTER")) << Errors[0];
  EXPECT_TRUE(StartsWith(Errors[1], "Must be: For each STATEMENT / ROW")) << Errors[1];
  EXPECT_TRUE(StartsWith(Errors[2], "Must be: INSERT / UPDATE / DELETE")) << Errors[2];
  // EACH must be written.
  EXPECT_NE(Errors[4].find("EACH"), std::string::npos) << Errors[4];
  EXPECT_TRUE(T.Objs.Triggers.Empty());
  EXPECT_EQ(T.Statements.size(), 5u);
}

TEST(PGTrigger, TheCatalogTextOfOneTriggerIsReadIntoIt) {
  TPGParse T;
  ASSERT_TRUE(T.Parse("CREATE FUNCTION s.trgfn() RETURNS trigger AS $$ $$ LANGUAGE plpgsql;"));
  const std::size_t Reported = T.Statements.size();

  auto* Trg = new TTrgData(&T.Objs);
  Trg->SetObjName("tab_upper");
  Trg->SetOwnName("tab");
  Trg->EditExtra().FullText =
      "CREATE TRIGGER tab_upper BEFORE INSERT OR UPDATE ON s.tab FOR EACH ROW EXECUTE "
      "FUNCTION s.trgfn()";
  ASSERT_TRUE(T.Objs.AddObj(Trg, true));
  T.Parser.ParseObjText(Trg);
  EXPECT_TRUE(T.Errors().empty()) << ::testing::PrintToString(T.Errors());
  EXPECT_EQ(Trg->Timing, baBefore);
  EXPECT_TRUE(Trg->Events.Contains(iudUpdate));
  EXPECT_TRUE(Trg->ForEachRow);
  EXPECT_EQ(Trg->GetSchema(), "s");
  EXPECT_EQ(Trg->Extra().Body, "EXECUTE PROCEDURE s.trgfn()");
  EXPECT_TRUE(Uses(*Trg, *Function(T, "s.trgfn()")));
  EXPECT_EQ(T.Objs.Triggers.Count(), 1);  // filled, not filed again
  EXPECT_EQ(T.Statements.size(), Reported);

  // Errors name the trigger; an empty text is not read.
  auto* Bad = new TTrgData(&T.Objs);
  Bad->SetObjName("bad");
  Bad->SetExtra(&TObjExtra::FullText,
                "CREATE TRIGGER bad SOMETIME INSERT ON s.tab EXECUTE FUNCTION s.trgfn()");
  ASSERT_TRUE(T.Objs.AddObj(Bad, true));
  T.Parser.ParseObjText(Bad);
  ASSERT_EQ(T.Errors().size(), 1u);
  EXPECT_TRUE(StartsWith(T.Errors()[0], "Trigger bad: Must be: BEFORE / AFTER")) << T.Errors()[0];
  auto* Empty = new TTrgData(&T.Objs);
  Empty->SetObjName("empty");
  ASSERT_TRUE(T.Objs.AddObj(Empty, true));
  T.Parser.ParseObjText(Empty);
  EXPECT_EQ(T.Errors().size(), 1u);
  EXPECT_EQ(Empty->Timing, baUnknown);
  // A script read afterwards reports its errors as script errors again.
  EXPECT_FALSE(T.Parse("CREATE TRIGGER x NEVER INSERT ON t EXECUTE PROCEDURE f();"));
  EXPECT_TRUE(StartsWith(T.Errors().back(), "Must be: BEFORE / AFTER")) << T.Errors().back();
}

// ---------------------------------------------------------------------------------------------
// ALTER, DROP, COMMENT, GRANT and REVOKE

TEST(PGAlterFunction, OwnerGoesToTheFunctionOfThatSignature) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE FUNCTION add(a integer, b integer) RETURNS integer AS $$ $$ LANGUAGE sql;\r\n"
      "CREATE FUNCTION add(a text) RETURNS text AS $$ $$ LANGUAGE sql;\r\n"
      "CREATE FUNCTION split(a integer, OUT q integer, OUT r integer) RETURNS record AS $$ $$ "
      "LANGUAGE sql;\r\n"
      "CREATE TABLE t (a integer);\r\n"
      "ALTER FUNCTION public.add(a integer, b integer) OWNER TO alice;\r\n"
      "ALTER FUNCTION public.split(a integer, OUT q integer, OUT r integer) OWNER TO bob;\r\n"
      "ALTER FUNCTION split(integer) OWNER TO carol;\r\n"
      "ALTER FUNCTION missing(integer) OWNER TO dave;\r\n"
      "ALTER TABLE t OWNER TO erin;\r\n"
      "ALTER TABLE ONLY gone OWNER TO erin;"))
      << ::testing::PrintToString(T.Errors());
  EXPECT_EQ(Function(T, "public.add(integer, integer)")->Extra().Creator, "alice");
  EXPECT_EQ(Function(T, "public.add(text)")->Extra().Creator, "");
  TPrcData* Split = dynamic_cast<TPrcData*>(T.Objs.Procedures.FindFirstWithPrefix("public.split("));
  ASSERT_NE(Split, nullptr);
  EXPECT_EQ(Split->Extra().Creator, "carol");  // bob first, then carol: both name the same function
  EXPECT_EQ(T.Table("t")->Extra().Creator, "erin");
  // The lookup list does not replace the function's parameters.
  EXPECT_EQ(Split->Params.Count(), 3);
}

TEST(PGDrop, TablesAndConversionsAreReadOtherKindsAreErrors) {
  TPGParse T;
  EXPECT_FALSE(
      T.Parse("CREATE TABLE t (a integer);\r\n"
              "DROP TABLE t;\r\n"
              "DROP TABLE IF EXISTS public.x CASCADE;\r\n"
              "DROP CONVERSION c;\r\n"
              "DROP VIEW v;"));
  ASSERT_EQ(T.Errors().size(), 1u);
  EXPECT_TRUE(StartsWith(T.Errors()[0], "Unknown DROP-statement.")) << T.Errors()[0];
  EXPECT_NE(T.Table("t"), nullptr);  // nothing is removed
  EXPECT_EQ(T.Statements.size(), 5u);
}

TEST(PGComment, DescriptionsAndTheirReporting) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE SCHEMA s;\r\n"
      "CREATE TABLE s.t (c integer);\r\n"
      "CREATE VIEW v (vc) AS SELECT 1;\r\n"
      "CREATE INDEX i ON t (c);\r\n"
      "CREATE FUNCTION f(a integer, OUT b integer) RETURNS integer AS $$ $$ LANGUAGE sql;\r\n"
      "CREATE FUNCTION tf() RETURNS trigger AS $$ $$ LANGUAGE plpgsql;\r\n"
      "CREATE TRIGGER tr AFTER INSERT ON s.t EXECUTE PROCEDURE tf();\r\n"
      "CREATE TRIGGER tr AFTER INSERT ON other EXECUTE PROCEDURE tf();\r\n"
      "COMMENT ON SCHEMA s IS 'schema s';\r\n"
      "COMMENT ON TABLE s.t IS 'table t';\r\n"
      "COMMENT ON COLUMN s.t.c IS 'column c';\r\n"
      "COMMENT ON COLUMN v.vc IS 'view column';\r\n"
      "COMMENT ON VIEW v IS $$view's$$;\r\n"
      "COMMENT ON TRIGGER tr ON other IS 'trigger';\r\n"
      "COMMENT ON INDEX i IS 'index';\r\n"
      "COMMENT ON FUNCTION f(a integer, OUT b integer) IS 'function';\r\n"
      "COMMENT ON TABLE nowhere IS 'lost';\r\n"
      "COMMENT ON SEQUENCE q IS 'not kept';"))
      << ::testing::PrintToString(T.Errors());
  EXPECT_EQ(T.Objs.GetSchema("s")->Extra().Description, "schema s");
  EXPECT_EQ(T.Table("t")->Extra().Description, "table t");
  EXPECT_EQ(T.Column("t", "c")->Extra().Description, "column c");
  EXPECT_EQ(T.Objs.GetViewField("v", "vc")->Extra().Description, "view column");
  EXPECT_EQ(T.Objs.GetView("v")->Extra().Description, "view's");
  EXPECT_EQ(Trigger(T, "tr ON other")->Extra().Description, "trigger");
  EXPECT_EQ(Trigger(T, "tr ON t")->Extra().Description, "");
  EXPECT_EQ(T.Objs.GetIndex("i")->Extra().Description, "index");
  EXPECT_EQ(dynamic_cast<TPrcData*>(T.Objs.Procedures.FindFirstWithPrefix("public.f("))
                ->Extra()
                .Description,
            "function");

  ASSERT_EQ(T.Statements.size(), 18u);
  struct TExpect {
    TDbObject Kind;
    std::string Name, Owner;
  };
  const std::vector<TExpect> Expected{
      {dboSchema, "s", ""},  {dboTable, "t", "s"},    {dboField, "c", "t"},
      {dboField, "vc", "v"}, {dboView, "v", ""},      {dboTrigger, "tr", ""},
      {dboIndex, "i", ""},   {dboProcedure, "f", ""}, {dboTable, "nowhere", "public"}};
  for (std::size_t I = 0; I < Expected.size(); ++I) {
    const auto& S = T.Statements[8 + I];
    EXPECT_EQ(S.Typ, stDescription) << I;
    EXPECT_EQ(S.ObjType, Expected[I].Kind) << I;
    EXPECT_EQ(S.ObjName, Expected[I].Name) << I;
    EXPECT_EQ(S.OwnName, Expected[I].Owner) << I;
  }
  // A kind the model keeps no description for is passed over with a note.
  EXPECT_EQ(T.Statements[17].Typ, stStatement);
  const auto Notes = T.Messages(mt_Inf);
  ASSERT_EQ(Notes.size(), 1u);
  EXPECT_EQ(Notes[0]->Text, "Statement passed over: COMMENT ON SEQUENCE.");
}

TEST(PGComment, IsNullRemovesTheDescriptionAndATableColumnWinsOverAViewColumn) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TABLE t (c integer);\r\n"
              "CREATE VIEW t2 (c) AS SELECT 1;\r\n"
              "COMMENT ON TABLE t IS 'x';\r\n"
              "COMMENT ON TABLE t IS NULL;\r\n"
              "COMMENT ON COLUMN t.c IS E'tab\\tcol';\r\n"
              "COMMENT ON COLUMN t.missing IS 'none';"));
  EXPECT_EQ(T.Table("t")->Extra().Description, "");
  EXPECT_EQ(T.Column("t", "c")->Extra().Description, "tab\tcol");
  EXPECT_EQ(T.Objs.GetViewField("t2", "c")->Extra().Description, "");
  TPGParse Bad;
  EXPECT_FALSE(Bad.Parse("COMMENT ON TABLE t IS 5;"));
}

TEST(PGGrant, SchemaGrantsAreReadOtherTargetsAreErrors) {
  TPGParse T;
  EXPECT_FALSE(
      T.Parse("GRANT USAGE ON SCHEMA s TO PUBLIC;\r\n"
              "GRANT ALL PRIVILEGES ON SCHEMA s, t TO alice, GROUP staff WITH GRANT OPTION;\r\n"
              "GRANT SELECT, INSERT, UPDATE, DELETE, REFERENCES, CREATE ON SCHEMA s TO bob;\r\n"
              "REVOKE ALL ON SCHEMA public FROM PUBLIC;\r\n"
              "REVOKE GRANT OPTION FOR USAGE ON SCHEMA s FROM alice CASCADE;\r\n"
              "GRANT SELECT ON TABLE t TO bob;\r\n"
              "REVOKE SELECT ON t FROM bob;\r\n"
              "GRANT admin TO bob;"));
  const auto Errors = T.Errors();
  ASSERT_EQ(Errors.size(), 3u) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(StartsWith(Errors[0], "Unknown GRANT statement")) << Errors[0];
  EXPECT_TRUE(StartsWith(Errors[1], "Unknown REVOKE statement")) << Errors[1];
  EXPECT_TRUE(StartsWith(Errors[2], "Unknown GRANT statement")) << Errors[2];
  EXPECT_TRUE(T.Objs.Grants.Empty());
  EXPECT_EQ(T.Statements.size(), 8u);
}

}  // namespace
}  // namespace qel
