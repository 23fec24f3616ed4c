#pragma once
// The panel on the real event loop and socket against the switcher simulator
// over loopback TCP: a switcher of 8 inputs with output n on input n, and a
// panel watching outputs 2 and 3 (1-based), its events recorded.

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "QtTestSupport.h"
#include "SwitcherSim.h"
#include "engine/ReturnEngine.h"
#include "kit/Panel.h"
#include "runtime/PanelHost.h"
#include "support/TempFolder.h"

namespace vyr {

class Loopback : public ::testing::Test {
 protected:
  test::TempFolder folder;
  kit::RecordingEvents events;
  std::unique_ptr<sim::SwitcherSim> sim;
  std::unique_ptr<PanelHost> panel;

  void SetUp() override { sim::test::EnsureApp(); }

  // `config` holds [CONFIG] lines that come first, so their keys win over
  // the ones below; `outputs` sizes the switcher.
  void Start(int waitMs = 0, const std::string& config = {}, int outputs = 8,
             bool mapBeforeNames = false) {
    StartSim("127.0.0.1", outputs, mapBeforeNames);
    StartPanel("127.0.0.1", waitMs, config);
  }
  void StartSim(const char* host, int outputs = 8, bool mapBeforeNames = false) {
    sim = std::make_unique<sim::SwitcherSim>(
        sim::SwitcherSim::Options{.host = host,
                                  .port = 0,
                                  .inputs = 8,
                                  .outputs = outputs,
                                  .pollIntervalMs = 0,
                                  .mapBeforeNames = mapBeforeNames});
    ASSERT_TRUE(sim->Listen()) << sim->ListenError().toStdString();
  }
  void StartPanel(const char* host, int waitMs = 0, const std::string& config = {}) {
    folder.Write("vyrntpnl.ini",
                 std::string("[SETUP]\r\nIP Address=") + host +
                     "\r\nIP Port=" + std::to_string(sim->Port()) + "\r\n[CONFIG]\r\n" + config +
                     "Refresh Rate=100\r\nTime Out=20\r\nWait Time=" + std::to_string(waitMs) +
                     "\r\nWatch Count=2\r\nOutput 01=2\r\nInput 01=16384\r\nOutput 02=3\r\n"
                     "Input 02=16384\r\nReturn to Last Source=No\r\nConsole Count=0\r\n"
                     "AirChain Count=0\r\n");
    panel = std::make_unique<PanelHost>();
    panel->AddListener(events);
    ASSERT_TRUE(panel->Start(folder.path()));
  }

  // A panel never started, aimed at 127.0.0.1:port, its log in no file.
  void StartUnconfigured(int port) {
    panel = std::make_unique<PanelHost>();
    panel->AddListener(events);
    panel->log().SetWriteToFile(false);
    st().sIPAddress = "127.0.0.1";
    st().lIPPort = port;
  }

  AppState& st() { return panel->state(); }

  // Connected, names and map taken over.
  bool Handshake(int ms = 5000) {
    return sim::test::WaitUntil([&] { return st().bInfoRequested && st().lInfoRequest == 0; }, ms);
  }

  // Waits until the slot's row shows `source` in green.
  bool ShowsGreen(int slot, const std::string& source) {
    return sim::test::WaitUntil([&] {
      const StatusRow& row = panel->rows().Row(slot);
      return row.sSource == source && row.lColour == kColourGreen;
    });
  }

  // True once output `o` carries input `i` alone in the simulated switcher.
  bool Carries(int o, int i) const {
    const auto& entries = sim->Model().Output(o).entries;
    return entries.size() == 1 && entries[0].source == i && !entries[0].tagged;
  }

  // The returns (mode 4) the simulator received.
  std::vector<sim::Change> Returns() const {
    std::vector<sim::Change> returns;
    for (const sim::Change& c : sim->Changes()) {
      if (c.mode == kModeReturn) returns.push_back(c);
    }
    return returns;
  }
  // The returns the panel reported sent.
  int ReturnsSent() const {
    return static_cast<int>(
        std::count_if(events.changes.begin(), events.changes.end(),
                      [](const kit::Sent& s) { return s.mode == kModeReturn; }));
  }

  // The simulator's end of the link.
  QTcpSocket* SimClient() const {
    for (QTcpSocket* s : sim->findChildren<QTcpSocket*>()) {
      if (s->state() == QAbstractSocket::ConnectedState) return s;
    }
    return nullptr;
  }

  // Error-log lines, from the `from`th on, that hold `text`.
  int LoggedWith(const std::string& text, std::size_t from = 0) const {
    const std::vector<std::string> lines = events.Seen("log: ");
    return static_cast<int>(std::count_if(
        lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())), lines.end(),
        [&](const std::string& l) { return l.find(text) != std::string::npos; }));
  }
};

}  // namespace vyr
