#include "ui/ConnectionIndicator.h"

#include <QHBoxLayout>

namespace vyr {

ConnectionIndicator::ConnectionIndicator(QWidget* parent)
    : QWidget(parent), lamp_(new QLabel(this)), text_(new QLabel(this)) {
  setObjectName("lblConnection");
  text_->setObjectName("lblConnectionText");
  lamp_->setFixedSize(10, 10);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(8, 0, 8, 0);
  row->setSpacing(6);
  row->addWidget(lamp_);
  row->addWidget(text_, 1);

  connectingDelay_.setSingleShot(true);
  connectingDelay_.setInterval(kConnectingShownAfterMs);
  connect(&connectingDelay_, &QTimer::timeout, this, [this] {
    delayOver_ = true;
    Refresh();
  });
  unstableEnds_.setSingleShot(true);
  connect(&unstableEnds_, &QTimer::timeout, this, [this] { Refresh(); });
  Refresh();
}

void ConnectionIndicator::Connecting(const std::string& host, int32_t port) {
  where_ = QString::fromStdString(host) + QLatin1Char(':') + QString::number(port);
  link_ = Link::kConnecting;
  if (lost_) ++attempts_;
  Refresh();
}

void ConnectionIndicator::Connected() {
  link_ = Link::kUp;
  lost_ = false;
  Refresh();
}

void ConnectionIndicator::Disconnected(const std::string& reason) {
  lost_ = true;
  lostAt_ = clock_->Now();
  attempts_ = 0;
  drops_.push_back(SecondsOf(lostAt_));
  Down(reason);
}

QString ConnectionIndicator::Unstable() {
  const int64_t now = SecondsOf(clock_->Now());
  while (!drops_.empty() && now - drops_.front() >= kUnstableSeconds) drops_.pop_front();
  const auto drops = static_cast<int>(drops_.size());
  if (drops <= kStableDrops) return {};
  // Said again once the oldest drop is out of the count, event or not.
  unstableEnds_.start(static_cast<int>(kUnstableSeconds - (now - drops_.front())) * 1000);
  return QString(" \u2014 unstable: %1 drops in 10 min").arg(drops);
}

void ConnectionIndicator::Down(const std::string& reason) {
  link_ = Link::kDown;
  lastError_ = QString::fromStdString(reason);
  Refresh();
}

void ConnectionIndicator::Show(const QString& text, const QString& colour, const QString& tip) {
  text_->setText(text);
  setToolTip(tip);
  lamp_->setStyleSheet(QStringLiteral("background-color: %1; border-radius: 5px;").arg(colour));
}

void ConnectionIndicator::Settled() {
  connectingDelay_.stop();
  delayOver_ = false;
  connectingShown_ = false;
}

void ConnectionIndicator::Refresh() {
  switch (link_) {
    case Link::kUp:
      Settled();
      lastError_.clear();
      Show("Connected to " + where_ + Unstable(), "#2e8b3a", QString());
      return;
    case Link::kConnecting:
      if (lost_) break;
      if (connectingShown_ || connectingDelay_.isActive()) return;
      if (!delayOver_) {
        connectingDelay_.start();
        return;
      }
      connectingShown_ = true;
      Show("Connecting to " + where_ + QChar(0x2026), "#d49a00", QString());
      return;
    case Link::kDown:
      break;
  }
  Settled();
  if (!lost_) {
    Show("Not connected", "#9a9a9a", lastError_);
    return;
  }
  const QString at =
      QString::asprintf("%02d:%02d:%02d", lostAt_.hour, lostAt_.minute, lostAt_.second);
  Show(QString("Link lost at %1 \u2014 retrying %2 (%3 attempts)").arg(at, where_).arg(attempts_) +
           Unstable(),
       "#c62828", lastError_);
}

}  // namespace vyr
