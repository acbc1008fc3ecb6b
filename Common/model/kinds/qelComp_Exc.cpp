// Exceptions and events: texts and passes.
#include "qelComp_Exc.h"

#include <array>

#include "Text.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// Exceptions

std::string TExcData::Def() const {
  return "CREATE EXCEPTION " + QuoteIdent(GetObjName()) + " " + QuotedStr(Message);
}

std::string TExcData::AlterDef() const {
  return "ALTER EXCEPTION " + QuoteIdent(GetObjName()) + " " + QuotedStr(Message);
}

// ---------------------------------------------------------------------------------------------
// Events

namespace {

constexpr std::array<const char*, 7> WeekDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                 "Thursday", "Friday", "Saturday"};

}  // namespace

void TEvtSdlData::AddDayOfMonth(int Day) {
  if (Day == 0)
    DaysOfMonth |= 1u << 31;
  else if (Day >= 1 && Day <= 31)
    DaysOfMonth |= 1u << (Day - 1);
}

bool TEvtSdlData::AddDayOfWeek(const std::string& Day) {
  for (std::size_t I = 0; I < WeekDays.size(); ++I) {
    const std::string Name = WeekDays[I];
    if (SameText(Day, Name) || SameText(Day, Name.substr(0, 3))) {
      DaysOfWeek |= 1 << I;
      return true;
    }
  }
  return false;
}

std::string TEvtSdlData::Def() const {
  std::string R = "SCHEDULE";
  if (!SdlName.empty()) R += " " + (Event ? Event->QuoteIdent(SdlName) : SdlName);
  if (!StartTime.empty() && !EndTime.empty())
    R += " BETWEEN " + QuotedStr(StartTime) + " AND " + QuotedStr(EndTime);
  else if (!StartTime.empty())
    R += " START TIME " + QuotedStr(StartTime);
  if (EveryHours != 0)
    R += " EVERY " + std::to_string(EveryHours) + " HOURS";
  else if (EveryMinutes != 0)
    R += " EVERY " + std::to_string(EveryMinutes) + " MINUTES";
  else if (EverySeconds != 0)
    R += " EVERY " + std::to_string(EverySeconds) + " SECONDS";
  std::string Days;
  auto Day = [&Days](const std::string& Text) { Days += (Days.empty() ? "" : ", ") + Text; };
  if (DaysOfMonth != 0) {
    if (DaysOfMonth & (1u << 31)) Day("0");
    for (int D = 1; D <= 31; ++D)
      if (DaysOfMonth & (1u << (D - 1))) Day(std::to_string(D));
  } else {
    // A schedule on days of the week runs on those days only; leaving them out would run it
    // every day.
    for (std::size_t I = 0; I < WeekDays.size(); ++I)
      if (DaysOfWeek & (1 << I)) Day(QuotedStr(WeekDays[I]));
  }
  if (!Days.empty()) R += " ON(" + Days + ")";
  if (!StartDate.empty()) R += " START DATE " + QuotedStr(StartDate);
  return R;
}

TEvtData::TEvtData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = kindEvent;
}

TEvtData::~TEvtData() = default;

TEvtSdlData* TEvtData::AddSchedule(const std::string& Name) {
  Schedules.push_back(std::make_unique<TEvtSdlData>(this));
  Schedules.back()->SdlName = Name;
  return Schedules.back().get();
}

std::string TEvtData::Def() const {
  std::string R = "CREATE EVENT " + QuoteIdent(GetObjName());
  if (!EventType.empty()) R += "\r\n TYPE " + EventType;
  if (!Condition.empty()) R += "\r\n WHERE " + Condition;
  for (std::size_t I = 0; I < Schedules.size(); ++I)
    R += (I == 0 ? "\r\n " : ",\r\n ") + Schedules[I]->Def();
  R += Enabled ? "\r\n ENABLE" : "\r\n DISABLE";
  if (!Location.empty()) R += " AT " + Location;
  if (!Extra().Body.empty()) R += "\r\nHANDLER\r\n" + Extra().Body;
  return R;
}

std::string TEvtData::DropDef() const {
  return "DROP EVENT " + QuoteIdent(GetObjName());
}

// ---------------------------------------------------------------------------------------------
// Exception passes

namespace {

/// Writes the section comment before the first statement of a pass and the closing line after
/// the last.
class TSection {
 public:
  TSection(TCustomSQLExec& Exec, const char* Text) : FExec(Exec), FText(Text) {}
  TSection(const TSection&) = delete;
  TSection& operator=(const TSection&) = delete;
  ~TSection() {
    if (FWritten) FExec.AddComment("\r\n");
  }
  /// Writes the heading once (in Obj's comment form).
  void Head(const TDbObj& Obj) {
    if (!FHeaded) FExec.AddComment(Obj.GenComment(FText));
    FHeaded = FWritten = true;
  }
  /// Something was written without a heading of its own (a description).
  void Mark() { FWritten = true; }

 private:
  TCustomSQLExec& FExec;
  const char* FText;
  bool FHeaded = false;
  bool FWritten = false;
};

template <class T, class F>
void ForEach(const TDbObjList& List, F Fn) {
  for (int I = 0; I < List.Count(); ++I)
    if (auto* O = dynamic_cast<T*>(List.Objects(I))) Fn(O, List.Keys(I));
}

}  // namespace

void GenScriptExptCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                         const TCmpObjSetType& CompareObjects) {
  TSection Section(Exec, "Create Exception...");
  ForEach<TExcData>(Master.Exceptions, [&](TExcData* E, const std::string& Key) {
    if (E->SkipDef || Target.Exceptions.IndexOf(Key) >= 0) return;
    Section.Head(*E);
    Exec.Add(E->Def(), stStatement, E->GetObjName(), dboException, odbCreate);
    E->SetObjCreated(true);
    if (CompareObjects.Contains(coDescription) && !E->Extra().Description.empty())
      Exec.AddDescription(E);
  });
}

void GenScriptExptAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                        const TCmpObjSetType& CompareObjects) {
  TSection Section(Exec, "Alter Exception...");
  ForEach<TExcData>(Master.Exceptions, [&](TExcData* M, const std::string& Key) {
    auto* T = dynamic_cast<TExcData*>(Target.Exceptions.FindObj(Key));
    if (!T || M->SkipDef || T->SkipDef) return;
    if (M->Def() != T->Def()) {
      Section.Head(*M);
      Exec.Add(M->AlterDef(), stStatement, M->GetObjName(), dboException, odbAlter);
    }
    if (CompareObjects.Contains(coDescription) &&
        M->Extra().Description != T->Extra().Description) {
      Section.Mark();
      Exec.AddDescription(M, T);
    }
  });
}

void GenScriptExptDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                       const TCmpObjSetType& CompareObjects) {
  (void)CompareObjects;
  TSection Section(Exec, "Drop Exception...");
  ForEach<TExcData>(Target.Exceptions, [&](TExcData* E, const std::string& Key) {
    if (E->SkipDef || Master.Exceptions.IndexOf(Key) >= 0 || !E->GetObjCreated()) return;
    Section.Head(*E);
    E->DropDependDef();
  });
}

// ---------------------------------------------------------------------------------------------
// Event passes

void GenScriptEvtCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  const bool Descriptions = Master.CompareObjects.Contains(coDescription);
  TSection Section(Exec, "Create event...");
  ForEach<TEvtData>(Master.Events, [&](TEvtData* E, const std::string&) {
    if (E->SkipDef || E->GetObjCreated()) return;
    Section.Head(*E);
    E->CreateDependDef();
    if (Descriptions && !E->Extra().Description.empty()) Exec.AddDescription(E);
  });
}

void GenScriptEvtAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  const bool Descriptions = Master.CompareObjects.Contains(coDescription);
  TSection Section(Exec, "Alter event...");
  ForEach<TEvtData>(Master.Events, [&](TEvtData* M, const std::string&) {
    auto* T = dynamic_cast<TEvtData*>(M->GetRefObj());
    if (!T || M->SkipDef || T->SkipDef) return;
    if (M->Def() != T->Def()) {
      Section.Head(*M);
      T->DropDependDef();
      M->CreateDependDef();
    }
    if (Descriptions && M->Extra().Description != T->Extra().Description) {
      Section.Mark();
      Exec.AddDescription(M, T);
    }
  });
}

void GenScriptEvtDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Master;
  TSection Section(Exec, "Drop event...");
  ForEach<TEvtData>(Target.Events, [&](TEvtData* E, const std::string&) {
    if (E->SkipDef || E->GetRefObj() || !E->GetObjCreated()) return;
    Section.Head(*E);
    E->DropDependDef();
  });
}

}  // namespace qel
