#include "link/ByteManipulation.h"

#include "core/Checked.h"
#include "link/Wire.h"

namespace vyr {

int16_t CalcCheckSum(std::string_view message, int16_t n, ErrorLog& log) {
  int16_t sum = 0;
  Trap(log, "Error Calculating Check Sum", "Delay Error", [&] {
    const int64_t last = static_cast<int64_t>(message.size()) - 1 - n;
    if (last < 1) return;
    sum = wire::Checksum7(message.substr(1, static_cast<std::size_t>(last)));
  });
  return sum;
}

int32_t FindEOM(std::string_view buffer, ErrorLog& log) {
  int32_t length = 0;
  Trap(log, "Error finding EOM", "Buffer Error", [&] {
    const std::size_t at = buffer.find(static_cast<char>(wire::kEndOfMessage));
    if (at != std::string_view::npos) length = ToInt32(static_cast<int64_t>(at) + 1);
  });
  return length;
}

std::string TrimBuffer(AppState& st, int64_t n, ErrorLog& log) {
  std::string front;
  Trap(log, "Error Trimming Buffer", "Switcher Buffer Error",
       [&] { front = st.sRecvBuffer.TakeFront(n < 0 ? 0 : static_cast<std::size_t>(n)); });
  return front;
}

}  // namespace vyr
