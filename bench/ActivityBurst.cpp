// What a burst of activity lines costs: N lines handed to the window's
// Activity list (queued, then shown in one batch, the last 1,000 kept) and
// to the daily activity file, against a list that shows each line as it
// comes. Offscreen, in one process; not part of scripts/bench.sh.
//
//   vyr-bench-activity [LINES]

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/ErrorLog.h"
#include "engine/ActivityFile.h"
#include "ui/ActivityList.h"

namespace {

using Steady = std::chrono::steady_clock;

double MsSince(Steady::time_point start) {
  return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

std::string LineText(int i) {
  return "sent crosspoint change: output " + std::to_string(i % 256 + 1) +
         ", source 2, mode 0x04 (return Out 0002)  [FE 04 00 01 00 01 00 06 FF]";
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int lines = argc > 1 ? std::atoi(argv[1]) : 20000;
  const vyr::DateTime at{2011, 3, 1, 9, 5, 7, 250};

  vyr::ActivityList list;
  list.resize(400, 200);
  list.show();
  auto start = Steady::now();
  for (int i = 0; i < lines; ++i) list.ActivityLine(at, LineText(i));
  const double queued = MsSince(start);
  start = Steady::now();
  list.Flush();
  QApplication::processEvents();  // the list lays out and paints
  const double shown = MsSince(start);
  std::printf(
      "activity list: %d lines queued in %.1f ms, shown in one batch in %.1f ms (%d kept)\n", lines,
      queued, shown, list.count());

  // Lines shown one by one, as a list without batching would (at most
  // 2,000 of them: each costs a layout and a paint).
  vyr::ActivityList naive;
  naive.resize(400, 200);
  naive.show();
  const int few = std::min(lines, 2000);
  start = Steady::now();
  for (int i = 0; i < few; ++i) {
    naive.ActivityLine(at, LineText(i));
    naive.Flush();
    QApplication::processEvents();
  }
  std::printf("line by line:  %d lines in %.1f ms\n", few, MsSince(start));

  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString() + "/";
  vyr::FixedClock clock(at);
  vyr::ErrorLog log(folder, clock);
  vyr::ActivityFile file(folder, clock, log);
  file.Start();
  start = Steady::now();
  for (int i = 0; i < lines; ++i) file.ActivityLine(at, LineText(i));
  const double written = MsSince(start);
  std::printf("daily file:    %d lines written in %.1f ms (%.2f us a line)\n", lines, written,
              written * 1000 / lines);
  return 0;
}
