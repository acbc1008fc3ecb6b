// Helpers shared by the sources of the table unit. Not part of the library's interface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qelComp_Dmn.h"

namespace qel::tbl_detail {

/// A PostgreSQL type, domain or collation name as written: "schema.name" (a name of another
/// schema, as the catalog gives it) with each part quoted on its own, else the name quoted;
/// the name of a domain or type of Obj's collection is quoted whole, dots and all ("a.b").
std::string PGQualifiedName(const TDbObj& Obj, const std::string& Name);
/// Two PostgreSQL columns have the same collation, however named (C, pg_catalog.C; none and
/// "default").
bool PGSameCollation(const TFldData& F, const TFldData& G);

/// The array brackets of a PostgreSQL type: an array and its element type are different
/// types. The server keeps neither the bounds nor the number of dimensions a script declares
/// (integer[3][4] is integer[], as the catalog and a dump name it), so "[]" stands for any
/// array: a declared size is no change to make.
inline std::string PGArrayBrackets(const std::vector<TArrayBound>& Bounds) {
  return Bounds.empty() ? std::string() : std::string("[]");
}

/// "(" + N + ")".
inline std::string InParens(std::int32_t N) {
  return std::string("(").append(std::to_string(N)).append(")");
}

/// "(n)" after a PostgreSQL time, timestamp or interval type that was given a precision of its
/// fractional seconds, else nothing.
inline std::string PGSecondsPrecision(const TFldData& Fld) {
  if (!PGTypeTakesSecondsPrecision(Fld.FieldType) || Fld.Precision == 0) return "";
  return InParens(Fld.Precision == PGZeroSecondsPrecision ? 0 : Fld.Precision);
}

/// The PostgreSQL name of a column's type and its bit-string length: smallserial for a smallint
/// with AutoIncrement; "bit(n)" (bit alone is bit(1), as char alone is char(1)) and
/// "varbit(n)" (without a length unlimited). Name is the lower-case name of the type.
inline std::string PGTypeName(const TFldData& Fld, const std::string& Name) {
  if (Fld.FieldType == iftSmallInt && Fld.AutoIncrement) return "smallserial";
  if ((Fld.FieldType == iftBit && Fld.Size > 1) || (Fld.FieldType == iftVarBit && Fld.Size > 0))
    return Name + InParens(Fld.Size);
  return Name;
}

/// True when F and G, columns of the PostgreSQL tables FTable and GTable, have the same Def()
/// for certain, by the parts it is made of (TFldData::PGSQLTypeDef: keep the two in step);
/// false says only that the texts may differ.
/// A MySQL number column's default given as a quoted number ('0.00', as a converted master
/// writes it): the number, unquoted, as the server reads it back; "" otherwise.
std::string MySQLQuotedNumber(const TFldData& F);

bool PGSameColumnDef(const TFldData& F, const TTblData& FTable, const TFldData& G,
                     const TTblData& GTable);

/// True when the PostgreSQL columns F and G have the same FieldTypeDef for certain, by the
/// parts it is made of for a plain column (keep in step with TFldData::FieldTypeDef); false
/// says only that the texts may differ. Spares the comparer building both texts for every
/// pair of columns.
bool PGSameFieldTypeDef(const TFldData& F, const TFldData& G);

/// "(" + P + "," + S + ")".
inline std::string InParens(std::int32_t P, std::int32_t S) {
  return std::string("(")
      .append(std::to_string(P))
      .append(",")
      .append(std::to_string(S))
      .append(")");
}

/// The type descriptor of a domain, or nullptr.
/// Whether the table must be made anew: it becomes temporary or stops being so, or a Firebird
/// global temporary table keeps its rows for another span (no statement changes either).
inline bool TemporaryChanged(const TTblData& M, const TTblData& T) {
  return M.GlobalTemporary != T.GlobalTemporary ||
         (M.GlobalTemporary && M.OnCommit != T.OnCommit && M.GetDatabaseType() == dbInterBase);
}

inline const TFldData* DomainDescriptor(const TDmnData* D) {
  return D ? D->TypeField.get() : nullptr;
}

/// The names of List quoted by Obj's dialect, joined by ", ".
inline std::string QuotedList(const TDbObj& Obj, const TStringList& List) {
  std::string R;
  for (const std::string& Name : List) {
    if (!R.empty()) R += ", ";
    R += Obj.QuoteIdent(Name);
  }
  return R;
}

/// The SQL Anywhere owner and the dot before a name of Obj's collection; an object read
/// without owner belongs to DBA, the owner the server assumes too.
inline std::string ASAOwnerPrefix(const TDbObj& Obj, const std::string& OwnerName) {
  return (OwnerName.empty() ? std::string("DBA") : Obj.QuoteIdent(OwnerName)) + ".";
}

/// The owner prefix of a table (its Creator), as its own full name says.
inline std::string ASAOwnerPrefix(const TDbObj& Table) {
  return ASAOwnerPrefix(Table, Table.Extra().Creator);
}

/// The length of the single-quoted literal S starts with (inner quotes doubled), with its
/// content in Content; 0 when S starts with none.
std::size_t QuotedLiteral(const std::string& S, std::string& Content);

}  // namespace qel::tbl_detail
