// A PostgreSQL schema holding every kind the dialect reads (tests/fixtures/pg_complete/), end
// to end on the throwaway PostgreSQL 15 server as the ordinary user qel:
//   - a database built from schema.sql reads back from the catalog as the script reads, so the
//     two compare to no statement;
//   - a database built from the older target.sql, updated by the script the comparer writes,
//     dumps (pg_dump --schema-only) like a database built from schema.sql;
//   - `varnel compare --target-db URI --execute` brings a database built from target.sql to
//     schema.sql in one run, and a second run finds nothing left;
//   - the catalog extraction reads every object the user owns, without an error.
// Each test makes and drops databases of its own (qel_pgc_*). The server is found through
// QEL_PG_* (scripts/dbservers.sh env); psql and pg_dump run as clients of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "Files.h"
#include "db_servers.h"
#include "pg_dump_util.h"
#include "qelComp_Dmn.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDBStructure.h"
#include "qelPGDatabaseExtract.h"
#include "qelPGScriptExtract.h"
#include "qelVarnel.h"
#include "varnel_compare.h"

using namespace qel;
using namespace qel::testing;

namespace {

using TLines = std::vector<std::string>;

const std::string FixtureDir = std::string(QEL_FIXTURES_DIR) + "/pg_complete/";
const std::string MasterScript = FixtureDir + "schema.sql";
const std::string TargetScript = FixtureDir + "target.sql";

// ---------------------------------------------------------------------------------------------
// Clients and databases

/// Runs a script file in Database in one transaction, stopping at the first error; the reason
/// when it failed.
std::string Psql(const std::string& Database, const std::string& File) {
  std::string Out;
  if (qel::testing::Psql(Database, File, Out) == 0) return std::string();
  return "psql " + File + " in " + Database + " failed: " + Out;
}

/// Makes Database afresh from a script file; the reason when that failed.
std::string BuildDatabase(TServerConnection& Admin, const std::string& Database,
                          const std::string& File) {
  try {
    Admin.Exec("drop database if exists " + Database);
    Admin.Exec("create database " + Database);
  } catch (const std::exception& E) {
    return "cannot make database " + Database + ": " + E.what();
  }
  return Psql(Database, File);
}

std::string WriteTemp(const std::string& Name, const std::string& Text) {
  const std::string File = ::testing::TempDir() + "/" + Name;
  std::ofstream(File, std::ios::binary) << Text;
  return File;
}

/// Why the dumps of two databases differ; empty when they are the same.
std::string DumpDifference(const std::string& Master, const std::string& Target) {
  std::string Failure;
  const std::vector<std::string> M = DumpSchema(Master, Failure);
  if (!Failure.empty()) return Failure;
  const std::vector<std::string> T = DumpSchema(Target, Failure);
  if (!Failure.empty()) return Failure;
  if (M == T) return std::string();
  return "the updated target's schema differs from the master's.\nOnly in the master:\n" +
         Missing(M, T) + "Only in the updated target:\n" + Missing(T, M);
}

// ---------------------------------------------------------------------------------------------
// What a collection holds

/// The names of the objects of one list, "schema.name" where the object has a schema, sorted
/// (a name filed twice, as triggers of one name on two tables are, is listed twice).
TLines Names(const TDbObjList& L) {
  TLines R;
  for (int I = 0; I < L.Count(); ++I) {
    const TDbObj* O = L.Objects(I);
    if (!O) continue;
    R.push_back(O->GetSchema().empty() ? O->GetObjName() : O->GetSchema() + "." + O->GetObjName());
  }
  std::sort(R.begin(), R.end());
  return R;
}

/// One line per kind with the names it holds: two reads of the same schema give the same lines.
TLines Census(TObjs& O) {
  TLines R;
  auto Line = [&R](const char* Kind, const TDbObjList& L) {
    std::string S = std::string(Kind) + ":";
    for (const std::string& N : Names(L)) S += " " + N;
    R.push_back(S);
  };
  Line("schemas", O.Schemas);
  Line("domains and types", O.Domains);
  Line("tables", O.Tables);
  Line("views", O.Views);
  Line("functions", O.Procedures);
  Line("triggers", O.Triggers);
  Line("indexes", O.Indexes);
  Line("constraints", O.Constraints);
  return R;
}

/// The objects of a list with the given bare name.
template <class T>
std::vector<T*> Named(const TDbObjList& L, const std::string& Name) {
  std::vector<T*> R;
  for (int I = 0; I < L.Count(); ++I)
    if (auto* O = dynamic_cast<T*>(L.Objects(I)); O && O->GetObjName() == Name) R.push_back(O);
  return R;
}

/// "name type direction" of each parameter.
TLines Params(const TObjVector<TFldData>& L) {
  TLines R;
  for (const auto& F : L)
    R.push_back(F->GetObjName() + " " + FieldTypeName(F->FieldType) + "/" + F->Extra().DomainName +
                " " + std::to_string(static_cast<int>(F->InOut)));
  return R;
}

/// For each object the two collections file under the same key with another text: both texts.
/// Says which side reads an object otherwise when a comparison finds statements.
std::string Differing(TObjs& Master, TObjs& Target) {
  std::string R;
  auto Kind = [&R](const TDbObjList& M, const TDbObjList& T) {
    for (int I = 0; I < M.Count(); ++I) {
      const int J = T.IndexOf(M.Keys(I));
      if (J < 0) {
        R += "only in the script: " + M.Keys(I) + "\n";
        continue;
      }
      const TDbObj* A = M.Objects(I);
      const TDbObj* B = T.Objects(J);
      if (A && B && (A->Def() != B->Def() || A->Extra().Description != B->Extra().Description))
        R += "script:  " + A->Def() + " <" + A->Extra().Description + ">\ncatalog: " + B->Def() +
             " <" + B->Extra().Description + ">\n";
    }
    for (int J = 0; J < T.Count(); ++J)
      if (M.IndexOf(T.Keys(J)) < 0) R += "only in the catalog: " + T.Keys(J) + "\n";
  };
  Kind(Master.Schemas, Target.Schemas);
  Kind(Master.Domains, Target.Domains);
  Kind(Master.Views, Target.Views);
  Kind(Master.Procedures, Target.Procedures);
  Kind(Master.Triggers, Target.Triggers);
  Kind(Master.Constraints, Target.Constraints);
  return R;
}

// ---------------------------------------------------------------------------------------------
// The comparer

/// One comparison of a script with a database, and what it left.
struct TComparison {
  std::string Script;  ///< the update script; empty when nothing is to change
  TLines Errors;
  TLines Messages;  ///< every message of the comparer's list (passed-over statements...)
  /// The objects the two reads hold otherwise, taken before the comparison (whose passes
  /// change the objects' texts while they write).
  std::string Differences;
  TDBStructure MH{nullptr}, TH{nullptr};
};

/// Compares the script file Master (master) with Database (target, read from its catalog).
void CompareWithDatabase(const std::string& Master, const std::string& Database, TComparison& C) {
  TServerConnection Conn(PgServer);
  const std::string Missing = Conn.Configure();
  if (!Missing.empty()) {
    C.Errors.push_back("environment variable " + Missing + " is not set");
    return;
  }
  Conn.C->GetConnectionOptions().SetDatabaseName(Database);
  TPGScriptExtract Script{nullptr};
  Script.SetScriptFileName(Master);
  TPGDBExtract Catalog{nullptr};
  Catalog.SetConnection(Conn.C.get());
  TVarnel V{nullptr};
  V.OnErrorMessage = [&C](TObject*, const std::string& T) { C.Errors.push_back(T); };
  V.SetDBMaster(&C.MH);
  V.SetDBTarget(&C.TH);
  V.SetExtractorMaster(&Script);
  V.SetExtractorTarget(&Catalog);
  auto Collect = [&] {
    for (int I = 0; I < V.MsgManager.GetMsgCount(); ++I)
      C.Messages.push_back(V.MsgManager.Items(I).Text);
  };
  const bool Extracted = V.ExtractDatabases();
  Collect();
  if (!Extracted || V.MsgManager.GetIsErr()) {
    C.Errors.push_back("the schemas could not be read");
    return;
  }
  C.Differences = Differing(*C.MH.GetMetadata(), *C.TH.GetMetadata());
  const bool Compared = V.CompareDatabases();
  Collect();
  if (!Compared || !V.GetSQLExec()) {
    C.Errors.push_back("no update script was written");
    return;
  }
  if (!V.GetSQLExec()->HasChanges) return;
  TStringList Lines;
  V.GetSQLExec()->GetScript(Lines, false);
  C.Script = Lines.GetText();
}

/// `varnel compare` with these arguments; its exit code, output and error output.
int Compare(const std::vector<std::string>& Args, std::string& Out, std::string& Err) {
  std::ostringstream O, E;
  const int Code = varnel_cli::RunCompare(Args, O, E);
  Out = O.str();
  Err = E.str();
  return Code;
}

bool HasStatement(const std::string& Script) {
  for (const char* Word : {"CREATE ", "ALTER ", "DROP ", "COMMENT "})
    if (Script.find(Word) != std::string::npos) return true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// The fixture

class PGCompleteDb : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ExportPgConnection();
    Admin = std::make_unique<TServerConnection>(PgServer);
    Reach = Admin->Connect();
  }
  static void TearDownTestSuite() {
    if (Admin && Reach.empty())
      for (const char* D : {"qel_pgc_master", "qel_pgc_target", "qel_pgc_cli"})
        Admin->ExecIgnoringError(std::string("drop database if exists ") + D);
    Admin.reset();
  }
  void SetUp() override { ASSERT_TRUE(Reach.empty()) << Reach; }

  /// Makes the database of schema.sql afresh; the reason when that failed.
  static std::string MasterDatabase() {
    return BuildDatabase(*Admin, "qel_pgc_master", MasterScript);
  }

  std::string Uri(const std::string& Database) const {
    const TConnectionOptions& O = Admin->C->GetConnectionOptions();
    return "postgresql://" + O.UserName + ":" + O.Password + "@" + O.HostName + ":" +
           std::to_string(O.Port) + "/" + Database;
  }

  static std::unique_ptr<TServerConnection> Admin;
  static std::string Reach;
};

std::unique_ptr<TServerConnection> PGCompleteDb::Admin;
std::string PGCompleteDb::Reach;

/// What both reads of schema.sql must hold, kind by kind (at least these; the enum type is
/// neither read from a script nor from the catalog, so it is left out of the count).
const char* const Expected[][2] = {
    {"schemas", "shop"},
    {"schemas", "report"},
    {"domains and types", "positive_money"},
    {"domains and types", "item_code"},
    {"domains and types", "address"},
    {"domains and types", "price_band"},
    {"tables", "public.customer"},
    {"tables", "shop.item"},
    {"tables", "shop.orders"},
    {"tables", "shop.item_log"},
    {"views", "shop.item_prices"},
    {"views", "report.customer_orders"},
    {"functions", "public.add_tax"},
    {"functions", "shop.price_range"},
    {"functions", "shop.cheap_items"},
    {"functions", "shop.stamp"},
    {"functions", "shop.log_delete"},
    {"triggers", "item_deleted"},
    {"triggers", "stamp"},
    {"indexes", "shop.orders_customer"},
    {"indexes", "shop.item_title_code"},
    {"indexes", "shop.item_title_hash"},
};

/// The objects of Expected that a census lacks, one a line. A name matches whole, with or
/// without the schema the reader gave it.
std::string Lacking(const TLines& CensusLines) {
  std::string R;
  for (const auto& E : Expected) {
    const std::string Kind = std::string(E[0]) + ":", Want = E[1], Dotted = "." + Want;
    bool Found = false;
    for (const std::string& L : CensusLines) {
      if (L.rfind(Kind, 0) != 0) continue;
      std::istringstream In(L.substr(Kind.size()));
      for (std::string N; In >> N;)
        Found = Found || N == Want ||
                (N.size() > Dotted.size() &&
                 N.compare(N.size() - Dotted.size(), Dotted.size(), Dotted) == 0);
    }
    if (!Found) R += Kind + " " + Want + "\n";
  }
  return R;
}

}  // namespace

TEST_F(PGCompleteDb, TheDatabaseBuiltFromTheScriptComparesWithItToNoStatements) {
  const std::string Built = MasterDatabase();
  ASSERT_TRUE(Built.empty()) << Built;
  TComparison C;
  CompareWithDatabase(MasterScript, "qel_pgc_master", C);
  ASSERT_TRUE(C.Errors.empty()) << ::testing::PrintToString(C.Errors) << "\n"
                                << ::testing::PrintToString(C.Messages);

  // Equal because both sides read everything, not because both missed the same: each read
  // holds every object of the script, and the two hold the same names kind by kind.
  const TLines M = Census(*C.MH.GetMetadata());
  const TLines T = Census(*C.TH.GetMetadata());
  EXPECT_EQ(Lacking(M), "") << "script read:\n" << ::testing::PrintToString(M);
  EXPECT_EQ(Lacking(T), "") << "catalog read:\n" << ::testing::PrintToString(T);
  EXPECT_EQ(M, T);
  // Triggers of one name on two tables are both kept.
  EXPECT_EQ(Named<TTrgData>(C.MH.GetMetadata()->Triggers, "stamp").size(), 2u);
  EXPECT_EQ(Named<TTrgData>(C.TH.GetMetadata()->Triggers, "stamp").size(), 2u);

  // Nothing the script says was passed over (the enum type, which the dialect does not read,
  // may be noted).
  for (const std::string& Line : C.Messages)
    EXPECT_TRUE(Line.find("Statement passed over") == std::string::npos ||
                Line.find("ENUM") != std::string::npos)
        << Line;
  EXPECT_EQ(C.Script, "") << C.Differences;
}

TEST_F(PGCompleteDb, TheCatalogReadsEverythingTheOrdinaryUserOwns) {
  const std::string Built = MasterDatabase();
  ASSERT_TRUE(Built.empty()) << Built;
  ASSERT_EQ(Admin->Column("select rolsuper from pg_roles where rolname = current_user"),
            TLines{"False"});

  TServerConnection Conn(PgServer);
  ASSERT_TRUE(Conn.Configure().empty());
  Conn.C->GetConnectionOptions().SetDatabaseName("qel_pgc_master");
  TDBStructure Holder{nullptr};
  TPGDBExtract Ex{nullptr};
  TLines Errors;
  Ex.SetConnection(Conn.C.get());
  Ex.SetDBStructure(&Holder);
  Ex.SetOnErrorMessage([&Errors](TObject*, const std::string& T) { Errors.push_back(T); });
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(Errors.empty()) << ::testing::PrintToString(Errors);
  EXPECT_FALSE(Ex.GetMsgManager()->GetIsErr());
  TObjs& O = *Holder.GetMetadata();
  EXPECT_EQ(Lacking(Census(O)), "") << ::testing::PrintToString(Census(O));
  // Nothing of the system's own: no function of pg_catalog or information_schema, no base
  // type of the server, no trigger that implements a foreign key.
  EXPECT_EQ(O.Procedures.Count(), 5) << ::testing::PrintToString(Names(O.Procedures));
  EXPECT_EQ(O.Triggers.Count(), 3) << ::testing::PrintToString(Names(O.Triggers));
  EXPECT_LE(O.Domains.Count(), 5) << ::testing::PrintToString(Names(O.Domains));

  // Functions: parameters with their names, types and directions, OUT between IN and INOUT.
  const auto Tax = Named<TPrcData>(O.Procedures, "add_tax");
  ASSERT_EQ(Tax.size(), 1u);
  EXPECT_TRUE(Tax[0]->IsFunction);
  EXPECT_EQ(Tax[0]->Language, "sql");
  EXPECT_EQ(Tax[0]->Volatility, "IMMUTABLE");
  EXPECT_TRUE(Tax[0]->NullOnNullInput);
  EXPECT_EQ(Tax[0]->Extra().Body, "select amount * (1 + rate)");
  // The server keeps no modes when every parameter is an input one.
  EXPECT_EQ(Params(Tax[0]->Params), (TLines{"amount NUMERIC/ 0", "rate NUMERIC/ 0"}));
  EXPECT_EQ(Tax[0]->Extra().Description, "Price with tax");
  const auto Range = Named<TPrcData>(O.Procedures, "price_range");
  ASSERT_EQ(Range.size(), 1u);
  EXPECT_EQ(Range[0]->GetSchema(), "shop");
  EXPECT_EQ(Range[0]->Language, "plpgsql");
  EXPECT_EQ(Range[0]->Volatility, "STABLE");
  EXPECT_EQ(Params(Range[0]->Params),
            (TLines{"min_price NUMERIC/ 1", "low NUMERIC/ 2", "cnt INTEGER/ 3"}));
  EXPECT_NE(Range[0]->Extra().Body.find("\n  select min(price)"), std::string::npos)
      << Range[0]->Extra().Body;
  const auto Cheap = Named<TPrcData>(O.Procedures, "cheap_items");
  ASSERT_EQ(Cheap.size(), 1u);
  EXPECT_TRUE(Cheap[0]->ReturnsSetOf);
  EXPECT_EQ(Cheap[0]->Volatility, "STABLE");
  const auto Stamp = Named<TPrcData>(O.Procedures, "stamp");
  ASSERT_EQ(Stamp.size(), 1u);
  EXPECT_TRUE(Stamp[0]->Params.Empty());
  EXPECT_EQ(Stamp[0]->Volatility, "");

  // Triggers: timing, events, row or statement, table.
  const auto Deleted = Named<TTrgData>(O.Triggers, "item_deleted");
  ASSERT_EQ(Deleted.size(), 1u);
  EXPECT_EQ(Deleted[0]->Timing, baAfter);
  EXPECT_TRUE(Deleted[0]->Events.Contains(iudDelete));
  EXPECT_FALSE(Deleted[0]->Events.Contains(iudInsert));
  EXPECT_TRUE(Deleted[0]->ForEachStatement);
  EXPECT_FALSE(Deleted[0]->ForEachRow);
  EXPECT_EQ(Deleted[0]->OwnName, "item");
  TLines StampTables;
  for (TTrgData* T : Named<TTrgData>(O.Triggers, "stamp")) {
    StampTables.push_back(T->OwnName);
    EXPECT_EQ(T->Timing, baBefore);
    EXPECT_TRUE(T->ForEachRow);
    EXPECT_TRUE(T->Events.Contains(iudUpdate));
    EXPECT_EQ(T->Events.Contains(iudInsert), T->OwnName == "item") << T->OwnName;
  }
  std::sort(StampTables.begin(), StampTables.end());
  EXPECT_EQ(StampTables, (TLines{"customer", "item"}));

  // Domains and the composite type.
  TDmnData* Money = O.GetDomain("positive_money");
  ASSERT_NE(Money, nullptr);
  EXPECT_FALSE(Money->PGOptions->IsType);
  EXPECT_EQ(Money->TypeField->FieldType, iftNumeric);
  EXPECT_EQ(Money->TypeField->Precision, 10);
  EXPECT_EQ(Money->TypeField->Scale, 2);
  EXPECT_FALSE(Money->TypeField->Nullable);
  EXPECT_EQ(Money->TypeField->DefValue, "0");
  EXPECT_NE(Money->TypeField->Extra().CheckText.find("VALUE >= (0)::numeric"), std::string::npos)
      << Money->TypeField->Extra().CheckText;
  EXPECT_EQ(Money->Extra().Description, "Money, never below zero");
  TDmnData* Code = O.GetDomain("item_code");
  ASSERT_NE(Code, nullptr);
  EXPECT_EQ(Code->TypeField->FieldType, iftVarchar);
  EXPECT_EQ(Code->TypeField->Size, 8);
  EXPECT_TRUE(Code->TypeField->Nullable);
  EXPECT_NE(Code->TypeField->Extra().CheckText.find("~ '^[A-Z0-9]+$'::text"), std::string::npos)
      << Code->TypeField->Extra().CheckText;
  TDmnData* Address = O.GetDomain("address");
  ASSERT_NE(Address, nullptr);
  EXPECT_TRUE(Address->PGOptions->IsType);
  TLines Attributes;
  for (const auto& F : Address->PGOptions->Attributes) Attributes.push_back(F->GetObjName());
  EXPECT_EQ(Attributes, (TLines{"street", "city", "zip"}));
  EXPECT_EQ(Address->Extra().Description, "A postal address");

  // Columns typed by a domain, and descriptions of the other kinds.
  TTblData* Item = O.GetTable("item");
  ASSERT_NE(Item, nullptr);
  ASSERT_NE(Item->Fields.Find("price"), nullptr);
  EXPECT_EQ(Item->Fields.Find("price")->FieldType, iftDomain);
  EXPECT_EQ(Item->Fields.Find("price")->Extra().DomainName, "positive_money");
  EXPECT_EQ(Item->Fields.Find("price")->Extra().Description, "Price per unit");
  EXPECT_EQ(Item->Extra().Description, "Goods for sale");
  ASSERT_NE(O.GetSchema("shop"), nullptr);
  EXPECT_EQ(O.GetSchema("shop")->Extra().Description, "Goods and orders");
  ASSERT_NE(O.GetView("item_prices"), nullptr);
  EXPECT_EQ(O.GetView("item_prices")->Extra().Description, "Prices of all goods");
  EXPECT_EQ(Deleted[0]->Extra().Description, "Logs deletions");
}

/// The round trip of target.sql to schema.sql, the target read from its catalog or from its
/// script.
class PGCompleteRoundTrip : public PGCompleteDb, public ::testing::WithParamInterface<bool> {};

TEST_P(PGCompleteRoundTrip, TheUpdatedOlderDatabaseDumpsLikeTheScriptsDatabase) {
  const bool FromCatalog = GetParam();
  const std::string Built = MasterDatabase();
  ASSERT_TRUE(Built.empty()) << Built;
  std::string Failure = BuildDatabase(*Admin, "qel_pgc_target", TargetScript);
  ASSERT_TRUE(Failure.empty()) << Failure;

  std::string Out, Err;
  ASSERT_EQ(Compare({"--dialect", "postgresql", "--master", MasterScript,
                     FromCatalog ? "--target-db" : "--target",
                     FromCatalog ? Uri("qel_pgc_target") : TargetScript},
                    Out, Err),
            0)
      << Err;
  // Every kind takes part in the update (a statement may name its object with or without the
  // schema "public").
  for (const char* Expected :
       {"CREATE SCHEMA report", "DROP SCHEMA archive", "CREATE DOMAIN ~item_code",
        "DROP DOMAIN ~old_flag", "ALTER TYPE ~address", "ALTER TYPE ~price_band",
        "CREATE TABLE shop.item_log", "DROP TABLE archive.old_orders",
        "CREATE VIEW report.customer_orders", "CREATE FUNCTION shop.cheap_items",
        "DROP FUNCTION shop.old_total", "CREATE TRIGGER item_deleted",
        "CREATE FUNCTION shop.log_delete", "CREATE INDEX orders_customer",
        "CREATE INDEX item_title_hash", "DROP INDEX shop.item_title", "COMMENT ON SCHEMA shop"}) {
    std::string Bare = Expected, Qualified = Expected;
    if (const std::size_t P = Bare.find('~'); P != std::string::npos) {
      Bare.erase(P, 1);
      Qualified.replace(P, 1, "public.");
    }
    EXPECT_TRUE(Out.find(Bare) != std::string::npos || Out.find(Qualified) != std::string::npos)
        << Bare << " in\n"
        << Out << Err;
  }

  const std::string File = WriteTemp("qel_pgc_update.sql", Out);
  Failure = Psql("qel_pgc_target", File);
  ASSERT_TRUE(Failure.empty()) << Failure << "\nUpdate script:\n" << Out;
  Failure = DumpDifference("qel_pgc_master", "qel_pgc_target");
  EXPECT_TRUE(Failure.empty()) << Failure << "Update script:\n" << Out;
}

INSTANTIATE_TEST_SUITE_P(Target, PGCompleteRoundTrip, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& I) {
                           return std::string(I.param ? "FromCatalog" : "FromScript");
                         });

TEST_F(PGCompleteDb, OneExecutedRunBringsALiveDatabaseToTheScriptAndASecondFindsNothing) {
  const std::string Built = MasterDatabase();
  ASSERT_TRUE(Built.empty()) << Built;
  std::string Failure = BuildDatabase(*Admin, "qel_pgc_cli", TargetScript);
  ASSERT_TRUE(Failure.empty()) << Failure;
  // Rows in the tables the update keeps: the script must run with them there.
  ASSERT_TRUE(WriteStringToFile(::testing::TempDir() + "/qel_pgc_rows.sql",
                                "insert into customer (name, changed) values ('Ann', null);\n"
                                "insert into shop.item (code, title, price) values "
                                "('A1', 'Apple', 2.5);\n"));
  Failure = Psql("qel_pgc_cli", ::testing::TempDir() + "/qel_pgc_rows.sql");
  ASSERT_TRUE(Failure.empty()) << Failure;

  std::string Out, Err;
  ASSERT_EQ(Compare({"--dialect", "postgresql", "--master", MasterScript, "--target-db",
                     Uri("qel_pgc_cli"), "--execute"},
                    Out, Err),
            0)
      << Err << "\nUpdate script:\n"
      << Out;
  EXPECT_TRUE(HasStatement(Out)) << Out;

  std::string Again, AgainErr;
  ASSERT_EQ(Compare({"--dialect", "postgresql", "--master", MasterScript, "--target-db",
                     Uri("qel_pgc_cli")},
                    Again, AgainErr),
            0)
      << AgainErr;
  EXPECT_FALSE(HasStatement(Again)) << "left after the first run:\n"
                                    << Again << "\nfirst run:\n"
                                    << Out;

  // The database is the script's, and its rows are kept.
  Failure = DumpDifference("qel_pgc_master", "qel_pgc_cli");
  EXPECT_TRUE(Failure.empty()) << Failure << "Update script:\n" << Out;
  TServerConnection Db(PgServer);
  ASSERT_TRUE(Db.Configure().empty());
  Db.C->GetConnectionOptions().SetDatabaseName("qel_pgc_cli");
  Db.C->SetConnected(true);
  ASSERT_TRUE(Db.C->GetConnected()) << Db.C->GetLastError();
  EXPECT_EQ(Db.Column("select name from customer"), TLines{"Ann"});
  EXPECT_EQ(Db.Column("select code || ' ' || price from shop.item"), TLines{"A1 2.50"});
  // The trigger the update made works: an update stamps the row.
  Db.Exec("update customer set name = 'Anna'");
  EXPECT_EQ(Db.Column("select changed is not null from customer"), TLines{"True"});
  Db.C->SetConnected(false);
}
