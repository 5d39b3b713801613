// The GUI link's records and the two message queues between a program's threads.
//
// A LinkRecord is [u16 size][u8 type][payload], size counting all of it, at most 404 bytes.
//
// MessageQueue is a fixed single-producer, single-consumer ring of 64 slots of 404 bytes. The
// producer alone moves the write index, the consumer alone the read index; the pending count is the
// only shared variable and changes only by atomic increment (commit, after the slot is written)
// and atomic decrement (take/release, after the slot is used). No locks, no allocation. A full
// queue refuses the record (reserve gives null) and the caller drops it. A commit without a free
// slot, or a release with nothing pending, changes nothing.
//
// Each program holds two queues: ToGuiQueue (director -> GUI client, drained with take) and
// ToDirectorQueue (GUI client -> director, drained with peek and release). In both programs the
// thread that owns the socket parses frames into one queue and sends the other.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/bytes.h"

namespace glink {

inline constexpr int kSlotSize = 404;  // largest record
inline constexpr int kMaxPayload = kSlotSize - 3;  // after size and type
inline constexpr int kMinRecord = 3;  // size field and type byte
inline constexpr int kQueueSlots = 64;

// Size and type of a record in a slot.
inline std::uint16_t RecordSize(const std::uint8_t* record) { return plat::GetU16(record); }
inline std::uint8_t RecordType(const std::uint8_t* record) { return record[2]; }

// A record as a consumer holds it: a whole slot, of which the first size bytes are the record.
struct LinkRecord {
  std::uint8_t bytes[kSlotSize] = {};

  std::uint16_t size() const { return RecordSize(bytes); }
  std::uint8_t type() const { return RecordType(bytes); }
};

class MessageQueue {
 public:
  MessageQueue() = default;
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  // Producer: the slot at the write index to fill in place, or null when 64 are pending.
  std::uint8_t* reserve();
  // Producer: publishes the slot given by reserve.
  void commit();
  // Consumer: copies the oldest record's 404 bytes into buf and frees the slot; false when empty.
  bool take(std::uint8_t* buf);
  bool take(LinkRecord& record) { return take(record.bytes); }
  // Consumer: the oldest record left in place, or null when empty.
  const std::uint8_t* peek() const;
  // Consumer: frees the slot given by peek.
  void release();

  int pending() const { return pending_.load(std::memory_order_acquire); }

 private:
  std::uint8_t slots_[kQueueSlots][kSlotSize] = {};
  std::uint16_t writeIndex_ = 0;
  std::uint16_t readIndex_ = 0;
  std::atomic<std::int32_t> pending_{0};
};

// The queues by direction. Both are MessageQueues (the parser and the posting functions take
// either); each hides the consumer operations that its direction does not use, so that the
// director's server and the client's dispatcher drain ToGuiQueue by copying (take) while the
// request handler and the client's sender work on ToDirectorQueue in place (peek, release).
class ToGuiQueue : public MessageQueue {
 private:
  using MessageQueue::peek;
  using MessageQueue::release;
};

class ToDirectorQueue : public MessageQueue {
 private:
  using MessageQueue::take;
};

// Posts a record of the given type and payload (0..255 bytes) to the queue: true, or false when the
// queue is full and the record is lost.
bool PostLinkMessage(MessageQueue& queue, std::uint8_t type, const void* payload,
                     std::uint8_t length);

}  // namespace glink
