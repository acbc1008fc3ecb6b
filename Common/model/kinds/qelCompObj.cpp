// The concrete collection: freeing, the definition snapshot and the lookups by kind; the
// database object; the cancel flag, the log hook and the small text helpers.
#include "qelCompObj.h"

#include "Text.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Exc.h"
#include "qelComp_Fnc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Pkg.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDialects.h"

namespace qel {

std::atomic<bool> TerminateRunning{false};
std::function<void(const std::string& aText)> AddToLog = [](const std::string&) {};

// ---------------------------------------------------------------------------------------------
// TObjs

void TObjs::Clear() {
  for (TDbObjList* L :
       {&Functions,       &Triggers,    &Procedures, &Tables,       &Exceptions, &Constraints,
        &Indexes,         &Domains,     &Views,      &Roles,        &Grants,     &Generators,
        &Rules,           &Defaults,    &Packages,   &Publications, &Schemas,    &Operators,
        &OperatorClasses, &Conversions, &Events})
    L->Clear();
  TCustomObjs::Clear();
}

void TObjs::SetSourceDefinition() {
  ResetGenerationState();
  TakeSourceDefinitions();
}

void TObjs::TakeSourceDefinitions() {
  for (TDbObjList* L : {&Views, &Procedures, &Triggers})
    for (int I = 0; I < L->Count(); ++I) {
      TDbObj* Obj = L->Objects(I);
      Obj->SetExtra(&TObjExtra::SourceDefinition, Obj->Def());
      Obj->SetExtra(&TObjExtra::CurrentDef, Obj->CompareDef());
    }
}

namespace {

template <class T>
T* Lookup(const TDbObjList& List, const std::string& Name) {
  return dynamic_cast<T*>(List.FindObj(Name));
}

}  // namespace

TDmnData* TObjs::GetDomain(const std::string& Name) const {
  return Lookup<TDmnData>(Domains, Name);
}
TTblData* TObjs::GetTable(const std::string& Name) const {
  return Lookup<TTblData>(Tables, Name);
}
TViwData* TObjs::GetView(const std::string& Name) const {
  return Lookup<TViwData>(Views, Name);
}
TPrcData* TObjs::GetProcedure(const std::string& Name) const {
  return Lookup<TPrcData>(Procedures, Name);
}
TGnrData* TObjs::GetGenerator(const std::string& Name) const {
  return Lookup<TGnrData>(Generators, Name);
}
TExcData* TObjs::GetException(const std::string& Name) const {
  return Lookup<TExcData>(Exceptions, Name);
}
TIdxData* TObjs::GetIndex(const std::string& Name) const {
  if (auto* I = Lookup<TIdxData>(Indexes, Name)) return I;
  // Where index names are unique only per table they are filed as "name ON table".
  if (NameScopesOf(GetDatabaseType()).Indexes != TNameScope::Table) return nullptr;
  return dynamic_cast<TIdxData*>(Indexes.FindFirstWithPrefix(Name + " ON "));
}
TUdfData* TObjs::GetFunction(const std::string& Name) const {
  return Lookup<TUdfData>(Functions, Name);
}
TPkgData* TObjs::GetPackage(const std::string& Name) const {
  return Lookup<TPkgData>(Packages, Name);
}
TPblData* TObjs::GetPublication(const std::string& Name) const {
  return Lookup<TPblData>(Publications, Name);
}
TSchData* TObjs::GetSchema(const std::string& Name) const {
  return Lookup<TSchData>(Schemas, Name);
}
TOprData* TObjs::GetOperator(const std::string& Name) const {
  return Lookup<TOprData>(Operators, Name);
}
TEvtData* TObjs::GetEvent(const std::string& Name) const {
  return Lookup<TEvtData>(Events, Name);
}

TTrgData* TObjs::GetTrigger(const std::string& Name) const {
  if (auto* T = Lookup<TTrgData>(Triggers, Name)) return T;
  // PostgreSQL triggers are filed as "name ON table".
  if (GetDatabaseType() == dbPostgreSQL)
    return dynamic_cast<TTrgData*>(Triggers.FindFirstWithPrefix(Name + " ON "));
  return nullptr;
}

const TObjs::TTableKeys* TObjs::KeysOfTable(const std::string& Name) const {
  if (FTableKeysOfCtr != Constraints.GetVersion() || FTableKeysOfIdx != Indexes.GetVersion()) {
    FTableKeys.clear();
    for (int I = 0; I < Constraints.Count(); ++I)
      if (auto* Ctr = dynamic_cast<TCtrData*>(Constraints.Objects(I)))
        FTableKeys[Ctr->GetTblName()].Constraints.push_back(Ctr);
    for (int I = 0; I < Indexes.Count(); ++I)
      if (auto* Idx = dynamic_cast<TIdxData*>(Indexes.Objects(I)))
        FTableKeys[Idx->TableName].Indexes.push_back(Idx);
    FTableKeysOfCtr = Constraints.GetVersion();
    FTableKeysOfIdx = Indexes.GetVersion();
  }
  const auto It = FTableKeys.find(Name);
  return It == FTableKeys.end() ? nullptr : &It->second;
}

TCtrData* TObjs::GetConstraint(const std::string& Name) const {
  if (auto* C = Lookup<TCtrData>(Constraints, Name)) return C;
  // PostgreSQL, DB2 and MySQL constraints are filed as "name ON table".
  if (GetDatabaseType() == dbPostgreSQL || GetDatabaseType() == dbDB2 ||
      GetDatabaseType() == dbMySQL)
    return dynamic_cast<TCtrData*>(Constraints.FindFirstWithPrefix(Name + " ON "));
  return nullptr;
}

TRolData* TObjs::FindRole(const std::string& Name, TUserType UserType) const {
  // The list is keyed by subtype and name; the match on the name itself is exact even where
  // the list ignores case.
  static const char* const Prefix[] = {"Role: ", "Login: ", "User: "};
  auto* R = dynamic_cast<TRolData*>(Roles.FindObj(Prefix[UserType] + Name));
  if (R && R->UserType == UserType && R->GetObjName() == Name) return R;
  return nullptr;
}

TRolData* TObjs::GetRole(const std::string& Name) const {
  return FindRole(Name, usrRol);
}
TRolData* TObjs::GetLogin(const std::string& Name) const {
  return FindRole(Name, usrLgn);
}
TRolData* TObjs::GetUser(const std::string& Name) const {
  return FindRole(Name, usrUsr);
}

TFldData* TObjs::GetTableField(const std::string& Table, const std::string& Field) const {
  const TTblData* T = GetTable(Table);
  return T ? T->Fields.Find(Field) : nullptr;
}

TFldData* TObjs::GetViewField(const std::string& View, const std::string& Field) const {
  const TViwData* V = GetView(View);
  return V ? V->Fields.Find(Field) : nullptr;
}

TFldData* TObjs::GetProcParam(const std::string& Proc, const std::string& Param) const {
  const TPrcData* P = GetProcedure(Proc);
  if (!P) return nullptr;
  if (TFldData* F = P->Params.Find(Param)) return F;
  return P->Results.Find(Param);
}

// ---------------------------------------------------------------------------------------------
// TDataBaseObj

TDataBaseObj::TDataBaseObj(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = kindDatabase;
}

std::string TDataBaseObj::GetCaption() const {
  const std::string& Name = ConnectionOptions.GetDatabaseName();
  return Name.empty() ? "Database" : Name;
}

std::string TDataBaseObj::Def() const {
  if (GetDatabaseType() != dbInterBase) return "";
  const std::string& CharSet = IBServerOptions.GetDBCharSet();
  const TIBDatabaseOptions& DbOpt = IBServerOptions.GetIBDatabaseOptions();
  const std::string& DbName = ConnectionOptions.GetDatabaseName();
  std::string R;
  if (!CharSet.empty()) R += "SET NAMES " + CharSet + ";" + "\r\n";
  const TIBSQLDialectType Dialect = IBServerOptions.GetSQLDialect();
  if (Dialect == 2 || Dialect == 3)
    R += "SET SQL DIALECT " + std::to_string(Dialect) + ";" + "\r\n";
  if (!DbName.empty()) {
    R += "CREATE DATABASE " + QuotedStr(DbName, '\'') + "\r\n" + "USER " +
         QuotedStr(ConnectionOptions.UserName, '\'') + " PASSWORD " +
         QuotedStr(ConnectionOptions.Password, '\'');
    if (DbOpt.PageSize != 0) R += "\r\nPAGE_SIZE " + std::to_string(DbOpt.PageSize);
    if (!CharSet.empty()) R += "  DEFAULT CHARACTER SET " + CharSet;
    R += std::string(";") + "\r\n";
  }
  if (!DbOpt.ServerVersionText.empty())
    R += "/* Server: " + SafeBlockComment(DbOpt.ServerVersionText) +
         ".  ODS: " + std::to_string(DbOpt.ODSMajorVersion) + "." +
         std::to_string(DbOpt.ODSMinorVersion) + "." +
         (DbOpt.ForcedWrites ? " Forced Writes: Enabled. " : " Forced Writes: Disabled.") + " */";
  return R;
}

// ---------------------------------------------------------------------------------------------

void ParseDbPath(const std::string& Path, std::string& Server, std::string& Database,
                 TQELProtocol& Protocol) {
  Protocol = ptLocal;
  Server.clear();
  Database = Path;
  const std::string P = Trim(Path);
  const std::size_t Colon = P.find(':');
  if (Colon != std::string::npos && P.find(':', Colon + 1) != std::string::npos) {
    Protocol = ptTCP;  // server:drive:path
    Server = P.substr(0, Colon);
    Database = P.substr(Colon + 1);
    return;
  }
  if (P.find("\\\\") != std::string::npos) {
    Protocol = ptNamedPipe;
    const std::string Rest = P.substr(2);
    const std::size_t Slash = Rest.find('\\');
    if (Slash != std::string::npos) {
      Server = Rest.substr(0, Slash);
      Database = Rest.substr(Slash + 1);
    } else {
      Database = Rest;
    }
    return;
  }
  if (const std::size_t At = P.find('@'); At != std::string::npos) {
    Protocol = ptSPX;
    Server = P.substr(0, At);
    Database = P.substr(At + 1);
    return;
  }
  // A single colon after anything but one drive letter names a server, as every Linux server
  // path does ("host:/data/db.fdb", "host/3050:/data/db.fdb").
  const bool DriveLetter =
      Colon == 1 && ((P[0] >= 'A' && P[0] <= 'Z') || (P[0] >= 'a' && P[0] <= 'z'));
  if (Colon != std::string::npos && Colon > 0 && !DriveLetter) {
    Protocol = ptTCP;
    Server = P.substr(0, Colon);
    Database = P.substr(Colon + 1);
  }
}

std::string obj_str(std::int32_t Code) {
  switch (Code) {
    case 0:
    case kindTable:
      return "relation";
    case 1:
    case kindView:
      return "view";
    case 2:
    case kindTrigger:
      return "trigger";
    case 3:
      return "computed";
    case 4:
      return "validation";
    case 5:
    case kindProcedure:
      return "procedure";
    case 6:
      return "expression_index";
    case 7:
      return "exception";
    case 8:
      return "user";
    case 9:
      return "field";
    case 10:
      return "index";
    case 11:
      return "count";
    case 12:
      return "user_group";
    case 13:
      return "sql_role";
    case 14:
    case kindGenerator:
      return "generator";
    case 15:
    case kindFunction:
      return "function";
    default:
      return "???";
  }
}

std::string ClearCrLf(const std::string& Text) {
  // Blanks before a line end go.
  std::string R;
  R.reserve(Text.size());
  for (std::size_t I = 0; I < Text.size();) {
    std::size_t J = I;
    while (J < Text.size() && Text[J] == ' ') ++J;
    if (J > I && Text.compare(J, 2, "\r\n") == 0) {
      I = J;
      continue;
    }
    R.append(Text, I, J > I ? J - I : 1);
    I = J > I ? J : I + 1;
  }
  // Runs of line ends collapse to one.
  std::string Out;
  Out.reserve(R.size());
  for (std::size_t I = 0; I < R.size();) {
    if (R.compare(I, 4, "\r\n\r\n") == 0) {
      I += 2;
      continue;
    }
    Out += R[I++];
  }
  return Out;
}

}  // namespace qel
