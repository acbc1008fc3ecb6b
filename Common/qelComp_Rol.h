// Roles, logins and users, and the grants between them.
#pragma once

#include <cstdint>
#include <string>

#include "qelClasses.h"

namespace qel {

enum TUserType : std::uint8_t { usrRol, usrLgn, usrUsr };

/// A role, a server login or a database user; they share the collection's role list.
class TRolData : public TDbObj {
 public:
  explicit TRolData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = 110; }

  std::string RoleOwner;
  std::int32_t IsAppRole = 0;
  std::string LoginName;
  TUserType UserType = usrRol;

  /// "Role: ", "Login: " or "User: " + the name, so the three never collide.
  std::string ObjKeyDef() const override;
};

/// One grant: privileges given to a grantee on an object, or a role membership.
class TGntData : public TDbObj {
 public:
  explicit TGntData(TCustomObjs* aOwner) : TDbObj(aOwner) {
    Kind = 111;
    Fields.SetCaseSensitive(true);
  }

  /// A grant held as text; written unchanged.
  std::string GrantText;
  TGrantPrivilegeSet Privileges;
  std::string GranteeName;
  std::int32_t GranteeType = 0;
  std::string ObjectName;
  /// -1: statement or system privileges.
  std::int32_t ObjectType = -1;
  /// 1 = WITH GRANT OPTION (WITH ADMIN OPTION for roles).
  std::int32_t GrantOption = 0;
  /// Columns of a column-level grant.
  TStringList Fields;
  TCmpObjType GrantCategory = coGrant;

  std::string Def() const override;
  /// The grant's text, built with InterBase quoting switched off so equal grants key equal.
  std::string ObjKeyDef() const override;

  /// The privilege list ("SELECT, INSERT").
  std::string PrivilegesDef() const;
};

}  // namespace qel
