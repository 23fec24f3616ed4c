// The Server Module's identification: its type request and the switcher type.

#include "core/Checked.h"
#include "engine/TCPComm.h"
#include "link/Messages.h"

namespace vyr {

void ProcessTypeRequest(Panel& p, const std::string& message) {
  Trap(p.log, "Error Processing Type Request", "Message Error", [&] {
    if (!IsTypeRequest(message)) return;
    SendToSwitcher(p, BuildTypeAnswer());
    p.tmrpoll.SetEnabled(true);
  });
}

void ProcessSwitcherType(Panel& p, const std::string& message) {
  Trap(p.log, "Error Processing Switcher Type", "Message Error", [&] {
    if (const auto type = DecodeSwitcherType(message)) p.st.iSwitcherType = *type;
  });
}

}  // namespace vyr
