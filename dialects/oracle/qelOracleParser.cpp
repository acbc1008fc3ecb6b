// The Oracle script parser: the scanner (REM lines, "/" and "." lines,
// double-quoted and dotted names), the statement loop with the SQL*Plus words, the block copy,
// CREATE/ALTER/DROP dispatch, sequences, roles, grants, comments, CONNECT, the re-read of
// catalog texts, dependency linking and errors. Tables, indexes and ALTER TABLE are in
// qelOracleParser_Tbl.cpp; views, routines, packages and types in qelOracleParser_Prc.cpp.
#include "qelOracleParser.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Gnr.h"
#include "qelComp_Rol.h"
#include "qelResWords.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// Construction

TOracleParser::TOracleParser(TCustomObjs* AObjs) : TCustomSQLParser(AObjs) {
  // Bare Oracle names may hold "#" and "$" after their first letter.
  IdentChars.Include(static_cast<unsigned char>('#'));
  IdentChars.Include(static_cast<unsigned char>('$'));
  InitDialect(dbOracle, ";");
}

TOracleParser::~TOracleParser() = default;

void TOracleParser::BuildResWords() {
  TCustomSQLParser::BuildResWords();
  ResWords.AddResWords(OracleResWords);
}

std::string TOracleParser::QuoteIdent(const std::string& Name) {
  return OracleQuoteIdent(Name);
}

TObjs* TOracleParser::Collection() const {
  return dynamic_cast<TObjs*>(Objs);
}

// ---------------------------------------------------------------------------------------------
// Scanner

namespace {

bool IsLineStart(const std::string& Txt, std::size_t I) {
  return I == 0 || Txt[I - 1] == '\n';
}

/// "REM" or "REMARK" as a word of its own at Txt[I].
bool IsRemarkAt(const std::string& Txt, std::size_t I) {
  auto WordEnds = [&Txt](std::size_t J) {
    return J >= Txt.size() || Txt[J] == ' ' || Txt[J] == '\t' || Txt[J] == '\r' || Txt[J] == '\n';
  };
  const std::string Head = UpperCase(Txt.substr(I, 6));
  return (Head.rfind("REM", 0) == 0 && WordEnds(I + 3)) || (Head == "REMARK" && WordEnds(I + 6));
}

}  // namespace

bool TOracleParser::SkipText() {
  if (!AtEndOfText() && Pos >= 2) {
    const auto I = static_cast<std::size_t>(Pos - 2);
    // A REM line is a SQL*Plus remark wherever it stands, also inside a column list. Only
    // the word itself counts: a column named REMOTE_ID at the start of a line is a column.
    if (IsLineStart(FTxt, I) && IsRemarkAt(FTxt, I)) {
      SkipLine();
      return true;
    }
  }
  return TCustomSQLParser::SkipText();
}

void TOracleParser::DoGetSy() {
  SyPos = Pos - 1;
  if (!AtEndOfText() && Pos >= 2 && IsLineStart(FTxt, static_cast<std::size_t>(Pos - 2)) &&
      ((Ch == '/' && CurCh() != '*') || Ch == '.')) {
    // A "/" or "." line ends the statement (SQL*Plus); the rest of the line is read on.
    Sy = syTerm;
    GetChar();
    return;
  }
  TCustomSQLParser::DoGetSy();
}

void TOracleParser::DoAfterGetSy() {
  TCustomSQLParser::DoAfterGetSy();
  FQuoted = false;
  if (Sy == syString && QuoteChar == '"') {
    // A double-quoted name keeps its case and its blanks.
    Sy = syIdent;
    Ident = StrValue;
    FQuoted = true;
  } else if (Sy == syIdent) {
    Ident = UpperCase(Ident);  // Oracle folds bare names
  } else if (Sy != syIdent && Sy < syFirstResWord) {
    return;
  }
  if (Sy != syIdent) return;
  // A dotted name is one symbol: schema.table, table.column, schema.table.column.
  for (;;) {
    SkipBlanks();
    if (Ch != '.' || AtEndOfText()) return;
    GetChar();
    SkipBlanks();
    if (Ch == '"') {
      const std::size_t Start = static_cast<std::size_t>(Pos - 2);
      GetChar();
      while (!AtEndOfText() && !(Ch == '"' && CurCh() != '"')) {
        if (Ch == '"') GetChar();
        GetChar();
      }
      GetChar();
      const std::string Part = FTxt.substr(Start, static_cast<std::size_t>(Pos - 2) - Start);
      Ident += "." + Part;
      FQuoted = false;
      continue;
    }
    if (Ch == '\'') {
      ErrMsg("Must be: double quote in obj/field name");
      return;
    }
    if (Ch == '*') {
      GetChar();
      Ident += ".*";
      continue;
    }
    if (IdentChars.Contains(static_cast<unsigned char>(Ch)) && !(Ch >= '0' && Ch <= '9')) {
      const std::string Head = Ident;
      GetIdent();
      Ident = Head + "." + UpperCase(Ident);
      FQuoted = false;
      continue;
    }
    ErrMsg("Must be: <Ident>");
    return;
  }
}

void TOracleParser::TestSy(std::uint8_t Symbol) {
  // A "/" where the terminator is expected ends the statement as well.
  if (Symbol == syTerm && Sy == sySlash) return;
  TCustomSQLParser::TestSy(Symbol);
}

bool TOracleParser::IsWord(const char* Word) const {
  if (FQuoted || (Sy != syIdent && Sy < syFirstResWord)) return false;
  return UpperCase(Ident) == Word;
}

std::size_t TOracleParser::AfterSy() const {
  return AtEndOfText() ? FTxt.size() : static_cast<std::size_t>(Pos - 2);
}

char TOracleParser::NextNonBlank() const {
  for (std::size_t I = AfterSy(); I < FTxt.size(); ++I) {
    const char C = FTxt[I];
    if (C != ' ' && C != '\t' && C != '\r' && C != '\n') return C;
  }
  return '\0';
}

bool TOracleParser::NextWordIs(std::string_view Word) const {
  std::size_t I = AfterSy();
  while (I < FTxt.size() &&
         (FTxt[I] == ' ' || FTxt[I] == '\t' || FTxt[I] == '\r' || FTxt[I] == '\n'))
    ++I;
  std::size_t End = I;
  while (End < FTxt.size() && IdentChars.Contains(static_cast<unsigned char>(FTxt[End]))) ++End;
  return UpperCase(FTxt.substr(I, End - I)) == Word;
}

// ---------------------------------------------------------------------------------------------
// Block copy

namespace {

/// The line at I (a line start) holds "/" and nothing but blanks after it.
bool SlashAlone(const std::string& T, std::size_t I) {
  if (I >= T.size() || T[I] != '/') return false;
  for (std::size_t J = I + 1; J < T.size(); ++J) {
    if (T[J] == '\r' || T[J] == '\n') return true;
    if (T[J] != ' ' && T[J] != '\t') return false;
  }
  return true;
}

/// ";" at I with only blanks up to the line's end (or the text's end).
bool SemicolonAtLineEnd(const std::string& T, std::size_t I) {
  if (I >= T.size() || T[I] != ';') return false;
  for (std::size_t J = I + 1; J < T.size(); ++J) {
    if (T[J] == '\r' || T[J] == '\n') return true;
    if (T[J] != ' ' && T[J] != '\t') return false;
  }
  return true;
}

}  // namespace

std::string TOracleParser::BlockCopy(std::size_t From, TBlockEnd End, bool Required) {
  const std::string& T = FTxt;
  std::size_t Stop = T.size();
  bool Found = false;
  for (std::size_t I = std::max<std::size_t>(From, AfterSy()); I < T.size(); ++I) {
    const char C = T[I];
    if (C == '/' && IsLineStart(T, I) && I > From) {
      const bool Match = End == beSlashAlone ? SlashAlone(T, I)
                                             : (I + 1 >= T.size() || T[I + 1] != '*') &&
                                                   (End != beViewEnd || SlashAlone(T, I));
      if (Match) {
        Stop = I;
        Found = true;
        break;
      }
    }
    if (C == ';' && (End == beViewEnd || End == beSemicolonLine) && SemicolonAtLineEnd(T, I)) {
      Stop = I;
      Found = true;
      break;
    }
  }
  FUnterminated = !Found && Required;
  if (FUnterminated)
    // Taking the rest of the script into the unit would hide every statement after it.
    ErrMsgAt("Missing: \"/\" line after the PL/SQL block.", FStmtLine, FStmtCol);
  const std::string Text = From < Stop ? T.substr(From, Stop - From) : std::string();
  // Move the reader to the end: the next symbol is the "/" line or the ";".
  while (!AtEndOfText() && static_cast<std::size_t>(Pos - 2) < Stop) GetChar();
  GetSy();
  return Text;
}

std::string TOracleParser::ParenTail() {
  std::string Text = "(";
  int Depth = 1;
  while (!AtEndOfText() && Depth > 0) {
    const char C = Ch;
    Text += C;
    GetChar();
    if (C == '\'') {
      while (!AtEndOfText()) {
        Text += Ch;
        const char Q = Ch;
        GetChar();
        if (Q == '\'' && Ch != '\'') break;
        if (Q == '\'') {
          Text += Ch;
          GetChar();
        }
      }
    } else if (C == '(') {
      ++Depth;
    } else if (C == ')') {
      --Depth;
    }
  }
  GetSy();
  return Text;
}

// ---------------------------------------------------------------------------------------------
// Names

void TOracleParser::DecodeIdent(const std::string& Name, std::string& Schema, std::string& Last,
                                std::string& First) {
  Schema.clear();
  Last.clear();
  First.clear();
  std::vector<std::string> Parts(1);
  bool InQuotes = false;
  for (char C : Name) {
    if (C == '"') {
      InQuotes = !InQuotes;
      if (!InQuotes || Parts.back().empty()) continue;
    }
    if (C == '.' && !InQuotes) {
      Parts.emplace_back();
      continue;
    }
    Parts.back() += C;
  }
  if (Parts.size() == 1) {
    Last = Parts[0];
  } else if (Parts.size() == 2) {
    First = Parts[0];
    Last = Parts[1];
  } else {
    Schema = Parts[0];
    First = Parts[1];
    Last = Parts[2];
  }
}

void TOracleParser::Obj_Ident(TDbObject Kind) {
  IdentQualifier.clear();
  IdentName.clear();
  IdentField.clear();
  if (Sy != syIdent && Sy != syAsterisk) {
    TestSy(syDot);
    return;
  }
  const std::string Written = Sy == syIdent ? Ident : std::string("*");
  GetSy();
  std::string Schema, Last, First;
  DecodeIdent(Written, Schema, Last, First);
  if (Kind == dboField) {
    IdentQualifier = Schema;
    IdentName = First;
    IdentField = Last;
    return;
  }
  if (!Schema.empty()) {
    IdentQualifier = Schema;
    IdentName = First;
    IdentField = Last;
    return;
  }
  IdentQualifier = First;
  IdentName = Last;
}

void TOracleParser::SetName(TDbObj& Obj) {
  // A catalog text names the object with its owner; the object read from the catalog keeps
  // the name and schema it is filed under.
  if (ParseObj) return;
  Obj.SetObjName(IdentName);
  if (!IdentQualifier.empty()) Obj.SetSchema(IdentQualifier);
}

// ---------------------------------------------------------------------------------------------
// Statement loop

void TOracleParser::ParseScriptText(const std::string& Text, TCustomObjs* AObjs) {
  TCustomSQLParser::ParseScriptText(Text, AObjs);
  Link_Depend();
}

namespace {

/// What the statement loop does with a word of the client (or COMMIT, CALL ...) that starts a
/// statement.
enum TClientAction : std::uint8_t {
  caEnd,         ///< COMMIT [WORK], EXIT, QUIT ...: one word; only COMMIT reaches the server
  caShowErrors,  ///< SHOW ERRORS
  caSkipLine,    ///< the rest of the line is the client's
  caBlock,       ///< a PL/SQL block (VARIABLE: a declaration) up to its "/" line
  caCommand,     ///< a line command: up to its ";" or the end of its line
};

struct TClientWord {
  std::string_view Word;
  TClientAction Action;
};

constexpr std::array<TClientWord, 27> kClientWords{{
    {"COMMIT", caEnd},     {"DISCONNECT", caEnd},    {"EXIT", caEnd},
    {"SHUTDOWN", caEnd},   {"QUIT", caEnd},          {"SHOW", caShowErrors},
    {"REM", caSkipLine},   {"REMARK", caSkipLine},   {"PROMPT", caSkipLine},
    {"COL", caSkipLine},   {"PAUSE", caSkipLine},    {"SPOOL", caSkipLine},
    {"DECLARE", caBlock},  {"BEGIN", caBlock},       {"VARIABLE", caBlock},
    {"CLEAR", caCommand},  {"REPFOOTER", caCommand}, {"EXECUTE", caCommand},
    {"TTITLE", caCommand}, {"BTITLE", caCommand},    {"DEFINE", caCommand},
    {"CALL", caCommand},   {"STARTUP", caCommand},   {"EXEC", caCommand},
    {"LOAD", caCommand},   {"COLUMN", caCommand},    {"WHENEVER", caCommand},
}};

}  // namespace

void TOracleParser::ParseText() {
  if (Objs && Objs->GetDatabaseType() != dbOracle) Objs->SetDatabaseType(dbOracle);
  ParseStatements();
}

void TOracleParser::BeginStatement() {
  FStmtLine = Line;
  FStmtCol = std::max(1, GetPosX() - static_cast<std::int32_t>(Pos - 1 - SyPos));
  StatRecord = nullptr;
  StatType = stStatement;
  StatObjKind = dboUnknown;
  StatOperation = odbUnknown;
  StatObjName.clear();
  StatOwnName.clear();
  StatTableSchema.clear();
  FReport = true;
}

bool TOracleParser::PassFailedStatement() {
  // One error per bad statement: the rest of it up to its terminator is passed over.
  SkipToTerm();
  while (Sy == syTerm) GetSy();
  return true;
}

void TOracleParser::EndStatement(std::int32_t Start) {
  (void)Start;
  if (FReport)
    ReportStatement(StatType, StatType == st_Commit ? "COMMIT WORK" : StatObjName, StatObjKind,
                    StatOperation, StatOwnName, StatRecord);
  while (Sy == syTerm) GetSy();
}

void TOracleParser::ParseStatement() {
  switch (Sy) {
    case oraCREATE:
      ParseCreate();
      return;
    case oraALTER:
      ParseAlter();
      return;
    case oraDROP:
      ParseDrop();
      return;
    case oraCOMMENT:
      StatType = stDescription;
      ParseComment();
      return;
    case oraGRANT:
      ParseGrant();
      return;
    case oraCONNECT:
      ParseConnect();
      return;
    case oraSET:
      // SQL*Plus settings are the client's: nothing for the server to run.
      FReport = false;
      SkipLine();
      GetSy();
      return;
    case syAt: {
      // "@script" and "@@script" have the client run another script, which is not read here.
      FReport = false;
      const auto From = static_cast<std::size_t>(Pos - 2);  // Ch, after the first "@"
      std::string File = FTxt.substr(From, FTxt.find('\n', From) - From);
      File = Trim(!File.empty() && File.front() == '@' ? File.substr(1) : File);
      WrnMsg("Script " + File + " run with @ is not read: its objects are not in the schema.");
      SkipLine();
      GetSy();
      return;
    }
    case oraINSERT:
    case oraUPDATE:
    case oraDELETE:
      ParseDataStatement();
      return;
    case oraSELECT:
      StatType = stSelect;
      SkipToTermTellingStatements({.Query = true});
      return;
    case oraREVOKE:
      SkipToTermTellingStatements({.Grant = true});
      return;
    case syTerm:
      FReport = false;
      return;
    case oraCOLUMN:
    case oraWHENEVER:
    case syIdent:
      ParseClientWord();
      return;
    default:
      ErrMsg("Missing / unknown: DDL-statement: " + GetSyWord());
      GetSy();
      return;
  }
}

void TOracleParser::ParseDataStatement() {
  const std::uint8_t First = Sy;
  StatType = First == oraINSERT ? stInsert : First == oraUPDATE ? stUpdate : stDelete;
  StatObjKind = dboTable;
  StatOperation = First == oraINSERT ? odbInsert : First == oraUPDATE ? odbUpdate : odbDelete;
  GetSy();
  if (First == oraINSERT) TestAndGetSy(oraINTO);
  if (First == oraDELETE) TestAndGetSy(oraFROM);
  if (Sy == syIdent) StatObjName = Ident;
  TestSy(syIdent);
  SkipToTermTellingStatements();
}

void TOracleParser::ParseClientWord() {
  const std::string Word = FQuoted ? std::string() : UpperCase(Ident);
  if (Word == "CONN") {  // the client's short form of CONNECT
    ParseConnect();
    return;
  }
  const auto* It = std::find_if(kClientWords.begin(), kClientWords.end(),
                                [&Word](const TClientWord& W) { return W.Word == Word; });
  if (It == kClientWords.end()) {
    ErrMsg("Unknown statement: " + Ident);
    GetSy();
    return;
  }
  switch (It->Action) {
    case caEnd:
      FReport = Word == "COMMIT";
      if (FReport) {
        StatType = st_Commit;
        StatOperation = odbCommit;
      }
      GetSy();
      if (Word == "COMMIT" && IsWord("WORK")) GetSy();
      return;
    case caShowErrors:
      FReport = false;
      GetSy();
      TestIdent("ERRORS");
      GetSy();
      return;
    case caSkipLine:
      // PROMPT, SPOOL ... and an indented remark: the rest of the line.
      FReport = false;
      SkipLineCommand(false);
      return;
    case caBlock:
      BlockCopy(AfterSy(), beSlashLine, Word != "VARIABLE");
      return;
    case caCommand:
      // Commands of the client (CALL excepted): a server would refuse them.
      FReport = Word == "CALL";
      SkipLineCommand(true);
      return;
  }
}

namespace {

/// The line break at I follows a "-", the client's mark that the command goes on.
bool ContinuedAt(const std::string& T, std::size_t I) {
  while (I > 0 && (T[I - 1] == ' ' || T[I - 1] == '\t')) --I;
  return I > 0 && T[I - 1] == '-';
}

}  // namespace

void TOracleParser::SkipLineCommand(bool Command) {
  // The client runs these commands line by line: a ";" is not needed, and a command ends
  // with its line unless the line ends in "-" or inside an open parenthesis (a CALL over
  // several lines). Strings do not run on past a line's end. The line is the command word's
  // own: the reader may already stand on the next one when the word is alone on its line.
  const std::string& T = FTxt;
  std::size_t Stop = static_cast<std::size_t>(std::max<std::int32_t>(SyPos - 1, 0));
  while (Stop < T.size() && IdentChars.Contains(static_cast<unsigned char>(T[Stop]))) ++Stop;
  int Depth = 0;
  char Quote = 0;
  for (; Stop < T.size(); ++Stop) {
    const char C = T[Stop];
    if (C == '\r' || C == '\n') {
      Quote = 0;
      if (!Command || (Depth == 0 && !ContinuedAt(T, Stop))) break;
    } else if (!Command) {
      continue;  // a PROMPT's text is the client's, ";" and all
    } else if (Quote) {
      if (C == Quote) Quote = 0;
    } else if (C == '\'' || C == '"') {
      Quote = C;
    } else if (C == '(') {
      ++Depth;
    } else if (C == ')' && Depth > 0) {
      --Depth;
    } else if (C == ';') {
      break;  // the terminator is the next symbol
    }
  }
  while (!AtEndOfText() && static_cast<std::size_t>(Pos - 2) < Stop) GetChar();
  GetSy();
}

// ---------------------------------------------------------------------------------------------
// CREATE, ALTER, DROP

void TOracleParser::ParseCreate() {
  StatOperation = odbCreate;
  GetSy();
  SkipOrReplace();
  const bool Force = ReadForce();
  const bool Temporary = ReadGlobalTemporary();
  switch (Sy) {
    case oraTABLE:
      ParseTable(nullptr, Temporary);
      return;
    case oraVIEW:
      ParseView(nullptr, Force);
      return;
    case oraTRIGGER:
      ParseTrigger(nullptr);
      return;
    case oraINDEX:
      ParseIndex(false);
      return;
    case oraUNIQUE:
      GetSy();
      ParseIndex(true);
      return;
    case oraUSER:
    case oraCLUSTER:
      SkipToTerm();
      return;
    case oraPUBLIC:
      GetSy();
      if (Sy == oraSYNONYM)
        ParseSynonym();
      else if (IsWord("DATABASE") || IsWord("ROLLBACK"))
        SkipToTerm();
      else
        ErrMsg("Unknown CREATE PUBLIC... statement.");
      return;
    case oraSYNONYM:
      ParseSynonym();
      return;
    default:
      break;
  }
  if (Sy != syIdent || FQuoted) {
    ErrMsg("Unknown CREATE-statement.");
    return;
  }
  if (IsWord("TYPE")) {
    ParseType(nullptr);
  } else if (IsWord("SEQUENCE")) {
    ParseSequence(false);
  } else if (IsWord("ROLE")) {
    ParseRole();
  } else if (IsWord("PROCEDURE") || IsWord("FUNCTION")) {
    ParseRoutine(nullptr, IsWord("FUNCTION"));
  } else if (IsWord("PACKAGE")) {
    ParsePackage(nullptr);
  } else if (IsWord("DIMENSION") || IsWord("ROLLBACK") || IsWord("TABLESPACE") ||
             IsWord("TEMPORARY") || IsWord("DATABASE")) {
    SkipToTerm();
  } else if (IsWord("LIBRARY")) {
    GetSy();
    TestAndGetSy(syIdent);
    if (IsWord("TRUSTED")) GetSy();
    if (Sy == oraAS || Sy == oraIS) {
      GetSy();
      if (Sy == syString || IsWord("STATIC")) GetSy();
    }
  } else {
    ErrMsg("Unknown CREATE statement.");
  }
}

void TOracleParser::SkipOrReplace() {
  FOrReplace = Sy == oraOR;
  if (Sy == oraOR) {
    GetSy();
    TestIdent("REPLACE");
    GetSy();
  }
  SkipEditionable();
}

void TOracleParser::SkipEditionable() {
  // Servers with editions write every stored unit as CREATE OR REPLACE EDITIONABLE (or
  // NONEDITIONABLE) ...; whether a unit is editioned is not part of what is compared.
  if (IsWord("EDITIONABLE") || IsWord("NONEDITIONABLE")) GetSy();
}

bool TOracleParser::ReadForce() {
  const bool Force = IsWord("FORCE");
  if (Force || IsWord("NOFORCE")) {
    GetSy();
    SkipEditionable();  // a view: CREATE OR REPLACE FORCE EDITIONABLE VIEW
  }
  return Force;
}

bool TOracleParser::ReadGlobalTemporary() {
  if (!IsWord("GLOBAL")) return false;
  GetSy();
  TestIdent("TEMPORARY");
  GetSy();
  return true;
}

void TOracleParser::ParseSynonym() {
  GetSy();
  TestAndGetSy(syIdent);
  TestAndGetSy(oraFOR);
  TestAndGetSy(syIdent);
  TestSy(syTerm);
}

void TOracleParser::ParseAlter() {
  StatOperation = odbAlter;
  GetSy();
  switch (Sy) {
    case oraTRIGGER:
      ParseAlterTrigger();
      return;
    case oraSESSION:
    case oraUSER:
    case oraVIEW:
      SkipToTerm();
      return;
    case oraTABLE:
      ParseAlterTable();
      return;
    default:
      if (Sy == syIdent && !FQuoted) {
        if (IsWord("SEQUENCE")) {
          ParseSequence(true);
        } else if (IsWord("TYPE")) {
          ParseAlterType();
        } else if (IsWord("ROLLBACK") || IsWord("SYSTEM") || IsWord("PACKAGE")) {
          SkipToTerm();
        } else {
          ErrMsg("Unknown ALTER statement.");
        }
        return;
      }
      ErrMsg("Unknown ALTER-statement.");
      GetSy();
      return;
  }
}

void TOracleParser::ParseDrop() {
  StatOperation = odbDrop;
  GetSy();
  const bool Known = Sy == oraINDEX || Sy == oraPUBLIC || Sy == oraSYNONYM || Sy == oraTABLE ||
                     Sy == oraTRIGGER || Sy == oraUSER || Sy == oraVIEW;
  const bool KnownWord = IsWord("PROCEDURE") || IsWord("SEQUENCE") || IsWord("FUNCTION") ||
                         IsWord("LIBRARY") || IsWord("TYPE") || IsWord("PACKAGE") || IsWord("ROLE");
  if (!Known && !KnownWord) {
    if (Sy == syIdent) {
      ErrMsg("Unknown drop statement.");
    } else {
      ErrMsg("Unknown DROP-statement.");
      return;
    }
  }
  if (Sy == oraPUBLIC) {
    GetSy();
    if (IsWord("DATABASE")) {
      GetSy();
      TestIdent("LINK");
    } else if (Sy != oraSYNONYM) {
      ErrMsg("Unknown DROP PUBLIC...");
      return;
    }
  } else if (IsWord("PACKAGE")) {
    GetSy();
    if (!IsWord("BODY")) {
      TestSy(syIdent);
      if (Sy == syIdent) StatObjName = Ident;
      GetSy();
      while (IsWord("FORCE") || IsWord("CASCADE") || IsWord("CONSTRAINTS")) GetSy();
      return;
    }
  }
  GetSy();
  TestSy(syIdent);
  if (Sy == syIdent) StatObjName = Ident;
  GetSy();
  if (IsWord("FORCE")) GetSy();
  if (IsWord("CASCADE")) GetSy();
  if (IsWord("CONSTRAINTS")) GetSy();
}

// ---------------------------------------------------------------------------------------------
// Small statements

void TOracleParser::ParseComment() {
  GetSy();
  TestAndGetSy(oraON);
  TObjs* O = Collection();
  TDbObj* Target = nullptr;
  if (Sy == oraCOLUMN) {
    GetSy();
    const std::string Written = Sy == syIdent ? Ident : std::string();
    TestSy(syIdent);
    std::string Schema, Column, Table;
    DecodeIdent(Written, Schema, Column, Table);
    if (!Schema.empty()) Table = Schema + "." + Table;
    GetSy();
    if (O) Target = O->GetTableField(Table, Column);
  } else if (Sy == oraTABLE) {
    GetSy();
    const std::string Written = Sy == syIdent ? Ident : std::string();
    TestSy(syIdent);
    std::string Schema, Name, First;
    DecodeIdent(Written, Schema, Name, First);
    GetSy();
    if (O) Target = O->GetTable(SchObjName(First, Name));  // First: the schema of "schema.table"
  } else {
    ErrMsg("Unknown COMMENT-statement.");
    GetSy();
    return;
  }
  TestAndGetSy(oraIS);
  TestSy(syString);
  if (Sy != syString) return;
  if (Target) Target->SetDescription(StrValue);
  GetSy();
}

void TOracleParser::ParseGrant() {
  auto Gnt = std::make_unique<TGntData>(Objs);
  // The text after the word GRANT: the writer puts the word back in front of it.
  const std::size_t From = AfterSy();
  const std::string Text = Trim(BlockCopy(From, beSemicolonLine));
  TellStatementInside(static_cast<std::int32_t>(From) + 1, SyPos, {.Grant = true});
  Gnt->GrantText = Text;
  DoLogNextLine("Grant: " + Text);
  if (TObjs* O = Collection(); O && !Text.empty())
    if (O->Grants.Add(Gnt->ObjKeyDef(), Gnt.get())) (void)Gnt.release();
}

void TOracleParser::ParseRole() {
  GetSy();
  const std::string Name = Sy == syIdent ? Ident : std::string();
  TestAndGetSy(syIdent);
  if (Name.empty()) return;
  auto Rol = std::make_unique<TRolData>(Objs);
  Rol->SetObjName(Name);
  DoLogNextLine("Role: " + Name);
  if (TObjs* O = Collection()) {
    if (O->Roles.Add(Rol->ObjKeyDef(), Rol.get()))
      (void)Rol.release();
    else if (const TDbObj* Old = O->Roles.FindObj(Rol->ObjKeyDef()))
      TestDefinedTwice("Role " + Name, *Old);
  }
  if (Sy == syIdent && (IsWord("NOT") || IsWord("IDENTIFIED"))) SkipToTerm();
}

void TOracleParser::ParseSequence(bool Alter) {
  GetSy();
  Obj_Ident(dboGenerator);
  const std::string Name = IdentName;
  TObjs* O = Collection();
  std::unique_ptr<TGnrData> New;
  TGnrData* Gnr = nullptr;
  if (Alter) {
    Gnr = O ? O->GetGenerator(Name) : nullptr;
    if (!Gnr) {
      SkipToTerm();
      return;
    }
  } else {
    New = std::make_unique<TGnrData>(Objs);
    Gnr = New.get();
    SetName(*Gnr);
    // The server's increment when none is written, as its catalog shows it: the writer leaves
    // an increment of 1 out, so both spellings read as the same sequence.
    Gnr->Increment.assign(1, '1');
  }
  auto Number = [this] {
    std::string R = GetIntConst();
    GetSy();
    return R;
  };
  // ORDER is a keyword, and a sequence option like the others wherever it stands.
  while (Sy == syIdent || Sy == oraINCREMENT || Sy == oraSTART || Sy == oraORDER) {
    if (Sy == oraORDER) {
      Gnr->Order = true;
      GetSy();
    } else if (Sy == oraINCREMENT) {
      GetSy();
      TestAndGetSy(oraBY);
      Gnr->Increment = Number();
    } else if (Sy == oraSTART) {
      GetSy();
      TestAndGetSy(oraWITH);
      Gnr->StartValue = Number();
    } else if (IsWord("CACHE")) {
      GetSy();
      Gnr->SetCache(Number());
    } else if (IsWord("MINVALUE")) {
      GetSy();
      Gnr->MinValue = Number();
      Gnr->NoMinValue = false;
    } else if (IsWord("MAXVALUE")) {
      GetSy();
      Gnr->SetMaxValue(Number());
    } else if (IsWord("NOMAXVALUE")) {
      Gnr->NoMaxValue = true;
      GetSy();
    } else if (IsWord("NOCACHE")) {
      Gnr->SetNoCache(true);
      GetSy();
    } else if (IsWord("NOMINVALUE")) {
      Gnr->NoMinValue = true;
      GetSy();
    } else if (IsWord("NOORDER")) {
      Gnr->Order = false;
      GetSy();
    } else if (IsWord("CYCLE")) {
      Gnr->Cycle = true;
      GetSy();
    } else if (IsWord("NOCYCLE")) {
      Gnr->Cycle = false;
      GetSy();
    } else {
      ErrMsg("Unknown SEQUENCE declaration.");
      return;
    }
  }
  DoLogNextLine("Sequence: " + Name);
  if (New && O) {
    if (O->Generators.Add(New->ObjKeyDef(), New.get()))
      (void)New.release();
    else if (const TDbObj* Old = O->Generators.FindObj(New->ObjKeyDef()))
      TestDefinedTwice("Sequence " + Name, *Old);
  }
}

void TOracleParser::FieldsSeq(TStrings* List) {
  TestAndGetSy(syLParen);
  for (;;) {
    const std::string Name = Sy == syIdent ? Ident : std::string();
    TestAndGetSy(syIdent);
    if (List) List->Add(Name);
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
}

void TOracleParser::ParseConnect() {
  StatType = stConnect;
  GetSy();
  const std::string User = Sy == syIdent ? Ident : std::string();
  TestAndGetSy(syIdent);
  StatObjName = User;
  ConnectionOptions.UserName = User;
  TestSy(sySlash);
  if (Sy != sySlash) return;
  // The password is taken raw (it keeps its case) up to a blank, "/", ";", "\" or line end.
  while (!AtEndOfText() && (Ch == ' ' || Ch == '\t')) GetChar();
  std::string Password;
  while (!AtEndOfText() && Ch != '\t' && Ch != '\n' && Ch != '\r' && Ch != ' ' && Ch != '/' &&
         Ch != ';' && Ch != '\\') {
    Password += Ch;
    GetChar();
  }
  StatOwnName = Password;
  ConnectionOptions.Password = Password;
  GetSy();
  if (Sy == oraAS) {
    GetSy();
    TestAndGetSy(syIdent);
  }
}

// ---------------------------------------------------------------------------------------------
// Re-reading catalog texts

namespace {

/// Where the body of a package's catalog text starts (its CREATE OR REPLACE [NON]EDITIONABLE
/// PACKAGE BODY line); npos when the text has none.
std::size_t PackageBodyAt(const std::string& Text) {
  for (const char* Mark :
       {"\r\nCREATE OR REPLACE PACKAGE BODY ", "\r\nCREATE OR REPLACE EDITIONABLE PACKAGE BODY ",
        "\r\nCREATE OR REPLACE NONEDITIONABLE PACKAGE BODY "})
    if (const std::size_t At = Text.find(Mark); At != std::string::npos) return At;
  return std::string::npos;
}

}  // namespace

void TOracleParser::ParseObjText(TDbObj* Obj) {
  if (!Obj || Obj->Extra().FullText.empty()) return;
  ParseObj = Obj;
  const std::string Text = Obj->Extra().FullText;
  auto Start = [this](const std::string& T) {
    AssignTxt(T + "\r\n/\r\n");
    GetSy();
    StmtStart = SyPos;
  };
  auto CreateOrReplace = [this] {
    TestAndGetSy(oraCREATE);
    SkipOrReplace();
  };
  if (auto* Pkg = dynamic_cast<TPkgData*>(Obj)) {
    const std::size_t At = PackageBodyAt(Text);
    for (const std::string& Part : {At == std::string::npos ? Text : Text.substr(0, At),
                                    At == std::string::npos ? std::string() : Text.substr(At)}) {
      const std::string T = Trim(Part);
      if (T.empty()) continue;
      Start(T);
      CreateOrReplace();
      ParsePackage(Pkg);
    }
  } else if (auto* Trg = dynamic_cast<TTrgData*>(Obj)) {
    const std::size_t At = Text.find("\r\nALTER TRIGGER ");
    Start(Trim(At == std::string::npos ? Text : Text.substr(0, At)));
    CreateOrReplace();
    ParseTrigger(Trg);
  } else {
    Start(Text);
    if (auto* Dmn = dynamic_cast<TDmnData*>(Obj)) {
      CreateOrReplace();
      ParseType(Dmn);
    } else if (auto* Tbl = dynamic_cast<TTblData*>(Obj)) {
      CreateOrReplace();
      ParseTable(Tbl, ReadGlobalTemporary());
    } else if (auto* Prc = dynamic_cast<TPrcData*>(Obj)) {
      ParseRoutine(Prc, Prc->IsFunction || IsWord("FUNCTION"));
    } else if (auto* View = dynamic_cast<TViwData*>(Obj)) {
      CreateOrReplace();
      ParseView(View, ReadForce());
    }
  }
  ClearTxt();
  ParseObj = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Dependencies

void TOracleParser::Link_Depend() {
  TCustomSQLParser::Link_Depend();
  TObjs* O = Collection();
  if (!O) return;
  const TSymSet Types{static_cast<std::uint8_t>(kindDomain)};
  for (int I = 0; I < O->Domains.Count(); ++I) {
    auto* Dmn = dynamic_cast<TDmnData*>(O->Domains.Objects(I));
    if (!Dmn) continue;
    if (!Dmn->SuperType.empty()) LinkDepend(Dmn, Dmn->SuperType, Types);
    const bool Collection =
        Dmn->OracleKind == odVArray || Dmn->OracleKind == odAsTable || Dmn->OracleKind == odIsTable;
    if (Collection && Dmn->SuperType.empty()) {
      if (Dmn->TypeField && !Dmn->TypeField->Extra().DomainName.empty())
        LinkDepend(Dmn, Dmn->TypeField->Extra().DomainName, Types);
      continue;
    }
    if (Dmn->OracleKind != odObject && Dmn->SuperType.empty()) continue;
    for (const auto& A : Dmn->Attributes)
      if (!A->Extra().DomainName.empty()) LinkDepend(Dmn, A->Extra().DomainName, Types);
  }
  for (int I = 0; I < O->Tables.Count(); ++I) {
    auto* Tbl = dynamic_cast<TTblData*>(O->Tables.Objects(I));
    if (!Tbl) continue;
    if (!Tbl->Extra().OfType.empty()) LinkDepend(Tbl, Tbl->Extra().OfType, Types);
    for (const auto& F : Tbl->Fields)
      if (!F->Extra().DomainName.empty()) LinkDepend(Tbl, F->Extra().DomainName, Types);
  }
}

// ---------------------------------------------------------------------------------------------
// Errors

void TOracleParser::ErrMsg(const std::string& Text) {
  ++FErrCount;
  if (!ParseObj) {
    TCustomSQLParser::ErrMsg(Text);
    return;
  }
  ObjErrMsg(*ParseObj, Text);
}

}  // namespace qel
