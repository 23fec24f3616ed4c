#pragma once
// The consoles, air chains and watched outputs' optos as the setup dialog
// takes them: every channel on the switcher, each console's mix-minus buses
// in order and apart from every other console's. The first problem found is
// told with the row it is in, 1-based as the dialog shows them.

#include <optional>
#include <string>
#include <vector>

#include "core/AppState.h"

namespace vyr {

struct ChannelProblem {
  std::string title;
  std::string text;
};

// Relays, Program and Clean outputs are switcher outputs; mix-minus buses,
// tones-and-sounders sources and optos go out as source numbers, so they
// are checked against the inputs (buses also against the outputs, whose
// table maps them to their console).
std::optional<ChannelProblem> CheckConsoles(const std::vector<ConsoleRecord>& consoles,
                                            const AppState& st);
std::optional<ChannelProblem> CheckAirChains(const std::vector<AirChainRecord>& chains,
                                             const AppState& st);
// `lists`: the watch slots (outputs and optos) to check; st: the switcher.
std::optional<ChannelProblem> CheckOptos(const AppState& lists, const AppState& st);

}  // namespace vyr
