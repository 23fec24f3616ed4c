#pragma once
// vyrntpnl.ini: the panel's settings file. ReadIniFile fills the state once
// at start-up; WriteIniFile writes every setting back when the setup dialog
// is confirmed. Files written on Windows read as they are: CRLF or LF, names
// in any letter case, blanks around "=", 8-bit bytes kept.

#include <string>
#include <vector>

#include "core/AppState.h"
#include "core/ErrorLog.h"

namespace vyr {

inline constexpr const char* kIniFileName = "vyrntpnl.ini";

// "Confirm Time" is kept to 0..60000 ms; files without it read kDefaultConfirmTime.
inline constexpr int32_t kMaxConfirmTime = 60000;

// sAppPath + "vyrntpnl.ini".
std::string IniFilePath(const AppState& st);

// True when the file was found and read to its end. `path` defaults to the
// file in the program folder. Values read before a failure keep their new
// values; the failure is logged ("Error Reading ini file"). The state only:
// whoever owns the poll timer sets its interval from iRefreshRate.
bool ReadIniFile(AppState& st, ErrorLog& log, const std::string& path = {});

// Replaces the file whole; false (logged as "Error Writing ini File") when
// any setting could not be written, and the previous file is then untouched.
bool WriteIniFile(const AppState& st, ErrorLog& log, const std::string& path = {});

// One "key=value" of the file, in writing order.
struct IniEntry {
  std::string section;
  std::string key;
  std::string value;
};

// Every setting as the file holds it (1-based numbers, 16383 for none), in the
// order written. With scramble false the password stays as it is in memory.
// Raises Overflow for a number that does not fit once made 1-based, and
// Invalid procedure call for a password that cannot be scrambled.
std::vector<IniEntry> IniLayout(const AppState& st, bool scramble);

// The file text of a layout: "[SECTION]" lines and "key=value" lines, CRLF.
// A value holding CR, LF or NUL raises Invalid procedure call (5).
std::string RenderIni(const std::vector<IniEntry>& entries);

// The character at 1-based position p moves up (or back down) by p; a code
// that would leave 0..255 raises Invalid procedure call (5).
std::string ScramblePassword(const std::string& plain);
std::string UnscramblePassword(const std::string& stored);

// "01".."99", then "100" and up.
std::string TwoDigits(int n);

}  // namespace vyr
