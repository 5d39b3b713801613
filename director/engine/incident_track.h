// The track as the incident detectors see it: per main path node its centre, its direction and
// the left and right edges of the road, in a plain array that the caller fills once per track.
//
// The edges are signed distances in metres across the node's direction, positive to the right,
// as the path file gives them (so the left edge is normally negative). The road limits are used;
// a node whose road limits are both 0 falls back to its outer limits, and a node with neither has
// no limits (hasLimits false): no car is ever off the track there. fillTrackLimits decodes the
// nodes' raw bytes; everything else here works on the view alone, so the detectors do not depend
// on how a track path is stored.
#pragma once

#include <cstdint>

namespace director {

class TrackPath;

struct TrackLimitNode {
  std::int32_t x = 0, y = 0;       // centre, world units
  float dirX = 0.0f, dirY = 1.0f;  // direction along the track, unit length in the plane
  float leftEdge = 0.0f, rightEdge = 0.0f;
  bool hasLimits = false;
};

// A non-owning view of the nodes of one track in path order.
struct TrackLimitsView {
  const TrackLimitNode* nodes = nullptr;
  std::uint32_t count = 0;
  std::uint32_t finishNode = 0;
};

// Fills out[0..n) from the track's main nodes, n = min(node count, capacity), and returns the
// view of them.
TrackLimitsView fillTrackLimits(const TrackPath& path, TrackLimitNode* out, std::uint32_t capacity);

// The node nearest to (x, y) in the plane. With a hint below the node count only the nodes within
// kLimitSearchWindow of it (both ways, across the finish line) are compared, which is enough
// because the simulator's own node for a car is never far from the nearest one. 0 without nodes.
inline constexpr std::uint32_t kLimitSearchWindow = 12;
std::uint32_t nearestLimitNode(const TrackLimitsView& track, std::int32_t x, std::int32_t y,
                               std::uint32_t hint);

// How far (m) the point lies beyond the nearer edge of the node; 0 or less: on the road.
double distanceBeyondEdge(const TrackLimitNode& node, std::int32_t x, std::int32_t y);

// The car's distance from the start of the race in nodes: laps times the node count plus the
// nodes past the finish line. 0 without nodes.
std::uint64_t raceProgress(const TrackLimitsView& track, std::uint16_t lap, std::uint16_t node);

}  // namespace director
