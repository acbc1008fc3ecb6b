// The replaceable host hooks: message box to standard error and a do-nothing message pump.
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

TShowMessageHandler SetShowMessageHandler(TShowMessageHandler Handler) {
  return std::exchange(ShowHandler(), std::move(Handler));
}

TProcessMessagesHandler SetProcessMessagesHandler(TProcessMessagesHandler Handler) {
  return std::exchange(PumpHandler(), std::move(Handler));
}

}  // namespace qel
