#include <gtest/gtest.h>

#include "support/PanelFixture.h"

namespace vyr::test {
namespace {

class Dispatcher : public PanelTest {
 protected:
  void Feed(const std::string& bytes) { st.sRecvBuffer.Append(bytes); }
};

TEST_F(Dispatcher, takesOneMessagePerCallAndDropsWhatCannotBeOne) {
  struct Case {
    std::string bytes;
    int calls;
    std::string sent, left;  // as Hex
    int16_t missedPolls = 3;
  };
  const Case cases[] = {
      {B({0x05, 0x06, 0xF5}), 1, "F4", ""},  // garbage before a poll
      {B({0x01, 0x02, 0x03}), 1, "", ""},    // nothing that can start a message
      {B({0xF6, 0x00, 0x01}), 1, "", "F6 00 01"},
      {B({0xF5, 0xF5}), 1, "F4", "F5"},
      {B({0xF5, 0xF5}), 2, "F4 F4", ""},
      // A broken fragment is dropped and the poll answer behind it handled in
      // the same call; then 0x05 goes, and the lone 0xFF as a message.
      {B({0xFC, 0x01, 0xF4, 0x05, 0xFF}), 1, "", "05 FF", 0},
      {B({0xFC, 0x01, 0xF4, 0x05, 0xFF}), 2, "", "", 0},
      {B({0xF6, 0x00, 0x01, 0xF5, 0x02}), 1, "F4", "02"},  // poll behind an unfinished frame
      {B({0xF1, 0xF3}), 2, "", "", 0},                     // acknowledge, no-operation
      // The panel's own catalogue.
      {B({0xFE, 0x04, 0x00, 0x04, 0xFF, 0xF2, 0x00, 0x00, 0xFF, 0xDE, 0x00, 0x00, 0xFF}), 3, "",
       ""},
  };
  for (const Case& c : cases) {
    st.sRecvBuffer.Clear(), sock.writes.clear();
    st.bInfoRequested = true, st.iMissedPolls = 3;
    Feed(c.bytes);
    for (int i = 0; i < c.calls; ++i) ProcessCommand(p);
    const std::string what = Hex(c.bytes) + " after " + std::to_string(c.calls);
    EXPECT_EQ(Hex(sock.Sent()), c.sent) << what;
    EXPECT_EQ(Hex(st.sRecvBuffer.View()), c.left) << what;
    EXPECT_EQ(st.iMissedPolls, c.missedPolls) << what;
  }
  EXPECT_TRUE(logged.empty()) << logged.front();
}

TEST_F(Dispatcher, unfinishedFrameWaitsForItsRestButNotPastTheLargestMessage) {
  Feed(B({0xF6, 0x00, 0x01}));
  ProcessCommand(p);
  Feed(OneOutput(4, {}).substr(3));
  st.lInfoRequest = 0x80;
  ProcessCommand(p);
  EXPECT_TRUE(st.sRecvBuffer.empty());
  EXPECT_EQ(st.lInfoRequest, 0) << "the whole map was handled";

  Feed(B({0xF6}) + std::string(kMaxMessageBytes - 1, '\x01'));
  ProcessCommand(p);
  EXPECT_EQ(st.sRecvBuffer.size(), kMaxMessageBytes) << "a large message may still be arriving";
  Feed(B({0x01}));
  ProcessCommand(p);
  EXPECT_TRUE(st.sRecvBuffer.empty());
}

TEST_F(Dispatcher, messageArrivingInPiecesIsSearchedWhereverItsBreakOrEndFalls) {
  Feed(B({0xF6, 0x00, 0x01}));
  ProcessCommand(p);
  Feed(B({0x02, 0xF5, 0x03}));  // a poll in a later piece breaks the frame
  ProcessCommand(p);
  EXPECT_EQ(Hex(sock.Sent()), "F4");
  EXPECT_EQ(Hex(st.sRecvBuffer.View()), "03");

  // Once a message is taken, the next one is searched from its own start: a
  // lone 0xFF right behind a map is a message by itself.
  st.sRecvBuffer.Clear(), sock.writes.clear();
  const std::string map = OneOutput(4, {});
  Feed(map.substr(0, 4));
  ProcessCommand(p);
  Feed(map.substr(4) + B({0xFF, 0xF5}));
  st.lInfoRequest = 0x80;
  for (int i = 0; i < 3; ++i) ProcessCommand(p);
  EXPECT_EQ(st.lInfoRequest, 0);
  EXPECT_EQ(Hex(sock.Sent()), "F4");
  EXPECT_TRUE(st.sRecvBuffer.empty());
}

TEST_F(Dispatcher, firstPollAnswerOfAConnectionAsksForMapAndNamesOnce) {
  Feed(B({0xF4, 0xF4}));
  ProcessCommand(p);
  ProcessCommand(p);
  EXPECT_EQ(Hex(sock.Sent()), "F2 00 07 00 00 00 00 00 00 00 00 07 FF");
  EXPECT_EQ(st.lInfoRequest, 0x380);
  EXPECT_TRUE(st.bInfoRequested);
}

TEST_F(Dispatcher, decodeTimerWorksOffTheBufferInBatchesAndStopsOnAFragment) {
  tmrDecode.SetEnabled(true);
  Feed(std::string(kMessagesPerDecodeTick + 2, '\xF5') + B({0xF6, 0x00}));
  tmrDecode_Timer(p);
  EXPECT_EQ(sock.writes.size(), std::size_t(kMessagesPerDecodeTick));
  EXPECT_TRUE(tmrDecode.Enabled());
  tmrDecode_Timer(p);  // two polls, then only a fragment: no spinning
  EXPECT_EQ(sock.writes.size(), std::size_t(kMessagesPerDecodeTick + 2));
  EXPECT_FALSE(tmrDecode.Enabled());
  EXPECT_EQ(st.sRecvBuffer, B({0xF6, 0x00}));
}

}  // namespace
}  // namespace vyr::test
