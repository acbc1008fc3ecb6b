// Triggers: headers and definitions, the empty body and the trigger's key.
#include "qelComp_Trg.h"

#include "Text.h"

namespace qel {

TTrgData::TTrgData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = 106;
  Columns.SetCaseSensitive(true);
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
        Key = SchObjName(Creator.empty() ? GetSchema() : Creator, Name);
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

std::string TTrgData::Ib_HeaderDef() const {
  std::string R = "CREATE TRIGGER " + QuoteIdent(GetObjName());
  R += OwnName == "DATABASE" ? std::string("\r\n") : " FOR " + QuoteIdent(OwnName) + "\r\n";
  R += Active ? "ACTIVE " : "INACTIVE ";
  R += TrgTypStr();
  return R + " POSITION " + std::to_string(Position) + " " + "\r\n";
}

namespace {

/// "INSERT OR UPDATE OR DELETE" of the events that are set.
std::string EventList(const TInsUpdDelSet& Events, const char* Separator) {
  std::string R;
  for (auto [Event, Word] : {std::pair{iudInsert, "INSERT"}, std::pair{iudUpdate, "UPDATE"},
                             std::pair{iudDelete, "DELETE"}})
    if (Events.Contains(Event)) R += (R.empty() ? "" : Separator) + std::string(Word);
  return R;
}

}  // namespace

std::string TTrgData::PGHeaderDef() const {
  std::string R = "CREATE TRIGGER " + QuoteIdent(GetObjName()) + "\r\n";
  R += Timing == baBefore ? "  BEFORE" : "  AFTER";
  R += ' ';
  R += EventList(Events, " OR ");
  R += "\r\n  ON ";
  if (!GetSchema().empty()) R += QuoteIdent(GetSchema()) + ".";
  R += QuoteIdent(OwnName) + "\r\n";
  if (ForEachRow) R += "  FOR EACH ROW\r\n";
  if (ForEachStatement) R += "  FOR EACH STATEMENT\r\n";
  return R;
}

std::string TTrgData::MSSQLHeaderDef(bool IsAlter) const {
  std::string R = IsAlter ? "ALTER " : "CREATE ";
  R += "TRIGGER ";
  std::string EventsText;
  if (OwnName == "DATABASE" || OwnName == "ALL SERVER") {
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
  return R + EventsText + "\r\n" + " AS" + "\r\n";
}

std::string TTrgData::Ib_Def(const std::string& aBody) const {
  return Ib_HeaderDef() + aBody;
}

std::string TTrgData::PGDef(const std::string& aBody) const {
  return PGHeaderDef() + aBody;
}

std::string TTrgData::MSSQLDef(const std::string& aBody) const {
  return aBody.empty() ? SourceDefinition : MSSQLHeaderDef(false) + aBody;
}

std::string TTrgData::DefWithBody(const std::string& aBody) const {
  switch (GetDatabaseType()) {
    case dbMSSQL:
    case dbSybaseASE:
      return MSSQLDef(aBody);
    case dbPostgreSQL:
      return PGDef(aBody);
    default:
      return Ib_Def(aBody);
  }
}

std::string TTrgData::Def() const {
  return DefWithBody(Body);
}

std::string TTrgData::AlterDef() const {
  if (GetDatabaseType() == dbMSSQL) return MSSQLHeaderDef(true) + Body;
  return "ALTER TRIGGER " + QuoteIdent(GetObjName()) + "\r\n" + Body;
}

std::string TTrgData::DropDef() const {
  const std::string Name = QuoteIdent(GetObjName());
  switch (GetDatabaseType()) {
    case dbSybaseASA:
      return "DROP TRIGGER " + QuoteIdent(Creator) + "." + QuoteIdent(OwnName) + "." + Name;
    case dbPostgreSQL: {
      std::string R = "DROP TRIGGER " + Name + " ON ";
      if (!GetSchema().empty()) R += QuoteIdent(GetSchema()) + ".";
      return R + QuoteIdent(OwnName);
    }
    case dbMSSQL:
      if (OwnName == "DATABASE" || OwnName == "ALL SERVER")
        return "DROP TRIGGER " + Name + " ON " + OwnName;
      [[fallthrough]];
    case dbOracle:
      if (!GetSchema().empty()) return "DROP TRIGGER " + QuoteIdent(GetSchema()) + "." + Name;
      return "DROP TRIGGER " + Name;
    default:
      return "DROP TRIGGER " + Name;
  }
}

std::string TTrgData::ObjKeyDef() const {
  if (GetDatabaseType() == dbPostgreSQL && !OwnName.empty()) return GetObjName() + " ON " + OwnName;
  return TDbObj::ObjKeyDef();
}

std::string TTrgData::EmptyBody() const {
  if (GetDatabaseType() == dbMSSQL) return " declare @i integer;\r\nbegin set @i = 0; end";
  return " AS Declare variable I integer;\r\nBEGIN I = 0; END";
}

std::string TTrgData::EmptyDef() const {
  return DefWithBody(EmptyBody());
}

void TTrgData::AssignEmptyBody() {
  if (!GetObjCreated() || Body == EmptyBody()) return;
  ReplaceBody(EmptyBody());
  for (const auto& D : UseOf) D->Active = false;
  if (TCustomObjs* Master = Owner ? Owner->GetObjsMaster() : nullptr)
    if (auto* M = dynamic_cast<TTrgData*>(Master->Triggers.FindObj(ObjKeyDef())))
      M->SetRestoreBody(true);
  if (TCustomSQLExec* Exec = GetSQLExec())
    Exec->Add(AlterDef(), stTrigger, GetObjName(), dboTrigger, odbAlter);
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
  SavedBody = Body;
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

}  // namespace qel
