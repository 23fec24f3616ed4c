// The activity lines: what a return cycle and an alarm read like, the link's
// lines without repeats, and the daily file: a new one after midnight, old
// ones removed, a failure to write said once while the panel goes on.

#include <filesystem>

#include "engine/Activity.h"
#include "engine/ActivityFile.h"
#include "engine/EngineTest.h"
#include "support/TempFolder.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

class ActivityTest : public EngineTest, public ActivityListener {
 protected:
  // Output 2 (1-based 3) watched, on input 20; returns confirmed within
  // three poll ticks of 100 ms; the clock a little before midnight.
  ActivityTest() {
    st.sAppPath = folder.path();
    rows.SetEvents(&activity);
    log.SetEcho([this](const std::string& line) {
      logged.push_back(line);
      activity.ErrorLogLine(line);
    });
    activity.Add(*this);
    Watch({{2}});
    st.iTimeOut = 10000, st.lConfirmTime = 300;
    clock.Set({2011, 3, 1, 23, 59, 59, 900});
    ProcessCrosspointMap(q, OneOutput(2, {20}));
    UpdateDisplays(q);
    lines.clear();
  }
  void ActivityLine(const DateTime& at, const std::string& text) override {
    lines.push_back(StampedLine(at, text));
  }
  void Feed(const std::string& frame) { ProcessCrosspointMap(q, frame); }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) tmrpoll_Timer(q);
  }
  // The lines but those of crosspoint changes.
  std::vector<std::string> Said() const {
    std::vector<std::string> out;
    for (const std::string& l : lines)
      if (l.find("sent crosspoint change") == std::string::npos) out.push_back(l);
    return out;
  }

  TempFolder folder;
  Activity activity{st, clock};
  Panel q{st, log, sock, tmrpoll, tmrDecode, rows, activity};
  std::vector<std::string> lines;
};

TEST_F(ActivityTest, aReturnNeverConfirmedReadsSentAgainThenTheAlarm) {
  st.sOutputNames[2] = "Studio\n3";  // a control byte cannot start a line
  UpdateDisplays(q);
  lines.clear();
  Feed(OneOutput(2, {}));
  Ticks(9);
  const std::string at = "23:59:59.900  ", out = "Studio\\x0a3 (3)",
                    sent = out + " to Inpt0021 (21)";
  EXPECT_EQ(Said(),
            (std::vector<std::string>{
                at + "Off seen on " + out,
                at + "row 1: Studio\\x0a3 <-  - Off -   (OFF)",
                at + "return sent: " + sent + ", send 1 of 3",
                at + "return not confirmed, sent again: " + sent + ", send 2 of 3",
                at + "return not confirmed, sent again: " + sent + ", send 3 of 3",
                at + "row 1: Studio\\x0a3 <-  - Off - not returned  (OFF)",
                at + "error log: 3/1/2011 11:59:59 PM    Return Alarm" + std::string(24, ' ') +
                    out + " could not be returned to Inpt0021 (21) after 3 sends",
                at + "return not confirmed: " + sent + " after 3 sends; alarm raised",
            }));
}

// The link says each attempt once, each reason once, and why it went down;
// a changed setup says what it now is.
TEST_F(ActivityTest, linkAndSetupLinesSayWhatChangedWithoutRepeats) {
  st.bConnected = false, st.sIPAddress = "10.0.0.9", st.lIPPort = 1250;
  Ticks(2);  // two attempts
  activity.ConnectFailed("Connection refused");
  activity.ConnectFailed("Connection refused");
  activity.ConnectFailed("Host unreachable");
  scktSwitcher_Connect(q);
  DisconnectFromServer(q, "the Server Module stopped answering polls");
  Ticks(1);
  st.bReturnToSpecific = true, st.iReturnSource = 7, st.iWaitTime = 500;
  activity.SetupChanged();
  const std::string at = "23:59:59.900  ";
  EXPECT_EQ(lines, (std::vector<std::string>{
                       at + "connecting to 10.0.0.9:1250",
                       at + "cannot connect to 10.0.0.9:1250: Connection refused (retrying)",
                       at + "cannot connect to 10.0.0.9:1250: Host unreachable (retrying)",
                       at + "connected to 10.0.0.9:1250",
                       at + "disconnected from 10.0.0.9:1250: the Server Module stopped "
                            "answering polls",
                       at + "connecting to 10.0.0.9:1250",
                       at + "setup changed: 10.0.0.9:1250, watching 1 output, Return to "
                            "Specific Source Inpt0008 (8), delay 500 ms, confirm 300 ms",
                   }));
}

class ActivityFileTest : public ActivityTest {
 protected:
  std::string Day(const char* date) const {
    return folder.Read(std::string("Activity ") + date + ".txt");
  }
  ActivityFile file{st.sAppPath, clock, log};
};

// A return cycle across midnight: scheduled with its due time, sent and
// confirmed, each line in the file of its day once the poll timer ticks.
TEST_F(ActivityFileTest, aReturnCycleReadsOffAndGoesToTheFileOfEachDay) {
  activity.Add(file);
  Feed(OneOutput(2, {12}));  // not started: the folder is not known yet
  EXPECT_TRUE(fs::is_empty(folder.path()));
  file.Start();
  st.iWaitTicks = 2;  // due three ticks on: past midnight
  Feed(OneOutput(2, {}));
  clock.Set({2011, 3, 2, 0, 0, 0, 200});
  file.Tick();  // midnight, no line: the day's file is closed
  std::remove(folder.File("Activity 2011-03-02.txt").c_str());
  Ticks(3);
  EXPECT_FALSE(fs::exists(folder.File("Activity 2011-03-02.txt")));  // gathered until a tick
  clock.Set({2011, 3, 2, 0, 0, 0, 230});
  Feed(OneOutput(2, {12}));
  file.Tick();
  const std::vector<std::string> expected = {
      "23:59:59.900  row 1: Out 0003 <- Inpt0013  (watched)",
      "23:59:59.900  Off seen on Out 0003 (3)",
      "23:59:59.900  row 1: Out 0003 <-  - Off -   (OFF)",
      "23:59:59.900  return scheduled: Out 0003 (3) to Inpt0013 (13), due by 00:00:00.200",
      "00:00:00.200  sent crosspoint change: output 3, source 13, mode 0x04 (return Out 0003)  "
      "[FE 04 00 0C 00 02 00 12 FF]",
      "00:00:00.200  return sent: Out 0003 (3) to Inpt0013 (13), send 1 of 3",
      "00:00:00.230  return confirmed: Out 0003 (3)",
      "00:00:00.230  row 1: Out 0003 <- Inpt0013  (watched)",
  };
  EXPECT_EQ(lines, expected);
  const auto joined = [&](std::size_t from, std::size_t to) {
    std::string text;
    for (std::size_t i = from; i < to; ++i) text += expected[i] + "\n";
    return text;
  };
  EXPECT_EQ(Day("2011-03-01"), joined(1, 4));
  EXPECT_EQ(Day("2011-03-02"), joined(4, expected.size()));
}

TEST_F(ActivityFileTest, removesOnlyActivityFilesOlderThan31DaysAtStartAndAtMidnight) {
  const struct {
    const char* name;
    bool atStart, atMidnight;  // still there
  } cases[] = {
      {"Activity 2011-01-28.txt", false, false},  // 32 days old
      {"Activity 2011-01-29.txt", true, false},   // 31 days, then 32
      {"Activity 2011-01-30.txt", true, true},
      {"Activity 2010-03-01.txt", false, false},
      {"Activity 2011-03-01.txt", true, true},
      {"Activity 2010-13-01.txt", true, true},  // not a date
      {"Activity 2010-3-01.txt", true, true},
      {"Activity 2010-03-01.txt.bak", true, true},
      {"activity 2010-03-01.txt", true, true},
      {"Errorlog.txt", true, true},
      {"Errorlog 030110 0905.txt", true, true},
  };
  for (const auto& c : cases) folder.Write(c.name, "x\n");
  fs::create_directory(folder.File("Activity 2010-01-01.txt"));
  file.Start();
  for (const auto& c : cases) EXPECT_EQ(fs::exists(folder.File(c.name)), c.atStart) << c.name;
  clock.Set({2011, 3, 2, 0, 0, 1});  // the poll timer ticks past midnight
  file.Tick();
  for (const auto& c : cases) EXPECT_EQ(fs::exists(folder.File(c.name)), c.atMidnight) << c.name;
  EXPECT_TRUE(fs::is_directory(folder.File("Activity 2010-01-01.txt")));
}

TEST_F(ActivityFileTest, aFileThatCannotBeWrittenIsLoggedOnceAndThePanelGoesOn) {
  activity.Add(file);
  fs::create_directory(folder.File("Activity 2011-03-01.txt"));  // cannot be opened for writing
  file.Start();
  Feed(OneOutput(2, {}));
  Ticks(3);
  file.Tick();
  EXPECT_EQ(Changes(), (std::vector<Sent>{{3, 21, 4}, {3, 21, 4}}));  // returned, sent again
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("Error Writing Activity 2011-03-01.txt: Error #  75"), std::string::npos)
      << logged[0];
  fs::remove(folder.File("Activity 2011-03-01.txt"));
  Feed(OneOutput(2, {20}));  // written again: a later failure is said again
  file.Tick();
  EXPECT_NE(Day("2011-03-01").find("return confirmed: Out 0003 (3)\n"), std::string::npos);
  fs::create_directory(folder.File("Activity 2011-03-02.txt"));
  clock.Set({2011, 3, 2, 0, 0, 0, 5});
  Feed(OneOutput(2, {}));
  file.Tick();
  EXPECT_EQ(logged.size(), 2u);
}

}  // namespace
}  // namespace vyr::test
