// Writes the seed inputs of the three harnesses into fuzz/corpus/<harness>/:
// valid frames from the simulator's builders in the layouts the harnesses
// read, and settings files after examples/. Run from a build:
//   fuzz_make_corpus <repository>
// Files are named seed-*; other files in those folders (saved findings) stay.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "SimMessages.h"
#include "config/IniFile.h"

namespace fs = std::filesystem;
using vyr::kNone;
using vyr::fuzz::Setup;

namespace {

fs::path root;
int written = 0;

void Put(const std::string& harness, const std::string& name, const std::string& bytes) {
  const fs::path dir = root / "fuzz" / "corpus" / harness;
  fs::create_directories(dir);
  std::ofstream out(dir / ("seed-" + name), std::ios::binary);
  if (!(out << bytes)) throw std::runtime_error("cannot write " + (dir / name).string());
  ++written;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string B(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

// ---- frames ------------------------------------------------------------------

using sim::OutputRouting;

// Outputs first .. first+count-1, output o routed as routing(o) says.
std::string Map(int first, int count, const std::function<OutputRouting(int)>& routing) {
  std::vector<OutputRouting> outputs;
  for (int o = first; o < first + count; ++o) outputs.push_back(routing(o));
  return sim::BuildCrosspointMap(first, outputs);
}
OutputRouting On(std::initializer_list<int> sources, int status = 0) {
  OutputRouting r;
  for (int s : sources) r.entries.push_back({s, false});
  r.status = status;
  return r;
}
std::string One(int output, OutputRouting r) { return sim::BuildCrosspointMap(output, {r}); }
std::string Off(int output) { return One(output, {}); }
std::string Names(int kind, int width, int count) {
  return sim::BuildNameTable(
      kind, width, vyr::fuzz::ChannelNames(kind == sim::kInputNames ? "Mic " : "Line ", count));
}

const std::string kPoll = B({0xF5}), kPollAnswer = B({0xF4}), kAck = B({0xF1}), kNop = B({0xF3});

// ---- fuzz_receive ------------------------------------------------------------

// The sample configuration: outputs 5, 6, 17, 18 watched (1-based), two
// consoles, one air chain, inputs 31 and 32 exceptions, returns after 3 ticks.
Setup Sample() {
  Setup s;
  s.slots = {{4, 0, kNone}, {5, 1, 2}, {16, kNone, kNone}, {17, 3, 3}};
  s.waitTicks = 3;
  s.exceptions = "00000000000000000000000000000011";
  s.consoles = {{0, 20, 23, 0}, {1, 24, 27, 1}};
  s.chains = {{8, 11}};
  return s;
}

// A small switcher that reports its names: 40 inputs, 24 outputs; back at
// once to input 6.
Setup Small() {
  Setup s;
  s.inputTable = s.outputTable = true;
  s.inputs = 40, s.outputs = 24, s.nameWidth = 8;
  s.slots = {{2, 2, kNone}, {3, kNone, 7}};
  s.toSpecific = true, s.returnSource = 5;
  s.timeOut = 3600;
  s.consoles = {{10, 12, 15, 11}};
  s.chains = {{20, 30}};
  return s;
}

// Eight watched outputs on a larger switcher, long waits, link time-out of 1 s.
Setup Wide() {
  Setup s;
  s.inputTable = s.outputTable = true;
  s.inputs = 300, s.outputs = 300, s.nameWidth = 16;
  s.slots.clear();
  for (int16_t k = 0; k < 8; ++k) {
    s.slots.push_back({static_cast<int16_t>(280 + k), k, kNone});
  }
  s.waitTicks = 7, s.timeOut = 100;
  s.exceptions = std::string(249, '0') + "1";  // input 250, one of the tones sources
  s.consoles = {{100, 200, 207, 101}, {102, 208, 215, 103}, {104, 216, 223, 105}};
  s.chains = {{110, 250}, {111, 251}};
  return s;
}

// The read plan for a stream: the plan bytes in turn until the stream is used
// up, laid out from the end of the input as the harness takes them.
std::string Plan(std::size_t length, const std::vector<int>& pattern) {
  std::string plan;
  for (std::size_t i = 0; length > 0; ++i) {
    const int p = pattern[i % pattern.size()];
    const int code = p & 0x1F;
    const std::size_t n = static_cast<std::size_t>(code < 16 ? code + 1 : (code - 15) * 32);
    length -= std::min(n, length);
    plan.insert(plan.begin(), static_cast<char>(p));
  }
  return plan;
}

void Receive(const std::string& name, const Setup& s, const std::string& stream,
             const std::vector<int>& pattern) {
  const std::string head = vyr::fuzz::SetupBytes(s);
  vyr::fuzz::Bytes in(reinterpret_cast<const uint8_t*>(head.data()), head.size());
  if (vyr::fuzz::SetupBytes(vyr::fuzz::ReadSetup(in)) != head || in.Left() != 0) {
    throw std::runtime_error("the configuration of " + name + " does not read back");
  }
  Put("receive", name, head + stream + Plan(stream.size(), pattern));
}

// Whole reads of up to 512 bytes; bytes one at a time with a poll and partial
// decoding in between; a mix of both.
const std::vector<int> kWhole = {0x1F};
const std::vector<int> kBytewise = {0x00, 0x40, 0x20, 0xC0};
const std::vector<int> kMixed = {0x06, 0x1F, 0x60, 0x11, 0x0F, 0xA2, 0x13};

void ReceiveSeeds() {
  const std::string hello =
      sim::BuildTypeRequest() + kPoll + kPollAnswer + sim::BuildSwitcherType(7) + kAck + kNop;
  Receive("handshake", Sample(), hello, kBytewise);

  const std::string full = Map(0, 256, [](int o) { return On({o}); });
  Receive("full-map", Sample(), hello + full, kWhole);

  // Watched output 5 goes Off, the countdown runs across polls, it comes back.
  const std::string offAndBack = full + Off(4) + kPoll + kAck + One(4, On({9})) + Off(5) + Off(16);
  Receive("off-and-back", Sample(), offAndBack, kMixed);
  Receive("off-then-polls", Sample(), full + Off(4) + Off(17),
          {0x1F, 0x20, 0x20, 0x20, 0x20, 0x20});

  // Tagged entries: watched outputs showing other outputs, summed with inputs.
  OutputRouting tagged = On({3});
  tagged.entries.insert(tagged.entries.begin(), {9, true});
  Receive("tagged", Sample(),
          full + One(4, tagged) + One(16, {{{12, true}, {13, true}}, 0}) + Off(16), kMixed);

  // Mix-minus: the Clean output carries console 1's Program, a watched
  // output its bus; tones are added, then the bus alone is left and the
  // tones are taken away; exceptions and status bytes in between.
  const std::string mixMinus = full + One(4, On({21})) + One(8, On({0})) + One(4, On({21, 11})) +
                               One(4, On({11})) + One(5, On({30})) + One(5, On({7}, 1)) +
                               One(0, On({25}));
  Receive("mix-minus", Sample(), mixMinus, kWhole);
  Receive("mix-minus-split", Sample(), mixMinus, kMixed);

  // Noise: stray data bytes, a frame cut short by a command byte, a wrong
  // checksum, an end marker alone, unknown commands, then good frames.
  std::string badSum = Off(4);
  badSum[badSum.size() - 2] ^= 0x01;
  const std::string noise = B({0x01, 0x7F, 0xFF}) + B({0xF6, 0x00, 0x01}) + kPoll + badSum +
                            B({0xDE, 0x05, 0x05, 0xFF, 0xEB, 0xFF}) + One(4, On({2})) + Off(4);
  Receive("noise", Sample(), noise, kMixed);

  // A switcher that names its channels, then maps, all in few reads.
  const std::string small =
      kPollAnswer + Names(sim::kInputNames, 8, 40) + Names(sim::kOutputNames, 8, 24) +
      Map(0, 24, [](int o) { return On({o % 40}); }) + Off(2) + Off(3) + One(3, On({6, 7}));
  Receive("small-switcher", Small(), small, kWhole);
  Receive("small-switcher-split", Small(), small, kMixed);
  // Name tables that shrink the switcher below the configuration.
  Receive("tables-shrink", Small(),
          small + Names(sim::kOutputNames, 4, 3) + Names(sim::kInputNames, 4, 2) + Off(2), kWhole);

  // Sums of many sources and status bytes on a wide switcher.
  const std::string wide =
      Map(270, 30,
          [](int o) {
            OutputRouting r = On({o % 250, (o + 1) % 250, 250}, o % 3 == 0 ? 1 : 0);
            return r;
          }) +
      One(110, On({100})) + One(280, On({208})) + Off(281) + Off(287) + kPoll + One(287, On({64}));
  Receive("wide", Wide(), wide, kMixed);
  Receive("wide-polls", Wide(), wide, {0x3F, 0xA0, 0x20, 0x20, 0x60});
}

// ---- fuzz_parsers ------------------------------------------------------------

// The data bytes of a frame: what lies between the command byte and the checksum.
std::string DataOf(const std::string& frame) { return frame.substr(1, frame.size() - 3); }

void Parsers(const std::string& name, int mode, int flags, const std::string& rest) {
  Put("parsers", name, B({mode, flags}) + rest);
}

void ParserSeeds() {
  const std::string tables[] = {Names(sim::kInputNames, 8, 256), Names(sim::kOutputNames, 12, 40),
                                Names(sim::kOutputNames, 1, 3)};
  for (int i = 0; i < 3; ++i) {
    Parsers("names-" + std::to_string(i), 0, 1, DataOf(tables[i]));
    Parsers("names-raw-" + std::to_string(i), 0, 0, tables[i].substr(1));
  }

  OutputRouting tagged = On({3, 4});
  tagged.entries.push_back({9, true});
  // A three-word map (kind 10): entries of source, second and third word.
  const std::string threeWords = B({0x0A, 0x02, 0x00, 0x03, 0x00, 0x01, 0x00, 0x05, 0x00, 0x01,
                                    0x00, 0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00});
  const std::string maps[] = {
      Map(0, 256, [](int o) { return On({o}); }),
      Map(0, 16,
          [](int o) {
            return On({o, o + 1}, o == 3 ? 1 : 0);
          }),
      One(1, On({7})),
      Off(0),
      One(8, On({0})),
      sim::BuildCrosspointMap(2, {tagged, {}, On({19})}),
  };
  int n = 0;
  for (const std::string& map : maps) {
    Parsers("map-" + std::to_string(n), 1, 1 | (n % 2) * 2 | (n % 3 == 0 ? 4 : 0), DataOf(map));
    Parsers("map-decode-" + std::to_string(n), 1, 1 | 16, DataOf(map));
    Parsers("map-raw-" + std::to_string(n++), 1, 0, map.substr(1));
  }
  Parsers("map-three-words", 1, 1, threeWords);

  // Described name tables: kind, width, count, then a length and bytes per name.
  Parsers("built-names-in", 2, 0, B({0, 8, 0, 3, 4}) + "Mic1" + B({9}) + "Presenter" + B({0}));
  Parsers("built-names-out", 2, 0,
          B({1, 6, 0, 25, 3}) + "Out" + B({7, 'S', 't', 0xE9, 'd', 'i', 'o', 'B'}));
  // Described maps: first output, count, then per output entries and status,
  // per entry a tag flag and a source word.
  Parsers("built-map-one", 3, 0, B({0, 1, 1, 1, 0, 0, 0, 7}));
  Parsers("built-map-off", 3, 4, B({0, 2, 1, 0, 0}));
  Parsers("built-map-tagged", 3, 0, B({0, 2, 2, 2, 0, 1, 0, 9, 0, 0, 3, 2, 8, 1, 0, 4, 0, 0, 19}));
  Parsers("built-map-sources", 3, 8, B({0, 10, 1, 0x82, 0, 0, 0x3F, 0xFF, 0, 0x01, 0x00}));
}

// ---- fuzz_config -------------------------------------------------------------

std::string ToCrlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n' && (out.empty() || out.back() != '\r')) out += '\r';
    out += c;
  }
  return out;
}

void ConfigSeeds() {
  const std::string sample = ReadFile(root / "examples" / "vyrntpnl.ini");
  const std::string demo = ReadFile(root / "examples" / "demo" / "vyrntpnl.ini");
  Put("config", "sample", sample);
  Put("config", "sample-crlf", ToCrlf(sample));
  Put("config", "demo", demo);
  Put("config", "empty", "");

  // As a Windows editor leaves it: odd case, blanks around '=', comments, a
  // byte-order mark, 8-bit names, a key given twice.
  Put("config", "windows",
      "\xEF\xBB\xBF; panel settings\r\n[setup]\r\nip address = 10.1.2.3 \r\nIP PORT=1251\r\n"
      "[Config]\r\nrefresh rate = 250\r\ntime out=40\r\nWait Time = 750\r\nWATCH COUNT=2\r\n"
      "output 01=7\r\nOutput 01=8\r\ninput 01=3\r\nopto 01=16383\r\nOutput 02=9\r\nInput "
      "02=16384\r\n"
      "Opto 02=2\r\nReturn Source=4\r\nReturn to Last Source=Yes\r\nException Count=4\r\n"
      "Exceptions=0101\r\nConsole Count=1\r\nAirChain Count=1\r\n[console01]\r\nprogram=1\r\n"
      "first mm bus=20\r\nlast mm bus=23\r\nmm in use relay=2\r\n[AIR CHAIN01]\r\nclean=9\r\n"
      "tones and sounders=12\r\n[Security]\r\nUser Name=J\xF6rg M\xFCller\r\n");

  // A scrambled password and an 8-bit address, LF only.
  vyr::AppState st;
  st.iWatchCount = 1;
  st.iWatchOutputs = {0}, st.iWatchInputs = {kNone}, st.iWatchOptos = {kNone};
  st.iConsoleCount = 1, st.udtConsoles = {{}};
  st.iAirChainCount = 1, st.udtAirChains = {{}};
  st.sIPAddress = "studio\xE9.local";
  st.sUserName = "ops";
  st.sPassword = "S3cret pass";
  std::string lf;
  for (char c : vyr::RenderIni(vyr::IniLayout(st, true))) {
    if (c != '\r') lf += c;
  }
  Put("config", "password", lf);

  // Values the reader brings into range, and twelve watched outputs.
  std::string wide =
      "[SETUP]\nIP Address=\nIP Port=-5\n[CONFIG]\nRefresh Rate=50000\nTime Out=0\n"
      "Wait Time=20000\nWatch Count=12\n";
  for (int k = 1; k <= 12; ++k) {
    const std::string nn = vyr::TwoDigits(k);
    wide += "Output " + nn + "=" + std::to_string(k * 3) + "\nInput " + nn + "=" +
            std::to_string(k) + ".5\nOpto " + nn + "=" + (k % 2 ? "0" : "16384") + "\n";
  }
  wide += "Return Source=-1\nConsole Count=3\nAirChain Count=0\n[CONSOLE03]\nProgram=1e2\n";
  Put("config", "bounds", wide);

  // Reads that fail: a number too large, a password that does not unscramble.
  Put("config", "too-large", "[CONFIG]\nWatch Count=40000\n");
  Put("config", "bad-password", "[SECURITY]\nPassword=\x01\x01\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s REPOSITORY\n", argv[0]);
    return 2;
  }
  root = argv[1];
  try {
    ReceiveSeeds();
    ParserSeeds();
    ConfigSeeds();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  std::printf("%d seed inputs written under %s\n", written, (root / "fuzz" / "corpus").c_str());
  return 0;
}
