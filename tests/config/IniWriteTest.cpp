#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <tuple>

#include "IniTestSupport.h"
#include "support/ErrorOf.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

class IniWrite : public ::testing::Test, public IniFixture {
 protected:
  // A small facility: two watched outputs, one console, one air chain.
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

TEST_F(IniWrite, writesEveryKeyInOrderWithCrlfAndNoBlanksForTheOwnerOnly) {
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
  EXPECT_EQ(fs::status(folder.File(kIniFileName)).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(IniWrite, whatIsWrittenReadsBackTheSame) {
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

TEST(PasswordScramble, worksUpToByte255AndDownToByte0Only) {
  EXPECT_EQ(ScramblePassword(std::string("\xFD", 1)), "\xFE");
  EXPECT_EQ(ErrorOf([] { ScramblePassword(std::string("a\xFE", 2)); }), kErrInvalidCall);
  EXPECT_EQ(UnscramblePassword(std::string("a\x02", 2)), std::string("`\0", 2));
  EXPECT_EQ(ErrorOf([] { UnscramblePassword(std::string("a\x01", 2)); }), kErrInvalidCall);
}

}  // namespace
}  // namespace vyr::test
