// Local SQL of Paradox and dBASE tables: the data-script parser (keywords and quoting are in
// qelLocalSQLQuote.cpp).
#include "qelLocalSQLParser.h"

#include <algorithm>
#include <functional>

#include "Text.h"
#include "qelResWords.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// The data-script parser

namespace {

// The keyword symbols the statement loop acts on.
constexpr std::uint8_t syDelete = 77;
constexpr std::uint8_t syFrom = 99;
constexpr std::uint8_t syInsert = 116;
constexpr std::uint8_t syInto = 118;
constexpr std::uint8_t sySet = 190;
constexpr std::uint8_t syUpdate = 223;

}  // namespace

TLocalSQLParser::TLocalSQLParser(TCustomObjs* AObjs) : TCustomSQLParser(AObjs) {
  BuildResWords();
}

TLocalSQLParser::~TLocalSQLParser() = default;

void TLocalSQLParser::BuildResWords() {
  TCustomSQLParser::BuildResWords();
  for (const auto& [Word, Symbol] : LocalSQLResWords)
    ResWords.AddResWord(std::string(Word), Symbol);
}

std::string TLocalSQLParser::QuoteIdent(const std::string& Name) {
  return LocalSQLQuoteIdent(Name);
}

void TLocalSQLParser::DoGetSy() {
  if (AtEndOfText() || Ch != '[') {
    TCustomSQLParser::DoGetSy();
    return;
  }
  // SQL Server names in brackets: the name runs to the first "]" that is not doubled.
  SyPos = Pos - 1;
  const std::int32_t AtLine = Line;
  const std::int32_t AtPosX = GetPosX();
  std::string Name(1, '[');
  for (;;) {
    GetChar();
    if (AtEndOfText()) {
      ErrMsgAt("Unterminated name.", AtLine, AtPosX);
      break;
    }
    Name += Ch;
    if (Ch == ']') {
      if (CurCh() != ']') {
        GetChar();
        break;
      }
      GetChar();
      Name += ']';
    }
  }
  Sy = syIdent;
  Ident = Name;
}

void TLocalSQLParser::DoAfterGetSy() {
  // A name in double quotes (or MySQL back quotes) is one identifier; it keeps its quotes, so
  // that a name with blanks or lower-case letters is reported as the script wrote it.
  if (Sy == syString && (QuoteChar == '"' || QuoteChar == '`')) {
    Sy = syIdent;
    Ident = EncloseIdent(StrValue, QuoteChar, QuoteChar);
  }
  TCustomSQLParser::DoAfterGetSy();
}

std::string TLocalSQLParser::ReadTableName() {
  std::string Name;
  for (;;) {
    if (Sy == syIdent) {
      Name += Ident;
    } else if (Sy >= syFirstResWord) {
      // A table called "user" or "value" is written bare by the dialects that do not reserve
      // the word; here it reads as a keyword, and is still a name.
      Name += UpperCase(Ident);
    } else {
      TestSy(syIdent);
      return Name;
    }
    GetSy();
    if (Sy != syDot) return Name;
    Name += '.';
    GetSy();
  }
}

void TLocalSQLParser::AddStatement(TStatType aTyp, const std::string& aObjName, TDbObject aObjType,
                                   TDbOperation aOperation) {
  TObject* Statement = nullptr;
  DoAddStatement(aTyp, aObjName, aObjType, aOperation, "", Statement);
}

void TLocalSQLParser::ParseText() {
  GetSy();
  while (Sy != syEOF) {
    StmtStart = SyPos;
    switch (Sy) {
      case syDelete:
      case syInsert: {
        const bool IsDelete = Sy == syDelete;
        GetAndTestSy(IsDelete ? syFrom : syInto);
        std::string Name;
        if (Sy == (IsDelete ? syFrom : syInto)) {
          GetSy();
          Name = ReadTableName();
        }
        SkipToTerm();
        AddStatement(IsDelete ? stDelete : stInsert, Name, dboTable,
                     IsDelete ? odbDelete : odbInsert);
        break;
      }
      case syUpdate: {
        GetSy();
        const std::string Name = ReadTableName();
        SkipToTerm();
        AddStatement(stUpdate, Name, dboTable, odbUpdate);
        break;
      }
      case sySet:
        GetSy();
        if (IsIdent("BLOBFILE")) {
          GetAndTestSy(syString);
          std::string FileName;
          if (Sy == syString) {
            FileName = StrValue;
            GetSy();
          }
          SkipToTerm();
          AddStatement(stSetBlobFile, FileName, dboUnknown, odbUnknown);
        } else {
          SkipToTerm();
          AddStatement(stStatement, "", dboUnknown, odbUnknown);
        }
        break;
      default:
        SkipToTerm();
        AddStatement(stStatement, "", dboUnknown, odbUnknown);
        break;
    }
    // The terminator, or the end of a script whose last statement has none.
    if (Sy == syTerm) GetSy();
  }
}

}  // namespace qel
