// PostgreSQL operators and operator classes: texts, keys and passes. Neither can be altered in
// place: a changed one is dropped and created again.
#include "Text.h"
#include "qelComp_Prc.h"

namespace qel {

namespace {

/// schema + "." + Text, or Text alone without schema.
std::string InSchema(const TDbObj& Obj, const std::string& Text) {
  return Obj.GetSchema().empty() ? Text : Obj.QuoteIdent(Obj.GetSchema()) + "." + Text;
}

std::string KeyInSchema(const std::string& Schema, const std::string& Text) {
  return Schema.empty() ? Text : Schema + "." + Text;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Operators

std::string TOprData::ParamDef() const {
  return "(" + (LeftArg.empty() ? std::string("NONE") : LeftArg) + ", " +
         (RightArg.empty() ? std::string("NONE") : RightArg) + ")";
}

std::string TOprData::ObjKeyDef() const {
  return KeyInSchema(GetSchema(), GetObjName()) + " " + ParamDef();
}

std::string TOprData::GetCaption() const {
  return ObjKeyDef();
}

std::string TOprData::Def() const {
  // The operator symbol is never quoted; types and operators in the clauses stay as stored.
  std::string R = "CREATE OPERATOR " + InSchema(*this, GetObjName()) + "(" + "\r\n" +
                  "PROCEDURE = " + QuoteIdent(ProcName);
  auto Clause = [&R](const std::string& Text) { R += ",\r\n" + Text; };
  if (!LeftArg.empty()) Clause("LEFTARG = " + LeftArg);
  if (!RightArg.empty()) Clause("RIGHTARG = " + RightArg);
  if (!Commutator.empty()) Clause("COMMUTATOR = " + Commutator);
  if (!Negator.empty()) Clause("NEGATOR = " + Negator);
  if (!Restrict.empty()) Clause("RESTRICT = " + Restrict);
  if (!Join.empty()) Clause("JOIN = " + Join);
  if (Hashes) Clause("HASHES");
  if (Merges) Clause("MERGES");
  if (!Sort1.empty()) Clause("SORT1 = " + Sort1);
  if (!Sort2.empty()) Clause("SORT2 = " + Sort2);
  if (!LtCmp.empty()) Clause("LTCMP = " + LtCmp);
  if (!GtCmp.empty()) Clause("GTCMP = " + GtCmp);
  return R + ")";
}

std::string TOprData::DropDef() const {
  return "DROP OPERATOR " + InSchema(*this, GetObjName()) + ParamDef();
}

// ---------------------------------------------------------------------------------------------
// Operator classes

std::string TOpcOprData::ParamDef() const {
  if (LeftType.empty() && RightType.empty()) return "";
  return " (" + (LeftType.empty() ? std::string("NONE") : LeftType) + ", " +
         (RightType.empty() ? std::string("NONE") : RightType) + ")";
}

std::string TOpcOprData::Def() const {
  return "OPERATOR " + std::to_string(Strategy) + " " + OprName + ParamDef();
}

std::string TOpcOprData::ObjKeyDef() const {
  return KeyInSchema(Owner ? Owner->GetSchema() : std::string(), OprName) + ParamDef();
}

TOpcFncData::TOpcFncData(TOpcData* aOwner) : Owner(aOwner) {
  ArgTypes.OwnsObjects = true;
  ArgTypes.SetCaseSensitive(true);
}

std::string TOpcFncData::ParamDef() const {
  std::string R;
  for (const std::string& T : ArgTypes) R += (R.empty() ? "" : ", ") + T;
  return "(" + R + ")";
}

std::string TOpcFncData::Def() const {
  return "FUNCTION " + std::to_string(Support) + " " +
         (Owner ? Owner->QuoteIdent(FuncName) : FuncName) + ParamDef();
}

std::string TOpcFncData::ObjKeyDef() const {
  return KeyInSchema(Owner ? Owner->GetSchema() : std::string(), FuncName) + ParamDef();
}

TOpcData::TOpcData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = kindOperatorClass;
  OprEntries.OwnsObjects = true;
  OprEntries.SetCaseSensitive(true);
  FncEntries.OwnsObjects = true;
  FncEntries.SetCaseSensitive(true);
}

TOpcOprData* TOpcData::AddOperator(std::int32_t Strategy, const std::string& OprName,
                                   const std::string& LeftType, const std::string& RightType) {
  auto* E = new TOpcOprData(this);
  E->Strategy = Strategy;
  E->OprName = OprName;
  E->LeftType = LeftType;
  E->RightType = RightType;
  OprEntries.AddObject(E->ObjKeyDef(), E);
  return E;
}

TOpcFncData* TOpcData::AddFunction(std::int32_t Support, const std::string& FuncName,
                                   const std::vector<std::string>& ArgTypes) {
  auto* E = new TOpcFncData(this);
  E->Support = Support;
  E->FuncName = FuncName;
  for (const std::string& T : ArgTypes) E->ArgTypes.Add(T);
  FncEntries.AddObject(E->ObjKeyDef(), E);
  return E;
}

std::string TOpcData::ObjKeyDef() const {
  return GetObjName() + "(" + IndexMethod + ")";
}

std::string TOpcData::GetCaption() const {
  return ObjKeyDef();
}

std::string TOpcData::Def() const {
  std::string R = "CREATE OPERATOR CLASS " + InSchema(*this, QuoteIdent(GetObjName()));
  if (IsDefault) R += " DEFAULT";
  R += " FOR TYPE " + QuoteIdent(DataType) + " USING " + IndexMethod + " AS" + "\r\n";
  std::vector<std::string> Items;
  for (int I = 0; I < OprEntries.Count(); ++I)
    if (const auto* E = dynamic_cast<const TOpcOprData*>(OprEntries.Objects(I)))
      Items.push_back(E->Def());
  for (int I = 0; I < FncEntries.Count(); ++I)
    if (const auto* E = dynamic_cast<const TOpcFncData*>(FncEntries.Objects(I)))
      Items.push_back(E->Def());
  if (!StorageType.empty()) Items.push_back("STORAGE " + StorageType);
  for (std::size_t I = 0; I < Items.size(); ++I) R += (I > 0 ? ",\r\n" : "") + Items[I];
  return R;
}

std::string TOpcData::DropDef() const {
  return "DROP OPERATOR CLASS " + InSchema(*this, QuoteIdent(GetObjName())) + " USING " +
         IndexMethod;
}

// ---------------------------------------------------------------------------------------------
// Passes

void GenScriptCreateMissing(const TDbObjList& MasterList) {
  for (int I = 0; I < MasterList.Count(); ++I) {
    TDbObj* M = MasterList.Objects(I);
    if (!M || M->SkipDef || M->GetRefObj() || M->GetObjCreated()) continue;
    M->CreateDependDef();
  }
}

void GenScriptRecreateChanged(const TDbObjList& MasterList) {
  for (int I = 0; I < MasterList.Count(); ++I) {
    TDbObj* M = MasterList.Objects(I);
    TDbObj* T = M ? M->GetRefObj() : nullptr;
    if (!T || M->SkipDef || T->SkipDef || M->Def() == T->Def()) continue;
    T->DropDependDef();
    M->CreateDependDef();
  }
}

void GenScriptDropSurplus(const TDbObjList& TargetList) {
  for (int I = 0; I < TargetList.Count(); ++I) {
    TDbObj* T = TargetList.Objects(I);
    if (!T || T->SkipDef || T->GetRefObj() || !T->GetObjCreated()) continue;
    T->DropDependDef();
  }
}

void GenScriptOprCreate(TCustomObjs& Master, TCustomObjs& /*Target*/, TCustomSQLExec& /*Exec*/) {
  GenScriptCreateMissing(Master.Operators);
}
void GenScriptOprAlter(TCustomObjs& Master, TCustomObjs& /*Target*/, TCustomSQLExec& /*Exec*/) {
  GenScriptRecreateChanged(Master.Operators);
}
void GenScriptOprDrop(TCustomObjs& /*Master*/, TCustomObjs& Target, TCustomSQLExec& /*Exec*/) {
  GenScriptDropSurplus(Target.Operators);
}
void GenScriptOpcCreate(TCustomObjs& Master, TCustomObjs& /*Target*/, TCustomSQLExec& /*Exec*/) {
  GenScriptCreateMissing(Master.OperatorClasses);
}
void GenScriptOpcAlter(TCustomObjs& Master, TCustomObjs& /*Target*/, TCustomSQLExec& /*Exec*/) {
  GenScriptRecreateChanged(Master.OperatorClasses);
}
void GenScriptOpcDrop(TCustomObjs& /*Master*/, TCustomObjs& Target, TCustomSQLExec& /*Exec*/) {
  GenScriptDropSurplus(Target.OperatorClasses);
}

}  // namespace qel
