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

TEST_F(SetupDialog, badPortOrAddressIsRefusedWithItsMessageAndNothingApplied) {
  const struct {
    const char* port;
    const char* address;
    const char* title;
  } cases[] = {
      {"0", "127.0.0.1", "Port Error"},      {"", "127.0.0.1", "Port Error"},
      {"65536", "127.0.0.1", "Port Error"},  {"2000", "10.1.2", "Data Format Error"},
      {"1", "10.1.2.", "Data Format Error"},
  };
  for (const auto& c : cases) {
    dialogs.boxes.clear();
    auto d = Open();
    Type(*d, "txtIPPort", c.port);
    Type(*d, "txtIPAddr", c.address);
    Type(*d, "txtDelay", "700");
    Ok(*d);
    ASSERT_EQ(dialogs.boxes.size(), 1u) << c.port << " " << c.address;
    EXPECT_EQ(dialogs.boxes[0].title, c.title);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(st().lIPPort, kClosedPort);
    EXPECT_EQ(st().sIPAddress, "127.0.0.1");
    EXPECT_EQ(st().iWaitTime, 0);
    EXPECT_FALSE(FileChanged());
    if (std::string(c.title) == "Data Format Error") {
      EXPECT_EQ(dialogs.boxes[0].text,
                "Please Enter IP Address In The Following Format: 192.168.1.1");
      EXPECT_EQ(dialogs.boxes[0].icon, Dialogs::Icon::Critical);
      EXPECT_EQ(Find<QLineEdit>(*d, "txtIPAddr")->text(), "127.0.0.1");
    } else {
      EXPECT_EQ(dialogs.boxes[0].text,
                "Invalid IP Port #. Please reenter a number between 1 and 65535");
      EXPECT_EQ(dialogs.boxes[0].icon, Dialogs::Icon::None);
    }
  }
}

TEST_F(SetupDialog, okAppliesReconnectsWhenTheLinkChangedAndWritesTheFile) {
  host.pollTimer().SetEnabled(false);
  auto d = Open();
  Type(*d, "txtIPAddr", "127.000.000.001");  // differs as text: checked and normalised
  Type(*d, "txtDelay", "350");
  QTest::mouseClick(Find<QRadioButton>(*d, "optReturnType_1"), Qt::LeftButton);
  Find<QComboBox>(*d, "cmbReturn")->setCurrentIndex(12);
  Ok(*d);
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(st().sIPAddress, "127.0.0.1");
  EXPECT_TRUE(host.pollTimer().Enabled());  // switched on by the reconnection
  EXPECT_TRUE(st().bReturnToSpecific);
  EXPECT_EQ(st().iReturnSource, 11);
  EXPECT_EQ(st().iWaitTime, 350);
  EXPECT_EQ(st().iWaitTicks, 4);
  const std::string file = folder.Read("vyrntpnl.ini");
  EXPECT_NE(file.find("Wait Time=350\r\n"), std::string::npos);
  EXPECT_NE(file.find("Return Source=12\r\n"), std::string::npos);
}

TEST_F(SetupDialog, unchangedLinkIsNotTouchedButTheRestIsAppliedAndWritten) {
  host.pollTimer().SetEnabled(false);
  st().bReturnToSpecific = true, st().iReturnSource = 4;
  auto d = Open();
  QTest::mouseClick(Find<QRadioButton>(*d, "optReturnType_0"), Qt::LeftButton);
  Type(*d, "txtDelay", "250");
  Ok(*d);
  EXPECT_FALSE(host.pollTimer().Enabled());
  EXPECT_FALSE(st().bReturnToSpecific);
  EXPECT_EQ(st().iReturnSource, kNone);  // whatever the list shows
  EXPECT_EQ(st().iWaitTicks, 2);
  EXPECT_TRUE(FileChanged());
}

TEST_F(SetupDialog, failedWriteSaysSoAndKeepsTheDialogOpen) {
  st().sAppPath = folder.path() + "no-such-folder/";
  auto d = Open();
  Type(*d, "txtDelay", "900");
  Ok(*d);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Error Writing Vyrntpnl.ini File");
  EXPECT_EQ(dialogs.boxes[0].title, "Error Writing File");
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(st().iWaitTime, 900);  // applied before the write, and kept
}

TEST_F(SetupDialog, okRebuildsTheRowsForAnEditedWatchList) {
  auto d = Open();
  st().iWatchCount = 3, st().iWatchOutputs = {0, 1, 2};
  st().iWatchInputs = st().iWatchOptos = st().iReturnSources =
      st().iCurrentSources = {kNone, kNone, kNone};
  st().iReturnDelays = {0, 0, 0};
  Ok(*d);
  EXPECT_EQ(host.rows().Count(), 3);
  EXPECT_EQ(Label("lblOut_2")->text(), "Out 0003");
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
// output 4 and takes output 1 away, then the dialog is cancelled or confirmed.
TEST_F(SetupDialog, listEditsTakeEffectOnOkOnlyAndKeepTheStateOfOutputsStillWatched) {
  for (const bool confirm : {false, true}) {
    SCOPED_TRACE(confirm ? "Ok" : "Cancel");
    st().iReturnSources = {10, 20};
    st().udtReturnWatch[1].state = ReturnCheck::kAlarm;
    const std::vector<std::string> rowsBefore = {host.rows().Row(0).sOut, host.rows().Row(1).sOut};
    auto d = Open();
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

TEST_F(SetupDialog, specificRuleWithUndefinedSourceIsRefused) {
  auto d = Open();
  QTest::mouseClick(Find<QRadioButton>(*d, "optReturnType_1"), Qt::LeftButton);
  Find<QComboBox>(*d, "cmbReturn")->setCurrentIndex(0);  // "Undefined"
  Type(*d, "txtDelay", "700");
  Ok(*d);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].title, "Return Source Error");
  EXPECT_TRUE(d->isVisible());
  EXPECT_FALSE(st().bReturnToSpecific);
  EXPECT_EQ(st().iWaitTime, 0);
  EXPECT_FALSE(FileChanged());
  Find<QComboBox>(*d, "cmbReturn")->setCurrentIndex(3);
  Ok(*d);
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(st().iReturnSource, 2);
}

TEST_F(SetupDialog, cancelAppliesNothing) {
  auto d = Open();
  Type(*d, "txtDelay", "800");
  Type(*d, "txtIPPort", "4000");
  QTest::mouseClick(Find<QPushButton>(*d, "cmdCancel"), Qt::LeftButton);
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(st().iWaitTime, 0);
  EXPECT_EQ(st().lIPPort, kClosedPort);
  EXPECT_FALSE(FileChanged());
}

}  // namespace
}  // namespace vyr::test
