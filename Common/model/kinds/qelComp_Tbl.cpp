// Columns and tables: the type names, the column's comparison text, its ADD and DROP statements
// and cascade hooks, the table text of every dialect and the table's part of the cascade.
// The type writers of the dialects are in qelComp_Tbl_Types.cpp, the comparison and the table
// passes in qelComp_Tbl_Passes.cpp.
#include "qelComp_Tbl.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Fnc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl_Int.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"

namespace qel {

using tbl_detail::ASAOwnerPrefix;
using tbl_detail::DomainDescriptor;
using tbl_detail::InParens;

namespace {

/// The objects of List that rest on Tbl and pass Match, in the order of List. Views are linked
/// to the tables they read when the collection is read (records come in mirrored pairs), so
/// the table's own records name them: no walk over every view of the collection per dropped
/// column, which made the work grow with the square of the tables. An object is taken only
/// where List files it, and in its order, as such a walk would.
template <class T, class Pred>
std::vector<T*> OwnInListOrder(const TDbObj& Tbl, const TDbObjList& List, Pred Match) {
  std::vector<std::pair<int, T*>> Found;
  for (const auto& D : Tbl.UseIn) {
    auto* Obj = dynamic_cast<T*>(D->DepObj);
    if (!Obj || !Match(*Obj)) continue;
    const std::string Key = Obj->ObjKeyDef();
    // Keys need not be unique: the object is one of the run filed under its key.
    for (int I = List.IndexOf(Key); I >= 0 && I < List.Count() && SameText(List.Keys(I), Key); ++I)
      if (List.Objects(I) == Obj) {
        Found.emplace_back(I, Obj);
        break;
      }
  }
  std::sort(Found.begin(), Found.end());
  Found.erase(std::unique(Found.begin(), Found.end()), Found.end());
  std::vector<T*> R;
  R.reserve(Found.size());
  for (const auto& F : Found) R.push_back(F.second);
  return R;
}

}  // namespace

const std::array<const char*, 94> FieldTypeNames = {"? DataType",
                                                    "INTEGER",
                                                    "BIGINT",
                                                    "FLOAT",
                                                    "DOUBLE PRECISION",
                                                    "FLOAT4",
                                                    "FLOAT8",
                                                    "TINYINT",
                                                    "REAL",
                                                    "DOUBLE",
                                                    "NUMBER",
                                                    "LONG",
                                                    "LONG RAW",
                                                    "VARCHAR",
                                                    "CHAR",
                                                    "LONG VARCHAR",
                                                    "VARCHAR2",
                                                    "DATE",
                                                    "TIME",
                                                    "TIMESTAMP",
                                                    "TIME",
                                                    "TIMESTAMP",
                                                    "SMALLDATETIME",
                                                    "GRAPHIC",
                                                    "VARGRAPHIC",
                                                    "Geometry",
                                                    "Point",
                                                    "Curve",
                                                    "LineString",
                                                    "Surface",
                                                    "Polygon",
                                                    "GeometryCollection",
                                                    "MultiPoint",
                                                    "MultiCurve",
                                                    "MultiLineString",
                                                    "MultiSurface",
                                                    "MultiPolygon",
                                                    "BLOB",
                                                    "CLOB",
                                                    "DBCLOB",
                                                    "BINARY",
                                                    "LONG BINARY",
                                                    "NUMERIC",
                                                    "DECIMAL",
                                                    "TEXT",
                                                    "NCHAR",
                                                    "NVARCHAR",
                                                    "NVARCHAR2",
                                                    "NTEXT",
                                                    "NCLOB",
                                                    "SMALLINT",
                                                    "QUAD",
                                                    "CSTRING",
                                                    "NATIONAL CHAR",
                                                    "RAW",
                                                    "ROWID",
                                                    "UROWID",
                                                    "MEDIUMINT",
                                                    "YEAR",
                                                    "DATETIME",
                                                    "TINYBLOB",
                                                    "MEDIUMBLOB",
                                                    "LONGBLOB",
                                                    "TINYTEXT",
                                                    "MEDIUMTEXT",
                                                    "LONGTEXT",
                                                    "ENUM",
                                                    "SET",
                                                    "BIT",
                                                    "VARBIT",
                                                    "MONEY",
                                                    "SMALLMONEY",
                                                    "GUID",
                                                    "VARBINARY",
                                                    "IMAGE",
                                                    "BFILE",
                                                    "UNIQUEIDENTIFIER",
                                                    "SYSNAME",
                                                    "SQL_VARIANT",
                                                    "CURSOR",
                                                    "CURSOR VARYING",
                                                    "TABLE",
                                                    "XML",
                                                    "INTERVAL YEAR TO MONTH",
                                                    "INTERVAL DAY TO SECOND",
                                                    "SERIAL",
                                                    "BIGSERIAL",
                                                    "BYTEA",
                                                    "INTERVAL",
                                                    "INT2",
                                                    "INT4",
                                                    "INT8",
                                                    "OID",
                                                    "BOOLEAN"};

const char* FieldTypeName(TDBFieldType T) {
  return T < FieldTypeNames.size() ? FieldTypeNames[T] : FieldTypeNames[0];
}

bool HoldsUnwritableType(const std::string& Text) {
  // Every writer spells a type through FieldTypeName; PostgreSQL's in lower case.
  return ContainsText(Text, FieldTypeNames[0]);
}

bool TypeUnwritable(const TFldData& F) {
  return HoldsUnwritableType(F.TypeDef());
}

TDBFieldType FieldTypeByName(const std::string& Name) {
  const std::string Up = UpperCase(Name);
  for (std::size_t I = 0; I < FieldTypeNames.size(); ++I)
    if (Up == FieldTypeNames[I]) return static_cast<TDBFieldType>(I);
  return iftUnknown;
}

bool PGTypeTakesSecondsPrecision(TDBFieldType T) {
  return T == iftTime || T == iftTimeTZ || T == iftTimeStamp || T == iftTimeStampTZ ||
         T == iftInterval;
}

bool PGIsSerial(const TFldData& Fld) {
  return !PGSerialIntegerType(Fld).empty();
}

std::string PGSerialIntegerType(const TFldData& Fld) {
  if (!Fld.Extra().ArrayBounds.empty()) return "";
  switch (Fld.FieldType) {
    case iftSerial:
      return "integer";
    case iftBigSerial:
      return "bigint";
    case iftSmallInt:
      return Fld.AutoIncrement ? "smallint" : "";
    default:
      return "";
  }
}

// ---------------------------------------------------------------------------------------------
// TFldData

TFldData::TFldData(TCustomObjs* aOwner) : TDbObjWith(aOwner) {
  Kind = kindField;
}

TFldData::~TFldData() = default;

TFldExtra::TFldExtra() = default;
TFldExtra::~TFldExtra() = default;

std::string TFldData::GetCaption() const {
  return GetObjName();
}

TDBFieldType TFldData::FldTypeFromIbType(std::int32_t IbType) const {
  switch (IbType) {
    case ibtSmallInt:
      return iftSmallInt;
    case ibtInteger:
      return iftInteger;
    case ibtQuad:
      return iftQuad;
    case ibtFloat:
      return iftFloat;
    case ibtDate:
      return iftDate;
    case ibtTime:
      return iftTime;
    case ibtChar:
      return iftChar;
    case ibtBigInt:
      return iftBigInt;
    case ibtBoolean:
      return iftBoolean;
    case ibtDouble:
      return iftDoublePrecision;
    case ibtTimeStamp:
      // Dialect 1 calls its date-and-time type DATE.
      return !Owner || Owner->IBServerOptions.GetSQLDialect() == 3 ? iftTimeStamp : iftDate;
    case ibtVarchar:
      return iftVarchar;
    case ibtCstring:
      return iftCstring;
    case ibtBlob:
      return iftBlob;
    default:
      return iftUnknown;
  }
}

std::string TFldData::GetDefValue() const {
  if (DefValue.size() >= 2 && DefValue.front() == '"' && DefValue.back() == '"')
    return QuotedStr(DefValue.substr(1, DefValue.size() - 2), '\'');
  return DefValue;
}

TDmnData* TFldData::GetDmnData() const {
  if (FieldType != iftDomain) return nullptr;
  const auto* Objs = dynamic_cast<const TObjs*>(Owner);
  return Objs ? Objs->GetDomain(Extra().DomainName) : nullptr;
}

bool TFldData::IsCharType() const {
  return IsCharTypeDepth(0);
}

bool TFldData::IsCharTypeDepth(int Depth) const {
  switch (FieldType) {
    case iftVarchar:
    case iftChar:
    case iftNChar:
    case iftCstring:
      return true;
    case iftBlob:
      return SubType == 1;
    case iftDomain: {
      // Domains are not typed by domains, but a damaged catalog must not loop here.
      const TFldData* D = DomainDescriptor(GetDmnData());
      return D && D != this && Depth < 8 && D->IsCharTypeDepth(Depth + 1);
    }
    default:
      return false;
  }
}

std::string TFldData::DefaultCharSet() const {
  if (!IsCharType()) return "";
  if (!Extra().CharSet.empty()) return Extra().CharSet;
  if (const TFldData* D = DomainDescriptor(GetDmnData()); D && !D->Extra().CharSet.empty())
    return D->Extra().CharSet;
  if (Owner && GetDatabaseType() == dbInterBase) return Owner->IBServerOptions.GetDBCharSet();
  return "";
}

void TFldData::GetCharsetCollation(std::int32_t aCharSetId, const std::string& aCharSet,
                                   std::int32_t aCollationId, const std::string& aCollation) {
  auto DropCollation = [this] {
    SetExtra(&TFldExtra::CollationId, 0);
    SetExtra(&TFldExtra::Collation, std::string());
  };
  auto DropCharSet = [this] {
    SetExtra(&TFldExtra::CharSetId, 0);
    SetExtra(&TFldExtra::CharSet, std::string());
  };
  if (IsCharType()) {
    SetExtra(&TFldExtra::CharSetId, aCharSetId);
    SetExtra(&TFldExtra::CharSet, aCharSet);
    SetExtra(&TFldExtra::CollationId, aCollationId);
    SetExtra(&TFldExtra::Collation, aCollation);
    // The default collation of a character set carries the set's name.
    if (FieldType == iftDomain) {
      const TFldData* D = DomainDescriptor(GetDmnData());
      if (Extra().Collation == (D ? D->Extra().Collation : std::string())) DropCollation();
    } else if (Extra().Collation == DefaultCharSet()) {
      DropCollation();
    }
    const std::string DBCharSet = Owner ? Owner->IBServerOptions.GetDBCharSet() : std::string();
    if (Extra().CharSet == DBCharSet || (Extra().CharSet == "NONE" && DBCharSet.empty()))
      DropCharSet();
  } else {
    DropCollation();
  }
  if (Computed()) {
    DropCollation();
    DropCharSet();
  }
}

bool TFldData::InOutFirst() const {
  const auto* Prc = dynamic_cast<const TPrcData*>(OwnerObj);
  return Prc && Prc->InOutFirst;
}

bool TFldData::IsRoutineParam() const {
  return dynamic_cast<const TPrcData*>(OwnerObj) != nullptr;
}

std::string TFldData::FieldTypeDef() const {
  if (Extra().ReturnParam != 0) return "PARAMETER " + std::to_string(Extra().ReturnParam);
  const TDatabaseType DB = GetDatabaseType();
  if (FieldType == iftDomain && DB == dbPostgreSQL) {
    // A routine's parameter or result of a type of another schema, or an array of a domain.
    return (TypeOf ? "TYPE OF " : "") + tbl_detail::PGQualifiedName(*this, Extra().DomainName) +
           tbl_detail::PGArrayBrackets(Extra().ArrayBounds);
  }
  if (FieldType == iftDomain) return (TypeOf ? "TYPE OF " : "") + QuoteIdent(Extra().DomainName);
  if (Computed()) return (DB == dbMSSQL ? "AS " : "COMPUTED BY ") + Extra().Body;

  std::string R = FieldTypeName(FieldType);
  if (DB == dbPostgreSQL) {
    R = tbl_detail::PGTypeName(*this, LowerCase(R)) + tbl_detail::PGSecondsPrecision(*this);
    if (FieldType == iftTimeTZ || FieldType == iftTimeStampTZ) R += " with time zone";
  }
  if (DB != dbInterBase) {
    switch (FieldType) {
      case iftVarchar:
      case iftChar:
      case iftVarChar2:
      case iftBinary:
      case iftNChar:
      case iftNVarChar:
      case iftCstring:
      case iftVarBinary:
        if (Size > 1) R += InParens(Size);
        if (Size == -1) R += "(MAX)";
        break;
      default:
        break;
    }
  } else {
    if ((FieldType == iftChar || FieldType == iftNChar) && Size > 1) R += InParens(Size);
    if ((FieldType == iftVarchar || FieldType == iftNVarChar || FieldType == iftCstring) &&
        Size >= 1)
      R += InParens(Size);
  }
  // Oracle keeps the time zone of a TIMESTAMP in flags; the zone changes the type.
  if (DB == dbOracle && FieldType == iftTimeStamp) {
    if (WithTimeZone)
      R += " WITH TIME ZONE";
    else if (WithLocalTimeZone)
      R += " WITH LOCAL TIME ZONE";
  }
  if (FieldType == iftBlob) {
    if (SubType != 0) R += " SUB_TYPE " + std::to_string(SubType);
    // External-function arguments never name a segment size; 80 is the server's default.
    if (Extra().SegmentSize != 0 && Extra().SegmentSize != 80 &&
        !dynamic_cast<const TUdfData*>(OwnerObj))
      R += " SEGMENT SIZE " + std::to_string(Extra().SegmentSize);
  }
  if ((FieldType == iftNumber || FieldType == iftNumeric || FieldType == iftDecimal) &&
      Precision != 0)
    R += Scale != 0 ? InParens(Precision, Scale) : InParens(Precision);
  // A MySQL display width changes what clients read (tinyint(1) is a truth value to them);
  // the length of a BIT column is its size.
  if (DB == dbMySQL && Precision != 0 &&
      (FieldType == iftTinyInt || FieldType == iftSmallInt || FieldType == iftMediumInt ||
       FieldType == iftInteger || FieldType == iftBigInt || FieldType == iftYear ||
       FieldType == iftBit))
    R += InParens(Precision);
  if (DB == dbInterBase && Owner && Owner->IBServerOptions.GetSQLDialect() != 3 &&
      (FieldType == iftTime || FieldType == iftTimeStamp))
    R = "DATE";  // dialects 1 and 2 know only DATE, which holds the time too
  // An array column and its element type are different types: PostgreSQL compares the
  // dimensions as it writes them, after the element's modifier ("numeric(10,2)[]").
  if (DB == dbPostgreSQL) R += tbl_detail::PGArrayBrackets(Extra().ArrayBounds);
  // InterBase dimensions follow the whole element type, a precision included
  // ("NUMERIC(10, 2) [1:4]").
  if (DB == dbInterBase && !Extra().ArrayBounds.empty()) {
    R += " [";
    const TArrayBounds& Bounds = Extra().ArrayBounds;
    for (std::size_t I = 0; I < Bounds.size(); ++I) {
      if (I > 0) R += ", ";
      R += std::to_string(Bounds[I].Lower) + ":" + std::to_string(Bounds[I].Upper);
    }
    R += "]";
  }
  return R;
}

std::string TFldData::Def() const {
  const TDatabaseType DB = GetDatabaseType();
  std::string R;
  if (InOutFirst()) {
    if (InOut == ioIn) R = "in ";
    if (InOut == ioOut) R = "out ";
    if (InOut == ioInout) R = "inout ";
  }
  if (!GetObjName().empty())
    R += (DB == dbMSSQL && IsRoutineParam() ? GetObjName() : GetObjFullName()) + " ";
  R += TypeDef();
  if (DB == dbSybaseASE && !InOutFirst()) {
    if (InOut == ioIn) R += " in";
    if (InOut == ioOut) R += " out";
    if (InOut == ioInout) R += " inout";
  }
  return R;
}

std::string TFldData::TableRef() const {
  if (!OwnerObj) return QuoteIdent(TableName);
  if (GetDatabaseType() == dbSybaseASA) return ASAOwnerPrefix(*OwnerObj) + QuoteIdent(TableName);
  return SchemaQualified(OwnerObj->GetSchema(), TableName);
}

std::string TFldData::CreateDef() const {
  const TDatabaseType DB = GetDatabaseType();
  std::string R = "ALTER TABLE " + TableRef() + " ADD " + Def();
  if (DB == dbMySQL && AutoIncrement)
    if (const auto* Tbl = dynamic_cast<const TTblData*>(OwnerObj))
      R += Tbl->MySQLAutoIncrementKey(GetObjName());
  // A NOT NULL column can only be added to a filled table together with its default, so the
  // default constraint goes inline and its own pass passes it by.
  if (DB == dbMSSQL && !Nullable)
    for (const auto& D : UseIn) {
      auto* Ctr = dynamic_cast<TCtrData*>(D->DepObj);
      if (!Ctr || Ctr->GetCtType() != ctDefault || Ctr->FldList.Count() != 1 ||
          !SameText(Ctr->FldList[0], GetObjName()))
        continue;
      // The inline form names no column: "[CONSTRAINT name] DEFAULT expression".
      R += " ";
      if (!Ctr->GetObjName().empty()) R += "CONSTRAINT " + QuoteIdent(Ctr->GetObjName()) + " ";
      R += "DEFAULT " + Ctr->Extra().Body;
      Ctr->SetObjCreated(true);
    }
  return R;
}

namespace {

/// PostgreSQL: the rows of the collection's inherited columns that name column Fld of table
/// Table (schema Schema) as a child's (AsChild) or as the parent's.
std::vector<const TCustomObjs::TInheritedColumn*> InheritanceOf(const TFldData& Fld, bool AsChild) {
  std::vector<const TCustomObjs::TInheritedColumn*> R;
  if (!Fld.Owner || Fld.GetDatabaseType() != dbPostgreSQL || !Fld.OwnerObj) return R;
  const std::string& Schema = Fld.OwnerObj->GetSchema();
  for (const TCustomObjs::TInheritedColumn& C : Fld.Owner->InheritedColumns) {
    if (C.Column != Fld.GetObjName()) continue;
    if (AsChild ? C.Table == Fld.TableName && C.Schema == Schema
                : C.Parent == Fld.TableName && C.ParentSchema == Schema)
      R.push_back(&C);
  }
  return R;
}

}  // namespace

std::string TFldData::DropDef() const {
  const std::string Column = QuoteIdent(GetObjName());
  // A column that tables inherit goes from the parent alone (ONLY): the server keeps each
  // child's column, with its values, as the child's own. A child that loses it too drops it
  // by its own statement.
  if (!InheritanceOf(*this, false).empty())
    return "ALTER TABLE ONLY " + TableRef() + " DROP " + Column;
  switch (GetDatabaseType()) {
    case dbMSSQL:
      return "ALTER TABLE " + (OwnerObj ? OwnerObj->GetObjFullName() : TableRef()) +
             " DROP COLUMN " + Column;
    case dbOracle:
      return "ALTER TABLE " + TableRef() + " DROP (" + Column + ")";
    default:
      return "ALTER TABLE " + TableRef() + " DROP " + Column;
  }
}

void TFldData::DoBeforeCreate() {
  const bool Log = DebugLog && Owner;
  const std::string Tail = ClassName() + ": " + TableName + " / " + GetObjName();
  if (Log) Owner->DoLogNextLine("DoBedoreCreate1 / " + Tail);
  TDbObj::DoBeforeCreate();
  if (Log) Owner->DoLogNextLine("DoBedoreCreate2 / " + Tail);

  TCustomObjs* MasterObjs = Owner ? Owner->GetObjsMaster() : nullptr;
  if (FieldType == iftDomain)
    if (auto* M = dynamic_cast<TObjs*>(MasterObjs))
      if (TDmnData* Dmn = M->GetDomain(Extra().DomainName); Dmn && !Dmn->GetObjCreated())
        Dmn->CreateDependDef();
  // A computed column calls its external functions.
  if (Computed())
    for (const auto& D : UseOf)
      if (auto* Udf = dynamic_cast<TUdfData*>(D->DepObj); Udf && D->Active) {
        if (!Udf->GetObjCreated()) Udf->CreateDependDef();
        D->Active = false;
      }
}

void TFldData::DoBeforeDrop() {
  // A column the table has only from its parent cannot be dropped by itself: when the parent
  // loses it in this update as well, the parent's goes first, which leaves this one the
  // table's own.
  for (const TCustomObjs::TInheritedColumn* C : InheritanceOf(*this, true)) {
    auto* O = dynamic_cast<TObjs*>(Owner);
    TTblData* Parent = O ? O->GetTable(C->Parent) : nullptr;
    TFldData* Col =
        Parent && Parent->GetSchema() == C->ParentSchema ? Parent->Fields.Find(C->Column) : nullptr;
    const auto* MParent = Parent ? dynamic_cast<const TTblData*>(Parent->GetRefObj()) : nullptr;
    if (Col && Col->GetObjCreated() && MParent && !MParent->Fields.Find(C->Column))
      Col->DropDependDef();
  }
  TCustomSQLExec* Exec = GetSQLExec();
  const std::string Self = TableName + "(" + GetObjName() + ")";
  for (int I = 0; I < UseIn.Count(); ++I) {
    TDependObj* D = UseIn[I];
    TDbObj* Obj = D->DepObj;
    // Only what the target still has at this point of the script can stand in the way.
    if (!D->Active || !Obj || Obj == this || !Obj->GetObjCreated() || Obj->IsBeingDropped())
      continue;
    if (auto* Prc = dynamic_cast<TPrcData*>(Obj)) {
      if (Prc->Extra().Body == Prc->EmptyBody()) continue;
      if (Exec) Exec->AddComment(GenComment("Empty " + Prc->GetObjName() + " for drop " + Self));
      Prc->AssignEmptyBody(true);
    } else if (auto* Col = dynamic_cast<TFldData*>(Obj); Col && Col->Computed()) {
      if (Exec)
        Exec->AddComment(
            GenComment("Drop " + Col->TableName + "(" + Col->GetObjName() + ") for drop " + Self));
      Col->DropDependDef();
    } else if (dynamic_cast<TIdxData*>(Obj) || dynamic_cast<TCtrData*>(Obj) ||
               dynamic_cast<TPblData*>(Obj)) {
      Obj->DropDependDef();
    } else {
      continue;
    }
    D->Active = false;
  }
  // Views that read the column's table are dropped; the view passes create them again.
  if (auto* Target = dynamic_cast<TObjs*>(Owner ? Owner->GetObjsTarget() : nullptr)) {
    auto DropReader = [&](TDbObj* V) {
      for (const auto& D : V->UseOf)
        if (D->Active && dynamic_cast<TTblData*>(D->DepObj) &&
            D->DepObj->GetObjName() == TableName) {
          D->Active = false;
          V->DropDependDef();
          break;
        }
    };
    // The table whose records name its readers: where a table's key carries its schema the
    // column's own table, else the table of that name.
    TDbObj* Tbl = nullptr;
    if (!KeysCarrySchema(Target->GetDatabaseType()))
      Tbl = Target->Tables.FindObj(TableName);
    else if (OwnerObj && OwnerObj->Owner == Target && dynamic_cast<TTblData*>(OwnerObj))
      Tbl = OwnerObj;
    if (!Tbl && KeysCarrySchema(Target->GetDatabaseType())) {
      for (int I = 0; I < Target->Views.Count(); ++I) DropReader(Target->Views.Objects(I));
    } else if (Tbl) {
      for (TViwData* V : OwnInListOrder<TViwData>(
               *Tbl, Target->Views, [Target](const TViwData& V) { return V.Owner == Target; }))
        DropReader(V);
    }
  }
  TDbObj::DoBeforeDrop();
}

void TFldData::DoAfterDrop() {
  TDbObj::DoAfterDrop();
  if (auto* Tbl = dynamic_cast<TTblData*>(OwnerObj)) Tbl->SetUpdFldPos(true);
}

void TFldData::CreateDependDef() {
  const bool Missing = !GetObjCreated();
  TDbObj::CreateDependDef();
  if (Missing && GetObjCreated())
    if (auto* Tbl = dynamic_cast<TTblData*>(OwnerObj)) Tbl->AddedColumns.push_back(this);
}

void TFldData::ResetGeneration() {
  TDbObj::ResetGeneration();
  Found = false;
  Equal = false;
  RefPosition = -1;
}

void TFldData::Assign(const TFldData& Source) {
  Kind = Source.Kind;
  SetObjName(Source.GetObjName());
  AssignDataType(Source);
  Nullable = Source.Nullable;
  Position = Source.Position;
  DefValue = Source.GetDefValue();
  Found = Source.Found;
  Equal = Source.Equal;
  SetExtra(&TObjExtra::Description, Source.Extra().Description);
  InOut = Source.InOut;
  ByValue = Source.ByValue;
  ByDescriptor = Source.ByDescriptor;
  SetExtra(&TFldExtra::CheckText, Source.Extra().CheckText);
  SetExtra(&TFldExtra::ReturnParam, Source.Extra().ReturnParam);
}

void TFldData::AssignDataType(const TFldData& Source) {
  FieldType = Source.FieldType;
  Length = Source.Length;
  Size = Source.Size;
  Precision = Source.Precision;
  Scale = Source.Scale;
  SetExtra(&TFldExtra::DomainName, Source.Extra().DomainName);
  SetExtra(&TFldExtra::CharSet, Source.Extra().CharSet);
  SetExtra(&TFldExtra::CharSetId, Source.Extra().CharSetId);
  SetExtra(&TObjExtra::Body, Source.Extra().Body);
  SetExtra(&TFldExtra::Collation, Source.Extra().Collation);
  SetExtra(&TFldExtra::CollationId, Source.Extra().CollationId);
  SubType = Source.SubType;
  TypeOf = Source.TypeOf;
  SetExtra(&TFldExtra::CatalogType, Source.Extra().CatalogType);
  SetExtra(&TFldExtra::SubTypeName, Source.Extra().SubTypeName);
  SetExtra(&TFldExtra::SegmentSize, Source.Extra().SegmentSize);
}

bool TFldData::ArrayBoundsDiff(const TFldData& Other) const {
  return Extra().ArrayBounds != Other.Extra().ArrayBounds;
}

TGnrData& TFldData::GetIdentityGenerator() {
  std::unique_ptr<TGnrData>& Gen = EditExtra().IdentityGenerator;
  if (!Gen) Gen = std::make_unique<TGnrData>(Owner);
  return *Gen;
}

// ---------------------------------------------------------------------------------------------
// TTblData

TTblExtra::TTblExtra() = default;
TTblExtra::~TTblExtra() = default;

TTblData::TTblData(TCustomObjs* aOwner) : TDbObjWith(aOwner) {
  Kind = kindTable;
  // SQL Server, SQL Anywhere and MySQL compare column names without regard to case (and the
  // SQL Anywhere writer spells a keyword used as a name in upper case).
  const TDatabaseType DB = aOwner ? aOwner->GetDatabaseType() : dbAbstract;
  Fields.CaseSensitive = !(DB == dbMSSQL || DB == dbSybaseASA || DB == dbMySQL);
}

TTblData::~TTblData() = default;

bool TTblData::GetObjCreated() const {
  return TDbObj::GetObjCreated();
}

namespace {

const std::string ListSep = ",\r\n";

/// Removes the separator after the last item, when there is one.
void DropTrailingSep(std::string& S) {
  if (S.size() >= ListSep.size() &&
      S.compare(S.size() - ListSep.size(), ListSep.size(), ListSep) == 0)
    S.erase(S.size() - ListSep.size());
}

}  // namespace

std::string TTblData::TypeDef() const {
  const TDatabaseType DB = GetDatabaseType();
  std::string R;
  if (GlobalTemporary) R = "GLOBAL TEMPORARY ";
  R += "TABLE " + GetObjFullName();
  if (DB == dbInterBase && !Extra().ExternalFile.empty())
    R += "\r\nEXTERNAL FILE " + ScriptQuotedStr(Extra().ExternalFile, DB) + "\r\n";
  if (DB == dbOracle && !Extra().OfType.empty()) R += " OF " + Extra().OfType;
  if (!Fields.Empty()) {
    R += "(";
    for (const auto& F : Fields) {
      if (SkipComputedDef && F->Computed()) continue;
      R += F->Def() + ListSep;
    }
    if (DB == dbMySQL)
      for (const auto& F : Fields)
        if (!F->Extra().KeyName.empty())
          R += "KEY " + QuoteIdent(F->Extra().KeyName) + "(" + QuoteIdent(F->GetObjName()) + ")" +
               ListSep;
    // With every column left out the parenthesis stays: the name is never cut.
    DropTrailingSep(R);
    R += ")";
  } else if (DB == dbPostgreSQL && Extra().AsQuery.empty()) {
    R += "()";  // a table without columns, which the server allows
  }
  if (!Extra().AsQuery.empty()) R += "\r\nAS " + Extra().AsQuery;
  if (WithOids) R += " WITH OIDS";
  if (OnCommit == tocDelete && DB != dbSybaseASA) R += "\r\n ON COMMIT DELETE ROWS";
  if (OnCommit == tocPreserve) R += "\r\n ON COMMIT PRESERVE ROWS";
  if (DB == dbOracle) {
    if (!Extra().TableSpace.IsEmpty()) R += "\r\n" + Extra().TableSpace.Def();
    if (!Extra().TablespaceName.empty()) R += "\r\nTABLESPACE " + Extra().TablespaceName;
    if (Compress) R += "\r\nCOMPRESS";
    if (NoLogging) R += "\r\nNOLOGGING";
    if (!Storage.empty() && Extra().NestedTable.empty()) R += "\r\nSTORAGE" + Storage;
    if (!Extra().Cluster.empty()) R += "\r\nCLUSTER " + Extra().Cluster + Extra().ClusterColumns;
    // A nested-table column's storage follows the column list: NESTED TABLE column STORE AS
    // table, with the storage table's own clauses in parentheses.
    if (!Extra().NestedTable.empty()) {
      R += "\r\nNESTED TABLE " + Extra().NestedTable + " STORE AS " + Extra().StoreAs;
      if (!Storage.empty()) R += " " + Storage;
    }
    if (!Extra().LobClause.empty()) R += "\r\nLOB" + Extra().LobClause;
    if (!Extra().StoreAs.empty() && Extra().NestedTable.empty())
      R += "\r\nSTORE AS " + Extra().StoreAs;
    if (!Extra().ExtraClause.empty()) R += "\r\n" + Extra().ExtraClause;
    if (!Extra().PartitionColumns.empty() || !Extra().PartitionClause.empty())
      R += "\r\nPARTITION BY RANGE " + Extra().PartitionColumns + " " + Extra().PartitionClause;
  }
  if (DB == dbMySQL) R += MySQLOptionsDef();
  return R;
}

std::string TTblData::MySQLOptionsDef() const {
  const TMySQLTableOptions& O = Extra().MySQLOptions;
  std::string R;
  if (!O.Engine.empty()) R += "\r\nENGINE=" + O.Engine;
  if (!O.PackKeys.empty()) R += "\r\nPACK_KEYS=" + O.PackKeys;
  // Without its collation a table takes its character set's default, and its text columns
  // with it: a foreign key between text columns of two collations is refused.
  if (!O.GetDefCharSet().empty()) {
    R += "\r\nDEFAULT CHARSET=" + O.GetDefCharSet();
    if (!O.Collation.empty()) R += " COLLATE=" + O.Collation;
  }
  if (!O.RowFormat.empty()) R += "\r\nROW_FORMAT=" + O.RowFormat;
  return R;
}

namespace {

/// A MySQL index as a table element: [UNIQUE|FULLTEXT|SPATIAL] KEY name(columns) [USING type]
/// [COMMENT 'text'].
std::string MySQLIndexElement(const TIdxData& Idx, const std::string& Cols) {
  const char* Kind = Idx.Unique     ? "UNIQUE KEY "
                     : Idx.FullText ? "FULLTEXT KEY "
                     : Idx.Spatial  ? "SPATIAL KEY "
                                    : "KEY ";
  std::string R = Kind + Idx.QuoteIdent(Idx.GetObjName()) + "(" + Cols + ")";
  if (!Idx.Extra().IndexType.empty()) R += " USING " + Idx.Extra().IndexType;
  if (!Idx.Extra().Description.empty())
    R += " COMMENT " + ScriptQuotedStr(Idx.Extra().Description, dbMySQL);
  return R;
}

}  // namespace

std::string TTblData::MySQLAutoIncrementKey(const std::string& Column, bool Present) const {
  const auto* Objs = dynamic_cast<const TObjs*>(Owner);
  const TObjs::TTableKeys* Own = Objs ? Objs->KeysOfTable(GetObjName()) : nullptr;
  if (!Own) return "";
  const auto Usable = [&](const TStringList& Columns) {
    if (Columns.Count() == 0 || Columns[0] != Column) return false;
    for (int I = 0; Present && I < Columns.Count(); ++I) {
      const TFldData* F = Fields.Find(Columns[I]);
      const TDbObj* Now = F ? F->GetRefObj() : nullptr;
      if (!Now || !Now->GetObjCreated()) return false;
    }
    return true;
  };
  for (TCtrData* C : Own->Constraints)
    if ((C->GetCtType() == ctPKey || C->GetCtType() == ctUnique) && !C->GetObjCreated() &&
        Usable(C->FldList)) {
      C->SetObjCreated(true);
      return ", ADD " + C->ConstraintDef(false);
    }
  for (TIdxData* Idx : Own->Indexes) {
    if (Idx->GetObjCreated() || !Usable(Idx->Flds)) continue;
    const std::string Cols = Idx->GetFlds();
    if (Cols.empty()) continue;
    Idx->SetObjCreated(true);
    return ", ADD " + MySQLIndexElement(*Idx, Cols);
  }
  return "";
}

std::string TTblData::MySQLKeyDrop(const std::string& Column, const std::string& Drop,
                                   const TDbObj& Dropped, bool& Replaced) {
  Replaced = false;
  TFldData* Col = Fields.Find(Column);
  if (!Col || !Col->AutoIncrement) return Drop;
  const auto* Kept = dynamic_cast<const TFldData*>(Col->GetRefObj());
  const auto* Master =
      Kept && Kept->AutoIncrement ? dynamic_cast<const TTblData*>(Kept->OwnerObj) : nullptr;
  if (Master) {
    // The dropped key's counterpart counts as not created yet: it may take the key's place.
    TDbObj* Counterpart = Dropped.GetRefObj();
    if (Counterpart) Counterpart->ObjCreated = false;
    const std::string Key = Master->MySQLAutoIncrementKey(Kept->GetObjName(), true);
    if (Counterpart) {
      Replaced = Counterpart->ObjCreated;
      Counterpart->ObjCreated = true;
    }
    if (!Key.empty()) return Drop + Key;
  }
  TFldData Plain(Owner);
  Plain.Assign(*Col);
  Plain.AutoIncrement = false;
  Col->AutoIncrement = false;
  return " MODIFY COLUMN " + QuoteIdent(Col->GetObjName()) + " " + Plain.TypeDef() + "," + Drop;
}

std::string TTblData::MySQLCreateDef() const {
  std::string R = "CREATE TABLE " + QuoteIdent(GetObjName());
  if (!Fields.Empty()) {
    R += "(";
    // Computed columns left out here are added by their own statements afterwards; writing
    // them twice would fail.
    for (const auto& F : Fields)
      if (!(SkipComputedDef && F->Computed())) R += F->Def() + ListSep;
    // The table's own keys and indexes, in the order of their lists.
    const TObjs::TTableKeys* Own = nullptr;
    if (auto* Objs = dynamic_cast<TObjs*>(Owner)) Own = Objs->KeysOfTable(GetObjName());
    if (Own) {
      for (TCtrData* Ctr : Own->Constraints) {
        if (Ctr->GetTblName() != GetObjName()) continue;
        const char* Word = Ctr->GetCtType() == ctPKey     ? "PRIMARY KEY"
                           : Ctr->GetCtType() == ctUnique ? "UNIQUE"
                                                          : nullptr;
        if (!Word) continue;
        if (!Ctr->GetObjName().empty()) R += "CONSTRAINT " + QuoteIdent(Ctr->GetObjName()) + " ";
        R += std::string(Word) + "(" + Ctr->GetKeyFields() + ")";
        if (!Ctr->Extra().IndexType.empty()) R += " USING " + Ctr->Extra().IndexType;
        if (!Ctr->Extra().Description.empty())
          R += " COMMENT " + ScriptQuotedStr(Ctr->Extra().Description, dbMySQL);
        R += ListSep;
        Ctr->SetObjCreated(true);
      }
      for (TIdxData* Idx : Own->Indexes) {
        if (Idx->TableName != GetObjName()) continue;
        // An index whose columns are not known is left to the index pass.
        const std::string Cols = Idx->GetFlds();
        if (Cols.empty()) continue;
        R += MySQLIndexElement(*Idx, Cols) + ListSep;
        Idx->SetObjCreated(true);
      }
    }
    DropTrailingSep(R);
    R += ")";
  }
  return R + MySQLOptionsDef();
}

std::string TTblData::CreateDef() const {
  if (SkipDef) return "";
  return GetDatabaseType() == dbMySQL ? MySQLCreateDef() : "CREATE " + TypeDef();
}

std::string TTblData::Def() const {
  return CreateDef();
}

std::string TTblData::DropDef() const {
  return "DROP TABLE " + GetObjFullName();
}

void TTblData::CreateDependDef() {
  TCascadeGuard Guard = GuardCreate();
  if (!Guard) return;
  TCustomSQLExec* Exec = GetSQLExec();
  if (!GetObjCreated()) {
    DoBeforeCreate();
    if (!GetObjCreated()) {
      if (Exec) {
        Exec->Add(CreateDef(), stStatement, GetObjName(), dboTable, odbCreate);
        Exec->AddComment("\r\n");
      }
      SetObjCreated(true);
      DoAfterCreate();
    }
    return;
  }
  if (SkipComputedDef) return;
  // The table exists: add the computed columns it still lacks.
  bool Added = false;
  for (const auto& F : Fields)
    if (F->Computed() && !F->GetObjCreated() && !F->UseOfActive()) {
      F->CreateDependDef();
      Added = true;
    }
  if (Added) SetUpdFldPos(true);
}

void TTblData::DoBeforeCreate() {
  if (DebugLog && Owner) Owner->DoLogNextLine(ClassName() + ": " + GetObjName());
  // PostgreSQL looks up the functions a default calls when it creates the table: they come
  // first.
  if (GetDatabaseType() == dbPostgreSQL)
    for (const auto& D : UseOf)
      if (TDbObj* Prc = D->DepObj;
          D->Active && Prc && Prc->Kind == kindProcedure && !Prc->GetObjCreated()) {
        Prc->CreateDependDef();
        D->Active = false;
      }
  for (const auto& F : Fields) {
    if (F->Computed()) {
      if (SkipComputedDef) continue;
      F->DoBeforeCreate();
    }
    F->SetObjCreated(true);
  }
}

void TTblData::DoAfterCreate() {
  TDbObj::DoAfterCreate();
}

void TTblData::DoBeforeDrop() {
  if (auto* Target = dynamic_cast<TObjs*>(Owner ? Owner->GetObjsTarget() : nullptr)) {
    for (int I = 0; I < Target->Triggers.Count(); ++I) {
      auto* Trg = dynamic_cast<TTrgData*>(Target->Triggers.Objects(I));
      if (Trg && Trg->OwnerObj == this && Trg->GetObjCreated()) Trg->DropDependDef();
    }
    for (int I = 0; I < Target->Indexes.Count(); ++I) {
      auto* Idx = dynamic_cast<TIdxData*>(Target->Indexes.Objects(I));
      if (Idx && Idx->TableName == GetObjName()) Idx->DropDependDef();
    }
  }
  TakeOutUsers([](TDbObj& User) {
    auto* Col = dynamic_cast<TFldData*>(&User);
    if (!dynamic_cast<TCtrData*>(&User) && !dynamic_cast<TPblData*>(&User) &&
        !(Col && Col->Computed()))
      return false;
    User.DropDependDef();
    return true;
  });
  for (const auto& F : Fields)
    if (F->Computed() && F->GetObjCreated()) F->DoBeforeDrop();
  TDbObj::DoBeforeDrop();
}

void TTblData::SetUpdFldPos(bool Value) {
  UpdFldPos = Value;
  if (auto* Ref = dynamic_cast<TTblData*>(GetRefObj())) Ref->UpdFldPos = true;
}

void TTblData::SetViewsReCreateFlag() {
  for (const auto& D : UseIn)
    if (auto* V = dynamic_cast<TViwData*>(D->DepObj)) V->SetReCreate(true);
}

bool TTblData::HasIdentity() const {
  for (const auto& F : Fields)
    if (F->Identity) return true;
  return false;
}

bool TTblData::HasComputedColumns() const {
  for (const auto& F : Fields)
    if (F->Computed()) return true;
  return false;
}

void TTblData::CreateComputedFields() {
  for (const auto& F : Fields)
    if (F->Computed() && !F->GetObjCreated()) F->CreateDependDef();
}

void TTblData::ResetGeneration() {
  TDbObj::ResetGeneration();
  SkipComputedDef = false;
  UpdFldPos = false;
  AddedColumns.clear();
  Paired = false;
  Equal = false;
  for (const auto& F : Fields) F->ResetGeneration();
}

}  // namespace qel
