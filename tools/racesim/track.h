// The generated race track: a closed loop of evenly spaced path nodes with a finish node, the
// simulator's track path file made from it, and camera positions spread along it.
//
// The loop is a smooth star-shaped curve (so it never crosses itself) with a few random bends
// and gentle hills, scaled so that node count x node spacing is the lap length. Nodes run in the
// direction of travel; node i lies i x spacing metres after node 0. The finish node sits at the
// start of the longest straight, so the grid, which stands just after the line, is on it.
// Positions are in metres here and in world units (65536 per metre) in the files and packets.
//
// The pit lane runs beside the main straight, left of the racing line, from before the finish
// line to after it; the track path file of the 0.8 simulators ("SRPATH") carries its nodes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace racesim {

inline constexpr double kWorldPerMetre = 65536.0;
inline constexpr int kMaxNodes = 1500;
inline constexpr float kRoadHalfWidth = 6.0f;
inline constexpr float kOuterHalfWidth = 10.0f;
inline constexpr double kPitLaneEntry = 150.0;   // metres before the finish line
inline constexpr double kPitLaneExit = 220.0;    // metres after the finish line
inline constexpr double kPitLaneOffset = -16.0;  // metres right of the racing line: on its left
inline constexpr double kPitLaneRamp = 40.0;     // metres to and from the lane at either end

// The track path file's format: the older simulators' "LFSPTH" or 0.8's "SRPATH".
enum class PathFormat { kLfsPth, kSrPath };

struct TrackOptions {
  std::string name = "RS1";  // at most 6 characters: the state report's track field
  int nodeCount = 600;       // 16 .. 1500
  double nodeSpacing = 5.0;  // metres between nodes
  std::uint32_t seed = 1;
  int finishNode = -1;  // -1: at the start of the longest straight
  // The format of the track path file written for it.
  PathFormat pathFormat = PathFormat::kLfsPth;
};

struct PathPoint {
  double x = 0, y = 0, z = 0;     // centre, metres
  double dx = 0, dy = 0, dz = 0;  // unit direction of travel
  double curvature = 0;           // 1 / radius, metres; positive turning left
};

// A place on the track at some distance along it.
struct Pose {
  double x = 0, y = 0, z = 0;  // metres
  double dx = 0, dy = 0;       // unit direction of travel in the horizontal plane
};

class Track {
 public:
  // False (with a reason) for options no track can be made from.
  static bool CheckOptions(const TrackOptions& options, std::string* error);
  explicit Track(const TrackOptions& options);

  const std::string& Name() const { return name_; }
  int NodeCount() const { return static_cast<int>(nodes_.size()); }
  int FinishNode() const { return finish_; }
  double Spacing() const { return spacing_; }
  double Length() const { return spacing_ * NodeCount(); }
  const PathPoint& Node(int i) const { return nodes_[static_cast<std::size_t>(Wrap(i))]; }
  // Distance of the finish line from node 0, metres.
  double FinishDistance() const { return finish_ * spacing_; }

  // The node a car at distance s (metres from node 0, any value) has last passed.
  int NodeAt(double s) const;
  // The point at distance s, moved lateral metres to the right of the direction of travel.
  Pose At(double s, double lateral) const;
  // Curvature magnitude at distance s, interpolated between nodes.
  double CurvatureAt(double s) const;

  // The track path file in the format of the options: LfsPthBytes or SrPathBytes.
  std::vector<std::uint8_t> PathFileBytes() const;
  // "LFSPTH", version 0, revision 0, node count, finish node, then one 40-byte node body per
  // node (centre in world units, direction, outer and road limits).
  std::vector<std::uint8_t> LfsPthBytes() const;
  // "SRPATH" version 0 revision 252: the main nodes, then the pit lane's as pit lane 0 (pit lane
  // 1 empty), each node a flags byte (0), three zero bytes and the same node body; the finish
  // node, two splits at a third and two thirds of the lap, the pole position at the finish
  // node (heading in radians).
  std::vector<std::uint8_t> SrPathBytes() const;
  // The pit lane's centre line, one point every node spacing from its entry to its exit.
  std::vector<PathPoint> PitLane() const;

  int Wrap(int i) const {
    const int n = NodeCount();
    return ((i % n) + n) % n;
  }
  double WrapDistance(double s) const;

 private:
  std::string name_;
  PathFormat format_;
  double spacing_;
  int finish_ = 0;
  std::vector<PathPoint> nodes_;
};

// A camera position beside the track covering a stretch of nodes (range start .. range end, which
// may run over the last node back to node 0).
struct CameraSpot {
  std::int32_t x = 0, y = 0, z = 0;  // world units
  int node = 0;                      // the node it stands by
  int rangeStart = 0, rangeEnd = 0;
};

// count cameras at evenly spread nodes, 18 to 30 m beside the road on alternating sides and 4 to
// 9 m up; together their ranges cover every node exactly once.
std::vector<CameraSpot> PlaceCameras(const Track& track, int count, std::uint32_t seed);

// The camera file: one line " %08X, %08X, %08X,%4d,%4d" and CR LF per camera, in node order.
std::string CameraFileText(const std::vector<CameraSpot>& cameras);

}  // namespace racesim
