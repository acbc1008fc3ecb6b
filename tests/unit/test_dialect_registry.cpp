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

}  // namespace
}  // namespace qel
