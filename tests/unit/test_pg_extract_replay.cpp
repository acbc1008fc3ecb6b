// The catalog extraction driver and the PostgreSQL catalog extractor without a server: the
// replay adapter answers with one extraction recorded from PostgreSQL 15 (pg_extract.replay)
// and with a hand-written older server (pg_extract_old_server.replay). What the driver does on
// each path (the settings checks, the step order, progress, failures, cancelling, closing the
// connection) and how catalog rows become objects are pinned here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pg_replay_util.h"
#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Viw.h"
#include "qelDBStructure.h"
#include "qelPGDatabaseExtract.h"
#include "qelPGScriptExtract.h"
#include "qelVarnel.h"

using namespace qel;
using namespace qel::replay;
using namespace qel::testing;

namespace {

using TLines = std::vector<std::string>;

/// An extractor over a replayed server, with everything it reports collected.
class PGExtractReplay : public TPGReplayTest {
 protected:
  void SetUp() override { TerminateRunning = false; }
  void TearDown() override { TerminateRunning = false; }

  /// Registers the replay adapter over Text and links the extractor to a fresh connection.
  void Serve(const std::string& Text) {
    Replay(Text, "qel_pgx_extract");
    C->OnErrorMessage = [this](TObject*, const std::string& T) { ConnErrors.push_back(T); };
    TConnectionOptions& O = C->GetConnectionOptions();
    O.Port = 5432;
    O.Password = "qel";
    Link();  // collects the progress values too
  }

  TLines ConnErrors;
};

const std::string ProbeLine = "select cast(1 as integer) as typ, c.oid";
const std::string SchemaLine = "select ns.nspname, ns, ns.nspowner, d.description";
const std::string ConversionsLine = "select t.conname, s.nspname, t.condefault,";
const std::string DomainsLine =
    "select t.typname, t.typbasetype, t.typnotnull, t.typdefault, s.nspname,";
const std::string TypesLine = "select t.typname, ns.nspname as schemaname, t.typrelid, t.typtype,";
const std::string OperatorsLine =
    "select o.oprname, s.nspname, d.description, o.oprkind, o.oprcanhash,";
const std::string OpClassesLine =
    "select o.oid, o.opcname, s.nspname, d.description, o.opcmethod, am.amname,";
const std::string TablesLine =
    " SELECT n.nspname AS schemaname, c.relname AS tablename, pg_get_userbyid(c.relowner) AS "
    "tableowner,";
const std::string ViewsLine = " SELECT n.nspname AS schemaname, c.relname AS tablename,";
const std::string ColumnsLine =
    "select a.attrelid, a.attname AS column_name, a.atttypid, a.atttypmod,";
const std::string IndexesLine =
    "select ic.relname as index_name, tc.relname as table_name, i.indnatts,";
const std::string KeysLine = "select c.oid, c.conname, t1.relname, c.conrelid,";
const std::string UniqueLine =
    "select c.oid, c.conname, t1.relname, c.conrelid, n.nspname, t1.relkind, t1.relispartition";
const std::string FunctionsLine =
    "select p.oid, p.proname, p.prosrc, ns.nspname, l.lanname, p.provolatile,";
const std::string TriggersLine = "select t.tgname, t.tgtype, tb.relname,";
const std::string ViewReadsLine = "select distinct v.relname as view_name, rc.relname as rel_name,";
const std::string ChecksLine =
    "select c.oid, c.conname, t1.relname, c.conrelid, case when "
    "pg_catalog.pg_table_is_visible(c.conrelid) is not null then "
    "pg_catalog.pg_get_constraintdef(c.oid) end as condef, "
    "pg_catalog.pg_table_is_visible(c.conrelid) is null as table_gone,";
const std::string NotReadLine =
    "select cast('extension' as text) as kind, cast(n.nspname as text) as nspname,";
const std::string DroppedTablesLine = "select n.nspname, c.relname from pg_catalog.pg_class c";
const std::string SequencesLine =
    "select n.nspname, s.relname, o.deptype, ot.relname as owntable, oa.attname as owncolumn";

/// The index named Name of the collection.
TIdxData* IndexNamed(TObjs& O, const std::string& Name) {
  return Named<TIdxData>(O.Indexes, Name);
}

/// The constraint the server named Name (kept as its name or, when generated, as AltName).
TCtrData* ConstraintNamed(TObjs& O, const std::string& Name) {
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    TDbObj* C = O.Constraints[I];
    if (C->GetObjName() == Name || (C->GetObjName().empty() && C->Extra().AltName == Name))
      return dynamic_cast<TCtrData*>(C);
  }
  return nullptr;
}

TLines Entries(const TStringList& List) {
  TLines R;
  for (const std::string& S : List) R.push_back(S);
  return R;
}

}  // namespace

TEST_F(PGExtractReplay, ARecordedExtractionRunsItsStepsInOrderAndSaysWhatItPassesOver) {
  Serve(ReplayFixtureWithParts("pg_extract.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(Errors.empty());
  EXPECT_FALSE(Ex.GetMsgManager()->GetIsErr());

  // The database is opened anew and closed again; the steps go in their fixed order, the
  // columns of all tables (and of all views) read with one query.
  EXPECT_EQ(Sent(),
            (TLines{"<connect>",       ProbeLine,     SchemaLine,    ConversionsLine, DomainsLine,
                    TypesLine,         OperatorsLine, OpClassesLine, TablesLine,      ColumnsLine,
                    ViewsLine,         ColumnsLine,   FunctionsLine, TriggersLine,    IndexesLine,
                    KeysLine,          UniqueLine,    KeysLine,      ChecksLine,      ViewReadsLine,
                    DroppedTablesLine, SequencesLine, NotReadLine,   "<disconnect>"}));
  EXPECT_FALSE(C->GetConnected());
  EXPECT_EQ(Progress, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 16}));
  EXPECT_EQ(
      Log,
      (TLines{
          "---public",
          "---sales",
          "Extracting conversions...",
          "Extracting domains...",
          "---posint",
          "Extracting types...",
          "Extracting operators...",
          "Extracting operator classes...",
          "Extracting tables...",
          "Table sales.events is partitioned, passed over.",
          "---customer",
          "---orders",
          "Extracting views...",
          "---customer_names",
          "Extracting functions...",
          "Extracting triggers...",
          "Extracting indexes...",
          "Index customer_active of table customer has an expression or a condition, passed "
          "over.",
          "Index customer_lower_name of table customer has an expression or a condition, "
          "passed over.",
          "---customer_name_upper",
          "---customer_note_hash",
          "---customer_wide",
          "Index events_at of partitioned table events passed over.",
          "---orders_placed",
          "Extracting primary keys...",
          "---ALTER TABLE public.customer ADD PRIMARY KEY (id)",
          "---ALTER TABLE sales.orders ADD PRIMARY KEY (id)",
          "Constraint events_pkey of partitioned table events passed over.",
          "Extracting unique constraints...",
          "---ALTER TABLE public.customer ADD UNIQUE (born)",
          "---ALTER TABLE public.customer ADD CONSTRAINT customer_code_name UNIQUE (code, name)",
          "Extracting foreign keys...",
          "---ALTER TABLE sales.orders ADD FOREIGN KEY (customer_id) REFERENCES public.customer "
          "(id) ON UPDATE CASCADE ON DELETE SET NULL",
          "---ALTER TABLE sales.orders ADD CONSTRAINT orders_customer_code FOREIGN KEY "
          "(cust_code, cust_name) REFERENCES public.customer (code, name) ON DELETE CASCADE",
          "Extracting check constraints...",
          "---ALTER TABLE sales.orders ADD CONSTRAINT qty_positive CHECK(qty > 0)",
          "---ALTER TABLE sales.orders ADD CHECK((placed IS NOT NULL) OR (qty IS NULL))",
          "Extracting what views read...",
          "Sequence public.small_seq passed over: a sequence is read only as the serial column "
          "that owns it.",
          "Parsing bodys...",
          "Linking dependencies..."}));
  // What is passed over is said as information, not as an error; a sequence of its own (the
  // serial columns' sequences go with them) as a warning, since a script without it may not
  // load.
  EXPECT_EQ(Ex.GetMsgManager()->GetInfCount(), 5);
  EXPECT_EQ(Ex.GetMsgManager()->GetWrnCount(), 1);
  EXPECT_EQ(Ex.GetMsgManager()->GetMsgCount(), 6);
}

TEST_F(PGExtractReplay, ARecordedExtractionReadsSchemasTablesColumnsAndViews) {
  Serve(ReplayFixtureWithParts("pg_extract.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(Errors.empty());
  EXPECT_FALSE(Ex.GetMsgManager()->GetIsErr());

  // The collection remembers where it was read from.
  EXPECT_EQ(Objs().ExtractFrom, efDatabase);
  EXPECT_EQ(Objs().GetDatabaseType(), dbPostgreSQL);
  EXPECT_EQ(Objs().ConnectionOptions.HostName, "127.0.0.1");
  EXPECT_EQ(Objs().ConnectionOptions.UserName, "qel");
  EXPECT_EQ(Ex.GetCatalogInfo().ClassOid, 1259u);
  EXPECT_EQ(Ex.GetCatalogInfo().NamespaceOid, 2615u);
  EXPECT_TRUE(Ex.GetCatalogInfo().OwnerFromAuthId);
  EXPECT_FALSE(Ex.GetCatalogInfo().OwnerFromShadow);

  TSchData* Public = Objs().GetSchema("public");
  ASSERT_NE(Public, nullptr);
  EXPECT_EQ(Public->SchemaOwner, "pg_database_owner");
  EXPECT_EQ(Public->Extra().Description, "standard public schema");

  TTblData* Cust = Objs().GetTable("customer");
  ASSERT_NE(Cust, nullptr);
  EXPECT_EQ(Cust->Extra().Description, "people\r\nwho buy");
  EXPECT_EQ(Cust->Extra().Creator, "qel");
  ASSERT_EQ(Cust->Fields.Count(), 20);
  const TFldData* Id = Cust->Fields[0];
  EXPECT_EQ(Id->FieldType, iftSerial);
  EXPECT_TRUE(Id->DefValue.empty());
  EXPECT_FALSE(Id->Nullable);
  EXPECT_EQ(Cust->Fields[1]->FieldType, iftBigSerial);
  EXPECT_EQ(Cust->Fields[2]->FieldType, iftSmallInt);  // a sequence default, still no serial
  const TFldData* Note = Cust->Fields.Find("note");
  EXPECT_EQ(Note->DefValue, "''");  // the catalog's ''::text, as a script writes it
  EXPECT_EQ(Cust->Fields.Find("created")->DefValue, "current_timestamp");
  EXPECT_EQ(Cust->Fields.Find("amount")->Precision, 12);
  EXPECT_EQ(Cust->Fields.Find("ratio")->Precision, 0);  // precision only for numeric types
  EXPECT_EQ(Cust->Fields.Find("qty")->Extra().DomainName, "posint");
  // The dropped column left no gap: the column after it follows directly.
  EXPECT_EQ(Cust->Fields[19]->GetObjName(), "last_one");
  EXPECT_EQ(Cust->Fields[19]->Position, 20);

  TViwData* View = Objs().GetView("customer_names");
  ASSERT_NE(View, nullptr);
  // Line breaks as the server keeps them.
  EXPECT_EQ(View->Extra().Body, "SELECT customer.id,\n    customer.name\n   FROM customer");
  ASSERT_EQ(View->Fields.Count(), 2);
  EXPECT_EQ(View->Fields[1]->Size, 40);
  // What the view reads, as the server recorded it: the table and the two columns, so that a
  // change of either column's type takes the view along; and the domain of a column of the
  // table it reads.
  TLines Reads;
  for (const auto& D : View->UseOf) Reads.push_back(D->DepObj->GetObjName());
  EXPECT_EQ(Reads, (TLines{"customer", "id", "name", "posint"}));
}

TEST_F(PGExtractReplay, WithoutFullLogOnlyTheStepTitlesAreLogged) {
  Serve(ReplayFixtureWithParts("pg_extract.replay"));
  Ex.ShowFullLog = false;
  ASSERT_TRUE(Ex.ExtractDatabase());
  EXPECT_EQ(Log, (TLines{"Extracting conversions...",
                         "Extracting domains...",
                         "Extracting types...",
                         "Extracting operators...",
                         "Extracting operator classes...",
                         "Extracting tables...",
                         "Table sales.events is partitioned, passed over.",
                         "Extracting views...",
                         "Extracting functions...",
                         "Extracting triggers...",
                         "Extracting indexes...",
                         "Index customer_active of table customer has an expression or a "
                         "condition, passed over.",
                         "Index customer_lower_name of table customer has an expression or a "
                         "condition, passed over.",
                         "Index events_at of partitioned table events passed over.",
                         "Extracting primary keys...",
                         "Constraint events_pkey of partitioned table events passed over.",
                         "Extracting unique constraints...",
                         "Extracting foreign keys...",
                         "Extracting check constraints...",
                         "Extracting what views read...",
                         "Sequence public.small_seq passed over: a sequence is read only as "
                         "the serial column that owns it.",
                         "Parsing bodys...",
                         "Linking dependencies..."}));
}

TEST_F(PGExtractReplay, IndexesComeWithTheirColumnsOrderAndAccessMethod) {
  Serve(ReplayFixtureWithParts("pg_extract.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  // The indexes of keys, expression and partial indexes and the index of the partitioned
  // table are not among them.
  TLines Names;
  for (int I = 0; I < Objs().Indexes.Count(); ++I) Names.push_back(Objs().Indexes[I]->GetObjName());
  std::sort(Names.begin(), Names.end());
  EXPECT_EQ(Names, (TLines{"customer_name_upper", "customer_note_hash", "customer_wide",
                           "orders_placed"}));

  TIdxData* Upper = IndexNamed(Objs(), "customer_name_upper");
  ASSERT_NE(Upper, nullptr);
  EXPECT_TRUE(Upper->Unique);
  EXPECT_EQ(Upper->TableName, "customer");
  EXPECT_EQ(Upper->GetSchema(), "public");
  EXPECT_EQ(Upper->Extra().IndexType, "");  // btree is what an index is without USING
  EXPECT_EQ(Upper->Def(),
            "CREATE UNIQUE INDEX customer_name_upper ON public.customer(name, code "
            "DESC)");

  TIdxData* Hash = IndexNamed(Objs(), "customer_note_hash");
  ASSERT_NE(Hash, nullptr);
  EXPECT_FALSE(Hash->Unique);
  EXPECT_EQ(Hash->Extra().IndexType, "hash");

  // Seventeen columns on the server, sixteen read.
  TIdxData* Wide = IndexNamed(Objs(), "customer_wide");
  ASSERT_NE(Wide, nullptr);
  ASSERT_EQ(Wide->Flds.Count(), 16);
  EXPECT_EQ(Wide->Flds[0], "id");
  EXPECT_EQ(Wide->Flds[15], "qty");

  // The INCLUDE column is no key column.
  TIdxData* Placed = IndexNamed(Objs(), "orders_placed");
  ASSERT_NE(Placed, nullptr);
  EXPECT_EQ(Entries(Placed->Flds), TLines{"placed"});
  EXPECT_EQ(Entries(Placed->Extra().IncludeFlds), TLines{"qty"});
  EXPECT_EQ(Placed->GetSchema(), "sales");
}

TEST_F(PGExtractReplay, KeysAndChecksComeWithTheirColumnsActionsAndBodies) {
  Serve(ReplayFixtureWithParts("pg_extract.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Objs().Constraints.Count(), 8);

  // Names the server made up move aside: the key is paired by its definition.
  TCtrData* Pk = ConstraintNamed(Objs(), "customer_pkey");
  ASSERT_NE(Pk, nullptr);
  EXPECT_EQ(Pk->GetCtType(), ctPKey);
  EXPECT_EQ(Pk->GetObjName(), "");
  EXPECT_EQ(Entries(Pk->FldList), TLines{"id"});

  TCtrData* Unq = ConstraintNamed(Objs(), "customer_code_name");
  ASSERT_NE(Unq, nullptr);
  EXPECT_EQ(Unq->GetCtType(), ctUnique);
  EXPECT_EQ(Unq->GetObjName(), "customer_code_name");
  EXPECT_EQ(Entries(Unq->FldList), (TLines{"code", "name"}));
  EXPECT_EQ(ConstraintNamed(Objs(), "customer_born_key")->GetObjName(), "");

  TCtrData* Fk = ConstraintNamed(Objs(), "orders_customer_id_fkey");
  ASSERT_NE(Fk, nullptr);
  EXPECT_EQ(Fk->GetCtType(), ctFKey);
  EXPECT_EQ(Fk->GetTblName(), "orders");
  EXPECT_EQ(Fk->GetSchema(), "sales");
  EXPECT_EQ(Fk->GetRefTblName(), "customer");
  EXPECT_EQ(Fk->GetRefSchema(), "public");
  EXPECT_EQ(Fk->OnUpdate, udaCascade);
  EXPECT_EQ(Fk->OnDelete, udaNull);

  // Two columns each side, in key order; ON UPDATE is NO ACTION.
  TCtrData* Fk2 = ConstraintNamed(Objs(), "orders_customer_code");
  ASSERT_NE(Fk2, nullptr);
  EXPECT_EQ(Entries(Fk2->FldList), (TLines{"cust_code", "cust_name"}));
  EXPECT_EQ(Entries(Fk2->Extra().RefFldList), (TLines{"code", "name"}));
  EXPECT_EQ(Fk2->OnUpdate, udaNoAction);
  EXPECT_EQ(Fk2->OnDelete, udaCascade);

  // PostgreSQL 15 has no consrc: the condition comes out of pg_get_constraintdef.
  TCtrData* Chk = ConstraintNamed(Objs(), "qty_positive");
  ASSERT_NE(Chk, nullptr);
  EXPECT_EQ(Chk->GetCtType(), ctCheck);
  EXPECT_EQ(Chk->Extra().Body, "(qty > 0)");
  EXPECT_EQ(Entries(Chk->FldList), TLines{"qty"});
  TCtrData* Chk2 = ConstraintNamed(Objs(), "orders_check");
  ASSERT_NE(Chk2, nullptr);
  EXPECT_EQ(Chk2->GetObjName(), "");
  EXPECT_EQ(Chk2->Extra().Body, "((placed IS NOT NULL) OR (qty IS NULL))");
}

TEST_F(PGExtractReplay, TheKeyStepsAreGatedEachByItsOwnKind) {
  Serve(ReplayFixtureWithParts("pg_extract.replay"));
  Ex.CompareObjects = TCmpObjSetType{coForeignKey, coIndex};
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Sent(),
            (TLines{"<connect>", ProbeLine, SchemaLine, IndexesLine, KeysLine, "<disconnect>"}));
  EXPECT_EQ(Objs().Constraints.Count(), 2);
  EXPECT_EQ(Objs().Indexes.Count(), 4);
}

TEST_F(PGExtractReplay, AFailedKeyQueryNamesItsStep) {
  Serve(WithError(ReplayFixtureWithParts("pg_extract.replay"), "t2.relname as relfname",
                  "ERROR:  permission denied for table pg_constraint"));
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_EQ(Errors.size(), 1u) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Errors[0],
            "TPGDBExtract.Extract_FK(): ERROR:  permission denied for table pg_constraint");
  EXPECT_EQ(Progress.back(), 9);
  EXPECT_FALSE(C->GetConnected());
}

TEST_F(PGExtractReplay, AnOpenConnectionIsOpenedAnewAndClosedAfterwards) {
  Serve(ReplayFixtureWithParts("pg_extract.replay"));
  C->SetConnected(true);
  ASSERT_TRUE(Ex.ExtractDatabase());
  EXPECT_FALSE(C->GetConnected());
  EXPECT_EQ(Sent().front(), "<connect>");
  EXPECT_EQ(Sent()[1], "<disconnect>");
  EXPECT_EQ(Sent()[2], "<connect>");
}

TEST_F(PGExtractReplay, AFailedCatalogQueryNamesTheStepAndKeepsWhatWasRead) {
  // The views cannot be read.
  Serve(WithError(ReplayFixtureWithParts("pg_extract.replay"), "pg_catalog.pg_get_viewdef(c.oid)",
                  "ERROR:  permission denied for table pg_class"));
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_EQ(Errors.size(), 1u) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Errors[0], "TPGDBExtract.ExtractViw(): ERROR:  permission denied for table pg_class");
  EXPECT_TRUE(Ex.GetMsgManager()->GetIsErr());
  EXPECT_FALSE(C->GetConnected());
  EXPECT_EQ(Sent().back(), "<disconnect>");
  // The tables read before stay; nothing after the failing query was read or run.
  EXPECT_EQ(Objs().Tables.Count(), 2);
  EXPECT_EQ(Objs().Views.Count(), 0);
  EXPECT_FALSE(Logged("Parsing bodys..."));
  EXPECT_EQ(Progress.back(), 3);
}

/// Text with each From replaced by its To, once (each From must be there).
std::string Edited(std::string Text,
                   const std::vector<std::pair<std::string, std::string>>& Edits) {
  for (const auto& [From, To] : Edits) {
    const std::size_t At = Text.find(From);
    EXPECT_NE(At, std::string::npos) << From;
    if (At != std::string::npos) Text.replace(At, From.size(), To);
  }
  return Text;
}

// Objects another session dropped after the snapshot began: the server names their parts
// through its current catalog, so their texts read as null and the look for dropped tables at
// the end finds their tables. They are passed over whole, each named in a warning; where
// something read still uses one, the catalog is read again (and, the replay answering alike
// each time, the extraction fails after the last reading).
TEST_F(PGExtractReplay, ObjectsDroppedAfterTheSnapshotArePassedOverWhole) {
  const std::string Final = "column\trelname\tftString\t0\nend\n";
  const std::string View = "\t SELECT customer.id,\\n    customer.name\\n   FROM customer;\t";
  const struct {
    const char* Name;
    std::vector<std::pair<std::string, std::string>> Edits;
    bool Extracted;
    std::string Message;  // a warning when extracted, else the error
    int Tables, Views;
  } Cases[] = {
      {"a view",
       {{View, "\t\\N\t"}},
       true,
       "View public.customer_names passed over: it was dropped while the catalog was read.",
       2,
       0},
      {"a table with checks",
       {{"\tCHECK ((qty > 0))\tFalse\t", "\t\\N\tTrue\t"},
        {"\tCHECK (((placed IS NOT NULL) OR (qty IS NULL)))\tFalse\t", "\t\\N\tTrue\t"},
        {Final, Final.substr(0, Final.size() - 4) + "row\tsales\torders\nend\n"}},
       true,
       "Table sales.orders passed over: it was dropped while the catalog was read.",
       1,
       1},
      {"a table a view and a key still use",
       {{Final, Final.substr(0, Final.size() - 4) + "row\tpublic\tcustomer\nend\n"}},
       false,
       "TPGDBExtract.ExtractDroppedTbl(): Table public.customer, read by view customer_names, "
       "was dropped while the catalog was read.",
       2,
       1},
      {"a check dropped from a table that stays",
       {{"\tCHECK ((qty > 0))\tFalse\t", "\t\\N\tFalse\t"}},
       false,
       "TPGDBExtract.ExtractChk(): Check qty_positive was dropped while the catalog was read.",
       2,
       1},
  };
  for (const auto& K : Cases) {
    Errors.clear();
    Serve(Edited(ReplayFixtureWithParts("pg_extract.replay"), K.Edits));
    EXPECT_EQ(Ex.ExtractDatabase(), K.Extracted) << K.Name << ::testing::PrintToString(Errors);
    bool Said = !K.Extracted && !Errors.empty() && Errors.back() == K.Message;
    for (int I = 0; I < Ex.MsgManager.GetMsgCount(); ++I)
      Said = Said ||
             (Ex.MsgManager.Items(I).Text == K.Message && Ex.MsgManager.Items(I).MsgType == mt_Wrn);
    EXPECT_TRUE(Said) << K.Name << ::testing::PrintToString(Errors);
    EXPECT_EQ(Objs().Tables.Count(), K.Tables) << K.Name;
    EXPECT_EQ(Objs().Views.Count(), K.Views) << K.Name;
  }
}

TEST_F(PGExtractReplay, ColumnsThatCannotBeReadKeepTheirTablesOut) {
  Serve(WithError(ReplayFixtureWithParts("pg_extract.replay"), ColumnsLine,
                  "ERROR:  function information_schema._pg_char_max_length(oid, integer) does "
                  "not exist"));
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].rfind("TPGDBExtract.ExtractTbl(): ERROR:  function", 0), 0u) << Errors[0];
  // A table without its columns would read as a table that has none.
  EXPECT_EQ(Objs().Tables.Count(), 0);
  EXPECT_FALSE(C->GetConnected());
}

TEST_F(PGExtractReplay, AFailedProbeNamesTheHeaderStep) {
  Serve(WithError(ReplayFixtureWithParts("pg_extract.replay"), ProbeLine,
                  "ERROR:  relation \"pg_catalog.pg_class\" does not exist"));
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].rfind("TPGDBExtract.ExtractHeader(): ERROR:", 0), 0u) << Errors[0];
  EXPECT_FALSE(C->GetConnected());
}

TEST_F(PGExtractReplay, ARefusedLoginFailsWithTheServersReasonAndEmptiesTheHolder) {
  Serve(ReplayFixtureWithParts("pg_extract.replay") +
        "connect-error\tFATAL:  password authentication failed for user \"qel\"\n");
  // Whatever an earlier read left is gone: the holder is emptied before connecting.
  auto* Old = new TTblData(&Objs());
  Old->SetObjName("left_over");
  ASSERT_TRUE(Objs().AddObj(Old));
  EXPECT_FALSE(Ex.ExtractDatabase());
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0],
            "TPGDBExtract.ExtractDatabase(): Cannot connect to qel_pgx_extract: FATAL:  password "
            "authentication failed for user \"qel\"");
  EXPECT_FALSE(C->GetConnected());
  EXPECT_EQ(Objs().Tables.Count(), 0);
  EXPECT_EQ(Progress, (std::vector<int>{0}));
}

TEST_F(PGExtractReplay, ACancelledRunFailsAndReadsNothingAfterTheCurrentStep) {
  Serve(ReplayFixtureWithParts("pg_extract.replay"));
  CancelOn = "---customer";  // while the first table is read
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_TRUE(Ex.GetCancelled());
  EXPECT_EQ(Errors, (TLines{"TPGDBExtract.ExtractDatabase(): Extraction cancelled."}));
  EXPECT_EQ(Sent(),
            (TLines{"<connect>", ProbeLine, SchemaLine, ConversionsLine, DomainsLine, TypesLine,
                    OperatorsLine, OpClassesLine, TablesLine, ColumnsLine, "<disconnect>"}));
  EXPECT_EQ(Objs().Tables.Count(), 1);
  EXPECT_EQ(Progress, (std::vector<int>{0, 1, 2, 3, 16}));
  EXPECT_FALSE(Logged("Parsing bodys..."));
}

TEST_F(PGExtractReplay, TheComparerWritesNoScriptFromACancelledExtraction) {
  // The master script has a table the target lacks; a script from the half-read target would
  // create it, and drop what the cancel kept from being read.
  Serve(ReplayFixtureWithParts("pg_extract.replay"));
  TDBStructure Master{nullptr};
  TPGScriptExtract Script{nullptr};
  Script.SetScriptFileName("master.sql");
  Script.OnLoadScript = [](TObject*, const std::string&, TStrings* Lines, bool& Loaded) {
    Lines->SetText("create table extra (id integer);");
    Loaded = true;
  };
  TVarnel V{nullptr};
  TLines VErrors;
  V.OnErrorMessage = [&VErrors](TObject*, const std::string& T) { VErrors.push_back(T); };
  V.SetDBMaster(&Master);
  V.SetDBTarget(&Holder);
  V.SetExtractorMaster(&Script);
  V.SetExtractorTarget(&Ex);
  CancelOn = "Extracting tables...";
  EXPECT_FALSE(V.ExtractDatabases());
  EXPECT_FALSE(V.CompareDatabases());
  const TCustomSQLExec* E = V.GetSQLExec();
  EXPECT_TRUE(!E || E->GetStatementsCount() == 0);
  EXPECT_TRUE(V.MsgManager.GetIsErr());
  EXPECT_FALSE(C->GetConnected());
}

TEST_F(PGExtractReplay, ACancelBeforeTheCallStillReadsTheHeaderGroupOnly) {
  Serve(ReplayFixtureWithParts("pg_extract.replay"));
  TerminateRunning = true;
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(Sent(), (TLines{"<connect>", ProbeLine, SchemaLine, ConversionsLine, DomainsLine,
                            TypesLine, OperatorsLine, OpClassesLine, "<disconnect>"}));
  EXPECT_EQ(Progress, (std::vector<int>{0, 1, 16}));
  EXPECT_EQ(Objs().Schemas.Count(), 2);
  EXPECT_EQ(Errors.size(), 1u);
}

TEST_F(PGExtractReplay, TheKindSetGatesTheStepsButNotTheSchemasOrTheBodyParsing) {
  Serve(ReplayFixtureWithParts("pg_extract.replay"));
  Ex.CompareObjects = TCmpObjSetType{};
  ASSERT_TRUE(Ex.ExtractDatabase());
  EXPECT_EQ(Sent(), (TLines{"<connect>", ProbeLine, SchemaLine, "<disconnect>"}));
  EXPECT_EQ(Objs().Schemas.Count(), 2);
  EXPECT_TRUE(Logged("Parsing bodys..."));
  EXPECT_TRUE(Logged("Linking dependencies..."));
}

TEST_F(PGExtractReplay, AnOlderServerGetsTheQueriesItsCatalogAnswers) {
  // reltriggers, relhasoids and adsrc are named as such; owners come from pg_user.
  Serve(ReplayFixtureWithParts("pg_extract_old_server.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  const TPGCatalogInfo& Info = Ex.GetCatalogInfo();
  EXPECT_TRUE(Info.Has(pgcRelTriggers));
  EXPECT_TRUE(Info.Has(pgcRelHasOids));
  EXPECT_TRUE(Info.Has(pgcAdSrc));
  EXPECT_FALSE(Info.OwnerFromAuthId);
  EXPECT_TRUE(Info.OwnerFromShadow);
  EXPECT_FALSE(Info.HasProArgModes);
  EXPECT_EQ(Objs().GetSchema("public")->SchemaOwner, "postgres");
  TTblData* Legacy = Objs().GetTable("legacy");
  ASSERT_NE(Legacy, nullptr);
  EXPECT_TRUE(Legacy->WithOids);
  // Its owner has no row in the user catalog: the owner name stays empty.
  EXPECT_EQ(Legacy->Extra().Creator, "");
  EXPECT_EQ(Legacy->Extra().Description, "an old table");
  ASSERT_EQ(Legacy->Fields.Count(), 2);
  EXPECT_EQ(Legacy->Fields[0]->FieldType, iftSerial);
  EXPECT_EQ(Legacy->Fields[1]->DefValue, "'none'::character varying");
  EXPECT_EQ(Legacy->Fields[1]->Extra().Description, "some text");
  // The column of a relation the table query did not return went nowhere.
  EXPECT_EQ(Objs().GetTableField("legacy", "stray"), nullptr);
  EXPECT_EQ(Objs().Views.Count(), 0);

  // consrc gives the condition as it stands; without indnkeyatts every column is a key column.
  EXPECT_TRUE(Info.Has(pgcConSrc));
  EXPECT_TRUE(Info.Has(pgcIndOption));
  EXPECT_FALSE(Info.Has(pgcIndNKeyAtts));
  TCtrData* Chk = ConstraintNamed(Objs(), "legacy_note_check");
  ASSERT_NE(Chk, nullptr);
  EXPECT_EQ(Chk->Extra().Body, "((note)::text <> ''::text)");
  EXPECT_EQ(Chk->GetObjName(), "");  // the server's name for a check of one column
  ASSERT_NE(ConstraintNamed(Objs(), "legacy_pkey"), nullptr);
  TIdxData* Idx = IndexNamed(Objs(), "legacy_note");
  ASSERT_NE(Idx, nullptr);
  EXPECT_EQ(Idx->Def(), "CREATE INDEX legacy_note ON public.legacy(note DESC, id)");
  EXPECT_TRUE(Idx->Extra().IncludeFlds.Empty());
}

TEST(PGExtractKeys, TheKeyColumnSubSelectsReadSixteenElements) {
  const std::string Zero = TPGDBExtract::SQLKeyFlds("i.indrelid", "i.indkey", "fld", true);
  EXPECT_EQ(Zero.rfind("\r\n ,(select a1.attname from pg_attribute a1 where a1.attrelid = "
                       "i.indrelid and a1.attnum = i.indkey[0]) as fld1\r\n",
                       0),
            0u)
      << Zero;
  EXPECT_NE(Zero.find("a16.attnum = i.indkey[15]) as fld16"), std::string::npos);
  EXPECT_EQ(Zero.find("fld17"), std::string::npos);
  const std::string One = TPGDBExtract::SQLKeyFlds("c.confrelid", "c.confkey", "ffld", false);
  EXPECT_NE(One.find("a1.attrelid = c.confrelid and a1.attnum = c.confkey[1]) as ffld1\r\n"),
            std::string::npos);
  EXPECT_NE(One.find("c.confkey[16]) as ffld16"), std::string::npos);
}

TEST(PGExtractKeys, TheCheckBodyIsTakenOutOfTheConstraintDefinition) {
  EXPECT_EQ(TPGDBExtract::CheckBodyFromDef("CHECK ((qty > 0))"), "(qty > 0)");
  // What follows the condition is no part of it; parentheses inside strings and quoted names
  // do not end it.
  EXPECT_EQ(TPGDBExtract::CheckBodyFromDef("CHECK ((a > 0)) NOT VALID"), "(a > 0)");
  EXPECT_EQ(TPGDBExtract::CheckBodyFromDef("CHECK ((note <> ')'::text)) NO INHERIT"),
            "(note <> ')'::text)");
  EXPECT_EQ(TPGDBExtract::CheckBodyFromDef("CHECK ((\"a)b\" > 1))"), "(\"a)b\" > 1)");
  EXPECT_EQ(TPGDBExtract::CheckBodyFromDef("CHECK (((a > 0) AND (b < 1)))"),
            "((a > 0) AND (b < 1))");
  // A condition that is no parenthesised whole keeps the pair the check clause needs.
  EXPECT_EQ(TPGDBExtract::CheckBodyFromDef("CHECK (\nCASE\n    WHEN (a > 1) THEN true\n    "
                                           "ELSE false\nEND)"),
            "(CASE\n    WHEN (a > 1) THEN true\n    ELSE false\nEND)");
  EXPECT_EQ(TPGDBExtract::CheckBodyFromDef("CHECK (isfinite(d))"), "(isfinite(d))");
  EXPECT_EQ(TPGDBExtract::CheckBodyFromDef("CHECK ((a > 0) = (b > 0))"), "((a > 0) = (b > 0))");
  EXPECT_EQ(TPGDBExtract::CheckBodyFromDef("CHECK ((a)::text <> ')'::text)"),
            "((a)::text <> ')'::text)");
  // A text of another form is kept as it is rather than cut short.
  EXPECT_EQ(TPGDBExtract::CheckBodyFromDef("UNIQUE (a)"), "UNIQUE (a)");
  EXPECT_EQ(TPGDBExtract::CheckBodyFromDef("CHECK ((a > 0)"), "((a > 0)");
}

TEST_F(PGExtractReplay, AProbeReadsAgainFromScratch) {
  // A second run on another server forgets what the first found about owners and columns.
  Serve(ReplayFixtureWithParts("pg_extract_old_server.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase());
  Serve(ReplayFixtureWithParts("pg_extract.replay"));
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_FALSE(Ex.GetCatalogInfo().Has(pgcAdSrc));
  EXPECT_FALSE(Ex.GetCatalogInfo().OwnerFromShadow);
  EXPECT_TRUE(Ex.GetCatalogInfo().OwnerFromAuthId);
  EXPECT_EQ(Objs().GetTable("legacy"), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Settings

TEST(PGExtractSettings, EachMissingSettingIsReportedAndNothingIsTouched) {
  TDBStructure Holder{nullptr};
  TPGDBExtract Ex{nullptr};
  TLines Errors;
  Ex.SetOnErrorMessage([&Errors](TObject*, const std::string& T) { Errors.push_back(T); });
  Ex.SetDBStructure(&Holder);
  auto* Kept = new TTblData(Holder.GetMetadata());
  Kept->SetObjName("kept");
  ASSERT_TRUE(Holder.GetMetadata()->AddObj(Kept));

  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(Errors, (TLines{"TPGDBExtract.ExtractDatabase(): Connection property not assigned."}));
  EXPECT_EQ(Ex.GetMsgManager()->GetMsgCount(), 1);
  EXPECT_NE(Holder.GetMetadata()->GetTable("kept"), nullptr);

  // The connection checks come before the holder check. (A bare connection component: it
  // takes any type and never connects.)
  TQELCustomConnection C{nullptr};
  Ex.SetConnection(&C);
  Ex.SetDBStructure(nullptr);
  Errors.clear();
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(
      Errors,
      (TLines{"TPGDBExtract.ExtractDatabase(): ConnectionType in Connection not specified."}));

  C.SetConnectionType(cnPostgresDAC);
  Errors.clear();
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(Errors, (TLines{"TPGDBExtract.ExtractDatabase(): DBStructure not assigned."}));
  // Each run's message list holds that run's messages only.
  EXPECT_EQ(Ex.GetMsgManager()->GetMsgCount(), 1);

  // A connection that does not open without saying why is still a failure.
  Ex.SetDBStructure(&Holder);
  C.GetConnectionOptions().SetDatabaseName("db");
  Errors.clear();
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(Errors, (TLines{"TPGDBExtract.ExtractDatabase(): Cannot connect to db: the connection "
                            "gave no reason."}));
}

TEST(PGExtractSettings, TheConnectionLinkGoesWhenTheConnectionGoes) {
  TPGDBExtract Ex{nullptr};
  {
    TQELConnection C{nullptr};
    Ex.SetConnection(&C);
    EXPECT_EQ(Ex.GetQELConnection(), &C);
  }
  EXPECT_EQ(Ex.GetQELConnection(), nullptr);
  TLines Errors;
  Ex.SetOnErrorMessage([&Errors](TObject*, const std::string& T) { Errors.push_back(T); });
  EXPECT_FALSE(Ex.ExtractDatabase());
  EXPECT_EQ(Errors, (TLines{"TPGDBExtract.ExtractDatabase(): Connection property not assigned."}));
}

// ---------------------------------------------------------------------------------------------
// Column types

TEST(PGColumnType, NamesMapToTypesWithTheirSizes) {
  struct TCase {
    const char* Name;
    TDBFieldType Type;
  };
  const TCase Cases[] = {
      {"bigint", iftBigInt},
      {"int8", iftBigInt},
      {"character", iftChar},
      {"bpchar", iftChar},
      {"integer", iftInteger},
      {"int4", iftInteger},
      {"smallint", iftSmallInt},
      {"real", iftReal},
      {"float4", iftReal},
      {"double precision", iftDoublePrecision},
      {"float8", iftDoublePrecision},
      {"numeric", iftNumeric},
      {"time without time zone", iftTime},
      {"time with time zone", iftTimeTZ},
      {"timestamp without time zone", iftTimeStamp},
      {"timestamp with time zone", iftTimeStampTZ},
      {"timestamptz", iftTimeStampTZ},
      {"interval", iftInterval},
      {"character varying", iftVarchar},
      {"bit varying", iftVarBit},
      {"varbit", iftVarBit},
      {"text", iftText},
      {"bytea", iftByteA},
      {"boolean", iftBoolean},
      {"oid", iftOID},
      {"money", iftMoney},
  };
  for (const TCase& K : Cases) {
    TFldData F(nullptr);
    TPGDBExtract::ColumnType(F, K.Name, 7, 9, 3);
    EXPECT_EQ(F.FieldType, K.Type) << K.Name;
    EXPECT_TRUE(F.Extra().DomainName.empty()) << K.Name;
    const bool Sized = K.Type == iftChar || K.Type == iftVarchar || K.Type == iftVarBit;
    EXPECT_EQ(F.Size, Sized ? 7 : 0) << K.Name;
    const bool Numeric = K.Type == iftNumeric;
    EXPECT_EQ(F.Precision, Numeric ? 9 : 0) << K.Name;
    EXPECT_EQ(F.Scale, Numeric ? 3 : 0) << K.Name;
  }
  // Names are case-sensitive: the catalog spells every built-in type in lower case.
  TFldData F(nullptr);
  TPGDBExtract::ColumnType(F, "Integer", 0, 0, 0);
  EXPECT_EQ(F.FieldType, iftDomain);
  EXPECT_EQ(F.Extra().DomainName, "Integer");
}

TEST(PGColumnType, ArraysAndUserTypes) {
  TFldData F(nullptr);
  TPGDBExtract::ColumnType(F, "integer[]", 0, 0, 0);
  EXPECT_EQ(F.FieldType, iftInteger);
  EXPECT_EQ(F.Extra().ArrayBounds, (std::vector<TArrayBound>{{1, 0}}));
  TPGDBExtract::ColumnType(F, "text[][]", 0, 0, 0);
  EXPECT_EQ(F.FieldType, iftText);
  EXPECT_EQ(F.Extra().ArrayBounds, (std::vector<TArrayBound>{{1, 0}, {1, 0}}));
  // A second call starts the dimensions afresh.
  TPGDBExtract::ColumnType(F, "text", 0, 0, 0);
  EXPECT_TRUE(F.Extra().ArrayBounds.empty());

  TPGDBExtract::ColumnType(F, "\"MyType\"", 0, 0, 0);
  EXPECT_EQ(F.FieldType, iftDomain);
  EXPECT_EQ(F.Extra().DomainName, "MyType");
  TPGDBExtract::ColumnType(F, "posint[]", 0, 0, 0);
  EXPECT_EQ(F.Extra().DomainName, "posint");
  EXPECT_EQ(F.Extra().ArrayBounds.size(), 1u);
  TPGDBExtract::ColumnType(F, "\"", 0, 0, 0);  // a lone quote is a name, not a quoted one
  EXPECT_EQ(F.Extra().DomainName, "\"");
}

// The type modifier gives what the information_schema helpers do not: the precision of
// fractional seconds, and the length, precision and scale of an array's element.
TEST(PGColumnType, ModifiersOfTimeTypesAndArrayElements) {
  struct TCase {
    const char* Name;
    std::int32_t TypMod, Size, Precision, Scale;
  };
  const TCase Cases[] = {
      {"timestamp with time zone", 3, 0, 3, 0},
      {"timestamp without time zone", 0, 0, PGZeroSecondsPrecision, 0},
      {"timestamp without time zone", -1, 0, 0, 0},
      {"time without time zone[]", 3, 0, 3, 0},
      {"interval", 0x7FFF0002, 0, 2, 0},
      {"interval", 0x7FFFFFFF, 0, 0, 0},  // fields restricted, no precision
      {"character varying[]", 14, 10, 0, 0},
      {"character[]", 5, 1, 0, 0},
      {"numeric[]", 655366, 0, 10, 2},
      {"integer[]", -1, 0, 0, 0},
  };
  for (const TCase& K : Cases) {
    TFldData F(nullptr);
    TPGDBExtract::ColumnType(F, K.Name, 0, 0, 0, K.TypMod);
    EXPECT_EQ(F.Size, K.Size) << K.Name;
    EXPECT_EQ(F.Precision, K.Precision) << K.Name;
    EXPECT_EQ(F.Scale, K.Scale) << K.Name;
  }
}

TEST(PGColumnType, SerialColumnsComeFromTheSequenceTheColumnOwns) {
  struct TCase {
    TDBFieldType Type;
    const char* Default;
    const char* Owned;  // the sequence the column owns, as the catalog names it
    TDBFieldType Becomes;
    const char* Keeps;
    bool Serial;  // false: a nextval default kept (and reported)
  };
  const TCase Cases[] = {
      {iftInteger, "nextval('t_id_seq'::regclass)", "t_id_seq", iftSerial, "", true},
      {iftBigInt, "NEXTVAL('t_id_seq')", "t_id_seq", iftBigSerial, "", true},
      {iftInteger, "nextval('sales.\"T_id_seq\"'::regclass)", "T_id_seq", iftSerial, "", true},
      // A sequence shared by several tables, or made on its own, stays the column's default:
      // a serial would number from 1 again in a sequence of its own.
      {iftInteger, "nextval('ticket_seq'::regclass)", "", iftInteger,
       "nextval('ticket_seq'::regclass)", false},
      {iftInteger, "nextval('ticket_seq'::regclass)", "t_id_seq", iftInteger,
       "nextval('ticket_seq'::regclass)", false},
      // smallserial: a smallint drawing on the sequence it owns.
      {iftSmallInt, "nextval('s')", "s", iftSmallInt, "", true},
      {iftSmallInt, "nextval('s')", "", iftSmallInt, "nextval('s')", true},
      {iftInteger, "0", "", iftInteger, "0", true},
      {iftInteger, "", "", iftInteger, "", true},
      {iftNumeric, "nextval('s')", "s", iftNumeric, "nextval('s')", true},
  };
  for (const TCase& K : Cases) {
    TFldData F(nullptr);
    F.FieldType = K.Type;
    F.DefValue = K.Default;
    EXPECT_EQ(TPGDBExtract::CheckSerial(F, K.Owned), K.Serial) << K.Default;
    EXPECT_EQ(F.FieldType, K.Becomes) << K.Default;
    EXPECT_EQ(F.DefValue, K.Keeps) << K.Default;
    EXPECT_EQ(F.AutoIncrement, K.Type == iftSmallInt && *K.Owned != 0) << K.Default;
  }
  EXPECT_EQ(TPGDBExtract::NextvalSequence("nextval('a.\"b.\"\"c\"'::regclass)"), "b.\"c");
  EXPECT_EQ(TPGDBExtract::NextvalSequence("now()"), "");
}

TEST(PGExtractText, DescriptionsAreKeptWithCrLfLineBreaks) {
  EXPECT_EQ(CrLfLineBreaks("a\nb\r\nc\rd\r\n\ne"), "a\r\nb\r\nc\r\nd\r\n\r\ne");
  EXPECT_EQ(CrLfLineBreaks(""), "");
  EXPECT_EQ(CrLfLineBreaks("\r"), "\r\n");
}
