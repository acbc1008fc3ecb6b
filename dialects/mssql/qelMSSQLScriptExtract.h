// The SQL Server script extractor: reads a schema from SQL Server DDL scripts into a schema holder
// through the SQL Server parser.
#pragma once

#include "qelCustomScriptExtract.h"
#include "qelMSSQLParser.h"

namespace qel {

/// Loads the scripts of ScriptFileName (or the text handed to ExtractDatabase) into the holder's
/// collection through a TMSSQLParser and links the dependencies of the whole schema once at the
/// end. Everything but the dialect and the parser is the script extractor base's.
class TMSSQLScriptExtract : public TScriptExtractFor<TMSSQLParser, dbMSSQL> {
 public:
  using TScriptExtractFor::TScriptExtractFor;
};

}  // namespace qel
