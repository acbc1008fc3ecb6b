// The PostgreSQL script extractor: reads a schema from PostgreSQL DDL scripts into a schema
// holder through the PostgreSQL parser.
#pragma once

#include <memory>

#include "qelCustomScriptExtract.h"

namespace qel {

/// Loads the scripts of ScriptFileName (or the text handed to ExtractDatabase) into the holder's
/// collection and links the dependencies of the whole schema once at the end. Everything but
/// the dialect and the parser is the script extractor base's.
class TPGScriptExtract : public TCustomScriptExtract {
 public:
  /// DatabaseType is dbPostgreSQL.
  explicit TPGScriptExtract(TComponent* AOwner);

 protected:
  /// A TPGSQLParser over the holder's collection.
  std::unique_ptr<TCustomParser> CreateParser() override;
};

}  // namespace qel
