// The version 4 InSim stream: the cutter and its dispatch, with the director behind them.
//
// Input: an options byte (director on, overlay off), a read-length byte, then the bytes the
// simulator sends on the TCP stream. The stream arrives in reads of that length (1 to 256
// bytes), so every packet is also cut at every place across reads; after each read the receive
// loop's steps follow. A Size below 4 ends the session, as it does in the program.
#include <cstring>
#include <memory>

#include "director/insim/dispatch.h"
#include "fuzz/director_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  auto rig = std::make_unique<fuzz::DirectorRig>(4, data[0]);
  const std::size_t readLength = data[1] + 1u;
  auto cutter = std::make_unique<director::V4StreamCutter>();
  std::size_t pos = 2;
  while (pos < size) {
    std::size_t n = size - pos < readLength ? size - pos : readLength;
    fuzz::Check(cutter->FreeCount() >= static_cast<int>(n), "cutter buffer room");
    std::memcpy(cutter->FreeSpace(), data + pos, n);
    pos += n;
    bool setComplete = false;
    if (!cutter->Received(static_cast<int>(n), rig->link, *rig->core, &setComplete)) break;
    fuzz::Check(cutter->Kept() < 255, "kept bytes of an incomplete packet");
    rig->AfterRead(setComplete);
  }
  return 0;
}
