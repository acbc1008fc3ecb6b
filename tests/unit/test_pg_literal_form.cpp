// A PostgreSQL row statement with its values written in it, in the parametrised form the
// adapter sends for a script's rows: which literals become parameters, with which value and
// type, and which stay as written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelPGLiteralForm.h"

namespace {

using namespace qel;

struct TCase {
  const char* Name;
  const char* SQL;
  bool Converted;
  const char* Text;  // the form, when converted
  std::vector<std::string> Values;
  std::vector<unsigned> Types;
};

constexpr unsigned U = PGUnknownOid, I4 = PGInt4Oid, I8 = PGInt8Oid, Num = PGNumericOid;

const TCase Cases[] = {
    {"insert of text and numbers",
     "INSERT INTO t (a, b, c) VALUES (1, 'x', 2.5)",
     true,
     "INSERT INTO t (a, b, c) VALUES ($1, $2, $3)",
     {"1", "x", "2.5"},
     {I4, U, Num}},
    {"doubled quote",
     "INSERT INTO t VALUES ('it''s')",
     true,
     "INSERT INTO t VALUES ($1)",
     {"it's"},
     {U}},
    {"backslash in a plain string is itself",
     "INSERT INTO t VALUES ('a\\nb')",
     true,
     "INSERT INTO t VALUES ($1)",
     {"a\\nb"},
     {U}},
    {"escape string",
     "INSERT INTO t VALUES (E'a\\nb\\\\c\\'d''e\\tf\\101\\x42')",
     true,
     "INSERT INTO t VALUES ($1)",
     {"a\nb\\c'd'e\tfAB"},
     {U}},
    {"escape string with a Unicode escape stays",
     "INSERT INTO t VALUES (E'\\u00e9', 1)",
     true,
     "INSERT INTO t VALUES (E'\\u00e9', $1)",
     {"1"},
     {I4}},
    {"escape string with a zero byte stays",
     "INSERT INTO t VALUES (E'a\\x00', 'b')",
     true,
     "INSERT INTO t VALUES (E'a\\x00', $1)",
     {"b"},
     {U}},
    {"NULL, TRUE and FALSE stay",
     "INSERT INTO t VALUES (NULL, TRUE, false, 7)",
     true,
     "INSERT INTO t VALUES (NULL, TRUE, false, $1)",
     {"7"},
     {I4}},
    {"negative numbers",
     "UPDATE t SET a = -5, b = - 1.5e3 WHERE c = -2147483648",
     true,
     "UPDATE t SET a = $1, b = $2 WHERE c = $3",
     {"-5", "-1.5e3", "-2147483648"},
     {I4, Num, I4}},
    {"integer types by size",
     "INSERT INTO t VALUES (2147483647, 2147483648, 9223372036854775808)",
     true,
     "INSERT INTO t VALUES ($1, $2, $3)",
     {"2147483647", "2147483648", "9223372036854775808"},
     {I4, I8, Num}},
    {"subtraction keeps its number",
     "UPDATE t SET a = b - 1 WHERE c = 2",
     true,
     "UPDATE t SET a = b - 1 WHERE c = $1",
     {"2"},
     {I4}},
    {"casts keep their types and modifiers",
     "INSERT INTO t VALUES ('2020-01-01'::timestamp(6), CAST('1.50' AS numeric(12,2)))",
     true,
     "INSERT INTO t VALUES ($1::timestamp(6), CAST($2 AS numeric(12,2)))",
     {"2020-01-01", "1.50"},
     {U, U}},
    {"typed literal stays",
     "INSERT INTO t VALUES (DATE '2020-01-01', 'x')",
     true,
     "INSERT INTO t VALUES (DATE '2020-01-01', $1)",
     {"x"},
     {U}},
    {"function arguments",
     "INSERT INTO t VALUES (decode('00ff', 'hex'))",
     true,
     "INSERT INTO t VALUES (decode($1, $2))",
     {"00ff", "hex"},
     {U, U}},
    {"dollar quote stays",
     "INSERT INTO t VALUES ($q$it's$q$, $$x$$, 3)",
     true,
     "INSERT INTO t VALUES ($q$it's$q$, $$x$$, $1)",
     {"3"},
     {I4}},
    {"quoted names and comments stay",
     "DELETE FROM \"T 1\" /* 'c' */ WHERE \"a'\" = 'v' -- 'x'\n AND b = 1;",
     true,
     "DELETE FROM \"T 1\" /* 'c' */ WHERE \"a'\" = $1 -- 'x'\n AND b = $2;",
     {"v", "1"},
     {U, I4}},
    {"bit and national strings stay",
     "INSERT INTO t VALUES (B'101', N'x', X'1F', 'y')",
     true,
     "INSERT INTO t VALUES (B'101', N'x', X'1F', $1)",
     {"y"},
     {U}},
    {"negatives after comparisons",
     "DELETE FROM t WHERE a <> -1 AND b >= -2.5",
     true,
     "DELETE FROM t WHERE a <> $1 AND b >= $2",
     {"-1", "-2.5"},
     {I4, Num}},
    {"exponents and a leading dot",
     "INSERT INTO t VALUES (1e3, 2.5E-7, .5)",
     true,
     "INSERT INTO t VALUES ($1, $2, $3)",
     {"1e3", "2.5E-7", ".5"},
     {Num, Num, Num}},
    {"octal escapes of a character of two bytes",
     "INSERT INTO t VALUES (E'\\303\\251')",
     true,
     "INSERT INTO t VALUES ($1)",
     {"\xc3\xa9"},
     {U}},
    {"a type of two words keeps its modifier",
     "UPDATE t SET a = '1'::character varying(10)",
     true,
     "UPDATE t SET a = $1::character varying(10)",
     {"1"},
     {U}},
    {"a statement of no row", "SELECT 1, 'a'", false, "", {}, {}},
    {"nothing to take out", "DELETE FROM t WHERE a IS NULL", false, "", {}, {}},
    {"markers of its own", "INSERT INTO t VALUES ($1, 'a')", false, "", {}, {}},
    {"two statements", "INSERT INTO t VALUES (1); DELETE FROM t", false, "", {}, {}},
    {"strings run together", "INSERT INTO t VALUES ('a'\n'b')", false, "", {}, {}},
    {"Unicode string", "INSERT INTO t VALUES (U&'d\\0061t')", false, "", {}, {}},
    {"hexadecimal number", "INSERT INTO t VALUES (0x1F)", false, "", {}, {}},
    {"unclosed string", "INSERT INTO t VALUES ('a)", false, "", {}, {}},
};

TEST(PGLiteralForm, LiteralsBecomeParametersOfTheirLiteralsType) {
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TPGLiteralForm Form;
    ASSERT_EQ(PGLiteralsAsParams(C.SQL, Form), C.Converted);
    if (!C.Converted) continue;
    EXPECT_EQ(Form.Text, C.Text);
    EXPECT_EQ(Form.Values, C.Values);
    EXPECT_EQ(Form.Types, C.Types);
  }
}

}  // namespace
