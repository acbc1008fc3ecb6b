// SQL Anywhere dialect: the keyword table, the identifier quoting and owner-qualified names.
#include "qelASAQuote.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelResWords.h"

namespace qel {

// clang-format off
constexpr std::array<TResWordRow, 125> ASAResWords{{
    {"ADD", 30}, {"ALL", 31}, {"ALTER", 32}, {"AND", 33}, {"ANY", 34}, {"AS", 35}, {"ASC", 36},
    {"BEGIN", 37}, {"BETWEEN", 141}, {"BIGINT", 38}, {"BINARY", 39}, {"BIT", 40}, {"BY", 41},
    {"CALL", 42}, {"CASCADE", 43}, {"CHAR", 44}, {"CHARACTER", 44}, {"CHECK", 45}, {"CLOSE", 46},
    {"COMMENT", 47}, {"COMMIT", 48}, {"CONNECT", 49}, {"CONSTRAINT", 50}, {"CREATE", 51},
    {"CURRENT", 52}, {"CURRENT_TIMESTAMP", 53}, {"CURRENT_USER", 54}, {"DATE", 55},
    {"DBSPACE", 142}, {"DEC", 56}, {"DECIMAL", 56}, {"DECLARE", 57}, {"DEFAULT", 58},
    {"DELETE", 59}, {"DESC", 60}, {"DOUBLE", 61}, {"DROP", 62}, {"ENCRYPTED", 63}, {"END", 64},
    {"EXCEPTION", 65}, {"EXEC", 66}, {"EXECUTE", 66}, {"FLOAT", 67}, {"FOR", 68}, {"FOREIGN", 69},
    {"FROM", 70}, {"GRANT", 71}, {"GROUP", 72}, {"IDENTIFIED", 73}, {"IF", 74}, {"IN", 75},
    {"INDEX", 76}, {"INOUT", 77}, {"INSERT", 78}, {"INT", 79}, {"INTEGER", 79}, {"INTO", 80},
    {"IS", 81}, {"KEY", 82}, {"LONG", 83}, {"MEMBERSHIP", 143}, {"MESSAGE", 84}, {"MODE", 85},
    {"MODIFY", 86}, {"NATURAL", 87}, {"NO", 88}, {"NOT", 89}, {"NOTIFY", 90}, {"NULL", 91},
    {"NUMERIC", 92}, {"OF", 93}, {"OFF", 94}, {"ON", 95}, {"OPEN", 96}, {"OPTION", 97},
    {"OPTIONS", 98}, {"OR", 99}, {"ORDER", 100}, {"OUT", 101}, {"OUTER", 102}, {"PRECISION", 103},
    {"PRIMARY", 104}, {"PRIVILEGES", 105}, {"PUBLICATION", 144}, {"PROC", 106}, {"PROCEDURE", 106},
    {"REAL", 107}, {"REFERENCES", 108}, {"REMOTE", 109}, {"REMAME", 110}, {"RESOURCE", 111},
    {"RESTORE", 112}, {"RESTRICT", 113}, {"REVOKE", 114}, {"SELECT", 115}, {"SET", 116},
    {"SETUSER", 117}, {"SMALLINT", 118}, {"START", 145}, {"TABLE", 119}, {"TEMPORARY", 120},
    {"TIME", 121}, {"TIMESTAMP", 122}, {"TINYINT", 123}, {"TO", 124}, {"TRAN", 146},
    {"TRANSACTION", 146}, {"TRIGGER", 125}, {"TRUNCATE", 126}, {"UNIQUE", 127},
    {"UNIQUEIDENTIFIER", 127}, {"UNKNOWN", 128}, {"UNSIGNED", 129}, {"UPDATE", 130}, {"USER", 131},
    {"USING", 132}, {"VALUES", 147}, {"VARBINARY", 133}, {"VARCHAR", 134}, {"VARIABLE", 135},
    {"VARYING", 136}, {"VIEW", 137}, {"WHEN", 138}, {"WITH", 139}, {"WORK", 140}
}};
// clang-format on

namespace {

constexpr auto kResWordsByWord = SortedByWord(ASAResWords);

static_assert(UniqueWords(kResWordsByWord));

/// Reserved words of the server that the parser reads as identifiers (or reads with a symbol of
/// its own, such as BETWEEN): a bare name of this kind is refused.
// clang-format off
constexpr std::array<std::string_view, 105> kQuoteWords{
    "BACKUP", "BETWEEN", "BOTTOM", "BREAK", "CAPABILITY", "CASE", "CAST", "CHAR_CONVERT",
    "CHECKPOINT", "CONFLICT", "CONTAINS", "CONTINUE", "CONVERT", "CROSS", "CUBE", "CURSOR",
    "DBSPACE", "DEALLOCATE", "DELETING", "DISTINCT", "DO", "DYNAMIC", "ELSE", "ELSEIF", "ENDIF",
    "ESCAPE", "EXCEPT", "EXISTING", "EXISTS", "EXTERNLOGIN", "FETCH", "FIRST", "FORCE", "FORWARD",
    "FULL", "GOTO", "HAVING", "HOLDLOCK", "INDEX_LPAREN", "INNER", "INSENSITIVE", "INSERTING",
    "INSTALL", "INSTEAD", "INTEGRATED", "INTERSECT", "IQ", "ISOLATION", "JOIN", "LATERAL", "LEFT",
    "LIKE", "LOCK", "LOGIN", "MATCH", "NEW", "NOHOLDLOCK", "OTHERS", "OVER", "PASSTHROUGH",
    "PREPARE", "PRINT", "PUBLICATION", "RAISERROR", "READTEXT", "REFERENCE", "RELEASE",
    "REORGANIZE", "RETURN", "RIGHT", "ROLLBACK", "ROLLUP", "SAVE", "SAVEPOINT", "SCROLL",
    "SENSITIVE", "SESSION", "SHARE", "SOME", "SQLCODE", "SQLSTATE", "START", "STOP", "SUBTRANS",
    "SUBTRANSACTION", "SYNCHRONIZE", "SYNTAX_ERROR", "THEN", "TOP", "TRAN", "TSEQUAL", "UNBOUNDED",
    "UNION", "UPDATING", "VALIDATE", "WAIT", "WAITFOR", "WHERE", "WHILE", "WINDOW", "WITHIN",
    "WITH_CUBE", "WITH_LPAREN", "WITH_ROLLUP", "WRITETEXT"
};
// clang-format on

static_assert(SortedUnique(kQuoteWords));

constexpr bool IsBareFirst(char C) {
  return (C >= 'A' && C <= 'Z') || C == '#' || C == '$' || C == '@' || C == '_';
}

constexpr bool IsBareNext(char C) {
  return IsBareFirst(C) || (C >= '0' && C <= '9');
}

}  // namespace

std::string ASAObjFullName(const std::string& Owner, const std::string& Name) {
  return (Owner.empty() ? std::string("DBA") : Owner) + "." + Name;
}

std::uint8_t ASASymbolByResWord(std::string_view Word, TASAServerVersionType /*Version*/) {
  return FindSymbol<kResWordsByWord>(Word);
}

std::string ASAQuoteIdent(const std::string& Name, TASAServerVersionType Version) {
  if (Name.empty()) return Name;
  // The server compares names without regard to case, so letters of either case are ordinary.
  const std::string U = UpperCase(Name);
  if (ASASymbolByResWord(U, Version) != kIdentSymbol ||
      std::ranges::binary_search(kQuoteWords, std::string_view(U)))
    return EncloseIdent(U, '"', '"');
  if (IsBareFirst(U.front()) && std::all_of(U.begin() + 1, U.end(), IsBareNext)) return Name;
  return EncloseIdent(Name, '"', '"');
}

}  // namespace qel
