// Roles, logins, users and grants: texts per dialect, keys and the passes.
#include "qelComp_Rol.h"

#include <cstddef>
#include <initializer_list>
#include <limits>
#include <utility>

#include "Text.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// Roles, logins and users

std::string TRolData::ObjKeyDef() const {
  switch (UserType) {
    case usrLgn:
      return "Login: " + GetObjName();
    case usrUsr:
      return "User: " + GetObjName();
    default:
      return "Role: " + GetObjName();
  }
}

std::string TRolData::GetLoginName() const {
  return LoginName.empty() ? GetObjName() : LoginName;
}

std::string TRolData::Literal(const std::string& S) const {
  return ScriptQuotedStr(S, GetDatabaseType());
}

std::string TRolData::DefText(bool ForCreate) const {
  const std::string& Name = GetObjName();
  switch (GetDatabaseType()) {
    case dbMSSQL:
      if (UserType == usrUsr) return "exec sp_addlogin @loginame = N" + Literal(GetLoginName());
      if (IsAppRole != 0) return "exec sp_addapprole N" + Literal(Name) + ", N" + Literal("");
      return "exec sp_addrole N" + Literal(Name);
    case dbSybaseASE: {
      // Logins and server roles live in master; the script goes back to its database after.
      const std::string Back =
          ForCreate && Owner
              ? "    use " + QuoteIdent(Owner->ConnectionOptions.GetDatabaseName()) + "\r\n"
              : std::string();
      if (UserType == usrLgn)
        return "if (not exists(select name from master.dbo.syslogins where name = " +
               Literal(Name) +
               "))\r\n"
               "  begin\r\n"
               "    use master\r\n"
               "    exec sp_addlogin " +
               QuoteIdent(Name) + ", '      '\r\n" + Back + "  end";
      if (UserType == usrUsr)
        return "if (not exists(select name from dbo.sysusers where name = " + Literal(Name) +
               "))\r\n"
               "  exec sp_adduser " +
               QuoteIdent(GetLoginName()) + ", " + QuoteIdent(Name);
      return "if (not exists(select name from master.dbo.syssrvroles where name = " +
             Literal(Name) +
             "))\r\n"
             "  begin\r\n"
             "    use master\r\n"
             "    create role " +
             QuoteIdent(Name) + "\r\n" + Back + "  end";
    }
    default: {
      std::string R;
      if (!RoleOwner.empty())
        R = "/* Role: " + SafeBlockComment(Name) + ", Owner: " + SafeBlockComment(RoleOwner) +
            " */\r\n";
      return R + "CREATE ROLE " + QuoteIdent(Name);
    }
  }
}

std::string TRolData::Def() const {
  return DefText(false);
}

std::string TRolData::CreateDef() const {
  return DefText(true);
}

std::string TRolData::DropDef() const {
  const std::string& Name = GetObjName();
  if (GetDatabaseType() != dbMSSQL) return "DROP ROLE " + QuoteIdent(Name);
  if (UserType == usrUsr) {
    // SQL Server 2005 keeps these users for itself; they cannot be dropped.
    const std::string Upper = UpperCase(Name);
    if (Owner && Owner->MSSQLServerOptions.SQLServerVersion == st_MSSQL2005 &&
        (Upper == "SYS" || Upper == "GUEST" || Upper == "INFORMATION_SCHEMA"))
      return "";
    return "exec sp_revokedbaccess @name_in_db = N" + Literal(Name);
  }
  if (IsAppRole != 0) return "exec sp_dropapprole @rolename = N" + Literal(Name);
  return "exec sp_droprole @rolename = N" + Literal(Name);
}

namespace {

template <class F>
void ForEachRole(const TDbObjList& List, TUserType Type, F Fn) {
  for (int I = 0; I < List.Count(); ++I)
    if (auto* R = dynamic_cast<TRolData*>(List.Objects(I)); R && R->UserType == Type) Fn(R);
}

const char* const CreatingComments[] = {"/* Creating roles */", "/* Creating logins */",
                                        "/* Creating users */"};
const char* const DroppingComments[] = {"/* Dropping roles */", "/* Dropping logins */",
                                        "/* Dropping users */"};

}  // namespace

void GenScriptRoleCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  const bool Descriptions = Master.CompareObjects.Contains(coDescription);
  for (TUserType Type : {usrRol, usrLgn, usrUsr}) {
    bool Written = false;
    ForEachRole(Master.Roles, Type, [&](TRolData* M) {
      if (M->SkipDef) return;
      if (M->GetRefObj() && M->GetObjCreated()) return;
      if (!Written) Exec.AddComment(CreatingComments[Type]);
      Written = true;
      if (Type == usrUsr && Master.GetDatabaseType() == dbMSSQL) {
        const std::string Login = M->Literal(M->GetLoginName());
        Exec.Add("exec sp_addlogin @loginame = N" + Login, stStatement, M->GetObjName(), dboRole,
                 odbCreate);
        Exec.Add("exec sp_grantdbaccess @loginame = N" + Login + ", @name_in_db = N" +
                     M->Literal(M->GetObjName()),
                 stStatement, M->GetObjName(), dboRole, odbCreate);
      } else {
        Exec.Add(M->CreateDef(), stStatement, M->GetObjName(), dboRole, odbCreate);
      }
      M->SetObjCreated(true);
      if (Descriptions && !M->Extra().Description.empty()) Exec.AddDescription(M);
    });
    if (Written) Exec.AddComment("\r\n");
  }
}

void GenScriptRoleAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  if (!Master.CompareObjects.Contains(coDescription)) return;
  ForEachRole(Master.Roles, usrRol, [&](TRolData* M) {
    TDbObj* T = M->GetRefObj();
    if (M->SkipDef || !T || !T->GetObjCreated() || M->Extra().Description == T->Extra().Description)
      return;
    Exec.AddDescription(M, T);
  });
}

void GenScriptRoleDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Master;
  const TDatabaseType DB = Target.GetDatabaseType();
  // SQL Server and ASE logins and server roles belong to the server, not to the database.
  const bool UsersOnly = DB == dbMSSQL || DB == dbSybaseASE;
  for (TUserType Type : {usrUsr, usrLgn, usrRol}) {
    if (UsersOnly && Type != usrUsr) continue;
    bool Written = false;
    ForEachRole(Target.Roles, Type, [&](TRolData* T) {
      if (T->SkipDef || T->GetRefObj() || !T->GetObjCreated()) return;
      // A principal the server keeps for itself has no drop text and is left alone.
      if (T->DropDef().empty()) return;
      if (!Written) Exec.AddComment(DroppingComments[Type]);
      Written = true;
      T->DropDependDef();
    });
    if (Written) Exec.AddComment("\r\n");
  }
}

// ---------------------------------------------------------------------------------------------
// Grants

namespace {

using TPrivWords = std::initializer_list<std::pair<TGrantPrivilege, const char*>>;

const TPrivWords OracleObjectWords = {{gntDelete, "DELETE"},         {gntInsert, "INSERT"},
                                      {gntSelect, "SELECT"},         {gntUpdate, "UPDATE"},
                                      {gntReferences, "REFERENCES"}, {gntExecute, "EXECUTE"}};

const TPrivWords OracleSystemWords = {{gntCreateDatabaseLink, "CREATE DATABASE LINK"},
                                      {gntCreateSession, "CREATE SESSION"},
                                      {gntCreatePublicSynonym, "CREATE PUBLIC SYNONYM"},
                                      {gntCreateSynonym, "CREATE SYNONYM"},
                                      {gntCreateType, "CREATE TYPE"},
                                      {gntCreateTable, "CREATE TABLE"},
                                      {gntCreateView, "CREATE VIEW"},
                                      {gntCreateTrigger, "CREATE TRIGGER"},
                                      {gntCreateProcedure, "CREATE PROCEDURE"},
                                      {gntCreateSequence, "CREATE SEQUENCE"},
                                      {gntCreateIndexType, "CREATE INDEXTYPE"},
                                      {gntDropPublicSynonym, "DROP PUBLIC SYNONYM"},
                                      {gntDropSynonym, "DROP SYNONYM"},
                                      {gntDropType, "DROP TYPE"},
                                      {gntDropTable, "DROP TABLE"},
                                      {gntDropView, "DROP VIEW"},
                                      {gntDropTrigger, "DROP TRIGGER"},
                                      {gntDropProcedure, "DROP PROCEDURE"},
                                      {gntDropSequence, "DROP SEQUENCE"},
                                      {gntDropIndexType, "DROP INDEXTYPE"},
                                      {gntUnlimitedTableSpace, "UNLIMITED TABLESPACE"},
                                      {gntForceAnyTransaction, "FORCE ANY TRANSACTION"}};

/// SQL Server statement privileges; a REVOKE names only the first RevokedStatementWords of them
/// (those before TRUNCATE TABLE).
const TPrivWords StatementWords = {{gntCreateDatabase, "CREATE DATABASE"},
                                   {gntCreateDefault, "CREATE DEFAULT"},
                                   {gntCreateFunction, "CREATE FUNCTION"},
                                   {gntCreateProcedure, "CREATE PROCEDURE"},
                                   {gntCreateRule, "CREATE RULE"},
                                   {gntCreateTable, "CREATE TABLE"},
                                   {gntCreateView, "CREATE VIEW"},
                                   {gntBackupDatabase, "BACKUP DATABASE"},
                                   {gntBackupLog, "BACKUP LOG"},
                                   {gntDumpDatabase, "DUMP DATABASE"},
                                   {gntDumpTransaction, "DUMP TRANSACTION"},
                                   {gntViewAnyDatabase, "VIEW ANY DATABASE"},
                                   {gntTruncateTable, "TRUNCATE TABLE"},
                                   {gntUpdateStatistics, "UPDATE STATISTICS"}};
constexpr std::size_t RevokedStatementWords = 12;

const TPrivWords MSSQLObjectWords = {{gntDelete, "DELETE"},
                                     {gntInsert, "INSERT"},
                                     {gntSelect, "SELECT"},
                                     {gntUpdate, "UPDATE"},
                                     {gntReferences, "REFERENCES"},
                                     {gntExecute, "EXECUTE"},
                                     {gntTruncateTable, "TRUNCATE TABLE"},
                                     {gntUpdateStatistics, "UPDATE STATISTICS"},
                                     {gntDeleteStatistics, "DELETE STATISTICS"}};

/// The object privileges of the other dialects and of every REVOKE; EXECUTE comes apart.
const TPrivWords ObjectWords = {{gntDelete, "DELETE"},
                                {gntInsert, "INSERT"},
                                {gntSelect, "SELECT"},
                                {gntUpdate, "UPDATE"},
                                {gntReferences, "REFERENCES"},
                                {gntTruncateTable, "TRUNCATE TABLE"},
                                {gntUpdateStatistics, "UPDATE STATISTICS"},
                                {gntDeleteStatistics, "DELETE STATISTICS"}};

/// The held privileges among the first Count entries of Words, joined by ", ".
std::string PrivList(const TGrantPrivilegeSet& Held, const TPrivWords& Words,
                     std::size_t Count = std::numeric_limits<std::size_t>::max()) {
  std::string R;
  for (auto It = Words.begin(); It != Words.end() && Count > 0; ++It, --Count)
    if (Held.Contains(It->first)) R += (R.empty() ? "" : ", ") + std::string(It->second);
  return R;
}

std::string Join(const std::string& A, const std::string& B) {
  if (A.empty()) return B;
  if (B.empty()) return A;
  return A + ", " + B;
}

}  // namespace

bool TGntData::AllObjectPrivileges() const {
  return Privileges ==
         TGrantPrivilegeSet{gntInsert, gntUpdate, gntDelete, gntSelect, gntReferences};
}

std::string TGntData::FldsSeq() const {
  if (Fields.Empty()) return "";
  std::string R;
  for (const std::string& F : Fields) R += (R.empty() ? "" : ", ") + QuoteIdent(F);
  return " (" + R + ")";
}

std::string TGntData::GranteeIdent() const {
  // PUBLIC is the keyword for everybody; quoted it would name a user called PUBLIC.
  if (SameText(GranteeName, "PUBLIC")) return "PUBLIC";
  return QuoteIdent(GranteeName);
}

std::string TGntData::GranteeDef() const {
  switch (GranteeType) {
    case gotView:
      return "VIEW " + QuoteIdent(GranteeName);
    case gotTrigger:
      return "TRIGGER " + QuoteIdent(GranteeName);
    case gotProcedure:
      return "PROCEDURE " + QuoteIdent(GranteeName);
    default:
      return GranteeIdent();
  }
}

std::string TGntData::OracleDef() const {
  // Oracle readers store names as the server wants them written.
  if (!GrantText.empty()) return "GRANT " + GrantText;
  if (!ObjectName.empty() && !GranteeName.empty()) {
    const std::string List = PrivList(Privileges, OracleObjectWords);
    if (Privileges.Empty()) return "GRANT " + ObjectName + " TO " + GranteeName;
    return "GRANT " + List + " ON " + ObjectName + " TO " + GranteeName;
  }
  if (ObjectName.empty() && !GranteeName.empty() && !Privileges.Empty())
    return "GRANT " + PrivList(Privileges, OracleSystemWords) + " TO " + GranteeName;
  return "";
}

std::string TGntData::MSSQLDef() const {
  const bool ASE = GetDatabaseType() == dbSybaseASE;
  if (!GrantText.empty()) return GrantText;
  const std::string WithGrant = GrantOption == 1 ? " WITH GRANT OPTION" : "";
  if (ObjectType == gotStatement && ObjectName.empty())
    return "GRANT " + PrivList(Privileges, StatementWords) + " TO " + GranteeIdent() + WithGrant;
  if (ObjectType == gotRole)
    return (ASE ? "GRANT ROLE " : "GRANT ") + QuoteIdent(ObjectName) + " TO " + GranteeIdent() +
           (GrantOption == 1 ? " WITH ADMIN OPTION" : "");
  std::string List;
  // ASE's ALL also takes in privileges the grant did not hold; it is never written there.
  if (Privileges.Contains(gntAll) ||
      ((ObjectType == gotTable || ObjectType == gotView) && AllObjectPrivileges() && !ASE))
    List = "ALL";
  else
    List = PrivList(Privileges, MSSQLObjectWords);
  std::string R = "GRANT " + List + FldsSeq();
  if (!ObjectName.empty()) R += " ON " + QuoteIdent(ObjectName);
  return R + " TO " + GranteeIdent() + WithGrant;
}

std::string TGntData::OtherDef() const {
  if (ObjectType == gotRole)
    return "GRANT " + QuoteIdent(ObjectName) + " TO " + GranteeIdent() +
           (GrantOption == 1 ? " WITH ADMIN OPTION" : "");
  if (ObjectType == gotStatement && !GrantText.empty()) return GrantText;
  std::string List;
  if (Privileges.Contains(gntAll))
    List = "ALL";
  else if (ObjectType == gotTable || ObjectType == gotView || ObjectType == gotStatement)
    List = AllObjectPrivileges() ? "ALL" : PrivList(Privileges, ObjectWords);
  if (Privileges.Contains(gntExecute)) List = Join(List, "EXECUTE");
  std::string R = "GRANT " + List + FldsSeq();
  if (!ObjectName.empty())
    R += " ON " + std::string(ObjectType == gotProcedure ? "PROCEDURE " : "") +
         QuoteIdent(ObjectName);
  return R + " TO " + GranteeDef() + (GrantOption == 1 ? " WITH GRANT OPTION" : "");
}

std::string TGntData::Def() const {
  switch (GetDatabaseType()) {
    case dbOracle:
      return OracleDef();
    case dbMSSQL:
    case dbSybaseASE:
      return MSSQLDef();
    default:
      return OtherDef();
  }
}

std::string TGntData::RevokeDef(bool GrantOptionOnly) const {
  const TDatabaseType DB = GetDatabaseType();
  if (ObjectType == gotStatement) {
    const std::string List = PrivList(Privileges, StatementWords, RevokedStatementWords);
    // A grant kept only as text names nothing a REVOKE could be written from.
    if (List.empty()) return "";
    return "REVOKE " + List + " FROM " + GranteeIdent();
  }
  if (ObjectType == gotRole) return "REVOKE " + QuoteIdent(ObjectName) + " FROM " + GranteeIdent();
  std::string List;
  // A grant of ALL is taken back as ALL: naming some privileges would leave the others. The
  // five object privileges of a table or view are granted as ALL (which gives a PostgreSQL
  // server's TRUNCATE and TRIGGER too), so they are revoked as ALL as well.
  if (Privileges.Contains(gntAll) || ((ObjectType == gotTable || ObjectType == gotView) &&
                                      AllObjectPrivileges() && DB != dbSybaseASE))
    List = "ALL";
  else
    List = PrivList(Privileges, ObjectWords);
  // MySQL keeps the grant option as one more privilege: it goes in the same REVOKE.
  if (DB == dbMySQL && GrantOption == 1) List = Join(List, "GRANT OPTION");
  const bool Execute = Privileges.Contains(gntExecute);
  // Oracle, like SQL Server, names no object kind after ON.
  if (Execute)
    List = Join(List, DB == dbMSSQL || DB == dbOracle ? "EXECUTE ON" : "EXECUTE ON PROCEDURE");
  // Columns of a column-level grant are revoked as they were granted; Oracle takes a column
  // privilege back only from the whole table.
  std::string R = List + (DB == dbOracle ? std::string() : FldsSeq());
  R += (Execute ? " " : " ON ") + QuoteIdent(ObjectName) + " FROM " + GranteeDef();
  if (GrantOptionOnly) R = "GRANT OPTION FOR " + R;
  return "REVOKE " + R;
}

std::string TGntData::DropDef() const {
  switch (GetDatabaseType()) {
    case dbOracle:  // its grant text carries no grant option
    case dbMySQL:   // revoked with the privileges
      return RevokeDef(false);
    default:
      return RevokeDef(GrantOption == 1);
  }
}

std::string TGntData::ObjKeyDef() const {
  if (!Owner || GetDatabaseType() != dbInterBase) return Def();
  TIBServerOptions& IB = Owner->IBServerOptions;
  const TIBSQLDialectType Saved = IB.GetSQLDialect();
  IB.SetSQLDialect(1);
  std::string Key = Def();
  IB.SetSQLDialect(Saved);
  return Key;
}

namespace {

/// Grants of a category whose switch is off are left as they are.
bool GrantCompared(const TGntData& G, const TCmpObjSetType& CompareObjects) {
  switch (G.GrantCategory) {
    case coRoleGrant:
    case coUserGrant:
    case coObjGrant:
      return CompareObjects.Contains(G.GrantCategory);
    default:
      return true;
  }
}

template <class F>
void ForEachGrant(const TDbObjList& List, F Fn) {
  for (int I = 0; I < List.Count(); ++I)
    if (auto* G = dynamic_cast<TGntData*>(List.Objects(I))) Fn(G);
}

}  // namespace

void GenScriptGntDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  const TCmpObjSetType& CompareObjects = Master.CompareObjects;
  ForEachGrant(Target.Grants, [&](TGntData* T) {
    if (T->SkipDef || !T->GetObjCreated() || !GrantCompared(*T, CompareObjects)) return;
    // Paired grants are compared by their keys: the text without InterBase dialect-3 quoting.
    if (TDbObj* M = T->GetRefObj(); M && M->ObjKeyDef() == T->ObjKeyDef()) return;
    const std::string Text = T->Def();
    Exec.AddComment("/* DROP: -- " + SafeBlockComment(Text) + " */");
    const std::string Revoke = T->DropDef();
    Exec.Add(Revoke, stStatement, Text, dboGrant, odbDrop);
    // REVOKE GRANT OPTION FOR leaves the privileges themselves; they go too.
    if (T->GrantOption == 1 && Revoke != T->RevokeDef(false))
      Exec.Add(T->RevokeDef(false), stStatement, Text, dboGrant, odbDrop);
    // A changed grant is granted again by the create pass.
    T->SetObjCreated(false);
  });
}

void GenScriptGntCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  const TCmpObjSetType& CompareObjects = Master.CompareObjects;
  bool Written = false;
  ForEachGrant(Master.Grants, [&](TGntData* M) {
    if (M->SkipDef || !GrantCompared(*M, CompareObjects)) return;
    if (M->GetRefObj() && M->GetObjCreated()) return;
    if (!Written) Exec.AddComment("/* Create(Add) Crant */");
    Written = true;
    const std::string Text = M->Def();
    Exec.Add(M->CreateDef(), stStatement, Text, dboGrant, odbCreate);
    M->SetObjCreated(true);
  });
  if (Written) Exec.AddComment("\r\n");
}

}  // namespace qel
