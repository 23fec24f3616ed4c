// Which bus belongs to which console, which watched input carries whose
// mix-minus, the optos and relays that show it, and the tones-and-sounders
// feed added to a watched output carrying the bus of a console on air.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

// Console 0: Program 20, buses 30..33, relay 5 (relay argument 6).
// Console 1: Program 21, buses 40..41, relay 6 (relay argument 7).
// Air chain 0: Clean output 50, tones source 60.
class MixMinus : public EngineTest {
 protected:
  MixMinus() {
    Consoles({{20, 30, 33, 5}, {21, 40, 41, 6}}, {{50, 60}});
    Exceptions({31, 40});
    Watch({{4, 70, 2}});
  }
  static constexpr Sent kRelay0{6, 1, 0x40}, kRelay1{7, 1, 0x40};
};

TEST_F(MixMinus, laterConsoleOwnsOverlappingBuses) {
  st.iMMAssoc[100] = 7;
  Consoles({{20, 10, 12, 0}, {21, 12, 14, 0}, {22, 16, 15, 0}});
  const std::vector<int16_t> buses(st.iMMAssoc.begin() + 9, st.iMMAssoc.begin() + 17);
  EXPECT_EQ(buses, (std::vector<int16_t>{kNone, 20, 20, 21, 21, 21, kNone, kNone}));
  EXPECT_EQ(std::tuple(st.iMMAssoc[100], MMAssocOf(st, 256), MMAssocOf(st, -1)),
            std::tuple(kNone, kNone, kNone));
  // A range past the last output is an error; the buses before it stay.
  Consoles({{20, 254, 300, 0}});
  EXPECT_EQ(Logged("Error Determining Mix Minus Associations", "Display Error"), 1);
  EXPECT_EQ(st.iMMAssoc[255], 20);
}

TEST_F(MixMinus, optosShowWhichWatchedInputsCarryAMixMinus) {
  Consoles({{20, 10, 11, 0}, {21, 12, 12, 0}});
  // Output 300 is not on the switcher: it carries nothing.
  Watch({{300, 74, 6}, {4, 70, 2}, {5, 71, 3}, {6, 72, kNone}, {7, kNone, 4}, {8, 73, 5}});
  // Console 1's bus; no bus; a bus but no opto; a bus but no input.
  for (auto [output, source] : {std::pair<int, int16_t>{4, 12}, {5, 3}, {6, 10}, {7, 11}}) {
    st.udtXptMap[output] = XptRecord({source});
  }
  st.udtXptMap[8] = XptRecord({10});
  st.udtXptMap[8].bySrcCount = 0;  // Off: an entry kept is not read
  st.iInputMMState[99] = 20;
  DetermineMMInUse(p);
  EXPECT_EQ(Changes(), (std::vector<Sent>{{1, 7, 0x64}, {1, 3, 0x60}, {1, 4, 0x64}, {1, 6, 0x64}}));
  const auto& mm = st.iInputMMState;
  EXPECT_EQ(std::tuple(mm[70], mm[71], mm[72], mm[73], mm[99]),
            std::tuple(21, kNone, 20, kNone, kNone));
  EXPECT_TRUE(logged.empty()) << logged.front();
}

TEST_F(MixMinus, relaysShowProgramOutputsCarryingAnotherConsolesInput) {
  Consoles({{20, 0, -1, 5}, {21, 0, -1, 6}, {22, 0, -1, 7}});
  st.iInputMMState[70] = 21;  // input 70 carries console 1's mix-minus
  st.iInputMMState[0] = 20;
  st.udtXptMap[20] = XptRecord({3, 70});    // another's: in use
  st.udtXptMap[21] = XptRecord({70});       // its own
  st.udtXptMap[22] = XptRecord({3}, {70});  // only the untagged source is looked at
  int16_t all = kNone;
  CheckForActiveMMs(p, all);
  EXPECT_EQ(Changes(), (std::vector<Sent>{{6, 1, 0x44}, {7, 1, 0x40}, {8, 1, 0x40}}));
  // One Program output: its test, the relay of the console last matched.
  Clear();
  st.iConsoleIndex = 2;
  int16_t program = 20;
  CheckForActiveMMs(p, program);
  EXPECT_EQ(Changes(), (std::vector<Sent>{{8, 1, 0x44}}));
  // A one-output map of a Program output selects that console.
  Clear();
  Feed(OneOutput(21, {70, 0}));  // its own input, then one of console 0
  EXPECT_EQ(st.iConsoleIndex, 1);
  EXPECT_EQ(Changes(), (std::vector<Sent>{{7, 1, 0x44}}));
  EXPECT_TRUE(logged.empty()) << logged.front();
}

TEST_F(MixMinus, mapOfSeveralOutputsRefreshesOptosAndEveryRelay) {
  Exceptions({});
  Watch({{4, 70, 2}, {5, 71, 3}});
  Feed(MapFrame(4, {{{{31}}}, {{{8}}}}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{1, 3, 0x60}, {1, 4, 0x64}, {6, 1, 0x40}, {7, 1, 0x40}}));
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{31, 8}));
}

TEST_F(MixMinus, busOfConsoleOnAirGetsTonesAndLosesThemWhenLeftAlone) {
  // Console 1's Program output carries input 70.
  Feed({OneOutput(50, {20}), OneOutput(4, {199}), OneOutput(21, {70})});
  Clear();
  Feed(OneOutput(4, {31}));  // console 0's bus: input 70 is now tied to console 0
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 61, 0x24}, {1, 3, 0x60}, kRelay0, {7, 1, 0x44}}));
  EXPECT_EQ(st.iCurrentSources[0], 60);
  EXPECT_TRUE(RowIs(0, "Inpt0032", kColourBlack));
  Clear();
  Feed({OneOutput(4, {31, 60}), OneOutput(4, {60})});  // the tones summed in: nothing more
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 61, 0x20}, {1, 3, 0x64}, kRelay0, kRelay1}));
  EXPECT_EQ(std::tuple(st.iCurrentSources[0], st.iInputMMState[70], st.iReturnSources[0]),
            std::tuple(kNone, kNone, 199));
  // Any other lone source ends the tones state and becomes the last source.
  st.iCurrentSources[0] = 60;
  Clear();
  Feed(OneOutput(4, {12}));
  EXPECT_TRUE(Changes().empty());
  EXPECT_EQ(std::tuple(st.iReturnSources[0], st.iCurrentSources[0]), std::tuple(12, kNone));
}

TEST_F(MixMinus, slotWithoutInputOrOptoStillGetsTones) {
  Watch({{4}});
  Feed(OneOutput(50, {20}));
  Clear();
  Feed({OneOutput(4, {31}), OneOutput(4, {60})});  // no opto: no relay pass on the way out
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 61, 0x24}, kRelay0, kRelay1, {5, 61, 0x20}}));
  EXPECT_EQ(std::count(st.iInputMMState.begin(), st.iInputMMState.end(), kNone), 256);
  EXPECT_TRUE(logged.empty()) << logged.front();
}

TEST_F(MixMinus, cleanOutputChangingToProgramAddsTonesToWatchedBuses) {
  Watch({{300, 73, kNone}, {4, 70, 2}, {5, 71, kNone}, {6, 72, 3}});  // 300: not on the switcher
  // Output 5 sums a bus with another source: not a lone bus; 6 has console 0's bus.
  Feed({OneOutput(4, {40}), OneOutput(5, {40, 7}), OneOutput(6, {30})});
  Clear();
  Feed({OneOutput(50, {22}), OneOutput(50, {21})});  // 22 is no console's Program output
  EXPECT_EQ(Changes(), (std::vector<Sent>{{5, 61, 0x24}, {1, 3, 0x60}, kRelay0, kRelay1}));
  EXPECT_EQ(st.iCurrentSources, (std::vector<int16_t>{kNone, 60, kNone, kNone}));
  EXPECT_EQ(std::tuple(st.iInputMMState[70], st.udtXptMap[50].Src(0)), std::tuple(21, 21));
}

TEST_F(MixMinus, offTaggedOrEmptyCleanOutputCarriesNoProgram) {
  // A console whose Program output is output 0 must not be taken as on air
  // by a Clean output that is Off or carries only another output.
  Consoles({{0, 30, 33, 5}}, {{50, 60}});
  Feed({OneOutput(4, {31}), MapFrame(50, {{{{0, true}}}}), OneOutput(4, {31}), OneOutput(50, {})});
  EXPECT_TRUE(Changes().empty());
  Feed(MapFrame(50, {}));  // no outputs, starting at the Clean output
  EXPECT_EQ(st.iCurrentSources[0], kNone);
  EXPECT_TRUE(logged.empty()) << logged.front();
}

}  // namespace
}  // namespace vyr::test
