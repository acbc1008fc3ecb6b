// The Oracle script extractor: reads a schema from Oracle DDL scripts (SQL*Plus style) into a
// schema holder through the Oracle parser.
#pragma once

#include "qelCustomScriptExtract.h"
#include "qelOracleParser.h"

namespace qel {

/// Loads the scripts of ScriptFileName (or the text handed to ExtractDatabase) into the holder's
/// collection through a TOracleParser and links the dependencies of the whole schema once at the
/// end. Everything but the dialect and the parser is the script extractor base's.
class TOracleScriptExtract : public TScriptExtractFor<TOracleParser, dbOracle> {
 public:
  using TScriptExtractFor::TScriptExtractFor;
};

}  // namespace qel
