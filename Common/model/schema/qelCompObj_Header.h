// Lines of a Sybase ASE script heading, shared by the schema-to-script writer and the comparer's
// update script.
#pragma once

#include <string>
#include <vector>

#include "qelDBOptions.h"

namespace qel {

/// The comment lines that describe a Sybase ASE database: its heading text, then its name,
/// size, owner, creation and options, each left out when empty.
std::vector<std::string> ASEDatabaseInfoLines(const TASEDatabaseOptions& Options,
                                              const std::string& DbName);
/// The statement that switches one database option of Sybase ASE on or off.
std::string ASEDBOptionDef(const std::string& DbName, TASEDBOption Option, bool On);

}  // namespace qel
