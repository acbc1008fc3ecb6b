// The DB2 script extractor: reads a schema from DB2 DDL scripts into a schema holder through
// the DB2 parser.
#pragma once

#include "qelCustomScriptExtract.h"
#include "qelDB2Parser.h"

namespace qel {

/// Loads the scripts of ScriptFileName (or the text handed to ExtractDatabase) into the holder's
/// collection through a TDB2Parser and links the dependencies of the whole schema once at the end.
/// Everything but the dialect and the parser is the script extractor base's.
class TDB2ScriptExtract : public TScriptExtractFor<TDB2Parser, dbDB2> {
 public:
  using TScriptExtractFor::TScriptExtractFor;
};

}  // namespace qel
