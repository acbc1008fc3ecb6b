// The SQL Server and ASE script parser: the scanner, names, the
// statement loop (batches, IF, SET, EXEC and the stored procedures a script calls), the CREATE,
// ALTER and DROP dispatch, the re-read of catalog texts, errors and dependency linking. Tables
// are read in qelMSSQLParser_Tbl.cpp, views, routines and triggers in qelMSSQLParser_Prc.cpp.
#include "qelMSSQLParser.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Def.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Rul.h"
#include "qelResWords.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// Construction

TTransactSQLParser::TTransactSQLParser(TCustomObjs* AObjs, TDatabaseType Dialect)
    : TCustomSQLParser(AObjs) {
  SetDatabaseType(Dialect);
  for (char C : {'#', '$', '@', '_'}) IdentChars.Include(static_cast<unsigned char>(C));
  SetTermStr(GenTerm());
  BuildResWords();
}

TTransactSQLParser::~TTransactSQLParser() = default;

TMSSQLParser::TMSSQLParser(TCustomObjs* AObjs) : TTransactSQLParser(AObjs, dbMSSQL) {}

std::string TTransactSQLParser::QuoteIdent(const std::string& Name) {
  return IsMSSQL() ? MSSQLQuoteIdent(Name) : Name;
}

std::string TTransactSQLParser::GenTerm() {
  // As the writers end their statements: SQL Server's tools show GO, ASE's go.
  return IsMSSQL() ? "\r\nGO" : "\r\ngo";
}

std::string TTransactSQLParser::Fold(const std::string& Name) const {
  const bool Folds = IsMSSQL() && Objs &&
                     !Objs->MSSQLServerOptions.GetMSSQLCompareOptions().CaseSensitiveIdentifiers;
  return Folds ? UpperCase(Name) : Name;
}

namespace {

constexpr bool IsNameStart(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '#' || C == '@' || C == '_';
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Scanner

void TTransactSQLParser::DoGetSy() {
  SyPos = Pos - 1;
  FSyLine = Line;
  FSyColumn = Column;
  FQuoted = false;
  if (AtEndOfText()) {
    Sy = syEOF;
    return;
  }
  // A GO line ends a batch; Ch stands at the 0-based index Pos - 2.
  if (GoLineAt(Pos - 2, true)) {
    GetChar();
    GetChar();
    Sy = syTerm;
    return;
  }
  if (Ch == '[') {
    // A bracketed name: "]]" stands for "]".
    Ident.clear();
    GetChar();
    while (!AtEndOfText() && !(Ch == ']' && CurCh() != ']')) {
      if (Ch == ']') GetChar();
      Ident += Ch;
      GetChar();
    }
    if (AtEndOfText()) {
      ErrMsg("Unterminated name.");
      Sy = syEOF;
      return;
    }
    GetChar();
    Sy = syIdent;
    FQuoted = true;
    return;
  }
  if ((Ch == 'N' || Ch == 'n') && CurCh() == '\'') {
    // A Unicode literal reads as its text; CopyTxtFrom keeps the N.
    GetChar();
    Sy = syString;
    QuoteChar = '\'';
    StrValue = GetStr();
    return;
  }
  if (IsNameStart(Ch)) {
    GetIdent();
    Sy = syIdent;
    return;
  }
  TCustomSQLParser::DoGetSy();
}

void TTransactSQLParser::DoAfterGetSy() {
  if (Sy == syString && QuoteChar == '"') {
    Sy = syIdent;
    Ident = StrValue;
    FQuoted = true;
  }
  TCustomSQLParser::DoAfterGetSy();
}

void TTransactSQLParser::SkipStatement(const TSymSet& Stops) {
  while (Sy != syEOF && !Stops.Contains(Sy)) GetSy();
}

void TTransactSQLParser::SkipToEnd() {
  SkipStatement(TSymSet{syTerm, sySemicolon, syEOF});
}

void TTransactSQLParser::TestAndGetSy(std::uint8_t Symbol) {
  if (Symbol != syTerm) {
    TCustomSQLParser::TestAndGetSy(Symbol);
    return;
  }
  if (Sy == sySemicolon) GetSy();
  if (Sy == syTerm) GetSy();
}

bool TTransactSQLParser::IsWord(const char* Word) const {
  return Sy == syIdent && !FQuoted && SameText(Ident, Word);
}

std::string TTransactSQLParser::BodyFrom(std::int32_t Start) {
  // Past the end of the text Ch stands on no byte: Pos - 1 is the last one, read already.
  if (AtEndOfText() && Start == Pos - 1) Start = Pos;
  return BodyToGoLine(Start, true);
}

// ---------------------------------------------------------------------------------------------
// Names

TTransactSQLParser::TName TTransactSQLParser::QualifiedName(int* Parts) {
  std::vector<std::string> P{NamePart()};
  while (Sy == syDot && P.size() < 4) {
    GetSy();
    // db..name leaves the owner out.
    P.push_back(Sy == syDot ? std::string() : NamePart());
  }
  if (Parts) *Parts = static_cast<int>(P.size());
  TName N;
  N.Name = P.back();
  if (P.size() >= 2) N.Owner = P[P.size() - 2];
  if (P.size() >= 3) N.Part3 = P[P.size() - 3];
  if (IsMSSQL() && P.size() == 1) {
    N.Owner = "dbo";
    N.Defaulted = true;
  }
  if (!IsMSSQL() && SameText(N.Owner, "dbo")) N.Owner.clear();
  return N;
}

void TTransactSQLParser::SetNames(TDbObj& Obj, const TName& N) {
  if (IsMSSQL())
    Obj.SetSchema(N.Owner);
  else
    Obj.SetExtra(&TObjExtra::Creator, N.Owner);
  Obj.SetObjName(N.Name);
  Obj.QuotedIdentifier = FQuotedIdentifier;
  Obj.AnsiNulls = FAnsiNulls;
}

TTblData* TTransactSQLParser::FindTable(const std::string& Schema, const std::string& Name) const {
  if (!Objs) return nullptr;
  const std::string Key = IsMSSQL() && !Schema.empty() ? Schema + "." + Name : Name;
  return dynamic_cast<TTblData*>(Objs->Tables.FindObj(Key));
}

// ---------------------------------------------------------------------------------------------
// Statement loop

void TTransactSQLParser::ParseText() {
  if (Objs && Objs->GetDatabaseType() != DatabaseType) Objs->SetDatabaseType(DatabaseType);
  ParseStatements();
}

bool TTransactSQLParser::PassEmptyStatement() {
  if (Sy != syTerm && Sy != sySemicolon) return false;
  GetSy();
  return true;
}

void TTransactSQLParser::BeginStatement() {
  FStatType = stStatement;
  FStatObjName.clear();
  FStatDbObject = dboUnknown;
  FStatDbOperation = odbUnknown;
}

bool TTransactSQLParser::PassFailedStatement() {
  // One error per bad statement: the rest of it up to its terminator is passed over.
  SkipToEnd();
  return false;
}

void TTransactSQLParser::EndStatement(std::int32_t Start) {
  if (SyPos == Start && Sy != syEOF) GetSy();  // every statement reads at least one symbol
  DoAddStatement(FStatType, FStatObjName, FStatDbObject, FStatDbOperation, "", LastStatement);
  TestAndGetSy(syTerm);
}

namespace {

/// Statements read over: they make no schema object.
/// (ENABLE and DISABLE TRIGGER are passed over as ALTER TABLE ... ENABLE TRIGGER is.)
constexpr std::array<std::string_view, 19> kPassedOver{
    "CHECKPOINT", "DBCC",   "DELETE",  "DENY",     "DISABLE",   "DUMP",        "ENABLE",
    "GRANT",      "INSERT", "LOAD",    "PRINT",    "RAISERROR", "RECONFIGURE", "RETURN",
    "REVOKE",     "SELECT", "SETUSER", "TRUNCATE", "UPDATE"};

/// Reserved words that start a statement and stand nowhere else at the outer level of one
/// that is read over (but for its own first word): such a word ends the statement before it.
constexpr std::array<std::string_view, 25> kStatementStarts{
    "ALTER",     "BEGIN",       "CHECKPOINT", "COMMIT",   "CREATE", "DBCC",   "DECLARE",
    "DELETE",    "DENY",        "DROP",       "GRANT",    "IF",     "INSERT", "PRINT",
    "RAISERROR", "RECONFIGURE", "REVOKE",     "ROLLBACK", "SAVE",   "SET",    "SETUSER",
    "TRUNCATE",  "UPDATE",      "USE",        "WHILE"};

/// Reserved words that may follow a transaction statement and so are no transaction's name.
constexpr std::array<std::string_view, 9> kNoTransactionName{
    "ELSE", "END", "EXEC", "EXECUTE", "MERGE", "RETURN", "SELECT", "WITH", "WORK"};

/// Statements whose end only the batch end shows: blocks and procedural code.
constexpr std::array<std::string_view, 3> kBatchLong{"BEGIN", "DECLARE", "WHILE"};

bool OneOf(std::string_view Word, const auto& List) {
  return std::any_of(List.begin(), List.end(), [Word](std::string_view W) {
    return SameText(std::string(W), std::string(Word));
  });
}

}  // namespace

void TTransactSQLParser::ParseStatement() {
  if (Sy != syIdent || FQuoted) {
    ErrMsg("Missing/Unknown: DDL-statement " + ResWordBySymbol(Sy));
    GetSy();
    return;
  }
  if (IsWord("CREATE")) {
    ParseCreate();
  } else if (IsWord("ALTER")) {
    ParseAlter();
  } else if (IsWord("DROP")) {
    ParseDrop();
  } else if (IsWord("EXEC") || IsWord("EXECUTE")) {
    ParseExec();
  } else if (IsWord("SET")) {
    ParseSet();
  } else if (IsWord("IF")) {
    ParseIf();
  } else if (IsWord("USE")) {
    GetSy();
    FStatDbObject = dboDatabase;
    FStatType = stConnect;
    FStatObjName = NamePart();
    // The script's database is the one it makes its objects in: a USE after them (an install
    // script's closing "USE master") does not move them.
    if (!Objs || Objs->NoObjects()) ConnectionOptions.SetDatabaseName(FStatObjName);
  } else if (IsWord("BEGIN") && Sy == syIdent) {
    GetSy();
    if (IsWord("TRAN") || IsWord("TRANSACTION") || IsWord("DISTRIBUTED")) {
      ParseTransaction();
      return;
    }
    PassCode(SyPos);
  } else if (IsWord("COMMIT") || IsWord("ROLLBACK") || IsWord("SAVE")) {
    if (IsWord("COMMIT")) FStatType = st_Commit;
    GetSy();
    ParseTransaction();
  } else if (OneOf(Ident, kBatchLong)) {
    PassCode(SyPos);
  } else if (OneOf(Ident, kPassedOver)) {
    if (IsWord("INSERT")) FStatType = stInsert;
    if (IsWord("UPDATE")) FStatType = stUpdate;
    if (IsWord("DELETE")) FStatType = stDelete;
    if (IsWord("SELECT")) FStatType = stSelect;
    SkipToNextStatement();
  } else if (!FQuoted && LowerCase(Ident).rfind("sp_", 0) == 0) {
    ParseExec(false);
  } else {
    ErrMsg("Missing/Unknown: DDL-statement " + Ident);
    GetSy();
  }
}

void TTransactSQLParser::ParseTransaction() {
  if (IsWord("DISTRIBUTED")) GetSy();
  if (IsWord("TRAN") || IsWord("TRANSACTION") || IsWord("WORK")) GetSy();
  // The transaction's or savepoint's name (or @variable): a reserved word after the statement
  // starts the next one ("COMMIT TRANSACTION CREATE TABLE ...").
  if (Sy == syIdent &&
      (FQuoted || (!OneOf(Ident, kStatementStarts) && !OneOf(Ident, kNoTransactionName))))
    GetSy();
  if (!IsWord("WITH")) return;
  GetSy();  // WITH MARK ['description'], WITH (DELAYED_DURABILITY = ON)
  if (IsWord("MARK")) {
    GetSy();
    if (Sy == syString) GetSy();
    return;
  }
  for (int Depth = 0; Sy != syEOF && Sy != syTerm && Sy != sySemicolon;) {
    Depth += Sy == syLParen ? 1 : Sy == syRParen ? -1 : 0;
    GetSy();
    if (Depth <= 0) break;
  }
}

void TTransactSQLParser::SkipToNextStatement() {
  // A grant's privileges (CREATE TABLE, ALTER) stand before its TO or FROM; an UPDATE's first
  // SET is its own.
  bool Armed = !IsWord("GRANT") && !IsWord("REVOKE") && !IsWord("DENY");
  int OwnSets = IsWord("UPDATE") ? 1 : 0;
  bool AfterWith = false;  // WITH GRANT OPTION
  int Depth = 0;
  GetSy();
  while (Sy != syEOF && Sy != syTerm && Sy != sySemicolon) {
    if (Sy == syLParen || Sy == syRParen) {
      Depth += Sy == syLParen ? 1 : -1;
    } else if (Depth <= 0 && Sy == syIdent && !FQuoted) {
      if (!Armed) {
        Armed = IsWord("TO") || IsWord("FROM");
      } else if (IsWord("SET") && OwnSets > 0) {
        --OwnSets;
      } else if (!AfterWith && OneOf(Ident, kStatementStarts)) {
        return;
      }
    }
    AfterWith = IsWord("WITH");
    GetSy();
  }
}

void TTransactSQLParser::ParseIf() {
  // IF condition statement [ELSE statement]: the condition is read over, the statements count.
  GetSy();
  int Depth = 0;
  while (Sy != syEOF && Sy != syTerm) {
    if (Sy == syLParen) ++Depth;
    if (Sy == syRParen) --Depth;
    if (Depth == 0 && Sy == syIdent && !FQuoted &&
        (IsWord("CREATE") || IsWord("ALTER") || IsWord("DROP") || IsWord("EXEC") ||
         IsWord("EXECUTE") || IsWord("BEGIN") || IsWord("SET") || IsWord("PRINT") ||
         IsWord("RAISERROR") || IsWord("RETURN") || IsWord("INSERT") || IsWord("UPDATE") ||
         IsWord("DELETE")) &&
        SyPos != StmtStart)
      break;
    GetSy();
  }
  if (Sy == syEOF || Sy == syTerm) {
    ErrMsg("Missing: statement after IF");
    return;
  }
  ParseStatement();
  if (Sy == sySemicolon) GetSy();
  if (IsWord("ELSE")) {
    GetSy();
    ParseStatement();
  }
}

void TTransactSQLParser::ParseSet() {
  FStatType = stSet;
  GetSy();
  if (Sy != syIdent || Ident.front() == '@') {
    SkipToEnd();  // SET @variable = value
    return;
  }
  std::vector<std::string> Options{UpperCase(Ident)};
  GetSy();
  while (Sy == syComma) {
    GetSy();
    if (Sy == syIdent) Options.push_back(UpperCase(Ident));
    GetSy();
  }
  if (!IsWord("ON") && !IsWord("OFF")) {
    // SET option value, SET IDENTITY_INSERT table ON
    if (Sy == syIdent || Sy == syInteger || Sy == syString || Sy == syFloat) {
      GetSy();
      while (Sy == syDot) {
        GetSy();
        GetSy();
      }
    }
    if (!IsWord("ON") && !IsWord("OFF")) return;
  }
  const bool On = IsWord("ON");
  GetSy();
  // SQL Server keeps both settings with the views, routines, triggers and checks made under them.
  for (const std::string& O : Options) {
    if (O == "QUOTED_IDENTIFIER") FQuotedIdentifier = On;
    if (O == "ANSI_NULLS") FAnsiNulls = On;
  }
}

std::vector<std::pair<std::string, std::string>> TTransactSQLParser::ExecArgs() {
  std::vector<std::pair<std::string, std::string>> Args;
  auto Value = [this]() -> std::string {
    std::string R;
    if (Sy == syString) {
      R = StrValue;
      GetSy();
    } else if (Sy == syMinus || Sy == syPlus) {
      const std::int32_t Start = SyPos;
      GetSy();
      GetSy();
      R = CopyTxtFrom(Start);
    } else if (Sy == syIdent || Sy == syInteger || Sy == syFloat) {
      const std::int32_t Start = SyPos;
      // A name alone is passed as its text: [SalesLT] as N'SalesLT'.
      const std::string Name = Sy == syIdent && Ident.front() != '@' ? Ident : std::string();
      GetSy();
      const bool Dotted = Sy == syDot;
      while (Sy == syDot) {
        GetSy();
        GetSy();
      }
      R = Name.empty() || Dotted ? CopyTxtFrom(Start) : Name;
      if (IsWord("OUTPUT") || IsWord("OUT")) GetSy();
    } else {
      ErrMsg("Missing: <argument> (" + ResWordBySymbol(Sy) + ")");
    }
    return R;
  };
  for (;;) {
    if (Sy == syTerm || Sy == sySemicolon || Sy == syEOF) break;
    std::string Name;
    if (Sy == syIdent && !FQuoted && Ident.front() == '@') {
      const std::string At = Ident;
      GetSy();
      if (Sy == syEqual) {
        Name = At;
        GetSy();
        Args.emplace_back(Name, Value());
      } else {
        Args.emplace_back("", At);
      }
    } else {
      Args.emplace_back("", Value());
    }
    if (Sy != syComma) break;
    GetSy();
  }
  return Args;
}

void TTransactSQLParser::ParseExec(bool Keyword) {
  if (Keyword) GetSy();
  if (Sy == syIdent && Ident.front() == '@' && !FQuoted) {
    GetSy();  // EXEC @status = procedure
    if (Sy != syEqual) {
      SkipToEnd();
      return;
    }
    GetSy();
  }
  if (Sy == syLParen) {  // EXEC ('dynamic text')
    GetExpr();
    return;
  }
  const std::int32_t NameStart = SyPos;
  const std::string Proc = LowerCase(QualifiedName().Name);
  const std::string Called = LowerCase(CopyTxtFrom(NameStart));
  const auto Args = ExecArgs();
  if (Proc == "sp_addextendedproperty" || Proc == "sp_updateextendedproperty" ||
      Proc == "sp_dropextendedproperty") {
    if (Proc == "sp_dropextendedproperty") {
      auto Cleared = Args;
      Cleared.insert(Cleared.begin() + std::min<std::size_t>(1, Cleared.size()), {"", ""});
      for (auto& [Name, Val] : Cleared)
        if (SameText(Name, "@value")) Val.clear();
      ExecDescription(Cleared);
    } else {
      ExecDescription(Args);
    }
    // The writer names dbo.sp_addextendedproperty for databases of level 90 and before.
    TMSSQLDatabaseOptions* Db =
        Objs ? &Objs->MSSQLServerOptions.GetMSSQLDatabaseOptions() : nullptr;
    if (Db && Called == "dbo.sp_addextendedproperty" && Db->CompatibilityLevel == 0)
      Db->CompatibilityLevel = 90;
  } else if (Proc == "sp_rename") {
    // The model would keep the old name, and a comparison would drop the renamed object with
    // its rows and make the old one anew.
    ErrMsg("sp_rename is not read: write the object under its new name instead.");
  } else if (Proc == "sp_addtype") {
    ExecAddType(Args);
  } else if (Proc == "sp_droptype") {
    if (Objs && !Args.empty()) RemoveObj(Objs->Domains, Fold(Args[0].second));
    FStatDbObject = dboDomain;
    FStatDbOperation = odbDrop;
  } else if (Proc == "sp_dboption" && Args.size() >= 3 && Objs) {
    // ASE database options, as the script header switches them on.
    TASEDBOptions& Set = Objs->ASEServerOptions.GetASEDatabaseOptions().DBOptions;
    const bool On = SameText(Args[2].second, "true");
    for (std::size_t I = 0; I < ASEDBOptionCount; ++I) {
      const auto Option = static_cast<TASEDBOption>(I);
      if (!SameText(TASEDatabaseOptions::DBOptionStr(Option), Args[1].second)) continue;
      if (On)
        Set.Include(Option);
      else
        Set.Exclude(Option);
    }
  }
  // Other system procedures (bindings, logins, users, roles) make no object of the schema.
}

void TTransactSQLParser::ExecDescription(
    const std::vector<std::pair<std::string, std::string>>& Args) {
  FStatType = stDescription;
  static const char* const Order[] = {"@name",       "@value",      "@level0type", "@level0name",
                                      "@level1type", "@level1name", "@level2type", "@level2name"};
  std::string V[8];
  for (std::size_t I = 0; I < Args.size(); ++I) {
    if (Args[I].first.empty()) {
      if (I < 8) V[I] = Args[I].second;
      continue;
    }
    for (std::size_t J = 0; J < 8; ++J)
      if (SameText(Args[I].first, Order[J])) V[J] = Args[I].second;
  }
  if (!SameText(V[0], "MS_Description") || !Objs) return;
  // Descriptions are kept from SQL Server 2005 on, where the writer writes them again.
  Objs->MSSQLServerOptions.SQLServerVersion = st_MSSQL2005;
  const std::string T0 = UpperCase(V[2]), T1 = UpperCase(V[4]), T2 = UpperCase(V[6]);
  const std::string Schema = Fold(V[3]);
  auto Key = [&](const std::string& Name) { return Schema + "." + Fold(Name); };
  TDbObj* Target = nullptr;
  TObjVector<TFldData>* Items = nullptr;
  if (T0 == "SCHEMA" && T1.empty()) {
    Target = Objs->Schemas.FindObj(Fold(V[3]));
  } else if (T0 == "TRIGGER") {
    Target = Objs->Triggers.FindObj(Fold(V[3]));
    if (!Target) Target = Objs->Triggers.FindObj("DBO." + Fold(V[3]));
  } else if (T1 == "TABLE") {
    auto* Tbl = dynamic_cast<TTblData*>(Objs->Tables.FindObj(Key(V[5])));
    Target = Tbl;
    if (Tbl) Items = &Tbl->Fields;
    if (T2 == "TRIGGER") Target = Objs->Triggers.FindObj(Key(V[7]));
    if (T2 == "INDEX") Target = Objs->Indexes.FindObj(Key(V[7]) + " ON " + Fold(V[5]));
  } else if (T1 == "VIEW") {
    auto* Viw = dynamic_cast<TViwData*>(Objs->Views.FindObj(Key(V[5])));
    Target = Viw;
    if (Viw) Items = &Viw->Fields;
    if (T2 == "INDEX") Target = Objs->Indexes.FindObj(Key(V[7]) + " ON " + Fold(V[5]));
  } else if (T1 == "PROCEDURE" || T1 == "FUNCTION") {
    auto* Prc = dynamic_cast<TPrcData*>(Objs->Procedures.FindObj(Key(V[5])));
    Target = Prc;
    if (Prc) Items = &Prc->Params;
  } else if (T1 == "TYPE" || T1 == "XML SCHEMA COLLECTION") {
    Target = Objs->Domains.FindObj(Key(V[5]));
  }
  if ((T2 == "COLUMN" || T2 == "PARAMETER") && Items) {
    Target = Items->Find(Fold(V[7]));
  } else if (T2 == "COLUMN" || T2 == "PARAMETER") {
    Target = nullptr;
  }
  if (!Target) {
    ErrMsg("Object of the description not found: " + V[3] + "." + V[5] +
           (V[7].empty() ? "" : "." + V[7]));
    return;
  }
  Target->SetExtra(&TObjExtra::Description, V[1]);
}

void TTransactSQLParser::ExecAddType(const std::vector<std::pair<std::string, std::string>>& Args) {
  FStatDbObject = dboDomain;
  FStatDbOperation = odbCreate;
  if (Args.size() < 2) {
    ErrMsg("Missing: type name and base type of sp_addtype");
    return;
  }
  auto Dmn = std::make_unique<TDmnData>(Objs);
  Dmn->SetObjName(Args[0].second);
  FStatObjName = Dmn->GetObjName();
  Dmn->BaseTypeName = Args[1].second;
  Dmn->TypeField = std::make_unique<TFldData>(Objs);
  Dmn->TypeField->OwnerObj = Dmn.get();
  if (const TDBFieldType T = FieldTypeByName(Dmn->BaseTypeName); T != iftUnknown)
    Dmn->TypeField->FieldType = T;
  Dmn->TypeField->Nullable = Args.size() < 3 || !SameText(Trim(Args[2].second), "NOT NULL");
  AddObj(std::move(Dmn));
}

// ---------------------------------------------------------------------------------------------
// Re-reading catalog texts

void TTransactSQLParser::ParseObjText(TDbObj* Obj) {
  if (!Obj || Obj->Extra().FullText.empty()) return;
  ParseObj = Obj;
  AssignTxt(Obj->Extra().FullText);
  GetSy();
  StmtStart = SyPos;
  if (!IsWord("CREATE") && !IsWord("ALTER")) ErrMsg("Must be: CREATE");
  GetSy();
  if (auto* Prc = dynamic_cast<TPrcData*>(Obj)) {
    const bool IsFunction = IsWord("FUNCTION");
    if (!IsFunction && !IsWord("PROCEDURE") && !IsWord("PROC"))
      ErrMsg("Must be: PROCEDURE / FUNCTION");
    GetSy();
    ParseRoutine(Prc, IsFunction, false);
  } else if (auto* Trg = dynamic_cast<TTrgData*>(Obj)) {
    if (!IsWord("TRIGGER")) ErrMsg("Must be: TRIGGER");
    GetSy();
    ParseTrigger(Trg, false);
  } else if (auto* View = dynamic_cast<TViwData*>(Obj)) {
    if (!IsWord("VIEW")) ErrMsg("Must be: VIEW");
    GetSy();
    ParseView(View, false);
  }
  ClearTxt();
  ParseObj = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Errors

void TTransactSQLParser::ErrMsg(const std::string& Text) {
  ++FErrCount;
  const std::string Prefix = ParseObj ? ParseObj->GetObjName() + ": " : std::string();
  // Shown where the symbol the reader stopped at begins: after it the reader may already stand
  // on the next line.
  const std::int32_t SavedLine = Line;
  const std::int32_t SavedColumn = Column;
  Line = FSyLine;
  Column = FSyColumn;
  TCustomSQLParser::ErrMsg(Prefix + Text);
  Line = SavedLine;
  Column = SavedColumn;
}

namespace {

/// The names a text mentions: words and bracketed or quoted names, each once, comments and
/// literals left out.
std::vector<std::string> NamesIn(const std::string& Text) {
  std::vector<std::string> R;
  auto Add = [&R](std::string N) {
    if (!N.empty() && std::find(R.begin(), R.end(), N) == R.end()) R.push_back(std::move(N));
  };
  const std::size_t L = Text.size();
  for (std::size_t I = 0; I < L;) {
    const char C = Text[I];
    if (C == '-' && I + 1 < L && Text[I + 1] == '-') {
      while (I < L && Text[I] != '\n') ++I;
    } else if (C == '/' && I + 1 < L && Text[I + 1] == '*') {
      const std::size_t E = Text.find("*/", I + 2);
      I = E == std::string::npos ? L : E + 2;
    } else if (C == '\'') {
      for (++I; I < L; ++I)
        if (Text[I] == '\'' && !(I + 1 < L && Text[I + 1] == '\''))
          break;
        else if (Text[I] == '\'')
          ++I;
      ++I;
    } else if (C == '[' || C == '"') {
      const char Close = C == '[' ? ']' : '"';
      const std::size_t E = Text.find(Close, I + 1);
      if (E == std::string::npos) break;
      Add(Text.substr(I + 1, E - I - 1));
      I = E + 1;
    } else if (IsNameStart(C)) {
      // A name with its owner, owner.name, counts as one.
      auto Part = [&](std::size_t From) {
        std::size_t E = From + 1;
        while (E < L &&
               (IsNameStart(Text[E]) || (Text[E] >= '0' && Text[E] <= '9') || Text[E] == '$'))
          ++E;
        return E;
      };
      std::size_t E = Part(I);
      if (E + 1 < L && Text[E] == '.' && IsNameStart(Text[E + 1])) E = Part(E + 1);
      if (C != '@') Add(Text.substr(I, E - I));
      I = E;
    } else {
      ++I;
    }
  }
  return R;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Dependencies

void TTransactSQLParser::Link_Depend() {
  if (auto* O = dynamic_cast<TObjs*>(Objs)) {
    // Tables 0, views 1, procedures 5: what a view, routine or trigger text names.
    const TSymSet Kinds{0, 1, 5};
    auto LinkText = [&](TDbObj* Obj, const std::string& Text) {
      for (const std::string& Name : NamesIn(Text)) {
        // A name without its owner is one of the default schema's.
        const bool Bare = Name.find('.') == std::string::npos;
        LinkDepend(Obj, (IsMSSQL() && Bare ? "DBO." : "") + Fold(Name), Kinds);
      }
    };
    for (TDbObjList* List : {&O->Views, &O->Procedures, &O->Triggers})
      for (int I = 0; I < List->Count(); ++I)
        if (TDbObj* Obj = List->Objects(I)) LinkText(Obj, Obj->Extra().Body);
    for (int I = 0; I < O->Triggers.Count(); ++I)
      if (auto* Trg = dynamic_cast<TTrgData*>(O->Triggers.Objects(I)); Trg && Trg->OwnerObj)
        LinkDepend(Trg, Trg->OwnerObj, "");
    // Computed columns and checks call functions; defaults may too.
    for (int I = 0; I < O->Tables.Count(); ++I)
      if (auto* Tbl = dynamic_cast<TTblData*>(O->Tables.Objects(I)))
        for (const auto& F : Tbl->Fields)
          if (F->Computed()) LinkText(F.get(), F->Extra().Body);
  }
  TCustomSQLParser::Link_Depend();
}

// ---------------------------------------------------------------------------------------------
// CREATE, ALTER, DROP

void TTransactSQLParser::ParseCreate() {
  FStatDbOperation = odbCreate;
  GetSy();
  if (IsWord("OR")) {  // CREATE OR ALTER
    GetSy();
    if (!IsWord("ALTER")) ErrMsg("Must be: ALTER");
    GetSy();
  }
  bool Unique = false, Clustered = false, Index = false;
  while (IsWord("UNIQUE") || IsWord("CLUSTERED") || IsWord("NONCLUSTERED")) {
    if (IsWord("UNIQUE")) Unique = true;
    if (IsWord("CLUSTERED")) Clustered = true;
    Index = true;
    GetSy();
  }
  if (Index || IsWord("INDEX")) {
    FStatDbObject = dboIndex;
    ParseIndex(Unique, Clustered);
  } else if (IsWord("TABLE")) {
    FStatDbObject = dboTable;
    GetSy();
    ParseTable();
  } else if (AtModule()) {
    ParseModule(false);
  } else if (IsWord("DEFAULT") || IsWord("RULE")) {
    const bool Rule = IsWord("RULE");
    FStatDbObject = Rule ? dboRule : dboDefault;
    GetSy();
    ParseBoundObject(Rule);
  } else if (IsWord("TYPE") && IsMSSQL()) {
    FStatDbObject = dboDomain;
    GetSy();
    ParseType();
  } else if (IsWord("SCHEMA") && IsMSSQL()) {
    FStatDbObject = dboSchema;
    GetSy();
    ParseSchema();
  } else if (IsWord("DATABASE")) {
    FStatType = stCreateDb;
    SkipToEnd();
  } else if (IsWord("LOGIN") || IsWord("USER") || IsWord("ROLE") || IsWord("STATISTICS") ||
             IsWord("SYNONYM")) {
    SkipToEnd();  // server and security objects are not compared
  } else {
    ErrMsg("Unknown CREATE-statement");
    GetSy();
  }
}

void TTransactSQLParser::ParseAlter() {
  FStatDbOperation = odbAlter;
  GetSy();
  if (IsWord("TABLE")) {
    ParseAlterTable();
  } else if (AtModule()) {
    ParseModule(true);
  } else if (IsWord("DATABASE")) {
    FStatDbObject = dboDatabase;
    GetSy();
    FStatObjName = NamePart();
    if (IsWord("SET")) {
      GetSy();
      const bool Recursive = IsWord("RECURSIVE_TRIGGERS");
      GetSy();
      if (Recursive && Objs && (IsWord("ON") || IsWord("OFF")))
        Objs->MSSQLServerOptions.GetMSSQLDatabaseOptions().RecursiveTriggers = IsWord("ON");
    }
    SkipToEnd();
  } else if (IsWord("INDEX") || IsWord("SCHEMA") || IsWord("AUTHORIZATION") || IsWord("LOGIN") ||
             IsWord("USER") || IsWord("ROLE")) {
    SkipToEnd();
  } else {
    ErrMsg("Unknown ALTER-statement");
    GetSy();
  }
}

bool TTransactSQLParser::AtModule() const {
  return IsWord("VIEW") || IsWord("PROCEDURE") || IsWord("PROC") || IsWord("FUNCTION") ||
         IsWord("TRIGGER");
}

void TTransactSQLParser::ParseModule(bool Alter) {
  if (IsWord("VIEW")) {
    FStatDbObject = dboView;
    GetSy();
    ParseView(nullptr, Alter);
  } else if (IsWord("TRIGGER")) {
    FStatDbObject = dboTrigger;
    FStatType = stTrigger;
    GetSy();
    ParseTrigger(nullptr, Alter);
  } else {
    const bool IsFunction = IsWord("FUNCTION");
    FStatDbObject = IsFunction ? dboFunction : dboProcedure;
    FStatType = stProcedure;
    GetSy();
    ParseRoutine(nullptr, IsFunction, Alter);
  }
}

void TTransactSQLParser::ParseDrop() {
  FStatDbOperation = odbDrop;
  GetSy();
  const std::string Kind = UpperCase(Sy == syIdent && !FQuoted ? Ident : std::string());
  static const char* const Known[] = {"TABLE",    "VIEW",    "PROCEDURE", "PROC",
                                      "FUNCTION", "TRIGGER", "INDEX",     "DEFAULT",
                                      "RULE",     "TYPE",    "SCHEMA"};
  if (!std::any_of(std::begin(Known), std::end(Known),
                   [&Kind](const char* K) { return Kind == K; })) {
    if (IsWord("DATABASE") || IsWord("LOGIN") || IsWord("USER") || IsWord("ROLE") ||
        IsWord("STATISTICS") || IsWord("SYNONYM")) {
      SkipToEnd();
      return;
    }
    ErrMsg("Unknown DROP statement: " + (Kind.empty() ? ResWordBySymbol(Sy) : Ident));
    GetSy();
    return;
  }
  GetSy();
  if (IsWord("IF")) {  // DROP ... IF EXISTS
    GetSy();
    if (IsWord("EXISTS")) GetSy();
  }
  auto* O = dynamic_cast<TObjs*>(Objs);
  for (;;) {
    int Parts = 0;
    TName N = QualifiedName(&Parts);
    const std::string Schema = IsMSSQL() ? Fold(N.Owner) : std::string();
    std::string Key = Schema.empty() ? Fold(N.Name) : Schema + "." + Fold(N.Name);
    FStatObjName = N.Name;
    if (Kind == "INDEX") {
      // table.index, owner.table.index or index ON table
      std::string Table = N.Owner, IdxSchema = N.Part3.empty() ? "dbo" : N.Part3;
      if (IsWord("ON")) {
        GetSy();
        const TName T = QualifiedName();
        Table = T.Name;
        IdxSchema = T.Owner;
      } else if (Parts < 2) {
        ErrMsg("Must be: table.index");
      }
      if (!IsMSSQL()) IdxSchema.clear();
      Key = (IdxSchema.empty() ? "" : Fold(IdxSchema) + ".") + Fold(N.Name) + " ON " + Fold(Table);
    }
    if (O) {
      // The drop takes its effect, so that an update script read after its target leads to
      // the schema it was written for.
      if (Kind == "TABLE") {
        FStatDbObject = dboTable;
        RemoveTable(Key);
      } else if (Kind == "VIEW") {
        FStatDbObject = dboView;
        RemoveObj(O->Views, Key);
      } else if (Kind == "PROCEDURE" || Kind == "PROC" || Kind == "FUNCTION") {
        FStatDbObject = Kind == "FUNCTION" ? dboFunction : dboProcedure;
        RemoveObj(O->Procedures, Key);
      } else if (Kind == "TRIGGER") {
        FStatDbObject = dboTrigger;
        RemoveObj(O->Triggers, Key);
      } else if (Kind == "INDEX") {
        FStatDbObject = dboIndex;
        RemoveObj(O->Indexes, Key);
      } else if (Kind == "DEFAULT") {
        FStatDbObject = dboDefault;
        if (!RemoveObj(O->Defaults, Key)) RemoveObj(O->Defaults, Fold(N.Name));
      } else if (Kind == "RULE") {
        FStatDbObject = dboRule;
        if (!RemoveObj(O->Rules, Key)) RemoveObj(O->Rules, Fold(N.Name));
      } else if (Kind == "TYPE") {
        FStatDbObject = dboDomain;
        if (!RemoveObj(O->Domains, Key)) RemoveObj(O->Domains, Fold(N.Name));
      } else if (Kind == "SCHEMA") {
        FStatDbObject = dboSchema;
        RemoveObj(O->Schemas, Fold(N.Name));
      }
    }
    if (Sy != syComma) break;
    GetSy();
  }
}

}  // namespace qel
