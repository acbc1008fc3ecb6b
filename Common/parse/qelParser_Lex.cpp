// The scanner of the parser framework: the symbol loop, numbers, strings, identifiers,
// operators, raw expressions, comments and the statement terminator.
#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>

#include "Text.h"
#include "qelDialects.h"
#include "qelParser.h"

namespace qel {

namespace {

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}
bool IsLetter(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}
bool IsBlank(char C) {
  return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

// The invalid-character message. Control bytes are shown as "#" + their code, so that a stray
// NUL or escape byte does not end up raw in a message; a UTF-8 sequence is shown whole.
// (Texts are built by appending: "literal" + std::string trips a false -Wrestrict at -O3.)
std::string InvalidCharText(std::string_view Chars) {
  std::string Text = "Invalid char in source text: \"";
  const auto Code = static_cast<unsigned char>(Chars.empty() ? 0 : Chars[0]);
  if (Chars.size() == 1 && (Code < 32 || Code == 127)) {
    Text += "#";
    Text += IntToStr(Code);
  } else {
    Text += Chars;
  }
  Text += "\".";
  return Text;
}

// Bytes of the UTF-8 sequence a lead byte starts (1 for ASCII and stray bytes).
std::int32_t Utf8Length(char C) {
  const auto B = static_cast<unsigned char>(C);
  if (B >= 0xC2 && B <= 0xDF) return 2;
  if (B >= 0xE0 && B <= 0xEF) return 3;
  if (B >= 0xF0 && B <= 0xF4) return 4;
  return 1;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TCustomParser: the symbol loop

void TCustomParser::GetSy() {
  Sy = syEOF;
  SyPos = Pos - 1;
  for (;;) {
    if (FEot) {
      Sy = syEOF;
      SyPos = Pos;
      break;
    }
    // White space and comments; a SkipText that claims to skip without moving ends the run.
    for (;;) {
      const std::int32_t Before = Pos;
      const bool EotBefore = FEot;
      if (!SkipText() || (Pos == Before && FEot == EotBefore)) break;
    }
    if (FEot) {
      Sy = syEOF;
      SyPos = Pos;
      break;
    }
    const std::int32_t Before = Pos;
    DoBeforeGetSy();
    DoGetSy();
    DoAfterGetSy();
    if (Pos == Before && !FEot) {
      // A scanner that does not move would loop for ever: force it one character on.
      DoErrorMessage("Parser " + ClassName() + " deadlock.");
      GetChar();
    }
    if (Sy != syEOF) break;
    // The scanner found no symbol here (it reported an invalid character and stepped over
    // it): read on, so that end of text means the end of the text and nothing else.
  }
  // Quotes with nothing between them name nothing on any server. (A Transact-SQL "" may be an
  // empty string as well: the name readers report it where they want a name.)
  if (Sy == syIdent && Ident.empty() && SyPos >= 1 && SyPos <= FLen) {
    const char Quote = FTxt[static_cast<std::size_t>(SyPos - 1)];
    if (Quote == '`' || Quote == '[' ||
        (Quote == '"' && !LexicalRulesOf(DatabaseType).DoubleQuotedStrings))
      ErrMsg("Empty name.");
  }
  if (DebugLogOptions.Contains(dlSymbol)) LogSymbol();
}

void TCustomParser::LogSymbol() {
  std::string Text = "(";
  Text += IntToStr(Line);
  Text += ",";
  Text += IntToStr(GetPosX());
  Text += ") ";
  Text += ResWordBySymbol(Sy);
  Text += ": ";
  Text += IntToStr(Sy);
  if (Sy == syIdent) {
    Text += " =";
    Text += Ident;
  } else if (Sy == syInteger) {
    Text += " =";
    Text += IntToStr(IntValue);
  } else if (Sy == syString) {
    Text += " =";
    Text += QuoteChar;
    Text += StrValue;
    Text += QuoteChar;
  }
  DoLogNextLine(Text);
}

void TCustomParser::DoBeforeGetSy() {
  Ident.clear();
  SkipBlanks();
}

void TCustomParser::DoAfterGetSy() {}

bool TCustomParser::SkipText() {
  return SkipBlanks();
}

bool TCustomParser::SkipBlanks() {
  bool Skipped = false;
  while (IsBlank(Ch)) {
    GetChar();
    Skipped = true;
  }
  return Skipped;
}

void TCustomParser::SkipLine() {
  while (!FEot && Ch != '\r' && Ch != '\n') GetChar();
}

bool TCustomParser::CheckTermStr() {
  if (TermLen <= 0 || FEot || Ch != TermStr[0]) return false;
  const std::int32_t Start = Pos - 2;  // 0-based index of Ch
  if (FLen - Start < TermLen) return false;
  if (FTxt.compare(static_cast<std::size_t>(Start), static_cast<std::size_t>(TermLen), TermStr) !=
      0)
    return false;
  Sy = syTerm;
  for (std::int32_t I = 0; I < TermLen; ++I) GetChar();
  return true;
}

// ---------------------------------------------------------------------------------------------
// TCustomParser: the scanner

void TCustomParser::DoGetSy() {
  SyPos = Pos - 1;
  if (FEot) {
    Sy = syEOF;
    return;
  }
  const char C = Ch;
  if (IsDigit(C)) {
    Sy = syInteger;
    IntValue = GetInt();
    return;
  }
  if (IsLetter(C)) {
    GetIdent();
    Sy = FindResWord();
    if (Sy == syIdent) {  // a keyword keeps its letter case
      for (char& C : Ident)
        if (C >= 'a' && C <= 'z') C = static_cast<char>(C - ('a' - 'A'));
    }
    return;
  }
  switch (C) {
    case '\'':
    case '"':
    case '`':
      Sy = syString;
      QuoteChar = C;
      StrValue = GetStr();
      return;
    case '.':
      if (IsDigit(CurCh())) {
        Sy = syInteger;
        IntValue = GetInt();
        return;
      }
      Sy = syDot;
      break;
    case '!': {
      // Only "!=" is a symbol. A lone "!" is an error at its own position, never a silent
      // end of the script.
      const std::int32_t AtLine = Line;
      const std::int32_t AtPosX = GetPosX();
      GetChar();
      if (LexicalRulesOf(DatabaseType).BlanksInOperators) SkipBlanks();  // "! ="
      if (Ch == '=') {
        Sy = syNotEqual;
        break;
      }
      ErrMsgAt(InvalidCharText("!"), AtLine, AtPosX);
      return;
    }
    case '<':
      GetChar();
      if (LexicalRulesOf(DatabaseType).BlanksInOperators) SkipBlanks();  // "< >", "< ="
      if (Ch == '=') {
        Sy = syLessEqual;
        break;
      }
      if (Ch == '>') {
        Sy = syNotEqual;
        break;
      }
      Sy = syLess;
      return;
    case '>':
      if (CurCh() == '=') {
        GetChar();
        Sy = syGreaterEqual;
      } else {
        Sy = syGreater;
      }
      break;
    case '=':
      if (CurCh() == '=') {
        GetChar();
        Sy = syDoubleEqual;
      } else {
        Sy = syEqual;
      }
      break;
    case '%':
      Sy = syPercent;
      break;
    case '&':
      Sy = syAmpersand;
      break;
    case '(':
      Sy = syLParen;
      break;
    case ')':
      Sy = syRParen;
      break;
    case '*':
      Sy = syAsterisk;
      break;
    case '+':
      Sy = syPlus;
      break;
    case ',':
      Sy = syComma;
      break;
    case '-':
      Sy = syMinus;
      break;
    case '/':
      Sy = sySlash;
      break;
    case ':':
      Sy = syColon;
      break;
    case ';':
      Sy = sySemicolon;
      break;
    case '@':
      Sy = syAt;
      break;
    case '[':
      Sy = syLBracket;
      break;
    case '\\':
      Sy = syBackslash;
      break;
    case ']':
      Sy = syRBracket;
      break;
    default: {
      // Reported where it stands; the character is stepped over and GetSy reads on. A UTF-8
      // sequence counts as one character, so the message shows it whole.
      std::int32_t Len = Utf8Length(C);
      for (std::int32_t I = 1; I < Len; ++I)
        if (Pos - 1 + I > FLen || (FTxt[static_cast<std::size_t>(Pos - 2 + I)] & 0xC0) != 0x80)
          Len = 1;
      ErrMsg(InvalidCharText(std::string_view(FTxt).substr(static_cast<std::size_t>(Pos - 2),
                                                           static_cast<std::size_t>(Len))));
      for (std::int32_t I = 1; I < Len; ++I) GetChar();
      break;
    }
  }
  GetChar();
}

void TCustomParser::GetIdent() {
  if (FEot) {
    Ident.clear();
    return;
  }
  const auto Start = static_cast<std::size_t>(Pos - 2);  // 0-based index of Ch
  if (IdentChars.Contains('\n') || IdentChars.Contains('\x1A')) {
    // A dialect that lets line breaks or Ctrl-Z into names needs the reader's line counting.
    while (Pos <= FLen &&
           IdentChars.Contains(static_cast<unsigned char>(FTxt[static_cast<std::size_t>(Pos - 1)])))
      GetChar();
  } else {
    // Names hold no line break: move over them in one step.
    std::int32_t End = Pos - 1;  // 0-based index of the byte after Ch
    while (End < FLen &&
           IdentChars.Contains(static_cast<unsigned char>(FTxt[static_cast<std::size_t>(End)])))
      ++End;
    if (End > Pos - 1) {
      Column += End - (Pos - 1);
      Pos = End + 1;
      Ch = FTxt[static_cast<std::size_t>(End - 1)];
    }
  }
  Ident.assign(FTxt, Start, static_cast<std::size_t>(Pos - 1) - Start);
  GetChar();
}

std::int32_t TCustomParser::GetInt() {
  StrValue.clear();
  if (FEot) {
    ErrMsg("Missing: Integer(Float) value...");
    return IntValue;
  }
  const auto Start = static_cast<std::size_t>(Pos - 2);  // 0-based index of Ch
  bool Dot = Ch == '.';
  bool Exp = false;
  for (;;) {
    const char N = CurCh();
    if (IsDigit(N)) {
      GetChar();
    } else if (N == '.' && !Dot && !Exp) {
      Dot = true;
      GetChar();
    } else if ((N == 'E' || N == 'e') && !Exp) {
      // An exponent only when digits follow, with or without a sign: in "1END" or "2e" the
      // letter starts the next symbol.
      const char A = NextCh();
      const char B = Pos + 1 < FLen ? FTxt[static_cast<std::size_t>(Pos + 1)] : '\0';
      if (IsDigit(A)) {
        GetChar();
      } else if ((A == '+' || A == '-') && IsDigit(B)) {
        GetChar();
        GetChar();
      } else {
        break;
      }
      Exp = true;
    } else {
      break;
    }
  }
  StrValue.assign(FTxt, Start, static_cast<std::size_t>(Pos - 1) - Start);
  GetChar();
  if (!Dot && !Exp) {
    std::int64_t Value = 0;
    const auto R = std::from_chars(StrValue.data(), StrValue.data() + StrValue.size(), Value);
    if (R.ec != std::errc() || Value > std::numeric_limits<std::int32_t>::max())
      Value = std::numeric_limits<std::int32_t>::max();  // the digits stay in StrValue
    IntValue = static_cast<std::int32_t>(Value);
    Sy = syInteger;
  } else {
    long double Value = 0;
    const auto R = std::from_chars(StrValue.data(), StrValue.data() + StrValue.size(), Value);
    FloatValue = R.ec == std::errc() ? Value : 0;
    Sy = syFloat;
  }
  return IntValue;
}

std::string TCustomParser::GetStr() {
  std::string Result;
  if (FEot) return Result;
  const char Q = Ch;
  const std::int32_t AtLine = Line;
  const std::int32_t AtPosX = GetPosX();
  // Escapes are read in '...' and "..." only: inside a back-quoted name a backslash is a
  // character of the name like any other.
  const bool Escapes = LexicalRulesOf(DatabaseType).BackslashEscapes && Q != '`';
  GetChar();
  for (;;) {
    if (FEot) {
      ErrMsgAt(std::string(SUnterminatedString), AtLine, AtPosX);
      return Result;
    }
    const char C = Ch;
    if (C == Q) {
      if (CurCh() != Q) break;
      Result += Q;  // a doubled quote stands for itself
      GetChar();
    } else if (C == '\\' && Escapes) {
      GetChar();
      if (FEot) continue;  // reported above as unterminated
      switch (Ch) {
        case 'r':
          Result += '\r';
          break;
        case 'n':
          Result += '\n';
          break;
        case 't':
          Result += '\t';
          break;
        case 'b':
          Result += '\b';
          break;
        case 'Z':  // only the capital: the server reads \z as z
          Result += '\x1A';
          break;
        case '0':
          Result += '\0';
          break;
        case '%':
        case '_':
          // Kept with their backslash, as the server keeps them: they escape the wildcards of
          // a LIKE pattern.
          Result += '\\';
          Result += Ch;
          break;
        default:
          Result += Ch;
          break;
      }
    } else {
      // Ch itself (a Ctrl-Z already reads as a blank), then the run of ordinary characters
      // after it in one step; GetChar keeps the line count.
      Result += C;
      const auto Start = static_cast<std::size_t>(Pos - 1);
      while (Pos <= FLen) {
        const char N = FTxt[static_cast<std::size_t>(Pos - 1)];
        if (N == Q || (N == '\\' && Escapes) || N == '\x1A') break;
        GetChar();
      }
      Result.append(FTxt, Start, static_cast<std::size_t>(Pos - 1) - Start);
    }
    GetChar();
  }
  GetChar();  // past the closing quote
  return Result;
}

std::string TCustomParser::GetExpr() {
  SkipBlanks();
  std::string Text;
  int Depth = 0;
  while (!FEot) {
    const char C = Ch;
    if (Depth > 0 && (C == '\'' || C == '"' || C == '`')) {
      // Quoted text is copied whole: a parenthesis inside a literal does not count.
      Text += C;
      GetChar();
      while (!FEot) {
        Text += Ch;
        if (Ch == C) {
          GetChar();
          if (Ch != C) break;
          Text += Ch;
        }
        GetChar();
      }
      continue;
    }
    Text += C;
    if (C == '(')
      ++Depth;
    else if (C == ')')
      --Depth;
    GetChar();
    if (Depth <= 0) break;
  }
  if (DebugLogOptions.Contains(dlExpr)) DoLogNextLine("Expression: " + Text);
  GetSy();
  return Text;
}

// ---------------------------------------------------------------------------------------------
// TCustomSQLParser: terminator, "||" and comments

void TCustomSQLParser::DoGetSy() {
  SyPos = Pos - 1;
  if (CheckTermStr()) return;
  if (Ch == '|' && CurCh() == '|') {
    GetChar();
    GetChar();
    Sy = syConcat;
    return;
  }
  TCustomParser::DoGetSy();
}

bool TCustomSQLParser::SkipText() {
  if ((Ch == '-' && CurCh() == '-') || (Ch == '/' && CurCh() == '*')) return SkipComment();
  return TCustomParser::SkipText();
}

bool TCustomSQLParser::SkipComment() {
  Comment.clear();
  if (FEot) return false;
  if (Ch == '/' && CurCh() == '*') {
    const std::int32_t AtLine = Line;
    const std::int32_t AtPosX = GetPosX();
    GetChar();
    GetChar();
    const auto Start = static_cast<std::size_t>(FEot ? FLen : Pos - 2);
    while (!FEot && !(Ch == '*' && CurCh() == '/')) GetChar();
    if (FEot) {
      Comment.assign(FTxt, Start, std::string::npos);
      ErrMsgAt(std::string(SUnterminatedComment), AtLine, AtPosX);
    } else {
      Comment.assign(FTxt, Start, static_cast<std::size_t>(Pos - 2) - Start);
      GetChar();
      GetChar();
    }
  } else if (Ch == '-' && CurCh() == '-') {
    GetChar();
    GetChar();
    const auto Start = static_cast<std::size_t>(FEot ? FLen : Pos - 2);
    // To the end of the line; a bare LF ends it too, as in texts that did not pass through
    // ParseScript's line-break normalisation (catalog texts).
    while (!FEot && Ch != '\r' && Ch != '\n') GetChar();
    const auto End = static_cast<std::size_t>(FEot ? FLen : Pos - 2);
    Comment.assign(FTxt, Start, End - Start);
  } else {
    return false;
  }
  if (DebugLogOptions.Contains(dlComment)) DoLogNextLine("Comment: " + Comment);
  return true;
}

}  // namespace qel
