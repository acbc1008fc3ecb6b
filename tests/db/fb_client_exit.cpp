// Linked into every test program of the servers: once all tests have run, the Firebird client
// is shut down while the process still runs its tests' code.
//
// The client keeps threads of its own after its first attachment (a timer that unloads its
// plugins, one left by a refused login) and ends them only in its own finalizer, which runs
// while the process exits. The leak checker stops every thread of the process with ptrace at
// exit, at the same time; its tracer then dies now and then on those threads ("Tracer caught
// signal 11"), on a loaded machine most often, failing a run whose tests all passed.
// fb_shutdown ends the client's attachments and threads before that.
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
