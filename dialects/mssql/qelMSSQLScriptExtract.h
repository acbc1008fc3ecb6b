// The SQL Server script extractor: reads a schema from SQL Server DDL scripts into a schema holder
// through the SQL Server parser.
#pragma once

#include <memory>

#include "qelCustomScriptExtract.h"

namespace qel {

/// Loads the scripts of ScriptFileName (or the text handed to ExtractDatabase) into the holder's
/// collection and links the dependencies of the whole schema once at the end. Everything but
/// the dialect and the parser is the script extractor base's.
class TMSSQLScriptExtract : public TCustomScriptExtract {
 public:
  /// DatabaseType is dbMSSQL.
  explicit TMSSQLScriptExtract(TComponent* AOwner);

 protected:
  /// A TMSSQLParser over the holder's collection.
  std::unique_ptr<TCustomParser> CreateParser() override;
};

}  // namespace qel
