#include "ui/ConnectionIndicator.h"

#include <QHBoxLayout>

#include "runtime/QtSwitcherSocket.h"

namespace vyr {

ConnectionIndicator::ConnectionIndicator(QtSwitcherSocket& socket, QWidget* parent)
    : QWidget(parent), socket_(socket), lamp_(new QLabel(this)), text_(new QLabel(this)) {
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
  QTcpSocket& qt = socket_.qt();
  connect(&qt, &QAbstractSocket::stateChanged, this, [this] { Refresh(); });
  connect(&qt, &QAbstractSocket::errorOccurred, this,
          [this] { lastError_ = socket_.qt().errorString(); });
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
  const QString where =
      QString::fromStdString(socket_.Host()) + QLatin1Char(':') + QString::number(socket_.Port());
  switch (socket_.qt().state()) {
    case QAbstractSocket::ConnectedState:
      Settled();
      lastError_.clear();
      Show("Connected to " + where, "#2e8b3a", QString());
      return;
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
    case QAbstractSocket::BoundState:
      if (connectingShown_ || connectingDelay_.isActive()) return;
      if (!delayOver_) {
        connectingDelay_.start();
        return;
      }
      connectingShown_ = true;
      Show("Connecting to " + where + QChar(0x2026), "#d49a00", QString());
      return;
    default:
      break;
  }
  Settled();
  Show("Not connected", "#9a9a9a", lastError_);
}

}  // namespace vyr
