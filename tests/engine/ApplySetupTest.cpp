// The setup dialog's Ok without the dialog: checks in the order the dialog
// reports them, then the values applied, the link remade when it changed,
// the file written and the rows rebuilt.

#include "config/IniFile.h"
#include "engine/ApplySetup.h"
#include "engine/EngineTest.h"
#include "support/TempFolder.h"

namespace vyr::test {
namespace {

class ApplySetupTest : public EngineTest {
 protected:
  ApplySetupTest() {
    st.sAppPath = folder.path();
    st.lIPPort = 1250, st.sIPAddress = "127.0.0.1";
  }
  TempFolder folder;
};

TEST_F(ApplySetupTest, checksInOrderThenAppliesReconnectsOnlyForANewLinkAndWrites) {
  using O = SetupOutcome;
  const struct {
    const char *port, *address;
    bool specific;
    int item;
    bool writable;
    O outcome;
    int connects;  // 1: the link was remade
  } cases[] = {
      {"0", "10.1.2", true, 0, true, O::kPortError, 0},  // the port first
      {"65536", "127.0.0.1", false, 0, true, O::kPortError, 0},
      {"1250", "10.1.2", true, 0, true, O::kReturnSourceError, 0},  // then the source
      {"2000", "10.1.2.", false, 0, true, O::kAddressError, 0},     // then the address
      {"1250", "127.000.000.001", false, 0, true, O::kOk, 1},       // differs as text
      {"2001", "127.0.0.1", true, 12, true, O::kOk, 1},
      {"1250", "127.0.0.1", false, 0, true, O::kOk, 0},
      {"1250", "127.0.0.1", false, 0, false, O::kWriteError, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.port) + " " + c.address);
    st.lIPPort = 1250, st.sIPAddress = "127.0.0.1", st.iWaitTime = 0;
    st.sAppPath = folder.path() + (c.writable ? "" : "no-such-folder/");
    std::remove(folder.File("vyrntpnl.ini").c_str());
    sock.connects = 0, sock.host.clear(), sock.port = 0, tmrpoll.SetEnabled(false);
    const SetupValues v{c.port, c.address, c.specific, c.item, "350", "0", nullptr};
    const O outcome = ApplySetup(p, v, false);
    const bool applied = c.outcome == O::kOk || c.outcome == O::kWriteError;
    EXPECT_EQ(std::tuple(outcome, st.iWaitTime, sock.connects, tmrpoll.Enabled()),
              std::tuple(c.outcome, applied ? 350 : 0, c.connects, c.connects == 1));
    EXPECT_EQ(folder.Read("vyrntpnl.ini").empty(), c.outcome != O::kOk);
    if (c.outcome != O::kOk) continue;
    // Applied: 350 ms are 4 ticks of 100 ms.
    EXPECT_EQ(std::tuple(st.sIPAddress, sock.host + ":" + std::to_string(sock.port),
                         st.bReturnToSpecific, st.iReturnSource, st.iWaitTicks),
              std::tuple("127.0.0.1", c.connects ? "127.0.0.1:" + std::string(c.port) : ":0",
                         c.specific, c.specific ? c.item - 1 : kNone, 4));
  }
  EXPECT_EQ(events.Seen("disconnected"),
            std::vector<std::string>{"disconnected: reconnecting to the new address"});
  EXPECT_EQ(events.Seen("setup changed").size(), 3u);  // once for each Ok
}

TEST_F(ApplySetupTest, initialSetupConnectsPollsAtTheRefreshRateAndRebuildsTheRows) {
  st.bConnected = false, st.iRefreshRate = 250;
  AppState edited = st;
  edited.iWatchCount = 3, edited.iWatchOutputs = {0, 1, 2};
  edited.iWatchInputs = edited.iWatchOptos = {kNone, kNone, kNone};
  const SetupValues v{"1250", "127.0.0.1", false, 0, "1000", "2000", &edited};
  ASSERT_EQ(ApplySetup(p, v, true), SetupOutcome::kOk);
  EXPECT_EQ(std::tuple(sock.connects, tmrpoll.Enabled(), tmrpoll.Interval(), st.iWaitTicks),
            std::tuple(1, true, 250, 4));
  EXPECT_EQ(events.Seen("rows"), std::vector<std::string>{"rows 3"});
  EXPECT_EQ(rows.Row(2).sOut, "Out 0003");
  EXPECT_NE(folder.Read("vyrntpnl.ini").find("Output 03=3\r\n"), std::string::npos);
}

// Consoles, air chains and optos from the tabs reach the file and read back
// as written; the bus table follows the new consoles at once.
TEST_F(ApplySetupTest, consolesAirChainsAndOptosRoundTripThroughTheFile) {
  Consoles({{0, 19, 19, 30}});  // bus 20 belonged to console 1
  AppState lists = st;
  lists.iWatchCount = 2, lists.iWatchOutputs = {4, 7};
  lists.iWatchInputs = {2, kNone}, lists.iWatchOptos = {kNone, 11};
  const std::vector<ConsoleRecord> consoles = {{0, 9, 11, 40}, {1, 12, 14, 41}};
  const std::vector<AirChainRecord> chains = {{2, 99}, {3, 100}, {5, 101}};
  SetupValues v{"1250", "127.0.0.1", false, 0, "0", "2000", &lists};
  v.consoles = &consoles, v.airChains = &chains;
  ASSERT_EQ(ApplySetup(p, v, false), SetupOutcome::kOk);
  EXPECT_EQ(std::make_tuple(st.iMMAssoc[9], st.iMMAssoc[14], st.iMMAssoc[19]),
            std::make_tuple(int16_t{0}, int16_t{1}, kNone));

  const std::string written = folder.Read("vyrntpnl.ini");
  AppState back;
  ASSERT_TRUE(ReadIniFile(back, p.log, folder.File("vyrntpnl.ini")));
  EXPECT_EQ(std::tie(back.udtConsoles, back.iConsoleCount, back.udtAirChains, back.iAirChainCount),
            std::tie(consoles, st.iConsoleCount, chains, st.iAirChainCount));
  EXPECT_EQ(std::tie(back.iWatchOutputs, back.iWatchOptos, back.iWatchInputs),
            std::tie(lists.iWatchOutputs, lists.iWatchOptos, lists.iWatchInputs));
  back.sAppPath = folder.path();
  ASSERT_TRUE(WriteIniFile(back, p.log));
  EXPECT_EQ(folder.Read("vyrntpnl.ini"), written);

  // Taking every console and chain away leaves no bus owned and no section.
  const std::vector<ConsoleRecord> none;
  const std::vector<AirChainRecord> noChains;
  v.consoles = &none, v.airChains = &noChains, v.editedLists = nullptr;
  ASSERT_EQ(ApplySetup(p, v, false), SetupOutcome::kOk);
  EXPECT_EQ(st.iMMAssoc[9], kNone);
  EXPECT_EQ(folder.Read("vyrntpnl.ini").find("[CONSOLE01]"), std::string::npos);
}

// Ok refuses a console, air chain or opto the switcher (8 inputs, 6 outputs)
// cannot take, naming the row; nothing is applied or written.
TEST_F(ApplySetupTest, refusesChannelsOffTheSwitcherReversedAndOverlappingBusRanges) {
  st.iNumInputs = 8, st.iNumOutputs = 6;
  const ConsoleRecord good{0, 0, 1, 5};
  const struct {
    std::vector<ConsoleRecord> consoles;
    std::vector<AirChainRecord> chains;
    int16_t opto;
    const char *title, *text;
  } cases[] = {
      // clang-format off
      {{good, {6, 2, 3, 1}}, {}, kNone, "Console Error",
       "Console 2: Program output 7 is not on the switcher (outputs 1 to 6)."},
      {{good, {1, 2, 6, 1}}, {}, kNone, "Console Error",
       "Console 2: last mix-minus bus 7 is not on the switcher (buses 1 to 6)."},
      {{good, {1, 2, 3, 9}}, {}, kNone, "Console Error",
       "Console 2: relay 10 is not on the switcher (outputs 1 to 6)."},
      {{good, {1, 4, 3, 1}}, {}, kNone, "Console Error",
       "Console 2: the first mix-minus bus (5) comes after the last (4)."},
      {{good, {1, 3, 4, 1}, {2, 1, 2, 1}}, {}, kNone, "Console Error",
       "Console 3: mix-minus buses 2 to 3 overlap console 1's (1 to 2)."},
      {{good}, {{0, 1}, {6, 1}}, kNone, "Air Chain Error",
       "Air chain 2: Clean output 7 is not on the switcher (outputs 1 to 6)."},
      {{good}, {{0, 8}}, kNone, "Air Chain Error",
       "Air chain 1: tones-and-sounders source 9 is not on the switcher (inputs 1 to 8)."},
      {{good}, {}, 8, "Opto Error",
       "Watched output 2 (output 4): opto 9 is not on the switcher (inputs 1 to 8)."},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    AppState lists = st;
    lists.iWatchCount = 2, lists.iWatchOutputs = {0, 3};
    lists.iWatchInputs = {kNone, kNone}, lists.iWatchOptos = {7, c.opto};
    SetupValues v{"1250", "127.0.0.1", false, 0, "350", "2000", &lists};
    v.consoles = &c.consoles, v.airChains = &c.chains;
    ChannelProblem problem;
    EXPECT_EQ(ApplySetup(p, v, false, &problem), SetupOutcome::kChannelError);
    EXPECT_EQ(problem.title + ": " + problem.text, std::string(c.title) + ": " + c.text);
    EXPECT_EQ(std::tuple(st.iConsoleCount, st.iWaitTime, folder.Read("vyrntpnl.ini")),
              std::tuple(0, 0, ""));
  }
}

}  // namespace
}  // namespace vyr::test
