// The director's angle arithmetic: its value of pi and the difference of two 16-bit angles; and
// the simulator's unit of length.
//
// Pi is 3.141, not pi to full precision, wherever the director turns angles into headings,
// pitches, fields of view or predicted positions: its curves and thresholds (the sweep curve, the
// 3-degree shot test, the 10 m picture width) were set with that value, and the camera packets
// the simulator receives are defined by it. Changing it would move every camera angle, byte for
// byte. The GUI client's edge points use their own quarter turn (client_model.cpp).
#pragma once

#include <cstdint>

namespace director {

inline constexpr double kPi = 3.141;

// Positions are in world units, 65536 to the metre.
inline constexpr double kWorldUnitsPerMetre = 65536.0;

// a - b for 16-bit angles (headings, pitches; 65536 per turn), from -32768 to 32767: the shorter
// way round, whatever side of 0 either lies on.
inline int AngleDiff(std::uint16_t a, std::uint16_t b) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(a - b));
}

}  // namespace director
