// Changes of race order between two consecutive position sets.
//
// Each car of the new set is given with its race position and its progress along the track (see
// raceProgress) in both sets. A pair of cars counts as a pass when the one behind before is ahead
// now: by the simulator's race positions when both cars have them in both sets, otherwise by
// progress, where a car whose progress jumped by a quarter lap or more (a lap counted early at the
// line, a reset) is not compared. Cars that were not in the earlier set, or are not eligible (in
// or just out of the pit lane, not on track), take part in no pass; a car that left the set cannot
// be passed, so a retirement moves cars up without any pass. Each passing car yields at most one
// pass: over the car now nearest behind it. The position at stake is the passing car's new race
// position, or its rank by progress among the whole set when the simulator gives none.
#pragma once

#include <cstdint>

namespace director {

struct OrderSample {
  std::uint8_t plid = 0;
  bool hasPrevious = false;  // in the earlier set too
  bool eligible = false;     // on track and clear of the pit lane in both sets
  std::uint8_t previousPosition = 0, position = 0;  // 0: not given
  std::uint64_t previousProgress = 0, progress = 0;
};

struct OrderPass {
  std::uint8_t passer = 0;
  std::uint8_t passed = 0;
  std::uint8_t position = 0;
};

// Writes at most capacity passes to out and returns how many. nodeCount is the track's (0: no
// track, so only race positions can show a pass).
int findPasses(const OrderSample* cars, int count, std::uint32_t nodeCount, OrderPass* out,
               int capacity);

}  // namespace director
