// The comparer's first half: extracting both schemas, pairing their objects and marking what
// already exists in the target.
#include "qelVarnel.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>
#include <typeinfo>
#include <utility>

#include "Text.h"
#include "qelCatalogReadAhead.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Tbl.h"
#include "qelComp_Viw.h"
#include "qelCustomScriptExtract.h"
#include "qelDatabaseExtract.h"
#include "qelDialects.h"
#include "qelScriptReadAhead.h"

namespace qel {

namespace {

/// The kind lists that take part in pairing and marking, in the order they are walked.
std::array<TDbObjList*, 21> PairedLists(TCustomObjs& O) {
  return {&O.Schemas,    &O.Domains,      &O.Tables,      &O.Procedures,      &O.Triggers,
          &O.Generators, &O.Exceptions,   &O.Functions,   &O.Views,           &O.Indexes,
          &O.Roles,      &O.Grants,       &O.Constraints, &O.Packages,        &O.Defaults,
          &O.Rules,      &O.Publications, &O.Operators,   &O.OperatorClasses, &O.Conversions,
          &O.Events};
}

/// The columns of a table or view; nullptr for other objects. The walks below visit every
/// object of both schemas several times, so the kind code tells tables and views apart (only
/// a TTblData carries kindTable and only a TViwData kindView in the kind lists).
const TObjVector<TFldData>* ColumnsOf(const TDbObj* Obj) {
  if (Obj->Kind == kindTable) return &static_cast<const TTblData*>(Obj)->Fields;
  if (Obj->Kind == kindView) return &static_cast<const TViwData*>(Obj)->Fields;
  return nullptr;
}

/// Pairings are numbered, so that one pairing can tell the counterparts it gave from those an
/// earlier one left.
std::atomic<std::uint64_t> PairRounds{0};

void Pair(TDbObj* A, TDbObj* B, std::uint64_t Round) {
  A->SetRefObj(B);
  B->SetRefObj(A);
  A->PairRound = B->PairRound = Round;
}

/// Pairs the columns of two tables or two views by name, under the column list's case rule.
void LinkColumns(const TObjVector<TFldData>& L, const TObjVector<TFldData>& M,
                 std::uint64_t Round) {
  int I = 0;
  for (const auto& F : L) {
    if (TFldData* G = M.FindFrom(F->ObjKeyDef(), I)) Pair(F.get(), G, Round);
    ++I;
  }
}

void LinkObjList(const TDbObjList& L, const TDbObjList& M, std::uint64_t Round) {
  // L is walked in key order, so M is mostly looked up in its own order too.
  std::size_t Hint = 0;
  for (int I = 0; I < L.Count(); ++I) {
    TDbObj* O = L.Objects(I);
    TDbObj* C = M.FindObjFrom(O->ObjKeyDef(), Hint);
    if (!C) continue;
    Pair(O, C, Round);
    const TObjVector<TFldData>* OC = ColumnsOf(O);
    const TObjVector<TFldData>* CC = ColumnsOf(C);
    if (OC && CC) LinkColumns(*OC, *CC, Round);
  }
}

void LinkLists(TCustomObjs& A, TCustomObjs& B, std::uint64_t Round) {
  const auto LA = PairedLists(A);
  const auto LB = PairedLists(B);
  for (std::size_t K = 0; K < LA.size(); ++K) LinkObjList(*LA[K], *LB[K], Round);
}

/// Forgets the counterpart of every object of O, and of their columns, that pairing Round did
/// not give one: an object whose counterpart is gone or was replaced (the other holder
/// re-extracted or exchanged) is never taken for paired with it.
void ForgetUnpaired(TCustomObjs& O, std::uint64_t Round) {
  for (TDbObjList* L : O.AllLists())
    for (int I = 0; I < L->Count(); ++I) {
      TDbObj* Obj = L->Objects(I);
      if (Obj->PairRound != Round) Obj->SetRefObj(nullptr);
      if (const TObjVector<TFldData>* Cols = ColumnsOf(Obj))
        for (const auto& F : *Cols)
          if (F->PairRound != Round) F->SetRefObj(nullptr);
    }
}

/// With Mark, marks each object of O's paired lists, and each column of its tables, created when
/// it has a counterpart (a master) or always (a target). Returns what the pairing and marks of
/// O rest on and left, as one number: every object, and every column of a table or view, list
/// by list, by address, name, schema, counterpart, pairing round and created mark. A collection
/// refilled, or an object added, removed, renamed, re-paired or re-marked, gives another digest.
std::uint64_t MarkAndDigest(TCustomObjs& O, bool IsMaster, bool Mark) {
  std::uint64_t H = O.GetDatabaseType();
  const auto Mix = [&H](std::uint64_t V) {
    H = (H ^ V) * 0x9E3779B97F4A7C15ull;
    H ^= H >> 29;
  };
  const std::hash<std::string_view> Hash;
  const auto MixObj = [&](const TDbObj& D) {
    Mix(reinterpret_cast<std::uintptr_t>(&D));
    Mix(reinterpret_cast<std::uintptr_t>(D.GetRefObj()));
    Mix(D.PairRound);
    Mix(D.ObjCreated);
    Mix(Hash(D.GetObjName()));
    Mix(Hash(D.GetSchema()));
  };
  for (TDbObjList* L : PairedLists(O)) {
    Mix(static_cast<std::uint64_t>(L->Count()));
    for (int I = 0; I < L->Count(); ++I) {
      TDbObj* Obj = L->Objects(I);
      if (Mark) Obj->SetObjCreated(!IsMaster || Obj->GetRefObj() != nullptr);
      MixObj(*Obj);
      if (Obj->Kind == kindTable) {
        auto* T = static_cast<TTblData*>(Obj);
        Mix(static_cast<std::uint64_t>(T->Fields.Count()));
        for (const auto& F : T->Fields) {
          if (Mark) F->SetObjCreated(!IsMaster || F->GetRefObj() != nullptr);
          MixObj(*F);
        }
      } else if (Obj->Kind == kindView) {
        auto* V = static_cast<TViwData*>(Obj);
        Mix(static_cast<std::uint64_t>(V->Fields.Count()));
        for (const auto& F : V->Fields) MixObj(*F);
      }
    }
  }
  return H;
}

/// Copies a value present on one side only to the other side.
void EvenOut(std::string& A, std::string& B) {
  if (A.empty() && !B.empty())
    A = B;
  else if (B.empty() && !A.empty())
    B = A;
}

/// A MySQL table that names no character set has the other side's, as the server gives it
/// the database's; one that names a set without its collation has the set's default.
void EvenOutMySQLCharset(TMySQLTableOptions& A, TMySQLTableOptions& B) {
  for (auto [X, Y] : {std::pair{&A, &B}, std::pair{&B, &A}})
    if (X->GetDefCharSet().empty() && X->Collation.empty()) {
      X->SetDefCharSet(Y->GetDefCharSet());
      X->Collation = Y->Collation;
    }
  for (TMySQLTableOptions* X : {&A, &B})
    if (X->Collation.empty()) X->Collation = MySQLDefaultCollation(X->GetDefCharSet());
  if (SameText(A.GetDefCharSet(), B.GetDefCharSet())) EvenOut(A.Collation, B.Collation);
}

/// The columns of a pair of MySQL tables once their character sets are settled: a script's
/// BINARY column becomes the _bin collation of the set the table has on the server. Where the
/// tables' collations differ, the columns that follow their table are given its collation on
/// both sides: changing the table's default changes none of its columns, so a column the
/// master has in the new collation needs its own change.
void MySQLSettleColumnCharsets(TTblData& MT, TTblData& TT) {
  for (TTblData* X : {&MT, &TT})
    for (const auto& F : X->Fields) MySQLNormaliseCharset(*F, *X);
  const TMySQLTableOptions& A = MT.Extra().MySQLOptions;
  const TMySQLTableOptions& B = TT.Extra().MySQLOptions;
  if (SameText(A.Collation, B.Collation) && SameText(A.GetDefCharSet(), B.GetDefCharSet())) return;
  for (TTblData* X : {&MT, &TT})
    for (const auto& F : X->Fields) {
      if (!F->Extra().Collation.empty()) continue;
      const std::string Collation = MySQLEffectiveCollation(*F, *X);
      if (Collation.empty()) continue;
      F->SetExtra(&TFldExtra::CharSet, X->Extra().MySQLOptions.GetDefCharSet());
      F->SetExtra(&TFldExtra::Collation, Collation);
    }
}

/// An Oracle clause stated by one side only is cleared on that side, so that it does not read
/// as a change.
void DropOneSided(TObjText& M, TObjText& T) {
  if (T.empty() && !M.empty())
    M.clear();
  else if (M.empty() && !T.empty())
    T.clear();
}

/// Whether A and B are one text but for their line ends: CR LF, CR alone and LF alone are each
/// one line break.
bool SameButLineEnds(std::string_view A, std::string_view B) {
  std::size_t I = 0, J = 0;
  const auto Break = [](std::string_view S, std::size_t& K) {
    if (K >= S.size() || (S[K] != '\r' && S[K] != '\n')) return false;
    K += S[K] == '\r' && K + 1 < S.size() && S[K + 1] == '\n' ? 2 : 1;
    return true;
  };
  while (I < A.size() && J < B.size()) {
    const bool BreakA = Break(A, I);
    const bool BreakB = Break(B, J);
    if (BreakA != BreakB) return false;
    if (BreakA) continue;
    if (A[I++] != B[J++]) return false;
  }
  return I == A.size() && J == B.size();
}

/// A body that a script checked out with other line ends gives the target means what the
/// master's means to every server: the target takes the master's text, so that no statement
/// rewrites the routine, trigger or view for its line ends alone.
void EvenOutLineEnds(TCustomObjs& M) {
  for (TDbObjList* L : {&M.Views, &M.Procedures, &M.Triggers, &M.Functions, &M.Packages})
    for (int I = 0; I < L->Count(); ++I) {
      TDbObj* MO = L->Objects(I);
      TDbObj* TO = MO->GetRefObj();
      if (TO && TO->Extra().Body.str() != MO->Extra().Body.str() &&
          SameButLineEnds(TO->Extra().Body, MO->Extra().Body))
        TO->SetExtra(&TObjExtra::Body, MO->Extra().Body);
    }
}

/// The name a MySQL key or index gives column Name of table Tbl: the server keeps a key's
/// columns as references and shows them spelt as the columns are, which in the target (Target)
/// is the master's spelling once the update has renamed them. Name itself when the table
/// lacks it.
std::string MySQLColumnSpelling(const TTblData* Tbl, const std::string& Name, bool Target) {
  const TFldData* F = Tbl ? Tbl->Fields.Find(Name) : nullptr;
  if (!F) return Name;
  const auto* Master = Target ? dynamic_cast<const TFldData*>(F->GetRefObj()) : nullptr;
  return Master ? Master->GetObjName() : F->GetObjName();
}

/// Spells the columns of List as MySQLColumnSpelling does; true when one changed.
bool MySQLSpellColumns(const TTblData* Tbl, TStringList& List, bool Target) {
  bool Changed = false;
  for (int I = 0; I < List.Count(); ++I) {
    const std::string Name = MySQLColumnSpelling(Tbl, List[I], Target);
    if (Name == List[I]) continue;
    List.Put(I, Name);
    if (auto* F = dynamic_cast<TDbObj*>(List.Objects(I))) F->SetObjName(Name);
    Changed = true;
  }
  return Changed;
}

/// MySQL names columns without regard to case: the columns of O's keys and indexes are spelt
/// as their tables spell them, so that a key does not differ from the server's copy of it by
/// case alone. Constraints whose key holds their columns are filed again under the new one.
void MySQLSpellKeyColumns(TCustomObjs& O, bool Target) {
  const auto* Objs = dynamic_cast<const TObjs*>(&O);
  if (!Objs) return;
  bool Rekey = false;
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    auto* C = dynamic_cast<TCtrData*>(O.Constraints.Objects(I));
    if (!C) continue;
    bool Changed = MySQLSpellColumns(Objs->GetTable(C->GetTblName()), C->FldList, Target);
    if (!C->GetRefTblName().empty() && C->HasExtra())
      Changed = MySQLSpellColumns(Objs->GetTable(C->GetRefTblName()), C->EditExtra().RefFldList,
                                  Target) ||
                Changed;
    Rekey = Rekey || (Changed && C->ObjKeyDef() != O.Constraints.Keys(I));
  }
  for (int I = 0; I < O.Indexes.Count(); ++I)
    if (auto* Idx = dynamic_cast<TIdxData*>(O.Indexes.Objects(I)))
      MySQLSpellColumns(Objs->GetTable(Idx->TableName), Idx->Flds, Target);
  if (!Rekey) return;
  O.Constraints.SetSorted(false);
  for (int I = 0; I < O.Constraints.Count(); ++I)
    O.Constraints.PutKey(I, O.Constraints.Objects(I)->ObjKeyDef());
  O.Constraints.SetSorted(true);
}

}  // namespace

TVarnel::TVarnel(TComponent* AOwner) : TCustomVarnel(AOwner) {}

TVarnel::~TVarnel() {
  RestoreMaster();
}

std::string TVarnel::Who() const {
  return ClassName() + "(" + Name + ")";
}

void TVarnel::ReportError(const std::string& Text) {
  MsgManager.AddMsg(Text, mt_Err, nullptr);
  DoErrorMessage(Text);
}

std::string TVarnel::DialectName(TDatabaseType DatabaseType) {
  if (DatabaseType == dbAbstract) return "an unspecified dialect";
  const TDialect* D = FindDialect(DatabaseType);
  return D && !D->DisplayName.empty() ? D->DisplayName
                                      : "dialect " + IntToStr(static_cast<int>(DatabaseType));
}

// ---------------------------------------------------------------------------------------------
// Events

void TVarnel::DoBeforeExtract() {
  WorkList.Clear();
  MsgManager.Clear();
  if (OnBeforeExtract) OnBeforeExtract(this);
}

void TVarnel::DoAfterExtract() {
  TCustomObjs* M = GetMObjs();
  TCustomObjs* T = GetTObjs();
  if (M && T) {
    PairAndMark(*M, *T);
    AssignDiffs();
    // Only MySQL and Oracle even out anything, a master of another dialect is converted for
    // the comparison after this pairing, and a descendant may change the schemas in its own
    // event steps.
    FPairingFresh = !OnAfterExtract && DatabaseType != dbMySQL && DatabaseType != dbOracle &&
                    M->GetDatabaseType() == T->GetDatabaseType() &&
                    typeid(*this) == typeid(TVarnel);
    FPairedM = FPairingFresh ? M : nullptr;
    FPairedT = FPairingFresh ? T : nullptr;
  }
  if (OnAfterExtract) OnAfterExtract(this);
}

void TVarnel::DoBeforeExtractTarget() {
  if (OnBeforeExtractTarget) OnBeforeExtractTarget(this);
}

void TVarnel::DoAfterExtractTarget() {
  if (OnAfterExtractTarget) OnAfterExtractTarget(this);
}

void TVarnel::DoBeforeExtractMaster() {
  if (OnBeforeExtractMaster) OnBeforeExtractMaster(this);
}

void TVarnel::DoAfterExtractMaster() {
  if (OnAfterExtractMaster) OnAfterExtractMaster(this);
}

void TVarnel::DoBeforeCompare() {
  WorkList.Clear();
  MsgManager.Clear();
  TCustomObjs* M = GetMObjs();
  TCustomObjs* T = GetTObjs();
  for (TCustomObjs* O : {M, T}) {
    O->WorkStr1.clear();
    O->WorkStr2.clear();
  }
  if (!ReusePairing(*M, *T)) PairAndMark(*M, *T);
  if (OnBeforeCompare) OnBeforeCompare(this);
}

void TVarnel::DoAfterCompare() {
  if (OnAfterCompare) OnAfterCompare(this);
}

// ---------------------------------------------------------------------------------------------
// Extraction

bool TVarnel::CheckAssigned(bool HasExtractor, bool HasHolder, const char* Side) {
  if (!HasExtractor) ReportError(Who() + ": property Extractor" + Side + " not assigned.");
  if (!HasHolder) ReportError(Who() + ": property DBStructure" + Side + " not assigned.");
  return HasExtractor && HasHolder;
}

bool TVarnel::CheckAssignTarget() {
  return CheckAssigned(GetExtractorTarget(), GetDBStructureTarget(), "Target");
}

bool TVarnel::CheckAssignMaster() {
  return CheckAssigned(GetExtractorMaster(), GetDBStructureMaster(), "Master");
}

TCustomObjs* TVarnel::PrepareSide(TCustomExtract& Extractor, TCustomDBStructure& Holder,
                                  bool IsTarget) {
  const char* Side = IsTarget ? "target" : "master";
  Extractor.SetDBStructure(&Holder);
  Extractor.ShowFullLog = GetShowFullLog();
  TCustomObjs* H = Holder.GetObjs();
  if (!H) {
    ReportError(Who() + ": the " + Side + " schema holder has no collection.");
    return nullptr;
  }

  H->IBServerOptions.SetIBCompareOptions(GetIBServerOptions().GetIBCompareOptions());
  H->MSSQLServerOptions.SetMSSQLCompareOptions(GetMSSQLServerOptions().GetMSSQLCompareOptions());
  if (!IsTarget)
    H->ASAServerOptions.SetASACompareOptions(GetASAServerOptions().GetASACompareOptions());
  H->MySQLServerOptions.SetMySQLCompareOptions(GetMySQLServerOptions().GetMySQLCompareOptions());
  H->ASEServerOptions.SetASECompareOptions(GetASEServerOptions().GetASECompareOptions());

  Extractor.CompareObjects = GetIBServerOptions().GetIBCompareOptions().ExtractOnlyComparedObjects
                                 ? CompareObjects
                                 : AllCmpObjTypes();
  H->CompareObjects = CompareObjects;
  return H;
}

void TVarnel::ExtractSide(TCustomExtract& Extractor, TCustomDBStructure& Holder, bool IsTarget,
                          TCatalogReadAhead* Ahead) {
  TCustomObjs* H = PrepareSide(Extractor, Holder, IsTarget);
  if (!H) return;
  DatabaseType = Extractor.DatabaseType;
  if (auto* DB = Ahead ? dynamic_cast<TCustomDBExtract*>(&Extractor) : nullptr) {
    if (IsTarget)
      DB->AnnounceQueriesTo(Ahead);
    else
      DB->ReadCatalogThrough(Ahead);
  }
  const bool Extracted = Extractor.ExtractDatabase();
  FinishSide(Extractor, Holder, IsTarget, H, Extracted);
}

void TVarnel::FinishSide(TCustomExtract& Extractor, TCustomDBStructure& Holder, bool IsTarget,
                         TCustomObjs* H, bool Extracted) {
  const char* Side = IsTarget ? "target" : "master";
  // The extractors stop between steps when the host asks them to; what they leave behind is a
  // part of the schema, and comparing with a part would drop the rest.
  const bool Cancelled = TerminateRunning.load();
  // Event handlers of the extraction are host code: should one have freed or unlinked the
  // extractor or the holder, neither may be touched again.
  if ((IsTarget ? GetExtractorTarget() : GetExtractorMaster()) != &Extractor ||
      (IsTarget ? GetDBStructureTarget() : GetDBStructureMaster()) != &Holder ||
      Holder.GetObjs() != H) {
    ReportError(Who() + ": the " + Side + " extractor or holder went away during the extraction.");
    return;
  }

  if (IsTarget) {
    FConnectionOptions.Assign(H->ConnectionOptions);
    GetIBServerOptions().SetIBDatabaseOptions(H->IBServerOptions.GetIBDatabaseOptions());
    GetMSSQLServerOptions().SetMSSQLDatabaseOptions(
        H->MSSQLServerOptions.GetMSSQLDatabaseOptions());
    SetMySQLServerOptions(H->MySQLServerOptions);
    GetASAServerOptions().SetASADatabaseOptions(H->ASAServerOptions.GetASADatabaseOptions());
  }

  TMsgManager* Msgs = Extractor.GetMsgManager();
  MsgManager.CopyFrom(Msgs);
  // An extractor that fails without saying why must not pass for one that succeeded.
  if (!Extracted && !(Msgs && Msgs->GetIsErr()))
    ReportError(Who() + ": the " + Side + " schema could not be extracted (" +
                Extractor.ClassName() + "(" + Extractor.Name + ")).");
  if (Cancelled) ReportError(Who() + ": the extraction of the " + Side + " schema was cancelled.");
}

bool TVarnel::ExtractDatabases() {
  FPairingFresh = false;
  MsgManager.Clear();
  ExtractMasterEnabled = true;
  ExtractTargetEnabled = true;
  CompareEnabled = true;
  bool Result = false;
  DoBeforeExtract();

  // The master's catalog, read while the target is; its worker ends on every way out.
  std::unique_ptr<TCatalogReadAhead> Ahead;
  // The master's scripts, read on a thread of their own while the target's are; MasterObjs is
  // the collection they fill.
  std::unique_ptr<TScriptReadAhead> ScriptAhead;
  TCustomObjs* MasterObjs = nullptr;
  if (ExtractTargetEnabled) {
    DoBeforeExtractTarget();
    if (ExtractTargetEnabled) {
      if (!CheckAssignTarget()) {
        CompareEnabled = false;
        DiscardScript();
        return false;
      }
      Ahead = ReadMasterAhead();
      ScriptAhead = ReadMasterScriptsAhead(MasterObjs);
      ExtractSide(*GetExtractorTarget(), *GetDBStructureTarget(), true, Ahead.get());
      DoAfterExtractTarget();
    }
  }
  Result = !MsgManager.GetIsErr();
  if (!Result) {
    CompareEnabled = false;
    Ahead.reset();
    ScriptAhead.reset();
  }

  if (Result && ExtractMasterEnabled) {
    DoBeforeExtractMaster();
    if (ExtractMasterEnabled) {
      if (!ExtractMasterSide(Ahead, ScriptAhead, MasterObjs)) {
        CompareEnabled = false;
        DiscardScript();
        return false;
      }
      DoAfterExtractMaster();
    }
  }
  Ahead.reset();
  ScriptAhead.reset();
  Result = !MsgManager.GetIsErr();
  if (!Result) CompareEnabled = false;

  AdoptSideRead();

  // The master of another dialect is paired in the target's; it is put back as read before
  // returning (CompareDatabases converts it again for its own work).
  struct TRestore {
    TVarnel& V;
    ~TRestore() { V.RestoreMaster(); }
  } Restore{*this};
  if (Result && !EvenOutSides()) {
    Result = false;
    CompareEnabled = false;
  }

  DoAfterExtract();
  // A script written from the schemas read before must not outlive a failed reading: it
  // could be taken for the update of what was just read.
  if (!Result) DiscardScript();
  return Result;
}

bool TVarnel::ExtractMasterSide(std::unique_ptr<TCatalogReadAhead>& Ahead,
                                std::unique_ptr<TScriptReadAhead>& ScriptAhead,
                                TCustomObjs* MasterObjs) {
  // Comparing with a master that was never read would drop the whole target: a master
  // side without extractor or holder fails the extraction.
  if (!CheckAssignMaster()) return false;
  // The handlers that ran since may have given the master another extractor, connection
  // or settings: then it is read as it would be without the read-ahead.
  auto* Reader = dynamic_cast<TCustomDBExtract*>(GetExtractorMaster());
  if (Ahead && !(Reader && Ahead->Serves(Reader->GetQELConnection()))) Ahead.reset();
  if (ScriptAhead) {
    // Its events come now, where they would have come had the master been read only now.
    DatabaseType = GetExtractorMaster()->DatabaseType;
    const bool Extracted = ScriptAhead->Finish();
    ScriptAhead.reset();
    FinishSide(*GetExtractorMaster(), *GetDBStructureMaster(), false, MasterObjs, Extracted);
  } else {
    ExtractSide(*GetExtractorMaster(), *GetDBStructureMaster(), false, Ahead.get());
  }
  Ahead.reset();
  return true;
}

void TVarnel::AdoptSideRead() {
  TCustomDBStructure* Side = nullptr;
  TCustomExtract* SideExtractor = nullptr;
  if (ExtractTargetEnabled) {
    Side = GetDBStructureTarget();
    SideExtractor = GetExtractorTarget();
  } else if (ExtractMasterEnabled) {
    Side = GetDBStructureMaster();
    SideExtractor = GetExtractorMaster();
  }
  TCustomObjs* SideObjs = Side ? Side->GetObjs() : nullptr;
  if (SideExtractor) DatabaseType = SideExtractor->DatabaseType;
  if (!SideObjs) return;
  FConnectionOptions.Assign(SideObjs->ConnectionOptions);
  if (DatabaseType == dbInterBase) {
    TIBServerOptions& From = SideObjs->IBServerOptions;
    GetIBServerOptions().SetIBDatabaseOptions(From.GetIBDatabaseOptions());
    GetIBServerOptions().SetSQLDialect(From.GetSQLDialect());
    GetIBServerOptions().SetDBCharSet(From.GetDBCharSet());
  }
}

bool TVarnel::EvenOutSides() {
  TCustomObjs* M = GetMObjs();
  TCustomObjs* T = GetTObjs();
  if (!M || !T) return true;
  if (M->GetDatabaseType() != T->GetDatabaseType() && !ConvertDatabases()) return false;
  // A side read from a catalog lets its server say which texts of the other side, read from
  // scripts, mean what its own do (the server rewrites a view's text as it stores it).
  if (M->GetDatabaseType() == T->GetDatabaseType()) {
    if (TCustomExtract* E = GetExtractorTarget()) E->MatchServerForms(*M);
    if (TCustomExtract* E = GetExtractorMaster()) E->MatchServerForms(*T);
  }
  return true;
}

std::unique_ptr<TCatalogReadAhead> TVarnel::ReadMasterAhead() {
  auto* T = dynamic_cast<TCustomDBExtract*>(GetExtractorTarget());
  auto* M = dynamic_cast<TCustomDBExtract*>(GetExtractorMaster());
  // Extractors of one class ask the same queries; any other pair would read ahead in vain.
  if (!FCatalogReadAhead || !ExtractMasterEnabled || !T || !M || !GetDBStructureMaster() ||
      typeid(*T) != typeid(*M) || !M->CanReadAhead())
    return nullptr;
  return TCatalogReadAhead::Start(M->GetQELConnection());
}

bool TVarnel::ReadsScriptsAtOnce() const {
  auto* T = dynamic_cast<TCustomScriptExtract*>(GetExtractorTarget());
  auto* M = dynamic_cast<TCustomScriptExtract*>(GetExtractorMaster());
  TCustomDBStructure* TH = GetDBStructureTarget();
  TCustomDBStructure* MH = GetDBStructureMaster();
  if (!ExtractMasterEnabled || !T || !M || T == M || !TH || !MH || TH == MH) return false;
  TCustomObjs* MO = MH->GetObjs();
  if (!MO || MO == TH->GetObjs()) return false;
  // A handler between the two readings may change what the master reads, or skip it.
  if (OnAfterExtractTarget || OnBeforeExtractMaster) return false;
  // Host code that answers the reader on the spot cannot be held until the master's turn.
  if (M->OnLoadScript || M->OnAcceptObj || M->OnAccept_Obj || MO->OnLogNextLine) return false;
  const TCustomSQLExec* Exec = MO->GetSQLExec();
  return !(Exec && Exec->OnLogNextLine);
}

std::unique_ptr<TScriptReadAhead> TVarnel::ReadMasterScriptsAhead(TCustomObjs*& MasterObjs) {
  if (!ReadsScriptsAtOnce()) return nullptr;
  auto& Extractor = static_cast<TCustomScriptExtract&>(*GetExtractorMaster());
  MasterObjs = PrepareSide(Extractor, *GetDBStructureMaster(), false);
  return MasterObjs ? TScriptReadAhead::Start(Extractor) : nullptr;
}

bool TVarnel::ExtractAndCompareDatabases() {
  if (!ExtractDatabases()) return false;
  return CompareDatabases();
}

// ---------------------------------------------------------------------------------------------
// Pairing and marking

void TVarnel::LinkReferences(TCustomObjs& A, TCustomObjs& B) {
  LinkLists(A, B, ++PairRounds);
}

void TVarnel::LinkRefs() {
  TCustomObjs* M = GetMObjs();
  TCustomObjs* T = GetTObjs();
  if (!M || !T) return;
  // Pairs in both directions, then forgets the counterparts this pairing did not find again.
  // The result is that of a pairing from scratch; counterparts found again are not touched.
  const std::uint64_t Round = ++PairRounds;
  LinkLists(*M, *T, Round);
  LinkLists(*T, *M, Round);
  ForgetUnpaired(*M, Round);
  ForgetUnpaired(*T, Round);

  if (M->GetDatabaseType() != dbInterBase || T->GetDatabaseType() != dbInterBase) return;
  // The server keeps the clause as it was typed; a view that differs only in the letter case of
  // WITH CHECK OPTION is the same view.
  static const std::string Clause = "WITH CHECK OPTION";
  for (int I = 0; I < M->Views.Count(); ++I) {
    TDbObj* V = M->Views.Objects(I);
    TDbObj* C = V->GetRefObj();
    if (!C || V->Extra().Body.size() < Clause.size() || C->Extra().Body.size() < Clause.size())
      continue;
    const std::string VTail = V->Extra().Body.substr(V->Extra().Body.size() - Clause.size());
    const std::string CTail = C->Extra().Body.substr(C->Extra().Body.size() - Clause.size());
    if (UpperCase(VTail) == Clause && UpperCase(CTail) == Clause && VTail != CTail)
      C->SetBody(C->Extra().Body.substr(0, C->Extra().Body.size() - Clause.size()) + VTail);
  }
}

void TVarnel::PairAndMark(TCustomObjs& M, TCustomObjs& T) {
  LinkRefs();
  EvenOutLineEnds(M);
  M.SetSourceDefinition();
  T.SetSourceDefinition();
  SetObjsCreated();
}

bool TVarnel::ReusePairing(TCustomObjs& M, TCustomObjs& T) {
  // Only the first comparison after an extraction: a comparison changes the generation state
  // the extraction's pairing put back.
  if (!std::exchange(FPairingFresh, false) || &M != FPairedM || &T != FPairedT) return false;
  auto* MO = dynamic_cast<TObjs*>(&M);
  auto* TO = dynamic_cast<TObjs*>(&T);
  if (!MO || !TO) return false;
  if (MarkAndDigest(M, true, false) != FPairedDigestM ||
      MarkAndDigest(T, false, false) != FPairedDigestT)
    return false;
  // A host may have edited a text in between; the definitions are cheap to take again.
  MO->TakeSourceDefinitions();
  TO->TakeSourceDefinitions();
  return true;
}

void TVarnel::SetObjsCreated() {
  TCustomObjs* M = GetMObjs();
  TCustomObjs* T = GetTObjs();
  if (!M || !T) return;
  // The master's marks are final once its own walk is done: the target's walk marks as created
  // only target objects and the counterparts the master's walk marked so already.
  FPairedDigestM = MarkAndDigest(*M, true, true);
  FPairedDigestT = MarkAndDigest(*T, false, true);
}

void TVarnel::AssignDiffs() {
  TCustomObjs* M = GetMObjs();
  TCustomObjs* T = GetTObjs();
  if (!M || !T) return;
  switch (DatabaseType) {
    case dbMySQL:
      for (int I = 0; I < M->Tables.Count(); ++I) {
        auto* MT = dynamic_cast<TTblData*>(M->Tables.Objects(I));
        auto* TT = MT ? dynamic_cast<TTblData*>(MT->GetRefObj()) : nullptr;
        if (!TT || (!MT->HasExtra() && !TT->HasExtra())) continue;  // no options on either
        TMySQLTableOptions& A = MT->EditExtra().MySQLOptions;
        TMySQLTableOptions& B = TT->EditExtra().MySQLOptions;
        EvenOut(A.Engine, B.Engine);
        EvenOutMySQLCharset(A, B);
        // The server shows PACK_KEYS and ROW_FORMAT only where they were given: one the master
        // does not give is none of its business, one it gives is a change.
        if (A.PackKeys.empty()) A.PackKeys = B.PackKeys;
        if (A.RowFormat.empty()) A.RowFormat = B.RowFormat;
        // A master of another dialect has its columns' sets converted later.
        if (MT->GetDatabaseType() == dbMySQL) MySQLSettleColumnCharsets(*MT, *TT);
      }
      if (M->GetDatabaseType() == dbMySQL) MySQLSpellKeyColumns(*M, false);
      MySQLSpellKeyColumns(*T, true);
      break;
    case dbOracle: {
      const TConnectionOptions& Conn = T->ConnectionOptions;
      // A connection whose database name is not its host names the schema the target lives in;
      // the master's objects are taken as living there too.
      const std::string Schema =
          Conn.GetDatabaseName() != Conn.HostName ? Conn.GetDatabaseName() : std::string();
      for (TDbObjList* L :
           {&M->Generators, &M->Tables, &M->Views, &M->Constraints, &M->Indexes, &M->Triggers}) {
        L->SetSorted(false);
        for (int I = 0; I < L->Count(); ++I) {
          TDbObj* O = L->Objects(I);
          if (!Schema.empty()) {
            O->SetSchema(Schema);
            L->PutKey(I, O->ObjKeyDef());
          }
          auto* MT = dynamic_cast<TTblData*>(O);
          auto* TT = MT ? dynamic_cast<TTblData*>(MT->GetRefObj()) : nullptr;
          if (!TT) continue;
          DropOneSided(MT->Storage, TT->Storage);
          // Two tables without storage clauses have nothing to even out.
          if (!MT->HasExtra() && !TT->HasExtra()) continue;
          MT->EditExtra().TableSpace.AssignDiffs(TT->EditExtra().TableSpace);
          DropOneSided(MT->EditExtra().TablespaceName, TT->EditExtra().TablespaceName);
        }
        L->SetSorted(true);
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace qel
