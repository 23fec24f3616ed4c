#pragma once
// The soak run: the switcher simulator in this process, the real headless
// panel as a child process, and a driver that pushes messages, connection
// drops and faults through the link while it counts what comes back.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "StalledOutput.h"
#include "SwitcherSim.h"
#include "Traffic.h"

class QTcpSocket;

namespace soak {

// Shared by the run, its phases, its expectations and its report.
inline constexpr int kChannels = 128;       // inputs and outputs of the simulated switcher
inline constexpr int kReconnectMs = 15000;  // longest wait for the panel to come back
inline constexpr int kSettleMs = 3000;      // longest wait for the returns of a cycle
inline constexpr unsigned char kPollByte = 0xF5;
inline constexpr unsigned char kPollAnswerByte = 0xF4;
// Watched outputs, 1-based as in the configuration file.
inline constexpr int kWatchedOneBased[] = {2, 3, 7, 12, 25, 40, 63, 99};

inline double Seconds(int64_t ms) { return static_cast<double>(ms) / 1000.0; }

struct Options {
  QString program;    // the VYRSourceReturn executable
  quint16 port = 0;   // 0: a free one
  int cycles = 1000;  // connection drops the driver causes, faults included
  int64_t messages = 1000000;
  int burst = 250;      // messages between two synchronisations
  int faultEvery = 10;  // every n-th cycle is a fault phase instead of a plain drop
  int timeOut = 500;    // "Time Out" in the panel's configuration
  int stalls = 3;       // stalled-reader phases in the run
  int stallLimitSeconds = 120;
  uint64_t seed = 0;
  QString workDir;                // empty: a new temporary folder
  bool keep = false;              // keep the work folder after a passing run
  int progressEvery = 50;         // cycles between progress lines (0: none)
  int maxClaimedOutputs = 16383;  // largest output count a random map frame claims
  int stalledOutputSeconds = 10;  // the stalled-stdout phase after the cycles (0: none)
  int floodSeconds = 10;          // length of the flood phase (0: none)
};

// What the driver counts; printed as the summary.
struct Tally {
  // Messages the driver sent, by kind.
  int64_t oneOutputMaps = 0, fullMaps = 0, nameTables = 0, polls = 0, keepAlives = 0;
  int64_t garbage = 0, fragments = 0, badChecksums = 0, otherFrames = 0, randomFrames = 0;
  int64_t bytes = 0;
  int64_t Messages() const {
    return oneOutputMaps + fullMaps + nameTables + polls + keepAlives + garbage + fragments +
           badChecksums + otherFrames + randomFrames;
  }

  // Cycles by kind.
  int drops = 0, midFrameDrops = 0, silentPhases = 0, deafPhases = 0, garbagePhases = 0,
      stallPhases = 0;
  int Cycles() const { return drops + silentPhases + deafPhases + garbagePhases + stallPhases; }

  // Offs in the counted (normal) phases.
  int64_t offs = 0, returned = 0, wrongSource = 0, unexpectedReturns = 0;
  // Offs taken while the Server Module answered no polls (it still reads).
  int64_t silentOffs = 0, silentReturned = 0;
  // Offs taken while the Server Module read nothing: their returns cannot
  // arrive; left Off after the reconnection = not returned on the new link.
  int64_t deafOffs = 0, deafLeftOff = 0;
  // Offs taken while the link was down (between a drop and the reconnection).
  int64_t downOffs = 0, downLeftOff = 0;

  // The panel's side, from its standard output.
  int64_t connects = 0, disconnects = 0, unexpectedDisconnects = 0, reconnectTimeouts = 0;
  int64_t returnsSent = 0, errorLines = 0, syncTimeouts = 0;
  std::map<std::string, int64_t> errorKinds;
  std::map<std::string, int64_t> errorsByPhase;  // by the phase the line arrived in

  // Fault timings (ms): time from the fault to the panel's drop.
  std::vector<int64_t> silentDropMs, deafDropMs, stallDropMs;
  int64_t stallDropsByLimit = 0;  // stalled-reader drops the panel logged as such
  int64_t floodRequests = 0;      // type requests of the stalled-reader phases

  // The flood phase (FloodPhase.cpp): valid maps as fast as they go.
  int floodPhases = 0;
  int64_t floodBytes = 0, floodMaps = 0, floodOffs = 0;
};

// One Off the driver caused, waiting for the panel's return.
struct PendingOff {
  int output = 0;    // 0-based
  int expected = 0;  // 0-based source the panel should return it to
  int cycle = 0;
  int64_t message = 0;  // messages sent before it
  bool silent = false;  // sent while the simulator answered no polls
};

class Soak : public QObject {
  Q_OBJECT

 public:
  explicit Soak(const Options& options);
  ~Soak() override;

  // Runs everything; returns the process exit code (0 when every goal held).
  int Run();

 private:
  // The run (Soak.cpp): setup, waiting, the cycles in their order, the end.
  bool PrepareFolder();
  bool WriteConfiguration();
  bool CheckConfiguration();
  bool StartPanel();
  void OnPanelOutput();
  template <class Done>
  bool WaitFor(Done done, int timeoutMs);
  void Pause(int ms);
  bool PanelAlive() const;
  std::string PhaseName() const;
  int Finish();

  // The traffic and the phases of a cycle (Phases.cpp; the flood in FloodPhase.cpp).
  void Send(const std::string& bytes);
  void SendPoll();
  bool Sync(int timeoutMs = 5000);
  void NormalBurst(int count);
  void WatchedEvent(int slot);
  void UnwatchedEvent();
  void RestoreWatched();
  bool AwaitReconnect(int timeoutMs);
  void PlainDrop(bool midFrame);
  void SilentPhase();
  void DeafPhase();
  void GarbagePhase();
  void StallPhase();
  void FloodPhase();
  void FlushSimClient();
  QTcpSocket* SimClient() const;  // the simulator's socket to the panel
  static int64_t UnreadBytes(QTcpSocket* socket);
  static int64_t MaxSendBufferBytes();

  // What the soak expects and counts (Expectations.cpp): the panel's lines,
  // the returns against the Offs that asked for them, the panel's return
  // sources, its memory and error-log lines, and the goals missed.
  void OnPanelLine(const QString& line);
  void OnChange(const sim::Change& change);
  void OnInfoRequest();
  void NoteOff(int output);
  void ShadowOneOutput(int output);
  void ShadowFullMap();
  bool Settle(int timeoutMs);
  int64_t StoppedReadingLines() const;
  int64_t ReadStatusKb(const char* field) const;
  void SampleRss();
  int CountErrorLogFileLines() const;
  std::vector<std::string> Failures(bool aliveAtEnd, int crashes, int64_t growth) const;

  // The summary (Report.cpp; the flood's part in FloodPhase.cpp, which adds its
  // own goals missed).
  void PrintSummary(int64_t ms, bool aliveAtEnd, int crashes, int64_t growth,
                    std::vector<std::string>& failures) const;
  void ReportFlood(std::vector<std::string>& failures) const;

  Options options_;
  Rng rng_;
  Tally tally_;
  std::unique_ptr<sim::SwitcherSim> sim_;
  QProcess panel_;
  QFile panelLog_;
  QString folder_;
  QByteArray partialLine_;
  QElapsedTimer clock_;
  QTimer heartbeat_;  // wakes the waiting loop at least this often

  std::vector<int> watched_;   // 0-based outputs
  std::vector<int> shadow_;    // per watched slot: the source the panel would return to
  std::map<int, int> slotOf_;  // output -> slot
  std::map<int, std::deque<PendingOff>> pending_;  // Offs waiting for their return
  // Watched outputs whose return the panel awaits: a map showing an entry on
  // the output ends it; a further Off meanwhile starts no return of its own.
  std::set<int> awaited_;
  // Outputs taken Off while the link was down or deaf: the next link's map
  // shows them Off and the panel returns them then.
  std::multiset<int> afterLink_;
  std::vector<PendingOff> missing_;
  std::vector<int> deafOutputs_;    // outputs taken Off while the simulator read nothing
  std::vector<std::string> notes_;  // things worth a line in the summary

  enum class Phase { Starting, Normal, Silent, Deaf, Garbage, Stall, Flood, Stopping };
  Phase phase_ = Phase::Starting;
  bool expectDrop_ = false;
  bool panelConnected_ = false;
  int cycle_ = 0;
  int pollBaseline_ = 0;  // the simulator's answer count when the link came up
  int64_t pollsThisLink_ = 0;
  int infoRequests_ = 0;
  int infoRequestsAtDrop_ = 0;  // info requests seen before the link went
  int64_t messagesAtCycleStart_ = 0;

  int exceptionInput_ = 4;
  int channelPool_ = 100;  // the driver routes only channels below this

  int64_t rssStartKb_ = 0, rssEndKb_ = 0, rssPeakKb_ = 0, hwmKb_ = 0;
  std::vector<std::pair<int, int64_t>> rssTrend_;  // (cycle, kB)
  int64_t rssBeforeFloodKb_ = 0, rssAfterFloodKb_ = 0, floodPeakKb_ = 0, floodDrainMs_ = 0;
  bool panelExited_ = false;
  int exitCode_ = -1;
  QProcess::ExitStatus exitStatus_ = QProcess::NormalExit;
  bool stoppedByUs_ = false;
  int64_t pid_ = 0;
  StalledOutputResult stalledOutput_;
};

template <class Done>
bool Soak::WaitFor(Done done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

}  // namespace soak
