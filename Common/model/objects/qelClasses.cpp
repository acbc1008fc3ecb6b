// The sorted kind list, the schema object base (names, keys, captions, quoting, the plain texts)
// and the identifier quoting of every dialect.
#include "qelClasses.h"

#include <algorithm>

#include "Text.h"
#include "qelDialects.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// TDbObjList

int TDbObjList::Compare(const std::string& S1, const std::string& S2) const {
  return FCaseSensitive ? CompareStr(S1, S2) : CompareText(S1, S2);
}

std::uint32_t TDbObjList::HashKey(std::string_view Key) const {
  // FNV-1a; keys equal under CompareText are equal after ASCII upper-casing, so that rule hashes
  // the upper-cased bytes.
  std::uint64_t H = 0xcbf29ce484222325ull;
  for (char C : Key) {
    if (!FCaseSensitive && C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
    H = (H ^ static_cast<unsigned char>(C)) * 0x100000001b3ull;
  }
  return static_cast<std::uint32_t>(H ^ (H >> 32));
}

std::size_t TDbObjList::PendingSlot(const std::string& Key, std::uint32_t Hash) const {
  const std::size_t Mask = FPendingSlots.size() - 1;
  for (std::size_t S = Hash & Mask;; S = (S + 1) & Mask) {
    const std::uint64_t V = FPendingSlots[S];
    if (V == 0) return S;
    if (static_cast<std::uint32_t>(V >> 32) == Hash &&
        Compare(FPending[static_cast<std::uint32_t>(V) - 1].Key, Key) == 0)
      return S;
  }
}

void TDbObjList::IndexPending(std::size_t Index, std::uint32_t Hash) const {
  if ((FPending.size() + 1) * 2 > FPendingSlots.size()) {
    // Grow and refile: a slot's hash gives its place again.
    std::vector<std::uint64_t> Old = std::move(FPendingSlots);
    FPendingSlots.assign(std::max<std::size_t>(16, Old.size() * 2), 0);
    const std::size_t Mask = FPendingSlots.size() - 1;
    for (std::uint64_t V : Old) {
      if (V == 0) continue;
      std::size_t S = static_cast<std::uint32_t>(V >> 32) & Mask;
      while (FPendingSlots[S] != 0) S = (S + 1) & Mask;
      FPendingSlots[S] = V;
    }
  }
  const std::size_t Mask = FPendingSlots.size() - 1;
  std::size_t S = Hash & Mask;
  while (FPendingSlots[S] != 0) S = (S + 1) & Mask;
  FPendingSlots[S] = (static_cast<std::uint64_t>(Hash) << 32) | (Index + 1);
}

std::size_t TDbObjList::LowerBound(const std::string& Key) const {
  auto It = std::lower_bound(
      FItems.begin(), FItems.end(), Key,
      [this](const TEntry& E, const std::string& K) { return Compare(E.Key, K) < 0; });
  return static_cast<std::size_t>(It - FItems.begin());
}

void TDbObjList::SortItems() const {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [this](const TEntry& A, const TEntry& B) { return Compare(A.Key, B.Key) < 0; });
}

void TDbObjList::Merge() const {
  if (FPending.empty()) return;
  auto Less = [this](const TEntry& A, const TEntry& B) { return Compare(A.Key, B.Key) < 0; };
  std::sort(FPending.begin(), FPending.end(), Less);  // keys are unique: no order to keep
  const std::size_t Mid = FItems.size();
  FItems.reserve(Mid + FPending.size());
  for (TEntry& E : FPending) FItems.push_back(std::move(E));
  std::inplace_merge(FItems.begin(), FItems.begin() + static_cast<std::ptrdiff_t>(Mid),
                     FItems.end(), Less);
  // A small table is kept for the next batch; a large one goes (it is not needed again once a
  // schema has been read, and many small batches in a row should not each clear a big one).
  if (FPendingSlots.size() > 64)
    std::vector<std::uint64_t>().swap(FPendingSlots);
  else
    std::fill(FPendingSlots.begin(), FPendingSlots.end(), 0);
  FPending.clear();
}

void TDbObjList::SetCaseSensitive(bool Value) {
  if (Value == FCaseSensitive) return;
  Merge();
  FCaseSensitive = Value;
  ++FVersion;
  if (FSorted) SortItems();
}

void TDbObjList::SetSorted(bool Value) {
  if (Value == FSorted) return;
  Merge();
  FSorted = Value;
  ++FVersion;
  if (FSorted) SortItems();
}

const std::string& TDbObjList::Keys(int Index) const {
  static const std::string Empty;
  Merge();
  if (Index < 0 || Index >= static_cast<int>(FItems.size())) return Empty;
  return FItems[static_cast<std::size_t>(Index)].Key;
}

TDbObj* TDbObjList::Objects(int Index) const {
  Merge();
  if (Index < 0 || Index >= static_cast<int>(FItems.size())) return nullptr;
  return FItems[static_cast<std::size_t>(Index)].Obj.get();
}

bool TDbObjList::Find(const std::string& Key, int& Index) const {
  Merge();
  if (!FSorted) {
    for (std::size_t I = 0; I < FItems.size(); ++I)
      if (Compare(FItems[I].Key, Key) == 0) {
        Index = static_cast<int>(I);
        return true;
      }
    Index = static_cast<int>(FItems.size());
    return false;
  }
  const std::size_t I = LowerBound(Key);
  Index = static_cast<int>(I);
  return I < FItems.size() && Compare(FItems[I].Key, Key) == 0;
}

int TDbObjList::IndexOf(const std::string& Key) const {
  int Index = -1;
  return Find(Key, Index) ? Index : -1;
}

int TDbObjList::IndexOfObject(const TDbObj* Obj) const {
  Merge();
  for (std::size_t I = 0; I < FItems.size(); ++I)
    if (FItems[I].Obj.get() == Obj) return static_cast<int>(I);
  return -1;
}

TDbObj* TDbObjList::FindObj(const std::string& Key) const {
  if (!FSorted) {
    int Index = -1;
    return Find(Key, Index) ? FItems[static_cast<std::size_t>(Index)].Obj.get() : nullptr;
  }
  const std::size_t I = LowerBound(Key);
  if (I < FItems.size() && Compare(FItems[I].Key, Key) == 0) return FItems[I].Obj.get();
  if (FPending.empty()) return nullptr;
  const std::uint64_t V = FPendingSlots[PendingSlot(Key, HashKey(Key))];
  return V == 0 ? nullptr : FPending[static_cast<std::uint32_t>(V) - 1].Obj.get();
}

TDbObj* TDbObjList::FindObjFrom(const std::string& Key, std::size_t& Hint) const {
  if (!FSorted) return FindObj(Key);
  Merge();
  const std::size_t N = FItems.size();
  const bool AtHint = Hint <= N && (Hint == N || Compare(FItems[Hint].Key, Key) >= 0) &&
                      (Hint == 0 || Compare(FItems[Hint - 1].Key, Key) < 0);
  const std::size_t I = AtHint ? Hint : LowerBound(Key);
  if (I < N && Compare(FItems[I].Key, Key) == 0) {
    Hint = I + 1;
    return FItems[I].Obj.get();
  }
  Hint = I;
  return nullptr;
}

TDbObj* TDbObjList::FindFirstWithPrefix(const std::string& Prefix) const {
  Merge();
  auto HasPrefix = [&](const std::string& Key) {
    return Key.size() >= Prefix.size() && Compare(Key.substr(0, Prefix.size()), Prefix) == 0;
  };
  if (!FSorted) {
    for (const TEntry& E : FItems)
      if (HasPrefix(E.Key)) return E.Obj.get();
    return nullptr;
  }
  const std::size_t I = LowerBound(Prefix);
  return I < FItems.size() && HasPrefix(FItems[I].Key) ? FItems[I].Obj.get() : nullptr;
}

bool TDbObjList::Add(const std::string& Key, TDbObj* Obj) {
  if (!Obj) return false;
  if (!FSorted) {
    int Index = -1;
    if (Find(Key, Index)) return false;
    FItems.push_back(TEntry{Key, std::unique_ptr<TDbObj>(Obj)});
    ++FVersion;
    return true;
  }
  const std::size_t I = LowerBound(Key);
  if (I < FItems.size() && Compare(FItems[I].Key, Key) == 0) return false;
  const std::uint32_t Hash = HashKey(Key);
  if (!FPendingSlots.empty() && FPendingSlots[PendingSlot(Key, Hash)] != 0) return false;
  IndexPending(FPending.size(), Hash);
  FPending.push_back(TEntry{Key, std::unique_ptr<TDbObj>(Obj)});
  ++FVersion;
  return true;
}

void TDbObjList::PutKey(int Index, const std::string& Key) {
  Merge();
  if (Index < 0 || Index >= static_cast<int>(FItems.size())) return;
  FItems[static_cast<std::size_t>(Index)].Key = Key;
  ++FVersion;
  if (FSorted) SortItems();
}

std::unique_ptr<TDbObj> TDbObjList::Extract(int Index) {
  Merge();
  if (Index < 0 || Index >= static_cast<int>(FItems.size())) return nullptr;
  auto It = FItems.begin() + Index;
  std::unique_ptr<TDbObj> Obj = std::move(It->Obj);
  FItems.erase(It);
  ++FVersion;
  return Obj;
}

void TDbObjList::Delete(int Index) {
  (void)Extract(Index);
}

bool TDbObjList::Remove(const std::string& Key) {
  if (!FSorted) {
    const int Index = IndexOf(Key);
    if (Index < 0) return false;
    Delete(Index);
    return true;
  }
  // Neither part of the list needs the other to be merged: the sorted vector stays sorted
  // without the entry, and the batch is looked up by its own table.
  if (const std::size_t I = LowerBound(Key);
      I < FItems.size() && Compare(FItems[I].Key, Key) == 0) {
    const std::unique_ptr<TDbObj> Obj = std::move(FItems[I].Obj);
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(I));
    ++FVersion;
    return true;
  }
  if (FPending.empty()) return false;
  const std::size_t Slot = PendingSlot(Key, HashKey(Key));
  if (FPendingSlots[Slot] == 0) return false;
  const std::size_t Index = static_cast<std::uint32_t>(FPendingSlots[Slot]) - 1;
  FreePendingSlot(Slot);
  // The last entry of the batch takes the freed place (the batch is sorted when merged).
  std::unique_ptr<TDbObj> Obj = std::move(FPending[Index].Obj);
  const std::size_t Last = FPending.size() - 1;
  if (Index != Last) {
    const std::size_t Moved = PendingSlot(FPending[Last].Key, HashKey(FPending[Last].Key));
    FPendingSlots[Moved] = (FPendingSlots[Moved] & 0xFFFFFFFF00000000ull) | (Index + 1);
    FPending[Index] = std::move(FPending[Last]);
  }
  FPending.pop_back();
  ++FVersion;
  return true;
}

void TDbObjList::FreePendingSlot(std::size_t Slot) {
  const std::size_t Mask = FPendingSlots.size() - 1;
  FPendingSlots[Slot] = 0;
  for (std::size_t Next = (Slot + 1) & Mask; FPendingSlots[Next] != 0; Next = (Next + 1) & Mask) {
    const std::size_t Home = static_cast<std::uint32_t>(FPendingSlots[Next] >> 32) & Mask;
    // An entry whose home lies cyclically after the freed slot, up to where it stands, is
    // still found; any other moves into the freed slot.
    const bool Found = Slot <= Next ? (Slot < Home && Home <= Next) : (Slot < Home || Home <= Next);
    if (Found) continue;
    FPendingSlots[Slot] = FPendingSlots[Next];
    FPendingSlots[Next] = 0;
    Slot = Next;
  }
}

void TDbObjList::Clear() {
  // Take the entries out first, so that the list reads empty while the objects go.
  std::vector<TEntry> Items = std::move(FItems);
  std::vector<TEntry> Pending = std::move(FPending);
  FItems.clear();
  FPending.clear();
  FPendingSlots.clear();
  ++FVersion;
}

// ---------------------------------------------------------------------------------------------
// TDbObj

TDbObj::TDbObj(TCustomObjs* aOwner) : Owner(aOwner) {}

TDbObj::~TDbObj() {
  SetRefObj(nullptr);
  if (FRefBy) FRefBy->FRefObj = nullptr;
  if (FExtra)
    for (TDbObj* O : FExtra->RefByMore) O->FRefObj = nullptr;
}

void TDbObj::AddReferrer(TDbObj* Obj) {
  if (!FRefBy)
    FRefBy = Obj;
  else
    EditExtra().RefByMore.push_back(Obj);
}

void TDbObj::DropReferrer(TDbObj* Obj) {
  if (FRefBy == Obj) {
    FRefBy = nullptr;
    if (FExtra && !FExtra->RefByMore.empty()) {
      FRefBy = FExtra->RefByMore.back();
      FExtra->RefByMore.pop_back();
    }
    return;
  }
  if (FExtra) std::erase(FExtra->RefByMore, Obj);
}

void TDbObj::SetRefObj(TDbObj* Value) {
  if (Value == FRefObj) return;
  if (FRefObj) FRefObj->DropReferrer(this);
  FRefObj = Value;
  if (FRefObj) FRefObj->AddReferrer(this);
}

bool TDbObj::GetObjCreated() const {
  return ObjCreated;
}

void TDbObj::SetObjCreated(bool Value) {
  ObjCreated = Value;
  if (FRefObj) FRefObj->ObjCreated = Value;
}

std::string TDbObj::GetCaption() const {
  if (FObjName.empty()) return !Extra().AltName.empty() ? Extra().AltName : Def();
  switch (GetDatabaseType()) {
    case dbSybaseASA:
      if (!Extra().Creator.empty()) return Extra().Creator + "." + FObjName;
      break;
    case dbDB2:
      if (!FSchema.empty()) return FSchema + "." + FObjName;
      break;
    case dbMSSQL:
      if (!FSchema.empty() && !FieldTableName()) return FSchema + "." + FObjName;
      break;
    default:
      break;
  }
  return FObjName;
}

std::int32_t TDbObj::GetImageIndex() const {
  return ImageIndex;
}

std::string TDbObj::Def() const {
  return "";
}

std::string TDbObj::CompareDef() const {
  return Def();
}

void TDbObj::DoAfterDrop() {
  SetObjCreated(false);
}

void TDbObj::DoAfterCreate() {
  SetObjCreated(true);
}

std::string TDbObj::CreateDef() const {
  return SkipDef ? "" : Def();
}

std::string TDbObj::DropDef() const {
  std::string R = "/* Drop: " + SafeBlockComment(FObjName) + " (" + ClassName() + ") */" + "\r\n";
  switch (Kind) {
    case kindDomain:
      R += "DROP DOMAIN " + QuoteIdent(FObjName);
      break;
    case kindField:
    case 9: {
      const std::string* TableName = FieldTableName();
      R += "ALTER TABLE " + QuoteIdent(TableName ? *TableName : std::string()) + " DROP " +
           QuoteIdent(FObjName);
      break;
    }
    case kindIndex:
    case 10:
      R += "DROP INDEX " + GetObjFullName();
      break;
    case kindException:
    case 7:
      R += "DROP EXCEPTION " + QuoteIdent(FObjName);
      break;
    case kindFunction:
      R += "DROP EXTERNAL FUNCTION " + QuoteIdent(FObjName);
      break;
    case kindRule:
      R += "DROP RULE " + QuoteIdent(FObjName);
      break;
    case kindDefault:
      R += "DROP DEFAULT " + QuoteIdent(FObjName);
      break;
    default:
      break;
  }
  return R;
}

std::string TDbObj::AlterDef() const {
  return "/* Alter <...> */";
}

std::string TDbObj::SourceDef() const {
  return !Extra().SourceDefinition.empty() ? Extra().SourceDefinition : Def();
}

std::string TDbObj::GenComment(const std::string& S) const {
  if (GetDatabaseType() == dbSybaseASA) return "% " + SafeLineComment(S);
  return "/* " + SafeBlockComment(S) + " */";
}

std::string TDbObj::QuoteIdent(const std::string& S) const {
  if (!Owner || S.empty()) return S;
  if (Owner->GetDatabaseType() == dbCustomOLEDB) {
    switch (Owner->IdentQuoteType) {
      case iqSingleQuote:
        return QuotedStr(S, '\'');
      case iqDoubleQuote:
        return QuotedStr(S, '"');
      case iqBrackQuote:
        return "[" + StringReplace(S, "]", "]]", true, false) + "]";
      default:
        return S;
    }
  }
  return Quote_Ident(S, Owner->GetDatabaseType(), Owner->IBServerOptions.SQLServerVersion,
                     static_cast<std::int8_t>(Owner->IBServerOptions.GetSQLDialect()));
}

bool KeysCarrySchema(TDatabaseType Db) {
  switch (Db) {
    case dbSybaseASA:
    case dbOracle:
    case dbMSSQL:
    case dbDB2:
      return true;
    default:
      return false;
  }
}

bool WritesSchema(TDatabaseType Db) {
  switch (Db) {
    case dbOracle:
    case dbMSSQL:
    case dbPostgreSQL:
    case dbDB2:
      return true;
    default:
      return false;
  }
}

std::string_view KindName(std::int32_t Kind) {
  static constexpr std::pair<std::int32_t, std::string_view> Names[] = {
      {kindDomain, "domain"},
      {kindTable, "table"},
      {kindField, "column"},
      {kindView, "view"},
      {kindIndex, "index"},
      {kindProcedure, "procedure"},
      {kindTrigger, "trigger"},
      {kindGenerator, "sequence"},
      {kindException, "exception"},
      {kindFunction, "external function"},
      {kindRole, "role"},
      {kindGrant, "grant"},
      {kindPrimaryKey, "primary key"},
      {kindForeignKey, "foreign key"},
      {kindUnique, "unique constraint"},
      {kindCheck, "check constraint"},
      {kindRule, "rule"},
      {kindDefault, "default"},
      {kindColumnDefault, "column default"},
      {kindPackage, "package"},
      {kindConstraint, "constraint"},
      {kindReferences, "foreign key"},
      {kindPublication, "publication"},
      {kindOperator, "operator"},
      {kindOperatorClass, "operator class"},
      {kindConversion, "conversion"},
      {kindEvent, "event"},
  };
  for (const auto& [Code, Name] : Names)
    if (Code == Kind) return Name;
  return "object";
}

std::string TDbObj::ObjKeyDef() const {
  if (KeysCarrySchema(GetDatabaseType()) && !FSchema.empty()) return FSchema + "." + FObjName;
  return FObjName;
}

void TDbObj::ResetGeneration() {
  if (FBodyReplaced) {
    SetExtra(&TObjExtra::Body, std::move(FExtra->BodyAsRead));
    std::string().swap(FExtra->BodyAsRead);
    FBodyReplaced = false;
  }
  for (const auto& D : UseIn) D->Active = true;
  for (const auto& D : UseOf) D->Active = true;
}

const TObjExtra& TDbObj::NoExtra() {
  static const TObjExtra None;
  return None;
}

TObjExtra& TDbObj::EditExtra() {
  if (!FExtra) FExtra = NewExtra();
  return *FExtra;
}

std::unique_ptr<TObjExtra> TDbObj::NewExtra() const {
  return std::make_unique<TObjExtra>();
}

void TDbObj::ReplaceBody(const std::string& Value) {
  if (!FBodyReplaced) {
    EditExtra().BodyAsRead = Extra().Body;
    FBodyReplaced = true;
  }
  SetExtra(&TObjExtra::Body, Value);
}

namespace {

/// SQL Server without case-sensitive identifiers keeps names upper-cased, so that keys and
/// comparisons agree whatever case a script used.
bool FoldsNames(const TCustomObjs* Owner) {
  return Owner && Owner->GetDatabaseType() == dbMSSQL &&
         !Owner->MSSQLServerOptions.GetMSSQLCompareOptions().CaseSensitiveIdentifiers;
}

}  // namespace

// Assigned in two branches: a conditional expression would copy Value into a temporary first,
// for every object read.
void TDbObj::SetObjName(const std::string& Value) {
  if (FoldsNames(Owner))
    FObjName = UpperCase(Value);
  else
    FObjName = Value;
}

void TDbObj::SetSchema(const std::string& Value) {
  if (FoldsNames(Owner))
    FSchema = UpperCase(Value);
  else
    FSchema = Value;
}

std::string TDbObj::GetObjFullName() const {
  const TDatabaseType DB = GetDatabaseType();
  const std::int32_t K = SchemaKindOf(this);
  if (DB == dbSybaseASA && (K == kindTable || K == kindProcedure || K == kindView)) {
    if (Extra().Creator.empty()) return "DBA." + QuoteIdent(FObjName);
    return QuoteIdent(Extra().Creator) + "." + QuoteIdent(FObjName);
  }
  return K == kindField ? QuoteIdent(FObjName) : SchemaQualified(FSchema, FObjName);
}

std::string TDbObj::SchemaQualified(const std::string& Schema, const std::string& Name) const {
  if (Schema.empty() || !WritesSchema(GetDatabaseType())) return QuoteIdent(Name);
  std::string R = QuoteIdent(Schema);
  return R.append(".").append(QuoteIdent(Name));
}

TDatabaseType TDbObj::GetDatabaseType() const {
  return Owner ? Owner->GetDatabaseType() : dbAbstract;
}

TCmpObjSetType TDbObj::GetCompareObjects() const {
  return Owner ? Owner->CompareObjects : AllCmpObjTypes();
}

TCustomSQLExec* TDbObj::GetSQLExec() const {
  return Owner ? Owner->GetSQLExec() : nullptr;
}

TIBServerOptions* TDbObj::GetIBServerOptions() const {
  return Owner ? &Owner->IBServerOptions : nullptr;
}

TUpdateDescriptionType TDbObj::GetUpdateDescriptionType() const {
  if (GetDatabaseType() != dbInterBase) return udDescribe;
  return Owner->IBServerOptions.GetIBCompareOptions().GetUpdateDescriptionMode();
}

namespace {

bool AnyActive(const TDependList& List, const TDbObj* Self) {
  for (const auto& D : List)
    if (D->Active && D->DepObj && D->DepObj != Self && D->DepObj->GetObjCreated()) return true;
  return false;
}

}  // namespace

bool TDbObj::UseInActive() const {
  return AnyActive(UseIn, this);
}

bool TDbObj::UseOfActive() const {
  return AnyActive(UseOf, this);
}

void TDbObj::TakeOutUsers(const std::function<bool(TDbObj& User)>& TakeOut) {
  for (int I = 0; I < UseIn.Count(); ++I) {
    TDependObj* D = UseIn[I];
    TDbObj* User = D->DepObj;
    if (User == this) {
      D->Active = false;
      continue;
    }
    if (D->Active && User && TakeOut(*User)) D->Active = false;
  }
}

// ---------------------------------------------------------------------------------------------
// TDependObj

TDependObj::TDependObj(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = kindDepend;
}

std::string TDependObj::GetCaption() const {
  return DepObj ? DepObj->GetCaption() : GetObjName();
}

// ---------------------------------------------------------------------------------------------

const std::string* TDbObj::FieldTableName() const {
  return nullptr;
}

const TDbObj* TDbObj::FieldOwnerObj() const {
  return nullptr;
}

TDbObject TDbObj::DbObjectKind(bool /*OnCreate*/) const {
  switch (Kind) {
    case kindDomain:
      return dboDomain;
    case kindTable:
      return dboTable;
    case kindField:
      return dboField;
    case kindView:
      return dboView;
    case kindIndex:
      return dboIndex;
    case kindProcedure:
      return dboProcedure;
    case kindTrigger:
      return dboTrigger;
    case kindGenerator:
      return dboGenerator;
    case kindException:
      return dboException;
    case kindFunction:
      return dboFunction;
    case kindRole:
      return dboRole;
    case kindGrant:
      return dboGrant;
    case kindRule:
      return dboRule;
    case kindDefault:
      return dboDefault;
    case kindPackage:
      return dboPackage;
    case kindPublication:
      return dboPublication;
    case kindOperator:
      return dboOperator;
    case kindOperatorClass:
      return dboOperatorClass;
    case kindConversion:
      return dboConversion;
    case kindEvent:
      return dboEvent;
    default:
      return dboUnknown;
  }
}

TDbObject DbObjectOf(const TDbObj* Obj, bool OnCreate) {
  return Obj ? Obj->DbObjectKind(OnCreate) : dboUnknown;
}

}  // namespace qel
