// The vocabulary every unit of the library speaks: dialects, adapter families, object and
// statement kinds, their sets, the event signatures of the components, three small option
// records used by object definitions, and the free text functions for generated scripts.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "Component.h"

namespace qel {

class TStrings;

/// A set of enumeration members, one bit per ordinal (0 .. N-1).
template <typename E, std::size_t N>
class TSet {
 public:
  constexpr TSet() = default;
  TSet(std::initializer_list<E> Items) {
    for (E Item : Items) Include(Item);
  }

  /// The set of every member 0 .. N-1.
  static TSet All() {
    TSet S;
    S.FBits.set();
    return S;
  }
  /// Builds a set from the bit mask its members form (bit i = ordinal i).
  static TSet FromMask(std::uint64_t Mask) {
    TSet S;
    for (std::size_t I = 0; I < N && I < 64; ++I)
      if (Mask & (std::uint64_t{1} << I)) S.FBits.set(I);
    return S;
  }

  void Include(E Item) { FBits.set(Index(Item)); }
  void Exclude(E Item) { FBits.reset(Index(Item)); }
  bool Contains(E Item) const { return FBits.test(Index(Item)); }
  bool Empty() const { return FBits.none(); }
  std::size_t Count() const { return FBits.count(); }
  void Clear() { FBits.reset(); }
  /// The bit mask of the first 64 members (bit i = ordinal i).
  std::uint64_t Mask() const {
    std::uint64_t M = 0;
    for (std::size_t I = 0; I < N && I < 64; ++I)
      if (FBits.test(I)) M |= std::uint64_t{1} << I;
    return M;
  }

  TSet operator+(const TSet& O) const { return TSet(FBits | O.FBits); }
  TSet operator-(const TSet& O) const { return TSet(FBits & ~O.FBits); }
  TSet operator*(const TSet& O) const { return TSet(FBits & O.FBits); }
  TSet& operator+=(const TSet& O) {
    FBits |= O.FBits;
    return *this;
  }
  TSet& operator-=(const TSet& O) {
    FBits &= ~O.FBits;
    return *this;
  }
  TSet& operator*=(const TSet& O) {
    FBits &= O.FBits;
    return *this;
  }
  bool operator==(const TSet& O) const { return FBits == O.FBits; }
  bool operator!=(const TSet& O) const { return FBits != O.FBits; }
  /// True when every member of this set is in O.
  bool SubsetOf(const TSet& O) const { return (FBits & ~O.FBits).none(); }

 private:
  explicit TSet(const std::bitset<N>& Bits) : FBits(Bits) {}
  static std::size_t Index(E Item) {
    const auto I = static_cast<std::size_t>(Item);
    return I < N ? I : N - 1;  // an out-of-range ordinal is a programming error; stay in bounds
  }
  std::bitset<N> FBits;
};

// ---------------------------------------------------------------------------------------------
// Enumerations (ordinals are the positions below, from 0).

enum TDatabaseType : std::uint8_t {
  dbAbstract,
  dbInterBase,
  dbSybaseASA,
  dbMySQL,
  dbOracle,
  dbMSSQL,
  dbPostgreSQL,
  dbDB2,
  dbSybaseASE,
  dbPervasiveSQL,
  dbMSAccess,
  dbParadox,
  dbDBASE,
  dbCustomOLEDB
};
constexpr std::size_t DatabaseTypeCount = 14;

enum TconnectionType : std::uint8_t {
  cnAbstract,
  cnIBX,
  cnFIB,
  cnIBO,
  cnADO,
  cnZEOS,
  cnBDE,
  cnDBX,
  cnAnyDAC,
  cnUIB,
  cnODAC,
  cnSAVCL,
  cnMyDAC,
  cnPostgresDAC,
  cnIBDAC
};
constexpr std::size_t ConnectionTypeCount = 15;

enum TQELProtocol : std::uint8_t { ptTCP, ptSPX, ptNamedPipe, ptLocal };

enum TCmpObjType : std::uint8_t {
  coDomain,
  coFunction,
  coGenerator,
  coException,
  coTable,
  coView,
  coProcedure,
  coTrigger,
  coIndex,
  coRole,
  coGrant,
  coRoleGrant,
  coUserGrant,
  coObjGrant,
  coPrimaryKey,
  coForeignKey,
  coUnique,
  coCheck,
  coRule,
  coDefault,
  coCtrDefault,
  coPackage,
  coDescription
};
constexpr std::size_t CmpObjTypeCount = 23;

enum TCompareRoleType : std::uint8_t { crUnknownRole, crMasterRole, crTargetRole };

enum TExtractFromType : std::uint8_t { efUnknown, efDatabase, efScript };

enum TStatType : std::uint8_t {
  stConnect,
  stReconnect,
  stCreateDb,
  stSet,
  stSetBlobFile,
  st_Commit,
  stStatement,
  stComment,
  stProcedure,
  stTrigger,
  stSetNames,
  stCharSet,
  stSqlDialect,
  stDescription,
  stSelect,
  stInsert,
  stUpdate,
  stDelete,
  stExecuteBlock,
  stPackage
};
constexpr std::size_t StatTypeCount = 20;

/// Display names of the statement types, indexed by TStatType.
extern const char* const StatTypeStr[StatTypeCount];

/// True for the statement types that change a database (DDL, comments, data changes): they mark
/// an executor as having changes and need an open connection to run.
bool ChangesDatabase(TStatType T);

/// The row statement kinds, an INSERT, UPDATE or DELETE as 0, 1 or 2; -1 for any other type.
int RowStatementKind(TStatType T);

enum TDbObject : std::uint8_t {
  dboUnknown,
  dboTable,
  dboProcedure,
  dboTrigger,
  dboFunction,
  dboException,
  dboIndex,
  dboDomain,
  dboView,
  dboGenerator,
  dboEvent,
  dboField,
  dboParam,
  dboDatabase,
  dboConstraint,
  dboPKey,
  dboFKey,
  dboUnique,
  dboCheck,
  dboReferences,
  dboCtrDefault,
  dboRole,
  dboGrant,
  dboRule,
  dboDefault,
  dboPackage,
  dboPublication,
  dboSchema,
  dboOperator,
  dboOperatorClass,
  dboConversion
};
constexpr std::size_t DbObjectCount = 31;

enum TDbOperation : std::uint8_t {
  odbUnknown,
  odbCreate,
  odbAlter,
  odbDrop,
  odbEmpty,
  odbRestore,
  odbEmptyCreate,
  odbEmptyDrop,
  odbSet,
  odbCommit,
  odbComment,
  odbDescription,
  odbInsert,
  odbUpdate,
  odbDelete
};

enum TParamInOutType : std::uint8_t { ioUnknown, ioIn, ioOut, ioInout };

enum TTblOnCommit : std::uint8_t { tocUnknown, tocDelete, tocPreserve };

enum TGrantPrivilege : std::uint8_t {
  gntAll,
  gntInsert,
  gntUpdate,
  gntDelete,
  gntSelect,
  gntExecute,
  gntReferences,
  gntAlter,
  gntCreateDatabaseLink,
  gntCreateSequence,
  gntCreateSession,
  gntCreateTrigger,
  gntCreateProcedure,
  gntCreateType,
  gntCreateSynonym,
  gntCreatePublicSynonym,
  gntDropSynonym,
  gntDropPublicSynonym,
  gntCreateTable,
  gntCreateView,
  gntCreateIndexType,
  gntCreateRule,
  gntCreateDefault,
  gntCreateFunction,
  gntCreateDatabase,
  gntBackupDatabase,
  gntBackupLog,
  gntDumpDatabase,
  gntDumpTransaction,
  gntViewAnyDatabase,
  gntTruncateTable,
  gntUpdateStatistics,
  gntDeleteStatistics,
  gntUnlimitedTableSpace,
  gntDropTable,
  gntDropView,
  gntDropTrigger,
  gntDropProcedure,
  gntDropSequence,
  gntDropType,
  gntDropIndexType,
  gntForceAnyTransaction
};
constexpr std::size_t GrantPrivilegeCount = 42;

enum TUpdateDescriptionType : std::uint8_t { udSysTables, udDescribe, udComment };

enum TOracleDataType : std::uint8_t {
  odUnknown,
  odSimple,
  odObject,
  odVArray,
  odAsTable,
  odIsTable
};

enum TIdentQuoteType : std::uint8_t {
  iqAutoQuote,
  iqNoneQuote,
  iqSingleQuote,
  iqDoubleQuote,
  iqBrackQuote
};

enum TASASQLDialect : std::uint8_t { asaSybaseSQL, asaTransactSQL };

// ---------------------------------------------------------------------------------------------
// Sets.

using TDatabaseSetType = TSet<TDatabaseType, DatabaseTypeCount>;
using TConnectionSetType = TSet<TconnectionType, ConnectionTypeCount>;
using TCmpObjSetType = TSet<TCmpObjType, CmpObjTypeCount>;
using TDbObjectSet = TSet<TDbObject, DbObjectCount>;
using TGrantPrivilegeSet = TSet<TGrantPrivilege, GrantPrivilegeCount>;
/// Parser symbol numbers 0..255.
using TSymSet = TSet<std::uint8_t, 256>;
using TDbObjSet = TSet<std::uint8_t, 256>;

/// Every comparable kind: what a comparison or extraction covers unless told otherwise.
inline TCmpObjSetType AllCmpObjTypes() {
  return TCmpObjSetType::All();
}

// ---------------------------------------------------------------------------------------------
// Event signatures. Sender is the raising component; reference parameters are the ones the
// handler may change.

using TProgressUpdateEvent = std::function<void(TObject* Sender, int Value, int MaxValue)>;
using TProgressUpdateExEvent = std::function<void(
    TObject* Sender, bool Detailed, const std::string& aText, int Value, int MaxValue)>;
using TLogNextLineEvent = std::function<void(TObject* Sender, const std::string& LogText)>;
using TErrorMessageEvent = std::function<void(TObject* Sender, const std::string& ErrText)>;
/// The handler fills aScript with the text of FileName and sets Loaded.
using TLoadScriptEvent = std::function<void(TObject* Sender, const std::string& FileName,
                                            TStrings* aScript, bool& Loaded)>;
/// The handler may veto a statement or supply the statement object itself.
using TAddStatementEvent = std::function<void(
    TObject* Sender, const std::string& aText, TStatType aTyp, const std::string& aObjName,
    TDbObject aObjType, TDbOperation aOperation, const std::string& aOwnName, TObject*& Statement)>;
using TAcceptObjEvent = std::function<void(TObject* Sender, const std::string& aObjName,
                                           TDbObject aObjType, bool& Accept)>;
using TAccept_ObjEvent = std::function<void(TObject* Sender, TObject* aObj, bool& Accept)>;

// ---------------------------------------------------------------------------------------------
// Option records of object definitions.

/// Oracle physical storage attributes of a table or index; 0 and empty mean "not given".
class TTableSpace {
 public:
  std::int32_t PctFree = 0;
  std::int32_t PctUsed = 0;
  std::int32_t IniTrans = 0;
  std::int32_t MaxTrans = 0;
  std::string Storage;

  /// The storage clauses as script text, one per line; empty when nothing is given.
  std::string Def() const;
  void Clear();
  bool IsEmpty() const;
  /// Fills the unset fields of each side from the other, so that comparing the two Def texts
  /// afterwards only reports what both sides state differently.
  void AssignDiffs(TTableSpace& Other);
};

/// Modifiers of an Oracle object type.
class TTypeDirective {
 public:
  bool NotInstantiable = false;
  bool NotFinal = false;
  bool Final = false;
  bool Instantiable = false;
  bool Overriding = false;

  /// The modifiers as script text; each keyword is followed by one blank.
  std::string Def() const;
};

/// SQL Server index WITH options; 0 means "not given" for the two numbers.
class TIndexOptions {
 public:
  bool PadIndex = false;
  std::int32_t FillFactor = 0;
  bool IgnoreDupKey = false;
  bool StatisticsNorecompute = false;
  bool AllowRowLocks = false;
  bool AllowPageLocks = false;
  bool SortInTempdb = false;
  bool Online = false;
  std::int32_t MaxDop = 0;

  void Clear();
  /// "(ITEM, ITEM ...)" of the options that are set; empty when none is.
  std::string Def() const;
};

// ---------------------------------------------------------------------------------------------
// Text functions.

/// When True, table and column comparison and prerequisite creation write extra trace lines.
/// The library never sets it; a host application may.
extern bool DebugLog;

/// Converts optional sign and decimal digits. Value receives the number converted so far even
/// when the text is malformed; the result is True only when the whole text converted.
bool TryStrToInt(const std::string& S, std::int32_t& Value);

/// Schema + "." + Name, or Name alone when Schema is empty. No quoting.
std::string SchObjName(const std::string& Schema, const std::string& Name);

/// The text that ends a generated statement in the dialect.
std::string GenScriptTerm(TDatabaseType DatabaseType);

/// S as a string literal of the dialect. Every dialect doubles embedded single quotes (MySQL
/// escapes them); a PostgreSQL literal that needs backslash escapes is written E'...', so the
/// server reads the escapes whatever standard_conforming_strings says.
std::string ScriptQuotedStr(const std::string& S, TDatabaseType DatabaseType);
/// ScriptQuotedStr(S) appended to Out, made large enough for it and Room bytes more first.
void AppendScriptQuotedStr(std::string& Out, std::string_view S, TDatabaseType DatabaseType,
                           std::size_t Room = 0);
/// The opening of ScriptQuotedStr(S): "E'" or "'". An escape depends on its character alone, so
/// the literal of S is this opening, the literals of S's slices without their own quotes, "'".
std::string_view ScriptQuotedOpening(std::string_view S, TDatabaseType DatabaseType);

/// S with the characters a file name cannot hold replaced by blanks; length unchanged.
std::string ValidateFileName(const std::string& S);

/// Text that may be put between "/*" and "*/": an embedded "*/" or "/*" is broken up so that it
/// can neither end the comment early nor open a nested one.
std::string SafeBlockComment(const std::string& S);
/// Text that may follow a single-line comment marker: line breaks become blanks.
std::string SafeLineComment(const std::string& S);

}  // namespace qel
