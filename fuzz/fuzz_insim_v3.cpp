// The version 3 InSim datagrams: the walk and its dispatch, with the director behind them.
//
// Input: an options byte (director on, overlay off), then datagrams, each a 16-bit
// little-endian length (taken modulo what is left, at most the session's 10000-byte buffer)
// and its bytes. After each datagram the receive loop's steps follow.
#include <memory>

#include "director/insim/dispatch.h"
#include "fuzz/director_rig.h"
#include "platform/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  auto rig = std::make_unique<fuzz::DirectorRig>(3, data[0]);
  std::size_t pos = 1;
  while (size - pos >= 2) {
    const std::size_t left = size - pos - 2;
    std::size_t n = plat::GetU16(data + pos) % (left + 1);
    if (n > 10000) n = 10000;
    pos += 2;
    rig->core->PollHotkeys(rig->link);
    const bool setComplete =
        director::WalkV3Datagram(rig->link, *rig->core, data + pos, static_cast<int>(n));
    pos += n;
    rig->AfterRead(setComplete);
  }
  return 0;
}
