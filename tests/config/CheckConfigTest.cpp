#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "config/CheckConfig.h"
#include "support/TempFolder.h"

namespace vyr::test {
namespace {

TEST(CheckConfig, printsEffectiveSettingsOneBasedWithoutPassword) {
  TempFolder folder;
  folder.Write("vyrntpnl.ini",
               "[CONFIG]\r\nRefresh Rate=40000\r\nWait Time=65000.5\r\nWatch Count=1\r\n"
               "Output 01=7\r\n[SECURITY]\r\nPassword=bdf\r\n");
  std::ostringstream out;
  // No file argument: the program folder's file is read.
  const std::string programFolder = folder.path().substr(0, folder.path().size() - 1);
  EXPECT_EQ(CheckConfig("", programFolder, out), 1);  // Wait Time overflows
  EXPECT_NE(out.str().find("Error Reading ini file: Error #  6 - Overflow"), std::string::npos);

  folder.Write("vyrntpnl.ini",
               "[CONFIG]\r\nRefresh Rate=40000\r\nWait Time=20000\r\nWatch Count=1\r\n"
               "Output 01=7\r\n[SECURITY]\r\nPassword=bdf\r\n");
  out.str("");
  EXPECT_EQ(CheckConfig("", programFolder, out), 0);
  const std::string text = out.str();
  EXPECT_NE(text.find("Refresh Rate=32500\n"), std::string::npos);
  EXPECT_NE(text.find("Wait Time=10000\n"), std::string::npos);
  EXPECT_NE(text.find("Output 01=7\n"), std::string::npos);
  EXPECT_NE(text.find("Opto 01=16383  (none)\n"), std::string::npos);
  EXPECT_NE(text.find("Password=(set, not shown)"), std::string::npos);
  EXPECT_EQ(text.find("abc"), std::string::npos);
  EXPECT_NE(text.find("Wait ticks=0\n"), std::string::npos);
  // A check writes nothing: no error log, no configuration file change.
  EXPECT_FALSE(std::filesystem::exists(folder.File("Errorlog.txt")));
}

TEST(CheckConfig, missingFileIsNotUsable) {
  TempFolder folder;
  std::ostringstream out;
  EXPECT_EQ(CheckConfig(folder.File("none.ini"), "/", out), 1);
  EXPECT_NE(out.str().find("No configuration file at"), std::string::npos);
}

}  // namespace
}  // namespace vyr::test
