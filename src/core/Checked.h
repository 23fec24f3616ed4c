#pragma once
// Checked arithmetic, conversions and table access. Counters and channel
// numbers are 16- or 32-bit values in the state and in old log files; a
// result that does not fit raises Overflow (6), a bad index Subscript out of
// range (9), a zero divisor Division by zero (11).

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/RuntimeError.h"

namespace vyr {

// Narrowing with an overflow check.
inline int16_t ToInt16(int64_t value) {
  if (value < INT16_MIN || value > INT16_MAX) Raise(kErrOverflow);
  return static_cast<int16_t>(value);
}
inline int32_t ToInt32(int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) Raise(kErrOverflow);
  return static_cast<int32_t>(value);
}

inline int16_t Add16(int64_t a, int64_t b) { return ToInt16(a + b); }
inline int16_t Sub16(int64_t a, int64_t b) { return ToInt16(a - b); }
inline int16_t Mul16(int64_t a, int64_t b) { return ToInt16(a * b); }
inline int32_t Add32(int64_t a, int64_t b) { return ToInt32(a + b); }
inline int32_t Sub32(int64_t a, int64_t b) { return ToInt32(a - b); }
inline int32_t Mul32(int64_t a, int64_t b) { return ToInt32(a * b); }

// Integer quotient, truncated toward zero; a zero divisor raises 11.
int64_t IntDiv(int64_t a, int64_t b);

// Conversions to whole numbers: the nearest integer, a half going to the even
// neighbour (2.5 -> 2, 3.5 -> 4); NaN or a result outside the range raises 6.
int16_t CInt(double value);
int32_t CLng(double value);
uint8_t CByte(double value);

// The number at the start of a text: leading blanks and tabs skipped, then an
// optional sign, digits, an optional fraction and exponent. Text that does
// not begin with a number is 0; "12abc" is 12. Never fails; a number too
// large for a double is +/-infinity, which any later conversion rejects.
double Val(std::string_view text);

// The element at an index, or null for an index outside 0 .. size-1. Works
// on const and non-const vectors alike.
template <class Table>
auto* Find(Table& table, int64_t index) {
  if (index < 0 || static_cast<uint64_t>(index) >= table.size())
    return static_cast<decltype(&table[0])>(nullptr);
  return &table[static_cast<std::size_t>(index)];
}

// Checked element access: an index outside 0 .. size-1 raises 9. Tested
// here rather than through Find: this is on every hot path, and the direct
// test measured faster.
template <class Table>
auto& At(Table& table, int64_t index) {
  if (index < 0 || static_cast<uint64_t>(index) >= table.size()) Raise(kErrSubscript);
  return table[static_cast<std::size_t>(index)];
}

// Makes a table anew with `count` elements (indices 0 .. count-1), every one
// `fill`; old contents are dropped. A negative count raises 9, as a bad bound
// would.
template <class T>
void Redim(std::vector<T>& table, int64_t count, const T& fill = T()) {
  if (count < 0) Raise(kErrSubscript);
  table.assign(static_cast<std::size_t>(count), fill);
}

// Grows or shrinks a table to `count` elements, keeping those that remain.
template <class T>
void RedimPreserve(std::vector<T>& table, int64_t count, const T& fill = T()) {
  if (count < 0) Raise(kErrSubscript);
  table.resize(static_cast<std::size_t>(count), fill);
}

}  // namespace vyr
