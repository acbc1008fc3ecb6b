// Views.
#pragma once

#include <string>

#include "qelClasses.h"
#include "qelComp_Tbl.h"

namespace qel {

/// A view: a query text over tables, columns and other views. Views are never altered in
/// place; a changed view is dropped and created again.
class TViwData : public TDbObj {
 public:
  explicit TViwData(TCustomObjs* aOwner);

  /// The declared columns, owned, in order.
  TObjVector<TFldData> Fields;
  /// Oracle object view: the type after " OF ", the identifier keyword (empty: "IDENTIFIER")
  /// and the identifier columns.
  std::string ObjectType;
  std::string IdentifierKeyword;
  TStringList IdentifierColumns;
  /// MySQL ALGORITHM and SQL SECURITY values.
  std::string Algorithm;
  std::string SqlSecurity;
  /// SQL Server view options.
  bool WithEncryption = false;
  bool SchemaBinding = false;
  bool ViewMetadata = false;

  bool GetReCreate() const { return FReCreate; }
  /// Stores the mark on both views of a pair.
  void SetReCreate(bool Value);

  std::string Def() const override;
  std::string DropDef() const override;
  void ResetGeneration() override;

  /// The declared column list: "(" + quoted names + ")", empty without declared columns.
  std::string GetFlds() const;

 private:
  bool FReCreate = false;
};

}  // namespace qel
