// Which mix-minus bus belongs to which console, which console's mix-minus a
// watched input carries, and the relays and optos that show it.

#include "core/Checked.h"
#include "engine/ReturnEngine.h"

namespace vyr {

namespace {

// 0x44 when the Program output carries an input tied to another console.
int16_t RelayMode(const AppState& st, int16_t program) {
  const XptRecord& r = At(st.udtXptMap, program);
  const int untagged = r.bySrcCount - r.iTagCount;
  for (int i = 0; i < untagged; ++i) {
    const int16_t state = At(st.iInputMMState, r.Src(i));
    if (state != program && state != kNone) return kModeRelayInUse;
  }
  return kModeRelayIdle;
}

void SendRelay(Panel& p, const ConsoleRecord& console, int16_t mode) {
  SendCrosspointChange(p, Add16(console.iMMInUseRelay, 1), 1, mode);
}

}  // namespace

void SetupMMAssoc(Panel& p) {
  Trap(p.log, "Error Determining Mix Minus Associations", "Display Error", [&] {
    AppState& st = p.st;
    for (int32_t b = 0; b < st.iNumOutputs; ++b) At(st.iMMAssoc, b) = kNone;
    for (int16_t k = 0; k < st.iConsoleCount; ++k) {
      const ConsoleRecord& console = At(st.udtConsoles, k);
      for (int32_t b = console.iFirstMMBus; b <= console.iLastMMBus; ++b) {
        At(st.iMMAssoc, b) = console.iProgram;
      }
    }
  });
}

void DetermineMMInUse(Panel& p) {
  Trap(p.log, "Error Determining Active Mix Minus Sources", "Display Error", [&] {
    AppState& st = p.st;
    for (int32_t n = 0; n < st.iNumInputs; ++n) At(st.iInputMMState, n) = kNone;
    for (int16_t w = 0; w < st.iWatchCount; ++w) {
      const XptRecord* r = MapEntry(st, At(st.iWatchOutputs, w));
      if (!r || r->bySrcCount == 0) continue;
      const int16_t program = MMAssocOf(st, r->Src(0));
      const int16_t input = At(st.iWatchInputs, w);
      if (program != kNone && input != kNone) At(st.iInputMMState, input) = program;
    }
    for (int16_t w = 0; w < st.iWatchCount; ++w) {
      const int16_t input = At(st.iWatchInputs, w);
      const int16_t opto = At(st.iWatchOptos, w);
      if (input == kNone || opto == kNone) continue;  // nothing to show it on
      const int16_t mode = At(st.iInputMMState, input) != kNone ? kModeOptoOn : kModeOptoOff;
      SendCrosspointChange(p, 1, Add16(opto, 1), mode);
    }
  });
}

void CheckForActiveMMs(Panel& p, int16_t& iOutput) {
  Trap(p.log, "Error Determining Active Mix Minus Consoles", "Display Error", [&] {
    AppState& st = p.st;
    if (iOutput == kNone) {
      for (int16_t k = 0; k < st.iConsoleCount; ++k) {
        const ConsoleRecord& console = At(st.udtConsoles, k);
        iOutput = console.iProgram;
        SendRelay(p, console, RelayMode(st, iOutput));
      }
      return;
    }
    const int16_t mode = RelayMode(st, iOutput);
    SendRelay(p, At(st.udtConsoles, st.iConsoleIndex), mode);
  });
}

}  // namespace vyr
