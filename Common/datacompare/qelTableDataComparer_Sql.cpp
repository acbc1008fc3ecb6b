// The table data comparer: result statements, value literals, the statements handed to the
// outputs and the large-value side file.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <string_view>
#include <vector>

#include "Text.h"
#include "qelClasses.h"
#include "qelDBEngine.h"
#include "qelDialects.h"
#include "qelTableDataComparer_Int.h"

namespace qel {

namespace {

/// Firebird reads a string literal of at most 65535 bytes (16383 characters on a UTF8
/// connection); a text joined from pieces is held to 32765 bytes (8191 such characters).
constexpr std::size_t FirebirdLiteralPiece = 16000;
constexpr std::size_t FirebirdJoinedPiece = 8000;

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

/// The parts of a decimal number text: sign, integer digits without leading zeros, fraction
/// digits without trailing zeros.
struct TDecimalParts {
  bool Valid = false;
  bool Negative = false;
  std::string_view Int;
  std::string_view Frac;
};

TDecimalParts SplitDecimal(std::string_view S) {
  TDecimalParts P;
  std::size_t I = 0;
  if (I < S.size() && (S[I] == '-' || S[I] == '+')) P.Negative = S[I++] == '-';
  const std::size_t IntStart = I;
  while (I < S.size() && IsDigit(S[I])) ++I;
  std::size_t IntEnd = I;
  std::size_t FracStart = I, FracEnd = I;
  if (I < S.size() && S[I] == '.') {
    FracStart = ++I;
    while (I < S.size() && IsDigit(S[I])) ++I;
    FracEnd = I;
  }
  if (I != S.size() || (IntEnd == IntStart && FracEnd == FracStart)) return P;
  std::size_t B = IntStart;
  while (B < IntEnd && S[B] == '0') ++B;
  while (FracEnd > FracStart && S[FracEnd - 1] == '0') --FracEnd;
  P.Valid = true;
  P.Int = S.substr(B, IntEnd - B);
  P.Frac = S.substr(FracStart, FracEnd - FracStart);
  if (P.Int.empty() && P.Frac.empty()) P.Negative = false;  // -0 is 0
  return P;
}

int CompareMagnitude(const TDecimalParts& A, const TDecimalParts& B) {
  if (A.Int.size() != B.Int.size()) return A.Int.size() < B.Int.size() ? -1 : 1;
  if (const int C = A.Int.compare(B.Int); C != 0) return C < 0 ? -1 : 1;
  const std::size_t N = std::max(A.Frac.size(), B.Frac.size());
  for (std::size_t I = 0; I < N; ++I) {
    const char X = I < A.Frac.size() ? A.Frac[I] : '0';
    const char Y = I < B.Frac.size() ? B.Frac[I] : '0';
    if (X != Y) return X < Y ? -1 : 1;
  }
  return 0;
}

/// An ISO date/time text split into the part before the fractional seconds, the fraction
/// digits and what follows (a zone, an era).
struct TDateTimeParts {
  std::string_view Head, Frac, Tail;
};

TDateTimeParts SplitDateTime(std::string_view S) {
  std::size_t I = 0;
  while (I < S.size() &&
         (IsDigit(S[I]) || S[I] == '-' || S[I] == ':' || S[I] == ' ' || S[I] == 'T'))
    ++I;
  TDateTimeParts P;
  P.Head = S.substr(0, I);
  if (I < S.size() && S[I] == '.') {
    std::size_t J = I + 1;
    while (J < S.size() && IsDigit(S[J])) ++J;
    P.Frac = S.substr(I + 1, J - I - 1);
    I = J;
  }
  P.Tail = S.substr(I);
  return P;
}

/// Integer fields of an ISO text: year, month, day, hour, minute, second, milliseconds; the
/// date or time part may be missing.
struct TDateTimeFields {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, MSec = 0;
};

int ReadInt(std::string_view S, std::size_t& I, std::size_t MaxDigits) {
  int V = 0;
  std::size_t N = 0;
  while (I < S.size() && IsDigit(S[I]) && N < MaxDigits) {
    V = V * 10 + (S[I] - '0');
    ++I;
    ++N;
  }
  return V;
}

TDateTimeFields ParseDateTime(std::string_view S) {
  TDateTimeFields F;
  std::size_t I = 0;
  // A date part: digits then "-".
  std::size_t J = 0;
  while (J < S.size() && IsDigit(S[J])) ++J;
  if (J < S.size() && S[J] == '-' && J > 0) {
    F.Year = ReadInt(S, I, 9);
    ++I;
    F.Month = ReadInt(S, I, 2);
    if (I < S.size() && S[I] == '-') ++I;
    F.Day = ReadInt(S, I, 2);
    while (I < S.size() && (S[I] == ' ' || S[I] == 'T')) ++I;
  }
  if (I < S.size() && IsDigit(S[I])) {
    F.Hour = ReadInt(S, I, 2);
    if (I < S.size() && S[I] == ':') ++I;
    F.Minute = ReadInt(S, I, 2);
    if (I < S.size() && S[I] == ':') ++I;
    F.Second = ReadInt(S, I, 2);
    if (I < S.size() && S[I] == '.') {
      ++I;
      int Digits = 0;
      while (I < S.size() && IsDigit(S[I])) {
        if (Digits < 3) F.MSec = F.MSec * 10 + (S[I] - '0');
        ++Digits;
        ++I;
      }
      for (; Digits < 3; ++Digits) F.MSec *= 10;
    }
  }
  return F;
}

std::string Padded(int V, int Width) {
  std::string S = IntToStr(V);
  if (static_cast<int>(S.size()) < Width)
    S.insert(0, static_cast<std::size_t>(Width) - S.size(), '0');
  return S;
}

/// A value as an error message shows it, appended to Out: text in quotes and cut short, large
/// values by size.
void AppendShortValue(std::string& Out, const TDataValue* F) {
  if (F->IsNull()) {
    Out += "Null";
    return;
  }
  const std::string& S = F->AsString();
  auto Quoted = [&Out](std::string_view T, std::string_view More) {
    Out += '\'';
    for (const char C : T) {
      if (C == '\'') Out += '\'';
      Out += C;
    }
    Out += More;
    Out += '\'';
  };
  switch (F->GetDataType()) {
    case ftBlob:
      Out += '<';
      Out += IntToStr(static_cast<std::int64_t>(S.size()));
      Out += " bytes>";
      return;
    case ftString:
    case ftMemo:
      if (S.size() > 60) {
        std::size_t N = 60;
        while (N > 0 && (static_cast<unsigned char>(S[N]) & 0xC0) == 0x80) --N;  // whole chars
        Quoted(std::string_view(S).substr(0, N), "...");
        return;
      }
      Quoted(S, "");
      return;
    default:
      Out += S;
  }
}

std::string ShortValue(const TDataValue* F) {
  std::string Out;
  AppendShortValue(Out, F);
  return Out;
}

bool IsPlainParamName(const std::string& Name) {
  if (Name.empty() || IsDigit(Name[0])) return false;
  for (char C : Name)
    if (!((C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || IsDigit(C) || C == '_')) return false;
  return true;
}

/// Bytes as upper-case hexadecimal digits, appended to Out.
void AppendHexDigits(std::string& Out, std::string_view Bytes) {
  static const char Digits[] = "0123456789ABCDEF";
  std::size_t At = Out.size();
  Out.resize(At + Bytes.size() * 2);
  for (const char C : Bytes) {
    const auto B = static_cast<unsigned char>(C);
    Out[At++] = Digits[B >> 4];
    Out[At++] = Digits[B & 15];
  }
}

/// Room for the rest of a statement after a large literal (its closing parenthesis, a
/// condition), so that the statement is not copied into a larger buffer once more for it.
std::size_t RoomAfter(std::size_t LiteralBytes) {
  return LiteralBytes >= MaxQueuedStatementBytes ? 4096 : 0;
}

/// Operands joined by "||" in groups of at most JoinGroup, each group in parentheses: the
/// server parses and compiles a join recursively, and a chain of some 40,000 operands overflows
/// its stack, while groups nest a few levels deep at most. Enclosed puts a join in parentheses
/// of its own, as an operand of a larger one.
constexpr std::size_t JoinGroup = 64;

std::string JoinBounded(std::vector<std::string> Items, bool Enclosed) {
  auto Join = [&Items](std::size_t B, std::size_t E, bool Paren) {
    std::string G = Paren && E - B > 1 ? "(" : "";
    for (std::size_t I = B; I < E; ++I) G.append(I > B ? " || " : "").append(Items[I]);
    if (Paren && E - B > 1) G += ')';
    return G;
  };
  while (Items.size() > JoinGroup) {
    std::vector<std::string> Groups;
    for (std::size_t B = 0; B < Items.size(); B += JoinGroup)
      Groups.push_back(Join(B, std::min(Items.size(), B + JoinGroup), true));
    Items = std::move(Groups);
  }
  return Join(0, Items.size(), Enclosed);
}

/// Replaces each carriage return of Text by a control character Text does not hold, and
/// returns it; 0 (Text unchanged) when Text holds every one. A text so marked is one literal,
/// and REPLACE (CarriageReturnsBack) puts the carriage returns back on the server.
char MarkCarriageReturns(std::string& Text) {
  bool Held[32] = {};
  for (const char C : Text)
    if (static_cast<unsigned char>(C) < 32) Held[static_cast<unsigned char>(C)] = true;
  for (const char Mark : {1,  2,  3,  4,  5,  6,  7,  8,  11, 12, 14, 15, 16, 17,
                          18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31})
    if (!Held[static_cast<unsigned char>(Mark)]) {
      std::replace(Text.begin(), Text.end(), '\r', Mark);
      return Mark;
    }
  return 0;
}

/// The end of the REPLACE around a text marked by MarkCarriageReturns.
std::string CarriageReturnsBack(char Mark) {
  return ", '" + std::string(1, Mark) + "', ASCII_CHAR(13))";
}

/// A Firebird text literal whose carriage returns are ASCII_CHAR(13): isql-fb reads its input
/// by lines and stores a carriage return of a literal as a line end of its own making. The
/// carriage returns are put in by REPLACE, else (a text holding every control character) each
/// joined in.
std::string FirebirdTextLiteral(const std::string& Text, bool Enclosed = false) {
  if (Text.find('\r') != std::string::npos) {
    std::string Marked = Text;
    if (const char Mark = MarkCarriageReturns(Marked))
      return "REPLACE(" + ScriptQuotedStr(Marked, dbInterBase) + CarriageReturnsBack(Mark);
  }
  std::vector<std::string> Items;
  std::size_t B = 0;
  for (std::size_t E; (E = Text.find('\r', B)) != std::string::npos; B = E + 1) {
    if (E > B) Items.push_back(ScriptQuotedStr(Text.substr(B, E - B), dbInterBase));
    Items.emplace_back("ASCII_CHAR(13)");
  }
  if (B < Text.size() || Items.empty())
    Items.push_back(ScriptQuotedStr(Text.substr(B), dbInterBase));
  return JoinBounded(std::move(Items), Enclosed);
}

}  // namespace

/// "Name = value" of a statement's bound value appended to the list Out.
void AppendNamedValue(std::string& Out, const std::string& Name, const TDataValue* F) {
  if (!Out.empty()) Out += ", ";
  Out += Name;
  Out += " = ";
  AppendShortValue(Out, F);
}

/// "nan", "inf", "infinity" and their negatives, the words servers write for such floats.
bool IsNonFiniteText(const std::string& S) {
  std::string_view T = S;
  while (!T.empty() && static_cast<unsigned char>(T.front()) <= ' ') T.remove_prefix(1);
  while (!T.empty() && static_cast<unsigned char>(T.back()) <= ' ') T.remove_suffix(1);
  if (SameText(T, "nan")) return true;
  if (!T.empty() && (T.front() == '+' || T.front() == '-')) T.remove_prefix(1);
  return SameText(T, "inf") || SameText(T, "infinity");
}

// ---------------------------------------------------------------------------------------------
// Value text helpers

bool IsDecimalText(const std::string& S) {
  return SplitDecimal(S).Valid;
}

int CompareDecimalText(const std::string& A, const std::string& B) {
  // Non-negative integers without leading zeros, the common key: by length, then by digits.
  auto Plain = [](const std::string& S) {
    if (S.empty() || (S[0] == '0' && S.size() > 1)) return false;
    for (char C : S)
      if (!IsDigit(C)) return false;
    return true;
  };
  if (Plain(A) && Plain(B)) {
    if (A.size() != B.size()) return A.size() < B.size() ? -1 : 1;
    const int C = A.compare(B);
    return C < 0 ? -1 : (C > 0 ? 1 : 0);
  }
  const TDecimalParts PA = SplitDecimal(A);
  const TDecimalParts PB = SplitDecimal(B);
  if (!PA.Valid || !PB.Valid) {
    if (PA.Valid != PB.Valid) return PA.Valid ? -1 : 1;  // NaN and the like after numbers
    const int C = A.compare(B);
    return C < 0 ? -1 : (C > 0 ? 1 : 0);
  }
  if (PA.Negative != PB.Negative) return PA.Negative ? -1 : 1;
  const int C = CompareMagnitude(PA, PB);
  return PA.Negative ? -C : C;
}

int CompareDateTimeText(const std::string& A, const std::string& B) {
  const TDateTimeParts PA = SplitDateTime(A);
  const TDateTimeParts PB = SplitDateTime(B);
  if (const int C = PA.Head.compare(PB.Head); C != 0) return C < 0 ? -1 : 1;
  const std::size_t N = std::max(PA.Frac.size(), PB.Frac.size());
  for (std::size_t I = 0; I < N; ++I) {
    const char X = I < PA.Frac.size() ? PA.Frac[I] : '0';
    const char Y = I < PB.Frac.size() ? PB.Frac[I] : '0';
    if (X != Y) return X < Y ? -1 : 1;
  }
  // A time without a zone is taken as UTC (the zone of the times a comparison reads).
  auto Zone = [](std::string_view Tail) {
    return Tail == "+00" || Tail == "+00:00" || Tail == "Z" ? std::string_view() : Tail;
  };
  const int C = Zone(PA.Tail).compare(Zone(PB.Tail));
  return C < 0 ? -1 : (C > 0 ? 1 : 0);
}

std::string FormatFloatPattern(const std::string& Pattern, double Value) {
  std::string P = Pattern.substr(0, Pattern.find(';'));  // the first section
  // Exponent part.
  std::size_t EPos = std::string::npos;
  for (std::size_t I = 0; I + 1 < P.size(); ++I)
    if ((P[I] == 'E' || P[I] == 'e') && (P[I + 1] == '+' || P[I + 1] == '-')) {
      EPos = I;
      break;
    }
  std::string Mant = EPos == std::string::npos ? P : P.substr(0, EPos);
  int MinInt = 0, MinFrac = 0, MaxFrac = 0;
  bool AfterPoint = false;
  for (char C : Mant) {
    if (C == '.') {
      AfterPoint = true;
    } else if (C == '0') {
      (AfterPoint ? MinFrac : MinInt)++;
      if (AfterPoint) ++MaxFrac;
    } else if (C == '#' && AfterPoint) {
      ++MaxFrac;
    }
  }
  int Exponent = 0;
  bool HasExp = EPos != std::string::npos;
  int ExpDigits = 0;
  bool ExpPlus = false;
  if (HasExp) {
    ExpPlus = P[EPos + 1] == '+';
    for (std::size_t I = EPos + 2; I < P.size() && P[I] == '0'; ++I) ++ExpDigits;
    if (Value != 0 && std::isfinite(Value)) {
      Exponent = static_cast<int>(std::floor(std::log10(std::fabs(Value))));
      if (MinInt > 1) Exponent -= MinInt - 1;
      Value /= std::pow(10.0, Exponent);
    }
  }
  char Buf[400];
  auto [End, Ec] = std::to_chars(Buf, Buf + sizeof(Buf), Value, std::chars_format::fixed, MaxFrac);
  std::string S = Ec == std::errc() ? std::string(Buf, End) : std::string("0");
  std::string Sign;
  if (!S.empty() && S[0] == '-') {
    Sign = "-";
    S.erase(0, 1);
  }
  std::string Int = S.substr(0, S.find('.'));
  std::string Frac = S.find('.') == std::string::npos ? std::string() : S.substr(S.find('.') + 1);
  while (static_cast<int>(Frac.size()) > MinFrac && !Frac.empty() && Frac.back() == '0')
    Frac.pop_back();
  if (Int == "0" && MinInt == 0) Int.clear();
  while (static_cast<int>(Int.size()) < MinInt) Int.insert(0, 1, '0');
  if (Int.empty() && Frac.empty()) Int = "0";
  if (Sign == "-" && Int.find_first_not_of('0') == std::string::npos &&
      Frac.find_first_not_of('0') == std::string::npos)
    Sign.clear();
  std::string R = Sign + Int + (Frac.empty() ? std::string() : "." + Frac);
  if (HasExp) {
    R += 'E';
    if (Exponent < 0)
      R += '-';
    else if (ExpPlus)
      R += '+';
    R += Padded(std::abs(Exponent), ExpDigits);
  }
  return R;
}

std::string FloatLiteral(double Value, const std::string& FloatFormat, bool LocalSQL, bool Single,
                         bool Approximate) {
  if (std::isnan(Value)) return "'NaN'";
  if (std::isinf(Value)) return Value > 0 ? "'Infinity'" : "'-Infinity'";
  if (!FloatFormat.empty()) return FormatFloatPattern(FloatFormat, Value);
  char Buf[400];
  // Only integers of a few digits: -1E300 written out in full is a number no server reads.
  if (std::trunc(Value) == Value && std::fabs(Value) < 2147483647.0) {
    auto [End, Ec] = std::to_chars(Buf, Buf + sizeof(Buf), Value, std::chars_format::fixed);
    if (Ec == std::errc()) return std::string(Buf, End);
  }
  if (LocalSQL) return FormatFloatPattern("0.###########", Value);
  // The shortest scientific form that reads back as the same double (or 4-byte float): a
  // literal that loses digits would write a different value into the target.
  auto [End, Ec] =
      Single ? std::to_chars(Buf, Buf + sizeof(Buf), static_cast<float>(Value),
                             std::chars_format::scientific)
             : std::to_chars(Buf, Buf + sizeof(Buf), Value, std::chars_format::scientific);
  if (Ec != std::errc()) return "0";
  const std::string S(Buf, End);
  const std::size_t E = S.find('e');
  std::string Mant = S.substr(0, E);
  const int Exp = E == std::string::npos ? 0 : std::stoi(S.substr(E + 1));
  std::string R = Value < 0 ? "-" : " ";
  if (!Mant.empty() && Mant[0] == '-') Mant.erase(0, 1);
  if (Mant.find('.') != std::string::npos) {
    while (!Mant.empty() && Mant.back() == '0') Mant.pop_back();
    if (!Mant.empty() && Mant.back() == '.') Mant.pop_back();
  }
  R += Mant;
  if (Exp != 0 || Approximate) R += "E" + IntToStr(Exp);
  return R;
}

std::string FirebirdFloatLiteral(double Value, bool Single) {
  if (Single) Value = static_cast<float>(Value);
  const std::string L = FloatLiteral(Value, "", false, Single, true);
  const std::size_t E = L.find('E');
  if (E == std::string::npos || !std::isfinite(Value)) return L;  // an integer, NaN, infinity
  // Significand digits and decimal exponent of the literal: the server reads it exactly when
  // the digits make an integer a double holds and one power of ten, itself exact, scales it.
  std::uint64_t Digits = 0;
  int Count = 0, Fraction = 0;
  bool AfterPoint = false;
  for (std::size_t I = 0; I < E; ++I) {
    if (L[I] == '.') AfterPoint = true;
    if (!IsDigit(L[I])) continue;
    if (Count < 19) Digits = Digits * 10 + static_cast<std::uint64_t>(L[I] - '0');
    ++Count;
    if (AfterPoint) ++Fraction;
  }
  const int Scale = std::stoi(L.substr(E + 1)) - Fraction;
  if (Count <= 17 && Digits <= (std::uint64_t{1} << 53) && Scale >= -22 && Scale <= 22) return L;
  // Value = M * 2^Exp with an integer M below 2^53: both parts are exact for the server.
  int Exp = 0;
  const double Fr = std::frexp(Value, &Exp);
  auto M = static_cast<std::int64_t>(std::ldexp(Fr, 53));
  Exp -= 53;
  while (M != 0 && M % 2 == 0) {
    M /= 2;
    ++Exp;
  }
  return (M < 0 ? "" : " ") + std::to_string(M) + "E0 * POWER(2E0, " + std::to_string(Exp) + ")";
}

std::size_t SecondFractionDigits(const std::string& IsoValue) {
  return SplitDateTime(IsoValue).Frac.size();
}

std::string CutSecondFraction(const std::string& IsoValue, int Digits) {
  const TDateTimeParts P = SplitDateTime(IsoValue);
  if (Digits < 0 || P.Frac.size() <= static_cast<std::size_t>(Digits)) return IsoValue;
  std::string R(P.Head);
  if (Digits > 0) R.append(".").append(P.Frac.substr(0, static_cast<std::size_t>(Digits)));
  return R.append(P.Tail);
}

std::string FormatDateTimeText(const std::string& Pattern, const std::string& IsoValue,
                               char DateSeparator) {
  const TDateTimeFields F = ParseDateTime(IsoValue);
  std::string R;
  bool AfterHour = false;  // "mm" right after an hour means minutes
  std::size_t I = 0;
  auto Run = [&](char C) {
    std::size_t N = 0;
    while (I + N < Pattern.size() && LowCase(Pattern[I + N]) == C) ++N;
    return N;
  };
  while (I < Pattern.size()) {
    const char C = Pattern[I];
    const char L = LowCase(C);
    if (C == '\'' || C == '"') {
      const std::size_t End = Pattern.find(C, I + 1);
      R += Pattern.substr(I + 1, (End == std::string::npos ? Pattern.size() : End) - I - 1);
      I = End == std::string::npos ? Pattern.size() : End + 1;
      continue;
    }
    std::size_t N = 0;
    switch (L) {
      case 'y':
        N = Run('y');
        R += N <= 2 ? Padded(F.Year % 100, 2) : Padded(F.Year, 4);
        break;
      case 'm':
        N = Run('m');
        if (AfterHour)
          R += N >= 2 ? Padded(F.Minute, 2) : IntToStr(F.Minute);
        else
          R += N >= 2 ? Padded(F.Month, 2) : IntToStr(F.Month);
        AfterHour = false;
        break;
      case 'd':
        N = Run('d');
        R += N >= 2 ? Padded(F.Day, 2) : IntToStr(F.Day);
        break;
      case 'h':
        N = Run('h');
        R += N >= 2 ? Padded(F.Hour, 2) : IntToStr(F.Hour);
        AfterHour = true;
        I += N;
        continue;
      case 'n':
        N = Run('n');
        R += N >= 2 ? Padded(F.Minute, 2) : IntToStr(F.Minute);
        break;
      case 's':
        N = Run('s');
        R += N >= 2 ? Padded(F.Second, 2) : IntToStr(F.Second);
        break;
      case 'z':
        N = Run('z');
        R += N >= 3 ? Padded(F.MSec, 3) : IntToStr(F.MSec);
        break;
      case '/':
        N = 1;
        R += DateSeparator;
        break;
      default:
        N = 1;
        R += C;
        if (C != ':' && C != ' ') AfterHour = false;
        break;
    }
    I += N;
  }
  return R;
}

// ---------------------------------------------------------------------------------------------
// Literals

std::string TTableDataComparer::ParamRef(TField* Field) {
  for (const auto& [Name, F] : FParamFields)
    if (F == Field) return Name;
  std::string Name = Field->GetFieldName();
  auto Taken = [this](const std::string& N) {
    for (const auto& Entry : FParamFields)
      if (SameText(Entry.first, N)) return true;
    return false;
  };
  // A name the parameter scanner could not read back (blanks, quotes, non-ASCII), or one already
  // standing for another field of this statement, is replaced by a made-up one.
  if (!IsPlainParamName(Name) || Taken(Name)) {
    int N = static_cast<int>(FParamFields.size()) + 1;
    do {
      Name = "qel_p" + IntToStr(N++);
    } while (Taken(Name));
  }
  FParamFields.emplace_back(Name, Field);
  return Name;
}

std::string TTableDataComparer::ValueLiteral(TField* Field, bool ForWhere) {
  std::string R;
  AppendValueLiteral(R, Field, ForWhere);
  return R;
}

void TTableDataComparer::AppendValueLiteral(std::string& Out, TField* Field, bool ForWhere,
                                            bool InStatement) {
  if (Field->IsNull()) {
    Out += "Null";
    return;
  }
  const TFieldType Type = Field->GetDataType();
  const TDatabaseType Db = GetDatabaseType();
  if (IsBlobType(Type) && InlineBlobs && FScriptOptions.GenerateScript) {
    if (InStatement && Field->AsString().size() >= MaxQueuedStatementBytes &&
        WritesLiteralsInPieces())
      FDeferred.push_back({Out.size(), Field, Type != ftMemo});
    else
      AppendLongLiteral(Out, Field->AsString(), Type != ftMemo);
    return;
  }
  // The executor binds a side-file value as binary data, which PostgreSQL would store in a
  // text column as its hexadecimal escape form. A large value for a text column is read there
  // as text of the encoding values are read in; any other text goes as a literal, which the
  // server converts to its column's type (a text expression would not become json or xml).
  const bool PgText = Type == ftMemo && Db == dbPostgreSQL;
  const bool PgTextFromFile = PgText && FScriptOptions.GenerateScript && !BlobFileName.empty() &&
                              Field->AsString().size() >= MaxQueuedStatementBytes &&
                              TargetTypeOf(Field) == ftMemo;
  if (IsBlobType(Type) && (!PgText || PgTextFromFile)) {
    std::string V;
    SaveBlob(Field, V);
    if (PgTextFromFile && V.compare(0, 2, ":h") == 0)
      Out += "pg_catalog.convert_from(" + V + ", 'UTF8')";
    else
      Out += V;
    return;
  }
  if (!FScriptOptions.GenerateScript) {
    Out += ':';
    Out += ParamRef(Field);
    return;
  }
  const std::string& S = Field->AsString();
  auto Quoted = [this, &Out](const std::string& T) { AppendLongLiteral(Out, T, false); };
  // A value written into a column of another type is written as that column holds it.
  if (TParam Held; AsTargetHolds(Field, Held)) {
    if (Held.GetDataType() == ftBoolean)
      Out += Forms().BooleanLiteral(Held.AsBoolean());
    else if (Held.GetDataType() == ftInteger || Held.GetDataType() == ftFMTBcd)
      Out += Held.AsString();
    else
      Quoted(Held.AsString());  // a time of fewer digits
    return;
  }
  switch (Type) {
    case ftString:
      if (TrimCharFields && !ForWhere)
        Quoted(Trim(S));
      else
        Quoted(S);
      return;
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
      if (IsDecimalText(S) && S.find('.') == std::string::npos)
        Out += S;
      else
        Quoted(S);
      return;
    case ftFMTBcd:
      // Exact decimals are written as their decimal text: a binary float would change them.
      if (IsDecimalText(S))
        Out += S;
      else
        Quoted(S);
      return;
    case ftFloat:
      if (IsNonFiniteText(S)) {
        Quoted(S);
        return;
      }
      // "-0" reads as the integer 0: a target that keeps the sign of a zero gets its own form.
      if (const double V = FloatValue(Field); V == 0 && std::signbit(V) &&
                                              FScriptOptions.FloatFormat.empty() &&
                                              !Forms().NegativeZero->empty()) {
        Out += *Forms().NegativeZero;
        return;
      }
      // A condition finds the value the target holds, exactly; a value written is given in the
      // digits of the column it goes into. Firebird's reading of a number's text is off by a
      // step for some values: it gets a form it reads exactly.
      if (Db == dbInterBase && FScriptOptions.FloatFormat.empty() && !FScriptOptions.LocalSQL)
        Out += FirebirdFloatLiteral(FloatValue(Field), !ForWhere && IsWrittenFloat4(Field));
      else
        Out += FloatLiteral(FloatValue(Field), FScriptOptions.FloatFormat, FScriptOptions.LocalSQL,
                            !ForWhere && IsWrittenFloat4(Field));
      return;
    case ftBoolean:
      Out += Forms().BooleanLiteral(Field->AsBoolean());
      return;
    case ftDate:
      Quoted(FScriptOptions.DateFormat.empty() ? S
                                               : FormatDateTimeText(FScriptOptions.DateFormat, S));
      return;
    case ftTime:
      Quoted(FScriptOptions.TimeFormat.empty() ? S
                                               : FormatDateTimeText(FScriptOptions.TimeFormat, S));
      return;
    case ftDateTime:
      Quoted(FScriptOptions.DateTimeFormat.empty()
                 ? S
                 : FormatDateTimeText(FScriptOptions.DateTimeFormat, S));
      return;
    default:
      // Types without a literal form of their own (intervals, UUIDs...) as text, which the
      // servers convert to the column's type.
      Quoted(S);
      return;
  }
}

double TTableDataComparer::FloatValue(TField* Field) const {
  double V = Field->AsFloat();
  if (IsFloat4(Field) || IsWrittenFloat4(Field)) V = static_cast<float>(V);
  return V;
}

void TTableDataComparer::AppendLongLiteral(std::string& Out, std::string_view Value,
                                           bool Binary) const {
  const TDatabaseType Db = GetDatabaseType();
  const bool Firebird = Db == dbInterBase;
  // A text with carriage returns goes in pieces as long as any other, in one REPLACE.
  if (Firebird && !Binary && Value.find('\r') != std::string_view::npos) {
    std::string Marked(Value);
    if (const char Mark = MarkCarriageReturns(Marked)) {
      Out += "REPLACE(";
      AppendLongLiteral(Out, Marked, false);
      Out += CarriageReturnsBack(Mark);
      return;
    }
  }
  // A piece joined to the ones before it is an operand of its own.
  auto Literal = [this, Db, Binary, Firebird, &Out](std::string_view Part, bool Enclosed) {
    if (Binary)
      AppendBinaryLiteral(Out, Part);
    else if (Firebird)
      Out += FirebirdTextLiteral(std::string(Part), Enclosed);
    else
      AppendScriptQuotedStr(Out, Part, Db, RoomAfter(Part.size()));
  };
  // A text joined from pieces at its carriage returns is held to a string's size.
  const std::size_t Piece = !Binary && Value.find('\r') != std::string_view::npos
                                ? FirebirdJoinedPiece
                                : FirebirdLiteralPiece;
  if (!Firebird || Value.size() <= Piece) {
    Literal(Value, false);
    return;
  }
  // Pieces joined into one large value: the first made a BLOB, so that the joins are not
  // held to the 32765 bytes of a string. Text is cut between characters.
  for (std::size_t B = 0; B < Value.size();) {
    std::size_t N = std::min(Piece, Value.size() - B);
    if (!Binary)
      while (N > 1 && B + N < Value.size() &&
             (static_cast<unsigned char>(Value[B + N]) & 0xC0) == 0x80)
        --N;
    Out += B == 0 ? "CAST(" : " || ";
    Literal(Value.substr(B, N), B > 0);
    if (B == 0) Out += Binary ? " AS BLOB)" : " AS BLOB SUB_TYPE TEXT)";
    B += N;
  }
}

bool TTableDataComparer::BinaryLiteralForm(std::string& Opening, std::string& Closing) const {
  // Found by a mark no form holds.
  const std::string Mark(1, '\x01');
  const std::string Form = Forms().BinaryLiteral(Mark);
  const std::size_t At = Form.find(Mark);
  if (At == std::string::npos || Form.find(Mark, At + 1) != std::string::npos) return false;
  Opening = Form.substr(0, At);
  Closing = Form.substr(At + 1);
  return true;
}

void TTableDataComparer::AppendBinaryLiteral(std::string& Out, std::string_view Bytes) const {
  // The digits of a large value go straight into Out, made large enough for them first.
  std::string Opening, Closing;
  if (!BinaryLiteralForm(Opening, Closing)) {
    std::string Hex;
    AppendHexDigits(Hex, Bytes);
    Out += Forms().BinaryLiteral(Hex);
    return;
  }
  const std::size_t Size = Opening.size() + Closing.size() + 2 * Bytes.size();
  Out.reserve(Out.size() + Size + RoomAfter(Size));
  Out += Opening;
  AppendHexDigits(Out, Bytes);
  Out += Closing;
}

TTableDataComparer::TDeferScope::TDeferScope(TTableDataComparer& C) : FOwner(C) {
  C.FDeferred.clear();
}

TTableDataComparer::TDeferScope::~TDeferScope() {
  // A statement left unmade leaves no places behind for the next one.
  if (std::uncaught_exceptions() > FExceptions) FOwner.FDeferred.clear();
}

bool TTableDataComparer::WritesLiteralsInPieces() const {
  return OnWriteResultSQL && !OnAddResultSQL && !OnGetDataValue && !FUpdateImmediately &&
         !FSQLExec && !FOutputs->Script.Writing() && !Writer && GetDatabaseType() != dbInterBase &&
         StatementLimit() == 0;
}

std::size_t TTableDataComparer::StatementLimit() const {
  return FForms ? FForms->StatementLimit.value_or(0) : 0;
}

void TTableDataComparer::WriteWithDeferred(const std::string& aSQL,
                                           const std::vector<TDeferredLiteral>& Deferred) {
  constexpr std::size_t Slice = 1u << 20;
  const TDatabaseType Db = GetDatabaseType();
  std::string Buf;
  auto Hand = [this, &Buf](bool Last) {
    OnWriteResultSQL(this, Buf, Last);
    Buf.clear();
  };
  std::size_t From = 0;
  for (const TDeferredLiteral& D : Deferred) {
    Buf.assign(aSQL, From, D.At - From);
    Hand(false);
    From = D.At;
    const std::string_view Value = D.Field->AsString();
    // The literal of a text is its opening and the literals of its slices without their quotes
    // (ScriptQuotedOpening).
    std::string Opening, Closing = "'";
    if (!D.Binary) {
      Opening = ScriptQuotedOpening(Value, Db);
    } else if (!BinaryLiteralForm(Opening, Closing)) {
      AppendBinaryLiteral(Buf, Value);  // a form not split around its digits: made whole
      Hand(false);
      continue;
    }
    Buf = Opening;
    Hand(false);
    for (std::size_t B = 0; B < Value.size(); B += Slice) {
      const std::string_view Part = Value.substr(B, Slice);
      if (D.Binary) {
        AppendHexDigits(Buf, Part);
        Hand(false);
        continue;
      }
      AppendScriptQuotedStr(Buf, Part, Db, 0);
      Buf.pop_back();
      OnWriteResultSQL(this, std::string_view(Buf).substr(Buf.find('\'') + 1), false);
      Buf.clear();
    }
    Buf = Closing;
    Hand(false);
  }
  Buf.assign(aSQL, From);
  Hand(true);
}

std::string TCmpTableOptions::FldValue(TField* Field) {
  std::string V;
  AppendFldValue(V, Field);
  return V;
}

void TCmpTableOptions::AppendFldValue(std::string& Out, TField* Field, bool InStatement) {
  if (!FComparer) return;
  if (this == FComparer->FTableOptionsMaster.get() && FComparer->OnGetDataValue) {
    std::string V = FComparer->ValueLiteral(Field, false);
    FComparer->OnGetDataValue(FComparer, Field, V);
    Out += V;
    return;
  }
  FComparer->AppendValueLiteral(Out, Field, false, InStatement);
}

std::string TCmpTableOptions::FldsSeqValue(TQELQuery* Query) {
  std::string S;
  AppendFldsSeqValue(S, Query);
  return S;
}

void TCmpTableOptions::AppendFldsSeqValue(std::string& Out, TQELQuery* Query, bool InStatement) {
  if (!Query) return;
  for (int I = 0; I < Query->FieldCount(); ++I) {
    if (I > 0) Out += ", ";
    AppendFldValue(Out, Query->Fields().Fields(I), InStatement);
  }
}

// ---------------------------------------------------------------------------------------------
// The side file

bool TTableDataComparer::OpenSideFile() {
  if (FBlobStream) return true;
  auto Stream = std::make_unique<TFileStream>();
  if (!Stream->Open(BlobFileName, fmCreate)) {
    DoErrMsg("Cannot create the BlobFile " + BlobFileName + ".");
    FBlobFailed = true;
    return false;
  }
  FBlobStream = std::move(Stream);
  return true;
}

bool TTableDataComparer::StartSideFile() {
  if (FBlobStream) return true;
  if (!OpenSideFile()) return false;
  // The statement that names the file goes before the first statement that reads from it.
  const std::string Named = ExtractFilePath(BlobFileName) == ExtractFilePath(FScriptFileName)
                                ? ExtractFileName(BlobFileName)
                                : BlobFileName;
  DoAddResultSQL("SET BLOBFILE " + QuotedStr(Named), stSetBlobFile, BlobFileName, dboUnknown,
                 odbUnknown);
  return true;
}

void TTableDataComparer::SaveBlob(TField* Field, std::string& Value) {
  Value = "Null";
  if (!Field || Field->IsNull() || FBlobFailed) return;
  if (!FScriptOptions.GenerateScript) {
    Value = ":" + ParamRef(Field);
    return;
  }
  if (BlobFileName.empty()) {
    DoErrMsg("BlobFileName is not specified. Cann't save BLOBs.");
    FBlobFailed = true;
    return;
  }
  const std::string& Bytes = Field->AsString();
  const TDatabaseType Db = GetDatabaseType();
  // These servers take no empty large value from the file: it is written as Null.
  const bool EmptyIsNull =
      Db == dbSybaseASA || Db == dbMSSQL || Db == dbSybaseASE || Db == dbParadox;
  if (Bytes.empty() && EmptyIsNull) return;
  if (!StartSideFile()) return;
  const std::int64_t Offset = FBlobStream->Size();
  // The reader takes offset and length as eight hexadecimal digits each: a file that grows past
  // that cannot be addressed, and the values past it would be lost.
  if (Offset < 0 || static_cast<std::uint64_t>(Offset) + Bytes.size() > 0xFFFFFFFFull) {
    DoErrMsg("BlobFile " + BlobFileName +
             " would grow past 4 GiB, which its references cannot address; the large values from "
             "here on are written as Null.");
    FBlobFailed = true;
    FBlobStream.reset();
    return;
  }
  if (!Bytes.empty() &&
      (FBlobStream->Seek(0, soEnd) < 0 ||
       FBlobStream->Write(Bytes.data(), static_cast<std::int64_t>(Bytes.size())) !=
           static_cast<std::int64_t>(Bytes.size()))) {
    DoErrMsg("Cannot write the BlobFile " + BlobFileName + ".");
    FBlobFailed = true;
    FBlobStream.reset();
    return;
  }
  const std::int64_t Length = static_cast<std::int64_t>(Bytes.size());
  Value = ":h" + IntToHex(Offset, 8) + "_" + IntToHex(Length, 8);
}

void TTableDataComparer::CloseSideFile() {
  if (FBlobStream) {
    const bool Ok = FBlobStream->Close();
    FBlobStream.reset();
    if (!Ok) DoErrMsg("Cannot write the BlobFile " + BlobFileName + ".");
  }
}

// ---------------------------------------------------------------------------------------------
// Statements

std::string TTableDataComparer::WhereSeq(TQELQuery* Query, const TStrings& Keys) {
  TCmpTableOptions& T = *FTableOptionsTarget;
  std::string S;
  auto Add = [&](const std::string& Name, TField* F) {
    if (!S.empty()) S += " and ";
    S += T.FieldSQL(Name);
    if (F->IsNull()) {
      S += " is Null";
      return;
    }
    S += " = ";
    // A key of a large-value type still selects its row: text as a literal, bytes through the
    // side file (or as a parameter).
    if (F->GetDataType() == ftMemo && FScriptOptions.GenerateScript)
      S += GetDatabaseType() == dbInterBase ? FirebirdTextLiteral(F->AsString())
                                            : ScriptQuotedStr(F->AsString(), GetDatabaseType());
    else
      S += ValueLiteral(F, true);
  };
  if (Keys.Count() > 0) {
    for (int I = 0; I < Keys.Count(); ++I) {
      TField* F = nullptr;
      if (Query == FQueryTarget.get() && &Keys == &T.GetWorkKeyFields() &&
          I < static_cast<int>(FKeyPosT.size()))
        F = Query->Fields().Fields(FKeyPosT[static_cast<std::size_t>(I)]);
      else
        F = Query->FieldByName(Keys[I]);
      if (!F) throw EDatabaseError("Field not found: " + Keys[I]);
      Add(Keys[I], F);
    }
  } else {
    for (int I = 0; I < Query->FieldCount(); ++I) {
      TField* F = Query->Fields().Fields(I);
      if (!IsBlobType(F->GetDataType())) Add(TCmpTableOptions::EntryOf(F->GetFieldName()), F);
    }
  }
  return S;
}

void TTableDataComparer::RecordInsert() {
  if (!AllowedOperations.Contains(dcopInsert)) return;
  FParamFields.clear();
  if (FInsertColumns.empty()) return;
  const TCmpTableOptions& T = *FTableOptionsTarget;
  if (!FInsertExecSQL.empty()) {
    FParamFields = FInsertExecFields;
    DoAddResultSQL(FInsertExecSQL, stInsert, T.GetTableName(), dboTable, odbInsert);
    ++FInserted;
    return;
  }
  // The values go straight into the statement: a large one is not copied once more.
  std::string SQL =
      "INSERT INTO " + FTargetTableSQL + " (" + FInsertColumns + ")" + CrLf + "VALUES(";
  {
    const TDeferScope Deferring(*this);
    FTableOptionsMaster->AppendFldsSeqValue(SQL, FQueryMaster.get(), true);
  }
  SQL += ')';
  // Run at once and written nowhere, every value is a parameter (a NULL, bound as one, is the
  // same): the rows of the table share one text, made once.
  if (!FScriptOptions.GenerateScript && !OnGetDataValue &&
      FParamFields.size() == static_cast<std::size_t>(FQueryMaster->FieldCount())) {
    FInsertExecSQL = SQL;
    FInsertExecFields = FParamFields;
  }
  DoAddResultSQL(SQL, stInsert, T.GetTableName(), dboTable, odbInsert);
  ++FInserted;
}

void TTableDataComparer::RecordUpdate() {
  if (!AllowedOperations.Contains(dcopUpdate)) return;
  FParamFields.clear();
  TCmpTableOptions& M = *FTableOptionsMaster;
  TCmpTableOptions& T = *FTableOptionsTarget;
  TFields& FM = FQueryMaster->Fields();
  TFields& FT = FQueryTarget->Fields();
  // The values go straight into the statement: a large one is not copied once more.
  std::string SQL = "UPDATE " + FTargetTableSQL + " SET ";
  const std::size_t Head = SQL.size();
  const TDeferScope Deferring(*this);
  const int N = std::min<int>(GetDataFldsCount(), static_cast<int>(FDataPosT.size()));
  for (int I = 0; I < N; ++I) {
    TField* A = FM.Fields(FDataPosM[static_cast<std::size_t>(I)]);
    TField* B = FT.Fields(FDataPosT[static_cast<std::size_t>(I)]);
    if (!CompareBlobs && (IsBlobType(A->GetDataType()) || IsBlobType(B->GetDataType()))) continue;
    if (CompareFields(A, B) == 0) continue;
    if (SQL.size() > Head) SQL += ",";
    SQL += CrLf;
    SQL += T.QuoteIdent(B->GetFieldName());
    SQL += '=';
    M.AppendFldValue(SQL, A, true);
  }
  if (SQL.size() == Head) return;
  SQL += CrLf;
  SQL += "WHERE ";
  SQL += WhereSeq(FQueryTarget.get(), T.GetWorkKeyFields());
  DoAddResultSQL(SQL, stUpdate, T.GetTableName(), dboTable, odbUpdate);
  ++FUpdated;
}

std::string TTableDataComparer::DeleteSQL(const std::string& Where) const {
  const std::string& T = FTargetTableSQL;
  if (!FRowsByValue) return "DELETE FROM " + T + " WHERE " + Where;
  // Copies of a row are told apart by nothing but where they lie: one of them is deleted per
  // copy the master lacks, never every copy (CheckRowForms refuses a dialect without a form).
  return Forms().DeleteOneRow(T, Where);
}

void TTableDataComparer::RecordDelete() {
  if (!AllowedOperations.Contains(dcopDelete)) return;
  FParamFields.clear();
  TCmpTableOptions& T = *FTableOptionsTarget;
  DoAddResultSQL(DeleteSQL(WhereSeq(FQueryTarget.get(), T.GetWorkKeyFields())), stDelete,
                 T.GetTableName(), dboTable, odbDelete);
  ++FDeleted;
}

void TTableDataComparer::MakeConnectString() {
  const TDatabaseType Db = GetDatabaseType();
  auto Pass = [this](const std::string& Text, TStatType Type) {
    if (!Text.empty()) DoAddResultSQL(Text, Type, "", dboUnknown, odbUnknown);
  };
  const std::string& DbName = FConnectionOptions.GetDatabaseName();
  switch (Db) {
    case dbInterBase:
      if (FScriptOptions.DBCharSet) Pass(FIBServerOptions.DBCharSetDef(), stCharSet);
      if (FScriptOptions.SQLDialect) Pass(FIBServerOptions.SQLDialectDef(), stSet);
      if (FScriptOptions.Connect)
        Pass(FIBServerOptions.ConnectDatabaseDef(FConnectionOptions), stConnect);
      break;
    case dbMySQL:
      if (FScriptOptions.DBCharSet && !FMySQLServerOptions.CharSet.empty())
        Pass("SET CHARACTER SET " + FMySQLServerOptions.CharSet, stCharSet);
      if (FScriptOptions.DBCharSet && !FMySQLServerOptions.Names.empty())
        Pass("SET NAMES " + FMySQLServerOptions.Names, stSetNames);
      if (FScriptOptions.Connect && !DbName.empty())
        Pass("USE " + Quote_Ident(DbName, dbMySQL, st_FireBird_15, 3), stConnect);
      break;
    case dbMSSQL:
      if (FScriptOptions.Connect && !DbName.empty())
        Pass("USE " + Quote_Ident(DbName, dbMSSQL, st_FireBird_15, 3), stConnect);
      break;
    default:
      break;
  }
  // The side file is named by the first large value written (StartSideFile).
}

std::string TTableDataComparer::KeyNotUniqueText(
    bool Master, const std::vector<const TDataValue*>& Values) const {
  const TCmpTableOptions& O = Master ? *FTableOptionsMaster : *FTableOptionsTarget;
  const TStrings& Keys = O.GetWorkKeyFields();
  std::string Names, Key;
  for (int I = 0; I < Keys.Count(); ++I) {
    Names += (I > 0 ? ", " : "") + Keys[I];
    if (static_cast<std::size_t>(I) >= Values.size()) continue;
    const TDataValue* V = Values[static_cast<std::size_t>(I)];
    Key += (I > 0 ? " and " : "") + Keys[I] + (V->IsNull() ? " is Null" : " = " + ShortValue(V));
  }
  return "The key " + Names + " does not identify the rows of table " + O.GetTableName() +
         " in the " + (Master ? "master" : "target") + " database: more than one row has " + Key +
         ". Nothing is written: the rows cannot be paired, and a statement for one of them would "
         "change them all.";
}

void TTableDataComparer::ThrowIfStopped() const {
  if (!FStopText.empty()) throw EDatabaseError(FStopText);
}

void TTableDataComparer::CountUnmade(TStatType Type, int Count) {
  if (RowStatementKind(Type) < 0) return;
  FUnmade += Count;
  (Type == stInsert ? FInserted : Type == stUpdate ? FUpdated : FDeleted) -= Count;
}

bool TTableDataComparer::TargetLimitsStatementSize() const {
  const TDialect* D = FindDialect(GetDatabaseType());
  return D && D->StatementLimit.value_or(0) > 0;
}

bool TTableDataComparer::CheckRowForms() {
  FForms = nullptr;
  const TDatabaseType Db = GetDatabaseType();
  const TDialect* D = FindDialect(Db);
  std::vector<std::string> Missing;
  if (!D || !D->BooleanLiteral) Missing.push_back("how a Boolean is written");
  if (!D || !D->BinaryLiteral) Missing.push_back("how bytes are written");
  if (!D || !D->TimeFractionDigits) Missing.push_back("what digits of a second a time keeps");
  if (!D || !D->NegativeZero) Missing.push_back("how a float -0 is written");
  if (!D || !D->StatementLimit) Missing.push_back("the largest statement its server reads");
  const std::string Name = D ? D->Name : "number " + IntToStr(static_cast<int>(Db));
  const std::string Table = FTableOptionsTarget->GetTableName();
  if (!Missing.empty()) {
    std::string List;
    for (const std::string& M : Missing) List += (List.empty() ? "" : ", ") + M;
    DoErrMsg("The rows of table " + Table + " cannot be written for dialect " + Name +
             ": the dialect does not say " + List + ".");
    return false;
  }
  if (FRowsByValue && AllowedOperations.Contains(dcopDelete) && !D->DeleteOneRow) {
    DoErrMsg("The rows of table " + Table +
             " are matched by all their values (it has no key, or its key holds every column), "
             "and " +
             ("dialect " + Name) +
             " has no statement that deletes one of several equal rows: a copy the master lacks "
             "could not be deleted without the copies it keeps. The table is not compared.");
    return false;
  }
  FForms = D;
  return true;
}

void TTableDataComparer::DoAddResultSQL(const std::string& aSQL, TStatType aStatType,
                                        const std::string& aObjName, TDbObject aObjType,
                                        TDbOperation opType) {
  // Large values written inline can make a statement larger than Firebird reads: no literal
  // form carries them, only a side file or parameters do. The run ends here.
  const std::size_t Limit = StatementLimit();
  if (InlineBlobs && FScriptOptions.GenerateScript && Limit > 0 && aSQL.size() > Limit) {
    FValueTooLarge = true;
    throw EDatabaseError("A statement for table " + aObjName + " would take " +
                         IntToStr(static_cast<std::int64_t>(aSQL.size())) +
                         " bytes with its large values written as literals, more than the " +
                         IntToStr(static_cast<std::int64_t>(Limit)) +
                         " bytes a statement of dialect " + FForms->Name +
                         " may hold; such values travel only in a side file or as parameters.");
  }
  if (!FDeferred.empty()) {
    // Made for OnWriteResultSQL alone (WritesLiteralsInPieces).
    const std::vector<TDeferredLiteral> Deferred = std::move(FDeferred);
    FDeferred.clear();
    WriteWithDeferred(aSQL, Deferred);
    return;
  }
  bool Accept = true;
  if (OnAddResultSQL) OnAddResultSQL(this, Accept, aSQL, aStatType, aObjName, aObjType, opType);
  if (Accept) FOutputs->RowChange({aSQL, aStatType, aObjName, aObjType, opType});
}

}  // namespace qel
