// The MySQL script extractor: reads MySQL DDL scripts through the MySQL parser.
#include "qelMySQLScriptExtract.h"

#include "qelMySQLParser.h"

namespace qel {

TMySQLScriptExtract::TMySQLScriptExtract(TComponent* AOwner) : TCustomScriptExtract(AOwner) {
  DatabaseType = dbMySQL;
}

std::unique_ptr<TCustomParser> TMySQLScriptExtract::CreateParser() {
  TCustomDBStructure* Holder = GetDBStructure();
  if (!Holder || !Holder->GetObjs()) return nullptr;
  return std::make_unique<TMySQLParser>(Holder->GetObjs());
}

}  // namespace qel
