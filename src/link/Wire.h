#pragma once
// The two arithmetic rules of the switcher's byte format, shared by the panel
// and the simulator: the 7-bit checksum of a frame's data bytes and the
// 14-bit word carried as two data bytes, low 7 bits first.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace vyr::wire {

inline constexpr unsigned char kEndOfMessage = 0xFF;
inline constexpr int kNoneWord = 16383;

// Sum of the bytes, kept to 7 bits after each addition. Keeping 7 bits at
// the end gives the same (2^32 is a multiple of 128), and the loop vectorises.
constexpr uint8_t Checksum7(std::string_view bytes) {
  unsigned sum = 0;
  for (char c : bytes) sum += static_cast<unsigned char>(c);
  return static_cast<uint8_t>(sum & 0x7F);
}

constexpr char Low7(int value) { return static_cast<char>(value & 0x7F); }
constexpr char High7(int value) { return static_cast<char>((value >> 7) & 0x7F); }
constexpr int Word14(unsigned char low, unsigned char high) { return high * 128 + low; }

// Appends a 14-bit word as two data bytes.
inline void AppendWord(std::string& frame, int value) {
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
