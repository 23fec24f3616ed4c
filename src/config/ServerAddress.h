#pragma once
// Whether the Server Module's address and port from vyrntpnl.ini can be
// connected to at all. The file keeps what it holds (the reader's bounds and
// defaults stand); the configuration check and each connection attempt ask
// here and say why not.

#include <cstdint>
#include <string>

namespace vyr {

// Empty when an attempt can start; otherwise the reason, e.g. "IP Port 70000
// is outside 1..65535".
std::string ServerAddressProblem(const std::string& address, int64_t port);

}  // namespace vyr
