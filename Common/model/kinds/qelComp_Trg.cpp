// Triggers: headers and definitions per dialect, the empty body and the trigger's key.
//
// Only InterBase/Firebird accepts its own empty body and "ALTER TRIGGER name <body>". Every
// other dialect gets a form its server reads: SQL Server alters with the whole header, Oracle
// replaces, SQL Anywhere, DB2 and MySQL drop and create, and PostgreSQL and Sybase ASE, whose
// trigger bodies cannot stand empty, drop the trigger and create it again later.
#include "qelComp_Trg.h"

#include "Text.h"
#include "qelComp_Ctr.h"
#include "qelComp_Tbl.h"
#include "qelComp_Viw.h"
#include "qelDialects.h"

namespace qel {

namespace {

/// "INSERT" + Separator + "UPDATE" ... of the events that are set.
std::string EventList(const TInsUpdDelSet& Events, const char* Separator) {
  std::string R;
  for (auto [Event, Word] : {std::pair{iudInsert, "INSERT"}, std::pair{iudUpdate, "UPDATE"},
                             std::pair{iudDelete, "DELETE"}})
    if (Events.Contains(Event)) R += (R.empty() ? "" : Separator) + std::string(Word);
  return R;
}

bool ServerLevel(const std::string& OwnName) {
  return OwnName == "DATABASE" || OwnName == "ALL SERVER";
}

}  // namespace

TTrgData::TTrgData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = kindTrigger;
  Columns.SetCaseSensitive(true);
}

void TTrgData::Assign(const TTrgData& Source) {
  Kind = Source.Kind;
  SetObjName(Source.GetObjName());
  SetOwnName(Source.OwnName);
  SourceBody = Source.SourceBody;
  TrgType = Source.TrgType;
  SetExtra(&TObjExtra::Body, Source.Extra().Body);
  Active = Source.Active;
  Timing = Source.Timing;
  Events = Source.Events;
  Position = Source.Position;
  SetExtra(&TObjExtra::Description, Source.Extra().Description);
}

void TTrgData::SetOwnName(const std::string& Name) {
  if (Name == OwnName && OwnerObj) return;
  OwnerObj = nullptr;
  if (Owner) {
    // The table is found under the key it was filed with: schema-qualified where the dialect
    // qualifies, the plain name otherwise.
    std::string Key = Name;
    switch (GetDatabaseType()) {
      case dbSybaseASA:
        Key = SchObjName(Extra().Creator.empty() ? GetSchema() : Extra().Creator, Name);
        break;
      case dbOracle:
      case dbMSSQL:
      case dbDB2:
        Key = SchObjName(GetSchema(), Name);
        break;
      default:
        break;
    }
    for (const std::string& K : {Key, Name}) {
      OwnerObj = Owner->Tables.FindObj(K);
      if (!OwnerObj) OwnerObj = Owner->Views.FindObj(K);
      if (OwnerObj) break;
    }
  }
  OwnName = Name;
}

TTrgBodyStyle TTrgData::GetBodyStyle() const {
  switch (GetDatabaseType()) {
    case dbInterBase:
    case dbMSSQL:
    case dbOracle:
      return tbAlter;
    case dbPostgreSQL:
    case dbSybaseASE:
      return tbDrop;
    default:
      return tbRecreate;
  }
}

// ---------------------------------------------------------------------------------------------
// Headers

std::string TTrgData::TrgTypStr() const {
  if (OwnName == "DATABASE") return "ON " + EventText + "\r\n";
  static const char* const Words[] = {"", "INSERT", "UPDATE", "DELETE"};
  const std::int32_t V = TrgType + 1;
  std::string R = (V & 1) == 1 ? "AFTER " : "BEFORE ";
  R += Words[(V >> 1) & 3];
  for (int Shift : {3, 5}) {
    const int Slot = (V >> Shift) & 3;
    if (Slot != 0) R += std::string(" OR ") + Words[Slot];
  }
  return R;
}

std::string TTrgData::IbHeader(bool aActive) const {
  std::string R = "CREATE TRIGGER " + QuoteIdent(GetObjName());
  R += OwnName == "DATABASE" ? std::string("\r\n") : " FOR " + QuoteIdent(OwnName) + "\r\n";
  R += aActive ? "ACTIVE " : "INACTIVE ";
  R += TrgTypStr();
  return R + " POSITION " + std::to_string(Position) + " " + "\r\n";
}

std::string TTrgData::Ib_HeaderDef() const {
  return IbHeader(Active);
}

std::string TTrgData::ASAHeaderDef() const {
  const std::string OwnerPrefix = Extra().Creator.empty() ? std::string() : Extra().Creator + ".";
  std::string R = "CREATE TRIGGER \r\n" + GetObjName() + " ";
  if (TransactSQL)
    return R + "ON " + OwnerPrefix + QuoteIdent(OwnName) + "\r\n" + "  FOR " +
           EventList(Events, ", ") + "\r\n";

  if (Timing == baBefore) R += "BEFORE ";
  if (Timing == baAfter) R += "AFTER ";
  std::string Ev;
  auto Add = [&Ev](const std::string& S) { Ev += (Ev.empty() ? "" : ", ") + S; };
  if (Events.Contains(iudInsert)) Add("INSERT");
  if (Events.Contains(iudUpdate)) {
    std::string U = "UPDATE";
    if (!Columns.Empty()) {
      U += " OF";
      for (int I = 0; I < Columns.Count(); ++I)
        U += std::string(I > 0 ? "," : "") + " " + QuoteIdent(Columns[I]);
    }
    Add(U);
  }
  if (Events.Contains(iudDelete)) Add("DELETE");
  R += Ev;
  if (Position != 0) R += " ORDER " + std::to_string(Position);
  R += " ON\r\n" + OwnerPrefix + OwnName + "\r\n";
  if (!OldAlias.empty() || !NewAlias.empty() || !RemoteAlias.empty()) {
    R += "REFERENCING";
    if (!OldAlias.empty()) R += " OLD AS " + QuoteIdent(OldAlias);
    if (!NewAlias.empty()) R += " NEW AS " + QuoteIdent(NewAlias);
    if (!RemoteAlias.empty()) R += " REMOTE AS " + QuoteIdent(RemoteAlias);
    R += "\r\n";
  }
  if (ForEachRow) R += "FOR EACH ROW\r\n";
  if (ForEachStatement) R += "FOR EACH STATEMENT\r\n";
  return R;
}

std::string TTrgData::MSSQLHeaderDef(bool IsAlter) const {
  std::string R = IsAlter ? "ALTER " : "CREATE ";
  R += "TRIGGER ";
  std::string EventsText;
  if (ServerLevel(OwnName)) {
    R += QuoteIdent(GetObjName()) + " ON " + OwnName;
    EventsText = EventText;
  } else {
    R += GetObjFullName() + " ON ";
    if (!GetSchema().empty()) R += QuoteIdent(GetSchema()) + ".";
    R += QuoteIdent(OwnName);
    EventsText = EventList(Events, ", ");
  }
  switch (Timing) {
    case baAfter:
      R += "\r\n AFTER ";
      break;
    case baFor:
      R += "\r\n FOR ";
      break;
    case baInsteadOf:
      R += "\r\n INSTEAD OF ";
      break;
    default:
      break;
  }
  R += EventsText + "\r\n";
  if (WithAppend) R += " WITH APPEND\r\n";
  if (NotForReplication) R += " NOT FOR REPLICATION\r\n";
  return R + " AS" + "\r\n";
}

std::string TTrgData::OracleHeaderDef() const {
  const std::string Schema = GetSchema().empty() ? std::string() : QuoteIdent(GetSchema()) + ".";
  std::string R = "CREATE OR REPLACE TRIGGER " + Schema + QuoteIdent(GetObjName()) + "\r\n";
  if (Timing == baBefore) R += "  BEFORE ";
  if (Timing == baAfter) R += "  AFTER ";
  if (Timing == baInsteadOf) R += "  INSTEAD OF ";
  std::string Ev;
  if (Events.Contains(iudInsert)) Ev += "INSERT OR ";
  if (Events.Contains(iudUpdate)) {
    Ev += "UPDATE ";
    if (!Columns.Empty()) {
      std::string Cols;
      for (const std::string& C : Columns) Cols += (Cols.empty() ? "" : ", ") + QuoteIdent(C);
      Ev += " OF " + Cols + " ";
    }
    Ev += "OR ";
  }
  if (Events.Contains(iudDelete)) Ev += "DELETE OR ";
  if (Ev.size() >= 4) Ev.resize(Ev.size() - 4);
  R += Ev + " ON " + Schema + QuoteIdent(OwnName) + "\r\n";
  if (!NewAlias.empty() || !OldAlias.empty() || !ParentAlias.empty()) {
    R += "  REFERENCING";
    if (!NewAlias.empty()) R += " NEW AS " + QuoteIdent(NewAlias);
    if (!OldAlias.empty()) R += " OLD AS " + QuoteIdent(OldAlias);
    if (!ParentAlias.empty()) R += " PARENT AS " + QuoteIdent(ParentAlias);
    R += "\r\n";
  }
  if (ForEachRow) R += "  FOR EACH ROW\r\n";
  // Oracle has no FOR EACH STATEMENT clause: a trigger without FOR EACH ROW is one.
  if (!WhenCondition.empty()) R += "  WHEN " + WhenCondition + "\r\n";
  return R;
}

std::string TTrgData::PGHeaderDef() const {
  std::string R = "CREATE TRIGGER " + QuoteIdent(GetObjName()) + "\r\n";
  R += Timing == baBefore ? "  BEFORE" : Timing == baInsteadOf ? "  INSTEAD OF" : "  AFTER";
  R += ' ';
  R += EventList(Events, " OR ");
  R += "\r\n  ON ";
  if (!GetSchema().empty()) R += QuoteIdent(GetSchema()) + ".";
  R += QuoteIdent(OwnName) + "\r\n";
  if (ForEachRow) R += "  FOR EACH ROW\r\n";
  if (ForEachStatement) R += "  FOR EACH STATEMENT\r\n";
  return R;
}

std::string TTrgData::DB2HeaderDef() const {
  std::string R = "CREATE TRIGGER " + GetObjFullName() + "\r\n";
  if (Timing == baBefore) R += "  NO CASCADE BEFORE";
  if (Timing == baAfter) R += "  AFTER";
  if (Timing == baInsteadOf) R += "  INSTEAD OF";
  R += " " + EventList(Events, " OR ");
  if (!Columns.Empty()) {
    std::string Cols;
    for (const std::string& C : Columns) Cols += (Cols.empty() ? "" : ", ") + C;
    R += " OF " + Cols;
  }
  // The trigger is filed with its table's schema (SetOwnName).
  R += " ON " + SchemaQualified(GetSchema(), OwnName) + "\r\n";
  if (!NewAlias.empty() || !OldAlias.empty() || !NewTableAlias.empty() || !OldTableAlias.empty()) {
    R += "  REFERENCING\r\n";
    if (!NewAlias.empty()) R += "  NEW AS " + NewAlias + "\r\n";
    if (!OldAlias.empty()) R += "  OLD AS " + OldAlias + "\r\n";
    if (!NewTableAlias.empty()) R += "  NEW_TABLE AS " + NewTableAlias + "\r\n";
    if (!OldTableAlias.empty()) R += "  OLD_TABLE AS " + OldTableAlias + "\r\n";
  }
  if (ForEachRow) R += "  FOR EACH ROW";
  if (ForEachStatement) R += "  FOR EACH STATEMENT";
  R += " MODE " + Mode + "\r\n";
  if (!WhenCondition.empty()) R += "  WHEN " + WhenCondition + "\r\n";
  return R;
}

std::string TTrgData::MySQLHeaderDef() const {
  // MySQL knows one event per trigger and only row triggers.
  std::string R = "CREATE TRIGGER " + QuoteIdent(GetObjName()) + "\r\n";
  R += Timing == baBefore ? "  BEFORE " : "  AFTER ";
  return R + EventList(Events, " OR ") + " ON " + QuoteIdent(OwnName) + "\r\n" +
         "  FOR EACH ROW\r\n";
}

// ---------------------------------------------------------------------------------------------
// Definitions

std::string TTrgData::Ib_Def(const std::string& aBody) const {
  return Ib_HeaderDef() + aBody;
}

std::string TTrgData::ASADef(const std::string& aBody) const {
  return ASAHeaderDef() + (TransactSQL ? "  AS\r\n" : "") + aBody;
}

std::string TTrgData::MSSQLDef(const std::string& aBody) const {
  return aBody.empty() ? Extra().SourceDefinition : MSSQLHeaderDef(false) + aBody;
}

std::string TTrgData::OracleDef(const std::string& aBody) const {
  return OracleHeaderDef() + aBody;
}

std::string TTrgData::PGDef(const std::string& aBody) const {
  return PGHeaderDef() + aBody;
}

std::string TTrgData::DB2Def(const std::string& aBody) const {
  return DB2HeaderDef() + aBody;
}

std::string TTrgData::MySQLDef(const std::string& aBody) const {
  return MySQLHeaderDef() + aBody;
}

std::string TTrgData::DefWithBody(const std::string& aBody) const {
  switch (GetDatabaseType()) {
    case dbMSSQL:
    case dbSybaseASE:
      return MSSQLDef(aBody);
    case dbOracle:
      return OracleDef(aBody);
    case dbSybaseASA:
      return ASADef(aBody);
    case dbPostgreSQL:
      return PGDef(aBody);
    case dbDB2:
      return DB2Def(aBody);
    case dbMySQL:
      return MySQLDef(aBody);
    default:
      return Ib_Def(aBody);
  }
}

std::string TTrgData::Def() const {
  return DefWithBody(Extra().Body);
}

std::string TTrgData::CompareDef() const {
  const std::string Body = Extra().Body;
  const std::string When = "WHEN " + WhenCondition + " ";
  if (GetDatabaseType() != dbPostgreSQL || WhenCondition.empty() || Body.rfind(When, 0) != 0)
    return Def();
  return DefWithBody("WHEN (" + PGConditionKey(WhenCondition) + ") " + Body.substr(When.size()));
}

std::string TTrgData::SourceDef() const {
  if (SourceBody.empty()) SourceBody = Extra().Body;
  return DefWithBody(SourceBody);
}

std::string TTrgData::AlterDef() const {
  switch (GetDatabaseType()) {
    case dbInterBase:
      return "ALTER TRIGGER " + QuoteIdent(GetObjName()) + "\r\n" + Extra().Body;
    case dbMSSQL:
      return MSSQLHeaderDef(true) + Extra().Body;
    case dbOracle:
      return OracleDef(Extra().Body);  // CREATE OR REPLACE
    default:
      return "";
  }
}

std::string TTrgData::DropDef() const {
  const std::string Name = QuoteIdent(GetObjName());
  switch (GetDatabaseType()) {
    case dbSybaseASA: {
      std::string R = "DROP TRIGGER ";
      if (!Extra().Creator.empty()) R += QuoteIdent(Extra().Creator) + ".";
      return R + QuoteIdent(OwnName) + "." + Name;
    }
    case dbPostgreSQL: {
      std::string R = "DROP TRIGGER " + Name + " ON ";
      if (!GetSchema().empty()) R += QuoteIdent(GetSchema()) + ".";
      return R + QuoteIdent(OwnName);
    }
    case dbMSSQL:
      if (ServerLevel(OwnName)) return "DROP TRIGGER " + Name + " ON " + OwnName;
      [[fallthrough]];
    case dbOracle:
    case dbDB2:
      return "DROP TRIGGER " + GetObjFullName();
    default:
      return "DROP TRIGGER " + Name;
  }
}

std::string TTrgData::ObjKeyDef() const {
  if (NameScopesOf(GetDatabaseType()).Triggers == TNameScope::Table && !OwnName.empty())
    return GetObjName() + " ON " + OwnName;
  return TDbObj::ObjKeyDef();
}

// ---------------------------------------------------------------------------------------------
// Empty body

std::string TTrgData::EmptyBody() const {
  switch (GetDatabaseType()) {
    case dbMSSQL:
      return " declare @i integer;\r\nbegin set @i = 0; end";
    case dbSybaseASE:
      return " declare @i integer\r\nselect @i = 0";
    case dbOracle:
      return " BEGIN NULL; END;";
    case dbSybaseASA:
      return TransactSQL ? " declare @i integer\r\nselect @i = 0"
                         : " BEGIN DECLARE I INTEGER; SET I = 0; END";
    case dbDB2:
      return " BEGIN ATOMIC DECLARE I INTEGER; SET I = 0; END";
    case dbMySQL:
      return " BEGIN DECLARE I INTEGER; SET I = 0; END";
    case dbPostgreSQL:
      // The body names the trigger's routine; there is no body that does nothing. Such
      // triggers are dropped instead of emptied.
      return "";
    default:
      return " AS Declare variable I integer;\r\nBEGIN I = 0; END";
  }
}

std::string TTrgData::EmptyDef() const {
  return DefWithBody(EmptyBody());
}

std::string TTrgData::HeaderKey() const {
  if (GetDatabaseType() == dbInterBase) return IbHeader(true) + EmptyBody();
  return EmptyDef();
}

TTrgData* TTrgData::MasterCopy() const {
  TCustomObjs* Master = Owner ? Owner->GetObjsMaster() : nullptr;
  if (!Master) return nullptr;
  if (Master == Owner) return const_cast<TTrgData*>(this);
  if (auto* Ref = dynamic_cast<TTrgData*>(GetRefObj()); Ref && Ref->Owner == Master) return Ref;
  // Keys carry the schema (or the table) where the dialect needs it; the lookup uses the key.
  return dynamic_cast<TTrgData*>(Master->Triggers.FindObj(ObjKeyDef()));
}

void TTrgData::AddAlterStatements(TDbOperation Operation) {
  TCustomSQLExec* Exec = GetSQLExec();
  if (!Exec) return;
  const std::string Alter = AlterDef();
  if (!Alter.empty()) {
    Exec->Add(Alter, stTrigger, GetObjName(), dboTrigger, Operation);
    return;
  }
  Exec->Add(DropDef(), stStatement, GetObjName(), dboTrigger, odbDrop);
  Exec->Add(Def(), stTrigger, GetObjName(), dboTrigger, Operation);
}

void TTrgData::AssignEmptyBody() {
  if (!GetObjCreated() || Extra().Body == EmptyBody() || IsBeingDropped()) return;
  for (const auto& D : UseOf) D->Active = false;  // the empty body uses nothing
  if (TTrgData* M = MasterCopy(); M && M != this) M->SetRestoreBody(true);
  if (GetBodyStyle() == tbDrop) {
    DropDependDef();  // the alter pass creates it again
    return;
  }
  ReplaceBody(EmptyBody());
  AddAlterStatements(odbAlter);
}

void TTrgData::CreateEmpty() {
  if (GetObjCreated()) return;
  if (GetBodyStyle() == tbDrop) {
    CreateDependDef();
    return;
  }
  const std::string Empty = EmptyDef();
  if (TCustomSQLExec* Exec = GetSQLExec())
    Exec->Add(Empty, stTrigger, GetObjName(), dboTrigger, odbEmptyCreate);
  SetRestoreBody(true);
  SetObjCreated(true);
  // Created with the empty body: the alter pass finds the difference and writes the real one.
  const std::string Real = Extra().Body;
  SetExtra(&TObjExtra::Body, EmptyBody());
  KeepCreatedBody();
  SetExtra(&TObjExtra::Body, Real);
  if (TDbObj* Ref = GetRefObj()) Ref->SetExtra(&TObjExtra::CurrentDef, Empty);
}

void TTrgData::SetRestoreBody(bool Value) {
  RestoreBody = Value;
  if (auto* Ref = dynamic_cast<TTrgData*>(GetRefObj())) Ref->RestoreBody = Value;
}

void TTrgData::KeepCreatedBody() {
  if (!FSavedBodyKept) {
    FSavedBodyAsRead = SavedBody;
    FSavedBodyKept = true;
  }
  SavedBody = Extra().Body;
}

void TTrgData::ResetGeneration() {
  TDbObj::ResetGeneration();
  RestoreBody = false;
  if (FSavedBodyKept) {
    SavedBody = FSavedBodyAsRead;
    FSavedBodyAsRead.clear();
    FSavedBodyKept = false;
  }
}

void TTrgData::DoBeforeDrop() {
  // Another trigger of the same view that still uses its body stops using it first. A
  // dialect that drops instead of emptying leaves its siblings alone.
  TCustomObjs* Target = Owner ? Owner->GetObjsTarget() : nullptr;
  if (Target && GetBodyStyle() != tbDrop) {
    auto* V = dynamic_cast<TViwData*>(OwnerObj);
    if (!V || V->Owner != Target) V = dynamic_cast<TViwData*>(Target->Views.FindObj(OwnName));
    if (V)
      for (int I = 0; I < V->UseIn.Count(); ++I) {
        TDependObj* D = V->UseIn[I];
        auto* Other = dynamic_cast<TTrgData*>(D->DepObj);
        if (!D->Active || !Other || Other == this || Other->GetObjName() == GetObjName() ||
            !Other->GetObjCreated() || Other->Extra().Body == Other->EmptyBody())
          continue;
        Other->AssignEmptyBody();
        D->Active = false;
      }
  }
  TDbObj::DoBeforeDrop();
}

// ---------------------------------------------------------------------------------------------
// Passes

void GenScriptDropTrgEmpty(TCustomObjs& /*Master*/, TCustomObjs& Target, TCustomSQLExec& Exec,
                           const TCmpObjSetType& /*CompareObjects*/) {
  for (int I = 0; I < Target.Triggers.Count(); ++I) {
    auto* T = dynamic_cast<TTrgData*>(Target.Triggers.Objects(I));
    if (!T || T->SkipDef || T->GetRefObj() || !dynamic_cast<TViwData*>(T->OwnerObj)) continue;
    // Only a trigger that can stand empty is emptied; the others are dropped by the drop pass.
    if (!T->GetObjCreated() || T->GetBodyStyle() != tbAlter) continue;
    if (Trim(T->Extra().Body) == Trim(T->EmptyBody())) continue;
    T->ReplaceBody(T->EmptyBody());
    Exec.AddComment(T->GenComment("Empty trigger body before drop..."));
    T->AddAlterStatements(odbEmptyDrop);
  }
}

void GenScriptTrigDrop(TCustomObjs& /*Master*/, TCustomObjs& Target, TCustomSQLExec& Exec,
                       const TCmpObjSetType& /*CompareObjects*/) {
  bool Any = false;
  for (int I = 0; I < Target.Triggers.Count(); ++I) {
    TDbObj* T = Target.Triggers.Objects(I);
    if (!T || T->SkipDef || T->GetRefObj() || !T->GetObjCreated()) continue;
    if (!Any) Exec.AddComment(T->GenComment("Drop Trigger..."));
    Any = true;
    T->DropDependDef();
  }
  if (Any) Exec.AddComment("\r\n");
}

void GenScriptTrigCreate(TCustomObjs& Master, TCustomObjs& /*Target*/, TCustomSQLExec& Exec,
                         const TCmpObjSetType& CompareObjects) {
  const bool Descr = CompareObjects.Contains(coDescription);
  bool Any = false;
  for (int I = 0; I < Master.Triggers.Count(); ++I) {
    TDbObj* T = Master.Triggers.Objects(I);
    if (!T || T->SkipDef || T->GetRefObj() || T->GetObjCreated()) continue;
    if (!Any) Exec.AddComment(T->GenComment("Create trigger..."));
    Any = true;
    T->CreateDependDef();
    if (!Descr || T->Extra().Description.empty()) continue;
    switch (T->GetDatabaseType()) {
      case dbSybaseASA:
        Exec.Add("COMMENT ON TRIGGER " + T->GetObjName() + " IS " +
                     ScriptQuotedStr(T->Extra().Description, dbSybaseASA),
                 stStatement, T->GetObjName(), dboTrigger, odbDescription);
        break;
      case dbInterBase:
      case dbPostgreSQL:
      case dbMSSQL:  // an extended property, which the server keeps with the trigger
        Exec.AddDescription(T);
        break;
      default:
        break;
    }
  }
  if (Any) Exec.AddComment("\r\n");
}

void GenScriptTrigAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  const bool Descr = Master.CompareObjects.Contains(coDescription);
  const TIBSQLServerVersionType Version = Target.IBServerOptions.SQLServerVersion;
  const bool IBAlter = Target.GetDatabaseType() == dbInterBase && Version != st_InterBase_4x &&
                       Version != st_InterBase_5x;
  for (int I = 0; I < Master.Triggers.Count(); ++I) {
    auto* T = dynamic_cast<TTrgData*>(Master.Triggers.Objects(I));
    if (!T || T->SkipDef) continue;
    auto* P = dynamic_cast<TTrgData*>(T->GetRefObj());

    bool Changed = false;
    if (P && P->CompareDef() != T->CompareDef()) {
      Changed = true;
      Exec.AddComment(T->GenComment("Alter exist trigger..."));
    } else if (P && (T->RestoreBody || !P->GetObjCreated())) {
      // An emptied body to write back, or a trigger the script dropped on the way.
      Changed = true;
    } else if (!P && T->GetObjCreated() && T->SavedBody != T->Extra().Body) {
      Changed = true;
      Exec.AddComment(T->GenComment("Alter created trigger..."));
    }
    if (!Changed) {
      if (Descr && P && P->Extra().Description != T->Extra().Description) Exec.AddDescription(T);
      continue;
    }

    if (P && P->HeaderKey() != T->HeaderKey()) {
      // A changed header (table, timing, events, position): a new trigger.
      P->DropDependDef();
      T->CreateDependDef();
    } else if (IBAlter) {
      if (!T->GetObjCreated()) {
        T->CreateDependDef();
      } else {
        if (!(P && P->Extra().Body == T->Extra().Body && !T->RestoreBody)) {
          T->DoBeforeCreate();
          Exec.Add(T->AlterDef(), stTrigger, T->GetObjName(), dboTrigger, odbAlter);
          T->DoAfterCreate();
          // The target's old body is gone: what it used (a generator the script drops later)
          // no longer needs it emptied.
          if (P)
            for (const auto& D : P->UseOf) {
              D->Active = false;
              if (D->DepObj)
                for (int J = 0; J < D->DepObj->UseIn.Count(); ++J)
                  if (TDependObj* Back = D->DepObj->UseIn[J]; Back->DepObj == P)
                    Back->Active = false;
            }
        }
        if (P && P->Active != T->Active)
          Exec.Add("ALTER TRIGGER " + T->QuoteIdent(T->GetObjName()) +
                       (T->Active ? " ACTIVE" : " INACTIVE"),
                   stStatement, T->GetObjName(), dboTrigger, odbAlter);
      }
    } else {
      if (P) P->DropDependDef();
      T->DoBeforeCreate();
      if (!T->GetObjCreated()) {
        Exec.Add(T->Def(), stTrigger, T->GetObjName(), dboTrigger, odbCreate);
        T->DoAfterCreate();
      } else {
        T->AddAlterStatements(odbCreate);
      }
    }
    T->SetRestoreBody(false);
    if (P) P->SetExtra(&TObjExtra::CurrentDef, T->Def());
    if (Descr && !T->Extra().Description.empty()) Exec.AddDescription(T);
  }
}

}  // namespace qel
