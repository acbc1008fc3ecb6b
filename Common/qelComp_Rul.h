// SQL Server and Sybase ASE rule objects.
#pragma once

#include "qelClasses.h"

namespace qel {

/// A stand-alone rule (CREATE RULE name AS condition).
class TRulData : public TDbObj {
 public:
  explicit TRulData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 117; }
};

}  // namespace qel
