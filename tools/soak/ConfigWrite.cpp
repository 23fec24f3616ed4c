// vyr-config-write: the setup dialog's Ok path without the window. Reads
// vyrntpnl.ini from FOLDER as start-up does, changes the wait time (so that
// the new file differs from the old), and writes the configuration back with
// WriteIniFile. Used by scripts/file-faults.sh for the full-disk case.
//
//   vyr-config-write FOLDER [WAIT_MS]
//
// Prints "written" or "not written" and every error-log line (the log goes
// to FOLDER/Errorlog.txt as in the program). Exit code 0 when written, 1 when
// the write failed, 2 when the file could not be read.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/IniFile.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "core/ErrorLog.h"
#include "core/InitProgram.h"
#include "core/Timer.h"

int main(int argc, char* argv[]) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: vyr-config-write FOLDER [WAIT_MS]\n");
    return 2;
  }
  vyr::AppState st;
  vyr::SystemClock clock;
  vyr::ManualTimer tmrpoll;
  vyr::ErrorLog log(st.sAppPath, clock);
  log.SetEcho([](const std::string& line) { std::printf("error log: %s\n", line.c_str()); });
  vyr::InitProgram(st, argv[1], tmrpoll, log);
  if (!vyr::ReadIniFile(st, log)) {
    std::printf("cannot read %s\n", vyr::IniFilePath(st).c_str());
    return 2;
  }
  st.iWaitTime = static_cast<int16_t>(argc == 3 ? std::atoi(argv[2]) : st.iWaitTime + 100);
  const bool written = vyr::WriteIniFile(st, log);
  std::printf("%s %s\n", written ? "written" : "not written", vyr::IniFilePath(st).c_str());
  return written ? 0 : 1;
}
