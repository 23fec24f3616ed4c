#include "core/InitProgram.h"

#include <cstdio>

#include "core/Checked.h"

namespace vyr {

namespace {
std::string FourDigits(const char* prefix, int i) {
  char text[16];
  std::snprintf(text, sizeof text, "%s%04d", prefix, i);
  return text;
}
}  // namespace

std::string DefaultInputName(int i) { return FourDigits("Inpt", i); }
std::string DefaultOutputName(int i) { return FourDigits("Out ", i); }

std::string WithTrailingSeparator(const std::string& folder) {
  if (!folder.empty() && folder.back() == '/') return folder;
  return folder + '/';
}

void InitProgram(AppState& st, const std::string& programFolder, Timer& tmrpoll, ErrorLog& log) {
  Trap(log, "Error on program setup", "Program Error", [&] {
    st.sAppPath = WithTrailingSeparator(programFolder);
    tmrpoll.SetEnabled(false);
    st.sUserName.clear();
    st.sPassword.clear();
    st.iDisplayCount = 1;
    st.iNumInputs = 256;
    st.iNumOutputs = 256;
    Redim(st.sOutputNames, 256);
    Redim(st.sInputNames, st.iNumInputs);
    for (int i = 1; i <= st.iNumInputs; ++i) At(st.sInputNames, i - 1) = DefaultInputName(i);
    for (int i = 1; i <= st.iNumOutputs; ++i) At(st.sOutputNames, i - 1) = DefaultOutputName(i);
    // One empty record per output, so that a full map arriving before the
    // output names is stored; the bus and input tables are sized for the
    // default switcher so that mix-minus works with exactly 256 channels.
    Redim(st.udtXptMap, st.iNumOutputs);
    Redim(st.iMMAssoc, st.iNumOutputs, kNone);
    Redim(st.iInputMMState, st.iNumInputs, kNone);
    st.iRefreshRate = 100;
    st.iWaitTime = 0;
    st.iTimeOut = 20;
    st.iPollTicks = 2;
    tmrpoll.SetInterval(st.iRefreshRate);
    st.lIPPort = 1250;
    st.sIPAddress = "127.0.0.1";
  });
}

}  // namespace vyr
