// Triggers: their texts per dialect, the empty-body mechanism that lets a trigger survive while
// objects it uses are dropped and created again, and the trigger passes of the update script.
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

/// How the target's server lets a trigger's body change, by dialect.
enum TTrgBodyStyle : std::uint8_t {
  /// One statement replaces the body: ALTER TRIGGER (InterBase/Firebird, SQL Server) or
  /// CREATE OR REPLACE TRIGGER (Oracle).
  tbAlter,
  /// The trigger is dropped and created with the new body (SQL Anywhere, DB2, MySQL).
  tbRecreate,
  /// The body names a routine and cannot be emptied: the trigger is dropped while what it uses
  /// changes and created again later (PostgreSQL, Sybase ASE).
  tbDrop
};

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
  /// The body SourceDef writes; taken from the body on first use.
  mutable std::string SourceBody;
  /// The body the trigger was created with in the script.
  std::string SavedBody;
  /// InterBase ACTIVE / INACTIVE.
  bool Active = true;
  TBefAftType Timing = baUnknown;
  TInsUpdDelSet Events;
  /// InterBase POSITION; SQL Anywhere ORDER.
  std::int32_t Position = 0;
  /// InterBase/Firebird catalog trigger type code.
  std::int32_t TrgType = 0;
  /// UPDATE OF columns.
  TStringList Columns;
  /// REFERENCING NEW AS / OLD AS names.
  std::string NewAlias;
  std::string OldAlias;
  /// SQL Anywhere REFERENCING REMOTE AS.
  std::string RemoteAlias;
  /// DB2 NEW_TABLE AS / OLD_TABLE AS.
  std::string NewTableAlias;
  std::string OldTableAlias;
  /// Oracle REFERENCING PARENT AS.
  std::string ParentAlias;
  /// Oracle and DB2 WHEN condition text.
  std::string WhenCondition;
  bool ForEachRow = false;
  bool ForEachStatement = false;
  /// DB2 MODE value.
  std::string Mode;
  /// SQL Anywhere trigger in the Transact-SQL form.
  bool TransactSQL = false;
  /// SQL Server and Sybase ASE options.
  bool WithAppend = false;
  bool NotForReplication = false;
  /// Event clause of a database-level or server-level trigger, as stored.
  std::string EventText;

  /// The definition of the trigger's dialect with its current body.
  std::string Def() const override;
  /// Def, with a PostgreSQL WHEN condition in the form two texts of it are compared in: the
  /// server gives back its own text of the condition a script wrote (parentheses around each
  /// operation, names in lower case).
  std::string CompareDef() const override;
  /// Triggers of the same view that still use their body are emptied first (where the dialect
  /// can empty a trigger).
  void DoBeforeDrop() override;
  std::string DropDef() const override;
  /// The one statement that gives the trigger its current body: ALTER TRIGGER (InterBase, SQL
  /// Server) or CREATE OR REPLACE TRIGGER (Oracle); empty where the dialect has none.
  std::string AlterDef() const override;
  /// The definition with the body as first read.
  std::string SourceDef() const override;
  /// Where the dialect keeps trigger names per table (PostgreSQL) the key names the table too.
  std::string ObjKeyDef() const override;
  void ResetGeneration() override;

  /// Copies kind, name, owner name, source body, type code, body, active flag, timing,
  /// events, position and description.
  void Assign(const TTrgData& Source);
  /// Stores the table or view name and finds that table or view in the collection.
  void SetOwnName(const std::string& Name);
  TTrgBodyStyle GetBodyStyle() const;

  /// InterBase timing and event text.
  std::string TrgTypStr() const;
  std::string Ib_HeaderDef() const;
  std::string ASAHeaderDef() const;
  std::string MSSQLHeaderDef(bool IsAlter) const;
  std::string OracleHeaderDef() const;
  std::string PGHeaderDef() const;
  std::string DB2HeaderDef() const;
  std::string MySQLHeaderDef() const;
  std::string Ib_Def(const std::string& aBody) const;
  std::string ASADef(const std::string& aBody) const;
  std::string MSSQLDef(const std::string& aBody) const;
  std::string OracleDef(const std::string& aBody) const;
  std::string PGDef(const std::string& aBody) const;
  std::string DB2Def(const std::string& aBody) const;
  std::string MySQLDef(const std::string& aBody) const;

  /// The do-nothing body of the trigger's dialect.
  std::string EmptyBody() const;
  /// Def with the empty body.
  std::string EmptyDef() const;
  /// The header text two triggers are compared by: EmptyDef, on InterBase without the
  /// ACTIVE/INACTIVE word (a change of that alone is one ALTER TRIGGER).
  std::string HeaderKey() const;
  /// Empties the body of a created trigger and marks the master copy for restoration: one
  /// statement where the dialect alters a trigger, drop and create where it does not; a
  /// trigger that cannot hold an empty body is dropped (created again by the alter pass).
  void AssignEmptyBody();
  /// Creates the trigger with its empty body (the alter pass writes the real one), marking it
  /// for restoration; a trigger that cannot hold an empty body is created whole.
  void CreateEmpty();
  /// Stores the restore mark on both triggers of a pair.
  void SetRestoreBody(bool Value);
  /// Remembers the current body as the body the script created the trigger with.
  void KeepCreatedBody();
  /// Writes the statements that give the target trigger this trigger's definition: AlterDef,
  /// or DROP and CREATE where the dialect has no one-statement form.
  void AddAlterStatements(TDbOperation Operation);
  /// The master trigger of the same key (this trigger when it is a master trigger).
  TTrgData* MasterCopy() const;

 private:
  std::string FSavedBodyAsRead;
  bool FSavedBodyKept = false;
  /// The definition of the trigger's dialect with aBody as its body.
  std::string DefWithBody(const std::string& aBody) const;
  std::string IbHeader(bool aActive) const;
};

// ---------------------------------------------------------------------------------------------
// The trigger passes of the update script.

/// Target-only triggers of views are emptied before anything is dropped.
void GenScriptDropTrgEmpty(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                           const TCmpObjSetType& CompareObjects);
/// Drops the triggers the master lacks.
void GenScriptTrigDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                       const TCmpObjSetType& CompareObjects);
/// Creates the master triggers the target lacks.
void GenScriptTrigCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                         const TCmpObjSetType& CompareObjects);
/// Alters the triggers that differ, writes back emptied bodies and creates again the
/// triggers the script dropped on the way.
void GenScriptTrigAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

}  // namespace qel
