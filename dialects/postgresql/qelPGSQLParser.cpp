// The PostgreSQL script parser: the scanner (dollar quotes, escape strings,
// quoted names, nested comments), qualified names, the statement loop with its SET forms, error
// reporting and the linking after the last script. The table grammar is in
// qelPGSQLParser_Tbl.cpp, functions, triggers, DROP, COMMENT, GRANT and REVOKE in
// qelPGSQLParser_Prc.cpp.
#include "qelPGSQLParser.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Dmn.h"
#include "qelComp_Prc.h"
#include "qelComp_Viw.h"
#include "qelResWords.h"

namespace qel {

std::string PGReplaceDefault(const std::string& Text) {
  // How the catalog writes back a few defaults a script spells the short way.
  static constexpr std::pair<std::string_view, std::string_view> Replacements[] = {
      {"('now'::text)::date", "current_date"},
      {"''::character varying", "''"},
      {"''::text", "''"},
      {"('now'::text)::timestamp(6) with time zone", "current_timestamp"},
      {"now()", "current_timestamp"},
  };
  for (const auto& [From, To] : Replacements)
    if (Text == From) return std::string(To);
  // The SQL value functions: the catalog writes them in capitals (PostgreSQL 10 on), a script
  // in any case; one spelling keeps an unchanged default from being altered on every run.
  static constexpr std::string_view ValueFunctions[] = {
      "CURRENT_DATE",   "CURRENT_TIME", "CURRENT_TIMESTAMP", "LOCALTIME",
      "LOCALTIMESTAMP", "CURRENT_USER", "CURRENT_ROLE",      "SESSION_USER"};
  const std::string Upper = UpperCase(Text);
  for (std::string_view Word : ValueFunctions)
    if (Upper == Word) return LowerCase(Text);
  return Text;
}

bool PGTypeTakesLength(TDBFieldType Type) {
  switch (Type) {
    case iftVarchar:
    case iftChar:
    case iftGraphic:
    case iftVarGraphic:
    case iftBlob:
    case iftClob:
    case iftDbClob:
    case iftBit:
    case iftVarBit:
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------------------------
// Construction

namespace {

bool IsLetter(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}
bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}
bool IsHighByte(char C) {
  return static_cast<unsigned char>(C) >= 0x80;
}
// A dollar-quote tag follows the rules of a bare name, without "$".
bool IsTagStart(char C) {
  return IsLetter(C) || C == '_' || IsHighByte(C);
}
bool IsTagChar(char C) {
  return IsTagStart(C) || IsDigit(C);
}
int HexValue(char C) {
  if (IsDigit(C)) return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}
// Operator characters the framework scanner has no symbol for, and those that may continue such
// an operator.
bool IsOperatorStart(char C) {
  return C == '~' || C == '^' || C == '?' || C == '#' || C == '!' || C == '|';
}
bool IsOperatorChar(char C) {
  return IsOperatorStart(C) || C == '@' || C == '&' || C == '%' || C == '<' || C == '>' ||
         C == '=' || C == '-' || C == '+' || C == '*';
}

/// Appends code point Code in UTF-8; false for values that are no character (surrogates, beyond
/// U+10FFFF), which are not appended.
bool AppendUtf8(std::string& S, std::uint32_t Code) {
  if (Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF)) return false;
  if (Code < 0x80) {
    S += static_cast<char>(Code);
  } else if (Code < 0x800) {
    S += static_cast<char>(0xC0 | (Code >> 6));
    S += static_cast<char>(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    S += static_cast<char>(0xE0 | (Code >> 12));
    S += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    S += static_cast<char>(0x80 | (Code & 0x3F));
  } else {
    S += static_cast<char>(0xF0 | (Code >> 18));
    S += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
    S += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    S += static_cast<char>(0x80 | (Code & 0x3F));
  }
  return true;
}

}  // namespace

TPGSQLParser::TPGSQLParser(TCustomObjs* AObjs) : TCustomSQLParser(AObjs) {
  // The server takes bytes beyond ASCII as letters of a bare name (UTF-8 names).
  for (unsigned C = 0x80; C <= 0xFF; ++C) IdentChars.Include(static_cast<unsigned char>(C));
  SetDatabaseType(dbPostgreSQL);
  BuildResWords();
}

TPGSQLParser::~TPGSQLParser() = default;

void TPGSQLParser::BuildResWords() {
  TCustomSQLParser::BuildResWords();
  ResWords.AddResWords(PGSQLResWords);
  ResWords.AddResWord("<Operator>", pgOperator);
}

std::string TPGSQLParser::QuoteIdent(const std::string& Name) {
  return PGSQLQuoteIdent(Name);
}

std::string TPGSQLParser::CopyTxtFrom(std::int32_t Start) {
  return Trim(CopyTxt(Start, FPrevEnd - Start));
}

bool TPGSQLParser::IsIdent(const std::string& Name) {
  // "index" or "set" in double quotes is a name the author chose, never a statement word.
  return !FQuotedIdent && TCustomSQLParser::IsIdent(Name);
}

// ---------------------------------------------------------------------------------------------
// Scanner

void TPGSQLParser::GetSy() {
  // The end of the symbol before: texts cut from the source (defaults, view bodies) end there,
  // so that a comment between a value and the next symbol is not taken into the value.
  FPrevEnd = FEot ? FLen + 1 : Pos - 1;
  FScanning = true;
  TCustomSQLParser::GetSy();
  FScanning = false;
  if (Sy == syEOF) {
    FSyLine = Line;
    FSyCol = GetPosX();
  }
}

bool TPGSQLParser::IsIdentStart(char C) {
  return IsLetter(C) || C == '_' || IsHighByte(C);
}

void TPGSQLParser::DoGetSy() {
  FQuotedIdent = false;
  SyPos = Pos - 1;
  FSyLine = Line;
  FSyCol = GetPosX();
  if (FEot) {
    Sy = syEOF;
    return;
  }
  if (CheckTermStr()) return;
  const char C = Ch;
  const char N = CurCh();
  if ((C == 'E' || C == 'e') && N == '\'') {
    GetChar();
    ReadEscapeString();
    return;
  }
  // Bit-string (B'0101', X'1F') and national (N'...') constants: the letter is part of the
  // constant, which the source text of a default keeps.
  if ((C == 'B' || C == 'b' || C == 'X' || C == 'x' || C == 'N' || C == 'n') && N == '\'') {
    GetChar();
    Sy = syString;
    QuoteChar = '\'';
    StrValue = GetStr();
    return;
  }
  if (C == '$' && ReadDollarString()) return;
  if (IsIdentStart(C)) {
    GetIdent();
    Sy = FindResWord();
    if (Sy == syIdent)  // the server folds bare names to lower case
      for (char& L : Ident)
        if (L >= 'A' && L <= 'Z') L = static_cast<char>(L + ('a' - 'A'));
    return;
  }
  if (IsOperatorStart(C) && !(C == '!' && N == '=') && !(C == '|' && N == '|')) {
    ReadOperator();
    return;
  }
  TCustomSQLParser::DoGetSy();
}

void TPGSQLParser::DoAfterGetSy() {
  TCustomSQLParser::DoAfterGetSy();
  if (Sy == syString && QuoteChar == '"') {
    Sy = syIdent;
    Ident = StrValue;  // exactly as written
    FQuotedIdent = true;
  }
  if (Sy == syIdent && Ident.size() > PGMaxNameBytes) ClipIdent();
}

void TPGSQLParser::ClipIdent() {
  // The server keeps only the first 63 bytes of a name, so a script naming the longer name
  // would never match the database it made: the name is read as the server keeps it.
  std::string Clipped = PGClipName(Ident);
  if (FClippedNames.insert(Ident).second)
    MsgManager.AddScriptMsg("Name \"" + Ident + "\" is longer than " +
                                std::to_string(PGMaxNameBytes) +
                                " bytes; read as the server keeps it: \"" + Clipped + "\".",
                            ScriptName, FSyCol, FSyLine, mt_Wrn);
  Ident = std::move(Clipped);
}

void TPGSQLParser::ReadOperator() {
  const auto Start = static_cast<std::size_t>(Pos - 2);  // 0-based index of Ch
  while (IsOperatorChar(CurCh()) && !(CurCh() == '-' && NextCh() == '-')) GetChar();
  Ident.assign(FTxt, Start, static_cast<std::size_t>(Pos - 1) - Start);
  GetChar();
  Sy = pgOperator;
}

void TPGSQLParser::ReadEscapeString() {
  const std::int32_t AtLine = Line;
  const std::int32_t AtPosX = GetPosX();
  std::string Value;
  GetChar();  // past the opening quote
  for (;;) {
    if (FEot) {
      ErrMsgAt(std::string(SUnterminatedString), AtLine, AtPosX);
      break;
    }
    const char C = Ch;
    if (C == '\'') {
      GetChar();
      if (FEot || Ch != '\'') break;
      Value += '\'';  // a doubled quote stands for itself
      GetChar();
      continue;
    }
    if (C != '\\') {
      Value += C;
      GetChar();
      continue;
    }
    GetChar();
    if (FEot) continue;  // reported above as unterminated
    switch (Ch) {
      case 'b':
        Value += '\b';
        break;
      case 'f':
        Value += '\f';
        break;
      case 'n':
        Value += '\n';
        break;
      case 'r':
        Value += '\r';
        break;
      case 't':
        Value += '\t';
        break;
      case 'x':
        if (HexValue(CurCh()) >= 0) {
          int V = 0;
          for (int I = 0; I < 2 && HexValue(CurCh()) >= 0; ++I) {
            GetChar();
            V = V * 16 + HexValue(Ch);
          }
          Value += static_cast<char>(V);
        } else {
          Value += 'x';
        }
        break;
      case 'u':
      case 'U': {
        const int Digits = Ch == 'u' ? 4 : 8;
        bool AllHex = true;
        for (int I = 0; I < Digits && AllHex; ++I)
          AllHex = Pos - 1 + I < FLen && HexValue(FTxt[static_cast<std::size_t>(Pos - 1 + I)]) >= 0;
        if (!AllHex) {
          Value += Ch;
          break;
        }
        std::uint32_t Code = 0;
        for (int I = 0; I < Digits; ++I) {
          GetChar();
          Code = Code * 16 + static_cast<std::uint32_t>(HexValue(Ch));
        }
        if (!AppendUtf8(Value, Code)) ErrMsg("Invalid Unicode escape value.");
        break;
      }
      default:
        if (Ch >= '0' && Ch <= '7') {
          int V = Ch - '0';
          for (int I = 0; I < 2 && CurCh() >= '0' && CurCh() <= '7'; ++I) {
            GetChar();
            V = V * 8 + (Ch - '0');
          }
          Value += static_cast<char>(V & 0xFF);
        } else {
          Value += Ch;  // \\, \' and any other character stand for themselves
        }
        break;
    }
    GetChar();
  }
  Sy = syString;
  QuoteChar = '\'';
  StrValue = std::move(Value);
}

bool TPGSQLParser::ReadDollarString() {
  const auto Open = static_cast<std::size_t>(Pos - 2);  // 0-based index of the "$"
  const auto Len = static_cast<std::size_t>(FLen);
  std::size_t J = Open + 1;
  if (J < Len && IsTagStart(FTxt[J])) {
    ++J;
    while (J < Len && IsTagChar(FTxt[J])) ++J;
  }
  // "$1" or a lone "$" starts no quote.
  if (J >= Len || FTxt[J] != '$') return false;
  const std::string Tag = FTxt.substr(Open, J - Open + 1);
  const std::size_t BodyStart = J + 1;
  const std::size_t Close = FTxt.find(Tag, BodyStart);
  const std::int32_t AtLine = Line;
  const std::int32_t AtPosX = GetPosX();
  const std::size_t End = Close == std::string::npos ? Len : Close + Tag.size();
  // Read through the reader, which keeps the line count.
  while (!FEot && static_cast<std::size_t>(Pos - 2) < End) GetChar();
  Sy = syString;
  QuoteChar = '$';
  if (Close == std::string::npos) {
    StrValue = BodyStart < Len ? FTxt.substr(BodyStart) : std::string();
    ErrMsgAt(std::string(SUnterminatedString), AtLine, AtPosX);
  } else {
    StrValue = FTxt.substr(BodyStart, Close - BodyStart);
  }
  return true;
}

bool TPGSQLParser::SkipText() {
  if (Ch == '#' && GetPosX() == 1) return SkipComment();
  return TCustomSQLParser::SkipText();
}

bool TPGSQLParser::SkipComment() {
  if (FEot) return false;
  if (Ch == '/' && CurCh() == '*') {
    SkipBlockComment();
  } else if (Ch == '#' && GetPosX() == 1) {
    Comment.clear();
    GetChar();
    const auto Start = static_cast<std::size_t>(FEot ? FLen : Pos - 2);
    SkipLine();
    const auto End = static_cast<std::size_t>(FEot ? FLen : Pos - 2);
    Comment.assign(FTxt, Start, End - Start);
  } else {
    return TCustomSQLParser::SkipComment();
  }
  if (DebugLogOptions.Contains(dlComment)) DoLogNextLine("Comment: " + Comment);
  return true;
}

void TPGSQLParser::SkipBlockComment() {
  // Block comments nest on this server: "/* a /* b */ c */" is one comment.
  Comment.clear();
  const std::int32_t AtLine = Line;
  const std::int32_t AtPosX = GetPosX();
  GetChar();
  GetChar();
  const auto Start = static_cast<std::size_t>(FEot ? FLen : Pos - 2);
  int Depth = 1;
  while (!FEot) {
    if (Ch == '*' && CurCh() == '/') {
      if (--Depth == 0) break;
      GetChar();
    } else if (Ch == '/' && CurCh() == '*') {
      ++Depth;
      GetChar();
    }
    GetChar();
  }
  if (FEot) {
    Comment.assign(FTxt, std::min(Start, FTxt.size()), std::string::npos);
    ErrMsgAt(std::string(SUnterminatedComment), AtLine, AtPosX);
    return;
  }
  Comment.assign(FTxt, Start, static_cast<std::size_t>(Pos - 2) - Start);
  GetChar();
  GetChar();
}

// ---------------------------------------------------------------------------------------------
// Messages

void TPGSQLParser::ErrMsg(const std::string& Text) {
  if (FCurObj) {
    ObjErrMsg(Text);
    return;
  }
  ++FErrCount;
  // The scanner reports where it stands (the start of an unterminated string, say); the grammar
  // reports at the first byte of the symbol it could not take, and shows the text found there.
  if (FScanning) {
    TCustomSQLParser::ErrMsg(Text);
    return;
  }
  const std::int32_t SavedLine = Line;
  const std::int32_t SavedColumn = Column;
  Line = FSyLine;
  Column = FSyCol + 1;
  TCustomSQLParser::ErrMsg(Text + NearText());
  Line = SavedLine;
  Column = SavedColumn;
}

std::string TPGSQLParser::NearText() const {
  if (Sy == syEOF || SyPos < 1 || SyPos > FLen) return " Near: end of text.";
  const auto Start = static_cast<std::size_t>(SyPos - 1);
  std::size_t End = FTxt.find_first_of("\r\n", Start);
  if (End == std::string::npos) End = FTxt.size();
  constexpr std::size_t MaxNear = 40;
  bool Cut = false;
  if (End - Start > MaxNear) {
    End = Start + MaxNear;
    while (End > Start && (static_cast<unsigned char>(FTxt[End]) & 0xC0) == 0x80) --End;
    Cut = true;
  }
  std::string Near = " Near: \"";
  Near.append(FTxt, Start, End - Start);
  Near += Cut ? "...\"" : "\"";
  return Near;
}

void TPGSQLParser::ErrMsgAtSym(const std::string& Text, const TSymAt& At) {
  ++FErrCount;
  const std::int32_t SavedLine = Line;
  const std::int32_t SavedColumn = Column;
  const std::string SavedScript = ScriptName;
  Line = At.Line;
  Column = At.Col + 1;
  ScriptName = At.Script;
  TCustomSQLParser::ErrMsg(Text);
  Line = SavedLine;
  Column = SavedColumn;
  ScriptName = SavedScript;
}

void TPGSQLParser::InfMsg(const std::string& Text) {
  MsgManager.AddScriptMsg(Text, ScriptName, FSyCol, FSyLine, mt_Inf);
}

// ---------------------------------------------------------------------------------------------
// Names

std::string TPGSQLParser::GetNamePart() {
  std::string Part;
  switch (Sy) {
    case syIdent:
      Part = Ident;
      GetSy();
      break;
    case syLBracket:
      GetSy();
      TestSy(syIdent);
      if (Sy != syIdent) break;
      Part = Ident;
      GetSy();
      TestAndGetSy(syRBracket);
      break;
    case syAsterisk:
      Part = "*";
      GetSy();
      break;
    case syLess: {
      const std::int32_t Start = SyPos;
      GetSy();
      while (Sy != syGreater && Sy != syEOF && Sy != syTerm) GetSy();
      if (Sy == syGreater) GetSy();
      Part = CopyTxtFrom(Start);
      break;
    }
    default:
      TestSy(syIdent);
      break;
  }
  return Part;
}

void TPGSQLParser::GetQualifiedName(TDbObject Kind) {
  SchemaPart = "public";
  NamePart.clear();
  ColumnPart.clear();
  std::string First = GetNamePart();
  if (Sy == syDot && !StatementFailed()) {
    GetSy();
    SchemaPart = std::move(First);
    NamePart = GetNamePart();
  } else {
    NamePart = std::move(First);
  }
  if (Kind != dboField) return;
  if (Sy == syDot && !StatementFailed()) {
    GetSy();
    ColumnPart = GetNamePart();
  } else {
    ColumnPart = NamePart;
    NamePart = SchemaPart;
    SchemaPart.clear();
  }
}

void TPGSQLParser::GetIdentName(std::string& Schema, std::string& Name) {
  Schema.clear();
  Name.clear();
  TestSy(syIdent);
  if (Sy != syIdent) return;
  Name = Ident;
  GetSy();
  if (Sy != syDot) return;
  GetSy();
  TestSy(syIdent);
  if (Sy != syIdent) return;
  Schema = std::move(Name);
  Name = Ident;
  GetSy();
}

std::string TPGSQLParser::SkipGroup() {
  const std::uint8_t Open = Sy;
  const std::uint8_t Close = Open == syLBracket ? syRBracket : syRParen;
  const std::int32_t Start = SyPos;
  int Depth = 0;
  for (;;) {
    if (Sy == Open) {
      ++Depth;
    } else if (Sy == Close) {
      if (--Depth == 0) break;
    } else if (Sy == syEOF || Sy == syTerm) {
      TestSy(Close);
      return CopyTxtFrom(Start);
    }
    GetSy();
  }
  std::string Text = CopyTxt(Start, SyPos + 1 - Start);
  GetSy();
  return Text;
}

// ---------------------------------------------------------------------------------------------
// Scripts and statements

void TPGSQLParser::ParseScriptText(const std::string& Text, TCustomObjs* AObjs) {
  Objs = AObjs;
  // Names noted for a collection that has been emptied since (a new extraction) are gone.
  if (!Objs || (Objs->Tables.Empty() && Objs->Constraints.Empty() && Objs->Indexes.Empty() &&
                Objs->Views.Empty())) {
    FTakenNames.clear();
    FNewNames.clear();
  }
  if (Objs) {
    SetDatabaseType(dbPostgreSQL);
    // Every name without a schema lives in "public"; the schema itself is part of the database.
    if (!Objs->Schemas.FindObj("public")) {
      auto Sch = std::make_unique<TSchData>(Objs);
      Sch->SetObjName("public");
      AddObj(std::move(Sch));
    }
  }
  TCustomSQLParser::ParseScriptText(Text, AObjs);
}

void TPGSQLParser::ParseText() {
  DefaultWithOids = false;
  FPrimaryKeys.clear();
  GetSy();
  while (Sy != syEOF) {
    // An empty statement (";;"), which the server takes: nothing to read or report.
    if (Sy == syTerm) {
      GetSy();
      continue;
    }
    StmtStart = SyPos;
    StatType = stStatement;
    StatObjName.clear();
    StatObjType = dboUnknown;
    StatOperation = odbUnknown;
    StatOwnName.clear();
    FStmtErrCount = FErrCount;
    ParseStatement();
    // A statement that could not be read is passed over to its terminator: one error for it,
    // and the next statement is read from its own first word.
    if (Sy != syTerm) {
      if (!StatementFailed()) TestSy(syTerm);
      SkipToTerm();
    }
    TObject* Statement = nullptr;
    DoAddStatement(StatType, StatObjName, StatObjType, StatOperation, StatOwnName, Statement);
    if (Sy == syTerm) GetSy();
  }
}

void TPGSQLParser::ParseStatement() {
  switch (Sy) {
    case pgCREATE:
      ParseCreate();
      return;
    case pgEND:
      GetSy();
      SkipWorkOrTransaction();
      return;
    case pgGRANT:
      ParseGrant(true);
      return;
    default:
      break;
  }
  if (IsIdent("COMMIT")) {
    StatType = st_Commit;
    GetSy();
    SkipWorkOrTransaction();
  } else if (IsIdent("BEGIN")) {
    GetSy();
    SkipWorkOrTransaction();
    SkipToTermTellingStatements();
  } else if (IsIdent("SET")) {
    ParseSet();
  } else if (IsIdent("INSERT")) {
    StatType = stInsert;
    StatObjType = dboTable;
    StatOperation = odbInsert;
    GetSy();
    TestAndGetSy(pgINTO);
    if (StatementFailed()) return;
    GetQualifiedName();
    StatObjName = NamePart;
    SkipToTermTellingStatements();
  } else if (IsIdent("UPDATE")) {
    StatType = stUpdate;
    StatObjType = dboTable;
    StatOperation = odbUpdate;
    GetSy();
    if (Sy == pgONLY) GetSy();
    GetQualifiedName();
    StatObjName = NamePart;
    SkipToTermTellingStatements();
  } else if (IsIdent("DELETE")) {
    StatType = stDelete;
    StatObjType = dboTable;
    StatOperation = odbDelete;
    GetSy();
    TestAndGetSy(pgFROM);
    if (StatementFailed()) return;
    if (Sy == pgONLY) GetSy();
    GetQualifiedName();
    StatObjName = NamePart;
    SkipToTermTellingStatements();
  } else if (IsIdent("USE")) {
    StatType = stConnect;
    StatObjType = dboDatabase;
    GetSy();
    TestSy(syIdent);
    if (Sy != syIdent) return;
    ConnectionOptions.SetDatabaseName(Ident);
    StatObjName = Ident;
    GetSy();
  } else if (IsIdent("ALTER")) {
    ParseAlter();
  } else if (IsIdent("DROP")) {
    ParseDrop();
  } else if (IsIdent("COMMENT")) {
    ParseComment();
  } else if (IsIdent("REVOKE")) {
    ParseGrant(false);
  } else if (!ParseStatementNotRead()) {
    ErrMsg("Missing: DDL-statement. <Proc: ParseText>");
    GetSy();
  }
}

void TPGSQLParser::SkipWorkOrTransaction() {
  if (IsIdent("WORK") || IsIdent("TRANSACTION")) GetSy();
}

void TPGSQLParser::PassOver(const std::string& Words) {
  InfMsg("Statement passed over: " + Words + ".");
  SkipToTerm();
}

void TPGSQLParser::ReportCreate(TDbObject Kind, const std::string& Name) {
  StatObjType = Kind;
  StatOperation = odbCreate;
  StatObjName = Name;
}

void TPGSQLParser::ParseSet() {
  GetSy();
  if (IsIdent("BLOBFILE")) {
    StatType = stSetBlobFile;
    GetSy();
    TestSy(syString);
    if (Sy != syString) return;
    StatObjName = StrValue;
    GetSy();
  } else if (IsIdent("NAMES")) {
    StatType = stSetNames;
    GetSy();
    StatObjName = GetSetValue("Unknown/Invalid SET NAMES-statement.");
    if (Objs) Objs->MySQLServerOptions.Names = StatObjName;
  } else if (IsIdent("CHAR") || IsIdent("CHARACTER")) {
    StatType = stCharSet;
    GetSy();
    if (!IsIdent("SET")) {
      ErrMsg("Unknown/Invalid SET CHARACTER SET-statement.");
      return;
    }
    GetSy();
    StatObjName = GetSetValue("Unknown/Invalid SET CHARACTER SET-statement.");
    if (Objs) Objs->MySQLServerOptions.CharSet = StatObjName;
  } else if (IsIdent("DEFAULT_WITH_OIDS")) {
    GetSy();
    if (Sy == syEqual || Sy == pgTO)
      GetSy();
    else
      TestSy(syEqual);
    if (Sy == pgTRUE || Sy == pgON) {
      DefaultWithOids = true;
      GetSy();
    } else if (Sy == pgFALSE || Sy == pgOFF) {
      DefaultWithOids = false;
      GetSy();
    } else {
      TestSy(pgTRUE);
    }
  } else {
    StatType = stSet;
    SkipToTermTellingStatements();
  }
}

std::string TPGSQLParser::GetSetValue(const std::string& ErrText) {
  std::string Value;
  if (Sy == syString && QuoteChar != '$') {
    Value = "'" + StrValue + "'";
  } else if (Sy == syIdent) {
    Value = Ident;
  } else {
    ErrMsg(ErrText);
    return Value;
  }
  GetSy();
  return Value;
}

void TPGSQLParser::ParseCreate() {
  GetSy();
  FOrReplace = Sy == pgOR;
  if (Sy == pgOR) {
    GetSy();
    TestIdent("REPLACE");
    if (!IsIdent("REPLACE")) return;
    GetSy();
  }
  bool IsDefault = false;  // only CREATE DEFAULT CONVERSION has it
  if (Sy == pgDEFAULT) {
    IsDefault = true;
    GetSy();
  }
  switch (Sy) {
    case pgTABLE:
      ParseTable();
      return;
    case pgUNIQUE:
      GetSy();
      TestIdent("INDEX");
      if (IsIdent("INDEX")) ParseIndex(true);
      return;
    default:
      break;
  }
  if (IsIdent("INDEX")) {
    ParseIndex(false);
  } else if (IsIdent("VIEW")) {
    ParseView();
  } else if (IsIdent("SCHEMA")) {
    GetSy();
    GetQualifiedName();
    if (StatementFailed()) return;
    auto Sch = std::make_unique<TSchData>(Objs);
    Sch->SetObjName(NamePart);
    ReportCreate(dboSchema, NamePart);
    if (Sy == pgAUTHORIZATION) {
      GetSy();
      TestSy(syIdent);
      if (Sy == syIdent) {
        Sch->SchemaOwner = Ident;
        GetSy();
      }
    }
    AddObj(std::move(Sch));
  } else if (IsIdent("DATABASE")) {
    SkipToTerm();  // read and ignored: a script names the database it runs in elsewhere
  } else if (IsIdent("PROCEDURAL")) {
    GetSy();
    TestIdent("LANGUAGE");
    SkipToTerm();
  } else if (IsIdent("FUNCTION")) {
    ParseFunction();
  } else if (IsIdent("PROCEDURE")) {
    ParseFunction(true);
  } else if (IsIdent("TRIGGER")) {
    ParseTrigger();
  } else if (IsIdent("TYPE")) {
    ParseType(false);
  } else if (IsIdent("DOMAIN")) {
    ParseDomain(false);
  } else if (IsIdent("OPERATOR")) {
    ParseOperator();
  } else if (IsIdent("CONVERSION")) {
    ParseConversion(IsDefault);
  } else if (!ParseCreateNotRead()) {
    ErrMsg("Unknown/Invalid CREATE-statement.");
    GetSy();
  }
}

void TPGSQLParser::ParseAlter() {
  GetSy();
  if (Sy == pgTABLE) {
    ParseAlterTable();
  } else if (IsIdent("FUNCTION") || IsIdent("PROCEDURE")) {
    ParseAlterFunction();
  } else if (IsIdent("TYPE")) {
    ParseType(true);
  } else if (IsIdent("DOMAIN")) {
    ParseDomain(true);
  } else if (IsIdent("OPERATOR")) {
    ParseAlterOperator();
  } else {
    ErrMsg("Unknown/Invalid ALTER statement.");
  }
}

// ---------------------------------------------------------------------------------------------
// Linking after the last script

void TPGSQLParser::Link_Depend() {
  if (auto* O = dynamic_cast<TObjs*>(Objs)) SettleKeys(*O);
  TCustomSQLParser::Link_Depend();
  LinkTypeDepends();
  if (auto* O = dynamic_cast<TObjs*>(Objs)) {
    LinkViewReads(*O);
    LinkTypesAndCalls(*O);
  }
  FTypeUses.clear();
}

void TPGSQLParser::TestKeyTables() {
  TCustomSQLParser::TestKeyTables();
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (O && O->ExtractFrom != efDatabase) {
    CheckDomainCycles(*O);
    CheckTypeNames(*O);
  }
  FTypeUses.clear();
  FTypeNamesAt.clear();
}

namespace {

/// One name a view's text reads.
struct TNameRead {
  std::string Name;  ///< as the server takes it: a bare word in lower case, a quoted one as written
  bool Call = false;  ///< an opening parenthesis follows: a function call (or a type cast)
};

bool IdentStart(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '_' ||
         static_cast<unsigned char>(C) >= 0x80;
}

bool IdentChar(char C) {
  return IdentStart(C) || (C >= '0' && C <= '9') || C == '$';
}

/// The names a view's text reads, each part of a qualified name on its own. String literals,
/// dollar-quoted texts and comments name nothing. Star is set when the text holds a "*" (a
/// view over "t.*" reads every column of t the server knew when it stored the view).
std::vector<TNameRead> NamesReadIn(const std::string& T, bool& Star) {
  std::vector<TNameRead> Names;
  const std::size_t N = T.size();
  std::size_t I = 0;
  auto SkipBlanks = [&](std::size_t P) {
    while (P < N && (T[P] == ' ' || T[P] == '\t' || T[P] == '\r' || T[P] == '\n')) ++P;
    return P;
  };
  auto Add = [&](std::string Name, std::size_t After) {
    const std::size_t P = SkipBlanks(After);
    Names.push_back({PGClipName(Name), P < N && T[P] == '('});
  };
  while (I < N) {
    const char C = T[I];
    if (C == '-' && I + 1 < N && T[I + 1] == '-') {
      while (I < N && T[I] != '\n') ++I;
    } else if (C == '/' && I + 1 < N && T[I + 1] == '*') {
      int Depth = 0;
      do {
        if (T.compare(I, 2, "/*") == 0) {
          ++Depth;
          I += 2;
        } else if (T.compare(I, 2, "*/") == 0) {
          --Depth;
          I += 2;
        } else {
          ++I;
        }
      } while (I < N && Depth > 0);
    } else if (C == '\'') {
      // E'...' lets a backslash escape the quote.
      const bool Escapes =
          I > 0 && (T[I - 1] == 'E' || T[I - 1] == 'e') && (I < 2 || !IdentChar(T[I - 2]));
      for (++I; I < N; ++I) {
        if (Escapes && T[I] == '\\') {
          ++I;
        } else if (T[I] == '\'') {
          if (I + 1 < N && T[I + 1] == '\'') {
            ++I;
          } else {
            break;
          }
        }
      }
      ++I;
    } else if (C == '$' && (I == 0 || !IdentChar(T[I - 1]))) {
      // $tag$ ... $tag$; a lone "$1" is a parameter.
      std::size_t E = I + 1;
      while (E < N && IdentChar(T[E]) && T[E] != '$') ++E;
      if (E < N && T[E] == '$') {
        const std::string Tag = T.substr(I, E - I + 1);
        const std::size_t Close = T.find(Tag, E + 1);
        I = Close == std::string::npos ? N : Close + Tag.size();
      } else {
        I = E;
      }
    } else if (C == '"') {
      std::string Name;
      for (++I; I < N; ++I) {
        if (T[I] == '"') {
          if (I + 1 < N && T[I + 1] == '"') {
            Name += '"';
            ++I;
          } else {
            break;
          }
        } else {
          Name += T[I];
        }
      }
      ++I;
      Add(std::move(Name), I);
    } else if (IdentStart(C)) {
      const std::size_t Start = I;
      while (I < N && IdentChar(T[I])) ++I;
      const std::string Word = T.substr(Start, I - Start);
      // E'...': the letter is the literal's prefix. A bare word's case is folded by the server.
      if (!((Word == "E" || Word == "e") && I < N && T[I] == '\'')) Add(LowerCase(Word), I);
    } else if (C >= '0' && C <= '9') {
      while (I < N && (IdentChar(T[I]) || T[I] == '.')) ++I;
    } else {
      if (C == '*') Star = true;
      ++I;
    }
  }
  return Names;
}

}  // namespace

namespace {

/// The routines of O by name: a text calls a function by its name, every overload of it.
std::unordered_multimap<std::string, TPrcData*> RoutinesByName(const TObjs& O) {
  std::unordered_multimap<std::string, TPrcData*> Routines;
  for (int I = 0; I < O.Procedures.Count(); ++I)
    if (auto* Prc = dynamic_cast<TPrcData*>(O.Procedures.Objects(I)))
      Routines.emplace(Prc->GetObjName(), Prc);
  return Routines;
}

}  // namespace

void TPGSQLParser::LinkTypesAndCalls(TObjs& O) {
  const auto Routines = RoutinesByName(O);
  // Obj rests on every routine Text calls.
  auto LinkCalls = [&](TDbObj* Obj, const std::string& Text) {
    if (Text.empty() || Routines.empty()) return;
    bool Star = false;
    for (const TNameRead& N : NamesReadIn(Text, Star)) {
      if (!N.Call) continue;
      const auto [First, Last] = Routines.equal_range(N.Name);
      for (auto It = First; It != Last; ++It)
        if (It->second != Obj) Objs->LinkDepend(Obj, It->second, "", GetPosX(), GetPosY());
    }
  };
  // Obj rests on the domain or type Fld is declared with.
  auto LinkType = [&](TDbObj* Obj, const TFldData& Fld) {
    if (Fld.FieldType != iftDomain || Fld.Extra().DomainName.empty()) return;
    if (TDmnData* Dmn = O.GetDomain(Fld.Extra().DomainName); Dmn && Dmn != Obj)
      LinkDepend(Obj, Dmn, "");
  };
  for (int I = 0; I < O.Domains.Count(); ++I) {
    auto* Dmn = dynamic_cast<TDmnData*>(O.Domains.Objects(I));
    if (!Dmn || !Dmn->TypeField) continue;
    LinkType(Dmn, *Dmn->TypeField);
    for (const TPGDomainCheck& C : Dmn->GetPGChecks()) LinkCalls(Dmn, C.Text);
    LinkCalls(Dmn, Dmn->TypeField->GetDefValue());
  }
  // A default that calls a function: the table to be created and the column to be added both
  // wait for it. Without routines no default calls one, and the columns are not walked.
  for (int I = 0; !Routines.empty() && I < O.Tables.Count(); ++I) {
    auto* Tbl = dynamic_cast<TTblData*>(O.Tables.Objects(I));
    if (!Tbl) continue;
    for (const auto& F : Tbl->Fields) {
      const std::string Default = F->GetDefValue();
      LinkCalls(Tbl, Default);
      LinkCalls(F.get(), Default);
    }
  }
  for (int I = 0; I < O.Procedures.Count(); ++I) {
    auto* Prc = dynamic_cast<TPrcData*>(O.Procedures.Objects(I));
    if (!Prc) continue;
    for (const TObjVector<TFldData>* List : {&Prc->Params, &Prc->Results})
      for (const auto& F : *List) LinkType(Prc, *F);
    // The server checks a SQL function's body when it makes the function: the routines the
    // body calls are made first. (Other languages' bodies are checked when they run.)
    if (SameText(Prc->Language, "sql")) LinkCalls(Prc, Prc->Extra().Body);
  }
}

void TPGSQLParser::LinkViewReads(TObjs& O) {
  if (O.Views.Empty()) return;
  const auto Routines = RoutinesByName(O);
  for (int I = 0; I < O.Views.Count(); ++I) {
    auto* V = dynamic_cast<TViwData*>(O.Views.Objects(I));
    if (!V) continue;
    bool Star = false;
    const std::vector<TNameRead> Names = NamesReadIn(V->Extra().Body, Star);
    std::unordered_set<std::string> Words;
    for (const TNameRead& N : Names) Words.insert(N.Name);
    std::vector<TDbObj*> Relations;  // in the order the text names them, each once
    std::unordered_set<const TDbObj*> Seen{V};
    for (const TNameRead& N : Names) {
      if (N.Call) {
        const auto [First, Last] = Routines.equal_range(N.Name);
        for (auto It = First; It != Last; ++It) LinkDepend(V, It->second, "");
        if (First != Last) continue;
      }
      TDbObj* R = O.GetTable(N.Name);
      if (!R) R = O.GetView(N.Name);
      if (R && Seen.insert(R).second) Relations.push_back(R);
    }
    // The relation itself, then each of its columns the text names (every one under a "*"):
    // the server refuses to change the type of a column a view reads.
    for (TDbObj* R : Relations) {
      LinkDepend(V, R, "");
      const TObjVector<TFldData>* Fields = nullptr;
      if (auto* Tbl = dynamic_cast<TTblData*>(R)) Fields = &Tbl->Fields;
      if (auto* W = dynamic_cast<TViwData*>(R)) Fields = &W->Fields;
      if (!Fields) continue;
      for (const auto& F : *Fields)
        if (Star || Words.count(F->GetObjName())) LinkDepend(V, R, F->GetObjName());
    }
  }
}

void TPGSQLParser::SettleKeys(TObjs& O) {
  // Primary-key columns, and foreign keys that name no referenced columns. Both depend on
  // statements that may stand in a later script than the table or the key, so they are settled
  // once every script has been read.
  std::size_t Hint = 0;  // constraints of one table stand together, tables in order
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    auto* Ctr = dynamic_cast<TCtrData*>(O.Constraints.Objects(I));
    if (!Ctr || Ctr->GetCtType() != ctPKey) continue;
    // The server makes the columns of a primary key NOT NULL whether the script says so or
    // not; a column read as nullable would be compared as such and altered in vain.
    if (auto* Tbl = dynamic_cast<TTblData*>(O.Tables.FindObjFrom(Ctr->GetTblName(), Hint)))
      for (const std::string& Column : Ctr->FldList)
        if (TFldData* Fld = Tbl->Fields.Find(Column)) Fld->Nullable = false;
  }
  ReferToPrimaryKeys(O);
}

}  // namespace qel
