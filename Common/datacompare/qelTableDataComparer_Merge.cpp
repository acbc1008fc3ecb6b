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
#include "qelTableDataComparer_Int.h"

namespace qel {

namespace {

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

bool IsTimeFamily(TValueFamily F) {
  return F == vfDate || F == vfTime || F == vfDateTime;
}

/// True when a value of the master's kind From has a conversion to the target column's kind
/// To: the servers' own casts between these kinds, which the comparison follows.
bool Convertible(TValueFamily From, TValueFamily To) {
  const auto NumberOrBool = [](TValueFamily F) { return F == vfNumber || F == vfBool; };
  if (From == To || (NumberOrBool(From) && NumberOrBool(To))) return true;
  if (From == vfText) return To != vfBytes;
  if (To == vfText) return From != vfBytes;
  return (From == vfDate && To == vfDateTime) || (From == vfDateTime && To == vfDate);
}

/// The Boolean a value stands for: a Boolean, a number (not zero is true), or a text of the
/// forms the servers write and read ("1", "t", "true", "yes", "on" and their opposites, any
/// case); False when it stands for none.
bool ReadBoolean(const TDataValue& V, bool& Value) {
  if (V.GetDataType() == ftBoolean) {
    Value = V.AsBoolean();
    return true;
  }
  const std::string S = LowerCase(Trim(V.AsString()));
  if (IsDecimalText(S)) {
    Value = CompareDecimalText(S, "0") != 0;
    return true;
  }
  static const char* const Words[2][5] = {{"f", "false", "n", "no", "off"},
                                          {"t", "true", "y", "yes", "on"}};
  for (int B = 0; B < 2; ++B)
    for (const char* Word : Words[B])
      if (S == Word) {
        Value = B == 1;
        return true;
      }
  return false;
}

/// A PostgreSQL interval of days and a time ("1 day 02:00:00", "-3 days +01:00:00") as the
/// hours of a time ("26:00:00"); empty for any other text.
std::string IntervalAsTime(const std::string& S) {
  const std::size_t Day = S.find(" day");
  if (Day == std::string::npos) return std::string();
  const std::size_t Time = S.find(' ', Day + 1);
  if (!IsDecimalText(S.substr(0, Day))) return std::string();
  const std::string Rest = Time == std::string::npos ? "00:00:00" : Trim(S.substr(Time + 1));
  const std::size_t Colon = Rest.find(':');
  if (Colon == std::string::npos || !IsDecimalText(Rest.substr(0, Colon))) return std::string();
  const long long Days = std::stoll(S.substr(0, Day)), Hours = std::stoll(Rest.substr(0, Colon));
  const bool Negative = Days < 0 || Rest[0] == '-';
  if (Negative && !(Days <= 0 && Rest[0] == '-')) return std::string();  // signs that differ
  const long long Total = std::llabs(Days) * 24 + std::llabs(Hours);
  return std::string(Negative ? "-" : "") + (Total < 10 ? "0" : "") + std::to_string(Total) +
         Rest.substr(Colon);
}

/// Values of different kinds whose columns FindTargetForms let through, where the master's
/// value did not convert to the target's kind: a Boolean against a text by the Boolean it
/// stands for, a number or a time against a text by value; anything else differs.
int MixedOrder(const TDataValue& M, const TDataValue& T, TValueFamily FM, TValueFamily FT) {
  if (FM == vfBool || FT == vfBool) {
    bool A = false, B = false;
    if (!ReadBoolean(M, A) || !ReadBoolean(T, B)) return 1;
    return A == B ? 0 : (A ? 1 : -1);
  }
  if (FM == vfNumber || FT == vfNumber) return CompareDecimalText(M.AsString(), T.AsString());
  if (IsTimeFamily(FM) || IsTimeFamily(FT)) return CompareDateTimeText(M.AsString(), T.AsString());
  return 1;
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
    if (F != FamilyOf(TT)) return MixedOrder(M, T, F, FamilyOf(TT));
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
  const TValueFamily From = FamilyOf(Field->GetDataType()), To = FamilyOf(It->Type);
  if (Field->IsNull()) {
    // Even a Null is refused in a type the column does not take (PostgreSQL: a number for a
    // Boolean).
    if (From == To || (To != vfBool && To != vfNumber) || From == vfText) return false;
    Held.Clear();
    Held.SetDataType(To == vfBool ? ftBoolean : ftInteger);
    return true;
  }
  const std::string& S = Field->AsString();
  if (From != To) {
    bool B = false;
    switch (To) {
      case vfBool:  // any number but zero is true, as the servers convert it
        if (!ReadBoolean(*Field, B)) return false;
        Held.SetAsBoolean(B);
        return true;
      case vfNumber:
        if (From == vfBool) {
          Held.SetAsInteger(Field->AsBoolean() ? 1 : 0);
          return true;
        }
        if (!IsDecimalText(Trim(S))) return false;  // the server says what it makes of it
        Held.SetAsFMTBCD(S);
        return true;
      case vfText:
        // Written as the text compared, so that the server stores that text and no form of
        // its own (a float's digits, a Boolean's word); a Boolean and a time compare by value.
        if (From != vfNumber) return false;
        Held.SetAsString(S);
        return true;
      case vfDate:
        if (From != vfDateTime) return false;
        Held.SetAsDate(S.substr(0, S.find_first_of(" T")));
        return true;
      default:
        break;
    }
  }
  if (To != vfTime && To != vfDateTime) return false;
  // A value of the column's own kind with no more digits than it keeps, and its zone when it
  // needs one, is held as it is: most values stop here, uncopied.
  if (From == To &&
      (It->TimeDigits < 0 || SecondFractionDigits(S) <= static_cast<std::size_t>(It->TimeDigits)) &&
      (!It->Zone || S.find_first_of("+-Z", S.find(':')) != std::string::npos))
    return false;
  std::string Base = S;
  if (From == vfDate) {
    Base += " 00:00:00";  // midnight, as the servers cast a date
  } else if (From == vfText && To == vfTime) {
    if (std::string Time = IntervalAsTime(S); !Time.empty()) Base = std::move(Time);
  } else if (From != To) {
    return false;
  }
  // A value with more digits than the column keeps would be refused (Firebird) or cut by the
  // server: it is compared and written as the column holds it. A time without a zone is UTC.
  std::string Cut = CutSecondFraction(Base, It->TimeDigits);
  if (It->Zone && Cut.find_first_of("+-Z", Cut.find(':')) == std::string::npos) Cut += "+00";
  if (Cut == S) return false;
  if (To == vfTime)
    Held.SetAsTime(std::move(Cut));
  else
    Held.SetAsDateTime(std::move(Cut));
  return true;
}

const TDataValue& TTableDataComparer::TargetValue(const TField* Field, TParam& Held) const {
  if (AsTargetHolds(Field, Held)) return Held;
  return *Field;
}

bool TTableDataComparer::FindTargetForms() {
  FTargetForms.clear();
  TQELQuery* QM = FQueryMaster.get();
  TQELQuery* QT = FQueryTarget.get();
  if (!QM) return true;
  const TCmpTableOptions& OM = *FTableOptionsMaster;
  const TCmpTableOptions& OT = *FTableOptionsTarget;
  // Without a target a master value is written into the master's own column.
  const TCmpTableOptions& Into = QT ? OT : OM;
  for (std::size_t I = 0; I < FDataPosM.size() && (!QT || I < FDataPosT.size()); ++I) {
    const TField* M = QM->Fields().Fields(FDataPosM[I]);
    const TField* T = QT ? QT->Fields().Fields(FDataPosT[I]) : M;
    const TValueFamily FM = FamilyOf(M->GetDataType()), FT = FamilyOf(T->GetDataType());
    if (!Convertible(FM, FT) && !OnCompareFields) {
      DoErrMsg("The column " + M->GetFieldName() + " (" + FieldTypeName(M->GetDataType()) +
               ") of table " + TableOf(OM) + " in the master and the column " + T->GetFieldName() +
               " (" + FieldTypeName(T->GetDataType()) + ") of table " + TableOf(OT) +
               " in the target hold kinds of value with no conversion from the master's to the "
               "target's: the table is not compared. Leave the column out of the comparison.");
      return false;
    }
    const bool Zone = I < static_cast<std::size_t>(Into.GetWorkDataFields().Count()) &&
                      Into.FUtcFields.IndexOf(Into.GetWorkDataFields()[static_cast<int>(I)]) >= 0;
    // A value with more digits than the column keeps would be refused (Firebird) or cut by
    // the server: it is compared and written as the column holds it.
    const int Digits =
        QT && (FT == vfTime || FT == vfDateTime) ? Forms().TimeFractionDigits(T->GetScale()) : -1;
    // A master column that declares no more digits than the target's keeps needs no cut.
    const bool Fits = FM == FT && M->GetScale() >= 0 && M->GetScale() <= Digits;
    if (FM != FT || (Digits >= 0 && !Fits) || Zone)
      FTargetForms.push_back({M, T->GetDataType(), Digits, Zone});
    // The target's own value selects its row in the zone it is written in.
    if (QT && Zone) FTargetForms.push_back({T, T->GetDataType(), -1, true});
  }
  std::sort(FTargetForms.begin(), FTargetForms.end(),
            [](const TTargetForm& A, const TTargetForm& B) { return A.Field < B.Field; });
  return true;
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
    // Only a float compares by its bytes.
    const bool Float = A->GetDataType() == ftFloat || B->GetDataType() == ftFloat;
    return CompareValues(TargetValue(A, Held), *B, AsKey,
                         Float && (IsFloat4(A) || IsFloat4(B)) ? 4 : 8);
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
  if (!Q || !O.SortedHere()) return;
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
  auto RowOrder = [&](int A, int B) {
    const auto& RA = Rows[static_cast<std::size_t>(A)];
    const auto& RB = Rows[static_cast<std::size_t>(B)];
    for (std::size_t I = 0; I < RA.size(); ++I)
      if (const int C = CompareValues(RA[I], RB[I], true); C != 0) return C;
    return 0;
  };
  std::stable_sort(Order.begin(), Order.end(), [&](int A, int B) { return RowOrder(A, B) < 0; });
  // Every key is here: one that two rows have is refused before anything is written.
  for (std::size_t I = 1; Keys > 0 && !FRowsByValue && I < Order.size(); ++I) {
    if (RowOrder(Order[I - 1], Order[I]) != 0) continue;
    std::vector<const TDataValue*> Values;
    for (const TParam& V : Rows[static_cast<std::size_t>(Order[I])]) Values.push_back(&V);
    throw EDatabaseError(KeyNotUniqueText(Master, Values));
  }
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
  // The server found no such key before (KeysIdentifyRows), or was not asked: rows that came
  // since, or a select of the caller's own.
  if (HavePrev && Order == 0 && Keys > 0 && !FRowsByValue) {
    std::vector<const TDataValue*> Values;
    for (const int P : KeyPos) Values.push_back(F.Fields(P));
    throw EDatabaseError(KeyNotUniqueText(Master, Values));
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

bool TTableDataComparer::KeysIdentifyRows() {
  if (!FQueryTarget || GetKeyFldsCount() == 0) return true;
  // A key holding every data field matches rows by all their values: copies of a row are
  // told apart by where they lie (DeleteOneRow).
  const TStrings& KeysT = FTableOptionsTarget->GetWorkKeyFields();
  const TStrings& DataT = FTableOptionsTarget->GetWorkDataFields();
  if (std::all_of(DataT.begin(), DataT.end(),
                  [&KeysT](const std::string& N) { return KeysT.IndexOf(N) >= 0; }))
    return true;
  for (const bool Master : {false, true}) {
    TQELQuery& Q = Master ? *FQueryMaster : *FQueryTarget;
    TCmpTableOptions& O = Master ? *FTableOptionsMaster : *FTableOptionsTarget;
    // An Access side is checked as it is sorted here (SortUnordered): its drivers know no
    // GROUP BY.
    if (O.SortedHere() || KeyHoldsPrimaryKey(O, Q)) continue;
    // The target's rows are told apart as its server tells them apart in the statements'
    // conditions; the master's as the merge does, by their bytes, where MySQL's collations
    // take texts that differ in case or trailing blanks as equal.
    const TDialect* D = FindDialect(O.GetDatabaseType());
    const bool Bytes = Master && D && D->TextBytes;
    std::string Keys, Groups;
    for (const std::string& K : O.GetWorkKeyFields()) {
      const std::string Name = K.front() == '"' ? K : O.QuoteField(K);
      Keys += (Keys.empty() ? "" : ", ") + (Bytes ? "min(" + Name + ")" : Name);
      Groups += (Groups.empty() ? "" : ", ") + (Bytes ? D->TextBytes(Name) : Name);
    }
    std::string Error;
    Q.UniDirectional = true;  // one row is read, however many keys the server finds
    TCmpTableOptions::RunQuery(Q,
                               "select " + Keys + " from " + O.QualifiedName() + " group by " +
                                   Groups + " having count(*) > 1",
                               [&](TQELQuery& R) {
                                 if (R.GetEof()) return;
                                 std::vector<const TDataValue*> Values;
                                 for (int I = 0; I < R.FieldCount(); ++I)
                                   Values.push_back(R.Fields().Fields(I));
                                 Error = KeyNotUniqueText(Master, Values);
                               });
    if (!Error.empty()) {
      DoErrMsg(Error);
      return false;
    }
  }
  return true;
}

bool TTableDataComparer::KeyHoldsPrimaryKey(TCmpTableOptions& Options, TQELQuery& Query) {
  const TDialect* D = FindDialect(Options.GetDatabaseType());
  if (!D || !D->TableCatalogSQL) return false;
  std::vector<std::string> Parts;
  if (!Options.GetSchemaName().empty()) Parts.push_back(Options.GetSchemaName());
  Parts.push_back(Options.GetTableName());
  std::vector<std::string> Primary;
  try {
    TCmpTableOptions::RunQuery(
        Query, D->TableCatalogSQL(Parts, std::vector<bool>(Parts.size(), true)).Keys,
        [&Primary](TQELQuery& R) {
          for (; !R.GetEof(); R.Next()) Primary.push_back(Trim(R.Fields().Fields(0)->AsString()));
        });
  } catch (const std::exception&) {
    return false;  // not known: the server is asked for a key more than one row has
  }
  const TStrings& Keys = Options.GetWorkKeyFields();
  return !Primary.empty() &&
         std::all_of(Primary.begin(), Primary.end(), [&](const std::string& Column) {
           return std::any_of(Keys.begin(), Keys.end(),
                              [&](const std::string& K) { return Options.NamesColumn(K, Column); });
         });
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

  // A key that more than one row has would pair the wrong rows, and a statement for one of
  // them would change them all: such a key is refused before anything is written.
  if (!KeysIdentifyRows()) return;

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
  if (!FindTargetForms()) {
    CloseAndClear(QM);
    CloseAndClear(QT);
    return;
  }
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
    const TQELCustomConnection* C = FOutputs->Execute.Connection();
    if (FStopText.empty() && !(C && C->GetConnectionLost())) {
      try {
        FOutputs->Execute.RunQueued();
      } catch (const std::exception&) {  // the failure that ended the merge is the one told
      }
      if (!FStopText.empty()) DoErrMsg(FStopText);
    }
    FOutputs->Execute.Clear();
    throw;
  }
  FOutputs->Execute.RunQueued();
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
  if (QM && FTableOptionsMaster->SortedHere()) QM->UniDirectional = false;
  if (QT && FTableOptionsTarget->SortedHere()) QT->UniDirectional = false;
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
    FOutputs->Execute.CheckCommitted();
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
  TExecuteWriter& Exec = FOutputs->Execute;
  Exec.CheckCommitted();
  ThrowIfStopped();

  for (TQELCustomConnection* C : {FQELConnectionMaster, FQELConnectionTarget, Exec.Connection()})
    if (C && C->GetConnected() && C->InTransaction()) C->Commit();
  Exec.SettleApplied();
  DoLogNextLine(StatisticsText());
}

void TTableDataComparer::StopIfAsked() {
  if (!FUpdateImmediately || !TerminateRunning.load()) return;
  FCancelled = true;
  // The round trip under way is answered, so that what it made is known; nothing is sent
  // after it.
  TExecuteWriter& Exec = FOutputs->Execute;
  Exec.AwaitAhead();
  Exec.Clear();
  // Row changes written while the target's rows are read wait in the transaction that holds
  // them open: closing the rows commits them, as each would have been.
  if (Exec.Connection() == FQELConnectionTarget) CloseAndClear(FQueryTarget.get());
  Exec.CheckCommitted();
  Exec.SettleApplied();
  if (FStopText.empty()) FStopText = "The run was stopped; no row change was sent after it.";
  ThrowIfStopped();
}

}  // namespace qel
