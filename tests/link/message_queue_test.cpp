#include "link/link_frame.h"
#include "link/message_queue.h"
#include "platform/bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "link/link_messages.h"
#include "link_peer.h"
#include "platform/thread.h"

namespace glink {
namespace {

using linktest::Bytes;
using linktest::Hex;
using linktest::HexFrame;
using linktest::Join;

Bytes Frame(const Bytes& record) { return Join({Hex("4D725600"), record}); }

// A record of the given size whose bytes all depend on its tag.
Bytes Record(int size, std::uint8_t tag) {
  Bytes r(static_cast<std::size_t>(size));
  plat::PutU16(r.data(), static_cast<std::uint16_t>(size));
  for (int i = 2; i < size; ++i) r[i] = static_cast<std::uint8_t>(tag + i);
  return r;
}

// Everything pending in q, each record cut to its size.
std::vector<Bytes> Drain(ToGuiQueue& q) {
  std::vector<Bytes> out;
  LinkRecord r;
  while (q.take(r)) out.emplace_back(r.bytes, r.bytes + r.size());
  return out;
}

struct Parser {
  ToGuiQueue queue;
  plat::ManualClock clock;
  std::uint8_t buf[kReceiveBufferSize] = {};
  int kept = 0;

  // Receives bytes after the kept ones, as the connection loops do, and parses.
  int Receive(const std::uint8_t* data, int n) {
    if (n > 0) std::memcpy(buf + kept, data, static_cast<std::size_t>(n));
    kept = ParseFrames(buf, kept + n, queue, clock);
    return kept;
  }
  int Receive(const Bytes& b) { return Receive(b.data(), static_cast<int>(b.size())); }
};

TEST(MessageQueue, SixtyFifthRecordIsDroppedAndTheFirst64ArriveInOrder) {
  ToGuiQueue q;
  std::vector<Bytes> posted;
  for (std::uint8_t i = 0; i < 64; ++i) {
    ASSERT_TRUE(PostLinkMessage(q, 7, &i, 1));
    posted.push_back({4, 0, 7, i});
  }
  EXPECT_EQ(q.reserve(), nullptr);
  EXPECT_FALSE(PostLinkMessage(q, 7, nullptr, 0));
  EXPECT_FALSE(PostVersion(q, 4));
  EXPECT_EQ(Drain(q), posted);
  EXPECT_EQ(q.pending(), 0);
}

TEST(MessageQueue, TakeCopiesTheWholeSlotAndMisuseCannotCorruptTheCount) {
  ToGuiQueue q;
  std::uint8_t* slot = q.reserve();
  ASSERT_NE(slot, nullptr);
  for (int i = 0; i < kSlotSize; ++i) slot[i] = static_cast<std::uint8_t>(i * 7);
  q.commit();
  LinkRecord r;
  ASSERT_TRUE(q.take(r));
  for (int i = 0; i < kSlotSize; ++i) ASSERT_EQ(r.bytes[i], static_cast<std::uint8_t>(i * 7));

  ToDirectorQueue d;
  d.release();  // nothing pending: no effect
  EXPECT_EQ(d.pending(), 0);
  for (std::uint8_t i = 0; i < 64; ++i) ASSERT_TRUE(PostLinkMessage(d, 7, &i, 1));
  d.commit();  // without a reserve, on a full queue
  EXPECT_EQ(d.pending(), 64);
  EXPECT_EQ(d.peek()[3], 0);
}

TEST(PostLinkMessage, WritesSizeTypeAndPayload) {
  ToGuiQueue q;
  Bytes payload(255);
  for (int i = 0; i < 255; ++i) payload[i] = static_cast<std::uint8_t>(255 - i);
  ASSERT_TRUE(PostLinkMessage(q, 20, payload.data(), 255));
  ASSERT_TRUE(PostLinkMessage(q, 9, nullptr, 0));
  EXPECT_FALSE(PostLinkMessage(q, 9, nullptr, 1));
  EXPECT_EQ(Drain(q), (std::vector<Bytes>{Join({{2, 1, 20}, payload}), {3, 0, 9}}));
}

// Record n carries n and a pattern of n over a length that varies, so a torn or reused slot shows
// up as a wrong byte.
void WriteNumbered(std::uint8_t* slot, std::uint32_t n) {
  const int size = 7 + static_cast<int>(n % 397);
  plat::PutU16(slot, static_cast<std::uint16_t>(size));
  slot[2] = static_cast<std::uint8_t>(n);
  plat::PutU32(slot + 3, n);
  for (int i = 7; i < size; ++i) slot[i] = static_cast<std::uint8_t>(n + i);
}

// A producer thread posts numbered records while this thread consumes them by take, or by peek and
// release, and checks each. Stops early on the first failure.
void ProduceAndConsume(MessageQueue& q, bool peek) {
  constexpr std::uint32_t kRecords = 100000;
  std::atomic<bool> stop{false};
  std::thread producer([&] {
    for (std::uint32_t n = 0; n < kRecords && !stop.load();) {
      if (std::uint8_t* slot = q.reserve()) {
        WriteNumbered(slot, n++);
        q.commit();
      } else {
        std::this_thread::yield();
      }
    }
  });
  std::uint32_t n = 0;
  LinkRecord r, want;
  while (n < kRecords && !::testing::Test::HasFailure()) {
    const std::uint8_t* rec = peek ? q.peek() : (q.take(r.bytes) ? r.bytes : nullptr);
    if (rec == nullptr) {
      std::this_thread::yield();
      continue;
    }
    WriteNumbered(want.bytes, n);
    EXPECT_EQ(std::memcmp(rec, want.bytes, want.size()), 0) << "record " << n << ", peek " << peek;
    if (peek) q.release();
    ++n;
  }
  stop = true;
  producer.join();
  EXPECT_EQ(n, kRecords);
  EXPECT_EQ(q.pending(), 0);
}

TEST(MessageQueue, TwoThreadsDeliverEveryRecordOnceAndInOrder) {
  ToGuiQueue toGui;
  ProduceAndConsume(toGui, false);
  ToDirectorQueue toDirector;
  ProduceAndConsume(toDirector, true);
}

// Frames as they leave are checked byte for byte through the server; here, what must not leave: a
// size of 0 would go out as a goodbye and end the connection.
TEST(BuildFrame, UnsendableSizesGiveNoFrame) {
  std::uint8_t slot[kSlotSize], frame[kFrameBufferSize];
  for (std::uint16_t bad : {0, 1, 2, 405}) {
    plat::PutU16(slot, bad);
    EXPECT_EQ(BuildFrame(slot, frame), 0) << bad;
  }
}

// Frames of the smallest, a middling and the largest record, cut at every byte: each is queued
// once, complete, when its last byte has arrived; the rest is kept at the start of the buffer.
TEST(ParseFrames, FrameSplitAtEveryByteIsQueuedOnceWhenComplete) {
  const std::vector<Bytes> records = {Record(3, 10), Record(53, 20), Record(kSlotSize, 30)};
  const Bytes stream = Join({Frame(records[0]), Frame(records[1]), Frame(records[2])});
  const int ends[] = {7, 7 + 57, static_cast<int>(stream.size())};
  for (int split = 1; split < static_cast<int>(stream.size()); ++split) {
    Parser p;
    const int kept = p.Receive(stream.data(), split);
    std::size_t complete = 0;
    while (complete < 3 && ends[complete] <= split) ++complete;
    const int start = complete == 0 ? 0 : ends[complete - 1];
    ASSERT_EQ(kept, split - start) << "split " << split;
    ASSERT_EQ(std::memcmp(p.buf, stream.data() + start, static_cast<std::size_t>(kept)), 0);
    ASSERT_EQ(p.queue.pending(), static_cast<int>(complete)) << "split " << split;
    ASSERT_EQ(p.Receive(stream.data() + split, static_cast<int>(stream.size()) - split), 0);
    ASSERT_EQ(Drain(p.queue), records) << "split " << split;
    ASSERT_EQ(p.clock.Now(), 0u) << "slept with room in the queue";
  }
  Parser p;  // one byte per receive
  for (std::uint8_t byte : stream) p.Receive(&byte, 1);
  EXPECT_EQ(p.kept, 0);
  EXPECT_EQ(Drain(p.queue), records);
}

TEST(ParseFrames, FullQueueKeepsTheFrameAndWaits10ms) {
  const Bytes a = Record(20, 1), b = Record(30, 2);
  const Bytes stream = Join({Frame(a), Frame(b)});
  Parser p;
  for (int i = 0; i < kQueueSlots; ++i) ASSERT_TRUE(PostLinkMessage(p.queue, 99, nullptr, 0));
  ASSERT_EQ(p.Receive(stream), static_cast<int>(stream.size()));
  EXPECT_EQ(p.clock.Now(), 10u);
  EXPECT_EQ(Bytes(p.buf, p.buf + p.kept), stream);

  LinkRecord r;
  ASSERT_TRUE(p.queue.take(r));  // one slot free: a is queued, b waits
  EXPECT_EQ(p.Receive(nullptr, 0), static_cast<int>(Frame(b).size()));
  EXPECT_EQ(p.clock.Now(), 20u);
  EXPECT_EQ(Bytes(p.buf, p.buf + p.kept), Frame(b));
  for (int i = 1; i < kQueueSlots; ++i) ASSERT_TRUE(p.queue.take(r));
  EXPECT_EQ(p.Receive(nullptr, 0), 0);
  EXPECT_EQ(Drain(p.queue), (std::vector<Bytes>{a, b}));
}

// A wrong magic stops the parser at the same place on every pass; a goodbye, or a size that no slot
// can hold, ends the connection after the frames before it.
TEST(ParseFrames, WrongMagicGoodbyeAndImpossibleSizes) {
  const Bytes good = Frame(Record(9, 1));
  Bytes bad = Frame(Record(9, 2));
  bad[1] = 'R';
  Parser p;
  EXPECT_EQ(p.Receive(Join({good, bad, good})), static_cast<int>(bad.size() + good.size()));
  for (int pass = 0; pass < 3; ++pass) {
    EXPECT_EQ(p.Receive(good), static_cast<int>(bad.size() + good.size() * (pass + 2)));
    EXPECT_EQ(Bytes(p.buf, p.buf + bad.size()), bad);
    EXPECT_EQ(p.queue.pending(), 1);
  }

  const Bytes goodbye = linktest::Goodbye();
  Parser end;
  EXPECT_EQ(end.Receive(Bytes(goodbye.begin(), goodbye.end() - 1)), 5);  // not yet a goodbye
  EXPECT_EQ(end.Receive(Bytes{0x00}), -1);
  EXPECT_EQ(end.queue.pending(), 0);

  Parser burst;  // size 0 mid-burst: the frames before it are queued
  const Bytes a = Record(5, 1), b = Record(6, 2);
  EXPECT_EQ(burst.Receive(Join({Frame(a), Frame(b), goodbye, Frame(a)})), -1);
  EXPECT_EQ(Drain(burst.queue), (std::vector<Bytes>{a, b}));

  // No slot can hold these; the parser gives up at once instead of waiting for their bytes.
  for (std::uint16_t size : {1, 2, 405, 0xFFFF}) {
    Parser huge;
    Bytes header = HexFrame("0000");
    plat::PutU16(header.data() + 4, size);
    EXPECT_EQ(huge.Receive(Join({Frame(a), header})), -1) << size;
    EXPECT_EQ(huge.queue.pending(), 1);
  }
}

TEST(ParseFrames, ShortRecordNeverShowsBytesOfAnOlderOne) {
  Parser p;
  LinkRecord r;
  Bytes big(kSlotSize, 0xFF);
  plat::PutU16(big.data(), kSlotSize);
  for (int i = 0; i < kQueueSlots; ++i) {  // every slot once held a full record of 0xFF
    p.Receive(Frame(big));
    ASSERT_TRUE(p.queue.take(r));
  }
  p.Receive(Frame(Record(5, 7)));
  ASSERT_TRUE(p.queue.take(r));
  EXPECT_EQ(std::count(r.bytes + 5, r.bytes + kSlotSize, 0), kSlotSize - 5);
}

}  // namespace
}  // namespace glink
