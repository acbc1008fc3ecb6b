// The SQL Anywhere script executor: SQL Anywhere parser for loading, CREATE DATABASE run as a
// statement, connection opened before a run.
#include "qelASASQLExec.h"

#include <exception>

#include "qelASAParser.h"
#include "qelDBEngine.h"

namespace qel {

std::string TASASQLExec::ScriptLoadedText() const {
  return "Script loaded: " + std::to_string(GetStatementsCount()) + " statements";
}

}  // namespace qel
