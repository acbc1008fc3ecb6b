// The SQL Anywhere catalog extractor: reads the schema of a live SQL Anywhere database from its
// SYS tables (and the sysobjects and sysdepends views) into the schema object model through the
// shared catalog extraction driver.
//
// Two version settings choose the catalog queries: the collection's ASAServerOptions chooses
// where procedure and trigger texts come from (the source column from version 8 on), the
// connection's own ASAServerOptions chooses the key queries (SYSCONSTRAINT from version 9 on;
// older servers give keys without names and no unique constraints). View, procedure and trigger
// texts are read again by the SQL Anywhere parser. Objects of the server's own users (sys, dbo,
// rs_systabgroup, sa_debug) are never read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qelComp_Tbl.h"
#include "qelDatabaseExtract.h"

namespace qel {

class TCtrData;
enum TConstraintType : std::uint8_t;

class TASADBExtract : public TCustomDBExtract {
 public:
  /// DatabaseType is dbSybaseASA.
  explicit TASADBExtract(TComponent* AOwner);
  ~TASADBExtract() override;

  /// Sets Fld's type, length, precision, scale and nullability from a catalog type name (case
  /// sensitive, as SYSDOMAIN spells it). A name neither in the list nor a user type of the
  /// collection is reported ("Unknown datatype: " + the name) and the type stays as it was.
  void ColumnType(TFldData& Fld, const std::string& TypeName, std::int32_t Length,
                  std::int32_t Prec, std::int32_t Scale, std::int32_t Nulls);
  /// The line that keeps the server's own users out ("u.user_name not in (...)").
  static const char* const OwnerFilter;

 protected:
  std::vector<TDBExtractStep> ExtractSteps() override;
  std::unique_ptr<TCustomParser> CreateBodyParser() override;
  /// Rules, defaults, views, procedures and triggers.
  std::vector<TDbObjList TObjs::*> BodyLists() const override;
  void ParseObjText(TCustomParser& Parser, TDbObj& Obj) override;
  std::string ParseBodiesLogLine() const override { return "Parsing bodys..."; }

 private:
  /// The version the key queries follow: the connection's own setting.
  bool KeysOfVersion9();
  /// The version the procedure and trigger queries follow: the collection's setting.
  bool SourceColumn();

  void ExtractHeader();
  void ExtractTyp();
  void ExtractDef();
  void ExtractRul();
  void ExtractTbl();
  void ExtractPbl();
  void ExtractViw();
  void ExtractPrc();
  void ExtractTrg();
  void ExtractEvt();
  void ExtractIdx();
  void Extract_PK();
  void ExtractUnq();
  void Extract_FK();
  void ExtractChk();
  void ExtractDependencies();

  /// The sysobjects rows that Where picks (rules, defaults): each a TData with its id and name,
  /// filed in List; LogLine goes to the log first.
  template <class TData>
  void ExtractSysObjects(const char* LogLine, const std::string& Where, TDbObjList TObjs::*List);
  /// Reads the owner, remarks (RemarksField) and text (the source column when Source, else
  /// TextField) of a procedure or trigger from Q, then files it.
  void AddRoutine(std::unique_ptr<TDbObj> Obj, TCatalogRow& Row, bool Source,
                  const char* RemarksField, const char* TextField);
  /// A new constraint of Type on the table of Q's row ("table_name", "user_name"), named from
  /// "constraint_name" when Named.
  std::unique_ptr<TCtrData> NewConstraint(TCatalogRow& Row, TConstraintType Type, bool Named);
  /// A second query of the connection with the text Lines, opened.
  std::unique_ptr<TQELQuery> OpenDetail(const std::vector<std::string>& Lines);
  /// The columns of table TableId, index IndexId, with their sort order, appended to the index
  /// or key Owner.
  void IndexColumns(TDbObj& Owner, const std::string& TableId, const std::string& IndexId);
  /// The primary-key columns of TableId, in column order.
  void PKeyColumns(TCtrData& Ctr, const std::string& TableId);
  /// The name rule of the server-generated names: "ASA..." goes to the system name.
  static void SetConstraintName(TCtrData& Ctr, const std::string& Name);
};

}  // namespace qel
