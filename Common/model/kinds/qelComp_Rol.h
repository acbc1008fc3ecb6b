// Roles, logins and users, and the grants between them: their texts per dialect and their passes
// of the update script.
#pragma once

#include <cstdint>
#include <string>

#include "qelClasses.h"

namespace qel {

enum TUserType : std::uint8_t { usrRol, usrLgn, usrUsr };

/// A role, a server login or a database user; they share the collection's role list. A
/// principal is never altered, only created, dropped and given its description.
class TRolData : public TDbObj {
 public:
  explicit TRolData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = kindRole; }

  /// Owner of a role (written in its comment line); for a SQL Server user, its group.
  std::string RoleOwner;
  /// Non-zero for a SQL Server application role.
  std::int32_t IsAppRole = 0;
  /// For a user: the login it is mapped to (empty: the login of the user's name).
  std::string LoginName;
  /// Free for the readers; no text reads them.
  std::int32_t Reserved1 = 0;
  std::int32_t Reserved2 = 0;
  TUserType UserType = usrRol;

  /// "Role: ", "Login: " or "User: " + the name, so the three never collide.
  std::string ObjKeyDef() const override;
  std::string Def() const override;
  /// Def; Sybase ASE goes back to the database after working in master.
  std::string CreateDef() const override;
  /// Empty for the users SQL Server 2005 keeps for itself.
  std::string DropDef() const override;

  /// LoginName, or the name when no login is recorded.
  std::string GetLoginName() const;
  /// S as a string literal of the dialect.
  std::string Literal(const std::string& S) const;

 private:
  std::string DefText(bool ForCreate) const;
};

/// Object-type codes of what a grant is on and of its grantee: InterBase's catalog codes
/// (RDB$USER_PRIVILEGES.RDB$OBJECT_TYPE and RDB$USER_TYPE), which every dialect's reader uses.
constexpr std::int32_t gotStatement = -1;  ///< statement or system privileges: no object
constexpr std::int32_t gotTable = 0;
constexpr std::int32_t gotView = 1;
constexpr std::int32_t gotTrigger = 2;
constexpr std::int32_t gotProcedure = 5;
constexpr std::int32_t gotUser = 8;
constexpr std::int32_t gotRole = 13;  ///< the role granted (object) or receiving (grantee)

/// One grant: privileges given to a grantee on an object or as statement/system privileges, or
/// a role membership. A grant is identified by its own text and never altered.
class TGntData : public TDbObj {
 public:
  explicit TGntData(TCustomObjs* aOwner) : TDbObj(aOwner) {
    Kind = kindGrant;
    Fields.SetCaseSensitive(true);
  }

  /// A grant held as text (not decomposed by its reader).
  std::string GrantText;
  TGrantPrivilegeSet Privileges;
  /// The user, role, procedure, trigger or view receiving the privileges.
  std::string GranteeName;
  /// Object-type code (got...) of the grantee: view, trigger, procedure, user or role; 0 when
  /// the reader does not tell.
  std::int32_t GranteeType = 0;
  std::string ObjectName;
  /// Object-type code (got...) of the object: table, view, trigger, procedure, user, or the role
  /// granted; gotStatement for statement or system privileges.
  std::int32_t ObjectType = gotStatement;
  /// 1 = WITH GRANT OPTION (WITH ADMIN OPTION for roles).
  std::int32_t GrantOption = 0;
  /// Columns of a column-level grant.
  TStringList Fields;
  /// The comparison switch that governs the grant.
  TCmpObjType GrantCategory = coGrant;

  std::string Def() const override;
  /// REVOKE.
  std::string DropDef() const override;
  /// The grant's text, built with InterBase quoting switched off so equal grants key equal.
  std::string ObjKeyDef() const override;

  /// The privileges are exactly INSERT, UPDATE, DELETE, SELECT and REFERENCES.
  bool AllObjectPrivileges() const;
  /// " (" + quoted columns + ")", empty without columns.
  std::string FldsSeq() const;
  /// The grantee with the word its kind needs: "VIEW ", "TRIGGER ", "PROCEDURE ".
  std::string GranteeDef() const;
  /// The grantee as a name: quoted, except the keyword PUBLIC.
  std::string GranteeIdent() const;
  /// REVOKE; with GrantOptionOnly, of the grant option alone (REVOKE GRANT OPTION FOR).
  std::string RevokeDef(bool GrantOptionOnly) const;

 private:
  std::string OracleDef() const;
  std::string MSSQLDef() const;
  std::string OtherDef() const;
};

// Role passes (gated by coRole).
void GenScriptRoleCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptRoleAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptRoleDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

// Grant passes (gated by coGrant, coRoleGrant and coUserGrant).
void GenScriptGntDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
void GenScriptGntCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

}  // namespace qel
