// The MySQL script executor: MySQL parser for loading, connection opened before a run.
#include "qelMySQLExec.h"

namespace qel {

void TMySQLExec::LoadScript(TStrings& Lines) {
  // The statements the parser reads but does not carry are listed, not dropped silently.
  LoadScriptWithParser(Lines, [](TCustomSQLParser& Parser) {
    if (auto* My = dynamic_cast<TMySQLParser*>(&Parser)) My->ReportUncarried = true;
  });
}

}  // namespace qel
