// The status rows: one per watched output, built as copies of row 0 and
// refreshed from the whole crosspoint map.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

using StatusRowsTest = EngineTest;

TEST_F(StatusRowsTest, rowsGrowAsCopiesOfRowZeroAndShrinkButRowZeroStays) {
  rows.SetSource(0, "Inpt0001", kColourGreen);
  rows.SetTip(0, "Return source: Inpt0001");
  // Count asked for, rows made; 65 rows are made but no longer fit a window.
  for (const auto& [count, made] : {std::pair{4, 4}, {2, 2}, {0, 1}, {3, 3}, {65, 65}}) {
    rows.LoadDisplays(st, log, static_cast<int16_t>(count));
    EXPECT_EQ(rows.Count(), made) << count;
    EXPECT_EQ(st.iDisplayCount, count);
    for (int16_t i = 0; i < made; ++i) {
      EXPECT_TRUE(RowIs(i, "Inpt0001", kColourGreen)) << count;
      EXPECT_EQ(rows.Row(i).sTip, "Return source: Inpt0001") << count;
    }
  }
  EXPECT_EQ(Logged("Error Loading Displays", "Display Error"), 1);
  EXPECT_EQ(logged.size(), 1u);
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
  Feed(MapFrame(1, {{}, {{{5}}}, {{{7}, {60}}}, {{{9, true}}}, {{{8}, {60}}, 2}}));
  const std::tuple<std::string, std::string, int32_t, std::string> shown[] = {
      {"Out 0002", " - Off - ", kColourRed, "Inpt0012"},
      {"Out 0003", "Inpt0006", kColourGreen, "Inpt0006"},
      {"Out 0004", "Inpt0008", kColourBlack, "Inpt0004"},
      {"Out 0005", "Out 0010", kColourBlack, "None"},
      {"Out 0006", "Inpt0009", kColourBlack, "None"},
      {"Out 0003", "Inpt0006", kColourGreen, "Inpt0006"}};
  for (int16_t i = 0; i < 6; ++i) {
    const auto& [out, source, colour, tip] = shown[i];
    EXPECT_EQ(rows.Row(i).sOut, out) << "row " << i;
    EXPECT_TRUE(RowIs(i, source, colour));
    EXPECT_EQ(rows.Row(i).sTip, "Return source: " + tip) << "row " << i;
  }
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{11, 5, 3, kNone, kNone, 5}));
  EXPECT_EQ(st.iCurrentSources, (std::vector<int16_t>{kNone, kNone, 60, kNone, kNone, kNone}));
  EXPECT_EQ(Hex(sock.Sent()), "");
  EXPECT_EQ(st.iReturnDelays[3], 2);
  EXPECT_EQ(st.iPendingReturns, 1);
}

}  // namespace
}  // namespace vyr::test
