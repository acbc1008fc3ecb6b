// MySQL dialect: the keyword table and the identifier quoting.
#include "qelMySQLQuote.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "Text.h"
#include "qelResWords.h"

namespace qel {

// clang-format off
constexpr std::array<TResWordRow, 74> MySQLResWords{{
    {"ADD", 30}, {"ALTER", 31}, {"AS", 32}, {"BIGINT", 33}, {"BINARY", 34}, {"BIT", 35},
    {"BOOL", 35}, {"BLOB", 36}, {"CALL", 37}, {"CASCADE", 38}, {"CHAR", 39}, {"CHARACTER", 39},
    {"COLLATE", 40}, {"CONSTRAINT", 41}, {"CREATE", 42}, {"DATABASE", 43}, {"DATE", 44},
    {"DATETIME", 45}, {"DEC", 46}, {"DECIMAL", 46}, {"DEFAULT", 47}, {"DELETE", 48},
    {"DOUBLE", 49}, {"DROP", 50}, {"ENUM", 51}, {"EXISTS", 52}, {"FLOAT", 53}, {"FOREIGN", 54},
    {"FROM", 55}, {"FULLTEXT", 56}, {"IF", 57}, {"INDEX", 58}, {"INSERT", 59}, {"INT", 60},
    {"INTEGER", 60}, {"INTO", 61}, {"KEY", 62}, {"LONGBLOB", 63}, {"LONGTEXT", 64},
    {"MEDIUMBLOB", 65}, {"MEDIUMINT", 66}, {"MEDIUMTEXT", 67}, {"NATIONAL", 68}, {"NOT", 69},
    {"NULL", 70}, {"NUMERIC", 71}, {"ON", 72}, {"OR", 73}, {"PRECISION", 74}, {"PRIMARY", 75},
    {"REAL", 76}, {"REFERENCES", 77}, {"REPLACE", 78}, {"RESTRICT", 79}, {"SET", 80},
    {"SELECT", 81}, {"SMALLINT", 82}, {"SPATIAL", 83}, {"SQL", 84}, {"TABLE", 85},
    {"TEMPORARY", 86}, {"TEXT", 87}, {"TIME", 88}, {"TINYBLOB", 89}, {"TINYINT", 35},
    {"TINYTEXT", 90}, {"UPDATE", 91}, {"UNIQUE", 92}, {"UNSIGNED", 93}, {"USE", 94},
    {"VARCHAR", 95}, {"YEAR", 96}, {"ZEROFILL", 97}, {"_<charset>", 98}
}};
// clang-format on

namespace {

constexpr auto kResWordsByWord = SortedByWord(MySQLResWords);
static_assert(UniqueWords(kResWordsByWord));

/// Words the server reserves: a bare column or table of such a name is a syntax error.
// clang-format off
constexpr std::array<std::string_view, 215> kQuoteWords{
    "ADD", "ALL", "ALTER", "ANALYZE", "AND", "AS", "ASC", "ASENSITIVE", "BEFORE", "BETWEEN",
    "BIGINT", "BINARY", "BLOB", "BOTH", "BY", "CALL", "CASCADE", "CASE", "CHANGE", "CHAR",
    "CHARACTER", "CHECK", "COLLATE", "COLUMN", "CONDITION", "CONNECTION", "CONSTRAINT", "CONTINUE",
    "CONVERT", "CREATE", "CROSS", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP",
    "CURRENT_USER", "CURSOR", "DATABASE", "DATABASES", "DAY_HOUR", "DAY_MICROSECOND", "DAY_MINUTE",
    "DAY_SECOND", "DEC", "DECIMAL", "DECLARE", "DEFAULT", "DELAYED", "DELETE", "DESC", "DESCRIBE",
    "DETERMINISTIC", "DISTINCT", "DISTINCTROW", "DIV", "DOUBLE", "DROP", "DUAL", "EACH", "ELSE",
    "ELSEIF", "ENCLOSED", "ESCAPED", "EXISTS", "EXIT", "EXPLAIN", "FALSE", "FETCH", "FIELD",
    "FLOAT", "FOR", "FORCE", "FOREIGN", "FROM", "FULLTEXT", "GOTO", "GRANT", "GROUP", "HAVING",
    "HIGH_PRIORITY", "HOUR_MICROSECOND", "HOUR_MINUTE", "HOUR_SECOND", "IF", "IGNORE", "IN",
    "INDEX", "INFILE", "INNER", "INOUT", "INSENSITIVE", "INSERT", "INT", "INTEGER", "INTERVAL",
    "INTO", "IS", "ITERATE", "JOIN", "KEY", "KEYS", "KILL", "LEADING", "LEAVE", "LEFT", "LIKE",
    "LIMIT", "LINES", "LOAD", "LOCALTIME", "LOCALTIMESTAMP", "LOCK", "LONG", "LONGBLOB",
    "LONGTEXT", "LOOP", "LOW_PRIORITY", "MATCH", "MEDIUMBLOB", "MEDIUMINT", "MEDIUMTEXT",
    "MIDDLEINT", "MINUTE_MICROSECOND", "MINUTE_SECOND", "MOD", "MODIFIES", "NATURAL", "NOT",
    "NO_WRITE_TO_BINLOG", "NULL", "NUMERIC", "ON", "OPTIMIZE", "OPTION", "OPTIONALLY", "OR",
    "ORDER", "OUT", "OUTER", "OUTFILE", "PRECISION", "PRIMARY", "PROCEDURE", "PURGE", "READ",
    "READS", "REAL", "REFERENCES", "REGEXP", "RELEASE", "RENAME", "REPEAT", "REPLACE", "REQUIRE",
    "RESTRICT", "RETURN", "REVOKE", "RIGHT", "RLIKE", "SCHEMA", "SCHEMAS", "SECOND_MICROSECOND",
    "SELECT", "SENSITIVE", "SEPARATOR", "SET", "SHOW", "SMALLINT", "SONAME", "SPATIAL", "SPECIFIC",
    "SQL", "SQLEXCEPTION", "SQLSTATE", "SQLWARNING", "SQL_BIG_RESULT", "SQL_CALC_FOUND_ROWS",
    "SQL_SMALL_RESULT", "SSL", "STARTING", "STRAIGHT_JOIN", "TABLE", "TERMINATED", "THEN",
    "TINYBLOB", "TINYINT", "TINYTEXT", "TO", "TRAILING", "TRIGGER", "TRUE", "UNDO", "UNION",
    "UNIQUE", "UNLOCK", "UNSIGNED", "UPDATE", "USAGE", "USE", "USING", "UTC_DATE", "UTC_TIME",
    "UTC_TIMESTAMP", "VALUES", "VARBINARY", "VARCHAR", "VARCHARACTER", "VARYING", "WHEN", "WHERE",
    "WHILE", "WITH", "WRITE", "XOR", "YEAR_MONTH", "ZEROFILL"
};
// clang-format on
static_assert(SortedUnique(kQuoteWords));

/// Words MariaDB 10.11 reserves besides those above.
// clang-format off
constexpr std::array<std::string_view, 34> kQuoteWordsMariaDB{
    "ACCESSIBLE", "CURRENT_ROLE", "DELETE_DOMAIN_ID", "DO_DOMAIN_IDS", "EXCEPT", "FLOAT4",
    "FLOAT8", "IGNORE_DOMAIN_IDS", "INT1", "INT2", "INT3", "INT4", "INT8", "INTERSECT", "LINEAR",
    "MASTER_SSL_VERIFY_SERVER_CERT", "MAXVALUE", "OFFSET", "OVER", "PAGE_CHECKSUM",
    "PARSE_VCOL_EXPR", "PARTITION", "RANGE", "READ_WRITE", "RECURSIVE", "REF_SYSTEM_ID",
    "RESIGNAL", "RETURNING", "ROWS", "ROW_NUMBER", "SIGNAL", "STATS_AUTO_RECALC",
    "STATS_PERSISTENT", "STATS_SAMPLE_PAGES"
};
// clang-format on
static_assert(SortedUnique(kQuoteWordsMariaDB));

constexpr bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

/// Characters of a bare name that is written as it is: upper-case letters, digits, "_", "$" and
/// the bytes of non-ASCII characters, which the server accepts in bare names.
constexpr bool IsBareChar(char C) {
  return (C >= 'A' && C <= 'Z') || IsDigit(C) || C == '_' || C == '$' ||
         static_cast<unsigned char>(C) >= 0x80;
}

/// A name is written bare only when the server reads it back as the same name: no lower-case
/// letter (the case of table names matters on case-sensitive file systems), nothing that ends
/// or splits a name (a blank, a back quote, punctuation), no leading digit (1E5 is a number),
/// and no reserved word.
bool NeedsQuotes(std::string_view Name) {
  if (IsDigit(Name.front()) || !std::all_of(Name.begin(), Name.end(), IsBareChar)) return true;
  return MySQLIsReservedWord(Name);
}

}  // namespace

bool MySQLIsReservedWord(std::string_view Word) {
  return std::ranges::binary_search(kQuoteWords, Word) ||
         std::ranges::binary_search(kQuoteWordsMariaDB, Word);
}

std::uint8_t MySQLSymbolByResWord(std::string_view Word) {
  return FindSymbol<kResWordsByWord>(Word);
}

std::string MySQLQuoteIdent(const std::string& Name) {
  if (Name.empty() || !NeedsQuotes(Name)) return Name;
  return EncloseIdent(Name, '`', '`');
}

}  // namespace qel
