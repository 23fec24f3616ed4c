#pragma once
// A timer as the routines see it: an interval and an on/off switch. The
// program's event loop provides the real one; ManualTimer only records.

#include <cstdint>

namespace vyr {

class Timer {
 public:
  virtual ~Timer() = default;
  virtual void SetInterval(int32_t milliseconds) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual int32_t Interval() const = 0;
  virtual bool Enabled() const = 0;
};

// Holds the settings and fires nothing; for tests and one-shot commands.
class ManualTimer final : public Timer {
 public:
  void SetInterval(int32_t milliseconds) override { interval_ = milliseconds; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  int32_t Interval() const override { return interval_; }
  bool Enabled() const override { return enabled_; }

 private:
  int32_t interval_ = 500;
  bool enabled_ = false;
};

}  // namespace vyr
