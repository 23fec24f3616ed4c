#include "engine/StatusRows.h"

#include "core/Checked.h"

namespace vyr {

const StatusRow& StatusRows::Row(int64_t row) const { return At(rows_, row); }
StatusRow& StatusRows::Mutable(int64_t row) { return At(rows_, row); }

void StatusRows::Changed(int64_t row) {
  if (events_) events_->RowChanged(static_cast<int16_t>(row), Row(row));
}

void StatusRows::SetOutCaption(int64_t row, const std::string& caption) {
  StatusRow& r = Mutable(row);
  if (r.sOut == caption) return;
  r.sOut = caption;
  Changed(row);
}

void StatusRows::SetSource(int64_t row, const std::string& caption, int32_t colour, RowMark mark) {
  StatusRow& r = Mutable(row);
  if (r.sSource == caption && r.lColour == colour && r.mark == mark) return;
  r.sSource = caption;
  r.lColour = colour;
  r.mark = mark;
  Changed(row);
}

void StatusRows::SetCountdown(int64_t row, const std::string& left) {
  StatusRow& r = Mutable(row);
  if (r.sCountdown == left) return;
  r.sCountdown = left;
  Changed(row);
}

void StatusRows::SetTip(int64_t row, const std::string& tip) {
  StatusRow& r = Mutable(row);
  if (r.sTip == tip) return;
  r.sTip = tip;
  Changed(row);
}

void StatusRows::SetPollCaption(const std::string& caption) {
  poll_ = caption;
  if (events_) events_->PollChanged(poll_);
}

void StatusRows::LoadDisplays(AppState& st, ErrorLog& log, int16_t iNewCount) {
  Trap(log, "Error Loading Displays", "Display Error", [&] {
    const int64_t wanted = iNewCount < 1 ? 1 : iNewCount;
    if (static_cast<int64_t>(rows_.size()) > wanted) rows_.resize(static_cast<std::size_t>(wanted));
    // A copy of row 0 shows its output as row 0 does, but no countdown: the
    // new slot has none running.
    StatusRow copy = rows_.front();
    copy.sCountdown.clear();
    while (static_cast<int64_t>(rows_.size()) < wanted) rows_.push_back(copy);
    st.iDisplayCount = iNewCount;
  });
  if (events_) events_->RowsRebuilt(Count());
}

void StatusRows::MatchWatchList(AppState& st, ErrorLog& log) {
  const int16_t wanted = st.iWatchCount < 1 ? int16_t{1} : st.iWatchCount;
  if (wanted != st.iDisplayCount) LoadDisplays(st, log, wanted);
}

}  // namespace vyr
