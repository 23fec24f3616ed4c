#include "app/Headless.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

#include "app/LineOutput.h"
#include "app/ServiceNotify.h"
#include "config/IniFile.h"
#include "core/InitProgram.h"
#include "runtime/PanelHost.h"

namespace vyr {

namespace {

int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  (void)!write(gSignalPipe[1], &byte, 1);
}

// How long the end of the program waits for a slow reader of its last lines.
constexpr int kExitFlushMs = 2000;

// Prints the panel's activity lines, and a few of its own, time-stamped.
class Reporter final : public ActivityListener {
 public:
  explicit Reporter(LineOutput& out) : out_(out) {
    out_.onDrainedAfterDrops = [this](uint64_t dropped) {
      Line(std::to_string(dropped) + " lines dropped");
    };
  }
  ~Reporter() override { out_.onDrainedAfterDrops = nullptr; }

  void Line(const std::string& text) { ActivityLine(clock_.Now(), Printable(text)); }
  void ActivityLine(const DateTime& at, const std::string& text) override {
    out_.Write(StampedLine(at, text) + "\n");
  }

 private:
  LineOutput& out_;
  SystemClock clock_;
};

}  // namespace

namespace {

int RunPanel(const std::string& folder, LineOutput& out) {
  PanelHost panel;
  Reporter reporter(out);
  // The last lines go out, and the count of any dropped, while the reporter
  // is still there to stamp it.
  struct FinishAtEnd {
    PanelHost& panel;
    Reporter& reporter;
    LineOutput& out;
    ~FinishAtEnd() {
      panel.activity().Remove(reporter);
      out.Finish(kExitFlushMs);
    }
  } finish{panel, reporter, out};
  panel.activity().Add(reporter);

  reporter.Line("VYR Return, headless; configuration and error log in " +
                WithTrailingSeparator(folder));
  if (!panel.Start(folder)) {
    reporter.Line("no usable configuration in " + IniFilePath(panel.state()) + "; not connecting");
    return 1;
  }
  if (panel.state().iWatchCount == 0) {
    reporter.Line(
        "no watched outputs: nothing will be returned (set Watch Count and Output NN in " +
        IniFilePath(panel.state()) + ", or use File > Setup > Configure Outputs)");
  }
  ServiceNotify service;
  service.Ready();

  if (socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) == 0) {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
  }
  QSocketNotifier notifier(gSignalPipe[0], QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
    service.Stopping();
    reporter.Line("stopping; watched outputs are no longer returned");
    QCoreApplication::quit();
  });
  const int code = QCoreApplication::exec();
  panel.log().EndRepeats();
  return code;
}

}  // namespace

int RunHeadless(const std::string& folder, int outFd) {
  // A reader of standard output that goes away must not stop the returns.
  std::signal(SIGPIPE, SIG_IGN);
  LineOutput out(outFd);
  return RunPanel(folder, out);
}

}  // namespace vyr
