// The ADO adapter: the database over a TADOConnection, the query with "?" parameters, and the
// ADO connection component.
#include "qelConnection_ADODB.h"

#include <memory>

#include "Adox.h"
#include "Text.h"
#include "qelDialects.h"

namespace qel {

namespace {

/// True when the connection string has an entry for one of Keys (any case).
bool HasConnectionKey(const std::string& ConnStr, std::initializer_list<const char*> Keys) {
  const std::string Upper = std::string(1, ';').append(UpperCase(ConnStr));
  for (const char* K : Keys) {
    const std::string Key = UpperCase(K);
    for (size_t I = Upper.find(";"); I != std::string::npos; I = Upper.find(';', I + 1)) {
      const size_t Eq = Upper.find('=', I);
      if (Eq != std::string::npos && Trim(Upper.substr(I + 1, Eq - I - 1)) == Key) return true;
    }
  }
  return false;
}

/// An ODBC connection string value: in braces when it holds ";" or braces.
std::string ConnectionValue(const std::string& V) {
  if (V.find_first_of(";{}") == std::string::npos) return V;
  return std::string(1, '{').append(StringReplace(V, "}", "}}", true, false)).append(1, '}');
}

/// The ODBC connection string of the options (see the header).
std::string ConnectionStringOf(const TConnectionOptions& O) {
  std::string S = O.ConnectionString;
  if (Trim(S).empty()) {
    if (O.GetDatabaseName().empty()) return std::string();
    S = "DSN=" + ConnectionValue(O.GetDatabaseName());
  }
  if (!O.UserName.empty() && !HasConnectionKey(S, {"UID", "USER"}))
    S += ";UID=" + ConnectionValue(O.UserName);
  if (!O.Password.empty() && !HasConnectionKey(S, {"PWD", "PASSWORD"}))
    S += ";PWD=" + ConnectionValue(O.Password);
  return S;
}

/// Opens a connection of its own on the options' connection string and creates the database
/// the options name, quoted for Dialect. Failures are raised.
void CreateDatabaseThrough(const TConnectionOptions& O, TDatabaseType Dialect) {
  if (O.GetDatabaseName().empty()) throw EDatabaseError("No database name to create.");
  TADOConnection Conn(nullptr);
  Conn.ConnectionString = ConnectionStringOf(O);
  Conn.Open();
  Conn.Execute("CREATE DATABASE " + Quote_Ident(O.GetDatabaseName(), Dialect, st_Firebird_25, 3));
}

TADOConnection* FindADOConnectionOf(TComponent* Connection) {
  if (auto* C = dynamic_cast<TQELConnectionADO*>(Connection)) return C->GetADOConnection();
  if (auto* C = dynamic_cast<TQELConnection*>(Connection))
    if (auto* Db = dynamic_cast<TQELADODatabase*>(C->GetDatabase())) return Db->GetADOConnection();
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TQELADODatabase::TQELADODatabase(TComponent* AOwner)
    : TQELAdapterDatabase(AOwner), FADO(new TADOConnection(this)) {}

void TQELADODatabase::Disconnect() {
  Unregister();
  FADO->Close();
  ClearLost();
}

void TQELADODatabase::Connect() {
  const std::string ConnStr = ConnectionStringOf(ConnectOptions());
  if (ConnStr.empty())
    throw EDatabaseError("No ODBC connection string and no data source name to connect to.");
  FADO->ConnectionString = ConnStr;
  FADO->Open();
}

void TQELADODatabase::StartTransaction() {
  if (!GetConnected()) RaiseNotConnected();
  FADO->BeginTrans();
}

void TQELADODatabase::Commit() {
  if (!GetConnected()) RaiseNotConnected();
  FADO->CommitTrans();
}

void TQELADODatabase::Rollback() {
  if (!GetConnected()) RaiseNotConnected();
  FADO->RollbackTrans();
}

void TQELADODatabase::ReConnect(const std::string& DatabaseName) {
  if (!DatabaseName.empty()) FADO->DefaultDatabase = DatabaseName;
  TQELAdapterDatabase::ReConnect(DatabaseName);
}

// ---------------------------------------------------------------------------------------------

std::string TQELADOQuery::ReplaceRefs(const std::string& SQL,
                                      const TParamMarkerFunc& Marker) const {
  TParams Refs;
  const std::string Sent = ParamsParseSQL(&Refs, SQL, true);
  for (int I = 0; I < Refs.Count(); ++I) Marker(Refs.Items(I)->Name);
  return Sent;
}

TADOConnection* TQELADOQuery::GetADOConnection() const {
  if (auto* Db = dynamic_cast<TQELADODatabase*>(GetDatabase())) return Db->GetADOConnection();
  if (auto* C = dynamic_cast<TQELConnectionADO*>(GetConnection())) return C->GetADOConnection();
  return nullptr;
}

void TQELADOQuery::Execute(const std::string& SQL, const TBoundParams& Params,
                           TQueryResult& Result) {
  auto* Db = dynamic_cast<TQELADODatabase*>(GetDatabase());
  if (Db && !Db->GetConnected()) Db->RaiseNotConnected();
  TADOConnection* ADO = GetADOConnection();
  if (!ADO) throw EDatabaseError("The query has no ADO connection.");
  try {
    // A name used twice is bound twice.
    ADO->Execute(SQL, Params.Refs, Result);
  } catch (const EADOError& E) {
    if (Db && E.ConnectionLost) Db->MarkLost(E.what());
    throw;
  }
}

// ---------------------------------------------------------------------------------------------

TQELADOAdapter::TQELADOAdapter(TComponent* AOwner)
    : TQELAdapterConnection<TQELADODatabase, TQELADOQuery>(AOwner, cnADO) {}

void TQELADOAdapter::CreateNamedDatabase(const TConnectionOptions& Options) {
  CreateDatabaseThrough(Options, GetDatabaseType());
}

// ---------------------------------------------------------------------------------------------

TQELConnectionADO::TQELConnectionADO(TComponent* AOwner) : TQELCustomConnection(AOwner) {
  SetConnectionType(cnADO);
}

void TQELConnectionADO::SetADOConnection(TADOConnection* Value) {
  if (Value == FADOConnection) return;
  if (FADOConnection) RemoveFreeNotification(FADOConnection);
  FADOConnection = Value;
  if (FADOConnection) FreeNotification(FADOConnection);
}

void TQELConnectionADO::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FADOConnection) FADOConnection = nullptr;
  TQELCustomConnection::Notification(AComponent, Operation);
}

TADOConnection& TQELConnectionADO::ADO() const {
  if (!FADOConnection) throw EDatabaseError("The connection has no ADO connection.");
  return *FADOConnection;
}

bool TQELConnectionADO::GetConnected() const {
  return FADOConnection && FADOConnection->GetConnected();
}

void TQELConnectionADO::SetConnected(bool Value) {
  if (GetConnected() == Value) return;
  if (!FADOConnection) {
    if (Value) ReportFailure("Cannot connect", "The connection has no ADO connection.");
    return;
  }
  if (Value) {
    DoBeforeConnect();
  } else {
    DoBeforeDisconnect();
  }
  try {
    FADOConnection->SetConnected(Value);
  } catch (const std::exception& E) {
    ReportFailure(Value ? "Cannot connect to " + GetDBConnectionString() : "Cannot disconnect",
                  E.what());
  }
  if (GetConnected()) {
    DoAfterConnect();
  } else {
    DoAfterDisconnect();
  }
}

void TQELConnectionADO::DoBeforeConnect() {
  const TConnectionOptions& O = GetConnectionOptions();
  if (FADOConnection && !Trim(O.ConnectionString).empty())
    FADOConnection->ConnectionString = ConnectionStringOf(O);
  TQELCustomConnection::DoBeforeConnect();
}

TQELQuery* TQELConnectionADO::CreateQuery(TComponent* AOwner) {
  auto* Query = new TQELADOQuery(AOwner);
  Query->SetConnection(this);
  return Query;
}

void TQELConnectionADO::StartTransaction() {
  ADO().BeginTrans();
}

void TQELConnectionADO::Commit() {
  ADO().CommitTrans();
}

void TQELConnectionADO::Rollback() {
  ADO().RollbackTrans();
}

bool TQELConnectionADO::InTransaction() const {
  return FADOConnection && FADOConnection->InTransaction();
}

bool TQELConnectionADO::CreateDatabase() {
  try {
    CreateDatabaseThrough(GetConnectionOptions(), GetDatabaseType());
    return true;
  } catch (const std::exception& E) {
    ReportFailure("Cannot create database", E.what());
    return false;
  }
}

void TQELConnectionADO::ReConnect(const std::string& DatabaseName) {
  if (!FADOConnection) return;
  SetConnected(false);
  if (!DatabaseName.empty()) {
    GetConnectionOptions().SetDatabaseName(DatabaseName);
    FADOConnection->DefaultDatabase = DatabaseName;
  }
  SetConnected(true);
}

bool RegisterADOConnection() {
  ADOConnectionFinder = FindADOConnectionOf;
  InstallADOXCatalogReader();
  return RegisterAdapterConnection<TQELADOAdapter>("ADO");
}

}  // namespace qel
