#include "StalledOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <cinttypes>
#include <cstdio>
#include <memory>

#include "SimMessages.h"
#include "SwitcherSim.h"

namespace soak {

namespace {

constexpr int kWatched = 32;
constexpr int kReturnGoalMs = 1000;  // a stalled loop missed polls for a second and more

template <class Done>
bool WaitFor(Done done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

class Phase {
 public:
  Phase(const QString& program, const QString& folder) : program_(program), folder_(folder) {}
  ~Phase() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
    if (out_ >= 0) close(out_);
  }

  StalledOutputResult Run(int seconds);

 private:
  bool Setup(StalledOutputResult& r);
  void Read();
  bool ReadUntil(const QByteArray& what, int timeoutMs) {
    return WaitFor(
        [&] {
          Read();
          return text_.contains(what);
        },
        timeoutMs);
  }

  QString program_, folder_;
  std::unique_ptr<sim::SwitcherSim> sim_;
  QProcess process_;
  int out_ = -1;
  QByteArray text_;
};

bool Phase::Setup(StalledOutputResult& r) {
  sim::SwitcherSim::Options options;
  options.port = 0;
  options.inputs = options.outputs = 64;
  options.nameWidth = 100;  // long lines: the queue fills sooner
  options.pollIntervalMs = 0;
  sim_ = std::make_unique<sim::SwitcherSim>(options);
  if (!QDir().mkpath(folder_) || !sim_->Listen()) {
    r.failures.push_back("could not set up its folder or simulator");
    return false;
  }
  std::string ini = "[SETUP]\r\nIP Address=127.0.0.1\r\nIP Port=" + std::to_string(sim_->Port()) +
                    "\r\n[CONFIG]\r\nRefresh Rate=100\r\nTime Out=500\r\nWait Time=0\r\n"
                    "Watch Count=" +
                    std::to_string(kWatched) + "\r\n";
  for (int k = 1; k <= kWatched; ++k) {
    char nn[8];
    std::snprintf(nn, sizeof nn, "%02d", k);
    ini += std::string("Output ") + nn + "=" + std::to_string(k) + "\r\nInput " + nn + "=16384\r\n";
  }
  ini += "Return to Last Source=No\r\n";
  QFile file(folder_ + "/vyrntpnl.ini");
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(ini.data(), static_cast<qint64>(ini.size())) != static_cast<qint64>(ini.size())) {
    r.failures.push_back("could not write its configuration");
    return false;
  }
  file.close();

  // Standard output is a pipe of ours, not QProcess's, which would drain it.
  int pipe[2];
  if (pipe2(pipe, O_CLOEXEC) != 0) return false;
  const int writeEnd = pipe[1];
  process_.setChildProcessModifier([writeEnd] { dup2(writeEnd, STDOUT_FILENO); });
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start(program_, {"--headless", "--folder", folder_});
  close(writeEnd);
  out_ = pipe[0];
  fcntl(out_, F_SETFL, O_NONBLOCK);
  if (!process_.waitForStarted(10000)) {
    r.failures.push_back("the program did not start");
    return false;
  }
  if (!ReadUntil("row " + QByteArray::number(kWatched) + ": ", 15000)) {
    r.failures.push_back("the program did not connect and show its rows");
    return false;
  }
  return true;
}

void Phase::Read() {
  char chunk[65536];
  for (ssize_t n; (n = read(out_, chunk, sizeof chunk)) > 0;) text_.append(chunk, n);
}

StalledOutputResult Phase::Run(int seconds) {
  StalledOutputResult r;
  r.ran = true;
  if (!Setup(r)) return r;
  const qsizetype readBefore = text_.size();

  // Nobody reads now. Watched outputs go Off one after another, each as
  // soon as the last came back.
  int lastOutput = -1;
  QElapsedTimer since;
  QObject::connect(sim_.get(), &sim::SwitcherSim::changeReceived, [&](const sim::Change& c) {
    if (c.mode == sim::kModeTake && c.output == lastOutput) lastOutput = -1;
  });
  int64_t totalMs = 0;
  QElapsedTimer stall;
  stall.start();
  for (int next = 0; stall.elapsed() < seconds * 1000LL; next = (next + 1) % kWatched) {
    lastOutput = next;
    ++r.offs;
    since.start();
    sim_->TakeOff(next);
    const bool back = WaitFor([&] { return lastOutput < 0; }, 5000);
    const int64_t ms = since.elapsed();
    totalMs += ms;
    r.maxReturnMs = std::max(r.maxReturnMs, ms);
    if (!back) break;
    ++r.returned;
  }
  r.stalledMs = stall.elapsed();
  r.meanReturnMs = r.offs > 0 ? static_cast<double>(totalMs) / static_cast<double>(r.offs) : 0;

  // Drain: the rest of the queue, then the count of what was dropped.
  ReadUntil(" lines dropped\n", 10000);
  process_.terminate();
  WaitFor(
      [&] {
        Read();
        return process_.state() == QProcess::NotRunning;
      },
      15000);
  Read();
  if (process_.state() == QProcess::NotRunning && process_.exitStatus() == QProcess::NormalExit) {
    r.exitCode = process_.exitCode();
  }

  const QByteArray after = text_.mid(readBefore);
  r.bytesRead = after.size();
  static const QRegularExpression stamped(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  \\S"));
  static const QRegularExpression count(QStringLiteral("^.{14}(\\d+) lines dropped$"));
  for (const QByteArray& line : after.split('\n')) {
    if (line.isEmpty()) continue;
    ++r.linesRead;
    const QString l = QString::fromLatin1(line);
    if (!stamped.match(l).hasMatch()) ++r.brokenLines;
    const QRegularExpressionMatch m = count.match(l);
    if (m.hasMatch()) {
      ++r.droppedLines;
      r.dropped = m.captured(1).toLongLong();
    }
  }
  if (!text_.endsWith('\n')) ++r.brokenLines;

  if (r.returned < r.offs) r.failures.push_back("an Off was not returned while stdout stalled");
  if (r.maxReturnMs >= kReturnGoalMs) r.failures.push_back("a return took a second or more");
  if (r.droppedLines != 1 || r.dropped <= 0) {
    r.failures.push_back("no single \"N lines dropped\" line after the drain");
  }
  if (r.brokenLines != 0) r.failures.push_back("lines cut or without their time stamp");
  if (r.exitCode != 0) r.failures.push_back("no clean exit after SIGTERM");
  return r;
}

}  // namespace

StalledOutputResult RunStalledOutput(const QString& program, const QString& workDir, int seconds) {
  Phase phase(program, workDir + "/stalled-output");
  return phase.Run(seconds);
}

void PrintStalledOutput(const StalledOutputResult& r) {
  if (!r.ran) return;
  std::printf("stalled stdout       %.1f s unread; %" PRId64 " Offs, %" PRId64
              " returned, return %.1f ms mean, %" PRId64 " ms max (goal under %d ms)\n",
              static_cast<double>(r.stalledMs) / 1000.0, r.offs, r.returned, r.meanReturnMs,
              r.maxReturnMs, kReturnGoalMs);
  std::printf("  after the drain    %" PRId64 " lines (%" PRId64 " bytes) read, \"%" PRId64
              " lines dropped\" seen %d time(s), %d broken lines, exit code %d after SIGTERM\n",
              r.linesRead, r.bytesRead, r.dropped, r.droppedLines, r.brokenLines, r.exitCode);
}

}  // namespace soak
