#pragma once
// A panel on the real event loop with its window, a tray icon that records
// what the window asks of it, and message boxes answered by the test.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedDialogs.h"
#include "SwitcherSim.h"
#include "kit/Panel.h"
#include "runtime/PanelHost.h"
#include "support/TempFolder.h"
#include "ui/TrayIcon.h"
#include "ui/frmMain.h"

// Texts in failures as text, not as arrays of characters.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace vyr::test {

class FakeTray final : public TrayIcon {
 public:
  bool available = true;
  int adds = 0;
  int removes = 0;
  QString tip;
  QIcon icon;
  std::vector<QString> notes;  // notifications shown
  bool IsAvailable() const override { return available; }
  void Add(const QIcon& i, const QString& t, QMenu*) override { ++adds, tip = t, icon = i; }
  void Remove() override { ++removes; }
  void SetLook(const QIcon& i, const QString& t) override { tip = t, icon = i; }
  void Notify(const QString&, const QString& text) override { notes.push_back(text); }
};

template <typename Done>
bool WaitUntil(Done done, int timeoutMs = 3000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done() && !deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

// vyrntpnl.ini watching outputs 1..count (1-based), on 127.0.0.1:port.
inline std::string WatchingIni(int count, int port, const std::string& extra = {}) {
  std::string ini = "[SETUP]\r\nIP Address=127.0.0.1\r\nIP Port=" + std::to_string(port) +
                    "\r\n[CONFIG]\r\nRefresh Rate=100\r\nTime Out=20\r\nWait Time=0\r\n"
                    "Watch Count=" +
                    std::to_string(count) + "\r\n";
  for (int k = 1; k <= count; ++k) {
    const std::string nn = (k < 10 ? "0" : "") + std::to_string(k);
    ini += "Output " + nn + "=" + std::to_string(k) + "\r\nInput " + nn + "=16384\r\nOpto " + nn +
           "=16383\r\n";
  }
  return ini + "Return Source=16383\r\nReturn to Last Source=No\r\nException Count=0\r\n" +
         "Exceptions=\r\nConsole Count=0\r\nAirChain Count=0\r\n" + extra;
}

// A simulated switcher on a free port that leaves the polling to the panel.
inline std::unique_ptr<sim::SwitcherSim> StartSim() {
  sim::SwitcherSim::Options options;
  options.port = 0, options.pollIntervalMs = 0;
  auto s = std::make_unique<sim::SwitcherSim>(options);
  EXPECT_TRUE(s->Listen());
  return s;
}

// A port nothing listens on: connection attempts are refused at once.
inline constexpr int kClosedPort = 1;

class UiTest : public ::testing::Test {
 protected:
  UiTest() : window(std::make_unique<frmMain>(host, dialogs, tray)) { host.AddListener(events); }

  AppState& st() { return host.state(); }
  QLabel* Label(const QString& name) const { return window->findChild<QLabel*>(name); }
  // The link as the engine reports it.
  void LinkUp(bool up) {
    st().bConnected = up;
    if (up)
      host.panel().events.Connected();
    else
      host.panel().events.Disconnected("test");
  }
  std::string LogText() const { return folder.Read("Errorlog.txt"); }

  TempFolder folder;
  kit::RecordingEvents events;
  PanelHost host;
  ScriptedDialogs dialogs;
  FakeTray tray;
  std::unique_ptr<frmMain> window;
};

}  // namespace vyr::test
