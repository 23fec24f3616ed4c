#include "ui/TrayIcon.h"

#include <QMenu>

namespace vyr {

QtTrayIcon::QtTrayIcon() {
  connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    if (r == QSystemTrayIcon::DoubleClick) emit DoubleClicked();
  });
}

bool QtTrayIcon::IsAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void QtTrayIcon::Add(const QIcon& icon, const QString& tip, QMenu* menu) {
  icon_.setIcon(icon);
  icon_.setToolTip(tip);
  icon_.setContextMenu(menu);
  icon_.show();
}

void QtTrayIcon::Remove() { icon_.hide(); }

void QtTrayIcon::SetLook(const QIcon& icon, const QString& tip) {
  icon_.setIcon(icon);
  icon_.setToolTip(tip);
}

void QtTrayIcon::Notify(const QString& title, const QString& text) {
  icon_.showMessage(title, text, QSystemTrayIcon::Warning);
}

}  // namespace vyr
