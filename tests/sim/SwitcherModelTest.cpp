#include <gtest/gtest.h>

#include "SwitcherModel.h"

namespace sim {
namespace {

using Entries = std::vector<Entry>;

ChangeRequest Change(int mode, int source, int output) { return {mode, source, output}; }

TEST(SwitcherModel, startsWithOutputIOnInputIAndNumberedNames) {
  SwitcherModel model(3, 5, 8, false);
  EXPECT_EQ(model.Output(0).entries, Entries({{0, false}}));
  EXPECT_EQ(model.Output(2).entries, Entries({{2, false}}));
  EXPECT_TRUE(model.Output(3).entries.empty());  // no input 3
  EXPECT_EQ(model.InputName(0), "Inpt0001");
  EXPECT_EQ(model.OutputName(4), "Out 0005");

  SwitcherModel off(3, 5, 8, true);
  for (int o = 0; o < off.Outputs(); ++o) EXPECT_TRUE(off.Output(o).entries.empty()) << o;
}

TEST(SwitcherModel, appliesTheRoutingModes) {
  SwitcherModel model(300, 8, 8, false);
  ASSERT_TRUE(model.Sum(4, 1, 2));
  ASSERT_TRUE(model.Tag(4, 7));

  // 4: takes the source alone, tags and sums gone.
  EXPECT_TRUE(model.Apply(Change(kModeTake, 299, 4)));
  EXPECT_EQ(model.Output(4).entries, Entries({{299, false}}));
  // 0x24: joins once.
  EXPECT_TRUE(model.Apply(Change(kModeAdd, 17, 4)));
  EXPECT_TRUE(model.Apply(Change(kModeAdd, 17, 4)));
  EXPECT_EQ(model.Output(4).entries, Entries({{299, false}, {17, false}}));
  // 0x20: leaves; the last one leaving makes the output Off.
  EXPECT_TRUE(model.Apply(Change(kModeRemove, 299, 4)));
  EXPECT_EQ(model.Output(4).entries, Entries({{17, false}}));
  EXPECT_TRUE(model.Apply(Change(kModeRemove, 17, 4)));
  EXPECT_TRUE(model.Output(4).entries.empty());

  // Out of range: nothing changes.
  EXPECT_FALSE(model.Apply(Change(kModeTake, 300, 3)));
  EXPECT_FALSE(model.Apply(Change(kModeTake, 16383, 3)));
  EXPECT_FALSE(model.Apply(Change(kModeAdd, 5, 8)));
  EXPECT_EQ(model.Output(3).entries, Entries({{3, false}}));
}

TEST(SwitcherModel, recordsRelaysFromTheOutputFieldAndOptosFromTheSourceField) {
  SwitcherModel model(4, 4, 8, false);
  EXPECT_TRUE(model.Apply(Change(kModeRelayInUse, 0, 2)));
  EXPECT_TRUE(model.Apply(Change(kModeRelayOff, 0, 5)));
  EXPECT_TRUE(model.Apply(Change(kModeOptoOn, 3, 0)));
  EXPECT_TRUE(model.Apply(Change(kModeOptoOff, 9, 0)));
  EXPECT_EQ(model.RelayState(2), kModeRelayInUse);
  EXPECT_EQ(model.RelayState(5), kModeRelayOff);
  EXPECT_EQ(model.RelayState(0), -1);
  EXPECT_EQ(model.OptoState(3), kModeOptoOn);
  EXPECT_EQ(model.OptoState(9), kModeOptoOff);
  EXPECT_EQ(model.OptoState(0), -1);
  // Routing stays as it was.
  EXPECT_EQ(model.Output(0).entries, Entries({{0, false}}));

  EXPECT_FALSE(model.Apply(Change(0x05, 1, 1)));
  EXPECT_EQ(model.Output(1).entries, Entries({{1, false}}));
  EXPECT_EQ(model.Relays().size(), 2u);
  EXPECT_EQ(model.Optos().size(), 2u);
}

TEST(SwitcherModel, keepsToTheEntryLimitsOfTheMap) {
  SwitcherModel model(100, 100, 8, true);
  for (int i = 0; i < kMaxEntries; ++i) ASSERT_TRUE(model.Add(0, i)) << i;
  EXPECT_FALSE(model.Add(0, kMaxEntries));
  EXPECT_EQ(model.Output(0).entries.size(), static_cast<size_t>(kMaxEntries));

  for (int o = 0; o < kMaxTagged; ++o) ASSERT_TRUE(model.Tag(1, o)) << o;
  EXPECT_FALSE(model.Tag(1, kMaxTagged));
  EXPECT_TRUE(model.Add(1, 0));  // untagged entries still fit
}

TEST(SwitcherModel, fullMapCoversEveryOutputFromZero) {
  SwitcherModel model(2, 3, 8, false);
  EXPECT_EQ(Hex(model.FullMap()),
            "F6 00 03 00 00 00 01 00 00 00 00 00 00 01 00 00 01 00 00 00 00 00 00 06 FF");
}

}  // namespace
}  // namespace sim
