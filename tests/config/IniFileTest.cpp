#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "config/IniFile.h"
#include "core/Clock.h"
#include "core/InitProgram.h"
#include "support/ErrorOf.h"
#include "support/TempFolder.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;
using V = std::vector<int16_t>;

// A fresh state, timer and log over a temporary program folder, with the log
// lines collected so tests can see what was reported.
struct IniFileTest : ::testing::Test {
  TempFolder folder;
  AppState st;
  FixedClock clock{DateTime{2011, 3, 1, 9, 5, 7}};
  ManualTimer tmrpoll;
  ErrorLog log{st.sAppPath, clock};
  std::vector<std::string> logged;

  IniFileTest() {
    log.SetEcho([this](const std::string& line) { logged.push_back(line); });
    log.SetCountRepeats(false);  // the same failure in the next case is logged again
    InitProgram(st, folder.path(), tmrpoll, log);
  }
  // Writes the bytes as the file and reads it, with nothing logged before.
  bool Read(const std::string& bytes) {
    folder.Write(kIniFileName, bytes);
    logged.clear();
    return ReadIniFile(st, log);
  }
  // The lines with CRLF ends.
  bool ReadLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return Read(text);
  }
  // The one line a failure logs, as the fixture's clock dates it.
  std::vector<std::string> Logged(const std::string& category, const std::string& message) const {
    return {BuildLogLine(FormatGeneralDate(clock.Now()), category, message)};
  }
};

TEST_F(IniFileTest, missingFileChangesNothingAndAnEmptyOneGivesEveryDefault) {
  st.sIPAddress = "unchanged";
  folder.Write("other.ini", "[SETUP]\r\nIP Address=10.9.8.7\r\n");
  EXPECT_FALSE(ReadIniFile(st, log));
  EXPECT_EQ(st.sIPAddress, "unchanged");
  EXPECT_TRUE(logged.empty());
  EXPECT_TRUE(ReadIniFile(st, log, folder.File("other.ini")));  // a path given instead
  EXPECT_EQ(st.sIPAddress, "10.9.8.7");

  st.lConfirmTime = 7;
  ASSERT_TRUE(ReadLines({}));
  EXPECT_TRUE(logged.empty());
  EXPECT_EQ(std::tie(st.sIPAddress, st.sExceptions, st.sUserName, st.sPassword),
            std::make_tuple("", "", "", ""));
  // Port, refresh, time-out, wait, wait ticks, return source, exceptions, return rule, confirm.
  EXPECT_EQ(
      std::make_tuple(st.lIPPort, st.iRefreshRate, st.iTimeOut, st.iWaitTime, st.iWaitTicks,
                      st.iReturnSource, st.iExceptionCount, st.bReturnToSpecific, st.lConfirmTime),
      std::make_tuple(1250, 100, 1, 0, 0, kNone, 0, false, 2000));
  // No count names nothing: no watched output, console or air chain appears.
  EXPECT_EQ(std::tie(st.iWatchCount, st.iConsoleCount, st.iAirChainCount),
            std::make_tuple(0, 0, 0));
  EXPECT_TRUE(st.iWatchOutputs.empty() && st.udtConsoles.empty() && st.udtAirChains.empty());
}

TEST_F(IniFileTest, eachValueIsBoundedBeforeOrAfterRoundingInItsOwnOrder) {
  constexpr long kFails = LONG_MIN;  // the read fails with Overflow
  const auto overflow = Logged("file Error", "Error Reading ini file: Error #  6 - Overflow");
  using S = AppState;
  // clang-format off
  const struct {
    const char* key;
    std::function<long(const S&)> field;
    std::vector<std::pair<const char*, long>> reads;  // value in the file, value read
    const char* section = "CONFIG";
  } cases[] = {
      {"Refresh Rate", &S::iRefreshRate, {{"50", 100}, {"40000", 32500} /* capped, then whole */,
                                          {"1e9", 32500}, {"250.5", 250}, {"-40000", kFails}}},
      {"Time Out", &S::iTimeOut, {{"0", 1}, {"5000", 3600}, {"40000", kFails}}},
      {"Wait Time", &S::iWaitTime, {{"20000", 10000}, {"-500", -500}, {"40000", kFails}}},
      {"Confirm Time", &S::lConfirmTime, {{"-5", 0}, {"70000", 60000}, {"1500.4", 1500},
                                          {"1e12", 60000}, {"0", 0}}},
      {"Watch Count", &S::iWatchCount, {{"-7", 0}, {"0.4", 0}, {"2.5", 2}, {"40000", kFails}}},
      {"Exception Count", &S::iExceptionCount, {{"-3", -3}, {"1e10", kFails}}},
      {"Console Count", &S::iConsoleCount, {{"0.4", 0}, {"0.6", 1}, {"-2", 0}}},  // whole first
      {"AirChain Count", &S::iAirChainCount, {{"3abc", 3}, {"", 0}}},
      {"Return to Last Source", &S::bReturnToSpecific, {{"Yes", 1}, {"yes", 0}, {"YES", 0},
                                                         {"No", 0}, {"", 0}}},  // exactly Yes
      {"IP Port", &S::lIPPort, {{"0", 1250}, {"65536", 65536}, {"3000000000", kFails}}, "SETUP"}};
  // clang-format on
  for (const auto& c : cases) {
    for (const auto& [value, expected] : c.reads) {
      SCOPED_TRACE(std::string(c.key) + "=" + value);
      EXPECT_EQ(ReadLines({std::string("[") + c.section + "]", std::string(c.key) + "=" + value}),
                expected != kFails);
      EXPECT_EQ(logged, expected == kFails ? overflow : std::vector<std::string>{});
      if (expected != kFails) {
        EXPECT_EQ(c.field(st), expected);
      }
    }
  }
}

TEST_F(IniFileTest, derivedValuesAreResetAFailureKeepsWhatWasReadAndTheWatchListIsOneBased) {
  st.iPollTicks = 9;
  st.iReturnDelays = {5, 5, 5};
  for (const auto& [wait, ticks] : {std::pair{"250", 2}, {"350", 4}, {"149", 1}}) {
    SCOPED_TRACE(wait);
    ASSERT_TRUE(ReadLines(
        {"[CONFIG]", "Refresh Rate=100", std::string("Wait Time=") + wait, "Watch Count=2"}));
    EXPECT_EQ(st.iWaitTicks, ticks);
  }
  EXPECT_EQ(st.iPollTicks, 2);
  EXPECT_EQ(std::tie(st.iReturnSources, st.iCurrentSources, st.iReturnDelays),
            std::make_tuple(V{kNone, kNone}, V{kNone, kNone}, V{0, 0}));

  st.iConsoleCount = 7;
  EXPECT_FALSE(
      ReadLines({"[SETUP]", "IP Address=10.0.0.9", "[CONFIG]", "Refresh Rate=200", "Watch Count=2",
                 "Output 01=5", "Input 01=3", "Opto 01=2", "Output 02=99999"}));
  EXPECT_EQ(std::tie(st.sIPAddress, st.iRefreshRate, st.iConsoleCount),
            std::make_tuple("10.0.0.9", 200, 7));  // the console count was never reached
  EXPECT_EQ(std::tie(st.iWatchOutputs, st.iReturnSources), std::make_tuple(V{4, 0}, V{kNone, 0}));

  // The watch list: one-based, none for optos, wide numbers from 100.
  ASSERT_TRUE(ReadLines({"[CONFIG]", "Watch Count=3", "Output 01=12", "Input 01=0", "Opto 01=5",
                         "Input 02=16384", "Opto 02=16383", "Opto 03=0"}));
  EXPECT_EQ(std::tie(st.iWatchOutputs, st.iWatchInputs, st.iWatchOptos),
            std::make_tuple(V{11, 0, 0}, V{0, kNone, 0}, V{4, kNone, kNone}));

  ASSERT_TRUE(ReadLines({"[CONFIG]", "Watch Count=100", "Output 100=42", "Output 99=7",
                         "Console Count=10", "[CONSOLE10]", "Program=33"}));
  EXPECT_EQ(std::tie(st.iWatchOutputs[98], st.iWatchOutputs[99], st.udtConsoles[9].iProgram),
            std::make_tuple(6, 41, 32));
}

TEST_F(IniFileTest, windowsOrUnixFilesReadWithAnyCaseBlanksAndTheFirstOfRepeatedKeys) {
  ASSERT_TRUE(
      Read("[setup]\r\nip address = 192.168.1.20\r\nIP PORT=  4001  \r\n"
           "[Config]\r\nrefresh rate=200\r\nWATCH COUNT = 1\r\noutput 01 = 9\r\n"
           "Exceptions = 01\xE9\r\nairchain count=1\r\n[air "
           "chain01]\r\nCLEAN=4\r\n[security]\r\nuser name=Jos\xE9\r\n"));
  EXPECT_EQ(std::tie(st.sIPAddress, st.sExceptions, st.sUserName, st.lIPPort, st.iRefreshRate,
                     st.iWatchOutputs[0], st.udtAirChains[0].iClean),
            std::make_tuple("192.168.1.20", "01\xE9", "Jos\xE9", 4001, 200, 8, 3));
  ASSERT_TRUE(Read("[SETUP]\nIP Port=1300\nIP Port=1400\n"));
  EXPECT_EQ(st.lIPPort, 1300);
}

TEST_F(IniFileTest, unicodeFilesReadAsEightBitTextAndAFileThatIsNotTextIsRefusedByLine) {
  using namespace std::string_literals;
  // Two bytes a character after a byte-order mark, little- or big-endian.
  const auto utf16 = [](std::u16string text, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t c : text) {
      const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
      bytes += little ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
  };
  const std::u16string usable = u"[SETUP]\r\nIP Address=Jos\u00E9\r\nIP Port=4001\r\n";
  const std::pair<std::string, std::string> cases[] = {
      // empty: read, as `usable` has it
      {utf16(usable, true), ""},
      {utf16(usable, false), ""},
      {utf16(u"[SETUP]\r\nIP Port=4001\r\nIP Address=\u0141\u00F3d\u017A\r\n", true),
       "character U+0141 (beyond Latin-1) on line 3"},
      {utf16(u"[SETUP]\nIP Port=4001\n\0"s, true), "NUL byte on line 3"},
      {utf16(usable, true) + "\r", "half a UTF-16 character on line 4"},
      {"[SETUP]\r\nIP Address=10.0.0.1\0\r\n"s, "NUL byte on line 2"},
      {"[SETUP]\rIP Address=10.0.0.1\n\0"s, "NUL byte on line 3"}};  // a lone CR ends a line
  const std::string refusal = "Error Reading ini file: Error #  75 - Path/File access error: ";
  for (const auto& [bytes, refused] : cases) {
    SCOPED_TRACE(refused.empty() ? "usable" : refused);
    st.sIPAddress.clear(), st.lIPPort = 0;
    EXPECT_EQ(Read(bytes), refused.empty());
    if (refused.empty()) {
      EXPECT_EQ(std::tie(st.sIPAddress, st.lIPPort), std::make_tuple("Jos\xE9", 4001));
    } else {
      EXPECT_EQ(logged, Logged("file Error", refusal + refused));
    }
  }
  // The next write stores 8-bit text.
  ASSERT_TRUE(Read(utf16(usable, true)) && WriteIniFile(st, log));
  EXPECT_TRUE(folder.Read(kIniFileName).starts_with("[SETUP]\r\nIP Address=Jos\xE9\r\n"));
}

// A small facility: two watched outputs, one console, one air chain.
struct IniWrite : IniFileTest {
  IniWrite() {
    st.sIPAddress = "10.1.2.3", st.lIPPort = 1250, st.iRefreshRate = 100, st.iTimeOut = 20;
    st.iWaitTime = 300, st.iWatchCount = 2, st.iWatchOutputs = {4, 5};
    st.iWatchInputs = {0, kNone}, st.iWatchOptos = {kNone, 2}, st.iReturnSource = kNone;
    st.bReturnToSpecific = true, st.iExceptionCount = 3, st.sExceptions = "010";
    st.iConsoleCount = 1, st.udtConsoles = {{0, 20, 23, 0}};
    st.iAirChainCount = 1, st.udtAirChains = {{8, 11}};
    st.sUserName = "ops", st.sPassword = "abc";
  }
};

TEST_F(IniWrite, writesEveryKeyInOrderWithCrlfAndReadsBackTheSame) {
  ASSERT_TRUE(WriteIniFile(st, log));
  EXPECT_EQ(folder.Read(kIniFileName),
            "[SETUP]\r\nIP Address=10.1.2.3\r\nIP Port=1250\r\n"
            "[CONFIG]\r\nRefresh Rate=100\r\nTime Out=20\r\nWait Time=300\r\nConfirm "
            "Time=2000\r\nWatch Count=2\r\n"
            "Output 01=5\r\nInput 01=1\r\nOpto 01=16383\r\n"
            "Output 02=6\r\nInput 02=16384\r\nOpto 02=3\r\n"
            "Return Source=16383\r\nReturn to Last Source=Yes\r\nException Count=3\r\n"
            "Exceptions=010\r\nConsole Count=1\r\nAirChain Count=1\r\n"
            "[CONSOLE01]\r\nProgram=1\r\nFirst MM Bus=21\r\nLast MM Bus=24\r\n"
            "MM in use Relay=1\r\n"
            "[Air Chain01]\r\nClean=9\r\nTones and Sounders=12\r\n"
            "[SECURITY]\r\nUser Name=ops\r\nPassword=bdf\r\n");

  // What is written reads back the same.
  st.sPassword = std::string("p\xF0ss word", 9);
  const AppState written = st;
  ASSERT_TRUE(WriteIniFile(st, log));
  st = AppState{};
  st.sAppPath = folder.path();
  ASSERT_TRUE(ReadIniFile(st, log));
  EXPECT_EQ(RenderIni(IniLayout(st, false)), RenderIni(IniLayout(written, false)));
  // None reads back as none; for an input it goes 16383 -> 16384 -> 16383.
  EXPECT_EQ(std::tie(st.iWatchInputs, st.iWatchOptos, st.iReturnSource),
            std::tie(written.iWatchInputs, written.iWatchOptos, written.iReturnSource));

  // With no console or air chain the file has no such section.
  st.iConsoleCount = 0, st.iAirChainCount = 0;
  st.udtConsoles.clear(), st.udtAirChains.clear();
  ASSERT_TRUE(WriteIniFile(st, log));
  const std::string text = folder.Read(kIniFileName);
  EXPECT_EQ(text.find("[CONSOLE"), std::string::npos) << text;
  EXPECT_EQ(text.find("[Air Chain"), std::string::npos) << text;
}

TEST_F(IniWrite, settingThatCannotBeWrittenLeavesTheOldFileWhole) {
  ASSERT_TRUE(WriteIniFile(st, log));
  const std::string before = folder.Read(kIniFileName);
  const std::string invalid = "5 - Invalid procedure call or argument";
  // clang-format off
  const std::tuple<const char*, std::function<void(AppState&)>, std::string> cases[] = {
      {"255 + 1 is beyond a byte", [](AppState& s) { s.sPassword = "\xFF"; }, invalid},
      {"9 + 1 is LF", [](AppState& s) { s.sPassword = "\x09"; }, invalid},
      {"12 + 1 is CR", [](AppState& s) { s.sPassword = "\x0C"; }, invalid},
      {"NUL in a value", [](AppState& s) { s.sExceptions = std::string("01\0", 3); }, invalid},
      {"32767 + 1", [](AppState& s) { s.iWatchOutputs[1] = 32767; }, "6 - Overflow"}};
  // clang-format on
  for (const auto& [what, change, error] : cases) {
    SCOPED_TRACE(what);
    AppState changed = st;
    changed.sIPAddress = "10.9.9.9";
    change(changed);
    logged.clear();
    EXPECT_FALSE(WriteIniFile(changed, log));
    EXPECT_EQ(folder.Read(kIniFileName), before);
    EXPECT_EQ(logged, Logged("File Error", "Error Writing ini File: Error #  " + error));
  }
  // A failure of the disk itself: the new file cannot be created.
  fs::create_directory(folder.File("vyrntpnl.ini.new"));
  EXPECT_FALSE(WriteIniFile(st, log));
  EXPECT_EQ(folder.Read(kIniFileName), before);
}

TEST_F(IniFileTest, passwordIsScrambledUpToByte255AndUnscrambledDownToByte0Only) {
  EXPECT_EQ(ScramblePassword(std::string("\xFD", 1)), "\xFE");
  EXPECT_EQ(ErrorOf([] { ScramblePassword(std::string("a\xFE", 2)); }), kErrInvalidCall);
  EXPECT_EQ(UnscramblePassword(std::string("a\x02", 2)), std::string("`\0", 2));
  // One that cannot be unscrambled fails the read: the byte at position 2 would go below 0.
  EXPECT_FALSE(ReadLines({"[SECURITY]", "User Name=ops", "Password=b\x01"}));
  EXPECT_EQ(st.sUserName, "ops");
  EXPECT_EQ(logged, Logged("file Error", "Error Reading ini file: Error #  5 - " + ErrorText(5)));
}

}  // namespace
}  // namespace vyr::test
