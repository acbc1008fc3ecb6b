// Views, routines and triggers on real servers: the target schema is created on the server from
// its own statements (the comparer against an empty schema), the update script turning it into
// the master runs through the comparer's own executor, and the server's catalog is read back.
// Firebird: a procedure whose parameter list changes while a view, another procedure and a
// trigger call it; every body must be the master's afterwards. PostgreSQL: views in a schema, a
// trigger function and its trigger. MariaDB: views over views.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../unit/test_objects_util.h"
#include "../unit/test_varnel_util.h"
#include "db_servers.h"
#include "qelCompObj.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelSQL_Exec.h"
#include "qelVarnel.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TLines = std::vector<std::string>;

class CodeObjectsOnServer : public ::testing::Test {
 protected:
  void Open(const TDbServer& Server) {
    Conn = std::make_unique<TServerConnection>(Server);
    const std::string Failure = Conn->Connect();
    ASSERT_TRUE(Failure.empty()) << Failure;
    Cleanup();
  }
  void TearDown() override {
    if (Conn && Conn->C->GetConnected()) Cleanup();
  }
  /// Drops what a test leaves, in an order the server accepts.
  virtual TLines Leftovers() const = 0;
  void Cleanup() {
    for (const std::string& S : Leftovers()) Conn->ExecIgnoringError(S);
    if (Conn->C->InTransaction()) Conn->C->Commit();
  }
  TLines Column(const std::string& SQL) {
    TLines R = Conn->Column(SQL);
    if (Conn->C->InTransaction()) Conn->C->Commit();
    return R;
  }

  /// Compares the two schemas of Rig and runs the script on the server.
  void CompareAndRun(TCodeRig& Rig) {
    TQELConnection& C = *Conn->C;
    Rig.Target().ConnectionOptions.Assign(C.GetConnectionOptions());
    ASSERT_TRUE(Rig.V.CompareDatabases()) << ::testing::PrintToString(Rig.Errors);
    ASSERT_TRUE(Rig.Errors.empty()) << ::testing::PrintToString(Rig.Errors);
    auto* E = dynamic_cast<TSQLExec*>(Rig.V.GetSQLExec());
    ASSERT_NE(E, nullptr);
    TLines ExecErrors;
    E->OnErrorMessage = [&ExecErrors](TObject*, const std::string& T) { ExecErrors.push_back(T); };
    E->SetConnection(&C);
    EXPECT_TRUE(E->ExecuteScript()) << Rig.Script() << ::testing::PrintToString(ExecErrors);
    EXPECT_TRUE(ExecErrors.empty()) << Rig.Script() << ::testing::PrintToString(ExecErrors);
    E->SetConnection(nullptr);
    if (!C.GetConnected()) C.SetConnected(true);
  }

  std::unique_ptr<TServerConnection> Conn;
};

// ---------------------------------------------------------------------------------------------
// Firebird

const std::string FbPrefix = "QEL_CO_";

/// P gains a parameter in the master; Q, V and the trigger call it with the new list.
void BuildFirebird(TObjs& O, bool Master) {
  O.IBServerOptions.SetSQLDialect(3);
  const std::string P = FbPrefix + "P";
  TTblData* T = MakeTable(O, FbPrefix + "T", {{"A"}});
  TPrcData* Prc =
      AddProc(O, P, Master ? "BEGIN R = X + Y; SUSPEND; END" : "BEGIN R = X; SUSPEND; END");
  AddColumn(Prc, Prc->Params, "X", iftInteger);
  if (Master) AddColumn(Prc, Prc->Params, "Y", iftInteger);
  AddColumn(Prc, Prc->Results, "R", iftInteger);
  TPrcData* Q =
      AddProc(O, FbPrefix + "Q",
              "BEGIN SELECT R FROM " + P + (Master ? "(1, 2)" : "(1)") + " INTO :S; SUSPEND; END");
  AddColumn(Q, Q->Results, "S", iftInteger);
  TViwData* V = AddView(O, FbPrefix + "V", "SELECT R FROM " + P + (Master ? "(1, 2)" : "(1)"));
  AddColumn(V, V->Fields, "R", iftInteger);
  TTrgData* Trg = AddTrigger(O, FbPrefix + "T_BI", FbPrefix + "T",
                             "AS DECLARE Z INTEGER; BEGIN SELECT R FROM " + P +
                                 (Master ? "(NEW.A, 1)" : "(NEW.A)") + " INTO :Z; END");
  Trg->TrgType = 1;  // BEFORE INSERT
  O.LinkDepend(Q, Prc);
  O.LinkDepend(V, Prc);
  O.LinkDepend(Trg, Prc);
  O.LinkDepend(Trg, T);
}

class FirebirdCodeObjects : public CodeObjectsOnServer {
 protected:
  TLines Leftovers() const override {
    return {"drop view " + FbPrefix + "V", "drop trigger " + FbPrefix + "T_BI",
            "drop procedure " + FbPrefix + "Q", "drop procedure " + FbPrefix + "P",
            "drop table " + FbPrefix + "T"};
  }
  std::string Source(const char* Table, const char* Field, const std::string& Name) {
    TLines L = Column(
        std::string("select ") + Field + " from " + Table + " where " +
        (std::string(Table) == "rdb$procedures" ? "rdb$procedure_name" : "rdb$trigger_name") +
        " = '" + Name + "'");
    return L.size() == 1 ? Trim(L[0]) : "<" + std::to_string(L.size()) + " rows>";
  }
};

TEST_F(FirebirdCodeObjects, ParameterChangeLeavesEveryBodyRestored) {
  Open(FbServer);
  {
    SCOPED_TRACE("create the target");
    TCodeRig Make(dbInterBase);
    BuildFirebird(Make.Master(), false);
    CompareAndRun(Make);
  }
  EXPECT_EQ(Source("rdb$procedures", "rdb$procedure_source", FbPrefix + "Q"),
            "BEGIN SELECT R FROM QEL_CO_P(1) INTO :S; SUSPEND; END");
  {
    SCOPED_TRACE("update the target");
    TCodeRig Update(dbInterBase);
    BuildFirebird(Update.Master(), true);
    BuildFirebird(Update.Target(), false);
    CompareAndRun(Update);
  }
  EXPECT_EQ(Source("rdb$procedures", "rdb$procedure_source", FbPrefix + "P"),
            "BEGIN R = X + Y; SUSPEND; END");
  EXPECT_EQ(Source("rdb$procedures", "rdb$procedure_source", FbPrefix + "Q"),
            "BEGIN SELECT R FROM QEL_CO_P(1, 2) INTO :S; SUSPEND; END");
  EXPECT_EQ(Source("rdb$triggers", "rdb$trigger_source", FbPrefix + "T_BI"),
            "AS DECLARE Z INTEGER; BEGIN SELECT R FROM QEL_CO_P(NEW.A, 1) INTO :Z; END");
  EXPECT_EQ(Column("select r from " + FbPrefix + "V"), (TLines{"3"}));
  EXPECT_EQ(Column("select s from " + FbPrefix + "Q"), (TLines{"3"}));
}

// ---------------------------------------------------------------------------------------------
// PostgreSQL

class PostgreSQLCodeObjects : public CodeObjectsOnServer {
 protected:
  TLines Leftovers() const override { return {"drop schema if exists qel_co cascade"}; }
};

/// Views in schema qel_co: big changes its query, big_ids (master only) reads big, old_v (target
/// only) goes; a trigger function and its trigger on the master side only.
void BuildPostgreSQL(TObjs& O, bool Master) {
  auto InSchema = [&O](TDbObj* X, const std::string& Name) {
    X->SetObjName(Name);
    X->SetSchema("qel_co");
    O.AddObj(X);
    return X;
  };
  TTblData* T = MakeTable(O, "orders", {{"id"}, {"total"}});
  T->SetSchema("qel_co");
  auto* Big = static_cast<TViwData*>(InSchema(new TViwData(&O), "big"));
  Big->EditExtra().Body = Master ? "select id, total from qel_co.orders where total > 100"
                                 : "select id from qel_co.orders where total > 100";
  O.LinkDepend(Big, T);
  if (!Master) {
    auto* Old = static_cast<TViwData*>(InSchema(new TViwData(&O), "old_v"));
    Old->SetExtra(&TObjExtra::Body, "select id from qel_co.big");
    O.LinkDepend(Old, Big);
    return;
  }
  auto* Ids = static_cast<TViwData*>(InSchema(new TViwData(&O), "big_ids"));
  Ids->SetExtra(&TObjExtra::Body, "select id from qel_co.big");
  O.LinkDepend(Ids, Big);
  auto* F = new TPrcData(&O);
  F->IsFunction = true;
  F->Language = "plpgsql";
  F->SetExtra(&TObjExtra::Body, " begin new.total := coalesce(new.total, 0); return new; end ");
  AddColumn(F, F->Results, "", iftDomain)->SetExtra(&TFldExtra::DomainName, "trigger");
  InSchema(F, "audit");
  TTrgData* Trg = AddTrigger(O, "orders_audit", "orders", "EXECUTE FUNCTION qel_co.audit()");
  Trg->SetSchema("qel_co");
  Trg->ForEachRow = true;
  O.LinkDepend(Trg, F);
}

TEST_F(PostgreSQLCodeObjects, ViewsFunctionsAndTriggersRoundTrip) {
  Open(PgServer);
  Conn->Exec("create schema qel_co");
  {
    SCOPED_TRACE("create the target");
    TCodeRig Make(dbPostgreSQL);
    BuildPostgreSQL(Make.Master(), false);
    CompareAndRun(Make);
  }
  EXPECT_EQ(Column("select viewname from pg_views where schemaname = 'qel_co' order by 1"),
            (TLines{"big", "old_v"}));
  {
    SCOPED_TRACE("update the target");
    TCodeRig Update(dbPostgreSQL);
    BuildPostgreSQL(Update.Master(), true);
    BuildPostgreSQL(Update.Target(), false);
    CompareAndRun(Update);
  }
  EXPECT_EQ(Column("select viewname from pg_views where schemaname = 'qel_co' order by 1"),
            (TLines{"big", "big_ids"}));
  EXPECT_EQ(Column("select count(*) from information_schema.columns where table_schema = "
                   "'qel_co' and table_name = 'big'"),
            (TLines{"2"}));
  Conn->Exec("insert into qel_co.orders (id) values (1)");
  EXPECT_EQ(Column("select total from qel_co.orders"), (TLines{"0"}));  // the trigger ran
}

// ---------------------------------------------------------------------------------------------
// MariaDB

class MariaDBCodeObjects : public CodeObjectsOnServer {
 protected:
  TLines Leftovers() const override {
    return {"drop view if exists QEL_CO_IDS", "drop view if exists QEL_CO_OLD",
            "drop view if exists QEL_CO_BIG", "drop table if exists QEL_CO_ORDERS"};
  }
};

void BuildMariaDB(TObjs& O, bool Master) {
  TTblData* T = MakeTable(O, "QEL_CO_ORDERS", {{"ID"}, {"TOTAL"}});
  TViwData* Big = AddView(O, "QEL_CO_BIG",
                          Master ? "select ID, TOTAL from QEL_CO_ORDERS where TOTAL > 100"
                                 : "select ID from QEL_CO_ORDERS where TOTAL > 100");
  O.LinkDepend(Big, T);
  TViwData* Other = AddView(O, Master ? "QEL_CO_IDS" : "QEL_CO_OLD", "select ID from QEL_CO_BIG");
  O.LinkDepend(Other, Big);
}

TEST_F(MariaDBCodeObjects, ViewsOverViews) {
  Open(MyServer);
  {
    SCOPED_TRACE("create the target");
    TCodeRig Make(dbMySQL);
    BuildMariaDB(Make.Master(), false);
    CompareAndRun(Make);
  }
  const std::string Views =
      "select table_name from information_schema.views where table_schema = database() and "
      "table_name like 'QEL\\_CO\\_%' order by 1";
  EXPECT_EQ(Column(Views), (TLines{"QEL_CO_BIG", "QEL_CO_OLD"}));
  {
    SCOPED_TRACE("update the target");
    TCodeRig Update(dbMySQL);
    BuildMariaDB(Update.Master(), true);
    BuildMariaDB(Update.Target(), false);
    CompareAndRun(Update);
  }
  EXPECT_EQ(Column(Views), (TLines{"QEL_CO_BIG", "QEL_CO_IDS"}));
  EXPECT_EQ(Column("select count(*) from information_schema.columns where table_schema = "
                   "database() and table_name = 'QEL_CO_BIG'"),
            (TLines{"2"}));
}

}  // namespace
