#include <gtest/gtest.h>

#include <random>

#include "IniTestSupport.h"

namespace vyr::test {
namespace {

class IniRead : public ::testing::Test, public IniFixture {};

TEST_F(IniRead, missingFileReturnsFalseAndChangesNothing) {
  st.sIPAddress = "unchanged";
  EXPECT_FALSE(ReadIniFile(st, tmrpoll, log));
  EXPECT_EQ(st.sIPAddress, "unchanged");
  EXPECT_TRUE(logged.empty());
}

TEST_F(IniRead, emptyFileGivesEveryDefault) {
  ASSERT_TRUE(ReadLines({}));
  EXPECT_EQ(st.sIPAddress, "");
  EXPECT_EQ(st.lIPPort, 1250);
  EXPECT_EQ(st.iRefreshRate, 100);
  EXPECT_EQ(st.iTimeOut, 1);
  EXPECT_EQ(st.iWaitTime, 0);
  EXPECT_EQ(st.iWaitTicks, 0);
  ASSERT_EQ(st.iWatchCount, 1);
  EXPECT_EQ(st.iWatchOutputs, std::vector<int16_t>{0});
  EXPECT_EQ(st.iWatchInputs, std::vector<int16_t>{0});
  EXPECT_EQ(st.iWatchOptos, std::vector<int16_t>{kNone});
  EXPECT_EQ(st.iReturnSource, kNone);
  EXPECT_FALSE(st.bReturnToSpecific);
  EXPECT_EQ(st.iExceptionCount, 0);
  EXPECT_EQ(st.sExceptions, "");
  EXPECT_EQ(st.udtConsoles, std::vector<ConsoleRecord>(1));
  EXPECT_EQ(st.udtAirChains, std::vector<AirChainRecord>(1));
  EXPECT_EQ(st.sUserName, "");
  EXPECT_EQ(st.sPassword, "");
  EXPECT_TRUE(logged.empty());
}

TEST_F(IniRead, boundsApplyBeforeOrAfterRoundingInTheirOrder) {
  struct Case {
    const char* key;
    const char* value;
    int16_t AppState::*field;
    int expected;
  };
  const Case cases[] = {
      {"Refresh Rate", "50", &AppState::iRefreshRate, 100},
      {"Refresh Rate", "40000", &AppState::iRefreshRate, 32500},  // capped before made whole
      {"Refresh Rate", "1e9", &AppState::iRefreshRate, 32500},
      {"Refresh Rate", "250.5", &AppState::iRefreshRate, 250},  // half to even
      {"Time Out", "0", &AppState::iTimeOut, 1},
      {"Time Out", "5000", &AppState::iTimeOut, 3600},
      {"Time Out", "0.4", &AppState::iTimeOut, 1},
      {"Wait Time", "20000", &AppState::iWaitTime, 10000},
      {"Wait Time", "-500", &AppState::iWaitTime, -500},
      {"Watch Count", "-7", &AppState::iWatchCount, 1},
      {"Watch Count", "2.5", &AppState::iWatchCount, 2},
      {"Exception Count", "-3", &AppState::iExceptionCount, -3},
      {"Console Count", "0.4", &AppState::iConsoleCount, 1},  // whole first, then at least 1
      {"AirChain Count", "3abc", &AppState::iAirChainCount, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.value);
    ASSERT_TRUE(ReadLines({"[CONFIG]", std::string(c.key) + "=" + c.value}));
    EXPECT_EQ(st.*c.field, c.expected);
  }
}

TEST_F(IniRead, numbersOutsideTheirRangeFailTheRead) {
  for (const char* line : {"Watch Count=40000", "Time Out=40000", "Wait Time=40000",
                           "Refresh Rate=-40000", "Exception Count=1e10"}) {
    SCOPED_TRACE(line);
    logged.clear();
    EXPECT_FALSE(ReadLines({"[CONFIG]", line}));
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_NE(logged[0].find("file Error"), std::string::npos);
    EXPECT_NE(logged[0].find("Error Reading ini file: Error #  6 - Overflow"), std::string::npos);
  }
  logged.clear();
  EXPECT_FALSE(ReadLines({"[SETUP]", "IP Port=3000000000"}));
  EXPECT_EQ(logged.size(), 1u);
}

TEST_F(IniRead, valuesReadBeforeAFailureKeepTheirNewValues) {
  st.iConsoleCount = 7;
  EXPECT_FALSE(
      ReadLines({"[SETUP]", "IP Address=10.0.0.9", "[CONFIG]", "Refresh Rate=200", "Watch Count=2",
                 "Output 01=5", "Input 01=3", "Opto 01=2", "Output 02=99999"}));
  EXPECT_EQ(st.sIPAddress, "10.0.0.9");
  EXPECT_EQ(st.iRefreshRate, 200);
  EXPECT_EQ(tmrpoll.Interval(), 200);
  EXPECT_EQ(st.iWatchOutputs, (std::vector<int16_t>{4, 0}));
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{kNone, 0}));
  EXPECT_EQ(st.iConsoleCount, 7);  // never reached
}

TEST_F(IniRead, derivedValuesAndPerSlotStateAreReset) {
  st.iPollTicks = 9;
  st.iReturnDelays = {5, 5, 5};
  for (const auto& [wait, ticks] : {std::pair{"250", 2}, {"350", 4}, {"149", 1}}) {
    SCOPED_TRACE(wait);
    ASSERT_TRUE(ReadLines(
        {"[CONFIG]", "Refresh Rate=100", std::string("Wait Time=") + wait, "Watch Count=2"}));
    EXPECT_EQ(st.iWaitTicks, ticks);
  }
  EXPECT_EQ(st.iPollTicks, 2);
  EXPECT_EQ(st.iReturnSources, (std::vector<int16_t>{kNone, kNone}));
  EXPECT_EQ(st.iCurrentSources, (std::vector<int16_t>{kNone, kNone}));
  EXPECT_EQ(st.iReturnDelays, (std::vector<int16_t>{0, 0}));
}

TEST_F(IniRead, watchListIsOneBasedInTheFileWithNoneForOptos) {
  ASSERT_TRUE(ReadLines({"[CONFIG]", "Watch Count=3", "Output 01=12", "Input 01=0", "Opto 01=5",
                         "Input 02=16384", "Opto 02=16383", "Opto 03=0"}));
  EXPECT_EQ(st.iWatchOutputs, (std::vector<int16_t>{11, 0, 0}));
  EXPECT_EQ(st.iWatchInputs, (std::vector<int16_t>{0, kNone, 0}));
  EXPECT_EQ(st.iWatchOptos, (std::vector<int16_t>{4, kNone, kNone}));
}

TEST_F(IniRead, hundredthWatchSlotAndTenthConsoleUseWideNumbers) {
  std::vector<std::string> lines{"[CONFIG]",    "Watch Count=100",  "Output 100=42",
                                 "Output 99=7", "Console Count=10", "[CONSOLE10]",
                                 "Program=33"};
  ASSERT_TRUE(ReadLines(lines));
  EXPECT_EQ(st.iWatchOutputs[98], 6);
  EXPECT_EQ(st.iWatchOutputs[99], 41);
  EXPECT_EQ(st.udtConsoles[9].iProgram, 32);
}

TEST_F(IniRead, returnRuleAcceptsOnlyExactYes) {
  for (const auto& [text, specific] :
       {std::pair{"Yes", true}, {"yes", false}, {"YES", false}, {"No", false}, {"", false}}) {
    SCOPED_TRACE(text);
    ASSERT_TRUE(ReadLines({"[CONFIG]", std::string("Return to Last Source=") + text}));
    EXPECT_EQ(st.bReturnToSpecific, specific);
  }
}

TEST_F(IniRead, windowsFileWithMixedCaseAndBlanksReads) {
  const std::string bytes =
      "[setup]\r\nip address = 192.168.1.20\r\nIP PORT=  4001  \r\n"
      "[Config]\r\nrefresh rate=200\r\nWATCH COUNT = 1\r\noutput 01 = 9\r\n"
      "Exceptions = 01\xE9\r\n[air chain01]\r\nCLEAN=4\r\n[security]\r\nuser name=Jos\xE9\r\n";
  folder.Write(kIniFileName, bytes);
  ASSERT_TRUE(ReadIniFile(st, tmrpoll, log));
  EXPECT_EQ(st.sIPAddress, "192.168.1.20");
  EXPECT_EQ(st.lIPPort, 4001);
  EXPECT_EQ(st.iRefreshRate, 200);
  EXPECT_EQ(st.iWatchOutputs, std::vector<int16_t>{8});
  EXPECT_EQ(st.sExceptions, "01\xE9");
  EXPECT_EQ(st.udtAirChains[0].iClean, 3);
  EXPECT_EQ(st.sUserName, "Jos\xE9");
}

TEST_F(IniRead, unixLineEndsAndFirstOfRepeatedKeysCount) {
  folder.Write(kIniFileName, "[SETUP]\nIP Port=1300\nIP Port=1400\n");
  ASSERT_TRUE(ReadIniFile(st, tmrpoll, log));
  EXPECT_EQ(st.lIPPort, 1300);
}

TEST_F(IniRead, passwordThatCannotBeUnscrambledFailsTheRead) {
  // The byte at position 2 would have to go below 0.
  EXPECT_FALSE(ReadLines({"[SECURITY]", "User Name=ops", std::string("Password=b\x01")}));
  EXPECT_EQ(st.sUserName, "ops");
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("Error #  5 - Invalid procedure call or argument"), std::string::npos);
}

TEST_F(IniRead, explicitPathIsReadInsteadOfProgramFolder) {
  folder.Write("other.ini", "[SETUP]\r\nIP Address=10.9.8.7\r\n");
  EXPECT_FALSE(ReadIniFile(st, tmrpoll, log));
  EXPECT_TRUE(ReadIniFile(st, tmrpoll, log, folder.File("other.ini")));
  EXPECT_EQ(st.sIPAddress, "10.9.8.7");
}

TEST_F(IniRead, randomBytesEitherReadOrFailWithOneLogLine) {
  std::mt19937 random(20261206);
  // Mostly text that looks like the file, with raw bytes mixed in.
  const std::string pieces[] = {
      "[CONFIG]",  "[SETUP]",      "[CONSOLE01]",   "\r\n",  "\n", "=",     "Watch Count",
      "Output 01", "Refresh Rate", "Console Count", "99999", "-1", "1e308", "3",
      " ",         "\xFF",         "\x01",          "[",     "]"};
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    const int parts = static_cast<int>(random() % 40);
    for (int i = 0; i < parts; ++i) {
      if (random() % 4 == 0)
        bytes += static_cast<char>(random() % 256);
      else
        bytes += pieces[random() % std::size(pieces)];
    }
    folder.Write(kIniFileName, bytes);
    logged.clear();
    const bool ok = ReadIniFile(st, tmrpoll, log);
    EXPECT_EQ(logged.size(), ok ? 0u : 1u) << "round " << round;
    if (ok) {
      EXPECT_EQ(st.iWatchOutputs.size(), static_cast<std::size_t>(st.iWatchCount));
      EXPECT_GE(st.iRefreshRate, 100);
      EXPECT_GE(st.iConsoleCount, 1);
    }
  }
}

}  // namespace
}  // namespace vyr::test
