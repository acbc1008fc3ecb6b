#include "qelPGLiteralForm.h"

#include <array>
#include <cstdint>
#include <limits>

#include "Text.h"

namespace qel {

namespace {

bool IsDigitChar(char C) {
  return C >= '0' && C <= '9';
}
bool IsWordStart(char C) {
  const auto U = static_cast<unsigned char>(C);
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '_' || U >= 0x80;
}
bool IsWordChar(char C) {
  return IsWordStart(C) || IsDigitChar(C) || C == '$';
}
bool IsSpace(char C) {
  return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f' || C == '\v';
}

/// Names of types whose parenthesised modifier must stay a constant: numeric(12,2) and the like.
bool TakesModifier(std::string_view Word) {
  static constexpr std::array<std::string_view, 14> Names = {
      "numeric", "decimal",   "dec",     "timestamp", "time",   "varchar",  "char",
      "bpchar",  "character", "varying", "bit",       "varbit", "interval", "float"};
  for (const std::string_view N : Names)
    if (SameText(Word, N)) return true;
  return false;
}

/// The type the server gives an integer literal of the text Digits (a sign allowed).
unsigned IntegerType(std::string_view Digits) {
  const bool Negative = !Digits.empty() && Digits[0] == '-';
  if (Negative) Digits.remove_prefix(1);
  // The magnitude, up to one past the largest negative 64-bit number.
  constexpr std::uint64_t Limit = std::uint64_t{1} << 63;
  std::uint64_t V = 0;
  for (const char C : Digits) {
    const auto D = static_cast<std::uint64_t>(C - '0');
    if (V > (Limit - D) / 10) return PGNumericOid;
    V = V * 10 + D;
  }
  const std::uint64_t Int4Max = Negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
  if (V <= Int4Max) return PGInt4Oid;
  return V <= (Negative ? Limit : Limit - 1) ? PGInt8Oid : PGNumericOid;
}

/// The bytes of the E'...' literal body Body (without its quotes); False for an escape that is
/// not a plain byte (a Unicode escape, a zero byte).
bool DecodeEscapes(std::string_view Body, std::string& Out) {
  Out.clear();
  auto Hex = [](char C) {
    return IsDigitChar(C)                             ? C - '0'
           : (LowCase(C) >= 'a' && LowCase(C) <= 'f') ? LowCase(C) - 'a' + 10
                                                      : -1;
  };
  for (std::size_t I = 0; I < Body.size(); ++I) {
    char C = Body[I];
    if (C == '\'') {  // a doubled quote
      Out += '\'';
      ++I;
      continue;
    }
    if (C != '\\' || I + 1 == Body.size()) {
      Out += C;
      continue;
    }
    C = Body[++I];
    int Byte = -1;
    switch (C) {
      case 'b':
        Byte = '\b';
        break;
      case 'f':
        Byte = '\f';
        break;
      case 'n':
        Byte = '\n';
        break;
      case 'r':
        Byte = '\r';
        break;
      case 't':
        Byte = '\t';
        break;
      case 'u':
      case 'U':
        return false;
      case 'x':
        if (I + 1 < Body.size() && Hex(Body[I + 1]) >= 0) {
          Byte = Hex(Body[++I]);
          if (I + 1 < Body.size() && Hex(Body[I + 1]) >= 0) Byte = Byte * 16 + Hex(Body[++I]);
          if (Byte == 0) return false;
        }
        break;
      default:
        if (C >= '0' && C <= '7') {
          Byte = C - '0';
          for (int N = 1; N < 3 && I + 1 < Body.size() && Body[I + 1] >= '0' && Body[I + 1] <= '7';
               ++N)
            Byte = Byte * 8 + (Body[++I] - '0');
          Byte &= 0xFF;
          if (Byte == 0) return false;
        }
    }
    Out += Byte >= 0 ? static_cast<char>(Byte) : C;
  }
  return true;
}

/// Reads one statement and writes its form (see PGLiteralsAsParams).
class TLiteralScan {
 public:
  TLiteralScan(std::string_view SQL, TPGLiteralForm& Form) : S(SQL), F(Form) {}
  bool Run();

 private:
  /// What the last token was: it decides what a quote or a minus sign after it is.
  enum class TLast { None, Word, Operand, Punct };
  std::string_view S;
  TPGLiteralForm& F;
  std::size_t I = 0;
  TLast Last = TLast::None;
  bool MinusBefore = false;  // an operator minus was copied just before
  bool TypeNext = false;     // after "::" or AS: a type name follows
  std::string Decoded;

  void Param(std::string_view Value, unsigned Type) {
    F.Values.emplace_back(Value);
    F.Types.push_back(Type);
    F.Text += '$';
    F.Text += std::to_string(F.Values.size());
    Last = TLast::Operand;
  }
  /// The end of the quoted text opening at From (its closing quote's next), or npos.
  std::size_t QuotedEnd(std::size_t From, char Quote, bool Escapes) const;
  bool Word();
  bool Quoted(std::size_t Prefix);
  bool Number(bool Negative);
  bool DollarQuote();
  bool Comment();
  bool Other();
  /// The next character that is not blank, from At; 0 at the end.
  char NextSolid(std::size_t At) const {
    while (At < S.size() && IsSpace(S[At])) ++At;
    return At < S.size() ? S[At] : '\0';
  }
  /// The last character of the form written so far that is not blank; 0 at the start.
  char PrevSolid() const {
    std::size_t N = F.Text.size();
    while (N > 0 && IsSpace(F.Text[N - 1])) --N;
    return N > 0 ? F.Text[N - 1] : '\0';
  }
};

std::size_t TLiteralScan::QuotedEnd(std::size_t From, char Quote, bool Escapes) const {
  for (std::size_t J = From + 1; J < S.size(); ++J) {
    if (Escapes && S[J] == '\\') {
      ++J;
    } else if (S[J] == Quote) {
      if (J + 1 < S.size() && S[J + 1] == Quote) {
        ++J;
        continue;
      }
      return J + 1;
    }
  }
  return std::string_view::npos;
}

bool TLiteralScan::Run() {
  F.Clear();
  F.Text.reserve(S.size() + 16);
  // Only a row statement: its literals are values.
  std::size_t W = 0;
  while (W < S.size() && IsSpace(S[W])) ++W;
  std::size_t E = W;
  while (E < S.size() && IsWordChar(S[E])) ++E;
  const std::string_view First = S.substr(W, E - W);
  if (!SameText(First, "insert") && !SameText(First, "update") && !SameText(First, "delete"))
    return false;
  while (I < S.size()) {
    const char C = S[I];
    bool Ok;
    if (IsSpace(C)) {
      F.Text += C;
      ++I;
      continue;
    }
    if ((C == '-' && I + 1 < S.size() && S[I + 1] == '-') ||
        (C == '/' && I + 1 < S.size() && S[I + 1] == '*'))
      Ok = Comment();
    else if (IsWordStart(C))
      Ok = Word();
    else if (C == '\'' || C == '"')
      Ok = Quoted(0);
    else if (IsDigitChar(C) || (C == '.' && I + 1 < S.size() && IsDigitChar(S[I + 1])))
      Ok = Number(false);
    else if (C == '$')
      Ok = DollarQuote();
    else
      Ok = Other();
    if (!Ok) return false;
  }
  return !F.Values.empty() && F.Values.size() <= 65535;
}

bool TLiteralScan::Comment() {
  if (S[I] == '-') {
    const std::size_t End = S.find('\n', I);
    const std::size_t To = End == std::string_view::npos ? S.size() : End;
    F.Text.append(S.substr(I, To - I));
    I = To;
    return true;
  }
  int Depth = 0;
  std::size_t J = I;
  do {
    if (J + 1 >= S.size()) return false;
    if (S[J] == '/' && S[J + 1] == '*') {
      ++Depth;
      J += 2;
    } else if (S[J] == '*' && S[J + 1] == '/') {
      --Depth;
      J += 2;
    } else {
      ++J;
    }
  } while (Depth > 0);
  F.Text.append(S.substr(I, J - I));
  I = J;
  return true;
}

bool TLiteralScan::Word() {
  std::size_t J = I;
  while (J < S.size() && IsWordChar(S[J])) ++J;
  const std::string_view W = S.substr(I, J - I);
  MinusBefore = false;
  if (J < S.size() && S[J] == '\'' && W.size() == 1) {
    const char P = LowCase(W[0]);
    if (P == 'e') return Quoted(1);
    // Bit strings and national strings stay as written.
    if (P == 'b' || P == 'x' || P == 'n') {
      F.Text.append(W);
      I = J;
      Last = TLast::Word;
      return Quoted(0);
    }
  }
  // A Unicode string (U&'...') is left with the whole statement.
  if (W.size() == 1 && LowCase(W[0]) == 'u' && J < S.size() && S[J] == '&') return false;
  F.Text.append(W);
  I = J;
  const bool InType = TypeNext;
  TypeNext = SameText(W, "as");
  Last = TLast::Word;
  // A type's modifier stays a constant: numeric(12,2), timestamp(6).
  if ((InType || TakesModifier(W)) && NextSolid(I) == '(') {
    while (S[I] != '(') F.Text += S[I++];
    const std::size_t Close = S.find(')', I);
    if (Close == std::string_view::npos) return false;
    F.Text.append(S.substr(I, Close + 1 - I));
    I = Close + 1;
  }
  return true;
}

bool TLiteralScan::Quoted(std::size_t Prefix) {
  const char Q = S[I + Prefix];
  const bool Escapes = Prefix == 1;
  const std::size_t End = QuotedEnd(I + Prefix, Q, Escapes);
  if (End == std::string_view::npos) return false;
  const std::string_view Whole = S.substr(I, End - I);
  const std::string_view Body = S.substr(I + Prefix + 1, End - I - Prefix - 2);
  const TLast Before = Last;
  I = End;
  MinusBefore = false;
  TypeNext = false;
  if (Q == '"') {
    F.Text.append(Whole);
    Last = TLast::Operand;
    return true;
  }
  // Two strings in a row are one to the server (when a line break is between them).
  if (Before == TLast::Operand) return false;
  // After a word the string is a typed literal (DATE '2020-01-01'): it stays as written, as
  // does a bit or national string.
  if (Before == TLast::Word) {
    F.Text.append(Whole);
    Last = TLast::Operand;
    return true;
  }
  if (Escapes) {
    if (!DecodeEscapes(Body, Decoded)) {
      F.Text.append(Whole);
      Last = TLast::Operand;
      return true;
    }
    Param(Decoded, PGUnknownOid);
    return true;
  }
  Decoded.clear();
  for (std::size_t J = 0; J < Body.size(); ++J) {
    Decoded += Body[J];
    if (Body[J] == '\'') ++J;  // a doubled quote
  }
  Param(Decoded, PGUnknownOid);
  return true;
}

bool TLiteralScan::Number(bool Negative) {
  const std::size_t From = I;
  bool Integer = true;
  while (I < S.size() && IsDigitChar(S[I])) ++I;
  if (I < S.size() && S[I] == '.' && !(I + 1 < S.size() && S[I + 1] == '.')) {
    Integer = false;
    ++I;
    while (I < S.size() && IsDigitChar(S[I])) ++I;
  }
  if (I < S.size() && LowCase(S[I]) == 'e') {
    std::size_t J = I + 1;
    if (J < S.size() && (S[J] == '+' || S[J] == '-')) ++J;
    if (J < S.size() && IsDigitChar(S[J])) {
      Integer = false;
      I = J;
      while (I < S.size() && IsDigitChar(S[I])) ++I;
    }
  }
  // 0x1F, 1_000 and a number run into a name are the server's to read.
  if (I < S.size() && (IsWordChar(S[I]) || S[I] == '.')) return false;
  const std::string_view Digits = S.substr(From, I - From);
  const bool AsWritten = MinusBefore || Last == TLast::Word || Last == TLast::Operand;
  MinusBefore = false;
  TypeNext = false;
  if (AsWritten) {
    F.Text.append(Digits);
    Last = TLast::Operand;
    return true;
  }
  Decoded.clear();
  if (Negative) Decoded += '-';
  Decoded.append(Digits);
  Param(Decoded, Integer ? IntegerType(Decoded) : PGNumericOid);
  return true;
}

bool TLiteralScan::DollarQuote() {
  std::size_t J = I + 1;
  // A parameter marker of the statement's own: its numbers would clash.
  if (J < S.size() && IsDigitChar(S[J])) return false;
  while (J < S.size() && IsWordChar(S[J]) && S[J] != '$') ++J;
  if (J >= S.size() || S[J] != '$') return false;
  const std::string_view Tag = S.substr(I, J + 1 - I);
  const std::size_t Close = S.find(Tag, J + 1);
  if (Close == std::string_view::npos) return false;
  F.Text.append(S.substr(I, Close + Tag.size() - I));
  I = Close + Tag.size();
  Last = TLast::Operand;
  MinusBefore = false;
  TypeNext = false;
  return true;
}

bool TLiteralScan::Other() {
  const char C = S[I];
  if (C == ';') {
    // One statement only: what follows a semicolon is blank.
    if (NextSolid(I + 1) != '\0') return false;
    F.Text.append(S.substr(I));
    I = S.size();
    return true;
  }
  if (C == '-' && (Last == TLast::Punct || Last == TLast::None)) {
    // A minus that stands for a negative number: the server folds it into the literal.
    const char P = PrevSolid();
    std::size_t J = I + 1;
    while (J < S.size() && IsSpace(S[J])) ++J;
    const bool Digit = J < S.size() && (IsDigitChar(S[J]) ||
                                        (S[J] == '.' && J + 1 < S.size() && IsDigitChar(S[J + 1])));
    if (Digit && (P == '(' || P == ',' || P == '=' || P == '<' || P == '>')) {
      I = J;
      MinusBefore = false;
      return Number(true);
    }
  }
  TypeNext = C == ':' && I + 1 < S.size() && S[I + 1] == ':';
  if (TypeNext) {
    F.Text += "::";
    I += 2;
    Last = TLast::Punct;
    MinusBefore = false;
    return true;
  }
  F.Text += C;
  ++I;
  MinusBefore = C == '-';
  Last = C == ')' || C == ']' ? TLast::Operand : TLast::Punct;
  return true;
}

}  // namespace

bool PGLiteralsAsParams(std::string_view SQL, TPGLiteralForm& Form) {
  return TLiteralScan(SQL, Form).Run();
}

}  // namespace qel
