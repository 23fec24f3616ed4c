#include "link/Framing.h"

#include <algorithm>
#include <cstring>

#include "link/Wire.h"

namespace vyr {

namespace {

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

bool IsSingleByte(unsigned char command) {
  return command == kPoll || command == kPollAnswer || command == kAcknowledge ||
         command == kNoOperation;
}

}  // namespace

int16_t CalcCheckSum(std::string_view message, int16_t n) {
  const int64_t last = static_cast<int64_t>(message.size()) - 1 - n;
  if (last < 1) return 0;
  return wire::Checksum7(message.substr(1, static_cast<std::size_t>(last)));
}

int32_t FindEOM(std::string_view buffer) {
  const std::size_t at = buffer.find(static_cast<char>(wire::kEndOfMessage));
  return at == std::string_view::npos ? 0 : ToInt32(static_cast<int64_t>(at) + 1);
}

Frame NextFrame(ByteBuffer& buffer) {
  for (;;) {
    if (buffer.empty()) return {};
    const std::string_view bytes = buffer.View();
    const std::size_t start = FindCommandByte(bytes, 0);
    if (start == std::string_view::npos) {
      buffer.Clear();  // nothing here can start a message
      return {};
    }
    if (start > 0) {
      buffer.Drop(start);
      continue;
    }
    const unsigned char command = static_cast<unsigned char>(bytes[0]);
    if (IsSingleByte(command)) {
      buffer.Drop(1);
      return {Frame::kSingle, command, {}};
    }
    // Bytes an earlier pass looked at hold neither an end marker nor a
    // command byte: only what arrived since is searched.
    const std::size_t from = buffer.ScannedUpTo();
    const int32_t found = FindEOM(bytes.substr(from));
    const std::size_t length = found == 0 ? 0 : static_cast<std::size_t>(found) + from;
    const std::size_t dataEnd = length == 0 ? bytes.size() : length - 1;
    const std::size_t broken =
        FindCommandByte(bytes.substr(0, dataEnd), std::max<std::size_t>(from, 1));
    if (broken != std::string_view::npos) {
      buffer.Drop(broken);
      continue;
    }
    if (length == 0) {
      // Wait for the rest, unless it is already longer than any message.
      if (bytes.size() > kMaxMessageBytes) buffer.Clear();
      buffer.MarkScannedUpTo(buffer.size());
      return {Frame::kIncomplete, 0, {}};
    }
    return {Frame::kMessage, command, buffer.TakeFront(length)};
  }
}

std::size_t ReceiveRoom(const ByteBuffer& buffer) {
  // The front ScannedUpTo bytes are the start of one message still waiting
  // for its end marker; once that start alone fills the backlog, the rest of
  // the message is read without waiting for another scan.
  const bool longMessage = buffer.ScannedUpTo() >= kReceiveBacklogBytes;
  const std::size_t limit = longMessage ? kMaxMessageBytes + 1 : kReceiveBacklogBytes;
  return buffer.size() < limit ? limit - buffer.size() : 0;
}

}  // namespace vyr
