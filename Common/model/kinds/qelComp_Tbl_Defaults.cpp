// The default of a column as two readings of it are compared. The PostgreSQL catalog keeps a
// default as a parsed expression and gives back a literal with the cast its column type gave it
// ("'y'::bpchar", "'-1'::integer", "'2020-01-01'::date"), where a script writes the bare
// literal: both are compared in one spelling, and each is written as it was read.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelComp_Tbl.h"
#include "qelComp_Tbl_Int.h"

namespace qel {

namespace {

/// Type names a cast after a default literal may take, as a script or the catalog spells them.
// clang-format off
constexpr std::pair<std::string_view, TDBFieldType> kCastTypes[] = {
    {"bpchar", iftChar}, {"char", iftChar}, {"character", iftChar},
    {"varchar", iftVarchar}, {"character varying", iftVarchar}, {"text", iftText},
    {"date", iftDate}, {"time", iftTime}, {"time without time zone", iftTime},
    {"timetz", iftTimeTZ}, {"time with time zone", iftTimeTZ},
    {"timestamp", iftTimeStamp}, {"timestamp without time zone", iftTimeStamp},
    {"timestamptz", iftTimeStampTZ}, {"timestamp with time zone", iftTimeStampTZ},
    {"interval", iftInterval}, {"bool", iftBoolean}, {"boolean", iftBoolean},
    {"bytea", iftByteA}, {"money", iftMoney},
    {"int2", iftSmallInt}, {"smallint", iftSmallInt},
    {"int", iftInteger}, {"int4", iftInteger}, {"integer", iftInteger},
    {"int8", iftBigInt}, {"bigint", iftBigInt},
    {"numeric", iftNumeric}, {"decimal", iftNumeric},
    {"float4", iftReal}, {"real", iftReal},
    {"float8", iftDoublePrecision}, {"double precision", iftDoublePrecision},
};
// clang-format on

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

/// The column type a cast compares with: decimal is numeric, a serial its integer.
TDBFieldType CastKind(TDBFieldType T) {
  switch (T) {
    case iftDecimal:
      return iftNumeric;
    case iftSerial:
      return iftInteger;
    case iftBigSerial:
      return iftBigInt;
    default:
      return T;
  }
}

/// The type the server gives a number literal: integer while it fits, then bigint, then
/// numeric; numeric for one with a fraction. iftUnknown for text that is no plain number.
TDBFieldType NumberLiteralType(std::string_view S) {
  std::size_t I = !S.empty() && S[0] == '-' ? 1 : 0;
  const std::size_t Digits = I;
  while (I < S.size() && IsDigit(S[I])) ++I;
  if (I == Digits) return iftUnknown;
  if (I == S.size()) {
    const std::string_view Abs = S.substr(Digits);
    if (Abs.size() < 10 || (Abs.size() == 10 && Abs <= "2147483647")) return iftInteger;
    if (Abs.size() < 19 || (Abs.size() == 19 && Abs <= "9223372036854775807")) return iftBigInt;
    return iftNumeric;
  }
  if (S[I] != '.' || I + 1 == S.size()) return iftUnknown;
  for (++I; I < S.size(); ++I)
    if (!IsDigit(S[I])) return iftUnknown;
  return iftNumeric;
}

}  // namespace

std::size_t tbl_detail::QuotedLiteral(const std::string& S, std::string& Content) {
  if (S.empty() || S[0] != '\'') return 0;
  Content.clear();
  for (std::size_t I = 1; I < S.size(); ++I) {
    if (S[I] != '\'') {
      Content += S[I];
    } else if (I + 1 < S.size() && S[I + 1] == '\'') {
      Content += '\'';
      ++I;
    } else {
      return I + 1;
    }
  }
  return 0;
}

std::string PGDefaultKey(const std::string& Text, const TFldData& Fld) {
  // A bit-string literal (B'1010') the server keeps as the string cast to bit ('1010'::"bit").
  if (Text.size() > 2 && (Text[0] == 'B' || Text[0] == 'b') && Text[1] == '\'') {
    std::string Bits;
    if (tbl_detail::QuotedLiteral(Text.substr(1), Bits) == Text.size() - 1 &&
        Bits.find_first_not_of("01") == std::string::npos)
      return "'" + Bits + "'::\"bit\"";
  }
  // "(-1)": the parentheses of a negative number.
  if (Text.size() > 2 && Text.front() == '(' && Text.back() == ')' &&
      NumberLiteralType(Text.substr(1, Text.size() - 2)) != iftUnknown)
    return Text.substr(1, Text.size() - 2);
  std::string Content;
  const std::size_t Len = tbl_detail::QuotedLiteral(Text, Content);
  if (Len == 0) return Text;
  if (Len < Text.size()) {
    if (Text.compare(Len, 2, "::") != 0) return Text;
    std::string Type = LowerCase(Trim(Text.substr(Len + 2)));
    // A modifier ("::varchar(2)") may cut the value; a quoted or qualified name is no built-in
    // type.
    if (Type.find_first_of("(\".") != std::string::npos) return Text;
    std::size_t Dims = 0;
    while (Type.size() > 2 && Type.compare(Type.size() - 2, 2, "[]") == 0) {
      Type = TrimRight(Type.substr(0, Type.size() - 2));
      ++Dims;
    }
    TDBFieldType Cast = iftUnknown;
    for (const auto& [Name, T] : kCastTypes)
      if (Name == Type) Cast = T;
    if (Cast == iftUnknown) return Text;
    // A number cast to the very type the bare number has.
    if (Dims == 0 && NumberLiteralType(Content) == Cast) return Content;
    // An array of any declared dimensions is one type to the server, which casts to "type[]".
    if (Cast != CastKind(Fld.FieldType) || (Dims != 0) != !Fld.Extra().ArrayBounds.empty())
      return Text;
  }
  // A quoted number on an exact-number column is that number.
  const TDBFieldType Column = CastKind(Fld.FieldType);
  const TDBFieldType Number = NumberLiteralType(Content);
  const bool IntegerColumn = Column == iftInteger || Column == iftBigInt || Column == iftSmallInt;
  if (Fld.Extra().ArrayBounds.empty() && Number != iftUnknown &&
      ((IntegerColumn && Number != iftNumeric) || Column == iftNumeric))
    return Content;
  return Text.substr(0, Len);
}

std::string tbl_detail::MySQLQuotedNumber(const TFldData& F) {
  const std::string D = F.GetDefValue();
  switch (F.FieldType) {
    case iftTinyInt:
    case iftSmallInt:
    case iftMediumInt:
    case iftInteger:
    case iftBigInt:
    case iftDecimal:
    case iftNumeric:
    case iftFloat:
    case iftDouble:
      break;
    default:
      return "";
  }
  if (D.size() < 3 || D.front() != '\'' || D.back() != '\'' ||
      D.find_first_not_of("-+.0123456789eE", 1) != D.size() - 1)
    return "";
  return D.substr(1, D.size() - 2);
}

std::string TFldData::CompareDefValue() const {
  if (GetDatabaseType() == dbMySQL) {
    const std::string N = tbl_detail::MySQLQuotedNumber(*this);
    return N.empty() ? GetDefValue() : N;
  }
  if (GetDatabaseType() != dbPostgreSQL) return GetDefValue();
  return PGDefaultKey(Extra().ServerDefault.empty() ? GetDefValue() : Extra().ServerDefault.str(),
                      *this);
}

std::string TFldData::ParamDefValue() const {
  return Extra().ServerDefault.empty() ? GetDefValue() : Extra().ServerDefault.str();
}

}  // namespace qel
