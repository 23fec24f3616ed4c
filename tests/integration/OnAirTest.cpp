// Watched outputs are never left Off in silence: drops of the link, lost and
// refused returns, a switcher larger than the panel first assumes.

#include "LoopbackFixture.h"

namespace vyr {
namespace {

using sim::test::Spin;
using sim::test::WaitUntil;
using Routing = sim::SwitcherSim::Routing;

// A return lost on a dying link is sent again on the next; one the switcher
// refuses is sent three times, then alarmed until the output carries again.
TEST_F(Loopback, returnLostOnADyingLinkIsSentAgainAndOneRefusedIsAlarmedAfterThreeSends) {
  Start(0, "Confirm Time=300\r\n");
  ASSERT_TRUE(Handshake());
  sim->SetRouting(Routing::Ignore);
  ASSERT_TRUE(sim->TakeOff(1));
  ASSERT_TRUE(WaitUntil([&] { return Returns().size() == 1; }));
  sim->DropClient();
  sim->SetRouting(Routing::Apply);
  ASSERT_TRUE(WaitUntil([&] { return Carries(1, 1); }, 5000));
  EXPECT_EQ(Returns().size(), 2u);
  EXPECT_TRUE(ShowsGreen(0, "Inpt0002"));
  EXPECT_EQ(LoggedWith("could not be returned"), 0);

  sim->SetRouting(Routing::Refuse);  // and reports the output Off again each time
  ASSERT_TRUE(sim->TakeOff(2));
  ASSERT_TRUE(WaitUntil([&] { return LoggedWith("could not be returned") == 1; }, 5000));
  Spin(1000);
  EXPECT_EQ(Returns().size(), 2u + 3u) << "no loop of returns";
  EXPECT_EQ(LoggedWith("Out 0003 (3) could not be returned to Inpt0003 (3) after 3 sends"), 1);
  EXPECT_EQ(panel->rows().Row(1).sSource, kNotReturnedCaption);
  EXPECT_EQ(events.Seen("return alarmed"),
            std::vector<std::string>{"return alarmed slot 1 out 2 src 2 sends 3"});
  sim->SetRouting(Routing::Apply);
  ASSERT_TRUE(sim->Route(2, 4));
  ASSERT_TRUE(ShowsGreen(1, "Inpt0005"));
  EXPECT_EQ(st().udtReturnWatch[1].state, ReturnCheck::kIdle);
  EXPECT_EQ(
      events.Seen("return confirmed"),
      (std::vector<std::string>{"return confirmed slot 0 out 1", "return confirmed slot 1 out 2"}));
}

TEST_F(Loopback, mapBeforeTheNamesOfALargerSwitcherIsAskedForAgain) {
  Start(0, "Output 02=290\r\n", 300, true);
  sim->Model().Route(289, 5);
  ASSERT_TRUE(Handshake());
  EXPECT_EQ(st().iNumOutputs, 300);
  EXPECT_EQ(st().iReturnSources, (std::vector<int16_t>{1, 5}));
  ASSERT_TRUE(sim->TakeOff(289));
  EXPECT_TRUE(WaitUntil([&] { return Carries(289, 5); }));
}

}  // namespace
}  // namespace vyr
