// InterBase and Firebird dialect: the rule that tells which identifiers must be double-quoted in
// SQL dialect 3. Light on purpose: included without the parser; the dialect's registration hands
// the quoting to the core.
#pragma once

#include <string>

#include "qelDBOptions.h"

namespace qel {

/// True when S must be written in double quotes under SQL dialect 3: S is not empty and starts
/// with a character other than "A".."Z", holds a character other than "A".."Z", "0".."9", "$"
/// and "_", or is a reserved word (in any case). The reserved words are those of Firebird 3.0,
/// the newest server the library knows; they serve every ServerVersion, since quoting an
/// upper-case name an older server would have taken bare changes nothing. An empty S gives
/// false.
bool IdentDialect3(const std::string& S, TIBSQLServerVersionType ServerVersion);

}  // namespace qel
