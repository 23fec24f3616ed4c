// End to end over loopback TCP: the real headless program against a minimal
// Server Module built from the simulator's message code.
//
//   vyr-bench-reaction PROGRAM [CYCLES] [BURST]
//
// Prints the plain TCP round trip (measured cycle by cycle beside it), the reaction time (an Off
// map written -> the return command read back) over CYCLES cycles, and how long a burst of BURST
// one-output maps takes until every due return has arrived.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "SimMessages.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWatched = 50;  // outputs 1..50 (0-based 0..49)

pid_t panelPid = 0;  // stopped on the way out, whatever the way

[[noreturn]] void Die(const char* what) {
  std::perror(what);
  if (panelPid > 0) kill(panelPid, SIGTERM);
  std::exit(1);
}

int Listen(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 1) != 0) Die("listen");
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  port = ntohs(a.sin_port);
  return fd;
}

int AcceptWithin(int listener, int ms) {
  pollfd p{listener, POLLIN, 0};
  if (poll(&p, 1, ms) != 1) Die("nobody connected");
  const int fd = accept(listener, nullptr, nullptr);
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) Die("write");
    done += static_cast<std::size_t>(n);
  }
}

std::string OneOutput(int output, int source) {
  sim::OutputRouting r;
  if (source >= 0) r.entries.push_back({source, false});
  return sim::BuildCrosspointMap(output, {r});
}

double Percentile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

// A plain TCP round trip between two processes (10 bytes there, 9 back),
// measured cycle by cycle beside the reaction so that both see the same
// machine.
class Echo {
 public:
  Echo() {
    int port = 0;
    const int listener = Listen(port);
    child_ = fork();
    if (child_ == 0) {
      const int fd = socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET, a.sin_port = htons(static_cast<uint16_t>(port));
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) _exit(1);
      const int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      char buf[64];
      for (;;) {
        if (read(fd, buf, sizeof buf) <= 0) _exit(0);
        if (write(fd, buf, 9) != 9) _exit(1);
      }
    }
    fd_ = AcceptWithin(listener, 5000);
    close(listener);
  }
  ~Echo() {
    close(fd_);
    waitpid(child_, nullptr, 0);
  }

  double RoundTrip() {
    const auto t0 = Clock::now();
    WriteAll(fd_, there_);
    char buf[64];
    for (std::size_t got = 0; got < 9;) {
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) Die("echo");
      got += static_cast<std::size_t>(n);
    }
    return Micros(Clock::now() - t0);
  }

 private:
  pid_t child_ = 0;
  int fd_ = -1;
  const std::string there_ = OneOutput(0, -1);
};

// The Server Module's side: answers polls and info requests, counts the
// returns the panel sends.
class Peer {
 public:
  explicit Peer(int fd) : fd_(fd) {}

  // Reads and answers until done() holds or ms pass; false on time-out.
  bool PumpUntil(const std::function<bool()>& done, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() < 0) return false;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count()) + 1) != 1) continue;
      ReadSome();
    }
    return true;
  }

  void Write(const std::string& bytes) { WriteAll(fd_, bytes); }

  // Writes everything while taking in what the panel sends meanwhile, so
  // that neither side can block the other.
  void WriteReading(const std::string& bytes) {
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      pollfd p{fd_, POLLIN | POLLOUT, 0};
      poll(&p, 1, 100);
      if (p.revents & POLLIN) ReadSome();
    }
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  }

  void ReadSome() {
    char buf[65536];
    const ssize_t n = read(fd_, buf, sizeof buf);
    if (n < 0 && errno == EAGAIN) return;
    if (n <= 0) Die("the panel closed the connection");
    reader_.Append(std::string_view(buf, static_cast<std::size_t>(n)));
    while (auto m = reader_.Next()) Handle(*m);
  }

  int returns = 0;
  int lastReturnOutput = -1;
  Clock::time_point lastReturnAt;
  bool tablesSent = false;

 private:
  void Handle(const std::string& m) {
    const auto command = static_cast<unsigned char>(m[0]);
    if (command == sim::kPoll) {
      WriteAll(fd_, std::string(1, static_cast<char>(sim::kPollAnswer)));
    } else if (command == sim::kInfoRequest) {
      std::vector<std::string> in(256), out(256);
      for (int i = 0; i < 256; ++i)
        in[i] = "IN " + std::to_string(i + 1), out[i] = "OUT " + std::to_string(i + 1);
      std::vector<sim::OutputRouting> map(256);
      for (int o = 0; o < 256; ++o) map[o].entries.push_back({o, false});
      WriteAll(fd_, sim::BuildNameTable(sim::kOutputNames, 8, out) +
                        sim::BuildNameTable(sim::kInputNames, 8, in) +
                        sim::BuildCrosspointMap(0, map));
      tablesSent = true;
    } else if (auto c = sim::ParseChange(m); c && c->mode == sim::kModeTake) {
      ++returns;
      lastReturnOutput = c->output;
      lastReturnAt = Clock::now();
    }
  }

  int fd_;
  sim::MessageReader reader_;
};

std::string Configuration(int port) {
  std::string ini = "[SETUP]\r\nIP Address=127.0.0.1\r\nIP Port=" + std::to_string(port) +
                    "\r\n[CONFIG]\r\nRefresh Rate=100\r\nTime Out=20\r\nWait Time=0\r\n"
                    "Watch Count=" +
                    std::to_string(kWatched) + "\r\n";
  for (int k = 1; k <= kWatched; ++k) {
    char nn[8];
    std::snprintf(nn, sizeof nn, "%02d", k);
    ini += std::string("Output ") + nn + "=" + std::to_string(k) + "\r\nInput " + nn +
           "=16384\r\nOpto " + nn + "=16383\r\n";
  }
  return ini +
         "Return Source=16383\r\nReturn to Last Source=No\r\nException Count=0\r\n"
         "Exceptions=\r\nConsole Count=0\r\nAirChain Count=0\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vyr-bench-reaction PROGRAM [CYCLES] [BURST]\n");
    return 2;
  }
  const int cycles = argc > 2 ? std::atoi(argv[2]) : 10000;
  const int burst = argc > 3 ? std::atoi(argv[3]) : 10000;
  signal(SIGPIPE, SIG_IGN);

  Echo echo;
  int port = 0;
  const int listener = Listen(port);
  char folder[] = "/tmp/vyr-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) Die("mkdtemp");
  std::ofstream(std::string(folder) + "/vyrntpnl.ini", std::ios::binary) << Configuration(port);
  const pid_t panel = panelPid = fork();
  if (panel == 0) {
    // VYR_BENCH_PANEL_LOG keeps the panel's lines for a look afterwards.
    const char* log = std::getenv("VYR_BENCH_PANEL_LOG");
    const int null = open(log ? log : "/dev/null", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(null, 1);
    execl(argv[1], argv[1], "--headless", "--folder", folder, static_cast<char*>(nullptr));
    _exit(127);
  }
  Peer peer(AcceptWithin(listener, 5000));
  if (!peer.PumpUntil([&] { return peer.tablesSent; }, 5000)) Die("no info request");
  peer.PumpUntil([] { return false; }, 300);  // the panel takes in the tables
  std::vector<double> reaction, plain;
  int lost = 0;
  for (int i = 0; i < cycles + 500; ++i) {
    const double roundTrip = echo.RoundTrip();
    const int before = peer.returns;
    const auto t0 = Clock::now();
    peer.Write(OneOutput(0, -1));
    if (!peer.PumpUntil([&] { return peer.returns > before; }, 1000)) {
      ++lost;
      continue;
    }
    if (i >= 500) {
      reaction.push_back(Micros(peer.lastReturnAt - t0));
      plain.push_back(roundTrip);
    }
    peer.Write(OneOutput(0, 0));  // the switcher reports the output back on
    usleep(300);
    peer.PumpUntil([] { return true; }, 0);
  }

  // Outputs 2..50 each put on a source and taken Off again, all at once.
  std::string stream;
  for (int k = 0; k < burst / 2; ++k) {
    const int o = 1 + k % (kWatched - 1);
    stream += OneOutput(o, o) + OneOutput(o, -1);
  }
  const int due = burst / 2, before = peer.returns;
  const auto t0 = Clock::now();
  peer.WriteReading(stream);
  peer.PumpUntil([&] { return peer.returns - before >= due; }, 5000);
  const int arrived = peer.returns - before;
  const double burstMs = Micros(peer.lastReturnAt - t0) / 1000.0;

  kill(panel, SIGTERM);
  int status = 0;
  waitpid(panel, &status, 0);
  const bool clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;

  const double plainMedian = Percentile(plain, 0.5), plainP99 = Percentile(plain, 0.99);
  const double median = Percentile(reaction, 0.5), p99 = Percentile(reaction, 0.99);
  std::printf("plain TCP round trip, %zu cycles: median %.1f us, p99 %.1f us\n", plain.size(),
              plainMedian, plainP99);
  std::printf(
      "reaction (Off map written -> return read), %zu cycles: median %.1f us, p99 %.1f us, "
      "max %.1f us, %d lost\n",
      reaction.size(), median, p99, Percentile(reaction, 1.0), lost);
  std::printf("burst of %zu bytes (%d one-output maps): %d of %d due returns in %.2f ms\n",
              stream.size(), burst, arrived, due, burstMs);
  std::printf("panel stopped %s\n", clean ? "cleanly" : "WITH AN ERROR");
  std::printf(
      "RESULT plain_median_us=%.1f plain_p99_us=%.1f reaction_median_us=%.1f "
      "reaction_p99_us=%.1f reaction_lost=%d burst_ms=%.2f burst_returns=%d burst_due=%d\n",
      plainMedian, plainP99, median, p99, lost, burstMs, arrived, due);
  return lost == 0 && arrived == due && clean ? 0 : 1;
}
