// The 40-byte node of the simulator's track path files, the one layout that both programs read:
// the director loads it from the file and forwards it unchanged in GLM_TRACK_NODE, and the GUI
// client draws the track from it.
//
// Centre X, Y, Z are signed 32-bit world units (65536 = 1 m); then the floats of the direction of
// travel X, Y, Z; then the outer limits left and right and the road limits left and right, in
// metres from the centre (negative to the left). All little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace glink {

inline constexpr int kPathNodeSize = 40;

// Byte offsets in the node.
namespace path_node {
inline constexpr std::size_t kCentreX = 0, kCentreY = 4, kCentreZ = 8, kDirX = 12, kDirY = 16,
                             kDirZ = 20, kOuterLeft = 24, kOuterRight = 28, kRoadLeft = 32,
                             kRoadRight = 36;
}  // namespace path_node

// A node decoded. The floats keep their bits as they stood in the record.
struct PathNode {
  std::int32_t x = 0, y = 0, z = 0;     // centre, world units
  float dirX = 0, dirY = 0, dirZ = 0;   // direction of travel
  float outerLeft = 0, outerRight = 0;  // limits in metres, negative to the left
  float roadLeft = 0, roadRight = 0;
};

// Decodes the kPathNodeSize bytes at bytes.
PathNode ReadPathNode(const std::uint8_t* bytes);

}  // namespace glink
