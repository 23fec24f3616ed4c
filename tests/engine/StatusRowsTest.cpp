// The status rows: one per watched output, built as copies of row 0 and
// refreshed from the whole crosspoint map.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

using StatusRowsTest = EngineTest;

// Row 0 first takes a new colour under the same caption (say its source
// stopped being an exception), then is copied.
TEST_F(StatusRowsTest, rowsGrowAsCopiesOfRowZeroAndShrinkButRowZeroStays) {
  rows.SetSource(0, "Inpt0001", kColourBlack);
  rows.SetSource(0, "Inpt0001", kColourGreen);
  rows.SetTip(0, "Return source: Inpt0001");
  rows.SetCountdown(0, "0.3 s");  // row 0's own: no new row counts down
  // Count asked for, rows made; a thousand rows are as good as four.
  for (const auto& [count, made] : {std::pair{4, 4}, {2, 2}, {0, 1}, {3, 3}, {1000, 1000}}) {
    rows.LoadDisplays(st, log, static_cast<int16_t>(count));
    EXPECT_EQ(std::tuple(rows.Count(), st.iDisplayCount), std::tuple(made, count));
    for (int16_t i = 0; i < made; ++i) {
      const StatusRow& r = rows.Row(i);
      EXPECT_EQ(std::tuple(r.sSource, r.lColour, r.sTip, r.sCountdown),
                std::tuple("Inpt0001", kColourGreen, "Return source: Inpt0001", i ? "" : "0.3 s"))
          << count;
    }
  }
  EXPECT_TRUE(logged.empty()) << logged.front();
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
      {"Out 0004", "Inpt0008 + Inpt0061", kColourBlack, "Inpt0004"},
      {"Out 0005", "Out 0010", kColourBlack, "None"},
      {"Out 0006", "Inpt0009 + Inpt0061", kColourBlack, "None"},
      {"Out 0003", "Inpt0006", kColourGreen, "Inpt0006"}};
  for (int16_t i = 0; i < 6; ++i) {
    const auto& [out, source, colour, tip] = shown[i];
    const StatusRow& r = rows.Row(i);
    EXPECT_EQ(std::tuple(r.sOut, r.sSource, r.lColour, r.sTip),
              std::tuple(out, source, colour, "Return source: " + tip))
        << "row " << i;
  }
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{11, 5, 3, kNone, kNone, 5}));
  EXPECT_EQ(st.iCurrentSources, (std::vector<int16_t>{kNone, kNone, 60, kNone, kNone, kNone}));
  // No return started, none counted down.
  EXPECT_EQ(std::tuple(Hex(sock.Sent()), st.iReturnDelays[3], st.iPendingReturns),
            std::tuple("", 2, 1));
}

// What sets a row apart: the time a delayed return has left, the alarms,
// summed sources, the source a return would really go to, and an output the
// switcher does not have.
TEST_F(StatusRowsTest, rowsShowCountdownAlarmSumsReturnTargetAndMissingOutputs) {
  Watch({{1}, {2}, {3}, {9}});
  st.iNumOutputs = 8;
  st.bInfoRequested = true;  // the output names of this link have come
  st.iWaitTicks = 3;
  st.iTimeOut = 10000;  // no link time-out in between
  st.iReturnSources = {4, 4, 4, 4};
  Feed(MapFrame(0, {{{{4}}}, {{{4}}}, {{{4}}}, {{{4}}}}));
  Feed(MapFrame(1, {{}, {{{2}, {7}}}}));
  const auto shown = [&](int16_t row) {
    const StatusRow& r = rows.Row(row);
    return std::tuple{r.sOut, ShownSource(r), r.lColour, r.mark, r.sTip};
  };
  using Shown = decltype(shown(0));
  EXPECT_EQ(shown(0), (Shown{"Out 0002", " - Off - 0.4 s", kColourRed, RowMark::kPlain,
                             "Return source: Inpt0005"}));
  EXPECT_EQ(shown(1), (Shown{"Out 0003", "Inpt0003 + Inpt0008", kColourGreen, RowMark::kPlain,
                             "Return source: Inpt0003"}));
  EXPECT_EQ(shown(3), (Shown{"Output 10", "not on switcher", kColourGrey, RowMark::kNotOnSwitcher,
                             "Output 10 is past the switcher's 8 outputs"}));
  // The countdown runs each poll tick and ends with the return.
  for (const char* left : {" - Off - 0.3 s", " - Off - 0.2 s", " - Off - 0.1 s", " - Off - "}) {
    Ticks(1);
    EXPECT_EQ(ShownSource(rows.Row(0)), left);
  }
  EXPECT_EQ(Changes(), (std::vector<Sent>{{2, 5, 4}}));
  // Back on air before its time: no time left is shown.
  Feed(OneOutput(1, {6}));
  Feed(OneOutput(1, {}));
  EXPECT_EQ(ShownSource(rows.Row(0)), " - Off - 0.4 s");
  Feed(OneOutput(1, {6}));
  EXPECT_EQ(ShownSource(rows.Row(0)), "Inpt0007");

  // Under Return to Specific Source the tip names that source; Undefined is
  // an alarm, as is a return never confirmed.
  st.bReturnToSpecific = true, st.iReturnSource = 11;
  UpdateDisplays(p);
  EXPECT_EQ(rows.Row(0).sTip, "Return source: Inpt0012");
  st.iReturnSource = kNone;
  Feed(OneOutput(1, {}));
  UpdateDisplays(p);
  EXPECT_EQ(shown(0), (Shown{"Out 0002", kNoReturnSourceCaption, kColourRed, RowMark::kAlarm,
                             "Return source: None"}));
  WatchOf(st, 2).state = ReturnCheck::kAlarm;
  Feed(OneOutput(3, {}));
  EXPECT_EQ(rows.Row(2).mark, RowMark::kAlarm);
  EXPECT_EQ(rows.Row(2).sSource, kNotReturnedCaption);
}

}  // namespace
}  // namespace vyr::test
