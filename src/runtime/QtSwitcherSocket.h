#pragma once
// The program's connection to the Server Module: a QTcpSocket behind the
// switcher-socket interface, with Nagle off so that a return never waits for
// the acknowledgement of an earlier small write. Its read buffer is bounded:
// bytes the panel has no room for stay in the kernel, and TCP flow control
// slows the Server Module.

#include <QElapsedTimer>
#include <QTcpSocket>
#include <functional>
#include <string>

#include "link/DrainClock.h"
#include "link/SwitcherSocket.h"

namespace vyr {

class QtSwitcherSocket final : public SwitcherSocket {
 public:
  QtSwitcherSocket();
  ~QtSwitcherSocket() override;
  QtSwitcherSocket(const QtSwitcherSocket&) = delete;
  QtSwitcherSocket& operator=(const QtSwitcherSocket&) = delete;

  // The three events, and an attempt that ended without a connection.
  std::function<void()> onConnected;
  std::function<void()> onDataArrived;
  std::function<void()> onClosedByPeer;
  std::function<void(const std::string&)> onConnectFailed;

  void SetRemote(const std::string& host, int32_t port) override;
  int16_t Connect() override;
  int64_t ConnectingMilliseconds() const override;
  void Close() override;
  int64_t Read(char* into, int64_t max) override;
  WriteResult Write(std::string_view bytes) override;
  bool IsConnected() const override;
  // Bytes not yet acknowledged by the peer: those still queued here and
  // those the kernel holds (sent or not), and for how long none of them
  // has been acknowledged. A peer that stopped reading closes its window;
  // the kernel's buffer then takes megabytes before this queue grows.
  int64_t PendingBytes() const override;
  int64_t StalledMilliseconds() const override;

  // While held, writes gather in the socket's buffer and go out together
  // when the hold ends: a batch of returns costs one system call, not one
  // each.
  void Hold(bool hold);

  // What the socket last failed with ("The remote host closed the
  // connection").
  std::string ErrorText() const { return socket_.errorString().toStdString(); }

 private:
  QTcpSocket socket_;
  std::string host_;
  int32_t port_ = 0;
  bool closing_ = false;    // our own Close: no closed-by-peer event
  bool connected_ = false;  // this attempt reached the connected state
  bool hold_ = false;
  // Takes a new count of the unacknowledged bytes when the last is older
  // than kLookEveryMs (or `now` is set): each look is a system call, and a
  // burst of returns must not pay one per message.
  void Look(bool now = false) const;

  QElapsedTimer clock_;
  // What the last look found, and what was written since; the const checks
  // update them.
  mutable DrainClock drain_;
  mutable int64_t lookedAt_ = -1;  // clock_ time, -1: never
  mutable int64_t unackedAtLook_ = 0, stalledAtLook_ = 0, writtenSinceLook_ = 0;
  QElapsedTimer attempt_;  // since the last Connect
};

}  // namespace vyr
