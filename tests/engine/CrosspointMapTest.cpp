// Decoding crosspoint maps, the checks that drop a message, and storing the
// decoded records.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

class CrosspointMapTest : public EngineTest {
 protected:
  CrosspointMapTest() {
    Watch({{4}});
    Feed(OneOutput(4, {199}));
    stored = st.udtXptMap[4];
    Clear();
    st.lInfoRequest = 0x380;
  }
  XptRecord stored;
};

TEST_F(CrosspointMapTest, taggedKindTenEntriesFillTagTablesAndThirdWords) {
  // Output 7, status 5: untagged 300, tagged 12, untagged 9; three words each.
  const std::string frame = RawMap(0x4A, B({1,  0,    7, 0, 3, 0, 5,  //
                                            0,  0x2C, 2, 2, 0, 3, 0,  //
                                            10, 12,   0, 4, 0, 5, 0,  //
                                            0,  9,    0, 6, 0, 7, 0}));
  const DecodedMap map = DecodeCrosspointMap(frame);
  ASSERT_FALSE(map.dropped) << Hex(frame);
  EXPECT_EQ(map.iFirst, 7);
  ASSERT_EQ(map.records.size(), 1u);
  EXPECT_EQ(Summary(map.records[0]), "count 3 status 5 tags 1 src0 300/2/3 src1 9/6/7 tag0 12/4/5");

  // A tag byte other than 10 leaves the entry untagged; without the tag flag
  // kind 10 still has three words.
  Feed(MapFrame(20, {{{{8, false}, {11, true}}}, {{{13}}}}));
  EXPECT_EQ(Summary(st.udtXptMap[20]), "count 2 status 0 tags 1 src0 8/0/0 tag0 11/0/0");
  EXPECT_EQ(Summary(st.udtXptMap[21]), "count 1 status 0 tags 0 src0 13/0/0");
  const DecodedMap plain =
      DecodeCrosspointMap(RawMap(10, B({1, 0, 7, 0, 1, 0, 0, 3, 0, 4, 0, 5, 0})));
  ASSERT_FALSE(plain.dropped);
  EXPECT_EQ(Summary(plain.records[0]), "count 1 status 0 tags 0 src0 3/4/5");
}

TEST_F(CrosspointMapTest, faultyMessagesAreDroppedAndOnlyAnUnstorableCountIsLogged) {
  std::string badSum = OneOutput(4, {});
  badSum[badSum.size() - 2] ^= 1;
  std::string longer = OneOutput(4, {});
  longer.insert(longer.size() - 2, 1, '\0');  // a zero byte keeps the checksum
  const std::string frames[] = {
      badSum,
      longer,
      RawMap(0, B({1, 0, 4, 0, 1, 0, 0, 7, 0, 0})),  // the second word lacks its high byte
      OneOutput(4, std::vector<int>(65, 1)),
      MapFrame(4, {{std::vector<Entry>(33, Entry{9, true})}}),
      RawMap(0, B({1, 0, 4, 0, 0, 2, 0}))};  // 256 entries: the count is kept in a byte
  for (const std::string& frame : frames) {
    Feed(frame);
    EXPECT_EQ(Summary(st.udtXptMap[4]), Summary(stored)) << Hex(frame);
    EXPECT_EQ(st.lInfoRequest, 0x380) << Hex(frame);
    EXPECT_TRUE(RowIs(0, "Inpt0200", kColourGreen)) << Hex(frame);
  }
  EXPECT_EQ(Hex(sock.Sent()), "");
  EXPECT_EQ(st.iReturnSources[0], 199);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(Logged("Error Processing Crosspoint Map", "Message Error"), 1);

  // The limits themselves are accepted.
  Feed(OneOutput(4, std::vector<int>(64, 1)));
  EXPECT_EQ(st.udtXptMap[4].bySrcCount, 64);
  Feed(MapFrame(4, {{std::vector<Entry>(32, Entry{9, true})}}));
  EXPECT_EQ(st.udtXptMap[4].iTagCount, 32);
}

TEST_F(CrosspointMapTest, shortFrameClaimingManyOutputsSetsAsideOnlyWhatItHolds) {
  // 16,383 outputs claimed in an 8-byte frame: an error (the entry count
  // 32,766 cannot be kept in a byte), and no room made for the claim.
  const std::string frame = B({0xF6, 0x00, 0x7F, 0x7F, 0x00, 0x00, 0x7E, 0xFF});
  EXPECT_THROW(DecodeCrosspointMap(frame), RuntimeError);
  // Dropped at its first output (65 entries): room for one record at most.
  const DecodedMap map = DecodeCrosspointMap(RawMap(0, B({0x7F, 0x7F, 0, 0, 65, 0, 0})));
  EXPECT_TRUE(map.dropped);
  EXPECT_LT(map.records.capacity(), 4u);
}

TEST_F(CrosspointMapTest, outputsBeyondTheSwitcherAreNotStoredAndAskedForAgainOnceNamesCame) {
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
