// The status rows: one per watched output, built as copies of row 0 and
// refreshed from the whole crosspoint map.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

using StatusRowsTest = EngineTest;

TEST_F(StatusRowsTest, rowsGrowAsCopiesOfRowZeroAndShrinkButRowZeroStays) {
  rows.SetSource(0, "Inpt0001", kColourGreen);
  rows.SetTip(0, "Return source: Inpt0001");
  rows.LoadDisplays(st, log, 4);
  ASSERT_EQ(rows.Count(), 4);
  for (int16_t i = 1; i < 4; ++i) {
    EXPECT_TRUE(RowIs(i, "Inpt0001", kColourGreen));
    EXPECT_EQ(rows.Row(i).sTip, "Return source: Inpt0001");
  }
  EXPECT_EQ(st.iDisplayCount, 4);
  EXPECT_EQ(rows.HeightTwips(), 3520);

  rows.LoadDisplays(st, log, 2);
  EXPECT_EQ(rows.Count(), 2);
  EXPECT_EQ(rows.HeightTwips(), 2560);
  rows.LoadDisplays(st, log, 0);
  EXPECT_EQ(rows.Count(), 1);
  EXPECT_EQ(st.iDisplayCount, 0);
  EXPECT_EQ(rows.HeightTwips(), 1600);
  EXPECT_TRUE(RowIs(0, "Inpt0001", kColourGreen));
  rows.LoadDisplays(st, log, 3);
  EXPECT_EQ(rows.Count(), 3);
  EXPECT_EQ(rows.HeightTwips(), 3040);
  EXPECT_TRUE(logged.empty()) << logged.front();

  // 65 rows: the height no longer fits 16 bits, the rows stand.
  rows.LoadDisplays(st, log, 65);
  EXPECT_EQ(rows.Count(), 65);
  EXPECT_EQ(st.iDisplayCount, 65);
  EXPECT_EQ(rows.HeightTwips(), 3040);
  EXPECT_EQ(Logged("Error Loading Displays", "Display Error"), 1);
}

TEST_F(StatusRowsTest, mapOfSeveralOutputsRefreshesEveryRowAndStartsNoReturn) {
  Watch({{1}, {2}, {3}, {4}, {5}, {2}});
  Consoles({}, {{50, 60}});
  Exceptions({7});
  st.iReturnSources = {11, kNone, 3, kNone, kNone, 9};
  st.iReturnDelays[3] = 2;
  st.iPendingReturns = 1;
  // Outputs 1..5: Off; source 5; exception 7 with tones 60; output 9; 8 and
  // 60 with a status byte.
  Feed(MapFrame(1, {{}, {{{5}}}, {{{7}, {60}}}, {{{9, true}}}, {{{8}, {60}}, 2}}, true));

  EXPECT_EQ(rows.Row(0).sOut, "Out 0002");
  EXPECT_TRUE(RowIs(0, " - Off - ", kColourRed));
  EXPECT_TRUE(RowIs(1, "Inpt0006", kColourGreen));
  EXPECT_TRUE(RowIs(2, "Inpt0008", kColourBlack));
  EXPECT_TRUE(RowIs(3, "Out 0010", kColourBlack));
  EXPECT_TRUE(RowIs(4, "Inpt0009", kColourBlack));
  EXPECT_TRUE(RowIs(5, "Inpt0006", kColourGreen));
  EXPECT_EQ(rows.Row(5).sOut, "Out 0003");
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{11, 5, 3, kNone, kNone, 5}));
  EXPECT_EQ(st.iCurrentSources, (std::vector<int16_t>{kNone, kNone, 60, kNone, kNone, kNone}));
  const std::vector<std::string> tips{"Return source: Inpt0012", "Return source: Inpt0006",
                                      "Return source: Inpt0004", "Return source: None",
                                      "Return source: None",     "Return source: Inpt0006"};
  for (int16_t i = 0; i < 6; ++i) EXPECT_EQ(rows.Row(i).sTip, tips[i]) << "row " << i;
  EXPECT_EQ(Hex(sock.Sent()), "");
  EXPECT_EQ(st.iReturnDelays[3], 2);
  EXPECT_EQ(st.iPendingReturns, 1);
}

}  // namespace
}  // namespace vyr::test
