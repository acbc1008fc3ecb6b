// The DB2 catalog extractor: reads the schema of a live DB2 database from the SYSCAT catalog
// views into the schema object model through the shared catalog extraction driver.
//
// What it reads: tables with their columns (identity and generated columns with their
// options), views with their column names, procedures (names only), triggers, the indexes no
// constraint owns, primary keys, unique constraints and foreign keys. View and trigger texts are
// read again by the DB2 parser to fill in their bodies, timing, events and the like. Objects of
// the system schemas (SYSCAT*, SYSIBM, SYSFUN, SYSPROC, SYSSTAT, SYSTOOLS, SYSTEM, QSYS2, SQLJ)
// are never read. Check constraints are not read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qelComp_Ctr.h"
#include "qelComp_Tbl.h"
#include "qelDatabaseExtract.h"

namespace qel {

class TDB2Parser;
extern template class TParsedDBExtract<TDB2Parser>;

class TDB2DBExtract : public TParsedDBExtract<TDB2Parser> {
 public:
  /// DatabaseType is dbDB2.
  explicit TDB2DBExtract(TComponent* AOwner);
  ~TDB2DBExtract() override;

  /// Sets Fld's type, length, precision, scale and nullability from catalog values (TYPENAME
  /// and the rest of SYSCAT.COLUMNS). A type name neither in the list nor a domain of the
  /// collection is reported ("Unknown datatype: " + the name in lower case) and the column
  /// keeps no type.
  void ColumnType(TFldData& Fld, const std::string& TypeName, std::int32_t Nullable,
                  std::int32_t Scale, std::int32_t Precision, std::int32_t Length);
  /// The WHERE text that keeps the system schemas out, on the schema column Column.
  static std::string SchemaFilter(const std::string& Column);

 protected:
  std::vector<TDBExtractStep> ExtractSteps() override;
  /// Views and triggers: the kinds whose catalog texts the parser reads.
  std::vector<TDbObjList TObjs::*> BodyLists() const override;

 private:
  /// Copies database, host, port, user and password of the connection into the collection.
  void ExtractHeader();
  void ExtractTbl();
  void ExtractViw();
  void ExtractPrc();
  void ExtractTrg();
  void ExtractIdx();
  /// Primary keys (Type "P") or unique constraints (Type "U").
  void ExtractKeys(const char* Type, TConstraintType CtType);
  void Extract_FK();
};

}  // namespace qel
