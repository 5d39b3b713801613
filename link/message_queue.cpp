#include "link/message_queue.h"

#include <cstring>

namespace glink {

using plat::PutU16;

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

}  // namespace glink
