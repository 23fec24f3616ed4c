// Refreshes every status row from the crosspoint map.

#include <algorithm>

#include "core/Checked.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"

namespace vyr {

void UpdateDisplays(Panel& p) {
  Trap(p.log, "Error Updating Displays", "Display Error", [&] {
    AppState& st = p.st;
    for (int16_t i = 0; i < st.iWatchCount; ++i) {
      const int16_t o = At(st.iWatchOutputs, i);
      // An output the map does not hold yet (its names have not come) is
      // shown once they have.
      if (o < 0 ||
          static_cast<std::size_t>(o) >= std::min(st.udtXptMap.size(), st.sOutputNames.size()))
        continue;
      const XptRecord& r = At(st.udtXptMap, o);
      p.rows.SetOutCaption(i, At(st.sOutputNames, o));
      if (r.iTagCount != 0) {
        p.rows.SetSource(i, At(st.sOutputNames, r.TagSrc(0)), kColourBlack);
      } else if (r.bySrcCount != 0) {
        const int16_t s = r.Src(0);
        const std::string& name = At(st.sInputNames, s);
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
        p.rows.SetSource(i, OffCaption(st, i), kColourRed);
      }
      const int16_t last = At(st.iReturnSources, i);
      p.rows.SetTip(
          i, "Return source: " + (last == kNone ? std::string("None") : At(st.sInputNames, last)));
    }
  });
}

}  // namespace vyr
