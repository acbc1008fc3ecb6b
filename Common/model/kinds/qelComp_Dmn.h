// Domains and user-defined types under every name the dialects give them (InterBase/Firebird,
// SQL Anywhere and PostgreSQL domains, SQL Server and ASE user types and XML schema
// collections, PostgreSQL base and composite types, Oracle object, VARRAY and nested-table
// types), with their generation passes; PostgreSQL conversions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qelClasses.h"
#include "qelComp_Tbl.h"

namespace qel {

class TDmnData;
class TMemberPrcData;

/// The options of a PostgreSQL CREATE TYPE.
class TPGTypeOptions : public TObject {
 public:
  explicit TPGTypeOptions(TDmnData* aDomain);
  ~TPGTypeOptions() override;

  /// The owning domain.
  TDmnData* Domain = nullptr;
  /// The object is a CREATE TYPE, not a domain.
  bool IsType = false;
  std::string Input;
  std::string Output;
  std::string Receive;
  std::string Send;
  std::string Analyze;
  /// -1: not given.
  std::int32_t InternalLength = -1;
  std::int32_t ExternalLength = -1;
  bool PassedByValue = false;
  /// iftUnknown (0): not given.
  TDBFieldType Alignment = iftInt4;
  std::string Storage = "plain";
  std::string Default;
  /// The element type; nullptr when not given.
  std::unique_ptr<TFldData> Element;
  std::string Delimiter;
  /// The columns of a composite type (owned).
  TObjVector<TFldData> Attributes;

  /// " AS (...)" for a composite type, else the parenthesised option list.
  std::string Def() const;
};

/// One CHECK of a PostgreSQL domain, under the name the server knows it by.
struct TPGDomainCheck {
  /// The constraint's name; for a check the script leaves unnamed, the one the server gives it.
  std::string Name;
  /// The condition in its parentheses: the text that follows the word CHECK.
  std::string Text;
  /// The server would not choose this name itself: the check is written and added under it.
  bool Named = false;
  /// The database's own text of this (script's) condition, where a live comparison had the
  /// server store the condition and it came back as that of the namesake check; else empty.
  std::string ServerText{};

  /// The text two readings of the check are compared by.
  const std::string& CompareText() const { return ServerText.empty() ? Text : ServerText; }
};

/// The name PostgreSQL gives an unnamed CHECK of domain Domain: "<domain>_check", else
/// "<domain>_check1" and on, the first no check of Taken holds, the domain's name cut so the
/// whole fits the server's 63 bytes.
std::string PGDomainCheckName(const std::string& Domain, const std::vector<TPGDomainCheck>& Taken);

/// A domain check's condition in a form where the catalog's text of it ("((VALUE)::text <>
/// ''::text)") and a script's spelling of the same condition ("VALUE <> ''") meet: the server's
/// parentheses and casts, white space and the case of words do not count.
std::string PGDomainCheckKey(const std::string& Condition);

/// A domain or user-defined type.
class TDmnData : public TDbObj {
 public:
  explicit TDmnData(TCustomObjs* aOwner);
  ~TDmnData() override;

  /// The type descriptor; its OwnerObj points back here.
  std::unique_ptr<TFldData> TypeField;
  /// SQL Server/ASE base type text; "XML SCHEMA COLLECTION" marks an XML schema collection.
  std::string BaseTypeName;
  TOracleDataType OracleKind = odUnknown;
  std::int32_t VArrayLimit = 0;
  /// Oracle object attributes (owned).
  TObjVector<TFldData> Attributes;
  /// Oracle member procedures and functions (owned).
  TObjVector<TMemberPrcData> Members;
  /// Oracle attributes added later by ALTER TYPE ... ADD (owned).
  TObjVector<TFldData> AddedAttributes;
  bool Cascade = false;
  std::string TimestampText;
  std::string OidText;
  std::string SuperType;
  TTypeDirective Directive;
  std::unique_ptr<TPGTypeOptions> PGOptions;
  /// SQL Server 2005 alias type (CREATE TYPE ... FROM) rather than sp_addtype.
  bool CreateTypeFrom = false;
  /// PostgreSQL: the domain's checks in the order they are written, with their names;
  /// TypeField->Extra().CheckText holds the same conditions as one text.
  std::vector<TPGDomainCheck> PGChecks;

  /// Adds a PostgreSQL check; an empty Name takes the one the server would give it.
  void AddPGCheck(const std::string& Name, const std::string& Text);
  /// Removes the PostgreSQL check of that name; false when the domain has none of it.
  bool DropPGCheck(const std::string& Name);
  /// The PostgreSQL checks; a domain whose checks came as one text (another dialect's
  /// reading) has that text as one check under the server's name.
  std::vector<TPGDomainCheck> GetPGChecks() const;
  /// The check clauses of CREATE DOMAIN, each after a space; a name where the server would
  /// not choose it.
  std::string PGChecksDef() const;

  bool GetXmlSchemaCollection() const { return BaseTypeName == "XML SCHEMA COLLECTION"; }

  // Replaced virtual operations.

  /// The plain name.
  std::string GetCaption() const override;
  /// The creation text of the collection's dialect.
  std::string Def() const override;
  /// Dependants first: domains and views on it dropped, columns typed by it cleared of what
  /// depends on them (the columns stay).
  void DoBeforeDrop() override;
  /// A type built on another domain creates that one first.
  void DoBeforeCreate() override;
  std::string CreateDef() const override { return Def(); }
  std::string DropDef() const override;

  /// SQL Server/ASE: the base type and nullability; other dialects the descriptor's type text.
  std::string TypeDef() const;
  std::string OracleDef() const;
  std::string PGTypeDef() const;

  /// Exported for hosts: moves a column of a table from the target's domain to the master's
  /// through the system tables, and re-creates the views on the table.
  void CheckTableDomainChange(const std::string& TableName, const std::string& FieldName);

 private:
  /// TypeField->Extra().CheckText rebuilt from PGChecks.
  void SyncPGCheckText();
};

/// The target's checks of PostgreSQL domain T brought to the master's M in place: each check
/// that is gone or changed dropped by the target's name, each new or changed one added under
/// the master's name, or under the one the server gives it.
void PGDomainChecksAlter(TCustomSQLExec& Exec, TDmnData& M, TDmnData& T);

// The generation passes (gated by coDomain).
void GenScriptDmnCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptDmnAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// The alteration pass with an explicit work list (the one above passes the collection's).
void GenScriptDmnAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                       TStringList* WorkList);
void GenScriptDmnDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

/// A PostgreSQL encoding conversion.
class TCnvData : public TDbObj {
 public:
  explicit TCnvData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = kindConversion; }

  bool IsDefault = false;
  std::string SourceEncoding;
  std::string DestEncoding;
  /// The conversion function, in the conversion's schema.
  std::string FuncName;

  std::string Def() const override;
  std::string DropDef() const override;
};

// Conversion passes (PostgreSQL).
void GenScriptCnvCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptCnvAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptCnvDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

}  // namespace qel
