// Storing decoded crosspoint maps: what a dropped map leaves, and outputs
// beyond the switcher.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

using CrosspointMap = EngineTest;

TEST_F(CrosspointMap, droppedMapChangesNothingAndOnlyAnUnstorableCountIsLogged) {
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
  EXPECT_EQ(logged.size(), 1u);
  EXPECT_EQ(Logged("Error Processing Crosspoint Map", "Message Error"), 1);
}

TEST_F(CrosspointMap, outputsBeyondTheSwitcherAreNotStoredAndAskedForAgainOnceNamesCame) {
  st.lInfoRequest = 0x380;
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
  EXPECT_TRUE(logged.empty()) << logged.front();
}

}  // namespace
}  // namespace vyr::test
