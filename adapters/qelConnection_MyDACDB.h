// The MySQL/MariaDB adapter over the MariaDB client library, registered under cnMyDAC.
// Including this header registers it (as "MyDAC"); RegisterMyDACConnection does the same.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

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
  /// The longest statement text to send: well under the server's max_allowed_packet, asked
  /// once per connection.
  std::size_t StatementLimit();
  /// True when the table Name (as written in a statement) keeps transactions; asked once per
  /// table and connection.
  bool KeepsTransactions(const std::string& Name);

  // A streamed result holds the connection until its last row is read: the client cannot send
  // another statement before. So any other use of the connection first reads the rest of it
  // into its query's memory (Settle); the reader does not notice, but memory grows with what
  // is left of the result.

  /// Query streams its result now (nullptr: none does).
  void SetStreaming(TQELAdapterQuery* Query) { FStreaming = Query; }
  TQELAdapterQuery* GetStreaming() const { return FStreaming; }
  /// Frees the connection of a streamed result (see above).
  void Settle();
  /// Settle, and single statements again: what follows is one statement.
  void SettleForOne();
  /// Allows or stops multi-statement texts on the connection (asked of the server only when
  /// that changes).
  void MultiStatements(bool On);
  /// Query has sent statements ahead on this connection and not read their answer yet
  /// (nullptr: none has); Settle reads it before anything else is sent.
  void SetAhead(class TMyDACQuery* Query) { FAhead = Query; }
  class TMyDACQuery* Ahead() const {
    return FAhead;
  }

 protected:
  void Disconnect() override;
  void Connect() override;
  /// Shuts the connection's socket down.
  void CutConnection() override;

 private:
  st_mysql* FConn = nullptr;
  int FSocket = -1;  ///< FConn's socket, for CutConnection
  bool FInTransaction = false;
  bool FMultiStatements = false;
  std::size_t FStatementLimit = 0;
  std::map<std::string, bool> FKeepsTransactions;
  TQELAdapterQuery* FStreaming = nullptr;
  class TMyDACQuery* FAhead = nullptr;
};

/// A statement of a round trip: one queued statement, or consecutive row inserts into the same
/// columns written as one multi-row INSERT (items First .. First + Count - 1).
struct TRoundTripPart {
  std::string SQL;
  std::size_t First = 0;
  std::size_t Count = 1;
};

/// What a run of round-trip statements did.
struct TPartsRun {
  std::size_t Done = 0;  ///< statements that ran, from the first on
  bool Failed = false;   ///< the one after them failed (or, with all done, the COMMIT)
  std::string Error;
  unsigned Code = 0;                ///< the server's error number of the failure
  std::vector<std::size_t> Unmade;  ///< the parts the server says changed no row
};

/// Parameters are written into the statement as literals (strings escaped by the client
/// library for the session's character set, binary values as hexadecimal literals), so every
/// result comes back in the text protocol. A uni-directional query streams its result: the
/// rows come off the connection as the reader moves on. ExecSQL sends a large text or binary
/// value as a parameter of a prepared statement instead, in pieces from the value itself: as a
/// literal it would be copied into the statement, a binary one as hexadecimal digits of twice
/// its size.
class TMyDACQuery : public TQELAdapterQuery {
 public:
  explicit TMyDACQuery(TComponent* AOwner) : TQELAdapterQuery(AOwner) {}
  ~TMyDACQuery() override;

  /// Reads the answer to what was sent ahead, keeping it for TakeAhead; the connection is then
  /// free. Raises when the connection is lost.
  void FinishAhead();
  /// Forgets what was sent ahead (the connection closes under it).
  void DropAhead();
  void ExecSQL() override;

 protected:
  TSQLLexRules LexRules() const override;
  std::string ParamMarker(const TParam& Param, int Index, const std::string& Reference) override;
  bool ValuesInText() const override { return true; }
  void Execute(const std::string& SQL, const TBoundParams& Params, TQueryResult& Result) override;
  bool CanQueue() const override { return true; }
  TQueuedOutcome ExecuteQueued(const std::vector<TQueued>& Items) override;
  bool SendAhead(std::vector<TQueued>& Items) override;
  TQueuedOutcome TakeAhead() override;
  std::unique_ptr<TRowStream> OpenStream(const std::string& SQL, const TBoundParams& Params,
                                         std::vector<TResultColumn>& Columns) override;

 private:
  /// A round trip sent ahead: its items and parts until answered, then the answer.
  struct TAhead {
    std::vector<TQueued> Items;
    std::vector<TRoundTripPart> Parts;
    bool Own = false;
    bool Answered = false;
    TQueuedOutcome Outcome;
  };
  std::unique_ptr<TAhead> FAhead;
  /// Settles the connection for a round trip of Items and makes its parts; Own: it runs in a
  /// transaction of its own.
  std::vector<TRoundTripPart> RoundTripParts(TMyDACDatabase& Db, const std::vector<TQueued>& Items,
                                             bool& Own);
  /// The outcome of the items of a round trip whose answer R was read: a refused INSERT of
  /// several rows is run again row by row to find the refused row; with Own the round trip's
  /// transaction is ended.
  TQueuedOutcome Conclude(TMyDACDatabase& Db, const std::vector<TQueued>& Items,
                          std::vector<TRoundTripPart>& Parts, bool Own, TPartsRun R);
  /// Runs SQL, whose markers "?" stand for FLarge, as a prepared statement.
  void ExecutePrepared(const std::string& SQL, TQueryResult& Result);
  /// Within ExecSQL: large values become markers of a prepared statement.
  bool FPrepareLarge = false;
  /// The values the markers of the statement being bound stand for, in text order.
  std::vector<const TParam*> FLarge;
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
