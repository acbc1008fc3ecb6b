// SIGINT and SIGTERM while the example program's signal watcher lives: its thread cuts every
// open adapter connection (which then counts as lost, with the signal as its reason), refuses
// new ones and sets TerminateRunning; a run that does not end by itself, or a second signal,
// ends the process with exit code 1. Each case runs in a process of its own (the stop is for
// the whole process).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "qelCompObj.h"
#include "qelConnection_Base.h"
#include "varnel_stop.h"

namespace {

using namespace qel;

/// A database whose connection is a flag: cutting it is counted.
class TFakeDatabase : public TQELAdapterDatabase {
 public:
  TFakeDatabase() : TQELAdapterDatabase(nullptr) {}
  ~TFakeDatabase() override { Disconnect(); }
  bool GetConnected() const override { return FOpen && !GetConnectionLost(); }
  std::atomic<int> Cuts{0};

 protected:
  void Connect() override { FOpen = true; }
  void Disconnect() override {
    Unregister();
    FOpen = false;
  }
  void CutConnection() override { ++Cuts; }

 private:
  bool FOpen = false;
};

void Fail(const char* What) {
  std::fprintf(stderr, "failed: %s\n", What);
  std::_Exit(3);
}

/// The signal comes while a connection is open; the run then ends by itself.
void StopsInOrder(int Signal) {
  varnel_cli::TStopOnSignal Stop(600);
  TFakeDatabase Open, Closed;
  Open.SetConnected(true);
  ::kill(::getpid(), Signal);
  while (!TerminateRunning.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (Stop.Signal() != Signal) Fail("the signal");
  if (Open.Cuts.load() != 1 || !Open.GetConnectionLost() || Open.GetConnected())
    Fail("the open connection was not cut");
  const std::string Name = Signal == SIGINT ? "SIGINT" : "SIGTERM";
  if (Open.GetLostReason() != "the run was stopped by " + Name + ", and the connection closed")
    Fail("the reason");
  try {
    Closed.SetConnected(true);
    Fail("a connection opened after the stop");
  } catch (const EDatabaseError&) {
  }
  if (!Closed.GetConnectionLost() || Closed.Cuts.load() != 0) Fail("the refused connection");
  std::fprintf(stderr, "stopped in order\n");
  std::_Exit(0);
}

/// The run does not end by itself: the watcher ends the process (GraceSeconds 0), or a second
/// signal does (GraceSeconds long).
void Hangs(int GraceSeconds, bool Twice) {
  varnel_cli::TStopOnSignal Stop(GraceSeconds);
  ::kill(::getpid(), SIGINT);
  if (Twice) {
    while (!TerminateRunning.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(::getpid(), SIGTERM);
  }
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

struct TCase {
  const char* Name;
  void (*Body)();
  int Code;
  const char* Err;
};

const TCase Cases[] = {
    {"SIGINTCutsTheConnections", [] { StopsInOrder(SIGINT); }, 0, "stopped in order"},
    {"SIGTERMCutsTheConnections", [] { StopsInOrder(SIGTERM); }, 0, "stopped in order"},
    {"ARunThatDoesNotEndIsEnded", [] { Hangs(0, false); }, 1,
     "varnel: stopped by SIGINT: the run did not end by itself, the process ends now"},
    {"ASecondSignalEndsTheProcess", [] { Hangs(600, true); }, 1,
     "varnel: stopped by SIGINT: the run did not end by itself"},
};

void PrintTo(const TCase& C, std::ostream* Os) {
  *Os << C.Name;
}

class StopOnSignal : public ::testing::TestWithParam<TCase> {};

TEST_P(StopOnSignal, EndsAsItShould) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(GetParam().Body(), ::testing::ExitedWithCode(GetParam().Code), GetParam().Err);
}

INSTANTIATE_TEST_SUITE_P(Cases, StopOnSignal, ::testing::ValuesIn(Cases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
