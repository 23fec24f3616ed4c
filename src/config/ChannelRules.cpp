#include "config/ChannelRules.h"

#include <algorithm>

namespace vyr {

namespace {

// Why a 0-based channel is not on the switcher, or nothing.
std::optional<std::string> OffSwitcher(int16_t channel, int16_t count, const char* what,
                                       const char* kind) {
  if (channel >= 0 && channel < count) return std::nullopt;
  return std::string(what) + " " + std::to_string(channel + 1) + " is not on the switcher (" +
         kind + " 1 to " + std::to_string(count) + ").";
}

std::string Range(const ConsoleRecord& c) {
  return std::to_string(c.iFirstMMBus + 1) + " to " + std::to_string(c.iLastMMBus + 1);
}

}  // namespace

std::optional<ChannelProblem> CheckConsoles(const std::vector<ConsoleRecord>& consoles,
                                            const AppState& st) {
  const int16_t buses = std::min(st.iNumInputs, st.iNumOutputs);
  for (std::size_t k = 0; k < consoles.size(); ++k) {
    const ConsoleRecord& c = consoles[k];
    const std::string row = "Console " + std::to_string(k + 1) + ": ";
    auto fail = [&](const std::string& why) { return ChannelProblem{"Console Error", row + why}; };
    for (const auto& why : {OffSwitcher(c.iProgram, st.iNumOutputs, "Program output", "outputs"),
                            OffSwitcher(c.iFirstMMBus, buses, "first mix-minus bus", "buses"),
                            OffSwitcher(c.iLastMMBus, buses, "last mix-minus bus", "buses"),
                            OffSwitcher(c.iMMInUseRelay, st.iNumOutputs, "relay", "outputs")}) {
      if (why) return fail(*why);
    }
    if (c.iFirstMMBus > c.iLastMMBus) {
      return fail("the first mix-minus bus (" + std::to_string(c.iFirstMMBus + 1) +
                  ") comes after the last (" + std::to_string(c.iLastMMBus + 1) + ").");
    }
    for (std::size_t j = 0; j < k; ++j) {
      const ConsoleRecord& o = consoles[j];
      if (c.iFirstMMBus <= o.iLastMMBus && o.iFirstMMBus <= c.iLastMMBus) {
        return fail("mix-minus buses " + Range(c) + " overlap console " + std::to_string(j + 1) +
                    "'s (" + Range(o) + ").");
      }
    }
  }
  return std::nullopt;
}

std::optional<ChannelProblem> CheckAirChains(const std::vector<AirChainRecord>& chains,
                                             const AppState& st) {
  for (std::size_t k = 0; k < chains.size(); ++k) {
    for (const auto& why :
         {OffSwitcher(chains[k].iClean, st.iNumOutputs, "Clean output", "outputs"),
          OffSwitcher(chains[k].iTonesAndSounders, st.iNumInputs, "tones-and-sounders source",
                      "inputs")}) {
      if (why)
        return ChannelProblem{"Air Chain Error",
                              "Air chain " + std::to_string(k + 1) + ": " + *why};
    }
  }
  return std::nullopt;
}

std::optional<ChannelProblem> CheckOptos(const AppState& lists, const AppState& st) {
  const std::size_t n = std::min(lists.iWatchOutputs.size(), lists.iWatchOptos.size());
  for (std::size_t k = 0; k < n; ++k) {
    const int16_t opto = lists.iWatchOptos[k];
    if (opto == kNone) continue;
    if (const auto why = OffSwitcher(opto, st.iNumInputs, "opto", "inputs")) {
      return ChannelProblem{"Opto Error", "Watched output " + std::to_string(k + 1) + " (output " +
                                              std::to_string(lists.iWatchOutputs[k] + 1) +
                                              "): " + *why};
    }
  }
  return std::nullopt;
}

}  // namespace vyr
