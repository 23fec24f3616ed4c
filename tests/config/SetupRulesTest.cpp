#include <gtest/gtest.h>

#include <tuple>

#include "config/SetupRules.h"

namespace vyr::test {
namespace {

TEST(SetupRules, addressesAreNormalisedOrRefused) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {  // typed, normalised ("" refused)
      {"192.168.001.010", "192.168.1.10"}, {"300.1.1.1", "255.1.1.1"}, {"..1.2", "0.0.1.2"},
      {"10.0.0.2.5", "10.0.0.2"}, {"10.0.0.3.5", "10.0.0.4"}, {"1.2.3.999999999999", "1.2.3.255"},
      {"1.2.3", ""}, {"1.2.3.", ""}, {"", ""}, {"1..", ""}};
  // clang-format on
  for (const auto& [typed, expected] : cases)
    EXPECT_EQ(NormaliseIPAddress(typed).value_or(""), expected) << typed;
}

TEST(SetupRules, numberBoxesAreCheckedCappedAndMadeWholeAndTakeOnlyDigits) {
  const std::tuple<const char*, int32_t, bool, bool, int32_t> ports[] = {
      // typed, current, changed, valid, value
      {"1250", 1250, false, true, 1250},  {"70000", 70000, false, true, 70000},
      {"0", 1250, true, false, 1250},     {"", 1250, true, false, 1250},
      {"65536", 1250, true, false, 1250}, {"65535", 1250, true, true, 65535},
      {"1", 1250, true, true, 1},         {"2000", 1250, true, true, 2000}};
  for (const auto& [typed, current, changed, valid, value] : ports) {
    const PortEntry e = ReadPortBox(typed, current);
    EXPECT_EQ(std::tie(e.changed, e.valid, e.value), std::tie(changed, valid, value)) << typed;
  }
  EXPECT_EQ(std::make_tuple(ReadDelayBox(""), ReadDelayBox("99999999"), ReadDelayBox("250")),
            std::make_tuple(0, 10000, 250));
  EXPECT_EQ(
      std::make_tuple(WaitTicksFor(250, 100), WaitTicksFor(350, 100), WaitTicksFor(10000, 100)),
      std::make_tuple(2, 4, 100));
  // Key filters take digits and backspace, and dots for addresses only.
  for (char k : {'0', '5', '9', '\b'}) EXPECT_TRUE(NumberKeyPasses(k) && AddressKeyPasses(k)) << k;
  EXPECT_TRUE(AddressKeyPasses('.'));
  for (char k : {'.', 'a', '-', ' ', '\r', '\x1b', '/', ':'}) EXPECT_FALSE(NumberKeyPasses(k)) << k;
  for (char k : {'a', '-', ' ', '\r', ','}) EXPECT_FALSE(AddressKeyPasses(k)) << k;
}

TEST(SetupRules, returnSourceListNamesEveryInputWithItsNumber) {
  AppState st;
  st.iNumInputs = 3;
  st.sInputNames = {"MIC 1", "CD", "NET"};
  EXPECT_EQ(ReturnSourceList(st),
            (std::vector<std::string>{"Undefined", "MIC 1[0001]", "CD[0002]", "NET[0003]"}));
  // Item 0 is none; an item beyond the list is too.
  EXPECT_EQ(
      std::make_tuple(ReturnSourceItem(kNone, 4), ReturnSourceItem(0, 4), ReturnSourceItem(3, 4)),
      std::make_tuple(0, 1, 0));
  EXPECT_EQ(std::make_tuple(ReturnSourceOfItem(0), ReturnSourceOfItem(2)),
            std::make_tuple(kNone, 1));
}

TEST(SetupRules, returnComboKeys) {
  AppState st;
  st.iNumInputs = 20;
  st.iReturnSource = 4;  // item 5 is the stored setting
  const std::tuple<char, const char*, bool, int> cases[] = {
      // key, text before it, passes, item selected (-1: none)
      {kKeyEnter, "12", false, 12},   {kKeyEnter, "0", false, 5},
      {kKeyEnter, "21", false, 5},    {kKeyEnter, " 3 ", false, 3},
      {kKeyEnter, "MIC", true, 5},    {kKeyEscape, "7", true, 5},
      {'u', "7", false, 0},           {'U', "", false, 0},
      {'4', "12", true, -1},          {'4', "16384", true, 5},
      {kKeyBackspace, "1", true, -1}, {'x', "1", false, -1}};
  for (const auto& [key, before, passes, select] : cases) {
    const ComboKey k = ReturnComboKey(key, before, 21, st);
    EXPECT_EQ(std::make_tuple(k.passes, k.select.value_or(-1)), std::make_tuple(passes, select))
        << int(key) << " after '" << before << "'";
  }
  st.iReturnSource = kNone;
  EXPECT_EQ(ReturnComboKey(kKeyEscape, "", 21, st).select, 0);
  EXPECT_EQ(ReturnComboKey('u', "", 0, st).select, std::nullopt);  // empty list: nothing
}

}  // namespace
}  // namespace vyr::test
