// The ADO adapter over ODBC (Ado.h), registered under cnADO, and the ADO connection component
// that binds to a TADOConnection of the caller's. Including this header registers the adapter
// (as "ADO"); RegisterADOConnection does the same explicitly.
//
// The ODBC connection string comes from the connection options: ConnectionString when it is set
// (UserName and Password added as UID and PWD when it names neither), else "DSN=" and the
// database name.
#pragma once

#include <string>

#include "Ado.h"
#include "qelConnection_Base.h"

namespace qel {

/// One ODBC connection of a TQELConnection, through a TADOConnection of its own.
class TQELADODatabase : public TQELAdapterDatabase {
 public:
  explicit TQELADODatabase(TComponent* AOwner);

  /// False once the server has ended the connection (GetLostReason says why).
  bool GetConnected() const override { return FADO->GetConnected() && !GetConnectionLost(); }
  void StartTransaction() override;
  void Commit() override;
  void Rollback() override;
  bool InTransaction() const override { return GetConnected() && FADO->InTransaction(); }
  /// Connects again; a DatabaseName given becomes the DATABASE keyword of the connection string.
  void ReConnect(const std::string& DatabaseName) override;

  /// The ADO connection this database works through (owned).
  TADOConnection* GetADOConnection() const { return FADO; }

 protected:
  void Disconnect() override;
  void Connect() override;

 private:
  TADOConnection* FADO;  // owned (component owner mechanism)
};

/// A query. Its parameters are the references ParamsParseSQL finds in its text; the text the
/// driver gets has a "?" for each reference, bound in order to the value of its parameter.
class TQELADOQuery : public TQELAdapterQuery {
 public:
  explicit TQELADOQuery(TComponent* AOwner) : TQELAdapterQuery(AOwner) {}

  /// The ADO connection of the query's database or connection component; nullptr when none.
  TADOConnection* GetADOConnection() const;

 protected:
  /// Not consulted: ReplaceRefs finds the references as ParamsParseSQL does.
  TSQLLexRules LexRules() const override { return {}; }
  /// The text ParamsParseSQL gives (a "?" for each reference); Marker is told each reference.
  std::string ReplaceRefs(const std::string& SQL, const TParamMarkerFunc& Marker) const override;
  std::string ParamMarker(const TParam&, int, const std::string&) override { return "?"; }
  /// Runs SQL through the ADO connection, binding every reference in text order; raises
  /// EDatabaseError with the driver's text.
  void Execute(const std::string& SQL, const TBoundParams& Params, TQueryResult& Result) override;
};

class TQELADOAdapter : public TQELAdapterConnection<TQELADODatabase, TQELADOQuery> {
 public:
  explicit TQELADOAdapter(TComponent* AOwner = nullptr);

 protected:
  /// CREATE DATABASE, named by the options, through the connection string of the options.
  void CreateNamedDatabase(const TConnectionOptions& Options) override;
};

/// The connection component bound to an ADO connection the caller supplies (not owned; cleared
/// when it goes away). Connecting opens that connection; a ConnectionString in the options
/// replaces its connection string first.
class TQELConnectionADO : public TQELCustomConnection {
 public:
  explicit TQELConnectionADO(TComponent* AOwner);

  TADOConnection* GetADOConnection() const { return FADOConnection; }
  void SetADOConnection(TADOConnection* Value);

  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool GetConnected() const override;
  /// Connects or disconnects; a failure is reported (OnErrorMessage and the log) and not passed
  /// on. GetConnected() tells the outcome.
  void SetConnected(bool Value) override;
  void DoBeforeConnect() override;
  TQELQuery* CreateQuery(TComponent* AOwner) override;
  void StartTransaction() override;
  void Commit() override;
  void Rollback() override;
  bool InTransaction() const override;
  bool CreateDatabase() override;
  void ReConnect(const std::string& DatabaseName) override;

 private:
  /// The ADO connection; raises EDatabaseError when none is bound.
  TADOConnection& ADO() const;
  TADOConnection* FADOConnection = nullptr;
};

/// Registers the adapter as "ADO" and lets the library find the ADO connection behind a
/// connection component; False when the name is taken.
bool RegisterADOConnection();

/// Registration by inclusion, as a unit that registers itself when it is initialised.
inline bool qelConnection_ADODB_Registered = RegisterADOConnection();

}  // namespace qel
