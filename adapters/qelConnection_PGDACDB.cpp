// The PostgreSQL adapter: connection, transactions, parameters, cursors and result values.
#include "qelConnection_PGDACDB.h"

#include <libpq-fe.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "Text.h"

namespace qel {

namespace {

// Type identifiers of the built-in types (pg_type.oid), fixed across server versions.
constexpr Oid BoolOid = 16, ByteaOid = 17, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, TextOid = 25,
              OidOid = 26, Float4Oid = 700, Float8Oid = 701, DateOid = 1082, TimeOid = 1083,
              TimestampOid = 1114, TimestampTzOid = 1184, TimeTzOid = 1266, NumericOid = 1700,
              BpcharOid = 1042, VarcharOid = 1043;

std::string TrimMessage(const char* Text) {
  return TrimRight(Text ? std::string(Text) : std::string());
}

TFieldType FieldTypeOf(Oid Type) {
  switch (Type) {
    case BoolOid:
      return ftBoolean;
    case ByteaOid:
      return ftBlob;
    case Int8Oid:
    case OidOid:
      return ftLargeint;
    case Int2Oid:
      return ftSmallint;
    case Int4Oid:
      return ftInteger;
    case TextOid:
      return ftMemo;
    case Float4Oid:
    case Float8Oid:
      return ftFloat;
    case NumericOid:
      return ftFMTBcd;
    case DateOid:
      return ftDate;
    case TimeOid:
    case TimeTzOid:
      return ftTime;
    case TimestampOid:
    case TimestampTzOid:
      return ftDateTime;
    default:
      return ftString;
  }
}

/// The type a parameter value is sent as; 0 lets the server infer it from the context, as
/// for a quoted literal (dates may be timestamps with or without zone).
Oid ParamOidOf(TFieldType Type) {
  switch (Type) {
    case ftSmallint:
      return Int2Oid;
    case ftInteger:
      return Int4Oid;
    case ftLargeint:
      return Int8Oid;
    case ftBoolean:
      return BoolOid;
    case ftFloat:
      return Float8Oid;
    case ftFMTBcd:
      return NumericOid;
    case ftDate:
      return DateOid;
    case ftBlob:
      return ByteaOid;
    default:
      return 0;
  }
}

struct TResultFree {
  void operator()(PGresult* R) const { PQclear(R); }
};
using TResultPtr = std::unique_ptr<PGresult, TResultFree>;

/// Raises the server's message unless Result succeeded. A failure that left the connection
/// broken (the server went away or ended the session) is recorded as a loss on Db, with
/// libpq's own words for it.
void CheckResult(PGconn* Conn, const PGresult* Result, TQELDatabase* Db = nullptr) {
  std::string Msg;
  if (!Result) {
    Msg = TrimMessage(PQerrorMessage(Conn));
  } else {
    switch (PQresultStatus(Result)) {
      case PGRES_COMMAND_OK:
      case PGRES_TUPLES_OK:
      case PGRES_EMPTY_QUERY:
        return;
      default:
        Msg = TrimMessage(PQresultErrorMessage(Result));
        if (Msg.empty()) Msg = TrimMessage(PQerrorMessage(Conn));
        break;
    }
  }
  if (Db && PQstatus(Conn) == CONNECTION_BAD) Db->MarkLost(Msg);
  throw EDatabaseError(Msg);
}

void NoticeToLog(void* Arg, const char* Message) {
  auto* Db = static_cast<TPGDACDatabase*>(Arg);
  if (Db->Connection) Db->Connection->DoLogNextLine(TrimMessage(Message));
}

/// Opens a libpq connection from the options (Database overrides the database name).
PGconn* OpenConnection(const TConnectionOptions& O, const std::string& Database) {
  std::vector<std::string> Keys, Values;
  auto Add = [&](const char* Key, const std::string& Value) {
    if (Value.empty()) return;
    Keys.emplace_back(Key);
    Values.push_back(Value);
  };
  Add("host", O.HostName);
  if (O.Port != 0) Add("port", IntToStr(O.Port));
  Add("dbname", Database);
  Add("user", O.UserName);
  Add("password", O.Password);
  Add("client_encoding", "UTF8");
  // Values are read as text: the ISO date form is the one the field types promise.
  Add("options", "-c DateStyle=ISO");
  Add("connect_timeout", "15");
  Add("fallback_application_name", "varnel");
  std::vector<const char*> K, V;
  for (size_t I = 0; I < Keys.size(); ++I) {
    K.push_back(Keys[I].c_str());
    V.push_back(Values[I].c_str());
  }
  K.push_back(nullptr);
  V.push_back(nullptr);
  PGconn* Conn = PQconnectdbParams(K.data(), V.data(), 0);
  if (!Conn) throw EDatabaseError("Out of memory while connecting to PostgreSQL.");
  if (PQstatus(Conn) != CONNECTION_OK) {
    const std::string Msg = TrimMessage(PQerrorMessage(Conn));
    PQfinish(Conn);
    throw EDatabaseError(Msg);
  }
  return Conn;
}

/// The rows (and with Columns the column descriptions) of a result into Result; the bytes of
/// the values read.
std::size_t ReadResult(PGresult* Res, TQueryResult& Result, bool Columns) {
  if (PQresultStatus(Res) != PGRES_TUPLES_OK) {
    const char* Tuples = PQcmdTuples(Res);
    Result.RowsAffected = (Tuples && *Tuples) ? StrToInt64Def(Tuples, -1) : -1;
    return 0;
  }
  std::size_t Bytes = 0;
  const int Cols = PQnfields(Res);
  const int Rows = PQntuples(Res);
  std::vector<Oid> ColTypes(static_cast<size_t>(Cols));
  if (Columns) Result.Columns.resize(static_cast<size_t>(Cols));
  for (int C = 0; C < Cols; ++C) {
    ColTypes[static_cast<size_t>(C)] = PQftype(Res, C);
    if (!Columns) continue;
    TResultColumn& Col = Result.Columns[static_cast<size_t>(C)];
    Col.Name = PQfname(Res, C);
    Col.DataType = FieldTypeOf(PQftype(Res, C));
    const int Mod = PQfmod(Res, C);
    if ((PQftype(Res, C) == VarcharOid || PQftype(Res, C) == BpcharOid) && Mod >= 4)
      Col.Size = Mod - 4;
  }
  Result.Rows.reserve(static_cast<size_t>(Rows));
  for (int Row = 0; Row < Rows; ++Row) {
    TDataSet::TRecord Rec(static_cast<size_t>(Cols));
    for (int C = 0; C < Cols; ++C) {
      TDataSet::TRecordValue& V = Rec[static_cast<size_t>(C)];
      if (PQgetisnull(Res, Row, C)) continue;
      V.IsNull = false;
      const char* Text = PQgetvalue(Res, Row, C);
      const int Length = PQgetlength(Res, Row, C);
      Bytes += static_cast<std::size_t>(Length) + 16;
      const Oid Type = ColTypes[static_cast<size_t>(C)];
      if (Type == ByteaOid) {
        size_t Len = 0;
        std::unique_ptr<unsigned char, void (*)(void*)> Decoded(
            PQunescapeBytea(reinterpret_cast<const unsigned char*>(Text), &Len), PQfreemem);
        if (!Decoded) throw EDatabaseError("Cannot decode a bytea value.");
        V.Data.assign(reinterpret_cast<const char*>(Decoded.get()), Len);
      } else if (Type == BoolOid) {
        V.Data = (Text[0] == 't') ? "True" : "False";
      } else {
        V.Data.assign(Text, static_cast<size_t>(Length));
      }
    }
    Result.Rows.push_back(std::move(Rec));
  }
  Result.RowsAffected = Rows;
  return Bytes;
}

/// Sends SQL with its parameters (large binary values as bytes, the others as text).
TResultPtr SendStatement(PGconn* Conn, const std::string& SQL, const TBoundParams& Params) {
  TResultPtr R;
  if (Params.Distinct.empty()) {
    // Without parameters the text goes as it is, and may hold several statements.
    R.reset(PQexec(Conn, SQL.c_str()));
  } else {
    const size_t N = Params.Distinct.size();
    std::vector<Oid> Types(N);
    std::vector<const char*> Values(N);
    std::vector<int> Lengths(N), Formats(N);
    for (size_t I = 0; I < N; ++I) {
      const TParam& P = *Params.Distinct[I];
      Types[I] = ParamOidOf(P.GetDataType());
      Values[I] = P.IsNull() ? nullptr : P.AsString().data();
      Lengths[I] = static_cast<int>(P.AsString().size());
      // Large binary values travel as their bytes, everything else as text.
      Formats[I] = P.GetDataType() == ftBlob ? 1 : 0;
    }
    R.reset(PQexecParams(Conn, SQL.c_str(), static_cast<int>(N), Types.data(), Values.data(),
                         Lengths.data(), Formats.data(), 0));
  }
  return R;
}

/// Bytes of values a block of a uni-directional query holds, roughly.
constexpr std::size_t BlockBytes = 512u << 10;

}  // namespace

// ---------------------------------------------------------------------------------------------

TPGDACDatabase::~TPGDACDatabase() {
  Disconnect();
}

bool TPGDACDatabase::GetConnected() const {
  return FConn && PQstatus(FConn) == CONNECTION_OK;
}

void TPGDACDatabase::Disconnect() {
  if (FConn) PQfinish(FConn);
  FConn = nullptr;
  ClearLost();
  if (FPending) FPending->FReadAhead = nullptr;
  FPending = nullptr;
  FImplicitCursors = 0;
  FImplicit = false;
  FUserTx = false;
}

void TPGDACDatabase::Connect() {
  const TConnectionOptions& O = ConnectOptions();
  FConn = OpenConnection(O, O.GetDatabaseName());
  PQsetNoticeProcessor(FConn, NoticeToLog, this);
}

void TPGDACDatabase::Settle() {
  TPGDACQuery* Q = FPending;
  if (!Q || !FConn) return;
  FPending = nullptr;
  PGresult* First = PQgetResult(FConn);
  while (PGresult* More = PQgetResult(FConn)) PQclear(More);
  if (Q->FReadAhead) PQclear(Q->FReadAhead);
  // A lost connection leaves no result: the reader reports it when it takes the block.
  Q->FReadAhead = First;
}

void TPGDACDatabase::ExecCommand(const std::string& SQL) {
  if (!GetConnected()) RaiseNotConnected();
  Settle();
  TResultPtr R(PQexec(FConn, SQL.c_str()));
  CheckResult(FConn, R.get(), this);
}

bool TPGDACDatabase::InTransaction() const {
  if (!GetConnected()) return false;
  if (FImplicit) return FUserTx;
  const PGTransactionStatusType S = PQtransactionStatus(FConn);
  return S == PQTRANS_INTRANS || S == PQTRANS_INERROR || S == PQTRANS_ACTIVE;
}

bool TPGDACDatabase::StartReadSnapshot() {
  if (!GetConnected()) RaiseNotConnected();
  Settle();
  if (FImplicit || PQtransactionStatus(FConn) != PQTRANS_IDLE) return false;
  ExecCommand("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
  return true;
}

bool TPGDACDatabase::WorkAwaitsCommit() const {
  return GetConnected() && PQtransactionStatus(FConn) != PQTRANS_IDLE;
}

void TPGDACDatabase::StartTransaction() {
  if (InTransaction()) throw EDatabaseError("A transaction is already active.");
  if (FImplicit) {
    ExecCommand("SAVEPOINT qel_user_tx");
    FUserTx = true;
    return;
  }
  ExecCommand("BEGIN");
}

void TPGDACDatabase::Commit() {
  if (!GetConnected()) RaiseNotConnected();
  if (FImplicit) {
    if (!FUserTx) return;
    FUserTx = false;
    if (PQtransactionStatus(FConn) == PQTRANS_INERROR) {
      ExecCommand("ROLLBACK TO SAVEPOINT qel_user_tx");
      ExecCommand("RELEASE SAVEPOINT qel_user_tx");
      throw EDatabaseError(
          "The transaction was rolled back: a statement in it had failed, so it could not be "
          "committed.");
    }
    ExecCommand("RELEASE SAVEPOINT qel_user_tx");
    return;
  }
  if (PQtransactionStatus(FConn) == PQTRANS_INERROR) {
    ExecCommand("ROLLBACK");
    throw EDatabaseError(
        "The transaction was rolled back: a statement in it had failed, so it could not be "
        "committed.");
  }
  TResultPtr R(PQexec(FConn, "COMMIT"));
  CheckResult(FConn, R.get(), this);
  if (std::string(PQcmdStatus(R.get())) == "ROLLBACK")
    throw EDatabaseError("The server rolled the transaction back instead of committing it.");
}

void TPGDACDatabase::Rollback() {
  if (FImplicit) {
    if (!FUserTx) return;
    FUserTx = false;
    ExecCommand("ROLLBACK TO SAVEPOINT qel_user_tx");
    ExecCommand("RELEASE SAVEPOINT qel_user_tx");
    return;
  }
  ExecCommand("ROLLBACK");
}

std::string TPGDACDatabase::OpenCursor(bool& Implicit) {
  if (!GetConnected()) RaiseNotConnected();
  if (!FImplicit && PQtransactionStatus(FConn) == PQTRANS_IDLE) {
    ExecCommand("BEGIN");
    FImplicit = true;
  }
  Implicit = FImplicit;
  if (Implicit) ++FImplicitCursors;
  return "qel_cursor_" + IntToStr(++FCursorSeq);
}

void TPGDACDatabase::CloseCursor(const std::string& Name, bool Implicit) {
  if (!GetConnected()) return;
  Settle();
  const bool Broken = PQtransactionStatus(FConn) == PQTRANS_INERROR;
  if (!Name.empty() && !Broken) {
    TResultPtr R(PQexec(FConn, ("CLOSE " + Name).c_str()));  // gone with its transaction: fine
  }
  if (!Implicit || !FImplicit || --FImplicitCursors > 0) return;
  FImplicit = false;
  if (FUserTx) {
    // The caller's transaction goes on as a transaction of its own.
    FUserTx = false;
    return;
  }
  ExecCommand(Broken ? "ROLLBACK" : "COMMIT");
}

void TPGDACDatabase::RunStatement(const std::function<void()>& Run) {
  if (!FImplicit || FUserTx) {
    Run();
    return;
  }
  ExecCommand("SAVEPOINT qel_statement");
  try {
    Run();
  } catch (...) {
    TResultPtr R1(PQexec(FConn, "ROLLBACK TO SAVEPOINT qel_statement"));
    TResultPtr R2(PQexec(FConn, "RELEASE SAVEPOINT qel_statement"));
    throw;
  }
  ExecCommand("RELEASE SAVEPOINT qel_statement");
}

// ---------------------------------------------------------------------------------------------

TSQLLexRules TPGDACQuery::LexRules() const {
  TSQLLexRules R;
  R.DollarQuotes = true;
  R.EStrings = true;
  return R;
}

std::string TPGDACQuery::ParamMarker(const TParam& Param, int Index, const std::string& Reference) {
  (void)Param;
  (void)Reference;
  return "$" + IntToStr(Index + 1);
}

TPGDACQuery::~TPGDACQuery() {
  CloseCursor();
}

void TPGDACQuery::CloseCursor() {
  auto* Db = dynamic_cast<TPGDACDatabase*>(GetDatabase());
  if (Db && Db->GetPending() == this) Db->Settle();
  if (FReadAhead) PQclear(FReadAhead);
  FReadAhead = nullptr;
  if (FCursor.empty()) return;
  const std::string Name = FCursor;
  FCursor.clear();
  if (Db) {
    try {
      Db->CloseCursor(Name, FCursorImplicit);
    } catch (const EDatabaseError&) {
      // The connection went away with the cursor; nothing is left to close.
    }
  }
}

void TPGDACQuery::InternalOpen() {
  FOpening = UniDirectional;
  try {
    TQELAdapterQuery::InternalOpen();
  } catch (...) {
    FOpening = false;
    CloseCursor();
    throw;
  }
  FOpening = false;
}

void TPGDACQuery::InternalClose() {
  CloseCursor();
  TQELAdapterQuery::InternalClose();
}

void TPGDACQuery::FetchBlock(TQueryResult& Result) {
  TPGDACDatabase& Db = ConnectedDatabase<TPGDACDatabase>();
  PGconn* Conn = Db.Handle();
  Db.Settle();  // this query's block read ahead, or another query's answer
  TResultPtr R;
  int Asked = FBlockRows;
  if (FReadAhead) {
    R.reset(FReadAhead);
    FReadAhead = nullptr;
    Asked = FReadAheadRows;
  } else {
    R.reset(PQexec(Conn, ("FETCH FORWARD " + IntToStr(Asked) + " FROM " + FCursor).c_str()));
  }
  CheckResult(Conn, R.get(), &Db);
  const std::size_t Bytes = ReadResult(R.get(), Result, Result.Columns.empty());
  const int Rows = PQntuples(R.get());
  if (Rows < Asked) {
    CloseCursor();  // the last block: the cursor (and its transaction) can go
    return;
  }
  const std::size_t PerRow = std::max<std::size_t>(1, Bytes / static_cast<std::size_t>(Rows));
  FBlockRows = static_cast<int>(std::clamp<std::size_t>(BlockBytes / PerRow, 16, 100000));
  // The next block is asked for now: the server reads it while the reader works on this one.
  const std::string Next = "FETCH FORWARD " + IntToStr(FBlockRows) + " FROM " + FCursor;
  if (PQsendQuery(Conn, Next.c_str()) == 1) {
    FReadAheadRows = FBlockRows;
    Db.SetPending(this);
  }
}

TGetResult TPGDACQuery::GetRecord(TGetMode GetMode) {
  const TGetResult R = TQELAdapterQuery::GetRecord(GetMode);
  if (R != grEOF || GetMode != gmNext || FCursor.empty()) return R;
  // The block is read: the next one takes its place, with fresh fields of the same columns.
  TQueryResult Block;
  FetchBlock(Block);
  if (Block.Rows.empty()) return grEOF;
  ClearRecords();
  for (const TResultColumn& C : Block.Columns) AddField(C.Name, C.DataType, C.Size);
  for (TRecord& Row : Block.Rows) AppendRecord(std::move(Row));
  return TQELAdapterQuery::GetRecord(gmNext);
}

void TPGDACQuery::Execute(const std::string& SQL, const TBoundParams& Params,
                          TQueryResult& Result) {
  TPGDACDatabase& Db = ConnectedDatabase<TPGDACDatabase>();
  PGconn* Conn = Db.Handle();
  Db.Settle();
  if (FOpening) {
    // A uni-directional read: the statement becomes a cursor and its first block is read.
    CloseCursor();
    FBlockRows = 1000;
    FCursor = Db.OpenCursor(FCursorImplicit);
    TResultPtr D =
        SendStatement(Conn, "DECLARE " + FCursor + " NO SCROLL CURSOR FOR " + SQL, Params);
    CheckResult(Conn, D.get(), &Db);
    FetchBlock(Result);
    return;
  }
  TResultPtr R;
  Db.RunStatement([&] {
    R = SendStatement(Conn, SQL, Params);
    CheckResult(Conn, R.get(), &Db);
  });
  ReadResult(R.get(), Result, true);
}

// ---------------------------------------------------------------------------------------------

TPGDACConnection::TPGDACConnection(TComponent* AOwner)
    : TQELAdapterConnection<TPGDACDatabase, TPGDACQuery>(AOwner, cnPostgresDAC) {}

void TPGDACConnection::CreateNamedDatabase(const TConnectionOptions& O) {
  std::unique_ptr<PGconn, void (*)(PGconn*)> Conn(OpenConnection(O, "postgres"), PQfinish);
  std::unique_ptr<char, void (*)(void*)> Name(
      PQescapeIdentifier(Conn.get(), O.GetDatabaseName().c_str(), O.GetDatabaseName().size()),
      PQfreemem);
  if (!Name) throw EDatabaseError(TrimMessage(PQerrorMessage(Conn.get())));
  TResultPtr R(PQexec(Conn.get(), ("CREATE DATABASE " + std::string(Name.get())).c_str()));
  CheckResult(Conn.get(), R.get());
}

bool RegisterPGDACConnection() {
  return RegisterAdapterConnection<TPGDACConnection>("PGDAC");
}

}  // namespace qel
