#include "director/engine/track_path.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "link/link_core.h"
#include "platform/files.h"

namespace director {

namespace {

using glink::GetI32;
using glink::GetU32;

}  // namespace

TrackPath::TrackPath(const char* trackName, GuiPost* gui) : cameras(*this, gui) {
  std::strncpy(name, trackName, kTrackNameBuffer - 1);
  name[kTrackNameBuffer - 1] = '\0';
}

std::uint16_t TrackPath::nearestNode(std::int32_t x, std::int32_t y) const {
  std::uint32_t best = 0xFFFFFFFFu;
  std::uint16_t bestIndex = 0;
  for (std::uint32_t i = 0; i < nodeCount; ++i) {
    // The differences in 64 bits so that points far apart cannot overflow; squared in single
    // precision as the director has always measured them.
    const float dx = static_cast<float>(static_cast<std::int64_t>(x) - nodes[i].centreX);
    const float dy = static_cast<float>(static_cast<std::int64_t>(y) - nodes[i].centreY);
    const float root = std::sqrt(dx * dx + dy * dy);
    const std::uint32_t d = root >= 4294967295.0f ? 0xFFFFFFFFu : static_cast<std::uint32_t>(root);
    if (d < best) {
      best = d;
      bestIndex = static_cast<std::uint16_t>(i);
    }
  }
  return bestIndex;
}

PathFileResult ParsePathFile(const std::uint8_t* data, std::size_t size, TrackPath* path) {
  path->nodeCount = 0;
  path->finishNode = 0;
  if (size < sizeof(kPathMagic) || std::memcmp(data, kPathMagic, sizeof(kPathMagic)) != 0) {
    return PathFileResult::kWrongMagic;
  }
  if (size < static_cast<std::size_t>(kPathHeaderBytes)) return PathFileResult::kTruncated;
  std::uint32_t count = GetU32(data + 8);
  if (count > kMaxPathNodes) count = kMaxPathNodes;
  const std::size_t needed = kPathHeaderBytes + static_cast<std::size_t>(count) * kPathNodeBytes;
  if (size < needed) return PathFileResult::kTruncated;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* p = data + kPathHeaderBytes + static_cast<std::size_t>(i) * kPathNodeBytes;
    PathNode& node = path->nodes[i];
    std::memcpy(node.bytes, p, kPathNodeBytes);
    node.centreX = GetI32(p);
    node.centreY = GetI32(p + 4);
    node.centreZ = GetI32(p + 8);
  }
  path->nodeCount = count;
  path->finishNode = GetU32(data + 12);
  return PathFileResult::kLoaded;
}

bool UsableTrackName(const char* name) {
  if (name[0] == '\0') return false;
  if (std::strstr(name, "..") != nullptr) return false;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p == '\\' || *p == '/' || *p == ':') return false;
  }
  return true;
}

std::string SimulatorPathFile(const std::string& simulatorDirectory, const char* name) {
  return simulatorDirectory + plat::NativePath("data\\smx\\") + name + ".pth";
}

std::string ProgramPathFile(const std::string& programDirectory, const char* name) {
  return programDirectory + plat::NativePath("pth\\") + name + ".pth";
}

std::string CameraFile(const std::string& programDirectory, const char* name) {
  return programDirectory + plat::NativePath("cam\\") + name + ".cam";
}

std::unique_ptr<TrackPath> LoadTrackPath(const char* trackName,
                                         const std::string& simulatorDirectory,
                                         const std::string& programDirectory, GuiPost* gui) {
  auto path = std::make_unique<TrackPath>(trackName, gui);
  if (!UsableTrackName(path->name)) return nullptr;
  std::vector<std::uint8_t> bytes;
  if (!plat::ReadBinaryFile(SimulatorPathFile(simulatorDirectory, path->name), &bytes) &&
      !plat::ReadBinaryFile(ProgramPathFile(programDirectory, path->name), &bytes)) {
    return nullptr;
  }
  // A file without nodes gives nothing to direct by: no track, as for a damaged file.
  if (ParsePathFile(bytes.data(), bytes.size(), path.get()) != PathFileResult::kLoaded ||
      path->nodeCount == 0) {
    return nullptr;
  }
  path->cameras.ReadCameraFile(CameraFile(programDirectory, path->name));
  return path;
}

}  // namespace director
