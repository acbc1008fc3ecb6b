// Oracle packages.
#pragma once

#include "qelClasses.h"

namespace qel {

/// An Oracle package: header and body as source text.
class TPkgData : public TDbObj {
 public:
  explicit TPkgData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 120; }
};

}  // namespace qel
