// The InterBase/Firebird script extractor: reads a schema from isql scripts ("SET TERM" blocks
// included) into a schema holder through the InterBase parser.
#pragma once

#include <memory>

#include "qelCustomScriptExtract.h"

namespace qel {

/// Everything but the dialect, the parser and the preparation of the collection is the script
/// extractor base's.
class TIBScriptExtract : public TCustomScriptExtract {
 public:
  /// DatabaseType is dbInterBase.
  explicit TIBScriptExtract(TComponent* AOwner);

 protected:
  /// A TIbParser over the holder's collection.
  std::unique_ptr<TCustomParser> CreateParser() override;
  /// The collection is of dbInterBase, SQL dialect 3 and the newest server the library knows
  /// (Firebird 3), unless the caller set another version: a script names no server.
  void DoBeforeScriptsExtract() override;
};

}  // namespace qel
