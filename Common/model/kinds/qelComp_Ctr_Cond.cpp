// The normal form a PostgreSQL check condition is compared in. The server keeps a check as a
// parsed tree and gives it back in its own text (pg_get_constraintdef): every comparison in
// parentheses, the casts it gave literals ("'-5'::integer", "'z'::text"), LIKE as ~~, BETWEEN
// as two comparisons, IN as "= ANY (ARRAY[...])", names and keywords in lower case. The script
// holds the condition as its author wrote it. Both are read into the same shape here: each
// operator application in parentheses, so that the grouping of the two texts, and only that, is
// compared; a condition this reader does not follow is compared token by token.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelComp_Ctr.h"

namespace qel {

namespace {

enum class TTok : std::uint8_t { End, Word, QuotedName, String, Number, Op, Punct };

struct TToken {
  TTok Kind = TTok::End;
  /// Words in lower case; a string literal or quoted name as written; an operator or punctuation.
  std::string Text;
  /// The content of a plain string literal (quotes undoubled), or of a quoted name.
  std::string Content;
  /// A string literal with a prefix (E'', B'', U&'') or dollar quotes: its content is not read.
  bool Opaque = false;
};

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

bool IsWordStart(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '_' ||
         static_cast<unsigned char>(C) >= 0x80;
}

bool IsWordChar(char C) {
  return IsWordStart(C) || IsDigit(C) || C == '$';
}

bool IsOpChar(char C) {
  return std::string_view("+-*/<>=~!@#%^&|`?").find(C) != std::string_view::npos;
}

/// The tokens of S; false on text the scanner cannot take apart (an unclosed quote).
bool Scan(const std::string& S, std::vector<TToken>& Out) {
  std::size_t I = 0;
  const std::size_t N = S.size();
  auto Quoted = [&](char Q, std::string& Content) {
    // I is on the opening quote; on return I is past the closing one.
    for (++I; I < N; ++I) {
      if (S[I] != Q) {
        Content += S[I];
      } else if (I + 1 < N && S[I + 1] == Q) {
        Content += Q;
        ++I;
      } else {
        ++I;
        return true;
      }
    }
    return false;
  };
  while (I < N) {
    const char C = S[I];
    if (C == ' ' || C == '\t' || C == '\r' || C == '\n') {
      ++I;
    } else if (C == '-' && I + 1 < N && S[I + 1] == '-') {
      while (I < N && S[I] != '\n') ++I;
    } else if (C == '/' && I + 1 < N && S[I + 1] == '*') {
      const std::size_t End = S.find("*/", I + 2);
      if (End == std::string::npos) return false;
      I = End + 2;
    } else if (C == '\'') {
      TToken T{TTok::String, "", "", false};
      const std::size_t Start = I;
      if (!Quoted('\'', T.Content)) return false;
      T.Text = S.substr(Start, I - Start);
      Out.push_back(std::move(T));
    } else if (C == '"') {
      TToken T{TTok::QuotedName, "", "", false};
      if (!Quoted('"', T.Content)) return false;
      Out.push_back(std::move(T));
    } else if (C == '$' && I + 1 < N && (S[I + 1] == '$' || IsWordStart(S[I + 1]))) {
      const std::size_t TagEnd = S.find('$', I + 1);
      if (TagEnd == std::string::npos) return false;
      const std::string Tag = S.substr(I, TagEnd - I + 1);
      const std::size_t End = S.find(Tag, TagEnd + 1);
      if (End == std::string::npos) return false;
      Out.push_back({TTok::String, S.substr(I, End + Tag.size() - I), "", true});
      I = End + Tag.size();
    } else if (IsWordStart(C)) {
      const std::size_t Start = I;
      while (I < N && IsWordChar(S[I])) ++I;
      if (I < N && S[I] == '\'') {
        // E'...', B'...', X'...', N'...': the prefix changes how the content reads.
        std::string Ignored;
        if (!Quoted('\'', Ignored)) return false;
        Out.push_back({TTok::String, S.substr(Start, I - Start), "", true});
      } else {
        Out.push_back({TTok::Word, LowerCase(S.substr(Start, I - Start)), "", false});
      }
    } else if (IsDigit(C) || (C == '.' && I + 1 < N && IsDigit(S[I + 1]))) {
      const std::size_t Start = I;
      while (I < N && (IsDigit(S[I]) || S[I] == '.')) ++I;
      if (I < N && (S[I] == 'e' || S[I] == 'E')) {
        ++I;
        if (I < N && (S[I] == '+' || S[I] == '-')) ++I;
        while (I < N && IsDigit(S[I])) ++I;
      }
      Out.push_back({TTok::Number, S.substr(Start, I - Start), "", false});
    } else if (C == ':' && I + 1 < N && S[I + 1] == ':') {
      Out.push_back({TTok::Punct, "::", "", false});
      I += 2;
    } else if (IsOpChar(C)) {
      const std::size_t Start = I;
      while (I < N && IsOpChar(S[I])) ++I;
      // As the server reads operators: a trailing + or - belongs to the next operand unless
      // the operator holds one of the characters that only longer operators use ("<=-5").
      std::string Op = S.substr(Start, I - Start);
      if (Op.size() > 1 && Op.find_first_of("~!@#%^&|`?") == std::string::npos)
        while (Op.size() > 1 && (Op.back() == '+' || Op.back() == '-')) Op.pop_back();
      I = Start + Op.size();
      Out.push_back({TTok::Op, Op, "", false});
    } else {
      Out.push_back({TTok::Punct, std::string(1, C), "", false});
      ++I;
    }
  }
  return true;
}

/// One read operand: its text in normal form and what the next operator needs to know of it.
struct TExpr {
  enum TShape : std::uint8_t { Other, Literal, And, Or };
  TShape Shape = Other;
  /// The text, less Open leading "(": an operator chain "(((a + b) + c) + d)" then grows at its
  /// end only, which keeps a condition of many thousand terms linear. Empty for an AND or OR,
  /// whose text is its terms.
  std::string Text;
  std::size_t Open = 0;
  /// A literal's value: the content of a string, the digits of a number.
  std::string Value;
  bool NumberLiteral = false;
  /// The terms of an AND or OR, which is associative: "(a AND b) AND c" is "a AND b AND c".
  std::vector<std::string> Terms;
};

/// The finished text of E, which is used up.
std::string TextOf(TExpr&& E) {
  if (E.Shape == TExpr::And || E.Shape == TExpr::Or) {
    const std::string_view Word = E.Shape == TExpr::And ? " AND " : " OR ";
    std::size_t Size = 2;
    for (const std::string& T : E.Terms) Size += T.size() + Word.size();
    std::string R;
    R.reserve(Size);
    R += '(';
    for (std::size_t I = 0; I < E.Terms.size(); ++I) {
      if (I) R += Word;
      R += E.Terms[I];
    }
    R += ')';
    return R;
  }
  if (E.Open == 0) return std::move(E.Text);
  return std::string(E.Open, '(') + E.Text;
}

/// "(" + the text of L + Tail, built on L's own text.
TExpr Wrap(TExpr&& L, std::string_view Tail) {
  TExpr E;
  if (L.Shape == TExpr::And || L.Shape == TExpr::Or) {
    E.Text = TextOf(std::move(L));
  } else {
    E.Text = std::move(L.Text);
    E.Open = L.Open;
  }
  ++E.Open;
  E.Text += Tail;
  return E;
}

/// A name in the form the catalog writes it: bare when it reads back unchanged bare.
std::string NameText(const std::string& Name) {
  bool Plain = !Name.empty() && !IsDigit(Name[0]) && Name[0] != '$';
  for (const char C : Name)
    if (!((C >= 'a' && C <= 'z') || IsDigit(C) || C == '_' || C == '$')) Plain = false;
  if (Plain) return Name;
  std::string R = "\"";
  for (const char C : Name) R += C == '"' ? std::string("\"\"") : std::string(1, C);
  return R + "\"";
}

/// The type a number literal has on the server: integer while it fits, then bigint, then
/// numeric; numeric with a fraction or exponent; empty for text that is no plain number.
std::string NumberType(std::string_view S) {
  std::size_t I = !S.empty() && S[0] == '-' ? 1 : 0;
  const std::size_t First = I;
  while (I < S.size() && IsDigit(S[I])) ++I;
  if (I == S.size() && I > First) {
    const std::string_view Abs = S.substr(First);
    if (Abs.size() < 10 || (Abs.size() == 10 && Abs <= "2147483647")) return "integer";
    if (Abs.size() < 19 || (Abs.size() == 19 && Abs <= "9223372036854775807")) return "bigint";
    return "numeric";
  }
  if (I < S.size() && S[I] == '.') {
    const std::size_t Dot = I++;
    while (I < S.size() && IsDigit(S[I])) ++I;
    if (I == S.size() && I > First + 1 && Dot + 1 < S.size()) return "numeric";
  }
  return "";
}

/// Type spellings the catalog replaces by its own.
// clang-format off
constexpr std::pair<std::string_view, std::string_view> kTypeAliases[] = {
    {"int", "integer"}, {"int4", "integer"}, {"int8", "bigint"}, {"int2", "smallint"},
    {"decimal", "numeric"}, {"float4", "real"}, {"float8", "double precision"},
    {"bool", "boolean"}, {"varchar", "character varying"}, {"char", "bpchar"},
    {"character", "bpchar"}, {"timestamp", "timestamp without time zone"},
    {"timestamptz", "timestamp with time zone"}, {"time", "time without time zone"},
    {"timetz", "time with time zone"},
};
// clang-format on

bool IsNumberTypeName(std::string_view T) {
  return T == "integer" || T == "bigint" || T == "smallint" || T == "numeric" || T == "real" ||
         T == "double precision";
}

class TConditionReader {
 public:
  explicit TConditionReader(std::vector<TToken> Tokens, std::size_t TextSize)
      : FTokens(std::move(Tokens)), FCopyBudget(4 * TextSize + 1024) {}

  std::optional<std::string> Read() {
    std::optional<TExpr> E = Expr(0);
    if (!E || Peek().Kind != TTok::End) return std::nullopt;
    return TextOf(std::move(*E));
  }

  /// The condition nests deeper than PGConditionMaxDepth: Read gave up on it.
  bool TooDeep() const { return FTooDeep; }

 private:
  std::vector<TToken> FTokens;
  std::size_t FPos = 0;
  TToken FEnd;
  /// Levels of Expr now running; each nesting of the text (parentheses, a call, NOT, a sign)
  /// is one, so the depth of the reader's stack stays bounded whatever the input.
  int FDepth = 0;
  bool FTooDeep = false;
  /// Characters BETWEEN may still copy: its operand goes into both comparisons, and nested
  /// BETWEENs would double the text at each level.
  std::size_t FCopyBudget;

  struct TDepthGuard {
    int& Depth;
    ~TDepthGuard() { --Depth; }
  };

  const TToken& Peek(std::size_t Ahead = 0) const {
    return FPos + Ahead < FTokens.size() ? FTokens[FPos + Ahead] : FEnd;
  }
  bool IsWord(std::string_view W, std::size_t Ahead = 0) const {
    return Peek(Ahead).Kind == TTok::Word && Peek(Ahead).Text == W;
  }
  bool IsPunct(std::string_view P) const { return Peek().Kind == TTok::Punct && Peek().Text == P; }
  bool Take(std::string_view Word) {
    if (!IsWord(Word)) return false;
    ++FPos;
    return true;
  }
  bool TakePunct(std::string_view P) {
    if (!IsPunct(P)) return false;
    ++FPos;
    return true;
  }

  static TExpr Node(std::string Text) {
    TExpr E;
    E.Text = std::move(Text);
    return E;
  }

  /// L AND R, L OR R: the terms of a side of the same kind are taken over, so a chain of
  /// thousands of terms is read in linear time.
  static TExpr Junction(TExpr::TShape Shape, TExpr&& L, TExpr&& R) {
    TExpr E;
    if (L.Shape == Shape)
      E = std::move(L);
    else
      E.Terms.push_back(TextOf(std::move(L)));
    E.Shape = Shape;
    if (R.Shape == Shape) {
      for (std::string& T : R.Terms) E.Terms.push_back(std::move(T));
    } else {
      E.Terms.push_back(TextOf(std::move(R)));
    }
    return E;
  }

  static TExpr Binary(TExpr&& L, std::string_view Op, TExpr&& R) {
    std::string Tail = " ";
    Tail += Op;
    Tail += ' ';
    Tail += TextOf(std::move(R));
    Tail += ')';
    return Wrap(std::move(L), Tail);
  }

  /// Binding power of the infix operator ahead, 0 when none: OR, AND, NOT, IS, comparison,
  /// LIKE/BETWEEN/IN, any other operator, + -, * / %, ^, then the cast.
  int InfixPower() const {
    const TToken& T = Peek();
    if (T.Kind == TTok::Word) {
      if (T.Text == "or") return 1;
      if (T.Text == "and") return 2;
      if (T.Text == "is" || T.Text == "isnull" || T.Text == "notnull") return 4;
      if (T.Text == "like" || T.Text == "ilike" || T.Text == "between" || T.Text == "in") return 6;
      if (T.Text == "not" &&
          (IsWord("like", 1) || IsWord("ilike", 1) || IsWord("between", 1) || IsWord("in", 1)))
        return 6;
      return 0;
    }
    if (T.Kind == TTok::Punct) return T.Text == "::" ? 12 : 0;
    if (T.Kind != TTok::Op) return 0;
    if (T.Text == "=" || T.Text == "<>" || T.Text == "!=" || T.Text == "<" || T.Text == ">" ||
        T.Text == "<=" || T.Text == ">=")
      return 5;
    if (T.Text == "+" || T.Text == "-") return 8;
    if (T.Text == "*" || T.Text == "/" || T.Text == "%") return 9;
    if (T.Text == "^") return 10;
    return 7;
  }

  std::optional<TExpr> Expr(int MinPower) {
    if (FDepth > PGConditionMaxDepth) {
      FTooDeep = true;
      return std::nullopt;
    }
    ++FDepth;
    const TDepthGuard Guard{FDepth};
    std::optional<TExpr> L = Prefix();
    while (L) {
      const int P = InfixPower();
      if (P == 0 || P <= MinPower) break;
      L = Infix(std::move(*L), P);
    }
    return L;
  }

  std::optional<TExpr> Prefix() {
    const TToken T = Peek();
    if (T.Kind == TTok::End) return std::nullopt;
    ++FPos;
    if (T.Kind == TTok::Word && T.Text == "not") {
      std::optional<TExpr> E = Expr(3);
      if (!E) return std::nullopt;
      return Node("(NOT " + TextOf(std::move(*E)) + ")");
    }
    if (T.Kind == TTok::Op && (T.Text == "-" || T.Text == "+")) {
      std::optional<TExpr> E = Expr(11);
      if (!E) return std::nullopt;
      if (T.Text == "+") return E;
      // "-5" is one constant to the server, written back as '-5'::integer.
      if (E->NumberLiteral && !E->Value.empty() && E->Value[0] != '-') {
        E->Value.insert(0, 1, '-');
        E->Text = E->Value;
        return E;
      }
      return Node("(- " + TextOf(std::move(*E)) + ")");
    }
    if (T.Kind == TTok::Punct && T.Text == "(") {
      std::optional<TExpr> E = Expr(0);
      if (!E || !TakePunct(")")) return std::nullopt;
      return E;
    }
    if (T.Kind == TTok::Number) {
      TExpr E = Node(T.Text);
      E.Shape = TExpr::Literal;
      E.Value = T.Text;
      E.NumberLiteral = true;
      return E;
    }
    if (T.Kind == TTok::String) {
      TExpr E = Node(T.Text);
      if (!T.Opaque) {
        E.Shape = TExpr::Literal;
        E.Value = T.Content;
      }
      return E;
    }
    if (T.Kind == TTok::QuotedName) return Name(NameText(T.Content));
    if (T.Kind == TTok::Word) {
      if (T.Text == "array" && TakePunct("[")) return List("ARRAY[", "]", "]");
      if (T.Text == "cast" && TakePunct("(")) {
        std::optional<TExpr> E = Expr(0);
        if (!E || !Take("as")) return std::nullopt;
        std::optional<TExpr> C = Cast(std::move(*E));
        if (!C || !TakePunct(")")) return std::nullopt;
        return C;
      }
      static constexpr std::string_view Reserved[] = {
          "and",  "or",   "is",   "in",       "like",    "ilike",  "between",
          "case", "when", "then", "else",     "end",     "exists", "select",
          "any",  "all",  "some", "distinct", "similar", "collate"};
      for (std::string_view W : Reserved)
        if (T.Text == W) return std::nullopt;
      return Name(NameText(T.Text));
    }
    return std::nullopt;
  }

  /// A (qualified) name, or a function call when "(" follows.
  std::optional<TExpr> Name(std::string Text) {
    while (IsPunct(".")) {
      ++FPos;
      const TToken& P = Peek();
      // A whole row (OLD.*, in a trigger's WHEN condition).
      if (P.Kind != TTok::QuotedName && P.Text == "*") {
        ++FPos;
        return Node(Text + ".*");
      }
      if (P.Kind != TTok::Word && P.Kind != TTok::QuotedName) return std::nullopt;
      Text.append(".").append(NameText(P.Kind == TTok::Word ? P.Text : P.Content));
      ++FPos;
    }
    if (!TakePunct("(")) return Node(Text);
    if (TakePunct(")")) return Node(Text + "()");
    return List(Text + "(", ")", ")");
  }

  /// Comma-separated expressions up to Close (the opening bracket is read), written between
  /// Head and Tail.
  std::optional<TExpr> List(const std::string& Head, std::string_view Close,
                            std::string_view Tail) {
    std::string Text = Head;
    for (bool First = true;; First = false) {
      std::optional<TExpr> E = Expr(0);
      if (!E) return std::nullopt;
      if (!First) Text += ", ";
      Text += TextOf(std::move(*E));
      if (TakePunct(Close)) return Node(Text += Tail);
      if (!TakePunct(",")) return std::nullopt;
    }
  }

  /// The type name after "::" or AS, in the catalog's spelling, with modifier and brackets.
  std::optional<std::string> TypeName(bool& Plain) {
    if (Peek().Kind != TTok::Word && Peek().Kind != TTok::QuotedName) return std::nullopt;
    std::string Type = Peek().Kind == TTok::Word ? Peek().Text : NameText(Peek().Content);
    ++FPos;
    if (Peek().Kind == TTok::Word && Type != "\"char\"") {
      // The type names of more than one word.
      if (Type == "double" && Take("precision")) {
        Type = "double precision";
      } else if ((Type == "character" || Type == "char" || Type == "bit") && Take("varying")) {
        Type += " varying";
      }
    }
    while (IsPunct(".")) {
      ++FPos;
      if (Peek().Kind != TTok::Word && Peek().Kind != TTok::QuotedName) return std::nullopt;
      Type.append(".").append(NameText(Peek().Kind == TTok::Word ? Peek().Text : Peek().Content));
      ++FPos;
    }
    for (const auto& [From, To] : kTypeAliases)
      if (Type == From) Type = To;
    Plain = true;
    std::string Modifier;
    if (TakePunct("(")) {
      Modifier = "(";
      while (!TakePunct(")")) {
        if (Peek().Kind != TTok::Number && !IsPunct(",")) return std::nullopt;
        Modifier += Peek().Text;
        ++FPos;
      }
      Modifier += ")";
      Plain = false;
    }
    const bool TimeType = Type.rfind("time", 0) == 0;
    if (TimeType && (IsWord("with") || IsWord("without")) && IsWord("time", 1) &&
        IsWord("zone", 2)) {
      const std::string Zone = IsWord("with") ? " with time zone" : " without time zone";
      FPos += 3;
      if (Type == "time" || Type == "timestamp") Type += Zone;
    }
    // The modifier stands after the type's first word: "timestamp(3) with time zone".
    if (!Modifier.empty()) {
      const std::size_t Space = Type.find(' ');
      Type = Space == std::string::npos || !TimeType
                 ? Type + Modifier
                 : Type.substr(0, Space) + Modifier + Type.substr(Space);
    }
    while (TakePunct("[")) {
      if (!TakePunct("]")) return std::nullopt;
      Type += "[]";
      Plain = false;
    }
    return Type;
  }

  /// E cast to the type ahead. The server writes every constant with the cast its type needs;
  /// a literal loses the cast it reads as anyway: a string to a type without modifier (which is
  /// the type the comparison gave it), a number to the very type its digits have.
  std::optional<TExpr> Cast(TExpr&& E) {
    bool Plain = false;
    std::optional<std::string> Type = TypeName(Plain);
    if (!Type) return std::nullopt;
    if (E.Shape == TExpr::Literal && Plain) {
      const std::string Number = NumberType(E.Value);
      if (IsNumberTypeName(*Type)) {
        if (!Number.empty() && Number == *Type) {
          TExpr N = Node(E.Value);
          N.Shape = TExpr::Literal;
          N.Value = std::move(E.Value);
          N.NumberLiteral = true;
          return N;
        }
      } else {
        TExpr S = Node(QuotedStr(E.Value));
        S.Shape = TExpr::Literal;
        S.Value = std::move(E.Value);
        return S;
      }
    }
    if (E.Shape == TExpr::Literal) return Node(QuotedStr(E.Value) + "::" + *Type);
    return Wrap(std::move(E), ")::" + *Type);
  }

  std::optional<TExpr> Infix(TExpr&& L, int Power) {
    const TToken T = Peek();
    if (T.Kind == TTok::Punct) {  // "::"
      ++FPos;
      return Cast(std::move(L));
    }
    if (T.Kind == TTok::Word) {
      ++FPos;
      if (T.Text == "or" || T.Text == "and") {
        std::optional<TExpr> R = Expr(Power);
        if (!R) return std::nullopt;
        return Junction(T.Text == "and" ? TExpr::And : TExpr::Or, std::move(L), std::move(*R));
      }
      if (T.Text == "isnull") return Wrap(std::move(L), " IS NULL)");
      if (T.Text == "notnull") return Wrap(std::move(L), " IS NOT NULL)");
      if (T.Text == "is") {
        const std::string Not = Take("not") ? "NOT " : "";
        for (std::string_view W : {"null", "true", "false", "unknown"})
          if (Take(W)) return Wrap(std::move(L), " IS " + Not + UpperCase(std::string(W)) + ")");
        if (Take("distinct") && Take("from")) {
          std::optional<TExpr> R = Expr(Power);
          if (!R) return std::nullopt;
          return Wrap(std::move(L), " IS " + Not + "DISTINCT FROM " + TextOf(std::move(*R)) + ")");
        }
        return std::nullopt;
      }
      const bool Not = T.Text == "not";
      const std::string Word = Not ? Peek().Text : T.Text;
      if (Not) ++FPos;
      if (Word == "like" || Word == "ilike") {
        std::optional<TExpr> R = Expr(Power);
        if (!R || IsWord("escape")) return std::nullopt;
        const std::string Op = std::string(Not ? "!" : "") + "~~" + (Word == "ilike" ? "*" : "");
        return Binary(std::move(L), Op, std::move(*R));
      }
      if (Word == "between") {
        // The server keeps BETWEEN as the two comparisons it stands for.
        if (IsWord("symmetric") || IsWord("asymmetric")) return std::nullopt;
        std::optional<TExpr> Low = Expr(Power);
        if (!Low || !Take("and")) return std::nullopt;
        std::optional<TExpr> High = Expr(Power);
        if (!High) return std::nullopt;
        std::string Operand = TextOf(std::move(L));
        if (Operand.size() > FCopyBudget) return std::nullopt;
        FCopyBudget -= Operand.size();
        TExpr Copy = Node(Operand);
        TExpr Left = Node(std::move(Operand));
        if (Not)
          return Junction(TExpr::Or, Binary(std::move(Left), "<", std::move(*Low)),
                          Binary(std::move(Copy), ">", std::move(*High)));
        return Junction(TExpr::And, Binary(std::move(Left), ">=", std::move(*Low)),
                        Binary(std::move(Copy), "<=", std::move(*High)));
      }
      if (Word == "in") {
        // ... and IN (list) as a comparison with every element of an array.
        if (!TakePunct("(")) return std::nullopt;
        std::optional<TExpr> Items = List("ARRAY[", ")", "]");
        if (!Items) return std::nullopt;
        return Wrap(std::move(L),
                    (Not ? " <> ALL (" : " = ANY (") + TextOf(std::move(*Items)) + "))");
      }
      return std::nullopt;
    }
    ++FPos;  // an operator
    const std::string Op = T.Text == "!=" ? "<>" : T.Text;
    if (Power == 5 && (IsWord("any") || IsWord("all") || IsWord("some"))) {
      const std::string Quantifier = IsWord("all") ? "ALL" : "ANY";
      ++FPos;
      if (!TakePunct("(")) return std::nullopt;
      std::optional<TExpr> R = Expr(0);
      if (!R || !TakePunct(")")) return std::nullopt;
      return Wrap(std::move(L), " " + Op + " " + Quantifier + " (" + TextOf(std::move(*R)) + "))");
    }
    std::optional<TExpr> R = Expr(Power);
    if (!R) return std::nullopt;
    return Binary(std::move(L), Op, std::move(*R));
  }
};

/// The keys made last on this thread, one slot per hash value: a check's key is asked for as
/// it is filed, paired and written, and the checks of many tables read alike. Long conditions
/// are not kept, so the slots hold little.
class TConditionKeys {
 public:
  const std::string* Find(const std::string& Condition) {
    const TSlot& S = FSlots[SlotOf(Condition)];
    return S.Used && S.Condition == Condition ? &S.Key : nullptr;
  }
  void Keep(const std::string& Condition, const std::string& Key) {
    if (Condition.size() > MaxKept) return;
    TSlot& S = FSlots[SlotOf(Condition)];
    S.Condition = Condition;
    S.Key = Key;
    S.Used = true;
  }

 private:
  static constexpr std::size_t Slots = 64, MaxKept = 2048;
  struct TSlot {
    std::string Condition, Key;
    bool Used = false;
  };
  static std::size_t SlotOf(const std::string& Condition) {
    return std::hash<std::string>()(Condition) % Slots;
  }
  std::array<TSlot, Slots> FSlots;
};

std::string MakeConditionKey(const std::string& Condition) {
  std::vector<TToken> Tokens;
  if (!Scan(Condition, Tokens)) return Condition;
  TConditionReader Reader(Tokens, Condition.size());
  if (std::optional<std::string> Text = Reader.Read()) return *Text;
  // A condition past this reader: its tokens, so that only spacing and letter case of names and
  // keywords may differ.
  std::string R;
  for (const TToken& T : Tokens)
    R += (R.empty() ? "" : " ") + (T.Kind == TTok::QuotedName ? NameText(T.Content) : T.Text);
  return R;
}

}  // namespace

std::string PGConditionKey(const std::string& Condition) {
  thread_local TConditionKeys Known;
  if (const std::string* Key = Known.Find(Condition)) return *Key;
  std::string Key = MakeConditionKey(Condition);
  Known.Keep(Condition, Key);
  return Key;
}

bool PGConditionTooDeep(const std::string& Condition) {
  std::vector<TToken> Tokens;
  if (!Scan(Condition, Tokens)) return false;
  TConditionReader Reader(std::move(Tokens), Condition.size());
  Reader.Read();
  return Reader.TooDeep();
}

}  // namespace qel
