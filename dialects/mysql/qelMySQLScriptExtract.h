// The MySQL script extractor: reads a schema from MySQL DDL scripts into a schema
// holder through the MySQL parser.
#pragma once

#include "qelCustomScriptExtract.h"
#include "qelMySQLParser.h"

namespace qel {

/// Loads the scripts of ScriptFileName (or the text handed to ExtractDatabase) into the holder's
/// collection through a TMySQLParser and links the dependencies of the whole schema once at the
/// end. Everything but the dialect and the parser is the script extractor base's.
class TMySQLScriptExtract : public TScriptExtractFor<TMySQLParser, dbMySQL> {
 public:
  using TScriptExtractFor::TScriptExtractFor;
};

}  // namespace qel
