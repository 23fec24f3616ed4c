#include <gtest/gtest.h>

#include "support/PanelFixture.h"

namespace vyr::test {
namespace {

class Connection : public PanelTest {};

TEST_F(Connection, connectUsesTheConfiguredServerAndClosesAFailedStart) {
  st.bConnected = false;
  st.sIPAddress = "10.1.2.3", st.lIPPort = 4000;
  ConnectToServer(p);
  EXPECT_EQ(sock.host, "10.1.2.3");
  EXPECT_EQ(sock.port, 4000);
  EXPECT_EQ(sock.connects, 1);
  EXPECT_EQ(sock.closes, 0);

  sock.connectCode = 1;
  ConnectToServer(p);
  EXPECT_EQ(sock.closes, 1);
  EXPECT_FALSE(st.bConnected) << "only the connected event opens the link";
}

TEST_F(Connection, connectedEventOpensAndDisconnectClearsBothFlags) {
  st.bConnected = false;
  st.iMissedPolls = 4;
  scktSwitcher_Connect(p);
  EXPECT_TRUE(st.bConnected);
  EXPECT_EQ(st.iMissedPolls, 0);
  EXPECT_EQ(events.connected, 1);

  st.bInfoRequested = true;
  st.sRecvBuffer = B({0xF5});
  scktSwitcher_Disconnect(p);
  EXPECT_FALSE(st.bConnected);
  EXPECT_FALSE(st.bInfoRequested);
  EXPECT_EQ(st.sRecvBuffer, B({0xF5})) << "the buffer is worked off later";
  EXPECT_EQ(events.disconnected, 1);

  DisconnectFromServer(p);  // again while down: closes again, no error
  EXPECT_EQ(sock.closes, 2);
  EXPECT_EQ(events.disconnected, 1);
  EXPECT_TRUE(logged.empty());
}

TEST_F(Connection, readEventTakesEverythingWaitingThenDispatchesOnce) {
  sock.incoming = std::string(70000, '\x01') + B({0xF5, 0xF5});
  scktSwitcher_Read(p);
  EXPECT_TRUE(tmrDecode.Enabled());
  EXPECT_EQ(sock.writes.size(), 1u) << "one message per dispatch";
  EXPECT_EQ(st.sRecvBuffer, B({0xF5}));
}

TEST_F(Connection, readEndingInAnotherErrorDoesNotDispatch) {
  sock.incoming = B({0xF5});
  sock.errorAfterRead = 10054;
  scktSwitcher_Read(p);
  EXPECT_FALSE(tmrDecode.Enabled());
  EXPECT_TRUE(sock.writes.empty());
  EXPECT_EQ(st.sRecvBuffer, B({0xF5}));
}

TEST_F(Connection, sendingWhileDownDisconnectsAndSendsNothing) {
  sock.connected = false;
  st.bInfoRequested = true;
  EXPECT_FALSE(SendToSwitcher(p, "\xF5"));
  EXPECT_TRUE(sock.writes.empty());
  EXPECT_FALSE(st.bConnected);
  EXPECT_FALSE(st.bInfoRequested);
}

TEST_F(Connection, shortWriteIsRepeatedWholeAndHardErrorLosesTheMessageQuietly) {
  sock.writeScript = {{-1, SwitcherSocket::kWouldBlock, 2}, {9, 0, 9}};
  const std::string frame = B({0xFE, 4, 0, 0, 0, 0, 0, 4, 0xFF});
  EXPECT_TRUE(SendToSwitcher(p, frame));
  ASSERT_EQ(sock.writes.size(), 2u);
  EXPECT_EQ(sock.writes[1], frame);

  sock.writeScript = {{-1, 10054, 0}};
  EXPECT_FALSE(SendToSwitcher(p, frame));
  EXPECT_EQ(sock.writes.size(), 3u);
  EXPECT_TRUE(st.bConnected);
  EXPECT_TRUE(logged.empty());
}

TEST_F(Connection, peerThatStopsReadingIsDroppedWithOneLogLine) {
  sock.pending = kSendQueueLimitBytes + 1;
  SendToSwitcher(p, "\xF5");
  EXPECT_FALSE(st.bConnected);
  EXPECT_EQ(sock.closes, 1);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("Error sending to switcher"), std::string::npos) << logged[0];
  EXPECT_NE(logged[0].find("Message Error"), std::string::npos) << logged[0];

  st.bConnected = true, sock.connected = true, sock.pending = 10;
  sock.stalledMs = kSendStallLimitMs - 1;
  SendToSwitcher(p, "\xF5");
  EXPECT_TRUE(st.bConnected) << "a short wait is not a stall";
  sock.stalledMs = kSendStallLimitMs;
  SendToSwitcher(p, "\xF5");
  EXPECT_FALSE(st.bConnected);
  EXPECT_EQ(logged.size(), 2u);
}

TEST_F(Connection, socketThatAlwaysWouldBlockDoesNotHangTheProgram) {
  for (int i = 0; i < 200; ++i) sock.writeScript.push_back({-1, SwitcherSocket::kWouldBlock, 0});
  SendToSwitcher(p, "\xF5");
  EXPECT_FALSE(st.bConnected);
  EXPECT_EQ(logged.size(), 1u);
}

}  // namespace
}  // namespace vyr::test
