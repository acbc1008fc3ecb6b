// ASCII-only text helpers: case, compare, trim, search, replace, quoting and number text.
#include "Text.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace qel {

namespace {

bool IsBlank(char C) {
  return static_cast<unsigned char>(C) <= ' ';
}

int HexDigitValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

/// Reads an integer as StrToInt64Def describes; false on any fault or overflow.
bool TryStrToInt64(std::string_view S, std::int64_t& Value) {
  size_t I = 0;
  while (I < S.size() && S[I] == ' ') ++I;
  bool Negative = false;
  if (I < S.size() && (S[I] == '+' || S[I] == '-')) Negative = S[I++] == '-';
  unsigned Base = 10;
  if (I < S.size() && S[I] == '$') {
    Base = 16;
    ++I;
  } else if (I + 1 < S.size() && S[I] == '0' && (S[I + 1] == 'x' || S[I + 1] == 'X')) {
    Base = 16;
    I += 2;
  }
  if (I >= S.size()) return false;
  // The most negative value has one unit more than the most positive one.
  const std::uint64_t Limit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (Negative ? 1 : 0);
  std::uint64_t Magnitude = 0;
  for (; I < S.size(); ++I) {
    const int Digit = HexDigitValue(S[I]);
    if (Digit < 0 || static_cast<unsigned>(Digit) >= Base) return false;
    if (Magnitude > (Limit - static_cast<unsigned>(Digit)) / Base) return false;
    Magnitude = Magnitude * Base + static_cast<unsigned>(Digit);
  }
  // Negating in unsigned arithmetic covers the most negative value too.
  Value = static_cast<std::int64_t>(Negative ? ~Magnitude + 1 : Magnitude);
  return true;
}

/// Finds Pattern in S from From on, ignoring ASCII case; npos when absent.
size_t FindText(std::string_view S, std::string_view Pattern, size_t From) {
  if (Pattern.size() > S.size()) return std::string_view::npos;
  for (size_t I = From; I + Pattern.size() <= S.size(); ++I) {
    if (SameText(S.substr(I, Pattern.size()), Pattern)) return I;
  }
  return std::string_view::npos;
}

}  // namespace

std::string UpperCase(std::string_view S) {
  std::string Result(S);
  for (char& C : Result) C = UpCase(C);
  return Result;
}

std::string LowerCase(std::string_view S) {
  std::string Result(S);
  for (char& C : Result) C = LowCase(C);
  return Result;
}

int CompareStr(std::string_view S1, std::string_view S2) {
  // char_traits<char> compares as unsigned char, so bytes >= 0x80 sort after ASCII.
  const int R = S1.compare(S2);
  return R < 0 ? -1 : (R > 0 ? 1 : 0);
}

int CompareText(std::string_view S1, std::string_view S2) {
  const size_t N = std::min(S1.size(), S2.size());
  for (size_t I = 0; I < N; ++I) {
    const auto C1 = static_cast<unsigned char>(UpCase(S1[I]));
    const auto C2 = static_cast<unsigned char>(UpCase(S2[I]));
    if (C1 != C2) return C1 < C2 ? -1 : 1;
  }
  if (S1.size() == S2.size()) return 0;
  return S1.size() < S2.size() ? -1 : 1;
}

bool SameText(std::string_view S1, std::string_view S2) {
  return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

std::string Trim(std::string_view S) {
  return TrimRight(TrimLeft(S));
}

std::string TrimLeft(std::string_view S) {
  size_t I = 0;
  while (I < S.size() && IsBlank(S[I])) ++I;
  return std::string(S.substr(I));
}

std::string TrimRight(std::string_view S) {
  size_t N = S.size();
  while (N > 0 && IsBlank(S[N - 1])) --N;
  return std::string(S.substr(0, N));
}

namespace {
template <typename T>
std::string ShortestText(T Value) {
  char Buf[64];
  const auto [End, Ec] = std::to_chars(Buf, Buf + sizeof Buf, Value);
  return Ec == std::errc() ? std::string(Buf, End) : std::string("0");
}
}  // namespace

std::string ShortestFloatText(double Value) {
  return ShortestText(Value);
}

std::string ShortestFloatText(float Value) {
  return ShortestText(Value);
}

std::string IntToStr(std::int64_t Value) {
  return std::to_string(Value);
}

std::string IntToHex(std::int64_t Value, int Digits) {
  static constexpr char HexDigits[] = "0123456789ABCDEF";
  auto U = static_cast<std::uint64_t>(Value);
  std::string Result;
  do {
    Result.push_back(HexDigits[U & 0xF]);
    U >>= 4;
  } while (U != 0);
  while (static_cast<int>(Result.size()) < Digits) Result.push_back('0');
  std::reverse(Result.begin(), Result.end());
  return Result;
}

std::int64_t StrToInt64Def(std::string_view S, std::int64_t Default) {
  std::int64_t Value = 0;
  return TryStrToInt64(S, Value) ? Value : Default;
}

int StrToIntDef(std::string_view S, int Default) {
  std::int64_t Value = 0;
  if (!TryStrToInt64(S, Value)) return Default;
  if (Value < std::numeric_limits<int>::min() || Value > std::numeric_limits<int>::max())
    return Default;
  return static_cast<int>(Value);
}

bool StartsStr(std::string_view SubText, std::string_view Text) {
  return Text.substr(0, SubText.size()) == SubText;
}

bool EndsStr(std::string_view SubText, std::string_view Text) {
  return SubText.size() <= Text.size() && Text.substr(Text.size() - SubText.size()) == SubText;
}

bool StartsText(std::string_view SubText, std::string_view Text) {
  return SubText.size() <= Text.size() && SameText(Text.substr(0, SubText.size()), SubText);
}

bool EndsText(std::string_view SubText, std::string_view Text) {
  return SubText.size() <= Text.size() &&
         SameText(Text.substr(Text.size() - SubText.size()), SubText);
}

bool ContainsText(std::string_view Text, std::string_view SubText) {
  return !SubText.empty() && FindText(Text, SubText, 0) != std::string_view::npos;
}

std::string StringReplace(std::string_view S, std::string_view OldPattern,
                          std::string_view NewPattern, bool ReplaceAll, bool IgnoreCase) {
  if (OldPattern.empty()) return std::string(S);
  std::string Result;
  size_t From = 0;
  while (From <= S.size()) {
    const size_t At = IgnoreCase ? FindText(S, OldPattern, From) : S.find(OldPattern, From);
    if (At == std::string_view::npos) break;
    Result.append(S.substr(From, At - From));
    Result.append(NewPattern);
    From = At + OldPattern.size();
    if (!ReplaceAll) break;
  }
  Result.append(S.substr(std::min(From, S.size())));
  return Result;
}

std::string QuotedStr(std::string_view S, char Quote) {
  std::string Result;
  Result.reserve(S.size() + 2);
  Result.push_back(Quote);
  for (char C : S) {
    if (C == Quote) Result.push_back(Quote);
    Result.push_back(C);
  }
  Result.push_back(Quote);
  return Result;
}

int Pos(std::string_view SubStr, std::string_view S, int Offset) {
  if (SubStr.empty() || Offset < 1 || static_cast<size_t>(Offset) > S.size()) return 0;
  const size_t At = S.find(SubStr, static_cast<size_t>(Offset - 1));
  return At == std::string_view::npos ? 0 : static_cast<int>(At) + 1;
}

std::string Copy(std::string_view S, int Index, int Count) {
  if (Count <= 0) return std::string();
  const size_t Start = Index < 1 ? 0 : static_cast<size_t>(Index) - 1;
  if (Start >= S.size()) return std::string();
  return std::string(S.substr(Start, static_cast<size_t>(Count)));
}

std::string ConnectionKey(const std::string& ConnStr, const std::string& Key) {
  std::size_t I = 0;
  while (I < ConnStr.size()) {
    const std::size_t Eq = ConnStr.find('=', I);
    if (Eq == std::string::npos) break;
    const std::string Name = Trim(ConnStr.substr(I, Eq - I));
    std::string Value;
    std::size_t J = Eq + 1;
    while (J < ConnStr.size() && ConnStr[J] == ' ') ++J;
    if (J < ConnStr.size() && ConnStr[J] == '{') {
      for (++J; J < ConnStr.size(); ++J) {
        if (ConnStr[J] == '}') {
          if (J + 1 < ConnStr.size() && ConnStr[J + 1] == '}') {
            Value += '}';
            ++J;
            continue;
          }
          ++J;
          break;
        }
        Value += ConnStr[J];
      }
      J = ConnStr.find(';', J);
    } else {
      const std::size_t End = ConnStr.find(';', J);
      Value = Trim(ConnStr.substr(J, End == std::string::npos ? std::string::npos : End - J));
      J = End;
    }
    if (SameText(Name, Key)) return Value;
    if (J == std::string::npos) break;
    I = J + 1;
  }
  return std::string();
}

}  // namespace qel
