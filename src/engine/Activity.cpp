#include "engine/Activity.h"

#include <algorithm>
#include <cstdio>

#include "core/Checked.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"
#include "link/Wire.h"

namespace vyr {

namespace {

constexpr int64_t kMsPerDay = 86400000;

const char* StateWord(int32_t colour) {
  if (colour == kColourRed) return "OFF";
  if (colour == kColourGreen) return "watched";
  if (colour == kColourGrey) return "not on switcher";
  return "exception";
}

std::string Named(const std::vector<std::string>& names, int16_t channel) {
  const std::string number = std::to_string(channel + 1);
  const std::string* padded = Find(names, channel);
  if (!padded) return number;
  // Switchers pad names to their width; the padding would only push the
  // number away.
  std::string name = *padded;
  name.erase(name.find_last_not_of(' ') + 1);
  return name + " (" + number + ")";
}

// The time of day `ms` milliseconds after `at` (across midnight too).
DateTime Later(DateTime at, int64_t ms) {
  int64_t of = ((at.hour * 60LL + at.minute) * 60 + at.second) * 1000 + at.millisecond + ms;
  of = ((of % kMsPerDay) + kMsPerDay) % kMsPerDay;
  at.millisecond = static_cast<int>(of % 1000);
  at.second = static_cast<int>(of / 1000 % 60);
  at.minute = static_cast<int>(of / 60000 % 60);
  at.hour = static_cast<int>(of / 3600000);
  return at;
}

}  // namespace

std::string Printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      out += c;
      continue;
    }
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
    out += escaped;
  }
  return out;
}

std::string StampedLine(const DateTime& at, const std::string& text) {
  return FormatClockTime(at) + "  " + text;
}

void Activity::Remove(ActivityListener& listener) { std::erase(listeners_, &listener); }

void Activity::Say(const DateTime& at, const std::string& text) {
  const std::string line = Printable(text);
  // By index: a listener that leaves meanwhile ends the loop early, safely.
  for (std::size_t i = 0; i < listeners_.size(); ++i) listeners_[i]->ActivityLine(at, line);
}

std::string Activity::OutputName(int64_t output) const {
  const std::string* name = Find(st_.sOutputNames, output);
  return name ? *name : "?";
}

std::string Activity::Output(int16_t output) const { return Named(st_.sOutputNames, output); }
std::string Activity::Source(int16_t source) const { return Named(st_.sInputNames, source); }

void Activity::Connecting(const std::string& host, int32_t port) {
  where_ = host + ":" + std::to_string(port);
  if (!attemptShown_) Say("connecting to " + where_);
  attemptShown_ = true;
}

void Activity::ConnectFailed(const std::string& reason) {
  if (reason != lastFailure_) Say("cannot connect to " + where_ + ": " + reason + " (retrying)");
  lastFailure_ = reason;
}

void Activity::Connected() {
  Say("connected to " + where_);
  lastFailure_.clear();
}

void Activity::Disconnected(const std::string& reason) {
  Say("disconnected from " + where_ + (reason.empty() ? "" : ": " + reason));
  attemptShown_ = false;
}

void Activity::RowChanged(int16_t row, const StatusRow& r) {
  if (r.sSource == " ") return;  // not shown yet
  const std::string text = r.sOut + " <- " + r.sSource + "  (" + StateWord(r.lColour) + ")";
  if (shown_[row] == text) return;  // a tool tip or the name alone changed
  shown_[row] = text;
  Say("row " + std::to_string(row + 1) + ": " + text);
}

void Activity::OffSeen(int16_t /*slot*/, int16_t output) { Say("Off seen on " + Output(output)); }

void Activity::ReturnScheduled(int16_t /*slot*/, int16_t output, int16_t source, int16_t ticks) {
  const DateTime now = clock_.Now();
  const DateTime due = Later(now, static_cast<int64_t>(ticks) * st_.iRefreshRate);
  Say(now, "return scheduled: " + Output(output) + " to " + Source(source) + ", due by " +
               FormatClockTime(due));
}

void Activity::ReturnSent(int16_t /*slot*/, int16_t output, int16_t source, int16_t sends) {
  std::string what = sends > 1 ? "return not confirmed, sent again: " : "return sent: ";
  what += Output(output) + " to " + Source(source);
  if (st_.lConfirmTime > 0) {
    what += ", send " + std::to_string(sends) + " of " + std::to_string(kMaxReturnSends);
  }
  Say(what);
}

void Activity::ReturnConfirmed(int16_t /*slot*/, int16_t output) {
  Say("return confirmed: " + Output(output));
}

void Activity::ReturnAlarmed(int16_t /*slot*/, int16_t output, int16_t source, int16_t sends) {
  Say("return not confirmed: " + Output(output) + " to " + Source(source) + " after " +
      std::to_string(sends) + " sends; alarm raised");
}

void Activity::CrosspointChangeSent(int16_t output, int16_t source, int16_t mode,
                                    const std::string& frame) {
  char text[96];
  std::snprintf(text, sizeof text, "sent crosspoint change: output %d, source %d, mode 0x%02X",
                output, source, static_cast<unsigned>(mode));
  std::string what = text;
  if (mode == kModeReturn) what += " (return " + OutputName(output - 1) + ")";
  Say(what + "  [" + wire::Hex(frame) + "]");
}

void Activity::SetupChanged() {
  const std::string rule = st_.bReturnToSpecific
                               ? "Return to Specific Source " + Source(st_.iReturnSource)
                               : std::string("Return to Last Source");
  const int16_t watched = st_.iWatchCount;
  Say("setup changed: " + st_.sIPAddress + ":" + std::to_string(st_.lIPPort) + ", watching " +
      std::to_string(watched) + (watched == 1 ? " output, " : " outputs, ") + rule + ", delay " +
      std::to_string(st_.iWaitTime) + " ms, confirm " + std::to_string(st_.lConfirmTime) + " ms");
}

void Activity::ErrorLogLine(const std::string& line) { Say("error log: " + line); }

}  // namespace vyr
