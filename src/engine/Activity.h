#pragma once
// What the panel did and when, as text: one line per event a person may want
// to read back (the link, rows, Offs and returns, setup changes, the error
// log), time-stamped to the millisecond. The headless program prints these
// lines, the daily activity file keeps them and the window lists them, so
// all three say the same.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/AppState.h"
#include "core/Clock.h"
#include "engine/Panel.h"

namespace vyr {

// Names come from the switcher and the configuration: a control byte (below
// 0x20, or 0x7F) is shown as \xNN, so that nothing a peer sends can start a
// line of its own.
std::string Printable(const std::string& text);

// "09:05:07.250  text": a line as printed, written and listed.
std::string StampedLine(const DateTime& at, const std::string& text);

class ActivityListener {
 public:
  virtual ~ActivityListener() = default;
  // One line: when it happened and what (control bytes already escaped).
  virtual void ActivityLine(const DateTime& at, const std::string& text) = 0;
};

// Turns the panel's events into activity lines for its listeners. Repeats
// that say nothing new are left out: a second "connecting" before the link
// came up, the same connection failure again, a row whose text is as shown.
class Activity final : public PanelEvents {
 public:
  Activity(const AppState& st, const Clock& clock) : st_(st), clock_(clock) {}

  void Add(ActivityListener& listener) { listeners_.push_back(&listener); }
  void Remove(ActivityListener& listener);

  void Connecting(const std::string& host, int32_t port) override;
  void Connected() override;
  void ConnectFailed(const std::string& reason) override;
  void Disconnected(const std::string& reason) override;
  void RowChanged(int16_t row, const StatusRow& content) override;
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
  void Say(const DateTime& at, const std::string& text);
  void Say(const std::string& text) { Say(clock_.Now(), text); }
  std::string OutputName(int64_t output) const;
  // "Out 0002 (2)": the name and the 1-based number of a 0-based channel.
  std::string Output(int16_t output) const;
  std::string Source(int16_t source) const;

  const AppState& st_;
  const Clock& clock_;
  std::vector<ActivityListener*> listeners_;
  std::string where_;  // host:port of the attempt under way
  std::string lastFailure_;
  bool attemptShown_ = false;
  std::map<int16_t, std::string> shown_;  // each row's text as last said
};

}  // namespace vyr
