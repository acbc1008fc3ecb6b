// The Oracle script extractor: reads Oracle DDL scripts through the Oracle parser.
#include "qelOracleScriptExtract.h"

#include "qelOracleParser.h"

namespace qel {

TOracleScriptExtract::TOracleScriptExtract(TComponent* AOwner) : TCustomScriptExtract(AOwner) {
  DatabaseType = dbOracle;
}

std::unique_ptr<TCustomParser> TOracleScriptExtract::CreateParser() {
  TCustomDBStructure* Holder = GetDBStructure();
  if (!Holder || !Holder->GetObjs()) return nullptr;
  return std::make_unique<TOracleParser>(Holder->GetObjs());
}

}  // namespace qel
