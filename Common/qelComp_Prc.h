// Stored procedures and functions with their empty-body mechanism; PostgreSQL operators and
// operator classes.
#pragma once

#include <cstdint>
#include <string>

#include "qelClasses.h"
#include "qelComp_Tbl.h"

namespace qel {

/// A stored procedure or function. Its body may use other routines, views and tables, so a
/// routine can be written first with a do-nothing body that uses nothing and restored later in
/// the script.
class TPrcData : public TDbObj {
 public:
  explicit TPrcData(TCustomObjs* aOwner);

  /// The target still holds this routine with an empty body; a later statement restores it.
  bool RestoreBody = false;
  /// Input parameters and results (RETURNS columns, result set, or a function's return type),
  /// owned, in declaration order.
  TObjVector<TFldData> Params;
  TObjVector<TFldData> Results;
  /// SQL Server inline table-valued function.
  bool ReturnsTable = false;
  /// SQL Server numbered procedure; 0 = none.
  std::int32_t ProcNumber = 0;
  bool IsFunction = false;
  /// PostgreSQL C-language function: object file and link symbol.
  std::string ObjFile;
  std::string LinkSymbol;
  /// PostgreSQL LANGUAGE; for SQL Server/ASE the language of an external procedure.
  std::string Language;
  std::string Volatility;
  bool NullOnNullInput = false;
  bool ReturnsSetOf = false;
  /// SQL Server/ASE WITH options of the header, as read.
  std::string WithOptions;
  bool ModifiesSqlData = false;
  bool Deterministic = false;
  bool Exportable = false;
  std::int32_t DynamicResultSets = 0;
  std::string ParamStyle;
  std::string ExternalName;

  std::string GetCaption() const override;
  std::string Def() const override;
  std::string DropDef() const override;
  std::string AlterDef() const override;
  std::string ObjKeyDef() const override;
  void ResetGeneration() override;

  /// Frees the parameters and results.
  void ClearParams();
  bool GetHasReturnsTable() const;
  /// Stores the restore mark on both routines of a pair.
  void SetRestoreBody(bool Value);

  /// The parameter and result clause; PostgreSQL writes RETURNS only WithReturns.
  std::string ParamDef(bool WithReturns) const;
  std::string IB_Def(const std::string& aBody) const;
  std::string SAW_Def(const std::string& aBody) const;
  std::string MSSQL_Def(const std::string& aBody) const;
  std::string Oracle_Def(const std::string& aBody) const;
  std::string PG_Def(const std::string& aBody) const;

  /// The do-nothing body of this routine.
  std::string EmptyBody() const;
  /// The complete CREATE statement with the empty body.
  std::string EmptyDef() const;
  std::string AlterEmptyDef() const;
  /// Empties the body of a routine that exists in the target: the body uses nothing any more,
  /// the master routine is marked for restoration and, with AddStatement, the ALTER is written.
  void AssignEmptyBody(bool AddStatement);
};

/// A PostgreSQL operator.
class TOprData : public TDbObj {
 public:
  explicit TOprData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 125; }
};

/// A PostgreSQL operator class.
class TOpcData : public TDbObj {
 public:
  explicit TOpcData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 126; }
};

}  // namespace qel
