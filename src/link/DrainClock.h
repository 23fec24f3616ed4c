#pragma once
// How long bytes handed to the network have waited without any of them being
// acknowledged by the peer. The count of unacknowledged bytes is looked at
// now and then (before writes and at checks); bytes written in between are
// added, so any acknowledgement since the last look restarts the clock.
// A peer that reads, however slow its link, keeps restarting it; one that
// stopped reading (its window closed) lets it run.

#include <cstdint>

namespace vyr {

class DrainClock {
 public:
  // `bytes` were handed on since the last Sample.
  void Written(int64_t bytes) { written_ += bytes; }

  // `unacked` bytes wait for the peer's acknowledgement at `nowMs`; returns
  // for how long nothing has drained (0 while nothing waits).
  int64_t Sample(int64_t unacked, int64_t nowMs) {
    const int64_t drained = last_ + written_ - unacked;
    if (!started_ || unacked == 0 || drained > 0) since_ = nowMs;
    started_ = true;
    last_ = unacked;
    written_ = 0;
    return unacked == 0 ? 0 : nowMs - since_;
  }

  void Reset() { *this = DrainClock(); }

 private:
  bool started_ = false;
  int64_t last_ = 0;
  int64_t written_ = 0;
  int64_t since_ = 0;
};

}  // namespace vyr
