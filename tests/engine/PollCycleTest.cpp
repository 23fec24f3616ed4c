// The poll timer: reconnecting, polls and information requests, the link
// time-out and the delayed returns.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

class PollCycleTest : public EngineTest {
 protected:
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) tmrpoll_Timer(p);
  }
};

TEST_F(PollCycleTest, disconnectedTickOnlyReconnects) {
  Watch({{4}});
  st.iReturnSources[0] = 3, st.iReturnDelays[0] = 1, st.iPendingReturns = 1;
  st.bConnected = false;
  Ticks(3);
  EXPECT_EQ(sock.connects, 3);
  EXPECT_EQ(Hex(sock.Sent()), "");
  EXPECT_EQ(rows.PollCaption(), "Label1");
  EXPECT_EQ(st.iReturnDelays[0], 1);
}

TEST_F(PollCycleTest, everySecondTickPollsOrAsksForWhatIsMissing) {
  st.iTimeOut = 10000;
  Ticks(1);
  EXPECT_EQ(Hex(sock.Sent()), "");
  EXPECT_EQ(rows.PollCaption(), "1");
  Ticks(1);
  EXPECT_EQ(Hex(sock.Sent()), "F5");
  Clear();
  st.lInfoRequest = 0x80;
  Ticks(2);
  EXPECT_EQ(Hex(sock.Sent()), "F2 00 01 00 00 00 00 00 00 00 00 01 FF");
  Clear();
  st.lInfoRequest = 0, st.lInfoRequest2 = 0x82;
  Ticks(2);
  EXPECT_EQ(Hex(sock.Sent()), "F2 00 00 00 00 02 01 00 00 00 00 03 FF");
  EXPECT_EQ(st.iMissedPolls, 3);
  EXPECT_EQ(rows.PollCaption(), "6");
}

TEST_F(PollCycleTest, unansweredRequestsDropTheLinkOnTheNextRequestTick) {
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
  EXPECT_TRUE(st.bConnected);
  Ticks(1);
  EXPECT_FALSE(st.bConnected);
  EXPECT_EQ(sock.writes.size(), 4u);
}

TEST_F(PollCycleTest, countdownsReturnInSlotOrderOnlyWhilePendingAndTheOutputIsStillOff) {
  st.iTimeOut = 10000, st.iWaitTicks = 1;
  Watch({{6}, {9}, {4}});
  st.iReturnSources = {60, 90, 40};
  for (int o : {6, 9, 4}) Feed(OneOutput(o, {}));
  EXPECT_EQ(st.iReturnDelays, (std::vector<int16_t>{2, 2, 2}));
  Ticks(1);
  EXPECT_TRUE(Changes().empty());
  Feed(MapFrame(9, {{{{3, true}}}}));  // output 9 now carries output 3
  Ticks(1);
  EXPECT_EQ(Changes(), (std::vector<Sent>{{7, 61, 4}, {5, 41, 4}}));
  EXPECT_EQ(st.iReturnDelays, (std::vector<int16_t>{0, 0, 0}));
  EXPECT_EQ(st.iPendingReturns, 0);

  Clear();  // the table is read only while returns are pending
  st.iReturnDelays[0] = 1;
  Ticks(1);
  EXPECT_EQ(st.iReturnDelays[0], 1);
  st.iPendingReturns = 1, st.bReturnToSpecific = true, st.iReturnSource = kNone;
  Ticks(1);  // no source to send: the countdown ends without a change
  EXPECT_TRUE(Changes().empty());
  EXPECT_EQ(st.iPendingReturns, 0);
}

}  // namespace
}  // namespace vyr::test
