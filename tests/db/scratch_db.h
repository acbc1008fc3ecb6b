// A database of a test's own on one of the servers, and the example program's URI of it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "Files.h"
#include "db_servers.h"

namespace qel::testing {

/// The example program's URI of database Db (for Firebird: a file path) on server S.
inline std::string URI(const TDbServer& S, const std::string& User, const std::string& Password,
                       const std::string& Host, const std::string& Db) {
  const char* Scheme = &S == &PgServer ? "postgresql" : &S == &MyServer ? "mysql" : "firebird";
  return std::string(Scheme) + "://" + User + ":" + Password + "@" + Host + ":" +
         Env(std::string(S.Prefix) + "PORT") + "/" + Db;
}

inline std::string URI(const TDbServer& S, const std::string& Db) {
  const std::string P = S.Prefix;
  return URI(S, Env(P + "USER"), Env(P + "PASSWORD"), Env(P + "HOST"), Db);
}

/// A database of its own on server S, made empty (a file beside the test database on Firebird).
class TScratchDatabase {
 public:
  TScratchDatabase(const TDbServer& S, const std::string& Name) : FServer(S), FAdmin(S) {
    EXPECT_TRUE(FAdmin.Connect().empty());
    if (&S == &FbServer) {
      FName = ExtractFilePath(Env("QEL_FB_DATABASE")) + Name + ".fdb";
      std::remove(FName.c_str());
      TServerConnection New(S);
      EXPECT_TRUE(New.Configure().empty());
      New.C->GetConnectionOptions().SetDatabaseName(FName);
      EXPECT_TRUE(New.C->CreateDatabase()) << (New.Errors.empty() ? "" : New.Errors[0]);
    } else {
      FName = Name;
      FAdmin.ExecIgnoringError("drop database " + FName);
      FAdmin.Exec("create database " + FName);
    }
  }
  ~TScratchDatabase() {
    if (&FServer == &FbServer)
      std::remove(FName.c_str());
    else
      FAdmin.ExecIgnoringError("drop database " + FName);
  }
  /// A new connection to the database, connected.
  std::unique_ptr<TServerConnection> Connect() const {
    auto C = std::make_unique<TServerConnection>(FServer);
    EXPECT_TRUE(C->Configure().empty());
    C->C->GetConnectionOptions().SetDatabaseName(FName);
    C->C->SetConnected(true);
    EXPECT_TRUE(C->C->GetConnected()) << C->C->GetLastError();
    return C;
  }
  const std::string& Name() const { return FName; }

 private:
  const TDbServer& FServer;
  TServerConnection FAdmin;
  std::string FName;
};

}  // namespace qel::testing
