#pragma once
// The icon in the desktop's notification area that stands in for the main
// window while it is minimised. The window decides when it is added and
// removed and what it looks like; the icon reports a double click. Its
// right-click menu is the window's own tray menu.

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

class QMenu;

namespace vyr {

class TrayIcon : public QObject {
  Q_OBJECT
 public:
  // False on desktops without a notification area: the window then
  // minimises as any other window does.
  virtual bool IsAvailable() const = 0;
  virtual void Add(const QIcon& icon, const QString& tip, QMenu* menu) = 0;
  virtual void Remove() = 0;
  // A new look and tip, shown at once if the icon is there, else when added.
  virtual void SetLook(const QIcon& icon, const QString& tip) = 0;
  // A desktop notification from the icon.
  virtual void Notify(const QString& title, const QString& text) = 0;

 signals:
  void DoubleClicked();
};

class QtTrayIcon final : public TrayIcon {
  Q_OBJECT
 public:
  QtTrayIcon();
  bool IsAvailable() const override;
  void Add(const QIcon& icon, const QString& tip, QMenu* menu) override;
  void Remove() override;
  void SetLook(const QIcon& icon, const QString& tip) override;
  void Notify(const QString& title, const QString& text) override;

 private:
  QSystemTrayIcon icon_;
};

}  // namespace vyr
