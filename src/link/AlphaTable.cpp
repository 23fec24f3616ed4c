// The name tables: the switcher's input or output names, which also give the
// number of channels.

#include "core/Checked.h"
#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"
#include "link/ByteManipulation.h"
#include "link/TCPComm.h"

namespace vyr {

namespace {
constexpr int kInputTable = 10;
constexpr int kOutputTable = 20;
constexpr int32_t kInputNamesBit = 0x100;
constexpr int32_t kOutputNamesBit = 0x200;
}  // namespace

void ProcessAlphaTable(Panel& p, const std::string& message) {
  Trap(p.log, "Error Processing Alpha Table", "Message Error", [&] {
    AppState& st = p.st;
    const int32_t length = ToInt32(message.size());
    if (CalcCheckSum(message, 2, p.log) != ByteAt(message, length - 2)) return;
    const int kind = ByteAt(message, 1);
    const int16_t width = ByteAt(message, 2);
    const int16_t count = MakeInteger(ByteAt(message, 3), ByteAt(message, 4));
    const int16_t first = MakeInteger(ByteAt(message, 5), ByteAt(message, 6));
    std::vector<std::string> names;
    if (count > 0) Redim(names, count);
    const int32_t entry = Add32(width, 2);
    if (length != Add32(Mul32(entry, count), 9)) return;
    if (count == 0 && (kind == kOutputTable || kind == kInputTable)) {
      // A switcher without channels cannot be: the counts stay as they were
      // and the table stays requested.
      p.log.WriteErrorLog(std::string(kind == kOutputTable ? "Output" : "Input") +
                              " name table with no entries ignored",
                          "Message Error");
      return;
    }
    for (int32_t i = first; i < count; ++i) {
      const int32_t at = Add32(7, Mul32(entry, i));
      (void)ByteAt(message, at + width + 1);  // the entry's value word is read, not used
      At(names, i) = message.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(width));
    }
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
        p.rows.SetOutCaption(w, At(st.sOutputNames, At(st.iWatchOutputs, w)));
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
