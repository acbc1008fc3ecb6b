// Functions, procedures and triggers of the PostgreSQL catalog extractor without a server: the
// replay adapter answers with an extraction recorded from PostgreSQL 15 (a database with
// routines and triggers of every form, partitions and identity and generated columns:
// pg_extract_prc_db.replay) and with a hand-written older server (pg_extract_old_server.replay
// and the function and trigger answers beside it).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pg_replay_util.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelDBStructure.h"
#include "qelPGDatabaseExtract.h"

using namespace qel;
using namespace qel::replay;
using namespace qel::testing;

namespace {

using TLines = std::vector<std::string>;

/// The catalog text readers, reachable from a test.
struct TReaders : TPGDBExtract {
  using TPGDBExtract::ArrayItems;
  using TPGDBExtract::ExpressionListItems;
  using TPGDBExtract::OidItems;
  using TPGDBExtract::SetParamDefaults;
};

class PGExtractPrcReplay : public TPGReplayTest {
 protected:
  void Serve(const std::string& Text) {
    Replay(Text, "qel_pgx_prc");
    Link();
    // The recording holds no answers for the domain-class steps.
    Ex.CompareObjects = TCmpObjSetType{coTable, coView,   coProcedure,  coTrigger,   coIndex,
                                       coCheck, coUnique, coForeignKey, coPrimaryKey};
  }

  /// How many statements sent begin with Head.
  int SentStarting(const std::string& Head) {
    int N = 0;
    for (const std::string& L : Db().Log) N += L.rfind(Head, 0) == 0 ? 1 : 0;
    return N;
  }
  TPrcData* Routine(const std::string& Name) { return Named<TPrcData>(Objs().Procedures, Name); }
  TTrgData* Trigger(const std::string& Name) { return Named<TTrgData>(Objs().Triggers, Name); }
  static bool Uses(const TDbObj* Obj, const TDbObj* Other) {
    for (const auto& D : Obj->UseOf)
      if (D->DepObj == Other) return true;
    return false;
  }
};

const std::string RoutinesHead = "select p.oid, p.proname, p.prosrc, ns.nspname, l.lanname,";
const std::string TypesHead = "select t.oid, t.typtypmod, t.typname, et.typname as elemname,";
const std::string TriggersHead = "select t.tgname, t.tgtype, tb.relname,";

}  // namespace

TEST_F(PGExtractPrcReplay, RoutinesAndTriggersCostAFixedNumberOfQueries) {
  Serve(ReplayFixture("pg_extract_prc_db.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(Errors.empty());
  EXPECT_FALSE(Ex.GetMsgManager()->GetIsErr());
  // Five routines with a dozen parameters: one query for the routines, one for all the types
  // they name, one for the triggers.
  EXPECT_EQ(Objs().Procedures.Count(), 5);
  EXPECT_EQ(SentStarting(RoutinesHead), 1);
  EXPECT_EQ(SentStarting(TypesHead), 1);
  EXPECT_EQ(SentStarting(TriggersHead), 1);
}

TEST_F(PGExtractPrcReplay, ParametersKeepTheirOrderNamesDirectionsAndTypes) {
  Serve(ReplayFixture("pg_extract_prc_db.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);

  TPrcData* Split = Routine("split_name");
  ASSERT_NE(Split, nullptr);
  ASSERT_EQ(Split->Params.Count(), 3);
  EXPECT_EQ(Split->Params[0]->GetObjName(), "full_name");
  EXPECT_EQ(Split->Params[0]->InOut, ioIn);
  EXPECT_EQ(Split->Params[1]->InOut, ioOut);
  EXPECT_EQ(Split->Params[2]->GetObjName(), "last name");
  EXPECT_EQ(Split->Params[2]->InOut, ioInout);
  EXPECT_EQ(Split->Params[2]->OwnerObj, Split);
  EXPECT_EQ(Split->Params[2]->TableName, "split_name");
  // The result type follows from the output parameters and is not written.
  EXPECT_EQ(Split->Results.Count(), 0);
  EXPECT_EQ(Split->ParamDef(true),
            "(in full_name text,\r\nout first_name text,\r\ninout \"last name\" text)");

  // RETURNS TABLE: its columns are output parameters; the set of records is the result.
  TPrcData* Of = Routine("orders_of");
  ASSERT_NE(Of, nullptr);
  EXPECT_TRUE(Of->ReturnsSetOf);
  ASSERT_EQ(Of->Params.Count(), 3);
  EXPECT_EQ(Of->Params[1]->InOut, ioOut);
  EXPECT_EQ(Of->Params[2]->FieldType, iftText);
  EXPECT_EQ(Of->Params[2]->Extra().ArrayBounds.size(), 1u);
  ASSERT_EQ(Of->Results.Count(), 1);
  EXPECT_EQ(Of->Results[0]->Extra().DomainName, "record");

  // Inputs without a mode on the server have no direction.
  TPrcData* Tax = Routine("add_tax");
  ASSERT_NE(Tax, nullptr);
  EXPECT_EQ(Tax->GetSchema(), "sales");
  ASSERT_EQ(Tax->Params.Count(), 2);
  EXPECT_EQ(Tax->Params[0]->InOut, ioUnknown);
  EXPECT_EQ(Tax->Params[0]->FieldType, iftNumeric);
  EXPECT_EQ(Tax->ObjKeyDef(), "sales.add_tax(numeric, numeric)");
  EXPECT_EQ(Tax->Volatility, "IMMUTABLE");
  EXPECT_TRUE(Tax->NullOnNullInput);
  EXPECT_EQ(Tax->Extra().Description, "price\r\nwith tax");
  // Who it runs as is not kept: named once.
  const TMsgManager& Msgs = *Ex.GetMsgManager();
  std::vector<std::string> Warnings;
  for (int I = 0; I < Msgs.GetMsgCount(); ++I)
    if (Msgs.Items(I).MsgType == mt_Wrn) Warnings.push_back(Msgs.Items(I).Text);
  EXPECT_EQ(Warnings, (std::vector<std::string>{
                          "Function sales.add_tax: SECURITY DEFINER not kept; "
                          "the function is written and compared without it.",
                          "Trigger customer_late of customer is a constraint trigger, which is not "
                          "read: passed over.",
                          "Extension citext (schema public) is not read: an update does not create "
                          "it, nor what it brings."}));

  // A procedure has no result: the server's "void" is no return type.
  TPrcData* Archive = Routine("archive");
  ASSERT_NE(Archive, nullptr);
  EXPECT_FALSE(Archive->IsFunction);
  EXPECT_EQ(Archive->Results.Count(), 0);
  EXPECT_EQ(Archive->Def().rfind("CREATE PROCEDURE public.archive(", 0), 0u) << Archive->Def();
}

TEST_F(PGExtractPrcReplay, WhatTheModelCannotHoldIsNamedAndPassedOver) {
  Serve(ReplayFixture("pg_extract_prc_db.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  for (const char* Line : {
           "Aggregate public.total_text passed over.",
           "Function public.answer has a body in the standard SQL form, passed over.",
           "Function public.var_sum takes a variadic parameter, passed over.",
           "Table sales.events is partitioned, passed over.",
           "Table sales.events_2020 is a partition, passed over.",
           "Constraint events_pkey of partitioned table events passed over.",
           "Constraint events_2020_pkey of partition events_2020 passed over.",
           "Column counted.id is an identity column, read without its identity.",
           "Column counted.b is a generated column, read without its expression.",
           "Trigger customer_cols of customer fires on UPDATE OF a column list, passed over.",
           "Trigger customer_trunc of customer fires on TRUNCATE, passed over.",
           "Trigger customer_late of customer is a constraint trigger, which is not read: passed "
           "over.",
           "Trigger events_insert of events_2020 passed over: its table is a partition.",
       })
    EXPECT_TRUE(Logged(Line)) << Line << "\n" << ::testing::PrintToString(Log);
  // Information only: nothing is an error, and the extension's functions are not read.
  EXPECT_FALSE(Ex.GetMsgManager()->GetIsErr());
  EXPECT_EQ(Routine("citextin"), nullptr);
  EXPECT_EQ(Objs().GetTable("events_2020"), nullptr);
  TTblData* Counted = Objs().GetTable("counted");
  ASSERT_NE(Counted, nullptr);
  ASSERT_EQ(Counted->Fields.Count(), 3);
  EXPECT_EQ(Counted->Fields[2]->DefValue, "");
  EXPECT_EQ(Counted->Fields[2]->FieldType, iftInteger);
}

TEST_F(PGExtractPrcReplay, TriggersAreReadAgainByTheParserAndUseTheirFunction) {
  Serve(ReplayFixture("pg_extract_prc_db.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Objs().Triggers.Count(), 4);
  TPrcData* Touch = Routine("touch_customer");
  ASSERT_NE(Touch, nullptr);

  TTrgData* Renamed = Trigger("customer_renamed");
  ASSERT_NE(Renamed, nullptr);
  EXPECT_EQ(Renamed->Timing, baBefore);
  EXPECT_TRUE(Renamed->ForEachRow);
  EXPECT_TRUE(Renamed->Events.Contains(iudUpdate));
  EXPECT_FALSE(Renamed->Events.Contains(iudInsert));
  // The text is the server's whole statement; the WHEN condition stays with the body.
  EXPECT_EQ(Renamed->Extra().FullText.rfind("CREATE TRIGGER customer_renamed BEFORE UPDATE ON "
                                            "public.customer FOR EACH ROW WHEN",
                                            0),
            0u)
      << Renamed->Extra().FullText;
  EXPECT_EQ(Renamed->Extra().Body.rfind("WHEN", 0), 0u) << Renamed->Extra().Body;
  EXPECT_TRUE(Uses(Renamed, Touch));

  TTrgData* Audit = Trigger("orders_audit");
  ASSERT_NE(Audit, nullptr);
  EXPECT_EQ(Audit->GetSchema(), "sales");
  EXPECT_EQ(Audit->OwnName, "orders");
  EXPECT_EQ(Audit->Timing, baAfter);
  EXPECT_TRUE(Audit->ForEachStatement);
  EXPECT_FALSE(Audit->ForEachRow);
  EXPECT_TRUE(Uses(Audit, Touch));
  EXPECT_EQ(Audit->Extra().Description, "logs deletions");
  // Written back, the trigger names its table in its schema.
  EXPECT_NE(Audit->Def().find("ON sales.orders"), std::string::npos) << Audit->Def();

  TTrgData* Names = Trigger("names_insert");
  ASSERT_NE(Names, nullptr);
  EXPECT_EQ(Names->Timing, baInsteadOf);
  EXPECT_NE(Names->OwnerObj, nullptr);
}

TEST_F(PGExtractPrcReplay, AnOlderServerGivesCFunctionsAndTriggersInItsOwnForms) {
  Serve(ReplayFixtureWithParts("pg_extract_old_server.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_FALSE(Ex.GetCatalogInfo().HasProArgModes);

  // "-" in probin is no object file: the body stays the body.
  TPrcData* Label = Routine("label_of");
  ASSERT_NE(Label, nullptr);
  EXPECT_EQ(Label->Extra().Body,
            "begin\n  return $2;\nend");  // line breaks as the server keeps them
  EXPECT_EQ(Label->ObjFile, "");
  EXPECT_EQ(Label->Extra().Creator, "postgres");
  EXPECT_EQ(Label->Extra().Description, "labels a number");
  EXPECT_EQ(Label->Volatility, "");
  ASSERT_EQ(Label->Params.Count(), 2);
  // Without modes there is no direction; a name with a blank is one name.
  EXPECT_EQ(Label->Params[0]->InOut, ioUnknown);
  EXPECT_EQ(Label->Params[1]->GetObjName(), "my label");
  EXPECT_EQ(Label->Params[1]->FieldType, iftVarchar);
  ASSERT_EQ(Label->Results.Count(), 1);
  EXPECT_EQ(Label->Results[0]->FieldType, iftVarchar);

  // A C function: its source text is the link symbol, and it has no body.
  TPrcData* Point = Routine("make_point");
  ASSERT_NE(Point, nullptr);
  EXPECT_EQ(Point->ObjFile, "$libdir/points");
  EXPECT_EQ(Point->LinkSymbol, "make_point");
  EXPECT_EQ(Point->Extra().Body, "");
  EXPECT_EQ(Point->Extra().Creator, "");
  EXPECT_TRUE(Point->ReturnsSetOf);
  ASSERT_EQ(Point->Params.Count(), 1);
  EXPECT_EQ(Point->Params[0]->FieldType, iftInteger);
  EXPECT_EQ(Point->Params[0]->Extra().ArrayBounds.size(), 1u);
  EXPECT_NE(Point->Def().find("AS '$libdir/points', 'make_point'"), std::string::npos)
      << Point->Def();

  // Aggregates are known by proisagg there.
  EXPECT_EQ(Routine("legacy_sum"), nullptr);
  EXPECT_TRUE(Logged("Aggregate public.legacy_sum passed over."));

  // tgtype 23: for each row, before, insert and update; 8: for each statement, after, delete.
  TTrgData* Stamp = Trigger("legacy_stamp");
  ASSERT_NE(Stamp, nullptr);
  EXPECT_EQ(Stamp->Timing, baBefore);
  EXPECT_TRUE(Stamp->ForEachRow);
  EXPECT_TRUE(Stamp->Events.Contains(iudInsert));
  EXPECT_TRUE(Stamp->Events.Contains(iudUpdate));
  EXPECT_FALSE(Stamp->Events.Contains(iudDelete));
  TTrgData* Gone = Trigger("legacy_gone");
  ASSERT_NE(Gone, nullptr);
  EXPECT_EQ(Gone->Timing, baAfter);
  EXPECT_TRUE(Gone->ForEachStatement);
  EXPECT_TRUE(Gone->Events.Contains(iudDelete));
  EXPECT_EQ(Gone->Events.Contains(iudInsert), false);
  // The old EXECUTE PROCEDURE form names the function as well.
  EXPECT_TRUE(Uses(Gone, Routine("stamp")));
  EXPECT_FALSE(Ex.GetMsgManager()->GetIsErr());
}

TEST_F(PGExtractPrcReplay, AFailingRoutineQueryEndsTheExtractionThere) {
  std::string Text = ReplayFixture("pg_extract_prc_db.replay");
  const std::size_t At = Text.find("query\t" + RoutinesHead);
  ASSERT_NE(At, std::string::npos);
  const std::size_t Head = Text.find('\n', At) + 1;
  const std::size_t End = Text.find("\nend\n", Head);
  Text = Text.substr(0, Head) + "error\tERROR:  permission denied for table pg_proc" +
         Text.substr(End);
  Serve(Text);
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0], "TPGDBExtract.ExtractPrc(): ERROR:  permission denied for table pg_proc");
  EXPECT_EQ(Objs().Procedures.Count(), 0);
  EXPECT_EQ(SentStarting(TriggersHead), 0);
  EXPECT_FALSE(C->GetConnected());
}

TEST(PGExtractPrcText, ArrayItemsReadTheServersArrayText) {
  EXPECT_EQ(TReaders::ArrayItems("{a,b}"), (TLines{"a", "b"}));
  // Quoted items keep blanks, commas, braces and escaped quotes; an empty name stays a place.
  EXPECT_EQ(TReaders::ArrayItems(R"({"my arg","a,b",x,"",""})"),
            (TLines{"my arg", "a,b", "x", "", ""}));
  EXPECT_EQ(TReaders::ArrayItems(R"({"say \"hi\"","back\\slash","{}"})"),
            (TLines{"say \"hi\"", "back\\slash", "{}"}));
  // NULL unquoted is no name; quoted it is the name NULL.
  EXPECT_EQ(TReaders::ArrayItems(R"({NULL,"NULL"})"), (TLines{"", "NULL"}));
  EXPECT_EQ(TReaders::ArrayItems("{}"), TLines{});
  EXPECT_EQ(TReaders::ArrayItems(""), TLines{});
}

TEST(PGExtractPrcText, ExpressionListItemsSplitAtTheOuterCommas) {
  const std::pair<const char*, TLines> Cases[] = {
      {"0.25", {"0.25"}},
      {"0.25, 'x'::text", {"0.25", "'x'::text"}},
      // Commas inside calls, arrays, literals and quoted names belong to the item.
      {"round(1.5, 1), ARRAY[1, 2], 'a,b'::text, \"c,d\"(1)",
       {"round(1.5, 1)", "ARRAY[1, 2]", "'a,b'::text", "\"c,d\"(1)"}},
      {"'it''s, here'::text, E'back\\', slash'::text",
       {"'it''s, here'::text", "E'back\\', slash'::text"}},
      {"", {}},
  };
  for (const auto& [Text, Items] : Cases)
    EXPECT_EQ(TReaders::ExpressionListItems(Text), Items) << Text;
}

TEST(PGExtractPrcText, DefaultsGoToTheLastInputs) {
  TObjs Objs;
  TPrcData Prc(&Objs);
  for (const TParamInOutType Mode : {ioIn, ioIn, ioOut, ioInout}) {
    auto P = std::make_unique<TFldData>(&Objs);
    P->InOut = Mode;
    Prc.Params.Add(std::move(P));
  }
  TReaders::SetParamDefaults(Prc, {"'x'::text", "now()"});
  EXPECT_EQ(Prc.Params[0]->DefValue, "");
  EXPECT_EQ(Prc.Params[1]->DefValue, "'x'::text");
  EXPECT_EQ(Prc.Params[2]->DefValue, "");  // an output takes no default
  EXPECT_EQ(Prc.Params[3]->DefValue, "current_timestamp");
  // More defaults than inputs: the row is not this routine's; nothing is given.
  TReaders::SetParamDefaults(Prc, {"1", "2", "3", "4"});
  EXPECT_EQ(Prc.Params[0]->DefValue, "");
}

TEST(PGExtractPrcText, OidItemsReadVectorsAndArrays) {
  EXPECT_EQ(TReaders::OidItems("23 1043"), (std::vector<std::int64_t>{23, 1043}));
  EXPECT_EQ(TReaders::OidItems("{23,25,4294967295}"),
            (std::vector<std::int64_t>{23, 25, 4294967295LL}));
  EXPECT_EQ(TReaders::OidItems(""), std::vector<std::int64_t>{});
}
