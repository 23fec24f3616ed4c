// The window's Activity list: a return on the switcher shows as lines,
// newest last and time-stamped; the last 1,000 are kept; View > Activity
// shows and hides it; selected lines are copied.

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>

#include "UiFixture.h"
#include "ui/ActivityList.h"

namespace vyr::test {
namespace {

class ActivityListTest : public UiTest {
 protected:
  ActivityList* List() const { return window->findChild<ActivityList*>("lstActivity"); }
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    for (int i = 0; i < List()->count(); ++i) out.push_back(List()->item(i)->text().toStdString());
    return out;
  }
  void Say(int first, int count) {
    for (int i = first; i < first + count; ++i)
      List()->ActivityLine({2011, 3, 1, 9, 5, 7, 250}, "line " + std::to_string(i));
  }
};

TEST_F(ActivityListTest, aReturnShowsAsStampedLinesNewestLastAndTheLast1000Stay) {
  auto sim = StartSim();
  Load(2, sim->Port());
  const auto at = [&](const std::string& what) {
    const auto lines = Lines();
    return std::find_if(lines.begin(), lines.end(),
                        [&](const std::string& l) { return l.find(what) != std::string::npos; }) -
           lines.begin();
  };
  const auto shows = [&](const std::string& what) { return at(what) < List()->count(); };
  ASSERT_TRUE(WaitUntil([&] { return shows("row 2: Out 0002 <- Inpt0002  (watched)"); }));
  sim->TakeOff(1);
  ASSERT_TRUE(WaitUntil([&] { return shows("return confirmed: Out 0002 (2)"); }));
  const std::vector<std::string> lines = Lines();
  const std::vector<long> order = {at("connected to 127.0.0.1:"), at("Off seen on Out 0002 (2)"),
                                   at("return sent: Out 0002 (2) to Inpt0002 (2)"),
                                   at("return confirmed: Out 0002 (2)")};
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << testing::PrintToString(order);
  const QRegularExpression stamped("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  .");
  for (const std::string& line : lines)
    EXPECT_TRUE(stamped.match(QString::fromStdString(line)).hasMatch()) << line;
  // The daily file holds the same lines once the next poll tick writes them.
  const std::string name =
      "Activity " + QDate::currentDate().toString("yyyy-MM-dd").toStdString() + ".txt";
  const std::string confirmed = lines[static_cast<std::size_t>(order.back())] + "\n";
  EXPECT_TRUE(WaitUntil([&] { return folder.Read(name).find(confirmed) != std::string::npos; }));

  // A burst past the limit: the newest 1,000 stay, the oldest first.
  Say(0, 700);
  List()->Flush();
  Say(700, 800);
  List()->Flush();
  ASSERT_EQ(List()->count(), ActivityList::kLinesKept);
  EXPECT_EQ(List()->item(0)->text(), "09:05:07.250  line 500");
  EXPECT_EQ(List()->item(999)->text(), "09:05:07.250  line 1499");
}

TEST_F(ActivityListTest, viewActivityShowsAndHidesTheListAndCopyTakesTheSelectedLines) {
  window->show();
  QAction* toggle = window->findChild<QAction*>("mnuActivity");
  ASSERT_NE(toggle, nullptr);
  EXPECT_TRUE(toggle->isCheckable() && toggle->isChecked());
  EXPECT_TRUE(List()->isVisible());
  const int height = window->height();
  toggle->trigger();
  EXPECT_FALSE(List()->isVisible());
  EXPECT_TRUE(WaitUntil([&] { return window->height() < height; }));  // it gives up the room
  toggle->trigger();
  EXPECT_TRUE(List()->isVisible());

  Say(0, 3);
  EXPECT_TRUE(WaitUntil([&] { return List()->count() == 3; }));  // shown without a Flush
  List()->item(0)->setSelected(true);
  List()->item(2)->setSelected(true);
  List()->setFocus();
  QApplication::clipboard()->clear();
  QTest::keyClick(List(), Qt::Key_C, Qt::ControlModifier);
  const QString both = "09:05:07.250  line 0\n09:05:07.250  line 2\n";
  EXPECT_EQ(QApplication::clipboard()->text(), both);

  QApplication::clipboard()->clear();
  QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                          List()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(List()->viewport(), &click);
  auto* menu = List()->findChild<QMenu*>("mnuActivityContext");
  ASSERT_TRUE(menu && menu->isVisible());
  QAction* copy = menu->findChild<QAction*>("mnuActivityCopy");
  ASSERT_TRUE(copy && copy->isEnabled());
  copy->trigger();
  menu->hide();
  EXPECT_EQ(QApplication::clipboard()->text(), both);
}

TEST_F(ActivityListTest, setupTakenWithOkIsListedWithWhatItNowIs) {
  Load(2, kClosedPort, false);
  dialogs.drivers.push_back([](QDialog& d) { ClickOn(&d, "cmdOk"); });
  window->mnuSetup_Click();
  List()->Flush();
  ASSERT_GT(List()->count(), 0);
  EXPECT_EQ(List()->item(List()->count() - 1)->text().mid(12).toStdString(),
            "  setup changed: 127.0.0.1:1, watching 2 outputs, Return to Last Source, delay 0 "
            "ms, confirm 2000 ms");
}

}  // namespace
}  // namespace vyr::test
