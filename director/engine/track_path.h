// The track path: the simulator's list of nodes along the racing line of the current track.
//
// A ".pth" file ("LFSPTH", or "SRPATH" from the 0.8 simulators: path_file.h has the layouts)
// gives the main nodes, each with a centre in world units, the finish node and, in SRPATH, the
// nodes of up to two pit lanes. At most 1500 nodes are taken per list; a file that is damaged or
// ends inside what it announces is not used at all, so no half-read node ever reaches the
// director. The director reads only the centres of the main nodes; their whole records are kept
// and forwarded unchanged to the GUI client.
//
// LoadTrackPath looks for the track's file in "<simulator>\data\smx\", then in
// "<simulator>\data\pth\", then in "<program>\pth\", and takes the first one that can be
// opened (a wrong file in an earlier place is not passed over). It reads the track's camera file
// whenever the path loaded. When no file can be opened or the one found is not used, a
// diagnostic line on standard output names the files tried or the problem. One TrackPath at a
// time is current; it owns its CameraStore. InSim thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "director/engine/camera_store.h"
#include "director/engine/path_file.h"

namespace glink {
class GuiPost;
}

namespace director {

inline constexpr std::uint32_t kMaxPathNodes = 1500;
inline constexpr int kPitLanes = 2;
inline constexpr std::uint32_t kMaxPitLaneNodes = 1500;
inline constexpr int kTrackNameBuffer = 8;

// A node as the director keeps it: the record's bytes for the GUI client and the centre, the only
// field the director reads. (The client keeps the decoded glink::PathNode instead.)
struct PathNode {
  std::uint8_t bytes[glink::kPathNodeSize] = {};  // the node body as it stands in the file
  std::int32_t centreX = 0, centreY = 0, centreZ = 0;
  std::uint8_t flags = 0;  // the SRPATH node's flags byte; 0 from LFSPTH
};

// A pit lane's nodes from an SRPATH file, in the order of the file.
struct PitLane {
  std::uint32_t nodeCount = 0;  // 0: no such lane (always so from LFSPTH)
  PathNode nodes[kMaxPitLaneNodes];
};

class TrackPath {
 public:
  // Sets the name (cut to 7 characters); no nodes, no cameras. gui may be null (nothing posted).
  explicit TrackPath(const char* trackName, glink::GuiPost* gui = nullptr);
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
  PitLane pitLanes[kPitLanes];
  CameraStore cameras;
};

// A track name that can be used in a file name: not empty and no directory parts. The simulator
// never sends anything else; a name that could reach outside the folders the files are looked for
// in is not loaded.
bool UsableTrackName(const char* name);

// "<simulator>data\smx\<name>.pth", "<simulator>data\pth\<name>.pth",
// "<program>pth\<name>.pth", "<program>cam\<name>.cam".
std::string SimulatorPathFile(const std::string& simulatorDirectory, const char* name);
std::string SimulatorDataPthFile(const std::string& simulatorDirectory, const char* name);
std::string ProgramPathFile(const std::string& programDirectory, const char* name);
std::string CameraFile(const std::string& programDirectory, const char* name);

// The track path of the named track with its cameras, or null when no path file could be opened
// or the file was not usable (the caller treats that as no track).
std::unique_ptr<TrackPath> LoadTrackPath(const char* trackName,
                                         const std::string& simulatorDirectory,
                                         const std::string& programDirectory, glink::GuiPost* gui);

}  // namespace director
