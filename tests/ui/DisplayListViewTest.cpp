#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "ScriptedDialogs.h"
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

  template <class W = QTreeWidget>
  W* Find(const char* name) {
    W* w = form.findChild<W*>(QLatin1String(name));
    if (!w) ADD_FAILURE() << "no control " << name;
    return w;
  }
  void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
  void Open(int16_t listType) {
    st.iListType = listType;
    form.show();
  }

  // Keys as the hidden column shows them, top to bottom.
  std::vector<std::string> Keys(const char* list) {
    std::vector<std::string> keys;
    QTreeWidget* lv = Find(list);
    for (int i = 0; i < lv->topLevelItemCount(); ++i) {
      keys.push_back(lv->topLevelItem(i)->text(1).toStdString());
    }
    return keys;
  }
  void Select(const char* list, int row) { Find(list)->topLevelItem(row)->setSelected(true); }
  std::string Line(const char* description, int32_t number, const char* text) {
    return BuildLogLine(FormatGeneralDate(clock.Now()), "List Error",
                        BuildErrorMessage(description, number, text));
  }
};

TEST_F(DisplayListView, opensOnTheListTheSetupDialogAsksFor) {
  // clang-format off
  const std::tuple<int16_t, const char*, int, std::vector<std::string>, std::string> cases[] = {
      {kListOutputs, "optOutput", 6, {"Ch.0003", "Ch.0006"}, "O3 (Ch.0003)"},
      {kListExceptions, "optInput", 4, {"Ch.0002"}, "MIC 2 (Ch.0002)"}};
  // clang-format on
  for (const auto& [listType, option, masterCount, current, firstText] : cases) {
    Open(listType);
    EXPECT_TRUE(Find<QRadioButton>(option)->isChecked());
    EXPECT_EQ(Find("lvChannel")->topLevelItemCount(), masterCount);
    EXPECT_EQ(Keys("lvList"), current);
    EXPECT_EQ(Find("lvList")->topLevelItem(0)->text(0).toStdString(), firstText);
    form.close();
  }
  EXPECT_TRUE(logged.empty());
}

TEST_F(DisplayListView, addingAChannelAlreadyListedAddsNothingButIsStoredOnClose) {
  ScriptedDialogs dialogs;
  dialogs.drivers.push_back([this](QDialog&) {
    Select("lvChannel", 2);  // Ch.0003, watched already
    Click("cmdAdd");
    EXPECT_EQ(Keys("lvList"), (std::vector<std::string>{"Ch.0003", "Ch.0006"}));
    Click("cmdClose");
  });
  st.iListType = kListOutputs;
  EXPECT_EQ(dialogs.ShowModal(form), QDialog::Accepted);
  // Stored again: slots in channel order, their sources cleared.
  EXPECT_EQ(st.iWatchOutputs, (std::vector<int16_t>{2, 5}));
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{kNone, kNone}));
  EXPECT_TRUE(logged.empty());
}

TEST_F(DisplayListView, removingTwoAdjacentSelectedItemsRemovesBoth) {
  st.sExceptions = "1110", st.iExceptionCount = 3;
  Open(kListExceptions);
  QTreeWidget* lv = Find("lvList");
  // As a person selects: a click, then a Ctrl+click on the next row.
  const auto centre = [lv](int row) { return lv->visualItemRect(lv->topLevelItem(row)).center(); };
  QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, centre(0));
  QTest::mouseClick(lv->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(1));
  Click("cmdRemove");
  EXPECT_EQ(Keys("lvList"), std::vector<std::string>{"Ch.0003"});
  Click("cmdClose");
  EXPECT_EQ(std::tie(st.sExceptions, st.iExceptionCount), std::make_tuple("0010", int16_t{1}));
}

TEST_F(DisplayListView, addAllAndRemoveAllStoreTheWholeOrNoneOfTheInputs) {
  const std::tuple<const char*, std::string, int16_t> cases[] = {{"cmdAddAll", "1111", 4},
                                                                 {"cmdRemoveAll", "0000", 0}};
  for (const auto& [button, marks, count] : cases) {
    Open(kListExceptions);
    Click(button);
    Click("cmdClose");
    EXPECT_EQ(std::tie(st.sExceptions, st.iExceptionCount), std::tie(marks, count));
  }
}

TEST_F(DisplayListView, switchingListsStoresTheEditedListFirst) {
  Open(kListExceptions);
  Select("lvChannel", 3);
  Click("cmdAdd");
  QTest::mouseClick(Find<QRadioButton>("optOutput"), Qt::LeftButton);
  EXPECT_EQ(std::tie(st.sExceptions, st.iExceptionCount), std::make_tuple("0101", int16_t{2}));
  EXPECT_EQ(Keys("lvChannel").size(), 6u);
  EXPECT_EQ(Keys("lvList"), (std::vector<std::string>{"Ch.0003", "Ch.0006"}));
  // The store cleared the change, so closing the untouched watch list leaves it alone.
  Click("cmdClose");
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{0, 1}));
  EXPECT_FALSE(st.bBusy);
}

TEST_F(DisplayListView, closeBoxAndEscapeStoreNothing) {
  const std::function<void()> closers[] = {[this] { form.close(); },
                                           [this] { QTest::keyClick(&form, Qt::Key_Escape); }};
  for (const auto& closeIt : closers) {
    Open(kListOutputs);
    Click("cmdAddAll");
    closeIt();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(st.iWatchOutputs, (std::vector<int16_t>{5, 2}));
  }
}

TEST_F(DisplayListView, emptyWatchListIsNotStoredButCloseStillCloses) {
  Open(kListOutputs);
  Click("cmdRemoveAll");
  Click("cmdClose");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(std::tie(st.iWatchCount, st.iWatchOutputs),
            std::make_tuple(int16_t{2}, std::vector<int16_t>{5, 2}));
  EXPECT_EQ(logged, std::vector{Line("Error Saving List", 9, "Subscript out of range")});
}

TEST_F(DisplayListView, watchListNamingAnOutputTwiceListsWhatCameBefore) {
  st.iWatchCount = 3, st.iWatchOutputs = {4, 1, 4};
  Open(kListOutputs);
  EXPECT_EQ(Keys("lvList"), (std::vector<std::string>{"Ch.0002", "Ch.0005"}));
  EXPECT_EQ(logged, std::vector{Line("Error Loading List", kErrKeyNotUnique,
                                     "Key is not unique in collection")});
}

}  // namespace
}  // namespace vyr::test
