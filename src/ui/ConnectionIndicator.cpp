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
  Refresh();
}

void ConnectionIndicator::Connecting(const std::string& host, int32_t port) {
  where_ = QString::fromStdString(host) + QLatin1Char(':') + QString::number(port);
  link_ = Link::kConnecting;
  Refresh();
}

void ConnectionIndicator::Connected() {
  link_ = Link::kUp;
  Refresh();
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
      Show("Connected to " + where_, "#2e8b3a", QString());
      return;
    case Link::kConnecting:
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
  Show("Not connected", "#9a9a9a", lastError_);
}

}  // namespace vyr
