// The Oracle catalog extractor: reads the schema of the Oracle user a connection logs in as
// from the USER_* data-dictionary views and DBMS_METADATA.GET_DDL into the schema object model,
// through the shared catalog extraction driver.
//
// The catalog gives names and a few attributes; columns and their types, inline constraints,
// view queries, routine texts, type attributes and trigger clauses come from the DDL texts the
// server renders, which the Oracle parser reads again after every kind is read. The catalog
// text of an object is kept in TDbObj::FullText, apart from its body.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "qelComp_Ctr.h"
#include "qelDatabaseExtract.h"

namespace qel {

class TOracleDBExtract : public TCustomDBExtract {
 public:
  /// DatabaseType is dbOracle.
  explicit TOracleDBExtract(TComponent* AOwner);
  ~TOracleDBExtract() override;

 protected:
  std::vector<TDBExtractStep> ExtractSteps() override;
  std::unique_ptr<TCustomParser> CreateBodyParser() override;
  /// Types, tables, views, procedures, triggers, packages: the kinds with catalog texts.
  std::vector<TDbObjList TObjs::*> BodyLists() const override;
  void ParseObjText(TCustomParser& Parser, TDbObj& Obj) override;

 private:
  /// Copies the connection's options into the collection; sends nothing to the server.
  void ExtractHeader();
  void ExtractTyp();
  void ExtractSeq();
  void ExtractTbl();
  void ExtractViw();
  void ExtractPrc();
  void ExtractPkg();
  void ExtractTrg();
  void ExtractIdx();
  /// Primary keys (Letter "P") or unique constraints (Letter "U").
  void ExtractKeys(const char* Letter, TConstraintType CtType, const char* LogLine);
  void Extract_FK();
  /// A constraint name the server made ("SYS_...") is kept as the system name only.
  static void SetConstraintName(TCtrData& Ctr, const std::string& Name);
};

}  // namespace qel
