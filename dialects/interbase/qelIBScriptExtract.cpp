// The InterBase/Firebird script extractor: reads isql scripts through the InterBase parser.
#include "qelIBScriptExtract.h"

#include "qelClasses.h"
#include "qelCompObj.h"

namespace qel {

void TIBScriptExtract::DoBeforeScriptsExtract() {
  auto* Objs = dynamic_cast<TObjs*>(HolderObjs());
  if (!Objs) return;
  if (Objs->GetDatabaseType() != dbInterBase) Objs->SetDatabaseType(dbInterBase);
}

}  // namespace qel
