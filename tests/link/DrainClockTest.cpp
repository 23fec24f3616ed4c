#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "link/DrainClock.h"

namespace vyr {
namespace {

// One byte written every 200 ms for a minute; each is acknowledged `ackMs`
// after it was written (never, for a negative ackMs), and from `closeAtMs`
// on nothing more is. Returns the longest stall the clock reported and the
// time it first reached 10 s (-1: never).
struct Stalls {
  int64_t longest = 0, tenSecondsAt = -1;
};
Stalls Simulate(int64_t ackMs, int64_t closeAtMs = 1 << 30) {
  DrainClock clock;
  std::deque<int64_t> waiting;  // write times of unacknowledged bytes
  Stalls run;
  for (int64_t now = 0; now <= 60000; now += 200) {
    while (ackMs >= 0 && !waiting.empty() && waiting.front() + ackMs <= now &&
           waiting.front() + ackMs < closeAtMs) {
      waiting.pop_front();
    }
    const int64_t unacked = static_cast<int64_t>(waiting.size());
    clock.Sample(unacked, now);  // before the write
    waiting.push_back(now);
    clock.Written(1);
    const int64_t stalled = clock.Sample(unacked + 1, now);  // the check after it
    run.longest = std::max(run.longest, stalled);
    if (stalled >= 10000 && run.tenSecondsAt < 0) run.tenSecondsAt = now;
  }
  return run;
}

TEST(DrainClock, runsOnlyWhileNothingIsAcknowledged) {
  struct Row {
    const char* what;
    int64_t ackMs, closeAtMs, longestAtMost, tenSecondsAt;
  } rows[] = {
      {"reading peer on loopback", 1, 1 << 30, 0, -1},
      {"reading peer, 240 ms round trip", 240, 1 << 30, 240, -1},
      {"reading peer, 1.5 s round trip", 1500, 1 << 30, 1400, -1},
      {"never-reading peer", -1, 0, 60000, 10000},
      {"window closes at 20 s", 1, 20000, 60000, 30000},
  };
  for (const Row& row : rows) {
    const Stalls run = Simulate(row.ackMs, row.closeAtMs);
    EXPECT_LE(run.longest, row.longestAtMost) << row.what;
    EXPECT_EQ(run.tenSecondsAt, row.tenSecondsAt) << row.what;
  }
}

TEST(DrainClock, anyDrainRestartsItAndAnEmptyQueueStopsIt) {
  DrainClock clock;
  clock.Written(100);
  EXPECT_EQ(clock.Sample(100, 1000), 0);
  EXPECT_EQ(clock.Sample(100, 4000), 3000);
  clock.Written(50);
  EXPECT_EQ(clock.Sample(149, 5000), 0) << "one byte acknowledged while 50 were added";
  EXPECT_EQ(clock.Sample(149, 9000), 4000);
  EXPECT_EQ(clock.Sample(0, 9500), 0);
  clock.Written(5);
  EXPECT_EQ(clock.Sample(5, 12000), 2500) << "counted from the last look, when nothing waited";
}

}  // namespace
}  // namespace vyr
