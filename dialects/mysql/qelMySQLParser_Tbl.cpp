// The MySQL table grammar: CREATE TABLE with columns, defaults, keys, indexes, foreign keys and
// table options, stand-alone CREATE INDEX and ALTER TABLE. It reads scripts and the output of SHOW
// CREATE TABLE alike, and reads keys as the server keeps them, so that both compare equal.
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelMySQLParser.h"

namespace qel {

namespace {

// The table options the servers know (both lines of the server). A word after a table's
// closing parenthesis that is none of these is no option but text the reader would otherwise
// pass over as one, with the word after it for its value.
bool IsTableOptionWord(const std::string& Word) {
  static constexpr std::string_view Words[] = {
      "AUTOEXTEND_SIZE",
      "AUTO_INCREMENT",
      "AVG_ROW_LENGTH",
      "CHARACTER",
      "CHARSET",
      "CHECKSUM",
      "COLLATE",
      "COMMENT",
      "COMPRESSION",
      "CONNECTION",
      "DATA",
      "DELAY_KEY_WRITE",
      "ENCRYPTED",
      "ENCRYPTION",
      "ENCRYPTION_KEY_ID",
      "ENGINE",
      "ENGINE_ATTRIBUTE",
      "IETF_QUOTES",
      "INSERT_METHOD",
      "KEY_BLOCK_SIZE",
      "MAX_ROWS",
      "MIN_ROWS",
      "PACK_KEYS",
      "PAGE_CHECKSUM",
      "PAGE_COMPRESSED",
      "PAGE_COMPRESSION_LEVEL",
      "PARTITION",
      "PASSWORD",
      "ROW_FORMAT",
      "SECONDARY_ENGINE",
      "SECONDARY_ENGINE_ATTRIBUTE",
      "SEQUENCE",
      "START",
      "STATS_AUTO_RECALC",
      "STATS_PERSISTENT",
      "STATS_SAMPLE_PAGES",
      "STORAGE",
      "TABLESPACE",
      "TABLE_CHECKSUM",
      "TRANSACTIONAL",
      "TYPE",
      "UNION",
      "WITH",
  };
  return std::find(std::begin(Words), std::end(Words), Word) != std::end(Words);
}

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

/// Splits a decimal number text ("-012.50") into sign, integer digits and fraction digits;
/// false when Text is no plain decimal number.
bool SplitNumber(std::string_view Text, bool& Negative, std::string& Int, std::string& Frac) {
  Negative = false;
  Int.clear();
  Frac.clear();
  std::size_t I = 0;
  if (I < Text.size() && (Text[I] == '-' || Text[I] == '+')) Negative = Text[I++] == '-';
  while (I < Text.size() && IsDigit(Text[I])) Int += Text[I++];
  if (I < Text.size() && Text[I] == '.') {
    ++I;
    while (I < Text.size() && IsDigit(Text[I])) Frac += Text[I++];
  }
  if (I != Text.size() || (Int.empty() && Frac.empty())) return false;
  Int.erase(0, std::min(Int.find_first_not_of('0'), Int.size()));
  if (Int.empty()) Int = "0";
  return true;
}

bool IsIntegerType(TDBFieldType T) {
  return T == iftTinyInt || T == iftSmallInt || T == iftMediumInt || T == iftInteger ||
         T == iftBigInt || T == iftYear;
}

/// The display width (for BIT the length) the server gives a column of type T declared
/// without one; 0 for the other types.
std::int32_t DefaultDisplayWidth(TDBFieldType T, bool Unsigned) {
  switch (T) {
    case iftTinyInt:
      return Unsigned ? 3 : 4;
    case iftSmallInt:
      return Unsigned ? 5 : 6;
    case iftMediumInt:
      return Unsigned ? 8 : 9;
    case iftInteger:
      return Unsigned ? 10 : 11;
    case iftBigInt:
      return 20;
    case iftYear:
      return 4;
    case iftBit:
      return 1;
    default:
      return 0;
  }
}

bool IsNumericType(TDBFieldType T) {
  return IsIntegerType(T) || T == iftDecimal || T == iftNumeric || T == iftFloat ||
         T == iftDouble || T == iftReal;
}

/// The server writes the time functions of defaults one way (current_timestamp()); scripts
/// use their synonyms and either case.
std::string NormaliseTimeFunction(const std::string& Value) {
  std::string U = UpperCase(Value);
  std::string Args;
  if (const auto P = U.find('('); P != std::string::npos) {
    Args = U.substr(P);
    U.erase(P);
    if (Args == "()") Args.clear();
  }
  // Precision 0 is none: the server writes current_timestamp() for current_timestamp(0).
  if (U == "CURRENT_TIMESTAMP" || U == "NOW" || U == "LOCALTIME" || U == "LOCALTIMESTAMP")
    return "CURRENT_TIMESTAMP" + (Args == "(0)" ? std::string() : Args);
  if ((U == "CURRENT_DATE" || U == "CURDATE") && Args.empty()) return "CURRENT_DATE";
  if ((U == "CURRENT_TIME" || U == "CURTIME") && Args.empty()) return "CURRENT_TIME";
  return Value;
}

/// The end of the parenthesised group or quoted text that starts at I in Text (the index just
/// after it); Text.size() when it does not end.
std::size_t SkipGroup(const std::string& Text, std::size_t I) {
  const char Open = Text[I];
  if (Open == '\'' || Open == '"' || Open == '`') {
    for (++I; I < Text.size(); ++I) {
      if (Text[I] == '\\' && Open != '`') {
        ++I;
      } else if (Text[I] == Open) {
        if (I + 1 < Text.size() && Text[I + 1] == Open)
          ++I;  // a doubled quote
        else
          return I + 1;
      }
    }
    return Text.size();
  }
  int Depth = 0;
  while (I < Text.size()) {
    const char C = Text[I];
    if (C == '\'' || C == '"' || C == '`') {
      I = SkipGroup(Text, I);
      continue;
    }
    if (C == '(') ++Depth;
    if (C == ')' && --Depth == 0) return I + 1;
    ++I;
  }
  return Text.size();
}

/// The plain decimal text the server writes for the FLOAT or DOUBLE number Text ("2.50",
/// "1e3", "-.5" become "2.5", "1000", "-0.5"): no exponent, no zeros that say nothing. False
/// where the server would round (more than MaxDigits significant digits) or write an exponent
/// (more than 15 digits before the point, or more than 14 zeros after it).
bool PlainFloat(std::string_view Text, std::size_t MaxDigits, std::string& Out) {
  std::size_t I = 0;
  const bool Negative = I < Text.size() && Text[I] == '-';
  if (I < Text.size() && (Text[I] == '-' || Text[I] == '+')) ++I;
  std::string Digits;
  long long Point = 0;  // where the point stands in Digits
  while (I < Text.size() && IsDigit(Text[I])) {
    Digits += Text[I++];
    ++Point;
  }
  if (I < Text.size() && Text[I] == '.')
    for (++I; I < Text.size() && IsDigit(Text[I]);) Digits += Text[I++];
  if (Digits.empty()) return false;
  if (I < Text.size() && (Text[I] == 'e' || Text[I] == 'E')) {
    ++I;
    const bool Down = I < Text.size() && Text[I] == '-';
    if (I < Text.size() && (Text[I] == '-' || Text[I] == '+')) ++I;
    long long Exp = 0;
    const std::size_t From = I;
    for (; I < Text.size() && IsDigit(Text[I]) && Exp < 1000; ++I) Exp = Exp * 10 + (Text[I] - '0');
    if (I == From) return false;
    Point += Down ? -Exp : Exp;
  }
  if (I != Text.size()) return false;
  const std::size_t Lead = std::min(Digits.find_first_not_of('0'), Digits.size());
  Digits.erase(0, Lead);
  Point -= static_cast<long long>(Lead);
  Digits.erase(Digits.find_last_not_of('0') + 1);
  if (Digits.empty()) {
    Out = "0";
    return true;
  }
  const auto N = static_cast<long long>(Digits.size());
  if (Digits.size() > MaxDigits || Point > 15 || Point < -14) return false;
  if (Point <= 0)
    Out = "0." + std::string(static_cast<std::size_t>(-Point), '0') + Digits;
  else if (Point >= N)
    Out = Digits + std::string(static_cast<std::size_t>(Point - N), '0');
  else
    Out = Digits.substr(0, static_cast<std::size_t>(Point)) + "." +
          Digits.substr(static_cast<std::size_t>(Point));
  if (Negative) Out.insert(0, "-");
  return true;
}

bool IsWordChar(char C) {
  return IsDigit(C) || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_' || C == '$';
}

/// A default expression as the server writes it back, so that a script's text and the
/// server's compare equal. The server drops the parentheses round a function call or a literal
/// (DEFAULT (json_array()) comes back as DEFAULT json_array()), writes function names in lower
/// case, puts its own blanks between the parts and back quotes round column names. Both texts
/// are brought to one form: no blanks but between words, plain names without back quotes,
/// function names in lower case. Quoted text is kept as written.
std::string CanonicalExpression(const std::string& Text) {
  std::string R;
  bool Blank = false;
  const auto WordEnd = [&R] {
    return !R.empty() && (IsWordChar(R.back()) || R.back() == '\'' || R.back() == '"');
  };
  for (std::size_t I = 0; I < Text.size();) {
    const char C = Text[I];
    if (C == ' ' || C == '\t' || C == '\r' || C == '\n') {
      Blank = true;
      ++I;
      continue;
    }
    std::string Part;
    bool Word = true;
    if (C == '\'' || C == '"') {
      const std::size_t End = SkipGroup(Text, I);
      Part = Text.substr(I, End - I);
      I = End;
    } else if (C == '`') {
      const std::size_t End = SkipGroup(Text, I);
      Part = Text.substr(I, End - I);
      const std::string Name = Part.size() >= 2 ? Part.substr(1, Part.size() - 2) : Part;
      if (!Name.empty() && !IsDigit(Name[0]) && std::all_of(Name.begin(), Name.end(), IsWordChar))
        Part = Name;
      I = End;
    } else if (IsWordChar(C)) {
      std::size_t End = I;
      while (End < Text.size() && IsWordChar(Text[End])) ++End;
      Part = Text.substr(I, End - I);
      std::size_t Next = End;
      while (Next < Text.size() && (Text[Next] == ' ' || Text[Next] == '\t')) ++Next;
      if (Next < Text.size() && Text[Next] == '(') Part = LowerCase(Part);
      I = End;
    } else {
      Part = std::string(1, C);
      Word = false;
      ++I;
    }
    // A blank stays between two words, and where "--" would start a comment.
    if (Blank && ((Word && WordEnd()) || (C == '-' && !R.empty() && R.back() == '-'))) R += ' ';
    Blank = false;
    R += Part;
  }
  // The server's parentheses: none round a single call or literal.
  if (R.size() >= 2 && R.front() == '(' && SkipGroup(R, 0) == R.size()) {
    const std::string Inner = R.substr(1, R.size() - 2);
    std::size_t I = 0;
    if (I < Inner.size() && (Inner[I] == '-' || Inner[I] == '+')) ++I;
    const std::size_t Start = I;
    while (I < Inner.size() && (IsWordChar(Inner[I]) || Inner[I] == '.')) ++I;
    bool Single = I == Inner.size() && I > Start;  // a number or a name
    if (I > Start && I < Inner.size() && Inner[I] == '(')
      Single = SkipGroup(Inner, I) == Inner.size();  // a call
    if (I == Start && I < Inner.size() && (Inner[I] == '\'' || Inner[I] == '"'))
      Single = SkipGroup(Inner, I) == Inner.size();  // a string
    if (Single) R = Inner;
  }
  return R;
}

/// The check the server adds to a JSON column: CHECK (json_valid(`name`)).
bool IsJsonCheck(const std::string& Check, const TFldData& Fld) {
  if (Fld.FieldType != iftLongText && Fld.FieldType != iftDomain) return false;
  const std::string Text = CanonicalExpression(Check);
  const std::string Call = "json_valid(" + Fld.GetObjName() + ")";
  return SameText(Text, Call) || SameText(Text, "(" + Call + ")");
}

/// COLLATE alone names the table's character set as well: the part before the first "_".
void SetTableCollation(TTblData& Tbl, const std::string& Collation) {
  TMySQLTableOptions& O = Tbl.EditExtra().MySQLOptions;
  O.Collation = Collation;
  if (const auto P = Collation.find('_'); O.GetDefCharSet().empty() && P != std::string::npos)
    O.SetDefCharSet(Collation.substr(0, P));
}

/// Engine names as the server reports them, so that "engine=innodb" in a script meets
/// "ENGINE=InnoDB" in the catalog.
std::string CanonicalEngine(const std::string& Name) {
  static constexpr std::string_view Engines[] = {"InnoDB",    "MyISAM",   "MEMORY",    "Aria",
                                                 "CSV",       "ARCHIVE",  "BLACKHOLE", "MRG_MyISAM",
                                                 "FEDERATED", "SEQUENCE", "ROCKSDB",   "CONNECT"};
  if (SameText(Name, "HEAP")) return "MEMORY";
  for (std::string_view E : Engines)
    if (SameText(Name, E)) return std::string(E);
  return Name;
}

/// utf8 is the server's alias of utf8mb3, which the catalog names.
std::string CanonicalCharset(const std::string& Name) {
  if (Name.size() >= 4 && SameText(Name.substr(0, 4), "utf8") &&
      (Name.size() == 4 || Name[4] == '_')) {
    const bool Upper = Name[0] == 'U';
    return Name.substr(0, 4) + (Upper ? "MB3" : "mb3") + Name.substr(4);
  }
  return Name;
}

/// How the words after a type's name are read.
enum TTypeWords : std::uint8_t {
  twNone,
  twPrecision,  ///< DOUBLE [PRECISION]
  twVarying,    ///< CHAR [VARYING]
  twNational,   ///< NATIONAL VARCHAR, NATIONAL CHAR
};

/// A column type: the keyword symbol that names it and, where one symbol stands for several
/// words (BIT, BOOL and TINYINT) or for an identifier, the word.
struct TMySQLType {
  std::uint8_t Symbol;
  std::string_view Word;
  TDBFieldType Type;
  bool Sized;  ///< "(n)" is a length, not a precision
  TTypeWords Words = twNone;
};

// clang-format off
constexpr TMySQLType kMySQLTypes[] = {
    // BIT is a type of its own on every server since 5.0: a bit(8) is no tinyint.
    {myTINYINT, "BIT", iftBit, false},
    {myTINYINT, "", iftTinyInt, false},
    {mySMALLINT, "", iftSmallInt, false},
    {myMEDIUMINT, "", iftMediumInt, false},
    {myINT, "", iftInteger, false},
    {myBIGINT, "", iftBigInt, false},
    {myREAL, "", iftDouble, false},  // the server keeps REAL as DOUBLE
    {myFLOAT, "", iftFloat, false},
    {myDOUBLE, "", iftDouble, false, twPrecision},
    {myDECIMAL, "", iftDecimal, false},
    {myNUMERIC, "", iftDecimal, false},  // the server keeps NUMERIC as DECIMAL
    {myCHAR, "", iftChar, true, twVarying},
    {myNATIONAL, "", iftNationalChar, true, twNational},
    {myVARCHAR, "", iftVarchar, true},
    {myBINARY, "", iftBinary, true},
    {myDATE, "", iftDate, false},
    {myTIME, "", iftTime, false},
    {myDATETIME, "", iftDateTime, false},
    {myYEAR, "", iftYear, false},
    {myTINYBLOB, "", iftTinyBlob, false},
    {myBLOB, "", iftBlob, false},
    {myMEDIUMBLOB, "", iftMediumBlob, false},
    {myLONGBLOB, "", iftLongBlob, false},
    {myTINYTEXT, "", iftTinyText, false},
    {myTEXT, "", iftText, false},
    {myMEDIUMTEXT, "", iftMediumText, false},
    {myLONGTEXT, "", iftLongText, false},
    {myENUM, "", iftEnum, false},
    {mySET, "", iftSet, false},
    {syIdent, "TIMESTAMP", iftTimeStamp, false},
    {syIdent, "GEOMETRY", iftGeometry, false},
    {syIdent, "POINT", iftPoint, false},
    {syIdent, "CURVE", iftCurve, false},
    {syIdent, "LINESTRING", iftLineString, false},
    {syIdent, "SURFACE", iftSurface, false},
    {syIdent, "POLYGON", iftPolygon, false},
    {syIdent, "GEOMETRYCOLLECTION", iftGeometryCollection, false},
    {syIdent, "MULTIPOINT", iftMultiPoint, false},
    {syIdent, "MULTICURVE", iftMultiCurve, false},
    {syIdent, "MULTILINESTRING", iftMultiLineString, false},
    {syIdent, "MULTISURFACE", iftMultiSurface, false},
    {syIdent, "MULTIPOLYGON", iftMultiPolygon, false},
    {syIdent, "BOOLEAN", iftTinyInt, false},
    // The server's aliases of the integer types, which it shows by their own names.
    {syIdent, "INT1", iftTinyInt, false},
    {syIdent, "INT2", iftSmallInt, false},
    {syIdent, "INT3", iftMediumInt, false},
    {syIdent, "MIDDLEINT", iftMediumInt, false},
    {syIdent, "INT4", iftInteger, false},
    {syIdent, "INT8", iftBigInt, false},
    {syIdent, "NCHAR", iftNationalChar, true, twVarying},
    {syIdent, "NVARCHAR", iftNationalChar, true, twNone},
    // SERIAL is BIGINT UNSIGNED NOT NULL AUTO_INCREMENT UNIQUE.
    {syIdent, "SERIAL", iftBigInt, false},
    {syIdent, "VARBINARY", iftVarBinary, true},
    // Types of newer servers that the neutral type list does not name: kept by name. JSON is a
    // longtext with a check to the server; IsJsonCheck reads that form back.
    {syIdent, "UUID", iftDomain, false},
    {syIdent, "INET4", iftDomain, false},
    {syIdent, "INET6", iftDomain, false},
    {syIdent, "JSON", iftDomain, false},
};
// clang-format on

/// The type the symbol Symbol, written Word (upper case), names; nullptr for none.
const TMySQLType* FindMySQLType(std::uint8_t Symbol, const std::string& Word) {
  for (const TMySQLType& T : kMySQLTypes)
    if (T.Symbol == Symbol && (T.Word.empty() || T.Word == Word)) return &T;
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Lookups

TTblData* TMySQLParser::FindTable(const std::string& Name) const {
  auto* O = dynamic_cast<TObjs*>(Objs);
  return O ? O->GetTable(Name) : nullptr;
}

namespace {

/// The server keeps no prefix that covers a whole CHAR, VARCHAR, BINARY or VARBINARY column:
/// KEY (name(40)) over a varchar(40) is KEY (name) in its catalog. Columns are a key's or an
/// index's column list, each entry's descriptor carrying its prefix length in Size.
void DropWholeColumnPrefixes(const TTblData* Tbl, const TStringList& Columns) {
  if (!Tbl) return;
  for (int I = 0; I < Columns.Count(); ++I) {
    auto* Part = dynamic_cast<TFldData*>(Columns.Objects(I));
    const TFldData* Col = Part && Part->Size > 0 ? Tbl->Fields.Find(Columns[I]) : nullptr;
    if (!Col || Col->Size <= 0) continue;
    const TDBFieldType T = Col->FieldType;
    if ((T == iftChar || T == iftVarchar || T == iftBinary || T == iftVarBinary) &&
        Part->Size >= Col->Size)
      Part->Size = 0;
  }
}

}  // namespace

void TMySQLParser::TTableKeys::AddKey(std::string KeyName, std::vector<std::string> Columns) {
  ++NameCount[UpperCase(KeyName)];
  KeyNames.push_back(std::move(KeyName));
  KeyColumns.push_back(std::move(Columns));
}

void TMySQLParser::TTableKeys::EraseKey(std::size_t I) {
  const auto It = NameCount.find(UpperCase(KeyNames[I]));
  if (It != NameCount.end() && --It->second == 0) NameCount.erase(It);
  NextNumber.clear();  // a number given before may be free again
  KeyNames.erase(KeyNames.begin() + static_cast<std::ptrdiff_t>(I));
  KeyColumns.erase(KeyColumns.begin() + static_cast<std::ptrdiff_t>(I));
}

bool TMySQLParser::TTableKeys::Taken(const std::string& KeyName) const {
  return NameCount.contains(UpperCase(KeyName));
}

bool TMySQLParser::FiledKeysInStep() const {
  return Objs && FFiledKeysOf == Objs &&
         FFiledKeysVersion == Objs->Indexes.GetVersion() + Objs->Constraints.GetVersion();
}

void TMySQLParser::SyncFiledKeys() {
  if (FiledKeysInStep()) return;
  FFiledKeys.clear();
  FFiledKeysOf = Objs;
  FFiledKeysVersion = Objs->Indexes.GetVersion() + Objs->Constraints.GetVersion();
  for (int I = 0; I < Objs->Indexes.Count(); ++I)
    if (auto* Idx = dynamic_cast<TIdxData*>(Objs->Indexes.Objects(I))) {
      FFiledKeys[Idx->TableName].AddKey(Idx->GetObjName(), {Idx->Flds.begin(), Idx->Flds.end()});
    }
  for (int I = 0; I < Objs->Constraints.Count(); ++I)
    if (auto* Ctr = dynamic_cast<TCtrData*>(Objs->Constraints.Objects(I)))
      NoteFiledConstraint(*Ctr, Ctr->GetCtType() == ctPKey ? Ctr->ObjKeyDef() : std::string());
}

void TMySQLParser::NoteFiledConstraint(const TCtrData& Ctr, const std::string& Key) {
  if (Ctr.GetCtType() == ctFKey) ++FFiledKeys[Ctr.GetTblName()].ForeignKeyCount;
  if (Ctr.GetCtType() != ctPKey) return;
  TTableKeys& Keys = FFiledKeys[Ctr.GetTblName()];
  Keys.AddKey("PRIMARY", {Ctr.FldList.begin(), Ctr.FldList.end()});
  if (!Keys.PrimaryKeyOrder.empty() && Keys.PrimaryKeyOrder <= Key) return;
  Keys.PrimaryKey.assign(Ctr.FldList.begin(), Ctr.FldList.end());
  Keys.PrimaryKeyOrder = Key;
}

void TMySQLParser::BeginTable(const std::string& Name, bool FromCollection) {
  FTable = TTableKeys{};
  FTable.Name = Name;
  if (!FromCollection || !Objs) return;
  // ALTER TABLE: the keys the table has already, brought in when a name is to be made or a
  // foreign key wants its index (a copy for every statement would make many statements on one
  // table of many keys slow).
  SyncFiledKeys();
  if (const auto It = FFiledKeys.find(Name); It != FFiledKeys.end())
    FTable.ForeignKeyCount = It->second.ForeignKeyCount;
  FTable.Partial = true;
}

void TMySQLParser::EnsureAllKeys() {
  if (!FTable.Partial) return;
  FTable.Partial = false;
  // The collection holds what the statement filed so far too.
  SyncFiledKeys();
  FTable.KeyNames.clear();
  FTable.KeyColumns.clear();
  FTable.NameCount.clear();
  FTable.NextNumber.clear();
  if (const auto It = FFiledKeys.find(FTable.Name); It != FFiledKeys.end()) {
    FTable.KeyNames = It->second.KeyNames;
    FTable.KeyColumns = It->second.KeyColumns;
    FTable.NameCount = It->second.NameCount;
  }
}

std::string TMySQLParser::UniqueIndexName(const std::string& Wanted) {
  EnsureAllKeys();
  auto Taken = [this](const std::string& N) { return SameText(N, "PRIMARY") || FTable.Taken(N); };
  if (!Taken(Wanted)) return Wanted;
  // The server numbers a taken name from 2 on, the first that is free; the names numbered so
  // far stay taken until a key goes.
  int& Next = FTable.NextNumber[UpperCase(Wanted)];
  for (int N = std::max(Next, 2);; ++N) {
    std::string Name = Wanted + "_" + std::to_string(N);
    if (!Taken(Name)) {
      Next = N + 1;
      return Name;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Tables

void TMySQLParser::ParseTable(TTblData* Table) {
  std::unique_ptr<TTblData> Made;
  bool Temporary = false;
  if (Sy == myTEMPORARY) {
    Temporary = true;
    GetSy();
  }
  TestAndGetSy(myTABLE);
  const bool IfNotExists = Sy == myIF;
  SkipIfNotExists();
  const std::string Name = GetObjectName();
  if (StatementFailed()) return;
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (IfNotExists && !Table && O && O->GetTable(Name)) {
    // The server leaves the table that stands as it is.
    WrnMsg("Table " + Name + " is defined twice: IF NOT EXISTS keeps the first definition.");
    SkipToTerm();
    return;
  }
  if (!Table) {
    Made = std::make_unique<TTblData>(Objs);
    Made->SetObjName(Name);
    Table = Made.get();
  }
  if (Temporary) Table->GlobalTemporary = true;
  const std::string& TblName = Table->GetObjName();
  BeginTable(TblName, false);

  TestAndGetSy(syLParen);
  while (!StatementFailed() && Sy != syRParen) {
    NameFromKeyword();
    if (Sy == syIdent && !AtElementWord()) {
      const std::int32_t ColumnStart = SyPos;
      std::unique_ptr<TFldData> Fld = ParseField(Table, nullptr);
      Fld->Position = Table->Fields.Count() + 1;
      AddColumn(*Table, std::move(Fld), ColumnStart);
      if (StatementFailed()) SkipFailedColumn(ColumnStart);
    } else {
      ParseTableElement(*Table, "", false);
    }
    if (Sy != syComma) break;
    GetSy();
  }
  if (!StatementFailed()) TestTableHasColumns(*Table);
  if (!StatementFailed()) TestAndGetSy(syRParen);
  if (!StatementFailed()) ParseTableOptions(*Table);
  for (const auto& Fld : Table->Fields) MySQLNormaliseCharset(*Fld, *Table);
  AddForeignKeyIndexes();

  DoAddStatement(stStatement, TblName, dboTable, odbCreate, "", LastStatement);
  FCarried = true;
  DoLogNextLine("Table: " + TblName);
  if (!Made || !Objs) return;
  // Tables are filed directly, without the collection's filter: a table left out would take
  // its columns with it while its keys and indexes stay.
  FDroppedTables.erase(Made->ObjKeyDef());
  TestNameOfOtherKind(*Made);
  if (Objs->Tables.Add(Made->ObjKeyDef(), Made.get()))
    Made.release();
  else
    ErrMsg("Duplicate table name: " + TblName);
}

void TMySQLParser::SkipFailedColumn(std::int32_t ColumnStart) {
  // The parentheses the column's text opened before the current symbol.
  const std::string Read = CopyTxt(ColumnStart, SyPos - ColumnStart);
  int Depth = 0;
  for (std::size_t I = 0; I < Read.size();) {
    const char C = Read[I];
    if (C == '\'' || C == '"' || C == '`') {
      I = SkipGroup(Read, I);
      continue;
    }
    if (C == '(') ++Depth;
    if (C == ')') --Depth;
    ++I;
  }
  for (;; GetSy()) {
    if (Sy == syEOF || Sy == syTerm) return;  // the statement ends in its error
    if (Depth <= 0 && (Sy == syComma || Sy == syRParen)) break;
    if (Sy == syLParen) ++Depth;
    if (Sy == syRParen) --Depth;
  }
  // The error stands; the elements after the column are read as if it had none.
  FStmtErrCount = FErrCount;
}

void TMySQLParser::CheckNotKept(const std::string& Table, const std::string& Name,
                                const std::string& Condition) {
  WrnMsg("Table " + Table + ": CHECK" + (Name.empty() ? "" : " " + Name) + " " + Condition +
         " not kept; it is neither compared nor written.");
}

void TMySQLParser::ParseTableElement(TTblData& Tbl, const std::string& Name, bool Named) {
  // CONSTRAINT [name] before the key it names; read in a loop, as a script may repeat it
  // without end, and the last name holds.
  std::string CtrName = Name;
  while (Sy == myCONSTRAINT) {
    GetSy();
    CtrName.clear();
    if (Sy == syIdent && !AtElementWord()) {
      CtrName = Ident;
      GetSy();
    }
    Named = true;
  }
  switch (Sy) {
    case myPRIMARY:
      ParsePrimaryKey(Tbl, "");
      return;
    case myUNIQUE:
      GetSy();
      // A unique key is a unique index on this server; a constraint name names the index.
      FIndexName = CtrName;
      ParseIndex(&Tbl, false, false, true);
      return;
    case myKEY:
    case myINDEX:
      if (Named) break;
      ParseIndex(&Tbl, false, false, false);
      return;
    case myFULLTEXT:
    case mySPATIAL: {
      if (Named) break;
      const bool Fulltext = Sy == myFULLTEXT;
      GetSy();
      ParseIndex(&Tbl, Fulltext, !Fulltext, false);
      return;
    }
    case myFOREIGN:
      ParseForeignKey(Tbl, CtrName);
      return;
    case myREFERENCES: {
      auto Ctr = std::make_unique<TCtrData>(Objs);
      Ctr->SetCtType(ctReferences);
      Ctr->SetTblName(Tbl.GetObjName());
      if (!CtrName.empty()) Ctr->SetObjName(CtrName);
      ParseReferences(*Ctr);
      FileConstraint(std::move(Ctr), "References: ");
      return;
    }
    default:
      if (IsIdent("CHECK")) {
        // Check constraints are not part of this dialect's model: read over, and named, as the
        // server enforces them.
        GetSy();
        if (Sy == syLParen) {
          const std::string Condition = SkipParens();
          TestCheckCondition(Condition);
          NoteCheck(Tbl.GetObjName(), Condition);
          CheckNotKept(Tbl.GetObjName(), CtrName, Condition);
        }
        return;
      }
      if (IsIdent("PERIOD")) {
        // PERIOD FOR SYSTEM_TIME (a, b)
        GetSy();
        if (Sy == myFROM || IsIdent("FOR")) GetSy();
        if (Sy == syIdent) GetSy();
        if (Sy == syLParen) SkipParens();
        return;
      }
      break;
  }
  ErrMsg("Missing: column or key definition (" + GetSyWord() + ")");
}

bool TMySQLParser::AtTableOption() const {
  return Sy == myDEFAULT || Sy == myCHAR || Sy == myCOLLATE ||
         (Sy == syIdent && !FBackQuoted && IsTableOptionWord(UpperCase(Ident)));
}

void TMySQLParser::ParseTableOptions(TTblData& Tbl, bool Alter) {
  for (;;) {
    // In ALTER TABLE a comma ends the options: the next alteration follows it.
    if (Sy == myDEFAULT || (Sy == syComma && !Alter)) {
      GetSy();
      continue;
    }
    if (Alter && !AtTableOption()) break;
    std::string Word;
    if (Sy == myCHAR) {
      GetSy();
      TestAndGetSy(mySET);
      Word = "CHARSET";
    } else if (Sy == myCOLLATE) {
      GetSy();
      Word = "COLLATE";
    } else if (Sy == syIdent && !FBackQuoted) {
      Word = UpperCase(Ident);
      if (!IsTableOptionWord(Word)) {
        ErrMsg("Unknown table option: " + Ident);
        return;
      }
      GetSy();
    } else {
      break;
    }
    if (Word == "PARTITION") {
      SkipToTerm();  // partitioning is not kept
      return;
    }
    if (Sy == syEqual) GetSy();
    std::string Value;
    switch (Sy) {
      case syIdent:
        Value = Ident;
        break;
      case syString:
        Value = StrValue;
        break;
      case syInteger:
      case syFloat:
        Value = StrValue;
        break;
      case myDEFAULT:
        Value = "DEFAULT";
        break;
      default:
        ErrMsg("Missing: value of table option " + Word);
        return;
    }
    GetSy();
    if (Word == "ENGINE" || Word == "TYPE")
      Tbl.EditExtra().MySQLOptions.Engine = CanonicalEngine(Value);
    else if (Word == "COMMENT")
      Tbl.SetExtra(&TObjExtra::Description, Value);
    else if (Word == "CHARSET") {
      Tbl.EditExtra().MySQLOptions.SetDefCharSet(CanonicalCharset(Value));
      // A new character set without a collation takes its own default one on the server.
      if (Alter) Tbl.EditExtra().MySQLOptions.Collation.clear();
    } else if (Word == "COLLATE")
      SetTableCollation(Tbl, CanonicalCharset(Value));
    else if (Word == "PACK_KEYS")
      Tbl.EditExtra().MySQLOptions.PackKeys = Value;
    else if (Word == "ROW_FORMAT")
      Tbl.EditExtra().MySQLOptions.RowFormat = UpperCase(Value);  // as the server shows it
    // AUTO_INCREMENT, STATS_* and the like change nothing the model keeps.
  }
}

// ---------------------------------------------------------------------------------------------
// Columns

std::unique_ptr<TFldData> TMySQLParser::ParseField(TTblData* Table, std::unique_ptr<TFldData> Fld) {
  if (!Fld) Fld = std::make_unique<TFldData>(Objs);
  Fld->SetObjName(Ident);
  if (Table) {
    Fld->OwnerObj = Table;
    Fld->TableName = Table->GetObjName();
  }
  GetSy();
  FColumnUnique = false;
  FColumnPrimary = false;
  ParseFieldType(*Fld);
  if (!StatementFailed()) ParseColumnAttributes(Table, *Fld);
  if (FColumnUnique && !FColumnPrimary && !StatementFailed()) FileColumnUnique(Table, *Fld);
  NormaliseDefault(*Fld);
  return Fld;
}

void TMySQLParser::ParseFieldType(TFldData& Fld) {
  // The word as written: BIT, BOOL and TINYINT share a symbol.
  const std::string Word = UpperCase(Ident.empty() ? GetSyWord() : Ident);
  const TMySQLType* Type = FindMySQLType(Sy, Word);
  if (!Type) {
    ErrMsg("Invalid field-type: " + GetSyWord() + " " + Word);
    return;
  }
  Fld.FieldType = Type->Type;
  if (Type->Type == iftDomain) Fld.SetExtra(&TFldExtra::DomainName, Word);
  GetSy();
  ParseTypeWords(Fld, Type->Words);
  ParseTypeLength(Fld, Type->Sized);
  if (Type->Type == iftNationalChar) {
    // The national types are CHAR and VARCHAR of the server's national character set, and
    // the server shows them so.
    if (Word == "NVARCHAR") Fld.FieldType = iftVarchar;
    if (Fld.FieldType == iftNationalChar) Fld.FieldType = iftChar;
    Fld.SetExtra(&TFldExtra::CharSet, "utf8mb3");
  }
  TestTypeBounds(Fld);
  const TDBFieldType T = Fld.FieldType;
  // BOOLEAN is tinyint(1) on the server, which clients read as a truth value.
  if (Word == "BOOL" || Word == "BOOLEAN") Fld.Precision = 1;
  if (Word == "SERIAL") {
    Fld.UnsignedAttr = true;
    Fld.Nullable = false;
    Fld.AutoIncrement = true;
    FColumnUnique = true;
  }
  // CHAR and BINARY alone hold one character or byte.
  if ((T == iftChar || T == iftNationalChar || T == iftBinary) && Fld.Size == 0) Fld.Size = 1;
  // DECIMAL alone is DECIMAL(10,0) on the server.
  if (T == iftDecimal && Fld.Precision == 0) Fld.Precision = 10;
  ParseTypeAttributes(Fld);
  // ZEROFILL makes the column unsigned on the server.
  if (Fld.ZeroFill && IsIntegerType(T)) Fld.UnsignedAttr = true;
  // The server shows the width it gives a column declared without one (int(11), year(4),
  // bit(1)): that width reads as none, so that "int" in a script meets "int(11)" in the
  // catalog, while tinyint(1) stays apart from tinyint(4).
  if (Fld.Precision == DefaultDisplayWidth(T, Fld.UnsignedAttr)) Fld.Precision = 0;
}

void TMySQLParser::ParseTypeWords(TFldData& Fld, std::uint8_t Words) {
  switch (Words) {
    case twPrecision:
      if (Sy == myPRECISION) GetSy();
      return;
    case twVarying:
      if (!IsIdent("VARYING")) return;
      Fld.FieldType = iftVarchar;
      GetSy();
      return;
    case twNational:
      if (Sy == myVARCHAR) {
        Fld.FieldType = iftVarchar;
        GetSy();
        return;
      }
      TestAndGetSy(myCHAR);
      ParseTypeWords(Fld, twVarying);
      return;
    default:
      return;
  }
}

void TMySQLParser::ParseTypeLength(TFldData& Fld, bool Sized) {
  if (Fld.FieldType == iftEnum || Fld.FieldType == iftSet) {
    Fld.EditExtra().Values.Clear();
    TestAndGetSy(syLParen);
    while (Sy == syString) {
      Fld.EditExtra().Values.Add(QuotedStr(StrValue, '\''));
      GetSy();
      if (Sy != syComma) break;
      GetSy();
    }
    TestAndGetSy(syRParen);
    return;
  }
  if (Sy != syLParen) return;
  GetSy();
  TestSy(syInteger);
  const std::int32_t N = IntValue;
  std::int32_t M = 0;
  GetSy();
  if (Sy == syComma) {
    GetSy();
    TestSy(syInteger);
    M = IntValue;
    GetSy();
  }
  TestAndGetSy(syRParen);
  if (Sized) {
    Fld.Size = N;
  } else {
    Fld.Precision = N;
    Fld.Scale = M;
  }
}

void TMySQLParser::ParseTypeAttributes(TFldData& Fld) {
  for (;;) {
    if (Sy == myCHAR || IsIdent("CHARSET")) {
      const bool CharacterSet = Sy == myCHAR;
      GetSy();
      if (CharacterSet) TestAndGetSy(mySET);
      Fld.SetExtra(&TFldExtra::CharSet, ReadCharsetName());
    } else if (Sy == myCOLLATE) {
      GetSy();
      Fld.SetExtra(&TFldExtra::Collation, ReadCharsetName());
    } else if (Sy == myUNSIGNED) {
      Fld.UnsignedAttr = true;
      GetSy();
    } else if (Sy == myZEROFILL) {
      Fld.ZeroFill = true;
      GetSy();
    } else if (Sy == myBINARY) {
      Fld.BinaryAttr = true;
      GetSy();
    } else if (IsIdent("SIGNED")) {
      GetSy();
    } else {
      return;
    }
  }
}

std::string TMySQLParser::ReadCharsetName() {
  std::string Name = CanonicalCharset(Sy == syString ? StrValue : Ident);
  GetSy();
  return Name;
}

void TMySQLParser::ParseColumnAttributes(TTblData* Table, TFldData& Fld) {
  for (;;) {
    if (StatementFailed()) return;
    switch (Sy) {
      case myNOT:
        GetSy();
        TestNullClause(Fld, false);
        TestAndGetSy(myNULL);
        Fld.Nullable = false;
        continue;
      case myNULL:
        TestNullClause(Fld, true);
        GetSy();
        Fld.Nullable = true;
        continue;
      case myDEFAULT:
        ExtractDefaultValue(Fld);
        continue;
      case myON: {
        // ON UPDATE after other attributes than the default.
        GetSy();
        TestAndGetSy(myUPDATE);
        std::string V = Sy == syIdent ? Ident : GetSyWord();
        GetSy();
        if (Sy == syLParen) V += SkipParens();
        Fld.DefValue += " ON UPDATE " + NormaliseTimeFunction(V);
        continue;
      }
      case myPRIMARY:
      case myKEY:              // KEY alone in a column definition is the primary key
        Fld.Nullable = false;  // the column is not in the table's list yet
        FColumnPrimary = true;
        if (Table) {
          ParsePrimaryKey(*Table, Fld.GetObjName());
        } else {
          GetSy();
          if (Sy == myKEY) GetSy();
        }
        continue;
      case myUNIQUE:
        ParseColumnUnique();
        continue;
      case myCOLLATE:
        GetSy();
        Fld.SetExtra(&TFldExtra::Collation, ReadCharsetName());
        continue;
      case myCHAR:
        GetSy();
        TestAndGetSy(mySET);
        Fld.SetExtra(&TFldExtra::CharSet, ReadCharsetName());
        continue;
      case myREFERENCES:
        ParseColumnReferences(Table, Fld);
        continue;
      case myAS:
        ParseGeneratedColumn(Fld);
        continue;
      default:
        break;
    }
    if (Sy != syIdent || !ParseColumnWord(Fld)) return;
  }
}

void TMySQLParser::ParseColumnUnique() {
  GetSy();
  if (Sy == myKEY) GetSy();
  FColumnUnique = true;
}

void TMySQLParser::FileColumnUnique(TTblData* Table, const TFldData& Fld) {
  if (!Table) return;
  auto Idx = std::make_unique<TIdxData>(Objs);
  Idx->SetObjName(UniqueIndexName(Fld.GetObjName()));
  Idx->TableName = Table->GetObjName();
  Idx->Unique = true;
  Idx->AddFld(Fld.GetObjName());
  FileIndex(std::move(Idx));
}

void TMySQLParser::ParseColumnReferences(TTblData* Table, TFldData& Fld) {
  if (!Table) {
    SkipStatement(TSymSet{syEOF, syTerm, syComma});
    return;
  }
  auto Ctr = std::make_unique<TCtrData>(Objs);
  Ctr->SetCtType(ctFKey);
  Ctr->SetTblName(Table->GetObjName());
  Ctr->FldList.Add(Fld.GetObjName());
  ParseReferences(*Ctr);
  ParseFKRules(*Ctr);
  Ctr->SetObjName(NextForeignKeyName(Table->GetObjName()));
  FTable.ForeignKeys.push_back({{Fld.GetObjName()}, ""});
  FileConstraint(std::move(Ctr), "Foreign Key: ");
}

std::string TMySQLParser::NextForeignKeyName(const std::string& Table) {
  // The name the server gives an unnamed foreign key.
  ++FTable.ForeignKeyCount;
  std::string Name = Table + "_ibfk_" + std::to_string(FTable.ForeignKeyCount);
  return CaseFolded() ? UpperCase(Name) : Name;
}

void TMySQLParser::ParseGeneratedColumn(TFldData& Fld) {
  // A generated column: its expression in the form the server writes back, and the kind of it
  // (virtual unless said otherwise), so script and catalog compare equal.
  GetSy();
  if (Sy == syLParen)
    Fld.SetExtra(&TFldExtra::GeneratedExpr, "(" + CanonicalExpression(SkipParens()) + ")");
  if (Fld.Extra().GeneratedExpr.size() > 4 && Fld.Extra().GeneratedExpr.compare(0, 2, "((") == 0 &&
      Fld.Extra().GeneratedExpr.compare(Fld.Extra().GeneratedExpr.size() - 2, 2, "))") == 0)
    Fld.EditExtra().GeneratedExpr =
        Fld.Extra().GeneratedExpr.substr(1, Fld.Extra().GeneratedExpr.size() - 2);
  Fld.EditExtra().GeneratedExpr += " VIRTUAL";
}

bool TMySQLParser::ParseColumnWord(TFldData& Fld) {
  if (IsIdent("AUTO_INCREMENT")) {
    Fld.AutoIncrement = true;
    GetSy();
  } else if (IsIdent("COMMENT")) {
    GetSy();
    TestSy(syString);
    Fld.SetExtra(&TObjExtra::Description, StrValue);
    GetSy();
  } else if (IsIdent("CHECK")) {
    // Column checks are not part of this dialect's model: read over, but for the one the
    // server adds to a JSON column.
    GetSy();
    std::string Condition;
    if (Sy == syLParen) {
      Condition = SkipParens();
      TestCheckCondition(Condition);
      NoteCheck(Fld.TableName, Condition);
    }
    if (!Condition.empty() && IsJsonCheck(Condition, Fld)) {
      Fld.FieldType = iftDomain;
      Fld.SetExtra(&TFldExtra::DomainName, "JSON");
      Fld.SetExtra(&TFldExtra::CharSet, std::string());  // always utf8mb4_bin: implied by the type
      Fld.SetExtra(&TFldExtra::Collation, std::string());
    } else if (!Condition.empty()) {
      CheckNotKept(Fld.TableName, "", Condition);
    }
  } else if (IsIdent("GENERATED")) {
    GetSy();
    TestIdent("ALWAYS");
    GetSy();
  } else if (IsIdent("VIRTUAL") || IsIdent("STORED") || IsIdent("PERSISTENT")) {
    // STORED and PERSISTENT are one kind; the server shows it as STORED.
    if (!Fld.Extra().GeneratedExpr.empty() && !IsIdent("VIRTUAL"))
      Fld.EditExtra().GeneratedExpr.replace(Fld.Extra().GeneratedExpr.size() - 7, 7, "STORED");
    GetSy();
  } else if (IsIdent("SERIAL")) {
    // SERIAL DEFAULT VALUE: NOT NULL AUTO_INCREMENT UNIQUE.
    GetSy();
    TestAndGetSy(myDEFAULT);
    TestIdent("VALUE");
    GetSy();
    Fld.Nullable = false;
    Fld.AutoIncrement = true;
    FColumnUnique = true;
  } else if (IsIdent("INVISIBLE") || IsIdent("VISIBLE")) {
    GetSy();
    if (IsIdent("DEFAULT") || Sy == myDEFAULT) GetSy();
    if (IsIdent("VALUE")) GetSy();
  } else if (IsIdent("COLUMN_FORMAT") || IsIdent("STORAGE")) {
    GetSy();
    GetSy();
  } else {
    return false;
  }
  return true;
}

void TMySQLParser::ExtractDefaultValue(TFldData& Fld) {
  TestAndGetSy(myDEFAULT);
  auto Value = [this](std::string& V) -> bool {
    switch (Sy) {
      case syInteger:
      case syFloat:
        V = StrValue;
        break;
      case syString:
        V = QuotedStr(StrValue, '\'');
        break;
      case myCharsetIntro:
        GetSy();
        if (Sy != syString) return false;
        V = QuotedStr(StrValue, '\'');
        break;
      case myNULL:
        V = "NULL";
        break;
      case syMinus:
      case syPlus: {
        const bool Minus = Sy == syMinus;
        GetSy();
        if (Sy != syInteger && Sy != syFloat) {
          ErrMsg(std::string("DEFAUT ") + (Minus ? "-" : "+") + GetSyWord() + " error...");
          return true;
        }
        V = (Minus ? "-" : "") + StrValue;
        break;
      }
      case syLParen:
        V = NormaliseTimeFunction(CanonicalExpression(SkipParens()));  // an expression
        return true;
      case syIdent:
        V = Ident;
        GetSy();
        if (Sy == syLParen) V += SkipParens();
        V = NormaliseTimeFunction(CanonicalExpression(V));
        return true;
      default:
        if (Sy >= syFirstResWord && Sy != myDEFAULT) {
          // A keyword used as a value (CURRENT_DATE is no keyword here, but DATE 'x' is).
          V = GetSyWord();
          break;
        }
        return false;
    }
    GetSy();
    return true;
  };
  std::string V;
  if (!Value(V)) {
    ErrMsg("DEFAUT " + GetSyWord() + " error...");
    GetSy();
    return;
  }
  if (Sy == myON) {
    GetSy();
    TestAndGetSy(myUPDATE);
    std::string Upd;
    if (Value(Upd)) V += " ON UPDATE " + Upd;
  }
  if (SameText(V, "NULL")) V.clear();
  Fld.DefValue = V;
}

void TMySQLParser::NormaliseDefault(TFldData& Fld) {
  if (Fld.DefValue.empty()) return;
  // TRUE and FALSE are the numbers 1 and 0 to the server, which writes them so.
  if (SameText(Fld.DefValue, "TRUE")) Fld.DefValue = "1";
  if (SameText(Fld.DefValue, "FALSE")) Fld.DefValue = "0";
  bool Negative = false;
  std::string Int;
  std::string Frac;
  // A number given to a CHAR or VARCHAR column is kept as the text of that number ('7' for
  // 007 or +7, '0.5' for .5); a TEXT column keeps it as an expression, unquoted.
  if (Fld.FieldType == iftChar || Fld.FieldType == iftVarchar || Fld.FieldType == iftNationalChar) {
    if (!SplitNumber(Fld.GetDefValue(), Negative, Int, Frac)) return;
    const bool Zero = Int == "0" && Frac.find_first_not_of('0') == std::string::npos;
    Fld.DefValue = "'" + std::string(Negative && !Zero ? "-" : "") + Int +
                   (Frac.empty() ? "" : "." + Frac) + "'";
    return;
  }
  // The server writes numeric defaults without quotes (DEFAULT 0, DEFAULT 0.00); scripts often
  // quote them. Both read as the number in the column's own form.
  if (!IsNumericType(Fld.FieldType)) return;
  std::string Text = Fld.DefValue;
  if (Text.size() >= 2 && Text.front() == '\'' && Text.back() == '\'')
    Text = Text.substr(1, Text.size() - 2);
  const bool Float =
      Fld.FieldType == iftFloat || Fld.FieldType == iftDouble || Fld.FieldType == iftReal;
  if (Float && Fld.Precision == 0) {
    // FLOAT keeps 6 significant digits, DOUBLE 15 and more.
    std::string Plain;
    Fld.DefValue = PlainFloat(Text, Fld.FieldType == iftFloat ? 6 : 15, Plain) ? Plain : Text;
    return;
  }
  const bool Split = SplitNumber(Text, Negative, Int, Frac);
  if (Float && (!Split || Frac.size() > static_cast<std::size_t>(std::max(Fld.Scale, 0)))) {
    // FLOAT(M,D) and DOUBLE(M,D) write D places, as DECIMAL does; a value with more is
    // rounded by the server, and left as written here.
    Fld.DefValue = Text;
    return;
  }
  if (!Split) return;
  if (IsIntegerType(Fld.FieldType)) {
    if (!Frac.empty()) return;
    Fld.DefValue = (Negative && Int != "0" ? "-" : "") + Int;
  } else if (Fld.FieldType == iftDecimal || Fld.FieldType == iftNumeric || Float) {
    Frac.resize(static_cast<std::size_t>(std::max(Fld.Scale, 0)), '0');
    const bool Zero = Int == "0" && Frac.find_first_not_of('0') == std::string::npos;
    Fld.DefValue = (Negative && !Zero ? "-" : "") + Int + (Frac.empty() ? "" : "." + Frac);
  }
}

void TMySQLParser::SkipIfNotExists() {
  if (Sy != myIF) return;
  GetSy();
  TestAndGetSy(myNOT);
  TestAndGetSy(myEXISTS);
}

std::string TMySQLParser::SkipParens() {
  const std::int32_t Start = SyPos;
  int Depth = 0;
  for (;;) {
    if (Sy == syLParen) {
      ++Depth;
    } else if (Sy == syRParen) {
      if (--Depth == 0) break;
    } else if (Sy == syEOF || Sy == syTerm) {
      TestSy(syRParen);
      return Trim(CopyTxt(Start, FPrevEnd - Start));
    }
    GetSy();
  }
  std::string Text = CopyTxt(Start, SyPos + 1 - Start);
  GetSy();
  return Text;
}

// ---------------------------------------------------------------------------------------------
// ALTER TABLE

void TMySQLParser::ParseAlterTable() {
  const std::string Name = GetObjectName();
  if (StatementFailed()) return;
  TTblData* Tbl = FindTable(Name);
  TestAlteredTable(Tbl, Name);
  TTblData Scratch(Objs);  // stands in for a table the collection does not hold
  Scratch.SetObjName(Name);
  TTblData& Target = Tbl ? *Tbl : Scratch;
  BeginTable(Name, true);
  for (;;) {
    if (Sy == myADD) {
      GetSy();
      std::string CtrName;
      bool Named = false;
      if (Sy == myCONSTRAINT) {
        GetSy();
        Named = true;
        if (Sy == syIdent) {
          CtrName = Ident;
          GetSy();
        }
      }
      if (IsIdent("COLUMN") && !FBackQuoted) GetSy();
      if (!Named) NameFromKeyword();
      if (Sy == syIdent && !Named && !AtElementWord()) {
        const std::int32_t ColumnStart = SyPos;
        std::unique_ptr<TFldData> Fld = ParseField(&Target, nullptr);
        Fld->Position = Target.Fields.Count() + 1;
        TFldData* Added = AddColumn(Target, std::move(Fld), ColumnStart);
        // A table the script did not make has none of the columns a place names.
        if (!StatementFailed()) ParseColumnPlace(Target, Tbl ? Added : nullptr);
      } else if (Sy == myPRIMARY || Sy == myFOREIGN || Sy == myUNIQUE || Sy == myKEY ||
                 Sy == myINDEX || Sy == myFULLTEXT || Sy == mySPATIAL || AtElementWord()) {
        ParseTableElement(Target, CtrName, Named);
        AddForeignKeyIndexes();
      } else {
        ErrMsg("Unknown/Invalid symbol in ALTER: " + GetSyWord());
        return;
      }
    } else if (IsIdent("MODIFY") || IsIdent("CHANGE")) {
      ParseRedefinedColumn(Target, IsIdent("CHANGE"), Tbl != nullptr);
    } else if (AtTableOption()) {
      // ALTER TABLE t COMMENT = '...', DEFAULT CHARSET = x COLLATE = y, ROW_FORMAT = ...,
      // ENGINE = ...: the options of the table, as in CREATE TABLE.
      std::vector<std::string> Was;
      for (const auto& F : Target.Fields) Was.push_back(MySQLEffectiveCollation(*F, Target));
      ParseTableOptions(Target, true);
      if (StatementFailed()) return;
      // A new default character set or collation is for the columns made after it: the server
      // keeps the columns the table has in theirs.
      for (int I = 0; I < Target.Fields.Count(); ++I) {
        TFldData& F = *Target.Fields[I];
        if (Was[I].empty() || Was[I] == MySQLEffectiveCollation(F, Target)) continue;
        F.SetExtra(&TFldExtra::Collation, Was[I]);
        F.SetExtra(&TFldExtra::CharSet, Was[I].substr(0, Was[I].find('_')));
      }
    } else if (Sy == myDROP) {
      ParseAlterDrop(Target.GetObjName());
      if (StatementFailed()) return;
    } else {
      ErrMsg("Unknown/Invalid symbol in ALTER TABLE statement: " + GetSyWord());
      return;
    }
    if (Sy != syComma || StatementFailed()) break;
    GetSy();
  }
}

void TMySQLParser::ParseColumnPlace(TTblData& Table, TFldData* Column) {
  // FIRST, or AFTER a column, ends a MODIFY (the update scripts put columns in order so): the
  // column moves there.
  if (FBackQuoted || (!IsIdent("FIRST") && !IsIdent("AFTER"))) return;
  const bool First = IsIdent("FIRST");
  GetSy();
  std::string After;
  if (!First) {
    NameFromKeyword();
    TestSy(syIdent);
    if (Sy != syIdent) return;
    After = Ident;
    GetSy();
  }
  const int From = Column ? Table.Fields.IndexOfObject(Column) : -1;
  if (From < 0) return;
  // Column names ignore case on the server.
  int Before = -1;
  for (int I = 0; !First && I < Table.Fields.Count(); ++I)
    if (SameText(Table.Fields[I]->GetObjName(), After)) Before = I;
  if (!First && (Before < 0 || Before == From)) {
    ErrMsg("Unknown column '" + After + "' in table " + Table.GetObjName() + ".");
    return;
  }
  MoveColumn(Table, From, First ? 0 : Before + (Before < From ? 1 : 0));
}

void TMySQLParser::MoveColumn(TTblData& Table, int From, int To) {
  std::unique_ptr<TFldData> Moved = Table.Fields.Extract(From);
  std::vector<std::unique_ptr<TFldData>> Rest;
  while (Table.Fields.Count() > To) Rest.push_back(Table.Fields.Extract(To));
  Table.Fields.Add(std::move(Moved));
  for (auto& F : Rest) Table.Fields.Add(std::move(F));
  for (int I = 0; I < Table.Fields.Count(); ++I) Table.Fields[I]->Position = I + 1;
}

void TMySQLParser::ParseRedefinedColumn(TTblData& Table, bool Change, bool Known) {
  // The new definition replaces the whole column, as on the server: what it does not say
  // (UNSIGNED, ZEROFILL, the values of an ENUM, a default, a comment) the column has no more.
  GetSy();
  if (IsIdent("COLUMN") && !FBackQuoted) GetSy();
  NameFromKeyword();
  TestSy(syIdent);
  if (Sy != syIdent) return;
  const std::string Name = Ident;
  if (Change) {
    GetSy();
    NameFromKeyword();
    TestSy(syIdent);
    if (Sy != syIdent) return;
  }
  const std::int32_t ColumnStart = SyPos;
  // Column names ignore case on the server.
  int At = -1;
  for (int I = 0; I < Table.Fields.Count() && At < 0; ++I)
    if (SameText(Table.Fields[I]->GetObjName(), Name)) At = I;
  if (At < 0) {
    ParseField(&Table, nullptr);
    // The server refuses it; a script read alone may alter what another script made.
    if (Known && !StatementFailed())
      WrnMsg("ALTER TABLE " + Table.GetObjName() + ": table " + Table.GetObjName() +
             " has no column " + Name + "; not applied.");
    if (!StatementFailed()) ParseColumnPlace(Table, nullptr);
    return;
  }
  // Out of the list while the new definition is read, so that a CHANGE to a name the table
  // has is told as the server tells it, and back in its place when the statement fails.
  std::unique_ptr<TFldData> Old = Table.Fields.Extract(At);
  std::unique_ptr<TFldData> Fld = ParseField(&Table, nullptr);
  if (StatementFailed()) {
    Table.Fields.Add(std::move(Old));
    MoveColumn(Table, Table.Fields.Count() - 1, At);
    return;
  }
  const std::string NewName = Fld->GetObjName();
  TFldData* Now = AddColumn(Table, std::move(Fld), ColumnStart);
  MoveColumn(Table, Table.Fields.Count() - 1, At);
  if (Old->GetObjName() != NewName) RenameColumnInKeys(Table, Old->GetObjName(), NewName);
  if (!StatementFailed()) ParseColumnPlace(Table, Now);
}

void TMySQLParser::RenameColumnInKeys(const TTblData& Table, const std::string& Old,
                                      const std::string& New) {
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (!O || O->GetTable(Table.GetObjName()) != &Table) return;
  const auto Rename = [&](TStringList& List) {
    for (int I = 0; I < List.Count(); ++I)
      if (SameText(List[I], Old)) {
        List.Put(I, New);
        if (auto* F = dynamic_cast<TFldData*>(List.Objects(I))) F->SetObjName(New);
      }
  };
  const std::string& Name = Table.GetObjName();
  for (int I = 0; I < O->Indexes.Count(); ++I)
    if (auto* Idx = dynamic_cast<TIdxData*>(O->Indexes.Objects(I)); Idx && Idx->TableName == Name)
      Rename(Idx->Flds);
  for (int I = 0; I < O->Constraints.Count(); ++I) {
    auto* Ctr = dynamic_cast<TCtrData*>(O->Constraints.Objects(I));
    if (!Ctr) continue;
    if (Ctr->GetTblName() == Name) Rename(Ctr->FldList);
    if (Ctr->GetCtType() == ctFKey && Ctr->GetRefTblName() == Name)
      Rename(Ctr->EditExtra().RefFldList);
  }
  if (const auto It = FGeneratedIndexes.find(UpperCase(Name)); It != FGeneratedIndexes.end())
    for (TGeneratedIndex& G : It->second)
      for (std::string& C : G.Columns)
        if (SameText(C, Old)) C = New;
  // The keys of the table are brought in again from the collection when next wanted.
  FFiledKeysOf = nullptr;
  FTable.KeyNames.clear();
  FTable.KeyColumns.clear();
  FTable.NameCount.clear();
  FTable.Partial = true;
}

void TMySQLParser::ParseAlterDrop(const std::string& Table) {
  // DROP [COLUMN] name, DROP PRIMARY KEY, DROP {INDEX | KEY | FOREIGN KEY | CONSTRAINT | CHECK}
  // [IF EXISTS] name, as the update scripts write them: read, and what they drop is kept in
  // what the script is read into (a script describes what is to be), which a warning says.
  const std::int32_t Start = SyPos;
  GetSy();
  if (Sy == myPRIMARY) {
    GetSy();
    TestAndGetSy(myKEY);
  } else {
    if (Sy == myFOREIGN) {
      GetSy();
      TestSy(myKEY);
    }
    if (Sy == myINDEX || Sy == myKEY || Sy == myCONSTRAINT ||
        (!FBackQuoted && (IsIdent("COLUMN") || IsIdent("CHECK"))))
      GetSy();
    if (Sy == myIF) {
      GetSy();
      TestAndGetSy(myEXISTS);
    }
    NameFromKeyword();
    TestSy(syIdent);
    if (StatementFailed()) return;
    GetSy();
  }
  if (StatementFailed()) return;
  WrnMsg("ALTER TABLE " + Table + " " + Trim(CopyTxt(Start, FPrevEnd - Start)) +
         ": not applied to what the script is read into.");
}

// ---------------------------------------------------------------------------------------------
// Keys and indexes

void TMySQLParser::ParseIndexColumns(TIdxData* Idx, TStringList* List, TCtrData* Key) {
  if (Sy != syLParen) return;
  GetSy();
  for (;;) {
    NameFromKeyword();
    TestSy(syIdent);
    if (Sy != syIdent) return;
    const std::string Column = Ident;
    GetSy();
    std::int32_t Length = 0;
    if (Sy == syLParen) {
      GetSy();
      TestSy(syInteger);
      Length = IntValue;
      GetSy();
      TestAndGetSy(syRParen);
    }
    std::int32_t SortOrder = 0;
    if (IsIdent("ASC")) {
      GetSy();
    } else if (IsIdent("DESC")) {
      SortOrder = 2;
      GetSy();
    }
    if (Idx) Idx->AddFld(Column, SortOrder, Length);
    if (List) List->Add(Column);
    if (Key) Key->AddFld(Column, 0, Length);
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
}

std::string TMySQLParser::SkipIndexOptions(std::string* Comment) {
  std::string Using;
  for (;;) {
    if (IsIdent("USING")) {
      GetSy();
      if (Sy == syIdent) Using = UpperCase(Ident);
      GetSy();
    } else if (IsIdent("COMMENT")) {
      GetSy();
      TestSy(syString);
      if (Sy != syString) return Using;
      if (Comment) *Comment = StrValue;
      GetSy();
    } else if (IsIdent("KEY_BLOCK_SIZE")) {
      GetSy();
      if (Sy == syEqual) GetSy();
      GetSy();
    } else if (IsIdent("VISIBLE") || IsIdent("INVISIBLE") || IsIdent("IGNORED") ||
               IsIdent("CLUSTERING")) {
      GetSy();
      if (Sy == syEqual) GetSy();
      if (IsIdent("YES") || IsIdent("NO")) GetSy();
    } else if (Sy == myNOT) {
      GetSy();
      TestIdent("IGNORED");
      GetSy();
    } else if (IsIdent("WITH")) {
      GetSy();  // WITH PARSER name
      GetSy();
      GetSy();
    } else {
      return Using;
    }
  }
}

void TMySQLParser::ParseIndex(TTblData* Table, bool Fulltext, bool Spatial, bool Unique) {
  if (Sy == myKEY || Sy == myINDEX) GetSy();
  std::string Name = std::move(FIndexName);
  FIndexName.clear();
  SkipIfNotExists();
  if (Sy == syIdent && !IsIdent("USING")) {
    Name = Ident;
    GetSy();
  }
  // USING may stand before the column list or after it.
  std::string Using = IsIdent("USING") ? SkipIndexOptions() : std::string();
  std::string TableName;
  if (Table) {
    TableName = Table->GetObjName();
  } else {
    if (Name.empty()) TestSy(syIdent);
    TestAndGetSy(myON);
    TableName = GetObjectName();
    if (StatementFailed()) return;
    // A name is required here: the table's other keys are not wanted, and not copied.
    BeginTable(TableName, false);
  }
  auto Idx = std::make_unique<TIdxData>(Objs);
  Idx->TableName = TableName;
  Idx->Unique = Unique;
  Idx->FullText = Fulltext;
  Idx->Spatial = Spatial;
  TestSy(syLParen);
  ParseIndexColumns(Idx.get(), nullptr);
  std::string Comment;
  if (std::string After = SkipIndexOptions(&Comment); !After.empty()) Using = std::move(After);
  if (StatementFailed() || Idx->Flds.Empty()) return;
  Idx->SetExtra(&TObjExtra::Description, Comment);
  DropWholeColumnPrefixes(Table ? Table : FindTable(TableName), Idx->Flds);
  Idx->SetExtra(&TIdxExtra::IndexType, Using);
  // An index without a name is named by the server after its first column.
  Idx->SetObjName(Name.empty() ? UniqueIndexName(Idx->Flds[0]) : Name);
  FileIndex(std::move(Idx));
  if (!Table) AddForeignKeyIndexes();
}

void TMySQLParser::FileIndex(std::unique_ptr<TIdxData> Idx) {
  // A key added after a foreign key's own index takes over from that index (not a full-text
  // or spatial one, which cannot serve the key).
  if (!Idx->FullText && !Idx->Spatial)
    DropGeneratedIndexes(Idx->TableName, {Idx->Flds.begin(), Idx->Flds.end()});
  FTable.AddKey(Idx->GetObjName(), {Idx->Flds.begin(), Idx->Flds.end()});
  DoLogNextLine("Index: " + Idx->Def());
  const bool InStep = FiledKeysInStep();
  const std::string Table = Idx->TableName;
  if (!AddObj(std::move(Idx)) || !InStep) return;
  FFiledKeys[Table].AddKey(FTable.KeyNames.back(), FTable.KeyColumns.back());
  ++FFiledKeysVersion;
}

void TMySQLParser::FileConstraint(std::unique_ptr<TCtrData> Ctr, const std::string& LogTitle) {
  if (StatementFailed()) return;  // a key read only in part is not filed
  DoLogNextLine(LogTitle + Ctr->Def());
  const bool InStep = FiledKeysInStep();
  TCtrData* Filed = Ctr.get();
  const std::string Key = InStep && Filed->GetCtType() == ctPKey ? Filed->ObjKeyDef() : "";
  if (!AddObj(std::move(Ctr)) || !InStep) return;
  NoteFiledConstraint(*Filed, Key);  // filed: the collection holds it
  ++FFiledKeysVersion;
}

void TMySQLParser::ParsePrimaryKey(TTblData& Tbl, const std::string& Column) {
  GetSy();  // past PRIMARY (or KEY)
  if (Sy == myKEY) GetSy();
  auto Ctr = std::make_unique<TCtrData>(Objs);
  Ctr->SetCtType(ctPKey);
  Ctr->SetTblName(Tbl.GetObjName());
  // The server names every primary key PRIMARY whatever the script says: no name is kept.
  // A key declared with its column has no options: a COMMENT after it is the column's.
  if (Sy == syLParen || IsIdent("USING") || Column.empty()) {
    Ctr->SetExtra(&TCtrExtra::IndexType, SkipIndexOptions());
    // A TEXT or BLOB column is keyed by its prefix, which the key keeps.
    ParseIndexColumns(nullptr, nullptr, Ctr.get());
    std::string Comment;
    if (std::string After = SkipIndexOptions(&Comment); !After.empty())
      Ctr->EditExtra().IndexType = std::move(After);
    Ctr->SetExtra(&TObjExtra::Description, Comment);
  } else {
    Ctr->FldList.Add(Column);
  }
  if (StatementFailed()) return;
  DropWholeColumnPrefixes(&Tbl, Ctr->FldList);
  // The columns of a primary key are NOT NULL on the server whether the script says so or not.
  std::vector<std::string> Cols;
  for (const std::string& C : Ctr->FldList) {
    if (TFldData* Fld = Tbl.Fields.Find(C)) Fld->Nullable = false;
    Cols.push_back(C);
  }
  DropGeneratedIndexes(Tbl.GetObjName(), Cols);
  FTable.AddKey("PRIMARY", std::move(Cols));
  FileConstraint(std::move(Ctr), "Primary Key: ");
}

void TMySQLParser::ParseForeignKey(TTblData& Tbl, const std::string& CtrName) {
  GetSy();  // past FOREIGN
  TestAndGetSy(myKEY);
  SkipIfNotExists();
  std::string IndexName;
  if (Sy == syIdent) {
    IndexName = Ident;
    GetSy();
  }
  auto Ctr = std::make_unique<TCtrData>(Objs);
  Ctr->SetCtType(ctFKey);
  Ctr->SetTblName(Tbl.GetObjName());
  TestSy(syLParen);
  ParseIndexColumns(nullptr, &Ctr->FldList);
  TestSy(myREFERENCES);
  if (StatementFailed()) return;
  ParseReferences(*Ctr);
  ParseFKRules(*Ctr);
  if (StatementFailed()) return;
  const std::string Generated = NextForeignKeyName(Tbl.GetObjName());
  const std::string& Name = !CtrName.empty() ? CtrName : IndexName;
  Ctr->SetObjName(Name.empty() ? Generated : Name);
  std::vector<std::string> Cols;
  for (const std::string& C : Ctr->FldList) Cols.push_back(C);
  FTable.ForeignKeys.push_back({std::move(Cols), !CtrName.empty() ? CtrName : IndexName});
  FileConstraint(std::move(Ctr), "Foreign Key: ");
}

void TMySQLParser::ParseReferences(TCtrData& Ctr) {
  TestAndGetSy(myREFERENCES);
  bool OtherDatabase = false;
  const std::string RefTable = GetObjectName(&OtherDatabase);
  if (StatementFailed()) return;
  // A table of another database, which the scripts of this one need not define.
  if (OtherDatabase) NoteReferenceElsewhere(Ctr);
  Ctr.SetRefTblName(RefTable);
  if (Sy == syLParen) {
    ParseIndexColumns(nullptr, &Ctr.EditExtra().RefFldList);
    return;
  }
  // Without columns the reference is to the primary key of the table, when it has been read.
  if (!Objs) return;
  SyncFiledKeys();
  if (const auto It = FFiledKeys.find(RefTable); It != FFiledKeys.end())
    for (const std::string& C : It->second.PrimaryKey) Ctr.EditExtra().RefFldList.Add(C);
}

void TMySQLParser::ParseFKRules(TCtrData& Ctr) {
  if (IsIdent("MATCH")) {
    GetSy();
    GetSy();
  }
  while (Sy == myON && !StatementFailed()) {
    GetSy();
    TUDAction* Rule = nullptr;
    if (Sy == myUPDATE)
      Rule = &Ctr.OnUpdate;
    else if (Sy == myDELETE)
      Rule = &Ctr.OnDelete;
    if (!Rule) {
      ErrMsg("Missing: UPDATE/DELETE");
      return;
    }
    GetSy();
    if (Sy == myRESTRICT) {
      // InnoDB's RESTRICT is its NO ACTION and its default: SHOW CREATE TABLE leaves it out,
      // so it reads as no rule, or a key would differ from its own catalog on every run.
      *Rule = udaNoAction;
      GetSy();
    } else if (Sy == myCASCADE) {
      *Rule = udaCascade;
      GetSy();
    } else if (Sy == mySET) {
      GetSy();
      if (Sy == myNULL) {
        *Rule = udaNull;
      } else if (Sy == myDEFAULT) {
        *Rule = udaDefault;
      } else {
        ErrMsg("Missing: DEFAULT/NULL");
        return;
      }
      GetSy();
    } else if (IsIdent("NO")) {
      GetSy();
      if (!IsIdent("ACTION")) {
        ErrMsg("Must be: ACTION");
        return;
      }
      GetSy();
    } else {
      ErrMsg("Unknown action into UPDATE/DELETE rule.");
      return;
    }
  }
}

void TMySQLParser::AddForeignKeyIndexes() {
  // The server gives a foreign key an index of its own unless a key of the table begins with
  // the foreign key's columns; the index is named after the constraint, or else after the
  // first column.
  if (FTable.ForeignKeys.empty()) return;
  EnsureAllKeys();
  std::vector<TForeignKeyInfo> Pending = std::move(FTable.ForeignKeys);
  FTable.ForeignKeys.clear();
  for (const TForeignKeyInfo& Fk : Pending) {
    if (Fk.Columns.empty()) continue;
    const bool Covered =
        std::any_of(FTable.KeyColumns.begin(), FTable.KeyColumns.end(), [&](const auto& Key) {
          if (Key.size() < Fk.Columns.size()) return false;
          for (std::size_t I = 0; I < Fk.Columns.size(); ++I)
            if (!SameText(Key[I], Fk.Columns[I])) return false;
          return true;
        });
    if (Covered) continue;
    auto Idx = std::make_unique<TIdxData>(Objs);
    Idx->SetObjName(UniqueIndexName(Fk.IndexName.empty() ? Fk.Columns[0] : Fk.IndexName));
    Idx->TableName = FTable.Name;
    for (const std::string& C : Fk.Columns) Idx->AddFld(C);
    std::string Key = Idx->ObjKeyDef();
    FileIndex(std::move(Idx));
    if (FGeneratedIndexesOf != Objs) FGeneratedIndexes.clear();
    FGeneratedIndexesOf = Objs;
    FGeneratedIndexes[UpperCase(FTable.Name)].push_back({std::move(Key), FTable.Name, Fk.Columns});
  }
}

void TMySQLParser::DropGeneratedIndexes(const std::string& Table,
                                        const std::vector<std::string>& Columns) {
  if (!Objs || FGeneratedIndexesOf != Objs) return;
  const auto Of = FGeneratedIndexes.find(UpperCase(Table));
  if (Of == FGeneratedIndexes.end()) return;
  std::vector<TGeneratedIndex>& Generated = Of->second;
  auto Covers = [&](const TGeneratedIndex& G) {
    if (!SameText(G.Table, Table) || G.Columns.size() > Columns.size()) return false;
    for (std::size_t I = 0; I < G.Columns.size(); ++I)
      if (!SameText(G.Columns[I], Columns[I])) return false;
    return true;
  };
  for (auto It = Generated.begin(); It != Generated.end();) {
    if (!Covers(*It)) {
      ++It;
      continue;
    }
    TIdxData* Idx = dynamic_cast<TIdxData*>(Objs->Indexes.FindObj(It->Key));
    if (Idx && SameText(FTable.Name, Table)) {
      // The table being read forgets the index too, so that its name is free again.
      for (std::size_t I = 0; I < FTable.KeyNames.size(); ++I)
        if (SameText(FTable.KeyNames[I], Idx->GetObjName())) {
          FTable.EraseKey(I);
          break;
        }
    }
    if (Idx) RemoveObj(Objs->Indexes, It->Key);
    It = Generated.erase(It);
  }
}

}  // namespace qel
