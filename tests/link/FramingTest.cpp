// The wire rules and the framing of the receive buffer, as pure functions.

#include <gtest/gtest.h>

#include "kit/Panel.h"
#include "link/Framing.h"
#include "link/Wire.h"

namespace vyr {
namespace {

using kit::B;
using wire::Hex;

TEST(Framing, checksumEndMarkerAndWordsFollowTheWireRules) {
  // The checksum leaves out the command byte and the last n, wrapping at 7 bits.
  EXPECT_EQ(CalcCheckSum(B({0x81, 0x02, 0x01, 0x03, 0xFF}), 2), 3);
  EXPECT_EQ(CalcCheckSum(B({0x81, 0x7F, 0x02}), 0), 1);
  EXPECT_EQ(CalcCheckSum(B({0x81, 0xFF}), 2), 0);  // empty range
  // The message length runs up to and with the first end marker.
  EXPECT_EQ(FindEOM(B({0x81, 0x64, 0x64, 0x48, 0xFF, 0xF5})), 5);
  EXPECT_EQ(FindEOM(B({0xF6, 0x01, 0x02})), 0);
  EXPECT_EQ(MakeInteger(0x2C, 0x02), 300);
  EXPECT_EQ(wire::Word14(0x2C, 0x02), 300);
  std::string word;
  wire::AppendWord14(word, 16383);
  wire::AppendWord14(word, 300);
  EXPECT_EQ(Hex(word), "7F 7F 2C 02");
  EXPECT_THROW(wire::AppendWord14(word, 16384), RuntimeError);
}

TEST(Framing, checksumIsTheSameAsAddingOneByteAtATime) {
  // Lengths around the 8-byte words and the 1024-byte rounds of the fast sum.
  for (std::size_t length : {0, 1, 7, 8, 9, 15, 1023, 1024, 1025, 2048 + 3, 70000}) {
    for (int fill : {0x00, 0x7F, 0x80, 0xFF}) {
      std::string bytes(length, static_cast<char>(fill));
      for (std::size_t i = 0; i < length; i += 13) bytes[i] = static_cast<char>(i * 7);
      unsigned slow = 0;
      for (char c : bytes) slow = (slow + static_cast<unsigned char>(c)) & 0x7F;
      EXPECT_EQ(wire::Checksum7(bytes), slow) << length << " bytes of " << fill;
    }
  }
}

// What NextFrame gives for each piece as it arrives, until the buffer holds
// nothing more to take: "1 F5" a one-byte message, "M <bytes>" a frame,
// "..." the start of one whose end has not come.
std::string Frames(ByteBuffer& buffer, const std::vector<std::string>& pieces) {
  std::string out;
  for (const std::string& piece : pieces) {
    buffer.Append(piece);
    for (Frame f = NextFrame(buffer); f.kind != Frame::kNothing; f = NextFrame(buffer)) {
      if (f.kind == Frame::kIncomplete) {
        out += "...|";
        break;
      }
      out += f.kind == Frame::kSingle ? "1 " + Hex(B({f.command})) : "M " + Hex(f.message);
      out += "|";
    }
  }
  return out;
}

TEST(Framing, nextFrameTakesWholeMessagesAndDropsWhatCannotBeOne) {
  const struct {
    std::vector<std::string> pieces;
    std::string frames, left;
  } cases[] = {
      {{B({0x05, 0x06, 0xF5, 0xF5})}, "1 F5|1 F5|", ""},  // garbage before polls
      {{B({0x01, 0x02, 0x03})}, "", ""},                  // nothing can start a message
      {{B({0xF1, 0xF3, 0xF4})}, "1 F1|1 F3|1 F4|", ""},
      // A command byte inside a frame breaks it: dropped up to that byte.
      {{B({0xFC, 0x01, 0xF4, 0x05, 0xFF})}, "1 F4|M FF|", ""},
      {{B({0xF6, 0x00, 0x80, 0x01, 0xFF})}, "M 80 01 FF|", ""},
      {{B({0xF6, 0x00, 0x01, 0xF5, 0x02})}, "1 F5|", ""},  // poll behind an unfinished frame
      {{B({0xF6, 0x00, 0x01})}, "...|", "F6 00 01"},
      // In pieces: the break or end is found wherever it falls, and the
      // next message is searched from its own start.
      {{B({0xF6, 0x00, 0x01}), B({0x02, 0xF5, 0x03})}, "...|1 F5|", ""},
      {{B({0xF6, 0x00}), B({0x01, 0x7E, 0xFF, 0xFF, 0xF2, 0x00})},
       "...|M F6 00 01 7E FF|M FF|...|",
       "F2 00"},
      {{B({0xFE, 0x04, 0x00, 0x04, 0xFF, 0xDE, 0x00, 0x00, 0xFF})},
       "M FE 04 00 04 FF|M DE 00 00 FF|",
       ""},
  };
  for (const auto& c : cases) {
    ByteBuffer buffer;
    const std::string frames = Frames(buffer, c.pieces);
    EXPECT_EQ(frames, c.frames) << Hex(c.pieces[0]);
    EXPECT_EQ(Hex(buffer.View()), c.left) << Hex(c.pieces[0]);
  }
}

TEST(Framing, unfinishedFrameIsKeptUpToTheLargestMessageAndReadingStopsAtTheBacklog) {
  ByteBuffer buffer;
  EXPECT_EQ(ReceiveRoom(buffer), kReceiveBacklogBytes);
  buffer.Append(B({0xF6}) + std::string(kMaxMessageBytes - 1, '\x01'));
  EXPECT_EQ(NextFrame(buffer).kind, Frame::kIncomplete);
  EXPECT_EQ(buffer.size(), kMaxMessageBytes) << "a large message may still be arriving";
  EXPECT_EQ(ReceiveRoom(buffer), 1u) << "past the backlog only the rest of one message";
  buffer.Append(B({0x01}));
  EXPECT_EQ(NextFrame(buffer).kind, Frame::kIncomplete);
  EXPECT_TRUE(buffer.empty()) << "longer than any message";
}

TEST(ReceiveBuffer, survivesManyAppendsTakesAndDropsWithoutLosingBytes) {
  ByteBuffer buffer;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    const std::string chunk(static_cast<std::size_t>(i % 7 + 1), static_cast<char>(i % 128));
    buffer.Append(chunk), expected += chunk;
    const std::size_t n = static_cast<std::size_t>(i % 5);
    if (i % 3 == 0) {
      ASSERT_EQ(buffer.TakeFront(n), expected.substr(0, n));
    }
    if (i % 3 == 1) buffer.Drop(n);
    if (i % 3 != 2) expected.erase(0, n);
    ASSERT_EQ(buffer.View(), expected);
  }
  EXPECT_EQ(buffer.TakeFront(expected.size() + 9), expected);
  buffer.Append("xy");
  buffer.Drop(9);
  EXPECT_TRUE(buffer.empty());
}

}  // namespace
}  // namespace vyr
