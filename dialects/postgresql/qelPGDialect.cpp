// The PostgreSQL dialect's registration: its quoting, extractors, the table data comparer's
// catalog step, the catalog queries of a table and its palette components.
#include <string>
#include <vector>

#include "Design.h"
#include "Text.h"
#include "qelDialects.h"
#include "qelPGDatabaseExtract.h"
#include "qelPGSQLExec.h"
#include "qelPGSQLQuote.h"
#include "qelPGScriptExtract.h"
#include "qelTableDataComparer.h"

namespace qel {

namespace {

bool ReadPGFields(TCmpTableOptions& T, TQELQuery& Query) {
  // Servers since 8.4 have relhastriggers instead of reltriggers, and since 12 no adsrc: the
  // catalog says which columns it has, and the query is chosen by that.
  bool HasRelTriggers = false, HasAdSrc = false;
  T.RunCatalogQuery(
      Query,
      {"select exists(select 1 from pg_catalog.pg_attribute where attrelid = "
       "'pg_catalog.pg_class'::regclass and attname = 'reltriggers' and not attisdropped) as "
       "has_reltriggers,",
       "exists(select 1 from pg_catalog.pg_attribute where attrelid = "
       "'pg_catalog.pg_attrdef'::regclass and attname = 'adsrc' and not attisdropped) as "
       "has_adsrc"},
      [&](TQELQuery& Q) {
        HasRelTriggers = Q.FieldByName("has_reltriggers")->AsBoolean();
        HasAdSrc = Q.FieldByName("has_adsrc")->AsBoolean();
      });
  const std::string QName = QuotedStr(T.GetTableName());
  const std::string Oid = T.FindTableId(
      Query,
      {" SELECT n.nspname AS schemaname, c.relname AS tablename, pg_get_userbyid(c.relowner) AS "
       "tableowner,",
       "        t.spcname AS \"tablespace\", c.relhasindex AS hasindexes, c.relhasrules AS "
       "hasrules,",
       HasRelTriggers ? "        c.reltriggers > 0 AS hastriggers, c.oid"
                      : "        c.relhastriggers AS hastriggers, c.oid",
       "   FROM pg_catalog.pg_class c",
       "   LEFT JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace",
       "   LEFT JOIN pg_catalog.pg_tablespace t ON t.oid = c.reltablespace",
       // Partitioned tables, views, materialized views and foreign tables are read as tables.
       "  WHERE c.relkind in ('r', 'p', 'v', 'm', 'f')",
       "  AND n.nspname not in ('information_schema', 'pg_catalog', 'pg_toast', 'pg_temp_1')",
       "  and c.relname not like 'pg_%'", "  and c.relname = " + QName,
       // The table the statements reach: of the schema named, else the first on the search
       // path.
       T.GetSchemaName().empty() ? "  and pg_catalog.pg_table_is_visible(c.oid)"
                                 : "  and n.nspname = " + QuotedStr(T.GetSchemaName())},
      "TABLENAME", "OID");
  if (Oid.empty()) return false;
  T.AddCatalogColumns(Query,
                      {"select a.attname AS column_name, a.atttypid, a.atttypmod,",
                       "pg_catalog.format_type(a.atttypid, null) as data_type,",
                       "information_schema._pg_char_max_length(a.atttypid, a.atttypmod) as "
                       "char_length,",
                       "information_schema._pg_numeric_precision(a.atttypid, a.atttypmod) as "
                       "prec,",
                       "information_schema._pg_numeric_scale(a.atttypid, a.atttypmod) as scale,",
                       HasAdSrc ? "ad.adsrc, a.attnotnull as is_notnull"
                                : "pg_catalog.pg_get_expr(ad.adbin, ad.adrelid) as adsrc, "
                                  "a.attnotnull as is_notnull",
                       "from pg_attribute a", "join pg_type t on t.oid = a.atttypid",
                       "left join pg_attrdef ad on ad.adrelid = a.attrelid and ad.adnum = "
                       "a.attnum",
                       "where a.attrelid = " + Oid + " and a.attnum >= 1", "and not a.attisdropped",
                       "order by a.attnum"},
                      "COLUMN_NAME", false);
  return true;
}

/// The table of the schema named, else the first on the search path, by the name the server
/// stores: a quoted part as written, else folded to lower case as the server folds it.
TTableCatalogSQL PGTableCatalogSQL(const std::vector<std::string>& Parts,
                                   const std::vector<bool>& Quoted) {
  std::string Name;
  for (std::size_t I = 0; I < Parts.size(); ++I)
    Name.append(I ? "." : "").append(PGSQLQuoteIdent(Quoted[I] ? Parts[I] : LowerCase(Parts[I])));
  const std::string Rel = "pg_catalog.to_regclass(" + QuotedStr(Name) + ")";
  return {"select count(*) from pg_catalog.pg_class where oid = " + Rel +
              " and relkind in ('r', 'p', 'v', 'm', 'f')",
          "select a.attname from pg_catalog.pg_index i join pg_catalog.pg_attribute a on "
          "a.attrelid = i.indrelid and a.attnum = any(i.indkey) where i.indisprimary and "
          "i.indrelid = " +
              Rel + " order by pg_catalog.array_position(i.indkey::int2[], a.attnum)"};
}

}  // namespace

void AddDialects_postgresql(TDialectList& List) {
  TDialect D = MakeDialect<TPGScriptExtract, TPGDBExtract>("postgresql", {"postgres"}, dbPostgreSQL,
                                                           QuoteName<PGSQLQuoteIdent>);
  D.DisplayName = "PostgreSQL";
  D.Lexical.NestedComments = true;
  D.Lexical.EscapeStrings = true;
  D.Lexical.DollarQuotes = true;
  D.TypeBounds = {10485760, 10485760, 1000, 1000, -1000, 1000, false};
  D.IsKeyword = [](std::string_view Word) { return PGSQLSymbolByResWord(Word) != kIdentSymbol; };
  D.MakeObjectName = PGMakeObjectName;
  D.NameScopes.Constraints = TNameScope::Table;
  D.NameScopes.Triggers = TNameScope::Table;
  D.ReadDataFields = ReadPGFields;
  D.TableCatalogSQL = PGTableCatalogSQL;
  D.PaletteClasses = ComponentClasses<TPGScriptExtract, TPGDBExtract, TPGSQLExec>;
  D.PalettePlace = 70;
  D.URISchemes = {"postgresql", "postgres"};
  D.ConnectionType = cnPostgresDAC;
  // A table's children share its ctids: the table of the copy goes with it.
  D.DeleteOneRow = [](const std::string& T, const std::string& Where) {
    return "DELETE FROM " + T + " WHERE (tableoid, ctid) = (SELECT tableoid, ctid FROM " + T +
           " WHERE " + Where + " LIMIT 1)";
  };
  // Bytes through decode: independent of standard_conforming_strings, unlike a '\x...' literal.
  // -0 and -0E0 are numbers whose zero has no sign; the text is read as the column's float.
  SetRowForms(
      D, TrueFalseLiteral, [](const std::string& Hex) { return "decode('" + Hex + "', 'hex')"; },
      DeclaredTimeDigits, "'-0'");
  // char(n) as text drops the padding, as the server does when it reads one as text; a
  // timestamptz at UTC, keeping its digits.
  D.ReadFormsSQL = [](const std::string& Table, const std::string&) {
    const std::string Rel = "pg_catalog.to_regclass(" + ScriptQuotedStr(Table, dbPostgreSQL) + ")";
    return "select a.attname, case when a.atttypid = 'pg_catalog.timestamptz'::pg_catalog.regtype "
           "then 1 else 0 end, a.atttypmod from pg_catalog.pg_attribute a where a.attrelid = " +
           Rel +
           " and a.attnum > 0 and not a.attisdropped and a.atttypid in "
           "('pg_catalog.bpchar'::pg_catalog.regtype, "
           "'pg_catalog.timestamptz'::pg_catalog.regtype)";
  };
  D.UnpaddedText = [](const std::string& Column) { return "CAST(" + Column + " AS text)"; };
  D.UtcTime = [](const std::string& Column, int Digits) {
    return "CAST(" + Column + " AT TIME ZONE 'UTC' AS timestamp" +
           (Digits >= 0 ? "(" + std::to_string(Digits) + ")" : std::string()) + ")";
  };
  List.Add(std::move(D));
}

}  // namespace qel
