#pragma once

#include <string>

namespace vyr {

// Runs the panel without windows: the start-up path with `folder`, then the
// event loop until SIGINT or SIGTERM. Prints one line per noteworthy event
// on `outFd` (standard output) without ever waiting for its reader.
// Returns the process exit code (1 when there is no usable configuration).
int RunHeadless(const std::string& folder, int outFd);

}  // namespace vyr
