#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "config/CheckConfig.h"
#include "support/TempFolder.h"

namespace vyr::test {
namespace {

TEST(CheckConfig, printsEffectiveSettingsOrWhyTheyCannotBeUsedAndWritesNothing) {
  TempFolder folder;
  const std::string watch = "Watch Count=1\r\nOutput 01=7\r\n[SECURITY]\r\nPassword=bdf\r\n";
  // clang-format off
  const struct { std::string ini; int code; std::vector<std::string> says; } cases[] = {
      // Effective values, one-based, the password hidden.
      {"[SETUP]\r\nIP Address=10.0.0.9\r\n[CONFIG]\r\nRefresh Rate=40000\r\nWait Time=20000\r\n" + watch, 0,
       {"Refresh Rate=32500\n", "Wait Time=10000\n", "Output 01=7\n", "Opto 01=16383  (none)\n",
        "Password=(set, not shown)\n", "Poll interval ms=32500\n", "Wait ticks=0\n"}},
      // Counts of nothing say what they mean.
      {"[SETUP]\r\nIP Address=127.0.0.1\r\n[CONFIG]\r\nConfirm Time=0\r\n", 0,
       {"Watch Count=0  (no watched outputs)\n", "Console Count=0  (no consoles)\n",
        "AirChain Count=0  (no air chains)\n", "Confirm Time=0  (returns not confirmed)\n"}},
      {"[CONFIG]\r\nWait Time=65000.5\r\n" + watch, 1,
       {"could not be read", "Error Reading ini file: Error #  6 - Overflow"}},
      {"", 1, {"No configuration file at"}},  // no file at all
      // An address or port no connection can start with; port 0 reads as the default.
      {"[SETUP]\r\nIP Address=10.0.0.9\r\nIP Port=70000\r\n", 1,
       {"Not usable: IP Port 70000 is outside 1..65535; the panel cannot connect\n"}},
      {"[SETUP]\r\nIP Address=\r\nIP Port=1250\r\n", 1, {"Not usable: IP Address is empty or missing"}},
      {"[SETUP]\r\nIP Port=1250\r\n", 1, {"Not usable: IP Address is empty or missing"}},
      {"[SETUP]\r\nIP Address=10.0.0.9\r\nIP Port=0\r\n", 0, {"IP Port=1250\n"}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini);
    std::filesystem::remove(folder.File("vyrntpnl.ini"));
    if (!c.ini.empty()) folder.Write("vyrntpnl.ini", c.ini);
    std::ostringstream out;  // with no file named, the program folder's file is read
    EXPECT_EQ(CheckConfig("", folder.path(), out), c.code);
    for (const std::string& line : c.says)
      EXPECT_NE(out.str().find(line), std::string::npos) << line << " missing from\n" << out.str();
    EXPECT_EQ(out.str().find("abc"), std::string::npos) << out.str();
    EXPECT_FALSE(std::filesystem::exists(folder.File("Errorlog.txt")));
  }
  std::ostringstream out;  // a file named instead
  EXPECT_EQ(CheckConfig(folder.File("none.ini"), folder.path(), out), 1);
  EXPECT_NE(out.str().find("No configuration file at " + folder.File("none.ini")),
            std::string::npos)
      << out.str();
}

}  // namespace
}  // namespace vyr::test
