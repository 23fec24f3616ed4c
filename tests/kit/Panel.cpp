#include "kit/Panel.h"

#include "core/InitProgram.h"
#include "engine/ReturnEngine.h"
#include "engine/TCPComm.h"

namespace vyr::kit {

std::string B(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

void PrintTo(const Sent& s, std::ostream* os) {
  *os << "{out " << s.output << ", src " << s.source << ", mode 0x" << std::hex << s.mode
      << std::dec << "}";
}

std::vector<Sent> ChangesIn(const std::vector<std::string>& writes) {
  std::vector<Sent> out;
  for (const std::string& w : writes) {
    if (w.size() != 9 || static_cast<unsigned char>(w[0]) != 0xFE) continue;
    auto word = [&](int at) { return static_cast<int16_t>(w[at] + 128 * w[at + 1]); };
    out.push_back({static_cast<int16_t>(word(5) + 1), static_cast<int16_t>(word(3) + 1), word(1)});
  }
  return out;
}

std::vector<std::string> RecordingEvents::Seen(std::string_view prefix) const {
  std::vector<std::string> out;
  for (const std::string& line : seen)
    if (line.starts_with(prefix)) out.push_back(line);
  return out;
}

KitPanel::KitPanel() {
  log.SetWriteToFile(false);
  log.SetEcho([this](const std::string& line) { logged.push_back(line); });
  log.SetCountRepeats(false);
  rows.SetEvents(&events);
  InitProgram(st, "/nonexistent", tmrpoll, log);
  st.bConnected = true;
}

void KitPanel::Watch(const std::vector<Slot>& slots) {
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

void KitPanel::Resize(int inputs, int outputs) {
  const std::vector<std::string> in(static_cast<std::size_t>(inputs), "INPUT"),
      out(static_cast<std::size_t>(outputs), "OUTPUT");
  st.sRecvBuffer.Append(sim::BuildNameTable(sim::kInputNames, 8, in));
  st.sRecvBuffer.Append(sim::BuildNameTable(sim::kOutputNames, 8, out));
  ProcessCommand(p);
  ProcessCommand(p);
}

void KitPanel::Drain() {
  while (tmrDecode.Enabled()) tmrDecode_Timer(p);
}

void KitPanel::Receive(std::string_view bytes, std::size_t segment) {
  for (std::size_t at = 0; at < bytes.size(); at += segment) {
    sock.Lend(bytes.substr(at, segment));
    scktSwitcher_Read(p);
    Drain();
  }
}

std::string OneOutput(int output, const std::vector<int>& sources, int status) {
  Block b;
  b.status = status;
  for (int s : sources) b.entries.push_back({s, false});
  return MapFrame(output, {b});
}

std::string FullMap(int outputs, int inputs, int entries) {
  std::vector<Block> all(static_cast<std::size_t>(outputs));
  for (int o = 0; o < outputs; ++o)
    for (int e = 0; e < entries; ++e) all[o].entries.push_back({(o + e) % inputs, false});
  return MapFrame(0, all);
}

}  // namespace vyr::kit
