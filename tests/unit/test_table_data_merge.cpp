// The table data comparer against an in-memory adapter: the merge, the statements and their
// literals, the outputs, the side file and the checks that refuse a run that would pair the
// wrong rows.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Files.h"
#include "Text.h"
#include "qelConnection_Base.h"
#include "qelDBEngine.h"
#include "qelLocalSQLParser.h"
#include "qelSQL_Exec.h"
#include "qelTableDataComparer.h"

using namespace qel;

namespace {

/// Rows of (ID, A) for IdText.
using TRows = std::vector<std::pair<int, std::optional<std::string>>>;

/// Sets an environment variable for a scope, restoring it (or its absence) at the end, also
/// when an assertion ends the test early.
struct TEnvSetting {
  explicit TEnvSetting(const char* Name) : Name(Name) {
    const char* Old = std::getenv(Name);
    Had = Old != nullptr;
    if (Had) Saved = Old;
  }
  ~TEnvSetting() { Set(Had ? Saved.c_str() : nullptr); }
  void Set(const char* Value) const {
    if (Value)
      ::setenv(Name, Value, 1);
    else
      ::unsetenv(Name);
  }
  const char* Name;
  bool Had = false;
  std::string Saved;
};

// ---------------------------------------------------------------------------------------------
// An in-memory server: tables with typed columns and rows (already in key order, as a server
// would return them ordered). It answers the few statement shapes the comparer sends.

using TRow = std::vector<std::optional<std::string>>;

struct TMemTable {
  std::vector<TResultColumn> Columns;
  std::vector<TRow> Rows;
  /// Upper-case names of the columns declared NOT NULL.
  std::set<std::string> NotNull;
};

struct TMemServer {
  std::map<std::string, TMemTable> Tables;  // by upper-case name
  std::vector<std::string> Log;
  /// Parameters of each executed statement: name = value ("<null>" for NULL).
  std::vector<std::string> ExecParams;
};

std::map<std::string, std::shared_ptr<TMemServer>>& Servers() {
  static std::map<std::string, std::shared_ptr<TMemServer>> S;
  return S;
}

class TMemDatabase : public TQELDatabase {
 public:
  using TQELDatabase::TQELDatabase;
  bool GetConnected() const override { return Server != nullptr; }
  void SetConnected(bool Value) override {
    if (!Value) {
      Server = nullptr;
      return;
    }
    const std::string Name = Connection->GetConnectionOptions().GetDatabaseName();
    auto It = Servers().find(Name);
    if (It == Servers().end()) throw EDatabaseError("database \"" + Name + "\" does not exist");
    Server = It->second;
  }
  std::shared_ptr<TMemServer> Server;
};

std::string Unquote(std::string S) {
  S = Trim(S);
  if (S.size() >= 2 && (S[0] == '"' || S[0] == '`' || S[0] == '[')) S = S.substr(1, S.size() - 2);
  return UpperCase(S);
}

class TMemQuery : public TQELAdapterQuery {
 public:
  using TQELAdapterQuery::TQELAdapterQuery;

 protected:
  TSQLLexRules LexRules() const override {
    TSQLLexRules R;
    R.BacktickQuotes = true;
    return R;
  }
  std::string ParamMarker(const TParam& P, int, const std::string& Reference) override {
    (void)P;
    return ":" + Reference;
  }
  void Execute(const std::string& SQL, const TBoundParams& Params, TQueryResult& R) override {
    TMemDatabase& Db = ConnectedDatabase<TMemDatabase>();
    TMemServer& S = *Db.Server;
    S.Log.push_back(SQL);
    const std::string U = UpperCase(SQL);
    if (U.rfind("SHOW TABLES", 0) == 0) {
      R.Columns.push_back({"Tables_in_db", ftString, 64});
      for (const auto& [Name, T] : S.Tables) {
        (void)T;
        R.Rows.push_back({{false, Name}});
      }
      return;
    }
    if (U.rfind("SHOW COLUMNS FROM ", 0) == 0) {
      const TMemTable& T = S.Tables.at(Unquote(SQL.substr(18)));
      R.Columns = {{"Field", ftString, 64}, {"Type", ftString, 64}, {"Null", ftString, 3}};
      for (const TResultColumn& C : T.Columns)
        R.Rows.push_back({{false, C.Name},
                          {false, "int"},
                          {false, T.NotNull.count(UpperCase(C.Name)) ? "NO" : "YES"}});
      return;
    }
    if (U.rfind("SELECT", 0) != 0) {  // a data statement run at once
      std::string P;
      for (const TParam* X : Params.Refs)
        P += X->Name + "=" + (X->IsNull() ? std::string("<null>") : X->AsString()) + ";";
      S.ExecParams.push_back(P);
      R.RowsAffected = 1;
      return;
    }
    if (U.find("PG_CATALOG.") != std::string::npos) {  // no collated text columns here
      R.Columns.push_back({"attname", ftString, 64});
      return;
    }
    if (U.find("FROM RDB$RELATIONS") != std::string::npos) {
      const std::size_t Q = SQL.find("= '");
      const std::string Name = SQL.substr(Q + 3, SQL.find('\'', Q + 3) - Q - 3);
      R.Columns.push_back({"RDB$RELATION_NAME", ftString, 31});
      if (S.Tables.count(Name)) R.Rows.push_back({{false, Name + "      "}});
      return;
    }
    if (U.find("RDB$FIELD_TYPE = 14") != std::string::npos) {  // no CHAR(n) columns here
      R.Columns = {{"RDB$FIELD_NAME", ftString, 31}, {"F", ftInteger, 0}, {"D", ftInteger, 0}};
      return;
    }
    if (U.find("FROM RDB$RELATION_FIELDS") != std::string::npos) {
      const std::size_t Q = SQL.find("= '");
      const std::string Name = SQL.substr(Q + 3, SQL.find('\'', Q + 3) - Q - 3);
      R.Columns = {{"RDB$FIELD_POSITION", ftSmallint, 0}, {"RDB$FIELD_NAME", ftString, 31}};
      int Pos = 0;
      for (const TResultColumn& C : S.Tables.at(Name).Columns)
        R.Rows.push_back({{false, IntToStr(Pos++)}, {false, C.Name + "   "}});
      return;
    }
    const std::size_t From = U.find("FROM ");
    const std::string Rest = SQL.substr(From + 5);
    std::size_t End = 0;
    if (!Rest.empty() && (Rest[0] == '"' || Rest[0] == '`' || Rest[0] == '[')) {
      End = Rest.find(Rest[0] == '[' ? ']' : Rest[0], 1) + 1;
    } else {
      while (End < Rest.size() && Rest[End] != ' ' && Rest[End] != '\r' && Rest[End] != '\n') ++End;
    }
    const std::string Table = Unquote(Rest.substr(0, End));
    auto It = S.Tables.find(Table);
    if (It == S.Tables.end()) throw EDatabaseError("no such table: " + Table);
    const TMemTable& T = It->second;
    const bool Grouped = U.find(" GROUP BY ") != std::string::npos;
    if (U.find("COUNT(*)") != std::string::npos && !Grouped) {
      R.Columns.push_back({"count", ftLargeint, 0});
      R.Rows.push_back({{false, IntToStr(static_cast<std::int64_t>(T.Rows.size()))}});
      return;
    }
    // The select list picks columns by name; "*" takes all.
    const std::string List = Trim(SQL.substr(6, From - 6));
    std::vector<int> Cols;
    if (List == "*") {
      for (int I = 0; I < static_cast<int>(T.Columns.size()); ++I) Cols.push_back(I);
    } else {
      std::size_t B = 0;
      while (B <= List.size()) {
        std::size_t E = List.find(',', B);
        if (E == std::string::npos) E = List.size();
        std::string Name = Unquote(List.substr(B, E - B));
        if (Grouped && Name.rfind("MIN(", 0) == 0) Name = Unquote(Name.substr(4, Name.size() - 5));
        int Found = -1;
        for (int I = 0; I < static_cast<int>(T.Columns.size()); ++I)
          if (UpperCase(T.Columns[static_cast<std::size_t>(I)].Name) == Name) Found = I;
        if (Found < 0) throw EDatabaseError("no such column: " + Name);
        Cols.push_back(Found);
        B = E + 1;
      }
    }
    for (int C : Cols) R.Columns.push_back(T.Columns[static_cast<std::size_t>(C)]);
    if (U.find("WHERE 1=0") != std::string::npos) return;
    std::map<TRow, int> Seen;  // the keys more than one row has (HAVING count(*) > 1)
    for (const TRow& Row : T.Rows) {
      if (Grouped) {
        TRow Key;
        for (int C : Cols) Key.push_back(Row[static_cast<std::size_t>(C)]);
        if (++Seen[Key] != 2) continue;
      }
      TDataSet::TRecord Rec;
      for (int C : Cols) {
        const auto& V = Row[static_cast<std::size_t>(C)];
        Rec.push_back({!V.has_value(), V.value_or("")});
      }
      R.Rows.push_back(std::move(Rec));
    }
  }
};

class TMemAdapter : public TQELAbstractConnection {
 public:
  TMemAdapter() { SetConnectionType(cnZEOS); }
  TQELDatabase* CreateDatabase(TComponent* AOwner) override { return new TMemDatabase(AOwner); }
  TQELQuery* CreateQuery(TComponent* AOwner) override { return new TMemQuery(AOwner); }
};

std::string TempDir() {
  static std::string Dir = [] {
    std::string Tmpl = ::testing::TempDir() + "qel_tdc_XXXXXX";
    const char* D = mkdtemp(Tmpl.data());
    return std::string(D ? D : ::testing::TempDir().c_str()) + "/";
  }();
  return Dir;
}

// ---------------------------------------------------------------------------------------------

class TableDataComparer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterConnection("QelMemTest", new TMemAdapter()));
    Master = std::make_shared<TMemServer>();
    Target = std::make_shared<TMemServer>();
    Servers()["master"] = Master;
    Servers()["target"] = Target;
    CM = MakeConnection("master", dbMySQL);
    CT = MakeConnection("target", dbMySQL);
    Cmp = std::make_unique<TTableDataComparer>(nullptr);
    Cmp->SetQELConnectionMaster(CM.get());
    Cmp->SetQELConnectionTarget(CT.get());
    Cmp->SetScriptFileName("");
    // Header statements are tested on their own; here they would only get in the way.
    Cmp->GetScriptOptions().Connect = false;
    Cmp->GetScriptOptions().SQLDialect = false;
    Cmp->GetScriptOptions().DBCharSet = false;
    Cmp->OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
    Cmp->OnAddResultSQL = [this](TObject*, bool& Accept, const std::string& SQL, TStatType,
                                 const std::string&, TDbObject, TDbOperation) {
      Statements.push_back(SQL);
      Accept = AcceptStatements;
    };
  }
  void TearDown() override {
    Cmp.reset();
    CM.reset();
    CT.reset();
    Servers().clear();
    UnRegisterConnection("QelMemTest", true);
  }

  std::unique_ptr<TQELConnection> MakeConnection(const std::string& Name, TDatabaseType Db) {
    auto C = std::make_unique<TQELConnection>(nullptr);
    C->SetConnectionType(cnZEOS);
    C->SetDatabaseType(Db);
    C->GetConnectionOptions().SetDatabaseName(Name);
    C->OnErrorMessage = [](TObject*, const std::string&) {};
    return C;
  }
  void Dialect(TDatabaseType Db) {
    CM->SetDatabaseType(Db);
    CT->SetDatabaseType(Db);
  }
  /// Table T with ID integer and A text columns, given rows of (ID, A).
  static TMemTable IdText(const TRows& Rows, TFieldType TextType = ftString) {
    TMemTable T;
    T.Columns = {{"ID", ftInteger, 0}, {"A", TextType, 40}};
    for (const auto& [Id, A] : Rows) T.Rows.push_back({IntToStr(Id), A});
    return T;
  }
  void Tables(const std::string& Name, TMemTable M, TMemTable T) {
    Master->Tables[Name] = std::move(M);
    Target->Tables[Name] = std::move(T);
    Cmp->SetTableNameMaster(Name);
    Cmp->SetTableNameTarget(Name);
  }
  void Keys(std::initializer_list<const char*> Names) {
    TStringList L;
    for (const char* N : Names) L.Add(N);
    Cmp->GetTableOptionsMaster().SetKeyFields(L);
    Cmp->GetTableOptionsTarget().SetKeyFields(L);
  }
  void Data(std::initializer_list<const char*> Names) {
    TStringList L;
    for (const char* N : Names) L.Add(N);
    Cmp->GetTableOptionsMaster().SetDataFields(L);
    Cmp->GetTableOptionsTarget().SetDataFields(L);
  }
  bool LogHas(const std::string& Line) const {
    for (int I = 0; I < Cmp->MsgManager.GetMsgCount(); ++I)
      if (Cmp->MsgManager.Items(I).Text == Line) return true;
    return false;
  }

  std::shared_ptr<TMemServer> Master, Target;
  std::unique_ptr<TQELConnection> CM, CT;
  std::unique_ptr<TTableDataComparer> Cmp;
  std::vector<std::string> Errors;
  std::vector<std::string> Statements;
  bool AcceptStatements = true;
};

}  // namespace

TEST_F(TableDataComparer, MergesOrderedRowsIntoInsertsUpdatesAndDeletes) {
  Tables("T", IdText({{1, "a"}, {2, "b"}, {4, "d"}, {5, "e"}}),
         IdText({{2, "b"}, {3, "c"}, {4, "d"}, {5, "x"}}));
  Keys({"ID"});
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  EXPECT_TRUE(Errors.empty()) << Errors[0];
  ASSERT_EQ(Statements.size(), 3u);
  EXPECT_EQ(Statements[0], "INSERT INTO T (ID, A)\r\nVALUES(1, 'a')");
  EXPECT_EQ(Statements[1], "DELETE FROM T WHERE ID = 3");
  EXPECT_EQ(Statements[2], "UPDATE T SET \r\nA='e'\r\nWHERE ID = 5");
  EXPECT_TRUE(LogHas("Equal: 2, Inserted: 1, Updated: 1, Deleted: 1, All: 5."));
  // The catalog was asked (SHOW TABLES) and the names paired; no row count without a progress
  // handler.
  for (const std::string& S : Master->Log)
    EXPECT_TRUE(S.find("count(") == std::string::npos || S.find(" group by ") != std::string::npos)
        << S;
}

TEST_F(TableDataComparer, EmptySidesAndExportMode) {
  Tables("T", IdText({{1, "a"}, {2, "b"}}), IdText({}));
  ASSERT_TRUE(Cmp->CompareData());
  EXPECT_EQ(Cmp->GetInsertedCount(), 2);

  Statements.clear();
  Tables("T", IdText({}), IdText({{1, "a"}}));
  ASSERT_TRUE(Cmp->CompareData());
  EXPECT_EQ(Cmp->GetDeletedCount(), 1);
  EXPECT_EQ(Cmp->GetInsertedCount(), 0);

  // No target table: every master row is an INSERT into the master's table.
  Statements.clear();
  Tables("T", IdText({{1, "a"}, {2, "b"}}), IdText({}));
  Cmp->SetTableNameTarget("");
  Cmp->SetQELConnectionTarget(nullptr);
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  ASSERT_EQ(Statements.size(), 2u);
  EXPECT_EQ(Statements[1], "INSERT INTO T (ID, A)\r\nVALUES(2, 'b')");
}

TEST_F(TableDataComparer, NullKeysSortLastAndSelectTheirRow) {
  Tables("T", IdText({{1, "a"}, {2, std::nullopt}}), IdText({{1, "a"}, {2, "b"}}));
  Target->Tables["T"].Rows.push_back({std::nullopt, std::string("z")});
  Keys({"ID"});
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  ASSERT_EQ(Statements.size(), 2u);
  EXPECT_EQ(Statements[0], "UPDATE T SET \r\nA=Null\r\nWHERE ID = 2");
  EXPECT_EQ(Statements[1], "DELETE FROM T WHERE ID is Null");
}

TEST_F(TableDataComparer, RowsOutOfKeyOrderStopTheRun) {
  // A server that orders text keys ignoring case: "B" before "a" in bytes, after it here.
  TMemTable M, T;
  M.Columns = T.Columns = {{"K", ftString, 10}, {"A", ftInteger, 0}};
  M.Rows = {{std::string("a"), std::string("2")}, {std::string("B"), std::string("1")}};
  T.Rows = M.Rows;
  Tables("T", M, T);
  ASSERT_TRUE(Cmp->CompareData());
  ASSERT_FALSE(Errors.empty());
  EXPECT_NE(Errors.back().find("do not come in the order"), std::string::npos) << Errors.back();
  EXPECT_LE(Statements.size(), 1u);  // at most the INSERT written before the disorder showed
}

TEST_F(TableDataComparer, KeyTypesThatCannotBeComparedAreRefused) {
  TMemTable M = IdText({{1, "a"}});
  TMemTable T = IdText({{1, "a"}});
  T.Columns[0].DataType = ftString;
  Tables("T", M, T);
  ASSERT_TRUE(Cmp->CompareData());
  ASSERT_FALSE(Errors.empty());
  EXPECT_NE(Errors[0].find("cannot be compared"), std::string::npos) << Errors[0];
  EXPECT_TRUE(Statements.empty());

  // Numbers of different types compare by value: an integer 1 equals a decimal 1.00.
  Errors.clear();
  T.Columns[0].DataType = ftFMTBcd;
  T.Rows[0][0] = "1.00";
  Tables("T", M, T);
  ASSERT_TRUE(Cmp->CompareData());
  EXPECT_TRUE(Errors.empty());
  EXPECT_EQ(Cmp->GetEqualCount(), 1);
}

TEST_F(TableDataComparer, CatalogFieldsPairByNameNotPosition) {
  TMemTable M = IdText({{1, "a"}});
  TMemTable T;
  T.Columns = {{"A", ftString, 40}, {"ID", ftInteger, 0}};
  T.Rows = {{std::string("b"), std::string("1")}};
  Tables("T", M, T);
  Keys({"ID"});
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  ASSERT_EQ(Statements.size(), 1u);
  EXPECT_EQ(Statements[0], "UPDATE T SET \r\nA='a'\r\nWHERE ID = 1");

  // A column on one side only is an error, not a shifted pairing.
  Statements.clear();
  T.Columns.push_back({"EXTRA", ftInteger, 0});
  T.Rows[0].push_back(std::string("7"));
  Tables("T", M, T);
  ASSERT_TRUE(Cmp->CompareData());
  ASSERT_FALSE(Errors.empty());
  EXPECT_NE(Errors.back().find("Only in target: EXTRA"), std::string::npos) << Errors.back();
  EXPECT_TRUE(Statements.empty());
}

TEST_F(TableDataComparer, FieldCountsFromEventsMustMatch) {
  Tables("T", IdText({{1, "a"}}), IdText({{1, "a"}}));
  Cmp->OnGetDataFields = [](TObject*, TStrings& M, TStrings& T) {
    M.Add("ID");
    M.Add("A");
    T.Add("ID");
  };
  Keys({"ID"});
  ASSERT_TRUE(Cmp->CompareData());
  ASSERT_FALSE(Errors.empty());
  EXPECT_NE(Errors[0].find("The number of data fields in Master and Target do not match."),
            std::string::npos);
  EXPECT_TRUE(Statements.empty());
}

TEST_F(TableDataComparer, PreconditionsAndFailedConnect) {
  Tables("T", IdText({{1, "a"}}), IdText({{1, "a"}}));
  Cmp->GetTableOptionsMaster().GetDataFields().Add("ID");
  Cmp->GetTableOptionsMaster().GetDataFields().Add("A");
  Cmp->GetTableOptionsTarget().GetDataFields().Add("ID");
  EXPECT_FALSE(Cmp->CompareData());
  EXPECT_EQ(Errors.back(),
            "Error: The number of data fields in Master and Target do not match.\r\nPlease "
            "correct: TableOptionsMaster.DataFields, TableOptionsTarget.DataFields properties.");
  Cmp->GetTableOptionsMaster().GetDataFields().Clear();
  Cmp->GetTableOptionsTarget().GetDataFields().Clear();

  // A target that does not open: the run fails and says why; nothing is compared.
  CT->GetConnectionOptions().SetDatabaseName("nowhere");
  EXPECT_FALSE(Cmp->CompareData());
  EXPECT_NE(Errors.back().find("nowhere"), std::string::npos) << Errors.back();
  EXPECT_TRUE(Cmp->MsgManager.GetIsErr());
  EXPECT_TRUE(Statements.empty());

  Cmp->SetQELConnectionTarget(nullptr);
  EXPECT_FALSE(Cmp->CompareData());
  EXPECT_EQ(Errors.back(), "Error: TTableDataComparer: Target connection not assigned...");
}

TEST_F(TableDataComparer, InterBaseNamesAreNormalisedAlikeInEveryStatement) {
  // A plain lower-case name is looked up upper-cased, and INSERT, UPDATE, DELETE and the row
  // count all use that name.
  Dialect(dbInterBase);
  Master->Tables["EMP"] = IdText({{1, "a"}, {3, "c"}});
  Target->Tables["EMP"] = IdText({{1, "b"}, {2, "b"}});
  Cmp->SetTableNameMaster("emp");
  Cmp->SetTableNameTarget("emp");
  Keys({"ID"});
  Cmp->OnProgressUpdateMaster = [](TObject*, int, int) {};
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  ASSERT_EQ(Statements.size(), 3u);
  EXPECT_EQ(Statements[0], "UPDATE EMP SET \r\nA='a'\r\nWHERE ID = 1");
  EXPECT_EQ(Statements[1], "DELETE FROM EMP WHERE ID = 2");
  EXPECT_EQ(Statements[2], "INSERT INTO EMP (ID, A)\r\nVALUES(3, 'c')");
  bool Counted = false;
  for (const std::string& S : Target->Log)
    if (S == "Select count(*) from EMP") Counted = true;
  EXPECT_TRUE(Counted);

  // A mixed-case name keeps its case (it was created quoted).
  Master->Tables["Emp"] = Master->Tables["EMP"];
  Target->Tables["Emp"] = Target->Tables["EMP"];
  Cmp->SetTableNameMaster("Emp");
  Cmp->SetTableNameTarget("Emp");
  Statements.clear();
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  ASSERT_EQ(Statements.size(), 3u);
  EXPECT_EQ(Statements[1], "DELETE FROM \"Emp\" WHERE ID = 2");
}

TEST_F(TableDataComparer, MySQLNamesAndLiterals) {
  // Lower-case names are back-quoted the same way in every statement; texts are escaped.
  TMemTable M, T;
  M.Columns = T.Columns = {{"id", ftInteger, 0}, {"name", ftString, 40}};
  M.Rows = {{std::string("1"), std::string("O'Brien \\ x")}, {std::string("2"), std::string("y")}};
  T.Rows = {{std::string("1"), std::string("OBrien")}, {std::string("3"), std::string("z")}};
  Master->Tables["ORDER ITEMS"] = M;
  Target->Tables["ORDER ITEMS"] = T;
  Cmp->SetTableNameMaster("order items");
  Cmp->SetTableNameTarget("order items");
  Keys({"id"});
  Data({"id", "name"});
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  ASSERT_EQ(Statements.size(), 3u);
  EXPECT_EQ(Statements[0],
            "UPDATE `order items` SET \r\n`name`='O\\'Brien \\\\ x'\r\nWHERE `id` = 1");
  EXPECT_EQ(Statements[1], "INSERT INTO `order items` (`id`, `name`)\r\nVALUES(2, 'y')");
  EXPECT_EQ(Statements[2], "DELETE FROM `order items` WHERE `id` = 3");
  // MySQL orders nulls first: the select asks for them last.
  bool Ordered = false;
  for (const std::string& S : Master->Log)
    if (S.find(" Order by `id` IS NULL, `id`") != std::string::npos) Ordered = true;
  EXPECT_TRUE(Ordered);
}

TEST_F(TableDataComparer, MySQLOrdersNotNullKeysByTheColumnAlone) {
  // A NOT NULL key column has no null to put last: ordered by the column alone the server
  // reads the key in order. A nullable one keeps "IS NULL" first; text keeps its byte order.
  const std::string Bin = "CAST(CONVERT(`code` USING utf8mb4) AS BINARY)";
  struct TCase {
    std::set<std::string> MasterNotNull, TargetNotNull;
    std::string MasterOrder, TargetOrder;
  };
  const TCase Cases[] = {
      {{"ID", "CODE"}, {"ID", "CODE"}, " Order by `id`, " + Bin, " Order by `id`, " + Bin},
      {{},
       {},
       " Order by `id` IS NULL, `id`, `code` IS NULL, " + Bin,
       " Order by `id` IS NULL, `id`, `code` IS NULL, " + Bin},
      {{"ID"},
       {"CODE"},
       " Order by `id`, `code` IS NULL, " + Bin,
       " Order by `id` IS NULL, `id`, " + Bin},
  };
  for (const TCase& C : Cases) {
    TMemTable M, T;
    M.Columns = T.Columns = {{"id", ftInteger, 0}, {"code", ftString, 10}, {"v", ftInteger, 0}};
    M.Rows = {{std::string("1"), std::string("a"), std::string("1")}};
    T.Rows = {{std::string("1"), std::string("a"), std::string("2")}};
    M.NotNull = C.MasterNotNull;
    T.NotNull = C.TargetNotNull;
    Master->Tables["ITEMS"] = M;
    Target->Tables["ITEMS"] = T;
    Master->Log.clear();
    Target->Log.clear();
    Cmp->SetTableNameMaster("items");
    Cmp->SetTableNameTarget("items");
    Keys({"id", "code"});
    Data({"id", "code", "v"});
    ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
    auto Order = [](const std::vector<std::string>& Log) {
      for (const std::string& S : Log)
        if (const std::size_t P = S.find(" Order by "); P != std::string::npos) return S.substr(P);
      return std::string();
    };
    EXPECT_EQ(Order(Master->Log), C.MasterOrder);
    EXPECT_EQ(Order(Target->Log), C.TargetOrder);
  }
}

TEST_F(TableDataComparer, LiteralsReadBackAsTheSameValue) {
  TMemTable M, T;
  M.Columns = T.Columns = {{"ID", ftInteger, 0}, {"N", ftFMTBcd, 0},    {"F", ftFloat, 0},
                           {"D", ftDate, 0},     {"TS", ftDateTime, 0}, {"TM", ftTime, 0},
                           {"B", ftBoolean, 0},  {"G", ftUnknown, 0}};
  M.Rows = {{std::string("1"), std::string("12345678901234567890.123456789"),
             std::string("0.30000000000000004"), std::string("2007-12-31"),
             std::string("2024-02-29 13:45:56.1234"), std::string("08:00:00.5"),
             std::string("True"), std::string("1 day")}};
  Tables("T", M, T);
  Keys({"ID"});
  for (TDatabaseType Db : {dbPostgreSQL, dbInterBase, dbMySQL, dbMSSQL}) {
    Statements.clear();
    Dialect(Db);
    Data({"ID", "N", "F", "D", "TS", "TM", "B", "G"});
    ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
    ASSERT_EQ(Statements.size(), 1u) << Db;
    const std::string Bool = Db == dbMSSQL ? "1" : "TRUE";
    // Firebird reads 17 significant digits with an error: it gets significand and power of two.
    const std::string F =
        Db == dbInterBase ? " 1351079888211149E0 * POWER(2E0, -52)" : " 3.0000000000000004E-1";
    EXPECT_NE(Statements[0].find("VALUES(1, 12345678901234567890.123456789, " + F +
                                 ", '2007-12-31', '2024-02-29 13:45:56.1234', '08:00:00.5', " +
                                 Bool + ", '1 day')"),
              std::string::npos)
        << Statements[0];
  }
}

TEST_F(TableDataComparer, OptionsShapeTheRun) {
  Tables("T", IdText({{1, "a "}, {2, "b"}, {4, "d"}}), IdText({{1, "a"}, {2, "x"}, {3, "c"}}));
  Keys({"ID"});
  Cmp->TrimCharFields = true;
  Cmp->AllowedOperations.Exclude(dcopUpdate);
  ASSERT_TRUE(Cmp->CompareData());
  // "a " equals "a" trimmed; 2 differs but updates are not allowed: neither equal nor updated.
  EXPECT_TRUE(LogHas("Equal: 1, Inserted: 1, Updated: 0, Deleted: 1, All: 3."));

  // A handler that refuses every statement: nothing is written, the counters still count.
  Statements.clear();
  AcceptStatements = false;
  Cmp->TrimCharFields = false;
  Cmp->AllowedOperations = TDataCompareOperations::All();
  const std::string Script = TempDir() + "refused.sql";
  Cmp->SetScriptFileName(Script);
  ASSERT_TRUE(Cmp->CompareData());
  EXPECT_EQ(Cmp->GetUpdatedCount(), 2);
  std::string Text;
  ASSERT_TRUE(ReadFileToString(Script, Text));
  EXPECT_EQ(Text, "");
}

TEST_F(TableDataComparer, ScriptFileEndsEveryStatementAlike) {
  Dialect(dbMSSQL);
  Tables("T", IdText({{1, "a"}}), IdText({{2, "b"}}));
  Keys({"ID"});
  Data({"ID", "A"});
  const std::string Script = TempDir() + "mssql.sql";
  Cmp->SetScriptFileName(Script);
  Cmp->GetScriptOptions().Connect = true;
  auto Exec = std::make_unique<TSQLExec>(nullptr);
  Cmp->SetSQLExec(Exec.get());
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  std::string Text;
  ASSERT_TRUE(ReadFileToString(Script, Text));
  EXPECT_EQ(Text,
            "USE target;\r\nINSERT INTO T (ID, A)\r\nVALUES(1, 'a');\r\nDELETE FROM T WHERE ID = "
            "2;\r\n");
  ASSERT_EQ(Exec->GetStatementsCount(), 3);
  EXPECT_EQ(Exec->GetStatement(0)->StatType, stConnect);
  EXPECT_EQ(Exec->GetStatement(1)->StatType, stInsert);
  EXPECT_EQ(Exec->GetStatement(1)->ObjName, "T");
  EXPECT_EQ(Exec->GetStatement(2)->StatType, stDelete);
  Cmp->SetSQLExec(nullptr);
}

TEST_F(TableDataComparer, LargeValuesGoToTheSideFile) {
  Dialect(dbOracle);
  TMemTable M;
  M.Columns = {{"ID", ftInteger, 0}, {"B", ftBlob, 0}};
  M.Rows = {{std::string("1"), std::string("0123456789")},
            {std::string("2"), std::string("abcde")},
            {std::string("3"), std::string("")},
            {std::string("4"), std::nullopt}};
  TMemTable T;
  T.Columns = M.Columns;
  Tables("T", M, T);
  Keys({"ID"});
  Data({"ID", "B"});
  const std::string Script = TempDir() + "blobs.sql";
  Cmp->SetScriptFileName(Script);
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  ASSERT_EQ(Statements.size(), 5u);
  EXPECT_EQ(Statements[0], "SET BLOBFILE 'blobs.LOB'");
  EXPECT_EQ(Statements[1], "INSERT INTO T (ID, B)\r\nVALUES(1, :h00000000_0000000A)");
  EXPECT_EQ(Statements[2], "INSERT INTO T (ID, B)\r\nVALUES(2, :h0000000A_00000005)");
  EXPECT_EQ(Statements[3], "INSERT INTO T (ID, B)\r\nVALUES(3, :h0000000F_00000000)");
  EXPECT_EQ(Statements[4], "INSERT INTO T (ID, B)\r\nVALUES(4, Null)");
  std::string Side;
  ASSERT_TRUE(ReadFileToString(TempDir() + "blobs.LOB", Side));
  EXPECT_EQ(Side, "0123456789abcde");

  // SQL Server cannot take an empty large value from the file: it is written as Null.
  Statements.clear();
  Dialect(dbMSSQL);
  ASSERT_TRUE(Cmp->CompareData());
  ASSERT_GE(Statements.size(), 4u);
  EXPECT_EQ(Statements.back(), "INSERT INTO T (ID, B)\r\nVALUES(4, Null)");
  EXPECT_NE(Statements[Statements.size() - 2].find("VALUES(3, Null)"), std::string::npos);

  // No large value written, no side file and no SET BLOBFILE: every value null, or empty where
  // the server takes an empty one as Null (SQL Server).
  for (const auto& [Db, Value] : {std::pair{dbOracle, std::optional<std::string>()},
                                  std::pair{dbMSSQL, std::optional<std::string>("")}}) {
    Statements.clear();
    Dialect(Db);
    Master->Tables["T"].Rows = {{std::string("1"), Value}};
    std::remove((TempDir() + "blobs.LOB").c_str());
    ASSERT_TRUE(Cmp->CompareData());
    for (const std::string& S : Statements) EXPECT_EQ(S.find("SET BLOBFILE"), std::string::npos);
    EXPECT_FALSE(FileExists(TempDir() + "blobs.LOB"));
  }

  // Without a file name the values cannot be saved: an error, and the value is Null.
  Statements.clear();
  Cmp->BlobFileName = "";
  Master->Tables["T"].Rows = {{std::string("1"), std::string("x")}};
  ASSERT_TRUE(Cmp->CompareData());
  ASSERT_FALSE(Errors.empty());
  EXPECT_EQ(Errors.back(), "Error: BlobFileName is not specified. Cann't save BLOBs.");
}

TEST_F(TableDataComparer, ACopyOfARowMatchedByAllItsValuesIsDeletedAlone) {
  // The dialects without a server here: one copy of the row the target holds twice is deleted
  // in each one's own form; where there is none the table is refused and nothing is written.
  const struct {
    TDatabaseType Db;
    const char* Delete;  ///< empty: refused
  } Cases[] = {
      {dbOracle, "DELETE FROM T WHERE ID = 1 and A = 'a' and ROWNUM = 1"},
      {dbMSSQL, "DELETE TOP (1) FROM T WHERE ID = 1 and A = 'a'"},
      {dbSybaseASE, "SET ROWCOUNT 1\r\nDELETE FROM T WHERE ID = 1 and A = 'a'\r\nSET ROWCOUNT 0"},
      {dbSybaseASA, "DELETE TOP 1 FROM T WHERE ID = 1 and A = 'a'"},
      {dbDB2, "DELETE FROM (SELECT * FROM T WHERE ID = 1 and A = 'a' FETCH FIRST 1 ROW ONLY)"},
      {dbCustomOLEDB, ""},
      {dbMSAccess, ""},
      {dbPervasiveSQL, ""},  // no dialect registered: no form of any kind
  };
  Tables("T", IdText({{1, "a"}}), IdText({{1, "a"}, {1, "a"}}));
  Keys({"ID", "A"});
  Data({"ID", "A"});
  for (const auto& C : Cases) {
    Statements.clear();
    Errors.clear();
    Dialect(C.Db);
    ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
    EXPECT_EQ(Statements,
              *C.Delete ? std::vector<std::string>{C.Delete} : std::vector<std::string>{})
        << C.Db;
    EXPECT_EQ(Errors.size(), *C.Delete ? 0u : 1u) << C.Db;
    if (C.Db == dbMSAccess) {
      EXPECT_NE(Cmp->MsgManager.ErrSummary().find("dialect msaccess has no statement that deletes"),
                std::string::npos);
    }
  }
}

TEST_F(TableDataComparer, LargeTextGoesToAPostgreSQLTargetAsText) {
  // The executor binds side-file values as binary data, which PostgreSQL would store in a text
  // column as its escape form: large text for a text column is converted from its bytes there,
  // any other text is a literal the server converts to its column's type (json, varchar).
  const std::string Large = std::string(70000, 'x') + "'";
  const struct {
    std::string Text;
    TFieldType TargetType;
    std::string Value, Blob;
  } Cases[] = {
      {"a\\b 'c'", ftMemo, "E'a\\x5cb ''c'''", ":h00000000_00000002"},
      {Large, ftMemo, "pg_catalog.convert_from(:h00000000_00011171, 'UTF8')",
       ":h00011171_00000002"},
      {Large, ftString, "'" + std::string(70000, 'x') + "'''", ":h00000000_00000002"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Value.substr(0, 30));
    TMemTable M, T;
    M.Columns = T.Columns = {{"ID", ftInteger, 0}, {"T", ftMemo, 0}, {"B", ftBlob, 0}};
    T.Columns[1].DataType = C.TargetType;
    M.Rows = {{std::string("1"), C.Text, std::string("xy")}};
    Tables("T", M, T);
    Keys({"ID"});
    Data({"ID", "T", "B"});
    Cmp->SetScriptFileName(TempDir() + "pgtext.sql");
    Dialect(dbPostgreSQL);
    Statements.clear();
    ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
    ASSERT_EQ(Statements.size(), 2u);
    EXPECT_TRUE(Statements[1] ==
                "INSERT INTO t (id, t, b)\r\nVALUES(1, " + C.Value + ", " + C.Blob + ")")
        << Statements[1].substr(0, 120);
  }
  // MySQL and Firebird read large text from the side file as text.
  Statements.clear();
  Dialect(dbMySQL);
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  ASSERT_EQ(Statements.size(), 2u);
  EXPECT_EQ(Statements[1],
            "INSERT INTO T (ID, T, B)\r\nVALUES(1, :h00000000_00011171, :h00011171_00000002)");
}

TEST_F(TableDataComparer, StatementsWrittenInPartsReadAsTheWholeStatements) {
  // A host that writes statements out gets a large value's literal a slice at a time; the parts
  // joined must be the statement made whole, also where only a later slice needs PostgreSQL's
  // E'...' form, and no part may hold a value's literal whole.
  const std::string Text = std::string(1500000, 'a') + "it's" + std::string(1200000, 'b') + "\\",
                    Bytes = std::string(1100000, '\0') + "\xff'\\";
  const struct {
    TDatabaseType Db;
    bool Update;
  } Cases[] = {{dbPostgreSQL, false}, {dbPostgreSQL, true}, {dbMySQL, false}, {dbMySQL, true}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Db) + (C.Update ? " update" : " insert"));
    TMemTable M, T;
    M.Columns = T.Columns = {{"ID", ftInteger, 0}, {"T", ftMemo, 0}, {"B", ftBlob, 0}};
    M.Rows = {{std::string("1"), Text, Bytes}, {std::string("2"), std::string("x"), std::nullopt}};
    if (C.Update) T.Rows = {{std::string("1"), std::string("old"), std::string("old")}};
    Tables("T", M, T);
    Keys({"ID"});
    Data({"ID", "T", "B"});
    Dialect(C.Db);
    Cmp->InlineBlobs = true;
    Statements.clear();
    ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
    const std::vector<std::string> Whole = Statements;
    std::vector<std::string> Joined(1);
    std::size_t Largest = 0;
    const auto OnAdd = Cmp->OnAddResultSQL;
    Cmp->OnAddResultSQL = nullptr;
    Cmp->OnWriteResultSQL = [&](TObject*, std::string_view Part, bool Last) {
      Joined.back() += Part;
      Largest = std::max(Largest, Part.size());
      if (Last) Joined.emplace_back();
    };
    ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
    Cmp->OnWriteResultSQL = nullptr;
    Cmp->OnAddResultSQL = OnAdd;
    Joined.pop_back();
    ASSERT_EQ(Joined.size(), Whole.size());
    for (std::size_t I = 0; I < Whole.size(); ++I) EXPECT_TRUE(Joined[I] == Whole[I]) << I;
    EXPECT_LE(Largest, 2u << 20);  // a slice of 1 MiB as hexadecimal digits at most
  }
}

TEST_F(TableDataComparer, InterBaseScriptHeader) {
  Dialect(dbInterBase);
  Tables("T", IdText({{1, "a"}}), IdText({}));
  Keys({"ID"});
  Data({"ID", "A"});
  Cmp->GetScriptOptions().Connect = true;
  Cmp->GetScriptOptions().SQLDialect = true;
  Cmp->GetScriptOptions().DBCharSet = true;
  CT->GetIBServerOptions().SetDBCharSet("utf8");
  CT->GetConnectionOptions().UserName = "SYSDBA";
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  ASSERT_EQ(Statements.size(), 4u);
  EXPECT_EQ(Statements[0], "SET NAMES UTF8");
  EXPECT_EQ(Statements[1], "SET SQL DIALECT 3");
  EXPECT_EQ(Statements[2].rfind("CONNECT 'target' USER 'SYSDBA'", 0), 0u) << Statements[2];
}

TEST_F(TableDataComparer, ScriptReadsBackThroughTheDataScriptParser) {
  // Every name the comparer writes comes back from the parser, with the side file's name.
  TMemTable M, T;
  M.Columns = T.Columns = {{"id", ftInteger, 0}, {"select", ftString, 20}, {"b", ftBlob, 0}};
  M.Rows = {{std::string("1"), std::string("a;'b"), std::string("xyz")}};
  T.Rows = {{std::string("2"), std::string("c"), std::nullopt}};
  Master->Tables["MY TABLE"] = M;
  Target->Tables["MY TABLE"] = T;
  Cmp->SetTableNameMaster("my table");
  Cmp->SetTableNameTarget("my table");
  Keys({"id"});
  Data({"id", "select", "b"});
  const std::string Script = TempDir() + "names.sql";
  Cmp->SetScriptFileName(Script);
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  TStringList Lines;
  ASSERT_TRUE(Lines.LoadFromFile(Script));
  TLocalSQLParser P(nullptr);
  P.SetDatabaseType(dbMySQL);
  std::vector<std::pair<TStatType, std::string>> Got;
  P.OnAddStatement = [&](TObject*, const std::string&, TStatType T, const std::string& N, TDbObject,
                         TDbOperation, const std::string&, TObject*& S) {
    Got.emplace_back(T, N);
    S = nullptr;
  };
  P.ParseScript(Lines, nullptr);
  EXPECT_FALSE(P.MsgManager.GetIsErr());
  ASSERT_EQ(Got.size(), 3u);
  EXPECT_EQ(Got[0], std::make_pair(stSetBlobFile, std::string("names.LOB")));
  EXPECT_EQ(Got[1], std::make_pair(stInsert, std::string("`my table`")));
  EXPECT_EQ(Got[2], std::make_pair(stDelete, std::string("`my table`")));
}

TEST_F(TableDataComparer, ImmediateModeBindsEachValueFromItsRow) {
  TMemTable M, T;
  M.Columns = T.Columns = {{"ID", ftInteger, 0}, {"my col", ftString, 20}, {"B", ftBlob, 0}};
  M.Rows = {{std::string("1"), std::string("new"), std::string("bytes")},
            {std::string("2"), std::string("x"), std::nullopt}};
  T.Rows = {{std::string("1"), std::string("old"), std::string("bytes")},
            {std::string("3"), std::string("y"), std::nullopt}};
  Tables("T", M, T);
  Keys({"ID"});
  Data({"ID", "my col", "B"});
  Cmp->SetUpdateImmediately(true);
  EXPECT_FALSE(Cmp->GetScriptOptions().GenerateScript);
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  EXPECT_TRUE(Errors.empty()) << Errors[0];
  ASSERT_EQ(Statements.size(), 3u);
  // A name the parameter scanner cannot read is replaced; the WHERE takes the target's value.
  EXPECT_EQ(Statements[0], "UPDATE T SET \r\n`my col`=:qel_p1\r\nWHERE ID = :ID");
  EXPECT_EQ(Statements[1], "INSERT INTO T (ID, `my col`, B)\r\nVALUES(:ID, :qel_p2, Null)");
  EXPECT_EQ(Statements[2], "DELETE FROM T WHERE ID = :ID");
  ASSERT_EQ(Target->ExecParams.size(), 3u);
  EXPECT_EQ(Target->ExecParams[0], "qel_p1=new;ID=1;");
  EXPECT_EQ(Target->ExecParams[1], "ID=2;qel_p2=x;");
  EXPECT_EQ(Target->ExecParams[2], "ID=3;");
}

TEST_F(TableDataComparer, AnAccessSideIsSortedHereAndItsNamesBracketed) {
  // The Access file driver knows no ORDER BY: its rows come as they lie in the file.
  TMemTable M, T;
  M.Columns = T.Columns = {{"Item Nr", ftString, 10}, {"A", ftInteger, 0}};
  M.Rows = {{std::string("b"), std::string("2")},
            {std::nullopt, std::string("9")},
            {std::string("B"), std::string("1")},
            {std::string("\xC3\xA9"), std::string("3")},
            {std::string("a"), std::string("4")}};
  T.Rows = {{std::string("B"), std::string("1")}, {std::string("a"), std::string("5")}};
  Master->Tables["ORDER D\xC3\xA9TAILS"] = M;
  Target->Tables["ORDER D\xC3\xA9TAILS"] = T;
  CM->SetDatabaseType(dbMSAccess);
  Cmp->SetTableNameMaster("Order Détails");
  Cmp->SetTableNameTarget("Order Détails");
  Keys({"Item Nr"});
  Data({"Item Nr", "A"});
  ASSERT_TRUE(Cmp->CompareData()) << Cmp->MsgManager.ErrSummary();
  EXPECT_TRUE(Errors.empty()) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Statements, (std::vector<std::string>{
                            "UPDATE `Order Détails` SET \r\nA=4\r\nWHERE `Item Nr` = 'a'",
                            "INSERT INTO `Order Détails` (`Item Nr`, A)\r\nVALUES('b', 2)",
                            "INSERT INTO `Order Détails` (`Item Nr`, A)\r\nVALUES('\xC3\xA9', 3)",
                            "INSERT INTO `Order Détails` (`Item Nr`, A)\r\nVALUES(Null, 9)"}));
  EXPECT_EQ(Master->Log.back(), "select [Item Nr], A\r\nfrom [Order Détails]\r\n");
}

// A key that two rows of an Access side have (its drivers know no GROUP BY) is found as the
// side is sorted here, before any statement is made.
TEST_F(TableDataComparer, AKeyThatTwoAccessRowsHaveIsRefusedBeforeAnyStatement) {
  CM->SetDatabaseType(dbMSAccess);
  Tables("T", IdText({{2, "c"}, {1, "x"}, {2, "b"}}), IdText({{1, "a"}, {2, "b"}}));
  Keys({"ID"});
  Data({"ID", "A"});
  ASSERT_TRUE(Cmp->CompareData());
  EXPECT_TRUE(Statements.empty()) << ::testing::PrintToString(Statements);
  ASSERT_EQ(Errors.size(), 1u) << ::testing::PrintToString(Errors);
  EXPECT_NE(Errors[0].find("The key ID does not identify the rows of table T in the master "
                           "database: more than one row has ID = 2."),
            std::string::npos)
      << Errors[0];
}

namespace {

/// A writer that notes what it is handed: "begin", "<type> <statement>", "end" or "end failed".
class TNotingWriter : public TRowChangeWriter {
 public:
  std::vector<std::string> Events;
  bool Begin() override {
    Events.push_back("begin");
    return true;
  }
  void RowChange(const TRowChange& C) override {
    Events.push_back(std::string(StatTypeStr[C.Type]) + " " + C.SQL);
  }
  void End(bool Ok) override { Events.push_back(Ok ? "end" : "end failed"); }
};

}  // namespace

TEST_F(TableDataComparer, AWriterTakesTheRunsStatementsBetweenBeginAndEnd) {
  struct TCase {
    const char* Name;
    TRows M, T;
    bool Accept;
    std::vector<std::string> Events;
  };
  const std::string Ins = StatTypeStr[stInsert], Upd = StatTypeStr[stUpdate],
                    Del = StatTypeStr[stDelete];
  const std::vector<TCase> Cases = {
      {"equal", {{1, "a"}}, {{1, "a"}}, true, {"begin", "end"}},
      {"each kind",
       {{1, "a"}, {3, "c"}},
       {{2, "b"}, {3, "x"}},
       true,
       {"begin", Ins + " INSERT INTO T (ID, A)\r\nVALUES(1, 'a')",
        Del + " DELETE FROM T WHERE ID = 2", Upd + " UPDATE T SET \r\nA='c'\r\nWHERE ID = 3",
        "end"}},
      {"refused by OnAddResultSQL", {{1, "a"}}, {}, false, {"begin", "end"}},
      {"out of order",
       {{2, "b"}, {1, "a"}},
       {},
       true,
       {"begin", Ins + " INSERT INTO T (ID, A)\r\nVALUES(2, 'b')", "end failed"}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Tables("T", IdText(C.M), IdText(C.T));
    Keys({"ID"});
    AcceptStatements = C.Accept;
    TNotingWriter W;
    Cmp->Writer = &W;
    Cmp->CompareData();
    Cmp->Writer = nullptr;
    EXPECT_EQ(W.Events, C.Events);
  }
}

TEST_F(TableDataComparer, AScriptFileIsLeftOnlyByARunWithoutErrors) {
  const std::string Dir = TempDir() + "scripts/";
  ASSERT_EQ(::mkdir(Dir.c_str(), 0700), 0);
  const std::string Folder = Dir + "a_folder";
  ASSERT_EQ(::mkdir(Folder.c_str(), 0700), 0);
  // A link to a file of another folder, and a pipe: neither may be replaced by a file.
  const std::string Elsewhere = TempDir() + "linked/";
  ASSERT_EQ(::mkdir(Elsewhere.c_str(), 0700), 0);
  ASSERT_EQ(::symlink((Elsewhere + "real.sql").c_str(), (Dir + "link.sql").c_str()), 0);
  ASSERT_EQ(::mkfifo((Dir + "pipe").c_str(), 0600), 0);
  // Held open for reading and writing, the pipe takes the script without a reader waiting.
  const int Pipe = ::open((Dir + "pipe").c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(Pipe, 0);
  struct TCase {
    const char* Name;
    std::string Script;
    bool InOrder;
    long SizeLimit;  // bytes a file of the process may grow to; 0: none
    std::string Error;
    std::string Written;  // where the script is found after the run; empty: nowhere
  };
  const std::vector<TCase> Cases = {
      {"written", Dir + "ok.sql", true, 0, "", Dir + "ok.sql"},
      {"the run fails", Dir + "failed.sql", false, 0, "do not come in the order", ""},
      {"a folder there", Folder, true, 0, "Cannot create the script file " + Folder + ".", ""},
      {"the disk fills", Dir + "full.sql", true, 1000,
       "Cannot write the script file " + Dir + "full.sql.", ""},
      {"through a link", Dir + "link.sql", true, 0, "", Elsewhere + "real.sql"},
      {"into a pipe", Dir + "pipe", true, 0, "", Dir + "pipe"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Errors.clear();
    TRows M;
    for (int I = 1; I <= 200; ++I) M.emplace_back(C.InOrder ? I : 201 - I, "row text");
    Tables("T", IdText(M), IdText({}));
    Keys({"ID"});
    Cmp->SetScriptFileName(C.Script);
    rlimit Old{};
    void (*OldHandler)(int) = SIG_DFL;
    if (C.SizeLimit > 0) {
      OldHandler = std::signal(SIGXFSZ, SIG_IGN);
      ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &Old), 0);
      rlimit Limited = Old;
      Limited.rlim_cur = static_cast<rlim_t>(C.SizeLimit);
      ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &Limited), 0);
    }
    Cmp->CompareData();
    if (C.SizeLimit > 0) {
      ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &Old), 0);
      std::signal(SIGXFSZ, OldHandler);
    }
    const std::string First = Errors.empty() ? "" : Errors.front();
    EXPECT_EQ(C.Error.empty(), Errors.empty()) << First;
    EXPECT_NE(First.find(C.Error), std::string::npos) << First;
    EXPECT_EQ(FileExists(C.Script), !C.Written.empty());
    // No part of a script under its hidden name either.
    EXPECT_EQ(FindFiles(Dir + ".*").size(), 0u);
    EXPECT_EQ(FindFiles(Elsewhere + ".*").size(), 0u);
    if (C.Written.empty()) continue;
    std::string Text;
    if (C.Written == Dir + "pipe") {
      char Buf[4096];
      for (ssize_t N; (N = ::read(Pipe, Buf, sizeof Buf)) > 0;) Text.append(Buf, N);
    } else {
      ASSERT_TRUE(ReadFileToString(C.Written, Text));
    }
    const std::string Last = "INSERT INTO T (ID, A)\r\nVALUES(200, 'row text');\r\n";
    EXPECT_EQ(Text.rfind(Last), Text.size() - Last.size());
  }
  ::close(Pipe);
  EXPECT_TRUE(std::filesystem::is_symlink(Dir + "link.sql"));
  EXPECT_TRUE(std::filesystem::is_fifo(Dir + "pipe"));
}

TEST(StatementSpool, KeepsItsFileInTheTemporaryFolderAndHandsBackEveryStatement) {
  const std::string Dir = TempDir() + "spool";
  ASSERT_EQ(::mkdir(Dir.c_str(), 0700), 0);
  const TEnvSetting TmpDir("TMPDIR");
  struct TCase {
    const char* TmpDir;  // nullptr: unset
    std::string Folder;
  };
  for (const TCase& C :
       std::vector<TCase>{{Dir.c_str(), Dir + "/"}, {"", "/tmp/"}, {nullptr, "/tmp/"}}) {
    SCOPED_TRACE(C.Folder);
    TmpDir.Set(C.TmpDir);
    TStatementSpool Spool;
    // Its file has no name from the start: only the process's link to it tells the folder.
    std::string Path;
    for (const auto& E : std::filesystem::directory_iterator("/proc/self/fd")) {
      std::error_code Ec;
      const std::string Target = std::filesystem::read_symlink(E.path(), Ec).string();
      if (!Ec && Target.find("varnel_spool_") != std::string::npos) Path = Target;
    }
    EXPECT_EQ(ExtractFilePath(Path), C.Folder);
    EXPECT_NE(Path.find(" (deleted)"), std::string::npos) << Path;
    const std::string A = "INSERT INTO T VALUES(1)", B = "DELETE FROM T WHERE ID = 2", Obj = "T";
    Spool.RowChange({A, stInsert, Obj, dboTable, odbInsert});
    Spool.RowChange({B, stDelete, Obj, dboTable, odbDelete});
    TSQLExec Exec(nullptr);
    ASSERT_TRUE(Spool.Fill(Exec));
    EXPECT_FALSE(Spool.Fill(Exec));
    ASSERT_EQ(Exec.GetStatementsCount(), 2);
    EXPECT_EQ(Exec.GetStatement(1)->StatType, stDelete);
    EXPECT_EQ(Exec.GetStatement(1)->ObjName, "T");
  }
}
