// The SQL Anywhere script parser: the scanner, names, the statement loop,
// CONNECT, GRANT, COMMENT ON, SET OPTION, the ALTER dispatch and DROP, the re-read of catalog
// texts, errors and dependency linking. Tables are read in qelASAParser_Tbl.cpp, routines,
// triggers, views, events and publications in qelASAParser_Prc.cpp.
#include "qelASAParser.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Dmn.h"
#include "qelResWords.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// Construction

TASAParser::TASAParser(TCustomObjs* AObjs) : TCustomSQLParser(AObjs) {
  for (char C : {'#', '$', '@', '_'}) IdentChars.Include(static_cast<unsigned char>(C));
  InitDialect(dbSybaseASA, "\r\nGO");
}

TASAParser::~TASAParser() = default;

void TASAParser::BuildResWords() {
  TCustomSQLParser::BuildResWords();
  ResWords.AddResWords(ASAResWords);
}

std::string TASAParser::QuoteIdent(const std::string& Name) {
  return ASAQuoteIdent(Name, Objs ? Objs->ASAServerOptions.SQLServerVersion : st_ASA9);
}

std::string TASAParser::GenTerm() {
  return "\r\ngo";
}

std::string TASAParser::GenComment(const std::string& Text) {
  return "% " + Text;
}

namespace {

constexpr bool IsNameStart(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '#' || C == '$' || C == '@' ||
         C == '_';
}

/// One symbol of the walk over a body's text: a word, a quoted string or name, or one other
/// character; Begin == Limit when none is left.
struct TRawSy {
  std::int32_t Begin = 0;
  std::int32_t End = 0;
  bool Word = false;
};

/// The symbol at or after the 0-based I and before Limit, past blanks and the comments the
/// scanner skips ("--", "//" and "%" to the line end, "/* */"). Bodies are walked over the raw
/// text rather than through the scanner: their statements are not this grammar's, so a
/// character it has no symbol for must cost no error.
TRawSy RawSy(std::string_view T, std::int32_t I, std::int32_t Limit) {
  auto At = [&](std::int32_t J) { return J < Limit ? T[static_cast<std::size_t>(J)] : '\0'; };
  auto IsWordChar = [](char C) { return IsNameStart(C) || (C >= '0' && C <= '9'); };
  while (I < Limit) {
    const char C = At(I);
    if (C == ' ' || C == '\t' || C == '\r' || C == '\n') {
      ++I;
    } else if (C == '%' || ((C == '-' || C == '/') && At(I + 1) == C)) {
      while (I < Limit && At(I) != '\n') ++I;
    } else if (C == '/' && At(I + 1) == '*') {
      const std::size_t E = T.find("*/", static_cast<std::size_t>(I) + 2);
      I = E == std::string_view::npos ? Limit : std::min(Limit, static_cast<std::int32_t>(E) + 2);
    } else if (C == '\'' || C == '"') {
      // A doubled quote stands for itself.
      std::int32_t J = I + 1;
      while (J < Limit && !(At(J) == C && At(J + 1) != C)) J += At(J) == C ? 2 : 1;
      return {I, std::min(J + 1, Limit), false};
    } else if (IsWordChar(C)) {
      std::int32_t J = I + 1;
      while (J < Limit && IsWordChar(At(J))) ++J;
      return {I, J, IsNameStart(C)};
    } else {
      return {I, I + 1, false};
    }
  }
  return {Limit, Limit, false};
}

/// Where the body of Kind starting at the 0-based From ends before Limit: the index of its ";"
/// for a statement, the index just past its closing word for a block; -1 when it does not end
/// before Limit.
///
/// A block counts BEGIN and CASE against END and END CASE. IF, LOOP and FOR are closed by
/// END IF, END LOOP and END FOR, which close nothing BEGIN opened, so they are passed over as
/// pairs; only a top-level IF counts the IFs that start a statement (not IF EXISTS in a DROP,
/// nor an IF expression, which ENDIF closes).
std::int32_t RawBodyEnd(std::string_view T, std::int32_t From, std::int32_t Limit,
                        TASAParser::TBodyEnd Kind) {
  auto Next = [&](const TRawSy& S) { return RawSy(T, S.End, Limit); };
  auto Text = [&](const TRawSy& S) {
    return T.substr(static_cast<std::size_t>(S.Begin), static_cast<std::size_t>(S.End - S.Begin));
  };
  auto Is = [&](const TRawSy& S, std::string_view W) { return S.Word && SameText(Text(S), W); };
  auto IsChar = [&](const TRawSy& S, char C) {
    return !S.Word && S.Begin < Limit && T[static_cast<std::size_t>(S.Begin)] == C;
  };
  TRawSy S = RawSy(T, From, Limit);
  if (Kind == TASAParser::beStatement) {
    for (; S.Begin < Limit; S = Next(S))
      if (IsChar(S, ';')) return S.Begin;
    return -1;
  }
  std::string_view Label;
  if (Kind == TASAParser::beBlock) {
    // Before its BEGIN may stand a label (name:), a trigger's WHEN (...) and a routine's
    // attributes (DETERMINISTIC, ON EXCEPTION RESUME ...). A ";" first is a body of one clause
    // (EXTERNAL NAME ...), an AS a Transact-SQL body: neither closes with a word of its own.
    if (S.Word && IsChar(Next(S), ':')) Label = Text(S);
    for (int Depth = 0; !(Depth == 0 && Is(S, "BEGIN")); S = Next(S)) {
      if (S.Begin >= Limit || (Depth == 0 && (IsChar(S, ';') || Is(S, "AS")))) return -1;
      Depth += IsChar(S, '(') ? 1 : IsChar(S, ')') ? -1 : 0;
    }
  }
  int Depth = 0;
  bool StatementStart = true;
  for (; S.Begin < Limit; S = Next(S)) {
    const TRawSy After = Next(S);
    if (Is(S, "BEGIN")) {
      if (!Is(After, "TRAN") && !Is(After, "TRANSACTION")) ++Depth;
    } else if (Is(S, "CASE") || (Kind == TASAParser::beIf && StatementStart && Is(S, "IF"))) {
      ++Depth;
    } else if (Is(S, "END")) {
      bool Closes = true;
      if (Is(After, "IF") || Is(After, "LOOP") || Is(After, "FOR")) {
        Closes = Kind == TASAParser::beIf && Is(After, "IF");
        S = After;
      } else if (Is(After, "CASE")) {
        S = After;
      }
      if (Closes && --Depth == 0) {
        const TRawSy Rest = Next(S);
        return !Label.empty() && Is(Rest, Label) ? Rest.End : S.End;
      }
    }
    StatementStart =
        S.Word ? Is(S, "THEN") || Is(S, "ELSE") || Is(S, "BEGIN") || Is(S, "LOOP") || Is(S, "DO")
               : IsChar(S, ';') || IsChar(S, ':');
  }
  return -1;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Scanner

void TASAParser::DoGetSy() {
  SyPos = Pos - 1;
  FSyLine = Line;
  FSyColumn = Column;
  if (AtEndOfText()) {
    Sy = syEOF;
    return;
  }
  // A GO line separates batches (not one on the text's first line); Ch stands at the 0-based
  // index Pos - 2. The server's tools accept a bare LF before it as well as CR LF.
  if (GoLineAt(Pos - 2, false)) {
    FTermLine = Line;
    FTermColumn = Column;
    GetChar();
    GetChar();
    Sy = syTerm;
    return;
  }
  if (IsNameStart(Ch)) {
    GetIdent();
    Sy = FindResWord();
    if (Sy != syIdent) Ident = UpperCase(Ident);
    return;
  }
  TCustomSQLParser::DoGetSy();
}

void TASAParser::DoAfterGetSy() {
  FQuoted = false;
  if (Sy == syString && QuoteChar == '"') {
    Sy = syIdent;
    Ident = StrValue;
    FQuoted = true;
  }
  TCustomSQLParser::DoAfterGetSy();
}

bool TASAParser::SkipText() {
  if (Ch == '%' || (Ch == '/' && CurCh() == '/')) return SkipComment();
  return TCustomSQLParser::SkipText();
}

bool TASAParser::SkipComment() {
  if (AtEndOfText() || !(Ch == '%' || (Ch == '/' && CurCh() == '/')))
    return TCustomSQLParser::SkipComment();
  const bool Percent = Ch == '%';
  GetChar();
  if (!Percent) GetChar();
  const auto Start = static_cast<std::size_t>(AtEndOfText() ? FLen : Pos - 2);
  while (!AtEndOfText() && Ch != '\r' && Ch != '\n') GetChar();
  const auto End = static_cast<std::size_t>(AtEndOfText() ? FLen : Pos - 2);
  Comment.assign(FTxt, Start, End - Start);
  if (Percent && DebugLogOptions.Contains(dlComment)) DoLogNextLine("Comment: " + Comment);
  return true;
}

void TASAParser::SkipStatement(const TSymSet& Stops) {
  do {
    GetSy();
  } while (Sy != syEOF && !Stops.Contains(Sy));
}

void TASAParser::TestAndGetSy(std::uint8_t Symbol) {
  if (Symbol != syTerm) {
    TCustomSQLParser::TestAndGetSy(Symbol);
    return;
  }
  if (Sy == sySemicolon) GetSy();
  if (Sy == syTerm) GetSy();
}

bool TASAParser::IsWord(const char* Word) const {
  if (FQuoted || (Sy != syIdent && Sy < syFirstResWord)) return false;
  return SameText(Ident, Word);
}

void TASAParser::SkipToEnd(bool Semicolon) {
  if (Semicolon)
    SkipStatement(TSymSet{syTerm, syEOF, sySemicolon});
  else
    SkipStatement(TSymSet{syTerm, syEOF});
}

std::int32_t TASAParser::OwnEnd(std::int32_t From, TBodyEnd Kind) const {
  const std::string_view T(FTxt.data(), static_cast<std::size_t>(FLen));
  const std::int32_t Go = GoLineFrom(From, false);
  const std::int32_t End = RawBodyEnd(T, From, Go, Kind);
  if (End < 0) return -1;
  // At the end of the script the body ends at its own end too: the ";" and comments after the
  // last body are no part of it, or appending a statement would change the body.
  if (Go >= FLen) return End;
  for (TRawSy S = RawSy(T, End, Go); S.Begin < Go; S = RawSy(T, S.End, Go))
    if (S.Word || T[static_cast<std::size_t>(S.Begin)] != ';') return End;
  return -1;
}

void TASAParser::MoveTo(std::int32_t End) {
  while (!AtEndOfText() && Pos - 2 < End) GetChar();
  GetSy();
}

std::string TASAParser::BodyFrom(std::int32_t Start, TBodyEnd Kind) {
  // Past the end of the text Ch stands on no byte: Pos - 1 is the last one, read already.
  if (AtEndOfText() && Start == Pos - 1) Start = Pos;
  const std::int32_t End = OwnEnd(Start - 1, Kind);
  if (End < 0) return BodyToGoLine(Start, false);
  std::string Body = TrimSQLText(Trim(CopyTxt(Start, End - (Start - 1))));
  MoveTo(End);
  return Body;
}

void TASAParser::SkipWhole(TBodyEnd Kind) {
  const std::int32_t End = OwnEnd(SyPos - 1, Kind);
  if (End < 0)
    SkipToEnd(false);
  else
    MoveTo(End);
}

// ---------------------------------------------------------------------------------------------
// Names

void TASAParser::Obj_Ident(TDbObject Kind) {
  TDottedName N =
      ReadDottedName(kNameRules, Kind == dboTrigger || Kind == dboIndex || Kind == dboField);
  IdentOwner = std::move(N.Owner);
  IdentName = std::move(N.Name);
  IdentPart3 = std::move(N.Part3);
}

void TASAParser::Obj_Ident(TDbObj* Obj, TDbObject Kind) {
  Obj_Ident(Kind);
  if (!Obj) return;
  if (!IdentOwner.empty()) Obj->SetExtra(&TObjExtra::Creator, IdentOwner);
  Obj->SetObjName(IdentName);
}

void TASAParser::OwnerName(std::string& Owner, std::string& Name, bool DefaultOwner) {
  auto Part = [this] {
    std::string R;
    if (Sy == syIdent || Sy == syString)
      R = Sy == syIdent ? Ident : StrValue;
    else
      ErrMsg("Must be: <IDENT>");
    GetSy();
    return R;
  };
  Owner.clear();
  Name = Part();
  if (Sy == syDot) {
    GetSy();
    Owner = Name;
    Name = Part();
    if (Sy == syDot) {
      GetSy();
      Name = Part();
    }
  }
  if (DefaultOwner && Owner.empty()) Owner = "DBA";
}

TTblData* TASAParser::FindTable(const std::string& Name) const {
  return Objs ? dynamic_cast<TTblData*>(Objs->Tables.FindObj(Name)) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Statement loop

void TASAParser::ParseText() {
  if (Objs && Objs->GetDatabaseType() != dbSybaseASA) Objs->SetDatabaseType(dbSybaseASA);
  ParseStatements();
}

void TASAParser::BeginStatement() {
  StatType = stStatement;
  StatObjName.clear();
  StatOwnName.clear();
  StatDbObject = dboUnknown;
  StatDbOperation = odbUnknown;
}

bool TASAParser::PassFailedStatement() {
  // One error per bad statement: the rest of it up to its terminator is passed over.
  if (Sy != syTerm && Sy != sySemicolon && Sy != syEOF) SkipToEnd(true);
  return false;
}

void TASAParser::EndStatement(std::int32_t Start) {
  if (Sy == syTerm && SyPos == Start) {
    // An empty statement (a GO line after ";"): nothing to report.
    GetSy();
    return;
  }
  DoAddStatement(StatType, StatObjName, StatDbObject, StatDbOperation, StatOwnName, LastStatement);
  TestAndGetSy(syTerm);
}

void TASAParser::ParseStatement() {
  switch (Sy) {
    case syTerm:
    case sySemicolon:
      return;
    case asaALTER:
      ParseAlter();
      return;
    case asaBEGIN:
      SkipWhole(beBlock);
      return;
    case asaCALL:
      SkipToEnd(true);
      return;
    case asaCOMMENT:
      ParseComment();
      return;
    case asaCOMMIT:
      GetSy();
      if (Sy == asaWORK || Sy == asaTRAN) GetSy();
      StatType = st_Commit;
      return;
    case asaCONNECT:
      ParseConnect();
      return;
    case asaCREATE:
      ParseCreate();
      return;
    case asaDELETE:
      SkipToTermTellingStatements({.Semicolon = true});
      StatType = stDelete;
      StatDbOperation = odbDelete;
      return;
    case asaDROP:
      ParseDrop();
      return;
    case asaGRANT:
      ParseGrant();
      return;
    case asaIF:
      SkipWhole(beIf);
      return;
    case asaMESSAGE:
      SkipWhole(beStatement);
      return;
    case asaINSERT:
      SkipToTermTellingStatements({.Semicolon = true});
      StatType = stInsert;
      StatDbOperation = odbInsert;
      return;
    case asaSELECT:
      SkipToTermTellingStatements({.Query = true, .Semicolon = true});
      StatType = stSelect;
      return;
    case asaSET:
      ParseSet();
      return;
    case asaSETUSER:
      GetSy();
      if (Sy == asaWITH) {
        GetSy();
        TestAndGetSy(asaOPTIONS);
      }
      Obj_Ident(dboUnknown);
      return;
    case asaUPDATE:
      SkipToTermTellingStatements({.Semicolon = true});
      StatType = stUpdate;
      StatDbOperation = odbUpdate;
      return;
    default:
      break;
  }
  if (IsWord("USE")) {
    GetSy();
    StatDbObject = dboDatabase;
    if (Sy == syIdent || Sy == syString) StatObjName = Sy == syIdent ? Ident : StrValue;
    GetSy();
    return;
  }
  if (IsWord("INPUT") || IsWord("PARAMETERS")) {
    SkipToEnd(true);
    return;
  }
  // Shown where the word starts: after it the reader may already stand on the next line.
  ErrMsgAt("Missing/Unknown: DDL-statement " + ResWordBySymbol(Sy), FSyLine, FSyColumn - 1);
  GetSy();
}

void TASAParser::ParseCreate() {
  StatDbOperation = odbCreate;
  GetSy();
  if (Sy == asaTABLE) {
    StatDbObject = dboTable;
    GetSy();
    ParseTable(false);
  } else if (IsWord("GLOBAL")) {
    StatDbObject = dboTable;
    GetSy();
    TestAndGetSy(asaTEMPORARY);
    TestAndGetSy(asaTABLE);
    ParseTable(true);
  } else if (Sy == asaUNIQUE || Sy == asaINDEX) {
    StatDbObject = dboIndex;
    const bool Unique = Sy == asaUNIQUE;
    if (Unique) GetSy();
    ParseIndex(Unique);
  } else if (IsWord("FUNCTION")) {
    StatDbObject = dboFunction;
    GetSy();
    ParseProc(nullptr, false, false);
  } else if (Sy == asaPROCEDURE) {
    StatDbObject = dboProcedure;
    StatType = stProcedure;
    GetSy();
    ParseProc(nullptr, true, false);
  } else if (Sy == asaVIEW) {
    StatDbObject = dboView;
    ParseView(nullptr);
  } else if (Sy == asaTRIGGER) {
    StatDbObject = dboTrigger;
    StatType = stTrigger;
    GetSy();
    ParseTrigger(nullptr);
  } else if (Sy == asaREMOTE) {
    GetSy();
    if (Sy == asaMESSAGE) GetSy();
    TestIdent("TYPE");
    GetSy();
    GetSy();  // the message type
    TestIdent("ADDRESS");
    GetSy();
    TestAndGetSy(syString);
  } else if (IsWord("DATABASE")) {
    SkipToEnd(true);
    StatType = stCreateDb;
  } else if (Sy == asaPUBLICATION) {
    StatDbObject = dboPublication;
    ParsePublication();
  } else if (Sy == asaVARIABLE) {
    GetSy();
    TFldData Scratch(Objs);
    if (Sy == syIdent) GetSy();
    ParseDataType(Scratch);
  } else if (IsWord("DATATYPE") || IsWord("DOMAIN")) {
    StatementCreateDomain();
  } else if (IsWord("EVENT")) {
    StatementCreateEvent();
  } else {
    ErrMsg("Unknown CREATE-statement");
    GetSy();
  }
}

void TASAParser::ParseConnect() {
  GetSy();
  if (Sy == asaUSING) {
    GetSy();
    TestAndGetSy(syString);
    return;
  }
  if (Sy == asaTO) {
    GetSy();
    GetSy();
  }
  if (IsWord("DATABASE")) {
    GetSy();
    GetSy();
  }
  if (Sy == asaAS) {
    GetSy();
    GetSy();
  }
  if (Sy == asaUSER) GetSy();
  if (Sy == syIdent) ConnectionOptions.UserName = Ident;
  GetSy();
  TestAndGetSy(asaIDENTIFIED);
  TestAndGetSy(asaBY);
  if (Sy == syIdent || Sy == syString)
    ConnectionOptions.Password = Sy == syIdent ? Ident : StrValue;
  GetSy();
}

// ---------------------------------------------------------------------------------------------
// Re-reading catalog texts

void TASAParser::ParseObjText(TDbObj* Obj) {
  ParseObj = Obj;
  if (!Obj || Obj->Extra().FullText.empty()) {
    ParseObj = nullptr;
    return;
  }
  SetTermStr("\r\nGO");
  AssignTxt(Obj->Extra().FullText);
  GetSy();
  StmtStart = SyPos;
  TestAndGetSy(asaCREATE);
  if (auto* Prc = dynamic_cast<TPrcData*>(Obj)) {
    bool IsProcedure = true;
    if (Sy == asaPROCEDURE)
      IsProcedure = true;
    else if (IsWord("FUNCTION"))
      IsProcedure = false;
    else
      ErrMsg("Must be: PROCEDURE / FUNCTION");
    GetSy();
    ParseProc(Prc, IsProcedure, false);
  } else if (auto* Trg = dynamic_cast<TTrgData*>(Obj)) {
    TestAndGetSy(asaTRIGGER);
    ParseTrigger(Trg);
  } else if (auto* View = dynamic_cast<TViwData*>(Obj)) {
    ParseView(View);
  }
  ClearTxt();
  ParseObj = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Errors

void TASAParser::ErrMsg(const std::string& Text) {
  ++FErrCount;
  if (!ParseObj) {
    if (Sy != syTerm || FTermLine == 0) {
      TCustomSQLParser::ErrMsg(Text);
      return;
    }
    // Reading has passed the GO line already: the error is shown at the GO itself.
    const std::int32_t SavedLine = Line;
    const std::int32_t SavedColumn = Column;
    Line = FTermLine;
    Column = FTermColumn;
    TCustomSQLParser::ErrMsg(Text);
    Line = SavedLine;
    Column = SavedColumn;
    return;
  }
  ObjErrMsg(*ParseObj, Text);
}

// ---------------------------------------------------------------------------------------------
// Dependencies

void TASAParser::Link_Depend() {
  if (auto* O = dynamic_cast<TObjs*>(Objs)) {
    for (int I = 0; I < O->Publications.Count(); ++I) {
      auto* Pbl = dynamic_cast<TPblData*>(O->Publications.Objects(I));
      if (!Pbl) continue;
      for (int A = 0; A < Pbl->Articles.Count(); ++A) {
        const TPblArtData* Art = Pbl->Article(A);
        TTblData* Tbl = Art ? O->GetTable(Art->TableName) : nullptr;
        if (!Tbl) continue;
        LinkDepend(Pbl, Tbl, "");
        for (const std::string& Col : Art->Columns)
          if (Tbl->Fields.IndexOf(Col) >= 0) LinkDepend(Pbl, Tbl, Col);
      }
    }
  }
  TCustomSQLParser::Link_Depend();
}

// ---------------------------------------------------------------------------------------------
// GRANT, COMMENT ON and SET

void TASAParser::ParseGrant() {
  GetSy();
  if (Sy == asaCONNECT) {
    GetSy();
    TestAndGetSy(asaTO);
    NamePart();
    while (Sy == syComma) {
      GetSy();
      NamePart();
    }
    if (Sy == asaIDENTIFIED) {
      GetSy();
      TestAndGetSy(asaBY);
      if (Sy == asaENCRYPTED) GetSy();
      GetSy();
    }
    return;
  }
  auto Authority = [this] {
    return IsWord("DBA") || IsWord("SCHEDULE") || Sy == asaRESOURCE || Sy == asaGROUP ||
           Sy == asaREMOTE || Sy == asaMEMBERSHIP;
  };
  if (Authority()) {
    for (;;) {
      if (Sy == asaREMOTE) {
        GetSy();
        TestIdent("DBA");
        GetSy();
      } else if (Sy == asaMEMBERSHIP) {
        GetSy();
        TestAndGetSy(asaIN);
        TestAndGetSy(asaGROUP);
        NamePart();
        while (Sy == syComma) {
          GetSy();
          NamePart();
        }
      } else if (Authority()) {
        GetSy();
      } else {
        break;
      }
      if (Sy != syComma) break;
      GetSy();
    }
    TestAndGetSy(asaTO);
    NamePart();
    while (Sy == syComma) {
      GetSy();
      NamePart();
    }
    return;
  }
  auto Privilege = [this] {
    return Sy == asaALTER || Sy == asaDELETE || Sy == asaEXECUTE || Sy == asaINSERT ||
           Sy == asaREFERENCES || Sy == asaSELECT || Sy == asaUPDATE || Sy == asaALL;
  };
  if (!Privilege()) {
    ErrMsg("Unknown GRANT-statement");
    GetSy();
    return;
  }
  for (;;) {
    SkipBlanks();
    if (Ch == '(')
      GetExpr();  // the column list of the privilege
    else
      GetSy();
    if (Sy == asaPRIVILEGES) GetSy();
    if (Sy != syComma) break;
    GetSy();
    if (!Privilege()) {
      ErrMsg("Unknown GRANT-statement");
      return;
    }
  }
  if (Sy == asaON) {
    GetSy();
    if (Sy == asaTABLE || Sy == asaPROCEDURE || Sy == asaVIEW) GetSy();
    Obj_Ident(dboUnknown);
  }
  TestAndGetSy(asaTO);
  NamePart();
  while (Sy == syComma) {
    GetSy();
    NamePart();
  }
  if (Sy == asaWITH) {
    GetSy();
    TestAndGetSy(asaGRANT);
    TestAndGetSy(asaOPTION);
  }
  if (Sy == asaFROM) {
    GetSy();
    NamePart();
  }
}

void TASAParser::ParseComment() {
  StatType = stDescription;
  GetSy();
  bool Preserved = false;
  if (Sy == asaTO) {
    GetSy();
    TestIdent("PRESERVE");
    GetSy();
    TestIdent("FORMAT");
    GetSy();
    Preserved = true;
  }
  TestAndGetSy(asaON);
  TDbObj* Target = nullptr;
  TFldData* Column = nullptr;
  if (Sy == asaUSER) {
    GetSy();
    NamePart();
  } else if (IsWord("COLUMN")) {
    GetSy();
    Obj_Ident(dboField);
    if (TTblData* Tbl = FindTable(IdentName)) Column = Tbl->Fields.Find(IdentPart3);
  } else if (Sy == asaTABLE) {
    GetSy();
    Obj_Ident(dboUnknown);
    Target = FindTable(IdentName);
  } else if (Sy == asaPROCEDURE) {
    GetSy();
    Obj_Ident(dboUnknown);
    Target = Objs ? dynamic_cast<TPrcData*>(Objs->Procedures.FindObj(IdentName)) : nullptr;
  } else if (Sy == asaVIEW) {
    GetSy();
    Obj_Ident(dboUnknown);
    Target = Objs ? dynamic_cast<TViwData*>(Objs->Views.FindObj(IdentName)) : nullptr;
  } else if (Sy == asaTRIGGER) {
    GetSy();
    Obj_Ident(dboTrigger);
    Target = Objs ? dynamic_cast<TTrgData*>(Objs->Triggers.FindObj(IdentPart3)) : nullptr;
  } else if (Sy == asaINDEX) {
    // INDEX [[owner.]table.]index: the writer's descriptions of indexes.
    GetSy();
    Obj_Ident(dboIndex);
    const std::string Index = IdentPart3.empty() ? IdentName : IdentPart3;
    const std::string Table = IdentPart3.empty() ? std::string() : IdentName;
    if (auto* O = dynamic_cast<TObjs*>(Objs))
      for (int I = 0; I < O->Indexes.Count() && !Target; ++I)
        if (auto* Idx = dynamic_cast<TIdxData*>(O->Indexes.Objects(I));
            Idx && SameText(Idx->GetObjName(), Index) &&
            (Table.empty() || SameText(Idx->TableName, Table)))
          Target = Idx;
  } else if (IsWord("EVENT")) {
    GetSy();
    NamePart();
  } else {
    ErrMsg("Invalid/Unknown COMMENT-statement");
    return;
  }
  TestAndGetSy(asaIS);
  bool IsString = false;
  std::string Text;
  if (Preserved && Sy == syIdent) {
    // {raw text}: the characters between the braces as written.
  }
  if (Sy == syString) {
    IsString = true;
    Text = StrValue;
    GetSy();
  } else if (Sy == asaNULL) {
    IsString = true;
    GetSy();
  } else if (Preserved) {
    const std::int32_t Start = Pos - 1;
    while (!AtEndOfText() && Ch != '}') GetChar();
    Text = CopyTxt(Start, Pos - 1 - Start);
    if (!AtEndOfText()) GetChar();
    GetSy();
  } else {
    TestSy(syString);
    GetSy();
  }
  if (!IsString) return;
  if (Column)
    Column->SetExtra(&TObjExtra::Description, Text);
  else if (Target)
    Target->SetExtra(&TObjExtra::Description, Text);
}

void TASAParser::ParseSet() {
  StatType = stSet;
  GetSy();
  if (Sy == asaTEMPORARY) GetSy();
  if (Sy != asaOPTION) {
    SkipToEnd(true);
    return;
  }
  GetSy();
  // An option may be written with its owner: PUBLIC.name.
  std::string Option = NamePart();
  while (Sy == syDot) {
    GetSy();
    Option = NamePart();
  }
  TestAndGetSy(syEqual);
  if (SameText(Option, "STATISTICS") && Sy == syInteger) {
    if (Objs) Objs->ASAServerOptions.GetASADatabaseOptions().Statistics = IntValue;
  } else if (SameText(Option, "DATE_ORDER") && Sy == syString) {
    if (Objs) Objs->ASAServerOptions.GetASADatabaseOptions().DateOrder = StrValue;
  }
  SkipToEnd(true);
}

// ---------------------------------------------------------------------------------------------
// ALTER and DROP

void TASAParser::ParseAlter() {
  StatDbOperation = odbAlter;
  GetSy();
  if (Sy == asaTABLE) {
    ParseAlterTable();
  } else if (Sy == asaPROCEDURE || IsWord("FUNCTION")) {
    const bool IsProcedure = Sy == asaPROCEDURE;
    StatDbObject = IsProcedure ? dboProcedure : dboFunction;
    GetSy();
    ParseProc(nullptr, IsProcedure, true);
  } else if (IsWord("EVENT")) {
    StatementAlterEvent();
  } else {
    ErrMsg("Unknown ALTER-statement");
    GetSy();
  }
}

void TASAParser::ParseDrop() {
  StatDbOperation = odbDrop;
  GetSy();
  auto* O = dynamic_cast<TObjs*>(Objs);
  const std::uint8_t Kind = Sy;
  const std::string Word = UpperCase(Ident);
  const bool Known =
      Sy == asaINDEX || Sy == asaPROCEDURE || Sy == asaTABLE || Sy == asaTRIGGER ||
      Sy == asaVARIABLE || Sy == asaVIEW || Sy == asaPUBLICATION || Sy == asaDBSPACE ||
      (Sy == syIdent &&
       (Word == "FUNCTION" || Word == "DATATYPE" || Word == "DOMAIN" || Word == "EVENT"));
  if (!Known) {
    ErrMsg("Unknown DROP statement: " + ResWordBySymbol(Sy));
    GetSy();
    return;
  }
  GetSy();
  const bool ThreeParts = Kind == asaINDEX || Kind == asaTRIGGER;
  Obj_Ident(ThreeParts ? dboIndex : dboUnknown);
  StatObjName = ThreeParts && !IdentPart3.empty() ? IdentPart3 : IdentName;
  if (!O) return;
  // The drop takes its effect, so that an update script read after its target leads to the
  // schema it was written for.
  switch (Kind) {
    case asaTABLE:
      StatDbObject = dboTable;
      RemoveTable(IdentName);
      break;
    case asaVIEW:
      StatDbObject = dboView;
      RemoveObj(O->Views, IdentName);
      break;
    case asaPROCEDURE:
      StatDbObject = dboProcedure;
      RemoveObj(O->Procedures, IdentName);
      break;
    case asaINDEX:
      StatDbObject = dboIndex;
      RemoveObj(O->Indexes, IdentPart3.empty() ? IdentName : IdentPart3 + " ON " + IdentName);
      break;
    case asaTRIGGER:
      StatDbObject = dboTrigger;
      RemoveObj(O->Triggers, IdentPart3.empty() ? IdentName : IdentPart3);
      break;
    case asaPUBLICATION:
      StatDbObject = dboPublication;
      RemoveObj(O->Publications, IdentName);
      break;
    case syIdent:
      if (Word == "FUNCTION") {
        StatDbObject = dboFunction;
        RemoveObj(O->Procedures, IdentName);
      } else if (Word == "EVENT") {
        StatDbObject = dboEvent;
        RemoveObj(O->Events, IdentName);
      } else {
        StatDbObject = dboDomain;
        RemoveObj(O->Domains, IdentName);
      }
      break;
    default:
      break;
  }
}

}  // namespace qel
