// The InterBase/Firebird script extractor: reads isql scripts through the InterBase parser.
#include "qelIBScriptExtract.h"

#include "qelClasses.h"
#include "qelIBParser.h"

namespace qel {

TIBScriptExtract::TIBScriptExtract(TComponent* AOwner) : TCustomScriptExtract(AOwner) {
  DatabaseType = dbInterBase;
}

std::unique_ptr<TCustomParser> TIBScriptExtract::CreateParser() {
  TCustomDBStructure* Holder = GetDBStructure();
  if (!Holder || !Holder->GetObjs()) return nullptr;
  return std::make_unique<TIbParser>(Holder->GetObjs());
}

void TIBScriptExtract::DoBeforeScriptsExtract() {
  TCustomDBStructure* Holder = GetDBStructure();
  auto* Objs = Holder ? dynamic_cast<TObjs*>(Holder->GetObjs()) : nullptr;
  if (!Objs) return;
  if (Objs->GetDatabaseType() != dbInterBase) Objs->SetDatabaseType(dbInterBase);
}

}  // namespace qel
