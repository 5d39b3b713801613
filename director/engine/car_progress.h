// A car's progress along the track, updated from each of its position samples.
//
// updateCarProgress keeps the previous and the new sample, the node, the lap position counted from
// the finish line (1 to the node count; the finish node itself is the node count), the lap figure
// (frozen within the last 10 nodes before the line, so a lap count raised at the line cannot make
// the race distance jump), the race distance (node count x lap figure + lap position), the ring of
// the last 16 race distances and the prediction of where the car will be: x and y 0.8 s ahead
// along its direction of motion, z four samples ahead.
#pragma once

#include "director/insim/packets.h"
#include "director/insim/race_state.h"

namespace director {

class TrackPath;

inline constexpr std::uint32_t kLapFigureFrozenNodes = 10;
inline constexpr double kPredictionSeconds = 0.8;
inline constexpr double kSpeedToWorldPerSecond = 200.0;  // 32768 = 100 m/s, 65536 = 1 m

// The track path must have at least one node.
void updateCarProgress(PlayerRecord& record, const CompCar& sample, const TrackPath& track);

}  // namespace director
