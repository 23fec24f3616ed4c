#pragma once
// The error log: every routine hands its run-time errors to ReportError,
// which appends one line to Errorlog.txt in the program folder. Errors are
// never shown to the user; a full log is set aside under a dated name.
// A storm of one error costs two lines a minute, and the set-aside logs are
// capped, so the logs never take more than about 11 MB of disk.

#include <cstdint>
#include <exception>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "core/Clock.h"
#include "core/RuntimeError.h"

namespace vyr {

inline constexpr std::uintmax_t kErrorLogRotateBytes = 1024000;
// Set-aside logs kept in the folder; the oldest beyond that are removed.
inline constexpr int kErrorLogSetAsidesKept = 10;
// A line repeated within this many seconds of its first writing is counted,
// not written (the syslog convention).
inline constexpr int64_t kErrorLogRepeatSeconds = 60;

class ErrorLog {
 public:
  // `folder` is the program folder as start-up sets it (empty: the working
  // folder); the log follows it, so it may be given before it is known.
  ErrorLog(const std::string& folder, const Clock& clock) : folder_(folder), clock_(clock) {}

  // Every line is also handed to `echo` (the panel's host turns it into an
  // event).
  void SetEcho(std::function<void(const std::string&)> echo) { echo_ = std::move(echo); }
  // Off: lines go only to the echo and no file is touched (read-only checks).
  void SetWriteToFile(bool on) { writeToFile_ = on; }
  // Off: a repeated line is written again like any other.
  void SetCountRepeats(bool on) { countRepeats_ = on; }

  // "<description>: Error # <n> - <error text>" into the log.
  void ReportError(const std::string& description, const std::string& category,
                   const RuntimeError& error);
  // A line identical to the last one but for its time, within a minute of
  // it, is only counted; "last message repeated N times" follows when a
  // different line comes, or when Tick or EndRepeats finds the minute over.
  void WriteErrorLog(const std::string& message, const std::string& category);
  void CreateErrorLog();
  // Ends a count of repeats whose minute is over; called by the poll timer.
  void Tick();
  // Writes a count of repeats still open, at the program's end.
  void EndRepeats();

  std::string LogPath() const;
  // "Errorlog MMDDYY HHMM.txt", or "... HHMM (2).txt" and up for a later
  // copy within the same minute.
  std::string ArchivePath(const DateTime& at, int copy = 1) const;

 private:
  // The last line written and how often it came again since.
  struct Repeats {
    std::string message, category;
    DateTime since;
    int64_t count = 0;
    bool open = false;
  };

  void Append(const DateTime& now, const std::string& message, const std::string& category);
  void SetAside(const DateTime& now);
  void WriteRepeatCount(const DateTime& now);

  const std::string& folder_;
  const Clock& clock_;
  std::function<void(const std::string&)> echo_;
  bool writeToFile_ = true;
  bool countRepeats_ = true;
  int depth_ = 0;  // a failing log reports itself once, never deeper
  Repeats last_;
};

// The message text ReportError builds.
std::string BuildErrorMessage(const std::string& description, int32_t number,
                              const std::string& errorText);
// The line WriteErrorLog appends: date padded to 24, category padded to 60.
std::string BuildLogLine(const std::string& dateText, const std::string& category,
                         const std::string& message);

// Runs `body`; a run-time error is reported with the routine's fixed
// description and category. Out-of-memory becomes error 7, and any other
// exception error 51, so that nothing escapes a routine. Returns false when
// it failed.
template <class Body>
bool Trap(ErrorLog& log, const char* description, const char* category, Body&& body) {
  try {
    body();
    return true;
  } catch (const RuntimeError& e) {
    log.ReportError(description, category, e);
  } catch (const std::bad_alloc&) {
    log.ReportError(description, category, RuntimeError(kErrOutOfMemory));
  } catch (const std::length_error&) {
    log.ReportError(description, category, RuntimeError(kErrOutOfMemory));
  } catch (const std::exception&) {
    log.ReportError(description, category, RuntimeError(kErrInternal));
  }
  return false;
}

}  // namespace vyr
