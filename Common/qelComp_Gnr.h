// Generators and sequences.
#pragma once

#include "qelClasses.h"

namespace qel {

/// An InterBase/Firebird generator or an Oracle sequence.
class TGnrData : public TDbObj {
 public:
  explicit TGnrData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 107; }
};

}  // namespace qel
