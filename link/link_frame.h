// The GUI link's framing on the TCP stream: each record travels as the magic "MrV\0" followed by
// the record. A frame with size 0 is the goodbye: its sender closes the connection right after it.
#pragma once

#include <cstdint>

#include "link/message_queue.h"

namespace plat {
class Clock;
}

namespace glink {

inline constexpr int kFrameHeader = 4;                             // the magic
inline constexpr int kFrameBufferSize = kSlotSize + kFrameHeader;  // 408
inline constexpr int kReceiveBufferSize = 1000;
inline constexpr std::uint8_t kFrameMagic[kFrameHeader] = {0x4D, 0x72, 0x56, 0x00};  // "MrV\0"
inline constexpr std::uint8_t kGoodbyeFrame[6] = {0x4D, 0x72, 0x56, 0x00, 0x00, 0x00};

// Cuts complete frames from the start of buf (count received bytes) into the receiving queue.
// Returns the number of bytes kept at the start of buf for the next pass (an incomplete frame, or a
// frame waiting for a free slot: then it sleeps 10 ms on clock first), or -1 when the connection
// must end: a goodbye frame, or a size that cannot be a record (1, 2 or above 404). A magic that
// does not match stops parsing at that place; the stream is not resynchronised. The rest of a slot
// behind a queued record is zeroed, so a short record never shows the bytes of an older one.
int ParseFrames(std::uint8_t* buf, int count, MessageQueue& receiving, plat::Clock& clock);

// Builds the frame of a record into out (the sender's 408-byte frame buffer); returns the number of
// bytes to send, size + 4. A record whose size cannot be a record (below 3 or above 404) gives 0
// and nothing is sent: a size of 0 would otherwise go out as a goodbye and end the connection.
int BuildFrame(const std::uint8_t* record, std::uint8_t* out);

}  // namespace glink
