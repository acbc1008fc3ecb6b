// InterBase/Firebird external functions: the declaration text, their part of the cascade and
// the three passes of the update script.
#pragma once

#include <memory>
#include <string>

#include "qelClasses.h"
#include "qelComp_Tbl.h"

namespace qel {

/// An InterBase/Firebird external function (a routine of a shared library declared to the
/// database). A declared function cannot be changed in place, nor dropped while procedures,
/// triggers, computed columns or views use it.
class TUdfData : public TDbObj {
 public:
  explicit TUdfData(TCustomObjs* aOwner);
  ~TUdfData() override;

  /// The arguments in declaration order; each entry carries its descriptor, owned by the list.
  TStringList Params;
  /// The return value's type and passing.
  std::unique_ptr<TFldData> ReturnParam;
  std::string EntryPoint;
  std::string ModuleName;
  /// FREE_IT: the engine frees the returned memory.
  bool FreeIt = false;

  /// Appends an argument descriptor and returns it (filed under the name given, may be empty).
  TFldData* AddParam(const std::string& Name = "");
  /// The descriptor of argument Index; nullptr outside the list.
  TFldData* Param(int Index) const;

  /// DECLARE EXTERNAL FUNCTION.
  std::string Def() const override;
  /// The base cascade, then the views on columns and the computed columns that use the
  /// function are dropped from the target.
  void DoBeforeDrop() override;
  /// The base step, then what the master still has and the drop took away is created again.
  void DoAfterDrop() override;
};

/// Declares the master functions the target lacks.
void GenScriptUdfCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                        const TCmpObjSetType& CompareObjects);
/// Paired functions whose declarations differ: the target's users are emptied or dropped, the
/// function dropped and declared again; changed descriptions are written for every pair.
void GenScriptUdfAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Drops the target functions the master lacks.
void GenScriptUdfDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                      const TCmpObjSetType& CompareObjects);

}  // namespace qel
