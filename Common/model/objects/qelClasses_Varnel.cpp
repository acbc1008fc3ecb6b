// The comparer base: its links to the two schema holders, their extractors and the executor,
// the master/target pairing of the two collections, and its reports.
#include "qelClasses.h"
#include "qelDialects.h"
#include "qelMsg.h"

namespace qel {

TCustomVarnel::TCustomVarnel(TComponent* AOwner) : TComponent(AOwner) {}

TCustomVarnel::~TCustomVarnel() {
  // The own executor goes while this object is still whole: when it is the assigned one too,
  // its going tells this comparer, which must not be half destroyed by then.
  SetSQLExec(nullptr);
  FOwnSQLExec.reset();
}

bool TCustomVarnel::ExtractDatabases() {
  return false;
}

bool TCustomVarnel::CompareDatabases() {
  return false;
}

bool TCustomVarnel::ExtractAndCompareDatabases() {
  return ExtractDatabases() && CompareDatabases();
}

void TCustomVarnel::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove || !AComponent) return;
  if (AComponent == FDBStructureMaster) FDBStructureMaster = nullptr;
  if (AComponent == FDBStructureTarget) FDBStructureTarget = nullptr;
  if (AComponent == FSQLExec) FSQLExec = nullptr;
  if (AComponent == FExtractorMaster) FExtractorMaster = nullptr;
  if (AComponent == FExtractorTarget) FExtractorTarget = nullptr;
}

void TCustomVarnel::SetDBSide(TCustomDBStructure*& Field, TCustomDBStructure* Structure,
                              TCompareRoleType Role) {
  if (Field && Field != Structure) {
    if (TCustomObjs* Old = Field->GetObjs()) {
      // Unpair on both sides: the other collection must not go on naming this one.
      if (Old->ObjsRef && Old->ObjsRef->ObjsRef == Old) Old->ObjsRef->ObjsRef = nullptr;
      Old->ObjsRef = nullptr;
    }
  }
  Relink(Field, Structure);
  if (Structure) {
    if (TCustomExtract* Extractor = Structure->GetExtractor()) {
      Extractor->ShowFullLog = FShowFullLog;
      DatabaseType = Extractor->DatabaseType;
    }
    if (TCustomObjs* Objs = Structure->GetObjs()) Objs->SetCompareRole(Role);
  }
  LinkDB();
}

void TCustomVarnel::SetDBMaster(TCustomDBStructure* Structure) {
  SetDBSide(FDBStructureMaster, Structure, crMasterRole);
}

void TCustomVarnel::SetDBTarget(TCustomDBStructure* Structure) {
  SetDBSide(FDBStructureTarget, Structure, crTargetRole);
}

void TCustomVarnel::SetExtractorMaster(TCustomExtract* Value) {
  Relink(FExtractorMaster, Value);
}

void TCustomVarnel::SetExtractorTarget(TCustomExtract* Value) {
  Relink(FExtractorTarget, Value);
}

void TCustomVarnel::SetShowFullLog(bool Value) {
  FShowFullLog = Value;
  for (TCustomDBStructure* Holder : {FDBStructureMaster, FDBStructureTarget})
    if (Holder && Holder->GetExtractor()) Holder->GetExtractor()->ShowFullLog = Value;
}

std::string TCustomVarnel::QuoteIdent(const std::string& Name) const {
  return Quote_Ident(Name, DatabaseType, FIBServerOptions.SQLServerVersion,
                     static_cast<std::int8_t>(FIBServerOptions.GetSQLDialect()));
}

TCustomObjs* TCustomVarnel::GetMObjs() const {
  return FDBStructureMaster ? FDBStructureMaster->GetObjs() : nullptr;
}

TCustomObjs* TCustomVarnel::GetTObjs() const {
  return FDBStructureTarget ? FDBStructureTarget->GetObjs() : nullptr;
}

void TCustomVarnel::LinkDB() {
  TCustomObjs* Master = GetMObjs();
  TCustomObjs* Target = GetTObjs();
  if (!Master || !Target) return;
  Master->SetCompareRole(crMasterRole);
  Target->SetCompareRole(crTargetRole);
  Master->ObjsRef = Target;
  Target->ObjsRef = Master;
}

void TCustomVarnel::DoProgressUpdate(int Value, int MaxValue) {
  if (OnProgressUpdate) OnProgressUpdate(this, Value, MaxValue);
}

void TCustomVarnel::DoLogNextLine(const std::string& LogText) {
  if (OnLogNextLine) OnLogNextLine(this, LogText);
}

void TCustomVarnel::DoErrorMessage(const std::string& ErrText) {
  if (OnErrorMessage)
    OnErrorMessage(this, ErrText);
  else
    ShowMessage(ErrText);
}

TCustomSQLExec* TCustomVarnel::GetSQLExec() const {
  return FSQLExec ? FSQLExec : FOwnSQLExec.get();
}

void TCustomVarnel::SetSQLExec(TCustomSQLExec* Exec) {
  if (FSQLExec == Exec) return;
  TCustomSQLExec* Former = FSQLExec;
  Relink(FSQLExec, Exec);
  // The own executor, handed back by the host and now replaced, has no use left.
  if (FOwnSQLExec && FOwnSQLExec.get() == Former) FOwnSQLExec.reset();
}

void TCustomVarnel::SetOwnSQLExec(std::unique_ptr<TCustomSQLExec> Exec) {
  if (FOwnSQLExec && FSQLExec == FOwnSQLExec.get())
    Relink(FSQLExec, static_cast<TCustomSQLExec*>(nullptr));
  FOwnSQLExec = std::move(Exec);
}

}  // namespace qel
