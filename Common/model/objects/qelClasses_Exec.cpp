// The statement list: adding statements with their terminators and the veto, descriptions,
// captions and loading script files.
#include "qelClasses.h"
#include "qelMsg.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// TStatement

std::string TStatement::GetCaption() const {
  std::string Caption;
  if (DbObject == dboField) {
    Caption = OwnName + " (" + ObjName + "): alter";
  } else {
    const char* Suffix = "";
    switch (DbOperation) {
      case odbCreate:
        Suffix = ": create";
        break;
      case odbAlter:
        Suffix = ": alter";
        break;
      case odbDrop:
        Suffix = ": drop";
        break;
      case odbEmpty:
        Suffix = ": empty body";
        break;
      case odbRestore:
        Suffix = ": restore body";
        break;
      case odbEmptyCreate:
        Suffix = ": create empty";
        break;
      case odbEmptyDrop:
        Suffix = ": empty before drop";
        break;
      case odbDescription:
        Suffix = ": description";
        break;
      case odbInsert:
        Suffix = ": insert";
        break;
      case odbUpdate:
        Suffix = ": update";
        break;
      case odbDelete:
        Suffix = ": delete";
        break;
      default:
        break;
    }
    Caption = ObjName + Suffix;
  }
  if (Caption.empty() && Lines.Count() > 0) Caption = Lines[0];
  return Caption;
}

// ---------------------------------------------------------------------------------------------
// TCustomSQLExec

TCustomSQLExec::TCustomSQLExec(TComponent* AOwner) : TComponent(AOwner) {}

TCustomSQLExec::~TCustomSQLExec() {
  TCustomSQLExec::Clear();
  for (TCustomObjs* Objs : FLinkedObjs) Objs->FSQLExec = nullptr;
  FLinkedObjs.clear();
}

void TCustomSQLExec::DoLogNextLine(const std::string& LogText) {
  if (OnLogNextLine) OnLogNextLine(this, LogText);
}

void TCustomSQLExec::DoProgressUpdate(int Value, int MaxValue) {
  if (OnProgressUpdate) OnProgressUpdate(this, Value, MaxValue);
}

void TCustomSQLExec::DoErrorMessage(const std::string& ErrText) {
  if (OnErrorMessage)
    OnErrorMessage(this, ErrText);
  else
    ShowMessage(ErrText);
  ++ErrorCount;
}

void TCustomSQLExec::DoBeforeStatementExecute(int Index) {
  if (OnBeforeStatementExecute) OnBeforeStatementExecute(this, Index);
}

void TCustomSQLExec::DoAfterStatementExecute(int Index) {
  if (OnAfterStatementExecute) OnAfterStatementExecute(this, Index);
}

std::unique_ptr<TStatement> TCustomSQLExec::DoStatementCreate() {
  TStatement* Statement = nullptr;
  if (OnStatementCreate) OnStatementCreate(this, Statement);
  if (Statement) return std::unique_ptr<TStatement>(Statement);
  return std::make_unique<TStatement>(this);
}

void TCustomSQLExec::LoadFromFile(const std::string& FileName) {
  if (OnLoadScript) {
    TStringList Lines;
    ScriptFileName = FileName;
    bool Loaded = false;
    OnLoadScript(this, FileName, &Lines, Loaded);
    LoadScript(Lines);
    return;
  }
  ScriptFileName.clear();
  if (!FileExists(FileName)) {
    DoErrorMessage("File not found: " + FileName);
    return;
  }
  TFileStream Stream(FileName, fmOpenRead);
  if (!Stream.IsOpen()) {
    DoErrorMessage("Cannot open file: " + FileName);
    return;
  }
  ScriptFileName = FileName;
  LoadFromStream(&Stream);
}

void TCustomSQLExec::LoadFromStream(TFileStream* Stream) {
  TStringList Lines;
  if (Stream) {
    std::string Data;
    char Buffer[65536];
    for (;;) {
      const std::int64_t N = Stream->Read(Buffer, sizeof Buffer);
      if (N <= 0) break;
      Data.append(Buffer, static_cast<std::size_t>(N));
    }
    Lines.SetText(Data);
  }
  LoadScript(Lines);
}

TStatement* TCustomSQLExec::Add(const std::string& aText, TStatType aTyp,
                                const std::string& aObjName, TDbObject aObjType,
                                TDbOperation aOperation, const std::string& aOwnName,
                                const std::string& aTerm) {
  // An empty comment is a blank line of the script; any other empty text is nothing to add.
  if (aText.empty() && aTyp != stComment) return nullptr;
  std::unique_ptr<TStatement> Statement = DoStatementCreate();
  Statement->Lines.SetText(aText);
  Statement->StatType = aTyp;
  Statement->ObjName = aObjName;
  Statement->OwnName = aOwnName;
  Statement->DbObject = aObjType;
  Statement->DbOperation = aOperation;
  Statement->LineCount = Statement->Lines.Count();
  if (!aTerm.empty())
    Statement->Term = aTerm;
  else if (aTyp != stComment)
    Statement->Term = GenScriptTerm(DatabaseType);
  bool Accept = true;
  if (OnStatementAdd) OnStatementAdd(this, Statement.get(), Accept);
  if (!Accept) return nullptr;  // freed with the unique_ptr
  LineTotal += Statement->LineCount + 1;
  if (ChangesDatabase(aTyp)) HasChanges = true;
  FStatements.push_back(std::move(Statement));
  return FStatements.back().get();
}

void TCustomSQLExec::Clear() {
  FStatements.clear();
  LineTotal = 0;
  HasChanges = false;
}

void TCustomSQLExec::Delete(int Index) {
  if (Index < 0 || Index >= GetStatementsCount()) return;
  FStatements.erase(FStatements.begin() + Index);
}

void TCustomSQLExec::AddDescription(TDbObj* Obj, const TDbObj* Before) {
  if (!Obj) return;
  TDbObject ObjType = dboUnknown;
  std::string OwnName;
  if (const std::string* TableName = Obj->FieldTableName()) {
    const TDbObj* FieldOwner = Obj->FieldOwnerObj();
    if (!TableName->empty() && FieldOwner) {
      const std::int32_t OwnKind = FieldOwner->Kind;
      if (OwnKind == kindTable || OwnKind == kindView) {
        ObjType = dboField;
        OwnName = *TableName;
      } else if (OwnKind == kindProcedure) {
        ObjType = dboParam;
        OwnName = *TableName;
      }
    }
  } else {
    switch (Obj->Kind) {
      case kindDomain:
        ObjType = dboDomain;
        break;
      case kindTable:
        ObjType = dboTable;
        break;
      case kindView:
        ObjType = dboView;
        break;
      case kindIndex:
        ObjType = dboIndex;
        break;
      case kindProcedure:
        ObjType = dboProcedure;
        break;
      case kindTrigger:
        ObjType = dboTrigger;
        break;
      case kindGenerator:
        ObjType = dboGenerator;
        break;
      case kindException:
        ObjType = dboException;
        break;
      case kindFunction:
        ObjType = dboFunction;
        break;
      case kindRole:
        ObjType = dboRole;
        break;
      case kindPackage:
        ObjType = dboPackage;
        break;
      case kindDatabase:
        ObjType = dboDatabase;
        break;
      default:
        break;
    }
  }
  const bool Replaces = Before && !Before->Extra().Description.empty();
  TStatement* Statement = Add(Obj->DescriptionDef(Replaces), stDescription, Obj->GetObjName(),
                              ObjType, odbDescription, OwnName, "");
  if (Statement) Statement->Description = Obj->Extra().Description;
}

bool TCustomSQLExec::ExecuteScript() {
  ErrorCount = 0;
  return true;
}

TStatement* TCustomSQLExec::GetStatement(int Index) const {
  if (Index < 0 || Index >= GetStatementsCount()) return nullptr;
  return FStatements[static_cast<std::size_t>(Index)].get();
}

void TCustomSQLExec::SetStatement(int Index, std::unique_ptr<TStatement> Statement) {
  if (Index < 0 || Index >= GetStatementsCount() || !Statement) return;
  FStatements[static_cast<std::size_t>(Index)] = std::move(Statement);
}

int TCustomSQLExec::IndexOf(const TStatement* Statement) const {
  for (std::size_t I = 0; I < FStatements.size(); ++I)
    if (FStatements[I].get() == Statement) return static_cast<int>(I);
  return -1;
}

void TCustomSQLExec::SelectAll(bool Value) {
  for (const auto& S : FStatements) S->Selected = Value;
}

void TCustomSQLExec::DoMsgErr(const std::string& Text, TObject* Obj) {
  DoErrorMessage(Text);
  MsgManager.AddMsg(Text, mt_Err, Obj);
}

void TCustomSQLExec::DoMsgWrn(const std::string& Text, TObject* Obj) {
  DoLogNextLine("Warning: " + Text);
  MsgManager.AddMsg(Text, mt_Wrn, Obj);
}

}  // namespace qel
