#pragma once
// A fresh state, timer and log over a temporary program folder, with the log
// lines collected so tests can see what was reported.

#include <string>
#include <vector>

#include "config/IniFile.h"
#include "core/Clock.h"
#include "core/InitProgram.h"
#include "support/TempFolder.h"

namespace vyr::test {

struct IniFixture {
  TempFolder folder;
  AppState st;
  FixedClock clock{DateTime{2011, 3, 1, 9, 5, 7}};
  ManualTimer tmrpoll;
  ErrorLog log{st.sAppPath, clock};
  std::vector<std::string> logged;

  IniFixture() {
    log.SetEcho([this](const std::string& line) { logged.push_back(line); });
    log.SetCountRepeats(false);  // the same failure in the next case is logged again
    InitProgram(st, folder.path().substr(0, folder.path().size() - 1), tmrpoll, log);
  }

  // Writes the lines as a file with CRLF ends, then reads it.
  bool ReadLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    folder.Write(kIniFileName, text);
    return ReadIniFile(st, log);
  }

  // The one line a failure logs, as the fixture's clock dates it.
  std::vector<std::string> Logged(const std::string& category, const std::string& message) const {
    return {BuildLogLine(FormatGeneralDate(clock.Now()), category, message)};
  }
};

}  // namespace vyr::test
