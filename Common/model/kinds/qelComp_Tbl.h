// Tables and their columns (also routine parameters and the type descriptors of domains), the
// dialect-neutral column types, publications and schemas.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "qelClasses.h"

namespace qel {

/// Type codes of the InterBase/Firebird catalog (RDB$FIELDS.RDB$FIELD_TYPE). BOOLEAN has two:
/// InterBase's 17 and Firebird's 23 (from 3.0 on).
constexpr std::int32_t ibtSmallInt = 7;
constexpr std::int32_t ibtInteger = 8;
constexpr std::int32_t ibtQuad = 9;
constexpr std::int32_t ibtFloat = 10;
constexpr std::int32_t ibtDate = 12;  ///< dialect 3's DATE
constexpr std::int32_t ibtTime = 13;
constexpr std::int32_t ibtChar = 14;
constexpr std::int32_t ibtBigInt = 16;
constexpr std::int32_t ibtBoolean = 17;    ///< InterBase's BOOLEAN
constexpr std::int32_t ibtFbBoolean = 23;  ///< Firebird's BOOLEAN
constexpr std::int32_t ibtDouble = 27;
constexpr std::int32_t ibtTimeStamp = 35;  ///< dialect 1's DATE
constexpr std::int32_t ibtVarchar = 37;
constexpr std::int32_t ibtCstring = 40;
constexpr std::int32_t ibtBlob = 261;

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

/// The spelling of T; entry 0 ("? DataType") for iftDomain and anything outside the table, so
/// that a domain-typed item written for a dialect without domains never reads past the table.
const char* FieldTypeName(TDBFieldType T);

/// The type whose spelling equals Name upper-cased (first match); iftUnknown when none does.
TDBFieldType FieldTypeByName(const std::string& Name);

/// PostgreSQL time, timestamp and interval types (with or without time zone) take the precision
/// of their fractional seconds, kept in TFldData::Precision.
bool PGTypeTakesSecondsPrecision(TDBFieldType T);

/// TFldData::Precision of such a type written with "(0)". A zero Precision is the type written
/// without any, which the server keeps apart from every written one (pg_dump shows the
/// difference), so a written zero needs a value of its own.
inline constexpr std::int32_t PGZeroSecondsPrecision = -1;

class TGnrData;
class TTblData;
class TDmnData;
class TFldData;

/// Text holds the placeholder the writers put for a type they cannot spell (a type left
/// unknown by a reader or a conversion): such a text must never reach a script.
bool HoldsUnwritableType(const std::string& Text);
/// F's type text in its dialect holds that placeholder.
bool TypeUnwritable(const TFldData& F);

/// A PostgreSQL column default in the spelling a script and the catalog share: the catalog
/// keeps a literal with the cast its column type gave it ("'y'::bpchar", "'-1'::integer"),
/// where a script writes the bare literal. Drops a cast to the column's own type (without
/// modifier), gives a number literal cast to its own type, or quoted on an exact-number column,
/// as the bare number, and "(-1)" as "-1". Any other text is returned unchanged.
std::string PGDefaultKey(const std::string& Text, const TFldData& Fld);

/// One array dimension: lower and upper bound.
struct TArrayBound {
  std::int32_t Lower = 0;
  std::int32_t Upper = 0;
  bool operator==(const TArrayBound&) const = default;
};

/// The array dimensions of a column, one bound pair per dimension. Nearly every column has
/// none, so the list is one pointer while empty; it copies and compares as a vector.
class TArrayBounds {
 public:
  using TItems = std::vector<TArrayBound>;
  using value_type = TArrayBound;
  using const_iterator = TItems::const_iterator;
  using iterator = const_iterator;

  TArrayBounds() noexcept = default;
  TArrayBounds(std::initializer_list<TArrayBound> Items) { Set(TItems(Items)); }
  TArrayBounds(const TArrayBounds& Other) { Set(Other.Items()); }
  TArrayBounds(TArrayBounds&&) noexcept = default;
  TArrayBounds& operator=(const TArrayBounds& Other) {
    if (this != &Other) Set(Other.Items());
    return *this;
  }
  TArrayBounds& operator=(TArrayBounds&&) noexcept = default;
  TArrayBounds& operator=(std::initializer_list<TArrayBound> Items) {
    Set(TItems(Items));
    return *this;
  }
  ~TArrayBounds() = default;

  std::size_t size() const { return FItems ? FItems->size() : 0; }
  bool empty() const { return size() == 0; }
  const TArrayBound& operator[](std::size_t Index) const { return (*FItems)[Index]; }
  TArrayBound& operator[](std::size_t Index) { return (*FItems)[Index]; }
  const TArrayBound& back() const { return FItems->back(); }
  TArrayBound& back() { return FItems->back(); }
  void push_back(const TArrayBound& Bound) {
    if (!FItems) FItems = std::make_unique<TItems>();
    FItems->push_back(Bound);
  }
  void clear() noexcept { FItems.reset(); }
  TItems::const_iterator begin() const { return Items().begin(); }
  TItems::const_iterator end() const { return Items().end(); }
  operator const TItems&() const { return Items(); }
  /// The bounds as a vector (empty when there are none).
  const TItems& Items() const {
    static const TItems None;
    return FItems ? *FItems : None;
  }

  friend bool operator==(const TArrayBounds& A, const TArrayBounds& B) {
    return A.Items() == B.Items();
  }
  friend bool operator==(const TArrayBounds& A, const TItems& B) { return A.Items() == B; }

 private:
  void Set(TItems Items) {
    if (Items.empty())
      FItems.reset();
    else
      FItems = std::make_unique<TItems>(std::move(Items));
  }
  std::unique_ptr<TItems> FItems;
};

/// A list of texts that most columns leave empty (the values of ENUM and SET): one pointer
/// while empty, a TStringList from the first entry on.
class TSparseStrings {
 public:
  int Count() const { return FList ? FList->Count() : 0; }
  void Clear() { FList.reset(); }
  int Add(std::string S) { return Mut().Add(std::move(S)); }
  TStrings::const_iterator begin() const { return List().begin(); }
  TStrings::const_iterator end() const { return List().end(); }
  operator const TStringList&() const { return List(); }
  const TStringList& List() const {
    static const TStringList None;
    return FList ? *FList : None;
  }
  /// The list itself, made when there is none.
  TStringList& Mut() {
    if (!FList) FList = std::make_unique<TStringList>();
    return *FList;
  }

 private:
  std::unique_ptr<TStringList> FList;
};

/// The attributes of a column that few columns of a schema have (the types and options of
/// one or two dialects, a domain's CHECK, array bounds, enumeration values): a column holds
/// them in a block of their own, made when the first of them is set, so that a schema of a few
/// hundred thousand plain columns does not carry them in every column.
struct TFldExtra : TObjExtra {
  TFldExtra();
  ~TFldExtra() override;

  /// Domain or user type of an iftDomain item; Oracle user type; DB2 distinct type.
  TObjText DomainName;
  /// Character set and collation, by name and by catalog number.
  TObjText CharSet;
  TObjText Collation;
  std::int32_t CharSetId = 0;
  std::int32_t CollationId = 0;
  /// PostgreSQL: the database's own text of this default, where a live comparison found that
  /// the server spells this (script's) default so (it stored it, or the two differ only by the
  /// casts the server adds). Compared in place of DefValue; empty otherwise.
  TObjText ServerDefault;
  /// Schema of a SQL Server user type.
  TObjText DomainSchema;
  /// CHECK clause of a domain descriptor (written after " CHECK").
  TObjText CheckText;
  /// Name of the BLOB sub-type.
  TObjText SubTypeName;
  /// DB2 generation expression.
  TObjText GeneratedExpr;
  /// SQL Server XML schema collection clause.
  TObjText XmlSchema;
  /// MySQL: name of a single-column KEY declared with the column.
  TObjText KeyName;
  /// Class name of a Sybase ASE Java-typed column.
  TObjText JavaClassName;
  /// Array dimensions, one per dimension.
  TArrayBounds ArrayBounds;
  /// The values of ENUM and SET.
  TSparseStrings Values;
  /// DB2 identity options; nullptr until a reader asks for them (GetIdentityGenerator).
  std::unique_ptr<TGnrData> IdentityGenerator;
  /// Column list of a table-valued type or parameter (SQL Server, Sybase ASE); may be nullptr.
  std::unique_ptr<TTblData> TableType;
  /// InterBase/Firebird catalog type code as read (the input of FldTypeFromIbType).
  std::int32_t CatalogType = 0;
  /// BLOB segment size.
  std::int32_t SegmentSize = 0;
  /// Non-zero: the n-th parameter named by an external function's RETURNS clause.
  std::int32_t ReturnParam = 0;
  /// Identity (auto-numbered) column (TFldData::Identity) with its start and step.
  std::int32_t IdentitySeed = 0;
  std::int32_t IdentityIncrement = 0;
  /// DB2 LOB options: -1 not given, 0 NOT, 1 yes.
  std::int32_t Logged = -1;
  std::int32_t Compact = -1;
};

/// A column of a table or view, a parameter or result of a routine, or the type descriptor of
/// a domain. Readers fill the fields; the writers below turn them into the text of the
/// collection's dialect, and FieldTypeDef into the text two columns are compared by.
class TFldData : public TDbObjWith<TFldExtra> {
 public:
  explicit TFldData(TCustomObjs* aOwner);
  ~TFldData() override;

  // Fields. A schema has a few hundred thousand of these, so they are laid out by size and
  // the flags are single bits: the type byte first (it fills the space the base leaves after
  // its own flags), then the numbers, the small codes and flags, the texts and pointers.

  TDBFieldType FieldType = iftUnknown;
  /// Storage length in bytes as the catalog reports it (compared, not written).
  std::int32_t Length = 0;
  /// Declared length of character and binary types; -1 means MAX.
  std::int32_t Size = 0;
  /// Precision; also the MySQL display width and the time-zone and interval precision.
  std::int32_t Precision = 0;
  /// Scale; also the fractional-seconds precision of an interval.
  std::int32_t Scale = 0;
  /// Ordinal position in the table as read.
  std::int32_t Position = 0;
  /// Position of the counterpart column; -1 while there is none.
  std::int32_t RefPosition = -1;
  /// BLOB sub-type (1 = text); its name and the segment size are in TFldExtra.
  std::int32_t SubType = 0;
  /// Numeric and Decimal read from an InterBase/Firebird catalog: the type holding the value.
  TDBFieldType StorageType = iftUnknown;
  /// Parameter direction.
  TParamInOutType InOut = ioUnknown;
  /// DB2: 'A' GENERATED ALWAYS, 'D' GENERATED BY DEFAULT, blank or 0 none.
  char GeneratedKind = 0;
  bool Nullable : 1 = true;
  /// MySQL column attributes.
  bool UnsignedAttr : 1 = false;
  bool ZeroFill : 1 = false;
  bool BinaryAttr : 1 = false;
  bool AutoIncrement : 1 = false;
  /// Set by the table comparison: the counterpart column exists, and it is equal.
  bool Found : 1 = false;
  bool Equal : 1 = false;
  /// Typed with the TYPE OF form of a domain (the item takes the domain's type only).
  bool TypeOf : 1 = false;
  /// External-function argument passing.
  bool ByValue : 1 = false;
  bool ByDescriptor : 1 = false;
  bool Identity : 1 = false;
  /// SQL Server and SQL Anywhere ROWGUIDCOL.
  bool RowGuidCol : 1 = false;
  /// SQL Server persisted computed column.
  bool Persisted : 1 = false;
  /// Oracle REF column and the TIMESTAMP time-zone variants.
  bool RefType : 1 = false;
  bool WithTimeZone : 1 = false;
  bool WithLocalTimeZone : 1 = false;
  /// DB2 FOR BIT DATA.
  bool ForBitData : 1 = false;
  /// Sybase ASE Java-typed column (its class name in JavaClassName).
  bool JavaClass : 1 = false;
  /// Default value as read (write and compare it through GetDefValue).
  TObjText DefValue;
  /// Name of the owning table, view or routine (shared by the columns of one table).
  TSharedText TableName;
  /// The owning table, view, routine, external function or domain; may be nullptr.
  TDbObj* OwnerObj = nullptr;

  // Replaced virtual operations.

  /// The plain name.
  std::string GetCaption() const override;
  /// Optional direction word, name, type text.
  std::string Def() const override;
  /// Dependents first: routines are emptied, computed columns, indexes, constraints and
  /// publications dropped, views on the table dropped.
  void DoBeforeDrop() override;
  /// Marks the owning table for a column-order rewrite.
  void DoAfterDrop() override;
  /// Also files the column with its table when this call added it to the table.
  void CreateDependDef() override;
  /// The domain of a domain-typed column, and the external functions of a computed column,
  /// are created first.
  void DoBeforeCreate() override;
  /// The ALTER TABLE ... ADD statement.
  std::string CreateDef() const override;
  /// The ALTER TABLE ... DROP statement.
  std::string DropDef() const override;
  /// The owning table as ALTER TABLE names it: with the table's schema where the dialect
  /// writes schemas, with its owner in SQL Anywhere.
  std::string TableRef() const;
  /// Also forgets what the last table comparison found.
  void ResetGeneration() override;
  const std::string* FieldTableName() const override { return &TableName.str(); }
  const TDbObj* FieldOwnerObj() const override { return OwnerObj; }

  // Type text.

  /// InterBase/Firebird catalog type code (RDB$FIELD_TYPE) to type.
  TDBFieldType FldTypeFromIbType(std::int32_t IbType) const;
  /// The default text for writing: a value in double quotes is re-quoted as a SQL literal.
  std::string GetDefValue() const;
  /// The default as two readings of the column are compared: GetDefValue, in PostgreSQL in the
  /// spelling of PGDefaultKey.
  std::string CompareDefValue() const;
  /// The default of a routine's parameter as the creation text writes it: the server's
  /// spelling where it is known (the text of a routine is also what two readings of it are
  /// compared by), else GetDefValue.
  std::string ParamDefValue() const;
  /// Stores character set and collation, dropping the values that repeat a default.
  void GetCharsetCollation(std::int32_t aCharSetId, const std::string& aCharSet,
                           std::int32_t aCollationId, const std::string& aCollation);
  /// The item is computed (its expression is in Body).
  bool Computed() const { return !Extra().Body.empty(); }
  /// The domain of an iftDomain item in the owner collection, or nullptr.
  TDmnData* GetDmnData() const;
  bool IsCharType() const;
  /// The character set the item has in effect: its own, its domain's, or the database's.
  std::string DefaultCharSet() const;
  /// The owning routine writes the direction word before the name.
  bool InOutFirst() const;
  /// Dialect-neutral type text, used for comparison and as the head of the InterBase text.
  std::string FieldTypeDef() const;
  /// Type text with the column attributes of the collection's dialect.
  std::string TypeDef() const;
  std::string IBTypeDef() const;
  std::string MySQLTypeDef() const;
  std::string PGSQLTypeDef() const;
  std::string ASATypeDef() const;
  std::string ASETypeDef() const;
  std::string MSSQLTypeDef() const;
  std::string OracleTypeDef() const;
  std::string DB2TypeDef() const;

  // Copying.

  /// Copies the name, the type part, nullability, position, default (through GetDefValue),
  /// the comparison flags, description and the routine-argument attributes.
  void Assign(const TFldData& Source);
  /// Copies only the type part.
  void AssignDataType(const TFldData& Source);
  /// The numbers of dimensions or some bound differ.
  bool ArrayBoundsDiff(const TFldData& Other) const;
  /// The DB2 identity options, made on first use.
  TGnrData& GetIdentityGenerator();

 private:
  /// IsCharType with a bound on the domain chain (a domain typed by itself ends the chain).
  bool IsCharTypeDepth(int Depth) const;
  /// The item is a parameter of a stored routine.
  bool IsRoutineParam() const;
};

/// A PostgreSQL serial column: serial, bigserial, or smallserial (a smallint with
/// AutoIncrement). Each is its integer type, NOT NULL, with a default drawing on a sequence the
/// column owns.
bool PGIsSerial(const TFldData& Fld);
/// The integer type of a serial ("integer", "bigint", "smallint"); empty for other columns.
std::string PGSerialIntegerType(const TFldData& Fld);

/// The attributes of a table that few tables have (storage clauses of one or two dialects,
/// MySQL table options): in the table's block of rarer attributes.
struct TTblExtra : TObjExtra {
  TTblExtra();
  ~TTblExtra() override;

  /// Oracle storage attributes.
  TTableSpace TableSpace;
  /// MySQL engine, PACK_KEYS and ROW_FORMAT values, default character set and collation.
  TMySQLTableOptions MySQLOptions;
  /// InterBase external file name.
  TObjText ExternalFile;
  /// Oracle object type of an object table.
  TObjText OfType;
  /// Query of a table created AS a query.
  TObjText AsQuery;
  /// Oracle clause bodies.
  TObjText NestedTable;
  TObjText ExtraClause;
  TObjText StoreAs;
  TObjText Cluster;
  TObjText ClusterColumns;
  TObjText LobClause;
  TObjText TablespaceName;
  TObjText PartitionColumns;
  TObjText PartitionClause;
};

/// A table with its columns in column order.
class TTblData : public TDbObjWith<TTblExtra> {
 public:
  explicit TTblData(TCustomObjs* aOwner);
  ~TTblData() override;

  // Fields, in declaration order.

  /// Computed columns are left out of the table text (set around the first creation).
  bool SkipComputedDef = false;
  /// The column order has to be rewritten in the target.
  bool UpdFldPos = false;
  /// The columns this generation added to the existing table, in the order of their ADD
  /// statements: a server that appends an added column (MySQL) has them last in that order.
  std::vector<TFldData*> AddedColumns;
  /// The columns, owned, in column order; names are exact except for SQL Server.
  TObjVector<TFldData> Fields;
  /// Set by CompareTables on a master table that has a counterpart.
  bool Paired = false;
  /// Set by CompareTables: the counterpart needs no change.
  bool Equal = false;
  bool GlobalTemporary = false;
  TTblOnCommit OnCommit = tocUnknown;
  TObjText Storage;
  bool NoLogging = false;
  bool Compress = false;
  /// PostgreSQL WITH OIDS.
  bool WithOids = false;
  /// DB2 VOLATILE CARDINALITY.
  bool Volatile = false;

  // Replaced virtual operations.

  bool GetObjCreated() const override;
  /// CreateDef.
  std::string Def() const override;
  /// Creates the table when it is missing, else adds the computed columns it still lacks.
  void CreateDependDef() override;
  /// Triggers, indexes, constraints, publications and computed columns go first.
  void DoBeforeDrop() override;
  void DoBeforeCreate() override;
  void DoAfterCreate() override;
  /// MySQL: MySQLCreateDef; every other dialect "CREATE " + TypeDef.
  std::string CreateDef() const override;
  std::string DropDef() const override;
  void ResetGeneration() override;

  /// The table text without the leading "CREATE ".
  std::string TypeDef() const;
  /// The MySQL CREATE TABLE with the table's primary and unique keys and indexes inline; those
  /// are marked created, so that their own passes do not add them again.
  std::string MySQLCreateDef() const;
  std::string MySQLOptionsDef() const;
  /// MySQL: ", ADD " + the key of this table that starts with Column and is not yet created,
  /// marked created; "" when there is none. The server takes AUTO_INCREMENT only on a column
  /// a key starts with, so such a key goes into the statement that makes the column so, or
  /// that drops the column's key. With Present, only a key on columns the target has now.
  std::string MySQLAutoIncrementKey(const std::string& Column, bool Present = false) const;
  /// MySQL, on a target table: the clauses of an ALTER TABLE that drops a key starting with
  /// Column by Drop (" DROP PRIMARY KEY"). The server keeps an AUTO_INCREMENT column only while
  /// a key starts with it (1075): the master's key for it is added in the same statement, or,
  /// where there is none yet, the column loses AUTO_INCREMENT first (the column pass gives it
  /// back with its key when the master keeps it). Dropped is the key dropped: its own
  /// counterpart may be that key, and Replaced then tells it is written already.
  std::string MySQLKeyDrop(const std::string& Column, const std::string& Drop,
                           const TDbObj& Dropped, bool& Replaced);

  void SetSkipComputedDef(bool Value) { SkipComputedDef = Value; }
  /// Also marks the counterpart.
  void SetUpdFldPos(bool Value);
  /// Every view that uses the table is to be dropped and created again.
  void SetViewsReCreateFlag();
  bool HasIdentity() const;
  bool HasComputedColumns() const;
  /// Every computed column not yet created is created.
  void CreateComputedFields();
};

// ---------------------------------------------------------------------------------------------
// Table comparison and the table passes of the update script. Each takes the master and the
// target collection of a comparison and the executor that receives the statements; the
// comparer's dialect is the target's and its options are those pushed into the collections.

/// Pairs the columns of every paired table and sets the Paired, Equal, Found and RefPosition
/// marks; run once before the passes.
void CompareTables(TCustomObjs& Master, TCustomObjs& Target);
/// Creates the master tables the target lacks.
void GenScriptTablCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Adds the master columns the target tables lack.
void GenScriptTblFldCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Table options and descriptions of changed tables, then the column alteration pass and the
/// detection of changed column orders.
void GenScriptTablAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Drops the target columns and tables the master lacks.
void GenScriptTablDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Rewrites the column order of the tables marked for it (InterBase/Firebird; SQL Server by
/// rebuilding the table); MySQL moves the columns of every paired table that are out of order.
void GenScriptTblFldPosition(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

/// The column alteration pass: matched columns whose definitions differ are changed in place.
void GenScriptColumnsAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// SQL Server: tables whose column order changed are rebuilt through a copy table.
void MSSQLUpdateColumnPositionRecreateTable(TCustomObjs& Master, TCustomObjs& Target,
                                            TCustomSQLExec& Exec);
/// MySQL: the columns of every paired table are moved into the master's order, after the
/// columns were added and dropped, with the fewest MODIFY COLUMN ... FIRST/AFTER statements.
void MySQLUpdateColumnPositions(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

/// MySQL: the collation the server gives a character set when none is named; "" when not known.
std::string MySQLDefaultCollation(const std::string& CharSet);
/// MySQL: a column's character set and collation as SHOW CREATE TABLE writes them: both when
/// they are not the table's, neither when they are. BINARY after a character type is the _bin
/// collation of the column's character set; COLLATE alone names the set as well.
void MySQLNormaliseCharset(TFldData& Fld, const TTblData& Tbl);
/// MySQL: the collation the column has on the server, its own or the table's; "" for a column
/// without one (not a text type) or when the table's is not known.
std::string MySQLEffectiveCollation(const TFldData& Fld, const TTblData& Tbl);

class TPblData;

/// One article of a publication: a table, with the columns replicated (all when none).
class TPblArtData : public TObject {
 public:
  explicit TPblArtData(TPblData* aPublication);

  /// Column names; the list owns the objects attached to its entries.
  TStringList Columns;
  /// The owning publication; not owned.
  TPblData* Publication = nullptr;
  std::string TableName;
  std::string TableOwner;
  /// The row filter (WHERE) and the subscription expression (SUBSCRIBE BY) of the article,
  /// as the server stores them; empty when the article has none.
  std::string WhereText;
  std::string SubscribeByText;

  /// "    TABLE owner.table" and the quoted column list in parentheses when there is one.
  std::string Def() const;
};

/// A SQL Anywhere publication. The owner is the object's Creator (its schema when no creator
/// was read).
class TPblData : public TDbObj {
 public:
  explicit TPblData(TCustomObjs* aOwner);

  /// Sorted by "owner.table"; owns the articles.
  TStringList Articles;

  /// Files a new article for the table and returns it; an article of that table filed before
  /// is returned instead.
  TPblArtData* AddArticle(const std::string& TableOwner, const std::string& TableName);
  /// The article at Index; nullptr outside the list.
  TPblArtData* Article(int Index) const;

  std::string Def() const override;
  std::string DropDef() const override;
  /// The tables and columns the publication names are created first.
  void DoBeforeCreate() override;

  /// The owner as written before the name: quoted, followed by "."; empty without owner.
  std::string OwnerPrefix() const;
};

/// A schema of the dialects that have them.
class TSchData : public TDbObj {
 public:
  explicit TSchData(TCustomObjs* aOwner) : TDbObj(aOwner) {}

  /// The AUTHORIZATION principal.
  std::string SchemaOwner;

  std::string Def() const override;
  std::string DropDef() const override;
  /// Schemas carry the generic kind code; their class tells them apart.
  TDbObject DbObjectKind(bool OnCreate) const override;
  /// A schema the server keeps for itself: PostgreSQL "public", and the SQL Server schemas the
  /// reader marked by storing their own name as the alternate caption.
  bool BuiltIn() const;
};

// Publication passes (SQL Anywhere; gated by coTable).
void GenScriptPblCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptPblAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptPblDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

// Schema passes (Oracle, SQL Server, PostgreSQL and DB2 targets).
void GenScriptSchCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptSchAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptSchDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

}  // namespace qel
