// The settings file reader on any bytes, and the round trip through the
// writer: whatever the reader accepts, the file the panel writes from it must
// read back to the same settings.
//
// Every value is brought into range as it is read (port, refresh rate, time
// out, wait time and the counts), channel numbers are 1-based in the file and
// the password is stored scrambled, so a value the reader accepted is written
// as a text the reader takes back unchanged: all settings are compared.
//
// Files that ask for more than 999 watched outputs, consoles or air chains are
// skipped (see kMaxSlots).

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "FuzzSupport.h"
#include "config/IniFile.h"

namespace {

using namespace vyr;
using namespace vyr::fuzz;

// Two files of this process, in memory-backed /dev/shm when there is one
// (the writer syncs to disk), removed at exit.
struct TempFiles {
  std::string input, written;
  TempFiles() {
    std::error_code ec;
    std::filesystem::path dir = "/dev/shm";
    if (!std::filesystem::is_directory(dir, ec) || ::access(dir.c_str(), W_OK) != 0) {
      dir = std::filesystem::temp_directory_path();
    }
    const std::string stem = (dir / ("vyr-fuzz-config-" + std::to_string(::getpid()))).string();
    input = stem + ".ini";
    written = stem + "-written.ini";
  }
  ~TempFiles() {
    for (const std::string& path : {input, written, written + ".new"}) std::remove(path.c_str());
  }
};

struct Settings {
  AppState st;
  FixedClock clock{DateTime{2011, 3, 1, 9, 5, 7}};
  ErrorLog log{st.sAppPath, clock};
  Settings() { log.SetWriteToFile(false); }
  bool Read(const std::string& path) { return ReadIniFile(st, log, path); }
};

void WriteBytes(const std::string& path, const uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  Require(f != nullptr, "cannot create the input file");
  const bool complete =
      size == 0 || std::fwrite(data, 1, size, f) == size;  // an empty input has no data pointer
  Require(std::fclose(f) == 0 && complete, "cannot write the input file");
}

// A file asking for more watched outputs, consoles or air chains than this
// is passed over: reading one costs milliseconds per thousand slots, the
// fuzzer would keep raising the count, and nothing past "Output 100" (three
// digits) is new to the reader or the writer.
constexpr double kMaxSlots = 999;

bool IsChannel(int16_t v) { return v >= 0 && v <= 32766; }

// What the reader promises about what it accepted.
void CheckRead(const Settings& s) {
  const AppState& st = s.st;
  Require(st.lIPPort > 0 && st.iRefreshRate >= 100 && st.iRefreshRate <= 32500 &&
              st.iTimeOut >= 1 && st.iTimeOut <= 3600 && st.iWaitTime <= 10000 &&
              st.iPollTicks == 2 && st.lConfirmTime >= 0 && st.lConfirmTime <= 60000,
          "a link or timing setting was not brought into range");
  const std::size_t watch = static_cast<std::size_t>(std::max<int16_t>(st.iWatchCount, 0));
  Require(st.iWatchCount >= 0 && st.iWatchOutputs.size() == watch &&
              st.iWatchInputs.size() == watch && st.iWatchOptos.size() == watch &&
              st.iReturnSources.size() == watch && st.iCurrentSources.size() == watch &&
              st.iReturnDelays.size() == watch && st.udtReturnWatch.size() == watch,
          "a watch table is not iWatchCount long");
  for (std::size_t k = 0; k < watch; ++k) {
    Require(IsChannel(st.iWatchOutputs[k]) && IsChannel(st.iWatchInputs[k]) &&
                (st.iWatchOptos[k] == kNone || IsChannel(st.iWatchOptos[k])) &&
                st.iReturnSources[k] == kNone && st.iCurrentSources[k] == kNone &&
                st.iReturnDelays[k] == 0,
            "a watch slot was read out of range");
  }
  Require(st.iConsoleCount >= 0 &&
              st.udtConsoles.size() == static_cast<std::size_t>(st.iConsoleCount) &&
              st.iAirChainCount >= 0 &&
              st.udtAirChains.size() == static_cast<std::size_t>(st.iAirChainCount),
          "the console or air-chain table does not match its count");
  for (const ConsoleRecord& c : st.udtConsoles) {
    Require(IsChannel(c.iProgram) && IsChannel(c.iFirstMMBus) && IsChannel(c.iLastMMBus) &&
                IsChannel(c.iMMInUseRelay),
            "a console was read out of range");
  }
  for (const AirChainRecord& c : st.udtAirChains) {
    Require(IsChannel(c.iClean) && IsChannel(c.iTonesAndSounders),
            "an air chain was read out of range");
  }
}

void CheckSame(const Settings& a, const Settings& b) {
  const AppState &x = a.st, &y = b.st;
  Require(x.sIPAddress == y.sIPAddress && x.lIPPort == y.lIPPort,
          "the address or port changed on the round trip");
  Require(x.iRefreshRate == y.iRefreshRate && x.iTimeOut == y.iTimeOut &&
              x.iWaitTime == y.iWaitTime && x.iWaitTicks == y.iWaitTicks,
          "a timing setting changed on the round trip");
  Require(x.iWatchCount == y.iWatchCount && x.iWatchOutputs == y.iWatchOutputs &&
              x.iWatchInputs == y.iWatchInputs && x.iWatchOptos == y.iWatchOptos,
          "the watched outputs changed on the round trip");
  Require(x.iReturnSource == y.iReturnSource && x.bReturnToSpecific == y.bReturnToSpecific &&
              x.iExceptionCount == y.iExceptionCount && x.sExceptions == y.sExceptions,
          "the return rule or the exceptions changed on the round trip");
  Require(x.iConsoleCount == y.iConsoleCount && x.udtConsoles == y.udtConsoles &&
              x.iAirChainCount == y.iAirChainCount && x.udtAirChains == y.udtAirChains,
          "the consoles or air chains changed on the round trip");
  Require(x.sUserName == y.sUserName && x.sPassword == y.sPassword,
          "the user name or password changed on the round trip");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const TempFiles files;
  if (AsksForManySlots(std::string_view(reinterpret_cast<const char*>(data), size), kMaxSlots)) {
    return 0;
  }
  WriteBytes(files.input, data, size);
  Settings first;
  if (!first.Read(files.input)) return 0;
  CheckRead(first);
  Require(WriteIniFile(first.st, first.log, files.written),
          "settings that were read could not be written back");
  Settings second;
  Require(second.Read(files.written), "the file the panel wrote does not read back");
  CheckSame(first, second);
  return 0;
}
