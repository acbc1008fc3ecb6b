// The catalog of an Access file through libmdb: table definitions, their indexes, the
// relationships of MSysRelationships and the names of the saved queries; and the rows of a
// table, read from the file's pages with each value decoded here as the file stores it.
#include "Adox.h"

#include <mdbtools.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <tuple>

#include "Text.h"

namespace qel {

namespace {

// The object kinds of the catalog and the column kinds of a table definition (mdbtools.h).
constexpr int KindTable = MDB_TABLE;
constexpr int KindQuery = MDB_QUERY;

// The relationship flags of MSysRelationships.grbit.
constexpr long RelationNotEnforced = 0x2;
constexpr long RelationInherited = 0x4;  // a relationship of a linked table: the other file's
constexpr long RelationUpdateCascade = 0x100;
constexpr long RelationDeleteCascade = 0x1000;

struct TCloseFile {
  void operator()(MdbHandle* H) const { mdb_close(H); }
};
struct TFreeTable {
  void operator()(MdbTableDef* T) const { mdb_free_tabledef(T); }
};
using TTableDef = std::unique_ptr<MdbTableDef, TFreeTable>;

std::string Prop(const char* Value) {
  return Value ? Value : "";
}

TADOXDataType TypeOf(int FileType) {
  switch (FileType) {
    case MDB_BOOL:
      return adBoolean;
    case MDB_BYTE:
      return adUnsignedTinyInt;
    case MDB_INT:
      return adSmallInt;
    case MDB_LONGINT:
      return adInteger;
    case MDB_MONEY:
      return adCurrency;
    case MDB_FLOAT:
      return adSingle;
    case MDB_DOUBLE:
      return adDouble;
    case MDB_DATETIME:
      return adDate;
    case MDB_BINARY:
      return adBinary;
    case MDB_TEXT:
      return adVarWChar;
    case MDB_OLE:
      return adLongVarBinary;
    case MDB_MEMO:
      return adLongVarWChar;
    case MDB_REPID:
      return adGUID;
    case MDB_NUMERIC:
      return adNumeric;
    default:
      return adEmpty;
  }
}

TADOXColumn ColumnOf(const MdbHandle& File, const MdbColumn& C) {
  TADOXColumn R;
  R.Name = C.name;
  R.FileType = C.col_type;
  R.Type = TypeOf(C.col_type);
  switch (R.Type) {
    case adVarWChar:
      // Jet 4 and later keep text as UCS-2: the size is in bytes, two to a character.
      R.DefinedSize = File.f->jet_version == MDB_VER_JET3 ? C.col_size : C.col_size / 2;
      break;
    case adBinary:
      R.DefinedSize = C.col_size;
      break;
    case adNumeric:
      R.Precision = C.col_prec;
      R.NumericScale = C.col_scale;
      break;
    default:
      break;
  }
  R.AutoIncrement = C.is_long_auto != 0;
  R.Nullable = R.Type != adBoolean && Prop(mdb_col_get_prop(&C, "Required")) != "yes";
  R.Default = Prop(mdb_col_get_prop(&C, "DefaultValue"));
  R.Description = Prop(mdb_col_get_prop(&C, "Description"));
  return R;
}

void ReadIndexes(const MdbTableDef& T, TADOXTable& Out) {
  for (unsigned I = 0; I < T.num_idxs; ++I) {
    const auto* X = static_cast<const MdbIndex*>(g_ptr_array_index(T.indices, I));
    // The index a relationship keeps for its referring columns is the relationship's own.
    if (X->index_type == 2) continue;
    TADOXIndex Idx;
    Idx.Name = X->name;
    Idx.PrimaryKey = X->index_type == 1;
    Idx.Unique = Idx.PrimaryKey || (X->flags & MDB_IDX_UNIQUE) != 0;
    for (unsigned K = 0; K < X->num_keys && K < MDB_MAX_IDX_COLS; ++K) {
      // Column numbers count from 1 in the table's column order.
      const int N = X->key_col_num[K];
      if (N < 1 || static_cast<unsigned>(N) > T.num_cols) continue;
      const auto* C = static_cast<const MdbColumn*>(g_ptr_array_index(T.columns, N - 1));
      Idx.Columns.push_back({C->name, X->key_col_order[K] == MDB_DESC});
    }
    if (!Idx.Columns.empty()) Out.Indexes.push_back(std::move(Idx));
  }
}

/// The relationships of MSysRelationships, filed with the referring tables of Catalog.
void ReadRelationships(MdbHandle& File, TADOXCatalog& Catalog) {
  char Name[] = "MSysRelationships";
  TTableDef T(mdb_read_table_by_name(&File, Name, MDB_TABLE));
  if (!T || !mdb_read_columns(T.get())) return;
  const char* Names[] = {"szRelationship",     "szObject", "szColumn", "szReferencedObject",
                         "szReferencedColumn", "grbit",    "icolumn"};
  constexpr int Count = sizeof Names / sizeof Names[0];
  std::vector<std::vector<char>> Values(Count, std::vector<char>(File.bind_size + 1));
  int Lengths[Count] = {};
  for (int I = 0; I < Count; ++I) {
    std::string Col = Names[I];
    if (mdb_bind_column_by_name(T.get(), Col.data(), Values[I].data(), &Lengths[I]) < 0) return;
  }
  auto Text = [&](int I) { return std::string(Values[I].data()); };
  // Rows of one relationship, by its name, in the order of their column index.
  std::map<std::string,
           std::map<long, std::tuple<std::string, std::string, std::string, std::string, long>>>
      Rows;
  mdb_rewind_table(T.get());
  while (mdb_fetch_row(T.get())) {
    Rows[Text(0)][std::atol(Text(6).c_str())] = {Text(1), Text(2), Text(3), Text(4),
                                                 std::atol(Text(5).c_str())};
  }
  for (const auto& [RelName, Cols] : Rows) {
    const auto& [Object, Column, RefObject, RefColumn, Flags] = Cols.begin()->second;
    if (Flags & RelationInherited) continue;
    auto Tbl = std::find_if(Catalog.Tables.begin(), Catalog.Tables.end(),
                            [&](const TADOXTable& X) { return X.Name == Object; });
    if (Tbl == Catalog.Tables.end()) continue;
    TADOXKey K;
    K.Name = RelName;
    K.RelatedTable = RefObject;
    K.Enforced = (Flags & RelationNotEnforced) == 0;
    K.UpdateRule = (Flags & RelationUpdateCascade) ? adRICascade : adRINone;
    K.DeleteRule = (Flags & RelationDeleteCascade) ? adRICascade : adRINone;
    for (const auto& [Index, Row] : Cols) {
      K.Columns.push_back(std::get<1>(Row));
      K.RelatedColumns.push_back(std::get<3>(Row));
    }
    Tbl->Keys.push_back(std::move(K));
  }
}

void ReadCatalog(const std::string& FileName, TADOXCatalog& Catalog) {
  std::unique_ptr<MdbHandle, TCloseFile> File(mdb_open(FileName.c_str(), MDB_NOFLAGS));
  if (!File) throw EDatabaseError("Cannot open the Access file " + FileName);
  if (!mdb_read_catalog(File.get(), MDB_ANY))
    throw EDatabaseError("Cannot read the catalog of the Access file " + FileName);
  for (unsigned I = 0; I < File->num_catalog; ++I) {
    auto* E = static_cast<MdbCatalogEntry*>(g_ptr_array_index(File->catalog, I));
    const std::string Name = E->object_name;
    if (E->object_type == KindQuery) {
      // "~sq_..." queries are the hidden row sources of forms and reports.
      if (!Name.empty() && Name[0] != '~') Catalog.Queries.push_back(Name);
      continue;
    }
    if (E->object_type != KindTable) continue;
    const bool System = mdb_is_system_table(E) || Name.rfind("MSys", 0) == 0;
    TTableDef T(mdb_read_table(E));
    if (!T || !mdb_read_columns(T.get())) {
      if (System) continue;  // of no use to a schema
      throw EDatabaseError("Cannot read the definition of table " + Name + " of the Access file " +
                           FileName);
    }
    mdb_read_indices(T.get());
    TADOXTable Out;
    Out.Name = Name;
    Out.System = System;
    Out.Description = Prop(mdb_table_get_prop(T.get(), "Description"));
    for (unsigned C = 0; C < T->num_cols; ++C)
      Out.Columns.push_back(
          ColumnOf(*File, *static_cast<const MdbColumn*>(g_ptr_array_index(T->columns, C))));
    ReadIndexes(*T, Out);
    Catalog.Tables.push_back(std::move(Out));
  }
  ReadRelationships(*File, Catalog);
}

// ---------------------------------------------------------------------------------------------
// Rows. The driver's own conversions are not used: it turns a date outside 1900-2700 into
// "1900-01-00 00:00:00" (a date no server takes) and prints a Single with digits the value
// does not have (0.15 as 1.5000001E-1). Each value is decoded from the row's bytes here, and
// memos and OLE objects are read whole whatever the size of libmdb's text buffer.

// The flags of the 12-byte header of a memo or OLE value (its length is the low 30 bits).
constexpr unsigned long LongValueInline = 0x80000000;
constexpr unsigned long LongValueOnePage = 0x40000000;
constexpr unsigned long LongValueLength = 0x3FFFFFFF;
// The page row offsets keep flags in their high bits.
constexpr int RowOffsetMask = 0x1FFF;

/// The field type a column of FileType is given as, the one the driver describes it with.
TFieldType FieldTypeOfFile(int FileType) {
  switch (FileType) {
    case MDB_BOOL:
      return ftBoolean;
    case MDB_BYTE:
    case MDB_INT:
      return ftSmallint;
    case MDB_LONGINT:
      return ftInteger;
    case MDB_MONEY:
    case MDB_NUMERIC:
      return ftFMTBcd;
    case MDB_FLOAT:
    case MDB_DOUBLE:
      return ftFloat;
    case MDB_DATETIME:
      return ftDateTime;
    case MDB_MEMO:
      return ftMemo;
    case MDB_BINARY:
    case MDB_OLE:
      return ftBlob;
    default:  // text, replication IDs
      return ftString;
  }
}

/// The bytes of a memo or OLE value whose header is Size bytes at Start of the current page:
/// the rest of the field, one row of a page of its own, or a chain of such rows (each naming
/// the next in its first four bytes).
std::string LongValue(MdbHandle& File, int Start, int Size) {
  if (Size < MDB_MEMO_OVERHEAD) return std::string();
  const auto Header = static_cast<unsigned long>(mdb_get_int32(File.pg_buf, Start));
  const std::size_t Length = Header & LongValueLength;
  auto* Page = reinterpret_cast<const char*>(File.pg_buf);
  if (Header & LongValueInline)
    return std::string(Page + Start + MDB_MEMO_OVERHEAD,
                       static_cast<std::size_t>(Size - MDB_MEMO_OVERHEAD));
  std::string Out;
  auto Next = static_cast<int>(mdb_get_int32(File.pg_buf, Start + 4));
  const bool OnePage = (Header & LongValueOnePage) != 0;
  if (!OnePage && (Header & ~LongValueLength) != 0)
    throw EDatabaseError("A long value of the Access file has an unknown form (flags " +
                         IntToStr(static_cast<int>(Header >> 24)) + ").");
  while (Next != 0 && Out.size() < Length) {
    void* Buf = nullptr;
    int RowStart = 0;
    std::size_t Len = 0;
    if (mdb_find_pg_row(&File, Next, &Buf, &RowStart, &Len) != 0)
      throw EDatabaseError("A long value of the Access file names a page it does not have.");
    const char* Row = static_cast<const char*>(Buf) + RowStart;
    if (OnePage) {
      Out.assign(Row, std::min(Len, Length));
      break;
    }
    // A link without data would never end a chain that loops.
    if (Len <= 4) break;
    Next = static_cast<int>(mdb_get_int32(Buf, RowStart));
    Out.append(Row + 4, Len - 4);
  }
  if (Out.size() > Length) Out.resize(Length);
  return Out;
}

/// Text kept as UCS-2 (compressed or not) or, in a Jet 3 file, in its code page, as UTF-8.
std::string TextOf(MdbHandle& File, const char* Bytes, std::size_t Size) {
  if (Size == 0) return std::string();
  // A stored byte becomes at most one character of at most three bytes.
  std::string Out(Size * 3 + 16, '\0');
  const int N = mdb_unicode2ascii(&File, Bytes, Size, Out.data(), Out.size());
  Out.resize(N > 0 ? static_cast<std::size_t>(N) : 0);
  return Out;
}

/// The decimal text of Digits (a magnitude in 32-bit words, the most significant first) with
/// Scale digits after the point, Negative adding a minus sign.
std::string DecimalText(std::vector<std::uint32_t> Words, int Scale, bool Negative) {
  std::string Digits;
  for (;;) {
    // Words /= 10, the remainder is the next digit.
    std::uint64_t Rem = 0;
    bool Zero = true;
    for (std::uint32_t& W : Words) {
      const std::uint64_t Cur = (Rem << 32) | W;
      W = static_cast<std::uint32_t>(Cur / 10);
      Rem = Cur % 10;
      Zero = Zero && W == 0;
    }
    Digits.insert(Digits.begin(), static_cast<char>('0' + Rem));
    if (Zero) break;
  }
  if (Scale > 0) {
    if (Digits.size() <= static_cast<std::size_t>(Scale))
      Digits.insert(0, static_cast<std::size_t>(Scale) - Digits.size() + 1, '0');
    Digits.insert(Digits.size() - static_cast<std::size_t>(Scale), 1, '.');
  }
  const bool AllZero = Digits.find_first_not_of("0.") == std::string::npos;
  return (Negative && !AllZero ? "-" : "") + Digits;
}

/// A Currency value: a 64-bit two's complement count of ten-thousandths.
std::string MoneyText(const unsigned char* P) {
  std::uint64_t V = 0;
  for (int I = 7; I >= 0; --I) V = (V << 8) | P[I];
  const bool Negative = (V >> 63) != 0;
  if (Negative) V = ~V + 1;
  return DecimalText({static_cast<std::uint32_t>(V >> 32), static_cast<std::uint32_t>(V)}, 4,
                     Negative);
}

/// A Decimal value: a sign byte (0x80 when negative), then a 128-bit magnitude as four
/// little-endian 32-bit words, the most significant first.
std::string NumericText(const unsigned char* P, int Scale) {
  std::vector<std::uint32_t> Words(4);
  for (std::size_t W = 0; W < 4; ++W)
    Words[W] = static_cast<std::uint32_t>(
        mdb_get_int32(const_cast<unsigned char*>(P), static_cast<int>(1 + 4 * W)));
  return DecimalText(std::move(Words), Scale, (P[0] & 0x80) != 0);
}

/// Day Z counted from 1970-01-01 as a date of the proleptic Gregorian calendar.
void CivilFromDays(std::int64_t Z, std::int64_t& Y, unsigned& M, unsigned& D) {
  Z += 719468;
  const std::int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
  const auto Doe = static_cast<unsigned>(Z - Era * 146097);
  const unsigned Yoe = (Doe - Doe / 1460 + Doe / 36524 - Doe / 146096) / 365;
  const unsigned Doy = Doe - (365 * Yoe + Yoe / 4 - Yoe / 100);
  const unsigned Mp = (5 * Doy + 2) / 153;
  D = Doy - (153 * Mp + 2) / 5 + 1;
  M = Mp < 10 ? Mp + 3 : Mp - 9;
  Y = static_cast<std::int64_t>(Yoe) + Era * 400 + (M <= 2 ? 1 : 0);
}

/// A Date/Time value: days since 30 December 1899 before the point (negative before that
/// day), the time of day as the fraction after it whatever the sign (-1.25 is 29 December
/// 1899, 06:00). Kept to the millisecond; False for a value that is no date of years 1-9999.
bool DateTimeText(double V, std::string& Text) {
  if (!std::isfinite(V) || std::fabs(V) > 1e7) return false;
  const double Whole = std::trunc(V);
  auto Days = static_cast<std::int64_t>(Whole);
  auto Ms = static_cast<std::int64_t>(std::llround(std::fabs(V - Whole) * 86400000.0));
  if (Ms >= 86400000) {
    Ms -= 86400000;
    ++Days;
  }
  std::int64_t Y = 0;
  unsigned M = 0, D = 0;
  CivilFromDays(Days - 25569, Y, M, D);  // 1899-12-30 is day -25569 of 1970
  if (Y < 1 || Y > 9999) return false;
  char Buf[40];
  const auto S = static_cast<int>(Ms / 1000);
  std::snprintf(Buf, sizeof Buf, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(Y), M, D,
                S / 3600, S / 60 % 60, S % 60);
  Text = Buf;
  if (const auto Frac = static_cast<int>(Ms % 1000); Frac != 0) {
    std::snprintf(Buf, sizeof Buf, ".%03d", Frac);
    Text += Buf;
    while (Text.back() == '0') Text.pop_back();
  }
  return true;
}

/// The value of column C in field F of the current row; raises for a value the column's type
/// cannot hold.
TDataSet::TRecordValue ValueOf(MdbHandle& File, const MdbColumn& C, const MdbField& F) {
  TDataSet::TRecordValue V;
  // A Yes/No column keeps its value in the row's null mask: it is never null.
  if (C.col_type == MDB_BOOL) {
    V.IsNull = false;
    V.Data = F.is_null ? "False" : "True";
    return V;
  }
  if (F.is_null) return V;
  V.IsNull = false;
  unsigned char* P = File.pg_buf + F.start;
  auto* Bytes = reinterpret_cast<const char*>(P);
  const auto Size = static_cast<std::size_t>(std::max(F.siz, 0));
  auto Fixed = [&](std::size_t Need) {
    if (Size < Need)
      throw EDatabaseError("Column " + std::string(C.name) + " of a row holds " +
                           IntToStr(static_cast<int>(Size)) + " bytes, too few for its type.");
  };
  switch (C.col_type) {
    case MDB_BYTE:
      Fixed(1);
      V.Data = IntToStr(P[0]);
      break;
    case MDB_INT:
      Fixed(2);
      V.Data = IntToStr(static_cast<std::int16_t>(mdb_get_int16(P, 0)));
      break;
    case MDB_LONGINT:
      Fixed(4);
      V.Data = std::to_string(static_cast<std::int32_t>(mdb_get_int32(P, 0)));
      break;
    case MDB_MONEY:
      Fixed(8);
      V.Data = MoneyText(P);
      break;
    case MDB_NUMERIC:
      Fixed(17);
      V.Data = NumericText(P, C.col_scale);
      break;
    case MDB_FLOAT:
      Fixed(4);
      V.Data = ShortestFloatText(mdb_get_single(P, 0));
      break;
    case MDB_DOUBLE:
      Fixed(8);
      V.Data = ShortestFloatText(mdb_get_double(P, 0));
      break;
    case MDB_DATETIME: {
      Fixed(8);
      const double Days = mdb_get_double(P, 0);
      if (!DateTimeText(Days, V.Data))
        throw EDatabaseError("Column " + std::string(C.name) + " holds " + ShortestFloatText(Days) +
                             ", which is no date of the years 1 to 9999.");
      break;
    }
    case MDB_TEXT:
      V.Data = TextOf(File, Bytes, Size);
      break;
    case MDB_MEMO: {
      const std::string Raw = LongValue(File, F.start, F.siz);
      V.Data = TextOf(File, Raw.data(), Raw.size());
      break;
    }
    case MDB_OLE:
      V.Data = LongValue(File, F.start, F.siz);
      break;
    case MDB_BINARY:
      V.Data.assign(Bytes, Size);
      break;
    case MDB_REPID: {
      Fixed(16);
      char* Guid = mdb_uuid_to_string(File.pg_buf, F.start);
      V.Data = Guid ? Guid : "";
      g_free(Guid);
      break;
    }
    default: {
      // A kind the catalog does not know either (an attachment list): as libmdb shows it.
      char* Text = mdb_col_to_string(&File, File.pg_buf, F.start, C.col_type, F.siz);
      V.Data = Text ? Text : "";
      g_free(Text);
      break;
    }
  }
  return V;
}

/// The catalog entry of table Name: the one of that exact name, else the one name that differs
/// from it only in case.
MdbCatalogEntry* FindTable(MdbHandle& File, const std::string& Name) {
  MdbCatalogEntry* Found = nullptr;
  int Others = 0;
  for (unsigned I = 0; I < File.num_catalog; ++I) {
    auto* E = static_cast<MdbCatalogEntry*>(g_ptr_array_index(File.catalog, I));
    if (E->object_type != KindTable) continue;
    if (Name == E->object_name) return E;
    if (SameText(Name, E->object_name)) {
      Found = E;
      ++Others;
    }
  }
  return Others == 1 ? Found : nullptr;
}

/// The position of column Name in T, matched as FindTable matches tables; -1 when none.
int FindColumn(const MdbTableDef& T, const std::string& Name) {
  int Found = -1, Others = 0;
  for (unsigned I = 0; I < T.num_cols; ++I) {
    const auto* C = static_cast<const MdbColumn*>(g_ptr_array_index(T.columns, I));
    if (Name == C->name) return static_cast<int>(I);
    if (SameText(Name, C->name)) {
      Found = static_cast<int>(I);
      ++Others;
    }
  }
  return Others == 1 ? Found : -1;
}

}  // namespace

void InstallADOXCatalogReader() {
  ADOXCatalogReader = ReadCatalog;
}

std::vector<std::string> ReadAccessTableNames(const std::string& FileName) {
  std::unique_ptr<MdbHandle, TCloseFile> File(mdb_open(FileName.c_str(), MDB_NOFLAGS));
  if (!File) throw EDatabaseError("Cannot open the Access file " + FileName);
  if (!mdb_read_catalog(File.get(), MDB_TABLE))
    throw EDatabaseError("Cannot read the catalog of the Access file " + FileName);
  std::vector<std::string> Names;
  for (unsigned I = 0; I < File->num_catalog; ++I) {
    auto* E = static_cast<MdbCatalogEntry*>(g_ptr_array_index(File->catalog, I));
    const std::string Name = E->object_name;
    if (E->object_type == KindTable && !mdb_is_system_table(E) && Name.rfind("MSys", 0) != 0)
      Names.push_back(Name);
  }
  return Names;
}

void ReadAccessRows(const std::string& FileName, const std::string& Table,
                    const std::vector<std::string>& Columns, TQueryResult& Result) {
  std::unique_ptr<MdbHandle, TCloseFile> File(mdb_open(FileName.c_str(), MDB_NOFLAGS));
  if (!File) throw EDatabaseError("Cannot open the Access file " + FileName);
  if (!mdb_read_catalog(File.get(), MDB_TABLE))
    throw EDatabaseError("Cannot read the catalog of the Access file " + FileName);
  MdbCatalogEntry* Entry = FindTable(*File, Table);
  TTableDef T(Entry ? mdb_read_table(Entry) : nullptr);
  if (!T || !mdb_read_columns(T.get()))
    throw EDatabaseError("The Access file " + FileName + " has no table " + Table + ".");
  std::vector<int> Pos;
  if (Columns.empty())
    for (unsigned I = 0; I < T->num_cols; ++I) Pos.push_back(static_cast<int>(I));
  for (const std::string& Name : Columns) {
    Pos.push_back(FindColumn(*T, Name));
    if (Pos.back() < 0)
      throw EDatabaseError("Table " + Table + " of the Access file " + FileName +
                           " has no column " + Name + ".");
  }
  auto Column = [&T](int I) {
    return static_cast<MdbColumn*>(g_ptr_array_index(T->columns, static_cast<unsigned>(I)));
  };
  Result = TQueryResult();
  for (const int I : Pos) {
    const MdbColumn* C = Column(I);
    TResultColumn& R = Result.Columns.emplace_back();
    R.Name = C->name;
    R.DataType = FieldTypeOfFile(C->col_type);
    if (C->col_type == MDB_TEXT)
      R.Size = File->f->jet_version == MDB_VER_JET3 ? C->col_size : C->col_size / 2;
    // A Single is a 4-byte float, compared as one, as a driver's SQL_REAL column is.
    if (C->col_type == MDB_FLOAT) R.Size = 4;
    if (C->col_type == MDB_DOUBLE) R.Size = 8;
  }
  // libmdb finds each row and the bounds of its fields; with nothing bound it converts no
  // value. The row it stopped on is cracked again for the fields.
  std::vector<MdbField> Fields(T->num_cols);
  mdb_rewind_table(T.get());
  while (mdb_fetch_row(T.get())) {
    int Start = 0;
    std::size_t Size = 0;
    if (T->cur_row == 0 ||
        mdb_find_row(File.get(), static_cast<int>(T->cur_row - 1), &Start, &Size) != 0 ||
        mdb_crack_row(T.get(), Start & RowOffsetMask, Size, Fields.data()) < 0)
      throw EDatabaseError("Cannot read a row of table " + Table + " of the Access file " +
                           FileName);
    TDataSet::TRecord& Row = Result.Rows.emplace_back();
    Row.reserve(Pos.size());
    try {
      for (const int I : Pos)
        Row.push_back(ValueOf(*File, *Column(I), Fields[static_cast<std::size_t>(I)]));
    } catch (const EDatabaseError& E) {
      throw EDatabaseError("Table " + Table + " of the Access file " + FileName + ", row " +
                           std::to_string(Result.Rows.size()) + ": " + E.what());
    }
  }
  Result.RowsAffected = static_cast<std::int64_t>(Result.Rows.size());
}

}  // namespace qel
