#pragma once
// The running panel: state, error log, socket, timers and status rows wired
// to the event loop. The window and the headless program both sit on it.

#include <string>

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/ErrorLog.h"
#include "engine/StatusRows.h"
#include "engine/Panel.h"
#include "runtime/QtSwitcherSocket.h"
#include "runtime/QtTimer.h"

namespace vyr {

class PanelHost {
 public:
  explicit PanelHost(PanelEvents& events);
  ~PanelHost();
  PanelHost(const PanelHost&) = delete;
  PanelHost& operator=(const PanelHost&) = delete;

  // The start-up path with vyrntpnl.ini and Errorlog.txt in `folder`;
  // returns whether a usable configuration was read.
  bool Start(const std::string& folder);

  AppState& state() { return st_; }
  ErrorLog& log() { return log_; }
  StatusRows& rows() { return rows_; }
  Panel& panel() { return panel_; }
  QtSwitcherSocket& socket() { return socket_; }
  Timer& pollTimer() { return tmrpoll_; }

 private:
  AppState st_;
  SystemClock clock_;
  ErrorLog log_{st_, clock_};
  QtSwitcherSocket socket_;
  QtTimer tmrpoll_;
  QtTimer tmrDecode_;
  StatusRows rows_;
  Panel panel_;
};

}  // namespace vyr
