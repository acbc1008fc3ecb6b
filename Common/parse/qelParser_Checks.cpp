// What a declaration read from a script must hold before anything is made of it: type
// numbers a server of the dialect takes, and one nullability per column.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "Text.h"
#include "qelComp_Tbl.h"
#include "qelParser.h"

namespace qel {

namespace {

/// The largest numbers the servers of a dialect take in a type, over the versions the library
/// reads.
struct TTypeBounds {
  std::int32_t Length;       ///< of a character, binary or bit string type
  std::int32_t FixedLength;  ///< of CHAR, NCHAR, BINARY and GRAPHIC
  std::int32_t Decimal;      ///< precision of NUMERIC, DECIMAL and NUMBER
  std::int32_t Precision;    ///< any other precision (floats, fractions of seconds, widths)
  std::int32_t MinScale;
  std::int32_t MaxScale;
  bool ScaleWithinPrecision;  ///< the server refuses a scale greater than the precision
};

TTypeBounds BoundsOf(TDatabaseType DB) {
  switch (DB) {
    case dbPostgreSQL:
      return {10485760, 10485760, 1000, 1000, -1000, 1000, false};
    case dbMySQL:
      return {65535, 255, 65, 255, 0, 38, true};
    case dbOracle:
      return {32767, 2000, 38, 126, -84, 127, false};
    case dbMSSQL:
      return {8000, 8000, 38, 53, 0, 38, true};
    case dbSybaseASE:
      return {16384, 16384, 38, 53, 0, 38, true};
    case dbSybaseASA:
      return {32767, 32767, 127, 127, 0, 127, true};
    case dbDB2:
      return {32672, 255, 31, 53, 0, 31, true};
    default:  // InterBase and Firebird
      return {32767, 32767, 18, 53, 0, 18, true};
  }
}

bool IsFixedString(TDBFieldType T) {
  return T == iftChar || T == iftNChar || T == iftNationalChar || T == iftBinary || T == iftGraphic;
}

bool IsString(TDBFieldType T) {
  switch (T) {
    case iftVarchar:
    case iftVarChar2:
    case iftNVarChar:
    case iftNVarChar2:
    case iftVarBinary:
    case iftVarGraphic:
    case iftRaw:
    case iftCstring:
    case iftBit:
    case iftVarBit:
      return true;
    default:
      return IsFixedString(T);
  }
}

bool IsDecimal(TDBFieldType T) {
  return T == iftNumeric || T == iftDecimal || T == iftNumber;
}

}  // namespace

bool TCustomSQLParser::TestTypeBounds(TFldData& Fld) {
  const TTypeBounds B = BoundsOf(DatabaseType);
  const TDBFieldType T = Fld.FieldType;
  const std::string Of = Fld.GetObjName().empty() ? "" : " of " + Fld.GetObjName();
  std::int32_t MaxLength = IsFixedString(T) ? B.FixedLength : B.Length;
  if (DatabaseType == dbPostgreSQL && (T == iftBit || T == iftVarBit)) MaxLength = 83886080;
  if (DatabaseType == dbMSSQL && (T == iftNChar || T == iftNVarChar)) MaxLength = 4000;
  const std::int32_t MaxPrecision = IsDecimal(T) ? B.Decimal : B.Precision;
  bool Fits = true;
  // At the ")" the numbers end with, not on the line of the symbol after it.
  std::int32_t At = std::min(SyPos, FLen + 1) - 1;
  while (At > 1 && std::string_view(" \t\r\n").find(FTxt[static_cast<std::size_t>(At - 1)]) !=
                       std::string_view::npos)
    --At;
  const auto Refuse = [&](std::int32_t& Value, const std::string& Text) {
    MsgAtByte(Text, At);
    Value = 0;
    Fits = false;
  };
  if (IsString(T) && Fld.Size > MaxLength)
    Refuse(Fld.Size, "Length" + Of + " out of range: at most " + IntToStr(MaxLength) + ".");
  if (Fld.Precision > MaxPrecision)
    Refuse(Fld.Precision,
           "Precision" + Of + " out of range: at most " + IntToStr(MaxPrecision) + ".");
  if (Fld.Scale < B.MinScale || Fld.Scale > B.MaxScale)
    Refuse(Fld.Scale, "Scale" + Of + " out of range: " + IntToStr(B.MinScale) + " to " +
                          IntToStr(B.MaxScale) + ".");
  else if (B.ScaleWithinPrecision && Fld.Precision > 0 && Fld.Scale > Fld.Precision)
    Refuse(Fld.Scale, "Scale" + Of + " greater than its precision.");
  return Fits;
}

bool TCustomSQLParser::TestNullClause(const TFldData& Fld, bool Nullable) {
  const bool Again = FNullOf == &Fld && FNullStmt == StmtStart;
  const bool Contradicts = Again && FNullSaid != Nullable;
  FNullOf = &Fld;
  FNullStmt = StmtStart;
  FNullSaid = Nullable;
  if (!Contradicts) return true;
  const std::string Text = "Column " + Fld.GetObjName() + " is declared both NULL and NOT NULL.";
  if (DatabaseType == dbMySQL)
    MsgAtByte(Text + " The last of the two is kept, as the server keeps it.", SyPos, true);
  else
    MsgAtByte(Text, SyPos);
  return false;
}

void TCustomSQLParser::MsgAtByte(const std::string& Text, std::int32_t At, bool Warning) {
  const std::int32_t Last = std::min(Pos - 1, FLen);  // the byte at Ch, read last
  At = std::clamp(At, 1, std::max(Last, 1));
  // Line counts the line breaks read up to Ch.
  std::int32_t AtLine = Line;
  for (std::int32_t I = At; I <= Last; ++I)
    if (FTxt[static_cast<std::size_t>(I - 1)] == '\n') --AtLine;
  std::int32_t LineStart = At;
  while (LineStart > 1 && FTxt[static_cast<std::size_t>(LineStart - 2)] != '\n') --LineStart;
  const std::int32_t AtColumn = At - LineStart + 1;
  if (Warning) {
    MsgManager.AddScriptMsg(Text, ScriptName, AtColumn, AtLine, mt_Wrn);
    return;
  }
  // Not the dialect's ErrMsg, which places its errors at the symbol the reader stands on; the
  // statement fails all the same.
  ++FErrCount;
  const std::int32_t SavedLine = Line;
  const std::int32_t SavedColumn = Column;
  Line = AtLine;
  Column = AtColumn + 1;
  TCustomParser::ErrMsg(Text);
  Line = SavedLine;
  Column = SavedColumn;
}

}  // namespace qel
