// Bringing a master schema read from one DBMS into the dialect of the target before the two are
// paired and compared: names follow the target's rules, column types are mapped, defaults are
// rewritten, and what the target has no counterpart for is dropped or left out of the kinds
// compared.
//
// The conversion changes the master in place, so that every pass reads it as if it had been
// extracted from the target; but the master belongs to the caller, who may compare it again
// later with a target of its own dialect. Everything a conversion changes is recorded first
// (TMasterSnapshot), and RestoreMaster puts it back: names, types, defaults, list keys, the
// objects the conversion added, the dialect and the kind sets of the comparer and of both
// collections.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "Text.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Tbl.h"
#include "qelComp_Viw.h"
#include "qelDialects.h"
#include "qelVarnel.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// The record of what a conversion changed.

struct TMasterSnapshot {
  TCustomObjs* Objs = nullptr;
  TCustomObjs* TargetObjs = nullptr;
  TDatabaseType DatabaseType = dbAbstract;
  TCmpObjSetType VarnelKinds, MasterKinds, TargetKinds;
  TIBSQLServerVersionType IBVersion = st_FireBird_15;
  TIBSQLDialectType IBDialect = 3;
  std::string IBCharSet;
  /// Per list: each object with the key it was filed under.
  std::vector<std::pair<TDbObjList*, std::vector<std::pair<TDbObj*, std::string>>>> Keys;
  /// The columns of each table: a collection refilled meanwhile does not hold them.
  std::vector<std::pair<const TTblData*, std::vector<const TFldData*>>> Columns;
  /// Objects the conversion added to the master (SQL Server default constraints).
  std::vector<TDbObj*> Added;
  /// Puts one object (or one column list) back; run in reverse order.
  std::vector<std::function<void()>> Undo;
};

void TVarnel::TSnapshotDeleter::operator()(TMasterSnapshot* S) const {
  delete S;
}

namespace {

// The state a conversion may change, per object class.

struct TObjState {
  std::string Name, Schema, Creator, Description, Body, AltName;
  bool SkipDef = false;

  explicit TObjState(const TDbObj& O)
      : Name(O.GetObjName()),
        Schema(O.GetSchema()),
        Creator(O.Extra().Creator),
        Description(O.Extra().Description),
        Body(O.Extra().Body),
        AltName(O.Extra().AltName),
        SkipDef(O.SkipDef) {}
  void Put(TDbObj& O) const {
    O.SetObjName(Name);
    O.SetSchema(Schema);
    O.SetExtra(&TObjExtra::Creator, Creator);
    O.SetExtra(&TObjExtra::Description, Description);
    O.SetExtra(&TObjExtra::Body, Body);
    O.SetExtra(&TObjExtra::AltName, AltName);
    O.SkipDef = SkipDef;
  }
};

struct TFldState : TObjState {
  std::string DefValue, CharSet, Collation, SubTypeName, DomainName, TableName;
  TDBFieldType FieldType;
  std::int32_t Size, Precision, Scale, SubType, SegmentSize, IdentitySeed, IdentityIncrement;
  bool Nullable, AutoIncrement, Identity;
  std::int32_t SortOrder = 0;

  explicit TFldState(const TFldData& F)
      : TObjState(F),
        DefValue(F.DefValue),
        CharSet(F.Extra().CharSet),
        Collation(F.Extra().Collation),
        SubTypeName(F.Extra().SubTypeName),
        DomainName(F.Extra().DomainName),
        TableName(F.TableName),
        FieldType(F.FieldType),
        Size(F.Size),
        Precision(F.Precision),
        Scale(F.Scale),
        SubType(F.SubType),
        SegmentSize(F.Extra().SegmentSize),
        IdentitySeed(F.Extra().IdentitySeed),
        IdentityIncrement(F.Extra().IdentityIncrement),
        Nullable(F.Nullable),
        AutoIncrement(F.AutoIncrement),
        Identity(F.Identity) {
    if (const auto* I = dynamic_cast<const TIdxFldData*>(&F)) SortOrder = I->SortOrder;
  }
  void Put(TFldData& F) const {
    TObjState::Put(F);
    F.DefValue = DefValue;
    F.SetExtra(&TFldExtra::CharSet, CharSet);
    F.SetExtra(&TFldExtra::Collation, Collation);
    F.SetExtra(&TFldExtra::SubTypeName, SubTypeName);
    F.SetExtra(&TFldExtra::DomainName, DomainName);
    F.TableName = TableName;
    F.FieldType = FieldType;
    F.Size = Size;
    F.Precision = Precision;
    F.Scale = Scale;
    F.SubType = SubType;
    F.SetExtra(&TFldExtra::SegmentSize, SegmentSize);
    F.SetExtra(&TFldExtra::IdentitySeed, IdentitySeed);
    F.SetExtra(&TFldExtra::IdentityIncrement, IdentityIncrement);
    F.Nullable = Nullable;
    F.AutoIncrement = AutoIncrement;
    F.Identity = Identity;
    if (auto* I = dynamic_cast<TIdxFldData*>(&F)) I->SortOrder = SortOrder;
  }
};

/// The entries of a column-name list with the descriptors they carry.
struct TNameListState {
  std::vector<std::string> Names;
  std::vector<TObject*> Objects;
  std::vector<std::unique_ptr<TFldState>> Flds;

  explicit TNameListState(const TStringList& L) {
    for (int I = 0; I < L.Count(); ++I) {
      Names.push_back(L[I]);
      Objects.push_back(L.Objects(I));
      const auto* F = dynamic_cast<const TFldData*>(L.Objects(I));
      Flds.push_back(F ? std::make_unique<TFldState>(*F) : nullptr);
    }
  }
  /// Puts names, order and descriptors back. The conversions only rename and reorder entries,
  /// so the entries found now are the ones recorded; should they not be, the list is left.
  void Put(TStringList& L) const {
    if (L.Count() != static_cast<int>(Names.size())) return;
    for (std::size_t I = 0; I < Names.size(); ++I) {
      const int At = static_cast<int>(I);
      // A moved entry is found by its descriptor, or by its name when it has none (entries are
      // either moved or renamed, never both); a renamed one is where it was.
      int J = At;
      while (J < L.Count() && (Objects[I] ? L.Objects(J) != Objects[I]
                                          : L.Objects(J) != nullptr || L[J] != Names[I]))
        ++J;
      if (J >= L.Count()) {
        if (Objects[I]) return;
        J = At;
      }
      if (J != At) L.Move(J, At);
      L.Put(At, Names[I]);
      if (auto* F = dynamic_cast<TFldData*>(L.Objects(At)); F && Flds[I]) Flds[I]->Put(*F);
    }
  }
};

void SaveFld(TMasterSnapshot& S, TFldData* F) {
  if (!F) return;
  S.Undo.push_back([F, St = std::make_shared<TFldState>(*F)] { St->Put(*F); });
}

void SaveNames(TMasterSnapshot& S, TStringList* L) {
  S.Undo.push_back([L, St = std::make_shared<TNameListState>(*L)] { St->Put(*L); });
}

void SaveObj(TMasterSnapshot& S, TDbObj* O) {
  if (auto* T = dynamic_cast<TTblData*>(O)) {
    S.Undo.push_back([T, St = std::make_shared<TObjState>(*T)] { St->Put(*T); });
    for (const auto& F : T->Fields) SaveFld(S, F.get());
  } else if (auto* V = dynamic_cast<TViwData*>(O)) {
    S.Undo.push_back([V, St = std::make_shared<TObjState>(*V)] { St->Put(*V); });
    for (const auto& F : V->Fields) SaveFld(S, F.get());
  } else if (auto* D = dynamic_cast<TDmnData*>(O)) {
    S.Undo.push_back([D, St = std::make_shared<TObjState>(*D), Base = D->BaseTypeName] {
      St->Put(*D);
      D->BaseTypeName = Base;
    });
    SaveFld(S, D->TypeField.get());
  } else if (auto* I = dynamic_cast<TIdxData*>(O)) {
    S.Undo.push_back(
        [I, St = std::make_shared<TObjState>(*I), Table = I->TableName, Desc = I->Descending] {
          St->Put(*I);
          I->TableName = Table;
          I->Descending = Desc;
        });
    SaveNames(S, &I->Flds);
  } else if (auto* C = dynamic_cast<TCtrData*>(O)) {
    S.Undo.push_back([C, St = std::make_shared<TObjState>(*C), Tbl = C->GetTblName(),
                      RefTbl = C->GetRefTblName(), RefSchema = C->GetRefSchema(),
                      RefOwner = C->Extra().RefOwner, Role = C->Extra().RoleName,
                      Index = C->Extra().IndexName, Clustered = C->Clustered,
                      OnUpdate = C->OnUpdate, OnDelete = C->OnDelete] {
      St->Put(*C);
      C->SetTblName(Tbl);
      C->SetRefTblName(RefTbl);
      C->SetRefSchema(RefSchema);
      C->SetExtra(&TCtrExtra::RefOwner, RefOwner);
      C->SetExtra(&TCtrExtra::RoleName, Role);
      C->SetExtra(&TCtrExtra::IndexName, Index);
      C->Clustered = Clustered;
      C->OnUpdate = OnUpdate;
      C->OnDelete = OnDelete;
    });
    SaveNames(S, &C->FldList);
    // The referenced columns are put back through the constraint: one without the block has
    // an empty list, which a snapshot of entries leaves alone as Put does any other list of
    // another length.
    S.Undo.push_back([C, St = std::make_shared<TNameListState>(C->Extra().RefFldList)] {
      if (C->HasExtra()) St->Put(C->EditExtra().RefFldList);
    });
  } else if (O) {
    S.Undo.push_back([O, St = std::make_shared<TObjState>(*O)] { St->Put(*O); });
  }
}

std::unique_ptr<TMasterSnapshot, TVarnel::TSnapshotDeleter> TakeSnapshot(TVarnel& V, TCustomObjs& M,
                                                                         TCustomObjs& T) {
  std::unique_ptr<TMasterSnapshot, TVarnel::TSnapshotDeleter> S(new TMasterSnapshot);
  S->Objs = &M;
  S->TargetObjs = &T;
  S->DatabaseType = M.GetDatabaseType();
  S->VarnelKinds = V.CompareObjects;
  S->MasterKinds = M.CompareObjects;
  S->TargetKinds = T.CompareObjects;
  S->IBVersion = M.IBServerOptions.SQLServerVersion;
  S->IBDialect = M.IBServerOptions.GetSQLDialect();
  S->IBCharSet = M.IBServerOptions.GetDBCharSet();
  for (TDbObjList* L : M.AllLists()) {
    std::vector<std::pair<TDbObj*, std::string>> Entries;
    Entries.reserve(static_cast<std::size_t>(L->Count()));
    for (int I = 0; I < L->Count(); ++I) Entries.emplace_back(L->Objects(I), L->Keys(I));
    S->Keys.emplace_back(L, std::move(Entries));
  }
  for (TDbObjList* L : {&M.Schemas, &M.Domains, &M.Tables, &M.Views, &M.Indexes, &M.Constraints})
    for (int I = 0; I < L->Count(); ++I) SaveObj(*S, L->Objects(I));
  for (int I = 0; I < M.Tables.Count(); ++I)
    if (const auto* Tbl = dynamic_cast<const TTblData*>(M.Tables.Objects(I))) {
      std::vector<const TFldData*> Cols;
      for (const auto& F : Tbl->Fields) Cols.push_back(F.get());
      S->Columns.emplace_back(Tbl, std::move(Cols));
    }
  return S;
}

/// Writes every object's current key into its list (the list re-sorts).
void Rekey(TCustomObjs& M) {
  for (TDbObjList* L : M.AllLists()) {
    L->SetSorted(false);
    for (int I = 0; I < L->Count(); ++I) L->PutKey(I, L->Objects(I)->ObjKeyDef());
    L->SetSorted(true);
  }
}

// ---------------------------------------------------------------------------------------------
// Names.

std::string Cut(const std::string& S, std::size_t Limit) {
  return Limit && S.size() > Limit ? S.substr(0, Limit) : S;
}

using TRule = std::function<std::string(const std::string&)>;

/// New names for the names of one namespace: each by Rule, cut to Limit, and made unique
/// (compared in upper case, as the most folding target does). Names the rule leaves as they are
/// keep them; a changed name that meets a name already taken gets a number.
class TNamePlan {
 public:
  TNamePlan(bool CaseInsensitive, std::size_t Limit) : FCI(CaseInsensitive), FLimit(Limit) {}

  void Plan(const std::vector<std::string>& Names, const TRule& Rule) {
    std::vector<std::pair<std::string, std::string>> Changed;
    for (const std::string& N : Names) {
      const std::string New = Cut(Rule(N), FLimit);
      if (New == N) {
        FTaken.insert(UpperCase(N));
        FMap[Key(N)] = N;
      } else {
        Changed.emplace_back(N, New);
      }
    }
    for (auto& [Old, New] : Changed) {
      if (FMap.count(Key(Old))) continue;
      std::string Name = New;
      for (int N = 1; FTaken.count(UpperCase(Name)); ++N) {
        const std::string Tail = std::string("_").append(std::to_string(N));
        Name = Cut(New, FLimit ? FLimit - Tail.size() : 0) + Tail;
      }
      FTaken.insert(UpperCase(Name));
      FMap[Key(Old)] = Name;
    }
  }
  /// The new name of Old; a name that was not planned goes by Fallback.
  std::string Get(const std::string& Old, const TRule& Fallback) const {
    auto It = FMap.find(Key(Old));
    if (It != FMap.end()) return It->second;
    return Fallback ? Cut(Fallback(Old), FLimit) : Old;
  }

 private:
  std::string Key(const std::string& S) const { return FCI ? UpperCase(S) : S; }
  bool FCI;
  std::size_t FLimit;
  std::map<std::string, std::string> FMap;
  std::set<std::string> FTaken;
};

/// The naming rules of one target; an empty rule leaves that kind's names alone.
struct TNameRules {
  TRule Domain, Table, Column, View, Index, Constraint;
  std::size_t Limit = 0;
};

/// Renames what the rules say, and every use of a renamed table, column or domain with it:
/// columns' table and domain names, index tables and columns, constraint tables, columns,
/// referenced tables and referenced columns.
void ApplyNames(TCustomObjs& M, const TNameRules& R, bool CaseInsensitive) {
  auto Names = [](const TDbObjList& L) {
    std::vector<std::string> N;
    for (int I = 0; I < L.Count(); ++I) N.push_back(L.Objects(I)->GetObjName());
    return N;
  };
  auto Id = [](const std::string& S) { return S; };
  auto Or = [&Id](const TRule& Rule) { return Rule ? Rule : TRule(Id); };
  const std::size_t Limit = R.Limit;

  TNamePlan Domains(CaseInsensitive, Limit), Tables(CaseInsensitive, Limit);
  TNamePlan Views(CaseInsensitive, Limit), Indexes(CaseInsensitive, Limit);
  TNamePlan Constraints(CaseInsensitive, Limit);
  Domains.Plan(Names(M.Domains), Or(R.Domain));
  Tables.Plan(Names(M.Tables), Or(R.Table));
  Views.Plan(Names(M.Views), Or(R.View));
  Indexes.Plan(Names(M.Indexes), Or(R.Index));
  {
    std::vector<std::string> N;
    for (const std::string& S : Names(M.Constraints))
      if (!S.empty()) N.push_back(S);
    Constraints.Plan(N, Or(R.Constraint));
  }
  const TRule Column = Or(R.Column);
  // The columns of each table by the table's old name.
  std::map<std::string, TNamePlan> Columns;
  auto TKey = [CaseInsensitive](const std::string& S) {
    return CaseInsensitive ? UpperCase(S) : S;
  };
  auto ColumnOf = [&](const std::string& OldTable, const std::string& Col) {
    auto It = Columns.find(TKey(OldTable));
    return It != Columns.end() ? It->second.Get(Col, Column) : Cut(Column(Col), Limit);
  };
  auto RenameList = [&](TStringList& L, const std::string& OldTable) {
    for (int I = 0; I < L.Count(); ++I) {
      const std::string New = ColumnOf(OldTable, L[I]);
      if (New == L[I]) continue;
      L.Put(I, New);
      if (auto* F = dynamic_cast<TFldData*>(L.Objects(I))) F->SetObjName(New);
    }
  };

  for (int I = 0; I < M.Domains.Count(); ++I) {
    TDbObj* D = M.Domains.Objects(I);
    D->SetObjName(Domains.Get(D->GetObjName(), R.Domain));
  }
  for (int I = 0; I < M.Tables.Count(); ++I) {
    auto* T = dynamic_cast<TTblData*>(M.Tables.Objects(I));
    if (!T) continue;
    const std::string Old = T->GetObjName();
    TNamePlan& Cols = Columns.emplace(TKey(Old), TNamePlan(false, Limit)).first->second;
    std::vector<std::string> ColNames;
    for (const auto& F : T->Fields) ColNames.push_back(F->GetObjName());
    Cols.Plan(ColNames, Column);
    T->SetObjName(Tables.Get(Old, R.Table));
    for (const auto& F : T->Fields) {
      F->SetObjName(Cols.Get(F->GetObjName(), Column));
      F->TableName = T->GetObjName();
      if (!F->Extra().DomainName.empty())
        F->SetExtra(&TFldExtra::DomainName, Domains.Get(F->Extra().DomainName, R.Domain));
    }
  }
  for (int I = 0; I < M.Views.Count(); ++I) {
    TDbObj* V = M.Views.Objects(I);
    V->SetObjName(Views.Get(V->GetObjName(), R.View));
  }
  for (int I = 0; I < M.Indexes.Count(); ++I) {
    auto* X = dynamic_cast<TIdxData*>(M.Indexes.Objects(I));
    if (!X) continue;
    const std::string OldTable = X->TableName;
    X->SetObjName(Indexes.Get(X->GetObjName(), R.Index));
    X->TableName = Tables.Get(OldTable, R.Table);
    RenameList(X->Flds, OldTable);
  }
  for (int I = 0; I < M.Constraints.Count(); ++I) {
    auto* C = dynamic_cast<TCtrData*>(M.Constraints.Objects(I));
    if (!C) continue;
    const std::string OldTable = C->GetTblName(), OldRef = C->GetRefTblName();
    if (!C->GetObjName().empty()) C->SetObjName(Constraints.Get(C->GetObjName(), R.Constraint));
    C->SetExtra(&TObjExtra::AltName, Cut(C->Extra().AltName, Limit));
    if (!C->Extra().IndexName.empty())
      C->EditExtra().IndexName = Indexes.Get(C->Extra().IndexName, R.Index);
    C->SetTblName(Tables.Get(OldTable, R.Table));
    if (!OldRef.empty()) C->SetRefTblName(Tables.Get(OldRef, R.Table));
    RenameList(C->FldList, OldTable);
    RenameList(C->EditExtra().RefFldList, OldRef);
  }
}

// ---------------------------------------------------------------------------------------------
// Lookups that work whatever the case rule of the lists is at the moment.

bool SameName(const std::string& A, const std::string& B, bool CaseInsensitive) {
  return CaseInsensitive ? SameText(A, B) : A == B;
}

TTblData* FindTable(const TCustomObjs& M, const std::string& Name, bool CI) {
  // The keyed lookup first; the walk only for a name filed in another letter case.
  if (auto* T = dynamic_cast<TTblData*>(M.Tables.FindObj(Name));
      T && SameName(T->GetObjName(), Name, CI))
    return T;
  for (int I = 0; I < M.Tables.Count(); ++I)
    if (auto* T = dynamic_cast<TTblData*>(M.Tables.Objects(I));
        T && SameName(T->GetObjName(), Name, CI))
      return T;
  return nullptr;
}

TFldData* FindColumn(const TTblData* T, const std::string& Name, bool CI) {
  if (!T) return nullptr;
  for (const auto& F : T->Fields)
    if (SameName(F->GetObjName(), Name, CI)) return F.get();
  return nullptr;
}

template <class Fn>
void ForEachColumn(TCustomObjs& M, Fn Each) {
  for (int I = 0; I < M.Tables.Count(); ++I)
    if (auto* T = dynamic_cast<TTblData*>(M.Tables.Objects(I)))
      for (const auto& F : T->Fields) Each(*F);
}

template <class T, class Fn>
void ForEach(TDbObjList& L, Fn Each) {
  for (int I = 0; I < L.Count(); ++I)
    if (auto* O = dynamic_cast<T*>(L.Objects(I))) Each(*O);
}

/// "TABLE\x01COLUMN" (upper case) of every column that leads a primary key, unique key or index
/// of M: gathered once, so that asking for each column costs no walk over every key.
std::unordered_set<std::string> LeadingKeyColumns(const TCustomObjs& M) {
  std::unordered_set<std::string> R;
  auto Add = [&R](const std::string& Table, const std::string& Column) {
    R.insert(UpperCase(Table) + '\x01' + UpperCase(Column));
  };
  for (int I = 0; I < M.Constraints.Count(); ++I)
    if (auto* C = dynamic_cast<const TCtrData*>(M.Constraints.Objects(I));
        C && (C->GetCtType() == ctPKey || C->GetCtType() == ctUnique) && C->FldList.Count() > 0)
      Add(C->GetTblName(), C->FldList[0]);
  for (int I = 0; I < M.Indexes.Count(); ++I)
    if (auto* X = dynamic_cast<const TIdxData*>(M.Indexes.Objects(I)); X && X->Flds.Count() > 0)
      Add(X->TableName, X->Flds[0]);
  return R;
}

/// Column leads a primary or unique key, or an index, of Table.
bool LeadsAKey(const std::unordered_set<std::string>& Leading, const std::string& Table,
               const std::string& Column) {
  return Leading.count(UpperCase(Table) + '\x01' + UpperCase(Column)) != 0;
}

bool IsCaseInsensitive(TDatabaseType DB) {
  return DB == dbSybaseASA || DB == dbMSSQL || DB == dbSybaseASE;
}

/// Name needs no quotes under the case-insensitive rule: a name its own dialect writes bare,
/// which a target folds as it folds every unquoted name.
bool WrittenBare(const std::string& Name, TIBSQLServerVersionType Version) {
  return Quote_Ident(Name, dbSybaseASA, Version, 3) == Name;
}

/// The type rules leave precision and scale to the types that carry them.
void KeepScaleOfExactNumbers(TFldData& F) {
  if (F.FieldType != iftNumeric && F.FieldType != iftDecimal) F.Precision = F.Scale = 0;
}

/// Serial types name an integer with a sequence behind it; targets without them get the
/// integer.
bool MapSerial(TFldData& F) {
  if (F.FieldType == iftSerial)
    F.FieldType = iftInteger;
  else if (F.FieldType == iftBigSerial)
    F.FieldType = iftBigInt;
  else
    return false;
  return true;
}

/// TRUE and FALSE of a boolean default, as the numbers of the integer type that takes it.
void BooleanDefaultAsNumber(TFldData& F) {
  if (SameText(F.DefValue, "TRUE"))
    F.DefValue = "1";
  else if (SameText(F.DefValue, "FALSE"))
    F.DefValue = "0";
}

bool IsIntegerText(const std::string& S) {
  std::int32_t V = 0;
  return !S.empty() && TryStrToInt(S, V);
}

/// Strips parentheses that enclose the whole text, as many pairs as there are.
std::string StripEnclosingParens(std::string S) {
  while (S.size() >= 2 && S.front() == '(' && S.back() == ')') {
    int Depth = 0;
    bool Encloses = true;
    for (std::size_t I = 0; I + 1 < S.size(); ++I) {
      if (S[I] == '(') ++Depth;
      if (S[I] == ')') --Depth;
      if (Depth == 0) {
        Encloses = false;  // "(a) + (b)": the first pair closes before the end
        break;
      }
    }
    if (!Encloses) break;
    S = S.substr(1, S.size() - 2);
  }
  return S;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Public rules (kept apart so that they can be checked on their own).

std::string TVarnel::IBDefault(const std::string& Default, TIBSQLServerVersionType Version) {
  const std::string S = StripEnclosingParens(Default);
  const std::string U = UpperCase(S);
  if (U == "GETDATE()")
    return Version == st_InterBase_4x || Version == st_InterBase_5x ? "'TODAY'" : "CURRENT_DATE";
  if (U == "NEWID()") return std::string();
  return S;
}

std::string TVarnel::MySQLName(const std::string& Name) {
  std::string R = Name;
  if (FindDialect(dbMySQL)->IsKeyword(R)) R += "_";
  std::replace(R.begin(), R.end(), ' ', '_');
  return R;
}

std::string TVarnel::PGName(const std::string& Name, const TCustomObjs& Objs) {
  // A name written without quotes in its own dialect is one PostgreSQL folds to lower case.
  return WrittenBare(Name, Objs.IBServerOptions.SQLServerVersion) ? LowerCase(Name) : Name;
}

std::string TVarnel::MySQLNumberDefault(const std::string& Default, TDBFieldType Type,
                                        std::int32_t Scale) {
  double V = 0;
  const char* B = Default.data();
  const char* E = B + Default.size();
  const auto [P, Ec] = std::from_chars(B, E, V);
  const bool Number = !Default.empty() && Ec == std::errc() && P == E && std::isfinite(V);
  if (Number && Type == iftDouble) {
    if (V == std::trunc(V) && std::abs(V) < 1e15) {
      char Buf[64];
      std::snprintf(Buf, sizeof Buf, "%.0f", V);
      return QuotedStr(Buf);
    }
    return QuotedStr(Default);
  }
  if (Number && Type == iftDecimal) {
    // Plain decimals that fit the scale are padded as written, so that no digit is lost to
    // binary floating point.
    const std::size_t Dot = Default.find('.');
    const std::size_t Decimals = Dot == std::string::npos ? 0 : Default.size() - Dot - 1;
    const bool Plain = Default.find_first_not_of("-0123456789.") == std::string::npos &&
                       Scale >= 0 && Decimals <= static_cast<std::size_t>(Scale) &&
                       (Dot == std::string::npos || Decimals > 0);
    if (Plain) {
      std::string R = Default;
      if (Scale > 0 && Dot == std::string::npos) R += ".";
      return QuotedStr(R + std::string(static_cast<std::size_t>(Scale) - Decimals, '0'));
    }
    char Buf[512];
    std::snprintf(Buf, sizeof Buf, "%.*f", std::clamp(Scale, 0, 30), V);
    return QuotedStr(Buf);
  }
  return QuotedStr(Default);
}

// ---------------------------------------------------------------------------------------------
// Starting and ending a conversion.

TCustomObjs* TVarnel::BeginConversion(const char* LogLine, const TCmpObjSetType& Removed) {
  TCustomObjs* M = GetMObjs();
  TCustomObjs* T = GetTObjs();
  if (!M || !T) return nullptr;
  DoLogNextLine(LogLine);
  if (!FSnapshot || FSnapshot->Objs != M) {
    RestoreMaster();
    FSnapshot = TakeSnapshot(*this, *M, *T);
  }
  SetCompareObjects(CompareObjects - Removed);
  M->CompareObjects -= Removed;
  T->CompareObjects -= Removed;
  // The objects of those kinds keep their own dialect's text (routine and view bodies, grants
  // of its privileges): nothing writes them in the target's, the schema writer included.
  const std::pair<TCmpObjType, TDbObjList*> Kinds[] = {
      {coDomain, &M->Domains},       {coFunction, &M->Functions}, {coGenerator, &M->Generators},
      {coException, &M->Exceptions}, {coView, &M->Views},         {coProcedure, &M->Procedures},
      {coTrigger, &M->Triggers},     {coRole, &M->Roles},         {coGrant, &M->Grants},
      {coDefault, &M->Defaults}};
  for (const auto& [Kind, L] : Kinds) {
    if (!Removed.Contains(Kind)) continue;
    for (int I = 0; I < L->Count(); ++I) {
      TDbObj* O = L->Objects(I);
      FSnapshot->Undo.push_back([O, Skip = O->SkipDef] { O->SkipDef = Skip; });
      O->SkipDef = true;
    }
  }
  // The log line's handler is host code: the collections are asked for again.
  return GetTObjs() ? GetMObjs() : nullptr;
}

void TVarnel::RestoreMaster() {
  std::unique_ptr<TMasterSnapshot, TSnapshotDeleter> S = std::move(FSnapshot);
  if (!S) return;
  SetCompareObjects(S->VarnelKinds);
  if (GetTObjs() == S->TargetObjs && S->TargetObjs) S->TargetObjs->CompareObjects = S->TargetKinds;
  TCustomObjs* M = GetMObjs();
  // A holder unlinked or replaced meanwhile took its collection with it.
  if (M != S->Objs || !M) return;
  M->CompareObjects = S->MasterKinds;

  // The lists must hold what was recorded and the objects the conversion added, nothing else:
  // otherwise the collection was refilled meanwhile, and nothing recorded may be touched (the
  // records point to objects that may be gone).
  const std::unordered_set<const TDbObj*> Added(S->Added.begin(), S->Added.end());
  for (const auto& [L, Entries] : S->Keys) {
    std::unordered_set<const TDbObj*> Recorded;
    for (const auto& E : Entries) Recorded.insert(E.first);
    std::size_t Found = 0;
    for (int I = 0; I < L->Count(); ++I) {
      const TDbObj* O = L->Objects(I);
      if (Recorded.count(O))
        ++Found;
      else if (!Added.count(O))
        return;
    }
    if (Found != Entries.size()) return;
  }
  for (const auto& [Tbl, Cols] : S->Columns) {
    if (Tbl->Fields.Count() != static_cast<int>(Cols.size())) return;
    for (std::size_t I = 0; I < Cols.size(); ++I)
      if (Tbl->Fields[static_cast<int>(I)] != Cols[I]) return;
  }

  for (const auto& [L, Entries] : S->Keys)
    for (int I = L->Count() - 1; I >= 0; --I)
      if (Added.count(L->Objects(I))) {
        M->RemoveDepend(L->Objects(I));
        L->Delete(I);
      }
  M->SetDatabaseType(S->DatabaseType);
  M->IBServerOptions.SQLServerVersion = S->IBVersion;
  M->IBServerOptions.SetSQLDialect(S->IBDialect);
  M->IBServerOptions.SetDBCharSet(S->IBCharSet);
  for (auto It = S->Undo.rbegin(); It != S->Undo.rend(); ++It) (*It)();
  for (const auto& [L, Entries] : S->Keys) {
    std::unordered_map<const TDbObj*, const std::string*> KeyOf;
    for (const auto& E : Entries) KeyOf[E.first] = &E.second;
    L->SetSorted(false);
    for (int I = 0; I < L->Count(); ++I) L->PutKey(I, *KeyOf[L->Objects(I)]);
    L->SetSorted(true);
  }
}

void TVarnel::ClearDbObjs(TCustomObjs& Objs, TDbObjList& List) {
  for (int I = List.Count() - 1; I >= 0; --I) {
    Objs.RemoveDepend(List.Objects(I));
    List.Delete(I);
  }
}

bool TVarnel::HasConversionTo(TDatabaseType Target) {
  switch (Target) {
    case dbInterBase:
    case dbSybaseASA:
    case dbMySQL:
    case dbMSSQL:
    case dbPostgreSQL:
      return true;
    default:
      return false;
  }
}

bool TVarnel::ConvertDatabases() {
  RestoreMaster();
  TCustomObjs* M = GetMObjs();
  TCustomObjs* T = GetTObjs();
  if (!M || !T || M->GetDatabaseType() == T->GetDatabaseType()) return true;
  if (HasConversionTo(T->GetDatabaseType())) {
    try {
      switch (T->GetDatabaseType()) {
        case dbInterBase:
          ConvertToIB_Db();
          break;
        case dbSybaseASA:
          ConvertToSybaseDb();
          break;
        case dbMySQL:
          ConvertToMySQLDb();
          break;
        case dbMSSQL:
          ConvertToMsSQLDb();
          break;
        default:
          ConvertToPGSQLDb();
          break;
      }
      return true;
    } catch (const std::exception& E) {
      // Half a conversion is neither dialect: the master goes back as read.
      RestoreMaster();
      ReportError(Who() + ": the master schema could not be converted: " + E.what());
      return false;
    }
  }
  // Nothing converts a master into the other dialects; its syntax must never reach the
  // target's script.
  ReportError(Who() + ": the master schema (" + DialectName(M->GetDatabaseType()) +
              ") cannot be compared with the target schema (" + DialectName(T->GetDatabaseType()) +
              "): there is no conversion between these dialects.");
  return false;
}

// ---------------------------------------------------------------------------------------------
// InterBase and Firebird.

namespace {

/// The server sorts a whole index one way: an index whose columns all sort descending is a
/// DESCENDING index; one that mixes the two orders keeps the ascending.
void DescendingIndex(TIdxData& X) {
  std::vector<TIdxFldData*> Flds;
  bool AllDescending = X.Flds.Count() > 0;
  for (int I = 0; I < X.Flds.Count(); ++I)
    if (auto* F = dynamic_cast<TIdxFldData*>(X.Flds.Objects(I))) {
      Flds.push_back(F);
      AllDescending = AllDescending && F->SortOrder == 2;
    }
  if (AllDescending) X.Descending = true;
  for (TIdxFldData* F : Flds)
    if (F->SortOrder == 2) F->SortOrder = 0;
}

void IBTypeRule(TFldData& F, TDatabaseType From, const std::string& N) {
  auto TextBlob = [&F] {
    F.FieldType = iftBlob;
    F.SubType = 1;
  };
  const bool Max = F.Size == -1 && From == dbMSSQL;
  switch (F.FieldType) {
    case iftNVarChar:
      if (Max) {
        TextBlob();
        F.Size = 0;
      } else {
        F.FieldType = iftVarchar;
      }
      F.SetExtra(&TFldExtra::CharSet, N);
      break;
    case iftVarchar:
      if (Max) {
        TextBlob();
        F.Size = 0;
      }
      break;
    case iftNChar:
      F.FieldType = iftChar;
      F.SetExtra(&TFldExtra::CharSet, N);
      break;
    case iftText:
      TextBlob();
      break;
    case iftNText:
    case iftXml:
      TextBlob();
      F.SetExtra(&TFldExtra::CharSet, N);
      break;
    case iftMoney:
      F.FieldType = iftNumeric;
      F.Precision = 18;
      F.Scale = 4;
      break;
    case iftSmallMoney:
      F.FieldType = iftNumeric;
      F.Precision = 9;
      F.Scale = 4;
      break;
    case iftBit:
    case iftBoolean:
      F.FieldType = iftSmallInt;
      BooleanDefaultAsNumber(F);
      // Only a number fits the small integer the flag becomes.
      if (!IsIntegerText(StripEnclosingParens(F.DefValue))) F.DefValue.clear();
      break;
    case iftDateTime:
      F.FieldType = iftTimeStamp;
      break;
    case iftTinyInt:
      F.FieldType = iftSmallInt;
      break;
    case iftReal:
      F.FieldType = iftFloat;
      break;
    case iftDouble:
      F.FieldType = iftDoublePrecision;
      break;
    case iftVarBinary:
    case iftImage:
      F.FieldType = iftBlob;
      F.SubType = 0;
      break;
    case iftUniqueIdent:
      F.FieldType = iftVarchar;
      F.Size = 38;
      break;
    case iftNumeric:
    case iftDecimal:
      // The server holds 18 digits at most (a wider column is refused).
      F.Precision = std::min(F.Precision, 18);
      break;
    default:
      MapSerial(F);
      break;
  }
}

}  // namespace

void TVarnel::ConvertToIB_Db() {
  TCustomObjs* MP = BeginConversion(
      "Convert master-database to IB/FB-database...",
      {coFunction, coView, coProcedure, coTrigger, coGrant, coDefault, coCtrDefault});
  if (!MP) return;
  TCustomObjs& M = *MP;
  const TCustomObjs* TP = GetTObjs();
  const TDatabaseType From = M.GetDatabaseType();
  const bool CI = IsCaseInsensitive(From);
  const TIBSQLServerVersionType Version = TP->IBServerOptions.SQLServerVersion;
  const std::string N =
      Version == st_Firebird_20 || Version == st_Firebird_21 || Version == st_Firebird_25
          ? "UTF8"
          : "UNICODE_FSS";

  // The master now reads as a database of the target's server: its quoting, its dialect and
  // its character set (else the script would set the target's character set to none).
  M.SetDatabaseType(dbInterBase);
  M.IBServerOptions.SQLServerVersion = Version;
  M.IBServerOptions.SetSQLDialect(TP->IBServerOptions.GetSQLDialect());
  M.IBServerOptions.SetDBCharSet(TP->IBServerOptions.GetDBCharSet());

  // Identifiers longer than 31 bytes are refused by the server: cut, with every use. A name
  // written without quotes in its own dialect is upper-cased, as the server folds the unquoted
  // names of check and computed expressions; kept as it was, it would be a quoted name those
  // expressions do not reach.
  TNameRules Names;
  Names.Limit = 31;
  const TRule Rule = [Version](const std::string& S) {
    return WrittenBare(S, Version) ? UpperCase(S) : S;
  };
  Names.Domain = Names.Table = Names.Column = Names.Index = Names.Constraint = Rule;
  ApplyNames(M, Names, CI);

  ForEach<TDmnData>(M.Domains, [&](TDmnData& D) {
    D.SetSchema("");
    TFldData* F = D.TypeField.get();
    if (!F) return;
    if (D.GetXmlSchemaCollection()) F->FieldType = iftBlob;
    const bool Binary = F->FieldType == iftVarBinary || F->FieldType == iftImage ||
                        (F->FieldType == iftBlob && F->SubType != 1 && !D.GetXmlSchemaCollection());
    IBTypeRule(*F, From, N);
    // A binary blob stays binary; every other domain descriptor is text.
    if (!Binary) F->SubType = 1;
    if (!F->DefValue.empty()) F->DefValue = IBDefault(F->DefValue, Version);
    F->SetExtra(&TFldExtra::Collation, std::string());
  });
  ForEachColumn(M, [&](TFldData& F) {
    if (From == dbMSSQL && UpperCase(F.Extra().DomainName) == "SYSNAME") {
      F.FieldType = iftVarchar;
      F.Size = 256;
      F.SetExtra(&TFldExtra::CharSet, N);
      F.SetExtra(&TFldExtra::DomainName, std::string());
    }
    IBTypeRule(F, From, N);
    if (!F.DefValue.empty()) F.DefValue = IBDefault(F.DefValue, Version);
    F.SetExtra(&TFldExtra::Collation, std::string());
  });
  ForEach<TTblData>(M.Tables, [](TTblData& T) { T.SetSchema(""); });
  ForEach<TIdxData>(M.Indexes, [](TIdxData& X) {
    X.SetSchema("");
    DescendingIndex(X);
  });
  // A database of this server has no schemas inside it.
  ForEach<TSchData>(M.Schemas, [](TSchData& Sch) { Sch.SkipDef = true; });
  ForEach<TCtrData>(M.Constraints, [&](TCtrData& C) {
    C.SetSchema("");
    C.SetRefSchema("");
    if (C.GetCtType() != ctDefault) return;
    // The default moves into its column; the constraint itself is never written (it has no
    // text in this dialect).
    if (C.FldList.Count() > 0)
      if (TFldData* F = FindColumn(FindTable(M, C.GetTblName(), CI), C.FldList[0], CI)) {
        F->DefValue = IBDefault(C.Extra().Body, Version);
        if (F->FieldType == iftSmallInt && !IsIntegerText(F->DefValue)) {
          BooleanDefaultAsNumber(*F);
          if (!IsIntegerText(F->DefValue)) F->DefValue.clear();
        }
      }
    C.SkipDef = true;
  });
  Rekey(M);
}

// ---------------------------------------------------------------------------------------------
// MySQL.

namespace {

/// The type descriptor of the domain each column of M names, looked up by the names as read;
/// the first domain of a name is taken. Gathered once: a walk over the domains for every column
/// would grow with columns times domains.
std::map<const TFldData*, const TFldData*> ColumnDomains(TCustomObjs& M, bool CI) {
  auto NameKey = [CI](const std::string& S) { return CI ? UpperCase(S) : S; };
  std::map<std::string, const TFldData*> DomainTypes;
  ForEach<TDmnData>(M.Domains, [&](TDmnData& D) {
    DomainTypes.emplace(NameKey(D.GetObjName()), D.TypeField.get());
  });
  std::map<const TFldData*, const TFldData*> DomainOf;
  ForEachColumn(M, [&](TFldData& F) {
    if (F.Extra().DomainName.empty()) return;
    if (auto It = DomainTypes.find(NameKey(F.Extra().DomainName));
        It != DomainTypes.end() && It->second)
      DomainOf[&F] = It->second;
  });
  return DomainOf;
}

/// MySQL has no domains: the column takes the type of the domain D it names.
void TakeDomainType(TFldData& F, const TFldData& D) {
  F.FieldType = D.FieldType;
  F.Size = D.Size;
  F.Precision = D.Precision;
  F.Scale = D.Scale;
  // NOT NULL of the column or of its domain: either keeps the column from taking NULL.
  F.Nullable = F.Nullable && D.Nullable;
  F.SetExtra(&TFldExtra::CharSet, D.Extra().CharSet);
  F.SetExtra(&TFldExtra::Collation, D.Extra().Collation);
  F.SubType = D.SubType;
  F.SetExtra(&TFldExtra::SubTypeName, D.Extra().SubTypeName);
  if (F.DefValue.empty()) F.DefValue = D.DefValue;
  F.SetExtra(&TFldExtra::DomainName, std::string());
}

/// The MySQL type of column F of table Table (From: the master's dialect).
void MySQLTypeRule(TFldData& F, TDatabaseType From, const std::unordered_set<std::string>& Leading,
                   const std::string& Table) {
  switch (F.FieldType) {
    case iftNumeric:
      F.FieldType = iftDecimal;
      break;
    case iftDoublePrecision:
    case iftMoney:
      F.FieldType = iftDouble;
      break;
    case iftNText:
      F.FieldType = iftText;
      F.SetExtra(&TFldExtra::CharSet, "UTF8");
      break;
    case iftNChar:
      F.FieldType = iftChar;
      F.SetExtra(&TFldExtra::CharSet, "UTF8");
      break;
    case iftNVarChar:
      F.FieldType = iftVarchar;
      F.SetExtra(&TFldExtra::CharSet, "UTF8");
      break;
    case iftImage:
      F.FieldType = iftLongBlob;
      break;
    case iftBit:
      F.FieldType = iftTinyInt;
      break;
    case iftBoolean:
      // The server's BOOLEAN is a TINYINT(1), and reads back so.
      F.FieldType = iftTinyInt;
      F.Precision = 1;
      BooleanDefaultAsNumber(F);
      break;
    case iftReal:
      // MySQL's REAL is a double: the single-precision float of other dialects is FLOAT.
      F.FieldType = iftFloat;
      break;
    case iftBlob:
      if (From == dbInterBase) {
        F.FieldType = F.SubType == 1 || UpperCase(F.Extra().SubTypeName) == "TEXT" ? iftLongText
                                                                                   : iftLongBlob;
        F.SetExtra(&TFldExtra::SegmentSize, 0);
      }
      break;
    default:
      // The numbering goes with the integer; the server numbers only a column that leads a key.
      if (MapSerial(F)) F.AutoIncrement = LeadsAKey(Leading, Table, F.GetObjName());
      break;
  }
}

/// The default of a MySQL column, and the timestamp type it allows. One column per table keeps
/// a current-timestamp default (an old server's rule; TimestampTaken says whether one has);
/// date and time keywords the server does not take are dropped; numbers are written as the
/// column's type reads them.
void MySQLDefault(TFldData& F, bool& TimestampTaken) {
  const std::string UD = UpperCase(F.DefValue);
  const bool Now = UD == "CURRENT_TIMESTAMP" || UD == "'NOW'";
  if (F.FieldType == iftTimeStamp && (TimestampTaken || !Now)) F.FieldType = iftDateTime;
  if (F.DefValue.empty()) return;
  if (Now) {
    if (!TimestampTaken) {
      F.DefValue = "CURRENT_TIMESTAMP";
      F.Nullable = false;
      TimestampTaken = true;
    } else {
      F.DefValue.clear();
    }
  } else if (UD == "'TODAY'" || UD == "CURRENT_DATE" || UD == "CURRENT_TIME") {
    F.DefValue.clear();
  } else if (F.DefValue.front() != '\'') {
    F.DefValue = TVarnel::MySQLNumberDefault(F.DefValue, F.FieldType, F.Scale);
  }
}

/// A primary key of MySQL has no name of its own; an integer key column is NOT NULL.
void MySQLPrimaryKey(const TCustomObjs& M, TCtrData& C) {
  C.SetObjName("");
  if (C.FldList.Count() != 1) return;
  if (TFldData* F = FindColumn(FindTable(M, C.GetTblName(), false), C.FldList[0], false);
      F && F->FieldType == iftInteger)
    F->Nullable = false;
}

/// No descending index: each column is sorted the other way instead.
void AscendingIndex(TIdxData& X) {
  if (!X.Descending) return;
  X.Descending = false;
  for (int I = 0; I < X.Flds.Count(); ++I)
    if (auto* F = dynamic_cast<TIdxFldData*>(X.Flds.Objects(I)))
      F->SortOrder = F->SortOrder == 2 ? 1 : 2;
}

}  // namespace

void TVarnel::ConvertToMySQLDb() {
  TCustomObjs* MP = BeginConversion("Convert master-database to MySQL-database...",
                                    {coDomain, coFunction, coGenerator, coException, coView,
                                     coProcedure, coTrigger, coRole, coGrant});
  if (!MP) return;
  TCustomObjs& M = *MP;
  const TDatabaseType From = M.GetDatabaseType();
  const bool CI = IsCaseInsensitive(From);
  // Domains are looked up by their names as read, before anything is renamed.
  const std::map<const TFldData*, const TFldData*> DomainOf = ColumnDomains(M, CI);
  M.SetDatabaseType(dbMySQL);

  // Identifiers are at most 64 characters long; reserved words and blanks are renamed.
  TNameRules Names;
  Names.Limit = 64;
  Names.Table = [](const std::string& S) { return MySQLName(LowerCase(S)); };
  Names.Column = MySQLName;
  Names.View = MySQLName;
  ApplyNames(M, Names, CI);
  const std::unordered_set<std::string> Leading = LeadingKeyColumns(M);

  ForEach<TTblData>(M.Tables, [&](TTblData& T) {
    T.SetSchema("");
    bool TimestampTaken = false;
    for (const auto& FP : T.Fields) {
      TFldData& F = *FP;
      F.SetExtra(&TObjExtra::Body, std::string());
      if (auto It = DomainOf.find(&F); It != DomainOf.end()) TakeDomainType(F, *It->second);
      F.SetExtra(&TFldExtra::CharSet, std::string());
      F.SetExtra(&TFldExtra::Collation, std::string());
      // PostgreSQL's "(0)" on fractional seconds is MySQL's precision when none is written.
      if (F.Precision == PGZeroSecondsPrecision && PGTypeTakesSecondsPrecision(F.FieldType))
        F.Precision = 0;
      MySQLTypeRule(F, From, Leading, T.GetObjName());
      // A VARCHAR the master leaves without a length holds text of any length here too, not
      // the empty text of VARCHAR(0).
      if ((F.FieldType == iftVarchar || F.FieldType == iftVarBinary) && F.Size == 0)
        F.FieldType = F.FieldType == iftVarchar ? iftLongText : iftLongBlob;
      if (F.FieldType == iftBoolean || F.FieldType == iftTinyInt) BooleanDefaultAsNumber(F);
      if (F.FieldType == iftVarchar || F.FieldType == iftChar) F.Precision = F.Size;
      MySQLDefault(F, TimestampTaken);
    }
  });
  ForEach<TCtrData>(M.Constraints, [&](TCtrData& C) {
    C.SetSchema("");
    C.SetRefSchema("");
    if (C.GetCtType() == ctPKey) MySQLPrimaryKey(M, C);
  });
  ForEach<TIdxData>(M.Indexes, [](TIdxData& X) {
    X.SetSchema("");
    AscendingIndex(X);
  });
  ForEach<TViwData>(M.Views, [](TViwData& V) { V.SetSchema(""); });
  // A schema of this server is a database of its own; the master's are not carried.
  ForEach<TSchData>(M.Schemas, [](TSchData& Sch) { Sch.SkipDef = true; });
  Rekey(M);
}

// ---------------------------------------------------------------------------------------------
// SQL Server.

namespace {

std::string BaseTypeText(const TFldData& F) {
  std::string R = F.FieldType == iftInteger ? "INT" : UpperCase(FieldTypeName(F.FieldType));
  if (F.FieldType == iftVarchar || F.FieldType == iftChar) R += "(" + std::to_string(F.Size) + ")";
  return R;
}

/// A domain of the SQL Server and SQL Anywhere targets: its type by the target's Rule, named by
/// the base type text those servers declare it with; no description.
template <class Fn>
void ConvertDomainType(TDmnData& D, Fn Rule) {
  D.SetExtra(&TObjExtra::Description, std::string());
  if (!D.TypeField) return;
  Rule(*D.TypeField);
  D.BaseTypeName = BaseTypeText(*D.TypeField);
}

/// The SQL Server and SQL Anywhere foreign keys take no SET NULL or cascading delete and no
/// cascading update: those become NO ACTION.
void NoCascadingActions(TCtrData& C) {
  if (C.OnDelete == udaNull || C.OnDelete == udaCascade) C.OnDelete = udaNoAction;
  if (C.OnUpdate == udaCascade) C.OnUpdate = udaNoAction;
}

}  // namespace

void TVarnel::ConvertToMsSQLDb() {
  TCustomObjs* MP = BeginConversion("Convert master-database to MSSQL-database...",
                                    {coFunction, coGenerator, coException, coProcedure, coTrigger,
                                     coGrant, coRoleGrant, coUserGrant, coObjGrant});
  if (!MP) return;
  TCustomObjs& M = *MP;
  const bool FromIB = M.GetDatabaseType() == dbInterBase;
  const std::string DbCharSet = UpperCase(Trim(M.IBServerOptions.GetDBCharSet()));
  M.SetDatabaseType(dbMSSQL);

  auto Rule = [&](TFldData& F) {
    const std::string CS = UpperCase(Trim(F.Extra().CharSet));
    switch (F.FieldType) {
      case iftFloat:
      case iftDoublePrecision:
      case iftDouble:
        F.FieldType = iftFloat;
        break;
      case iftDate:
      case iftTime:
      case iftTimeStamp:
        F.FieldType = iftDateTime;
        break;
      case iftBlob:
        F.FieldType = F.SubType == 1 ? (CS == "UNICODE_FSS" ? iftNText : iftText) : iftImage;
        break;
      case iftVarchar: {
        const std::string Eff = CS.empty() ? DbCharSet : CS;
        if (FromIB && (Eff == "UNICODE_FSS" || Eff == "UTF8")) F.FieldType = iftNVarChar;
        break;
      }
      default:
        if (MapSerial(F)) {
          F.Identity = true;
          F.SetExtra(&TFldExtra::IdentitySeed, 1);
          F.SetExtra(&TFldExtra::IdentityIncrement, 1);
        }
        break;
    }
    F.SetExtra(&TObjExtra::Description, std::string());
    F.SetExtra(&TFldExtra::CharSet, std::string());
    F.SetExtra(&TFldExtra::Collation, std::string());
    KeepScaleOfExactNumbers(F);
  };

  ForEach<TDmnData>(M.Domains, [&](TDmnData& D) { ConvertDomainType(D, Rule); });
  std::vector<TCtrData*> Defaults;
  ForEach<TTblData>(M.Tables, [&](TTblData& T) {
    T.SetExtra(&TObjExtra::Description, std::string());
    for (const auto& FP : T.Fields) {
      TFldData& F = *FP;
      Rule(F);
      if (F.DefValue.empty()) continue;
      // The default becomes a constraint of its own, in the server's parenthesised form.
      const std::string& D = F.DefValue;
      const std::string UD = UpperCase(D);
      std::string Body;
      if (UD == "CURRENT_TIMESTAMP" || UD == "CURRENT_DATE")
        Body = "(getdate())";
      else if (D.front() == '(')
        Body = D.substr(1, D.size() >= 2 ? D.size() - 2 : 0);
      else if (D.front() == '-')
        Body = "((" + D + "))";
      else
        Body = "(" + D + ")";
      auto* C = new TCtrData(&M);
      C->SetCtType(ctDefault);
      C->SetSchema(T.GetSchema());
      C->SetTblName(F.TableName.empty() ? T.GetObjName() : F.TableName);
      C->FldList.Add(F.GetObjName());
      C->SetBody(Body);
      Defaults.push_back(C);
      F.DefValue.clear();
    }
  });
  for (TCtrData* C : Defaults) {
    if (M.AddObj(C, false))
      FSnapshot->Added.push_back(C);
    else
      delete C;  // one equal default is filed already
  }
  ForEach<TIdxData>(M.Indexes, [](TIdxData& X) { X.Descending = false; });
  ForEach<TCtrData>(M.Constraints, [](TCtrData& C) {
    if (C.GetCtType() == ctPKey) C.Clustered = true;
    if (C.GetCtType() == ctFKey) NoCascadingActions(C);
  });
  Rekey(M);
}

// ---------------------------------------------------------------------------------------------
// SQL Anywhere.

void TVarnel::ConvertToSybaseDb() {
  TCustomObjs* MP = BeginConversion(
      "Convert master-database to Sybase-database...",
      {coFunction, coGenerator, coException, coView, coProcedure, coTrigger, coGrant});
  if (!MP) return;
  TCustomObjs& M = *MP;
  M.SetDatabaseType(dbSybaseASA);
  const std::string Owner = "DBA";

  auto Rule = [](TFldData& F) {
    switch (F.FieldType) {
      case iftDoublePrecision:
        F.FieldType = iftDouble;
        break;
      case iftBlob:
        F.FieldType =
            F.SubType == 1
                ? (UpperCase(Trim(F.Extra().CharSet)) == "UNICODE_FSS" ? iftNText : iftLongVarchar)
                : iftLongBinary;
        break;
      default:
        MapSerial(F);
        break;
    }
    F.SetExtra(&TObjExtra::Description, std::string());
    F.SetExtra(&TFldExtra::CharSet, std::string());
    F.SetExtra(&TFldExtra::Collation, std::string());
    F.SetExtra(&TObjExtra::Body, std::string());
    KeepScaleOfExactNumbers(F);
  };

  ForEach<TDmnData>(M.Domains, [&](TDmnData& D) {
    D.SetExtra(&TObjExtra::Creator, Owner);
    ConvertDomainType(D, Rule);
  });
  ForEach<TTblData>(M.Tables, [&](TTblData& T) {
    T.SetExtra(&TObjExtra::Creator, Owner);
    for (const auto& F : T.Fields) Rule(*F);
  });
  ForEach<TIdxData>(M.Indexes, [&](TIdxData& X) {
    X.SetExtra(&TObjExtra::Creator, Owner);
    X.Descending = false;
  });
  ForEach<TCtrData>(M.Constraints, [&](TCtrData& C) {
    C.SetExtra(&TObjExtra::Creator, Owner);
    switch (C.GetCtType()) {
      case ctPKey:
        C.Clustered = true;
        break;
      case ctFKey:
        C.EditExtra().RefOwner = Owner;
        NoCascadingActions(C);
        C.EditExtra().RoleName = C.GetObjName();
        C.SetObjName("");
        break;
      case ctUnique: {
        TTblData* T = FindTable(M, C.GetTblName(), true);
        std::vector<int> Order;  // table position of each entry
        for (int I = 0; I < C.FldList.Count(); ++I) {
          TFldData* F = FindColumn(T, C.FldList[I], true);
          if (F) F->Nullable = false;
          Order.push_back(F ? T->Fields.IndexOfObject(F) : -1);
        }
        // The key follows the table's column order; a key naming a column the table lacks is
        // left as it is (dropping the name would make it a different key).
        if (!T || std::count(Order.begin(), Order.end(), -1) > 0) break;
        for (int I = 0; I < C.FldList.Count(); ++I) {
          int Min = I;
          for (int J = I + 1; J < C.FldList.Count(); ++J)
            if (Order[static_cast<std::size_t>(J)] < Order[static_cast<std::size_t>(Min)]) Min = J;
          if (Min == I) continue;
          C.FldList.Move(Min, I);
          const int P = Order[static_cast<std::size_t>(Min)];
          Order.erase(Order.begin() + Min);
          Order.insert(Order.begin() + I, P);
        }
        break;
      }
      default:
        break;
    }
  });
  Rekey(M);
}

// ---------------------------------------------------------------------------------------------
// PostgreSQL.

void TVarnel::ConvertToPGSQLDb() {
  TCustomObjs* MP =
      BeginConversion("Convert master-database to PostgreSQL-database...",
                      {coFunction, coGenerator, coException, coView, coProcedure, coTrigger, coRole,
                       coGrant, coRoleGrant, coUserGrant, coObjGrant});
  if (!MP) return;
  TCustomObjs& M = *MP;
  const bool CI = IsCaseInsensitive(M.GetDatabaseType());
  // Which tables need no quoting is decided on the names as read.
  std::set<const TDbObj*> Plain;
  ForEach<TTblData>(M.Tables, [&](TTblData& T) {
    if (WrittenBare(T.GetObjName(), M.IBServerOptions.SQLServerVersion)) Plain.insert(&T);
  });
  M.SetDatabaseType(dbPostgreSQL);

  // Identifiers are at most 63 bytes long; the server would cut longer ones by itself.
  TNameRules Names;
  Names.Limit = 63;
  const TRule Rule = [&M](const std::string& S) { return PGName(S, M); };
  Names.Domain = Names.Table = Names.Column = Names.Index = Names.Constraint = Rule;
  ApplyNames(M, Names, CI);

  auto ColumnRule = [](TFldData& F) {
    F.SetExtra(&TFldExtra::CharSet, std::string());
    F.SetExtra(&TFldExtra::Collation, std::string());
    F.SetExtra(&TObjExtra::Body, std::string());
    // A PostgreSQL smallint with AutoIncrement is a smallserial; the counter of another
    // dialect's column is not carried over (its integer columns stay plain integers too).
    F.AutoIncrement = false;
    switch (F.FieldType) {
      case iftVarChar2:
        F.FieldType = iftVarchar;
        break;
      case iftLongText:
        F.FieldType = iftText;
        break;
      case iftDecimal:
        // The server's name of the type, as its catalog gives it back.
        F.FieldType = iftNumeric;
        break;
      case iftBlob:
        F.FieldType = F.SubType == 1 ? iftText : iftByteA;
        break;
      case iftNumber:
        // An integer column keeps every value it holds: the width follows the precision.
        if (F.Scale != 0 || F.Precision == 0 || F.Precision > 18)
          F.FieldType = iftNumeric;
        else
          F.FieldType = F.Precision > 9 ? iftBigInt : iftInteger;
        break;
      default:
        break;
    }
    KeepScaleOfExactNumbers(F);
    const std::string U = UpperCase(F.DefValue);
    if (U == "CURRENT_TIMESTAMP" || U == "'NOW'")
      F.DefValue = "current_timestamp";
    else if (U == "CURRENT_DATE" || U == "'TODAY'")
      F.DefValue = "current_date";
  };
  ForEach<TDmnData>(M.Domains, [&](TDmnData& D) {
    if (D.TypeField) ColumnRule(*D.TypeField);
  });
  ForEach<TTblData>(M.Tables, [&](TTblData& T) {
    if (Plain.count(&T) && T.GetSchema().empty()) T.SetSchema("public");
    for (const auto& F : T.Fields) ColumnRule(*F);
  });
  // An index lives in its table's schema, as the server reads it back.
  ForEach<TIdxData>(M.Indexes, [](TIdxData& X) {
    X.Descending = false;
    if (X.GetSchema().empty()) X.SetSchema("public");
  });
  ForEach<TCtrData>(M.Constraints, [](TCtrData& C) {
    if (C.GetSchema().empty()) C.SetSchema("public");
  });
  Rekey(M);
}

}  // namespace qel
