// The crosspoint-change frame: layout, checksum, and values that cannot be
// carried in 14 bits.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

using CrosspointChangeTest = EngineTest;

TEST_F(CrosspointChangeTest, framesCarryModeSourceOutputLowGroupFirst) {
  SendCrosspointChange(p, 5, 300, kModeReturn);
  SendCrosspointChange(p, 1, 3, kModeOptoOff);
  SendCrosspointChange(p, 2, kNone + 1, kModeRelayInUse);
  SendCrosspointChange(p, 16384, 16384, 0x3FFF);  // the largest values that fit
  ASSERT_EQ(sock.writes.size(), 4u);
  EXPECT_EQ(Hex(sock.writes[0]), "FE 04 00 2B 02 04 00 35 FF");
  EXPECT_EQ(Hex(sock.writes[1]), "FE 64 00 02 00 00 00 66 FF");
  EXPECT_EQ(Hex(sock.writes[2]), "FE 44 00 7F 7F 01 00 43 FF");
  EXPECT_EQ(Hex(sock.writes[3]), "FE 7F 7F 7F 7F 7F 7F 7A FF");
  EXPECT_TRUE(logged.empty());
}

TEST_F(CrosspointChangeTest, valueOutsideFourteenBitsIsLoggedAndNothingSent) {
  // Source -1 and output -1 on the wire; source, output and mode 16384.
  for (const Sent& c :
       {Sent{5, 0, 4}, Sent{0, 5, 4}, Sent{5, 16385, 4}, Sent{16385, 5, 4}, Sent{5, 5, 0x4000}}) {
    SendCrosspointChange(p, c.output, c.source, c.mode);
  }
  EXPECT_EQ(Hex(sock.Sent()), "");
  EXPECT_TRUE(events.changes.empty());
  EXPECT_EQ(Logged("Error Sending Crosspoint Change", "Switcher Message Error"), 5);
}

}  // namespace
}  // namespace vyr::test
