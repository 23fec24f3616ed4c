#include "core/ErrorLog.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <tuple>
#include <vector>

namespace vyr {

namespace fs = std::filesystem;

namespace {

// The maker lines of the header; only their indentation is fixed.
const char* const kHeader[] = {
    "             V Y R T A N E   A U D I O   S Y S T E M S",
    "",
    "                   418 Fenwick Quay",
    "                   Harlow Bay, OR 97000",
    "                   Tel (555) 014-2290   support@vyrtane.example",
    "",
    "",
    "VYR Kestle Soft Panel Error Logfile",
    "",
    " DATE     TIME           LOCATION                           MESSAGE DESCRIPTION",
    "--------------------------------------------------------------------------------",
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void PadTo(std::string& text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
}

fs::path Folder(const std::string& folder) { return folder.empty() ? "." : folder; }

bool Digits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A log set aside earlier: "Errorlog MMDDYY HHMM.txt" (copy 1) or
// "Errorlog MMDDYY HHMM (N).txt". Other files are never touched.
struct SetAsideLog {
  fs::path path;
  std::string stamp;  // "MMDDYY HHMM"
  std::string order;  // "YYMMDDHHMM": the stamp in time order
  int copy = 1;
  fs::file_time_type written;
  bool file = true;  // a folder of that name only takes the name
};

std::optional<SetAsideLog> ParseSetAside(const fs::path& path) {
  const std::string name = path.filename().string();
  const std::string_view prefix = "Errorlog ", suffix = ".txt";
  if (name.size() < prefix.size() + 11 + suffix.size() || !name.starts_with(prefix) ||
      !name.ends_with(suffix)) {
    return std::nullopt;
  }
  const std::string_view stamp = std::string_view(name).substr(prefix.size(), 11);
  if (!Digits(stamp.substr(0, 6)) || stamp[6] != ' ' || !Digits(stamp.substr(7))) {
    return std::nullopt;
  }
  std::string_view rest = std::string_view(name).substr(prefix.size() + 11);
  rest.remove_suffix(suffix.size());
  int copy = 1;
  if (!rest.empty()) {
    if (rest.size() < 4 || !rest.starts_with(" (") || !rest.ends_with(")")) return std::nullopt;
    const std::string_view number = rest.substr(2, rest.size() - 3);
    if (!Digits(number) || number.size() > 6) return std::nullopt;
    copy = std::stoi(std::string(number));
  }
  SetAsideLog log{path, std::string(stamp), "", copy, {}};
  log.order = log.stamp.substr(4, 2) + log.stamp.substr(0, 4) + log.stamp.substr(7);
  std::error_code ec;
  log.written = fs::last_write_time(path, ec);
  log.file = fs::is_regular_file(path, ec);
  return log;
}

std::vector<SetAsideLog> SetAsideLogs(const fs::path& folder) {
  std::vector<SetAsideLog> logs;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (auto log = ParseSetAside(it->path())) logs.push_back(std::move(*log));
  }
  return logs;
}

}  // namespace

std::string BuildErrorMessage(const std::string& description, int32_t number,
                              const std::string& errorText) {
  const std::string sign = number < 0 ? "" : " ";
  return description + ": Error # " + sign + std::to_string(number) + " - " + errorText;
}

std::string BuildLogLine(const std::string& dateText, const std::string& category,
                         const std::string& message) {
  std::string line = dateText;
  PadTo(line, 24);
  line += category;
  PadTo(line, 60);
  return line + message;
}

std::string ErrorLog::LogPath() const { return folder_ + "Errorlog.txt"; }

std::string ErrorLog::ArchivePath(const DateTime& at, int copy) const {
  const std::string suffix = copy < 2 ? "" : " (" + std::to_string(copy) + ")";
  return folder_ + "Errorlog " + FormatArchiveStamp(at) + suffix + ".txt";
}

void ErrorLog::ReportError(const std::string& description, const std::string& category,
                           const RuntimeError& error) {
  WriteErrorLog(BuildErrorMessage(description, error.number(), error.text()), category);
}

void ErrorLog::WriteErrorLog(const std::string& message, const std::string& category) {
  const DateTime now = clock_.Now();
  // The log's report of its own failure follows a line that was written;
  // it neither counts as a repeat nor ends a count.
  if (depth_ == 0 && countRepeats_) {
    const int64_t elapsed = SecondsOf(now) - SecondsOf(last_.since);
    if (last_.open && last_.message == message && last_.category == category && elapsed >= 0 &&
        elapsed < kErrorLogRepeatSeconds) {
      ++last_.count;
      return;
    }
    WriteRepeatCount(now);
    last_ = {message, category, now, 0, true};
  }
  Append(now, message, category);
}

void ErrorLog::Tick() {
  if (!last_.open) return;
  const DateTime now = clock_.Now();
  const int64_t elapsed = SecondsOf(now) - SecondsOf(last_.since);
  if (elapsed < 0 || elapsed >= kErrorLogRepeatSeconds) WriteRepeatCount(now);
}

void ErrorLog::EndRepeats() { WriteRepeatCount(clock_.Now()); }

void ErrorLog::WriteRepeatCount(const DateTime& now) {
  const Repeats ended = last_;
  last_.open = false;
  last_.count = 0;
  if (ended.open && ended.count > 0) {
    Append(now, "last message repeated " + std::to_string(ended.count) + " times", ended.category);
  }
}

void ErrorLog::Append(const DateTime& now, const std::string& message,
                      const std::string& category) {
  const std::string line = BuildLogLine(FormatGeneralDate(now), category, message);
  if (echo_) echo_(line);
  if (!writeToFile_) return;

  // Counts this call's depth even when something other than a run-time
  // error leaves the block.
  struct Depth {
    int& depth;
    explicit Depth(int& d) : depth(++d) {}
    ~Depth() { --depth; }
  } guard(depth_);
  try {
    const fs::path log = LogPath();
    std::error_code ec;
    const bool exists = fs::exists(log, ec);
    if (exists && fs::file_size(log, ec) >= kErrorLogRotateBytes && !ec) SetAside(now);
    if (!fs::exists(log, ec)) CreateErrorLog();

    File out(std::fopen(log.c_str(), "ab"));
    if (!out) RaiseFromErrno(errno);
    const std::string record = line + "\r\n";
    if (std::fwrite(record.data(), 1, record.size(), out.get()) != record.size()) {
      RaiseFromErrno(errno);
    }
    if (std::fclose(out.release()) != 0) RaiseFromErrno(errno);
  } catch (const RuntimeError& e) {
    // The failure is reported through the log itself, but only once: a log
    // that cannot be written must not chase its own tail.
    if (depth_ == 1) ReportError("Error writing to Error file", "File Error", e);
  }
}

void ErrorLog::SetAside(const DateTime& now) {
  std::vector<SetAsideLog> logs = SetAsideLogs(Folder(folder_));
  // The name tells the minute only: a later copy within the same minute is
  // numbered one above the highest of that minute, so names never repeat
  // and their numbers keep their order.
  const std::string stamp = FormatArchiveStamp(now);
  int copy = 1;
  for (const SetAsideLog& old : logs) {
    if (old.stamp == stamp) copy = std::max(copy, old.copy + 1);
  }
  // Room for this one first, so that the folder never holds more than the
  // cap: the oldest go, by the time they were made, then by their names.
  std::erase_if(logs, [](const SetAsideLog& log) { return !log.file; });
  std::sort(logs.begin(), logs.end(), [](const SetAsideLog& a, const SetAsideLog& b) {
    return std::tie(a.written, a.order, a.copy) < std::tie(b.written, b.order, b.copy);
  });
  std::error_code ec;
  for (std::size_t i = 0; i + kErrorLogSetAsidesKept <= logs.size(); ++i) {
    fs::remove(logs[i].path, ec);
  }
  fs::copy_file(LogPath(), ArchivePath(now, copy), fs::copy_options::overwrite_existing, ec);
  if (ec) RaiseFromErrno(ec.value());
  fs::remove(LogPath(), ec);
  if (ec) RaiseFromErrno(ec.value());
}

void ErrorLog::CreateErrorLog() {
  // A failure here is not reported; the caller goes on to append its line.
  File out(std::fopen(LogPath().c_str(), "wb"));
  if (!out) return;
  for (const char* headerLine : kHeader) {
    std::fputs(headerLine, out.get());
    std::fputs("\r\n", out.get());
  }
}

}  // namespace vyr
