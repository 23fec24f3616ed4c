#pragma once
// Framing of the byte stream from the Server Module: where a message starts
// and ends, the one-byte messages, the small byte readers every decoder
// shares, and how much the receive buffer may take. Pure: no state, no log.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ByteBuffer.h"
#include "core/Checked.h"

namespace vyr {

// One-byte messages: the Server Module's poll and the panel's answer, an
// acknowledgement, and a no-operation.
inline constexpr unsigned char kPoll = 0xF5;
inline constexpr unsigned char kPollAnswer = 0xF4;
inline constexpr unsigned char kAcknowledge = 0xF1;
inline constexpr unsigned char kNoOperation = 0xF3;

// Unworked bytes the receive buffer takes before reading stops, so that TCP
// flow control slows a Server Module that sends faster than the panel works
// (only the rest of one longer message is read beyond it).
inline constexpr std::size_t kReceiveBacklogBytes = 4u << 20;

// Longer than the largest message (a full map of 16,383 outputs with 64
// tagged three-word entries each is under 8 MB): a start of a message this
// long without its end marker is dropped rather than kept growing.
inline constexpr std::size_t kMaxMessageBytes = 16u << 20;

// Sum of the bytes at 1 .. (last index - n), 7 bits kept after each step.
int16_t CalcCheckSum(std::string_view message, int16_t n);
// Index of the first 0xFF plus one; 0 when there is none.
int32_t FindEOM(std::string_view buffer);
// high x 128 + low, in 16 bits.
inline int16_t MakeInteger(unsigned char low, unsigned char high) {
  return Add16(Mul16(high, 128), low);
}
// The byte at `index` of a message; raises 9 past either end.
inline unsigned char ByteAt(std::string_view message, int64_t index) {
  return static_cast<unsigned char>(At(message, index));
}
// A frame's checksum byte (before its end marker) matches its data bytes.
inline bool ChecksumMatches(std::string_view message) {
  return CalcCheckSum(message, 2) == ByteAt(message, static_cast<int64_t>(message.size()) - 2);
}

// What the front of the receive buffer gave.
struct Frame {
  enum Kind {
    kNothing,     // the buffer is empty, or held only bytes that start nothing
    kIncomplete,  // it starts with a message whose end has not arrived
    kSingle,      // a one-byte message, in `command`
    kMessage,     // a whole frame, command byte to end marker, in `message`
  };
  Kind kind = kNothing;
  unsigned char command = 0;
  std::string message;
};

// Takes the first message off the front of the buffer. Bytes that cannot
// start a message are skipped; a frame with a command byte before its end
// marker is broken and dropped up to that byte (so a poll behind a frame
// whose end never comes is still answered). A start longer than
// kMaxMessageBytes without an end is dropped.
Frame NextFrame(ByteBuffer& buffer);

// Bytes the receive buffer may still take: up to kReceiveBacklogBytes, or,
// while it starts with one message longer than that still waiting for its
// end, up to just past kMaxMessageBytes.
std::size_t ReceiveRoom(const ByteBuffer& buffer);

}  // namespace vyr
