#pragma once
// What the engine tests share: feeding maps and bytes, poll ticks, a new
// link, reading rows and log lines, consoles and exceptions.

#include <algorithm>
#include <string>

#include "support/PanelFixture.h"

namespace vyr::test {

class EngineTest : public PanelTest {
 protected:
  void Feed(const std::string& frame) { ProcessCrosspointMap(p, frame); }
  void Feed(std::initializer_list<std::string> frames) {
    for (const std::string& frame : frames) Feed(frame);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) tmrpoll_Timer(p);
  }
  // The link dropped and came back.
  void Relink() { scktSwitcher_Connect(p); }

  // Forgets what was written so far.
  void Clear() { sock.writes.clear(); }

  // Log lines carrying both the description and the category.
  int Logged(const std::string& description, const std::string& category) const {
    return static_cast<int>(std::count_if(logged.begin(), logged.end(), [&](const auto& line) {
      return line.find(description) != std::string::npos &&
             line.find(category) != std::string::npos;
    }));
  }

  ::testing::AssertionResult RowIs(int16_t row, const std::string& caption, int32_t colour) {
    const StatusRow& r = rows.Row(row);
    if (r.sSource == caption && r.lColour == colour) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "row " << row << " shows \"" << r.sSource << "\" colour " << r.lColour
           << ", expected \"" << caption << "\" colour " << colour;
  }

  // Consoles and air chains; the bus table is rebuilt.
  void Consoles(std::vector<ConsoleRecord> consoles, std::vector<AirChainRecord> chains = {}) {
    st.udtConsoles = std::move(consoles);
    st.iConsoleCount = static_cast<int16_t>(st.udtConsoles.size());
    st.udtAirChains = std::move(chains);
    st.iAirChainCount = static_cast<int16_t>(st.udtAirChains.size());
    SetupMMAssoc(p);
  }

  // Marks source numbers as exceptions.
  void Exceptions(std::initializer_list<int> sources) {
    st.sExceptions.assign(256, '0');
    for (int s : sources) st.sExceptions[static_cast<std::size_t>(s)] = '1';
  }
};

}  // namespace vyr::test
