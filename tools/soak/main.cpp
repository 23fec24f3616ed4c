// vyr-soak: runs the real headless panel against the switcher simulator for
// a long time (connection drops, a million messages, silent and stalled
// Server Modules, garbage) and checks that it neither crashes, nor loses an
// Off, nor grows.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

#include "Soak.h"

namespace {

bool ReadNumber(const QCommandLineParser& parser, const QString& name, long long low,
                long long high, long long* value) {
  if (!parser.isSet(name)) return true;
  bool ok = false;
  const long long n = parser.value(name).toLongLong(&ok);
  if (!ok || n < low || n > high) {
    std::fprintf(stderr, "vyr-soak: --%s must be a whole number from %lld to %lld\n",
                 qPrintable(name), low, high);
    return false;
  }
  *value = n;
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("vyr-soak");

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Soak run: starts the switcher simulator in-process and PROGRAM --headless as a child,\n"
      "then drives connection drops, messages and faults through the link and prints a\n"
      "summary (crashes, Offs taken and returned, resident memory, error-log lines).\n"
      "Exit code 0 when every goal held, 1 when one did not, 2 when the run could not start.");
  parser.addHelpOption();
  parser.addPositionalArgument("PROGRAM", "The VYRSourceReturn executable.");
  parser.addOptions({
      {"cycles", "Connection drops the driver causes, faults included (1000).", "N"},
      {"messages", "Messages to send in all (1000000).", "N"},
      {"quick",
       "A short smoke run: 40 cycles, 40000 messages, a fault every 5th cycle, "
       "one stalled reader."},
      {"burst", "Messages between two synchronisations (250).", "N"},
      {"fault-every", "Every N-th cycle is a fault phase (10; 0: none).", "N"},
      {"stalls", "Stalled-reader phases in the run (3).", "N"},
      {"stall-limit", "Seconds a stalled reader may take to be dropped (120).", "N"},
      {"time-out", "\"Time Out\" in the panel's configuration (500).", "N"},
      {"max-claimed",
       "Largest output count a random crosspoint map of the garbage phases "
       "claims (16383, all the format allows; lower it only to tell causes "
       "apart).",
       "N"},
      {"stalled-output",
       "Seconds of the stalled-stdout phase after the cycles: a second "
       "panel whose standard output nobody reads (10; 0: none).",
       "N"},
      {"flood-seconds",
       "Length of the flood phase: valid maps as fast as the simulator's "
       "socket takes them (10; 0: none).",
       "N"},
      {"port", "TCP port for the simulator (0: a free one).", "N"},
      {"seed", "Seed of the random choices (default: the clock).", "N"},
      {"work-dir",
       "Folder for vyrntpnl.ini, the error log and the panel's output "
       "(default: a new temporary folder, removed after a passing run).",
       "DIR"},
      {"keep", "Keep the temporary work folder after a passing run."},
      {"progress", "Cycles between progress lines (50; 0: none).", "N"},
  });
  parser.process(app);
  if (parser.positionalArguments().size() != 1) {
    std::fprintf(stderr, "vyr-soak: give the VYRSourceReturn executable (see --help)\n");
    return 2;
  }

  soak::Options options;
  options.program = QFileInfo(parser.positionalArguments().front()).absoluteFilePath();
  if (!QFileInfo(options.program).isExecutable()) {
    std::fprintf(stderr, "vyr-soak: %s is not an executable\n", qPrintable(options.program));
    return 2;
  }
  if (parser.isSet("quick")) {
    options.cycles = 40;
    options.messages = 40000;
    options.faultEvery = 5;
    options.progressEvery = 10;
    options.stalls = 1;
  }
  long long cycles = options.cycles, messages = options.messages, burst = options.burst,
            faultEvery = options.faultEvery, timeOut = options.timeOut, port = 0, seed = 0,
            progress = options.progressEvery, stalls = options.stalls,
            stallLimit = options.stallLimitSeconds, maxClaimed = options.maxClaimedOutputs,
            stalledOutput = options.stalledOutputSeconds, floodSeconds = options.floodSeconds;
  if (!ReadNumber(parser, "cycles", 1, 10000000, &cycles) ||
      !ReadNumber(parser, "messages", 0, 1000000000000LL, &messages) ||
      !ReadNumber(parser, "burst", 2, 100000, &burst) ||
      !ReadNumber(parser, "fault-every", 0, 10000000, &faultEvery) ||
      !ReadNumber(parser, "time-out", 1, 3600, &timeOut) ||
      !ReadNumber(parser, "port", 0, 65535, &port) ||
      !ReadNumber(parser, "seed", 0, 0x7FFFFFFFFFFFFFFFLL, &seed) ||
      !ReadNumber(parser, "progress", 0, 10000000, &progress) ||
      !ReadNumber(parser, "stalls", 0, 1000, &stalls) ||
      !ReadNumber(parser, "stall-limit", 1, 3600, &stallLimit) ||
      !ReadNumber(parser, "max-claimed", 0, 16383, &maxClaimed) ||
      !ReadNumber(parser, "stalled-output", 0, 3600, &stalledOutput) ||
      !ReadNumber(parser, "flood-seconds", 0, 3600, &floodSeconds)) {
    return 2;
  }
  options.cycles = static_cast<int>(cycles);
  options.messages = messages;
  options.burst = static_cast<int>(burst);
  options.faultEvery = static_cast<int>(faultEvery);
  options.timeOut = static_cast<int>(timeOut);
  options.port = static_cast<quint16>(port);
  options.seed = static_cast<uint64_t>(seed);
  options.progressEvery = static_cast<int>(progress);
  options.stalls = static_cast<int>(stalls);
  options.stallLimitSeconds = static_cast<int>(stallLimit);
  options.maxClaimedOutputs = static_cast<int>(maxClaimed);
  options.stalledOutputSeconds = static_cast<int>(stalledOutput);
  options.floodSeconds = static_cast<int>(floodSeconds);
  options.workDir = parser.value("work-dir");
  options.keep = parser.isSet("keep");

  soak::Soak soak(options);
  return soak.Run();
}
