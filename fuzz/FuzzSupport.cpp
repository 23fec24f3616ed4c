#include "FuzzSupport.h"

#include <cctype>
#include <cstdio>

#include "SimMessages.h"
#include "core/Checked.h"
#include "core/InitProgram.h"
#include "engine/ReturnEngine.h"
#include "engine/TCPComm.h"

namespace vyr::fuzz {

namespace {

constexpr int kMaxTable = 512;                         // channels in a fuzzed name table
constexpr int16_t kTimeOuts[] = {20, 100, 300, 3600};  // 0.2 to 36 polls at 100 ms
constexpr unsigned char kPoll = 0xF5, kPollAnswer = 0xF4;

// A channel below n.
int16_t Pick(Bytes& in, int n) { return static_cast<int16_t>(in.Word() % n); }
// A channel below n, or none (drawn as n).
int16_t PickOptional(Bytes& in, int n) {
  const int v = in.Word() % (n + 1);
  return v == n ? kNone : static_cast<int16_t>(v);
}
void PutByte(std::string& out, int v) { out += static_cast<char>(v & 0xFF); }
void PutWord(std::string& out, int v) { PutByte(out, v >> 8), PutByte(out, v); }
void PutOptional(std::string& out, int16_t v, int n) { PutWord(out, v == kNone ? n : v); }

bool Sendable(std::string_view m) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(m[i]); };
  if (m.size() == 1) return at(0) == kPoll || at(0) == kPollAnswer;
  const std::size_t length = m.empty()       ? 0
                             : at(0) == 0x81 ? 5
                             : at(0) == 0xF2 ? 13
                             : at(0) == 0xFE ? 9
                                             : 0;
  if (length == 0 || m.size() != length || at(length - 1) != 0xFF) return false;
  unsigned sum = 0;
  for (std::size_t i = 1; i + 2 < length; ++i) {
    if (at(i) >= 0x80) return false;
    sum = (sum + at(i)) & 0x7F;
  }
  return at(length - 2) == sum;
}

// The start-up defaults, made once: copying them is much cheaper than
// making them (names, the map and the bus tables for 256 channels).
struct Defaults {
  AppState st;
  ManualTimer tmrpoll;
  Defaults() {
    FixedClock clock{DateTime{}};
    ErrorLog log{st.sAppPath, clock};
    log.SetWriteToFile(false);
    InitProgram(st, "/nonexistent", tmrpoll, log);
  }
};
const Defaults& TheDefaults() {
  static const Defaults defaults;
  return defaults;
}

// A name table as the Server Module sends it; the last one of each kind is
// kept, as mutations of one input ask for the same table again and again.
const std::string& NameTable(int kind, int width, int count) {
  struct Made {
    int width = -1, count = -1;
    std::string frame;
  };
  static Made made[2];
  Made& m = made[kind == sim::kInputNames ? 0 : 1];
  if (m.width != width || m.count != count) {
    m.width = width, m.count = count;
    m.frame = sim::BuildNameTable(kind, width,
                                  ChannelNames(kind == sim::kInputNames ? "In " : "Out ", count));
  }
  return m.frame;
}

// A reconnection attempt the panel started succeeds.
void CompleteConnect(FuzzPanel& f) {
  if (f.st.bConnected) return;
  f.sock.connected = true;
  scktSwitcher_Connect(f.p);
}

}  // namespace

void Fail(const char* what) {
  std::fprintf(stderr, "\n*** invariant broken: %s\n", what);
  std::fflush(stderr);
  __builtin_trap();
}

FuzzPanel::FuzzPanel() {
  st = TheDefaults().st;
  tmrpoll = TheDefaults().tmrpoll;
  sock.connected = false;
  sock.keepWrites = false;
  events.keep = false;
  log.SetEcho([this](const std::string&) { ++errors; });
  sock.onWrite = [](std::string_view bytes) {
    Require(!bytes.empty() && Sendable(bytes), "the panel sent a malformed message");
  };
}

FuzzPanel& FuzzPanel::Fresh() {
  static FuzzPanel panel;
  panel.st = TheDefaults().st;
  panel.tmrpoll = TheDefaults().tmrpoll;
  panel.tmrDecode = ManualTimer();
  panel.rows = StatusRows();
  panel.sock.connected = false;
  panel.sock.Lend({});
  panel.sock.writeCount = 0;
  panel.errors = 0;
  return panel;
}

Setup ReadSetup(Bytes& in) {
  Setup s;
  const int flags = in.Front();
  s.inputTable = (flags & 1) != 0;
  s.outputTable = (flags & 2) != 0;
  s.toSpecific = (flags & 4) != 0;
  s.waitTicks = static_cast<int16_t>(flags >> 3 & 7);
  s.timeOut = kTimeOuts[flags >> 6];
  const int inputs = in.Word(), outputs = in.Word();
  if (s.inputTable) s.inputs = static_cast<int16_t>(1 + inputs % kMaxTable);
  if (s.outputTable) s.outputs = static_cast<int16_t>(1 + outputs % kMaxTable);
  s.nameWidth = static_cast<int16_t>(1 + in.Front() % 16);
  s.slots.resize(1 + in.Front() % 8u);
  for (Setup::Slot& slot : s.slots) {
    slot.output = Pick(in, s.outputs);
    slot.input = PickOptional(in, s.inputs);
    slot.opto = PickOptional(in, s.inputs);
  }
  s.returnSource = PickOptional(in, s.inputs);
  const int marked = in.Front() % (std::min<int>(s.inputs, 255) + 1);
  s.exceptions.assign(static_cast<std::size_t>(marked), '0');
  for (int i = 0; i < marked; i += 8) {
    const int bits = in.Front();
    for (int b = 0; b < 8 && i + b < marked; ++b) {
      if (bits >> b & 1) s.exceptions[static_cast<std::size_t>(i + b)] = '1';
    }
  }
  const int buses = std::min(s.inputs, s.outputs);  // a bus is an input and indexes the bus table
  s.consoles.resize(1 + in.Front() % 4u);
  for (ConsoleRecord& c : s.consoles) {
    c.iProgram = Pick(in, s.outputs);
    const int16_t a = Pick(in, buses), b = Pick(in, buses);
    c.iFirstMMBus = std::min(a, b);
    c.iLastMMBus = std::max(a, b);
    c.iMMInUseRelay = Pick(in, s.outputs);
  }
  s.chains.resize(1 + in.Front() % 3u);
  for (AirChainRecord& c : s.chains) {
    c.iClean = Pick(in, s.outputs);
    c.iTonesAndSounders = Pick(in, s.inputs);
  }
  return s;
}

std::string SetupBytes(const Setup& s) {
  std::string out;
  const auto timeOut = std::find(std::begin(kTimeOuts), std::end(kTimeOuts), s.timeOut);
  PutByte(out, (s.inputTable ? 1 : 0) | (s.outputTable ? 2 : 0) | (s.toSpecific ? 4 : 0) |
                   s.waitTicks << 3 | static_cast<int>(timeOut - std::begin(kTimeOuts)) << 6);
  PutWord(out, s.inputTable ? s.inputs - 1 : 0);
  PutWord(out, s.outputTable ? s.outputs - 1 : 0);
  PutByte(out, s.nameWidth - 1);
  PutByte(out, static_cast<int>(s.slots.size()) - 1);
  for (const Setup::Slot& slot : s.slots) {
    PutWord(out, slot.output);
    PutOptional(out, slot.input, s.inputs);
    PutOptional(out, slot.opto, s.inputs);
  }
  PutOptional(out, s.returnSource, s.inputs);
  PutByte(out, static_cast<int>(s.exceptions.size()));
  for (std::size_t i = 0; i < s.exceptions.size(); i += 8) {
    int bits = 0;
    for (std::size_t b = 0; b < 8 && i + b < s.exceptions.size(); ++b) {
      if (s.exceptions[i + b] == '1') bits |= 1 << b;
    }
    PutByte(out, bits);
  }
  PutByte(out, static_cast<int>(s.consoles.size()) - 1);
  for (const ConsoleRecord& c : s.consoles) {
    PutWord(out, c.iProgram), PutWord(out, c.iFirstMMBus), PutWord(out, c.iLastMMBus);
    PutWord(out, c.iMMInUseRelay);
  }
  PutByte(out, static_cast<int>(s.chains.size()) - 1);
  for (const AirChainRecord& c : s.chains)
    PutWord(out, c.iClean), PutWord(out, c.iTonesAndSounders);
  return out;
}

std::vector<std::string> ChannelNames(const char* prefix, int count) {
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(count));
  for (int i = 1; i <= count; ++i) names.push_back(prefix + std::to_string(i));
  return names;
}

void Start(FuzzPanel& f, const Setup& s) {
  AppState& st = f.st;
  st.iRefreshRate = 100;
  st.iTimeOut = s.timeOut;
  st.iWaitTicks = s.waitTicks;
  st.iWaitTime = static_cast<int16_t>(s.waitTicks * st.iRefreshRate);
  st.iPollTicks = 2;
  f.tmrpoll.SetInterval(st.iRefreshRate);
  const std::size_t watch = s.slots.size();
  st.iWatchCount = static_cast<int16_t>(watch);
  st.iWatchOutputs.clear(), st.iWatchInputs.clear(), st.iWatchOptos.clear();
  for (const Setup::Slot& slot : s.slots) {
    st.iWatchOutputs.push_back(slot.output);
    st.iWatchInputs.push_back(slot.input);
    st.iWatchOptos.push_back(slot.opto);
  }
  st.iReturnSources.assign(watch, kNone);
  st.iCurrentSources.assign(watch, kNone);
  st.iReturnDelays.assign(watch, 0);
  st.udtReturnWatch.assign(watch, {});
  st.iReturnSource = s.returnSource;
  st.bReturnToSpecific = s.toSpecific;
  st.iExceptionCount = static_cast<int16_t>(s.exceptions.size());
  st.sExceptions = s.exceptions;
  st.iConsoleCount = static_cast<int16_t>(s.consoles.size());
  st.udtConsoles = s.consoles;
  st.iAirChainCount = static_cast<int16_t>(s.chains.size());
  st.udtAirChains = s.chains;

  SetupMMAssoc(f.p);
  ConnectToServer(f.p);
  CompleteConnect(f);
  f.tmrpoll.SetEnabled(true);
  if (st.iWatchCount != st.iDisplayCount) f.rows.LoadDisplays(st, f.log, st.iWatchCount);

  if (s.inputTable) {
    Receive(f, NameTable(sim::kInputNames, s.nameWidth, s.inputs));
    Drain(f);
  }
  if (s.outputTable) {
    Receive(f, NameTable(sim::kOutputNames, s.nameWidth, s.outputs));
    Drain(f);
  }
}

void Receive(FuzzPanel& f, std::string_view bytes) {
  if (!f.st.bConnected) {
    ConnectToServer(f.p);
    CompleteConnect(f);
  }
  f.sock.Queue(bytes);
  scktSwitcher_Read(f.p);
  Require(f.sock.Waiting() == 0, "the read handler left bytes waiting in the socket");
}

void DecodeTick(FuzzPanel& f) {
  if (f.tmrDecode.Enabled()) tmrDecode_Timer(f.p);
}

void Drain(FuzzPanel& f) {
  // Every tick that keeps the timer running takes at least one byte.
  std::size_t ticksLeft = f.st.sRecvBuffer.size() + 1;
  while (f.tmrDecode.Enabled()) {
    Require(ticksLeft-- > 0, "the decode timer keeps running without taking bytes");
    tmrDecode_Timer(f.p);
  }
}

void PollTick(FuzzPanel& f) {
  if (!f.tmrpoll.Enabled()) return;
  const bool wasConnected = f.st.bConnected;
  tmrpoll_Timer(f.p);
  if (!wasConnected) CompleteConnect(f);  // the tick started a new attempt
}

void CheckState(const FuzzPanel& f) {
  const AppState& st = f.st;
  const std::size_t watch = static_cast<std::size_t>(std::max<int16_t>(st.iWatchCount, 0));
  Require(st.iWatchCount >= 1 && st.iWatchOutputs.size() == watch &&
              st.iWatchInputs.size() == watch && st.iWatchOptos.size() == watch &&
              st.iReturnSources.size() == watch && st.iCurrentSources.size() == watch &&
              st.iReturnDelays.size() == watch && f.rows.Count() == st.iWatchCount,
          "a watch table or the rows are not iWatchCount long");

  const std::size_t outputs = static_cast<std::size_t>(std::max<int16_t>(st.iNumOutputs, 0));
  const std::size_t inputs = static_cast<std::size_t>(std::max<int16_t>(st.iNumInputs, 0));
  Require(st.iNumOutputs >= 0 && st.sOutputNames.size() == outputs &&
              st.iMMAssoc.size() == outputs && st.udtXptMap.size() >= outputs,
          "the output tables do not match iNumOutputs");
  Require(
      st.iNumInputs >= 0 && st.sInputNames.size() == inputs && st.iInputMMState.size() == inputs,
      "the input tables do not match iNumInputs");

  int running = 0;
  for (int16_t delay : st.iReturnDelays) {
    Require(delay >= 0 && delay <= st.iWaitTicks + 1, "a return countdown is out of range");
    running += delay > 0 ? 1 : 0;
  }
  Require(st.iPendingReturns == running, "iPendingReturns does not count the running countdowns");
  Require(st.udtReturnWatch.size() == watch &&
              std::all_of(st.udtReturnWatch.begin(), st.udtReturnWatch.end(),
                          [](const ReturnWatch& w) {
                            return w.state == ReturnCheck::kIdle ||
                                   (w.iSends >= 1 && w.iSends <= kMaxReturnSends);
                          }),
          "a return is awaited after too many sends, or the table is not iWatchCount long");

  for (const XptRecord& r : st.udtXptMap) {
    Require(
        r.bySrcCount <= 64 && r.iTagCount >= 0 && r.iTagCount <= 32 && r.iTagCount <= r.bySrcCount,
        "a stored crosspoint record holds impossible counts");
  }

  const auto programOrNone = [&](int16_t v) {
    return v == kNone || std::any_of(st.udtConsoles.begin(), st.udtConsoles.end(),
                                     [&](const ConsoleRecord& c) { return c.iProgram == v; });
  };
  Require(std::all_of(st.iMMAssoc.begin(), st.iMMAssoc.end(), programOrNone) &&
              std::all_of(st.iInputMMState.begin(), st.iInputMMState.end(), programOrNone),
          "a bus or an input is tied to something other than a console's Program output");
  const auto tonesOrNone = [&](int16_t v) {
    return v == kNone ||
           std::any_of(st.udtAirChains.begin(), st.udtAirChains.end(),
                       [&](const AirChainRecord& c) { return c.iTonesAndSounders == v; });
  };
  Require(std::all_of(st.iCurrentSources.begin(), st.iCurrentSources.end(), tonesOrNone),
          "a watched output's added source is not an air chain's tones source");
  Require(st.iConsoleIndex >= 0 && st.iConsoleIndex < st.iConsoleCount,
          "the current console is not a configured one");
}

void CheckSettled(const FuzzPanel& f) {
  Require(!f.tmrDecode.Enabled(), "the decode timer still runs");
  const std::string_view left = f.st.sRecvBuffer.View();
  if (left.empty()) return;
  const auto first = static_cast<unsigned char>(left[0]);
  Require(first >= 0x80 && first != 0xFF && !sim::IsSingleByte(first),
          "a whole message or stray bytes were left at the front of the receive buffer");
  Require(std::none_of(left.begin() + 1, left.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; }),
          "a complete or broken frame was left in the receive buffer");
  Require(left.size() <= kMaxMessageBytes, "the receive buffer grew past the longest message");
}

bool AsksForManySlots(std::string_view text, double limit) {
  const auto trim = [](std::string_view t) {
    const std::size_t from = t.find_first_not_of(" \t");
    if (from == std::string_view::npos) return std::string_view{};
    return t.substr(from, t.find_last_not_of(" \t") + 1 - from);
  };
  while (!text.empty()) {
    const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string key(trim(line.substr(0, equals)));
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if ((key == "watch count" || key == "console count" || key == "airchain count") &&
        Val(line.substr(equals + 1)) > limit) {
      return true;
    }
  }
  return false;
}

}  // namespace vyr::fuzz
