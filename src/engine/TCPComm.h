#pragma once
// The panel's side of the link: connection, the three socket events, the
// one sending routine, the dispatcher of received messages and the handlers
// of the identification and name-table messages.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/Panel.h"
#include "link/Framing.h"

namespace vyr {

// More bytes than this waiting for the peer's acknowledgement (queued in the
// program or in the kernel), or none of them acknowledged for this long,
// mean the Server Module stopped reading: the link is dropped.
inline constexpr int64_t kSendQueueLimitBytes = 1 << 20;
inline constexpr int64_t kSendStallLimitMs = 10000;

// A connection attempt is left to finish for this long before the poll
// timer abandons it and starts another: a handshake across a VPN or WAN may
// take longer than a poll tick.
inline constexpr int64_t kConnectAttemptLimitMs = 10000;

// Starts a connection attempt, unless one is still under way: that one is
// left alone, or abandoned once it has lasted kConnectAttemptLimitMs.
void ConnectToServer(Panel& p);
// Closes the link; a connection that was up is reported lost for `reason`.
void DisconnectFromServer(Panel& p, const std::string& reason = "closed by the panel");
void scktSwitcher_Connect(Panel& p);
// Reads what the socket holds, up to the backlog limit (see
// ReceiveRoom), and handles the first message.
void scktSwitcher_Read(Panel& p);
// Reads into the receive buffer as far as ReceiveRoom allows; true when the
// socket had nothing more (the read ended in would-block).
bool ReadIntoBuffer(Panel& p);
// The Server Module's side closed; `reason` as the socket gives it.
void scktSwitcher_Disconnect(Panel& p,
                             const std::string& reason = "the Server Module closed the connection");

// Writes one complete message, exactly as given; true when the socket took
// all of it.
bool SendToSwitcher(Panel& p, const std::string& message);

// Handles the first whole message at the front of the receive buffer.
void ProcessCommand(Panel& p);
// Whole messages handled per tick of the decode timer: a burst is worked off
// in few passes of the event loop, and the loop still gets its turn between
// them.
inline constexpr int kMessagesPerDecodeTick = 256;

// One tick of the decode timer: up to kMessagesPerDecodeTick more messages;
// the timer goes off once the buffer is empty or holds only the start of a
// message. Bytes the read left in the socket for want of room are fetched
// once there is room again: they raise no new data event.
void tmrDecode_Timer(Panel& p);

void ProcessTypeRequest(Panel& p, const std::string& message);
void ProcessSwitcherType(Panel& p, const std::string& message);
void ProcessAlphaTable(Panel& p, const std::string& message);

}  // namespace vyr
