// The schema holder component: one collection, filled by the extractor linked to it and read
// by the comparer.
#pragma once

#include <memory>

#include "qelClasses.h"
#include "qelCompObj.h"

namespace qel {

/// The schema holder of the palette. It creates and owns its collection (a TObjs) for its
/// whole life; extractors and the comparer link to it.
class TDBStructure : public TCustomDBStructure {
 public:
  explicit TDBStructure(TComponent* AOwner);
  /// Frees the collection first; the components linked to the holder then hear that it goes.
  ~TDBStructure() override;

  /// The collection's role in a comparison.
  TCompareRoleType GetCompareRole() const;
  /// The collection as the concrete TObjs.
  TObjs* GetMetadata() const { return FMetadata.get(); }

 private:
  std::unique_ptr<TObjs> FMetadata;
};

}  // namespace qel
