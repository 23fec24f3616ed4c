// The tones-and-sounders feed: added to a watched output that carries the
// mix-minus bus of a console on air, taken away when it is left alone.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

// Console 0: Program 20, buses 30..33, relay 5 (relay argument 6).
// Console 1: Program 21, buses 40..41, relay 6 (relay argument 7).
// Air chain 0: Clean output 50, tones source 60.
class TonesTest : public EngineTest {
 protected:
  TonesTest() {
    Consoles({{20, 30, 33, 5}, {21, 40, 41, 6}}, {{50, 60}});
    Exceptions({31, 40});
    Watch({{4, 70, 2}});
  }
  static constexpr Sent kRelay0{6, 1, 0x40}, kRelay1{7, 1, 0x40};
};

TEST_F(TonesTest, busOfConsoleOnAirGetsTonesAndLosesThemWhenLeftAlone) {
  Feed(OneOutput(50, {20}));
  Feed(OneOutput(4, {199}));
  Feed(OneOutput(21, {70}));  // console 1's Program output carries input 70
  Clear();
  Feed(OneOutput(4, {31}));  // console 0's bus: input 70 is now tied to console 0
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 61, 0x24}, {1, 3, 0x60}, kRelay0, {7, 1, 0x44}}));
  EXPECT_EQ(st.iCurrentSources[0], 60);
  EXPECT_TRUE(RowIs(0, "Inpt0032", kColourBlack));

  Clear();
  Feed(OneOutput(4, {31, 60}));  // the switcher sums the tones in: nothing more
  Feed(OneOutput(4, {60}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 61, 0x20}, {1, 3, 0x64}, kRelay0, kRelay1}));
  EXPECT_EQ(st.iCurrentSources[0], kNone);
  EXPECT_EQ(st.iInputMMState[70], kNone);
  EXPECT_EQ(st.iReturnSources[0], 199);

  // Any other lone source ends the tones state and becomes the last source.
  st.iCurrentSources[0] = 60;
  Clear();
  Feed(OneOutput(4, {12}));
  EXPECT_TRUE(Changes().empty());
  EXPECT_EQ(st.iReturnSources[0], 12);
  EXPECT_EQ(st.iCurrentSources[0], kNone);
}

TEST_F(TonesTest, slotWithoutInputOrOptoStillGetsTones) {
  Watch({{4}});
  Feed(OneOutput(50, {20}));
  Clear();
  Feed(OneOutput(4, {31}));
  Feed(OneOutput(4, {60}));  // no opto: no relay pass on the way out
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 61, 0x24}, kRelay0, kRelay1, {5, 61, 0x20}}));
  EXPECT_EQ(std::count(st.iInputMMState.begin(), st.iInputMMState.end(), kNone), 256);
  EXPECT_TRUE(logged.empty()) << logged.front();
}

TEST_F(TonesTest, cleanOutputChangingToProgramAddsTonesToWatchedBuses) {
  Watch({{4, 70, 2}, {5, 71, kNone}, {6, 72, 3}});
  Feed(OneOutput(4, {40}));
  Feed(OneOutput(5, {40, 7}));  // summed: not a lone bus
  Feed(OneOutput(6, {30}));     // console 0's bus
  Clear();
  Feed(OneOutput(50, {22}));  // no console's Program output: nothing
  Feed(OneOutput(50, {21}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 61, 0x24}, {1, 3, 0x60}, kRelay0, kRelay1}));
  EXPECT_EQ(st.iCurrentSources, (std::vector<int16_t>{60, kNone, kNone}));
  EXPECT_EQ(st.iInputMMState[70], 21);
}

TEST_F(TonesTest, offOrTaggedCleanOutputCarriesNoProgram) {
  // A console whose Program output is output 0 must not be taken as on air
  // by a Clean output that is Off or carries only another output.
  Consoles({{0, 30, 33, 5}}, {{50, 60}});
  Feed(OneOutput(4, {31}));
  Feed(MapFrame(50, {{{{0, true}}}}));
  Feed(OneOutput(4, {31}));
  Feed(OneOutput(50, {}));
  EXPECT_EQ(st.iCurrentSources[0], kNone);
  EXPECT_TRUE(Changes().empty());
}

TEST_F(TonesTest, mapOfNoOutputsAtACleanOutputChangesNothing) {
  Consoles({{0, 30, 33, 5}}, {{50, 60}});
  Feed(RawMap(0, B({0, 0, 50, 0})));  // no outputs, starting at the Clean output
  EXPECT_TRUE(logged.empty()) << logged.front();
  EXPECT_EQ(st.iCurrentSources[0], kNone);
}

}  // namespace
}  // namespace vyr::test
