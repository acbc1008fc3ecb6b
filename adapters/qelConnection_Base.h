// What the connection adapters share: the query that keeps its statement text, parameters and
// result rows, and the scanner that finds ":name" parameter references in SQL text the way
// each server's lexer would (string literals, quoted names, comments, PostgreSQL dollar
// quoting and "::" casts are never taken for parameters).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "DataSet.h"
#include "Strings.h"
#include "qelDBEngine.h"

namespace qel {

/// The lexical rules of one server's SQL that matter when looking for parameters.
struct TSQLLexRules {
  bool DollarQuotes = false;      ///< $tag$ ... $tag$ bodies (PostgreSQL)
  bool EStrings = false;          ///< E'...' literals with backslash escapes (PostgreSQL)
  bool BackslashEscapes = false;  ///< backslash escapes in every literal (MySQL)
  bool BacktickQuotes = false;    ///< `name` (MySQL)
  bool HashComments = false;      ///< # to the end of the line (MySQL)
};

/// Gives the text that replaces the reference to parameter Name.
using TParamMarkerFunc = std::function<std::string(const std::string& Name)>;

/// SQL with every ":name" reference outside literals and comments replaced by Marker(name).
/// A name starts with a letter or "_" and goes on with letters, digits and "_"; a colon right
/// after a name or number character (10:30, a:b) and a double colon are left alone.
std::string ReplaceParamRefs(const std::string& SQL, const TSQLLexRules& Rules,
                             const TParamMarkerFunc& Marker);

/// The parameter values of one run, in the order the server wants them.
struct TBoundParams {
  /// Each referenced parameter once, in order of first reference.
  std::vector<const TParam*> Distinct;
  /// Every reference in text order (a parameter used twice appears twice).
  std::vector<const TParam*> Refs;
};

/// The rows of one result as the server sends them, read one at a time. Letting it go frees
/// what it holds of the connection.
class TRowStream {
 public:
  virtual ~TRowStream() = default;
  /// Reads the next row into Row (one value per column); False after the last one. Raises
  /// EDatabaseError when the server or the connection fails on the way.
  virtual bool Fetch(TDataSet::TRecord& Row) = 0;
  /// True when FetchAhead may read rows on a thread of its own while the reader works on the
  /// rows before them.
  virtual bool ReadsAhead() const { return false; }
  /// Reads the next row as Fetch does, touching nothing but the stream's own result: no state
  /// of the database, no message. False at the end, after a failure, or where the stream does
  /// not read ahead; Fetch then goes on from there and reports the end or the failure. Row
  /// may hold the values of an earlier row, whose buffers it reuses.
  virtual bool FetchAhead(TDataSet::TRecord& Row) {
    (void)Row;
    return false;
  }
  /// On the caller's thread, after a run of FetchAhead calls: takes off the connection what
  /// they asked the server for and left coming, so that the connection can serve another
  /// statement. Until then the server may work on the next rows while nobody waits for them.
  virtual void Release() {}
};

class TQELAdapterDatabase;

/// The next block of a stream, read by FetchAhead on a thread of its own while the reader
/// works on the block before it. Started, joined and taken on the reader's thread; between
/// Start and the join the thread alone touches the stream and the rows kept here, and a failure
/// it meets is kept after the rows read before it, to be raised in that order.
class TBlockReadAhead {
 public:
  using TRecords = std::vector<TDataSet::TRecord>;
  /// What a block read ahead gave.
  struct TBlock {
    std::size_t Count = 0;     ///< rows read, at the front of the records handed back
    bool Stopped = false;      ///< FetchAhead gave up before a block's worth: Fetch goes on
    std::exception_ptr Error;  ///< what FetchAhead raised after those rows
  };

  TBlockReadAhead() = default;
  TBlockReadAhead(const TBlockReadAhead&) = delete;
  TBlockReadAhead& operator=(const TBlockReadAhead&) = delete;
  ~TBlockReadAhead() { Join(); }

  /// Starts reading up to a block's worth of rows of Stream (about Bytes of values, at most
  /// MaxRows rows) into the records kept here, whose buffers serve again. False, with nothing
  /// started, when no thread can be had.
  bool Start(TRowStream& Stream, std::size_t Bytes, std::size_t MaxRows);
  /// A block was started and not yet taken (it is being read, or read and waiting).
  bool Pending() const { return FState != TState::Idle; }
  /// Waits until the block being read is read (nothing when none is).
  void Join();
  /// Waits for the block and hands it over: its rows go to Rows, whose records stay here as
  /// the storage of the next block.
  TBlock Take(TRecords& Rows);
  /// Forgets a block read and not taken.
  void Discard();
  /// The records the next block is read into (kept from block to block).
  std::size_t Storage() const { return FRows.size(); }

 private:
  enum class TState { Idle, Reading, Read };
  /// On the thread: fills FRows and FBlock.
  void Run(TRowStream& Stream, std::size_t Bytes, std::size_t MaxRows);

  TState FState = TState::Idle;
  std::future<void> FThread;
  TRecords FRows;
  TBlock FBlock;
};

/// A query that holds its statement text, parameters and the rows of its last result. An
/// adapter supplies its lexical rules, its marker text and Execute; one that can read a result
/// row by row supplies OpenStream, and a uni-directional query then holds one block of rows
/// at a time.
class TQELAdapterQuery : public TQELRowsQuery {
 public:
  explicit TQELAdapterQuery(TComponent* AOwner);
  ~TQELAdapterQuery() override;

  TStrings* GetSQL() override;
  /// Keeps Text as it is for the server; GetSQL() shows it as lines. A later change through
  /// GetSQL() replaces it.
  void SetSQLText(const std::string& Text) override;
  /// Switching checking on reads the parameters from the text again.
  void SetParamCheck(bool Value) override;
  bool GetParamCheck() const override { return FParamCheck; }
  TParams* GetParams() override { return &FParams; }
  /// Runs the statement without keeping rows; raises EDatabaseError on failure.
  void ExecSQL() override;
  /// A statement held back by QueueExecSQL: the text to send (markers in place) and copies of
  /// the values bound to it, in the order of Distinct.
  struct TQueued {
    std::uint64_t Tag = 0;
    /// The text; the rows of one statement form share one.
    std::shared_ptr<const std::string> Text;
    std::vector<TParam> Values;
    const std::string& Sent() const { return *Text; }
    TBoundParams Bound() const;
  };
  bool CanQueue() const override { return false; }
  std::uint64_t QueueExecSQL() override;
  std::size_t QueuedCount() const override { return FQueue.size(); }
  void DropQueued() override { FQueue.clear(); }
  TQueuedOutcome ExecQueued() override;
  TQueuedOutcome SendQueued() override;
  TQueuedOutcome TakeSentAhead() override;
  TParam* ParamByName(const std::string& Name) override { return FParams.ParamByName(Name); }
  /// Statements are prepared by the server when they run.
  void Prepare() override {}

  /// The statement text: as given to SetSQLText, else the lines joined by CR LF.
  std::string SQLText() const;
  /// Rows changed by the last ExecSQL; -1 when the server did not say.
  std::int64_t RowsAffected() const override { return FRowsAffected; }

  /// Reads every row of the open stream that is still to come into memory and lets the stream
  /// go, so that its connection is free for another statement; the reader goes on from where
  /// it was. Nothing happens without a stream.
  void SpillStream();
  /// Lets the stream go without reading on (the connection is closing); the rows held stay.
  void DropStream();
  /// The most rows any adapter query held at once (a block and what was spilled) since the
  /// last reset: how a test sees that a large result was read a block at a time.
  static std::size_t PeakHeldRows();
  static void ResetPeakHeldRows();
  /// Waits until the block being read ahead on a thread of its own is read; what it read (or
  /// the failure it met) is kept for the reader.
  void JoinReadAhead();

 protected:
  virtual TSQLLexRules LexRules() const = 0;
  /// The text standing for Reference (the name as written) to Param, the Index-th distinct
  /// parameter (from 0).
  virtual std::string ParamMarker(const TParam& Param, int Index, const std::string& Reference) = 0;
  /// True when ParamMarker writes the values into the text as literals: a queued statement
  /// then needs no copy of them.
  virtual bool ValuesInText() const { return false; }
  /// Sends Items to the server and returns before it answers, where the adapter can: True, and
  /// Items are the adapter's. False: nothing was sent (they then run through ExecuteQueued).
  virtual bool SendAhead(std::vector<TQueued>& Items) {
    (void)Items;
    return false;
  }
  /// Called with the items about to go ahead before the answer to those sent ahead before is
  /// awaited: what the adapter can make of them without the connection is made meanwhile.
  virtual void PrepareAhead(const std::vector<TQueued>& Items) { (void)Items; }
  /// The answer to what SendAhead sent, read now when it has not been yet, counted from its
  /// first item; nothing done when nothing was sent ahead.
  virtual TQueuedOutcome TakeAhead() { return {}; }
  /// Runs Items as ExecQueued promises; called only where CanQueue is True.
  virtual TQueuedOutcome ExecuteQueued(const std::vector<TQueued>& Items) {
    (void)Items;
    return {};
  }
  /// Sends SQL (markers in place) with the values to the server and fills Result.
  virtual void Execute(const std::string& SQL, const TBoundParams& Params,
                       TQueryResult& Result) = 0;
  /// SQL with every parameter reference replaced by Marker(the name as written), called in
  /// text order; by default the references ReplaceParamRefs finds under LexRules().
  virtual std::string ReplaceRefs(const std::string& SQL, const TParamMarkerFunc& Marker) const;

  /// The adapter's database, cast; raises EDatabaseError when the query has none or it is
  /// not connected.
  template <typename TDb>
  TDb& ConnectedDatabase() const {
    auto* Db = dynamic_cast<TDb*>(GetDatabase());
    if (!Db) throw EDatabaseError("The query has no database of its adapter.");
    if (Db->GetConnectionLost()) throw EDatabaseError(Db->GetLostReason());
    if (!Db->GetConnected()) throw EDatabaseError("Not connected to database.");
    return *Db;
  }

  /// Runs SQL (markers in place) with the values, its result to be read as a stream of rows,
  /// and fills Columns; nullptr, without running anything, when the adapter reads results
  /// whole (then Execute runs it). Asked for uni-directional opens only.
  virtual std::unique_ptr<TRowStream> OpenStream(const std::string& SQL, const TBoundParams& Params,
                                                 std::vector<TResultColumn>& Columns) {
    (void)SQL;
    (void)Params;
    (void)Columns;
    return nullptr;
  }

  void InternalOpen() override;
  void InternalClose() override;
  /// Past the last row of a block, the next block of the stream takes its place.
  TGetResult GetRecord(TGetMode GetMode) override;

 private:
  /// ExecQueued (Wait) or SendQueued.
  TQueuedOutcome RunQueue(bool Wait);
  /// The answer to what went ahead, its positions told as tags too.
  TQueuedOutcome TakeAheadTagged();
  /// The statement text: the one given to SetSQLText, else the lines joined into Joined.
  const std::string& TextInPlace(std::string& Joined) const;
  /// Waits for the block the database reads ahead on a thread of its own, if any.
  void AwaitDatabaseReadAhead();
  /// Reads the parameter names from the text when checking is on, keeping the values of the
  /// parameters that stay.
  void SQLChanged();
  /// The text to send (markers in place) and the values bound to it.
  void Bind(std::string& Sent, TBoundParams& Bound);
  /// The statement text cut at its parameter references, kept while the text and the
  /// parameters stay, so that a statement run again with other values (a row after row) is not
  /// scanned again: Pieces[0], marker 0, Pieces[1], ... marker N-1, Pieces[N].
  struct TBindPlan {
    std::string Text;
    std::uint64_t Generation = 0;  ///< of FParams when made
    bool Valid = false;
    std::vector<std::string> Pieces;
    std::vector<std::string> Names;  ///< each reference as written
    std::vector<const TParam*> Refs;
    std::vector<int> Index;  ///< of each reference among the distinct parameters
    std::vector<const TParam*> Distinct;
  };
  /// True when FPlan was made from Text and the parameters it points at are still there.
  bool PlanFits(const std::string& Text) const;
  /// Makes FPlan from Text; it stays invalid when the references cannot be cut out.
  void MakePlan(const std::string& Text);
  void Run(TQueryResult& Result);
  /// Replaces the rows held by the next block: about 512 KiB of values from what was spilled,
  /// else from the stream (let go after its last row).
  void FillBlock();
  void EndStream();
  /// Starts reading the next block on a thread of its own, when the stream can; the rows it may
  /// hold, counted before the thread starts.
  std::size_t StartReadAhead();
  /// Before this query uses the connection on the caller's thread: another query's reading
  /// ahead is finished and released (this query's own stream knows what it left coming).
  void ClaimConnection();
  /// Takes the block read ahead: its rows go to Rows (N of them), its failure to FLateError.
  /// True when Fetch goes on after them.
  bool TakeReadAhead(std::vector<TDataSet::TRecord>& Rows, std::size_t& N);
  /// Moves the block read ahead to the front of FSpilled (its rows come first).
  void SpillReadAhead();
  /// Raises FLateError, once, with no rows held.
  [[noreturn]] void RaiseLateError();

  friend class TQELAdapterDatabase;  // releases the stream's connection for another statement
  std::unique_ptr<TRowStream> FStream;
  std::vector<TDataSet::TRecord> FSpilled;  // rows read ahead to free the connection
  std::size_t FSpillPos = 0;
  TBlockReadAhead FAhead;                   // the next block, read while the reader works
  TQELAdapterDatabase* FAheadDb = nullptr;  // whose connection the thread uses
  std::exception_ptr FLateError;  // a failure after the rows of the block held, raised after them

  TStringList FSQL;
  std::string FRawSQL;         // the text of SetSQLText, while FSQL holds it as lines
  bool FLinesPending = false;  // FSQL is still to be made from FRawSQL
  bool FHasRawSQL = false;
  bool FSettingRawSQL = false;
  TParams FParams;
  TBindPlan FPlan;
  std::vector<TQueued> FQueue;
  /// What QueueExecSQL binds into, kept from row to row; the text of the last statement queued.
  std::string FQueueSent;
  TBoundParams FQueueBound;
  std::shared_ptr<const std::string> FQueueText;
  std::uint64_t FLastTag = 0;
  std::vector<std::uint64_t> FAheadTags;  // of the statements sent ahead, not yet answered
  bool FParamCheck = true;
  std::int64_t FRowsAffected = -1;
};

/// Stops every adapter connection of the process, from any thread (a signal watcher's): each
/// open one is cut under the caller's feet (its socket shut down, or the client's own abort),
/// so that a statement waiting on it, even on a server that no longer answers, returns at once
/// as after a lost connection, with Reason as the client's reason; and none is opened from
/// now on. The servers roll back what was not committed, as for a lost connection.
void InterruptConnections(const std::string& Reason);
/// True once InterruptConnections was called.
bool ConnectionsInterrupted();

/// The database of an adapter: connecting again and reaching the connection's options.
class TQELAdapterDatabase : public TQELDatabase {
 public:
  explicit TQELAdapterDatabase(TComponent* AOwner) : TQELDatabase(AOwner) {}
  ~TQELAdapterDatabase() override;

  /// Off closes the connection. On opens one when there is none; a connection the server has
  /// ended counts as none and is closed first. Raises EDatabaseError when the server refuses,
  /// and after InterruptConnections.
  void SetConnected(bool Value) override;
  /// Disconnects, takes DatabaseName (when given) into the connection's options and connects.
  void ReConnect(const std::string& DatabaseName) override;
  /// The text to raise for a failure the client reported: the reason of a cut connection
  /// (InterruptConnections) rather than the client's words for the closed socket.
  std::string FailureText(const std::string& ClientText) const {
    return GetInterrupted() ? GetLostReason() : ClientText;
  }
  /// Raises EDatabaseError for a call that needs the connection: the client's reason when the
  /// connection was lost, else "Not connected to database.".
  [[noreturn]] void RaiseNotConnected() const;
  /// Waits for the block a query reads ahead on this connection, if any, and has its stream
  /// release the connection: every other use of the connection comes after it. At most one
  /// query reads ahead on a connection at a time. Runs on the caller's thread only, and may
  /// hand what the connection held meanwhile to host code (ReadAheadEnded).
  void AwaitReadAhead();

 protected:
  /// The options of the connection component; raises EDatabaseError when there is none.
  const TConnectionOptions& ConnectOptions() const;
  /// Closes the connection, if any, and forgets a loss; never raises.
  virtual void Disconnect() = 0;
  /// Opens a new connection with ConnectOptions(); raises EDatabaseError on failure.
  virtual void Connect() = 0;
  /// Around a block read ahead on another thread, called on the caller's: what the connection
  /// would hand to host code meanwhile (a server notice) waits for ReadAheadEnded.
  virtual void ReadAheadBegins() {}
  virtual void ReadAheadEnded() {}
  /// Cuts the open connection from another thread (InterruptConnections): whatever waits on
  /// it returns with an error at once. Runs under the lock that Unregister takes, so it touches
  /// only what stays fixed while the connection is open (a socket, a handle).
  virtual void CutConnection() {}
  /// Called by Disconnect before it closes the connection: no other thread cuts it from then.
  void Unregister();
  /// A query's block is read ahead on this connection (or read and not yet released): the
  /// connection's own state belongs to that thread until AwaitReadAhead. Getters that must not
  /// wait answer from what holds while a cursor is open instead.
  bool ReadingAhead() const { return FReadingAhead != nullptr; }

 private:
  friend class TQELAdapterQuery;
  friend void InterruptConnections(const std::string& Reason);  // cuts each connection
  TQELAdapterQuery* FReadingAhead = nullptr;
};

/// The connection component of an adapter whose database and query classes are TDb and TQuery.
template <typename TDb, typename TQuery>
class TQELAdapterConnection : public TQELAbstractConnection {
 public:
  TQELAdapterConnection(TComponent* AOwner, TconnectionType Type) : TQELAbstractConnection(AOwner) {
    SetConnectionType(Type);
  }
  TQELDatabase* CreateDatabase(TComponent* AOwner) override { return new TDb(AOwner); }
  TQELQuery* CreateQuery(TComponent* AOwner) override { return new TQuery(AOwner); }
  /// Creates the database the calling connection's options name; a missing name and the
  /// server's refusal are reported, and False returned.
  bool Create_Database() override {
    TQELCustomConnection* C = GetConnection();
    if (!C) return false;
    const TConnectionOptions& O = C->GetConnectionOptions();
    if (O.GetDatabaseName().empty()) {
      DoErrorMessage("No database name to create.");
      return false;
    }
    try {
      CreateNamedDatabase(O);
      return true;
    } catch (const EDatabaseError& E) {
      DoErrorMessage(E.what());
      return false;
    }
  }

 protected:
  /// Creates the database named in Options on its server; raises EDatabaseError on failure.
  virtual void CreateNamedDatabase(const TConnectionOptions& Options) = 0;
};

/// Registers a new TAdapter under Name; False when that name is taken.
template <typename TAdapter>
bool RegisterAdapterConnection(const std::string& Name) {
  auto Adapter = std::make_unique<TAdapter>();
  if (!RegisterConnection(Name, Adapter.get())) return false;
  (void)Adapter.release();  // the registry owns it now
  return true;
}

}  // namespace qel
