// A connection adapter for tests that answers every statement from a fixture: each entry holds
// a statement's exact text and parameter values and what the server gave back (columns and
// rows, a row count, or an error). A statement the fixture does not hold fails the running
// test and raises EDatabaseError.
//
// Fixture files are text. The first line says where the answers come from ("# Written by
// hand" or "# Recorded from ..."); further "#" lines are comments. An entry is:
//
//   query<TAB>text
//   param<TAB>name<TAB>type<TAB>value        (one per distinct parameter, in order)
//   column<TAB>name<TAB>type<TAB>size        (one per result column)
//   row<TAB>value<TAB>value...               (one per result row)
//   affected<TAB>count                       (optional)
//   error<TAB>message                        (instead of columns and rows)
//   lost<TAB>message                         (an error that ends the connection)
//   end
//
// Values and texts are escaped: \\ \t \n \r, \xHH for other control bytes, \N alone for NULL.
// A file may also hold "connect-error<TAB>message": connecting then fails with that message.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "qelConnection_Base.h"

namespace qel::replay {

/// One recorded answer.
struct TReplayEntry {
  struct TValue {
    bool IsNull = true;
    std::string Data;
  };
  struct TParamKey {
    std::string Name;
    TFieldType DataType = ftUnknown;
    TValue Value;
  };
  std::string Text;
  std::vector<TParamKey> Params;
  std::vector<TResultColumn> Columns;
  std::vector<std::vector<TValue>> Rows;
  std::int64_t RowsAffected = -1;
  bool IsError = false;
  /// The error ends the connection, as a server restart or a network cut would.
  bool LosesConnection = false;
  std::string ErrorText;
};

/// The answers of one fixture.
class TReplayFixture {
 public:
  /// Parses fixture text; a malformed fixture or one whose header does not say where it
  /// comes from fails the running test.
  void LoadFromText(const std::string& Text, const std::string& SourceName);
  bool LoadFromFile(const std::string& FileName);

  const TReplayEntry* Find(const std::string& Text, const TBoundParams& Params) const;
  const std::vector<TReplayEntry>& Entries() const { return FEntries; }
  const std::string& ConnectError() const { return FConnectError; }
  bool HasConnectError() const { return FHasConnectError; }

  /// Connects made on databases answering from this fixture, on any thread.
  mutable std::atomic<int> Sessions{0};

 private:
  std::vector<TReplayEntry> FEntries;
  std::string FConnectError;
  bool FHasConnectError = false;
};

/// Escaping of fixture values.
std::string EscapeValue(const std::string& S);
std::string EscapeNullable(bool IsNull, const std::string& S);
/// Reverses EscapeValue; IsNull is set for "\N".
std::string UnescapeValue(const std::string& S, bool& IsNull);

/// The fixture entry for a query that has just been opened (its rows are read from first to
/// last, and it is left on its first row) or executed.
std::string RecordOpenedQuery(TQELAdapterQuery& Query);
std::string RecordError(TQELAdapterQuery& Query, const std::string& Message);

/// The database of one connection: its own statement log and transaction state.
class TReplayDatabase : public TQELDatabase {
 public:
  TReplayDatabase(TComponent* AOwner, std::shared_ptr<const TReplayFixture> Fixture)
      : TQELDatabase(AOwner), FFixture(std::move(Fixture)) {}

  bool GetConnected() const override { return FConnected && !GetConnectionLost(); }
  void SetConnected(bool Value) override;
  void StartTransaction() override;
  void Commit() override;
  void Rollback() override;
  bool InTransaction() const override { return FInTransaction && !GetConnectionLost(); }
  void ReConnect(const std::string& DatabaseName) override;

  /// Every statement text run on this database, and the transaction calls, in order.
  std::vector<std::string> Log;
  const TReplayFixture& Fixture() const { return *FFixture; }

 private:
  std::shared_ptr<const TReplayFixture> FFixture;  // outlives the adapter if need be
  bool FConnected = false;
  bool FInTransaction = false;
};

class TReplayQuery : public TQELAdapterQuery {
 public:
  explicit TReplayQuery(TComponent* AOwner, const TSQLLexRules& Rules)
      : TQELAdapterQuery(AOwner), FRules(Rules) {}

 protected:
  TSQLLexRules LexRules() const override { return FRules; }
  /// The reference stays as written, so the key is the statement's own text.
  std::string ParamMarker(const TParam& Param, int Index, const std::string& Reference) override;
  void Execute(const std::string& SQL, const TBoundParams& Params, TQueryResult& Result) override;

 private:
  TSQLLexRules FRules;
};

/// The adapter: serves ConnectionType from one fixture.
class TReplayConnection : public TQELAbstractConnection {
 public:
  TReplayConnection(TconnectionType ConnectionType, std::shared_ptr<TReplayFixture> Fixture,
                    TSQLLexRules Rules = TSQLLexRules());
  TQELDatabase* CreateDatabase(TComponent* AOwner) override;
  TQELQuery* CreateQuery(TComponent* AOwner) override;

 private:
  std::shared_ptr<TReplayFixture> FFixture;
  TSQLLexRules FRules;
};

/// Registers a replay adapter for the life of the object and removes it afterwards.
class TScopedReplayAdapter {
 public:
  TScopedReplayAdapter(const std::string& Name, TconnectionType ConnectionType,
                       std::shared_ptr<TReplayFixture> Fixture,
                       TSQLLexRules Rules = TSQLLexRules());
  TScopedReplayAdapter(const TScopedReplayAdapter&) = delete;
  TScopedReplayAdapter& operator=(const TScopedReplayAdapter&) = delete;
  ~TScopedReplayAdapter();
  TReplayConnection* Adapter() const { return FAdapter; }

 private:
  std::string FName;
  TReplayConnection* FAdapter = nullptr;
};

}  // namespace qel::replay
