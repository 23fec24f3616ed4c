// vyr-bench-slow-link PROGRAM [ROUND_TRIP_MS] [SECONDS]: the real headless
// program against the simulator across a network that delays every packet
// (two network namespaces joined by tun devices, see DelayedNetwork), with
// Refresh Rate 100. Prints the connection attempts it made, the time from
// its "connecting" line to its "connected" line (its own time stamps), the
// drops in the run and whether an Off taken after the handshake came back.
// Needs root and /dev/net/tun; exits 77 where they are missing.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTime>
#include <cstdio>
#include <cstdlib>

#include "SwitcherSim.h"
#include "support/DelayedNetwork.h"

namespace {

// The panel's time stamp "HH:mm:ss.zzz" at the start of a line, in ms.
int StampMs(const QByteArray& line) {
  const QTime t = QTime::fromString(QString::fromLatin1(line.left(12)), "HH:mm:ss.zzz");
  return t.isValid() ? t.msecsSinceStartOfDay() : -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: vyr-bench-slow-link PROGRAM [ROUND_TRIP_MS] [SECONDS]\n");
    return 2;
  }
  const int roundTripMs = argc > 2 ? std::atoi(argv[2]) : 240;
  const int seconds = argc > 3 ? std::atoi(argv[3]) : 7;
  vyr::test::DelayedNetwork net(roundTripMs / 2);
  if (!net.Ok()) {
    std::printf("SKIP no delayed network here (needs root and /dev/net/tun): %s\n",
                net.Error().c_str());
    return 77;
  }
  net.Enter(vyr::test::DelayedNetwork::kServerSide);
  sim::SwitcherSim::Options options;
  options.host = vyr::test::DelayedNetwork::kServerAddress;
  options.port = 0;
  options.inputs = options.outputs = 8;
  options.pollIntervalMs = 0;
  sim::SwitcherSim sim(options);
  if (!sim.Listen()) return 2;
  int accepted = 0;
  QObject::connect(&sim, &sim::SwitcherSim::clientConnected, [&] { ++accepted; });

  QTemporaryDir folder;
  QFile ini(folder.path() + "/vyrntpnl.ini");
  if (!ini.open(QIODevice::WriteOnly)) return 2;
  ini.write(QString("[SETUP]\r\nIP Address=%1\r\nIP Port=%2\r\n[CONFIG]\r\nRefresh Rate=100\r\n"
                    "Time Out=3600\r\nWait Time=0\r\nWatch Count=1\r\nOutput 01=2\r\n"
                    "Input 01=16384\r\nReturn to Last Source=No\r\n")
                .arg(options.host)
                .arg(sim.Port())
                .toLatin1());
  ini.close();

  net.Enter(vyr::test::DelayedNetwork::kPanelSide);  // the child is started on the panel's side
  QProcess panel;
  panel.setProcessChannelMode(QProcess::MergedChannels);
  panel.start(argv[1], {"--headless", "--folder", folder.path()});
  if (!panel.waitForStarted(10000)) return 2;
  int connectingAt = -1, connectedAt = -1, drops = 0;
  QByteArray pending;
  QObject::connect(&panel, &QProcess::readyRead, [&] {
    pending += panel.readAll();
    for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
      const QByteArray line = pending.left(end);
      if (line.contains("  connecting to ") && connectingAt < 0) connectingAt = StampMs(line);
      if (line.contains("  connected to ") && connectedAt < 0) connectedAt = StampMs(line);
      if (line.contains("  disconnected from ")) ++drops;
    }
  });
  bool offTaken = false;
  QDeadlineTimer deadline(seconds * 1000);
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!offTaken && sim.InfoRequestsSeen() > 0 && deadline.remainingTime() < seconds * 500) {
      offTaken = sim.TakeOff(1);
    }
  }
  panel.terminate();
  panel.waitForFinished(5000);
  const bool back = offTaken && !sim.Model().Output(1).entries.empty();
  std::printf("round trip %d ms, Refresh Rate 100, %d s: %lld connection attempts, %d accepted\n",
              roundTripMs, seconds, static_cast<long long>(net.AttemptsSeen()), accepted);
  if (connectedAt >= 0) {
    std::printf("connected %d ms after the first attempt; %d drops after; Off taken %s, %s\n",
                connectedAt - connectingAt, drops, offTaken ? "yes" : "no",
                back ? "returned" : "not returned");
  } else {
    std::printf("never connected\n");
  }
  std::printf("RESULT attempts=%lld connect_ms=%d drops=%d returned=%d\n",
              static_cast<long long>(net.AttemptsSeen()),
              connectedAt >= 0 ? connectedAt - connectingAt : -1, drops, back ? 1 : 0);
  return connectedAt >= 0 && drops == 0 && back ? 0 : 1;
}
