// The flood phase: the simulator sends valid crosspoint maps as fast as its
// socket takes them for a while, watched outputs go Off in between, and the
// panel must keep its memory bounded, return every Off and give the room
// back afterwards.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpSocket>
#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "Soak.h"

namespace soak {

namespace {

constexpr qint64 kTopUpBelow = 1 << 20;  // the simulator's own queue is kept about this full
constexpr int kRssEveryMs = 50;
constexpr int kFloodSettleMs = 5000;
constexpr int64_t kRssGoalKb = 64000000 / 1024;  // 64 MB

// Runs the event loop until done() holds or timeoutMs pass (the driver's
// heartbeat timer wakes it at least every 10 ms).
template <class Done>
bool Until(Done done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

}  // namespace

void Soak::FloodPhase() {
  phase_ = Phase::Flood;
  ++tally_.floodPhases;
  Sync();
  rssBeforeFloodKb_ = ReadStatusKb("VmRSS:");
  // Unwatched outputs as the model holds them: valid maps that change
  // nothing the panel acts on. (A full map would report watched outputs as
  // they stood when the chunk was built, undoing changes made since.)
  std::string chunk;
  int64_t maps = 0;
  while (chunk.size() < (256u << 10)) {
    int output = 0;
    do {
      output = Uniform(rng_, 0, channelPool_ - 1);
    } while (slotOf_.count(output) != 0);
    chunk += sim_->Model().OneOutputMap(output);
    ++maps;
  }
  const QByteArray bytes(chunk.data(), static_cast<qsizetype>(chunk.size()));
  QElapsedTimer t, sinceOff, sinceRss;
  t.start();
  sinceOff.start();
  sinceRss.start();
  const int64_t offsBefore = tally_.offs;
  const int64_t durationMs = int64_t{options_.floodSeconds} * 1000;
  Until(
      [&] {
        if (!PanelAlive() || t.elapsed() >= durationMs) return true;
        QTcpSocket* client = SimClient();
        if (client != nullptr && client->bytesToWrite() < kTopUpBelow) {
          sim_->SendRaw(bytes);
          tally_.floodBytes += bytes.size();
          tally_.floodMaps += maps;
        }
        // A watched output changes (often going Off) every half second; its
        // map waits behind the flood like any other.
        if (sinceOff.elapsed() >= 500 && client != nullptr) {
          sinceOff.restart();
          WatchedEvent(Uniform(rng_, 0, static_cast<int>(watched_.size()) - 1));
        }
        if (sinceRss.elapsed() >= kRssEveryMs) {
          sinceRss.restart();
          floodPeakKb_ = std::max(floodPeakKb_, ReadStatusKb("VmRSS:"));
        }
        return false;
      },
      static_cast<int>(durationMs) + 1000);
  tally_.floodOffs += tally_.offs - offsBefore;
  // Worked off: every poll answered, every return of the phase in.
  QElapsedTimer drain;
  drain.start();
  Until(
      [&] {
        floodPeakKb_ = std::max(floodPeakKb_, ReadStatusKb("VmRSS:"));
        QTcpSocket* client = SimClient();
        return !PanelAlive() || client == nullptr || client->bytesToWrite() == 0;
      },
      60000);
  Settle(kFloodSettleMs);
  floodDrainMs_ = drain.elapsed();
  Pause(500);
  rssAfterFloodKb_ = ReadStatusKb("VmRSS:");
}

void Soak::ReportFlood(std::vector<std::string>& failures) const {
  if (tally_.floodPhases == 0) return;
  const int64_t growth = rssAfterFloodKb_ - rssBeforeFloodKb_;
  std::printf("flood                %" PRId64 " MB of valid maps (%" PRId64
              " maps) in %d s; %" PRId64 " Offs taken meanwhile; worked off %.1f s after\n",
              tally_.floodBytes >> 20, tally_.floodMaps, options_.floodSeconds, tally_.floodOffs,
              static_cast<double>(floodDrainMs_) / 1000.0);
  std::printf("flood RSS            before %" PRId64 " kB, peak %" PRId64
              " kB (sampled every %d "
              "ms; goal: under 64 MB), after %" PRId64 " kB (growth %+" PRId64
              " kB; goal: under 2048 kB)\n",
              rssBeforeFloodKb_, floodPeakKb_, kRssEveryMs, rssAfterFloodKb_, growth);
  if (floodPeakKb_ >= kRssGoalKb) failures.push_back("resident memory reached 64 MB in the flood");
  if (growth >= 2048) failures.push_back("the flood left 2 MB or more of resident memory held");
}

}  // namespace soak
