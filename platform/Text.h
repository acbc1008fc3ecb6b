// Text helpers on byte strings. Case folding is ASCII-only and no locale is consulted, so a
// result never depends on the machine: bytes outside ASCII (UTF-8 sequences) pass unchanged.
// Positions handed to or returned by Pos and Copy count from 1, as the host framework's text
// routines do; everything else indexes from 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qel {

/// ASCII upper case of one byte; other bytes unchanged.
constexpr char UpCase(char C) {
  return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C;
}
/// ASCII lower case of one byte; other bytes unchanged.
constexpr char LowCase(char C) {
  return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C;
}
std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);

/// Byte comparison: <0, 0 or >0 (bytes compared as unsigned).
int CompareStr(std::string_view S1, std::string_view S2);
/// Comparison of ASCII-case-folded bytes: <0, 0 or >0.
int CompareText(std::string_view S1, std::string_view S2);
/// Equality ignoring ASCII case.
bool SameText(std::string_view S1, std::string_view S2);

/// Remove leading and/or trailing bytes <= ' ' (blanks and control characters).
std::string Trim(std::string_view S);
std::string TrimLeft(std::string_view S);
std::string TrimRight(std::string_view S);

std::string IntToStr(std::int64_t Value);
/// The shortest text that reads back as Value, at the value's own precision (a float's digits
/// are those of the float).
std::string ShortestFloatText(double Value);
std::string ShortestFloatText(float Value);
/// Upper-case hexadecimal, zero-padded to at least Digits digits. A negative value is shown as
/// its 64-bit two's complement.
std::string IntToHex(std::int64_t Value, int Digits);
/// Reads an integer: optional leading blanks, an optional sign, then decimal digits or "$" /
/// "0x" followed by hexadecimal digits, and nothing after. Anything else, or a value out of
/// range, gives Default.
int StrToIntDef(std::string_view S, int Default);
std::int64_t StrToInt64Def(std::string_view S, std::int64_t Default);

// Argument order as in the host framework: the Starts/Ends routines take the part first,
// ContainsText the whole text first.
bool StartsStr(std::string_view SubText, std::string_view Text);
bool EndsStr(std::string_view SubText, std::string_view Text);
bool StartsText(std::string_view SubText, std::string_view Text);
bool EndsText(std::string_view SubText, std::string_view Text);
/// Case-insensitive search; false for an empty SubText, as Pos finds nothing then either.
bool ContainsText(std::string_view Text, std::string_view SubText);

/// Replaces the first (or every, with ReplaceAll) occurrence of OldPattern by NewPattern,
/// scanning left to right; replaced text is not scanned again. An empty OldPattern changes
/// nothing.
std::string StringReplace(std::string_view S, std::string_view OldPattern,
                          std::string_view NewPattern, bool ReplaceAll, bool IgnoreCase);

/// S enclosed in Quote, every Quote inside doubled: O'Brien -> 'O''Brien'.
std::string QuotedStr(std::string_view S, char Quote = '\'');

/// 1-based position of the first SubStr in S at or after position Offset; 0 when absent or
/// when SubStr is empty.
int Pos(std::string_view SubStr, std::string_view S, int Offset = 1);
/// Count bytes of S from the 1-based position Index. Out-of-range parts are cut off: an Index
/// below 1 counts as 1, a negative Count or an Index past the end gives "".
std::string Copy(std::string_view S, int Index, int Count);

/// The value of entry Key (any case) of an ODBC connection string as the driver manager reads
/// it: a value in braces is taken whole, ";" included, braces taken off ("}}" in braces stands
/// for "}"); any other value trimmed; "" when it has none.
std::string ConnectionKey(const std::string& ConnStr, const std::string& Key);

}  // namespace qel
