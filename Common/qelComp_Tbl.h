// Tables and their columns (also routine parameters and the type descriptors of domains), the
// dialect-neutral column types, publications and schemas.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "qelClasses.h"

namespace qel {

/// The data types of every dialect, one member per spelling; ordinal = position.
enum TDBFieldType : std::uint8_t {
  iftUnknown,
  iftInteger,
  iftBigInt,
  iftFloat,
  iftDoublePrecision,
  iftFloat4,
  iftFloat8,
  iftTinyInt,
  iftReal,
  iftDouble,
  iftNumber,
  iftLong,
  iftLongRaw,
  iftVarchar,
  iftChar,
  iftLongVarchar,
  iftVarChar2,
  iftDate,
  iftTime,
  iftTimeStamp,
  iftTimeTZ,
  iftTimeStampTZ,
  iftSmallDateTime,
  iftGraphic,
  iftVarGraphic,
  iftGeometry,
  iftPoint,
  iftCurve,
  iftLineString,
  iftSurface,
  iftPolygon,
  iftGeometryCollection,
  iftMultiPoint,
  iftMultiCurve,
  iftMultiLineString,
  iftMultiSurface,
  iftMultiPolygon,
  iftBlob,
  iftClob,
  iftDbClob,
  iftBinary,
  iftLongBinary,
  iftNumeric,
  iftDecimal,
  iftText,
  iftNChar,
  iftNVarChar,
  iftNVarChar2,
  iftNText,
  iftNClob,
  iftSmallInt,
  iftQuad,
  iftCstring,
  iftNationalChar,
  iftRaw,
  iftRowID,
  iftURowID,
  iftMediumInt,
  iftYear,
  iftDateTime,
  iftTinyBlob,
  iftMediumBlob,
  iftLongBlob,
  iftTinyText,
  iftMediumText,
  iftLongText,
  iftEnum,
  iftSet,
  iftBit,
  iftVarBit,
  iftMoney,
  iftSmallMoney,
  iftGuid,
  iftVarBinary,
  iftImage,
  iftBFile,
  iftUniqueIdent,
  iftSysName,
  iftSqlVariant,
  iftCursor,
  iftCursorVarying,
  iftTable,
  iftXml,
  iftIntervalYearToMonth,
  iftIntervalDayToSecond,
  iftSerial,
  iftBigSerial,
  iftByteA,
  iftInterval,
  iftInt2,
  iftInt4,
  iftInt8,
  iftOID,
  iftBoolean,
  iftDomain
};
constexpr std::size_t DBFieldTypeCount = 95;

/// Spelling of each type, iftUnknown .. iftBoolean (iftDomain is named by its domain).
extern const std::array<const char*, 94> FieldTypeNames;

/// The type whose spelling equals Name upper-cased (first match); iftUnknown when none does.
TDBFieldType FieldTypeByName(const std::string& Name);

/// A column of a table or view, a parameter or result of a routine, or the type descriptor of
/// a domain.
class TFldData : public TDbObj {
 public:
  explicit TFldData(TCustomObjs* aOwner);

  /// Default value as read (write it through GetDefValue).
  std::string DefValue;
  TDBFieldType FieldType = iftUnknown;
  /// Storage length in bytes as the catalog reports it.
  std::int32_t Length = 0;
  /// Declared length of character and binary types; -1 means MAX.
  std::int32_t Size = 0;
  std::int32_t Precision = 0;
  std::int32_t Scale = 0;
  bool Nullable = true;
  /// Ordinal position in the table as read.
  std::int32_t Position = 0;
  /// Position of the counterpart column.
  std::int32_t RefPosition = -1;
  bool Found = false;
  bool Equal = false;
  /// Domain or user type of an iftDomain item.
  std::string DomainName;
  /// Name of the owning table, view or routine.
  std::string TableName;
  /// The owning table, view or routine; may be nullptr.
  TDbObj* OwnerObj = nullptr;
  std::string CharSet;
  std::string Collation;
  /// BLOB sub-type (1 = text) and segment size.
  std::int32_t SubType = 0;
  std::int32_t SegmentSize = 0;
  /// Typed with the TYPE OF form of a domain.
  bool TypeOf = false;
  /// Parameter direction.
  TParamInOutType InOut = ioUnknown;
  /// Non-zero: the n-th parameter named by an external function's RETURNS clause.
  std::int32_t ReturnParam = 0;

  std::string GetCaption() const override;
  std::string Def() const override;
  std::string CreateDef() const override;
  std::string DropDef() const override;

  /// The default text for writing: a value in double quotes is re-quoted as a SQL literal.
  std::string GetDefValue() const;
  /// The item is computed (its expression is in Body).
  bool Computed() const { return !Body.empty(); }
  /// Dialect-neutral type text, used for comparison.
  std::string FieldTypeDef() const;
  /// Type text as written into a definition.
  std::string TypeDef() const;
};

/// A table with its columns in column order.
class TTblData : public TDbObj {
 public:
  explicit TTblData(TCustomObjs* aOwner);

  /// Computed columns are left out of the table text (set around the first creation).
  bool SkipComputedDef = false;
  /// The column order has to be rewritten in the target.
  bool UpdFldPos = false;
  /// The columns, owned, in column order; names are exact except for SQL Server.
  TObjVector<TFldData> Fields;
  bool Paired = false;
  bool Equal = false;

  bool GetObjCreated() const override;
  std::string Def() const override;
  void CreateDependDef() override;
  void DoBeforeCreate() override;
  std::string CreateDef() const override;
  std::string DropDef() const override;
  void ResetGeneration() override;

  /// The table text without the leading "CREATE ".
  std::string TypeDef() const;
  void SetSkipComputedDef(bool Value) { SkipComputedDef = Value; }
  /// Also marks the counterpart.
  void SetUpdFldPos(bool Value);
  bool HasComputedColumns() const;
};

/// A SQL Anywhere publication.
class TPblData : public TDbObj {
 public:
  explicit TPblData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 123; }
};

/// A schema of the dialects that have them.
class TSchData : public TDbObj {
 public:
  explicit TSchData(TCustomObjs* aOwner) : TDbObj(aOwner) {}

  /// The AUTHORIZATION principal.
  std::string SchemaOwner;
};

}  // namespace qel
