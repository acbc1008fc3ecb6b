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
  qel::InterruptConnections(std::string("the run was stopped by ") + SignalName(Sig) +
                            ", and the connection closed");
  qel::TerminateRunning = true;
  // The run now ends by itself; a second signal, or a run stuck where no connection is cut
  // (a connection being opened, a driver's own call), ends the process.
  timespec Grace{FGraceSeconds, 0};
  for (;;) {
    const int Got = sigtimedwait(&FSignals, nullptr, &Grace);
    if (FDone.load()) return;
    if (Got < 0 && errno == EINTR) continue;
    break;
  }
  const std::string Text = std::string("varnel: stopped by ") + SignalName(Sig) +
                           ": the run did not end by itself, the process ends now\n";
  const ssize_t Written = write(STDERR_FILENO, Text.data(), Text.size());
  (void)Written;
  _exit(1);
}

}  // namespace varnel_cli
