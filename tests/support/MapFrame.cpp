#include "link/Wire.h"
#include "support/PanelFixture.h"

namespace vyr::test {

std::string MapFrame(int first, const std::vector<Block>& blocks, bool tagBytes) {
  std::string f = "\xF6";
  f += static_cast<char>(tagBytes ? 0x40 : 0x00);
  wire::AppendWord(f, static_cast<int>(blocks.size()));
  wire::AppendWord(f, first);
  for (const Block& b : blocks) {
    wire::AppendWord(f, static_cast<int>(b.entries.size()));
    f += static_cast<char>(b.status);
    for (const Entry& e : b.entries) {
      if (tagBytes) f += static_cast<char>(e.tagged ? 10 : 0);
      wire::AppendWord(f, e.source);
      wire::AppendWord(f, 0);
    }
  }
  wire::CloseFrame(f);
  return f;
}

std::string OneOutput(int output, std::vector<int> sources, int status) {
  Block b;
  b.status = status;
  for (int s : sources) b.entries.push_back({s});
  return MapFrame(output, {b});
}

}  // namespace vyr::test
