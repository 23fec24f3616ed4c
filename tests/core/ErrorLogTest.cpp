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
using Lines = std::vector<std::string>;

const std::string kAt = "3/1/2011 9:05:07 AM";  // what the fixture's clock shows

// A log in a fresh folder, its clock at 1 March 2011 09:05:07, every line echoed.
struct ErrorLogFile : ::testing::Test {
  test::TempFolder folder;
  std::string logFolder;  // the program folder the log follows
  FixedClock clock{{2011, 3, 1, 9, 5, 7}};
  ErrorLog log{logFolder, clock};
  Lines echoed;
  ErrorLogFile() {
    logFolder = folder.path();
    log.SetEcho([this](const std::string& line) { echoed.push_back(line); });
  }
  // The log's CRLF-ended lines; an unterminated tail counts as a line.
  Lines LogLines() const {
    const std::string text = folder.Read("Errorlog.txt");
    Lines lines;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find("\r\n", from)) != std::string::npos; from = end + 2)
      lines.push_back(text.substr(from, end - from));
    if (from < text.size()) lines.push_back(text.substr(from));
    return lines;
  }
};

TEST(ErrorLog, messageAndLineLayout) {
  // A minus takes the place of the blank before a negative number.
  EXPECT_EQ(BuildErrorMessage("Error Reading", -5, "Odd"), "Error Reading: Error # -5 - Odd");
  // The date is padded to 24 and the category to 60; a longer text is never cut.
  EXPECT_EQ(BuildLogLine(kAt, "Connection Error", "M"),
            kAt + std::string(5, ' ') + "Connection Error" + std::string(20, ' ') + "M");
  const std::string category40(40, 'c'), date38 = "Wednesday 30 November 2011 11:59:59 PM";
  EXPECT_EQ(BuildLogLine("d", category40, "M"), "d" + std::string(23, ' ') + category40 + "M");
  EXPECT_EQ(BuildLogLine(date38, "Cat", "M"), date38 + "Cat" + std::string(19, ' ') + "M");
  // Twelve-hour dates.
  EXPECT_EQ(FormatGeneralDate({2011, 12, 31, 0, 0, 0}), "12/31/2011 12:00:00 AM");
  EXPECT_EQ(FormatGeneralDate({2011, 12, 31, 12, 30, 9}), "12/31/2011 12:30:09 PM");
  EXPECT_EQ(FormatGeneralDate({2011, 12, 31, 23, 59, 59}), "12/31/2011 11:59:59 PM");
}

TEST_F(ErrorLogFile, firstErrorCreatesLogWithHeaderAndAppendsAfterTheRule) {
  log.ReportError("Error Connecting to Server", "Connection Error", RuntimeError(5));
  const Lines lines = LogLines();
  ASSERT_EQ(lines.size(), 12u);
  // The maker's lines and the column heads: only where each begins is fixed.
  std::vector<std::size_t> indents;
  for (int i = 0; i < 10; ++i) indents.push_back(lines[i].find_first_not_of(' '));
  const auto none = std::string::npos;
  EXPECT_EQ(indents, (std::vector<std::size_t>{13, none, 19, 19, 19, none, none, 0, none, 1}));
  EXPECT_EQ(lines[10], std::string(80, '-'));
  EXPECT_EQ(lines[11], BuildLogLine(kAt, "Connection Error",
                                    "Error Connecting to Server: Error #  5 - Invalid procedure "
                                    "call or argument"));
}

TEST_F(ErrorLogFile, fullLogIsSetAsideBeforeTheNextLineAndTheTenNewestAreKept) {
  const std::string almost(kErrorLogRotateBytes - 1, 'x');
  folder.Write("Errorlog.txt", almost);
  log.WriteErrorLog("kept", "Cat");
  EXPECT_TRUE(folder.Read("Errorlog.txt") == almost + BuildLogLine(kAt, "Cat", "kept") + "\r\n")
      << "a log one byte short of the limit was not kept and appended to";

  folder.Write("Errorlog notes.txt", "mine");  // not a set-aside name: never counted or removed
  fs::create_directory(folder.File("Errorlog 010203 0405.txt"));  // nor is a folder
  const auto full = [](char fill) { return std::string(kErrorLogRotateBytes, fill); };
  for (char fill = 'a'; fill <= 'l'; ++fill) {  // twelve set-asides within one minute
    folder.Write("Errorlog.txt", full(fill));
    log.WriteErrorLog(std::string("line ") + fill, "Cat");
    const Lines lines = LogLines();
    ASSERT_EQ(lines.size(), 12u) << "the log was not begun anew";
    EXPECT_EQ(lines[11], BuildLogLine(kAt, "Cat", std::string("line ") + fill));
    if (fill == 'a') {
      EXPECT_TRUE(folder.Read("Errorlog 030111 0905.txt") == full('a'));
    }
  }
  // Later copies within the minute are numbered; the oldest went first.
  int kept = 0;
  for (const auto& entry : fs::directory_iterator(folder.path())) kept += entry.is_regular_file();
  EXPECT_EQ(kept, 10 + 2);  // with the log and the notes
  for (int copy = 3; copy <= 12; ++copy) {
    EXPECT_TRUE(folder.Read("Errorlog 030111 0905 (" + std::to_string(copy) + ").txt") ==
                full(static_cast<char>('a' + copy - 1)))
        << "copy " << copy;
  }
  EXPECT_EQ(folder.Read("Errorlog notes.txt"), "mine");
  EXPECT_TRUE(fs::is_directory(folder.File("Errorlog 010203 0405.txt")));
}

TEST_F(ErrorLogFile, aLineRepeatedWithinAMinuteIsCountedAndSummedUpOnce) {
  const auto at = [&](int s) { clock.Set({2011, 3, 1, 9, 5 + (7 + s) / 60, (7 + s) % 60}); };
  const auto line = [](const std::string& date, const std::string& message) {
    return BuildLogLine(date, "Cat", message);
  };
  for (int s : {0, 1, 2, 3}) at(s), log.WriteErrorLog("same", "Cat");
  at(10), log.WriteErrorLog("other", "Cat");  // a different line ends the count
  at(20), log.WriteErrorLog("other", "Cat");
  at(71), log.WriteErrorLog("other", "Cat");  // 61 s after the line: written again
  at(80), log.WriteErrorLog("other", "Cat");
  at(131), log.Tick();  // the minute ends without another line
  log.Tick();
  at(132), log.WriteErrorLog("other", "Cat");
  log.WriteErrorLog("other", "Cat");
  log.EndRepeats();  // at the program's end
  const Lines expected = {line(kAt, "same"),
                          line("3/1/2011 9:05:17 AM", "last message repeated 3 times"),
                          line("3/1/2011 9:05:17 AM", "other"),
                          line("3/1/2011 9:06:18 AM", "last message repeated 1 times"),
                          line("3/1/2011 9:06:18 AM", "other"),
                          line("3/1/2011 9:07:18 AM", "last message repeated 1 times"),
                          line("3/1/2011 9:07:19 AM", "other"),
                          line("3/1/2011 9:07:19 AM", "last message repeated 1 times")};
  EXPECT_EQ(echoed, expected) << "standard output follows the same rule";
  const Lines lines = LogLines();
  EXPECT_EQ(Lines(lines.begin() + 11, lines.end()), expected);
}

TEST_F(ErrorLogFile, unwritableLogReportsItsOwnFailureOnceAndTrapReportsTheRoutine) {
  logFolder = folder.path() + "no-such-folder/";  // fails even for the superuser
  log.ReportError("Error Connecting to Server", "Connection Error", RuntimeError(5));
  ASSERT_EQ(echoed.size(), 2u);
  EXPECT_EQ(echoed[1], BuildLogLine(kAt, "File Error",
                                    "Error writing to Error file: Error #  76 - Path not found"));
  log.WriteErrorLog("again", "Cat");  // the guard was reset: two tries again, no more
  EXPECT_EQ(echoed.size(), 4u);
  EXPECT_FALSE(fs::exists(logFolder));

  // A trap reports the routine's description and returns false.
  logFolder = folder.path();
  echoed.clear();
  log.SetWriteToFile(false);
  EXPECT_FALSE(Trap(log, "Error Reading", "File Error", [] { Raise(kErrFileNotFound); }));
  EXPECT_TRUE(fs::is_empty(folder.path())) << "a file was written while switched off";
  log.SetWriteToFile(true);

  EXPECT_TRUE(Trap(log, "Error Polling", "Poll Error", [] {}));
  EXPECT_FALSE(Trap(log, "Error Polling", "Poll Error", [] { Raise(kErrOverflow); }));
  EXPECT_FALSE(Trap(log, "Error Loading Form", "Program Error", [] { throw std::bad_alloc(); }));
  EXPECT_FALSE(Trap(log, "Error Sending", "Send Error", [] { throw std::out_of_range("x"); }));
  EXPECT_EQ(
      echoed,
      (Lines{BuildLogLine(kAt, "File Error", "Error Reading: Error #  53 - File not found"),
             BuildLogLine(kAt, "Poll Error", "Error Polling: Error #  6 - Overflow"),
             BuildLogLine(kAt, "Program Error", "Error Loading Form: Error #  7 - Out of memory"),
             BuildLogLine(kAt, "Send Error", "Error Sending: Error #  51 - Internal error")}));
  EXPECT_EQ(LogLines().size(), 14u) << "a header was written again, or a line went missing";
}

}  // namespace
}  // namespace vyr
