// The run itself: the work folder, the configuration, the panel as a child
// process and the cycles of the soak in their order; then the panel is
// stopped and the result reported.

#include "Soak.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace soak {

namespace {

std::string Digits2(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", n);
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

  std::vector<std::string> failures = Failures(aliveAtEnd, crashes, growth);
  PrintSummary(ms, aliveAtEnd, crashes, growth, failures);
  if (failures.empty() && !options_.keep && options_.workDir.isEmpty()) {
    QDir(folder_).removeRecursively();
  }
  return failures.empty() ? 0 : 1;
}

}  // namespace soak
