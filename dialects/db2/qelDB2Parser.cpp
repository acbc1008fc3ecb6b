// The DB2 script parser: the scanner (double-quoted names), the statement
// loop with the session, connection, grant and tablespace statements, DROP, the re-read of
// catalog texts and error reporting. Tables are read in qelDB2Parser_Tbl.cpp, views and
// triggers in qelDB2Parser_Prc.cpp.
#include "qelDB2Parser.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelComp_Prc.h"
#include "qelResWords.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// Construction

TDB2Parser::TDB2Parser(TCustomObjs* AObjs) : TCustomSQLParser(AObjs) {
  // Bare DB2 names may hold "#", "$" and "@" after their first letter.
  IdentChars.Include(static_cast<unsigned char>('#'));
  IdentChars.Include(static_cast<unsigned char>('@'));
  IdentChars.Include(static_cast<unsigned char>('$'));
  InitDialect(dbDB2, ";");
}

TDB2Parser::~TDB2Parser() = default;

void TDB2Parser::BuildResWords() {
  TCustomSQLParser::BuildResWords();
  ResWords.AddResWords(DB2ResWords);
}

std::string TDB2Parser::QuoteIdent(const std::string& Name) {
  return DB2QuoteIdent(Name);
}

// ---------------------------------------------------------------------------------------------
// Scanner

void TDB2Parser::DoAfterGetSy() {
  TCustomSQLParser::DoAfterGetSy();
  FQuoted = false;
  if (Sy == syString && QuoteChar == '"') {
    // A double-quoted name keeps its case and its blanks.
    Sy = syIdent;
    Ident = StrValue;
    FQuoted = true;
  }
}

bool TDB2Parser::IsWord(const char* Word) const {
  if (FQuoted || (Sy != syIdent && Sy < syFirstResWord)) return false;
  return UpperCase(Ident) == Word;
}

std::string TDB2Parser::CurrentSchema() const {
  return Objs ? Objs->CurrentSchema : std::string();
}

std::string TDB2Parser::CurrentPath() const {
  return Objs ? Objs->CurrentPath : std::string();
}

std::string TDB2Parser::SchemaOf(const std::string& Written) const {
  return Written.empty() ? CurrentSchema() : Written;
}

void TDB2Parser::Obj_Ident(TDbObject Kind) {
  TDottedName N = ReadDottedName(kNameRules, Kind == dboField);
  IdentOwner = std::move(N.Owner);
  IdentName = std::move(N.Name);
  IdentPart3 = std::move(N.Part3);
}

void TDB2Parser::Report(TStatType Typ, const std::string& ObjName, TDbObject ObjType,
                        TDbOperation Op, const std::string& OwnName) {
  FReport = true;
  FRepTyp = Typ;
  FRepName = ObjName;
  FRepKind = ObjType;
  FRepOp = Op;
  FRepOwn = OwnName;
}

std::string TDB2Parser::RestOfStatement(std::int32_t Start) {
  SkipToTermTellingStatements();
  return CrLfLineBreaks(CopyTxtFrom(Start));
}

// ---------------------------------------------------------------------------------------------
// Statement loop

void TDB2Parser::ParseText() {
  if (Objs) {
    if (Objs->GetDatabaseType() != dbDB2) Objs->SetDatabaseType(dbDB2);
    Objs->CurrentSchema.clear();
    Objs->CurrentPath.clear();
  }
  // One error per bad statement: the rest of it up to its terminator is passed over.
  ParseStatements();
}

void TDB2Parser::BeginStatement() {
  FReport = false;
}

void TDB2Parser::EndStatement(std::int32_t Start) {
  (void)Start;
  if (FReport) {
    TObject* Statement = nullptr;
    ReportStatement(FRepTyp, FRepName, FRepKind, FRepOp, FRepOwn, Statement);
  }
  ReadTerminator(true);
}

void TDB2Parser::ParseStatement() {
  switch (Sy) {
    case db2CREATE:
      ParseCreate();
      return;
    case db2ALTER:
      ParseAlter();
      return;
    case db2GRANT:
      ParseGrant();
      return;
    case db2CONNECT:
      ParseConnect();
      return;
    case db2SET:
      ParseSet();
      return;
    case db2INSERT:
      SkipToTermTellingStatements();
      Report(stInsert, "", dboTable, odbInsert);
      return;
    case db2COMMIT:
      GetSy();
      if (IsWord("WORK")) GetSy();
      Report(st_Commit, "COMMIT WORK", dboUnknown, odbCommit);
      return;
    case syTerm:
      return;  // an empty statement
    default:
      break;
  }
  if (IsWord("TERMINATE")) {
    GetSy();  // a command of the command-line processor: nothing for a server
    return;
  }
  if (IsWord("DROP")) {
    ParseDrop();
    return;
  }
  if (Sy == syIdent)
    ErrMsg("Unknown statement: " + Ident);
  else
    ErrMsg("Unknown statement: " + ResWordBySymbol(Sy));
  GetSy();
}

void TDB2Parser::ParseCreate() {
  GetSy();
  switch (Sy) {
    case db2TABLE:
      ParseCreateTable();
      return;
    case db2UNIQUE:
    case db2INDEX:
      ParseCreateIndex();
      return;
    case db2VIEW:
      ParseCreateView(nullptr);
      return;
    case db2TRIGGER:
      ParseCreateTrigger(nullptr);
      return;
    case db2TABLESPACE:
    case db2SYSTEM:
    case db2USER:
      ParseTablespace();
      return;
    case db2SCHEMA: {
      GetSy();
      std::string Name;
      if (Sy == syIdent) {
        Name = Ident;
        GetSy();
      }
      if (Sy == db2AUTHORIZATION) {
        GetSy();
        TestAndGetSy(syIdent);
      }
      Report(stStatement, Name, dboSchema, odbCreate);
      return;
    }
    case db2ALIAS:
      GetSy();
      Obj_Ident(dboUnknown);
      TestAndGetSy(db2FOR);
      Obj_Ident(dboUnknown);
      Report(stStatement, "", dboUnknown, odbCreate);
      return;
    default:
      break;
  }
  if (IsWord("REGULAR") || IsWord("LARGE")) {
    ParseTablespace();
    return;
  }
  ErrMsg("Unknown CREATE-statement");
  GetSy();
}

void TDB2Parser::ParseAlter() {
  GetSy();
  if (Sy == db2TABLE) {
    ParseAlterTable();
    return;
  }
  if (Sy == db2TABLESPACE) {
    GetSy();
    const std::string Name = Sy == syIdent ? Ident : std::string();
    TestAndGetSy(syIdent);
    ParseTablespaceParams();
    Report(stStatement, Name, dboUnknown, odbAlter);
    return;
  }
  ErrMsg("Unknown ALTER-statement");
  GetSy();
}

// [REGULAR | LARGE | SYSTEM TEMPORARY | USER TEMPORARY] TABLESPACE name [IN [DATABASE PARTITION
// GROUP] group [PAGESIZE n [K]]] [MANAGED BY ...] [USING (...)] parameters.
void TDB2Parser::ParseTablespace() {
  if (Sy == db2SYSTEM || Sy == db2USER) {
    GetSy();
    TestIdent("TEMPORARY");
    GetSy();
  } else if (Sy != db2TABLESPACE) {
    GetSy();  // REGULAR or LARGE
  }
  TestAndGetSy(db2TABLESPACE);
  const std::string Name = Sy == syIdent ? Ident : std::string();
  TestAndGetSy(syIdent);
  if (Sy == db2IN) {
    GetSy();
    if (Sy == db2DATABASE) {
      GetSy();
      TestAndGetSy(db2PARTITION);
      TestAndGetSy(db2GROUP);
    }
    TestAndGetSy(syIdent);
    if (IsWord("PAGESIZE")) {
      GetSy();
      TestAndGetSy(syInteger);
      if (IsWord("K")) GetSy();
    }
  }
  if (IsWord("PAGESIZE")) {
    GetSy();
    TestAndGetSy(syInteger);
    if (IsWord("K")) GetSy();
  }
  if (IsWord("MANAGED")) {
    GetSy();
    TestAndGetSy(db2BY);
    if (IsWord("AUTOMATIC")) {
      GetSy();
      TestIdent("STORAGE");
      GetSy();
    } else if (Sy == db2SYSTEM || Sy == db2DATABASE) {
      GetSy();
    } else {
      TestIdent("SYSTEM");
      GetSy();
    }
  }
  if (Sy == db2USING) {
    GetExpr();  // the container list, as written
  }
  ParseTablespaceParams();
  Report(stStatement, Name, dboUnknown, odbCreate);
}

void TDB2Parser::ParseTablespaceParams() {
  auto SizeUnit = [this] {
    if (IsWord("K") || IsWord("M") || IsWord("G")) GetSy();
  };
  for (;;) {
    if (IsWord("EXTENTSIZE") || IsWord("PREFETCHSIZE")) {
      GetSy();
      GetSy();  // a number or AUTOMATIC
      SizeUnit();
    } else if (Sy == db2BUFFERPOOL) {
      GetSy();
      TestAndGetSy(syIdent);
    } else if (IsWord("OVERHEAD") || IsWord("TRANSFERRATE")) {
      GetSy();
      GetSy();
    } else if (Sy == db2FILE) {
      GetSy();
      TestAndGetSy(db2SYSTEM);
      TestIdent("CACHING");
      GetSy();
    } else if (Sy == db2NO) {
      GetSy();
      TestAndGetSy(db2FILE);
      TestAndGetSy(db2SYSTEM);
      TestIdent("CACHING");
      GetSy();
    } else if (IsWord("DROPPED")) {
      GetSy();
      TestAndGetSy(db2TABLE);
      TestAndGetSy(db2RECOVERY);
      GetSy();  // ON or OFF
    } else {
      return;
    }
  }
}

// GRANT USE OF TABLESPACE name TO grantee, ... [WITH GRANT OPTION]
void TDB2Parser::ParseGrant() {
  GetSy();
  if (IsWord("USE")) {
    GetSy();
    TestAndGetSy(db2OF);
    TestAndGetSy(db2TABLESPACE);
    TestAndGetSy(syIdent);
  } else {
    ErrMsg("Unknown GRANT-statement");
    GetSy();
    return;
  }
  TestAndGetSy(db2TO);
  for (;;) {
    if (Sy == db2USER || Sy == db2GROUP) {
      GetSy();
      TestAndGetSy(syIdent);
    } else if (IsWord("PUBLIC")) {
      GetSy();
    } else {
      ErrMsg("Must be: USER / GROUP / PUBLIC");
      GetSy();
    }
    if (Sy != syComma) break;
    GetSy();
  }
  if (Sy == db2WITH) {
    GetSy();
    TestAndGetSy(db2GRANT);
    TestAndGetSy(db2OPTION);
  }
  Report(stStatement, "", dboUnknown, odbUnknown);
}

// CONNECT TO database [USER name [USING password]]; CONNECT RESET.
void TDB2Parser::ParseConnect() {
  GetSy();
  if (Sy == db2RESET) {
    GetSy();  // the script leaves its database: nothing for the collection
    return;
  }
  if (Sy != db2TO) {
    ErrMsg("Unknown CONNECT statement");
    GetSy();
    return;
  }
  GetSy();
  const std::string Database = Sy == syIdent ? Ident : std::string();
  TestAndGetSy(syIdent);
  if (!Database.empty()) ConnectionOptions.SetDatabaseName(Database);
  if (Sy == db2USER) {
    GetSy();
    if (Sy == syIdent) ConnectionOptions.UserName = Ident;
    TestAndGetSy(syIdent);
    if (Sy == db2USING) {
      GetSy();
      GetSy();  // the password, as written
    }
  }
  Report(stConnect, Database, dboDatabase, odbUnknown);
}

// SET CURRENT SCHEMA = name; SET CURRENT PATH = list.
void TDB2Parser::ParseSet() {
  GetSy();
  if (Sy != db2CURRENT) {
    ErrMsg("Unknown SET-statement");
    GetSy();
    return;
  }
  GetSy();
  if (Sy == db2SCHEMA) {
    GetSy();
    TestAndGetSy(syEqual);
    Obj_Ident(dboUnknown);
    if (Objs && !IdentName.empty()) Objs->CurrentSchema = IdentName;
    Report(stStatement, IdentName, dboSchema, odbSet);
    return;
  }
  if (Sy == db2PATH) {
    GetSy();
    TestAndGetSy(syEqual);
    const std::string Path = Trim(RestOfStatement(SyPos));
    if (Objs) Objs->CurrentPath = Path;
    Report(stStatement, "", dboUnknown, odbSet);
    return;
  }
  ErrMsg("Unknown SET-statement");
  GetSy();
}

// ---------------------------------------------------------------------------------------------
// Re-reading catalog texts

void TDB2Parser::ParseObjText(TDbObj* Obj) {
  if (!Obj || Obj->Extra().FullText.empty()) return;
  auto* View = dynamic_cast<TViwData*>(Obj);
  auto* Trigger = dynamic_cast<TTrgData*>(Obj);
  if (!View && !Trigger) return;
  ParseObj = Obj;
  if (Objs) Objs->CurrentSchema = Obj->GetSchema();
  AssignTxt(Obj->Extra().FullText);
  GetSy();
  StmtStart = SyPos;
  TestAndGetSy(db2CREATE);
  if (View)
    ParseCreateView(View);
  else
    ParseCreateTrigger(Trigger);
  ClearTxt();
  ParseObj = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Errors

void TDB2Parser::ErrMsg(const std::string& Text) {
  ++FErrCount;
  if (!ParseObj) {
    TCustomSQLParser::ErrMsg(Text);
    return;
  }
  // A catalog text is read with no script name: the message, filed under the object, carries
  // the position within that text.
  ObjErrMsg(*ParseObj, Text, true);
}

namespace {

/// The kind word of a DROP statement and what it removes.
struct TDropKind {
  std::string_view Word;
  TDbObject Kind;
};

constexpr std::array<TDropKind, 10> kDropKinds{{
    {"TABLE", dboTable},
    {"VIEW", dboView},
    {"INDEX", dboIndex},
    {"TRIGGER", dboTrigger},
    {"PROCEDURE", dboProcedure},
    {"FUNCTION", dboProcedure},
    {"SEQUENCE", dboGenerator},
    {"ALIAS", dboUnknown},
    {"SCHEMA", dboSchema},
    {"TABLESPACE", dboUnknown},
}};

}  // namespace

// ---------------------------------------------------------------------------------------------
// DROP

void TDB2Parser::ParseDrop() {
  GetSy();
  const TDropKind* It =
      FindRowIf(kDropKinds, [this](const TDropKind& K) { return IsWord(K.Word.data()); });
  if (!It) {
    ErrMsg("Unknown DROP-statement");
    GetSy();
    return;
  }
  GetSy();
  Obj_Ident(dboUnknown);
  const std::string S = SchemaOf(IdentOwner);
  const std::string Key = S.empty() ? IdentName : S + "." + IdentName;
  Report(stStatement, IdentName, It->Kind, odbDrop);
  SkipToTerm();  // RESTRICT and the like
  if (!Objs) return;
  switch (It->Kind) {
    case dboTable:
      RemoveTable(Key, true);
      break;
    case dboView:
      RemoveObj(Objs->Views, Key);
      break;
    case dboIndex:
      RemoveObj(Objs->Indexes, Key);
      break;
    case dboTrigger:
      RemoveObj(Objs->Triggers, Key);
      break;
    case dboProcedure:
      RemoveObj(Objs->Procedures, Key);
      break;
    default:
      break;
  }
}

}  // namespace qel
