// Opening and closing the link, and the socket's three events.

#include "core/Checked.h"
#include "link/TCPComm.h"

namespace vyr {

void ConnectToServer(Panel& p) {
  Trap(p.log, "Error Connecting to Server", "Connection Error", [&] {
    p.scktSwitcher.SetRemote(p.st.sIPAddress, p.st.lIPPort);
    p.events.Connecting(p.st.sIPAddress, p.st.lIPPort);
    if (p.scktSwitcher.Connect() != 0) p.scktSwitcher.Close();
  });
}

void DisconnectFromServer(Panel& p) {
  Trap(p.log, "Error Disconnecting from Server", "Connection Error", [&] {
    p.scktSwitcher.Close();
    const bool wasConnected = p.st.bConnected;
    p.st.bConnected = false;
    p.st.bInfoRequested = false;
    if (wasConnected) p.events.Disconnected();
  });
}

void scktSwitcher_Connect(Panel& p) {
  Trap(p.log, "Error Connecting from Server", "Socket Error", [&] {
    p.st.bConnected = true;
    p.st.lLinkCount += 1;  // returns sent on an earlier link are checked anew
    p.st.iMissedPolls = 0;
    p.events.Connected();
  });
}

void scktSwitcher_Disconnect(Panel& p) {
  Trap(p.log, "Error Disconnecting from Server", "Socket Error", [&] { DisconnectFromServer(p); });
}

void scktSwitcher_Read(Panel& p) {
  Trap(p.log, "Error Receiving IP Message", "Socket Error", [&] {
    char chunk[65536];
    for (;;) {
      const int64_t n = p.scktSwitcher.Read(chunk, sizeof chunk);
      if (n < 1) break;
      p.st.sRecvBuffer.Append(std::string_view(chunk, static_cast<std::size_t>(n)));
    }
    if (p.scktSwitcher.LastError() != SwitcherSocket::kWouldBlock) return;
    ProcessCommand(p);
    // The decode timer takes over only when more than one message came.
    if (!p.st.sRecvBuffer.empty()) p.tmrDecode.SetEnabled(true);
  });
}

}  // namespace vyr
