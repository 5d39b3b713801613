// The GUI link's shared core: records, frames, the two message queues and the frame parser.
//
// A LinkRecord is [u16 size][u8 type][payload], size counting all of it, at most 404 bytes. On the
// TCP stream each record travels as a frame: the magic "MrV\0" followed by the record. A frame
// with size 0 is the goodbye: its sender closes the connection right after it.
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

namespace plat {
class Clock;
}

namespace glink {

inline constexpr int kSlotSize = 404;  // largest record
inline constexpr int kMaxPayload = kSlotSize - 3;
inline constexpr int kQueueSlots = 64;
inline constexpr int kFrameHeader = 4;                             // the magic
inline constexpr int kFrameBufferSize = kSlotSize + kFrameHeader;  // 408
inline constexpr int kReceiveBufferSize = 1000;
inline constexpr std::uint8_t kFrameMagic[kFrameHeader] = {0x4D, 0x72, 0x56, 0x00};  // "MrV\0"
inline constexpr std::uint8_t kGoodbyeFrame[6] = {0x4D, 0x72, 0x56, 0x00, 0x00, 0x00};

// Little-endian field access at stated offsets; every layout in the link goes through these.
inline std::uint16_t GetU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t GetU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t GetI32(const std::uint8_t* p) { return static_cast<std::int32_t>(GetU32(p)); }
inline void PutU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}
inline void PutI32(std::uint8_t* p, std::int32_t v) { PutU32(p, static_cast<std::uint32_t>(v)); }

// Size and type of a record in a slot.
inline std::uint16_t RecordSize(const std::uint8_t* record) { return GetU16(record); }
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
