#pragma once
// The line at the foot of the main window that says whether the link to the
// Server Module is up. It follows the socket's own state: "Connected to
// ADDRESS:PORT" once connected, "Connecting to ADDRESS:PORT…" while an
// attempt is under way, "Not connected" otherwise (the reason in its tip).

#include <QLabel>
#include <QTimer>
#include <QWidget>

namespace vyr {

class QtSwitcherSocket;

class ConnectionIndicator final : public QWidget {
  Q_OBJECT
 public:
  ConnectionIndicator(QtSwitcherSocket& socket, QWidget* parent);

  QString Text() const { return text_->text(); }

  // An attempt is shown as under way only once it has lasted this long, so
  // that a refused attempt repeated every poll tick does not flicker.
  static constexpr int kConnectingShownAfterMs = 250;

 private:
  void Refresh();
  void Settled();
  void Show(const QString& text, const QString& colour, const QString& tip);

  QtSwitcherSocket& socket_;
  QLabel* lamp_;
  QLabel* text_;
  QTimer connectingDelay_;
  bool delayOver_ = false;
  bool connectingShown_ = false;
  QString lastError_;
};

}  // namespace vyr
