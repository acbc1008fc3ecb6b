// PostgreSQL dialect: the script parser that reads PostgreSQL DDL into the schema object model.
//
// The parser's sources are split by role: qelPGSQLParser.cpp (keywords, quoting, the scanner,
// names, statement dispatch, errors and dependency linking), qelPGSQLParser_Tbl.cpp (tables,
// columns, types, defaults, constraints, indexes and views) and qelPGSQLParser_Prc.cpp
// (functions, triggers, ALTER FUNCTION, DROP, COMMENT, GRANT and REVOKE).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "qelComp_Ctr.h"
#include "qelComp_Tbl.h"
#include "qelPGSQLQuote.h"
#include "qelParser.h"
#include "qelTypes.h"

namespace qel {

class TObjs;
class TPrcData;
class TTrgData;
class TIdxData;
class TDmnData;        // (qelPGSQLParser_Types.cpp)
class TPGTypeOptions;  // (qelPGSQLParser_Types.cpp)

/// A column default as the catalog spells a few common values, turned back into the form a
/// script writes ("now()" -> "current_timestamp", "''::text" -> "''" ...). The whole text is
/// compared, case-sensitively; any other text is returned unchanged.
std::string PGReplaceDefault(const std::string& Text);

/// Types whose "(n)" is a length rather than a precision, in scripts and in the catalog alike.
bool PGTypeTakesLength(TDBFieldType Type);

// Keyword symbols the grammar tests (30 plus the row index in PGSQLResWords).
constexpr std::uint8_t pgALL = 30;
constexpr std::uint8_t pgARRAY = 35;
constexpr std::uint8_t pgAS = 36;
constexpr std::uint8_t pgASC = 37;
constexpr std::uint8_t pgAUTHORIZATION = 39;
constexpr std::uint8_t pgCASE = 43;
constexpr std::uint8_t pgCAST = 44;
constexpr std::uint8_t pgCHECK = 45;
constexpr std::uint8_t pgCOLLATE = 46;
constexpr std::uint8_t pgCOLUMN = 47;
constexpr std::uint8_t pgCONSTRAINT = 48;
constexpr std::uint8_t pgCREATE = 49;
constexpr std::uint8_t pgCURRENT_DATE = 51;
constexpr std::uint8_t pgCURRENT_ROLE = 52;
constexpr std::uint8_t pgCURRENT_TIME = 53;
constexpr std::uint8_t pgCURRENT_TIMESTAMP = 54;
constexpr std::uint8_t pgCURRENT_USER = 55;
constexpr std::uint8_t pgDEFAULT = 56;
constexpr std::uint8_t pgDEFERRABLE = 57;
constexpr std::uint8_t pgDESC = 58;
constexpr std::uint8_t pgEND = 62;
constexpr std::uint8_t pgFALSE = 64;
constexpr std::uint8_t pgFOR = 65;
constexpr std::uint8_t pgFOREIGN = 66;
constexpr std::uint8_t pgFROM = 68;
constexpr std::uint8_t pgGRANT = 70;
constexpr std::uint8_t pgGROUP = 71;
constexpr std::uint8_t pgIN = 74;
constexpr std::uint8_t pgINITIALLY = 75;
constexpr std::uint8_t pgINTO = 78;
constexpr std::uint8_t pgIS = 79;
constexpr std::uint8_t pgLOCALTIME = 86;
constexpr std::uint8_t pgLOCALTIMESTAMP = 87;
constexpr std::uint8_t pgNEW = 89;
constexpr std::uint8_t pgNOT = 90;
constexpr std::uint8_t pgNULL = 92;
constexpr std::uint8_t pgOFF = 93;
constexpr std::uint8_t pgOLD = 95;
constexpr std::uint8_t pgON = 96;
constexpr std::uint8_t pgONLY = 97;
constexpr std::uint8_t pgOR = 98;
constexpr std::uint8_t pgORDER = 99;
constexpr std::uint8_t pgPRIMARY = 103;
constexpr std::uint8_t pgREFERENCES = 104;
constexpr std::uint8_t pgSELECT = 106;
constexpr std::uint8_t pgSESSION_USER = 107;
constexpr std::uint8_t pgTABLE = 111;
constexpr std::uint8_t pgTO = 113;
constexpr std::uint8_t pgTRUE = 115;
constexpr std::uint8_t pgUNIQUE = 117;
constexpr std::uint8_t pgUSER = 118;
constexpr std::uint8_t pgUSING = 119;
constexpr std::uint8_t pgWHEN = 121;
/// A run of operator characters the framework scanner has no symbol for (~, ^, ?, #, ! and a
/// single |); Ident holds its text. View and default texts use them (regular-expression and
/// bit operators), so they must scan without error.
constexpr std::uint8_t pgOperator = 123;

/// Reads PostgreSQL DDL scripts into a collection: tables with their columns and constraints,
/// indexes, views and schemas become objects; every statement is also reported through the
/// statement event (text, statement type, object name, kind, operation), so that a script
/// extractor builds a schema and a script executor a statement list from the same pass.
///
/// Scanner: dollar-quoted texts ($$ ... $$, $tag$ ... $tag$) and E'...' strings (backslash escapes
/// decoded) are string values; a name in double quotes is an identifier that keeps its case and
/// is never taken for a keyword or a statement word; a bare name is folded to lower case, as the
/// server folds it; block comments nest; a line beginning with "#" is a comment.
///
/// Names: every name may carry a schema; without one the schema is "public", and objects are
/// filed under their bare names, so "t" and "public.t" are the same table.
///
/// Errors: each message names the script, the line and column of the symbol where reading
/// failed and the text found there. A statement with an error is passed over up to its
/// terminator, so one bad statement gives one error and the rest of the script is still read.
/// Statements of kinds this parser does not read into objects (enum and range types, operator
/// families, COMMENT ON kinds the model keeps no description for) are passed over with an
/// information message.
class TPGSQLParser : public TCustomSQLParser {
 public:
  explicit TPGSQLParser(TCustomObjs* AObjs);
  ~TPGSQLParser() override;

  // Fields, in declaration order.

  /// Schema of the last qualified name read; "public" when the name had no schema.
  std::string SchemaPart;
  /// Object name of the last qualified name read.
  std::string NamePart;
  /// Column of the last qualified name read as a column reference.
  std::string ColumnPart;
  /// What the current statement is reported as; reset at the start of every statement.
  TStatType StatType = stStatement;
  std::string StatObjName;
  TDbObject StatObjType = dboUnknown;
  TDbOperation StatOperation = odbUnknown;
  std::string StatOwnName;
  /// SET DEFAULT_WITH_OIDS; cleared at the start of every ParseText. Tables created afterwards
  /// take their "with OIDs" flag from it unless they say WITH or WITHOUT OIDS.
  bool DefaultWithOids = false;

  // Replaced virtual operations.

  void GetSy() override;
  void DoGetSy() override;
  void DoAfterGetSy() override;
  bool SkipText() override;
  void BuildResWords() override;
  /// Files a schema "public" when the collection has none, then reads the script.
  void ParseScriptText(const std::string& Text, TCustomObjs* AObjs) override;
  /// The statement loop.
  void ParseText() override;
  void ErrMsg(const std::string& Text) override;
  /// Settles what may depend on a later script: primary-key columns become NOT NULL, as the
  /// server makes them, and foreign keys that name no referenced columns take the referenced
  /// table's primary-key columns (and are refiled under their new text). Then the framework's
  /// linking, and views to what their texts read.
  void Link_Depend() override;
  /// The framework's checks, then the domains and types every script of the side names.
  void TestKeyTables() override;
  /// Block comments (nested), "--" comments and "#" comment lines.
  bool SkipComment() override;
  std::string QuoteIdent(const std::string& Name) override;
  std::string KeptName(const std::string& Name) const override { return PGClipName(Name); }
  /// The text from Start to the end of the symbol before the current one, trimmed: a comment
  /// between a value and the next symbol is not taken into the value.
  std::string CopyTxtFrom(std::int32_t Start) override;
  /// As the framework's, but a name written in double quotes is never a keyword.
  bool IsIdent(const std::string& Name) override;

  // Names.

  /// The qualified-name reader: [schema "."] name, and for Kind dboField [schema "."] table "."
  /// column (a two-part column reference has no schema). Fills SchemaPart, NamePart and
  /// ColumnPart; leaves the symbol after the name current.
  void GetQualifiedName(TDbObject Kind = dboUnknown);
  /// One identifier, or two joined by "." (schema and name); the schema is empty for one.
  void GetIdentName(std::string& Schema, std::string& Name);

  // Tables, columns, constraints, indexes and views (qelPGSQLParser_Tbl.cpp).

  /// One column definition (or attribute of a composite type) from the current symbol: name,
  /// type, array bounds and column constraints. Owner (a table or type, may be null) becomes
  /// the column's owner; constraints of the column are filed in the collection.
  std::unique_ptr<TFldData> ParseField(TDbObj* Owner);
  /// The type of a column from its type word on: the neutral type, length or precision and
  /// scale, time zone, character set, collation and array bounds.
  void ParseFieldType(TFldData& Fld);
  /// CREATE TABLE from the word TABLE.
  void ParseTable();
  /// CREATE [UNIQUE] INDEX from the word INDEX.
  void ParseIndex(bool Unique);
  /// CREATE VIEW from the word VIEW.
  void ParseView();
  /// ALTER TABLE from the word TABLE.
  void ParseAlterTable();

  // Functions, triggers and the ALTER FUNCTION, DROP, COMMENT, GRANT and REVOKE statements
  // (qelPGSQLParser_Prc.cpp).

  /// CREATE FUNCTION from the word FUNCTION: parameters, result and options; the function is
  /// filed under its name and input argument types, so overloads stay apart.
  /// CREATE FUNCTION, or with Procedure CREATE PROCEDURE (no result, from PostgreSQL 11 on).
  void ParseFunction(bool Procedure = false);
  /// CREATE TRIGGER from the word TRIGGER, into Into when given (else a new trigger is filed).
  /// The body runs from EXECUTE (or from a WHEN condition before it) to the end of the argument
  /// list; the trigger is linked to the function it calls when that is in the collection.
  void ParseTrigger(TTrgData* Into = nullptr);
  /// ALTER FUNCTION from the word FUNCTION: OWNER TO gives the function its owner.
  void ParseAlterFunction();
  /// DROP TABLE and DROP CONVERSION are read (nothing is removed); other kinds are errors.
  void ParseDrop();
  /// COMMENT ON kind name IS text: the description of the object named, when it is in the
  /// collection; reported as a description statement.
  void ParseComment();
  /// GRANT (Grant) or REVOKE on schemas: read, no grant object is made.
  void ParseGrant(bool Grant);
  /// Re-reads the text the catalog rebuilt for one object (its FullText; the trigger
  /// definition of a trigger) into that object. Errors name the object.
  void ParseObjText(TDbObj* Obj);

  // Types, domains, conversions, operators and operator classes (qelPGSQLParser_Types.cpp).

  /// CREATE TYPE, or ALTER TYPE when Alter, from the word TYPE.
  void ParseType(bool Alter);
  /// CREATE DOMAIN, or ALTER DOMAIN when Alter, from the word DOMAIN.
  void ParseDomain(bool Alter);
  /// CREATE [DEFAULT] CONVERSION from the word CONVERSION.
  void ParseConversion(bool IsDefault);
  /// CREATE OPERATOR or CREATE OPERATOR CLASS from the word OPERATOR.
  void ParseOperator();
  /// ALTER OPERATOR [CLASS] from the word OPERATOR.
  void ParseAlterOperator();
  /// Links every type, conversion, operator and operator class of the collection to the
  /// functions (and operators) it names. Part of Link_Depend.
  void LinkTypeDepends();

 private:
  /// What a constraint being read belongs to.
  struct TCtrContext {
    std::string Name;            ///< CONSTRAINT name; empty when none was written
    std::string Table;           ///< the table's name; empty when none is known
    std::string Schema;          ///< the table's schema
    TFldData* Column = nullptr;  ///< the column of a column constraint
  };

  // Scanner helpers.
  static bool IsIdentStart(char C);
  /// A run of operator characters with Ch on the first.
  void ReadOperator();
  /// E'...' with Ch on the quote: backslash escapes decoded.
  void ReadEscapeString();
  /// $tag$ ... $tag$ with Ch on the first "$"; false (nothing read) when no tag starts here.
  bool ReadDollarString();
  /// A nested block comment with Ch on "/*".
  void SkipBlockComment();
  /// Text of the script at the current symbol, for error messages.
  std::string NearText() const;
  /// Where a symbol stood: its line, column and 1-based position in the text.
  struct TSymAt {
    std::int32_t Line = 0, Col = 0;
    std::string Script;
  };
  TSymAt SymAt() const { return {FSyLine, FSyCol, ScriptName}; }
  /// An error at a symbol of a script read before.
  void ErrMsgAtSym(const std::string& Text, const TSymAt& At);
  /// A domain declared over itself through other domains is an error naming them, at the
  /// first of them: the server refuses every domain of such a cycle.
  void CheckDomainCycles(TObjs& O);
  /// A column, parameter, attribute or domain of a type that is no built-in one and that no
  /// statement read defines is an error (the server refuses it); a type known to come with a
  /// common extension gets a warning. Names with a schema of their own are not judged.
  void CheckTypeNames(TObjs& O);
  /// A type named by a column, parameter, attribute or domain: as written, where.
  struct TTypeUse {
    std::string Name;
    std::string Of;  ///< what has the type ("column t.c")
    TSymAt At;
  };
  std::vector<TTypeUse> FTypeUses;
  /// Every name CREATE or ALTER TYPE or DOMAIN gave, kept or passed over, where it stood.
  std::unordered_map<std::string, TSymAt> FTypeNamesAt;
  /// Cuts the current identifier to the length the server keeps, with a warning the first time
  /// a name is cut.
  void ClipIdent();
  /// Records an information message at the current symbol.
  void InfMsg(const std::string& Text);
  /// An error was recorded since the current statement began.
  bool StatementFailed() const { return FErrCount != FStmtErrCount; }
  /// Reads one part of a qualified name.
  std::string GetNamePart();
  /// Skips a bracketed group (parentheses or square brackets) with Sy on its opening symbol,
  /// nesting counted; the symbol after the closing one becomes current. Returns the source text
  /// of the group, brackets included.
  std::string SkipGroup();

  // Linking after the last script.
  void SettleKeys(TObjs& O);
  /// Links every view to the tables (and the columns of them it names), views and functions
  /// its text names, as the server records them when it stores the view: a column whose type
  /// changes, a view re-created and a function dropped take the view with them.
  void LinkViewReads(TObjs& O);
  /// Links what must exist before an object can be created: a domain to the domain or type it
  /// is declared over and to the functions its checks and default call, a table and its column
  /// to the functions a default calls, a routine to the domains and types of its parameters.
  void LinkTypesAndCalls(TObjs& O);

  // Routines and triggers (qelPGSQLParser_Prc.cpp).
  /// "(" parameter, ... ")" into the emptied parameter list of Prc; true when a parameter is
  /// VARIADIC.
  bool ParseParamList(TPrcData& Prc);
  /// A new parameter or result of Prc, its owner set.
  std::unique_ptr<TFldData> NewParam(TPrcData& Prc);
  /// [IN | OUT | INOUT | VARIADIC] [name] type [DEFAULT value]; Variadic set for VARIADIC.
  std::unique_ptr<TFldData> ParseParam(TPrcData& Owner, bool& Variadic);
  /// The symbol after the current one is a word that can begin a type (a quoted name, or a
  /// bare word that is no keyword and does not go on a type already begun).
  bool NextStartsType() const;
  /// Index in the text of the symbol after the current one (blanks and comments passed), or
  /// npos at the end of the text.
  std::size_t NextSymbolAt() const;
  /// The bare word after the current symbol in upper case; empty when another symbol follows.
  std::string NextBareWord() const;
  /// After RETURNS: [SETOF] type, or TABLE (columns).
  void ParseReturns(TPrcData& Prc);
  /// CALLED ON NULL INPUT (from ON) or RETURNS NULL ON NULL INPUT (Strict, from NULL).
  void ParseNullInput(TPrcData& Prc, bool Strict);
  /// The options after the result; true when the body is in the standard SQL form.
  bool ParseFunctionOptions(TPrcData& Prc);
  /// BEGIN ATOMIC ... END as the body.
  void ParseAtomicBody(TPrcData& Prc);
  /// An option the model does not keep; false when the current symbol starts none.
  bool SkipFunctionOption();
  /// The options of the function being read that the model does not keep (SECURITY DEFINER,
  /// SET ...), named once in a warning.
  std::string FUnkeptOptions;
  /// Name and optional parameter list naming an existing function.
  std::unique_ptr<TPrcData> ParseFunctionSignature();
  /// The function of the collection with the schema, name and input argument types of Sig.
  TPrcData* FindFunction(const TPrcData& Sig) const;
  /// BEFORE, AFTER or INSTEAD OF; false (reported) when none is written.
  bool ParseTriggerTiming(TTrgData& Trg);
  /// INSERT, UPDATE [OF columns], DELETE, TRUNCATE joined by OR. NotKept says why the trigger
  /// cannot be written back, when it cannot.
  bool ParseTriggerEvents(TTrgData& Trg, std::string& NotKept);
  /// REFERENCING OLD|NEW TABLE [AS] name ..., read and passed over (noted in NotKept).
  bool SkipTransitionTables(std::string& NotKept);
  /// FOR EACH ROW | STATEMENT, when written.
  bool ParseTriggerForEach(TTrgData& Trg);
  /// [WHEN (condition)] EXECUTE {FUNCTION | PROCEDURE} name (arguments) into the trigger's
  /// body; Func takes the schema and name of the function called.
  bool ParseTriggerCall(TTrgData& Trg, TPrcData& Func);
  /// "(" argument, ... ")" of the call, each written as a string literal, joined by ", ".
  bool ParseTriggerArgs(std::string& Args);
  /// ErrMsg while ParseObjText reads an object: the message names the object.
  void ObjErrMsg(const std::string& Text);
  /// The object ParseObjText is reading; nullptr while scripts are read.
  TDbObj* FCurObj = nullptr;

  // Statements.
  void ParseStatement() override;
  void ParseSet();
  /// Reads the value of SET NAMES or SET CHARACTER SET; empty (reported) when there is none.
  std::string GetSetValue(const std::string& ErrText);
  void ParseCreate();
  void ParseAlter();
  /// Reports Words as passed over and skips to the end of the statement.
  void PassOver(const std::string& Words);
  /// Reports the current statement as creating the object Name of kind Kind.
  void ReportCreate(TDbObject Kind, const std::string& Name);
  void SkipWorkOrTransaction();

  // Column and table pieces (qelPGSQLParser_Tbl.cpp).
  void ParseColumnConstraints(TFldData& Fld, TDbObj* Owner);
  /// Reads DEFAULT and its value. A column's DEFAULT NULL stores no default; a parameter's
  /// makes it optional, so Parameter keeps it.
  void ParseDefault(TFldData& Fld, bool Parameter = false);
  /// One operand of a default value; false when the current symbol can start none.
  bool ParseDefaultOperand();
  /// "::" type, with Ch just after the first ":".
  void ParseCast();
  /// WITH or WITHOUT TIME ZONE, Sy on WITH or WITHOUT; false (reported) when it breaks off.
  bool SkipTimeZone();
  void ParseCollate(TFldData& Fld);
  /// "(" name, ... ")" into List.
  void ParseColumnList(TStringList& List);
  /// A table element other than a column.
  void ParseTableConstraint(TCtrContext Ctx);
  void ParsePrimaryKey(const TCtrContext& Ctx);
  void ParseUnique(const TCtrContext& Ctx, bool TableLevel);
  void ParseForeignKey(const TCtrContext& Ctx);
  void ParseReferences(const TCtrContext& Ctx);
  void ParseCheck(const TCtrContext& Ctx);
  /// ON UPDATE / ON DELETE rules of a foreign key.
  void ParseFKActions(TCtrData& Ctr);
  /// [NOT] DEFERRABLE and INITIALLY DEFERRED / IMMEDIATE after a key. In a column definition
  /// a NOT after the key may begin NOT NULL instead, which is read for the column.
  void ParseDeferrable(TCtrData& Ctr, const TCtrContext& Ctx);
  /// The referenced columns of a foreign key that names none: those of the referenced table's
  /// primary key when it has been read already.
  void CopyPrimaryKeyColumns(TCtrData& Ctr);
  std::unique_ptr<TCtrData> NewConstraint(const TCtrContext& Ctx, TConstraintType CtType);
  /// Logs the constraint, moves a server-generated name aside and files it (the constraints of
  /// a table being created when its last column is read).
  void AddConstraint(std::unique_ptr<TCtrData> Ctr, const std::string& LogTitle);
  /// Gives an unnamed constraint the name the server will give it (AltName) and files it. Tbl
  /// (may be null) is its table.
  void FileConstraint(std::unique_ptr<TCtrData> Ctr, const TTblData* Tbl);
  /// Records the name of a filed object in its schema, for the numbering of generated names.
  void NoteName(const TDbObj& Obj);
  /// Whether Key (schema + "." + name) was noted since the collection was last empty.
  bool NameTaken(const std::string& Key);
  /// Files Obj in List without the collection's filter and notes its name; a key List holds
  /// already is an error ("Duplicate " Kind " name: ...").
  void FileDirectly(TDbObjList& List, std::unique_ptr<TDbObj> Obj, const std::string& Kind);
  /// The columns and table constraints of CREATE TABLE, from "(".
  void ParseTableBody(TTblData& Tbl);

  // Forms of kinds the model does not hold (qelPGSQLParser_NotRead.cpp): each is read over
  // with a warning that names it, never stepped over without a word.
  /// Warns that Words (the statement's first words) are not read and skips to the terminator.
  void PassOverNotRead(const std::string& Words);
  /// Records an object of a kind that is not read in the collection's NotRead.
  void NoteNotRead(const std::string& Kind, const std::string& Name, const std::string& Table);
  /// SELECT and TRUNCATE; false when the current symbol starts neither.
  bool ParseStatementNotRead();
  /// CREATE EXTENSION, COLLATION, POLICY, STATISTICS, EVENT TRIGGER, CONSTRAINT TRIGGER and
  /// MATERIALIZED VIEW, after CREATE; false when the current symbol starts none.
  bool ParseCreateNotRead();
  /// ALTER TABLE ... [ENABLE | DISABLE | [NO] FORCE] ROW LEVEL SECURITY and REPLICA IDENTITY,
  /// after the table's name; false when the current symbol starts neither.
  bool ParseAlterTableNotRead(const std::string& Table);
  /// The current symbol is the word EXCLUDE starting a constraint (USING or "(" follows), not
  /// a column of that name.
  bool StartsExclude();
  /// EXCLUDE ..., a table element: read over with a warning, to the "," or ")" that ends it.
  void SkipExclude(const TCtrContext& Ctx);
  /// NOT VALID and NO INHERIT after a constraint, read over with a warning; false when the
  /// current symbols are neither.
  bool SkipConstraintTail(const TCtrData& Ctr);
  /// USING INDEX name after PRIMARY KEY or UNIQUE: the key takes the columns of that index,
  /// which becomes the key's own (the server renames it to the key's name).
  void ParseKeyUsingIndex(TCtrData& Ctr);
  /// GENERATED ... AS (expression) STORED or AS IDENTITY: the column is read as a plain one.
  void ParseGenerated(TFldData& Fld);
  /// INHERITS (parent, ...): the table is read as a plain table holding the columns it
  /// inherits, in front of its own, as the catalog lists them.
  void ParseInherits(TTblData& Tbl);
  /// The fields of an interval type (DAY TO SECOND ...), read over with a warning.
  void SkipIntervalFields(TFldData& Fld);
  /// DROP FUNCTION [IF EXISTS] name [(parameters)] [CASCADE | RESTRICT], after FUNCTION: the
  /// function read before goes.
  void ParseDropFunction();
  /// The name the server gives an index written without one: table_column_..._idx, numbered
  /// when taken.
  std::string UnnamedIndexName(const TIdxData& Idx);

  // Types, domains, conversions, operators and operator classes (qelPGSQLParser_Types.cpp).
  /// The name after TYPE or DOMAIN (Sy on that word), reported as the statement's object, and
  /// the domain or type of that name read already into Existing (nullptr when none). False when
  /// the name cannot be read, or, with a warning and the statement passed over, when the one
  /// read already is of another schema.
  bool ParseDomainName(std::string& Name, std::string& Schema, TDmnData*& Existing);
  /// OWNER TO role, with Sy on OWNER; the role becomes Obj's owner (Creator, where the catalog
  /// reader keeps it) when Obj is given.
  void ParseOwnerTo(TDbObj* Obj);
  /// A type as written in an operator or operator-class clause, in the text a routine's
  /// argument key uses for it; "NONE" stays "NONE".
  std::string ParseTypeText();
  /// The current name or keyword in capitals, as an option word (DEFAULT, ANALYZE and JOIN are
  /// keywords); empty for any other symbol.
  std::string OptionWord();
  /// An option value read and not kept: up to the "," or ")" that ends it.
  void SkipOptionValue();
  /// An operator symbol (or a quoted one) at the current symbol; empty when none stands here.
  std::string ParseOperatorSymbol();
  /// [schema "."] operator symbol, or OPERATOR "(" [schema "."] symbol ")"; the symbol. Schema
  /// (when given) receives the schema, "public" when none is written.
  std::string ParseOperatorRef(std::string* Schema = nullptr);
  /// The "(" options ")" of a base type.
  void ParseTypeOptions(TPGTypeOptions& Opt);
  /// The "(" attributes ")" of a composite type.
  void ParseTypeAttributes(TDmnData& Dmn);
  /// The type and the DEFAULT, NOT NULL, NULL, COLLATE and CHECK clauses of a domain.
  void ParseDomainBody(TDmnData& Dmn);
  /// CHECK "(" condition ")" of a domain, Sy on CHECK: added to the domain's checks, under
  /// Name when the script gives one.
  void ParseDomainCheck(TDmnData* Dmn, const std::string& Name = {});
  /// ALTER DOMAIN ... DROP CONSTRAINT [IF EXISTS] name [CASCADE | RESTRICT].
  void ParseDomainDropCheck(TDmnData& Dmn);
  /// CREATE OPERATOR CLASS from the word CLASS.
  void ParseOperatorClass();

  /// Columns of the primary keys read by the current ParseText, by table name.
  std::unordered_map<std::string, std::vector<std::string>> FPrimaryKeys;
  /// Schema + "." + name of every object filed since the collection was last empty: those noted
  /// since the last question in FNewNames, hashed into FTakenNames when one is asked (most
  /// scripts name every object and never ask).
  std::unordered_set<std::string> FTakenNames;
  std::vector<std::string> FNewNames;
  /// The table CREATE TABLE is reading, and the constraints read with it.
  TTblData* FTableBeingRead = nullptr;
  std::vector<std::unique_ptr<TCtrData>> FPendingConstraints;
  std::unordered_set<std::string> FClippedNames;  // names cut so far, each warned about once
  bool FQuotedIdent = false;  // the current identifier was written in double quotes
  bool FOrReplace = false;    // the CREATE statement read says OR REPLACE
  bool FScanning = false;     // inside GetSy: errors stand where the scanner is
  std::int32_t FSyLine = 1;   // line and column of the current symbol's first byte
  std::int32_t FSyCol = 1;
  std::int32_t FPrevEnd = 1;       // 1-based position just after the symbol before the current one
  std::int64_t FStmtErrCount = 0;  // FErrCount when the current statement began
};

}  // namespace qel
