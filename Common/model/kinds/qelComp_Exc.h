// Exceptions and events: the InterBase/Firebird exception (a named error message raised from
// routine and trigger bodies) and the SQL Anywhere scheduled or system event with its
// schedules, each with its passes of the update script.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qelClasses.h"

namespace qel {

/// An InterBase/Firebird exception. It is altered in place when its message changes.
class TExcData : public TDbObj {
 public:
  explicit TExcData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = kindException; }

  /// The message, as the server keeps it (without quotes).
  std::string Message;

  /// "CREATE EXCEPTION " + name + the quoted message.
  std::string Def() const override;
  /// "ALTER EXCEPTION " + name + the quoted message.
  std::string AlterDef() const override;
};

class TEvtData;

/// One SCHEDULE clause of an event.
///
/// Every reader converts into this one form, so that an event read from a catalog and the
/// same event read from a script compare equal: times and dates are the texts written in the
/// clause ("08:00:00", "2024/01/31"); the interval is one of the three counts (0 = none);
/// days are bit masks.
class TEvtSdlData : public TObject {
 public:
  explicit TEvtSdlData(TEvtData* aEvent) : Event(aEvent) {}

  /// The owning event; not owned.
  TEvtData* Event = nullptr;
  /// Schedule name; may be empty.
  std::string SdlName;
  std::string StartTime;
  std::string EndTime;
  std::string StartDate;
  /// EVERY n HOURS / MINUTES / SECONDS; the first non-zero one is written.
  std::int32_t EveryHours = 0;
  std::int32_t EveryMinutes = 0;
  std::int32_t EverySeconds = 0;
  /// Days of the week: bit 0 Sunday ... bit 6 Saturday (the catalog's mask).
  std::int32_t DaysOfWeek = 0;
  /// Days of the month: bit d-1 for day d (1 to 31), bit 31 for day 0, the month's last day
  /// (the catalog's mask).
  std::uint32_t DaysOfMonth = 0;

  /// Adds a day of the month (0 to 31; 0 is the last day); other numbers are ignored.
  void AddDayOfMonth(int Day);
  /// Adds a day of the week by its English name ("Monday", case ignored, or its first three
  /// letters); false for any other text.
  bool AddDayOfWeek(const std::string& Day);

  /// The SCHEDULE clause.
  std::string Def() const;
};

/// A SQL Anywhere scheduled or system event. A changed event is dropped and created again.
class TEvtData : public TDbObj {
 public:
  explicit TEvtData(TCustomObjs* aOwner);
  ~TEvtData() override;

  /// SCHEDULE clauses in order; owned.
  std::vector<std::unique_ptr<TEvtSdlData>> Schedules;
  /// System event type (TYPE clause).
  std::string EventType;
  /// WHERE clause text.
  std::string Condition;
  bool Enabled = true;
  /// AT clause: CONSOLIDATED, REMOTE or ALL.
  std::string Location;
  // Body (base): the handler.

  /// Appends a schedule; returns it.
  TEvtSdlData* AddSchedule(const std::string& Name = "");

  std::string Def() const override;
  std::string DropDef() const override;
};

// ---------------------------------------------------------------------------------------------
// Exception passes. Exceptions are matched by their list key in the other collection, not by
// counterpart links; CompareObjects is the comparer's set.

void GenScriptExptCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                         const TCmpObjSetType& CompareObjects);
void GenScriptExptAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                        const TCmpObjSetType& CompareObjects);
void GenScriptExptDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                       const TCmpObjSetType& CompareObjects);
// Event passes; they run whatever the compare set holds.

void GenScriptEvtCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptEvtAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptEvtDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

}  // namespace qel
