#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QtMath>
#include <functional>

#include "UiFixture.h"
#include "core/Clock.h"
#include "support/SmallFacility.h"
#include "ui/frmDisplayListView.h"

namespace vyr::test {
namespace {

// Four inputs and six outputs; outputs 6 and 3 are watched, input 2 is an exception.
class DisplayListView : public ::testing::Test {
 protected:
  AppState st;
  FixedClock clock{DateTime{2011, 3, 1, 9, 5, 7}};
  ErrorLog log{st.sAppPath, clock};
  std::vector<std::string> logged;
  frmDisplayListView form{st, log};

  DisplayListView() {
    log.SetWriteToFile(false);
    log.SetEcho([this](const std::string& line) { logged.push_back(line); });
    FillSmallFacility(st);
  }

  QTreeWidget* Find(const char* name) { return Child<QTreeWidget>(&form, name); }
  void Click(const char* name) { ClickOn(&form, name); }
  void Open(int16_t listType) {
    st.iListType = listType;
    form.show();
  }

  // Keys as the hidden column shows them, top to bottom.
  std::vector<std::string> Keys(const char* list) {
    std::vector<std::string> keys;
    QTreeWidget* lv = Find(list);
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
      keys.push_back(lv->topLevelItem(i)->text(1).toStdString());
    return keys;
  }
  void Select(const char* list, int row) { Find(list)->topLevelItem(row)->setSelected(true); }
  std::string Line(const char* description, int32_t number, const char* text) {
    return BuildLogLine(FormatGeneralDate(clock.Now()), "List Error",
                        BuildErrorMessage(description, number, text));
  }
};

// Two adjacent exceptions selected as a person does (a click, then a
// Ctrl+click on the next row) both go; Add All and Remove All store the
// whole or none of the inputs.
TEST_F(DisplayListView, exceptionsGoTwoAtATimeOrAllAtOnce) {
  st.sExceptions = "1110", st.iExceptionCount = 3;
  Open(kListExceptions);
  QTreeWidget* lv = Find("lvList");
  const auto centre = [lv](int row) { return lv->visualItemRect(lv->topLevelItem(row)).center(); };
  QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, centre(0));
  QTest::mouseClick(lv->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(1));
  Click("cmdRemove");
  EXPECT_EQ(Keys("lvList"), std::vector<std::string>{"Ch.0003"});
  Click("cmdOk");
  EXPECT_EQ(std::tie(st.sExceptions, st.iExceptionCount), std::make_tuple("0010", int16_t{1}));
  const std::tuple<const char*, std::string, int16_t> cases[] = {{"cmdAddAll", "1111", 4},
                                                                 {"cmdRemoveAll", "0000", 0}};
  for (const auto& [button, marks, count] : cases) {
    Open(kListExceptions);
    Click(button);
    Click("cmdOk");
    EXPECT_EQ(std::tie(st.sExceptions, st.iExceptionCount), std::tie(marks, count));
  }
}

TEST_F(DisplayListView, switchingListsStoresTheEditedListFirst) {
  Open(kListExceptions);
  Select("lvChannel", 3);
  Click("cmdAdd");
  Click("optOutput");
  EXPECT_EQ(std::tie(st.sExceptions, st.iExceptionCount), std::make_tuple("0101", int16_t{2}));
  EXPECT_EQ(Keys("lvChannel").size(), 6u);
  EXPECT_EQ(Keys("lvList"), (std::vector<std::string>{"Ch.0003", "Ch.0006"}));
  // The store cleared the change, so closing the untouched watch list leaves it alone.
  Click("cmdOk");
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{0, 1}));
  EXPECT_FALSE(st.bBusy);
}

// The watch list is edited and stored by the switch to the exceptions,
// which are then emptied: every way out but Ok leaves both as they were.
TEST_F(DisplayListView, cancelCloseBoxAndEscapeLeaveBothListsAsTheyWere) {
  const std::function<void()> closers[] = {[this] { Click("cmdCancel"); }, [this] { form.close(); },
                                           [this] { QTest::keyClick(&form, Qt::Key_Escape); }};
  for (const auto& closeIt : closers) {
    Open(kListOutputs);
    Click("cmdAddAll");
    Click("optInput");
    Click("cmdRemoveAll");
    closeIt();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(std::tie(st.iWatchOutputs, st.iReturnSources, st.sExceptions),
              std::make_tuple(std::vector<int16_t>{5, 2}, std::vector<int16_t>{0, 1}, "0100"));
  }
}

// Output 300 is beyond the switcher's six; each output's opto (and input)
// goes with it when another output is added before it (by a double click)
// or one is taken away (by Delete).
TEST_F(DisplayListView, outputsOffTheSwitcherStayMarkedAndEachOutputKeepsItsOpto) {
  st.iWatchCount = 3, st.iWatchOutputs = {5, 2, 299};
  st.iWatchInputs = {1, kNone, 0}, st.iWatchOptos = {kNone, 3, 2};
  Open(kListOutputs);
  QTreeWidget* lv = Find("lvList");
  EXPECT_EQ(lv->topLevelItem(2)->text(0), "Out 0300 (not on switcher)");
  EXPECT_FALSE(lv->isColumnHidden(2));
  EXPECT_EQ(lv->headerItem()->text(2), "Opto");
  const auto* named = qobject_cast<QStyledItemDelegate*>(lv->itemDelegateForColumn(2));
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(named->displayText(lv->topLevelItem(0)->text(2), {}), "4 (MIC 4)");
  QTreeWidget* master = Find("lvChannel");
  const QPoint first = master->visualItemRect(master->topLevelItem(0)).center();
  QTest::mouseClick(master->viewport(), Qt::LeftButton, {}, first);  // as a person's first press
  QTest::mouseDClick(master->viewport(), Qt::LeftButton, {}, first);
  EXPECT_EQ(Keys("lvList"), (std::vector<std::string>{"Ch.0001", "Ch.0003", "Ch.0006", "Ch.0300"}));
  lv->topLevelItem(0)->setText(2, "2");
  Select("lvList", 2);
  QTest::keyClick(lv, Qt::Key_Delete);  // Ch.0006
  Click("cmdOk");
  EXPECT_EQ(std::tie(st.iWatchOutputs, st.iWatchOptos, st.iWatchInputs),
            std::make_tuple(std::vector<int16_t>{0, 2, 299}, std::vector<int16_t>{1, 3, 2},
                            std::vector<int16_t>{kNone, kNone, 0}));
  EXPECT_TRUE(logged.empty());
}

// At any scale the lists' frames show on all four sides: going in from
// the dialog's background at each side's middle, the first pixel of a list
// is its border, not its white (ctest runs this at 1.0 and 1.5).
TEST_F(DisplayListView, listsKeepTheirBorders) {
  Open(kListOutputs);
  const QImage image = form.grab().toImage();
  const qreal scale = image.devicePixelRatio();
  const QRgb window = form.palette().color(QPalette::Window).rgb();
  for (const char* name : {"lvChannel", "lvList"}) {
    const QRect r = Find(name)->geometry();
    const QRgb base = Find(name)->palette().color(QPalette::Base).rgb();
    const QPoint mid = QPointF(r.center() * scale).toPoint();
    const QPoint sides[] = {{mid.x(), qCeil((r.bottom() + 1) * scale)},
                            {qCeil((r.right() + 1) * scale), mid.y()},
                            {qFloor(r.left() * scale) - 1, mid.y()}};
    for (QPoint p : sides) {
      const QPoint step = (mid - p) / std::max(1, (mid - p).manhattanLength());
      while (p != mid && image.pixel(p) == window) p += step;
      EXPECT_NE(image.pixel(p), base) << name << " at " << p.x() << "," << p.y();
    }
  }
}

// A watch list naming an output twice lists what came before; an empty one
// is refused (the state it leaves is checked in test_config), but Ok still
// closes. Both are logged.
TEST_F(DisplayListView, watchListErrorsAreLoggedAndOkStillCloses) {
  st.iWatchCount = 3, st.iWatchOutputs = {4, 1, 4};
  Open(kListOutputs);
  EXPECT_EQ(Keys("lvList"), (std::vector<std::string>{"Ch.0002", "Ch.0005"}));
  Click("cmdRemoveAll");
  Click("cmdOk");
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(
      logged,
      (std::vector{Line("Error Loading List", kErrKeyNotUnique, "Key is not unique in collection"),
                   Line("Error Saving List", 9, "Subscript out of range")}));
}

}  // namespace
}  // namespace vyr::test
