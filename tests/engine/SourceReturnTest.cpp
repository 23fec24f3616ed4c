// What a one-output map does to the watched outputs: captions and colours,
// the last source, returns at once or after a countdown.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

class SourceReturnTest : public EngineTest {
 protected:
  // Output 4 is watched and has been seen on source 299 (Inpt0300).
  SourceReturnTest() {
    Watch({{4}});
    st.iNumInputs = 400;
    for (int i = 257; i <= 400; ++i) st.sInputNames.push_back(DefaultInputName(i));
    st.iTimeOut = 10000;  // no link time-out in between
    Feed(OneOutput(4, {299}));
    Clear();
  }
};

TEST_F(SourceReturnTest, offOutputReturnsAtOnceToItsLastOrTheConfiguredSource) {
  st.lConfirmTime = 0;       // nothing awaited: every Off map returns
  st.iReturnSource = kNone;  // unused by the rule "last", as files without the key have it
  EXPECT_TRUE(RowIs(0, "Inpt0300", kColourGreen));
  Feed(OneOutput(4, {}));
  EXPECT_TRUE(RowIs(0, " - Off - ", kColourRed));
  EXPECT_EQ(st.udtXptMap[4].bySrcCount, 0);
  st.bReturnToSpecific = true;
  st.iReturnSource = 7;
  Feed(OneOutput(4, {}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 300, 4}, {5, 8, 4}}));
  EXPECT_EQ(st.iPendingReturns, 0);
  EXPECT_TRUE(logged.empty()) << logged.front();

  // Undefined: no switcher honours source "none", so nothing goes out, the
  // row says why and each Off writes one line, whether or not it waits.
  st.iReturnSource = kNone;
  for (int16_t wait : {int16_t{0}, int16_t{2}}) {
    st.iWaitTicks = wait;
    Feed(OneOutput(4, {}));
  }
  EXPECT_EQ(Changes().size(), 2u);
  EXPECT_TRUE(RowIs(0, kNoReturnSourceCaption, kColourRed));
  EXPECT_EQ(Logged("has no return source", "Return Error"), 2);
  EXPECT_EQ(st.iPendingReturns, 0);
}

TEST_F(SourceReturnTest, offWithoutLastSourceIsNotReturned) {
  Watch({{4}});
  st.iWaitTicks = 2;
  Feed(OneOutput(4, {}));
  st.iWaitTicks = 0, st.bReturnToSpecific = true;
  Feed(OneOutput(4, {}));
  EXPECT_EQ(Hex(sock.Sent()), "");
  EXPECT_EQ(st.iPendingReturns + st.iReturnDelays[0], 0);
}

TEST_F(SourceReturnTest, waitStartsCountdownThatRestartsOnceAndALaterSourceCancels) {
  st.iWaitTicks = 3;
  Feed(OneOutput(4, {}));
  EXPECT_EQ(st.iReturnDelays[0], 4);
  tmrpoll_Timer(p);
  EXPECT_EQ(st.iReturnDelays[0], 3);
  Feed(OneOutput(4, {}));  // Off again: starts over, still one countdown
  EXPECT_EQ(st.iReturnDelays[0], 4);
  EXPECT_EQ(st.iPendingReturns, 1);
  tmrpoll_Timer(p), tmrpoll_Timer(p), tmrpoll_Timer(p);
  ASSERT_EQ(st.iReturnDelays[0], 1);  // the next tick would return it
  Feed(OneOutput(4, {12}));
  EXPECT_EQ(st.iPendingReturns + st.iReturnDelays[0], 0);
  EXPECT_TRUE(RowIs(0, "Inpt0013", kColourGreen));
  tmrpoll_Timer(p);
  EXPECT_TRUE(Changes().empty());

  st.iWaitTicks = 2;  // a tagged entry shows the other output and does not cancel
  Feed(OneOutput(4, {}));
  Feed(MapFrame(4, {{{{9, true}, {3, false}}}}));
  EXPECT_TRUE(RowIs(0, "Out 0010", kColourBlack));
  EXPECT_EQ(st.iReturnDelays[0], 3);
  EXPECT_EQ(st.iReturnSources[0], 12);
}

TEST_F(SourceReturnTest, exceptionsAndSummedSourcesKeepTheLastSource) {
  Exceptions({5});
  st.sExceptions.resize(30);  // sources from 30 on are past the end: no exception
  const std::tuple<std::string, std::string, int32_t, int16_t> cases[] = {
      {OneOutput(4, {5}), "Inpt0006", kColourBlack, 299},
      {OneOutput(4, {6}, 1), "Inpt0007", kColourBlack, 299},  // any status byte
      {OneOutput(4, {40}), "Inpt0041", kColourGreen, 40},
      {OneOutput(4, {7, 8}), "Inpt0008", kColourGreen, 40}};
  for (const auto& [frame, caption, colour, last] : cases) {
    Feed(frame);
    EXPECT_TRUE(RowIs(0, caption, colour)) << Hex(frame);
    EXPECT_EQ(st.iReturnSources[0], last) << Hex(frame);
  }
  EXPECT_TRUE(Changes().empty());
}

TEST_F(SourceReturnTest, twoSlotsOnOneOutputAreHandledInSlotOrder) {
  Watch({{4}, {9}, {4}});
  st.iReturnSources = {20, 30, 10};
  Feed(OneOutput(4, {}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 21, 4}, {5, 11, 4}}));
  EXPECT_TRUE(RowIs(1, "Inpt0300", kColourGreen));  // as made from row 0
  EXPECT_TRUE(RowIs(2, " - Off - ", kColourRed));
  Feed(OneOutput(4, {50}));
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{50, 30, 50}));
}

}  // namespace
}  // namespace vyr::test
