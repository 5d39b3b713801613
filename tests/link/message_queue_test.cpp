#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "link/link_core.h"

namespace glink {
namespace {

// Each direction exposes only the consumer operations it is drained with.
template <typename Q>
concept Takes = requires(Q& q, std::uint8_t* b) {
  q.take(b);
};
template <typename Q>
concept PeeksAndReleases = requires(Q& q) {
  q.peek();
  q.release();
};
static_assert(Takes<ToGuiQueue> && !PeeksAndReleases<ToGuiQueue>);
static_assert(PeeksAndReleases<ToDirectorQueue> && !Takes<ToDirectorQueue>);

bool PostNumbered(MessageQueue& q, std::uint32_t n) {
  std::uint8_t payload[4];
  PutU32(payload, n);
  return PostLinkMessage(q, 7, payload, sizeof payload);
}

TEST(MessageQueue, SixtyFifthRecordIsDroppedAndTheFirst64ArriveInOrder) {
  ToGuiQueue q;
  LinkRecord r;
  EXPECT_FALSE(q.take(r));
  for (std::uint32_t i = 0; i < 64; ++i) ASSERT_TRUE(PostNumbered(q, i));
  EXPECT_EQ(q.reserve(), nullptr);
  EXPECT_FALSE(PostNumbered(q, 64));
  EXPECT_EQ(q.pending(), 64);
  for (std::uint32_t i = 0; i < 64; ++i) {
    ASSERT_TRUE(q.take(r));
    EXPECT_EQ(r.size(), 7);
    EXPECT_EQ(r.type(), 7);
    EXPECT_EQ(GetU32(r.bytes + 3), i);
  }
  EXPECT_FALSE(q.take(r));
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
  for (std::uint32_t i = 0; i < 64; ++i) ASSERT_TRUE(PostNumbered(d, i));
  d.commit();  // without a reserve, on a full queue
  EXPECT_EQ(d.pending(), 64);
  EXPECT_EQ(GetU32(d.peek() + 3), 0u);
}

TEST(PostLinkMessage, WritesSizeTypeAndPayload) {
  ToGuiQueue q;
  std::uint8_t payload[255];
  for (int i = 0; i < 255; ++i) payload[i] = static_cast<std::uint8_t>(255 - i);
  ASSERT_TRUE(PostLinkMessage(q, 20, payload, 255));
  ASSERT_TRUE(PostLinkMessage(q, 9, nullptr, 0));
  EXPECT_FALSE(PostLinkMessage(q, 9, nullptr, 1));
  LinkRecord r;
  ASSERT_TRUE(q.take(r));
  EXPECT_EQ(r.size(), 258);
  EXPECT_EQ(r.type(), 20);
  EXPECT_EQ(std::memcmp(r.bytes + 3, payload, 255), 0);
  ASSERT_TRUE(q.take(r));
  EXPECT_EQ(r.size(), 3);
  EXPECT_EQ(r.type(), 9);
  EXPECT_FALSE(q.take(r));
}

// Record n carries n in its first payload bytes and a pattern of n over a length that varies, so a
// torn or reused slot shows up as a wrong byte.
void WriteNumbered(std::uint8_t* slot, std::uint32_t n) {
  const int size = 7 + static_cast<int>(n % 397);
  PutU16(slot, static_cast<std::uint16_t>(size));
  slot[2] = static_cast<std::uint8_t>(n);
  PutU32(slot + 3, n);
  for (int i = 7; i < size; ++i) slot[i] = static_cast<std::uint8_t>(n + i);
}

::testing::AssertionResult IsNumbered(const std::uint8_t* rec, std::uint32_t n) {
  if (GetU32(rec + 3) != n) return ::testing::AssertionFailure() << "got " << GetU32(rec + 3);
  const int size = RecordSize(rec);
  if (size != 7 + static_cast<int>(n % 397) || rec[2] != static_cast<std::uint8_t>(n))
    return ::testing::AssertionFailure() << "header of " << n;
  for (int i = 7; i < size; ++i)
    if (rec[i] != static_cast<std::uint8_t>(n + i))
      return ::testing::AssertionFailure() << "byte " << i << " of " << n;
  return ::testing::AssertionSuccess();
}

constexpr std::uint32_t kThreadRecords = 100000;

// A producer thread posts kThreadRecords numbered records while this thread consumes them with
// consume(n), which returns false when nothing was pending. Stops early on the first failure.
template <typename Consume>
void ProduceAndConsume(MessageQueue& q, Consume consume) {
  std::atomic<bool> stop{false};
  std::thread producer([&] {
    for (std::uint32_t n = 0; n < kThreadRecords && !stop.load();) {
      if (std::uint8_t* slot = q.reserve()) {
        WriteNumbered(slot, n++);
        q.commit();
      } else {
        std::this_thread::yield();
      }
    }
  });
  std::uint32_t n = 0;
  while (n < kThreadRecords && !::testing::Test::HasFailure()) {
    if (consume(n)) {
      ++n;
    } else {
      std::this_thread::yield();
    }
  }
  stop = true;
  producer.join();
  EXPECT_EQ(n, kThreadRecords);
  EXPECT_EQ(q.pending(), 0);
}

TEST(MessageQueue, TwoThreadsDeliverEveryRecordOnceAndInOrder) {
  ToGuiQueue toGui;
  LinkRecord r;
  ProduceAndConsume(toGui, [&](std::uint32_t n) {
    if (!toGui.take(r)) return false;
    EXPECT_TRUE(IsNumbered(r.bytes, n)) << "take, record " << n;
    return true;
  });
  ToDirectorQueue toDirector;
  ProduceAndConsume(toDirector, [&](std::uint32_t n) {
    const std::uint8_t* rec = toDirector.peek();
    if (rec == nullptr) return false;
    EXPECT_TRUE(IsNumbered(rec, n)) << "peek, record " << n;
    toDirector.release();
    return true;
  });
}

}  // namespace
}  // namespace glink
