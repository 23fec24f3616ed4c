#pragma once

#include <string>

#include "engine/Panel.h"

namespace vyr {

// The start-up path the window and the headless program share: defaults,
// vyrntpnl.ini from `folder`, the bus table, then (with a usable
// configuration) the first connection attempt, the poll timer and one row
// per watched output. Returns whether a usable configuration was read.
bool StartUp(Panel& p, const std::string& folder);

}  // namespace vyr
