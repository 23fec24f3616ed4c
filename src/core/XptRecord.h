#pragma once
// What one output carries, as a crosspoint map told it: its status byte and
// its entries, untagged ones first, then tagged ones, each group in message
// order. Most outputs carry one source or none: up to two entries are held
// in the record itself (24 bytes), more on the heap, so a 16,383-output
// switcher's map takes well under a megabyte.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace vyr {

// One entry: the source (an input; an output for a tagged entry) and the
// two words that follow it (the third only in maps of kind 10).
struct XptEntry {
  int16_t iSrc = 0;
  int16_t iData2 = 0;
  int16_t iData3 = 0;
  bool operator==(const XptEntry&) const = default;
};

class XptRecord {
 public:
  uint8_t byStatus = 0;    // the output's status byte
  uint8_t bySrcCount = 0;  // entries, tagged and untagged; 0 = Off
  int16_t iTagCount = 0;   // tagged entries (0..32)

  XptRecord() = default;
  // Carrying these sources untagged and these outputs tagged (counts set).
  XptRecord(std::initializer_list<int16_t> sources, std::initializer_list<int16_t> tagged = {});
  XptRecord(const XptRecord& other);
  XptRecord(XptRecord&& other) noexcept;
  XptRecord& operator=(const XptRecord& other);
  XptRecord& operator=(XptRecord&& other) noexcept;
  ~XptRecord() {
    if (OnHeap()) delete[] heap_;
  }

  // Keeps these entries (the counts are set by whoever decoded them).
  void Store(std::span<const XptEntry> untagged, std::span<const XptEntry> tagged) {
    // Most outputs: at most two entries, into a record holding none on the
    // heap, copied one by one (a memcpy call costs more than the copy).
    if (untagged.size() + tagged.size() <= kInPlace && !OnHeap() && !Holds(untagged) &&
        !Holds(tagged)) {
      // Field by field: the entries were usually written a field at a time
      // just before, and a wider read of them would wait for those writes.
      std::size_t k = 0;
      for (const XptEntry& e : untagged) Put(inPlace_[k++], e);
      for (const XptEntry& e : tagged) Put(inPlace_[k++], e);
      untagged_ = static_cast<uint8_t>(untagged.size());
      tagged_ = static_cast<uint8_t>(tagged.size());
      return;
    }
    StoreSlowly(untagged, tagged);
  }

  // Room for this many untagged entries and no tagged ones, for a decoder
  // to fill in place; what the record held is let go.
  XptEntry* HoldUntagged(std::size_t count) {
    Release();
    untagged_ = static_cast<uint8_t>(count);
    if (OnHeap()) heap_ = new XptEntry[count];
    return OnHeap() ? heap_ : inPlace_;
  }

  std::span<const XptEntry> Untagged() const { return {Data(), untagged_}; }
  std::span<const XptEntry> Tagged() const { return {Data() + untagged_, tagged_}; }
  // The k-th untagged source, or the k-th tagged one; 0 past those kept.
  int16_t Src(int64_t k) const { return k >= 0 && k < untagged_ ? Data()[k].iSrc : 0; }
  int16_t TagSrc(int64_t k) const { return k >= 0 && k < tagged_ ? Data()[untagged_ + k].iSrc : 0; }

  bool operator==(const XptRecord& other) const;

  // Bytes held on the heap (none for up to two entries).
  std::size_t HeapBytes() const { return OnHeap() ? (untagged_ + tagged_) * sizeof(XptEntry) : 0; }

 private:
  static constexpr int kInPlace = 2;
  const XptEntry* Data() const { return OnHeap() ? heap_ : inPlace_; }
  bool OnHeap() const { return untagged_ + tagged_ > kInPlace; }
  void Release() {
    if (OnHeap()) delete[] heap_;
    untagged_ = tagged_ = 0;
  }
  void TakeOver(XptRecord& other) noexcept;
  static void Put(XptEntry& to, const XptEntry& from) {
    to.iSrc = from.iSrc, to.iData2 = from.iData2, to.iData3 = from.iData3;
  }
  bool Holds(std::span<const XptEntry> s) const {
    return !s.empty() && s.data() >= inPlace_ && s.data() < inPlace_ + kInPlace;
  }
  void StoreSlowly(std::span<const XptEntry> untagged, std::span<const XptEntry> tagged);

  uint8_t untagged_ = 0;
  uint8_t tagged_ = 0;
  union {
    XptEntry inPlace_[kInPlace] = {};
    XptEntry* heap_;
  };
};

}  // namespace vyr
