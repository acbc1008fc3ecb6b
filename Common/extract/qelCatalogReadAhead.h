// The catalog of one side of a live comparison, read on a second connection of its own while
// the other side's catalog is read on the calling thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "qelDBEngine.h"

namespace qel {

/// Replaces the text of Query by Lines (one SQL line each) and opens it, as every catalog read
/// does; raises EDatabaseError when the query takes no text, and what opening raises.
void OpenQueryText(TQELQuery& Query, const std::vector<std::string>& Lines);

/// The catalog of the master side of a comparison, read on a second connection of its own
/// while the target's catalog is read on the calling thread. The comparer starts it before the
/// target's extraction; the target's extractor announces each catalog query it opens, and a
/// worker thread runs the same text on the master's database, in one read snapshot of its own,
/// and keeps the rows. Both sides of a comparison mostly ask the same queries, so by the time
/// the target is read most of the master is read too. The master's extractor then reads
/// through this object on the calling thread, in its usual order and with its usual events: a
/// query read ahead is answered from memory, any other one is run in the same snapshot then.
///
/// Use, all on one thread (the caller's), in two phases:
///
///   std::unique_ptr<TCatalogReadAhead> Ahead = TCatalogReadAhead::Start(MasterConnection);
///   // nullptr: read the master as without it. First phase: the other side is read, and
///   // each catalog query it opens is announced.
///   Ahead->Announce(Lines);
///   // Second phase: Serves ends the announcing; only when it says True is the master read
///   // through Ahead (CreateQuery or Read, then Commit when Snapshot() says so).
///   if (Ahead->Serves(MasterConnection)) { ... }
///   Ahead.reset();  // stops the worker and closes its connection, on every way out
///
/// A call out of its phase is a fault of the caller (asserted). The worker touches nothing but
/// its own connection, its queries and this object's state under the lock: no handler, no host
/// hook, no collection. Its connection is a copy of the master's (type, dialect and options)
/// without the host's handlers, made and freed on the calling thread. What the worker meets
/// (a refused query, a lost session) is kept and handed to the calling thread.
class TCatalogReadAhead {
 public:
  /// Starts reading ahead for Connection: opens the copy and its snapshot in a worker thread.
  /// nullptr when no copy can stand in for Connection: it is none of the adapter connections,
  /// or it has connect or disconnect handlers, host code that could change the settings or the
  /// session, and that must run as they do without a second connection. nullptr as well when
  /// no thread can be had.
  static std::unique_ptr<TCatalogReadAhead> Start(TQELCustomConnection* Connection);
  /// Stops the worker after the statement it runs and waits for it; an open snapshot is rolled
  /// back and the connection closed.
  ~TCatalogReadAhead();
  TCatalogReadAhead(const TCatalogReadAhead&) = delete;
  TCatalogReadAhead& operator=(const TCatalogReadAhead&) = delete;

  /// First phase: queues the query Lines (a catalog query of the other side) to be read
  /// ahead; never waits.
  void Announce(const std::vector<std::string>& Lines);
  /// Ends the first phase. Whether the snapshot may stand for a reading of Connection now: the
  /// connection reading was started for, with the same settings and still without connect or
  /// disconnect handlers; the session opened, and every query read ahead so far succeeded (a
  /// failed one spoils the server's transaction for the rest). Waits until every query
  /// announced is read.
  bool Serves(const TQELCustomConnection* Connection);
  /// Second phase: a query that reads through the snapshot (an extractor's work query): Open
  /// reads its text by Read; ExecSQL raises. Owned by the caller; must not outlive this object.
  std::unique_ptr<TQELQuery> CreateQuery();
  /// The session reads in a snapshot (StartReadSnapshot said so).
  bool Snapshot() const;
  /// Second phase: the rows of the query Lines in the snapshot: those read ahead, or read now.
  /// Raises EDatabaseError with the server's message when the server refused the query.
  TQueryResult Read(const std::vector<std::string>& Lines);
  /// Second phase: ends the snapshot; raises EDatabaseError with the server's message.
  void Commit();

 private:
  /// Where the worker's session is. The worker moves it on; the calling thread asks for the
  /// commit and the stop, and waits for what follows.
  enum class TSession {
    Opening,       ///< the worker opens the copy and its snapshot
    Idle,          ///< open, waiting for a read or the commit
    Reading,       ///< the worker runs a read, outside the lock
    Spoiled,       ///< a read failed: the server's transaction serves no more
    Committing,    ///< the calling thread asked for the end of the snapshot
    Committed,     ///< the snapshot ended
    CommitFailed,  ///< the server refused the commit (FCommitError says why)
    Stopping,      ///< the owner goes: the worker ends after what it runs
    Ended,         ///< the session could not open, or is closed
  };
  /// The calling thread's phase: announcing, then (from Serves on) reading through.
  enum class TPhase { Announcing, Serving };

  /// One query text, announced or asked for, and what the server answered.
  struct TRead {
    std::vector<std::string> Lines;
    /// Asked for by the extraction reading through, not only announced.
    bool Asked = false;
    bool Done = false;
    bool Failed = false;
    std::string Error;
    TQueryResult Result;
  };
  explicit TCatalogReadAhead(TQELCustomConnection& Connection);
  /// The worker: opens the session, then runs queued reads (and the commit) until stopped.
  void Work();
  /// Opens the copy and its snapshot (Snapshot tells whether it has one); False when it
  /// cannot.
  bool OpenSession(std::unique_ptr<TQELQuery>& Query, bool& Snapshot);
  /// Runs Lines on the worker's query, outside the lock, into Read.
  void RunRead(TQELQuery& Query, const std::vector<std::string>& Lines, TRead& Read);
  /// Runs the read of Key on the worker's thread and publishes what it gave under the lock;
  /// L holds the lock before and after.
  void ServeRead(std::unique_lock<std::mutex>& L, TQELQuery& Query, const std::string& Key);
  /// Ends the snapshot on the worker's thread and publishes the outcome; L as above.
  void ServeCommit(std::unique_lock<std::mutex>& L);
  /// Queues a read of Lines under Key unless it is queued or read already; the caller holds
  /// the lock. Asked puts it before what is only read ahead.
  void QueueLocked(const std::string& Key, const std::vector<std::string>& Lines, bool Asked);
  /// The session can answer no read any more; the caller holds the lock.
  bool OverLocked() const;

  const TQELCustomConnection* FSource;
  /// The copy, used by the worker alone between Start and the join.
  std::unique_ptr<TQELConnection> FCopy;
  /// The settings the copy was made with, for Serves.
  TConnectionOptions FOptions;
  TconnectionType FConnectionType;
  TDatabaseType FDatabaseType;
  TPhase FPhase = TPhase::Announcing;  // the calling thread's alone

  mutable std::mutex FLock;
  std::condition_variable FChanged;
  // Under FLock:
  TSession FState = TSession::Opening;
  bool FSnapshot = false;  // learnt while opening, published with the move out of Opening
  std::unordered_map<std::string, TRead> FReads;  // by the lines joined
  std::deque<std::string> FQueue;                 // keys still to read, in order
  std::string FCommitError;
  std::thread FWorker;
};

}  // namespace qel
