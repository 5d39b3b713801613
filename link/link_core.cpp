#include "link/link_core.h"

#include <cstring>

#include "platform/thread.h"

namespace glink {

namespace {

constexpr int kFrameSizeField = 2;                            // the record's size after the magic
constexpr int kFramePrefix = kFrameHeader + kFrameSizeField;  // magic and size: 6 bytes
constexpr int kMinRecord = 3;                                 // size field and type byte
constexpr std::uint32_t kFullQueueWaitMs = 10;

}  // namespace

std::uint8_t* MessageQueue::reserve() {
  // Acquire pairs with the consumer's decrement: the slot is free only once its copy is done.
  if (pending_.load(std::memory_order_acquire) >= kQueueSlots) return nullptr;
  return slots_[writeIndex_];
}

void MessageQueue::commit() {
  // A commit without a successful reserve must not push the count past the ring's size.
  if (pending_.load(std::memory_order_acquire) >= kQueueSlots) return;
  writeIndex_ = static_cast<std::uint16_t>((writeIndex_ + 1) % kQueueSlots);
  pending_.fetch_add(1, std::memory_order_acq_rel);
}

bool MessageQueue::take(std::uint8_t* buf) {
  if (pending_.load(std::memory_order_acquire) <= 0) return false;
  std::memcpy(buf, slots_[readIndex_], kSlotSize);
  readIndex_ = static_cast<std::uint16_t>((readIndex_ + 1) % kQueueSlots);
  pending_.fetch_sub(1, std::memory_order_acq_rel);
  return true;
}

const std::uint8_t* MessageQueue::peek() const {
  if (pending_.load(std::memory_order_acquire) <= 0) return nullptr;
  return slots_[readIndex_];
}

void MessageQueue::release() {
  if (pending_.load(std::memory_order_acquire) <= 0) return;
  readIndex_ = static_cast<std::uint16_t>((readIndex_ + 1) % kQueueSlots);
  pending_.fetch_sub(1, std::memory_order_acq_rel);
}

bool PostLinkMessage(MessageQueue& queue, std::uint8_t type, const void* payload,
                     std::uint8_t length) {
  if (length > 0 && payload == nullptr) return false;
  std::uint8_t* slot = queue.reserve();
  if (slot == nullptr) return false;
  PutU16(slot, static_cast<std::uint16_t>(length + kMinRecord));
  slot[2] = type;
  if (length > 0) std::memcpy(slot + kMinRecord, payload, length);
  queue.commit();
  return true;
}

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
