#pragma once
// What every routine of the engine works with: the one state object, the
// error log, the socket, the two timers, the status rows and the one stream
// of events for what a person may want to see happen.

#include <cstdint>
#include <string>

#include "core/AppState.h"
#include "core/ErrorLog.h"
#include "core/Timer.h"
#include "link/SwitcherSocket.h"

namespace vyr {

class StatusRows;
struct StatusRow;

// Everything the panel does that a front end shows, prints or records. Each
// event carries what happened; every method may be left as it is. Outputs,
// sources and slots are 0-based as the tables hold them, except where said.
class PanelEvents {
 public:
  virtual ~PanelEvents() = default;

  // The link: an attempt starts, it connects, it ends without a connection,
  // or a connection is lost or closed.
  virtual void Connecting(const std::string& /*host*/, int32_t /*port*/) {}
  virtual void Connected() {}
  virtual void ConnectFailed(const std::string& /*reason*/) {}
  virtual void Disconnected(const std::string& /*reason*/) {}

  // The status board: a row's new content, the rows made anew (their
  // count), the poll counter's caption.
  virtual void RowChanged(int16_t /*row*/, const StatusRow& /*content*/) {}
  virtual void RowsRebuilt(int16_t /*count*/) {}
  virtual void PollChanged(const std::string& /*caption*/) {}

  // A watched output (its slot, and the output) was seen Off.
  virtual void OffSeen(int16_t /*slot*/, int16_t /*output*/) {}

  // Returns: one waits `ticks` poll ticks before it goes, goes (`sends` of
  // it so far), shows on the output, or never showed and is raised as an
  // alarm.
  virtual void ReturnScheduled(int16_t /*slot*/, int16_t /*output*/, int16_t /*source*/,
                               int16_t /*ticks*/) {}
  virtual void ReturnSent(int16_t /*slot*/, int16_t /*output*/, int16_t /*source*/,
                          int16_t /*sends*/) {}
  virtual void ReturnConfirmed(int16_t /*slot*/, int16_t /*output*/) {}
  virtual void ReturnAlarmed(int16_t /*slot*/, int16_t /*output*/, int16_t /*source*/,
                             int16_t /*sends*/) {}

  // A crosspoint change went to the socket (1-based output and source, as
  // passed to SendCrosspointChange, and the frame).
  virtual void CrosspointChangeSent(int16_t /*output*/, int16_t /*source*/, int16_t /*mode*/,
                                    const std::string& /*frame*/) {}

  // The setup dialog's values were taken and written.
  virtual void SetupChanged() {}

  // A line the error log wrote (or would have written).
  virtual void ErrorLogLine(const std::string& /*line*/) {}
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
