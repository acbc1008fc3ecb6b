// Shared helpers of the example program: option values, usage failures and message printing.
#include "varnel_cli_util.h"

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
    Err << Where << ": " << TypeName(M.MsgType) << ": " << TextLines(M.Text) << '\n';
  }
}

}  // namespace varnel_cli
