#include "runtime/PanelHost.h"

#include <algorithm>

#include "config/IniFile.h"
#include "core/InitProgram.h"
#include "engine/ReturnEngine.h"
#include "engine/TCPComm.h"

namespace vyr {

void EventFanout::Remove(PanelEvents& listener) {
  const auto at = std::find(listeners_.begin(), listeners_.end(), &listener);
  if (at == listeners_.end()) return;
  if (depth_ > 0) {
    *at = nullptr;  // erased once the delivery is over
  } else {
    listeners_.erase(at);
  }
}

template <class Call>
void EventFanout::Each(Call&& call) {
  ++depth_;
  // By index: a listener added meanwhile hears the next event, not this one.
  const std::size_t count = listeners_.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (listeners_[i] != nullptr) call(*listeners_[i]);
  }
  if (--depth_ == 0) std::erase(listeners_, nullptr);
}

void EventFanout::Connecting(const std::string& host, int32_t port) {
  Each([&](PanelEvents& l) { l.Connecting(host, port); });
}
void EventFanout::Connected() {
  Each([&](PanelEvents& l) { l.Connected(); });
}
void EventFanout::ConnectFailed(const std::string& reason) {
  Each([&](PanelEvents& l) { l.ConnectFailed(reason); });
}
void EventFanout::Disconnected(const std::string& reason) {
  Each([&](PanelEvents& l) { l.Disconnected(reason); });
}
void EventFanout::RowChanged(int16_t row, const StatusRow& content) {
  Each([&](PanelEvents& l) { l.RowChanged(row, content); });
}
void EventFanout::RowsRebuilt(int16_t count) {
  Each([&](PanelEvents& l) { l.RowsRebuilt(count); });
}
void EventFanout::PollChanged(const std::string& caption) {
  Each([&](PanelEvents& l) { l.PollChanged(caption); });
}
void EventFanout::OffSeen(int16_t slot, int16_t output) {
  Each([&](PanelEvents& l) { l.OffSeen(slot, output); });
}
void EventFanout::ReturnScheduled(int16_t slot, int16_t output, int16_t source, int16_t ticks) {
  Each([&](PanelEvents& l) { l.ReturnScheduled(slot, output, source, ticks); });
}
void EventFanout::ReturnSent(int16_t slot, int16_t output, int16_t source, int16_t sends) {
  Each([&](PanelEvents& l) { l.ReturnSent(slot, output, source, sends); });
}
void EventFanout::ReturnConfirmed(int16_t slot, int16_t output) {
  Each([&](PanelEvents& l) { l.ReturnConfirmed(slot, output); });
}
void EventFanout::ReturnAlarmed(int16_t slot, int16_t output, int16_t source, int16_t sends) {
  Each([&](PanelEvents& l) { l.ReturnAlarmed(slot, output, source, sends); });
}
void EventFanout::CrosspointChangeSent(int16_t output, int16_t source, int16_t mode,
                                       const std::string& frame) {
  Each([&](PanelEvents& l) { l.CrosspointChangeSent(output, source, mode, frame); });
}
void EventFanout::SetupChanged() {
  Each([](PanelEvents& l) { l.SetupChanged(); });
}
void EventFanout::ErrorLogLine(const std::string& line) {
  Each([&](PanelEvents& l) { l.ErrorLogLine(line); });
}

PanelHost::PanelHost()
    : tmrpoll_([this] {
        tmrpoll_Timer(panel_);
        log_.Tick();           // a minute of repeated error lines ends even when no line follows
        activityFile_.Tick();  // so does a day
      }),
      tmrDecode_([this] {
        // A batch of messages sends its returns together at its end.
        socket_.Hold(true);
        tmrDecode_Timer(panel_);
        socket_.Hold(false);
      }),
      panel_{st_, log_, socket_, tmrpoll_, tmrDecode_, rows_, events_} {
  // Messages waiting in the buffer are worked off one per pass of the event
  // loop, so each is handled as soon as the loop is free.
  tmrDecode_.SetInterval(0);
  rows_.SetEvents(&events_);
  events_.Add(activity_);
  activity_.Add(activityFile_);
  log_.SetEcho([this](const std::string& line) { events_.ErrorLogLine(line); });
  socket_.onConnected = [this] { scktSwitcher_Connect(panel_); };
  socket_.onDataArrived = [this] { scktSwitcher_Read(panel_); };
  socket_.onClosedByPeer = [this] { scktSwitcher_Disconnect(panel_, socket_.ErrorText()); };
  socket_.onConnectFailed = [this](const std::string& why) { events_.ConnectFailed(why); };
}

PanelHost::~PanelHost() {
  // The activity goes before the socket, whose closing may raise events.
  events_.Remove(activity_);
  // A count of repeated error lines still open goes to the file; whoever
  // listened may be gone already.
  log_.SetEcho(nullptr);
  log_.EndRepeats();
}

bool PanelHost::Start(const std::string& folder) {
  bool configured = false;
  Trap(log_, "Error Loading Form", "Program Error", [&] {
    InitProgram(st_, folder, tmrpoll_, log_);
    activityFile_.Start();
    configured = ReadIniFile(st_, log_);
    tmrpoll_.SetInterval(st_.iRefreshRate);
    // The consoles are known now: map their buses before any map arrives.
    SetupMMAssoc(panel_);
    if (!configured) return;
    ConnectToServer(panel_);
    tmrpoll_.SetEnabled(true);
    rows_.MatchWatchList(st_, log_);
  });
  return configured;
}

}  // namespace vyr
