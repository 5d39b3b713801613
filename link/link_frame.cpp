#include "link/link_frame.h"

#include <cstring>

#include "platform/thread.h"

namespace glink {

namespace {

constexpr int kFrameSizeField = 2;                            // the record's size after the magic
constexpr int kFramePrefix = kFrameHeader + kFrameSizeField;  // magic and size: 6 bytes
constexpr std::uint32_t kFullQueueWaitMs = 10;

}  // namespace

using plat::GetU16;

int ParseFrames(std::uint8_t* buf, int count, MessageQueue& receiving, plat::Clock& clock) {
  if (count <= 0) return 0;
  int pos = 0;
  int left = count;
  while (left >= kFramePrefix) {
    const std::uint8_t* frame = buf + pos;
    if (std::memcmp(frame, kFrameMagic, kFrameHeader) != 0) break;
    const int size = GetU16(frame + kFrameHeader);
    if (size == 0) return -1;  // goodbye
    // No slot can hold such a record, and waiting for its bytes could fill the receive buffer
    // without ever completing it: the peer is not speaking this protocol.
    if (size < kMinRecord || size > kSlotSize) return -1;
    if (size + kFrameHeader > left) break;  // incomplete: wait for the rest
    std::uint8_t* slot = receiving.reserve();
    if (slot == nullptr) {
      // The consumer is behind: keep the frame and give it a moment before the next pass.
      clock.Sleep(kFullQueueWaitMs);
      break;
    }
    std::memcpy(slot, frame + kFrameHeader, static_cast<std::size_t>(size));
    std::memset(slot + size, 0, static_cast<std::size_t>(kSlotSize - size));
    receiving.commit();
    pos += size + kFrameHeader;
    left -= size + kFrameHeader;
  }
  if (left > 0 && pos > 0) std::memmove(buf, buf + pos, static_cast<std::size_t>(left));
  return left;
}

int BuildFrame(const std::uint8_t* record, std::uint8_t* out) {
  const int size = RecordSize(record);
  if (size < kMinRecord || size > kSlotSize) return 0;
  std::memcpy(out, kFrameMagic, kFrameHeader);
  std::memcpy(out + kFrameHeader, record, static_cast<std::size_t>(size));
  return size + kFrameHeader;
}

}  // namespace glink
