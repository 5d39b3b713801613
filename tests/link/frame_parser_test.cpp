#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "link/link_core.h"
#include "link/link_messages.h"
#include "platform/thread.h"

namespace glink {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Frame(const Bytes& record) {
  Bytes f = {0x4D, 0x72, 0x56, 0x00};
  f.insert(f.end(), record.begin(), record.end());
  return f;
}

// A record of the given size whose bytes all depend on its tag.
Bytes Record(int size, std::uint8_t tag) {
  Bytes r(static_cast<std::size_t>(size));
  PutU16(r.data(), static_cast<std::uint16_t>(size));
  for (int i = 2; i < size; ++i) r[i] = static_cast<std::uint8_t>(tag + i);
  return r;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
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

TEST(BuildFrame, ExampleFramesAndUnsendableSizes) {
  std::uint8_t slot[kSlotSize], frame[kFrameBufferSize];
  WriteEditMode(slot, GLM_EDIT_MODE, true);
  ASSERT_EQ(BuildFrame(slot, frame), 8);
  EXPECT_EQ(Bytes(frame, frame + 8), (Bytes{0x4D, 0x72, 0x56, 0x00, 0x04, 0x00, 0x04, 0x01}));
  WriteGetNodes(slot, 32);
  ASSERT_EQ(BuildFrame(slot, frame), 11);
  EXPECT_EQ(Bytes(frame, frame + 11),
            (Bytes{0x4D, 0x72, 0x56, 0x00, 0x07, 0x00, 0x15, 0x20, 0x00, 0x00, 0x00}));
  for (std::uint16_t bad : {0, 1, 2, 405}) {
    PutU16(slot, bad);
    EXPECT_EQ(BuildFrame(slot, frame), 0) << bad;
  }
}

TEST(ParseFrames, SeveralFramesInOneReceiveAreQueuedInOrder) {
  const Bytes a = Record(3, 1), b = Record(kSlotSize, 2), c = Record(57, 3);
  Parser p;
  EXPECT_EQ(p.Receive(Concat({Frame(a), Frame(b), Frame(c)})), 0);
  EXPECT_EQ(Drain(p.queue), (std::vector<Bytes>{a, b, c}));
  EXPECT_EQ(p.clock.Now(), 0u);
}

TEST(ParseFrames, FrameSplitAtEveryByteIsQueuedOnceWhenComplete) {
  const std::vector<Bytes> records = {Record(4, 10), Record(53, 20), Record(kSlotSize, 30)};
  const Bytes stream = Concat({Frame(records[0]), Frame(records[1]), Frame(records[2])});
  const int ends[] = {8, 8 + 57, static_cast<int>(stream.size())};
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
  }
  Parser p;  // one byte per receive
  for (std::uint8_t byte : stream) p.Receive(&byte, 1);
  EXPECT_EQ(p.kept, 0);
  EXPECT_EQ(Drain(p.queue), records);
}

TEST(ParseFrames, FullQueueKeepsTheFrameAndWaits10ms) {
  const Bytes a = Record(20, 1), b = Record(30, 2);
  const Bytes stream = Concat({Frame(a), Frame(b)});
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

TEST(ParseFrames, WrongMagicStopsAtTheSamePlaceOnEveryPass) {
  const Bytes good = Frame(Record(9, 1));
  Bytes bad = Frame(Record(9, 2));
  bad[1] = 'R';
  Parser p;
  const Bytes stream = Concat({good, bad, good});
  EXPECT_EQ(p.Receive(stream), static_cast<int>(bad.size() + good.size()));
  EXPECT_EQ(p.queue.pending(), 1);
  for (int pass = 0; pass < 3; ++pass) {
    EXPECT_EQ(p.Receive(good), static_cast<int>(bad.size() + good.size() * (pass + 2)));
    EXPECT_EQ(Bytes(p.buf, p.buf + bad.size()), bad);
    EXPECT_EQ(p.queue.pending(), 1);
  }
}

TEST(ParseFrames, GoodbyeAndImpossibleSizesEndTheConnection) {
  const Bytes goodbye(kGoodbyeFrame, kGoodbyeFrame + 6);
  Parser p;
  EXPECT_EQ(p.Receive(Bytes(goodbye.begin(), goodbye.end() - 1)), 5);  // not yet a goodbye
  EXPECT_EQ(p.Receive(Bytes{0x00}), -1);
  EXPECT_EQ(p.queue.pending(), 0);

  Parser burst;  // size 0 mid-burst: the frames before it are queued
  const Bytes a = Record(5, 1), b = Record(6, 2);
  EXPECT_EQ(burst.Receive(Concat({Frame(a), Frame(b), goodbye, Frame(a)})), -1);
  EXPECT_EQ(Drain(burst.queue), (std::vector<Bytes>{a, b}));

  // No slot can hold these; the parser gives up at once instead of waiting for their bytes.
  for (std::uint16_t size : {1, 2, 405, 0xFFFF}) {
    Parser bad;
    Bytes header = {0x4D, 0x72, 0x56, 0x00, 0, 0};
    PutU16(header.data() + 4, size);
    EXPECT_EQ(bad.Receive(Concat({Frame(a), header})), -1) << size;
    EXPECT_EQ(bad.queue.pending(), 1);
  }
  Parser nothing;
  EXPECT_EQ(ParseFrames(nothing.buf, 0, nothing.queue, nothing.clock), 0);
}

TEST(ParseFrames, ShortRecordNeverShowsBytesOfAnOlderOne) {
  Parser p;
  LinkRecord r;
  for (int i = 0; i < kQueueSlots; ++i) {  // every slot once held a full record of 0xFF
    Bytes big(kSlotSize, 0xFF);
    PutU16(big.data(), kSlotSize);
    p.Receive(Frame(big));
    ASSERT_TRUE(p.queue.take(r));
  }
  p.Receive(Frame(Record(5, 7)));
  ASSERT_TRUE(p.queue.take(r));
  for (int i = 5; i < kSlotSize; ++i) ASSERT_EQ(r.bytes[i], 0) << i;
}

// A long stream through the 1000-byte receive buffer in random chunks, with a consumer that falls
// behind at times: every record arrives once, intact and in order.
TEST(ParseFrames, LongStreamThroughTheReceiveBuffer) {
  std::mt19937 rng(2024);
  std::vector<Bytes> records;
  Bytes stream;
  for (int i = 0; i < 600; ++i) {
    records.push_back(
        Record(3 + static_cast<int>(rng() % (kSlotSize - 2)), static_cast<std::uint8_t>(i)));
    const Bytes f = Frame(records.back());
    stream.insert(stream.end(), f.begin(), f.end());
  }
  Parser p;
  std::vector<Bytes> got;
  std::size_t at = 0;
  while (at < stream.size() || p.kept > 0) {
    const int room = kReceiveBufferSize - p.kept;
    const int n = std::min<int>({room, static_cast<int>(stream.size() - at),
                                 1 + static_cast<int>(rng() % kReceiveBufferSize)});
    ASSERT_GE(p.Receive(stream.data() + at, n), 0);
    at += static_cast<std::size_t>(n);
    if (rng() % 3 != 0 || at == stream.size()) {
      for (Bytes& b : Drain(p.queue)) got.push_back(std::move(b));
    }
  }
  EXPECT_EQ(got, records);
}

}  // namespace
}  // namespace glink
