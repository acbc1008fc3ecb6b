// Sybase ASE dialect: the reserved words of Transact-SQL as ASE has them, and identifier quoting.
#include "qelASEQuote.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "Text.h"
#include "qelMSSQLQuote.h"
#include "qelResWords.h"

namespace qel {

namespace {

/// The reserved words of ASE: a name spelled as one of them is read as the keyword.
// clang-format off
constexpr std::array<std::string_view, 221> kASEReservedWords{
    "ADD", "ALL", "ALTER", "AND", "ANY", "ARITH_OVERFLOW", "AS", "ASC", "AT", "AUTHORIZATION",
    "AVG", "BEGIN", "BETWEEN", "BREAK", "BROWSE", "BULK", "BY", "CASCADE", "CASE", "CHAR_CONVERT",
    "CHECK", "CHECKPOINT", "CLOSE", "CLUSTERED", "COALESCE", "COMMIT", "COMPUTE", "CONFIRM",
    "CONNECT", "CONSTRAINT", "CONTINUE", "CONTROLROW", "CONVERT", "COUNT", "COUNT_BIG", "CREATE",
    "CURRENT", "CURSOR", "DATABASE", "DBCC", "DEALLOCATE", "DECLARE", "DECRYPT", "DECRYPT_DEFAULT",
    "DEFAULT", "DELETE", "DESC", "DETERMINISTIC", "DISK", "DISTINCT", "DOUBLE", "DROP",
    "DUAL_CONTROL", "DUMMY", "DUMP", "ELSE", "ENCRYPT", "END", "ENDTRAN", "ERRLVL", "ERRORDATA",
    "ERROREXIT", "ESCAPE", "EXCEPT", "EXCLUSIVE", "EXEC", "EXECUTE", "EXISTS", "EXIT",
    "EXP_ROW_SIZE", "EXTERNAL", "FETCH", "FILLFACTOR", "FOR", "FOREIGN", "FROM", "FUNC",
    "FUNCTION", "GOTO", "GRANT", "GROUP", "HAVING", "HOLDLOCK", "IDENTITY", "IDENTITY_GAP",
    "IDENTITY_START", "IF", "IN", "INDEX", "INOUT", "INSENSITIVE", "INSERT", "INSTALL",
    "INTERSECT", "INTO", "IS", "ISOLATION", "JAR", "JOIN", "KEY", "KILL", "LEVEL", "LIKE",
    "LINENO", "LOAD", "LOCK", "MATERIALIZED", "MAX", "MAX_ROWS_PER_PAGE", "MIN", "MIRROR",
    "MIRROREXIT", "MODIFY", "NATIONAL", "NEW", "NOHOLDLOCK", "NONCLUSTERED", "NONSCROLLABLE",
    "NON_SENSITIVE", "NOT", "NULL", "NULLIF", "NUMERIC_TRUNCATION", "OF", "OFF", "OFFSETS", "ON",
    "ONCE", "ONLINE", "ONLY", "OPEN", "OPTION", "OR", "ORDER", "OUT", "OUTPUT", "OVER",
    "PARTITION", "PERM", "PERMANENT", "PLAN", "PREPARE", "PRIMARY", "PRINT", "PRIVILEGES", "PROC",
    "PROCEDURE", "PROCESSEXIT", "PROXY_TABLE", "PUBLIC", "QUIESCE", "RAISERROR", "READ",
    "READPAST", "READTEXT", "RECONFIGURE", "REFERENCES", "REMOVE", "REORG", "REPLACE",
    "REPLICATION", "RESERVEPAGEGAP", "RETURN", "RETURNS", "REVOKE", "ROLE", "ROLLBACK", "ROWCOUNT",
    "ROWS", "RULE", "SAVE", "SCHEMA", "SCROLL", "SCROLLABLE", "SELECT", "SEMI_SENSITIVE", "SET",
    "SETUSER", "SHARED", "SHUTDOWN", "SOME", "STATISTICS", "STRINGSIZE", "STRIPE", "SUM",
    "SYB_IDENTITY", "SYB_RESTREE", "SYB_TERMINATE", "TABLE", "TEMP", "TEMPORARY", "TEXTSIZE", "TO",
    "TRACEFILE", "TRAN", "TRANSACTION", "TRIGGER", "TRUNCATE", "TSEQUAL", "UNION", "UNIQUE",
    "UNPARTITION", "UPDATE", "USE", "USER", "USER_OPTION", "USING", "VALUES", "VARYING", "VIEW",
    "WAITFOR", "WHEN", "WHERE", "WHILE", "WITH", "WORK", "WRITETEXT", "XMLEXTRACT", "XMLPARSE",
    "XMLTEST", "XMLVALIDATE"
};
// clang-format on
static_assert(SortedUnique(kASEReservedWords));

bool NeedsQuotes(std::string_view S) {
  if (!TransactSQLRegularName(S)) return true;
  return ContainsWord<kASEReservedWords>(S);
}

}  // namespace

std::string ASEQuoteIdent(const std::string& S) {
  if (S.empty() || !NeedsQuotes(S)) return S;
  return EncloseIdent(S, '[', ']');
}

}  // namespace qel
