#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/InitProgram.h"

namespace vyr {
namespace {

TEST(InitProgram, replacesEarlierStateWithEveryStartUpDefault) {
  AppState st;
  st.sUserName = "admin", st.sPassword = "secret", st.sIPAddress = "10.0.0.9";
  st.udtXptMap.assign(5, XptRecord{}), st.udtXptMap[0].bySrcCount = 3;
  st.iDisplayCount = 9, st.iNumInputs = 12, st.iNumOutputs = 300;
  st.sInputNames.assign(300, "old"), st.sOutputNames.assign(12, "old");
  st.iRefreshRate = 500, st.iTimeOut = 3, st.iWaitTime = 2000, st.iPollTicks = 9, st.lIPPort = 7;
  ManualTimer tmrpoll;
  tmrpoll.SetEnabled(true), tmrpoll.SetInterval(750);
  FixedClock clock({2011, 3, 1, 9, 5, 7});
  ErrorLog log(st.sAppPath, clock);
  log.SetWriteToFile(false);
  std::vector<std::string> reported;
  log.SetEcho([&](const std::string& line) { reported.push_back(line); });

  InitProgram(st, "/opt/vyr", tmrpoll, log);
  EXPECT_TRUE(reported.empty()) << reported.front();
  EXPECT_EQ(std::tie(st.sAppPath, st.sUserName, st.sPassword, st.sIPAddress),
            std::make_tuple("/opt/vyr/", "", "", "127.0.0.1"));
  EXPECT_EQ(st.udtXptMap, std::vector<XptRecord>(256));
  EXPECT_EQ(std::tie(st.iMMAssoc, st.iInputMMState),
            std::make_tuple(std::vector<int16_t>(256, kNone), std::vector<int16_t>(256, kNone)));
  // Display count, channel counts, refresh, time-out, wait, poll ticks, port.
  EXPECT_EQ(std::make_tuple(st.iDisplayCount, st.iNumInputs, st.iNumOutputs, st.iRefreshRate,
                            st.iTimeOut, st.iWaitTime, st.iPollTicks, st.lIPPort),
            std::make_tuple(1, 256, 256, 100, 20, 0, 2, 1250));
  ASSERT_EQ(std::make_tuple(st.sInputNames.size(), st.sOutputNames.size()),
            std::make_tuple(256u, 256u));
  EXPECT_EQ(
      std::tie(st.sInputNames[0], st.sInputNames[99], st.sInputNames[255], st.sOutputNames[0],
               st.sOutputNames[99], st.sOutputNames[255]),
      std::make_tuple("Inpt0001", "Inpt0100", "Inpt0256", "Out 0001", "Out 0100", "Out 0256"));
  EXPECT_EQ(std::make_tuple(tmrpoll.Enabled(), tmrpoll.Interval()), std::make_tuple(false, 100));

  InitProgram(st, "/opt/vyr/", tmrpoll, log);  // already ends with one separator
  EXPECT_EQ(st.sAppPath, "/opt/vyr/");
}

}  // namespace
}  // namespace vyr
