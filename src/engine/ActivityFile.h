#pragma once
// The daily activity file: every activity line, as the headless program
// prints it, appended to "Activity YYYY-MM-DD.txt" in the program folder
// beside the error log, a new file each day by the local clock. Lines are
// gathered and written on each poll tick (and at 64 KiB, a new day and the
// end): a burst of events costs one write, not one a line. Files of
// that name older than kActivityDaysKept days are removed at start and
// when the day changes; no other file is ever touched. A file that cannot
// be written costs one error-log line (until a line is written again) and
// never stops the panel.

#include <string>

#include "core/Clock.h"
#include "core/ErrorLog.h"
#include "engine/Activity.h"

namespace vyr {

inline constexpr int kActivityDaysKept = 31;

class ActivityFile final : public ActivityListener {
 public:
  // `folder` is the program folder as start-up sets it, followed like the
  // error log follows it.
  ActivityFile(const std::string& folder, const Clock& clock, ErrorLog& log)
      : folder_(folder), clock_(clock), log_(log) {}
  ~ActivityFile() override;
  ActivityFile(const ActivityFile&) = delete;
  ActivityFile& operator=(const ActivityFile&) = delete;

  // The folder is known: old files go, and lines are written from now on.
  void Start();
  // Writes the lines gathered, and notices midnight without waiting for a
  // line; called by the poll timer.
  void Tick();
  static constexpr std::size_t kFlushBytes = 64 * 1024;
  void ActivityLine(const DateTime& at, const std::string& text) override;

  // "Activity 2011-03-01.txt" in the folder.
  std::string PathFor(const DateTime& day) const;

 private:
  void NewDay(const DateTime& at);
  void RemoveOldFiles(const DateTime& today) const;
  void Flush();
  void Close();
  bool SameDay(const DateTime& at) const {
    return at.year == day_.year && at.month == day_.month && at.day == day_.day;
  }

  const std::string& folder_;
  const Clock& clock_;
  ErrorLog& log_;
  bool started_ = false;
  DateTime day_;         // of the file written
  int fd_ = -1;          // open for the day, reopened after a failure
  bool failed_ = false;  // said in the error log; quiet until a line is written
  std::string pending_;  // lines not yet written
};

}  // namespace vyr
