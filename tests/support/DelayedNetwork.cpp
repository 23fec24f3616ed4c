#include "support/DelayedNetwork.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vyr::test {

namespace {

std::string Failed(const std::string& what) { return what + ": " + std::strerror(errno); }

ifreq Named(const char* device) {
  ifreq request{};
  std::strncpy(request.ifr_name, device, IFNAMSIZ - 1);
  return request;
}

// A tun device in the thread's namespace with `address`/24, up, and the
// namespace's loopback up; -1 and `error` set when that fails.
int OpenTun(const char* device, const char* address, std::string& error) {
  const int fd = ::open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC);
  const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ifreq tun = Named(device);
  tun.ifr_flags = IFF_TUN | IFF_NO_PI;
  const auto up = [&](const char* name) {
    ifreq request = Named(name);
    if (::ioctl(control, SIOCGIFFLAGS, &request) != 0) return false;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP | IFF_RUNNING);
    return ::ioctl(control, SIOCSIFFLAGS, &request) == 0;
  };
  const auto set = [&](unsigned long what, const char* value) {
    ifreq request = Named(device);
    auto* in = reinterpret_cast<sockaddr_in*>(&request.ifr_addr);
    in->sin_family = AF_INET;
    ::inet_pton(AF_INET, value, &in->sin_addr);
    return ::ioctl(control, what, &request) == 0;
  };
  const bool made = fd >= 0 && control >= 0 && ::ioctl(fd, TUNSETIFF, &tun) == 0 && up("lo") &&
                    set(SIOCSIFADDR, address) && set(SIOCSIFNETMASK, "255.255.255.0") && up(device);
  if (!made) error = Failed(std::string("setting up tun device ") + device);
  for (int spare : {control, made ? -1 : fd}) {
    if (spare >= 0) ::close(spare);
  }
  return made ? fd : -1;
}

// An IPv4 TCP segment with SYN set and ACK clear: a new connection attempt.
bool IsSyn(const char* packet, std::size_t size) {
  const auto* b = reinterpret_cast<const unsigned char*>(packet);
  if (size < 20 || (b[0] >> 4) != 4 || b[9] != 6) return false;
  const std::size_t tcp = static_cast<std::size_t>(b[0] & 0x0F) * 4;
  if (size < tcp + 14) return false;
  return (b[tcp + 13] & 0x12) == 0x02;
}

}  // namespace

DelayedNetwork::DelayedNetwork(int oneWayMs) : delayMs_(oneWayMs) {
  original_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  if (original_ < 0) {
    error_ = Failed("open /proc/thread-self/ns/net");
    return;
  }
  const char* devices[] = {"vyrpanel", "vyrserver"};
  const char* addresses[] = {"10.77.0.1", kServerAddress};
  for (int side : {kPanelSide, kServerSide}) {
    if (::unshare(CLONE_NEWNET) != 0) error_ = Failed("unshare(CLONE_NEWNET)");
    if (error_.empty()) {
      ns_[side] = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
      tun_[side] = OpenTun(devices[side], addresses[side], error_);
    }
    if (!error_.empty()) {
      Leave();
      return;
    }
  }
  clock_.start();
  timer_.setSingleShot(true);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Deliver(); });
  for (int side : {kPanelSide, kServerSide}) {
    notifier_[side] = std::make_unique<QSocketNotifier>(tun_[side], QSocketNotifier::Read);
    QObject::connect(notifier_[side].get(), &QSocketNotifier::activated,
                     [this, side] { Take(side); });
  }
}

DelayedNetwork::~DelayedNetwork() {
  for (auto& n : notifier_) n.reset();
  Leave();
  for (int fd : {tun_[0], tun_[1], ns_[0], ns_[1], original_}) {
    if (fd >= 0) ::close(fd);
  }
}

bool DelayedNetwork::Enter(Side side) {
  if (::setns(ns_[side], CLONE_NEWNET) == 0) return true;
  error_ = Failed("setns");
  return false;
}

void DelayedNetwork::Leave() {
  if (original_ >= 0) ::setns(original_, CLONE_NEWNET);
}

void DelayedNetwork::Take(int side) {
  char bytes[65536];
  for (;;) {
    const ssize_t n = ::read(tun_[side], bytes, sizeof bytes);
    if (n <= 0) break;
    if (side == kPanelSide && IsSyn(bytes, static_cast<std::size_t>(n))) ++attempts_;
    queue_.push_back(
        {clock_.elapsed() + delayMs_, tun_[1 - side], std::vector<char>(bytes, bytes + n)});
  }
  if (!timer_.isActive() && !queue_.empty()) Deliver();
}

void DelayedNetwork::Deliver() {
  const int64_t now = clock_.elapsed();
  while (!queue_.empty() && queue_.front().due <= now) {
    const Packet& p = queue_.front();
    if (::write(p.to, p.bytes.data(), p.bytes.size()) > 0) ++relayed_;
    queue_.pop_front();
  }
  if (!queue_.empty()) timer_.start(static_cast<int>(queue_.front().due - now));
}

}  // namespace vyr::test
