#pragma once
// The small byte routines every sender and parser shares: checksum, end of
// message, taking bytes off the receive buffer, joining a 14-bit word.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AppState.h"
#include "core/Checked.h"
#include "core/ErrorLog.h"

namespace vyr {

// Sum of the bytes at 1 .. (last index - n), 7 bits kept after each step.
int16_t CalcCheckSum(std::string_view message, int16_t n, ErrorLog& log);
// Index of the first 0xFF plus one; 0 when there is none.
int32_t FindEOM(std::string_view buffer, ErrorLog& log);
// Removes the first n bytes of the receive buffer and returns them.
std::string TrimBuffer(AppState& st, int64_t n, ErrorLog& log);
// high x 128 + low, in 16 bits.
inline int16_t MakeInteger(unsigned char low, unsigned char high) {
  return Add16(Mul16(high, 128), low);
}

// The byte at `index` of a message; raises 9 past either end.
inline unsigned char ByteAt(std::string_view message, int64_t index) {
  return static_cast<unsigned char>(At(message, index));
}

}  // namespace vyr
