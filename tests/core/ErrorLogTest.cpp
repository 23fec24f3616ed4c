#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/ErrorLog.h"
#include "support/TempFolder.h"

namespace vyr {
namespace {

namespace fs = std::filesystem;

const std::string kRule(80, '-');
const std::string kAt = "3/1/2011 9:05:07 AM";  // what the fixture's clock shows

std::vector<std::string> SplitCrlf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t end; (end = text.find("\r\n", from)) != std::string::npos; from = end + 2)
    lines.push_back(text.substr(from, end - from));
  if (from < text.size()) lines.push_back(text.substr(from));  // an unterminated tail
  return lines;
}

// A log in a fresh folder, its clock at 1 March 2011 09:05:07, every line echoed.
struct ErrorLogFile : ::testing::Test {
  test::TempFolder folder;
  AppState st;
  FixedClock clock{{2011, 3, 1, 9, 5, 7}};
  ErrorLog log{st, clock};
  std::vector<std::string> echoed;
  ErrorLogFile() {
    st.sAppPath = folder.path();
    log.SetEcho([this](const std::string& line) { echoed.push_back(line); });
  }
  std::string LogText() const { return folder.Read("Errorlog.txt"); }
};

TEST(ErrorLog, messageCarriesNumberWithBlankOrMinusAndText) {
  EXPECT_EQ(
      BuildErrorMessage("Error Connecting to Server", 5, "Invalid procedure call or argument"),
      "Error Connecting to Server: Error #  5 - Invalid procedure call or argument");
  EXPECT_EQ(BuildErrorMessage("Error Reading", -5, "Odd"), "Error Reading: Error # -5 - Odd");
}

TEST(ErrorLog, lineIsPaddedToColumns24And60AndNeverCut) {
  EXPECT_EQ(BuildLogLine(kAt, "Connection Error", "M"),
            kAt + std::string(5, ' ') + "Connection Error" + std::string(20, ' ') + "M");
  const std::string category40(40, 'c'), date24(24, 'd');
  EXPECT_EQ(BuildLogLine("d", category40, "M"), "d" + std::string(23, ' ') + category40 + "M");
  EXPECT_EQ(BuildLogLine(date24, "Cat", "M"), date24 + "Cat" + std::string(33, ' ') + "M");
  const std::string date38 = "Wednesday 30 November 2011 11:59:59 PM";
  EXPECT_EQ(BuildLogLine(date38, "Cat", "M"), date38 + "Cat" + std::string(19, ' ') + "M");
}

TEST(ErrorLog, dateTextIsTheTwelveHourGeneralForm) {
  EXPECT_EQ(FormatGeneralDate({2011, 12, 31, 0, 0, 0}), "12/31/2011 12:00:00 AM");
  EXPECT_EQ(FormatGeneralDate({2011, 12, 31, 12, 30, 9}), "12/31/2011 12:30:09 PM");
  EXPECT_EQ(FormatGeneralDate({2011, 12, 31, 23, 59, 59}), "12/31/2011 11:59:59 PM");
}

TEST_F(ErrorLogFile, firstErrorCreatesLogWithHeaderAndAppendsAfterTheRule) {
  log.ReportError("Error Connecting to Server", "Connection Error", RuntimeError(5));
  const std::string text = LogText();
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  const std::vector<std::string> lines = SplitCrlf(text);
  ASSERT_EQ(lines.size(), 12u);
  for (const std::string& line : lines) EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_EQ(lines[0].find_first_not_of(' '), 13u);
  for (int i : {2, 3, 4}) EXPECT_EQ(lines[i].find_first_not_of(' '), 19u) << "line " << i + 1;
  for (int i : {1, 5, 6, 8}) EXPECT_EQ(lines[i], "") << "line " << i + 1;
  EXPECT_EQ(lines[7], "VYR Kestle Soft Panel Error Logfile");
  EXPECT_EQ(lines[9],
            " DATE     TIME           LOCATION                           MESSAGE DESCRIPTION");
  EXPECT_EQ(lines[9].size(), 79u);
  EXPECT_EQ(lines[10], kRule);
  EXPECT_EQ(lines[11],
            kAt + "     Connection Error" + std::string(20, ' ') +
                "Error Connecting to Server: Error #  5 - Invalid procedure call or argument");
  EXPECT_EQ(echoed, std::vector<std::string>{lines[11]});

  clock.Set({2011, 3, 1, 14, 0, 0});
  log.WriteErrorLog("second", "B");
  const std::vector<std::string> after = SplitCrlf(LogText());
  ASSERT_EQ(after.size(), 13u) << "a header was written again";
  EXPECT_EQ(after[12], BuildLogLine("3/1/2011 2:00:00 PM", "B", "second"));
}

TEST_F(ErrorLogFile, fullLogIsSetAsideBeforeNextLine) {
  const std::string full(kErrorLogRotateBytes, 'x');
  folder.Write("Errorlog.txt", full);
  log.WriteErrorLog("after rotation", "Cat");
  EXPECT_EQ(log.ArchivePath(clock.Now()), folder.path() + "Errorlog 030111 0905.txt");
  EXPECT_TRUE(folder.Read("Errorlog 030111 0905.txt") == full)
      << "archive differs from the old log";
  const std::vector<std::string> lines = SplitCrlf(LogText());
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[10], kRule);
  EXPECT_EQ(lines[11], BuildLogLine(kAt, "Cat", "after rotation"));
}

TEST_F(ErrorLogFile, logOneByteShortOfTheLimitIsKept) {
  const std::string almost(kErrorLogRotateBytes - 1, 'x');
  folder.Write("Errorlog.txt", almost);
  log.WriteErrorLog("kept", "Cat");
  const std::string text = LogText();
  ASSERT_GT(text.size(), almost.size());
  EXPECT_TRUE(text.compare(0, almost.size(), almost) == 0) << "old lines were lost";
  EXPECT_EQ(text.substr(almost.size()), BuildLogLine(kAt, "Cat", "kept") + "\r\n");
  for (const auto& entry : fs::directory_iterator(folder.path()))
    EXPECT_EQ(entry.path().filename(), "Errorlog.txt");
}

TEST_F(ErrorLogFile, unwritableLogReportsItsOwnFailureOnceAndReturns) {
  st.sAppPath = folder.path() + "no-such-folder/";  // fails even for the superuser
  log.ReportError("Error Connecting to Server", "Connection Error", RuntimeError(5));
  ASSERT_EQ(echoed.size(), 2u);
  EXPECT_EQ(echoed[1], BuildLogLine(kAt, "File Error",
                                    "Error writing to Error file: Error #  76 - Path not found"));
  log.WriteErrorLog("again", "Cat");  // the guard was reset: two tries again, no more
  EXPECT_EQ(echoed.size(), 4u);
  EXPECT_FALSE(fs::exists(st.sAppPath));

  st.sAppPath = folder.path();
  log.WriteErrorLog("recovered", "Cat");
  EXPECT_EQ(echoed.size(), 5u);
  EXPECT_EQ(SplitCrlf(LogText()).back(), BuildLogLine(kAt, "Cat", "recovered"));
}

TEST_F(ErrorLogFile, writingSwitchedOffTouchesNoFile) {
  log.SetWriteToFile(false);
  log.ReportError("Error Reading Settings", "File Error", RuntimeError(53));
  EXPECT_EQ(echoed,
            std::vector<std::string>{BuildLogLine(
                kAt, "File Error", "Error Reading Settings: Error #  53 - File not found")});
  EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST_F(ErrorLogFile, trapReportsTheRoutinesDescriptionAndReturnsFalse) {
  bool ran = false;
  EXPECT_TRUE(Trap(log, "Error Polling", "Poll Error", [&] { ran = true; }));
  EXPECT_TRUE(ran);
  EXPECT_FALSE(fs::exists(log.LogPath()));
  EXPECT_FALSE(Trap(log, "Error Polling", "Poll Error", [] { Raise(kErrOverflow); }));
  EXPECT_FALSE(Trap(log, "Error Loading Form", "Program Error", [] { throw std::bad_alloc(); }));
  EXPECT_FALSE(Trap(log, "Error Sending", "Send Error", [] { throw std::out_of_range("x"); }));
  const std::vector<std::string> lines = SplitCrlf(LogText());
  ASSERT_EQ(lines.size(), 14u);
  EXPECT_EQ(lines[11], BuildLogLine(kAt, "Poll Error", "Error Polling: Error #  6 - Overflow"));
  EXPECT_EQ(lines[12],
            BuildLogLine(kAt, "Program Error", "Error Loading Form: Error #  7 - Out of memory"));
  EXPECT_EQ(lines[13],
            BuildLogLine(kAt, "Send Error", "Error Sending: Error #  51 - Internal error"));
}

}  // namespace
}  // namespace vyr
