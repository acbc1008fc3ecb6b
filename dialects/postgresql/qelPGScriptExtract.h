// The PostgreSQL script extractor: reads a schema from PostgreSQL DDL scripts into a schema
// holder through the PostgreSQL parser.
#pragma once

#include "qelCustomScriptExtract.h"
#include "qelPGSQLParser.h"

namespace qel {

/// Loads the scripts of ScriptFileName (or the text handed to ExtractDatabase) into the holder's
/// collection through a TPGSQLParser and links the dependencies of the whole schema once at the
/// end. Everything but the dialect and the parser is the script extractor base's.
class TPGScriptExtract : public TScriptExtractFor<TPGSQLParser, dbPostgreSQL> {
 public:
  using TScriptExtractFor::TScriptExtractFor;
};

}  // namespace qel
