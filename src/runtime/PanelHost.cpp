#include "runtime/PanelHost.h"

#include "engine/ReturnEngine.h"
#include "engine/StartUp.h"
#include "engine/TCPComm.h"

namespace vyr {

PanelHost::PanelHost(PanelEvents& events)
    : tmrpoll_([this] {
        tmrpoll_Timer(panel_);
        log_.Tick();  // a minute of repeated error lines ends even when no line follows
      }),
      tmrDecode_([this] {
        // A batch of messages sends its returns together at its end.
        socket_.Hold(true);
        tmrDecode_Timer(panel_);
        socket_.Hold(false);
      }),
      panel_{st_, log_, socket_, tmrpoll_, tmrDecode_, rows_, events} {
  // Messages waiting in the buffer are worked off one per pass of the event
  // loop, so each is handled as soon as the loop is free.
  tmrDecode_.SetInterval(0);
  socket_.onConnected = [this] { scktSwitcher_Connect(panel_); };
  socket_.onDataArrived = [this] { scktSwitcher_Read(panel_); };
  socket_.onClosedByPeer = [this] { scktSwitcher_Disconnect(panel_); };
}

PanelHost::~PanelHost() {
  // A count of repeated error lines still open goes to the file; whoever
  // listened to the echo may be gone already.
  log_.SetEcho(nullptr);
  log_.EndRepeats();
}

bool PanelHost::Start(const std::string& folder) { return StartUp(panel_, folder); }

}  // namespace vyr
