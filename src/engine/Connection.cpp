// Opening and closing the link, and the socket's three events.

#include <algorithm>

#include "core/Checked.h"
#include "engine/TCPComm.h"

namespace vyr {

void ConnectToServer(Panel& p) {
  Trap(p.log, "Error Connecting to Server", "Connection Error", [&] {
    // An attempt still under way is left to finish: across a VPN or WAN the
    // handshake may take longer than a poll tick. Only one that has lasted
    // too long is abandoned; the next tick starts another.
    const int64_t attempt = p.scktSwitcher.ConnectingMilliseconds();
    if (attempt >= 0) {
      if (attempt >= kConnectAttemptLimitMs) p.scktSwitcher.Close();
      return;
    }
    p.scktSwitcher.SetRemote(p.st.sIPAddress, p.st.lIPPort);
    p.events.Connecting(p.st.sIPAddress, p.st.lIPPort);
    if (p.scktSwitcher.Connect() != 0) p.scktSwitcher.Close();
  });
}

void DisconnectFromServer(Panel& p, const std::string& reason) {
  Trap(p.log, "Error Disconnecting from Server", "Connection Error", [&] {
    p.scktSwitcher.Close();
    const bool wasConnected = p.st.bConnected;
    p.st.bConnected = false;
    p.st.bInfoRequested = false;
    if (wasConnected) p.events.Disconnected(reason);
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

void scktSwitcher_Disconnect(Panel& p, const std::string& reason) {
  Trap(p.log, "Error Disconnecting from Server", "Socket Error",
       [&] { DisconnectFromServer(p, reason); });
}

bool ReadIntoBuffer(Panel& p) {
  char chunk[65536];
  for (;;) {
    const std::size_t room = ReceiveRoom(p.st.sRecvBuffer);
    if (room == 0) return false;
    const int64_t n =
        p.scktSwitcher.Read(chunk, static_cast<int64_t>(std::min(sizeof chunk, room)));
    if (n < 1) return n == 0;
    p.st.sRecvBuffer.Append(std::string_view(chunk, static_cast<std::size_t>(n)));
  }
}

void scktSwitcher_Read(Panel& p) {
  Trap(p.log, "Error Receiving IP Message", "Socket Error", [&] {
    const bool drained = ReadIntoBuffer(p);
    const bool full = ReceiveRoom(p.st.sRecvBuffer) == 0;
    if (!drained && !full) return;
    ProcessCommand(p);
    // The decode timer takes over when more than one message came, and when
    // bytes were left in the socket: it reads them once there is room.
    if (!p.st.sRecvBuffer.empty() || full) p.tmrDecode.SetEnabled(true);
  });
}

}  // namespace vyr
