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
#include "pg_extract_util.h"
#include "qelComp_Dmn.h"
#include "qelComp_Prc.h"

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

/// The kinds of this step group, one line per object, entry and attribute, in key order.
TLines Describe(TObjs& O) {
  TLines R;
  for (int I = 0; I < O.Conversions.Count(); ++I) {
    auto* C = dynamic_cast<TCnvData*>(O.Conversions[I]);
    R.push_back("conversion " + C->Extra().Creator + " <" + C->Extra().Description + "> " +
                C->Def());
  }
  for (int I = 0; I < O.Domains.Count(); ++I) {
    auto* D = dynamic_cast<TDmnData*>(O.Domains[I]);
    R.push_back("domain " + D->GetSchema() + " " + D->Extra().Creator + " <" +
                D->Extra().Description + "> " + D->Def() + " check <" +
                D->TypeField->Extra().CheckText + ">");
    for (const auto& A : D->PGOptions->Attributes)
      R.push_back("  " + std::to_string(A->Position) + " " + A->GetObjName() + " <" +
                  A->Extra().Description + ">");
  }
  for (int I = 0; I < O.Operators.Count(); ++I) {
    auto* P = dynamic_cast<TOprData*>(O.Operators[I]);
    R.push_back("operator " + P->Extra().Creator + " <" + P->Extra().Description + "> " + P->Def());
  }
  for (int I = 0; I < O.OperatorClasses.Count(); ++I) {
    auto* C = dynamic_cast<TOpcData*>(O.OperatorClasses[I]);
    R.push_back("class " + C->Extra().Creator + " <" + C->Extra().Description + "> " + C->Def());
  }
  return R;
}

class PGExtractTypesDb : public TPGExtractTest {
 protected:
  static void SetUpTestSuite() {
    const std::string Failure = BuildDatabase(TestDatabase, TypesScript, OpClassScript);
    ASSERT_TRUE(Failure.empty()) << Failure;
  }
  static void TearDownTestSuite() { DropDatabase(TestDatabase); }

  void SetUp() override {
    TerminateRunning = false;
    SetUpExtractor(TestDatabase);
  }

  bool Superuser() { return RolSuper() == TLines{"True"}; }
};

TDmnData* DomainNamed(TObjs& O, const std::string& Name) {
  return Named<TDmnData>(O.Domains, Name);
}

TOprData* OperatorNamed(TObjs& O, const std::string& Name) {
  return Named<TOprData>(O.Operators, Name);
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
  EXPECT_EQ(Pos->Extra().Creator, "qel");
  EXPECT_EQ(Pos->Extra().Description, "positive\r\nnumbers");
  EXPECT_FALSE(Pos->TypeField->Nullable);
  EXPECT_EQ(Pos->TypeField->DefValue, "1");
  EXPECT_EQ(Pos->TypeField->Extra().CheckText, "(VALUE > 0)");
  // The precision and scale are the domain's own.
  TDmnData* Price = DomainNamed(Objs(), "price");
  ASSERT_NE(Price, nullptr);
  EXPECT_EQ(Price->TypeField->Precision, 10);
  EXPECT_EQ(Price->TypeField->Scale, 2);
  EXPECT_EQ(Price->TypeField->Extra().CheckText,
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
  EXPECT_EQ(Objs().GetTable("uses_them")->Fields[0]->Extra().DomainName, "posint");
}

TEST_F(PGExtractTypesDb, OneExtractionIsRecordedAndReplaysTheSame) {
  std::string Recorded =
      "# Recorded from the PostgreSQL 15 server of the test run: the conversions, domains, "
      "types,\n"
      "# operators and operator classes of the database built from TypesScript and "
      "OpClassScript\n"
      "# of tests/db/test_pg_extract_types_db.cpp, read by TPGDBExtract.\n";
  Ex.CompareObjects = TCmpObjSetType{coDomain};
  const bool Extracted = ExtractRecorded(Ex, Conn->C->GetConnectionOptions(), Recorded);
  ASSERT_TRUE(Extracted) << ::testing::PrintToString(Errors);
  const TLines LiveRead = Describe(Objs());
  WriteStringToFile(std::string(QEL_BUILD_DIR) + "/pg_extract_types_recorded.replay", Recorded);

  ASSERT_TRUE(ExtractReplayed(Ex, Conn->C->GetConnectionOptions(), Recorded))
      << ::testing::PrintToString(Errors);
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
create operator === (leftarg = integer, rightarg = integer, procedure = int_near,
  sort1 = <, sort2 = <, ltcmp = <, gtcmp = >);
)SQL";

}  // namespace

TEST_F(PGExtractTypesDb, ExtractThenCompareWithTheSameScriptGivesNoStatements) {
  const std::string Database = "qel_pgx_types_compare";
  const std::string Failure = BuildDatabase(Database, CompareScript);
  ASSERT_TRUE(Failure.empty()) << Failure;
  TDBStructure MH{nullptr}, TH{nullptr};
  std::string Why;
  const std::string Script =
      UpdateScript(Ex, *Conn, Database, CompareScript, TCmpObjSetType{coDomain}, MH, TH, Why);
  ASSERT_TRUE(Why.empty()) << Why;
  EXPECT_EQ(TH.GetMetadata()->Domains.Count(), 4);
  EXPECT_EQ(TH.GetMetadata()->Operators.Count(), 3);
  EXPECT_EQ(TH.GetMetadata()->Conversions.Count(), 1);
  EXPECT_EQ(Script, "") << "master:\n"
                        << ::testing::PrintToString(Describe(*MH.GetMetadata())) << "\ntarget:\n"
                        << ::testing::PrintToString(Describe(*TH.GetMetadata()));
  DropDatabase(Database);
}
