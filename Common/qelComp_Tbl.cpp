// Columns and tables: type text, the column and table statements and the table's part of the
// creation cascade.
#include "qelComp_Tbl.h"

#include "Text.h"
#include "qelComp_Fnc.h"
#include "qelComp_Prc.h"
#include "qelComp_Viw.h"

namespace qel {

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

TDBFieldType FieldTypeByName(const std::string& Name) {
  const std::string Up = UpperCase(Name);
  for (std::size_t I = 0; I < FieldTypeNames.size(); ++I)
    if (Up == FieldTypeNames[I]) return static_cast<TDBFieldType>(I);
  return iftUnknown;
}

// ---------------------------------------------------------------------------------------------
// TFldData

namespace {

/// "(" + N + ")".
std::string InParens(std::int32_t N) {
  std::string R(1, '(');
  R += std::to_string(N);
  R += ')';
  return R;
}

}  // namespace

TFldData::TFldData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = 102;
}

std::string TFldData::GetCaption() const {
  return GetObjName();
}

std::string TFldData::GetDefValue() const {
  if (DefValue.size() >= 2 && DefValue.front() == '"' && DefValue.back() == '"')
    return QuotedStr(DefValue.substr(1, DefValue.size() - 2), '\'');
  return DefValue;
}

std::string TFldData::FieldTypeDef() const {
  if (ReturnParam != 0) return "PARAMETER " + std::to_string(ReturnParam);
  if (FieldType == iftDomain) return (TypeOf ? "TYPE OF " : "") + QuoteIdent(DomainName);
  const TDatabaseType DB = GetDatabaseType();
  if (Computed()) return (DB == dbMSSQL ? "AS " : "COMPUTED BY ") + Body;

  std::string R = FieldType < FieldTypeNames.size() ? FieldTypeNames[FieldType] : FieldTypeNames[0];
  if (DB == dbPostgreSQL) {
    R = LowerCase(R);
    if (FieldType == iftTimeTZ || FieldType == iftTimeStampTZ) {
      if (Precision != 0) R += InParens(Precision);
      R += " with time zone";
    }
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
  if (FieldType == iftBlob) {
    if (SubType != 0) R += " SUB_TYPE " + std::to_string(SubType);
    // External-function arguments never name a segment size; 80 is the server's default.
    if (SegmentSize != 0 && SegmentSize != 80 && !dynamic_cast<const TUdfData*>(OwnerObj))
      R += " SEGMENT SIZE " + std::to_string(SegmentSize);
  }
  if ((FieldType == iftNumber || FieldType == iftNumeric || FieldType == iftDecimal) &&
      Precision != 0) {
    R += '(';
    R += std::to_string(Precision);
    if (Scale != 0) {
      R += ',';
      R += std::to_string(Scale);
    }
    R += ')';
  }
  if (DB == dbInterBase && Owner && Owner->IBServerOptions.GetSQLDialect() != 3 &&
      (FieldType == iftTime || FieldType == iftTimeStamp))
    R = "DATE";  // dialects 1 and 2 know only DATE, which holds the time too
  return R;
}

std::string TFldData::TypeDef() const {
  return FieldTypeDef();
}

std::string TFldData::Def() const {
  const TDatabaseType DB = GetDatabaseType();
  const std::string Name =
      DB == dbMSSQL && dynamic_cast<const TPrcData*>(OwnerObj) ? GetObjName() : GetObjFullName();
  std::string R = Name.empty() ? std::string() : Name + " ";
  R += TypeDef();
  if (DB == dbSybaseASE) {
    if (InOut == ioIn) R += " in";
    if (InOut == ioOut) R += " out";
    if (InOut == ioInout) R += " inout";
  }
  return R;
}

std::string TFldData::CreateDef() const {
  const TDatabaseType DB = GetDatabaseType();
  std::string Table = QuoteIdent(TableName);
  if (OwnerObj) {
    if ((DB == dbOracle || DB == dbMSSQL || DB == dbPostgreSQL) && !OwnerObj->GetSchema().empty())
      Table = QuoteIdent(OwnerObj->GetSchema()) + "." + QuoteIdent(TableName);
    else if (DB == dbSybaseASA)
      Table = QuoteIdent(OwnerObj->Creator) + "." + QuoteIdent(TableName);
  }
  return "ALTER TABLE " + Table + " ADD " + Def();
}

std::string TFldData::DropDef() const {
  const std::string Column = QuoteIdent(GetObjName());
  switch (GetDatabaseType()) {
    case dbMSSQL:
      return "ALTER TABLE " + (OwnerObj ? OwnerObj->GetObjFullName() : QuoteIdent(TableName)) +
             " DROP COLUMN " + Column;
    case dbSybaseASA:
      if (dynamic_cast<const TTblData*>(OwnerObj))
        return "ALTER TABLE " + QuoteIdent(OwnerObj->Creator) + "." + QuoteIdent(TableName) +
               " DROP " + Column;
      break;
    case dbOracle:
      return "ALTER TABLE " + QuoteIdent(TableName) + " DROP (" + Column + ")";
    default:
      break;
  }
  return "ALTER TABLE " + QuoteIdent(TableName) + " DROP " + Column;
}

// ---------------------------------------------------------------------------------------------
// TTblData

TTblData::TTblData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = 101;
  Fields.CaseSensitive = !(aOwner && aOwner->GetDatabaseType() == dbMSSQL);
}

bool TTblData::GetObjCreated() const {
  return TDbObj::GetObjCreated();
}

std::string TTblData::TypeDef() const {
  std::string R = "TABLE " + GetObjFullName();
  std::string Columns;
  for (const auto& F : Fields) {
    if (SkipComputedDef && F->Computed()) continue;
    if (!Columns.empty()) Columns += ",\r\n";
    Columns += F->Def();
  }
  // A table whose every column is left out is written like one without columns.
  if (!Columns.empty()) R += "(" + Columns + ")";
  return R;
}

std::string TTblData::CreateDef() const {
  return SkipDef ? "" : "CREATE " + TypeDef();
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
  // The table exists: add the computed columns it still lacks, once what they read exists.
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
  for (const auto& F : Fields) {
    if (F->Computed()) {
      if (SkipComputedDef) continue;
      F->DoBeforeCreate();
    }
    F->SetObjCreated(true);
  }
}

void TTblData::SetUpdFldPos(bool Value) {
  UpdFldPos = Value;
  if (auto* Ref = dynamic_cast<TTblData*>(GetRefObj())) Ref->UpdFldPos = true;
}

bool TTblData::HasComputedColumns() const {
  for (const auto& F : Fields)
    if (F->Computed()) return true;
  return false;
}

void TTblData::ResetGeneration() {
  TDbObj::ResetGeneration();
  SkipComputedDef = false;
  UpdFldPos = false;
  for (const auto& F : Fields) F->ResetGeneration();
}

}  // namespace qel
