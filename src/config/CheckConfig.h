#pragma once

#include <ostream>
#include <string>

namespace vyr {

// Reads vyrntpnl.ini from `file` exactly as start-up does and prints the
// settings as the program understands them: after bounds and rounding,
// numbers 1-based as in the file, "none" marked, the password not shown.
// A failed read prints the error log line instead; an address or port no
// connection can start with is named after the settings. Nothing is written
// to disk. Returns 0 for a usable configuration, 1 otherwise.
int CheckConfig(const std::string& file, const std::string& programFolder, std::ostream& out);

}  // namespace vyr
