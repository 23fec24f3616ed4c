#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "UiFixture.h"
#include "ui/frmDisplayListView.h"
#include "ui/frmSetup.h"

namespace vyr::test {
namespace {

class SetupDialog : public UiTest {
 protected:
  SetupDialog() {
    folder.Write("vyrntpnl.ini", WatchingIni(2, kClosedPort));
    window->Form_Load(folder.path());
    written = folder.Read("vyrntpnl.ini");
  }

  // A fresh dialog over the current state, as the Setup menu opens it.
  std::unique_ptr<frmSetup> Open() {
    auto d = std::make_unique<frmSetup>(host.panel(), dialogs, window.get());
    d->show();
    return d;
  }
  template <class W>
  W* Find(frmSetup& d, const char* name) {
    return d.findChild<W*>(name);
  }
  void Type(frmSetup& d, const char* box, const QString& text) {
    QLineEdit* e = Find<QLineEdit>(d, box);
    e->clear();
    QTest::keyClicks(e, text);
  }
  void Ok(frmSetup& d) { QTest::mouseClick(Find<QPushButton>(d, "cmdOk"), Qt::LeftButton); }
  bool FileChanged() { return folder.Read("vyrntpnl.ini") != written; }

  std::string written;
};

TEST_F(SetupDialog, opensOnTheStoredSettings) {
  st().lIPPort = 2001, st().sIPAddress = "10.0.0.9", st().iWaitTime = 250;
  st().bReturnToSpecific = true, st().iReturnSource = 0;
  auto d = Open();
  EXPECT_EQ(Find<QLineEdit>(*d, "txtIPPort")->text(), "2001");
  EXPECT_EQ(Find<QLineEdit>(*d, "txtIPAddr")->text(), "10.0.0.9");
  EXPECT_EQ(Find<QLineEdit>(*d, "txtDelay")->text(), "250");
  QComboBox* cmb = Find<QComboBox>(*d, "cmbReturn");
  EXPECT_EQ(cmb->count(), 257);
  EXPECT_EQ(cmb->currentText(), "Inpt0001[0001]");
  EXPECT_TRUE(Find<QRadioButton>(*d, "optReturnType_1")->isChecked());
  EXPECT_TRUE(cmb->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(*d, "cmdConfigExcepts")->isEnabled());

  QTest::mouseClick(Find<QRadioButton>(*d, "optReturnType_0"), Qt::LeftButton);
  EXPECT_FALSE(cmb->isEnabled());
  EXPECT_TRUE(Find<QPushButton>(*d, "cmdConfigExcepts")->isEnabled());
}

// Each refusal ApplySetup gives shows its own box, and the dialog stays.
TEST_F(SetupDialog, eachRefusalShowsItsMessageBoxAndKeepsTheDialogOpen) {
  const struct {
    const char *port, *address;
    int specificItem;  // -1: the last-source rule
    bool writable;
    const char *title, *text;
    Dialogs::Icon icon;
  } cases[] = {
      {"0", "10.1.2", 0, true, "Port Error",
       "Invalid IP Port #. Please reenter a number between 1 and 65535", Dialogs::Icon::None},
      {"1", "10.1.2", 0, true, "Return Source Error",
       "Please choose the Return Source, or choose Return to Last Source. With the source "
       "Undefined no output would be returned.",
       Dialogs::Icon::Exclamation},
      {"1", "10.1.2.", -1, true, "Data Format Error",
       "Please Enter IP Address In The Following Format: 192.168.1.1", Dialogs::Icon::Critical},
      {"1", "127.0.0.1", -1, false, "Error Writing File", "Error Writing Vyrntpnl.ini File",
       Dialogs::Icon::Critical},
  };
  const std::string programFolder = st().sAppPath;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    dialogs.boxes.clear();
    st().sAppPath = programFolder + (c.writable ? "" : "no-such-folder/");
    auto d = Open();
    Type(*d, "txtIPPort", c.port);
    Type(*d, "txtIPAddr", c.address);
    QTest::mouseClick(
        Find<QRadioButton>(*d, c.specificItem < 0 ? "optReturnType_0" : "optReturnType_1"),
        Qt::LeftButton);
    if (c.specificItem >= 0) Find<QComboBox>(*d, "cmbReturn")->setCurrentIndex(c.specificItem);
    Ok(*d);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, c.title);
    EXPECT_EQ(dialogs.boxes[0].text, c.text);
    EXPECT_EQ(dialogs.boxes[0].icon, c.icon);
    EXPECT_TRUE(d->isVisible());
    // A refused address gives way to the stored one.
    const bool badAddress = c.icon == Dialogs::Icon::Critical && c.writable;
    EXPECT_EQ(Find<QLineEdit>(*d, "txtIPAddr")->text(),
              QString::fromLatin1(badAddress ? "127.0.0.1" : c.address));
    EXPECT_FALSE(FileChanged());
  }
}

TEST_F(SetupDialog, okHandsTheBoxesOverAndCloses) {
  auto d = Open();
  Type(*d, "txtIPAddr", "127.000.000.001");
  Type(*d, "txtDelay", "350");
  Type(*d, "txtConfirm", "900");
  QTest::mouseClick(Find<QRadioButton>(*d, "optReturnType_1"), Qt::LeftButton);
  QComboBox* cmb = Find<QComboBox>(*d, "cmbReturn");
  cmb->setCurrentIndex(12);
  cmb->setEditText("inpt0004[0004]");  // typed, in any letter case
  Ok(*d);
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(st().sIPAddress, "127.0.0.1");
  EXPECT_EQ(std::tie(st().bReturnToSpecific, st().iReturnSource, st().iWaitTime, st().lConfirmTime),
            std::make_tuple(true, int16_t{3}, int16_t{350}, int32_t{900}));
  EXPECT_NE(folder.Read("vyrntpnl.ini").find("Return Source=4\r\n"), std::string::npos);
}

TEST_F(SetupDialog, boxesTakeOnlyTheirKeys) {
  auto d = Open();
  Type(*d, "txtIPPort", "12a.-3");
  Type(*d, "txtDelay", "5 0x0");
  Type(*d, "txtIPAddr", "10,a.1.2.3");
  EXPECT_EQ(Find<QLineEdit>(*d, "txtIPPort")->text(), "123");
  EXPECT_EQ(Find<QLineEdit>(*d, "txtDelay")->text(), "500");
  EXPECT_EQ(Find<QLineEdit>(*d, "txtIPAddr")->text(), "10.1.2.3");
  QTest::keyClick(Find<QLineEdit>(*d, "txtDelay"), Qt::Key_Backspace);
  EXPECT_EQ(Find<QLineEdit>(*d, "txtDelay")->text(), "50");
}

TEST_F(SetupDialog, returnSourceBoxKeys) {
  st().bReturnToSpecific = true, st().iReturnSource = 4;
  auto d = Open();
  QComboBox* cmb = Find<QComboBox>(*d, "cmbReturn");
  QLineEdit* edit = cmb->lineEdit();
  edit->clear();
  QTest::keyClicks(edit, "12");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(cmb->currentIndex(), 12);
  EXPECT_TRUE(d->isVisible());  // Enter does not confirm the dialog
  QTest::keyClick(edit, Qt::Key_U);
  EXPECT_EQ(cmb->currentIndex(), 0);
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(cmb->currentIndex(), 5);
  EXPECT_TRUE(d->isVisible());
  edit->clear();
  QTest::keyClicks(edit, "0");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(cmb->currentIndex(), 5);
}

TEST_F(SetupDialog, listButtonsOpenTheEditorOnTheirList) {
  auto d = Open();
  std::vector<bool> outputs;
  for (int i = 0; i < 2; ++i) {
    dialogs.drivers.push_back([&](QDialog& editor) {
      outputs.push_back(editor.findChild<QRadioButton*>("optOutput")->isChecked());
    });
  }
  QTest::mouseClick(Find<QPushButton>(*d, "cmdConfigOuts"), Qt::LeftButton);
  QTest::mouseClick(Find<QPushButton>(*d, "cmdConfigExcepts"), Qt::LeftButton);
  EXPECT_EQ(outputs, (std::vector<bool>{true, false}));
  EXPECT_EQ(dialogs.dialogsShown,
            (std::vector<QString>{"frmDisplayListView", "frmDisplayListView"}));
}

// Outputs 1 and 2 are watched with known last sources; the list editor adds
// output 4 and takes output 1 away, then the dialog is cancelled (nothing
// typed or edited is applied) or confirmed.
TEST_F(SetupDialog, listEditsTakeEffectOnOkOnlyAndKeepTheStateOfOutputsStillWatched) {
  for (const bool confirm : {false, true}) {
    SCOPED_TRACE(confirm ? "Ok" : "Cancel");
    st().iReturnSources = {10, 20};
    st().udtReturnWatch[1].state = ReturnCheck::kAlarm;
    const std::vector<std::string> rowsBefore = {host.rows().Row(0).sOut, host.rows().Row(1).sOut};
    auto d = Open();
    Type(*d, "txtDelay", "800");
    Type(*d, "txtIPPort", "4000");
    dialogs.drivers.push_back([](QDialog& dialog) {
      auto& editor = static_cast<frmDisplayListView&>(dialog);
      auto* channels = editor.findChild<QTreeWidget*>("lvChannel");
      channels->topLevelItem(3)->setSelected(true);  // output 4
      editor.cmdAdd_Click();
      editor.findChild<QTreeWidget*>("lvList")->topLevelItem(0)->setSelected(true);
      editor.cmdRemove_Click();  // output 1
      editor.cmdClose_Click();
    });
    QTest::mouseClick(Find<QPushButton>(*d, "cmdConfigOuts"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>(*d, confirm ? "cmdOk" : "cmdCancel"), Qt::LeftButton);
    if (!confirm) {
      EXPECT_EQ(st().iWatchOutputs, (std::vector<int16_t>{0, 1}));
      EXPECT_EQ(st().iReturnSources, (std::vector<int16_t>{10, 20}));
      EXPECT_EQ(st().udtReturnWatch[1].state, ReturnCheck::kAlarm);
      EXPECT_EQ(host.rows().Row(0).sOut, rowsBefore[0]);
      EXPECT_EQ(host.rows().Row(1).sOut, rowsBefore[1]);
      EXPECT_EQ(std::tie(st().iWaitTime, st().lIPPort), std::make_tuple(int16_t{0}, kClosedPort));
      EXPECT_FALSE(FileChanged());
      continue;
    }
    // Output 2 keeps its last source and its alarm; output 4 starts unset.
    EXPECT_EQ(st().iWatchOutputs, (std::vector<int16_t>{1, 3}));
    EXPECT_EQ(st().iReturnSources, (std::vector<int16_t>{20, kNone}));
    EXPECT_EQ(st().udtReturnWatch[0].state, ReturnCheck::kAlarm);
    EXPECT_EQ(st().udtReturnWatch[1].state, ReturnCheck::kIdle);
    EXPECT_EQ(host.rows().Row(0).sOut, "Out 0002");
    EXPECT_EQ(host.rows().Row(1).sOut, "Out 0004");
    EXPECT_NE(folder.Read("vyrntpnl.ini").find("Output 02=4\r\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace vyr::test
