// The replaceable host hooks: message box to standard error, a do-nothing message pump and a
// shell that runs nothing.
#include "Host.h"

#include <cstdio>
#include <utility>

namespace qel {

namespace {

TShowMessageHandler& ShowHandler() {
  static TShowMessageHandler Handler;
  return Handler;
}

TProcessMessagesHandler& PumpHandler() {
  static TProcessMessagesHandler Handler;
  return Handler;
}

TShellExecuteHandler& ShellHandler() {
  static TShellExecuteHandler Handler;
  return Handler;
}

}  // namespace

void HostShowMessage(const std::string& Text) {
  if (ShowHandler()) {
    ShowHandler()(Text);
    return;
  }
  std::fwrite(Text.data(), 1, Text.size(), stderr);
  std::fputc('\n', stderr);
}

void HostProcessMessages() {
  if (PumpHandler()) PumpHandler()();
}

void HostShellExecute(const std::string& Operation, const std::string& File, int ShowCmd) {
  if (ShellHandler()) ShellHandler()(Operation, File, ShowCmd);
}

TShowMessageHandler SetShowMessageHandler(TShowMessageHandler Handler) {
  return std::exchange(ShowHandler(), std::move(Handler));
}

TProcessMessagesHandler SetProcessMessagesHandler(TProcessMessagesHandler Handler) {
  return std::exchange(PumpHandler(), std::move(Handler));
}

TShellExecuteHandler SetShellExecuteHandler(TShellExecuteHandler Handler) {
  return std::exchange(ShellHandler(), std::move(Handler));
}

}  // namespace qel
