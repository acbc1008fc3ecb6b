// Exceptions and events.
#pragma once

#include "qelClasses.h"

namespace qel {

/// An InterBase/Firebird exception.
class TExcData : public TDbObj {
 public:
  explicit TExcData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 108; }
};

/// A SQL Anywhere scheduled or system event.
class TEvtData : public TDbObj {
 public:
  explicit TEvtData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 128; }
};

}  // namespace qel
