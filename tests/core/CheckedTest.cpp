#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/Checked.h"
#include "support/ErrorOf.h"

namespace vyr {
namespace {

using test::ErrorOf;

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Checked, conversionsRoundHalvesToTheEvenNeighbour) {
  EXPECT_EQ(CInt(0.5), 0);
  EXPECT_EQ(CInt(1.5), 2);
  EXPECT_EQ(CInt(2.5), 2);
  EXPECT_EQ(CInt(-2.5), -2);
  EXPECT_EQ(CInt(-0.6), -1);
  EXPECT_EQ(CLng(100001.5), 100002);
  EXPECT_EQ(CByte(254.5), 254);
  EXPECT_EQ(CByte(-0.5), 0);
}

TEST(Checked, conversionsOutsideTheRangeOverflow) {
  EXPECT_EQ(CInt(32767.4), 32767);
  EXPECT_EQ(ErrorOf([] { CInt(32767.5); }), kErrOverflow);
  EXPECT_EQ(CInt(-32768.5), -32768);
  EXPECT_EQ(ErrorOf([] { CInt(-32768.6); }), kErrOverflow);
  for (double bad : {std::nan(""), kInf, -kInf}) {
    EXPECT_EQ(ErrorOf([=] { CInt(bad); }), kErrOverflow) << bad;
    EXPECT_EQ(ErrorOf([=] { CLng(bad); }), kErrOverflow) << bad;
    EXPECT_EQ(ErrorOf([=] { CByte(bad); }), kErrOverflow) << bad;
  }
  EXPECT_EQ(CLng(2147483647.4), INT32_MAX);
  EXPECT_EQ(ErrorOf([] { CLng(2147483647.5); }), kErrOverflow);
  EXPECT_EQ(CLng(-2147483648.5), INT32_MIN);
  EXPECT_EQ(ErrorOf([] { CLng(-2147483649.0); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CByte(255.5); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CByte(-0.6); }), kErrOverflow);
}

TEST(Checked, counterArithmeticOverflowsAtTheBoundaries) {
  EXPECT_EQ(ToInt16(-32768), -32768);
  EXPECT_EQ(ErrorOf([] { ToInt16(32768); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { ToInt16(-32769); }), kErrOverflow);
  EXPECT_EQ(Add16(32766, 1), 32767);
  EXPECT_EQ(ErrorOf([] { Add16(32767, 1); }), kErrOverflow);
  EXPECT_EQ(Sub16(-32767, 1), -32768);
  EXPECT_EQ(ErrorOf([] { Sub16(-32768, 1); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { Add32(INT32_MAX, 1); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { Sub32(INT32_MIN, 1); }), kErrOverflow);
  EXPECT_EQ(IntDiv(-7, 2), -3);
  EXPECT_EQ(ErrorOf([] { IntDiv(1, 0); }), kErrDivByZero);
}

TEST(Checked, tableAccessOutsideItsBoundsIsSubscriptError) {
  std::vector<int16_t> table{10, 20, 30};
  EXPECT_EQ(At(table, 2), 30);
  EXPECT_EQ(ErrorOf([&] { At(table, -1); }), kErrSubscript);
  EXPECT_EQ(ErrorOf([&] { At(table, 3); }), kErrSubscript);
  RedimPreserve(table, int64_t{4}, int16_t{7});
  EXPECT_EQ(table, (std::vector<int16_t>{10, 20, 30, 7}));
  Redim(table, 2);
  EXPECT_EQ(table, (std::vector<int16_t>{0, 0}));
  EXPECT_EQ(ErrorOf([&] { Redim(table, -1); }), kErrSubscript);
  EXPECT_EQ(ErrorOf([&] { RedimPreserve(table, -1); }), kErrSubscript);
}

TEST(Checked, valReadsTheNumberAtTheStartOfAText) {
  EXPECT_EQ(Val("  \t 42"), 42);
  EXPECT_EQ(Val("12abc"), 12);
  for (const char* none : {"abc", "", "   ", "-", "."}) EXPECT_EQ(Val(none), 0) << none;
  EXPECT_EQ(Val("-3.5x"), -3.5);
  EXPECT_EQ(Val("+7"), 7);
  EXPECT_EQ(Val(".5"), 0.5);
  EXPECT_EQ(Val("1e3"), 1000);
  EXPECT_EQ(Val("2E-2"), 0.02);
  EXPECT_EQ(Val("12e"), 12);
  EXPECT_EQ(Val("12e+"), 12);
}

TEST(Checked, valGivesInfinityOrZeroForNumbersBeyondADouble) {
  EXPECT_EQ(Val("1e400"), kInf);
  EXPECT_EQ(Val("-1e400"), -kInf);
  EXPECT_EQ(Val("1e-400"), 0);
  EXPECT_EQ(Val("0.0001e400"), kInf);
  EXPECT_EQ(Val(std::string(400, '9')), kInf);
  EXPECT_EQ(Val("-" + std::string(400, '9') + "x"), -kInf);
  EXPECT_EQ(Val("0." + std::string(400, '0') + "1"), 0);
  EXPECT_EQ(ErrorOf([] { CInt(Val("1e400")); }), kErrOverflow);
}

}  // namespace
}  // namespace vyr
