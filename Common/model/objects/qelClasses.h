// The schema object model: the base of every schema object with its dependency records, the
// collection that holds all objects of one schema in sorted keyed lists, the statement list
// that generated and loaded scripts are collected in, and the component bases that fill and
// compare schemas: the extractor, the schema holder and the comparer.
//
// Ownership: a collection owns the objects it files (each kind list frees its objects when it is
// cleared or destroyed); an object owns its dependency records and the sub-objects it creates;
// an executor owns its statements. Counterpart links between objects of two collections, and the
// link between a collection and its executor, are cleared when either side goes away.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Component.h"
#include "Files.h"
#include "Strings.h"
#include "Text.h"
#include "qelDBOptions.h"
#include "qelMsgMngr.h"
#include "qelObjText.h"
#include "qelTypes.h"

namespace qel {

class TCustomObjs;
class TCustomSQLExec;
class TDbObj;
class TDependObj;
class TStatement;
/// The schema holder that owns a collection (declared below).
class TCustomDBStructure;

// ---------------------------------------------------------------------------------------------
// Lists.

/// The case rule of a TObjVector (see there).
template <bool CaseRule>
struct TObjVectorCaseRule {
  /// Case rule of IndexOf and Find; true (exact) unless the owner says otherwise.
  bool CaseSensitive = true;
};
template <>
struct TObjVectorCaseRule<false> {
  static constexpr bool CaseSensitive = true;
};

/// An ordered list that owns its items (schema objects), found by their plain name. Columns of
/// a table, parameters of a routine and the dependency records of an object live in these; the
/// order is the order of adding. Name lookups scan the list: such lists are short.
///
/// Most objects of a schema have no items in such a list (a column has no dependency records
/// of its own), so the list keeps one pointer and makes its vector with the first item.
///
/// A list with CaseRule false has no case rule of its own: its names compare exactly, and it
/// is that one pointer alone (the dependency records of every object of a schema).
template <class T, bool CaseRule = true>
class TObjVector : public TObjVectorCaseRule<CaseRule> {
 public:
  using TItems = std::vector<std::unique_ptr<T>>;

  TObjVector() = default;
  TObjVector(const TObjVector&) = delete;
  TObjVector& operator=(const TObjVector&) = delete;

  int Count() const { return FItems ? static_cast<int>(FItems->size()) : 0; }
  bool Empty() const { return Count() == 0; }
  /// The item at Index; nullptr outside the list.
  T* operator[](int Index) const {
    return Index >= 0 && Index < Count() ? (*FItems)[static_cast<std::size_t>(Index)].get()
                                         : nullptr;
  }
  T* Items(int Index) const { return (*this)[Index]; }

  /// Appends Item and takes it over; returns it.
  T* Add(std::unique_ptr<T> Item) {
    if (!FItems) FItems = std::make_unique<TItems>();
    FItems->push_back(std::move(Item));
    return FItems->back().get();
  }
  /// Index of the first item whose name equals Name under the case rule, or -1.
  int IndexOf(const std::string& Name) const;
  int IndexOfObject(const T* Item) const {
    for (int I = 0; I < Count(); ++I)
      if ((*FItems)[static_cast<std::size_t>(I)].get() == Item) return I;
    return -1;
  }
  /// The first item named Name under the case rule, or nullptr.
  T* Find(const std::string& Name) const { return (*this)[IndexOf(Name)]; }
  /// Find, trying the item at Guess first: two lists of columns mostly hold them in one order.
  /// Where one list holds a name twice (no server takes such a table), the namesake at Guess
  /// is taken rather than the first.
  T* FindFrom(const std::string& Name, int Guess) const {
    if (T* Item = (*this)[Guess]) {
      const std::string& N = Item->GetObjName();
      if (this->CaseSensitive ? N == Name : SameText(N, Name)) return Item;
    }
    return Find(Name);
  }

  /// Removes the item at Index and frees it; an index outside the list is ignored.
  void Delete(int Index) { (void)Extract(Index); }
  /// Removes the item at Index and hands it to the caller.
  std::unique_ptr<T> Extract(int Index) {
    if (Index < 0 || Index >= Count()) return nullptr;
    auto It = FItems->begin() + Index;
    std::unique_ptr<T> Item = std::move(*It);
    FItems->erase(It);
    return Item;
  }
  void Clear() { FItems.reset(); }

  typename TItems::const_iterator begin() const { return Items().begin(); }
  typename TItems::const_iterator end() const { return Items().end(); }

 private:
  const TItems& Items() const {
    static const TItems None;
    return FItems ? *FItems : None;
  }
  std::unique_ptr<TItems> FItems;
};

class TDependObj;
/// The dependency records of an object.
using TDependList = TObjVector<TDependObj, false>;

/// An owning list of plain objects that stays one pointer while empty.
template <class T>
class TSparseList {
 public:
  using TItems = std::vector<T>;

  std::size_t size() const { return FItems ? FItems->size() : 0; }
  bool empty() const { return size() == 0; }
  void push_back(T Item) {
    if (!FItems) FItems = std::make_unique<TItems>();
    FItems->push_back(std::move(Item));
  }
  template <class... A>
  T& emplace_back(A&&... Args) {
    if (!FItems) FItems = std::make_unique<TItems>();
    return FItems->emplace_back(std::forward<A>(Args)...);
  }
  T& operator[](std::size_t Index) const { return (*FItems)[Index]; }
  T& back() const { return FItems->back(); }
  void pop_back() { FItems->pop_back(); }
  void clear() { FItems.reset(); }
  /// Removes every item equal to Value.
  void erase_value(const T& Value) {
    if (FItems) FItems->erase(std::remove(FItems->begin(), FItems->end(), Value), FItems->end());
  }
  typename TItems::iterator begin() const { return FItems ? FItems->begin() : Items().begin(); }
  typename TItems::iterator end() const { return FItems ? FItems->end() : Items().end(); }

 private:
  static TItems& Items() {
    static TItems None;
    return None;
  }
  std::unique_ptr<TItems> FItems;
};

/// One kind list of a collection: objects sorted by key, found by binary search, duplicates
/// refused. The list owns its objects.
///
/// Objects filed since the last ordered access wait in a batch (with a hash of their keys, so
/// that duplicates and lookups are still found at once) and are merged into the sorted vector
/// when the list is next read by position. Filing n objects and finding each once therefore
/// costs n log n, also when filing and finding alternate.
class TDbObjList {
 public:
  TDbObjList() = default;
  TDbObjList(const TDbObjList&) = delete;
  TDbObjList& operator=(const TDbObjList&) = delete;

  bool GetCaseSensitive() const { return FCaseSensitive; }
  /// Changes the case rule of keys; a sorted list re-sorts (entries equal under the new rule
  /// stay, in their former order).
  void SetCaseSensitive(bool Value);
  bool GetSorted() const { return FSorted; }
  /// Unsorted, keys may be rewritten in place (PutKey) without the entries moving; switching
  /// sorting on again sorts the list.
  void SetSorted(bool Value);

  int Count() const { return static_cast<int>(FItems.size() + FPending.size()); }
  bool Empty() const { return Count() == 0; }
  /// Changes with every entry filed, taken out or moved: what was derived from the list at
  /// one version holds while the version stays.
  std::uint64_t GetVersion() const { return FVersion; }
  /// The key at Index; an empty text outside the list.
  const std::string& Keys(int Index) const;
  /// The object at Index; nullptr outside the list.
  TDbObj* Objects(int Index) const;
  TDbObj* operator[](int Index) const { return Objects(Index); }

  /// Looks Key up. True with Index at the entry; false with Index where Key would be filed.
  bool Find(const std::string& Key, int& Index) const;
  /// Index of the entry with Key, or -1.
  int IndexOf(const std::string& Key) const;
  int IndexOfObject(const TDbObj* Obj) const;
  /// The object filed under Key, or nullptr.
  TDbObj* FindObj(const std::string& Key) const;
  /// FindObj for keys looked up in ascending order: Hint (0 at the start) is where the last
  /// lookup ended, and a key that sorts right there is found without a search. An ordered
  /// access: what was filed since the last one is merged first.
  TDbObj* FindObjFrom(const std::string& Key, std::size_t& Hint) const;
  /// The first object (in key order) whose key starts with Prefix under the case rule.
  TDbObj* FindFirstWithPrefix(const std::string& Prefix) const;

  /// Files Obj under Key and takes it over. A key already present (under the case rule) is
  /// refused: the result is false and Obj stays with the caller.
  bool Add(const std::string& Key, TDbObj* Obj);
  /// Rewrites the key at Index; a sorted list moves the entry to its place.
  void PutKey(int Index, const std::string& Key);
  /// Removes the entry at Index and frees its object.
  void Delete(int Index);
  /// Removes the entry with Key and frees its object; false when there is none. An entry of
  /// the batch filed since the last ordered access goes without the batch being merged, so
  /// that replacing objects one by one while a script is read stays linear.
  bool Remove(const std::string& Key);
  /// Removes the entry at Index and hands its object to the caller.
  std::unique_ptr<TDbObj> Extract(int Index);
  /// Frees every object and empties the list.
  void Clear();

 private:
  struct TEntry {
    std::string Key;
    std::unique_ptr<TDbObj> Obj;
  };
  int Compare(const std::string& S1, const std::string& S2) const;
  /// Hash of Key under the case rule: keys equal under Compare hash alike.
  std::uint32_t HashKey(std::string_view Key) const;
  /// Slot of FPendingSlots holding the batch entry with Key, or the empty slot where it goes.
  std::size_t PendingSlot(const std::string& Key, std::uint32_t Hash) const;
  /// Files batch entry Index (its key hashing to Hash) in FPendingSlots, growing it as needed.
  void IndexPending(std::size_t Index, std::uint32_t Hash) const;
  /// Empties slot Slot of FPendingSlots, moving up the entries of the run after it that
  /// would no longer be found (linear probing).
  void FreePendingSlot(std::size_t Slot);
  /// Moves the batch into the sorted vector.
  void Merge() const;
  void SortItems() const;
  /// Lower bound of Key in the sorted vector.
  std::size_t LowerBound(const std::string& Key) const;

  mutable std::vector<TEntry> FItems;    // sorted by key when FSorted
  mutable std::vector<TEntry> FPending;  // filed since the last ordered access
  // The batch's keys, open addressing: each slot 0 (free) or the key's hash in the upper half
  // and its FPending index + 1 in the lower; a power of two in size, at most half full.
  mutable std::vector<std::uint64_t> FPendingSlots;
  bool FCaseSensitive = true;
  bool FSorted = true;
  std::uint64_t FVersion = 0;
};

// ---------------------------------------------------------------------------------------------
// Schema objects.

// Kind codes, the value of TDbObj::Kind. A class sets its code in its constructor; a constraint
// follows its type, and a dependency record copies the code of the object it points at. Hosts
// and script readers see these values (a reader names the kinds a reference may point at by
// their codes), so they never change.

/// A domain (TDmnData).
constexpr std::int32_t kindDomain = 100;
/// A table (TTblData).
constexpr std::int32_t kindTable = 101;
/// A column of a table or view, or a routine parameter (TFldData).
constexpr std::int32_t kindField = 102;
/// A view (TViwData).
constexpr std::int32_t kindView = 103;
/// An index (TIdxData).
constexpr std::int32_t kindIndex = 104;
/// A procedure or function (TPrcData).
constexpr std::int32_t kindProcedure = 105;
/// A trigger (TTrgData).
constexpr std::int32_t kindTrigger = 106;
/// A generator or sequence (TGnrData).
constexpr std::int32_t kindGenerator = 107;
/// An exception (TExcData).
constexpr std::int32_t kindException = 108;
/// An external function (TUdfData).
constexpr std::int32_t kindFunction = 109;
/// A role (TRolData).
constexpr std::int32_t kindRole = 110;
/// A grant (TGntData).
constexpr std::int32_t kindGrant = 111;
/// A dependency record that is not linked yet (TDependObj).
constexpr std::int32_t kindDepend = 112;
/// A primary key (TCtrData).
constexpr std::int32_t kindPrimaryKey = 113;
/// A foreign key (TCtrData).
constexpr std::int32_t kindForeignKey = 114;
/// A unique constraint (TCtrData).
constexpr std::int32_t kindUnique = 115;
/// A check constraint (TCtrData).
constexpr std::int32_t kindCheck = 116;
/// A rule (TRulData).
constexpr std::int32_t kindRule = 117;
/// A default object (TDefData).
constexpr std::int32_t kindDefault = 118;
/// A column default constraint (TCtrData).
constexpr std::int32_t kindColumnDefault = 119;
/// A package (TPkgData).
constexpr std::int32_t kindPackage = 120;
/// A constraint as constructed, a key or a NOT NULL constraint (TCtrData).
constexpr std::int32_t kindConstraint = 121;
/// A REFERENCES constraint (TCtrData).
constexpr std::int32_t kindReferences = 122;
/// A publication (TPblData).
constexpr std::int32_t kindPublication = 123;
/// An operator (TOprData).
constexpr std::int32_t kindOperator = 125;
/// An operator class (TOpcData).
constexpr std::int32_t kindOperatorClass = 126;
/// A conversion (TCnvData).
constexpr std::int32_t kindConversion = 127;
/// An event (TEvtData).
constexpr std::int32_t kindEvent = 128;
/// A generic object (TDbObj itself) and a schema (TSchData): the code does not tell them apart.
constexpr std::int32_t kindGeneric = 150;
/// The database itself (TDataBaseObj).
constexpr std::int32_t kindDatabase = 250;

/// True for the dialects whose objects are filed under "schema.name" (see ObjKeyDef);
/// the others file them under their bare name.
bool KeysCarrySchema(TDatabaseType Db);

/// True for the dialects whose statements name an object "schema.name" (Oracle, SQL Server,
/// PostgreSQL, DB2): without its schema a statement acts on the object of that name in the
/// connection's default schema.
bool WritesSchema(TDatabaseType Db);

/// The word messages use for an object of kind code Kind ("table", "check constraint" ...);
/// "object" for a code without a word of its own.
std::string_view KindName(std::int32_t Kind);

/// The texts of a schema object that most objects of a schema leave empty (every column is an
/// object, and few have a description or a body): an object holds them in a block of its own,
/// made when the first of them is set. Kinds with rarer attributes of their own extend it
/// (TDbObj::NewExtra).
struct TObjExtra {
  TObjExtra() = default;
  TObjExtra(const TObjExtra&) = delete;
  TObjExtra& operator=(const TObjExtra&) = delete;
  virtual ~TObjExtra() = default;

  TObjText Description;
  /// Definition snapshot taken before generation (TObjs::SetSourceDefinition).
  TObjText SourceDefinition;
  /// The definition the target holds at the current point of the generated script.
  TObjText CurrentDef;
  /// Routine, trigger or view text; also a CHECK, DEFAULT or computed expression.
  TObjText Body;
  /// Name used in captions and statements when the object has no name (unnamed constraints).
  TObjText AltName;
  /// The complete CREATE text as read, where the reader keeps it.
  TObjText FullText;
  /// SQL Anywhere owner of a table, procedure or view.
  TObjText Creator;

  // The object's own bookkeeping, kept here for the few objects that need it; only TDbObj
  // touches these.

  /// Further objects whose counterpart the object is (paired with it from more than one other
  /// collection), after the first.
  std::vector<TDbObj*> RefByMore;
  /// The body as read while the generated script runs with a replaced one.
  std::string BodyAsRead;
};

/// The base of every schema object (domain, table, column, view, index, procedure, trigger ...).
/// Kind classes override the twenty virtual operations through which the comparer and the
/// script writers obtain DDL text and drive creation and dropping.
class TDbObj : public TObject {
 public:
  /// aOwner is the collection the object belongs to (may be nullptr).
  explicit TDbObj(TCustomObjs* aOwner);
  TDbObj(const TDbObj&) = delete;
  TDbObj& operator=(const TDbObj&) = delete;
  /// Frees the owned sub-objects and dependency records and clears every counterpart link that
  /// points at this object. Records in other objects that point here are removed by the
  /// collection's RemoveDepend, not here.
  ~TDbObj() override;

  // Fields. A schema holds hundreds of thousands of these objects (every column is one, and
  // so is every dependency record), so the members are laid out by size: texts and pointers
  // first, the numbers and flags at the end of the class, where a derived class's own small
  // members fill the space after them.

  /// The collection the object belongs to; not owned; may be nullptr.
  TCustomObjs* Owner = nullptr;
  /// Dependents: one record per object that uses this one.
  TDependList UseIn;
  /// Prerequisites: one record per object this one uses.
  TDependList UseOf;
  /// The comparer's pairing that last gave this object its counterpart (0: none yet). A new
  /// pairing keeps the counterparts it finds again in place and forgets only the others.
  std::uint64_t PairRound = 0;

  // The twenty virtual operations, in slot order.

  virtual bool GetObjCreated() const;
  /// Sets the created mark, also on the counterpart.
  virtual void SetObjCreated(bool Value);
  virtual std::string GetCaption() const;
  virtual std::int32_t GetImageIndex() const;
  /// Full creation text; empty in the base.
  virtual std::string Def() const;
  virtual std::string CompareDef() const;
  /// Emits the creation of the object, preceded by its missing prerequisites.
  virtual void CreateDependDef();
  /// Emits the dropping of the object, preceded by the handling of its dependents.
  virtual void DropDependDef();
  virtual void DoBeforeDrop();
  virtual void DoAfterDrop();
  virtual void DoBeforeCreate();
  virtual void DoAfterCreate();
  virtual std::string CreateDef() const;
  virtual std::string DropDef() const;
  virtual std::string AlterDef() const;
  virtual std::string SourceDef() const;
  /// S as a script comment of the dialect; S cannot end the comment early.
  virtual std::string GenComment(const std::string& S) const;
  /// S quoted for the owner's dialect.
  virtual std::string QuoteIdent(const std::string& S) const;
  /// The description statement of the owner's dialect; empty when none is written. Replaces:
  /// the target holds a description already (SQL Server updates or drops it rather than adds).
  virtual std::string DescriptionDef(bool Replaces = false) const;
  /// The key the collection files and finds the object under.
  virtual std::string ObjKeyDef() const;

  /// Returns the generation state this object keeps to what it was when read:
  /// dependency records active again, a body emptied by the script put back. Kinds with more
  /// state (restore and re-create marks, sub-objects) extend it.
  virtual void ResetGeneration();
  /// A field's or parameter's table, view or routine name; nullptr for every other kind.
  virtual const std::string* FieldTableName() const;
  /// The object a field or parameter belongs to (nullptr when not linked); nullptr for every
  /// other kind.
  virtual const TDbObj* FieldOwnerObj() const;
  /// The object type filters, grants and descriptions name the object by (DbObjectOf); the base
  /// answers by the kind code, constraints by their type, schemas for themselves.
  virtual TDbObject DbObjectKind(bool OnCreate) const;

  // Non-virtual operations.

  /// The texts most objects leave empty (description, body, definitions, creator); empty
  /// texts while the object has none of them.
  const TObjExtra& Extra() const { return FExtra ? *FExtra : NoExtra(); }
  /// Those texts to set, the block made on first use.
  TObjExtra& EditExtra();
  /// The object has made its block of rarer attributes.
  bool HasExtra() const { return FExtra != nullptr; }
  /// Sets one of those texts; setting an empty text makes no block.
  template <class T, class V>
  void SetExtra(T TObjExtra::*Member, V&& Value) {
    if (FExtra || !(Extra().*Member == Value)) EditExtra().*Member = std::forward<V>(Value);
  }

  const std::string& GetObjName() const { return FObjName; }
  /// Stores the name; SQL Server without case-sensitive identifiers stores it upper-cased.
  void SetObjName(const std::string& Value);
  const std::string& GetSchema() const { return FSchema; }
  /// Stores the schema with the SQL Server rule of SetObjName.
  void SetSchema(const std::string& Value);
  void SetBody(const std::string& Value) { SetExtra(&TObjExtra::Body, Value); }
  void SetDescription(const std::string& Value) { SetExtra(&TObjExtra::Description, Value); }
  /// The counterpart in the other collection of a comparison, or nullptr.
  TDbObj* GetRefObj() const { return FRefObj; }
  void SetRefObj(TDbObj* Value);

  /// Qualified, quoted name.
  std::string GetObjFullName() const;
  /// Name as this dialect's statements name an object of Schema: "schema.name", each part
  /// quoted, where the dialect writes schemas (WritesSchema) and Schema is not empty; else the
  /// quoted name alone.
  std::string SchemaQualified(const std::string& Schema, const std::string& Name) const;
  TDatabaseType GetDatabaseType() const;
  TCmpObjSetType GetCompareObjects() const;
  /// The owner's executor; nullptr without owner or executor.
  TCustomSQLExec* GetSQLExec() const;
  /// The owner's InterBase options; nullptr without owner.
  TIBServerOptions* GetIBServerOptions() const;
  TUpdateDescriptionType GetUpdateDescriptionType() const;
  /// Some dependent record is active and points to another object that exists in the target.
  bool UseInActive() const;
  /// Some prerequisite record is active and points to another object that exists in the target.
  bool UseOfActive() const;

  /// True while the object's creation or drop step runs: a dependency cycle has led back to it
  /// and that step will write it.
  bool IsBeingCreated() const { return FCreating; }
  bool IsBeingDropped() const { return FDropping; }

  /// Replaces Body for the rest of the generated script (an emptied routine or trigger body).
  /// The body as read is kept so that ResetGeneration can put it back.
  void ReplaceBody(const std::string& Value);

  // Description builders, one per dialect that stores descriptions.
  std::string IBDescriptionDef() const;
  std::string ASADescriptionDef() const;
  std::string MySQLDescriptionDef() const;
  std::string OracleDescriptionDef() const;
  std::string MSSQLDescriptionDef(bool Replaces) const;
  std::string PGSQLDescriptionDef() const;

 protected:
  /// Holds the "being created" or "being dropped" mark of an object while its cascade step
  /// runs. A dependency cycle that leads back to an object whose step is running finds the mark
  /// taken; the step must then return at once, which ends the cycle. Overrides of
  /// CreateDependDef and DropDependDef take the guard first and reach the base steps through
  /// InheritedCreateDependDef and InheritedDropDependDef.
  ///
  /// The guard also counts the steps running in the owner collection: a chain of
  /// prerequisites longer than TCustomObjs::MaxCascadeDepth is not followed further (the guard
  /// is not taken) and the collection notes the object in CascadeTooDeep.
  class TCascadeGuard {
   public:
    TCascadeGuard(bool& Flag, TDbObj& Obj);
    TCascadeGuard(const TCascadeGuard&) = delete;
    TCascadeGuard& operator=(const TCascadeGuard&) = delete;
    ~TCascadeGuard();
    explicit operator bool() const { return FTaken; }

   private:
    bool& FFlag;
    TCustomObjs* FOwner = nullptr;  // whose depth this guard counts in; nullptr when not taken
    bool FTaken = false;
  };
  TCascadeGuard GuardCreate() { return TCascadeGuard(FCreating, *this); }
  TCascadeGuard GuardDrop() { return TCascadeGuard(FDropping, *this); }
  /// The base creation and dropping steps, without the guard.
  void InheritedCreateDependDef();
  void InheritedDropDependDef();
  /// The users' side of a drop: walks the active records of the objects that use this one (a
  /// record of the object on itself is made inactive and passed over) and makes inactive each
  /// record whose user TakeOut has dropped or emptied (returns true).
  void TakeOutUsers(const std::function<bool(TDbObj& User)>& TakeOut);
  /// A new block of rarer attributes for EditExtra: a TObjExtra here, a kind's own extension
  /// where it has one.
  virtual std::unique_ptr<TObjExtra> NewExtra() const;
  /// The empty block Extra answers with while an object has none.
  static const TObjExtra& NoExtra();

  std::unique_ptr<TObjExtra> FExtra;

 private:
  std::string FObjName;
  TObjText FSchema;
  TDbObj* FRefObj = nullptr;
  // The objects whose counterpart is this one: mostly one, kept without an allocation; any
  // further ones are in the block of rarer attributes (TObjExtra::RefByMore).
  TDbObj* FRefBy = nullptr;
  void AddReferrer(TDbObj* Obj);
  void DropReferrer(TDbObj* Obj);

 public:
  // The numbers and flags of the fields above.

  std::int32_t ImageIndex = -1;
  /// Kind code (kindDomain ... kindEvent, kindGeneric, kindDatabase).
  std::int32_t Kind = kindGeneric;
  /// The object exists in the target at the current point of the generated script.
  bool ObjCreated = true;
  bool QuotedIdentifier = false;
  bool AnsiNulls = false;
  /// Set by a host, or by a reader for an object it cannot write (a view whose text a source
  /// does not give): the object writes no text and the passes pass it by.
  bool SkipDef = false;

 private:
  bool FBodyReplaced = false;
  bool FCreating = false;  // inside CreateDependDef: a dependency cycle leads back here
  bool FDropping = false;  // inside DropDependDef
};

/// The base of a kind whose block of rarer attributes extends TObjExtra with attributes of its
/// own (E derives from TObjExtra): Extra, EditExtra and SetExtra answer with E.
template <class E>
class TDbObjWith : public TDbObj {
 public:
  using TDbObj::TDbObj;

  /// The rarer attributes; their defaults while the object has none of them.
  const E& Extra() const { return FExtra ? static_cast<const E&>(*FExtra) : NoKindExtra(); }
  /// The rarer attributes to set, the block made on first use.
  E& EditExtra() { return static_cast<E&>(TDbObj::EditExtra()); }
  /// Sets one of the kind's rarer attributes; setting its default makes no block.
  template <class T, class V>
  void SetExtra(T E::*Member, V&& Value) {
    if (FExtra || !(Extra().*Member == Value)) EditExtra().*Member = std::forward<V>(Value);
  }
  using TDbObj::SetExtra;

 protected:
  std::unique_ptr<TObjExtra> NewExtra() const override { return std::make_unique<E>(); }

 private:
  static const E& NoKindExtra() {
    static const E None;
    return None;
  }
};

/// One dependency record: the related object, the flag that says whether the cascade still has
/// to honour it, and two codes carried from the reader. Its name and kind copy the related
/// object's.
class TDependObj : public TDbObj {
 public:
  explicit TDependObj(TCustomObjs* aOwner);

  /// Whether the cascade still has to honour the record.
  bool Active = true;
  /// The related object; not owned.
  TDbObj* DepObj = nullptr;
  /// Codes given to LinkDepend (script parsers pass the column and line of the reference).
  std::int32_t LinkCode1 = 0;
  std::int32_t LinkCode2 = 0;

  /// The related object's caption.
  std::string GetCaption() const override;
};

/// Obj's kind code as a schema object: a dependency record answers kindDepend, since the code
/// it carries is the related object's and must not pass the record off as that object.
inline std::int32_t SchemaKindOf(const TDbObj* Obj) {
  return dynamic_cast<const TDependObj*>(Obj) ? kindDepend : Obj->Kind;
}

/// The statement object kind of an object: by its kind code, a constraint by its type (default
/// constraints only when created).
TDbObject DbObjectOf(const TDbObj* Obj, bool OnCreate);

// ---------------------------------------------------------------------------------------------
// The collection.

/// All objects of one schema: one sorted, keyed list per object kind, the option objects of
/// every dialect, the dialect, the side it plays in a comparison and the executor that receives
/// the generated statements.
class TCustomObjs : public TObject {
 public:
  /// The comparer's list of warning lines (changes through system tables or conversions that
  /// can lose data), set by the comparer for the time of a generation; nullptr otherwise.
  TStringList* WorkList = nullptr;
  /// The comparer's message list, set with WorkList for the time of a generation: the passes
  /// name there each change of the master the update script does not carry over.
  TMsgManager* CompareMessages = nullptr;

  TCustomObjs();
  TCustomObjs(const TCustomObjs&) = delete;
  TCustomObjs& operator=(const TCustomObjs&) = delete;
  ~TCustomObjs() override;

  /// The schema holder that owns this collection; may be nullptr.
  TCustomDBStructure* DBStructure = nullptr;
  /// The counterpart collection of a comparison; not owned. Cleared on both sides when either
  /// collection goes away.
  TCustomObjs* ObjsRef = nullptr;
  /// Statement terminator of the script writer.
  std::string Terminator = ";";
  TCmpObjSetType CompareObjects = AllCmpObjTypes();
  TConnectionOptions ConnectionOptions;
  TIBServerOptions IBServerOptions;
  TMSSQLServerOptions MSSQLServerOptions;
  TMySQLServerOptions MySQLServerOptions;
  TASAServerOptions ASAServerOptions;
  TASEServerOptions ASEServerOptions;
  TOracleServerOptions OracleServerOptions;
  TPGSQLServerOptions PGSQLServerOptions;
  TDB2ServerOptions DB2ServerOptions;

  TDatabaseType GetDatabaseType() const { return FDatabaseType; }
  /// Stores the dialect and sets the case rule of the lists: SQL Anywhere, SQL Server and ASE
  /// keys are case-insensitive (schemas, operators, operator classes, conversions and events
  /// excepted), every other dialect's are exact.
  void SetDatabaseType(TDatabaseType Value);
  TCompareRoleType GetCompareRole() const { return FCompareRole; }
  void SetCompareRole(TCompareRoleType Value) { FCompareRole = Value; }
  /// The executor that receives generated statements; not owned.
  TCustomSQLExec* GetSQLExec() const { return FSQLExec; }
  void SetSQLExec(TCustomSQLExec* Value);

  TLogNextLineEvent OnLogNextLine;
  /// Identifier quoting of an OLE DB source.
  TIdentQuoteType IdentQuoteType = iqAutoQuote;
  /// May keep an object out of the collection.
  TAccept_ObjEvent OnAccept_Obj;

  // The kind lists, in declaration order.
  TDbObjList Schemas;
  TDbObjList Domains;
  TDbObjList Functions;  ///< external functions
  TDbObjList Triggers;
  TDbObjList Procedures;
  TDbObjList Tables;
  TDbObjList Exceptions;
  TDbObjList Generators;
  TDbObjList Indexes;
  TDbObjList Views;
  TDbObjList Roles;  ///< roles, logins and users
  TDbObjList Grants;
  TDbObjList Constraints;
  TDbObjList Reserved1, Reserved2, Reserved3, Reserved4, Reserved5, Reserved6;
  TDbObjList Rules;
  TDbObjList Defaults;
  TDbObjList Packages;
  TDbObjList Publications;
  TDbObjList Operators;
  TDbObjList OperatorClasses;
  TDbObjList Conversions;
  TDbObjList Events;

  /// Script text written by the schema writer.
  TStringList ScriptBuffer;
  TExtractFromType ExtractFrom = efUnknown;
  /// Scratch texts of the generation passes (the DB2 view pass keeps the current schema in the
  /// first); emptied by Clear and before each generation.
  std::string WorkStr1;
  std::string WorkStr2;
  std::string WorkStr3;
  /// DB2 scripts: the schema of the last SET CURRENT SCHEMA (objects named without a schema
  /// take it) and the text of the last SET CURRENT PATH, while a script is read.
  std::string CurrentSchema;
  std::string CurrentPath;

  /// An object a reader met and left out, being of a kind it does not read (a materialized
  /// view, an exclusion constraint, a constraint trigger ...). The comparison never drops an
  /// object of the other side because this one is missing there, nor creates one over it.
  struct TNotRead {
    /// The kind as a message names it ("materialized view").
    std::string Kind;
    std::string Schema;
    std::string Name;
    /// The table of a name that is unique per table (a trigger, a constraint); empty for a
    /// name that is unique in its schema.
    std::string Table;
  };
  /// What was left out so, in the order met; emptied by Clear.
  std::vector<TNotRead> NotRead;
  /// A column a table has only by inheritance from another (PostgreSQL INHERITS; the table is
  /// read as a plain table holding it): the server drops and changes it with the parent's.
  struct TInheritedColumn {
    std::string Schema;
    std::string Table;
    std::string Column;
    std::string ParentSchema;
    std::string Parent;
  };
  /// Those read, emptied by Clear.
  std::vector<TInheritedColumn> InheritedColumns;

  // Virtual operations, in slot order.

  /// Frees every object and empties every list; clears the database options read from a
  /// server, Terminator, the work texts and ExtractFrom.
  virtual void Clear();
  virtual void SetSourceDefinition() {}
  virtual void ExtractMetadata() {}
  virtual void ExtractMetadata(TStrings& aScript) { (void)aScript; }

  /// Files aObj in the list of its class and takes it over; returns true when filed.
  /// An object kept out (nil, vetoed by OnAccept_Obj, an InterBase "IBE$" object when those are
  /// ignored, a class no list holds) is freed when FreeIfRejected is set and otherwise stays
  /// with the caller. An object whose key is already filed is not filed: with FreeIfRejected
  /// the collection keeps it aside and frees it with the other objects at Clear (so a reader
  /// that goes on filling it does no harm), otherwise it stays with the caller.
  bool AddObj(TDbObj* aObj, bool FreeIfRejected = true);
  /// AddObj of an object handed over: what is not filed is freed, or kept aside until Clear
  /// when its key is filed already.
  bool AddObj(std::unique_ptr<TDbObj> aObj);
  /// False for nil; else what OnAccept_Obj decides (true without a handler).
  bool Accept_Obj(TDbObj* aObj);
  /// Merges aGrant into an equal grant already filed (same object, grantee and grant option)
  /// and returns nullptr (aGrant stays with the caller); otherwise files it and returns it.
  TDbObj* AddGrant(TDbObj* aGrant);
  /// Re-keys every grant with its current key and re-sorts the grant list.
  void SortGrants();
  /// Records that aObj uses aDepObj, once, on both sides. A field name names a column of
  /// aDepObj (a table or view); a column that is not found records nothing.
  void LinkDepend(TDbObj* aObj, TDbObj* aDepObj, const std::string& aFieldName = "",
                  std::int32_t aCode1 = 0, std::int32_t aCode2 = 0);
  /// Creates the two records of one dependency.
  void InternalLinkDepend(TDbObj* aObj, TDbObj* aDepObj, const std::string& aFieldName,
                          std::int32_t aCode1, std::int32_t aCode2);
  /// Removes and frees the records between aObj and aTarget, on both sides.
  void ClearDepend(TDbObj* aObj, TDbObj* aTarget);
  /// Removes every record that points to aObj, wherever it is (call it before an object is
  /// taken out of the collection).
  void RemoveDepend(TDbObj* aObj);

  TCustomObjs* GetObjsMaster() const;
  TCustomObjs* GetObjsTarget() const;
  std::int32_t ODSMajorVersionOfTarget() const;
  /// The CONNECT statement for InterBase; empty for other dialects.
  std::string DbConnectStr() const;
  /// Reports an error of the collection (to the extractor that fills it, when there is one).
  void ErrMsg(const std::string& aText);
  /// Writes a log line to the first handler found: the collection's, the extractor's, the
  /// executor's.
  void DoLogNextLine(const std::string& aText);
  /// Adds a warning about Obj to CompareMessages: a change the update script leaves undone.
  /// Nothing outside a comparison.
  void WarnNotCarriedOver(const std::string& aText, TObject* Obj = nullptr);
  /// After AddObj refused aObj: when the object filed under its key has a name that differs
  /// from aObj's only in case (the lists of SQL Anywhere, SQL Server and ASE fold case, while
  /// a server may keep both), the warning that names both, Kind ("Tables") first; else empty.
  std::string CaseTwinWarning(const TDbObj& aObj, const std::string& Kind);
  /// True when no list holds an object but a schema the server makes itself.
  bool NoObjects();

  /// The list AddObj files aObj in; nullptr for a class no list holds.
  TDbObjList* ListOf(const TDbObj* aObj);
  /// The 27 lists in declaration order.
  std::vector<TDbObjList*> AllLists();
  /// Puts all generation state back (see TDbObj::ResetGeneration), empties the first two work
  /// texts and CascadeTooDeep, so that a second generation writes the same script as the first.
  void ResetGenerationState();

  /// The longest chain of prerequisites one creation or drop step follows (a view on a view on
  /// a view ...). Each link takes a few frames of the stack; a chain of thousands would end the
  /// process, so the cascade stops there and the comparer refuses to write the script.
  static constexpr int MaxCascadeDepth = 1000;
  /// The object at which a cascade went past MaxCascadeDepth; empty while none did.
  std::string CascadeTooDeep;
  /// Counts a cascade step of Obj in; false, with Obj noted in CascadeTooDeep, when that step
  /// would go past MaxCascadeDepth. A step counted in is counted out by LeaveCascade.
  bool EnterCascade(const TDbObj& Obj);
  void LeaveCascade() { --FCascadeDepth; }

 private:
  friend class TCustomSQLExec;
  TDatabaseType FDatabaseType = dbAbstract;
  TCompareRoleType FCompareRole = crUnknownRole;
  TCustomSQLExec* FSQLExec = nullptr;
  int FCascadeDepth = 0;
  /// Objects refused as duplicates, freed at Clear.
  std::vector<std::unique_ptr<TDbObj>> FRejected;
  /// The work of AddObj; Rejected holds aObj when it was handed over, else nothing.
  bool FileObj(TDbObj* aObj, std::unique_ptr<TDbObj> Rejected);
};

// ---------------------------------------------------------------------------------------------
// The statement list.

/// One script statement: its text lines and what it is about.
class TStatement : public TObject {
 public:
  explicit TStatement(TCustomSQLExec* aOwner) : Owner(aOwner) {}

  TCustomSQLExec* Owner = nullptr;
  TStringList Lines;
  TStatType StatType = stConnect;
  /// First line of the statement in the last script text written with line recording.
  std::int32_t Line = 0;
  std::int32_t LineCount = 0;
  /// Stays in the list but is neither written nor executed.
  bool Skip = false;
  TDbObject DbObject = dboUnknown;
  TDbOperation DbOperation = odbUnknown;
  /// Object name (for a column, the column).
  std::string ObjName;
  /// Owning object (for a column, the table; for a parameter, the routine).
  std::string OwnName;
  /// For a description statement, the object's description.
  std::string Description;
  bool Selected = false;
  /// The last error raised while the statement ran.
  std::string ErrorText;
  /// Terminator written after the text.
  std::string Term;

  /// One-line label for logs and lists.
  std::string GetCaption() const;
};

/// The handler may supply the statement object (created with new; the list takes it over).
using TStatementCreateEvent = std::function<void(TObject* Sender, TStatement*& Statement)>;
/// The handler may veto a statement about to be added.
using TStatementAddEvent =
    std::function<void(TObject* Sender, TStatement* Statement, bool& Accept)>;
/// Fired before and after each executed statement, with its index.
using TStatementExecuteEvent = std::function<void(TObject* Sender, int Index)>;

/// The component that owns an ordered statement list. Script passes add statements; executors
/// derived from it write the list as text or run it against a database.
class TCustomSQLExec : public TComponent {
 public:
  explicit TCustomSQLExec(TComponent* AOwner);
  /// Clears the list and the link of every collection that points here.
  ~TCustomSQLExec() override;

  /// The last script file loaded by LoadFromFile.
  std::string ScriptFileName;
  /// Running total: each added statement adds its line count plus one.
  std::int32_t LineTotal = 0;
  /// Some added statement changes the database.
  bool HasChanges = false;
  bool BreakOnError = false;
  TLogNextLineEvent OnLogNextLine;
  TProgressUpdateEvent OnProgressUpdate;
  TErrorMessageEvent OnErrorMessage;
  TStatementExecuteEvent OnBeforeStatementExecute;
  TStatementExecuteEvent OnAfterStatementExecute;
  TStatementCreateEvent OnStatementCreate;
  TStatementAddEvent OnStatementAdd;
  /// Supplies the script text to LoadFromFile (the executors publish it).
  TLoadScriptEvent OnLoadScript;
  /// Errors reported since the last ExecuteScript began.
  std::int32_t ErrorCount = 0;
  TDatabaseType DatabaseType = dbAbstract;
  bool ShowFullLog = false;
  TMsgManager MsgManager;

  // Virtual operations, in slot order.

  virtual void DoLogNextLine(const std::string& LogText);
  virtual void DoProgressUpdate(int Value, int MaxValue);
  /// Fires OnErrorMessage (or shows the text when there is no handler); counts the error.
  virtual void DoErrorMessage(const std::string& ErrText);
  virtual bool GetShowFullLog() const { return ShowFullLog; }
  virtual void DoBeforeStatementExecute(int Index);
  virtual void DoAfterStatementExecute(int Index);
  /// The statement object for Add: OnStatementCreate's, or a new one.
  virtual std::unique_ptr<TStatement> DoStatementCreate();
  virtual void ConnectToDatabase() {}
  virtual void DisconnectFromDatabase() {}
  virtual void ExecuteIxStatement(int Index) { (void)Index; }
  virtual void ExecuteStatement(TStatement* Statement) { (void)Statement; }
  /// Loads a script file (through OnLoadScript when assigned); a missing file is reported.
  virtual void LoadFromFile(const std::string& FileName);
  /// Reads the stream into lines and hands them to LoadScript; nil reads nothing.
  virtual void LoadFromStream(TFileStream* Stream);
  /// Dialect executors parse the lines into statements.
  virtual void LoadScript(TStrings& Lines) { (void)Lines; }
  /// Adds a statement; returns it, or nullptr when nothing was added (empty text, veto).
  virtual TStatement* Add(const std::string& aText, TStatType aTyp,
                          const std::string& aObjName = "", TDbObject aObjType = dboUnknown,
                          TDbOperation aOperation = odbUnknown, const std::string& aOwnName = "",
                          const std::string& aTerm = "");
  virtual void AddComment(const std::string& aText) { (void)aText; }
  virtual void AddReConnect() {}
  virtual void ParseConnect(const std::string& aText) { (void)aText; }
  /// Frees all statements; LineTotal 0, HasChanges false.
  virtual void Clear();
  /// Removes the statement at Index and frees it.
  virtual void Delete(int Index);
  virtual void Add_Commit() {}
  /// Adds the description statement of Obj; Before is the target's object when it has one.
  virtual void AddDescription(TDbObj* Obj, const TDbObj* Before = nullptr);
  virtual void GetScript(TStrings& Lines, bool RecordLines) {
    (void)Lines;
    (void)RecordLines;
  }
  virtual bool ExecuteScript();

  // Non-virtual operations.

  TStatement* GetStatement(int Index) const;
  /// Replaces the statement at Index (taking Statement over) and frees the former one.
  void SetStatement(int Index, std::unique_ptr<TStatement> Statement);
  int GetStatementsCount() const { return static_cast<int>(FStatements.size()); }
  int IndexOf(const TStatement* Statement) const;
  void SelectAll(bool Value);
  void DoMsgErr(const std::string& Text, TObject* Obj);
  void DoMsgWrn(const std::string& Text, TObject* Obj);

 private:
  friend class TCustomObjs;
  std::vector<std::unique_ptr<TStatement>> FStatements;
  std::vector<TCustomObjs*> FLinkedObjs;  // collections whose executor this is
};

// ---------------------------------------------------------------------------------------------

template <class T, bool CaseRule>
int TObjVector<T, CaseRule>::IndexOf(const std::string& Name) const {
  for (int I = 0; I < Count(); ++I) {
    const std::string& N = (*FItems)[static_cast<std::size_t>(I)]->GetObjName();
    if (this->CaseSensitive ? N == Name : SameText(N, Name)) return I;
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Extractors, schema holders and the comparer base.

class TCustomExtract;

/// A schema holder: the component that keeps the collection of one schema and knows the
/// extractor that last linked itself to fill it. The concrete holder (TDBStructure) creates and
/// owns the collection.
class TCustomDBStructure : public TComponent {
 public:
  explicit TCustomDBStructure(TComponent* AOwner) : TComponent(AOwner) {}
  ~TCustomDBStructure() override = default;

  /// The collection; nullptr until the concrete holder has made it.
  TCustomObjs* GetObjs() const { return FObjs; }
  /// The extractor that last linked itself (TCustomExtract::SetDBStructure); may be nullptr.
  TCustomExtract* GetExtractor() const { return FExtractor; }
  /// Remembers the extractor, with free notification, so the link goes when it goes.
  void SetExtractor(TCustomExtract* Value);

  /// Empties the collection (its own Clear frees the objects of a concrete collection).
  virtual void Clear();
  /// The collection's dialect; SQL Anywhere, SQL Server and ASE make its keys case-insensitive.
  void SetDatabaseType(TDatabaseType Value);
  TDatabaseType GetDatabaseType() const;

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  TCustomObjs* FObjs = nullptr;  // owned by the concrete holder

 private:
  TCustomExtract* FExtractor = nullptr;
};

/// The base of every extractor: it fills the collection of one schema holder, reading a live
/// catalog (the database extractors) or scripts (TCustomScriptExtract). Every object it files
/// passes its filter: the include and exclude name masks, OnAcceptObj, or OnAccept_Obj.
///
/// A name mask has exactly one "%", as its first or its last character: "EMP%" takes the names
/// that begin with EMP, "%_LOG" the names that end in _LOG. Masks are case-sensitive; a mask
/// without "%", with "%" inside or with two of them takes nothing, and "%" alone takes nothing.
class TCustomExtract : public TComponent {
 public:
  explicit TCustomExtract(TComponent* AOwner);
  /// Leaves the holder (and takes this extractor's filter off its collection).
  ~TCustomExtract() override;

  TProgressUpdateExEvent OnProgressUpdateEx;
  TLogNextLineEvent OnDebugMessage;
  /// Log whole texts instead of captions.
  bool ShowFullLog = true;
  /// The dialect read; set by each concrete extractor's constructor.
  TDatabaseType DatabaseType = dbAbstract;
  /// The object kinds to read.
  TCmpObjSetType CompareObjects = AllCmpObjTypes();
  /// Messages of the last extraction.
  TMsgManager MsgManager;
  /// Name-level filter, asked after the mask lists; it has the last word.
  TAcceptObjEvent OnAcceptObj;
  /// Object-level filter; when assigned it alone decides.
  TAccept_ObjEvent OnAccept_Obj;
  /// Steps of an extraction and the step reached; the concrete extractors set them before they
  /// report progress.
  int ProgressMaxValue = 0;
  int ProgressValue = 0;

  const TProgressUpdateEvent& GetOnProgressUpdate() const { return FOnProgressUpdate; }
  const TErrorMessageEvent& GetOnErrorMessage() const { return FOnErrorMessage; }
  const TLogNextLineEvent& GetOnLogNextLine() const { return FOnLogNextLine; }
  TCustomDBStructure* GetDBStructure() const { return FDBStructure; }

  // Virtual operations, in slot order.

  virtual void SetOnProgressUpdate(TProgressUpdateEvent Event);
  virtual void SetOnErrorMessage(TErrorMessageEvent Event);
  virtual void SetOnLogNextLine(TLogNextLineEvent Event);
  /// Links this extractor and Structure both ways and installs this extractor's filter on the
  /// collection; a holder left behind forgets this extractor when it was its extractor.
  virtual void SetDBStructure(TCustomDBStructure* Structure);
  virtual TCmpObjSetType GetCompareObjects() const { return CompareObjects; }
  virtual void DoProgressUpdate(int Value, int MaxValue);
  virtual void DoProgressUpdateEx(bool Detailed, const std::string& aText, int Value, int MaxValue);
  /// The list callers read the extraction's messages from.
  virtual TMsgManager* GetMsgManager() { return &MsgManager; }
  virtual void DoDbgMsg(const std::string& Text);
  /// OnErrorMessage, or a message box without a handler; the error is recorded in MsgManager
  /// either way.
  virtual void DoErrorMessage(const std::string& ErrText);
  /// Reads the schema into the holder's collection; true on success. The base clears the
  /// message list and returns false.
  virtual bool ExtractDatabase();
  /// After both sides of a comparison are read: where an object of Other (the other side, read
  /// from scripts) and its namesake read here are written apart but the server this extractor
  /// reads says they are the same, Other's object takes the server's form, so that the two
  /// compare equal. The base does nothing; a catalog extractor asks its server.
  virtual void MatchServerForms(TCustomObjs& Other) { (void)Other; }

  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Non-virtual operations.

  /// Fires OnLogNextLine when assigned.
  void DoLogNextLine(const std::string& LogText);
  TStringList& GetIncludeObjsNames() { return FIncludeObjsNames; }
  const TStringList& GetIncludeObjsNames() const { return FIncludeObjsNames; }
  TStringList& GetExcludeObjsNames() { return FExcludeObjsNames; }
  const TStringList& GetExcludeObjsNames() const { return FExcludeObjsNames; }
  /// The mask lists take the text of Strings without its leading and trailing blank lines.
  void SetInclObjsNames(const TStrings& Strings);
  void SetExclObjsNames(const TStrings& Strings);
  /// Name matches Mask (see the class comment).
  static bool LikeObjName(const std::string& Name, const std::string& Mask);
  /// True when the include list is empty or some entry matches Name.
  bool IsInclObjName(const std::string& Name) const;
  /// True when some entry of the exclude list matches Name.
  bool IsExclObjName(const std::string& Name) const;
  /// Not excluded and included, unless OnAcceptObj decides otherwise.
  bool AcceptObj(const std::string& Name, TDbObject Kind);
  /// OnAccept_Obj alone when assigned; otherwise AcceptObj for the named kinds (domains,
  /// tables, views, routines ...) by their bare name, and true for everything else (columns,
  /// constraints, grants, users ...).
  bool Accept_Obj(TDbObj* Obj);
  /// The filter installed on the holder's collection.
  void ObjsAccept_Obj(TObject* Sender, TObject* Obj, bool& Accept);

 private:
  /// Takes this extractor off its holder, when it is that holder's extractor.
  void LeaveDBStructure();

  TProgressUpdateEvent FOnProgressUpdate;
  TLogNextLineEvent FOnLogNextLine;
  TErrorMessageEvent FOnErrorMessage;
  TCustomDBStructure* FDBStructure = nullptr;
  TStringList FIncludeObjsNames;
  TStringList FExcludeObjsNames;
};

/// The comparer base: the master holder (the schema wanted) and the target holder (the schema
/// to change), the extractors that fill them, the dialect, the kinds compared, one option object
/// per dialect and the executor that receives the update script. It keeps the two collections
/// linked as a master/target pair. The comparison itself is the concrete comparer's.
///
/// Every component link (holders, extractors, executor) carries a free notification, so the
/// comparer, the holders, the extractors and the executor may be destroyed in any order.
class TCustomVarnel : public TComponent, public TServerOptionsHolder<TIBComparerOptions> {
 public:
  explicit TCustomVarnel(TComponent* AOwner);
  ~TCustomVarnel() override;

  TLogNextLineEvent OnLogNextLine;
  TProgressUpdateEvent OnProgressUpdate;
  TErrorMessageEvent OnErrorMessage;
  /// The dialect of the comparison, taken from the linked extractors.
  TDatabaseType DatabaseType = dbAbstract;
  TCmpObjSetType CompareObjects = AllCmpObjTypes();
  /// Warning lines of the generation passes about changes made through system tables or type
  /// conversions; each line's object is the statement it explains (or nullptr).
  TStringList WorkList;

  // Virtual operations, in slot order.

  /// Reads both schemas; false in the base.
  virtual bool ExtractDatabases();
  /// Builds the update script into the executor; nothing in the base.
  /// True when an update script was written; False (with the reason in the messages) when none
  /// was, e.g. because an extraction failed.
  virtual bool CompareDatabases();
  /// ExtractDatabases, and CompareDatabases only when that succeeded.
  virtual bool ExtractAndCompareDatabases();

  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Non-virtual operations.

  TCustomDBStructure* GetDBStructureMaster() const { return FDBStructureMaster; }
  TCustomDBStructure* GetDBStructureTarget() const { return FDBStructureTarget; }
  /// Links the holder as master: its extractor gets ShowFullLog and gives the dialect, its
  /// collection the master role; a holder replaced loses its counterpart link.
  void SetDBMaster(TCustomDBStructure* Structure);
  void SetDBTarget(TCustomDBStructure* Structure);
  TCustomExtract* GetExtractorMaster() const { return FExtractorMaster; }
  TCustomExtract* GetExtractorTarget() const { return FExtractorTarget; }
  void SetExtractorMaster(TCustomExtract* Value);
  void SetExtractorTarget(TCustomExtract* Value);
  void SetCompareObjects(const TCmpObjSetType& Value) { CompareObjects = Value; }
  bool GetShowFullLog() const { return FShowFullLog; }
  /// Also sets ShowFullLog of the extractors of both holders.
  void SetShowFullLog(bool Value);
  /// Name quoted for DatabaseType with the InterBase server version and SQL dialect.
  std::string QuoteIdent(const std::string& Name) const;
  /// The master's and the target's collection; nullptr without a holder.
  TCustomObjs* GetMObjs() const;
  TCustomObjs* GetTObjs() const;
  /// With both holders set: gives the collections their roles and makes them counterparts.
  void LinkDB();
  void DoProgressUpdate(int Value, int MaxValue);
  void DoLogNextLine(const std::string& LogText);
  /// OnErrorMessage, or a message box without a handler; records nothing.
  void DoErrorMessage(const std::string& ErrText);
  /// The executor assigned by the host, else the comparer's own (nullptr before one is made).
  TCustomSQLExec* GetSQLExec() const;
  /// Assigns the host's executor. The comparer's own executor, when the host had assigned it
  /// back and now assigns another, is freed.
  void SetSQLExec(TCustomSQLExec* Exec);

 protected:
  /// The comparer's own executor, made by the concrete comparer when the host assigned none.
  TCustomSQLExec* GetOwnSQLExec() const { return FOwnSQLExec.get(); }
  /// Takes Exec over as the comparer's own executor, freeing the former one.
  void SetOwnSQLExec(std::unique_ptr<TCustomSQLExec> Exec);

 private:
  /// Points Field at Value, moving the free notification with it.
  template <class T>
  void Relink(T*& Field, T* Value) {
    if (Field == Value) return;
    if (Field) RemoveFreeNotification(Field);
    Field = Value;
    if (Value) FreeNotification(Value);
  }
  void SetDBSide(TCustomDBStructure*& Field, TCustomDBStructure* Structure, TCompareRoleType Role);

  std::unique_ptr<TCustomSQLExec> FOwnSQLExec;
  TCustomSQLExec* FSQLExec = nullptr;
  TCustomDBStructure* FDBStructureMaster = nullptr;
  TCustomDBStructure* FDBStructureTarget = nullptr;
  bool FShowFullLog = true;
  TCustomExtract* FExtractorMaster = nullptr;
  TCustomExtract* FExtractorTarget = nullptr;
};

}  // namespace qel
