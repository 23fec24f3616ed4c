#include "app/Headless.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <map>

#include "app/LineOutput.h"
#include "app/ServiceNotify.h"
#include "config/IniFile.h"
#include "core/InitProgram.h"
#include "engine/ReturnEngine.h"
#include "link/Wire.h"
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

// Names come from the switcher and the configuration: a control byte in one
// is printed as \xNN, so that nothing a peer sends can start a line of its own.
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

const char* StateWord(int32_t colour) {
  if (colour == kColourRed) return "OFF";
  if (colour == kColourGreen) return "watched";
  if (colour == kColourGrey) return "not on switcher";
  return "exception";
}

// Prints what the panel does, one time-stamped line per event.
class Reporter final : public PanelEvents {
 public:
  Reporter(LineOutput& out, const AppState& st) : out_(out), st_(st) {
    out_.onDrainedAfterDrops = [this](uint64_t dropped) {
      Line(std::to_string(dropped) + " lines dropped");
    };
  }
  ~Reporter() override { out_.onDrainedAfterDrops = nullptr; }

  void Line(const std::string& text) { out_.Write(Stamp() + "  " + Printable(text) + "\n"); }

  void Connecting(const std::string& host, int32_t port) override {
    where_ = host + ":" + std::to_string(port);
    if (!attemptShown_) Line("connecting to " + where_);
    attemptShown_ = true;
  }
  void ConnectFailed(const std::string& reason) override {
    if (reason != lastFailure_) Line("cannot connect to " + where_ + ": " + reason + " (retrying)");
    lastFailure_ = reason;
  }
  void Connected() override {
    Line("connected to " + where_);
    lastFailure_.clear();
  }
  void Disconnected(const std::string& /*reason*/) override {
    Line("disconnected from " + where_);
    attemptShown_ = false;
  }
  void CrosspointChangeSent(int16_t output, int16_t source, int16_t mode,
                            const std::string& frame) override {
    char text[96];
    std::snprintf(text, sizeof text, "sent crosspoint change: output %d, source %d, mode 0x%02X",
                  output, source, static_cast<unsigned>(mode));
    std::string what = text;
    if (mode == kModeReturn) what += " (return " + OutputName(output - 1) + ")";
    Line(what + "  [" + wire::Hex(frame) + "]");
  }

  void ErrorLogLine(const std::string& line) override { Line("error log: " + line); }

  void RowChanged(int16_t row, const StatusRow& r) override {
    if (r.sSource == " ") return;  // not shown yet
    const std::string text = r.sOut + " <- " + r.sSource + "  (" + StateWord(r.lColour) + ")";
    if (shown_[row] == text) return;  // a tool tip or the name alone changed
    shown_[row] = text;
    Line("row " + std::to_string(row + 1) + ": " + text);
  }

 private:
  std::string OutputName(int64_t output) const {
    const auto& names = st_.sOutputNames;
    if (output < 0 || static_cast<uint64_t>(output) >= names.size()) return "?";
    return names[static_cast<std::size_t>(output)];
  }

  // HH:mm:ss.zzz local time; the part down to the second is made once a
  // second, since a burst prints thousands of lines.
  std::string Stamp() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec != second_) {
      tm local{};
      localtime_r(&now.tv_sec, &local);
      std::snprintf(hms_, sizeof hms_, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
      second_ = now.tv_sec;
    }
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%s.%03d", hms_, static_cast<int>(now.tv_nsec / 1000000));
    return stamp;
  }

  LineOutput& out_;
  time_t second_ = -1;
  char hms_[16] = "";
  const AppState& st_;
  std::string where_;
  std::string lastFailure_;
  bool attemptShown_ = false;
  std::map<int16_t, std::string> shown_;
};

}  // namespace

namespace {

int RunPanel(const std::string& folder, LineOutput& out) {
  PanelHost panel;
  Reporter reporter(out, panel.state());
  // The last lines go out, and the count of any dropped, while the reporter
  // is still there to stamp it.
  struct FinishAtEnd {
    PanelHost& panel;
    Reporter& reporter;
    LineOutput& out;
    ~FinishAtEnd() {
      panel.RemoveListener(reporter);
      out.Finish(kExitFlushMs);
    }
  } finish{panel, reporter, out};
  panel.AddListener(reporter);

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
