// The OLE DB and Access catalog extractors: read the schema of any source the ADO connection
// reaches (an ODBC driver behind it) from the connection's schema rowsets, without a parser of
// the source's dialect.
//
// What they read: tables and views (names), the columns of each (type, length, precision,
// scale, nullability, default), primary keys, foreign keys (with their update and delete
// rules) and indexes, as far as the driver answers the rowsets. A rowset the driver does not
// answer is passed over with an information message. View texts, check constraints, routines,
// triggers and sequences are not in the rowsets and are not read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Ado.h"
#include "qelComp_Tbl.h"
#include "qelDatabaseExtract.h"

namespace qel {

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
  /// Opens rowset Schema for Table into DataSet; False (with one information message for the
  /// rowset) when the driver does not answer it.
  bool OpenRowset(TSchemaEnum Schema, const TSourceTable* Table, TADODataSet& DataSet);
  /// The table object of the collection named Name; nullptr when it was not filed.
  TTblData* FiledTable(const std::string& Name) const;

  void ExtractHeader();
  void ExtractTbl(bool Views);
  void ExtractPK();
  void ExtractFK();
  void ExtractIdx();

 private:
  TADOConnection& ADO() const;
  std::vector<TSourceTable> FTables;
  std::vector<int> FUnanswered;  // rowsets already reported as not answered
};

/// Reads an Access database file through its ODBC driver. The driver answers tables and
/// columns; what it does not (keys, relationships, indexes) is passed over with a message.
class TMSAccessDBExtract : public TOLEDBExtract {
 public:
  /// DatabaseType is dbMSAccess.
  explicit TMSAccessDBExtract(TComponent* AOwner);

 protected:
  /// The MSys* tables of the file.
  bool IsSystemTable(const std::string& Schema, const std::string& Name) const override;
};

}  // namespace qel
