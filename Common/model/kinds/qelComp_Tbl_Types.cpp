// The type text of a column, routine parameter or domain descriptor in each dialect: the type
// name with its length, precision or scale, then the column attributes that follow the type in
// that dialect (character set, default, nullability, identity and the like).
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Gnr.h"
#include "qelComp_Tbl.h"
#include "qelComp_Tbl_Int.h"

namespace qel {

using tbl_detail::DomainDescriptor;
using tbl_detail::InParens;

namespace {

/// The content of S when S is exactly one single-quoted literal (inner quotes doubled).
bool DequoteLiteral(const std::string& S, std::string& Content) {
  return S.size() >= 2 && tbl_detail::QuotedLiteral(S, Content) == S.size();
}

/// "(P,S)" when both are given, "(P)" with the precision alone, else nothing.
std::string PrecisionScale(std::int32_t P, std::int32_t S) {
  if (P == 0) return "";
  return S != 0 ? InParens(P, S) : InParens(P);
}

/// The parenthesised size of a sized type: "(n)" for a positive size, "(MAX)" for -1.
std::string SizeOrMax(std::int32_t Size) {
  if (Size > 0) return InParens(Size);
  return Size == -1 ? "(MAX)" : "";
}

bool IsSizedType(TDBFieldType T) {
  switch (T) {
    case iftVarchar:
    case iftChar:
    case iftBinary:
    case iftNChar:
    case iftNVarChar:
    case iftVarBinary:
      return true;
    default:
      return false;
  }
}

/// A built-in type of SQL Server and ASE: the name with the size of a sized type, or the
/// precision and scale of the types that take them.
std::string SizedTypeName(const TFldData& F) {
  std::string R = FieldTypeName(F.FieldType);
  if (IsSizedType(F.FieldType)) R += SizeOrMax(F.Size);
  if (F.FieldType == iftFloat || F.FieldType == iftNumeric || F.FieldType == iftDecimal)
    R += PrecisionScale(F.Precision, F.Scale);
  return R;
}

/// The default of a column (" DEFAULT value") or of a routine parameter (Param, " = value") in
/// the dialects that write it so; nothing without one.
std::string DefaultClause(const std::string& Default, bool Param) {
  if (Default.empty()) return "";
  return (Param ? " = " : " DEFAULT ") + Default;
}

/// The type name where an unknown type writes nothing (Oracle, DB2).
std::string NameOrNothing(TDBFieldType T) {
  return T == iftUnknown || T >= FieldTypeNames.size() ? std::string() : FieldTypeName(T);
}

}  // namespace

std::string TFldData::TypeDef() const {
  switch (GetDatabaseType()) {
    case dbSybaseASA:
      return ASATypeDef();
    case dbMySQL:
      return MySQLTypeDef();
    case dbOracle:
      return OracleTypeDef();
    case dbMSSQL:
      return MSSQLTypeDef();
    case dbPostgreSQL:
      return PGSQLTypeDef();
    case dbDB2:
      return DB2TypeDef();
    case dbSybaseASE:
      return ASETypeDef();
    default:
      return IBTypeDef();
  }
}

std::string TFldData::IBTypeDef() const {
  std::string R = FieldTypeDef();
  const bool FldCharset = Owner && Owner->IBServerOptions.GetIBCompareOptions().FldCharsetCompare;
  const std::string DBCharSet = Owner ? Owner->IBServerOptions.GetDBCharSet() : std::string();
  if (!Extra().CharSet.empty() && FieldType != iftDomain && !Computed() && FldCharset &&
      (Extra().CharSet != DBCharSet || !Extra().Collation.empty()))
    R += " CHARACTER SET " + Extra().CharSet;
  // An external function's argument passing follows its whole type.
  if (Extra().ReturnParam == 0) {
    if (ByDescriptor) R += " BY DESCRIPTOR";
    if (ByValue) R += " BY VALUE";
  }
  // A column takes its domain's default; repeating it would only hide a later change of the
  // domain. The TYPE OF form takes the type alone, so there the default is always written.
  if (const std::string Default = GetDefValue(); !Default.empty()) {
    const TFldData* D = DomainDescriptor(GetDmnData());
    if (TypeOf || !D || Default != D->GetDefValue()) R += DefaultClause(Default, IsRoutineParam());
  }
  if (!Nullable) R += " NOT NULL";
  if (!Extra().CheckText.empty()) R += " CHECK" + Extra().CheckText;
  if (FldCharset && !Extra().Collation.empty()) R += " COLLATE " + Extra().Collation;
  return R;
}

std::string TFldData::MySQLTypeDef() const {
  // Types of newer servers that the neutral list does not name (UUID, INET6, JSON) go by name.
  std::string R = FieldType == iftDomain ? Extra().DomainName : FieldTypeName(FieldType);
  // A binary column without its length holds a single byte. VARCHAR and VARBINARY always have
  // one, and VARCHAR(0) is a column of its own.
  const bool CharSized =
      ((FieldType == iftChar || FieldType == iftNationalChar || FieldType == iftBinary) &&
       Size > 0) ||
      ((FieldType == iftVarchar || FieldType == iftVarBinary) && Size >= 0);
  if (CharSized) {
    R += InParens(Size);
  } else if (FieldType == iftEnum || FieldType == iftSet) {
    std::string List;
    for (const std::string& V : Extra().Values) List += (List.empty() ? "" : ", ") + V;
    R += "(" + List + ")";
  } else if (FieldType == iftFloat || FieldType == iftDouble || FieldType == iftNumeric ||
             FieldType == iftDecimal) {
    R += PrecisionScale(Precision, Scale);
  } else if (Precision != 0) {
    R += InParens(Precision);  // display width
  }
  if (!Extra().CharSet.empty()) R += " CHARACTER SET " + Extra().CharSet;
  if (!Extra().Collation.empty()) R += " COLLATE " + Extra().Collation;
  if (UnsignedAttr) R += " UNSIGNED";
  if (ZeroFill) R += " ZEROFILL";
  if (BinaryAttr) R += " BINARY";
  // A generated column takes neither NOT NULL nor a default.
  if (!Extra().GeneratedExpr.empty()) return R + " AS " + Extra().GeneratedExpr;
  if (!Nullable) R += " NOT NULL";
  if (const std::string Default = GetDefValue(); !Default.empty()) {
    // A quoted default is written again with MySQL's own escapes, so that a backslash in it
    // reads back as the same character.
    std::string Content;
    R += " DEFAULT " +
         (DequoteLiteral(Default, Content) ? ScriptQuotedStr(Content, dbMySQL) : Default);
  }
  if (AutoIncrement) R += " AUTO_INCREMENT";
  return R;
}

namespace {

/// The MySQL types that carry a character set and collation.
bool MySQLTextType(TDBFieldType T) {
  return T == iftVarchar || T == iftChar || T == iftNationalChar || T == iftTinyText ||
         T == iftText || T == iftMediumText || T == iftLongText || T == iftEnum || T == iftSet;
}

/// The table's collation, or its character set's default when it names none.
std::string MySQLTableCollation(const TTblData& Tbl) {
  const TMySQLTableOptions& O = Tbl.Extra().MySQLOptions;
  return O.Collation.empty() ? MySQLDefaultCollation(O.GetDefCharSet()) : O.Collation;
}

}  // namespace

std::string MySQLDefaultCollation(const std::string& CharSet) {
  static constexpr std::pair<std::string_view, std::string_view> Defaults[] = {
      {"latin1", "latin1_swedish_ci"},   {"utf8mb4", "utf8mb4_general_ci"},
      {"utf8mb3", "utf8mb3_general_ci"}, {"ascii", "ascii_general_ci"},
      {"ucs2", "ucs2_general_ci"},       {"utf16", "utf16_general_ci"},
      {"utf32", "utf32_general_ci"},     {"latin2", "latin2_general_ci"},
      {"cp1251", "cp1251_general_ci"},   {"binary", "binary"}};
  for (const auto& [Set, Collation] : Defaults)
    if (SameText(CharSet, Set)) return std::string(Collation);
  return "";
}

void MySQLNormaliseCharset(TFldData& Fld, const TTblData& Tbl) {
  const std::string& TblSet = Tbl.Extra().MySQLOptions.GetDefCharSet();
  if (Fld.BinaryAttr && Fld.Extra().Collation.empty() && MySQLTextType(Fld.FieldType)) {
    const std::string Set = Fld.Extra().CharSet.empty() ? TblSet : Fld.Extra().CharSet;
    if (!Set.empty()) {
      Fld.SetExtra(&TFldExtra::CharSet, Set);
      Fld.SetExtra(&TFldExtra::Collation, Set + "_bin");
      Fld.BinaryAttr = false;
    }
  }
  if (Fld.Extra().CharSet.empty() && !Fld.Extra().Collation.empty()) {
    if (const auto P = Fld.Extra().Collation.find('_'); P != std::string::npos)
      Fld.SetExtra(&TFldExtra::CharSet, Fld.Extra().Collation.substr(0, P));
  }
  if (!Fld.Extra().CharSet.empty() && Fld.Extra().Collation.empty())
    Fld.SetExtra(&TFldExtra::Collation, MySQLDefaultCollation(Fld.Extra().CharSet));
  if (TblSet.empty() || !SameText(Fld.Extra().CharSet, TblSet)) return;
  if (SameText(Fld.Extra().Collation, MySQLTableCollation(Tbl))) {
    Fld.SetExtra(&TFldExtra::CharSet, std::string());
    Fld.SetExtra(&TFldExtra::Collation, std::string());
  }
}

std::string MySQLEffectiveCollation(const TFldData& Fld, const TTblData& Tbl) {
  if (!MySQLTextType(Fld.FieldType)) return "";
  return Fld.Extra().Collation.empty() ? MySQLTableCollation(Tbl) : Fld.Extra().Collation.str();
}

std::string TFldData::PGSQLTypeDef() const {
  std::string R;
  // A domain, type or collation of another schema is named "schema.name": each part is quoted
  // on its own ("C" stays "C", which the server would read bare as the unknown collation c).
  if (FieldType == iftDomain) {
    R = tbl_detail::PGQualifiedName(*this, Extra().DomainName);
  } else {
    R = tbl_detail::PGTypeName(*this, LowerCase(FieldTypeName(FieldType)));
    // A character column without length is unlimited, which is what MAX (-1) asks for.
    if ((FieldType == iftVarchar || FieldType == iftChar) && Size > 0) R += InParens(Size);
    if (FieldType == iftNumeric || FieldType == iftDecimal) R += PrecisionScale(Precision, Scale);
    R += tbl_detail::PGSecondsPrecision(*this);
    if (FieldType == iftTimeTZ || FieldType == iftTimeStampTZ) R += " with time zone";
    if (!Extra().CharSet.empty()) R += " character set " + Extra().CharSet;
  }
  R += tbl_detail::PGArrayBrackets(Extra().ArrayBounds);
  // COLLATE follows the whole type, array brackets included.
  if (FieldType != iftDomain && !Extra().Collation.empty())
    R += " collate " + tbl_detail::PGQualifiedName(*this, Extra().Collation);
  if (!Nullable) R += " not null";
  if (const std::string Default = GetDefValue(); !Default.empty()) R += " default " + Default;
  return R;
}

namespace tbl_detail {

std::string PGQualifiedName(const TDbObj& Obj, const std::string& Name) {
  const std::size_t Dot = Name.find('.');
  if (Dot == std::string::npos || Dot == 0 || Dot + 1 >= Name.size()) return Obj.QuoteIdent(Name);
  // A dot inside a quoted name is part of it: split, the server would look for a schema.
  const auto* Objs = dynamic_cast<const TObjs*>(Obj.Owner);
  if (Objs && Objs->GetDomain(Name)) return Obj.QuoteIdent(Name);
  return Obj.QuoteIdent(Name.substr(0, Dot)) + "." + Obj.QuoteIdent(Name.substr(Dot + 1));
}

bool PGSameColumnDef(const TFldData& F, const TTblData& FTable, const TFldData& G,
                     const TTblData& GTable) {
  // Def is the quoted name, a blank and PGSQLTypeDef; a column of a table has no in/out word
  // and no schema of its own, and PostgreSQL quoting looks at the name alone.
  return F.GetDatabaseType() == dbPostgreSQL && G.GetDatabaseType() == dbPostgreSQL &&
         F.OwnerObj == &FTable && G.OwnerObj == &GTable && F.GetSchema().empty() &&
         G.GetSchema().empty() && F.GetObjName() == G.GetObjName() && F.FieldType == G.FieldType &&
         F.Size == G.Size && F.Precision == G.Precision && F.Scale == G.Scale &&
         F.AutoIncrement == G.AutoIncrement && F.Nullable == G.Nullable &&
         F.Extra().ArrayBounds.empty() == G.Extra().ArrayBounds.empty() &&
         F.Extra().DomainName == G.Extra().DomainName && F.Extra().CharSet == G.Extra().CharSet &&
         F.Extra().Collation == G.Extra().Collation && F.DefValue == G.DefValue;
}

bool PGSameFieldTypeDef(const TFldData& F, const TFldData& G) {
  // A plain column's text is its type name (smallserial by AutoIncrement), the size, the
  // seconds precision or the precision and scale, and "[]" for an array. A parameter named by
  // RETURNS, a domain, a computed column and a BLOB (its segment size looks at the owner) take
  // the long way.
  const auto Plain = [](const TFldData& X) {
    return X.GetDatabaseType() == dbPostgreSQL && X.Extra().ReturnParam == 0 &&
           X.FieldType != iftDomain && X.FieldType != iftBlob && !X.Computed();
  };
  return Plain(F) && Plain(G) && F.FieldType == G.FieldType && F.Size == G.Size &&
         F.Precision == G.Precision && F.Scale == G.Scale && F.AutoIncrement == G.AutoIncrement &&
         F.Extra().ArrayBounds.empty() == G.Extra().ArrayBounds.empty() && PGSameCollation(F, G);
}

bool PGSameCollation(const TFldData& F, const TFldData& G) {
  // The collations of pg_catalog are found without their schema; "default" is the one a
  // column without COLLATE has.
  const auto Key = [](const std::string& Name) {
    const std::string_view Schema = "pg_catalog.";
    std::string_view N = Name;
    if (N.substr(0, Schema.size()) == Schema) N.remove_prefix(Schema.size());
    return N == "default" ? std::string_view() : N;
  };
  return Key(F.Extra().Collation) == Key(G.Extra().Collation);
}

}  // namespace tbl_detail

std::string TFldData::ASATypeDef() const {
  std::string R;
  if (!Extra().DomainName.empty()) {
    R = QuoteIdent(Extra().DomainName);
  } else {
    R = FieldTypeName(FieldType);
    if (IsSizedType(FieldType) && Size > 1) R += InParens(Size);
    // A scale or precision left out would be the server's default, not the one read.
    if ((FieldType == iftNumeric || FieldType == iftDecimal) && Precision != 0)
      R += PrecisionScale(Precision, Scale);
  }
  const bool Param = IsRoutineParam();
  R += DefaultClause(GetDefValue(), Param);
  if (InOut == ioOut) R += " OUTPUT";
  if (!Extra().Collation.empty()) R += " COLLATE " + Extra().Collation;
  if (Identity)
    R += " IDENTITY (" + std::to_string(Extra().IdentitySeed) + ", " +
         std::to_string(Extra().IdentityIncrement) + ")";
  if (RowGuidCol) R += " ROWGUIDCOL";
  if (!Param) R += Nullable ? " NULL" : " NOT NULL";
  if (!Param && !Extra().CheckText.empty()) R += " CHECK " + Extra().CheckText;
  return R;
}

std::string TFldData::ASETypeDef() const {
  std::string R;
  if (JavaClass) {
    R = "java.lang." + Extra().JavaClassName;
    if (Precision != 0) R += Scale != 0 ? InParens(Precision, Scale) : InParens(Precision);
  } else if (FieldType == iftDomain) {
    R = QuoteIdent(Extra().DomainName);
  } else if (Computed()) {
    return "AS " + Extra().Body;
  } else if (FieldType == iftTable) {
    return Extra().TableType ? Extra().TableType->TypeDef() : std::string("TABLE");
  } else {
    R = SizedTypeName(*this);
  }
  const bool Param = IsRoutineParam();
  R += DefaultClause(GetDefValue(), Param);
  if (!Extra().Collation.empty()) R += " COLLATE " + Extra().Collation;
  if (Identity) R += " IDENTITY";
  if (!Param) R += Nullable ? " NULL" : " NOT NULL";
  return R;
}

std::string TFldData::MSSQLTypeDef() const {
  std::string R;
  if (FieldType == iftDomain) {
    if (!Extra().DomainSchema.empty()) R = QuoteIdent(Extra().DomainSchema) + ".";
    R += QuoteIdent(Extra().DomainName);
  } else if (Computed()) {
    R = "AS " + Extra().Body;
    if (Persisted) R += " PERSISTED";
  } else if (FieldType == iftXml) {
    R = "XML";
    if (!Extra().XmlSchema.empty()) R += " " + Extra().XmlSchema;
  } else if (FieldType == iftTable) {
    return Extra().TableType ? Extra().TableType->TypeDef() : std::string("TABLE");
  } else {
    R = SizedTypeName(*this);
  }
  const bool Param = IsRoutineParam();
  R += DefaultClause(GetDefValue(), Param);
  if (InOut == ioOut) R += " OUTPUT";
  // A user type's descriptor takes the collation of the database.
  if (!Extra().Collation.empty() && !dynamic_cast<const TDmnData*>(OwnerObj))
    R += " COLLATE " + Extra().Collation;
  if (Identity) {
    R += " IDENTITY";
    if (Extra().IdentityIncrement != 0)
      R += " (" + std::to_string(Extra().IdentitySeed) + ", " +
           std::to_string(Extra().IdentityIncrement) + ")";
  }
  if (RowGuidCol) R += " ROWGUIDCOL";
  if (!Computed() && !Param) R += Nullable ? " NULL" : " NOT NULL";
  return R;
}

std::string TFldData::OracleTypeDef() const {
  const std::string Ref = RefType ? "REF " : "";
  std::string R =
      Ref + (Extra().DomainName.empty() ? NameOrNothing(FieldType) : Extra().DomainName);
  switch (FieldType) {
    case iftVarchar:
    case iftChar:
    case iftVarChar2:
    case iftNChar:
    case iftNVarChar:
    case iftNVarChar2:
    case iftRaw:
      // Oracle has no unlimited form; a MAX length from another dialect is not written.
      if (Size >= 0) R += InParens(Size);
      break;
    case iftIntervalYearToMonth:
      if (Precision != 0) R = Ref + "INTERVAL YEAR(" + std::to_string(Precision) + ") TO MONTH";
      break;
    case iftIntervalDayToSecond:
      if (Precision != 0 || Scale != 0) {
        R = Ref + "INTERVAL DAY";
        if (Precision != 0) R += InParens(Precision);
        R += " TO SECOND";
        if (Scale != 0) R += InParens(Scale);
      }
      break;
    case iftFloat:
    case iftNumber:
    case iftNumeric:
    case iftDecimal:
    case iftURowID:
      R += PrecisionScale(Precision, Scale);
      break;
    case iftTimeStamp:
      if (WithTimeZone)
        R += " WITH TIME ZONE";
      else if (WithLocalTimeZone)
        R += " WITH LOCAL TIME ZONE";
      break;
    default:
      break;
  }
  if (const std::string Default = GetDefValue(); !Default.empty())
    R += (R.empty() ? "" : " ") + std::string("DEFAULT ") + Default;
  if (!Nullable) R += " NOT NULL";
  return R;
}

std::string TFldData::DB2TypeDef() const {
  std::string R;
  if (FieldType == iftDomain) {
    R = Extra().DomainName;
  } else {
    R = NameOrNothing(FieldType);
    if ((FieldType == iftVarchar || FieldType == iftChar || FieldType == iftBlob ||
         FieldType == iftClob) &&
        Size > 0)
      R += InParens(Size);
    if ((FieldType == iftNumeric || FieldType == iftDecimal) && Precision != 0)
      R += InParens(Precision, Scale);
  }
  if (ForBitData) R += " FOR BIT DATA";
  if (Extra().Logged == 0) R += " NOT LOGGED";
  if (Extra().Logged == 1) R += " LOGGED";
  if (Extra().Compact == 0) R += " NOT COMPACT";
  if (Extra().Compact == 1) R += " COMPACT";
  if (!Nullable) R += " NOT NULL";
  if (GeneratedKind == 'A' || GeneratedKind == 'D') {
    R += GeneratedKind == 'A' ? " GENERATED ALWAYS " : " GENERATED BY DEFAULT ";
    if (Identity)
      R += "AS IDENTITY" +
           (Extra().IdentityGenerator ? Extra().IdentityGenerator->ParamDef() : std::string());
    else
      R += "AS(" + Extra().GeneratedExpr + ")";
  }
  if (const std::string Default = GetDefValue(); !Default.empty()) R += " WITH DEFAULT " + Default;
  return R;
}

}  // namespace qel
