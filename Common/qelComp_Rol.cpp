// Roles, logins, users and grants: keys and the grant text.
#include "qelComp_Rol.h"

#include <array>

#include "Text.h"

namespace qel {

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

namespace {

const std::array<const char*, GrantPrivilegeCount> PrivilegeWords = {"ALL",
                                                                     "INSERT",
                                                                     "UPDATE",
                                                                     "DELETE",
                                                                     "SELECT",
                                                                     "EXECUTE",
                                                                     "REFERENCES",
                                                                     "ALTER",
                                                                     "CREATE DATABASE LINK",
                                                                     "CREATE SEQUENCE",
                                                                     "CREATE SESSION",
                                                                     "CREATE TRIGGER",
                                                                     "CREATE PROCEDURE",
                                                                     "CREATE TYPE",
                                                                     "CREATE SYNONYM",
                                                                     "CREATE PUBLIC SYNONYM",
                                                                     "DROP SYNONYM",
                                                                     "DROP PUBLIC SYNONYM",
                                                                     "CREATE TABLE",
                                                                     "CREATE VIEW",
                                                                     "CREATE INDEXTYPE",
                                                                     "CREATE RULE",
                                                                     "CREATE DEFAULT",
                                                                     "CREATE FUNCTION",
                                                                     "CREATE DATABASE",
                                                                     "BACKUP DATABASE",
                                                                     "BACKUP LOG",
                                                                     "DUMP DATABASE",
                                                                     "DUMP TRANSACTION",
                                                                     "VIEW ANY DATABASE",
                                                                     "TRUNCATE TABLE",
                                                                     "UPDATE STATISTICS",
                                                                     "DELETE STATISTICS",
                                                                     "UNLIMITED TABLESPACE",
                                                                     "DROP TABLE",
                                                                     "DROP VIEW",
                                                                     "DROP TRIGGER",
                                                                     "DROP PROCEDURE",
                                                                     "DROP SEQUENCE",
                                                                     "DROP TYPE",
                                                                     "DROP INDEXTYPE",
                                                                     "FORCE ANY TRANSACTION"};

}  // namespace

std::string TGntData::PrivilegesDef() const {
  std::string R;
  for (std::size_t I = 0; I < PrivilegeWords.size(); ++I)
    if (Privileges.Contains(static_cast<TGrantPrivilege>(I)))
      R += (R.empty() ? "" : ", ") + std::string(PrivilegeWords[I]);
  return R;
}

std::string TGntData::Def() const {
  if (!GrantText.empty()) return "GRANT " + GrantText;
  const std::string Grantee = QuoteIdent(GranteeName);
  if (ObjectType == 13)  // membership in a role
    return "GRANT " + QuoteIdent(ObjectName) + " TO " + Grantee +
           (GrantOption == 1 ? " WITH ADMIN OPTION" : "");
  std::string R = "GRANT " + PrivilegesDef();
  if (!Fields.Empty()) {
    std::string Cols;
    for (const std::string& F : Fields) Cols += (Cols.empty() ? "" : ", ") + QuoteIdent(F);
    R += " (" + Cols + ")";
  }
  if (ObjectType != -1 && !ObjectName.empty()) R += " ON " + QuoteIdent(ObjectName);
  return R + " TO " + Grantee + (GrantOption == 1 ? " WITH GRANT OPTION" : "");
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

}  // namespace qel
