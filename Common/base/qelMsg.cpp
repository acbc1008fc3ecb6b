// The message box and message pump calls of the components, passed on to the host hooks.
#include "qelMsg.h"

#include "Host.h"

namespace qel {

void ShowMessage(const std::string& aText) {
  HostShowMessage(aText);
}

void ProcessMessages() {
  HostProcessMessages();
}

}  // namespace qel
