// The SQL Anywhere script extractor: reads a schema from SQL Anywhere DDL scripts into a schema
// holder through the SQL Anywhere parser.
#pragma once

#include "qelASAParser.h"
#include "qelCustomScriptExtract.h"

namespace qel {

/// Loads the scripts of ScriptFileName (or the text handed to ExtractDatabase) into the holder's
/// collection through a TASAParser and links the dependencies of the whole schema once at the end.
/// Everything but the dialect and the parser is the script extractor base's.
class TASAScriptExtract : public TScriptExtractFor<TASAParser, dbSybaseASA> {
 public:
  using TScriptExtractFor::TScriptExtractFor;
};

}  // namespace qel
