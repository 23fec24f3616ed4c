// The one path by which bytes leave the program.

#include "core/Checked.h"
#include "link/TCPComm.h"

namespace vyr {

namespace {

// A would-block answer is retried this often before the peer counts as
// stuck: the program must go on handling its other events.
constexpr int kMaxWriteAttempts = 64;

bool PeerStoppedReading(const SwitcherSocket& socket) {
  return socket.PendingBytes() > kSendQueueLimitBytes ||
         socket.StalledMilliseconds() >= kSendStallLimitMs;
}

}  // namespace

bool SendToSwitcher(Panel& p, const std::string& message) {
  bool sent = false;
  Trap(p.log, "Error sending to switcher", "Message Error", [&] {
    SwitcherSocket& socket = p.scktSwitcher;
    const int64_t n = static_cast<int64_t>(message.size());
    bool written = false;
    for (int attempt = 0; attempt < kMaxWriteAttempts && !written; ++attempt) {
      if (!socket.IsConnected()) {
        DisconnectFromServer(p);
        return;
      }
      if (socket.Write(message.data(), n) < 1 &&
          socket.LastError() != SwitcherSocket::kWouldBlock) {
        return;  // a hard error: this message is lost, nothing is reported
      }
      written = socket.BytesWritten() == n;
    }
    sent = written;
    if (written && !PeerStoppedReading(socket)) return;
    const int64_t unsent = socket.PendingBytes();
    DisconnectFromServer(p);
    throw RuntimeError(kErrDeviceIO, "Server Module stopped reading (" + std::to_string(unsent) +
                                         " bytes unacknowledged); connection dropped");
  });
  return sent;
}

}  // namespace vyr
