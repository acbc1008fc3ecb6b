// The DB2 script extractor: reads DB2 DDL scripts through the DB2 parser.
#include "qelDB2ScriptExtract.h"

#include "qelDB2Parser.h"

namespace qel {

TDB2ScriptExtract::TDB2ScriptExtract(TComponent* AOwner) : TCustomScriptExtract(AOwner) {
  DatabaseType = dbDB2;
}

std::unique_ptr<TCustomParser> TDB2ScriptExtract::CreateParser() {
  TCustomDBStructure* Holder = GetDBStructure();
  if (!Holder || !Holder->GetObjs()) return nullptr;
  return std::make_unique<TDB2Parser>(Holder->GetObjs());
}

}  // namespace qel
