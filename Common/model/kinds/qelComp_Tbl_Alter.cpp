// Alteration of matched columns in place: the column pass with its dispatch by dialect, the
// forms of SQL Server, SQL Anywhere, Oracle, PostgreSQL, MySQL and ASE, MySQL column moves, and
// the SQL Server table rebuild through a copy table. InterBase/Firebird alteration is in
// qelComp_Tbl_AlterIB.cpp.
#include "qelComp_Tbl_Alter.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl_Int.h"
#include "qelComp_Trg.h"
#include "qelDialects.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// TAlterRun

std::string TAlterRun::Quote(const std::string& Name) const {
  return Quote_Ident(Name, Target.GetDatabaseType(), Target.IBServerOptions.SQLServerVersion,
                     static_cast<std::int8_t>(Target.IBServerOptions.GetSQLDialect()));
}

TStatement* TAlterRun::AddAlter(const std::string& Text, const std::string& Column,
                                const std::string& Table) {
  return Exec.Add(Text, stStatement, Column, dboField, odbAlter, Table);
}

TStatement* TAlterRun::Last() const {
  const int N = Exec.GetStatementsCount();
  return N > 0 ? Exec.GetStatement(N - 1) : nullptr;
}

TStatement* TAlterRun::Comment(const TDbObj& By, const std::string& Text) {
  const int Before = Exec.GetStatementsCount();
  Exec.AddComment(By.GenComment(Text));
  return Exec.GetStatementsCount() > Before ? Last() : nullptr;
}

void TAlterRun::Work(const std::string& Line, TStatement* Stmt) {
  if (WorkList) WorkList->AddObject(Line, Stmt);
}

void TAlterRun::NotCarriedOver(const TTblData& MTbl, TFldData& M, const TFldData& T, bool Type,
                               bool Nullability, bool Default) {
  const auto Value = [](const std::string& S) { return S.empty() ? std::string("none") : S; };
  const bool TypeDiffers = M.FieldTypeDef() != T.FieldTypeDef();
  const bool NullDiffers = M.Nullable != T.Nullable;
  const bool DefaultDiffers = M.GetDefValue() != T.GetDefValue();
  std::string Parts;
  const auto Add = [&Parts](const std::string& Part) {
    Parts += (Parts.empty() ? "" : "; ") + Part;
  };
  if (Type && TypeDiffers) Add("type " + T.FieldTypeDef() + " -> " + M.FieldTypeDef());
  if (Nullability && NullDiffers) Add(T.Nullable ? "NULL -> NOT NULL" : "NOT NULL -> NULL");
  if (Default && DefaultDiffers)
    Add("default " + Value(T.GetDefValue()) + " -> " + Value(M.GetDefValue()));
  // A difference in none of the three parts (identity, collation and the like) is written by
  // no form either.
  if (!TypeDiffers && !NullDiffers && !DefaultDiffers)
    Add("definition " + T.TypeDef() + " -> " + M.TypeDef());
  if (Parts.empty()) return;
  const std::string& Schema = MTbl.GetSchema();
  Master.WarnNotCarriedOver("Column " + (Schema.empty() ? "" : Schema + ".") + MTbl.GetObjName() +
                                "." + M.GetObjName() +
                                " is not altered by the update script: " + Parts,
                            &M);
}

bool TAlterRun::IBOldServer() const {
  return IBVersion() == st_InterBase_4x || IBVersion() == st_InterBase_5x;
}

bool TAlterRun::IBFirebird2() const {
  const TIBSQLServerVersionType V = IBVersion();
  return V == st_Firebird_20 || V == st_Firebird_21 || V == st_Firebird_25 || IBSysTablesReadOnly();
}

bool TAlterRun::IBSysTablesReadOnly() const {
  // ODS 12 is Firebird 3.0's on-disk structure; from it on RDB$ tables refuse UPDATE.
  return Target.IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion >= 12;
}

bool TAlterRun::IBAllowConversion() const {
  return Target.IBServerOptions.GetIBCompareOptions().AllowDataTypeConversion;
}

bool TAlterRun::IBFldCharsetCompare() const {
  return Target.IBServerOptions.GetIBCompareOptions().FldCharsetCompare;
}

TStatement* TAlterRun::AddSys(const TDbObj& By, const std::string& Text, const std::string& Column,
                              const std::string& Table, TDbObject Kind) {
  if (IBSysTablesReadOnly())
    return Comment(By, "The server's system tables are read-only; not run:\r\n" + Text);
  return Exec.Add(Text, stStatement, Column, Kind, odbAlter, Table);
}

// ---------------------------------------------------------------------------------------------
// Type rules

namespace {

bool In(TDBFieldType T, std::initializer_list<TDBFieldType> Set) {
  return std::find(Set.begin(), Set.end(), T) != Set.end();
}

/// Rank of an exact integer type by its range; 0 for other types.
int IntegerRank(TDBFieldType T) {
  switch (T) {
    case iftTinyInt:
      return 1;
    case iftSmallInt:
    case iftInt2:
      return 2;
    case iftMediumInt:
      return 3;
    case iftInteger:
    case iftInt4:
    case iftSerial:
      return 4;
    case iftBigInt:
    case iftInt8:
    case iftBigSerial:
      return 5;
    default:
      return 0;
  }
}

bool SinglePrecision(TDBFieldType T) {
  return In(T, {iftFloat, iftFloat4, iftReal});
}

bool DoublePrecision(TDBFieldType T) {
  return In(T, {iftDoublePrecision, iftDouble, iftFloat8});
}

bool SizedCharType(TDBFieldType T) {
  return In(T, {iftVarchar, iftChar, iftNChar, iftNVarChar, iftVarChar2, iftNVarChar2, iftCstring,
                iftBinary, iftVarBinary, iftNationalChar, iftGraphic, iftVarGraphic, iftRaw});
}

bool LongCharType(TDBFieldType T) {
  return In(T, {iftText, iftNText, iftLongVarchar, iftLong, iftLongRaw, iftBlob, iftClob, iftDbClob,
                iftNClob, iftTinyText, iftMediumText, iftLongText, iftTinyBlob, iftMediumBlob,
                iftLongBlob, iftImage, iftByteA, iftLongBinary});
}

bool ExactDecimal(TDBFieldType T) {
  return In(T, {iftNumeric, iftDecimal, iftNumber, iftMoney, iftSmallMoney});
}

}  // namespace

bool NarrowingTypeChange(const TFldData& M, const TFldData& T) {
  if (M.Computed() || T.Computed() || M.FieldType == iftDomain || T.FieldType == iftDomain)
    return false;
  const TDBFieldType From = T.FieldType;
  const TDBFieldType To = M.FieldType;
  if (From == To) {
    if (SizedCharType(From))
      // -1 is MAX; 0 is "not given", which no reader can tell apart from the default length.
      return M.Size != -1 && M.Size > 0 && (T.Size == -1 || M.Size < T.Size);
    if (In(From, {iftNumeric, iftDecimal, iftNumber}) && M.Precision != 0)
      return M.Precision - M.Scale < T.Precision - T.Scale || M.Scale < T.Scale;
    return false;
  }
  if (IntegerRank(From) && IntegerRank(To)) return IntegerRank(To) < IntegerRank(From);
  if (DoublePrecision(From) && SinglePrecision(To)) return true;
  // A float holds 24 bits of mantissa, a double 53: larger integers are rounded.
  if (IntegerRank(From) >= 4 && SinglePrecision(To)) return true;
  if (IntegerRank(From) == 5 && DoublePrecision(To)) return true;
  if ((SinglePrecision(From) || DoublePrecision(From) || ExactDecimal(From)) &&
      (IntegerRank(To) || (ExactDecimal(From) && (SinglePrecision(To) || DoublePrecision(To)))))
    return true;
  if ((SizedCharType(From) || LongCharType(From)) && !SizedCharType(To) && !LongCharType(To))
    return true;
  if (LongCharType(From) && SizedCharType(To)) return true;
  if (In(From, {iftTimeStamp, iftDateTime, iftTimeStampTZ, iftSmallDateTime}) &&
      In(To, {iftDate, iftTime, iftTimeTZ}))
    return true;
  return false;
}

namespace {

using TTypes = std::initializer_list<TDBFieldType>;

struct TMSSQLConversion {
  TTypes From;
  TTypes To;
};

/// What an in-place ALTER COLUMN of SQL Server can convert, old type to new types.
const TMSSQLConversion MSSQLConversions[] = {
    {{iftBinary, iftVarBinary},
     {iftInteger,       iftBigInt,      iftTinyInt,   iftVarchar, iftChar,       iftTimeStamp,
      iftSmallDateTime, iftBinary,      iftNumeric,   iftDecimal, iftNChar,      iftNVarChar,
      iftSmallInt,      iftDateTime,    iftBit,       iftMoney,   iftSmallMoney, iftVarBinary,
      iftImage,         iftUniqueIdent, iftSqlVariant}},
    {{iftVarchar, iftChar},
     {iftInteger,       iftBigInt,   iftFloat,   iftTinyInt, iftReal,        iftVarchar,   iftChar,
      iftSmallDateTime, iftNumeric,  iftDecimal, iftText,    iftNChar,       iftNVarChar,  iftNText,
      iftSmallInt,      iftDateTime, iftBit,     iftImage,   iftUniqueIdent, iftSqlVariant}},
    {{iftNChar, iftNVarChar},
     {iftInteger, iftBigInt, iftFloat, iftTinyInt, iftReal, iftVarchar, iftChar, iftSmallDateTime,
      iftNumeric, iftDecimal, iftText, iftNChar, iftNVarChar, iftNText, iftSmallInt, iftDateTime,
      iftBit, iftUniqueIdent, iftSqlVariant}},
    {{iftInteger, iftBigInt, iftTinyInt, iftNumeric, iftDecimal, iftSmallInt, iftBit},
     {iftInteger,    iftBigInt,    iftFloat,         iftTinyInt,  iftReal,    iftVarchar,
      iftChar,       iftTimeStamp, iftSmallDateTime, iftBinary,   iftNumeric, iftDecimal,
      iftNChar,      iftNVarChar,  iftSmallInt,      iftDateTime, iftBit,     iftMoney,
      iftSmallMoney, iftVarBinary, iftSqlVariant}},
    {{iftFloat, iftReal}, {iftInteger, iftBigInt, iftFloat,         iftTinyInt,   iftReal,
                           iftVarchar, iftChar,   iftSmallDateTime, iftBinary,    iftNumeric,
                           iftDecimal, iftNChar,  iftNVarChar,      iftSmallInt,  iftDateTime,
                           iftBit,     iftMoney,  iftSmallMoney,    iftVarBinary, iftSqlVariant}},
    {{iftMoney, iftSmallMoney},
     {iftInteger, iftBigInt, iftFloat, iftTinyInt, iftReal, iftTimeStamp, iftSmallDateTime,
      iftBinary, iftNumeric, iftDecimal, iftSmallInt, iftDateTime, iftBit, iftMoney, iftSmallMoney,
      iftVarBinary, iftSqlVariant}},
    {{iftTimeStamp},
     {iftInteger, iftBigInt, iftTinyInt, iftVarchar, iftChar, iftTimeStamp, iftSmallDateTime,
      iftBinary, iftNumeric, iftDecimal, iftSmallInt, iftDateTime, iftBit, iftMoney, iftSmallMoney,
      iftVarBinary, iftImage}},
    {{iftSmallDateTime, iftDateTime},
     {iftVarchar, iftChar, iftSmallDateTime, iftNChar, iftNVarChar, iftDateTime, iftSqlVariant}},
    {{iftUniqueIdent},
     {iftVarchar, iftChar, iftBinary, iftNChar, iftNVarChar, iftVarBinary, iftSqlVariant}},
    {{iftImage}, {iftTimeStamp, iftBinary, iftVarBinary}},
    {{iftText}, {iftVarchar, iftChar, iftNText}},
    {{iftNText}, {iftText, iftNChar, iftNVarChar}},
};

/// The casts PostgreSQL applies on its own (implicit or assignment, pg_cast) between built-in
/// types of different kinds, old type to new types. ALTER COLUMN ... TYPE without USING
/// converts the values along these only and refuses every other change, even on an empty
/// table ("cannot be cast automatically"). Any type becomes a string by assignment.
const TMSSQLConversion PGAssignmentCasts[] = {
    {{iftSmallInt, iftInteger, iftBigInt, iftNumeric, iftDecimal},
     {iftSmallInt, iftInteger, iftBigInt, iftNumeric, iftDecimal, iftReal, iftDoublePrecision,
      iftMoney}},
    {{iftReal, iftDoublePrecision},
     {iftSmallInt, iftInteger, iftBigInt, iftNumeric, iftDecimal, iftReal, iftDoublePrecision}},
    {{iftMoney}, {iftNumeric, iftDecimal}},
    {{iftDate}, {iftTimeStamp, iftTimeStampTZ}},
    {{iftTimeStamp}, {iftTimeStamp, iftTimeStampTZ, iftDate, iftTime}},
    {{iftTimeStampTZ}, {iftTimeStamp, iftTimeStampTZ, iftDate, iftTime, iftTimeTZ}},
    {{iftTime}, {iftTime, iftTimeTZ, iftInterval}},
    {{iftTimeTZ}, {iftTime, iftTimeTZ}},
    {{iftInterval}, {iftInterval, iftTime}},
    {{iftBit, iftVarBit}, {iftBit, iftVarBit}},
};

/// The explicit casts between built-in types of different kinds that USING can name directly;
/// from a string every type has one (its input function).
const TMSSQLConversion PGExplicitCasts[] = {
    {{iftInteger}, {iftBoolean, iftBit}},
    {{iftBoolean}, {iftInteger}},
    {{iftBigInt}, {iftBit}},
    {{iftBit}, {iftInteger, iftBigInt}},
};

bool PGStringType(TDBFieldType T) {
  return In(T, {iftVarchar, iftChar, iftText});
}

template <std::size_t N>
bool PGCastListed(const TMSSQLConversion (&Casts)[N], TDBFieldType From, TDBFieldType To) {
  for (const TMSSQLConversion& C : Casts)
    if (In(From, C.From) && In(To, C.To)) return true;
  return false;
}

}  // namespace

std::string PGUsingClause(const TFldData& M, const TFldData& T, const std::string& Column,
                          const std::string& MType) {
  // A serial column is an integer column to the server.
  const auto Plain = [](TDBFieldType F) {
    return F == iftSerial ? iftInteger : F == iftBigSerial ? iftBigInt : F;
  };
  const TDBFieldType From = Plain(T.FieldType);
  const TDBFieldType To = Plain(M.FieldType);
  const bool SameShape = M.Extra().ArrayBounds.size() == T.Extra().ArrayBounds.size();
  if (SameShape) {
    if (From == To && From != iftDomain) return std::string();
    if (PGStringType(To) || PGCastListed(PGAssignmentCasts, From, To)) return std::string();
    // Domains and types of the user's: a domain takes its base type's values by assignment,
    // and the server knows no more about a user type than its text form.
    if (From == iftDomain && To == iftDomain &&
        SameText(M.Extra().DomainName, T.Extra().DomainName))
      return std::string();
    if (PGStringType(From) || PGCastListed(PGExplicitCasts, From, To))
      return " USING " + Column + "::" + MType;
  }
  // No cast between the two: through the text form, which every type has. Values whose text
  // the new type does not read are refused by the server, as a cast of them would be.
  return " USING " + Column + "::text" + tbl_detail::PGArrayBrackets(T.Extra().ArrayBounds) +
         "::" + MType;
}

bool MSSQLAllowDataTypeAlter(const TFldData& M, const TFldData& T) {
  if (M.FieldType == T.FieldType) return true;
  for (const TMSSQLConversion& C : MSSQLConversions)
    if (In(T.FieldType, C.From)) return In(M.FieldType, C.To);
  return false;
}

// ---------------------------------------------------------------------------------------------
// The dialect forms

namespace {

std::string TableNameOf(const TTblData& MTbl) {
  return MTbl.GetObjName();
}

/// The warning line of a type change that can lose values.
void WarnNarrowing(TAlterRun& Run, const TTblData& MTbl, const TFldData& M, const TFldData& T,
                   TStatement* Stmt) {
  if (!Stmt || !NarrowingTypeChange(M, T)) return;
  Run.Work("DataType conversion can lose data: " + T.FieldTypeDef() + " -> " + M.FieldTypeDef() +
               " /" + TableNameOf(MTbl) + "(" + M.GetObjName() + ")/",
           Stmt);
}

void MSSQLAlterColumn(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T) {
  const std::string TN = TableNameOf(MTbl);
  const std::string FN = M.GetObjName();
  const std::string QTable = MTbl.GetObjFullName();
  const std::string QCol = Run.Quote(FN);
  // A column cannot be tightened while NULLs may still come: its default goes first.
  if (!M.Nullable && T.Nullable)
    for (const auto& D : M.UseIn)
      if (auto* Ctr = dynamic_cast<TCtrData*>(D->DepObj); Ctr && Ctr->GetCtType() == ctDefault)
        Ctr->CreateDependDef();
  if (M.GetDefValue() != T.GetDefValue() && !T.GetDefValue().empty()) {
    // The target's default has no name the script knows (the server named it), so no statement
    // drops it, and the server refuses a second default on the column: it stays, named.
    Run.NotCarriedOver(MTbl, M, T, false, false, true);
  } else if (M.GetDefValue() != T.GetDefValue()) {
    T.DoBeforeDrop();
    // A removed default is gone with the target's default constraint (dropped above).
    if (!M.GetDefValue().empty()) {
      Run.AddAlter("ALTER TABLE " + QTable + " ADD DEFAULT " + M.GetDefValue() + " FOR " + QCol, FN,
                   TN);
      MTbl.SetViewsReCreateFlag();
    }
  }
  // A computed column made PERSISTED or no longer so is made anew, as one of another formula.
  if (M.FieldTypeDef() != T.FieldTypeDef() || M.Extra().Collation != T.Extra().Collation ||
      M.Nullable != T.Nullable || M.Persisted != T.Persisted) {
    T.DoBeforeDrop();
    if (M.Computed() || T.Computed()) {
      T.DropDependDef();
      M.SetObjCreated(false);
      M.CreateDependDef();
      MTbl.SetViewsReCreateFlag();
    } else {
      std::string S = "ALTER TABLE " + QTable + " ALTER COLUMN " + QCol + " " + M.FieldTypeDef();
      if (!M.Extra().Collation.empty()) S += " COLLATE " + M.Extra().Collation;
      S += M.Nullable ? " NULL" : " NOT NULL";
      if (MSSQLAllowDataTypeAlter(M, T)) {
        WarnNarrowing(Run, MTbl, M, T, Run.AddAlter(S, FN, TN));
        MTbl.SetViewsReCreateFlag();
      } else {
        Run.Exec.AddComment(
            "/* " +
            SafeBlockComment("Datatype conversion is not allowed: " + T.FieldTypeDef() + " -> " +
                             M.FieldTypeDef() + "\r\n" + S) +
            " */");
      }
    }
  }
  if (M.RowGuidCol != T.RowGuidCol) {
    Run.AddAlter("ALTER TABLE " + QTable + " ALTER COLUMN " + QCol +
                     (M.RowGuidCol ? " ADD ROWGUIDCOL" : " DROP ROWGUIDCOL"),
                 FN, TN);
    MTbl.SetViewsReCreateFlag();
  }
}

void ASAAlterColumn(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T) {
  const std::string TN = TableNameOf(MTbl);
  const std::string FN = M.GetObjName();
  // The owner prefix as every other statement of the script writes it (DBA when none is
  // known).
  const std::string Head = "ALTER TABLE " + MTbl.GetObjFullName();
  const std::string Col = Run.Quote(FN);
  if (M.FieldTypeDef() != T.FieldTypeDef())
    WarnNarrowing(Run, MTbl, M, T,
                  Run.AddAlter(Head + " MODIFY " + Col + " " + M.FieldTypeDef(), FN, TN));
  if (M.Nullable != T.Nullable)
    Run.AddAlter(Head + " MODIFY " + Col + (M.Nullable ? " NULL" : " NOT NULL"), FN, TN);
  // The column's own check: CHECK NULL takes it away.
  if (M.Extra().CheckText != T.Extra().CheckText)
    Run.AddAlter(
        Head + " MODIFY " + Col + " CHECK " +
            (M.Extra().CheckText.empty() ? std::string("NULL") : M.Extra().CheckText.str()),
        FN, TN);
  const std::string MDef = M.GetDefValue();
  const std::string TDef = T.GetDefValue();
  if (MDef != TDef) {
    if (!MDef.empty() && !TDef.empty())
      Run.AddAlter(Head + " MODIFY " + Col + " DEFAULT " + MDef, FN, TN);
    else if (!MDef.empty())
      Run.AddAlter(Head + " ALTER " + Col + " SET DEFAULT " + MDef, FN, TN);
    else
      Run.AddAlter(Head + " ALTER " + Col + " DROP DEFAULT", FN, TN);
  }
}

void OracleAlterColumn(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T) {
  const std::string TN = TableNameOf(MTbl);
  const std::string FN = M.GetObjName();
  // Names are quoted only where Oracle needs it, so a stored upper-case name stays bare.
  const std::string Head = "ALTER TABLE " + MTbl.GetObjFullName() + " MODIFY(" + Run.Quote(FN);
  if (M.FieldTypeDef() != T.FieldTypeDef()) {
    WarnNarrowing(Run, MTbl, M, T, Run.AddAlter(Head + " " + M.FieldTypeDef() + ")", FN, TN));
    MTbl.SetViewsReCreateFlag();
  }
  if (M.GetDefValue() != T.GetDefValue())
    // DEFAULT NULL is how Oracle takes a default away.
    Run.AddAlter(Head + " DEFAULT " + (M.GetDefValue().empty() ? "NULL" : M.GetDefValue()) + ")",
                 FN, TN);
  Run.NotCarriedOver(MTbl, M, T, false, true, false);
}

/// The sequence a serial column makes for itself, by the name the server gives it
/// (table_column_seq, cut to the identifier limit), in the table's schema.
std::string PGSerialSequence(const TAlterRun& Run, const TTblData& MTbl, const TFldData& M) {
  const std::string Name =
      FindDialect(dbPostgreSQL)->MakeObjectName(TableNameOf(MTbl), M.GetObjName(), "seq");
  return (MTbl.GetSchema().empty() ? std::string() : Run.Quote(MTbl.GetSchema()) + ".") +
         Run.Quote(Name);
}

void PGSQLAlterColumn(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T) {
  const std::string TN = TableNameOf(MTbl);
  const std::string FN = M.GetObjName();
  const std::string Head =
      "ALTER TABLE " + MTbl.GetObjFullName() + " ALTER COLUMN " + Run.Quote(FN);
  // serial, bigserial and smallserial are no types the server can change a column to: the
  // column takes the integer type, and its sequence the same type (a sequence AS integer
  // stops at the integer maximum), is made with it or goes with it.
  const std::string MInt = PGSerialIntegerType(M);
  const std::string TInt = PGSerialIntegerType(T);
  const std::string MType = MInt.empty() ? M.FieldTypeDef() : MInt;
  const std::string TType = TInt.empty() ? T.FieldTypeDef() : TInt;
  const std::string Sequence = PGSerialSequence(Run, MTbl, M);
  // The server casts a default to the new type and keeps the cast in its text ('x' of a
  // varchar column stays 'x'::character varying in a text column), or refuses the change
  // where no cast exists: the default goes before the change and comes back after it.
  bool DefaultDropped = false;
  if (M.FieldTypeDef() != T.FieldTypeDef()) {
    T.DoBeforeDrop();
    const bool KindChanged = M.FieldType != T.FieldType || M.FieldType == iftDomain;
    if (KindChanged && MType != TType && MInt.empty() && TInt.empty() && !T.GetDefValue().empty()) {
      Run.AddAlter(Head + " DROP DEFAULT", FN, TN);
      DefaultDropped = true;
    }
    if (MType != TType)
      WarnNarrowing(
          Run, MTbl, M, T,
          Run.AddAlter(Head + " TYPE " + MType + PGUsingClause(M, T, Run.Quote(FN), MType), FN,
                       TN));
    if (!MInt.empty() && !TInt.empty()) {
      Run.AddAlter("ALTER SEQUENCE " + Sequence + " AS " + MInt, FN, TN);
    } else if (!MInt.empty()) {
      Run.AddAlter("CREATE SEQUENCE " + Sequence + " AS " + MInt + " OWNED BY " +
                       MTbl.GetObjFullName() + "." + Run.Quote(FN),
                   FN, TN);
      Run.AddAlter(Head + " SET DEFAULT nextval(" + QuotedStr(Sequence) + "::regclass)", FN, TN);
    }
  }
  // The collation changes with the type written again: without COLLATE the column would take
  // its type's own, which is what "default" names.
  if (!tbl_detail::PGSameCollation(M, T)) {
    T.DoBeforeDrop();
    const std::string& Collation = M.Extra().Collation;
    Run.AddAlter(Head + " TYPE " + MType + " COLLATE " +
                     (Collation.empty() ? std::string("\"default\"")
                                        : tbl_detail::PGQualifiedName(M, Collation)),
                 FN, TN);
  }
  // A column made serial has its sequence's default now.
  const bool MadeSerial = !MInt.empty() && TInt.empty();
  if (DefaultDropped && !M.GetDefValue().empty()) {
    Run.AddAlter(Head + " SET DEFAULT " + M.GetDefValue(), FN, TN);
  } else if (!DefaultDropped && !MadeSerial && M.CompareDefValue() != T.CompareDefValue()) {
    T.DoBeforeDrop();
    Run.AddAlter(
        Head + (M.GetDefValue().empty() ? " DROP DEFAULT" : " SET DEFAULT " + M.GetDefValue()), FN,
        TN);
  }
  if (M.Nullable != T.Nullable) {
    T.DoBeforeDrop();
    Run.AddAlter(Head + (M.Nullable ? " DROP NOT NULL" : " SET NOT NULL"), FN, TN);
  }
  // A serial column made a plain one: the sequence's default goes, then the sequence.
  if (MInt.empty() && !TInt.empty() && M.FieldTypeDef() != T.FieldTypeDef()) {
    if (M.GetDefValue().empty()) Run.AddAlter(Head + " DROP DEFAULT", FN, TN);
    Run.AddAlter("DROP SEQUENCE " + PGSerialSequence(Run, MTbl, T), FN, TN);
  }
}

/// The column text of a MODIFY COLUMN. MODIFY replaces the whole column definition, its
/// comment included: the comment the column is to keep is written with it (the master's when
/// descriptions are compared, else the one the target has).
std::string MySQLModifyText(const TAlterRun& Run, const TFldData& M, const TFldData* T) {
  const std::string& Comment = Run.Master.CompareObjects.Contains(coDescription) || !T
                                   ? M.Extra().Description
                                   : T->Extra().Description;
  std::string R = M.TypeDef();
  if (!Comment.empty()) R += " COMMENT " + ScriptQuotedStr(Comment, dbMySQL);
  return R;
}

/// The column text as the server reads it back: a number's default unquoted.
std::string MySQLReadBackDef(const TFldData& F) {
  std::string R = F.TypeDef();
  const std::string N = tbl_detail::MySQLQuotedNumber(F);
  const std::string Quoted = " DEFAULT '" + N + "'";
  if (const size_t At = N.empty() ? std::string::npos : R.find(Quoted); At != std::string::npos)
    R.replace(At, Quoted.size(), " DEFAULT " + N);
  return R;
}

void MySQLAlterColumn(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T) {
  // Column names are one in any case: a name spelled otherwise is the same column, renamed
  // with its values.
  const bool Renamed = M.GetObjName() != T.GetObjName();
  if (!Renamed && MySQLReadBackDef(M) == MySQLReadBackDef(T)) return;
  const std::string TN = TableNameOf(MTbl);
  const std::string FN = M.GetObjName();
  // The server keeps AUTO_INCREMENT only on a column a key starts with: a key the master adds
  // for the column is added in the same statement, else the server refuses it.
  const std::string Key =
      M.AutoIncrement && !T.AutoIncrement ? MTbl.MySQLAutoIncrementKey(FN) : std::string();
  const std::string How =
      Renamed ? " CHANGE COLUMN " + Run.Quote(T.GetObjName()) + " " : " MODIFY COLUMN ";
  TStatement* S = Run.AddAlter("ALTER TABLE " + Run.Quote(TN) + How + Run.Quote(FN) + " " +
                                   MySQLModifyText(Run, M, &T) + Key,
                               FN, TN);
  Run.Work("Modify column: " + TN + "(" + FN + ")" + "/", S);
  WarnNarrowing(Run, MTbl, M, T, S);
}

/// The master's columns in the order the target table has them once this run has added and
/// dropped its columns: the target's columns still there, in their order, then the columns
/// added, in the order of their ADD statements (MySQL appends an added column). Target columns
/// the master lacks and kept stay where they are and take no part.
std::vector<TFldData*> MySQLColumnsAsScripted(const TTblData& MTbl, const TTblData& TTbl) {
  std::vector<TFldData*> R;
  const auto Listed = [&R](const TFldData* F) {
    return std::find(R.begin(), R.end(), F) != R.end();
  };
  for (const auto& G : TTbl.Fields) {
    if (!G->GetObjCreated()) continue;
    TFldData* F = MTbl.Fields.Find(G->GetObjName());
    if (F && F->GetObjCreated() && !Listed(F)) R.push_back(F);
  }
  for (TFldData* F : MTbl.AddedColumns)
    if (F->GetObjCreated() && !Listed(F)) R.push_back(F);
  return R;
}

/// Marks the longest run of Order (not necessarily contiguous) whose ranks rise: those columns
/// already stand in the master's order and need not move, so the moves are as few as can be.
std::vector<bool> LongestRisingRun(const std::vector<int>& Order) {
  const int N = static_cast<int>(Order.size());
  std::vector<int> Tails;        // index into Order of the last item of the best run per length
  std::vector<int> Prev(N, -1);  // the item before each one in its best run
  for (int I = 0; I < N; ++I) {
    const auto At = std::lower_bound(Tails.begin(), Tails.end(), Order[I],
                                     [&Order](int T, int Rank) { return Order[T] < Rank; });
    if (At != Tails.begin()) Prev[I] = *(At - 1);
    if (At == Tails.end())
      Tails.push_back(I);
    else
      *At = I;
  }
  std::vector<bool> Keep(N, false);
  for (int I = Tails.empty() ? -1 : Tails.back(); I >= 0; I = Prev[I]) Keep[I] = true;
  return Keep;
}

/// The moves that bring the target's columns into the master's order. The columns that
/// already stand in order stay; every other one goes after its master predecessor (or FIRST),
/// in master order, so each lands next to a column that is where it belongs. MODIFY COLUMN
/// replaces the whole definition, so each restates it: the master's, which the alteration pass
/// has already given the column; a column the comparison passes by keeps the target's.
void MySQLUpdateColumnPosition(TAlterRun& Run, TTblData& MTbl, TTblData& TTbl) {
  const std::vector<TFldData*> Now = MySQLColumnsAsScripted(MTbl, TTbl);
  std::vector<TFldData*> Want;
  for (const auto& F : MTbl.Fields)
    if (std::find(Now.begin(), Now.end(), F.get()) != Now.end()) Want.push_back(F.get());
  std::vector<int> Order;
  for (TFldData* F : Now)
    Order.push_back(static_cast<int>(std::find(Want.begin(), Want.end(), F) - Want.begin()));
  const std::vector<bool> Keep = LongestRisingRun(Order);
  std::vector<bool> Stays(Want.size(), false);
  for (std::size_t I = 0; I < Now.size(); ++I) Stays[Order[I]] = Keep[I];

  const std::string TN = TableNameOf(MTbl);
  for (std::size_t I = 0; I < Want.size(); ++I) {
    if (Stays[I]) continue;
    const TFldData* F = Want[I];
    const std::string& FN = F->GetObjName();
    const TFldData* G = TTbl.Fields.Find(FN);
    const TFldData& Def = F->SkipDef && G ? *G : *F;
    const std::string Where = I == 0 ? " FIRST" : " AFTER " + Run.Quote(Want[I - 1]->GetObjName());
    Run.AddAlter("ALTER TABLE " + Run.Quote(TN) + " MODIFY COLUMN " + Run.Quote(FN) + " " +
                     MySQLModifyText(Run, Def, G) + Where,
                 FN, TN);
  }
}

void ASEAlterColumn(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T) {
  Run.NotCarriedOver(MTbl, M, T, true, true, false);
  if (M.GetDefValue() == T.GetDefValue()) return;
  const std::string TN = TableNameOf(MTbl);
  const std::string FN = M.GetObjName();
  Run.AddAlter("ALTER TABLE " + Run.Quote(TN) + " REPLACE " + Run.Quote(FN) + " DEFAULT " +
                   (M.GetDefValue().empty() ? "NULL" : M.GetDefValue()),
               FN, TN);
}

/// The table was dropped and created anew by the table pass because its temporary status
/// changed: its columns already are the master's.
bool MadeAnew(const TTblData& M, const TTblData& T) {
  return M.Paired && !M.Equal && tbl_detail::TemporaryChanged(M, T);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The column pass

void GenScriptColumnsAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                           TStringList* WorkList) {
  TAlterRun Run(Master, Target, Exec, WorkList);
  const TDatabaseType DB = Run.Dialect();
  const bool Descr = Master.CompareObjects.Contains(coDescription);
  bool Written = false;
  for (int I = 0; I < Master.Tables.Count(); ++I) {
    auto* M = dynamic_cast<TTblData*>(Master.Tables.Objects(I));
    auto* T = M ? dynamic_cast<TTblData*>(M->GetRefObj()) : nullptr;
    if (!T || M->SkipDef || MadeAnew(*M, *T)) continue;
    int Place = 0;
    for (const auto& F : M->Fields) {
      TFldData* G = T->Fields.FindFrom(F->GetObjName(), Place++);
      if (!G || F->SkipDef) continue;
      // Most columns are unchanged: their texts are put together only when a part differs.
      if (!tbl_detail::PGSameColumnDef(*F, *M, *G, *T) && F->Def() != G->Def()) {
        switch (DB) {
          case dbInterBase:
            IBAlterColumn(Run, *M, *F, *G, Written);
            break;
          case dbSybaseASA:
            ASAAlterColumn(Run, *M, *F, *G);
            break;
          case dbMySQL:
            MySQLAlterColumn(Run, *M, *F, *G);
            break;
          case dbOracle:
            OracleAlterColumn(Run, *M, *F, *G);
            break;
          case dbMSSQL:
            MSSQLAlterColumn(Run, *M, *F, *G);
            break;
          case dbPostgreSQL:
            PGSQLAlterColumn(Run, *M, *F, *G);
            break;
          case dbSybaseASE:
            ASEAlterColumn(Run, *M, *F, *G);
            break;
          default:
            // No in-place form (DB2 among them): the target column stays as it is.
            Run.NotCarriedOver(*M, *F, *G, true, true, true);
            break;
        }
      }
      if (Descr && F->Extra().Description != G->Extra().Description)
        Exec.AddDescription(F.get(), G);
    }
  }
  if (Written) Exec.AddComment("\r\n");
}

void GenScriptColumnsAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  GenScriptColumnsAlter(Master, Target, Exec, WorkListOf(Master));
}

void MySQLUpdateColumnPositions(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  TAlterRun Run(Master, Target, Exec, WorkListOf(Master));
  for (int I = 0; I < Master.Tables.Count(); ++I) {
    auto* M = dynamic_cast<TTblData*>(Master.Tables.Objects(I));
    auto* T = M ? dynamic_cast<TTblData*>(M->GetRefObj()) : nullptr;
    if (!T || M->SkipDef || T->SkipDef || !T->GetObjCreated() || MadeAnew(*M, *T)) continue;
    MySQLUpdateColumnPosition(Run, *M, *T);
  }
}

// ---------------------------------------------------------------------------------------------
// SQL Server table rebuild

namespace {

const char* const CopyPrefix = "qel$";

/// The copyable columns of the master table, quoted and joined. Computed columns compute
/// themselves; a rowversion (TIMESTAMP) column takes no value from an INSERT and gets a new
/// one for every row.
std::string CopyColumns(const TTblData& X) {
  std::string Cols;
  for (const auto& F : X.Fields) {
    if (F->Computed() || F->FieldType == iftTimeStamp) continue;
    if (!Cols.empty()) Cols += ", ";
    Cols += X.QuoteIdent(F->GetObjName());
  }
  return Cols;
}

/// Full name of X under another name for the moment of one text.
template <class Fn>
auto UnderName(TTblData& X, const std::string& Name, Fn Text) {
  const std::string Saved = X.GetObjName();
  X.SetObjName(Name);
  auto R = Text();
  X.SetObjName(Saved);
  return R;
}

void CopyRows(TCustomSQLExec& Exec, const TTblData& X, const std::string& Cols,
              const std::string& Src, const std::string& Dst) {
  const bool Identity = X.HasIdentity();
  if (Identity)
    Exec.Add("SET IDENTITY_INSERT " + Dst + " ON", stStatement, Dst, dboTable, odbUnknown);
  Exec.Add("insert into " + Dst + "(" + Cols + ")" + "\r\n" + "select " + Cols + " from " + Src,
           stInsert, Dst, dboTable, odbInsert);
  if (Identity)
    Exec.Add("SET IDENTITY_INSERT " + Dst + " OFF", stStatement, Dst, dboTable, odbUnknown);
}

/// The objects of the master schema that stand on table X and went with the old table: they
/// come back after the new one (their own passes ran earlier in the script).
void CreateTableDependants(TCustomObjs& Master, TTblData& X) {
  auto* Objs = dynamic_cast<TObjs*>(&Master);
  if (!Objs) return;
  const std::string& N = X.GetObjName();
  for (int I = 0; I < Objs->Constraints.Count(); ++I)
    if (auto* C = dynamic_cast<TCtrData*>(Objs->Constraints.Objects(I));
        C && C->GetTblName() == N && !C->GetObjCreated() && !C->SkipDef)
      C->CreateDependDef();
  for (int I = 0; I < Objs->Indexes.Count(); ++I)
    if (auto* Idx = dynamic_cast<TIdxData*>(Objs->Indexes.Objects(I));
        Idx && Idx->TableName == N && !Idx->GetObjCreated() && !Idx->SkipDef)
      Idx->CreateDependDef();
  for (int I = 0; I < Objs->Triggers.Count(); ++I)
    if (auto* Trg = dynamic_cast<TTrgData*>(Objs->Triggers.Objects(I));
        Trg && Trg->OwnerObj == &X && !Trg->GetObjCreated() && !Trg->SkipDef)
      Trg->CreateDependDef();
}

/// After every rebuild: what other objects lost with the old tables comes back. By this pass
/// every creation pass has run, so a master object that has a counterpart and is not created
/// went with a rebuilt table: foreign keys of other tables, views; routines emptied for the
/// drop get their bodies again.
void RestoreOtherDependants(TCustomObjs& Master) {
  auto* Objs = dynamic_cast<TObjs*>(&Master);
  if (!Objs) return;
  for (int I = 0; I < Objs->Constraints.Count(); ++I)
    if (TDbObj* C = Objs->Constraints.Objects(I);
        C && C->GetRefObj() && !C->GetObjCreated() && !C->SkipDef)
      C->CreateDependDef();
  for (int I = 0; I < Objs->Views.Count(); ++I)
    if (TDbObj* V = Objs->Views.Objects(I);
        V && V->GetRefObj() && !V->GetObjCreated() && !V->SkipDef)
      V->CreateDependDef();
  for (int I = 0; I < Objs->Procedures.Count(); ++I)
    if (auto* P = dynamic_cast<TPrcData*>(Objs->Procedures.Objects(I));
        P && P->RestoreBody && P->GetObjCreated() && !P->SkipDef) {
      P->AddAlterStatements(odbRestore);
      P->SetRestoreBody(false);
    }
}

void RebuildTable(TCustomObjs& Master, TCustomSQLExec& Exec, TTblData& X, TTblData& T) {
  const std::string N = X.GetObjName();
  const std::string FN = X.GetObjFullName();
  const std::string Copy = CopyPrefix + N;
  const std::string CN = UnderName(X, Copy, [&] { return X.GetObjFullName(); });
  Master.DoLogNextLine("ReCreate table (upd. column position): " + FN);

  // 1. The copy, in the master's column order, filled from the old table.
  Exec.Add(UnderName(X, Copy, [&] { return X.CreateDef(); }), stStatement, CN, dboTable, odbCreate);
  const std::string Cols = CopyColumns(X);
  CopyRows(Exec, X, Cols, FN, CN);

  // 2. The old table goes only when the copy holds every one of its rows: a copy that failed
  // (or a missing copy table, which fails the statement) leaves the old table and its data.
  // The table is dropped for real (the cascade keeps a table the master still has); what
  // stands on it went before the first rebuild.
  Exec.Add("IF (SELECT COUNT(*) FROM " + CN + ") = (SELECT COUNT(*) FROM " + FN + ")\r\n" +
               "  DROP TABLE " + FN,
           stStatement, N, dboTable, odbDrop);
  for (const auto& G : T.Fields) G->SetObjCreated(false);
  T.SetObjCreated(false);
  for (const auto& F : X.Fields) F->SetObjCreated(false);
  X.SetObjCreated(false);

  // 3. The table anew, with what stands on it; the rows come back from the copy.
  X.CreateDependDef();
  CreateTableDependants(Master, X);
  CopyRows(Exec, X, Cols, CN, FN);

  // 4. The copy goes only when the new table holds every row: a failed copy-back (or a new
  // table that could not be made) keeps the rows in the copy.
  Exec.Add("IF (SELECT COUNT(*) FROM " + FN + ") = (SELECT COUNT(*) FROM " + CN + ")\r\n" +
               "  DROP TABLE " + CN,
           stStatement, CN, dboTable, odbDrop);
}

}  // namespace

void MSSQLUpdateColumnPositionRecreateTable(TCustomObjs& Master, TCustomObjs& Target,
                                            TCustomSQLExec& Exec) {
  if (Target.GetDatabaseType() != dbMSSQL ||
      !Target.MSSQLServerOptions.GetMSSQLCompareOptions().UpdateColumnPosition)
    return;
  std::vector<std::pair<TTblData*, TTblData*>> Flagged;
  for (int I = 0; I < Master.Tables.Count(); ++I) {
    auto* X = dynamic_cast<TTblData*>(Master.Tables.Objects(I));
    auto* T = X ? dynamic_cast<TTblData*>(X->GetRefObj()) : nullptr;
    if (X && T && X->UpdFldPos && !X->SkipDef && T->GetObjCreated()) Flagged.emplace_back(X, T);
  }
  // What stands on the tables goes first, for every table before any rebuild.
  for (auto& [X, T] : Flagged) T->DoBeforeDrop();
  for (auto& [X, T] : Flagged) {
    RebuildTable(Master, Exec, *X, *T);
    // SetUpdFldPos marks the counterpart as well; here both are done.
    X->UpdFldPos = false;
    T->UpdFldPos = false;
  }
  if (!Flagged.empty()) RestoreOtherDependants(Master);
}

}  // namespace qel
