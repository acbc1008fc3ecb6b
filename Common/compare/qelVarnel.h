// The comparer of the palette: it extracts a master and a target schema, pairs their objects,
// and writes the update script that turns the target into the master, pass by pass in one fixed
// order.
//
// The comparer refuses to write a script it cannot stand behind: when an extraction failed or
// was cancelled, when a side has no holder or (while extracting) no extractor, or when the
// master reads in another dialect than the target and nothing converts it into the target's
// (qelVarnel_Conv.cpp). A script compared against a half-read or missing master would drop
// whatever the master seemed to lack.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qelClasses.h"
#include "qelComp_Tbl.h"
#include "qelDBEngine.h"
#include "qelMsgMngr.h"
#include "qelSQL_Exec.h"

namespace qel {

class TVarnel;
class TCatalogReadAhead;
class TScriptReadAhead;
/// What a conversion of the master changed, to put it back (qelVarnel_Conv.cpp).
struct TMasterSnapshot;

/// The steps of the update script, in the order they run (1 .. 46). Passes run as a group
/// share a step; the ordinals are kept, since traces and reports show them.
enum TGenStep : int {
  gsSchCreate = 1,
  gsSchAlter,
  gsPGObjectsCreate,  // conversions, operators, operator classes: create and alter (PostgreSQL)
  gsMSRulesDefaultsCreate,  // rules and defaults: create and alter (SQL Server)
  gsCtrDrop,
  gsDmnCreate,
  gsUdfCreate,
  gsTrigEmpty,  // target-only triggers of views emptied before anything is dropped
  gsProcDrop,
  gsTrigDrop,
  gsIdxDrop,
  gsViewDrop,
  gsUdfAlter,
  gsExptDrop,
  gsUdfDrop,
  gsDmnAlter,
  gsTablCreate,
  gsTablAlter,  // new columns, then the changes of the tables
  gsTablDrop,
  gsProcCreate,
  gsDmnDrop,
  gsViewCreateFirst,  // what cannot be created yet is reported and left to gsViewCreateSecond
  gsViewAlter,
  gsIdxCreate,
  gsIdxAlter,
  gsGenrCreate,
  gsExptCreate,
  gsExptAlter,
  gsCtrCreate,  // every constraint but the default constraints
  gsProcAlterFirst,
  gsCtrDefaultsCreate,  // default constraints, after the procedures they may call
  gsTrigCreate,
  gsViewCreateSecond,
  gsTrigAlter,
  gsGenrAlterDrop,
  gsProcAlterSecond,
  gsMSRulesDefaultsDrop,  // (SQL Server)
  gsOraPackages,          // packages: drop, alter, create (Oracle)
  gsTblFldPosition,
  gsPublications,     // publications: drop, alter, create
  gsRoleCreateAlter,  // roles: create and alter
  gsPGObjectsDrop,    // operator classes, operators, conversions (PostgreSQL)
  gsEvents,           // events: create, alter, drop
  gsSchDrop,
  gsGrants,  // grants: drop, then create
  gsRoleDrop
};
/// The number of steps of the update script.
constexpr int GenStepCount = gsRoleDrop;
static_assert(GenStepCount == 46, "a step of the update script was added or removed");

/// One pass of the update script: a routine that adds the statements of one kind and step, and
/// the gate that decides whether it runs.
struct TVarnelPass {
  /// Position of the pass in the generation order (passes run as a group share it).
  TGenStep Row = gsSchCreate;
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
  /// Whether a live comparison may read the master's catalog on a second connection while the
  /// target's is read (see ExtractDatabases); on by default. Off, the master is read on its own
  /// connection after the target, and no second session is opened: for servers that limit
  /// sessions, or run logon triggers or audits on each.
  bool GetCatalogReadAhead() const { return FCatalogReadAhead; }
  void SetCatalogReadAhead(bool Value) { FCatalogReadAhead = Value; }

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
  /// Where both sides are read from catalogs by extractors of one class that allow it
  /// (CanReadAhead), the master's catalog is read on a second connection while the target is
  /// read (TCatalogReadAhead), in a snapshot taken when the target's reading begins. Every event,
  /// message and progress report still comes on the calling thread, the target's all before
  /// the master's; a master whose connection a handler changed meanwhile is read as without it.
  /// Where both sides are read from scripts (ReadsScriptsAtOnce), the master's are read on a
  /// second thread while the target's are read on the calling one; the master's events and
  /// messages are held and come, on the calling thread, where they would have come had the
  /// master been read after the target. Meanwhile the master's extractor, holder and
  /// collection belong to that reading: handlers of the target's reading leave them alone.
  bool ExtractDatabases() override;
  /// The next ExtractDatabases reads the two sides' scripts at once: both extractors read
  /// scripts, into two holders, and no host code must answer the master's reading on the spot
  /// or run between the two readings (OnAfterExtractTarget, OnBeforeExtractMaster, the
  /// master's OnLoadScript and accept filters, a log handler of its collection or executor).
  bool ReadsScriptsAtOnce() const;
  /// Writes the update script into the executor (GetSQLExec; the comparer makes its own, in the
  /// target's dialect, when the host assigned none). A refused comparison, or a pass that
  /// raised, leaves the executor empty and says why in MsgManager and through OnErrorMessage;
  /// callers decide by MsgManager.GetIsErr().
  /// The first comparison after an extraction starts from the extraction's pairing and marks
  /// instead of pairing both schemas again, when nothing can have changed them since: no
  /// OnAfterExtract handler, conversion, dialect evening-out or descendant's own step ran after
  /// the pairing, and no object or column of either collection was added, removed, replaced,
  /// renamed, re-paired or re-marked meanwhile. The texts of views, routines and triggers are
  /// taken again either way; the script is the same.
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
  /// Brings a master of another dialect into the target's dialect, in place: for an
  /// InterBase/Firebird, SQL Anywhere, MySQL, SQL Server or PostgreSQL target by the conversion
  /// of that dialect. A target dialect without such a conversion refuses the master: reported,
  /// and false. The master stays converted, and the kinds the target cannot take from it stay
  /// out of CompareObjects, until RestoreMaster; ExtractDatabases and CompareDatabases convert
  /// for their own work and restore before they return, so that the caller's master and kind
  /// set are never changed by a comparison.
  virtual bool ConvertDatabases();
  /// Puts a master changed by a conversion back as it was read (names, types, defaults, keys,
  /// dialect; the objects the conversion added are freed), and the kind sets of the comparer
  /// and of both collections as they were. Nothing when no conversion is in effect, and
  /// nothing to the master when its holder was unlinked or its collection refilled meanwhile.
  void RestoreMaster();
  /// The dialects a master of another dialect is converted into.
  static bool HasConversionTo(TDatabaseType Target);
  /// A conversion of the master is in effect.
  bool MasterConverted() const { return FSnapshot != nullptr; }

  // The conversions, one per target dialect: each logs its line, takes out of the kind sets
  // the kinds the target cannot take from a master of another dialect, and rewrites the master.
  void ConvertToIB_Db();
  void ConvertToSybaseDb();
  void ConvertToMySQLDb();
  void ConvertToMsSQLDb();
  void ConvertToPGSQLDb();
  /// Frees the objects of List, from the last to the first, with every record pointing to them.
  static void ClearDbObjs(TCustomObjs& Objs, TDbObjList& List);

  // Rules of the conversions.

  /// An InterBase default from another dialect's: enclosing parentheses stripped; GETDATE()
  /// as the current date ('TODAY' for InterBase 4 and 5); NEWID() dropped.
  static std::string IBDefault(const std::string& Default, TIBSQLServerVersionType Version);
  /// A MySQL name: "_" after a reserved word, "_" for each blank.
  static std::string MySQLName(const std::string& Name);
  /// A PostgreSQL name: lower case when it needs no quoting, else as it is.
  static std::string PGName(const std::string& Name, const TCustomObjs& Objs);
  /// A MySQL default that is not quoted yet, quoted; a number of a DOUBLE column without its
  /// zero decimals, of a DECIMAL column with the column's scale.
  static std::string MySQLNumberDefault(const std::string& Default, TDBFieldType Type,
                                        std::int32_t Scale);

  struct TSnapshotDeleter {
    void operator()(TMasterSnapshot* S) const;
  };

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
  /// error in MsgManager. Ahead: the target's extractor announces its catalog queries there,
  /// the master's reads its catalog through it.
  void ExtractSide(TCustomExtract& Extractor, TCustomDBStructure& Holder, bool IsTarget,
                   TCatalogReadAhead* Ahead = nullptr);
  /// Starts reading the master's catalog for the extraction of both sides about to begin;
  /// nullptr when CatalogReadAhead is off, when the master will not be read from a catalog of
  /// the target's kind, or when it cannot be read ahead.
  std::unique_ptr<TCatalogReadAhead> ReadMasterAhead();
  /// Prepares the master's side (MasterObjs: its collection) and starts reading its scripts on
  /// a second thread; nullptr when they are read after the target's (ReadsScriptsAtOnce).
  std::unique_ptr<TScriptReadAhead> ReadMasterScriptsAhead(TCustomObjs*& MasterObjs);
  /// Links the holder, pushes the comparer's options and kind set into its collection and
  /// returns it; nullptr (reported) when the holder has none.
  TCustomObjs* PrepareSide(TCustomExtract& Extractor, TCustomDBStructure& Holder, bool IsTarget);
  /// After one side's extraction (Extracted: what the extractor returned, into H): takes the
  /// target's options back, collects the messages, reports a failure or a cancellation.
  void FinishSide(TCustomExtract& Extractor, TCustomDBStructure& Holder, bool IsTarget,
                  TCustomObjs* H, bool Extracted);
  /// The master's turn of ExtractDatabases: reads it through Ahead or finishes its reading from
  /// ScriptAhead (into MasterObjs), or reads it now; both are spent after. False (reported) when
  /// the master has no extractor or holder.
  bool ExtractMasterSide(std::unique_ptr<TCatalogReadAhead>& Ahead,
                         std::unique_ptr<TScriptReadAhead>& ScriptAhead, TCustomObjs* MasterObjs);
  /// Takes the dialect, connection options and (InterBase) database options of the side that
  /// was read, the target first, for the comparison.
  void AdoptSideRead();
  /// Converts a master of another dialect into the target's, or lets each side's extractor
  /// match the server forms of the other's texts; false when the conversion failed.
  bool EvenOutSides();
  /// Reports the extractor and the holder of one side ("Target", "Master") that are missing;
  /// false when either is.
  bool CheckAssigned(bool HasExtractor, bool HasHolder, const char* Side);
  /// LinkRefs, the source definitions of the master and then the target, SetObjsCreated: the
  /// pairing and marks both the extraction and the comparison start from.
  void PairAndMark(TCustomObjs& M, TCustomObjs& T);
  /// When the extraction's pairing of M and T still holds (FPairingFresh and the digests
  /// agree), takes the source definitions again and returns true; otherwise false.
  bool ReusePairing(TCustomObjs& M, TCustomObjs& T);
  /// Records an error of the comparer in MsgManager and reports it.
  void ReportError(const std::string& Text);
  /// ClassName(Name): as every report of the comparer begins.
  std::string Who() const;
  /// Whether CompareDatabases may write a script now; reports why not.
  bool CanCompare();
  /// Empties the executor, so that no earlier script outlives a refused comparison.
  void DiscardScript();
  /// Opens a conversion: its log line, the record of the master (once), the kinds removed.
  /// Returns the master to convert; nullptr when a side has no collection.
  TCustomObjs* BeginConversion(const char* LogLine, const TCmpObjSetType& Removed);

  std::unique_ptr<TMasterSnapshot, TSnapshotDeleter> FSnapshot;
  /// The pairing and marks the extraction left are those CompareDatabases would make: no host
  /// handler ran after them, and no conversion or dialect evening-out changed the schemas.
  /// Taken by the next comparison, which reuses them when the collections are those paired and
  /// their digests (MarkAndDigest in qelVarnel.cpp, kept by the last SetObjsCreated) agree.
  bool FPairingFresh = false;
  bool FCatalogReadAhead = true;
  const TCustomObjs* FPairedM = nullptr;
  const TCustomObjs* FPairedT = nullptr;
  std::uint64_t FPairedDigestM = 0;
  std::uint64_t FPairedDigestT = 0;
};

}  // namespace qel
