// External functions.
#pragma once

#include "qelClasses.h"

namespace qel {

/// An InterBase/Firebird external function.
class TUdfData : public TDbObj {
 public:
  explicit TUdfData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 109; }
};

}  // namespace qel
