#pragma once
// The Server Module's side of the byte format: builders of the messages the
// module sends, parsers of the messages the panel sends, and the reader that
// cuts a byte stream into messages. No Qt here; bytes travel in std::string.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

inline constexpr unsigned char kPoll = 0xF5;
inline constexpr unsigned char kPollAnswer = 0xF4;
inline constexpr unsigned char kTypeRequest = 0x81;
inline constexpr unsigned char kSwitcherType = 0xE5;
inline constexpr unsigned char kInfoRequest = 0xF2;
inline constexpr unsigned char kCrosspointMap = 0xF6;
inline constexpr unsigned char kNameTable = 0xFC;
inline constexpr unsigned char kCrosspointChange = 0xFE;

inline constexpr int kInputNames = 10;
inline constexpr int kOutputNames = 20;
inline constexpr int kMaxEntries = 64;  // entries one output may carry
inline constexpr int kMaxTagged = 32;   // tagged entries among them
inline constexpr int kMaxWord = 16383;  // largest 14-bit number

// Info request flag bits (first flag word).
inline constexpr long kWantMap = 0x80;
inline constexpr long kWantInputNames = 0x100;
inline constexpr long kWantOutputNames = 0x200;

// Crosspoint-change modes.
inline constexpr int kModeTake = 0x04;
inline constexpr int kModeAdd = 0x24;
inline constexpr int kModeRemove = 0x20;
inline constexpr int kModeRelayOff = 0x40;
inline constexpr int kModeRelayInUse = 0x44;
inline constexpr int kModeOptoOn = 0x60;
inline constexpr int kModeOptoOff = 0x64;

// One entry on an output: an input, or (tagged) another output.
struct Entry {
  int source = 0;
  bool tagged = false;
  bool operator==(const Entry&) const = default;
};

struct OutputRouting {
  std::vector<Entry> entries;  // empty: the output is Off
  int status = 0;
  bool operator==(const OutputRouting&) const = default;
};

// 0xFC: kind (kInputNames or kOutputNames), every name padded with blanks or
// cut to `width`, characters above 0x7F sent as '?'; entry i carries i as its
// value word. First entry to take is 0.
std::string BuildNameTable(int kind, int width, const std::vector<std::string>& names);

// 0xF6 for outputs firstOutput, firstOutput+1, ... Entries carry a tag byte
// (10 tagged, 0 not) when any entry in the message is tagged; the second
// word of each entry is 0. The caller keeps to kMaxEntries per output.
std::string BuildCrosspointMap(int firstOutput, const std::vector<OutputRouting>& outputs);

std::string BuildTypeRequest();           // 81 64 00 64 FF
std::string BuildSwitcherType(int type);  // E5 01 00 00 lo hi 00 00 cs FF
bool ChecksumOk(std::string_view frame);  // framed message: byte L-2 is the 7-bit sum

struct ChangeRequest {
  int mode = 0;
  int source = 0;  // 0-based as on the wire
  int output = 0;
};
// A 9-byte 0xFE with a good checksum, else nothing.
std::optional<ChangeRequest> ParseChange(std::string_view frame);

struct InfoRequest {
  long flags1 = 0;
  long flags2 = 0;
};
// A 13-byte 0xF2 with a good checksum, else nothing.
std::optional<InfoRequest> ParseInfoRequest(std::string_view frame);

// The four commands that are one byte long with no checksum or end byte.
bool IsSingleByte(unsigned char command);

// Cuts a byte stream into whole messages. A byte of 0x80 or more starts a
// message; framed ones run to 0xFF. Bytes outside any message are dropped, and
// so are framed messages that a new command byte cuts short or whose checksum
// is wrong; both are counted.
class MessageReader {
 public:
  void Append(std::string_view bytes);
  // The next whole message with a good checksum, or nothing until more bytes come.
  std::optional<std::string> Next();
  int BadFrames() const { return badFrames_; }
  int StrayBytes() const { return strayBytes_; }
  size_t Pending() const { return buffer_.size() - start_; }

 private:
  std::string buffer_;
  size_t start_ = 0;  // bytes before it are consumed
  int badFrames_ = 0;
  int strayBytes_ = 0;
};

std::string Hex(std::string_view bytes);  // "FE 04 00 ..."

}  // namespace sim
