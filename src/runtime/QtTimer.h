#pragma once
// A Timer that really ticks, on the Qt event loop.

#include <QTimer>
#include <functional>

#include "core/Timer.h"

namespace vyr {

class QtTimer final : public Timer {
 public:
  explicit QtTimer(std::function<void()> onTick) : onTick_(std::move(onTick)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { onTick_(); });
  }
  void SetInterval(int32_t milliseconds) override { timer_.setInterval(milliseconds); }
  // Switching on a running timer leaves its phase alone.
  void SetEnabled(bool enabled) override {
    if (enabled && !timer_.isActive()) timer_.start();
    if (!enabled) timer_.stop();
  }
  int32_t Interval() const override { return timer_.interval(); }
  bool Enabled() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
  std::function<void()> onTick_;
};

}  // namespace vyr
