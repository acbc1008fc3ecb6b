// What the commands of the example program share: exit codes, reading an option's value, the
// usage failure and the printing of a component's messages.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "qelMsgMngr.h"

namespace varnel_cli {

inline constexpr int ExitOk = 0;
inline constexpr int ExitErrors = 1;
inline constexpr int ExitUsage = 2;

/// Bad command-line input: the message is printed with the usage hint, exit code 2.
struct TUsageError {
  std::string Text;
};

/// Reads the value of an option that takes one: "--name value" or "--name=value". Returns false
/// when Args[I] is not that option; throws a TUsageError when the value is missing.
bool TakeValue(const std::vector<std::string>& Args, std::size_t& I, const std::string& Name,
               std::string& Value);

/// The line "varnel VERSION" that --version prints, on every command.
std::string VersionLine();

/// Prints "varnel <Command>: <Text>" and the hint to the command's usage text; returns ExitUsage.
int UsageFailure(std::ostream& Err, const std::string& Command, const std::string& Text);

/// Each message of the list whose type is in Types on a line of its own, "where: type: text",
/// line breaks inside a text kept as lines. Where is the script position ("file:line:column" as
/// far as it is known) when Positions is set and the message names a script, else
/// "varnel <Command>".
void PrintMessages(const qel::TMsgManager& Messages, std::ostream& Err, const std::string& Command,
                   bool Positions,
                   qel::TMsgSetType Types = {qel::mt_Inf, qel::mt_Wrn, qel::mt_Err});

/// How far a long run has come, on one line of a terminal that is written over as the run goes
/// on (at most ten times a second); nothing at all when Err is not standard error or standard
/// error is not a terminal, so that a log or a pipe gets the messages and the summary alone.
class TProgressLine {
 public:
  explicit TProgressLine(std::ostream& Err);
  ~TProgressLine();
  TProgressLine(const TProgressLine&) = delete;
  TProgressLine& operator=(const TProgressLine&) = delete;

  /// True when a new text would be shown now: a terminal, and no line shown a moment ago. A
  /// caller called for every row asks first, and makes its text only then.
  bool Due() const;
  /// Shows Text in place of the line shown before, unless one was shown a moment ago.
  void Show(const std::string& Text);
  /// Takes the line off the terminal; the next message then starts on a clean line.
  void Clear();

 private:
  std::ostream* FErr = nullptr;  ///< null: not a terminal
  bool FShown = false;
  std::chrono::steady_clock::time_point FLast{};
};

/// The signal that is stopping the program (SIGINT, SIGTERM), set by its signal watcher; 0 while
/// none came.
std::atomic<int>& StopSignal();
/// Set by a command whose run ends by itself, between round trips, once stopped
/// (TerminateRunning): the signal watcher then lets the round trip under way be answered
/// before it cuts the connections.
std::atomic<bool>& RunEndsWhenStopped();

}  // namespace varnel_cli
