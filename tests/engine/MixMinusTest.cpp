// Which bus belongs to which console, which watched input carries whose
// mix-minus, and the optos and relays that show it.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

using MixMinusTest = EngineTest;

TEST_F(MixMinusTest, laterConsoleOwnsOverlappingBuses) {
  st.iMMAssoc[100] = 7;
  Consoles({{20, 10, 12, 0}, {21, 12, 14, 0}, {22, 16, 15, 0}});
  const std::vector<int16_t> buses(st.iMMAssoc.begin() + 9, st.iMMAssoc.begin() + 17);
  EXPECT_EQ(buses, (std::vector<int16_t>{kNone, 20, 20, 21, 21, 21, kNone, kNone}));
  EXPECT_EQ(st.iMMAssoc[100], kNone);
  EXPECT_EQ(MMAssocOf(st, 256), kNone);
  EXPECT_EQ(MMAssocOf(st, -1), kNone);

  // A range past the last output is an error; the buses before it stay.
  Consoles({{20, 254, 300, 0}});
  EXPECT_EQ(Logged("Error Determining Mix Minus Associations", "Display Error"), 1);
  EXPECT_EQ(st.iMMAssoc[255], 20);
}

TEST_F(MixMinusTest, optosShowWhichWatchedInputsCarryAMixMinus) {
  Consoles({{20, 10, 11, 0}, {21, 12, 12, 0}});
  Watch({{4, 70, 2}, {5, 71, 3}, {6, 72, kNone}, {7, kNone, 4}, {8, 73, 5}});
  // Console 1's bus; no bus; a bus but no opto; a bus but no input.
  for (auto [output, source] : {std::pair<int, int16_t>{4, 12}, {5, 3}, {6, 10}, {7, 11}}) {
    st.udtXptMap[output] = XptRecord({source});
  }
  st.udtXptMap[8] = XptRecord({10}),
  st.udtXptMap[8].bySrcCount = 0;  // Off: an entry kept is not read
  st.iInputMMState[99] = 20;
  DetermineMMInUse(p);
  EXPECT_EQ(Changes(), (std::vector<Sent>{{1, 3, 0x60}, {1, 4, 0x64}, {1, 6, 0x64}}));
  const std::vector<int16_t> states{st.iInputMMState[70], st.iInputMMState[71],
                                    st.iInputMMState[72], st.iInputMMState[73],
                                    st.iInputMMState[99]};
  EXPECT_EQ(states, (std::vector<int16_t>{21, kNone, 20, kNone, kNone}));
  EXPECT_TRUE(logged.empty()) << logged.front();
}

TEST_F(MixMinusTest, relaysShowProgramOutputsCarryingAnotherConsolesInput) {
  Consoles({{20, 0, -1, 5}, {21, 0, -1, 6}, {22, 0, -1, 7}});
  st.iInputMMState[70] = 21;  // input 70 carries console 1's mix-minus
  st.iInputMMState[0] = 20;
  st.udtXptMap[20] = XptRecord({3, 70});  // another's: in use
  st.udtXptMap[21] = XptRecord({70});     // its own
  // Output 22: one tagged and one untagged entry; only source 3 is looked at.
  st.udtXptMap[22] = XptRecord({3}, {70});
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

TEST_F(MixMinusTest, mapOfSeveralOutputsRefreshesOptosAndEveryRelay) {
  Consoles({{20, 30, 31, 5}, {21, 40, 41, 6}});
  Watch({{4, 70, 2}, {5, 71, 3}});
  Feed(MapFrame(4, {{{{31}}}, {{{8}}}}));
  EXPECT_EQ(Changes(), (std::vector<Sent>{{1, 3, 0x60}, {1, 4, 0x64}, {6, 1, 0x40}, {7, 1, 0x40}}));
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{31, 8}));
}

}  // namespace
}  // namespace vyr::test
