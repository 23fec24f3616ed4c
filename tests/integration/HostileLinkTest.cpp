// The link under hostile conditions, on the real event loop and socket: a
// handshake slower than a poll tick, a Server Module that floods the panel
// with maps, and one that answers polls but never reads.

#include <sys/ioctl.h>

#include <QElapsedTimer>
#include <QTimer>

#include "LoopbackFixture.h"
#include "engine/TCPComm.h"
#include "support/DelayedNetwork.h"

namespace vyr {
namespace {

using sim::test::Spin;
using sim::test::WaitUntil;
using HostileLink = Loopback;
// Polls answered late in a flood do not drop the link.
const std::string kPatient = "Time Out=3600\r\n";

// 240 ms round trip, a poll tick of 100 ms: the first attempt is left to
// finish, and the link then stays up.
TEST_F(HostileLink, handshakeSlowerThanAPollTickConnectsAtTheFirstAttempt) {
  test::DelayedNetwork net(120);
  if (!net.Ok())
    GTEST_SKIP() << "no delayed network here (needs root and /dev/net/tun): " << net.Error();
  ASSERT_TRUE(net.Enter(test::DelayedNetwork::kServerSide)) << net.Error();
  StartSim(test::DelayedNetwork::kServerAddress);
  ASSERT_TRUE(net.Enter(test::DelayedNetwork::kPanelSide)) << net.Error();
  StartPanel(test::DelayedNetwork::kServerAddress, 0, kPatient);
  ASSERT_TRUE(WaitUntil([&] { return st().bConnected; }, 5000))
      << events.Seen("connecting").size() << " attempts, none connected";
  EXPECT_EQ(events.Seen("connecting").size(), 1u);
  ASSERT_TRUE(Handshake());
  ASSERT_TRUE(sim->TakeOff(1));
  EXPECT_TRUE(WaitUntil([&] { return Returns().size() == 1; }, 3000));
  Spin(1500);
  EXPECT_EQ(events.disconnected, 0) << "a reading peer on a slow link is kept";
  EXPECT_GT(net.PacketsRelayed(), 10);
}

// Valid maps as fast as the simulator's socket takes them: the panel's
// backlog stays within its limit, an Off taken meanwhile is returned before
// the flood ends, and the room is given back after it.
TEST_F(HostileLink, floodOfMapsKeepsTheBacklogBoundedAndReturnsGoOut) {
  Start(0, kPatient);
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
    if (flood.elapsed() > 1000 && ReturnsSent() == 0 && sim->Model().Output(1).entries.size() > 0) {
      sim->TakeOff(1);
    }
    if (returnedDuringFlood < 0 && !Returns().empty()) returnedDuringFlood = flood.elapsed();
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
  Start(0, kPatient);
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
  const std::size_t linesBefore = events.Seen("log: ").size();
  ASSERT_TRUE(sim->TakeOff(1));
  ASSERT_TRUE(WaitUntil([&] { return ReturnsSent() == 1; }));
  QElapsedTimer sinceReturn;
  sinceReturn.start();
  ASSERT_EQ(events.disconnected, 0);
  ASSERT_TRUE(WaitUntil(
      [&] {
        watchQueue();
        return events.disconnected == 1;
      },
      15000))
      << "still connected " << sinceReturn.elapsed() << " ms after the return";
  EXPECT_GE(sinceAck.elapsed(), kSendStallLimitMs - 200);
  EXPECT_LE(sinceAck.elapsed(), kSendStallLimitMs + 800);
  // The return is never confirmed either: sent three times, then alarmed.
  EXPECT_EQ(LoggedWith("stopped reading", linesBefore), 1);
  EXPECT_EQ(events.Seen("disconnected"),
            std::vector<std::string>{"disconnected: the Server Module stopped reading"});
  EXPECT_EQ(
      events.Seen("log: ").size(),
      linesBefore + 1 + static_cast<std::size_t>(LoggedWith("could not be returned", linesBefore)));
}

}  // namespace
}  // namespace vyr
