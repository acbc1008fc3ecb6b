// Stopping a run of the example program with SIGINT or SIGTERM: a thread of its own takes the
// signals and cuts the run's connections (see varnel_stop.h).
#include "varnel_stop.h"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "qelCompObj.h"
#include "qelConnection_Base.h"
#include "varnel_cli_util.h"

namespace varnel_cli {

TStopOnSignal::TStopOnSignal(int GraceSeconds) : FGraceSeconds(GraceSeconds) {
  sigemptyset(&FSignals);
  sigaddset(&FSignals, SIGINT);
  sigaddset(&FSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &FSignals, nullptr);
  FThread = std::thread([this] { Watch(); });
}

TStopOnSignal::~TStopOnSignal() {
  FDone = true;
  // Wakes the thread from its wait; it sees FDone and ends. The signals stay blocked: the
  // process is about to end, and a late Ctrl-C must not kill it half way through its exit.
  pthread_kill(FThread.native_handle(), SIGTERM);
  FThread.join();
}

const char* TStopOnSignal::SignalName(int Signal) {
  switch (Signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    default:
      return "a signal";
  }
}

void TStopOnSignal::Watch() {
  int Sig = 0;
  while (sigwait(&FSignals, &Sig) != 0) {
  }
  if (FDone.load()) return;
  FSignal = Sig;
  StopSignal() = Sig;
  // Waits a while for the run to end: 1 when it ended, 0 when the time passed, -1 when a
  // second signal came.
  auto Await = [this](int Seconds) {
    timespec Wait{Seconds, 0};
    for (;;) {
      const int Got = sigtimedwait(&FSignals, nullptr, &Wait);
      if (FDone.load()) return 1;
      if (Got < 0 && errno == EINTR) continue;
      return Got < 0 ? 0 : -1;
    }
  };
  // A run that stops by itself between round trips gets the answer to the one under way, so
  // that it can say what the target keeps; a server that does not answer gets its connection
  // cut as any other.
  int Ended = 0;
  if (RunEndsWhenStopped().load()) {
    qel::TerminateRunning = true;
    Ended = Await(FGraceSeconds);
  }
  if (Ended == 0) {
    qel::InterruptConnections(std::string("the run was stopped by ") + SignalName(Sig) +
                              ", and the connection closed");
    qel::TerminateRunning = true;
    // The run now ends by itself; a second signal, or a run stuck where no connection is cut
    // (a connection being opened, a driver's own call), ends the process.
    Ended = Await(FGraceSeconds);
  }
  if (Ended == 1) return;
  const std::string Text = std::string("varnel: stopped by ") + SignalName(Sig) +
                           ": the run did not end by itself, the process ends now\n";
  const ssize_t Written = write(STDERR_FILENO, Text.data(), Text.size());
  (void)Written;
  _exit(1);
}

}  // namespace varnel_cli
