// The simulator's in-game camera numbers that the director's camera packets name (InSim's view
// identifiers): the TV camera, which the packet places and aims, and the custom view, which shows
// the viewed car from the custom view file installed for it.
#pragma once

#include <cstdint>

namespace director {

inline constexpr std::uint8_t kTvCamera = 2;
inline constexpr std::uint8_t kCustomViewCamera = 4;

}  // namespace director
