// The two calls into the host user interface that components make: a message box and one turn
// of the message pump between long steps.
#pragma once

#include <string>

namespace qel {

/// Shows aText to the user (by default on standard error; see Host.h).
void ShowMessage(const std::string& aText);
/// Lets the host handle its pending events once (by default nothing).
void ProcessMessages();

}  // namespace qel
