// The Sybase ASE script extractor: reads a schema from Sybase ASE DDL scripts into a schema holder
// through the Sybase ASE parser.
#pragma once

#include <memory>

#include "qelCustomScriptExtract.h"

namespace qel {

/// Loads the scripts of ScriptFileName (or the text handed to ExtractDatabase) into the holder's
/// collection and links the dependencies of the whole schema once at the end. Everything but
/// the dialect and the parser is the script extractor base's.
class TASEScriptExtract : public TCustomScriptExtract {
 public:
  /// DatabaseType is dbSybaseASE.
  explicit TASEScriptExtract(TComponent* AOwner);

 protected:
  /// A TASEParser over the holder's collection.
  std::unique_ptr<TCustomParser> CreateParser() override;
};

}  // namespace qel
