// The root of every script reader: a character reader with line and column counting, a keyword
// table, the symbol scanner with its fixed base symbols, expectation checks, error and warning
// reporting into a message list, progress and log events and the statement event. Dialect
// parsers derive from TCustomSQLParser, add their keywords (BuildResWords) and their grammar
// (ParseText), and refine the scanner (DoGetSy, DoAfterGetSy, GetStr, SkipText, SkipComment).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Component.h"
#include "Strings.h"
#include "qelDBOptions.h"
#include "qelMsgMngr.h"
#include "qelTypes.h"

namespace qel {

class TCtrData;
class TCustomObjs;
class TDbObj;
class TDbObjList;
class TFldData;
class TObjs;
class TTblData;
class TTrgData;
class TViwData;
struct TLexicalRules;

// ---------------------------------------------------------------------------------------------
// Base symbols. Every parser knows these; dialect keywords take the symbols from 30 upwards.

constexpr std::uint8_t syEOF = 0;            ///< end of text
constexpr std::uint8_t syIdent = 1;          ///< identifier (Ident)
constexpr std::uint8_t syFloat = 2;          ///< number with a decimal point or exponent
constexpr std::uint8_t syString = 3;         ///< quoted text (StrValue, QuoteChar)
constexpr std::uint8_t syInteger = 4;        ///< number without a decimal point (IntValue)
constexpr std::uint8_t syLParen = 5;         ///< (
constexpr std::uint8_t syRParen = 6;         ///< )
constexpr std::uint8_t syComma = 7;          ///< ,
constexpr std::uint8_t syMinus = 8;          ///< -
constexpr std::uint8_t syPlus = 9;           ///< +
constexpr std::uint8_t syAsterisk = 10;      ///< *
constexpr std::uint8_t sySlash = 11;         ///< /
constexpr std::uint8_t syTerm = 12;          ///< the current statement terminator (TermStr)
constexpr std::uint8_t sySemicolon = 13;     ///< ; when it is not the terminator
constexpr std::uint8_t syEqual = 14;         ///< =
constexpr std::uint8_t syDot = 15;           ///< .
constexpr std::uint8_t syColon = 16;         ///< :
constexpr std::uint8_t syConcat = 17;        ///< ||
constexpr std::uint8_t syLess = 18;          ///< <
constexpr std::uint8_t syGreater = 19;       ///< >
constexpr std::uint8_t syLessEqual = 20;     ///< <=
constexpr std::uint8_t syGreaterEqual = 21;  ///< >=
constexpr std::uint8_t syNotEqual = 22;      ///< <> and !=
constexpr std::uint8_t syDoubleEqual = 23;   ///< ==
constexpr std::uint8_t syLBracket = 24;      ///< [
constexpr std::uint8_t syRBracket = 25;      ///< ]
constexpr std::uint8_t syAt = 26;            ///< @
constexpr std::uint8_t syBackslash = 27;     ///< back-slash
constexpr std::uint8_t syPercent = 28;       ///< %
constexpr std::uint8_t syAmpersand = 29;     ///< &
/// The first symbol a dialect keyword may carry.
constexpr std::uint8_t syFirstResWord = 30;

/// What the symbol log writes (DebugLogOptions of a parser).
enum TDebugLogOption : std::uint8_t { dlSymbol, dlComment, dlExpr };
using TDebugLogOptions = TSet<TDebugLogOption, 3>;

/// A set of byte values, for the characters that may continue an identifier.
using TCharSet = TSet<unsigned char, 256>;

/// Messages of the scanner that are not tied to one grammar.
inline constexpr std::string_view SUnterminatedString = "Unterminated string.";
inline constexpr std::string_view SUnterminatedComment = "Unterminated comment.";
inline constexpr std::string_view STooManyErrors = "Too many errors: reading stopped here.";

// ---------------------------------------------------------------------------------------------

/// A parser's keyword table: a sorted, case-insensitive string list whose entries carry a
/// symbol number (0-255). Adding a word already present keeps the existing entry and symbol.
///
/// The symbol rides in the entry's object slot as a small integer and is never dereferenced.
/// Lookups by word go through a hash index and lookups by symbol through a 256-entry table,
/// both rebuilt when the list has changed, so the scanner never searches the list linearly.
class TResWordList : public TStringList {
 public:
  TResWordList();
  ~TResWordList() override;
  TResWordList(const TResWordList&) = delete;
  TResWordList& operator=(const TResWordList&) = delete;

  /// Adds Word with Symbol; a word already in the list (in any letter case) keeps its entry.
  void AddResWord(const std::string& Word, std::uint8_t Symbol);
  /// Adds every (word, symbol) row of a dialect's keyword table, in table order.
  template <class Rows>
  void AddResWords(const Rows& Table) {
    for (const auto& [Word, Symbol] : Table) AddResWord(std::string(Word), Symbol);
  }
  /// The symbol attached to the entry at Index; 0 outside the list.
  std::uint8_t GetSymbol(int Index) const;
  /// The symbol of Word compared ignoring ASCII case; 0 when the word is absent.
  std::uint8_t GetSymbolByWord(std::string_view Word) const;
  /// The word of the last entry, in sorted order, that carries Symbol; "<???>" when none does.
  const std::string& GetWordBySymbol(std::uint8_t Symbol) const;

 protected:
  void DoChange() override;

 private:
  void Rebuild() const;
  bool Stale() const { return FDirty || UpdateCount() > 0; }

  struct THashSlot {
    std::uint32_t Hash = 0;
    std::int32_t Index = -1;  ///< list entry; -1 = empty slot
    std::uint8_t Symbol = 0;
    std::string Key;  ///< the word in upper case
  };
  mutable bool FDirty = true;
  mutable std::uint64_t FLengths = 0;    ///< bit per word length present (see LengthBit)
  mutable std::vector<THashSlot> FHash;  ///< open addressing, size a power of two
  mutable std::array<std::int32_t, 256> FBySymbol{};  ///< list entry per symbol; -1 = none
};

// ---------------------------------------------------------------------------------------------

/// The parser framework: reads one script text at a time into symbols.
///
/// Reader model: Txt holds the script. Pos is the 1-based position of the next unread byte and
/// Ch the current byte (at Pos - 1); Ch is 0 once the text is exhausted (AtEndOfText), which a
/// NUL byte inside the text is not. Line counts from 1; Column is the bytes consumed on the
/// line plus 1, so GetPosX() is the 1-based column of Ch. A CR LF line break leaves the CR as
/// the last byte of its line and the LF as column 0 of the next.
///
/// Scanner model: GetSy skips white space (and, in SQL parsers, comments) through SkipText,
/// then runs DoBeforeGetSy, DoGetSy and DoAfterGetSy. Sy is the symbol, SyPos its 1-based
/// start; Ident, StrValue, QuoteChar, IntValue and FloatValue hold its value. GetSy always
/// advances and returns syEOF only at the end of the text: a character no scanner accepts is
/// reported as an error at its own line and column and reading goes on with the next symbol.
///
/// Errors never throw: ErrMsg records them in MsgManager (script name, line, column) and the
/// first error of a parser's life also goes to DoErrorMessage; callers judge success by the
/// message list.
///
/// C++ constructors do not dispatch to the derived class: the base constructor fills the base
/// symbols, and a dialect constructor calls its own BuildResWords (which calls this one first).
class TCustomParser : public TObject {
 public:
  explicit TCustomParser(TCustomObjs* AObjs);
  ~TCustomParser() override;
  TCustomParser(const TCustomParser&) = delete;
  TCustomParser& operator=(const TCustomParser&) = delete;

  // --- State (read and written by dialect parsers) ---------------------------------------
  std::string TermStr;       ///< current statement terminator; set by SetTermStr
  std::int32_t TermLen = 0;  ///< its length; 0 = no terminator recognition
  TDatabaseType DatabaseType = dbAbstract;
  bool ShowProgress = true;          ///< report progress per line read
  char Ch = 0;                       ///< current character; 0 at the end of the text
  std::int32_t LineCount = 0;        ///< lines of the script (for progress)
  std::int32_t Line = 1;             ///< current line, from 1
  std::int32_t Column = 1;           ///< bytes consumed on the current line plus 1
  std::int32_t Pos = 1;              ///< 1-based position of the next unread byte
  std::uint8_t Sy = syEOF;           ///< current symbol
  std::int32_t SyPos = 0;            ///< 1-based position of the current symbol's first byte
  std::int32_t StmtStart = 1;        ///< 1-based start of the current statement (dialects set it)
  std::string ScriptName;            ///< name of the script, used in messages
  std::string Ident;                 ///< identifier or keyword text
  std::int32_t IntValue = 0;         ///< value of the current integer
  std::string StrValue;              ///< current string, or the text of the current number
  char QuoteChar = 0;                ///< quote character of the current string
  long double FloatValue = 0;        ///< value of the current float
  TCustomObjs* Objs = nullptr;       ///< collection the parser fills; not owned
  TMsgManager MsgManager;            ///< errors, warnings and information of all runs
  TResWordList ResWords;             ///< keyword table
  TCharSet IdentChars;               ///< characters that continue an identifier
  TDebugLogOptions DebugLogOptions;  ///< what the symbol log writes; empty at creation

  TErrorMessageEvent OnErrorMessage;
  TLogNextLineEvent OnLogNextLine;
  TLogNextLineEvent OnDebugMessage;
  TProgressUpdateEvent OnProgressUpdate;
  TAddStatementEvent OnAddStatement;

  // --- Virtual operations ------------------------------------------------------------------

  /// Stores the dialect and gives it to the collection (whose key case rule follows it).
  virtual void SetDatabaseType(TDatabaseType Value);
  /// When the terminator stands at Ch (case-sensitive), consumes it, sets Sy := syTerm and
  /// returns true.
  virtual bool CheckTermStr();
  /// Reports Line of LineCount when ShowProgress is set (the arguments are not used), to
  /// OnProgressUpdate or, without one, to the progress event of the extractor that fills the
  /// collection.
  virtual void DoProgressUpdate(std::int32_t Value, std::int32_t MaxValue);
  /// OnLogNextLine or, without one, the log event of the extractor that fills the collection.
  virtual void DoLogNextLine(const std::string& Text);
  /// Whether DoLogNextLine reaches a handler; a reader skips building a line nobody takes.
  bool LogsNextLine() const;
  /// OnErrorMessage, or a message box with "Error: " + Text when no handler is assigned.
  virtual void DoErrorMessage(const std::string& Text);
  virtual void DoDbgMsg(const std::string& Text);
  /// Hands one recognised statement to OnAddStatement; Statement receives what the handler
  /// returns (nullptr without a handler).
  virtual void DoAddStatement(const std::string& aText, TStatType aTyp, const std::string& aObjName,
                              TDbObject aObjType, TDbOperation aOperation,
                              const std::string& aOwnName, TObject*& Statement);
  /// The same with the text from StmtStart up to the current symbol, trimmed. (A dialect that
  /// overrides one of the two brings the other into scope with a using-declaration.)
  virtual void DoAddStatement(TStatType aTyp, const std::string& aObjName, TDbObject aObjType,
                              TDbOperation aOperation, const std::string& aOwnName,
                              TObject*& Statement);
  /// The display word of Symbol; the reference stays valid until ResWords changes.
  virtual const std::string& ResWordBySymbol(std::uint8_t Symbol);
  /// Files Obj in the collection (see TCustomObjs::AddObj); true when filed. Without a
  /// collection the object is freed when FreeIfRejected is set. An object handed over with
  /// FreeIfRejected must not be touched again when the result is false.
  /// A key or unique constraint without columns and a check without a condition are errors
  /// here, once for every dialect: the server refuses them, and the update script would carry
  /// them as read.
  virtual bool AddObj(TDbObj* Obj, bool FreeIfRejected = true);
  /// AddObj of an object handed over: what is not filed is freed (or kept aside by the
  /// collection, see TCustomObjs::AddObj).
  bool AddObj(std::unique_ptr<TDbObj> Obj);
  /// Reports "Missing: ..." when Sy is not Symbol; reads nothing.
  virtual void TestSy(std::uint8_t Symbol);
  virtual void TestAndGetSy(std::uint8_t Symbol);
  virtual void GetAndTestSy(std::uint8_t Symbol);
  /// Reads an optional "(precision[, scale])" after the current symbol into Fld; without the
  /// parenthesis the precision is 9 and the scale 0.
  virtual void GetNumDec(TFldData* Fld);
  /// Reads a number starting at Ch into StrValue: digits, one ".", and an exponent ("E",
  /// optional sign, digits); sets Sy to syFloat when it has a "." or an exponent, else to
  /// syInteger with IntValue (saturated at the 32-bit maximum; StrValue keeps the digits).
  virtual std::int32_t GetInt();
  /// Reads a string enclosed in the quote at Ch; a doubled quote stands for itself, and in
  /// dbMySQL back-slash escapes are read. A string the text ends in is an error at its start.
  virtual std::string GetStr();
  /// Reads the next symbol.
  virtual void GetSy();
  /// Reads an identifier starting at Ch into Ident.
  virtual void GetIdent();
  /// Reads the parenthesised group at Ch (or the single character there) as raw text, then
  /// the next symbol.
  virtual std::string GetExpr();
  /// Skips the rest of the current line; Ch is left on its line break (or the end).
  virtual void SkipLine();
  /// The symbol scanner; on entry Ch is the symbol's first character.
  virtual void DoGetSy();
  /// Clears Ident and skips white space.
  virtual void DoBeforeGetSy();
  virtual void DoAfterGetSy();
  /// Skips blanks, tabs, CR and LF at Ch; true when it skipped any.
  virtual bool SkipText();
  /// Adds the 30 base symbols to ResWords.
  virtual void BuildResWords();
  /// Sy is an identifier whose text equals Name ignoring case.
  virtual bool IsIdent(const std::string& Name);
  /// Reports "Must be: " + NAME unless IsIdent(Name).
  virtual void TestIdent(const std::string& Name);
  /// Reads a whole script given as lines into AObjs: the lines joined with CR LF (a list of
  /// lines keeps no line breaks of its own), then ParseScriptText.
  virtual void ParseScript(const TStrings& Lines, TCustomObjs* AObjs);
  /// Reads a whole script into AObjs as its bytes stand, line breaks included, so that bodies,
  /// view texts, comments and literals reach the collection (and later the server) as written.
  /// Two exceptions: a text whose lines end in CR alone is read with CR LF line ends (line-based
  /// terminators and line numbers follow LF), and a text that is plainly no text (a UTF-16
  /// byte-order mark, NUL bytes) is not read but gives one error at the byte that shows it.
  virtual void ParseScriptText(const std::string& Text, TCustomObjs* AObjs);
  /// ParseScriptText on a text the parser takes over rather than copies, so that a large
  /// script read from a file is held once while it is parsed.
  void ParseOwnScriptText(std::string Text, TCustomObjs* AObjs);
  /// The grammar; the base reads symbols up to the end of the text.
  virtual void ParseText();
  /// Records an error at the current line and column (see the class comment). After
  /// MaxTextErrors errors in one text the reader records STooManyErrors, stops at the end of the
  /// text and records nothing more: a binary or wrongly encoded file would otherwise give one
  /// message per byte, all held in memory.
  virtual void ErrMsg(const std::string& Text);
  /// The errors one text may give before reading it stops.
  static constexpr std::int32_t MaxTextErrors = 100;
  /// "\r\nScript: <name> Line:<line> Pos:<column>\r\n", the position shown with the first error.
  virtual std::string GetScriptInfo();
  /// The keyword symbol of Ident, or syIdent when it is no keyword.
  virtual std::uint8_t FindResWord();
  virtual std::string GenTerm();
  /// "/* " + Text + " */", with Text unable to end the comment early.
  virtual std::string GenComment(const std::string& Text);
  /// Links the objects of the collection once all scripts are read; the base does nothing.
  virtual void Link_Depend();
  /// Once every script of a side is read: a foreign key whose referenced table, or an index or
  /// trigger whose table, no script of the side defines is an error, reported where its
  /// statement stood, as is a foreign key without referenced columns whose width differs from
  /// the referenced primary key's. (Keys often stand in scripts read before their tables', so
  /// no text tells alone.) So is a view that reads itself, alone or through other views.
  virtual void TestKeyTables();
  /// Forgets where the keys read so far stood: a new side is read.
  void ForgetKeyPlaces();

  // --- Character reader (inline: it runs once per byte; no dialect replaces it) ----------

  /// Moves to the next byte and returns it; 0 past the end. A Ctrl-Z byte reads as a blank.
  char GetChar() {
    if (Pos > FLen) {
      if (!FEot) {
        FEot = true;
        ++Column;  // the end of the text stands one column past the last byte
      }
      Ch = 0;
      return 0;
    }
    char C = FTxt[static_cast<std::size_t>(Pos - 1)];
    if (C == '\n') {
      ++Line;
      Column = 0;
      DoProgressUpdate(0, LineCount);
    } else if (C == '\x1A') {
      C = ' ';
    }
    ++Pos;
    ++Column;
    Ch = C;
    return C;
  }
  /// The byte at Pos (one ahead of Ch), 0 past the end; does not move.
  char CurCh() const { return Pos <= FLen ? FTxt[static_cast<std::size_t>(Pos - 1)] : '\0'; }
  /// The byte at Pos + 1 (two ahead of Ch), 0 past the end; does not move.
  char NextCh() const { return Pos < FLen ? FTxt[static_cast<std::size_t>(Pos)] : '\0'; }
  /// True once the reader has passed the last byte of the text.
  bool AtEndOfText() const { return FEot; }

  // --- Non-virtual operations --------------------------------------------------------------

  /// Display word of Sy (SyWord), looked up when asked for: only messages need it, and a
  /// symbol a grammar sets by hand gets its own word.
  const std::string& GetSyWord() { return ResWordBySymbol(Sy); }
  /// 1-based column of Ch.
  std::int32_t GetPosX() const { return Column - 1; }
  /// Line of Ch, from 1.
  std::int32_t GetPosY() const { return Line; }
  /// Records a warning at the current line and column; shows nothing.
  void WrnMsg(const std::string& Text);
  /// Records that Obj uses DependsOn (through its column FieldName when given), once, with the
  /// current column and line as the record's codes. Nothing when either is missing or both
  /// are the same object. A view that uses a column of a table also uses the domains of that
  /// table's columns.
  void LinkDepend(TDbObj* Obj, TDbObj* DependsOn, const std::string& FieldName = "");
  /// Looks Name up among the kinds whose codes Kinds holds and links Obj to what it finds:
  ///   0/kindTable tables, 1/kindView views, 5 procedures, 2 triggers, 14/kindGenerator
  ///   generators, 10/kindIndex indexes, 7 exceptions, kindDomain domains, 15/kindFunction
  ///   external functions (searched in this order until one is found), then kindRule rules and
  ///   kindDefault defaults (a hit there wins). The small numbers are InterBase's own codes.
  /// InterBase system objects ("RDB$...") and names found nowhere are passed over silently, and
  /// an object never comes to depend on itself (a recursive routine calling itself).
  void LinkDepend(TDbObj* Obj, const std::string& Name, const TSymSet& Kinds);
  /// ErrMsg reported at a remembered position (the start of an unterminated string, say).
  void ErrMsgAt(const std::string& Text, std::int32_t ALine, std::int32_t APosX);
  void SetTermStr(const std::string& Value);
  /// Makes Text the source, resets the position to line 1, column 1 and reads the first byte.
  void AssignTxt(const std::string& Text);
  /// Count bytes of the text from the 1-based Start; empty without a text.
  std::string CopyTxt(std::int32_t Start, std::int32_t Count) const;
  std::int32_t LengthTxt() const { return FLen; }

 protected:
  /// The column of the 1-based position At: its distance from the last line break before it.
  std::int32_t ColumnOfPos(std::int32_t At) const;
  /// Reports a condition (a check's, a domain's) that is no expression (see ConditionFault).
  void TestConditionSyntax(std::string_view Condition, const std::string& What);
  /// A statement that defines Name ("Domain D") where Old stands already: an error, or a
  /// warning where the server takes it (IF NOT EXISTS, a schema the server has); nothing where
  /// the statement replaces what stands (see StatementReplaces).
  void TestDefinedTwice(const std::string& Name, const TDbObj& Old);
  /// A table or view Obj whose name a view or table of its schema has already: an error at
  /// the statement's start, as on every server (the two share their schema's names).
  void TestNameOfOtherKind(const TDbObj& Obj);
  /// ErrMsg at the first byte of the statement at StmtStart.
  virtual void ErrMsgAtStatement(const std::string& Text);
  /// The statement at StmtStart takes the place of the object that stands: CREATE OR REPLACE,
  /// CREATE OR ALTER, RECREATE, and ALTER of anything but a table.
  bool StatementReplaces() const;
  /// ConditionFault under this dialect's quoting.
  std::string ConditionFaultOf(std::string_view Condition,
                               std::vector<std::string>* Names = nullptr) const;
  /// Consumes white space (blank, tab, CR, LF) at Ch; true when it consumed any.
  bool SkipBlanks();
  /// Moves the reader past the last byte: every scanner and grammar sees the end of the text.
  void StopReading();
  /// Notes that Key (a constraint or an index) was filed by the statement at StmtStart, for
  /// TestNewKeys and TestKeyTables; a reader that files a key without AddObj calls it itself.
  void NoteNewKey(const TDbObj& Key);
  /// Notes that column Fld names a type by a name no type word of the reader is (a user type
  /// or a type of the server's own), at byte At: TestKeyTables finds whether some script
  /// defines it. Qualified: the name names a schema, which may hold types no script defines.
  void NoteUserType(const TFldData& Fld, std::int32_t At, bool Qualified = false);
  /// Notes a check on Table the reader reads but does not keep (MySQL's), with the statement at
  /// StmtStart: its columns are looked up as those of the checks kept.
  void NoteCheck(const std::string& Table, const std::string& Condition);
  /// A text of the side turned the server's foreign key checks off (MySQL's
  /// FOREIGN_KEY_CHECKS = 0, as every dump file does first): the server then takes a foreign
  /// key to a table it lacks, and so does TestKeyTables.
  void ForeignKeyChecksOff() { FForeignKeyChecksOff = true; }
  /// Key references a table of another database, which the side need not define.
  void NoteReferenceElsewhere(const TDbObj& Key) { FReferencesElsewhere.insert(&Key); }
  /// Frees the text (after a parse).
  void ClearTxt();

  // The text (Txt). Dialect scanners read it directly for look-behind and long tokens.
  std::string FTxt;
  std::int32_t FLen = 0;
  bool FEot = true;  ///< the reader has passed the last byte

 private:
  /// The text ParseOwnScriptText hands over: AssignTxt moves it into FTxt instead of copying.
  std::string* FOwnText = nullptr;
  std::int32_t FTextErrors = 0;  ///< errors recorded in the current text
  void LogSymbol();

  /// A key filed while the current text is read, and where its statement stood.
  struct TNewKey {
    const TDbObj* Key;  ///< a constraint or an index
    std::int32_t Line, Column;
  };
  std::vector<TNewKey> FNewKeys;
  /// Where each key of the side being read was read: an index into FKeyScripts and a line.
  struct TKeyPlace {
    std::int32_t Script, Line;
    std::int32_t Column = 0;  ///< of a column's type name; 0 for keys, read from their statement
    bool Qualified = false;   ///< the type name names a schema
  };
  /// The places noted while a side is read, in the order noted; sorted by key once when the
  /// side is checked (a hash node for every key cost more than the checks that read them).
  class TKeyPlaces {
   public:
    void Note(const TDbObj* Key, const TKeyPlace& Place) { FItems.emplace_back(Key, Place); }
    /// Puts the places in key order; of two places of one key (a later object at the address
    /// of a freed one) the later is kept.
    void Sort();
    /// The place of Key once sorted; nullptr when none was noted.
    const TKeyPlace* Find(const TDbObj* Key) const;
    void Clear() { FItems.clear(); }

   private:
    std::vector<std::pair<const TDbObj*, TKeyPlace>> FItems;
  };
  TKeyPlaces FKeyPlaces;
  std::vector<std::string> FKeyScripts;
  bool FForeignKeyChecksOff = false;                       ///< see ForeignKeyChecksOff
  std::unordered_set<const TDbObj*> FReferencesElsewhere;  ///< see NoteReferenceElsewhere
  /// The names (upper case) of the domains and types the side's scripts defined, dropped later
  /// or not: a column of a type dropped under it is the DROP's fault, which the server refuses.
  std::unordered_set<std::string> FDefinedTypes;
  /// The line of the 1-based position At, found by binary search in the starts of the lines
  /// before it: a reader asks for the place of each key it files, in no particular order, and
  /// the text is passed once however often it asks.
  std::int32_t LineOfPos(std::int32_t At) const;
  /// The 1-based positions where lines start, up to the position FIndexedTo (see LineOfPos).
  mutable std::vector<std::int32_t> FLineStarts;
  mutable std::int32_t FIndexedTo = 0;
  /// Called for each object filed from a script: a table, view or named constraint whose key
  /// the collection holds already is an error (every server refuses the second definition);
  /// keys are kept for TestNewKeys.
  void TestNewObj(const TDbObj& Obj);
  /// At the end of a text, for each key or index it filed that is still filed and whose table is
  /// known:
  /// a column the table lacks or a column named twice is an error, as is a second primary key
  /// of one table. (The table may be created after its keys in the text, so not earlier.) A
  /// foreign key whose two column lists differ in length is an error, table known or not.
  void TestNewKeys();
  /// The first 80 bytes of the statement at StmtStart in upper case, white space taken out.
  std::string StatementHead() const;
  /// Name as the server keeps it (cut to its identifier limit); the base keeps it whole.
  virtual std::string KeptName(const std::string& Name) const { return Name; }
  /// A column the check's Condition names that Table lacks is an error, told through Error.
  void TestCheckColumns(std::string_view Condition, const TTblData& Table,
                        const std::function<void(const std::string&)>& Error);
  /// A check read but not kept, whose columns TestNewKeys looks up in its table all the same.
  struct TNotedCheck {
    std::string Table, Condition;
    std::int32_t Line;
  };
  std::vector<TNotedCheck> FNotedChecks;
  /// The errors AddObj reports before filing Obj.
  void CheckFiled(const TDbObj* Obj);
  /// Where Obj (a key, an index, a trigger or a view) was filed, for TestKeyTables.
  /// The index in FKeyScripts of the script being read (added on first need).
  std::int32_t CurrentScriptIndex();
  void NotePlace(const TDbObj& Obj);
  /// A name the dialect's servers know as a type of their own (SQL Server's hierarchyid, say),
  /// which a reader takes for a user type by its name; the base knows none.
  virtual bool ServerTypeName(const std::string& Name) const;
  /// A view read from a script without its query, or with one the script ends inside (the
  /// query ends in a word or sign that needs more after it, or leaves a quote, a comment or a
  /// CASE open), and a trigger without its body, are errors.
  void TestSubstance(const TDbObj& Obj);
};

// ---------------------------------------------------------------------------------------------

/// What one part of a dotted name may be, besides an identifier (a dialect's scanner makes its
/// quoted names identifiers already).
struct TNamePartRules {
  bool Asterisk = true;            ///< "*" (all columns, every object of a schema)
  bool Brackets = false;           ///< [name]
  bool Strings = false;            ///< 'name'
  bool Placeholders = false;       ///< <...>: a placeholder of a script template passes as a name
  std::uint8_t Missing = syIdent;  ///< the symbol the error names when no part stands
};

/// The parts of a dotted name: Name alone, Owner.Name, or with three parts allowed
/// Table.Part3 (Owner empty) and Owner.Table.Part3.
struct TDottedName {
  std::string Owner;
  std::string Name;
  std::string Part3;
};

/// The base of the SQL dialect parsers: comments, the statement terminator, "||", statement
/// skipping, name keys with default owners and the connection parameters met in the script.
/// What TCustomSQLParser::TellStatementInside takes for the first word of another statement.
struct TInsideRules {
  bool Grant = false;      ///< a grant's text: privileges (CREATE, ALTER ...) before ON/TO/FROM
  bool Query = false;      ///< a query's text, where SET starts a statement as well
  bool Semicolon = false;  ///< SkipToTermTellingStatements stops at ";" as well
};

class TCustomSQLParser : public TCustomParser {
 public:
  explicit TCustomSQLParser(TCustomObjs* AObjs);
  ~TCustomSQLParser() override;

  TConnectionOptions ConnectionOptions;  ///< CONNECT parameters found in the script
  std::string Comment;                   ///< text of the last comment skipped

  /// Skips one comment at Ch ("--" to the end of the line, "/*" to the first "*/"); true when
  /// one was skipped. An unterminated block comment is an error at its start.
  virtual bool SkipComment();
  /// Reads symbols until Sy is in Stops or the text ends; nothing when it already is.
  virtual void SkipStatement(const TSymSet& Stops);
  /// The text from the 1-based Start up to (not including) the current symbol, trimmed.
  virtual std::string CopyTxtFrom(std::int32_t Start);
  /// Name quoted for the dialect; the base returns it unchanged.
  virtual std::string QuoteIdent(const std::string& Name);

  /// The terminator first, then "||", then the framework scanner.
  void DoGetSy() override;
  /// Comments, then white space.
  bool SkipText() override;
  /// The dialect's part of construction, called last by a dialect constructor: the dialect
  /// (given to the collection), the statement terminator and the dialect's keyword table.
  void InitDialect(TDatabaseType DB, const std::string& Term);
  /// Reads the script, then copies the CONNECT parameters met in it into the collection.
  void ParseScriptText(const std::string& Text, TCustomObjs* AObjs) override;
  /// Links what the collection's objects name, once all its scripts are read: indexes and
  /// constraints to their tables and columns, foreign keys to the keys they reference, grants
  /// to their objects and grantees, users to their logins. Names that resolve to nothing are
  /// passed over.
  void Link_Depend() override;

  /// A foreign key that names no referenced columns references the primary key of its
  /// referenced table, which may stand in a later script: once every script is read, each such
  /// key takes the columns of that table's primary key, and an unnamed one, filed under its
  /// text, is filed anew under the text that names them. A table without a primary key leaves
  /// its references as they are.
  void ReferToPrimaryKeys(TObjs& O);

  /// Records an error met while re-reading the catalog text of Obj: the message starts with
  /// ObjErrPrefix(Obj), and is filed under the script when one is named, else under the object
  /// (with the script position appended when PositionInObjMsg is set). The first error of the
  /// parser's life also goes to DoErrorMessage.
  void ObjErrMsg(TDbObj& Obj, const std::string& Text, bool PositionInObjMsg = false);

  /// One part of a dotted name, as Rules allow it, and the next symbol; "" with a missing-symbol
  /// error when no part stands.
  std::string ReadNamePart(const TNamePartRules& Rules);
  /// A dotted name of one or two parts, or up to three with ThreeParts (see TDottedName).
  TDottedName ReadDottedName(const TNamePartRules& Rules, bool ThreeParts);

  /// An integer with an optional sign; returns its text with the sign, negates IntValue for "-".
  std::string GetIntConst();
  /// Owner + "." + Name (the owner defaulting to the dialect's when UseDefaultOwner is set), or
  /// Name alone: the key under which the collection files the object.
  std::string ObjKeyName(const std::string& Name, const std::string& Owner,
                         bool UseDefaultOwner) const;

 protected:
  // --- The statement loop ------------------------------------------------------------------

  /// The statement loop of a dialect's ParseText: from the first symbol until the end of the
  /// text or until the host stops the run. For every statement: PassEmptyStatement may read
  /// over an empty one (and the loop goes on); StmtStart is set to its first symbol;
  /// BeginStatement clears what the dialect records of a statement; ParseStatement reads it.
  /// When ParseStatement reported an error (FErrCount grew), PassFailedStatement reads over the
  /// rest; when it says the statement is done, nothing more is made of it. Else EndStatement
  /// reports the statement that began at Start and reads its terminator.
  void ParseStatements();
  /// Reads over an empty statement at Sy; true when it did. The base reads none.
  virtual bool PassEmptyStatement();
  /// Clears what the dialect records of one statement; the base records nothing.
  virtual void BeginStatement();
  /// Reads one statement; the base reads to its terminator.
  virtual void ParseStatement();
  /// After an error in a statement: reads to its terminator and over it, and says the
  /// statement is done (nothing is reported for it).
  virtual bool PassFailedStatement();
  /// After a statement that began at Start: reads its terminator when one stands.
  virtual void EndStatement(std::int32_t Start);
  /// Reads symbols up to the terminator (or the end of the text).
  void SkipToTerm();
  /// SkipToTerm for the rest of a statement that makes no schema object or whose text is kept
  /// (DML, a transaction's or a session's statement, a grant, a view's query), then
  /// TellStatementInside on what it passed.
  void SkipToTermTellingStatements(const TInsideRules& Rules = {});
  /// A line of the text from the 1-based From up to To that starts, outside parentheses,
  /// strings and comments, with the first word of a DDL statement (CREATE, ALTER, DROP ...)
  /// shows a missing terminator before it: the server takes the two statements as one and
  /// refuses them. That is an error at the word, once; the reader must stand past To.
  void TellStatementInside(std::int32_t From, std::int32_t To, const TInsideRules& Rules = {});
  /// Hands the statement from StmtStart to DoAddStatement; a commit goes with its terminator, as
  /// a script writes it.
  void ReportStatement(TStatType aTyp, const std::string& aObjName, TDbObject aObjType,
                       TDbOperation aOperation, const std::string& aOwnName, TObject*& Statement);
  /// Reads the terminator after a statement. A statement without one runs on into the next, as
  /// a command-line processor reads it: one error, and reading goes on after the next
  /// terminator. At the end of the text a missing terminator is an error when MissingAtEnd.
  void ReadTerminator(bool MissingAtEnd);
  /// Errors the dialect's ErrMsg counted; the statement loop tells a failed statement by it.
  std::int64_t FErrCount = 0;

  // --- Batches ended by GO lines (Transact-SQL scripts) ----------------------------------

  /// True when a GO line starts at the 0-based index I: "GO" in any case at the start of a
  /// line, followed by a blank, a tab, a line end or the end of the text. With TextStart a GO
  /// at the very start of the text counts as well.
  bool GoLineAt(std::int32_t I, bool TextStart) const;
  /// The index of the first byte of the GO line at or after the 0-based From, or the length.
  std::int32_t GoLineFrom(std::int32_t From, bool TextStart) const;
  /// The text from the 1-based Start to the GO line (or the end), trimmed, a trailing ";" cut;
  /// the reader then stands on that GO line: the next symbol is the terminator (or the end).
  std::string BodyToGoLine(std::int32_t Start, bool TextStart);

  // --- Columns -----------------------------------------------------------------------------

  /// Appends Fld to the columns of Table and returns it. A name Table holds already (under the
  /// case rule of its columns) is an error: no server creates such a table, and the update
  /// script would take one definition for the other. NameAt, when given, is the 1-based
  /// position of the column's name, where the error then points.
  TFldData* AddColumn(TTblData& Table, std::unique_ptr<TFldData> Fld, std::int32_t NameAt = 0);
  /// Whether the server tells two column names of Table apart by case alone; by default as
  /// its column list compares them.
  virtual bool ColumnCaseSensitive(const TTblData& Table) const;
  /// Called with the symbol after a column's name: "," , ")", the terminator, the end of the
  /// text or a constraint word there leave the column without a type, which is an error (no
  /// server takes it).
  /// True when a type may follow.
  bool TestColumnType(const std::string& Column);
  /// Called by ALTER TABLE with the table the collection holds under Name (nullptr when none):
  /// a table the scripts of a script extraction never created is warned about, as what the
  /// statement changes is lost.
  void TestAlteredTable(const TTblData* Table, const std::string& Name);
  /// Called where a table's column list closes: a table with no columns is an error in the
  /// dialects that have no empty tables.
  void TestTableHasColumns(const TTblData& Table);
  /// Reports a check whose condition Text (with or without its parentheses) is empty.
  void TestCheckCondition(std::string_view Text);

  // --- What a declaration must hold (qelParser_Checks.cpp) ---------------------------------

  /// Called once the length, precision and scale of a type are read into Fld: a number no
  /// server of the dialect takes (a length or precision past its largest, a scale outside its
  /// range or past the precision where the server requires that) is an error at the symbol
  /// read last (the ")" after the numbers), and the number is cleared, so that nothing is ever
  /// sized by it. True when all fit.
  bool TestTypeBounds(TFldData& Fld);
  /// Called for each NULL (Nullable) or NOT NULL clause of the column Fld, with Sy on its NULL:
  /// the other of the two given before in the same statement is a contradiction that names the
  /// column, an error (MySQL, whose server takes the last of the two, a warning). True when
  /// there is none.
  bool TestNullClause(const TFldData& Fld, bool Nullable);
  /// An error (or with Warning a warning) at the line and column of the 1-based position At,
  /// which lies before Ch: where a symbol already read stands, not where the reader is.
  void MsgAtByte(const std::string& Text, std::int32_t At, bool Warning = false);
  /// MsgAtByte at StmtStart: the dialect's ErrMsg would place it at the current symbol.
  void ErrMsgAtStatement(const std::string& Text) override { MsgAtByte(Text, StmtStart); }

  // --- Bodies --------------------------------------------------------------------------------

  /// For a routine or trigger body that runs to the end of the script: reports it as cut off
  /// when a BEGIN or CASE in it lacks its END, or a quoted text or block comment is left open.
  /// Taken as written, such a body would go to the server as the whole routine and the objects
  /// the lost part of the script held would be dropped.
  void TestBodyEnd(std::string_view Body);

  // --- Dropping what a script takes back ---------------------------------------------------

  /// Takes the object filed under Key out of List and out of the dependency records; false
  /// when List holds no such object.
  bool RemoveObj(TDbObjList& List, const std::string& Key);
  /// DROP TABLE: takes the table filed under Key out, with its constraints, indexes and
  /// triggers (the server drops them with it) and, with ReferencingKeys, the foreign keys of
  /// other tables that reference it (DB2 drops those too); false when no table is filed so.
  bool RemoveTable(const std::string& Key, bool ReferencingKeys = false);
  /// Takes the constraints of Table (the name in any case) for which Match holds out of the
  /// collection and out of the dependency records.
  void RemoveConstraints(const std::string& Table,
                         const std::function<bool(const TCtrData&)>& Match);

  /// An optional ASC or DESC after an index or key column (told by the dialect's own word test
  /// IsWord), read: 1 for ASC, 2 for DESC, 0 when neither stands.
  std::int32_t ReadSortOrder(const std::function<bool(const char*)>& IsWord);

  // --- Trigger events ----------------------------------------------------------------------

  /// The trigger event word at the current symbol (INSERT, UPDATE or DELETE, told by the
  /// dialect's own word test IsWord), read and included into Trg's events; std::nullopt, with
  /// nothing read, at any other symbol.
  std::optional<std::uint8_t> ReadTriggerEvent(TTrgData& Trg,
                                               const std::function<bool(const char*)>& IsWord);
  /// The Transact-SQL list of trigger events, "event, event ...", into Trg; a word that is no
  /// event is an error and is passed over.
  void ReadTriggerEventList(TTrgData& Trg, const std::function<bool(const char*)>& IsWord);

  /// A view's column list "(a, b, ...)" when Sy stands on "(": the names Name reads become the
  /// view's columns, numbered from 0, in place of those it had. Nothing at any other symbol.
  void ParseViewColumns(TViwData& View, const std::function<std::string()>& Name);
  /// Adds a column named Name to View's column list and returns it.
  TFldData* AddViewColumn(TViwData& View, const std::string& Name);

 private:
  /// True at an unquoted word that opens a column constraint or clause (NOT, NULL, DEFAULT,
  /// PRIMARY ...): no server takes one of these as a type name.
  bool AtColumnClauseWord() const;

  /// The column and statement of the last NULL or NOT NULL clause, and which it was.
  const TFldData* FNullOf = nullptr;
  std::int32_t FNullStmt = 0;
  bool FNullSaid = false;
  /// The names of the columns of the table AddColumn last filled (case-folded where its
  /// columns fold), so that a wide table is checked for a name defined twice in linear time.
  const TTblData* FNamesOf = nullptr;
  int FNamesCount = 0;
  std::unordered_set<std::string> FColumnNames;
  /// Table has a column of that name already (under the case rule of its columns); the name
  /// is then counted as Table's for the next call, which AddColumn makes true.
  bool ColumnNamed(const TTblData& Table, const std::string& Name);
};

// ---------------------------------------------------------------------------------------------
// Free functions.

/// The words an error in the catalog text of Obj starts with, so that the message names what the
/// user never saw as a script: the object's kind and name ("View V: ", "Check-constraint C: "),
/// a computed column as "Field <table>/<column>: ", any other object by its name alone.
std::string ObjErrPrefix(const TDbObj& Obj);
/// Text with every line break (CR LF, a lone CR or a lone LF) written as CR LF, the form the
/// library keeps texts in.
std::string CrLfLineBreaks(const std::string& Text);
/// Text with line breaks normalised to CR LF, every line right-trimmed and the whole trimmed.
std::string TrimSQLText(const std::string& Text);
/// What is wrong with Condition (a check's or a domain's, with or without its parentheses) read
/// as an expression: operands and operators in turn, lists not empty, parentheses and quotes
/// closed. Empty when nothing is. Function calls, sub-selects and types are passed over whole.
/// L tells how the dialect quotes (back-slash escapes, [name]).
/// Names, when given, receives the names of one unquoted word the condition reads as operands
/// (outside calls and sub-selects): the columns it may use.
std::string ConditionFault(std::string_view Condition, const TLexicalRules& L,
                           std::vector<std::string>* Names = nullptr);
/// A table or view a query reads: its name and the schema written before it (quotes removed).
struct TRelationName {
  std::string Schema;
  std::string Name;
  bool Quoted = false;  ///< the name (its last part) was written in quotes
};
/// The tables and views Query reads: each name after FROM or JOIN and after a comma of a FROM
/// list, at any depth; not the names of its WITH queries, nor table functions. Empty when a
/// quote or comment is left open. L as for ConditionFault.
std::vector<TRelationName> RelationsRead(std::string_view Query, const TLexicalRules& L);
/// Removes the outer pair of a doubly parenthesised expression, "((x))" -> "(x)", as long as
/// the two outer pairs each enclose the whole text.
std::string DelDblParents(const std::string& Text);

}  // namespace qel
