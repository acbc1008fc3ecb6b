// What a PostgreSQL script's objects are linked to once it is read: the relations, columns and
// functions a view's text reads, the functions a domain check or a column default calls and
// the types a domain or a routine is declared with. The update script creates what is used
// first and takes dependants along when it changes what they read.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "qelComp_Dmn.h"
#include "qelComp_Prc.h"
#include "qelComp_Viw.h"
#include "test_pg_parser.h"

using namespace qel;
using qel::testing::TPGParse;

namespace {

using TNames = std::vector<std::string>;

/// The names of what Obj rests on, sorted.
TNames Reads(const TDbObj* Obj) {
  TNames R;
  if (!Obj) return R;
  for (const auto& D : Obj->UseOf)
    if (D->DepObj) R.push_back(D->DepObj->GetObjName());
  std::sort(R.begin(), R.end());
  return R;
}

const std::string Schema =
    "CREATE TABLE t (id integer, qty integer, \"Odd\" text);\n"
    "CREATE TABLE other (id integer);\n"
    "CREATE FUNCTION dbl(a integer) RETURNS integer AS $$ SELECT a * 2 $$ LANGUAGE sql;\n"
    "CREATE FUNCTION dbl(a bigint) RETURNS bigint AS $$ SELECT a * 2 $$ LANGUAGE sql;\n";

struct TViewCase {
  const char* Name;
  const char* Body;
  TNames Expected;
};

void PrintTo(const TViewCase& C, std::ostream* Os) {
  *Os << C.Name;
}

const TViewCase ViewCases[] = {
    {"ColumnsNamed", "SELECT id FROM t", {"id", "t"}},
    {"EveryColumnUnderAStar", "SELECT * FROM t", {"Odd", "id", "qty", "t"}},
    {"QuotedNamesKeepTheirCase", "SELECT \"Odd\" FROM t", {"Odd", "t"}},
    {"BareNamesFoldToLowerCase", "SELECT ID FROM T", {"id", "t"}},
    {"EveryOverloadOfACall", "SELECT dbl(qty) AS d FROM t", {"dbl", "dbl", "qty", "t"}},
    {"AViewItReads", "SELECT id FROM v_base", {"v_base"}},
    {"LiteralsAndCommentsNameNothing",
     "SELECT 'other' AS a, E'it\\'s other' AS b, $x$ other $x$ AS c FROM t -- other\n"
     "/* other /* nested */ other */",
     {"t"}},
};

class PGViewReads : public ::testing::TestWithParam<TViewCase> {};

TEST_P(PGViewReads, ViewsRestOnWhatTheirTextReads) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(Schema + "CREATE VIEW v_base AS SELECT id FROM other;\n" +
                      "CREATE VIEW v AS " + GetParam().Body + ";\n"));
  T.Parser.Link_Depend();  // as after the last script
  EXPECT_EQ(Reads(T.Objs.GetView("v")), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Forms, PGViewReads, ::testing::ValuesIn(ViewCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(PGCreationLinks, DomainsTablesAndRoutinesRestOnWhatTheyCallAndAreDeclaredWith) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE TYPE pair AS (a integer, b integer);\n"
      "CREATE DOMAIN a_pair AS pair;\n"
      "CREATE FUNCTION is_even(v integer) RETURNS boolean AS $$ SELECT v % 2 = 0 $$ LANGUAGE sql;\n"
      "CREATE FUNCTION start_at() RETURNS integer AS $$ SELECT 42 $$ LANGUAGE sql;\n"
      "CREATE DOMAIN even AS integer CHECK (is_even(VALUE));\n"
      "CREATE FUNCTION swap(p pair) RETURNS pair AS $$ SELECT ROW(p.b, p.a)::pair $$ LANGUAGE "
      "sql;\n"
      "CREATE TABLE t (id integer DEFAULT start_at(), note text DEFAULT 'start_at()');\n"));
  T.Parser.Link_Depend();
  EXPECT_EQ(Reads(T.Objs.GetDomain("a_pair")), TNames{"pair"});
  EXPECT_EQ(Reads(T.Objs.GetDomain("even")), TNames{"is_even"});
  EXPECT_EQ(Reads(T.Table("t")), TNames{"start_at"});  // a literal calls nothing
  EXPECT_EQ(Reads(T.Objs.GetTableField("t", "id")), TNames{"start_at"});
  TPrcData* Swap = nullptr;
  for (int I = 0; I < T.Objs.Procedures.Count(); ++I)
    if (T.Objs.Procedures.Objects(I)->GetObjName() == "swap")
      Swap = dynamic_cast<TPrcData*>(T.Objs.Procedures.Objects(I));
  EXPECT_EQ(Reads(Swap), TNames{"pair"});
}

}  // namespace
