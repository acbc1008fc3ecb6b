// The ADO stand-in over the ODBC driver manager: connecting, transactions, statements with
// parameters, result values as text and the columns rowset. A select of a whole table of an
// Access file is read from the file itself (Adox.cpp), as the file holds its values.
#include "Ado.h"

#include <glib.h>
#include <sql.h>
#include <sqlext.h>

#include <charconv>
#include <memory>
#include <mutex>

#include "Adox.h"
#include "Text.h"

namespace qel {

namespace {

const char* const CrLf = "\r\n";

/// The diagnostic records of Handle as one text ("message (SQLSTATE xxxxx)", one a line) and
/// the first record's state.
std::string Diagnostics(SQLSMALLINT HandleType, SQLHANDLE Handle, std::string& State) {
  std::string Text;
  State.clear();
  for (SQLSMALLINT Rec = 1;; ++Rec) {
    SQLCHAR RecState[6] = {};
    SQLINTEGER Native = 0;
    std::vector<SQLCHAR> Msg(1024);
    SQLSMALLINT Len = 0;
    SQLRETURN Rc = SQLGetDiagRec(HandleType, Handle, Rec, RecState, &Native, Msg.data(),
                                 static_cast<SQLSMALLINT>(Msg.size()), &Len);
    if (Rc == SQL_SUCCESS_WITH_INFO && Len >= static_cast<SQLSMALLINT>(Msg.size())) {
      Msg.resize(static_cast<size_t>(Len) + 1);
      Rc = SQLGetDiagRec(HandleType, Handle, Rec, RecState, &Native, Msg.data(),
                         static_cast<SQLSMALLINT>(Msg.size()), &Len);
    }
    if (!SQL_SUCCEEDED(Rc)) break;
    const std::string S(reinterpret_cast<const char*>(RecState));
    if (State.empty()) State = S;
    if (!Text.empty()) Text += CrLf;
    Text +=
        TrimRight(std::string(reinterpret_cast<const char*>(Msg.data()))) + " (SQLSTATE " + S + ")";
  }
  return Text;
}

/// Raises the diagnostics of Handle unless Rc tells of success; What says what failed when
/// the driver left no record.
void CheckHandle(SQLRETURN Rc, SQLSMALLINT HandleType, SQLHANDLE Handle, const char* What) {
  if (SQL_SUCCEEDED(Rc) || Rc == SQL_NO_DATA) return;
  std::string State;
  std::string Text = Handle ? Diagnostics(HandleType, Handle, State) : std::string();
  if (Text.empty()) Text = std::string(What) + " failed (ODBC return code " + IntToStr(Rc) + ").";
  throw EADOError(Text, State);
}

/// A statement handle, freed with its owner.
class TStatement {
 public:
  explicit TStatement(SQLHDBC Dbc) {
    CheckHandle(SQLAllocHandle(SQL_HANDLE_STMT, Dbc, &FHandle), SQL_HANDLE_DBC, Dbc,
                "Allocating a statement");
  }
  ~TStatement() {
    if (FHandle) SQLFreeHandle(SQL_HANDLE_STMT, FHandle);
  }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  SQLHSTMT Handle() const { return FHandle; }
  void Check(SQLRETURN Rc, const char* What) const {
    CheckHandle(Rc, SQL_HANDLE_STMT, FHandle, What);
  }

 private:
  SQLHSTMT FHandle = SQL_NULL_HSTMT;
};

TFieldType FieldTypeOf(SQLSMALLINT Type) {
  switch (Type) {
    case SQL_SMALLINT:
    case SQL_TINYINT:
      return ftSmallint;
    case SQL_INTEGER:
      return ftInteger;
    case SQL_BIGINT:
      return ftLargeint;
    case SQL_BIT:
      return ftBoolean;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return ftFloat;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return ftFMTBcd;
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return ftDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return ftTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return ftDateTime;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
      return ftMemo;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return ftBlob;
    default:
      return ftString;
  }
}

/// Reads column Col of the current row as text (bytes for binary columns); False for NULL.
bool ReadValue(const TStatement& St, SQLUSMALLINT Col, TFieldType Type, std::string& Value) {
  if (Type == ftFloat) {
    // As its binary value: a driver's text of a float may have fewer digits than the value
    // (six for a MariaDB FLOAT). A driver that cannot convert gives its text below.
    double D = 0;
    SQLLEN Ind = 0;
    if (SQL_SUCCEEDED(SQLGetData(St.Handle(), Col, SQL_C_DOUBLE, &D, sizeof D, &Ind))) {
      if (Ind == SQL_NULL_DATA) return false;
      Value = ShortestFloatText(D);
      return true;
    }
  }
  const bool Binary = Type == ftBlob;
  const SQLSMALLINT CType = Binary ? SQL_C_BINARY : SQL_C_CHAR;
  char Buf[8192];
  // Text comes back with a terminating zero, which takes one byte of every piece.
  const SQLLEN Room = static_cast<SQLLEN>(sizeof Buf) - (Binary ? 0 : 1);
  Value.clear();
  for (;;) {
    SQLLEN Ind = 0;
    const SQLRETURN Rc = SQLGetData(St.Handle(), Col, CType, Buf, sizeof Buf, &Ind);
    if (Rc == SQL_NO_DATA) break;
    St.Check(Rc, "Reading a value");
    if (Ind == SQL_NULL_DATA) return false;
    const SQLLEN Got = (Ind == SQL_NO_TOTAL || Ind > Room) ? Room : Ind;
    Value.append(Buf, static_cast<size_t>(Got));
    if (Rc == SQL_SUCCESS) break;  // with info: the value goes on in the next piece
  }
  if (Type == ftBoolean) Value = (Value == "1" || SameText(Value, "true")) ? "True" : "False";
  return true;
}

/// Reads the current result of St (columns and every row) into Result; the rows changed when
/// it has no columns.
void ReadResult(const TStatement& St, TADOResult& Result) {
  SQLSMALLINT Cols = 0;
  St.Check(SQLNumResultCols(St.Handle(), &Cols), "Counting the result columns");
  if (Cols <= 0) {
    SQLLEN Rows = -1;
    if (!SQL_SUCCEEDED(SQLRowCount(St.Handle(), &Rows))) Rows = -1;
    Result.RowsAffected = Rows;
    return;
  }
  Result.Columns.resize(static_cast<size_t>(Cols));
  for (SQLSMALLINT C = 1; C <= Cols; ++C) {
    std::vector<SQLCHAR> Name(256);
    SQLSMALLINT NameLen = 0, Type = 0, Digits = 0, Nullable = 0;
    SQLULEN Size = 0;
    St.Check(SQLDescribeCol(St.Handle(), static_cast<SQLUSMALLINT>(C), Name.data(),
                            static_cast<SQLSMALLINT>(Name.size()), &NameLen, &Type, &Size, &Digits,
                            &Nullable),
             "Describing a result column");
    if (NameLen >= static_cast<SQLSMALLINT>(Name.size())) {
      Name.resize(static_cast<size_t>(NameLen) + 1);
      St.Check(SQLDescribeCol(St.Handle(), static_cast<SQLUSMALLINT>(C), Name.data(),
                              static_cast<SQLSMALLINT>(Name.size()), &NameLen, &Type, &Size,
                              &Digits, &Nullable),
               "Describing a result column");
    }
    TADOColumn& Col = Result.Columns[static_cast<size_t>(C - 1)];
    Col.Name = reinterpret_cast<const char*>(Name.data());
    Col.DataType = FieldTypeOf(Type);
    if (Col.DataType == ftString && Size > 0 && Size < 0x7FFFFFFF)
      Col.Size = static_cast<std::int32_t>(Size);
    else if (Col.DataType == ftFloat)
      Col.Size = Type == SQL_REAL ? 4 : 8;
  }
  for (;;) {
    const SQLRETURN Rc = SQLFetch(St.Handle());
    if (Rc == SQL_NO_DATA) break;
    St.Check(Rc, "Fetching a row");
    TDataSet::TRecord Rec(static_cast<size_t>(Cols));
    for (SQLSMALLINT C = 1; C <= Cols; ++C) {
      TDataSet::TRecordValue& V = Rec[static_cast<size_t>(C - 1)];
      V.IsNull = !ReadValue(St, static_cast<SQLUSMALLINT>(C),
                            Result.Columns[static_cast<size_t>(C - 1)].DataType, V.Data);
    }
    Result.Rows.push_back(std::move(Rec));
  }
  Result.RowsAffected = static_cast<std::int64_t>(Result.Rows.size());
}

/// Reads the first result with columns (else the last count of changed rows) and passes over
/// the others, so that the connection is free for the next statement.
void ReadResults(const TStatement& St, TADOResult& Result) {
  ReadResult(St, Result);
  for (;;) {
    const SQLRETURN Rc = SQLMoreResults(St.Handle());
    if (Rc == SQL_NO_DATA) break;
    try {
      St.Check(Rc, "Reading the next result");
    } catch (const EADOError& E) {
      // A driver without the function (the Access file driver) gives one result a statement.
      if (E.SQLState == "IM001") break;
      throw;
    }
    if (!Result.Columns.empty()) continue;
    ReadResult(St, Result);
  }
}

/// The ODBC types a parameter is sent as, with its text.
struct TBoundValue {
  std::string Data;
  SQLLEN Ind = 0;
  SQLSMALLINT CType = SQL_C_CHAR;
  SQLSMALLINT SqlType = SQL_VARCHAR;
  SQLULEN Size = 0;
  SQLSMALLINT Digits = 0;
};

TBoundValue BindValueOf(const TParam& P) {
  TBoundValue B;
  B.Data = P.AsString();
  switch (P.GetDataType()) {
    case ftSmallint:
      B.SqlType = SQL_SMALLINT;
      break;
    case ftInteger:
      B.SqlType = SQL_INTEGER;
      break;
    case ftLargeint:
      B.SqlType = SQL_BIGINT;
      break;
    case ftBoolean:
      B.SqlType = SQL_BIT;
      B.Data.assign(1, P.AsBoolean() ? '1' : '0');
      break;
    case ftFloat:
      B.SqlType = SQL_DOUBLE;
      break;
    case ftFMTBcd: {
      // Precision and scale of the decimal text itself, so that no digit is cut.
      B.SqlType = SQL_DECIMAL;
      const size_t Point = B.Data.find('.');
      for (char C : B.Data) B.Size += (C >= '0' && C <= '9') ? 1 : 0;
      if (Point != std::string::npos)
        B.Digits = static_cast<SQLSMALLINT>(B.Data.size() - Point - 1);
      break;
    }
    case ftDate:
      B.SqlType = SQL_TYPE_DATE;
      B.Size = 10;
      break;
    case ftTime:
      B.SqlType = SQL_TYPE_TIME;
      B.Size = 8;
      break;
    case ftDateTime: {
      B.SqlType = SQL_TYPE_TIMESTAMP;
      const size_t Point = B.Data.find('.');
      if (Point != std::string::npos)
        B.Digits = static_cast<SQLSMALLINT>(B.Data.size() - Point - 1);
      B.Size = 20 + static_cast<SQLULEN>(B.Digits);
      break;
    }
    case ftMemo:
      B.SqlType = SQL_LONGVARCHAR;
      break;
    case ftBlob:
      B.CType = SQL_C_BINARY;
      B.SqlType = SQL_LONGVARBINARY;
      break;
    default:
      break;
  }
  if (B.Size == 0) B.Size = B.Data.empty() ? 1 : B.Data.size();
  B.Ind = P.IsNull() ? SQL_NULL_DATA : static_cast<SQLLEN>(B.Data.size());
  return B;
}

/// The connection string with Key set to Value: an entry of that key (any case) is replaced,
/// else one is added. A value holding ";" or braces is enclosed in braces. Entries are split at
/// every ";": a braced value holding one is cut in two but joined again unchanged.
std::string SetConnectionKey(const std::string& ConnStr, const std::string& Key,
                             const std::string& Value) {
  std::string Quoted = Value;
  if (Value.find_first_of(";{}") != std::string::npos)
    Quoted =
        std::string(1, '{').append(StringReplace(Value, "}", "}}", true, false)).append(1, '}');
  std::string Out;
  bool Set = false;
  size_t I = 0;
  while (I <= ConnStr.size()) {
    size_t End = ConnStr.find(';', I);
    if (End == std::string::npos) End = ConnStr.size();
    std::string Entry = ConnStr.substr(I, End - I);
    const size_t Eq = Entry.find('=');
    if (Eq != std::string::npos && SameText(Trim(Entry.substr(0, Eq)), Key)) {
      Entry = Key + "=" + Quoted;
      Set = true;
    }
    if (!Trim(Entry).empty()) Out += (Out.empty() ? "" : ";") + Entry;
    I = End + 1;
  }
  if (!Set) Out += (Out.empty() ? "" : ";") + Key + "=" + Quoted;
  return Out;
}

/// The Access file a connection string opens through an Access file driver (one whose name
/// says mdb or access), named by DBQ or DATABASE; "" for every other connection.
std::string AccessFileOf(const std::string& ConnStr) {
  const std::string Driver = ConnectionKey(ConnStr, "DRIVER");
  if (!ContainsText(Driver, "mdb") && !ContainsText(Driver, "access")) return std::string();
  const std::string File = ConnectionKey(ConnStr, "DBQ");
  return File.empty() ? ConnectionKey(ConnStr, "DATABASE") : File;
}

/// A statement that reads one table whole: "select *" or "select" and a list of column names,
/// then "from" and the table name, and nothing else (no condition, no order). A name is bare,
/// in brackets or in double quotes.
struct TTableRead {
  std::string Table;
  std::vector<std::string> Columns;  ///< empty for "*"
};

/// Reads SQL as a TTableRead; False for any other statement.
bool ParseTableRead(const std::string& SQL, TTableRead& Read) {
  std::size_t I = 0;
  auto Blank = [&] {
    while (I < SQL.size() && (SQL[I] == ' ' || SQL[I] == '\t' || SQL[I] == '\r' || SQL[I] == '\n'))
      ++I;
  };
  auto BareChar = [](char C) {
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '_';
  };
  // A name; Quoted tells whether it was enclosed.
  auto Name = [&](std::string& Out, bool& Quoted) {
    Blank();
    Out.clear();
    Quoted = false;
    if (I >= SQL.size()) return false;
    if (SQL[I] == '[') {
      const std::size_t End = SQL.find(']', I + 1);
      if (End == std::string::npos || End == I + 1) return false;
      Out = SQL.substr(I + 1, End - I - 1);
      I = End + 1;
      Quoted = true;
      return true;
    }
    if (SQL[I] == '"') {
      for (++I; I < SQL.size(); ++I) {
        if (SQL[I] != '"') {
          Out += SQL[I];
        } else if (I + 1 < SQL.size() && SQL[I + 1] == '"') {
          Out += '"';
          ++I;
        } else {
          ++I;
          Quoted = true;
          return !Out.empty();
        }
      }
      return false;
    }
    while (I < SQL.size() && BareChar(SQL[I])) Out += SQL[I++];
    return !Out.empty();
  };
  auto Keyword = [&](const char* Word) {
    std::string W;
    bool Quoted = false;
    const std::size_t At = I;
    if (Name(W, Quoted) && !Quoted && SameText(W, Word)) return true;
    I = At;
    return false;
  };
  if (!Keyword("select")) return false;
  Read = TTableRead();
  Blank();
  if (I < SQL.size() && SQL[I] == '*') {
    ++I;
  } else {
    for (;;) {
      std::string Column;
      bool Quoted = false;
      if (!Name(Column, Quoted) || (!Quoted && SameText(Column, "from"))) return false;
      Read.Columns.push_back(Column);
      Blank();
      if (I >= SQL.size() || SQL[I] != ',') break;
      ++I;
    }
  }
  if (!Keyword("from")) return false;
  bool Quoted = false;
  if (!Name(Read.Table, Quoted)) return false;
  Blank();
  return I == SQL.size();
}

/// While one lives with Active set, what the Access file driver logs through GLib is dropped
/// instead of written to standard error: it fails GLib's assertions on ordinary calls (a
/// columns rowset of every table logs one for each table of the file), which tell the user
/// nothing. The first guard in the process installs the dropping handler, the last puts the
/// one before it back.
class TQuietDriver {
 public:
  explicit TQuietDriver(bool Active) : FActive(Active) {
    if (!FActive) return;
    const std::lock_guard<std::mutex> Lock(FMutex);
    if (FCount++ == 0) FPrevious = g_log_set_default_handler(Drop, nullptr);
  }
  ~TQuietDriver() {
    if (!FActive) return;
    const std::lock_guard<std::mutex> Lock(FMutex);
    if (--FCount == 0) g_log_set_default_handler(FPrevious, nullptr);
  }
  TQuietDriver(const TQuietDriver&) = delete;
  TQuietDriver& operator=(const TQuietDriver&) = delete;

 private:
  static void Drop(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}
  bool FActive;
  static inline std::mutex FMutex;
  static inline int FCount = 0;
  static inline GLogFunc FPrevious = nullptr;
};

/// The ODBC connection behind a TADOConnection: an environment and a connection handle.
class TODBCSession final : public TADOSession {
 public:
  TODBCSession() = default;
  ~TODBCSession() override { Close(); }
  TODBCSession(const TODBCSession&) = delete;
  TODBCSession& operator=(const TODBCSession&) = delete;

  void Open(const TADOConnection& Connection) override;
  void Close() override;
  bool GetConnected() const override { return FDbc != SQL_NULL_HDBC; }
  int BeginTrans() override;
  void CommitTrans() override;
  void RollbackTrans() override;
  bool InTransaction() const override { return GetConnected() && FInTransaction; }
  void Execute(const std::string& CommandText, const std::vector<const TParam*>& Parameters,
               TADOResult& Result) override;
  void OpenSchema(TSchemaEnum Schema, const TSchemaRestrictions& Restrictions,
                  TADOResult& Result) override;

 private:
  void FreeHandles();
  void Run(const std::string& CommandText, const std::vector<const TParam*>& Parameters,
           TADOResult& Result);
  SQLHENV FEnv = SQL_NULL_HENV;
  SQLHDBC FDbc = SQL_NULL_HDBC;  // set while connected
  bool FInTransaction = false;
  /// The Access file of the connection (AccessFileOf); "" for other sources.
  std::string FAccessFile;
};

void TODBCSession::FreeHandles() {
  if (FDbc) SQLFreeHandle(SQL_HANDLE_DBC, FDbc);
  if (FEnv) SQLFreeHandle(SQL_HANDLE_ENV, FEnv);
  FDbc = nullptr;
  FEnv = nullptr;
}

void TODBCSession::Open(const TADOConnection& Connection) {
  if (GetConnected()) return;
  if (Trim(Connection.ConnectionString).empty())
    throw EADOError("The ODBC connection string is empty.", "");
  std::string ConnStr = Connection.ConnectionString;
  if (!Connection.DefaultDatabase.empty())
    ConnStr = SetConnectionKey(ConnStr, "DATABASE", Connection.DefaultDatabase);
  // The driver manager reads the string up to its first NUL: the rest would be dropped unseen.
  if (ConnStr.find('\0') != std::string::npos)
    throw EADOError("The ODBC connection string holds a NUL character.", "");
  try {
    CheckHandle(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &FEnv), SQL_HANDLE_ENV, nullptr,
                "Allocating the ODBC environment");
    CheckHandle(
        SQLSetEnvAttr(FEnv, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        SQL_HANDLE_ENV, FEnv, "Choosing ODBC 3");
    SQLHDBC Dbc = SQL_NULL_HDBC;
    CheckHandle(SQLAllocHandle(SQL_HANDLE_DBC, FEnv, &Dbc), SQL_HANDLE_ENV, FEnv,
                "Allocating the connection");
    // Freed with the environment when connecting fails.
    std::unique_ptr<void, void (*)(void*)> Guard(Dbc,
                                                 [](void* H) { SQLFreeHandle(SQL_HANDLE_DBC, H); });
    if (Connection.ConnectionTimeout > 0)
      SQLSetConnectAttr(
          Dbc, SQL_ATTR_LOGIN_TIMEOUT,
          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(Connection.ConnectionTimeout)), 0);
    std::vector<SQLCHAR> In(ConnStr.begin(), ConnStr.end());
    In.push_back(0);
    SQLCHAR Out[1024];
    SQLSMALLINT OutLen = 0;
    const TQuietDriver Quiet(!AccessFileOf(ConnStr).empty());
    CheckHandle(SQLDriverConnect(Dbc, nullptr, In.data(), SQL_NTS, Out, sizeof Out, &OutLen,
                                 SQL_DRIVER_NOPROMPT),
                SQL_HANDLE_DBC, Dbc, "Connecting");
    FDbc = Guard.release();
  } catch (...) {
    FreeHandles();
    throw;
  }
  FInTransaction = false;
  FAccessFile = AccessFileOf(ConnStr);
}

void TODBCSession::Close() {
  if (FDbc) {
    // A connection that the server has ended may refuse both; the handles go all the same.
    if (FInTransaction) SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_ROLLBACK);
    SQLDisconnect(FDbc);
  }
  FInTransaction = false;
  FreeHandles();
}

int TODBCSession::BeginTrans() {
  if (!GetConnected()) throw EADOError("Not connected to database.", "08003");
  if (FInTransaction) throw EADOError("A transaction is already active.", "");
  CheckHandle(
      SQLSetConnectAttr(FDbc, SQL_ATTR_AUTOCOMMIT,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_OFF)), 0),
      SQL_HANDLE_DBC, FDbc, "Starting a transaction");
  FInTransaction = true;
  return 1;
}

void TODBCSession::CommitTrans() {
  if (!GetConnected()) throw EADOError("Not connected to database.", "08003");
  if (!FInTransaction) return;
  FInTransaction = false;
  const SQLRETURN Rc = SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_COMMIT);
  if (!SQL_SUCCEEDED(Rc)) {
    std::string State;
    const std::string Text = Diagnostics(SQL_HANDLE_DBC, FDbc, State);
    // Autocommit would commit whatever is left: what could not be committed is rolled back.
    SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_ROLLBACK);
    SQLSetConnectAttr(FDbc, SQL_ATTR_AUTOCOMMIT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)), 0);
    throw EADOError(Text.empty() ? std::string("The commit failed.") : Text, State);
  }
  CheckHandle(
      SQLSetConnectAttr(FDbc, SQL_ATTR_AUTOCOMMIT,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)), 0),
      SQL_HANDLE_DBC, FDbc, "Ending a transaction");
}

void TODBCSession::RollbackTrans() {
  if (!GetConnected()) throw EADOError("Not connected to database.", "08003");
  if (!FInTransaction) return;
  FInTransaction = false;
  CheckHandle(SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_ROLLBACK), SQL_HANDLE_DBC, FDbc, "Rolling back");
  CheckHandle(
      SQLSetConnectAttr(FDbc, SQL_ATTR_AUTOCOMMIT,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)), 0),
      SQL_HANDLE_DBC, FDbc, "Ending a transaction");
}

void TODBCSession::Run(const std::string& CommandText, const std::vector<const TParam*>& Parameters,
                       TADOResult& Result) {
  if (Trim(CommandText).empty()) throw EADOError("The statement text is empty.", "");
  TStatement St(FDbc);
  std::vector<SQLCHAR> Text(CommandText.begin(), CommandText.end());
  Text.push_back(0);
  if (Parameters.empty()) {
    St.Check(SQLExecDirect(St.Handle(), Text.data(), static_cast<SQLINTEGER>(CommandText.size())),
             "Running the statement");
  } else {
    St.Check(SQLPrepare(St.Handle(), Text.data(), static_cast<SQLINTEGER>(CommandText.size())),
             "Preparing the statement");
    // The values stay where they are until the statement has run.
    std::vector<TBoundValue> Values;
    Values.reserve(Parameters.size());
    for (const TParam* P : Parameters) {
      if (!P) throw EADOError("A parameter of the statement has no value.", "07002");
      Values.push_back(BindValueOf(*P));
    }
    for (size_t I = 0; I < Values.size(); ++I) {
      TBoundValue& B = Values[I];
      St.Check(SQLBindParameter(St.Handle(), static_cast<SQLUSMALLINT>(I + 1), SQL_PARAM_INPUT,
                                B.CType, B.SqlType, B.Size, B.Digits, B.Data.data(),
                                static_cast<SQLLEN>(B.Data.size()), &B.Ind),
               "Binding a parameter");
    }
    St.Check(SQLExecute(St.Handle()), "Running the statement");
  }
  ReadResults(St, Result);
}

void TODBCSession::Execute(const std::string& CommandText,
                           const std::vector<const TParam*>& Parameters, TADOResult& Result) {
  if (!GetConnected()) throw EADOError("Not connected to database.", "08003");
  // The rows of an Access table come from the file: the driver gives a date before 1900 or
  // after about 2700 as day 0 of 1900, which no server takes.
  if (TTableRead Read;
      !FAccessFile.empty() && Parameters.empty() && ParseTableRead(CommandText, Read)) {
    ReadAccessRows(FAccessFile, Read.Table, Read.Columns, Result);
    return;
  }
  try {
    const TQuietDriver Quiet(!FAccessFile.empty());
    Run(CommandText, Parameters, Result);
  } catch (EADOError& E) {
    // The server's own words for the end of a session vary (PostgreSQL: 57P01 when it was
    // terminated); the driver knows whether the connection survived.
    SQLINTEGER Dead = SQL_CD_FALSE;
    if (FDbc && SQL_SUCCEEDED(SQLGetConnectAttr(FDbc, SQL_ATTR_CONNECTION_DEAD, &Dead, 0, nullptr)))
      E.ConnectionLost = Dead == SQL_CD_TRUE;
    if (StartsStr("08", E.SQLState)) E.ConnectionLost = true;
    throw;
  }
}

/// One restriction as an ODBC catalog argument: nullptr (any) when empty.
struct TCatalogArg {
  explicit TCatalogArg(const TSchemaRestrictions& R, size_t I)
      : Text(I < R.size() ? R[I] : std::string()) {}
  SQLCHAR* Ptr() { return Text.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(Text.data()); }
  SQLSMALLINT Len() const { return Text.empty() ? 0 : SQL_NTS; }
  std::string Text;
};

/// The text of an SQLGetInfo answer of Dbc.
std::string InfoText(SQLHDBC Dbc, SQLUSMALLINT What) {
  SQLCHAR Buf[256] = {};
  SQLSMALLINT Len = 0;
  if (!SQL_SUCCEEDED(SQLGetInfo(Dbc, What, Buf, sizeof Buf, &Len))) return std::string();
  return reinterpret_cast<const char*>(Buf);
}

void TODBCSession::OpenSchema(TSchemaEnum Schema, const TSchemaRestrictions& Restrictions,
                              TADOResult& Result) {
  if (!GetConnected()) throw EADOError("Not connected to database.", "08003");
  if (Schema == siDBInfoLiterals) {
    Result.Columns = {TADOColumn{"LiteralName", ftString, 32},
                      TADOColumn{"LiteralValue", ftString, 256}};
    for (const auto& [Name, What] :
         {std::pair<const char*, SQLUSMALLINT>{"QUOTE", SQL_IDENTIFIER_QUOTE_CHAR},
          {"DBMS_NAME", SQL_DBMS_NAME}}) {
      TDataSet::TRecord Rec(2);
      Rec[0].Data = Name;
      Rec[1].Data = InfoText(FDbc, What);
      Rec[0].IsNull = Rec[1].IsNull = false;
      Result.Rows.push_back(std::move(Rec));
    }
    Result.RowsAffected = static_cast<std::int64_t>(Result.Rows.size());
    return;
  }
  const TQuietDriver Quiet(!FAccessFile.empty());
  const std::vector<std::string> Tables =
      Schema == siColumns && !FAccessFile.empty() &&
              (Restrictions.size() < 3 || Restrictions[2].empty())
          ? ReadAccessTableNames(FAccessFile)
          : std::vector<std::string>();
  if (!Tables.empty()) {
    // Asked for the columns of every table, the Access file driver compares each table's name
    // with the missing one (a GLib assertion each) and prints a line for each column of a kind
    // it does not know, which the file's own MSys* tables have: it is asked table by table,
    // for the tables but those.
    TSchemaRestrictions One = Restrictions;
    One.resize(3);
    for (const std::string& Table : Tables) {
      One[2] = Table;
      TADOResult Part;
      OpenSchema(siColumns, One, Part);
      if (Result.Columns.empty()) Result.Columns = std::move(Part.Columns);
      for (TDataSet::TRecord& Row : Part.Rows) Result.Rows.push_back(std::move(Row));
    }
    Result.RowsAffected = static_cast<std::int64_t>(Result.Rows.size());
    return;
  }
  TCatalogArg Cat(Restrictions, 0), Sch(Restrictions, 1), Tbl(Restrictions, 2);
  TStatement St(FDbc);
  SQLCHAR All[] = "%";
  switch (Schema) {
    case siColumns:
      // No table: a null pattern, which every driver takes for all tables ("%" is taken for
      // a name by some, the Access file driver among them).
      St.Check(SQLColumns(St.Handle(), Cat.Ptr(), Cat.Len(), Sch.Ptr(), Sch.Len(), Tbl.Ptr(),
                          Tbl.Ptr() ? SQL_NTS : 0, nullptr, 0),
               "Reading the columns rowset");
      break;
    case siTables: {
      SQLCHAR Types[] = "TABLE,VIEW";
      St.Check(SQLTables(St.Handle(), Cat.Ptr(), Cat.Len(), Sch.Ptr(), Sch.Len(),
                         Tbl.Ptr() ? Tbl.Ptr() : All, SQL_NTS, Types, SQL_NTS),
               "Reading the tables rowset");
      break;
    }
    case siPrimaryKeys:
      St.Check(SQLPrimaryKeys(St.Handle(), Cat.Ptr(), Cat.Len(), Sch.Ptr(), Sch.Len(), Tbl.Ptr(),
                              Tbl.Len()),
               "Reading the primary keys rowset");
      break;
    case siForeignKeys:
      St.Check(SQLForeignKeys(St.Handle(), nullptr, 0, nullptr, 0, nullptr, 0, Cat.Ptr(), Cat.Len(),
                              Sch.Ptr(), Sch.Len(), Tbl.Ptr(), Tbl.Len()),
               "Reading the foreign keys rowset");
      break;
    case siIndexes:
      St.Check(SQLStatistics(St.Handle(), Cat.Ptr(), Cat.Len(), Sch.Ptr(), Sch.Len(), Tbl.Ptr(),
                             Tbl.Len(), SQL_INDEX_ALL, SQL_QUICK),
               "Reading the indexes rowset");
      break;
    case siDBInfoLiterals:
      break;
  }
  ReadResult(St, Result);
}

}  // namespace

TADOConnection::TADOConnection(TComponent* AOwner)
    : TComponent(AOwner), FSession(std::make_unique<TODBCSession>()) {}

}  // namespace qel
