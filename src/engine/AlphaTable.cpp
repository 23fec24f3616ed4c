// The name tables: the switcher's input or output names, which also give the
// number of channels.

#include "core/Checked.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"
#include "engine/TCPComm.h"
#include "link/Messages.h"

namespace vyr {

namespace {
constexpr int32_t kInputNamesBit = 0x100;
constexpr int32_t kOutputNamesBit = 0x200;
}  // namespace

void ProcessAlphaTable(Panel& p, const std::string& message) {
  Trap(p.log, "Error Processing Alpha Table", "Message Error", [&] {
    AppState& st = p.st;
    NameTable table = DecodeNameTable(message);
    if (!table.valid) return;
    const int kind = table.kind;
    const int16_t count = table.count;
    if (count == 0 && (kind == kOutputTable || kind == kInputTable)) {
      // A switcher without channels cannot be: the counts stay as they were
      // and the table stays requested.
      p.log.WriteErrorLog(std::string(kind == kOutputTable ? "Output" : "Input") +
                              " name table with no entries ignored",
                          "Message Error");
      return;
    }
    std::vector<std::string>& names = table.names;
    if (kind == kOutputTable) {
      st.sOutputNames = std::move(names);
      if (st.iNumOutputs != count) {
        st.iNumOutputs = count;
        Redim(st.iMMAssoc, count, kNone);
        SetupMMAssoc(p);
      }
      if (static_cast<int64_t>(st.udtXptMap.size()) < st.iNumOutputs) {
        RedimPreserve(st.udtXptMap, st.iNumOutputs);
      }
      st.lInfoRequest &= ~kOutputNamesBit;
      for (int16_t w = 0; w < st.iWatchCount; ++w) {
        // An output past the new count is shown as such by the next map.
        const int16_t o = At(st.iWatchOutputs, w);
        if (o < count) p.rows.SetOutCaption(w, At(st.sOutputNames, o));
      }
    } else if (kind == kInputTable) {
      st.sInputNames = std::move(names);
      if (st.iNumInputs != count) {
        st.iNumInputs = count;
        Redim(st.iInputMMState, count, kNone);
      }
      st.lInfoRequest &= ~kInputNamesBit;
    }
  });
}

}  // namespace vyr
