// The PostgreSQL adapter: connection, transactions, parameters, cursors and result values.
#include "qelConnection_PGDACDB.h"

#include <libpq-fe.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "Text.h"

namespace qel {

std::size_t TPGDACDatabase::LargeValuePiece = 8u << 20;

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
void CheckResult(PGconn* Conn, const PGresult* Result, TPGDACDatabase* Db = nullptr) {
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
  if (!Db) throw EDatabaseError(Msg);
  if (PQstatus(Conn) == CONNECTION_BAD) Db->MarkLost(Msg);
  throw EDatabaseError(Db->FailureText(Msg));
}

void NoticeToLog(void* Arg, const char* Message) {
  static_cast<TPGDACDatabase*>(Arg)->Notice(TrimMessage(Message));
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

/// The column descriptions of a result.
void ReadColumns(PGresult* Res, std::vector<TResultColumn>& Columns) {
  const int Cols = PQnfields(Res);
  Columns.resize(static_cast<size_t>(Cols));
  for (int C = 0; C < Cols; ++C) {
    TResultColumn& Col = Columns[static_cast<size_t>(C)];
    Col.Name = PQfname(Res, C);
    Col.DataType = FieldTypeOf(PQftype(Res, C));
    const int Mod = PQfmod(Res, C);
    if ((PQftype(Res, C) == VarcharOid || PQftype(Res, C) == BpcharOid) && Mod >= 4)
      Col.Size = Mod - 4;
    else if (PQftype(Res, C) == Float4Oid || PQftype(Res, C) == Float8Oid)
      Col.Size = PQftype(Res, C) == Float4Oid ? 4 : 8;
    else if (Col.DataType == ftTime || Col.DataType == ftDateTime)
      Col.Scale = Mod >= 0 ? Mod : 6;  // without a declared precision: microseconds
  }
}

/// The bytes of a bytea value in the server's hex text form ("\\x0a1b...") into To, without a
/// copy of them in between; False when the text is not of that form.
bool DecodeHexBytea(const char* Text, std::size_t Len, std::string& To) {
  if (Len < 2 || Text[0] != '\\' || Text[1] != 'x' || Len % 2 != 0) return false;
  auto Nibble = [](char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
  };
  const std::size_t N = (Len - 2) / 2;
  if (To.capacity() > 2 * N + (1u << 20)) std::string().swap(To);  // not held past its value
  To.resize(N);
  for (std::size_t I = 0; I < N; ++I) {
    const int Hi = Nibble(Text[2 + 2 * I]), Lo = Nibble(Text[3 + 2 * I]);
    if (Hi < 0 || Lo < 0) return false;
    To[I] = static_cast<char>((Hi << 4) | Lo);
  }
  return true;
}

/// Row Row of a result into Rec, one value per column (the buffers of the values Rec held
/// serve again); Cols, when given, the columns to read, the first ones of the result. Types, when
/// given, are the columns' own types where the result carries them as text or bytes (a binary
/// cursor over them): a column sent in binary format holds the bytes of a bytea or the text of any
/// other type.
void ReadRow(PGresult* Res, int Row, TDataSet::TRecord& Rec,
             const std::vector<Oid>* Types = nullptr, int Cols = -1) {
  if (Cols < 0) Cols = PQnfields(Res);
  Rec.resize(static_cast<size_t>(Cols));
  for (int C = 0; C < Cols; ++C) {
    TDataSet::TRecordValue& V = Rec[static_cast<size_t>(C)];
    V.IsNull = PQgetisnull(Res, Row, C) != 0;
    if (V.IsNull) {
      V.Data.clear();
      continue;
    }
    const char* Text = PQgetvalue(Res, Row, C);
    const auto Len = static_cast<size_t>(PQgetlength(Res, Row, C));
    const Oid Type = Types ? (*Types)[static_cast<size_t>(C)] : PQftype(Res, C);
    if (Type == BoolOid) {
      // "t" as text, "true" where a binary cursor carries it cast to text.
      V.Data = (Text[0] == 't') ? "True" : "False";
    } else if (Type == ByteaOid && PQfformat(Res, C) == 0) {
      if (DecodeHexBytea(Text, Len, V.Data)) continue;
      // The escape form of a session that asks for it.
      size_t Bytes = 0;
      std::unique_ptr<unsigned char, void (*)(void*)> Decoded(
          PQunescapeBytea(reinterpret_cast<const unsigned char*>(Text), &Bytes), PQfreemem);
      if (!Decoded) throw EDatabaseError("Cannot decode a bytea value.");
      AssignValueText(V.Data, reinterpret_cast<const char*>(Decoded.get()), Bytes);
    } else {
      AssignValueText(V.Data, Text, Len);
    }
  }
}

/// The rows and column descriptions of a whole result into Result.
void ReadResult(PGresult* Res, TQueryResult& Result) {
  if (PQresultStatus(Res) != PGRES_TUPLES_OK) {
    const char* Tuples = PQcmdTuples(Res);
    Result.RowsAffected = (Tuples && *Tuples) ? StrToInt64Def(Tuples, -1) : -1;
    return;
  }
  ReadColumns(Res, Result.Columns);
  const int Rows = PQntuples(Res);
  Result.Rows.resize(static_cast<size_t>(Rows));
  for (int Row = 0; Row < Rows; ++Row) ReadRow(Res, Row, Result.Rows[static_cast<size_t>(Row)]);
  Result.RowsAffected = Rows;
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

/// The SQLSTATE of a refusal; empty when the server gave none.
std::string StateOf(const PGresult* R) {
  const char* State = PQresultErrorField(R, PG_DIAG_SQLSTATE);
  return State ? State : "";
}

/// Times a round trip a deadlock or a serialization failure took back is sent again.
constexpr int MaxRetries = 3;

bool SendPlain(PGconn* Conn, const char* SQL) {
  return PQsendQueryParams(Conn, SQL, 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
}

}  // namespace

void TPGDACDatabase::TSendBuffers::Clear() {
  Types.clear();
  Values.clear();
  Lengths.clear();
  Formats.clear();
}

void TPGDACDatabase::TSendBuffers::Add(unsigned Type, const char* Value, std::size_t Length,
                                       int Format) {
  Types.push_back(Type);
  Values.push_back(Value);
  Lengths.push_back(static_cast<int>(Length));
  Formats.push_back(Format);
}

void TPGDACDatabase::TSendBuffers::Add(const TParam& P) {
  // Large binary values travel as bytes, the others as text.
  const std::string& V = P.AsString();
  Add(ParamOidOf(P.GetDataType()), P.IsNull() ? nullptr : V.data(), V.size(),
      P.GetDataType() == ftBlob ? 1 : 0);
}

void TPGDACDatabase::TSendBuffers::Add(const TPGLiteralForm& Form) {
  for (std::size_t I = 0; I < Form.Values.size(); ++I)
    Add(Form.Types[I], Form.Values[I].c_str(), Form.Values[I].size(), 0);
}

void TPGDACDatabase::TSendBuffers::AddRowMarkers(std::size_t Count, bool First) {
  Merged += First ? "(" : ", (";
  for (std::size_t I = 0; I < Count; ++I) {
    if (I > 0) Merged += ", ";
    Merged += '$';
    Merged += std::to_string(Types.size() + I + 1);
  }
  Merged += ')';
}

void TPGDACDatabase::TSendBuffers::Take(const TQELAdapterQuery::TQueued& Item,
                                        const TPGLiteralForm* Form) {
  Clear();
  Text = &Item.Sent();
  // A script's statement carries its values in its text: as parameters its text is one for
  // many rows, parsed and planned once.
  if (Form) {
    Text = &Form->Text;
    Add(*Form);
    return;
  }
  for (const TParam& P : Item.Values) Add(P);
}

void TPGDACDatabase::TSendBuffers::TakeRows(const std::vector<TQELAdapterQuery::TQueued>& Items,
                                            std::size_t From, std::size_t Rows, std::size_t Head) {
  Clear();
  Merged.assign(Items[From].Sent(), 0, Head);
  for (std::size_t R = From; R < From + Rows; ++R) {
    AddRowMarkers(Items[R].Values.size(), R == From);
    for (const TParam& P : Items[R].Values) Add(P);
  }
  Text = &Merged;
}

namespace {

/// The order in which a number's type takes the values of the ones before it: a column of
/// rows merged into one INSERT has the widest type of its numbers, 0 for a quoted string.
int NumberRank(unsigned Type) {
  switch (Type) {
    case PGInt4Oid:
      return 1;
    case PGInt8Oid:
      return 2;
    case PGNumericOid:
      return 3;
    default:
      return 0;
  }
}

/// True when the parameters of B go in the same columns of a merged INSERT as those of A: a
/// quoted string where A has one, a number where A has one.
bool SameKinds(const std::vector<unsigned>& A, const std::vector<unsigned>& B) {
  if (A.size() != B.size()) return false;
  for (std::size_t I = 0; I < A.size(); ++I)
    if (A[I] != B[I] && (NumberRank(A[I]) == 0 || NumberRank(B[I]) == 0)) return false;
  return true;
}

}  // namespace

void TPGDACDatabase::TSendBuffers::TakeFormRows(std::size_t From, std::size_t Rows,
                                                std::size_t Head) {
  Clear();
  Merged.assign(Forms[From].Text, 0, Head);
  // Each column's numbers go with the widest type among them (int4, int8, numeric): the
  // server casts each to the column's type as it does the literal, and the text planned is
  // the same for every part of the script.
  std::vector<unsigned>& Widest = ColumnTypes;
  Widest = Forms[From].Types;
  for (std::size_t R = From + 1; R < From + Rows; ++R)
    for (std::size_t I = 0; I < Widest.size(); ++I)
      if (NumberRank(Forms[R].Types[I]) > NumberRank(Widest[I])) Widest[I] = Forms[R].Types[I];
  for (std::size_t R = From; R < From + Rows; ++R) {
    AddRowMarkers(Forms[R].Values.size(), R == From);
    for (std::size_t I = 0; I < Forms[R].Values.size(); ++I)
      Add(Widest[I], Forms[R].Values[I].c_str(), Forms[R].Values[I].size(), 0);
  }
  Text = &Merged;
}

std::size_t TPGDACDatabase::TSendBuffers::FormRows(std::size_t From, std::size_t Count) const {
  if (!HasForm[From]) return 1;
  const TPGLiteralForm& First = Forms[From];
  const std::size_t Head = Heads[From];
  if (Head == 0) return 1;
  const std::size_t Limit = std::min(Count, From + 65535 / First.Values.size());
  // The rows merged are those into the same columns (the same text up to VALUES), however
  // their rows are spaced.
  std::size_t To = From + 1;
  while (To < Limit && HasForm[To] && Heads[To] == Head &&
         Forms[To].Text.compare(0, Head, First.Text, 0, Head) == 0 &&
         SameKinds(Forms[To].Types, First.Types))
    ++To;
  return To - From;
}

namespace {

/// The place of "VALUES" in a text that ends in VALUES($1, ..., $n) (blanks allowed between the
/// markers), else npos.
std::size_t RowAt(const std::string& Text, std::size_t Params) {
  const std::size_t At = Text.rfind("VALUES(");
  if (At == std::string::npos) return At;
  std::size_t I = At + 7;
  for (std::size_t N = 1; N <= Params; ++N) {
    while (I < Text.size() && Text[I] == ' ') ++I;
    const std::string Marker = "$" + std::to_string(N);
    if (Text.compare(I, Marker.size(), Marker) != 0) return std::string::npos;
    I += Marker.size();
    while (I < Text.size() && Text[I] == ' ') ++I;
    if (I >= Text.size() || Text[I] != (N == Params ? ')' : ',')) return std::string::npos;
    ++I;
  }
  return I == Text.size() ? At : std::string::npos;
}

}  // namespace

std::size_t TPGDACDatabase::MergeHead(const std::string& Text, std::size_t Params) {
  if (const auto It = FMergeHeads.find(Text); It != FMergeHeads.end()) return It->second;
  std::size_t Head = 0;
  // INSERT INTO name (columns) VALUES($1, ..., $n), as the rows comparer writes it: the row
  // is the end of the text.
  const std::string_view Into = "INSERT INTO ";
  const std::size_t At = Params > 0 ? RowAt(Text, Params) : std::string::npos;
  if (At != std::string::npos && Text.compare(0, Into.size(), Into) == 0) {
    // The table's name: up to the column list, outside double quotes.
    std::size_t End = Into.size();
    bool Quoted = false;
    while (End < Text.size() && (Quoted || Text[End] != ' ')) Quoted ^= Text[End++] == '"';
    const std::string Name = Text.substr(Into.size(), End - Into.size());
    // The table is asked of once: a script's rows of one table come in texts that differ in
    // their blanks.
    const auto Known = FMergeTables.find(Name);
    bool Plain = Known != FMergeTables.end() && Known->second;
    if (Known == FMergeTables.end()) {
      const char* Values[1] = {Name.c_str()};
      // Through Conn(): statements sent ahead are answered first.
      TResultPtr R(PQexecParams(
          Conn(),
          "select c.relkind in ('r', 'p') and not c.relhastriggers and not c.relhasrules from "
          "pg_catalog.pg_class c where c.oid = pg_catalog.to_regclass($1)",
          1, nullptr, Values, nullptr, nullptr, 0));
      const bool Answered = R && PQresultStatus(R.get()) == PGRES_TUPLES_OK;
      Plain =
          Answered && PQntuples(R.get()) == 1 && std::string_view(PQgetvalue(R.get(), 0, 0)) == "t";
      // A question the server did not answer (a transaction a refusal ended) is asked again
      // next time: its rows go unmerged meanwhile.
      if (!Answered) return 0;
      if (FMergeTables.size() < MaxPrepared) FMergeTables.emplace(Name, Plain);
    }
    if (Plain) Head = At + std::string_view("VALUES").size();
  }
  if (FMergeHeads.size() < MaxPrepared) FMergeHeads.emplace(Text, Head);
  return Head;
}

void TPGDACDatabase::MakeForms(const std::vector<TQELAdapterQuery::TQueued>& Items,
                               std::size_t Count, TForms& Into) {
  // A script's statements: their forms first, and of each new form whether its rows merge.
  if (Into.Forms.size() < Count) Into.Forms.resize(Count);
  Into.HasForm.assign(Count, 0);
  Into.Heads.assign(Count, 0);
  for (std::size_t I = 0; I < Count; ++I) {
    TPGLiteralForm& Form = Into.Forms[I];
    Into.HasForm[I] = Items[I].Values.empty() && PGLiteralsAsParams(Items[I].Sent(), Form);
    if (!Into.HasForm[I]) continue;
    Into.Heads[I] = I > 0 && Into.HasForm[I - 1] && Form.Text == Into.Forms[I - 1].Text
                        ? Into.Heads[I - 1]
                        : MergeHead(Form.Text, Form.Values.size());
  }
}

std::size_t TPGDACDatabase::MergedRows(const std::vector<TQELAdapterQuery::TQueued>& Items,
                                       std::size_t From, std::size_t Count) {
  const TQELAdapterQuery::TQueued& First = Items[From];
  const std::size_t N = First.Values.size();
  const auto Found = N > 0 ? FMergeHeads.find(First.Sent()) : FMergeHeads.end();
  if (Found == FMergeHeads.end() || Found->second == 0) return 1;
  // Rows of the same text and the same parameter types, within the protocol's 65535 values.
  std::size_t To = From + 1;
  const std::size_t Limit = std::min(Count, From + 65535 / N);
  auto SameTypes = [&](const TQELAdapterQuery::TQueued& Q) {
    for (std::size_t I = 0; I < N; ++I)
      if (ParamOidOf(Q.Values[I].GetDataType()) != ParamOidOf(First.Values[I].GetDataType()) ||
          (Q.Values[I].GetDataType() == ftBlob) != (First.Values[I].GetDataType() == ftBlob))
        return false;
    return true;
  };
  while (To < Limit && Items[To].Text == First.Text && SameTypes(Items[To])) ++To;
  return To - From;
}

void TPGDACDatabase::SendPipeline(const std::vector<TQELAdapterQuery::TQueued>& Items,
                                  std::size_t Count, bool Savepoint, TPipelineSent& Sent,
                                  bool Immediate, bool Literals, bool Merge) {
  PGconn* C = FConn;
  Sent.Count = Count;
  // What the server says of a row INSERT's table is asked before the pipeline.
  for (std::size_t I = 0; Merge && I < Count; ++I)
    if ((I == 0 || Items[I].Text != Items[I - 1].Text) && !Items[I].Values.empty())
      MergeHead(Items[I].Sent(), Items[I].Values.size());
  TSendBuffers& P = FSend;
  if (Literals && !P.FormsMade) MakeForms(Items, Count, P);
  P.FormsMade = false;
  if (PQenterPipelineMode(C) != 1) PipelineBroken(C);
  bool Ok = !Savepoint || SendPlain(C, "SAVEPOINT qel_statement");
  if (Savepoint) Sent.Slots.push_back(NoItem);
  if (Ok && Immediate) {
    Ok = SendPlain(C, "SET CONSTRAINTS ALL IMMEDIATE");
    Sent.Slots.push_back(NoItem);
  }
  for (std::size_t I = 0; Ok && I < Count; ++I) {
    const std::size_t Rows = Merge      ? MergedRows(Items, I, Count)
                             : Literals ? P.FormRows(I, Count)
                                        : 1;
    if (Rows > 1 && Merge) {
      P.TakeRows(Items, I, Rows, FMergeHeads.find(Items[I].Sent())->second);
    } else if (Rows > 1) {
      P.TakeFormRows(I, Rows, P.Heads[I]);
    } else {
      P.Take(Items[I], Literals && P.HasForm[I] ? &P.Forms[I] : nullptr);
    }
    Sent.Merged = Sent.Merged || Rows > 1;
    const int N = static_cast<int>(P.Types.size());
    // A text that comes again is parsed and planned once per session: rows of one table
    // share a few texts.
    P.Key.assign(*P.Text);
    P.Key.append(reinterpret_cast<const char*>(P.Types.data()), P.Types.size() * sizeof(Oid));
    auto Found = FPrepared.find(P.Key);
    if (Found == FPrepared.end() && FPrepared.size() < MaxPrepared) {
      const std::string Name = "qel_row_" + IntToStr(++FPreparedSeq);
      Ok = PQsendPrepare(C, Name.c_str(), P.Text->c_str(), N, P.Types.data()) == 1;
      Sent.Slots.push_back(I);
      Found = FPrepared.emplace(P.Key, Name).first;
      Sent.MadeHere.push_back(Found->first);
    }
    if (!Ok) break;
    Ok = Found != FPrepared.end()
             ? PQsendQueryPrepared(C, Found->second.c_str(), N, P.Values.data(), P.Lengths.data(),
                                   P.Formats.data(), 0) == 1
             : PQsendQueryParams(C, P.Text->c_str(), N, P.Types.data(), P.Values.data(),
                                 P.Lengths.data(), P.Formats.data(), 0) == 1;
    Sent.Slots.push_back(I);
    I += Rows - 1;
  }
  if (Ok && Savepoint) {
    Ok = SendPlain(C, "RELEASE SAVEPOINT qel_statement");
    Sent.Slots.push_back(NoItem);
  }
  if (!Ok || PQpipelineSync(C) != 1) {
    PQexitPipelineMode(C);
    PipelineBroken(C);
  }
}

TPGDACDatabase::TPipelineRun TPGDACDatabase::ReadPipeline(const TPipelineSent& Sent) {
  PGconn* C = FConn;
  TPipelineRun Run;
  Run.Failed = Sent.Count;
  Run.Merged = Sent.Merged;
  // One result per query sent (each ended by a null result), then the sync's.
  for (std::size_t I = 0; I < Sent.Slots.size(); ++I) {
    TResultPtr R(PQgetResult(C));
    if (!R) PipelineBroken(C);
    if (PQresultStatus(R.get()) == PGRES_FATAL_ERROR && Run.Failed == Sent.Count) {
      // A savepoint statement that fails leaves nothing to replay: it counts for the first.
      Run.Failed = Sent.Slots[I] != NoItem ? Sent.Slots[I] : 0;
      Run.Error = TrimMessage(PQresultErrorMessage(R.get()));
      if (Run.Error.empty()) Run.Error = TrimMessage(PQerrorMessage(C));
      Run.State = StateOf(R.get());
    }
    // A change that met no row (a trigger that returned NULL, a rule, a row gone) answers 0;
    // a preparation answers no count at all.
    if (PQresultStatus(R.get()) == PGRES_COMMAND_OK && Sent.Slots[I] != NoItem &&
        std::string_view(PQcmdTuples(R.get())) == "0")
      Run.Unmade.push_back(Sent.Slots[I]);
    // A failure with the connection gone is the loss, not a refusal; answers that arrived
    // before a loss still count.
    if (PQresultStatus(R.get()) == PGRES_FATAL_ERROR && PQstatus(C) == CONNECTION_BAD)
      PipelineBroken(C);
    while (PGresult* More = PQgetResult(C)) PQclear(More);
  }
  TResultPtr SyncResult(PQgetResult(C));
  if (SyncResult && PQresultStatus(SyncResult.get()) == PGRES_FATAL_ERROR &&
      PQstatus(C) == CONNECTION_OK) {
    // The commit at the sync was refused (a deferred constraint): none of its statements stays,
    // and the server does not say which row was at fault. The sync's own answer still comes,
    // and the pipeline must be left, or the next statement on the connection fails.
    Run.Failed = 0;
    Run.Error = TrimMessage(PQresultErrorMessage(SyncResult.get()));
    Run.State = StateOf(SyncResult.get());
    Run.CommitRefused = true;
    for (int Nulls = 0; Nulls < 2; ++Nulls) {
      SyncResult.reset(PQgetResult(C));
      if (SyncResult) break;
    }
  }
  if (!SyncResult || PQresultStatus(SyncResult.get()) != PGRES_PIPELINE_SYNC) PipelineBroken(C);
  // The sync's answer came: its statements are committed (or taken back) whatever happens to
  // the connection after; a loss then is found by its next use.
  if (PQexitPipelineMode(C) != 1 && PQstatus(C) != CONNECTION_BAD) PipelineBroken(C);
  // After a failure the server skipped what followed it, preparations too: those of this
  // pipeline are made again under new names when needed.
  if (Run.Failed != Sent.Count)
    for (const std::string& Key : Sent.MadeHere) FPrepared.erase(Key);
  return Run;
}

void TPGDACDatabase::PipelineBroken(PGconn* C) {
  // Whatever the pipeline held is lost with the connection; libpq's words say why.
  TResultPtr None;
  CheckResult(C, None.get(), this);
  throw EDatabaseError(FailureText("The pipeline broke off."));
}

TPGDACDatabase::TPipelineRun TPGDACDatabase::RunPipeline(
    const std::vector<TQELAdapterQuery::TQueued>& Items, std::size_t Count, bool Savepoint,
    bool Immediate, bool Literals, bool Merge) {
  LiveConn();
  TPipelineSent Sent;
  SendPipeline(Items, Count, Savepoint, Sent, Immediate, Literals, Merge);
  return ReadPipeline(Sent);
}

TQELQuery::TQueuedOutcome TPGDACDatabase::Conclude(
    const std::vector<TQELAdapterQuery::TQueued>& Items, std::size_t Count, bool Savepoint,
    bool Alone, TPipelineRun Run) {
  // A refusal takes back the statements before it (of the sync's transaction, or of the
  // savepoint), which are then sent again; in the caller's own transaction a refusal fails it,
  // as ExecSQL's would.
  TQELQuery::TQueuedOutcome Out;
  int Retries = 0;
  bool Located = false;
  // Rows merged into one INSERT are sent again each on its own when the round trip failed (it
  // was taken back whole), so that the refused row is the one named.
  if (Run.Merged && (Run.Failed != Count || Run.CommitRefused))
    Run = RunPipeline(Items, Count, Savepoint);
  while (Run.Failed != Count) {
    if (!Alone) {
      Out.Refused = true;
      Out.Error = Run.Error;
      Count = Run.Failed;
      break;
    }
    if (Savepoint) {
      ExecCommand("ROLLBACK TO SAVEPOINT qel_statement");
      ExecCommand("RELEASE SAVEPOINT qel_statement");
    }
    // A deadlock or a serialization failure took the statements back for no fault of theirs:
    // the server's manual advises to run the transaction again.
    if ((Run.State == "40P01" || Run.State == "40001") && Retries < MaxRetries) {
      ++Retries;
      Run = RunPipeline(Items, Count, Savepoint);
      continue;
    }
    // A commit refused at the sync (a deferred constraint) does not say which statement broke
    // it: they run once more with every constraint checked as each runs, and the one that
    // breaks it is refused by name.
    if (Run.CommitRefused && !Located) {
      Located = true;
      Run = RunPipeline(Items, Count, Savepoint, true);
      continue;
    }
    Out.Refused = true;
    Out.Error = Run.Error;
    Count = Run.Failed;
    if (Count == 0) break;
    Run = RunPipeline(Items, Count, Savepoint);
  }
  Out.Done = Count;
  for (std::size_t I : Run.Unmade)
    if (I < Count) Out.Unmade.push_back(I);
  return Out;
}

TQELQuery::TQueuedOutcome TPGDACDatabase::RunQueued(
    const std::vector<TQELAdapterQuery::TQueued>& Items) {
  PGconn* C = LiveConn();
  // Inside the database's own transaction (of a cursor) each statement must be undone alone,
  // as RunStatement's savepoint does; outside any transaction the statements of one sync are
  // one transaction.
  const bool Savepoint = FImplicit && !FUserTx;
  const bool Alone = Savepoint || PQtransactionStatus(C) == PQTRANS_IDLE;
  if (Items.empty()) return {};
  if (!Alone && LiteralsAsParams(C))
    return ConcludeInTransaction(Items, RunPipeline(Items, Items.size(), true, false, true));
  return Conclude(Items, Items.size(), Savepoint, Alone,
                  RunPipeline(Items, Items.size(), Savepoint, false, false, Alone && !Savepoint));
}

bool TPGDACDatabase::LiteralsAsParams(PGconn* C) const {
  const char* Standard = PQparameterStatus(C, "standard_conforming_strings");
  return Standard && std::string_view(Standard) == "on";
}

TQELQuery::TQueuedOutcome TPGDACDatabase::ConcludeInTransaction(
    const std::vector<TQELAdapterQuery::TQueued>& Items, TPipelineRun Run) {
  // In the caller's transaction, statements written with their values went with them as
  // parameters, within a savepoint; where the server refused that form (a value or a type it
  // reads otherwise there) they are sent again as written, which decides.
  const std::string_view Class = std::string_view(Run.State).substr(0, 2);
  if (Run.Failed != Items.size() && !Run.CommitRefused &&
      (Class == "22" || Class == "42" || Run.Merged)) {
    ExecCommand("ROLLBACK TO SAVEPOINT qel_statement");
    ExecCommand("RELEASE SAVEPOINT qel_statement");
    Run = RunPipeline(Items, Items.size(), false);
  }
  return Conclude(Items, Items.size(), false, false, std::move(Run));
}

void TPGDACDatabase::PrepareAhead(const TQELAdapterQuery* Owner,
                                  const std::vector<TQELAdapterQuery::TQueued>& Items) {
  // Only while Owner's statements sent ahead in the caller's transaction run: the next ones
  // will go the same way, their parametrised forms made meanwhile.
  FReadyCount = 0;
  if (Items.empty() || !FAhead || FAhead->Answered || !FAhead->InTx || FAhead->Owner != Owner)
    return;
  MakeForms(Items, Items.size(), FReady);
  FReadyCount = Items.size();
}

bool TPGDACDatabase::SendAhead(const TQELAdapterQuery* Owner,
                               std::vector<TQELAdapterQuery::TQueued>& Items) {
  PGconn* C = LiveConn();
  // Only with no cursor open, so that nothing else needs the connection before the answer is
  // read: outside any transaction each sync commits on its own; in the caller's transaction
  // the statements go in a savepoint, as RunQueued sends them there.
  const std::size_t Ready = std::exchange(FReadyCount, 0);
  if (Items.empty() || FImplicit || FOpenCursors > 0) return false;
  const PGTransactionStatusType Status = PQtransactionStatus(C);
  const bool InTx = Status == PQTRANS_INTRANS && LiteralsAsParams(C);
  if (Status != PQTRANS_IDLE && !InTx) return false;
  auto A = std::make_unique<TAhead>();
  A->Owner = Owner;
  A->Items = std::move(Items);
  A->InTx = InTx;
  // The forms PrepareAhead made for these items, where it made them.
  FSend.FormsMade = InTx && Ready == A->Items.size();
  if (FSend.FormsMade) FSend.Swap(FReady);
  SendPipeline(A->Items, A->Items.size(), InTx, A->Sent, false, InTx, !InTx);
  FAhead = std::move(A);
  return true;
}

void TPGDACDatabase::FinishAhead() {
  if (!FAhead || FAhead->Answered) return;
  // Held here meanwhile: the statements a refusal sends again take the connection as usual.
  std::unique_ptr<TAhead> A = std::move(FAhead);
  A->Outcome = A->InTx ? ConcludeInTransaction(A->Items, ReadPipeline(A->Sent))
                       : Conclude(A->Items, A->Sent.Count, false, true, ReadPipeline(A->Sent));
  A->Answered = true;
  A->Items.clear();
  FAhead = std::move(A);
}

TQELQuery::TQueuedOutcome TPGDACDatabase::TakeAhead(const TQELAdapterQuery* Owner) {
  if (!FAhead || FAhead->Owner != Owner) return {};
  FinishAhead();
  const TQELQuery::TQueuedOutcome Out = FAhead ? FAhead->Outcome : TQELQuery::TQueuedOutcome();
  FAhead.reset();
  return Out;
}

void TPGDACDatabase::ForgetOwner(const TQELAdapterQuery* Owner) {
  if (FAhead && FAhead->Owner == Owner) {
    try {
      FinishAhead();
    } catch (const std::exception&) {  // the connection is gone: nothing is left to read
    }
    FAhead.reset();
  }
}

/// True when a result described by Desc has a bytea column.
bool HasBytea(const PGresult* Desc) {
  for (int C = 0; C < PQnfields(Desc); ++C)
    if (PQftype(Desc, C) == ByteaOid) return true;
  return false;
}

/// True for a column whose values may be read in pieces: text, varchar and bytea.
bool Sliceable(Oid Type) {
  return Type == TextOid || Type == VarcharOid || Type == ByteaOid;
}

/// The names qel_rows gives the columns of a query over SQL, and the reference of column C.
std::string RowNames(const PGresult* Desc) {
  std::string Names;
  for (int C = 0; C < PQnfields(Desc); ++C) Names += (C > 0 ? ", c" : "c") + IntToStr(C + 1);
  return Names;
}
std::string RowItem(int C) {
  return "qel_rows.c" + IntToStr(C + 1);
}

/// The statement of a cursor over SQL, whose result Desc describes.
///
/// With Binary, a bytea column comes as its bytes, every other one as the text its type's
/// output function writes, which is what a cursor of text sends. A cast to text writes that
/// text, but for the built-in types whose cast is a function of its own (a char(n) would lose
/// its padding, an inet gain its netmask, a "char" show a byte unescaped) and for types of the
/// database, which may have one: their text comes from format's %s, and num_nulls tells a NULL
/// apart from a row value of NULL fields. A cursor of text sends a bytea value as hexadecimal
/// text of twice its size, held in the client's input buffer and again in its result.
///
/// With Piece, a text, varchar or bytea value of more than Piece bytes comes as NULL, and a last
/// column lists such values of the row as "column:bytes,..." (empty for none): PiecesSQL
/// brings them.
std::string CursorSQL(const PGresult* Desc, const std::string& SQL, bool Binary,
                      std::size_t Piece) {
  constexpr Oid CharOid = 18, CidrOid = 650, InetOid = 869, FirstDatabaseOid = 16384;
  std::string Items, Large;
  for (int C = 0; C < PQnfields(Desc); ++C) {
    const std::string Item = RowItem(C);
    const Oid Type = PQftype(Desc, C);
    std::string Value = Item;
    if (!Binary || Type == ByteaOid)
      ;
    else if (Type == BpcharOid || Type == InetOid || Type == CidrOid || Type == CharOid ||
             Type >= FirstDatabaseOid)
      Value = "CASE WHEN pg_catalog.num_nulls(" + Item + ") = 1 THEN NULL ELSE " +
              "pg_catalog.format('%s', " + Item + ") END";
    else
      Value += "::pg_catalog.text";  // a Boolean as "true": ReadRow takes its first letter
    if (Piece > 0 && Sliceable(Type)) {
      const std::string IsLarge =
          "pg_catalog.octet_length(" + Item + ") > " + IntToStr(static_cast<std::int64_t>(Piece));
      // The bytes the pieces join to: of a text, those the client gets.
      const std::string Bytes = Type == ByteaOid
                                    ? "pg_catalog.octet_length(" + Item + ")"
                                    : "pg_catalog.octet_length(pg_catalog.textsend(" + Item + "))";
      Value = "CASE WHEN " + IsLarge + " THEN NULL ELSE " + Value + " END";
      Large += (Large.empty() ? "" : ", ") + std::string("CASE WHEN ") + IsLarge + " THEN '" +
               IntToStr(C + 1) + ":' || " + Bytes + " END";
    }
    Items += (C > 0 ? ", " : "") + Value;
  }
  // An array, as a function takes at most 100 arguments; its NULLs are left out.
  if (Piece > 0)
    Items += ", pg_catalog.array_to_string(ARRAY[" + Large + "]::pg_catalog.text[], ',')";
  // On a line of its own: the text may end in a line comment.
  return "SELECT " + Items + " FROM (" + SQL + "\n) AS qel_rows(" + RowNames(Desc) + ")";
}

/// The statement of the binary cursor that brings the values CursorSQL leaves out, in the order
/// of the rows and of their columns: a row per piece of Piece bytes, holding the column's
/// number, whether more pieces follow, and the piece. Text is cut in the bytes the client gets
/// (its send form, made once per value: OFFSET 0 keeps the planner from
/// writing it into each piece's expression), so that a piece costs the server no reading of the
/// value from its start.
std::string PiecesSQL(const PGresult* Desc, const std::string& SQL, std::size_t Piece) {
  const std::string P = IntToStr(static_cast<std::int64_t>(Piece));
  std::string Values;
  for (int C = 0; C < PQnfields(Desc); ++C) {
    const Oid Type = PQftype(Desc, C);
    if (!Sliceable(Type)) continue;
    const std::string Item = RowItem(C);
    Values += (Values.empty() ? "(" : ", (") + IntToStr(C + 1) + ", CASE WHEN " +
              "pg_catalog.octet_length(" + Item + ") > " + P + " THEN " +
              (Type == ByteaOid ? Item : "pg_catalog.textsend(" + Item + "::pg_catalog.text)") +
              " END)";
  }
  const std::string Last = "(pg_catalog.length(qel_p.b) - 1) / " + P;
  return "SELECT qel_p.i::pg_catalog.text, (qel_n < " + Last +
         ")::pg_catalog.text, pg_catalog.substr(qel_p.b, qel_n * " + P + " + 1, " + P + ") FROM (" +
         SQL + "\n) AS qel_rows(" + RowNames(Desc) +
         ") CROSS JOIN LATERAL (SELECT * FROM (VALUES " + Values +
         ") AS qel_v OFFSET 0) AS qel_p(i, b) CROSS JOIN LATERAL pg_catalog.generate_series(0, " +
         Last + ") AS qel_n";
}

/// True when the tables Desc's text, varchar and bytea columns come from may hold a value of
/// more than Piece bytes: their out-of-line storage holds at least that much. A value that
/// large is always stored out of line, and the size of that storage is known at once. Snapshot
/// tells whether the transaction reads every statement in one snapshot (REPEATABLE READ or
/// SERIALIZABLE), as two cursors over the same rows must.
bool MayHoldLargeValues(PGconn* Conn, const PGresult* Desc, std::size_t Piece, bool& Snapshot) {
  std::string Tables;
  for (int C = 0; C < PQnfields(Desc); ++C) {
    const Oid Table = PQftable(Desc, C);
    if (!Sliceable(PQftype(Desc, C)) || Table == InvalidOid) continue;
    Tables += (Tables.empty() ? "" : ", ") + IntToStr(static_cast<std::int64_t>(Table));
  }
  if (Tables.empty()) return false;
  TResultPtr R(PQexec(
      Conn, ("SELECT COALESCE(pg_catalog.sum(pg_catalog.pg_relation_size("
             "reltoastrelid)), 0) >= " +
             IntToStr(static_cast<std::int64_t>(Piece)) +
             ", pg_catalog.current_setting('transaction_isolation') IN ('repeatable read', "
             "'serializable') FROM pg_catalog.pg_class WHERE reltoastrelid <> 0 AND oid IN (" +
             Tables + ")")
                .c_str()));
  CheckResult(Conn, R.get());
  if (PQntuples(R.get()) != 1) return false;
  Snapshot = PQgetvalue(R.get(), 0, 1)[0] == 't';
  return PQgetvalue(R.get(), 0, 0)[0] == 't';
}

/// Bytes of values a block of a uni-directional query holds, roughly.
constexpr std::size_t BlockBytes = 512u << 10;

/// The rows of a uni-directional query, read through a cursor in blocks of about BlockBytes.
/// A cursor leaves the connection free between blocks for the caller's other statements. On
/// the read-ahead thread the next block is asked for as soon as one arrives, so that the server
/// reads it while this one is turned into rows; what runs there uses only the connection and
/// this stream, and keeps a failure for Fetch to report.
class TPGCursorStream : public TRowStream {
 public:
  TPGCursorStream(TPGDACDatabase& Db, TQELAdapterQuery& Owner) : FDb(Db), FOwner(Owner) {}
  ~TPGCursorStream() override { Close(); }

  void Open(const std::string& SQL, const TBoundParams& Params,
            std::vector<TResultColumn>& Columns) {
    PGconn* Conn = FDb.FConn;
    auto Declare = [&](const std::string& Name, bool Binary, const std::string& Query) {
      const TResultPtr D = SendStatement(
          Conn, "DECLARE " + Name + (Binary ? " BINARY" : "") + " NO SCROLL CURSOR FOR " + Query,
          Params);
      CheckResult(Conn, D.get(), &FDb);
    };
    FCursor = FDb.OpenCursor(FImplicit);
    Declare(FCursor, false, SQL);
    TResultPtr Desc(PQdescribePortal(Conn, FCursor.c_str()));
    CheckResult(Conn, Desc.get(), &FDb);
    const bool Recent = PQserverVersion(Conn) >= 90600;
    const bool Binary = Recent && HasBytea(Desc.get());
    FPiece = TPGDACDatabase::LargeValuePiece;
    bool Snapshot = false;
    const bool Large =
        Recent && FPiece > 0 && MayHoldLargeValues(Conn, Desc.get(), FPiece, Snapshot);
    if (!Large) FPiece = 0;
    if (Binary || Large) {
      FDb.ExecCommand("CLOSE " + FCursor);
      // The cursor of pieces must read the rows the cursor reads: in one snapshot, else values
      // come whole.
      if (Large && !Snapshot) Snapshot = FDb.RestartOwnTransactionAsSnapshot();
      if (!Snapshot) FPiece = 0;
      // A scan that joins another one under way would start the second cursor's rows
      // elsewhere: rows equal in the order asked for could then come in another order.
      if (FPiece > 0) FDb.ExecCommand("SET LOCAL synchronize_seqscans = off");
      Declare(FCursor, Binary, CursorSQL(Desc.get(), SQL, Binary, FPiece));
      if (Binary)
        for (int C = 0; C < PQnfields(Desc.get()); ++C) FTypes.push_back(PQftype(Desc.get(), C));
    }
    FCols = PQnfields(Desc.get());
    if (FPiece > 0) {
      // Declared now, so that it reads the rows as the cursor does; it runs only when asked.
      FPieces = FCursor + "_pieces";
      Declare(FPieces, true, PiecesSQL(Desc.get(), SQL, FPiece));
      for (int C = 0; C < FCols; ++C) FNames.emplace_back(PQfname(Desc.get(), C));
    }
    FRes.reset(PQexec(Conn, FetchText().c_str()));
    CheckResult(Conn, FRes.get(), &FDb);
    ReadColumns(Desc.get(), Columns);
    Arrived(false);
  }

  bool ReadsAhead() const override { return true; }
  bool FetchAhead(TDataSet::TRecord& Row) override { return Read(Row, true); }
  void Release() override {
    if (FInFlight) FNext.reset(TakeInFlight());
  }
  bool Fetch(TDataSet::TRecord& Row) override {
    if (Read(Row, false)) return true;
    if (FBroken) {
      const TResultPtr Failed = std::move(FFailed);
      FBroken = false;
      CheckResult(FDb.FConn, Failed.get(), &FDb);
      // A connection cut under the read (a signal stopping the run) may leave no failed answer
      // to tell of it: its reason is the one to give.
      throw EDatabaseError(FDb.FailureText("The server sent no rows for the cursor."));
    }
    Close();
    return false;
  }

 private:
  std::string FetchText() const { return "FETCH FORWARD " + IntToStr(FAsked) + " FROM " + FCursor; }

  bool Read(TDataSet::TRecord& Row, bool AskAhead) {
    // A failure met while a row's pieces were read ends the reading there: the rows after it
    // are not handed out before it is reported.
    if (FBroken) return false;
    while (!FRes || FRow >= PQntuples(FRes.get())) {
      if (FBroken || FLast || FCursor.empty()) return false;
      NextBlock(AskAhead);
    }
    // The next block comes in meanwhile: taken off the socket now and then, so that the
    // server is not held up by a full socket buffer while this block is read.
    if (FInFlight && (FRow & 255) == 0) PQconsumeInput(FDb.FConn);
    ReadRow(FRes.get(), FRow, Row, FTypes.empty() ? nullptr : &FTypes, FCols);
    const std::string Large = FPiece > 0 ? PQgetvalue(FRes.get(), FRow, FCols) : "";
    // A block read through is let go at once: a large value in it is held by the row alone.
    if (++FRow >= PQntuples(FRes.get())) FRes.reset();
    return Large.empty() || ReadLarge(Row, Large);
  }

  /// The values Large lists ("column:bytes,...") into Row, a piece at a time off the cursor of
  /// pieces. False when the server failed (kept for Fetch to report); raises EDatabaseError
  /// when the pieces are not those the row lists (the two cursors read one snapshot with
  /// synchronized scans off, so that they meet the rows in one order; this catches a server
  /// that would not).
  bool ReadLarge(TDataSet::TRecord& Row, const std::string& Large) {
    PGconn* Conn = FDb.FConn;
    // The connection serves one statement at a time: the block asked for ahead is taken first.
    if (FInFlight) FNext.reset(TakeInFlight());
    for (std::size_t At = 0; At < Large.size();) {
      std::size_t End = Large.find(',', At);
      if (End == std::string::npos) End = Large.size();
      const std::string Item = Large.substr(At, End - At);
      At = End + 1;
      const std::size_t Colon = Item.find(':');
      const int Col = static_cast<int>(StrToInt64Def(Item.substr(0, Colon), 0));
      const std::int64_t Bytes =
          Colon == std::string::npos ? -1 : StrToInt64Def(Item.substr(Colon + 1), -1);
      if (Col < 1 || Col > FCols || Bytes < 0)
        throw EDatabaseError("The server listed no large value as \"" + Item + "\".");
      TDataSet::TRecordValue& V = Row[static_cast<std::size_t>(Col - 1)];
      V.IsNull = false;
      std::string().swap(V.Data);
      V.Data.reserve(static_cast<std::size_t>(Bytes));
      for (bool More = true; More;) {
        TResultPtr R(PQexec(Conn, ("FETCH FORWARD 1 FROM " + FPieces).c_str()));
        if (!R || PQresultStatus(R.get()) != PGRES_TUPLES_OK) {
          FFailed = std::move(R);
          FBroken = true;
          return false;
        }
        if (PQntuples(R.get()) != 1 || StrToInt64Def(PQgetvalue(R.get(), 0, 0), 0) != Col)
          Changed(Col);
        More = PQgetvalue(R.get(), 0, 1)[0] == 't';
        V.Data.append(PQgetvalue(R.get(), 0, 2),
                      static_cast<std::size_t>(PQgetlength(R.get(), 0, 2)));
      }
      if (V.Data.size() != static_cast<std::size_t>(Bytes)) Changed(Col);
    }
    return true;
  }

  /// The pieces are not those of the value the cursor listed.
  [[noreturn]] void Changed(int Col) const {
    throw EDatabaseError("The value of column " + FNames[static_cast<std::size_t>(Col - 1)] +
                         " read in pieces is not the one its row listed; read the rows again.");
  }

  PGresult* TakeInFlight() {
    FInFlight = false;
    PGresult* First = PQgetResult(FDb.FConn);
    while (PGresult* More = PQgetResult(FDb.FConn)) PQclear(More);
    return First;
  }

  /// The next block: the one read ahead, else asked for now.
  void NextBlock(bool AskAhead) {
    PGresult* R = nullptr;
    if (FNext)
      R = FNext.release();
    else if (FInFlight)
      R = TakeInFlight();
    else
      R = PQexec(FDb.FConn, FetchText().c_str());
    FRes.reset(R);
    if (!R || PQresultStatus(R) != PGRES_TUPLES_OK) {
      FFailed = std::move(FRes);
      FBroken = true;
      return;
    }
    Arrived(AskAhead);
  }

  /// A block arrived in FRes: the last one when short; else the next block's size follows
  /// from this one's bytes, and on the read-ahead thread it is asked for at once.
  void Arrived(bool AskAhead) {
    FRow = 0;
    const int Rows = PQntuples(FRes.get());
    if (Rows < FAsked) {
      FLast = true;
      return;
    }
    // The size of a row from a sample of the block's rows, spread over it.
    std::size_t Bytes = 0;
    const int Cols = PQnfields(FRes.get());
    const int Step = std::max(1, Rows / 256);
    int Sampled = 0;
    for (int Row = 0; Row < Rows; Row += Step, ++Sampled)
      for (int C = 0; C < Cols; ++C)
        Bytes += static_cast<std::size_t>(PQgetlength(FRes.get(), Row, C)) + 16;
    const std::size_t PerRow =
        std::max<std::size_t>(1, Bytes / static_cast<std::size_t>(std::max(1, Sampled)));
    // Rows of large values come one a block: a block of them is held whole, and another one
    // read ahead behind it.
    FAsked = static_cast<int>(std::clamp<std::size_t>(BlockBytes / PerRow, 1, 100000));
    if (AskAhead && PQsendQuery(FDb.FConn, FetchText().c_str()) == 1) FInFlight = true;
  }

  void Close() {
    if (FCursor.empty()) return;
    const std::string Name = FCursor;
    FCursor.clear();
    FRes.reset();
    FNext.reset();
    // The database may have gone before the query: its connection went with it.
    if (FOwner.GetDatabase() != &FDb) return;
    if (FInFlight) PQclear(TakeInFlight());
    if (!FPieces.empty()) {
      PGconn* Conn = FDb.FConn;
      if (Conn && PQstatus(Conn) == CONNECTION_OK && PQtransactionStatus(Conn) == PQTRANS_INTRANS)
        TResultPtr(PQexec(Conn, ("CLOSE " + FPieces).c_str()));
      FPieces.clear();
    }
    try {
      FDb.CloseCursor(Name, FImplicit);
    } catch (const EDatabaseError&) {
      // The connection went away with the cursor; nothing is left to close.
    }
  }

  TPGDACDatabase& FDb;
  TQELAdapterQuery& FOwner;
  std::string FCursor;
  /// The columns' own types where a binary cursor carries them as text or bytes; empty for a
  /// cursor of text.
  std::vector<Oid> FTypes;
  int FCols = 0;  // the query's columns, without the list of large values
  /// Values of more bytes come in pieces of it off the cursor FPieces; 0: all come whole.
  std::size_t FPiece = 0;
  std::string FPieces;
  std::vector<std::string> FNames;  // of the columns, to name a value read in pieces
  bool FImplicit = false;
  int FAsked = 1000;
  TResultPtr FRes;   // the block being read
  int FRow = 0;      // its next row
  TResultPtr FNext;  // the block read ahead, taken off the connection
  bool FInFlight = false;
  bool FLast = false;  // FRes is the last block
  bool FBroken = false;
  TResultPtr FFailed;  // the answer that was no block
};

// ---------------------------------------------------------------------------------------------

TPGDACDatabase::~TPGDACDatabase() {
  Disconnect();
}

bool TPGDACDatabase::GetConnected() const {
  // The thread reading ahead owns the connection's state meanwhile; it was open when it began.
  return FConn && !GetInterrupted() && (ReadingAhead() || PQstatus(FConn) == CONNECTION_OK);
}

void TPGDACDatabase::CutConnection() {
  // libpq reads the end of the stream as the server's going away and marks the connection bad.
  if (FSocket >= 0) ::shutdown(FSocket, SHUT_RDWR);
}

PGconn* TPGDACDatabase::Conn() {
  AwaitReadAhead();
  // Statements sent ahead are answered before anything else goes to the server.
  if (FAhead && !FAhead->Answered) FinishAhead();
  return FConn;
}

PGconn* TPGDACDatabase::LiveConn() {
  PGconn* C = Conn();
  // A connection found broken (the server ended the session after its last answer) is lost.
  if (C && PQstatus(C) == CONNECTION_BAD && !GetConnectionLost()) {
    const std::string Why = TrimMessage(PQerrorMessage(C));
    MarkLost(Why.empty() ? "The server closed the connection." : Why);
  }
  if (!C || PQstatus(C) != CONNECTION_OK) RaiseNotConnected();
  return C;
}

void TPGDACDatabase::Disconnect() {
  Unregister();
  FSocket = -1;
  FAhead.reset();
  if (PGconn* C = Conn()) PQfinish(C);
  FConn = nullptr;
  ClearLost();
  FPrepared.clear();
  FImplicitCursors = 0;
  FOpenCursors = 0;
  FImplicit = false;
  FUserTx = false;
  FRefusedCommit.clear();
}

void TPGDACDatabase::Connect() {
  const TConnectionOptions& O = ConnectOptions();
  FConn = OpenConnection(O, O.GetDatabaseName());
  FSocket = PQsocket(FConn);
  PQsetNoticeProcessor(FConn, NoticeToLog, this);
}

void TPGDACDatabase::Notice(const std::string& Text) {
  if (FHoldNotices)
    FHeldNotices.push_back(Text);
  else if (Connection)
    Connection->DoLogNextLine(Text);
}

void TPGDACDatabase::ReadAheadBegins() {
  FHoldNotices = true;
}

void TPGDACDatabase::ReadAheadEnded() {
  FHoldNotices = false;
  std::vector<std::string> Held;
  Held.swap(FHeldNotices);
  for (const std::string& Text : Held) Notice(Text);
}

void TPGDACDatabase::ExecCommand(const std::string& SQL) {
  PGconn* C = LiveConn();
  TResultPtr R(PQexec(C, SQL.c_str()));
  CheckResult(C, R.get(), this);
}

bool TPGDACDatabase::InTransaction() const {
  if (!GetConnected()) return false;
  if (FImplicit) return FUserTx;
  if (FAhead && !FAhead->Answered) return FAhead->InTx;  // else sent outside any transaction
  // A block read ahead comes from a cursor, and a cursor lives in a transaction.
  if (ReadingAhead()) return true;
  const PGTransactionStatusType S = PQtransactionStatus(FConn);
  return S == PQTRANS_INTRANS || S == PQTRANS_INERROR || S == PQTRANS_ACTIVE;
}

bool TPGDACDatabase::StartReadSnapshot() {
  PGconn* C = LiveConn();
  if (FImplicit || PQtransactionStatus(C) != PQTRANS_IDLE) return false;
  ExecCommand("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
  return true;
}

bool TPGDACDatabase::WorkAwaitsCommit() const {
  // What went ahead outside any transaction is committed by its sync.
  if (FAhead && !FAhead->Answered) return FAhead->InTx;
  return GetConnected() && (ReadingAhead() || PQtransactionStatus(FConn) != PQTRANS_IDLE);
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
  PGconn* C = LiveConn();
  if (FImplicit) {
    if (!FUserTx) return;
    FUserTx = false;
    if (PQtransactionStatus(C) == PQTRANS_INERROR) {
      ExecCommand("ROLLBACK TO SAVEPOINT qel_user_tx");
      ExecCommand("RELEASE SAVEPOINT qel_user_tx");
      throw EDatabaseError(
          "The transaction was rolled back: a statement in it had failed, so it could not be "
          "committed.");
    }
    ExecCommand("RELEASE SAVEPOINT qel_user_tx");
    return;
  }
  if (PQtransactionStatus(C) == PQTRANS_INERROR) {
    ExecCommand("ROLLBACK");
    throw EDatabaseError(
        "The transaction was rolled back: a statement in it had failed, so it could not be "
        "committed.");
  }
  TResultPtr R(PQexec(C, "COMMIT"));
  CheckResult(C, R.get(), this);
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
  PGconn* C = LiveConn();
  if (!FImplicit && PQtransactionStatus(C) == PQTRANS_IDLE) {
    ExecCommand("BEGIN");
    FImplicit = true;
  }
  Implicit = FImplicit;
  if (Implicit) ++FImplicitCursors;
  ++FOpenCursors;
  return "qel_cursor_" + IntToStr(++FCursorSeq);
}

bool TPGDACDatabase::RestartOwnTransactionAsSnapshot() {
  if (!FImplicit || FUserTx || FImplicitCursors != 1 || FOpenCursors != 1) return false;
  ExecCommand("COMMIT");
  ExecCommand("BEGIN ISOLATION LEVEL REPEATABLE READ");
  return true;
}

void TPGDACDatabase::CloseCursor(const std::string& Name, bool Implicit) {
  if (FOpenCursors > 0) --FOpenCursors;
  PGconn* C = Conn();
  if (!C || PQstatus(C) != CONNECTION_OK) return;
  const bool Broken = PQtransactionStatus(C) == PQTRANS_INERROR;
  if (!Name.empty() && !Broken) {
    TResultPtr R(PQexec(C, ("CLOSE " + Name).c_str()));  // gone with its transaction: fine
  }
  if (!Implicit || !FImplicit || --FImplicitCursors > 0) return;
  FImplicit = false;
  if (FUserTx) {
    // The caller's transaction goes on as a transaction of its own.
    FUserTx = false;
    return;
  }
  if (Broken) {
    ExecCommand("ROLLBACK");
    FRefusedCommit =
        "The transaction was rolled back: a statement in it had failed, so it could not be "
        "committed.";
    return;
  }
  // The statements the caller ran meanwhile are committed here: a refusal (a deferred
  // constraint) takes them all back, and the caller learns of it (TakeRefusedCommit).
  TResultPtr R(PQexec(C, "COMMIT"));
  if (R && PQresultStatus(R.get()) == PGRES_FATAL_ERROR && PQstatus(C) == CONNECTION_OK)
    FRefusedCommit = TrimMessage(PQresultErrorMessage(R.get()));
  CheckResult(C, R.get(), this);
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
    PGconn* C = Conn();
    TResultPtr R1(PQexec(C, "ROLLBACK TO SAVEPOINT qel_statement"));
    TResultPtr R2(PQexec(C, "RELEASE SAVEPOINT qel_statement"));
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
  return std::string(1, '$').append(IntToStr(Index + 1));
}

TQELQuery::TQueuedOutcome TPGDACQuery::ExecuteQueued(const std::vector<TQueued>& Items) {
  return ConnectedDatabase<TPGDACDatabase>().RunQueued(Items);
}

bool TPGDACQuery::SendAhead(std::vector<TQueued>& Items) {
  return ConnectedDatabase<TPGDACDatabase>().SendAhead(this, Items);
}

void TPGDACQuery::PrepareAhead(const std::vector<TQueued>& Items) {
  if (auto* Db = dynamic_cast<TPGDACDatabase*>(GetDatabase())) Db->PrepareAhead(this, Items);
}

TQELQuery::TQueuedOutcome TPGDACQuery::TakeAhead() {
  auto* Db = dynamic_cast<TPGDACDatabase*>(GetDatabase());
  return Db ? Db->TakeAhead(this) : TQueuedOutcome();
}

TPGDACQuery::~TPGDACQuery() {
  if (auto* Db = dynamic_cast<TPGDACDatabase*>(GetDatabase())) Db->ForgetOwner(this);
  DropStream();
}

std::unique_ptr<TRowStream> TPGDACQuery::OpenStream(const std::string& SQL,
                                                    const TBoundParams& Params,
                                                    std::vector<TResultColumn>& Columns) {
  TPGDACDatabase& Db = ConnectedDatabase<TPGDACDatabase>();
  auto S = std::make_unique<TPGCursorStream>(Db, *this);
  S->Open(SQL, Params, Columns);
  return S;
}

void TPGDACQuery::Execute(const std::string& SQL, const TBoundParams& Params,
                          TQueryResult& Result) {
  TPGDACDatabase& Db = ConnectedDatabase<TPGDACDatabase>();
  PGconn* Conn = Db.Handle();
  TResultPtr R;
  Db.RunStatement([&] {
    R = SendStatement(Conn, SQL, Params);
    CheckResult(Conn, R.get(), &Db);
  });
  ReadResult(R.get(), Result);
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
