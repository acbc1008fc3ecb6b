// The OLE DB and Access catalog extractors: read the schema of any source the ADO connection
// reaches (an ODBC driver behind it) from the connection's schema rowsets, without a parser of
// the source's dialect.
//
// What they read: tables and views (names), the columns of each (type, length, precision,
// scale, nullability, default), primary keys, foreign keys (with their update and delete
// rules) and indexes, as far as the driver answers the rowsets. A rowset the driver does not
// answer is passed over with an information message; one that fails for a table is passed over
// for that table with a warning, but for the columns rowset, without which the table would be
// read as one without columns: that ends the extraction with an error. View texts, check
// constraints, routines, triggers and sequences are not in the rowsets and are not read.
//
// An Access file is read whole by the Access extractor: the table definitions, indexes and
// relationships come from the file itself (the ADOX stand-in, Adox.h), the rows through the
// driver.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Ado.h"
#include "Adox.h"
#include "qelComp_Tbl.h"
#include "qelDatabaseExtract.h"

namespace qel {

/// The SQL data type codes of ODBC (sql.h, sqlext.h, sqlucode.h) a columns rowset gives.
enum TODBCDataType : int {
  odbcGuid = -11,
  odbcWLongVarChar = -10,
  odbcWVarChar = -9,
  odbcWChar = -8,
  odbcBit = -7,
  odbcTinyInt = -6,
  odbcBigInt = -5,
  odbcLongVarBinary = -4,
  odbcVarBinary = -3,
  odbcBinary = -2,
  odbcLongVarChar = -1,
  odbcChar = 1,
  odbcNumeric = 2,
  odbcDecimal = 3,
  odbcInteger = 4,
  odbcSmallInt = 5,
  odbcFloat = 6,
  odbcReal = 7,
  odbcDouble = 8,
  odbcDate = 9,  ///< ODBC 2; SQL_DATETIME, the verbose code, in ODBC 3
  odbcTime = 10,
  odbcTimestamp = 11,
  odbcVarChar = 12,
  odbcTypeDate = 91,
  odbcTypeTime = 92,
  odbcTypeTimestamp = 93
};

/// The referential rules of a foreign keys rowset (UPDATE_RULE, DELETE_RULE).
enum TODBCRule : int {
  odbcCascade = 0,
  odbcRestrict = 1,
  odbcSetNull = 2,
  odbcNoAction = 3,
  odbcSetDefault = 4
};

/// The TYPE of an indexes rowset's row that counts the table's rows rather than naming an index.
constexpr int odbcTableStat = 0;

/// Reads a source through the schema rowsets of the ADO connection behind its connection
/// component (a connection of the ADO adapter, or the ADO connection component).
class TOLEDBExtract : public TCustomDBExtract {
 public:
  /// DatabaseType is dbCustomOLEDB.
  explicit TOLEDBExtract(TComponent* AOwner);
  ~TOLEDBExtract() override;

  /// The column type of an ODBC SQL data type code (SQL_VARCHAR, SQL_TYPE_TIMESTAMP, ...);
  /// iftUnknown for a code of no known type.
  static TDBFieldType FieldTypeOfSQLType(int DataType);
  /// The quoting of identifiers that the driver's identifier quote character stands for.
  static TIdentQuoteType QuoteTypeOf(const std::string& QuoteChar);

 protected:
  std::vector<TDBExtractStep> ExtractSteps() override;
  /// None: the rowsets give every part of an object already.
  std::unique_ptr<TCustomParser> CreateBodyParser() override { return nullptr; }
  /// A table of the source's own bookkeeping (kept out of the schema).
  virtual bool IsSystemTable(const std::string& Schema, const std::string& Name) const;

  /// One table or view the tables rowset lists.
  struct TSourceTable {
    std::string Catalog, Schema, Name;
    bool View = false;
  };
  const std::vector<TSourceTable>& SourceTables() const { return FTables; }
  /// Opens rowset Schema for Table into DataSet. False when the driver does not answer the
  /// rowset at all (one information message for the rowset, and no more tries) or when it
  /// failed for this table (a warning naming the table); a lost connection is raised.
  bool OpenRowset(TSchemaEnum Schema, const TSourceTable* Table, TADODataSet& DataSet);
  /// True for a failure that says the driver has no such function (SQLSTATE IM001, HYC00).
  static bool IsNotSupported(const EADOError& E);
  /// The table object of the collection named Name; nullptr when it was not filed.
  TTblData* FiledTable(const std::string& Name) const;

  void ExtractHeader();
  /// Raises when the source of a driver that hides a failed read of its catalog (SQLite: a
  /// file that is no database) cannot be read; DBMS is the driver's DBMS name.
  void CheckReadable(const std::string& DBMS);
  void ExtractTbl(bool Views);
  void ExtractPK();
  void ExtractFK();
  void ExtractIdx();

 private:
  TADOConnection& ADO() const;
  std::vector<TSourceTable> FTables;
  std::vector<int> FUnanswered;                   // rowsets the driver does not answer
  std::set<std::pair<int, std::string>> FFailed;  // rowsets that failed, by table
};

/// Reads an Access database file: the file named by the connection string (DBQ= or Database=)
/// through the ADOX stand-in, for the columns (type, size, precision, scale, Required,
/// AutoNumber, default, description), the indexes, the primary keys and the relationships
/// (with their cascades). The saved queries are named once and not read: the file keeps no
/// text of them. A connection that names no file (a data source of odbc.ini) is read through
/// the driver's rowsets, as any ODBC source.
class TMSAccessDBExtract : public TOLEDBExtract {
 public:
  /// DatabaseType is dbMSAccess.
  explicit TMSAccessDBExtract(TComponent* AOwner);
  ~TMSAccessDBExtract() override;

  /// Reads the file's catalog; nullptr takes ADOXCatalogReader (the ADO adapter's).
  TADOXCatalogReader CatalogReader = nullptr;

  /// The file an ODBC connection string names (DBQ, else DATABASE, any case, braces taken
  /// off); "" when it names none.
  static std::string FileOfConnectionString(const std::string& ConnectionString);
  /// The SQL default of an Access default expression for a column of type Type; "" when the
  /// expression has no SQL form here (a function other than Now, Date and Time, an operator).
  static std::string DefaultOf(const std::string& Expression, TDBFieldType Type);
  /// The column type of an Access column kind; iftUnknown for adEmpty.
  static TDBFieldType FieldTypeOf(TADOXDataType Type);

 protected:
  std::vector<TDBExtractStep> ExtractSteps() override;
  /// The MSys* tables of the file.
  bool IsSystemTable(const std::string& Schema, const std::string& Name) const override;

 private:
  void ReadFile();
  void FileTables();
  void FileQueries();
  void FileIndexes();
  void FilePrimaryKeys();
  void FileForeignKeys();
  /// One information message naming what of Kind was passed over; none when Names is empty.
  void PassedOver(const std::string& Kind, const std::vector<std::string>& Names);
  std::unique_ptr<TADOXCatalog> FCatalog;  // null: the rowsets are read
};

}  // namespace qel
