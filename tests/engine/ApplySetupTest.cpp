// The setup dialog's Ok without the dialog: checks in the order the dialog
// reports them, then the values applied, the link remade when it changed,
// the file written and the rows rebuilt.

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
    EXPECT_EQ(ApplySetup(p, v, false), c.outcome);
    const bool applied = c.outcome == O::kOk || c.outcome == O::kWriteError;
    EXPECT_EQ(st.iWaitTime, applied ? 350 : 0);
    EXPECT_EQ(sock.connects, c.connects);
    EXPECT_EQ(tmrpoll.Enabled(), c.connects == 1);
    EXPECT_EQ(folder.Read("vyrntpnl.ini").empty(), c.outcome != O::kOk);
    if (c.outcome != O::kOk) continue;
    EXPECT_EQ(st.sIPAddress, "127.0.0.1");
    EXPECT_EQ(sock.host + ":" + std::to_string(sock.port),
              c.connects ? "127.0.0.1:" + std::string(c.port) : ":0");
    EXPECT_EQ(st.bReturnToSpecific, c.specific);
    EXPECT_EQ(st.iReturnSource, c.specific ? c.item - 1 : kNone);
    EXPECT_EQ(st.iWaitTicks, 4);  // 350 ms of 100 ms ticks
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
  EXPECT_EQ(sock.connects, 1);
  EXPECT_TRUE(tmrpoll.Enabled());
  EXPECT_EQ(tmrpoll.Interval(), 250);
  EXPECT_EQ(st.iWaitTicks, 4);
  EXPECT_EQ(events.Seen("rows"), std::vector<std::string>{"rows 3"});
  EXPECT_EQ(rows.Row(2).sOut, "Out 0003");
  EXPECT_NE(folder.Read("vyrntpnl.ini").find("Output 03=3\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vyr::test
