// The Sybase ASE script extractor: reads Sybase ASE DDL scripts through the Sybase ASE parser.
#include "qelASEScriptExtract.h"

#include "qelASEParser.h"

namespace qel {

TASEScriptExtract::TASEScriptExtract(TComponent* AOwner) : TCustomScriptExtract(AOwner) {
  DatabaseType = dbSybaseASE;
}

std::unique_ptr<TCustomParser> TASEScriptExtract::CreateParser() {
  TCustomDBStructure* Holder = GetDBStructure();
  if (!Holder || !Holder->GetObjs()) return nullptr;
  return std::make_unique<TASEParser>(Holder->GetObjs());
}

}  // namespace qel
