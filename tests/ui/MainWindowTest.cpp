#include <QAction>
#include <QSignalSpy>
#include <QTimer>

#include "UiFixture.h"
#include "engine/ReturnEngine.h"
#include "ui/frmSetup.h"

namespace vyr::test {
namespace {

using MainWindow = UiTest;

// Four rows 32 pixels apart with their captions, colours and tips; loaded
// again with fewer or more rows the window shrinks and grows and row 0
// always stays; height to spare goes below the rows, not between them.
TEST_F(MainWindow, rowsShowTheirStateAndTheWindowFitsThem) {
  Load(4);
  std::vector<QPoint> at, want;
  for (int i = 0; i < 4; ++i) {
    at.push_back(Label(QStringLiteral("lblOut_%1").arg(i))->pos());
    at.push_back(Label(QStringLiteral("lblSource_%1").arg(i))->pos());
    want.insert(want.end(), {QPoint(32, 32 * i), QPoint(192, 32 * i)});  // 480 twips a row
  }
  EXPECT_EQ(at, want);
  EXPECT_EQ(window->BoardHeight(), 128);

  // The captions the engine makes (checked in test_engine) as the rows show them.
  LinkUp(true);
  st().udtXptMap[0] = XptRecord({1});
  st().udtXptMap[1] = XptRecord();
  st().sOutputNames[0] = "S\xC3LE 1";      // 8-bit names show one character per byte
  st().sOutputNames[1] = "Out\n0002\x7F";  // control bytes as their visible symbols
  st().sInputNames[1] = "Inp\t0002";
  UpdateDisplays(host.panel());
  const char* rows[] = {
      "S\u00C3LE 1 | Inp\u24090002 | #008000 | Return source: Inp\u24090002 | plain",
      "Out\u240A0002\u2421 |  - Off -  | #ff0000 | Return source: None | plain"};
  for (int i = 0; i < 2; ++i) EXPECT_EQ(RowShown(i), QString::fromUtf8(rows[i])) << i;
  // A one-output update from the engine reaches the row; the tip stays.
  host.rows().SetSource(0, " - Off - ", kColourRed);
  EXPECT_EQ(RowShown(0),
            QString::fromUtf8(
                "S\u00C3LE 1 |  - Off -  | #ff0000 | Return source: Inp\u24090002 | plain"));

  // Two rows, none but row 0 (and its height), then three.
  const int fourRows = window->height();
  const QRegularExpression rowLabel("^lbl(Out|Source)_");
  const struct {
    int16_t count;
    int labels, shorter;
  } loads[] = {{2, 4, 64}, {0, 2, 96}, {3, 6, 32}};
  for (const auto& l : loads) {
    host.rows().LoadDisplays(st(), host.log(), l.count);
    EXPECT_EQ(std::tuple(window->findChildren<QLabel*>(rowLabel).size(), window->height(),
                         st().iDisplayCount),
              std::tuple(qsizetype{l.labels}, fourRows - l.shorter, l.count));
  }
  const QLabel* first = Label("lblOut_0");
  const QLabel* last = Label("lblOut_2");
  const auto place = [&] {
    const QPoint top = first->mapTo(window.get(), QPoint());
    return std::pair(top, last->mapTo(window.get(), QPoint()) - top);
  };
  const auto placed = place();
  EXPECT_EQ(placed.second, QPoint(0, 64));
  window->resize(window->width(), window->height() + 200);
  QApplication::processEvents();
  EXPECT_EQ(place(), placed);
  const auto* below = window->findChild<QWidget*>("lstActivity");
  const int before = below->height();
  window->showMaximized();
  QApplication::processEvents();
  EXPECT_EQ(place(), placed);
  EXPECT_GE(below->height(), before + 200);
}

TEST_F(MainWindow, firstRunSaysSoThenOpensTheSetupDialogAndConnectsOnlyWhenConfirmed) {
  bool connectedWhileOpen = true;
  bool pollingWhileOpen = true;
  QString tag;
  dialogs.drivers.push_back([&](QDialog& d) {
    connectedWhileOpen = !events.Seen("connecting").empty();
    pollingWhileOpen = host.pollTimer().Enabled();
    tag = static_cast<frmSetup&>(d).Tag();
    Child<QLineEdit>(&d, "txtIPPort")->setText(QString::number(kClosedPort));
    ClickOn(&d, "cmdOk");
  });
  window->Form_Load(folder.path());

  EXPECT_EQ(dialogs.boxes, std::vector{OkBox("Configuration Error",
                                             "System Not Yet Configured.\rPlease specify the IP "
                                             "Address of the Computer running the Server Module",
                                             Dialogs::Icon::Exclamation)});
  EXPECT_EQ(dialogs.dialogsShown, std::vector<QString>{"frmSetup"});
  EXPECT_EQ(std::tuple(tag, connectedWhileOpen, pollingWhileOpen),
            std::tuple(QString("Initial"), false, false));
  EXPECT_EQ(events.Seen("connecting"), std::vector<std::string>{"connecting 127.0.0.1:1"});
}

// Minimised, the window hides behind one tray icon (on the task bar without
// a notification area) that restoring takes away. Exit asks first: Cancel
// keeps the window; from the tray it takes the icon away too.
TEST_F(MainWindow, minimisingHidesInTheTrayAndExitAsksFirst) {
  tray.available = false;
  Load(2);
  QSignalSpy unloaded(window.get(), &frmMain::Unloaded);
  window->setWindowState(Qt::WindowMinimized);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(tray.adds, 0);
  window->Restore();
  tray.available = true;
  window->setWindowState(Qt::WindowMinimized);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(std::pair(tray.adds, tray.tip), std::pair(1, QString("VYR Return\nlink down")));
  EXPECT_EQ(tray.icon.availableSizes().value(0), QSize(64, 64));  // the program's, with a badge

  emit tray.DoubleClicked();
  EXPECT_TRUE(window->isVisible() && !window->isMinimized());
  // The restore's own state changes add nothing.
  EXPECT_EQ(std::pair(tray.adds, tray.removes), std::pair(1, 1));
  window->setWindowState(Qt::WindowMinimized);
  window->findChild<QAction*>("mnuPopRestore")->trigger();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(std::pair(tray.adds, tray.removes), std::pair(2, 2));

  dialogs.answers = {Dialogs::Answer::Cancel};
  window->findChild<QAction*>("mnuExit")->trigger();
  // One Enter keeps watching.
  EXPECT_EQ(dialogs.boxes, (std::vector{ScriptedDialogs::Box{
                               "Do You Wish To Exit?\r\rOutputs will no longer be monitored and "
                               "retuned to their last source\r",
                               " Confirm Exit", Dialogs::Buttons::OkCancel, Dialogs::Icon::Question,
                               Dialogs::Answer::Cancel}}));
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(unloaded.count(), 0);

  window->setWindowState(Qt::WindowMinimized);
  window->findChild<QAction*>("mnuPopExit")->trigger();
  EXPECT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(tray.removes, 3);
  EXPECT_EQ(unloaded.count(), 1);
  EXPECT_FALSE(st().nidTray.bShown);
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
