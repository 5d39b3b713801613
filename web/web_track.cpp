#include "web/web_track.h"

#include <cmath>

#include "director/engine/director_math.h"
#include "director/engine/track_path.h"
#include "link/path_node.h"

namespace director {

namespace {

constexpr float kMaxRoadHalfWidth = 1000.0f;

WebPoint Centre(const glink::PathNode& n) {
  return {static_cast<float>(n.x / kWorldUnitsPerMetre),
          static_cast<float>(n.y / kWorldUnitsPerMetre)};
}

// offset metres to the right of the direction of travel (negative: to the left).
WebPoint Across(const glink::PathNode& n, float offset) {
  WebPoint p = Centre(n);
  const float length = std::sqrt(n.dirX * n.dirX + n.dirY * n.dirY);
  // A damaged node (no direction, limits beyond any road) keeps its edge on the centre line.
  if (!(length > 0.0f) || !(std::fabs(offset) < kMaxRoadHalfWidth)) return p;
  p.x += n.dirY / length * offset;
  p.y -= n.dirX / length * offset;
  return p;
}

}  // namespace

WebTrack TakeWebTrack(const TrackPath& track) {
  WebTrack web;
  web.name = track.name;
  web.finish = track.finishNode;
  web.centre.reserve(track.nodeCount);
  web.left.reserve(track.nodeCount);
  web.right.reserve(track.nodeCount);
  for (std::uint32_t i = 0; i < track.nodeCount; ++i) {
    const glink::PathNode n = glink::ReadPathNode(track.nodes[i].bytes);
    web.centre.push_back(Centre(n));
    web.left.push_back(Across(n, n.roadLeft));
    web.right.push_back(Across(n, n.roadRight));
  }
  for (const PitLane& lane : track.pitLanes) {
    if (lane.nodeCount == 0) continue;
    std::vector<WebPoint> points;
    points.reserve(lane.nodeCount);
    for (std::uint32_t i = 0; i < lane.nodeCount; ++i)
      points.push_back(Centre(glink::ReadPathNode(lane.nodes[i].bytes)));
    web.pits.push_back(std::move(points));
  }
  return web;
}

}  // namespace director
