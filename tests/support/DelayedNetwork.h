#pragma once
// A slow network for a test: two network namespaces, the panel's side
// (10.77.0.1) and the Server Module's side (10.77.0.2), each with a tun
// device, joined by this process, which hands every IP packet from one
// device to the other `oneWayMs` after it left. Handshakes, data and
// acknowledgements all take the round trip, as across a VPN or WAN.
//
// The calling thread enters a side with Enter(); a socket stays on the side
// it was made on. Packets are relayed on the Qt event loop. Needs
// CAP_NET_ADMIN and /dev/net/tun; Error() says why it could not be made.

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace vyr::test {

class DelayedNetwork {
 public:
  enum Side { kPanelSide = 0, kServerSide = 1 };
  static constexpr const char* kServerAddress = "10.77.0.2";

  explicit DelayedNetwork(int oneWayMs);
  ~DelayedNetwork();  // the thread goes back to the namespace it was in
  DelayedNetwork(const DelayedNetwork&) = delete;
  DelayedNetwork& operator=(const DelayedNetwork&) = delete;

  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  bool Enter(Side side);
  int64_t PacketsRelayed() const { return relayed_; }
  // TCP connection attempts the panel's side started (SYN without ACK).
  int64_t AttemptsSeen() const { return attempts_; }

 private:
  struct Packet {
    int64_t due;
    int to;
    std::vector<char> bytes;
  };
  void Take(int side);
  void Deliver();
  void Leave();

  int delayMs_;
  std::string error_;
  int original_ = -1;
  int ns_[2] = {-1, -1};
  int tun_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_[2];
  QTimer timer_;
  QElapsedTimer clock_;
  std::deque<Packet> queue_;
  int64_t relayed_ = 0;
  int64_t attempts_ = 0;
};

}  // namespace vyr::test
