#include "config/IniFile.h"

#include <algorithm>
#include <filesystem>

// Header-only use: raw bytes, no character-set conversion.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "config/IniText.h"
#include "core/AtomicFile.h"
#include "core/Checked.h"

namespace vyr {

namespace {

// One section of the loaded file; lookups ignore letter case, and of keys
// given twice the first counts, as the Windows profile functions do.
class IniSource {
 public:
  explicit IniSource(const std::string& bytes) : ini_(false, true, false) {
    if (ini_.LoadData(bytes.data(), bytes.size()) < 0) Raise(kErrPathFileAccess);
  }
  void Section(std::string name) { section_ = std::move(name); }
  std::string Text(const char* key) const {
    const char* v = ini_.GetValue(section_.c_str(), key, "");
    return v ? v : "";
  }
  double Number(const char* key) const { return Val(Text(key)); }

 private:
  CSimpleIniA ini_;
  std::string section_;
};

// "below 1 gives 1; whole; minus 1": a channel number, 1-based in the file.
int16_t ReadChannel(const IniSource& in, const char* key) {
  double v = in.Number(key);
  if (v < 1) v = 1;
  return Sub16(CInt(v), 1);
}

// "below 1 gives 16383; whole; any value other than 16383 minus 1".
int16_t ReadOptional(const IniSource& in, const char* key) {
  const double v = in.Number(key);
  if (v < 1) return kNone;
  const int16_t whole = CInt(v);
  return whole == kNone ? kNone : Sub16(whole, 1);
}

// Below 1 or absent: none of them.
int16_t ReadCount(const IniSource& in, const char* key) {
  const int16_t whole = CInt(in.Number(key));
  return whole < 1 ? int16_t{0} : whole;
}

std::string OneBased(int16_t value) { return std::to_string(Add16(value, 1)); }
std::string OptionalOneBased(int16_t value) {
  return value == kNone ? std::to_string(kNone) : OneBased(value);
}

}  // namespace

std::string TwoDigits(int n) { return n < 10 ? "0" + std::to_string(n) : std::to_string(n); }

std::string IniFilePath(const AppState& st) { return st.sAppPath + kIniFileName; }

std::string ScramblePassword(const std::string& plain) {
  std::string out = plain;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const int code = static_cast<unsigned char>(out[i]) + static_cast<int>(i + 1);
    if (code > 255) Raise(kErrInvalidCall);
    out[i] = static_cast<char>(code);
  }
  return out;
}

std::string UnscramblePassword(const std::string& stored) {
  std::string out = stored;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const int code = static_cast<unsigned char>(out[i]) - static_cast<int>(i + 1);
    if (code < 0) Raise(kErrInvalidCall);
    out[i] = static_cast<char>(code);
  }
  return out;
}

bool ReadIniFile(AppState& st, ErrorLog& log, const std::string& path) {
  const std::string file = path.empty() ? IniFilePath(st) : path;
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return false;

  return Trap(log, "Error Reading ini file", "file Error", [&] {
    IniSource in(IniText(ReadWholeFile(file)));

    in.Section("SETUP");
    st.sIPAddress = in.Text("IP Address");
    st.lIPPort = CLng(in.Number("IP Port"));
    if (st.lIPPort <= 0) st.lIPPort = 1250;

    in.Section("CONFIG");
    double refresh = in.Number("Refresh Rate");
    if (refresh > 32500) refresh = 32500;
    st.iRefreshRate = CInt(refresh);
    if (st.iRefreshRate < 100) st.iRefreshRate = 100;
    double timeOut = in.Number("Time Out");
    if (timeOut < 1) timeOut = 1;
    st.iTimeOut = CInt(timeOut);
    if (st.iTimeOut > 3600) st.iTimeOut = 3600;
    st.iPollTicks = 2;
    st.iWaitTime = CInt(in.Number("Wait Time"));
    if (st.iWaitTime > 10000) st.iWaitTime = 10000;
    st.iWaitTicks = CInt(static_cast<double>(st.iWaitTime) / st.iRefreshRate);
    const std::string confirm = in.Text("Confirm Time");
    st.lConfirmTime = confirm.empty()
                          ? kDefaultConfirmTime
                          : CLng(std::clamp(Val(confirm), 0.0, double{kMaxConfirmTime}));
    st.iWatchCount = ReadCount(in, "Watch Count");

    for (auto* table : {&st.iWatchOutputs, &st.iWatchInputs, &st.iWatchOptos, &st.iReturnSources,
                        &st.iCurrentSources, &st.iReturnDelays})
      Redim(*table, st.iWatchCount);
    Redim(st.udtReturnWatch, st.iWatchCount);
    for (int k = 1; k <= st.iWatchCount; ++k) {
      const std::string nn = TwoDigits(k);
      At(st.iWatchOutputs, k - 1) = ReadChannel(in, ("Output " + nn).c_str());
      At(st.iWatchInputs, k - 1) = ReadChannel(in, ("Input " + nn).c_str());
      At(st.iWatchOptos, k - 1) = ReadOptional(in, ("Opto " + nn).c_str());
      At(st.iReturnSources, k - 1) = kNone;
      At(st.iCurrentSources, k - 1) = kNone;
      At(st.iReturnDelays, k - 1) = 0;
    }

    st.iReturnSource = ReadOptional(in, "Return Source");
    st.bReturnToSpecific = in.Text("Return to Last Source") == "Yes";
    st.iExceptionCount = CInt(in.Number("Exception Count"));
    st.sExceptions = in.Text("Exceptions");
    st.iConsoleCount = ReadCount(in, "Console Count");
    Redim(st.udtConsoles, st.iConsoleCount);
    st.iAirChainCount = ReadCount(in, "AirChain Count");
    Redim(st.udtAirChains, st.iAirChainCount);

    for (int i = 0; i < st.iConsoleCount; ++i) {
      in.Section("CONSOLE" + TwoDigits(i + 1));
      ConsoleRecord& console = At(st.udtConsoles, i);
      console.iProgram = ReadChannel(in, "Program");
      console.iFirstMMBus = ReadChannel(in, "First MM Bus");
      console.iLastMMBus = ReadChannel(in, "Last MM Bus");
      console.iMMInUseRelay = ReadChannel(in, "MM in use Relay");
    }
    for (int i = 0; i < st.iAirChainCount; ++i) {
      in.Section("Air Chain" + TwoDigits(i + 1));
      AirChainRecord& chain = At(st.udtAirChains, i);
      chain.iClean = ReadChannel(in, "Clean");
      chain.iTonesAndSounders = ReadChannel(in, "Tones and Sounders");
    }

    in.Section("SECURITY");
    st.sUserName = in.Text("User Name");
    st.sPassword = UnscramblePassword(in.Text("Password"));
  });
}

std::vector<IniEntry> IniLayout(const AppState& st, bool scramble) {
  std::vector<IniEntry> out;
  std::string section;
  auto put = [&](std::string key, std::string value) {
    out.push_back({section, std::move(key), std::move(value)});
  };

  section = "SETUP";
  put("IP Address", st.sIPAddress);
  put("IP Port", std::to_string(st.lIPPort));

  section = "CONFIG";
  put("Refresh Rate", std::to_string(st.iRefreshRate));
  put("Time Out", std::to_string(st.iTimeOut));
  put("Wait Time", std::to_string(st.iWaitTime));
  put("Confirm Time", std::to_string(st.lConfirmTime));
  put("Watch Count", std::to_string(st.iWatchCount));
  for (int k = 1; k <= st.iWatchCount; ++k) {
    const std::string nn = TwoDigits(k);
    put("Output " + nn, OneBased(At(st.iWatchOutputs, k - 1)));
    put("Input " + nn, OneBased(At(st.iWatchInputs, k - 1)));  // 16383 goes out as 16384
    put("Opto " + nn, OptionalOneBased(At(st.iWatchOptos, k - 1)));
  }
  put("Return Source", OptionalOneBased(st.iReturnSource));
  put("Return to Last Source", st.bReturnToSpecific ? "Yes" : "No");
  put("Exception Count", std::to_string(st.iExceptionCount));
  put("Exceptions", st.sExceptions);
  put("Console Count", std::to_string(st.iConsoleCount));
  put("AirChain Count", std::to_string(st.iAirChainCount));

  for (int i = 0; i < st.iConsoleCount; ++i) {
    section = "CONSOLE" + TwoDigits(i + 1);
    const ConsoleRecord& console = At(st.udtConsoles, i);
    put("Program", OneBased(console.iProgram));
    put("First MM Bus", OneBased(console.iFirstMMBus));
    put("Last MM Bus", OneBased(console.iLastMMBus));
    put("MM in use Relay", OneBased(console.iMMInUseRelay));
  }
  for (int i = 0; i < st.iAirChainCount; ++i) {
    section = "Air Chain" + TwoDigits(i + 1);
    const AirChainRecord& chain = At(st.udtAirChains, i);
    put("Clean", OneBased(chain.iClean));
    put("Tones and Sounders", OneBased(chain.iTonesAndSounders));
  }

  section = "SECURITY";
  put("User Name", st.sUserName);
  put("Password", scramble ? ScramblePassword(st.sPassword) : st.sPassword);
  return out;
}

std::string RenderIni(const std::vector<IniEntry>& entries) {
  std::string text;
  const std::string* section = nullptr;
  for (const IniEntry& e : entries) {
    if (!section || *section != e.section) {
      section = &e.section;
      text += "[" + e.section + "]\r\n";
    }
    // A line break inside a value would split the line and read back as
    // something else; such a file is refused rather than written.
    if (e.value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
      Raise(kErrInvalidCall);
    }
    text += e.key + "=" + e.value + "\r\n";
  }
  return text;
}

bool WriteIniFile(const AppState& st, ErrorLog& log, const std::string& path) {
  const std::string file = path.empty() ? IniFilePath(st) : path;
  return Trap(log, "Error Writing ini File", "File Error",
              [&] { WriteFileAtomically(file, RenderIni(IniLayout(st, true))); });
}

}  // namespace vyr
