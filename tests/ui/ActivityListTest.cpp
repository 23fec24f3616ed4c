// The window's Activity list: View > Activity shows and hides it; selected
// lines are copied; the last 1,000 are kept; a setup taken shows as a line
// that the daily file holds too. What the lines say is the engine's.

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QToolTip>

#include "UiFixture.h"
#include "ui/ActivityList.h"

namespace vyr::test {
namespace {

class ActivityListTest : public UiTest {
 protected:
  ActivityList* List() const { return window->findChild<ActivityList*>("lstActivity"); }
  void Say(int first, int count) {
    for (int i = first; i < first + count; ++i)
      List()->ActivityLine({2011, 3, 1, 9, 5, 7, 250}, "line " + std::to_string(i));
  }
};

TEST_F(ActivityListTest, viewActivityTogglesItCopyTakesTheSelectionAndTheLast1000Stay) {
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

  // A line wider than the list ends at its edge, whatever line came last, and
  // is shown whole when the pointer rests on it.
  const std::string wide = "return not confirmed, sent again: " + std::string(200, 'x');
  List()->ActivityLine({2011, 3, 1, 9, 5, 7, 250}, wide);
  List()->Flush();
  QApplication::processEvents();
  const int edge = List()->viewport()->width();
  EXPECT_EQ(List()->visualItemRect(List()->item(3)).width(), edge);
  const QPoint on = List()->visualItemRect(List()->item(3)).center();
  QHelpEvent hover(QEvent::ToolTip, on, List()->viewport()->mapToGlobal(on));
  QApplication::sendEvent(List()->viewport(), &hover);
  EXPECT_EQ(QToolTip::text(), "09:05:07.250  " + QString::fromStdString(wide));

  // A burst past the limit: the newest 1,000 stay, the oldest first.
  Say(3, 697);
  List()->Flush();
  Say(700, 800);
  List()->Flush();
  ASSERT_EQ(List()->count(), ActivityList::kLinesKept);
  EXPECT_EQ(List()->item(0)->text(), "09:05:07.250  line 500");
  EXPECT_EQ(List()->item(999)->text(), "09:05:07.250  line 1499");
}

TEST_F(ActivityListTest, setupTakenWithOkIsListedWithWhatItNowIsAndWrittenToTheDailyFile) {
  Load(2, kClosedPort, false);
  dialogs.drivers.push_back([](QDialog& d) { ClickOn(&d, "cmdOk"); });
  window->mnuSetup_Click();
  List()->Flush();
  ASSERT_GT(List()->count(), 0);
  EXPECT_EQ(List()->item(List()->count() - 1)->text().mid(12).toStdString(),
            "  setup changed: 127.0.0.1:1, watching 2 outputs, Return to Last Source, delay 0 "
            "ms, confirm 2000 ms");
  // The daily file holds the same line once the next poll tick writes it.
  const std::string name =
      "Activity " + QDate::currentDate().toString("yyyy-MM-dd").toStdString() + ".txt";
  EXPECT_TRUE(WaitUntil(
      [&] { return folder.Read(name).find("  setup changed: 127.0.0.1:1") != std::string::npos; }));
}

}  // namespace
}  // namespace vyr::test
