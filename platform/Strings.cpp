// TStrings and TStringList: string lists with attached objects, sorted lists, text and files.
#include "Strings.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string_view>
#include <utility>

#include "Files.h"
#include "Text.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// TStrings

TStrings::TStrings(const TStrings& Other)
    : TPersistent(Other), FItems(Other.FItems), FCaseSensitive(Other.FCaseSensitive) {}

TStrings& TStrings::operator=(const TStrings& Other) {
  if (this == &Other) return *this;
  for (const TStringItem& Item : FItems) FreeObject(Item.FObject);
  // The objects stay with the list that owns them; this list only points at them.
  OwnsObjects = false;
  FItems = Other.FItems;
  FCaseSensitive = Other.FCaseSensitive;
  Changed();
  return *this;
}

TStrings::TStrings(TStrings&& Other) noexcept
    : TPersistent(Other),
      OwnsObjects(Other.OwnsObjects),
      OnChange(std::move(Other.OnChange)),
      FItems(std::move(Other.FItems)),
      FCaseSensitive(Other.FCaseSensitive) {
  Other.FItems.clear();
  Other.OwnsObjects = false;
}

TStrings& TStrings::operator=(TStrings&& Other) noexcept {
  if (this == &Other) return *this;
  for (const TStringItem& Item : FItems) FreeObject(Item.FObject);
  FItems = std::move(Other.FItems);
  Other.FItems.clear();
  OwnsObjects = Other.OwnsObjects;
  Other.OwnsObjects = false;
  OnChange = std::move(Other.OnChange);
  FCaseSensitive = Other.FCaseSensitive;
  return *this;
}

TStrings::~TStrings() {
  for (const TStringItem& Item : FItems) FreeObject(Item.FObject);
}

void TStrings::FreeObject(TObject* AObject) const {
  if (OwnsObjects) delete AObject;
}

const std::string& TStrings::operator[](int Index) const {
  static const std::string Empty;
  return ValidIndex(Index) ? FItems[static_cast<size_t>(Index)].FString : Empty;
}

void TStrings::Put(int Index, std::string S) {
  if (!ValidIndex(Index)) return;
  FItems[static_cast<size_t>(Index)].FString = std::move(S);
  Changed();
}

TObject* TStrings::Objects(int Index) const {
  return ValidIndex(Index) ? FItems[static_cast<size_t>(Index)].FObject : nullptr;
}

void TStrings::PutObject(int Index, TObject* AObject) {
  if (!ValidIndex(Index)) return;
  TObject*& Slot = FItems[static_cast<size_t>(Index)].FObject;
  if (Slot == AObject) return;
  // An owning list would otherwise lose the only reference to the object it replaces.
  FreeObject(Slot);
  Slot = AObject;
  Changed();
}

int TStrings::AddObject(std::string S, TObject* AObject) {
  FItems.push_back(TStringItem{std::move(S), AObject});
  Changed();
  return Count() - 1;
}

void TStrings::InsertObject(int Index, std::string S, TObject* AObject) {
  if (Index < 0 || Index > Count()) return;
  FItems.insert(FItems.begin() + Index, TStringItem{std::move(S), AObject});
  Changed();
}

void TStrings::Delete(int Index) {
  if (!ValidIndex(Index)) return;
  TObject* Object = FItems[static_cast<size_t>(Index)].FObject;
  FItems.erase(FItems.begin() + Index);
  FreeObject(Object);
  Changed();
}

void TStrings::Clear() {
  if (FItems.empty()) return;
  // Take the entries out first, so that a destructor that looks at the list sees it empty.
  TItems Old;
  Old.swap(FItems);
  for (const TStringItem& Item : Old) FreeObject(Item.FObject);
  Changed();
}

void TStrings::Exchange(int Index1, int Index2) {
  if (!ValidIndex(Index1) || !ValidIndex(Index2) || Index1 == Index2) return;
  std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
  Changed();
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (!ValidIndex(CurIndex) || !ValidIndex(NewIndex) || CurIndex == NewIndex) return;
  const auto First = FItems.begin();
  if (CurIndex < NewIndex)
    std::rotate(First + CurIndex, First + CurIndex + 1, First + NewIndex + 1);
  else
    std::rotate(First + NewIndex, First + CurIndex, First + CurIndex + 1);
  Changed();
}

void TStrings::AddStrings(const TStrings& Strings) {
  // Count is read once, so adding a list to itself doubles it instead of running forever.
  const int N = Strings.Count();
  if (N == 0) return;
  BeginUpdate();
  for (int I = 0; I < N; ++I) AddObject(Strings.Get(I), Strings.Objects(I));
  EndUpdate();
}

int TStrings::IndexOf(const std::string& S) const {
  for (int I = 0; I < Count(); ++I) {
    if (CompareStrings(FItems[static_cast<size_t>(I)].FString, S) == 0) return I;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const {
  for (int I = 0; I < Count(); ++I) {
    if (FItems[static_cast<size_t>(I)].FObject == AObject) return I;
  }
  return -1;
}

int TStrings::IndexOfName(const std::string& Name) const {
  for (int I = 0; I < Count(); ++I) {
    const std::string& S = FItems[static_cast<size_t>(I)].FString;
    const size_t Eq = S.find('=');
    if (Eq != std::string::npos && CompareStrings(S.substr(0, Eq), Name) == 0) return I;
  }
  return -1;
}

std::string TStrings::Names(int Index) const {
  const std::string& S = (*this)[Index];
  const size_t Eq = S.find('=');
  return Eq == std::string::npos ? std::string() : S.substr(0, Eq);
}

std::string TStrings::ValueFromIndex(int Index) const {
  const std::string& S = (*this)[Index];
  const size_t Eq = S.find('=');
  return Eq == std::string::npos ? std::string() : S.substr(Eq + 1);
}

std::string TStrings::Values(const std::string& Name) const {
  const int I = IndexOfName(Name);
  return I < 0 ? std::string() : ValueFromIndex(I);
}

void TStrings::SetValue(const std::string& Name, const std::string& Value) {
  const int I = IndexOfName(Name);
  if (Value.empty()) {
    if (I >= 0) Delete(I);
  } else if (I < 0) {
    Add(Name + "=" + Value);
  } else {
    Put(I, Name + "=" + Value);
  }
}

std::string TStrings::GetText() const {
  size_t Size = 0;
  for (const TStringItem& Item : FItems) Size += Item.FString.size() + 2;
  std::string Result;
  Result.reserve(Size);
  for (const TStringItem& Item : FItems) {
    Result += Item.FString;
    Result += "\r\n";
  }
  return Result;
}

void TStrings::SetText(const std::string& Text) {
  BeginUpdate();
  Clear();
  size_t Start = 0;
  // The next LF is looked for once for all the lines before it (a text of lone CRs is read
  // once, not once a line).
  size_t NextLf = 0;
  while (Start < Text.size()) {
    if (NextLf < Start || NextLf == 0) {
      const void* Lf = std::memchr(Text.data() + Start, '\n', Text.size() - Start);
      NextLf = Lf ? static_cast<size_t>(static_cast<const char*>(Lf) - Text.data()) : Text.size();
    }
    const void* Cr = std::memchr(Text.data() + Start, '\r', NextLf - Start);
    size_t End = Cr ? static_cast<size_t>(static_cast<const char*>(Cr) - Text.data()) : NextLf;
    Add(Text.substr(Start, End - Start));
    // CR LF is one break; a lone CR or LF is one break too.
    if (End < Text.size() && Text[End] == '\r') ++End;
    if (End < Text.size() && Text[End] == '\n') ++End;
    Start = End;
  }
  EndUpdate();
}

void TStrings::Assign(const TPersistent& Source) {
  const auto* Strings = dynamic_cast<const TStrings*>(&Source);
  if (!Strings) {
    TPersistent::Assign(Source);
    return;
  }
  if (Strings == this) return;
  BeginUpdate();
  Clear();
  AddStrings(*Strings);
  EndUpdate();
}

bool TStrings::LoadFromFile(const std::string& FileName) {
  std::string Data;
  if (!ReadFileToString(FileName, Data)) return false;
  // Editors on the other platform often start UTF-8 files with a byte-order mark; it is not
  // part of the first line.
  static constexpr std::string_view Bom = "\xEF\xBB\xBF";
  if (std::string_view(Data).substr(0, Bom.size()) == Bom) Data.erase(0, Bom.size());
  SetText(Data);
  return true;
}

bool TStrings::SaveToFile(const std::string& FileName) const {
  return WriteStringToFile(FileName, GetText());
}

void TStrings::EndUpdate() {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0 && FChangedWhileUpdating) {
    FChangedWhileUpdating = false;
    DoChange();
  }
}

void TStrings::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  Changed();
}

bool TStrings::Equals(const TStrings& Strings) const {
  if (Count() != Strings.Count()) return false;
  for (int I = 0; I < Count(); ++I) {
    if (FItems[static_cast<size_t>(I)].FString != Strings.FItems[static_cast<size_t>(I)].FString)
      return false;
  }
  return true;
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const {
  return FCaseSensitive ? CompareStr(S1, S2) : CompareText(S1, S2);
}

void TStrings::Changed() {
  if (FUpdateCount > 0) {
    FChangedWhileUpdating = true;
    return;
  }
  DoChange();
}

void TStrings::DoChange() {
  if (OnChange) OnChange();
}

// ---------------------------------------------------------------------------------------------
// TStringList

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  if (FSorted) SortItems();
}

void TStringList::SetCaseSensitive(bool Value) {
  if (GetCaseSensitive() == Value) return;
  // A sorted list must be re-sorted under the new rule, or Find would miss entries.
  BeginUpdate();
  TStrings::SetCaseSensitive(Value);
  if (FSorted) SortItems();
  EndUpdate();
}

int TStringList::AddObject(std::string S, TObject* AObject) {
  if (!FSorted) return TStrings::AddObject(std::move(S), AObject);
  int Index = 0;
  if (Find(S, Index)) {
    switch (Duplicates) {
      case dupIgnore:
        return Index;
      case dupError:
        return -1;
      case dupAccept:
        Index = UpperBound(S);
        break;
    }
  }
  FItems.insert(FItems.begin() + Index, TStringItem{std::move(S), AObject});
  Changed();
  return Index;
}

void TStringList::InsertObject(int Index, std::string S, TObject* AObject) {
  if (FSorted) {
    AddObject(std::move(S), AObject);
    return;
  }
  TStrings::InsertObject(Index, std::move(S), AObject);
}

void TStringList::Put(int Index, std::string S) {
  if (!FSorted) {
    TStrings::Put(Index, std::move(S));
    return;
  }
  if (!ValidIndex(Index)) return;
  // Take the entry out, look for the new string's place among the others, and file it there;
  // put it back unchanged when the duplicates rule refuses the new string.
  TStringItem Item = std::move(FItems[static_cast<size_t>(Index)]);
  FItems.erase(FItems.begin() + Index);
  int NewIndex = 0;
  if (Find(S, NewIndex)) {
    if (Duplicates != dupAccept) {
      FItems.insert(FItems.begin() + Index, std::move(Item));
      return;
    }
    NewIndex = UpperBound(S);
  }
  Item.FString = std::move(S);
  FItems.insert(FItems.begin() + NewIndex, std::move(Item));
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  if (FSorted) return;
  TStrings::Exchange(Index1, Index2);
}

void TStringList::Move(int CurIndex, int NewIndex) {
  if (FSorted) return;
  TStrings::Move(CurIndex, NewIndex);
}

int TStringList::IndexOf(const std::string& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  int Index = 0;
  return Find(S, Index) ? Index : -1;
}

bool TStringList::Find(const std::string& S, int& Index) const {
  if (!FSorted) {
    Index = TStrings::IndexOf(S);
    if (Index >= 0) return true;
    Index = Count();
    return false;
  }
  // Lower bound: the first entry not less than S.
  int Lo = 0;
  int Hi = Count();
  while (Lo < Hi) {
    const int Mid = Lo + (Hi - Lo) / 2;
    if (CompareStrings(FItems[static_cast<size_t>(Mid)].FString, S) < 0)
      Lo = Mid + 1;
    else
      Hi = Mid;
  }
  Index = Lo;
  return Lo < Count() && CompareStrings(FItems[static_cast<size_t>(Lo)].FString, S) == 0;
}

int TStringList::UpperBound(const std::string& S) const {
  int Lo = 0;
  int Hi = Count();
  while (Lo < Hi) {
    const int Mid = Lo + (Hi - Lo) / 2;
    if (CompareStrings(FItems[static_cast<size_t>(Mid)].FString, S) <= 0)
      Lo = Mid + 1;
    else
      Hi = Mid;
  }
  return Lo;
}

void TStringList::Sort() {
  if (FSorted) return;  // kept in order already
  SortItems();
}

void TStringList::SortItems() {
  if (Count() < 2) return;
  // Stable, so that equal entries keep the order they were added in on every machine.
  std::stable_sort(FItems.begin(), FItems.end(),
                   [this](const TStringItem& A, const TStringItem& B) {
                     return CompareStrings(A.FString, B.FString) < 0;
                   });
  Changed();
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (FSorted || Count() < 2 || !Compare) return;
  // The comparison reads the list by index, so sort a permutation and rebuild once.
  std::vector<int> Order(FItems.size());
  std::iota(Order.begin(), Order.end(), 0);
  std::stable_sort(Order.begin(), Order.end(),
                   [&](int A, int B) { return Compare(*this, A, B) < 0; });
  TItems Sorted;
  Sorted.reserve(FItems.size());
  for (int I : Order) Sorted.push_back(std::move(FItems[static_cast<size_t>(I)]));
  FItems = std::move(Sorted);
  Changed();
}

}  // namespace qel
