// The Oracle script extractor: reads a schema from Oracle DDL scripts (SQL*Plus style) into a
// schema holder through the Oracle parser.
#pragma once

#include <memory>

#include "qelCustomScriptExtract.h"

namespace qel {

/// Loads the scripts of ScriptFileName (or the text handed to ExtractDatabase) into the holder's
/// collection and links the dependencies of the whole schema once at the end. Everything but
/// the dialect and the parser is the script extractor base's.
class TOracleScriptExtract : public TCustomScriptExtract {
 public:
  /// DatabaseType is dbOracle.
  explicit TOracleScriptExtract(TComponent* AOwner);

 protected:
  /// A TOracleParser over the holder's collection.
  std::unique_ptr<TCustomParser> CreateParser() override;
};

}  // namespace qel
