// The poll timer: reconnecting, polls and information requests, the link
// time-out, the delayed returns and the confirmation of returns sent.

#include "core/Checked.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"
#include "engine/TCPComm.h"
#include "link/Messages.h"

namespace vyr {

namespace {

// The output still shows nothing at all, so a delayed return is still due.
bool StillOff(const AppState& st, int16_t output) {
  const XptRecord* r = MapEntry(st, output);
  return r && r->bySrcCount == 0 && r->iTagCount == 0;
}

void RunCountdowns(Panel& p) {
  AppState& st = p.st;
  for (int16_t w = 0; w < st.iWatchCount; ++w) {
    int16_t& delay = At(st.iReturnDelays, w);
    const int16_t output = At(st.iWatchOutputs, w);
    if (delay == 1) {
      p.rows.SetCountdown(w, {});
      if (StillOff(st, output)) SendReturn(p, w, output);
      st.iPendingReturns = Sub16(st.iPendingReturns, 1);
      delay = 0;
    } else if (delay > 1) {
      delay = Sub16(delay, 1);
      p.rows.SetCountdown(w, StillOff(st, output) ? CountdownText(st, delay) : std::string());
    }
  }
}

}  // namespace

void tmrpoll_Timer(Panel& p) {
  Trap(p.log, "Error Sending Poll Timer", "Timer Error", [&] {
    AppState& st = p.st;
    if (!st.bConnected) {
      ConnectToServer(p);
      return;
    }
    st.iPollTick = Add16(st.iPollTick, 1);
    if (st.iPollTick >= st.iPollTicks) {
      if (st.iRefreshRate == 0) Raise(kErrDivByZero);
      if (static_cast<double>(st.iTimeOut) / st.iRefreshRate < st.iMissedPolls) {
        st.iMissedPolls = 0;
        DisconnectFromServer(p, "the Server Module stopped answering polls");
        return;
      }
      if (st.lInfoRequest == 0 && st.lInfoRequest2 == 0) {
        SendToSwitcher(p, "\xF5");
      } else {
        SendInfoRequest(p, st.lInfoRequest, st.lInfoRequest2);
      }
      st.iMissedPolls = Add16(st.iMissedPolls, 1);
      st.iPollTick = 0;
    }
    RunConfirmations(p);
    if (st.iPendingReturns >= 1) RunCountdowns(p);
    st.lPollCount = Add32(st.lPollCount, 1);
    p.rows.SetPollCaption(std::to_string(st.lPollCount));
  });
}

void SendInfoRequest(Panel& p, int32_t& L1, int32_t& L2) {
  Trap(p.log, "Error Sending Info Request", "Message Error", [&] {
    SendToSwitcher(p, BuildInfoRequest(L1, L2));
    p.st.lInfoRequest = L1;
    p.st.lInfoRequest2 = L2;
  });
}

}  // namespace vyr
