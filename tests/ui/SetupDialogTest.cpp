#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include "UiFixture.h"
#include "ui/frmDisplayListView.h"
#include "ui/frmSetup.h"

namespace vyr::test {
namespace {

class SetupDialog : public UiTest {
 protected:
  SetupDialog() { Load(2, kClosedPort, false); }

  // A fresh dialog over the current state, as the Setup menu opens it.
  std::unique_ptr<frmSetup> Open() {
    auto d = std::make_unique<frmSetup>(host.panel(), dialogs, window.get());
    d->show();
    return d;
  }
  // A table's rows as the cells show them, names included.
  static std::vector<QStringList> Shown(QTableWidget* t) {
    std::vector<QStringList> rows(static_cast<std::size_t>(t->rowCount()));
    for (int r = 0; r < t->rowCount(); ++r) {
      for (int c = 0; c < t->columnCount(); ++c) {
        const auto* named = qobject_cast<QStyledItemDelegate*>(t->itemDelegateForColumn(c));
        rows[static_cast<std::size_t>(r)] << named->displayText(t->item(r, c)->text(), {});
      }
    }
    return rows;
  }
};

// The boxes show the stored settings; the last-source rule disables the
// source and enables the exceptions, and each list button opens the list
// editor on its own list.
TEST_F(SetupDialog, opensOnTheStoredSettingsAndEachListButtonOnItsList) {
  st().lIPPort = 2001, st().sIPAddress = "10.0.0.9", st().iWaitTime = 250;
  st().bReturnToSpecific = true, st().iReturnSource = 0;
  auto d = Open();
  QStringList boxes;
  for (const char* name : {"txtIPPort", "txtIPAddr", "txtDelay"})
    boxes << Child<QLineEdit>(d.get(), name)->text();
  EXPECT_EQ(boxes, (QStringList{"2001", "10.0.0.9", "250"}));
  QComboBox* cmb = Child<QComboBox>(d.get(), "cmbReturn");
  EXPECT_EQ(std::pair(cmb->count(), cmb->currentText()), std::pair(257, QString("Inpt0001[0001]")));
  EXPECT_TRUE(Child<QRadioButton>(d.get(), "optReturnType_1")->isChecked());
  const auto* excepts = Child<QPushButton>(d.get(), "cmdConfigExcepts");
  EXPECT_EQ(std::pair(cmb->isEnabled(), excepts->isEnabled()), std::pair(true, false));
  ClickOn(d.get(), "optReturnType_0");
  EXPECT_EQ(std::pair(cmb->isEnabled(), excepts->isEnabled()), std::pair(false, true));

  std::vector<bool> outputs;
  for (int i = 0; i < 2; ++i) {
    dialogs.drivers.push_back([&](QDialog& editor) {
      outputs.push_back(Child<QRadioButton>(&editor, "optOutput")->isChecked());
    });
  }
  ClickOn(d.get(), "cmdConfigOuts");
  ClickOn(d.get(), "cmdConfigExcepts");
  EXPECT_EQ(outputs, (std::vector<bool>{true, false}));
}

// Each refusal ApplySetup gives shows its own box, and the dialog stays.
TEST_F(SetupDialog, eachRefusalShowsItsMessageBoxAndKeepsTheDialogOpen) {
  const struct {
    const char *port, *address;
    bool specific, writable;  // specific: that rule on the stored source, Undefined
    const char *title, *text;
    Dialogs::Icon icon;
  } cases[] = {
      {"0", "10.1.2", true, true, "Port Error",
       "Invalid IP Port #. Please reenter a number between 1 and 65535", Dialogs::Icon::None},
      {"1", "10.1.2", true, true, "Return Source Error",
       "Please choose the Return Source, or choose Return to Last Source. With the source "
       "Undefined no output would be returned.",
       Dialogs::Icon::Exclamation},
      {"1", "10.1.2.", false, true, "Data Format Error",
       "Please Enter IP Address In The Following Format: 192.168.1.1", Dialogs::Icon::Critical},
      {"1", "127.0.0.1", false, false, "Error Writing File", "Error Writing Vyrntpnl.ini File",
       Dialogs::Icon::Critical},
  };
  const std::string programFolder = st().sAppPath;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    dialogs.boxes.clear();
    st().sAppPath = programFolder + (c.writable ? "" : "no-such-folder/");
    auto d = Open();
    TypeInto(d.get(), "txtIPPort", c.port);
    TypeInto(d.get(), "txtIPAddr", c.address);
    ClickOn(d.get(), c.specific ? "optReturnType_1" : "optReturnType_0");
    ClickOn(d.get(), "cmdOk");
    EXPECT_EQ(dialogs.boxes, std::vector{OkBox(c.title, c.text, c.icon)});
    EXPECT_TRUE(d->isVisible());
    // A refused address gives way to the stored one.
    const bool badAddress = c.icon == Dialogs::Icon::Critical && c.writable;
    EXPECT_EQ(Child<QLineEdit>(d.get(), "txtIPAddr")->text(),
              QString::fromLatin1(badAddress ? "127.0.0.1" : c.address));
  }
}

// Pasted or typed, each box keeps only its own characters (the key filters
// are checked in test_config); a delay beyond the longest is cut to it, and
// the dialog says so beside the box.
TEST_F(SetupDialog, boxesTakeOnlyTheirKeys) {
  auto d = Open();
  QLabel* note = Child<QLabel>(d.get(), "lblDelayNote");
  const struct {
    const char *box, *text, *kept;
    bool noted;
  } cases[] = {{"txtIPPort", "12a-3", "123", false},
               {"txtIPAddr", "10,a.1 .2.3", "10.1.2.3", false},
               {"txtDelay", "2 500", "2500", false},
               {"txtDelay", "25000", "10000", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    QLineEdit* box = Child<QLineEdit>(d.get(), c.box);
    box->clear();
    QApplication::clipboard()->setText(c.text);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box->text(), c.kept);
    EXPECT_EQ(note->isVisibleTo(d.get()), c.noted);
  }
  EXPECT_EQ(note->text(), "25000 ms is longer than the longest delay: 10000 ms kept");
  QLineEdit* delay = Child<QLineEdit>(d.get(), "txtDelay");
  QTest::keyClick(delay, Qt::Key_Backspace);
  EXPECT_EQ(delay->text(), "1000");
  const auto labels = delay->parentWidget()->findChildren<QLabel*>();
  EXPECT_EQ(
      std::count_if(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "ms"; }),
      2);  // the delay's unit and the confirm time's
}

// Keys go where a person's would: to the widget that holds the focus (what
// each key does to the source is checked in test_config). Ok hands the boxes
// over (a source typed in any letter case) and closes.
TEST_F(SetupDialog, returnSourceBoxKeysAsTypedIntoTheFocusedBoxAndOkHandsAllOver) {
  st().bReturnToSpecific = true, st().iReturnSource = 4;
  auto d = Open();
  TypeInto(d.get(), "txtDelay", "750");
  QApplication::setActiveWindow(d.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
  QComboBox* cmb = Child<QComboBox>(d.get(), "cmbReturn");
  cmb->setFocus();
  cmb->lineEdit()->clear();
  const auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
  for (const Qt::Key k : {Qt::Key_1, Qt::Key_X, Qt::Key_2}) key(k);
  EXPECT_EQ(cmb->currentText(), "12");  // the letter refused
  key(Qt::Key_Return);
  EXPECT_EQ(cmb->currentIndex(), 12);
  key(Qt::Key_Escape);  // back to the stored source; the dialog stays
  EXPECT_EQ(cmb->currentIndex(), 5);
  EXPECT_TRUE(d->isVisible());

  TypeInto(d.get(), "txtConfirm", "900");
  // Set while another box holds the focus, the source is matched by Ok itself.
  Child<QLineEdit>(d.get(), "txtConfirm")->setFocus();
  cmb->setCurrentIndex(12);
  cmb->setEditText("inpt0004[0004]");
  ClickOn(d.get(), "cmdOk");
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(std::tie(st().bReturnToSpecific, st().iReturnSource, st().iWaitTime, st().lConfirmTime),
            std::make_tuple(true, int16_t{3}, int16_t{750}, int32_t{900}));
  EXPECT_NE(folder.Read("vyrntpnl.ini").find("Return Source=4\r\n"), std::string::npos);
}

// Outputs 1 and 2 are watched with known last sources; the list editor adds
// output 4 and takes output 1 away, then the dialog is cancelled (the edits
// are not applied) or confirmed.
TEST_F(SetupDialog, listEditsTakeEffectOnOkOnlyAndKeepTheStateOfOutputsStillWatched) {
  st().iReturnSources = {10, 20};
  st().udtReturnWatch[1].state = ReturnCheck::kAlarm;
  const auto shown = [&] {
    return std::tuple(st().iWatchOutputs, st().iReturnSources, st().udtReturnWatch[0].state,
                      st().udtReturnWatch[1].state, host.rows().Row(0).sOut,
                      host.rows().Row(1).sOut);
  };
  const auto before = shown();
  for (const bool confirm : {false, true}) {
    SCOPED_TRACE(confirm ? "Ok" : "Cancel");
    auto d = Open();
    dialogs.drivers.push_back([](QDialog& dialog) {
      auto& editor = static_cast<frmDisplayListView&>(dialog);
      Child<QTreeWidget>(&editor, "lvChannel")->topLevelItem(3)->setSelected(true);  // output 4
      editor.cmdAdd_Click();
      Child<QTreeWidget>(&editor, "lvList")->topLevelItem(0)->setSelected(true);
      editor.cmdRemove_Click();  // output 1
      editor.cmdOk_Click();
    });
    ClickOn(d.get(), "cmdConfigOuts");
    ClickOn(d.get(), confirm ? "cmdOk" : "cmdCancel");
    if (!confirm) {
      EXPECT_EQ(shown(), before);
    }
  }
  // Output 2 keeps its last source and its alarm; output 4 starts unset.
  EXPECT_EQ(shown(), std::tuple(std::vector<int16_t>{1, 3}, std::vector<int16_t>{20, kNone},
                                ReturnCheck::kAlarm, ReturnCheck::kIdle, "Out 0002", "Out 0004"));
  EXPECT_NE(folder.Read("vyrntpnl.ini").find("Output 02=4\r\n"), std::string::npos);
}

// One console becomes two and one of two air chains is taken away: a bus off
// the switcher is refused on its tab, then the tables reach the file. (The
// file reading back as written is checked in test_engine.)
TEST_F(SetupDialog, consoleAndAirChainTablesReachTheFileOrAreRefusedOnTheirTab) {
  st().udtConsoles = {{0, 9, 11, 40}}, st().iConsoleCount = 1;
  st().udtAirChains = {{2, 99}, {3, 100}}, st().iAirChainCount = 2;
  auto d = Open();
  auto* consoles = Child<QTableWidget>(d.get(), "grdConsoles");
  auto* chains = Child<QTableWidget>(d.get(), "grdAirChains");
  EXPECT_EQ(Shown(consoles), (std::vector<QStringList>{{"1 (Out 0001)", "10 (Inpt0010)",
                                                        "12 (Inpt0012)", "41 (Out 0041)"}}));
  ClickOn(d.get(), "cmdAddConsoles");
  const char* typed[] = {"2", "13", "300", "42"};
  for (int c = 0; c < 4; ++c) consoles->item(1, c)->setText(typed[c]);
  EXPECT_EQ(Shown(consoles)[1][2], "300 (not on switcher)");
  chains->selectRow(0);
  ClickOn(d.get(), "cmdRemoveAirChains");

  ClickOn(d.get(), "cmdOk");  // bus 300 is beyond the 256 the switcher has
  EXPECT_EQ(dialogs.boxes,
            std::vector{OkBox("Console Error",
                              "Console 2: last mix-minus bus 300 is not on the switcher (buses 1 "
                              "to 256).",
                              Dialogs::Icon::Exclamation)});
  EXPECT_EQ(Child<QTabWidget>(d.get(), "tabSetup")->currentWidget()->objectName(), "tabConsoles");
  consoles->item(1, 2)->setText("15");
  ClickOn(d.get(), "cmdOk");
  EXPECT_FALSE(d->isVisible());
  EXPECT_NE(folder.Read("vyrntpnl.ini")
                .find("Console Count=2\r\nAirChain Count=1\r\n[CONSOLE01]\r\nProgram=1\r\n"
                      "First MM Bus=10\r\nLast MM Bus=12\r\nMM in use Relay=41\r\n[CONSOLE02]\r\n"
                      "Program=2\r\nFirst MM Bus=13\r\nLast MM Bus=15\r\nMM in use Relay=42\r\n"
                      "[Air Chain01]\r\nClean=4\r\nTones and Sounders=101\r\n[SECURITY]"),
            std::string::npos);
}

}  // namespace
}  // namespace vyr::test
