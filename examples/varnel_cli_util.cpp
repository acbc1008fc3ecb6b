// Shared helpers of the example program: option values, usage failures and message printing.
#include "varnel_cli_util.h"

#include <unistd.h>

#include <cctype>
#include <iostream>

#ifndef QEL_VERSION
#define QEL_VERSION "0.0.0"
#endif

using namespace qel;

namespace varnel_cli {

namespace {

const char* TypeName(TMsgType Type) {
  switch (Type) {
    case mt_Err:
      return "error";
    case mt_Wrn:
      return "warning";
    default:
      return "info";
  }
}

/// Text with each line break, whatever its form, as one '\n', and none at the end.
std::string TextLines(const std::string& Text) {
  std::string Clean;
  for (std::size_t P = 0; P < Text.size(); ++P) {
    if (Text[P] == '\r') {
      if (P + 1 < Text.size() && Text[P + 1] == '\n') continue;
      Clean += '\n';
    } else {
      Clean += Text[P];
    }
  }
  while (!Clean.empty() && Clean.back() == '\n') Clean.pop_back();
  return Clean;
}

/// A component's message as a user reads it: without the "TClass.Method(): " that names the
/// code it came from.
std::string UserText(const std::string& Text) {
  std::size_t P = 0;
  if (Text.empty() || Text[0] != 'T') return Text;
  auto Word = [&Text, &P] {
    const std::size_t B = P;
    while (P < Text.size() && (std::isalnum(static_cast<unsigned char>(Text[P])) || Text[P] == '_'))
      ++P;
    return P > B;
  };
  if (!Word() || P >= Text.size() || Text[P++] != '.' || !Word()) return Text;
  if (Text.compare(P, 4, "(): ") != 0) return Text;
  return Text.substr(P + 4);
}

}  // namespace

bool TakeValue(const std::vector<std::string>& Args, std::size_t& I, const std::string& Name,
               std::string& Value) {
  const std::string& A = Args[I];
  if (A == Name) {
    if (I + 1 >= Args.size()) throw TUsageError{Name + " needs a value"};
    Value = Args[++I];
    return true;
  }
  if (A.rfind(Name + "=", 0) == 0) {
    Value = A.substr(Name.size() + 1);
    return true;
  }
  return false;
}

std::string VersionLine() {
  return std::string("varnel ") + QEL_VERSION + '\n';
}

int UsageFailure(std::ostream& Err, const std::string& Command, const std::string& Text) {
  Err << "varnel " << Command << ": " << Text << "\nTry 'varnel " << Command << " --help'.\n";
  return ExitUsage;
}

void PrintMessages(const TMsgManager& Messages, std::ostream& Err, const std::string& Command,
                   bool Positions, TMsgSetType Types) {
  for (int I = 0; I < Messages.GetMsgCount(); ++I) {
    const TMsgData& M = Messages.Items(I);
    if (!Types.Contains(M.MsgType)) continue;
    std::string Where = "varnel " + Command;
    if (Positions && !M.ScriptName.empty()) {
      Where = M.ScriptName;
      if (M.Line > 0) {
        Where += ':' + std::to_string(M.Line);
        if (M.Column > 0) Where += ':' + std::to_string(M.Column);
      }
    }
    Err << Where << ": " << TypeName(M.MsgType) << ": " << TextLines(UserText(M.Text)) << '\n';
  }
}

TProgressLine::TProgressLine(std::ostream& Err) {
  if (&Err == &std::cerr && isatty(STDERR_FILENO) == 1) FErr = &Err;
}

TProgressLine::~TProgressLine() {
  Clear();
}

bool TProgressLine::Due() const {
  return FErr &&
         (!FShown || std::chrono::steady_clock::now() - FLast >= std::chrono::milliseconds(100));
}

void TProgressLine::Show(const std::string& Text) {
  if (!Due()) return;
  FLast = std::chrono::steady_clock::now();
  FShown = true;
  // Back to the line's start, the text, and the rest of the line erased.
  *FErr << '\r' << Text << "\x1b[K" << std::flush;
}

void TProgressLine::Clear() {
  if (!FErr || !FShown) return;
  FShown = false;
  *FErr << "\r\x1b[K" << std::flush;
}

std::atomic<int>& StopSignal() {
  static std::atomic<int> Signal{0};
  return Signal;
}

std::atomic<bool>& RunEndsWhenStopped() {
  static std::atomic<bool> Ends{false};
  return Ends;
}

}  // namespace varnel_cli
