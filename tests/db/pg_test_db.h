// Databases of their own on the throwaway PostgreSQL server for the tests that build one from a
// script: the test user may create databases (CREATEDB) and owns what it creates.
#pragma once

#include <exception>
#include <memory>
#include <string>

#include "db_servers.h"

namespace qel::testing {

/// A connection to Database (or, with Database empty, to the server's own test database) that
/// collects what it reports; the reason in Failure when it could not connect.
inline std::unique_ptr<TServerConnection> ConnectTo(const std::string& Database,
                                                    std::string& Failure) {
  auto Conn = std::make_unique<TServerConnection>(PgServer);
  Failure = Conn->Configure();
  if (!Failure.empty()) return Conn;
  if (!Database.empty()) Conn->C->GetConnectionOptions().SetDatabaseName(Database);
  Conn->C->SetConnected(true);
  if (!Conn->C->GetConnected())
    Failure = "Cannot reach the " + Conn->Where() + ": " + Conn->C->GetLastError();
  return Conn;
}

/// Makes Database afresh and runs Script in it, then Super, which needs a superuser and is
/// left out when the test user is none; the reason when that failed.
inline std::string BuildDatabase(const std::string& Database, const std::string& Script,
                                 const std::string& Super = std::string()) {
  std::string Failure;
  auto Admin = ConnectTo("", Failure);
  if (!Failure.empty()) return Failure;
  try {
    Admin->Exec("drop database if exists " + Database);
    Admin->Exec("create database " + Database);
    auto Db = ConnectTo(Database, Failure);
    if (!Failure.empty()) return Failure;
    Db->Exec(Script);
    if (!Super.empty()) Db->ExecIgnoringError(Super);
  } catch (const std::exception& E) {
    return std::string("Cannot build database ") + Database + ": " + E.what();
  }
  return std::string();
}

/// Runs Script in Database; the reason when it could not connect or the script failed.
inline std::string RunScript(const std::string& Database, const std::string& Script) {
  std::string Failure;
  auto Db = ConnectTo(Database, Failure);
  if (!Failure.empty()) return Failure;
  try {
    Db->Exec(Script);
  } catch (const std::exception& E) {
    return std::string("The script failed: ") + E.what();
  }
  return std::string();
}

inline void DropDatabase(const std::string& Database) {
  std::string Failure;
  auto Admin = ConnectTo("", Failure);
  if (Failure.empty()) Admin->ExecIgnoringError("drop database if exists " + Database);
}

}  // namespace qel::testing
