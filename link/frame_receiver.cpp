#include "link/frame_receiver.h"

#include <cstring>

#include "platform/thread.h"
#include "platform/bytes.h"

namespace glink {

namespace {

// Why ParseFrames gave up on count bytes at the start of buf: it stops at a goodbye or at a size
// that cannot be a record, after the complete frames before it.
ReceiveStatus EndReason(const std::uint8_t* buf, int count) {
  int pos = 0;
  while (pos + kFrameHeader + 2 <= count) {
    const int size = plat::GetU16(buf + pos + kFrameHeader);
    if (size == 0) return ReceiveStatus::kGoodbye;
    if (size < 3 || size > kSlotSize) break;
    pos += size + kFrameHeader;
  }
  return ReceiveStatus::kUnusable;
}

}  // namespace

void FrameReceiver::Wait(plat::Socket socket, int maxMs, plat::Clock& clock) {
  if (kept_ >= kReceiveBufferSize) {
    clock.Sleep(static_cast<std::uint32_t>(maxMs));
    return;
  }
  // An error shows again in the next Pass, which ends the connection.
  plat::PollReadable(socket, maxMs);
}

ReceiveStatus FrameReceiver::Pass(plat::Socket socket, MessageQueue& receiving,
                                  plat::Clock& clock) {
  const int readable = plat::PollReadable(socket, 0);
  if (readable < 0) return ReceiveStatus::kError;
  bool parsed = false;
  if (readable > 0) {
    if (kept_ >= kReceiveBufferSize) {
      // A full buffer either waits for queue room (it then starts with a complete frame) or starts
      // with bytes that are no frame, which no later pass could ever parse.
      if (std::memcmp(buffer_, kFrameMagic, kFrameHeader) != 0) return ReceiveStatus::kUnusable;
    } else {
      const int received = plat::Recv(socket, buffer_ + kept_, kReceiveBufferSize - kept_);
      if (received < 0) return ReceiveStatus::kError;
      if (received == 0) return ReceiveStatus::kClosed;
      const int count = kept_ + received;
      const int left = ParseFrames(buffer_, count, receiving, clock);
      if (left < 0) {
        kept_ = 0;
        return EndReason(buffer_, count);
      }
      kept_ = left;
      parsed = true;
    }
  }
  if (!parsed && kept_ > 0 && receiving.pending() < kQueueSlots) {
    // A goodbye may have waited behind a frame for which the queue had no room.
    const int left = ParseFrames(buffer_, kept_, receiving, clock);
    if (left < 0) {
      const ReceiveStatus reason = EndReason(buffer_, kept_);
      kept_ = 0;
      return reason;
    }
    kept_ = left;
  }
  return ReceiveStatus::kOpen;
}

bool SendRecord(plat::Socket socket, const std::uint8_t* record, std::uint8_t* frame,
                int waitMs) {
  const int length = BuildFrame(record, frame);
  if (length == 0) return true;
  if (waitMs >= 0) return plat::SendWithin(socket, frame, length, waitMs) == length;
  return plat::Send(socket, frame, length) == length;
}

}  // namespace glink
