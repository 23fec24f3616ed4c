// The whole receive path: the Server Module's bytes arriving in reads of any
// size, the decode timer taking messages off the buffer, the poll timer in
// between, against a valid configuration.
//
// Input: the configuration (ReadSetup) from the front, then the received
// bytes. The reads are planned from the end of the input, one byte each:
//   bits 0-4  length: 1..16, or 32, 64 .. 512 (the last read takes what is left)
//   bit 5     a poll-timer tick before the read
//   bit 6     only one decode-timer tick after the read (more may arrive first)
//   bit 7     a poll-timer tick between the read and decoding
// When only one byte is left it is read as it is. Afterwards the decode timer
// runs out, and poll ticks run until every delayed return has been made.

#include "FuzzSupport.h"

namespace {

using namespace vyr;
using namespace vyr::fuzz;

std::size_t ReadLength(uint8_t plan) {
  const int code = plan & 0x1F;
  return static_cast<std::size_t>(code < 16 ? code + 1 : (code - 15) * 32);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  FuzzPanel& f = FuzzPanel::Fresh();
  const Setup setup = ReadSetup(in);
  Start(f, setup);

  while (in.Left() > 0) {
    const uint8_t plan = in.Left() > 1 ? in.Back() : 0;
    const std::string_view bytes = in.TakeFront(ReadLength(plan));
    if (plan & 0x20) PollTick(f);
    Receive(f, bytes);
    if (plan & 0x80) PollTick(f);
    if (plan & 0x40) {
      DecodeTick(f);
    } else {
      Drain(f);
      CheckSettled(f);
    }
    CheckState(f);
  }
  Drain(f);
  CheckSettled(f);
  CheckState(f);

  // Each countdown ends within its wait, plus the ticks a dropped link costs.
  for (int tick = 0; tick < 64 && f.st.iPendingReturns > 0; ++tick) PollTick(f);
  Require(f.st.iPendingReturns == 0, "a delayed return never came due");
  CheckState(f);
  return 0;
}
