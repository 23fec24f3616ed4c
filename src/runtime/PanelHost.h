#pragma once
// The running panel: state, error log, socket, timers and status rows wired
// to the event loop, and the start-up path. The window, the headless program
// and tests sit on it as listeners of its one stream of events.

#include <string>
#include <vector>

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/ErrorLog.h"
#include "engine/Activity.h"
#include "engine/ActivityFile.h"
#include "engine/Panel.h"
#include "engine/StatusRows.h"
#include "runtime/QtSwitcherSocket.h"
#include "runtime/QtTimer.h"

namespace vyr {

// Hands every event to each listener in the order they were added. A
// listener may remove itself, or another, while an event is delivered.
class EventFanout final : public PanelEvents {
 public:
  void Add(PanelEvents& listener) { listeners_.push_back(&listener); }
  void Remove(PanelEvents& listener);

  void Connecting(const std::string& host, int32_t port) override;
  void Connected() override;
  void ConnectFailed(const std::string& reason) override;
  void Disconnected(const std::string& reason) override;
  void RowChanged(int16_t row, const StatusRow& content) override;
  void RowsRebuilt(int16_t count) override;
  void PollChanged(const std::string& caption) override;
  void OffSeen(int16_t slot, int16_t output) override;
  void ReturnScheduled(int16_t slot, int16_t output, int16_t source, int16_t ticks) override;
  void ReturnSent(int16_t slot, int16_t output, int16_t source, int16_t sends) override;
  void ReturnConfirmed(int16_t slot, int16_t output) override;
  void ReturnAlarmed(int16_t slot, int16_t output, int16_t source, int16_t sends) override;
  void CrosspointChangeSent(int16_t output, int16_t source, int16_t mode,
                            const std::string& frame) override;
  void SetupChanged() override;
  void ErrorLogLine(const std::string& line) override;

 private:
  template <class Call>
  void Each(Call&& call);

  std::vector<PanelEvents*> listeners_;
  int depth_ = 0;  // deliveries under way: removal only marks the place
};

class PanelHost {
 public:
  PanelHost();
  ~PanelHost();
  PanelHost(const PanelHost&) = delete;
  PanelHost& operator=(const PanelHost&) = delete;

  void AddListener(PanelEvents& listener) { events_.Add(listener); }
  void RemoveListener(PanelEvents& listener) { events_.Remove(listener); }

  // The panel's events as lines of text, already written to the day's
  // activity file from Start on: the window and the headless program listen.
  Activity& activity() { return activity_; }

  // Start-up with vyrntpnl.ini and Errorlog.txt in `folder`: the defaults,
  // the file, the poll interval, the bus table, then (with a usable
  // configuration) the first connection attempt, the poll timer and one row
  // per watched output. Returns whether a usable configuration was read.
  bool Start(const std::string& folder);

  AppState& state() { return st_; }
  ErrorLog& log() { return log_; }
  StatusRows& rows() { return rows_; }
  Panel& panel() { return panel_; }
  Timer& pollTimer() { return tmrpoll_; }

 private:
  EventFanout events_;
  AppState st_;
  SystemClock clock_;
  ErrorLog log_{st_.sAppPath, clock_};
  QtSwitcherSocket socket_;
  QtTimer tmrpoll_;
  QtTimer tmrDecode_;
  StatusRows rows_;
  Panel panel_;
  Activity activity_{st_, clock_};
  ActivityFile activityFile_{st_.sAppPath, clock_, log_};
};

}  // namespace vyr
