// The SQL Server catalog extractor, and what it shares with the Sybase ASE one: reads the schema
// of a live SQL Server (2005 or later) database from the sys catalog views into the schema object
// model through the shared catalog extraction driver.
//
// What it reads: the database options (collation, compatibility level, recursive triggers,
// quoted identifiers), schemas (the server's own ones marked as built in), user types,
// stand-alone defaults and rules, tables with their columns (identity, computed and ROWGUIDCOL
// columns, collations other than the database's), column defaults, primary keys, unique, check
// and foreign-key constraints, the indexes no constraint owns, views, procedures, functions,
// triggers and the MS_Description texts of tables, columns, views, routines and triggers. View,
// routine and trigger texts are read again by the SQL Server parser. Objects the server ships
// (is_ms_shipped) are never read. Filegroups, partitions, XML schema collections, table types,
// statistics and permissions are not read.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "qelComp_Tbl.h"
#include "qelDatabaseExtract.h"

namespace qel {

class TCtrData;
class TDmnData;
class TIdxData;

/// One column of an index or key as a catalog lists it.
struct TIndexColumn {
  std::string Name;
  bool Descending = false;
  /// An INCLUDE column of a SQL Server index.
  bool Included = false;
};
using TIndexColumnList = std::vector<TIndexColumn>;

/// What the SQL Server and ASE catalog extractors share: the Transact-SQL column types, the
/// stand-alone defaults and rules, the re-parsing of stored texts and the filing of objects.
class TMSSQLCustomDBExtract : public TCustomDBExtract {
 public:
  explicit TMSSQLCustomDBExtract(TComponent* AOwner);
  ~TMSSQLCustomDBExtract() override;

  /// Sets Fld's type, size, precision, scale and nullability from a catalog type name (case
  /// insensitive) and the catalog's byte length: national types count two bytes a character,
  /// a length of -1 is MAX. A name neither in the list nor a user type of the collection is
  /// reported ("Unknown datatype: " + the name) and the column keeps no type.
  void ColumnType(TFldData& Fld, const std::string& TypeName, std::int32_t Length,
                  std::int32_t Prec, std::int32_t Scale, bool Nullable);
  /// The expression of a stored CREATE DEFAULT or CREATE RULE text: what follows its first
  /// word AS, trimmed; empty when the text has none.
  static std::string BoundExpression(const std::string& Text);

 protected:
  /// Views, procedures and triggers: the kinds whose stored texts the parser reads.
  std::vector<TDbObjList TObjs::*> BodyLists() const override;
  /// Reads the stored CREATE text of a view, routine or trigger into it.
  void ParseObjText(TCustomParser& Parser, TDbObj& Obj) override;

  /// A stand-alone default (Rule false) or rule named Name with its stored CREATE text.
  void AddBoundObject(bool Rule, const std::string& Name, const std::string& Text);
  /// The dialect's recogniser of server-made constraint names.
  virtual void CheckSysName(TCtrData& Ctr) = 0;
  /// The type of a user type's descriptor as sp_addtype names it ("varchar(20)",
  /// "numeric(10,2)").
  static std::string BaseTypeText(const std::string& BaseName, const TFldData& Fld);
  /// Fills Ctr's columns with the key columns of one index, in key order.
  void KeyColumns(TCtrData& Ctr, const TIndexColumnList& Cols);
  /// Adds the columns of one index to Idx: key columns with their sort order, then the
  /// included ones.
  void IndexColumns(TIdxData& Idx, const TIndexColumnList& Cols);
  /// Name as the collection keeps names: upper-cased on SQL Server without case-sensitive
  /// identifiers (as SetObjName keeps them), else unchanged. For names kept as plain text
  /// (column lists, table names of indexes and triggers, user type names).
  std::string Fold(const std::string& Name) const;

  /// The steps both servers read, in frame order; the run's cached detail rows are let go first.
  std::vector<TDBExtractStep> ExtractSteps() override;

  /// Index and key columns by (object id, index id).
  using TIndexColumns = std::map<std::pair<std::int32_t, std::int32_t>, TIndexColumnList>;
  /// The columns of every index of the user tables, read (ReadIndexColumns) once a run.
  const TIndexColumns& IndexColumnList();
  /// Reads the columns of every index of the user tables into Cols.
  virtual void ReadIndexColumns(TIndexColumns& Cols) = 0;

  /// The tables of one run's table step, by catalog object id, filed together once their
  /// columns are read.
  class TTableSet {
   public:
    /// A new table named Name of catalog object Id.
    TTblData& Add(TObjs* Objs, std::int32_t Id, const std::string& Name);
    /// The table of object Id; nullptr when none was read.
    TTblData* Find(std::int32_t Id) const;
    /// Files the tables in the order read, stopping when the host cancels.
    void File(TMSSQLCustomDBExtract& Extract);

   private:
    std::vector<std::unique_ptr<TTblData>> FTables;
    std::unordered_map<std::int32_t, TTblData*> FById;
  };
  /// A new column of Tbl named Name, not yet added to it.
  std::unique_ptr<TFldData> NewColumn(TTblData& Tbl, const std::string& Name);
  /// Adds Fld as the last column of Tbl.
  static void AddColumn(TTblData& Tbl, std::unique_ptr<TFldData> Fld);
  /// Gives Dmn (named already) its descriptor from the system type BaseName and files it.
  void AddUserType(std::unique_ptr<TDmnData> Dmn, const std::string& BaseName, std::int32_t Length,
                   std::int32_t Prec, std::int32_t Scale, bool Nullable);
  /// Fills Ctr's columns from index IndexId of object ObjectId (when the catalog lists it), then
  /// files the key.
  void AddKey(std::unique_ptr<TCtrData> Ctr, std::int32_t ObjectId, std::int32_t IndexId);
  /// Lets the dialect recognise a server-made name, then files Ctr.
  void AddConstraint(std::unique_ptr<TCtrData> Ctr);

  // The steps. Each dialect reads its own catalog.
  virtual void ExtractHeader() = 0;
  virtual void ExtractTyp() = 0;
  void ExtractDef();
  void ExtractRul();
  /// Stand-alone defaults (Type "D") or rules ("R").
  virtual void ExtractBound(const char* Type) = 0;
  virtual void ExtractTbl() = 0;
  virtual void ExtractViw() = 0;
  virtual void ExtractPrc() = 0;
  virtual void ExtractTrg() = 0;
  virtual void ExtractIdx() = 0;
  void Extract_PK();
  void ExtractUnq();
  /// Primary keys (Primary) or unique constraints.
  virtual void ExtractKeys(bool Primary) = 0;
  virtual void Extract_FK() = 0;
  virtual void ExtractChk() = 0;

 private:
  TIndexColumns FIndexColumns;
  bool FIndexColumnsRead = false;
};

class TMSSQLDBExtract : public TMSSQLCustomDBExtract {
 public:
  /// DatabaseType is dbMSSQL.
  explicit TMSSQLDBExtract(TComponent* AOwner);
  ~TMSSQLDBExtract() override;

  /// True for a schema the server keeps for itself: dbo, guest, INFORMATION_SCHEMA and sys
  /// (any case), and the schemas of the fixed database roles (principal id 16384 and above).
  static bool BuiltInSchema(const std::string& Name, std::int32_t PrincipalId);

 protected:
  /// The shared steps with the schemas after the header and the column defaults last.
  std::vector<TDBExtractStep> ExtractSteps() override;
  /// A TMSSQLParser over the holder's collection.
  std::unique_ptr<TCustomParser> CreateBodyParser() override;
  void CheckSysName(TCtrData& Ctr) override;
  void ReadIndexColumns(TIndexColumns& Cols) override;

  void ExtractHeader() override;
  void ExtractTyp() override;
  void ExtractBound(const char* Type) override;
  void ExtractTbl() override;
  void ExtractViw() override;
  void ExtractPrc() override;
  void ExtractTrg() override;
  void ExtractIdx() override;
  void ExtractKeys(bool Primary) override;
  void Extract_FK() override;
  void ExtractChk() override;

 private:
  void ExtractSch();
  void ExtractCdf();
};

}  // namespace qel
