// The Server Module's identification: its type request and the switcher type.

#include "core/Checked.h"
#include "link/ByteManipulation.h"
#include "link/TCPComm.h"
#include "link/Wire.h"

namespace vyr {

namespace {

// The checksum byte of a received frame matches its data bytes.
bool ChecksumMatches(Panel& p, const std::string& message) {
  return CalcCheckSum(message, 2, p.log) == ByteAt(message, ToInt32(message.size()) - 2);
}

}  // namespace

void ProcessTypeRequest(Panel& p, const std::string& message) {
  Trap(p.log, "Error Processing Type Request", "Message Error", [&] {
    if (!ChecksumMatches(p, message)) return;
    if ((message.size() != 5 && message.size() != 4) || ByteAt(message, 1) != 0x64) return;
    std::string answer = "\x81";
    answer += '\x02';
    answer += '\x01';
    wire::CloseFrame(answer);
    SendToSwitcher(p, answer);
    p.tmrpoll.SetEnabled(true);
  });
}

void ProcessSwitcherType(Panel& p, const std::string& message) {
  Trap(p.log, "Error Processing Switcher Type", "Message Error", [&] {
    if (message.empty()) return;
    if (!ChecksumMatches(p, message)) return;
    if (ByteAt(message, 1) != 0x01 || message.size() != 10) return;
    p.st.iSwitcherType = MakeInteger(ByteAt(message, 4), ByteAt(message, 5));
  });
}

}  // namespace vyr
