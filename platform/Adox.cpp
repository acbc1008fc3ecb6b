// The catalog of an Access file through libmdb: table definitions, their indexes, the
// relationships of MSysRelationships and the names of the saved queries.
#include "Adox.h"

#include <mdbtools.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <tuple>

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

}  // namespace

void InstallADOXCatalogReader() {
  ADOXCatalogReader = ReadCatalog;
}

}  // namespace qel
