// The crosspoint-change frame: layout, checksum, and values that cannot be
// carried in 14 bits.

#include "engine/EngineTest.h"

namespace vyr::test {
namespace {

using CrosspointChangeTest = EngineTest;

TEST_F(CrosspointChangeTest, framesCarryModeSourceOutputLowGroupFirst) {
  SendCrosspointChange(p, 5, 300, kModeReturn);
  SendCrosspointChange(p, 1, 1, kModeReturn);
  SendCrosspointChange(p, 1, 3, kModeOptoOff);
  SendCrosspointChange(p, 2, kNone + 1, kModeRelayInUse);
  ASSERT_EQ(sock.writes.size(), 4u);
  EXPECT_EQ(Hex(sock.writes[0]), "FE 04 00 2B 02 04 00 35 FF");
  EXPECT_EQ(Hex(sock.writes[1]), "FE 04 00 00 00 00 00 04 FF");
  EXPECT_EQ(Hex(sock.writes[2]), "FE 64 00 02 00 00 00 66 FF");
  EXPECT_EQ(Hex(sock.writes[3]), "FE 44 00 7F 7F 01 00 43 FF");
  EXPECT_TRUE(logged.empty());
}

TEST_F(CrosspointChangeTest, valueOutsideFourteenBitsIsLoggedAndNothingSent) {
  SendCrosspointChange(p, 5, 0, kModeReturn);      // source -1 on the wire
  SendCrosspointChange(p, 0, 5, kModeReturn);      // output -1
  SendCrosspointChange(p, 5, 16385, kModeReturn);  // source 16384
  SendCrosspointChange(p, 16385, 5, kModeReturn);  // output 16384
  SendCrosspointChange(p, 5, 5, 0x4000);           // mode 16384
  EXPECT_EQ(Hex(sock.Sent()), "");
  EXPECT_TRUE(events.changes.empty());
  EXPECT_EQ(Logged("Error Sending Crosspoint Change", "Switcher Message Error"), 5);
  // The largest values that fit still go out, every byte a data byte.
  SendCrosspointChange(p, 16384, 16384, 0x3FFF);
  EXPECT_EQ(Hex(sock.Sent()), "FE 7F 7F 7F 7F 7F 7F 7A FF");
}

}  // namespace
}  // namespace vyr::test
