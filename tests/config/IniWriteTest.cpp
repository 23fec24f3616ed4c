#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "IniTestSupport.h"

namespace vyr::test {
namespace {

class IniWrite : public ::testing::Test, public IniFixture {
 protected:
  // A small facility: two watched outputs, one console, one air chain.
  void Configure() {
    st.sIPAddress = "10.1.2.3";
    st.lIPPort = 1250;
    st.iRefreshRate = 100;
    st.iTimeOut = 20;
    st.iWaitTime = 300;
    st.iWatchCount = 2;
    st.iWatchOutputs = {4, 5};
    st.iWatchInputs = {0, kNone};
    st.iWatchOptos = {kNone, 2};
    st.iReturnSource = kNone;
    st.bReturnToSpecific = true;
    st.iExceptionCount = 3;
    st.sExceptions = "010";
    st.iConsoleCount = 1;
    st.udtConsoles = {{0, 20, 23, 0}};
    st.iAirChainCount = 1;
    st.udtAirChains = {{8, 11}};
    st.sUserName = "ops";
    st.sPassword = "abc";
  }
};

TEST_F(IniWrite, writesEveryKeyInOrderWithCrlfAndNoBlanks) {
  Configure();
  ASSERT_TRUE(WriteIniFile(st, log));
  EXPECT_EQ(folder.Read(kIniFileName),
            "[SETUP]\r\nIP Address=10.1.2.3\r\nIP Port=1250\r\n"
            "[CONFIG]\r\nRefresh Rate=100\r\nTime Out=20\r\nWait Time=300\r\nWatch Count=2\r\n"
            "Output 01=5\r\nInput 01=1\r\nOpto 01=16383\r\n"
            "Output 02=6\r\nInput 02=16384\r\nOpto 02=3\r\n"
            "Return Source=16383\r\nReturn to Last Source=Yes\r\nException Count=3\r\n"
            "Exceptions=010\r\nConsole Count=1\r\nAirChain Count=1\r\n"
            "[CONSOLE01]\r\nProgram=1\r\nFirst MM Bus=21\r\nLast MM Bus=24\r\n"
            "MM in use Relay=1\r\n"
            "[Air Chain01]\r\nClean=9\r\nTones and Sounders=12\r\n"
            "[SECURITY]\r\nUser Name=ops\r\nPassword=bdf\r\n");
}

TEST_F(IniWrite, whatIsWrittenReadsBackTheSame) {
  Configure();
  st.sPassword = std::string("p\xF0ss word", 9);
  const AppState written = st;
  ASSERT_TRUE(WriteIniFile(st, log));
  st = AppState{};
  st.sAppPath = folder.path();
  ASSERT_TRUE(ReadIniFile(st, tmrpoll, log));
  EXPECT_EQ(st.sIPAddress, written.sIPAddress);
  EXPECT_EQ(st.iWaitTicks, 3);
  EXPECT_EQ(st.iWatchOutputs, written.iWatchOutputs);
  EXPECT_EQ(st.iWatchInputs, written.iWatchInputs);  // 16383 -> 16384 -> 16383
  EXPECT_EQ(st.iWatchOptos, written.iWatchOptos);
  EXPECT_EQ(st.iReturnSource, kNone);
  EXPECT_TRUE(st.bReturnToSpecific);
  EXPECT_EQ(st.sExceptions, written.sExceptions);
  EXPECT_EQ(st.udtConsoles, written.udtConsoles);
  EXPECT_EQ(st.udtAirChains, written.udtAirChains);
  EXPECT_EQ(st.sPassword, written.sPassword);
}

TEST_F(IniWrite, emptyListsWriteNoSectionsAndReadBackAsOneOfZeros) {
  Configure();
  st.iConsoleCount = 0;
  st.udtConsoles.clear();
  st.iAirChainCount = 0;
  st.udtAirChains.clear();
  ASSERT_TRUE(WriteIniFile(st, log));
  const std::string text = folder.Read(kIniFileName);
  EXPECT_EQ(text.find("[CONSOLE"), std::string::npos);
  EXPECT_EQ(text.find("[Air Chain"), std::string::npos);
  ASSERT_TRUE(ReadIniFile(st, tmrpoll, log));
  EXPECT_EQ(st.udtConsoles, std::vector<ConsoleRecord>(1));
  EXPECT_EQ(st.udtAirChains, std::vector<AirChainRecord>(1));
}

TEST_F(IniWrite, failedWriteLeavesTheOldFileWhole) {
  Configure();
  ASSERT_TRUE(WriteIniFile(st, log));
  const std::string before = folder.Read(kIniFileName);

  st.sIPAddress = "10.9.9.9";
  st.sPassword = std::string(1, '\xFF');  // 255 + 1 cannot be scrambled
  EXPECT_FALSE(WriteIniFile(st, log));
  EXPECT_EQ(folder.Read(kIniFileName), before);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("Error Writing ini File: Error #  5"), std::string::npos);
  EXPECT_NE(logged[0].find("File Error"), std::string::npos);

  // A password whose scrambled form holds a line break (9 + 1 = LF).
  st.sPassword = "\x09";
  EXPECT_FALSE(WriteIniFile(st, log));
  EXPECT_EQ(folder.Read(kIniFileName), before);

  // A failure of the disk itself: the new file cannot be created.
  st.sPassword = "abc";
  std::filesystem::create_directory(folder.File("vyrntpnl.ini.new"));
  EXPECT_FALSE(WriteIniFile(st, log));
  EXPECT_EQ(folder.Read(kIniFileName), before);
}

TEST_F(IniWrite, numberThatCannotBeMadeOneBasedFailsTheWrite) {
  Configure();
  st.iWatchOutputs[1] = 32767;
  EXPECT_FALSE(WriteIniFile(st, log));
  EXPECT_FALSE(std::filesystem::exists(folder.File(kIniFileName)));
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("Error #  6 - Overflow"), std::string::npos);
}

TEST_F(IniWrite, fileIsReadableByItsOwnerOnly) {
  Configure();
  ASSERT_TRUE(WriteIniFile(st, log));
  struct stat info {};
  ASSERT_EQ(::stat(folder.File(kIniFileName).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(PasswordScramble, movesEachCharacterByItsPosition) {
  EXPECT_EQ(ScramblePassword("abc"), "bdf");
  EXPECT_EQ(UnscramblePassword("bdf"), "abc");
  EXPECT_EQ(ScramblePassword(""), "");
  EXPECT_EQ(ScramblePassword(std::string("\xFD", 1)), "\xFE");
  EXPECT_THROW(ScramblePassword(std::string("a\xFE", 2)), RuntimeError);  // 254 + 2
  EXPECT_EQ(UnscramblePassword(std::string("a\x02", 2)), std::string("`\0", 2));
  EXPECT_THROW(UnscramblePassword(std::string("a\x01", 2)), RuntimeError);
  std::string every;
  for (int c = 0; c < 200; ++c) every += static_cast<char>(c % 55 + 1);
  EXPECT_EQ(UnscramblePassword(ScramblePassword(every)), every);
}

TEST(TwoDigitNumbers, haveALeadingZeroBelowTen) {
  EXPECT_EQ(TwoDigits(1), "01");
  EXPECT_EQ(TwoDigits(10), "10");
  EXPECT_EQ(TwoDigits(100), "100");
}

}  // namespace
}  // namespace vyr::test
