// What the window shows of the panel's state: row looks, stale rows and the
// status line across drops, the tray's looks and notifications, and rows
// that scroll instead of growing past the screen.

#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "UiFixture.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"
#include "ui/ConnectionIndicator.h"
#include "ui/TrayStatus.h"

namespace vyr::test {
namespace {

using WindowStates = UiTest;
using Look = TrayStatus::Look;

TEST_F(WindowStates, rowsShowAlarmMissingAndCountdownAndAreGreyedWhileTheLinkIsDown) {
  Load(3, kClosedPort, false);
  FixedClock clock(DateTime{2026, 12, 7, 23, 59, 1});
  window->Indicator().SetClock(clock);
  host.panel().events.Connecting("127.0.0.1", kClosedPort);
  host.rows().SetSource(0, kNotReturnedCaption, kColourRed, RowMark::kAlarm);
  host.rows().SetSource(1, kOffCaption, kColourRed);
  host.rows().SetCountdown(1, "0.4 s");
  host.rows().SetSource(2, kNotOnSwitcherCaption, kColourGrey, RowMark::kNotOnSwitcher);
  const struct {
    bool up;
    int row;
    const char* shown;  // no captions or tips: only the sources were set
  } cases[] = {
      {true, 0, "  |  - Off - not returned | #ff0000 |  | alarm on #ffd6d6"},
      {true, 1, "  |  - Off - 0.4 s | #ff0000 |  | plain"},
      {true, 2, "  | not on switcher | #808080 |  | not on switcher"},
      {false, 0, "  |  - Off - not returned | #a0a0a0 |  | stale"},
      {false, 1, "  |  - Off - 0.4 s | #a0a0a0 |  | stale"},
  };
  for (const auto& c : cases) {
    LinkUp(c.up);
    EXPECT_EQ(RowShown(c.row), QString(c.shown)) << c.row << c.up;
  }
  EXPECT_EQ(Label("lblConnectionText")->text(),
            QString::fromUtf8("Link lost at 23:59:01 \u2014 retrying 127.0.0.1:1 (0 attempts)"));
}

// The indicator is a plain listener: its text and tip come from the events.
TEST(ConnectionIndicator, saysWhenTheLinkWasLostHowOftenItWasTriedAndWhenItIsUnstable) {
  FixedClock clock(DateTime{2026, 12, 7, 9, 5, 7});
  ConnectionIndicator indicator(nullptr);
  indicator.SetClock(clock);
  const QString where = "10.0.0.9:2001", dash = QString(QChar(0x2014));
  const auto lostAt = [&](const char* at, int attempts) {
    return "Link lost at " + QString(at) + " " + dash + " retrying " + where + " (" +
           QString::number(attempts) + " attempts)";
  };
  const auto shows = [&] { return std::pair(indicator.Text(), indicator.toolTip()); };
  indicator.Connecting("10.0.0.9", 2001);
  EXPECT_EQ(indicator.Text(), "Not connected");  // not yet: a refusal would flicker
  const QString connecting = "Connecting to " + where + QString(QChar(0x2026));
  EXPECT_TRUE(WaitUntil([&] { return indicator.Text() == connecting; }, 1000));
  indicator.ConnectFailed("Connection refused");
  EXPECT_EQ(shows(), std::pair(QString("Not connected"), QString("Connection refused")));
  indicator.Connecting("10.0.0.9", 2001);
  indicator.Connected();
  EXPECT_EQ(shows(), std::pair("Connected to " + where, QString()));
  indicator.Disconnected("the Server Module stopped answering polls");
  EXPECT_EQ(shows(),
            std::pair(lostAt("09:05:07", 0), QString("the Server Module stopped answering polls")));
  for (int attempt = 1; attempt <= 3; ++attempt) {
    indicator.Connecting("10.0.0.9", 2001);
    indicator.ConnectFailed("Connection refused");
  }
  // Not "Not connected", no delay.
  EXPECT_EQ(shows(), std::pair(lostAt("09:05:07", 3), QString("Connection refused")));
  // Three more drops a minute apart: four in ten minutes.
  const QString unstable = " " + dash + " unstable: 4 drops in 10 min";
  for (int minute = 6; minute <= 8; ++minute) {
    indicator.Connecting("10.0.0.9", 2001);
    indicator.Connected();
    EXPECT_EQ(indicator.Text(), "Connected to " + where) << minute;
    clock.Set(DateTime{2026, 12, 7, 9, minute, 30});
    indicator.Disconnected("closed");
  }
  EXPECT_EQ(indicator.Text(), lostAt("09:08:30", 0) + unstable);
  indicator.Connecting("10.0.0.9", 2001);
  indicator.Connected();
  EXPECT_EQ(indicator.Text(), "Connected to " + where + unstable);
  clock.Set(DateTime{2026, 12, 7, 9, 15, 7});  // the first drop is ten minutes old
  indicator.Connected();
  EXPECT_EQ(indicator.Text(), "Connected to " + where);
}

TEST_F(WindowStates, trayHasALookForOnAirOffAndLinkDownAndTellsEachEventOnceWhileHidden) {
  Load(2, kClosedPort, false);
  const auto image = [](const QIcon& i) { return i.pixmap(64, 64).toImage(); };
  const auto look = [&](Look l) { return image(TrayStatus::LookIcon(l)); };
  EXPECT_NE(look(Look::kOnAir), look(Look::kOff));
  EXPECT_NE(look(Look::kOff), look(Look::kLinkDown));
  EXPECT_NE(look(Look::kOnAir), look(Look::kLinkDown));

  for (const int16_t row : {int16_t{0}, int16_t{1}}) {
    host.rows().SetOutCaption(row, row == 0 ? "Out 0001" : "Out 0002");
    host.rows().SetSource(row, row == 0 ? "Inpt0001" : "Inpt0002", kColourGreen);
  }
  const auto alarm = [&] {
    host.rows().SetSource(1, kNotReturnedCaption, kColourRed, RowMark::kAlarm);
  };
  const struct {
    std::function<void()> step;
    Look look;
    const char *tip, *notes;  // notifications, one a line
  } steps[] = {
      {[] {}, Look::kLinkDown, "link down", ""},
      {[&] { LinkUp(true); }, Look::kOnAir, "all watched outputs on air", ""},
      {[&] { host.rows().SetSource(1, kOffCaption, kColourRed); }, Look::kOff, "Out 0002 Off", ""},
      {alarm, Look::kOff, "Out 0002 not returned", "Out 0002 not returned"},
      // The same alarm again, or its row redrawn, tells nothing new.
      {alarm, Look::kOff, "Out 0002 not returned", ""},
      {[&] { host.rows().SetCountdown(1, "0.1 s"); }, Look::kOff, "Out 0002 not returned", ""},
      {[&] { LinkUp(false); }, Look::kLinkDown, "link down\nOut 0002 not returned",
       "Link lost: test"},
      {[&] { host.panel().events.ConnectFailed("refused"); }, Look::kLinkDown,
       "link down\nOut 0002 not returned", ""},
  };
  for (std::size_t k = 0; k < std::size(steps); ++k) {
    tray.notes.clear();
    steps[k].step();
    const QStringList notes(tray.notes.begin(), tray.notes.end());
    EXPECT_EQ(std::tuple(image(tray.icon), tray.tip, notes.join('\n')),
              std::tuple(look(steps[k].look), "VYR Return\n" + QString(steps[k].tip),
                         QString(steps[k].notes)))
        << k;
  }
  // In sight, the window tells nothing through the tray.
  window->show();
  tray.notes.clear();
  host.rows().SetSource(0, kNotReturnedCaption, kColourRed, RowMark::kAlarm);
  EXPECT_TRUE(tray.notes.empty());
}

// The window grows with the rows up to the screen's height and keeps its
// width; past that the rows scroll. Nothing is logged for many rows.
TEST_F(WindowStates, rowsScrollOnceTheWindowReachesTheScreensHeight) {
  const int screen = QGuiApplication::primaryScreen()->availableGeometry().height();
  int width = 0;
  for (int count : {4, 256, 1000}) {
    Load(count);
    ASSERT_EQ(host.rows().Count(), count);
    const auto* scroll = window->findChild<QScrollArea*>("scrollRows");
    EXPECT_EQ(Label(QString("lblOut_%1").arg(count - 1))->y(), 32 * (count - 1));
    EXPECT_LE(window->frameGeometry().height(), screen) << count;
    EXPECT_EQ(scroll->verticalScrollBar()->maximum() > 0, count > 4) << count;
    if (width == 0) width = window->width();
    EXPECT_EQ(window->width(), width) << count;
  }
  EXPECT_EQ(LogText(), "");
}

TEST_F(WindowStates, firstRunShowsWhereToChooseOutputsAndTheCounterIsLabelled) {
  Load(0);
  EXPECT_EQ(Label("lblHint")->text(), "No outputs watched: File > Setup > Configure Outputs");
  EXPECT_TRUE(Label("lblHint")->isVisible());
  EXPECT_FALSE(Label("lblOut_0")->isVisible());
  EXPECT_EQ(Label("lblPoll")->text(), "Polls: 0");
  // Drawn at most once a second, the latest count within that second.
  host.rows().SetPollCaption("123");
  host.rows().SetPollCaption("124");
  EXPECT_EQ(Label("lblPoll")->text(), "Polls: 0");
  EXPECT_TRUE(WaitUntil([&] { return Label("lblPoll")->text() == "Polls: 124"; }));
}

}  // namespace
}  // namespace vyr::test
