// The table data comparer: the ordered merge of the two result sets and the comparison of
// values.
#include <algorithm>
#include <cmath>
#include <exception>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Tbl.h"
#include "qelDBEngine.h"
#include "qelDialects.h"
#include "qelTableDataComparer.h"

namespace qel {

namespace {

const char* const CrLf = "\r\n";

/// What can be compared with what: values of one family order against each other.
enum TValueFamily : std::uint8_t { vfNumber, vfText, vfBool, vfDate, vfTime, vfDateTime, vfBytes };

TValueFamily FamilyOf(TFieldType T) {
  switch (T) {
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
    case ftFMTBcd:
    case ftFloat:
      return vfNumber;
    case ftBoolean:
      return vfBool;
    case ftDate:
      return vfDate;
    case ftTime:
      return vfTime;
    case ftDateTime:
      return vfDateTime;
    case ftBlob:
      return vfBytes;
    default:  // ftString, ftMemo, ftUnknown
      return vfText;
  }
}

int Sign(int V) {
  return V < 0 ? -1 : (V > 0 ? 1 : 0);
}

/// Byte order of two texts (bytes compared as unsigned).
int ByteOrder(const std::string& A, const std::string& B) {
  return Sign(A.compare(B));
}

/// Large values: the longer first; of equal length, equal bytes give 0, else 1 (they differ,
/// but are not ordered). A null value reads as empty.
int BlobValueOrder(const TDataValue& M, const TDataValue& T) {
  const std::string& A = M.AsString();
  const std::string& B = T.AsString();
  if (A.size() != B.size()) return A.size() > B.size() ? 1 : -1;
  return A == B ? 0 : 1;
}

/// Floats: NaN after every number, as the servers sort it. With Bytes 4 both values are taken
/// as 4-byte floats, the precision of the column that holds them: a server writes such a
/// value in fewer digits, or a double column holds a double near it. With SignedZero -0 and 0
/// differ (data of a target that keeps the sign; keys order them as the server does, alike).
int FloatOrder(const TDataValue& M, const TDataValue& T, int Bytes, bool SignedZero = false) {
  double A = M.AsFloat();
  double B = T.AsFloat();
  if (Bytes == 4) {
    A = static_cast<float>(A);
    B = static_cast<float>(B);
  }
  const bool NanA = std::isnan(A), NanB = std::isnan(B);
  if (NanA || NanB) return NanA == NanB ? 0 : (NanA ? 1 : -1);
  if (SignedZero && A == 0 && B == 0 && std::signbit(A) != std::signbit(B))
    return std::signbit(A) ? -1 : 1;
  return A < B ? -1 : (A > B ? 1 : 0);
}

int NumberOrder(const TDataValue& M, const TDataValue& T, int Bytes, bool SignedZero) {
  if (M.GetDataType() == ftFloat || T.GetDataType() == ftFloat)
    return FloatOrder(M, T, Bytes, SignedZero);
  return CompareDecimalText(M.AsString(), T.AsString());
}

std::string TableOf(const TCmpTableOptions& O) {
  return O.GetTableName();
}

/// The position of the result field Name (exactly, else ignoring case); -1 when absent.
int FieldPos(TQELQuery& Q, const std::string& Entry) {
  const std::string Name = TCmpTableOptions::FieldNameOf(Entry);
  for (int I = 0; I < Q.FieldCount(); ++I)
    if (Q.Fields().Fields(I)->GetFieldName() == Name) return I;
  for (int I = 0; I < Q.FieldCount(); ++I)
    if (SameText(Q.Fields().Fields(I)->GetFieldName(), Name)) return I;
  return -1;
}

std::string ListText(const TStrings& L) {
  std::string S;
  for (int I = 0; I < L.Count(); ++I) {
    if (I > 0) S += CrLf;
    S += L[I];
  }
  return S;
}

void CloseAndClear(TQELQuery* Q) {
  if (!Q) return;
  Q->Close();
  if (TStrings* SQL = Q->GetSQL()) SQL->Clear();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Value comparison

bool TTableDataComparer::IsBlobType(TFieldType DataType) {
  return DataType == ftBlob || DataType == ftMemo;
}

int TTableDataComparer::CompareBlobFields(TField* FieldM, TField* FieldT) {
  return BlobValueOrder(*FieldM, *FieldT);
}

int TTableDataComparer::CompareValues(const TDataValue& M, const TDataValue& T, bool AsKey,
                                      int FloatBytes) const {
  const TFieldType TM = M.GetDataType();
  const TFieldType TT = T.GetDataType();
  auto BlobOrder = [&]() {
    return AsKey ? ByteOrder(M.AsString(), T.AsString()) : BlobValueOrder(M, T);
  };
  if (!AsKey && IsBlobType(TM)) {
    const TDatabaseType Db = GetDatabaseType();
    if (Db == dbSybaseASA || Db == dbMSSQL || Db == dbSybaseASE || Db == dbParadox)
      return BlobOrder();
  }
  if (M.IsNull() || T.IsNull()) {
    if (M.IsNull() && T.IsNull()) return 0;
    return M.IsNull() ? 1 : -1;  // null sorts after every value
  }
  // The same text is the same value, whatever the type: most rows of a comparison are equal.
  if (M.AsString() == T.AsString()) return 0;
  const bool SignedZero =
      !AsKey && FForms && FForms->NegativeZero && !FForms->NegativeZero->empty();
  if (TM != TT) {
    const TValueFamily F = FamilyOf(TM);
    if (F != FamilyOf(TT)) return 0;
    switch (F) {
      case vfNumber:
        return NumberOrder(M, T, FloatBytes, SignedZero);
      case vfText:
        if (!AsKey && (IsBlobType(TM) || IsBlobType(TT))) return BlobOrder();
        return ByteOrder(M.AsString(), T.AsString());
      case vfBytes:
        return BlobOrder();
      default:
        return 0;
    }
  }
  switch (TM) {
    case ftMemo:
    case ftBlob:
      return BlobOrder();
    case ftString:
      if (TrimCharFields) return ByteOrder(Trim(M.AsString()), Trim(T.AsString()));
      return ByteOrder(M.AsString(), T.AsString());
    case ftUnknown:
      return ByteOrder(M.AsString(), T.AsString());
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
    case ftFMTBcd:
      return CompareDecimalText(M.AsString(), T.AsString());
    case ftFloat:
      return FloatOrder(M, T, FloatBytes, SignedZero);
    case ftDate:
    case ftTime:
    case ftDateTime:
      return CompareDateTimeText(M.AsString(), T.AsString());
    case ftBoolean: {
      const bool A = M.AsBoolean(), B = T.AsBoolean();
      return A == B ? 0 : (A ? 1 : -1);
    }
    default:
      return 0;
  }
}

int TTableDataComparer::CompareFields(TField* FieldM, TField* FieldT) {
  if (OnCompareFields) return OnCompareFields(this, FieldM, FieldT);
  TParam Held;
  return CompareValues(TargetValue(FieldM, Held), *FieldT, false,
                       IsFloat4(FieldM) || IsFloat4(FieldT) ? 4 : 8);
}

bool TTableDataComparer::AsTargetHolds(const TField* Field, TParam& Held) const {
  if (FTargetForms.empty()) return false;
  const auto It =
      std::lower_bound(FTargetForms.begin(), FTargetForms.end(), Field,
                       [](const TTargetForm& F, const TField* Key) { return F.Field < Key; });
  if (It == FTargetForms.end() || It->Field != Field) return false;
  const TValueFamily Family = FamilyOf(It->Type);
  if (Field->IsNull()) {
    // Even a Null is refused in a type the column does not take (PostgreSQL).
    if (Family != vfBool && Family != vfNumber) return false;
    Held.Clear();
    Held.SetDataType(Family == vfBool ? ftBoolean : ftInteger);
    return true;
  }
  const std::string& S = Field->AsString();
  switch (Family) {
    case vfBool:  // any number but zero is true, as the servers convert it
      Held.SetAsBoolean(CompareDecimalText(S, "0") != 0);
      return true;
    case vfNumber:
      Held.SetAsInteger(Field->AsBoolean() ? 1 : 0);
      return true;
    default: {
      std::string Cut = CutSecondFraction(S, It->TimeDigits);
      if (Cut.size() == S.size()) return false;
      if (Field->GetDataType() == ftTime)
        Held.SetAsTime(std::move(Cut));
      else
        Held.SetAsDateTime(std::move(Cut));
      return true;
    }
  }
}

const TDataValue& TTableDataComparer::TargetValue(const TField* Field, TParam& Held) const {
  if (AsTargetHolds(Field, Held)) return Held;
  return *Field;
}

void TTableDataComparer::FindTargetForms() {
  FTargetForms.clear();
  TQELQuery* QM = FQueryMaster.get();
  TQELQuery* QT = FQueryTarget.get();
  if (!QM || !QT) return;
  for (std::size_t I = 0; I < FDataPosM.size() && I < FDataPosT.size(); ++I) {
    const TField* M = QM->Fields().Fields(FDataPosM[I]);
    const TField* T = QT->Fields().Fields(FDataPosT[I]);
    const TValueFamily FM = FamilyOf(M->GetDataType()), FT = FamilyOf(T->GetDataType());
    if ((FM == vfNumber && FT == vfBool) || (FM == vfBool && FT == vfNumber)) {
      FTargetForms.push_back({M, T->GetDataType(), -1});
    } else if ((FT == vfTime || FT == vfDateTime) && FM == FT) {
      // A value with more digits than the column keeps would be refused (Firebird) or cut by
      // the server: it is compared and written as the column holds it.
      if (const int Digits = Forms().TimeFractionDigits(T->GetScale()); Digits >= 0)
        FTargetForms.push_back({M, T->GetDataType(), Digits});
    }
  }
  std::sort(FTargetForms.begin(), FTargetForms.end(),
            [](const TTargetForm& A, const TTargetForm& B) { return A.Field < B.Field; });
}

TFieldType TTableDataComparer::TargetTypeOf(const TField* Field) const {
  TQELQuery* QM = FQueryMaster.get();
  TQELQuery* QT = FQueryTarget.get();
  if (!QM || !QT) return ftUnknown;
  for (std::size_t I = 0; I < FDataPosM.size() && I < FDataPosT.size(); ++I)
    if (QM->Fields().Fields(FDataPosM[I]) == Field)
      return QT->Fields().Fields(FDataPosT[I])->GetDataType();
  return ftUnknown;
}

bool TTableDataComparer::IsFloat4(const TField* Field) const {
  return !FFloat4.empty() && std::binary_search(FFloat4.begin(), FFloat4.end(), Field);
}

bool TTableDataComparer::IsWrittenFloat4(const TField* Field) const {
  return !FWrite4.empty() && std::binary_search(FWrite4.begin(), FWrite4.end(), Field);
}

void TTableDataComparer::FindSingleFields() {
  FFloat4.clear();
  FWrite4.clear();
  auto Collect = [this](TQELQuery* Q, const TCmpTableOptions& O) {
    if (!Q) return;
    for (int I = 0; I < Q->FieldCount(); ++I) {
      const TField* F = Q->Fields().Fields(I);
      if (F->GetDataType() != ftFloat) continue;
      bool Cast = false;
      for (const std::string& N : O.FFloat4Fields)
        Cast = Cast || SameText(TCmpTableOptions::FieldNameOf(N), F->GetFieldName());
      if (F->GetSize() == 4 || Cast) FFloat4.push_back(F);
    }
  };
  Collect(FQueryMaster.get(), *FTableOptionsMaster);
  Collect(FQueryTarget.get(), *FTableOptionsTarget);
  std::sort(FFloat4.begin(), FFloat4.end());
  // A master value is written as the float its target column will hold; without a target, as
  // the master's column holds it.
  TQELQuery* QM = FQueryMaster.get();
  TQELQuery* QT = FQueryTarget.get();
  for (std::size_t I = 0; QM && I < FDataPosM.size(); ++I) {
    const TField* M = QM->Fields().Fields(FDataPosM[I]);
    const TField* T = QT && I < FDataPosT.size() ? QT->Fields().Fields(FDataPosT[I]) : nullptr;
    if (T ? IsFloat4(T) : IsFloat4(M)) FWrite4.push_back(M);
  }
  std::sort(FWrite4.begin(), FWrite4.end());
}

int TTableDataComparer::CompareRecord() {
  FDataDiffers = false;
  TFields& FM = FQueryMaster->Fields();
  TFields& FT = FQueryTarget->Fields();
  // Large values that are not compared count as equal.
  TParam Held;
  auto Order = [this, &Held](TField* A, TField* B, bool AsKey) {
    if (!CompareBlobs && IsBlobType(A->GetDataType())) return 0;
    if (OnCompareFields) return OnCompareFields(this, A, B);
    return CompareValues(TargetValue(A, Held), *B, AsKey, IsFloat4(A) || IsFloat4(B) ? 4 : 8);
  };
  // Rows are matched by all their values when there are no keys; the values then also order.
  auto CompareData = [&](bool AsKey) {
    const int N = std::min(FM.Count(), FT.Count());
    for (int I = 0; I < N; ++I)
      if (const int R = Order(FM.Fields(I), FT.Fields(I), AsKey); R != 0) return R;
    return 0;
  };
  const int Keys = GetKeyFldsCount();
  if (Keys == 0) return CompareData(true);
  for (int I = 0; I < Keys; ++I) {
    const std::size_t K = static_cast<std::size_t>(I);
    if (const int R = Order(FM.Fields(FKeyPosM[K]), FT.Fields(FKeyPosT[K]), true); R != 0) return R;
  }
  FDataDiffers = CompareData(false) != 0;
  return 0;
}

// ---------------------------------------------------------------------------------------------
// The merge

void TTableDataComparer::DoProgressMaster() {
  if (OnProgressUpdateMaster) OnProgressUpdateMaster(this, FPosMaster, FCountMaster);
}

void TTableDataComparer::DoProgressTarget() {
  if (OnProgressUpdateTarget) OnProgressUpdateTarget(this, FPosTarget, FCountTarget);
}

void TTableDataComparer::DoGetSelectSQL(TStrings& SQLM, TStrings& SQLT) {
  if (OnGetSelectSQL) {
    OnGetSelectSQL(this, SQLM, SQLT);
    return;
  }
  SQLM.SetText(FTableOptionsMaster->SelectSQL());
  SQLT.SetText(FTableOptionsTarget->SelectSQL());
}

bool TTableDataComparer::ResolveFields() {
  FKeyPosM.clear();
  FKeyPosT.clear();
  FDataPosM.clear();
  FDataPosT.clear();
  TCmpTableOptions& M = *FTableOptionsMaster;
  TCmpTableOptions& T = *FTableOptionsTarget;
  auto Resolve = [this](TQELQuery& Q, const TStrings& List, std::vector<int>& Pos,
                        const TCmpTableOptions& O) {
    for (const std::string& Name : List) {
      const int P = FieldPos(Q, Name);
      if (P < 0) {
        DoErrMsg("Field " + Name + " is not in the result of table " + TableOf(O) + ".");
        return false;
      }
      Pos.push_back(P);
    }
    return true;
  };
  if (!Resolve(*FQueryMaster, M.GetWorkDataFields(), FDataPosM, M)) return false;
  if (!FQueryTarget) return true;
  if (!Resolve(*FQueryTarget, T.GetWorkDataFields(), FDataPosT, T)) return false;
  const int Keys = GetKeyFldsCount();
  if (Keys == 0) return true;
  for (int I = 0; I < Keys; ++I) {
    const std::string& NM = M.GetWorkKeyFields()[I];
    const std::string& NT = T.GetWorkKeyFields()[I];
    const int PM = FieldPos(*FQueryMaster, NM);
    const int PT = FieldPos(*FQueryTarget, NT);
    if (PM < 0 || PT < 0) {
      DoErrMsg("Key field " + (PM < 0 ? NM : NT) + " is not in the result of table " +
               (PM < 0 ? TableOf(M) : TableOf(T)) + ".");
      return false;
    }
    // Keys of types that do not order against each other would pair every row with the wrong
    // one: such a comparison is refused.
    const TFieldType TM = FQueryMaster->Fields().Fields(PM)->GetDataType();
    const TFieldType TT = FQueryTarget->Fields().Fields(PT)->GetDataType();
    if (FamilyOf(TM) != FamilyOf(TT) && !OnCompareFields) {
      DoErrMsg("The key fields " + NM + " (" + FieldTypeName(TM) + ") of table " + TableOf(M) +
               " and " + NT + " (" + FieldTypeName(TT) + ") of table " + TableOf(T) +
               " have types that cannot be compared; the rows cannot be paired.");
      return false;
    }
    FKeyPosM.push_back(PM);
    FKeyPosT.push_back(PT);
  }
  return true;
}

void TTableDataComparer::SortUnordered(bool Master) {
  TQELQuery* Q = Master ? FQueryMaster.get() : FQueryTarget.get();
  const TCmpTableOptions& O = Master ? *FTableOptionsMaster : *FTableOptionsTarget;
  if (!Q || O.GetDatabaseType() != dbMSAccess) return;
  const std::vector<int>& KeyPos = Master ? FKeyPosM : FKeyPosT;
  const int Keys = GetKeyFldsCount();
  TFields& F = Q->Fields();
  const int N = Keys > 0 ? Keys : F.Count();
  std::vector<std::vector<TParam>> Rows;
  for (Q->First(); !Q->GetEof(); Q->Next()) {
    std::vector<TParam>& Row = Rows.emplace_back(static_cast<std::size_t>(N));
    for (int I = 0; I < N; ++I)
      Row[static_cast<std::size_t>(I)].AssignField(
          *F.Fields(Keys > 0 ? KeyPos[static_cast<std::size_t>(I)] : I));
  }
  std::vector<int> Order(Rows.size());
  for (std::size_t I = 0; I < Order.size(); ++I) Order[I] = static_cast<int>(I);
  std::stable_sort(Order.begin(), Order.end(), [&](int A, int B) {
    const auto& RA = Rows[static_cast<std::size_t>(A)];
    const auto& RB = Rows[static_cast<std::size_t>(B)];
    for (std::size_t I = 0; I < RA.size(); ++I)
      if (const int C = CompareValues(RA[I], RB[I], true); C != 0) return C < 0;
    return false;
  });
  Q->ReorderRecords(Order);
}

bool TTableDataComparer::CheckOrder(bool Master) {
  TQELQuery* Q = Master ? FQueryMaster.get() : FQueryTarget.get();
  if (!Q || Q->GetEof() || OnCompareFields) return true;
  std::vector<TParam>& Prev = Master ? FPrevKeyM : FPrevKeyT;
  bool& HavePrev = Master ? FHavePrevM : FHavePrevT;
  const std::vector<int>& KeyPos = Master ? FKeyPosM : FKeyPosT;
  const int Keys = GetKeyFldsCount();
  TFields& F = Q->Fields();
  const int N = Keys > 0 ? Keys : F.Count();
  if (static_cast<int>(Prev.size()) != N) Prev.assign(static_cast<std::size_t>(N), TParam());
  int Order = 0;
  for (int I = 0; I < N && HavePrev && Order == 0; ++I) {
    TField* Cur = F.Fields(Keys > 0 ? KeyPos[static_cast<std::size_t>(I)] : I);
    if (!CompareBlobs && IsBlobType(Cur->GetDataType())) continue;
    Order = CompareValues(*Cur, Prev[static_cast<std::size_t>(I)], true);
  }
  if (HavePrev && Order < 0) {
    const TCmpTableOptions& O = Master ? *FTableOptionsMaster : *FTableOptionsTarget;
    throw EDatabaseError(
        "The rows of table " + O.GetTableName() + " (" + (Master ? "master" : "target") +
        ") do not come in the order the comparison needs: the server orders the key fields "
        "differently (a collation that ignores case or accents, or nulls first). No further "
        "statement is written; give an ordered select (OnGetSelectSQL) or other key fields.");
  }
  for (int I = 0; I < N; ++I)
    Prev[static_cast<std::size_t>(I)].AssignField(
        *F.Fields(Keys > 0 ? KeyPos[static_cast<std::size_t>(I)] : I));
  HavePrev = true;
  return true;
}

void TTableDataComparer::Compare() {
  FCountMaster = FCountTarget = 1;
  FPosMaster = FPosTarget = 0;
  DoProgressMaster();
  DoProgressTarget();
  TQELQuery* QM = FQueryMaster.get();
  TQELQuery* QT = FQueryTarget.get();
  CloseAndClear(QM);
  CloseAndClear(QT);
  // The reads take no parameters: a colon in a name or literal goes to the server unchanged.
  for (TQELQuery* Q : {QM, QT})
    if (Q) Q->SetParamCheck(false);

  // One pair of lists serves the count and the select: a select handler gets them as the count
  // left them.
  TStringList SQLM, SQLT;
  if (OnProgressUpdateMaster || OnProgressUpdateTarget) CountRows(SQLM, SQLT);
  SetSelectSQL(SQLM, SQLT);
  OpenResults();
  if (!QM || !ResolveFields()) {
    CloseAndClear(QM);
    CloseAndClear(QT);
    return;
  }
  // Rows told apart by all their values: the target's copies of a row are deleted one by one.
  FRowsByValue = false;
  if (QT) {
    FRowsByValue =
        GetKeyFldsCount() == 0 || std::all_of(FDataPosT.begin(), FDataPosT.end(), [this](int P) {
          return std::find(FKeyPosT.begin(), FKeyPosT.end(), P) != FKeyPosT.end();
        });
  }
  // Nothing is written for a dialect that has not said how.
  if (!CheckRowForms()) {
    CloseAndClear(QM);
    CloseAndClear(QT);
    return;
  }
  FindSingleFields();
  FindTargetForms();
  // Without a target every master row is inserted: the order of the rows does not matter.
  if (QT) {
    SortUnordered(true);
    SortUnordered(false);
    CheckOrder(true);
    CheckOrder(false);
  }

  MakeConnectString();
  // The same for every row written.
  const TCmpTableOptions& T = *FTableOptionsTarget;
  FTargetTableSQL = T.QualifiedName();
  FInsertColumns = T.FldsSeq(T.GetWorkDataFields());
  FInsertExecSQL.clear();
  FInsertExecFields.clear();
  try {
    MergeRows();
  } catch (...) {
    // The row changes made before the failure still go to the target, unless the target is
    // gone or refused one of them.
    const TQELCustomConnection* C = WriteConnection();
    if (FStopText.empty() && !(C && C->GetConnectionLost())) {
      try {
        RunQueued();
      } catch (const std::exception&) {  // the failure that ended the merge is the one told
      }
      if (!FStopText.empty()) DoErrMsg(FStopText);
    }
    FQueued.clear();
    throw;
  }
  RunQueued();
  ThrowIfStopped();
  EndCompare();
}

void TTableDataComparer::CountRows(TStringList& SQLM, TStringList& SQLT) {
  if (OnGetCountSQL) {
    OnGetCountSQL(this, SQLM, SQLT);
  } else {
    const TCmpTableOptions& M = *FTableOptionsMaster;
    const TCmpTableOptions& T = *FTableOptionsTarget;
    SQLM.Add("Select count(*) from " + M.QualifiedName());
    SQLT.Add("Select count(*) from " + T.QualifiedName());
  }
  auto Count = [](TQELQuery* Q, const TStringList& SQL, int& Rows) {
    if (!Q) return;
    Q->SetSQLText(ListText(SQL));
    Q->Open();
    if (!Q->GetEof() && Q->FieldCount() > 0) {
      const std::int64_t N = Q->Fields().Fields(0)->AsLargeInt();
      Rows = static_cast<int>(std::min<std::int64_t>(N, 2147483647));
    }
    CloseAndClear(Q);
  };
  Count(FQueryMaster.get(), SQLM, FCountMaster);
  Count(FQueryTarget.get(), SQLT, FCountTarget);
}

void TTableDataComparer::SetSelectSQL(TStringList& SQLM, TStringList& SQLT) {
  TQELQuery* QM = FQueryMaster.get();
  TQELQuery* QT = FQueryTarget.get();
  TCmpTableOptions& M = *FTableOptionsMaster;
  TCmpTableOptions& T = *FTableOptionsTarget;
  if (!OnGetSelectSQL) {
    FindByteOrderFields(M, QM);
    FindByteOrderFields(T, QT);
    FindFloat4Fields(M, QM);
    FindFloat4Fields(T, QT);
    FindPaddedFields(M, QM);
    FindPaddedFields(T, QT);
  }
  DoGetSelectSQL(SQLM, SQLT);
  if (!OnGetSelectSQL) {
    if (QM) DoLogNextLine(std::string("Select-SQL for master table:") + CrLf + ListText(SQLM));
    if (QT) DoLogNextLine(std::string("Select-SQL for target table:") + CrLf + ListText(SQLT));
  }
  if (QM) QM->SetSQLText(OnGetSelectSQL ? ListText(SQLM) : M.SelectSQL());
  if (QT) QT->SetSQLText(OnGetSelectSQL ? ListText(SQLT) : T.SelectSQL());
}

void TTableDataComparer::OpenResults() {
  TQELQuery* QM = FQueryMaster.get();
  TQELQuery* QT = FQueryTarget.get();
  FHasBlobs = false;
  FHavePrevM = FHavePrevT = false;
  // The two results are read once, front to back: an adapter that can keeps only a block of
  // rows in memory, however large the tables.
  for (TQELQuery* Q : {QM, QT})
    if (Q) Q->UniDirectional = true;
  // A side sorted here (SortUnordered) holds all its rows.
  if (QM && FTableOptionsMaster->GetDatabaseType() == dbMSAccess) QM->UniDirectional = false;
  if (QT && FTableOptionsTarget->GetDatabaseType() == dbMSAccess) QT->UniDirectional = false;
  if (QM) {
    QM->Open();
    if (!QM->GetEof()) FPosMaster = 1;
    // A large value of any master field goes to the side file, so the header names the file
    // whenever one can occur.
    for (int I = 0; I < QM->FieldCount(); ++I)
      if (IsBlobType(QM->Fields().Fields(I)->GetDataType())) FHasBlobs = true;
  }
  if (QT) {
    QT->Open();
    if (!QT->GetEof()) FPosTarget = 1;
  }
}

void TTableDataComparer::MergeRows() {
  TQELQuery* QM = FQueryMaster.get();
  TQELQuery* QT = FQueryTarget.get();
  auto NextMaster = [&] {
    QM->Next();
    ++FPosMaster;
    if (QT) CheckOrder(true);
  };
  auto NextTarget = [&] {
    QT->Next();
    ++FPosTarget;
    CheckOrder(false);
    // The last block read ends the transaction the row changes meanwhile waited in.
    CheckCommitted();
    ThrowIfStopped();
  };
  for (;;) {
    StopIfAsked();
    DoProgressMaster();
    DoProgressTarget();
    if (!QM || QM->GetEof() || !QT || QT->GetEof()) break;
    const int R = CompareRecord();
    if (R < 0) {
      RecordInsert();
      ThrowIfStopped();
      NextMaster();
    } else if (R == 0) {
      if (FDataDiffers)
        RecordUpdate();
      else
        ++FEqual;
      ThrowIfStopped();
      NextMaster();
      NextTarget();
    } else {
      RecordDelete();
      ThrowIfStopped();
      NextTarget();
    }
  }
  while (QM && !QM->GetEof()) {
    StopIfAsked();
    DoProgressMaster();
    RecordInsert();
    ThrowIfStopped();
    NextMaster();
  }
  while (QT && !QT->GetEof()) {
    StopIfAsked();
    DoProgressTarget();
    RecordDelete();
    ThrowIfStopped();
    NextTarget();
  }
}

void TTableDataComparer::EndCompare() {
  TQELQuery* QM = FQueryMaster.get();
  TQELQuery* QT = FQueryTarget.get();
  DoProgressMaster();
  DoProgressTarget();
  CloseAndClear(QM);
  CloseAndClear(QT);
  for (TQELQuery* Q : {QM, QT})
    if (Q) {
      Q->SetParamCheck(true);
      Q->UniDirectional = false;
    }
  CheckCommitted();
  ThrowIfStopped();

  for (TQELCustomConnection* C : {FQELConnectionMaster, FQELConnectionTarget, WriteConnection()})
    if (C && C->GetConnected() && C->InTransaction()) C->Commit();
  SettleApplied();
  DoLogNextLine(StatisticsText());
}

void TTableDataComparer::StopIfAsked() {
  if (!FUpdateImmediately || !TerminateRunning.load()) return;
  FCancelled = true;
  // The round trip under way is answered, so that what it made is known; nothing is sent
  // after it.
  if (const std::size_t Ahead = SentAhead(); Ahead > 0) TakeOutcome(Ahead, true, true);
  FQueued.clear();
  // Row changes written while the target's rows are read wait in the transaction that holds
  // them open: closing the rows commits them, as each would have been.
  if (WriteConnection() == FQELConnectionTarget) CloseAndClear(FQueryTarget.get());
  CheckCommitted();
  SettleApplied();
  if (FStopText.empty()) FStopText = "The run was stopped; no row change was sent after it.";
  ThrowIfStopped();
}

}  // namespace qel
