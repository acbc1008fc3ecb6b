// The PostgreSQL table grammar: column types, defaults, column and table constraints, ALTER
// TABLE ADD, indexes and views, and what the linking after the last script settles.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "qelComp_Idx.h"
#include "qelComp_Viw.h"
#include "test_pg_parser.h"

namespace qel {
namespace {

using testing::Entries;
using testing::TPGParse;

using Names = std::vector<std::string>;

TEST(PGTable, ColumnTypes) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE TABLE t (\r\n"
      "  price numeric(10,2), name varchar(40), n int(11), cv character varying(20),\r\n"
      "  dp double precision, ts timestamp(6) with time zone, tm time without time zone,\r\n"
      "  tags text[], m integer[3][4], a integer ARRAY[2], f float8, b bool, bits bit "
      "varying(8),\r\n"
      "  e email_address, q public.money_amount, u \"MyType\", s smallint, big int8);"));
  auto Col = [&](const std::string& Name) { return T.Column("t", Name); };
  ASSERT_EQ(T.Table("t")->Fields.Count(), 18);
  EXPECT_EQ(Col("price")->FieldType, iftNumeric);
  EXPECT_EQ(Col("price")->Precision, 10);
  EXPECT_EQ(Col("price")->Scale, 2);
  EXPECT_EQ(Col("name")->FieldType, iftVarchar);
  EXPECT_EQ(Col("name")->Size, 40);
  EXPECT_EQ(Col("n")->FieldType, iftInteger);
  EXPECT_EQ(Col("n")->Precision, 0);
  EXPECT_EQ(Col("n")->Scale, 0);
  EXPECT_EQ(Col("cv")->FieldType, iftVarchar);
  EXPECT_EQ(Col("cv")->Size, 20);
  EXPECT_EQ(Col("dp")->FieldType, iftDoublePrecision);
  EXPECT_EQ(Col("ts")->FieldType, iftTimeStampTZ);
  EXPECT_EQ(Col("ts")->Precision, 6);
  EXPECT_EQ(Col("tm")->FieldType, iftTime);
  EXPECT_EQ(Col("tags")->FieldType, iftText);
  EXPECT_EQ(Col("tags")->Extra().ArrayBounds, (std::vector<TArrayBound>{{1, 0}}));
  EXPECT_EQ(Col("m")->Extra().ArrayBounds, (std::vector<TArrayBound>{{1, 3}, {1, 4}}));
  EXPECT_EQ(Col("a")->Extra().ArrayBounds, (std::vector<TArrayBound>{{1, 2}}));
  EXPECT_EQ(Col("f")->FieldType, iftDoublePrecision);
  EXPECT_EQ(Col("b")->FieldType, iftBoolean);
  EXPECT_EQ(Col("bits")->FieldType, iftVarBit);
  EXPECT_EQ(Col("bits")->Size, 8);
  EXPECT_EQ(Col("e")->FieldType, iftDomain);
  EXPECT_EQ(Col("e")->Extra().DomainName, "email_address");
  EXPECT_EQ(Col("q")->Extra().DomainName, "money_amount");
  EXPECT_EQ(Col("u")->Extra().DomainName, "MyType");
  EXPECT_EQ(Col("s")->FieldType, iftSmallInt);
  EXPECT_EQ(Col("big")->FieldType, iftBigInt);
  // Columns keep script order, owner and position.
  EXPECT_EQ(T.Table("t")->Fields[0]->GetObjName(), "price");
  EXPECT_EQ(Col("big")->Position, 18);
  EXPECT_EQ(Col("big")->OwnerObj, T.Table("t"));
  EXPECT_EQ(Col("big")->TableName, "t");
}

// The type text a column is written and compared by keeps what the script gave: a written
// precision, zero too, differs from none (the server keeps them apart).
TEST(PGTable, TypeTextKeepsPrecisionAndElementLength) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TABLE t (a timestamp(3) with time zone, b time(3), c timestamp(0),\r\n"
              "  d interval(2), e timestamp, f timestamptz(0), g varchar(10)[],\r\n"
              "  h numeric(10,2)[], i time with time zone, j decimal(5,2), k dec(4,1),\r\n"
              "  l decimal);"));
  const std::pair<const char*, const char*> Cases[] = {
      {"a", "timestamp(3) with time zone"},
      {"b", "time(3)"},
      {"c", "timestamp(0)"},
      {"d", "interval(2)"},
      {"e", "timestamp"},
      {"f", "timestamp(0) with time zone"},
      {"g", "varchar(10)[]"},
      {"h", "numeric(10,2)[]"},
      {"i", "time with time zone"},
      // decimal is the server's numeric, and its catalog says numeric.
      {"j", "numeric(5,2)"},
      {"k", "numeric(4,1)"},
      {"l", "numeric"},
  };
  for (const auto& [Name, Text] : Cases) {
    EXPECT_EQ(T.Column("t", Name)->FieldTypeDef(), Text) << Name;
    EXPECT_EQ(T.Column("t", Name)->TypeDef(), Text) << Name;
  }
}

// The text each spelling is compared and written by is the one the catalog gives back.
TEST(PGTable, TypeTextOfSerialsArraysAndBitStrings) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE TABLE t (a integer ARRAY, b integer ARRAY[4], c integer[3][4], s serial,\r\n"
      "  bs bigserial, ss smallserial, s2 serial2, b8 bit(8), b1 bit, vb bit varying(12),\r\n"
      "  vv varbit, ba bit(2)[]);"));
  const std::pair<const char*, const char*> Cases[] = {
      {"a", "integer[]"},
      {"b", "integer[]"},
      {"c", "integer[]"},
      {"s", "serial not null"},
      {"bs", "bigserial not null"},
      {"ss", "smallserial not null"},
      {"s2", "smallserial not null"},
      {"b8", "bit(8)"},
      {"b1", "bit"},
      {"vb", "varbit(12)"},
      {"vv", "varbit"},
      {"ba", "bit(2)[]"},
  };
  for (const auto& [Name, Text] : Cases) EXPECT_EQ(T.Column("t", Name)->TypeDef(), Text) << Name;
}

TEST(PGTable, DeferrableKeys) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TABLE p (id integer PRIMARY KEY DEFERRABLE NOT NULL, a integer UNIQUE "
              "INITIALLY DEFERRED,\r\n"
              "  b integer, c integer REFERENCES p (id) NOT DEFERRABLE INITIALLY IMMEDIATE,\r\n"
              "  UNIQUE (b) DEFERRABLE INITIALLY DEFERRED,\r\n"
              "  FOREIGN KEY (c) REFERENCES p (a) ON DELETE CASCADE DEFERRABLE);"));
  EXPECT_FALSE(T.Column("p", "id")->Nullable);
  struct TCase {
    TConstraintType Type;
    const char* Column;
    const char* Tail;  // what the key's text ends with
  };
  const TCase Cases[] = {
      {ctPKey, "id", "(id)\r\nDEFERRABLE"},
      {ctUnique, "a", "(a)\r\nDEFERRABLE INITIALLY DEFERRED"},
      {ctUnique, "b", "(b)\r\nDEFERRABLE INITIALLY DEFERRED"},
      {ctFKey, "c", "p (id)"},
      {ctFKey, "c", "ON DELETE CASCADE\r\nDEFERRABLE"},
  };
  for (const TCase& K : Cases) {
    bool Found = false;
    for (const TCtrData* C : T.Constraints("p", K.Type)) {
      const std::string Def = C->Def();
      if (C->FldList[0] == K.Column && Def.size() >= std::string(K.Tail).size() &&
          Def.compare(Def.size() - std::string(K.Tail).size(), std::string::npos, K.Tail) == 0)
        Found = true;
    }
    EXPECT_TRUE(Found) << K.Column << ": " << K.Tail;
  }
}

TEST(PGTable, SerialPrimaryKeyAndCollation) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TABLE orders (id serial PRIMARY KEY, n bigserial,\r\n"
              "  code text COLLATE \"C\", tags text[] COLLATE pg_catalog.\"default\");"));
  EXPECT_EQ(T.Column("orders", "id")->FieldType, iftSerial);
  EXPECT_EQ(T.Column("orders", "n")->FieldType, iftBigSerial);
  EXPECT_EQ(T.Column("orders", "code")->Extra().Collation, "C");
  EXPECT_EQ(T.Column("orders", "tags")->Extra().Collation, "pg_catalog.default");
  // Written back as read: a bare C would be the unknown collation c.
  EXPECT_EQ(T.Column("orders", "code")->TypeDef(), "text collate \"C\"");
  EXPECT_EQ(T.Column("orders", "tags")->TypeDef(), "text[] collate pg_catalog.\"default\"");
  const auto Keys = T.Constraints("orders", ctPKey);
  ASSERT_EQ(Keys.size(), 1u);
  EXPECT_EQ(Entries(Keys[0]->FldList), Names{"id"});
  EXPECT_EQ(Keys[0]->GetSchema(), "public");
}

TEST(PGTable, Defaults) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE TABLE d (\r\n"
      "  a date DEFAULT ('now'::text)::date, b integer DEFAULT NULL, c timestamp default now(),\r\n"
      "  id integer DEFAULT nextval('d_id_seq'::regclass) NOT NULL,\r\n"
      "  e varchar(10) DEFAULT 'x'::character varying, f integer DEFAULT -1,\r\n"
      "  g timestamp DEFAULT now() + interval '1 day', h text DEFAULT 'a' || 'b',\r\n"
      "  i integer DEFAULT 0 -- zero\r\n"
      "  , j boolean DEFAULT true, k text DEFAULT E'it\\'s',\r\n"
      "  l timestamp with time zone DEFAULT CURRENT_TIMESTAMP(0),\r\n"
      "  m numeric DEFAULT (1 + 2), n text DEFAULT pg_catalog.lower('X'::text),\r\n"
      "  o timestamp DEFAULT '2020-01-01 00:00:00'::timestamp without time zone,\r\n"
      "  p integer[] DEFAULT ARRAY[1, 2]);"));
  auto Default = [&](const std::string& Name) { return T.Column("d", Name)->DefValue; };
  EXPECT_EQ(Default("a"), "current_date");
  EXPECT_EQ(Default("b"), "");
  EXPECT_EQ(Default("c"), "current_timestamp");
  EXPECT_EQ(Default("id"), "nextval('d_id_seq'::regclass)");
  EXPECT_FALSE(T.Column("d", "id")->Nullable);
  EXPECT_EQ(Default("e"), "'x'::character varying");
  EXPECT_EQ(Default("f"), "-1");
  EXPECT_EQ(Default("g"), "now() + interval '1 day'");
  EXPECT_EQ(Default("h"), "'a' || 'b'");
  EXPECT_EQ(Default("i"), "0");
  EXPECT_EQ(Default("j"), "true");
  EXPECT_EQ(Default("k"), "E'it\\'s'");
  EXPECT_EQ(Default("l"), "CURRENT_TIMESTAMP(0)");
  EXPECT_EQ(Default("m"), "(1 + 2)");
  EXPECT_EQ(Default("n"), "pg_catalog.lower('X'::text)");
  EXPECT_EQ(Default("o"), "'2020-01-01 00:00:00'::timestamp without time zone");
  EXPECT_EQ(Default("p"), "ARRAY[1, 2]");
}

TEST(PGTable, BadDefaultsAreErrors) {
  TPGParse T;
  EXPECT_FALSE(
      T.Parse("CREATE TABLE d (a integer DEFAULT , b integer);\r\n"
              "CREATE TABLE e (a integer DEFAULT - x);"));
  EXPECT_EQ(T.Errors(), (Names{"DEFAUT <,> error... Near: \", b integer);\"",
                               "DEFAUT -x error... Near: \"x);\""}));
}

TEST(PGTable, ColumnConstraints) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE TABLE customer (id integer PRIMARY KEY);\r\n"
      "CREATE TABLE item (\r\n"
      "  id integer NOT NULL, note text NULL,\r\n"
      "  customer_id integer REFERENCES customer ON DELETE CASCADE,\r\n"
      "  owner_id integer REFERENCES public.customer (id) ON UPDATE SET NULL ON DELETE "
      "RESTRICT,\r\n"
      "  price numeric CHECK (price > 0),\r\n"
      "  sku text UNIQUE,\r\n"
      "  qty integer CONSTRAINT qty_positive CHECK (qty >= 0) CONSTRAINT qty_nn NOT NULL);"));
  EXPECT_FALSE(T.Column("item", "id")->Nullable);
  EXPECT_TRUE(T.Column("item", "note")->Nullable);
  EXPECT_FALSE(T.Column("item", "qty")->Nullable);

  const auto FKeys = T.Constraints("item", ctFKey);
  ASSERT_EQ(FKeys.size(), 2u);
  const TCtrData* ToCustomer =
      Entries(FKeys[0]->FldList) == Names{"customer_id"} ? FKeys[0] : FKeys[1];
  const TCtrData* ToOwner = ToCustomer == FKeys[0] ? FKeys[1] : FKeys[0];
  EXPECT_EQ(ToCustomer->GetRefTblName(), "customer");
  EXPECT_TRUE(
      ToCustomer->Extra().RefFldList.Empty());  // settled by the linking after the last script
  EXPECT_EQ(ToCustomer->OnDelete, udaCascade);
  EXPECT_EQ(ToCustomer->OnUpdate, udaNoAction);
  EXPECT_EQ(Entries(ToOwner->FldList), Names{"owner_id"});
  EXPECT_EQ(Entries(ToOwner->Extra().RefFldList), Names{"id"});
  EXPECT_EQ(ToOwner->OnUpdate, udaNull);
  EXPECT_EQ(ToOwner->OnDelete, udaRestrict);

  const auto Checks = T.Constraints("item", ctCheck);
  ASSERT_EQ(Checks.size(), 2u);
  const TCtrData* Named = Checks[0]->GetObjName().empty() ? Checks[1] : Checks[0];
  const TCtrData* Unnamed = Named == Checks[0] ? Checks[1] : Checks[0];
  EXPECT_EQ(Named->GetObjName(), "qty_positive");
  EXPECT_EQ(Named->Extra().Body, "(qty >= 0)");
  EXPECT_EQ(Entries(Named->FldList), Names{"qty"});
  EXPECT_EQ(Unnamed->Extra().Body, "(price > 0)");
  EXPECT_EQ(Entries(Unnamed->FldList), Names{"price"});
  EXPECT_EQ(Unnamed->GetSchema(), "public");

  const auto Uniques = T.Constraints("item", ctUnique);
  ASSERT_EQ(Uniques.size(), 1u);
  EXPECT_EQ(Entries(Uniques[0]->FldList), Names{"sku"});
}

TEST(PGTable, TableConstraints) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE TABLE parent (id integer, code text, PRIMARY KEY (id), UNIQUE (code));\r\n"
      "CREATE TABLE child (\r\n"
      "  id integer, parent_id integer, code text, other_id integer, n integer,\r\n"
      "  CONSTRAINT child_pkey PRIMARY KEY (id, parent_id),\r\n"
      "  FOREIGN KEY (parent_id) REFERENCES parent ON UPDATE CASCADE ON DELETE SET DEFAULT,\r\n"
      "  CONSTRAINT child_code_fk FOREIGN KEY (code) REFERENCES public.parent (code),\r\n"
      "  FOREIGN KEY (other_id) REFERENCES later,\r\n"
      "  UNIQUE KEY k (code, n),\r\n"
      "  CHECK (n <> 0),\r\n"
      "  CONSTRAINT n_small CHECK (n < 100));\r\n"
      "CREATE TABLE later (id integer PRIMARY KEY);"));

  const auto PKeys = T.Constraints("child", ctPKey);
  ASSERT_EQ(PKeys.size(), 1u);
  // The name the server would give is moved aside: the key is matched by its definition.
  EXPECT_EQ(PKeys[0]->GetObjName(), "");
  EXPECT_EQ(PKeys[0]->Extra().AltName, "child_pkey");
  EXPECT_EQ(Entries(PKeys[0]->FldList), (Names{"id", "parent_id"}));

  const auto FKeys = T.Constraints("child", ctFKey);
  ASSERT_EQ(FKeys.size(), 3u);
  const TCtrData* ToParent = nullptr;
  const TCtrData* ByCode = nullptr;
  const TCtrData* ToLater = nullptr;
  for (const TCtrData* F : FKeys) {
    if (Entries(F->FldList) == Names{"parent_id"}) ToParent = F;
    if (Entries(F->FldList) == Names{"code"}) ByCode = F;
    if (Entries(F->FldList) == Names{"other_id"}) ToLater = F;
  }
  ASSERT_TRUE(ToParent && ByCode && ToLater);
  // Without a list the references are the referenced table's key, when it was read before.
  EXPECT_EQ(Entries(ToParent->Extra().RefFldList), Names{"id"});
  EXPECT_EQ(ToParent->OnUpdate, udaCascade);
  EXPECT_EQ(ToParent->OnDelete, udaDefault);
  EXPECT_EQ(ByCode->GetObjName(), "child_code_fk");
  EXPECT_EQ(ByCode->GetRefSchema(), "public");
  EXPECT_EQ(Entries(ByCode->Extra().RefFldList), Names{"code"});
  EXPECT_TRUE(ToLater->Extra().RefFldList.Empty());

  const auto Uniques = T.Constraints("child", ctUnique);
  ASSERT_EQ(Uniques.size(), 1u);
  EXPECT_EQ(Entries(Uniques[0]->FldList), (Names{"code", "n"}));
  ASSERT_EQ(T.Constraints("child", ctCheck).size(), 2u);
  // The log names each key with its text, as read (before the generated name moves aside).
  EXPECT_NE(std::find(T.Log.begin(), T.Log.end(),
                      "Primary Key: ALTER TABLE public.child ADD CONSTRAINT child_pkey PRIMARY "
                      "KEY (id, parent_id)"),
            T.Log.end());
}

TEST(PGTable, LinkingFillsReferencesAndMakesKeyColumnsNotNull) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TABLE a (x integer REFERENCES b, y integer REFERENCES b);\r\n"
              "CREATE TABLE b (id integer, PRIMARY KEY (id));"));
  EXPECT_TRUE(T.Column("b", "id")->Nullable);
  T.Parser.Link_Depend();
  EXPECT_FALSE(T.Column("b", "id")->Nullable);
  const auto FKeys = T.Constraints("a", ctFKey);
  ASSERT_EQ(FKeys.size(), 2u);
  for (const TCtrData* F : FKeys) {
    EXPECT_EQ(Entries(F->Extra().RefFldList), Names{"id"});
    // Refiled under the text that names the columns now, and linked to the key.
    EXPECT_EQ(T.Objs.Constraints.IndexOf(F->ObjKeyDef()), T.Objs.Constraints.IndexOfObject(F));
  }
  const TCtrData* Key = T.Constraints("b", ctPKey)[0];
  EXPECT_EQ(Key->UseIn.Count(), 2);
}

TEST(PGTable, ReferencesWithoutColumnsAreRefiledTogether) {
  // Many keys move at once; the one whose new key is taken stays where it was.
  std::string Script = "CREATE TABLE b (id integer PRIMARY KEY);\r\n";
  for (int I = 0; I < 40; ++I)
    Script += "CREATE TABLE a" + std::to_string(I) + " (x integer REFERENCES b);\r\n";
  TPGParse T;
  ASSERT_TRUE(T.Parse(Script + "ALTER TABLE a7 ADD FOREIGN KEY (x) REFERENCES b (id);"));
  T.Parser.Link_Depend();
  const TDbObjList& L = T.Objs.Constraints;
  int Moved = 0;
  for (int I = 0; I < L.Count(); ++I) {
    EXPECT_EQ(L.IndexOf(L.Keys(I)), I);  // sorted again
    if (L.Keys(I) == L.Objects(I)->ObjKeyDef()) ++Moved;
  }
  EXPECT_EQ(Moved, L.Count() - 1);
}

TEST(PGTable, UnnamedConstraintsGetTheNamesTheServerGivesThem) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE TABLE customer (id integer PRIMARY KEY);\r\n"
      "CREATE TABLE orders (id integer PRIMARY KEY, customer_id integer REFERENCES customer,\r\n"
      "  total numeric CHECK (total >= 0), a integer CHECK (a < b), b integer,\r\n"
      "  code text UNIQUE, UNIQUE (a, b), d integer CHECK (d > 0), CHECK (d < 100),\r\n"
      "  CHECK (length(\"Note\"::text) > 0), \"Note\" text, CONSTRAINT kept CHECK (a > 1));\r\n"
      "ALTER TABLE orders ADD CHECK (b > 2);\r\n"
      "CREATE TABLE a_table_name_long_enough_to_need_shortening_by_the_server_xyz\r\n"
      "  (a_column_name_long_enough_to_need_shortening_too integer UNIQUE);"));
  auto AltNames = [&](const std::string& Table, TConstraintType Type) {
    Names R;
    for (const TCtrData* C : T.Constraints(Table, Type)) R.push_back(C->Extra().AltName);
    std::sort(R.begin(), R.end());
    return R;
  };
  EXPECT_EQ(AltNames("orders", ctPKey), Names{"orders_pkey"});
  EXPECT_EQ(AltNames("orders", ctFKey), Names{"orders_customer_id_fkey"});
  EXPECT_EQ(AltNames("orders", ctUnique), (Names{"orders_a_b_key", "orders_code_key"}));
  // A check reading one column is named after it, one reading two columns after the table
  // only; a second name alike gets a number, in the order of the script. (Names as a
  // PostgreSQL 15 server gives them to this script.)
  EXPECT_EQ(AltNames("orders", ctCheck),
            (Names{"", "orders_Note_check", "orders_b_check", "orders_check", "orders_d_check",
                   "orders_d_check1", "orders_total_check"}));
  for (const TCtrData* C : T.Constraints("orders", ctCheck))
    if (C->Extra().Body == "(d > 0)") {
      EXPECT_EQ(C->Extra().AltName, "orders_d_check");
    }
  EXPECT_EQ(AltNames("a_table_name_long_enough_to_need_shortening_by_the_server_xyz", ctUnique),
            Names{"a_table_name_long_enough_to_n_a_column_name_long_enough_to__key"});
}

TEST(PGTable, TableCheckNamedAsTheServerWouldIsPairedByItsCondition) {
  // The catalog takes t_qty_check for a name the server made up; a script that writes the same
  // name on a table-level check must move it aside too, or the two never pair and the check is
  // dropped and added again on every run.
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TABLE t (qty integer, CONSTRAINT t_qty_check CHECK (qty > 0),\r\n"
              "  CONSTRAINT mine CHECK (qty < 100), CONSTRAINT t_check CHECK (qty <> 7));"));
  Names Named, Moved;
  for (const TCtrData* C : T.Constraints("t", ctCheck)) {
    Named.push_back(C->GetObjName());
    Moved.push_back(C->Extra().AltName);
  }
  std::sort(Named.begin(), Named.end());
  std::sort(Moved.begin(), Moved.end());
  EXPECT_EQ(Named, (Names{"", "", "mine"}));
  EXPECT_EQ(Moved, (Names{"", "t_check", "t_qty_check"}));
}

TEST(PGTable, ConstraintNamesUniquePerTableDoNotCollide) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TABLE a (n integer, CONSTRAINT positive CHECK (n > 0));\r\n"
              "CREATE TABLE b (n integer, CONSTRAINT positive CHECK (n > 1));"));
  ASSERT_EQ(T.Constraints("a", ctCheck).size(), 1u);
  ASSERT_EQ(T.Constraints("b", ctCheck).size(), 1u);
  EXPECT_EQ(T.Constraints("b", ctCheck)[0]->Extra().Body, "(n > 1)");
}

TEST(PGTable, ForeignKeyActionErrors) {
  TPGParse T;
  EXPECT_FALSE(
      T.Parse("CREATE TABLE a (x integer REFERENCES b ON DELETE EXPLODE);\r\n"
              "CREATE TABLE c (x integer REFERENCES b ON INSERT CASCADE);\r\n"
              "CREATE TABLE d (x integer REFERENCES b ON DELETE SET ZERO);\r\n"
              "CREATE TABLE e (x integer REFERENCES b ON DELETE NO WAY);"));
  const Names Errs = T.Errors();
  ASSERT_EQ(Errs.size(), 4u);
  EXPECT_EQ(Errs[0].rfind("Unknown action into UPDATE/DELETE rule.", 0), 0u);
  EXPECT_EQ(Errs[1].rfind("Missing: UPDATE/DELETE", 0), 0u);
  EXPECT_EQ(Errs[2].rfind("Missing: DEFAULT/NULL", 0), 0u);
  EXPECT_EQ(Errs[3].rfind("Must be: ACTION", 0), 0u);
  // A constraint read only in part is not filed.
  EXPECT_TRUE(T.Constraints("a", ctFKey).empty());
}

TEST(PGTable, AlterTableAddConstraints) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TABLE t (id integer, code text, p integer);\r\n"
              "ALTER TABLE ONLY t ADD CONSTRAINT t_pkey PRIMARY KEY (id);\r\n"
              "ALTER TABLE public.t ADD UNIQUE (code);\r\n"
              "ALTER TABLE t ADD FOREIGN KEY (p) REFERENCES t (id);\r\n"
              "ALTER TABLE t ADD CONSTRAINT code_len CHECK (length(code) > 2);\r\n"
              "ALTER TABLE s.elsewhere ADD CONSTRAINT elsewhere_pkey PRIMARY KEY (k);\r\n"
              "ALTER TABLE public.t OWNER TO postgres;"));
  const auto PKeys = T.Constraints("t", ctPKey);
  ASSERT_EQ(PKeys.size(), 1u);
  EXPECT_EQ(PKeys[0]->Extra().AltName, "t_pkey");
  EXPECT_EQ(PKeys[0]->GetObjName(), "");
  EXPECT_EQ(T.Constraints("t", ctUnique).size(), 1u);
  EXPECT_EQ(T.Constraints("t", ctFKey).size(), 1u);
  ASSERT_EQ(T.Constraints("t", ctCheck).size(), 1u);
  EXPECT_EQ(T.Constraints("t", ctCheck)[0]->Extra().Body, "(length(code) > 2)");
  // A table defined in another script: the key keeps its table and schema.
  const auto Elsewhere = T.Constraints("elsewhere", ctPKey);
  ASSERT_EQ(Elsewhere.size(), 1u);
  EXPECT_EQ(Elsewhere[0]->GetSchema(), "s");
  EXPECT_EQ(Elsewhere[0]->Extra().AltName, "elsewhere_pkey");

  EXPECT_FALSE(T.Parse("ALTER TABLE t ADD COLUMN x integer;"));
  EXPECT_EQ(T.Errors().back().rfind("ALTER TABLE ... ADD COLUMN is not read", 0), 0u);
}

TEST(PGTable, Indexes) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TABLE t (a integer, b text);\r\n"
              "CREATE INDEX i ON t USING btree (a, b);\r\n"
              "CREATE UNIQUE INDEX u ON sales.t USING gist (b DESC, a ASC);"));
  TIdxData* I = T.Objs.GetIndex("i");
  ASSERT_NE(I, nullptr);
  EXPECT_EQ(I->TableName, "t");
  EXPECT_EQ(I->GetSchema(), "public");
  EXPECT_FALSE(I->Unique);
  EXPECT_EQ(I->Extra().IndexType, "");
  EXPECT_EQ(Entries(I->Flds), (Names{"a", "b"}));
  TIdxData* U = T.Objs.GetIndex("u");
  ASSERT_NE(U, nullptr);
  EXPECT_TRUE(U->Unique);
  EXPECT_EQ(U->GetSchema(), "sales");
  EXPECT_EQ(U->Extra().IndexType, "gist");
  ASSERT_EQ(U->Flds.Count(), 2);
  EXPECT_EQ(dynamic_cast<TIdxFldData*>(U->Flds.Objects(0))->SortOrder, 2);
  EXPECT_EQ(dynamic_cast<TIdxFldData*>(U->Flds.Objects(1))->SortOrder, 1);
  EXPECT_EQ(T.Statements[1].ObjType, dboIndex);
  EXPECT_EQ(T.Statements[1].ObjName, "i");
}

// An operator class stands after the column and before its direction; one of a schema the
// server searches anyway is kept by its name, as the catalog gives it, and the class of the
// column's type is kept as none, as the catalog gives it.
TEST(PGTable, IndexOperatorClasses) {
  struct TCase {
    const char* Columns;
    const char* Written;
  };
  const TCase Cases[] = {
      {"(b text_pattern_ops)", "b text_pattern_ops"},
      {"(b pg_catalog.text_pattern_ops DESC, a)", "b text_pattern_ops DESC, a"},
      {"(a public.\"Int Ops\" ASC)", "a \"Int Ops\""},
      {"(a ext.int_ops, b)", "a ext.int_ops, b"},
      {"(a DESC, b)", "a DESC, b"},
      // The class the column's type takes anyway is no class to the server.
      {"(b text_ops, a pg_catalog.int4_ops DESC)", "b, a DESC"},
      {"(a text_ops)", "a text_ops"},
  };
  for (const TCase& C : Cases) {
    TPGParse T;
    ASSERT_TRUE(T.Parse("CREATE TABLE t (a integer, b text);\r\nCREATE INDEX i ON t " +
                        std::string(C.Columns) + ";"))
        << C.Columns;
    EXPECT_EQ(T.Objs.GetIndex("i")->GetFlds(), C.Written) << C.Columns;
  }
}

// float(p) counts binary digits: the server keeps 1 to 24 as real and the rest, plain float
// too, as double precision.
TEST(PGTable, FloatIsRealOrDoublePrecisionByItsBits) {
  const std::pair<const char*, TDBFieldType> Cases[] = {
      {"float(1)", iftReal},
      {"float(24)", iftReal},
      {"float(25)", iftDoublePrecision},
      {"float(53)", iftDoublePrecision},
      {"float", iftDoublePrecision},
  };
  for (const auto& [Type, Kept] : Cases) {
    TPGParse T;
    ASSERT_TRUE(T.Parse("CREATE TABLE t (c " + std::string(Type) + ");")) << Type;
    EXPECT_EQ(T.Column("t", "c")->FieldType, Kept) << Type;
  }
  for (const char* Refused : {"float(0)", "float(54)"}) {
    TPGParse T;
    EXPECT_FALSE(T.Parse("CREATE TABLE t (c " + std::string(Refused) + ");")) << Refused;
  }
}

TEST(PGTable, TablesAndIndexesPassNoFilterConstraintsAndViewsDo) {
  TPGParse T;
  T.Objs.OnAccept_Obj = [](TObject*, TObject* Obj, bool& Accept) {
    Accept = dynamic_cast<TSchData*>(Obj) != nullptr;
  };
  ASSERT_TRUE(
      T.Parse("CREATE TABLE t (id integer PRIMARY KEY);\r\n"
              "CREATE INDEX i ON t (id);\r\n"
              "CREATE VIEW v AS SELECT id FROM t;"));
  EXPECT_NE(T.Table("t"), nullptr);
  EXPECT_NE(T.Objs.GetIndex("i"), nullptr);
  EXPECT_TRUE(T.Objs.Constraints.Empty());
  EXPECT_EQ(T.Objs.GetView("v"), nullptr);
}

TEST(PGTable, Views) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE VIEW \"Active Orders\" (id, \"Total\") AS\r\n"
      "  SELECT o.id, o.total::numeric(10,2) FROM orders o WHERE o.status ~ '^A' -- active\r\n"
      ";\r\n"
      "CREATE OR REPLACE VIEW public.plain AS SELECT 1 AS one, 'a;b' AS semi;"));
  TViwData* V = T.Objs.GetView("Active Orders");
  ASSERT_NE(V, nullptr);
  EXPECT_EQ(V->Extra().Body,
            "SELECT o.id, o.total::numeric(10,2) FROM orders o WHERE o.status ~ '^A'");
  ASSERT_EQ(V->Fields.Count(), 2);
  EXPECT_EQ(V->Fields[1]->GetObjName(), "Total");
  EXPECT_EQ(V->Fields[1]->OwnerObj, V);
  TViwData* P = T.Objs.GetView("plain");
  ASSERT_NE(P, nullptr);
  EXPECT_EQ(P->GetSchema(), "public");
  EXPECT_EQ(P->Extra().Body, "SELECT 1 AS one, 'a;b' AS semi");
  EXPECT_EQ(T.Statements[0].ObjType, dboView);
  EXPECT_EQ(T.Statements[0].ObjName, "Active Orders");
}

TEST(PGTable, QuotedNamesKeepTheirCase) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TABLE \"Order Lines\" (\"LineNo\" integer, \"select\" text,\r\n"
              "  CONSTRAINT \"PK Lines\" PRIMARY KEY (\"LineNo\"));"));
  ASSERT_NE(T.Table("Order Lines"), nullptr);
  EXPECT_NE(T.Column("Order Lines", "LineNo"), nullptr);
  EXPECT_NE(T.Column("Order Lines", "select"), nullptr);
  const auto Keys = T.Constraints("Order Lines", ctPKey);
  ASSERT_EQ(Keys.size(), 1u);
  EXPECT_EQ(Keys[0]->GetObjName(), "PK Lines");
  EXPECT_EQ(Keys[0]->Def(),
            "ALTER TABLE public.\"Order Lines\" ADD CONSTRAINT \"PK Lines\" PRIMARY KEY "
            "(\"LineNo\")");
  // A double quote inside a name is doubled when the name is written back.
  ASSERT_TRUE(T.Parse("CREATE TABLE \"say \"\"hi\"\"\" (a integer, CHECK (a > 0));"));
  const auto Checks = T.Constraints("say \"hi\"", ctCheck);
  ASSERT_EQ(Checks.size(), 1u);
  EXPECT_EQ(Checks[0]->Def(), "ALTER TABLE public.\"say \"\"hi\"\"\" ADD CHECK(a > 0)");
}

}  // namespace
}  // namespace qel
