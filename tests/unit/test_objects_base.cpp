// The schema object base: defaults, names and keys per dialect, captions, quoting, the plain
// texts and counterpart links.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDialects.h"
#include "test_objects_util.h"

using namespace qel;
using namespace qel::testing;

TEST(DbObj, NewObjectDefaults) {
  TDbObj O(nullptr);
  EXPECT_EQ(O.GetImageIndex(), -1);
  EXPECT_EQ(O.Kind, 150);
  EXPECT_TRUE(O.GetObjCreated());
  EXPECT_EQ(O.Def(), "");
  EXPECT_EQ(O.AlterDef(), "/* Alter <...> */");
  EXPECT_EQ(O.GetDatabaseType(), dbAbstract);
  EXPECT_TRUE(O.GetCompareObjects() == AllCmpObjTypes());
  EXPECT_EQ(O.GetSQLExec(), nullptr);
  EXPECT_EQ(O.GetUpdateDescriptionType(), udDescribe);
  // Kind codes come from the constructors.
  TObjs Objs;
  EXPECT_EQ(TTblData(&Objs).Kind, 101);
  EXPECT_EQ(TFldData(&Objs).Kind, 102);
  EXPECT_EQ(TViwData(&Objs).Kind, 103);
  EXPECT_EQ(TPrcData(&Objs).Kind, 105);
  EXPECT_EQ(TTrgData(&Objs).Kind, 106);
  EXPECT_EQ(TDependObj(&Objs).Kind, 112);
  EXPECT_EQ(TSchData(&Objs).Kind, 150);
  EXPECT_EQ(TDataBaseObj(&Objs).Kind, 250);
  TCtrData C(&Objs);
  EXPECT_EQ(C.Kind, 121);
  C.SetCtType(ctUnique);
  EXPECT_EQ(C.Kind, 115);
  C.SetCtType(ctNotNull);
  EXPECT_EQ(C.Kind, 115);
}

TEST(DbObj, SetObjCreatedReachesTheCounterpartAndLinksClearOnDestroy) {
  TObjs Master, Target;
  auto* M = AddTable(Master, "T");
  auto Tgt = std::make_unique<TTblData>(&Target);
  M->SetRefObj(Tgt.get());
  Tgt->SetRefObj(M);
  M->SetObjCreated(false);
  EXPECT_FALSE(M->GetObjCreated());
  EXPECT_FALSE(Tgt->GetObjCreated());
  Tgt.reset();
  EXPECT_EQ(M->GetRefObj(), nullptr);  // no pointer to the freed counterpart
  M->SetObjCreated(true);              // and nothing to reach through it

  // A counterpart that another object points at one-sidedly is cleared too.
  auto A = std::make_unique<TDbObj>(nullptr);
  auto B = std::make_unique<TDbObj>(nullptr);
  auto C = std::make_unique<TDbObj>(nullptr);
  A->SetRefObj(B.get());
  C->SetRefObj(B.get());
  B->SetRefObj(C.get());
  B.reset();
  EXPECT_EQ(A->GetRefObj(), nullptr);
  EXPECT_EQ(C->GetRefObj(), nullptr);

  // Several objects point at one; those that turn away are no longer cleared by its end, the
  // others still are, whichever turned away first.
  auto Hub = std::make_unique<TDbObj>(nullptr);
  auto Other = std::make_unique<TDbObj>(nullptr);
  std::vector<std::unique_ptr<TDbObj>> By;
  for (int I = 0; I < 4; ++I) {
    By.push_back(std::make_unique<TDbObj>(nullptr));
    By.back()->SetRefObj(Hub.get());
  }
  By[0]->SetRefObj(Other.get());
  By[2]->SetRefObj(nullptr);
  By[3].reset();  // gone before the hub: must not be reached through it
  Hub.reset();
  EXPECT_EQ(By[0]->GetRefObj(), Other.get());
  EXPECT_EQ(By[1]->GetRefObj(), nullptr);
  EXPECT_EQ(By[2]->GetRefObj(), nullptr);
  Other.reset();
  EXPECT_EQ(By[0]->GetRefObj(), nullptr);
}

TEST(DbObj, NamesFoldForCaseInsensitiveSqlServer) {
  TObjs MS;
  MS.SetDatabaseType(dbMSSQL);
  TTblData T(&MS);
  T.SetObjName("Orders");
  T.SetSchema("dbo");
  EXPECT_EQ(T.GetObjName(), "ORDERS");
  EXPECT_EQ(T.GetSchema(), "DBO");
  MS.MSSQLServerOptions.GetMSSQLCompareOptions().CaseSensitiveIdentifiers = true;
  T.SetObjName("Orders");
  EXPECT_EQ(T.GetObjName(), "Orders");

  TObjs PG;
  PG.SetDatabaseType(dbPostgreSQL);
  TTblData P(&PG);
  P.SetObjName("Orders");
  EXPECT_EQ(P.GetObjName(), "Orders");
}

TEST(DbObj, KeysQualifyBySchemaWhereTheDialectDoes) {
  for (TDatabaseType DB : {dbSybaseASA, dbOracle, dbMSSQL, dbDB2, dbPostgreSQL, dbInterBase}) {
    TObjs Objs;
    Objs.SetDatabaseType(DB);
    Objs.MSSQLServerOptions.GetMSSQLCompareOptions().CaseSensitiveIdentifiers = true;
    TTblData T(&Objs);
    T.SetObjName("N");
    EXPECT_EQ(T.ObjKeyDef(), "N");
    T.SetSchema("S");
    const bool Qualifies = DB == dbSybaseASA || DB == dbOracle || DB == dbMSSQL || DB == dbDB2;
    EXPECT_EQ(T.ObjKeyDef(), Qualifies ? "S.N" : "N") << DB;
  }
}

TEST(DbObj, CaptionsPerDialect) {
  TObjs ASA, DB2, MS;
  ASA.SetDatabaseType(dbSybaseASA);
  DB2.SetDatabaseType(dbDB2);
  MS.SetDatabaseType(dbMSSQL);
  TTblData A(&ASA);
  A.SetObjName("T");
  A.SetExtra(&TObjExtra::Creator, "DBA");
  EXPECT_EQ(A.GetCaption(), "DBA.T");
  TTblData D(&DB2);
  D.SetObjName("T");
  D.SetSchema("S");
  EXPECT_EQ(D.GetCaption(), "S.T");
  TTblData M(&MS);
  M.SetObjName("T");
  M.SetSchema("S");
  EXPECT_EQ(M.GetCaption(), "S.T");
  TFldData F(&MS);
  F.SetObjName("C");
  F.SetSchema("S");
  EXPECT_EQ(F.GetCaption(), "C");
  // Without a name: the alternative name, else the definition.
  TCtrData C(&MS);
  C.SetExtra(&TObjExtra::AltName, "PK__T__1234");
  EXPECT_EQ(C.GetCaption(), "PK__T__1234");
  TDependObj R(&MS);
  R.SetObjName("X");
  EXPECT_EQ(R.GetCaption(), "X");
  R.DepObj = &A;
  EXPECT_EQ(R.GetCaption(), "DBA.T");
}

TEST(DbObj, FullNames) {
  TObjs ASA;
  ASA.SetDatabaseType(dbSybaseASA);
  TTblData T(&ASA);
  T.SetObjName("ORDERS");
  EXPECT_EQ(T.GetObjFullName(), "DBA.ORDERS");
  T.SetExtra(&TObjExtra::Creator, "sales");
  EXPECT_EQ(T.GetObjFullName(), "sales.ORDERS");
  TIdxData I(&ASA);
  I.SetObjName("IX");
  I.SetExtra(&TObjExtra::Creator, "sales");
  EXPECT_EQ(I.GetObjFullName(), "IX");

  TObjs PG;
  PG.SetDatabaseType(dbPostgreSQL);
  TTblData P(&PG);
  P.SetObjName("Orders");
  P.SetSchema("public");
  EXPECT_EQ(P.GetObjFullName(), "public.\"Orders\"");
  TFldData F(&PG);
  F.SetObjName("qty");
  F.SetSchema("public");
  EXPECT_EQ(F.GetObjFullName(), "qty");
}

TEST(DbObj, DropTextsOfTheBase) {
  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  TDmnData D(&IB);
  D.SetObjName("D_MONEY");
  EXPECT_EQ(D.DropDef(), "/* Drop: D_MONEY (TDmnData) */\r\nDROP DOMAIN D_MONEY");
  TDbObj Tbl(&IB);
  Tbl.SetObjName("T");
  Tbl.Kind = 101;
  EXPECT_EQ(Tbl.DropDef(), "/* Drop: T (TDbObj) */\r\n");
  TDbObj Idx(&IB);
  Idx.SetObjName("order");
  Idx.Kind = 10;  // the InterBase code of an index reads the same
  EXPECT_EQ(Idx.DropDef(), "/* Drop: order (TDbObj) */\r\nDROP INDEX \"order\"");
  // A name cannot end the comment line early.
  TDbObj Odd(&IB);
  Odd.SetObjName("A*/B");
  Odd.Kind = 117;
  EXPECT_EQ(Odd.DropDef(), "/* Drop: A* /B (TDbObj) */\r\nDROP RULE \"A*/B\"");
}

TEST(DbObj, CommentsCannotEndEarly) {
  TObjs ASA, IB;
  ASA.SetDatabaseType(dbSybaseASA);
  IB.SetDatabaseType(dbInterBase);
  TDbObj A(&ASA), I(&IB);
  EXPECT_EQ(A.GenComment("x"), "% x");
  EXPECT_EQ(A.GenComment("a\r\nb"), "% a  b");
  EXPECT_EQ(I.GenComment("x"), "/* x */");
  EXPECT_EQ(I.GenComment("end */ DROP TABLE X; /*"), "/* end * / DROP TABLE X; / * */");
}

TEST(DbObj, QuoteIdentWithoutOwnerAndForOleDbSources) {
  TDbObj Free(nullptr);
  EXPECT_EQ(Free.QuoteIdent("select"), "select");
  TObjs Ole;
  Ole.SetDatabaseType(dbCustomOLEDB);
  TDbObj O(&Ole);
  Ole.IdentQuoteType = iqBrackQuote;
  EXPECT_EQ(O.QuoteIdent("Order Details"), "[Order Details]");
  EXPECT_EQ(O.QuoteIdent("a]b"), "[a]]b]");
  Ole.IdentQuoteType = iqDoubleQuote;
  EXPECT_EQ(O.QuoteIdent("a\"b"), "\"a\"\"b\"");
  Ole.IdentQuoteType = iqSingleQuote;
  EXPECT_EQ(O.QuoteIdent("it's"), "'it''s'");
  Ole.IdentQuoteType = iqAutoQuote;
  EXPECT_EQ(O.QuoteIdent("x y"), "x y");
  EXPECT_EQ(O.QuoteIdent(""), "");
}

TEST(Quote_Ident, DispatchesByDialectAndInterBaseSqlDialect) {
  // Reserved words, mixed case, embedded quotes and empty names in each dialect.
  struct TCase {
    TDatabaseType DB;
    const char* In;
    const char* Out;
  };
  const TCase Cases[] = {
      {dbInterBase, "ORDERS", "ORDERS"},
      {dbInterBase, "Orders", "\"Orders\""},
      {dbInterBase, "SELECT", "\"SELECT\""},
      {dbInterBase, "A\"B", "\"A\"\"B\""},
      {dbInterBase, "", ""},
      {dbPostgreSQL, "orders", "orders"},
      {dbPostgreSQL, "Orders", "\"Orders\""},
      {dbPostgreSQL, "select", "\"select\""},
      {dbPostgreSQL, "a\"b", "\"a\"\"b\""},
      {dbPostgreSQL, "", ""},
      {dbMySQL, "ORDERS", "ORDERS"},
      {dbMySQL, "orders", "`orders`"},
      {dbMySQL, "a`b", "`a``b`"},
      {dbMSSQL, "Orders", "Orders"},
      {dbMSSQL, "select", "[select]"},
      {dbMSSQL, "a]b", "[a]]b]"},
      {dbOracle, "ORDERS", "ORDERS"},
      {dbOracle, "Orders", "\"Orders\""},
      {dbOracle, "SELECT", "\"SELECT\""},
      {dbDB2, "ORDERS", "ORDERS"},
      {dbDB2, "a\"b", "\"a\"\"b\""},
      {dbSybaseASA, "ORDERS", "ORDERS"},
      {dbSybaseASA, "select", "\"SELECT\""},
      {dbParadox, "SELECT", "\"SELECT\""},
      {dbDBASE, "NAME", "NAME"},
      {dbSybaseASE, "select", "[select]"},
      {dbSybaseASE, "order line", "[order line]"},
      {dbSybaseASE, "Orders", "Orders"},
      {dbMSAccess, "a b", "[a b]"},
      {dbMSAccess, "Order", "[Order]"},
      {dbMSAccess, "Orders", "Orders"},
      {dbAbstract, "select", "select"},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(Quote_Ident(C.In, C.DB, st_Firebird_25, 3), C.Out) << C.DB << " " << C.In;
  // Dialects 1 and 2 of InterBase have no quoted identifiers.
  EXPECT_EQ(Quote_Ident("Orders", dbInterBase, st_Firebird_25, 1), "Orders");
  EXPECT_EQ(Quote_Ident("Orders", dbInterBase, st_Firebird_25, 2), "Orders");

  // An object quotes with its collection's dialect and InterBase settings.
  TObjs IB;
  IB.SetDatabaseType(dbInterBase);
  TTblData T(&IB);
  EXPECT_EQ(T.QuoteIdent("Orders"), "\"Orders\"");
  IB.IBServerOptions.SetSQLDialect(1);
  EXPECT_EQ(T.QuoteIdent("Orders"), "Orders");
}

TEST(DbObj, StatementObjectKinds) {
  TObjs Objs;
  TCtrData C(&Objs);
  C.SetCtType(ctPKey);
  EXPECT_EQ(DbObjectOf(&C, true), dboPKey);
  C.SetCtType(ctDefault);
  EXPECT_EQ(DbObjectOf(&C, true), dboCtrDefault);
  EXPECT_EQ(DbObjectOf(&C, false), dboUnknown);
  TDbObj O(&Objs);
  const std::pair<int, TDbObject> Map[] = {
      {100, dboDomain},    {101, dboTable},         {102, dboField},      {103, dboView},
      {104, dboIndex},     {105, dboProcedure},     {106, dboTrigger},    {107, dboGenerator},
      {108, dboException}, {109, dboFunction},      {110, dboRole},       {111, dboGrant},
      {117, dboRule},      {118, dboDefault},       {120, dboPackage},    {123, dboPublication},
      {125, dboOperator},  {126, dboOperatorClass}, {127, dboConversion}, {128, dboEvent},
      {150, dboUnknown}};
  for (auto [Kind, Expected] : Map) {
    O.Kind = Kind;
    EXPECT_EQ(DbObjectOf(&O, true), Expected) << Kind;
  }
  // Schemas share the generic kind code with other objects.
  TSchData Sch(&Objs);
  EXPECT_EQ(DbObjectOf(&Sch, true), dboSchema);
}
