#pragma once
// The headless program's standard output, written without ever blocking the
// event loop: a reader that stops reading (a stalled journal, a terminal
// after Ctrl-S) must not stop the returns. Lines wait in a queue of at most
// 1 MiB and go out as the reader takes them. A line that does not fit is
// dropped and counted, and so is every line after it until the queue has
// drained; then the owner is told how many went missing, so that the gap is
// marked where it was.

#include <QSocketNotifier>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vyr {

inline constexpr std::size_t kLineOutputLimitBytes = 1 << 20;

class LineOutput {
 public:
  // Writes to `fd` (standard output); `limit` bounds the queue.
  explicit LineOutput(int fd, std::size_t limit = kLineOutputLimitBytes);
  ~LineOutput();
  LineOutput(const LineOutput&) = delete;
  LineOutput& operator=(const LineOutput&) = delete;

  // Called once the queue has drained after lines were dropped.
  std::function<void(uint64_t dropped)> onDrainedAfterDrops;

  // Queues one whole line (its end of line included); it goes out once the
  // event loop is free, so that printing never stands between a message and
  // the return it calls for.
  void Write(const std::string& line);
  // Writes what is queued, waiting for the reader for at most `waitMs` in
  // all (at the program's end).
  void Finish(int waitMs);

 private:
  // Writes as much as the reader takes now; true when the queue is empty.
  bool Drain();
  int64_t WriteSome(const char* bytes, std::size_t count);

  int fd_;                 // where the bytes go
  int stdFd_;              // the descriptor given
  int ownFd_ = -1;         // a non-blocking description of it, ours alone
  int restoreFlags_ = -1;  // the flags to put back when O_NONBLOCK had to be set on fd_
  bool socket_ = false;    // written with send(MSG_DONTWAIT)
  bool broken_ = false;    // the reader is gone for good
  std::size_t limit_;
  std::string queue_;
  std::size_t head_ = 0;  // bytes of queue_ already written
  uint64_t dropped_ = 0;
  QTimer soon_;
  std::unique_ptr<QSocketNotifier> writable_;
};

}  // namespace vyr
