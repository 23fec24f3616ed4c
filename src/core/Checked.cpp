#include "core/Checked.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vyr {

namespace {

template <class Int>
Int RoundToInt(double value) {
  if (std::isnan(value)) Raise(kErrOverflow);
  // The default floating-point environment rounds to nearest, ties to even.
  const double r = std::nearbyint(value);
  if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
      r > static_cast<double>(std::numeric_limits<Int>::max()))
    Raise(kErrOverflow);
  return static_cast<Int>(r);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Roughly the power of ten of a well-formed unsigned number text: positive
// for numbers of 1 and more, negative or zero for smaller ones.
int64_t DecimalExponent(std::string_view number) {
  std::size_t i = 0;
  while (i < number.size() && number[i] == '0') ++i;
  int64_t power = 0;
  while (i < number.size() && IsDigit(number[i])) ++i, ++power;
  if (power == 0 && i < number.size() && number[i] == '.') {
    ++i;
    while (i < number.size() && number[i] == '0') ++i, --power;
  }
  const std::size_t e = number.find_first_of("eE");
  if (e != std::string_view::npos) {
    int64_t exponent = 0;
    std::size_t k = e + 1;
    const bool negative = k < number.size() && number[k] == '-';
    if (k < number.size() && (number[k] == '-' || number[k] == '+')) ++k;
    for (; k < number.size() && exponent < 100000000; ++k)
      exponent = exponent * 10 + (number[k] - '0');
    power += negative ? -exponent : exponent;
  }
  return power;
}

}  // namespace

int64_t IntDiv(int64_t a, int64_t b) {
  if (b == 0) Raise(kErrDivByZero);
  return a / b;
}

int16_t CInt(double value) { return RoundToInt<int16_t>(value); }
int32_t CLng(double value) { return RoundToInt<int32_t>(value); }
uint8_t CByte(double value) { return RoundToInt<uint8_t>(value); }

double Val(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t digitsStart = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  bool anyDigit = i > digitsStart;
  if (i < text.size() && text[i] == '.') {
    const std::size_t fracStart = ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    anyDigit = anyDigit || i > fracStart;
  }
  if (!anyDigit) return 0.0;
  // An exponent counts only when digits follow it ("12e" is 12).
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    const std::size_t expDigits = j;
    while (j < text.size() && IsDigit(text[j])) ++j;
    if (j > expDigits) i = j;
  }
  // from_chars takes no leading '+'.
  const std::size_t from = text[start] == '+' ? start + 1 : start;
  double result = 0.0;
  const auto parsed = std::from_chars(text.data() + from, text.data() + i, result);
  if (parsed.ec == std::errc::result_out_of_range) {
    // from_chars leaves `result` alone: a large decimal exponent means
    // overflow (infinity), a small one underflow (zero).
    const bool negative = text[start] == '-';
    return DecimalExponent(text.substr(digitsStart, i - digitsStart)) > 0
               ? (negative ? -HUGE_VAL : HUGE_VAL)
               : (negative ? -0.0 : 0.0);
  }
  return result;
}

}  // namespace vyr
