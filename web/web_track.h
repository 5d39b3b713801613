// The track map of the web view: the centre line and the road edges of every main node, and the
// centre lines of the pit lanes, in metres. Built once when a track path is loaded (it allocates)
// and shared read-only with the web thread from then on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace director {

class TrackPath;

struct WebPoint {
  float x = 0, y = 0;
};

struct WebTrack {
  std::string name;
  std::uint32_t version = 0;  // set by the box on publication
  std::uint32_t finish = 0;
  std::vector<WebPoint> centre, left, right;  // one point per main node each
  std::vector<std::vector<WebPoint>> pits;
};

// The road edges lie across the direction of travel, at the node's road limits (negative to the
// left of it).
WebTrack TakeWebTrack(const TrackPath& track);

}  // namespace director
