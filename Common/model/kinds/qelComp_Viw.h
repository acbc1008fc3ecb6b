// Views: their CREATE and DROP texts per dialect, their place in the dependency cascade and the
// three passes of the update script that create, re-create and drop them.
#pragma once

#include <string>

#include "qelClasses.h"
#include "qelComp_Tbl.h"

namespace qel {

/// A view: a query text over tables, columns and other views. Views are never altered in
/// place; a changed view, or one whose table changed under it (the re-create mark), is dropped
/// and created again.
class TViwData : public TDbObj {
 public:
  explicit TViwData(TCustomObjs* aOwner);

  /// The declared columns, owned, in order.
  TObjVector<TFldData> Fields;
  /// Columns of a view declared without a column list, known by the descriptions a script gives
  /// them (COMMENT ON COLUMN); no part of the view's text.
  TObjVector<TFldData> DescribedColumns;

  /// The column Name: a declared one, else one only described; nullptr when neither.
  TFldData* FindColumn(const std::string& Name) const;
  /// Oracle object view: the type after " OF ", the identifier keyword (empty: "IDENTIFIER")
  /// and the identifier columns.
  std::string ObjectType;
  std::string IdentifierKeyword;
  TStringList IdentifierColumns;
  /// MySQL ALGORITHM and SQL SECURITY values.
  std::string Algorithm;
  std::string SqlSecurity;
  /// Oracle CREATE FORCE VIEW: made even when what it reads does not exist (yet).
  bool Force = false;
  /// SQL Server view options.
  bool WithEncryption = false;
  bool SchemaBinding = false;
  bool ViewMetadata = false;
  /// DB2: the function path in force when the view was made (SET CURRENT PATH text).
  std::string Path;

  bool GetReCreate() const { return FReCreate; }
  /// Stores the mark on both views of a pair.
  void SetReCreate(bool Value);

  /// What a live server's catalog holds for this view, where the server, storing this view's
  /// text, writes it back as the catalog's own view: compared in place of Def, so the two count
  /// as one. The view is still created from its own text and columns, which also hold where
  /// what it reads changes under it.
  std::string ServerDef;

  /// The CREATE text of the view's dialect.
  std::string Def() const override;
  /// ServerDef where the server matched the view, else Def.
  std::string CompareDef() const override;
  /// Creates what the view needs, the view, and the triggers of the view with an empty body.
  /// A view already on its way (a dependency cycle led back to it) is left to that step.
  void CreateDependDef() override;
  /// Triggers and routines that use the view are emptied (dropped on Sybase ASE) and its
  /// constraints and triggers dropped, before the base step drops dependent views.
  void DoBeforeDrop() override;
  /// The view is gone; the grants on it are to be written again.
  void DoAfterDrop() override;
  /// Views and routines the view reads are created first; a read view whose text changed is
  /// re-created first.
  void DoBeforeCreate() override;
  /// The dependency records of views and domains that use this view count again.
  void DoAfterCreate() override;
  std::string DropDef() const override;
  void ResetGeneration() override;

  /// The declared column list: "(" + quoted names + ")", empty without declared columns.
  std::string GetFlds() const;

  /// The view's description has been written in this generation (the create pass runs twice).
  bool DescriptionWritten = false;

 private:
  bool FReCreate = false;
};

/// Before User (a view or a routine, named UserKind "view" or "procedure" in the comments) is
/// created, the views it reads that are missing are created first, each introduced by a line
/// that says why.
void CreateMissingReadViews(TDbObj& User, const std::string& UserKind);
/// Before User is created, a view W it reads whose text the script has changed (master and
/// target CurrentDef differ) is dropped in the target and created from the master.
void RecreateChangedReadView(TDbObj& User, const TViwData& W, const std::string& UserKind);

// ---------------------------------------------------------------------------------------------
// The view passes of the update script.

/// Drops the views the master lacks.
void GenScriptViewDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                       const TCmpObjSetType& CompareObjects);
/// Creates the master views that do not exist in the target at this point of the script.
void GenScriptViewCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Drops and creates again the views whose text changed or that carry the re-create mark; writes
/// the changed descriptions of the others.
void GenScriptViewAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                        const TCmpObjSetType& CompareObjects);

}  // namespace qel
