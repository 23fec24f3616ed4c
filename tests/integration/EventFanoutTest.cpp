// PanelHost's fan-out: every listener hears every event, in the order added,
// and a listener may leave while an event is being delivered.

#include <gtest/gtest.h>

#include <utility>

#include "kit/Panel.h"
#include "runtime/PanelHost.h"

namespace vyr {
namespace {

// Removes `whom` when it hears its first link event.
struct Leaver final : PanelEvents {
  EventFanout* fanout = nullptr;
  PanelEvents* whom = nullptr;
  void Connected() override {
    if (whom) fanout->Remove(*std::exchange(whom, nullptr));
  }
};

TEST(EventFanout, everyListenerHearsUntilItIsRemovedEvenDuringADelivery) {
  EventFanout fanout;
  kit::RecordingEvents first, last;
  Leaver leaver;
  leaver.fanout = &fanout, leaver.whom = &last;
  fanout.Add(first), fanout.Add(leaver), fanout.Add(last);
  fanout.Connected();  // `last` goes before its turn in this delivery
  fanout.Disconnected("gone");
  leaver.whom = &leaver;
  fanout.Connected();  // the leaver removes itself
  fanout.Remove(first);
  fanout.ErrorLogLine("nobody hears this");
  EXPECT_EQ(first.seen, (std::vector<std::string>{"connected", "disconnected: gone", "connected"}));
  EXPECT_EQ(last.seen, std::vector<std::string>{});
}

}  // namespace
}  // namespace vyr
