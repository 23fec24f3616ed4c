#pragma once
// The window's Activity list: the panel's activity lines, newest last, each
// time-stamped to the millisecond, the last kLinesKept kept. Lines arrive in
// bursts of thousands when a salvo goes Off; they are queued and shown in
// one batch a little later, so the list costs one update per batch, not one
// per line. Selected lines are copied with Ctrl+C or the context menu's Copy.
// A line wider than the list is cut with an ellipsis; hovering over it shows
// it whole.

#include <QListWidget>
#include <QTimer>
#include <deque>

class QMenu;

#include "engine/Activity.h"

namespace vyr {

class ActivityList final : public QListWidget, public ActivityListener {
  Q_OBJECT
 public:
  static constexpr int kLinesKept = 1000;
  // How long a line may wait to be shown with those that follow it.
  static constexpr int kBatchMs = 50;

  explicit ActivityList(QWidget* parent = nullptr);

  void ActivityLine(const DateTime& at, const std::string& text) override;
  // Shows the queued lines now.
  void Flush();
  // The selected lines, in their order, to the clipboard.
  void CopySelection() const;

  QSize sizeHint() const override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QMenu* menu_;  // the context menu: Copy, Select All
  std::deque<QString> pending_;
  QTimer batch_;
};

}  // namespace vyr
