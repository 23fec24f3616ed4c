// Hands each message taken off the front of the receive buffer to its
// handler; answers the keep-alive bytes itself.

#include "engine/ReturnEngine.h"
#include "engine/TCPComm.h"
#include "link/Framing.h"
#include "link/Messages.h"

namespace vyr {

namespace {

void HandleSingleByte(Panel& p, unsigned char command) {
  switch (command) {
    case kPoll:
      SendToSwitcher(p, std::string(1, static_cast<char>(kPollAnswer)));
      break;
    case kPollAnswer:
      p.st.iMissedPolls = 0;
      if (!p.st.bInfoRequested) {
        p.st.bInfoRequested = true;
        int32_t first = 0x380, second = 0;
        SendInfoRequest(p, first, second);
      }
      break;
    case kAcknowledge:
      p.st.iMissedPolls = 0;
      break;
    default:
      break;
  }
}

void HandleFrame(Panel& p, const std::string& message) {
  switch (static_cast<unsigned char>(message[0])) {
    case kTypeRequest:
      ProcessTypeRequest(p, message);
      break;
    case kSwitcherType:
      ProcessSwitcherType(p, message);
      break;
    case kCrosspointMap:
      ProcessCrosspointMap(p, message);
      break;
    case kNameTable:
      ProcessAlphaTable(p, message);
      break;
    default:
      break;  // 0xFE, 0xDE, 0xEB, 0xF2 and the rest are ignored
  }
}

}  // namespace

void ProcessCommand(Panel& p) {
  Trap(p.log, "Error Processing Command", "Decode Error", [&] {
    const Frame frame = NextFrame(p.st.sRecvBuffer);
    if (frame.kind == Frame::kSingle) HandleSingleByte(p, frame.command);
    if (frame.kind == Frame::kMessage) HandleFrame(p, frame.message);
  });
}

void tmrDecode_Timer(Panel& p) {
  for (int i = 0; i < kMessagesPerDecodeTick; ++i) {
    const std::size_t before = p.st.sRecvBuffer.size();
    if (before > 0) ProcessCommand(p);
    // Nothing more to do until new bytes arrive: stop instead of spinning.
    const std::size_t after = p.st.sRecvBuffer.size();
    if (after == 0 || after == before) {
      p.tmrDecode.SetEnabled(false);
      break;
    }
  }
  if (!p.st.bConnected || ReceiveRoom(p.st.sRecvBuffer) == 0) return;
  const std::size_t before = p.st.sRecvBuffer.size();
  Trap(p.log, "Error Receiving IP Message", "Socket Error", [&] { ReadIntoBuffer(p); });
  if (p.st.sRecvBuffer.size() != before) p.tmrDecode.SetEnabled(true);
}

}  // namespace vyr
