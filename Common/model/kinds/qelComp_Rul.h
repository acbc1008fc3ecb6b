// SQL Server and Sybase ASE rule objects (CREATE RULE name AS condition).
#pragma once

#include <string>

#include "qelClasses.h"

namespace qel {

/// A stand-alone rule, bound to columns or user types.
class TRulData : public TDbObj {
 public:
  explicit TRulData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = kindRule; }

  /// The condition after AS.
  std::string Expression;
  /// The object id the catalog gives it (SQL Anywhere sysobjects.id); 0 when not read.
  std::int32_t CatalogId = 0;

  /// CREATE RULE; on SQL Server without a known condition, the server's stored text (FullText).
  std::string Def() const override;
  std::string CreateDef() const override { return Def(); }
};

// Rule passes (SQL Server).
void GenScriptRulCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptRulAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptRulDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

}  // namespace qel
