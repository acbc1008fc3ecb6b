// The PostgreSQL script extractor: reads PostgreSQL DDL scripts through the PostgreSQL parser.
#include "qelPGScriptExtract.h"

#include "qelPGSQLParser.h"

namespace qel {

TPGScriptExtract::TPGScriptExtract(TComponent* AOwner) : TCustomScriptExtract(AOwner) {
  DatabaseType = dbPostgreSQL;
}

std::unique_ptr<TCustomParser> TPGScriptExtract::CreateParser() {
  TCustomDBStructure* Holder = GetDBStructure();
  if (!Holder || !Holder->GetObjs()) return nullptr;
  return std::make_unique<TPGSQLParser>(Holder->GetObjs());
}

}  // namespace qel
