#include "engine/ActivityFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

namespace vyr {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefix = "Activity ";
constexpr const char* kSuffix = ".txt";

// The date in "Activity YYYY-MM-DD.txt", or false for any other name.
bool DateOfName(const std::string& name, DateTime& date) {
  const std::string prefix = kPrefix, suffix = kSuffix;
  if (name.size() != prefix.size() + 10 + suffix.size() || !name.starts_with(prefix) ||
      !name.ends_with(suffix)) {
    return false;
  }
  const std::string ymd = name.substr(prefix.size(), 10);
  for (std::size_t i = 0; i < ymd.size(); ++i) {
    const bool dash = i == 4 || i == 7;
    if (dash ? ymd[i] != '-' : (ymd[i] < '0' || ymd[i] > '9')) return false;
  }
  date = DateTime{std::stoi(ymd.substr(0, 4)), std::stoi(ymd.substr(5, 2)),
                  std::stoi(ymd.substr(8, 2))};
  using namespace std::chrono;
  return year_month_day{year{date.year}, month{static_cast<unsigned>(date.month)},
                        day{static_cast<unsigned>(date.day)}}
      .ok();
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

ActivityFile::~ActivityFile() {
  Flush();
  Close();
}

std::string ActivityFile::PathFor(const DateTime& day) const {
  return folder_ + kPrefix + FormatIsoDate(day) + kSuffix;
}

void ActivityFile::Start() {
  started_ = true;
  NewDay(clock_.Now());
}

void ActivityFile::Tick() {
  if (!started_) return;
  const DateTime now = clock_.Now();
  if (!SameDay(now)) NewDay(now);
  Flush();
}

void ActivityFile::NewDay(const DateTime& at) {
  Flush();  // the day's last lines go to the day's file
  Close();
  day_ = at;
  RemoveOldFiles(at);
}

void ActivityFile::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

void ActivityFile::RemoveOldFiles(const DateTime& today) const {
  const int64_t midnight = SecondsOf(DateTime{today.year, today.month, today.day});
  std::error_code ec;
  for (fs::directory_iterator it(folder_.empty() ? "." : folder_, ec), end; !ec && it != end;
       it.increment(ec)) {
    DateTime date;
    if (!DateOfName(it->path().filename().string(), date)) continue;
    if ((midnight - SecondsOf(date)) / 86400 <= kActivityDaysKept) continue;
    std::error_code type;
    if (!it->is_regular_file(type)) continue;  // a folder or link of that name stays
    fs::remove(it->path(), type);
  }
}

void ActivityFile::ActivityLine(const DateTime& at, const std::string& text) {
  if (!started_) return;  // the folder is not known yet
  if (!SameDay(at)) NewDay(at);
  pending_ += StampedLine(at, text);
  pending_ += '\n';
  if (pending_.size() >= kFlushBytes) Flush();
}

void ActivityFile::Flush() {
  if (pending_.empty()) return;
  // Taken out first: the error log's line about a failure comes back here.
  std::string bytes;
  bytes.swap(pending_);
  const std::string path = PathFor(day_);
  if (fd_ < 0) fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd_ >= 0 && WriteAll(fd_, bytes)) {
    failed_ = false;
    return;
  }
  const int err = errno;
  Close();  // the next flush tries a fresh open
  if (failed_) return;
  // Said once; set first, since the error log's own line comes back here.
  failed_ = true;
  try {
    RaiseFromErrno(err);
  } catch (const RuntimeError& e) {
    log_.ReportError("Error Writing " + fs::path(path).filename().string(), "File Error", e);
  }
}

}  // namespace vyr
