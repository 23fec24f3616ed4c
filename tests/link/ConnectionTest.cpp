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
  sock.incoming = std::string(70000, '\x01') + B({0xF5, 0xF5});
  scktSwitcher_Read(p);
  EXPECT_TRUE(tmrDecode.Enabled());
  EXPECT_EQ(Hex(sock.Sent()), "F4") << "one message per dispatch";
  EXPECT_EQ(st.sRecvBuffer, B({0xF5}));

  tmrDecode.SetEnabled(false);
  sock.incoming = B({0xF5});
  sock.errorAfterRead = 10054;
  scktSwitcher_Read(p);
  EXPECT_FALSE(tmrDecode.Enabled());
  EXPECT_EQ(Hex(sock.Sent()), "F4");
  EXPECT_EQ(st.sRecvBuffer, B({0xF5, 0xF5}));
}

TEST_F(Connection, shortWriteIsRepeatedWholeAndHardErrorOrClosedSocketLoseTheMessage) {
  const std::string frame = B({0xFE, 4, 0, 0, 0, 0, 0, 4, 0xFF});
  sock.writeScript = {{-1, SwitcherSocket::kWouldBlock, 2}, {9, 0, 9}};
  EXPECT_TRUE(SendToSwitcher(p, frame));
  EXPECT_EQ(sock.writes, std::vector<std::string>(2, frame));

  sock.writeScript = {{-1, 10054, 0}};
  EXPECT_FALSE(SendToSwitcher(p, frame));
  EXPECT_EQ(sock.writes.size(), 3u);
  EXPECT_TRUE(st.bConnected);
  EXPECT_TRUE(logged.empty()) << "a hard error is not reported";

  sock.connected = false;
  st.bInfoRequested = true;
  EXPECT_FALSE(SendToSwitcher(p, frame));
  EXPECT_EQ(sock.writes.size(), 3u);
  EXPECT_FALSE(st.bConnected || st.bInfoRequested);
}

TEST_F(Connection, peerThatStopsReadingIsDroppedWithOneLogLine) {
  auto dropped = [&](int64_t pending, int64_t stalledMs, int wouldBlocks = 0) {
    st.bConnected = true, sock.connected = true;
    sock.pending = pending, sock.stalledMs = stalledMs;
    sock.writeScript.assign(static_cast<std::size_t>(wouldBlocks),
                            {-1, SwitcherSocket::kWouldBlock, 0});
    SendToSwitcher(p, "\xF5");
    return !st.bConnected;
  };
  EXPECT_TRUE(dropped(kSendQueueLimitBytes + 1, 0));
  EXPECT_FALSE(dropped(10, kSendStallLimitMs - 1)) << "a short wait is not a stall";
  EXPECT_TRUE(dropped(10, kSendStallLimitMs));
  EXPECT_TRUE(dropped(0, 0, 200)) << "a socket that always would block must not hang the program";
  EXPECT_EQ(sock.closes, 3);
  ASSERT_EQ(logged.size(), 3u);
  EXPECT_NE(logged[0].find("Error sending to switcher"), std::string::npos) << logged[0];
  EXPECT_NE(logged[0].find("Message Error"), std::string::npos) << logged[0];
}

}  // namespace
}  // namespace vyr::test
