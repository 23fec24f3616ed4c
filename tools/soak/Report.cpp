// The summary the soak prints at its end.

#include <QDir>
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <numeric>

#include "Soak.h"

namespace soak {

namespace {

std::string Stats(const std::vector<int64_t>& ms) {
  if (ms.empty()) return "none";
  const auto [lo, hi] = std::minmax_element(ms.begin(), ms.end());
  const double mean = static_cast<double>(std::accumulate(ms.begin(), ms.end(), int64_t{0})) /
                      static_cast<double>(ms.size());
  char text[128];
  std::snprintf(text, sizeof text, "%zu, drop after %.2f / %.2f / %.2f s (min / mean / max)",
                ms.size(), Seconds(*lo), mean / 1000.0, Seconds(*hi));
  return text;
}

}  // namespace

void Soak::PrintSummary(int64_t ms, bool aliveAtEnd, int crashes, int64_t growth,
                        std::vector<std::string>& failures) const {
  const int fileLines = CountErrorLogFileLines();
  const int logFiles = static_cast<int>(
      QDir(folder_).entryList({QStringLiteral("Errorlog*.txt")}, QDir::Files).size());
  std::string kinds;
  std::vector<std::pair<std::string, int64_t>> sorted(tally_.errorKinds.begin(),
                                                      tally_.errorKinds.end());
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return a.second > b.second; });
  for (const auto& [kind, count] : sorted) {
    kinds += "                     " + std::to_string(count) + "  " + kind + "\n";
  }
  std::string trend;
  for (const auto& [c, kb] : rssTrend_) {
    trend += (trend.empty() ? "" : ", ") + std::string("c") + std::to_string(c) + " " +
             std::to_string(kb);
  }

  std::printf("\n==== vyr-soak summary ====\n");
  std::printf("program              %s (pid %" PRId64 ")\n", qPrintable(options_.program), pid_);
  std::printf("seed                 %" PRIu64 "\n", options_.seed);
  std::printf("duration             %.1f s\n", Seconds(ms));
  std::printf(
      "crashes              %d  (%s)\n", crashes,
      aliveAtEnd
          ? (exitStatus_ == QProcess::NormalExit
                 ? ("running at the end; exit code " + std::to_string(exitCode_) + " after SIGTERM")
                       .c_str()
                 : "killed by a signal after SIGTERM")
          : "ended before the driver stopped it");
  std::printf(
      "cycles done          %d / %d  (plain drops %d, %d of them mid-frame; silent polls "
      "%d; stopped reading %d; garbage then drop %d; stalled reader %d)\n",
      tally_.Cycles(), options_.cycles, tally_.drops, tally_.midFrameDrops, tally_.silentPhases,
      tally_.deafPhases, tally_.garbagePhases, tally_.stallPhases);
  std::printf("panel link           %" PRId64 " connects, %" PRId64 " disconnects, %" PRId64
              " unexpected, %" PRId64 " reconnect time-outs, %" PRId64 " late syncs\n",
              tally_.connects, tally_.disconnects, tally_.unexpectedDisconnects,
              tally_.reconnectTimeouts, tally_.syncTimeouts);
  std::printf("messages sent        %" PRId64 "  (%" PRId64 " bytes)\n", tally_.Messages(),
              tally_.bytes);
  std::printf("  one-output maps    %" PRId64 "\n  full maps          %" PRId64
              "\n  name tables        %" PRId64 "\n  polls              %" PRId64
              "\n  keep-alive answers %" PRId64 "\n  garbage runs       %" PRId64
              "\n  broken fragments   %" PRId64 "\n  bad checksums      %" PRId64
              "\n  type/other frames  %" PRId64 "\n  random frames      %" PRId64 "\n",
              tally_.oneOutputMaps, tally_.fullMaps, tally_.nameTables, tally_.polls,
              tally_.keepAlives, tally_.garbage, tally_.fragments, tally_.badChecksums,
              tally_.otherFrames, tally_.randomFrames);
  std::printf("Offs taken           %" PRId64 "  (connected, counted phases)\n", tally_.offs);
  std::printf("Offs returned        %" PRId64 "  (%" PRId64 " to another source than expected)\n",
              tally_.returned, tally_.wrongSource);
  std::printf("Offs missing         %zu\n", missing_.size());
  for (size_t i = 0; i < missing_.size() && i < 20; ++i) {
    const PendingOff& off = missing_[i];
    std::printf("  output %d (expected input %d), cycle %d, after %" PRId64 " messages\n",
                off.output + 1, off.expected + 1, off.cycle, off.message);
  }
  std::printf("unasked returns      %" PRId64 "\n", tally_.unexpectedReturns);
  std::printf("panel returns sent   %" PRId64 "  (its own 'mode 0x04' lines)\n",
              tally_.returnsSent);
  std::printf("silent-poll Offs     %" PRId64 " taken, %" PRId64 " returned\n", tally_.silentOffs,
              tally_.silentReturned);
  std::printf("not-reading Offs     %" PRId64 " taken, %" PRId64
              " still Off after the reconnection\n",
              tally_.deafOffs, tally_.deafLeftOff);
  std::printf("Offs while down      %" PRId64 " taken while the link was down, %" PRId64
              " still Off after the reconnection\n",
              tally_.downOffs, tally_.downLeftOff);
  std::printf("silent polls         %s\n", Stats(tally_.silentDropMs).c_str());
  std::printf("stopped reading      %s\n", Stats(tally_.deafDropMs).c_str());
  std::printf("stalled reader       %s; %" PRId64
              " dropped by the send limits (logged); "
              "%" PRId64 " type requests flooded (not in the message count)\n",
              Stats(tally_.stallDropMs).c_str(), tally_.stallDropsByLimit, tally_.floodRequests);
  std::printf("RSS start            %" PRId64 " kB  (after the first connection)\n", rssStartKb_);
  std::printf("RSS end              %" PRId64 " kB\n", rssEndKb_);
  std::printf("RSS peak             %" PRId64 " kB sampled after each cycle, VmHWM %" PRId64
              " kB\n",
              rssPeakKb_, hwmKb_);
  std::printf("RSS growth           %+" PRId64 " kB  (goal: under 2048 kB)\n", growth);
  std::printf("RSS by cycle (kB)    %s\n", trend.c_str());
  std::printf("error-log lines      %" PRId64
              " echoed on standard output; %d in %d Errorlog "
              "file(s) without headers\n",
              tally_.errorLines, fileLines, logFiles);
  std::string phases;
  for (const auto& [phase, count] : tally_.errorsByPhase) {
    phases += (phases.empty() ? "" : ", ") + phase + " " + std::to_string(count);
  }
  std::printf("  by phase           %s\n", phases.empty() ? "none" : phases.c_str());
  std::printf("%s", kinds.c_str());
  PrintStalledOutput(stalledOutput_);
  ReportFlood(failures);
  for (const std::string& note : notes_) std::printf("note                 %s\n", note.c_str());
  std::printf("work folder          %s\n", qPrintable(folder_));
  std::printf("result               %s\n", failures.empty() ? "PASS" : "FAIL");
  for (const std::string& f : failures) std::printf("  - %s\n", f.c_str());
  std::fflush(stdout);
}

}  // namespace soak
