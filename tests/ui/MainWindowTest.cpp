#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "UiFixture.h"
#include "engine/ReturnEngine.h"
#include "ui/ConnectionIndicator.h"
#include "ui/frmSetup.h"

namespace vyr::test {
namespace {

QColor TextColour(const QLabel* l) { return l->palette().color(QPalette::WindowText); }

using MainWindow = UiTest;

TEST_F(MainWindow, rowsGrowAndShrinkThirtyTwoPixelsApartAndRowZeroStays) {
  folder.Write("vyrntpnl.ini", WatchingIni(4, kClosedPort));
  window->Form_Load(folder.path());
  window->show();
  ASSERT_EQ(host.rows().Count(), 4);
  for (int i = 0; i < 4; ++i) {
    const QLabel* out = Label(QStringLiteral("lblOut_%1").arg(i));
    const QLabel* source = Label(QStringLiteral("lblSource_%1").arg(i));
    ASSERT_TRUE(out && source) << i;
    EXPECT_EQ(out->y(), 32 * i) << i;  // 480 twips a row
    EXPECT_EQ(source->y(), out->y()) << i;
    EXPECT_EQ(out->x(), 32);
    EXPECT_EQ(source->x(), 192);
  }
  const int fourRows = window->height();
  EXPECT_EQ(window->BoardHeight(), 128);

  host.rows().LoadDisplays(st(), host.log(), 2);
  EXPECT_EQ(Label("lblOut_2"), nullptr);
  EXPECT_EQ(Label("lblSource_3"), nullptr);
  EXPECT_EQ(window->height(), fourRows - 64);

  host.rows().LoadDisplays(st(), host.log(), 0);
  EXPECT_NE(Label("lblOut_0"), nullptr);
  EXPECT_NE(Label("lblSource_0"), nullptr);
  EXPECT_EQ(Label("lblOut_1"), nullptr);
  EXPECT_EQ(st().iDisplayCount, 0);
  EXPECT_EQ(window->height(), fourRows - 96);  // row 0 stays, and its height

  host.rows().LoadDisplays(st(), host.log(), 3);
  EXPECT_EQ(Label("lblOut_2")->y(), 64);
  EXPECT_EQ(Label("lblOut_3"), nullptr);
}

TEST_F(MainWindow, rowsShowCaptionsColoursTipsAndLastSources) {
  folder.Write("vyrntpnl.ini", WatchingIni(4, kClosedPort));
  window->Form_Load(folder.path());
  LinkUp(true);
  st().sExceptions = "0001";  // input 3 is an exception
  st().udtXptMap[0] = XptRecord({1});
  st().udtXptMap[1] = XptRecord();
  st().udtXptMap[2] = XptRecord({3});
  st().udtXptMap[3] = XptRecord({}, {7});
  st().sOutputNames[0] = "S\xC3LE 1";      // 8-bit names show one character per byte
  st().sOutputNames[1] = "Out\n0002\x7F";  // control bytes as their visible symbols
  st().sInputNames[1] = "Inp\t0002";
  UpdateDisplays(host.panel());

  const struct {
    const char* out;
    const char* source;
    QColor colour;
    const char* tip;
  } rows[] = {
      {"S\u00C3LE 1", "Inp\u24090002", QColor(0, 128, 0), "Return source: Inp\u24090002"},
      {"Out\u240A0002\u2421", " - Off - ", QColor(255, 0, 0), "Return source: None"},
      {"Out 0003", "Inpt0004", QColor(0, 0, 0), "Return source: None"},
      {"Out 0004", "Out 0008", QColor(0, 0, 0), "Return source: None"},
  };
  for (int i = 0; i < 4; ++i) {
    const QLabel* out = Label(QStringLiteral("lblOut_%1").arg(i));
    const QLabel* source = Label(QStringLiteral("lblSource_%1").arg(i));
    EXPECT_EQ(out->text(), QString::fromUtf8(rows[i].out)) << i;
    EXPECT_EQ(source->text(), QString::fromUtf8(rows[i].source)) << i;
    EXPECT_EQ(TextColour(out), rows[i].colour) << i;
    EXPECT_EQ(TextColour(source), rows[i].colour) << i;
    EXPECT_EQ(out->toolTip(), QString::fromUtf8(rows[i].tip)) << i;
    EXPECT_EQ(source->toolTip(), QString::fromUtf8(rows[i].tip)) << i;
  }
  EXPECT_EQ(st().iReturnSources[0], 1);

  // A one-output update from the engine reaches the row; the tip stays.
  host.rows().SetSource(0, " - Off - ", kColourRed);
  EXPECT_EQ(Label("lblSource_0")->text(), " - Off - ");
  EXPECT_EQ(TextColour(Label("lblOut_0")), QColor(255, 0, 0));
  EXPECT_EQ(Label("lblSource_0")->toolTip(), QString::fromUtf8("Return source: Inp\u24090002"));
}

TEST_F(MainWindow, firstRunSaysSoThenOpensTheSetupDialogAndConnectsOnlyWhenConfirmed) {
  auto sim = StartSim();
  bool connectedWhileOpen = true;
  bool pollingWhileOpen = true;
  QString tag;
  dialogs.drivers.push_back([&](QDialog& d) {
    connectedWhileOpen = !events.Seen("connecting").empty();
    pollingWhileOpen = host.pollTimer().Enabled();
    tag = static_cast<frmSetup&>(d).Tag();
    d.findChild<QLineEdit*>("txtIPPort")->setText(QString::number(sim->Port()));
    QTest::mouseClick(d.findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
  });
  window->Form_Load(folder.path());

  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text,
            "System Not Yet Configured.\rPlease specify the IP Address of the Computer running "
            "the Server Module");
  EXPECT_EQ(dialogs.boxes[0].title, "Configuration Error");
  EXPECT_EQ(dialogs.boxes[0].icon, Dialogs::Icon::Exclamation);
  EXPECT_EQ(dialogs.dialogsShown, std::vector<QString>{"frmSetup"});
  EXPECT_EQ(tag, "Initial");
  EXPECT_FALSE(connectedWhileOpen);
  EXPECT_FALSE(pollingWhileOpen);
  EXPECT_TRUE(WaitUntil([&] { return sim->HasClient(); }));
  EXPECT_TRUE(host.pollTimer().Enabled());
  EXPECT_NE(folder.Read("vyrntpnl.ini").find("IP Port=" + std::to_string(sim->Port())),
            std::string::npos);
}

TEST_F(MainWindow, exitAsksFirstAndCancelLeavesEverythingRunning) {
  folder.Write("vyrntpnl.ini", WatchingIni(2, kClosedPort));
  window->Form_Load(folder.path());
  window->show();
  QSignalSpy unloaded(window.get(), &frmMain::Unloaded);

  dialogs.answers = {Dialogs::Answer::Cancel};
  window->findChild<QAction*>("mnuExit")->trigger();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text,
            "Do You Wish To Exit?\r\rOutputs will no longer be monitored and retuned to their "
            "last source\r");
  EXPECT_EQ(dialogs.boxes[0].title, " Confirm Exit");
  EXPECT_EQ(dialogs.boxes[0].buttons, Dialogs::Buttons::OkCancel);
  EXPECT_EQ(dialogs.boxes[0].icon, Dialogs::Icon::Question);
  EXPECT_EQ(dialogs.boxes[0].byDefault, Dialogs::Answer::Cancel);  // one Enter keeps watching
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(host.pollTimer().Enabled());
  EXPECT_EQ(host.rows().Count(), 2);
  EXPECT_EQ(unloaded.count(), 0);

  window->close();  // the close box asks too
  EXPECT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(unloaded.count(), 1);
}

TEST_F(MainWindow, minimisingHidesBehindOneTrayIconAndRestoringRemovesIt) {
  tray.available = false;  // no notification area: it stays on the task bar
  window->show();
  window->setWindowState(Qt::WindowMinimized);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(tray.adds, 0);
  window->Restore();
  tray.available = true;
  window->setWindowState(Qt::WindowMinimized);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(tray.adds, 1);
  EXPECT_EQ(tray.tip, "VYR Return\nlink down");
  EXPECT_EQ(tray.icon.availableSizes().value(0), QSize(64, 64));  // the program's, with a badge
  EXPECT_TRUE(st().nidTray.bShown);

  emit tray.DoubleClicked();
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isMinimized());
  EXPECT_EQ(tray.removes, 1);
  EXPECT_EQ(tray.adds, 1);  // the restore's own state changes add nothing
  EXPECT_FALSE(st().bBusy);

  window->setWindowState(Qt::WindowMinimized);
  window->findChild<QAction*>("mnuPopRestore")->trigger();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(tray.adds, 2);
  EXPECT_EQ(tray.removes, 2);

  // Exit from the tray asks as well, and takes the icon away.
  window->setWindowState(Qt::WindowMinimized);
  window->findChild<QAction*>("mnuPopExit")->trigger();
  EXPECT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(tray.removes, 3);
  EXPECT_FALSE(st().nidTray.bShown);
}

TEST_F(MainWindow, indicatorFollowsTheRealLinkWithoutMovingTheRows) {
  auto sim = StartSim();
  const int port = sim->Port();
  const QLabel* text = window->findChild<QLabel*>("lblConnectionText");
  EXPECT_EQ(text->text(), "Not connected");

  folder.Write("vyrntpnl.ini", WatchingIni(2, port));
  window->Form_Load(folder.path());
  window->show();
  const QString where = "127.0.0.1:" + QString::number(port);
  EXPECT_TRUE(WaitUntil([&] { return text->text() == "Connected to " + where; }))
      << text->text().toStdString();
  EXPECT_EQ(Label("lblOut_1")->y(), 32);

  sim.reset();  // the switcher goes away; refused attempts follow every tick
  const auto lost = [&] { return text->text().startsWith("Link lost at "); };
  EXPECT_TRUE(WaitUntil(lost));
  const QWidget* indicator = window->findChild<QWidget*>("lblConnection");
  EXPECT_TRUE(WaitUntil([&] { return indicator->toolTip() == "Connection refused"; }))
      << indicator->toolTip().toStdString();
  EXPECT_TRUE(WaitUntil([&] { return text->text().endsWith(where + " (3 attempts)"); }))
      << text->text().toStdString();
  bool flickered = false;
  WaitUntil([&] { return (flickered = !lost()); }, 600);
  EXPECT_FALSE(flickered) << text->text().toStdString();
}

// The indicator is a plain listener: its text and tip come from the events.
TEST(ConnectionIndicator, showsTheLinkEventsAndAnAttemptOnlyOnceItLasts) {
  ConnectionIndicator indicator(nullptr);
  indicator.Connecting("10.0.0.9", 2001);
  EXPECT_EQ(indicator.Text(), "Not connected");  // not yet: a refusal would flicker
  const QString connecting = "Connecting to 10.0.0.9:2001" + QString(QChar(0x2026));
  EXPECT_TRUE(WaitUntil([&] { return indicator.Text() == connecting; }, 1000));
  indicator.ConnectFailed("Connection refused");
  EXPECT_EQ(std::make_pair(indicator.Text(), indicator.toolTip()),
            std::make_pair(QString("Not connected"), QString("Connection refused")));
  indicator.Connecting("10.0.0.9", 2001);
  indicator.Connected();
  EXPECT_EQ(std::make_pair(indicator.Text(), indicator.toolTip()),
            std::make_pair(QString("Connected to 10.0.0.9:2001"), QString()));
  indicator.Disconnected("the Server Module stopped answering polls");
  EXPECT_EQ(indicator.toolTip(), "the Server Module stopped answering polls");
}

// The real box: Enter presses the default button it was given.
TEST_F(MainWindow, enterInAQuestionGivesItsDefaultAnswer) {
  for (const auto answer : {Dialogs::Answer::Cancel, Dialogs::Answer::Ok}) {
    QTimer::singleShot(0,
                       [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
    EXPECT_EQ(QtDialogs().MessageBox(window.get(), "Exit?", Dialogs::Buttons::OkCancel,
                                     Dialogs::Icon::Question, "Confirm", answer),
              answer);
  }
}

}  // namespace
}  // namespace vyr::test
