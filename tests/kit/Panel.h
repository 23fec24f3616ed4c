#pragma once
// The one panel assembly of tests, fuzzers and benchmarks: a fresh state with
// the start-up defaults over the ScriptSocket, manual timers, a fixed clock,
// an error log that writes no file and collects its lines, and the events
// recorded. Frames are built with the simulator's message code, so the panel
// reads what a Server Module would send.

#include <initializer_list>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "SimMessages.h"
#include "core/Clock.h"
#include "engine/Panel.h"
#include "engine/StatusRows.h"
#include "kit/ScriptSocket.h"

namespace vyr::kit {

// Bytes from a list of values: B({0xF6, 0x00}).
std::string B(std::initializer_list<int> values);

// A crosspoint change: 1-based output and source, and the mode.
struct Sent {
  int16_t output, source, mode;
  bool operator==(const Sent&) const = default;
};
void PrintTo(const Sent& s, std::ostream* os);
// The crosspoint changes among written frames.
std::vector<Sent> ChangesIn(const std::vector<std::string>& writes);

// The events raised, while `keep`: `changes` holds the crosspoint changes
// reported sent; `seen` the link, rebuild, return and log events, one line
// each ("return sent slot 0 out 1 src 2 sends 1", "disconnected: why").
class RecordingEvents final : public PanelEvents {
 public:
  std::vector<Sent> changes;
  int connected = 0, disconnected = 0;
  bool keep = true;
  std::vector<std::string> seen;

  // The lines of `seen` that start with `prefix`.
  std::vector<std::string> Seen(std::string_view prefix) const;

  void Connecting(const std::string& host, int32_t port) override {
    Note("connecting", host + ":" + std::to_string(port));
  }
  void Connected() override { ++connected, Note("connected"); }
  void ConnectFailed(const std::string& why) override { Note("connect failed:", why); }
  void Disconnected(const std::string& why) override { ++disconnected, Note("disconnected:", why); }
  void RowsRebuilt(int16_t count) override { Note("rows", count); }
  void OffSeen(int16_t slot, int16_t out) override { Note("off seen slot", slot, "out", out); }
  void ReturnScheduled(int16_t slot, int16_t out, int16_t src, int16_t ticks) override {
    Note("return scheduled slot", slot, "out", out, "src", src, "ticks", ticks);
  }
  void ReturnSent(int16_t slot, int16_t out, int16_t src, int16_t sends) override {
    Note("return sent slot", slot, "out", out, "src", src, "sends", sends);
  }
  void ReturnConfirmed(int16_t slot, int16_t out) override {
    Note("return confirmed slot", slot, "out", out);
  }
  void ReturnAlarmed(int16_t slot, int16_t out, int16_t src, int16_t sends) override {
    Note("return alarmed slot", slot, "out", out, "src", src, "sends", sends);
  }
  void CrosspointChangeSent(int16_t o, int16_t s, int16_t m, const std::string&) override {
    if (keep) changes.push_back({o, s, m});
  }
  void SetupChanged() override { Note("setup changed"); }
  void ErrorLogLine(const std::string& line) override { Note("log:", line); }

 private:
  // The parts joined by blanks; the text is made only while kept, so
  // benchmarks and fuzzers pay nothing.
  template <class... Parts>
  void Note(const Parts&... parts) {
    if (!keep) return;
    std::ostringstream line;
    int n = 0;
    ((line << (n++ ? " " : "") << parts), ...);
    seen.push_back(line.str());
  }
};

struct KitPanel {
  AppState st;
  FixedClock clock{DateTime{2011, 3, 1, 9, 5, 7}};
  ErrorLog log{st.sAppPath, clock};
  std::vector<std::string> logged;
  ScriptSocket sock;
  ManualTimer tmrpoll, tmrDecode;
  StatusRows rows;
  RecordingEvents events;
  Panel p{st, log, sock, tmrpoll, tmrDecode, rows, events};

  // Start-up defaults, connected; every error line a line of its own.
  KitPanel();
  KitPanel(const KitPanel&) = delete;
  KitPanel& operator=(const KitPanel&) = delete;

  // Watch slots: output, input and opto per slot (0-based; kNone for none).
  struct Slot {
    int16_t output, input = kNone, opto = kNone;
  };
  void Watch(const std::vector<Slot>& slots);
  // A switcher of `inputs` inputs and `outputs` outputs, as its name tables
  // leave the panel.
  void Resize(int inputs, int outputs);
  // The crosspoint changes that went to the socket.
  std::vector<Sent> Changes() const { return ChangesIn(sock.writes); }
  // Works off the receive buffer as the decode timer does.
  void Drain();
  // Bytes arriving as the socket hands them over: a read event for each
  // piece of `segment` bytes, the decode timer working off the rest.
  void Receive(std::string_view bytes, std::size_t segment = 65536);
};

// Crosspoint maps as the Server Module builds them.
using Entry = sim::Entry;
using Block = sim::OutputRouting;
inline std::string MapFrame(int first, const std::vector<Block>& blocks) {
  return sim::BuildCrosspointMap(first, blocks);
}
// One output carrying the given untagged sources (none: Off).
std::string OneOutput(int output, const std::vector<int>& sources, int status = 0);
// Every output on its own input (output o on input (o + e) % inputs for
// each of `entries` entries).
std::string FullMap(int outputs, int inputs, int entries = 1);

}  // namespace vyr::kit
