#pragma once
// The status board of the main window without the widgets: one row per
// watch slot (output name, current source, one colour for both, a mark for
// the states that must stand out, the time left of a delayed return, a tool
// tip) and the poll counter. The window draws it; the headless program prints
// its changes. Row 0 always exists.

#include <cstdint>
#include <string>
#include <vector>

#include "core/AppState.h"
#include "core/ErrorLog.h"
#include "engine/Panel.h"

namespace vyr {

// What sets a row apart from a plain one.
enum class RowMark : uint8_t {
  kPlain,
  kAlarm,          // Off and not returned, or with nothing to return it to
  kNotOnSwitcher,  // the output is past the switcher's outputs
};

struct StatusRow {
  std::string sOut = " ";
  std::string sSource = " ";
  int32_t lColour = kColourBlack;
  std::string sTip;
  RowMark mark = RowMark::kPlain;
  std::string sCountdown;  // "0.4 s" while a return counts down, else empty
  bool operator==(const StatusRow&) const = default;
};

// The source as the window shows it: the caption, then any time left.
inline std::string ShownSource(const StatusRow& r) { return r.sSource + r.sCountdown; }

class StatusRows {
 public:
  // Where row changes, rebuilds and the poll caption are raised (none: not
  // raised).
  void SetEvents(PanelEvents* events) { events_ = events; }

  int16_t Count() const { return static_cast<int16_t>(rows_.size()); }
  // Raises 9 for a row that was not built.
  const StatusRow& Row(int64_t row) const;
  void SetOutCaption(int64_t row, const std::string& caption);
  void SetSource(int64_t row, const std::string& caption, int32_t colour,
                 RowMark mark = RowMark::kPlain);
  void SetCountdown(int64_t row, const std::string& left);
  void SetTip(int64_t row, const std::string& tip);

  const std::string& PollCaption() const { return poll_; }
  void SetPollCaption(const std::string& caption);

  // Makes the rows match a new count: extra rows are removed (never row 0),
  // new rows copy row 0 as it stands; iDisplayCount follows.
  void LoadDisplays(AppState& st, ErrorLog& log, int16_t iNewCount);
  // One row per watched output, and row 0 when none is watched (the window
  // says there how to choose them); rebuilt only when the count changed.
  void MatchWatchList(AppState& st, ErrorLog& log);

 private:
  StatusRow& Mutable(int64_t row);
  void Changed(int64_t row);

  std::vector<StatusRow> rows_ = std::vector<StatusRow>(1);
  std::string poll_ = "0";
  PanelEvents* events_ = nullptr;
};

}  // namespace vyr
