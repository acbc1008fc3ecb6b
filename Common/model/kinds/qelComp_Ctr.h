// Table constraints: primary, unique and foreign keys, checks, SQL Server/ASE defaults, NOT NULL
// constraints, plain keys and column-level references. A constraint writes its ALTER TABLE ...
// ADD and DROP texts per dialect and never changes in place: a changed constraint is dropped and
// added again.
//
// Names a server made up by itself (an unnamed key on SQL Server, PostgreSQL, DB2 ...) say
// nothing about the constraint and differ from database to database; the readers hand them to
// the recognisers below, which move such a name to AltName so that the constraint is keyed and
// matched by its definition instead.
#pragma once

#include <cstdint>
#include <string>

#include "qelClasses.h"

namespace qel {

enum TConstraintType : std::uint8_t {
  ctPKey,
  ctUnique,
  ctFKey,
  ctCheck,
  ctKey,
  ctDefault,
  ctNotNull,
  ctReferences
};
using TConstraintTypeSet = TSet<TConstraintType, 8>;

/// A PostgreSQL check condition in the form two texts of it are compared in: each operator
/// application in parentheses (redundant ones dropped, the grouping kept), names and keywords in
/// lower case, the casts the server gives literals dropped, LIKE, BETWEEN and IN as the server
/// writes them. A condition the normal form does not cover comes back as its tokens.
std::string PGConditionKey(const std::string& Condition);

/// The deepest nesting (parentheses, calls, NOT and signs, one level each) PGConditionKey
/// follows, so that its stack stays small. A deeper condition is compared token by token; the
/// script reader refuses one, as no condition a server keeps nests anywhere near that deep.
inline constexpr int PGConditionMaxDepth = 1000;

/// True when Condition nests deeper than PGConditionMaxDepth.
bool PGConditionTooDeep(const std::string& Condition);

/// ON UPDATE / ON DELETE action of a foreign key.
enum TUDAction : std::uint8_t { udaNoAction, udaRestrict, udaCascade, udaDefault, udaNull };
/// Foreign-key MATCH kind as read; no DDL text carries it.
enum TMatchAction : std::uint8_t { maSimple, maFull, maPartial };

/// The attributes of a constraint that few constraints have (a foreign key's referenced
/// columns, the index and storage clauses of one or two dialects): in the constraint's block
/// of rarer attributes.
struct TCtrExtra : TObjExtra {
  TCtrExtra();
  ~TCtrExtra() override;

  /// SQL Server index options.
  TIndexOptions IndexOptions;
  /// Oracle storage clause.
  TTableSpace TableSpace;
  /// Referenced columns, in order; entries may carry owned TFldData objects.
  TStringList RefFldList;
  /// SQL Anywhere owner of the referenced table.
  TObjText RefOwner;
  /// SQL Anywhere foreign-key role name.
  TObjText RoleName;
  /// InterBase: name of the key's index; MySQL: index name of a unique key; other dialects:
  /// text written after the column list as stored.
  TObjText IndexName;
  /// MySQL: the algorithm of a primary key's index as the key names it (USING BTREE, HASH).
  TObjText IndexType;
  /// PostgreSQL check: the database's own text of this (script's) condition, where a live
  /// comparison had the server store the condition and it came back as that of a check of
  /// the database. Compared (and keyed, when unnamed) in place of Body; empty otherwise.
  TObjText ServerBody;
};

/// One table constraint. Setting its type sets its kind code.
class TCtrData : public TDbObjWith<TCtrExtra> {
 public:
  /// A new constraint is a foreign key with both actions udaNoAction.
  explicit TCtrData(TCustomObjs* aOwner);
  ~TCtrData() override = default;

  // Fields. The codes and flags come first, where they fill the space the base leaves after
  // its own; the texts most constraints leave empty are one pointer each until set.

  TMatchAction MatchType = maSimple;
  TUDAction OnUpdate = udaNoAction;
  TUDAction OnDelete = udaNoAction;
  /// InterBase: the key's index is descending.
  bool Descending = false;
  bool CheckOnCommit = false;
  /// SQL Anywhere and SQL Server clustering.
  bool Clustered = false;
  bool NotForReplication = false;
  /// Writes DEFERRABLE, with INITIALLY DEFERRED while InitiallyDeferred holds.
  bool Deferrable = false;
  /// A deferrable constraint is checked at commit unless SET CONSTRAINTS says otherwise; false:
  /// checked after each statement until then (DEFERRABLE alone, INITIALLY IMMEDIATE).
  bool InitiallyDeferred = true;
  /// Constrained columns, in order; an entry may carry a TFldData, which the list owns.
  TStringList FldList;

  TConstraintType GetCtType() const { return FCtType; }
  /// The object type of the constraint's type; a column default only on creation.
  TDbObject DbObjectKind(bool OnCreate) const override;
  /// Stores the type; primary, foreign, unique, check, default and reference constraints take
  /// the kind code of their type (kindPrimaryKey, kindForeignKey, kindUnique, kindCheck,
  /// kindColumnDefault, kindReferences).
  void SetCtType(TConstraintType Value);
  const std::string& GetTblName() const { return FTblName; }
  /// The table names and the referenced schema follow the SQL Server rule of SetObjName.
  void SetTblName(const std::string& Value);
  const std::string& GetRefTblName() const { return FRefTblName; }
  void SetRefTblName(const std::string& Value);
  /// Schema of the referenced table (SQL Server; PostgreSQL and Oracle too when a reader sets
  /// it, else the constraint's own schema is taken).
  const std::string& GetRefSchema() const { return FRefSchema; }
  void SetRefSchema(const std::string& Value);

  // Replaced virtual operations.

  /// The name; else the server-generated name; else the definition.
  std::string GetCaption() const override;
  /// "ALTER TABLE " + table + " ADD " + the clause (Oracle NOT NULL: the MODIFY form). Empty
  /// for a kind the dialect has no clause for (plain keys; NOT NULL outside Oracle; defaults
  /// outside SQL Server and ASE): a statement of the bare name would not run.
  std::string Def() const override;
  /// Def; a PostgreSQL check with its condition (ServerBody where known) in the normal form
  /// of PGConditionKey, as the server gives back its own text of the condition a script wrote.
  std::string CompareDef() const override;
  /// A key first drops the foreign keys that reference it.
  void DoBeforeDrop() override;
  /// A drop the dialect has no statement for (a constraint without a name) is named in the
  /// comparer's messages, unless the constraint's table goes too.
  void DoAfterDrop() override;
  /// The tables and table columns the constraint needs are created first.
  void DoBeforeCreate() override;
  std::string DropDef() const override;
  /// MySQL: the clauses of the ALTER TABLE that drops the key with Drop (TTblData::MySQLKeyDrop).
  std::string MySQLDropText(const std::string& Drop) const;
  /// Named constraints are keyed by name; where the dialect keeps their names per table
  /// (PostgreSQL, DB2, MySQL, SQL Anywhere) the key names the table too, as "name ON table".
  /// Unnamed ones are keyed by their definition.
  std::string ObjKeyDef() const override;

  // Texts.

  /// Appends a constrained column with its sort order (0 not given, 1 ascending, 2
  /// descending) and, for a MySQL key, its prefix length (0 none); an order or a length given
  /// is kept in a TIdxFldData the entry carries (the length in its Size).
  void AddFld(const std::string& Name, std::int32_t SortOrder, std::int32_t Size = 0);
  /// Column lists as text: quoted names joined by ", ".
  std::string GetFields() const;
  std::string GetRefFlds() const;
  /// The constrained columns as a key clause lists them: GetFields, and where the dialect's
  /// key takes a sort order (SQL Anywhere) " DESC" after each column kept descending, and
  /// for MySQL each column's prefix length "(n)".
  std::string GetKeyFields() const;
  /// The constraint clause without ALTER TABLE; ColumnLevel is the form written inside a
  /// column definition.
  std::string ConstraintDef(bool ColumnLevel = false) const;
  std::string UsingIndexDef() const;
  std::string OracleNotNullDef() const;
  /// The table reference after "ALTER TABLE ".
  std::string TableRef() const;

  // Server-generated names. Each returns true when the name is one the server made up; the
  // name then moves to AltName and ObjName is emptied.

  /// PostgreSQL and DB2 collections: their rule; others: nothing.
  bool CheckSysName();
  /// SQL Server: PK__, UQ__, FK__ or DF__ ... "__" + 8 or 16 upper-case hexadecimal digits.
  bool MSSQLCheckSysName();
  /// ASE: the SQL Server rule.
  bool ASECheckSysName();
  /// DB2: 18 characters beginning "SQL".
  bool DB2CheckSysName();
  /// PostgreSQL: table_pkey, table_cols_key, table_cols_fkey, table_check, table_col_check,
  /// each possibly followed by the number the server appends to a name already taken.
  bool PGCheckSysName();

 private:
  std::string CaseRuleName(const std::string& Value) const;
  std::string RefTableRef() const;
  /// Moves the name to AltName when Generated; returns Generated.
  bool MoveSysName(bool Generated);

  TConstraintType FCtType = ctFKey;
  /// MySQL: the master's version of the key was added by the statement that dropped it.
  mutable bool FReplacedByDrop = false;
  std::string FTblName;
  TObjText FRefTblName;
  TObjText FRefSchema;
};

// ---------------------------------------------------------------------------------------------
// Constraint passes of the update script. The kinds compared are the master collection's
// CompareObjects (the comparer's set).

/// Drops the target constraints that the master lacks or defines otherwise, from the last list
/// entry to the first.
void GenScriptCtrDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Adds the master constraints of the kinds in Types that the target lacks, kind by kind:
/// NOT NULL, SQL Server defaults, primary keys, unique keys, foreign keys, checks, defaults.
void GenScriptCtrCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                        const TConstraintTypeSet& Types);

}  // namespace qel
