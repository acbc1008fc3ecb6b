// Alteration of a matched InterBase/Firebird column in place: the conversion-safety rule, the
// property-by-property driver, the ALTER COLUMN TYPE form and the rewrite through the system
// tables that the servers without DDL for a change leave as the only way.
//
// Firebird 3 and later keep their system tables read-only: there the DDL forms are used where
// the server has one, and a system-table write is kept as a comment (see TAlterRun::AddSys).
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Tbl_Alter.h"
#include "qelComp_Tbl_Int.h"

namespace qel {

namespace {

const char* const TempDomain = "IBCXXX";
const char* const TempColumn = "IBCTEMP";

/// S as an SQL string literal: apostrophes doubled, so a name cannot end the literal.
std::string Lit(const std::string& S) {
  return QuotedStr(S, '\'');
}

std::string Num(std::int64_t N) {
  return std::to_string(N);
}

bool NamesDomain(const TFldData& F) {
  return !F.Extra().DomainName.empty();
}

/// The type descriptor of the domain F names, looked up in F's own collection; nullptr when F
/// names none or the domain is missing.
const TFldData* DomainOf(const TFldData& F) {
  if (!NamesDomain(F)) return nullptr;
  const auto* Objs = dynamic_cast<const TObjs*>(F.Owner);
  return Objs ? tbl_detail::DomainDescriptor(Objs->GetDomain(F.Extra().DomainName)) : nullptr;
}

bool IsString(TDBFieldType T) {
  return T == iftVarchar || T == iftChar || T == iftCstring;
}

bool IsFloating(TDBFieldType T) {
  return T == iftFloat || T == iftDoublePrecision || T == iftDouble;
}

/// Bytes one character takes at most in the character sets that take more than one.
int BytesPerChar(const std::string& CharSet) {
  static const std::pair<const char*, int> Wide[] = {
      {"UTF8", 4},     {"UNICODE_FSS", 3}, {"GB18030", 4}, {"SJIS_0208", 2}, {"EUCJ_0208", 2},
      {"KSC_5601", 2}, {"BIG_5", 2},       {"GB_2312", 2}, {"GBK", 2},       {"CP943C", 2}};
  const std::string Up = UpperCase(CharSet);
  for (const auto& [Name, Bytes] : Wide)
    if (Up == Name) return Bytes;
  return 1;
}

/// The storage length in bytes: as the catalog gave it, or from the length and the character
/// set for a column read from a script.
std::int32_t ByteLength(const TFldData& F) {
  if (F.Length != 0) return F.Length;
  return F.Size * BytesPerChar(F.DefaultCharSet());
}

/// The type the safety rule compares: a Numeric or Decimal by the type that stores it.
TDBFieldType RuleType(const TFldData& F) {
  if ((F.FieldType == iftNumeric || F.FieldType == iftDecimal) && F.StorageType != iftUnknown)
    return F.StorageType;
  return F.FieldType;
}

/// The character length ALTER COLUMN TYPE judges a shortening by.
std::int32_t StringLength(const TFldData& F) {
  std::int32_t N = IsString(F.FieldType) && !F.Computed() ? F.Size : 0;
  if (const TFldData* D = DomainOf(F); D && IsString(D->FieldType)) N = D->Size;
  return N;
}

bool AnyBlob(const TFldData& M, const TFldData& T) {
  const TFldData* DM = DomainOf(M);
  const TFldData* DT = DomainOf(T);
  return M.FieldType == iftBlob || T.FieldType == iftBlob || (DM && DM->FieldType == iftBlob) ||
         (DT && DT->FieldType == iftBlob);
}

/// The WHERE tail that finds the column's implicit domain (apostrophes of the names doubled).
std::string TailQ(const std::string& TN, const std::string& FN) {
  return "\r\n  WHERE RDB$FIELD_NAME=(SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS\r\n"
         "  WHERE RDB$FIELD_NAME=" +
         Lit(FN) + " AND RDB$RELATION_NAME=" + Lit(TN) + ")";
}

std::string TailS(const std::string& TN, const std::string& FN) {
  return "\r\n  WHERE RDB$FIELD_NAME = (SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS\r\n"
         "  WHERE RDB$FIELD_NAME = " +
         Lit(FN) + " AND RDB$RELATION_NAME = " + Lit(TN) + ")\r\n";
}

std::string RelationFieldWhere(const std::string& TN, const std::string& FN) {
  return "WHERE RDB$FIELD_NAME=" + Lit(FN) + " AND RDB$RELATION_NAME=" + Lit(TN);
}

std::string Place(const std::string& TN, const std::string& FN) {
  return " /" + TN + "(" + FN + ")/";
}

bool IsExactNumeric(const TFldData& F) {
  return F.FieldType == iftNumeric || F.FieldType == iftDecimal;
}

bool IBNumericNarrows(const TFldData& M, const TFldData& T) {
  // The server keeps the digits before the point of an exact numeric type: a change that has
  // fewer of them (NUMERIC(12,3) to NUMERIC(10,2), or one that takes a smaller storage type)
  // it refuses.
  if (!IsExactNumeric(M) || !IsExactNumeric(T) || M.Precision <= 0 || T.Precision <= 0)
    return false;
  const auto Whole = [](const TFldData& F) { return F.Precision - std::abs(F.Scale); };
  return Whole(M) < Whole(T);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

int IBAllowDataTypeAlter(const TFldData& M, const TFldData& T) {
  const TFldData* To = &M;
  const TFldData* From = &T;
  if (NamesDomain(M)) {
    To = DomainOf(M);
    if (!To) return 1;
  }
  if (NamesDomain(T)) {
    From = DomainOf(T);
    if (!From) return 1;
  }
  int R = 1;
  if (To->FieldType == From->FieldType && To->StorageType == From->StorageType) {
    if (To->FieldType == iftVarchar || To->FieldType == iftChar)
      R = To->Size > From->Size ? 1 : To->Size < From->Size ? -1 : 0;
    else
      R = IBNumericNarrows(*To, *From) ? -1 : 0;
  } else {
    const TDBFieldType F = RuleType(*From);
    const TDBFieldType Tt = RuleType(*To);
    auto Unsafe = [&](std::initializer_list<TDBFieldType> Set) {
      for (TDBFieldType X : Set)
        if (Tt == X) return true;
      return false;
    };
    switch (F) {
      case iftInteger:
        R = Unsafe({iftFloat, iftDoublePrecision, iftSmallInt}) ? -1 : 1;
        break;
      case iftBigInt:
        R = Unsafe({iftInteger, iftFloat, iftDoublePrecision, iftSmallInt}) ? -1 : 1;
        break;
      case iftFloat:
        R = Tt == iftDoublePrecision ? 1 : -1;
        break;
      case iftDoublePrecision:
      case iftBlob:
        R = -1;
        break;
      case iftVarchar:
      case iftChar:
        R = Tt == iftVarchar || Tt == iftChar ? 1 : -1;
        break;
      case iftSmallInt:
        R = Unsafe({iftInteger, iftBigInt, iftFloat, iftDoublePrecision}) ? 1 : -1;
        break;
      default:
        R = 1;
        break;
    }
  }
  if (To->ArrayBoundsDiff(*From)) R = -1;
  return R;
}

// ---------------------------------------------------------------------------------------------

void IBAlterColumnType(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T) {
  if (M.FieldTypeDef() == T.FieldTypeDef()) return;
  const std::string TN = MTbl.GetObjName();
  const std::string FN = M.GetObjName();
  const std::string S = "ALTER TABLE " + Run.Quote(TN) + " ALTER COLUMN " + Run.Quote(FN) +
                        " TYPE " + M.FieldTypeDef();
  const std::int32_t ML = StringLength(M);
  const std::int32_t TL = StringLength(T);
  TStatement* Stmt = nullptr;
  if (AnyBlob(M, T)) {
    Stmt = Run.Comment(T, "BLOB-datatype conversion not supported:\r\n" + S);
  } else if (ML > 0 && TL > 0 && ML < TL) {
    if (Run.IBAllowConversion())
      IBAlterColumnBySysTables(Run, MTbl, M, T);
    else
      Stmt = Run.Comment(T, "String-length truncation not supported:\r\n" + S);
  } else {
    T.DoBeforeDrop();
    if (Run.IBAllowConversion() && T.FieldType == iftInteger && M.FieldType == iftSmallInt)
      IBAlterColumnBySysTables(Run, MTbl, M, T);
    else if (M.ArrayBoundsDiff(T))
      Stmt = Run.Comment(T, "Array conversion not supported:\r\n" + S);
    else
      Stmt = Run.AddAlter(S, FN, TN);
  }
  Run.Work("DataType conversion: " + T.FieldTypeDef() + " -> " + M.FieldTypeDef() + Place(TN, FN),
           Stmt);
}

// ---------------------------------------------------------------------------------------------

namespace {

/// The column of MTbl that M names is retyped by writes to the system tables; Last is the last
/// statement written (or the comment that stands for it).
struct TSysWriter {
  TAlterRun& Run;
  const TFldData& M;
  const std::string TN;
  const std::string FN;
  TStatement* Last = nullptr;

  void operator()(const std::string& Text) { Last = Run.AddSys(M, Text, FN, TN); }
};

/// A simply typed column takes the domain M names.
void SimpleTypeToDomain(TAlterRun& Run, TTblData& MTbl, TFldData& M) {
  const std::string TN = MTbl.GetObjName();
  const std::string FN = M.GetObjName();
  TStatement* S =
      Run.AddSys(M,
                 "Update rdb$Relation_Fields set Rdb$Field_Source = " + Lit(M.Extra().DomainName) +
                     "\r\n" + RelationFieldWhere(TN, FN),
                 FN, TN);
  Run.Work("SimpleType > Domain conversion", S);
  MTbl.SetViewsReCreateFlag();
}

/// A column typed by a domain takes over the implicit domain of a temporary column of M's type.
void DomainToSimpleType(TAlterRun& Run, TTblData& MTbl, TFldData& M) {
  const std::string TN = MTbl.GetObjName();
  const std::string FN = M.GetObjName();
  TFldData Temp(&Run.Master);
  Temp.Assign(M);
  Temp.SetObjName(TempColumn);
  const std::string Add = "Alter Table " + Run.Quote(TN) + " ADD " + Temp.Def();
  const std::string Move =
      "Update Rdb$Relation_Fields Set Rdb$Field_Source=\r\n"
      "(Select R.Rdb$Field_Source from Rdb$Relation_Fields R\r\n"
      "where R.Rdb$Relation_Name = " +
      Lit(TN) + " and R.Rdb$Field_Name=" + Lit(TempColumn) + ")" + "\r\n" +
      RelationFieldWhere(TN, FN);
  const std::string Drop = "Alter Table " + Run.Quote(TN) + " DROP " + TempColumn;
  TStatement* S = nullptr;
  if (Run.IBSysTablesReadOnly()) {
    // Without the middle step the temporary column would only come and go.
    S = Run.Comment(M, "The server's system tables are read-only; not run:\r\n" + Add + ";\r\n" +
                           Move + ";\r\n" + Drop);
  } else {
    Run.AddAlter(Add, FN, TN);
    S = Run.AddSys(M, Move, FN, TN);
    Run.AddAlter(Drop, FN, TN);
  }
  Run.Work("Domain > SimpleType conversion", S);
  MTbl.SetViewsReCreateFlag();
}

/// Length and type code in RDB$FIELDS of the types that take no more than those two.
struct TSysTypeCode {
  TDBFieldType Type;
  const char* Length;
  std::int32_t Code;
  const char* Tail;  ///< after the WHERE tail
};

const TSysTypeCode SysTypeCodes[] = {
    {iftDoublePrecision, "8", ibtDouble, ""}, {iftFloat, "4", ibtFloat, "\r\n"},
    {iftBigInt, "8", ibtBigInt, ""},          {iftInteger, "4", ibtInteger, ""},
    {iftSmallInt, "2", ibtSmallInt, ""},
};

/// The exact numeric types: the storage type follows the precision (a 64-bit integer from
/// ODS 10 on, a double before it).
std::string SysExactType(const TAlterRun& Run, const TFldData& M, const std::string& Q) {
  std::int32_t Code = ibtSmallInt;
  std::string Len = "2";
  if (M.Precision > 9) {
    const bool Int64 = Run.Target.IBServerOptions.ODS_GE10();
    Code = Int64 ? ibtBigInt : ibtDouble;
    Len = "8";
  } else if (M.Precision > 4) {
    Code = ibtInteger;
    Len = "4";
  }
  return "UPDATE RDB$FIELDS SET RDB$FIELD_LENGTH=" + Len + ", RDB$FIELD_TYPE=" + Num(Code) +
         ",\r\n" + "RDB$CHARACTER_LENGTH=0, RDB$FIELD_PRECISION=" + Num(M.Precision) +
         ", RDB$FIELD_SCALE=" + Num(-static_cast<std::int64_t>(M.Scale)) +
         ", RDB$FIELD_SUB_TYPE=" + (M.FieldType == iftNumeric ? "1" : "2") + Q;
}

/// The RDB$FIELDS update that gives the column's implicit domain M's type (Type, which may
/// differ from M's for dates of dialect 1); empty when the type has none.
std::string SysTypeUpdate(const TAlterRun& Run, const TFldData& M, TDBFieldType Type,
                          const std::string& Q, const std::string& S) {
  for (const TSysTypeCode& C : SysTypeCodes)
    if (C.Type == Type)
      return std::string("UPDATE RDB$FIELDS SET\r\n RDB$FIELD_LENGTH=") + C.Length +
             ", RDB$FIELD_TYPE=" + Num(C.Code) + Q + C.Tail;
  switch (Type) {
    case iftNumeric:
    case iftDecimal:
      return SysExactType(Run, M, Q);
    case iftVarchar:
    case iftChar:
      if (ByteLength(M) == 0) return {};
      return "UPDATE RDB$FIELDS SET\r\n RDB$FIELD_LENGTH=" + Num(ByteLength(M)) +
             ", RDB$CHARACTER_LENGTH=" + Num(M.Size) +
             ",\r\n RDB$FIELD_TYPE=" + Num(Type == iftVarchar ? ibtVarchar : ibtChar) + Q + "\r\n";
    case iftBlob:
      return "UPDATE RDB$FIELDS\r\n SET RDB$FIELD_LENGTH=8,\r\n RDB$FIELD_TYPE=" + Num(ibtBlob) +
             ", RDB$FIELD_SUB_TYPE=" + Num(M.SubType) + Q + "\r\n";
    case iftDate:
    case iftTime:
    case iftTimeStamp: {
      const std::int32_t Code = Type == iftDate   ? ibtDate
                                : Type == iftTime ? ibtTime
                                                  : ibtTimeStamp;
      const char* Len = Type == iftTimeStamp ? "8" : "4";
      return std::string("UPDATE RDB$FIELDS\r\n SET RDB$FIELD_LENGTH=") + Len + ",\r\n" +
             "  RDB$FIELD_TYPE = " + Num(Code) + S;
    }
    default:
      return {};
  }
}

bool IsExact(const TFldData& F) {
  return F.FieldType == iftNumeric || F.FieldType == iftDecimal;
}

/// Scale and precision of an exact number that stays exact.
void SysExactDigits(TSysWriter& Sys, const TFldData& M, const TFldData& T, const std::string& S) {
  if (!IsExact(M) || !IsExact(T)) return;
  if (M.Scale != T.Scale)
    Sys("UPDATE RDB$FIELDS SET RDB$FIELD_SCALE = " + Num(-static_cast<std::int64_t>(M.Scale)) + S);
  if (M.Precision != T.Precision)
    Sys("UPDATE RDB$FIELDS SET RDB$FIELD_PRECISION = " + Num(M.Precision) + S);
}

/// New bounds of an array column; a change in the number of dimensions cannot be written.
void SysArrayBounds(TSysWriter& Sys, const TFldData& M, TFldData& T) {
  if (!M.ArrayBoundsDiff(T)) return;
  if (M.Extra().ArrayBounds.size() != T.Extra().ArrayBounds.size()) {
    Sys.Last = Sys.Run.Comment(T, "Array conversion - not supported: " + Sys.Run.Quote(Sys.TN) +
                                      "(" + Sys.Run.Quote(Sys.FN) + ")");
    return;
  }
  for (std::size_t I = 0; I < M.Extra().ArrayBounds.size(); ++I) {
    if (M.Extra().ArrayBounds[I] == T.Extra().ArrayBounds[I]) continue;
    Sys("update rdb$field_dimensions set rdb$lower_bound = " + Num(M.Extra().ArrayBounds[I].Lower) +
        ", rdb$upper_bound = " + Num(M.Extra().ArrayBounds[I].Upper) + "\r\n" +
        "where rdb$field_name = (select rdb$field_source from rdb$relation_fields\r\n" +
        "where rdb$relation_name = " + Lit(Sys.TN) + " and rdb$field_name = " + Lit(Sys.FN) + ")" +
        "\r\n" + "and rdb$dimension = " + Num(static_cast<std::int64_t>(I)));
  }
}

}  // namespace

void IBAlterColumnBySysTables(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T) {
  const bool MDomain = NamesDomain(M);
  const bool TDomain = NamesDomain(T);
  if (MDomain && !TDomain) return SimpleTypeToDomain(Run, MTbl, M);
  if (!MDomain && TDomain) return DomainToSimpleType(Run, MTbl, M);
  if (MDomain && TDomain) return;  // domain to domain is the driver's step B
  if (M.FieldTypeDef() == T.FieldTypeDef() || M.Computed()) return;

  TSysWriter Sys{Run, M, MTbl.GetObjName(), M.GetObjName()};
  const std::string C = "Alter Field: " + M.QuoteIdent(Sys.TN) + "." + M.QuoteIdent(Sys.FN) +
                        ": (" + T.TypeDef() + " -> " + M.TypeDef() + ")";
  Run.Comment(M, C);
  const std::string S = TailS(Sys.TN, Sys.FN);
  TDBFieldType Type = M.FieldType;
  if (Type == iftDate && Run.Target.IBServerOptions.GetSQLDialect() == 1) Type = iftTimeStamp;
  if (const std::string Text = SysTypeUpdate(Run, M, Type, TailQ(Sys.TN, Sys.FN), S); !Text.empty())
    Sys(Text);
  SysExactDigits(Sys, M, T, S);
  SysArrayBounds(Sys, M, T);
  Run.Work(C, Sys.Last);
  if (Sys.Last) MTbl.SetViewsReCreateFlag();
}

// ---------------------------------------------------------------------------------------------

namespace {

/// Step K on the servers without ALTER COLUMN ... SET DEFAULT: the default of a temporary
/// domain is copied into the column.
void DefaultThroughTempDomain(TAlterRun& Run, TTblData& MTbl, TFldData& M) {
  const std::string TN = MTbl.GetObjName();
  const std::string FN = M.GetObjName();
  TFldData Temp(&Run.Master);
  Temp.Assign(M);
  if (const TFldData* D = DomainOf(M)) Temp.Assign(*D);
  Temp.SetObjName(TempDomain);
  Temp.DefValue = M.GetDefValue();
  Run.AddAlter("CREATE DOMAIN " + Temp.Def(), FN, TN);
  TStatement* Carried = Run.AddSys(
      M,
      std::string("UPDATE RDB$RELATION_FIELDS SET RDB$DEFAULT_SOURCE=\r\n") +
          "(SELECT RDB$DEFAULT_SOURCE FROM RDB$FIELDS where RDB$FIELD_NAME='IBCXXX'),\r\n" +
          "RDB$DEFAULT_VALUE=\r\n" +
          "(SELECT RDB$DEFAULT_VALUE FROM RDB$FIELDS where RDB$FIELD_NAME='IBCXXX')\r\n" +
          RelationFieldWhere(TN, FN),
      FN, TN);
  Run.AddAlter(std::string("DROP DOMAIN ") + TempDomain, FN, TN);
  if (!NamesDomain(M))
    Carried = Run.AddSys(M,
                         "UPDATE RDB$FIELDS SET RDB$DEFAULT_VALUE = NULL,\r\n"
                         "RDB$DEFAULT_SOURCE = '' WHERE RDB$FIELD_NAME =\r\n"
                         "(SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS\r\n"
                         "WHERE RDB$FIELD_NAME = " +
                             Lit(FN) + " AND RDB$RELATION_NAME = " + Lit(TN) + ")",
                         FN, TN);
  Run.Work("DataType conversion: DEFAULT difference" + Place(TN, FN), Carried);
}

}  // namespace

namespace {

/// One matched column altered in place, step by step: A. to E. (the first that applies) and
/// F. to L. (each that applies), in the order the statements must run.
class TIBColumnAlter {
 public:
  TIBColumnAlter(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T, bool& Written)
      : Run(Run),
        MTbl(MTbl),
        M(M),
        T(T),
        Written(Written),
        TN(MTbl.GetObjName()),
        FN(M.GetObjName()),
        Old(Run.IBOldServer()),
        Allow(Run.IBAllowConversion()),
        Charsets(Run.IBFldCharsetCompare()),
        QTable(Run.Quote(TN)),
        QCol(Run.Quote(FN)) {}

  void Apply() {
    FirstTypeChange();
    Collation();
    Blob();
    if (M.FieldType == iftUnknown && T.FieldType == iftUnknown &&
        M.Extra().DomainName != T.Extra().DomainName)
      // I. Two columns typed by domains the model cannot tell apart otherwise.
      Run.Work("-- Table: " + TN + " Field: " + FN + " [Domain-defined Field's difference]",
               nullptr);
    Nullability();
    Default();
    TakeDomain();
  }

 private:
  TAlterRun& Run;
  TTblData& MTbl;
  TFldData& M;
  TFldData& T;
  bool& Written;
  const std::string TN;
  const std::string FN;
  const bool Old;
  const bool Allow;
  const bool Charsets;
  const std::string QTable;
  const std::string QCol;

  TStatement* Sys(const std::string& Text) { return Run.AddSys(M, Text, FN, TN); }

  /// A. to E.: the first that applies.
  void FirstTypeChange() {
    if (M.FieldTypeDef() != T.FieldTypeDef() && !M.Computed() && M.FieldType != iftDomain)
      DataType();
    else if (M.FieldType == iftDomain && T.FieldType == iftDomain &&
             M.Extra().DomainName != T.Extra().DomainName)
      ReplaceDomain();
    else if (M.Extra().Body != T.Extra().Body)
      ComputedBody();
    else if (M.Size != T.Size && !M.Computed() && IsString(M.FieldType) &&
             T.FieldType == M.FieldType)
      Length();
    else if (Charsets && M.Extra().CharSet != T.Extra().CharSet &&
             (IsString(M.FieldType) || M.FieldType == iftBlob))
      CharSet();
  }

  /// A. Another data type.
  void DataType() {
    if (Old) {
      if (Allow || IBAllowDataTypeAlter(M, T) >= 0) IBAlterColumnBySysTables(Run, MTbl, M, T);
      return;
    }
    if ((IsFloating(M.FieldType) && T.FieldType == iftTimeStamp) ||
        (IsFloating(T.FieldType) && M.FieldType == iftTimeStamp)) {
      IBAlterColumnBySysTables(Run, MTbl, M, T);
      return;
    }
    if (IBAllowDataTypeAlter(M, T) >= 0)
      IBAlterColumnType(Run, MTbl, M, T);
    else if (Allow)
      IBAlterColumnBySysTables(Run, MTbl, M, T);
    else
      Run.Comment(T, "WARNING:\r\nCannot perform safe conversion of " + QTable + "." + QCol +
                         " datatype from " + T.FieldTypeDef() + " to " + M.FieldTypeDef());
  }

  /// B. Another domain.
  void ReplaceDomain() {
    // A read-only catalog leaves ALTER COLUMN TYPE, which takes a domain as the new type.
    if ((!Old && !Allow) || Run.IBSysTablesReadOnly()) {
      IBAlterColumnType(Run, MTbl, M, T);
    } else {
      TStatement* S =
          Sys("UPDATE RDB$RELATION_FIELDS SET RDB$FIELD_SOURCE=" + Lit(M.Extra().DomainName) + " " +
              RelationFieldWhere(TN, FN) + "\r\n");
      Run.Work("DataType conversion: replace DOMAIN /" + TN + " (" + FN + ")/", S);
    }
    MTbl.SetViewsReCreateFlag();
  }

  /// C. Another computing expression: the column is dropped and added again.
  void ComputedBody() {
    Run.Comment(M, "Alter Field (Computed)...");
    Written = true;
    T.DropDependDef();
    M.SetObjCreated(false);
    M.CreateDependDef();
    MTbl.SetViewsReCreateFlag();
  }

  /// D. Another length of a string.
  void Length() {
    Run.Comment(M, "Alter Field (Length): from " + Num(T.Size) + " to " + Num(M.Size) + "...");
    Written = true;
    if (!Old) {
      IBAlterColumnType(Run, MTbl, M, T);
    } else {
      TStatement* S =
          Sys("UPDATE RDB$FIELDS SET RDB$FIELD_LENGTH=" + Num(ByteLength(M)) +
              ", RDB$CHARACTER_LENGTH=" + Num(M.Size) + "\r\n" +
              "  WHERE RDB$FIELD_NAME=(SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS\r\n" +
              "  WHERE RDB$RELATION_NAME=" + Lit(TN) + " AND  RDB$FIELD_NAME=" + Lit(FN) + ")\r\n");
      Run.Work("DataType conversion: field LENGTH change" + Place(TN, FN) + " from " + Num(T.Size) +
                   " to " + Num(M.Size),
               S);
    }
    MTbl.SetViewsReCreateFlag();
  }

  /// E. Another character set.
  void CharSet() {
    TStatement* S = nullptr;
    if (M.Extra().CharSet.empty() || M.Extra().CharSet == "NONE") {
      if (T.Extra().CharSet != "NONE") {
        T.DoBeforeDrop();
        S =
            Sys("UPDATE RDB$FIELDS SET RDB$Character_Set_ID = NULL\r\n"
                "  WHERE RDB$FIELD_NAME=(SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS\r\n"
                "  WHERE RDB$RELATION_NAME=" +
                Lit(TN) + " and RDB$FIELD_NAME=" + Lit(FN) + ")\r\n");
      }
    } else {
      T.DoBeforeDrop();
      S =
          Sys("UPDATE RDB$FIELDS SET RDB$Character_Set_ID =\r\n"
              "(Select C.Rdb$Character_Set_ID from Rdb$Character_Sets C\r\n"
              "where C.Rdb$Character_Set_Name=" +
              Lit(M.Extra().CharSet) + ")\r\n" + TailQ(TN, FN).substr(2) + "\r\n");
    }
    Run.Work("DataType conversion: Charset difference" + Place(TN, FN), S);
    MTbl.SetViewsReCreateFlag();
  }

  /// F. Collation.
  void Collation() {
    if (!Charsets || M.Extra().Collation == T.Extra().Collation || M.Computed() || !M.IsCharType())
      return;
    const std::string Where = "  " + RelationFieldWhere(TN, FN) + "\r\n";
    if (M.Extra().Collation.empty()) {
      TStatement* S = Sys("UPDATE RDB$RELATION_FIELDS SET RDB$Collation_ID = Null\r\n" + Where);
      Run.Work("DataType conversion: Collation difference (clear)" + Place(TN, FN), S);
    } else {
      TStatement* S =
          Sys("UPDATE RDB$RELATION_FIELDS SET RDB$Collation_ID =\r\n"
              "(Select C.Rdb$Collation_ID from Rdb$Collations C\r\n"
              "where C.Rdb$Collation_Name=" +
              Lit(M.Extra().Collation) + "\r\n" +
              " and C.Rdb$Character_Set_ID = (select Rdb$Character_Set_ID from "
              "Rdb$character_Sets where Rdb$character_set_name = " +
              Lit(M.DefaultCharSet()) + "))\r\n" + Where);
      Run.Work("DataType conversion: Collation difference (replace)" + Place(TN, FN), S);
    }
    MTbl.SetViewsReCreateFlag();
  }

  /// G. and H. BLOB sub-type and segment size.
  void Blob() {
    if (M.FieldType != iftBlob || T.FieldType != iftBlob) return;
    const std::string BlobTail = TailQ(TN, FN) + "\r\n";
    if (M.SubType != T.SubType)
      Run.Work("DataType conversion: Blob SUB_TYPE" + Place(TN, FN),
               Sys("UPDATE RDB$FIELDS SET RDB$FIELD_SUB_TYPE = " + Num(M.SubType) + BlobTail));
    if (M.Extra().SegmentSize != T.Extra().SegmentSize && M.Extra().SegmentSize != 0)
      Run.Work("DataType conversion: Blob SEGMENT_SIZE" + Place(TN, FN),
               Sys("UPDATE RDB$FIELDS SET RDB$SEGMENT_LENGTH = " + Num(M.Extra().SegmentSize) +
                   BlobTail));
  }

  /// J. Nullability.
  void Nullability() {
    if (M.Nullable == T.Nullable || M.Computed()) return;
    Run.Comment(M, "Alter Field (Null / Not Null)...");
    Written = true;
    TStatement* S = nullptr;
    if (Run.IBSysTablesReadOnly())
      // Firebird 3 has DDL for it, and checks the rows when NOT NULL is set.
      S = Run.AddAlter("ALTER TABLE " + QTable + " ALTER " + QCol +
                           (M.Nullable ? " DROP NOT NULL" : " SET NOT NULL"),
                       FN, TN);
    else
      S = Sys(std::string("UPDATE RDB$RELATION_FIELDS SET RDB$NULL_FLAG = ") +
              (M.Nullable ? "NULL" : "1") + " " + RelationFieldWhere(TN, FN) + "\r\n");
    Run.Work("DataType conversion: Nullable difference" + Place(TN, FN), S);
  }

  /// K. Default.
  void Default() {
    if (M.GetDefValue() == T.GetDefValue() || M.Computed()) return;
    if (!Run.IBFirebird2()) {
      DefaultThroughTempDomain(Run, MTbl, M);
      return;
    }
    T.DoBeforeDrop();
    Run.AddAlter("ALTER TABLE " + QTable + " ALTER COLUMN " + QCol + " " +
                     (M.GetDefValue().empty() ? std::string("DROP DEFAULT")
                                              : "SET DEFAULT " + M.GetDefValue()),
                 FN, TN);
  }

  /// L. A simply typed column takes a domain.
  void TakeDomain() {
    if (!NamesDomain(M) || !DomainOf(M) || NamesDomain(T)) return;
    if (IBAllowDataTypeAlter(M, T) >= 0) {
      if (Old)
        IBAlterColumnBySysTables(Run, MTbl, M, T);
      else
        IBAlterColumnType(Run, MTbl, M, T);
    } else if (Allow) {
      IBAlterColumnBySysTables(Run, MTbl, M, T);
    } else {
      Run.Comment(T, "DataType conversion not supported: \r\nALTER TABLE " + QTable +
                         " ALTER COLUMN " + QCol + " TYPE " + M.FieldTypeDef());
    }
  }
};

}  // namespace

void IBAlterColumn(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T, bool& Written) {
  TIBColumnAlter(Run, MTbl, M, T, Written).Apply();
}

}  // namespace qel
