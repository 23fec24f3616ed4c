// What maps do to the watched outputs: captions and colours, the last
// source, returns at once or after a countdown, their confirmation, sending
// again and alarm, and what a dropped link leaves to do.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

class Returns : public EngineTest {
 protected:
  // Outputs 2 and 5 (1-based 3 and 6) are watched and on sources 20 and 50;
  // returns are confirmed within three poll ticks.
  Returns() {
    Watch({{2}, {5}});
    st.iTimeOut = 10000;  // no link time-out in between
    st.lConfirmTime = 300;
    Feed(Full({{2, 20}, {5, 50}}));
    Clear();
  }
  // A map of outputs 0..7: the listed outputs on their source (-2: a tagged
  // entry for output 1), every other output Off.
  static std::string Full(std::initializer_list<std::pair<int, int>> on) {
    std::vector<Block> blocks(8);
    for (const auto& [output, source] : on)
      blocks[output].entries = {{source < 0 ? 1 : source, source < 0}};
    return MapFrame(0, blocks);
  }
};

TEST_F(Returns, offOutputReturnsAtOnceToItsLastOrTheConfiguredSource) {
  st.lConfirmTime = 0;       // nothing awaited: every Off map returns
  st.iReturnSource = kNone;  // unused by the rule "last", as files without the key have it
  Feed(OneOutput(2, {}));
  EXPECT_TRUE(RowIs(0, " - Off - ", kColourRed));
  st.bReturnToSpecific = true, st.iReturnSource = 7;
  Feed(OneOutput(2, {}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{3, 21, 4}, {3, 8, 4}}));
  EXPECT_TRUE(logged.empty()) << logged.front();
  // Undefined: no switcher honours source "none", so nothing goes out, the
  // row says why and each Off writes one line, whether or not it waits.
  st.iReturnSource = kNone;
  for (int16_t wait : {int16_t{0}, int16_t{2}}) {
    st.iWaitTicks = wait;
    Feed(OneOutput(2, {}));
  }
  EXPECT_TRUE(RowIs(0, kNoReturnSourceCaption, kColourRed));
  EXPECT_EQ(std::tuple(Changes().size(), Logged("has no return source", "Return Error"),
                       st.iPendingReturns),
            std::tuple(2u, 2, 0));
  // Without a last source nothing is returned either, nor counted down.
  Watch({{4}});
  st.bReturnToSpecific = false, st.iWaitTicks = 2;
  Feed(OneOutput(4, {}));
  EXPECT_EQ(st.iPendingReturns + st.iReturnDelays[0], 0);
  EXPECT_EQ(Changes().size(), 2u);
}

TEST_F(Returns, waitStartsCountdownThatRestartsOnceAndALaterSourceCancels) {
  st.iWaitTicks = 3;
  Feed(OneOutput(2, {}));
  EXPECT_EQ(st.iReturnDelays[0], 4);
  Ticks(1);
  EXPECT_EQ(st.iReturnDelays[0], 3);
  Feed(OneOutput(2, {}));  // Off again: starts over, still one countdown
  EXPECT_EQ(std::tuple(st.iReturnDelays[0], st.iPendingReturns), std::tuple(4, 1));
  Ticks(3);
  ASSERT_EQ(st.iReturnDelays[0], 1);  // the next tick would return it
  Feed(OneOutput(2, {12}));
  EXPECT_EQ(st.iPendingReturns + st.iReturnDelays[0], 0);
  EXPECT_TRUE(RowIs(0, "Inpt0013", kColourGreen));
  Ticks(1);
  EXPECT_TRUE(Changes().empty());

  st.iWaitTicks = 2;  // a tagged entry shows the other output and does not cancel
  Feed({OneOutput(2, {}), MapFrame(2, {{{{9, true}, {3, false}}}})});
  EXPECT_TRUE(RowIs(0, "Out 0010", kColourBlack));
  EXPECT_EQ(std::tuple(st.iReturnDelays[0], st.iReturnSources[0]), std::tuple(3, 12));
}

TEST_F(Returns, countdownsReturnInSlotOrderOnlyWhileTheOutputIsStillOff) {
  st.iWaitTicks = 1;
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
  Clear();  // the table is read only while returns are pending
  st.iReturnDelays[0] = 1;
  Ticks(1);
  EXPECT_EQ(st.iReturnDelays[0], 1);
  st.iPendingReturns = 1, st.bReturnToSpecific = true, st.iReturnSource = kNone;
  Ticks(1);  // no source to send: the countdown ends without a change
  EXPECT_EQ(std::tuple(Changes().size(), st.iPendingReturns), std::tuple(0u, 0));
}

TEST_F(Returns, exceptionsAndSummedSourcesKeepTheLastSource) {
  Exceptions({5});
  st.sExceptions.resize(30);  // sources from 30 on are past the end: no exception
  const std::tuple<std::string, std::string, int32_t, int16_t> cases[] = {
      {OneOutput(2, {5}), "Inpt0006", kColourBlack, 20},
      {OneOutput(2, {6}, 1), "Inpt0007", kColourBlack, 20},  // any status byte
      {OneOutput(2, {40}), "Inpt0041", kColourGreen, 40},
      {OneOutput(2, {7, 8}), "Inpt0008 + Inpt0009", kColourGreen, 40}};
  for (const auto& [frame, caption, colour, last] : cases) {
    Feed(frame);
    EXPECT_TRUE(RowIs(0, caption, colour)) << Hex(frame);
    EXPECT_EQ(st.iReturnSources[0], last) << Hex(frame);
  }
  EXPECT_TRUE(Changes().empty());
}

TEST_F(Returns, twoSlotsOnOneOutputAreHandledInSlotOrder) {
  Watch({{4}, {9}, {4}});
  st.iReturnSources = {20, 30, 10};
  Feed(OneOutput(4, {}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 21, 4}, {5, 11, 4}}));
  EXPECT_TRUE(RowIs(1, "Inpt0051", kColourGreen));  // output 9: as it was
  EXPECT_TRUE(RowIs(2, " - Off - ", kColourRed));
  Feed(OneOutput(4, {50}));
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{50, 30, 50}));
}

TEST_F(Returns, mapOfSeveralOutputsReturnsThoseItTookOffFromAnUntaggedSource) {
  const struct {
    const char* what;
    std::string before, after;
    std::vector<Sent> returns;
  } cases[] = {
      {"salvo of both", Full({{2, 20}, {5, 50}}), Full({}), {{3, 21, 4}, {6, 51, 4}}},
      {"already Off", Full({{5, 50}}), Full({}), {{6, 51, 4}}},
      {"tagged before", Full({{2, -2}, {5, 50}}), Full({}), {{6, 51, 4}}},
      {"still on", Full({{2, 20}, {5, 50}}), Full({{2, 21}, {5, 50}}), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    st.udtReturnWatch.assign(2, {});
    Feed(c.before);
    Clear();
    Feed(c.after);
    EXPECT_EQ(Changes(), c.returns);
    if (!c.returns.empty()) {
      EXPECT_TRUE(RowIs(1, " - Off - ", kColourRed));
    }
    Clear();
    Feed(c.after);  // the same map again returns nothing more
    EXPECT_TRUE(Changes().empty());
  }
  // With a wait, a salvo starts the countdowns.
  st.udtReturnWatch.assign(2, {});
  st.iWaitTicks = 2;
  Feed({Full({{2, 20}, {5, 50}}), Full({})});
  EXPECT_EQ(st.iReturnDelays, (std::vector<int16_t>{3, 3}));
  EXPECT_EQ(st.iPendingReturns, 2);
}

TEST_F(Returns, unconfirmedReturnIsSentThreeTimesThenAlarmsUntilTheOutputCarriesAgain) {
  Feed({OneOutput(2, {}), OneOutput(2, {})});  // refused and reported Off again: no new return
  Ticks(2);
  EXPECT_EQ(Changes(), (std::vector<Sent>{{3, 21, 4}}));
  Ticks(4);  // three ticks each: sent again, the same change
  EXPECT_EQ(Changes(), (std::vector<Sent>(3, Sent{3, 21, 4})));
  EXPECT_TRUE(logged.empty()) << logged.front();
  Ticks(3);
  EXPECT_TRUE(RowIs(0, kNotReturnedCaption, kColourRed));
  EXPECT_EQ(
      Logged("Out 0003 (3) could not be returned to Inpt0021 (21) after 3 sends", "Return Alarm"),
      1);
  Feed({OneOutput(2, {}), Full({{5, 50}})});
  Ticks(10);
  EXPECT_EQ(Changes().size(), 3u);
  EXPECT_TRUE(RowIs(0, kNotReturnedCaption, kColourRed)) << "a full map keeps the alarm";

  Feed(OneOutput(2, {20}));  // carried out at last: the alarm clears
  EXPECT_TRUE(RowIs(0, "Inpt0021", kColourGreen));
  Clear();
  // A new Off is a new return, and a tagged entry confirms it too.
  Feed({OneOutput(2, {}), MapFrame(2, {{{{4, true}}}})});
  Ticks(10);
  EXPECT_EQ(Changes(), (std::vector<Sent>{{3, 21, 4}}));
  EXPECT_EQ(Logged("could not be returned", "Return Alarm"), 1);
}

TEST_F(Returns, returnSentBeforeTheLinkDroppedGoesAgainWhenTheNewLinkStillShowsOff) {
  Feed(OneOutput(2, {}));
  Ticks(1);
  Relink();
  Ticks(10);  // no confirmation timer for a change that went out on the old link
  EXPECT_EQ(Changes().size(), 1u);
  Feed(Full({{5, 50}}));  // the first map of the new link: still Off
  EXPECT_EQ(Changes(), (std::vector<Sent>(2, Sent{3, 21, 4})));
  EXPECT_EQ(st.udtReturnWatch[0].iSends, 1) << "a fresh count of sends";
  Ticks(9);
  EXPECT_EQ(Changes().size(), 4u);
  EXPECT_TRUE(RowIs(0, kNotReturnedCaption, kColourRed));

  // Shown on a source by the new link: confirmed, nothing more is sent.
  Clear();
  Feed(OneOutput(5, {}));
  Relink();
  Feed(Full({{5, 51}}));
  Ticks(10);
  EXPECT_EQ(Changes(), (std::vector<Sent>{{6, 51, 4}}));
}

}  // namespace
}  // namespace vyr::test
