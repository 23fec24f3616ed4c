#include <gtest/gtest.h>

#include "support/PanelFixture.h"

namespace vyr::test {
namespace {

class Dispatcher : public PanelTest {
 protected:
  void Feed(const std::string& bytes) { st.sRecvBuffer.Append(bytes); }
};

TEST_F(Dispatcher, dropsGarbageBeforeAPollAndAnswersIt) {
  Feed(B({0x05, 0x06, 0xF5}));
  ProcessCommand(p);
  EXPECT_EQ(Hex(sock.Sent()), "F4");
  EXPECT_TRUE(st.sRecvBuffer.empty());

  Feed(B({0x01, 0x02, 0x03}));  // nothing that can start a message
  ProcessCommand(p);
  EXPECT_TRUE(st.sRecvBuffer.empty());
  EXPECT_EQ(sock.writes.size(), 1u);
}

TEST_F(Dispatcher, waitsForTheRestOfAFrame) {
  Feed(B({0xF6, 0x00, 0x01}));
  ProcessCommand(p);
  EXPECT_EQ(st.sRecvBuffer, B({0xF6, 0x00, 0x01}));
  Feed(OneOutput(4, {}).substr(3));
  st.lInfoRequest = 0x80;
  ProcessCommand(p);
  EXPECT_TRUE(st.sRecvBuffer.empty());
  EXPECT_EQ(st.lInfoRequest, 0) << "the whole map was handled";
}

TEST_F(Dispatcher, brokenFragmentIsDroppedAndTheNextMessageHandledInTheSameCall) {
  st.bInfoRequested = true;
  st.iMissedPolls = 3;
  Feed(B({0xFC, 0x01, 0xF4, 0x05, 0xFF}));
  ProcessCommand(p);
  EXPECT_EQ(st.iMissedPolls, 0);
  EXPECT_EQ(st.sRecvBuffer, B({0x05, 0xFF}));
  ProcessCommand(p);  // drops 0x05, then the lone 0xFF as a message of its own
  EXPECT_TRUE(st.sRecvBuffer.empty());
  EXPECT_TRUE(sock.writes.empty());
}

TEST_F(Dispatcher, pollBehindAnUnfinishedFrameIsAnsweredAtOnce) {
  Feed(B({0xF6, 0x00, 0x01, 0xF5, 0x02}));
  ProcessCommand(p);
  EXPECT_EQ(Hex(sock.Sent()), "F4");
  EXPECT_EQ(st.sRecvBuffer, B({0x02}));
}

TEST_F(Dispatcher, endlessFrameWithoutEndMarkerIsDroppedPastTheLargestMessage) {
  Feed(B({0xF6}) + std::string(kMaxMessageBytes - 1, '\x01'));
  ProcessCommand(p);
  EXPECT_EQ(st.sRecvBuffer.size(), kMaxMessageBytes) << "a large message may still be arriving";
  Feed(B({0x01}));
  ProcessCommand(p);
  EXPECT_TRUE(st.sRecvBuffer.empty());
}

TEST_F(Dispatcher, handlesOneMessagePerCall) {
  Feed(B({0xF5, 0xF5}));
  ProcessCommand(p);
  EXPECT_EQ(sock.writes.size(), 1u);
  EXPECT_EQ(st.sRecvBuffer, B({0xF5}));
  ProcessCommand(p);
  EXPECT_EQ(sock.writes.size(), 2u);
}

TEST_F(Dispatcher, firstPollAnswerOfAConnectionAsksForMapAndNamesOnce) {
  st.iMissedPolls = 2;
  Feed(B({0xF4, 0xF4}));
  ProcessCommand(p);
  ProcessCommand(p);
  ASSERT_EQ(sock.writes.size(), 1u);
  EXPECT_EQ(Hex(sock.writes[0]), "F2 00 07 00 00 00 00 00 00 00 00 07 FF");
  EXPECT_EQ(st.lInfoRequest, 0x380);
  EXPECT_TRUE(st.bInfoRequested);
  EXPECT_EQ(st.iMissedPolls, 0);

  st.iMissedPolls = 2;
  Feed(B({0xF1, 0xF3}));
  ProcessCommand(p);
  EXPECT_EQ(st.iMissedPolls, 0);
  ProcessCommand(p);
  EXPECT_TRUE(st.sRecvBuffer.empty());
  EXPECT_EQ(sock.writes.size(), 1u);
}

TEST_F(Dispatcher, framesFromThePanelsOwnCatalogueAreIgnored) {
  Feed(B({0xFE, 0x04, 0x00, 0x04, 0xFF, 0xF2, 0x00, 0x00, 0xFF, 0xDE, 0x00, 0x00, 0xFF}));
  for (int i = 0; i < 3; ++i) ProcessCommand(p);
  EXPECT_TRUE(st.sRecvBuffer.empty());
  EXPECT_TRUE(sock.writes.empty());
  EXPECT_TRUE(logged.empty());
}

TEST_F(Dispatcher, decodeTimerWorksOffTheBufferAndStopsOnAFragment) {
  tmrDecode.SetEnabled(true);
  Feed(B({0xF5, 0xF5, 0xF6, 0x00}));
  tmrDecode_Timer(p);
  tmrDecode_Timer(p);
  EXPECT_EQ(sock.writes.size(), 2u);
  EXPECT_TRUE(tmrDecode.Enabled());
  tmrDecode_Timer(p);  // only a fragment left: no progress, no spinning
  EXPECT_FALSE(tmrDecode.Enabled());
  EXPECT_EQ(st.sRecvBuffer, B({0xF6, 0x00}));
}

}  // namespace
}  // namespace vyr::test
