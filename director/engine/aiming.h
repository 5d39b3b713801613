// Aiming the director's chosen camera: position, heading, pitch and field of view of the camera
// packet, for one car, for the centre of a group of cars, or for a point of the track.
//
// The zoom keeps about 10 m of track in the picture at the target's distance (never narrower
// than 10 degrees), widens while the picture moves fast, and never goes beyond 80 degrees. After a
// cut (packet time 0) the camera aims at where the car is; while it continues, at where the car
// will be 0.8 s later. For one car the heading is pulled half-way towards the weighted mean of
// the other cars close behind or ahead of it in the picture. The camera remembers the heading and
// pitch sent, so the next cycle can tell how fast its picture moves.
//
// The group centre is summed in 64 bits: cars far from the world origin cannot overflow it.
#pragma once

#include <cstdint>

#include "director/engine/camera_store.h"
#include "director/insim/packets.h"
#include "director/insim/race_state.h"

namespace director {

class TrackPath;

inline constexpr double kZoomWidth = 655360.0;  // 10 m of track in the picture
inline constexpr float kMinFov = 10.0f;
inline constexpr float kMaxFov = 80.0f;
inline constexpr int kNeighbourNodes = 20;

// One car: automatic direction, or manual control of one car. The packet's time says whether
// the camera continues (not 0) or was cut to (0). cutLeadSeconds > 0 aims a cut that far ahead
// of the car on its course, where it will be when the picture is next renewed, and on the car
// alone (no pull towards its neighbours).
void aimAtCar(CameraPosition& camera, CameraPositionRecord& packet, std::uint8_t car,
              const PlayerTable& players, const TrackPath& track, double cutLeadSeconds = 0.0);

// A still shot of a point (world units): `width` world units of track across the picture at the
// point's distance, no wider than kMaxFov.
void aimAtPoint(CameraPosition& camera, CameraPositionRecord& packet, std::int32_t x,
                std::int32_t y, std::int32_t z, double width);

// Manual control of count (at least 2) cars.
void aimAtGroup(CameraPosition& camera, CameraPositionRecord& packet, const std::uint8_t* cars,
                int count, const PlayerTable& players);

}  // namespace director
