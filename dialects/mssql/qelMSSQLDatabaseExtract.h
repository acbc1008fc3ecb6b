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
#include <utility>
#include <vector>

#include "qelComp_Tbl.h"
#include "qelDatabaseExtract.h"

namespace qel {

class TCtrData;
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
  std::vector<TDbObjList*> BodyLists() override;
  /// Reads the stored CREATE text of a view, routine or trigger into it.
  void ParseObjText(TCustomParser& Parser, TDbObj& Obj) override;

  /// Files Obj (logging "---" + its name first with ShowFullLog). True when filed; an object
  /// kept out is freed by the collection.
  bool AddExtracted(TDbObj* Obj);
  /// A stand-alone default (Rule false) or rule named Name with its stored CREATE text.
  void AddBoundObject(bool Rule, const std::string& Name, const std::string& Text);
  /// The dialect's recogniser of server-made constraint names.
  virtual void CheckSysName(TCtrData& Ctr) = 0;
  /// A second query of the connection (no parameters), for detail rows read next to the work
  /// query.
  std::unique_ptr<TQELQuery> DetailQuery();
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
  std::vector<TDBExtractStep> ExtractSteps() override;
  /// A TMSSQLParser over the holder's collection.
  std::unique_ptr<TCustomParser> CreateBodyParser() override;
  void CheckSysName(TCtrData& Ctr) override;

 private:
  /// Index and key columns by (object id, index id).
  using TIndexColumns = std::map<std::pair<std::int32_t, std::int32_t>, TIndexColumnList>;

  void ExtractHeader();
  void ExtractSch();
  void ExtractTyp();
  void ExtractDef();
  void ExtractRul();
  void ExtractTbl();
  void ExtractViw();
  void ExtractPrc();
  void ExtractTrg();
  void ExtractIdx();
  void Extract_PK();
  void ExtractUnq();
  void Extract_FK();
  void ExtractChk();
  void ExtractCdf();
  /// Defaults (Type "D") or rules ("R") that belong to no table.
  void ExtractBound(const char* Type);
  /// Primary keys (Type "PK") or unique constraints ("UQ").
  void ExtractKeys(const char* Type);
  /// The columns of every index of the user tables, read once a run.
  const TIndexColumns& IndexColumnList();

  TIndexColumns FIndexColumns;
  bool FIndexColumnsRead = false;
};

}  // namespace qel
