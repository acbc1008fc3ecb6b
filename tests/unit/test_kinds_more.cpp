// Publications, schemas, external functions, roles, grants, packages, defaults and rules: their
// texts per dialect and their passes on small schema pairs.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "qelCompObj.h"
#include "qelComp_Def.h"
#include "qelComp_Fnc.h"
#include "qelComp_Pkg.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Rul.h"
#include "qelComp_Viw.h"
#include "test_objects_util.h"
#include "test_varnel_util.h"

namespace qel::testing {
namespace {

/// Master and target of one dialect sharing one recording executor.
struct TPair {
  explicit TPair(TDatabaseType DB) {
    for (TObjs* O : {&Master, &Target}) {
      O->SetDatabaseType(DB);
      O->SetSQLExec(&Exec);
    }
    Exec.DatabaseType = DB;
    LinkAsMasterAndTarget(Master, Target);
  }
  void Prepare() {
    Exec.Clear();
    PairAndMark(Master, Target);
  }
  /// Texts of the statements, comments included, without terminators.
  std::vector<std::string> Texts() const {
    std::vector<std::string> R;
    for (int I = 0; I < Exec.GetStatementsCount(); ++I)
      R.push_back(Exec.GetStatement(I)->Lines.GetText());
    for (std::string& S : R)
      while (!S.empty() && (S.back() == '\n' || S.back() == '\r')) S.pop_back();
    return R;
  }
  TRecordingExec Exec;
  TObjs Master;
  TObjs Target;
};

template <class T>
T* Add(TObjs& Objs, const std::string& Name) {
  auto* O = new T(&Objs);
  O->SetObjName(Name);
  EXPECT_TRUE(Objs.AddObj(O));
  return O;
}

// ---------------------------------------------------------------------------------------------
// Publications and schemas

TPblData* AddPublication(TObjs& Objs, const std::string& Name,
                         const std::vector<std::vector<std::string>>& Articles) {
  auto* P = Add<TPblData>(Objs, Name);
  P->SetExtra(&TObjExtra::Creator, "DBA");
  for (const auto& A : Articles) {
    TPblArtData* Art = P->AddArticle("DBA", A[0]);
    for (std::size_t I = 1; I < A.size(); ++I) Art->Columns.Add(A[I]);
  }
  return P;
}

TEST(Publications, TextsWithAndWithoutColumns) {
  TSchema S(dbSybaseASA);
  TPblData* P = AddPublication(S.Objs, "pub", {{"orders", "id", "total"}, {"items"}});
  EXPECT_EQ(P->Def(),
            "CREATE PUBLICATION DBA.pub (\r\n"
            "    TABLE DBA.items, \r\n"
            "    TABLE DBA.orders(id, total)\r\n"
            ")");
  EXPECT_EQ(P->DropDef(), "DROP PUBLICATION DBA.pub");
  // An article filed twice is one article.
  EXPECT_EQ(P->AddArticle("DBA", "items"), P->Article(0));
  EXPECT_EQ(P->Articles.Count(), 2);
}

TEST(Publications, ChangedArticlesAreDroppedAndCreatedAgain) {
  TPair C(dbSybaseASA);
  AddPublication(C.Master, "same", {{"a"}});
  AddPublication(C.Target, "same", {{"a"}});
  AddPublication(C.Master, "changed", {{"a", "x"}});
  AddPublication(C.Target, "changed", {{"a"}});
  AddPublication(C.Master, "new", {{"b"}});
  AddPublication(C.Target, "old", {{"b"}});
  C.Prepare();
  GenScriptPblDrop(C.Master, C.Target, C.Exec);
  GenScriptPblAlter(C.Master, C.Target, C.Exec);
  GenScriptPblCreate(C.Master, C.Target, C.Exec);
  EXPECT_EQ(C.Exec.Steps(),
            (std::vector<std::string>{"drop old", "drop changed", "create changed", "create new"}));
  const std::string Script = C.Exec.Text();
  EXPECT_EQ(Script.find("ALTER PUBLICATION"), std::string::npos);
}

TEST(Schemas, TextsPerDialect) {
  TSchema MS(dbMSSQL);
  // Without case-sensitive identifiers SQL Server names are kept upper-cased.
  auto* S = Add<TSchData>(MS.Objs, "SALES");
  S->SchemaOwner = "BOSS";
  EXPECT_EQ(S->Def(), "CREATE SCHEMA SALES AUTHORIZATION BOSS");
  S->SchemaOwner = "SALES";
  EXPECT_EQ(S->Def(), "CREATE SCHEMA SALES");
  EXPECT_EQ(S->DropDef(), "DROP SCHEMA SALES");
  TSchema PG(dbPostgreSQL);
  auto* P = Add<TSchData>(PG.Objs, "My Schema");
  P->SchemaOwner = "boss";  // only SQL Server writes the principal
  EXPECT_EQ(P->Def(), "CREATE SCHEMA \"My Schema\"");
}

TEST(Schemas, BuiltInSchemasAreNeverTouched) {
  TPair C(dbPostgreSQL);
  C.Master.CompareObjects.Include(coDescription);
  Add<TSchData>(C.Master, "public")->SetExtra(&TObjExtra::Description, "standard");
  Add<TSchData>(C.Master, "app");
  Add<TSchData>(C.Target, "public");
  Add<TSchData>(C.Target, "gone");
  Add<TSchData>(C.Master, "kept")->SetExtra(&TObjExtra::Description, "same");
  Add<TSchData>(C.Target, "kept")->SetExtra(&TObjExtra::Description, "same");
  C.Prepare();
  GenScriptSchCreate(C.Master, C.Target, C.Exec);
  GenScriptSchAlter(C.Master, C.Target, C.Exec);
  GenScriptSchDrop(C.Master, C.Target, C.Exec);
  EXPECT_EQ(C.Exec.Steps(), (std::vector<std::string>{"create app", "drop gone"}));

  TPair MS(dbMSSQL);
  auto* Guest = Add<TSchData>(MS.Target, "guest");
  Guest->SetExtra(&TObjExtra::AltName, "guest");  // marked built-in by the reader
  MS.Prepare();
  GenScriptSchDrop(MS.Master, MS.Target, MS.Exec);
  EXPECT_TRUE(MS.Exec.Steps().empty());
}

TEST(Schemas, DialectsWithoutSchemasWriteNothing) {
  for (TDatabaseType DB : {dbInterBase, dbMySQL, dbSybaseASA, dbSybaseASE}) {
    TPair C(DB);
    Add<TSchData>(C.Master, "a");
    Add<TSchData>(C.Target, "b");
    C.Prepare();
    GenScriptSchCreate(C.Master, C.Target, C.Exec);
    GenScriptSchDrop(C.Master, C.Target, C.Exec);
    EXPECT_EQ(C.Exec.GetStatementsCount(), 0) << DB;
  }
}

// ---------------------------------------------------------------------------------------------
// External functions

TUdfData* AddUdf(TObjs& Objs, const std::string& Name, int Args, const std::string& Entry) {
  auto* U = Add<TUdfData>(Objs, Name);
  for (int I = 0; I < Args; ++I) {
    TFldData* P = U->AddParam();
    P->FieldType = iftInteger;
  }
  U->ReturnParam->FieldType = iftInteger;
  U->ReturnParam->ByValue = true;
  U->EntryPoint = Entry;
  U->ModuleName = "ib_udf";
  return U;
}

TEST(ExternalFunctions, DeclarationText) {
  TSchema S(dbInterBase);
  TUdfData* U = AddUdf(S.Objs, "ABS2", 2, "IB_UDF_abs");
  U->FreeIt = true;
  EXPECT_EQ(U->Def(),
            "DECLARE EXTERNAL FUNCTION ABS2\r\n"
            "INTEGER, INTEGER\r\n"
            "RETURNS INTEGER BY VALUE FREE_IT\r\n"
            "ENTRY_POINT 'IB_UDF_abs' MODULE_NAME 'ib_udf'");
  // No arguments: RETURNS follows the name line directly. Quotes in names stay literals.
  TUdfData* N = AddUdf(S.Objs, "NOW2", 0, "it's");
  EXPECT_EQ(N->Def(),
            "DECLARE EXTERNAL FUNCTION NOW2\r\n"
            "RETURNS INTEGER BY VALUE\r\n"
            "ENTRY_POINT 'it''s' MODULE_NAME 'ib_udf'");
  EXPECT_EQ(N->DropDef().substr(N->DropDef().find("\r\n") + 2), "DROP EXTERNAL FUNCTION NOW2");
}

TEST(ExternalFunctions, CreateAndDropPasses) {
  TPair C(dbInterBase);
  AddUdf(C.Master, "NEWF", 1, "a");
  AddUdf(C.Target, "OLDF", 1, "a");
  AddUdf(C.Master, "SAME", 1, "a");
  AddUdf(C.Target, "SAME", 1, "a");
  C.Prepare();
  GenScriptUdfCreate(C.Master, C.Target, C.Exec, C.Master.CompareObjects);
  GenScriptUdfAlter(C.Master, C.Target, C.Exec);
  GenScriptUdfDrop(C.Master, C.Target, C.Exec, C.Master.CompareObjects);
  const auto T = C.Texts();
  ASSERT_EQ(T.size(), 6u);
  EXPECT_EQ(T[0], "/* Declare UDF */");
  EXPECT_EQ(T[1].substr(0, 31), "DECLARE EXTERNAL FUNCTION NEWF\r");
  EXPECT_EQ(T[3], "/* Drop UDF */");
  EXPECT_EQ(C.Exec.Steps(), (std::vector<std::string>{"create NEWF", "drop OLDF"}));
}

TEST(ExternalFunctions, AlterClearsUsersFirst) {
  TPair C(dbInterBase);
  AddUdf(C.Master, "F", 1, "new_entry");
  TUdfData* T = AddUdf(C.Target, "F", 1, "old_entry");
  // A procedure already emptied, a procedure still using it, a view reading it in two columns.
  TPrcData* Used = AddProc(C.Target, "P_USED", "BEGIN X = F(1); END");
  TPrcData* Empty = AddProc(C.Target, "P_EMPTY", "");
  Empty->SetExtra(&TObjExtra::Body, Empty->EmptyBody());
  TViwData* V = AddView(C.Target, "V", "SELECT F(A) AS X, F(B) AS Y FROM T");
  TFldData* X = AddColumn(V, V->Fields, "X", iftInteger);
  TFldData* Y = AddColumn(V, V->Fields, "Y", iftInteger);
  for (TDbObj* User : std::vector<TDbObj*>{Used, Empty, X, Y}) C.Target.LinkDepend(User, T);
  C.Prepare();
  GenScriptUdfAlter(C.Master, C.Target, C.Exec);
  const auto Steps = C.Exec.Steps();
  ASSERT_GE(Steps.size(), 4u);
  EXPECT_EQ(Steps[0].substr(0, 6) + Steps[0].substr(Steps[0].find(' ')), "empty  P_USED");
  EXPECT_EQ(std::count(Steps.begin(), Steps.end(), "drop V"), 1);
  EXPECT_EQ(Steps[Steps.size() - 2], "drop F");
  EXPECT_EQ(Steps.back(), "create F");
  EXPECT_EQ(C.Exec.Text().find("P_EMPTY"), std::string::npos);
  EXPECT_TRUE(V->GetReCreate());
  const auto Texts = C.Texts();
  EXPECT_EQ(Texts.front(), "/* Alter UDF(Drop/Declare) */");
}

TEST(ExternalFunctions, DroppingAFunctionTakesItsComputedColumnAndTheMasterGetsItBack) {
  TPair C(dbInterBase);
  TTblData* MT = AddTable(C.Master, "T", {{"A", iftInteger}, {"C", iftInteger}});
  MT->Fields.Find("C")->SetExtra(&TObjExtra::Body, "(A + 1)");
  TTblData* TT = AddTable(C.Target, "T", {{"A", iftInteger}, {"C", iftInteger}});
  TFldData* TC = TT->Fields.Find("C");
  TC->SetExtra(&TObjExtra::Body, "(F(A))");
  TUdfData* F = AddUdf(C.Target, "F", 1, "e");
  C.Target.LinkDepend(TC, F);
  C.Prepare();
  GenScriptUdfDrop(C.Master, C.Target, C.Exec, C.Master.CompareObjects);
  EXPECT_EQ(C.Exec.Steps(), (std::vector<std::string>{"drop C", "drop F", "create C"}));
  EXPECT_NE(C.Exec.Text().find("(A + 1)"), std::string::npos);
}

TEST(ExternalFunctions, UnchangedDeclarationWritesOnlyTheDescription) {
  TPair C(dbInterBase);
  C.Master.CompareObjects.Include(coDescription);
  AddUdf(C.Master, "F", 1, "e")->SetExtra(&TObjExtra::Description, "new words");
  AddUdf(C.Target, "F", 1, "e")->SetExtra(&TObjExtra::Description, "old words");
  C.Prepare();
  GenScriptUdfAlter(C.Master, C.Target, C.Exec);
  EXPECT_EQ(C.Exec.Text().find("Alter UDF"), std::string::npos);
  EXPECT_EQ(C.Exec.Steps(), (std::vector<std::string>{"description F"}));
}

// ---------------------------------------------------------------------------------------------
// Roles, logins and users

TRolData* AddPrincipal(TObjs& Objs, const std::string& Name, TUserType Type) {
  auto* R = new TRolData(&Objs);
  R->SetObjName(Name);
  R->UserType = Type;
  EXPECT_TRUE(Objs.AddObj(R));
  return R;
}

TEST(Roles, KeysKeepRolesLoginsAndUsersApart) {
  TObjs Objs;
  AddPrincipal(Objs, "X", usrRol);
  AddPrincipal(Objs, "X", usrUsr);
  AddPrincipal(Objs, "X", usrLgn);
  EXPECT_EQ(Objs.Roles.Count(), 3);
  EXPECT_EQ(Objs.GetRole("X")->UserType, usrRol);
  EXPECT_EQ(Objs.GetUser("X")->UserType, usrUsr);
  EXPECT_EQ(Objs.GetLogin("X")->ObjKeyDef(), "Login: X");
}

TEST(Roles, TextsPerDialect) {
  TSchema IB(dbInterBase);
  TRolData* R = AddPrincipal(IB.Objs, "R", usrRol);
  R->RoleOwner = "SYSDBA";
  EXPECT_EQ(R->Def(), "/* Role: R, Owner: SYSDBA */\r\nCREATE ROLE R");
  R->RoleOwner = "evil */ DROP";
  EXPECT_EQ(R->Def().find("*/ DROP"), std::string::npos);
  EXPECT_EQ(R->DropDef(), "DROP ROLE R");

  TSchema MS(dbMSSQL);
  TRolData* U = AddPrincipal(MS.Objs, "O'Brien", usrUsr);
  EXPECT_EQ(U->Def(), "exec sp_addlogin @loginame = N'O''BRIEN'");
  EXPECT_EQ(U->DropDef(), "exec sp_revokedbaccess @name_in_db = N'O''BRIEN'");
  TRolData* App = AddPrincipal(MS.Objs, "app", usrRol);
  App->IsAppRole = 1;
  EXPECT_EQ(App->Def(), "exec sp_addapprole N'APP', N''");
  EXPECT_EQ(App->DropDef(), "exec sp_dropapprole @rolename = N'APP'");
  TRolData* Guest = AddPrincipal(MS.Objs, "guest", usrUsr);
  MS.Objs.MSSQLServerOptions.SQLServerVersion = st_MSSQL2005;
  EXPECT_EQ(Guest->DropDef(), "");

  TSchema ASE(dbSybaseASE);
  ASE.Objs.ConnectionOptions.SetDatabaseName("shop");
  TRolData* L = AddPrincipal(ASE.Objs, "clerk", usrLgn);
  EXPECT_EQ(L->CreateDef(),
            "if (not exists(select name from master.dbo.syslogins where name = 'clerk'))\r\n"
            "  begin\r\n"
            "    use master\r\n"
            "    exec sp_addlogin clerk, '      '\r\n"
            "    use shop\r\n"
            "  end");
  EXPECT_EQ(L->Def().find("use shop"), std::string::npos);
  TRolData* AU = AddPrincipal(ASE.Objs, "clerk", usrUsr);
  AU->LoginName = "clerk_login";
  EXPECT_EQ(AU->Def(),
            "if (not exists(select name from dbo.sysusers where name = 'clerk'))\r\n"
            "  exec sp_adduser clerk_login, clerk");
}

TEST(Roles, PassesCreateInOrderAndDropOnlyUsersOnSQLServer) {
  TPair C(dbMSSQL);
  AddPrincipal(C.Master, "U", usrUsr);
  AddPrincipal(C.Master, "R", usrRol);
  AddPrincipal(C.Target, "OLDU", usrUsr);
  AddPrincipal(C.Target, "OLDR", usrRol);
  AddPrincipal(C.Target, "OLDL", usrLgn);
  C.Prepare();
  GenScriptRoleCreate(C.Master, C.Target, C.Exec);
  GenScriptRoleDrop(C.Master, C.Target, C.Exec);
  const auto T = C.Texts();
  const std::vector<std::string> Expected = {
      "/* Creating roles */",
      "exec sp_addrole N'R'",
      "\r",  // the closing line break comment
      "/* Creating users */",
      "exec sp_addlogin @loginame = N'U'",
      "exec sp_grantdbaccess @loginame = N'U', @name_in_db = N'U'",
      "\r",
      "/* Dropping users */",
      "exec sp_revokedbaccess @name_in_db = N'OLDU'",
      "\r"};
  ASSERT_EQ(T.size(), Expected.size());
  for (std::size_t I = 0; I < T.size(); ++I)
    if (Expected[I] != "\r") {
      EXPECT_EQ(T[I], Expected[I]) << I;
    }
}

TEST(Roles, OtherDialectsDropEverythingTheMasterLacks) {
  TPair C(dbPostgreSQL);
  AddPrincipal(C.Master, "keep", usrRol);
  AddPrincipal(C.Target, "keep", usrRol);
  AddPrincipal(C.Target, "gone", usrRol);
  C.Prepare();
  GenScriptRoleCreate(C.Master, C.Target, C.Exec);
  GenScriptRoleDrop(C.Master, C.Target, C.Exec);
  EXPECT_EQ(C.Exec.Steps(), (std::vector<std::string>{"drop gone"}));
}

// ---------------------------------------------------------------------------------------------
// Grants

TGntData* MakeGrant(TObjs& Objs, std::int32_t ObjType, const std::string& Obj,
                    const std::string& Grantee, std::initializer_list<TGrantPrivilege> Privs) {
  auto* G = new TGntData(&Objs);
  G->ObjectType = ObjType;
  G->ObjectName = Obj;
  G->GranteeName = Grantee;
  for (TGrantPrivilege P : Privs) G->Privileges.Include(P);
  return G;
}

TEST(Grants, TextsPerDialect) {
  const auto Five = {gntSelect, gntInsert, gntUpdate, gntDelete, gntReferences};
  TSchema IB(dbInterBase);
  std::unique_ptr<TGntData> G(MakeGrant(IB.Objs, 0, "T", "U", Five));
  EXPECT_EQ(G->Def(), "GRANT ALL ON T TO U");
  EXPECT_EQ(G->DropDef(), "REVOKE ALL ON T FROM U");
  TSchema MS(dbMSSQL);
  std::unique_ptr<TGntData> M(MakeGrant(MS.Objs, 0, "T", "U", Five));
  EXPECT_EQ(M->Def(), "GRANT ALL ON T TO U");
  TSchema ASE(dbSybaseASE);
  std::unique_ptr<TGntData> A(MakeGrant(ASE.Objs, 0, "T", "U", Five));
  EXPECT_EQ(A->Def(), "GRANT DELETE, INSERT, SELECT, UPDATE, REFERENCES ON T TO U");
  EXPECT_EQ(A->DropDef(), "REVOKE DELETE, INSERT, SELECT, UPDATE, REFERENCES ON T FROM U");

  std::unique_ptr<TGntData> Exec(MakeGrant(IB.Objs, 5, "P", "TR", {gntExecute}));
  Exec->GranteeType = 2;
  EXPECT_EQ(Exec->Def(), "GRANT EXECUTE ON PROCEDURE P TO TRIGGER TR");
  EXPECT_EQ(Exec->DropDef(), "REVOKE EXECUTE ON PROCEDURE P FROM TRIGGER TR");
  std::unique_ptr<TGntData> MExec(MakeGrant(MS.Objs, 5, "P", "U", {gntExecute}));
  EXPECT_EQ(MExec->DropDef(), "REVOKE EXECUTE ON P FROM U");

  std::unique_ptr<TGntData> Opt(MakeGrant(IB.Objs, 0, "T", "U", {gntSelect}));
  Opt->GrantOption = 1;
  Opt->Fields.Add("A");
  EXPECT_EQ(Opt->Def(), "GRANT SELECT (A) ON T TO U WITH GRANT OPTION");
  EXPECT_EQ(Opt->DropDef(), "REVOKE GRANT OPTION FOR SELECT (A) ON T FROM U");

  std::unique_ptr<TGntData> Role(MakeGrant(MS.Objs, 13, "admins", "U", {}));
  Role->GrantOption = 1;
  EXPECT_EQ(Role->Def(), "GRANT admins TO U WITH ADMIN OPTION");
  std::unique_ptr<TGntData> AseRole(MakeGrant(ASE.Objs, 13, "admins", "U", {}));
  EXPECT_EQ(AseRole->Def(), "GRANT ROLE admins TO U");
  EXPECT_EQ(AseRole->DropDef(), "REVOKE admins FROM U");

  std::unique_ptr<TGntData> Stmt(MakeGrant(MS.Objs, -1, "", "U", {gntCreateTable, gntBackupLog}));
  EXPECT_EQ(Stmt->Def(), "GRANT CREATE TABLE, BACKUP LOG TO U");
  EXPECT_EQ(Stmt->DropDef(), "REVOKE CREATE TABLE, BACKUP LOG FROM U");

  TSchema Ora(dbOracle);
  std::unique_ptr<TGntData> Sys(
      MakeGrant(Ora.Objs, -1, "", "SCOTT", {gntCreateSession, gntCreateDatabaseLink}));
  EXPECT_EQ(Sys->Def(), "GRANT CREATE DATABASE LINK, CREATE SESSION TO SCOTT");
  std::unique_ptr<TGntData> OraRole(MakeGrant(Ora.Objs, 13, "DBA", "SCOTT", {}));
  EXPECT_EQ(OraRole->Def(), "GRANT DBA TO SCOTT");

  // PUBLIC is the keyword, also where dialect 3 would quote a reserved word.
  IB.Objs.IBServerOptions.SetSQLDialect(3);
  std::unique_ptr<TGntData> Pub(MakeGrant(IB.Objs, 0, "T", "PUBLIC", {gntSelect}));
  EXPECT_EQ(Pub->Def(), "GRANT SELECT ON T TO PUBLIC");
  EXPECT_EQ(Pub->DropDef(), "REVOKE SELECT ON T FROM PUBLIC");

  // MySQL revokes the grant option with the privileges; Oracle has no ON PROCEDURE.
  TSchema My(dbMySQL);
  std::unique_ptr<TGntData> MyOpt(MakeGrant(My.Objs, 0, "T", "U", {gntSelect}));
  MyOpt->GrantOption = 1;
  EXPECT_EQ(MyOpt->DropDef(), "REVOKE SELECT, GRANT OPTION ON T FROM U");
  std::unique_ptr<TGntData> OraExec(MakeGrant(Ora.Objs, 5, "P", "SCOTT", {gntExecute}));
  EXPECT_EQ(OraExec->Def(), "GRANT EXECUTE ON P TO SCOTT");
  EXPECT_EQ(OraExec->DropDef(), "REVOKE EXECUTE ON P FROM SCOTT");

  // A grant of ALL is revoked as ALL, on any object kind.
  std::unique_ptr<TGntData> All(MakeGrant(IB.Objs, 1, "V", "U", {gntAll}));
  EXPECT_EQ(All->Def(), "GRANT ALL ON V TO U");
  EXPECT_EQ(All->DropDef(), "REVOKE ALL ON V FROM U");
  // The five privileges on a view are granted as ALL, and must be taken back as ALL.
  TSchema PG(dbPostgreSQL);
  std::unique_ptr<TGntData> View(MakeGrant(PG.Objs, 1, "v", "u", Five));
  EXPECT_EQ(View->Def(), "GRANT ALL ON v TO u");
  EXPECT_EQ(View->DropDef(), "REVOKE ALL ON v FROM u");
}

TEST(Grants, MergedGrantsKeyAndPairAsOne) {
  TPair C(dbInterBase);
  ASSERT_NE(C.Master.AddGrant(MakeGrant(C.Master, 0, "T", "U", {gntSelect})), nullptr);
  std::unique_ptr<TGntData> Second(MakeGrant(C.Master, 0, "T", "U", {gntInsert}));
  EXPECT_EQ(C.Master.AddGrant(Second.get()), nullptr);
  C.Master.SortGrants();
  ASSERT_NE(C.Target.AddGrant(MakeGrant(C.Target, 0, "T", "U", {gntInsert, gntSelect})), nullptr);
  C.Prepare();
  GenScriptGntDrop(C.Master, C.Target, C.Exec);
  GenScriptGntCreate(C.Master, C.Target, C.Exec);
  EXPECT_EQ(C.Exec.GetStatementsCount(), 0);
}

TEST(Grants, PassesRevokeChangedGrantsAndGrantMissingOnes) {
  TPair C(dbPostgreSQL);
  C.Master.AddObj(MakeGrant(C.Master, 0, "t", "u", {gntSelect}));
  C.Target.AddObj(MakeGrant(C.Target, 0, "t", "u", {gntSelect, gntUpdate}));
  TGntData* Opt = MakeGrant(C.Target, 0, "t", "w", {gntSelect});
  Opt->GrantOption = 1;
  C.Target.AddObj(Opt);
  C.Prepare();
  GenScriptGntDrop(C.Master, C.Target, C.Exec);
  GenScriptGntCreate(C.Master, C.Target, C.Exec);
  const auto T = C.Texts();
  // Grants are walked in key order.
  const std::vector<std::string> Expected = {
      "/* DROP: -- GRANT SELECT ON t TO w WITH GRANT OPTION */",
      "REVOKE GRANT OPTION FOR SELECT ON t FROM w",
      "REVOKE SELECT ON t FROM w",  // the privilege goes as well as the option
      "/* DROP: -- GRANT SELECT, UPDATE ON t TO u */",
      "REVOKE SELECT, UPDATE ON t FROM u",
      "/* Create(Add) Crant */",
      "GRANT SELECT ON t TO u",
      ""};
  EXPECT_EQ(T, Expected);
}

TEST(Grants, SwitchedOffCategoriesAreLeftAlone) {
  TPair C(dbPostgreSQL);
  C.Master.CompareObjects.Exclude(coObjGrant);
  TGntData* M = MakeGrant(C.Master, 0, "t", "u", {gntSelect});
  M->GrantCategory = coObjGrant;
  C.Master.AddObj(M);
  TGntData* T = MakeGrant(C.Target, 0, "t", "v", {gntSelect});
  T->GrantCategory = coObjGrant;
  C.Target.AddObj(T);
  TGntData* R = MakeGrant(C.Master, 13, "admins", "u", {});
  R->GrantCategory = coRoleGrant;
  C.Master.AddObj(R);
  C.Prepare();
  GenScriptGntDrop(C.Master, C.Target, C.Exec);
  GenScriptGntCreate(C.Master, C.Target, C.Exec);
  EXPECT_EQ(C.Exec.Steps(), (std::vector<std::string>{"create GRANT admins TO u"}));
}

TEST(Grants, DialectThreeQuotingDoesNotMakeGrantsDiffer) {
  TPair C(dbInterBase);
  C.Master.IBServerOptions.SetSQLDialect(1);
  C.Target.IBServerOptions.SetSQLDialect(3);
  C.Master.AddObj(MakeGrant(C.Master, 0, "order", "u", {gntSelect}));
  C.Target.AddObj(MakeGrant(C.Target, 0, "order", "u", {gntSelect}));
  C.Prepare();
  GenScriptGntDrop(C.Master, C.Target, C.Exec);
  GenScriptGntCreate(C.Master, C.Target, C.Exec);
  EXPECT_EQ(C.Exec.GetStatementsCount(), 0);
}

TEST(KindsInTheComparer, SchemasRolesAndGrantsTakeTheirPlaces) {
  TCodeRig R(dbPostgreSQL);
  Add<TSchData>(R.Master(), "public");
  Add<TSchData>(R.Master(), "app");
  Add<TSchData>(R.Target(), "public");
  Add<TSchData>(R.Target(), "legacy");
  AddPrincipal(R.Master(), "reader", usrRol);
  AddPrincipal(R.Target(), "gone", usrRol);
  R.Master().AddObj(MakeGrant(R.Master(), 0, "t", "reader", {gntSelect}));
  ASSERT_TRUE(R.V.CompareDatabases());
  const std::string S = R.Script();
  const auto At = [&S](const std::string& Part) { return S.find(Part); };
  ASSERT_NE(At("CREATE SCHEMA app"), std::string::npos) << S;
  EXPECT_EQ(At("CREATE SCHEMA public"), std::string::npos);
  EXPECT_EQ(At("DROP SCHEMA public"), std::string::npos);
  EXPECT_LT(At("CREATE SCHEMA app"), At("CREATE ROLE reader"));
  EXPECT_LT(At("CREATE ROLE reader"), At("DROP SCHEMA legacy"));
  EXPECT_LT(At("DROP SCHEMA legacy"), At("GRANT SELECT ON t TO reader")) << S;
  EXPECT_LT(At("GRANT SELECT ON t TO reader"), At("DROP ROLE gone"));
}

// ---------------------------------------------------------------------------------------------
// Packages, defaults and rules

TEST(Packages, TextsAndPasses) {
  TSchema S(dbOracle);
  auto* P = Add<TPkgData>(S.Objs, "PKG");
  P->HeaderSource = "AS PROCEDURE X; END;";
  EXPECT_EQ(P->Def(), "CREATE OR REPLACE PACKAGE PKG\r\nAS PROCEDURE X; END;");
  P->BodySource = "AS PROCEDURE X IS BEGIN NULL; END; END;";
  EXPECT_EQ(P->Def(),
            "CREATE OR REPLACE PACKAGE PKG\r\nAS PROCEDURE X; END;\r\n/\r\n\r\n"
            "CREATE OR REPLACE PACKAGE BODY PKG\r\nAS PROCEDURE X IS BEGIN NULL; END; END;");
  EXPECT_EQ(P->DropDef(), "DROP PACKAGE PKG");
  auto* Odd = Add<TPkgData>(S.Objs, "my pkg");
  EXPECT_EQ(Odd->DropDef(), "DROP PACKAGE \"my pkg\"");

  TPair C(dbOracle);
  Add<TPkgData>(C.Master, "BOTH")->HeaderSource = "new";
  Add<TPkgData>(C.Target, "BOTH")->HeaderSource = "old";  // not compared
  Add<TPkgData>(C.Master, "NEWP");
  Add<TPkgData>(C.Target, "OLDP");
  C.Prepare();
  GenScriptPkgDrop(C.Master, C.Target, C.Exec);
  GenScriptPkgAlter(C.Master, C.Target, C.Exec);
  GenScriptPkgCreate(C.Master, C.Target, C.Exec);
  const auto T = C.Texts();
  ASSERT_EQ(T.size(), 6u);
  EXPECT_EQ(T[0], "/* Drop package... */");
  EXPECT_EQ(T[3], "/* Create package... */");
  EXPECT_EQ(C.Exec.Steps(), (std::vector<std::string>{"drop OLDP", "create NEWP"}));
}

TEST(DefaultsAndRules, Texts) {
  TSchema MS(dbMSSQL);
  auto* D = Add<TDefData>(MS.Objs, "zero");
  D->Expression = "0";
  EXPECT_EQ(D->Def(), "CREATE DEFAULT [ZERO] AS 0");
  auto* Odd = Add<TDefData>(MS.Objs, "a]b");
  Odd->Expression = "1";
  EXPECT_EQ(Odd->Def(), "CREATE DEFAULT [A]]B] AS 1");
  auto* Stored = Add<TRulData>(MS.Objs, "positive");
  Stored->SetExtra(&TObjExtra::FullText, "create rule positive as @v > 0");
  EXPECT_EQ(Stored->Def(), "create rule positive as @v > 0");
  TSchema ASE(dbSybaseASE);
  auto* R = Add<TRulData>(ASE.Objs, "positive");
  R->Expression = "@v > 0";
  EXPECT_EQ(R->Def(), "CREATE RULE positive AS @v > 0");
  EXPECT_EQ(R->CreateDef(), R->Def());
}

TEST(DefaultsAndRules, PassesCreateRecreateAndDrop) {
  TPair C(dbMSSQL);
  auto Def = [](TObjs& O, const std::string& Name, const std::string& Value) {
    Add<TDefData>(O, Name)->Expression = Value;
  };
  Def(C.Master, "SAME", "0");
  Def(C.Target, "SAME", "0");
  Def(C.Master, "CHANGED", "1");
  Def(C.Target, "CHANGED", "2");
  Def(C.Master, "NEWD", "3");
  Def(C.Target, "OLDD", "4");
  Add<TRulData>(C.Master, "R1")->Expression = "@v > 0";
  Add<TRulData>(C.Target, "R1")->Expression = "@v > 0";
  C.Prepare();
  GenScriptRulCreate(C.Master, C.Target, C.Exec);
  GenScriptDefCreate(C.Master, C.Target, C.Exec);
  GenScriptRulAlter(C.Master, C.Target, C.Exec);
  GenScriptDefAlter(C.Master, C.Target, C.Exec);
  GenScriptDefDrop(C.Master, C.Target, C.Exec);
  GenScriptRulDrop(C.Master, C.Target, C.Exec);
  EXPECT_EQ(C.Exec.Steps(), (std::vector<std::string>{"create NEWD", "drop CHANGED",
                                                      "create CHANGED", "drop OLDD"}));
  const auto T = C.Texts();
  EXPECT_EQ(T[0], "/* Create Default... */");
  EXPECT_EQ(T[1], "CREATE DEFAULT [NEWD] AS 3");
  EXPECT_EQ(T[3], "/* Alter Default... */");
  EXPECT_EQ(T[7], "/* Drop Default... */");
}

TEST(DefaultsAndRules, IdenticalSchemasWriteNothing) {
  TPair C(dbMSSQL);
  Add<TDefData>(C.Master, "D")->Expression = "0";
  Add<TDefData>(C.Target, "D")->Expression = "0";
  Add<TRulData>(C.Master, "R")->Expression = "@v > 0";
  Add<TRulData>(C.Target, "R")->Expression = "@v > 0";
  C.Prepare();
  GenScriptRulCreate(C.Master, C.Target, C.Exec);
  GenScriptDefCreate(C.Master, C.Target, C.Exec);
  GenScriptRulAlter(C.Master, C.Target, C.Exec);
  GenScriptDefAlter(C.Master, C.Target, C.Exec);
  GenScriptDefDrop(C.Master, C.Target, C.Exec);
  GenScriptRulDrop(C.Master, C.Target, C.Exec);
  EXPECT_EQ(C.Exec.GetStatementsCount(), 0);
}

}  // namespace
}  // namespace qel::testing
