// The option objects that travel between components: connection settings, one server-options
// object per dialect with its compare options and the database facts read from the server,
// and the options of generated data scripts. All copy themselves with Assign (deep copies: a
// copy never shares a sub-object with its source).
#pragma once

#include <cstdint>
#include <string>

#include "Component.h"
#include "qelTypes.h"

namespace qel {

class TStrings;

// ---------------------------------------------------------------------------------------------
// Server versions. The InterBase order is not chronological; versions compare by ordinal.

enum TIBSQLServerVersionType : std::uint8_t {
  st_InterBase_4x,
  st_InterBase_5x,
  st_InterBase_6x,
  st_FireBird_1x,
  st_Yaffil_1x,
  st_FireBird_15,
  st_InterBase_7x,
  st_Firebird_20,
  st_Firebird_21,
  st_Firebird_25,
  st_InterBase_75
};
enum TMSSQLServerVersionType : std::uint8_t { st_MSSQL2000, st_MSSQL2005 };
enum TMySQLServerVersionType : std::uint8_t { st_MySQL_3x, st_MySQL_4x, st_MySQL_5x };
enum TASAServerVersionType : std::uint8_t { st_ASA5, st_ASA6, st_ASA7, st_ASA8, st_ASA9 };
enum TASEServerVersionType : std::uint8_t { st_ASE12 };
enum TOracleServerVersionType : std::uint8_t {
  st_Oracle_7x,
  st_Oracle_8x,
  st_Oracle_9x,
  st_Oracle_10x
};
enum TPGSQLServerVersionType : std::uint8_t { st_PostgreSQL_7x, st_PostgreSQL_8x };
enum TDB2ServerVersionType : std::uint8_t { st_DB2_8x };

/// InterBase SQL dialect, 1 to 3.
using TIBSQLDialectType = std::int32_t;

// ---------------------------------------------------------------------------------------------

/// How to reach a database.
class TConnectionOptions : public TPersistent {
 public:
  void Assign(const TPersistent& Source) override;
  /// Empties every text and resets the numbers; Protocol becomes ptLocal.
  void Clear();

  const std::string& GetDatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(const std::string& Value) { FDatabaseName = Value; }
  const std::string& GetClientLibrary() const { return ClientLibrary; }

  std::string UserName;
  std::string Password;
  std::string RoleName;
  /// Adapter-specific texts (server name, path and extra parameters) not published.
  std::string ServerName;
  std::string DatabasePath;
  std::string Params;
  std::int32_t Port = 0;
  std::string HostName;
  bool UseWindowsAuthentication = false;
  std::string ConnectionString;
  TQELProtocol Protocol = ptTCP;
  std::string ClientLibrary;

 private:
  std::string FDatabaseName;
};

// ---------------------------------------------------------------------------------------------
// InterBase and Firebird.

class TIBCompareOptions : public TPersistent {
 public:
  TIBCompareOptions() { Clear(); }
  void Assign(const TPersistent& Source) override;
  /// Resets the options a comparison learns; keeps the ones only the user sets
  /// (ModifySystemTables, GenerateCOMMIT, AllowDataTypeConversion).
  void Clear();

  TUpdateDescriptionType GetUpdateDescriptionMode() const { return FUpdateDescriptionMode; }
  void SetUpdateDescriptionMode(TUpdateDescriptionType Value) { FUpdateDescriptionMode = Value; }

  bool DbCharsetCompare = false;
  bool FldCharsetCompare = false;
  bool ModifySystemTables = false;
  bool GenerateCOMMIT = false;
  bool UseRECONNECT = true;
  bool AllowDataTypeConversion = false;
  bool UpdateFieldPosition = true;
  bool ExtractOnlyComparedObjects = true;
  bool IgnoreIBEObjects = true;

 private:
  TUpdateDescriptionType FUpdateDescriptionMode = udSysTables;
};

/// Facts read from an InterBase/Firebird server and database header.
class TIBDatabaseOptions : public TPersistent {
 public:
  void Assign(const TPersistent& Source) override;
  void Clear();
  /// The database information comment ("/* ... */"), empty when nothing is known.
  std::string Def() const;

  std::string ServerVersionText;   ///< version the server reports
  std::string ServerVersionText2;  ///< the implementation text that goes with it
  std::int32_t ODSMajorVersion = 0;
  std::int32_t ODSMinorVersion = 0;
  std::int32_t PageSize = 0;
  bool ForcedWrites = false;
  std::int32_t SweepInterval = 0;
  bool ReadOnly = false;
  std::int32_t CachePages = 0;
  std::int32_t Allocation = 0;
  std::int32_t Implementation = 0;
  std::int32_t SQLDialect = 0;
};

class TIBServerOptions : public TPersistent {
 public:
  TIBServerOptions() { Clear(); }
  void Assign(const TPersistent& Source) override;
  /// Dialect 3, no character set, sub-objects cleared; the server version stays.
  void Clear();

  TIBSQLServerVersionType SQLServerVersion = st_FireBird_15;

  TIBSQLDialectType GetSQLDialect() const { return FSQLDialect; }
  /// Dialects other than 1, 2 and 3 do not exist; such a value is ignored.
  void SetSQLDialect(TIBSQLDialectType Value);
  const std::string& GetDBCharSet() const { return FDBCharSet; }
  /// Stored upper-cased.
  void SetDBCharSet(const std::string& Value);

  TIBCompareOptions& GetIBCompareOptions() { return FIBCompareOptions; }
  const TIBCompareOptions& GetIBCompareOptions() const { return FIBCompareOptions; }
  void SetIBCompareOptions(const TIBCompareOptions& Value) { FIBCompareOptions.Assign(Value); }
  TIBDatabaseOptions& GetIBDatabaseOptions() { return FIBDatabaseOptions; }
  const TIBDatabaseOptions& GetIBDatabaseOptions() const { return FIBDatabaseOptions; }
  void SetIBDatabaseOptions(const TIBDatabaseOptions& Value) { FIBDatabaseOptions.Assign(Value); }

  /// "SET NAMES <charset>" unless the character set is empty or NONE.
  std::string DBCharSetDef() const;
  /// "SET SQL DIALECT 3" for dialect 3; dialects 1 and 2 need no statement.
  std::string SQLDialectDef() const;
  std::string ConnectDatabaseDef(const TConnectionOptions& Conn) const;
  std::string CreateDatabaseDef(const TConnectionOptions& Conn) const;
  std::string DBInfoDef() const { return FIBDatabaseOptions.Def(); }
  /// The information comment, then SET NAMES, SET SQL DIALECT and CONNECT, each on its own line
  /// and ended by ";".
  std::string ConnectHeaderDef(const TConnectionOptions& Conn) const;
  /// True for on-disk structure 10 or later (or, without server facts, InterBase 6 or later).
  bool ODS_GE10() const;
  /// Reads USER_NAME, PASSWORD, SQL_ROLE_NAME and LC_CTYPE from NAME=VALUE lines into Conn
  /// (which is cleared first) and the character set.
  void ExtractDatabaseParams(const TStrings& Params, TConnectionOptions& Conn);

 private:
  TIBSQLDialectType FSQLDialect = 3;
  std::string FDBCharSet;
  TIBCompareOptions FIBCompareOptions;
  TIBDatabaseOptions FIBDatabaseOptions;
};

/// The InterBase options of the comparer, executor, extractor, table data comparer and
/// connection engine; they differ only in what the host's property editor shows.
class TIBComparerOptions : public TIBServerOptions {};
class TIBSQLExecOptions : public TIBServerOptions {};
class TIBExtractOptions : public TIBServerOptions {};
class TIBTableDataComparerOptions : public TIBServerOptions {};
class TIBEngineOptions : public TIBServerOptions {};

// ---------------------------------------------------------------------------------------------
// SQL Server.

class TMSSQLCompareOptions : public TPersistent {
 public:
  TMSSQLCompareOptions() { Clear(); }
  void Assign(const TPersistent& Source) override;
  /// Resets all but UpdateColumnPosition.
  void Clear();

  bool IgnoreFileGroup = false;
  bool IgnoreSysName = true;
  bool CaseSensitiveIdentifiers = false;
  bool UpdateColumnPosition = false;
};

class TMSSQLDatabaseOptions : public TPersistent {
 public:
  TMSSQLDatabaseOptions() { Clear(); }
  void Assign(const TPersistent& Source) override;
  void Clear();

  std::string DatabaseCollation;
  std::int32_t CompatibilityLevel = 0;
  bool RecursiveTriggers = false;
  bool QuotedIdentifier = false;
};

class TMSSQLServerOptions : public TPersistent {
 public:
  TMSSQLServerOptions() { Clear(); }
  void Assign(const TPersistent& Source) override;
  void Clear();

  TMSSQLServerVersionType SQLServerVersion = st_MSSQL2000;
  std::string Collation;
  std::string DBCharSet;

  TMSSQLCompareOptions& GetMSSQLCompareOptions() { return FCompareOptions; }
  const TMSSQLCompareOptions& GetMSSQLCompareOptions() const { return FCompareOptions; }
  void SetMSSQLCompareOptions(const TMSSQLCompareOptions& V) { FCompareOptions.Assign(V); }
  TMSSQLDatabaseOptions& GetMSSQLDatabaseOptions() { return FDatabaseOptions; }
  const TMSSQLDatabaseOptions& GetMSSQLDatabaseOptions() const { return FDatabaseOptions; }
  void SetMSSQLDatabaseOptions(const TMSSQLDatabaseOptions& V) { FDatabaseOptions.Assign(V); }

 private:
  TMSSQLCompareOptions FCompareOptions;
  TMSSQLDatabaseOptions FDatabaseOptions;
};

// ---------------------------------------------------------------------------------------------
// MySQL.

class TMySQLCompareOptions : public TPersistent {
 public:
  TMySQLCompareOptions() { Clear(); }
  void Assign(const TPersistent& Source) override;
  void Clear() { CaseSensitiveIdentifiers = true; }

  bool CaseSensitiveIdentifiers = true;
};

class TMySQLServerOptions : public TPersistent {
 public:
  TMySQLServerOptions() { Clear(); }
  void Assign(const TPersistent& Source) override;
  void Clear();

  TMySQLServerVersionType SQLServerVersion = st_MySQL_5x;
  std::string CharSet;
  std::string Names;

  TMySQLCompareOptions& GetMySQLCompareOptions() { return FCompareOptions; }
  const TMySQLCompareOptions& GetMySQLCompareOptions() const { return FCompareOptions; }
  void SetMySQLCompareOptions(const TMySQLCompareOptions& V) { FCompareOptions.Assign(V); }

 private:
  TMySQLCompareOptions FCompareOptions;
};

/// Options of one MySQL table, filled by the MySQL readers.
class TMySQLTableOptions {
 public:
  const std::string& GetDefCharSet() const { return FDefCharSet; }
  void SetDefCharSet(const std::string& Value) { FDefCharSet = Value; }

  std::string Engine;
  std::string Collation;
  std::string PackKeys;
  std::string RowFormat;

 private:
  std::string FDefCharSet;
};

// ---------------------------------------------------------------------------------------------
// SQL Anywhere.

class TASACompareOptions : public TPersistent {
 public:
  void Assign(const TPersistent& Source) override;
  void Clear() { CaseSensitiveIdentifiers = false; }

  bool CaseSensitiveIdentifiers = false;
};

class TASADatabaseOptions : public TPersistent {
 public:
  TASADatabaseOptions() { Clear(); }
  void Assign(const TPersistent& Source) override;
  void Clear();

  bool QuotedIdentifier = true;
  bool AnsiNulls = true;
  std::string DefaultCollation;
  std::int32_t Statistics = 0;
  std::string DateOrder;
};

class TASAServerOptions : public TPersistent {
 public:
  TASAServerOptions() { Clear(); }
  void Assign(const TPersistent& Source) override;
  void Clear();

  TASAServerVersionType SQLServerVersion = st_ASA9;

  TASACompareOptions& GetASACompareOptions() { return FCompareOptions; }
  const TASACompareOptions& GetASACompareOptions() const { return FCompareOptions; }
  void SetASACompareOptions(const TASACompareOptions& V) { FCompareOptions.Assign(V); }
  TASADatabaseOptions& GetASADatabaseOptions() { return FDatabaseOptions; }
  const TASADatabaseOptions& GetASADatabaseOptions() const { return FDatabaseOptions; }
  void SetASADatabaseOptions(const TASADatabaseOptions& V) { FDatabaseOptions.Assign(V); }

 private:
  TASACompareOptions FCompareOptions;
  TASADatabaseOptions FDatabaseOptions;
};

// ---------------------------------------------------------------------------------------------
// Sybase ASE.

enum TASEDBOption : std::uint8_t {
  asedboAbortTranOnLogFull,
  asedboAllowNullsByDefault,
  asedboAsyncLogService,
  asedboAutoIdentity,
  asedboDboUseOnly,
  asedboDdlInTran,
  asedboDisableAliasAccess,
  asedboIdentityInNonUniqueIndex,
  asedboNoChkptOnRecovery,
  asedboNoFreeSpaceAcctg,
  asedboReadOnly,
  asedboSelectIntoBulkCopyPllSort,
  asedboSingleUser,
  asedboTruncLogOnChkpt,
  asedboUniqueAutoIdentityIndex
};
constexpr std::size_t ASEDBOptionCount = 15;
using TASEDBOptions = TSet<TASEDBOption, ASEDBOptionCount>;

class TASECompareOptions : public TPersistent {
 public:
  void Assign(const TPersistent& Source) override;
  void Clear();

  bool IgnoreFileGroup = false;
  bool IgnoreSysName = true;
  bool CaseSensitiveIdentifiers = false;
  bool CompareDBOptions = true;
};

class TASEDatabaseOptions : public TPersistent {
 public:
  void Assign(const TPersistent& Source) override;
  void Clear();
  /// The option's name as the server spells it ("trunc log on chkpt").
  static std::string DBOptionStr(TASEDBOption Option);

  std::string Description;  ///< heading text of the database
  std::string Size;
  std::string Owner;
  std::string Created;
  std::string OptionsText;
  std::string Status;
  std::int32_t DbId = 0;
  std::int32_t Status2 = 0;
  TASEDBOptions DBOptions;
};

class TASEServerOptions : public TPersistent {
 public:
  void Assign(const TPersistent& Source) override;
  void Clear();

  TASEServerVersionType SQLServerVersion = st_ASE12;

  TASECompareOptions& GetASECompareOptions() { return FCompareOptions; }
  const TASECompareOptions& GetASECompareOptions() const { return FCompareOptions; }
  void SetASECompareOptions(const TASECompareOptions& V) { FCompareOptions.Assign(V); }
  TASEDatabaseOptions& GetASEDatabaseOptions() { return FDatabaseOptions; }
  const TASEDatabaseOptions& GetASEDatabaseOptions() const { return FDatabaseOptions; }
  void SetASEDatabaseOptions(const TASEDatabaseOptions& V) { FDatabaseOptions.Assign(V); }

 private:
  TASECompareOptions FCompareOptions;
  TASEDatabaseOptions FDatabaseOptions;
};

// ---------------------------------------------------------------------------------------------
// Oracle, PostgreSQL, DB2: a server version and nothing else.

class TOracleServerOptions : public TPersistent {
 public:
  void Assign(const TPersistent& Source) override;
  void Clear() { SQLServerVersion = st_Oracle_10x; }
  TOracleServerVersionType SQLServerVersion = st_Oracle_10x;
};

class TPGSQLServerOptions : public TPersistent {
 public:
  void Assign(const TPersistent& Source) override;
  void Clear() { SQLServerVersion = st_PostgreSQL_8x; }
  TPGSQLServerVersionType SQLServerVersion = st_PostgreSQL_8x;
};

class TDB2ServerOptions : public TPersistent {
 public:
  void Assign(const TPersistent& Source) override;
  void Clear() { SQLServerVersion = st_DB2_8x; }
  TDB2ServerVersionType SQLServerVersion = st_DB2_8x;
};

// ---------------------------------------------------------------------------------------------

/// Options of generated data scripts.
class TScriptOptions : public TPersistent {
 public:
  void Assign(const TPersistent& Source) override;

  bool GenerateScript = true;
  bool Connect = true;
  bool SQLDialect = true;
  bool DBCharSet = true;
  bool LocalSQL = false;
  std::string FloatFormat;
  std::string DateFormat;
  std::string TimeFormat;
  std::string DateTimeFormat;
};

// ---------------------------------------------------------------------------------------------

/// The connection options and the options of every server, owned by the component (connection,
/// executor or comparer) that hands them out; the setters copy (the owned objects are never
/// replaced). TIBOptions is the InterBase options class of that component.
template <typename TIBOptions>
class TServerOptionsHolder {
 public:
  TConnectionOptions& GetConnectionOptions() { return FConnectionOptions; }
  const TConnectionOptions& GetConnectionOptions() const { return FConnectionOptions; }
  void SetConnectionOptions(const TConnectionOptions& V) { FConnectionOptions.Assign(V); }
  TIBOptions& GetIBServerOptions() { return FIBServerOptions; }
  const TIBOptions& GetIBServerOptions() const { return FIBServerOptions; }
  void SetIBServerOptions(const TIBServerOptions& V) { FIBServerOptions.Assign(V); }
  TMSSQLServerOptions& GetMSSQLServerOptions() { return FMSSQLServerOptions; }
  void SetMSSQLServerOptions(const TMSSQLServerOptions& V) { FMSSQLServerOptions.Assign(V); }
  TMySQLServerOptions& GetMySQLServerOptions() { return FMySQLServerOptions; }
  void SetMySQLServerOptions(const TMySQLServerOptions& V) { FMySQLServerOptions.Assign(V); }
  TASAServerOptions& GetASAServerOptions() { return FASAServerOptions; }
  void SetASAServerOptions(const TASAServerOptions& V) { FASAServerOptions.Assign(V); }
  TASEServerOptions& GetASEServerOptions() { return FASEServerOptions; }
  void SetASEServerOptions(const TASEServerOptions& V) { FASEServerOptions.Assign(V); }
  TOracleServerOptions& GetOracleServerOptions() { return FOracleServerOptions; }
  void SetOracleServerOptions(const TOracleServerOptions& V) { FOracleServerOptions.Assign(V); }
  TPGSQLServerOptions& GetPGSQLServerOptions() { return FPGSQLServerOptions; }
  void SetPGSQLServerOptions(const TPGSQLServerOptions& V) { FPGSQLServerOptions.Assign(V); }
  TDB2ServerOptions& GetDB2ServerOptions() { return FDB2ServerOptions; }
  void SetDB2ServerOptions(const TDB2ServerOptions& V) { FDB2ServerOptions.Assign(V); }

 protected:
  /// Copies every option object of Source.
  void AssignServerOptions(const TServerOptionsHolder& Source) {
    FConnectionOptions.Assign(Source.FConnectionOptions);
    FIBServerOptions.Assign(Source.FIBServerOptions);
    FMSSQLServerOptions.Assign(Source.FMSSQLServerOptions);
    FMySQLServerOptions.Assign(Source.FMySQLServerOptions);
    FASAServerOptions.Assign(Source.FASAServerOptions);
    FASEServerOptions.Assign(Source.FASEServerOptions);
    FOracleServerOptions.Assign(Source.FOracleServerOptions);
    FPGSQLServerOptions.Assign(Source.FPGSQLServerOptions);
    FDB2ServerOptions.Assign(Source.FDB2ServerOptions);
  }
  /// Clears every option object.
  void ClearServerOptions() {
    FConnectionOptions.Clear();
    FPGSQLServerOptions.Clear();
    FDB2ServerOptions.Clear();
    FOracleServerOptions.Clear();
    FASAServerOptions.Clear();
    FASEServerOptions.Clear();
    FMSSQLServerOptions.Clear();
    FMySQLServerOptions.Clear();
    FIBServerOptions.Clear();
  }

  // Created in this order, freed in the reverse order.
  TConnectionOptions FConnectionOptions;
  TIBOptions FIBServerOptions;
  TMSSQLServerOptions FMSSQLServerOptions;
  TMySQLServerOptions FMySQLServerOptions;
  TASAServerOptions FASAServerOptions;
  TASEServerOptions FASEServerOptions;
  TOracleServerOptions FOracleServerOptions;
  TPGSQLServerOptions FPGSQLServerOptions;
  TDB2ServerOptions FDB2ServerOptions;
};

}  // namespace qel
