#include "director/engine/path_file.h"

#include <algorithm>
#include <cstring>

#include "director/engine/track_path.h"
#include "platform/bytes.h"

namespace director {

namespace {

using plat::GetU16;
using plat::GetU32;

void ReadNode(const std::uint8_t* body, std::uint8_t flags, PathNode* node) {
  std::memcpy(node->bytes, body, glink::kPathNodeSize);
  const glink::PathNode decoded = glink::ReadPathNode(body);
  node->centreX = decoded.x;
  node->centreY = decoded.y;
  node->centreZ = decoded.z;
  node->flags = flags;
}

PathFileResult ParseLfsPth(const std::uint8_t* data, std::size_t size, TrackPath* path) {
  if (size < static_cast<std::size_t>(kPathHeaderBytes)) return PathFileResult::kTruncated;
  const std::uint32_t count = std::min(GetU32(data + lfspth::kNodeCount), kMaxPathNodes);
  const std::size_t needed = lfspth::kNodes + std::size_t{count} * glink::kPathNodeSize;
  if (size < needed) return PathFileResult::kTruncated;
  for (std::uint32_t i = 0; i < count; ++i) {
    ReadNode(data + lfspth::kNodes + std::size_t{i} * glink::kPathNodeSize, 0, &path->nodes[i]);
  }
  path->nodeCount = count;
  path->finishNode = GetU32(data + lfspth::kFinishNode);
  return PathFileResult::kLoaded;
}

// Keeps the first cap of the count SRPATH nodes at p; returns how many were kept.
std::uint32_t ReadSrNodes(const std::uint8_t* p, std::uint32_t count, std::uint32_t cap,
                          PathNode* out) {
  const std::uint32_t kept = std::min(count, cap);
  for (std::uint32_t i = 0; i < kept; ++i) {
    const std::uint8_t* node = p + std::size_t{i} * srpath::kNodeBytes;
    ReadNode(node + srpath::kNodeBody, node[srpath::kNodeFlags], &out[i]);
  }
  return kept;
}

PathFileResult ParseSrPath(const std::uint8_t* data, std::size_t size, TrackPath* path) {
  if (size < srpath::kNodes) return PathFileResult::kTruncated;
  if (data[srpath::kVersion] != srpath::kKnownVersion ||
      data[srpath::kRevision] > srpath::kLastRevision ||
      data[srpath::kMiniRevision] > srpath::kLastMiniRevision) {
    return PathFileResult::kUnknownRevision;
  }
  const std::uint32_t mainCount = GetU16(data + srpath::kMainCount);
  const std::uint32_t pitCounts[kPitLanes] = {GetU16(data + srpath::kPitCount0),
                                              GetU16(data + srpath::kPitCount1)};
  // The pit lanes lie behind every main node, so the whole file must be there.
  const std::size_t total = std::size_t{mainCount} + pitCounts[0] + pitCounts[1];
  if (size < srpath::kNodes + total * srpath::kNodeBytes) return PathFileResult::kTruncated;
  const std::uint32_t finish = GetU32(data + srpath::kFinishNode);
  if (finish >= mainCount) return PathFileResult::kFinishOutOfRange;

  const std::uint8_t* p = data + srpath::kNodes;
  const std::uint32_t kept = ReadSrNodes(p, mainCount, kMaxPathNodes, path->nodes);
  p += std::size_t{mainCount} * srpath::kNodeBytes;
  for (int lane = 0; lane < kPitLanes; ++lane) {
    PitLane& pit = path->pitLanes[lane];
    pit.nodeCount = ReadSrNodes(p, pitCounts[lane], kMaxPitLaneNodes, pit.nodes);
    p += std::size_t{pitCounts[lane]} * srpath::kNodeBytes;
  }
  path->nodeCount = kept;
  path->finishNode = finish;
  return PathFileResult::kLoaded;
}

}  // namespace

PathFileResult ParsePathFile(const std::uint8_t* data, std::size_t size, TrackPath* path) {
  path->nodeCount = 0;
  path->finishNode = 0;
  for (PitLane& pit : path->pitLanes) pit.nodeCount = 0;
  if (size >= sizeof(srpath::kMagic) &&
      std::memcmp(data, srpath::kMagic, sizeof(srpath::kMagic)) == 0) {
    return ParseSrPath(data, size, path);
  }
  if (size < sizeof(kPathMagic) || std::memcmp(data, kPathMagic, sizeof(kPathMagic)) != 0) {
    return PathFileResult::kWrongMagic;
  }
  return ParseLfsPth(data, size, path);
}

const char* PathFileProblem(PathFileResult result) {
  switch (result) {
    case PathFileResult::kLoaded:
      return "none";
    case PathFileResult::kWrongMagic:
      return "not a known track path format";
    case PathFileResult::kTruncated:
      return "cut short";
    case PathFileResult::kUnknownRevision:
      return "an SRPATH version or revision not known here";
    case PathFileResult::kFinishOutOfRange:
      return "its finish node is not one of its nodes";
  }
  return "unknown";
}

}  // namespace director
