// The InterBase/Firebird script parser: keywords and quoting, the scanner's refinements, the
// statement loop with SET, the CREATE/ALTER/DROP dispatch, COMMENT ON and the older forms of
// descriptions, GRANT and REVOKE, and dependency linking. Tables and the objects on them are
// read in qelIBParser_Tbl.cpp, views, procedures, triggers and external functions in
// qelIBParser_Prc.cpp.
#include "qelIBParser.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Exc.h"
#include "qelComp_Fnc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelResWords.h"

namespace qel {

namespace {

// clang-format off
constexpr std::array<TResWordRow, 10> IBResWords{{
    {"CREATE", ibCREATE}, {"ALTER", ibALTER}, {"DROP", ibDROP}, {"SET", ibSET},
    {"COMMIT", ibCOMMIT}, {"GRANT", ibGRANT}, {"DECLARE", ibDECLARE}, {"CONNECT", ibCONNECT},
    {"RECREATE", ibRECREATE}, {"REVOKE", ibREVOKE}
}};
// clang-format on

constexpr auto kResWordsByWord = SortedByWord(IBResWords);

static_assert(UniqueWords(kResWordsByWord));

/// The kind word after DROP or COMMENT ON and the list it names.
struct TKindWord {
  std::string_view Word;
  TDbObject Kind;
};

constexpr std::array<TKindWord, 12> kKindWords{{
    {"TABLE", dboTable},
    {"VIEW", dboView},
    {"PROCEDURE", dboProcedure},
    {"TRIGGER", dboTrigger},
    {"DOMAIN", dboDomain},
    {"INDEX", dboIndex},
    {"EXCEPTION", dboException},
    {"GENERATOR", dboGenerator},
    {"SEQUENCE", dboGenerator},
    {"ROLE", dboRole},
    {"EXTERNAL", dboFunction},
    {"FUNCTION", dboFunction},
}};

/// The list each kind is filed in.
struct TKindList {
  TDbObject Kind;
  TDbObjList TObjs::*List;
};

constexpr std::array<TKindList, 10> kKindLists{{
    {dboTable, &TObjs::Tables},
    {dboView, &TObjs::Views},
    {dboProcedure, &TObjs::Procedures},
    {dboTrigger, &TObjs::Triggers},
    {dboDomain, &TObjs::Domains},
    {dboIndex, &TObjs::Indexes},
    {dboException, &TObjs::Exceptions},
    {dboGenerator, &TObjs::Generators},
    {dboRole, &TObjs::Roles},
    {dboFunction, &TObjs::Functions},
}};

TDbObjList* ListOf(TObjs* O, TDbObject Kind) {
  if (!O) return nullptr;
  for (const TKindList& K : kKindLists)
    if (K.Kind == Kind) return &(O->*K.List);
  return nullptr;
}

/// The key an object of Kind is filed under in its list.
std::string KeyOf(TDbObject Kind, const std::string& Name) {
  return Kind == dboRole ? "Role: " + Name : Name;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction, keywords, quoting

TIbParser::TIbParser(TCustomObjs* AObjs) : TCustomSQLParser(AObjs) {
  IdentChars.Include(static_cast<unsigned char>('$'));
  InitDialect(dbInterBase, ";");
}

TIbParser::~TIbParser() = default;

TFldData* TIbParser::FieldOf(TObjVector<TFldData>& List, const std::string& Name) {
  for (const auto& F : List)
    if (F->GetObjName() == Name) return F.get();
  return nullptr;
}

void TIbParser::BuildResWords() {
  TCustomSQLParser::BuildResWords();
  ResWords.AddResWords(IBResWords);
}

std::uint8_t TIbParser::FindResWord() {
  return FindSymbol<kResWordsByWord>(Ident);
}

std::string TIbParser::QuoteIdent(const std::string& Name) {
  if (SQLDialect < 3 || !IdentDialect3(Name, st_Firebird_25)) return Name;
  return EncloseIdent(Name, '"', '"');
}

std::string TIbParser::GetScriptInfo() {
  return "SQL Dialect: " + IntToStr(SQLDialect);
}

void TIbParser::DoAfterGetSy() {
  TCustomSQLParser::DoAfterGetSy();
  FQuoted = false;
  if (Sy == syString && QuoteChar == '"' && SQLDialect >= 3) {
    // Dialect 3: a double-quoted name keeps its case and blanks.
    Sy = syIdent;
    Ident = StrValue;
    FQuoted = true;
  } else if (Sy == syIdent) {
    Ident = UpperCase(Ident);  // bare names are stored upper-cased
  }
  // Firebird 3 keeps names in CHAR(31) columns of UNICODE_FSS: its lexer refuses any longer
  // name, quoted or not, as "Name longer than database column size". Catalog texts are the
  // server's own (a newer server takes longer names).
  if (Sy == syIdent && Ident.size() > kMaxNameBytes && ReadsScript())
    MsgAtByte("Name longer than " + IntToStr(kMaxNameBytes) + " bytes: " + Ident, SyPos);
}

bool TIbParser::ReadsScript() const {
  return Objs && Objs->ExtractFrom == efScript;
}

bool TIbParser::IsWord(const char* Word) const {
  if (FQuoted || (Sy != syIdent && Sy < syFirstResWord)) return false;
  return UpperCase(Ident) == Word;
}

std::string TIbParser::Name() {
  if (Sy == syIdent || Sy >= syFirstResWord) {
    std::string R = FQuoted ? Ident : UpperCase(Ident);
    GetSy();
    return R;
  }
  TestSy(syIdent);
  return "";
}

void TIbParser::ErrMsg(const std::string& Text) {
  ++FErrCount;
  TCustomSQLParser::ErrMsg(Text);
}

void TIbParser::SkipParens() {
  TestSy(syLParen);
  int Depth = 0;
  while (Sy != syEOF && Sy != syTerm) {
    if (Sy == syLParen) ++Depth;
    if (Sy == syRParen && --Depth == 0) {
      GetSy();
      return;
    }
    GetSy();
  }
}

std::string TIbParser::RestOfStatement(std::int32_t Start) {
  SkipToTermTellingStatements();
  std::string Body = CopyTxtFrom(Start);
  if (Sy == syEOF && !Trim(Body).empty()) {
    const int Before = MsgManager.GetErrCount();
    TestBodyEnd(Body);
    // isql runs no statement the script ends inside.
    if (MsgManager.GetErrCount() == Before) ErrMsg("Missing: <TERM> (<EOF>)");
  }
  return Body;
}

void TIbParser::Report(TStatType Typ, const std::string& ObjName, TDbObject Kind, TDbOperation Op) {
  FReport = true;
  FRepTyp = Typ;
  FRepName = ObjName;
  FRepKind = Kind;
  FRepOp = Op;
}

void TIbParser::ExpectWord(const char* Word) {
  if (IsWord(Word))
    GetSy();
  else
    TestIdent(Word);
}

void TIbParser::ReadInt(std::int32_t& Value) {
  if (Sy == syInteger) Value = static_cast<std::int32_t>(IntValue);
  TestAndGetSy(syInteger);
}

std::string TIbParser::ParenText() {
  const std::int32_t Start = SyPos;
  SkipParens();
  return CopyTxtFrom(Start);
}

std::string TIbParser::ComputedText() {
  GetSy();
  if (IsWord("BY")) GetSy();
  return ParenText();
}

TDbObject TIbParser::KindWord() const {
  const TKindWord* K =
      FindRowIf(kKindWords, [this](const TKindWord& W) { return IsWord(W.Word.data()); });
  return K ? K->Kind : dboUnknown;
}

void TIbParser::Link_Depend() {
  // Views, procedures and triggers use what their texts name: tables, views, procedures,
  // generators, exceptions and external functions; computed columns and checks the external
  // functions they call (the server refuses to drop a function while they do). The words of a
  // text are looked up once each.
  auto* O = dynamic_cast<TObjs*>(Objs);
  // "REFERENCES T1" without columns: the server takes T1's primary key, and its catalog names
  // the columns, so the script's key must name them too before keys are paired and linked.
  if (O) ReferToPrimaryKeys(*O);
  TCustomSQLParser::Link_Depend();  // indexes, keys and grants
  if (!O) return;
  // Columns and parameters rest on their domains.
  auto LinkDomains = [&](TDbObj* Obj, const TObjVector<TFldData>& Fields) {
    for (const auto& F : Fields)
      if (F->FieldType == iftDomain)
        if (TDbObj* D = O->Domains.FindObj(F->Extra().DomainName)) LinkDepend(Obj, D);
  };
  for (int I = 0; I < O->Tables.Count(); ++I)
    if (auto* T = dynamic_cast<TTblData*>(O->Tables.Objects(I))) LinkDomains(T, T->Fields);
  for (int I = 0; I < O->Procedures.Count(); ++I)
    if (auto* P = dynamic_cast<TPrcData*>(O->Procedures.Objects(I))) {
      LinkDomains(P, P->Params);
      LinkDomains(P, P->Results);
    }
  // The InterBase dependency codes of what a text may name: table, view, procedure,
  // generator, exception and external function.
  static const TSymSet CodeKinds{0, 1, 5, 14, 7, 15};
  static const TSymSet FunctionKind{15};
  auto LinkText = [&](TDbObj* Obj, const std::string& Text, const TSymSet& Kinds) {
    std::string Word;
    std::vector<std::string> Seen;
    auto Flush = [&] {
      if (Word.empty()) return;
      const std::string W = UpperCase(Word);
      Word.clear();
      if (std::find(Seen.begin(), Seen.end(), W) != Seen.end() || W == Obj->GetObjName()) return;
      Seen.push_back(W);
      LinkDepend(Obj, W, Kinds);
    };
    for (const char C : Text) {
      if (std::isalnum(static_cast<unsigned char>(C)) || C == '_' || C == '$')
        Word += C;
      else
        Flush();
    }
    Flush();
  };
  for (TDbObjList* L : {&O->Views, &O->Procedures, &O->Triggers})
    for (int I = 0; I < L->Count(); ++I)
      if (TDbObj* Obj = L->Objects(I)) LinkText(Obj, Obj->Extra().Body, CodeKinds);
  if (!O->Functions.Empty()) {
    for (int I = 0; I < O->Tables.Count(); ++I)
      if (auto* T = dynamic_cast<TTblData*>(O->Tables.Objects(I)))
        for (const auto& F : T->Fields)
          if (F->Computed()) LinkText(F.get(), F->Extra().Body, FunctionKind);
    for (int I = 0; I < O->Constraints.Count(); ++I)
      if (auto* C = dynamic_cast<TCtrData*>(O->Constraints.Objects(I));
          C && C->GetCtType() == ctCheck)
        LinkText(C, C->Extra().Body, FunctionKind);
  }
  for (int I = 0; I < O->Triggers.Count(); ++I)
    if (auto* T = dynamic_cast<TTrgData*>(O->Triggers.Objects(I)))
      if (TDbObj* Tbl = O->Tables.FindObj(T->OwnName)) LinkDepend(T, Tbl);
}

// ---------------------------------------------------------------------------------------------
// Statement loop

void TIbParser::ParseText() {
  if (Objs && Objs->GetDatabaseType() != dbInterBase) Objs->SetDatabaseType(dbInterBase);
  ParseStatements();
}

void TIbParser::BeginStatement() {
  FReport = false;
  FReplace = false;
}

void TIbParser::EndStatement(std::int32_t Start) {
  (void)Start;
  if (FReport) {
    TObject* Statement = nullptr;
    ReportStatement(FRepTyp, FRepName, FRepKind, FRepOp, "", Statement);
  }
  ReadTerminator(ReadsScript());
}

void TIbParser::ParseStatement() {
  switch (Sy) {
    case syTerm:
      return;
    case ibCREATE:
      GetSy();
      FReplace = IsWord("OR");
      if (FReplace) {
        GetSy();
        if (Sy == ibALTER) GetSy();
      }
      ParseCreate();
      return;
    case ibRECREATE:
      GetSy();
      FReplace = true;
      ParseCreate();
      return;
    case ibALTER:
      ParseAlter();
      return;
    case ibDROP:
      ParseDrop();
      return;
    case ibSET:
      ParseSet();
      return;
    case ibCOMMIT:
      GetSy();
      if (IsWord("WORK")) GetSy();
      Report(st_Commit, "COMMIT WORK", dboUnknown, odbCommit);
      return;
    case ibGRANT:
      ParseGrant(false);
      return;
    case ibREVOKE:
      ParseGrant(true);
      return;
    case ibDECLARE:
      ParseDeclare();
      return;
    case ibCONNECT:
      SkipToTerm();
      Report(stConnect, "", dboUnknown, odbUnknown);
      return;
    default:
      break;
  }
  if (IsWord("COMMENT")) {
    ParseComment();
    return;
  }
  if (IsWord("DESCRIBE")) {
    ParseDescribe();
    return;
  }
  if (IsWord("UPDATE")) {
    ParseUpdate();
    return;
  }
  if (IsWord("RECONNECT")) {
    GetSy();
    Report(stReconnect, "", dboUnknown, odbUnknown);
    return;
  }
  if (IsWord("INSERT") || IsWord("DELETE") || IsWord("EXECUTE")) {
    // Data statements change no schema object.
    const bool Insert = IsWord("INSERT");
    SkipToTermTellingStatements();
    Report(Insert ? stInsert : stStatement, "", dboUnknown, odbUnknown);
    return;
  }
  ErrMsg("Unknown statement: " + (Sy == syIdent ? Ident : ResWordBySymbol(Sy)));
  GetSy();
}

void TIbParser::ParseSet() {
  GetSy();
  if (IsWord("TERM")) {
    // SET TERM new old: the new terminator runs up to the next blank (or to the old one).
    SkipBlanks();
    std::string NewTerm;
    auto AtOldTerm = [this] {
      const std::int32_t Start = Pos - 2;  // 0-based index of Ch
      return Start >= 0 &&
             FTxt.compare(static_cast<std::size_t>(Start), TermStr.size(), TermStr) == 0;
    };
    while (!AtEndOfText() && Ch != ' ' && Ch != '\t' && Ch != '\r' && Ch != '\n' &&
           !(!NewTerm.empty() && AtOldTerm())) {
      NewTerm += Ch;
      GetChar();
    }
    // The statement ends at the old terminator; the loop reads on under the new one.
    GetSy();
    TestSy(syTerm);
    if (!NewTerm.empty()) SetTermStr(NewTerm);
    return;
  }
  if (IsWord("SQL")) {
    GetSy();
    if (IsWord("DIALECT")) GetSy();
    if (Sy == syInteger) SQLDialect = static_cast<std::int32_t>(IntValue);
    SkipToTerm();
    return;
  }
  if (IsWord("GENERATOR")) {
    GetSy();
    const std::string G = Name();
    SkipToTerm();
    Report(stStatement, G, dboGenerator, odbAlter);
    return;
  }
  // SET NAMES, SET AUTODDL, SET STATISTICS ...: session settings of the script tool.
  SkipToTermTellingStatements();
}

// ---------------------------------------------------------------------------------------------
// CREATE, ALTER, DROP

void TIbParser::Replace(TDbObjList& List, const std::string& Name) {
  if (FReplace && Objs) Remove(List, Name);
}

bool TIbParser::Remove(TDbObjList& List, const std::string& Key) {
  const int I = List.IndexOf(Key);
  if (I < 0) return false;
  Objs->RemoveDepend(List.Objects(I));
  List.Delete(I);
  return true;
}

void TIbParser::ParseCreate() {
  bool Temporary = false;
  if (IsWord("GLOBAL")) {
    GetSy();
    ExpectWord("TEMPORARY");
    Temporary = true;
  }
  if (IsWord("TABLE")) return ParseTable(Temporary);
  if (IsWord("DOMAIN")) return ParseDomain();
  if (IsWord("UNIQUE") || IsWord("ASC") || IsWord("ASCENDING") || IsWord("DESC") ||
      IsWord("DESCENDING") || IsWord("INDEX"))
    return ParseIndex();
  if (IsWord("GENERATOR") || IsWord("SEQUENCE")) return ParseGenerator();
  if (IsWord("EXCEPTION")) return ParseException();
  if (IsWord("VIEW")) return ParseView();
  if (IsWord("PROCEDURE")) return ParseProcedure(false);
  if (IsWord("TRIGGER")) return ParseTrigger(false);
  if (IsWord("ROLE")) return ParseRole();
  if (IsWord("DATABASE") || IsWord("SCHEMA")) {
    SkipToTerm();
    Report(stCreateDb, "", dboUnknown, odbCreate);
    return;
  }
  ErrMsg("Unknown statement: CREATE " + (Sy == syIdent ? Ident : ResWordBySymbol(Sy)));
  GetSy();
}

void TIbParser::ParseAlter() {
  GetSy();
  if (IsWord("TABLE")) return ParseAlterTable();
  if (IsWord("PROCEDURE")) return ParseProcedure(true);
  if (IsWord("TRIGGER")) return ParseTrigger(true);
  if (IsWord("EXCEPTION")) return ParseException();
  if (IsWord("DOMAIN")) {
    // ADD [CONSTRAINT] CHECK (isql -x adds the checks after the bodies), DROP CONSTRAINT,
    // TYPE, SET/DROP DEFAULT and SET/DROP NOT NULL change the domain's descriptor; a new name
    // is run, not modelled.
    GetSy();
    const std::string N = Name();
    auto* O = dynamic_cast<TObjs*>(Objs);
    auto* D = O ? dynamic_cast<TDmnData*>(O->Domains.FindObj(N)) : nullptr;
    TFldData Scratch(Objs);
    TFldData& F = D ? *D->TypeField : Scratch;
    Report(stStatement, N, dboDomain, odbAlter);
    if (IsWord("ADD")) {
      GetSy();
      if (IsWord("CONSTRAINT")) GetSy();
      if (IsWord("CHECK")) {
        GetSy();
        F.SetExtra(&TFldExtra::CheckText, std::string(1, ' ').append(ParenText()));
      }
    } else {
      ParseTypeOrDefaultChange(F);
    }
    SkipToTerm();
    return;
  }
  // ALTER DOMAIN, ALTER INDEX, ALTER SEQUENCE, ALTER DATABASE: run, not modelled.
  SkipToTerm();
  Report(stStatement, "", dboUnknown, odbAlter);
}

void TIbParser::ParseDrop() {
  GetSy();
  const TDbObject Kind = KindWord();
  if (Kind == dboUnknown) {
    ErrMsg("Unknown statement: DROP " + (Sy == syIdent ? Ident : ResWordBySymbol(Sy)));
    GetSy();
    return;
  }
  GetSy();
  if (Kind == dboFunction && IsWord("FUNCTION")) GetSy();
  const std::string N = Name();
  Report(stStatement, N, Kind, odbDrop);
  TDbObjList* L = ListOf(dynamic_cast<TObjs*>(Objs), Kind);
  if (!L || !(Kind == dboTable ? RemoveTable(KeyOf(Kind, N)) : Remove(*L, KeyOf(Kind, N)))) return;
  // The server takes the privileges on a dropped table, view or procedure with it.
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (Kind != dboTable && Kind != dboView && Kind != dboProcedure) return;
  for (int I = O->Grants.Count() - 1; I >= 0; --I) {
    auto* G = dynamic_cast<TGntData*>(O->Grants.Objects(I));
    if (!G || G->ObjectName != N || G->ObjectType == gotRole) continue;
    O->RemoveDepend(G);
    O->Grants.Delete(I);
  }
}

// ---------------------------------------------------------------------------------------------
// COMMENT ON, GRANT, DECLARE EXTERNAL FUNCTION

void TIbParser::SetDescription(TDbObject Kind, const std::string& Name, const std::string& Sub,
                               const std::string& Text) {
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (!O) return;
  TFldData* Column = nullptr;
  if (Kind == dboField) {
    if (auto* T = O->GetTable(Name)) Column = FieldOf(T->Fields, Sub);
    if (auto* V = dynamic_cast<TViwData*>(O->Views.FindObj(Name)); !Column && V)
      Column = FieldOf(V->Fields, Sub);
  } else if (Kind == dboParam) {
    if (auto* P = dynamic_cast<TPrcData*>(O->Procedures.FindObj(Name))) {
      Column = FieldOf(P->Params, Sub);
      if (!Column) Column = FieldOf(P->Results, Sub);
    }
  } else if (TDbObjList* L = ListOf(O, Kind)) {
    TDbObj* Target = L->FindObj(KeyOf(Kind, Name));
    // A relation's description is written alike for tables and views.
    if (!Target && Kind == dboTable) Target = O->Views.FindObj(Name);
    if (Target) Target->SetExtra(&TObjExtra::Description, Text);
  }
  if (Column) Column->SetExtra(&TObjExtra::Description, Text);
}

std::string TIbParser::DescriptionText() {
  std::string Text;
  if (Sy == syString) {
    Text = StrValue;
    GetSy();
  } else if (IsWord("NULL")) {
    GetSy();
  } else {
    TestSy(syString);
  }
  return Text;
}

void TIbParser::ParseComment() {
  GetSy();
  ExpectWord("ON");
  TDbObject Kind = dboUnknown;
  std::string ObjName, Sub;
  if (IsWord("PROCEDURE")) {
    // PROCEDURE PARAMETER p.x, as isql -x writes a parameter's description.
    GetSy();
    if (IsWord("PARAMETER")) {
      Kind = dboParam;
    } else {
      Kind = dboProcedure;
      ObjName = Name();
    }
  } else if (IsWord("COLUMN") || IsWord("PARAMETER")) {
    Kind = IsWord("PARAMETER") ? dboParam : dboField;
  }
  if (IsWord("DATABASE")) {
    GetSy();
  } else if (Kind == dboField || Kind == dboParam) {
    GetSy();
    ObjName = Name();
    TestAndGetSy(syDot);
    Sub = Name();
  } else if (Kind != dboProcedure) {
    Kind = KindWord();
    if (Kind == dboUnknown) {
      ErrMsg("Unknown object kind: " + Ident);
      return;
    }
    GetSy();
    if (Kind == dboFunction && IsWord("FUNCTION")) GetSy();
    ObjName = Name();
  }
  ExpectWord("IS");
  SetDescription(Kind, ObjName, Sub, DescriptionText());
  Report(stDescription, ObjName, dboUnknown, odbUnknown);
}

// DESCRIBE FIELD f TABLE|VIEW t 'text', DESCRIBE PARAMETER p PROCEDURE r 'text', DESCRIBE kind
// name 'text': the descriptions of servers before COMMENT ON.
void TIbParser::ParseDescribe() {
  GetSy();
  TDbObject Kind = dboUnknown;
  std::string ObjName, Sub;
  if (IsWord("FIELD") || IsWord("PARAMETER")) {
    Kind = IsWord("PARAMETER") ? dboParam : dboField;
    GetSy();
    Sub = Name();
    GetSy();  // TABLE, VIEW or PROCEDURE
    ObjName = Name();
  } else {
    Kind = KindWord();
    if (Kind == dboUnknown) {
      ErrMsg("Unknown object kind: " + Ident);
      return;
    }
    GetSy();
    ObjName = Name();
  }
  SetDescription(Kind, ObjName, Sub, DescriptionText());
  Report(stDescription, ObjName, dboUnknown, odbUnknown);
}

// ---------------------------------------------------------------------------------------------
// Writes to the system tables: descriptions, and the column and domain changes that servers
// without DDL for them take this way (the column- and domain-alteration drivers write them).

std::string TIbParser::ReadSysColumn() {
  // A column, or alias.column.
  std::string C = Sy == syIdent || Sy >= syFirstResWord ? Ident : std::string();
  GetSy();
  if (Sy == syDot) {
    GetSy();
    C = Sy == syIdent ? Ident : std::string();
    GetSy();
  }
  return UpperCase(C);
}

TIbParser::TSysValue TIbParser::ReadSysValue() {
  TSysValue V;
  if (Sy == syMinus || Sy == syInteger) {
    const bool Negative = Sy == syMinus;
    if (Negative) GetSy();
    V.Kind = TSysValue::svInt;
    V.Int = Sy == syInteger ? (Negative ? -IntValue : IntValue) : 0;
    TestAndGetSy(syInteger);
  } else if (Sy == syString) {
    V.Kind = TSysValue::svText;
    V.Text = StrValue;
    GetSy();
  } else if (IsWord("NULL")) {
    V.Kind = TSysValue::svNull;
    GetSy();
  } else if (Sy == syLParen) {
    // A subselect: what it looks up is named by its string literals.
    V.Kind = TSysValue::svSelect;
    int Depth = 0;
    while (Sy != syEOF && Sy != syTerm) {
      if (Sy == syString) V.Names.push_back(StrValue);
      if (Sy == syLParen) ++Depth;
      if (Sy == syRParen && --Depth == 0) {
        GetSy();
        break;
      }
      GetSy();
    }
  } else {
    GetSy();
  }
  return V;
}

namespace {

/// The object kind a description written into a system table belongs to.
struct TSysTable {
  std::string_view Table;
  TDbObject Kind;
};

constexpr std::array<TSysTable, 11> kSysTables{{
    {"RDB$RELATION_FIELDS", dboField},
    {"RDB$PROCEDURE_PARAMETERS", dboParam},
    {"RDB$FIELDS", dboDomain},
    {"RDB$RELATIONS", dboTable},
    {"RDB$PROCEDURES", dboProcedure},
    {"RDB$TRIGGERS", dboTrigger},
    {"RDB$EXCEPTIONS", dboException},
    {"RDB$INDICES", dboIndex},
    {"RDB$FUNCTIONS", dboFunction},
    {"RDB$GENERATORS", dboGenerator},
    {"RDB$ROLES", dboRole},
}};

}  // namespace

// UPDATE RDB$... SET column = value, ... WHERE ...: a description, or a change of a column or
// a domain; an UPDATE of another table is data.
void TIbParser::ParseUpdate() {
  GetSy();
  const std::string Table = Sy == syIdent && !FQuoted ? UpperCase(Ident) : std::string();
  if (!StartsText("RDB$", Table)) {
    SkipToTermTellingStatements();
    Report(stStatement, "", dboUnknown, odbUnknown);
    return;
  }
  GetSy();
  ExpectWord("SET");
  TSysAssignments Set;
  for (;;) {
    std::string Column = ReadSysColumn();
    TestAndGetSy(syEqual);
    Set.emplace_back(std::move(Column), ReadSysValue());
    if (Sy != syComma) break;
    GetSy();
  }
  // The names the WHERE clause gives, its subselects' included: the object written and, for
  // a column's own domain, the table and column it belongs to.
  std::map<std::string, TSysValue> Where;
  if (IsWord("WHERE")) GetSy();
  while (Sy != syTerm && Sy != syEOF) {
    if (Sy != syIdent) {
      GetSy();
      continue;
    }
    const std::string Column = ReadSysColumn();
    if (Sy != syEqual) continue;
    GetSy();
    if (Sy == syString || Sy == syInteger || Sy == syMinus) Where.emplace(Column, ReadSysValue());
  }
  for (const auto& [Column, Value] : Set) {
    if (Column != "RDB$DESCRIPTION") continue;
    const TSysTable* T = FindRow(kSysTables, std::string_view(Table), &TSysTable::Table);
    if (!T) break;
    std::string ObjName, Sub;
    for (const auto& [Key, Name] : Where) {
      if (Key == "RDB$FIELD_NAME" || Key == "RDB$PARAMETER_NAME")
        (T->Kind == dboDomain ? ObjName : Sub) = Name.Text;
      else
        ObjName = Name.Text;
    }
    SetDescription(T->Kind, ObjName, Sub, Value.Text);
    Report(stDescription, ObjName, dboUnknown, odbUnknown);
    return;
  }
  ApplySysUpdate(Table, Set, Where);
  Report(stStatement, "", dboUnknown, odbUnknown);
}

/// What a GRANT or REVOKE names: the privileges (or the role granted), the object, the
/// grantees with their object-type codes, and the grant option.
struct TIbParser::TGrantParts {
  TGrantPrivilegeSet Privs;
  bool RoleGrant = false;
  std::string Object;
  std::int32_t ObjType = gotTable;
  TStringList Columns;
  std::vector<std::pair<std::string, std::int32_t>> Grantees;
  std::int32_t Option = 0;
};

void TIbParser::ParseGrant(bool Revoke) {
  GetSy();
  TGrantParts Parts;
  ReadGrantPrivileges(Parts);
  if (IsWord("ON")) {
    GetSy();
    if (IsWord("TABLE")) {
      GetSy();
    } else if (IsWord("PROCEDURE")) {
      Parts.ObjType = gotProcedure;
      GetSy();
    }
    Parts.Object = Name();
    if (Parts.ObjType == gotTable && Objs) {
      if (auto* O = dynamic_cast<TObjs*>(Objs); O && O->Views.FindObj(Parts.Object))
        Parts.ObjType = gotView;
    }
  }
  if (IsWord("TO") || (Revoke && IsWord("FROM")))
    GetSy();
  else
    TestIdent(Revoke ? "FROM" : "TO");
  ReadGrantees(Parts);
  if (IsWord("WITH")) Parts.Option = 1;
  // Under SET TERM a ";" ends nothing: the statement loop reports it where it stands.
  SkipStatement(TSymSet{syTerm, syEOF, sySemicolon});
  if (Revoke) {
    ApplyRevoke(Parts);
    Report(stStatement, Parts.Object, dboGrant, odbDrop);
    return;
  }
  for (const auto& [G, Type] : Parts.Grantees) {
    auto Gnt = std::make_unique<TGntData>(Objs);
    Gnt->ObjectName = Parts.Object;
    Gnt->ObjectType = Parts.ObjType;
    Gnt->GranteeName = G;
    Gnt->GranteeType = Type;
    Gnt->GrantOption = Parts.Option;
    if (!Parts.RoleGrant) Gnt->Privileges = Parts.Privs;
    for (const std::string& C : Parts.Columns) Gnt->Fields.Add(C);
    AddObj(std::move(Gnt));
  }
  Report(stStatement, Parts.Object, dboGrant, odbCreate);
}

void TIbParser::ReadGrantPrivileges(TGrantParts& Parts) {
  // Privileges up to ON; a list without ON grants roles.
  // The privileges that take no column list.
  using TPrivWord = std::pair<std::string_view, TGrantPrivilege>;
  static constexpr std::array<TPrivWord, 4> kPlainPrivs{{
      {"SELECT", gntSelect},
      {"INSERT", gntInsert},
      {"DELETE", gntDelete},
      {"EXECUTE", gntExecute},
  }};
  while (Sy != syTerm && Sy != syEOF && !IsWord("ON") && !IsWord("TO")) {
    const std::string W = UpperCase(Ident);
    const TPrivWord* Plain = FindRow(kPlainPrivs, std::string_view(W), &TPrivWord::first);
    if (W == "ALL") {
      Parts.Privs.Include(gntAll);
      GetSy();
      if (IsWord("PRIVILEGES")) GetSy();
    } else if (Plain) {
      Parts.Privs.Include(Plain->second);
      GetSy();
    } else if (W == "UPDATE" || W == "REFERENCES") {
      Parts.Privs.Include(W == "UPDATE" ? gntUpdate : gntReferences);
      GetSy();
      if (Sy == syLParen) ParseNameList(Parts.Columns);
    } else {
      Parts.RoleGrant = true;
      Parts.Object = Name();
      Parts.ObjType = gotRole;
      // Name() reports a symbol that is no name and stays on it: the statement ends here.
      if (Parts.Object.empty()) break;
    }
    if (Sy == syComma) GetSy();
  }
}

void TIbParser::ReadGrantees(TGrantParts& Parts) {
  while (Sy != syTerm && Sy != syEOF && !IsWord("WITH") && !IsWord("GRANTED")) {
    std::int32_t Type = gotUser;
    if (IsWord("USER")) {
      GetSy();
    } else if (IsWord("ROLE")) {
      Type = gotRole;
      GetSy();
    } else if (IsWord("PROCEDURE")) {
      Type = gotProcedure;
      GetSy();
    } else if (IsWord("TRIGGER")) {
      Type = gotTrigger;
      GetSy();
    } else if (IsWord("VIEW")) {
      Type = gotView;
      GetSy();
    }
    const std::string G = Name();
    if (G.empty()) break;
    if (Type == gotUser && Objs) {
      if (auto* O = dynamic_cast<TObjs*>(Objs); O && O->Roles.FindObj(KeyOf(dboRole, G)))
        Type = gotRole;
    }
    Parts.Grantees.emplace_back(G, Type);
    if (Sy != syComma) break;
    GetSy();
  }
}

void TIbParser::ApplyRevoke(const TGrantParts& Parts) {
  // The privileges taken go from the grants that gave them; a grant left with none goes.
  auto* O = dynamic_cast<TObjs*>(Objs);
  for (int I = O ? O->Grants.Count() - 1 : -1; I >= 0; --I) {
    auto* Gnt = dynamic_cast<TGntData*>(O->Grants.Objects(I));
    if (!Gnt || Gnt->ObjectName != Parts.Object) continue;
    bool Named = false;
    for (const auto& G : Parts.Grantees) Named = Named || G.first == Gnt->GranteeName;
    if (!Named) continue;
    Gnt->Privileges = Parts.RoleGrant || Parts.Privs.Contains(gntAll)
                          ? TGrantPrivilegeSet{}
                          : Gnt->Privileges - Parts.Privs;
    if (Gnt->Privileges.Empty()) {
      O->RemoveDepend(Gnt);
      O->Grants.Delete(I);
    }
  }
}

}  // namespace qel
