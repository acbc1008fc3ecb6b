// Record sets: typed values, fields, parameters and the data set that walks a result's rows.
#include "DataSet.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "Text.h"

namespace qel {

namespace {

const char* const FieldTypeNames[] = {
    "ftUnknown", "ftString", "ftSmallint", "ftInteger",  "ftLargeint", "ftBoolean", "ftFloat",
    "ftFMTBcd",  "ftDate",   "ftTime",     "ftDateTime", "ftMemo",     "ftBlob"};

/// The whole of S, blanks around it trimmed and an optional leading "+", as a number of type N.
template <class N>
bool ParseNumber(const std::string& S, N& Value) {
  const std::string T = Trim(S);
  const char* B = T.data();
  const char* E = B + T.size();
  if (B != E && *B == '+') ++B;
  auto [P, Ec] = std::from_chars(B, E, Value);
  return Ec == std::errc() && P == E && B != E;
}

/// An optional sign, digits with at most one decimal point, at least one digit.
bool IsDecimalText(const std::string& S) {
  size_t I = 0;
  if (I < S.size() && (S[I] == '-' || S[I] == '+')) ++I;
  bool Digit = false, Point = false;
  for (; I < S.size(); ++I) {
    const char C = S[I];
    if (C >= '0' && C <= '9') {
      Digit = true;
    } else if (C == '.' && !Point) {
      Point = true;
    } else {
      return false;
    }
  }
  return Digit;
}

}  // namespace

std::string FieldTypeName(TFieldType DataType) {
  const auto I = static_cast<size_t>(DataType);
  return I < std::size(FieldTypeNames) ? FieldTypeNames[I] : FieldTypeNames[0];
}

// ---------------------------------------------------------------------------------------------

std::int64_t TDataValue::AsLargeInt() const {
  if (FIsNull) return 0;
  if (FDataType == ftBoolean) return AsBoolean() ? 1 : 0;
  std::int64_t V = 0;
  if (ParseNumber(FData, V)) return V;
  double D = 0;
  if (ParseNumber(FData, D) && std::isfinite(D) && std::fabs(D) < 9.2e18)
    return static_cast<std::int64_t>(std::llround(D));
  throw EDatabaseError("'" + FData + "' is not a valid integer value");
}

std::int32_t TDataValue::AsInteger() const {
  const std::int64_t V = AsLargeInt();
  if (V < std::numeric_limits<std::int32_t>::min() || V > std::numeric_limits<std::int32_t>::max())
    throw EDatabaseError("'" + FData + "' is not a valid integer value");
  return static_cast<std::int32_t>(V);
}

double TDataValue::AsFloat() const {
  if (FIsNull) return 0;
  if (FDataType == ftBoolean) return AsBoolean() ? 1 : 0;
  double D = 0;
  if (ParseNumber(FData, D)) return D;
  throw EDatabaseError("'" + FData + "' is not a valid floating point value");
}

bool TDataValue::AsBoolean() const {
  if (FIsNull) return false;
  const std::string T = Trim(FData);
  return SameText(T, "True") || SameText(T, "t") || T == "1" || SameText(T, "Y") ||
         SameText(T, "yes");
}

// ---------------------------------------------------------------------------------------------

TField::TField(std::string FieldName, TFieldType DataType, std::int32_t Size)
    : FFieldName(std::move(FieldName)), FSize(Size) {
  SetDataType(DataType);
}

void TField::Load(bool IsNull, const std::string& Data) {
  if (IsNull)
    SetNull();
  else
    AssignData(Data);
}

TField* TFields::Fields(int Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return FItems[static_cast<size_t>(Index)].get();
}

TField* TFields::FindField(const std::string& FieldName) const {
  for (const auto& F : FItems)
    if (SameText(F->GetFieldName(), FieldName)) return F.get();
  return nullptr;
}

TField* TFields::FieldByName(const std::string& FieldName) const {
  TField* F = FindField(FieldName);
  if (!F) throw EDatabaseError("Field '" + FieldName + "' not found");
  return F;
}

// ---------------------------------------------------------------------------------------------

void TParam::Assign(const TPersistent& Source) {
  if (const auto* P = dynamic_cast<const TParam*>(&Source)) {
    Name = P->Name;
    CopyValue(*P);
    return;
  }
  TPersistent::Assign(Source);
}

void TParam::SetAsInteger(std::int32_t Value) {
  SetData(ftInteger, std::to_string(Value));
}

void TParam::SetAsLargeInt(std::int64_t Value) {
  SetData(ftLargeint, std::to_string(Value));
}

void TParam::SetAsFloat(double Value) {
  SetData(ftFloat, ShortestFloatText(Value));
}

void TParam::SetAsFMTBCD(const std::string& Value) {
  const std::string T = Trim(Value);
  if (!IsDecimalText(T)) throw EDatabaseError("'" + Value + "' is not a valid decimal value");
  SetData(ftFMTBcd, T);
}

TParam* TParams::Items(int Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return FItems[static_cast<size_t>(Index)].get();
}

TParam* TParams::FindParam(const std::string& Name) const {
  for (const auto& P : FItems)
    if (SameText(P->Name, Name)) return P.get();
  return nullptr;
}

TParam* TParams::ParamByName(const std::string& Name) const {
  TParam* P = FindParam(Name);
  if (!P) throw EDatabaseError("Parameter '" + Name + "' not found");
  return P;
}

TParam* TParams::CreateParam(TFieldType DataType, const std::string& Name) {
  FItems.push_back(std::make_unique<TParam>(Name));
  ++FGeneration;
  FItems.back()->SetDataType(DataType);
  return FItems.back().get();
}

void TParams::Assign(const TPersistent& Source) {
  if (const auto* P = dynamic_cast<const TParams*>(&Source)) {
    if (P == this) return;
    FItems.clear();
    ++FGeneration;
    for (const auto& Item : P->FItems) {
      FItems.push_back(std::make_unique<TParam>());
      FItems.back()->Assign(*Item);
    }
    return;
  }
  TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------------------------

TDataSet::~TDataSet() = default;

void TDataSet::SetActive(bool Value) {
  if (Value == FActive) return;
  if (!Value) {
    InternalClose();
    ClearRecords();
    FActive = false;
    FEof = FBof = true;
    return;
  }
  ClearRecords();
  try {
    InternalInitFieldDefs();
    InternalOpen();
  } catch (...) {
    InternalHandleException();
    ClearRecords();
    throw;
  }
  FActive = true;
  if (!IsCursorOpen()) {
    FActive = false;
    ClearRecords();
    return;
  }
  First();
}

TGetResult TDataSet::GetRecord(TGetMode GetMode) {
  const int N = static_cast<int>(FRecords.size());
  switch (GetMode) {
    case gmCurrent:
      if (FCurrent < 0 || FCurrent >= N) return grError;
      break;
    case gmNext:
      if (FCurrent + 1 >= N) return grEOF;
      ++FCurrent;
      break;
    case gmPrior:
      if (FCurrent <= 0) return grBOF;
      --FCurrent;
      break;
  }
  LoadCurrent();
  return grOK;
}

void TDataSet::First() {
  if (!FActive) return;
  FCurrent = -1;
  FBof = true;
  FEof = GetRecord(gmNext) != grOK;
}

void TDataSet::Next() {
  if (!FActive || FEof) return;
  FBof = false;
  if (GetRecord(gmNext) != grOK) FEof = true;
}

void TDataSet::Last() {
  if (!FActive) return;
  if (FRecords.empty()) {
    FEof = FBof = true;
    return;
  }
  FCurrent = static_cast<int>(FRecords.size()) - 2;
  GetRecord(gmNext);
  FEof = FBof = false;
}

void TDataSet::Prior() {
  if (!FActive || FBof) return;
  FEof = false;
  if (GetRecord(gmPrior) != grOK) FBof = true;
}

TField* TDataSet::AddField(const std::string& FieldName, TFieldType DataType, std::int32_t Size) {
  FFields.FItems.push_back(std::make_unique<TField>(FieldName, DataType, Size));
  return FFields.FItems.back().get();
}

void TDataSet::AppendRecord(TRecord Record) {
  Record.resize(FFields.FItems.size());
  FRecords.push_back(std::move(Record));
}

void TDataSet::SwapRecords(std::vector<TRecord>& Rows) {
  // The rows handed out are to be filled again: a value lent to a field stays with it, so that
  // the fields still show the current row.
  FLent = -1;
  FRecords.swap(Rows);
  FCurrent = -1;
}

void TDataSet::ReorderRecords(const std::vector<int>& Order) {
  ReturnLent();
  std::vector<TRecord> Rows;
  Rows.reserve(Order.size());
  for (const int I : Order) Rows.push_back(std::move(FRecords[static_cast<size_t>(I)]));
  FRecords = std::move(Rows);
  First();
}

void TDataSet::ClearRecords() {
  FLent = -1;
  FRecords.clear();
  FFields.FItems.clear();
  FCurrent = -1;
}

void TDataSet::LoadCurrent() {
  // A value this large changes hands between record and field instead of being copied.
  constexpr std::size_t LendBytes = 64u << 10;
  if (FLent == FCurrent) return;  // the fields hold this record's values
  ReturnLent();
  TRecord& R = FRecords[static_cast<size_t>(FCurrent)];
  for (size_t I = 0; I < FFields.FItems.size(); ++I) {
    if (!R[I].IsNull && R[I].Data.size() >= LendBytes) {
      FFields.FItems[I]->Lend(R[I].Data);
      FLentFields.push_back(I);
    } else {
      FFields.FItems[I]->Load(R[I].IsNull, R[I].Data);
    }
  }
  if (!FLentFields.empty()) FLent = FCurrent;
}

void TDataSet::ReturnLent() {
  if (FLent >= 0)
    for (const size_t I : FLentFields)
      FFields.FItems[I]->Lend(FRecords[static_cast<size_t>(FLent)][I].Data);
  FLent = -1;
  FLentFields.clear();
}

}  // namespace qel
