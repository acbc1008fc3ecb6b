// Indexes.
#pragma once

#include <string>

#include "qelClasses.h"

namespace qel {

/// An index of a table.
class TIdxData : public TDbObj {
 public:
  explicit TIdxData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 104; }

  /// The indexed table.
  std::string TableName;
  bool Unique = false;
};

}  // namespace qel
