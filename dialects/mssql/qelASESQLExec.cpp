// The Sybase ASE script executor.
#include "qelASESQLExec.h"

#include "qelMSSQLExec.h"

namespace qel {

void TASESQLExec::LoadScript(TStrings& Lines) {
  LoadTransactSQLScript(*this, Lines);
}

}  // namespace qel
