// The schema holder component: owns its collection and reports that collection's compare role.
#include "qelDBStructure.h"

namespace qel {

TDBStructure::TDBStructure(TComponent* AOwner)
    : TCustomDBStructure(AOwner), FMetadata(std::make_unique<TObjs>()) {
  FObjs = FMetadata.get();
  FMetadata->DBStructure = this;
}

TDBStructure::~TDBStructure() {
  FObjs = nullptr;
  FMetadata.reset();
}

TCompareRoleType TDBStructure::GetCompareRole() const {
  return FMetadata ? FMetadata->GetCompareRole() : crUnknownRole;
}

}  // namespace qel
