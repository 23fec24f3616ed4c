#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/Checked.h"

namespace vyr {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// What a call gives as text: its value, or "error N" for the run-time error it raised.
template <class Body>
std::string Outcome(Body&& body) {
  try {
    return std::to_string(body());
  } catch (const RuntimeError& e) {
    return "error " + std::to_string(e.number());
  }
}

TEST(Checked, conversionsRoundHalvesToEvenAndOverflowOutsideTheirRange) {
  const double nan = std::nan("");
  // clang-format off
  const std::tuple<char, double, const char*> cases[] = {  // 'I' CInt, 'L' CLng, 'B' CByte
      {'I', 0.5, "0"}, {'I', 1.5, "2"}, {'I', 2.5, "2"}, {'I', -2.5, "-2"}, {'I', -0.6, "-1"},
      {'I', 32767.4, "32767"}, {'I', 32767.5, "error 6"}, {'I', -32768.5, "-32768"},
      {'I', -32768.6, "error 6"}, {'L', 100001.5, "100002"}, {'L', 2147483647.4, "2147483647"},
      {'L', 2147483647.5, "error 6"}, {'L', -2147483648.5, "-2147483648"},
      {'L', -2147483649.0, "error 6"}, {'B', 254.5, "254"}, {'B', -0.5, "0"},
      {'B', 255.5, "error 6"}, {'B', -0.6, "error 6"}, {'I', nan, "error 6"}, {'L', nan, "error 6"},
      {'B', nan, "error 6"}, {'I', kInf, "error 6"}, {'L', -kInf, "error 6"}, {'B', kInf, "error 6"}};
  // clang-format on
  for (const auto& [to, value, result] : cases) {
    const auto convert = [to = to, value = value]() -> int64_t {
      return to == 'I' ? CInt(value) : to == 'L' ? CLng(value) : CByte(value);
    };
    EXPECT_EQ(Outcome(convert), result) << to << " of " << value;
  }
}

TEST(Checked, arithmeticOverflowsAtTheBoundariesAndTableAccessOutsideItsBoundsIsError9) {
  EXPECT_EQ(Outcome([] { return ToInt16(-32768); }), "-32768");
  EXPECT_EQ(Outcome([] { return ToInt16(-32769); }), "error 6");
  EXPECT_EQ(Outcome([] { return Add16(32766, 1); }), "32767");
  EXPECT_EQ(Outcome([] { return Add16(32767, 1); }), "error 6");
  EXPECT_EQ(Outcome([] { return Sub16(-32767, 1); }), "-32768");
  EXPECT_EQ(Outcome([] { return Add32(INT32_MAX, 1); }), "error 6");
  EXPECT_EQ(Outcome([] { return Sub32(INT32_MIN, 1); }), "error 6");
  EXPECT_EQ(Outcome([] { return IntDiv(-7, 2); }), "-3");
  EXPECT_EQ(Outcome([] { return IntDiv(1, 0); }), "error 11");

  std::vector<int16_t> table{10, 20, 30};
  EXPECT_EQ(Outcome([&] { return At(table, 2); }), "30");
  EXPECT_EQ(Outcome([&] { return At(table, -1); }), "error 9");
  EXPECT_EQ(Outcome([&] { return At(table, 3); }), "error 9");
  RedimPreserve(table, int64_t{4}, int16_t{7});
  EXPECT_EQ(table, (std::vector<int16_t>{10, 20, 30, 7}));
  Redim(table, 2);
  EXPECT_EQ(table, (std::vector<int16_t>{0, 0}));
  EXPECT_EQ(Outcome([&] { return Redim(table, -1), 0; }), "error 9");
  EXPECT_EQ(Outcome([&] { return RedimPreserve(table, -1), 0; }), "error 9");
}

TEST(Checked, valReadsTheNumberAtTheStartOfATextAndInfinityOrZeroBeyondADouble) {
  const std::string nines(400, '9'), tiny = "0." + std::string(400, '0') + "1";
  // clang-format off
  const std::pair<std::string, double> cases[] = {
      {"  \t 42", 42}, {"12abc", 12}, {"abc", 0}, {"", 0}, {"   ", 0}, {"-", 0}, {".", 0},
      {"-3.5x", -3.5}, {"+7", 7}, {".5", 0.5}, {"1e3", 1000}, {"2E-2", 0.02}, {"12e", 12},
      {"12e+", 12}, {"1e400", kInf}, {"-1e400", -kInf}, {"1e-400", 0}, {"0.0001e400", kInf},
      {nines, kInf}, {"-" + nines + "x", -kInf}, {tiny, 0}, {tiny + "e50", 0}};
  // clang-format on
  for (const auto& [text, value] : cases) EXPECT_EQ(Val(text), value) << '"' << text << '"';
}

}  // namespace
}  // namespace vyr
