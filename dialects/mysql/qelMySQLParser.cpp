// The MySQL script parser: the scanner (back quotes, "#" comments,
// character-set introducers), the statement loop with its SET forms, views, the re-parse of the
// CREATE texts a server returns and error reporting. The table grammar is in
// qelMySQLParser_Tbl.cpp.
#include "qelMySQLParser.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelResWords.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// Construction

namespace {

bool IsLetter(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}
bool IsIdentStartChar(char C) {
  return IsLetter(C) || static_cast<unsigned char>(C) >= 0x80;
}

}  // namespace

TMySQLParser::TMySQLParser(TCustomObjs* AObjs)
    : TCustomSQLParser(AObjs), FServerOptions(std::make_unique<TMySQLServerOptions>()) {
  // Bare names may hold "$" and the bytes of non-ASCII characters.
  IdentChars.Include(static_cast<unsigned char>('$'));
  for (unsigned C = 0x80; C <= 0xFF; ++C) IdentChars.Include(static_cast<unsigned char>(C));
  InitDialect(dbMySQL, ";");
}

TMySQLParser::~TMySQLParser() = default;

void TMySQLParser::BuildResWords() {
  TCustomSQLParser::BuildResWords();
  ResWords.AddResWords(MySQLResWords);
}

std::string TMySQLParser::QuoteIdent(const std::string& Name) {
  return MySQLQuoteIdent(Name);
}

bool TMySQLParser::ColumnCaseSensitive(const TTblData&) const {
  return false;
}

bool TMySQLParser::CaseFolded() const {
  return Objs && !Objs->MySQLServerOptions.GetMySQLCompareOptions().CaseSensitiveIdentifiers;
}

// ---------------------------------------------------------------------------------------------
// Scanner

void TMySQLParser::GetSy() {
  // Texts cut from the source (view bodies, generated columns) end after the symbol before the
  // current one, so that a comment in between is not taken into them.
  FPrevEnd = FEot ? FLen + 1 : Pos - 1;
  TCustomSQLParser::GetSy();
}

void TMySQLParser::DoGetSy() {
  FBackQuoted = false;
  SyPos = Pos - 1;
  if (FEot) {
    Sy = syEOF;
    return;
  }
  if (CheckTermStr()) return;
  const char N = CurCh();
  if (Ch == '_' && (IsIdentStartChar(N) || (N >= '0' && N <= '9'))) {
    // A character-set introducer (_utf8mb4'...') when a string follows the name at once; the
    // string is read as its own symbol. Otherwise "_x" is an ordinary name.
    auto End = static_cast<std::size_t>(Pos - 1);
    while (End < FTxt.size() && IdentChars.Contains(static_cast<unsigned char>(FTxt[End]))) ++End;
    GetIdent();
    if (End < FTxt.size() && (FTxt[End] == '\'' || FTxt[End] == '"')) {
      Sy = myCharsetIntro;
    } else {
      Sy = syIdent;
      if (CaseFolded()) Ident = UpperCase(Ident);
    }
    return;
  }
  if (IsIdentStartChar(Ch)) {
    GetIdent();
    Sy = FindResWord();
    if (Sy == syIdent && CaseFolded()) Ident = UpperCase(Ident);
    return;
  }
  TCustomSQLParser::DoGetSy();
}

void TMySQLParser::GetIdent() {
  if (TermStr.empty() || !IdentChars.Contains(static_cast<unsigned char>(TermStr[0]))) {
    TCustomSQLParser::GetIdent();
    return;
  }
  const auto Start = static_cast<std::size_t>(Pos - 2);  // 0-based index of Ch
  std::size_t End = Start + 1;
  while (End < static_cast<std::size_t>(FLen) &&
         IdentChars.Contains(static_cast<unsigned char>(FTxt[End])) &&
         FTxt.compare(End, TermStr.size(), TermStr) != 0)
    ++End;
  Ident.assign(FTxt, Start, End - Start);
  while (static_cast<std::size_t>(Pos - 2) < End && !FEot) GetChar();
}

void TMySQLParser::DoAfterGetSy() {
  if (Sy == syString && QuoteChar == '`') {
    Sy = syIdent;
    Ident = CaseFolded() ? UpperCase(StrValue) : StrValue;
    FBackQuoted = true;
  }
  TCustomSQLParser::DoAfterGetSy();
}

namespace {
/// The server version a script's version comments are read for (MariaDB 10.11).
constexpr std::int64_t kVersionCommentServer = 101100;
}  // namespace

bool TMySQLParser::SkipText() {
  if (Ch == '#') return SkipComment();
  // The server runs what a version comment holds (/*!50001 ... */, MariaDB's /*M!100100 ... */),
  // and dump tools write every view so: its opening and close are passed over, its text read.
  if (FVersionComment && Ch == '*' && CurCh() == '/') {
    GetChar();
    GetChar();
    FVersionComment = false;
    return true;
  }
  if (Ch == '/' && CurCh() == '*' && !FVersionComment) {
    const auto At = [this](std::int32_t I) {
      return I < FLen ? FTxt[static_cast<std::size_t>(I)] : '\0';
    };
    // Ch stands at the 0-based index Pos - 2: the byte after "/*" is at Pos.
    const std::int32_t Bang = At(Pos) == 'M' ? Pos + 1 : Pos;
    std::int32_t Digits = Bang + 1;
    std::int64_t Version = 0;
    for (; Digits < FLen && Digits < Bang + 7 && At(Digits) >= '0' && At(Digits) <= '9'; ++Digits)
      Version = Version * 10 + (At(Digits) - '0');
    // A newer server's text stays a comment, as it does for the server (MariaDB 10.11 here).
    if (At(Bang) == '!' && Version <= kVersionCommentServer) {
      while (Pos - 2 < Digits && !FEot) GetChar();
      FVersionComment = true;
      return true;
    }
  }
  return TCustomSQLParser::SkipText();
}

bool TMySQLParser::SkipComment() {
  if (FEot) return false;
  if (Ch != '#') return TCustomSQLParser::SkipComment();
  GetChar();
  const auto Start = static_cast<std::size_t>(FEot ? FLen : Pos - 2);
  while (!FEot && Ch != '\r' && Ch != '\n') GetChar();
  const auto End = static_cast<std::size_t>(FEot ? FLen : Pos - 2);
  Comment.assign(FTxt, Start, End - Start);
  if (DebugLogOptions.Contains(dlComment)) DoLogNextLine("Comment: " + Comment);
  return true;
}

void TMySQLParser::NameFromKeyword() {
  if (Sy < syFirstResWord || Sy == myCharsetIntro || Ident.empty()) return;
  const std::string Word = UpperCase(Ident);
  if (MySQLIsReservedWord(Word)) return;
  Sy = syIdent;
  if (CaseFolded()) Ident = Word;
}

bool TMySQLParser::NextWordIs(std::string_view Word) const {
  // Ch, the byte after the current symbol, stands at the 0-based index Pos - 2.
  std::size_t I = FEot ? FTxt.size() : static_cast<std::size_t>(Pos - 2);
  const std::size_t N = std::min(FTxt.size(), static_cast<std::size_t>(FLen));
  for (;;) {
    while (I < N && (FTxt[I] == ' ' || FTxt[I] == '\t' || FTxt[I] == '\r' || FTxt[I] == '\n')) ++I;
    if (I + 1 < N && FTxt[I] == '/' && FTxt[I + 1] == '*') {
      const std::size_t End = FTxt.find("*/", I + 2);
      I = End == std::string::npos ? N : End + 2;
    } else if (I < N && (FTxt[I] == '#' || FTxt.compare(I, 3, "-- ") == 0)) {
      while (I < N && FTxt[I] != '\n') ++I;
    } else {
      break;
    }
  }
  if (N - std::min(I, N) < Word.size() || !SameText(FTxt.substr(I, Word.size()), Word))
    return false;
  const std::size_t After = I + Word.size();
  return After >= N || !IdentChars.Contains(static_cast<unsigned char>(FTxt[After]));
}

bool TMySQLParser::AtElementWord() {
  if (Sy != syIdent || FBackQuoted) return false;
  return IsIdent("CHECK") || (IsIdent("PERIOD") && NextWordIs("FOR"));
}

// ---------------------------------------------------------------------------------------------
// Linking after the last script

namespace {

/// The names a view's text holds (back-quoted or bare words), string literals and comments
/// left out.
std::vector<std::string> NamesIn(const std::string& T) {
  std::vector<std::string> Names;
  // What follows AS is an alias, not a name of the schema.
  const auto NameOrAlias = [&Names](std::string Name) {
    if (!Names.empty() && SameText(Names.back(), "AS"))
      Names.back().clear();
    else
      Names.push_back(std::move(Name));
  };
  const std::size_t N = T.size();
  auto Word = [](char C) {
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '_' ||
           C == '$' || static_cast<unsigned char>(C) >= 0x80;
  };
  std::size_t I = 0;
  while (I < N) {
    const char C = T[I];
    if (C == '\'' || C == '"') {
      for (++I; I < N && T[I] != C; ++I)
        if (T[I] == '\\') ++I;
      ++I;
    } else if (C == '`') {
      const std::size_t End = T.find('`', I + 1);
      const std::size_t Stop = End == std::string::npos ? N : End;
      NameOrAlias(T.substr(I + 1, Stop - I - 1));
      I = Stop + 1;
    } else if (C == '#' || (C == '-' && I + 1 < N && T[I + 1] == '-')) {
      while (I < N && T[I] != '\n') ++I;
    } else if (C == '/' && I + 1 < N && T[I + 1] == '*') {
      const std::size_t End = T.find("*/", I + 2);
      I = End == std::string::npos ? N : End + 2;
    } else if (Word(C)) {
      const std::size_t Start = I;
      while (I < N && Word(T[I])) ++I;
      NameOrAlias(T.substr(Start, I - Start));
    } else {
      ++I;
    }
  }
  return Names;
}

}  // namespace

void TMySQLParser::Link_Depend() {
  TCustomSQLParser::Link_Depend();
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (!O || O->Views.Count() < 2) return;
  // A view over another view is made after it and dropped before it.
  std::unordered_map<std::string, TViwData*> Views;
  for (int I = 0; I < O->Views.Count(); ++I)
    if (auto* V = dynamic_cast<TViwData*>(O->Views.Objects(I)))
      Views.emplace(UpperCase(V->GetObjName()), V);
  // A script made each view after the views it reads (the server refuses it before them): a
  // name of a view read later is none of them.
  std::unordered_map<std::string, std::size_t> Order;
  Order.swap(FViewOrder);
  const auto Before = [&Order](const std::string& W, const std::string& V) {
    const auto A = Order.find(W), B = Order.find(V);
    return A == Order.end() || B == Order.end() || A->second < B->second;
  };
  for (int I = 0; I < O->Views.Count(); ++I) {
    auto* V = dynamic_cast<TViwData*>(O->Views.Objects(I));
    if (!V) continue;
    std::unordered_set<TViwData*> Linked;
    const std::string VKey = UpperCase(V->GetObjName());
    for (const std::string& Name : NamesIn(V->Extra().Body)) {
      const std::string Key = UpperCase(Name);
      const auto It = Views.find(Key);
      if (It != Views.end() && It->second != V && Before(Key, VKey) &&
          Linked.insert(It->second).second)
        LinkDepend(V, It->second);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Messages

void TMySQLParser::ErrMsg(const std::string& Text) {
  ++FErrCount;
  if (!ParseObj) {
    TCustomSQLParser::ErrMsg(Text);
    return;
  }
  // An error in a catalog text names the object it belongs to: the script position alone
  // points into a text the user never saw.
  std::string Prefix;
  switch (ParseObj->Kind) {
    case kindView:
      Prefix = "View ";
      break;
    case kindIndex:
      Prefix = "Index ";
      break;
    case kindTable:
      Prefix = "Table ";
      break;
    default:
      break;
  }
  TCustomSQLParser::ErrMsg(Prefix + ParseObj->GetObjName() + ": " + Text);
}

// ---------------------------------------------------------------------------------------------
// Statements

std::string TMySQLParser::GetObjectName(bool* Qualified) {
  NameFromKeyword();
  TestSy(syIdent);
  if (Qualified) *Qualified = false;
  if (Sy != syIdent) return "";
  std::string Name = Ident;
  GetSy();
  if (Sy == syDot) {
    if (Qualified) *Qualified = true;
    GetSy();
    TestSy(syIdent);
    if (Sy != syIdent) return Name;
    Name = Ident;
    GetSy();
  }
  return Name;
}

void TMySQLParser::Uncarried() {
  if (!ReportUncarried || FCarried) return;
  std::string Text = Trim(CopyTxt(StmtStart, SyPos - StmtStart));
  if (const auto Br = Text.find_first_of("\r\n"); Br != std::string::npos)
    Text = TrimRight(Text.substr(0, Br)) + " ...";
  MsgManager.AddScriptMsg("Statement not loaded: " + Text, ScriptName, 1, Line, mt_Wrn);
}

void TMySQLParser::ParseText() {
  LastStatement = nullptr;
  FVersionComment = false;
  SetTermStr(";");  // a DELIMITER of an earlier script does not carry over
  GetSy();
  while (Sy != syEOF) {
    // Dump files end their version comments (/*!40101 ... */) with ";": empty statements.
    if (Sy == syTerm) {
      GetSy();
      continue;
    }
    StmtStart = SyPos;
    FStmtErrCount = FErrCount;
    FCarried = false;
    ParseStatement();
    if (Sy != syTerm) {
      if (!StatementFailed()) TestSy(syTerm);
      SkipToTerm();
    }
    Uncarried();
    if (Sy == syTerm) GetSy();
  }
}

void TMySQLParser::ParseStatement() {
  auto Record = [this](TStatType Typ, const std::string& Name, TDbObject Kind, TDbOperation Op) {
    // The statement runs to the terminator.
    SkipToTermTellingStatements();
    DoAddStatement(Typ, Name, Kind, Op, "", LastStatement);
    FCarried = true;
  };
  switch (Sy) {
    case myINSERT: {
      GetSy();
      if (Sy == myINTO) GetSy();
      const std::string Name = GetObjectName();
      if (!StatementFailed()) Record(stInsert, Name, dboTable, odbInsert);
      return;
    }
    case myUPDATE: {
      GetSy();
      const std::string Name = GetObjectName();
      if (!StatementFailed()) Record(stUpdate, Name, dboTable, odbUpdate);
      return;
    }
    case myDELETE: {
      GetSy();
      TestAndGetSy(myFROM);
      const std::string Name = GetObjectName();
      if (!StatementFailed()) Record(stDelete, Name, dboTable, odbDelete);
      return;
    }
    case myUSE: {
      GetSy();
      TestSy(syIdent);
      if (Sy != syIdent) return;
      const std::string Name = Ident;
      ConnectionOptions.SetDatabaseName(Name);
      // USE is one of the client's own commands: the client ends it at its line, with or
      // without a terminator.
      while (Ch == ' ' || Ch == '\t') GetChar();
      if (AtEndOfText() || Ch == '\r' || Ch == '\n') {
        DoAddStatement(stConnect, Name, dboDatabase, odbUnknown, "", LastStatement);
        FCarried = true;
        Sy = syTerm;
        return;
      }
      GetSy();
      Record(stConnect, Name, dboDatabase, odbUnknown);
      return;
    }
    case mySET:
      ParseSet();
      return;
    case myCREATE:
      ParseCreate();
      return;
    case myALTER:
      ParseAlter();
      return;
    case myDROP:
      ParseDrop();
      return;
    default:
      break;
  }
  if (IsIdent("COMMIT")) {
    GetSy();
    Record(st_Commit, "", dboUnknown, odbUnknown);
  } else if (IsIdent("DELIMITER")) {
    ParseDelimiter();
  } else if (IsIdent("LOCK") || IsIdent("UNLOCK") || IsIdent("START") || IsIdent("BEGIN")) {
    SkipToTermTellingStatements();  // dump-file framing around data; nothing to read
  } else if (Sy == mySELECT) {
    // A query (sample scripts print their progress so) changes no schema object.
    SkipToTermTellingStatements({.Query = true});
  } else if (IsIdent("TRUNCATE")) {
    // Empties a table, as a DELETE without WHERE does; no schema object changes.
    GetSy();
    if (Sy == myTABLE) GetSy();
    const std::string Name = GetObjectName();
    if (!StatementFailed()) Record(stDelete, Name, dboTable, odbDelete);
  } else if (IsIdent("PREPARE") || IsIdent("EXECUTE")) {
    // A statement made from a text while the script runs: what it changes is not read.
    PassedOver(UpperCase(Ident), mt_Wrn);
  } else if (IsIdent("DEALLOCATE")) {
    PassedOver("DEALLOCATE PREPARE", mt_Inf);
  } else {
    ErrMsg("Missing: DDL-statement. <Proc: ParseText>");
    GetSy();
  }
}

void TMySQLParser::PassedOver(const std::string& What, TMsgType Type) {
  MsgManager.AddScriptMsg("Statement passed over: " + What + ".", ScriptName, GetPosX(), GetPosY(),
                          Type);
  SkipToTerm();
}

void TMySQLParser::ParseDelimiter() {
  // The client's DELIMITER command, as dump files and sample scripts write it around routines
  // and triggers: the rest of its line names the terminator of the statements after it, and
  // no terminator ends the command itself.
  while (Ch == ' ' || Ch == '\t') GetChar();
  std::string NewTerm;
  while (!AtEndOfText() && Ch != ' ' && Ch != '\t' && Ch != '\r' && Ch != '\n') {
    NewTerm += Ch;
    GetChar();
  }
  SkipLine();
  if (NewTerm.empty()) {
    ErrMsg("DELIMITER names no terminator.");
    GetSy();
    return;
  }
  SetTermStr(NewTerm);
  Sy = syTerm;
  FCarried = true;
}

void TMySQLParser::ParseSet() {
  GetSy();
  TStatType Typ = stSet;
  std::string Name;
  if (IsIdent("BLOBFILE")) {
    GetSy();
    TestSy(syString);
    if (Sy != syString) return;
    Typ = stSetBlobFile;
    Name = StrValue;
    GetSy();
  } else if (IsIdent("NAMES")) {
    GetSy();
    Name = GetSetValue("Unknown/Invalid SET NAMES-statement.");
    if (StatementFailed()) return;
    Typ = stSetNames;
    if (Objs) Objs->MySQLServerOptions.Names = Name;
    SkipToTerm();  // COLLATE ...
  } else if (Sy == myCHAR) {
    GetSy();
    if (Sy != mySET) {
      ErrMsg("Unknown/Invalid SET CHARACTER SET-statement.");
      return;
    }
    GetSy();
    Name = GetSetValue("Unknown/Invalid SET CHARACTER SET-statement.");
    if (StatementFailed()) return;
    Typ = stCharSet;
    if (Objs) Objs->MySQLServerOptions.CharSet = Name;
  } else if (Sy == syIdent || Sy == syAt || Sy == mySQL) {
    // Session settings (FOREIGN_KEY_CHECKS, SQL_MODE, @saved_cs_client ... as dump files write
    // them): they change how the statements after them run, so an executor runs them too.
    const std::int32_t Start = SyPos;
    SkipToTerm();
    static const std::regex ChecksOff(R"(FOREIGN_KEY_CHECKS\s*:?=\s*('?(0|OFF|FALSE)'?)(\W|$))",
                                      std::regex::icase);
    if (std::regex_search(CopyTxt(Start, SyPos - Start), ChecksOff)) ForeignKeyChecksOff();
  } else {
    ErrMsg("Unknown/Invalid SET-statement.");
    GetSy();
    return;
  }
  SkipToTerm();
  DoAddStatement(Typ, Name, dboUnknown, odbUnknown, "", LastStatement);
  FCarried = true;
}

std::string TMySQLParser::GetSetValue(const std::string& ErrText) {
  std::string Value;
  if (Sy == syIdent) {
    Value = Ident;
  } else if (Sy == syString) {
    Value = QuotedStr(StrValue, '\'');
  } else {
    ErrMsg(ErrText);
    return Value;
  }
  GetSy();
  return Value;
}

void TMySQLParser::ParseCreate() {
  GetSy();
  FOrReplace = Sy == myOR;
  if (Sy == myOR) {
    GetSy();
    TestAndGetSy(myREPLACE);
    if (StatementFailed()) return;
  }
  switch (Sy) {
    case myTEMPORARY:
    case myTABLE:
      ParseTable(nullptr);
      return;
    case myDATABASE:
      SkipToTerm();  // the database a script runs in is named by USE
      return;
    case myUNIQUE:
      GetSy();
      TestSy(myINDEX);
      if (Sy == myINDEX) ParseIndex(nullptr, false, false, true);
      return;
    case myINDEX:
      ParseIndex(nullptr, false, false, false);
      return;
    case myFULLTEXT:
    case mySPATIAL: {
      const bool Fulltext = Sy == myFULLTEXT;
      GetSy();
      TestSy(myINDEX);
      if (Sy == myINDEX) ParseIndex(nullptr, Fulltext, !Fulltext, false);
      return;
    }
    case mySQL:
      ParseView(nullptr);
      return;
    default:
      break;
  }
  if (IsIdent("DEFINER")) {
    // Routines, triggers and events have a definer as views do (dump files write one for
    // each): it is read over here, and the view, if one follows, is read without it.
    SkipDefiner();
    if (StatementFailed()) return;
  }
  if (IsIdent("ALGORITHM") || IsIdent("VIEW") || Sy == mySQL) {
    ParseView(nullptr);
  } else if (IsIdent("SCHEMA") || IsIdent("FUNCTION") || IsIdent("PROCEDURE") ||
             IsIdent("TRIGGER") || IsIdent("EVENT") || IsIdent("SEQUENCE") || IsIdent("USER") ||
             IsIdent("ROLE") || IsIdent("AGGREGATE")) {
    // Kinds this reader does not keep: read over, and said so.
    PassedOver("CREATE " + UpperCase(Ident), mt_Inf);
  } else {
    ErrMsg("Invalid/Unknown CREATE-statement.");
    GetSy();
  }
}

void TMySQLParser::ParseDrop() {
  GetSy();
  if (Sy == myTEMPORARY) GetSy();
  // Dump files drop each routine, trigger and event before they make it: kinds this reader
  // does not keep, read over as their CREATE is.
  if (IsIdent("FUNCTION") || IsIdent("PROCEDURE") || IsIdent("TRIGGER") || IsIdent("EVENT")) {
    SkipToTerm();
    return;
  }
  if (IsIdent("PREPARE")) {
    PassedOver("DEALLOCATE PREPARE", mt_Inf);  // DROP PREPARE is its other spelling
    return;
  }
  if (Sy != myTABLE && !IsIdent("VIEW") && Sy != myINDEX && !IsIdent("TABLES")) {
    ErrMsg("Invalid DROP-statement.");
    return;
  }
  // A dump makes each view first as a stand-in and drops it before the view proper: a view the
  // script made is taken back. Anything else is not removed: a script describes what is to be.
  // Older dumps' stand-ins are tables: a table dropped here goes once a view of its name comes.
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (Sy == myTABLE && O) {
    GetSy();
    if (Sy == myIF) {
      GetSy();
      GetSy();  // EXISTS
    }
    while (!StatementFailed()) {
      if (const TTblData* Table = O->GetTable(GetObjectName()))
        FDroppedTables.insert(Table->ObjKeyDef());
      if (Sy != syComma) break;
      GetSy();
    }
  }
  if (IsIdent("VIEW") && O) {
    GetSy();
    if (Sy == myIF) {
      GetSy();
      GetSy();  // EXISTS
    }
    while (!StatementFailed()) {
      if (TViwData* View = O->GetView(GetObjectName())) RemoveObj(O->Views, View->ObjKeyDef());
      if (Sy != syComma) break;
      GetSy();
    }
  }
  SkipToTerm();
}

void TMySQLParser::ParseAlter() {
  GetSy();
  if (IsIdent("IGNORE")) GetSy();
  TestAndGetSy(myTABLE);
  if (StatementFailed()) return;
  ParseAlterTable();
}

void TMySQLParser::SkipDefiner() {
  GetSy();
  TestAndGetSy(syEqual);
  GetSy();
  if (Sy == syAt) {
    GetSy();
    GetSy();
  } else if (Sy == syLParen) {  // CURRENT_USER()
    GetSy();
    TestAndGetSy(syRParen);
  }
}

void TMySQLParser::ParseView(TViwData* View) {
  std::unique_ptr<TViwData> Made;
  if (!View) {
    Made = std::make_unique<TViwData>(Objs);
    View = Made.get();
  }
  if (IsIdent("ALGORITHM")) {
    GetSy();
    TestAndGetSy(syEqual);
    if (Sy == syIdent && !SameText(Ident, "UNDEFINED")) View->Algorithm = Ident;
    GetSy();
  }
  if (IsIdent("DEFINER")) SkipDefiner();
  if (Sy == mySQL) {
    GetSy();
    TestIdent("SECURITY");
    GetSy();
    if (Sy == syIdent && !SameText(Ident, "DEFINER")) View->SqlSecurity = Ident;
    GetSy();
  }
  TestIdent("VIEW");
  if (StatementFailed()) return;
  GetSy();
  const std::string Name = GetObjectName();
  if (StatementFailed()) return;
  if (Made) View->SetObjName(Name);
  if (Sy == syLParen) {
    View->Fields.Clear();
    GetSy();
    while (Sy == syIdent) {
      auto Fld = std::make_unique<TFldData>(Objs);
      Fld->SetObjName(Ident);
      Fld->TableName = View->GetObjName();
      Fld->OwnerObj = View;
      Fld->Position = View->Fields.Count() + 1;
      View->Fields.Add(std::move(Fld));
      GetSy();
      if (Sy != syComma) break;
      GetSy();
    }
    TestAndGetSy(syRParen);
  }
  TestAndGetSy(myAS);
  if (StatementFailed()) return;
  const std::int32_t Start = SyPos;
  SkipToTermTellingStatements({.Query = true});
  View->SetBody(Trim(CopyTxt(Start, FPrevEnd - Start)));
  DoLogNextLine("View: " + View->GetObjName());
  if (!Made) return;
  // OR REPLACE: the view read last is the one the server keeps.
  if (FOrReplace && Objs) RemoveObj(Objs->Views, View->ObjKeyDef());
  // The stand-in table of a dump, dropped before the view proper.
  if (FDroppedTables.erase(View->ObjKeyDef()) > 0) RemoveTable(View->ObjKeyDef());
  FViewOrder[UpperCase(View->GetObjName())] = FViewOrder.size() + 1;
  AddObj(std::move(Made));
}

void TMySQLParser::ParseObjText(TDbObj* Obj) {
  if (!Obj || Obj->Extra().Body.empty()) return;
  auto* Tbl = dynamic_cast<TTblData*>(Obj);
  auto* Viw = dynamic_cast<TViwData*>(Obj);
  if (!Tbl && !Viw) return;
  SetTermStr(";");
  // The body is the catalog text; a view's own body is what follows AS, set by the grammar.
  AssignTxt(Obj->Extra().Body);
  FStmtErrCount = FErrCount;
  GetSy();
  ParseObj = Obj;
  StmtStart = SyPos;
  TestAndGetSy(myCREATE);
  if (!StatementFailed() && Sy == myOR) {
    GetSy();
    TestAndGetSy(myREPLACE);
  }
  if (!StatementFailed()) {
    if (Tbl)
      ParseTable(Tbl);
    else
      ParseView(Viw);
  }
  ParseObj = nullptr;
  ClearTxt();
}

}  // namespace qel
