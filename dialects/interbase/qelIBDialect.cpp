// The InterBase and Firebird dialect's registration: its quoting, extractors, the table data
// comparer's catalog step and what a comparison in the dialect sets up.
#include <string>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelDBEngine.h"
#include "qelDBStructure.h"
#include "qelDialects.h"
#include "qelIBDatabaseExtract.h"
#include "qelIBQuote.h"
#include "qelIBScriptExtract.h"
#include "qelTableDataComparer.h"
#include "qelVarnel.h"

namespace qel {

namespace {

bool ReadIBFields(TCmpTableOptions& T, TQELQuery& Query) {
  const std::string& Table = T.GetTableName();
  if (Table.empty()) return true;
  const std::string QName = QuotedStr(Table);
  bool Found = false;
  T.RunCatalogQuery(
      Query,
      {"Select rdb$relation_name", "from rdb$relations", "where rdb$relation_name = " + QName},
      [&](TQELQuery& Q) {
        if (SameText(Trim(Q.FieldByName("RDB$RELATION_NAME")->AsString()), Table)) Found = true;
      });
  if (!Found) {
    T.TableNotFound(Query);
    return false;
  }
  std::vector<std::string> Lines{"Select rf.rdb$field_position, rf.rdb$field_name",
                                 "from rdb$relation_fields rf",
                                 "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source",
                                 "where rf.rdb$relation_name = " + QName};
  if (T.GetComparer()->IgnoreComputedFields) Lines.emplace_back("and f.rdb$computed_blr is Null");
  Lines.emplace_back("order by rf.rdb$field_position, rf.rdb$field_name");
  T.AddCatalogColumns(Query, Lines, "RDB$FIELD_NAME", true);
  return true;
}

/// Firebird 3 refuses writes to its system tables: descriptions go as COMMENT ON. Character
/// sets and collations of columns are compared and written.
void SetUpIBComparer(TVarnel& Comparer) {
  Comparer.GetIBServerOptions().GetIBCompareOptions().SetUpdateDescriptionMode(udComment);
  Comparer.GetIBServerOptions().GetIBCompareOptions().FldCharsetCompare = true;
}

/// A Firebird script names no server. A side read from one is taken for the server of the
/// other side when that is a database, else for the newest server the library knows,
/// Firebird 3 (ODS 12): its DDL sets defaults and NOT NULL, and its system tables are
/// read-only.
void AssumeFirebirdServer(TDBStructure& Master, bool MasterIsDb, TDBStructure& Target,
                          bool TargetIsDb) {
  TIBServerOptions Server;
  Server.SQLServerVersion = st_Firebird_25;
  Server.GetIBDatabaseOptions().ODSMajorVersion = 12;
  if (MasterIsDb || TargetIsDb) {
    const TIBServerOptions& Db = (TargetIsDb ? Target : Master).GetMetadata()->IBServerOptions;
    Server.SQLServerVersion = Db.SQLServerVersion;
    Server.GetIBDatabaseOptions().ODSMajorVersion = Db.GetIBDatabaseOptions().ODSMajorVersion;
  }
  for (auto [Holder, IsDb] : {std::pair{&Master, MasterIsDb}, std::pair{&Target, TargetIsDb}}) {
    if (IsDb) continue;
    TIBServerOptions& O = Holder->GetMetadata()->IBServerOptions;
    O.SQLServerVersion = Server.SQLServerVersion;
    O.GetIBDatabaseOptions().ODSMajorVersion = Server.GetIBDatabaseOptions().ODSMajorVersion;
  }
}

/// A Firebird database is a path on the server: firebird://h:3050//srv/db.fdb and
/// firebird://h:3050/srv/db.fdb both name /srv/db.fdb; a single name is an alias, and a drive
/// letter ("C:/db.fdb") a Windows path.
std::string FirebirdDatabaseOfPath(const std::string& Path) {
  const bool Drive = Path.size() > 1 && Path[1] == ':';
  if (!Path.empty() && Path[0] != '/' && !Drive && Path.find('/') != std::string::npos)
    return "/" + Path;
  return Path;
}

}  // namespace

void AddDialects_interbase(TDialectList& List) {
  TDialect D = MakeDialect<TIBScriptExtract, TIBDBExtract>(
      "firebird", {"interbase"}, dbInterBase,
      [](const std::string& S, TIBSQLServerVersionType ServerVersion, std::int8_t SQLDialect) {
        return SQLDialect == 3 && IdentDialect3(S, ServerVersion) ? QuotedStr(S, '"') : S;
      });
  D.ReadDataFields = ReadIBFields;
  D.SetUpComparer = SetUpIBComparer;
  D.SettleScriptServers = AssumeFirebirdServer;
  D.URISchemes = {"firebird"};
  D.ConnectionType = cnFIB;
  D.DatabaseOfPath = FirebirdDatabaseOfPath;
  D.SetUpConnection = [](TQELConnection& Connection) {
    Connection.GetIBServerOptions().SQLServerVersion = st_Firebird_25;
  };
  // The character sets and collations of columns are part of the script.
  D.SetUpExtractedScript = [](TCustomObjs& Objs) {
    Objs.IBServerOptions.GetIBCompareOptions().FldCharsetCompare = true;
  };
  List.Add(std::move(D));
}

}  // namespace qel
