// The conversion, domain, type, operator and operator-class steps of the PostgreSQL catalog
// extractor without a server: the replay adapter answers with one extraction recorded from a
// PostgreSQL 15 database that holds every kind (pg_extract_types.replay), with the old server of
// pg_extract_old_server.replay (owners from pg_user, consrc, opcmethod), and with an older one
// still (opcamid, amopclaid and the four sort operators).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "pg_replay_util.h"
#include "qelComp_Dmn.h"
#include "qelComp_Prc.h"
#include "qelDBStructure.h"
#include "qelPGDatabaseExtract.h"

using namespace qel;
using namespace qel::replay;
using namespace qel::testing;

namespace {

using TLines = std::vector<std::string>;

/// Text with the first From replaced by To.
std::string Replaced(std::string Text, const std::string& From, const std::string& To) {
  const std::size_t At = Text.find(From);
  EXPECT_NE(At, std::string::npos) << From;
  if (At != std::string::npos) Text.replace(At, From.size(), To);
  return Text;
}

/// The old server's base answers, with the conversion ... operator-class answers of Part.
std::string OldServer(const std::string& Part) {
  return ReplayFixture("pg_extract_old_server.replay") + ReplayFixture(Part);
}

class PGExtractTypes : public TPGReplayTest {
 protected:
  void SetUp() override { TerminateRunning = false; }
  void TearDown() override { TerminateRunning = false; }

  void Serve(const std::string& Text) {
    Replay(Text, "qel_pgx_types");
    Link();
    Ex.CompareObjects = TCmpObjSetType{coDomain};
  }

  TDmnData* Domain(const std::string& Name) { return Named<TDmnData>(Objs().Domains, Name); }
  TOprData* Operator(const std::string& Name) { return Named<TOprData>(Objs().Operators, Name); }
};

TLines Entries(const TStringList& List) {
  TLines R;
  for (int I = 0; I < List.Count(); ++I) {
    if (const auto* O = dynamic_cast<const TOpcOprData*>(List.Objects(I))) R.push_back(O->Def());
    if (const auto* F = dynamic_cast<const TOpcFncData*>(List.Objects(I))) R.push_back(F->Def());
  }
  return R;
}

const char* const AmopLine = "select oc.oid as class_oid, o.amopstrategy, o.amopopr, op.oprname,";
const char* const AmprocLine = "select oc.oid as class_oid, o.amprocnum, o.amproc, p.proname,";

}  // namespace

TEST_F(PGExtractTypes, EveryKindOfARecordedDatabaseWithAFixedNumberOfQueries) {
  Serve(ReplayFixture("pg_extract_types.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  // One query per step, one more for the attributes of all composite types and two more for
  // the entries of all operator classes.
  EXPECT_EQ(Sent(),
            (TLines{"<connect>", "select cast(1 as integer) as typ, c.oid",
                    "select ns.nspname, ns, ns.nspowner, d.description",
                    "select t.conname, s.nspname, t.condefault,",
                    "select t.typname, t.typbasetype, t.typnotnull, t.typdefault, s.nspname,",
                    "select t.typname, ns.nspname as schemaname, t.typrelid, t.typtype,",
                    "select a.attrelid, a.attname as column_name,",
                    "select o.oprname, s.nspname, d.description, o.oprkind, o.oprcanhash,",
                    "select o.oid, o.opcname, s.nspname, d.description, o.opcmethod, am.amname,",
                    AmopLine, AmprocLine, "<disconnect>"}));
  EXPECT_EQ(Log, (TLines{"---public",
                         "---geo",
                         "Extracting conversions...",
                         "---latin_conv",
                         "Extracting domains...",
                         "---posint",
                         "---price",
                         "---code",
                         "Extracting types...",
                         "Range type public.floatrange passed over.",
                         "Enum type public.mood passed over.",
                         "---point3",
                         "Extracting operators...",
                         "---public.~~~ (integer, integer)",
                         "---public.!~~~ (integer, integer)",
                         "---public.@-@ (NONE, integer)",
                         "Extracting operator classes...",
                         "---int_near_ops(btree)",
                         "Parsing bodys...",
                         "Linking dependencies..."}));
  // What cannot be held is said as information, never as an error.
  EXPECT_EQ(Ex.GetMsgManager()->GetInfCount(), 2);
  EXPECT_FALSE(Ex.GetMsgManager()->GetIsErr());

  auto* Cnv = Named<TCnvData>(Objs().Conversions, "latin_conv");
  ASSERT_NE(Cnv, nullptr);
  EXPECT_EQ(Cnv->GetSchema(), "public");
  EXPECT_EQ(Cnv->Extra().Creator, "qel");
  EXPECT_EQ(Cnv->Extra().Description, "to latin");
  EXPECT_FALSE(Cnv->IsDefault);
  EXPECT_EQ(Cnv->FuncName, "utf8_to_iso8859_1");
  EXPECT_EQ(Cnv->SourceEncoding, "UTF8");
  EXPECT_EQ(Cnv->DestEncoding, "LATIN1");
}

TEST_F(PGExtractTypes, DomainsComeWithTypeNotNullDefaultCheckAndSchema) {
  Serve(ReplayFixture("pg_extract_types.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  TDmnData* Pos = Domain("posint");
  ASSERT_NE(Pos, nullptr);
  EXPECT_FALSE(Pos->PGOptions->IsType);
  EXPECT_EQ(Pos->Extra().Description, "positive\r\nnumbers");
  EXPECT_EQ(Pos->Extra().Creator, "qel");
  EXPECT_EQ(Pos->GetSchema(), "public");
  EXPECT_EQ(Pos->TypeField->OwnerObj, Pos);
  EXPECT_EQ(Pos->Def(), "CREATE DOMAIN public.posint integer not null default 1 CHECK (VALUE > 0)");
  // PostgreSQL 15 keeps no consrc: the condition comes out of pg_get_constraintdef.
  EXPECT_EQ(Pos->TypeField->Extra().CheckText, "(VALUE > 0)");

  // A numeric domain's precision and scale are read from the domain's own type modifier.
  TDmnData* Price = Domain("price");
  ASSERT_NE(Price, nullptr);
  // Both checks, in name order, each as a clause of its own under the name the catalog holds.
  EXPECT_EQ(
      Price->Def(),
      "CREATE DOMAIN public.price numeric(10,2) default 0 CONSTRAINT price_max CHECK (VALUE < "
      "(1000000)::numeric) CONSTRAINT price_min CHECK (VALUE >= (0)::numeric)");
  EXPECT_EQ(Price->TypeField->Extra().CheckText,
            "(VALUE < (1000000)::numeric) CHECK (VALUE >= (0)::numeric)");

  TDmnData* Code = Domain("code");
  ASSERT_NE(Code, nullptr);
  EXPECT_EQ(Code->GetSchema(), "geo");
  EXPECT_EQ(Code->TypeField->FieldType, iftVarchar);
  EXPECT_EQ(Code->TypeField->Size, 8);
  EXPECT_TRUE(Code->TypeField->Nullable);
  EXPECT_EQ(Code->TypeField->DefValue, "");
  EXPECT_EQ(Code->TypeField->Extra().CheckText, "((VALUE)::text ~ '^[A-Z]+$'::text)");
}

TEST_F(PGExtractTypes, ACompositeTypeListsItsAttributesInOrder) {
  Serve(ReplayFixture("pg_extract_types.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  // Three domains and one type; the enum, the range and the array types are not among them.
  EXPECT_EQ(Objs().Domains.Count(), 4);
  TDmnData* P3 = Domain("point3");
  ASSERT_NE(P3, nullptr);
  EXPECT_TRUE(P3->PGOptions->IsType);
  EXPECT_EQ(P3->GetSchema(), "geo");
  EXPECT_EQ(P3->Extra().Creator, "qel");
  EXPECT_EQ(P3->Extra().Description, "a point in space");
  const auto& A = P3->PGOptions->Attributes;
  ASSERT_EQ(A.Count(), 4);
  TLines Names;
  for (int I = 0; I < A.Count(); ++I) {
    Names.push_back(A[I]->GetObjName());
    EXPECT_EQ(A[I]->Position, I + 1);
    EXPECT_EQ(A[I]->OwnerObj, P3);
    EXPECT_EQ(A[I]->TableName, "point3");
  }
  EXPECT_EQ(Names, (TLines{"x", "y", "z", "label"}));
  EXPECT_EQ(A[3]->Extra().Description, "what it is");
  EXPECT_EQ(P3->Def(),
            "CREATE TYPE geo.point3 AS (\r\nx double precision,\r\ny double precision,\r\nz "
            "numeric(8,3),\r\nlabel varchar(20))");
}

TEST_F(PGExtractTypes, OperatorsAndOperatorClassesWithTheirEntries) {
  Serve(ReplayFixture("pg_extract_types.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  // citext's operators and operator classes are the extension's: not read.
  EXPECT_EQ(Objs().Operators.Count(), 3);
  TOprData* Near = Operator("~~~");
  ASSERT_NE(Near, nullptr);
  EXPECT_EQ(Near->Extra().Description, "near");
  EXPECT_EQ(Near->Extra().Creator, "qel");
  EXPECT_EQ(Near->Def(),
            "CREATE OPERATOR public.~~~(\r\nPROCEDURE = int_near,\r\nLEFTARG = integer,\r\n"
            "RIGHTARG = integer,\r\nCOMMUTATOR = ~~~,\r\nNEGATOR = !~~~,\r\nRESTRICT = eqsel,\r\n"
            "JOIN = eqjoinsel,\r\nHASHES,\r\nMERGES)");
  // No estimators: the server's "-" is no function name.
  TOprData* Far = Operator("!~~~");
  ASSERT_NE(Far, nullptr);
  EXPECT_EQ(Far->Restrict, "");
  EXPECT_FALSE(Far->Hashes);
  EXPECT_FALSE(Far->Merges);
  // Operand types as a script writes them.
  EXPECT_EQ(Operator("@-@")->ObjKeyDef(), "public.@-@ (NONE, integer)");

  ASSERT_EQ(Objs().OperatorClasses.Count(), 1);
  auto* Opc = dynamic_cast<TOpcData*>(Objs().OperatorClasses[0]);
  EXPECT_EQ(Opc->GetObjName(), "int_near_ops");
  EXPECT_EQ(Opc->GetSchema(), "geo");
  EXPECT_EQ(Opc->Extra().Description, "for tests");
  EXPECT_EQ(Opc->IndexMethod, "btree");
  EXPECT_EQ(Opc->DataType, "integer");
  EXPECT_EQ(Opc->StorageType, "");
  EXPECT_FALSE(Opc->IsDefault);
  // The five strategies in strategy order, without the operand types that are the class's own;
  // the support function with its argument types as a script writes them.
  TLines Strategies;
  for (int I = 0; I < Opc->OprEntries.Count(); ++I)
    Strategies.push_back(
        std::to_string(dynamic_cast<TOpcOprData*>(Opc->OprEntries.Objects(I))->Strategy));
  EXPECT_EQ(Strategies.size(), 5u);
  TLines Ops = Entries(Opc->OprEntries);
  std::sort(Ops.begin(), Ops.end());
  EXPECT_EQ(Ops, (TLines{"OPERATOR 1 <",
                         "OPERATOR 2 <=", "OPERATOR 3 =", "OPERATOR 4 >=", "OPERATOR 5 >"}));
  EXPECT_EQ(Entries(Opc->FncEntries), TLines{"FUNCTION 1 btint4cmp(integer, integer)"});
}

TEST_F(PGExtractTypes, AnOldServerGetsTheQueriesItsCatalogAnswers) {
  // Owners from pg_user, the check from consrc, opcmethod without the old sort operators.
  Serve(OldServer("pg_extract_old_server.types.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_FALSE(Ex.GetMsgManager()->GetIsErr());

  auto* Cnv = Named<TCnvData>(Objs().Conversions, "old_conv");
  ASSERT_NE(Cnv, nullptr);
  EXPECT_TRUE(Cnv->IsDefault);
  EXPECT_EQ(Cnv->Extra().Creator, "postgres");

  TDmnData* Short = Domain("shortname");
  ASSERT_NE(Short, nullptr);
  EXPECT_EQ(Short->Extra().Creator, "");                    // no row in the user catalog
  EXPECT_EQ(Short->Extra().Description, "an old\ndomain");  // line breaks as the server keeps them
  // consrc holds the condition itself; a second check follows as a clause of its own.
  EXPECT_EQ(Short->TypeField->Extra().CheckText,
            "((VALUE)::text <> ''::text) CHECK (length((VALUE)::text) < 9)");
  EXPECT_EQ(Short->TypeField->DefValue, "'x'::character varying");
  EXPECT_FALSE(Short->TypeField->Nullable);
  EXPECT_EQ(Short->TypeField->Size, 10);

  // A base type: functions the server writes as "-" are not given, the default delimiter is
  // left out, and every storage code has its name.
  TDmnData* Base = Domain("old_base");
  ASSERT_NE(Base, nullptr);
  const TPGTypeOptions& O = *Base->PGOptions;
  EXPECT_TRUE(O.IsType);
  EXPECT_EQ(Base->Extra().Description, "an old base type");
  EXPECT_EQ(Base->Extra().Creator, "postgres");
  EXPECT_EQ(O.Input, "old_base_in");
  EXPECT_EQ(O.Output, "old_base_out");
  EXPECT_EQ(O.Receive, "");
  EXPECT_EQ(O.Send, "");
  EXPECT_EQ(O.Analyze, "");
  EXPECT_EQ(O.Alignment, iftChar);
  EXPECT_EQ(O.InternalLength, 16);
  EXPECT_FALSE(O.PassedByValue);
  EXPECT_EQ(O.Storage, "main");
  EXPECT_EQ(O.Delimiter, ";");
  EXPECT_EQ(Base->Def(),
            "CREATE TYPE public.old_base(\r\nINPUT = old_base_in,\r\nOUTPUT = old_base_out,\r\n"
            "INTERNALLENGTH = 16,\r\nALIGNMENT = char,\r\nSTORAGE = main,\r\nDELIMITER = ';')");
  TDmnData* Pair = Domain("pair");
  ASSERT_NE(Pair, nullptr);
  ASSERT_EQ(Pair->PGOptions->Attributes.Count(), 2);  // the stray relation's column went nowhere
  EXPECT_EQ(Pair->PGOptions->Attributes[1]->Extra().Description, "the second");
  EXPECT_EQ(Pair->PGOptions->Attributes[1]->Size, 12);
  EXPECT_EQ(Pair->PGOptions->Delimiter, "");

  TOprData* Dist = Operator("<->");
  ASSERT_NE(Dist, nullptr);
  EXPECT_TRUE(Dist->Merges);
  EXPECT_EQ(Dist->Sort1, "");

  auto* Opc = Named<TOpcData>(Objs().OperatorClasses, "pair_ops");
  ASSERT_NE(Opc, nullptr);
  EXPECT_TRUE(Opc->IsDefault);
  EXPECT_EQ(Opc->IndexMethod, "hash");
  EXPECT_EQ(Entries(Opc->OprEntries), TLines{"OPERATOR 1 ="});
  EXPECT_EQ(Entries(Opc->FncEntries), TLines{"FUNCTION 1 pair_hash(pair)"});
}

TEST_F(PGExtractTypes, AServerBefore83NamesTheOldOperatorAndClassColumns) {
  // No opcmethod (classes name their access method in opcamid, entries their class in
  // amopclaid), and the four sort and comparison operators of pg_operator.
  std::string Text = ReplayFixture("pg_extract_old_server.replay");
  Text = Replaced(Text, "row\t22\t2616\n", "row\t23\t2617\n");
  Serve(Text + ReplayFixture("pg_types_ancient_server.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_FALSE(Ex.GetCatalogInfo().Has(pgcOpcMethod));
  EXPECT_TRUE(Ex.GetCatalogInfo().Has(pgcOprLSortOp));
  TOprData* Lt = Operator("<<<");
  ASSERT_NE(Lt, nullptr);
  EXPECT_EQ(Lt->Sort1, "<<<");
  EXPECT_EQ(Lt->Sort2, "<<<");
  EXPECT_EQ(Lt->LtCmp, "<<<");
  EXPECT_EQ(Lt->GtCmp, ">>>");
  EXPECT_FALSE(Lt->Merges);
  auto* Opc = Named<TOpcData>(Objs().OperatorClasses, "old_ops");
  ASSERT_NE(Opc, nullptr);
  EXPECT_EQ(Opc->IndexMethod, "btree");
  // Operand types other than the class's own are kept.
  EXPECT_EQ(Entries(Opc->OprEntries), TLines{"OPERATOR 1 <<< (integer, bigint)"});
  EXPECT_EQ(Entries(Opc->FncEntries), TLines{"FUNCTION 1 old_cmp(integer, integer)"});
}

TEST_F(PGExtractTypes, AFailedEntryQueryNamesItsStepAndAddsNoHalfReadClass) {
  Serve(WithError(ReplayFixture("pg_extract_types.replay"), AmprocLine,
                  "ERROR:  permission denied for table pg_amproc"));
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_EQ(Errors.size(), 1u) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Errors[0], "TPGDBExtract.ExtractOpc(): ERROR:  permission denied for table pg_amproc");
  // A class without its support functions would be written back without them.
  EXPECT_EQ(Objs().OperatorClasses.Count(), 0);
  EXPECT_EQ(Objs().Operators.Count(), 3);  // what the steps before read stays
  EXPECT_FALSE(C->GetConnected());
}

TEST_F(PGExtractTypes, ACancelWhileTypesAreReadEndsTheStepAndTheRun) {
  Serve(OldServer("pg_extract_old_server.types.replay"));
  CancelOn = "---old_base";  // the first of two types
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_TRUE(Ex.GetCancelled());
  EXPECT_EQ(Errors, (TLines{"TPGDBExtract.ExtractDatabase(): Extraction cancelled."}));
  EXPECT_NE(Domain("old_base"), nullptr);
  EXPECT_EQ(Domain("pair"), nullptr) << "the type after the cancel was added";
  EXPECT_FALSE(C->GetConnected());
}

TEST_F(PGExtractTypes, WithoutDomainsInTheKindSetNoneOfTheStepsRuns) {
  Serve(ReplayFixture("pg_extract_types.replay"));
  Ex.CompareObjects = TCmpObjSetType{};
  ASSERT_TRUE(Ex.ExtractDatabase());
  EXPECT_EQ(Sent(), (TLines{"<connect>", "select cast(1 as integer) as typ, c.oid",
                            "select ns.nspname, ns, ns.nspowner, d.description", "<disconnect>"}));
  EXPECT_EQ(Objs().Domains.Count() + Objs().Conversions.Count() + Objs().Operators.Count() +
                Objs().OperatorClasses.Count(),
            0);
}

namespace {
struct TExposedExtract : TPGDBExtract {
  using TPGDBExtract::SplitTypeList;
};
}  // namespace

TEST(PGExtractTypeList, TheArgumentTypesOfASupportFunctionAreSplitOutsideQuotes) {
  EXPECT_EQ(TExposedExtract::SplitTypeList("integer, integer"), (TLines{"integer", "integer"}));
  EXPECT_EQ(TExposedExtract::SplitTypeList("\"a, b\", character varying"),
            (TLines{"\"a, b\"", "character varying"}));
  EXPECT_EQ(TExposedExtract::SplitTypeList("internal"), TLines{"internal"});
  EXPECT_TRUE(TExposedExtract::SplitTypeList("").empty());
  // A list with an empty place keeps the place rather than shifting the arguments.
  EXPECT_EQ(TExposedExtract::SplitTypeList("integer, , text"), (TLines{"integer", "", "text"}));
}
