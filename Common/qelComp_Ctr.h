// Table constraints.
#pragma once

#include <cstdint>
#include <string>

#include "qelClasses.h"

namespace qel {

enum TConstraintType : std::uint8_t {
  ctPKey,
  ctUnique,
  ctFKey,
  ctCheck,
  ctKey,
  ctDefault,
  ctNotNull,
  ctReferences
};
using TConstraintTypeSet = TSet<TConstraintType, 8>;

/// One table constraint. Setting its type sets its kind code.
class TCtrData : public TDbObj {
 public:
  explicit TCtrData(TCustomObjs* aOwner);

  TConstraintType GetCtType() const { return FCtType; }
  /// Stores the type; primary, foreign, unique, check, default and reference constraints take
  /// the kind code of their type.
  void SetCtType(TConstraintType Value);
  const std::string& GetTblName() const { return FTblName; }
  /// Stores the table name with the SQL Server rule of SetObjName.
  void SetTblName(const std::string& Value);
  const std::string& GetRefTblName() const { return FRefTblName; }
  void SetRefTblName(const std::string& Value);

  /// Constrained and referenced columns, in order.
  TStringList FldList;
  TStringList RefFldList;

  std::string Def() const override;
  /// Named constraints are keyed by name (PostgreSQL and DB2 names are unique only per table,
  /// so there the key names the table too); unnamed ones by their definition.
  std::string ObjKeyDef() const override;

  /// Column lists as text: quoted names joined by ", ".
  std::string GetFields() const;
  std::string GetRefFlds() const;
  /// The constraint clause without ALTER TABLE.
  std::string ConstraintDef() const;
  /// The table reference after "ALTER TABLE ".
  std::string TableRef() const;

 private:
  std::string CaseRuleName(const std::string& Value) const;
  TConstraintType FCtType = ctFKey;
  std::string FTblName;
  std::string FRefTblName;
};

}  // namespace qel
