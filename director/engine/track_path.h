// The track path: the simulator's list of nodes along the racing line of the current track.
//
// A ".pth" file is "LFSPTH" with version and revision bytes 0, the node count, the finish node and
// 40-byte node records (centre X, Y, Z in world units, then direction and limit floats). At most
// 1500 nodes are taken; a file that ends inside its header or inside the nodes it announces is
// not used at all, so no half-read node ever reaches the director. The director reads only the
// centres; the whole records are kept and forwarded unchanged to the GUI client.
//
// LoadTrackPath looks for "<simulator>\data\smx\<track>.pth" first and then for
// "<program>\pth\<track>.pth" (only when the first cannot be opened: a wrong file in the first
// place is not passed over), and reads the track's camera file whenever a path file was opened.
// One TrackPath at a time is current; it owns its CameraStore. InSim thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "director/engine/camera_store.h"

namespace director {

class GuiPost;

inline constexpr std::uint32_t kMaxPathNodes = 1500;
inline constexpr int kPathNodeBytes = 40;
inline constexpr int kPathHeaderBytes = 16;
inline constexpr int kTrackNameBuffer = 8;
inline constexpr std::uint8_t kPathMagic[8] = {'L', 'F', 'S', 'P', 'T', 'H', 0, 0};

struct PathNode {
  std::uint8_t bytes[kPathNodeBytes] = {};  // the record as it stands in the file
  std::int32_t centreX = 0, centreY = 0, centreZ = 0;
};

class TrackPath {
 public:
  // Sets the name (cut to 7 characters); no nodes, no cameras. gui may be null (nothing posted).
  explicit TrackPath(const char* trackName, GuiPost* gui = nullptr);
  virtual ~TrackPath() = default;
  TrackPath(const TrackPath&) = delete;
  TrackPath& operator=(const TrackPath&) = delete;

  // The node whose centre is nearest in the horizontal plane; ties go to the lower index; 0
  // without nodes.
  std::uint16_t nearestNode(std::int32_t x, std::int32_t y) const;
  const PathNode& node(std::uint32_t i) const { return nodes[i]; }

  char name[kTrackNameBuffer] = {};
  std::uint32_t nodeCount = 0;   // 0 while nothing was read
  std::uint32_t finishNode = 0;  // as read from the file
  PathNode nodes[kMaxPathNodes];
  CameraStore cameras;
};

enum class PathFileResult { kLoaded, kWrongMagic, kTruncated };

// Fills the nodes, node count and finish node from a file's bytes. Anything but kLoaded leaves
// the node count and finish node at 0.
PathFileResult ParsePathFile(const std::uint8_t* data, std::size_t size, TrackPath* path);

// A track name that can be used in a file name: not empty and no directory parts. The simulator
// never sends anything else; a name that could reach outside "data\smx\", "pth\" or "cam\" is not
// loaded.
bool UsableTrackName(const char* name);

// "<simulator>data\smx\<name>.pth", "<program>pth\<name>.pth", "<program>cam\<name>.cam".
std::string SimulatorPathFile(const std::string& simulatorDirectory, const char* name);
std::string ProgramPathFile(const std::string& programDirectory, const char* name);
std::string CameraFile(const std::string& programDirectory, const char* name);

// The track path of the named track with its cameras, or null when no path file could be opened
// or the file was not usable (the caller treats that as no track).
std::unique_ptr<TrackPath> LoadTrackPath(const char* trackName,
                                         const std::string& simulatorDirectory,
                                         const std::string& programDirectory, GuiPost* gui);

}  // namespace director
