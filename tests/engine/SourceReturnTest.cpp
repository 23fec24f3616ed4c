// What a one-output map does to the watched outputs: captions and colours,
// the last source, returns at once or after a countdown.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

class SourceReturnTest : public EngineTest {
 protected:
  SourceReturnTest() {
    Watch({{4}});
    st.iNumInputs = 400;
    for (int i = 257; i <= 400; ++i) st.sInputNames.push_back(DefaultInputName(i));
  }
  // Output 4 has been seen on source 299 (Inpt0300).
  void SeenOn299() {
    Feed(OneOutput(4, {299}));
    ASSERT_EQ(st.iReturnSources[0], 299);
    ASSERT_TRUE(RowIs(0, "Inpt0300", kColourGreen));
    Clear();
  }
};

TEST_F(SourceReturnTest, offOutputWithKnownSourceReturnsAtOnce) {
  SeenOn299();
  Feed(OneOutput(4, {}));
  EXPECT_EQ(Hex(sock.Sent()), "FE 04 00 2B 02 04 00 35 FF");
  EXPECT_TRUE(RowIs(0, " - Off - ", kColourRed));
  EXPECT_EQ(st.udtXptMap[4].bySrcCount, 0);
  EXPECT_EQ(st.iPendingReturns, 0);

  // Returning to the one configured source, even when that is none.
  Clear();
  st.bReturnToSpecific = true;
  st.iReturnSource = 7;
  Feed(OneOutput(4, {}));
  st.iReturnSource = kNone;
  Feed(OneOutput(4, {}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 8, 4}, {5, 16384, 4}}));
  ASSERT_EQ(sock.writes.size(), 2u);
  EXPECT_EQ(Hex(sock.writes[1]), "FE 04 00 7F 7F 04 00 06 FF");
  EXPECT_TRUE(logged.empty()) << logged.front();
}

TEST_F(SourceReturnTest, offWithoutLastSourceIsNotReturned) {
  st.iWaitTicks = 2;
  Feed(OneOutput(4, {}));
  st.iWaitTicks = 0;
  st.bReturnToSpecific = true;
  Feed(OneOutput(4, {}));
  EXPECT_EQ(Hex(sock.Sent()), "");
  EXPECT_EQ(st.iPendingReturns, 0);
  EXPECT_EQ(st.iReturnDelays[0], 0);
  EXPECT_TRUE(RowIs(0, " - Off - ", kColourRed));
}

TEST_F(SourceReturnTest, waitStartsCountdownThatRestartsOnceAndALaterSourceCancels) {
  SeenOn299();
  st.iTimeOut = 10000;  // no link time-out in between
  st.iWaitTicks = 3;
  Feed(OneOutput(4, {}));
  EXPECT_EQ(st.iReturnDelays[0], 4);
  EXPECT_EQ(st.iPendingReturns, 1);
  tmrpoll_Timer(p);
  EXPECT_EQ(st.iReturnDelays[0], 3);
  Feed(OneOutput(4, {}));  // Off again: starts over, still one countdown
  EXPECT_EQ(st.iReturnDelays[0], 4);
  EXPECT_EQ(st.iPendingReturns, 1);
  EXPECT_TRUE(Changes().empty());

  tmrpoll_Timer(p), tmrpoll_Timer(p), tmrpoll_Timer(p);
  ASSERT_EQ(st.iReturnDelays[0], 1);  // the next tick would return it
  Feed(OneOutput(4, {12}));
  EXPECT_EQ(st.iReturnDelays[0], 0);
  EXPECT_EQ(st.iPendingReturns, 0);
  EXPECT_EQ(st.iReturnSources[0], 12);
  EXPECT_TRUE(RowIs(0, "Inpt0013", kColourGreen));
  tmrpoll_Timer(p);
  EXPECT_TRUE(Changes().empty());
}

TEST_F(SourceReturnTest, exceptionsAndSummedSourcesKeepTheLastSource) {
  SeenOn299();
  Exceptions({5});
  st.sExceptions.resize(30);  // sources from 30 on are past the end: no exception
  Feed(OneOutput(4, {5}));
  EXPECT_TRUE(RowIs(0, "Inpt0006", kColourBlack));
  EXPECT_EQ(st.iReturnSources[0], 299);
  Feed(OneOutput(4, {6}, 1));  // any status byte makes an exception
  EXPECT_TRUE(RowIs(0, "Inpt0007", kColourBlack));
  EXPECT_EQ(st.iReturnSources[0], 299);
  Feed(OneOutput(4, {40}));
  EXPECT_TRUE(RowIs(0, "Inpt0041", kColourGreen));
  EXPECT_EQ(st.iReturnSources[0], 40);
  Feed(OneOutput(4, {7, 8}));
  EXPECT_TRUE(RowIs(0, "Inpt0008", kColourGreen));
  EXPECT_EQ(st.iReturnSources[0], 40);
  Feed(OneOutput(4, {}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 41, 4}}));
}

TEST_F(SourceReturnTest, taggedEntryShowsTheOtherOutputInBlack) {
  SeenOn299();
  st.iWaitTicks = 2;
  Feed(OneOutput(4, {}));
  Feed(MapFrame(4, {{{{9, true}, {3, false}}}}, true));
  EXPECT_TRUE(RowIs(0, "Out 0010", kColourBlack));
  EXPECT_EQ(st.iReturnSources[0], 299);
  EXPECT_EQ(st.iReturnDelays[0], 3);  // a tagged entry does not cancel
  EXPECT_TRUE(Changes().empty());
}

TEST_F(SourceReturnTest, twoSlotsOnOneOutputAreHandledInSlotOrder) {
  Watch({{4}, {9}, {4}});
  st.iReturnSources = {20, 30, 10};
  Feed(OneOutput(4, {}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 21, 4}, {5, 11, 4}}));
  EXPECT_TRUE(RowIs(0, " - Off - ", kColourRed));
  EXPECT_TRUE(RowIs(1, " ", kColourBlack));
  EXPECT_TRUE(RowIs(2, " - Off - ", kColourRed));
  Feed(OneOutput(4, {50}));
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{50, 30, 50}));
  EXPECT_TRUE(RowIs(2, "Inpt0051", kColourGreen));
}

}  // namespace
}  // namespace vyr::test
