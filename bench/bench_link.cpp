// Throughput of the GUI link's hot paths: cutting received frames into the receiving queue, and
// posting and taking records through a queue.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "link/link_frame.h"
#include "link/message_queue.h"
#include "link/link_messages.h"
#include "platform/thread.h"

namespace {

using glink::LinkRecord;

// Typical traffic: a car table of 20 cars followed by track nodes, framed back to back.
std::vector<std::uint8_t> TypicalStream(int frames) {
  glink::CarEntry cars[20];
  for (int i = 0; i < 20; ++i) cars[i] = {static_cast<std::uint8_t>(i + 1), 0, i * 65536, -i};
  std::uint8_t node[glink::kPathNodeSize] = {};
  std::uint8_t slot[glink::kSlotSize], frame[glink::kFrameBufferSize];
  std::vector<std::uint8_t> stream;
  for (int i = 0; i < frames; ++i) {
    if (i % 2 == 0) {
      glink::WriteCarTable(slot, 20, cars);
    } else {
      glink::WriteTrackNode(slot, "BL1", static_cast<std::uint32_t>(i), node);
    }
    const int n = glink::BuildFrame(slot, frame);
    stream.insert(stream.end(), frame, frame + n);
  }
  return stream;
}

// One 1000-byte receive after another, each parsed and its records taken, as a connection does.
void BM_ParseFrames(benchmark::State& state) {
  const std::vector<std::uint8_t> stream = TypicalStream(1024);
  glink::ToGuiQueue queue;
  plat::ManualClock clock;
  std::uint8_t buf[glink::kReceiveBufferSize];
  LinkRecord record;
  std::int64_t bytes = 0, records = 0;
  for (auto _ : state) {
    int kept = 0;
    std::size_t at = 0;
    while (at < stream.size()) {
      const int n = static_cast<int>(
          std::min<std::size_t>(glink::kReceiveBufferSize - kept, stream.size() - at));
      std::memcpy(buf + kept, stream.data() + at, static_cast<std::size_t>(n));
      at += static_cast<std::size_t>(n);
      kept = glink::ParseFrames(buf, kept + n, queue, clock);
      while (queue.take(record)) ++records;
    }
    bytes += static_cast<std::int64_t>(stream.size());
    benchmark::DoNotOptimize(record.bytes[0]);
  }
  state.SetBytesProcessed(bytes);
  state.SetItemsProcessed(records);
}
BENCHMARK(BM_ParseFrames);

// Post and take on one thread: the cost of a record through the queue without contention.
void BM_QueuePostTake(benchmark::State& state) {
  glink::ToGuiQueue queue;
  LinkRecord record;
  std::uint32_t ms = 0;
  for (auto _ : state) {
    glink::PostRaceClock(queue, ms++);
    queue.take(record);
    benchmark::DoNotOptimize(record.bytes[3]);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_QueuePostTake);

// A full car table through the queue: the largest record the director posts every 200 ms.
void BM_QueuePostTakeCars(benchmark::State& state) {
  glink::ToGuiQueue queue;
  glink::CarEntry cars[glink::kMaxLinkCars] = {};
  LinkRecord record;
  for (auto _ : state) {
    glink::PostCarTable(queue, glink::kMaxLinkCars, cars);
    queue.take(record);
    benchmark::DoNotOptimize(record.bytes[3]);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_QueuePostTakeCars);

}  // namespace

BENCHMARK_MAIN();
