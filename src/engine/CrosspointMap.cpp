// The crosspoint map: decoding, the return rule for watched outputs, the
// tones-and-sounders feed, and storing the map.

#include <algorithm>

#include "core/Checked.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"
#include "link/Messages.h"

namespace vyr {

namespace {

// The Program output carried by an air chain's Clean output: its first
// untagged source, or none when it is Off or carries only tagged entries.
int16_t ProgramOnClean(const XptRecord& clean) {
  if (clean.bySrcCount == 0 || clean.bySrcCount <= clean.iTagCount) return kNone;
  return clean.Src(0);
}

void SetInputMMState(AppState& st, int16_t input, int16_t value) {
  if (input == kNone) return;  // a slot without an input has no state to keep
  At(st.iInputMMState, input) = value;
}

// Puts the air chain's tones-and-sounders source on a watched output.
void AddTones(Panel& p, int16_t output, int16_t slot, int16_t program, int64_t chain) {
  AppState& st = p.st;
  const int16_t tones = At(st.udtAirChains, chain).iTonesAndSounders;
  SendCrosspointChange(p, Add16(output, 1), Add16(tones, 1), kModeAddTones);
  At(st.iCurrentSources, slot) = tones;
  SetInputMMState(st, At(st.iWatchInputs, slot), program);
  const int16_t opto = At(st.iWatchOptos, slot);
  if (opto != kNone) SendCrosspointChange(p, 1, Add16(opto, 1), kModeOptoOn);
  int16_t all = kNone;
  CheckForActiveMMs(p, all);
}

// The first air chain whose Clean output carries `program`, or -1.
int64_t ChainCarrying(const AppState& st, int16_t program) {
  for (int64_t j = 0; j < st.iAirChainCount; ++j) {
    const XptRecord& clean = At(st.udtXptMap, At(st.udtAirChains, j).iClean);
    if (ProgramOnClean(clean) == program) return j;
  }
  return -1;
}

void SlotCarries(Panel& p, int16_t slot, int16_t output, const XptRecord& r) {
  AppState& st = p.st;
  if (st.iPendingReturns > 0 && At(st.iReturnDelays, slot) > 0) {
    At(st.iReturnDelays, slot) = 0;
    st.iPendingReturns = Sub16(st.iPendingReturns, 1);
  }
  p.rows.SetCountdown(slot, {});
  const int16_t s = r.Src(0);
  const std::string name = SourcesCaption(st, r);
  if (IsException(st, r, s)) {
    p.rows.SetSource(slot, name, kColourBlack);
    const int16_t program = MMAssocOf(st, s);
    if (r.bySrcCount == 1 && program != kNone) {
      const int64_t chain = ChainCarrying(st, program);
      if (chain >= 0) AddTones(p, output, slot, program, chain);
    }
    return;
  }
  p.rows.SetSource(slot, name, kColourGreen);
  if (r.bySrcCount != 1) return;
  int16_t& current = At(st.iCurrentSources, slot);
  if (current == kNone) {
    At(st.iReturnSources, slot) = s;
  } else if (current == s) {
    // Only the tones source that the panel added is left: take it away.
    SendCrosspointChange(p, Add16(output, 1), Add16(s, 1), kModeRemoveTones);
    SetInputMMState(st, At(st.iWatchInputs, slot), kNone);
    const int16_t opto = At(st.iWatchOptos, slot);
    if (opto != kNone) {
      SendCrosspointChange(p, 1, Add16(opto, 1), kModeOptoOff);
      int16_t all = kNone;
      CheckForActiveMMs(p, all);
    }
    At(st.iCurrentSources, slot) = kNone;
  } else {
    At(st.iReturnSources, slot) = s;
    current = kNone;
  }
}

void DecideReturns(Panel& p, int16_t output, const XptRecord& r) {
  AppState& st = p.st;
  for (int16_t i = 0; i < st.iWatchCount; ++i) {
    if (At(st.iWatchOutputs, i) != output) continue;
    if (r.bySrcCount == 0) {
      ReturnOffOutput(p, i, output);
      continue;
    }
    ConfirmReturn(p, i);
    if (r.iTagCount != 0) {
      p.rows.SetSource(i, At(st.sOutputNames, r.TagSrc(0)), kColourBlack);
    } else {
      SlotCarries(p, i, output, r);
    }
  }
}

bool CarriesUntagged(const XptRecord& r) { return r.bySrcCount > r.iTagCount; }

// A map of several outputs: each watched output it shows Off that the copy
// showed on an untagged source is returned as a one-output Off would be; an
// output already Off in the copy is left as it is. An entry on the output
// confirms its return; a return sent on an earlier link is checked here.
void DecideSalvoReturns(Panel& p, int16_t first, int64_t store, const DecodedMap& map) {
  AppState& st = p.st;
  for (int16_t i = 0; i < st.iWatchCount; ++i) {
    const int16_t output = At(st.iWatchOutputs, i);
    const int64_t r = static_cast<int64_t>(output) - first;
    if (r < 0 || r >= store) continue;
    const XptRecord& next = map.records[static_cast<std::size_t>(r)];
    if (next.bySrcCount != 0) {
      ConfirmReturn(p, i);
      continue;
    }
    const XptRecord* was = MapEntry(st, output);
    const bool wasOn = was && CarriesUntagged(*was);
    if (wasOn || WatchOf(st, i).state != ReturnCheck::kIdle) ReturnOffOutput(p, i, output);
  }
}

// A Clean output changed: watched outputs carrying a mix-minus bus of the
// console now on air get the air chain's tones. Reads the map as it stood.
void AirChainStep(Panel& p, int16_t output, const DecodedMap& map) {
  AppState& st = p.st;
  int64_t chain = -1;
  for (int64_t j = 0; j < st.iAirChainCount && chain < 0; ++j) {
    if (At(st.udtAirChains, j).iClean == output) chain = j;
  }
  if (chain < 0 || map.records.empty()) return;  // a map of no outputs changes nothing
  const int16_t program = ProgramOnClean(map.records[0]);
  if (program == kNone) return;
  bool isProgram = false;
  for (const ConsoleRecord& console : st.udtConsoles) isProgram |= console.iProgram == program;
  if (!isProgram) return;
  for (int16_t w = 0; w < st.iWatchCount; ++w) {
    const int16_t o = At(st.iWatchOutputs, w);
    const XptRecord* r = MapEntry(st, o);
    if (r && r->bySrcCount == 1 && r->iTagCount == 0 && MMAssocOf(st, r->Src(0)) == program) {
      AddTones(p, o, w, program, chain);
    }
  }
}

}  // namespace

bool IsException(const AppState& st, const XptRecord& r, int16_t source) {
  const bool marked = source >= 0 && static_cast<std::size_t>(source) < st.sExceptions.size() &&
                      st.sExceptions[static_cast<std::size_t>(source)] == '1';
  return marked || r.byStatus != 0;
}

int16_t ReturnSourceOf(const AppState& st, int64_t slot) {
  return st.bReturnToSpecific ? st.iReturnSource : At(st.iReturnSources, slot);
}

const XptRecord* MapEntry(const AppState& st, int64_t output) { return Find(st.udtXptMap, output); }

int16_t MMAssocOf(const AppState& st, int64_t source) {
  const int16_t* program = Find(st.iMMAssoc, source);
  return program ? *program : kNone;
}

void ProcessCrosspointMap(Panel& p, const std::string& message) {
  Trap(p.log, "Error Processing Crosspoint Map", "Message Error", [&] {
    AppState& st = p.st;
    DecodedMap map = DecodeCrosspointMap(message);
    if (map.dropped) return;
    const int16_t first = map.iFirst;
    const int64_t count = static_cast<int64_t>(map.records.size());
    // Outputs past the count the panel knows, before the output names came:
    // the map is asked for again once the names have sized the table.
    const bool beyond = first + count > st.iNumOutputs;
    if (!beyond || (st.lInfoRequest & kRequestOutputNames) == 0) st.lInfoRequest &= ~kRequestMap;
    if (first > st.iNumOutputs) return;
    const int64_t store = beyond ? st.iNumOutputs - first : count;

    if (count == 1) {
      DecideReturns(p, first, map.records[0]);
    } else {
      DecideSalvoReturns(p, first, store, map);
    }
    AirChainStep(p, first, map);
    if (first == 0 && store == count && count == static_cast<int64_t>(st.udtXptMap.size())) {
      st.udtXptMap.swap(map.records);  // a map of every output replaces the table
    } else {
      for (int64_t r = 0; r < store; ++r) At(st.udtXptMap, first + r) = map.records[r];
    }

    if (count != 1) {
      UpdateDisplays(p);
      DetermineMMInUse(p);
      int16_t all = kNone;
      CheckForActiveMMs(p, all);
      return;
    }
    for (int16_t k = 0; k < st.iConsoleCount; ++k) {
      if (At(st.udtConsoles, k).iProgram == first) {
        st.iConsoleIndex = k;
        int16_t output = first;
        CheckForActiveMMs(p, output);
        return;
      }
    }
  });
}

}  // namespace vyr
