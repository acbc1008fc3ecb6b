// The DB2 script extractor: reads a schema from DB2 DDL scripts into a schema holder through
// the DB2 parser.
#pragma once

#include <memory>

#include "qelCustomScriptExtract.h"

namespace qel {

/// Loads the scripts of ScriptFileName (or the text handed to ExtractDatabase) into the holder's
/// collection and links the dependencies of the whole schema once at the end. Everything but
/// the dialect and the parser is the script extractor base's.
class TDB2ScriptExtract : public TCustomScriptExtract {
 public:
  /// DatabaseType is dbDB2.
  explicit TDB2ScriptExtract(TComponent* AOwner);

 protected:
  /// A TDB2Parser over the holder's collection.
  std::unique_ptr<TCustomParser> CreateParser() override;
};

}  // namespace qel
