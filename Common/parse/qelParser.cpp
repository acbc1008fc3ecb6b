// The parser framework: keyword table, reader state, reporting, script handling and the free
// text functions. The scanner itself is in qelParser_Lex.cpp, the checks of what the scripts
// declared in qelParser_Checks.cpp.
#include "qelParser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Def.h"
#include "qelComp_Dmn.h"
#include "qelComp_Exc.h"
#include "qelComp_Fnc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Rul.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDialects.h"
#include "qelMsg.h"
#include "qelParser_Int.h"

namespace qel {

namespace parser_detail {

TTblData* FindTableOf(const TObjs& Objs, TDatabaseType DB, const std::string& Table,
                      const std::string& Schema, const std::string& Creator, TTableHints& Hints) {
  std::string Key = Table;
  if ((DB == dbOracle || DB == dbMSSQL || DB == dbPostgreSQL) && !Schema.empty())
    Key = Schema + "." + Table;
  else if (DB == dbSybaseASA && !Creator.empty())
    Key = Creator + "." + Table;
  if (auto* Tbl = dynamic_cast<TTblData*>(Objs.Tables.FindObjFrom(Key, Hints.Key))) return Tbl;
  std::string FiledKey = Table;
  if ((DB == dbSybaseASA || DB == dbOracle || DB == dbMSSQL || DB == dbDB2) && !Schema.empty())
    FiledKey = Schema + "." + Table;
  return FiledKey == Key ? nullptr
                         : dynamic_cast<TTblData*>(Objs.Tables.FindObjFrom(FiledKey, Hints.Filed));
}

}  // namespace parser_detail

using parser_detail::FindTableOf;
using parser_detail::TTableHints;

namespace {

// The keyword table keeps each word's symbol in the entry's object slot, as a small integer.
TObject* SymbolSlot(std::uint8_t Symbol) {
  return reinterpret_cast<TObject*>(static_cast<std::uintptr_t>(Symbol));
}
std::uint8_t SlotSymbol(const TObject* Slot) {
  return static_cast<std::uint8_t>(reinterpret_cast<std::uintptr_t>(Slot));
}

// ASCII upper case, inline: the keyword lookup folds every identifier the scanner reads.
inline unsigned char Fold(char C) {
  const auto U = static_cast<unsigned char>(C);
  return (U >= 'a' && U <= 'z') ? static_cast<unsigned char>(U - ('a' - 'A')) : U;
}

// A hash of the ASCII upper case of a word from its length and three of its bytes: cheap for
// every identifier the scanner reads, and spread well enough over a keyword table. Words that
// collide are told apart by comparison, and a probe run is never longer than the table.
std::uint32_t FoldedHash(std::string_view S) {
  const std::size_t N = S.size();
  std::uint32_t H = static_cast<std::uint32_t>(N);
  if (N > 0) {
    H = H * 131u + Fold(S[0]);
    H = H * 131u + Fold(S[N - 1]);
    H = H * 131u + Fold(S[N / 2]);
  }
  return H ^ (H >> 9);
}

// Bit of a word length in the table's length mask; lengths from 63 up share the last bit.
std::uint64_t LengthBit(std::size_t N) {
  return std::uint64_t{1} << (N < 63 ? N : 63);
}

// Word equals Key (upper case) ignoring the ASCII case of Word.
inline bool SameFolded(std::string_view Word, const std::string& Key) {
  if (Word.size() != Key.size()) return false;
  for (std::size_t I = 0; I < Word.size(); ++I)
    if (Fold(Word[I]) != static_cast<unsigned char>(Key[I])) return false;
  return true;
}

// The extractor that fills Objs, reached through its schema holder; nullptr when there is none.
TCustomExtract* ExtractorOf(const TCustomObjs* Objs) {
  return Objs && Objs->DBStructure ? Objs->DBStructure->GetExtractor() : nullptr;
}

// The object a grant names by its object or grantee type code; nullptr for other codes.
TDbObj* GrantPartyOf(const TObjs& Objs, std::int32_t Code, const std::string& Name) {
  switch (Code) {
    case gotTable:
      return Objs.GetTable(Name);
    case gotView:
      return Objs.GetView(Name);
    case gotTrigger:
      return Objs.GetTrigger(Name);
    case gotProcedure:
      return Objs.GetProcedure(Name);
    case gotUser:
      return Objs.GetUser(Name);
    case gotRole:
      return Objs.GetRole(Name);
    default:
      return nullptr;
  }
}

const std::string NoWord = "<\?\?\?>";  // escaped: "??>" would read as a trigraph

// The base symbol table, in symbol order. No keyword can take these words, since they share
// one list with the keywords.
// clang-format off
constexpr std::string_view BaseWords[syFirstResWord] = {
    "<EOF>", "<Ident>", "<Float value>", "<String value>", "<Integer value>",   //  0 -  4
    "<(>", "<)>", "<,>", "<->", "<+>",                                          //  5 -  9
    "<*>", "</>", "<Terminator>", "<;>", "<=>",                                 // 10 - 14
    "<.>", "<:>", "<||>", "\"<\"", "\">\"",                                     // 15 - 19
    "\"<=\"", "\">=\"", "[<>]", "<==>", "<[>",                                  // 20 - 24
    "<]>", "<@>", "\\", "%", "<&>"};                                            // 25 - 29
// clang-format on

// The longest text the reader's 32-bit positions can address.
constexpr std::size_t MaxTextLength =
    static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) - 4;

// Index of the parenthesis that closes the one at Open, or npos. Quoted text is passed over,
// so a parenthesis inside a string literal or a quoted name does not count.
std::size_t MatchingParen(const std::string& S, std::size_t Open) {
  int Depth = 0;
  for (std::size_t I = Open; I < S.size(); ++I) {
    const char C = S[I];
    if (C == '\'' || C == '"' || C == '`') {
      const std::size_t Close = S.find(C, I + 1);
      if (Close == std::string::npos) return std::string::npos;
      I = Close;  // a doubled quote is two strings back to back: same effect
    } else if (C == '(') {
      ++Depth;
    } else if (C == ')') {
      if (--Depth == 0) return I;
    }
  }
  return std::string::npos;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TResWordList

TResWordList::TResWordList() {
  Duplicates = dupIgnore;
  SetSorted(true);
  FBySymbol.fill(-1);
}

TResWordList::~TResWordList() {
  Clear();
}

void TResWordList::AddResWord(const std::string& Word, std::uint8_t Symbol) {
  AddObject(Word, SymbolSlot(Symbol));
}

std::uint8_t TResWordList::GetSymbol(int Index) const {
  return SlotSymbol(Objects(Index));
}

std::uint8_t TResWordList::GetSymbolByWord(std::string_view Word) const {
  if (Stale()) Rebuild();
  if ((FLengths & LengthBit(Word.size())) == 0) return 0;  // no keyword is that long
  const std::uint32_t H = FoldedHash(Word);
  const std::size_t Mask = FHash.size() - 1;
  for (std::size_t I = H & Mask;; I = (I + 1) & Mask) {
    const THashSlot& Slot = FHash[I];
    if (Slot.Index < 0) return 0;
    if (Slot.Hash == H && SameFolded(Word, Slot.Key)) return Slot.Symbol;
  }
}

const std::string& TResWordList::GetWordBySymbol(std::uint8_t Symbol) const {
  if (Stale()) Rebuild();
  const std::int32_t Index = FBySymbol[Symbol];
  return Index < 0 ? NoWord : FItems[static_cast<std::size_t>(Index)].FString;
}

void TResWordList::DoChange() {
  FDirty = true;
  TStringList::DoChange();
}

void TResWordList::Rebuild() const {
  FBySymbol.fill(-1);
  FLengths = 0;
  std::size_t Size = 16;
  while (Size < FItems.size() * 2) Size *= 2;
  FHash.assign(Size, THashSlot{});
  const std::size_t Mask = Size - 1;
  for (std::size_t Index = 0; Index < FItems.size(); ++Index) {
    const TStringItem& Item = FItems[Index];
    // Later entries in sorted order win: the word shown for a shared symbol is the last one.
    FBySymbol[SlotSymbol(Item.FObject)] = static_cast<std::int32_t>(Index);
    FLengths |= LengthBit(Item.FString.size());
    const std::uint32_t H = FoldedHash(Item.FString);
    for (std::size_t I = H & Mask;; I = (I + 1) & Mask) {
      THashSlot& Slot = FHash[I];
      if (Slot.Index < 0) {
        Slot = THashSlot{H, static_cast<std::int32_t>(Index), SlotSymbol(Item.FObject),
                         UpperCase(Item.FString)};
        break;
      }
      // An equal word already filed (a list that accepts duplicates) keeps the first entry.
      if (Slot.Hash == H && SameFolded(Item.FString, Slot.Key)) break;
    }
  }
  FDirty = false;
}

// ---------------------------------------------------------------------------------------------
// TCustomParser: construction, state and reporting

TCustomParser::TCustomParser(TCustomObjs* AObjs) : Objs(AObjs) {
  IdentChars.Include('$');
  IdentChars.Include('_');
  for (unsigned char C = '0'; C <= '9'; ++C) IdentChars.Include(C);
  for (unsigned char C = 'A'; C <= 'Z'; ++C) IdentChars.Include(C);
  for (unsigned char C = 'a'; C <= 'z'; ++C) IdentChars.Include(C);
  // Runs this class's table; a dialect constructor runs its own BuildResWords after this.
  BuildResWords();
  SetTermStr(";");
}

TCustomParser::~TCustomParser() = default;

void TCustomParser::SetDatabaseType(TDatabaseType Value) {
  DatabaseType = Value;
  if (Objs) Objs->SetDatabaseType(Value);
}

void TCustomParser::DoProgressUpdate(std::int32_t /*Value*/, std::int32_t /*MaxValue*/) {
  if (!ShowProgress) return;
  if (OnProgressUpdate) {
    OnProgressUpdate(this, Line, LineCount);
  } else if (TCustomExtract* Extractor = ExtractorOf(Objs);
             Extractor && Extractor->GetOnProgressUpdate()) {
    Extractor->GetOnProgressUpdate()(Extractor, Line, LineCount);
  }
}

void TCustomParser::DoLogNextLine(const std::string& Text) {
  if (OnLogNextLine) {
    OnLogNextLine(this, Text);
  } else if (TCustomExtract* Extractor = ExtractorOf(Objs);
             Extractor && Extractor->GetOnLogNextLine()) {
    Extractor->GetOnLogNextLine()(Extractor, Text);
  }
}

bool TCustomParser::LogsNextLine() const {
  if (OnLogNextLine) return true;
  const TCustomExtract* Extractor = ExtractorOf(Objs);
  return Extractor && Extractor->GetOnLogNextLine();
}

void TCustomParser::DoErrorMessage(const std::string& Text) {
  if (OnErrorMessage)
    OnErrorMessage(this, Text);
  else
    ShowMessage("Error: " + Text);
}

void TCustomParser::DoDbgMsg(const std::string& Text) {
  if (OnDebugMessage) OnDebugMessage(this, Text);
}

void TCustomParser::DoAddStatement(const std::string& aText, TStatType aTyp,
                                   const std::string& aObjName, TDbObject aObjType,
                                   TDbOperation aOperation, const std::string& aOwnName,
                                   TObject*& Statement) {
  Statement = nullptr;
  if (OnAddStatement)
    OnAddStatement(this, aText, aTyp, aObjName, aObjType, aOperation, aOwnName, Statement);
}

void TCustomParser::DoAddStatement(TStatType aTyp, const std::string& aObjName, TDbObject aObjType,
                                   TDbOperation aOperation, const std::string& aOwnName,
                                   TObject*& Statement) {
  Statement = nullptr;
  if (!OnAddStatement) return;
  DoAddStatement(Trim(CopyTxt(StmtStart, SyPos - StmtStart)), aTyp, aObjName, aObjType, aOperation,
                 aOwnName, Statement);
}

const std::string& TCustomParser::ResWordBySymbol(std::uint8_t Symbol) {
  return ResWords.GetWordBySymbol(Symbol);
}

namespace {

// A condition of nothing but parentheses and white space.
bool EmptyCondition(std::string_view Text) {
  for (const char C : Text)
    if (C != '(' && C != ')' && C != ' ' && C != '\t' && C != '\r' && C != '\n') return false;
  return true;
}

}  // namespace

std::string TCustomParser::ConditionFaultOf(std::string_view Condition,
                                            std::vector<std::string>* Names) const {
  return ConditionFault(Condition, LexicalRulesOf(DatabaseType), Names);
}

void TCustomParser::TestConditionSyntax(std::string_view Condition, const std::string& What) {
  if (const std::string Fault = ConditionFaultOf(Condition); !Fault.empty())
    ErrMsg(What + ": syntax error in the condition, " + Fault + ".");
}

namespace {

// Words a check reads as values, not columns, in one dialect or another.
bool ValueWord(std::string_view Word) {
  static constexpr std::array<std::string_view, 30> Words = {"NULL",
                                                             "TRUE",
                                                             "FALSE",
                                                             "UNKNOWN",
                                                             "VALUE",
                                                             "DEFAULT",
                                                             "CURRENT_DATE",
                                                             "CURRENT_TIME",
                                                             "CURRENT_TIMESTAMP",
                                                             "LOCALTIME",
                                                             "LOCALTIMESTAMP",
                                                             "CURRENT_USER",
                                                             "SESSION_USER",
                                                             "SYSTEM_USER",
                                                             "USER",
                                                             "CURRENT_ROLE",
                                                             "CURRENT_SCHEMA",
                                                             "CURRENT_CATALOG",
                                                             "SYSDATE",
                                                             "SYSTIMESTAMP",
                                                             "CURRENT_CONNECTION",
                                                             "CURRENT_TRANSACTION",
                                                             "ROWNUM",
                                                             "ROWID",
                                                             "LEVEL",
                                                             "UID",
                                                             "DBTIMEZONE",
                                                             "SESSIONTIMEZONE",
                                                             "TODAY",
                                                             "NOW"};
  for (const std::string_view W : Words)
    if (SameText(W, Word)) return true;
  return false;
}

}  // namespace

void TCustomParser::TestCheckColumns(std::string_view Condition, const TTblData& Table,
                                     const std::function<void(const std::string&)>& Error) {
  std::vector<std::string> Names;
  // A condition that is no expression has its error already; a table whose columns the
  // reader does not know (CREATE TABLE ... LIKE) is not judged.
  if (Table.Fields.Empty() || !ConditionFaultOf(Condition, &Names).empty()) return;
  std::unordered_set<std::string> Told;
  for (const std::string& Name : Names) {
    const std::string Kept = KeptName(Name);
    if (ValueWord(Name) || ResWords.GetSymbolByWord(Name) != 0 || Table.Fields.Find(Kept)) continue;
    if (std::any_of(Table.Fields.begin(), Table.Fields.end(),
                    [&Kept](const auto& F) { return SameText(F->GetObjName(), Kept); }))
      continue;
    if (Told.insert(UpperCase(Name)).second)
      Error("CHECK of table " + Table.GetObjName() + " names column " + Name + ", which table " +
            Table.GetObjName() + " does not have.");
  }
}

namespace {

// Obj as a T when its kind code is Kind, else nullptr. Each class sets its own code, so the
// cast is made only where the code says it holds: the checks below see every object filed.
template <class T>
const T* OfKind(const TDbObj& Obj, std::int32_t Kind) {
  return Obj.Kind == Kind ? dynamic_cast<const T*>(&Obj) : nullptr;
}

// Obj as a constraint when its kind code is one of a constraint's.
const TCtrData* AsConstraint(const TDbObj& Obj) {
  switch (Obj.Kind) {
    case kindConstraint:
    case kindPrimaryKey:
    case kindForeignKey:
    case kindUnique:
    case kindCheck:
    case kindColumnDefault:
    case kindReferences:
      return dynamic_cast<const TCtrData*>(&Obj);
    default:
      return nullptr;
  }
}

// CREATE OR REPLACE (OR ALTER, RECREATE) of a routine, trigger, view, sequence, domain or
// exception a statement before made: the new definition takes the place of the one that
// stands, as on the server, which keeps the object's comment.
void TakePlaceOfReplaced(TCustomObjs* Objs, TDbObj* Obj, const std::function<bool()>& Replaces) {
  if (!Objs || !Obj || Objs->ExtractFrom == efDatabase) return;
  // The kind code tells the other objects at a glance; at most one cast is made.
  const TDbObj& O = *Obj;
  if (!OfKind<TPrcData>(O, kindProcedure) && !OfKind<TUdfData>(O, kindFunction) &&
      !OfKind<TTrgData>(O, kindTrigger) && !OfKind<TViwData>(O, kindView) &&
      !OfKind<TGnrData>(O, kindGenerator) && !OfKind<TDmnData>(O, kindDomain) &&
      !OfKind<TExcData>(O, kindException))
    return;
  TDbObjList* List = Objs->ListOf(Obj);
  if (!List) return;
  // Looked up and taken out without the list's batch being merged into its sorted part.
  const std::string Key = Obj->ObjKeyDef();
  TDbObj* Old = List->FindObj(Key);
  if (!Old || Old == Obj || !Replaces()) return;
  if (Obj->Extra().Description.empty())
    Obj->SetExtra(&TObjExtra::Description, Old->Extra().Description);
  Objs->RemoveDepend(Old);
  List->Remove(Key);
}

}  // namespace

bool TCustomParser::AddObj(TDbObj* Obj, bool FreeIfRejected) {
  TakePlaceOfReplaced(Objs, Obj, [this] { return StatementReplaces(); });
  CheckFiled(Obj);
  if (Objs) return Objs->AddObj(Obj, FreeIfRejected);
  const std::unique_ptr<TDbObj> Rejected(FreeIfRejected ? Obj : nullptr);
  return false;
}

bool TCustomParser::AddObj(std::unique_ptr<TDbObj> Obj) {
  TakePlaceOfReplaced(Objs, Obj.get(), [this] { return StatementReplaces(); });
  CheckFiled(Obj.get());
  return Objs && Objs->AddObj(std::move(Obj));
}

void TCustomParser::CheckFiled(const TDbObj* Obj) {
  if (const TCtrData* Ctr = Obj ? AsConstraint(*Obj) : nullptr) {
    const TConstraintType Type = Ctr->GetCtType();
    if ((Type == ctPKey || Type == ctUnique) && Ctr->FldList.Count() == 0)
      ErrMsg(std::string(Type == ctPKey ? "PRIMARY KEY" : "UNIQUE") + " of table " +
             Ctr->GetTblName() + " has no columns.");
    else if (Type == ctCheck && EmptyCondition(Ctr->Extra().Body.str()))
      ErrMsg("CHECK of table " + Ctr->GetTblName() + " has no condition.");
    else if (Type == ctCheck)
      TestConditionSyntax(Ctr->Extra().Body.str(), "CHECK of table " + Ctr->GetTblName());
  } else if (const auto* Dmn = Obj ? OfKind<TDmnData>(*Obj, kindDomain) : nullptr;
             Dmn && Dmn->TypeField) {
    // A PostgreSQL domain has its checks one by one; their text joins them with CHECK words.
    std::vector<std::string> Conditions;
    for (const TPGDomainCheck& C : Dmn->PGChecks) Conditions.push_back(C.Text);
    if (Dmn->PGChecks.empty()) Conditions.push_back(Dmn->TypeField->Extra().CheckText.str());
    for (const std::string& C : Conditions)
      if (!EmptyCondition(C)) TestConditionSyntax(C, "CHECK of domain " + Dmn->GetObjName());
  }
  if (Objs && Obj && Objs->ExtractFrom != efDatabase && DatabaseType != dbAbstract)
    TestSubstance(*Obj);
  if (Objs && Obj) TestNewObj(*Obj);
}

namespace {

// The word a message names Obj's kind by, for the kinds a second definition of is refused;
// nullptr for the others (grants, comments, unnamed constraints ...).
const char* KindWord(const TDbObj& Obj, TDatabaseType DB) {
  switch (Obj.Kind) {
    case kindTable:
      return OfKind<TTblData>(Obj, kindTable) ? "Table" : nullptr;
    case kindView:
      return OfKind<TViwData>(Obj, kindView) ? "View" : nullptr;
    case kindIndex:
      return OfKind<TIdxData>(Obj, kindIndex) ? "Index" : nullptr;
    case kindDomain:
      return OfKind<TDmnData>(Obj, kindDomain) ? "Domain" : nullptr;
    case kindGenerator:
      if (!OfKind<TGnrData>(Obj, kindGenerator)) return nullptr;
      return DB == dbInterBase ? "Generator" : "Sequence";
    case kindException:
      return OfKind<TExcData>(Obj, kindException) ? "Exception" : nullptr;
    case kindRole: {
      const auto* Rol = OfKind<TRolData>(Obj, kindRole);
      return Rol && Rol->UserType == usrRol ? "Role" : nullptr;
    }
    case kindProcedure: {
      const auto* Prc = OfKind<TPrcData>(Obj, kindProcedure);
      return !Prc ? nullptr : Prc->IsFunction ? "Function" : "Procedure";
    }
    case kindFunction:
      return OfKind<TUdfData>(Obj, kindFunction) ? "Function" : nullptr;
    case kindTrigger:
      return OfKind<TTrgData>(Obj, kindTrigger) ? "Trigger" : nullptr;
    case kindGeneric:
      return OfKind<TSchData>(Obj, kindGeneric) ? "Schema" : nullptr;
    case kindDefault:
      return OfKind<TDefData>(Obj, kindDefault) ? "Default" : nullptr;
    case kindRule:
      return OfKind<TRulData>(Obj, kindRule) ? "Rule" : nullptr;
    default:
      return AsConstraint(Obj) && !Obj.GetObjName().empty() ? "Constraint" : nullptr;
  }
}

}  // namespace

void TCustomParser::TestNewObj(const TDbObj& Obj) {
  // A catalog's object texts re-read what the catalog filed already.
  if (Objs->ExtractFrom == efDatabase) return;
  const TCtrData* Ctr = AsConstraint(Obj);
  if (Ctr || OfKind<TIdxData>(Obj, kindIndex)) NoteNewKey(Obj);
  if (OfKind<TTrgData>(Obj, kindTrigger) || OfKind<TViwData>(Obj, kindView)) NotePlace(Obj);
  if (OfKind<TDmnData>(Obj, kindDomain)) FDefinedTypes.insert(UpperCase(Obj.GetObjName()));
  TestNameOfOtherKind(Obj);
  const char* Kind = KindWord(Obj, Objs->GetDatabaseType());
  const TDbObjList* List = Kind || Ctr ? Objs->ListOf(&Obj) : nullptr;
  const TDbObj* Old = List ? List->FindObj(Obj.ObjKeyDef()) : nullptr;
  if (!Old || Old == &Obj) return;
  // ASE tells names by case where the collection does not: that has a warning of its own.
  if (Kind && Objs->GetDatabaseType() == dbSybaseASE && Old->GetObjName() != Obj.GetObjName())
    return;
  if (StatementReplaces()) return;
  if (!Kind) {
    const TConstraintType Type = Ctr->GetCtType();
    if (Type != ctPKey && Type != ctUnique && Type != ctFKey && Type != ctCheck) return;
    // The same unnamed constraint again: a second primary key no server takes; another
    // server keeps both copies of the rest, where the collection keeps one.
    const std::string What = std::string(Type == ctPKey     ? "PRIMARY KEY"
                                         : Type == ctUnique ? "UNIQUE"
                                         : Type == ctFKey   ? "FOREIGN KEY"
                                                            : "CHECK") +
                             " of table " + Ctr->GetTblName();
    const TDatabaseType DB = Objs->GetDatabaseType();
    if (Type == ctPKey)
      ErrMsg("Table " + Ctr->GetTblName() + " has more than one PRIMARY KEY.");
    else if ((DB == dbOracle && (Type == ctUnique || Type == ctFKey)) ||
             (DB == dbInterBase && Type == ctUnique))
      ErrMsg(What + " is defined twice.");
    else
      WrnMsg(What + " is defined twice: one of them is kept.");
    return;
  }
  TestDefinedTwice(std::string(Kind) + " " + Obj.GetObjName(), *Old);
}

void TCustomParser::TestNameOfOtherKind(const TDbObj& Obj) {
  if (!Objs || Objs->ExtractFrom == efDatabase) return;
  const bool View = OfKind<TViwData>(Obj, kindView) != nullptr;
  if (!View && !OfKind<TTblData>(Obj, kindTable)) return;
  const auto* O = dynamic_cast<const TObjs*>(Objs);
  const TDbObj* Standing = O ? (View ? O->Tables : O->Views).FindObj(Obj.ObjKeyDef()) : nullptr;
  // ASE tells names by case where the collection does not; a table and a view of one name in
  // two schemas are two objects where the collection keys them by name alone (PostgreSQL).
  if (!Standing ||
      (Objs->GetDatabaseType() == dbSybaseASE && Standing->GetObjName() != Obj.GetObjName()) ||
      Standing->GetSchema() != Obj.GetSchema())
    return;
  ErrMsgAtStatement(std::string(View ? "View " : "Table ") + Obj.GetObjName() +
                    " has the name of " + (View ? "table " : "view ") + Standing->GetObjName() +
                    ".");
}

void TCustomParser::ErrMsgAtStatement(const std::string& Text) {
  const std::int32_t At = std::clamp(StmtStart, 1, std::max(FLen, 1));
  ErrMsgAt(Text, LineOfPos(At), ColumnOfPos(At));
}

std::string TCustomParser::StatementHead() const {
  std::string Start = UpperCase(CopyTxt(StmtStart, 80));
  Start.erase(
      std::remove_if(Start.begin(), Start.end(),
                     [](char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; }),
      Start.end());
  return Start;
}

bool TCustomParser::StatementReplaces() const {
  const std::string Start = StatementHead();
  return Start.rfind("CREATEOR", 0) == 0 || Start.rfind("RECREATE", 0) == 0 ||
         (Start.rfind("ALTER", 0) == 0 && Start.rfind("ALTERTABLE", 0) != 0);
}

void TCustomParser::TestDefinedTwice(const std::string& Name, const TDbObj& Old) {
  if (!Objs || Objs->ExtractFrom == efDatabase || StatementReplaces()) return;
  if (const auto* Sch = dynamic_cast<const TSchData*>(&Old); Sch && Sch->BuiltIn())
    WrnMsg(Name + " is defined twice: the server has it already.");
  else if (StatementHead().find("IFNOTEXISTS") != std::string::npos)
    WrnMsg(Name + " is defined twice: IF NOT EXISTS keeps the first definition.");
  else
    ErrMsg(Name + " is defined twice.");
}

std::int32_t TCustomParser::ColumnOfPos(std::int32_t At) const {
  // A text of one long line would otherwise be passed back to its start for every column.
  const std::int32_t Line = LineOfPos(At);
  return At - std::max(FLineStarts[static_cast<std::size_t>(Line - 1)], 1) + 1;
}

std::int32_t TCustomParser::LineOfPos(std::int32_t At) const {
  At = std::clamp(At, 1, FLen + 1);
  if (FLineStarts.empty()) {
    FLineStarts.push_back(1);
    FIndexedTo = 1;
  }
  if (FIndexedTo < At) {
    // The line breaks at the positions FIndexedTo .. At - 1, found by memchr.
    const char* Text = FTxt.data();
    auto From = static_cast<std::size_t>(FIndexedTo - 1);
    const auto To = static_cast<std::size_t>(At - 1);
    while (From < To) {
      const void* Break = std::memchr(Text + From, '\n', To - From);
      if (!Break) break;
      From = static_cast<std::size_t>(static_cast<const char*>(Break) - Text) + 1;
      FLineStarts.push_back(static_cast<std::int32_t>(From) + 1);
    }
    FIndexedTo = At;
  }
  return static_cast<std::int32_t>(std::upper_bound(FLineStarts.begin(), FLineStarts.end(), At) -
                                   FLineStarts.begin());
}

void TCustomParser::NoteNewKey(const TDbObj& Key) {
  if (!Objs || Objs->ExtractFrom == efDatabase) return;  // catalog texts are not checked
  // Reported where its statement starts: readers file a table's keys after its last symbol.
  FNewKeys.push_back({&Key, LineOfPos(StmtStart), 1});
  NotePlace(Key);
}

void TCustomParser::NoteUserType(const TFldData& Fld, std::int32_t At, bool Qualified) {
  if (!Objs || Objs->ExtractFrom == efDatabase) return;
  At = std::clamp(At, 1, std::max(FLen, 1));
  FKeyPlaces.Note(&Fld, {CurrentScriptIndex(), LineOfPos(At), ColumnOfPos(At), Qualified});
}

bool TCustomParser::ServerTypeName(const std::string&) const {
  return false;
}

std::int32_t TCustomParser::CurrentScriptIndex() {
  if (FKeyScripts.empty() || FKeyScripts.back() != ScriptName) FKeyScripts.push_back(ScriptName);
  return static_cast<std::int32_t>(FKeyScripts.size()) - 1;
}

void TCustomParser::NotePlace(const TDbObj& Obj) {
  // A later object at the address of a freed one takes its place.
  FKeyPlaces.Note(&Obj, {CurrentScriptIndex(), LineOfPos(StmtStart)});
}

void TCustomParser::NoteCheck(const std::string& Table, const std::string& Condition) {
  if (!Objs || Objs->ExtractFrom == efDatabase) return;
  FNotedChecks.push_back({Table, Condition, LineOfPos(StmtStart)});
}

void TCustomParser::TKeyPlaces::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [](const auto& A, const auto& B) {
    return std::less<const TDbObj*>()(A.first, B.first);
  });
  std::size_t Kept = 0;
  for (std::size_t I = 0; I < FItems.size(); ++I)
    if (I + 1 == FItems.size() || FItems[I + 1].first != FItems[I].first)
      FItems[Kept++] = FItems[I];
  FItems.resize(Kept);
}

const TCustomParser::TKeyPlace* TCustomParser::TKeyPlaces::Find(const TDbObj* Key) const {
  const auto It = std::lower_bound(
      FItems.begin(), FItems.end(), Key,
      [](const auto& Item, const TDbObj* K) { return std::less<const TDbObj*>()(Item.first, K); });
  return It != FItems.end() && It->first == Key ? &It->second : nullptr;
}

void TCustomParser::ForgetKeyPlaces() {
  FKeyPlaces.Clear();
  FKeyScripts.clear();
  FForeignKeyChecksOff = false;
  FReferencesElsewhere.clear();
  FDefinedTypes.clear();
}

void TCustomParser::TestSy(std::uint8_t Symbol) {
  if (Sy == Symbol) return;
  std::string Text = "Missing: ";
  Text += Symbol == syTerm ? std::string("<TERM>") : ResWordBySymbol(Symbol);
  Text += " (" + ResWordBySymbol(Sy);
  if (Sy == syIdent) Text += ": " + Ident;
  Text += ")";
  ErrMsg(Text);
}

void TCustomParser::TestAndGetSy(std::uint8_t Symbol) {
  TestSy(Symbol);
  GetSy();
}

void TCustomParser::GetAndTestSy(std::uint8_t Symbol) {
  GetSy();
  TestSy(Symbol);
}

void TCustomParser::GetNumDec(TFldData* Fld) {
  GetSy();
  std::int32_t Precision = 9;
  std::int32_t Scale = 0;
  if (Sy == syLParen) {
    GetAndTestSy(syInteger);
    if (Sy == syInteger) Precision = IntValue;
    GetSy();
    if (Sy == syComma) {
      GetAndTestSy(syInteger);
      if (Sy == syInteger) Scale = IntValue;
      GetSy();
    }
    TestAndGetSy(syRParen);
  }
  if (Fld) {
    Fld->Precision = Precision;
    Fld->Scale = Scale;
  }
}

void TCustomParser::BuildResWords() {
  for (std::size_t I = 0; I < std::size(BaseWords); ++I)
    ResWords.AddResWord(std::string(BaseWords[I]), static_cast<std::uint8_t>(I));
}

bool TCustomParser::IsIdent(const std::string& Name) {
  return Sy == syIdent && SameText(Ident, Name);
}

void TCustomParser::TestIdent(const std::string& Name) {
  if (!IsIdent(Name)) ErrMsg("Must be: " + UpperCase(Name));
}

void TCustomParser::ParseScript(const TStrings& Lines, TCustomObjs* AObjs) {
  // The lines joined with CR LF; a line that carries a break of its own is normalised too.
  ParseScriptText(CrLfLineBreaks(Lines.GetText()), AObjs);
}

namespace {

// A line break that is a CR alone (old Mac texts); CR LF and LF alone are not.
bool HasLoneCr(const std::string& Text) {
  for (std::size_t I = Text.find('\r'); I != std::string::npos; I = Text.find('\r', I + 1))
    if (I + 1 == Text.size() || Text[I + 1] != '\n') return true;
  return false;
}

// Why Text is plainly no script text (a UTF-16 or binary file), with the 0-based index of the
// byte that shows it; empty when it may be text.
std::pair<std::string, std::size_t> NotTextReason(const std::string& Text) {
  if (Text.size() >= 2 &&
      ((Text[0] == '\xFF' && Text[1] == '\xFE') || (Text[0] == '\xFE' && Text[1] == '\xFF')))
    return {"The script is not text: it is UTF-16 (byte-order mark); save it as UTF-8.", 0};
  if (const std::size_t I = Text.find('\0'); I != std::string::npos)
    return {"The script is not text: it holds NUL bytes (a binary or UTF-16 file).", I};
  return {};
}

}  // namespace

void TCustomParser::ParseScriptText(const std::string& Text, TCustomObjs* AObjs) {
  if (HasLoneCr(Text)) {
    // Line-based rules (GO lines, "/" lines, "--" comments) and line numbers follow LF: a text
    // whose lines end in CR alone is read with CR LF line ends, the form texts are kept in.
    std::string Normalised = CrLfLineBreaks(Text);
    FOwnText = &Normalised;
    TCustomParser::ParseScriptText(Normalised, AObjs);
    return;
  }
  Objs = AObjs;
  if (const auto [Reason, At] = NotTextReason(Text); !Reason.empty()) {
    // One error, where the first telling byte stands, instead of one per byte.
    FOwnText = nullptr;
    AssignTxt(Text);
    while (!FEot && Pos - 2 < static_cast<std::int32_t>(At)) GetChar();
    // Recorded where that byte stands: a dialect's ErrMsg would name the last symbol read.
    if (!MsgManager.GetIsErr()) DoErrorMessage(Reason + GetScriptInfo());
    MsgManager.AddScriptMsg(Reason, ScriptName, GetPosX(), GetPosY(), mt_Err);
    ClearTxt();
    return;
  }
  // Counted first: AssignTxt may take Text over (ParseOwnScriptText).
  LineCount = static_cast<std::int32_t>(std::count(Text.begin(), Text.end(), '\n'));
  if (!Text.empty() && Text.back() != '\n') ++LineCount;
  AssignTxt(Text);
  DoProgressUpdate(0, LineCount);
  DoLogNextLine("Parse Script: " + ScriptName);
  FNewKeys.clear();
  ParseText();
  TestNewKeys();
  ClearTxt();
}

void TCustomParser::ParseText() {
  do {
    GetSy();
  } while (Sy != syEOF);
}

void TCustomParser::ErrMsg(const std::string& Text) {
  if (FTextErrors >= MaxTextErrors) return;  // reading has stopped; the reason is recorded
  if (!MsgManager.GetIsErr()) DoErrorMessage(Text + GetScriptInfo());
  MsgManager.AddScriptMsg(Text, ScriptName, GetPosX(), GetPosY(), mt_Err);
  if (++FTextErrors < MaxTextErrors) return;
  MsgManager.AddScriptMsg(std::string(STooManyErrors), ScriptName, GetPosX(), GetPosY(), mt_Err);
  StopReading();
}

void TCustomParser::StopReading() {
  if (!FEot) ++Column;  // as GetChar does when it passes the last byte
  Pos = FLen + 1;
  FEot = true;
  Ch = 0;
}

void TCustomParser::ErrMsgAt(const std::string& Text, std::int32_t ALine, std::int32_t APosX) {
  const std::int32_t SavedLine = Line;
  const std::int32_t SavedColumn = Column;
  Line = ALine;
  Column = APosX + 1;
  ErrMsg(Text);
  Line = SavedLine;
  Column = SavedColumn;
}

void TCustomParser::WrnMsg(const std::string& Text) {
  MsgManager.AddScriptMsg(Text, ScriptName, GetPosX(), GetPosY(), mt_Wrn);
}

std::string TCustomParser::GetScriptInfo() {
  // The column shown is the one the message list records, so both name the same character.
  return "\r\nScript: " + ScriptName + " Line:" + IntToStr(Line) + " Pos:" + IntToStr(GetPosX()) +
         "\r\n";
}

std::uint8_t TCustomParser::FindResWord() {
  const std::uint8_t Symbol = ResWords.GetSymbolByWord(Ident);
  return Symbol == syEOF ? syIdent : Symbol;
}

std::string TCustomParser::GenTerm() {
  return ";";
}

std::string TCustomParser::GenComment(const std::string& Text) {
  return "/* " + SafeBlockComment(Text) + " */";
}

void TCustomParser::Link_Depend() {}

void TCustomParser::SetTermStr(const std::string& Value) {
  TermStr = Value;
  TermLen = static_cast<std::int32_t>(TermStr.size());
}

void TCustomParser::ParseOwnScriptText(std::string Text, TCustomObjs* AObjs) {
  FOwnText = &Text;
  ParseScriptText(Text, AObjs);
  FOwnText = nullptr;
}

void TCustomParser::AssignTxt(const std::string& Text) {
  if (Text.size() > MaxTextLength) {
    ClearTxt();
    ErrMsg("Script too large: " + IntToStr(static_cast<std::int64_t>(Text.size())) + " bytes.");
  } else {
    if (&Text == FOwnText)
      FTxt = std::move(*FOwnText);
    else
      FTxt = Text;
    FLen = static_cast<std::int32_t>(FTxt.size());
  }
  FOwnText = nullptr;
  FTextErrors = 0;
  FLineStarts.clear();
  FIndexedTo = 0;
  Pos = 1;
  Line = 1;
  Column = 1;
  FEot = false;
  GetChar();
}

void TCustomParser::ClearTxt() {
  std::string().swap(FTxt);  // frees the buffer (assigning an empty text would keep it)
  std::vector<std::int32_t>().swap(FLineStarts);
  FIndexedTo = 0;
  FLen = 0;
  FEot = true;
  Ch = 0;
}

std::string TCustomParser::CopyTxt(std::int32_t Start, std::int32_t Count) const {
  return Copy(FTxt, Start, Count);
}

// ---------------------------------------------------------------------------------------------
// TCustomParser: dependency records

void TCustomParser::LinkDepend(TDbObj* Obj, TDbObj* DependsOn, const std::string& FieldName) {
  if (!Obj || !DependsOn || Obj == DependsOn || !Objs) return;
  // The collection resolves the column and keeps one record per pair; the codes say where in
  // the script the reference stood.
  Objs->LinkDepend(Obj, DependsOn, FieldName, GetPosX(), GetPosY());
  // A view over a table column also rests on the domains that type the table's columns.
  auto* Objs2 = dynamic_cast<TObjs*>(Objs);
  auto* Tbl = dynamic_cast<TTblData*>(DependsOn);
  if (FieldName.empty() || !Objs2 || !Tbl || !dynamic_cast<TViwData*>(Obj)) return;
  for (const auto& Fld : Tbl->Fields)
    if (!Fld->Extra().DomainName.empty())
      if (TDmnData* Dmn = Objs2->GetDomain(Fld->Extra().DomainName))
        Objs->LinkDepend(Obj, Dmn, "", GetPosX(), GetPosY());
}

void TCustomParser::LinkDepend(TDbObj* Obj, const std::string& Name, const TSymSet& Kinds) {
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (!O || !Obj || Name.empty()) return;
  if (DatabaseType == dbInterBase && StartsText("RDB$", Name)) return;  // system object
  TSymSet Codes = Kinds;
  if (Obj->Kind >= 0 && Obj->Kind <= 255 && Name == Obj->GetObjName())
    Codes.Exclude(static_cast<std::uint8_t>(Obj->Kind));

  // A routine that calls itself names itself under a reader's code that is not its own kind
  // (InterBase code 5 for a procedure), so the object found is compared too: an object is never
  // its own prerequisite, and the search goes on in the other lists.
  TDbObj* Found = nullptr;
  auto Search = [&](std::initializer_list<std::uint8_t> Keys, auto Lookup) {
    if (Found) return;
    for (const std::uint8_t Code : Keys)
      if (Codes.Contains(Code)) {
        TDbObj* Hit = Lookup();
        if (Hit != Obj) Found = Hit;
        return;
      }
  };
  Search({0, kindTable}, [&] { return static_cast<TDbObj*>(O->GetTable(Name)); });
  Search({1, kindView}, [&] { return static_cast<TDbObj*>(O->GetView(Name)); });
  Search({5}, [&] { return static_cast<TDbObj*>(O->GetProcedure(Name)); });
  Search({2}, [&] { return static_cast<TDbObj*>(O->GetTrigger(Name)); });
  Search({14, kindGenerator}, [&] { return static_cast<TDbObj*>(O->GetGenerator(Name)); });
  Search({10, kindIndex}, [&] { return static_cast<TDbObj*>(O->GetIndex(Name)); });
  Search({7}, [&] { return static_cast<TDbObj*>(O->GetException(Name)); });
  Search({kindDomain}, [&] { return static_cast<TDbObj*>(O->GetDomain(Name)); });
  Search({15, kindFunction}, [&] { return static_cast<TDbObj*>(O->GetFunction(Name)); });
  // Rules and defaults share names with the columns they are bound to; a hit there wins.
  for (const auto& [Code, List] : {std::pair{std::uint8_t{kindRule}, &O->Rules},
                                   std::pair{std::uint8_t{kindDefault}, &O->Defaults}})
    if (Codes.Contains(Code))
      if (TDbObj* Hit = List->FindObj(Name); Hit && Hit != Obj) Found = Hit;
  LinkDepend(Obj, Found, "");
}

// ---------------------------------------------------------------------------------------------
// TCustomSQLParser: everything but the scanner

TCustomSQLParser::TCustomSQLParser(TCustomObjs* AObjs) : TCustomParser(AObjs) {}

TCustomSQLParser::~TCustomSQLParser() = default;

void TCustomSQLParser::SkipStatement(const TSymSet& Stops) {
  while (Sy != syEOF && !Stops.Contains(Sy)) GetSy();
}

void TCustomSQLParser::SkipToTerm() {
  SkipStatement(TSymSet{syTerm, syEOF});
}

void TCustomSQLParser::SkipToTermTellingStatements(const TInsideRules& Rules) {
  const std::int32_t From = SyPos;
  while (Sy != syEOF && Sy != syTerm && !(Rules.Semicolon && Sy == sySemicolon)) GetSy();
  TellStatementInside(From, SyPos, Rules);
}

void TCustomSQLParser::TellStatementInside(std::int32_t From, std::int32_t To,
                                           const TInsideRules& Rules) {
  static constexpr std::array<std::string_view, 9> Starts{
      "ALTER", "COMMENT", "COMMIT", "CREATE", "DROP", "GRANT", "REVOKE", "TRUNCATE", "SET"};
  const std::size_t Words = Rules.Query ? Starts.size() : Starts.size() - 1;
  const auto At = [this](std::int32_t I) { return FTxt[static_cast<std::size_t>(I)]; };
  const auto WordChar = [](char C) {
    return std::isalnum(static_cast<unsigned char>(C)) || C == '_';
  };
  const auto StartsLine = [&](std::int32_t I) {
    while (I > 0 && (At(I - 1) == ' ' || At(I - 1) == '\t')) --I;
    return I == 0 || At(I - 1) == '\n' || At(I - 1) == '\r';
  };
  To = std::min(To - 1, FLen);  // 0-based end
  int Depth = 0;
  bool Armed = !Rules.Grant;
  for (std::int32_t I = std::max(From - 1, 0); I < To;) {
    const char C = At(I);
    if (C == '-' && I + 1 < To && At(I + 1) == '-') {
      while (I < To && At(I) != '\n') ++I;
    } else if (C == '/' && I + 1 < To && At(I + 1) == '*') {
      for (I += 2; I + 1 < To && !(At(I) == '*' && At(I + 1) == '/');) ++I;
      I += 2;
    } else if (C == '\'' || C == '"' || C == '`') {
      for (++I; I < To && At(I) != C;) ++I;
      ++I;
    } else if (C == '(' || C == ')') {
      Depth += C == '(' ? 1 : -1;
      ++I;
    } else if (WordChar(C) && (I == 0 || !WordChar(At(I - 1)))) {
      const std::int32_t Start = I;
      while (I < To && WordChar(At(I))) ++I;
      const std::string Word = UpperCase(CopyTxt(Start + 1, I - Start));
      if (Depth > 0) continue;
      if (!Armed) {
        Armed = Word == "ON" || Word == "TO" || Word == "FROM";
      } else if (StartsLine(Start) && std::find(Starts.begin(), Starts.begin() + Words, Word) !=
                                          Starts.begin() + Words) {
        MsgAtByte("Missing: <TERM> (" + Word + ")", Start + 1);
        return;
      }
    } else {
      ++I;
    }
  }
}

void TCustomSQLParser::ParseStatements() {
  GetSy();
  while (Sy != syEOF && !TerminateRunning.load()) {
    if (PassEmptyStatement()) continue;
    StmtStart = SyPos;
    BeginStatement();
    const std::int32_t Start = SyPos;
    const std::int64_t ErrorsBefore = FErrCount;
    ParseStatement();
    if (FErrCount != ErrorsBefore && PassFailedStatement()) continue;
    EndStatement(Start);
  }
}

bool TCustomSQLParser::PassEmptyStatement() {
  return false;
}

void TCustomSQLParser::BeginStatement() {}

void TCustomSQLParser::ParseStatement() {
  SkipToTerm();
}

bool TCustomSQLParser::PassFailedStatement() {
  SkipToTerm();
  if (Sy == syTerm) GetSy();
  return true;
}

void TCustomSQLParser::EndStatement(std::int32_t Start) {
  (void)Start;
  if (Sy == syTerm) GetSy();
}

void TCustomSQLParser::ReportStatement(TStatType aTyp, const std::string& aObjName,
                                       TDbObject aObjType, TDbOperation aOperation,
                                       const std::string& aOwnName, TObject*& Statement) {
  if (aTyp == st_Commit)
    DoAddStatement(CopyTxtFrom(StmtStart) + TermStr, aTyp, aObjName, aObjType, aOperation, aOwnName,
                   Statement);
  else
    DoAddStatement(aTyp, aObjName, aObjType, aOperation, aOwnName, Statement);
}

void TCustomSQLParser::ReadTerminator(bool MissingAtEnd) {
  if (Sy == syTerm) {
    GetSy();
  } else if (Sy != syEOF || !AtEndOfText()) {
    TestSy(syTerm);
    SkipToTerm();
    if (Sy == syTerm) GetSy();
  } else if (MissingAtEnd) {
    TestSy(syTerm);
  }
}

std::string TCustomSQLParser::CopyTxtFrom(std::int32_t Start) {
  return Trim(CopyTxt(Start, SyPos - Start));
}

std::string TCustomSQLParser::QuoteIdent(const std::string& Name) {
  return Name;
}

std::string TCustomSQLParser::GetIntConst() {
  char Sign = 0;
  if (Sy == syMinus || Sy == syPlus) {
    Sign = Sy == syMinus ? '-' : '+';
    GetSy();
  }
  TestSy(syInteger);
  std::string Text = Sy == syInteger ? StrValue : std::string();
  if (Sign != 0) {
    Text.insert(Text.begin(), Sign);
    if (Sign == '-' && Sy == syInteger) IntValue = -IntValue;
  }
  return Text;
}

void TCustomSQLParser::InitDialect(TDatabaseType DB, const std::string& Term) {
  SetDatabaseType(DB);
  SetTermStr(Term);
  // Virtual: in a dialect constructor this runs the dialect's own table.
  BuildResWords();
}

void TCustomSQLParser::ParseScriptText(const std::string& Text, TCustomObjs* AObjs) {
  TCustomParser::ParseScriptText(Text, AObjs);
  if (Objs) Objs->ConnectionOptions.Assign(ConnectionOptions);
}

void TCustomSQLParser::ReferToPrimaryKeys(TObjs& O) {
  std::vector<TCtrData*> PKeys;                         // in list order
  std::vector<std::pair<TCtrData*, std::string>> Open;  // foreign key, key it is filed under
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    auto* Ctr = dynamic_cast<TCtrData*>(O.Constraints.Objects(I));
    if (!Ctr) continue;
    if (Ctr->GetCtType() == ctPKey)
      PKeys.push_back(Ctr);
    else if (Ctr->GetCtType() == ctFKey && Ctr->Extra().RefFldList.Empty() &&
             !Ctr->GetRefTblName().empty())
      Open.emplace_back(Ctr, O.Constraints.Keys(I));
  }
  if (Open.empty()) return;
  std::unordered_map<std::string, TCtrData*> Keys;  // table -> its first primary key
  for (TCtrData* Ctr : PKeys) Keys.emplace(Ctr->GetTblName(), Ctr);
  // An unnamed key is filed under its text, which now names the columns: it moves to its new
  // key unless that is taken. The keys are rewritten together, so that the list is sorted once
  // and not once for each key; Taken and Freed stand for the keys as each rewrite in turn would
  // leave them (under the list's case rule).
  TDbObjList& List = O.Constraints;
  const auto Folded = [&List](const std::string& Key) {
    return List.GetCaseSensitive() ? Key : UpperCase(Key);
  };
  std::unordered_set<std::string> Taken, Freed;
  std::vector<std::pair<int, std::string>> Moves;  // index, new key
  for (const auto& [Ctr, OldKey] : Open) {
    const auto It = Keys.find(Ctr->GetRefTblName());
    if (It == Keys.end()) continue;
    for (const std::string& Column : It->second->FldList) Ctr->EditExtra().RefFldList.Add(Column);
    std::string NewKey = Ctr->ObjKeyDef();
    const int Index = List.IndexOf(OldKey);
    if (NewKey == OldKey || Index < 0 || List.Objects(Index) != Ctr) continue;
    std::string FoldedNew = Folded(NewKey);
    if (Taken.count(FoldedNew) != 0 || (List.IndexOf(NewKey) >= 0 && Freed.count(FoldedNew) == 0))
      continue;
    Freed.insert(Folded(OldKey));
    Taken.erase(Folded(OldKey));
    Freed.erase(FoldedNew);
    Taken.insert(std::move(FoldedNew));
    Moves.emplace_back(Index, std::move(NewKey));
  }
  if (Moves.empty()) return;
  const bool Sorted = List.GetSorted();
  List.SetSorted(false);
  for (const auto& [Index, NewKey] : Moves) List.PutKey(Index, NewKey);
  List.SetSorted(Sorted);
}

void TCustomSQLParser::Link_Depend() {
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (!O) return;
  const TDatabaseType DB = O->GetDatabaseType();  // the dialect the keys were made in
  O->SortGrants();

  // Indexes rest on their tables. (An index keeps no column list yet, so only the table.)
  TTableHints IdxHints;
  for (int I = 0; I < O->Indexes.Count(); ++I) {
    auto* Idx = dynamic_cast<TIdxData*>(O->Indexes.Objects(I));
    if (!Idx) continue;
    if (TTblData* Tbl =
            FindTableOf(*O, DB, Idx->TableName, Idx->GetSchema(), Idx->Extra().Creator, IdxHints))
      LinkDepend(Idx, Tbl, "");
  }

  // Constraints rest on their tables and columns, references also on the referenced ones.
  std::unordered_map<std::string, std::vector<TCtrData*>> Keys;  // table + columns -> keys
  auto ColumnsKey = [](const std::string& Table, const TStringList& Columns) {
    return Table + '\0' + Columns.GetText();
  };
  auto LinkColumns = [this](TCtrData* Ctr, TTblData* Tbl, const TStringList& Columns) {
    LinkDepend(Ctr, Tbl, "");
    for (const std::string& Column : Columns)
      if (TFldData* Fld = Tbl->Fields.Find(Column)) LinkDepend(Ctr, Fld, "");
  };
  TTableHints CtrHints, RefHints;
  for (int I = 0; I < O->Constraints.Count(); ++I) {
    auto* Ctr = dynamic_cast<TCtrData*>(O->Constraints.Objects(I));
    if (!Ctr) continue;
    const TConstraintType Type = Ctr->GetCtType();
    if (TTblData* Tbl = FindTableOf(*O, DB, Ctr->GetTblName(), Ctr->GetSchema(),
                                    Ctr->Extra().Creator, CtrHints))
      LinkColumns(Ctr, Tbl, Ctr->FldList);
    if (Type == ctFKey || Type == ctReferences)
      if (TTblData* Ref = FindTableOf(*O, DB, Ctr->GetRefTblName(), Ctr->GetSchema(),
                                      Ctr->Extra().Creator, RefHints))
        LinkColumns(Ctr, Ref, Ctr->Extra().RefFldList);
    if (Type == ctPKey || Type == ctUnique)
      Keys[ColumnsKey(Ctr->GetTblName(), Ctr->FldList)].push_back(Ctr);
  }

  // A foreign key rests on the primary or unique keys over exactly the columns it references.
  for (int I = 0; I < O->Constraints.Count(); ++I) {
    auto* Ctr = dynamic_cast<TCtrData*>(O->Constraints.Objects(I));
    if (!Ctr || Ctr->GetCtType() != ctFKey) continue;
    const auto It = Keys.find(ColumnsKey(Ctr->GetRefTblName(), Ctr->Extra().RefFldList));
    if (It != Keys.end())
      for (TCtrData* Key : It->second) LinkDepend(Ctr, Key, "");
  }

  // Grants rest on their object and their grantee.
  for (int I = 0; I < O->Grants.Count(); ++I) {
    auto* Gnt = dynamic_cast<TGntData*>(O->Grants.Objects(I));
    if (!Gnt) continue;
    LinkDepend(Gnt, GrantPartyOf(*O, Gnt->ObjectType, Gnt->ObjectName), "");
    // A grantee is never a table: code 0 names nothing here.
    if (Gnt->GranteeType != gotTable)
      LinkDepend(Gnt, GrantPartyOf(*O, Gnt->GranteeType, Gnt->GranteeName), "");
  }

  // Database users rest on their server logins.
  for (int I = 0; I < O->Roles.Count(); ++I) {
    auto* Usr = dynamic_cast<TRolData*>(O->Roles.Objects(I));
    if (Usr && Usr->UserType == usrUsr) LinkDepend(Usr, O->GetLogin(Usr->LoginName), "");
  }
}

std::string TCustomSQLParser::ObjKeyName(const std::string& Name, const std::string& Owner,
                                         bool UseDefaultOwner) const {
  std::string Own = Owner;
  if (Own.empty() && UseDefaultOwner) {
    switch (DatabaseType) {
      case dbMSSQL:
      case dbSybaseASE:
        Own = "dbo";
        break;
      case dbSybaseASA:
        Own = "DBA";
        break;
      case dbPostgreSQL:
        Own = "public";
        break;
      default:
        break;
    }
  }
  return Own.empty() ? Name : Own + "." + Name;
}

bool TCustomSQLParser::GoLineAt(std::int32_t I, bool TextStart) const {
  if (I < 0 || I + 1 >= FLen) return false;
  const auto U = static_cast<std::size_t>(I);
  auto Upper = [](char C) {
    return (C >= 'a' && C <= 'z') ? static_cast<char>(C - ('a' - 'A')) : C;
  };
  const char After = I + 2 < FLen ? FTxt[U + 2] : '\0';
  return (I == 0 ? TextStart : FTxt[U - 1] == '\n') && Upper(FTxt[U]) == 'G' &&
         Upper(FTxt[U + 1]) == 'O' &&
         (After == '\0' || After == '\t' || After == '\n' || After == '\r' || After == ' ');
}

std::int32_t TCustomSQLParser::GoLineFrom(std::int32_t From, bool TextStart) const {
  for (std::int32_t I = std::max(From, 0); I + 1 < FLen; ++I)
    if (GoLineAt(I, TextStart)) return I;
  return FLen;
}

std::string TCustomSQLParser::BodyToGoLine(std::int32_t Start, bool TextStart) {
  // Start is 1-based; the body runs to the GO line or the end of the text.
  const std::int32_t End = GoLineFrom(Start - 1, TextStart);
  std::string Body = Trim(CopyTxt(Start, End - (Start - 1)));
  if (End == FLen) TestBodyEnd(Body);
  if (!Body.empty() && Body.back() == ';') Body = Trim(Body.substr(0, Body.size() - 1));
  while (!AtEndOfText() && Pos - 2 < End) GetChar();
  GetSy();
  return TrimSQLText(Body);
}

bool TCustomSQLParser::ColumnCaseSensitive(const TTblData& Table) const {
  return Table.Fields.CaseSensitive;
}

bool TCustomSQLParser::ColumnNamed(const TTblData& Table, const std::string& Name) {
  const bool Exact = ColumnCaseSensitive(Table);
  // Most tables are narrow: their names are compared one by one, with no set to fill.
  if (Table.Fields.Count() <= 32) {
    for (const auto& F : Table.Fields)
      if (Exact ? F->GetObjName() == Name : SameText(F->GetObjName(), Name)) return true;
    return false;
  }
  if (FNamesOf != &Table || FNamesCount != Table.Fields.Count()) {
    FColumnNames.clear();
    for (const auto& F : Table.Fields)
      FColumnNames.insert(Exact ? F->GetObjName() : UpperCase(F->GetObjName()));
    FNamesOf = &Table;
  }
  const bool Known = !FColumnNames.insert(Exact ? Name : UpperCase(Name)).second;
  FNamesCount = Table.Fields.Count() + 1;  // the column about to be added
  return Known;
}

TFldData* TCustomSQLParser::AddColumn(TTblData& Table, std::unique_ptr<TFldData> Fld,
                                      std::int32_t NameAt) {
  const std::string& Name = Fld->GetObjName();
  if (!Name.empty() && ColumnNamed(Table, Name)) {
    const std::string Text =
        "Column " + Name + " is defined twice in table " + Table.GetObjName() + ".";
    if (NameAt > 0)
      MsgAtByte(Text, NameAt);
    else
      ErrMsg(Text);
  }
  return Table.Fields.Add(std::move(Fld));
}

bool TCustomSQLParser::AtColumnClauseWord() const {
  static constexpr std::array<std::string_view, 9> Words = {"CHECK",   "COLLATE",    "CONSTRAINT",
                                                            "DEFAULT", "NOT",        "NULL",
                                                            "PRIMARY", "REFERENCES", "UNIQUE"};
  if ((Sy != syIdent && Sy < syFirstResWord) || SyPos < 1 || SyPos > FLen) return false;
  const char First = FTxt[static_cast<std::size_t>(SyPos - 1)];
  if (First == '"' || First == '[' || First == '`') return false;
  // In Transact-SQL IDENTITY is a property of a column, never its type.
  if ((DatabaseType == dbMSSQL || DatabaseType == dbSybaseASE) && SameText(Ident, "IDENTITY"))
    return true;
  return std::any_of(Words.begin(), Words.end(),
                     [this](std::string_view W) { return SameText(W, Ident); });
}

bool TCustomSQLParser::TestColumnType(const std::string& Column) {
  if (Sy != syComma && Sy != syRParen && Sy != syTerm && Sy != syEOF && !AtColumnClauseWord())
    return true;
  ErrMsg("Column " + Column + " has no type.");
  return false;
}

namespace {

bool IsWordByte(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_' ||
         C == '$' || C == '#' || C == '@' || static_cast<unsigned char>(C) >= 0x80;
}

// The word of Body at I (its bytes up to the first that is no word byte), in upper case.
std::string UpperWordAt(std::string_view Body, std::size_t I) {
  std::string W;
  for (; I < Body.size() && IsWordByte(Body[I]); ++I)
    W += (Body[I] >= 'a' && Body[I] <= 'z') ? static_cast<char>(Body[I] - ('a' - 'A')) : Body[I];
  return W;
}

// The first word of Body at or after I, past blanks and line breaks.
std::string NextUpperWord(std::string_view Body, std::size_t I) {
  while (I < Body.size() &&
         (Body[I] == ' ' || Body[I] == '\t' || Body[I] == '\r' || Body[I] == '\n'))
    ++I;
  return UpperWordAt(Body, I);
}

// The character that closes a quote C opens in the dialect's text ("]" for "[" where brackets
// quote); 0 where C opens none.
char CloseQuote(char C, const TLexicalRules& L) {
  if (C == '\'' || C == '"' || C == '`') return C;
  return C == '[' && L.BracketQuotes ? ']' : 0;
}

// Whether Body is left open at its end: blocks (BEGIN or CASE up to END) counted outside quotes
// and comments. BEGIN TRAN and the like open no block. With WatcomEnds, END IF, END LOOP and the
// like close a block that no BEGIN opened; Transact-SQL has none of them, so there an END
// followed by IF closes its BEGIN and the IF starts the next statement.
bool BodyLeftOpen(std::string_view Body, const TLexicalRules& L, bool WatcomEnds) {
  std::int32_t Depth = 0;
  std::size_t I = 0;
  const std::size_t N = Body.size();
  while (I < N) {
    const char C = Body[I];
    if (const char Close = CloseQuote(C, L)) {
      const std::size_t End = Body.find(Close, I + 1);
      if (End == std::string_view::npos) return true;
      I = End + 1;
    } else if (C == '-' && I + 1 < N && Body[I + 1] == '-') {
      I = Body.find('\n', I);
      if (I == std::string_view::npos) break;
    } else if (C == '/' && I + 1 < N && Body[I + 1] == '*') {
      const std::size_t End = Body.find("*/", I + 2);
      if (End == std::string_view::npos) return true;
      I = End + 2;
    } else if (IsWordByte(C)) {
      const std::string W = UpperWordAt(Body, I);
      I += W.size();
      if (W == "CASE") {
        ++Depth;
      } else if (W == "BEGIN") {
        const std::string Next = NextUpperWord(Body, I);
        if (Next != "TRAN" && Next != "TRANSACTION" && Next != "DISTRIBUTED" && Next != "DIALOG" &&
            Next != "CONVERSATION")
          ++Depth;
      } else if (W == "END") {
        const std::string Next = NextUpperWord(Body, I);
        const bool OwnEnd = WatcomEnds && (Next == "IF" || Next == "LOOP" || Next == "FOR" ||
                                           Next == "WHILE" || Next == "REPEAT");
        if (!OwnEnd && Next != "CONVERSATION") --Depth;
      }
    } else {
      ++I;
    }
  }
  return Depth > 0;
}

/// Where the code of a query ends: after its last symbol (blanks, ";" and comments after it are
/// no part of it), and whether a quote, a block comment or a CASE is left open there, read by
/// the dialect's rules L.
struct TCodeEnd {
  std::size_t End = 0;
  bool Open = false;
};

TCodeEnd CodeEnd(std::string_view Query, const TLexicalRules& L) {
  TCodeEnd R;
  int Cases = 0;
  const std::size_t N = Query.size();
  std::size_t I = 0;
  const auto Closed = [&](std::size_t At) {
    if (At == std::string_view::npos) R.Open = true;
    I = At == std::string_view::npos ? N : At;
  };
  while (I < N && !R.Open) {
    const char C = Query[I];
    const char Next = I + 1 < N ? Query[I + 1] : '\0';
    if (C == '-' && Next == '-') {
      Closed(Query.find('\n', I));
      R.Open = false;  // a line comment ends with the text
    } else if (C == '/' && Next == '*') {
      int Depth = 1;
      for (I += 2; I < N && Depth > 0; ++I)
        if (Query[I] == '*' && I + 1 < N && Query[I + 1] == '/') {
          --Depth;
          ++I;
        } else if (L.NestedComments && Query[I] == '/' && I + 1 < N && Query[I + 1] == '*') {
          ++Depth;
          ++I;
        }
      R.Open = Depth > 0;
    } else if (const char Close = CloseQuote(C, L)) {
      const bool Escapes =
          (L.BackslashEscapes && C != '`') ||
          (L.EscapeStrings && C == '\'' && I > 0 && (Query[I - 1] == 'E' || Query[I - 1] == 'e'));
      std::size_t J = I + 1;
      for (; J < N && Query[J] != Close; ++J)
        if (Escapes && Query[J] == '\\') ++J;
      Closed(J < N ? J + 1 : std::string_view::npos);
      R.End = I;
    } else if (L.DollarQuotes && C == '$' && (I == 0 || !IsWordByte(Query[I - 1]))) {
      const std::size_t TagEnd = Query.find('$', I + 1);
      const std::string_view Tag =
          TagEnd == std::string_view::npos ? "$" : Query.substr(I, TagEnd + 1 - I);
      const std::size_t Close =
          TagEnd == std::string_view::npos ? std::string_view::npos : Query.find(Tag, TagEnd + 1);
      Closed(Close == std::string_view::npos ? Close : Close + Tag.size());
      R.End = I;
    } else if (IsWordByte(C)) {
      const std::string W = UpperWordAt(Query, I);
      Cases += W == "CASE" ? 1 : W == "END" ? -1 : 0;
      I += W.size();
      R.End = I;
    } else {
      if (C != ' ' && C != '\t' && C != '\r' && C != '\n' && C != ';') R.End = I + 1;
      ++I;
    }
  }
  R.Open = R.Open || Cases > 0;
  return R;
}

/// What a query cut off by the end of its script ends in: a word or sign that needs more after
/// it ("FROM", ",", "="), or a quote, comment or CASE left open. Empty for a query that may end
/// where it does. A query without any word ends in nothing, which is said as well.
std::string CutOffAt(std::string_view Query, const TLexicalRules& L) {
  const TCodeEnd Code = CodeEnd(Query, L);
  if (Code.Open) return "an open quote, comment or CASE";
  const std::size_t End = Code.End;
  if (End == 0) return "nothing";
  if (std::string_view(",(=<>+-/|.").find(Query[End - 1]) != std::string_view::npos)
    return std::string("\"") + Query[End - 1] + "\"";
  std::size_t Start = End;
  while (Start > 0 && IsWordByte(Query[Start - 1])) --Start;
  static constexpr std::array<std::string_view, 20> Open = {
      "ALL",  "AND",  "AS",  "BETWEEN", "BY", "DISTINCT", "FROM", "HAVING", "IN",    "IS",
      "JOIN", "LIKE", "NOT", "ON",      "OR", "SELECT",   "SET",  "UNION",  "WHERE", "WITH"};
  const std::string Word = UpperCase(std::string(Query.substr(Start, End - Start)));
  if (std::find(Open.begin(), Open.end(), Word) != Open.end()) return Word;
  return "";
}

}  // namespace

void TCustomSQLParser::TestBodyEnd(std::string_view Body) {
  const bool TransactSQL = DatabaseType == dbMSSQL || DatabaseType == dbSybaseASE;
  if (BodyLeftOpen(Body, LexicalRulesOf(DatabaseType), !TransactSQL))
    ErrMsg("Unterminated body: the script ends before its END.");
}

void TCustomParser::TestSubstance(const TDbObj& Obj) {
  if (const auto* View = OfKind<TViwData>(Obj, kindView)) {
    if (const std::string At = CutOffAt(View->Extra().Body.str(), LexicalRulesOf(DatabaseType));
        !At.empty())
      ErrMsg("View " + View->GetObjName() + " is cut off: its query ends in " + At + ".");
  } else if (const auto* Trg = OfKind<TTrgData>(Obj, kindTrigger)) {
    if (Trim(Trg->Extra().Body.str()).empty())
      ErrMsg("Trigger " + Trg->GetObjName() + " has no body.");
  }
}

void TCustomSQLParser::TestAlteredTable(const TTblData* Table, const std::string& Name) {
  // Only where scripts make a schema: an update script read alone alters what it never made.
  if (!Table && Objs && Objs->ExtractFrom == efScript)
    WrnMsg("ALTER TABLE " + Name + ": the script has not created table " + Name + ".");
}

void TCustomSQLParser::TestTableHasColumns(const TTblData& Table) {
  if (Table.Fields.Empty()) ErrMsg("Table " + Table.GetObjName() + " has no columns.");
}

void TCustomSQLParser::TestCheckCondition(std::string_view Text) {
  if (EmptyCondition(Text))
    ErrMsg("CHECK has no condition.");
  else
    TestConditionSyntax(Text, "CHECK");
}

bool TCustomSQLParser::RemoveObj(TDbObjList& List, const std::string& Key) {
  TDbObj* Obj = List.FindObj(Key);
  if (!Obj) return false;
  if (Objs) Objs->RemoveDepend(Obj);
  return List.Remove(Key);
}

void TCustomSQLParser::RemoveConstraints(const std::string& Table,
                                         const std::function<bool(const TCtrData&)>& Match) {
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (!O) return;
  for (int I = O->Constraints.Count() - 1; I >= 0; --I) {
    auto* Ctr = dynamic_cast<TCtrData*>(O->Constraints.Objects(I));
    if (!Ctr || !SameText(Ctr->GetTblName(), Table) || !Match(*Ctr)) continue;
    O->RemoveDepend(Ctr);
    O->Constraints.Delete(I);
  }
}

std::string TCustomSQLParser::ReadNamePart(const TNamePartRules& Rules) {
  if (Sy == syIdent || (Rules.Strings && Sy == syString && QuoteChar == '\'')) {
    std::string R = Sy == syIdent ? Ident : StrValue;
    // The scanner reports other quotes with nothing between them.
    if (R.empty() && (Sy == syString || LexicalRulesOf(DatabaseType).DoubleQuotedStrings) &&
        SyPos >= 1 && SyPos <= FLen && FTxt[static_cast<std::size_t>(SyPos - 1)] != '[')
      ErrMsg("Empty name.");
    GetSy();
    return R;
  }
  if (Rules.Brackets && Sy == syLBracket) {
    GetSy();
    std::string R = Sy == syIdent ? Ident : std::string();
    TestAndGetSy(syIdent);
    TestAndGetSy(syRBracket);
    return R;
  }
  if (Rules.Asterisk && Sy == syAsterisk) {
    GetSy();
    return "*";
  }
  if (Rules.Placeholders && Sy == syLess) {
    const std::int32_t Start = SyPos;
    while (!AtEndOfText() && Ch != '>') GetChar();
    if (!AtEndOfText()) GetChar();
    std::string R = CopyTxt(Start, Pos - 1 - Start);
    GetSy();
    return R;
  }
  TestSy(Rules.Missing);
  return "";
}

TDottedName TCustomSQLParser::ReadDottedName(const TNamePartRules& Rules, bool ThreeParts) {
  TDottedName N;
  N.Name = ReadNamePart(Rules);
  if (Sy != syDot) return N;
  GetSy();
  N.Owner = std::move(N.Name);
  N.Name = ReadNamePart(Rules);
  if (!ThreeParts) return N;
  if (Sy != syDot) {
    // Two parts of a name that may have three: table "." object.
    N.Part3 = std::move(N.Name);
    N.Name = std::move(N.Owner);
    N.Owner.clear();
    return N;
  }
  GetSy();
  N.Part3 = ReadNamePart(Rules);
  return N;
}

void TCustomSQLParser::ObjErrMsg(TDbObj& Obj, const std::string& Text, bool PositionInObjMsg) {
  const std::string Message = ObjErrPrefix(Obj) + Text;
  if (!MsgManager.GetIsErr()) DoErrorMessage(Message + GetScriptInfo());
  if (!ScriptName.empty())
    MsgManager.AddScriptMsg(Message, ScriptName, GetPosX(), GetPosY(), mt_Err);
  else
    MsgManager.AddObjMsg(PositionInObjMsg ? Message + GetScriptInfo() : Message, &Obj, GetPosX(),
                         GetPosY(), mt_Err);
}

std::int32_t TCustomSQLParser::ReadSortOrder(const std::function<bool(const char*)>& IsWord) {
  const std::int32_t Order = IsWord("ASC") ? 1 : IsWord("DESC") ? 2 : 0;
  if (Order != 0) GetSy();
  return Order;
}

std::optional<std::uint8_t> TCustomSQLParser::ReadTriggerEvent(
    TTrgData& Trg, const std::function<bool(const char*)>& IsWord) {
  static constexpr std::pair<const char*, TInsUpdDelType> kEvents[] = {
      {"INSERT", iudInsert}, {"UPDATE", iudUpdate}, {"DELETE", iudDelete}};
  for (const auto& [Word, Event] : kEvents)
    if (IsWord(Word)) {
      Trg.Events.Include(Event);
      GetSy();
      return Event;
    }
  return std::nullopt;
}

void TCustomSQLParser::ReadTriggerEventList(TTrgData& Trg,
                                            const std::function<bool(const char*)>& IsWord) {
  for (;;) {
    if (!ReadTriggerEvent(Trg, IsWord)) {
      ErrMsg("Must be: INSERT / UPDATE / DELETE");
      GetSy();
    }
    if (Sy != syComma) break;
    GetSy();
  }
}

void TCustomSQLParser::ParseViewColumns(TViwData& View, const std::function<std::string()>& Name) {
  if (Sy != syLParen) return;
  GetSy();
  View.Fields.Clear();
  for (;;) {
    const int Position = View.Fields.Count();
    AddViewColumn(View, Name())->Position = Position;
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
}

TFldData* TCustomSQLParser::AddViewColumn(TViwData& View, const std::string& Name) {
  auto Fld = std::make_unique<TFldData>(Objs);
  Fld->SetObjName(Name);
  Fld->OwnerObj = &View;
  Fld->TableName = View.GetObjName();
  return View.Fields.Add(std::move(Fld));
}

// ---------------------------------------------------------------------------------------------
// Free functions

std::string ObjErrPrefix(const TDbObj& Obj) {
  const std::string Named = Obj.GetObjName() + ": ";
  if (dynamic_cast<const TPrcData*>(&Obj)) return "Procedure " + Named;
  if (dynamic_cast<const TTrgData*>(&Obj)) return "Trigger " + Named;
  if (dynamic_cast<const TViwData*>(&Obj)) return "View " + Named;
  if (dynamic_cast<const TIdxData*>(&Obj)) return "Index " + Named;
  if (const auto* Ctr = dynamic_cast<const TCtrData*>(&Obj); Ctr && Ctr->GetCtType() == ctCheck)
    return "Check-constraint " + Named;
  if (const auto* Fld = dynamic_cast<const TFldData*>(&Obj); Fld && !Fld->Extra().Body.empty())
    return "Field " + Fld->TableName + "/" + Named;
  return Named;
}

std::string CrLfLineBreaks(const std::string& Text) {
  std::string R;
  R.reserve(Text.size() + Text.size() / 32);
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (C == '\r') {
      R += "\r\n";
      if (I + 1 < Text.size() && Text[I + 1] == '\n') ++I;
    } else if (C == '\n') {
      R += "\r\n";
    } else {
      R += C;
    }
  }
  return R;
}

std::string TrimSQLText(const std::string& Text) {
  std::string Result;
  Result.reserve(Text.size());
  std::size_t Start = 0;
  while (Start <= Text.size()) {
    std::size_t End = Text.find_first_of("\r\n", Start);
    if (End == std::string::npos) End = Text.size();
    if (Start > 0) Result += "\r\n";
    Result += TrimRight(std::string_view(Text).substr(Start, End - Start));
    if (End == Text.size()) break;
    Start = End + ((Text[End] == '\r' && End + 1 < Text.size() && Text[End + 1] == '\n') ? 2 : 1);
  }
  return Trim(Result);
}

std::string DelDblParents(const std::string& Text) {
  std::string S = Text;
  // "((a) + (b))" starts with "((" and ends with "))" too, but its outer pair is the only one
  // around the whole text: both outer pairs must enclose everything before one is dropped.
  while (S.size() >= 4 && S.compare(0, 2, "((") == 0 && S.compare(S.size() - 2, 2, "))") == 0 &&
         MatchingParen(S, 0) == S.size() - 1 && MatchingParen(S, 1) == S.size() - 2)
    S = S.substr(1, S.size() - 2);
  return S;
}

}  // namespace qel
