// SQL Anywhere publications and the schemas of the dialects that have them: their texts and
// their passes of the update script.
#include "Text.h"
#include "qelComp_Tbl.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// Publications

TPblArtData::TPblArtData(TPblData* aPublication) : Publication(aPublication) {
  Columns.OwnsObjects = true;
  Columns.SetCaseSensitive(true);
}

std::string TPblArtData::Def() const {
  auto Quote = [&](const std::string& S) { return Publication ? Publication->QuoteIdent(S) : S; };
  std::string R = "    TABLE ";
  if (!TableOwner.empty()) R += Quote(TableOwner) + ".";
  R += Quote(TableName);
  if (Columns.Count() > 0) {
    std::string Cols;
    for (const std::string& C : Columns) Cols += (Cols.empty() ? "" : ", ") + Quote(C);
    R += "(" + Cols + ")";
  }
  if (!WhereText.empty()) R += " WHERE " + WhereText;
  if (!SubscribeByText.empty()) R += " SUBSCRIBE BY " + SubscribeByText;
  return R;
}

TPblData::TPblData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = kindPublication;
  Articles.SetSorted(true);
  Articles.OwnsObjects = true;
}

TPblArtData* TPblData::AddArticle(const std::string& TableOwner, const std::string& TableName) {
  const std::string Key = SchObjName(TableOwner, TableName);
  int Index = -1;
  if (Articles.Find(Key, Index)) return Article(Index);
  auto* A = new TPblArtData(this);
  A->TableOwner = TableOwner;
  A->TableName = TableName;
  Articles.AddObject(Key, A);
  return A;
}

TPblArtData* TPblData::Article(int Index) const {
  if (Index < 0 || Index >= Articles.Count()) return nullptr;
  return dynamic_cast<TPblArtData*>(Articles.Objects(Index));
}

std::string TPblData::OwnerPrefix() const {
  const std::string& O = !Extra().Creator.empty() ? Extra().Creator : GetSchema();
  // Without an owner the name stands alone, never behind a bare ".".
  return O.empty() ? std::string() : QuoteIdent(O) + ".";
}

std::string TPblData::Def() const {
  std::string R = "CREATE PUBLICATION " + OwnerPrefix() + QuoteIdent(GetObjName()) + " (" + "\r\n";
  const int N = Articles.Count();
  for (int I = 0; I < N; ++I) {
    if (const TPblArtData* A = Article(I)) R += A->Def();
    if (I < N - 1) R += ", ";
    R += "\r\n";
  }
  return R + ")";
}

std::string TPblData::DropDef() const {
  return "DROP PUBLICATION " + OwnerPrefix() + QuoteIdent(GetObjName());
}

void TPblData::DoBeforeCreate() {
  TDbObj::DoBeforeCreate();
  for (int I = 0; I < UseOf.Count(); ++I) {
    TDbObj* Obj = UseOf[I]->DepObj;
    if (!Obj || Obj->GetObjCreated()) continue;
    if (dynamic_cast<TTblData*>(Obj) || dynamic_cast<TFldData*>(Obj)) Obj->CreateDependDef();
  }
}

namespace {

template <class T, class F>
void ForEach(const TDbObjList& List, F Fn) {
  for (int I = 0; I < List.Count(); ++I)
    if (auto* Obj = dynamic_cast<T*>(List.Objects(I))) Fn(Obj);
}

}  // namespace

void GenScriptPblCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  (void)Exec;
  ForEach<TPblData>(Master.Publications, [](TPblData* M) {
    if (M->SkipDef) return;
    if (!M->GetRefObj() || !M->GetObjCreated()) M->CreateDependDef();
  });
}

void GenScriptPblAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  (void)Exec;
  // A publication has no ALTER for its article list: a changed one is dropped and created.
  ForEach<TPblData>(Master.Publications, [](TPblData* M) {
    TDbObj* T = M->GetRefObj();
    if (!T || M->SkipDef || T->SkipDef || M->Def() == T->Def()) return;
    T->DropDependDef();
    M->CreateDependDef();
  });
}

void GenScriptPblDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Master;
  (void)Exec;
  ForEach<TPblData>(Target.Publications, [](TPblData* T) {
    if (T->SkipDef || T->GetRefObj() || !T->GetObjCreated()) return;
    T->DropDependDef();
  });
}

// ---------------------------------------------------------------------------------------------
// Schemas

TDbObject TSchData::DbObjectKind(bool OnCreate) const {
  const TDbObject R = TDbObj::DbObjectKind(OnCreate);
  return R == dboUnknown ? dboSchema : R;
}

std::string TSchData::Def() const {
  std::string R = "CREATE SCHEMA " + QuoteIdent(GetObjName());
  if (GetDatabaseType() == dbMSSQL && !SchemaOwner.empty() && SchemaOwner != GetObjName())
    R += " AUTHORIZATION " + QuoteIdent(SchemaOwner);
  return R;
}

std::string TSchData::DropDef() const {
  return "DROP SCHEMA " + QuoteIdent(GetObjName());
}

bool TSchData::BuiltIn() const {
  switch (GetDatabaseType()) {
    case dbPostgreSQL:
      return GetObjName() == "public";
    case dbMSSQL:
      return !Extra().AltName.empty() && SameText(Extra().AltName, GetObjName());
    default:
      return false;
  }
}

namespace {

/// Only these servers know schemas apart from their users.
bool HasSchemas(const TCustomObjs& Target) {
  return WritesSchema(Target.GetDatabaseType());
}

}  // namespace

void GenScriptSchCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Exec;
  if (!HasSchemas(Target)) return;
  ForEach<TSchData>(Master.Schemas, [](TSchData* M) {
    if (M->SkipDef || M->BuiltIn()) return;
    if (TDbObj* T = M->GetRefObj(); T && T->GetObjCreated()) return;
    M->CreateDependDef();
  });
}

void GenScriptSchAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  if (!HasSchemas(Target) || !Master.CompareObjects.Contains(coDescription)) return;
  // Only the description of a schema is ever changed; the schema itself stays.
  ForEach<TSchData>(Master.Schemas, [&](TSchData* M) {
    TDbObj* T = M->GetRefObj();
    if (!T || M->SkipDef || M->Extra().Description == T->Extra().Description) return;
    if (M->GetDatabaseType() == dbPostgreSQL && M->GetObjName() == "public") return;
    Exec.AddDescription(M);
  });
}

void GenScriptSchDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Master;
  (void)Exec;
  if (!HasSchemas(Target)) return;
  ForEach<TSchData>(Target.Schemas, [](TSchData* T) {
    if (T->SkipDef || T->BuiltIn() || T->GetRefObj() || !T->GetObjCreated()) return;
    T->DropDependDef();
  });
}

}  // namespace qel
