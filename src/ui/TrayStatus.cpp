#include "ui/TrayStatus.h"

#include <QPainter>
#include <QPixmap>

#include "engine/ReturnEngine.h"
#include "engine/StatusRows.h"
#include "ui/Bytes.h"
#include "ui/TrayIcon.h"
#include "ui/frmMain.h"

namespace vyr {

namespace {

// Lines of the tip; a tip too long is cut by the desktop anyway.
constexpr int kMostTipLines = 8;

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "Out 0002 Off", "Out 0002 not returned", "Output 10 not on switcher"; empty
// for a row on air or not shown yet.
std::string WhatIsWrong(const StatusRow& r) {
  if (r.mark == RowMark::kNotOnSwitcher) return Trimmed(r.sOut) + " " + r.sSource;
  if (r.lColour != kColourRed) return {};
  const std::string off = kOffCaption;
  std::string state = r.sSource.rfind(off, 0) == 0 ? Trimmed(r.sSource.substr(off.size())) : "";
  return Trimmed(r.sOut) + " " + (state.empty() ? "Off" : state);
}

}  // namespace

TrayStatus::TrayStatus(TrayIcon& tray, const StatusRows& rows, std::function<bool()> hidden)
    : tray_(tray), rows_(rows), hidden_(std::move(hidden)) {
  for (const Look look : {Look::kOnAir, Look::kOff, Look::kLinkDown})
    icons_[static_cast<std::size_t>(look)] = LookIcon(look);
  RowsRebuilt(rows_.Count());
}

QIcon TrayStatus::LookIcon(Look look) {
  QPixmap pixmap = AppIcon().pixmap(64, 64);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor badge = look == Look::kOnAir ? QColor(46, 139, 58)
                       : look == Look::kOff ? QColor(211, 47, 47)
                                            : QColor(140, 140, 140);
  painter.setPen(QPen(Qt::white, 3));
  painter.setBrush(badge);
  painter.drawEllipse(QRect(34, 34, 28, 28));
  return QIcon(pixmap);
}

void TrayStatus::Connected() {
  linkUp_ = true;
  Refresh();
}

void TrayStatus::Disconnected(const std::string& reason) {
  linkUp_ = false;
  Refresh();
  Tell("Link lost: " + Latin1(reason));
}

void TrayStatus::RowsRebuilt(int16_t count) {
  wrong_.assign(static_cast<std::size_t>(count), {});
  alarmed_.assign(static_cast<std::size_t>(count), false);
  for (int16_t i = 0; i < count; ++i) {
    wrong_[static_cast<std::size_t>(i)] = WhatIsWrong(rows_.Row(i));
    alarmed_[static_cast<std::size_t>(i)] = rows_.Row(i).mark == RowMark::kAlarm;
  }
  Refresh();
}

void TrayStatus::RowChanged(int16_t row, const StatusRow& content) {
  if (row < 0 || static_cast<std::size_t>(row) >= wrong_.size()) return;
  const auto at = static_cast<std::size_t>(row);
  const bool alarm = content.mark == RowMark::kAlarm;
  const bool raised = alarm && !alarmed_[at];
  alarmed_[at] = alarm;
  std::string wrong = WhatIsWrong(content);
  if (wrong != wrong_[at]) {
    wrong_[at] = std::move(wrong);
    Refresh();
  }
  if (raised) Tell(Latin1(wrong_[at]));
}

void TrayStatus::Refresh() {
  QStringList lines;
  int count = 0;
  for (const std::string& w : wrong_) {
    if (w.empty()) continue;
    if (++count <= kMostTipLines) lines << Latin1(w);
  }
  if (count > kMostTipLines) lines << QStringLiteral("and %1 more").arg(count - kMostTipLines);
  if (!linkUp_) lines.prepend("link down");
  const Look look = !linkUp_ ? Look::kLinkDown : count > 0 ? Look::kOff : Look::kOnAir;
  if (lines.isEmpty()) lines << "all watched outputs on air";
  const QString tip = QString(frmMain::kTitle) + "\n" + lines.join('\n');
  if (look == look_ && tip == tip_) return;
  look_ = look;
  tip_ = tip;
  tray_.SetLook(Icon(), tip_);
}

void TrayStatus::Tell(const QString& text) {
  if (hidden_ && hidden_()) tray_.Notify(frmMain::kTitle, text);
}

}  // namespace vyr
