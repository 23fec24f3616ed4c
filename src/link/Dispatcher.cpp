// Takes whole messages off the front of the receive buffer and hands each to
// its handler; answers the keep-alive bytes itself.

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/Checked.h"
#include "engine/ReturnEngine.h"
#include "link/ByteManipulation.h"
#include "link/TCPComm.h"

namespace vyr {

namespace {

constexpr unsigned char kPoll = 0xF5;
constexpr unsigned char kPollAnswer = 0xF4;
constexpr unsigned char kAcknowledge = 0xF1;
constexpr unsigned char kNoOperation = 0xF3;

// Index of the first byte of 0x80 or more at or after `from`, or npos.
// Eight bytes are tested at a time until a word holds one.
std::size_t FindCommandByte(std::string_view bytes, std::size_t from) {
  std::size_t i = from;
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    if ((word & 0x8080808080808080ull) != 0) break;
  }
  for (; i < bytes.size(); ++i) {
    if (static_cast<unsigned char>(bytes[i]) >= 0x80) return i;
  }
  return std::string_view::npos;
}

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
    case 0x81:
      ProcessTypeRequest(p, message);
      break;
    case 0xE5:
      ProcessSwitcherType(p, message);
      break;
    case 0xF6:
      ProcessCrosspointMap(p, message);
      break;
    case 0xFC:
      ProcessAlphaTable(p, message);
      break;
    default:
      break;  // 0xFE, 0xDE, 0xEB, 0xF2 and the rest are ignored
  }
}

}  // namespace

void ProcessCommand(Panel& p) {
  Trap(p.log, "Error Processing Command", "Decode Error", [&] {
    for (;;) {
      if (p.st.sRecvBuffer.empty()) return;
      const std::string_view bytes = p.st.sRecvBuffer.View();
      const std::size_t start = FindCommandByte(bytes, 0);
      if (start == std::string_view::npos) {
        p.st.sRecvBuffer.Clear();  // nothing here can start a message
        return;
      }
      if (start > 0) {
        TrimBuffer(p.st, static_cast<int64_t>(start), p.log);
        continue;
      }
      const unsigned char command = static_cast<unsigned char>(bytes[0]);
      if (command == kPoll || command == kPollAnswer || command == kAcknowledge ||
          command == kNoOperation) {
        TrimBuffer(p.st, 1, p.log);
        HandleSingleByte(p, command);
        return;
      }
      // A command byte before the end marker means the frame is broken: it is
      // dropped up to that byte. The same holds for a frame whose end has not
      // arrived yet, so that a poll behind it is answered in time.
      // Bytes an earlier pass looked at hold neither an end marker nor a
      // command byte: only what arrived since is searched.
      const std::size_t from = p.st.sRecvBuffer.ScannedUpTo();
      const int32_t found = FindEOM(bytes.substr(from), p.log);
      const int32_t length = found == 0 ? 0 : ToInt32(static_cast<int64_t>(found) + from);
      const std::size_t dataEnd = length == 0 ? bytes.size() : static_cast<std::size_t>(length) - 1;
      const std::size_t broken =
          FindCommandByte(bytes.substr(0, dataEnd), std::max<std::size_t>(from, 1));
      if (broken != std::string_view::npos) {
        TrimBuffer(p.st, static_cast<int64_t>(broken), p.log);
        continue;
      }
      if (length == 0) {
        // Wait for the rest, unless it is already longer than any message.
        if (bytes.size() > kMaxMessageBytes) p.st.sRecvBuffer.Clear();
        p.st.sRecvBuffer.MarkScannedUpTo(p.st.sRecvBuffer.size());
        return;
      }
      const std::string message = TrimBuffer(p.st, length, p.log);
      if (!message.empty()) HandleFrame(p, message);
      return;
    }
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
