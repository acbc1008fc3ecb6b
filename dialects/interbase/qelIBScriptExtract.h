// The InterBase/Firebird script extractor: reads a schema from isql scripts ("SET TERM" blocks
// included) into a schema holder through the InterBase parser.
#pragma once

#include "qelCustomScriptExtract.h"
#include "qelIBParser.h"

namespace qel {

/// Everything but the dialect, the parser and the preparation of the collection is the script
/// extractor base's.
class TIBScriptExtract : public TScriptExtractFor<TIbParser, dbInterBase> {
 public:
  using TScriptExtractFor::TScriptExtractFor;

 protected:
  /// The collection is of dbInterBase, SQL dialect 3 and the newest server the library knows
  /// (Firebird 3), unless the caller set another version: a script names no server.
  void DoBeforeScriptsExtract() override;
};

}  // namespace qel
