// The Sybase ASE catalog extractor: reads the schema of a live ASE database from its system
// tables (sysobjects, syscolumns, systypes, syscomments, sysindexes, sysreferences) into the
// schema object model through the shared catalog extraction driver.
//
// What it reads: the database facts (server version as heading, size, owner, creation date and
// the options set, decoded through master..spt_values), user types, stand-alone defaults and
// rules, tables with their columns (identity, declared defaults), primary keys, unique, check
// and foreign-key constraints, the indexes no constraint owns, views, procedures, SQL functions
// and triggers. Stored texts come from syscomments and are read again by the ASE parser.
// Bindings of defaults and rules to columns, computed columns, partitions, segments and
// permissions are not read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "qelMSSQLDatabaseExtract.h"

namespace qel {

class TASEDBExtract : public TMSSQLCustomDBExtract {
 public:
  /// DatabaseType is dbSybaseASE.
  explicit TASEDBExtract(TComponent* AOwner);
  ~TASEDBExtract() override;

  /// The option whose server spelling (spt_values.name, case-insensitive) is Name; false when
  /// the name is none of the options a script sets.
  static bool DBOptionByName(const std::string& Name, TASEDBOption& Option);
  /// What a stored text of a column default ("DEFAULT 0") gives the column: the text after
  /// DEFAULT, trimmed; empty for the text of a stand-alone default (CREATE DEFAULT), which is
  /// bound, not declared.
  static std::string DeclaredDefault(const std::string& Text);

 protected:
  /// The shared steps; the run's stored texts are let go first.
  std::vector<TDBExtractStep> ExtractSteps() override;
  /// A TASEParser over the holder's collection.
  std::unique_ptr<TCustomParser> CreateBodyParser() override;
  void CheckSysName(TCtrData& Ctr) override;
  void ReadIndexColumns(TIndexColumns& Cols) override;

  void ExtractHeader() override;
  void ExtractTyp() override;
  /// Stand-alone defaults (Type "D") or rules ("R"): those whose text is a CREATE statement.
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
  /// The stored text of object Id, read for all objects once a run; empty when it has none.
  const std::string& Text(std::int32_t Id);

  std::unordered_map<std::int32_t, std::string> FTexts;
  bool FTextsRead = false;
};

}  // namespace qel
