#include "Soak.h"

#include <sys/ioctl.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <numeric>

#include "engine/TCPComm.h"

namespace soak {

namespace {

constexpr int kChannels = 128;       // inputs and outputs of the simulated switcher
constexpr int kReconnectMs = 15000;  // longest wait for the panel to come back
constexpr int kSettleMs = 3000;      // longest wait for the returns of a cycle
constexpr unsigned char kPollByte = 0xF5;
constexpr unsigned char kPollAnswerByte = 0xF4;

// Watched outputs, 1-based as in the configuration file.
const int kWatchedOneBased[] = {2, 3, 7, 12, 25, 40, 63, 99};

std::string Digits2(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

// An error-log message with its numbers taken out, so that lines of one
// kind count together.
std::string KindOf(const std::string& message) {
  static const QRegularExpression digits(QStringLiteral("[0-9]+"));
  QString text = QString::fromStdString(message).trimmed();
  text.replace(digits, QStringLiteral("N"));
  return text.toStdString();
}

double Seconds(int64_t ms) { return static_cast<double>(ms) / 1000.0; }

std::string Stats(const std::vector<int64_t>& ms) {
  if (ms.empty()) return "none";
  const auto [lo, hi] = std::minmax_element(ms.begin(), ms.end());
  const double mean = static_cast<double>(std::accumulate(ms.begin(), ms.end(), int64_t{0})) /
                      static_cast<double>(ms.size());
  char text[128];
  std::snprintf(text, sizeof text, "%zu, drop after %.2f / %.2f / %.2f s (min / mean / max)",
                ms.size(), Seconds(*lo), mean / 1000.0, Seconds(*hi));
  return text;
}

}  // namespace

Soak::Soak(const Options& options) : options_(options), rng_(options.seed) {
  for (int o : kWatchedOneBased) {
    slotOf_[o - 1] = static_cast<int>(watched_.size());
    watched_.push_back(o - 1);
  }
  shadow_.assign(watched_.size(), -1);
  heartbeat_.setInterval(10);
  connect(&panel_, &QProcess::readyReadStandardOutput, this, &Soak::OnPanelOutput);
  connect(&panel_, &QProcess::readyReadStandardError, this, [this] {
    const QByteArray bytes = panel_.readAllStandardError();
    if (panelLog_.isOpen()) panelLog_.write("stderr: " + bytes);
    for (const QByteArray& line : bytes.split('\n')) {
      if (!line.trimmed().isEmpty() && notes_.size() < 40) {
        notes_.push_back("panel stderr: " + line.trimmed().toStdString());
      }
    }
  });
  connect(&panel_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
    panelExited_ = true;
    exitCode_ = code;
    exitStatus_ = status;
    if (!stoppedByUs_) {
      notes_.push_back("the panel ended on its own in cycle " + std::to_string(cycle_) +
                       (status == QProcess::CrashExit ? " (killed by a signal)"
                                                      : ", exit code " + std::to_string(code)));
    }
  });
}

Soak::~Soak() {
  if (panel_.state() != QProcess::NotRunning) {
    panel_.kill();
    panel_.waitForFinished(5000);
  }
}

// ---------------------------------------------------------------- setup

bool Soak::PrepareFolder() {
  if (options_.workDir.isEmpty()) {
    QTemporaryDir temp(QDir::tempPath() + QStringLiteral("/vyr-soak-XXXXXX"));
    if (!temp.isValid()) return false;
    temp.setAutoRemove(false);
    folder_ = temp.path();
  } else {
    folder_ = QDir(options_.workDir).absolutePath();
    if (!QDir().mkpath(folder_)) return false;
  }
  panelLog_.setFileName(folder_ + QStringLiteral("/panel-output.log"));
  return panelLog_.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool Soak::WriteConfiguration() {
  // "Return to Last Source=No" is the setting for returning each output to
  // the source it last carried ("Yes" returns all of them to "Return Source").
  std::string ini =
      "[SETUP]\r\nIP Address=127.0.0.1\r\nIP Port=" + std::to_string(sim_->Port()) +
      "\r\n[CONFIG]\r\nRefresh Rate=100\r\nTime Out=" + std::to_string(options_.timeOut) +
      "\r\nWait Time=0\r\nWatch Count=" + std::to_string(watched_.size()) + "\r\n";
  for (size_t k = 0; k < watched_.size(); ++k) {
    const std::string nn = Digits2(static_cast<int>(k) + 1);
    ini += "Output " + nn + "=" + std::to_string(watched_[k] + 1) + "\r\nInput " + nn +
           "=16384\r\nOpto " + nn + "=16383\r\n";
  }
  std::string exceptions(kChannels, '0');
  exceptions[static_cast<size_t>(exceptionInput_)] = '1';
  // The console and the air chain sit on channels the driver never routes.
  ini += "Return Source=16383\r\nReturn to Last Source=No\r\nException Count=1\r\nExceptions=" +
         exceptions +
         "\r\nConsole Count=1\r\nAirChain Count=1\r\n[CONSOLE01]\r\nProgram=121\r\n"
         "First MM Bus=122\r\nLast MM Bus=123\r\nMM in use Relay=1\r\n[Air Chain01]\r\n"
         "Clean=126\r\nTones and Sounders=127\r\n[SECURITY]\r\nUser Name=\r\nPassword=\r\n";
  QFile file(folder_ + QStringLiteral("/vyrntpnl.ini"));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(ini.data(), static_cast<qint64>(ini.size())) == static_cast<qint64>(ini.size());
}

bool Soak::CheckConfiguration() {
  // The program's own reading of the file: usable, and the rule meant.
  QProcess check;
  check.start(options_.program,
              {QStringLiteral("--check-config"), folder_ + QStringLiteral("/vyrntpnl.ini")});
  if (!check.waitForFinished(10000) || check.exitStatus() != QProcess::NormalExit ||
      check.exitCode() != 0) {
    std::fprintf(stderr, "vyr-soak: --check-config refused the configuration:\n%s\n",
                 check.readAll().constData());
    return false;
  }
  const QByteArray out = check.readAllStandardOutput();
  if (!out.contains("Return rule=return each output to its last source") ||
      !out.contains("Wait ticks=0")) {
    std::fprintf(stderr, "vyr-soak: the configuration does not mean what it should:\n%s\n",
                 out.constData());
    return false;
  }
  return true;
}

bool Soak::StartPanel() {
  panel_.setProgram(options_.program);
  panel_.setArguments({QStringLiteral("--headless"), QStringLiteral("--folder"), folder_});
  panel_.start();
  if (!panel_.waitForStarted(10000)) {
    std::fprintf(stderr, "vyr-soak: cannot start %s: %s\n", qPrintable(options_.program),
                 qPrintable(panel_.errorString()));
    return false;
  }
  pid_ = panel_.processId();
  return true;
}

void Soak::OnPanelOutput() {
  const QByteArray bytes = panel_.readAllStandardOutput();
  panelLog_.write(bytes);
  partialLine_ += bytes;
  qsizetype start = 0;
  for (;;) {
    const qsizetype end = partialLine_.indexOf('\n', start);
    if (end < 0) break;
    OnPanelLine(QString::fromUtf8(partialLine_.constData() + start, end - start));
    start = end + 1;
  }
  partialLine_.remove(0, start);
}

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

// ---------------------------------------------------------------- waiting

template <class Done>
bool Soak::WaitFor(Done done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

void Soak::Pause(int ms) {
  WaitFor([] { return false; }, ms);
}

std::string Soak::PhaseName() const {
  switch (phase_) {
    case Phase::Starting:
      return "start";
    case Phase::Normal:
      return "counted traffic";
    case Phase::Silent:
      return "silent polls";
    case Phase::Deaf:
      return "stopped reading";
    case Phase::Garbage:
      return "garbage";
    case Phase::Stall:
      return "stalled reader";
    case Phase::Flood:
      return "flood";
    case Phase::Stopping:
      return "stopping";
  }
  return "?";
}

bool Soak::PanelAlive() const { return !panelExited_ && panel_.state() == QProcess::Running; }

// ---------------------------------------------------------------- traffic

void Soak::Send(const std::string& bytes) {
  tally_.bytes += static_cast<int64_t>(bytes.size());
  pollsThisLink_ += std::count(bytes.begin(), bytes.end(), static_cast<char>(kPollByte));
  sim_->SendRaw(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void Soak::SendPoll() {
  ++tally_.polls;
  Send(std::string(1, static_cast<char>(kPollByte)));
}

// The panel answers every poll in the order it reads them, after whatever
// came before: once the last one is answered, everything sent before it has
// been handled, and every return it caused has reached the simulator.
bool Soak::Sync(int timeoutMs) {
  SendPoll();
  const int64_t target = pollBaseline_ + pollsThisLink_;
  const bool ok =
      WaitFor([&] { return sim_->PollAnswersSeen() >= target || !PanelAlive(); }, timeoutMs) &&
      PanelAlive();
  sim_->ClearReceived();
  if (!ok) {
    ++tally_.syncTimeouts;
    if (notes_.size() < 40) {
      notes_.push_back("polls not all answered within " + std::to_string(timeoutMs) +
                       " ms in cycle " + std::to_string(cycle_) + " (" + PhaseName() +
                       "): " + std::to_string(sim_->PollAnswersSeen() - pollBaseline_) + " of " +
                       std::to_string(pollsThisLink_) + " on this link");
    }
  }
  return ok;
}

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

void Soak::WatchedEvent(int slot) {
  const int output = watched_[static_cast<size_t>(slot)];
  const int roll = Uniform(rng_, 0, 99);
  if (roll < 40) {
    sim_->TakeOff(output);
  } else if (roll < 72) {
    const int input = Chance(rng_, 0.08) ? exceptionInput_ : Uniform(rng_, 0, channelPool_ - 1);
    sim_->Route(output, input);
  } else if (roll < 82) {
    const int a = Uniform(rng_, 0, channelPool_ - 1);
    const int b = (a + Uniform(rng_, 1, channelPool_ - 1)) % channelPool_;
    sim_->Sum(output, a, b);
  } else if (roll < 88) {
    sim_->Tag(output, Uniform(rng_, 0, channelPool_ - 1));
  } else {
    sim_->SendOneOutputMap(output);
  }
  ++tally_.oneOutputMaps;
  ShadowOneOutput(output);
}

void Soak::UnwatchedEvent() {
  int output = 0;
  do {
    output = Uniform(rng_, 0, channelPool_ - 1);
  } while (slotOf_.count(output) != 0);
  if (Chance(rng_, 0.3)) {
    sim_->TakeOff(output);
  } else {
    sim_->Route(output, Uniform(rng_, 0, channelPool_ - 1));
  }
  ++tally_.oneOutputMaps;
}

// One burst of the counted traffic, closed by a poll.
void Soak::NormalBurst(int count) {
  bool needCommand = false;  // a fragment must be cut by the next command byte
  for (int i = 0; i < count - 1; ++i) {
    int roll = Uniform(rng_, 0, 99);
    while (needCommand && roll >= 55 && roll < 70) roll = Uniform(rng_, 0, 99);
    needCommand = false;
    if (roll < 30) {
      WatchedEvent(Uniform(rng_, 0, static_cast<int>(watched_.size()) - 1));
    } else if (roll < 45) {
      UnwatchedEvent();
    } else if (roll < 52) {
      SendPoll();
    } else if (roll < 54) {
      sim_->SendFullMap();
      ++tally_.fullMaps;
      ShadowFullMap();
    } else if (roll < 55) {
      sim_->SendNameTables();
      tally_.nameTables += 2;
    } else if (roll < 70) {
      const std::string bytes = QuietGarbage(rng_, Uniform(rng_, 1, 48));
      Send(bytes);
      ++tally_.garbage;
    } else if (roll < 82) {
      // Mostly a watched output shown Off: taking the fragment for a whole
      // frame would show up as a return nobody asked for.
      const int pick = Uniform(rng_, 0, 9);
      std::string frame;
      if (pick < 6) {
        frame = OffMap(watched_[static_cast<size_t>(Uniform(rng_, 0, 7))]);
      } else if (pick < 8) {
        frame = sim_->Model().FullMap();
      } else {
        frame = sim_->Model().NameTable(Chance(rng_, 0.5) ? sim::kInputNames : sim::kOutputNames);
      }
      Send(Fragment(rng_, frame));
      ++tally_.fragments;
      needCommand = true;
    } else if (roll < 94) {
      const int pick = Uniform(rng_, 0, 9);
      std::string frame;
      if (pick < 7) {
        frame = OffMap(watched_[static_cast<size_t>(Uniform(rng_, 0, 7))]);
      } else if (pick < 9) {
        frame = sim_->Model().FullMap();
      } else {
        frame = sim_->Model().NameTable(sim::kOutputNames);
      }
      Send(BadChecksum(rng_, frame));
      ++tally_.badChecksums;
    } else {
      // Frames the panel answers or takes in without touching the map.
      if (Chance(rng_, 0.5)) {
        Send(sim::BuildTypeRequest());
      } else {
        Send(sim::BuildSwitcherType(Uniform(rng_, 0, sim::kMaxWord)));
      }
      ++tally_.otherFrames;
    }
  }
  Sync();
}

// Every watched output onto a source of its own (one-output maps), so that
// the panel's return sources are known whatever came before.
void Soak::RestoreWatched() {
  for (int output : watched_) {
    int input = 0;
    do {
      input = Uniform(rng_, 0, channelPool_ - 1);
    } while (input == exceptionInput_);
    sim_->Route(output, input);
    ++tally_.oneOutputMaps;
    ShadowOneOutput(output);
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

// ---------------------------------------------------------------- cycles

bool Soak::AwaitReconnect(int timeoutMs) {
  const int before = infoRequestsAtDrop_;
  const bool ok = WaitFor(
      [&] {
        return !PanelAlive() || (panelConnected_ && sim_->HasClient() && infoRequests_ > before);
      },
      timeoutMs);
  if (!ok || !PanelAlive()) {
    if (PanelAlive()) ++tally_.reconnectTimeouts;
    return false;
  }
  return Sync();
}

void Soak::FlushSimClient() {
  for (QTcpSocket* socket : sim_->findChildren<QTcpSocket*>()) {
    if (socket->state() != QAbstractSocket::ConnectedState) continue;
    for (int i = 0; i < 100 && socket->bytesToWrite() > 0; ++i) {
      socket->flush();
      if (socket->bytesToWrite() > 0) socket->waitForBytesWritten(10);
    }
  }
}

void Soak::PlainDrop(bool midFrame) {
  infoRequestsAtDrop_ = infoRequests_;
  expectDrop_ = true;
  if (midFrame) {
    const int pick = Uniform(rng_, 0, 2);
    std::string frame = pick == 0   ? OffMap(watched_[static_cast<size_t>(Uniform(rng_, 0, 7))])
                        : pick == 1 ? sim_->Model().FullMap()
                                    : sim_->Model().NameTable(sim::kOutputNames);
    Send(frame.substr(0, std::max<size_t>(1, frame.size() / 2)));
    ++tally_.fragments;
    FlushSimClient();
    Pause(15);  // the panel reads it before the connection goes
    ++tally_.midFrameDrops;
  }
  ++tally_.drops;
  sim_->DropClient();
  WaitFor([&] { return !panelConnected_ || !PanelAlive(); }, 5000);
  // Now and then a watched output goes Off while the link is down: the
  // switcher has no panel to tell; the new link's map shows it Off.
  int downOutput = -1;
  if (Chance(rng_, 0.2) && !sim_->HasClient()) {
    downOutput = watched_[static_cast<size_t>(Uniform(rng_, 0, 7))];
    sim_->TakeOff(downOutput);
    ++tally_.downOffs;
    afterLink_.insert(downOutput);
  }
  AwaitReconnect(kReconnectMs);
  if (downOutput >= 0) {
    Pause(500);
    Sync();
    if (sim_->Model().Output(downOutput).entries.empty()) {
      ++tally_.downLeftOff;
      if (tally_.downLeftOff <= 3) {
        notes_.push_back("output " + std::to_string(downOutput + 1) +
                         ", taken Off while the link was down, was still Off 0.5 s after the "
                         "panel reconnected (cycle " +
                         std::to_string(cycle_) + ")");
      }
    }
  }
}

// The simulator stops answering polls but goes on reading: the panel must
// drop the link after its time-out and come back once polls are answered.
void Soak::SilentPhase() {
  ++tally_.silentPhases;
  infoRequestsAtDrop_ = infoRequests_;
  expectDrop_ = true;
  phase_ = Phase::Silent;
  sim_->SetAnswerPolls(false);
  QElapsedTimer t;
  t.start();
  // Offs go on meanwhile; the simulator still applies the returns.
  int sent = 0;
  WaitFor(
      [&] {
        if (!panelConnected_ || !PanelAlive()) return true;
        if (t.elapsed() > 100 * (sent + 1) && sim_->HasClient()) {
          ++sent;
          WatchedEvent(Uniform(rng_, 0, static_cast<int>(watched_.size()) - 1));
        }
        return false;
      },
      15000 + 2 * options_.timeOut * 10);
  tally_.silentDropMs.push_back(t.elapsed());
  sim_->SetAnswerPolls(true);
  AwaitReconnect(kReconnectMs);
  for (auto& [output, offs] : pending_) offs.clear();  // those left were cut off by the drop
}

// The simulator stops reading altogether. An output taken Off now is
// returned by the panel, but the return cannot arrive.
void Soak::DeafPhase() {
  ++tally_.deafPhases;
  infoRequestsAtDrop_ = infoRequests_;
  expectDrop_ = true;
  phase_ = Phase::Deaf;
  deafOutputs_.clear();
  sim_->SetReading(false);
  QTcpSocket* const deafClient = SimClient();
  QElapsedTimer t;
  t.start();
  const int slot = Uniform(rng_, 0, static_cast<int>(watched_.size()) - 1);
  sim_->TakeOff(watched_[static_cast<size_t>(slot)]);
  ++tally_.oneOutputMaps;
  ShadowOneOutput(watched_[static_cast<size_t>(slot)]);
  WaitFor([&] { return !panelConnected_ || !PanelAlive(); }, 15000 + options_.timeOut * 10);
  tally_.deafDropMs.push_back(t.elapsed());
  // What the panel sent on the dead link is lost with it: the simulator must
  // not read it once reading is back on.
  if (deafClient != nullptr && SimClient() == deafClient) sim_->DropClient();
  sim_->SetReading(true);
  AwaitReconnect(kReconnectMs);
  // The new link brought the whole map, Off output included. Is it returned?
  Pause(500);
  Sync();
  for (int output : deafOutputs_) {
    if (!sim_->Model().Output(output).entries.empty()) continue;
    ++tally_.deafLeftOff;
    if (tally_.deafLeftOff <= 3) {
      notes_.push_back("output " + std::to_string(output + 1) +
                       ", taken Off while the simulator read nothing, was still Off 0.5 s after "
                       "the panel reconnected (cycle " +
                       std::to_string(cycle_) + ")");
    }
  }
}

// Random bytes and random frames of every kind the panel decodes; then the
// link is dropped so that the next one starts from a fresh handshake.
void Soak::GarbagePhase() {
  ++tally_.garbagePhases;
  phase_ = Phase::Garbage;
  for (int i = 0; i < 400 && PanelAlive(); ++i) {
    if (Chance(rng_, 0.4)) {
      Send(RawGarbage(rng_, Uniform(rng_, 1, 256)));
      ++tally_.garbage;
    } else {
      Send(RandomFrame(rng_, options_.maxClaimedOutputs));
      ++tally_.randomFrames;
    }
    if (i % 50 == 49) Sync(3000);
  }
  Send("\xFF");
  Sync(5000);
  infoRequestsAtDrop_ = infoRequests_;
  expectDrop_ = true;
  sim_->DropClient();
  WaitFor([&] { return !panelConnected_ || !PanelAlive(); }, 5000);
  AwaitReconnect(kReconnectMs);
}

// The simulator stops reading but keeps the link alive with poll answers of
// its own, and asks the panel for its type again and again: the answers pile
// up in the socket buffers, and the panel's send limits (1 MiB unsent, or
// nothing drained for 10 s) must drop the link. The requests are paced so
// that the panel is never far behind: a flood it cannot keep up with would
// test its receive buffer instead.
void Soak::StallPhase() {
  ++tally_.stallPhases;
  infoRequestsAtDrop_ = infoRequests_;
  expectDrop_ = true;
  phase_ = Phase::Stall;
  const int64_t limitLinesBefore = StoppedReadingLines();
  sim_->SetReading(false);
  QTcpSocket* client = SimClient();
  const std::string request = sim::BuildTypeRequest();
  const int64_t answerBytes = 5;  // 81 02 01 03 FF
  const int64_t kAhead = 2000;    // requests the panel may have waiting
  // Enough answers to fill the largest send buffer the kernel gives a
  // socket and then the panel's own limit.
  const int64_t kBlind =
      (MaxSendBufferBytes() + vyr::kSendQueueLimitBytes + 65536) / answerBytes + kAhead;
  const std::string keepAlive(1, static_cast<char>(kPollAnswerByte));
  int64_t arrived = 0;  // answer bytes waiting, unread, at the simulator's end
  int64_t requests = 0;
  int64_t keepAlives = 0;
  int64_t blindSent = 0;
  double perMs = 0;  // requests the panel handles per millisecond
  QElapsedTimer t;
  QElapsedTimer sinceProgress;
  QElapsedTimer blind;
  t.start();
  sinceProgress.start();
  const auto send = [&](int64_t count) {
    std::string batch;
    batch.reserve(static_cast<size_t>(count) * request.size());
    for (int64_t i = 0; i < count; ++i) batch += request;
    tally_.bytes += static_cast<int64_t>(batch.size());
    sim_->SendRaw(QByteArray(batch.data(), static_cast<qsizetype>(batch.size())));
    requests += count;
  };
  // While the simulator's socket buffer takes the answers, its fill shows
  // how far the panel has got. Once nothing more arrives the buffers are
  // full: then requests follow blind, at the rate the panel showed, until
  // its answers must have passed the limit.
  WaitFor(
      [&] {
        if (!panelConnected_ || !PanelAlive()) return true;
        if (client == nullptr || client != SimClient()) return false;
        if (t.elapsed() >= 50 * keepAlives) {
          ++keepAlives;
          Send(keepAlive);
          ++tally_.keepAlives;
        }
        const int64_t now = UnreadBytes(client);
        if (now > arrived) {
          arrived = now;
          sinceProgress.restart();
        }
        if (!blind.isValid()) {
          if (requests > kAhead && sinceProgress.elapsed() > 300) {
            perMs = static_cast<double>(arrived / answerBytes) /
                    static_cast<double>(std::max<int64_t>(1, t.elapsed() - 300));
            blind.start();
          } else {
            const int64_t more = std::min(kAhead - (requests - arrived / answerBytes), kAhead);
            if (more > 0) send(more);
          }
        } else if (blindSent < kBlind) {
          const int64_t due = std::min<int64_t>(
              kBlind, static_cast<int64_t>(0.8 * perMs * static_cast<double>(blind.elapsed())));
          if (due > blindSent) {
            send(due - blindSent);
            blindSent = due;
          }
        }
        return false;
      },
      options_.stallLimitSeconds * 1000);
  tally_.stallDropMs.push_back(t.elapsed());
  char line[200];
  std::snprintf(line, sizeof line,
                "stalled reader in cycle %d: %" PRId64
                " answer bytes reached the simulator's "
                "buffer in %.1f s (%.0f requests/s), %" PRId64
                " requests sent after that, "
                "drop %.1f s after the start",
                cycle_, arrived, Seconds(blind.isValid() ? t.elapsed() - blind.elapsed() : 0),
                perMs * 1000.0, blindSent, Seconds(t.elapsed()));
  notes_.push_back(line);
  tally_.floodRequests += requests;
  if (panelConnected_ && PanelAlive()) {
    notes_.push_back("stalled reader: the panel still held the link after " +
                     std::to_string(options_.stallLimitSeconds) + " s in cycle " +
                     std::to_string(cycle_) + " (" + std::to_string(requests) +
                     " type requests sent)");
    sim_->DropClient();
  }
  sim_->SetReading(true);
  AwaitReconnect(kReconnectMs);
  // The panel names the drop in its error log when a send limit caused it.
  if (StoppedReadingLines() > limitLinesBefore) ++tally_.stallDropsByLimit;
}

int64_t Soak::StoppedReadingLines() const {
  int64_t lines = 0;
  for (const auto& [kind, count] : tally_.errorKinds) {
    if (kind.find("stopped reading") != std::string::npos) lines += count;
  }
  return lines;
}

// ---------------------------------------------------------------- measuring

int64_t Soak::ReadStatusKb(const char* field) const {
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  const std::string key = field;
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::stoll(line.substr(key.size()));
  }
  return -1;
}

QTcpSocket* Soak::SimClient() const {
  for (QTcpSocket* socket : sim_->findChildren<QTcpSocket*>()) {
    if (socket->state() == QAbstractSocket::ConnectedState) return socket;
  }
  return nullptr;
}

int64_t Soak::UnreadBytes(QTcpSocket* socket) {
  int waiting = 0;
  if (::ioctl(static_cast<int>(socket->socketDescriptor()), FIONREAD, &waiting) != 0) waiting = 0;
  return waiting + socket->bytesAvailable();
}

int64_t Soak::MaxSendBufferBytes() {
  std::ifstream wmem("/proc/sys/net/ipv4/tcp_wmem");
  int64_t low = 0, initial = 0, high = 0;
  if (wmem >> low >> initial >> high) return high;
  return 4 << 20;
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

int Soak::Run() {
  clock_.start();
  heartbeat_.start();
  if (options_.seed == 0)
    options_.seed = static_cast<uint64_t>(QDateTime::currentMSecsSinceEpoch());
  rng_.seed(options_.seed);
  if (!PrepareFolder()) {
    std::fprintf(stderr, "vyr-soak: cannot make the work folder\n");
    return 2;
  }
  sim::SwitcherSim::Options simOptions;
  simOptions.port = options_.port;
  simOptions.inputs = kChannels;
  simOptions.outputs = kChannels;
  simOptions.pollIntervalMs = 0;  // the driver sends the polls it wants
  sim_ = std::make_unique<sim::SwitcherSim>(simOptions);
  if (!sim_->Listen()) {
    std::fprintf(stderr, "vyr-soak: the simulator cannot listen: %s\n",
                 qPrintable(sim_->ListenError()));
    return 2;
  }
  connect(sim_.get(), &sim::SwitcherSim::changeReceived, this, &Soak::OnChange);
  connect(sim_.get(), &sim::SwitcherSim::infoRequestReceived, this, [this] { OnInfoRequest(); });
  connect(sim_.get(), &sim::SwitcherSim::clientConnected, this, [this] {
    pollBaseline_ = sim_->PollAnswersSeen();
    pollsThisLink_ = 0;
  });
  if (!WriteConfiguration() || !CheckConfiguration()) return 2;

  std::printf("vyr-soak: %d cycles, %" PRId64 " messages, seed %" PRIu64
              ", simulator on 127.0.0.1:%u, work folder %s\n",
              options_.cycles, options_.messages, options_.seed, sim_->Port(), qPrintable(folder_));
  std::fflush(stdout);
  if (!StartPanel()) return 2;

  // The first link: connected, names and map taken over, rows known.
  expectDrop_ = true;
  infoRequestsAtDrop_ = 0;
  if (!AwaitReconnect(kReconnectMs)) {
    std::fprintf(stderr, "vyr-soak: the panel did not connect\n");
    return Finish();
  }
  expectDrop_ = false;
  phase_ = Phase::Normal;
  RestoreWatched();
  Settle(kSettleMs);
  SampleRss();
  rssStartKb_ = rssEndKb_;
  rssPeakKb_ = rssStartKb_;
  rssTrend_.push_back({0, rssStartKb_});

  const int floodCycle = std::max(1, options_.cycles / 4);
  for (cycle_ = 1; cycle_ <= options_.cycles && PanelAlive(); ++cycle_) {
    if (cycle_ == floodCycle && options_.floodSeconds > 0) {
      FloodPhase();
      phase_ = Phase::Normal;
    }
    // This cycle's share of the messages still to send, in bursts.
    const int64_t left = options_.messages - tally_.Messages();
    int64_t budget = left / (options_.cycles - cycle_ + 1);
    if (cycle_ == options_.cycles) budget = left;
    while (budget > 0 && PanelAlive()) {
      const int64_t before = tally_.Messages();
      NormalBurst(static_cast<int>(std::min<int64_t>(options_.burst, budget)));
      budget -= tally_.Messages() - before;
    }
    Settle(kSettleMs);

    const bool fault = options_.faultEvery > 0 && cycle_ % options_.faultEvery == 0;
    const int stallEvery = options_.stalls > 0 ? options_.cycles / options_.stalls : 0;
    if (stallEvery > 0 && cycle_ % stallEvery == stallEvery / 2 &&
        tally_.stallPhases < options_.stalls) {
      StallPhase();
    } else if (fault) {
      switch ((cycle_ / options_.faultEvery - 1) % 3) {
        case 0:
          SilentPhase();
          break;
        case 1:
          DeafPhase();
          break;
        default:
          GarbagePhase();
          break;
      }
    } else {
      PlainDrop(cycle_ % 2 == 1);
    }
    phase_ = Phase::Normal;
    if (!PanelAlive()) break;
    RestoreWatched();
    Sync();
    expectDrop_ = false;
    SampleRss();
    const int points = 10;
    if (options_.cycles >= points && cycle_ % (options_.cycles / points) == 0) {
      rssTrend_.push_back({cycle_, rssEndKb_});
    }
    if (options_.progressEvery > 0 && cycle_ % options_.progressEvery == 0) {
      std::printf("[cycle %d/%d] %.1f s, %" PRId64 " messages, Offs %" PRId64 "/%" PRId64
                  " returned, missing %zu, RSS %" PRId64 " kB, error-log lines %" PRId64 "\n",
                  cycle_, options_.cycles, Seconds(clock_.elapsed()), tally_.Messages(),
                  tally_.returned, tally_.offs, missing_.size(), rssEndKb_, tally_.errorLines);
      std::fflush(stdout);
    }
  }
  if (cycle_ > options_.cycles) cycle_ = options_.cycles;
  if (PanelAlive()) Settle(kSettleMs);
  if (options_.stalledOutputSeconds > 0) {
    stalledOutput_ = RunStalledOutput(options_.program, folder_, options_.stalledOutputSeconds);
  }
  return Finish();
}

int Soak::Finish() {
  phase_ = Phase::Stopping;
  SampleRss();
  hwmKb_ = PanelAlive() ? ReadStatusKb("VmHWM:") : -1;
  const bool aliveAtEnd = PanelAlive();
  if (aliveAtEnd) {
    stoppedByUs_ = true;
    panel_.terminate();  // SIGTERM
    if (!panel_.waitForFinished(15000)) {
      notes_.push_back("the panel did not stop within 15 s of SIGTERM; killed");
      panel_.kill();
      panel_.waitForFinished(5000);
    }
  }
  QCoreApplication::processEvents();
  OnPanelOutput();
  panelLog_.close();
  const int64_t ms = clock_.elapsed();
  const int crashes = aliveAtEnd ? (exitStatus_ == QProcess::CrashExit ? 1 : 0) : 1;
  const int64_t growth = rssEndKb_ - rssStartKb_;
  const int fileLines = CountErrorLogFileLines();
  const int logFiles = static_cast<int>(
      QDir(folder_).entryList({QStringLiteral("Errorlog*.txt")}, QDir::Files).size());

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

  std::string kinds;
  std::vector<std::pair<std::string, int64_t>> sorted(tally_.errorKinds.begin(),
                                                      tally_.errorKinds.end());
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return a.second > b.second; });
  for (const auto& [kind, count] : sorted) {
    kinds += "                     " + std::to_string(count) + "  " + kind + "\n";
  }
  std::string trend;
  for (const auto& [c, kb] : rssTrend_) {
    trend += (trend.empty() ? "" : ", ") + std::string("c") + std::to_string(c) + " " +
             std::to_string(kb);
  }

  std::printf("\n==== vyr-soak summary ====\n");
  std::printf("program              %s (pid %" PRId64 ")\n", qPrintable(options_.program), pid_);
  std::printf("seed                 %" PRIu64 "\n", options_.seed);
  std::printf("duration             %.1f s\n", Seconds(ms));
  std::printf(
      "crashes              %d  (%s)\n", crashes,
      aliveAtEnd
          ? (exitStatus_ == QProcess::NormalExit
                 ? ("running at the end; exit code " + std::to_string(exitCode_) + " after SIGTERM")
                       .c_str()
                 : "killed by a signal after SIGTERM")
          : "ended before the driver stopped it");
  std::printf(
      "cycles done          %d / %d  (plain drops %d, %d of them mid-frame; silent polls "
      "%d; stopped reading %d; garbage then drop %d; stalled reader %d)\n",
      tally_.Cycles(), options_.cycles, tally_.drops, tally_.midFrameDrops, tally_.silentPhases,
      tally_.deafPhases, tally_.garbagePhases, tally_.stallPhases);
  std::printf("panel link           %" PRId64 " connects, %" PRId64 " disconnects, %" PRId64
              " unexpected, %" PRId64 " reconnect time-outs, %" PRId64 " late syncs\n",
              tally_.connects, tally_.disconnects, tally_.unexpectedDisconnects,
              tally_.reconnectTimeouts, tally_.syncTimeouts);
  std::printf("messages sent        %" PRId64 "  (%" PRId64 " bytes)\n", tally_.Messages(),
              tally_.bytes);
  std::printf("  one-output maps    %" PRId64 "\n  full maps          %" PRId64
              "\n  name tables        %" PRId64 "\n  polls              %" PRId64
              "\n  keep-alive answers %" PRId64 "\n  garbage runs       %" PRId64
              "\n  broken fragments   %" PRId64 "\n  bad checksums      %" PRId64
              "\n  type/other frames  %" PRId64 "\n  random frames      %" PRId64 "\n",
              tally_.oneOutputMaps, tally_.fullMaps, tally_.nameTables, tally_.polls,
              tally_.keepAlives, tally_.garbage, tally_.fragments, tally_.badChecksums,
              tally_.otherFrames, tally_.randomFrames);
  std::printf("Offs taken           %" PRId64 "  (connected, counted phases)\n", tally_.offs);
  std::printf("Offs returned        %" PRId64 "  (%" PRId64 " to another source than expected)\n",
              tally_.returned, tally_.wrongSource);
  std::printf("Offs missing         %zu\n", missing_.size());
  for (size_t i = 0; i < missing_.size() && i < 20; ++i) {
    const PendingOff& off = missing_[i];
    std::printf("  output %d (expected input %d), cycle %d, after %" PRId64 " messages\n",
                off.output + 1, off.expected + 1, off.cycle, off.message);
  }
  std::printf("unasked returns      %" PRId64 "\n", tally_.unexpectedReturns);
  std::printf("panel returns sent   %" PRId64 "  (its own 'mode 0x04' lines)\n",
              tally_.returnsSent);
  std::printf("silent-poll Offs     %" PRId64 " taken, %" PRId64 " returned\n", tally_.silentOffs,
              tally_.silentReturned);
  std::printf("not-reading Offs     %" PRId64 " taken, %" PRId64
              " still Off after the reconnection\n",
              tally_.deafOffs, tally_.deafLeftOff);
  std::printf("Offs while down      %" PRId64 " taken while the link was down, %" PRId64
              " still Off after the reconnection\n",
              tally_.downOffs, tally_.downLeftOff);
  std::printf("silent polls         %s\n", Stats(tally_.silentDropMs).c_str());
  std::printf("stopped reading      %s\n", Stats(tally_.deafDropMs).c_str());
  std::printf("stalled reader       %s; %" PRId64
              " dropped by the send limits (logged); "
              "%" PRId64 " type requests flooded (not in the message count)\n",
              Stats(tally_.stallDropMs).c_str(), tally_.stallDropsByLimit, tally_.floodRequests);
  std::printf("RSS start            %" PRId64 " kB  (after the first connection)\n", rssStartKb_);
  std::printf("RSS end              %" PRId64 " kB\n", rssEndKb_);
  std::printf("RSS peak             %" PRId64 " kB sampled after each cycle, VmHWM %" PRId64
              " kB\n",
              rssPeakKb_, hwmKb_);
  std::printf("RSS growth           %+" PRId64 " kB  (goal: under 2048 kB)\n", growth);
  std::printf("RSS by cycle (kB)    %s\n", trend.c_str());
  std::printf("error-log lines      %" PRId64
              " echoed on standard output; %d in %d Errorlog "
              "file(s) without headers\n",
              tally_.errorLines, fileLines, logFiles);
  std::string phases;
  for (const auto& [phase, count] : tally_.errorsByPhase) {
    phases += (phases.empty() ? "" : ", ") + phase + " " + std::to_string(count);
  }
  std::printf("  by phase           %s\n", phases.empty() ? "none" : phases.c_str());
  std::printf("%s", kinds.c_str());
  PrintStalledOutput(stalledOutput_);
  ReportFlood(failures);
  for (const std::string& note : notes_) std::printf("note                 %s\n", note.c_str());
  std::printf("work folder          %s\n", qPrintable(folder_));
  std::printf("result               %s\n", failures.empty() ? "PASS" : "FAIL");
  for (const std::string& f : failures) std::printf("  - %s\n", f.c_str());
  std::fflush(stdout);

  if (failures.empty() && !options_.keep && options_.workDir.isEmpty()) {
    QDir(folder_).removeRecursively();
  }
  return failures.empty() ? 0 : 1;
}

}  // namespace soak
