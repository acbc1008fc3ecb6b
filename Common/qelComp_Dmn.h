// Domains and user types; PostgreSQL conversions.
#pragma once

#include <string>

#include "qelClasses.h"

namespace qel {

/// A domain or user-defined type.
class TDmnData : public TDbObj {
 public:
  explicit TDmnData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 100; }

  /// SQL Server/ASE base type text; "XML SCHEMA COLLECTION" marks an XML schema collection.
  std::string BaseTypeName;

  bool GetXmlSchemaCollection() const { return BaseTypeName == "XML SCHEMA COLLECTION"; }
};

/// A PostgreSQL encoding conversion.
class TCnvData : public TDbObj {
 public:
  explicit TCnvData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 127; }
};

}  // namespace qel
