// SQL Server and Sybase ASE default objects.
#pragma once

#include "qelClasses.h"

namespace qel {

/// A stand-alone default (CREATE DEFAULT name AS value).
class TDefData : public TDbObj {
 public:
  explicit TDefData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 118; }
};

}  // namespace qel
