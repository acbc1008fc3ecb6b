// The extractor base and the schema holder base: the two-way link between them, the filter an
// extractor puts on the collection it fills, and the extractor's reports.
#include "Text.h"
#include "qelClasses.h"
#include "qelMsg.h"

namespace qel {

namespace {

/// The statement kind under which the name filters see Obj; dboUnknown for the objects they do
/// not judge (columns, constraints, grants, users and the like).
TDbObject FilteredKindOf(const TDbObj* Obj) {
  if (!Obj || SchemaKindOf(Obj) == kindDepend) return dboUnknown;
  switch (const TDbObject K = DbObjectOf(Obj, false)) {
    // Columns, constraints and grants go with the object they belong to.
    case dboField:
    case dboGrant:
    case dboPKey:
    case dboFKey:
    case dboUnique:
    case dboCheck:
      return dboUnknown;
    default:
      return K;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TCustomDBStructure

void TCustomDBStructure::SetExtractor(TCustomExtract* Value) {
  if (FExtractor == Value) return;
  if (FExtractor) RemoveFreeNotification(FExtractor);
  FExtractor = Value;
  if (FExtractor) FreeNotification(FExtractor);
}

void TCustomDBStructure::Clear() {
  if (FObjs) FObjs->Clear();
}

void TCustomDBStructure::SetDatabaseType(TDatabaseType Value) {
  if (FObjs) FObjs->SetDatabaseType(Value);
}

TDatabaseType TCustomDBStructure::GetDatabaseType() const {
  return FObjs ? FObjs->GetDatabaseType() : dbAbstract;
}

void TCustomDBStructure::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent && AComponent == FExtractor) FExtractor = nullptr;
}

// ---------------------------------------------------------------------------------------------
// TCustomExtract

TCustomExtract::TCustomExtract(TComponent* AOwner) : TComponent(AOwner) {}

TCustomExtract::~TCustomExtract() {
  LeaveDBStructure();
}

void TCustomExtract::LeaveDBStructure() {
  if (!FDBStructure) return;
  if (FDBStructure->GetExtractor() == this) {
    FDBStructure->SetExtractor(nullptr);
    // The filter calls back into this extractor; the collection must not keep it.
    if (TCustomObjs* Objs = FDBStructure->GetObjs()) Objs->OnAccept_Obj = nullptr;
  }
  RemoveFreeNotification(FDBStructure);
  FDBStructure = nullptr;
}

void TCustomExtract::SetOnProgressUpdate(TProgressUpdateEvent Event) {
  FOnProgressUpdate = std::move(Event);
}

void TCustomExtract::SetOnErrorMessage(TErrorMessageEvent Event) {
  FOnErrorMessage = std::move(Event);
}

void TCustomExtract::SetOnLogNextLine(TLogNextLineEvent Event) {
  FOnLogNextLine = std::move(Event);
}

void TCustomExtract::SetDBStructure(TCustomDBStructure* Structure) {
  if (FDBStructure != Structure) {
    LeaveDBStructure();
    FDBStructure = Structure;
    if (Structure) FreeNotification(Structure);
  }
  if (!Structure) return;
  // Linking again to the same holder takes it back from another extractor that linked since.
  Structure->SetExtractor(this);
  if (TCustomObjs* Objs = Structure->GetObjs())
    Objs->OnAccept_Obj = [this](TObject* Sender, TObject* Obj, bool& Accept) {
      ObjsAccept_Obj(Sender, Obj, Accept);
    };
}

void TCustomExtract::DoProgressUpdate(int Value, int MaxValue) {
  if (FOnProgressUpdate) FOnProgressUpdate(this, Value, MaxValue);
}

void TCustomExtract::DoProgressUpdateEx(bool Detailed, const std::string& aText, int Value,
                                        int MaxValue) {
  if (OnProgressUpdateEx) OnProgressUpdateEx(this, Detailed, aText, Value, MaxValue);
}

void TCustomExtract::DoDbgMsg(const std::string& Text) {
  if (OnDebugMessage) OnDebugMessage(this, Text);
}

void TCustomExtract::DoErrorMessage(const std::string& ErrText) {
  if (FOnErrorMessage)
    FOnErrorMessage(this, ErrText);
  else
    ShowMessage(ErrText);
  MsgManager.AddMsg(ErrText, mt_Err, nullptr);
}

bool TCustomExtract::ExtractDatabase() {
  MsgManager.Clear();
  return false;
}

void TCustomExtract::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  // The holder is going away: its collection goes with it, so there is no filter to take off.
  if (Operation == opRemove && AComponent && AComponent == FDBStructure) FDBStructure = nullptr;
}

void TCustomExtract::DoLogNextLine(const std::string& LogText) {
  if (FOnLogNextLine) FOnLogNextLine(this, LogText);
}

void TCustomExtract::SetInclObjsNames(const TStrings& Strings) {
  FIncludeObjsNames.SetText(Trim(Strings.GetText()));
}

void TCustomExtract::SetExclObjsNames(const TStrings& Strings) {
  FExcludeObjsNames.SetText(Trim(Strings.GetText()));
}

bool TCustomExtract::LikeObjName(const std::string& Name, const std::string& Mask) {
  // Exactly one "%", standing first or last, and something beside it.
  if (Mask.size() < 2 || Mask.find('%') != Mask.rfind('%')) return false;
  if (Mask.back() == '%') return StartsStr(std::string_view(Mask).substr(0, Mask.size() - 1), Name);
  // A suffix mask tests the end of the name only: "%AB" takes ABAB as well as XAB.
  if (Mask.front() == '%') return EndsStr(std::string_view(Mask).substr(1), Name);
  return false;
}

bool TCustomExtract::IsInclObjName(const std::string& Name) const {
  if (FIncludeObjsNames.Empty()) return true;
  for (const std::string& Mask : FIncludeObjsNames)
    if (LikeObjName(Name, Mask)) return true;
  return false;
}

bool TCustomExtract::IsExclObjName(const std::string& Name) const {
  for (const std::string& Mask : FExcludeObjsNames)
    if (LikeObjName(Name, Mask)) return true;
  return false;
}

bool TCustomExtract::AcceptObj(const std::string& Name, TDbObject Kind) {
  bool Accept = !IsExclObjName(Name) && IsInclObjName(Name);
  if (OnAcceptObj) OnAcceptObj(this, Name, Kind, Accept);
  return Accept;
}

bool TCustomExtract::Accept_Obj(TDbObj* Obj) {
  if (OnAccept_Obj) {
    bool Accept = true;
    OnAccept_Obj(this, Obj, Accept);
    return Accept;
  }
  if (!Obj) return true;
  const TDbObject Kind = FilteredKindOf(Obj);
  return Kind == dboUnknown || AcceptObj(Obj->GetObjName(), Kind);
}

void TCustomExtract::ObjsAccept_Obj(TObject* /*Sender*/, TObject* Obj, bool& Accept) {
  Accept = Accept_Obj(dynamic_cast<TDbObj*>(Obj));
}

}  // namespace qel
