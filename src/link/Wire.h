#pragma once
// The arithmetic of the switcher's byte format, shared by the panel and the
// simulator: the 7-bit checksum of a frame's data bytes, the 14-bit word
// carried as two data bytes (low 7 bits first) and the closing of a frame.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/RuntimeError.h"

namespace vyr::wire {

inline constexpr unsigned char kEndOfMessage = 0xFF;
inline constexpr int kNoneWord = 16383;

// Sum of the bytes, kept to 7 bits after each addition. Keeping 7 bits at
// the end gives the same (2^64 is a multiple of 128). Eight bytes are added
// at a time, as four 16-bit sums of byte pairs that are emptied before they
// can overflow.
inline uint8_t Checksum7(std::string_view bytes) {
  constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;
  constexpr std::size_t kWordsPerRound = 128;  // 128 x 510 fits in 16 bits
  uint64_t total = 0;
  std::size_t i = 0;
  const std::size_t whole = bytes.size() - bytes.size() % 8;
  while (i < whole) {
    uint64_t lanes = 0;
    for (const std::size_t end = std::min(whole, i + 8 * kWordsPerRound); i < end; i += 8) {
      uint64_t word;
      std::memcpy(&word, bytes.data() + i, 8);
      lanes += (word & kEvenBytes) + ((word >> 8) & kEvenBytes);
    }
    total += (lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) + (lanes >> 48);
  }
  for (; i < bytes.size(); ++i) total += static_cast<unsigned char>(bytes[i]);
  return static_cast<uint8_t>(total & 0x7F);
}

constexpr char Low7(int value) { return static_cast<char>(value & 0x7F); }
constexpr char High7(int value) { return static_cast<char>((value >> 7) & 0x7F); }
constexpr int Word14(unsigned char low, unsigned char high) { return high * 128 + low; }

// Appends a 14-bit word as two data bytes. A value outside 0..16383 has no
// such form (its high byte would be a command byte): it raises Overflow.
inline void AppendWord14(std::string& frame, int value) {
  if (value < 0 || value > kNoneWord) throw RuntimeError(kErrOverflow, "Overflow");
  frame += Low7(value);
  frame += High7(value);
}

// Closes a frame whose command and data bytes are in place: checksum of the
// data bytes (everything after the command byte), then the end marker.
inline void CloseFrame(std::string& frame) {
  frame += static_cast<char>(Checksum7(std::string_view(frame).substr(frame.empty() ? 0 : 1)));
  frame += static_cast<char>(kEndOfMessage);
}

// Bytes as two-digit hex with a blank between: "FE 04 00", for people.
inline std::string Hex(std::string_view bytes) {
  std::string text;
  char cell[4];
  for (unsigned char c : bytes) {
    std::snprintf(cell, sizeof cell, text.empty() ? "%02X" : " %02X", c);
    text += cell;
  }
  return text;
}

}  // namespace vyr::wire
