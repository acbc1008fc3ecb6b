// The SQL Anywhere script extractor: reads SQL Anywhere DDL scripts through the SQL Anywhere
// parser.
#include "qelASAScriptExtract.h"

#include "qelASAParser.h"

namespace qel {

TASAScriptExtract::TASAScriptExtract(TComponent* AOwner) : TCustomScriptExtract(AOwner) {
  DatabaseType = dbSybaseASA;
}

std::unique_ptr<TCustomParser> TASAScriptExtract::CreateParser() {
  TCustomDBStructure* Holder = GetDBStructure();
  if (!Holder || !Holder->GetObjs()) return nullptr;
  return std::make_unique<TASAParser>(Holder->GetObjs());
}

}  // namespace qel
