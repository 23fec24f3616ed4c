#pragma once
// A switcher socket that records what is written and hands out queued bytes.

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "link/SwitcherSocket.h"

namespace vyr::test {

class FakeSocket final : public SwitcherSocket {
 public:
  // How one write call answers; without a script every write takes it all.
  struct WriteAnswer {
    int64_t returned;
    int32_t lastError;
    int64_t bytesWritten;
  };
  bool connected = true;
  int16_t connectCode = 0;
  int connects = 0, closes = 0;
  std::string host;
  int32_t port = 0, errorAfterRead = kWouldBlock;
  std::string incoming;             // bytes waiting to be read
  std::vector<std::string> writes;  // every write call's bytes
  std::deque<WriteAnswer> writeScript;
  int64_t pending = 0, stalledMs = 0;
  int64_t connectingMs = -1;  // an attempt under way for so long (-1: none, as after a refusal)

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
    if (incoming.empty()) return (lastError_ = errorAfterRead) == kWouldBlock ? 0 : -1;
    const std::size_t n = std::min<std::size_t>(incoming.size(), static_cast<std::size_t>(max));
    incoming.copy(into, n), incoming.erase(0, n);
    return static_cast<int64_t>(n);
  }
  int64_t Write(const char* bytes, int64_t count) override {
    writes.emplace_back(bytes, static_cast<std::size_t>(count));
    if (writeScript.empty()) return bytesWritten_ = count;
    const WriteAnswer a = writeScript.front();
    writeScript.pop_front();
    lastError_ = a.lastError, bytesWritten_ = a.bytesWritten;
    return a.returned;
  }
  int32_t LastError() const override { return lastError_; }
  bool IsConnected() const override { return connected; }
  int64_t BytesWritten() const override { return bytesWritten_; }
  int64_t PendingBytes() const override { return pending; }
  int64_t StalledMilliseconds() const override { return stalledMs; }

 private:
  int32_t lastError_ = 0;
  int64_t bytesWritten_ = 0;
};

}  // namespace vyr::test
