// Reading a source through the OLE DB or Access catalog extractor, for the tests of both: the
// extractor over a connection of the ADO adapter, with its errors and messages collected, and
// the objects read written out as short texts that a test compares whole.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Viw.h"
#include "qelConnection_ADODB.h"
#include "qelDBStructure.h"
#include "qelOLEDBDatabaseExtract.h"

namespace qel::testing {

inline std::string Join(const TStrings& L) {
  std::string S;
  for (int I = 0; I < L.Count(); ++I) S += (I ? "," : "") + L[I];
  return S;
}

/// The shared test data folder: QEL_SHARED_DATA, else shared/data next to the checkout (or
/// next to the folder of worktrees it is in); "" when there is none.
inline std::string SharedData() {
  if (const char* E = std::getenv("QEL_SHARED_DATA")) return E;
  for (const char* Up : {"/../shared/data", "/../../shared/data"}) {
    const std::string P = std::string(QEL_SOURCE_DIR) + Up;
    if (access(P.c_str(), R_OK) == 0) return P;
  }
  return "";
}

/// An Access file's catalog written by hand: two related tables, the kinds of column the file
/// has, a relationship drawn without integrity and two saved queries.
inline void AccessCatalog(const std::string&, TADOXCatalog& C) {
  TADOXTable Orders{"Orders", false, "Orders placed", {}, {}, {}};
  Orders.Columns = {
      {"Order ID", adInteger, 0, 0, 0, true, true, "", "", 4},
      {"Placed", adDate, 0, 0, 0, false, false, "=Now()", "", 8},
      {"Note", adLongVarWChar, 0, 0, 0, true, false, "\"it's \"\"new\"\"\"", "", 12},
  };
  Orders.Indexes = {{"PrimaryKey", true, true, {{"Order ID", false}}},
                    {"Placed", false, false, {{"Placed", true}}}};
  TADOXTable Lines{"Order Détails", false, "", {}, {}, {}};
  Lines.Columns = {
      {"Order ID", adInteger, 0, 0, 0, true, false, "", "", 4},
      {"Line", adSmallInt, 0, 0, 0, true, false, "", "", 3},
      {"Price", adCurrency, 0, 0, 0, true, false, "0", "the unit price", 5},
      {"Weight", adSingle, 0, 0, 0, true, false, "", "", 6},
      {"Ratio", adDouble, 0, 0, 0, true, false, "Rnd()", "", 7},
      {"Exact", adNumeric, 0, 12, 3, true, false, "-1.5", "", 16},
      {"Code", adVarWChar, 20, 0, 0, false, false, "", "", 10},
      {"Done", adBoolean, 0, 0, 0, false, false, "No", "", 1},
      {"Photo", adLongVarBinary, 0, 0, 0, true, false, "", "", 11},
      {"Files", adEmpty, 0, 0, 0, true, false, "", "", 18},
  };
  Lines.Indexes = {{"PrimaryKey", true, true, {{"Order ID", false}, {"Line", false}}},
                   {"Code", false, true, {{"Code", false}}}};
  Lines.Keys = {
      {"OrdersOrder Détails", "Orders", {"Order ID"}, {"Order ID"}, adRICascade, adRINone, true},
      {"Loose", "Orders", {"Line"}, {"Order ID"}, adRINone, adRINone, false}};
  TADOXTable System{"MSysObjects", true, "", {Lines.Columns[0]}, {}, {}};
  C.Tables = {Orders, System, Lines};
  C.Queries = {"Open orders", "Totals"};
}

/// The shared Access test file (access/DateTestDatabase.mdb of SharedData); "" when it is not
/// there.
inline std::string AccessTestFile() {
  const std::string File = SharedData() + "/access/DateTestDatabase.mdb";
  return !SharedData().empty() && access(File.c_str(), R_OK) == 0 ? File : std::string();
}

struct TOLEDBRead {
  /// Reads the source; an Access extractor reads the file's catalog through Reader when given.
  explicit TOLEDBRead(const std::string& ConnectionString, bool Access = false,
                      TADOXCatalogReader Reader = nullptr) {
    C->SetConnectionType(cnADO);
    C->SetDatabaseType(Access ? dbMSAccess : dbCustomOLEDB);
    C->GetConnectionOptions().ConnectionString = ConnectionString;
    if (Access) {
      auto A = std::make_unique<TMSAccessDBExtract>(nullptr);
      A->CatalogReader = Reader;
      X = std::move(A);
    } else {
      X = std::make_unique<TOLEDBExtract>(nullptr);
    }
    X->SetDBStructure(&H);
    X->SetConnection(C.get());
    X->SetOnErrorMessage([this](TObject*, const std::string& T) { Errors.push_back(T); });
    Ok = X->ExtractDatabase();
    for (int I = 0; I < X->MsgManager.GetMsgCount(); ++I)
      Messages.push_back(X->MsgManager.Items(I).Text);
  }
  ~TOLEDBRead() { X->SetConnection(nullptr); }

  TObjs& Objs() { return *X->GetObjs(); }
  /// "name(col type size nullable, ...)" of the table or view Name; "" when it was not read.
  std::string Columns(const std::string& Name) {
    TDbObj* O = Objs().Tables.FindObj(Name);
    if (!O) O = Objs().Views.FindObj(Name);
    const TObjVector<TFldData>* F = nullptr;
    if (auto* T = dynamic_cast<TTblData*>(O)) F = &T->Fields;
    if (auto* V = dynamic_cast<TViwData*>(O)) F = &V->Fields;
    if (!F) return "";
    std::string S;
    for (const auto& Fld : *F)
      S += (S.empty() ? "" : ",") + Fld->GetObjName() + ":" +
           std::to_string(static_cast<int>(Fld->FieldType)) + ":" + std::to_string(Fld->Size) +
           (Fld->Nullable ? "" : ":notnull");
    return S;
  }
  /// Every key: "P table(cols)" or "F table(cols)>reftable(cols) del upd", in list order.
  std::vector<std::string> Keys() {
    std::vector<std::string> R;
    TDbObjList& L = Objs().Constraints;
    for (int I = 0; I < L.Count(); ++I) {
      auto* K = dynamic_cast<TCtrData*>(L.Objects(I));
      std::string S = std::string(K->GetCtType() == ctFKey ? "F " : "P ") + K->GetTblName() + "(" +
                      Join(K->FldList) + ")";
      if (K->GetCtType() == ctFKey)
        S += ">" + K->GetRefTblName() + "(" + Join(K->Extra().RefFldList) + ") " +
             std::to_string(static_cast<int>(K->OnDelete));
      R.push_back(S);
    }
    return R;
  }
  /// Every index: "[U ]table(cols)".
  std::vector<std::string> Indexes() {
    std::vector<std::string> R;
    for (int I = 0; I < Objs().Indexes.Count(); ++I) {
      auto* X = dynamic_cast<TIdxData*>(Objs().Indexes.Objects(I));
      R.push_back(std::string(X->Unique ? "U " : "") + X->TableName + "(" + Join(X->Flds) + ")");
    }
    return R;
  }

  TDBStructure H{nullptr};
  std::unique_ptr<TQELConnection> C = std::make_unique<TQELConnection>(nullptr);
  std::unique_ptr<TOLEDBExtract> X;
  std::vector<std::string> Errors, Messages;
  bool Ok = false;
};

}  // namespace qel::testing
