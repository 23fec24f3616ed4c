#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "config/CheckConfig.h"
#include "support/TempFolder.h"

namespace vyr::test {
namespace {

TEST(CheckConfig, printsEffectiveSettingsOneBasedWithoutPasswordAndWritesNothing) {
  TempFolder folder;
  const std::string programFolder = folder.path().substr(0, folder.path().size() - 1);
  const std::string rest = "\r\nWatch Count=1\r\nOutput 01=7\r\n[SECURITY]\r\nPassword=bdf\r\n";
  std::ostringstream out;  // with no file named, the program folder's file is read
  folder.Write("vyrntpnl.ini", "[CONFIG]\r\nWait Time=65000.5" + rest);
  EXPECT_EQ(CheckConfig("", programFolder, out), 1);
  EXPECT_NE(out.str().find("Error Reading ini file: Error #  6 - Overflow"), std::string::npos)
      << out.str();

  out.str("");
  folder.Write("vyrntpnl.ini",
               "[SETUP]\r\nIP Address=10.0.0.9\r\n[CONFIG]\r\nRefresh Rate=40000\r\n"
               "Wait Time=20000" +
                   rest);
  EXPECT_EQ(CheckConfig("", programFolder, out), 0);
  for (const char* line :
       {"Refresh Rate=32500\n", "Wait Time=10000\n", "Output 01=7\n", "Opto 01=16383  (none)\n",
        "Password=(set, not shown)\n", "Wait ticks=0\n"})
    EXPECT_NE(out.str().find(line), std::string::npos) << line << " missing from\n" << out.str();
  EXPECT_EQ(out.str().find("abc"), std::string::npos) << out.str();
  EXPECT_FALSE(std::filesystem::exists(folder.File("Errorlog.txt")));

  // Counts of nothing say what they mean; the confirm time is shown.
  out.str("");
  folder.Write("vyrntpnl.ini", "[SETUP]\r\nIP Address=127.0.0.1\r\n[CONFIG]\r\nConfirm Time=0\r\n");
  EXPECT_EQ(CheckConfig("", programFolder, out), 0);
  for (const char* line :
       {"Watch Count=0  (no watched outputs)\n", "Console Count=0  (no consoles)\n",
        "AirChain Count=0  (no air chains)\n", "Confirm Time=0  (returns not confirmed)\n"})
    EXPECT_NE(out.str().find(line), std::string::npos) << line << " missing from\n" << out.str();

  out.str("");
  EXPECT_EQ(CheckConfig(folder.File("none.ini"), programFolder, out), 1);
  EXPECT_NE(out.str().find("No configuration file at"), std::string::npos) << out.str();
}

TEST(CheckConfig, anAddressOrPortNoConnectionCanStartWithIsNamedAndUnusable) {
  TempFolder folder;
  const std::string programFolder = folder.path().substr(0, folder.path().size() - 1);
  const struct {
    std::string setup;  // the [SETUP] section's lines
    int code;
    std::string says;
  } cases[] = {
      {"IP Address=10.0.0.9\r\nIP Port=70000", 1,
       "Not usable: IP Port 70000 is outside 1..65535; the panel cannot connect\n"},
      {"IP Address=\r\nIP Port=1250", 1, "Not usable: IP Address is empty or missing"},
      {"IP Port=1250", 1, "Not usable: IP Address is empty or missing"},
      {"IP Address=10.0.0.9\r\nIP Port=0", 0, "IP Port=1250\n"},  // the default stands in
      {std::string("IP Address=10.0.0.9\0", 20), 1,
       "Error Reading ini file: Error #  75 - Path/File access error: NUL byte on line 2"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setup);
    folder.Write("vyrntpnl.ini", "[SETUP]\r\n" + c.setup + "\r\n");
    std::ostringstream out;
    EXPECT_EQ(CheckConfig("", programFolder, out), c.code);
    EXPECT_NE(out.str().find(c.says), std::string::npos) << out.str();
  }
}

}  // namespace
}  // namespace vyr::test
