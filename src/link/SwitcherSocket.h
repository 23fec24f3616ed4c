#pragma once
// The connection to the Server Module as the routines see it: a TCP client
// that never blocks. The program uses a QTcpSocket behind it; tests use a
// fake. Its three events (connected, data arrived, closed by the peer) are
// delivered by whoever owns it to scktSwitcher_Connect, scktSwitcher_Read
// and scktSwitcher_Disconnect.

#include <cstdint>
#include <string>
#include <string_view>

namespace vyr {

class SwitcherSocket {
 public:
  // What became of bytes handed to Write.
  enum class WriteResult {
    kTaken,         // all of them are queued for the peer
    kRefused,       // the socket failed; none or only some were taken
    kNotConnected,  // there is no connection to write to
  };

  virtual ~SwitcherSocket() = default;

  virtual void SetRemote(const std::string& host, int32_t port) = 0;
  // Abandons any attempt or connection still open, then starts a new
  // attempt; 0 when it is under way. Completion is the connected event.
  virtual int16_t Connect() = 0;
  // How long the attempt under way has been going, or -1 when there is none
  // (connected, refused, closed, or never started).
  virtual int64_t ConnectingMilliseconds() const = 0;
  // Drops the connection at once; unsent bytes are discarded. Never raises
  // the closed event for a close the program asked for itself.
  virtual void Close() = 0;
  // Reads up to `max` bytes; returns the count, 0 when nothing is waiting,
  // -1 when the socket failed.
  virtual int64_t Read(char* into, int64_t max) = 0;
  // Hands a whole message to the connection; never blocks.
  virtual WriteResult Write(std::string_view bytes) = 0;
  virtual bool IsConnected() const = 0;
  // Bytes taken but not yet handed to the network, and for how long that
  // queue has been waiting without shrinking (0 when it is empty).
  virtual int64_t PendingBytes() const = 0;
  virtual int64_t StalledMilliseconds() const = 0;
};

}  // namespace vyr
