// The MySQL catalog extractor: lists tables and views and parses the CREATE text of each.
#include "qelMySQLDatabaseExtract.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "DataSet.h"
#include "Text.h"
#include "qelDBEngine.h"
#include "qelMsg.h"
#include "qelMySQLParser.h"
#include "qelResWords.h"

namespace qel {

TMySQLDBExtract::TMySQLDBExtract(TComponent* AOwner) : TCustomDBExtract(AOwner) {
  DatabaseType = dbMySQL;
}

TMySQLDBExtract::~TMySQLDBExtract() = default;

std::vector<TDBExtractStep> TMySQLDBExtract::ExtractSteps() {
  return {
      {0, false, coDomain, "ExtractHeader", [this] { ExtractHeader(); }},
      {1, true, coTable, "ExtractTbl", [this] { ExtractTbl(); }},
  };
}

std::unique_ptr<TCustomParser> TMySQLDBExtract::CreateBodyParser() {
  TObjs* Objs = GetObjs();
  auto Parser = MakeBodyParser<TMySQLParser>();
  if (Objs) Parser->GetMySQLServerOptions().Assign(Objs->MySQLServerOptions);
  return Parser;
}

std::vector<TDbObjList TObjs::*> TMySQLDBExtract::BodyLists() const {
  return {&TObjs::Tables, &TObjs::Views};
}

void TMySQLDBExtract::ParseObjText(TCustomParser& Parser, TDbObj& Obj) {
  ParseWith<TMySQLParser>(Parser, Obj);
}

void TMySQLDBExtract::MatchServerForms(TCustomObjs& Other) {
  auto Differ = [](const TViwData& V, const TViwData& W) {
    return W.Extra().Body != V.Extra().Body || W.Fields.Count() != V.Fields.Count();
  };
  std::unique_ptr<TCustomParser> Parser;
  ProbeViews(Other, Differ, [this, &Parser](TQELQuery& Q, TViwData& V, TViwData& W) {
    if (!Parser) Parser = CreateBodyParser();
    std::string Columns;
    for (const auto& F : W.Fields)
      Columns += (Columns.empty() ? "(" : ", ") + EncloseIdent(F->GetObjName(), '`', '`');
    if (!Columns.empty()) Columns += ")";
    // The server's text, read as the catalog step reads a view: the part after AS, the column
    // list written into the select as aliases. The server has no temporary views: the probe
    // is a view of the database, dropped at once.
    Q.SetSQLText("CREATE VIEW qel_view_probe" + Columns + " AS " + W.Extra().Body);
    Q.ExecSQL();
    std::string Create;
    try {
      OpenQuery(Q, {"SHOW CREATE VIEW qel_view_probe"});
      if (!Q.GetEof()) Create = Q.Fields().Fields(1)->AsString();
      CloseQuery(Q);
    } catch (const std::exception&) {
      Q.SetSQLText("DROP VIEW IF EXISTS qel_view_probe");
      Q.ExecSQL();
      throw;
    }
    Q.SetSQLText("DROP VIEW qel_view_probe");
    Q.ExecSQL();
    TViwData Probe(GetObjs());
    Probe.SetBody(Create);
    ParseObjText(*Parser, Probe);
    if (Probe.Extra().Body != V.Extra().Body || Probe.Fields.Count() != V.Fields.Count()) return;
    // Compared as the catalog's view; created, should it have to be, from the script's text
    // and column list.
    W.ServerDef = V.Def();
  });
}

bool TMySQLDBExtract::ChangedMeanwhile(const std::string& Text) const {
  // ER_NO_SUCH_TABLE, ER_BAD_TABLE_ERROR, ER_SP_DOES_NOT_EXIST, ER_TRG_DOES_NOT_EXIST.
  for (const char* Part : {"doesn't exist", "does not exist", "Unknown table"})
    if (Text.find(Part) != std::string::npos) return true;
  return false;
}

bool TMySQLDBExtract::HeldStill() const {
  return FHeldStill;
}

std::string TMySQLDBExtract::CatalogVersion() {
  std::string Version;
  ForEachRow({"SELECT table_name, table_type, create_time FROM information_schema.tables",
              "WHERE table_schema = DATABASE() ORDER BY table_name"},
             [&Version](TCatalogRow& Row) {
               Version += Row.Str("table_name") + '\t' + Row.Str("table_type") + '\t' +
                          Row.Str("create_time") + '\n';
             });
  return Version.empty() ? std::string("(no tables)") : Version;
}

bool TMySQLDBExtract::PassOverDropped(TListed& Listed) {
  // The server's own list says which are gone, in whatever language its messages are.
  std::unordered_set<std::string> Present;
  ForEachRow({"SELECT table_name FROM information_schema.tables WHERE table_schema = DATABASE()"},
             [&Present](TCatalogRow& Row) { Present.insert(Row.Str("table_name")); });
  const auto Gone = std::stable_partition(
      Listed.begin(), Listed.end(), [&](const auto& Item) { return Present.contains(Item.first); });
  for (auto It = Gone; It != Listed.end(); ++It) {
    const std::string Text = std::string(It->second ? "View " : "Table ") + It->first +
                             " passed over: it was dropped while the catalog was read.";
    AddToLog(Text);
    GetMsgManager()->AddMsg(Text, mt_Wrn, nullptr);
  }
  const bool Any = Gone != Listed.end();
  Listed.erase(Gone, Listed.end());
  return Any;
}

/// Read locks on the tables and views a reading lists (LOCK TABLES ... READ), as a consistent
/// dump takes them: until they are let go no other session drops, alters or writes those, so
/// their texts are those of one moment. Let go when the reading ends, however it ends.
class TMySQLDBExtract::TReadLocks {
 public:
  TReadLocks(TMySQLDBExtract& Owner, TQELQuery& Query) : FOwner(Owner), FQuery(Query) {}
  ~TReadLocks() {
    if (!FHeld) return;
    try {
      Run("UNLOCK TABLES");
    } catch (const std::exception&) {
      // The server lets a session's locks go with the session.
    }
  }
  /// True when the locks are held. An account without the right to lock (or a view it may
  /// not lock through) reads without them; a listed table another session dropped since
  /// raises, and the reading is done again.
  /// A listed table that another session dropped before it was locked is passed over (and
  /// said so), and the others are locked.
  bool Take(TListed& Listed) {
    for (int Attempt = 1;; ++Attempt) {
      if (Listed.empty()) return false;
      std::string SQL;
      for (const auto& Item : Listed)
        SQL += (SQL.empty() ? "" : ", ") + EncloseIdent(Item.first, '`', '`') + " READ";
      // A session that holds a table with a long statement is waited for a while only: the
      // reading then goes on without locks.
      try {
        Run("SET STATEMENT lock_wait_timeout = 10 FOR LOCK TABLES " + SQL);
      } catch (const std::exception& E) {
        if (FOwner.PassOverDropped(Listed)) continue;
        // A table dropped and made again since the lock was refused: its name stands for a
        // table again, which a new attempt locks.
        if (FOwner.ChangedMeanwhile(E.what()) && Attempt < MaxAttempts) continue;
        if (FOwner.ChangedMeanwhile(E.what())) throw;
        FOwner.AddToLog(std::string("Reading without table locks: ") + E.what());
        return false;
      }
      FHeld = true;
      return true;
    }
  }

 private:
  static constexpr int MaxAttempts = 20;
  void Run(const std::string& SQL) {
    FQuery.SetSQLText(SQL);
    FQuery.ExecSQL();
  }
  TMySQLDBExtract& FOwner;
  TQELQuery& FQuery;
  bool FHeld = false;
};

void TMySQLDBExtract::ExtractHeader() {
  FHeldStill = false;
  KeepConnectionOptions();
  CheckWholeDatabaseVisible();
}

void TMySQLDBExtract::CheckWholeDatabaseVisible() {
  // The server lists only the tables a user holds some privilege on: a user granted single
  // tables or columns sees a part of the database, with no error, and the tables it cannot see
  // would pass for absent (a comparison would drop them from the target). A privilege on the
  // whole database, or on every database, shows each table. The privileges an active role
  // brings may not show in these views: then the doubt is only told.
  const std::string Table =
      "('SELECT', 'INSERT', 'UPDATE', 'DELETE', 'CREATE', 'DROP', 'REFERENCES', 'INDEX', "
      "'ALTER', 'CREATE VIEW', 'SHOW VIEW', 'TRIGGER', 'DELETE HISTORY')";
  std::string Covered, User, Database;
  bool Role = false;
  ForEachRow({"SELECT (SELECT COUNT(*) FROM information_schema.USER_PRIVILEGES",
              "  WHERE PRIVILEGE_TYPE IN " + Table + ")",
              "  + (SELECT COUNT(*) FROM information_schema.SCHEMA_PRIVILEGES",
              "  WHERE DATABASE() LIKE TABLE_SCHEMA AND PRIVILEGE_TYPE IN " + Table + ")",
              "  AS covered, CURRENT_ROLE() AS role_name, CURRENT_USER() AS user_name,",
              "  DATABASE() AS db_name"},
             [&](TCatalogRow& Row) {
               Covered = Row.Field("covered").AsString();
               Role = !Row.Field("role_name").IsNull();
               User = Row.Field("user_name").AsString();
               Database = Row.Field("db_name").AsString();
             });
  if (StrToIntDef(Trim(Covered), 0) > 0) return;
  const std::string Text = "The user " + User +
                           " holds privileges on single tables or columns of " + "database " +
                           Database + " only, and the server lists no other table " +
                           "to it: the tables it may not read would be taken as absent.";
  if (Role) {
    const std::string Doubt = Text + " (A role is active, whose privileges may cover the " +
                              "database: the schema is read as the server lists it.)";
    AddToLog(Doubt);
    GetMsgManager()->AddMsg(Doubt, mt_Wrn, nullptr);
    return;
  }
  throw EDatabaseError(Text + " Read it as a user with a privilege on the whole database.");
}

void TMySQLDBExtract::ExtractTbl() {
  AddToLog("Extracting tables...");
  TObjs* Objs = GetObjs();
  const bool Fold = !Objs->MySQLServerOptions.GetMySQLCompareOptions().CaseSensitiveIdentifiers;
  // The list first, then each CREATE text, all on the work query: a comparison reads the other
  // side's catalog ahead by the texts opened there.
  TListed Listed;
  // The table type tells base tables from views and sequences, which SHOW TABLES lists alike.
  ForEachRow({"SHOW FULL TABLES"}, [this, &Listed](TCatalogRow&) {
    TQELQuery& Q = WorkQuery();
    const std::string Type = Q.FieldCount() > 1 ? Q.Fields().Fields(1)->AsString() : "BASE TABLE";
    if (Type == "VIEW" || Type == "BASE TABLE")  // not SEQUENCE, SYSTEM VIEW
      Listed.emplace_back(Q.Fields().Fields(0)->AsString(), Type == "VIEW");
  });
  AddToLog("Tables and views listed: " + std::to_string(Listed.size()));
  TQELQuery& Q = WorkQuery();
  TReadLocks Locks(*this, Q);
  FHeldStill = Locks.Take(Listed);
  for (const auto& [Stored, View] : Listed) {
    const std::string Name = Fold ? UpperCase(Stored) : Stored;
    std::string Create;
    try {
      // The name always in back quotes: a stored name may hold blanks, upper case or a
      // reserved word.
      OpenQuery(Q, {std::string(View ? "SHOW CREATE VIEW " : "SHOW CREATE TABLE ") +
                    EncloseIdent(Stored, '`', '`')});
      Create = Q.GetEof() ? "" : Q.Fields().Fields(1)->AsString();
      CloseQuery(Q);
    } catch (const std::exception&) {
      // Read without locks, a table may go between the listing and its text: passed over.
      // Any other failure ends the reading.
      TListed One{{Stored, View}};
      if (!PassOverDropped(One)) throw;
      continue;
    }
    std::unique_ptr<TDbObj> Obj;
    if (View)
      Obj = std::make_unique<TViwData>(Objs);
    else
      Obj = std::make_unique<TTblData>(Objs);
    Obj->SetObjName(Name);
    Obj->SetBody(Create);
    FileExtracted(std::move(Obj));
    AddToLog((View ? "View: " : "Table: ") + Name);
  }
}

}  // namespace qel
