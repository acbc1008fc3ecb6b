// Conditions of checks and domains read as expressions before they are kept: operands and
// operators in turn, lists not empty, parentheses balanced. Every dialect's condition passes
// through here, so the reading is lenient where dialects differ (function calls, sub-selects
// and types are passed over as units) and strict where they agree.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Text.h"
#include "qelDialects.h"
#include "qelParser.h"

namespace qel {

namespace {

enum class TTk : std::uint8_t {
  End,
  Name,
  Literal,
  Op,
  LParen,
  RParen,
  LBracket,
  RBracket,
  Comma,
  Other
};

struct TTok {
  TTk Kind = TTk::End;
  std::string_view Text;
  bool Plain = false;  ///< a name of one unquoted word
};

bool WordByte(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_' ||
         C == '$' || static_cast<unsigned char>(C) >= 0x80;
}
bool Digit(char C) {
  return C >= '0' && C <= '9';
}
bool Blank(char C) {
  return C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '\f';
}

// Operators of two or three characters, longest first; every other operator character stands
// alone.
constexpr std::array<std::string_view, 28> LongOps = {
    "!~~*", "<=>", "->>", "#>>", "!~~", "!~*", "~~*", "::", "<=", ">=", "<>", "!=", "==", "||",
    "&&",   "<<",  ">>",  "~*",  "!~",  "~~",  "@>",  "<@", "->", "#>", "^=", "!<", "!>", "*="};
constexpr std::string_view OpChars = "=<>!~+-*/%^&|#@?:";

class TTokens {
 public:
  TTokens(std::string_view Text, const TLexicalRules& L)
      : T(Text), FBackslashes(L.BackslashEscapes), FBrackets(L.BracketQuotes) {}

  /// Splits the text; false (with Fault set) at a quote or comment the text leaves open.
  bool Split(std::vector<TTok>& Out, std::string& Fault) {
    const std::size_t N = T.size();
    std::size_t I = 0;
    while (I < N) {
      const char C = T[I];
      if (Blank(C)) {
        ++I;
      } else if (C == '-' && I + 1 < N && T[I + 1] == '-') {
        while (I < N && T[I] != '\n') ++I;
      } else if (C == '/' && I + 1 < N && T[I + 1] == '*') {
        const std::size_t End = T.find("*/", I + 2);
        if (End == std::string_view::npos) return Open("/*", Fault);
        I = End + 2;
      } else if (C == '\'') {
        const std::size_t Start = I;
        if (!Quoted(I, '\'', FBackslashes)) return Open("'", Fault);
        Out.push_back({TTk::Literal, T.substr(Start, I - Start)});
      } else if (C == '"' || C == '`' || (C == '[' && FBrackets)) {
        const std::size_t Start = I;
        if (!NameFrom(I)) return Open(std::string(1, C), Fault);
        Out.push_back({TTk::Name, T.substr(Start, I - Start)});
      } else if (Digit(C) || (C == '.' && I + 1 < N && Digit(T[I + 1]))) {
        const std::size_t Start = I;
        while (I < N) {
          const char D = T[I];
          const bool Exponent = (D == '+' || D == '-') && (T[I - 1] == 'e' || T[I - 1] == 'E') &&
                                !(I - Start > 1 && (T[Start + 1] == 'x' || T[Start + 1] == 'X'));
          if (!WordByte(D) && D != '.' && !Exponent) break;
          ++I;
        }
        Out.push_back({TTk::Literal, T.substr(Start, I - Start)});
      } else if ((C == '@' || C == ':') && I + 1 < N && (WordByte(T[I + 1]) || T[I + 1] == '@') &&
                 !(C == ':' && I > 0 && T[I - 1] == ':')) {
        // A variable or parameter: @name, @@name, :name.
        const std::size_t Start = I++;
        while (I < N && (WordByte(T[I]) || T[I] == '@')) ++I;
        Out.push_back({TTk::Name, T.substr(Start, I - Start)});
      } else if (WordByte(C)) {
        const std::size_t Start = I;
        while (I < N && WordByte(T[I])) ++I;
        // A Unicode-escaped literal or name: U&'..', U&"..".
        if (I - Start == 1 && (C == 'U' || C == 'u') && I + 1 < N && T[I] == '&' &&
            (T[I + 1] == '\'' || T[I + 1] == '"')) {
          const char Quote = T[++I];
          if (!Quoted(I, Quote, false)) return Open(std::string(1, Quote), Fault);
          Out.push_back({Quote == '"' ? TTk::Name : TTk::Literal, T.substr(Start, I - Start)});
          continue;
        }
        // A prefixed literal: N'..', E'..', X'..', B'..', _charset'..'.
        if (I < N && T[I] == '\'' && (I - Start == 1 || C == '_')) {
          if (!Quoted(I, '\'', FBackslashes || C == 'E' || C == 'e')) return Open("'", Fault);
          Out.push_back({TTk::Literal, T.substr(Start, I - Start)});
          continue;
        }
        bool Plain = true;
        if (!DottedParts(I, Plain)) return Open(".", Fault);
        Out.push_back({TTk::Name, T.substr(Start, I - Start), Plain});
      } else if (C == '(' || C == ')' || C == ',' || C == '[' || C == ']') {
        Out.push_back({C == '('   ? TTk::LParen
                       : C == ')' ? TTk::RParen
                       : C == ',' ? TTk::Comma
                       : C == '[' ? TTk::LBracket
                                  : TTk::RBracket,
                       T.substr(I, 1)});
        ++I;
      } else if (OpChars.find(C) != std::string_view::npos) {
        std::size_t Len = 1;
        for (const std::string_view Op : LongOps)
          if (T.substr(I, Op.size()) == Op) {
            Len = Op.size();
            break;
          }
        // Transact-SQL lets blanks stand inside an operator: "< >", "! =".
        std::size_t J = I + Len;
        while (FBrackets && Len == 1 && J < N && Blank(T[J])) ++J;
        if (J > I + 1 && J < N &&
            ((C == '<' && (T[J] == '>' || T[J] == '=')) || (C == '>' && T[J] == '=') ||
             (C == '!' && (T[J] == '=' || T[J] == '<' || T[J] == '>'))))
          Len = J + 1 - I;
        Out.push_back({TTk::Op, T.substr(I, Len)});
        I += Len;
      } else {
        Out.push_back({TTk::Other, T.substr(I, 1)});
        ++I;
      }
    }
    Out.push_back({TTk::End, {}});
    return true;
  }

 private:
  std::string_view T;
  bool FBackslashes, FBrackets;

  static bool Open(const std::string& Quote, std::string& Fault) {
    Fault = "\"" + Quote + "\" is not closed";
    return false;
  }
  /// Passes the quoted text at I (a doubled quote stands for itself); I ends past its close.
  bool Quoted(std::size_t& I, char Close, bool Escapes) const {
    for (++I; I < T.size(); ++I) {
      if (Escapes && T[I] == '\\') {
        ++I;
      } else if (T[I] == Close) {
        if (I + 1 < T.size() && T[I + 1] == Close && Close != ']') {
          ++I;
          continue;
        }
        ++I;
        return true;
      }
    }
    return false;
  }
  /// A quoted name at I and the parts dotted onto it.
  bool NameFrom(std::size_t& I) {
    const char Open = T[I];
    if (!Quoted(I, Open == '[' ? ']' : Open, false)) return false;
    bool Plain = false;
    return DottedParts(I, Plain);
  }
  /// ".part" after a name, as often as it stands: a word, a quoted name or "*".
  bool DottedParts(std::size_t& I, bool& Plain) {
    const std::size_t N = T.size();
    while (I + 1 < N && T[I] == '.') {
      const char C = T[I + 1];
      if (WordByte(C)) {
        I += 1;
        while (I < N && WordByte(T[I])) ++I;
      } else if (C == '"' || C == '`' || (C == '[' && FBrackets)) {
        ++I;
        if (!Quoted(I, C == '[' ? ']' : C, false)) return false;
      } else if (C == '*') {
        I += 2;
      } else {
        break;
      }
      Plain = false;
    }
    return true;
  }
};

bool IsWord(const TTok& Tok, std::string_view Word) {
  return Tok.Kind == TTk::Name && Tok.Plain && SameText(Tok.Text, Word);
}
template <std::size_t K>
bool IsOneOf(const TTok& Tok, const std::array<std::string_view, K>& Words) {
  if (Tok.Kind != TTk::Name || !Tok.Plain) return false;
  for (const std::string_view W : Words)
    if (SameText(Tok.Text, W)) return true;
  return false;
}

// Words that join two operands and never stand as one: met where an operand must stand, they
// show that it is missing.
constexpr std::array<std::string_view, 10> JoinOnly = {"AND",     "OR",   "IN",   "IS",   "LIKE",
                                                       "BETWEEN", "THEN", "ELSE", "WHEN", "END"};
// Words that join two operands where an operator may stand.
constexpr std::array<std::string_view, 15> JoinWords = {
    "AND", "OR",  "XOR",    "LIKE",  "ILIKE", "IN",         "BETWEEN", "ESCAPE",
    "DIV", "MOD", "REGEXP", "RLIKE", "GLOB",  "CONTAINING", "OVERLAPS"};
// Words NOT may stand before as an operator: x NOT IN (...).
constexpr std::array<std::string_view, 10> Negatable = {
    "LIKE",       "ILIKE",    "IN",     "BETWEEN", "SIMILAR",
    "CONTAINING", "STARTING", "REGEXP", "RLIKE",   "GLOB"};
// Words that go with a type: DECIMAL(10, 2) WITH TIME ZONE, CHARACTER VARYING, DOUBLE PRECISION.
constexpr std::array<std::string_view, 7> TypeWords = {"VARYING", "PRECISION", "WITH", "WITHOUT",
                                                       "TIME",    "ZONE",      "LOCAL"};
// Units of an interval literal: INTERVAL '1' DAY TO SECOND.
constexpr std::array<std::string_view, 7> IntervalUnits = {"YEAR",   "MONTH",  "DAY", "HOUR",
                                                           "MINUTE", "SECOND", "TO"};
// Words a typed literal starts with: DATE '2024-01-31'.
constexpr std::array<std::string_view, 5> TypedLiterals = {"DATE", "TIME", "TIMESTAMP",
                                                           "TIMESTAMPTZ", "INTERVAL"};

/// Reads the tokens of a condition as an expression. Fault receives the first fault found.
class TConditionReader {
 public:
  TConditionReader(const std::vector<TTok>& Tokens, std::vector<std::string>* Names)
      : T(Tokens), FNames(Names) {}

  std::string Read() {
    const bool Ok = Expr();
    if (FDeep) return {};  // too deep to follow: taken as it stands
    if (Ok) {
      if (T[I].Kind == TTk::RParen)
        Fail("\")\" has no \"(\"");
      else if (T[I].Kind != TTk::End)
        Unexpected();
    }
    return Fault;
  }

 private:
  static constexpr int MaxDepth = 1000;
  const std::vector<TTok>& T;
  std::vector<std::string>* FNames;
  std::size_t I = 0;
  int Depth = 0;
  bool FDeep = false;
  std::string Fault;

  bool Fail(const std::string& Text) {
    if (Fault.empty()) Fault = Text;
    return false;
  }
  static std::string Quote(const TTok& Tok) {
    return std::string(1, '"').append(Tok.Text).append(1, '"');
  }
  /// The symbol after the previous one is out of place.
  bool Unexpected() {
    const TTok& Tok = T[I];
    const TTok* Prev = I > 0 ? &T[I - 1] : nullptr;
    if (Prev && StartsOperand(Tok) && Tok.Kind != TTk::LParen)
      return Fail(Quote(Tok) + " follows " + Quote(*Prev) + " with no operator between");
    if (Tok.Kind == TTk::End) return Fail("the condition ends too early");
    return Fail(Quote(Tok) + " is out of place");
  }
  static bool StartsOperand(const TTok& Tok) {
    return (Tok.Kind == TTk::Name && !IsOneOf(Tok, JoinOnly)) || Tok.Kind == TTk::Literal ||
           Tok.Kind == TTk::LParen;
  }
  /// An operand is missing at I: after the operator before it, or at the start.
  bool NoOperand() {
    const TTok& Tok = T[I];
    const bool Closes = Tok.Kind == TTk::End || Tok.Kind == TTk::RParen || Tok.Kind == TTk::Comma;
    if (I > 0 && (Closes || T[I - 1].Kind == TTk::Op || T[I - 1].Kind == TTk::Name))
      return Fail(Quote(T[I - 1]) + " has nothing after it");
    if (Tok.Kind == TTk::End) return Fail("the condition is empty");
    return Fail(Quote(Tok) + " has nothing before it");
  }

  /// Passes the bracketed group at I (its contents unread but balanced); I ends past its close.
  bool SkipGroup() {
    const TTk Open = T[I].Kind, Close = Open == TTk::LParen ? TTk::RParen : TTk::RBracket;
    int Level = 0;
    for (; T[I].Kind != TTk::End; ++I) {
      if (T[I].Kind == Open) ++Level;
      if (T[I].Kind == Close && --Level == 0) {
        ++I;
        return true;
      }
      if ((T[I].Kind == TTk::RParen || T[I].Kind == TTk::RBracket) && Level <= 0) break;
    }
    return Fail(
        std::string(1, '"').append(Open == TTk::LParen ? "(" : "[").append("\" is not closed"));
  }
  bool SubSelectAt() const {
    return IsWord(T[I], "SELECT") || IsWord(T[I], "WITH") || IsWord(T[I], "VALUES");
  }
  /// "(" at I: a sub-select is passed over, a list is read; I ends past ")".
  bool Group(bool InList) {
    const std::size_t Open = I++;
    if (SubSelectAt()) {
      I = Open;
      return SkipGroup();
    }
    if (T[I].Kind == TTk::RParen)
      return Fail(InList ? "the list after IN is empty" : "\"()\" holds nothing");
    if (!List()) return false;
    if (T[I].Kind != TTk::RParen) {
      if (T[I].Kind == TTk::End) return Fail("\"(\" is not closed");
      return Unexpected();
    }
    ++I;
    return true;
  }
  /// Expressions separated by commas.
  bool List() {
    for (;;) {
      if (!Expr()) return false;
      if (T[I].Kind != TTk::Comma) return true;
      ++I;
    }
  }
  /// A type after "::": a name, its words, a size and array brackets.
  bool Type() {
    if (T[I].Kind != TTk::Name) return NoOperand();
    ++I;
    while (IsOneOf(T[I], TypeWords)) ++I;
    if (T[I].Kind == TTk::LParen && !SkipGroup()) return false;
    while (IsOneOf(T[I], TypeWords)) ++I;
    while (T[I].Kind == TTk::LBracket)
      if (!SkipGroup()) return false;
    return true;
  }

  /// One operand with the prefix operators before it and what may follow it as part of it.
  bool Unit() {
    while ((T[I].Kind == TTk::Op && (T[I].Text == "-" || T[I].Text == "+" || T[I].Text == "~" ||
                                     T[I].Text == "!" || T[I].Text == "@")) ||
           IsWord(T[I], "NOT") || IsWord(T[I], "PRIOR") || IsWord(T[I], "BINARY"))
      ++I;
    const TTok& Tok = T[I];
    switch (Tok.Kind) {
      case TTk::Literal:
        ++I;
        break;
      case TTk::LParen:
        if (!Group(false)) return false;
        break;
      case TTk::Op:
        if (Tok.Text != "?" && Tok.Text != "*") return NoOperand();
        ++I;  // a parameter marker; "*" of a bare column list
        break;
      case TTk::Name:
        if (!Name()) return false;
        break;
      default:
        return NoOperand();
    }
    return Postfix();
  }
  /// A name at I: a column, a function call, CASE, a typed literal.
  bool Name() {
    const TTok& Tok = T[I];
    if (IsOneOf(Tok, JoinOnly)) return NoOperand();
    if (IsWord(Tok, "CASE")) return Case();
    const TTok& Next = T[I + 1];
    // A typed literal, or one in a character set: _UTF8 'x'.
    if (Tok.Plain && Next.Kind == TTk::Literal &&
        (IsOneOf(Tok, TypedLiterals) || Tok.Text.front() == '_')) {
      const bool Interval = IsWord(Tok, "INTERVAL");
      I += 2;
      while (Interval && (IsOneOf(T[I], IntervalUnits) || T[I].Kind == TTk::LParen)) {
        if (T[I].Kind != TTk::LParen)
          ++I;
        else if (!SkipGroup())
          return false;
      }
      return true;
    }
    if (IsWord(Tok, "CURRENT") && Next.Kind == TTk::Name && Next.Plain) {
      I += 2;  // CURRENT DATE, CURRENT TIMESTAMP
      return true;
    }
    ++I;
    if (T[I].Kind == TTk::LParen || T[I].Kind == TTk::LBracket) return SkipGroup();  // a call
    if (FNames && Tok.Plain) FNames->emplace_back(Tok.Text);
    return true;
  }
  bool Case() {
    ++I;
    if (!IsWord(T[I], "WHEN") && !Expr()) return false;  // CASE x WHEN 1 THEN ...
    if (!IsWord(T[I], "WHEN")) return T[I].Kind == TTk::End ? NoOperand() : Unexpected();
    while (IsWord(T[I], "WHEN")) {
      ++I;
      if (!Expr()) return false;
      if (!IsWord(T[I], "THEN")) return Unexpected();
      ++I;
      if (!Expr()) return false;
    }
    if (IsWord(T[I], "ELSE")) {
      ++I;
      if (!Expr()) return false;
    }
    if (!IsWord(T[I], "END")) return Unexpected();
    ++I;
    return true;
  }
  /// What may follow an operand as part of it: a cast, a subscript, IS [NOT] NULL, COLLATE.
  bool Postfix() {
    for (;;) {
      if (T[I].Kind == TTk::Op && T[I].Text == "::") {
        ++I;
        if (!Type()) return false;
      } else if (T[I].Kind == TTk::LBracket) {
        if (!SkipGroup()) return false;
      } else if (IsWord(T[I], "COLLATE")) {
        ++I;
        if (T[I].Kind != TTk::Name) return NoOperand();
        ++I;
      } else if (IsWord(T[I], "ISNULL") || IsWord(T[I], "NOTNULL")) {
        ++I;
      } else if (IsWord(T[I], "IS")) {
        ++I;
        if (IsWord(T[I], "NOT")) ++I;
        if (IsWord(T[I], "DISTINCT") && IsWord(T[I + 1], "FROM")) {
          I += 2;
          return Unit();
        }
        if (IsWord(T[I], "OF")) {  // IS OF (type), IS OF TYPE (type)
          ++I;
          if (IsWord(T[I], "TYPE")) ++I;
          if (T[I].Kind != TTk::LParen) return NoOperand();
          if (!SkipGroup()) return false;
          continue;
        }
        if (T[I].Kind != TTk::Name || IsOneOf(T[I], JoinOnly)) return NoOperand();
        ++I;  // NULL, TRUE, FALSE, UNKNOWN, NAN, JSON ...
      } else {
        return true;
      }
    }
  }
  /// The operator at I, read; false when none stands there. In is set for IN.
  bool Operator(bool& In) {
    In = false;
    const TTok& Tok = T[I];
    if (Tok.Kind == TTk::Op) {
      ++I;
      return true;
    }
    std::size_t J = I;
    if (IsWord(T[J], "NOT") && IsOneOf(T[J + 1], Negatable)) ++J;
    const TTok& W = T[J];
    if (IsWord(W, "STARTING")) {
      I = J + 1 + (IsWord(T[J + 1], "WITH") ? 1 : 0);
    } else if ((IsWord(W, "SIMILAR") && IsWord(T[J + 1], "TO")) ||
               (IsWord(W, "SOUNDS") && IsWord(T[J + 1], "LIKE")) ||
               (IsWord(W, "MEMBER") && IsWord(T[J + 1], "OF"))) {
      I = J + 2;
    } else if (IsWord(W, "AT") && IsWord(T[J + 1], "TIME") && IsWord(T[J + 2], "ZONE")) {
      I = J + 3;
    } else if (IsOneOf(W, JoinWords)) {
      In = IsWord(W, "IN");
      I = J + 1;
    } else {
      return false;
    }
    return true;
  }
  /// Operands joined by operators, up to a symbol that cannot go on: ")", ",", the end, or a
  /// word of CASE.
  bool Expr() {
    if (++Depth > MaxDepth) {
      FDeep = true;
      --Depth;
      return false;
    }
    const bool Ok = [this] {
      for (;;) {
        if (!Unit()) return false;
        for (;;) {
          bool In = false;
          if (!Operator(In)) return true;
          if (!In || T[I].Kind != TTk::LParen) break;
          // x IN (list): the list is the operand; another operator may follow.
          if (!Group(true) || !Postfix()) return false;
        }
      }
    }();
    --Depth;
    return Ok;
  }
};

// The parts of a name token, quotes removed: "s"."v" -> s, v. LastQuoted, when given, tells
// whether the last part was quoted.
std::vector<std::string> NameParts(std::string_view Text, bool* LastQuoted = nullptr) {
  std::vector<std::string> Parts(1);
  char Quote = 0;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (Quote) {
      if (C == Quote && I + 1 < Text.size() && Text[I + 1] == Quote && Quote != ']')
        Parts.back() += Text[++I];
      else if (C == Quote)
        Quote = 0;
      else
        Parts.back() += C;
    } else if (C == '"' || C == '`' || C == '[') {
      Quote = C == '[' ? ']' : C;
      if (LastQuoted) *LastQuoted = true;
    } else if (C == '.') {
      Parts.emplace_back();
      if (LastQuoted) *LastQuoted = false;
    } else {
      Parts.back() += C;
    }
  }
  return Parts;
}

}  // namespace

std::vector<TRelationName> RelationsRead(std::string_view Query, const TLexicalRules& L) {
  std::vector<TTok> T;
  std::string Fault;
  if (!TTokens(Query, L).Split(T, Fault)) return {};
  // The names of WITH queries: "name [(columns)] AS (" after WITH, RECURSIVE or a comma.
  std::vector<std::string> Local;
  for (std::size_t I = 1; I + 2 < T.size(); ++I) {
    const TTok& Before = T[I - 1];
    if (T[I].Kind != TTk::Name ||
        !(IsWord(Before, "WITH") || IsWord(Before, "RECURSIVE") || Before.Kind == TTk::Comma))
      continue;
    std::size_t J = I + 1;
    if (T[J].Kind == TTk::LParen) {
      while (J + 1 < T.size() && T[J].Kind != TTk::RParen) ++J;
      ++J;
    }
    if (J + 1 < T.size() && IsWord(T[J], "AS") && T[J + 1].Kind == TTk::LParen)
      Local.push_back(UpperCase(NameParts(T[I].Text).back()));
  }
  static constexpr std::array<std::string_view, 17> ClauseEnds = {
      "WHERE",  "GROUP",   "HAVING", "ORDER", "UNION",  "EXCEPT", "INTERSECT", "MINUS",  "LIMIT",
      "WINDOW", "CONNECT", "START",  "FOR",   "OFFSET", "FETCH",  "WITH",      "QUALIFY"};
  std::vector<TRelationName> Read;
  std::vector<bool> InFrom(1, false);  // per parenthesis depth: within a FROM list
  // Per depth: a SELECT stands before; a FROM without one is a function's (EXTRACT(x FROM d)).
  std::vector<bool> Selects(1, false);
  bool NameNext = false;
  for (std::size_t I = 0; I < T.size(); ++I) {
    const TTok& K = T[I];
    const bool Next = NameNext;
    NameNext = false;
    if (K.Kind == TTk::LParen) {
      InFrom.push_back(false);
      Selects.push_back(false);
    } else if (K.Kind == TTk::RParen) {
      if (InFrom.size() > 1) {
        InFrom.pop_back();
        Selects.pop_back();
      }
    } else if (K.Kind == TTk::Comma) {
      NameNext = InFrom.back();
    } else if (IsWord(K, "SELECT")) {
      Selects.back() = true;
    } else if ((IsWord(K, "FROM") && Selects.back()) || IsWord(K, "JOIN")) {
      InFrom.back() = true;
      NameNext = true;
    } else if (IsOneOf(K, ClauseEnds)) {
      InFrom.back() = false;
    } else if (Next && K.Kind == TTk::Name &&
               (IsWord(K, "ONLY") || IsWord(K, "LATERAL") || IsWord(K, "TABLE"))) {
      NameNext = true;
    } else if (Next && K.Kind == TTk::Name && T[I + 1].Kind != TTk::LParen) {
      bool Quoted = false;
      std::vector<std::string> Parts = NameParts(K.Text, &Quoted);
      const std::string Name = Parts.back();
      if (std::find(Local.begin(), Local.end(), UpperCase(Name)) != Local.end()) continue;
      Read.push_back({Parts.size() > 1 ? Parts[Parts.size() - 2] : std::string(), Name, Quoted});
    }
  }
  return Read;
}

std::string ConditionFault(std::string_view Condition, const TLexicalRules& L,
                           std::vector<std::string>* Names) {
  std::vector<TTok> Tokens;
  std::string Fault;
  if (!TTokens(Condition, L).Split(Tokens, Fault)) return Fault;
  return TConditionReader(Tokens, Names).Read();
}

}  // namespace qel
