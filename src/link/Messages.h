#pragma once
// Every message the panel reads or writes, as pure functions on bytes:
// decoders return what a frame says (or that it is to be dropped), builders
// return whole frames. A read past a frame's end raises 9 and a value that
// does not fit raises 6; the routine that called reports it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/AppState.h"

namespace vyr {

// Command bytes of the frames the panel handles.
inline constexpr unsigned char kTypeRequest = 0x81;
inline constexpr unsigned char kSwitcherType = 0xE5;
inline constexpr unsigned char kCrosspointMap = 0xF6;
inline constexpr unsigned char kNameTable = 0xFC;

// The Server Module asks which kind of panel this is.
bool IsTypeRequest(std::string_view message);
// The answer: a panel of kind 2, version 1.
std::string BuildTypeAnswer();

// The switcher type word of a 0xE5 frame, or nothing when it is not one.
std::optional<int16_t> DecodeSwitcherType(std::string_view message);

// Kinds of name table.
inline constexpr int kInputTable = 10;
inline constexpr int kOutputTable = 20;

// A 0xFC name table: `count` names, those from `first` filled in.
struct NameTable {
  bool valid = false;  // checksum and length agree
  int kind = 0;
  int16_t count = 0;
  std::vector<std::string> names;
};
NameTable DecodeNameTable(std::string_view message);

// A 0xF6 crosspoint map; `dropped` when it failed a check.
struct DecodedMap {
  bool dropped = true;
  int16_t iFirst = 0;  // first output
  std::vector<XptRecord> records;
};
// Checks and decodes a map (checksum, counts, length). Raises 6 for an
// entry count of 256 or more and 9 for a read past the end.
DecodedMap DecodeCrosspointMap(std::string_view message);

// The 0xF2 info request carrying the two request words.
std::string BuildInfoRequest(int32_t L1, int32_t L2);
// The 9-byte 0xFE crosspoint change (1-based output and source); raises 6
// when a value does not fit 14 bits.
std::string BuildCrosspointChange(int16_t iOutput, int16_t iSource, int16_t iMode);

}  // namespace vyr
