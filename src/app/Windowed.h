#pragma once

#include <string>

namespace vyr {

// The desktop panel: the main window on the event loop, with vyrntpnl.ini
// and Errorlog.txt in `folder`. Needs a QApplication; returns when the user
// has confirmed the exit.
int RunWindowed(const std::string& folder);

}  // namespace vyr
