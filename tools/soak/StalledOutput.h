#pragma once
// The stalled-stdout phase of the soak: the real headless program with its
// standard output a pipe that nobody drains for a while (a stalled journal,
// a terminal after Ctrl-S), against a simulator of its own. Watched outputs
// go Off one after another all the while; each must come back within its
// time. Then the pipe is drained and the program's "N lines dropped" must
// mark the gap.

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace soak {

struct StalledOutputResult {
  bool ran = false;
  int64_t stalledMs = 0;    // how long nobody read
  int64_t offs = 0;         // watched outputs taken Off meanwhile
  int64_t returned = 0;     // of them returned
  int64_t maxReturnMs = 0;  // slowest return
  double meanReturnMs = 0;
  int64_t bytesRead = 0;  // everything read from the pipe in the end
  int64_t linesRead = 0;
  int64_t dropped = -1;  // N of "N lines dropped"; -1 when not seen
  int droppedLines = 0;  // how many such lines there were
  int brokenLines = 0;   // lines without their time stamp
  int exitCode = -1;     // after SIGTERM; -1 when it did not end by itself
  std::vector<std::string> failures;
};

// Runs the phase in `workDir`/stalled-output for `seconds` of stall.
StalledOutputResult RunStalledOutput(const QString& program, const QString& workDir, int seconds);
void PrintStalledOutput(const StalledOutputResult& result);

}  // namespace soak
