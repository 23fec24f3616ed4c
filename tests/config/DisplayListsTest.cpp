#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "config/DisplayLists.h"
#include "support/ErrorOf.h"
#include "support/SmallFacility.h"

namespace vyr::test {
namespace {

using V = std::vector<int16_t>;

// Four inputs and six outputs; outputs 6 and 3 are watched, input 2 is an exception.
struct DisplayLists : ::testing::Test {
  AppState st;
  std::vector<ListItem> items;
  DisplayLists() { FillSmallFacility(st); }
  // The keys of the items, separated by blanks.
  std::string Keys() const {
    std::string keys;
    for (const ListItem& item : items) keys += (keys.empty() ? "" : " ") + item.key;
    return keys;
  }
};

TEST_F(DisplayLists, keysHoldTheChannelInFourDigitsAndTheMasterListEveryChannelOfTheKind) {
  for (const auto& [channel, key] :
       {std::tuple{1, "Ch.0001"}, {42, "Ch.0042"}, {256, "Ch.0256"}, {9999, "Ch.9999"}}) {
    EXPECT_EQ(ChannelKey(channel), key);
    EXPECT_EQ(ChannelOfKey(key), channel);
  }
  EXPECT_EQ(ChannelItem(1, "MIC 1"), (ListItem{"Ch.0001", "MIC 1 (Ch.0001)", "Ch.0001"}));

  for (const auto& [type, count] : {std::pair{kListExceptions, 4u}, {kListOutputs, 6u}, {0, 0u}}) {
    items.clear();
    BuildMasterList(st, static_cast<int16_t>(type), items);
    EXPECT_EQ(items.size(), count);
  }
  BuildMasterList(st, kListOutputs, items);
  EXPECT_EQ(items[5], ChannelItem(6, "O6"));
  // More channels than names: the items before the missing name stay.
  st.iNumOutputs = 7;
  items.clear();
  EXPECT_EQ(ErrorOf([&] { BuildMasterList(st, kListOutputs, items); }), kErrSubscript);
  EXPECT_EQ(items.size(), 6u);
}

TEST_F(DisplayLists, currentListAsTheStateHoldsIt) {
  // clang-format off
  const struct { const char* what; int16_t type; V watched; const char* marks; int16_t count;
                 const char* keys; int32_t error; } cases[] = {
      {"watch slots in slot order", kListOutputs, {5, 2}, "", 0, "Ch.0006 Ch.0003", 0},
      {"an output watched twice", kListOutputs, {1, 4, 1}, "", 0, "Ch.0002 Ch.0005", kErrKeyNotUnique},
      {"an output the switcher does not have", kListOutputs, {0, 6}, "", 0, "Ch.0001 Ch.0007", 0},
      {"marked inputs", kListExceptions, {}, "1001", 2, "Ch.0001 Ch.0004", 0},
      {"the count only decides whether to look", kListExceptions, {}, "0110", 7, "Ch.0002 Ch.0003", 0},
      {"marks but a count of 0", kListExceptions, {}, "0100", 0, "", 0},
      {"a mark beyond the names", kListExceptions, {}, "01001", 1, "Ch.0002", kErrSubscript},
      {"no such list", 0, {5, 2}, "0100", 1, "", 0}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    st.iWatchCount = static_cast<int16_t>(c.watched.size()), st.iWatchOutputs = c.watched;
    st.sExceptions = c.marks, st.iExceptionCount = c.count;
    items.clear();
    EXPECT_EQ(ErrorOf([&] { BuildCurrentList(st, c.type, items); }), c.error);
    EXPECT_EQ(Keys(), c.keys);
  }
}

TEST_F(DisplayLists, exceptionsAreStoredAsMarksAndTheWatchListKeepsSlotSettingsByPosition) {
  const std::tuple<std::vector<std::string>, std::string> cases[] = {
      {{"Ch.0003", "Ch.0001"}, "1010"},
      {{"Ch.0004"}, "0001"},
      {std::vector<std::string>{}, "0000"}};
  for (const auto& [keys, marks] : cases) {
    SaveDisplayList(st, kListExceptions, keys);
    EXPECT_EQ(std::tie(st.sExceptions, st.iExceptionCount),
              std::make_tuple(marks, static_cast<int16_t>(keys.size())));
  }
  // An input beyond the switcher's inputs stores nothing.
  const AppState before = st;
  EXPECT_EQ(ErrorOf([&] {
              SaveDisplayList(st, kListExceptions, {"Ch.0001", "Ch.0005"});
            }),
            kErrSubscript);
  EXPECT_EQ(std::tie(st.sExceptions, st.iExceptionCount),
            std::tie(before.sExceptions, before.iExceptionCount));

  // The watch list keeps slot settings by position and clears sources.
  SaveDisplayList(st, kListOutputs, {"Ch.0004", "Ch.0001", "Ch.0006"});
  EXPECT_EQ(st.iWatchCount, 3);
  EXPECT_EQ(std::tie(st.iWatchOutputs, st.iWatchInputs, st.iWatchOptos, st.iReturnDelays),
            std::make_tuple(V{0, 3, 5}, V{1, kNone, kNone}, V{kNone, 3, kNone}, V{4, 5, 0}));
  EXPECT_EQ(std::tie(st.iReturnSources, st.iCurrentSources),
            std::make_tuple(V(3, kNone), V(3, kNone)));

  // An empty watch list is refused kept anything changes.
  const AppState kept = st;
  EXPECT_EQ(ErrorOf([&] { SaveDisplayList(st, kListOutputs, {}); }), kErrSubscript);
  EXPECT_EQ(std::tie(st.iWatchCount, st.iWatchOutputs, st.iWatchInputs, st.iReturnSources),
            std::tie(kept.iWatchCount, kept.iWatchOutputs, kept.iWatchInputs, kept.iReturnSources));
}

}  // namespace
}  // namespace vyr::test
