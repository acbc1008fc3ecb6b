// The replay adapter: loads fixtures of recorded statements and answers queries from them.
#include "ReplayAdapter.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "Files.h"
#include "Text.h"
#include "qelComp_Tbl.h"

namespace qel::replay {

namespace {

std::vector<std::string> SplitTabs(const std::string& Line) {
  std::vector<std::string> Parts;
  size_t Start = 0;
  for (;;) {
    const size_t Tab = Line.find('\t', Start);
    Parts.push_back(Line.substr(Start, Tab == std::string::npos ? std::string::npos : Tab - Start));
    if (Tab == std::string::npos) break;
    Start = Tab + 1;
  }
  return Parts;
}

TFieldType FieldTypeByName(const std::string& Name) {
  for (int I = 0; I <= static_cast<int>(ftBlob); ++I)
    if (FieldTypeName(static_cast<TFieldType>(I)) == Name) return static_cast<TFieldType>(I);
  return ftUnknown;
}

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

std::string ParamsText(const TBoundParams& Params) {
  std::string S;
  for (const TParam* P : Params.Distinct)
    S += "\n  param " + P->Name + " " + FieldTypeName(P->GetDataType()) + " " +
         EscapeNullable(P->IsNull(), P->AsString());
  return S;
}

}  // namespace

std::string EscapeValue(const std::string& S) {
  std::string R;
  R.reserve(S.size());
  for (unsigned char C : S) {
    switch (C) {
      case '\\':
        R += "\\\\";
        break;
      case '\t':
        R += "\\t";
        break;
      case '\n':
        R += "\\n";
        break;
      case '\r':
        R += "\\r";
        break;
      default:
        if (C < 0x20 || C == 0x7F) {
          char Buf[8];
          std::snprintf(Buf, sizeof(Buf), "\\x%02X", C);
          R += Buf;
        } else {
          R += static_cast<char>(C);
        }
    }
  }
  return R;
}

std::string EscapeNullable(bool IsNull, const std::string& S) {
  return IsNull ? std::string("\\N") : EscapeValue(S);
}

std::string UnescapeValue(const std::string& S, bool& IsNull) {
  IsNull = S == "\\N";
  if (IsNull) return std::string();
  std::string R;
  R.reserve(S.size());
  for (size_t I = 0; I < S.size(); ++I) {
    if (S[I] != '\\' || I + 1 >= S.size()) {
      R += S[I];
      continue;
    }
    const char E = S[++I];
    switch (E) {
      case 't':
        R += '\t';
        break;
      case 'n':
        R += '\n';
        break;
      case 'r':
        R += '\r';
        break;
      case 'x':
        if (I + 2 < S.size() && HexDigit(S[I + 1]) >= 0 && HexDigit(S[I + 2]) >= 0) {
          R += static_cast<char>(HexDigit(S[I + 1]) * 16 + HexDigit(S[I + 2]));
          I += 2;
        } else {
          R += "\\x";
        }
        break;
      default:
        R += E;
    }
  }
  return R;
}

// ---------------------------------------------------------------------------------------------

void TReplayFixture::LoadFromText(const std::string& Text, const std::string& SourceName) {
  std::vector<std::string> Lines;
  size_t Start = 0;
  while (Start <= Text.size()) {
    size_t End = Text.find('\n', Start);
    if (End == std::string::npos) End = Text.size();
    std::string Line = Text.substr(Start, End - Start);
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    Lines.push_back(Line);
    Start = End + 1;
  }
  if (Lines.empty() ||
      !(StartsText("# Written by hand", Lines[0]) || StartsText("# Recorded from", Lines[0]))) {
    ADD_FAILURE() << SourceName
                  << ": a replay fixture must say on its first line whether it was written by "
                     "hand or recorded";
    return;
  }
  TReplayEntry Cur;
  bool InEntry = false;
  for (size_t N = 0; N < Lines.size(); ++N) {
    const std::string& Line = Lines[N];
    if (Line.empty() || Line[0] == '#') continue;
    const std::vector<std::string> P = SplitTabs(Line);
    bool Null = false;
    auto Bad = [&] { ADD_FAILURE() << SourceName << ":" << (N + 1) << ": malformed line"; };
    if (P[0] == "connect-error" && P.size() == 2) {
      FHasConnectError = true;
      FConnectError = UnescapeValue(P[1], Null);
    } else if (P[0] == "query" && P.size() == 2) {
      Cur = TReplayEntry();
      Cur.Text = UnescapeValue(P[1], Null);
      InEntry = true;
    } else if (!InEntry) {
      Bad();
    } else if (P[0] == "param" && P.size() == 4) {
      TReplayEntry::TParamKey K;
      K.Name = P[1];
      K.DataType = FieldTypeByName(P[2]);
      K.Value.Data = UnescapeValue(P[3], K.Value.IsNull);
      Cur.Params.push_back(K);
    } else if (P[0] == "column" && P.size() == 4) {
      TResultColumn C;
      C.Name = UnescapeValue(P[1], Null);
      C.DataType = FieldTypeByName(P[2]);
      C.Size = StrToIntDef(P[3], 0);
      Cur.Columns.push_back(C);
    } else if (P[0] == "row") {
      if (P.size() != Cur.Columns.size() + 1) {
        Bad();
        continue;
      }
      std::vector<TReplayEntry::TValue> Row(Cur.Columns.size());
      for (size_t I = 0; I < Row.size(); ++I) Row[I].Data = UnescapeValue(P[I + 1], Row[I].IsNull);
      Cur.Rows.push_back(std::move(Row));
    } else if (P[0] == "affected" && P.size() == 2) {
      Cur.RowsAffected = StrToInt64Def(P[1], -1);
    } else if ((P[0] == "error" || P[0] == "lost") && P.size() == 2) {
      Cur.IsError = true;
      Cur.LosesConnection = P[0] == "lost";
      Cur.ErrorText = UnescapeValue(P[1], Null);
    } else if (P[0] == "end" && P.size() == 1) {
      FEntries.push_back(std::move(Cur));
      Cur = TReplayEntry();
      InEntry = false;
    } else {
      Bad();
    }
  }
  if (InEntry) ADD_FAILURE() << SourceName << ": the last entry has no end line";
}

bool TReplayFixture::LoadFromFile(const std::string& FileName) {
  std::string Text;
  if (!ReadFileToString(FileName, Text)) {
    ADD_FAILURE() << "Cannot read replay fixture " << FileName;
    return false;
  }
  LoadFromText(Text, FileName);
  return true;
}

const TReplayEntry* TReplayFixture::Find(const std::string& Text,
                                         const TBoundParams& Params) const {
  for (const TReplayEntry& E : FEntries) {
    if (E.Text != Text || E.Params.size() != Params.Distinct.size()) continue;
    bool Same = true;
    for (size_t I = 0; Same && I < E.Params.size(); ++I) {
      const TParam& P = *Params.Distinct[I];
      const TReplayEntry::TParamKey& K = E.Params[I];
      Same = SameText(K.Name, P.Name) && K.DataType == P.GetDataType() &&
             K.Value.IsNull == P.IsNull() && (K.Value.IsNull || K.Value.Data == P.AsString());
    }
    if (Same) return &E;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------

namespace {

std::string EntryHead(TQELAdapterQuery& Query) {
  std::string S = "query\t" + EscapeValue(Query.SQLText()) + "\n";
  if (Query.GetParamCheck())
    for (int I = 0; I < Query.GetParams()->Count(); ++I) {
      const TParam& P = *Query.GetParams()->Items(I);
      S += "param\t" + P.Name + "\t" + FieldTypeName(P.GetDataType()) + "\t" +
           EscapeNullable(P.IsNull(), P.AsString()) + "\n";
    }
  return S;
}

}  // namespace

std::string RecordOpenedQuery(TQELAdapterQuery& Query) {
  std::string S = EntryHead(Query);
  if (Query.GetActive()) {
    TFields& F = *Query.GetFields();
    for (int C = 0; C < F.Count(); ++C)
      S += "column\t" + EscapeValue(F.Fields(C)->GetFieldName()) + "\t" +
           FieldTypeName(F.Fields(C)->GetDataType()) + "\t" + IntToStr(F.Fields(C)->GetSize()) +
           "\n";
    for (Query.First(); !Query.GetEof(); Query.Next()) {
      S += "row";
      for (int C = 0; C < F.Count(); ++C)
        S.append(1, '\t').append(EscapeNullable(F.Fields(C)->IsNull(), F.Fields(C)->AsString()));
      S += "\n";
    }
    Query.First();
  } else if (Query.RowsAffected() >= 0) {
    S += "affected\t" + IntToStr(Query.RowsAffected()) + "\n";
  }
  return S + "end\n";
}

std::string RecordError(TQELAdapterQuery& Query, const std::string& Message) {
  return EntryHead(Query) + "error\t" + EscapeValue(Message) + "\nend\n";
}

// ---------------------------------------------------------------------------------------------

void TReplayDatabase::SetConnected(bool Value) {
  if (Value && FFixture->HasConnectError()) throw EDatabaseError(FFixture->ConnectError());
  FConnected = Value;
  if (Value) ++FFixture->Sessions;
  ClearLost();
  if (!Value) FInTransaction = false;
  Log.push_back(Value ? "<connect>" : "<disconnect>");
}

void TReplayDatabase::StartTransaction() {
  if (FInTransaction) throw EDatabaseError("A transaction is already active.");
  FInTransaction = true;
  Log.push_back("<start transaction>");
}

void TReplayDatabase::Commit() {
  FInTransaction = false;
  Log.push_back("<commit>");
}

void TReplayDatabase::Rollback() {
  FInTransaction = false;
  Log.push_back("<rollback>");
}

void TReplayDatabase::ReConnect(const std::string& DatabaseName) {
  Log.push_back("<reconnect " + DatabaseName + ">");
  FConnected = true;
}

std::string TReplayQuery::ParamMarker(const TParam& Param, int Index,
                                      const std::string& Reference) {
  (void)Param;
  (void)Index;
  return ":" + Reference;
}

void TReplayQuery::Execute(const std::string& SQL, const TBoundParams& Params,
                           TQueryResult& Result) {
  TReplayDatabase& Db = ConnectedDatabase<TReplayDatabase>();
  Db.Log.push_back(SQL);
  const TReplayEntry* E = Db.Fixture().Find(SQL, Params);
  if (!E) {
    ADD_FAILURE() << "Replay: the fixture holds no answer for:\n" << SQL << ParamsText(Params);
    throw EDatabaseError("Replay: no recorded answer for the statement.");
  }
  if (E->LosesConnection) {
    // The server went away with the statement, and its transaction with it.
    Db.MarkLost(E->ErrorText);
    Db.Log.push_back("<lost>");
  }
  if (E->IsError) throw EDatabaseError(E->ErrorText);
  Result.Columns = E->Columns;
  for (const auto& Row : E->Rows) {
    TDataSet::TRecord Rec;
    for (const auto& V : Row) Rec.push_back({V.IsNull, V.Data});
    Result.Rows.push_back(std::move(Rec));
  }
  Result.RowsAffected = E->RowsAffected;
}

TReplayConnection::TReplayConnection(TconnectionType ConnectionType,
                                     std::shared_ptr<TReplayFixture> Fixture, TSQLLexRules Rules)
    : FFixture(std::move(Fixture)), FRules(Rules) {
  SetConnectionType(ConnectionType);
}

TQELDatabase* TReplayConnection::CreateDatabase(TComponent* AOwner) {
  return new TReplayDatabase(AOwner, FFixture);
}

TQELQuery* TReplayConnection::CreateQuery(TComponent* AOwner) {
  return new TReplayQuery(AOwner, FRules);
}

TScopedReplayAdapter::TScopedReplayAdapter(const std::string& Name, TconnectionType ConnectionType,
                                           std::shared_ptr<TReplayFixture> Fixture,
                                           TSQLLexRules Rules)
    : FName(Name) {
  auto Adapter = std::make_unique<TReplayConnection>(ConnectionType, std::move(Fixture), Rules);
  if (RegisterConnection(Name, Adapter.get())) {
    FAdapter = Adapter.release();
  } else {
    ADD_FAILURE() << "Replay adapter name already registered: " << Name;
  }
}

TScopedReplayAdapter::~TScopedReplayAdapter() {
  if (FAdapter) UnRegisterConnection(FName, true);
}

}  // namespace qel::replay
