#include "config/CheckConfig.h"

#include "config/IniFile.h"
#include "config/ServerAddress.h"
#include "core/Clock.h"
#include "core/InitProgram.h"

namespace vyr {

namespace {

bool MeansNone(const IniEntry& e) {
  const bool optional = e.key.rfind("Opto ", 0) == 0 || e.key == "Return Source";
  return (optional && e.value == "16383") || (e.key.rfind("Input ", 0) == 0 && e.value == "16384");
}

// What a count of 0 means, for the counts that may name nothing.
const char* MeansNothing(const IniEntry& e) {
  if (e.value != "0") return nullptr;
  if (e.key == "Watch Count") return "no watched outputs";
  if (e.key == "Console Count") return "no consoles";
  if (e.key == "AirChain Count") return "no air chains";
  if (e.key == "Confirm Time") return "returns not confirmed";
  return nullptr;
}

}  // namespace

int CheckConfig(const std::string& file, const std::string& programFolder, std::ostream& out) {
  AppState st;
  SystemClock clock;
  ManualTimer tmrpoll;
  ErrorLog log(st.sAppPath, clock);
  log.SetWriteToFile(false);
  std::string failure;
  log.SetEcho([&](const std::string& line) { failure += line + "\n"; });

  InitProgram(st, programFolder, tmrpoll, log);
  const std::string path = file.empty() ? IniFilePath(st) : file;
  if (!ReadIniFile(st, log, path)) {
    if (failure.empty()) {
      out << "No configuration file at " << path << "\n";
    } else {
      out << "The configuration in " << path << " could not be read. Error log line:\n" << failure;
    }
    return 1;
  }

  // Start-up gives the poll timer the refresh rate just read; so does this.
  tmrpoll.SetInterval(st.iRefreshRate);
  out << "Configuration read from " << path << "\n";
  std::string section;
  for (IniEntry& e : IniLayout(st, false)) {
    if (e.section != section) {
      section = e.section;
      out << "[" << section << "]\n";
    }
    if (e.key == "Password") e.value = e.value.empty() ? "(empty)" : "(set, not shown)";
    const char* nothing = MeansNothing(e);
    out << e.key << "=" << e.value << (MeansNone(e) ? "  (none)" : "")
        << (nothing ? std::string("  (") + nothing + ")" : std::string()) << "\n";
  }
  out << "[derived]\n"
      << "Poll interval ms=" << tmrpoll.Interval() << "\n"
      << "Wait ticks=" << st.iWaitTicks << "\n"
      << "Poll ticks=" << st.iPollTicks << "\n"
      << "Confirm ms=" << st.lConfirmTime
      << (st.lConfirmTime > 0 ? " (a return not shown on its output within it is sent again, "
                                "3 sends in all, then raised as an alarm)"
                              : " (returns are not confirmed)")
      << "\n"
      << "Return rule="
      << (!st.bReturnToSpecific ? "return each output to its last source"
          : st.iReturnSource == kNone
              ? "return every output to the Return Source, which is undefined: nothing is returned"
              : "return every output to the Return Source")
      << "\n";
  // The program runs with these, but cannot connect anywhere.
  if (const std::string why = ServerAddressProblem(st.sIPAddress, st.lIPPort); !why.empty()) {
    out << "Not usable: " << why << "; the panel cannot connect\n";
    return 1;
  }
  return 0;
}

}  // namespace vyr
