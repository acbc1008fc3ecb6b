// The schema-to-script writer: the fixed kind order, the header of each dialect, the SQL
// Server SET lines, the InterBase SET TERM blocks, descriptions and owners, the single-table
// script, and a small shop schema written for PostgreSQL, MySQL and Firebird (golden scripts
// under tests/fixtures/metadata/).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelComp_Ctr.h"
#include "qelComp_Def.h"
#include "qelComp_Dmn.h"
#include "qelComp_Exc.h"
#include "qelComp_Fnc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Pkg.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Rul.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "test_golden_util.h"
#include "test_objects_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

/// Items joined with LF (every generated line break must be CR LF).
std::string Lf(const TStrings& Lines) {
  return CheckedLf(Lines.GetText());
}

std::string Script(TObjs& O) {
  O.ExtractMetadata();
  return Lf(O.ScriptBuffer);
}

std::size_t Pos(const std::string& Text, const std::string& What) {
  const std::size_t P = Text.find(What);
  EXPECT_NE(P, std::string::npos) << "missing: " << What << "\n" << Text;
  return P;
}

int Occurrences(const std::string& Text, const std::string& What) {
  int N = 0;
  for (std::size_t P = Text.find(What); P != std::string::npos; P = Text.find(What, P + 1)) ++N;
  return N;
}

TCtrData* Key(TObjs& O, const std::string& Name, TConstraintType Type, const std::string& Table,
              const std::vector<std::string>& Cols, const std::string& RefTable = "",
              const std::vector<std::string>& RefCols = {}) {
  auto* C = new TCtrData(&O);
  C->SetCtType(Type);
  C->SetObjName(Name);
  C->SetTblName(Table);
  for (const std::string& Col : Cols) C->FldList.Add(Col);
  if (!RefTable.empty()) C->SetRefTblName(RefTable);
  for (const std::string& Col : RefCols) C->EditExtra().RefFldList.Add(Col);
  EXPECT_TRUE(O.AddObj(C)) << Name;
  return C;
}

TIdxData* Index(TObjs& O, const std::string& Name, const std::string& Table,
                const std::vector<std::string>& Cols) {
  auto* I = new TIdxData(&O);
  I->SetObjName(Name);
  I->TableName = Table;
  for (const std::string& Col : Cols) I->AddFld(Col);
  EXPECT_TRUE(O.AddObj(I)) << Name;
  return I;
}

TDmnData* Domain(TObjs& O, const std::string& Name, TDBFieldType Type, int Precision = 0,
                 int Scale = 0) {
  auto* D = new TDmnData(&O);
  D->SetObjName(Name);
  D->TypeField->FieldType = Type;
  D->TypeField->Precision = Precision;
  D->TypeField->Scale = Scale;
  EXPECT_TRUE(O.AddObj(D));
  return D;
}

TGntData* Grant(TObjs& O, const std::string& Object, const std::string& Grantee) {
  auto* G = new TGntData(&O);
  G->ObjectType = 0;
  G->ObjectName = Object;
  G->GranteeName = Grantee;
  G->GranteeType = 13;
  G->Privileges.Include(gntSelect);
  EXPECT_TRUE(O.AddObj(G));
  return G;
}

TRolData* Role(TObjs& O, const std::string& Name) {
  auto* R = new TRolData(&O);
  R->SetObjName(Name);
  EXPECT_TRUE(O.AddObj(R));
  return R;
}

/// Compares Text with tests/fixtures/metadata/Name; QEL_UPDATE_GOLDEN=1 rewrites the file.
void ExpectGolden(const std::string& Name, const std::string& Text) {
  ExpectGoldenFile("metadata", Name, Text);
}

/// The small shop schema in one dialect: customers and orders with their keys, an index, a
/// view, a routine and a trigger, descriptions, a role and a grant; a domain, a generator and
/// an exception where the dialect has them, schemas and owners on PostgreSQL.
struct TShop {
  TObjs O;
  TDatabaseType DB;
  TPrcData* P = nullptr;

  explicit TShop(TDatabaseType aDB) : DB(aDB) {
    O.SetDatabaseType(DB);
    O.ConnectionOptions.SetDatabaseName(DB == dbInterBase ? "/data/shop.fdb" : "shop");
    O.ConnectionOptions.UserName = "SYSDBA";
    O.ConnectionOptions.Password = "masterkey";
    O.IBServerOptions.SQLServerVersion = st_Firebird_25;
    O.IBServerOptions.SetDBCharSet("UTF8");
    O.IBServerOptions.GetIBDatabaseOptions().PageSize = 8192;
    const bool IB = DB == dbInterBase, PG = DB == dbPostgreSQL;

    if (PG) {
      auto* Public = new TSchData(&O);
      Public->SetObjName("public");
      Public->SetExtra(&TObjExtra::Creator, "postgres");
      Public->SetExtra(&TObjExtra::Description, "standard public schema");
      O.AddObj(Public);
      auto* Sales = new TSchData(&O);
      Sales->SetObjName("sales");
      Sales->SetExtra(&TObjExtra::Creator, "shop_owner");
      O.AddObj(Sales);
    }
    if (IB || PG) {
      TDmnData* D = Domain(O, N("amount_t"), iftNumeric, 10, 2);
      D->TypeField->EditExtra().CheckText = " (VALUE >= 0)";
      D->SetExtra(&TObjExtra::Description, "Money, never negative");
    }

    TTblData* Customer = AddTable(O, N("customer"));
    Col(Customer, "id", iftInteger)->Nullable = false;
    Col(Customer, "name", iftVarchar, 40)->Nullable = false;
    Col(Customer, "email", iftVarchar, 60)->SetExtra(&TObjExtra::Description, "Where invoices go");
    Customer->SetExtra(&TObjExtra::Description, "Customers of the shop");
    if (PG) Customer->SetExtra(&TObjExtra::Creator, "shop_owner");
    TTblData* Orders = AddTable(O, N("orders"));
    Col(Orders, "id", iftInteger)->Nullable = false;
    Col(Orders, "customer_id", iftInteger)->Nullable = false;
    TFldData* Amount = Col(Orders, "amount", IB || PG ? iftDomain : iftDecimal);
    if (IB || PG) {
      Amount->SetExtra(&TFldExtra::DomainName, N("amount_t"));
    } else {
      Amount->Precision = 10;
      Amount->Scale = 2;
    }

    Key(O, N("pk_customer"), ctPKey, N("customer"), {N("id")});
    Key(O, N("pk_orders"), ctPKey, N("orders"), {N("id")});
    Key(O, N("uq_customer_email"), ctUnique, N("customer"), {N("email")});
    Key(O, N("fk_orders_customer"), ctFKey, N("orders"), {N("customer_id")}, N("customer"),
        {N("id")});
    Key(O, N("ck_orders_amount"), ctCheck, N("orders"), {})
        ->SetExtra(&TObjExtra::Body, " (" + N("amount") + " > 0)");
    Index(O, N("ix_orders_customer"), N("orders"), {N("customer_id"), N("id")});

    if (IB) {
      auto* G = new TGnrData(&O);
      G->SetObjName("GEN_ORDER_ID");
      O.AddObj(G);
      auto* E = new TExcData(&O);
      E->SetObjName("E_NO_CUSTOMER");
      E->Message = "Unknown customer";
      O.AddObj(E);
    }

    TViwData* V = AddView(O, N("customer_orders"),
                          IB ? "SELECT C.NAME, O.AMOUNT FROM CUSTOMER C JOIN ORDERS O ON "
                               "O.CUSTOMER_ID = C.ID"
                             : "SELECT c.name, o.amount FROM customer c JOIN orders o ON "
                               "o.customer_id = c.id");
    Col(V, "name", iftVarchar, 40);
    Col(V, "amount", iftInteger);

    P = AddProc(O, N("order_count"), "");
    Col(P, "customer_id", iftInteger)->SetExtra(&TObjExtra::Description, "The customer counted");
    switch (DB) {
      case dbInterBase:
        Col(P, "N", iftInteger, 0, true);
        P->EditExtra().Body =
            "BEGIN\r\n  SELECT COUNT(*) FROM ORDERS WHERE CUSTOMER_ID = :CUSTOMER_ID "
            "INTO :N;\r\n  SUSPEND;\r\nEND";
        break;
      case dbPostgreSQL:
        Col(P, "", iftBigInt, 0, true);
        P->IsFunction = true;
        P->Language = "sql";
        P->SetExtra(&TObjExtra::Body, " select count(*) from orders where customer_id = $1 ");
        P->SetExtra(&TObjExtra::Creator, "shop_owner");
        break;
      default:
        P->EditExtra().FullText =
            "CREATE PROCEDURE order_count(IN customer_id INT)\r\nBEGIN\r\n  SELECT COUNT(*) FROM "
            "orders o WHERE o.customer_id = customer_id;\r\nEND";
        break;
    }

    TTrgData* T = AddTrigger(O, N("orders_bi"), N("orders"), "");
    T->ForEachRow = !IB;
    switch (DB) {
      case dbInterBase:
        T->TrgType = 1;  // before insert
        // The stored trigger source starts with AS; a procedure's starts after it.
        T->EditExtra().Body =
            "AS\r\nBEGIN\r\n  IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(GEN_ORDER_ID, 1);\r\n"
            "END";
        break;
      case dbPostgreSQL:
        T->SetExtra(&TObjExtra::Body, "EXECUTE FUNCTION orders_stamp()");
        break;
      default:
        T->SetExtra(&TObjExtra::Body, "SET NEW.amount = ROUND(NEW.amount, 2)");
        break;
    }
    T->SetExtra(&TObjExtra::Description, "Numbers new orders");

    Role(O, N("clerk"));
    Grant(O, N("customer"), N("clerk"));
  }

  std::string N(const std::string& Name) const {
    return DB == dbInterBase ? UpperCase(Name) : Name;
  }
  TFldData* Col(TTblData* T, const std::string& Name, TDBFieldType Type, int Size = 0) {
    return AddColumn(T, T->Fields, N(Name), Type, Size);
  }
  TFldData* Col(TViwData* V, const std::string& Name, TDBFieldType Type, int Size = 0) {
    return AddColumn(V, V->Fields, N(Name), Type, Size);
  }
  TFldData* Col(TPrcData* P, const std::string& Name, TDBFieldType Type, int Size = 0,
                bool Result = false) {
    return AddColumn(P, Result ? P->Results : P->Params, N(Name), Type, Size);
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The whole schema

TEST(ExtractMetadata, GoldenShopScripts) {
  for (const auto& [DB, File] :
       {std::pair{dbPostgreSQL, "shop_postgresql.sql"}, std::pair{dbMySQL, "shop_mysql.sql"},
        std::pair{dbInterBase, "shop_firebird.sql"}}) {
    SCOPED_TRACE(File);
    TShop Shop(DB);
    ExpectGolden(File, Script(Shop.O));
  }
}

// A PostgreSQL domain is created in its own schema with its check, default and NOT NULL; a
// type keeps its own text, and a domain passed by leaves no statement.
TEST(ExtractMetadata, PostgreSQLDomainsAreWrittenWhole) {
  TObjs O;
  O.SetDatabaseType(dbPostgreSQL);
  TDmnData* Code = Domain(O, "code3", iftChar);
  Code->TypeField->Size = 3;
  Code->SetSchema("sales");
  Code->TypeField->Nullable = false;
  Code->TypeField->DefValue = "'AAA'";
  Code->TypeField->EditExtra().CheckText = "(VALUE <> 'ZZZ')";
  Domain(O, "plain_int", iftInteger);
  TDmnData* Gone = Domain(O, "gone", iftInteger);
  Gone->TypeField->EditExtra().CheckText = "(VALUE > 0)";
  Gone->SkipDef = true;
  TDmnData* Pair = Domain(O, "pair", iftUnknown);
  Pair->PGOptions->IsType = true;
  const std::string S = Script(O);
  EXPECT_NE(S.find("CREATE DOMAIN sales.code3 char(3) not null default 'AAA' CHECK (VALUE <> "
                   "'ZZZ');\n"),
            std::string::npos)
      << S;
  EXPECT_NE(S.find("CREATE DOMAIN plain_int integer;\n"), std::string::npos) << S;
  EXPECT_EQ(S.find("gone"), std::string::npos) << S;
  EXPECT_NE(S.find("CREATE TYPE pair"), std::string::npos) << S;
  EXPECT_EQ(Occurrences(S, "CREATE DOMAIN"), 2) << S;
}

TEST(ExtractMetadata, KindsComeInTheirFixedOrder) {
  // The lists are filled in reverse of the written order: the writer's order must not follow
  // the order of filing.
  TShop Shop(dbInterBase);
  TObjs& O = Shop.O;
  auto* Udf = new TUdfData(&O);
  Udf->SetObjName("STRLEN");
  Udf->EntryPoint = "IB_UDF_strlen";
  Udf->ModuleName = "ib_udf";
  O.AddObj(Udf);
  auto* Sch = new TSchData(&O);
  Sch->SetObjName("S1");
  O.AddObj(Sch);
  // Kinds the writer leaves out.
  auto* Rul = new TRulData(&O);
  Rul->SetObjName("R_POSITIVE");
  Rul->Expression = "@V > 0";
  O.AddObj(Rul);
  auto* Def = new TDefData(&O);
  Def->SetObjName("D_ZERO");
  Def->Expression = "0";
  O.AddObj(Def);

  const std::string S = Script(O);
  const std::vector<std::string> Order = {"CREATE SCHEMA S1",
                                          "DECLARE EXTERNAL FUNCTION STRLEN",
                                          "CREATE DOMAIN AMOUNT_T",
                                          "CREATE TABLE CUSTOMER",
                                          "CREATE INDEX IX_ORDERS_CUSTOMER",
                                          "ADD CONSTRAINT PK_CUSTOMER PRIMARY KEY",
                                          "ADD CONSTRAINT PK_ORDERS PRIMARY KEY",
                                          "ADD CONSTRAINT UQ_CUSTOMER_EMAIL UNIQUE",
                                          "ADD CONSTRAINT FK_ORDERS_CUSTOMER FOREIGN KEY",
                                          "ADD CONSTRAINT CK_ORDERS_AMOUNT CHECK",
                                          "CREATE EXCEPTION E_NO_CUSTOMER",
                                          "CREATE GENERATOR GEN_ORDER_ID",
                                          "CREATE VIEW CUSTOMER_ORDERS",
                                          "CREATE PROCEDURE ORDER_COUNT",
                                          "CREATE TRIGGER ORDERS_BI",
                                          "CREATE ROLE CLERK",
                                          "GRANT SELECT ON CUSTOMER TO CLERK"};
  for (std::size_t I = 1; I < Order.size(); ++I)
    EXPECT_LT(Pos(S, Order[I - 1]), Pos(S, Order[I])) << Order[I - 1] << " / " << Order[I];
  EXPECT_EQ(S.find("R_POSITIVE"), std::string::npos);
  EXPECT_EQ(S.find("D_ZERO"), std::string::npos);
  // The terminator goes back to ";" after the procedure and trigger blocks.
  EXPECT_EQ(O.Terminator, ";");
}

TEST(ExtractMetadata, InterBaseBlocksAndDescriptionMode) {
  // Without procedures there is no SET TERM block for them.
  TObjs Plain;
  Plain.SetDatabaseType(dbInterBase);
  AddTable(Plain, "T", {{"A", iftInteger}});
  EXPECT_EQ(Script(Plain).find("SET TERM"), std::string::npos);

  // With procedures: one block, each text ended by "^" on its own line.
  TShop Shop(dbInterBase);
  Shop.O.IBServerOptions.SQLServerVersion = st_Firebird_21;
  AddProc(Shop.O, "SECOND_PROC", "BEGIN\r\n  EXIT;\r\nEND");
  const std::string S = Script(Shop.O);
  EXPECT_EQ(Occurrences(S, "SET TERM ^ ;\n"), 2) << S;  // procedures, triggers
  EXPECT_EQ(Occurrences(S, "SET TERM ; ^\n"), 2) << S;
  EXPECT_NE(S.find("  SUSPEND;\nEND\n^\n"), std::string::npos) << S;
  EXPECT_NE(S.find("  EXIT;\nEND\n^\n"), std::string::npos) << S;
  // The descriptions of the routine are written inside the block, with its terminator.
  EXPECT_NE(S.find("COMMENT ON PARAMETER ORDER_COUNT.CUSTOMER_ID IS\n'The customer counted'\n^\n"),
            std::string::npos)
      << S;
  // Firebird 2.1 with descriptions in the system tables: COMMENT ON for the script, the mode
  // put back afterwards.
  EXPECT_EQ(S.find("RDB$DESCRIPTION"), std::string::npos);
  EXPECT_NE(S.find("COMMENT ON TABLE CUSTOMER IS\n'Customers of the shop';"), std::string::npos);
  EXPECT_EQ(Shop.O.IBServerOptions.GetIBCompareOptions().GetUpdateDescriptionMode(), udSysTables);

  // Older servers: DESCRIBE.
  Shop.O.IBServerOptions.SQLServerVersion = st_FireBird_15;
  EXPECT_NE(Script(Shop.O).find("DESCRIBE TABLE CUSTOMER\n'Customers of the shop';"),
            std::string::npos);
  // A mode the user chose other than the system tables is kept.
  Shop.O.IBServerOptions.GetIBCompareOptions().SetUpdateDescriptionMode(udDescribe);
  Shop.O.IBServerOptions.SQLServerVersion = st_Firebird_25;
  EXPECT_NE(Script(Shop.O).find("DESCRIBE TABLE CUSTOMER"), std::string::npos);
}

TEST(ExtractMetadata, MySQLKeysAreWrittenOnce) {
  // The MySQL table text declares its primary and unique keys and its indexes; the key and
  // index passes must not add them a second time (the server refuses a second primary key).
  TShop Shop(dbMySQL);
  const std::string S = Script(Shop.O);
  EXPECT_EQ(Occurrences(S, "PRIMARY KEY"), 2) << S;
  EXPECT_EQ(Occurrences(S, "uq_customer_email"), 1) << S;
  EXPECT_EQ(Occurrences(S, "ix_orders_customer"), 1) << S;
  EXPECT_EQ(Occurrences(S, "FOREIGN KEY"), 1) << S;
  // An index whose columns are not known stays with the index pass.
  TShop Bare(dbMySQL);
  Index(Bare.O, "ix_no_columns", "orders", {});
  EXPECT_NE(Script(Bare.O).find("ix_no_columns"), std::string::npos);
}

TEST(ExtractMetadata, ConstraintsPerDialectAndTheirComments) {
  TObjs Ms;
  Ms.SetDatabaseType(dbMSSQL);
  AddTable(Ms, "T", {{"A", iftInteger}});
  Key(Ms, "PK_T", ctPKey, "T", {"A"});
  TCtrData* Df = Key(Ms, "DF_T_A", ctDefault, "T", {"A"});
  Df->SetExtra(&TObjExtra::Body, "(0)");
  TCtrData* Unnamed = Key(Ms, "", ctUnique, "T", {"A"});
  Unnamed->SetExtra(&TObjExtra::AltName, "UQ__T__3214EC07");
  const std::string S = Script(Ms);
  EXPECT_LT(Pos(S, "/* DF_T_A */\n"), Pos(S, "/* PK_T */\n"));
  // A server-made name is shown as a comment; there is no empty name comment.
  EXPECT_NE(S.find("/* UQ__T__3214EC07 */\n"), std::string::npos) << S;
  EXPECT_EQ(S.find("/*  */"), std::string::npos) << S;

  // Defaults outside SQL Server belong to their columns: no statement.
  TObjs Pg;
  Pg.SetDatabaseType(dbPostgreSQL);
  AddTable(Pg, "t", {{"a", iftInteger}});
  Key(Pg, "df_t_a", ctDefault, "t", {"a"})->SetExtra(&TObjExtra::Body, "0");
  Key(Pg, "k_t", ctKey, "t", {"a"});
  const std::string P = Script(Pg);
  EXPECT_EQ(P.find("df_t_a"), std::string::npos) << P;
  EXPECT_EQ(P.find("k_t"), std::string::npos) << P;
}

TEST(ExtractMetadata, SqlServerSetLines) {
  TObjs O;
  O.SetDatabaseType(dbMSSQL);
  O.ConnectionOptions.SetDatabaseName("shop");
  TViwData* V1 = AddView(O, "V1", "SELECT 1 AS A");
  V1->QuotedIdentifier = V1->AnsiNulls = true;
  TViwData* V2 = AddView(O, "V2", "SELECT 2 AS A");
  V2->QuotedIdentifier = true;
  const std::string S = Script(O);
  EXPECT_EQ(
      S.rfind("USE shop\ngo\n\nSET QUOTED_IDENTIFIER OFF\ngo\n\nSET ANSI_NULLS OFF\ngo\n\n", 0), 0u)
      << S;
  const std::size_t Create1 = Pos(S, "CREATE VIEW V1"), Create2 = Pos(S, "CREATE VIEW V2");
  const std::string Before1 = S.substr(0, Create1), Between = S.substr(Create1, Create2 - Create1);
  EXPECT_NE(Before1.find("SET QUOTED_IDENTIFIER ON\ngo"), std::string::npos) << S;
  EXPECT_NE(Before1.find("SET ANSI_NULLS ON\ngo"), std::string::npos) << S;
  EXPECT_EQ(Between.find("SET QUOTED_IDENTIFIER"), std::string::npos) << S;
  EXPECT_NE(Between.find("SET ANSI_NULLS OFF\ngo"), std::string::npos) << S;
  EXPECT_EQ(O.Terminator, "\r\ngo");
  EXPECT_FALSE(O.QuotedIdentifierState);
  EXPECT_FALSE(O.AnsiNullsState);
}

// ---------------------------------------------------------------------------------------------
// Headers

TEST(ExtractMetadata, HeadersPerDialect) {
  auto Header = [](TDatabaseType DB, auto Setup) {
    TObjs O;
    O.SetDatabaseType(DB);
    O.ConnectionOptions.SetDatabaseName("shop");
    O.ConnectionOptions.UserName = "scott";
    O.ConnectionOptions.Password = "tiger";
    Setup(O);
    return Script(O);
  };
  auto None = [](TObjs&) {};

  EXPECT_EQ(Header(dbPostgreSQL, None)
                .rfind("/* Database: shop */\nSET check_function_bodies = false;\n\n", 0),
            0u);
  EXPECT_EQ(Header(dbPostgreSQL, [](TObjs& O) { O.ConnectionOptions.SetDatabaseName("a*/b"); })
                .find("*/b"),
            std::string::npos);
  EXPECT_EQ(Header(dbMySQL, None).rfind("USE `shop`;\n\n", 0), 0u);
  EXPECT_EQ(Header(dbMySQL, [](TObjs& O) { O.ScriptOptions.Connect = false; }).find("USE"),
            std::string::npos);

  const std::string Ora = Header(dbOracle, None);
  EXPECT_EQ(Ora.rfind("-- CONNECT scott/*****@shop;\n", 0), 0u) << Ora;
  EXPECT_EQ(Ora.find("tiger"), std::string::npos);
  EXPECT_EQ(
      Header(dbOracle, [](TObjs& O) { O.ConnectionOptions.Password.clear(); }).find("CONNECT"),
      std::string::npos);

  const std::string Ib = Header(dbInterBase, [](TObjs& O) {
    O.IBServerOptions.SetDBCharSet("win1252");
    O.IBServerOptions.GetIBDatabaseOptions().PageSize = 4096;
    O.IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion = 11;
    O.IBServerOptions.GetIBDatabaseOptions().ODSMinorVersion = 2;
    O.IBServerOptions.GetIBDatabaseOptions().ServerVersionText = "WI-V2.5.9";
    O.ConnectionOptions.Password = "it's";
  });
  EXPECT_EQ(Ib.rfind("SET NAMES WIN1252;\n\n"
                     "SET SQL DIALECT 3;\n\n"
                     "CREATE DATABASE 'shop'\n USER 'scott' PASSWORD 'it''s'\n"
                     "PAGE_SIZE 4096  DEFAULT CHARACTER SET WIN1252;\n\n"
                     "/* Server Version: WI-V2.5.9.  ODS Version: 11.2. */\n\n",
                     0),
            0u)
      << Ib;
  const std::string Ib1 = Header(dbInterBase, [](TObjs& O) {
    O.IBServerOptions.SetSQLDialect(1);
    O.ScriptOptions.Connect = false;
  });
  EXPECT_EQ(Ib1.find("DIALECT"), std::string::npos);
  EXPECT_EQ(Ib1.find("CREATE DATABASE"), std::string::npos);

  const std::string Ase = Header(dbSybaseASE, [](TObjs& O) {
    TASEDatabaseOptions& D = O.ASEServerOptions.GetASEDatabaseOptions();
    D.Description = "Shop database";
    D.Owner = "sa";
    D.DBOptions.Include(asedboTruncLogOnChkpt);
    D.DBOptions.Include(asedboAllowNullsByDefault);
  });
  EXPECT_EQ(Ase.rfind("-- Shop database\n-- Database: shop\n-- Owner   : sa\n\n"
                      "use shop\ngo\n\nuse master\ngo\n\n"
                      "if exists( select 1 from master.dbo.sysdatabases where name = 'shop')\n"
                      "  drop database shop\ngo\n\ncreate database shop\ngo\n\nuse shop\ngo\n\n"
                      "exec master.dbo.sp_dboption shop, 'allow nulls by default', True\ngo\n\n"
                      "exec master.dbo.sp_dboption shop, 'trunc log on chkpt', True\ngo\n\n"
                      "checkpoint\ngo\n\n",
                      0),
            0u)
      << Ase;
}

// ---------------------------------------------------------------------------------------------
// Descriptions and owners

TEST(ExtractMetadata, PostgreSQLSchemasAndOwners) {
  TShop Shop(dbPostgreSQL);
  const std::string S = Script(Shop.O);
  EXPECT_EQ(S.find("CREATE SCHEMA public"), std::string::npos);
  EXPECT_EQ(S.find("ALTER SCHEMA public"), std::string::npos);
  EXPECT_NE(S.find("COMMENT ON SCHEMA public IS 'standard public schema';"), std::string::npos);
  EXPECT_NE(S.find("CREATE SCHEMA sales;\n\nALTER SCHEMA sales OWNER TO shop_owner;"),
            std::string::npos);
  EXPECT_NE(S.find("ALTER TABLE customer OWNER TO shop_owner;"), std::string::npos);
  // The function is named by its arguments only.
  EXPECT_NE(S.find("ALTER FUNCTION order_count(customer_id integer) OWNER TO shop_owner;"),
            std::string::npos)
      << S;
  // A routine written as a procedure is altered as one.
  Shop.P->IsFunction = false;
  EXPECT_NE(Script(Shop.O).find("ALTER PROCEDURE order_count(customer_id integer) OWNER TO"),
            std::string::npos);
  // An owner name that needs quotes gets them.
  Shop.O.GetTable("customer")->SetExtra(&TObjExtra::Creator, "Shop Owner");
  EXPECT_NE(Script(Shop.O).find("ALTER TABLE customer OWNER TO \"Shop Owner\";"),
            std::string::npos);
}

TEST(ExtractMetadata, DescriptionsFollowTheCompareSet) {
  TShop Shop(dbPostgreSQL);
  Shop.O.CompareObjects.Exclude(coDescription);
  const std::string S = Script(Shop.O);
  EXPECT_EQ(S.find("COMMENT ON"), std::string::npos) << S;
  // A description the dialect cannot store writes nothing, not a lone terminator.
  for (const std::string& Line : {std::string("\n;\n"), std::string("\n\n;")})
    EXPECT_EQ(S.find(Line), std::string::npos) << S;
}

TEST(ExtractMetadata, OraclePackagesAndBlocks) {
  TObjs O;
  O.SetDatabaseType(dbOracle);
  auto* Pkg = new TPkgData(&O);
  Pkg->SetObjName("BILLING");
  Pkg->HeaderSource = "AS\r\n  PROCEDURE RUN;\r\nEND BILLING;";
  Pkg->BodySource = "AS\r\n  PROCEDURE RUN IS BEGIN NULL; END;\r\nEND BILLING;";
  O.AddObj(Pkg);
  auto* Spec = new TPkgData(&O);
  Spec->SetObjName("CONSTS");
  Spec->HeaderSource = "AS\r\n  LIMIT CONSTANT INTEGER := 10;\r\nEND CONSTS;";
  O.AddObj(Spec);
  const std::string S = Script(O);
  EXPECT_NE(S.find("CREATE OR REPLACE PACKAGE BILLING\nAS\n  PROCEDURE RUN;\nEND BILLING;\n/\n\n"
                   "CREATE OR REPLACE PACKAGE BODY BILLING\n"),
            std::string::npos)
      << S;
  // A package header without body gets no empty body.
  EXPECT_EQ(S.find("PACKAGE BODY CONSTS"), std::string::npos) << S;
  EXPECT_EQ(O.Terminator, ";");
}

// ---------------------------------------------------------------------------------------------
// Entry points

TEST(ExtractMetadata, IntoAListAppendsEachRun) {
  TShop Shop(dbPostgreSQL);
  TStringList Out;
  Out.Add("-- before");
  Shop.O.ExtractMetadata(Out);
  const int Once = Out.Count() - 1;
  Shop.O.ExtractMetadata(Out);
  EXPECT_EQ(Out.Count(), 1 + 2 * Once);
  EXPECT_EQ(Out[0], "-- before");
  EXPECT_EQ(Out[1], Out[1 + Once]);
  EXPECT_TRUE(Shop.O.ScriptBuffer.Empty());
  // The buffer itself as the target keeps one script.
  Shop.O.ExtractMetadata(Shop.O.ScriptBuffer);
  EXPECT_EQ(Shop.O.ScriptBuffer.Count(), Once);
}

TEST(ExtractTable, MissingTableWritesOneComment) {
  TShop Shop(dbPostgreSQL);
  TStringList Out;
  Shop.O.ExtractTable(Out, "nothing", AllCmpObjTypes(), true);
  ASSERT_EQ(Out.Count(), 1);
  EXPECT_EQ(Out[0], "/* Table \"nothing\" not found */");
}

TEST(ExtractTable, OneTableWithItsKeysIndexesAndTriggers) {
  TShop Shop(dbInterBase);
  TStringList Out;
  Shop.O.ExtractTable(Out, "orders", AllCmpObjTypes(), false);  // found through upper case
  // The keys belong to the table by the name as given: none match "orders".
  EXPECT_EQ(Lf(Out).find("ALTER TABLE"), std::string::npos) << Lf(Out);

  Out.Clear();
  Shop.O.ExtractTable(Out, "ORDERS", AllCmpObjTypes(), true);
  const std::string S = Lf(Out);
  ExpectGolden("table_orders_firebird.sql", S);
  EXPECT_EQ(S.find("UQ_CUSTOMER_EMAIL"), std::string::npos);

  Out.Clear();
  TCmpObjSetType Kinds = AllCmpObjTypes();
  Kinds.Exclude(coTrigger);
  Kinds.Exclude(coForeignKey);
  Shop.O.ExtractTable(Out, "ORDERS", Kinds, false);
  EXPECT_EQ(Lf(Out).find("TRIGGER"), std::string::npos);
  EXPECT_EQ(Lf(Out).find("FOREIGN KEY"), std::string::npos);
  EXPECT_NE(Lf(Out).find("PRIMARY KEY"), std::string::npos);
  EXPECT_EQ(Shop.O.IBServerOptions.GetIBCompareOptions().GetUpdateDescriptionMode(), udSysTables);
}

TEST(ExtractTable, DialectTerminatorsAndInlineMySQLKeys) {
  TShop My(dbMySQL);
  TStringList Out;
  My.O.ExtractTable(Out, "orders", AllCmpObjTypes(), true);
  const std::string S = Lf(Out);
  EXPECT_EQ(S.rfind("USE `shop`;\n", 0), 0u) << S;
  EXPECT_EQ(Occurrences(S, "PRIMARY KEY"), 1) << S;
  EXPECT_EQ(Occurrences(S, "ix_orders_customer"), 1) << S;
  EXPECT_EQ(Occurrences(S, "FOREIGN KEY"), 1) << S;

  // SQL Server: GO after each statement; the header is whole in the table script.
  TObjs Ms;
  Ms.SetDatabaseType(dbMSSQL);
  Ms.ConnectionOptions.SetDatabaseName("shop");
  AddTable(Ms, "T", {{"A", iftInteger}});
  Key(Ms, "PK_T", ctPKey, "T", {"A"});
  Out.Clear();
  Ms.ExtractTable(Out, "T", AllCmpObjTypes(), true);
  const std::string M = Lf(Out);
  EXPECT_NE(M.find("SET ANSI_NULLS OFF"), std::string::npos) << M;
  EXPECT_NE(M.find("PRIMARY KEY NONCLUSTERED (A)\nGO\n"), std::string::npos) << M;
  EXPECT_TRUE(Ms.ScriptBuffer.Empty());

  // Oracle: a trigger is run at its "/" line.
  TObjs Ora;
  Ora.SetDatabaseType(dbOracle);
  AddTable(Ora, "T", {{"A", iftInteger}});
  AddTrigger(Ora, "T_BI", "T", "BEGIN\r\n  NULL;\r\nEND;")->ForEachRow = true;
  Out.Clear();
  Ora.ExtractTable(Out, "T", AllCmpObjTypes(), false);
  EXPECT_NE(Lf(Out).find("END;\n/\n"), std::string::npos) << Lf(Out);
  EXPECT_EQ(Lf(Out).find("END;;"), std::string::npos) << Lf(Out);
}

TEST(ExtractMetadata, PassedByObjectsWriteNothing) {
  // An object the host marked to be passed by writes neither its text nor its descriptions,
  // and no lone terminator stands in for it.
  TShop Shop(dbInterBase);
  TTblData* Customer = Shop.O.GetTable("CUSTOMER");
  ASSERT_NE(Customer, nullptr);
  Customer->SkipDef = true;
  Shop.P->SkipDef = true;
  const std::string S = Script(Shop.O);
  EXPECT_EQ(S.find("CREATE TABLE CUSTOMER"), std::string::npos) << S;
  EXPECT_EQ(S.find("Customers of the shop"), std::string::npos) << S;
  EXPECT_EQ(S.find("ORDER_COUNT"), std::string::npos) << S;
  EXPECT_EQ(S.find("\n;\n"), std::string::npos) << S;
  EXPECT_EQ(S.find("\n^\n\n^"), std::string::npos) << S;
  // The procedure list is not empty, so its block is still there, empty.
  EXPECT_EQ(Occurrences(S, "SET TERM ^ ;"), 2) << S;
}
