// Stored procedures and functions with their empty-body mechanism and the procedure passes of
// the update script; PostgreSQL operators and operator classes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qelClasses.h"
#include "qelComp_Tbl.h"

namespace qel {

/// How the target's server lets a routine change, by dialect.
enum TRoutineStyle : std::uint8_t {
  /// ALTER PROCEDURE replaces body and parameter list in place; a routine can stand with an
  /// empty body meanwhile (InterBase/Firebird, SQL Server, SQL Anywhere).
  rsAlter,
  /// CREATE OR REPLACE replaces the body; another parameter list or result type is a new
  /// routine: dropped and created (PostgreSQL).
  rsReplace,
  /// CREATE OR REPLACE replaces everything; the server invalidates and recompiles the users
  /// itself, so nothing is emptied (Oracle).
  rsOracle,
  /// No routine text is altered: created whole from the text as read, changed by drop and
  /// create (Sybase ASE, MySQL, DB2 and the dialects without a routine writer).
  rsRecreate
};

/// A PostgreSQL routine argument's type as the server tells overloads apart: lower case,
/// without length, precision or scale (varchar(5) is "varchar", char(2) "bpchar").
std::string PGArgTypeKey(const TFldData& Param);

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
  /// The parameters carry their direction word before the name ("in a integer"); set by the
  /// readers of dialects that write it so.
  bool InOutFirst = false;

  std::string GetCaption() const override;
  /// The CREATE text of the routine's dialect with its current body.
  std::string Def() const override;
  /// Computed columns that call the routine are dropped before it.
  void DoBeforeDrop() override;
  /// Views the routine reads are created first, and re-created first when their text changed.
  void DoBeforeCreate() override;
  std::string DropDef() const override;
  /// The statement that gives the target routine its current body: ALTER, or CREATE OR REPLACE
  /// where that is the dialect's form; empty where the dialect has none (drop and create).
  std::string AlterDef() const override;
  std::string ObjKeyDef() const override;
  void ResetGeneration() override;

  /// Frees the parameters and results.
  void ClearParams();
  bool GetHasReturnsTable() const;
  /// Stores the restore mark on both routines of a pair.
  void SetRestoreBody(bool Value);
  TRoutineStyle GetStyle() const;
  /// The routine can stand in the target with its empty body (and be restored later).
  bool CanEmptyBody() const;

  /// The parameter and result clause; PostgreSQL writes parameter defaults and RETURNS only
  /// WithReturns (the creation text; without it, the signature that names the routine).
  std::string ParamDef(bool WithReturns) const;
  std::string IB_Def(const std::string& aBody) const;
  std::string SAW_Def(const std::string& aBody) const;
  std::string MSSQL_Def(const std::string& aBody) const;
  std::string Oracle_Def(const std::string& aBody) const;
  std::string PG_Def(const std::string& aBody) const;
  /// Def with aBody in place of the routine's body.
  std::string DefWithBody(const std::string& aBody) const;

  /// The do-nothing body of this routine.
  std::string EmptyBody() const;
  /// The complete CREATE statement with the empty body. Where the dialect has no routine
  /// writer the only valid creation is the text as read, which is returned instead.
  std::string EmptyDef() const;
  /// The statement that gives the target routine this routine's parameter list with the empty
  /// body.
  std::string AlterEmptyDef() const;
  /// Empties the body of a routine that exists in the target: the body uses nothing any more,
  /// the master routine is marked for restoration and, with AddStatement, the statement is
  /// written. Dialects whose routines cannot stand empty (Sybase ASE, Oracle, the dialects
  /// without a routine writer) leave the routine as it is.
  void AssignEmptyBody(bool AddStatement);

  /// Writes the statements that give the target routine Def, the definition of this routine:
  /// AlterDef where the dialect has an in-place form, else DROP and CREATE. Operation is the
  /// operation of the statement that carries the definition.
  void AddAlterStatements(TDbOperation Operation);
  /// The master routine of the same key (this routine when it is a master routine).
  TPrcData* MasterCopy() const;

  /// Generation marks of the alter pass: the description differences of this pair were
  /// written (the pass runs twice).
  bool DescriptionsWritten = false;
};

/// A member procedure or function of an Oracle object type.
class TMemberPrcData : public TPrcData {
 public:
  explicit TMemberPrcData(TCustomObjs* aOwner) : TPrcData(aOwner) {}

  /// The parameter list text as read, written after the name.
  std::string MemberParams;
  TTypeDirective Directive;

  std::string Def() const override;
};

/// A PostgreSQL operator.
/// Operators of one name are told apart by their operand types, which the key carries.
class TOprData : public TDbObj {
 public:
  explicit TOprData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = kindOperator; }

  /// The implementing function (PROCEDURE).
  std::string ProcName;
  /// Operand types; LeftArg empty for a prefix operator, RightArg empty for a postfix one.
  std::string LeftArg;
  std::string RightArg;
  std::string Commutator;
  std::string Negator;
  std::string Restrict;
  std::string Join;
  bool Hashes = false;
  bool Merges = false;
  std::string Sort1;
  std::string Sort2;
  std::string LtCmp;
  std::string GtCmp;

  /// "(left, right)" with NONE for a missing operand.
  std::string ParamDef() const;
  /// schema.symbol (left, right).
  std::string GetCaption() const override;
  std::string Def() const override;
  std::string DropDef() const override;
  std::string ObjKeyDef() const override;
};

class TOpcData;

/// An operator entry of an operator class.
class TOpcOprData : public TObject {
 public:
  explicit TOpcOprData(TOpcData* aOwner) : Owner(aOwner) {}

  /// The class the entry belongs to; not owned.
  TOpcData* Owner = nullptr;
  std::int32_t Strategy = 0;
  std::string OprName;
  std::string LeftType;
  std::string RightType;

  /// " (left, right)" with NONE for a missing type; empty when neither is given.
  std::string ParamDef() const;
  std::string Def() const;
  std::string ObjKeyDef() const;
};

/// A support-function entry of an operator class.
class TOpcFncData : public TObject {
 public:
  explicit TOpcFncData(TOpcData* aOwner);

  TOpcData* Owner = nullptr;
  std::int32_t Support = 0;
  std::string FuncName;
  /// Argument types; objects attached to the entries are freed with the list.
  TStringList ArgTypes;

  /// "(" + types + ")", also "()" for none.
  std::string ParamDef() const;
  std::string Def() const;
  std::string ObjKeyDef() const;
};

/// A PostgreSQL operator class; classes of one name for different access methods are distinct.
class TOpcData : public TDbObj {
 public:
  explicit TOpcData(TCustomObjs* aOwner);

  bool IsDefault = false;
  /// FOR TYPE.
  std::string DataType;
  /// USING.
  std::string IndexMethod;
  /// Entries in order; the lists own their TOpcOprData and TOpcFncData.
  TStringList OprEntries;
  TStringList FncEntries;
  /// STORAGE; may be empty.
  std::string StorageType;

  TOpcOprData* AddOperator(std::int32_t Strategy, const std::string& OprName,
                           const std::string& LeftType = "", const std::string& RightType = "");
  TOpcFncData* AddFunction(std::int32_t Support, const std::string& FuncName,
                           const std::vector<std::string>& ArgTypes = {});

  /// name(method).
  std::string GetCaption() const override;
  std::string Def() const override;
  std::string DropDef() const override;
  std::string ObjKeyDef() const override;
};

// Passes of operators and operator classes (PostgreSQL).
void GenScriptOprCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptOprAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptOprDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptOpcCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptOpcAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptOpcDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

/// The three passes of the kinds that are never altered in place, over List of the master or
/// the target: create what the target lacks, drop and create what differs (by Def), drop what
/// the master lacks.
void GenScriptCreateMissing(const TDbObjList& MasterList);
void GenScriptRecreateChanged(const TDbObjList& MasterList);
void GenScriptDropSurplus(const TDbObjList& TargetList);

/// Before User (a view or routine being written) calls the master routine M with its new
/// parameter list, the target routine is given that list: with an empty body where the dialect
/// alters routines in place (its own users emptied or dropped first), by drop and create where
/// it cannot, or whole on Oracle. Nothing happens when the target already has M's list.
void PrcPrepareForUser(TPrcData& M, const TDbObj& User);

// ---------------------------------------------------------------------------------------------
// The procedure passes of the update script.

/// Empties the routines the master lacks that still use other objects, then drops them.
void GenScriptProcDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Creates the routines the target lacks: with an empty body where the dialect allows it (the
/// body follows in the alter pass), whole elsewhere.
void GenScriptProcCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Changes the routines that differ, emptying their users around parameter-list changes, and
/// restores every emptied body. The comparer runs it twice; the second run writes only what the
/// first left undone.
void GenScriptProcAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

}  // namespace qel
