// The comparer's second half: the update script. The header of the target's dialect, then the
// passes of every object kind in one fixed order; the order is what makes the script run: what
// an object needs is created before it, and what needs an object is dropped or emptied first.
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Text.h"
#include "qelCompObj.h"
#include "qelCompObj_Header.h"
#include "qelComp_Ctr.h"
#include "qelComp_Def.h"
#include "qelComp_Dmn.h"
#include "qelComp_Exc.h"
#include "qelComp_Fnc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Pkg.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Rul.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelVarnel.h"

namespace qel {

namespace {

TCustomObjs& MasterOf(TVarnel& V) {
  return *V.GetMObjs();
}
TCustomObjs& TargetOf(TVarnel& V) {
  return *V.GetTObjs();
}
TCustomSQLExec& ExecOf(TVarnel& V) {
  return *V.GetSQLExec();
}

/// A pass of the (master, target, executor, kinds) form.
template <void (*Fn)(TCustomObjs&, TCustomObjs&, TCustomSQLExec&, const TCmpObjSetType&)>
void ListsPass(TVarnel& V) {
  Fn(MasterOf(V), TargetOf(V), ExecOf(V), V.CompareObjects);
}

/// A pass that works on the two schemas and the executor.
template <void (*Fn)(TCustomObjs&, TCustomObjs&, TCustomSQLExec&)>
void SchemaPass(TVarnel& V) {
  Fn(MasterOf(V), TargetOf(V), ExecOf(V));
}

void CtrCreateNoDefaults(TVarnel& V) {
  GenScriptCtrCreate(MasterOf(V), TargetOf(V), ExecOf(V),
                     {ctPKey, ctUnique, ctFKey, ctCheck, ctKey, ctNotNull, ctReferences});
}

void CtrCreateDefaults(TVarnel& V) {
  GenScriptCtrCreate(MasterOf(V), TargetOf(V), ExecOf(V), {ctDefault});
}

/// One row of the generation table: a pass in a form the compiler can check.
struct TPassRow {
  TGenStep Step;
  const char* Name;
  /// Bit mask of the kinds of which some must be compared (bit i = ordinal i); 0: always.
  std::uint64_t AnyOf;
  /// The only dialect the pass runs for; dbAbstract: every dialect.
  TDatabaseType Dialect;
  bool Guarded;
  void (*Run)(TVarnel&);
};

static_assert(CmpObjTypeCount <= 64, "the kinds of a pass no longer fit a 64-bit mask");

constexpr std::uint64_t KindMask(std::initializer_list<TCmpObjType> Kinds) {
  std::uint64_t M = 0;
  for (TCmpObjType K : Kinds) M |= std::uint64_t{1} << K;
  return M;
}

constexpr std::uint64_t Constraints = KindMask({coPrimaryKey, coForeignKey, coUnique, coCheck});
constexpr std::uint64_t Grants = KindMask({coGrant, coRoleGrant, coUserGrant});

/// Runs whatever is compared, in every dialect.
constexpr TPassRow Always(TGenStep Step, const char* Name, void (*Run)(TVarnel&)) {
  return {Step, Name, 0, dbAbstract, false, Run};
}
/// Runs when some of the kinds of Mask are compared.
constexpr TPassRow Kinds(TGenStep Step, const char* Name, std::uint64_t Mask,
                         void (*Run)(TVarnel&)) {
  return {Step, Name, Mask, dbAbstract, false, Run};
}
/// Runs when K is compared.
constexpr TPassRow Kind(TGenStep Step, const char* Name, TCmpObjType K, void (*Run)(TVarnel&)) {
  return Kinds(Step, Name, KindMask({K}), Run);
}
/// Runs for dialect D only, whatever is compared.
constexpr TPassRow Dialect(TGenStep Step, const char* Name, TDatabaseType D,
                           void (*Run)(TVarnel&)) {
  return {Step, Name, 0, D, false, Run};
}

/// The generation order.
constexpr TPassRow PassTable[] = {
    Always(gsSchCreate, "GenScriptSchCreate", SchemaPass<GenScriptSchCreate>),
    Always(gsSchAlter, "GenScriptSchAlter", SchemaPass<GenScriptSchAlter>),
    Dialect(gsPGObjectsCreate, "GenScriptCnvCreate", dbPostgreSQL, SchemaPass<GenScriptCnvCreate>),
    Dialect(gsPGObjectsCreate, "GenScriptCnvAlter", dbPostgreSQL, SchemaPass<GenScriptCnvAlter>),
    Dialect(gsPGObjectsCreate, "GenScriptOprCreate", dbPostgreSQL, SchemaPass<GenScriptOprCreate>),
    Dialect(gsPGObjectsCreate, "GenScriptOprAlter", dbPostgreSQL, SchemaPass<GenScriptOprAlter>),
    Dialect(gsPGObjectsCreate, "GenScriptOpcCreate", dbPostgreSQL, SchemaPass<GenScriptOpcCreate>),
    Dialect(gsPGObjectsCreate, "GenScriptOpcAlter", dbPostgreSQL, SchemaPass<GenScriptOpcAlter>),
    Dialect(gsMSRulesDefaultsCreate, "GenScriptRulCreate", dbMSSQL, SchemaPass<GenScriptRulCreate>),
    Dialect(gsMSRulesDefaultsCreate, "GenScriptDefCreate", dbMSSQL, SchemaPass<GenScriptDefCreate>),
    Dialect(gsMSRulesDefaultsCreate, "GenScriptRulAlter", dbMSSQL, SchemaPass<GenScriptRulAlter>),
    Dialect(gsMSRulesDefaultsCreate, "GenScriptDefAlter", dbMSSQL, SchemaPass<GenScriptDefAlter>),
    Kinds(gsCtrDrop, "GenScriptCtrDrop", Constraints, SchemaPass<GenScriptCtrDrop>),
    Kind(gsDmnCreate, "GenScriptDmnCreate", coDomain, SchemaPass<GenScriptDmnCreate>),
    Kind(gsUdfCreate, "GenScriptUdfCreate", coFunction, ListsPass<GenScriptUdfCreate>),
    Kind(gsTrigEmpty, "GenScriptDropTrgEmpty", coTrigger, ListsPass<GenScriptDropTrgEmpty>),
    Kind(gsProcDrop, "GenScriptProcDrop", coProcedure, SchemaPass<GenScriptProcDrop>),
    Kind(gsTrigDrop, "GenScriptTrigDrop", coTrigger, ListsPass<GenScriptTrigDrop>),
    Kind(gsIdxDrop, "GenScriptIdxDrop", coIndex, SchemaPass<GenScriptIdxDrop>),
    Kind(gsViewDrop, "GenScriptViewDrop", coView, ListsPass<GenScriptViewDrop>),
    Kind(gsUdfAlter, "GenScriptUdfAlter", coFunction, SchemaPass<GenScriptUdfAlter>),
    Kind(gsExptDrop, "GenScriptExptDrop", coException, ListsPass<GenScriptExptDrop>),
    Kind(gsUdfDrop, "GenScriptUdfDrop", coFunction, ListsPass<GenScriptUdfDrop>),
    Kind(gsDmnAlter, "GenScriptDmnAlter", coDomain, SchemaPass<GenScriptDmnAlter>),
    Kind(gsTablCreate, "GenScriptTablCreate", coTable, SchemaPass<GenScriptTablCreate>),
    Kind(gsTablAlter, "GenScriptTblFldCreate", coTable, SchemaPass<GenScriptTblFldCreate>),
    Kind(gsTablAlter, "GenScriptTablAlter", coTable, SchemaPass<GenScriptTablAlter>),
    Kind(gsTablDrop, "GenScriptTablDrop", coTable, SchemaPass<GenScriptTablDrop>),
    Kind(gsProcCreate, "GenScriptProcCreate", coProcedure, SchemaPass<GenScriptProcCreate>),
    Kind(gsDmnDrop, "GenScriptDmnDrop", coDomain, SchemaPass<GenScriptDmnDrop>),
    // A view that cannot be created yet is reported and created by the second run below.
    {gsViewCreateFirst, "GenScriptViewCreate", KindMask({coView}), dbAbstract, true,
     SchemaPass<GenScriptViewCreate>},
    Kind(gsViewAlter, "GenScriptViewAlter", coView, ListsPass<GenScriptViewAlter>),
    Kind(gsIdxCreate, "GenScriptIdxCreate", coIndex, SchemaPass<GenScriptIdxCreate>),
    Kind(gsIdxAlter, "GenScriptIdxAlter", coIndex, SchemaPass<GenScriptIdxAlter>),
    Kind(gsGenrCreate, "GenScriptGenrCreate", coGenerator, SchemaPass<GenScriptGenrCreate>),
    Kind(gsExptCreate, "GenScriptExptCreate", coException, ListsPass<GenScriptExptCreate>),
    Kind(gsExptAlter, "GenScriptExptAlter", coException, ListsPass<GenScriptExptAlter>),
    Kinds(gsCtrCreate, "GenScriptCtrCreate", Constraints, CtrCreateNoDefaults),
    Kind(gsProcAlterFirst, "GenScriptProcAlter", coProcedure, SchemaPass<GenScriptProcAlter>),
    // Default constraints come after the procedures, since a default may call one; they are
    // written whenever constraints are compared, procedures or not.
    Kinds(gsCtrDefaultsCreate, "GenScriptCtrCreate", Constraints, CtrCreateDefaults),
    Kind(gsTrigCreate, "GenScriptTrigCreate", coTrigger, ListsPass<GenScriptTrigCreate>),
    Kind(gsViewCreateSecond, "GenScriptViewCreate", coView, SchemaPass<GenScriptViewCreate>),
    Kind(gsTrigAlter, "GenScriptTrigAlter", coTrigger, SchemaPass<GenScriptTrigAlter>),
    Kind(gsGenrAlterDrop, "GenScriptGenrAlter", coGenerator, SchemaPass<GenScriptGenrAlter>),
    Kind(gsGenrAlterDrop, "GenScriptGenrDrop", coGenerator, SchemaPass<GenScriptGenrDrop>),
    Kind(gsProcAlterSecond, "GenScriptProcAlter", coProcedure, SchemaPass<GenScriptProcAlter>),
    Dialect(gsMSRulesDefaultsDrop, "GenScriptDefDrop", dbMSSQL, SchemaPass<GenScriptDefDrop>),
    Dialect(gsMSRulesDefaultsDrop, "GenScriptRulDrop", dbMSSQL, SchemaPass<GenScriptRulDrop>),
    Dialect(gsOraPackages, "GenScriptPkgDrop", dbOracle, SchemaPass<GenScriptPkgDrop>),
    Dialect(gsOraPackages, "GenScriptPkgAlter", dbOracle, SchemaPass<GenScriptPkgAlter>),
    Dialect(gsOraPackages, "GenScriptPkgCreate", dbOracle, SchemaPass<GenScriptPkgCreate>),
    Kind(gsTblFldPosition, "GenScriptTblFldPosition", coTable, SchemaPass<GenScriptTblFldPosition>),
    Kind(gsPublications, "GenScriptPblDrop", coTable, SchemaPass<GenScriptPblDrop>),
    Kind(gsPublications, "GenScriptPblAlter", coTable, SchemaPass<GenScriptPblAlter>),
    Kind(gsPublications, "GenScriptPblCreate", coTable, SchemaPass<GenScriptPblCreate>),
    Kind(gsRoleCreateAlter, "GenScriptRoleCreate", coRole, SchemaPass<GenScriptRoleCreate>),
    Kind(gsRoleCreateAlter, "GenScriptRoleAlter", coRole, SchemaPass<GenScriptRoleAlter>),
    Dialect(gsPGObjectsDrop, "GenScriptOpcDrop", dbPostgreSQL, SchemaPass<GenScriptOpcDrop>),
    Dialect(gsPGObjectsDrop, "GenScriptOprDrop", dbPostgreSQL, SchemaPass<GenScriptOprDrop>),
    Dialect(gsPGObjectsDrop, "GenScriptCnvDrop", dbPostgreSQL, SchemaPass<GenScriptCnvDrop>),
    Always(gsEvents, "GenScriptEvtCreate", SchemaPass<GenScriptEvtCreate>),
    Always(gsEvents, "GenScriptEvtAlter", SchemaPass<GenScriptEvtAlter>),
    Always(gsEvents, "GenScriptEvtDrop", SchemaPass<GenScriptEvtDrop>),
    Always(gsSchDrop, "GenScriptSchDrop", SchemaPass<GenScriptSchDrop>),
    Kinds(gsGrants, "GenScriptGntDrop", Grants, SchemaPass<GenScriptGntDrop>),
    Kinds(gsGrants, "GenScriptGntCreate", Grants, SchemaPass<GenScriptGntCreate>),
    Kind(gsRoleDrop, "GenScriptRoleDrop", coRole, SchemaPass<GenScriptRoleDrop>),
};

/// The table starts with the first step, ends with the last, and every row keeps its
/// predecessor's step or takes the next one: no step is missing, repeated apart or out of order.
constexpr bool StepsInOrder() {
  if (PassTable[0].Step != gsSchCreate) return false;
  for (std::size_t I = 1; I < std::size(PassTable); ++I) {
    const int Prev = PassTable[I - 1].Step;
    const int Step = PassTable[I].Step;
    if (Step != Prev && Step != Prev + 1) return false;
  }
  return PassTable[std::size(PassTable) - 1].Step == gsRoleDrop;
}

/// The number of distinct steps the table runs through.
constexpr int StepsUsed() {
  int N = 1;
  for (std::size_t I = 1; I < std::size(PassTable); ++I)
    if (PassTable[I].Step != PassTable[I - 1].Step) ++N;
  return N;
}

static_assert(std::size(PassTable) == 67, "a pass was added to or removed from the table");
static_assert(StepsUsed() == GenStepCount, "every step of the update script has its passes");
static_assert(StepsInOrder(), "the passes are not in the order of their steps");

/// The columns of the master's tables, the parameters of its routines (as OWNER.NAME) and its
/// domains whose type no writer can spell; objects the script leaves out are passed by.
std::vector<std::string> UnwritableTypes(const TCustomObjs& M) {
  std::vector<std::string> R;
  const auto Check = [&R](const TDbObj& Owner, const TFldData& F) {
    if (!F.SkipDef && TypeUnwritable(F)) R.push_back(Owner.GetObjName() + "." + F.GetObjName());
  };
  for (int I = 0; I < M.Tables.Count(); ++I)
    if (const auto* Tbl = dynamic_cast<const TTblData*>(M.Tables.Objects(I)); Tbl && !Tbl->SkipDef)
      for (const auto& F : Tbl->Fields) Check(*Tbl, *F);
  for (int I = 0; I < M.Procedures.Count(); ++I)
    if (const auto* Prc = dynamic_cast<const TPrcData*>(M.Procedures.Objects(I));
        Prc && !Prc->SkipDef)
      for (const auto& F : Prc->Params) Check(*Prc, *F);
  for (int I = 0; I < M.Domains.Count(); ++I)
    if (const TDbObj* D = M.Domains.Objects(I); D && !D->SkipDef && HoldsUnwritableType(D->Def()))
      R.push_back(D->GetObjName());
  return R;
}

/// The table a name unique per table belongs to; empty for other objects.
std::string TableOfPart(const TDbObj& O) {
  if (const auto* Trg = dynamic_cast<const TTrgData*>(&O)) return Trg->OwnName;
  if (const auto* Ctr = dynamic_cast<const TCtrData*>(&O)) return Ctr->GetTblName();
  return std::string();
}

/// What a message calls an object of the lists the guard below looks at.
const char* KindWord(const TDbObj& O) {
  switch (O.Kind) {
    case kindTable:
      return "Table";
    case kindView:
      return "View";
    case kindIndex:
      return "Index";
    case kindTrigger:
      return "Trigger";
    case kindGenerator:
      return "Sequence";
    default:
      return "Constraint";
  }
}

/// The objects the update leaves alone because the other side holds an object of the same name
/// in a kind its reader does not read (TCustomObjs::NotRead): a target object is not dropped
/// for a master object the comparison cannot see, and a master object is not created over a
/// target object that holds its name (the server would refuse it). Each is named in a warning;
/// their SkipDef is put back when the generation ends.
class TUnreadNamesakes {
 public:
  TUnreadNamesakes(TCustomObjs& M, TCustomObjs& T, TMsgManager& Messages) {
    if (M.NotRead.empty() && T.NotRead.empty()) return;
    Leave(M, T, Messages, false);
    Leave(T, M, Messages, true);
  }
  ~TUnreadNamesakes() {
    for (TDbObj* O : FLeft) O->SkipDef = false;
  }
  TUnreadNamesakes(const TUnreadNamesakes&) = delete;
  TUnreadNamesakes& operator=(const TUnreadNamesakes&) = delete;

 private:
  std::vector<TDbObj*> FLeft;

  /// The objects of Side without a counterpart whose name an unread object of Other holds.
  void Leave(TCustomObjs& Side, const TCustomObjs& Other, TMsgManager& Messages, bool IsTarget) {
    if (Other.NotRead.empty()) return;
    std::unordered_multimap<std::string, const TCustomObjs::TNotRead*> ByName;
    for (const TCustomObjs::TNotRead& N : Other.NotRead) ByName.emplace(N.Name, &N);
    for (TDbObjList* L : {&Side.Tables, &Side.Views, &Side.Indexes, &Side.Generators,
                          &Side.Triggers, &Side.Constraints}) {
      const bool PerTable = L == &Side.Triggers || L == &Side.Constraints;
      for (int I = 0; I < L->Count(); ++I) {
        TDbObj* O = L->Objects(I);
        if (!O || O->SkipDef || O->GetRefObj()) continue;
        const auto [From, To] = ByName.equal_range(O->GetObjName());
        for (auto It = From; It != To; ++It) {
          const TCustomObjs::TNotRead& N = *It->second;
          if (N.Table.empty() == PerTable) continue;
          if (!N.Schema.empty() && !O->GetSchema().empty() && N.Schema != O->GetSchema()) continue;
          if (PerTable && N.Table != TableOfPart(*O)) continue;
          const std::string Of = PerTable ? " of table " + N.Table : std::string();
          const std::string Name =
              (O->GetSchema().empty() ? "" : O->GetSchema() + ".") + O->GetObjName();
          Messages.AddMsg(
              std::string(KindWord(*O)) + " " + Name + Of +
                  (IsTarget ? " is not dropped: the master's " : " is not created: the target's ") +
                  N.Kind + " " + O->GetObjName() + " is not read.",
              mt_Wrn, nullptr);
          O->SkipDef = true;
          FLeft.push_back(O);
          break;
        }
      }
    }
  }
};

/// The columns of the target that tables inherit (PostgreSQL) whose type the update changes
/// while a table inheriting it keeps its own as it is in the master: the server changes the
/// children's with the parent's, so the update cannot be written. One text per such column.
std::vector<std::string> InheritedTypeChanges(const TCustomObjs& M, const TCustomObjs& T) {
  std::vector<std::string> R;
  const auto* MO = dynamic_cast<const TObjs*>(&M);
  const auto* TO = dynamic_cast<const TObjs*>(&T);
  if (!MO || !TO) return R;
  const auto Column = [](const TObjs& O, const std::string& Schema, const std::string& Table,
                         const std::string& Name) -> const TFldData* {
    const TTblData* Tbl = O.GetTable(Table);
    return Tbl && Tbl->GetSchema() == Schema ? Tbl->Fields.Find(Name) : nullptr;
  };
  const auto Type = [](const TFldData& F) { return F.FieldTypeDef() + " " + F.Extra().Collation; };
  for (const TCustomObjs::TInheritedColumn& C : T.InheritedColumns) {
    const TFldData* TP = Column(*TO, C.ParentSchema, C.Parent, C.Column);
    const TFldData* MP = Column(*MO, C.ParentSchema, C.Parent, C.Column);
    const TFldData* TC = Column(*TO, C.Schema, C.Table, C.Column);
    const TFldData* MC = Column(*MO, C.Schema, C.Table, C.Column);
    if (TP && MP && TC && MC && Type(*MP) != Type(*TP) && Type(*MC) == Type(*TC))
      R.push_back("column " + C.Column + " of table " + C.ParentSchema + "." + C.Parent +
                  " changes its type, and table " + C.Schema + "." + C.Table +
                  ", which inherits it, keeps it as it is: the server would change both");
  }
  return R;
}

/// Why no update script can be written, one text each: a type of a master converted from
/// another dialect that the target's writer cannot spell (the readers refuse such types in
/// their own dialect: its placeholder would reach the script, which no server reads), a
/// column inherited by tables whose type change the server would carry to them.
std::vector<std::string> Refusals(const TCustomObjs& M, const TCustomObjs& T, bool Converted) {
  std::vector<std::string> R = InheritedTypeChanges(M, T);
  if (Converted)
    for (const std::string& Name : UnwritableTypes(M))
      R.push_back("the data type of " + Name + " cannot be written in " +
                  TVarnel::DialectName(T.GetDatabaseType()));
  return R;
}

std::vector<TVarnelPass> MakePasses() {
  std::vector<TVarnelPass> P;
  P.reserve(std::size(PassTable));
  for (const TPassRow& R : PassTable)
    P.push_back({R.Step, R.Name, TCmpObjSetType::FromMask(R.AnyOf), TCmpObjSetType(),
                 R.Dialect != dbAbstract, R.Dialect, R.Guarded, R.Run});
  return P;
}

}  // namespace

const std::vector<TVarnelPass>& TVarnel::GenerationPasses() {
  static const std::vector<TVarnelPass> Passes = MakePasses();
  return Passes;
}

bool TVarnel::PassEnabled(const TVarnelPass& Pass) const {
  if (!Pass.AnyOf.Empty() && (CompareObjects * Pass.AnyOf).Empty()) return false;
  if (!Pass.AllOf.SubsetOf(CompareObjects)) return false;
  return !Pass.DialectGated || DatabaseType == Pass.Dialect;
}

void TVarnel::RunPass(const TVarnelPass& Pass) {
  Pass.Run(*this);
}

// ---------------------------------------------------------------------------------------------

bool TVarnel::CanCompare() {
  if (!CompareEnabled) {
    ReportError(Who() + ": the schemas were not read without error; no update script is written.");
    return false;
  }
  TCustomDBStructure* TH = GetDBStructureTarget();
  TCustomDBStructure* MH = GetDBStructureMaster();
  if (!TH) {
    ReportError(Who() + ": property DBStructureTarget not assigned.");
    return false;
  }
  if (!MH) {
    ReportError(Who() + ": property DBStructureMaster not assigned.");
    return false;
  }
  TCustomObjs* T = TH->GetObjs();
  TCustomObjs* M = MH->GetObjs();
  if (!T || !M) {
    ReportError(Who() + ": a schema holder has no collection; no update script is written.");
    return false;
  }
  // Holders filled by their extractors outside ExtractDatabases: an extraction that reported
  // an error left a part of its schema.
  for (TCustomDBStructure* H : {TH, MH})
    if (TCustomExtract* X = H->GetExtractor())
      if (TMsgManager* Msgs = X->GetMsgManager(); Msgs && Msgs->GetIsErr()) {
        ReportError(Who() + ": the extraction of the " + (H == TH ? "target" : "master") +
                    " schema reported errors; no update script is written.");
        return false;
      }
  if (M->GetDatabaseType() != T->GetDatabaseType() && !HasConversionTo(T->GetDatabaseType())) {
    ReportError(Who() + ": the master schema (" + DialectName(M->GetDatabaseType()) +
                ") is not in the dialect of the target schema (" +
                DialectName(T->GetDatabaseType()) + "); no update script is written.");
    return false;
  }
  return true;
}

void TVarnel::DiscardScript() {
  if (TCustomSQLExec* Exec = GetSQLExec()) Exec->Clear();
}

bool TVarnel::CompareDatabases() {
  if (!CanCompare()) {
    DiscardScript();
    return false;
  }
  // A master of another dialect is converted for this comparison only: the master, and the
  // kinds compared, are put back on every way out.
  struct TRestore {
    TVarnel& V;
    ~TRestore() { V.RestoreMaster(); }
  } Restore{*this};
  if (!ConvertDatabases()) {
    DiscardScript();
    return false;
  }
  DoBeforeCompare();
  // The OnBeforeCompare handler is host code and may have unlinked a holder.
  if (!GetMObjs() || !GetTObjs()) {
    ReportError(Who() + ": a schema holder was unlinked; no update script is written.");
    DiscardScript();
    return false;
  }
  TCustomObjs& M = *GetMObjs();
  TCustomObjs& T = *GetTObjs();
  // Schemas built by the host carry their dialect; the comparer writes in the target's.
  if (DatabaseType == dbAbstract) DatabaseType = T.GetDatabaseType();
  // What the target's server could not take as asked (Refusals).
  if (const std::vector<std::string> Refused = Refusals(M, T, MasterConverted());
      !Refused.empty()) {
    for (const std::string& Text : Refused)
      ReportError(Who() + ": " + Text + "; no update script is written.");
    DiscardScript();
    return false;
  }
  // An empty master is most often a wrong or empty file; the script is what was asked for, but
  // it would leave the target empty.
  if (M.NoObjects() && !T.NoObjects())
    MsgManager.AddMsg(
        "The master schema holds no object: the update script drops everything in the target.",
        mt_Wrn, nullptr);

  if (!GetSQLExec()) {
    auto Own = std::make_unique<TSQLExec>(nullptr);
    Own->OnLogNextLine = OnLogNextLine;
    Own->OnProgressUpdate = OnProgressUpdate;
    Own->OnErrorMessage = OnErrorMessage;
    SetOwnSQLExec(std::move(Own));
  }
  TCustomSQLExec& Exec = *GetSQLExec();
  // Our own executor writes and runs the script as the target's server reads it: its
  // terminators, SET TERM blocks, GO and "/" lines.
  if (&Exec == GetOwnSQLExec()) Exec.DatabaseType = T.GetDatabaseType();
  Exec.Clear();
  if (auto* SQLExec = dynamic_cast<TSQLExec*>(&Exec)) {
    SQLExec->SetIBServerOptions(T.IBServerOptions);
    SQLExec->SetMSSQLServerOptions(T.MSSQLServerOptions);
    SQLExec->SetMySQLServerOptions(T.MySQLServerOptions);
    SQLExec->SetConnectionOptions(T.ConnectionOptions);
  }
  M.IBServerOptions.SetIBCompareOptions(GetIBServerOptions().GetIBCompareOptions());
  T.IBServerOptions.SetIBCompareOptions(GetIBServerOptions().GetIBCompareOptions());
  M.SetSQLExec(&Exec);
  T.SetSQLExec(&Exec);
  // The passes reach the work list through the collections for the time of this generation.
  struct TWorkListLink {
    TCustomObjs &M, &T;
    ~TWorkListLink() {
      M.WorkList = T.WorkList = nullptr;
      M.CompareMessages = T.CompareMessages = nullptr;
    }
  } WorkListLink{M, T};
  M.WorkList = T.WorkList = &WorkList;
  M.CompareMessages = T.CompareMessages = &MsgManager;
  M.CascadeTooDeep.clear();
  T.CascadeTooDeep.clear();
  FConnectionOptions.Assign(T.ConnectionOptions);
  DoLogNextLine("Comparing databases...");

  const TUnreadNamesakes Unread(M, T, MsgManager);
  try {
    CompareTables(M, T);
    MakeScriptHeader();
    GenScriptDBCharSet();
    for (const TVarnelPass& Pass : GenerationPasses()) {
      if (!PassEnabled(Pass)) continue;
      if (!Pass.Guarded) {
        RunPass(Pass);
        continue;
      }
      try {
        RunPass(Pass);
      } catch (const std::exception& E) {
        MsgManager.AddMsg(E.what(), mt_Err, nullptr);
        DoErrorMessage(E.what());
      }
    }
  } catch (const std::exception& E) {
    // A pass that gave up leaves a script that stops half way; nobody must run it.
    ReportError(Who() + ": " + E.what());
    Exec.Clear();
    return false;
  }
  // A cascade that stopped at its depth bound left objects out of the script.
  for (const TCustomObjs* Side : {&M, &T})
    if (!Side->CascadeTooDeep.empty()) {
      ReportError(Who() + ": the chain of objects that each need the next, through " +
                  Side->CascadeTooDeep + ", is longer than " +
                  IntToStr(TCustomObjs::MaxCascadeDepth) + "; no update script is written.");
      Exec.Clear();
      return false;
    }
  DoAfterCompare();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Header

void TVarnel::MakeScriptHeader() {
  TCustomSQLExec& Exec = *GetSQLExec();
  TCustomObjs& T = *GetTObjs();
  const std::string& DbName = FConnectionOptions.GetDatabaseName();
  switch (DatabaseType) {
    case dbInterBase: {
      const TIBServerOptions& O = T.IBServerOptions;
      if (const std::string Info = O.DBInfoDef(); !Info.empty()) Exec.AddComment(Info + "\r\n");
      if (const std::string Names = O.DBCharSetDef(); !Names.empty())
        Exec.Add(Names, stSetNames, O.GetDBCharSet());
      if (O.GetSQLDialect() == 2 || O.GetSQLDialect() == 3)
        Exec.Add(O.SQLDialectDef(), stSqlDialect, IntToStr(O.GetSQLDialect()));
      if (const std::string Conn = GetIBServerOptions().ConnectDatabaseDef(T.ConnectionOptions);
          !Conn.empty())
        Exec.Add(Conn, stConnect);
      if (!GetIBServerOptions().GetIBCompareOptions().GenerateCOMMIT)
        Exec.Add("SET AUTODDL ON", stSet);
      break;
    }
    case dbMySQL: {
      const TMySQLServerOptions& O = GetMySQLServerOptions();
      if (!O.CharSet.empty()) Exec.Add("SET CHARACTER SET " + O.CharSet, stCharSet);
      if (!O.Names.empty()) Exec.Add("SET NAMES " + O.Names, stSetNames);
      if (!DbName.empty()) Exec.Add("USE " + DbName, stConnect);
      break;
    }
    case dbMSSQL: {
      const TMSSQLServerOptions& O = T.MSSQLServerOptions;
      if (!O.DBCharSet.empty())
        Exec.Add("-- Default character set: " + SafeLineComment(O.DBCharSet) + "\r\n", stComment);
      if (!O.Collation.empty())
        Exec.Add("-- Default collation: " + SafeLineComment(O.Collation) + "\r\n", stComment);
      if (!DbName.empty()) Exec.Add("USE " + DbName, stConnect);
      // Only switched on: a master without recursive triggers leaves the target's setting.
      // The statement names the database; without a name there is nothing it could run on.
      if (GetMObjs()->MSSQLServerOptions.GetMSSQLDatabaseOptions().RecursiveTriggers &&
          !O.GetMSSQLDatabaseOptions().RecursiveTriggers && !DbName.empty())
        Exec.Add("ALTER DATABASE " + QuoteIdent(DbName) + " SET RECURSIVE_TRIGGERS ON", stStatement,
                 DbName, dboDatabase, odbAlter);
      break;
    }
    case dbSybaseASE: {
      const TASEDatabaseOptions& D = T.ASEServerOptions.GetASEDatabaseOptions();
      for (const std::string& Line : ASEDatabaseInfoLines(D, DbName)) Exec.AddComment(Line);
      if (!D.Description.empty()) Exec.AddComment("\r\n");
      if (!DbName.empty()) Exec.Add("use " + DbName, stConnect);
      const TASEDBOptions& Want = GetMObjs()->ASEServerOptions.GetASEDatabaseOptions().DBOptions;
      if (GetASEServerOptions().GetASECompareOptions().CompareDBOptions && D.DBOptions != Want &&
          !DbName.empty()) {
        for (std::size_t I = 0; I < ASEDBOptionCount; ++I) {
          const auto Option = static_cast<TASEDBOption>(I);
          if (D.DBOptions.Contains(Option) == Want.Contains(Option)) continue;
          Exec.Add(ASEDBOptionDef(DbName, Option, Want.Contains(Option)), stStatement, DbName,
                   dboDatabase, odbAlter);
        }
        Exec.Add("checkpoint", stStatement, DbName, dboDatabase);
      }
      break;
    }
    case dbOracle:
      // The password is never written into a script.
      if (!FConnectionOptions.UserName.empty())
        Exec.AddComment("-- CONNECT " + SafeLineComment(FConnectionOptions.UserName) + "/*****" +
                        "@" + SafeLineComment(DbName) + ";");
      if (!DbName.empty() && DbName != FConnectionOptions.HostName)
        Exec.Add("ALTER SESSION SET CURRENT_SCHEMA = " + DbName, stSet);
      break;
    default:
      break;
  }
}

void TVarnel::GenScriptDBCharSet() {
  if (DatabaseType != dbInterBase || !GetIBServerOptions().GetIBCompareOptions().DbCharsetCompare)
    return;
  const std::string& Want = GetMObjs()->IBServerOptions.GetDBCharSet();
  if (Want == GetTObjs()->IBServerOptions.GetDBCharSet()) return;
  TCustomSQLExec& Exec = *GetSQLExec();
  std::string CharSet;
  if (!Want.empty()) {
    Exec.Add("UPDATE RDB$DATABASE SET RDB$CHARACTER_SET_NAME = " + QuotedStr(Want), stStatement);
    CharSet = Want;
  } else {
    Exec.Add("UPDATE RDB$DATABASE SET RDB$CHARACTER_SET_NAME = Null", stStatement);
    CharSet = "NONE";
  }
  Exec.Add("SET NAMES " + CharSet, stCharSet);
  Exec.AddReConnect();
}

}  // namespace qel
