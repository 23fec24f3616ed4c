#pragma once
// The line at the foot of the main window that says whether the link to the
// Server Module is up, from the panel's link events: "Connected to
// ADDRESS:PORT" once connected, "Connecting to ADDRESS:PORT…" while an
// attempt is under way, "Not connected" otherwise (the reason in its tip).

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "engine/Panel.h"

namespace vyr {

class ConnectionIndicator final : public QWidget, public PanelEvents {
  Q_OBJECT
 public:
  explicit ConnectionIndicator(QWidget* parent);

  QString Text() const { return text_->text(); }

  // An attempt is shown as under way only once it has lasted this long, so
  // that a refused attempt repeated every poll tick does not flicker.
  static constexpr int kConnectingShownAfterMs = 250;

  void Connecting(const std::string& host, int32_t port) override;
  void Connected() override;
  void ConnectFailed(const std::string& reason) override { Down(reason); }
  void Disconnected(const std::string& reason) override { Down(reason); }

 private:
  enum class Link { kDown, kConnecting, kUp };

  void Down(const std::string& reason);
  void Refresh();
  void Settled();
  void Show(const QString& text, const QString& colour, const QString& tip);

  QLabel* lamp_;
  QLabel* text_;
  QTimer connectingDelay_;
  Link link_ = Link::kDown;
  QString where_;
  bool delayOver_ = false;
  bool connectingShown_ = false;
  QString lastError_;
};

}  // namespace vyr
