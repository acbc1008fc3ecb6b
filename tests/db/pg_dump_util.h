// Scripts run through psql and schemas compared by pg_dump, as a user of the example program
// would run and check them, for the tests on the throwaway PostgreSQL server. psql and pg_dump
// find the server through the libpq variables that ExportPgConnection sets.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "db_servers.h"

namespace qel::testing {

/// Single-quoted for the shell.
inline std::string ShellQuoted(const std::string& S) {
  std::string R = "'";
  for (char C : S) R += C == '\'' ? std::string("'\\''") : std::string(1, C);
  return R + "'";
}

/// Runs Command through the shell; its exit code, and what it wrote to standard output and
/// standard error in Output.
inline int Shell(const std::string& Command, std::string& Output) {
  Output.clear();
  FILE* P = popen((Command + " 2>&1").c_str(), "r");
  if (!P) return -1;
  std::array<char, 4096> Buf{};
  for (std::size_t N; (N = std::fread(Buf.data(), 1, Buf.size(), P)) > 0;)
    Output.append(Buf.data(), N);
  const int Status = pclose(P);
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

inline std::string ReadFile(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

/// psql and pg_dump reach the test server through the libpq variables.
inline void ExportPgConnection() {
  setenv("PGHOST", Env("QEL_PG_HOST").c_str(), 1);
  setenv("PGPORT", Env("QEL_PG_PORT").c_str(), 1);
  setenv("PGUSER", Env("QEL_PG_USER").c_str(), 1);
  setenv("PGPASSWORD", Env("QEL_PG_PASSWORD").c_str(), 1);
  setenv("PGCONNECT_TIMEOUT", "10", 1);
  unsetenv("PGSERVICE");
  unsetenv("PGOPTIONS");
}

/// Runs a script file in a PostgreSQL database, in one transaction, stopping at the first error.
inline int Psql(const std::string& Database, const std::string& File, std::string& Output) {
  return Shell(
      "psql -X -q -1 -v ON_ERROR_STOP=1 -d " + ShellQuoted(Database) + " -f " + ShellQuoted(File),
      Output);
}

/// The schema of Database as pg_dump writes it, normalised: comments, SET lines, the dump's
/// session settings and blank lines dropped; then cut into statements and sorted, since the
/// order in which pg_dump lists objects follows their creation where dependencies allow, and
/// says nothing about the schema. Within a statement (the columns of a table) order stays.
inline std::vector<std::string> DumpSchema(const std::string& Database, std::string& Failure) {
  std::string Dump;
  if (Shell("pg_dump --schema-only --no-privileges -d " + ShellQuoted(Database), Dump) != 0) {
    Failure = "pg_dump " + Database + " failed: " + Dump;
    return {};
  }
  std::vector<std::string> Statements;
  std::string Cur;
  std::istringstream In(Dump);
  for (std::string L; std::getline(In, L);) {
    if (L.empty() || L.rfind("--", 0) == 0 || L.rfind("SET ", 0) == 0 ||
        L.rfind("SELECT pg_catalog.set_config(", 0) == 0 || L.rfind("\\restrict ", 0) == 0 ||
        L.rfind("\\unrestrict ", 0) == 0)
      continue;
    // The parser and the catalog extractor both read a default of now() as current_timestamp,
    // so that a script and a catalog compare equal; the server keeps the two spellings of the
    // same call apart.
    for (std::size_t P; (P = L.find("DEFAULT now()")) != std::string::npos;)
      L.replace(P, 13, "DEFAULT CURRENT_TIMESTAMP");
    Cur += L + "\n";
    if (L.back() == ';') {
      Statements.push_back(Cur);
      Cur.clear();
    }
  }
  if (!Cur.empty()) Statements.push_back(Cur);
  std::sort(Statements.begin(), Statements.end());
  return Statements;
}

/// The statements of A that B lacks, each once.
inline std::string Missing(const std::vector<std::string>& A, const std::vector<std::string>& B) {
  std::vector<std::string> D;
  std::set_difference(A.begin(), A.end(), B.begin(), B.end(), std::back_inserter(D));
  std::string R;
  for (const std::string& S : D) R += S;
  return R;
}

/// A suite that builds databases on the PostgreSQL server and runs psql and pg_dump on them:
/// one administrator connection for the whole suite (Reach, the reason it could not connect)
/// and the libpq variables set for the tools.
template <class Base = ::testing::Test>
class TPGToolSuite : public Base {
 protected:
  static void SetUpTestSuite() {
    ExportPgConnection();
    Admin = std::make_unique<TServerConnection>(PgServer);
    Reach = Admin->Connect();
  }
  /// Drops the suite's Databases and closes the connection.
  static void DropAndDisconnect(std::initializer_list<std::string> Databases) {
    if (Admin && Reach.empty())
      for (const std::string& D : Databases)
        Admin->ExecIgnoringError("drop database if exists " + D);
    Admin.reset();
  }
  /// Makes Name afresh, empty.
  static void FreshDatabase(const std::string& Name) {
    Admin->Exec("drop database if exists " + Name);
    Admin->Exec("create database " + Name);
  }

  static inline std::unique_ptr<TServerConnection> Admin;
  static inline std::string Reach;
};

}  // namespace qel::testing
