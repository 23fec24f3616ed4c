#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/InitProgram.h"

namespace vyr {
namespace {

TEST(InitProgram, replacesEarlierStateWithEveryStartUpDefault) {
  AppState st;
  st.sUserName = "admin", st.sPassword = "secret", st.sIPAddress = "10.0.0.9";
  st.udtXptMap.assign(5, XptRecord{});
  st.udtXptMap[0].bySrcCount = 3;
  st.iDisplayCount = 9, st.iNumInputs = 12, st.iNumOutputs = 300;
  st.sInputNames.assign(300, "old");
  st.sOutputNames.assign(12, "old");
  st.iRefreshRate = 500, st.iTimeOut = 3, st.iWaitTime = 2000, st.iPollTicks = 9, st.lIPPort = 7;
  ManualTimer tmrpoll;
  tmrpoll.SetEnabled(true);
  tmrpoll.SetInterval(750);
  FixedClock clock({2011, 3, 1, 9, 5, 7});
  ErrorLog log(st, clock);
  log.SetWriteToFile(false);
  std::vector<std::string> reported;
  log.SetEcho([&](const std::string& line) { reported.push_back(line); });

  InitProgram(st, "/opt/vyr", tmrpoll, log);

  EXPECT_TRUE(reported.empty()) << reported.front();
  EXPECT_EQ(st.sAppPath, "/opt/vyr/");
  EXPECT_EQ(st.sUserName, "");
  EXPECT_EQ(st.sPassword, "");
  EXPECT_EQ(st.udtXptMap, std::vector<XptRecord>(256));
  EXPECT_EQ(st.iMMAssoc, std::vector<int16_t>(256, kNone));
  EXPECT_EQ(st.iInputMMState, std::vector<int16_t>(256, kNone));
  EXPECT_EQ(st.iDisplayCount, 1);
  EXPECT_EQ(st.iNumInputs, 256);
  EXPECT_EQ(st.iNumOutputs, 256);
  ASSERT_EQ(st.sInputNames.size(), 256u);
  ASSERT_EQ(st.sOutputNames.size(), 256u);
  EXPECT_EQ(st.sInputNames[0], "Inpt0001");
  EXPECT_EQ(st.sInputNames[9], "Inpt0010");
  EXPECT_EQ(st.sInputNames[255], "Inpt0256");
  EXPECT_EQ(st.sOutputNames[0], "Out 0001");
  EXPECT_EQ(st.sOutputNames[99], "Out 0100");
  EXPECT_EQ(st.sOutputNames[255], "Out 0256");
  EXPECT_EQ(st.iRefreshRate, 100);
  EXPECT_EQ(st.iTimeOut, 20);
  EXPECT_EQ(st.iWaitTime, 0);
  EXPECT_EQ(st.iPollTicks, 2);
  EXPECT_EQ(st.lIPPort, 1250);
  EXPECT_EQ(st.sIPAddress, "127.0.0.1");
  EXPECT_FALSE(tmrpoll.Enabled());
  EXPECT_EQ(tmrpoll.Interval(), 100);

  InitProgram(st, "/opt/vyr/", tmrpoll, log);  // already ends with one separator
  EXPECT_EQ(st.sAppPath, "/opt/vyr/");
}

}  // namespace
}  // namespace vyr
