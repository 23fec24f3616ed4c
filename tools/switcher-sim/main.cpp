// switcher-sim: a stand-in Server Module for trying the panel without a
// switcher. Listens for one panel, takes commands from standard input (and
// from a script), prints one line per event. Ends on `quit`, Ctrl+C or
// SIGTERM; the end of standard input does not end it, so it can run in the
// background with input from /dev/null.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "CommandShell.h"
#include "SwitcherSim.h"

namespace {

// Where the standard-input thread delivers lines; cleared before the feed goes.
struct LineSink {
  std::mutex mutex;
  sim::CommandFeed* feed = nullptr;
};

bool ReadCount(const QCommandLineParser& parser, const QString& name, int low, int high,
               int* value) {
  if (!parser.isSet(name)) return true;
  bool ok = false;
  const int n = parser.value(name).toInt(&ok);
  if (!ok || n < low || n > high) {
    std::cerr << "switcher-sim: --" << name.toStdString() << " must be a whole number from " << low
              << " to " << high << "\n";
    return false;
  }
  *value = n;
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("switcher-sim");

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "A stand-in Server Module: listens for one panel on TCP, polls it, answers its polls and "
      "info requests, applies its crosspoint changes and reports the changed outputs.\n"
      "Reads commands from standard input, one a line (type help). A second panel that "
      "connects replaces the first.");
  parser.addHelpOption();
  parser.addOptions({
      {"listen", "Address to listen on (default 127.0.0.1).", "ADDR", "127.0.0.1"},
      {"port", "TCP port (default 1250; 0 picks a free one).", "N", "1250"},
      {"inputs", "Number of inputs (default 256).", "N", "256"},
      {"outputs", "Number of outputs (default 256).", "N", "256"},
      {"name-width", "Characters per name in the name tables (default 8).", "N", "8"},
      {"poll-ms", "Poll the panel every N ms (default 1000; 0 never).", "N", "1000"},
      {"all-off", "Start with every output Off instead of output i on input i."},
      {"script", "Run the commands in FILE first; 'sleep MS' lines wait.", "FILE"},
      {"quiet", "Print no event lines, only answers to commands."},
  });
  if (!parser.parse(QCoreApplication::arguments())) {
    std::cerr << "switcher-sim: " << parser.errorText().toStdString() << "\n";
    return 2;
  }
  if (parser.isSet("help")) parser.showHelp(0);
  if (!parser.positionalArguments().isEmpty()) {
    std::cerr << "switcher-sim: unexpected argument "
              << parser.positionalArguments()[0].toStdString() << "\n";
    return 2;
  }

  sim::SwitcherSim::Options options;
  options.host = parser.value("listen");
  int port = 1250;
  bool ok = ReadCount(parser, "port", 0, 65535, &port) &&
            ReadCount(parser, "inputs", 1, sim::kMaxWord, &options.inputs) &&
            ReadCount(parser, "outputs", 1, sim::kMaxWord, &options.outputs) &&
            ReadCount(parser, "name-width", 1, 127, &options.nameWidth) &&
            ReadCount(parser, "poll-ms", 0, 3600000, &options.pollIntervalMs);
  if (!ok) return 2;
  options.port = static_cast<quint16>(port);
  options.allOff = parser.isSet("all-off");

  QStringList scriptLines;
  if (parser.isSet("script")) {
    QFile file(parser.value("script"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
      std::cerr << "switcher-sim: cannot read " << file.fileName().toStdString() << ": "
                << file.errorString().toStdString() << "\n";
      return 1;
    }
    QTextStream in(&file);
    while (!in.atEnd()) scriptLines << in.readLine();
  }

  sim::SwitcherSim simulator(options);
  if (!simulator.Listen()) {
    std::cerr << "switcher-sim: cannot listen on " << options.host.toStdString() << ":" << port
              << ": " << simulator.ListenError().toStdString() << "\n";
    return 1;
  }
  std::cout << "listening on " << options.host.toStdString() << ":" << simulator.Port() << ", "
            << options.inputs << " inputs, " << options.outputs << " outputs" << std::endl;

  sim::CommandShell shell(simulator, std::cout, parser.isSet("quiet"));
  QObject::connect(&shell, &sim::CommandShell::quitRequested, &app, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  sim::CommandFeed typed(shell);
  sim::CommandFeed scripted(shell);
  for (const QString& line : scriptLines) scripted.Push(line);

  // Standard input is read on its own thread, which hands each line to the
  // main thread; the thread stays blocked in its read when the program ends.
  auto sink = std::make_shared<LineSink>();
  sink->feed = &typed;
  std::cin.tie(nullptr);
  std::thread([sink] {
    std::string line;
    while (std::getline(std::cin, line)) {
      std::lock_guard lock(sink->mutex);
      if (sink->feed == nullptr) return;
      sim::CommandFeed* feed = sink->feed;
      QMetaObject::invokeMethod(
          feed, [feed, text = QString::fromStdString(line)] { feed->Push(text); },
          Qt::QueuedConnection);
    }
  }).detach();

  const int code = QCoreApplication::exec();
  {
    std::lock_guard lock(sink->mutex);
    sink->feed = nullptr;
  }
  return code;
}
