// The panel's core on the real event loop and socket, against the switcher
// simulator over loopback TCP.

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include "LoopbackFixture.h"
#include "engine/TCPComm.h"

namespace vyr {
namespace {

using sim::test::Spin;
using sim::test::WaitUntil;

// A full map as it was commands nothing (the file names no console, so no
// relay either); a salvo taking both watched outputs off is returned.
TEST_F(Loopback, handshakeBringsNamesAndTheWholeMapAndASalvoIsReturned) {
  Start(0, "Refresh Rate=150\r\n");
  EXPECT_EQ(panel->pollTimer().Interval(), 150) << "the poll timer follows the file";
  ASSERT_TRUE(Handshake());
  EXPECT_EQ(std::make_tuple(sim->InfoRequestsSeen(), st().iNumOutputs, st().iNumInputs),
            std::make_tuple(1, 8, 8));
  // The map keeps at least its start-up size.
  EXPECT_EQ(std::make_tuple(st().udtXptMap.size(), st().udtXptMap[2].bySrcCount,
                            st().udtXptMap[2].Src(0)),
            std::make_tuple(256u, 1, 2));
  EXPECT_TRUE(ShowsGreen(1, "Inpt0003"));
  EXPECT_EQ(events.Seen("log: "), std::vector<std::string>{});
  EXPECT_EQ(events.Seen("conn"),
            (std::vector<std::string>{"connecting 127.0.0.1:" + std::to_string(sim->Port()),
                                      "connected"}));
  EXPECT_EQ(events.Seen("rows"), std::vector<std::string>{"rows 2"});

  ASSERT_TRUE(sim->SendFullMap());
  Spin(300);
  EXPECT_TRUE(sim->Changes().empty())
      << sim->Changes().size() << " changes, the first mode " << sim->Changes().front().mode;
  sim->Model().TakeOff(1), sim->Model().TakeOff(2);
  ASSERT_TRUE(sim->SendFullMap());
  ASSERT_TRUE(WaitUntil([&] { return Carries(1, 1) && Carries(2, 2); }));
  EXPECT_EQ(Returns().size(), 2u);
  EXPECT_TRUE(ShowsGreen(1, "Inpt0003"));
}

// Output 2 at once, output 3 after 5 ticks of 100 ms (on the sixth); the
// simulator reports the change back and the row shows the source again.
// Then output 3 is taken off while the link is down (and, with a wait, output
// 2 while its countdown runs across the drop): both come back after it.
TEST_F(Loopback, outputTakenOffIsReturnedAtOnceOrAfterTheWaitAndAcrossADrop) {
  const struct {
    int waitMs, output;
    std::vector<std::string> returnEvents;
  } cases[] = {
      {0, 1, {"return sent slot 0 out 1 src 1 sends 1", "return confirmed slot 0 out 1"}},
      {500,
       2,
       {"return scheduled slot 1 out 2 src 2 ticks 6", "return sent slot 1 out 2 src 2 sends 1",
        "return confirmed slot 1 out 2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.waitMs);
    events = {};
    Start(c.waitMs);
    ASSERT_TRUE(Handshake());
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(sim->TakeOff(c.output));
    ASSERT_TRUE(WaitUntil([&] { return !Returns().empty(); }));
    EXPECT_GE(clock.elapsed(), c.waitMs);
    const sim::Change back = Returns().front();
    EXPECT_EQ(std::tie(back.output, back.source, back.mode),
              std::make_tuple(c.output, c.output, 4));
    EXPECT_TRUE(ShowsGreen(c.output - 1, "Inpt000" + std::to_string(c.output + 1)));
    EXPECT_EQ(Returns().size(), 1u);
    EXPECT_EQ(events.Seen("return"), c.returnEvents);

    if (c.waitMs > 0) {
      ASSERT_TRUE(sim->TakeOff(1));
      ASSERT_TRUE(WaitUntil([&] { return st().iPendingReturns == 1; }));
    }
    sim->DropClient();
    sim->Model().TakeOff(2);  // nobody is told: the link is down
    ASSERT_TRUE(WaitUntil([&] { return events.disconnected == 1; }));
    ASSERT_TRUE(Handshake());
    ASSERT_TRUE(WaitUntil([&] { return Carries(2, 2) && Carries(1, 1); }, 5000));
    EXPECT_EQ(Returns().size(), c.waitMs > 0 ? 3u : 2u);
  }
}

// A peer that stops answering polls, or stops reading, is dropped; the link
// comes back, asks for the tables again and polls on.
TEST_F(Loopback, silentOrDeafPeerIsDroppedAndTheLinkComesBack) {
  for (const bool deaf : {false, true}) {
    SCOPED_TRACE(deaf ? "deaf" : "silent");
    events = {};
    Start();
    ASSERT_TRUE(Handshake());
    deaf ? sim->SetReading(false) : sim->SetAnswerPolls(false);
    ASSERT_TRUE(WaitUntil([&] { return events.disconnected == 1; }, 5000));
    if (!deaf) {
      EXPECT_EQ(
          events.Seen("disconnected"),
          std::vector<std::string>{"disconnected: the Server Module stopped answering polls"});
    }
    deaf ? sim->SetReading(true) : sim->SetAnswerPolls(true);
    ASSERT_TRUE(WaitUntil([&] { return events.connected == 2 && Handshake(0); }, 5000));
    EXPECT_EQ(sim->InfoRequestsSeen(), 2) << "a new connection asks again";
    const int32_t before = st().lPollCount;
    Spin(300);
    EXPECT_GT(st().lPollCount, before) << "the poll timer kept running";
  }
}

// With no Server Module listening, refused attempts are retried until one
// listens. That one accepts and never reads: what the panel writes piles up
// until the link is dropped, with one line in the error log.
TEST_F(Loopback, refusedAttemptsAreRetriedAndAPeerThatNeverReadsIsDropped) {
  QTcpServer server;  // finds a free port, then frees it
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  const quint16 port = server.serverPort();
  server.close();
  StartUnconfigured(port);
  panel->pollTimer().SetInterval(100);
  panel->pollTimer().SetEnabled(true);
  Spin(350);  // a few refused attempts
  EXPECT_FALSE(st().bConnected);
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, port));
  ASSERT_TRUE(WaitUntil([&] { return st().bConnected && server.hasPendingConnections(); }));
  EXPECT_EQ(events.connected, 1);
  const std::vector<std::string> failed = events.Seen("connect failed");
  ASSERT_FALSE(failed.empty());
  EXPECT_EQ(failed.front(), "connect failed: Connection refused");

  std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
  peer->setReadBufferSize(1);
  const std::size_t logged = events.Seen("log: ").size();
  SendToSwitcher(panel->panel(), std::string(8 << 20, '\x01'));
  EXPECT_FALSE(st().bConnected);
  EXPECT_EQ(events.Seen("log: ").size(), logged + 1);
  EXPECT_EQ(LoggedWith("Error sending to switcher", logged), 1);
}

}  // namespace
}  // namespace vyr
