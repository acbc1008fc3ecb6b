// InterBase and Firebird dialect: the script parser.
//
// How the dialect is built. The parser reads the DDL that isql accepts in SQL dialect 3 ("SET
// TERM" blocks included) into the schema object model, in the very spellings the library's own
// writer produces for dbInterBase: tables (columns on domains, defaults, NOT NULL, COMPUTED BY,
// CHARACTER SET, COLLATE), domains, the four kinds of constraint, indexes (ASC/DESC,
// COMPUTED BY), generators and sequences, exceptions, views, procedures, triggers, external
// functions, roles, grants and descriptions (COMMENT ON). Routine, trigger and view bodies are
// kept as source text, as the server keeps them (a procedure's from after AS, a trigger's from
// AS on), so a body read from a script and the same body read from RDB$ compare equal. The
// catalog extractor (qelIBDatabaseExtract.h) writes what it reads from the RDB$ tables as the
// same DDL and reads it with this parser: script and catalog share one grammar.
//
// Statements the library writes into update scripts that change no object of the model (ALTER
// COLUMN, writes to RDB$ system tables, SET GENERATOR, RECONNECT) are read and reported to the
// executor without changing the collection.
//
// The parser's sources are split by role: qelIBParser.cpp (keywords, quoting, the statement
// loop, SET, the CREATE/ALTER/DROP dispatch, descriptions, GRANT and dependency linking),
// qelIBParser_Tbl.cpp (tables, columns, data types, constraints, ALTER TABLE, domains, indexes,
// generators, exceptions and roles) and qelIBParser_Prc.cpp (views, procedures, triggers and
// external functions).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "qelComp_Tbl.h"
#include "qelIBQuote.h"
#include "qelParser.h"

namespace qel {

/// Keyword symbols of the InterBase parser (numbered from 30). Only words that can never stand
/// as a bare name in the statements read are keywords; the other words of the grammar are
/// tested by their text.
constexpr std::uint8_t ibCREATE = 30;
constexpr std::uint8_t ibALTER = 31;
constexpr std::uint8_t ibDROP = 32;
constexpr std::uint8_t ibSET = 33;
constexpr std::uint8_t ibCOMMIT = 34;
constexpr std::uint8_t ibGRANT = 35;
constexpr std::uint8_t ibDECLARE = 36;
constexpr std::uint8_t ibCONNECT = 37;
constexpr std::uint8_t ibRECREATE = 38;
constexpr std::uint8_t ibREVOKE = 39;

class TDbObj;
class TTblData;
class TCtrData;
class TDbObjList;

/// Reads InterBase/Firebird scripts into a collection. Every statement read is reported through
/// the statement event, so the executor can run a script it loaded with this parser; "SET TERM"
/// only changes the terminator. DROP takes its effect on the collection, so that a schema script
/// followed by its update script reads as the schema the update leads to.
///
/// Errors never stop the reading: each is recorded (the first also goes to OnErrorMessage) and
/// the parser goes on after the statement's terminator.
class TIbParser : public TCustomSQLParser {
 public:
  explicit TIbParser(TCustomObjs* AObjs);
  ~TIbParser() override;

  void BuildResWords() override;
  void ParseText() override;
  void DoAfterGetSy() override;
  std::string QuoteIdent(const std::string& Name) override;
  std::uint8_t FindResWord() override;
  void Link_Depend() override;
  std::string GetScriptInfo() override;
  void ErrMsg(const std::string& Text) override;
  using TCustomParser::DoAddStatement;

  /// The SQL dialect the script declared ("SET SQL DIALECT"); 3 unless it said otherwise.
  std::int32_t SQLDialect = 3;
  /// The longest name Firebird 3 stores, in bytes of UTF-8.
  static constexpr std::size_t kMaxNameBytes = 31;

 protected:
  /// The text read is a script of a side (not a catalog text, not an executor's script): the
  /// server's rules on names and domains are applied as it read it.
  bool ReadsScript() const;
  /// The column or parameter of List named Name exactly (a dialect-3 name keeps its case).
  static TFldData* FieldOf(TObjVector<TFldData>& List, const std::string& Name);
  /// The current symbol is the unquoted word Word (keyword or identifier).
  bool IsWord(const char* Word) const;
  /// A name: an identifier or a keyword written as a name; empty (reported) otherwise.
  std::string Name();
  /// From "(" past its matching ")" (nested parentheses and literals skipped whole).
  void SkipParens();
  /// Text from Start up to the terminator (not included), trimmed, line breaks kept.
  std::string RestOfStatement(std::int32_t Start);
  void Report(TStatType Typ, const std::string& ObjName, TDbObject Kind, TDbOperation Op);
  /// The word Word is passed; another symbol is reported ("Must be: " + Word).
  void ExpectWord(const char* Word);
  /// An integer literal into Value (left as it was when another symbol stands), then passed.
  void ReadInt(std::int32_t& Value);
  /// The text from "(" to its matching ")", parentheses included.
  std::string ParenText();
  /// COMPUTED [BY] (expression): the expression with its parentheses.
  std::string ComputedText();
  /// The kind of the kind word of DROP, COMMENT ON and DESCRIBE at the current symbol (not
  /// passed); dboUnknown for another word.
  TDbObject KindWord() const;
  /// A constraint of a table element or ALTER TABLE ADD, [CONSTRAINT name] PRIMARY, UNIQUE,
  /// FOREIGN or CHECK, read and filed; false (nothing read) when another word stands.
  bool ParseTableConstraint(const std::string& Table);

  void BeginStatement() override;
  void ParseStatement() override;
  /// Reports what the statement recorded and reads its terminator; in a script of a side the
  /// last statement needs one too, as isql runs none the text ends inside.
  void EndStatement(std::int32_t Start) override;
  void ParseSet();
  /// From the word after CREATE, CREATE OR ALTER or RECREATE: each files its object anew.
  void ParseCreate();
  void ParseAlter();
  void ParseDrop();
  void ParseComment();
  void ParseDescribe();
  /// One value of an UPDATE of a system table: a number, a string, NULL, or a subselect named
  /// by its string literals (the domain, character set, collation or column it looks up).
  struct TSysValue {
    enum TKind : std::uint8_t { svOther, svInt, svText, svNull, svSelect } Kind = svOther;
    std::int64_t Int = 0;
    std::string Text;
    std::vector<std::string> Names;
  };
  /// The SET list of such an UPDATE: column (upper-cased) and value, in order.
  using TSysAssignments = std::vector<std::pair<std::string, TSysValue>>;
  /// A column of such an UPDATE (alias.column too), upper-cased.
  std::string ReadSysColumn();
  TSysValue ReadSysValue();
  /// UPDATE: a write to an RDB$ table (a description, a column's or a domain's change) is
  /// applied to the collection; another UPDATE is data.
  void ParseUpdate();
  /// The change an UPDATE of the system table Table makes to the column or domain Where names
  /// (RDB$RELATION_NAME and RDB$FIELD_NAME, or a domain's RDB$FIELD_NAME).
  void ApplySysUpdate(const std::string& Table, const TSysAssignments& Set,
                      const std::map<std::string, TSysValue>& Where);
  /// Sets the description of the object (dboField: a column of Name, dboParam: a
  /// parameter of procedure Name) that the collection holds; others are passed over.
  void SetDescription(TDbObject Kind, const std::string& Name, const std::string& Sub,
                      const std::string& Text);
  /// A description literal, or NULL (empty).
  std::string DescriptionText();
  void ParseGrant(bool Revoke);
  struct TGrantParts;
  /// The privileges of GRANT or REVOKE up to ON or TO; a name that is no privilege is a role
  /// granted.
  void ReadGrantPrivileges(TGrantParts& Parts);
  /// The grantees after TO or FROM, each with its kind word or, without one, user or role as
  /// the collection knows the name.
  void ReadGrantees(TGrantParts& Parts);
  /// REVOKE: the privileges taken go from the grants that gave them; a grant left with none
  /// goes.
  void ApplyRevoke(const TGrantParts& Parts);
  void ParseDeclare();

  void ParseTable(bool Temporary = false);
  void ParseTableElement(TTblData& Tbl);
  /// A column after its name: type or domain, DEFAULT, NOT NULL, inline constraints, CHECK,
  /// COLLATE. Owner is the table (for inline constraints) or nullptr.
  void ParseColumnDef(TFldData& Fld, TTblData* Owner);
  void ParseDataType(TFldData& Fld);
  /// A type that names Domain (written at the 1-based position At) in a script of a side: a
  /// domain that no statement before it created is an error.
  void TestDomainDefined(const std::string& Domain, std::int32_t At);
  /// CHARACTER SET name, when it stands.
  void ParseCharSet(TFldData& Fld);
  /// The dimensions of an array type from "[" on: [upper] or [lower:upper], comma-separated.
  void ParseArrayBounds(TFldData& Fld);
  /// DEFAULT's value as written, up to the next clause.
  std::string ParseDefault();
  /// A constraint from PRIMARY/UNIQUE/FOREIGN/CHECK; Name may be empty.
  void ParseConstraint(const std::string& CtrName, const std::string& Table,
                       const std::string& Column);
  void ParseNameList(TStrings& List);
  void ParseAlterTable();
  /// One ALTER [COLUMN] element of ALTER TABLE, applied to the column of Tbl it names.
  void ParseAlterColumn(TTblData* Tbl);
  /// TYPE t, SET DEFAULT v, DROP DEFAULT, SET NOT NULL, DROP NOT NULL (and a domain's DROP
  /// CONSTRAINT) of ALTER COLUMN and ALTER DOMAIN, applied to F; false (nothing read) for
  /// another word.
  bool ParseTypeOrDefaultChange(TFldData& F);
  /// The new type of TYPE t (ALTER COLUMN, ALTER DOMAIN) given to Fld.
  void ParseTypeChange(TFldData& Fld);
  void ParseDomain();
  void ParseIndex();
  void ParseGenerator();
  void ParseException();
  void ParseView();
  void ParseProcedure(bool Alter);
  void ParseParams(TDbObj& Owner, TObjVector<TFldData>& List);
  void ParseTrigger(bool Alter);
  void ParseRole();

  /// CREATE OR ALTER and RECREATE take the place of a namesake the collection holds.
  void Replace(TDbObjList& List, const std::string& Name);
  /// Takes the object filed under Key out of List with its dependencies; false when none is.
  bool Remove(TDbObjList& List, const std::string& Key);

  bool FReplace = false;  ///< the statement is CREATE OR ALTER or RECREATE
  bool FQuoted = false;
  TTblData* FCreatedTable = nullptr;  ///< the table of the CREATE TABLE being read
  bool FReport = false;
  TStatType FRepTyp = stStatement;
  std::string FRepName;
  TDbObject FRepKind = dboUnknown;
  TDbOperation FRepOp = odbUnknown;
};

/// The parser of the script executor: the grammar of TIbParser; it also keeps the text of a
/// "CONNECT" statement as a connect, so that the executor connects where the script says.
class TIbExParser : public TIbParser {
 public:
  using TIbParser::TIbParser;
};

}  // namespace qel
