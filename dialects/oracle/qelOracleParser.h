// Oracle dialect: the script parser that reads Oracle DDL scripts as written for the SQL*Plus
// client (statements ending at ";" or a "/" line, PL/SQL units ending only at the "/" line,
// REM, PROMPT, SET, SPOOL, CONNECT, SHOW ERRORS, EXIT ...) into the schema object model, and
// re-reads the DDL texts an Oracle catalog returns into the objects they describe.
//
// The parser's sources are split by role: qelOracleParser.cpp (keywords, quoting, the scanner,
// the statement loop with the SQL*Plus words, the block copy, CREATE/ALTER/DROP dispatch and
// the small statements, the re-read of catalog texts, dependency linking and errors),
// qelOracleParser_Tbl.cpp (tables, columns, data types, constraints, storage clauses, indexes
// and ALTER TABLE) and qelOracleParser_Prc.cpp (views, triggers, procedures, functions,
// packages and object types).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Pkg.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelOracleQuote.h"
#include "qelParser.h"

namespace qel {

// Keyword symbols of OracleResWords the grammar tests.
constexpr std::uint8_t oraADD = 31;
constexpr std::uint8_t oraALTER = 33;
constexpr std::uint8_t oraAS = 37;
constexpr std::uint8_t oraBY = 41;
constexpr std::uint8_t oraCHAR = 42;
constexpr std::uint8_t oraCHECK = 43;
constexpr std::uint8_t oraCLUSTER = 44;
constexpr std::uint8_t oraCOLUMN = 45;
constexpr std::uint8_t oraCOMMENT = 46;
constexpr std::uint8_t oraCOMPRESS = 47;
constexpr std::uint8_t oraCONNECT = 48;
constexpr std::uint8_t oraCREATE = 49;
constexpr std::uint8_t oraDATE = 51;
constexpr std::uint8_t oraDECIMAL = 52;
constexpr std::uint8_t oraDEFAULT = 53;
constexpr std::uint8_t oraDESC = 55;
constexpr std::uint8_t oraDELETE = 54;
constexpr std::uint8_t oraDROP = 57;
constexpr std::uint8_t oraFLOAT = 62;
constexpr std::uint8_t oraFOR = 63;
constexpr std::uint8_t oraFROM = 64;
constexpr std::uint8_t oraGRANT = 65;
constexpr std::uint8_t oraIDENTIFIER = 68;
constexpr std::uint8_t oraIMMEDIATE = 69;
constexpr std::uint8_t oraINCREMENT = 71;
constexpr std::uint8_t oraINDEX = 72;
constexpr std::uint8_t oraINSERT = 74;
constexpr std::uint8_t oraINTEGER = 75;
constexpr std::uint8_t oraINTO = 77;
constexpr std::uint8_t oraIS = 78;
constexpr std::uint8_t oraLONG = 82;
constexpr std::uint8_t oraMODIFY = 86;
constexpr std::uint8_t oraNOCOMPRESS = 88;
constexpr std::uint8_t oraNOT = 89;
constexpr std::uint8_t oraNULL = 92;
constexpr std::uint8_t oraNUMBER = 93;
constexpr std::uint8_t oraOF = 94;
constexpr std::uint8_t oraON = 96;
constexpr std::uint8_t oraOR = 99;
constexpr std::uint8_t oraORDER = 100;
constexpr std::uint8_t oraPCTFREE = 101;
constexpr std::uint8_t oraPUBLIC = 104;
constexpr std::uint8_t oraRAW = 105;
constexpr std::uint8_t oraREVOKE = 108;
constexpr std::uint8_t oraROW = 109;
constexpr std::uint8_t oraROWID = 110;
constexpr std::uint8_t oraROWS = 113;
constexpr std::uint8_t oraSTART = 114;
constexpr std::uint8_t oraSELECT = 115;
constexpr std::uint8_t oraSESSION = 116;
constexpr std::uint8_t oraSET = 117;
constexpr std::uint8_t oraSMALLINT = 120;
constexpr std::uint8_t oraSYNONYM = 123;
constexpr std::uint8_t oraSYSDATE = 124;
constexpr std::uint8_t oraTABLE = 125;
constexpr std::uint8_t oraTO = 127;
constexpr std::uint8_t oraTRIGGER = 128;
constexpr std::uint8_t oraUID = 129;
constexpr std::uint8_t oraUNIQUE = 131;
constexpr std::uint8_t oraUPDATE = 132;
constexpr std::uint8_t oraUSER = 133;
constexpr std::uint8_t oraVALIDATE = 134;
constexpr std::uint8_t oraVARCHAR = 136;
constexpr std::uint8_t oraVARCHAR2 = 137;
constexpr std::uint8_t oraVIEW = 138;
constexpr std::uint8_t oraWHENEVER = 139;
constexpr std::uint8_t oraWITH = 141;

/// Reads Oracle DDL scripts into a collection: tables with columns, constraints and storage
/// clauses, indexes, sequences, views, triggers, procedures, functions, packages, object and
/// collection types, roles, grants and comments. PL/SQL is kept as text, never parsed.
///
/// Every statement read is reported through the statement event (the script executor runs
/// them); CONNECT user/password as a connect. DROP changes nothing in the collection.
///
/// Errors never stop the reading: each is recorded with line and column (the first also goes
/// to OnErrorMessage) and the parser goes on after the statement's terminator. A PL/SQL unit
/// that no "/" line ends is an error at its start: the rest of the script is not taken into it.
class TOracleParser : public TCustomSQLParser {
 public:
  explicit TOracleParser(TCustomObjs* AObjs);
  ~TOracleParser() override;
  bool ServerTypeName(const std::string& Name) const override;

  // Fields, reset per statement.

  TObject* StatRecord = nullptr;
  TStatType StatType = stStatement;
  TDbObject StatObjKind = dboUnknown;
  TDbOperation StatOperation = odbUnknown;
  std::string StatObjName;
  std::string StatOwnName;
  /// The schema of the table a CREATE TABLE or ALTER TABLE names: its constraints are there.
  std::string StatTableSchema;
  /// The parts of the last name read by Obj_Ident: schema (or table), name, column.
  std::string IdentQualifier;
  std::string IdentName;
  std::string IdentField;
  /// The object ParseObjText is re-reading; nullptr while scripts are read.
  TDbObj* ParseObj = nullptr;

  // Replaced virtual operations.

  void BuildResWords() override;
  void TestSy(std::uint8_t Symbol) override;
  void DoGetSy() override;
  void DoAfterGetSy() override;
  bool SkipText() override;
  /// The statement loop.
  void ParseText() override;
  void ErrMsg(const std::string& Text) override;
  std::string QuoteIdent(const std::string& Name) override;
  /// The framework's linking, then types to their supertypes, element and attribute types,
  /// and tables to their object type and column types.
  void Link_Depend() override;
  /// The framework's ParseScriptText, then Link_Depend: each script is linked once.
  void ParseScriptText(const std::string& Text, TCustomObjs* AObjs) override;
  using TCustomParser::DoAddStatement;

  /// Re-reads the catalog text (FullText) of Obj into Obj itself; nothing happens for an empty
  /// text. Packages are split at their CREATE OR REPLACE PACKAGE BODY line; a trigger's text
  /// loses the ALTER TRIGGER that follows it.
  void ParseObjText(TDbObj* Obj);

  /// Reads a qualified name into IdentQualifier, IdentName and IdentField.
  void Obj_Ident(TDbObject Kind);
  /// Splits a dotted name: without "." Last is Name; with one, First "." Last; with two,
  /// Schema "." First "." Last. Quotes around a part are removed.
  static void DecodeIdent(const std::string& Name, std::string& Schema, std::string& Last,
                          std::string& First);

  // Statement grammar (qelOracleParser.cpp).
  void ParseCreate();
  void ParseAlter();
  void ParseDrop();
  void ParseComment();
  void ParseGrant();
  void ParseRole();
  void ParseSequence(bool Alter);
  void FieldsSeq(TStrings* List);
  void ParseConnect();

  // Table grammar (qelOracleParser_Tbl.cpp).
  void ParseTable(TTblData* Tbl, bool Temporary);
  void ParseTableFields(TTblData* Tbl, const std::string& TblName, bool Modify);
  void ParseField(TTblData* Tbl, TDmnData* Dmn, bool Modify, TObjVector<TFldData>* List);
  void ParseDataType(TFldData& Fld, TTblData* Tbl, bool Modify);
  void ParseConstraint(const std::string& TblName, TFldData* Fld);
  void ParseCtr(std::unique_ptr<TCtrData> Ctr);
  void ParseTableSpace(TTblData* Tbl, TCtrData* Ctr, TIdxData* Idx);
  void ParseIndex(bool Unique);
  void ParseAlterTable();

  // Routine and type grammar (qelOracleParser_Prc.cpp).
  void ParseView(TViwData* View, bool Force);
  void ParseTrigger(TTrgData* Trigger);
  void ParseAlterTrigger();
  /// PROCEDURE or FUNCTION name and its PL/SQL text.
  void ParseRoutine(TPrcData* Prc, bool IsFunction);
  void ParsePackage(TPkgData* Pkg);
  void ParseType(TDmnData* Dmn);
  void ParseTypeDirective(TTypeDirective& Directive);
  void ParseAlterType();

 private:
  /// "TABLE.NAME" of each constraint an ALTER TABLE ... DROP CONSTRAINT dropped and no ADD of
  /// that name has made again since.
  std::unordered_set<std::string> FDroppedConstraints;
  /// Notes where the statement starts and clears what it reports.
  void BeginStatement() override;
  /// One statement from its first word: what it is, and what of it is reported.
  void ParseStatement() override;
  /// Passes the rest of a bad statement and the terminators after it; nothing is reported.
  bool PassFailedStatement() override;
  /// Reports the statement when it is to be, and reads the terminators after it.
  void EndStatement(std::int32_t Start) override;
  /// INSERT, UPDATE, DELETE: reported with their table, read up to the terminator.
  void ParseDataStatement();
  /// A statement that starts with a word of the client (SQL*Plus) or COMMIT, CALL ...
  void ParseClientWord();
  /// The rest of the client's line whose first word is the current symbol: a Command (DEFINE,
  /// EXEC, COLUMN ...) up to its ";" or the end of its line, else (PROMPT ...) the line.
  void SkipLineCommand(bool Command);
  /// OR REPLACE after CREATE (noted in FOrReplace), and EDITIONABLE or NONEDITIONABLE after it.
  void SkipOrReplace();
  /// EDITIONABLE or NONEDITIONABLE after CREATE [OR REPLACE] or FORCE: read, not kept.
  void SkipEditionable();
  /// FORCE (true) or NOFORCE before VIEW.
  bool ReadForce();
  /// GLOBAL TEMPORARY before TABLE.
  bool ReadGlobalTemporary();
  /// [PUBLIC] SYNONYM name FOR object: read, nothing kept.
  void ParseSynonym();
  /// The current symbol is the unquoted word Word (identifier or keyword).
  bool IsWord(const char* Word) const;
  /// Where a block copy stops.
  enum TBlockEnd : std::uint8_t {
    beSlashLine,      ///< a line starting with "/" (not "/*")
    beSlashAlone,     ///< a line holding only "/"
    beViewEnd,        ///< a "/" line or ";" at a line's end
    beSemicolonLine,  ///< ";" at a line's end, or a "/" line
  };
  /// Copies the raw text from the 0-based From up to the block's end and moves the reader
  /// there, so that the next symbol is the "/" line or the ";". A PL/SQL unit (Required)
  /// that reaches the end of the text is an error at StartLine/StartCol.
  std::string BlockCopy(std::size_t From, TBlockEnd End, bool Required = false);
  /// The text of a PL/SQL unit from From up to its "/" line (required).
  std::string BlockCopyAt(std::size_t From) { return BlockCopy(From, beSlashAlone, true); }
  /// With "(" the current symbol: "(" and the raw text up to its ")", then the next symbol.
  std::string ParenTail();
  /// 0-based index of the first byte after the current symbol.
  std::size_t AfterSy() const;
  /// The first byte from Ch on that is no blank or line break; 0 at the end.
  char NextNonBlank() const;
  /// The word after the current symbol, read ahead in the text, is Word (upper case).
  bool NextWordIs(std::string_view Word) const;

  // Pieces of triggers and types (qelOracleParser_Prc.cpp); the bool ones are false after an
  // error.
  /// BEFORE / AFTER / INSTEAD OF and the events (UPDATE OF columns).
  void ParseTriggerEvents(TTrgData& Trg);
  /// REFERENCING NEW / OLD / PARENT AS alias.
  void ParseTriggerAliases(TTrgData& Trg);
  bool ParseSubType(TDmnData& Dmn);
  /// AS / IS OBJECT (members), VARRAY (n) OF type, TABLE OF type.
  bool ParseTypeKind(TDmnData& Dmn);
  void ParseTypeMembers(TDmnData& Dmn);
  void ParseMemberRoutine(TDmnData& Dmn);
  /// The text of a PL/SQL unit from the current symbol up to its "/" line (required), with
  /// CR LF line breaks.
  std::string UnitText();

  // Pieces of a table (qelOracleParser_Tbl.cpp); the bool ones are false after an error.
  bool ParseOnCommit(TTblData& Tbl);
  bool ParseTableClauses(TTblData& Tbl);
  /// PARTITION BY RANGE, LOB ... STORE AS, NESTED TABLE ... STORE AS; false for none of them.
  bool ParseTableStoreClause(TTblData& Tbl);
  /// An out-of-line key, check or foreign key of table TblName, named (CONSTRAINT name ...) or
  /// not; false when the current symbol starts none.
  bool ParseTableConstraint(const std::string& TblName);
  /// ALTER TABLE ADD or MODIFY of one column or a parenthesised list.
  void ParseAlterColumns(TTblData* Tbl, const std::string& TblName, bool Modify);

  // Pieces of a column definition (qelOracleParser_Tbl.cpp).
  /// What follows a type's name (its length, precision, time zone ...), by the type's rule.
  void ParseTypeTail(TFldData& Fld, std::uint8_t Tail);
  /// A length's BYTE or CHAR (the current symbol), which the model does not keep: a warning
  /// that names the column.
  void LengthSemanticsNotKept(const TFldData& Fld);
  /// An optional "(n)"; n goes to Value when it is given.
  void ParseParenInteger(std::int32_t* Value);
  void ParsePrecisionScale(TFldData& Fld);
  void ParseTimeZone(TFldData& Fld);
  void ParseInterval(TFldData& Fld);
  /// DEFAULT, NULL, NOT NULL, IDENTITY and the column's constraints, in any order.
  void ParseFieldAttributes(TFldData& Fld, TTblData* Tbl);
  /// DEFAULT value; false after an error.
  bool ParseFieldDefault(TFldData& Fld);
  void ParseColumnConstraint(TFldData& Fld, TTblData& Tbl);
  /// A column that names no type takes the type of the column its foreign key references.
  void TakeReferencedType(TFldData& Fld, const TTblData& Tbl);

  // Pieces of a constraint; the bool ones are false after an error.
  bool ParseCtrKind(TCtrData& Ctr, bool& Inline);
  void ParseCtrReference(TCtrData& Ctr);
  bool ParseCtrRules(TCtrData& Ctr);
  bool ParseCtrState();
  void SkipUsingIndex();

  /// Files a key or constraint; a key stands for the unique index of its name and columns.
  void AddCtrOrIndex(std::unique_ptr<TCtrData> Ctr);
  TObjs* Collection() const;
  /// Given, or else a new object held in New until it is filed.
  template <class T>
  T* GivenOrNew(T* Given, std::unique_ptr<T>& New) {
    if (Given) return Given;
    New = std::make_unique<T>(Objs);
    return New.get();
  }
  void SetName(TDbObj& Obj);

  std::int32_t FStmtLine = 1;  ///< where the statement being read starts
  std::int32_t FStmtCol = 1;
  bool FUnterminated = false;  ///< the last block copy met the end of the text
  bool FReport = true;         ///< the statement read is reported through the statement event
  bool FQuoted = false;        ///< the current identifier was written in double quotes
  bool FOrReplace = false;     ///< the CREATE statement read says OR REPLACE
};

}  // namespace qel
