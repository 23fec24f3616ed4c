#include <gtest/gtest.h>

#include "config/SetupRules.h"

namespace vyr::test {
namespace {

TEST(SetupRules, addressesAreNormalisedOrRefused) {
  const struct {
    const char* typed;
    const char* expected;  // nullptr: refused
  } cases[] = {
      {"192.168.001.010", "192.168.1.10"},
      {"300.1.1.1", "255.1.1.1"},
      {"..1.2", "0.0.1.2"},
      {"10.0.0.2.5", "10.0.0.2"},
      {"10.0.0.3.5", "10.0.0.4"},
      {"1.2.3.999999999999", "1.2.3.255"},
      {"1.2.3", nullptr},
      {"1.2.3.", nullptr},
      {"", nullptr},
      {"1..", nullptr},
  };
  for (const auto& c : cases) {
    const auto got = NormaliseIPAddress(c.typed);
    if (c.expected == nullptr) {
      EXPECT_FALSE(got.has_value()) << c.typed << " gave " << got.value_or("");
    } else {
      EXPECT_EQ(got.value_or("(refused)"), c.expected) << c.typed;
    }
  }
}

TEST(SetupRules, portBoxIsCheckedOnlyWhenChanged) {
  const struct {
    const char* typed;
    int32_t current;
    bool changed, valid;
    int32_t value;
  } cases[] = {
      {"1250", 1250, false, true, 1250},  {"70000", 70000, false, true, 70000},
      {"0", 1250, true, false, 1250},     {"", 1250, true, false, 1250},
      {"65536", 1250, true, false, 1250}, {"65535", 1250, true, true, 65535},
      {"1", 1250, true, true, 1},         {"2000", 1250, true, true, 2000},
  };
  for (const auto& c : cases) {
    const PortEntry e = ReadPortBox(c.typed, c.current);
    EXPECT_EQ(e.changed, c.changed) << c.typed;
    EXPECT_EQ(e.valid, c.valid) << c.typed;
    EXPECT_EQ(e.value, c.value) << c.typed;
  }
}

TEST(SetupRules, delayIsCappedAndTurnedIntoWholePollTicks) {
  EXPECT_EQ(ReadDelayBox(""), 0);
  EXPECT_EQ(ReadDelayBox("99999999"), 10000);
  EXPECT_EQ(ReadDelayBox("250"), 250);
  EXPECT_EQ(WaitTicksFor(250, 100), 2);
  EXPECT_EQ(WaitTicksFor(350, 100), 4);
  EXPECT_EQ(WaitTicksFor(10000, 100), 100);
}

TEST(SetupRules, returnSourceListNamesEveryInputWithItsNumber) {
  AppState st;
  st.iNumInputs = 3;
  st.sInputNames = {"MIC 1", "CD", "NET"};
  const auto items = ReturnSourceList(st);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0], "Undefined");
  EXPECT_EQ(items[1], "MIC 1[0001]");
  EXPECT_EQ(items[3], "NET[0003]");
  EXPECT_EQ(ReturnSourceItem(kNone, 4), 0);
  EXPECT_EQ(ReturnSourceItem(0, 4), 1);
  EXPECT_EQ(ReturnSourceItem(3, 4), 0);  // beyond the list
  EXPECT_EQ(ReturnSourceOfItem(0), kNone);
  EXPECT_EQ(ReturnSourceOfItem(2), 1);
}

TEST(SetupRules, keyFiltersTakeDigitsBackspaceAndDotsForAddressesOnly) {
  for (char k : {'0', '5', '9', '\b'}) {
    EXPECT_TRUE(NumberKeyPasses(k)) << k;
    EXPECT_TRUE(AddressKeyPasses(k)) << k;
  }
  EXPECT_TRUE(AddressKeyPasses('.'));
  for (char k : {'.', 'a', '-', ' ', '\r', '\x1b', '/', ':'}) EXPECT_FALSE(NumberKeyPasses(k)) << k;
  for (char k : {'a', '-', ' ', '\r', ','}) EXPECT_FALSE(AddressKeyPasses(k)) << k;
}

TEST(SetupRules, returnComboKeys) {
  AppState st;
  st.iNumInputs = 20;
  st.iReturnSource = 4;  // item 5 is the stored setting
  const int items = 21;
  const struct {
    char key;
    const char* before;
    bool passes;
    int select;  // -1: none
  } cases[] = {
      {kKeyEnter, "12", false, 12},   {kKeyEnter, "0", false, 5},
      {kKeyEnter, "21", false, 5},    {kKeyEnter, " 3 ", false, 3},
      {kKeyEnter, "MIC", true, 5},    {kKeyEscape, "7", true, 5},
      {'u', "7", false, 0},           {'U', "", false, 0},
      {'4', "12", true, -1},          {'4', "16384", true, 5},
      {kKeyBackspace, "1", true, -1}, {'x', "1", false, -1},
  };
  for (const auto& c : cases) {
    const ComboKey k = ReturnComboKey(c.key, c.before, items, st);
    EXPECT_EQ(k.passes, c.passes) << int(c.key) << " after '" << c.before << "'";
    EXPECT_EQ(k.select.value_or(-1), c.select) << int(c.key) << " after '" << c.before << "'";
  }
  st.iReturnSource = kNone;
  EXPECT_EQ(ReturnComboKey(kKeyEscape, "", items, st).select, 0);
  EXPECT_EQ(ReturnComboKey('u', "", 0, st).select, std::nullopt);  // empty list: nothing
}

}  // namespace
}  // namespace vyr::test
