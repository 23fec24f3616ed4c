#pragma once
// What every routine of the link and the engine works with: the one state
// object, the error log, the socket, the two timers, the status rows and a
// listener for what a person may want to see happen.

#include <cstdint>
#include <string>

#include "core/AppState.h"
#include "core/ErrorLog.h"
#include "core/Timer.h"
#include "link/SwitcherSocket.h"

namespace vyr {

class StatusRows;

// Notifications of noteworthy events; every method may be left as it is.
class PanelEvents {
 public:
  virtual ~PanelEvents() = default;
  virtual void Connecting(const std::string& /*host*/, int32_t /*port*/) {}
  virtual void Connected() {}
  virtual void Disconnected() {}
  // A crosspoint change went to the socket (1-based output and source, as
  // passed to SendCrosspointChange, and the frame).
  virtual void CrosspointChangeSent(int16_t /*output*/, int16_t /*source*/, int16_t /*mode*/,
                                    const std::string& /*frame*/) {}
};

struct Panel {
  AppState& st;
  ErrorLog& log;
  SwitcherSocket& scktSwitcher;
  Timer& tmrpoll;
  Timer& tmrDecode;
  StatusRows& rows;
  PanelEvents& events;
};

}  // namespace vyr
