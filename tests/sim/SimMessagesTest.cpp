#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "SimMessages.h"

namespace sim {
namespace {

// "F5 0A" as bytes.
std::string B(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 3)
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return bytes;
}

// The maps, the type request and the switcher type are read back by the
// panel's own decoders in the link and engine tests; the entry numbers and
// the masked bytes of a name table are not.
TEST(SimMessages, nameTablePadsOrCutsToTheWidthAndMasksBytesAbove7F) {
  // (W + 2) * N + 9 bytes; \351 is E9.
  EXPECT_EQ(
      Hex(BuildNameTable(kInputNames, 8, {"Mic\3511", "Studio B2"})),
      "FC 0A 08 02 00 00 00 4D 69 63 3F 31 20 20 20 00 00 53 74 75 64 69 6F 20 42 01 00 58 FF");
}

TEST(SimMessages, parsesThePanelsChangesAndInfoRequestsAndRefusesBadFrames) {
  using Change = std::optional<std::tuple<int, int, int>>;  // mode, source, output
  const std::pair<const char*, Change> changes[] = {{"FE 04 00 2B 02 04 00 35 FF", {{4, 299, 4}}},
                                                    {"FE 64 00 02 00 00 00 66 FF", {{0x64, 2, 0}}},
                                                    {"FE 04 00 7F 7F 00 00 02 FF", {{4, 16383, 0}}},
                                                    {"FE 04 00 2B 02 04 00 36 FF", {}},  // checksum
                                                    {"FE 04 00 2B 02 04 2F FF", {}},  // too short
                                                    {"FC 04 00 2B 02 04 00 35 FF", {}}};
  for (const auto& [hex, expected] : changes) {
    const auto c = ParseChange(B(hex));
    EXPECT_EQ(c ? Change({c->mode, c->source, c->output}) : std::nullopt, expected) << hex;
  }
  using Info = std::optional<std::pair<long, long>>;
  const std::pair<const char*, Info> infos[] = {
      {"F2 00 07 00 00 00 00 00 00 00 00 07 FF", {{0x380, 0}}},
      {"F2 01 02 03 04 05 06 00 00 00 00 15 FF",
       {{1 + (2 << 7) + (3 << 14) + (4 << 21), 5 + 6 * 128}}},
      {"F2 00 07 00 00 00 00 00 00 00 00 06 FF", {}},
      {"F2 00 07 00 00 00 00 00 00 00 07 FF", {}}};
  for (const auto& [hex, expected] : infos) {
    const auto r = ParseInfoRequest(B(hex));
    EXPECT_EQ(r ? Info({r->flags1, r->flags2}) : std::nullopt, expected) << hex;
  }
}

TEST(SimMessages, readerCutsStreamsIntoMessagesAndDropsTheRest) {
  MessageReader reader;
  reader.Append(B("05 06 F5 FE 04 00 2B 02"));
  EXPECT_EQ(reader.Next(), B("F5"));
  EXPECT_EQ(reader.Next(), std::nullopt);  // the change is not complete yet
  reader.Append(B("04 00 35 FF F1 F3"));
  for (const char* hex : {"FE 04 00 2B 02 04 00 35 FF", "F1", "F3"})
    EXPECT_EQ(reader.Next(), B(hex));
  EXPECT_EQ(std::tuple(reader.StrayBytes(), reader.BadFrames()), std::tuple(2, 0));

  // Cut short by a new command byte, wrong checksum, no checksum at all.
  reader.Append(B("FC 01 F4 05 FF 81 02 01 04 FF FE FF"));
  reader.Append(B("81 02 01 03 FF"));
  EXPECT_EQ(reader.Next(), B("F4"));
  EXPECT_EQ(reader.Next(), B("81 02 01 03 FF"));
  EXPECT_EQ(reader.Next(), std::nullopt);
  // 05 FF after F4 are stray.
  EXPECT_EQ(std::tuple(reader.BadFrames(), reader.StrayBytes(), reader.Pending()),
            std::tuple(3, 4, 0u));
}

TEST(SimMessages, readerSurvivesRandomBytesAndReturnsOnlyWholeWellCheckedMessages) {
  std::mt19937 random(20100408);
  std::uniform_int_distribution<int> byte(0, 255);
  MessageReader reader;
  for (int round = 0; round < 2000; ++round) {
    std::string chunk;
    for (int i = byte(random) % 40; i > 0; --i) chunk += static_cast<char>(byte(random));
    reader.Append(chunk);
    while (auto m = reader.Next()) {
      const auto command = static_cast<unsigned char>(m->front());
      ASSERT_GE(command, 0x80);
      if (IsSingleByte(command)) {
        EXPECT_EQ(m->size(), 1u);
        continue;
      }
      ASSERT_GE(m->size(), 3u);
      EXPECT_EQ(static_cast<unsigned char>(m->back()), 0xFF);
      for (size_t i = 1; i + 1 < m->size(); ++i)
        EXPECT_LT(static_cast<unsigned char>((*m)[i]), 0x80);
      EXPECT_TRUE(ChecksumOk(*m));
    }
  }
  // The stream still works afterwards.
  reader.Append(B("FF F5"));
  std::optional<std::string> last;
  while (auto message = reader.Next()) last = message;
  EXPECT_EQ(last, B("F5"));
}

}  // namespace
}  // namespace sim
