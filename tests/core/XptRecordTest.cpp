#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "core/XptRecord.h"

namespace vyr {
namespace {

// Records of every size class: none, in place, just past it, the most.
std::vector<XptRecord> Samples() {
  std::vector<XptRecord> all{XptRecord(), XptRecord({5}), XptRecord({5}, {9}),
                             XptRecord({1, 2, 3}, {4}), XptRecord({}, {7, 8, 9})};
  std::vector<XptEntry> many(64);
  for (int i = 0; i < 64; ++i) many[i] = {static_cast<int16_t>(i), 2, 3};
  XptRecord big;
  big.bySrcCount = 64, big.iTagCount = 32;
  big.Store({many.data(), 32}, {many.data() + 32, 32});
  all.push_back(big);
  return all;
}

TEST(XptRecord, keepsUntaggedThenTaggedEntriesThroughCopiesMovesAndStores) {
  for (const XptRecord& r : Samples()) {
    SCOPED_TRACE(r.Untagged().size() + r.Tagged().size());
    XptRecord copy(r);
    EXPECT_EQ(copy, r);
    XptRecord assigned({42, 43, 44});
    assigned = r;
    EXPECT_EQ(assigned, r);
    const XptRecord& itself = assigned;
    assigned = itself;  // a record assigned to itself keeps its entries
    EXPECT_EQ(assigned, r);
    XptRecord moved(std::move(copy));
    EXPECT_EQ(moved, r);
    XptRecord moveAssigned({1});
    moveAssigned = std::move(moved);
    EXPECT_EQ(moveAssigned, r);
    moveAssigned.Store(moveAssigned.Untagged(), moveAssigned.Tagged());  // its own entries
    EXPECT_EQ(moveAssigned, r);
    EXPECT_EQ(r.HeapBytes() > 0, r.Untagged().size() + r.Tagged().size() > 2);
  }
  const XptRecord r({3, 4}, {70});
  EXPECT_EQ(r.bySrcCount, 3);
  EXPECT_EQ(r.iTagCount, 1);
  EXPECT_EQ(r.Src(1), 4);
  EXPECT_EQ(r.TagSrc(0), 70);
  EXPECT_EQ(r.Src(2), 0) << "past the untagged entries reads 0, not a tagged one";
  EXPECT_EQ(r.TagSrc(1), 0);
  EXPECT_NE(r, XptRecord({3, 4}, {71}));
  EXPECT_NE(r, XptRecord({3}, {4, 70}));
}

}  // namespace
}  // namespace vyr
