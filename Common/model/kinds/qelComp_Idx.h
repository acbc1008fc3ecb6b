// Indexes: the CREATE and DROP INDEX texts of every dialect and the three index passes of the
// update script.
#pragma once

#include <cstdint>
#include <string>

#include "qelClasses.h"
#include "qelComp_Tbl.h"

namespace qel {

/// The descriptor of one index column: its sort order and, for MySQL, the prefix length (the
/// column's Size).
class TIdxFldData : public TFldData {
 public:
  explicit TIdxFldData(TCustomObjs* aOwner) : TFldData(aOwner) {}

  /// 0 not given, 1 ascending, 2 descending.
  std::int32_t SortOrder = 0;
  /// PostgreSQL operator class other than the column type's default (text_pattern_ops), and
  /// its schema where the server's search path does not find it; both empty for the default.
  std::string OpClass;
  std::string OpClassSchema;
};

/// The attributes of an index that few indexes have (storage and options of one or two
/// dialects, included columns): in the index's block of rarer attributes.
struct TIdxExtra : TObjExtra {
  TIdxExtra();
  ~TIdxExtra() override;

  /// Option records of the dialect readers.
  TIndexOptions IndexOptions;
  /// Oracle storage clause.
  TTableSpace TableSpace;
  /// SQL Server INCLUDE columns; the list owns their descriptors.
  TStringList IncludeFlds;
  /// SQL Server file group.
  TObjText FileGroup;
  /// SQL Server WITH clause, written as stored.
  TObjText OptionText;
  /// Oracle domain index: INDEXTYPE IS and PARAMETERS. IndexType is also the access method
  /// of a PostgreSQL index and the USING algorithm of a MySQL index (BTREE, HASH).
  TObjText IndexType;
  TObjText Parameters;
  /// Oracle.
  TObjText TablespaceName;
};

/// An index of a table.
class TIdxData : public TDbObjWith<TIdxExtra> {
 public:
  explicit TIdxData(TCustomObjs* aOwner);
  ~TIdxData() override;

  // Fields. The flags come first, where they fill the space the base leaves after its own;
  // the texts most indexes leave empty are one pointer each until set.

  bool Unique = false;
  /// The whole index is descending ("DESC " before INDEX).
  bool Descending = false;
  /// InterBase ACTIVE / INACTIVE.
  bool Active = true;
  /// SQL Server.
  bool Clustered = false;
  bool PrimaryXML = false;
  bool XML = false;
  /// Oracle.
  bool NoLogging = false;
  bool Compress = false;
  bool NoCompress = false;
  /// MySQL.
  bool FullText = false;
  bool Spatial = false;
  /// DB2.
  bool AllowReverseScans = false;

 private:
  bool FActiveReplaced = false;
  bool FActiveAsRead = true;

 public:
  TIndexOptions IndexOptions2;
  /// The indexed table.
  std::string TableName;
  /// The indexed table's schema where a reader found it other than the index's own (DB2 and
  /// Oracle name both); empty: the table is in the index's schema.
  TObjText TableSchema;
  /// Index columns in order: the entry is the column name; the list owns the descriptor an
  /// entry carries (a TIdxFldData from AddFld, or a plain TFldData).
  TStringList Flds;
  // Body (base): the expression of an expression index.

  /// Appends a column with its sort order and prefix length; returns its descriptor.
  TIdxFldData* AddFld(const std::string& Name, std::int32_t SortOrder = 0, std::int32_t Size = 0);
  /// Frees the descriptors of both column lists and empties them.
  void ClearFlds();
  /// Sets Active for the rest of the generated script (the alter pass switched the target's
  /// index); ResetGeneration puts the flag as read back.
  void SetScriptActive(bool Value);

  // Replaced virtual operations.

  /// CREATE INDEX.
  std::string Def() const override;
  /// DROP INDEX.
  std::string DropDef() const override;
  /// The base cascade, then a reconnect for InterBase.
  void DoBeforeDrop() override;
  /// Marks the index created again where its drop added the master's version (MySQL).
  void DoAfterDrop() override;
  /// Also records in the counterpart (CurrentDef) that the target now holds this text.
  void DoAfterCreate() override;
  /// Puts the active flag and the definition as read back.
  void ResetGeneration() override;
  /// Where the dialect keeps index names per table (its registration's NameScopes) the key
  /// names the table too, as "name ON table".
  std::string ObjKeyDef() const override;

  /// Quoted columns joined by ", ": name, for MySQL the prefix length "(n)", then " DESC".
  std::string GetFlds() const;
  /// Quoted INCLUDE columns joined by ", ".
  std::string GetIncludeCols() const;

 private:
  /// The indexed table qualified by schema where the dialect writes one.
  std::string SchemaTable() const;
  /// MySQL: the master's version of the index was added by the statement that dropped it.
  mutable bool FReplacedByDrop = false;
};

// ---------------------------------------------------------------------------------------------
// Index passes of the update script.

/// Creates the master indexes the target lacks (also those an earlier pass dropped).
void GenScriptIdxCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Paired indexes: a changed active flag is switched, a changed text dropped and created.
void GenScriptIdxAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Drops the target indexes the master lacks.
void GenScriptIdxDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

}  // namespace qel
