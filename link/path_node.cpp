#include "link/path_node.h"

#include <cstring>

#include "platform/bytes.h"

namespace glink {

namespace {

float GetF32(const std::uint8_t* p) {
  const std::uint32_t bits = plat::GetU32(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

}  // namespace

PathNode ReadPathNode(const std::uint8_t* bytes) {
  namespace at = path_node;
  PathNode n;
  n.x = plat::GetI32(bytes + at::kCentreX);
  n.y = plat::GetI32(bytes + at::kCentreY);
  n.z = plat::GetI32(bytes + at::kCentreZ);
  n.dirX = GetF32(bytes + at::kDirX);
  n.dirY = GetF32(bytes + at::kDirY);
  n.dirZ = GetF32(bytes + at::kDirZ);
  n.outerLeft = GetF32(bytes + at::kOuterLeft);
  n.outerRight = GetF32(bytes + at::kOuterRight);
  n.roadLeft = GetF32(bytes + at::kRoadLeft);
  n.roadRight = GetF32(bytes + at::kRoadRight);
  return n;
}

}  // namespace glink
