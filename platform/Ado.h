// The ADO stand-in: a connection, a data set over one statement and the schema rowsets, on an
// ODBC driver manager (unixODBC). A connection string is an ODBC one ("DSN=name" or
// "Driver={...};Server=...;..."); statements take "?" placeholders for their parameters.
//
// A failure of the driver manager or of a driver raises EADOError with the driver's own text and
// SQLSTATE. Values come back as text in the forms of DataSet.h, as the other adapters give them.
// On a connection to an Access file (a driver whose name says mdb or access, and DBQ=), a select
// of a whole table is answered from the file itself, as it stores each value (ReadAccessRows of
// Adox.h), and the columns rowset is asked for table by table.
//
// The code that talks to ODBC lives in Ado.cpp, built into the ADO adapter (varnel_ado). This
// header is what the library itself sees: the table data comparer reaches the connection behind
// a connection component through FindADOConnection, and every class here but the session of
// Ado.cpp is defined in this header (no virtual defined out of line, so the compiler writes each
// class's tables wherever it is used), so a program that links no ODBC still links the library.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Component.h"
#include "DataSet.h"

namespace qel {

class TADODataSet;

/// A failure reported by the ODBC driver manager or a driver.
class EADOError : public EDatabaseError {
 public:
  EADOError(const std::string& Message, std::string State)
      : EDatabaseError(Message), SQLState(std::move(State)) {}
  /// The SQLSTATE of the first diagnostic record ("28P01", "08001"); empty when there was none.
  std::string SQLState;
  /// Set when the statement failed because the connection is gone (the driver says it is dead,
  /// or the state is of class 08); every later call would only say that there is none.
  bool ConnectionLost = false;
};

/// The schema rowsets OpenSchema fills.
/// The schema rowsets OpenSchema fills, with the columns of the ODBC catalog function behind
/// each (SQLColumns, SQLTables, SQLPrimaryKeys, SQLForeignKeys, SQLStatistics).
enum TSchemaEnum : std::uint8_t {
  siColumns,        ///< every column of every table: TABLE_NAME, COLUMN_NAME, ORDINAL_POSITION ...
  siTables,         ///< tables and views: TABLE_CAT, TABLE_SCHEM, TABLE_NAME, TABLE_TYPE
  siPrimaryKeys,    ///< the key columns of one table: COLUMN_NAME, KEY_SEQ, PK_NAME
  siForeignKeys,    ///< the keys one table refers through: PKTABLE_NAME, FKCOLUMN_NAME, FK_NAME ...
  siIndexes,        ///< the indexes of one table: INDEX_NAME, NON_UNIQUE, COLUMN_NAME, ASC_OR_DESC
  siDBInfoLiterals  ///< LiteralName, LiteralValue: QUOTE (the identifier quote), DBMS_NAME
};

/// What a schema rowset is restricted to: catalog, schema and table, each empty for any. The
/// primary keys, foreign keys and indexes rowsets need a table.
using TSchemaRestrictions = std::vector<std::string>;

/// One column of a result (as every adapter's query keeps it).
using TADOColumn = TResultColumn;
/// What one statement gave back: its first result with columns, or the rows it changed.
using TADOResult = TQueryResult;

class TADOConnection;

/// The work of an ADO connection, done over ODBC by Ado.cpp. The connection's operations only
/// pass on to it, so a program that calls them through a connection it was handed needs none
/// of the ODBC code. See TADOConnection for what each operation does.
class TADOSession {
 public:
  virtual ~TADOSession() = default;
  virtual void Open(const TADOConnection& Connection) = 0;
  virtual void Close() = 0;
  virtual bool GetConnected() const = 0;
  virtual int BeginTrans() = 0;
  virtual void CommitTrans() = 0;
  virtual void RollbackTrans() = 0;
  virtual bool InTransaction() const = 0;
  virtual void Execute(const std::string& CommandText, const std::vector<const TParam*>& Parameters,
                       TADOResult& Result) = 0;
  virtual void OpenSchema(TSchemaEnum Schema, const TSchemaRestrictions& Restrictions,
                          TADOResult& Result) = 0;
};

/// One ODBC connection. Autocommit is on outside BeginTrans ... CommitTrans/RollbackTrans.
class TADOConnection : public TComponent {
 public:
  /// Made by Ado.cpp, with the ODBC session it works through.
  explicit TADOConnection(TComponent* AOwner);
  ~TADOConnection() override { FSession->Close(); }

  /// The ODBC connection string.
  std::string ConnectionString;
  /// When set, the DATABASE keyword of the connection string is this name on Open.
  std::string DefaultDatabase;
  /// Seconds the driver may take to log in; 0 waits as long as the driver does.
  int ConnectionTimeout = 15;

  /// Connects; raises EADOError with the driver's reason.
  virtual void Open() { FSession->Open(*this); }
  /// Disconnects; an open transaction is rolled back. Never raises.
  virtual void Close() { FSession->Close(); }
  virtual bool GetConnected() const { return FSession->GetConnected(); }
  void SetConnected(bool Value) {
    if (Value) {
      Open();
    } else {
      Close();
    }
  }

  /// Starts a transaction (autocommit off); returns its level, 1. A second one raises.
  virtual int BeginTrans() { return FSession->BeginTrans(); }
  /// Ends the transaction. A commit the driver refuses is rolled back and raises.
  virtual void CommitTrans() { FSession->CommitTrans(); }
  virtual void RollbackTrans() { FSession->RollbackTrans(); }
  virtual bool InTransaction() const { return FSession->InTransaction(); }

  /// Runs a statement without parameters; the rows it changed (-1 when the driver did not say).
  virtual std::int64_t Execute(const std::string& CommandText) {
    TADOResult Result;
    FSession->Execute(CommandText, {}, Result);
    return Result.RowsAffected;
  }
  /// Runs CommandText with Parameters bound in order to its "?" placeholders.
  virtual void Execute(const std::string& CommandText, const std::vector<const TParam*>& Parameters,
                       TADOResult& Result) {
    FSession->Execute(CommandText, Parameters, Result);
  }
  /// Fills DataSet with the rowset Schema names (opened on its first row).
  virtual void OpenSchema(TSchemaEnum Schema, TADODataSet& DataSet) {
    OpenSchema(Schema, {}, DataSet);
  }
  /// The same, restricted to the catalog, schema and table Restrictions name.
  virtual void OpenSchema(TSchemaEnum Schema, const TSchemaRestrictions& Restrictions,
                          TADODataSet& DataSet);

 private:
  std::unique_ptr<TADOSession> FSession;
};

/// A data set over one statement of its connection, or the rowset OpenSchema loaded into it.
class TADODataSet : public TDataSet {
 public:
  explicit TADODataSet(TComponent* AOwner) : TDataSet(AOwner) {}

  /// The statement; "?" placeholders take the values of Parameters in order.
  std::string CommandText;
  TParams Parameters;

  TADOConnection* GetConnection() const { return FConnection; }
  /// Links the data set to Value; cleared when the connection goes away.
  void SetConnection(TADOConnection* Value) {
    if (Value == FConnection) return;
    if (FConnection) RemoveFreeNotification(FConnection);
    FConnection = Value;
    if (FConnection) FreeNotification(FConnection);
  }
  /// Runs CommandText without keeping rows.
  void ExecSQL() {
    TADOResult R;
    Run(R);
    FRowsAffected = R.RowsAffected;
  }
  /// Rows changed by the last ExecSQL; -1 when the driver did not say.
  std::int64_t RowsAffected() const { return FRowsAffected; }
  /// Opens the data set on the columns and rows of Result, in place of running CommandText.
  void LoadResult(TADOResult Result) {
    Close();
    FLoaded = std::move(Result);
    FHasLoaded = true;
    try {
      Open();
    } catch (...) {
      FHasLoaded = false;
      throw;
    }
  }

  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove && AComponent == FConnection) FConnection = nullptr;
    TDataSet::Notification(AComponent, Operation);
  }

 protected:
  void InternalOpen() override {
    TADOResult R;
    if (FHasLoaded) {
      R = std::move(FLoaded);
      FHasLoaded = false;
    } else {
      Run(R);
    }
    for (const TADOColumn& C : R.Columns) AddField(C.Name, C.DataType, C.Size);
    for (TRecord& Row : R.Rows) AppendRecord(std::move(Row));
  }

 private:
  void Run(TADOResult& Result) {
    if (!FConnection) throw EDatabaseError("The data set has no ADO connection.");
    std::vector<const TParam*> Values;
    for (int I = 0; I < Parameters.Count(); ++I) Values.push_back(Parameters.Items(I));
    FConnection->Execute(CommandText, Values, Result);
  }

  TADOConnection* FConnection = nullptr;
  TADOResult FLoaded;
  bool FHasLoaded = false;
  std::int64_t FRowsAffected = -1;
};

inline void TADOConnection::OpenSchema(TSchemaEnum Schema, const TSchemaRestrictions& Restrictions,
                                       TADODataSet& DataSet) {
  TADOResult Result;
  FSession->OpenSchema(Schema, Restrictions, Result);
  DataSet.LoadResult(std::move(Result));
}

/// Finds the ADO connection behind a connection component (the ADO connection component, or a
/// connection whose database is the ADO adapter's). The ADO adapter installs it when it
/// registers; without that adapter no component has an ADO connection.
using TADOConnectionFinder = TADOConnection* (*)(TComponent* Connection);
inline TADOConnectionFinder ADOConnectionFinder = nullptr;

/// The ADO connection behind Connection; nullptr when it has none.
inline TADOConnection* FindADOConnection(TComponent* Connection) {
  return Connection && ADOConnectionFinder ? ADOConnectionFinder(Connection) : nullptr;
}

}  // namespace qel
