#include <gtest/gtest.h>

#include <sstream>

#include "CommandShell.h"
#include "QtTestSupport.h"
#include "SwitcherSim.h"

namespace sim {
namespace {

// Eight inputs, four outputs, output i on input i.
struct CommandShellTest : ::testing::Test {
  SwitcherSim sim{[] {
    test::EnsureApp();
    return SwitcherSim::Options{.inputs = 8, .outputs = 4};
  }()};
  std::ostringstream out;
  CommandShell shell{sim, out, true};
  const std::vector<Entry>& On(int output) { return sim.Model().Output(output).entries; }
};

TEST_F(CommandShellTest, badCommandsChangeNothingAndSaySoAndGoodOnesActOnOneBasedChannels) {
  for (const char* bad : {"route 0 1", "route 5 1", "route 1 9", "route 1", "off x", "sum 1 2",
                          "status 1 200", "raw F", "raw zz", "polls maybe", "frobnicate"}) {
    out.str("");
    shell.Execute(bad);
    EXPECT_FALSE(out.str().empty()) << bad;
  }
  for (int o = 0; o < 4; ++o) EXPECT_EQ(On(o), std::vector<Entry>({{o, false}})) << o;
  EXPECT_TRUE(sim.AnswersPolls());

  // Channel numbers are one-based; control commands act.
  out.str("");
  for (const char* line : {"route 2 5", "sum 3 1 8", "off 1", "tag 4 2", "show 2 4 1"})
    EXPECT_EQ(shell.Execute(line), 0) << line;
  EXPECT_EQ(On(1), std::vector<Entry>({{4, false}}));
  EXPECT_EQ(On(2), std::vector<Entry>({{0, false}, {7, false}}));
  EXPECT_TRUE(On(0).empty());
  EXPECT_EQ(On(3), std::vector<Entry>({{3, false}, {1, true}}));
  EXPECT_EQ(out.str(),
            "2 Out 0002 : 5 Inpt0005\n"
            "4 Out 0004 : 4 Inpt0004 + tag 2 Out 0002\n"
            "1 Out 0001 : Off\n");

  EXPECT_EQ(shell.Execute("sleep 250"), 250);
  EXPECT_EQ(shell.Execute("# a comment"), 0);
  bool quit = false;
  QObject::connect(&shell, &CommandShell::quitRequested, [&] { quit = true; });
  shell.Execute("quit");
  EXPECT_TRUE(quit);
  shell.Execute("polls off");
  EXPECT_FALSE(sim.AnswersPolls());
}

}  // namespace
}  // namespace sim
