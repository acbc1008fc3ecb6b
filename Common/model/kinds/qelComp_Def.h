// SQL Server and Sybase ASE default objects (CREATE DEFAULT name AS value).
#pragma once

#include <cstdint>
#include <string>

#include "qelClasses.h"

namespace qel {

/// A stand-alone default, bound to columns or user types.
class TDefData : public TDbObj {
 public:
  explicit TDefData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = kindDefault; }

  /// The value after AS.
  std::string Expression;
  /// The object id the catalog gives it (SQL Anywhere sysobjects.id); 0 when not read.
  std::int32_t CatalogId = 0;

  /// CREATE DEFAULT; on SQL Server without a known value, the server's stored text (FullText).
  std::string Def() const override;
  std::string CreateDef() const override { return Def(); }
};

/// The CREATE text shared by defaults and rules: Keyword ("CREATE DEFAULT ") + name + " AS " +
/// the expression; SQL Server writes the name in brackets and, without an expression, the
/// stored text as read.
std::string BoundObjectDef(const TDbObj& Obj, const std::string& Keyword,
                           const std::string& Expression);

// Default passes (SQL Server).
void GenScriptDefCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptDefAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptDefDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

/// The three passes of defaults and rules, on the list the selector gives: create what the
/// target lacks, drop and create what differs, drop what the master lacks. Objects are found on
/// the other side by their bare name. The comments are GenComment of Word + "...".
enum TBoundPass : std::uint8_t { bpCreate, bpAlter, bpDrop };
void GenScriptBoundObjects(TDbObjList& MasterList, TDbObjList& TargetList, TCustomSQLExec& Exec,
                           TBoundPass Pass, const std::string& Word);

}  // namespace qel
