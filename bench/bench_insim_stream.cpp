// Cutting the InSim version 4 stream: a full 10000-byte read of position packets, walked and
// dispatched to handlers that do nothing, as the receive loop does once per read.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "director/insim/dispatch.h"

namespace {

class NullSink final : public director::PacketSink {
 public:
  void SendPacket(const std::uint8_t*, int) override {}
};

void BM_CutPositionStream(benchmark::State& state) {
  // IS_MCI with 8 cars (228 bytes) back to back, the last one cut by the end of the read.
  std::vector<std::uint8_t> stream(director::V4StreamCutter::kBufferSize);
  for (std::size_t pos = 0; pos < stream.size(); pos += 228) {
    std::uint8_t packet[228] = {228, director::ISP_MCI, 0, 8};
    std::memcpy(stream.data() + pos, packet,
                stream.size() - pos < sizeof(packet) ? stream.size() - pos : sizeof(packet));
  }
  NullSink sink;
  director::InsimLink link;
  link.sink = &sink;
  director::SessionHandlers handlers;
  director::V4StreamCutter cutter;
  for (auto _ : state) {
    cutter.Reset();
    std::memcpy(cutter.FreeSpace(), stream.data(), stream.size());
    bool complete = false;
    benchmark::DoNotOptimize(
        cutter.Received(static_cast<int>(stream.size()), link, handlers, &complete));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(BM_CutPositionStream);

}  // namespace

BENCHMARK_MAIN();
