// Views: their CREATE and DROP texts per dialect, their steps in the dependency cascade and the
// view passes of the update script.
//
// A view is never altered in place. When its text changes, or a table it reads changes under
// it, the target's view is dropped (with what depends on it emptied or dropped first) and the
// master's view is created again (with what it needs created first).
#include "qelComp_Viw.h"

#include <vector>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Gnr.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Trg.h"

namespace qel {

TViwData::TViwData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = kindView;
}

void TViwData::SetReCreate(bool Value) {
  FReCreate = Value;
  if (auto* Ref = dynamic_cast<TViwData*>(GetRefObj()); Ref && Ref->FReCreate != Value)
    Ref->FReCreate = Value;
}

TFldData* TViwData::FindColumn(const std::string& Name) const {
  if (TFldData* F = Fields.Find(Name)) return F;
  return DescribedColumns.Find(Name);
}

std::string TViwData::GetFlds() const {
  if (Fields.Empty()) return "";
  std::string R = "(";
  bool First = true;
  for (const auto& F : Fields) {
    if (!First) R += ",";
    R += "\r\n" + QuoteIdent(F->GetObjName());
    First = false;
  }
  return R + ")";
}

std::string TViwData::Def() const {
  const std::string Flds = GetFlds();
  switch (GetDatabaseType()) {
    case dbOracle: {
      std::string R = "CREATE OR REPLACE VIEW " + GetObjFullName();
      if (!ObjectType.empty()) R += " OF " + ObjectType;
      if (!IdentifierColumns.Empty()) {
        std::string Cols;
        for (const std::string& C : IdentifierColumns) Cols += (Cols.empty() ? "" : ", ") + C;
        R += "\r\n   WITH OBJECT " +
             (IdentifierKeyword.empty() ? std::string("IDENTIFIER") : IdentifierKeyword) + "(" +
             Cols + ")";
      }
      return R + Flds + "\r\n" + "   AS " + "\r\n" + Extra().Body;
    }
    case dbMSSQL: {
      if (Extra().Body.empty())
        return Extra().FullText;  // read without a body: written back as read
      std::string R = "CREATE VIEW " + GetObjFullName() + Flds + "\r\n";
      std::string Options;
      auto AddOption = [&Options](const char* Option) {
        Options += (Options.empty() ? "  WITH " : ", ") + std::string(Option);
      };
      if (WithEncryption) AddOption("ENCRYPTION");
      if (SchemaBinding) AddOption("SCHEMABINDING");
      if (ViewMetadata) AddOption("VIEW_METADATA");
      if (!Options.empty()) R += Options + "\r\n";
      return R + " AS " + "\r\n" + Extra().Body;
    }
    case dbMySQL: {
      std::string R = "CREATE";
      if (!Algorithm.empty()) R += " ALGORITHM=" + Algorithm;
      if (!SqlSecurity.empty()) R += " SQL SECURITY " + SqlSecurity;
      return R + " VIEW " + QuoteIdent(GetObjName()) + Flds + "\r\n" + " AS " + "\r\n" +
             Extra().Body;
    }
    case dbDB2:
    // The view is dropped under its schema-qualified name, so it is created there too: an
    // unqualified name would land in the first schema of the search path.
    case dbPostgreSQL:
      return "CREATE VIEW " + GetObjFullName() + Flds + "\r\n" + " AS " + "\r\n" + Extra().Body;
    default: {
      // A SQL Anywhere view of an owner other than DBA is created under that owner, where it
      // is dropped; a DBA view keeps the bare name it has always been written with.
      const bool Owned =
          GetDatabaseType() == dbSybaseASA && !Extra().Creator.empty() && Extra().Creator != "DBA";
      return "CREATE VIEW " + (Owned ? GetObjFullName() : QuoteIdent(GetObjName())) + Flds +
             "\r\n" + " AS " + "\r\n" + Extra().Body;
    }
  }
}

std::string TViwData::CompareDef() const {
  return ServerDef.empty() ? Def() : ServerDef;
}

std::string TViwData::DropDef() const {
  return SkipDef ? "" : "DROP VIEW " + GetObjFullName();
}

void TViwData::ResetGeneration() {
  TDbObj::ResetGeneration();
  FReCreate = false;
  DescriptionWritten = false;
  for (const auto& F : Fields) F->ResetGeneration();
}

// ---------------------------------------------------------------------------------------------
// The cascade

namespace {

void Comment(TCustomSQLExec* Exec, const std::string& Text) {
  if (Exec) Exec->AddComment(Text);
}

/// The trigger belongs to the view V (by its resolved owner, else by name).
bool TriggerOfView(const TTrgData& Trg, const TViwData& V) {
  if (Trg.OwnerObj) return Trg.OwnerObj == &V;
  return Trg.OwnName == V.GetObjName();
}

}  // namespace

void CreateMissingReadViews(TDbObj& User, const std::string& UserKind) {
  TCustomSQLExec* Exec = User.GetSQLExec();
  for (int I = 0; I < User.UseOf.Count(); ++I) {
    auto* W = dynamic_cast<TViwData*>(User.UseOf[I]->DepObj);
    if (!User.UseOf[I]->Active || !W || W == &User || W->GetObjCreated() || W->IsBeingCreated())
      continue;
    Comment(Exec, User.GenComment("Create view: " + W->GetObjName() + " for " + UserKind + ": " +
                                  User.GetObjName()));
    W->CreateDependDef();
  }
}

void RecreateChangedReadView(TDbObj& User, const TViwData& W, const std::string& UserKind) {
  TCustomObjs* Master = User.Owner ? User.Owner->GetObjsMaster() : nullptr;
  TCustomObjs* Target = User.Owner ? User.Owner->GetObjsTarget() : nullptr;
  const std::string Key = W.ObjKeyDef();
  auto* Mw = Master ? dynamic_cast<TViwData*>(Master->Views.FindObj(Key)) : nullptr;
  auto* Tw = Target ? dynamic_cast<TViwData*>(Target->Views.FindObj(Key)) : nullptr;
  if (!Mw || !Tw || Mw->Extra().CurrentDef == Tw->Extra().CurrentDef) return;
  TCustomSQLExec* Exec = User.GetSQLExec();
  const std::string Tail = W.GetObjName() + " for " + UserKind + ": " + User.GetObjName();
  Comment(Exec, User.GenComment("Alter view (drop/create): " + Tail));
  Comment(Exec, User.GenComment("Alter view (drop): " + Tail));
  Tw->DropDependDef();
  Comment(Exec, User.GenComment("Alter view (create): " + Tail));
  Mw->CreateDependDef();
  Tw->SetExtra(&TObjExtra::CurrentDef, Mw->Extra().CurrentDef);
}

namespace {

/// PostgreSQL takes a grouped view that selects a column outside GROUP BY only where the
/// table's primary key is grouped on, and checks that when the view is made ("must appear in
/// the GROUP BY clause"): a primary key the run still has to add to a table View reads is
/// added before the view.
void CreatePrimaryKeysOfReadTables(TViwData& View) {
  auto* Master = dynamic_cast<TObjs*>(View.Owner);
  if (!Master || !View.GetCompareObjects().Contains(coPrimaryKey)) return;
  for (int I = 0; I < View.UseOf.Count(); ++I) {
    TDbObj* Obj = View.UseOf[I]->DepObj;
    if (auto* Col = dynamic_cast<TFldData*>(Obj)) Obj = Col->OwnerObj;
    auto* Tbl = dynamic_cast<TTblData*>(Obj);
    const TObjs::TTableKeys* Keys = Tbl ? Master->KeysOfTable(Tbl->GetObjName()) : nullptr;
    if (!Keys) continue;
    // Copied: creating a key may file objects and rebuild the lists of keys.
    const std::vector<TCtrData*> Constraints = Keys->Constraints;
    for (TCtrData* Ctr : Constraints)
      if (Ctr->GetCtType() == ctPKey && !Ctr->SkipDef && !Ctr->GetObjCreated() &&
          Ctr->GetSchema() == Tbl->GetSchema())
        Ctr->CreateDependDef();
  }
}

}  // namespace

void TViwData::CreateDependDef() {
  TCascadeGuard Guard = GuardCreate();
  if (!Guard || GetObjCreated()) return;
  DoBeforeCreate();
  // A prerequisite may have led back here through a path the guard does not see (a changed view
  // re-created on the way); the view is written once.
  if (GetObjCreated()) return;
  TCustomSQLExec* Exec = GetSQLExec();

  // DB2 creates unqualified objects in the current schema; it is set once per run of views.
  if (GetDatabaseType() == dbDB2 && Owner && !GetSchema().empty() &&
      GetSchema() != Owner->WorkStr1) {
    Owner->WorkStr1 = GetSchema();
    if (Exec)
      Exec->Add("SET CURRENT SCHEMA = " + QuoteIdent(GetSchema()), stStatement, "", dboSchema,
                odbSet);
  }
  Comment(Exec, GenComment("Create view: " + GetObjName() + " (ViwData.CreateDependDef)"));
  if (Exec) Exec->Add(CreateDef(), stStatement, GetObjName(), dboView, odbCreate);
  SetObjCreated(true);

  // The triggers of the view went with it. They come back with an empty body, since what
  // their bodies use may not stand yet; the trigger pass writes the real body later.
  if (TCustomObjs* Master = Owner ? Owner->GetObjsMaster() : nullptr) {
    for (int I = 0; I < Master->Triggers.Count(); ++I) {
      auto* Trg = dynamic_cast<TTrgData*>(Master->Triggers.Objects(I));
      if (!Trg || Trg->GetObjCreated() || Trg->SkipDef || !TriggerOfView(*Trg, *this)) continue;
      Trg->CreateEmpty();
    }
  }
  DoAfterCreate();
}

void TViwData::DoBeforeCreate() {
  // A missing view this one reads comes first, introduced by a line that says why; the base
  // step would create it without one.
  CreateMissingReadViews(*this, "view");
  TDbObj::DoBeforeCreate();
  TCustomObjs* Target = Owner ? Owner->GetObjsTarget() : nullptr;

  for (int I = 0; I < UseOf.Count(); ++I) {
    TDbObj* Obj = UseOf[I]->DepObj;
    if (!Obj || Obj == this) continue;

    if (auto* W = dynamic_cast<TViwData*>(Obj)) {
      RecreateChangedReadView(*this, *W, "view");
      continue;
    }

    // A column of a table that the script dropped and has not added again yet.
    if (auto* Col = dynamic_cast<TFldData*>(Obj);
        Col && dynamic_cast<TTblData*>(Col->OwnerObj) && Col->UseOf.Empty()) {
      TFldData* TCol = dynamic_cast<TFldData*>(Col->GetRefObj());
      if (!TCol)
        if (auto* TObjsT = dynamic_cast<TObjs*>(Target))
          TCol = TObjsT->GetTableField(Col->OwnerObj->ObjKeyDef(), Col->GetObjName());
      if (TCol && !TCol->GetObjCreated() && Col != TCol) {
        Col->CreateDependDef();
        Col->SetObjCreated(true);
        TCol->SetObjCreated(true);
      }
      continue;
    }

    if (dynamic_cast<TGnrData*>(Obj)) {
      Obj->CreateDependDef();
      continue;
    }

    // A routine the view calls with a parameter list the target does not have yet gets that
    // list first.
    if (auto* Prc = dynamic_cast<TPrcData*>(Obj)) PrcPrepareForUser(*Prc, *this);
  }
  if (GetDatabaseType() == dbPostgreSQL) CreatePrimaryKeysOfReadTables(*this);
}

void TViwData::DoAfterCreate() {
  TDbObj::DoAfterCreate();
  // What was dropped with the view counts again now that it stands.
  for (const auto& D : UseIn) {
    TDbObj* Obj = D->DepObj;
    if (!Obj || !(dynamic_cast<TViwData*>(Obj) || dynamic_cast<TDmnData*>(Obj))) continue;
    D->Active = true;
    for (const auto& Back : Obj->UseOf)
      if (Back->DepObj == this) Back->Active = true;
  }
}

void TViwData::DoBeforeDrop() {
  const bool Ase = GetDatabaseType() == dbSybaseASE;
  TakeOutUsers([this, Ase](TDbObj& User) {
    if (User.IsBeingDropped()) return false;
    if (auto* Trg = dynamic_cast<TTrgData*>(&User)) {
      // A trigger of this view is dropped with it below; emptying it first would be wasted.
      if (TriggerOfView(*Trg, *this)) return false;
      if (Ase)
        Trg->DropDependDef();
      else
        Trg->AssignEmptyBody();
    } else if (auto* Prc = dynamic_cast<TPrcData*>(&User)) {
      if (Ase)
        Prc->DropDependDef();
      else
        Prc->AssignEmptyBody(true);
    } else if (dynamic_cast<TCtrData*>(&User)) {
      User.DropDependDef();
    } else {
      return false;
    }
    return true;
  });

  // The view's own triggers cannot outlive it.
  if (TCustomObjs* Target = Owner ? Owner->GetObjsTarget() : nullptr)
    for (int I = 0; I < Target->Triggers.Count(); ++I) {
      auto* Trg = dynamic_cast<TTrgData*>(Target->Triggers.Objects(I));
      if (Trg && Trg->GetObjCreated() && TriggerOfView(*Trg, *this)) Trg->DropDependDef();
    }
  TDbObj::DoBeforeDrop();
}

void TViwData::DoAfterDrop() {
  TDbObj::DoAfterDrop();
  // A grant goes with the object it grants on; the grant pass writes it again.
  if (TCustomObjs* Master = Owner ? Owner->GetObjsMaster() : nullptr)
    for (int I = 0; I < Master->Grants.Count(); ++I)
      if (auto* G = dynamic_cast<TGntData*>(Master->Grants.Objects(I));
          G && G->ObjectName == GetObjName())
        G->SetObjCreated(false);
}

// ---------------------------------------------------------------------------------------------
// Passes

namespace {

void AddViewDescription(TCustomSQLExec& Exec, TViwData& V) {
  if (!V.Extra().Description.empty()) Exec.AddDescription(&V);
  V.DescriptionWritten = true;
}

void AddColumnDescriptions(TCustomSQLExec& Exec, const TViwData& V) {
  for (const TObjVector<TFldData>* List : {&V.Fields, &V.DescribedColumns})
    for (const auto& F : *List)
      if (!F->Extra().Description.empty()) Exec.AddDescription(F.get());
}

/// The descriptions of V's columns where they differ from those of its counterpart T: by
/// pairing for declared columns, by name for columns only described.
void AlterColumnDescriptions(TCustomSQLExec& Exec, const TViwData& V, const TViwData& T) {
  for (const auto& F : V.Fields)
    if (const TDbObj* G = F->GetRefObj(); G && G->Extra().Description != F->Extra().Description)
      Exec.AddDescription(F.get());
  for (const auto& F : V.DescribedColumns) {
    const TFldData* G = T.FindColumn(F->GetObjName());
    if (!G || G->Extra().Description != F->Extra().Description) Exec.AddDescription(F.get());
  }
}

}  // namespace

void GenScriptViewCreate(TCustomObjs& Master, TCustomObjs& /*Target*/, TCustomSQLExec& Exec) {
  const bool Descr = Master.CompareObjects.Contains(coDescription);
  bool Any = false;
  for (int I = 0; I < Master.Views.Count(); ++I) {
    auto* V = dynamic_cast<TViwData*>(Master.Views.Objects(I));
    if (!V || V->SkipDef) continue;
    TDbObj* T = V->GetRefObj();
    if (T && T->GetObjCreated()) continue;
    // A view without counterpart that an earlier step created (the cascade, or the first run
    // of this pass) only lacks its description, once.
    if (V->GetObjCreated()) {
      if (Descr && !V->DescriptionWritten) {
        AddViewDescription(Exec, *V);
        AddColumnDescriptions(Exec, *V);
      }
      continue;
    }
    if (!Any) Exec.AddComment(V->GenComment("Create Views..."));
    Any = true;
    V->CreateDependDef();
    V->SetReCreate(false);
    if (Descr) {
      AddViewDescription(Exec, *V);
      AddColumnDescriptions(Exec, *V);
    }
    if (T) T->SetExtra(&TObjExtra::CurrentDef, V->Extra().CurrentDef);
  }
  if (Any) Exec.AddComment("\r\n");
}

void GenScriptViewAlter(TCustomObjs& Master, TCustomObjs& /*Target*/, TCustomSQLExec& Exec,
                        const TCmpObjSetType& CompareObjects) {
  const bool Descr = CompareObjects.Contains(coDescription);
  bool Any = false;
  for (int I = 0; I < Master.Views.Count(); ++I) {
    auto* V = dynamic_cast<TViwData*>(Master.Views.Objects(I));
    auto* T = V ? dynamic_cast<TViwData*>(V->GetRefObj()) : nullptr;
    if (!V || V->SkipDef || !T) continue;

    if (V->Extra().CurrentDef == T->Extra().CurrentDef && !V->GetReCreate()) {
      if (!Descr) continue;
      if (V->Extra().Description != T->Extra().Description) {
        Exec.AddDescription(V);
        Exec.AddComment("\r\n");
      }
      AlterColumnDescriptions(Exec, *V, *T);
      continue;
    }

    if (!Any) Exec.AddComment(V->GenComment("Alter View (Drop, Create)..."));
    Any = true;
    const std::string Suffix = V->GetReCreate() ? " (recreate)" : "";
    Exec.AddComment(T->GenComment("Drop altered view: " + T->GetObjName() + Suffix));
    T->DropDependDef();
    T->SetExtra(&TObjExtra::CurrentDef, std::string());
    V->SetObjCreated(false);
    Exec.AddComment(V->GenComment("Create altered view: " + V->GetObjName() + Suffix));
    V->CreateDependDef();
    T->SetExtra(&TObjExtra::CurrentDef, V->Extra().CurrentDef);
    V->SetReCreate(false);
    if (Descr) {
      AddViewDescription(Exec, *V);
      AddColumnDescriptions(Exec, *V);
    }
  }
}

void GenScriptViewDrop(TCustomObjs& /*Master*/, TCustomObjs& Target, TCustomSQLExec& Exec,
                       const TCmpObjSetType& /*CompareObjects*/) {
  bool Any = false;
  for (int I = 0; I < Target.Views.Count(); ++I) {
    TDbObj* T = Target.Views.Objects(I);
    if (!T || T->SkipDef || T->GetRefObj() || !T->GetObjCreated()) continue;
    if (!Any) Exec.AddComment(T->GenComment("Drop View..."));
    Any = true;
    T->DropDependDef();
    T->SetExtra(&TObjExtra::CurrentDef, std::string());
  }
  if (Any) Exec.AddComment("\r\n");
}

}  // namespace qel
