// The MySQL/MariaDB adapter over the MariaDB client library, registered under cnMyDAC.
// Including this header registers it (as "MyDAC"); RegisterMyDACConnection does the same.
#pragma once

#include <string>

#include "qelConnection_Base.h"

struct st_mysql;

namespace qel {

/// One MySQL/MariaDB connection (session character set utf8mb4, autocommit on).
class TMyDACDatabase : public TQELAdapterDatabase {
 public:
  explicit TMyDACDatabase(TComponent* AOwner) : TQELAdapterDatabase(AOwner) {}
  ~TMyDACDatabase() override;

  /// False once the server has ended the connection (GetLostReason says why).
  bool GetConnected() const override { return FConn != nullptr && !GetConnectionLost(); }
  void StartTransaction() override;
  void Commit() override;
  void Rollback() override;
  /// True between StartTransaction and Commit or Rollback, unless the server ended the
  /// transaction itself (a DDL statement commits implicitly).
  bool InTransaction() const override;

  st_mysql* Handle() const { return FConn; }
  /// Runs one statement and discards any result; raises EDatabaseError with the server's
  /// message.
  void ExecCommand(const std::string& SQL);

 protected:
  void Disconnect() override;
  void Connect() override;

 private:
  st_mysql* FConn = nullptr;
  bool FInTransaction = false;
};

/// Parameters are written into the statement as literals (strings escaped by the client
/// library for the session's character set, binary values as hexadecimal literals), so every
/// result comes back in the text protocol.
class TMyDACQuery : public TQELAdapterQuery {
 public:
  explicit TMyDACQuery(TComponent* AOwner) : TQELAdapterQuery(AOwner) {}

 protected:
  TSQLLexRules LexRules() const override;
  std::string ParamMarker(const TParam& Param, int Index, const std::string& Reference) override;
  void Execute(const std::string& SQL, const TBoundParams& Params, TQueryResult& Result) override;
};

class TMyDACConnection : public TQELAdapterConnection<TMyDACDatabase, TMyDACQuery> {
 public:
  explicit TMyDACConnection(TComponent* AOwner = nullptr);

 protected:
  /// CREATE DATABASE on the server named by the connection's options.
  void CreateNamedDatabase(const TConnectionOptions& Options) override;
};

/// Registers the adapter as "MyDAC"; False when that name is taken.
bool RegisterMyDACConnection();

/// Registration by inclusion, as a unit that registers itself when it is initialised.
inline bool qelConnection_MyDACDB_Registered = RegisterMyDACConnection();

}  // namespace qel
