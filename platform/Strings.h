// String lists: an ordered list of byte strings, each with an optional attached object, and a
// list that keeps itself sorted for binary search. The library files schema objects, keywords
// and script lines in these lists.
//
// Comparison never consults a locale: a case-sensitive list compares bytes, a case-insensitive
// one compares ASCII-case-folded bytes, so every list sorts the same way on every machine.
//
// Index errors do not throw (the library reports failures, it does not throw to its caller):
// reading outside the list gives an empty string or nullptr, and a change at an index outside
// the list is ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "Component.h"

namespace qel {

/// What a sorted TStringList does when a string equal to an entry is added.
enum TDuplicates : std::uint8_t {
  dupIgnore,  ///< keep the existing entry; Add returns its index
  dupAccept,  ///< add the new entry after the equal ones
  dupError    ///< refuse; Add returns -1
};

/// An ordered list of strings, each with an attached TObject (nullptr when none).
class TStrings : public TPersistent {
 public:
  struct TStringItem {
    std::string FString;
    TObject* FObject = nullptr;
  };
  using TItems = std::vector<TStringItem>;

  /// Iterates over the strings of the list (not the objects).
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::string;
    using difference_type = std::ptrdiff_t;
    using pointer = const std::string*;
    using reference = const std::string&;

    const_iterator() = default;
    explicit const_iterator(TItems::const_iterator It) : FIt(It) {}
    reference operator*() const { return FIt->FString; }
    pointer operator->() const { return &FIt->FString; }
    const_iterator& operator++() {
      ++FIt;
      return *this;
    }
    const_iterator operator++(int) { return const_iterator(FIt++); }
    bool operator==(const const_iterator& Other) const { return FIt == Other.FIt; }
    bool operator!=(const const_iterator& Other) const { return FIt != Other.FIt; }

   private:
    TItems::const_iterator FIt;
  };

  TStrings() = default;
  /// A copy holds the same strings and object pointers but never owns the objects (they stay
  /// with the original); handlers are not copied.
  TStrings(const TStrings& Other);
  TStrings& operator=(const TStrings& Other);
  /// A move takes the entries, the ownership of the objects and the settings.
  TStrings(TStrings&& Other) noexcept;
  TStrings& operator=(TStrings&& Other) noexcept;
  /// Frees the objects when the list owns them.
  ~TStrings() override;

  /// When true, the list frees an entry's object when the entry is deleted, the list cleared
  /// or destroyed, or the object replaced by PutObject. A list that owns its objects must not
  /// be handed objects that something else frees.
  bool OwnsObjects = false;
  /// Fired after each change, or once at the closing EndUpdate when changes were made.
  std::function<void()> OnChange;

  int Count() const { return static_cast<int>(FItems.size()); }
  bool Empty() const { return FItems.empty(); }
  /// The string at Index; an empty string outside the list.
  const std::string& operator[](int Index) const;
  std::string Get(int Index) const { return (*this)[Index]; }
  /// Replaces the string at Index, keeping its object.
  virtual void Put(int Index, std::string S);
  TObject* Objects(int Index) const;
  void PutObject(int Index, TObject* AObject);

  int Add(std::string S) { return AddObject(std::move(S), nullptr); }
  /// Appends S (a sorted list files it at its place); returns its index, or -1 when refused.
  virtual int AddObject(std::string S, TObject* AObject);
  void Insert(int Index, std::string S) { InsertObject(Index, std::move(S), nullptr); }
  /// Inserts before Index (Index == Count appends).
  virtual void InsertObject(int Index, std::string S, TObject* AObject);
  void Delete(int Index);
  void Clear();
  virtual void Exchange(int Index1, int Index2);
  /// Moves the entry at CurIndex so that it ends up at NewIndex.
  virtual void Move(int CurIndex, int NewIndex);
  /// Appends every entry of Strings (strings and objects).
  void AddStrings(const TStrings& Strings);

  /// Index of the first entry equal to S under the list's case rule, or -1.
  virtual int IndexOf(const std::string& S) const;
  int IndexOfObject(const TObject* AObject) const;
  /// Index of the first "Name=Value" entry whose name equals Name under the case rule, or -1.
  int IndexOfName(const std::string& Name) const;

  /// The part of the entry before its first "="; empty when the entry has none.
  std::string Names(int Index) const;
  /// The part of the entry after its first "="; empty when the entry has none.
  std::string ValueFromIndex(int Index) const;
  /// The value of the entry named Name; empty when there is none.
  std::string Values(const std::string& Name) const;
  /// Sets the value of the entry named Name, adding "Name=Value" when there is none. An empty
  /// Value deletes the entry.
  void SetValue(const std::string& Name, const std::string& Value);

  /// Every string followed by "\r\n".
  std::string GetText() const;
  /// Replaces the list by the lines of Text. Lines end at CR, LF or CR LF; a final line break
  /// does not add an empty line, so "" gives no line and a lone line break one empty line.
  void SetText(const std::string& Text);

  /// Copies the strings and objects of another TStrings; other sources go to the base.
  void Assign(const TPersistent& Source) override;

  /// Replaces the list by the lines of the file (a leading UTF-8 byte-order mark is dropped).
  /// Returns false and leaves the list unchanged when the file cannot be read.
  bool LoadFromFile(const std::string& FileName);
  /// Writes GetText() to the file; false when it cannot be written.
  bool SaveToFile(const std::string& FileName) const;

  /// Holds OnChange back until the matching EndUpdate; calls nest.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  bool GetCaseSensitive() const { return FCaseSensitive; }
  /// Sets the case rule of IndexOf, IndexOfName and (in TStringList) sorting; false by default.
  virtual void SetCaseSensitive(bool Value);

  /// True when both lists hold the same strings, byte for byte, in the same order.
  bool Equals(const TStrings& Strings) const;

  const_iterator begin() const { return const_iterator(FItems.cbegin()); }
  const_iterator end() const { return const_iterator(FItems.cend()); }

 protected:
  /// Compares two strings under the list's case rule: <0, 0 or >0.
  virtual int CompareStrings(const std::string& S1, const std::string& S2) const;
  /// Records a change: fires OnChange now, or at the closing EndUpdate.
  void Changed();
  /// Fires OnChange when a handler is set.
  virtual void DoChange();
  bool ValidIndex(int Index) const { return Index >= 0 && Index < Count(); }
  /// Frees the object when the list owns it.
  void FreeObject(TObject* AObject) const;

  TItems FItems;

 private:
  bool FCaseSensitive = false;
  int FUpdateCount = 0;
  bool FChangedWhileUpdating = false;
};

/// A string list that can keep itself sorted, found by binary search.
class TStringList : public TStrings {
 public:
  /// Compares the entries at Index1 and Index2 of List: <0, 0 or >0.
  using TStringListSortCompare =
      std::function<int(const TStringList& List, int Index1, int Index2)>;

  TStringList() = default;

  /// What Add does with a string equal to an entry of a sorted list; unsorted lists accept all.
  TDuplicates Duplicates = dupIgnore;

  bool GetSorted() const { return FSorted; }
  /// Setting true sorts the list; entries added later go to their sorted place.
  void SetSorted(bool Value);
  void SetCaseSensitive(bool Value) override;

  /// In a sorted list: files S at its place under the Duplicates rule (dupIgnore returns the
  /// index of the existing entry, dupError returns -1, dupAccept adds after the equal ones).
  int AddObject(std::string S, TObject* AObject) override;
  /// In a sorted list the position is ignored and the entry filed as by AddObject.
  void InsertObject(int Index, std::string S, TObject* AObject) override;
  /// In a sorted list the changed entry moves to its sorted place; the change is refused when
  /// the new string equals another entry and Duplicates is not dupAccept.
  void Put(int Index, std::string S) override;
  /// Ignored in a sorted list, which would lose its order.
  void Exchange(int Index1, int Index2) override;
  /// Ignored in a sorted list, which would lose its order.
  void Move(int CurIndex, int NewIndex) override;
  int IndexOf(const std::string& S) const override;

  /// Looks S up. Returns true with Index at the first equal entry, or false with Index at the
  /// place S would be inserted. Binary search in a sorted list; an unsorted list is scanned and
  /// Index is Count when S is absent.
  bool Find(const std::string& S, int& Index) const;
  /// Sorts by the case rule, keeping the order of equal entries. A sorted list is in order.
  void Sort();
  /// Sorts by Compare, keeping the order of equal entries; ignored in a sorted list.
  void CustomSort(const TStringListSortCompare& Compare);

 private:
  /// The first index whose entry is greater than S: where dupAccept files S.
  int UpperBound(const std::string& S) const;
  void SortItems();

  bool FSorted = false;
};

}  // namespace qel
