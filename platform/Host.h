// Hooks into the host application's user interface. The library runs without one: by default
// a message goes to standard error and the message pump does nothing. A host replaces both.
#pragma once

#include <functional>
#include <string>

namespace qel {

using TShowMessageHandler = std::function<void(const std::string& Text)>;
using TProcessMessagesHandler = std::function<void()>;

/// Shows Text to the user; never blocks unless the host's handler does.
void HostShowMessage(const std::string& Text);
/// Lets the host handle its pending events once.
void HostProcessMessages();

/// Replace the handlers; an empty function restores the default. Each returns the former one.
TShowMessageHandler SetShowMessageHandler(TShowMessageHandler Handler);
TProcessMessagesHandler SetProcessMessagesHandler(TProcessMessagesHandler Handler);

}  // namespace qel
