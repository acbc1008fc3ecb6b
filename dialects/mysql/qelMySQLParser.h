// MySQL dialect: the script parser that reads MySQL DDL (scripts, dump
// files and the CREATE texts the server returns) into the schema object model.
//
// The parser's sources are split by role: qelMySQLParser.cpp (keywords, quoting, the scanner,
// the statement loop, SET, DROP, views, the re-parse of catalog texts and errors) and
// qelMySQLParser_Tbl.cpp (tables, columns, data types, defaults, keys, indexes, table options
// and ALTER TABLE).
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
#include "qelComp_Idx.h"
#include "qelComp_Tbl.h"
#include "qelComp_Viw.h"
#include "qelDBOptions.h"
#include "qelMySQLQuote.h"
#include "qelParser.h"

namespace qel {

// Keyword symbols of MySQLResWords the grammar tests.
constexpr std::uint8_t myADD = 30;
constexpr std::uint8_t myALTER = 31;
constexpr std::uint8_t myAS = 32;
constexpr std::uint8_t myBIGINT = 33;
constexpr std::uint8_t myBINARY = 34;
constexpr std::uint8_t myTINYINT = 35;  ///< also BIT and BOOL
constexpr std::uint8_t myBLOB = 36;
constexpr std::uint8_t myCASCADE = 38;
constexpr std::uint8_t myCHAR = 39;  ///< also CHARACTER
constexpr std::uint8_t myCOLLATE = 40;
constexpr std::uint8_t myCONSTRAINT = 41;
constexpr std::uint8_t myCREATE = 42;
constexpr std::uint8_t myDATABASE = 43;
constexpr std::uint8_t myDATE = 44;
constexpr std::uint8_t myDATETIME = 45;
constexpr std::uint8_t myDECIMAL = 46;  ///< also DEC
constexpr std::uint8_t myDEFAULT = 47;
constexpr std::uint8_t myDELETE = 48;
constexpr std::uint8_t myDOUBLE = 49;
constexpr std::uint8_t myDROP = 50;
constexpr std::uint8_t myENUM = 51;
constexpr std::uint8_t myEXISTS = 52;
constexpr std::uint8_t myFLOAT = 53;
constexpr std::uint8_t myFOREIGN = 54;
constexpr std::uint8_t myFROM = 55;
constexpr std::uint8_t myFULLTEXT = 56;
constexpr std::uint8_t myIF = 57;
constexpr std::uint8_t myINDEX = 58;
constexpr std::uint8_t myINSERT = 59;
constexpr std::uint8_t myINT = 60;  ///< also INTEGER
constexpr std::uint8_t myINTO = 61;
constexpr std::uint8_t myKEY = 62;
constexpr std::uint8_t myLONGBLOB = 63;
constexpr std::uint8_t myLONGTEXT = 64;
constexpr std::uint8_t myMEDIUMBLOB = 65;
constexpr std::uint8_t myMEDIUMINT = 66;
constexpr std::uint8_t myMEDIUMTEXT = 67;
constexpr std::uint8_t myNATIONAL = 68;
constexpr std::uint8_t myNOT = 69;
constexpr std::uint8_t myNULL = 70;
constexpr std::uint8_t myNUMERIC = 71;
constexpr std::uint8_t myON = 72;
constexpr std::uint8_t myOR = 73;
constexpr std::uint8_t myPRECISION = 74;
constexpr std::uint8_t myPRIMARY = 75;
constexpr std::uint8_t myREAL = 76;
constexpr std::uint8_t myREFERENCES = 77;
constexpr std::uint8_t myREPLACE = 78;
constexpr std::uint8_t myRESTRICT = 79;
constexpr std::uint8_t mySET = 80;
constexpr std::uint8_t mySELECT = 81;
constexpr std::uint8_t mySMALLINT = 82;
constexpr std::uint8_t mySPATIAL = 83;
constexpr std::uint8_t mySQL = 84;
constexpr std::uint8_t myTABLE = 85;
constexpr std::uint8_t myTEMPORARY = 86;
constexpr std::uint8_t myTEXT = 87;
constexpr std::uint8_t myTIME = 88;
constexpr std::uint8_t myTINYBLOB = 89;
constexpr std::uint8_t myTINYTEXT = 90;
constexpr std::uint8_t myUPDATE = 91;
constexpr std::uint8_t myUNIQUE = 92;
constexpr std::uint8_t myUNSIGNED = 93;
constexpr std::uint8_t myUSE = 94;
constexpr std::uint8_t myVARCHAR = 95;
constexpr std::uint8_t myYEAR = 96;
constexpr std::uint8_t myZEROFILL = 97;
constexpr std::uint8_t myCharsetIntro = 98;  ///< "_<charset>": _utf8mb4, _latin1 ...

/// Reads MySQL DDL scripts into a collection: tables with their columns, keys, indexes, foreign
/// keys and table options, and views. Only CREATE TABLE, INSERT, UPDATE, DELETE, USE, COMMIT and
/// the SET forms are reported through the statement event; with ReportUncarried set, every other
/// statement read is recorded as a warning, so that a script executor that loads through this
/// parser says what it did not take over.
///
/// Scanner: a name in back quotes is an identifier (a doubled back quote stands for one); "#"
/// and "-- " start line comments; "/*!...*/" version comments of dump files are comments, and
/// the empty statements they leave behind are passed over. Bare names (and back-quoted ones)
/// are upper-cased when the collection's MySQL compare option CaseSensitiveIdentifiers is off.
///
/// Keys are read as the server keeps them, so that a script and the catalog of a database made
/// from it compare equal: a primary key has no name; UNIQUE makes a unique index; unnamed
/// indexes take the name of their first column ("_2", "_3" ... when taken); an unnamed foreign
/// key is named table + "_ibfk_" + number, and a foreign key whose columns lead no key of the
/// table brings an index of its own.
///
/// Errors: a statement with an error is passed over up to its terminator, so one bad statement
/// gives one error and the rest of the script is still read.
class TMySQLParser : public TCustomSQLParser {
 public:
  explicit TMySQLParser(TCustomObjs* AObjs);
  ~TMySQLParser() override;

  // Fields, in declaration order.

  /// The statement the handler returned for the last recorded statement; not owned.
  TObject* LastStatement = nullptr;
  /// The object ParseObjText is reading; nullptr otherwise. Errors then name it.
  TDbObj* ParseObj = nullptr;
  /// Options of the server the script was written for (SET NAMES and SET CHARACTER SET go to
  /// the collection's options).
  TMySQLServerOptions& GetMySQLServerOptions() { return *FServerOptions; }
  /// Record statements that are read but not reported as warnings ("Statement not loaded: ").
  bool ReportUncarried = false;

  // Replaced virtual operations.

  void GetSy() override;
  /// The base links, and each view rests on the views its text reads.
  void Link_Depend() override;
  void DoGetSy() override;
  /// A name ends where a terminator of name characters begins (DELIMITER $$ ... END$$).
  void GetIdent() override;
  void DoAfterGetSy() override;
  bool SkipText() override;
  void BuildResWords() override;
  /// The statement loop.
  void ParseText() override;
  void ErrMsg(const std::string& Text) override;
  /// "#" comment lines, then the framework's comments.
  bool SkipComment() override;
  std::string QuoteIdent(const std::string& Name) override;

  /// Re-reads the CREATE text held in Obj's body (a table or a view) into Obj. The table is not
  /// filed again. Other classes and an empty body are passed over.
  void ParseObjText(TDbObj* Obj);

  // Grammar (qelMySQLParser_Tbl.cpp).

  /// CREATE [TEMPORARY] TABLE from TEMPORARY or TABLE. Table given: filled, not filed.
  void ParseTable(TTblData* Table);
  /// One column definition from its name; the column is made when Fld is null and returned.
  std::unique_ptr<TFldData> ParseField(TTblData* Table, std::unique_ptr<TFldData> Fld);
  /// DEFAULT value [ON UPDATE value] into Fld's default text.
  void ExtractDefaultValue(TFldData& Fld);
  /// [KEY|INDEX] [name] [USING x] (cols) of an index of Table; with Table null, the stand-alone
  /// form name ON table (cols).
  void ParseIndex(TTblData* Table, bool Fulltext, bool Spatial, bool Unique);
  /// CREATE VIEW from the word after CREATE [OR REPLACE]. View given: filled, not filed.
  void ParseView(TViwData* View);
  /// Reads over DEFINER = user[@host]: the account differs from server to server, and no model
  /// of this reader keeps it.
  void SkipDefiner();
  /// False: the server takes column names without regard to case ("Duplicate column name").
  bool ColumnCaseSensitive(const TTblData& Table) const override;

 private:
  bool CaseFolded() const;
  /// A keyword the server does not reserve (DATE, TEXT, YEAR, ENUM ...) stands where a name is
  /// expected: it becomes that name (Sy := syIdent).
  void NameFromKeyword();
  /// The word after the current symbol is Word (blanks and comments between); reads nothing.
  bool NextWordIs(std::string_view Word) const;
  /// The current identifier begins a table element other than a column: CHECK, or PERIOD
  /// followed by FOR. A column may be named period, and any name in back quotes is a name.
  bool AtElementWord();
  bool StatementFailed() const { return FErrCount != FStmtErrCount; }
  void Uncarried();
  void ParseStatement() override;
  void ParseCreate();
  void ParseAlter();
  void ParseDrop();
  /// DELIMITER text: the terminator of the statements after it.
  void ParseDelimiter();
  /// A statement of a kind this reader does not read: said so as "Statement passed over: " +
  /// What, and read over up to its terminator.
  void PassedOver(const std::string& What, TMsgType Type);
  void ParseSet();
  std::string GetSetValue(const std::string& ErrText);
  /// [schema "."] name; the schema is dropped.
  /// A name, db.name read as name; Qualified (when given) says whether a database was named.
  std::string GetObjectName(bool* Qualified = nullptr);

  // Table pieces (qelMySQLParser_Tbl.cpp).
  /// ALTER TABLE from the table's name: ADD and MODIFY of columns and keys.
  void ParseAlterTable();
  /// FIRST or AFTER col after a MODIFY of Column (nullptr: a column Table lacks) of Table.
  void ParseColumnPlace(TTblData& Table, TFldData* Column);
  /// DROP ... of ALTER TABLE Table, from DROP on.
  void ParseAlterDrop(const std::string& Table);
  void ParseTableElement(TTblData& Tbl, const std::string& CtrName, bool Named);
  /// Table options after CREATE TABLE's column list; with Alter, those of one ALTER TABLE
  /// alteration (a comma ends them).
  void ParseTableOptions(TTblData& Tbl, bool Alter = false);
  /// The current word begins a table option (ENGINE, COMMENT, DEFAULT CHARSET ...).
  bool AtTableOption() const;
  /// MODIFY [COLUMN] name definition, or with Change CHANGE [COLUMN] old new definition, of
  /// ALTER TABLE Table from MODIFY or CHANGE on. Known: the collection holds Table.
  void ParseRedefinedColumn(TTblData& Table, bool Change, bool Known);
  /// Moves the column at From to the place To of Table's columns and numbers them anew.
  static void MoveColumn(TTblData& Table, int From, int To);
  /// Column Old of Table (of the collection) renamed New: its keys, indexes and the foreign
  /// keys that reference it name it so, as the server renames them with it.
  void RenameColumnInKeys(const TTblData& Table, const std::string& Old, const std::string& New);
  void ParseFieldType(TFldData& Fld);
  /// DOUBLE PRECISION, CHAR VARYING, NATIONAL CHAR ...: the words after a type's first one.
  void ParseTypeWords(TFldData& Fld, std::uint8_t Words);
  /// ENUM and SET values, or "(n [, m])": a length when Sized, else precision and scale.
  void ParseTypeLength(TFldData& Fld, bool Sized);
  /// CHARACTER SET, COLLATE, UNSIGNED, ZEROFILL, BINARY after a type.
  void ParseTypeAttributes(TFldData& Fld);
  /// A character set or collation name (word or string), in the catalog's spelling.
  std::string ReadCharsetName();
  void ParseColumnAttributes(TTblData* Table, TFldData& Fld);
  /// UNIQUE [KEY] on a column: the column asks for a unique index.
  void ParseColumnUnique();
  /// The unique index of column Fld that UNIQUE or SERIAL asks for.
  void FileColumnUnique(TTblData* Table, const TFldData& Fld);
  /// After an error in a column definition that began at ColumnStart: passes over the rest of
  /// that column and reads on from the next element, so that the columns and keys after it
  /// are not missed (and named missing) by the statements that follow.
  void SkipFailedColumn(std::int32_t ColumnStart);
  /// REFERENCES on a column: a foreign key of that column.
  void ParseColumnReferences(TTblData* Table, TFldData& Fld);
  /// AS (expression): a generated column.
  void ParseGeneratedColumn(TFldData& Fld);
  /// AUTO_INCREMENT, COMMENT, CHECK, GENERATED ALWAYS, VIRTUAL/STORED ...; false for a word
  /// that is no column attribute.
  bool ParseColumnWord(TFldData& Fld);
  /// Counts a foreign key of the current table and returns the name the server gives it when
  /// the script names none.
  std::string NextForeignKeyName(const std::string& Table);
  void NormaliseDefault(TFldData& Fld);
  /// "(" col [(len)] [ASC|DESC], ... ")" into an index, or names into a list, or names with
  /// their prefix lengths into a key.
  void ParseIndexColumns(TIdxData* Idx, TStringList* List, TCtrData* Key = nullptr);
  /// Index options (USING, COMMENT, KEY_BLOCK_SIZE ...); returns the USING algorithm
  /// (BTREE, HASH, RTREE), upper-cased, or "", and the comment into Comment when given.
  std::string SkipIndexOptions(std::string* Comment = nullptr);
  void ParsePrimaryKey(TTblData& Tbl, const std::string& Column);
  void ParseForeignKey(TTblData& Tbl, const std::string& CtrName);
  void ParseReferences(TCtrData& Ctr);
  void ParseFKRules(TCtrData& Ctr);
  /// An optional IF NOT EXISTS.
  void SkipIfNotExists();
  /// A parenthesised group, read raw (CHECK conditions, generated columns).
  std::string SkipParens();
  /// Name for an index of the current table: Wanted when no key of the table has it, else
  /// Wanted + "_2", "_3" ..., as the server names it.
  std::string UniqueIndexName(const std::string& Wanted);
  void FileIndex(std::unique_ptr<TIdxData> Idx);
  void FileConstraint(std::unique_ptr<TCtrData> Ctr, const std::string& LogTitle);
  /// Starts reading keys of table Name; FromCollection takes the keys it has already (ALTER
  /// TABLE, CREATE INDEX).
  void BeginTable(const std::string& Name, bool FromCollection);
  /// Foreign keys of the current table whose columns lead no key get their index, as the
  /// server adds it.
  void AddForeignKeyIndexes();
  /// An index the server made for a foreign key: its key in the collection, its table and
  /// columns. The server drops it once another key of the table begins with those columns.
  struct TGeneratedIndex {
    std::string Key;
    std::string Table;
    std::vector<std::string> Columns;
  };
  /// By the upper-case name of their table.
  std::unordered_map<std::string, std::vector<TGeneratedIndex>> FGeneratedIndexes;
  /// The views a script filed, by upper-case name, in the order filed (from 1); Link_Depend
  /// takes it over.
  std::unordered_map<std::string, std::size_t> FViewOrder;
  /// The keys of tables a DROP TABLE dropped that no CREATE TABLE has made again: a view of the
  /// name takes the place of such a table (a dump's stand-in).
  std::unordered_set<std::string> FDroppedTables;
  const TCustomObjs* FGeneratedIndexesOf = nullptr;
  /// Removes the indexes made for foreign keys of Table that a key on Columns stands for.
  void DropGeneratedIndexes(const std::string& Table, const std::vector<std::string>& Columns);
  TTblData* FindTable(const std::string& Name) const;

  std::unique_ptr<TMySQLServerOptions> FServerOptions;
  bool FBackQuoted = false;        // the current identifier was written in back quotes
  bool FVersionComment = false;    // inside /*!...*/, whose text is read as code
  std::int64_t FStmtErrCount = 0;  // FErrCount when the current statement began
  std::int32_t FPrevEnd = 1;       // 1-based position just after the symbol before the current
  bool FCarried = false;           // the current statement was reported
  bool FOrReplace = false;         // the CREATE statement read says OR REPLACE
  /// Names a check constraint read over (the model keeps none for this dialect).
  void CheckNotKept(const std::string& Table, const std::string& Name,
                    const std::string& Condition);
  /// A foreign key waiting for its index: its columns and the name the index would take.
  struct TForeignKeyInfo {
    std::vector<std::string> Columns;
    std::string IndexName;
  };
  /// The keys of the table being read: names and leading columns of its indexes and primary
  /// key, the foreign keys waiting for their index, the number of foreign keys.
  struct TTableKeys {
    std::string Name;
    std::vector<std::string> KeyNames;
    std::vector<std::vector<std::string>> KeyColumns;
    /// KeyNames upper-cased, with how often each stands there, and the number the next name
    /// made from a name taken is tried with: a table of many thousand keys is named in linear
    /// time.
    std::unordered_map<std::string, int> NameCount;
    std::unordered_map<std::string, int> NextNumber;
    /// Of a table the collection holds (ALTER TABLE): KeyNames, KeyColumns and NameCount
    /// hold only what the statement added until EnsureAllKeys brings in the others.
    bool Partial = false;
    void AddKey(std::string KeyName, std::vector<std::string> Columns);
    void EraseKey(std::size_t I);
    bool Taken(const std::string& KeyName) const;
    std::vector<TForeignKeyInfo> ForeignKeys;
    int ForeignKeyCount = 0;
    /// Of a table in FFiledKeys: the columns of its primary key and that key's key in the
    /// collection (the first in key order, should a script give the table two).
    std::vector<std::string> PrimaryKey;
    std::string PrimaryKeyOrder;
  };
  TTableKeys FTable;
  /// Makes FTable hold every key of its table, as the collection has them.
  void EnsureAllKeys();
  /// The keys the collection holds, by table (names, leading columns, the number of foreign
  /// keys): where ALTER TABLE and CREATE INDEX start from. Read from the collection in one pass
  /// when first wanted and then kept as keys are filed, so that a script of many thousand
  /// tables is read in linear time; read again when the collection changed in other hands.
  std::unordered_map<std::string, TTableKeys> FFiledKeys;
  const TCustomObjs* FFiledKeysOf = nullptr;
  /// The versions of the index and constraint lists of FFiledKeysOf (added up) when
  /// FFiledKeys was last in step with them.
  std::uint64_t FFiledKeysVersion = 0;
  bool FiledKeysInStep() const;
  /// Makes FFiledKeys hold the keys of the collection.
  void SyncFiledKeys();
  /// Counts a constraint filed in the collection into FFiledKeys.
  void NoteFiledConstraint(const TCtrData& Ctr, const std::string& Key);
  /// The name a CONSTRAINT clause gives the unique index read next.
  std::string FIndexName;
  /// The column being read asks for a unique index (UNIQUE, SERIAL, SERIAL DEFAULT VALUE):
  /// the server makes one however often it is asked, and none when the column is declared
  /// PRIMARY KEY as well.
  bool FColumnUnique = false;
  /// The column being read is declared PRIMARY KEY.
  bool FColumnPrimary = false;
};

}  // namespace qel
