#include "SimMessages.h"

#include <algorithm>
#include <cstdio>

#include "link/Wire.h"

namespace sim {

namespace {

using vyr::wire::AppendWord14;
using vyr::wire::CloseFrame;
using vyr::wire::Word14;

unsigned char At(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

char Byte(int value) { return static_cast<char>(value); }

constexpr int kTagByte = 10;

}  // namespace

std::string BuildNameTable(int kind, int width, const std::vector<std::string>& names) {
  const int count = static_cast<int>(names.size());
  std::string frame;
  frame.reserve(static_cast<size_t>((width + 2) * count + 9));
  frame += Byte(kNameTable);
  frame += Byte(kind & 0x7F);
  frame += Byte(width & 0x7F);
  AppendWord14(frame, count);
  AppendWord14(frame, 0);
  for (int i = 0; i < count; ++i) {
    const std::string& name = names[static_cast<size_t>(i)];
    for (int c = 0; c < width; ++c) {
      const unsigned char ch =
          c < static_cast<int>(name.size()) ? At(name, static_cast<size_t>(c)) : ' ';
      frame += ch < 0x80 ? static_cast<char>(ch) : '?';
    }
    AppendWord14(frame, i);
  }
  CloseFrame(frame);
  return frame;
}

std::string BuildCrosspointMap(int firstOutput, const std::vector<OutputRouting>& outputs) {
  const bool tagged = std::any_of(outputs.begin(), outputs.end(), [](const OutputRouting& o) {
    return std::any_of(o.entries.begin(), o.entries.end(), [](const Entry& e) { return e.tagged; });
  });
  std::string frame;
  frame += Byte(kCrosspointMap);
  frame += Byte(tagged ? 0x40 : 0x00);
  AppendWord14(frame, static_cast<int>(outputs.size()));
  AppendWord14(frame, firstOutput);
  for (const OutputRouting& out : outputs) {
    AppendWord14(frame, static_cast<int>(out.entries.size()));
    frame += Byte(out.status & 0x7F);
    for (const Entry& e : out.entries) {
      if (tagged) frame += Byte(e.tagged ? kTagByte : 0);
      AppendWord14(frame, e.source);
      AppendWord14(frame, 0);
    }
  }
  CloseFrame(frame);
  return frame;
}

std::string BuildTypeRequest() {
  std::string frame(1, Byte(kTypeRequest));
  frame += Byte(0x64);
  frame += Byte(0x00);
  CloseFrame(frame);
  return frame;
}

std::string BuildSwitcherType(int type) {
  std::string frame(1, Byte(kSwitcherType));
  frame += Byte(0x01);
  frame += std::string(2, '\0');
  AppendWord14(frame, type);
  frame += std::string(2, '\0');
  CloseFrame(frame);
  return frame;
}

bool ChecksumOk(std::string_view frame) {
  if (frame.size() < 3) return false;
  return vyr::wire::Checksum7(frame.substr(1, frame.size() - 3)) == At(frame, frame.size() - 2);
}

std::optional<ChangeRequest> ParseChange(std::string_view frame) {
  if (frame.size() != 9 || At(frame, 0) != kCrosspointChange || At(frame, 8) != 0xFF ||
      !ChecksumOk(frame)) {
    return std::nullopt;
  }
  ChangeRequest change;
  change.mode = Word14(At(frame, 1), At(frame, 2));
  change.source = Word14(At(frame, 3), At(frame, 4));
  change.output = Word14(At(frame, 5), At(frame, 6));
  return change;
}

std::optional<InfoRequest> ParseInfoRequest(std::string_view frame) {
  if (frame.size() != 13 || At(frame, 0) != kInfoRequest || At(frame, 12) != 0xFF ||
      !ChecksumOk(frame)) {
    return std::nullopt;
  }
  InfoRequest request;
  for (size_t i = 0; i < 4; ++i) request.flags1 |= static_cast<long>(At(frame, 1 + i)) << (7 * i);
  request.flags2 = Word14(At(frame, 5), At(frame, 6));
  return request;
}

bool IsSingleByte(unsigned char command) {
  return command == 0xF5 || command == 0xF4 || command == 0xF1 || command == 0xF3;
}

void MessageReader::Append(std::string_view bytes) {
  buffer_.erase(0, start_);
  start_ = 0;
  buffer_.append(bytes);
}

std::optional<std::string> MessageReader::Next() {
  const size_t size = buffer_.size();
  for (;;) {
    // Drop everything before the next command byte; a lone end byte is not one.
    while (start_ < size && (At(buffer_, start_) < 0x80 || At(buffer_, start_) == 0xFF)) {
      ++start_;
      ++strayBytes_;
    }
    if (start_ == size) return std::nullopt;

    if (IsSingleByte(At(buffer_, start_))) return buffer_.substr(start_++, 1);
    size_t end = start_ + 1;
    while (end < size && At(buffer_, end) < 0x80) ++end;
    if (end == size) return std::nullopt;  // not complete yet
    if (At(buffer_, end) != 0xFF) {
      // A new command byte cut this message short.
      ++badFrames_;
      start_ = end;
      continue;
    }
    std::string message = buffer_.substr(start_, end + 1 - start_);
    start_ = end + 1;
    if (!ChecksumOk(message)) {
      ++badFrames_;
      continue;
    }
    return message;
  }
}

std::string Hex(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() * 3);
  char two[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(two, sizeof two, "%02X", At(bytes, i));
    if (i > 0) text += ' ';
    text += two;
  }
  return text;
}

}  // namespace sim
