#pragma once
// The line at the foot of the main window that says whether the link to the
// Server Module is up, from the panel's link events: "Connected to
// ADDRESS:PORT" once connected, "Connecting to ADDRESS:PORT…" while a first
// attempt is under way, "Not connected" otherwise (the reason in its tip).
// A link that was up and dropped says when and how often it was tried since
// ("Link lost at HH:MM:SS — retrying ADDRESS:PORT (N attempts)"), and one
// that dropped more than three times in ten minutes says it is unstable.

#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <deque>

#include "core/Clock.h"
#include "engine/Panel.h"

namespace vyr {

class ConnectionIndicator final : public QWidget, public PanelEvents {
  Q_OBJECT
 public:
  explicit ConnectionIndicator(QWidget* parent);

  // The clock that stamps drops (local time); the machine's by default.
  void SetClock(const Clock& clock) { clock_ = &clock; }

  QString Text() const { return text_->text(); }

  // An attempt is shown as under way only once it has lasted this long, so
  // that a refused attempt repeated every poll tick does not flicker.
  static constexpr int kConnectingShownAfterMs = 250;
  // More drops than this within kUnstableSeconds make the link unstable.
  static constexpr int kStableDrops = 3;
  static constexpr int64_t kUnstableSeconds = 600;

  void Connecting(const std::string& host, int32_t port) override;
  void Connected() override;
  void ConnectFailed(const std::string& reason) override { Down(reason); }
  void Disconnected(const std::string& reason) override;

 private:
  enum class Link { kDown, kConnecting, kUp };

  void Down(const std::string& reason);
  void Refresh();
  void Settled();
  void Show(const QString& text, const QString& colour, const QString& tip);
  // " — unstable: N drops in 10 min", or nothing.
  QString Unstable();

  QLabel* lamp_;
  QLabel* text_;
  QTimer connectingDelay_;
  QTimer unstableEnds_;  // when the oldest drop counted leaves the ten minutes
  Link link_ = Link::kDown;
  QString where_;
  bool delayOver_ = false;
  bool connectingShown_ = false;
  QString lastError_;
  SystemClock systemClock_;
  const Clock* clock_ = &systemClock_;
  bool lost_ = false;  // up once, dropped, not up again
  DateTime lostAt_;
  int attempts_ = 0;           // since the drop
  std::deque<int64_t> drops_;  // when, in seconds, within kUnstableSeconds
};

}  // namespace vyr
