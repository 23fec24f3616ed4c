#include <gtest/gtest.h>

#include <sstream>

#include "CommandShell.h"
#include "QtTestSupport.h"
#include "SwitcherSim.h"

namespace sim {
namespace {

class CommandShellTest : public ::testing::Test {
 protected:
  CommandShellTest() : sim_(Options()), shell_((test::EnsureApp(), sim_), out_, true) {}

  static SwitcherSim::Options Options() {
    SwitcherSim::Options options;
    options.inputs = 8;
    options.outputs = 4;
    return options;
  }
  const std::vector<Entry>& On(int output) { return sim_.Model().Output(output).entries; }

  SwitcherSim sim_;
  std::ostringstream out_;
  CommandShell shell_;
};

TEST_F(CommandShellTest, channelNumbersAreOneBased) {
  shell_.Execute("route 2 5");
  shell_.Execute("sum 3 1 8");
  shell_.Execute("off 1");
  shell_.Execute("tag 4 2");
  EXPECT_EQ(On(1), std::vector<Entry>({{4, false}}));
  EXPECT_EQ(On(2), std::vector<Entry>({{0, false}, {7, false}}));
  EXPECT_TRUE(On(0).empty());
  EXPECT_EQ(On(3), std::vector<Entry>({{3, false}, {1, true}}));

  out_.str("");
  shell_.Execute("show 2 4 1");
  EXPECT_EQ(out_.str(),
            "2 Out 0002 : 5 Inpt0005\n"
            "4 Out 0004 : 4 Inpt0004 + tag 2 Out 0002\n"
            "1 Out 0001 : Off\n");
}

TEST_F(CommandShellTest, badCommandsChangeNothingAndSaySo) {
  for (const char* bad : {"route 0 1", "route 5 1", "route 1 9", "route 1", "off x", "sum 1 2",
                          "status 1 200", "raw F", "raw zz", "polls maybe", "frobnicate"}) {
    out_.str("");
    shell_.Execute(bad);
    EXPECT_FALSE(out_.str().empty()) << bad;
  }
  for (int o = 0; o < 4; ++o) EXPECT_EQ(On(o), std::vector<Entry>({{o, false}})) << o;
  EXPECT_TRUE(sim_.AnswersPolls());
}

TEST_F(CommandShellTest, sleepAsksForAWaitAndQuitIsSignalled) {
  EXPECT_EQ(shell_.Execute("sleep 250"), 250);
  EXPECT_EQ(shell_.Execute("# a comment"), 0);
  bool quit = false;
  QObject::connect(&shell_, &CommandShell::quitRequested, [&] { quit = true; });
  shell_.Execute("quit");
  EXPECT_TRUE(quit);
  shell_.Execute("polls off");
  EXPECT_FALSE(sim_.AnswersPolls());
}

}  // namespace
}  // namespace sim
