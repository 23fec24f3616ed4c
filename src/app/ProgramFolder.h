#pragma once

#include <string>

namespace vyr {

// Where vyrntpnl.ini and Errorlog.txt live when no --folder is given: the
// program's own folder, or, when that is not writable (an installed
// program), $XDG_CONFIG_HOME/VYRSourceReturn (~/.config/VYRSourceReturn),
// made when missing. Needs the application object.
std::string DefaultProgramFolder();

// Whether a window can be shown: a platform was chosen (QT_QPA_PLATFORM) or
// an X11 or Wayland display is named.
bool HasDisplay();

}  // namespace vyr
