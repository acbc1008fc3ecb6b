// The Sybase ASE script extractor: reads a schema from Sybase ASE DDL scripts into a schema holder
// through the Sybase ASE parser.
#pragma once

#include "qelASEParser.h"
#include "qelCustomScriptExtract.h"

namespace qel {

/// Loads the scripts of ScriptFileName (or the text handed to ExtractDatabase) into the holder's
/// collection through a TASEParser and links the dependencies of the whole schema once at the end.
/// Everything but the dialect and the parser is the script extractor base's.
class TASEScriptExtract : public TScriptExtractFor<TASEParser, dbSybaseASE> {
 public:
  using TScriptExtractFor::TScriptExtractFor;
};

}  // namespace qel
