// DB2 dialect: the script parser that reads DB2 DDL scripts (with the CONNECT, COMMIT and
// TERMINATE commands such scripts carry) into the schema object model, and re-reads the view
// and trigger texts a DB2 catalog returns.
//
// The parser's sources are split by role: qelDB2Parser.cpp (keywords, quoting, the scanner,
// the statement loop, the session and read-only statements, DROP, the re-read of catalog texts
// and errors), qelDB2Parser_Tbl.cpp (tables, columns, data types, ALTER TABLE, constraints and
// indexes) and qelDB2Parser_Prc.cpp (views and triggers).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDB2Quote.h"
#include "qelParser.h"

namespace qel {

// Keyword symbols of DB2ResWords the grammar tests.
constexpr std::uint8_t db2ADD = 30;
constexpr std::uint8_t db2AFTER = 31;
constexpr std::uint8_t db2ALIAS = 32;
constexpr std::uint8_t db2ALLOW = 33;
constexpr std::uint8_t db2ALTER = 34;
constexpr std::uint8_t db2AS = 35;
constexpr std::uint8_t db2AUTHORIZATION = 36;
constexpr std::uint8_t db2BEFORE = 37;
constexpr std::uint8_t db2BUFFERPOOL = 38;
constexpr std::uint8_t db2BY = 39;
constexpr std::uint8_t db2CACHE = 40;
constexpr std::uint8_t db2CAPTURE = 41;
constexpr std::uint8_t db2CARDINALITY = 42;
constexpr std::uint8_t db2CHAR = 43;  ///< also CHARACTER
constexpr std::uint8_t db2CHECK = 44;
constexpr std::uint8_t db2CLUSTER = 45;
constexpr std::uint8_t db2CONNECT = 46;
constexpr std::uint8_t db2COMMIT = 47;
constexpr std::uint8_t db2CONSTRAINT = 48;
constexpr std::uint8_t db2CREATE = 49;
constexpr std::uint8_t db2CURRENT = 50;
constexpr std::uint8_t db2DATA = 51;
constexpr std::uint8_t db2DATABASE = 52;
constexpr std::uint8_t db2DB2SQL = 53;
constexpr std::uint8_t db2DEFAULT = 54;
constexpr std::uint8_t db2DELETE = 55;
constexpr std::uint8_t db2DISALLOW = 56;
constexpr std::uint8_t db2DOUBLE = 57;
constexpr std::uint8_t db2EACH = 58;
constexpr std::uint8_t db2FILE = 59;
constexpr std::uint8_t db2FOR = 60;
constexpr std::uint8_t db2FOREIGN = 61;
constexpr std::uint8_t db2GENERATED = 62;
constexpr std::uint8_t db2GRANT = 63;
constexpr std::uint8_t db2GROUP = 64;
constexpr std::uint8_t db2GRAPHIC = 65;
constexpr std::uint8_t db2IDENTITY = 66;
constexpr std::uint8_t db2IN = 67;
constexpr std::uint8_t db2INCREMENT = 68;
constexpr std::uint8_t db2INDEX = 69;
constexpr std::uint8_t db2INSERT = 70;
constexpr std::uint8_t db2KEY = 71;
constexpr std::uint8_t db2LONG = 72;
constexpr std::uint8_t db2MODE = 73;
constexpr std::uint8_t db2NEW = 74;
constexpr std::uint8_t db2NEW_TABLE = 75;
constexpr std::uint8_t db2NO = 76;
constexpr std::uint8_t db2NOT = 77;
constexpr std::uint8_t db2NULL = 78;
constexpr std::uint8_t db2OF = 79;
constexpr std::uint8_t db2OLD = 80;
constexpr std::uint8_t db2OLD_TABLE = 81;
constexpr std::uint8_t db2ON = 82;
constexpr std::uint8_t db2OPTIMIZATION = 83;
constexpr std::uint8_t db2OPTION = 84;
constexpr std::uint8_t db2PARTITION = 85;
constexpr std::uint8_t db2PATH = 86;
constexpr std::uint8_t db2PRIMARY = 87;
constexpr std::uint8_t db2RECOVERY = 88;
constexpr std::uint8_t db2REFERENCES = 89;
constexpr std::uint8_t db2REFERENCING = 90;
constexpr std::uint8_t db2RESET = 91;
constexpr std::uint8_t db2RESTRICT = 92;
constexpr std::uint8_t db2ROW = 93;
constexpr std::uint8_t db2SCHEMA = 94;
constexpr std::uint8_t db2SELECT = 95;
constexpr std::uint8_t db2SET = 96;
constexpr std::uint8_t db2START = 97;
constexpr std::uint8_t db2SYSTEM = 98;
constexpr std::uint8_t db2TABLE = 99;
constexpr std::uint8_t db2TABLESPACE = 100;
constexpr std::uint8_t db2TO = 101;
constexpr std::uint8_t db2TRIGGER = 102;
constexpr std::uint8_t db2UNIQUE = 103;
constexpr std::uint8_t db2UPDATE = 104;
constexpr std::uint8_t db2USER = 105;
constexpr std::uint8_t db2USING = 106;
constexpr std::uint8_t db2VIEW = 107;
constexpr std::uint8_t db2WHEN = 108;
constexpr std::uint8_t db2WITH = 109;
constexpr std::uint8_t db2YEARS = 110;

/// Breaks a long one-line text into lines of fewer than 80 characters at blanks (a word longer
/// than that stays whole on its line); a text shorter than 80 characters is returned unchanged.
/// Used for view bodies, which DB2 catalogs return on one line.
std::string DB2FormatBody(const std::string& Text);

/// Reads DB2 DDL scripts into a collection: tables with their columns (identity and generated
/// columns with their options), the constraints ALTER TABLE adds, indexes, views and triggers.
/// Tablespaces, schemas, aliases, grants of tablespace use and CONNECT are read and build
/// nothing; INSERT statements are stepped over. SET CURRENT SCHEMA gives every object named
/// without a schema its schema; SET CURRENT PATH is kept with the views made after it.
///
/// DROP statements and ALTER TABLE ... ADD column / DROP take their effect on the collection,
/// so that a schema script followed by an update script written for it reads as the schema the
/// update leads to.
///
/// Every statement read is reported through the statement event (the script executor runs
/// them); COMMIT as a commit, CONNECT TO as a connect.
///
/// Errors never stop the reading: each is recorded (the first also goes to OnErrorMessage) and
/// the parser goes on with the next symbol up to the statement's terminator.
class TDB2Parser : public TCustomSQLParser {
 public:
  explicit TDB2Parser(TCustomObjs* AObjs);
  ~TDB2Parser() override;

  // Fields, in declaration order.

  /// The object ParseObjText is re-reading; nullptr while scripts are read. Errors then name
  /// it, and the view and trigger readers fill it instead of making new objects.
  TDbObj* ParseObj = nullptr;
  /// The parts of the last name read by Obj_Ident.
  std::string IdentOwner;
  std::string IdentName;
  std::string IdentPart3;

  // Replaced virtual operations.

  void DoAfterGetSy() override;
  void BuildResWords() override;
  /// The statement loop.
  void ParseText() override;
  void ErrMsg(const std::string& Text) override;
  std::string QuoteIdent(const std::string& Name) override;
  using TCustomParser::DoAddStatement;

  /// Re-reads the catalog text (FullText) of a view or trigger into that object; nothing is
  /// filed. Other classes and an empty text are passed over.
  void ParseObjText(TDbObj* Obj);
  /// Reads a qualified name of up to two parts (three for dboField) into IdentOwner, IdentName
  /// and IdentPart3.
  void Obj_Ident(TDbObject Kind);

  // Statement readers (qelDB2Parser_Tbl.cpp), each from its first word after CREATE/ALTER.

  void ParseCreateTable();
  /// From TABLE after ALTER.
  void ParseAlterTable();
  /// From INDEX, or from UNIQUE before INDEX.
  void ParseCreateIndex();
  /// From VIEW. View given: filled, not filed.
  void ParseCreateView(TViwData* View);
  /// From TRIGGER. Trigger given: filled, not filed.
  void ParseCreateTrigger(TTrgData* Trigger);
  /// From DROP.
  void ParseDrop();

 private:
  /// The current symbol is an unquoted word (identifier or keyword) equal to Word.
  bool IsWord(const char* Word) const;
  /// The schema an object takes: the one written, else CurrentSchema.
  std::string SchemaOf(const std::string& Written) const;
  std::string CurrentSchema() const;
  std::string CurrentPath() const;
  /// A name part: the identifier's text (double-quoted names are identifiers), "*", or "" with
  /// the missing-symbol error.
  std::string NamePart() { return ReadNamePart(kNameRules); }
  static constexpr TNamePartRules kNameRules{.Missing = syDot};
  /// Sets what the current statement reports when it ends.
  void Report(TStatType Typ, const std::string& ObjName, TDbObject ObjType, TDbOperation Op,
              const std::string& OwnName = "");
  /// Text of the statement from its start up to the terminator (or the end), line breaks
  /// made CR LF.
  std::string RestOfStatement(std::int32_t Start);
  /// The first byte from Ch on that is no blank or line break; 0 at the end.
  char NextNonBlank() const;
  /// The word after the current symbol is Word (upper case), read without moving on.
  bool NextWordIs(std::string_view Word) const;

  void BeginStatement() override;
  void ParseStatement() override;
  /// Reports what the statement recorded and reads its terminator, which even the last
  /// statement of the text must have.
  void EndStatement(std::int32_t Start) override;
  void ParseCreate();
  void ParseAlter();
  void ParseSet();
  void ParseGrant();
  void ParseConnect();
  void ParseTablespace();
  void ParseTablespaceParams();

  /// Constraints read with their table's CREATE TABLE, filed after the table.
  using TCtrList = std::vector<std::unique_ptr<TCtrData>>;

  // Table pieces (qelDB2Parser_Tbl.cpp).
  /// A column; the constraints written with it go to Keys, or are filed when Keys is null.
  void ParseColumn(TTblData& Tbl, const std::string& TableName, bool File,
                   TCtrList* Keys = nullptr);
  void ParseDataType(TFldData& Fld);
  void ParseColumnOptions(TFldData& Fld);
  /// [CONSTRAINT name] PRIMARY KEY | UNIQUE | CHECK (...) | REFERENCES ... after a column's
  /// type: false (nothing read) when none starts here.
  bool ParseColumnConstraint(const TFldData& Fld, const std::string& Schema, TCtrList* Keys);
  /// A table constraint of CREATE TABLE or ALTER TABLE ADD, from CONSTRAINT, PRIMARY, UNIQUE,
  /// CHECK or FOREIGN: false (nothing read) when none starts here.
  bool ParseTableConstraint(const std::string& Table, const std::string& Schema, TCtrList* Keys);
  void ParseDefault(TFldData& Fld);
  void ParseGenerated(TFldData& Fld);
  /// Column list: optionally in parentheses, names with ASC/DESC. Into Idx (with the sort
  /// order) or into List.
  void ParseColumnList(TIdxData* Idx, TStrings* List);
  /// From the constraint's kind (PRIMARY, UNIQUE, CHECK, FOREIGN) to its end; see
  /// FileConstraint.
  void ParseConstraint(std::unique_ptr<TCtrData> Ctr, TCtrList* Keys = nullptr);
  /// From REFERENCES: the referenced table, its columns and the ON DELETE/UPDATE actions.
  void ParseReferences(TCtrData& Ctr);
  /// Reads the constraint's closing attributes and files it, or adds it to Keys when given.
  void FileConstraint(std::unique_ptr<TCtrData> Ctr, TCtrList* Keys);
  TUDAction ParseFKAction();
  void ParseAlterDrop(TTblData* Tbl, const std::string& TableName, const std::string& Schema);
  /// The table of ALTER TABLE: schema "." name when a schema is given, else the current schema.
  TTblData* FindTable(const std::string& Schema, const std::string& Name) const;

  bool FQuoted = false;  ///< the current identifier was written in double quotes
  /// What the statement being read reports through the statement event when it ends without
  /// an error; FReport false: nothing (TERMINATE, CONNECT RESET, an empty statement).
  bool FReport = false;
  TStatType FRepTyp = stStatement;
  std::string FRepName;
  TDbObject FRepKind = dboUnknown;
  TDbOperation FRepOp = odbUnknown;
  std::string FRepOwn;
};

}  // namespace qel
