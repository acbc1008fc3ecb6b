// The dialect registry: unique names, look-up by name, alias and database type, and the
// dialects built into the library.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelDialects.h"

namespace qel {
namespace {

TDialect Named(const std::string& Name, std::vector<std::string> Aliases, TDatabaseType Type) {
  TDialect D;
  D.Name = Name;
  D.Aliases = std::move(Aliases);
  D.DatabaseType = Type;
  return D;
}

TEST(DialectRegistry, RefusesATakenNameOrAlias) {
  TDialectList List;
  ASSERT_TRUE(List.Add(Named("postgresql", {"postgres"}, dbPostgreSQL)));
  const struct {
    TDialect D;
    bool Added;
  } Cases[] = {
      {Named("PostgreSQL", {}, dbMySQL), false},     // the name, in another case
      {Named("pg", {"Postgres"}, dbMySQL), false},   // an alias of the first
      {Named("postgres", {}, dbMySQL), false},       // the first's alias as a name
      {Named("", {}, dbMySQL), false},               // no name
      {Named("mysql", {"mariadb"}, dbMySQL), true},  // a new one
      {Named("pg15", {}, dbPostgreSQL), true},       // a second of one type
  };
  for (const auto& C : Cases) EXPECT_EQ(List.Add(C.D), C.Added) << C.D.Name;
  ASSERT_NE(List.Find("MariaDB"), nullptr);
  EXPECT_EQ(List.Find("MariaDB")->Name, "mysql");
  EXPECT_EQ(List.Find("pg"), nullptr);
  // A type's look-up keeps the first dialect added for it.
  EXPECT_EQ(List.Find(dbPostgreSQL)->Name, "postgresql");
  EXPECT_EQ(List.All().size(), 3u);
}

TEST(DialectRegistry, BuiltInDialectsHaveTheirPieces) {
  // The names the command line reads scripts of, and what each brings.
  for (const char* Name : {"postgresql", "postgres", "mysql", "mariadb", "db2", "firebird",
                           "interbase", "oracle", "sqlanywhere", "mssql", "sqlserver", "ase"}) {
    const TDialect* D = FindDialect(Name);
    ASSERT_NE(D, nullptr) << Name;
    EXPECT_EQ(FindDialect(D->DatabaseType), D) << Name;
    EXPECT_TRUE(D->QuoteIdent && D->MakeScriptExtractor && D->MakeCatalogExtractor) << Name;
  }
  for (const char* Name : {"oledb", "msaccess", "paradox", "dbase"}) {
    const TDialect* D = FindDialect(Name);
    ASSERT_NE(D, nullptr) << Name;
    EXPECT_TRUE(D->ReadDataFields && !D->MakeScriptExtractor) << Name;
  }
  EXPECT_FALSE(RegisterDialect(Named("Oracle", {}, dbOracle)));
}

TEST(DialectRegistry, NamesAsTheServerTakesThem) {
  // Firebird folds an unquoted name the comparer keeps as written; the others take it as is.
  const struct {
    const char* Dialect;
    bool Column;
    std::string Name, Server;
  } Cases[] = {
      {"firebird", false, "Items", "\"ITEMS\""},
      {"firebird", false, "\"Items\"", "\"Items\""},
      {"firebird", false, "s.\"T\"", "\"S\".\"T\""},
      {"firebird", false, "my-table", "my-table"},  // not plain: kept as written
      {"firebird", false, "a.b.c", "a.b.c"},        // not a table name: unchanged
      {"firebird", true, "id", "ID"},
      {"firebird", true, "\"Id\"", "\"Id\""},
      {"postgresql", false, "Items", "Items"},
      {"mysql", true, "Id", "Id"},
  };
  for (const auto& C : Cases) {
    const TDialect* D = FindDialect(C.Dialect);
    ASSERT_NE(D, nullptr) << C.Dialect;
    const auto& Fold = C.Column ? D->ServerColumnName : D->ServerTableName;
    EXPECT_EQ(Fold ? Fold(C.Name) : C.Name, C.Server) << C.Dialect << " " << C.Name;
  }
}

TEST(DialectRegistry, CatalogQueriesOfATable) {
  const struct {
    const char* Dialect;
    std::vector<std::string> Parts;
    std::vector<bool> Quoted;
    std::string Exists, Keys;
  } Cases[] = {
      {"postgresql",
       {"S", "T"},
       {false, true},
       "select count(*) from pg_catalog.pg_class where oid = "
       "pg_catalog.to_regclass('s.\"T\"') and relkind in ('r', 'p', 'v', 'm', 'f')",
       "select a.attname from pg_catalog.pg_index i join pg_catalog.pg_attribute a on a.attrelid "
       "= i.indrelid and a.attnum = any(i.indkey) where i.indisprimary and i.indrelid = "
       "pg_catalog.to_regclass('s.\"T\"') order by "
       "pg_catalog.array_position(i.indkey::int2[], a.attnum)"},
      {"mysql",
       {"Items"},
       {false},
       "select count(*) from information_schema.tables where table_schema = database() and "
       "table_name = 'Items'",
       "select column_name from information_schema.key_column_usage where table_schema = "
       "database() and table_name = 'Items' and constraint_name = 'PRIMARY' order by "
       "ordinal_position"},
      {"mysql",
       {"db", "t"},
       {false, false},
       "select count(*) from information_schema.tables where table_schema = 'db' and "
       "table_name = 't'",
       "select column_name from information_schema.key_column_usage where table_schema = 'db' "
       "and table_name = 't' and constraint_name = 'PRIMARY' order by ordinal_position"},
      {"firebird",
       {"S", "T"},
       {true, true},
       "select count(*) from rdb$relations where rdb$relation_name = 'T' and 1 = 0",
       "select s.rdb$field_name from rdb$relation_constraints c join rdb$index_segments s on "
       "s.rdb$index_name = c.rdb$index_name where c.rdb$relation_name = 'T' and "
       "c.rdb$constraint_type = 'PRIMARY KEY' order by s.rdb$field_position"},
  };
  for (const auto& C : Cases) {
    const TDialect* D = FindDialect(C.Dialect);
    ASSERT_TRUE(D && D->TableCatalogSQL) << C.Dialect;
    const TTableCatalogSQL SQL = D->TableCatalogSQL(C.Parts, C.Quoted);
    EXPECT_EQ(SQL.Exists, C.Exists) << C.Dialect;
    EXPECT_EQ(SQL.Keys, C.Keys) << C.Dialect;
  }
  // The catalogs not read so: the comparer reports what is wrong with the table.
  for (const char* Name : {"oracle", "mssql", "db2", "oledb"})
    EXPECT_FALSE(FindDialect(Name)->TableCatalogSQL) << Name;
}

}  // namespace
}  // namespace qel
