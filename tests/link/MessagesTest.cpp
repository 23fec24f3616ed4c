// Every message the panel reads or writes, decoded and built as pure
// functions on bytes.

#include <gtest/gtest.h>

#include "kit/Panel.h"
#include "link/Messages.h"
#include "link/Wire.h"

namespace vyr {
namespace {

using kit::B;
using kit::Sent;
using wire::Hex;

// Mends the checksum of a frame whose bytes were changed.
std::string Reclosed(std::string f) {
  f.resize(f.size() - 2);
  wire::CloseFrame(f);
  return f;
}

// A 0xF6 frame: flags, then the body (block count, first output, blocks).
std::string RawMap(int flags, const std::string& body) {
  return Reclosed(B({0xF6, flags}) + body + "  ");
}

// A record as text, every non-zero entry named: "count 1 status 0 tags 0 src0 300/2/3".
std::string Summary(const XptRecord& r) {
  std::string text = "count " + std::to_string(r.bySrcCount) + " status " +
                     std::to_string(r.byStatus) + " tags " + std::to_string(r.iTagCount);
  auto entries = [&](const char* name, std::span<const XptEntry> kept) {
    for (std::size_t i = 0; i < kept.size(); ++i) {
      const XptEntry& e = kept[i];
      text += " " + std::string(name) + std::to_string(i) + " " + std::to_string(e.iSrc) + "/" +
              std::to_string(e.iData2) + "/" + std::to_string(e.iData3);
    }
  };
  entries("src", r.Untagged());
  entries("tag", r.Tagged());
  return text;
}

TEST(Messages, typeRequestIsAnsweredOnlyWhenWellFormed) {
  const std::pair<std::string, bool> requests[] = {
      {B({0x81, 0x64, 0x00, 0x64, 0xFF}), true},
      {B({0x81, 0x64, 0x64, 0xFF}), true},
      {B({0x81, 0x65, 0x65, 0xFF}), false},               // not 0x64
      {B({0x81, 0x64, 0x00, 0x65, 0xFF}), false},         // checksum
      {B({0x81, 0x64, 0x00, 0x00, 0x64, 0xFF}), false}};  // six bytes
  for (const auto& [request, answered] : requests)
    EXPECT_EQ(IsTypeRequest(request), answered) << Hex(request);
  EXPECT_EQ(Hex(BuildTypeAnswer()), "81 02 01 03 FF");
  // The switcher type: from a ten-byte 0xE5 with 0x01 and a good checksum only.
  EXPECT_EQ(DecodeSwitcherType(B({0xE5, 0x01, 0x00, 0x00, 0x05, 0x01, 0x00, 0x00, 0x07, 0xFF})),
            133);
  EXPECT_FALSE(DecodeSwitcherType(B({0xE5, 0x02, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x07, 0xFF})));
  EXPECT_FALSE(DecodeSwitcherType(B({0xE5, 0x01, 0x00, 0x05, 0x00, 0x00, 0x00, 0x06, 0xFF})));
}

TEST(Messages, nameTableIsTakenFromItsFirstEntryWhenItsLengthAgrees) {
  std::string table = sim::BuildNameTable(sim::kInputNames, 8, {"MIC 1", "CD", "TEL"});
  table[5] = 1;  // the first entry to take
  table = Reclosed(table);
  const NameTable names = DecodeNameTable(table);
  EXPECT_EQ(std::tie(names.valid, names.kind, names.names),
            std::tuple(true, kInputTable, std::vector<std::string>{"", "CD      ", "TEL     "}));
  table.insert(7, "X");  // one byte too many
  EXPECT_FALSE(DecodeNameTable(Reclosed(table)).valid);
  table[8] ^= 1;  // checksum broken
  EXPECT_FALSE(DecodeNameTable(table).valid);
}

TEST(Messages, crosspointMapEntriesTagsAndThirdWords) {
  const std::pair<std::string, std::string> maps[] = {
      // Output 7, status 5, kind 10 tagged: untagged 300, tagged 12, untagged 9.
      {RawMap(0x4A, B({1, 0, 7, 0, 3, 0, 5, 0, 0x2C, 2, 2, 0, 3, 0, 10, 12, 0, 4, 0, 5, 0,  //
                       0, 9, 0, 6, 0, 7, 0})),
       "7: count 3 status 5 tags 1 src0 300/2/3 src1 9/6/7 tag0 12/4/5"},
      // Kind 10 without the tag flag still has three words.
      {RawMap(10, B({1, 0, 7, 0, 1, 0, 0, 3, 0, 4, 0, 5, 0})),
       "7: count 1 status 0 tags 0 src0 3/4/5"},
      // A tag byte other than 10 leaves the entry untagged.
      {kit::MapFrame(20, {{{{8, false}, {11, true}}}, {{{13}}, 2}}),
       "20: count 2 status 0 tags 1 src0 8/0/0 tag0 11/0/0, count 1 status 2 tags 0 src0 13/0/0"},
      {kit::OneOutput(4, {3, 5, 7}), "4: count 3 status 0 tags 0 src0 3/0/0 src1 5/0/0 src2 7/0/0"},
      {kit::OneOutput(4, std::vector<int>(64, 1)), "4: count 64"},
      {kit::MapFrame(4, {{std::vector<kit::Entry>(32, kit::Entry{9, true})}}),
       "4: count 32 status 0 tags 32"},
  };
  for (const auto& [frame, expected] : maps) {
    const DecodedMap map = DecodeCrosspointMap(frame);
    ASSERT_FALSE(map.dropped) << Hex(frame);
    std::string text = std::to_string(map.iFirst) + ":";
    for (const XptRecord& r : map.records) text += (text.back() == ':' ? " " : ", ") + Summary(r);
    EXPECT_EQ(text.substr(0, expected.size()), expected) << Hex(frame);
  }
}

TEST(Messages, faultyCrosspointMapsAreDropped) {
  std::string badSum = kit::OneOutput(4, {});
  badSum[badSum.size() - 2] ^= 1;
  std::string longer = kit::OneOutput(4, {});
  longer.insert(longer.size() - 2, 1, '\0');  // a zero byte keeps the checksum
  const std::string frames[] = {
      badSum, longer, kit::OneOutput(4, std::vector<int>(65, 1)),
      kit::MapFrame(4, {{std::vector<kit::Entry>(33, kit::Entry{9, true})}}),
      // The second word lacks its high byte.
      RawMap(0, B({1, 0, 4, 0, 1, 0, 0, 7, 0, 0}))};
  for (const std::string& frame : frames)
    EXPECT_TRUE(DecodeCrosspointMap(frame).dropped) << Hex(frame);
  // 256 entries cannot be kept in the count byte; 16,383 outputs claimed in an
  // 8-byte frame raise too, and no room is set aside for the claim.
  EXPECT_THROW(DecodeCrosspointMap(RawMap(0, B({1, 0, 4, 0, 0, 2, 0}))), RuntimeError);
  EXPECT_THROW(DecodeCrosspointMap(B({0xF6, 0x00, 0x7F, 0x7F, 0x00, 0x00, 0x7E, 0xFF})),
               RuntimeError);
  const DecodedMap map = DecodeCrosspointMap(RawMap(0, B({0x7F, 0x7F, 0, 0, 65, 0, 0})));
  EXPECT_TRUE(map.dropped);
  EXPECT_LT(map.records.capacity(), 4u);
}

TEST(Messages, infoRequestAndCrosspointChangeFrames) {
  EXPECT_EQ(Hex(BuildInfoRequest(0x380, 0)), "F2 00 07 00 00 00 00 00 00 00 00 07 FF");
  EXPECT_EQ(Hex(BuildInfoRequest(0xFFFFFFF, 0x82)), "F2 7F 7F 7F 7F 02 01 00 00 00 00 7F FF");
  // Mode, source - 1, output - 1, each low 7 bits first.
  const std::pair<Sent, std::string> changes[] = {
      {{5, 300, 4}, "FE 04 00 2B 02 04 00 35 FF"},
      {{1, 3, 0x64}, "FE 64 00 02 00 00 00 66 FF"},
      {{16384, 16384, 0x3FFF}, "FE 7F 7F 7F 7F 7F 7F 7A FF"}};  // the largest values that fit
  for (const auto& [c, frame] : changes)
    EXPECT_EQ(Hex(BuildCrosspointChange(c.output, c.source, c.mode)), frame);
  // Source and output 0 (-1 on the wire), 16385 or mode 16384 do not fit.
  for (const Sent& c :
       {Sent{5, 0, 4}, Sent{0, 5, 4}, Sent{5, 16385, 4}, Sent{16385, 5, 4}, Sent{5, 5, 0x4000}})
    EXPECT_THROW(BuildCrosspointChange(c.output, c.source, c.mode), RuntimeError)
        << c.output << " " << c.source;
}

}  // namespace
}  // namespace vyr
