// Statement type names, the text functions of generated scripts and the small option records.
#include "qelTypes.h"

#include <algorithm>
#include <climits>

namespace qel {

bool DebugLog = false;

const char* const StatTypeStr[StatTypeCount] = {
    "Connect", "ReConnect", "CreateDb", "Set",      "BlobFile",     "Commit",     "Statement",
    "Comment", "Procedure", "Trigger",  "SetNames", "CharSet",      "SqlDialect", "Description",
    "Select",  "Insert",    "Update",   "Delete",   "ExecuteBlock", "Package"};

int RowStatementKind(TStatType T) {
  return T == stInsert ? 0 : T == stUpdate ? 1 : T == stDelete ? 2 : -1;
}

bool ChangesDatabase(TStatType T) {
  switch (T) {
    case stStatement:
    case stProcedure:
    case stTrigger:
    case stDescription:
    case stInsert:
    case stUpdate:
    case stDelete:
      return true;
    default:
      return false;
  }
}

namespace {

bool IsBlankOrControl(char C) {
  return static_cast<unsigned char>(C) <= ' ';
}

std::string TrimBlanks(const std::string& S) {
  std::size_t B = 0, E = S.size();
  while (B < E && IsBlankOrControl(S[B])) ++B;
  while (E > B && IsBlankOrControl(S[E - 1])) --E;
  return S.substr(B, E - B);
}

// The literal writers append to Out, which is made large enough first: a value of many
// megabytes is copied once, not grown into step by step or copied again after.

void AppendMySQLLiteral(std::string& Out, std::string_view S, std::size_t Room) {
  auto Escape = [](char C) -> const char* {
    switch (C) {
      case '"':
        return "\\\"";
      case '\'':
        return "\\'";
      case '\\':
        return "\\\\";
      case '\r':
        return "\\r";
      case '\n':
        return "\\n";
      case '\b':
        return "\\b";
      case '\x1a':
        return "\\Z";  // the server reads \z as the letter z
      case '\t':
        return "\\t";
      case '\0':
        return "\\0";
      default:
        return nullptr;
    }
  };
  std::size_t Size = S.size() + 2;
  for (const char C : S)
    if (Escape(C)) ++Size;
  Out.reserve(Out.size() + Size + Room);
  Out += '\'';
  for (const char C : S) {
    if (const char* E = Escape(C))
      Out.append(E, 2);
    else
      Out += C;
  }
  Out += '\'';
}

namespace {

/// The escape of C in a PostgreSQL literal; empty for a character written as it is.
std::string_view PostgreSQLEscape(char C) {
  switch (C) {
    case '\'':
      return "''";
    case '\\':
      return "\\x5c";
    case '\b':
      return "\\b";
    case '\t':
      return "\\t";
    case '\0':
      return {"\\x00", 4};
    default:
      return {};
  }
}

/// A PostgreSQL literal of S needs backslash escapes: it is written E'...'.
bool PostgreSQLEscaped(char C) {
  return C != '\'' && !PostgreSQLEscape(C).empty();
}

}  // namespace

/// A literal that needs backslash escapes is written E'...': then the server reads the escapes
/// whatever standard_conforming_strings says.
void AppendPostgreSQLLiteral(std::string& Out, std::string_view S, std::size_t Room) {
  std::size_t Size = S.size() + 2;
  bool Escaped = false;
  for (const char C : S)
    if (const std::string_view E = PostgreSQLEscape(C); !E.empty()) {
      Size += E.size() - 1;
      Escaped = Escaped || PostgreSQLEscaped(C);
    }
  Out.reserve(Out.size() + Size + (Escaped ? 1 : 0) + Room);
  Out += Escaped ? "E'" : "'";
  for (const char C : S) {
    if (const std::string_view E = PostgreSQLEscape(C); !E.empty())
      Out += E;
    else
      Out += C;
  }
  Out += '\'';
}

void AppendStandardLiteral(std::string& Out, std::string_view S, std::size_t Room) {
  Out.reserve(Out.size() + S.size() + 2 +
              static_cast<std::size_t>(std::count(S.begin(), S.end(), '\'')) + Room);
  Out += '\'';
  for (const char C : S) {
    if (C == '\'') Out += '\'';
    Out += C;
  }
  Out += '\'';
}

}  // namespace

bool TryStrToInt(const std::string& S, std::int32_t& Value) {
  Value = 0;
  std::size_t I = 0;
  bool Negative = false;
  if (I < S.size() && (S[I] == '+' || S[I] == '-')) Negative = S[I++] == '-';
  if (I == S.size()) return false;
  long long Acc = 0;
  for (; I < S.size(); ++I) {
    const char C = S[I];
    if (C < '0' || C > '9') return false;
    Acc = Acc * 10 + (C - '0');
    const long long Signed = Negative ? -Acc : Acc;
    if (Signed > INT_MAX || Signed < INT_MIN) return false;
    Value = static_cast<std::int32_t>(Signed);
  }
  return true;
}

std::string SchObjName(const std::string& Schema, const std::string& Name) {
  return Schema.empty() ? Name : Schema + "." + Name;
}

std::string GenScriptTerm(TDatabaseType DatabaseType) {
  switch (DatabaseType) {
    case dbMSSQL:
      return "\r\nGO\r\n";
    case dbSybaseASA:
    case dbSybaseASE:
      return "\r\ngo\r\n";
    default:
      return ";\r\n";
  }
}

std::string ScriptQuotedStr(const std::string& S, TDatabaseType DatabaseType) {
  std::string R;
  AppendScriptQuotedStr(R, S, DatabaseType);
  return R;
}

void AppendScriptQuotedStr(std::string& Out, std::string_view S, TDatabaseType DatabaseType,
                           std::size_t Room) {
  switch (DatabaseType) {
    case dbMySQL:
      AppendMySQLLiteral(Out, S, Room);
      break;
    case dbPostgreSQL:
      AppendPostgreSQLLiteral(Out, S, Room);
      break;
    default:
      AppendStandardLiteral(Out, S, Room);
      break;
  }
}

std::string_view ScriptQuotedOpening(std::string_view S, TDatabaseType DatabaseType) {
  if (DatabaseType == dbPostgreSQL && std::any_of(S.begin(), S.end(), PostgreSQLEscaped))
    return "E'";
  return "'";
}

std::string ValidateFileName(const std::string& S) {
  std::string R = S;
  for (char& C : R) {
    switch (C) {
      case '"':
      case '*':
      case '+':
      case '/':
      case ':':
      case ';':
      case '<':
      case '=':
      case '>':
      case '?':
      case '\\':
      case '|':
        C = ' ';
        break;
      default:
        break;
    }
  }
  return R;
}

std::string SafeBlockComment(const std::string& S) {
  std::string R;
  R.reserve(S.size());
  for (std::size_t I = 0; I < S.size(); ++I) {
    R += S[I];
    // "*/" would end the comment and "/*" open a nested one where comments nest (PostgreSQL,
    // SQL Server): "* /" and "/ *" read the same to a person and not to the server.
    if (I + 1 < S.size() && ((S[I] == '*' && S[I + 1] == '/') || (S[I] == '/' && S[I + 1] == '*')))
      R += ' ';
  }
  return R;
}

std::string SafeLineComment(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    if (C == '\r' || C == '\n') C = ' ';
  return R;
}

// ---------------------------------------------------------------------------------------------

std::string TTableSpace::Def() const {
  std::string R;
  auto AddNumber = [&R](const char* Word, std::int32_t V) {
    if (V != 0) R += std::string("   ") + Word + " " + std::to_string(V) + "\r\n";
  };
  AddNumber("pctfree", PctFree);
  AddNumber("pctused", PctUsed);
  AddNumber("initrans", IniTrans);
  AddNumber("maxtrans", MaxTrans);
  if (!Storage.empty()) R += "   storage\r\n" + Storage;
  return TrimBlanks(R);
}

void TTableSpace::Clear() {
  PctFree = PctUsed = IniTrans = MaxTrans = 0;
  Storage.clear();
}

bool TTableSpace::IsEmpty() const {
  return PctFree == 0 && PctUsed == 0 && IniTrans == 0 && MaxTrans == 0 && Storage.empty();
}

void TTableSpace::AssignDiffs(TTableSpace& Other) {
  auto Fill = [](auto& Mine, const auto& Theirs, const auto& Unset) {
    if (Mine == Unset && Theirs != Unset) Mine = Theirs;
  };
  const std::int32_t Zero = 0;
  const std::string None;
  Fill(PctFree, Other.PctFree, Zero);
  Fill(PctUsed, Other.PctUsed, Zero);
  Fill(IniTrans, Other.IniTrans, Zero);
  Fill(MaxTrans, Other.MaxTrans, Zero);
  Fill(Storage, Other.Storage, None);
  Fill(Other.PctFree, PctFree, Zero);
  Fill(Other.PctUsed, PctUsed, Zero);
  Fill(Other.IniTrans, IniTrans, Zero);
  Fill(Other.MaxTrans, MaxTrans, Zero);
  Fill(Other.Storage, Storage, None);
}

std::string TTypeDirective::Def() const {
  std::string R;
  if (Overriding) R += "OVERRIDING ";
  if (NotInstantiable) R += "NOT INSTANTIABLE ";
  if (NotFinal) R += "NOT FINAL ";
  if (Instantiable) R += "INSTANTIABLE ";
  if (Final) R += "FINAL ";
  return R;
}

void TIndexOptions::Clear() {
  *this = TIndexOptions();
}

std::string TIndexOptions::Def() const {
  std::string R;
  auto Item = [&R](bool Set, const std::string& Text) {
    if (!Set) return;
    if (!R.empty()) R += ", ";
    R += Text;
  };
  Item(PadIndex, "PAD_INDEX = ON");
  Item(FillFactor != 0, "FILLFACTOR = " + std::to_string(FillFactor));
  Item(IgnoreDupKey, "IGNORE_DUP_KEY = ON");
  Item(StatisticsNorecompute, "STATISTICS_NORECOMPUTE = ON");
  Item(AllowRowLocks, "ALLOW_ROW_LOCKS = ON");
  Item(AllowPageLocks, "ALLOW_PAGE_LOCKS = ON");
  Item(SortInTempdb, "SORT_IN_TEMPDB = ON");
  Item(Online, "ONLINE = ON");
  Item(MaxDop != 0, "MAXDOP = " + std::to_string(MaxDop));
  return R.empty() ? R : "(" + R + ")";
}

}  // namespace qel
