// A return and what follows it: the Off seen on a watched output starts it,
// a map showing an entry on the output confirms it, and a return that never
// shows is sent again and then raised as an alarm, so that no watched output
// stays Off without a word.

#include <cmath>

#include "core/Checked.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"

namespace vyr {

namespace {

std::string Numbered(const std::vector<std::string>& names, int16_t channel) {
  const std::string number = std::to_string(channel + 1);
  const std::string* name = Find(names, channel);
  return name ? *name + " (" + number + ")" : number;
}

// Poll ticks a return may take to show on the output; at least one.
int16_t ConfirmTicks(const AppState& st) {
  const double ticks = std::ceil(static_cast<double>(st.lConfirmTime) / st.iRefreshRate);
  return ticks < 1 ? int16_t{1} : CInt(ticks);
}

void Send(Panel& p, int16_t slot, int16_t output, int16_t source, int16_t sends) {
  AppState& st = p.st;
  SendCrosspointChange(p, Add16(output, 1), Add16(source, 1), kModeReturn);
  p.events.ReturnSent(slot, output, source, sends);
  if (st.lConfirmTime <= 0) return;
  WatchOf(st, slot) = {ReturnCheck::kAwaiting, sends, ConfirmTicks(st), source, st.lLinkCount};
}

void RaiseAlarm(Panel& p, int16_t slot, ReturnWatch& w) {
  AppState& st = p.st;
  w.state = ReturnCheck::kAlarm;
  const int16_t output = At(st.iWatchOutputs, slot);
  ShowOff(p, slot);
  p.log.WriteErrorLog(Numbered(st.sOutputNames, output) + " could not be returned to " +
                          Numbered(st.sInputNames, w.iSource) + " after " +
                          std::to_string(w.iSends) + " sends",
                      "Return Alarm");
  p.events.ReturnAlarmed(slot, output, w.iSource, w.iSends);
}

}  // namespace

ReturnWatch& WatchOf(AppState& st, int64_t slot) {
  // Tables sized before confirmation existed grow with the watch list.
  if (slot >= 0 && static_cast<uint64_t>(slot) >= st.udtReturnWatch.size() &&
      slot < st.iWatchCount) {
    st.udtReturnWatch.resize(static_cast<std::size_t>(st.iWatchCount));
  }
  return At(st.udtReturnWatch, slot);
}

bool NoReturnTarget(const AppState& st) {
  return st.bReturnToSpecific && st.iReturnSource == kNone;
}

std::string OffCaption(AppState& st, int64_t slot) {
  if (WatchOf(st, slot).state == ReturnCheck::kAlarm) return kNotReturnedCaption;
  return NoReturnTarget(st) ? kNoReturnSourceCaption : kOffCaption;
}

void ShowOff(Panel& p, int16_t slot) {
  const std::string caption = OffCaption(p.st, slot);
  p.rows.SetSource(slot, caption, kColourRed,
                   caption == kOffCaption ? RowMark::kPlain : RowMark::kAlarm);
}

std::string CountdownText(const AppState& st, int16_t ticks) {
  // Rounded up, so that a return still to come never shows 0.0.
  const int64_t tenths = (static_cast<int64_t>(ticks) * st.iRefreshRate + 99) / 100;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

void ReturnOffOutput(Panel& p, int16_t slot, int16_t output) {
  AppState& st = p.st;
  ReturnWatch& w = WatchOf(st, slot);
  p.events.OffSeen(slot, output);
  ShowOff(p, slot);
  if (st.lConfirmTime > 0 && w.state != ReturnCheck::kIdle) {
    // Sent on a link that has since dropped and still Off: the change may
    // never have arrived, so it goes again with a fresh count. Otherwise the
    // confirmation timer alone sends, so that a switcher that refuses cannot
    // draw a loop of returns.
    if (w.state == ReturnCheck::kAwaiting && w.lLink != st.lLinkCount) {
      Send(p, slot, output, w.iSource, 1);
    }
    return;
  }
  if (NoReturnTarget(st)) {
    p.log.WriteErrorLog(Numbered(st.sOutputNames, output) +
                            " is Off and has no return source (Return to Specific Source "
                            "with the source Undefined)",
                        "Return Error");
    return;
  }
  if (At(st.iReturnSources, slot) == kNone) return;
  if (st.iWaitTicks > 0) {
    // A running countdown restarts; it is counted once.
    if (At(st.iReturnDelays, slot) == 0) st.iPendingReturns = Add16(st.iPendingReturns, 1);
    At(st.iReturnDelays, slot) = Add16(st.iWaitTicks, 1);
    p.rows.SetCountdown(slot, CountdownText(st, At(st.iReturnDelays, slot)));
    p.events.ReturnScheduled(slot, output, ReturnSourceOf(st, slot), At(st.iReturnDelays, slot));
    return;
  }
  SendReturn(p, slot, output);
}

void SendReturn(Panel& p, int16_t slot, int16_t output) {
  const int16_t source = ReturnSourceOf(p.st, slot);
  if (source == kNone) return;  // nothing a switcher could honour
  Send(p, slot, output, source, 1);
}

void ConfirmReturn(Panel& p, int16_t slot) {
  ReturnWatch& w = WatchOf(p.st, slot);
  if (w.state == ReturnCheck::kIdle) return;
  w.state = ReturnCheck::kIdle;
  p.events.ReturnConfirmed(slot, At(p.st.iWatchOutputs, slot));
}

void RunConfirmations(Panel& p) {
  AppState& st = p.st;
  if (st.lConfirmTime <= 0) return;
  for (int16_t slot = 0; slot < st.iWatchCount; ++slot) {
    ReturnWatch& w = WatchOf(st, slot);
    // A return sent on an earlier link waits for the first map of this one.
    if (w.state != ReturnCheck::kAwaiting || w.lLink != st.lLinkCount) continue;
    if (--w.iTicksLeft > 0) continue;
    if (w.iSends >= kMaxReturnSends) {
      RaiseAlarm(p, slot, w);
      continue;
    }
    Send(p, slot, At(st.iWatchOutputs, slot), w.iSource, Add16(w.iSends, 1));
  }
}

}  // namespace vyr
