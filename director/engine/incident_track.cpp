#include "director/engine/incident_track.h"

#include <cmath>

#include "director/engine/director_math.h"
#include "director/engine/path_file.h"
#include "director/engine/track_path.h"
#include "link/path_node.h"

namespace director {

namespace {


float Finite(float f) { return std::isfinite(f) ? f : 0.0f; }

TrackLimitNode DecodeNode(const PathNode& node) {
  const glink::PathNode n = glink::ReadPathNode(node.bytes);
  TrackLimitNode out;
  out.x = node.centreX;
  out.y = node.centreY;
  const float dx = Finite(n.dirX);
  const float dy = Finite(n.dirY);
  const float len = std::sqrt(dx * dx + dy * dy);
  if (len > 1e-6f) {
    out.dirX = dx / len;
    out.dirY = dy / len;
  }
  float left = Finite(n.roadLeft);
  float right = Finite(n.roadRight);
  if (left == 0.0f && right == 0.0f) {
    left = Finite(n.outerLeft);
    right = Finite(n.outerRight);
  }
  out.hasLimits = left < right;
  out.leftEdge = left;
  out.rightEdge = right;
  return out;
}

double PlaneDistanceSquared(const TrackLimitNode& n, std::int32_t x, std::int32_t y) {
  const double dx = static_cast<double>(x) - n.x;
  const double dy = static_cast<double>(y) - n.y;
  return dx * dx + dy * dy;
}

}  // namespace

TrackLimitsView fillTrackLimits(const TrackPath& path, TrackLimitNode* out,
                                std::uint32_t capacity) {
  const std::uint32_t n = path.nodeCount < capacity ? path.nodeCount : capacity;
  for (std::uint32_t i = 0; i < n; ++i) out[i] = DecodeNode(path.node(i));
  TrackLimitsView view;
  view.nodes = out;
  view.count = n;
  view.finishNode = n == 0 ? 0 : path.finishNode % n;
  return view;
}

std::uint32_t nearestLimitNode(const TrackLimitsView& track, std::int32_t x, std::int32_t y,
                               std::uint32_t hint) {
  const std::uint32_t n = track.count;
  if (n == 0) return 0;
  std::uint32_t first = 0;
  std::uint32_t span = n;
  if (hint < n && 2 * kLimitSearchWindow + 1 < n) {
    first = (hint + n - kLimitSearchWindow) % n;
    span = 2 * kLimitSearchWindow + 1;
  }
  std::uint32_t best = first;
  double bestDistance = PlaneDistanceSquared(track.nodes[first], x, y);
  for (std::uint32_t k = 1; k < span; ++k) {
    const std::uint32_t i = (first + k) % n;
    const double d = PlaneDistanceSquared(track.nodes[i], x, y);
    if (d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

double distanceBeyondEdge(const TrackLimitNode& node, std::int32_t x, std::int32_t y) {
  const double dx = (static_cast<double>(x) - node.x) / kWorldUnitsPerMetre;
  const double dy = (static_cast<double>(y) - node.y) / kWorldUnitsPerMetre;
  // Right of the direction (dirX, dirY) in a plane whose angles grow to the left: (dirY, -dirX).
  const double across = dx * node.dirY - dy * node.dirX;
  if (across < node.leftEdge) return node.leftEdge - across;
  if (across > node.rightEdge) return across - node.rightEdge;
  return -std::fmin(across - node.leftEdge, node.rightEdge - across);
}

std::uint64_t raceProgress(const TrackLimitsView& track, std::uint16_t lap, std::uint16_t node) {
  const std::uint32_t n = track.count;
  if (n == 0) return 0;
  const std::uint32_t sinceFinish = (node % n + n - track.finishNode) % n;
  return static_cast<std::uint64_t>(lap) * n + sinceFinish;
}

}  // namespace director
