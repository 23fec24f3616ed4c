#include "core/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "core/RuntimeError.h"

namespace vyr {

namespace {

// Closes the descriptor and removes the unfinished file unless released.
class PendingFile {
 public:
  PendingFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  ~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!done_) ::unlink(path_.c_str());
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  int fd() const { return fd_; }
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }
  void Done() { done_ = true; }

 private:
  std::string path_;
  int fd_;
  bool done_ = false;
};

void SyncFolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir < 0) return;  // best effort: the rename itself has happened
  ::fsync(dir);
  ::close(dir);
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".new";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0) RaiseFromErrno(errno);
  PendingFile file(temp, fd);
  // O_CREAT's mode applies only to a new file; a leftover one is tightened.
  if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) RaiseFromErrno(errno);

  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseFromErrno(errno);
    }
    written += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) RaiseFromErrno(errno);
  if (file.Close() != 0) RaiseFromErrno(errno);
  if (std::rename(temp.c_str(), path.c_str()) != 0) RaiseFromErrno(errno);
  file.Done();
  SyncFolderOf(path);
}

std::string ReadWholeFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (errno == ENOENT) Raise(kErrFileNotFound);
    Raise(kErrPathFileAccess);
  }
  std::string bytes;
  char chunk[8192];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) Raise(kErrPathFileAccess);
  return bytes;
}

}  // namespace vyr
