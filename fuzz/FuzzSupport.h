#pragma once
// What the harnesses share: the fuzzer's bytes read from both ends, a panel
// whose socket takes every write and checks that it is a well-formed message,
// a configuration drawn from bytes that is always one the settings file could
// give, the socket and timer events as the event loop delivers them, and the
// checks of the state that must hold whatever arrived. No Qt, no files.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/AppState.h"
#include "kit/Panel.h"

namespace vyr::fuzz {

// Stops the run with the reason on standard error; the fuzzer keeps the input.
[[noreturn]] void Fail(const char* what);
inline void Require(bool holds, const char* what) {
  if (!holds) Fail(what);
}

// The fuzzer's input: structure taken from the front, a plan from the back,
// zeros once it is used up.
class Bytes {
 public:
  Bytes(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t Left() const { return size_ - front_ - back_; }
  uint8_t Front() { return Left() > 0 ? data_[front_++] : uint8_t{0}; }
  uint8_t Back() { return Left() > 0 ? data_[size_ - 1 - back_++] : uint8_t{0}; }
  // Two bytes, the first one high.
  int Word() {
    const int high = Front();
    return high << 8 | Front();
  }
  std::string_view TakeFront(std::size_t n) {
    n = std::min(n, Left());
    const std::string_view taken(reinterpret_cast<const char*>(data_) + front_, n);
    front_ += n;
    return taken;
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t front_ = 0, back_ = 0;
};

// The test kit's panel, its socket checking that every write is a message
// the panel may send: a poll or poll answer byte, or a 0x81, 0xF2 or 0xFE
// frame of its length with data bytes below 0x80, a correct checksum and the
// end marker. The error log's lines are counted, not kept.
struct FuzzPanel : kit::KitPanel {
  int64_t errors = 0;

  FuzzPanel();

  // The panel of this process, every part set back to the start-up defaults.
  // Copied over the last run's panel, the tables keep their storage: a fresh
  // panel per run would spend most of the run mapping and clearing pages.
  static FuzzPanel& Fresh();
};

// A configuration the settings file could give, with every channel inside the
// tables the switcher reports: `inputs` and `outputs` channels, which are the
// default 256 unless the name tables are sent first.
struct Setup {
  struct Slot {
    int16_t output = 0, input = kNone, opto = kNone;
  };
  bool inputTable = false, outputTable = false;  // name tables sent before the stream
  int16_t inputs = 256, outputs = 256;
  int16_t nameWidth = 8;
  bool toSpecific = false;
  int16_t returnSource = kNone;
  int16_t waitTicks = 0;
  int16_t timeOut = 20;                    // with a refresh of 100 ms
  std::vector<Slot> slots{Slot{}};         // 1 .. 8
  std::string exceptions;                  // '0' / '1', at most `inputs` long
  std::vector<ConsoleRecord> consoles{1};  // 1 .. 4
  std::vector<AirChainRecord> chains{1};   // 1 .. 3
};

// Draws a valid configuration from the front of the input.
Setup ReadSetup(Bytes& in);
// The bytes ReadSetup turns back into `s` (for the seed corpus); `s` must be
// valid as ReadSetup makes them.
std::string SetupBytes(const Setup& s);

// The channel names of a table of `count`, as the Server Module would send.
std::vector<std::string> ChannelNames(const char* prefix, int count);

// Start-up with `s` as the settings read: the bus table, the first
// connection (completed at once), the poll timer and the rows; then the name
// tables `s` asks for, received like any other bytes.
void Start(FuzzPanel& f, const Setup& s);

// The socket's data-arrived event with `bytes` waiting; a dropped link is
// reconnected first, as the poll timer would.
void Receive(FuzzPanel& f, std::string_view bytes);
// One decode-timer tick, when the timer runs.
void DecodeTick(FuzzPanel& f);
// Decode-timer ticks until the timer stops; stops the run if it never would.
void Drain(FuzzPanel& f);
// One poll-timer tick; a reconnection it starts completes at once.
void PollTick(FuzzPanel& f);

// Table sizes, the watch tables, the pending-return count, the stored
// records and the mix-minus tables: what must hold after any input.
void CheckState(const FuzzPanel& f);
// With the decode timer stopped, what is left in the receive buffer is at
// most the start of one framed message.
void CheckSettled(const FuzzPanel& f);

// A settings text with a "Watch Count", "Console Count" or "AirChain Count"
// line (any letter case, blanks around '=') whose number is above `limit`.
bool AsksForManySlots(std::string_view text, double limit);

}  // namespace vyr::fuzz
