#include "link/Messages.h"

#include <algorithm>

#include "core/Checked.h"
#include "link/Framing.h"
#include "link/Wire.h"

namespace vyr {

namespace {

constexpr int kTaggedFlag = 0x40;
constexpr int kTaggedEntry = 10;
constexpr int kThreeWordKind = 10;
constexpr int kMaxEntries = 64;
constexpr int kMaxTagged = 32;

// A message reader that raises 9 for a read past the end, and 6 for a word
// beyond 16 bits (a high byte of 0x80 or more: the end marker).
struct Reader {
  std::string_view message;
  std::size_t p;  // the next byte to read
  unsigned char Byte() {
    if (p >= message.size()) Raise(kErrSubscript);
    return static_cast<unsigned char>(message[p++]);
  }
  int16_t Word() {
    if (p + 2 > message.size()) Raise(kErrSubscript);
    const int value =
        static_cast<unsigned char>(message[p + 1]) * 128 + static_cast<unsigned char>(message[p]);
    p += 2;
    if (value > INT16_MAX) Raise(kErrOverflow);
    return static_cast<int16_t>(value);
  }
};

}  // namespace

bool IsTypeRequest(std::string_view message) {
  if (!ChecksumMatches(message)) return false;
  return (message.size() == 5 || message.size() == 4) && ByteAt(message, 1) == 0x64;
}

std::string BuildTypeAnswer() {
  std::string answer = "\x81\x02\x01";
  wire::CloseFrame(answer);
  return answer;
}

std::optional<int16_t> DecodeSwitcherType(std::string_view message) {
  if (message.empty() || !ChecksumMatches(message)) return std::nullopt;
  if (ByteAt(message, 1) != 0x01 || message.size() != 10) return std::nullopt;
  return MakeInteger(ByteAt(message, 4), ByteAt(message, 5));
}

NameTable DecodeNameTable(std::string_view message) {
  NameTable table;
  const int32_t length = ToInt32(static_cast<int64_t>(message.size()));
  if (!ChecksumMatches(message)) return table;
  table.kind = ByteAt(message, 1);
  const int16_t width = ByteAt(message, 2);
  table.count = MakeInteger(ByteAt(message, 3), ByteAt(message, 4));
  const int16_t first = MakeInteger(ByteAt(message, 5), ByteAt(message, 6));
  const int32_t entry = Add32(width, 2);
  if (length != Add32(Mul32(entry, table.count), 9)) return table;
  table.valid = true;
  Redim(table.names, table.count);
  for (int32_t i = first; i < table.count; ++i) {
    const int32_t at = Add32(7, Mul32(entry, i));
    (void)ByteAt(message, at + width + 1);  // the entry's value word is read, not used
    At(table.names, i) =
        std::string(message.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(width)));
  }
  return table;
}

DecodedMap DecodeCrosspointMap(std::string_view message) {
  DecodedMap map;
  const int64_t length = static_cast<int64_t>(message.size());
  if (!ChecksumMatches(message)) return map;
  Reader in{message, 1};
  const int flags = in.Byte();
  const bool tagged = (flags & kTaggedFlag) != 0;
  const int kind = tagged ? (flags & 0x0F) : flags;
  const int16_t count = in.Word();
  map.iFirst = in.Word();
  // Room for the records the message can hold (three bytes each at least),
  // not for whatever count it claims: a short frame must not make the panel
  // set aside megabytes.
  if (count > 0)
    map.records.reserve(
        static_cast<std::size_t>(std::min<int64_t>(count, std::max<int64_t>(length - 8, 0) / 3)));
  const int64_t entryBytes = (kind == kThreeWordKind ? 6 : 4) + (tagged ? 1 : 0);
  int64_t expected = 8;
  XptEntry untagged[kMaxEntries], tags[kMaxTagged];
  const auto readEntry = [&](XptEntry& e) {
    e.iSrc = in.Word();
    e.iData2 = in.Word();
    e.iData3 = kind == kThreeWordKind ? in.Word() : int16_t{0};
  };
  for (int16_t r = 0; r < count; ++r) {
    XptRecord& rec = map.records.emplace_back();
    int16_t t = 0;
    const int16_t entries = in.Word();
    if (entries > 255) Raise(kErrOverflow);  // the count is kept in a byte
    rec.bySrcCount = static_cast<uint8_t>(entries);
    if (entries > kMaxEntries) return map;
    expected += entries * entryBytes + 3;
    rec.byStatus = in.Byte();
    if (!tagged) {  // every entry untagged: read straight into the record
      XptEntry* e = rec.HoldUntagged(static_cast<std::size_t>(entries));
      for (int16_t j = 0; j < entries; ++j) readEntry(e[j]);
      continue;
    }
    for (int16_t j = 0; j < entries; ++j) {
      const bool isTag = in.Byte() == kTaggedEntry;
      if (isTag) ++t;
      if (t > kMaxTagged) return map;
      readEntry(isTag ? tags[t - 1] : untagged[j - t]);
    }
    rec.iTagCount = t;
    rec.Store({untagged, static_cast<std::size_t>(entries - t)},
              {tags, static_cast<std::size_t>(t)});
  }
  map.dropped = length != expected;
  return map;
}

std::string BuildInfoRequest(int32_t L1, int32_t L2) {
  std::string frame = "\xF2";
  const int64_t a = L1, b = L2;
  for (int64_t word : {a & 0x7F, IntDiv(a, 128) & 0x7F, IntDiv(a, 16384) & 0x7F,
                       IntDiv(a, 2097152) & 0x7F, b & 0x7F, IntDiv(b, 128) & 0x7F}) {
    frame += static_cast<char>(word);
  }
  frame.append(4, '\0');
  wire::CloseFrame(frame);
  return frame;
}

std::string BuildCrosspointChange(int16_t iOutput, int16_t iSource, int16_t iMode) {
  const int16_t a = Sub16(iOutput, 1);
  const int16_t b = Sub16(iSource, 1);
  std::string frame = "\xFE";
  wire::AppendWord14(frame, iMode);
  wire::AppendWord14(frame, b);
  wire::AppendWord14(frame, a);
  wire::CloseFrame(frame);
  return frame;
}

}  // namespace vyr
