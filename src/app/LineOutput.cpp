#include "app/LineOutput.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QObject>
#include <cerrno>
#include <chrono>
#include <utility>

namespace vyr {

LineOutput::LineOutput(int fd, std::size_t limit) : fd_(fd), stdFd_(fd), limit_(limit) {
  struct stat info {};
  if (fstat(fd, &info) == 0) {
    if (S_ISSOCK(info.st_mode)) {
      socket_ = true;  // the journal: send() can refuse to wait without any flag
    } else if (S_ISFIFO(info.st_mode) || isatty(fd)) {
      // A description of our own: O_NONBLOCK on the shared one would reach the
      // shell or whoever else writes to the same pipe or terminal.
      const std::string self = "/proc/self/fd/" + std::to_string(fd);
      ownFd_ = open(self.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
      if (ownFd_ >= 0) {
        fd_ = ownFd_;
      } else if (const int flags = fcntl(fd, F_GETFL); flags >= 0) {
        if (fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0) restoreFlags_ = flags;
      }
    }
    // Anything else (a file, /dev/null) takes every write at once.
  }
  soon_.setSingleShot(true);
  soon_.setInterval(0);
  QObject::connect(&soon_, &QTimer::timeout, [this] { Drain(); });
}

LineOutput::~LineOutput() {
  writable_.reset();
  if (ownFd_ >= 0) close(ownFd_);
  if (restoreFlags_ >= 0) fcntl(stdFd_, F_SETFL, restoreFlags_);
}

void LineOutput::Write(const std::string& line) {
  if (broken_) return;
  // Once a line is dropped the rest wait for the queue to drain too, so that
  // the count marks one gap in the output, where it was.
  if (dropped_ > 0 || queue_.size() - head_ + line.size() > limit_) {
    ++dropped_;
    return;
  }
  queue_ += line;
  const bool waiting = writable_ && writable_->isEnabled();
  if (!waiting && !soon_.isActive()) soon_.start();
}

int64_t LineOutput::WriteSome(const char* bytes, std::size_t count) {
  if (socket_) return send(fd_, bytes, count, MSG_DONTWAIT | MSG_NOSIGNAL);
  return write(fd_, bytes, count);
}

bool LineOutput::Drain() {
  while (head_ < queue_.size()) {
    const int64_t n = WriteSome(queue_.data() + head_, queue_.size() - head_);
    if (n > 0) {
      head_ += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
      // The reader is behind: go on when it has taken some.
      if (!writable_) {
        writable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
        QObject::connect(writable_.get(), &QSocketNotifier::activated, [this] { Drain(); });
      }
      writable_->setEnabled(true);
      if (head_ > queue_.size() / 2) queue_.erase(0, std::exchange(head_, 0));
      return false;
    }
    // The reader is gone for good (a closed pipe): nothing will be read again.
    broken_ = true;
    break;
  }
  queue_.clear();
  head_ = 0;
  if (writable_) writable_->setEnabled(false);
  if (dropped_ > 0 && !broken_) {
    const uint64_t dropped = std::exchange(dropped_, 0);
    if (onDrainedAfterDrops) onDrainedAfterDrops(dropped);
  }
  return true;
}

void LineOutput::Finish(int waitMs) {
  soon_.stop();
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    Drain();  // may queue the count of dropped lines
    if (broken_ || head_ >= queue_.size()) break;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd ready{fd_, POLLOUT, 0};
    poll(&ready, 1, static_cast<int>(left.count()));
  }
}

}  // namespace vyr
