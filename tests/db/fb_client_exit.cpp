// Linked into every test program of the servers: once all tests have run, the Firebird client
// is shut down while the process still runs its tests' code.
//
// The client keeps threads of its own after its first attachment and ends them only in its
// own finalizer, which runs while the process exits: a timer that wakes now and then to unload
// its plugins, and one that waits for a signal to shut down. The leak checker stops every thread
// of the process with ptrace at exit; its tracer now and then dies there ("Tracer caught signal
// 11"), on a loaded machine most often, failing a run whose tests all passed. fb_shutdown ends
// the attachments, the plugins and the timer before that; the waiting thread stays.
#include <gtest/gtest.h>
#include <ibase.h>

namespace {

class TFirebirdClientExit : public ::testing::Environment {
 public:
  void TearDown() override {
    // Bounded: a server that stopped answering must not hold the test program at its end.
    constexpr unsigned ShutdownMs = 10000;
    fb_shutdown(ShutdownMs, fb_shutrsn_exit_called);
  }
};

// Registered before main: the environment is torn down after the last test.
[[maybe_unused]] ::testing::Environment* const Registered =
    ::testing::AddGlobalTestEnvironment(new TFirebirdClientExit);

}  // namespace
