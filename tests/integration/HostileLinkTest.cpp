// The link under hostile conditions, on the real event loop and socket: a
// handshake slower than a poll tick, a Server Module that floods the panel
// with maps, and one that answers polls but never reads.

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "QtTestSupport.h"
#include "SwitcherSim.h"
#include "engine/ReturnEngine.h"
#include "engine/TCPComm.h"
#include "runtime/PanelHost.h"
#include "support/DelayedNetwork.h"
#include "support/TempFolder.h"

namespace vyr {
namespace {

using sim::test::Spin;
using sim::test::WaitUntil;

class Recording final : public PanelEvents {
 public:
  int connecting = 0, connected = 0, disconnected = 0, returns = 0;
  QElapsedTimer sinceReturn;
  void Connecting(const std::string&, int32_t) override { ++connecting; }
  void Connected() override { ++connected; }
  void Disconnected() override { ++disconnected; }
  void CrosspointChangeSent(int16_t, int16_t, int16_t mode, const std::string&) override {
    if (mode == kModeReturn && returns++ == 0) sinceReturn.start();
  }
};

class HostileLink : public ::testing::Test {
 protected:
  test::TempFolder folder;
  Recording events;
  std::unique_ptr<sim::SwitcherSim> sim;
  std::unique_ptr<PanelHost> panel;
  std::vector<std::string> logged;

  void SetUp() override { sim::test::EnsureApp(); }

  // A switcher of 8 inputs and outputs listening on `host`; the panel
  // (Refresh Rate 100) watches output 2 (1-based) and starts.
  void Start(const char* host = "127.0.0.1") {
    StartSim(host);
    StartPanel(host);
  }
  void StartSim(const char* host) {
    sim::SwitcherSim::Options options;
    options.host = host;
    options.port = 0;
    options.inputs = options.outputs = 8;
    options.pollIntervalMs = 0;
    sim = std::make_unique<sim::SwitcherSim>(options);
    ASSERT_TRUE(sim->Listen()) << sim->ListenError().toStdString();
  }
  void StartPanel(const char* host, int timeOut = 3600) {
    folder.Write("vyrntpnl.ini",
                 std::string("[SETUP]\r\nIP Address=") + host +
                     "\r\nIP Port=" + std::to_string(sim->Port()) +
                     "\r\n[CONFIG]\r\nRefresh Rate=100\r\nTime Out=" + std::to_string(timeOut) +
                     "\r\nWait Time=0\r\nWatch Count=1\r\nOutput 01=2\r\n"
                     "Input 01=16384\r\nReturn to Last Source=No\r\n");
    panel = std::make_unique<PanelHost>(events);
    panel->log().SetEcho([this](const std::string& line) { logged.push_back(line); });
    ASSERT_TRUE(panel->Start(folder.path()));
  }
  AppState& st() { return panel->state(); }
  bool Handshake(int ms = 5000) {
    return WaitUntil([&] { return st().bInfoRequested && st().lInfoRequest == 0; }, ms);
  }
  QTcpSocket* SimClient() const {
    for (QTcpSocket* s : sim->findChildren<QTcpSocket*>()) {
      if (s->state() == QAbstractSocket::ConnectedState) return s;
    }
    return nullptr;
  }
  int64_t ReturnsAtSim() const {
    return std::count_if(sim->Changes().begin(), sim->Changes().end(),
                         [](const sim::Change& c) { return c.mode == kModeReturn; });
  }
};

// 240 ms round trip, a poll tick of 100 ms: the first attempt is left to
// finish, and the link then stays up.
TEST_F(HostileLink, handshakeSlowerThanAPollTickConnectsAtTheFirstAttempt) {
  test::DelayedNetwork net(120);
  if (!net.Ok())
    GTEST_SKIP() << "no delayed network here (needs root and /dev/net/tun): " << net.Error();
  ASSERT_TRUE(net.Enter(test::DelayedNetwork::kServerSide)) << net.Error();
  StartSim(test::DelayedNetwork::kServerAddress);
  ASSERT_TRUE(net.Enter(test::DelayedNetwork::kPanelSide)) << net.Error();
  StartPanel(test::DelayedNetwork::kServerAddress);
  ASSERT_TRUE(WaitUntil([&] { return st().bConnected; }, 5000))
      << events.connecting << " attempts, none connected";
  EXPECT_EQ(events.connecting, 1);
  ASSERT_TRUE(Handshake());
  ASSERT_TRUE(sim->TakeOff(1));
  EXPECT_TRUE(WaitUntil([&] { return ReturnsAtSim() == 1; }, 3000));
  Spin(1500);
  EXPECT_EQ(events.disconnected, 0) << "a reading peer on a slow link is kept";
  EXPECT_GT(net.PacketsRelayed(), 10);
}

// Valid maps as fast as the simulator's socket takes them: the panel's
// backlog stays within its limit, an Off taken meanwhile is returned before
// the flood ends, and the room is given back after it.
TEST_F(HostileLink, floodOfMapsKeepsTheBacklogBoundedAndReturnsGoOut) {
  Start();
  ASSERT_TRUE(Handshake());
  std::string maps;
  const std::string one = sim->Model().OneOutputMap(5);
  while (maps.size() < (1u << 20)) maps += one;
  std::size_t most = 0;
  int64_t returnedDuringFlood = -1;
  QElapsedTimer flood;
  flood.start();
  // The flood goes on for 4 s, and on until the return has arrived (a slow
  // build, such as the sanitizer's, works the backlog off more slowly).
  while (flood.elapsed() < 4000 || (returnedDuringFlood < 0 && flood.elapsed() < 60000)) {
    QTcpSocket* client = SimClient();
    ASSERT_NE(client, nullptr) << "the link dropped during the flood";
    if (client->bytesToWrite() < (1 << 20)) sim->SendRaw(QByteArray::fromStdString(maps));
    if (flood.elapsed() > 1000 && events.returns == 0 &&
        sim->Model().Output(1).entries.size() > 0) {
      sim->TakeOff(1);
    }
    if (returnedDuringFlood < 0 && ReturnsAtSim() > 0) returnedDuringFlood = flood.elapsed();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    most = std::max(most, st().sRecvBuffer.size());
  }
  EXPECT_LE(most, kReceiveBacklogBytes);
  EXPECT_GT(returnedDuringFlood, 1000) << "no return arrived while the flood went on";
  ASSERT_TRUE(WaitUntil(
      [&] { return st().sRecvBuffer.empty() && SimClient()->bytesToWrite() == 0; }, 30000));
  EXPECT_LE(st().sRecvBuffer.Capacity(), 1u << 20);
  EXPECT_EQ(events.disconnected, 0);
}

// The simulator stops reading but keeps the link alive with poll answers;
// batches of type requests fill its receive window with the panel's
// answers. A return sent after that is not acknowledged, and the link is
// dropped 10 s after the last acknowledgement (the last growth of the
// simulator's receive queue), with one log line.
TEST_F(HostileLink, peerThatAnswersPollsButNeverReadsIsDroppedTenSecondsAfterItsLastAck) {
  Start();
  ASSERT_TRUE(Handshake());
  sim->SetReading(false);
  QTimer keepAlive;
  QObject::connect(&keepAlive, &QTimer::timeout, [&] { sim->SendRaw(QByteArray(1, '\xF4')); });
  keepAlive.start(100);
  QTcpSocket* client = SimClient();
  ASSERT_NE(client, nullptr);
  QElapsedTimer sinceAck;
  sinceAck.start();
  int queued = 0;
  const auto watchQueue = [&] {
    int n = 0;
    if (::ioctl(static_cast<int>(client->socketDescriptor()), FIONREAD, &n) == 0 && n > queued) {
      queued = n;
      sinceAck.restart();
    }
    return queued;
  };
  const int batch = 2000;
  const QByteArray requests = QByteArray::fromStdString(sim::BuildTypeRequest()).repeated(batch);
  bool open = true;
  for (int i = 0; open && i < 200; ++i) {
    const int before = watchQueue();
    sim->SendRaw(requests);
    open = WaitUntil([&] { return watchQueue() >= before + 5 * batch; }, 300);
  }
  ASSERT_FALSE(open) << "the simulator's window never closed";
  const std::size_t linesBefore = logged.size();
  ASSERT_TRUE(sim->TakeOff(1));
  ASSERT_TRUE(WaitUntil([&] { return events.returns == 1; }));
  ASSERT_EQ(events.disconnected, 0);
  ASSERT_TRUE(WaitUntil(
      [&] {
        watchQueue();
        return events.disconnected == 1;
      },
      15000))
      << "still connected " << events.sinceReturn.elapsed() << " ms after the return";
  EXPECT_GE(sinceAck.elapsed(), kSendStallLimitMs - 200);
  EXPECT_LE(sinceAck.elapsed(), kSendStallLimitMs + 800);
  // The return is never confirmed either: sent three times, then alarmed.
  const auto count = [&](const char* text) {
    return std::count_if(logged.begin() + static_cast<std::ptrdiff_t>(linesBefore), logged.end(),
                         [&](const std::string& l) { return l.find(text) != std::string::npos; });
  };
  EXPECT_EQ(count("stopped reading"), 1);
  EXPECT_EQ(logged.size(),
            linesBefore + 1 + static_cast<std::size_t>(count("could not be returned")));
}

}  // namespace
}  // namespace vyr
