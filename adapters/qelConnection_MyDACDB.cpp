// The MySQL/MariaDB adapter: connection, transactions, parameter literals and result values.
#include "qelConnection_MyDACDB.h"

#include <mysql.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "Text.h"

namespace qel {

namespace {

/// The character set number of binary strings: BINARY, VARBINARY and the BLOB types.
constexpr unsigned BinaryCharset = 63;

std::string ErrorOf(MYSQL* Conn) {
  const char* E = mysql_error(Conn);
  return (E && *E) ? std::string(E) : std::string("Unknown MySQL client error.");
}

/// Client error numbers that mean the connection is gone: server gone away (2006), lost
/// during a query (2013) or while reading its first packets (2055), and the server's own
/// notice that the session was killed (1927).
bool IsConnectionLoss(unsigned Code) {
  switch (Code) {
    case 2006:
    case 2013:
    case 2055:
    case 1927:
      return true;
    default:
      return false;
  }
}

/// Raises the client's message for the last call on Db's connection, recording it as the loss
/// of the connection when it is one.
[[noreturn]] void Fail(TMyDACDatabase& Db, MYSQL* Conn) {
  const std::string Msg = ErrorOf(Conn);
  if (IsConnectionLoss(mysql_errno(Conn))) Db.MarkLost(Msg);
  throw EDatabaseError(Db.FailureText(Msg));
}

TFieldType FieldTypeOf(const MYSQL_FIELD& F) {
  switch (F.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_YEAR:
      return ftSmallint;
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
      return ftInteger;
    case MYSQL_TYPE_LONGLONG:
      return ftLargeint;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
      return ftFloat;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      return ftFMTBcd;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
      return ftDate;
    case MYSQL_TYPE_TIME:
      return ftTime;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
      return ftDateTime;
    case MYSQL_TYPE_BIT:
      return ftBlob;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
      return F.charsetnr == BinaryCharset ? ftBlob : ftMemo;
    default:
      return F.charsetnr == BinaryCharset ? ftBlob : ftString;
  }
}

/// An integer or decimal number as the client would write it: sign, digits, one point.
bool IsPlainNumber(const std::string& S, bool AllowExponent) {
  size_t I = 0;
  if (I < S.size() && (S[I] == '-' || S[I] == '+')) ++I;
  bool Digits = false, Point = false, Exp = false;
  for (; I < S.size(); ++I) {
    const char C = S[I];
    if (C >= '0' && C <= '9') {
      Digits = true;
    } else if (C == '.' && !Point && !Exp) {
      Point = true;
    } else if ((C == 'e' || C == 'E') && AllowExponent && Digits && !Exp) {
      Exp = true;
      Digits = false;
      if (I + 1 < S.size() && (S[I + 1] == '-' || S[I + 1] == '+')) ++I;
    } else {
      return false;
    }
  }
  return Digits;
}

std::string HexLiteral(const std::string& Bytes) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string S = "X'";
  S.reserve(Bytes.size() * 2 + 3);
  for (unsigned char C : Bytes) {
    S += Hex[C >> 4];
    S += Hex[C & 15];
  }
  return S + "'";
}

/// Reads and frees every further result of the last statement (a CALL sends more than one),
/// so that the connection is ready for the next statement.
void DrainResults(TMyDACDatabase& Db, MYSQL* Conn) {
  while (mysql_more_results(Conn)) {
    const int Rc = mysql_next_result(Conn);
    if (Rc > 0) Fail(Db, Conn);
    if (Rc < 0) break;
    if (MYSQL_RES* R = mysql_store_result(Conn)) mysql_free_result(R);
  }
}

/// The column descriptions of a result.
void ReadColumns(MYSQL_RES* Res, std::vector<TResultColumn>& Columns) {
  const unsigned Cols = mysql_num_fields(Res);
  MYSQL_FIELD* Fields = mysql_fetch_fields(Res);
  Columns.resize(Cols);
  for (unsigned C = 0; C < Cols; ++C) {
    Columns[C].Name = Fields[C].name;
    Columns[C].DataType = FieldTypeOf(Fields[C]);
    Columns[C].Size = static_cast<std::int32_t>(Fields[C].length);
    // A float's size is its bytes: the comparer compares and writes a FLOAT as a 4-byte float.
    if (Fields[C].type == MYSQL_TYPE_FLOAT || Fields[C].type == MYSQL_TYPE_DOUBLE)
      Columns[C].Size = Fields[C].type == MYSQL_TYPE_FLOAT ? 4 : 8;
    if (Columns[C].DataType == ftTime || Columns[C].DataType == ftDateTime)
      Columns[C].Scale = static_cast<std::int32_t>(Fields[C].decimals);
  }
}

/// The values of the row just fetched from Res.
void ReadRow(MYSQL_RES* Res, MYSQL_ROW Row, TDataSet::TRecord& Rec) {
  const unsigned Cols = mysql_num_fields(Res);
  const unsigned long* Lengths = mysql_fetch_lengths(Res);
  Rec.resize(Cols);  // the values' buffers of an earlier row serve again
  for (unsigned C = 0; C < Cols; ++C) {
    TDataSet::TRecordValue& V = Rec[C];
    V.IsNull = !Row[C];
    if (V.IsNull)
      V.Data.clear();
    else
      AssignValueText(V.Data, Row[C], Lengths[C]);
  }
}

/// A result read off the connection row by row (mysql_use_result). It holds the connection:
/// the database knows its query, so that another statement first reads the rest of it.
class TMyDACStream : public TRowStream {
 public:
  TMyDACStream(TMyDACDatabase& Db, TQELAdapterQuery& Owner, MYSQL_RES* Res)
      : FDb(Db), FOwner(Owner), FRes(Res) {
    if (FRes) FDb.SetStreaming(&FOwner);
  }
  ~TMyDACStream() override {
    // Freeing an unfinished result reads its remaining rows off the connection.
    if (FRes) mysql_free_result(FRes);
    if (FDb.GetStreaming() == &FOwner) FDb.SetStreaming(nullptr);
  }
  bool ReadsAhead() const override { return FRes != nullptr; }
  bool FetchAhead(TDataSet::TRecord& Row) override {
    if (!FRes || FAtEnd) return false;
    if (MYSQL_ROW R = mysql_fetch_row(FRes)) {
      ReadRow(FRes, R, Row);
      return true;
    }
    FAtEnd = true;  // the end or a failure: Fetch says which, on the reader's thread
    return false;
  }
  bool Fetch(TDataSet::TRecord& Row) override {
    if (!FRes) return false;
    if (FetchAhead(Row)) return true;
    MYSQL* Conn = FDb.Handle();
    const bool Failed = mysql_errno(Conn) != 0;
    mysql_free_result(FRes);
    FRes = nullptr;
    FDb.SetStreaming(nullptr);
    if (Failed) Fail(FDb, Conn);
    DrainResults(FDb, Conn);
    return false;
  }

 private:
  TMyDACDatabase& FDb;
  TQELAdapterQuery& FOwner;
  MYSQL_RES* FRes;
  bool FAtEnd = false;  // mysql_fetch_row said there is no more (its error stays until read)
};

MYSQL* OpenConnection(const TConnectionOptions& O, const char* Database) {
  MYSQL* Conn = mysql_init(nullptr);
  if (!Conn) throw EDatabaseError("Out of memory while connecting to MySQL.");
  const unsigned Timeout = 15;
  mysql_options(Conn, MYSQL_OPT_CONNECT_TIMEOUT, &Timeout);
  mysql_options(Conn, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  const std::string Host = O.HostName.empty() ? std::string("localhost") : O.HostName;
  // The client takes "localhost" for its Unix socket and drops the port: a port that is named
  // is reached over TCP, so that the server there answers and no other.
  if (O.Port != 0) {
    const unsigned Protocol = MYSQL_PROTOCOL_TCP;
    mysql_options(Conn, MYSQL_OPT_PROTOCOL, &Protocol);
  }
  if (!mysql_real_connect(Conn, Host.c_str(), O.UserName.c_str(), O.Password.c_str(), Database,
                          static_cast<unsigned>(O.Port), nullptr,
                          CLIENT_MULTI_RESULTS | CLIENT_FOUND_ROWS)) {
    // The client's words name the host at most ("Can't connect to server on '127.0.0.1'"):
    // where it tried is said as libpq says it, so that a wrong port shows. Without a port the
    // client takes its own default (its option files, MYSQL_TCP_PORT), which is not named.
    const std::string Msg = "connection to server at \"" + Host + "\"" +
                            (O.Port != 0 ? ", port " + IntToStr(O.Port) : std::string()) +
                            " failed: " + ErrorOf(Conn);
    mysql_close(Conn);
    throw EDatabaseError(Msg);
  }
  return Conn;
}

/// V as a string literal of the session's character set.
std::string QuotedLiteral(MYSQL* Conn, const std::string& V) {
  std::string Escaped(V.size() * 2 + 1, '\0');
  const unsigned long Len = mysql_real_escape_string(Conn, Escaped.data(), V.data(), V.size());
  if (Len == static_cast<unsigned long>(-1))
    throw EDatabaseError("A text value cannot be written in the session's character set.");
  Escaped.resize(Len);
  return "'" + Escaped + "'";
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TMyDACDatabase::~TMyDACDatabase() {
  Disconnect();
}

void TMyDACDatabase::Settle() {
  if (TQELAdapterQuery* Q = FStreaming) Q->SpillStream();
  if (TMyDACQuery* Q = FAhead) Q->FinishAhead();
}

void TMyDACDatabase::SettleForOne() {
  Settle();
  MultiStatements(false);
}

void TMyDACDatabase::MultiStatements(bool On) {
  if (FMultiStatements == On) return;
  if (mysql_set_server_option(
          FConn, On ? MYSQL_OPTION_MULTI_STATEMENTS_ON : MYSQL_OPTION_MULTI_STATEMENTS_OFF) != 0)
    Fail(*this, FConn);
  FMultiStatements = On;
}

void TMyDACDatabase::CutConnection() {
  // The client reads the end of the stream as a connection lost during the query (2013).
  if (FSocket >= 0) ::shutdown(FSocket, SHUT_RDWR);
}

void TMyDACDatabase::Disconnect() {
  Unregister();
  FSocket = -1;
  AwaitReadAhead();
  if (TQELAdapterQuery* Q = FStreaming) Q->DropStream();
  if (TMyDACQuery* Q = FAhead) Q->DropAhead();
  FAhead = nullptr;
  if (FConn) mysql_close(FConn);
  FConn = nullptr;
  FInTransaction = false;
  FMultiStatements = false;
  FStatementLimit = 0;
  FKeepsTransactions.clear();
  ClearLost();
}

void TMyDACDatabase::Connect() {
  const TConnectionOptions& O = ConnectOptions();
  FConn = OpenConnection(O, O.GetDatabaseName().empty() ? nullptr : O.GetDatabaseName().c_str());
  FSocket = static_cast<int>(mysql_get_socket(FConn));
  // A server whose own sql_mode is lenient cuts a value that does not fit its column (a long
  // text, a large number, a column made narrower) and only warns: the session adds strict
  // checking to the server's mode, so that such a statement is refused and the run says so.
  static constexpr std::string_view Strict =
      "SET SESSION sql_mode = CONCAT_WS(',', NULLIF(@@session.sql_mode, ''), 'STRICT_ALL_TABLES')";
  if (mysql_autocommit(FConn, 1) != 0 ||
      mysql_real_query(FConn, Strict.data(), Strict.size()) != 0) {
    const std::string Msg = ErrorOf(FConn);
    Disconnect();
    throw EDatabaseError(Msg);
  }
}

void TMyDACDatabase::ExecCommand(const std::string& SQL) {
  if (!GetConnected()) RaiseNotConnected();
  SettleForOne();
  if (mysql_real_query(FConn, SQL.data(), SQL.size()) != 0) Fail(*this, FConn);
  if (MYSQL_RES* R = mysql_store_result(FConn)) mysql_free_result(R);
  DrainResults(*this, FConn);
}

bool TMyDACDatabase::InTransaction() const {
  if (!GetConnected() || !FInTransaction) return false;
  // The thread reading a block ahead owns the connection's state; a query's rows end no
  // transaction.
  if (ReadingAhead()) return true;
  unsigned Status = 0;
  if (mariadb_get_infov(FConn, MARIADB_CONNECTION_SERVER_STATUS, &Status) != 0) return true;
  return (Status & SERVER_STATUS_IN_TRANS) != 0;
}

void TMyDACDatabase::StartTransaction() {
  if (InTransaction()) throw EDatabaseError("A transaction is already active.");
  ExecCommand("START TRANSACTION");
  FInTransaction = true;
}

void TMyDACDatabase::Commit() {
  FInTransaction = false;
  ExecCommand("COMMIT");
}

void TMyDACDatabase::Rollback() {
  FInTransaction = false;
  ExecCommand("ROLLBACK");
}

// ---------------------------------------------------------------------------------------------

TSQLLexRules TMyDACQuery::LexRules() const {
  TSQLLexRules R;
  R.BackslashEscapes = true;
  R.BacktickQuotes = true;
  R.HashComments = true;
  return R;
}

/// A text or binary value from this size on goes to the server as a parameter of a prepared
/// statement (TMyDACQuery::ExecSQL).
constexpr std::size_t LargeParamBytes = 1u << 20;

void TMyDACQuery::ExecSQL() {
  FPrepareLarge = true;
  FLarge.clear();
  try {
    TQELAdapterQuery::ExecSQL();
  } catch (...) {
    FPrepareLarge = false;
    FLarge.clear();
    throw;
  }
  FPrepareLarge = false;
  FLarge.clear();
}

std::string TMyDACQuery::ParamMarker(const TParam& Param, int Index, const std::string& Reference) {
  (void)Index;
  (void)Reference;
  if (Param.IsNull()) return "NULL";
  const std::string& V = Param.AsString();
  if (FPrepareLarge && V.size() >= LargeParamBytes &&
      (Param.GetDataType() == ftBlob || Param.GetDataType() == ftMemo ||
       Param.GetDataType() == ftString)) {
    FLarge.push_back(&Param);
    return "?";
  }
  switch (Param.GetDataType()) {
    case ftBlob:
      return V.empty() ? std::string("''") : HexLiteral(V);
    case ftBoolean:
      return Param.AsBoolean() ? "TRUE" : "FALSE";
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
    case ftFMTBcd:
      if (IsPlainNumber(V, false)) return V;
      break;
    case ftFloat:
      if (IsPlainNumber(V, true)) return V;
      break;
    default:
      break;
  }
  return QuotedLiteral(ConnectedDatabase<TMyDACDatabase>().Handle(), V);
}

void TMyDACQuery::ExecutePrepared(const std::string& SQL, TQueryResult& Result) {
  TMyDACDatabase& Db = ConnectedDatabase<TMyDACDatabase>();
  MYSQL* Conn = Db.Handle();
  Db.Settle();
  std::unique_ptr<MYSQL_STMT, my_bool (*)(MYSQL_STMT*)> Stmt(mysql_stmt_init(Conn),
                                                             mysql_stmt_close);
  if (!Stmt) Fail(Db, Conn);
  auto FailStmt = [&] {
    const std::string Msg = mysql_stmt_error(Stmt.get());
    if (IsConnectionLoss(mysql_stmt_errno(Stmt.get()))) Db.MarkLost(Msg);
    throw EDatabaseError(Db.FailureText(Msg));
  };
  if (mysql_stmt_prepare(Stmt.get(), SQL.data(), SQL.size()) != 0) FailStmt();
  if (mysql_stmt_param_count(Stmt.get()) != FLarge.size())
    throw EDatabaseError("The statement does not take its large values where they were given.");
  // Each value goes in pieces of a packet's size: text in the session's character set, as a
  // literal would be read, and bytes as they are.
  std::vector<MYSQL_BIND> Binds(FLarge.size());
  for (std::size_t I = 0; I < FLarge.size(); ++I)
    Binds[I].buffer_type =
        FLarge[I]->GetDataType() == ftBlob ? MYSQL_TYPE_LONG_BLOB : MYSQL_TYPE_STRING;
  if (mysql_stmt_bind_param(Stmt.get(), Binds.data()) != 0) FailStmt();
  constexpr std::size_t Piece = 1u << 20;
  for (std::size_t I = 0; I < FLarge.size(); ++I) {
    const std::string& V = FLarge[I]->AsString();
    for (std::size_t B = 0; B < V.size(); B += Piece)
      if (mysql_stmt_send_long_data(Stmt.get(), static_cast<unsigned>(I), V.data() + B,
                                    std::min(Piece, V.size() - B)) != 0)
        FailStmt();
  }
  if (mysql_stmt_execute(Stmt.get()) != 0) FailStmt();
  // ExecSQL keeps no rows: a result is read off the connection and dropped.
  if (mysql_stmt_field_count(Stmt.get()) != 0 && mysql_stmt_store_result(Stmt.get()) != 0)
    FailStmt();
  Result.RowsAffected = static_cast<std::int64_t>(mysql_stmt_affected_rows(Stmt.get()));
}

void TMyDACQuery::Execute(const std::string& SQL, const TBoundParams& Params,
                          TQueryResult& Result) {
  (void)Params;  // already written into SQL as literals
  if (!FLarge.empty()) {
    ExecutePrepared(SQL, Result);
    return;
  }
  TMyDACDatabase& Db = ConnectedDatabase<TMyDACDatabase>();
  MYSQL* Conn = Db.Handle();
  Db.SettleForOne();
  if (mysql_real_query(Conn, SQL.data(), SQL.size()) != 0) Fail(Db, Conn);
  std::unique_ptr<MYSQL_RES, void (*)(MYSQL_RES*)> Res(mysql_store_result(Conn), mysql_free_result);
  if (!Res) {
    if (mysql_field_count(Conn) != 0) Fail(Db, Conn);
    Result.RowsAffected = static_cast<std::int64_t>(mysql_affected_rows(Conn));
    DrainResults(Db, Conn);
    return;
  }
  ReadColumns(Res.get(), Result.Columns);
  Result.Rows.reserve(static_cast<size_t>(mysql_num_rows(Res.get())));
  while (MYSQL_ROW Row = mysql_fetch_row(Res.get())) {
    TDataSet::TRecord Rec;
    ReadRow(Res.get(), Row, Rec);
    Result.Rows.push_back(std::move(Rec));
  }
  Result.RowsAffected = static_cast<std::int64_t>(Result.Rows.size());
  Res.reset();
  DrainResults(Db, Conn);
}

namespace {

/// How the data comparer's row inserts begin.
constexpr std::string_view RowInsertStart = "INSERT INTO ";

/// The length of the head "INSERT INTO <table> (<columns>)\r\nVALUES" of a row insert whose
/// rest is one row of values in parentheses, and 0 for any other statement. Quoted names and
/// literals are skipped as the server reads them, so that no quoted text is taken for the
/// VALUES keyword or a parenthesis; anything unusual (a comment, unbalanced parentheses) is not
/// a row insert here. NameEnd: where the table's name ends.
std::size_t RowInsertHead(const std::string& S, std::size_t& NameEnd) {
  static constexpr std::string_view Values = "\r\nVALUES(";
  if (S.compare(0, RowInsertStart.size(), RowInsertStart) != 0) return 0;
  std::size_t Head = 0;
  NameEnd = 0;
  int Depth = 0;
  for (std::size_t I = RowInsertStart.size(); I < S.size(); ++I) {
    const char C = S[I];
    if (C == '`' || C == '\'' || C == '"') {
      // A doubled quote stands for itself; within a literal a backslash escapes the next byte.
      for (++I; I < S.size(); ++I) {
        if (C != '`' && S[I] == '\\') {
          ++I;
        } else if (S[I] == C) {
          if (I + 1 < S.size() && S[I + 1] == C)
            ++I;
          else
            break;
        }
      }
      if (I >= S.size()) return 0;
    } else if (C == '#' || (C == '-' && S.compare(I, 2, "--") == 0) ||
               (C == '/' && S.compare(I, 2, "/*") == 0) || C == ';') {
      return 0;
    } else if (C == '(') {
      if (NameEnd == 0) NameEnd = I;
      if (Head == 0 && Depth == 0 && S.compare(I + 1 - Values.size(), Values.size(), Values) == 0)
        Head = I;
      ++Depth;
    } else if (C == ')') {
      if (--Depth < 0) return 0;
      // The row's parentheses close at the very end, and nothing follows them.
      if (Depth == 0 && Head != 0 && I + 1 != S.size()) return 0;
    }
  }
  return Depth == 0 ? Head : 0;
}

/// Items as the statements of a round trip: consecutive row inserts with the same head become
/// one INSERT of several rows, each at most Limit bytes, where the table keeps transactions.
std::vector<TRoundTripPart> MergeRowInserts(TMyDACDatabase& Db,
                                            const std::vector<TQELAdapterQuery::TQueued>& Items,
                                            std::size_t Limit) {
  std::vector<TRoundTripPart> Parts;
  std::size_t LastHead = 0;
  for (std::size_t I = 0; I < Items.size(); ++I) {
    const std::string& S = Items[I].Sent();
    std::size_t NameEnd = 0;
    std::size_t Head = RowInsertHead(S, NameEnd);
    // The previous part is an insert of the same head, whose table was asked about already.
    const bool SameHead = Head != 0 && LastHead == Head && !Parts.empty() &&
                          Parts.back().SQL.compare(0, Head, S, 0, Head) == 0;
    if (Head != 0 && !SameHead &&
        !Db.KeepsTransactions(S.substr(RowInsertStart.size(), NameEnd - RowInsertStart.size())))
      Head = 0;
    if (SameHead && Parts.back().SQL.size() + S.size() - Head + 1 <= Limit) {
      Parts.back().SQL += ',';
      Parts.back().SQL.append(S, Head);
      ++Parts.back().Count;
    } else {
      Parts.push_back({S, I, 1});
    }
    LastHead = Head;
  }
  return Parts;
}

/// The text of a round trip: Parts from Next on, as many as fit in Limit bytes (at least one),
/// joined as a multi-statement text; with Own, a transaction of their own begins before the
/// first (Begin) and is committed after the last part. Sent: the parts it holds.
std::string JoinParts(const std::vector<TRoundTripPart>& Parts, std::size_t Next, bool Begin,
                      bool Own, std::size_t Limit, std::size_t& Sent) {
  std::string SQL = Begin && Own ? "START TRANSACTION" : "";
  Sent = 0;
  while (Next + Sent < Parts.size() &&
         (SQL.empty() || SQL.size() + Parts[Next + Sent].SQL.size() + 2 <= Limit)) {
    if (!SQL.empty()) SQL += ";\n";
    SQL += Parts[Next + Sent].SQL;
    ++Sent;
  }
  if (Own && Next + Sent == Parts.size()) SQL += ";\nCOMMIT";
  return SQL;
}

/// Reads the answer to a round trip of Sent parts (after Skip statements of its own) whose
/// first result the client has read (Rc: 0 for success), adding the parts that ran to Out.
/// A lost connection raises.
void ReadRoundTrip(TMyDACDatabase& Db, MYSQL* Conn, int Rc, std::size_t Sent, std::size_t Skip,
                   TPartsRun& Out) {
  std::size_t Results = 0;
  while (Rc == 0) {
    if (MYSQL_RES* R = mysql_store_result(Conn))
      mysql_free_result(R);
    else if (Results >= Skip && Results - Skip < Sent && mysql_affected_rows(Conn) == 0)
      // A change that met no row (a row gone meanwhile); the connection counts the rows an
      // UPDATE found, not only those whose values it changed (CLIENT_FOUND_ROWS).
      Out.Unmade.push_back(Out.Done + Results - Skip);
    ++Results;
    Rc = mysql_next_result(Conn);
  }
  if (Rc > 0 && IsConnectionLoss(mysql_errno(Conn))) Fail(Db, Conn);
  Out.Done += std::min(Sent, Results > Skip ? Results - Skip : 0);
  if (Rc > 0) {
    Out.Failed = true;
    Out.Error = ErrorOf(Conn);
    Out.Code = mysql_errno(Conn);
  }
}

/// True while the server holds a transaction open on Conn. Asked: an error answer carries no
/// status of the server's.
bool ServerInTransaction(TMyDACDatabase& Db, MYSQL* Conn) {
  static constexpr std::string_view Ask = "SELECT @@in_transaction";
  if (mysql_real_query(Conn, Ask.data(), Ask.size()) != 0) Fail(Db, Conn);
  std::unique_ptr<MYSQL_RES, void (*)(MYSQL_RES*)> Res(mysql_store_result(Conn), mysql_free_result);
  if (!Res) Fail(Db, Conn);
  const MYSQL_ROW Row = mysql_fetch_row(Res.get());
  const bool In = !Row || !Row[0] || std::string_view(Row[0]) != "0";
  Res.reset();
  DrainResults(Db, Conn);
  return In;
}

/// Times a round trip a deadlock or a lock wait timeout took back whole is sent again.
constexpr int MaxRetries = 3;

/// Sends Parts as multi-statement texts of at most Limit bytes each (a longer statement goes
/// alone), in order; with Own they run in a transaction of their own, committed after the last.
/// The server runs none after the first that fails. A lost connection raises.
TPartsRun RunParts(TMyDACDatabase& Db, MYSQL* Conn, const std::vector<TRoundTripPart>& Parts,
                   bool Own, std::size_t Limit) {
  TPartsRun Out;
  std::size_t Next = 0;
  bool First = true;
  while (Next < Parts.size() || (First && Own)) {
    std::size_t Sent = 0;
    const std::string SQL = JoinParts(Parts, Next, First, Own, Limit, Sent);
    const int Rc = mysql_real_query(Conn, SQL.data(), SQL.size()) != 0 ? 1 : 0;
    ReadRoundTrip(Db, Conn, Rc, Sent, First && Own ? 1 : 0, Out);
    if (Out.Failed) return Out;
    Next += Sent;
    First = false;
    if (Next == Parts.size()) break;
  }
  return Out;
}

}  // namespace

bool TMyDACDatabase::KeepsTransactions(const std::string& Name) {
  // A table without transactions (MyISAM, Aria) keeps the rows of an INSERT of several rows
  // written before the one it refuses, and no rollback takes them back: its rows go one
  // statement each, so that what was kept is known. The answer is kept for the connection.
  std::string Trimmed = Name;
  while (!Trimmed.empty() && Trimmed.back() == ' ') Trimmed.pop_back();
  const auto Known = FKeepsTransactions.find(Trimmed);
  if (Known != FKeepsTransactions.end()) return Known->second;
  // The name as written: `schema`.`table` or `table`, quoted or bare.
  std::vector<std::string> Parts(1);
  for (std::size_t I = 0; I < Trimmed.size(); ++I) {
    if (Trimmed[I] == '`') {
      for (++I; I < Trimmed.size(); ++I) {
        if (Trimmed[I] == '`' && !(I + 1 < Trimmed.size() && Trimmed[I + 1] == '`')) break;
        if (Trimmed[I] == '`') ++I;
        Parts.back() += Trimmed[I];
      }
    } else if (Trimmed[I] == '.') {
      Parts.emplace_back();
    } else {
      Parts.back() += Trimmed[I];
    }
  }
  bool Keeps = false;
  if (Parts.size() <= 2) {
    auto Literal = [this](const std::string& V) { return QuotedLiteral(FConn, V); };
    const std::string Ask =
        "SELECT COUNT(*), SUM(e.TRANSACTIONS = 'YES') FROM information_schema.TABLES t JOIN "
        "information_schema.ENGINES e ON e.ENGINE = t.ENGINE WHERE t.TABLE_SCHEMA = " +
        (Parts.size() == 2 ? Literal(Parts[0]) : std::string("DATABASE()")) +
        " AND t.TABLE_NAME = " + Literal(Parts.back());
    if (mysql_real_query(FConn, Ask.data(), Ask.size()) != 0) Fail(*this, FConn);
    std::unique_ptr<MYSQL_RES, void (*)(MYSQL_RES*)> Res(mysql_store_result(FConn),
                                                         mysql_free_result);
    if (!Res) Fail(*this, FConn);
    const MYSQL_ROW Row = mysql_fetch_row(Res.get());
    Keeps = Row && Row[0] && Row[1] && std::string(Row[0]) != "0" &&
            std::string(Row[0]) == std::string(Row[1]);
    DrainResults(*this, FConn);
  }
  FKeepsTransactions.emplace(Trimmed, Keeps);
  return Keeps;
}

std::size_t TMyDACDatabase::StatementLimit() {
  if (FStatementLimit == 0) {
    // The server refuses (and drops the connection for) a text longer than its
    // max_allowed_packet; half of it leaves room for what the client adds.
    static constexpr std::string_view Ask = "SELECT @@max_allowed_packet";
    if (mysql_real_query(FConn, Ask.data(), Ask.size()) != 0) Fail(*this, FConn);
    std::unique_ptr<MYSQL_RES, void (*)(MYSQL_RES*)> Res(mysql_store_result(FConn),
                                                         mysql_free_result);
    if (!Res) Fail(*this, FConn);
    const MYSQL_ROW Row = mysql_fetch_row(Res.get());
    const std::uint64_t Packet = Row && Row[0] ? std::strtoull(Row[0], nullptr, 10) : 0;
    FStatementLimit = static_cast<std::size_t>(
        std::clamp<std::uint64_t>(Packet / 2, std::uint64_t{4} << 10, std::uint64_t{16} << 20));
  }
  return FStatementLimit;
}

std::vector<TRoundTripPart> TMyDACQuery::RoundTripParts(TMyDACDatabase& Db,
                                                        const std::vector<TQueued>& Items,
                                                        bool& Own) {
  Db.Settle();
  // The values are literals in the texts already: the statements go as multi-statement texts,
  // and rows inserted one after another into the same columns as one INSERT of many rows,
  // which the server parses and runs far faster than one INSERT per row. Outside a
  // transaction they run in one of their own, committed after them (or after the ones before
  // a refused one, which the server alone takes back): one commit, not one per statement.
  Own = !Db.InTransaction();
  std::vector<TRoundTripPart> Parts = MergeRowInserts(Db, Items, Db.StatementLimit());
  Db.MultiStatements(true);
  return Parts;
}

TQELQuery::TQueuedOutcome TMyDACQuery::ExecuteQueued(const std::vector<TQueued>& Items) {
  TMyDACDatabase& Db = ConnectedDatabase<TMyDACDatabase>();
  bool Own = false;
  std::vector<TRoundTripPart> Parts = RoundTripParts(Db, Items, Own);
  const TPartsRun R = RunParts(Db, Db.Handle(), Parts, Own, Db.StatementLimit());
  return Conclude(Db, Items, Parts, Own, R);
}

TQELQuery::TQueuedOutcome TMyDACQuery::Conclude(TMyDACDatabase& Db,
                                                const std::vector<TQueued>& Items,
                                                std::vector<TRoundTripPart>& Parts, bool Own,
                                                TPartsRun R) {
  MYSQL* Conn = Db.Handle();
  // InnoDB answers a deadlock (1213), and a lock wait timeout where it is set to (1205), by
  // rolling back the whole transaction of the round trip, the statements before the refused
  // one too. Its manual advises to run the transaction again; after a few tries the run is
  // told that none of them is kept.
  auto RolledBack = [&] {
    return R.Failed && Own && R.Done < Parts.size() && (R.Code == 1213 || R.Code == 1205) &&
           !ServerInTransaction(Db, Conn);
  };
  for (int Retries = 0; RolledBack() && Retries < MaxRetries; ++Retries) {
    Parts = MergeRowInserts(Db, Items, Db.StatementLimit());
    Db.MultiStatements(true);
    R = RunParts(Db, Conn, Parts, Own, Db.StatementLimit());
  }
  if (RolledBack()) {
    TQueuedOutcome Out;
    Out.Refused = Out.RolledBack = true;
    Out.RefusedAt = Parts[R.Done].First;
    Out.Error = R.Error;
    return Out;
  }
  std::size_t From = 0;  // the item the statements of R begin with
  if (R.Failed && R.Done < Parts.size() && Parts[R.Done].Count > 1) {
    // A refused INSERT of several rows writes none of them, and does not say which row it
    // was. The rows go again one statement each, so that the refused one is found and those
    // before it are kept: outside a transaction after the round trip is taken back, within
    // the caller's from that INSERT on (the server took back that statement alone).
    From = Own ? 0 : Parts[R.Done].First;
    if (Own) {
      Db.ExecCommand("ROLLBACK");
      // A table that keeps no transactions (MyISAM) keeps the rows of the INSERT before the
      // refused one: sent again they would be written twice.
      if (mysql_warning_count(Conn) != 0)
        throw EDatabaseError(
            "The target refused a row of an INSERT of several rows into a "
            "table without transactions; the rows of that INSERT before it "
            "may have been written: " +
            R.Error);
    }
    Parts.clear();
    for (std::size_t I = From; I < Items.size(); ++I) Parts.push_back({Items[I].Sent(), I, 1});
    Db.MultiStatements(true);
    R = RunParts(Db, Conn, Parts, Own, Db.StatementLimit());
  }
  TQueuedOutcome Out;
  Out.Done = R.Done < Parts.size() ? Parts[R.Done].First : Items.size();
  for (std::size_t P : R.Unmade)
    if (P < Parts.size() && Parts[P].Count == 1 && Parts[P].First < Out.Done)
      Out.Unmade.push_back(Parts[P].First);
  if (R.Failed) {
    Out.Refused = Out.Done < Items.size();
    Out.Error = R.Error;
    if (Own) {
      Db.ExecCommand("COMMIT");
      if (!Out.Refused) throw EDatabaseError(Out.Error);  // the commit itself failed
    }
  }
  // Multi-statement texts stay allowed until another statement is sent (SettleForOne): the next
  // round trip needs them, and an answer read does not wait on another command.
  return Out;
}

bool TMyDACQuery::SendAhead(std::vector<TQueued>& Items) {
  TMyDACDatabase& Db = ConnectedDatabase<TMyDACDatabase>();
  MYSQL* Conn = Db.Handle();
  bool Own = false;
  std::vector<TRoundTripPart> Parts = RoundTripParts(Db, Items, Own);
  // Only what goes in one text is sent ahead: its answer is then the one round trip's.
  std::size_t Sent = 0;
  const std::string SQL = JoinParts(Parts, 0, true, Own, Db.StatementLimit(), Sent);
  if (Sent != Parts.size()) return false;
  for (TRoundTripPart& P : Parts) std::string().swap(P.SQL);  // answered by position only
  FAhead = std::make_unique<TAhead>();
  FAhead->Items = std::move(Items);
  FAhead->Parts = std::move(Parts);
  FAhead->Own = Own;
  Db.SetAhead(this);
  if (mysql_send_query(Conn, SQL.data(), static_cast<unsigned long>(SQL.size())) != 0) {
    FAhead.reset();
    Db.SetAhead(nullptr);
    Fail(Db, Conn);
  }
  return true;
}

void TMyDACQuery::FinishAhead() {
  if (!FAhead || FAhead->Answered) return;
  std::unique_ptr<TAhead> A = std::move(FAhead);
  auto* Found = dynamic_cast<TMyDACDatabase*>(GetDatabase());
  if (!Found) return;  // the database went, and its connection with it
  TMyDACDatabase& Db = *Found;
  Db.SetAhead(nullptr);
  MYSQL* Conn = Db.Handle();
  TPartsRun R;
  const int Rc = mysql_read_query_result(Conn) != 0 ? 1 : 0;
  ReadRoundTrip(Db, Conn, Rc, A->Parts.size(), A->Own ? 1 : 0, R);
  A->Outcome = Conclude(Db, A->Items, A->Parts, A->Own, R);
  A->Answered = true;
  A->Items.clear();
  A->Parts.clear();
  FAhead = std::move(A);
}

void TMyDACQuery::DropAhead() {
  FAhead.reset();
}

TQELQuery::TQueuedOutcome TMyDACQuery::TakeAhead() {
  if (!FAhead) return {};
  FinishAhead();
  const TQueuedOutcome Out = FAhead ? FAhead->Outcome : TQueuedOutcome();
  FAhead.reset();
  return Out;
}

std::unique_ptr<TRowStream> TMyDACQuery::OpenStream(const std::string& SQL,
                                                    const TBoundParams& Params,
                                                    std::vector<TResultColumn>& Columns) {
  (void)Params;  // already written into SQL as literals
  TMyDACDatabase& Db = ConnectedDatabase<TMyDACDatabase>();
  MYSQL* Conn = Db.Handle();
  Db.SettleForOne();
  if (mysql_real_query(Conn, SQL.data(), SQL.size()) != 0) Fail(Db, Conn);
  MYSQL_RES* Res = mysql_use_result(Conn);
  if (!Res) {
    // A statement without rows: a stream that ends at once.
    if (mysql_field_count(Conn) != 0) Fail(Db, Conn);
    DrainResults(Db, Conn);
    return std::make_unique<TMyDACStream>(Db, *this, nullptr);
  }
  ReadColumns(Res, Columns);
  return std::make_unique<TMyDACStream>(Db, *this, Res);
}

TMyDACQuery::~TMyDACQuery() {
  // What was sent ahead is answered before the query goes: the connection stays usable.
  if (FAhead && !FAhead->Answered) {
    try {
      FinishAhead();
    } catch (const std::exception&) {  // the connection is gone: nothing is left to read
    }
    if (auto* Db = dynamic_cast<TMyDACDatabase*>(GetDatabase()); Db && Db->Ahead() == this)
      Db->SetAhead(nullptr);
  }
  DropStream();
}

// ---------------------------------------------------------------------------------------------

TMyDACConnection::TMyDACConnection(TComponent* AOwner)
    : TQELAdapterConnection<TMyDACDatabase, TMyDACQuery>(AOwner, cnMyDAC) {}

void TMyDACConnection::CreateNamedDatabase(const TConnectionOptions& O) {
  std::unique_ptr<MYSQL, void (*)(MYSQL*)> Conn(OpenConnection(O, nullptr), mysql_close);
  const std::string SQL = "CREATE DATABASE " + QuotedStr(O.GetDatabaseName(), '`');
  if (mysql_real_query(Conn.get(), SQL.data(), SQL.size()) != 0)
    throw EDatabaseError(ErrorOf(Conn.get()));
}

bool RegisterMyDACConnection() {
  return RegisterAdapterConnection<TMyDACConnection>("MyDAC");
}

}  // namespace qel
