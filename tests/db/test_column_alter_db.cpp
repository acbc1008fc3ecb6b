// Column alteration on real servers with rows present: PostgreSQL, MariaDB and Firebird 3. The
// target table is created and filled, then the comparer's update script widens columns, adds
// NOT NULL with a default, moves a column (MariaDB), moves a column to another domain and
// widens a domain in place (Firebird, PostgreSQL); every row must keep its values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../unit/test_varnel_util.h"
#include "db_servers.h"
#include "qelCompObj.h"
#include "qelComp_Dmn.h"
#include "qelSQL_Exec.h"
#include "qelVarnel.h"

using namespace qel;
using namespace qel::testing;

// Column lists below name only the fields that matter.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using TLines = std::vector<std::string>;

const std::string Prefix = "QEL_ALT_";

struct TColSpec {
  std::string Name;
  TDBFieldType Type;
  std::int32_t Size = 0;
  bool NotNull = false;
  std::string Default;
  std::string Domain;
};

class ColumnAlterOnServer : public ::testing::TestWithParam<const TDbServer*> {
 protected:
  void SetUp() override {
    Conn = std::make_unique<TServerConnection>(*GetParam());
    const std::string Failure = Conn->Connect();
    ASSERT_TRUE(Failure.empty()) << Failure;
    Clean();
  }
  void TearDown() override {
    if (Conn && Conn->C->GetConnected()) Clean();
  }

  TDatabaseType Dialect() const { return GetParam()->DatabaseType; }
  bool HasDomains() const { return Dialect() != dbMySQL; }
  std::string Name(const std::string& N) const {
    return Dialect() == dbPostgreSQL ? LowerCase(Prefix + N) : Prefix + N;
  }
  void Commit() {
    if (Conn->C->InTransaction()) Conn->C->Commit();
  }
  void Clean() {
    Conn->ExecIgnoringError("drop table " + Name("T"));
    Commit();
    for (const char* D : {"D_SMALL", "D_BIG", "D_TEXT"}) {
      Conn->ExecIgnoringError("drop domain " + Name(D));
      Commit();
    }
  }

  void Domain(TObjs& Objs, const std::string& N, TDBFieldType Type, std::int32_t Size,
              std::int32_t Precision = 0) {
    auto* D = new TDmnData(&Objs);
    D->SetObjName(Name(N));
    D->TypeField->FieldType = Type;
    D->TypeField->Size = Size;
    D->TypeField->Precision = Precision;
    D->TypeField->Scale = Precision ? 2 : 0;
    Objs.AddObj(D);
  }
  void Table(TObjs& Objs, const std::vector<TColSpec>& Cols) {
    auto* T = new TTblData(&Objs);
    T->SetObjName(Name("T"));
    for (const TColSpec& C : Cols) {
      auto F = std::make_unique<TFldData>(&Objs);
      F->SetObjName(Dialect() == dbPostgreSQL ? LowerCase(C.Name) : C.Name);
      F->FieldType = C.Domain.empty() ? C.Type : iftDomain;
      F->SetExtra(&TFldExtra::DomainName, C.Domain.empty() ? "" : Name(C.Domain));
      F->Size = C.Size;
      F->Nullable = !C.NotNull;
      F->DefValue = C.Default;
      if (C.Type == iftNumeric) {
        F->Precision = 9;
        F->Scale = 2;
      }
      F->TableName = T->GetObjName();
      F->OwnerObj = T;
      F->Position = T->Fields.Count();
      T->Fields.Add(std::move(F));
    }
    if (Dialect() == dbMySQL) T->EditExtra().MySQLOptions.Engine = "InnoDB";
    Objs.AddObj(T);
  }

  /// The target: NAME VARCHAR(20), QTY SMALLINT, NOTE nullable without default; AMOUNT on the
  /// small domain and LABEL on the 20-character domain where the server has domains.
  void BuildTarget(TObjs& Objs) {
    std::vector<TColSpec> Cols = {{"ID", iftInteger, 0, true},
                                  {"QTY", iftSmallInt},
                                  {"NAME", iftVarchar, 20},
                                  {"NOTE", iftVarchar, 30}};
    if (HasDomains()) {
      Domain(Objs, "D_SMALL", iftNumeric, 0, 9);
      Domain(Objs, "D_TEXT", iftVarchar, 20);
      Cols.push_back({"AMOUNT", iftUnknown, 0, false, "", "D_SMALL"});
      Cols.push_back({"LABEL", iftUnknown, 0, false, "", "D_TEXT"});
    } else {
      Cols.push_back({"AMOUNT", iftNumeric});
    }
    Table(Objs, Cols);
  }
  /// The master: wider NAME and QTY, NOTE NOT NULL with a default, NAME before QTY (MariaDB
  /// moves columns), AMOUNT on the wide domain, the text domain widened.
  void BuildMaster(TObjs& Objs) {
    std::vector<TColSpec> Cols = {{"ID", iftInteger, 0, true},
                                  {"NAME", iftVarchar, 60},
                                  {"QTY", iftInteger},
                                  {"NOTE", iftVarchar, 30, true, "'none'"}};
    if (Dialect() != dbMySQL) std::swap(Cols[1], Cols[2]);  // only MariaDB moves columns here
    if (HasDomains()) {
      Domain(Objs, "D_BIG", iftNumeric, 0, 18);
      Domain(Objs, "D_TEXT", iftVarchar, 40);
      Cols.push_back({"AMOUNT", iftUnknown, 0, false, "", "D_BIG"});
      Cols.push_back({"LABEL", iftUnknown, 0, false, "", "D_TEXT"});
    } else {
      Cols.push_back({"AMOUNT", iftNumeric});
    }
    Table(Objs, Cols);
  }

  /// A comparer whose target carries what a catalog extractor of this server would leave.
  void Prepare(TCodeRig& Rig) {
    Rig.Target().ConnectionOptions.Assign(Conn->C->GetConnectionOptions());
    if (Dialect() == dbInterBase)
      for (TObjs* O : {&Rig.Master(), &Rig.Target()}) {
        O->IBServerOptions.SQLServerVersion = st_Firebird_25;
        O->IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion = 12;
      }
  }
  void Run(TCodeRig& Rig) {
    Rig.V.CompareDatabases();
    ASSERT_TRUE(Rig.Errors.empty()) << ::testing::PrintToString(Rig.Errors);
    auto* E = dynamic_cast<TSQLExec*>(Rig.V.GetSQLExec());
    ASSERT_NE(E, nullptr);
    TLines ExecErrors;
    E->OnErrorMessage = [&ExecErrors](TObject*, const std::string& T) { ExecErrors.push_back(T); };
    E->SetConnection(Conn->C.get());
    EXPECT_TRUE(E->ExecuteScript()) << Rig.Script() << ::testing::PrintToString(ExecErrors);
    EXPECT_TRUE(ExecErrors.empty()) << Rig.Script() << ::testing::PrintToString(ExecErrors);
    E->SetConnection(nullptr);
    if (!Conn->C->GetConnected()) Conn->C->SetConnected(true);
  }

  TLines Values(const std::string& Column) {
    const std::string Col = Dialect() == dbPostgreSQL ? LowerCase(Column) : Column;
    TLines R = Conn->Column("select " + Col + " from " + Name("T") + " order by " +
                            (Dialect() == dbPostgreSQL ? "id" : "ID"));
    Commit();
    return R;
  }
  /// Every column's values, row by row in key order.
  std::vector<TLines> Snapshot() {
    std::vector<TLines> R;
    for (const char* C : {"ID", "NAME", "QTY", "NOTE", "AMOUNT"}) R.push_back(Values(C));
    if (HasDomains()) R.push_back(Values("LABEL"));
    return R;
  }

  std::unique_ptr<TServerConnection> Conn;
};

}  // namespace

TEST_P(ColumnAlterOnServer, EveryRowKeepsItsValues) {
  {
    SCOPED_TRACE("create the target");
    TCodeRig Make(Dialect());
    Prepare(Make);
    BuildTarget(Make.Master());
    Run(Make);
  }
  const std::string Cols =
      HasDomains() ? "(ID, QTY, NAME, NOTE, AMOUNT, LABEL)" : "(ID, QTY, NAME, NOTE, AMOUNT)";
  const std::string Extra = HasDomains() ? ", 'first')" : ")";
  for (const std::string& Row :
       {std::string("1, 5, 'alpha', 'n1', 12.50") + Extra,
        std::string("2, 32000, 'a name of twenty ch', 'n2', 1234567.89") + Extra,
        std::string("3, -7, 'O''Brien', 'n3', 0.01") + Extra})
    Conn->Exec("insert into " + Name("T") + " " + Cols + " values (" + Row);
  Commit();
  const std::vector<TLines> Before = Snapshot();
  ASSERT_EQ(Before[0].size(), 3u);

  {
    SCOPED_TRACE("update the target");
    TCodeRig Update(Dialect());
    Prepare(Update);
    BuildMaster(Update.Master());
    BuildTarget(Update.Target());
    Run(Update);
    // The alteration is in the script, not a drop and re-create of the table.
    EXPECT_EQ(Update.Script().find("DROP TABLE"), std::string::npos) << Update.Script();
  }
  EXPECT_EQ(Snapshot(), Before);

  // The new column definitions hold: longer names fit, the default fills a new row, and the
  // master compared with the changed target finds nothing left to alter.
  const std::string Long = "a name of sixty characters, which the old column refused";
  Conn->Exec("insert into " + Name("T") + " (ID, NAME, QTY) values (4, '" + Long + "', 70000)");
  Commit();
  EXPECT_EQ(Values("NAME").back(), Long);
  EXPECT_EQ(Values("NOTE").back(), "none");
  if (Dialect() == dbMySQL) {
    const TLines Order = Conn->Column(
        "select column_name from information_schema.columns where table_schema = database() and "
        "table_name = '" +
        Name("T") + "' order by ordinal_position");
    Commit();
    EXPECT_EQ(Order, (TLines{"ID", "NAME", "QTY", "NOTE", "AMOUNT"}));
  }
  // Only InterBase/Firebird alter a domain in place.
  if (Dialect() == dbInterBase) {
    const std::string L = "forty characters fit in the widened one";
    Conn->Exec("update " + Name("T") + " set LABEL = '" + L + "' where ID = 4");
    Commit();
    EXPECT_EQ(Values("LABEL").back(), L);
  }
}

INSTANTIATE_TEST_SUITE_P(Servers, ColumnAlterOnServer,
                         ::testing::Values(&PgServer, &MyServer, &FbServer),
                         [](const ::testing::TestParamInfo<const TDbServer*>& I) {
                           return std::string(I.param->Title);
                         });
