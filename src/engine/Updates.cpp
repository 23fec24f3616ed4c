// Refreshes every status row from the crosspoint map.

#include "core/Checked.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"

namespace vyr {

namespace {

// The output names of this connection have come: the output count is the
// switcher's own, not the default.
bool OutputCountKnown(const AppState& st) {
  return st.bInfoRequested && (st.lInfoRequest & kRequestOutputNames) == 0;
}

void ShowNotOnSwitcher(Panel& p, int16_t slot, int16_t output) {
  const std::string number = std::to_string(output + 1);
  p.rows.SetOutCaption(slot, "Output " + number);
  p.rows.SetCountdown(slot, {});
  p.rows.SetSource(slot, kNotOnSwitcherCaption, kColourGrey, RowMark::kNotOnSwitcher);
  p.rows.SetTip(slot, "Output " + number + " is past the switcher's " +
                          std::to_string(p.st.iNumOutputs) + " outputs");
}

}  // namespace

std::string SourcesCaption(const AppState& st, const XptRecord& r) {
  std::string caption;
  for (const XptEntry& e : r.Untagged()) {
    if (!caption.empty()) caption += " + ";
    caption += At(st.sInputNames, e.iSrc);
  }
  return caption.empty() ? At(st.sInputNames, r.Src(0)) : caption;
}

void UpdateDisplays(Panel& p) {
  Trap(p.log, "Error Updating Displays", "Display Error", [&] {
    AppState& st = p.st;
    for (int16_t i = 0; i < st.iWatchCount; ++i) {
      const int16_t o = At(st.iWatchOutputs, i);
      if (o >= 0 && o >= st.iNumOutputs && OutputCountKnown(st)) {
        ShowNotOnSwitcher(p, i, o);
        continue;
      }
      // An output the map does not hold yet (its names have not come) is
      // shown once they have.
      const XptRecord* entry = MapEntry(st, o);
      const std::string* outName = Find(st.sOutputNames, o);
      if (!entry || !outName) continue;
      const XptRecord& r = *entry;
      p.rows.SetOutCaption(i, *outName);
      if (r.bySrcCount != 0) p.rows.SetCountdown(i, {});
      if (r.iTagCount != 0) {
        p.rows.SetSource(i, At(st.sOutputNames, r.TagSrc(0)), kColourBlack);
      } else if (r.bySrcCount != 0) {
        const int16_t s = r.Src(0);
        const std::string name = SourcesCaption(st, r);
        if (!IsException(st, r, s)) {
          At(st.iReturnSources, i) = s;
          p.rows.SetSource(i, name, kColourGreen);
        } else {
          p.rows.SetSource(i, name, kColourBlack);
          if (r.byStatus == 0 && r.bySrcCount == 2) {
            for (int16_t j = 0; j < st.iAirChainCount; ++j) {
              if (At(st.udtAirChains, j).iTonesAndSounders == r.Src(1)) {
                At(st.iCurrentSources, i) = r.Src(1);
                break;
              }
            }
          }
        }
      } else {
        ShowOff(p, i);
      }
      // Where a return would really go: the specific source under that rule.
      const int16_t target = ReturnSourceOf(st, i);
      p.rows.SetTip(i, "Return source: " +
                           (target == kNone ? std::string("None") : At(st.sInputNames, target)));
    }
  });
}

}  // namespace vyr
