// Stopping a run of the example program with SIGINT or SIGTERM (Ctrl-C, kill).
#pragma once

#include <atomic>
#include <csignal>
#include <thread>

namespace varnel_cli {

/// While it lives, SIGINT and SIGTERM stop the run in order instead of killing the process.
/// Made first in main, before any thread starts: it blocks both signals in the calling thread,
/// so that every thread started later (the client libraries' included) leaves them to a
/// thread of its own, which waits for them with sigwait. No handler runs inside a client call
/// and none of the client libraries' own handlers gets to end the process from under it.
///
/// On the first signal that thread sets TerminateRunning for the work between statements. A
/// run that ends by itself once stopped (RunEndsWhenStopped) gets GraceSeconds to do so, the
/// answer to its round trip under way included. Otherwise, or when it has not ended by then,
/// the thread cuts every open connection (InterruptConnections): a statement under way, even
/// on a server that no longer answers, fails at once as on a lost connection, the run ends
/// with the messages of a lost connection, and no connection is opened after it. A second
/// signal, or a run that has not ended GraceSeconds after the cut, ends the process at once
/// with exit code 1 (what the servers hold is then what the cut connections left).
class TStopOnSignal {
 public:
  explicit TStopOnSignal(int GraceSeconds = 5);
  ~TStopOnSignal();
  TStopOnSignal(const TStopOnSignal&) = delete;
  TStopOnSignal& operator=(const TStopOnSignal&) = delete;

  /// The signal that stopped the run; 0 while none came.
  int Signal() const { return FSignal.load(); }
  /// "SIGINT", "SIGTERM" or "signal N".
  static const char* SignalName(int Signal);

 private:
  void Watch();

  sigset_t FSignals;
  const int FGraceSeconds;
  std::atomic<int> FSignal{0};
  std::atomic<bool> FDone{false};
  std::thread FThread;
};

}  // namespace varnel_cli
