#include <gtest/gtest.h>

#include "kit/Panel.h"
#include "link/Framing.h"
#include "link/Wire.h"

namespace vyr::test {
namespace {

using kit::B;

TEST(Framing, checksumEndMarkerAndWordsFollowTheWireRules) {
  // The checksum leaves out the command byte and the last n, wrapping at 7 bits.
  EXPECT_EQ(CalcCheckSum(B({0x81, 0x02, 0x01, 0x03, 0xFF}), 2), 3);
  EXPECT_EQ(CalcCheckSum(B({0x81, 0x7F, 0x02}), 0), 1);
  EXPECT_EQ(CalcCheckSum(B({0x81, 0xFF}), 2), 0);  // empty range
  // The message length runs up to and with the first end marker.
  EXPECT_EQ(FindEOM(B({0x81, 0x64, 0x64, 0x48, 0xFF, 0xF5})), 5);
  EXPECT_EQ(FindEOM(B({0xFF})), 1);
  EXPECT_EQ(FindEOM(B({0xF6, 0x01, 0x02})), 0);
  EXPECT_EQ(MakeInteger(0x7F, 0x7F), 16383);
  EXPECT_EQ(MakeInteger(0x2C, 0x02), 300);
}

TEST(Checksum, sameAsAddingOneByteAtATimeForEveryLengthAndByte) {
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

TEST(ReceiveBuffer, takeFrontKeepsTheRestInOrder) {
  ByteBuffer buffer;
  buffer.Append(B({0x81, 0x64, 0xFF, 0xF5}));
  EXPECT_EQ(buffer.TakeFront(3), B({0x81, 0x64, 0xFF}));
  EXPECT_EQ(buffer, B({0xF5}));
  EXPECT_EQ(buffer.TakeFront(9), B({0xF5}));
  EXPECT_TRUE(buffer.empty());
}

TEST(ReceiveBuffer, survivesManyAppendsAndTakesWithoutLosingBytes) {
  ByteBuffer buffer;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    const std::string chunk(static_cast<std::size_t>(i % 7 + 1), static_cast<char>(i % 128));
    buffer.Append(chunk), expected += chunk;
    if (i % 3 == 0) {
      const std::size_t n = static_cast<std::size_t>(i % 5);
      ASSERT_EQ(buffer.TakeFront(n), expected.substr(0, n));
      expected.erase(0, n);
    }
    ASSERT_EQ(buffer.View(), expected);
  }
}

}  // namespace
}  // namespace vyr::test
