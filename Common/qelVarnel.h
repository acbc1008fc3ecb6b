// The comparer of the palette: it extracts a master and a target schema, pairs their objects,
// and writes the update script that turns the target into the master, pass by pass in one fixed
// order.
//
// The comparer refuses to write a script it cannot stand behind: when an extraction failed or
// was cancelled, when a side has no holder or (while extracting) no extractor, or when the
// master reads in another dialect than the target. A script compared against a half-read or
// missing master would drop whatever the master seemed to lack.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qelClasses.h"
#include "qelDBEngine.h"
#include "qelMsgMngr.h"
#include "qelSQL_Exec.h"

namespace qel {

class TVarnel;

/// One pass of the update script: a routine that adds the statements of one kind and step, and
/// the gate that decides whether it runs.
struct TVarnelPass {
  /// Position of the pass in the generation order (passes run as a group share it).
  int Row = 0;
  /// The routine's name.
  const char* Name = "";
  /// Runs only when some of these kinds are compared; empty: no such condition.
  TCmpObjSetType AnyOf;
  /// Runs only when all of these kinds are compared as well.
  TCmpObjSetType AllOf;
  /// Runs only for this comparer dialect.
  bool DialectGated = false;
  TDatabaseType Dialect = dbAbstract;
  /// An exception of the routine is reported and generation goes on; any other pass that
  /// raises ends the generation.
  bool Guarded = false;
  void (*Run)(TVarnel& Comparer) = nullptr;
};

/// The comparer component.
class TVarnel : public TCustomVarnel {
 public:
  explicit TVarnel(TComponent* AOwner);
  ~TVarnel() override;

  /// Messages of both extractions and the comparer's own reports of refusals.
  TMsgManager MsgManager;
  /// The sides to extract; reset to true by every ExtractDatabases. A Before handler may clear
  /// one to keep that holder as it is.
  bool ExtractMasterEnabled = true;
  bool ExtractTargetEnabled = true;
  /// Cleared by an extraction that failed, was cancelled or was refused; CompareDatabases then
  /// writes no script.
  bool CompareEnabled = true;

  TNotifyEvent OnBeforeExtract;
  TNotifyEvent OnAfterExtract;
  TNotifyEvent OnBeforeExtractTarget;
  TNotifyEvent OnAfterExtractTarget;
  TNotifyEvent OnBeforeExtractMaster;
  TNotifyEvent OnAfterExtractMaster;
  TNotifyEvent OnBeforeCompare;
  TNotifyEvent OnAfterCompare;

  // Replaced virtual operations.

  /// Extracts the target, then (when the target left no error) the master, pushes the
  /// comparer's options into each holder, collects the extractors' messages, pairs the two
  /// schemas and marks what exists in the target. True when everything was read without error;
  /// otherwise the executor is emptied, since a script of the schemas read before no longer
  /// matches them.
  bool ExtractDatabases() override;
  /// Writes the update script into the executor (GetSQLExec; the comparer makes its own, in the
  /// target's dialect, when the host assigned none). A refused comparison, or a pass that
  /// raised, leaves the executor empty and says why in MsgManager and through OnErrorMessage;
  /// callers decide by MsgManager.GetIsErr().
  bool CompareDatabases() override;
  /// ExtractDatabases, then CompareDatabases when it succeeded.
  bool ExtractAndCompareDatabases() override;

  // New virtual operations.

  /// The header statements of the target's dialect.
  virtual void MakeScriptHeader();

  // Extraction.

  /// Each missing extractor or holder of one side is reported; false when any is missing.
  bool CheckAssignTarget();
  bool CheckAssignMaster();
  /// Brings a master of another dialect into the target's dialect. A target dialect without
  /// such a conversion refuses the master: reported, and false.
  virtual bool ConvertDatabases();

  // Pairing and marking.

  /// Pairs every object of the two schemas with its counterpart, from scratch.
  void LinkRefs();
  /// Pairs the objects of A with those of B that have the same key, list by list.
  static void LinkReferences(TCustomObjs& A, TCustomObjs& B);
  /// Marks each master object created when it has a counterpart, and every target object.
  void SetObjsCreated();
  /// Evens out per-dialect differences that must not count as changes.
  void AssignDiffs();
  /// The InterBase database character set change of the update script.
  void GenScriptDBCharSet();

  // Generation passes.

  /// Every pass in generation order.
  static const std::vector<TVarnelPass>& GenerationPasses();
  /// The gate of Pass holds for the current kind set and dialect.
  bool PassEnabled(const TVarnelPass& Pass) const;

  /// The name of a dialect in messages ("PostgreSQL", "InterBase/Firebird" ...).
  static std::string DialectName(TDatabaseType DatabaseType);

 protected:
  virtual void DoBeforeExtract();
  virtual void DoAfterExtract();
  virtual void DoBeforeExtractTarget();
  virtual void DoAfterExtractTarget();
  virtual void DoBeforeExtractMaster();
  virtual void DoAfterExtractMaster();
  virtual void DoBeforeCompare();
  virtual void DoAfterCompare();
  /// Runs one enabled pass.
  virtual void RunPass(const TVarnelPass& Pass);

 private:
  /// Runs one side's extractor into its holder; a failed or cancelled extraction leaves an
  /// error in MsgManager.
  void ExtractSide(TCustomExtract& Extractor, TCustomDBStructure& Holder, bool IsTarget);
  /// Records an error of the comparer in MsgManager and reports it.
  void ReportError(const std::string& Text);
  /// ClassName(Name): as every report of the comparer begins.
  std::string Who() const;
  /// Whether CompareDatabases may write a script now; reports why not.
  bool CanCompare();
  /// Empties the executor, so that no earlier script outlives a refused comparison.
  void DiscardScript();
};

}  // namespace qel
