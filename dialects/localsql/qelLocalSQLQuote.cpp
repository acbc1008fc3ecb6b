// Local SQL of Paradox and dBASE tables: the keyword table and the identifier quoting.
#include "qelLocalSQLQuote.h"

#include <algorithm>
#include <functional>

#include "Text.h"
#include "qelResWords.h"

namespace qel {

// clang-format off
constexpr std::array<TResWordRow, 215> LocalSQLResWords{{
    {"IACTIVE", 30}, {"ADD", 31}, {"ALL", 32}, {"AFTER", 33}, {"ALTER", 34}, {"AND", 35},
    {"ANY", 36}, {"AS", 37}, {"ASC", 38}, {"ASCENDING", 38}, {"AT", 39}, {"AUTO", 40},
    {"AUTOINC", 41}, {"AVG", 42}, {"BASE_NAME", 43}, {"BEFORE", 44}, {"BEGIN", 45},
    {"BETWEEN", 46}, {"BLOB", 47}, {"BOOLEAN", 48}, {"BOTH", 49}, {"BY", 50}, {"BYTES", 51},
    {"CACHE", 52}, {"CAST", 53}, {"CHAR", 54}, {"CHARACTER", 54}, {"CHECK", 55},
    {"CHECK_POINT_LENGTH", 56}, {"COLLATE", 57}, {"COLUMN", 58}, {"COMMIT", 59}, {"COMMITED", 60},
    {"COMPUTED", 61}, {"CONDITIONAL", 62}, {"CONSTRAINT", 63}, {"CONTAINING", 64}, {"COUNT", 65},
    {"CREATE", 66}, {"CSTRING", 67}, {"CURRENT", 68}, {"CURSOR", 69}, {"DATABASE", 70},
    {"DATE", 71}, {"DAY", 72}, {"DEBUG", 73}, {"DEC", 74}, {"DECIMAL", 74}, {"DECLARE", 75},
    {"DEFAULT", 76}, {"DELETE", 77}, {"DESC", 78}, {"DESCENDING", 78}, {"DISTINCT", 79},
    {"DO", 80}, {"DOMAIN", 81}, {"DOUBLE", 82}, {"DROP", 83}, {"ELSE", 84}, {"END", 85},
    {"ENTRY_POINT", 86}, {"ESCAPE", 87}, {"EXCEPTION", 88}, {"EXECUTE", 89}, {"EXISTS", 90},
    {"EXIT", 91}, {"EXTERNAL", 92}, {"EXTRACT", 93}, {"FILE", 94}, {"FILTER", 95}, {"FLOAT", 96},
    {"FOR", 97}, {"FOREIGN", 98}, {"FROM", 99}, {"FULL", 100}, {"FUNCTION", 101}, {"GDSCODE", 102},
    {"GENERATOR", 103}, {"GEN_ID", 104}, {"GRANT", 105}, {"GROUP", 106},
    {"GROUP_COMMIT_WAIT_TIME", 107}, {"HAVING", 108}, {"HOUR", 109}, {"IF", 110}, {"IN", 111},
    {"INT", 117}, {"INACTIVE", 112}, {"INDEX", 113}, {"INNER", 114}, {"INPUT_TYPE", 115},
    {"INSERT", 116}, {"INTEGER", 117}, {"INTO", 118}, {"IS", 119}, {"ISOLATION", 120},
    {"JOIN", 121}, {"KEY", 122}, {"LONG", 123}, {"LENGTH", 124}, {"LOGFILE", 125}, {"LOWER", 126},
    {"LEADING", 127}, {"LEFT", 128}, {"LEVEL", 129}, {"LIKE", 130}, {"LOG_BUFFER_SIZE", 131},
    {"MANUAL", 132}, {"MAX", 133}, {"MAXIMUM_SEGMENT", 134}, {"MERGE", 135}, {"MESSAGE", 136},
    {"MIN", 137}, {"MINUTE", 138}, {"MODULE_NAME", 139}, {"MONEY", 140}, {"MONTH", 141},
    {"NAMES", 142}, {"NATIONAL", 143}, {"NATURAL", 144}, {"NCHAR", 145}, {"NO", 146}, {"NOT", 147},
    {"NULL", 148}, {"NUM_LOG_BUFFERS", 149}, {"NUMERIC", 150}, {"OF", 151}, {"ON", 152},
    {"ONLY", 153}, {"OPTION", 154}, {"OR", 155}, {"ORDER", 156}, {"OUTER", 157},
    {"OUTPUT_TYPE", 158}, {"OVERFLOW", 159}, {"PAGE_SIZE", 160}, {"PAGE", 161}, {"PAGES", 162},
    {"PARAMETER", 163}, {"PASSWORD", 164}, {"PLAN", 165}, {"POSITION", 166}, {"POST_EVENT", 167},
    {"PRECISION", 168}, {"PROCEDURE", 169}, {"PROTECTED", 170}, {"PRIMARY", 171},
    {"PRIVILEGES", 172}, {"RAW_PARTITIONS", 173}, {"RDB$DB_KEY", 174}, {"READ", 175},
    {"REAL", 176}, {"RECORD_VERSION", 177}, {"REFERENCES", 178}, {"RESERV", 179},
    {"RESERVING", 180}, {"RETAIN", 181}, {"RETURNING_VALUES", 182}, {"RETURNS", 183},
    {"REVOKE", 184}, {"RIGHT", 185}, {"ROLLBACK", 186}, {"SECOND", 187}, {"SEGMENT", 188},
    {"SELECT", 189}, {"SET", 190}, {"SHARED", 191}, {"SHADOW", 192}, {"SCHEMA", 193},
    {"SINGULAR", 194}, {"SIZE", 195}, {"SMALLINT", 196}, {"SNAPSHOT", 197}, {"SOME", 198},
    {"SORT", 199}, {"SQLCODE", 200}, {"STABILITY", 201}, {"STARTING", 202}, {"STARTS", 203},
    {"STATISTICS", 204}, {"SUB_TYPE", 205}, {"SUBSTRING", 206}, {"SUM", 207}, {"SUSPEND", 208},
    {"TABLE", 209}, {"THEN", 210}, {"TIME", 211}, {"TIMESTAMP", 212}, {"TIMEZONE_HOUR", 213},
    {"TIMEZONE_MINUTE", 214}, {"TO", 215}, {"TRAILING", 216}, {"TRANSACTION", 217},
    {"TRIGGER", 218}, {"TRIM", 219}, {"UNCOMMITTED", 220}, {"UNION", 221}, {"UNIQUE", 222},
    {"UPDATE", 223}, {"UPPER", 224}, {"USER", 240}, {"VALUE", 241}, {"VALUES", 242},
    {"VARCHAR", 243}, {"VARIABLE", 244}, {"VARYING", 245}, {"VIEW", 246}, {"WAIT", 247},
    {"WHEN", 248}, {"WHERE", 249}, {"WHILE", 250}, {"WITH", 251}, {"WORK", 252}, {"WRITE", 253},
    {"YEAR", 254}
}};
// clang-format on

namespace {

constexpr auto kResWordsByWord = SortedByWord(LocalSQLResWords);
static_assert(UniqueWords(kResWordsByWord));

}  // namespace

std::uint8_t LocalSQLSymbolByResWord(std::string_view Word) {
  return FindSymbol<kResWordsByWord>(Word);
}

std::string LocalSQLQuoteIdent(const std::string& Name) {
  // A double quote inside a bare name would end the name early, so such a name is quoted too.
  const bool Keyword = FindSymbol<kResWordsByWord>(Name) != kIdentSymbol;
  if (!Keyword && Name.find('"') == std::string::npos) return Name;
  return EncloseIdent(Name, '"', '"');
}

}  // namespace qel
