#include "ui/ActivityList.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>

#include "ui/Bytes.h"

namespace vyr {

namespace {

// Lines shown when the window first opens.
constexpr int kLinesShown = 8;

// Draws each line as wide as the list, one that is wider ending in an
// ellipsis, and shows the line under the pointer whole as its tool tip.
class LineDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  // No width of its own: with uniform item sizes the view would otherwise
  // take the width of whichever line it measured, and longer lines would be
  // cut without a mark or scrolled to, depending on that one line.
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {1, QStyledItemDelegate::sizeHint(option, index).height()};
  }
  // The items carry no tool tip of their own (a burst would set thousands).
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override {
    if (event->type() != QEvent::ToolTip || !index.isValid()) {
      return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    QToolTip::showText(event->globalPos(), index.data().toString(), view, option.rect);
    return true;
  }
};

}  // namespace

ActivityList::ActivityList(QWidget* parent) : QListWidget(parent) {
  setObjectName("lstActivity");
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setUniformItemSizes(true);  // no per-line measuring: a full list scrolls cheaply
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setItemDelegate(new LineDelegate(this));
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  batch_.setSingleShot(true);
  batch_.setInterval(kBatchMs);
  connect(&batch_, &QTimer::timeout, this, [this] { Flush(); });

  menu_ = new QMenu(this);
  menu_->setObjectName("mnuActivityContext");
  QAction* copy = menu_->addAction("&Copy", this, [this] { CopySelection(); });
  copy->setObjectName("mnuActivityCopy");
  copy->setShortcut(QKeySequence::Copy);
  menu_->addAction("Select &All", this, [this] { selectAll(); })
      ->setObjectName("mnuActivitySelectAll");
}

QSize ActivityList::sizeHint() const {
  const int frame = 2 * frameWidth();
  return {QListWidget::sizeHint().width(), fontMetrics().height() * kLinesShown + frame + 4};
}

void ActivityList::ActivityLine(const DateTime& at, const std::string& text) {
  // Escaped already; Latin1 shows the names' 8-bit bytes as they are.
  pending_.push_back(Latin1(StampedLine(at, text)));
  if (pending_.size() > kLinesKept) pending_.pop_front();
  if (!batch_.isActive()) batch_.start();
}

void ActivityList::Flush() {
  batch_.stop();
  if (pending_.empty()) return;
  const QScrollBar* bar = verticalScrollBar();
  const bool followNewest = bar->value() == bar->maximum();
  const int incoming = static_cast<int>(pending_.size());
  const int excess = std::min(count(), count() + incoming - kLinesKept);
  if (excess > 0) model()->removeRows(0, excess);
  addItems(QStringList(pending_.begin(), pending_.end()));
  pending_.clear();
  // A reader scrolled up to an older line is left there.
  if (followNewest) scrollToBottom();
}

void ActivityList::CopySelection() const {
  QModelIndexList selected = selectionModel()->selectedRows();
  if (selected.isEmpty()) return;
  std::sort(selected.begin(), selected.end());
  QStringList text;
  for (const QModelIndex& index : selected) text << index.data().toString();
  QApplication::clipboard()->setText(text.join('\n') + '\n');
}

void ActivityList::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();
    event->accept();
    return;
  }
  QListWidget::keyPressEvent(event);
}

void ActivityList::contextMenuEvent(QContextMenuEvent* event) {
  menu_->findChild<QAction*>("mnuActivityCopy")->setEnabled(!selectedItems().isEmpty());
  menu_->popup(event->globalPos());
}

}  // namespace vyr
