// The InterBase and Firebird dialect's registration: its quoting, extractors, the table data
// comparer's catalog step, the names and catalog queries of a table, what a comparison in the
// dialect sets up and its palette components.
#include <string>
#include <utility>
#include <vector>

#include "Design.h"
#include "Text.h"
#include "qelDBEngine.h"
#include "qelDBStructure.h"
#include "qelDialects.h"
#include "qelIBDatabaseExtract.h"
#include "qelIBQuote.h"
#include "qelIBSQLExec.h"
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

/// The comparer keeps a mixed-case Firebird name as written (the name of a table created
/// quoted, as its schema objects name it), where the server folds an unquoted identifier to
/// upper case: such a part is folded and quoted here.
std::string FirebirdTableName(const std::string& Table) {
  std::vector<bool> Quoted;
  const std::vector<std::string> Parts = TCmpTableOptions::SplitTableName(Table, &Quoted);
  if (Parts.empty()) return Table;
  std::string Name;
  for (std::size_t I = 0; I < Parts.size(); ++I) {
    const bool Plain = Parts[I].find_first_not_of(
                           "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstu"
                           "vwxyz0123456789_$") == std::string::npos;
    std::string Part = Parts[I];
    if (Quoted[I] || Plain) {
      if (!Quoted[I]) Part = UpperCase(Part);
      Part = QuotedStr(Part, '"');
    }
    Name += (I ? "." : "") + Part;
  }
  return Name;
}

/// A column name not in double quotes is folded to upper case, as the server folds it.
std::string FirebirdColumnName(const std::string& Column) {
  return !Column.empty() && Column.front() == '"' ? Column : UpperCase(Column);
}

/// The table by the name the server stores: its plain parts are quoted already, and one that
/// needs quotes is kept as the comparer keeps it. Firebird has no schemas: a qualified name
/// names no table.
TTableCatalogSQL FirebirdTableCatalogSQL(const std::vector<std::string>& Parts,
                                         const std::vector<bool>&) {
  const std::string Name = QuotedStr(Parts.back());
  return {"select count(*) from rdb$relations where rdb$relation_name = " + Name +
              (Parts.size() == 2 ? " and 1 = 0" : ""),
          "select s.rdb$field_name from rdb$relation_constraints c join rdb$index_segments s "
          "on s.rdb$index_name = c.rdb$index_name where c.rdb$relation_name = " +
              Name + " and c.rdb$constraint_type = 'PRIMARY KEY' order by s.rdb$field_position"};
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
  D.DisplayName = "InterBase/Firebird";
  D.ReadDataFields = ReadIBFields;
  D.ServerTableName = FirebirdTableName;
  D.ServerColumnName = FirebirdColumnName;
  D.TableCatalogSQL = FirebirdTableCatalogSQL;
  D.PaletteClasses = ComponentClasses<TIBScriptExtract, TIBDBExtract, TIBSQLExec>;
  D.PalettePlace = 10;
  D.SetUpComparer = SetUpIBComparer;
  D.SettleScriptServers = AssumeFirebirdServer;
  D.URISchemes = {"firebird"};
  D.URIPathForm = "path/to/database.fdb";
  D.ConnectionType = cnFIB;
  D.DatabaseOfPath = FirebirdDatabaseOfPath;
  D.DeleteOneRow = [](const std::string& T, const std::string& Where) {
    return "DELETE FROM " + T + " WHERE " + Where + " ROWS 1";
  };
  // A TIMESTAMP or TIME keeps a second to 1/10,000; a literal with more digits is refused.
  // "-0" is the integer 0: a float -0 needs the exponent. The server reads a statement of at
  // most 10 MiB.
  SetRowForms(
      D, TrueFalseLiteral, XQuotedHex, [](int) { return 4; }, "-0E0", 10485760);
  // CHAR(n) of a character set (OCTETS pads with zero bytes and is read as bytes).
  D.ReadFormsSQL = [](const std::string&, const std::string& Stored) {
    return "select rf.rdb$field_name, 0, -1 from rdb$relation_fields rf join rdb$fields f on "
           "f.rdb$field_name = rf.rdb$field_source where rf.rdb$relation_name = " +
           QuotedStr(Stored) +
           " and f.rdb$field_type = 14 and coalesce(f.rdb$character_set_id, 0) <> 1";
  };
  D.UnpaddedText = [](const std::string& Column) { return "TRIM(TRAILING FROM " + Column + ")"; };
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
