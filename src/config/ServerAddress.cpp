#include "config/ServerAddress.h"

namespace vyr {

std::string ServerAddressProblem(const std::string& address, int64_t port) {
  if (address.empty()) return "IP Address is empty or missing";
  if (port < 1 || port > 65535) return "IP Port " + std::to_string(port) + " is outside 1..65535";
  return {};
}

}  // namespace vyr
