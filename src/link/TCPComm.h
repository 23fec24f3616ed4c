#pragma once
// The switcher link: connection, the three socket events, the one sending
// routine, the dispatcher of received messages and the parsers of the
// identification and name-table messages.

#include <cstddef>
#include <cstdint>
#include <string>

#include "link/Panel.h"

namespace vyr {

// Unsent bytes above this, or a queue that has not drained for this long,
// mean the Server Module stopped reading: the link is dropped.
inline constexpr int64_t kSendQueueLimitBytes = 1 << 20;
inline constexpr int64_t kSendStallLimitMs = 10000;

// Longer than the largest message (a full map of 16,383 outputs with 64
// tagged three-word entries each is under 8 MB): a start of a message this
// long without its end marker is dropped rather than kept growing.
inline constexpr std::size_t kMaxMessageBytes = 16u << 20;

void ConnectToServer(Panel& p);
void DisconnectFromServer(Panel& p);
void scktSwitcher_Connect(Panel& p);
void scktSwitcher_Read(Panel& p);
void scktSwitcher_Disconnect(Panel& p);

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
// message.
void tmrDecode_Timer(Panel& p);

void ProcessTypeRequest(Panel& p, const std::string& message);
void ProcessSwitcherType(Panel& p, const std::string& message);
void ProcessAlphaTable(Panel& p, const std::string& message);

}  // namespace vyr
