#pragma once
// A panel over a fake socket with manual timers: a fresh state with the
// start-up defaults, connected, and the log lines collected.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/InitProgram.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"
#include "link/Panel.h"
#include "link/TCPComm.h"
#include "link/Wire.h"
#include "support/FakeSocket.h"

namespace vyr::test {

using wire::Hex;

// Bytes from a list of values: B({0xF6, 0x00}).
inline std::string B(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

// A crosspoint change: 1-based output and source, and the mode.
struct Sent {
  int16_t output, source, mode;
  bool operator==(const Sent&) const = default;
};
inline void PrintTo(const Sent& s, std::ostream* os) {
  *os << "{out " << s.output << ", src " << s.source << ", mode 0x" << std::hex << s.mode
      << std::dec << "}";
}

// The events raised; `changes` holds the crosspoint changes reported sent.
class RecordingEvents final : public PanelEvents {
 public:
  std::vector<Sent> changes;
  int connected = 0, disconnected = 0;
  void Connected() override { ++connected; }
  void Disconnected() override { ++disconnected; }
  void CrosspointChangeSent(int16_t o, int16_t s, int16_t m, const std::string&) override {
    changes.push_back({o, s, m});
  }
};

class PanelTest : public ::testing::Test {
 protected:
  AppState st;
  FixedClock clock{DateTime{2011, 3, 1, 9, 5, 7}};
  ErrorLog log{st, clock};
  std::vector<std::string> logged;
  FakeSocket sock;
  ManualTimer tmrpoll, tmrDecode;
  StatusRows rows;
  RecordingEvents events;
  Panel p{st, log, sock, tmrpoll, tmrDecode, rows, events};

  PanelTest() {
    log.SetWriteToFile(false);
    log.SetEcho([this](const std::string& line) { logged.push_back(line); });
    log.SetCountRepeats(false);  // each failure a line of its own, however often it comes
    InitProgram(st, "/nonexistent", tmrpoll, log);
    st.bConnected = true;
  }

  // Watch slots: output, input and opto per slot (0-based; kNone for none).
  struct Slot {
    int16_t output, input = kNone, opto = kNone;
  };
  void Watch(std::initializer_list<Slot> slots) {
    st.iWatchCount = static_cast<int16_t>(slots.size());
    st.iWatchOutputs.clear(), st.iWatchInputs.clear(), st.iWatchOptos.clear();
    for (const Slot& s : slots) {
      st.iWatchOutputs.push_back(s.output);
      st.iWatchInputs.push_back(s.input);
      st.iWatchOptos.push_back(s.opto);
    }
    st.iReturnSources.assign(slots.size(), kNone);
    st.iCurrentSources.assign(slots.size(), kNone);
    st.iReturnDelays.assign(slots.size(), 0);
    st.udtReturnWatch.assign(slots.size(), {});
    rows.LoadDisplays(st, log, st.iWatchCount);
  }

  // The crosspoint changes decoded from what went to the socket.
  std::vector<Sent> Changes() const {
    std::vector<Sent> out;
    for (const std::string& w : sock.writes) {
      if (w.size() != 9 || static_cast<unsigned char>(w[0]) != 0xFE) continue;
      auto word = [&](int at) { return static_cast<int16_t>(w[at] + 128 * w[at + 1]); };
      out.push_back(
          {static_cast<int16_t>(word(5) + 1), static_cast<int16_t>(word(3) + 1), word(1)});
    }
    return out;
  }
};

// Crosspoint-map frames built the way the Server Module does.
struct Entry {
  int source;
  bool tagged = false;
};
struct Block {
  std::vector<Entry> entries;
  int status = 0;
};
std::string MapFrame(int first, const std::vector<Block>& blocks, bool tagBytes = false);
// One output carrying the given untagged sources (none: Off).
std::string OneOutput(int output, std::vector<int> sources, int status = 0);

}  // namespace vyr::test
