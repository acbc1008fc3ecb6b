// The connection engine: adapter registry, connection components, setup and server facts, queries.
#include "qelDBEngine.h"

#include <exception>
#include <stdexcept>
#include <utility>

#include "Strings.h"
#include "Text.h"
#include "qelMsg.h"

namespace qel {

namespace {

const char* const CRLF = "\r\n";

/// The process-wide adapter registry. Adapters are freed first entry to last when the
/// program ends.
class TConnectionRegistry {
 public:
  TConnectionRegistry() {
    FList.SetSorted(true);
    FList.Duplicates = dupIgnore;
  }
  TConnectionRegistry(const TConnectionRegistry&) = delete;
  TConnectionRegistry& operator=(const TConnectionRegistry&) = delete;
  ~TConnectionRegistry() {
    for (int I = 0; I < FList.Count(); ++I) std::unique_ptr<TObject> Adapter(FList.Objects(I));
    FList.Clear();
  }

  TStringList FList;
};

TConnectionRegistry& Registry() {
  static TConnectionRegistry R;
  return R;
}

TQELAbstractConnection* AdapterAt(int Index) {
  return dynamic_cast<TQELAbstractConnection*>(Registry().FList.Objects(Index));
}

/// Replaces the text of a query's statement; False when the query has no statement text.
bool SetQueryText(TQELQuery& Query, const std::string& Text) {
  TStrings* SQL = Query.GetSQL();
  if (!SQL) return false;
  SQL->SetText(Text);
  return true;
}

/// The value of field Name of the query's current record; "" when there is no such field.
std::string FieldText(TQELQuery& Query, const std::string& Name) {
  TField* F = Query.FieldByName(Name);
  return F ? F->AsString() : std::string();
}

std::string FirstFieldText(TQELQuery& Query) {
  TFields* F = Query.GetFields();
  TField* First = F ? F->Fields(0) : nullptr;
  return First ? First->AsString() : std::string();
}

/// Buffers x PageSize / 1024, rounded to the nearest integer with ties to even.
std::int64_t KilobytesRounded(std::int64_t Buffers, std::int64_t PageSize) {
  const std::int64_t Bytes = Buffers * PageSize;
  std::int64_t Q = Bytes / 1024;
  const std::int64_t R = Bytes % 1024;
  if (R > 512 || (R == 512 && (Q % 2) != 0)) ++Q;
  return Q;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TQELCustomConnection

TQELCustomConnection::TQELCustomConnection(TComponent* AOwner) : TComponent(AOwner) {}

TQELCustomConnection::~TQELCustomConnection() = default;

void TQELCustomConnection::CopyConnection(const TQELCustomConnection& Source,
                                          TQELCustomConnection& Dest) {
  Dest.SetConnectionType(Source.FConnectionType);
  Dest.SetDatabaseType(Source.FDatabaseType);
  Dest.AssignServerOptions(Source);
}

void TQELCustomConnection::Assign(const TPersistent& Source) {
  if (const auto* S = dynamic_cast<const TQELCustomConnection*>(&Source)) {
    if (S != this) CopyConnection(*S, *this);
    return;
  }
  TComponent::Assign(Source);
}

void TQELCustomConnection::AssignTo(TPersistent& Dest) const {
  if (auto* D = dynamic_cast<TQELCustomConnection*>(&Dest)) {
    if (D != this) CopyConnection(*this, *D);
    return;
  }
  TComponent::AssignTo(Dest);
}

void TQELCustomConnection::DoBeforeConnect() {
  if (OnBeforeConnect) OnBeforeConnect(this);
}

void TQELCustomConnection::DoBeforeDisconnect() {
  if (OnBeforeDisconnect) OnBeforeDisconnect(this);
}

void TQELCustomConnection::RunSetupStatement(TQELQuery& Query, const std::string& SQL) {
  try {
    if (!SetQueryText(Query, SQL)) return;
    Query.ExecSQL();
  } catch (const std::exception& E) {
    ReportFailure("Set-up statement failed (" + SQL + ")", E.what());
  }
}

void TQELCustomConnection::DoAfterConnect() {
  // MySQL: the character set of the session, which the server does not take from the client.
  if (FDatabaseType == dbMySQL && GetConnected() &&
      (!FMySQLServerOptions.CharSet.empty() || !FMySQLServerOptions.Names.empty())) {
    std::unique_ptr<TQELQuery> Query(CreateQuery(this));
    if (Query) {
      if (!FMySQLServerOptions.Names.empty())
        RunSetupStatement(*Query, "SET NAMES " + FMySQLServerOptions.Names);
      if (!FMySQLServerOptions.CharSet.empty())
        RunSetupStatement(*Query, "SET CHARACTER SET " + FMySQLServerOptions.CharSet);
    }
  }
  // Oracle: SYS and SYSTEM log into their own schema; the database name names the schema to
  // work in (unless it only repeats the host name, as some client setups do).
  if (FDatabaseType == dbOracle && GetConnected()) {
    const std::string& DbName = FConnectionOptions.GetDatabaseName();
    const std::string User = UpperCase(FConnectionOptions.UserName);
    if (!DbName.empty() && DbName != FConnectionOptions.HostName &&
        (User == "SYSTEM" || User == "SYS")) {
      std::unique_ptr<TQELQuery> Query(CreateQuery(this));
      if (Query) RunSetupStatement(*Query, "ALTER SESSION SET CURRENT_SCHEMA = " + DbName);
    }
  }
  if (OnAfterConnect) OnAfterConnect(this);
}

void TQELCustomConnection::DoAfterDisconnect() {
  if (OnAfterDisconnect) OnAfterDisconnect(this);
}

bool TQELCustomConnection::CreateDatabase() {
  DoErrorMessage("CREATE DATABASE not implemented (" + ClassName() + ").");
  return false;
}

void TQELCustomConnection::DoErrorMessage(const std::string& Text) {
  FLastError = Text;
  if (OnErrorMessage) {
    OnErrorMessage(this, Text);
    return;
  }
  ShowMessage(Text);
}

void TQELCustomConnection::DoLogNextLine(const std::string& Text) {
  if (OnLogNextLine) OnLogNextLine(this, Text);
}

void TQELCustomConnection::ReportFailure(const std::string& What, const std::string& Reason) {
  DoLogNextLine(What + ": " + Reason);
  DoErrorMessage(Reason);
}

std::string IBDatabaseConnectionString(const TConnectionOptions& Options) {
  const std::string& DbName = Options.GetDatabaseName();
  // An IPv6 address goes in brackets, as the client reads it: its colons would end the host.
  const std::string& Name = Options.HostName;
  const std::string Host =
      Name.find(':') != std::string::npos && Name.front() != '[' ? "[" + Name + "]" : Name;
  if (Host.empty()) return DbName;
  switch (Options.Protocol) {
    case ptSPX:
      return Host + "@" + DbName;
    case ptNamedPipe:
      return "\\\\" + Host + "\\" + DbName;
    case ptTCP:
    case ptLocal:
      break;
  }
  if (Options.Port == 0) return Host + ":" + DbName;
  return Host + "/" + IntToStr(Options.Port) + ":" + DbName;
}

std::string TQELCustomConnection::GetDBConnectionString() const {
  if (FDatabaseType == dbInterBase) return IBDatabaseConnectionString(FConnectionOptions);
  return FConnectionOptions.GetDatabaseName();
}

std::string TQELCustomConnection::TestConnectInfo() {
  std::unique_ptr<TQELQuery> Query(FDatabaseType == dbInterBase ? nullptr : CreateQuery(this));
  try {
    return TestConnectInfoText(Query.get());
  } catch (const std::exception& E) {
    ReportFailure("Server information not read", E.what());
    return std::string();
  }
}

std::string TQELCustomConnection::TestConnectInfoText(TQELQuery* Query) {
  std::string S;
  // Opens Text on the query; False when there is no query to run it.
  auto OpenText = [Query](const std::string& Text) {
    if (!Query || !SetQueryText(*Query, Text)) return false;
    Query->Open();
    return true;
  };
  auto ExecText = [Query](const std::string& Text) {
    if (!Query || !SetQueryText(*Query, Text)) return false;
    Query->ExecSQL();
    return true;
  };
  const std::string& DbName = FConnectionOptions.GetDatabaseName();

  switch (FDatabaseType) {
    case dbInterBase: {
      const TIBDatabaseOptions& Db = FIBServerOptions.GetIBDatabaseOptions();
      if (Db.ServerVersionText.empty()) break;
      S = Db.ServerVersionText;
      if (!Db.ServerVersionText2.empty()) S += " (" + Db.ServerVersionText2 + ")";
      S += CRLF;
      if (!FConnectionOptions.ClientLibrary.empty())
        S += "Client library: " + FConnectionOptions.ClientLibrary + CRLF;
      S += "Database name : " + DbName + CRLF;
      if (!FIBServerOptions.GetDBCharSet().empty())
        S += "Character set : " + FIBServerOptions.GetDBCharSet() + CRLF;
      S += "ODS version   : " + IntToStr(Db.ODSMajorVersion) + "." + IntToStr(Db.ODSMinorVersion) +
           CRLF;
      S += "SQL Dialect   : " + IntToStr(Db.SQLDialect) + CRLF;
      S += "Sweep interval: " + IntToStr(Db.SweepInterval) + CRLF;
      S += "Page size     : " + IntToStr(Db.PageSize) + CRLF;
      S += std::string("Read-only     : ") + (Db.ReadOnly ? "True" : "False") + CRLF;
      S += std::string("Forced writes : ") + (Db.ForcedWrites ? "On" : "Off") + CRLF;
      S += "Buffers       : " + IntToStr(Db.CachePages) + " pages " + "(" +
           IntToStr(KilobytesRounded(Db.CachePages, Db.PageSize)) + " Kb)" + CRLF;
      break;
    }
    case dbSybaseASA:
      if (!OpenText(std::string("SELECT\r\n") + "xp_msver( 'ProductName') PN,\r\n" +
                    "xp_msver( 'ProductVersion') PV,\r\n" + "xp_msver( 'CompanyName') CN,\r\n" +
                    "xp_msver('FileDescription') FD,\r\n" + "xp_msver('LegalCopyright') LC,\r\n" +
                    "xp_msver('LegalTrademarks') LT,\r\n" + "xp_msver('Language') LG"))
        break;
      S = FieldText(*Query, "PN") + " v." + FieldText(*Query, "PV") + CRLF +
          FieldText(*Query, "CN") + CRLF + FieldText(*Query, "FD") + CRLF +
          FieldText(*Query, "LC") + CRLF + FieldText(*Query, "LT");
      Query->Close();
      break;
    case dbMySQL:
      if (!OpenText("Select version()")) break;
      S = "MySQL " + FirstFieldText(*Query);
      Query->Close();
      break;
    case dbOracle:
      if (!OpenText("select * from v$version")) break;
      for (; !Query->GetEof(); Query->Next()) S += FirstFieldText(*Query) + CRLF;
      Query->Close();
      break;
    case dbMSSQL: {
      if (!ExecText("Use master")) break;
      OpenText("xp_msver " + QuotedStr("ProductName"));
      S = FieldText(*Query, "CHARACTER_VALUE");
      Query->Close();
      OpenText(
          "Select ServerProperty('Edition') Edition, ServerProperty('ProductLevel') "
          "ProductLevel, ServerProperty('ProductVersion') ProductVersion, "
          "ServerProperty('Collation') Collation");
      S += " [" + FieldText(*Query, "EDITION") + "] " + " v." + FieldText(*Query, "PRODUCTVERSION");
      const std::string Level = FieldText(*Query, "PRODUCTLEVEL");
      if (!Level.empty()) S += " (" + Level + ")";
      const std::string Collation = FieldText(*Query, "COLLATION");
      if (!Collation.empty()) S += std::string(CRLF) + "Default collation: " + Collation;
      Query->Close();
      OpenText("xp_msver " + QuotedStr("Language"));
      S += std::string(CRLF) + "Language: " + FieldText(*Query, "CHARACTER_VALUE");
      Query->Close();
      if (!DbName.empty()) {
        OpenText("sp_helpdb " + DbName);
        S += std::string(CRLF) + "Database: " + FieldText(*Query, "NAME");
        S += std::string(CRLF) + "Owner   : " + FieldText(*Query, "OWNER");
        S += std::string(CRLF) + "Size    : " + Trim(FieldText(*Query, "DB_SIZE"));
        S += std::string(CRLF) + "Created : " + FieldText(*Query, "CREATED");
        S += std::string(CRLF) + "Options : " + FieldText(*Query, "STATUS");
        Query->Close();
        ExecText("Use " + DbName);
      }
      break;
    }
    case dbPostgreSQL:
      if (!OpenText("select version()")) break;
      S = FirstFieldText(*Query);
      Query->Close();
      break;
    case dbSybaseASE:
      if (!ExecText("Use master")) break;
      OpenText("select @@version");
      S += FirstFieldText(*Query);
      Query->Close();
      if (!DbName.empty()) {
        OpenText("exec sp_helpdb " + DbName);
        S += std::string(CRLF) + "  Database: " + FieldText(*Query, "NAME");
        S += std::string(CRLF) + "  Size    : " + Trim(FieldText(*Query, "DB_SIZE"));
        S += std::string(CRLF) + "  Owner   : " + FieldText(*Query, "OWNER");
        S += std::string(CRLF) + "  Created : " + FieldText(*Query, "CREATED");
        S += std::string(CRLF) + "  Status  : " + FieldText(*Query, "STATUS");
        Query->Close();
        ExecText("Use " + DbName);
      }
      break;
    default:
      break;
  }
  return S;
}

// ---------------------------------------------------------------------------------------------
// TQELConnection

TQELConnection::TQELConnection(TComponent* AOwner) : TQELCustomConnection(AOwner) {}

TQELConnection::~TQELConnection() {
  // The database goes first, while this component is still whole: closing its connection
  // must not reach a half-destroyed owner.
  FreeDatabase();
  SetAdapter(nullptr);
}

void TQELConnection::FreeDatabase() {
  std::unique_ptr<TQELDatabase> Old(std::exchange(FDatabase, nullptr));
}

void TQELConnection::SetAdapter(TQELAbstractConnection* Adapter) {
  if (Adapter == FAdapter) return;
  if (FAdapter) {
    if (FAdapter->GetConnection() == this) FAdapter->SetConnection(nullptr);
    RemoveFreeNotification(FAdapter);
  }
  FAdapter = Adapter;
  if (FAdapter) {
    FreeNotification(FAdapter);
    FAdapter->SetConnection(this);
  }
}

void TQELConnection::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove) {
    if (AComponent == FAdapter) FAdapter = nullptr;
    if (AComponent == FDatabase) FDatabase = nullptr;
  }
  TQELCustomConnection::Notification(AComponent, Operation);
}

void TQELConnection::SetDatabaseType(TDatabaseType Value) {
  TQELCustomConnection::SetDatabaseType(Value);
  if (FAdapter) FAdapter->SetDatabaseType(Value);
}

std::string TQELConnection::UnitName(TconnectionType ConnectionType) {
  switch (ConnectionType) {
    case cnIBX:
      return "qelConnection_IBXDB";
    case cnFIB:
      return "qelConnection_FIBDB";
    case cnIBO:
      return "qelConnection_IBODB";
    case cnADO:
      return "qelConnection_ADODB";
    case cnZEOS:
      return "qelConnection_ZEOSDB";
    case cnBDE:
      return "qelConnection_BDEDB";
    case cnDBX:
      return "qelConnection_DBXDB";
    case cnAnyDAC:
      return "qelConnection_AnyDACDB";
    case cnUIB:
      return "qelConnection_UIBDB";
    case cnODAC:
      return "qelConnection_ODACDB";
    case cnSAVCL:
      return "qelConnection_SAVCLDB";
    case cnMyDAC:
      return "qelConnection_MyDACDB";
    case cnPostgresDAC:
      return "qelConnection_PGDACDB";
    case cnIBDAC:
      return "qelConnection_IBDACDB";
    default:
      return "qelConnection_XXXDB";
  }
}

std::string TQELConnection::MissingAdapterMessage(TconnectionType ConnectionType) {
  const std::string U = UnitName(ConnectionType);
  return std::string(CRLF) + "Not supported connection select." + CRLF + "Include unit \"" + U +
         "\" in Your project (*.dpr)." + CRLF + "Uses " + U + ";" + CRLF;
}

TQELAbstractConnection* TQELConnection::FindConnection(TconnectionType ConnectionType) {
  const TStringList& L = Registry().FList;
  for (int I = 0; I < L.Count(); ++I) {
    TQELAbstractConnection* A = AdapterAt(I);
    if (A && A->GetConnectionType() == ConnectionType) return A;
  }
  return nullptr;
}

void TQELConnection::SetConnectionType(TconnectionType Value) {
  if (Value == GetConnectionType()) return;
  if (Designing()) {
    Notification(this, opRemove);
    SetAdapter(nullptr);
    TQELCustomConnection::SetConnectionType(Value);
    Notification(this, opInsert);
    return;
  }
  // Looked up before anything changes: a type without adapter leaves the connection as it
  // was, still able to work with the adapter it had.
  TQELAbstractConnection* Adapter = FindConnection(Value);
  if (!Adapter) throw std::runtime_error(MissingAdapterMessage(Value));
  Notification(this, opRemove);
  SetAdapter(Adapter);
  TQELCustomConnection::SetConnectionType(Value);
  FreeDatabase();
  Adapter->SetDatabaseType(GetDatabaseType());
  FDatabase = Adapter->CreateDatabase(this);
  if (FDatabase) FDatabase->Connection = this;
  Notification(this, opInsert);
}

TDatabaseSetType TQELConnection::GetSupportedDatabases() const {
  return TDatabaseSetType::FromMask(0x19FE);
}

TConnectionSetType TQELConnection::GetSupportedConnections() const {
  return TConnectionSetType::FromMask(0x7DFE);
}

bool TQELConnection::GetConnected() const {
  return FDatabase && FDatabase->GetConnected();
}

void TQELConnection::SetConnected(bool Value) {
  if (!FDatabase) {
    if (!Value) return;
    // Nothing to connect with: say which unit brings the adapter.
    ReportFailure("Cannot connect", MissingAdapterMessage(GetConnectionType()));
    return;
  }
  // A lost connection still holds its dead handle: disconnecting frees it.
  if (FDatabase->GetConnected() == Value && (Value || !FDatabase->GetConnectionLost())) return;
  if (Value) {
    // The clients read each of these as a C string: a NUL would end the name there and reach
    // another database, user or data source than the one set.
    const TConnectionOptions& O = GetConnectionOptions();
    for (const auto& [Name, Text] :
         {std::pair<const char*, const std::string*>{"database name", &O.GetDatabaseName()},
          {"host name", &O.HostName},
          {"user name", &O.UserName},
          {"password", &O.Password},
          {"role name", &O.RoleName},
          {"connection string", &O.ConnectionString}})
      if (Text->find('\0') != std::string::npos) {
        ReportFailure("Cannot connect to " + GetDBConnectionString(),
                      std::string("The ") + Name + " holds a NUL character.");
        return;
      }
    DoBeforeConnect();
  } else {
    DoBeforeDisconnect();
  }
  try {
    FDatabase->SetConnected(Value);
  } catch (const std::exception& E) {
    ReportFailure(Value ? "Cannot connect to " + GetDBConnectionString() : "Cannot disconnect",
                  E.what());
  }
  if (FDatabase && FDatabase->GetConnected()) {
    DoAfterConnect();
  } else {
    DoAfterDisconnect();
  }
}

TQELQuery* TQELConnection::CreateQuery(TComponent* AOwner) {
  if (!FAdapter) return nullptr;
  TQELQuery* Query = FAdapter->CreateQuery(AOwner);
  if (Query) {
    Query->SetConnection(this);
    Query->SetDatabase(FDatabase);
  }
  return Query;
}

TQELTransactions* TQELConnection::TransactionTarget() const {
  return FDatabase;
}

bool TQELConnection::CreateDatabase() {
  if (!FAdapter) return false;
  // The adapter reads the options of the connection that asks, so it must be this one.
  FAdapter->SetConnection(this);
  try {
    return FAdapter->Create_Database();
  } catch (const std::exception& E) {
    ReportFailure("Cannot create database", E.what());
    return false;
  }
}

std::string TQELConnection::GetLostReason() const {
  return FDatabase ? FDatabase->GetLostReason() : std::string();
}

const std::string& TQELDatabase::GetLostReason() const {
  if (const std::string* Reason = FInterrupted.load(std::memory_order_acquire)) return *Reason;
  return FLostReason;
}

void TQELDatabase::MarkLost(const std::string& Reason) {
  if (!FLostReason.empty()) return;
  FLostReason = Reason.empty() ? std::string("the server ended the connection.") : Reason;
}

void TQELConnection::ReConnect(const std::string& DatabaseName) {
  if (!FDatabase) return;
  try {
    FDatabase->ReConnect(DatabaseName);
  } catch (const std::exception& E) {
    ReportFailure("Cannot connect to " + DatabaseName, E.what());
  }
}

// ---------------------------------------------------------------------------------------------
// TQELAbstractConnection, TQELQuery

void TQELAbstractConnection::SetConnection(TQELCustomConnection* Value) {
  if (Value == FConnection) return;
  if (FConnection) RemoveFreeNotification(FConnection);
  FConnection = Value;
  if (FConnection) FreeNotification(FConnection);
}

void TQELAbstractConnection::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FConnection) FConnection = nullptr;
  TComponent::Notification(AComponent, Operation);
}

bool TQELAbstractConnection::Create_Database() {
  DoErrorMessage("CREATE DATABASE not implemented (TQELAbstractConnection).");
  return false;
}

void TQELAbstractConnection::DoErrorMessage(const std::string& Text) {
  if (FConnection && FConnection->OnErrorMessage) {
    FConnection->OnErrorMessage(this, Text);
    return;
  }
  ShowMessage(Text);
}

void TQELQuery::SetSQLText(const std::string& Text) {
  if (TStrings* SQL = GetSQL()) SQL->SetText(Text);
}

void TQELQuery::SetConnection(TQELCustomConnection* Value) {
  if (Value == FConnection) return;
  if (FConnection) RemoveFreeNotification(FConnection);
  FConnection = Value;
  if (FConnection) FreeNotification(FConnection);
}

void TQELQuery::SetDatabase(TQELDatabase* Database) {
  if (Database == FDatabase) return;
  if (FDatabase) RemoveFreeNotification(FDatabase);
  FDatabase = Database;
  if (FDatabase) FreeNotification(FDatabase);
}

void TQELQuery::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove) {
    if (AComponent == FConnection) FConnection = nullptr;
    if (AComponent == FDatabase) FDatabase = nullptr;
  }
  TDataSet::Notification(AComponent, Operation);
}

// ---------------------------------------------------------------------------------------------
// Registry

bool RegisterConnection(const std::string& Name, TQELAbstractConnection* Adapter) {
  if (!Adapter) return false;
  TStringList& L = Registry().FList;
  int Index = 0;
  if (L.Find(Name, Index)) return false;
  L.AddObject(Name, Adapter);
  return true;
}

bool UnRegisterConnection(const std::string& Name, bool FreeAdapter) {
  TStringList& L = Registry().FList;
  int Index = 0;
  if (!L.Find(Name, Index)) return false;
  std::unique_ptr<TObject> Adapter(L.Objects(Index));
  L.Delete(Index);
  if (!FreeAdapter) (void)Adapter.release();  // back to the caller
  return true;
}

bool UnRegisterConnection(TconnectionType ConnectionType, bool FreeAdapter) {
  TStringList& L = Registry().FList;
  bool Removed = false;
  for (int I = L.Count() - 1; I >= 0; --I) {
    TQELAbstractConnection* A = AdapterAt(I);
    if (!A || A->GetConnectionType() != ConnectionType) continue;
    std::unique_ptr<TObject> Adapter(L.Objects(I));
    L.Delete(I);
    if (!FreeAdapter) (void)Adapter.release();  // back to the caller
    Removed = true;
  }
  return Removed;
}

const TStringList& RegisteredConnections() {
  return Registry().FList;
}

// ---------------------------------------------------------------------------------------------
// Parameter references

namespace {

bool IsAsciiLetter(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
}
bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}
bool IsBlankOrBreak(char C) {
  return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}
bool IsQuoteChar(char C) {
  return C == '\'' || C == '"' || C == '`';
}

/// The characters that end an unquoted parameter name in ParamsParseSQL.
bool IsNameTerminator(char C) {
  switch (C) {
    case '\t':
    case '\n':
    case '\r':
    case ' ':
    case '!':
    case '"':
    case '%':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case '-':
    case '/':
    case ';':
    case '<':
    case '=':
    case '>':
    case '?':
    case '[':
    case ']':
    case '\\':
    case '^':
    case '`':
    case '|':
    case '~':
      return true;
    default:
      return false;
  }
}

void AddParam(TParams* Params, bool DoCreate, const std::string& Name) {
  if (DoCreate && Params) Params->CreateParam(ftUnknown, Name);
}

}  // namespace

std::string ParamsParseSQL(TParams* Params, const std::string& SQL, bool DoCreate) {
  if (DoCreate && Params) Params->Clear();
  std::string Out;
  Out.reserve(SQL.size());
  const size_t N = SQL.size();
  char Literal = 0;
  size_t I = 0;
  while (I < N) {
    const char C = SQL[I];
    if (Literal) {
      Out += C;
      if (C == Literal) Literal = 0;
      ++I;
      continue;
    }
    if (IsQuoteChar(C)) {
      Literal = C;
      Out += C;
      ++I;
      continue;
    }
    if (C != ':') {
      Out += C;
      ++I;
      continue;
    }
    // Two colons are an escaped colon, never a parameter.
    if (I + 1 < N && SQL[I + 1] == ':') {
      Out += ':';
      I += 2;
      continue;
    }
    bool IsParam = I > 0 && I + 1 < N && !IsBlankOrBreak(SQL[I + 1]);
    if (IsParam) {
      const char Prev = SQL[I - 1];
      if (IsAsciiLetter(Prev) || IsDigit(Prev) || Prev == '_') {
        // A time such as 10:30 is no parameter; a number that is all the text so far is.
        bool OnlyDigits = IsDigit(Prev);
        for (size_t J = 0; OnlyDigits && J < I; ++J)
          OnlyDigits = IsDigit(SQL[J]) || IsBlankOrBreak(SQL[J]);
        IsParam = OnlyDigits;
      }
    }
    if (!IsParam) {
      Out += C;
      ++I;
      continue;
    }
    std::string Name;
    size_t J = I + 1;
    if (IsQuoteChar(SQL[J])) {
      const char Q = SQL[J++];
      while (J < N && SQL[J] != Q) Name += SQL[J++];
      if (J < N) ++J;  // the closing quote
    } else {
      while (J < N && !IsNameTerminator(SQL[J])) Name += SQL[J++];
    }
    AddParam(Params, DoCreate, Name);
    Out += '?';
    I = J;
  }
  return Out;
}

std::string Params_ParseSQL(TParams* Params, const std::string& SQL, bool DoCreate) {
  if (DoCreate && Params) Params->Clear();
  auto IsNameChar = [](char C) {
    return C == '#' || C == '$' || C == '@' || C == '_' || IsDigit(C) || IsAsciiLetter(C);
  };
  std::string Out;
  Out.reserve(SQL.size());
  char Literal = 0;
  size_t I = 0;
  while (I < SQL.size()) {
    const char C = SQL[I];
    if (Literal) {
      if (C == Literal) Literal = 0;
      Out += C;
      ++I;
    } else if (IsQuoteChar(C)) {
      Literal = C;
      Out += C;
      ++I;
    } else if (C == '?') {
      AddParam(Params, DoCreate, std::string());
      Out += C;
      ++I;
    } else if (C == ':' && I + 1 < SQL.size() && IsNameChar(SQL[I + 1])) {
      size_t J = I + 1;
      while (J < SQL.size() && IsNameChar(SQL[J])) ++J;
      AddParam(Params, DoCreate, SQL.substr(I + 1, J - I - 1));
      Out += '?';
      I = J;
    } else {
      Out += C;
      ++I;
    }
  }
  return Out;
}

bool IsSelectSQL(const std::string& SQL) {
  return UpperCase(Trim(SQL)).compare(0, 6, "SELECT") == 0;
}

}  // namespace qel
