// The one path by which bytes leave the program.

#include "core/Checked.h"
#include "engine/TCPComm.h"

namespace vyr {

namespace {

bool PeerStoppedReading(const SwitcherSocket& socket) {
  return socket.PendingBytes() > kSendQueueLimitBytes ||
         socket.StalledMilliseconds() >= kSendStallLimitMs;
}

}  // namespace

bool SendToSwitcher(Panel& p, const std::string& message) {
  bool sent = false;
  Trap(p.log, "Error sending to switcher", "Message Error", [&] {
    SwitcherSocket& socket = p.scktSwitcher;
    switch (socket.Write(message)) {
      case SwitcherSocket::WriteResult::kNotConnected:
        DisconnectFromServer(p, "the socket is not connected");
        return;
      case SwitcherSocket::WriteResult::kRefused:
        return;  // the socket failed: its closed event follows
      case SwitcherSocket::WriteResult::kTaken:
        sent = true;
        break;
    }
    if (!PeerStoppedReading(socket)) return;
    const int64_t unsent = socket.PendingBytes();
    DisconnectFromServer(p, "the Server Module stopped reading");
    throw RuntimeError(kErrDeviceIO, "Server Module stopped reading (" + std::to_string(unsent) +
                                         " bytes unacknowledged); connection dropped");
  });
  return sent;
}

}  // namespace vyr
