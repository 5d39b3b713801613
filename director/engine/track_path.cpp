#include "director/engine/track_path.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files.h"

namespace director {

TrackPath::TrackPath(const char* trackName, glink::GuiPost* gui) : cameras(*this, gui) {
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

std::string SimulatorDataPthFile(const std::string& simulatorDirectory, const char* name) {
  return simulatorDirectory + plat::NativePath("data\\pth\\") + name + ".pth";
}

std::string ProgramPathFile(const std::string& programDirectory, const char* name) {
  return programDirectory + plat::NativePath("pth\\") + name + ".pth";
}

std::string CameraFile(const std::string& programDirectory, const char* name) {
  return programDirectory + plat::NativePath("cam\\") + name + ".cam";
}

std::unique_ptr<TrackPath> LoadTrackPath(const char* trackName,
                                         const std::string& simulatorDirectory,
                                         const std::string& programDirectory, glink::GuiPost* gui) {
  auto path = std::make_unique<TrackPath>(trackName, gui);
  if (!UsableTrackName(path->name)) return nullptr;
  // The older simulators keep the files in "data\smx\"; where 0.8 keeps them is not settled,
  // so its own "data\pth\" comes next, before the copies next to the program.
  const std::string places[] = {SimulatorPathFile(simulatorDirectory, path->name),
                                SimulatorDataPthFile(simulatorDirectory, path->name),
                                ProgramPathFile(programDirectory, path->name)};
  std::vector<std::uint8_t> bytes;
  const std::string* opened = nullptr;
  for (const std::string& place : places) {
    if (plat::ReadBinaryFile(place, &bytes)) {
      opened = &place;
      break;
    }
  }
  if (opened == nullptr) {
    std::printf("pth file for %s not found: tried %s, %s and %s\n", path->name, places[0].c_str(),
                places[1].c_str(), places[2].c_str());
    std::fflush(stdout);
    return nullptr;
  }
  const PathFileResult result = ParsePathFile(bytes.data(), bytes.size(), path.get());
  // A file without nodes gives nothing to direct by: no track, as for a damaged file.
  if (result != PathFileResult::kLoaded || path->nodeCount == 0) {
    std::printf("pth file %s not used: %s\n", opened->c_str(),
                result != PathFileResult::kLoaded ? PathFileProblem(result) : "it has no nodes");
    std::fflush(stdout);
    return nullptr;
  }
  path->cameras.ReadCameraFile(CameraFile(programDirectory, path->name));
  return path;
}

}  // namespace director
