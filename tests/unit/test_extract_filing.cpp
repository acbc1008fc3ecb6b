// Filing what a catalog extractor read: every dialect goes through the driver's one path, which
// warns about a second object under a key filed already, lets an object the filter keeps out go
// in silence, and leaves nothing behind with the caller (the sanitizer build checks that nothing
// leaks).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qelComp_Dmn.h"
#include "qelComp_Tbl.h"
#include "qelDB2DatabaseExtract.h"
#include "qelDBStructure.h"
#include "qelMSSQLDatabaseExtract.h"
#include "qelOracleDatabaseExtract.h"
#include "qelPGDatabaseExtract.h"

namespace qel {
namespace {

/// One dialect's extractor with its filing path in reach.
class TFiler {
 public:
  virtual ~TFiler() = default;
  virtual TCustomDBExtract& Extract() = 0;
  virtual bool File(std::unique_ptr<TDbObj> Obj) = 0;
  virtual bool FileIn(std::unique_ptr<TDbObj> Obj, TDbObjList& List) = 0;
};

template <class TExtract>
class TFilerOf : public TFiler {
 public:
  TCustomDBExtract& Extract() override { return FExtract; }
  bool File(std::unique_ptr<TDbObj> Obj) override { return FExtract.FileExtracted(std::move(Obj)); }
  bool FileIn(std::unique_ptr<TDbObj> Obj, TDbObjList& List) override {
    return FExtract.FileExtracted(std::move(Obj), List);
  }

 private:
  struct TOpen : TExtract {
    TOpen() : TExtract(nullptr) {}
    using TCustomDBExtract::FileExtracted;
  };
  TOpen FExtract;
};

struct TFilingCase {
  const char* Name;
  TDatabaseType Db;
  std::function<std::unique_ptr<TFiler>()> Make;
  /// The schemas of the first and the second object of one name.
  const char* FirstSchema;
  const char* SecondSchema;
  /// The warning after the kind word ("Table ", "Domain ").
  const char* Warning;
};

void PrintTo(const TFilingCase& C, std::ostream* Out) {
  *Out << C.Name;
}

const TFilingCase kCases[] = {
    // Tables are filed under their names alone: the second one stands in another schema.
    {"PostgreSQL", dbPostgreSQL, [] { return std::make_unique<TFilerOf<TPGDBExtract>>(); },
     "public", "s2",
     "s2.code passed over: an object of that name was read already in another schema."},
    {"Oracle", dbOracle, [] { return std::make_unique<TFilerOf<TOracleDBExtract>>(); }, "", "",
     "code passed over: an object of that name was read already."},
    // Keys carry the schema here: only a second object of one schema and name is refused.
    {"DB2", dbDB2, [] { return std::make_unique<TFilerOf<TDB2DBExtract>>(); }, "APP", "APP",
     "APP.code passed over: an object of that name was read already."},
    // Names are kept in upper case without case-sensitive identifiers, and said so.
    {"SQLServer", dbMSSQL, [] { return std::make_unique<TFilerOf<TMSSQLDBExtract>>(); }, "dbo",
     "dbo", "DBO.CODE passed over: an object of that name was read already."},
};

class ExtractFiling : public ::testing::TestWithParam<TFilingCase> {
 protected:
  void SetUp() override {
    Holder.SetDatabaseType(GetParam().Db);
    Filer = GetParam().Make();
    Filer->Extract().SetDBStructure(&Holder);
    Filer->Extract().SetOnLogNextLine([this](TObject*, const std::string& T) { Log.push_back(T); });
  }

  template <class T>
  std::unique_ptr<T> New(const char* Schema) {
    auto Obj = std::make_unique<T>(Holder.GetMetadata());
    Obj->SetObjName("code");
    Obj->SetSchema(Schema);
    return Obj;
  }

  std::vector<std::string> Warnings() {
    std::vector<std::string> R;
    TMsgManager& M = *Filer->Extract().GetMsgManager();
    for (int I = 0; I < M.GetMsgCount(); ++I)
      if (M.Items(I).MsgType == mt_Wrn) R.push_back(M.Items(I).Text);
    return R;
  }

  TDBStructure Holder{nullptr};
  std::unique_ptr<TFiler> Filer;
  std::vector<std::string> Log;
};

TEST_P(ExtractFiling, ASecondObjectOfAFiledKeyIsPassedOverWithAWarning) {
  const TFilingCase& C = GetParam();
  TObjs& Objs = *Holder.GetMetadata();
  auto First = New<TTblData>(C.FirstSchema);
  const TDbObj* Filed = First.get();
  EXPECT_TRUE(Filer->File(std::move(First)));
  EXPECT_FALSE(Filer->File(New<TTblData>(C.SecondSchema)));
  ASSERT_EQ(Objs.Tables.Count(), 1);
  EXPECT_EQ(Objs.Tables.Objects(0), Filed);
  const std::string Warning = std::string("Table ") + C.Warning;
  EXPECT_EQ(Warnings(), std::vector<std::string>{Warning});
  // Each object is logged as it is filed, the refusal after it.
  const std::string Name = Objs.Tables.Objects(0)->GetObjName();
  EXPECT_EQ(Log, (std::vector<std::string>{"---" + Name, "---" + Name, Warning}));
}

TEST_P(ExtractFiling, AnObjectTheFilterKeepsOutGoesInSilence) {
  const TFilingCase& C = GetParam();
  Filer->Extract().OnAccept_Obj = [](TObject*, TObject*, bool& Accept) { Accept = false; };
  EXPECT_FALSE(Filer->File(New<TTblData>(C.FirstSchema)));
  EXPECT_EQ(Holder.GetMetadata()->Tables.Count(), 0);
  EXPECT_TRUE(Warnings().empty());
}

TEST_P(ExtractFiling, FilingIntoAListPassesTheFilterButNotADuplicate) {
  const TFilingCase& C = GetParam();
  TObjs& Objs = *Holder.GetMetadata();
  Filer->Extract().OnAccept_Obj = [](TObject*, TObject*, bool& Accept) { Accept = false; };
  EXPECT_TRUE(Filer->FileIn(New<TDmnData>(C.FirstSchema), Objs.Domains));
  EXPECT_FALSE(Filer->FileIn(New<TDmnData>(C.SecondSchema), Objs.Domains));
  EXPECT_EQ(Objs.Domains.Count(), 1);
  const std::string Warning = std::string("Domain ") + C.Warning;
  EXPECT_EQ(Warnings(), std::vector<std::string>{Warning});
  // Filed straight, an object gets no "---" line; only the refusal is logged.
  EXPECT_EQ(Log, std::vector<std::string>{Warning});
}

INSTANTIATE_TEST_SUITE_P(Dialects, ExtractFiling, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TFilingCase>& I) {
                           return std::string(I.param.Name);
                         });

// ---------------------------------------------------------------------------------------------
// The catalog row reader

/// A query holding a fixed result, as an adapter's query holds the rows it read.
class TRowsQuery : public TQELRowsQuery {
 public:
  TRowsQuery(std::vector<std::string> Names, std::vector<TRecord> Rows)
      : TQELRowsQuery(nullptr), FNames(std::move(Names)), FRows(std::move(Rows)) {}
  /// The columns and rows the next Open gives.
  void SetResult(std::vector<std::string> Names, std::vector<TRecord> Rows) {
    FNames = std::move(Names);
    FRows = std::move(Rows);
  }

 protected:
  void InternalOpen() override {
    for (const std::string& N : FNames) AddField(N, ftString);
    for (const TRecord& R : FRows) AppendRecord(R);
  }
  void InternalClose() override { ClearRecords(); }

 private:
  std::vector<std::string> FNames;
  std::vector<TRecord> FRows;
};

TEST(CatalogRow, ReadsFieldsByNameAcrossRowsAndReopenings) {
  TRowsQuery Q({"NAME", "size", "flag"}, {{{false, "a"}, {false, "12"}, {false, "Y"}},
                                          {{false, "b"}, {true, ""}, {true, ""}}});
  Q.Open();
  TCatalogRow Row(Q);
  // Names are found ignoring case, as the server spells them.
  EXPECT_EQ(Row.Str("name"), "a");
  EXPECT_EQ(Row.Int("SIZE"), 12);
  EXPECT_TRUE(Row.Bool("flag"));
  Q.Next();
  EXPECT_EQ(Row.Str("name"), "b");
  EXPECT_TRUE(Row.IsNull("size"));
  EXPECT_EQ(Row.Int("size"), 0);
  EXPECT_FALSE(Row.Bool("flag"));
  // Opened again with another statement, the fields stand elsewhere: the reader finds them
  // again rather than read the field now at the old position.
  Q.Close();
  Q.SetResult({"flag", "size", "name"}, {{{false, "N"}, {false, "7"}, {false, "c"}}});
  Q.Open();
  EXPECT_EQ(Row.Str("name"), "c");
  EXPECT_FALSE(Row.Bool("flag"));
  EXPECT_EQ(Row.Int("size"), 7);
  EXPECT_THROW(Row.Str("missing"), EDatabaseError);
}

}  // namespace
}  // namespace qel
