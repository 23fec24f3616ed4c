#include "core/XptRecord.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vyr {

XptRecord::XptRecord(std::initializer_list<int16_t> sources,
                     std::initializer_list<int16_t> tagged) {
  std::vector<XptEntry> u, t;
  for (int16_t s : sources) u.push_back({s, 0, 0});
  for (int16_t s : tagged) t.push_back({s, 0, 0});
  bySrcCount = static_cast<uint8_t>(u.size() + t.size());
  iTagCount = static_cast<int16_t>(t.size());
  Store(u, t);
}

XptRecord::XptRecord(const XptRecord& other)
    : byStatus(other.byStatus), bySrcCount(other.bySrcCount), iTagCount(other.iTagCount) {
  Store(other.Untagged(), other.Tagged());
}

XptRecord::XptRecord(XptRecord&& other) noexcept { TakeOver(other); }

XptRecord& XptRecord::operator=(const XptRecord& other) {
  if (this == &other) return *this;
  byStatus = other.byStatus, bySrcCount = other.bySrcCount, iTagCount = other.iTagCount;
  Store(other.Untagged(), other.Tagged());
  return *this;
}

XptRecord& XptRecord::operator=(XptRecord&& other) noexcept {
  if (this == &other) return *this;
  Release();
  TakeOver(other);
  return *this;
}

// Takes the other record's entries (its heap block, or a copy of those held
// in place) and leaves it empty; this record must hold nothing on the heap.
void XptRecord::TakeOver(XptRecord& other) noexcept {
  byStatus = other.byStatus, bySrcCount = other.bySrcCount, iTagCount = other.iTagCount;
  untagged_ = other.untagged_, tagged_ = other.tagged_;
  if (OnHeap()) {
    heap_ = std::exchange(other.heap_, nullptr);
  } else {
    std::copy_n(other.inPlace_, kInPlace, inPlace_);
  }
  other.untagged_ = other.tagged_ = 0;
}

void XptRecord::StoreSlowly(std::span<const XptEntry> untagged, std::span<const XptEntry> tagged) {
  // The entries may be this record's own (a copy of itself): take them first.
  const std::size_t total = untagged.size() + tagged.size();
  XptEntry* fresh = total > kInPlace ? new XptEntry[total] : nullptr;
  XptEntry staged[kInPlace];
  XptEntry* into = fresh ? fresh : staged;
  std::copy(untagged.begin(), untagged.end(), into);
  std::copy(tagged.begin(), tagged.end(), into + untagged.size());
  Release();
  untagged_ = static_cast<uint8_t>(untagged.size());
  tagged_ = static_cast<uint8_t>(tagged.size());
  if (fresh) {
    heap_ = fresh;
  } else {
    std::copy_n(staged, kInPlace, inPlace_);
  }
}

bool XptRecord::operator==(const XptRecord& other) const {
  const auto same = [](std::span<const XptEntry> a, std::span<const XptEntry> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  };
  return byStatus == other.byStatus && bySrcCount == other.bySrcCount &&
         iTagCount == other.iTagCount && same(Untagged(), other.Untagged()) &&
         same(Tagged(), other.Tagged());
}

}  // namespace vyr
