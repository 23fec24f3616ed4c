// The panel's side of the link: connecting, the poll timer and the link
// time-out, reading, sending, handing each message to its handler, and
// storing decoded crosspoint maps.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

using Link = EngineTest;
using PollCycle = EngineTest;
using CrosspointMap = EngineTest;

TEST_F(Link, connectDisconnectAndTheFlagsTheyKeep) {
  st.bConnected = false;
  st.sIPAddress = "10.1.2.3", st.lIPPort = 4000;
  ConnectToServer(p);
  sock.connectCode = 1;  // a failed start is closed
  ConnectToServer(p);
  EXPECT_EQ(sock.host + ":" + std::to_string(sock.port), "10.1.2.3:4000");
  EXPECT_EQ(sock.closes, 1);
  EXPECT_FALSE(st.bConnected) << "only the connected event opens the link";

  st.iMissedPolls = 4;
  const int64_t link = st.lLinkCount;  // returns sent on the old link are checked anew
  scktSwitcher_Connect(p);
  EXPECT_EQ(std::tuple(st.bConnected, st.iMissedPolls, st.lLinkCount, events.connected),
            std::tuple(true, 0, link + 1, 1));

  st.bInfoRequested = true;
  st.sRecvBuffer = B({0xF5});  // worked off later
  scktSwitcher_Disconnect(p);
  DisconnectFromServer(p);  // again while down: closes again, no second event
  EXPECT_FALSE(st.bConnected || st.bInfoRequested);
  EXPECT_EQ(std::tuple(st.sRecvBuffer.size(), sock.closes, events.disconnected),
            std::tuple(1u, 3, 1));
  EXPECT_TRUE(logged.empty());
}

// A handshake slower than a poll tick (a Server Module across a VPN or WAN)
// is left alone for 10 s; a refused one is retried at once.
// A tick while disconnected only reconnects: no poll, no countdown.
TEST_F(Link, slowHandshakeIsLeftToFinishAndAbandonedOnlyAfterTenSeconds) {
  Watch({{4}});
  st.iReturnSources[0] = 3, st.iReturnDelays[0] = 1, st.iPendingReturns = 1;
  st.bConnected = false;
  for (int64_t ms : {int64_t{-1}, int64_t{0}, kConnectAttemptLimitMs - 1}) {
    sock.connectingMs = ms;
    Ticks(1);
  }
  EXPECT_EQ(sock.connects + sock.closes, 1) << "the first attempt is still under way";
  sock.connectingMs = kConnectAttemptLimitMs;
  Ticks(2);
  EXPECT_EQ(sock.closes, 1) << "abandoned after 10 s";
  EXPECT_EQ(sock.connects, 2) << "and tried again on the next tick";
  sock.connectingMs = -1;  // refused
  Ticks(2);
  EXPECT_EQ(sock.connects, 4);
  EXPECT_EQ(std::tuple(Hex(sock.Sent()), rows.PollCaption(), st.iReturnDelays[0], logged.size()),
            std::tuple("", "0", 1, 0u));
}

TEST_F(Link, readTakesEverythingWaitingDispatchesOnceAndTheTimerWorksOffTheRest) {
  sock.Queue(std::string(70000, '\x01') + B({0xF5, 0xF5}));
  scktSwitcher_Read(p);
  EXPECT_TRUE(tmrDecode.Enabled());
  EXPECT_EQ(Hex(sock.Sent()), "F4") << "one message per dispatch";
  EXPECT_EQ(st.sRecvBuffer, B({0xF5}));
  // A read that ends in an error keeps what came but dispatches nothing.
  tmrDecode.SetEnabled(false);
  sock.Queue(B({0xF5}));
  sock.failReads = true;
  scktSwitcher_Read(p);
  EXPECT_FALSE(tmrDecode.Enabled());
  // The decode timer works off the buffer in batches and stops on a fragment.
  tmrDecode.SetEnabled(true);
  st.sRecvBuffer.Append(std::string(kMessagesPerDecodeTick, '\xF5') + B({0xF6, 0x00}));
  tmrDecode_Timer(p);
  EXPECT_EQ(sock.writes.size(), std::size_t(kMessagesPerDecodeTick + 1));
  EXPECT_TRUE(tmrDecode.Enabled());
  tmrDecode_Timer(p);  // two polls, then only a fragment: no spinning
  EXPECT_EQ(sock.writes.size(), std::size_t(kMessagesPerDecodeTick + 3));
  EXPECT_FALSE(tmrDecode.Enabled());
  EXPECT_EQ(st.sRecvBuffer, B({0xF6, 0x00}));
}

TEST_F(Link, messagesGoToTheirHandlersAndTheFirstPollAnswerAsksForMapAndNames) {
  st.iMissedPolls = 3;
  tmrpoll.SetEnabled(false);
  Receive(B({0xF5, 0xF4, 0xF4}) + sim::BuildTypeRequest() + sim::BuildSwitcherType(133) +
          OneOutput(3, {7}) + sim::BuildNameTable(sim::kInputNames, 4, {"A", "B"}));
  EXPECT_EQ(Hex(sock.Sent()), "F4 F2 00 07 00 00 00 00 00 00 00 00 07 FF 81 02 01 03 FF");
  EXPECT_TRUE(st.bInfoRequested && tmrpoll.Enabled());
  // Switcher type, map, input names (and with them their request bits) in.
  EXPECT_EQ(std::tuple(st.iMissedPolls, st.iSwitcherType, st.udtXptMap[3].Src(0), st.iNumInputs,
                       st.lInfoRequest),
            std::tuple(0, 133, 7, 2, 0x200));
  st.iMissedPolls = 3;
  Receive(B({0xF1}));
  EXPECT_EQ(st.iMissedPolls, 0) << "an acknowledgement shows the link alive";
  EXPECT_TRUE(logged.empty()) << logged.front();
}

// A Server Module that sends faster than the panel works: reading stops at
// the backlog limit (only one longer message is completed beyond it), the
// decode timer fetches the rest as room is made, and the room is given back.
TEST_F(Link, floodIsReadOnlyAsFastAsItIsWorkedOffAndItsRoomGivenBack) {
  const std::string run = std::string(1023, '\x01') + B({0xF5});
  std::string polls;
  while (polls.size() < (5u << 20)) polls += run;
  const std::string big = B({0xFE}) + std::string(6u << 20, '\x01') + B({0x01, 0xFF, 0xF5});
  const struct {
    const std::string& incoming;
    std::size_t backlogLimit, answers;
  } cases[] = {{polls, kReceiveBacklogBytes, polls.size() / run.size()},
               {big, kMaxMessageBytes + 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answers);
    sock.writes.clear();
    sock.Queue(c.incoming);
    scktSwitcher_Read(p);
    std::size_t most = st.sRecvBuffer.size();
    EXPECT_NE(sock.Waiting(), 0u) << "the first read stops at the backlog limit";
    for (int tick = 0; tmrDecode.Enabled() && tick < 100000; ++tick) {
      tmrDecode_Timer(p);
      most = std::max(most, st.sRecvBuffer.size());
    }
    EXPECT_LE(most, c.backlogLimit);
    EXPECT_EQ(sock.Waiting(), 0u) << "bytes never read";
    EXPECT_EQ(sock.writes.size(), c.answers) << "every poll answered";
    EXPECT_TRUE(st.sRecvBuffer.empty());
    EXPECT_LE(st.sRecvBuffer.Capacity(), 1u << 20) << "room beyond 1 MiB is given back";
  }
}

TEST_F(Link, refusedWriteOrClosedSocketLoseTheMessageAndAStalledPeerIsDropped) {
  EXPECT_TRUE(SendToSwitcher(p, "\xF5"));
  sock.writeScript = {SwitcherSocket::WriteResult::kRefused};
  EXPECT_FALSE(SendToSwitcher(p, "\xF5"));  // not reported: the closed event follows
  EXPECT_TRUE(st.bConnected);
  sock.connected = false;
  st.bInfoRequested = true;
  EXPECT_FALSE(SendToSwitcher(p, "\xF5"));
  EXPECT_EQ(sock.writes.size(), 2u);
  EXPECT_FALSE(st.bConnected || st.bInfoRequested);

  auto dropped = [&](int64_t pending, int64_t stalledMs) {
    st.bConnected = true, sock.connected = true;
    sock.pending = pending, sock.stalledMs = stalledMs;
    SendToSwitcher(p, "\xF5");
    return !st.bConnected;
  };
  EXPECT_TRUE(dropped(kSendQueueLimitBytes + 1, 0));
  EXPECT_FALSE(dropped(kSendQueueLimitBytes, kSendStallLimitMs - 1)) << "a short wait is no stall";
  EXPECT_TRUE(dropped(10, kSendStallLimitMs));
  EXPECT_EQ(logged.size(), 2u);
  EXPECT_EQ(Logged("Error sending to switcher", "Message Error"), 2);
}

TEST_F(Link, nameTablesSizeTheSwitcherRelabelRowsAndClearTheirRequests) {
  Watch({{1}, {0}});
  Consoles({{0, 1, 2, 3}});
  st.lInfoRequest = 0x380;
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) names.push_back("OUT" + std::to_string(i));
  ProcessAlphaTable(p, sim::BuildNameTable(sim::kOutputNames, 6, names));
  ASSERT_EQ(std::tuple(st.iNumOutputs, st.udtXptMap.size(), st.iMMAssoc.size()),
            std::tuple(300, 300u, 300u));
  EXPECT_EQ(st.iMMAssoc[1], 0) << "bus table rebuilt for the new count";
  EXPECT_EQ(rows.Row(0).sOut + "|" + rows.Row(1).sOut, "OUT1  |OUT0  ");
  st.iMMAssoc[1] = 77;  // the same count again: names only, bus table kept
  names[1] = "NEW";
  ProcessAlphaTable(p, sim::BuildNameTable(sim::kOutputNames, 6, names));
  EXPECT_EQ(rows.Row(0).sOut + std::to_string(st.iMMAssoc[1]), "NEW   77");
  ProcessAlphaTable(p, sim::BuildNameTable(sim::kInputNames, 8, {"MIC", "CD", "TEL"}));
  EXPECT_EQ(st.iInputMMState, std::vector<int16_t>(3, kNone));
  EXPECT_EQ(st.lInfoRequest, 0x080);

  // A table with no entries is ignored, stays asked for and logs a line.
  st.lInfoRequest = 0x380;
  for (int kind : {sim::kOutputNames, sim::kInputNames})
    ProcessAlphaTable(p, sim::BuildNameTable(kind, 8, {}));
  EXPECT_EQ(st.iNumOutputs + st.iNumInputs, 303);
  EXPECT_EQ(st.lInfoRequest, 0x380);
  EXPECT_EQ(Logged("name table with no entries ignored", "Message Error"), 2);
  // A watched output beyond a new table is no error: the next refresh shows
  // it as not on the switcher.
  Watch({{5}});
  ProcessAlphaTable(p, sim::BuildNameTable(sim::kOutputNames, 4, {"A", "B"}));
  EXPECT_EQ(st.lInfoRequest, 0x180);
  EXPECT_EQ(Logged("Error Processing Alpha Table", ""), 0);
  st.bInfoRequested = true;
  UpdateDisplays(p);
  EXPECT_TRUE(RowIs(0, kNotOnSwitcherCaption, kColourGrey));
}

TEST_F(PollCycle, everySecondTickPollsOrAsksForWhatIsMissing) {
  st.iTimeOut = 10000;
  Ticks(1);
  EXPECT_EQ(Hex(sock.Sent()) + "|" + rows.PollCaption(), "|1");
  Ticks(1);
  EXPECT_EQ(Hex(sock.Sent()), "F5");
  st.lInfoRequest = 0, st.lInfoRequest2 = 0x82;
  Ticks(2);
  EXPECT_EQ(Hex(sock.writes.back()), "F2 00 00 00 00 02 01 00 00 00 00 03 FF");
  EXPECT_EQ(std::tuple(st.iMissedPolls, rows.PollCaption()), std::tuple(2, "4"));
}

TEST_F(PollCycle, unansweredRequestsDropTheLinkOnTheNextRequestTick) {
  Watch({{4}});
  st.iReturnSources[0] = 3;
  Ticks(3);  // refresh 100, time out 20: the request of tick 2 is unanswered
  st.iReturnDelays[0] = 1, st.iPendingReturns = 1;
  Ticks(1);
  EXPECT_FALSE(st.bConnected);
  // Closed once, polled once; no countdowns on that tick.
  EXPECT_EQ(std::tuple(sock.closes, st.iMissedPolls, Hex(sock.Sent()), st.iReturnDelays[0]),
            std::tuple(1, 0, "F5", 1));
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

// A dropped map changes nothing, and only a count that cannot be kept is
// logged; outputs past the switcher are not stored, and the map is asked
// for again until the output names have come.
TEST_F(CrosspointMap, droppedOrBeyondTheSwitcherIsNotStored) {
  Watch({{4}});
  Feed(OneOutput(4, {199}));
  st.lInfoRequest = 0x380;
  Clear();
  std::string badSum = OneOutput(4, {});
  badSum[badSum.size() - 2] ^= 1;
  // 65 entries are too many; 256 cannot be kept in the count byte.
  for (const std::string& frame :
       {badSum, OneOutput(4, std::vector<int>(65, 1)), OneOutput(4, std::vector<int>(256, 1))}) {
    Feed(frame);
    EXPECT_EQ(st.udtXptMap[4], XptRecord({199})) << Hex(frame);
    EXPECT_EQ(st.lInfoRequest, 0x380) << Hex(frame);
    EXPECT_TRUE(RowIs(0, "Inpt0200", kColourGreen)) << Hex(frame);
  }
  EXPECT_EQ(Hex(sock.Sent()), "");
  Feed(OneOutput(257, {1}));  // past the last output before the names: asked for again
  EXPECT_EQ(st.lInfoRequest, 0x380);
  st.lInfoRequest = 0x180;  // the output names are in: the switcher is as large as they say
  Feed(OneOutput(257, {1}));
  EXPECT_EQ(st.lInfoRequest, 0x100);
  std::vector<Block> blocks;
  for (int r = 0; r < 10; ++r) blocks.push_back({{{100 + r}}});
  Feed(MapFrame(250, blocks));
  for (int o = 250; o < 256; ++o) EXPECT_EQ(st.udtXptMap[o].Src(0), 100 + o - 250) << o;
  Feed(OneOutput(256, {1}));  // one past the last output
  EXPECT_EQ(st.udtXptMap.size(), 256u);
  EXPECT_EQ(logged.size(), 1u);
  EXPECT_EQ(Logged("Error Processing Crosspoint Map", "Message Error"), 1);
}

}  // namespace
}  // namespace vyr::test
