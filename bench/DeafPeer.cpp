// vyr-bench-deaf-peer PROGRAM: the real headless program against a Server
// Module that keeps answering polls but never reads. The simulator stops
// reading, sends a poll answer every 100 ms and asks for the panel's type
// until the panel's answers no longer reach its receive queue (its window
// is closed), then takes a watched output Off. Prints the time from the
// program's "sent crosspoint change" line for the return to its
// "disconnected" line, by the program's own time stamps.

#include <sys/ioctl.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTime>
#include <QTimer>
#include <cstdio>

#include "SwitcherSim.h"

namespace {

int StampMs(const QByteArray& line) {
  const QTime t = QTime::fromString(QString::fromLatin1(line.left(12)), "HH:mm:ss.zzz");
  return t.isValid() ? t.msecsSinceStartOfDay() : -1;
}

template <class Done>
bool Until(Done done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: vyr-bench-deaf-peer PROGRAM\n");
    return 2;
  }
  sim::SwitcherSim::Options options;
  options.port = 0;
  options.inputs = options.outputs = 8;
  options.pollIntervalMs = 0;
  sim::SwitcherSim sim(options);
  if (!sim.Listen()) return 2;
  QTemporaryDir folder;
  QFile ini(folder.path() + "/vyrntpnl.ini");
  if (!ini.open(QIODevice::WriteOnly)) return 2;
  ini.write(QString("[SETUP]\r\nIP Address=127.0.0.1\r\nIP Port=%1\r\n[CONFIG]\r\nRefresh "
                    "Rate=100\r\nTime Out=500\r\nWait Time=0\r\nWatch Count=1\r\nOutput 01=2\r\n"
                    "Input 01=16384\r\nReturn to Last Source=No\r\n")
                .arg(sim.Port())
                .toLatin1());
  ini.close();

  QProcess panel;
  panel.setProcessChannelMode(QProcess::MergedChannels);
  panel.start(argv[1], {"--headless", "--folder", folder.path()});
  if (!panel.waitForStarted(10000)) return 2;
  int returnAt = -1, droppedAt = -1;
  QByteArray pending, logLine;
  QObject::connect(&panel, &QProcess::readyRead, [&] {
    pending += panel.readAll();
    for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
      const QByteArray line = pending.left(end);
      if (line.contains("mode 0x04") && returnAt < 0) returnAt = StampMs(line);
      if (line.contains("  disconnected from ") && droppedAt < 0) droppedAt = StampMs(line);
      if (line.contains("stopped reading")) logLine = line.mid(14);
    }
  });
  if (!Until([&] { return sim.InfoRequestsSeen() > 0; }, 10000)) return 2;
  QTcpSocket* client = sim.findChild<QTcpSocket*>();
  const auto queued = [&] {
    int n = 0;
    return ::ioctl(static_cast<int>(client->socketDescriptor()), FIONREAD, &n) == 0 ? n : 0;
  };
  sim.SetReading(false);
  QTimer keepAlive;
  QObject::connect(&keepAlive, &QTimer::timeout, [&] { sim.SendRaw(QByteArray(1, '\xF4')); });
  keepAlive.start(100);
  // Batches of requests, each waited for until all its answers are in the
  // simulator's receive queue; the first batch whose answers do not all
  // arrive within 300 ms found the window closed. Only that batch's answers
  // wait in the panel's queue, far below its 1 MiB limit.
  const int batch = 2000;
  const QByteArray requests = QByteArray::fromStdString(sim::BuildTypeRequest()).repeated(batch);
  QElapsedTimer filling;
  filling.start();
  int last = queued();
  for (bool open = true; open && filling.elapsed() < 30000;) {
    sim.SendRaw(requests);
    open = Until([&] { return queued() >= last + 5 * batch; }, 300);
    last = queued();
  }
  std::printf("the simulator's receive queue stopped growing at %d bytes after %.1f s\n", last,
              static_cast<double>(filling.elapsed()) / 1000.0);
  sim.TakeOff(1);
  Until([&] { return droppedAt >= 0; }, 30000);
  panel.terminate();
  panel.waitForFinished(5000);
  if (returnAt < 0 || droppedAt < 0) {
    std::printf("return sent: %s; dropped: %s\n", returnAt < 0 ? "no" : "yes",
                droppedAt < 0 ? "no (30 s)" : "yes");
    return 1;
  }
  std::printf("return sent, not acknowledged; link dropped %d ms later\n%s\n", droppedAt - returnAt,
              logLine.constData());
  std::printf("RESULT drop_after_return_ms=%d\n", droppedAt - returnAt);
  return 0;
}
