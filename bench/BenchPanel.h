#pragma once
// The test kit's panel for measuring: it keeps no written bytes and no
// events, and watches the first outputs, each returned to its last source at
// once.

#include <string>
#include <vector>

#include "engine/TCPComm.h"
#include "kit/Panel.h"

namespace vyr::bench {

using kit::FullMap;

struct BenchPanel : kit::KitPanel {
  explicit BenchPanel(int watched = 8) {
    sock.keepWrites = false;
    events.keep = false;
    std::vector<Slot> slots;
    for (int i = 0; i < watched; ++i) slots.push_back({static_cast<int16_t>(i)});
    Watch(slots);
    st.sExceptions = std::string(256, '0');
  }
};

// Output o on input `source` (or Off with source < 0), as a one-output map.
inline std::string OneOutputMap(int output, int source) {
  return kit::OneOutput(output, source >= 0 ? std::vector<int>{source} : std::vector<int>{});
}

}  // namespace vyr::bench
