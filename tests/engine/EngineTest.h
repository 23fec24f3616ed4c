#pragma once
// What the return-engine tests share: feeding maps, reading rows and log
// lines, and raw crosspoint-map frames for what MapFrame cannot build.

#include <algorithm>
#include <string>

#include "link/Wire.h"
#include "support/PanelFixture.h"

namespace vyr::test {

class EngineTest : public PanelTest {
 protected:
  void Feed(const std::string& frame) { ProcessCrosspointMap(p, frame); }

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

  // A console and an air chain; the bus table is rebuilt.
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

// A record as text, every non-zero slot named: "count 1 status 0 tags 0 src0 300/2/3".
inline std::string Summary(const XptRecord& r) {
  std::string text = "count " + std::to_string(r.bySrcCount) + " status " +
                     std::to_string(r.byStatus) + " tags " + std::to_string(r.iTagCount);
  auto entries = [&](const char* name, std::span<const XptEntry> kept) {
    for (std::size_t i = 0; i < kept.size(); ++i) {
      const XptEntry& e = kept[i];
      if (e.iSrc || e.iData2 || e.iData3) {
        text += " " + std::string(name) + std::to_string(i) + " " + std::to_string(e.iSrc) + "/" +
                std::to_string(e.iData2) + "/" + std::to_string(e.iData3);
      }
    }
  };
  entries("src", r.Untagged());
  entries("tag", r.Tagged());
  return text;
}

// A 0xF6 frame: flags, then the body (block count, first output, blocks),
// closed with its checksum and end byte.
inline std::string RawMap(int flags, const std::string& body) {
  std::string f = "\xF6";
  f += static_cast<char>(flags);
  f += body;
  wire::CloseFrame(f);
  return f;
}

}  // namespace vyr::test
