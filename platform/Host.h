// Hooks into the host application's user interface. The library runs without one: by default
// a message goes to standard error, the message pump does nothing and the shell runs nothing.
// A host replaces them.
#pragma once

#include <functional>
#include <string>

namespace qel {

using TShowMessageHandler = std::function<void(const std::string& Text)>;
using TProcessMessagesHandler = std::function<void()>;
/// Operation ("open"), the file or address it applies to and the show command of the window.
using TShellExecuteHandler =
    std::function<void(const std::string& Operation, const std::string& File, int ShowCmd)>;

/// Show command: show the window in its current size and position.
constexpr int SW_SHOW = 5;

/// Shows Text to the user; never blocks unless the host's handler does.
void HostShowMessage(const std::string& Text);
/// Lets the host handle its pending events once.
void HostProcessMessages();
/// Asks the desktop shell to carry out Operation on File (open an address in the browser).
/// Whether it succeeds is not reported. By default nothing is run: a library that starts
/// programs on its own would be a surprise on a build machine or a server, so a host that
/// wants the shell installs a handler.
void HostShellExecute(const std::string& Operation, const std::string& File, int ShowCmd);

/// Replace the handlers; an empty function restores the default. Each returns the former one.
TShowMessageHandler SetShowMessageHandler(TShowMessageHandler Handler);
TProcessMessagesHandler SetProcessMessagesHandler(TProcessMessagesHandler Handler);
TShellExecuteHandler SetShellExecuteHandler(TShellExecuteHandler Handler);

}  // namespace qel
