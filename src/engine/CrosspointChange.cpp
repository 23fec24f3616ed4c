// The crosspoint change: the one message by which the panel changes anything
// on the switcher (returns, tones, optos, relays).

#include "engine/ReturnEngine.h"
#include "engine/TCPComm.h"
#include "link/Messages.h"

namespace vyr {

void SendCrosspointChange(Panel& p, int16_t iOutput, int16_t iSource, int16_t iMode) {
  Trap(p.log, "Error Sending Crosspoint Change", "Switcher Message Error", [&] {
    const std::string frame = BuildCrosspointChange(iOutput, iSource, iMode);
    if (SendToSwitcher(p, frame)) p.events.CrosspointChangeSent(iOutput, iSource, iMode, frame);
  });
}

}  // namespace vyr
