#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "SimMessages.h"

namespace sim {
namespace {

std::string B(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

// Every message the reader returns must be one whole, well-checked message.
void ExpectWellFormed(const std::string& m) {
  ASSERT_FALSE(m.empty());
  const auto command = static_cast<unsigned char>(m[0]);
  ASSERT_GE(command, 0x80);
  if (IsSingleByte(command)) {
    EXPECT_EQ(m.size(), 1u);
    return;
  }
  ASSERT_GE(m.size(), 3u);
  EXPECT_EQ(static_cast<unsigned char>(m.back()), 0xFF);
  for (size_t i = 1; i + 1 < m.size(); ++i) EXPECT_LT(static_cast<unsigned char>(m[i]), 0x80);
  EXPECT_TRUE(ChecksumOk(m));
}

TEST(SimMessages, crosspointMapOfOneUntaggedOutput) {
  EXPECT_EQ(Hex(BuildCrosspointMap(4, {{{{299, false}}, 0}})),
            "F6 00 01 00 04 00 01 00 00 2B 02 00 00 33 FF");
  EXPECT_EQ(BuildCrosspointMap(4, {{{{300, false}}, 0}}),
            B({0xF6, 0, 1, 0, 4, 0, 1, 0, 0, 0x2C, 2, 0, 0, 0x34, 0xFF}));
  EXPECT_EQ(BuildCrosspointMap(4, {{}}), B({0xF6, 0, 1, 0, 4, 0, 0, 0, 0, 5, 0xFF}));
}

TEST(SimMessages, crosspointMapTagsEveryEntryWhenOneIsTagged) {
  // Output 7 carries input 2 and a tagged entry for output 130; output 8 is Off with status 3.
  const std::vector<OutputRouting> outputs = {{{{2, false}, {130, true}}, 0}, {{}, 3}};
  EXPECT_EQ(Hex(BuildCrosspointMap(7, outputs)),
            "F6 40 02 00 07 00 02 00 00 00 02 00 00 00 0A 02 01 00 00 00 00 03 5D FF");
}

TEST(SimMessages, nameTablePadsCutsAndMasksNames) {
  const std::string table = BuildNameTable(kInputNames, 8,
                                           {"Mic\xE9"
                                            "1",
                                            "Studio B2"});
  ASSERT_EQ(table.size(), 29u);  // (W + 2) * N + 9
  EXPECT_EQ(table, B({0xFC, 0x0A, 8,   2,   0,   0,   0,   'M', 'i', 'c', '?', '1', ' ',  ' ', ' ',
                      0,    0,    'S', 't', 'u', 'd', 'i', 'o', ' ', 'B', 1,   0,   0x58, 0xFF}));
}

TEST(SimMessages, typeRequestAndSwitcherType) {
  EXPECT_EQ(BuildTypeRequest(), B({0x81, 0x64, 0x00, 0x64, 0xFF}));
  EXPECT_EQ(BuildSwitcherType(133), B({0xE5, 1, 0, 0, 5, 1, 0, 0, 7, 0xFF}));
  EXPECT_EQ(BuildSwitcherType(16383), B({0xE5, 1, 0, 0, 0x7F, 0x7F, 0, 0, 0x7F, 0xFF}));
}

TEST(SimMessages, parsesThePanelsCrosspointChanges) {
  const auto take = ParseChange(B({0xFE, 0x04, 0x00, 0x2B, 0x02, 0x04, 0x00, 0x35, 0xFF}));
  ASSERT_TRUE(take);
  EXPECT_EQ(take->mode, 4);
  EXPECT_EQ(take->source, 299);
  EXPECT_EQ(take->output, 4);

  const auto opto = ParseChange(B({0xFE, 0x64, 0x00, 0x02, 0x00, 0x00, 0x00, 0x66, 0xFF}));
  ASSERT_TRUE(opto);
  EXPECT_EQ(opto->mode, 0x64);
  EXPECT_EQ(opto->source, 2);
  EXPECT_EQ(opto->output, 0);

  const auto none = ParseChange(B({0xFE, 0x04, 0x00, 0x7F, 0x7F, 0x00, 0x00, 0x02, 0xFF}));
  ASSERT_TRUE(none);
  EXPECT_EQ(none->source, 16383);

  EXPECT_FALSE(ParseChange(B({0xFE, 0x04, 0x00, 0x2B, 0x02, 0x04, 0x00, 0x36, 0xFF})));  // checksum
  EXPECT_FALSE(ParseChange(B({0xFE, 0x04, 0x00, 0x2B, 0x02, 0x04, 0x2F, 0xFF})));  // too short
  EXPECT_FALSE(ParseChange(B({0xFC, 0x04, 0x00, 0x2B, 0x02, 0x04, 0x00, 0x35, 0xFF})));
}

TEST(SimMessages, parsesThePanelsInfoRequests) {
  const auto first = ParseInfoRequest(B({0xF2, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0xFF}));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->flags1, 0x380);
  EXPECT_EQ(first->flags2, 0);

  const auto wide = ParseInfoRequest(B({0xF2, 1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 21, 0xFF}));
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->flags1, 1 + (2 << 7) + (3 << 14) + (4 << 21));
  EXPECT_EQ(wide->flags2, 5 + 6 * 128);

  EXPECT_FALSE(ParseInfoRequest(B({0xF2, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 6, 0xFF})));
  EXPECT_FALSE(ParseInfoRequest(B({0xF2, 0, 7, 0, 0, 0, 0, 0, 0, 0, 7, 0xFF})));
}

TEST(SimMessages, readerCutsStreamsIntoMessagesAndDropsTheRest) {
  MessageReader reader;
  reader.Append(B({0x05, 0x06, 0xF5, 0xFE, 0x04, 0x00, 0x2B, 0x02}));
  EXPECT_EQ(reader.Next(), B({0xF5}));
  EXPECT_EQ(reader.Next(), std::nullopt);  // the change is not complete yet
  reader.Append(B({0x04, 0x00, 0x35, 0xFF, 0xF1, 0xF3}));
  EXPECT_EQ(reader.Next(), B({0xFE, 0x04, 0x00, 0x2B, 0x02, 0x04, 0x00, 0x35, 0xFF}));
  EXPECT_EQ(reader.Next(), B({0xF1}));
  EXPECT_EQ(reader.Next(), B({0xF3}));
  EXPECT_EQ(reader.StrayBytes(), 2);
  EXPECT_EQ(reader.BadFrames(), 0);

  // Cut short by a new command byte, wrong checksum, no checksum at all.
  reader.Append(B({0xFC, 0x01, 0xF4, 0x05, 0xFF, 0x81, 0x02, 0x01, 0x04, 0xFF, 0xFE, 0xFF}));
  reader.Append(B({0x81, 0x02, 0x01, 0x03, 0xFF}));
  EXPECT_EQ(reader.Next(), B({0xF4}));
  EXPECT_EQ(reader.Next(), B({0x81, 0x02, 0x01, 0x03, 0xFF}));
  EXPECT_EQ(reader.Next(), std::nullopt);
  EXPECT_EQ(reader.BadFrames(), 3);
  EXPECT_EQ(reader.StrayBytes(), 4);  // 05 FF after F4
  EXPECT_EQ(reader.Pending(), 0u);
}

TEST(SimMessages, readerSurvivesRandomBytes) {
  std::mt19937 random(20100408);
  std::uniform_int_distribution<int> byte(0, 255);
  MessageReader reader;
  for (int round = 0; round < 2000; ++round) {
    std::string chunk;
    for (int i = byte(random) % 40; i > 0; --i) chunk += static_cast<char>(byte(random));
    reader.Append(chunk);
    while (auto message = reader.Next()) ExpectWellFormed(*message);
  }
  // The stream still works afterwards.
  reader.Append(B({0xFF, 0xF5}));
  std::optional<std::string> last;
  while (auto message = reader.Next()) last = message;
  EXPECT_EQ(last, B({0xF5}));
}

}  // namespace
}  // namespace sim
