// The dialect registry: what the library knows of each SQL dialect, registered by the dialect's
// own folder (dialects/<name>/qel<D>Dialect.cpp), and looked up by name or database type. The
// core quotes names, and programs pick extractors and connections, through it, so that
// neither includes a dialect's headers.
//
// Why the registry sits in the base although it names types of the layers above (the model's
// collection, the extractors, the connection engine's query, the comparers): every layer looks a
// dialect up, the quoting of names in the model as much as the comparer's set-up, so the
// registry must sit below all of them. It only forward-declares those types and holds factories
// and callbacks that return or take them; it never calls into them, and no base unit includes
// a header above its own folder. A dialect's registration (dialects/<name>/) is what fills the
// callbacks, with every layer's headers on its include path.
#pragma once

#include <array>
#include <atomic>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qelDBOptions.h"
#include "qelTypes.h"

namespace qel {

class TCmpTableOptions;
class TComponent;
class TComponentClass;
class TCustomDBExtract;
class TCustomObjs;
class TCustomScriptExtract;
class TDBStructure;
class TQELConnection;
class TQELQuery;
class TVarnel;

/// The catalog queries that tell of one table: whether the server has it (one row, whose first
/// column counts it) and its primary key columns in key order (one row each, the name first).
struct TTableCatalogSQL {
  std::string Exists;
  std::string Keys;
};

/// Where the server keeps the names of one kind of object apart: each schema (or owner) holds
/// one object of a name, or each table holds its own.
enum class TNameScope : std::uint8_t { Schema, Table };

/// The scope of the names of the kinds whose names some servers keep per table.
struct TNameScopes {
  TNameScope Constraints = TNameScope::Schema;
  TNameScope Indexes = TNameScope::Schema;
  TNameScope Triggers = TNameScope::Schema;
};

/// The largest numbers the servers of a dialect take in a type, over the versions the library
/// reads: what a script reader checks a column's type against.
struct TTypeBounds {
  std::int32_t Length = 32767;       ///< of a character, binary or bit string type
  std::int32_t FixedLength = 32767;  ///< of CHAR, NCHAR, BINARY and GRAPHIC
  std::int32_t Decimal = 18;         ///< precision of NUMERIC, DECIMAL and NUMBER
  std::int32_t Precision = 53;       ///< any other precision (floats, fractions of seconds, widths)
  std::int32_t MinScale = 0;
  std::int32_t MaxScale = 18;
  bool ScaleWithinPrecision = true;  ///< the server refuses a scale greater than the precision
};

/// How the dialect's scripts quote and comment: what the scanner, and a reader that only scans
/// a text (a condition, a view's query), must know to tell names, strings and comments from the
/// rest.
struct TLexicalRules {
  bool BracketQuotes = false;        ///< [name] is a quoted name (Transact-SQL, SQL Anywhere)
  bool BackslashEscapes = false;     ///< a back-slash escapes in quoted text (MySQL)
  bool DoubleQuotedStrings = false;  ///< "..." may be a string as well as a name (Transact-SQL)
  bool BlanksInOperators = false;    ///< "< >", "! =" and "< =" are operators (Transact-SQL)
  bool NestedComments = false;       ///< a /* inside a block comment opens one more (PostgreSQL)
  bool EscapeStrings = false;        ///< a back-slash escapes in E'...' (PostgreSQL)
  bool DollarQuotes = false;         ///< $tag$ ... $tag$ quotes text (PostgreSQL)
};

/// One SQL dialect. Every member but Name and DatabaseType may be left empty where the dialect
/// has no such piece.
struct TDialect {
  /// The name programs know the dialect by (lower case), and other names for it.
  std::string Name;
  std::vector<std::string> Aliases;
  TDatabaseType DatabaseType = dbAbstract;
  /// The dialect's name in messages ("PostgreSQL"); empty: "dialect N".
  std::string DisplayName;
  /// What a script reader checks a column's type against; the defaults are InterBase's and
  /// Firebird's.
  TTypeBounds TypeBounds;
  TLexicalRules Lexical;

  /// S as it must be written in the dialect's script text (InterBase: by server version and
  /// SQL dialect; the others ignore both).
  std::function<std::string(const std::string& S, TIBSQLServerVersionType ServerVersion,
                            std::int8_t SQLDialect)>
      QuoteIdent;
  /// True when Word (any letter case) is one of the dialect's keywords.
  std::function<bool(std::string_view Word)> IsKeyword;
  /// The name the server makes from two parts and a label ("orders", "id", "seq").
  std::function<std::string(const std::string& Name1, const std::string& Name2,
                            const std::string& Label)>
      MakeObjectName;

  /// Where the names of constraints, indexes and triggers must be unique on the dialect's
  /// servers: the key a second object of a name is filed under, and so whether it is one
  /// defined twice.
  TNameScopes NameScopes;

  std::function<std::unique_ptr<TCustomScriptExtract>(TComponent* Owner)> MakeScriptExtractor;
  std::function<std::unique_ptr<TCustomDBExtract>(TComponent* Owner)> MakeCatalogExtractor;

  /// The URI schemes (lower case) that name a database of the dialect, the first the one
  /// messages use; empty where no server of the dialect is reached by URI.
  std::vector<std::string> URISchemes;
  /// How the path of such a URI is written, in the example program's help.
  std::string URIPathForm = "database";
  /// The adapter a connection to a database of the dialect goes through.
  TconnectionType ConnectionType = cnAbstract;
  /// The database the path of a URI names (still percent-encoded); empty: the path itself.
  std::function<std::string(const std::string& Path)> DatabaseOfPath;
  /// What a new connection to a database of the dialect is set to before it opens.
  std::function<void(TQELConnection& Connection)> SetUpConnection;
  /// What the creation script of a schema read from a database of the dialect is written with.
  std::function<void(TCustomObjs& Objs)> SetUpExtractedScript;

  /// The table data comparer's catalog step: fills Table's catalog field list from the side's
  /// server; False (reported) when the table is not there.
  std::function<bool(TCmpTableOptions& Table, TQELQuery& Query)> ReadDataFields;
  /// A table name as the table data comparer takes it (TCmpTableOptions::SplitTableName's
  /// form) made the name the server takes, where the comparer keeps a name as written and the
  /// server folds an unquoted one; empty: the name unchanged.
  std::function<std::string(const std::string& Table)> ServerTableName;
  /// The same for a column name (a name in double quotes stays as written); empty: unchanged.
  std::function<std::string(const std::string& Column)> ServerColumnName;
  /// The catalog queries of the table whose name (as ServerTableName gives it) splits into
  /// Parts, the schema first where there are two, Quoted telling which part was in double
  /// quotes; empty where the dialect's catalog is not read so.
  std::function<TTableCatalogSQL(const std::vector<std::string>& Parts,
                                 const std::vector<bool>& Quoted)>
      TableCatalogSQL;

  // How the table data comparer writes rows into a table of the dialect. A run whose target's
  // dialect has not said what the run needs is refused with a message naming the dialect:
  // another dialect's form could change other rows or other values than the master's.
  /// The statement that deletes one of the rows Where selects in Table (both as written in a
  /// statement), for tables whose copies of a row are told apart by nothing else; empty where
  /// the server has no such form.
  std::function<std::string(const std::string& Table, const std::string& Where)> DeleteOneRow;
  /// The literal of a Boolean value.
  std::function<std::string(bool Value)> BooleanLiteral;
  /// The literal of bytes given as upper-case hexadecimal digits.
  std::function<std::string(const std::string& Hex)> BinaryLiteral;
  /// The digits of a second's fraction that a time or timestamp column keeps, from the digits
  /// the column's result declares (-1: not declared); -1 where every digit written is kept.
  std::function<int(int Declared)> TimeFractionDigits;
  /// The largest statement the server reads, in bytes; 0 where none is known.
  std::optional<std::size_t> StatementLimit;
  /// The literal of a float -0 that the server stores as -0; empty where its floats keep no
  /// sign of zero (a -0 written there becomes 0, and a run takes the two as equal).
  std::optional<std::string> NegativeZero;

  // How the table data comparer reads a side of the dialect, so that its values compare with
  // those of any server.
  /// The catalog query of the columns of a table (Table as statements name it, Stored its
  /// stored name) read in another form: one row each, the column's name, 1 for a time with a
  /// zone (read by UtcTime) or 0 for a blank-padded CHAR(n) (read by UnpaddedText), and the
  /// digits of a second the column keeps (-1: not declared); empty where there are none.
  std::function<std::string(const std::string& Table, const std::string& Stored)> ReadFormsSQL;
  /// The select item of a CHAR(n) column (Column as a statement names it) without the padding
  /// the server adds.
  std::function<std::string(const std::string& Column)> UnpaddedText;
  /// The select item of a time with a zone as the time in UTC without one, with Digits of a
  /// second (-1: as many as the server gives).
  std::function<std::string(const std::string& Column, int Digits)> UtcTime;
  /// The expression of a text as its bytes, for a server whose collations take texts that differ
  /// in case or trailing blanks as equal (it orders and groups them so byte by byte); empty
  /// where its texts compare by their bytes.
  std::function<std::string(const std::string& Column)> TextBytes;

  /// What a comparison in this dialect sets on the comparer before it reads the schemas.
  std::function<void(TVarnel& Comparer)> SetUpComparer;
  /// After reading: settles the server a side read from scripts is written for (IsDb: the
  /// side was read from a database).
  std::function<void(TDBStructure& Master, bool MasterIsDb, TDBStructure& Target, bool TargetIsDb)>
      SettleScriptServers;

  /// The dialect's components on the design-time palette (script extractor, catalog extractor,
  /// executor), one group registered together; empty: none. Only design-time code asks.
  std::function<std::vector<TComponentClass>()> PaletteClasses;
  /// Where that group stands on the palette: in ascending order, dialects of one place in the
  /// order they were added (by default after every dialect given a place).
  int PalettePlace = INT_MAX;
};

/// The lexical rules of the dialect of Type; none where no dialect is registered for it.
TLexicalRules LexicalRulesOf(TDatabaseType Type);

/// A factory for a TDialect member: makes a T from its one argument and hands it out as a Base.
template <class Base, class T, class Arg>
std::function<std::unique_ptr<Base>(Arg)> Factory() {
  return [](Arg A) -> std::unique_ptr<Base> { return std::make_unique<T>(A); };
}

/// Sets D's two factories: script extractor and catalog extractor.
template <class TScript, class TCatalog>
void SetFactories(TDialect& D) {
  D.MakeScriptExtractor = Factory<TCustomScriptExtract, TScript, TComponent*>();
  D.MakeCatalogExtractor = Factory<TCustomDBExtract, TCatalog, TComponent*>();
}

/// A dialect of that name, other names, database type and quoting, with its two factories.
template <class TScript, class TCatalog>
TDialect MakeDialect(std::string Name, std::vector<std::string> Aliases, TDatabaseType Type,
                     decltype(TDialect::QuoteIdent) Quote) {
  TDialect D;
  D.Name = std::move(Name);
  D.Aliases = std::move(Aliases);
  D.DatabaseType = Type;
  D.QuoteIdent = std::move(Quote);
  SetFactories<TScript, TCatalog>(D);
  return D;
}

/// A TDialect::QuoteIdent for a dialect whose quoting needs the name alone.
template <std::string (*Quote)(const std::string&)>
std::string QuoteName(const std::string& S, TIBSQLServerVersionType, std::int8_t) {
  return Quote(S);
}

/// Row forms several dialects share (TDialect::BooleanLiteral, BinaryLiteral,
/// TimeFractionDigits).
std::string TrueFalseLiteral(bool Value);        ///< TRUE, FALSE
std::string OneZeroLiteral(bool Value);          ///< 1, 0
std::string MinusOneZeroLiteral(bool Value);     ///< -1, 0
std::string XQuotedHex(const std::string& Hex);  ///< X'...'
std::string ZeroXHex(const std::string& Hex);    ///< 0x...
inline int DeclaredTimeDigits(int Declared) {
  return Declared;
}
inline int EveryTimeDigit(int) {
  return -1;
}

/// Sets D's row forms but the deletion of one row: how Booleans, bytes and a float -0 are
/// written, the time digits kept and the statement limit.
void SetRowForms(TDialect& D, std::string (*Boolean)(bool),
                 std::string (*Binary)(const std::string&), int (*TimeDigits)(int),
                 std::string NegativeZero = std::string(), std::size_t StatementLimit = 0);

/// A list of dialects whose names (and aliases, in any case) are unique.
class TDialectList {
 public:
  /// Adds D; False, and nothing added, when D has no name or a name (or alias) of D is taken.
  bool Add(TDialect D);
  /// The dialect of that name or alias (any case); nullptr when there is none.
  const TDialect* Find(std::string_view Name) const;
  /// The first dialect added for DatabaseType; nullptr when there is none.
  const TDialect* Find(TDatabaseType DatabaseType) const;
  /// The dialects, in the order they were added.
  std::vector<const TDialect*> All() const;

 private:
  mutable std::mutex FLock;
  std::vector<std::unique_ptr<TDialect>> FItems;
  /// The first dialect of each database type, read without the lock: quoting asks for it once
  /// a name, and a dialect once added stays.
  std::array<std::atomic<const TDialect*>, 256> FByType{};
};

/// The library's dialect registry. The dialects built into the library are in it before the
/// first look-up (AddBuiltInDialects).
TDialectList& Dialects();

/// Registers a dialect of a program's own; False when its name is taken.
bool RegisterDialect(TDialect D);
/// Dialects().Find.
const TDialect* FindDialect(std::string_view Name);
const TDialect* FindDialect(TDatabaseType DatabaseType);

/// The name scopes of the dialect of DatabaseType; per schema for a type no dialect registers.
TNameScopes NameScopesOf(TDatabaseType DatabaseType);

/// S quoted for the dialect: InterBase/Firebird SQL dialect 3 quotes what its rule asks for;
/// SQL Anywhere, MySQL, SQL Server, ASE, PostgreSQL, Oracle, DB2 and the local SQL of Paradox and
/// dBASE use their dialect's rule; everything else stays unchanged. The enclosing quote
/// character is doubled inside the name.
std::string Quote_Ident(const std::string& S, TDatabaseType DatabaseType,
                        TIBSQLServerVersionType ServerVersion, std::int8_t SQLDialect);

/// Adds every dialect the library is built with to List (generated by dialects/CMakeLists.txt
/// from its list of dialect folders, one AddDialects_<folder> each, in that order). Called once,
/// by Dialects(): an explicit call, so that a program linked against the static library gets
/// every dialect without referring to any.
void AddBuiltInDialects(TDialectList& List);

}  // namespace qel
