// The SQL Server script extractor: reads SQL Server DDL scripts through the SQL Server parser.
#include "qelMSSQLScriptExtract.h"

#include "qelMSSQLParser.h"

namespace qel {

TMSSQLScriptExtract::TMSSQLScriptExtract(TComponent* AOwner) : TCustomScriptExtract(AOwner) {
  DatabaseType = dbMSSQL;
}

std::unique_ptr<TCustomParser> TMSSQLScriptExtract::CreateParser() {
  TCustomDBStructure* Holder = GetDBStructure();
  if (!Holder || !Holder->GetObjs()) return nullptr;
  return std::make_unique<TMSSQLParser>(Holder->GetObjs());
}

}  // namespace qel
