// SQL Anywhere dialect: the script parser that reads SQL Anywhere DDL scripts (statements ended
// by ";" and/or a line holding only GO) into the schema object model, and re-reads the view,
// procedure and trigger texts a SQL Anywhere catalog returns.
//
// The parser's sources are split by role: qelASAParser.cpp (keywords, quoting, the scanner, the
// statement loop, CONNECT, GRANT, COMMENT, SET, the ALTER dispatch, DROP, the re-read of catalog
// texts, errors and dependency linking), qelASAParser_Tbl.cpp (tables, columns, types, defaults,
// keys, indexes, domains and ALTER TABLE) and qelASAParser_Prc.cpp (routines, triggers, views,
// events and publications).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "qelASAQuote.h"
#include "qelComp_Ctr.h"
#include "qelComp_Exc.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelParser.h"

namespace qel {

// Keyword symbols of ASAResWords the grammar tests.
constexpr std::uint8_t asaADD = 30;
constexpr std::uint8_t asaALL = 31;
constexpr std::uint8_t asaALTER = 32;
constexpr std::uint8_t asaAND = 33;
constexpr std::uint8_t asaAS = 35;
constexpr std::uint8_t asaASC = 36;
constexpr std::uint8_t asaBEGIN = 37;
constexpr std::uint8_t asaBIGINT = 38;
constexpr std::uint8_t asaBINARY = 39;
constexpr std::uint8_t asaBIT = 40;
constexpr std::uint8_t asaBY = 41;
constexpr std::uint8_t asaCALL = 42;
constexpr std::uint8_t asaCASCADE = 43;
constexpr std::uint8_t asaCHAR = 44;  ///< also CHARACTER
constexpr std::uint8_t asaCHECK = 45;
constexpr std::uint8_t asaCOMMENT = 47;
constexpr std::uint8_t asaCOMMIT = 48;
constexpr std::uint8_t asaCONNECT = 49;
constexpr std::uint8_t asaCONSTRAINT = 50;
constexpr std::uint8_t asaCREATE = 51;
constexpr std::uint8_t asaCURRENT = 52;
constexpr std::uint8_t asaDATE = 55;
constexpr std::uint8_t asaDEC = 56;  ///< also DECIMAL
constexpr std::uint8_t asaDEFAULT = 58;
constexpr std::uint8_t asaDELETE = 59;
constexpr std::uint8_t asaDESC = 60;
constexpr std::uint8_t asaDOUBLE = 61;
constexpr std::uint8_t asaDROP = 62;
constexpr std::uint8_t asaENCRYPTED = 63;
constexpr std::uint8_t asaEXECUTE = 66;  ///< also EXEC
constexpr std::uint8_t asaFLOAT = 67;
constexpr std::uint8_t asaFOR = 68;
constexpr std::uint8_t asaFOREIGN = 69;
constexpr std::uint8_t asaFROM = 70;
constexpr std::uint8_t asaGRANT = 71;
constexpr std::uint8_t asaGROUP = 72;
constexpr std::uint8_t asaIDENTIFIED = 73;
constexpr std::uint8_t asaIF = 74;
constexpr std::uint8_t asaIN = 75;
constexpr std::uint8_t asaINDEX = 76;
constexpr std::uint8_t asaINOUT = 77;
constexpr std::uint8_t asaINSERT = 78;
constexpr std::uint8_t asaINT = 79;  ///< also INTEGER
constexpr std::uint8_t asaIS = 81;
constexpr std::uint8_t asaKEY = 82;
constexpr std::uint8_t asaLONG = 83;
constexpr std::uint8_t asaMESSAGE = 84;
constexpr std::uint8_t asaMODIFY = 86;
constexpr std::uint8_t asaNOT = 89;
constexpr std::uint8_t asaNULL = 91;
constexpr std::uint8_t asaNUMERIC = 92;
constexpr std::uint8_t asaOF = 93;
constexpr std::uint8_t asaOFF = 94;
constexpr std::uint8_t asaON = 95;
constexpr std::uint8_t asaOPTION = 97;
constexpr std::uint8_t asaOPTIONS = 98;
constexpr std::uint8_t asaORDER = 100;
constexpr std::uint8_t asaOUT = 101;
constexpr std::uint8_t asaPRECISION = 103;
constexpr std::uint8_t asaPRIMARY = 104;
constexpr std::uint8_t asaPRIVILEGES = 105;
constexpr std::uint8_t asaPROCEDURE = 106;  ///< also PROC
constexpr std::uint8_t asaREAL = 107;
constexpr std::uint8_t asaREFERENCES = 108;
constexpr std::uint8_t asaREMOTE = 109;
constexpr std::uint8_t asaRESOURCE = 111;
constexpr std::uint8_t asaRESTRICT = 113;
constexpr std::uint8_t asaSELECT = 115;
constexpr std::uint8_t asaSET = 116;
constexpr std::uint8_t asaSETUSER = 117;
constexpr std::uint8_t asaSMALLINT = 118;
constexpr std::uint8_t asaTABLE = 119;
constexpr std::uint8_t asaTEMPORARY = 120;
constexpr std::uint8_t asaTIME = 121;
constexpr std::uint8_t asaTIMESTAMP = 122;
constexpr std::uint8_t asaTINYINT = 123;
constexpr std::uint8_t asaTO = 124;
constexpr std::uint8_t asaTRIGGER = 125;
constexpr std::uint8_t asaUNIQUE = 127;  ///< also UNIQUEIDENTIFIER
constexpr std::uint8_t asaUPDATE = 130;
constexpr std::uint8_t asaUSER = 131;
constexpr std::uint8_t asaUSING = 132;
constexpr std::uint8_t asaVARBINARY = 133;
constexpr std::uint8_t asaVARCHAR = 134;
constexpr std::uint8_t asaVARIABLE = 135;
constexpr std::uint8_t asaVIEW = 137;
constexpr std::uint8_t asaWITH = 139;
constexpr std::uint8_t asaWORK = 140;
constexpr std::uint8_t asaBETWEEN = 141;
constexpr std::uint8_t asaDBSPACE = 142;
constexpr std::uint8_t asaMEMBERSHIP = 143;
constexpr std::uint8_t asaPUBLICATION = 144;
constexpr std::uint8_t asaSTART = 145;
constexpr std::uint8_t asaTRAN = 146;  ///< also TRANSACTION

/// Reads SQL Anywhere DDL scripts into a collection: tables with their columns, keys and checks,
/// indexes, domains, procedures and functions, triggers, views, events, publications and
/// comments. Grants, CONNECT and SET OPTION are read; routine, trigger, view and event bodies
/// are kept as text, only their headers are analysed.
///
/// A statement ends at an optional ";" and an optional line holding only GO; two statements
/// separated by neither are still both read. Errors never stop the reading: each is recorded
/// with its line and column (the first also goes to OnErrorMessage) and reading goes on.
///
/// DROP statements and ALTER TABLE ... ADD/DROP/MODIFY take their effect on the collection, so
/// that a schema script followed by an update script written for it reads as the schema the
/// update leads to.
class TASAParser : public TCustomSQLParser {
 public:
  explicit TASAParser(TCustomObjs* AObjs);
  ~TASAParser() override;
  bool ServerTypeName(const std::string& Name) const override;

  /// Where a body, or a statement read whole, ends when no GO line follows it.
  enum TBodyEnd : std::uint8_t {
    beStatement,  ///< at its ";" (a view's query, MESSAGE)
    beBlock,      ///< after the END that closes its BEGIN (routines, triggers, events, BEGIN)
    beIf,         ///< after the END IF that closes it (a top-level IF ... END IF)
  };

  // Fields, in declaration order.

  /// The object ParseObjText is re-reading; nullptr while scripts are read. Errors then name
  /// it, and the routine, trigger and view readers fill it instead of making new objects.
  TDbObj* ParseObj = nullptr;
  /// The statement made by the last DoAddStatement.
  TObject* LastStatement = nullptr;
  /// Scratch owner of qualified names in grants and comments.
  std::string NameOwnerBuf;
  /// The parts of the last name read by Obj_Ident.
  std::string IdentOwner;
  std::string IdentName;
  std::string IdentPart3;
  /// What the statement being read reports when it ends.
  TStatType StatType = stStatement;
  std::string StatObjName;
  std::string StatOwnName;
  TDbObject StatDbObject = dboUnknown;
  TDbOperation StatDbOperation = odbUnknown;

  // Replaced virtual operations.

  /// ";" then a GO line, each optional, when Symbol is the terminator.
  void TestAndGetSy(std::uint8_t Symbol) override;
  /// A GO line is the terminator; names start with "#", "$", "@", a letter or "_".
  void DoGetSy() override;
  /// A double-quoted string is a name.
  void DoAfterGetSy() override;
  /// "%" and "//" comments, then the base's.
  bool SkipText() override;
  void BuildResWords() override;
  /// The statement loop.
  void ParseText() override;
  void ErrMsg(const std::string& Text) override;
  /// "\r\ngo".
  std::string GenTerm() override;
  /// "% " + Text.
  std::string GenComment(const std::string& Text) override;
  /// Publications to the tables and columns of their articles, then the base's links.
  void Link_Depend() override;
  bool SkipComment() override;
  /// Reads at least one symbol, until Sy is in Stops or the text ends.
  void SkipStatement(const TSymSet& Stops) override;
  std::string QuoteIdent(const std::string& Name) override;
  using TCustomParser::DoAddStatement;

  /// Re-reads the catalog text (FullText) of a procedure, function, trigger or view into that
  /// object; nothing new is filed. Other classes and an empty text are passed over.
  void ParseObjText(TDbObj* Obj);
  /// Reads a qualified name (up to three parts for dboTrigger, dboIndex and dboField) into
  /// IdentOwner, IdentName and IdentPart3.
  void Obj_Ident(TDbObject Kind);
  /// Obj_Ident, and the owner (Creator) and name stored into Obj.
  void Obj_Ident(TDbObj* Obj, TDbObject Kind = dboUnknown);

  // Statement readers (qelASAParser_Tbl.cpp, qelASAParser_Prc.cpp and, for GRANT, COMMENT, SET,
  // ALTER and DROP, qelASAParser.cpp).

  /// From the name after TABLE.
  void ParseTable(bool GlobalTemporary);
  /// From INDEX.
  void ParseIndex(bool Unique);
  /// From DATATYPE or DOMAIN.
  void StatementCreateDomain();
  /// From the routine name. Routine given: filled, not filed. FindExisting: the collection's
  /// routine of that name (ALTER PROCEDURE).
  void ParseProc(TPrcData* Routine, bool IsProcedure, bool FindExisting);
  /// From the trigger name. Trigger given: filled, not filed.
  void ParseTrigger(TTrgData* Trigger);
  /// From VIEW. View given: filled, not filed.
  void ParseView(TViwData* View);
  /// From EVENT.
  void StatementCreateEvent();
  /// From PUBLICATION.
  void ParsePublication();
  void ParseGrant();
  void ParseComment();
  void ParseSet();
  void ParseAlter();
  void ParseDrop();

 private:
  /// The current symbol is an unquoted word (identifier or keyword) equal to Word.
  bool IsWord(const char* Word) const;
  /// A name part: identifier, [identifier], "*" or a <...> placeholder; "" with an error.
  std::string NamePart() { return ReadNamePart(kNameRules); }
  static constexpr TNamePartRules kNameRules{.Brackets = true, .Placeholders = true};
  /// Owner-aware table name: identifier or string parts, a.b or a.b.c; the owner "DBA" when
  /// DefaultOwner is set and none is written.
  void OwnerName(std::string& Owner, std::string& Name, bool DefaultOwner);
  /// Reads up to the end of the text, a GO line or (with Semicolon) a ";".
  void SkipToEnd(bool Semicolon);
  /// The source text from the 1-based Start up to the body's own end (see OwnEnd), else up to
  /// the GO line (or the end of the text); trimmed, a trailing ";" cut. The reader then stands
  /// on what follows the body.
  std::string BodyFrom(std::int32_t Start, TBodyEnd Kind);
  /// Reads the statement of Kind that starts at the current symbol up to its own end (see
  /// OwnEnd), else up to the GO line or the end of the text.
  void SkipWhole(TBodyEnd Kind);
  /// The 0-based index where the body of Kind starting at the 0-based From ends (for
  /// beStatement, the index of its ";"), when another statement or the end of the text follows
  /// it before the next GO line. -1 when it does not end before the GO line, or when only ";",
  /// blanks and comments stand between its end and the GO line: the body then runs to the GO
  /// line, as a script written with GO lines has always been read.
  std::int32_t OwnEnd(std::int32_t From, TBodyEnd Kind) const;
  /// Moves the reader to the 0-based index End and reads the symbol that starts there.
  void MoveTo(std::int32_t End);
  /// The key of a table, procedure or view in the collection.
  TTblData* FindTable(const std::string& Name) const;

  void BeginStatement() override;
  void ParseStatement() override;
  /// Passes the rest of a bad statement up to its terminator; the statement is still reported.
  bool PassFailedStatement() override;
  /// Reports the statement and reads its terminator; an empty one (a GO line after ";") is
  /// passed over unreported.
  void EndStatement(std::int32_t Start) override;
  void ParseCreate();
  void ParseConnect();

  // Table pieces.
  TFldData* ParseField(TTblData* Table, const std::string& TableName,
                       std::unique_ptr<TFldData>& Keep);
  void ParseDataType(TFldData& Fld);
  void ParseFieldDesc(TFldData& Fld, TTblData* Table);
  std::string GetDefaultValue();
  void ParsePKey(TTblData* Table, const std::string& TableName, TFldData* Column,
                 std::unique_ptr<TCtrData> Ctr = nullptr);
  void ParseFKey(TTblData* Table, const std::string& TableName, std::unique_ptr<TCtrData> Ctr);
  void ParseCheck(TTblData* Table, std::unique_ptr<TCtrData> Ctr);
  void ParseUnique(TTblData* Table, std::unique_ptr<TCtrData> Ctr);
  /// "(" names [ASC|DESC], ... ")": each name with its order (0 none, 1 ASC, 2 DESC).
  std::vector<std::pair<std::string, std::int32_t>> ParseIdxColumns();
  TUDAction ParseFKAction();
  /// A constraint on Table, its table name and owner set.
  std::unique_ptr<TCtrData> NewConstraint(TTblData* Table, const std::string& TableName,
                                          TConstraintType Type);
  void ParseAlterTable();
  /// From the word after ALTER TABLE Name DROP; Tbl is the table when the script made it.
  void ParseAlterTableDrop(const std::string& Name, TTblData* Tbl);
  void ParseParams(TPrcData& Routine);
  void ParseSchedule(TEvtData& Event);
  void StatementAlterEvent();

  bool FQuoted = false;          ///< the current identifier was written in double quotes
  std::int32_t FTermLine = 0;    ///< line of the last GO read
  std::int32_t FTermColumn = 0;  ///< column of its G
  std::int32_t FSyLine = 0;      ///< line of the current symbol's first byte
  std::int32_t FSyColumn = 0;    ///< column of the current symbol's first byte
};

}  // namespace qel
