#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <tuple>

#include "IniTestSupport.h"

namespace vyr::test {
namespace {

class IniRead : public ::testing::Test, public IniFixture {};
using V = std::vector<int16_t>;

TEST_F(IniRead, missingFileChangesNothingAndAnExplicitPathIsReadInstead) {
  st.sIPAddress = "unchanged";
  folder.Write("other.ini", "[SETUP]\r\nIP Address=10.9.8.7\r\n");
  EXPECT_FALSE(ReadIniFile(st, log));
  EXPECT_EQ(st.sIPAddress, "unchanged");
  EXPECT_TRUE(logged.empty());
  EXPECT_TRUE(ReadIniFile(st, log, folder.File("other.ini")));
  EXPECT_EQ(st.sIPAddress, "10.9.8.7");
}

TEST_F(IniRead, emptyFileGivesEveryDefault) {
  ASSERT_TRUE(ReadLines({}));
  EXPECT_TRUE(logged.empty());
  EXPECT_EQ(std::tie(st.sIPAddress, st.sExceptions, st.sUserName, st.sPassword),
            std::make_tuple("", "", "", ""));
  // Port, refresh, time-out, wait, wait ticks, return source, exception count, return rule.
  EXPECT_EQ(std::make_tuple(st.lIPPort, st.iRefreshRate, st.iTimeOut, st.iWaitTime, st.iWaitTicks,
                            st.iReturnSource, st.iExceptionCount, st.bReturnToSpecific),
            std::make_tuple(1250, 100, 1, 0, 0, kNone, 0, false));
  // No count names nothing: no watched output, console or air chain appears.
  EXPECT_EQ(std::tie(st.iWatchCount, st.iConsoleCount, st.iAirChainCount),
            std::make_tuple(0, 0, 0));
  EXPECT_TRUE(st.iWatchOutputs.empty() && st.udtConsoles.empty() && st.udtAirChains.empty());
  EXPECT_EQ(st.lConfirmTime, 2000);
}

TEST_F(IniRead, confirmTimeIsKeptWithinItsBoundsAndAbsentReadsTheDefault) {
  for (const auto& [line, expected] : {std::pair{"Confirm Time=-5", 0},
                                       {"Confirm Time=70000", 60000},
                                       {"Confirm Time=1500.4", 1500},
                                       {"Confirm Time=1e12", 60000},
                                       {"Confirm Time=0", 0},
                                       {"Wait Time=5", 2000}}) {
    SCOPED_TRACE(line);
    st.lConfirmTime = 7;
    ASSERT_TRUE(ReadLines({"[CONFIG]", line}));
    EXPECT_EQ(st.lConfirmTime, expected);
  }
}

TEST_F(IniRead, boundsApplyBeforeOrAfterRoundingInTheirOrder) {
  constexpr int kFails = INT_MIN;  // the read fails with Overflow
  const auto overflow = Logged("file Error", "Error Reading ini file: Error #  6 - Overflow");
  using S = AppState;
  // clang-format off
  const struct { const char* key; int16_t S::*field; std::vector<std::pair<const char*, int>> reads; }
  cases[] = {  // key, the field it fills, {value in the file, value read}
      {"Refresh Rate", &S::iRefreshRate, {{"50", 100}, {"40000", 32500} /* capped, then whole */,
                                          {"1e9", 32500}, {"250.5", 250}, {"-40000", kFails}}},
      {"Time Out", &S::iTimeOut, {{"0", 1}, {"5000", 3600}, {"40000", kFails}}},
      {"Wait Time", &S::iWaitTime, {{"20000", 10000}, {"-500", -500}, {"40000", kFails}}},
      {"Watch Count", &S::iWatchCount, {{"-7", 0}, {"0.4", 0}, {"2.5", 2}, {"40000", kFails}}},
      {"Exception Count", &S::iExceptionCount, {{"-3", -3}, {"1e10", kFails}}},
      {"Console Count", &S::iConsoleCount, {{"0.4", 0}, {"0.6", 1}, {"-2", 0}}},  // whole first
      {"AirChain Count", &S::iAirChainCount, {{"3abc", 3}, {"", 0}}}};
  // clang-format on
  for (const auto& c : cases) {
    for (const auto& [value, expected] : c.reads) {
      SCOPED_TRACE(std::string(c.key) + "=" + value);
      logged.clear();
      EXPECT_EQ(ReadLines({"[CONFIG]", std::string(c.key) + "=" + value}), expected != kFails);
      EXPECT_EQ(logged, expected == kFails ? overflow : std::vector<std::string>{});
      if (expected != kFails) {
        EXPECT_EQ(st.*c.field, expected);
      }
    }
  }
  logged.clear();
  EXPECT_FALSE(ReadLines({"[SETUP]", "IP Port=3000000000"}));
  EXPECT_EQ(logged.size(), 1u);
}

TEST_F(IniRead, derivedValuesAndPerSlotStateAreResetAndAFailureKeepsWhatWasRead) {
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
}

TEST_F(IniRead, watchListIsOneBasedWithNoneForOptosAndWideNumbersFrom100) {
  ASSERT_TRUE(ReadLines({"[CONFIG]", "Watch Count=3", "Output 01=12", "Input 01=0", "Opto 01=5",
                         "Input 02=16384", "Opto 02=16383", "Opto 03=0"}));
  EXPECT_EQ(std::tie(st.iWatchOutputs, st.iWatchInputs, st.iWatchOptos),
            std::make_tuple(V{11, 0, 0}, V{0, kNone, 0}, V{4, kNone, kNone}));

  ASSERT_TRUE(ReadLines({"[CONFIG]", "Watch Count=100", "Output 100=42", "Output 99=7",
                         "Console Count=10", "[CONSOLE10]", "Program=33"}));
  EXPECT_EQ(std::tie(st.iWatchOutputs[98], st.iWatchOutputs[99], st.udtConsoles[9].iProgram),
            std::make_tuple(6, 41, 32));
}

TEST_F(IniRead, returnRuleAcceptsOnlyExactYes) {
  for (const auto& [text, specific] :
       {std::pair{"Yes", true}, {"yes", false}, {"YES", false}, {"No", false}, {"", false}}) {
    SCOPED_TRACE(text);
    ASSERT_TRUE(ReadLines({"[CONFIG]", std::string("Return to Last Source=") + text}));
    EXPECT_EQ(st.bReturnToSpecific, specific);
  }
}

TEST_F(IniRead, windowsOrUnixFilesReadWithAnyCaseBlanksAndTheFirstOfRepeatedKeys) {
  folder.Write(kIniFileName,
               "[setup]\r\nip address = 192.168.1.20\r\nIP PORT=  4001  \r\n"
               "[Config]\r\nrefresh rate=200\r\nWATCH COUNT = 1\r\noutput 01 = 9\r\n"
               "Exceptions = 01\xE9\r\nairchain count=1\r\n[air "
               "chain01]\r\nCLEAN=4\r\n[security]\r\nuser name=Jos\xE9\r\n");
  ASSERT_TRUE(ReadIniFile(st, log));
  EXPECT_EQ(std::tie(st.sIPAddress, st.sExceptions, st.sUserName, st.lIPPort, st.iRefreshRate,
                     st.iWatchOutputs[0], st.udtAirChains[0].iClean),
            std::make_tuple("192.168.1.20", "01\xE9", "Jos\xE9", 4001, 200, 8, 3));

  folder.Write(kIniFileName, "[SETUP]\nIP Port=1300\nIP Port=1400\n");
  ASSERT_TRUE(ReadIniFile(st, log));
  EXPECT_EQ(st.lIPPort, 1300);
}

TEST_F(IniRead, unicodeFilesReadAsEightBitTextAndAFileThatIsNotTextIsRefusedByLine) {
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
  const std::string refused = "Error Reading ini file: Error #  75 - Path/File access error: ";
  const struct {
    std::string bytes;
    std::string logged;  // empty: read, with the address and port above
  } cases[] = {
      {utf16(usable, true), ""},
      {utf16(usable, false), ""},
      {utf16(u"[SETUP]\r\nIP Port=4001\r\nIP Address=\u0141\u00F3d\u017A\r\n", true),
       "character U+0141 (beyond Latin-1) on line 3"},
      {utf16(u"[SETUP]\nIP Port=4001\n\0"s, true), "NUL byte on line 3"},
      {utf16(usable, true) + "\r", "half a UTF-16 character on line 4"},
      {"[SETUP]\r\nIP Address=10.0.0.1\0\r\n"s, "NUL byte on line 2"},
      {"[SETUP]\rIP Address=10.0.0.1\n\0"s, "NUL byte on line 3"}};  // a lone CR ends a line
  for (const auto& c : cases) {
    SCOPED_TRACE(c.logged.empty() ? "usable" : c.logged);
    st.sIPAddress.clear(), st.lIPPort = 0, logged.clear();
    folder.Write(kIniFileName, c.bytes);
    EXPECT_EQ(ReadIniFile(st, log), c.logged.empty());
    if (c.logged.empty()) {
      EXPECT_EQ(std::tie(st.sIPAddress, st.lIPPort), std::make_tuple("Jos\xE9", 4001));
    } else {
      EXPECT_EQ(logged, Logged("file Error", refused + c.logged));
    }
  }
  // The next write stores 8-bit text.
  folder.Write(kIniFileName, utf16(usable, true));
  ASSERT_TRUE(ReadIniFile(st, log) && WriteIniFile(st, log));
  EXPECT_TRUE(folder.Read(kIniFileName).starts_with("[SETUP]\r\nIP Address=Jos\xE9\r\n"));
}

TEST_F(IniRead, passwordThatCannotBeUnscrambledFailsTheRead) {
  // The byte at position 2 would have to go below 0.
  EXPECT_FALSE(ReadLines({"[SECURITY]", "User Name=ops", "Password=b\x01"}));
  EXPECT_EQ(st.sUserName, "ops");
  EXPECT_EQ(logged, Logged("file Error", "Error Reading ini file: Error #  5 - " + ErrorText(5)));
}

TEST_F(IniRead, randomBytesEitherReadOrFailWithOneLogLine) {
  std::mt19937 random(20261206);
  // Mostly text that looks like the file, with raw bytes mixed in.
  const std::vector<std::string> pieces = {
      "[CONFIG]",  "[SETUP]",      "[CONSOLE01]",   "\r\n",  "\n", "=",     "Watch Count",
      "Output 01", "Refresh Rate", "Console Count", "99999", "-1", "1e308", "3",
      " ",         "\xFF",         "\x01",          "[",     "]"};
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    for (int i = static_cast<int>(random() % 40); i > 0; --i)
      bytes += random() % 4 == 0 ? std::string(1, static_cast<char>(random() % 256))
                                 : pieces[random() % pieces.size()];
    folder.Write(kIniFileName, bytes);
    logged.clear();
    const bool ok = ReadIniFile(st, log);
    EXPECT_EQ(logged.size(), ok ? 0u : 1u) << "round " << round;
    if (!ok) continue;
    EXPECT_EQ(st.iWatchOutputs.size(), static_cast<std::size_t>(st.iWatchCount));
    EXPECT_GE(st.iRefreshRate, 100);
    EXPECT_EQ(st.udtConsoles.size(), static_cast<std::size_t>(st.iConsoleCount));
  }
}

}  // namespace
}  // namespace vyr::test
