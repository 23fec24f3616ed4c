#pragma once
// A panel for measuring: the start-up defaults, connected, a socket that
// takes every write and counts it, timers that never fire, no log file.

#include <string>
#include <vector>

#include "SimMessages.h"
#include "core/Clock.h"
#include "core/InitProgram.h"
#include "engine/StatusRows.h"
#include "link/Panel.h"
#include "link/TCPComm.h"

namespace vyr::bench {

class CountingSocket final : public SwitcherSocket {
 public:
  int64_t writes = 0;
  std::string_view incoming;  // handed out by Read, `segment` bytes at a time
  std::size_t segment = 65536;

  void SetRemote(const std::string&, int32_t) override {}
  int16_t Connect() override { return 0; }
  int64_t ConnectingMilliseconds() const override { return -1; }
  void Close() override {}
  int64_t Read(char* into, int64_t max) override {
    const std::size_t n = std::min({incoming.size() - offset_, segment, std::size_t(max)});
    if (n == 0) {
      incoming = {}, offset_ = 0;
      return 0;
    }
    incoming.copy(into, n, offset_);
    offset_ += n;
    return static_cast<int64_t>(n);
  }
  int64_t Write(const char*, int64_t count) override { return ++writes, count; }
  int32_t LastError() const override { return kWouldBlock; }
  bool IsConnected() const override { return true; }
  int64_t BytesWritten() const override { return 0; }
  int64_t PendingBytes() const override { return 0; }
  int64_t StalledMilliseconds() const override { return 0; }

 private:
  std::size_t offset_ = 0;
};

struct BenchPanel {
  AppState st;
  FixedClock clock{DateTime{2011, 3, 1, 9, 5, 7}};
  ErrorLog log{st, clock};
  CountingSocket sock;
  ManualTimer tmrpoll, tmrDecode;
  StatusRows rows;
  PanelEvents events;
  Panel p{st, log, sock, tmrpoll, tmrDecode, rows, events};

  // Watches outputs 0 .. watched-1, each returned to its last source at once.
  explicit BenchPanel(int watched = 8) {
    log.SetWriteToFile(false);
    InitProgram(st, "/nonexistent", tmrpoll, log);
    st.bConnected = true;
    st.iWatchCount = static_cast<int16_t>(watched);
    for (auto* t : {&st.iWatchOutputs, &st.iWatchInputs, &st.iWatchOptos, &st.iReturnSources,
                    &st.iCurrentSources, &st.iReturnDelays})
      t->assign(static_cast<std::size_t>(watched), kNone);
    for (int i = 0; i < watched; ++i)
      st.iWatchOutputs[i] = static_cast<int16_t>(i), st.iReturnDelays[i] = 0;
    st.udtReturnWatch.assign(static_cast<std::size_t>(watched), {});
    st.sExceptions = std::string(256, '0');
    rows.LoadDisplays(st, log, st.iWatchCount);
  }

  // A switcher of `outputs` outputs and `inputs` inputs, as its name tables
  // would leave the panel.
  void Resize(int inputs, int outputs) {
    std::vector<std::string> in(static_cast<std::size_t>(inputs), "INPUT"),
        out(static_cast<std::size_t>(outputs), "OUTPUT");
    st.sRecvBuffer.Append(sim::BuildNameTable(sim::kInputNames, 8, in));
    st.sRecvBuffer.Append(sim::BuildNameTable(sim::kOutputNames, 8, out));
    ProcessCommand(p);
    ProcessCommand(p);
  }

  // Works off the receive buffer as the decode timer does, until only the
  // start of a message (or nothing) is left.
  void Drain() {
    while (tmrDecode.Enabled()) tmrDecode_Timer(p);
  }

  // Bytes arriving as the socket hands them over: a read event for each
  // piece of `segment` bytes, the decode timer working off the rest.
  void Receive(std::string_view bytes, std::size_t segment = 65536) {
    for (std::size_t at = 0; at < bytes.size(); at += segment) {
      sock.incoming = bytes.substr(at, segment);
      scktSwitcher_Read(p);
      Drain();
    }
  }
};

// Output o on input `source` (or Off with source < 0), as a one-output map.
inline std::string OneOutputMap(int output, int source) {
  sim::OutputRouting r;
  if (source >= 0) r.entries.push_back({source, false});
  return sim::BuildCrosspointMap(output, {r});
}

// Every output on its own input (output i on input i % inputs), `entries`
// entries each.
inline std::string FullMap(int outputs, int inputs, int entries = 1) {
  std::vector<sim::OutputRouting> all(static_cast<std::size_t>(outputs));
  for (int o = 0; o < outputs; ++o)
    for (int e = 0; e < entries; ++e) all[o].entries.push_back({(o + e) % inputs, false});
  return sim::BuildCrosspointMap(0, all);
}

}  // namespace vyr::bench
