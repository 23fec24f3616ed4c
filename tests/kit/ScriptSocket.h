#pragma once
// The one stand-in socket of tests, fuzzers and benchmarks: hands out bytes
// queued or lent to it, records or counts what is written, answers writes
// from a script, and lets a hook check each write.

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "link/SwitcherSocket.h"

namespace vyr::kit {

class ScriptSocket final : public SwitcherSocket {
 public:
  bool connected = true;
  int16_t connectCode = 0;  // what Connect answers
  int connects = 0, closes = 0;
  std::string host;
  int32_t port = 0;
  bool failReads = false;         // a read with nothing waiting fails instead
  std::size_t segment = 1 << 20;  // at most this many bytes per read
  bool keepWrites = true;         // record each write's bytes in `writes`
  std::vector<std::string> writes;
  int64_t writeCount = 0;
  std::deque<WriteResult> writeScript;            // answers of the next writes; then kTaken
  std::function<void(std::string_view)> onWrite;  // sees every write first
  int64_t pending = 0, stalledMs = 0;
  int64_t connectingMs = -1;  // an attempt under way for so long (-1: none)

  // Bytes for the reads, after those still waiting.
  void Queue(std::string_view bytes) {
    own_.erase(0, at_), at_ = 0;
    own_.append(lent_.substr(lentAt_)), lent_ = {}, lentAt_ = 0;
    own_ += bytes;
  }
  // Bytes for the reads without a copy: they must outlive the reads.
  void Lend(std::string_view bytes) { own_.clear(), at_ = 0, lent_ = bytes, lentAt_ = 0; }
  std::size_t Waiting() const { return own_.size() - at_ + lent_.size() - lentAt_; }

  // Everything written, in order.
  std::string Sent() const {
    std::string all;
    for (const std::string& w : writes) all += w;
    return all;
  }

  void SetRemote(const std::string& h, int32_t p) override { host = h, port = p; }
  int16_t Connect() override { return ++connects, connectCode; }
  int64_t ConnectingMilliseconds() const override { return connectingMs; }
  void Close() override { ++closes, connected = false, connectingMs = -1; }
  int64_t Read(char* into, int64_t max) override {
    const std::size_t room = std::min(segment, static_cast<std::size_t>(max));
    std::size_t n = std::min(own_.size() - at_, room);
    if (n > 0) {
      own_.copy(into, n, at_), at_ += n;
    } else {
      n = std::min(lent_.size() - lentAt_, room);
      lent_.copy(into, n, lentAt_), lentAt_ += n;
    }
    if (n == 0) return failReads ? -1 : 0;
    return static_cast<int64_t>(n);
  }
  WriteResult Write(std::string_view bytes) override {
    if (!connected) return WriteResult::kNotConnected;
    if (onWrite) onWrite(bytes);
    ++writeCount;
    if (keepWrites) writes.emplace_back(bytes);
    if (writeScript.empty()) return WriteResult::kTaken;
    const WriteResult answer = writeScript.front();
    writeScript.pop_front();
    return answer;
  }
  bool IsConnected() const override { return connected; }
  int64_t PendingBytes() const override { return pending; }
  int64_t StalledMilliseconds() const override { return stalledMs; }

 private:
  std::string own_;
  std::size_t at_ = 0;
  std::string_view lent_;
  std::size_t lentAt_ = 0;
};

}  // namespace vyr::kit
