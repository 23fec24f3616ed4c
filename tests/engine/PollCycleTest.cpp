// The poll timer: reconnecting, polls and information requests, and the
// link time-out.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

using PollCycle = EngineTest;

TEST_F(PollCycle, disconnectedTickOnlyReconnects) {
  Watch({{4}});
  st.iReturnSources[0] = 3, st.iReturnDelays[0] = 1, st.iPendingReturns = 1;
  st.bConnected = false;
  Ticks(3);
  EXPECT_EQ(sock.connects, 3);
  EXPECT_EQ(Hex(sock.Sent()), "");
  EXPECT_EQ(rows.PollCaption(), "0");
  EXPECT_EQ(st.iReturnDelays[0], 1);
}

TEST_F(PollCycle, everySecondTickPollsOrAsksForWhatIsMissing) {
  st.iTimeOut = 10000;
  Ticks(1);
  EXPECT_EQ(Hex(sock.Sent()), "");
  EXPECT_EQ(rows.PollCaption(), "1");
  Ticks(1);
  EXPECT_EQ(Hex(sock.Sent()), "F5");
  st.lInfoRequest = 0, st.lInfoRequest2 = 0x82;
  Ticks(2);
  EXPECT_EQ(Hex(sock.writes.back()), "F2 00 00 00 00 02 01 00 00 00 00 03 FF");
  EXPECT_EQ(st.iMissedPolls, 2);
  EXPECT_EQ(rows.PollCaption(), "4");
}

TEST_F(PollCycle, unansweredRequestsDropTheLinkOnTheNextRequestTick) {
  Watch({{4}});
  st.iReturnSources[0] = 3;
  Ticks(3);  // refresh 100, time out 20: the request of tick 2 is unanswered
  st.iReturnDelays[0] = 1, st.iPendingReturns = 1;
  Ticks(1);
  EXPECT_EQ(sock.closes, 1);
  EXPECT_FALSE(st.bConnected);
  EXPECT_EQ(st.iMissedPolls, 0);
  EXPECT_EQ(Hex(sock.Sent()), "F5");
  EXPECT_EQ(st.iReturnDelays[0], 1);  // no countdowns on that tick
  // Time out 300: three requests may go unanswered.
  st.bConnected = sock.connected = true;
  st.iTimeOut = 300, st.iPollTick = 0, st.iPendingReturns = 0;
  Clear();
  Ticks(9);
  EXPECT_EQ(Hex(sock.Sent()), "F5 F5 F5 F5");
  Ticks(1);
  EXPECT_FALSE(st.bConnected);
  EXPECT_EQ(sock.writes.size(), 4u);
}

}  // namespace
}  // namespace vyr::test
