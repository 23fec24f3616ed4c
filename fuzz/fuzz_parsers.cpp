// The name-table parser and the crosspoint-map decoder and processor, called
// directly with one message, on a panel watching outputs 0-3 with one console
// and one air chain.
//
// Input: [mode] [flags] [rest]
//   mode % 4 == 0  a name table (0xFC) from the rest
//               1  a crosspoint map (0xF6) from the rest: processed, or decoded alone
//               2  a name table the Server Module would send, described by the
//                  rest: the parser must store exactly those names
//               3  a crosspoint map the Server Module would send, described by
//                  the rest: it must decode to exactly those entries and be stored
//   flags bit 0  modes 0 and 1: the rest is made a well-formed frame (data bytes
//                below 0x80, correct checksum, end marker); otherwise it follows
//                the command byte as it is
//         bit 1  return to the one configured source (input 6)
//         bit 2  returns wait two poll ticks
//         bit 3  mode 3: sources are any 14-bit number, not only channels
//         bit 4  mode 1: the map is only decoded, and what it accepts is checked

#include <optional>

#include "FuzzSupport.h"
#include "SimMessages.h"
#include "core/RuntimeError.h"
#include "engine/ReturnEngine.h"
#include "engine/TCPComm.h"

namespace {

using namespace vyr;
using namespace vyr::fuzz;

constexpr int kHighestChannel = 19;  // of the configuration below

Setup PanelSetup(int flags) {
  Setup s;
  s.slots = {{0, 0, kNone}, {1, 1, 4}, {2, kNone, kNone}, {3, 3, 5}};
  s.toSpecific = (flags & 2) != 0;
  s.returnSource = 6;
  s.waitTicks = (flags & 4) != 0 ? 2 : 0;
  s.timeOut = 3600;
  s.exceptions = "00000000000000000011";  // inputs 18 and 19
  s.consoles = {{8, 16, kHighestChannel, 9}};
  s.chains = {{10, 12}};
  return s;
}

std::string FrameOf(unsigned char command, std::string_view rest, bool wellFormed) {
  std::string frame(1, static_cast<char>(command));
  if (!wellFormed) return frame.append(rest);
  unsigned sum = 0;
  for (char c : rest) {
    frame += static_cast<char>(c & 0x7F);
    sum = (sum + static_cast<unsigned>(c & 0x7F)) & 0x7F;
  }
  frame += static_cast<char>(sum);
  frame += '\xFF';
  return frame;
}

void CheckDecoded(const DecodedMap& map) {
  for (const XptRecord& r : map.records) {
    Require(
        r.bySrcCount <= 64 && r.iTagCount >= 0 && r.iTagCount <= 32 && r.iTagCount <= r.bySrcCount,
        "an accepted map holds impossible counts");
  }
}

// Decoded alone (it may raise only its run-time errors), or processed; one
// of the two per run, as decoding a large claimed count dominates the run.
void RawMap(FuzzPanel& f, const std::string& frame, bool decodeOnly) {
  if (!decodeOnly) {
    ProcessCrosspointMap(f.p, frame);
    return;
  }
  try {
    const DecodedMap map = DecodeCrosspointMap(frame);
    if (!map.dropped) CheckDecoded(map);
  } catch (const RuntimeError&) {
    // documented: an entry count of 256 or more, or a read past the end
  }
}

// A name table of count names cut or padded to width; bytes above 0x7F travel as '?'.
void BuiltNameTable(FuzzPanel& f, Bytes& in) {
  const bool outputs = (in.Front() & 1) != 0;
  const int width = in.Front() % 33;
  const int count = 1 + in.Word() % 300;
  std::vector<std::string> names, expected;
  for (int i = 0; i < count; ++i) {
    names.emplace_back(in.TakeFront(in.Front() % static_cast<unsigned>(width + 2)));
    std::string shown = names.back().substr(0, static_cast<std::size_t>(width));
    shown.resize(static_cast<std::size_t>(width), ' ');
    for (char& c : shown) c = static_cast<unsigned char>(c) >= 0x80 ? '?' : c;
    expected.push_back(shown);
  }
  ProcessAlphaTable(
      f.p, sim::BuildNameTable(outputs ? sim::kOutputNames : sim::kInputNames, width, names));
  const AppState& st = f.st;
  if (outputs) {
    Require(st.sOutputNames == expected && st.iNumOutputs == count,
            "an output name table was not stored as sent");
    Require(count <= kHighestChannel || f.errors == 0,
            "an output name table that covers the configuration reported an error");
  } else {
    Require(st.sInputNames == expected && st.iNumInputs == count,
            "an input name table was not stored as sent");
    Require(f.errors == 0, "a valid input name table reported an error");
  }
}

// A map of 0..8 outputs, each with up to 64 entries of which at most 32 tagged.
void BuiltMap(FuzzPanel& f, Bytes& in, bool anySource) {
  const int first = in.Word() % 300;
  const int count = in.Front() % 9;
  std::vector<sim::OutputRouting> outputs(static_cast<std::size_t>(count));
  std::vector<XptRecord> expected(static_cast<std::size_t>(count));
  for (int r = 0; r < count; ++r) {
    sim::OutputRouting& out = outputs[static_cast<std::size_t>(r)];
    XptRecord& rec = expected[static_cast<std::size_t>(r)];
    const int e = in.Front();
    const int entries = (e & 0x80) != 0 ? (e & 0x7F) % 65 : e % 5;
    const int s = in.Front();
    out.status = (s & 7) == 0 ? s >> 3 : 0;
    rec.byStatus = static_cast<uint8_t>(out.status);
    rec.bySrcCount = static_cast<uint8_t>(entries);
    std::vector<XptEntry> untagged, tags;
    for (int j = 0; j < entries; ++j) {
      const bool tagged = (in.Front() & 1) != 0 && tags.size() < 32;
      const int word = in.Word();
      const int16_t source = static_cast<int16_t>(anySource ? word & 0x3FFF : word % 256);
      out.entries.push_back({source, tagged});
      (tagged ? tags : untagged).push_back({source, 0, 0});
    }
    rec.iTagCount = static_cast<int16_t>(tags.size());
    rec.Store(untagged, tags);
  }
  const std::string frame = sim::BuildCrosspointMap(first, outputs);
  const DecodedMap map = DecodeCrosspointMap(frame);
  Require(!map.dropped && map.iFirst == first && map.records == expected,
          "a well-formed map did not decode to what was sent");

  f.st.lInfoRequest = kRequestMap;
  ProcessCrosspointMap(f.p, frame);
  Require(f.st.lInfoRequest == 0, "a well-formed map did not end the map request");
  // An empty map is left out here: one that starts at an air chain's Clean
  // output reports a subscript error (the air-chain step reads its first record).
  if (anySource || count == 0) return;
  // Every source a channel: nothing to report, and every output the switcher has is stored.
  Require(f.errors == 0, "a well-formed map of known channels reported an error");
  for (int r = 0; r < count && first + r < f.st.iNumOutputs; ++r) {
    Require(f.st.udtXptMap[static_cast<std::size_t>(first + r)] ==
                expected[static_cast<std::size_t>(r)],
            "a well-formed map was not stored");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  const int mode = in.Front() % 4;
  const int flags = in.Front();
  FuzzPanel& f = FuzzPanel::Fresh();
  Start(f, PanelSetup(flags));
  Require(f.errors == 0, "the panel's own configuration reported an error");
  const std::string_view rest = in.TakeFront(in.Left());
  Bytes described(reinterpret_cast<const uint8_t*>(rest.data()), rest.size());

  switch (mode) {
    case 0:
      ProcessAlphaTable(f.p, FrameOf(0xFC, rest, (flags & 1) != 0));
      break;
    case 1:
      RawMap(f, FrameOf(0xF6, rest, (flags & 1) != 0), (flags & 16) != 0);
      break;
    case 2:
      BuiltNameTable(f, described);
      break;
    default:
      BuiltMap(f, described, (flags & 8) != 0);
      break;
  }
  CheckState(f);
  return 0;
}
