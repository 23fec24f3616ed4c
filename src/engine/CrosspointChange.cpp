// The crosspoint change: the one message by which the panel changes anything
// on the switcher (returns, tones, optos, relays).

#include "core/Checked.h"
#include "engine/ReturnEngine.h"
#include "link/ByteManipulation.h"
#include "link/TCPComm.h"

namespace vyr {

namespace {

// Low 7 bits, then the rest; a value whose rest does not fit a data byte
// would put a command byte inside the frame.
void AppendWord(std::string& frame, int16_t value) {
  const int low = value & 0x7F;
  const double high = (value - low) / 128.0;
  const uint8_t highByte = CByte(high);
  if (highByte >= 0x80) Raise(kErrOverflow);
  frame += static_cast<char>(low);
  frame += static_cast<char>(highByte);
}

}  // namespace

std::string BuildCrosspointChange(int16_t iOutput, int16_t iSource, int16_t iMode, ErrorLog& log) {
  const int16_t a = Sub16(iOutput, 1);
  const int16_t b = Sub16(iSource, 1);
  std::string frame = "\xFE";
  AppendWord(frame, iMode);
  AppendWord(frame, b);
  AppendWord(frame, a);
  frame += static_cast<char>(CalcCheckSum(frame, 0, log));
  frame += '\xFF';
  return frame;
}

void SendCrosspointChange(Panel& p, int16_t iOutput, int16_t iSource, int16_t iMode) {
  Trap(p.log, "Error Sending Crosspoint Change", "Switcher Message Error", [&] {
    const std::string frame = BuildCrosspointChange(iOutput, iSource, iMode, p.log);
    if (SendToSwitcher(p, frame)) p.events.CrosspointChangeSent(iOutput, iSource, iMode, frame);
  });
}

}  // namespace vyr
