// The option objects: connection settings, per-dialect server and compare options, data scripts.
#include "qelDBOptions.h"

#include <cstdio>

#include "Strings.h"
#include "Text.h"

namespace qel {

namespace {

/// Copies Source into Dest when Source is a T (or a descendant); the copy is deep because every
/// sub-object is held by value.
template <class T>
bool AssignSame(T& Dest, const TPersistent& Source) {
  const T* S = dynamic_cast<const T*>(&Source);
  if (!S) return false;
  if (S != &Dest) Dest.T::operator=(*S);
  return true;
}

std::string Quoted(const std::string& S) {
  return ScriptQuotedStr(S, dbInterBase);
}

}  // namespace

#define QEL_ASSIGN_SAME(Class)                                          \
  void Class::Assign(const TPersistent& Source) {                       \
    if (!AssignSame<Class>(*this, Source)) TPersistent::Assign(Source); \
  }

QEL_ASSIGN_SAME(TConnectionOptions)
QEL_ASSIGN_SAME(TIBCompareOptions)
QEL_ASSIGN_SAME(TIBDatabaseOptions)
QEL_ASSIGN_SAME(TIBServerOptions)
QEL_ASSIGN_SAME(TMSSQLCompareOptions)
QEL_ASSIGN_SAME(TMSSQLDatabaseOptions)
QEL_ASSIGN_SAME(TMSSQLServerOptions)
QEL_ASSIGN_SAME(TMySQLCompareOptions)
QEL_ASSIGN_SAME(TMySQLServerOptions)
QEL_ASSIGN_SAME(TASACompareOptions)
QEL_ASSIGN_SAME(TASADatabaseOptions)
QEL_ASSIGN_SAME(TASAServerOptions)
QEL_ASSIGN_SAME(TASECompareOptions)
QEL_ASSIGN_SAME(TASEDatabaseOptions)
QEL_ASSIGN_SAME(TASEServerOptions)
QEL_ASSIGN_SAME(TOracleServerOptions)
QEL_ASSIGN_SAME(TPGSQLServerOptions)
QEL_ASSIGN_SAME(TDB2ServerOptions)
QEL_ASSIGN_SAME(TScriptOptions)

#undef QEL_ASSIGN_SAME

// ---------------------------------------------------------------------------------------------

void TConnectionOptions::Clear() {
  FDatabaseName.clear();
  UserName.clear();
  Password.clear();
  RoleName.clear();
  ServerName.clear();
  DatabasePath.clear();
  Params.clear();
  Port = 0;
  HostName.clear();
  UseWindowsAuthentication = false;
  ConnectionString.clear();
  Protocol = ptLocal;
  ClientLibrary.clear();
}

void TIBCompareOptions::Clear() {
  DbCharsetCompare = false;
  FldCharsetCompare = false;
  FUpdateDescriptionMode = udSysTables;
  UseRECONNECT = true;
  UpdateFieldPosition = true;
  ExtractOnlyComparedObjects = true;
  IgnoreIBEObjects = true;
}

void TIBDatabaseOptions::Clear() {
  *this = TIBDatabaseOptions();
}

std::string TIBDatabaseOptions::Def() const {
  std::string Text;
  if (!ServerVersionText.empty()) Text += "   Server version: " + ServerVersionText + " \r\n";
  // A database that was read has a page size; an ODS without one was assumed for a script
  // and says nothing about a database.
  if (ODSMajorVersion > 0 && PageSize > 0) {
    char Buf[512];
    std::snprintf(Buf, sizeof Buf,
                  "   SQLDialect: %d. ODS: %d.%d. Forced writes: %s. Sweep inteval: %d.\r\n"
                  "   Page size: %d. Cache pages: %d (%d Kb). Read-only: %s. ",
                  SQLDialect, ODSMajorVersion, ODSMinorVersion, ForcedWrites ? "On" : "Off",
                  SweepInterval, PageSize, CachePages,
                  static_cast<int>(static_cast<long long>(CachePages) * PageSize / 1024),
                  ReadOnly ? "True" : "False");
    Text += Buf;
  }
  if (Text.empty()) return Text;
  return "/*" + Text.substr(2) + "*/";
}

void TIBServerOptions::Clear() {
  FSQLDialect = 3;
  FDBCharSet.clear();
  FIBCompareOptions.Clear();
  FIBDatabaseOptions.Clear();
}

void TIBServerOptions::SetSQLDialect(TIBSQLDialectType Value) {
  if (Value >= 1 && Value <= 3) FSQLDialect = Value;
}

void TIBServerOptions::SetDBCharSet(const std::string& Value) {
  FDBCharSet = UpperCase(Value);
}

std::string TIBServerOptions::DBCharSetDef() const {
  if (FDBCharSet.empty() || FDBCharSet == "NONE") return {};
  return "SET NAMES " + FDBCharSet;
}

std::string TIBServerOptions::SQLDialectDef() const {
  return FSQLDialect == 3 ? "SET SQL DIALECT 3" : std::string();
}

std::string TIBServerOptions::ConnectDatabaseDef(const TConnectionOptions& Conn) const {
  if (Conn.GetDatabaseName().empty()) return {};
  std::string R = "CONNECT " + Quoted(Conn.GetDatabaseName());
  if (!Conn.UserName.empty()) R += " USER " + Quoted(Conn.UserName);
  if (!Conn.Password.empty()) R += " PASSWORD " + Quoted(Conn.Password);
  if (!Conn.RoleName.empty()) R += " ROLE " + Quoted(Conn.RoleName);
  return R;
}

std::string TIBServerOptions::CreateDatabaseDef(const TConnectionOptions& Conn) const {
  if (Conn.GetDatabaseName().empty()) return {};
  std::string R = "CREATE DATABASE " + Quoted(Conn.GetDatabaseName());
  if (!Conn.UserName.empty() || !Conn.Password.empty()) {
    R += "\r\n";
    if (!Conn.UserName.empty()) R += " USER " + Quoted(Conn.UserName);
    if (!Conn.Password.empty()) R += " PASSWORD " + Quoted(Conn.Password);
  }
  if (FIBDatabaseOptions.PageSize != 0)
    R += "\r\nPAGE_SIZE " + std::to_string(FIBDatabaseOptions.PageSize);
  if (!FDBCharSet.empty()) R += "  DEFAULT CHARACTER SET " + FDBCharSet;
  return R;
}

std::string TIBServerOptions::ConnectHeaderDef(const TConnectionOptions& Conn) const {
  std::string R = DBInfoDef();
  for (const std::string& Line : {DBCharSetDef(), SQLDialectDef(), ConnectDatabaseDef(Conn)})
    if (!Line.empty()) R += "\r\n" + Line + ";";
  return R;
}

bool TIBServerOptions::ODS_GE10() const {
  // The on-disk structure read from the database decides when it is known; only without it
  // does the configured server version stand in.
  if (FIBDatabaseOptions.ODSMajorVersion > 0) return FIBDatabaseOptions.ODSMajorVersion >= 10;
  return SQLServerVersion >= st_InterBase_6x;
}

void TIBServerOptions::ExtractDatabaseParams(const TStrings& Params, TConnectionOptions& Conn) {
  Conn.Clear();
  for (int I = 0; I < Params.Count(); ++I) {
    const std::string& Entry = Params[I];
    const auto Eq = Entry.find('=');
    if (Eq == std::string::npos) continue;
    const std::string Name = UpperCase(Entry.substr(0, Eq));
    const std::string Value = Entry.substr(Eq + 1);
    if (Name == "USER_NAME")
      Conn.UserName = Value;
    else if (Name == "PASSWORD")
      Conn.Password = Value;
    else if (Name == "SQL_ROLE_NAME")
      Conn.RoleName = Value;
    else if (Name == "LC_CTYPE")
      SetDBCharSet(Value);
  }
}

// ---------------------------------------------------------------------------------------------

void TMSSQLCompareOptions::Clear() {
  IgnoreFileGroup = false;
  IgnoreSysName = true;
  CaseSensitiveIdentifiers = false;
}

void TMSSQLDatabaseOptions::Clear() {
  DatabaseCollation.clear();
  CompatibilityLevel = 0;
  RecursiveTriggers = false;
  QuotedIdentifier = false;
}

void TMSSQLServerOptions::Clear() {
  SQLServerVersion = st_MSSQL2000;
  Collation.clear();
  DBCharSet.clear();
  FCompareOptions.Clear();
  FDatabaseOptions.Clear();
}

void TMySQLServerOptions::Clear() {
  SQLServerVersion = st_MySQL_5x;
  CharSet.clear();
  Names.clear();
  FCompareOptions.Clear();
}

void TASADatabaseOptions::Clear() {
  QuotedIdentifier = true;
  AnsiNulls = true;
  DefaultCollation.clear();
  Statistics = 0;
  DateOrder.clear();
}

void TASAServerOptions::Clear() {
  SQLServerVersion = st_ASA9;
  FCompareOptions.Clear();
  FDatabaseOptions.Clear();
}

void TASECompareOptions::Clear() {
  *this = TASECompareOptions();
}

void TASEDatabaseOptions::Clear() {
  *this = TASEDatabaseOptions();
}

std::string TASEDatabaseOptions::DBOptionStr(TASEDBOption Option) {
  static const char* const Names[ASEDBOptionCount] = {"abort tran on log full",
                                                      "allow nulls by default",
                                                      "async log service",
                                                      "auto identity",
                                                      "dbo use only",
                                                      "ddl in tran",
                                                      "disable alias access",
                                                      "identity in nonunique index",
                                                      "no chkpt on recovery",
                                                      "no free space acctg",
                                                      "read only",
                                                      "select into/bulkcopy/pllsort",
                                                      "single user",
                                                      "trunc log on chkpt",
                                                      "unique auto_identity index"};
  const auto I = static_cast<std::size_t>(Option);
  return I < ASEDBOptionCount ? Names[I] : "";
}

void TASEServerOptions::Clear() {
  SQLServerVersion = st_ASE12;
  FCompareOptions.Clear();
  FDatabaseOptions.Clear();
}

}  // namespace qel
