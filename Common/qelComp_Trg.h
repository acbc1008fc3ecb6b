// Triggers, with the empty-body mechanism that lets a trigger survive while objects it uses are
// dropped and created again.
#pragma once

#include <cstdint>
#include <string>

#include "qelClasses.h"

namespace qel {

/// Trigger timing.
enum TBefAftType : std::uint8_t { baUnknown, baBefore, baAfter, baResolve, baFor, baInsteadOf };
/// Trigger event.
enum TInsUpdDelType : std::uint8_t { iudUnknown, iudInsert, iudUpdate, iudDelete, iudInsUpd };
using TInsUpdDelSet = TSet<TInsUpdDelType, 5>;

class TTrgData : public TDbObj {
 public:
  explicit TTrgData(TCustomObjs* aOwner);

  /// The table or view the trigger belongs to ("DATABASE" or "ALL SERVER" for database-level and
  /// server-level triggers); set it with SetOwnName.
  std::string OwnName;
  /// The table or view named OwnName; may be nullptr.
  TDbObj* OwnerObj = nullptr;
  /// The real body must be written again later.
  bool RestoreBody = false;
  std::string SourceBody;
  /// The body the trigger was created with in the script.
  std::string SavedBody;
  /// InterBase ACTIVE / INACTIVE.
  bool Active = true;
  TBefAftType Timing = baUnknown;
  TInsUpdDelSet Events;
  /// InterBase POSITION.
  std::int32_t Position = 0;
  /// InterBase/Firebird catalog trigger type code.
  std::int32_t TrgType = 0;
  /// UPDATE OF columns.
  TStringList Columns;
  /// Event clause of a database-level trigger, as stored.
  std::string EventText;
  bool ForEachRow = false;
  bool ForEachStatement = false;

  std::string Def() const override;
  std::string DropDef() const override;
  std::string AlterDef() const override;
  /// PostgreSQL trigger names are unique only per table: the key names the table too.
  std::string ObjKeyDef() const override;
  void ResetGeneration() override;

  /// Stores the table or view name and finds that table or view in the collection.
  void SetOwnName(const std::string& Name);
  /// InterBase timing and event text.
  std::string TrgTypStr() const;
  std::string Ib_HeaderDef() const;
  std::string PGHeaderDef() const;
  std::string MSSQLHeaderDef(bool IsAlter) const;
  std::string Ib_Def(const std::string& aBody) const;
  std::string PGDef(const std::string& aBody) const;
  std::string MSSQLDef(const std::string& aBody) const;

  std::string EmptyBody() const;
  /// Def with the empty body.
  std::string EmptyDef() const;
  /// Empties the body of a created trigger, marks the master copy for restoration and writes
  /// the ALTER.
  void AssignEmptyBody();
  /// Stores the restore mark on both triggers of a pair.
  void SetRestoreBody(bool Value);
  /// Remembers the current body as the body the script created the trigger with.
  void KeepCreatedBody();

 private:
  std::string FSavedBodyAsRead;
  bool FSavedBodyKept = false;
  /// The definition of the trigger's dialect with aBody as its body.
  std::string DefWithBody(const std::string& aBody) const;
};

}  // namespace qel
