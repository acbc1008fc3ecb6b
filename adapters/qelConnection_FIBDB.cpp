// The Firebird/InterBase adapter: connection, transactions, statements, blobs and value texts.
#include "qelConnection_FIBDB.h"

#include <ibase.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "Text.h"

namespace qel {

struct TFIBHandles {
  isc_db_handle Db = 0;
  isc_tr_handle Tr = 0;
};

namespace {

/// The client library's text for a status vector: every message line it holds.
std::string StatusText(const ISC_STATUS* Status) {
  std::string S;
  char Buf[1024];
  const ISC_STATUS* P = Status;
  while (fb_interpret(Buf, sizeof(Buf), &P) > 0) {
    if (!S.empty()) S += "\n";
    S += Buf;
  }
  return S.empty() ? std::string("Unknown Firebird client error.") : S;
}

bool Failed(const ISC_STATUS* Status) {
  return Status[0] == 1 && Status[1] != 0;
}

/// True when the status vector holds a code that means the attachment is gone: a network
/// failure, a lost connection, or the server or an administrator shutting it down (a row
/// deleted from MON$ATTACHMENTS ends the attachment that way).
bool IsConnectionLoss(const ISC_STATUS* Status) {
  const ISC_STATUS* P = Status;
  while (*P != isc_arg_end) {
    const ISC_STATUS Kind = *P++;
    if (Kind == isc_arg_gds) {
      switch (*P) {
        case isc_network_error:
        case isc_net_read_err:
        case isc_net_write_err:
        case isc_lost_db_connection:
        case isc_conn_lost:
        case isc_shutdown:
        case isc_att_shutdown:
          return true;
        default:
          break;
      }
    }
    P += Kind == isc_arg_cstring ? 2 : 1;
  }
  return false;
}

/// Raises the client's text for a failed status; with Db, a loss of the attachment is
/// recorded on it first.
void Check(const ISC_STATUS* Status, TFIBDatabase* Db = nullptr) {
  if (!Failed(Status)) return;
  const std::string Msg = StatusText(Status);
  if (!Db) throw EDatabaseError(Msg);
  if (IsConnectionLoss(Status)) Db->MarkLost(Msg);
  throw EDatabaseError(Db->FailureText(Msg));
}

/// A descriptor area for N columns or parameters.
struct TSqlda {
  explicit TSqlda(int N) { Resize(N); }
  TSqlda(const TSqlda&) = delete;
  TSqlda& operator=(const TSqlda&) = delete;
  ~TSqlda() { std::free(Area); }
  void Resize(int N) {
    if (N < 1) N = 1;
    std::free(Area);
    Area = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(N)));
    if (!Area) throw EDatabaseError("Out of memory.");
    Area->version = SQLDA_VERSION1;
    Area->sqln = static_cast<short>(N);
  }
  XSQLDA* Area = nullptr;
};

/// Frees a prepared statement when the run ends.
struct TStatementGuard {
  isc_stmt_handle Stmt = 0;
  ~TStatementGuard() {
    ISC_STATUS_ARRAY St;
    if (Stmt) isc_dsql_free_statement(St, &Stmt, DSQL_drop);
  }
};

std::string ScaledText(std::int64_t Value, int Scale) {
  const bool Negative = Value < 0;
  std::uint64_t Abs = Negative ? ~static_cast<std::uint64_t>(Value) + 1 : Value;
  std::string Digits = std::to_string(Abs);
  if (Scale < 0) {
    const size_t Places = static_cast<size_t>(-Scale);
    if (Digits.size() <= Places) Digits.insert(0, Places - Digits.size() + 1, '0');
    Digits.insert(Digits.size() - Places, 1, '.');
  } else {
    Digits.append(static_cast<size_t>(Scale), '0');
  }
  return Negative ? "-" + Digits : Digits;
}

/// ".ffff" for a time of day in 1/10000 seconds, trailing zeros dropped; "" for none.
std::string FractionText(ISC_TIME Time) {
  const unsigned Fraction = Time % 10000;
  if (Fraction == 0) return std::string();
  char Buf[8];
  std::snprintf(Buf, sizeof(Buf), ".%04u", Fraction);
  std::string S(Buf);
  while (S.back() == '0') S.pop_back();
  return S;
}

std::string DateText(const std::tm& T) {
  char Buf[32];
  std::snprintf(Buf, sizeof(Buf), "%04d-%02d-%02d", T.tm_year + 1900, T.tm_mon + 1, T.tm_mday);
  return Buf;
}

std::string TimeText(const std::tm& T) {
  char Buf[32];
  std::snprintf(Buf, sizeof(Buf), "%02d:%02d:%02d", T.tm_hour, T.tm_min, T.tm_sec);
  return Buf;
}

constexpr short CharsetOctets = 1;

TFieldType FieldTypeOf(const XSQLVAR& V) {
  switch (V.sqltype & ~1) {
    case SQL_TEXT:
    case SQL_VARYING:
      return (V.sqlsubtype & 0xFF) == CharsetOctets ? ftBlob : ftString;
    case SQL_SHORT:
      return V.sqlscale < 0 ? ftFMTBcd : ftSmallint;
    case SQL_LONG:
      return V.sqlscale < 0 ? ftFMTBcd : ftInteger;
    case SQL_INT64:
      return V.sqlscale < 0 ? ftFMTBcd : ftLargeint;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return ftFloat;
    case SQL_TIMESTAMP:
      return ftDateTime;
    case SQL_TYPE_DATE:
      return ftDate;
    case SQL_TYPE_TIME:
      return ftTime;
    case SQL_BLOB:
      return V.sqlsubtype == 1 ? ftMemo : ftBlob;
    case SQL_BOOLEAN:
      return ftBoolean;
    default:
      return ftUnknown;
  }
}

/// Bytes a value of the variable's type takes in its buffer.
size_t BufferSize(const XSQLVAR& V) {
  switch (V.sqltype & ~1) {
    case SQL_VARYING:
      return static_cast<size_t>(V.sqllen) + 2;
    case SQL_TEXT:
      return static_cast<size_t>(V.sqllen);
    case SQL_BLOB:
    case SQL_ARRAY:
      return sizeof(ISC_QUAD);
    case SQL_NULL:
      return 1;
    default:
      return V.sqllen > 0 ? static_cast<size_t>(V.sqllen) : 8;
  }
}

std::string ReadBlob(isc_db_handle& Db, isc_tr_handle& Tr, ISC_QUAD Id) {
  ISC_STATUS_ARRAY St;
  isc_blob_handle Blob = 0;
  isc_open_blob2(St, &Db, &Tr, &Blob, &Id, 0, nullptr);
  Check(St);
  std::string Data;
  std::vector<char> Buf(32768);
  for (;;) {
    unsigned short Got = 0;
    const ISC_STATUS Rc =
        isc_get_segment(St, &Blob, &Got, static_cast<unsigned short>(Buf.size()), Buf.data());
    if (Rc == 0 || St[1] == isc_segment) {
      Data.append(Buf.data(), Got);
    } else if (St[1] == isc_segstr_eof) {
      break;
    } else {
      const std::string Msg = StatusText(St);
      isc_close_blob(St, &Blob);
      throw EDatabaseError(Msg);
    }
  }
  isc_close_blob(St, &Blob);
  return Data;
}

ISC_QUAD WriteBlob(isc_db_handle& Db, isc_tr_handle& Tr, const std::string& Data,
                   TFIBDatabase* Owner) {
  ISC_STATUS_ARRAY St;
  isc_blob_handle Blob = 0;
  ISC_QUAD Id{};
  isc_create_blob2(St, &Db, &Tr, &Blob, &Id, 0, nullptr);
  Check(St, Owner);
  const size_t Chunk = 32768;
  for (size_t Off = 0; Off < Data.size(); Off += Chunk) {
    const size_t N = std::min(Chunk, Data.size() - Off);
    if (isc_put_segment(St, &Blob, static_cast<unsigned short>(N), Data.data() + Off)) {
      const std::string Msg = StatusText(St);
      isc_cancel_blob(St, &Blob);
      throw EDatabaseError(Msg);
    }
  }
  isc_close_blob(St, &Blob);
  Check(St, Owner);
  return Id;
}

/// One value of an output variable as the text the field types promise, into R (whose text
/// buffer an earlier row may have left).
void ReadValue(isc_db_handle& Db, isc_tr_handle& Tr, const XSQLVAR& V, TDataSet::TRecordValue& R) {
  R.IsNull = true;
  R.Data.clear();
  if ((V.sqltype & 1) && *V.sqlind == -1) return;
  R.IsNull = false;
  const char* D = V.sqldata;
  std::tm T{};
  switch (V.sqltype & ~1) {
    case SQL_TEXT:
      R.Data.assign(D, static_cast<size_t>(V.sqllen));
      break;
    case SQL_VARYING: {
      unsigned short Len = 0;
      std::memcpy(&Len, D, sizeof(Len));
      R.Data.assign(D + 2, Len);
      break;
    }
    case SQL_SHORT: {
      std::int16_t X;
      std::memcpy(&X, D, sizeof(X));
      R.Data = ScaledText(X, V.sqlscale);
      break;
    }
    case SQL_LONG: {
      std::int32_t X;
      std::memcpy(&X, D, sizeof(X));
      R.Data = ScaledText(X, V.sqlscale);
      break;
    }
    case SQL_INT64: {
      std::int64_t X;
      std::memcpy(&X, D, sizeof(X));
      R.Data = ScaledText(X, V.sqlscale);
      break;
    }
    case SQL_FLOAT: {
      float X;
      std::memcpy(&X, D, sizeof(X));
      R.Data = ShortestFloatText(X);
      break;
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
      double X;
      std::memcpy(&X, D, sizeof(X));
      R.Data = ShortestFloatText(X);
      break;
    }
    case SQL_TIMESTAMP: {
      ISC_TIMESTAMP X;
      std::memcpy(&X, D, sizeof(X));
      isc_decode_timestamp(&X, &T);
      R.Data = DateText(T) + " " + TimeText(T) + FractionText(X.timestamp_time);
      break;
    }
    case SQL_TYPE_DATE: {
      ISC_DATE X;
      std::memcpy(&X, D, sizeof(X));
      isc_decode_sql_date(&X, &T);
      R.Data = DateText(T);
      break;
    }
    case SQL_TYPE_TIME: {
      ISC_TIME X;
      std::memcpy(&X, D, sizeof(X));
      isc_decode_sql_time(&X, &T);
      R.Data = TimeText(T) + FractionText(X);
      break;
    }
    case SQL_BLOB: {
      ISC_QUAD X;
      std::memcpy(&X, D, sizeof(X));
      R.Data = ReadBlob(Db, Tr, X);
      break;
    }
    case SQL_BOOLEAN:
      R.Data = *D ? "True" : "False";
      break;
    case SQL_NULL:
      R.IsNull = true;
      break;
    default:
      throw EDatabaseError("Column " + std::string(V.aliasname, V.aliasname_length) +
                           " has a type this adapter cannot read (" + IntToStr(V.sqltype & ~1) +
                           ").");
  }
}

/// The statement's kind (isc_info_sql_stmt_*).
int StatementType(isc_stmt_handle& Stmt, TFIBDatabase& Db) {
  ISC_STATUS_ARRAY St;
  const char Item = isc_info_sql_stmt_type;
  char Buf[16] = {};
  isc_dsql_sql_info(St, &Stmt, 1, &Item, sizeof(Buf), Buf);
  Check(St, &Db);
  if (Buf[0] != isc_info_sql_stmt_type) return 0;
  const short Len = static_cast<short>(isc_vax_integer(Buf + 1, 2));
  return static_cast<int>(isc_vax_integer(Buf + 3, Len));
}

/// Rows inserted, updated and deleted by the last execution; -1 when the server did not say.
std::int64_t RowsChanged(isc_stmt_handle& Stmt) {
  ISC_STATUS_ARRAY St;
  const char Item = isc_info_sql_records;
  char Buf[64] = {};
  isc_dsql_sql_info(St, &Stmt, 1, &Item, sizeof(Buf), Buf);
  if (Failed(St) || Buf[0] != isc_info_sql_records) return -1;
  std::int64_t Total = 0;
  const char* P = Buf + 3;
  while (P < Buf + sizeof(Buf) && *P != isc_info_end) {
    const char Kind = *P++;
    const short Len = static_cast<short>(isc_vax_integer(P, 2));
    P += 2;
    const ISC_LONG Count = isc_vax_integer(P, Len);
    P += Len;
    if (Kind == isc_info_req_insert_count || Kind == isc_info_req_update_count ||
        Kind == isc_info_req_delete_count)
      Total += Count;
  }
  return Total;
}

/// Read-only and consistent: every query sees the database as it was when it began.
const char SnapshotTpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_concurrency, isc_tpb_nowait};

/// Starts a transaction of Db's attachment with the parameter block Tpb into Tr.
void StartTransactionOn(TFIBDatabase& Db, isc_tr_handle& Tr, const char* Tpb, size_t Size) {
  ISC_STATUS_ARRAY St;
  isc_start_transaction(St, &Tr, 1, &Db.Handles().Db, static_cast<unsigned short>(Size), Tpb);
  if (Failed(St)) {
    Tr = 0;
    Check(St, &Db);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TFIBDatabase::TFIBDatabase(TComponent* AOwner)
    : TQELAdapterDatabase(AOwner), FHandles(std::make_unique<TFIBHandles>()) {}

TFIBDatabase::~TFIBDatabase() {
  Disconnect();
}

bool TFIBDatabase::GetConnected() const {
  return FHandles->Db != 0 && !GetConnectionLost();
}

unsigned short TFIBDatabase::Dialect() const {
  const int D = Connection ? Connection->GetIBServerOptions().GetSQLDialect() : 3;
  return static_cast<unsigned short>(D >= 1 && D <= 3 ? D : 3);
}

void TFIBDatabase::Connect() {
  const TConnectionOptions& O = ConnectOptions();
  std::string CharSet = Connection->GetIBServerOptions().GetDBCharSet();
  if (CharSet.empty()) CharSet = "UTF8";
  std::string Dpb(1, static_cast<char>(isc_dpb_version1));
  auto Add = [&Dpb](char Tag, const std::string& Value) {
    if (Value.empty()) return;
    if (Value.size() > 255) throw EDatabaseError("A connection parameter is too long.");
    Dpb += Tag;
    Dpb += static_cast<char>(Value.size());
    Dpb += Value;
  };
  Add(isc_dpb_user_name, O.UserName);
  Add(isc_dpb_password, O.Password);
  Add(isc_dpb_sql_role_name, O.RoleName);
  Add(isc_dpb_lc_ctype, CharSet);
  const std::string Path = IBDatabaseConnectionString(O);
  ISC_STATUS_ARRAY St;
  isc_attach_database(St, 0, Path.c_str(), &FHandles->Db, static_cast<short>(Dpb.size()),
                      Dpb.data());
  if (Failed(St)) {
    FHandles->Db = 0;
    throw EDatabaseError(StatusText(St));
  }
}

void TFIBDatabase::RollbackQuietly() {
  // The client can wait for ever on a rollback or detach over an attachment the server has
  // ended: a lost one's handles are let go without a call (the server rolls back itself).
  ISC_STATUS_ARRAY St;
  if (FHandles->Tr && !GetConnectionLost()) isc_rollback_transaction(St, &FHandles->Tr);
  FHandles->Tr = 0;
}

void TFIBDatabase::CutConnection() {
  // The client's own abort: it closes its end of the attachment, and the call waiting on it
  // returns with a network error even when the server no longer answers.
  ISC_STATUS_ARRAY St;
  fb_cancel_operation(St, &FHandles->Db, fb_cancel_abort);
}

void TFIBDatabase::Disconnect() {
  Unregister();
  AwaitReadAhead();
  EndStreams(false);
  RollbackQuietly();
  FExplicit = false;
  if (FHandles->Db && !GetConnectionLost()) {
    ISC_STATUS_ARRAY St;
    isc_detach_database(St, &FHandles->Db);
  }
  FHandles->Db = 0;
  ClearLost();
}

void TFIBDatabase::StartTr() {
  if (!GetConnected()) RaiseNotConnected();
  // Read committed, no waiting: a lock conflict is reported at once instead of hanging.
  static const char Tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                             isc_tpb_rec_version, isc_tpb_nowait};
  StartTransactionOn(*this, FHandles->Tr, Tpb, sizeof(Tpb));
}

void TFIBDatabase::StartTransaction() {
  if (FExplicit) throw EDatabaseError("A transaction is already active.");
  StartTr();
  FExplicit = true;
}

bool TFIBDatabase::StartReadSnapshot() {
  if (FExplicit || FHandles->Tr) return false;
  if (!GetConnected()) RaiseNotConnected();
  StartTransactionOn(*this, FHandles->Tr, SnapshotTpb, sizeof(SnapshotTpb));
  FExplicit = true;
  return true;
}

void TFIBDatabase::AddStream(TQELAdapterQuery& Query, bool InCallerTr) {
  FStreams.push_back({&Query, InCallerTr});
}

void TFIBDatabase::RemoveStream(TQELAdapterQuery& Query) {
  for (auto It = FStreams.begin(); It != FStreams.end(); ++It)
    if (It->Query == &Query) {
      FStreams.erase(It);
      return;
    }
}

void TFIBDatabase::EndStreams(bool Spill) {
  // Each query leaves the list as its stream goes.
  const std::vector<TStream> Streams = FStreams;
  for (const TStream& S : Streams) {
    if (!Spill)
      S.Query->DropStream();
    else if (S.InCallerTr)
      S.Query->SpillStream();
  }
}

void TFIBDatabase::Commit() {
  if (!FHandles->Tr) throw EDatabaseError("No transaction is active.");
  EndStreams(true);
  ISC_STATUS_ARRAY St;
  isc_commit_transaction(St, &FHandles->Tr);
  Check(St, this);  // the transaction stays active for the caller's rollback
  FHandles->Tr = 0;
  FExplicit = false;
}

void TFIBDatabase::Rollback() {
  if (FHandles->Tr) EndStreams(true);
  FExplicit = false;
  if (!FHandles->Tr) return;
  if (GetConnectionLost()) return RollbackQuietly();
  ISC_STATUS_ARRAY St;
  isc_rollback_transaction(St, &FHandles->Tr);
  if (Failed(St)) {
    const std::string Msg = StatusText(St);
    FHandles->Tr = 0;
    throw EDatabaseError(Msg);
  }
  FHandles->Tr = 0;
}

bool TFIBDatabase::BeginStatement() {
  if (FHandles->Tr) return false;
  StartTr();
  return true;
}

void TFIBDatabase::EndStatement(bool Began, bool Succeeded) {
  if (!Began) return;
  if (!Succeeded) {
    RollbackQuietly();
    return;
  }
  ISC_STATUS_ARRAY St;
  isc_commit_transaction(St, &FHandles->Tr);
  if (Failed(St)) {
    if (IsConnectionLoss(St)) MarkLost(StatusText(St));
    const std::string Msg = StatusText(St);
    RollbackQuietly();
    throw EDatabaseError(Msg);
  }
  FHandles->Tr = 0;
}

// ---------------------------------------------------------------------------------------------

std::string TFIBQuery::ParamMarker(const TParam& Param, int Index, const std::string& Reference) {
  (void)Param;
  (void)Reference;
  (void)Index;
  return "?";
}

namespace {

/// One statement prepared in the transaction Tr, with its parameter values bound (the server
/// describes each marker; values go as text for it to convert, large values as blobs, booleans
/// as booleans) and its output buffers (8-byte aligned) described as Columns.
class TFIBStatement {
 public:
  TFIBStatement(TFIBDatabase& Db, isc_tr_handle& Tr, const std::string& SQL,
                const TBoundParams& Params, std::vector<TResultColumn>& Columns)
      : FDb(Db), FTr(Tr), FDialect(Db.Dialect()) {
    TFIBHandles& H = Db.Handles();
    ISC_STATUS_ARRAY St;
    isc_dsql_allocate_statement(St, &H.Db, &FGuard.Stmt);
    Check(St, &Db);
    isc_dsql_prepare(St, &FTr, &FGuard.Stmt, 0, SQL.c_str(), FDialect, FOut.Area);
    Check(St, &Db);
    if (FOut.Area->sqld > FOut.Area->sqln) {
      FOut.Resize(FOut.Area->sqld);
      isc_dsql_describe(St, &FGuard.Stmt, SQLDA_VERSION1, FOut.Area);
      Check(St, &Db);
    }
    FType = StatementType(FGuard.Stmt, Db);
    BindParams(Params);
    DescribeOutput(Columns);
  }

  /// A SELECT with columns: its rows are fetched one by one after Execute.
  bool Selects() const {
    return FOut.Area->sqld > 0 &&
           (FType == isc_info_sql_stmt_select || FType == isc_info_sql_stmt_select_for_upd);
  }
  /// EXECUTE PROCEDURE with output: its one row comes with ExecuteProcedure.
  bool ReturnsOneRow() const {
    return FType == isc_info_sql_stmt_exec_procedure && FOut.Area->sqld > 0;
  }

  void Execute() {
    ISC_STATUS_ARRAY St;
    isc_dsql_execute(St, &FTr, &FGuard.Stmt, FDialect, InArea());
    Check(St, &FDb);
  }
  void ExecuteProcedure(TDataSet::TRecord& Row) {
    ISC_STATUS_ARRAY St;
    isc_dsql_execute2(St, &FTr, &FGuard.Stmt, FDialect, InArea(), FOut.Area);
    Check(St, &FDb);
    ReadRow(Row);
  }
  /// The next row of a SELECT; False after the last.
  bool Fetch(TDataSet::TRecord& Row) {
    ISC_STATUS_ARRAY St;
    if (isc_dsql_fetch(St, &FGuard.Stmt, SQLDA_VERSION1, FOut.Area) == 100) return false;
    Check(St, &FDb);
    ReadRow(Row);
    return true;
  }
  std::int64_t Changed() { return RowsChanged(FGuard.Stmt); }

 private:
  XSQLDA* InArea() { return FInInd.empty() ? nullptr : FIn.Area; }

  void BindParams(const TBoundParams& Params) {
    ISC_STATUS_ARRAY St;
    TFIBHandles& H = FDb.Handles();
    FIn.Resize(static_cast<int>(Params.Refs.size()));
    isc_dsql_describe_bind(St, &FGuard.Stmt, SQLDA_VERSION1, FIn.Area);
    Check(St, &FDb);
    if (FIn.Area->sqld > FIn.Area->sqln) {
      FIn.Resize(FIn.Area->sqld);
      isc_dsql_describe_bind(St, &FGuard.Stmt, SQLDA_VERSION1, FIn.Area);
      Check(St, &FDb);
    }
    if (static_cast<size_t>(FIn.Area->sqld) != Params.Refs.size())
      throw EDatabaseError("The statement has " + IntToStr(FIn.Area->sqld) +
                           " parameter markers but " + IntToStr(Params.Refs.size()) +
                           " values were given.");
    const size_t NIn = Params.Refs.size();
    FInInd.assign(NIn, 0);
    FBlobIds.assign(NIn, ISC_QUAD{});
    FBools.assign(NIn, 0);
    FDoubles.assign(NIn, 0.0);
    static char Empty = 0;
    for (size_t I = 0; I < NIn; ++I) {
      XSQLVAR& V = FIn.Area->sqlvar[I];
      const TParam& P = *Params.Refs[I];
      const short Described = static_cast<short>(V.sqltype & ~1);
      V.sqlind = &FInInd[I];
      if (P.IsNull()) {
        FInInd[I] = -1;
        V.sqltype = SQL_TEXT | 1;
        V.sqllen = 0;
        V.sqldata = &Empty;
        continue;
      }
      if (Described == SQL_BLOB) {
        FBlobIds[I] = WriteBlob(H.Db, FTr, P.AsString(), &FDb);
        V.sqltype = SQL_BLOB | 1;
        V.sqldata = reinterpret_cast<char*>(&FBlobIds[I]);
        continue;
      }
      if (Described == SQL_BOOLEAN) {
        FBools[I] = P.AsBoolean() ? 1 : 0;
        V.sqltype = SQL_BOOLEAN | 1;
        V.sqldata = &FBools[I];
        continue;
      }
      // A float goes as its binary value: the server's reading of a number's text is off by
      // one step for some values (1.8571428571428572 becomes 1.857142857142857).
      if ((Described == SQL_DOUBLE || Described == SQL_FLOAT || Described == SQL_D_FLOAT) &&
          P.GetDataType() == ftFloat) {
        const std::string& T = P.AsString();
        double D = 0;
        const auto [End, Ec] = std::from_chars(T.data(), T.data() + T.size(), D);
        if (Ec == std::errc() && End == T.data() + T.size()) {
          FDoubles[I] = D;
          V.sqltype = SQL_DOUBLE | 1;
          V.sqlscale = 0;
          V.sqllen = sizeof(double);
          V.sqldata = reinterpret_cast<char*>(&FDoubles[I]);
          continue;
        }
      }
      const std::string& Text = P.AsString();
      if (Text.size() > 32767)
        throw EDatabaseError("A parameter value longer than 32767 bytes needs a BLOB column.");
      if (Described != SQL_TEXT && Described != SQL_VARYING) V.sqlsubtype = 0;
      V.sqltype = SQL_TEXT | 1;
      V.sqlscale = 0;
      V.sqllen = static_cast<short>(Text.size());
      V.sqldata = Text.empty() ? &Empty : const_cast<char*>(Text.data());
    }
  }

  void DescribeOutput(std::vector<TResultColumn>& Columns) {
    const int NOut = FOut.Area->sqld;
    FBuffers.assign(static_cast<size_t>(NOut), {});
    FOutInd.assign(static_cast<size_t>(NOut), 0);
    Columns.clear();
    for (int C = 0; C < NOut; ++C) {
      XSQLVAR& V = FOut.Area->sqlvar[C];
      FBuffers[static_cast<size_t>(C)].assign((BufferSize(V) + 7) / 8 + 1, 0);
      V.sqldata = reinterpret_cast<char*>(FBuffers[static_cast<size_t>(C)].data());
      V.sqlind = &FOutInd[static_cast<size_t>(C)];
      TResultColumn Col;
      Col.Name.assign(V.aliasname, static_cast<size_t>(V.aliasname_length));
      Col.DataType = FieldTypeOf(V);
      Col.Size = V.sqllen;
      Columns.push_back(Col);
    }
  }

  void ReadRow(TDataSet::TRecord& Row) {
    const int NOut = FOut.Area->sqld;
    Row.resize(static_cast<size_t>(NOut));
    for (int C = 0; C < NOut; ++C)
      ReadValue(FDb.Handles().Db, FTr, FOut.Area->sqlvar[C], Row[static_cast<size_t>(C)]);
  }

  TFIBDatabase& FDb;
  isc_tr_handle& FTr;
  const unsigned short FDialect;
  TStatementGuard FGuard;
  TSqlda FOut{8};
  TSqlda FIn{1};
  int FType = 0;
  std::vector<short> FInInd;
  std::vector<ISC_QUAD> FBlobIds;
  std::vector<char> FBools;
  std::vector<double> FDoubles;
  std::vector<std::vector<std::int64_t>> FBuffers;
  std::vector<short> FOutInd;
};

/// Runs one statement inside the current transaction, its rows read whole.
void RunStatement(TFIBDatabase& Db, const std::string& SQL, const TBoundParams& Params,
                  TQueryResult& Result) {
  TFIBStatement S(Db, Db.Handles().Tr, SQL, Params, Result.Columns);
  if (S.ReturnsOneRow()) {
    TDataSet::TRecord Row;
    S.ExecuteProcedure(Row);
    Result.Rows.push_back(std::move(Row));
    return;
  }
  S.Execute();
  if (S.Selects()) {
    TDataSet::TRecord Row;
    while (S.Fetch(Row)) Result.Rows.push_back(std::move(Row));
    Result.RowsAffected = static_cast<std::int64_t>(Result.Rows.size());
    return;
  }
  Result.Columns.clear();
  Result.RowsAffected = S.Changed();
}

/// A SELECT whose rows the client fetches one by one as the reader moves on. Inside the
/// caller's transaction it reads there; else in a read-only snapshot of its own, so that the
/// caller's statements meanwhile commit each on its own and the rows still to come are those
/// of the moment the query was opened.
class TFIBStream : public TRowStream {
 public:
  TFIBStream(TFIBDatabase& Db, TQELAdapterQuery& Owner) : FDb(Db), FOwner(Owner) {
    FOwnTr = !Db.InTransaction();
    if (FOwnTr) StartTransactionOn(FDb, FTr, SnapshotTpb, sizeof(SnapshotTpb));
    FDb.AddStream(FOwner, !FOwnTr);
  }
  ~TFIBStream() override { Close(false); }

  /// Prepares SQL; False when it is no SELECT (nothing was run).
  bool Open(const std::string& SQL, const TBoundParams& Params,
            std::vector<TResultColumn>& Columns) {
    FStatement = std::make_unique<TFIBStatement>(FDb, Tr(), SQL, Params, Columns);
    if (!FStatement->Selects()) return false;
    FStatement->Execute();
    return true;
  }

  // No reading ahead on a thread of our own: the client library takes locks of its own on
  // every call, and two readers at once made a comparison slower, not faster.
  bool Fetch(TDataSet::TRecord& Row) override {
    if (!FStatement) return false;
    try {
      if (FStatement->Fetch(Row)) return true;
    } catch (...) {
      Close(false);
      throw;
    }
    Close(true);
    return false;
  }

 private:
  isc_tr_handle& Tr() { return FOwnTr ? FTr : FDb.Handles().Tr; }
  void Close(bool Read) {
    FStatement.reset();
    if (FOwnTr && FTr) {
      ISC_STATUS_ARRAY St;
      if (Read) isc_commit_transaction(St, &FTr);
      if ((!Read || Failed(St)) && !FDb.GetConnectionLost()) isc_rollback_transaction(St, &FTr);
      FTr = 0;
    }
    FDb.RemoveStream(FOwner);
  }

  TFIBDatabase& FDb;
  TQELAdapterQuery& FOwner;
  bool FOwnTr = false;
  isc_tr_handle FTr = 0;
  std::unique_ptr<TFIBStatement> FStatement;
};

}  // namespace

std::unique_ptr<TRowStream> TFIBQuery::OpenStream(const std::string& SQL,
                                                  const TBoundParams& Params,
                                                  std::vector<TResultColumn>& Columns) {
  TFIBDatabase& Db = ConnectedDatabase<TFIBDatabase>();
  auto S = std::make_unique<TFIBStream>(Db, *this);
  if (!S->Open(SQL, Params, Columns)) {
    Columns.clear();
    return nullptr;
  }
  return S;
}

TFIBQuery::~TFIBQuery() {
  DropStream();
}

void TFIBQuery::Execute(const std::string& SQL, const TBoundParams& Params, TQueryResult& Result) {
  TFIBDatabase& Db = ConnectedDatabase<TFIBDatabase>();
  const bool Began = Db.BeginStatement();
  try {
    RunStatement(Db, SQL, Params, Result);
  } catch (...) {
    Db.EndStatement(Began, false);
    throw;
  }
  Db.EndStatement(Began, true);
}

TQELQuery::TQueuedOutcome TFIBQuery::ExecuteQueued(const std::vector<TQueued>& Items) {
  TFIBDatabase& Db = ConnectedDatabase<TFIBDatabase>();
  // Outside the caller's transaction the statements run in one of their own, committed after
  // them (or after the ones before a refused one: the server undoes a failed statement alone):
  // one commit, not one per statement.
  const bool Began = Db.BeginStatement();
  TQueuedOutcome Out;
  try {
    for (const TQueued& Q : Items) {
      TQueryResult Result;
      try {
        RunStatement(Db, Q.Sent(), Q.Bound(), Result);
      } catch (const std::exception& E) {
        if (Db.GetConnectionLost()) throw;
        Out.Refused = true;
        Out.Error = E.what();
        break;
      }
      // A change that met no row (a row gone meanwhile, a view trigger that wrote none).
      if (Result.RowsAffected == 0) Out.Unmade.push_back(Out.Done);
      ++Out.Done;
    }
  } catch (...) {
    Db.EndStatement(Began, false);
    throw;
  }
  Db.EndStatement(Began, true);
  return Out;
}

// ---------------------------------------------------------------------------------------------

TFIBConnection::TFIBConnection(TComponent* AOwner)
    : TQELAdapterConnection<TFIBDatabase, TFIBQuery>(AOwner, cnFIB) {
  SetDatabaseType(dbInterBase);
}

void TFIBConnection::CreateNamedDatabase(const TConnectionOptions& Options) {
  TQELCustomConnection* C = GetConnection();
  TConnectionOptions O;
  O.Assign(Options);
  O.SetDatabaseName(IBDatabaseConnectionString(O));
  const std::string SQL = C->GetIBServerOptions().CreateDatabaseDef(O);
  const int D = C->GetIBServerOptions().GetSQLDialect();
  ISC_STATUS_ARRAY St;
  isc_db_handle Db = 0;
  isc_tr_handle Tr = 0;
  isc_dsql_execute_immediate(St, &Db, &Tr, 0, SQL.c_str(),
                             static_cast<unsigned short>(D >= 1 && D <= 3 ? D : 3), nullptr);
  if (Failed(St)) throw EDatabaseError(StatusText(St));
  isc_detach_database(St, &Db);
}

bool RegisterFIBConnection() {
  return RegisterAdapterConnection<TFIBConnection>("FIB");
}

}  // namespace qel
