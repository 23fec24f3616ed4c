// Returns from maps of several outputs, the confirmation of returns, their
// re-sending and alarm, and what a dropped link leaves to do.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

class ReturnConfirmTest : public EngineTest {
 protected:
  // Outputs 2 and 5 (1-based 3 and 6) are watched and on sources 20 and 50;
  // returns are confirmed within three poll ticks.
  ReturnConfirmTest() {
    Watch({{2}, {5}});
    st.iTimeOut = 10000;  // no link time-out in between
    st.lConfirmTime = 300;
    Feed(Full({{2, 20}, {5, 50}}));
    Clear();
  }

  // A map of outputs 0..7: the listed outputs on their source (-1: Off,
  // -2: a tagged entry for output 1), every other output Off.
  static std::string Full(std::initializer_list<std::pair<int, int>> on) {
    std::vector<Block> blocks(8);
    for (const auto& [output, source] : on) {
      if (source >= 0) blocks[output].entries = {{source}};
      if (source == -2) blocks[output].entries = {{1, true}};
    }
    return MapFrame(0, blocks);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) tmrpoll_Timer(p);
  }
  void Relink() { ++st.lLinkCount; }
};

TEST_F(ReturnConfirmTest, mapOfSeveralOutputsReturnsThoseItTookOffFromAnUntaggedSource) {
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

  // With a wait, a salvo starts the countdowns; a fresh panel's first map
  // returns nothing since its copy is empty.
  st.udtReturnWatch.assign(2, {});
  st.iWaitTicks = 2;
  Feed(Full({{2, 20}, {5, 50}}));
  Feed(Full({}));
  EXPECT_EQ(st.iReturnDelays, (std::vector<int16_t>{3, 3}));
  EXPECT_EQ(st.iPendingReturns, 2);
  st.udtXptMap.assign(256, XptRecord{});
  st.iReturnDelays = {0, 0}, st.iPendingReturns = 0;
  Feed(Full({}));
  EXPECT_EQ(st.iPendingReturns, 0);
}

TEST_F(ReturnConfirmTest, unconfirmedReturnIsSentThreeTimesThenAlarmsUntilTheOutputCarriesAgain) {
  Feed(OneOutput(2, {}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{3, 21, 4}}));
  Feed(OneOutput(2, {}));  // refused and reported Off again: no new return
  Ticks(2);
  EXPECT_EQ(Changes().size(), 1u);
  Ticks(1);  // three ticks: sent again, the same change
  Ticks(3);
  EXPECT_EQ(Changes(), (std::vector<Sent>{{3, 21, 4}, {3, 21, 4}, {3, 21, 4}}));
  EXPECT_TRUE(logged.empty()) << logged.front();
  Ticks(3);
  EXPECT_TRUE(RowIs(0, kNotReturnedCaption, kColourRed));
  EXPECT_EQ(
      Logged("Out 0003 (3) could not be returned to Inpt0021 (21) after 3 sends", "Return Alarm"),
      1);
  Feed(OneOutput(2, {}));
  Feed(Full({{5, 50}}));
  Ticks(10);
  EXPECT_EQ(Changes().size(), 3u);
  EXPECT_TRUE(RowIs(0, kNotReturnedCaption, kColourRed)) << "a full map keeps the alarm";

  Feed(OneOutput(2, {20}));  // carried out at last: the alarm clears
  EXPECT_TRUE(RowIs(0, "Inpt0021", kColourGreen));
  Clear();
  Feed(OneOutput(2, {}));  // a new Off is a new return
  EXPECT_EQ(Changes(), (std::vector<Sent>{{3, 21, 4}}));
  Feed(MapFrame(2, {{{{4, true}}}}));  // a tagged entry confirms it too
  Ticks(10);
  EXPECT_EQ(Changes().size(), 1u);
  EXPECT_EQ(Logged("could not be returned", "Return Alarm"), 1);
}

TEST_F(ReturnConfirmTest, returnSentBeforeTheLinkDroppedGoesAgainWhenTheNewLinkStillShowsOff) {
  Feed(OneOutput(2, {}));
  Ticks(1);
  Relink();
  Ticks(10);  // no confirmation timer for a change that went out on the old link
  EXPECT_EQ(Changes().size(), 1u);
  Feed(Full({{5, 50}}));  // the first map of the new link: still Off
  EXPECT_EQ(Changes(), (std::vector<Sent>{{3, 21, 4}, {3, 21, 4}}));
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

TEST_F(ReturnConfirmTest, outputTakenOffWhileTheLinkWasDownIsReturnedFromTheFirstFullMap) {
  for (int16_t wait : {int16_t{0}, int16_t{2}}) {
    SCOPED_TRACE(wait);
    st.iWaitTicks = wait;
    Feed(Full({{2, 20}, {5, 50}}));
    Clear();
    Relink();
    Feed(Full({{2, 20}}));
    if (wait > 0) {
      EXPECT_TRUE(Changes().empty());
      Ticks(3);
    }
    EXPECT_EQ(Changes(), (std::vector<Sent>{{6, 51, 4}}));
    Feed(OneOutput(5, {50}));
  }
}

TEST_F(ReturnConfirmTest, confirmTimeZeroReturnsEveryOffAsWrittenAndNeverRetries) {
  st.lConfirmTime = 0;
  Feed(OneOutput(2, {}));
  Feed(OneOutput(2, {}));
  Ticks(20);
  Relink();
  Feed(Full({{5, 50}}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{3, 21, 4}, {3, 21, 4}}));
  EXPECT_TRUE(RowIs(0, " - Off - ", kColourRed));
  EXPECT_TRUE(logged.empty()) << logged.front();
}

}  // namespace
}  // namespace vyr::test
