#pragma once
// The wall clock, injectable so that tests can fix the date.

#include <cstdint>
#include <string>

namespace vyr {

struct DateTime {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  int millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() const = 0;
};

// Local time of the machine.
class SystemClock final : public Clock {
 public:
  DateTime Now() const override;
};

// A clock that shows whatever it is set to.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(const DateTime& at) : at_(at) {}
  void Set(const DateTime& at) { at_ = at; }
  DateTime Now() const override { return at_; }

 private:
  DateTime at_;
};

// Seconds from 1 January 1970 to `t`, the date read as it stands (no time
// zone): what differences of two dates need.
int64_t SecondsOf(const DateTime& t);

// "09:05:07.250": the time of day to the millisecond.
std::string FormatClockTime(const DateTime& t);
// "2011-03-01".
std::string FormatIsoDate(const DateTime& t);

// "3/1/2011 9:05:07 AM": the default date-time text of the log.
std::string FormatGeneralDate(const DateTime& t);
// "030111 0905": the stamp of a set-aside log.
std::string FormatArchiveStamp(const DateTime& t);

}  // namespace vyr
