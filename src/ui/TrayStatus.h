#pragma once
// What the tray icon says about the watched outputs: one of three looks (all
// on air, one Off or in alarm, the link down), a tip listing what is wrong,
// and, while the window is hidden, one desktop notification for each alarm
// raised and each link lost.

#include <QIcon>
#include <QString>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "engine/Panel.h"

namespace vyr {

class TrayIcon;

class TrayStatus final : public PanelEvents {
 public:
  enum class Look { kOnAir, kOff, kLinkDown };

  // `hidden` tells whether the window is out of sight.
  TrayStatus(TrayIcon& tray, const StatusRows& rows, std::function<bool()> hidden);

  Look CurrentLook() const { return look_; }
  QString Tip() const { return tip_; }
  QIcon Icon() const { return icons_[static_cast<std::size_t>(look_)]; }

  // The program's icon with a badge: green, red or grey.
  static QIcon LookIcon(Look look);

  void Connected() override;
  void Disconnected(const std::string& reason) override;
  void RowChanged(int16_t row, const StatusRow& content) override;
  void RowsRebuilt(int16_t count) override;

 private:
  void Refresh();
  void Tell(const QString& text);

  TrayIcon& tray_;
  const StatusRows& rows_;
  std::function<bool()> hidden_;
  bool linkUp_ = false;
  std::vector<std::string> wrong_;  // per row: what is wrong with it, or empty
  std::vector<bool> alarmed_;       // per row: in alarm when last seen
  std::array<QIcon, 3> icons_;      // by look, drawn once
  Look look_ = Look::kLinkDown;
  QString tip_;
};

}  // namespace vyr
