// What the soak expects and counts: the panel's output lines, the returns
// that reach the simulator against the Offs that asked for them, the panel's
// return source for each watched output, its memory and error-log lines, and
// the goals the run must meet.

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <fstream>

#include "Soak.h"

namespace soak {

namespace {

// An error-log message with its numbers taken out, so that lines of one
// kind count together.
std::string KindOf(const std::string& message) {
  static const QRegularExpression digits(QStringLiteral("[0-9]+"));
  QString text = QString::fromStdString(message).trimmed();
  text.replace(digits, QStringLiteral("N"));
  return text.toStdString();
}

}  // namespace

void Soak::OnPanelLine(const QString& line) {
  // "HH:mm:ss.zzz  text"
  const QString text = line.size() > 14 ? line.mid(14) : line;
  if (text.startsWith(QLatin1String("connected to "))) {
    ++tally_.connects;
    panelConnected_ = true;
  } else if (text.startsWith(QLatin1String("disconnected from "))) {
    ++tally_.disconnects;
    panelConnected_ = false;
    if (!expectDrop_) {
      ++tally_.unexpectedDisconnects;
      if (notes_.size() < 40) {
        notes_.push_back("unexpected disconnect in cycle " + std::to_string(cycle_) + " at " +
                         line.left(12).toStdString());
      }
    }
  } else if (text.startsWith(QLatin1String("error log: "))) {
    ++tally_.errorLines;
    ++tally_.errorsByPhase[PhaseName()];
    const std::string logLine = text.mid(11).toStdString();
    const std::string message = logLine.size() > 60 ? logLine.substr(60) : logLine;
    ++tally_.errorKinds[KindOf(message)];
  } else if (text.startsWith(QLatin1String("sent crosspoint change:")) &&
             text.contains(QLatin1String("mode 0x04"))) {
    ++tally_.returnsSent;
  }
}

void Soak::OnChange(const sim::Change& change) {
  if (change.mode != sim::kModeTake) return;  // relay and opto commands
  // The simulator reports the output as it now stands; the panel learns its
  // return source from that report like from any other.
  if (change.applied && phase_ != Phase::Garbage) ShadowOneOutput(change.output);
  auto it = pending_.find(change.output);
  if (it != pending_.end() && !it->second.empty()) {
    const PendingOff off = it->second.front();
    it->second.pop_front();
    if (off.silent) {
      ++tally_.silentReturned;
    } else {
      ++tally_.returned;
    }
    if (change.source != off.expected) {
      ++tally_.wrongSource;
      if (notes_.size() < 40) {
        notes_.push_back("output " + std::to_string(off.output + 1) + " returned to input " +
                         std::to_string(change.source + 1) + ", expected " +
                         std::to_string(off.expected + 1) + " (cycle " + std::to_string(off.cycle) +
                         ")");
      }
    }
    return;
  }
  const auto later = afterLink_.find(change.output);
  if (later != afterLink_.end()) {
    afterLink_.erase(later);
    return;
  }
  // Random frames in the garbage phase may show a watched output Off; the
  // panel's answer to those is expected. Anywhere else a return is unasked.
  if (phase_ == Phase::Normal) {
    ++tally_.unexpectedReturns;
    if (notes_.size() < 40) {
      notes_.push_back("unasked return of output " + std::to_string(change.output + 1) +
                       " to input " + std::to_string(change.source + 1) + " in cycle " +
                       std::to_string(cycle_));
    }
  }
}

void Soak::OnInfoRequest() { ++infoRequests_; }

void Soak::NoteOff(int output) {
  const auto slot = slotOf_.find(output);
  if (slot == slotOf_.end()) return;
  const int expected = shadow_[static_cast<size_t>(slot->second)];
  if (expected < 0) return;  // the panel has no source to return it to
  if (phase_ == Phase::Deaf || phase_ == Phase::Stall) {
    ++tally_.deafOffs;
    deafOutputs_.push_back(output);
    afterLink_.insert(output);
    return;
  }
  // A return already on its way answers this Off too: the panel sends no
  // second one while it awaits the first.
  if (!awaited_.insert(output).second) return;
  PendingOff off;
  off.output = output;
  off.expected = expected;
  off.cycle = cycle_;
  off.message = tally_.Messages();
  off.silent = phase_ == Phase::Silent;
  if (off.silent) {
    ++tally_.silentOffs;
  } else {
    ++tally_.offs;
  }
  pending_[output].push_back(off);
}

// What a one-output map of `output`, as the model holds it now, does to the
// panel's return source (and whether it is an Off the panel must return).
void Soak::ShadowOneOutput(int output) {
  const auto slot = slotOf_.find(output);
  if (slot == slotOf_.end()) return;
  const sim::OutputRouting& r = sim_->Model().Output(output);
  if (r.entries.empty()) {
    NoteOff(output);
    return;
  }
  awaited_.erase(output);  // an entry on the output confirms what was awaited
  const bool tagged =
      std::any_of(r.entries.begin(), r.entries.end(), [](const sim::Entry& e) { return e.tagged; });
  if (tagged) return;
  const int s = r.entries.front().source;
  const bool exception = s == exceptionInput_ || r.status != 0;
  if (!exception && r.entries.size() == 1) shadow_[static_cast<size_t>(slot->second)] = s;
}

// A full map: each watched output's first source becomes its return source
// unless it is an exception or the output is Off or carries a tag.
void Soak::ShadowFullMap() {
  for (size_t k = 0; k < watched_.size(); ++k) {
    const sim::OutputRouting& r = sim_->Model().Output(watched_[k]);
    if (r.entries.empty()) continue;
    awaited_.erase(watched_[k]);
    const bool tagged = std::any_of(r.entries.begin(), r.entries.end(),
                                    [](const sim::Entry& e) { return e.tagged; });
    if (tagged) continue;
    const int s = r.entries.front().source;
    if (s != exceptionInput_ && r.status == 0) shadow_[k] = s;
  }
}

// Waits until every Off of the cycle has its return; the rest count as missing.
bool Soak::Settle(int timeoutMs) {
  Sync();
  const auto empty = [&] {
    return std::all_of(pending_.begin(), pending_.end(),
                       [](const auto& entry) { return entry.second.empty(); });
  };
  WaitFor([&] { return empty() || !PanelAlive(); }, timeoutMs);
  bool none = true;
  for (auto& [output, offs] : pending_) {
    for (const PendingOff& off : offs) {
      if (off.silent) continue;
      missing_.push_back(off);
      none = false;
    }
    offs.clear();
  }
  return none;
}

int64_t Soak::StoppedReadingLines() const {
  int64_t lines = 0;
  for (const auto& [kind, count] : tally_.errorKinds) {
    if (kind.find("stopped reading") != std::string::npos) lines += count;
  }
  return lines;
}

int64_t Soak::ReadStatusKb(const char* field) const {
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  const std::string key = field;
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::stoll(line.substr(key.size()));
  }
  return -1;
}

void Soak::SampleRss() {
  if (!PanelAlive()) return;
  const int64_t kb = ReadStatusKb("VmRSS:");
  if (kb > rssPeakKb_) rssPeakKb_ = kb;
  rssEndKb_ = kb;
}

int Soak::CountErrorLogFileLines() const {
  int lines = 0;
  const QStringList files = QDir(folder_).entryList({QStringLiteral("Errorlog*.txt")}, QDir::Files);
  for (const QString& name : files) {
    QFile file(folder_ + '/' + name);
    if (!file.open(QIODevice::ReadOnly)) continue;
    int n = 0;
    while (!file.atEnd()) {
      file.readLine();
      ++n;
    }
    lines += std::max(0, n - 11);  // the header
  }
  return lines;
}

// The goals of the run: each one missed is a line of the summary's result.
std::vector<std::string> Soak::Failures(bool aliveAtEnd, int crashes, int64_t growth) const {
  std::vector<std::string> failures;
  if (crashes != 0) failures.push_back("the panel crashed or ended before it was stopped");
  if (aliveAtEnd && (exitStatus_ != QProcess::NormalExit || exitCode_ != 0)) {
    failures.push_back("exit after SIGTERM was not a clean 0");
  }
  if (tally_.Cycles() < options_.cycles) failures.push_back("not every cycle was done");
  if (!missing_.empty()) failures.push_back("Offs without their return");
  if (tally_.wrongSource != 0) failures.push_back("Offs returned to another source");
  if (tally_.unexpectedReturns != 0) failures.push_back("returns nobody asked for");
  if (tally_.unexpectedDisconnects != 0) failures.push_back("the link dropped on its own");
  if (tally_.reconnectTimeouts != 0) failures.push_back("the panel did not come back in time");
  if (growth >= 2048) failures.push_back("resident memory grew by 2 MB or more");
  if (tally_.Messages() < options_.messages) failures.push_back("not every message was sent");
  for (const std::string& f : stalledOutput_.failures) failures.push_back("stalled stdout: " + f);

  return failures;
}

}  // namespace soak
