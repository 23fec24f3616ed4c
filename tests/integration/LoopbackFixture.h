#pragma once
// The panel on the real event loop and socket against the switcher simulator
// over loopback TCP: a switcher of 8 inputs and outputs with output n on
// input n, and a panel watching outputs 2 and 3 (1-based).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "QtTestSupport.h"
#include "SwitcherSim.h"
#include "engine/ReturnEngine.h"
#include "runtime/PanelHost.h"
#include "support/TempFolder.h"

namespace vyr {

class Counting final : public PanelEvents {
 public:
  int connected = 0, disconnected = 0;
  void Connected() override { ++connected; }
  void Disconnected() override { ++disconnected; }
};

class Loopback : public ::testing::Test {
 protected:
  test::TempFolder folder;
  Counting events;
  std::unique_ptr<sim::SwitcherSim> sim;
  std::unique_ptr<PanelHost> panel;
  std::vector<std::string> logged;

  void SetUp() override { sim::test::EnsureApp(); }

  // `config` holds [CONFIG] lines that come first, so their keys win over
  // the ones below; `outputs` sizes the switcher.
  void Start(int waitMs = 0, const std::string& config = {}, int outputs = 8,
             bool mapBeforeNames = false) {
    sim::SwitcherSim::Options options;
    options.port = 0;
    options.inputs = 8;
    options.outputs = outputs;
    options.pollIntervalMs = 0;
    options.mapBeforeNames = mapBeforeNames;
    sim = std::make_unique<sim::SwitcherSim>(options);
    ASSERT_TRUE(sim->Listen()) << sim->ListenError().toStdString();
    folder.Write("vyrntpnl.ini",
                 "[SETUP]\r\nIP Address=127.0.0.1\r\nIP Port=" + std::to_string(sim->Port()) +
                     "\r\n[CONFIG]\r\n" + config +
                     "Refresh Rate=100\r\nTime Out=20\r\nWait Time=" + std::to_string(waitMs) +
                     "\r\nWatch Count=2\r\nOutput 01=2\r\nInput 01=16384\r\nOutput 02=3\r\n"
                     "Input 02=16384\r\nReturn to Last Source=No\r\nConsole Count=0\r\n"
                     "AirChain Count=0\r\n");
    panel = std::make_unique<PanelHost>(events);
    panel->log().SetEcho([this](const std::string& line) { logged.push_back(line); });
    ASSERT_TRUE(panel->Start(folder.path()));
  }

  AppState& st() { return panel->state(); }

  // The returns (mode 4) the simulator received.
  std::vector<sim::Change> Returns() const {
    std::vector<sim::Change> returns;
    for (const sim::Change& c : sim->Changes()) {
      if (c.mode == kModeReturn) returns.push_back(c);
    }
    return returns;
  }

  // Connected, names and map taken over.
  void Handshake() {
    ASSERT_TRUE(
        sim::test::WaitUntil([&] { return st().bInfoRequested && st().lInfoRequest == 0; }, 5000))
        << "info request flags " << st().lInfoRequest;
  }

  int LoggedWith(const std::string& text) const {
    int n = 0;
    for (const std::string& line : logged) n += line.find(text) != std::string::npos ? 1 : 0;
    return n;
  }
};

}  // namespace vyr
