#include <gtest/gtest.h>

#include <map>

#include "SwitcherModel.h"

namespace sim {
namespace {

using Entries = std::vector<Entry>;

TEST(SwitcherModel, startsWithOutputIOnInputIOrAllOffWithNumberedNames) {
  SwitcherModel model(2, 3, 8, false);
  EXPECT_EQ(model.Output(1).entries, Entries({{1, false}}));
  EXPECT_EQ(std::tuple(model.InputName(0), model.OutputName(2)),
            std::tuple("Inpt0001", "Out 0003"));
  // Output 3 is Off: there is no input 3. The map covers every output from 0.
  EXPECT_EQ(Hex(model.FullMap()),
            "F6 00 03 00 00 00 01 00 00 00 00 00 00 01 00 00 01 00 00 00 00 00 00 06 FF");
  SwitcherModel off(3, 5, 8, true);
  for (int o = 0; o < off.Outputs(); ++o) EXPECT_TRUE(off.Output(o).entries.empty()) << o;
}

TEST(SwitcherModel, appliesEachChangeItNamesAndKeepsToTheEntryLimitsOfTheMap) {
  SwitcherModel model(300, 8, 8, false);
  ASSERT_TRUE(model.Sum(4, 1, 2) && model.Tag(4, 7));
  const struct {
    int mode, source, output;
    bool applied;
    int shown;  // the output whose entries follow
    Entries entries;
  } steps[] = {{kModeTake, 299, 4, true, 4, {{299, false}}},  // alone: the sum and the tag go
               {kModeAdd, 17, 4, true, 4, {{299, false}, {17, false}}},
               {kModeAdd, 17, 4, true, 4, {{299, false}, {17, false}}},  // joins once
               {kModeRemove, 299, 4, true, 4, {{17, false}}},
               {kModeRemove, 17, 4, true, 4, {}},  // the last one leaving makes the output Off
               {kModeTake, 300, 3, false, 3, {{3, false}}},  // out of range: nothing changes
               {kModeTake, 16383, 3, false, 3, {{3, false}}},
               {kModeAdd, 5, 8, false, 3, {{3, false}}},
               {0x05, 1, 1, false, 1, {{1, false}}},  // no such mode
               // Relays from the output field, optos from the source field; routing stays.
               {kModeRelayInUse, 0, 2, true, 2, {{2, false}}},
               {kModeRelayOff, 0, 5, true, 5, {{5, false}}},
               {kModeOptoOn, 3, 0, true, 0, {{0, false}}},
               {kModeOptoOff, 9, 0, true, 0, {{0, false}}}};
  for (const auto& s : steps) {
    SCOPED_TRACE(testing::Message()
                 << "mode " << s.mode << " source " << s.source << " output " << s.output);
    EXPECT_EQ(model.Apply({s.mode, s.source, s.output}), s.applied);
    EXPECT_EQ(model.Output(s.shown).entries, s.entries);
  }
  EXPECT_EQ(model.Relays(), (std::map<int, int>{{2, kModeRelayInUse}, {5, kModeRelayOff}}));
  EXPECT_EQ(model.Optos(), (std::map<int, int>{{3, kModeOptoOn}, {9, kModeOptoOff}}));
  EXPECT_EQ(
      std::tuple(model.RelayState(5), model.RelayState(0), model.OptoState(9), model.OptoState(0)),
      std::tuple(kModeRelayOff, -1, kModeOptoOff, -1));

  // The entry limits of the map.
  SwitcherModel off(100, 100, 8, true);
  for (int i = 0; i < kMaxEntries; ++i) ASSERT_TRUE(off.Add(0, i)) << i;
  EXPECT_FALSE(off.Add(0, kMaxEntries));
  EXPECT_EQ(off.Output(0).entries.size(), static_cast<size_t>(kMaxEntries));
  for (int o = 0; o < kMaxTagged; ++o) ASSERT_TRUE(off.Tag(1, o)) << o;
  EXPECT_FALSE(off.Tag(1, kMaxTagged));
  EXPECT_TRUE(off.Add(1, 0));  // untagged entries still fit
}

}  // namespace
}  // namespace sim
