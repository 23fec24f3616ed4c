#include "core/ErrorLog.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

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

std::string ErrorLog::LogPath() const { return state_.sAppPath + "Errorlog.txt"; }

std::string ErrorLog::ArchivePath(const DateTime& at, int copy) const {
  const std::string suffix = copy < 2 ? "" : " (" + std::to_string(copy) + ")";
  return state_.sAppPath + "Errorlog " + FormatArchiveStamp(at) + suffix + ".txt";
}

void ErrorLog::ReportError(const std::string& description, const std::string& category,
                           const RuntimeError& error) {
  WriteErrorLog(BuildErrorMessage(description, error.number(), error.text()), category);
}

void ErrorLog::WriteErrorLog(const std::string& message, const std::string& category) {
  const DateTime now = clock_.Now();
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
    if (exists && fs::file_size(log, ec) >= kErrorLogRotateBytes && !ec) {
      // The name tells the minute only: a second full log within the same
      // minute gets a numbered name instead of replacing the first.
      fs::path archive = ArchivePath(now);
      for (int copy = 2; fs::exists(archive, ec) && copy <= 99; ++copy) {
        archive = ArchivePath(now, copy);
      }
      fs::copy_file(log, archive, fs::copy_options::overwrite_existing, ec);
      if (ec) RaiseFromErrno(ec.value());
      fs::remove(log, ec);
      if (ec) RaiseFromErrno(ec.value());
    }
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
