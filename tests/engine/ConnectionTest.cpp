#include <gtest/gtest.h>

#include "support/PanelFixture.h"

namespace vyr::test {
namespace {

using Connection = PanelTest;

TEST_F(Connection, connectDisconnectAndTheFlagsTheyKeep) {
  st.bConnected = false;
  st.sIPAddress = "10.1.2.3", st.lIPPort = 4000;
  ConnectToServer(p);
  EXPECT_EQ(sock.host + ":" + std::to_string(sock.port), "10.1.2.3:4000");
  EXPECT_EQ(sock.closes, 0);
  sock.connectCode = 1;
  ConnectToServer(p);
  EXPECT_EQ(sock.closes, 1) << "a failed start is closed";
  EXPECT_FALSE(st.bConnected) << "only the connected event opens the link";

  st.iMissedPolls = 4;
  scktSwitcher_Connect(p);
  EXPECT_TRUE(st.bConnected);
  EXPECT_EQ(st.iMissedPolls, 0);
  EXPECT_EQ(events.connected, 1);

  st.bInfoRequested = true;
  st.sRecvBuffer = B({0xF5});
  scktSwitcher_Disconnect(p);
  EXPECT_FALSE(st.bConnected || st.bInfoRequested);
  EXPECT_EQ(st.sRecvBuffer, B({0xF5})) << "the buffer is worked off later";
  DisconnectFromServer(p);  // again while down: closes again, no second event
  EXPECT_EQ(sock.closes, 3);
  EXPECT_EQ(events.disconnected, 1);
  EXPECT_TRUE(logged.empty());
}

TEST_F(Connection, readTakesEverythingWaitingAndDispatchesOnceUnlessItEndsInAnError) {
  sock.Queue(std::string(70000, '\x01') + B({0xF5, 0xF5}));
  scktSwitcher_Read(p);
  EXPECT_TRUE(tmrDecode.Enabled());
  EXPECT_EQ(Hex(sock.Sent()), "F4") << "one message per dispatch";
  EXPECT_EQ(st.sRecvBuffer, B({0xF5}));

  tmrDecode.SetEnabled(false);
  sock.Queue(B({0xF5}));
  sock.failReads = true;
  scktSwitcher_Read(p);
  EXPECT_FALSE(tmrDecode.Enabled());
  EXPECT_EQ(Hex(sock.Sent()), "F4");
  EXPECT_EQ(st.sRecvBuffer, B({0xF5, 0xF5}));
}

TEST_F(Connection, refusedWriteOrClosedSocketLoseTheMessage) {
  const std::string frame = B({0xFE, 4, 0, 0, 0, 0, 0, 4, 0xFF});
  EXPECT_TRUE(SendToSwitcher(p, frame));
  sock.writeScript = {SwitcherSocket::WriteResult::kRefused};
  EXPECT_FALSE(SendToSwitcher(p, frame));
  EXPECT_EQ(sock.writes, std::vector<std::string>(2, frame));
  EXPECT_TRUE(st.bConnected);
  EXPECT_TRUE(logged.empty()) << "a refused write is not reported: the closed event follows";

  sock.connected = false;
  st.bInfoRequested = true;
  EXPECT_FALSE(SendToSwitcher(p, frame));
  EXPECT_EQ(sock.writes.size(), 2u);
  EXPECT_FALSE(st.bConnected || st.bInfoRequested);
}

TEST_F(Connection, peerThatStopsReadingIsDroppedWithOneLogLine) {
  auto dropped = [&](int64_t pending, int64_t stalledMs) {
    st.bConnected = true, sock.connected = true;
    sock.pending = pending, sock.stalledMs = stalledMs;
    SendToSwitcher(p, "\xF5");
    return !st.bConnected;
  };
  EXPECT_TRUE(dropped(kSendQueueLimitBytes + 1, 0));
  EXPECT_FALSE(dropped(10, kSendStallLimitMs - 1)) << "a short wait is not a stall";
  EXPECT_TRUE(dropped(10, kSendStallLimitMs));
  EXPECT_EQ(sock.closes, 2);
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_NE(logged[0].find("Error sending to switcher"), std::string::npos) << logged[0];
  EXPECT_NE(logged[0].find("Message Error"), std::string::npos) << logged[0];
}

// A handshake slower than a poll tick (a Server Module across a VPN or WAN):
// the attempt is left alone for 10 s; a refused one is retried at once.
TEST_F(Connection, slowHandshakeIsLeftToFinishAndAbandonedOnlyAfterTenSeconds) {
  st.bConnected = false;
  tmrpoll_Timer(p);
  ASSERT_EQ(sock.connects, 1);
  for (int64_t ms = 0; ms < kConnectAttemptLimitMs; ms += 100) {
    sock.connectingMs = ms;
    tmrpoll_Timer(p);
  }
  EXPECT_EQ(sock.connects, 1) << "100 ticks later the first attempt is still under way";
  EXPECT_EQ(sock.closes, 0);
  sock.connectingMs = kConnectAttemptLimitMs;
  tmrpoll_Timer(p);
  EXPECT_EQ(sock.closes, 1) << "abandoned after 10 s";
  EXPECT_EQ(sock.connects, 1);
  tmrpoll_Timer(p);
  EXPECT_EQ(sock.connects, 2) << "and tried again on the next tick";
  sock.connectingMs = -1;  // refused
  tmrpoll_Timer(p);
  EXPECT_EQ(sock.connects, 3) << "a refused attempt is retried on the next tick";
  EXPECT_TRUE(logged.empty());
}

// A Server Module that sends faster than the panel works: reading stops at
// the backlog limit (only one longer message is completed beyond it), the
// decode timer fetches the rest as room is made, and the room is given back.
TEST_F(Connection, floodIsReadOnlyAsFastAsItIsWorkedOffAndItsRoomGivenBack) {
  const std::string run = std::string(1023, '\x01') + B({0xF5});
  std::string polls;
  while (polls.size() < (5u << 20)) polls += run;
  const std::string big = B({0xFE}) + std::string(6u << 20, '\x01') + B({0x01, 0xFF, 0xF5});
  struct Row {
    const char* what;
    const std::string& incoming;
    std::size_t backlogLimit;
    std::size_t answers;
  } cases[] = {
      {"5 MiB of polls", polls, kReceiveBacklogBytes, polls.size() / run.size()},
      {"one 6 MiB frame", big, kMaxMessageBytes + 1, 1},
  };
  for (const Row& row : cases) {
    SCOPED_TRACE(row.what);
    sock.writes.clear();
    sock.Queue(row.incoming);
    scktSwitcher_Read(p);
    std::size_t most = st.sRecvBuffer.size();
    EXPECT_NE(sock.Waiting(), 0u) << "the first read stops at the backlog limit";
    for (int tick = 0; tmrDecode.Enabled() && tick < 100000; ++tick) {
      tmrDecode_Timer(p);
      most = std::max(most, st.sRecvBuffer.size());
    }
    EXPECT_LE(most, row.backlogLimit);
    EXPECT_EQ(sock.Waiting(), 0u) << sock.Waiting() << " bytes never read";
    EXPECT_EQ(sock.writes.size(), row.answers) << "every poll answered";
    EXPECT_TRUE(st.sRecvBuffer.empty());
    EXPECT_LE(st.sRecvBuffer.Capacity(), 1u << 20) << "room beyond 1 MiB is given back";
  }
}

}  // namespace
}  // namespace vyr::test
