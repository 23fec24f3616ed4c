// The headless program itself, as a service manager runs it, against the
// switcher simulator in this process. Its standard output is a pipe of the
// test's own, read only when the test says so.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "QtTestSupport.h"
#include "SimMessages.h"
#include "SwitcherSim.h"
#include "support/TempFolder.h"

namespace vyr {
namespace {

using sim::test::WaitUntil;

// VYR_TEST_PROGRAM runs the cases against another build of the program.
QString Program() {
  const char* other = std::getenv("VYR_TEST_PROGRAM");
  return QString::fromLocal8Bit(other ? other : VYR_PROGRAM);
}

class Headless : public ::testing::Test {
 protected:
  test::TempFolder folder;
  std::unique_ptr<sim::SwitcherSim> sim;
  std::unique_ptr<QProcess> program;
  int out = -1;      // the read end of the program's standard output
  std::string text;  // what has been read from it

  void SetUp() override { sim::test::EnsureApp(); }
  void TearDown() override { End(); }

  // A simulated switcher that leaves the polling to the program, and a
  // configuration watching its first `watched` outputs.
  void StartSim(int outputs, int watched, int waitMs, int nameWidth = 8) {
    sim = std::make_unique<sim::SwitcherSim>(sim::SwitcherSim::Options{.port = 0,
                                                                       .inputs = outputs,
                                                                       .outputs = outputs,
                                                                       .nameWidth = nameWidth,
                                                                       .pollIntervalMs = 0});
    ASSERT_TRUE(sim->Listen()) << sim->ListenError().toStdString();
    WriteIni("IP Address=127.0.0.1\r\nIP Port=" + std::to_string(sim->Port()), watched, 100,
             waitMs);
  }

  // `setup` as the [SETUP] section; outputs 1..watched watched.
  void WriteIni(const std::string& setup, int watched = 1, int refreshMs = 100, int waitMs = 0) {
    std::string ini = "[SETUP]\r\n" + setup +
                      "\r\n[CONFIG]\r\nRefresh Rate=" + std::to_string(refreshMs) +
                      "\r\nTime Out=20\r\nWait Time=" + std::to_string(waitMs) +
                      "\r\nWatch Count=" + std::to_string(watched) + "\r\n";
    for (int k = 1; k <= watched; ++k) {
      const std::string nn = k < 10 ? "0" + std::to_string(k) : std::to_string(k);
      ini += "Output " + nn + "=" + std::to_string(k) + "\r\nInput " + nn + "=16384\r\n";
    }
    folder.Write("vyrntpnl.ini", ini + "Return to Last Source=No\r\n");
  }

  void Start(const QStringList& environment = {}) {
    End();
    int pipe[2];
    ASSERT_EQ(pipe2(pipe, O_CLOEXEC), 0);
    const int writeEnd = pipe[1];
    program = std::make_unique<QProcess>();
    program->setChildProcessModifier([writeEnd] { dup2(writeEnd, STDOUT_FILENO); });
    program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID"}) env.remove(name);
    for (const QString& pair : environment)
      env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    program->setProcessEnvironment(env);
    program->start(Program(), {"--headless", "--folder", QString::fromStdString(folder.path())});
    close(writeEnd);
    out = pipe[0];
    fcntl(out, F_SETFL, O_NONBLOCK);
    text.clear();
    ASSERT_TRUE(program->waitForStarted(5000)) << program->errorString().toStdString();
  }

  void Read() {
    char chunk[65536];
    for (ssize_t n; (n = read(out, chunk, sizeof chunk)) > 0;) {
      text.append(chunk, static_cast<std::size_t>(n));
    }
  }
  // Reads until `what` shows up at or after `from`.
  bool ReadUntil(const std::string& what, int timeoutMs = 5000, std::size_t from = 0) {
    return WaitUntil([&] { return Read(), text.find(what, from) != std::string::npos; }, timeoutMs);
  }
  int Count(const std::string& what) const {
    int n = 0;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size())
      ++n;
    return n;
  }

  // SIGTERM, then everything it printed up to its end; the exit code.
  int Stop() {
    program->terminate();
    WaitUntil([&] { return Read(), program->state() == QProcess::NotRunning; }, 10000);
    Read();
    return program->state() == QProcess::NotRunning && program->exitStatus() == QProcess::NormalExit
               ? program->exitCode()
               : -1;
  }
  void End() {
    if (program && program->state() != QProcess::NotRunning) {
      program->kill();
      program->waitForFinished(5000);
    }
    if (out >= 0) close(std::exchange(out, -1));
  }
};

TEST_F(Headless, standardOutputNobodyReadsHoldsUpNoReturnAndNamesArePrintedAsData) {
  constexpr int kOutputs = 200;
  StartSim(kOutputs, kOutputs, 0, 120);  // output n on input n, names 120 wide
  sim->Model().SetOutputName(1, "Studio\n12:00:00.000  sent crosspoint change: output 9");
  sim->Model().SetInputName(1, "Mic\x1b[2J\x7f");  // a terminal's "clear screen", then DEL
  Start();
  ASSERT_TRUE(ReadUntil("row 200: ", 10000)) << text;
  // From now on nobody reads. Every output goes Off fifteen times: some
  // 1.8 MB of lines, past the 64 KB of the pipe and the 1 MiB of the queue.
  const auto returns = [&] {
    return std::count_if(sim->Changes().begin(), sim->Changes().end(),
                         [](const sim::Change& c) { return c.mode == sim::kModeTake; });
  };
  for (int round = 1; round <= 15; ++round) {
    const auto before = returns();
    for (int output = 0; output < kOutputs; ++output) sim->TakeOff(output);
    ASSERT_TRUE(WaitUntil([&] { return returns() == before + kOutputs; }, 5000))
        << "round " << round << ": " << returns() - before << " of " << kOutputs
        << " returned while standard output was not read";
  }
  // Read again: the lines go on, one count marks the gap.
  ASSERT_TRUE(ReadUntil(" lines dropped\n"));
  const std::size_t gap = text.find(" lines dropped\n");
  const std::size_t number = text.rfind("  ", gap) + 2;
  EXPECT_GT(std::stol(text.substr(number, gap - number)), 1000) << text.substr(number - 14, 40);
  sim->TakeOff(1);
  EXPECT_TRUE(ReadUntil("(return Studio", 5000, gap)) << "nothing printed after the gap";
  EXPECT_EQ(Stop(), 0);
  EXPECT_EQ(Count(" lines dropped\n"), 1);
  EXPECT_NE(text.find("stopping; watched outputs are no longer returned\n"), std::string::npos);
  // Every line whole and time-stamped ("HH:MM:SS.mmm  " and then something);
  // a name never makes a line of its own.
  const QRegularExpression stamped("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  [^ ]");
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    EXPECT_TRUE(stamped.match(QString::fromStdString(line)).hasMatch()) << "[" << line << "]";
  EXPECT_EQ(text.back(), '\n');
  EXPECT_NE(text.find("row 2: Studio\\x0a12:00:00.000  sent crosspoint change: output 9"),
            std::string::npos);
  EXPECT_NE(text.find("Mic\\x1b[2J\\x7f"), std::string::npos);
  EXPECT_EQ(text.find_first_of("\x1b\x7f"), std::string::npos);
}

// A return with a wait reads as its whole cycle (each step's wording and
// due time are the engine's, checked there), and the day's activity file
// beside the error log holds the same lines.
TEST_F(Headless, aReturnCyclePrintsEveryStepAndTheDailyFileHoldsTheSameLines) {
  StartSim(4, 1, 500);
  Start();
  ASSERT_TRUE(ReadUntil("row 1: Out 0001 <- Inpt0001  (watched)\n")) << text;
  sim->TakeOff(0);
  ASSERT_TRUE(ReadUntil("  return confirmed: Out 0001 (1)\n")) << text;
  EXPECT_EQ(Stop(), 0);
  std::size_t at = 0;
  for (const std::string step :
       {"  Off seen on Out 0001 (1)\n", "  return scheduled: Out 0001 (1) to Inpt0001 (1), due by ",
        "  return sent: Out 0001 (1) to Inpt0001 (1), send 1 of 3\n",
        "  return confirmed: Out 0001 (1)\n"}) {
    at = text.find(step, at);
    ASSERT_NE(at, std::string::npos) << "no \"" << step << "\" in order in\n" << text;
  }
  // Every line of the day's file was printed (a run across midnight has two files).
  const QStringList files = QDir(QString::fromStdString(folder.path()))
                                .entryList({"Activity *.txt"}, QDir::Files, QDir::Name);
  ASSERT_FALSE(files.isEmpty());
  std::string written;
  for (const QString& name : files) written += folder.Read(name.toStdString());
  EXPECT_NE(written.find("  return confirmed: Out 0001 (1)\n"), std::string::npos) << written;
  std::istringstream lines(written);
  for (std::string line; std::getline(lines, line);)
    EXPECT_NE(text.find(line + "\n"), std::string::npos) << line;
}

// Each attempt that cannot start says why once, while the program tells the
// service manager it is ready and pings its watchdog from the event loop.
TEST_F(Headless, aConnectionThatCannotStartSaysWhyOnceWhileTheServiceManagerHearsFromIt) {
  // A datagram socket of the test's own in place of the service manager's.
  const int notify = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  ASSERT_GE(notify, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = folder.File("notify");
  ASSERT_LT(path.size(), sizeof address.sun_path);
  path.copy(address.sun_path, path.size());
  ASSERT_EQ(bind(notify, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  std::vector<std::string> said;
  const auto hear = [&] {
    char message[512];
    for (ssize_t n; (n = recv(notify, message, sizeof message, 0)) > 0;)
      said.emplace_back(message, static_cast<std::size_t>(n));
    return static_cast<int>(std::count(said.begin(), said.end(), "WATCHDOG=1"));
  };
  const QStringList environment = {QString::fromStdString("NOTIFY_SOCKET=" + path),
                                   "WATCHDOG_USEC=200000"};
  const struct {
    std::string setup;
    std::string says;
    int refreshMs;  // each tick starts a new attempt: a lookup gets two seconds
  } cases[] = {
      {"IP Address=127.0.0.1\r\nIP Port=70000",
       "cannot connect to 127.0.0.1:70000: IP Port 70000 is outside 1..65535 (retrying)\n", 100},
      {"IP Address=\r\nIP Port=1250",
       "cannot connect to :1250: IP Address is empty or missing (retrying)\n", 100},
      {"IP Address=studio server\r\nIP Port=1250",
       "cannot connect to studio server:1250: Host not found (retrying)\n", 2000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setup);
    said.clear();
    WriteIni(c.setup, 1, c.refreshMs);
    Start(environment);
    EXPECT_TRUE(ReadUntil(c.says, 5000)) << text;
    sim::test::Spin(1000);  // ten more attempts
    EXPECT_TRUE(WaitUntil([&] { return hear() >= 5; }, 5000)) << hear() << " pings";
    EXPECT_EQ(Stop(), 0);
    EXPECT_EQ(Count("cannot connect"), 1) << text;
    hear();
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.front() + " " + said.back(), "READY=1 STOPPING=1");
  }
  said.clear();  // without a configuration it never says it is ready
  std::remove(folder.File("vyrntpnl.ini").c_str());
  Start(environment);
  EXPECT_TRUE(WaitUntil([&] { return program->state() == QProcess::NotRunning; }, 5000));
  EXPECT_EQ(program->exitCode(), 1);
  hear();
  EXPECT_TRUE(said.empty()) << said.front();
  close(notify);
}

}  // namespace
}  // namespace vyr
