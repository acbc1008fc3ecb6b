// The PostgreSQL catalog extractor: what the object model does not hold. Extensions, row-level
// security and policies, exclusion constraints, materialized views and foreign tables, extended
// statistics, a view's options, a table's replica identity, a constraint's NOT VALID and NO
// INHERIT and table inheritance are each named in a warning, on every reading that meets them:
// a comparison would otherwise take them for equal, or for missing. The objects among them
// whose names other objects may share are recorded, so that a comparison never drops the
// other side's namesake for them. Column collations, which the model holds, are read here too.
#include <cctype>
#include <string>
#include <vector>

#include "DataSet.h"
#include "Text.h"
#include "qelComp_Tbl.h"
#include "qelMsg.h"
#include "qelPGDatabaseExtract.h"

namespace qel {

namespace {

/// The words of pg_class.relreplident.
std::string ReplicaIdentityWord(const std::string& Code) {
  if (Code == "n") return "NOTHING";
  if (Code == "f") return "FULL";
  if (Code == "i") return "USING INDEX";
  return Code;
}

}  // namespace

void TPGDBExtract::WarnNotRead(const std::string& Text) {
  AddToLog(Text);
  GetMsgManager()->AddMsg(Text, mt_Wrn, nullptr);
}

void TPGDBExtract::NoteNotRead(const std::string& Kind, const std::string& Schema,
                               const std::string& Name, const std::string& Table) {
  if (TObjs* O = GetObjs()) O->NotRead.push_back({Kind, Schema, Name, Table});
}

std::vector<std::string> TPGDBExtract::NotReadQuery() {
  // Each row: the kind, the schema, the object, its table, and two details.
  const auto Rel = [](const std::string& Alias) {
    return "join pg_catalog.pg_class " + Alias + " on ";
  };
  const std::string Ns = "join pg_catalog.pg_namespace n on n.oid = c.relnamespace";
  const std::string Key = "join pg_catalog.pg_constraint k on k.conrelid = c.oid";
  std::vector<std::vector<std::string>> Parts = {
      {"select cast('extension' as text) as kind, cast(n.nspname as text) as nspname,",
       "cast(e.extname as text) as objname, cast('' as text) as tblname,",
       "cast('' as text) as detail, cast('' as text) as detail2", "from pg_catalog.pg_extension e",
       "join pg_catalog.pg_namespace n on n.oid = e.extnamespace",
       // The server makes plpgsql in every database.
       "where e.extname <> 'plpgsql'"},
      {"select 'row-level security', n.nspname, c.relname, '',",
       "case when c.relrowsecurity and c.relforcerowsecurity then 'ENABLE, FORCE'",
       "     when c.relrowsecurity then 'ENABLE' else 'FORCE' end, ''",
       "from pg_catalog.pg_class c", Ns,
       "where c.relkind in ('r', 'p') and (c.relrowsecurity or c.relforcerowsecurity)"},
      {"select 'policy', n.nspname, p.polname, c.relname, '', ''", "from pg_catalog.pg_policy p",
       Rel("c") + "c.oid = p.polrelid", Ns, "where true"},
      {"select 'exclusion constraint', n.nspname, k.conname, c.relname, '', ''",
       "from pg_catalog.pg_class c", Key, Ns, "where k.contype = 'x'"},
      {"select case c.relkind when 'm' then 'materialized view' else 'foreign table' end,",
       "n.nspname, c.relname, '', '', ''", "from pg_catalog.pg_class c", Ns,
       "where c.relkind in ('m', 'f')"},
      {"select 'statistics', n.nspname, s.stxname, c.relname, '', ''",
       "from pg_catalog.pg_statistic_ext s", Rel("c") + "c.oid = s.stxrelid",
       "join pg_catalog.pg_namespace n on n.oid = s.stxnamespace", "where true"},
      {"select 'view options', n.nspname, c.relname, '',",
       "pg_catalog.array_to_string(c.reloptions, ', '), ''", "from pg_catalog.pg_class c", Ns,
       "where c.relkind = 'v' and c.reloptions is not null"},
      {"select 'replica identity', n.nspname, c.relname, '', cast(c.relreplident as text), ''",
       "from pg_catalog.pg_class c", Ns,
       "where c.relkind = 'r' and not c.relispartition and c.relreplident <> 'd'"},
      {"select 'not valid', n.nspname, k.conname, c.relname, '', ''", "from pg_catalog.pg_class c",
       Key, Ns, "where not k.convalidated"},
      {"select 'no inherit', n.nspname, k.conname, c.relname, '', ''", "from pg_catalog.pg_class c",
       Key, Ns, "where k.connoinherit and k.contype = 'c' and c.relkind = 'r'"},
      {"select 'inherits', n.nspname, c.relname, '', pn.nspname, p.relname",
       "from pg_catalog.pg_inherits i", Rel("c") + "c.oid = i.inhrelid",
       Rel("p") + "p.oid = i.inhparent",
       "join pg_catalog.pg_namespace pn on pn.oid = p.relnamespace", Ns,
       "where c.relkind = 'r' and not c.relispartition"},
      // The columns a table has only from its parents: the server drops them with the parent's.
      {"select 'inherited column', n.nspname, a.attname, c.relname, pn.nspname, p.relname",
       "from pg_catalog.pg_inherits i", Rel("c") + "c.oid = i.inhrelid",
       Rel("p") + "p.oid = i.inhparent",
       "join pg_catalog.pg_namespace pn on pn.oid = p.relnamespace", Ns,
       "join pg_catalog.pg_attribute a on a.attrelid = c.oid and a.attnum > 0",
       "join pg_catalog.pg_attribute pa on pa.attrelid = p.oid and pa.attname = a.attname",
       "where c.relkind = 'r' and not c.relispartition and not a.attisdropped",
       "and not a.attislocal and not pa.attisdropped"},
      // A column's collation where it is not its type's own.
      {"select 'collation', n.nspname, a.attname, c.relname, cn.nspname, co.collname",
       "from pg_catalog.pg_attribute a", Rel("c") + "c.oid = a.attrelid", Ns,
       "join pg_catalog.pg_type t on t.oid = a.atttypid",
       "join pg_catalog.pg_collation co on co.oid = a.attcollation",
       "join pg_catalog.pg_namespace cn on cn.oid = co.collnamespace",
       "where c.relkind = 'r' and a.attnum > 0 and not a.attisdropped",
       "and a.attcollation <> t.typcollation"},
  };
  std::vector<std::string> SQL;
  for (std::vector<std::string>& Part : Parts) {
    if (!SQL.empty()) SQL.emplace_back("union all");
    for (std::string& Line : Part) SQL.push_back(std::move(Line));
    for (const std::string& Line : SchemaConditions("and ", "and ", "n.nspname"))
      SQL.push_back(Line);
  }
  SQL.emplace_back("order by 1, 2, 4, 3");
  return SQL;
}

void TPGDBExtract::NameKindsNotRead() {
  TObjs* O = GetObjs();
  // The catalogs of these kinds are those of PostgreSQL 10 on (pg_statistic_ext, relispartition).
  if (!O || !FInfo.Has(pgcRelIsPartition)) return;
  ForEachRow(NotReadQuery(), [&](TCatalogRow& Row) {
    const std::string Kind = Row.Str("kind");
    const std::string Schema = Row.Str("nspname"), Name = Row.Str("objname");
    const std::string Table = Row.Str("tblname");
    const std::string Full = Schema + "." + (Table.empty() ? Name : Table);
    const std::string Detail = Row.Str("detail"), Detail2 = Row.Str("detail2");
    if (Kind == "collation") {
      ReadCollation(Schema, Table, Name, Detail == "pg_catalog" ? Detail2 : Detail + "." + Detail2);
    } else if (Kind == "inherited column") {
      O->InheritedColumns.push_back({Schema, Table, Name, Detail, Detail2});
    } else if (Kind == "inherits") {
      WarnNotRead("Table " + Full + " inherits from " + Detail + "." + Detail2 +
                  ": inheritance is not read, the table is read as a plain table with the "
                  "columns it inherits.");
    } else if (Kind == "extension") {
      WarnNotRead("Extension " + Name + " (schema " + Schema +
                  ") is not read: an update does not create it, nor what it brings.");
    } else if (Kind == "row-level security") {
      WarnNotRead("Table " + Full + ": row-level security (" + Detail + ") is not read.");
    } else if (Kind == "view options") {
      WarnNotRead("View " + Full + ": its options (" + Detail + ") are not read.");
    } else if (Kind == "replica identity") {
      WarnNotRead("Table " + Full + ": REPLICA IDENTITY " + ReplicaIdentityWord(Detail) +
                  " is not read.");
    } else if (Kind == "not valid" || Kind == "no inherit") {
      WarnNotRead("Constraint " + Name + " of table " + Full + " is " + UpperCase(Kind) +
                  ", which is not read: it is compared as a constraint without it.");
    } else if (Kind == "statistics") {
      WarnNotRead("Statistics " + Schema + "." + Name + " of table " + Table + " are not read.");
    } else {
      // Objects whose names others share: a policy or an exclusion constraint per table, a
      // materialized view or a foreign table among the relations of its schema (as is the
      // index an exclusion constraint makes under its own name).
      WarnNotRead(std::string(1, static_cast<char>(std::toupper(Kind[0]))) + Kind.substr(1) + " " +
                  (Table.empty() ? Full : Name + " of table " + Full) + " is not read.");
      NoteNotRead(Kind, Schema, Name, Table);
      if (Kind == "exclusion constraint") NoteNotRead(Kind, Schema, Name, std::string());
    }
  });
}

void TPGDBExtract::ReadCollation(const std::string& Schema, const std::string& Table,
                                 const std::string& Column, const std::string& Collation) {
  TTblData* T = GetObjs()->GetTable(Table);
  if (!T || T->GetSchema() != Schema) return;
  TFldData* F = T->Fields.Find(Column);
  if (!F) return;
  // The type of a domain column is written by the domain's name alone.
  if (F->FieldType == iftDomain) {
    WarnNotRead("Column " + Schema + "." + Table + "." + Column + ": its collation " + Collation +
                " is not read (the column's type is a domain).");
    return;
  }
  F->SetExtra(&TFldExtra::Collation, Collation);
}

}  // namespace qel
