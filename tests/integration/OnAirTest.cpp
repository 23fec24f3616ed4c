// Watched outputs are never left Off in silence: refused returns, a switcher
// larger than the panel first assumes.

#include "LoopbackFixture.h"

namespace vyr {
namespace {

using sim::test::Spin;
using sim::test::WaitUntil;
using Routing = sim::SwitcherSim::Routing;

// A return the switcher refuses, reporting the output Off again each time,
// is sent three times, not in a loop, and then alarmed.
TEST_F(Loopback, returnRefusedIsSentThreeTimesThenAlarmed) {
  Start(0, "Confirm Time=300\r\n");
  ASSERT_TRUE(Handshake());
  sim->SetRouting(Routing::Refuse);
  ASSERT_TRUE(sim->TakeOff(2));
  ASSERT_TRUE(WaitUntil([&] { return LoggedWith("could not be returned") == 1; }, 5000));
  Spin(1000);
  EXPECT_EQ(Returns().size(), 3u) << "no loop of returns";
  EXPECT_EQ(events.Seen("return alarmed"),
            std::vector<std::string>{"return alarmed slot 1 out 2 src 2 sends 3"});
}

TEST_F(Loopback, mapBeforeTheNamesOfALargerSwitcherIsAskedForAgain) {
  Start(0, "Output 02=290\r\n", 300, true);
  sim->Model().Route(289, 5);
  ASSERT_TRUE(Handshake());
  ASSERT_TRUE(sim->TakeOff(289));
  EXPECT_TRUE(WaitUntil([&] { return Carries(289, 5); }));
}

}  // namespace
}  // namespace vyr
