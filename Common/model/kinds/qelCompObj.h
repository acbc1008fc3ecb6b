// The concrete schema collection with its lookups by kind, the object that stands for the
// database itself, and the few free members the whole library shares: the cancel flag, the log
// hook and the InterBase database-path splitter.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "qelClasses.h"
#include "qelTypes.h"

namespace qel {

class TCtrData;
class TDmnData;
class TEvtData;
class TExcData;
class TFldData;
class TGnrData;
class TIdxData;
class TOprData;
class TPblData;
class TPkgData;
class TPrcData;
class TRolData;
class TSchData;
class TTblData;
class TTrgData;
class TUdfData;
class TViwData;
enum TUserType : std::uint8_t;

/// How the schema writer writes the objects of one kind (qelCompObj_Extract.cpp).
struct TKindStyle;

/// The schema collection that holders, loaders and extractors create.
class TObjs : public TCustomObjs {
 public:
  TObjs() = default;
  ~TObjs() override = default;

  /// SQL Server QUOTED_IDENTIFIER and ANSI_NULLS last written by the schema writer.
  bool QuotedIdentifierState = false;
  bool AnsiNullsState = false;
  /// Switches of the script header.
  TScriptOptions ScriptOptions;

  /// Frees the objects kind by kind, then empties the collection.
  void Clear() override;

  /// The constraints and the indexes filed for one table, each in list order.
  struct TTableKeys {
    std::vector<TCtrData*> Constraints;
    std::vector<TIdxData*> Indexes;
  };
  /// Those of the table named Name (exactly), nullptr when it has none. One pass over both
  /// lists serves every table until either list changes, so that writing every MySQL table
  /// text with its keys inline stays linear in the tables.
  const TTableKeys* KeysOfTable(const std::string& Name) const;
  /// Puts the generation state back and snapshots the definition of every view, procedure and
  /// trigger into SourceDefinition and CurrentDef. The comparer calls it before each generation.
  void SetSourceDefinition() override;
  /// The snapshot part of SetSourceDefinition alone, for a comparer whose extraction has just
  /// put the generation state back.
  void TakeSourceDefinitions();

  // Lookups by key (the name, schema-qualified where the dialect qualifies). Nothing is created
  // or reported when absent.
  TDmnData* GetDomain(const std::string& Name) const;
  TTblData* GetTable(const std::string& Name) const;
  TViwData* GetView(const std::string& Name) const;
  TPrcData* GetProcedure(const std::string& Name) const;
  /// Also finds a trigger filed under a table-qualified key by its plain name.
  TTrgData* GetTrigger(const std::string& Name) const;
  TGnrData* GetGenerator(const std::string& Name) const;
  TExcData* GetException(const std::string& Name) const;
  TIdxData* GetIndex(const std::string& Name) const;
  TUdfData* GetFunction(const std::string& Name) const;
  TPkgData* GetPackage(const std::string& Name) const;
  /// Also finds a constraint filed under a table-qualified key by its plain name.
  TCtrData* GetConstraint(const std::string& Name) const;
  TPblData* GetPublication(const std::string& Name) const;
  TSchData* GetSchema(const std::string& Name) const;
  TOprData* GetOperator(const std::string& Name) const;
  TEvtData* GetEvent(const std::string& Name) const;
  /// Roles, logins and users by plain name (exact) and subtype.
  TRolData* GetRole(const std::string& Name) const;
  TRolData* GetLogin(const std::string& Name) const;
  TRolData* GetUser(const std::string& Name) const;
  TFldData* GetTableField(const std::string& Table, const std::string& Field) const;
  TFldData* GetViewField(const std::string& View, const std::string& Field) const;
  /// An input parameter wins over an output parameter of the same name.
  TFldData* GetProcParam(const std::string& Proc, const std::string& Param) const;

  // The schema-to-script writer (qelCompObj_Extract.cpp). It writes the collection in its own
  // dialect and changes nothing in it but Terminator, the two SQL Server SET states and, for
  // the run only, the InterBase description mode.

  /// Fills ScriptBuffer with the creation script of the whole schema, kind by kind.
  void ExtractMetadata() override;
  /// Appends the whole script to aScript (earlier lines stay in front); ScriptBuffer is left
  /// empty.
  void ExtractMetadata(TStrings& aScript) override;
  /// Appends one table with the keys, indexes and triggers Kinds selects, each ended by the
  /// dialect's GenScriptTerm; the script header first when WithHeader is set. A name that
  /// matches no table appends only a comment saying so.
  void ExtractTable(TStrings& aScript, const std::string& TableName, const TCmpObjSetType& Kinds,
                    bool WithHeader);
  /// Appends the connect, use-database or create-database lines of the dialect.
  void ExtractScriptHeader(TStrings& aScript);
  /// Appends the PostgreSQL owner statement and the description statements of Obj and of its
  /// columns or parameters.
  void ExtractDescription(TDbObj* Obj, TStrings& aScript);
  /// SQL Server: appends to ScriptBuffer the SET lines of the settings that change.
  void MsCheckOptions(bool aQuotedIdentifier, bool aAnsiNulls);

 protected:
  // The per-kind writers of ExtractMetadata; each appends one kind to ScriptBuffer.
  void ExtractSch();
  void ExtractUdf();
  void ExtractDmn();
  void ExtractTbl();
  void ExtractIdx();
  void ExtractPkg();
  void ExtractCtr();
  void ExtractExc();
  void ExtractGnr();
  void ExtractViw();
  void ExtractPrc();
  void ExtractTrg();
  void ExtractEvt();
  void ExtractRol();
  void ExtractGnt();

 private:
  TRolData* FindRole(const std::string& Name, TUserType UserType) const;
  void MsCheckOptions(TStrings& aScript, bool aQuotedIdentifier, bool aAnsiNulls);
  void ExtractDescription(TDbObj* Obj, TStrings& aScript, const std::string& Term);
  /// Procedures and triggers: the objects of List inside SET TERM (InterBase) or "/" (Oracle),
  /// each written as Style says (an object whose text is empty is left out; a block with none
  /// is not written).
  void ExtractBlocks(const TDbObjList& List, const TKindStyle& Style);
  /// MySQL: the table text of TableName already carries its primary and unique keys and its
  /// indexes, so they are not written again.
  bool KeysInTableText(const std::string& TableName) const;

  /// KeysOfTable's index and the list versions it was built from.
  mutable std::unordered_map<std::string, TTableKeys> FTableKeys;
  mutable std::uint64_t FTableKeysOfCtr = UINT64_MAX;
  mutable std::uint64_t FTableKeysOfIdx = UINT64_MAX;
};

/// The database itself as a schema object.
class TDataBaseObj : public TDbObj {
 public:
  explicit TDataBaseObj(TCustomObjs* aOwner);

  TIBServerOptions IBServerOptions;
  TConnectionOptions ConnectionOptions;

  /// The database name; "Database" when there is none.
  std::string GetCaption() const override;
  /// The InterBase CREATE DATABASE text; empty for other dialects.
  std::string Def() const override;
};

/// Cancel request: the library only reads it, between steps; the host sets and clears it.
extern std::atomic<bool> TerminateRunning;
/// Log hook; does nothing unless a host replaces it.
extern std::function<void(const std::string& aText)> AddToLog;

/// Splits an InterBase/Firebird connection path into server, database and protocol. A single
/// drive letter before the first colon ("C:\db.fdb") is a local path; any other text before it
/// ("host:/data/db.fdb", "host/3050:/data/db.fdb") names a server over TCP.
void ParseDbPath(const std::string& Path, std::string& Server, std::string& Database,
                 TQELProtocol& Protocol);
/// InterBase dependency type code (or library kind code) as a word; "???" when unknown.
std::string obj_str(std::int32_t Code);
/// Removes blanks before line ends and collapses runs of empty lines.
std::string ClearCrLf(const std::string& Text);

}  // namespace qel
