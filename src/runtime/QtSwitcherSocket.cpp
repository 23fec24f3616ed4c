#include "runtime/QtSwitcherSocket.h"

#include <sys/ioctl.h>

#include "config/ServerAddress.h"
#include "engine/TCPComm.h"

namespace vyr {

namespace {
// What Qt reads ahead of the panel; the rest waits in the kernel.
constexpr qint64 kReadAheadBytes = 256 << 10;
constexpr int64_t kLookEveryMs = 20;

// Bytes in the kernel's send queue the peer has not acknowledged.
int64_t KernelUnacknowledged(const QTcpSocket& socket) {
  int bytes = 0;
#ifdef TIOCOUTQ
  const auto fd = socket.socketDescriptor();
  if (fd < 0 || ::ioctl(static_cast<int>(fd), TIOCOUTQ, &bytes) != 0) bytes = 0;
#else
  (void)socket;
#endif
  return bytes;
}
}  // namespace

QtSwitcherSocket::QtSwitcherSocket() {
  clock_.start();
  socket_.setReadBufferSize(kReadAheadBytes);
  QObject::connect(&socket_, &QTcpSocket::connected, [this] {
    connected_ = true;
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    if (onConnected) onConnected();
  });
  QObject::connect(&socket_, &QTcpSocket::readyRead, [this] {
    if (onDataArrived) onDataArrived();
  });
  QObject::connect(&socket_, &QTcpSocket::disconnected, [this] {
    const bool wasOurs = closing_;
    connected_ = false;
    if (!wasOurs && onClosedByPeer) onClosedByPeer();
  });
  QObject::connect(&socket_, &QTcpSocket::errorOccurred, [this](QAbstractSocket::SocketError) {
    if (!connected_ && !closing_ && onConnectFailed) {
      onConnectFailed(socket_.errorString().toStdString());
    }
  });
}

QtSwitcherSocket::~QtSwitcherSocket() {
  closing_ = true;
  socket_.abort();
}

void QtSwitcherSocket::SetRemote(const std::string& host, int32_t port) {
  host_ = host;
  port_ = port;
}

int16_t QtSwitcherSocket::Connect() {
  Close();  // a new attempt never runs beside an old one
  if (const std::string why = ServerAddressProblem(host_, port_); !why.empty()) {
    if (onConnectFailed) onConnectFailed(why);  // said once per reason, like a refusal
    return 1;
  }
  drain_.Reset();
  lookedAt_ = -1;
  unackedAtLook_ = stalledAtLook_ = writtenSinceLook_ = 0;
  attempt_.start();
  socket_.connectToHost(QString::fromStdString(host_), static_cast<quint16>(port_));
  return 0;
}

int64_t QtSwitcherSocket::ConnectingMilliseconds() const {
  const QAbstractSocket::SocketState state = socket_.state();
  const bool underWay =
      state == QAbstractSocket::HostLookupState || state == QAbstractSocket::ConnectingState;
  return underWay && attempt_.isValid() ? attempt_.elapsed() : -1;
}

void QtSwitcherSocket::Close() {
  closing_ = true;
  socket_.abort();
  closing_ = false;
  connected_ = false;
}

int64_t QtSwitcherSocket::Read(char* into, int64_t max) {
  if (!IsConnected()) return -1;
  const qint64 n = socket_.read(into, max);
  return n < 0 ? -1 : n;
}

SwitcherSocket::WriteResult QtSwitcherSocket::Write(std::string_view bytes) {
  if (!IsConnected()) return WriteResult::kNotConnected;
  Look();  // so that bytes written to an empty queue start the clock now
  const qint64 n = socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
  const int64_t taken = n < 0 ? 0 : n;
  drain_.Written(taken);
  writtenSinceLook_ += taken;
  if (taken != static_cast<int64_t>(bytes.size())) return WriteResult::kRefused;
  if (!hold_) socket_.flush();  // hand it to the network now, not at the next loop pass
  return WriteResult::kTaken;
}

void QtSwitcherSocket::Hold(bool hold) {
  hold_ = hold;
  if (!hold && socket_.bytesToWrite() > 0) socket_.flush();
}

bool QtSwitcherSocket::IsConnected() const {
  return socket_.state() == QAbstractSocket::ConnectedState;
}

void QtSwitcherSocket::Look(bool now) const {
  const int64_t ms = clock_.elapsed();
  if (!now && lookedAt_ >= 0 && ms - lookedAt_ < kLookEveryMs) return;
  unackedAtLook_ = socket_.bytesToWrite() + KernelUnacknowledged(socket_);
  stalledAtLook_ = drain_.Sample(unackedAtLook_, ms);
  lookedAt_ = ms;
  writtenSinceLook_ = 0;
}

// Between looks, at most what the last look found plus what was written
// since; near the limit a fresh look decides.
int64_t QtSwitcherSocket::PendingBytes() const {
  Look();
  if (unackedAtLook_ + writtenSinceLook_ > kSendQueueLimitBytes / 2) Look(true);
  return unackedAtLook_ + writtenSinceLook_;
}

int64_t QtSwitcherSocket::StalledMilliseconds() const {
  Look();
  if (unackedAtLook_ + writtenSinceLook_ == 0) return 0;
  return stalledAtLook_ + (clock_.elapsed() - lookedAt_);
}

}  // namespace vyr
