// Sybase ASE dialect: the identifier quoting every ASE script writer goes through. Light on
// purpose: included without the parser; the dialect's registration hands the quoting to the core.
#pragma once

#include <string>

namespace qel {

/// S as it must be written in ASE script text: "[" + S + "]", with inner "]" doubled, when S
/// holds a character outside the regular identifier set (first "A".."Z", "a".."z", "_", "@",
/// "#"; then also "0".."9" and "$") or is, in any case, an ASE reserved word; otherwise S
/// unchanged, in its own case (ASE names are case-sensitive). Brackets delimit a name whatever
/// the session's quoted_identifier setting, where double quotes would need it on. An empty S
/// stays empty.
std::string ASEQuoteIdent(const std::string& S);

}  // namespace qel
