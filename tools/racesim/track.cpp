#include "tools/racesim/track.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/bytes.h"
#include "tools/racesim/rng.h"

namespace racesim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSamples = 8192;
constexpr int kMinNodes = 16;
constexpr double kStraightCurvature = 1.0 / 300.0;  // radius above 300 m counts as straight
constexpr float kPitRoadHalfWidth = 3.0f;
constexpr float kPitOuterHalfWidth = 5.0f;

// The node body, the same in both formats: centre X, Y, Z (world units), direction X, Y, Z, outer
// limits left and right, road limits left and right (floats).
constexpr std::size_t kNodeBody = 40;

// "LFSPTH": magic, version 0, revision 0, u32 node count, u32 finish node, the node bodies.
constexpr std::size_t kLfsHeader = 16;
constexpr std::size_t kLfsCount = 8, kLfsFinish = 12;

// "SRPATH" version 0: magic, version, revision, u32 path flags, u8 mini revision, 3 reserved,
// u16 node counts (main, pit lane 0, pit lane 1), 2 reserved, u32 finish node, u32 splits 1-3
// (0xFFFFFFFF: none), the pole position (i32 X, Y, Z, f32 heading); then 44-byte nodes: the
// main ones, pit lane 0, pit lane 1, each a flags byte, three zero bytes and the node body.
constexpr std::size_t kSrHeader = 56, kSrNode = 44;
constexpr std::size_t kSrVersion = 6, kSrRevision = 7, kSrFlags = 8, kSrMiniRevision = 12,
                      kSrMainCount = 16, kSrPitCount0 = 18, kSrPitCount1 = 20, kSrFinish = 24,
                      kSrSplits = 28, kSrPole = 40, kSrNodeBody = 4;
constexpr std::uint8_t kSrRevisionWritten = 252;
constexpr std::uint32_t kSrNoSplit = 0xFFFFFFFFu;

std::int32_t ToWorld(double metres) {
  return static_cast<std::int32_t>(std::lround(metres * kWorldPerMetre));
}

void PutFloat(std::uint8_t* p, float v) { plat::PutU32(p, std::bit_cast<std::uint32_t>(v)); }

void PutNodeBody(std::uint8_t* r, const PathPoint& p, float outer, float road) {
  plat::PutI32(r, ToWorld(p.x));
  plat::PutI32(r + 4, ToWorld(p.y));
  plat::PutI32(r + 8, ToWorld(p.z));
  PutFloat(r + 12, static_cast<float>(p.dx));
  PutFloat(r + 16, static_cast<float>(p.dy));
  PutFloat(r + 20, static_cast<float>(p.dz));
  PutFloat(r + 24, -outer);
  PutFloat(r + 28, outer);
  PutFloat(r + 32, -road);
  PutFloat(r + 36, road);
}

}  // namespace

bool Track::CheckOptions(const TrackOptions& options, std::string* error) {
  if (options.name.empty() || options.name.size() > 6) {
    *error = "the track name must have 1 to 6 characters";
    return false;
  }
  for (char c : options.name) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (!ok) {
      *error = "the track name may hold only letters and digits";
      return false;
    }
  }
  if (options.nodeCount < kMinNodes || options.nodeCount > kMaxNodes) {
    *error = "the node count must be between 16 and 1500";
    return false;
  }
  if (!(options.nodeSpacing >= 1.0 && options.nodeSpacing <= 20.0)) {
    *error = "the node spacing must be between 1 and 20 metres";
    return false;
  }
  if (options.finishNode >= options.nodeCount) {
    *error = "the finish node must be below the node count";
    return false;
  }
  return true;
}

Track::Track(const TrackOptions& options)
    : name_(options.name), format_(options.pathFormat), spacing_(options.nodeSpacing) {
  Rng rng(options.seed);
  // A star-shaped loop r(t) = 1 + sum a_k cos(k t + phi_k); with sum a_k < 1 - 0.4 it stays well
  // away from the centre and never crosses itself, while the harmonics make bends and straights.
  double amp[4], phase[4];
  for (int k = 0; k < 4; ++k) {
    amp[k] = rng.Uniform(0.03, 0.14) / (1.0 + 0.35 * k);
    phase[k] = rng.Uniform(0.0, 2.0 * kPi);
  }
  const double stretch = rng.Uniform(1.0, 1.6);  // an oval rather than a circle
  const double hill1 = rng.Uniform(2.0, 6.0), hill2 = rng.Uniform(0.5, 2.0);
  const double hillPhase1 = rng.Uniform(0.0, 2.0 * kPi), hillPhase2 = rng.Uniform(0.0, 2.0 * kPi);

  std::vector<double> sx(kSamples + 1), sy(kSamples + 1), sz(kSamples + 1), arc(kSamples + 1);
  for (int j = 0; j <= kSamples; ++j) {
    const double t = 2.0 * kPi * j / kSamples;
    double r = 1.0;
    for (int k = 0; k < 4; ++k) r += amp[k] * std::cos((k + 2) * t + phase[k]);
    sx[j] = r * std::cos(t) * stretch;
    sy[j] = r * std::sin(t);
    sz[j] = hill1 * std::sin(t + hillPhase1) + hill2 * std::sin(3 * t + hillPhase2);
    arc[j] = j == 0 ? 0.0 : arc[j - 1] + std::hypot(sx[j] - sx[j - 1], sy[j] - sy[j - 1]);
  }
  const int n = options.nodeCount;
  const double scale = n * spacing_ / arc[kSamples];
  nodes_.resize(static_cast<std::size_t>(n));
  int j = 0;
  for (int i = 0; i < n; ++i) {
    const double target = arc[kSamples] * i / n;
    while (j + 1 < kSamples && arc[j + 1] < target) ++j;
    const double f = (target - arc[j]) / (arc[j + 1] - arc[j]);
    PathPoint& p = nodes_[static_cast<std::size_t>(i)];
    p.x = (sx[j] + f * (sx[j + 1] - sx[j])) * scale;
    p.y = (sy[j] + f * (sy[j + 1] - sy[j])) * scale;
    p.z = sz[j] + f * (sz[j + 1] - sz[j]);
  }
  for (int i = 0; i < n; ++i) {
    const PathPoint& prev = Node(i - 1);
    const PathPoint& next = Node(i + 1);
    PathPoint& p = nodes_[static_cast<std::size_t>(i)];
    double dx = next.x - prev.x, dy = next.y - prev.y, dz = next.z - prev.z;
    const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
    p.dx = dx / len;
    p.dy = dy / len;
    p.dz = dz / len;
    // Turn between the incoming and outgoing chord over the distance between them.
    const double a1 = std::atan2(p.y - prev.y, p.x - prev.x);
    const double a2 = std::atan2(next.y - p.y, next.x - p.x);
    double turn = a2 - a1;
    while (turn > kPi) turn -= 2 * kPi;
    while (turn < -kPi) turn += 2 * kPi;
    p.curvature = turn / spacing_;
  }

  if (options.finishNode >= 0) {
    finish_ = options.finishNode;
  } else {
    // The longest run of straight nodes, going round the lap once from a bend.
    int start = 0;
    for (int i = 0; i < n; ++i) {
      if (std::fabs(nodes_[static_cast<std::size_t>(i)].curvature) >= kStraightCurvature) {
        start = i;
        break;
      }
    }
    int bestStart = -1, bestLength = 0, runStart = -1, runLength = 0;
    for (int k = 1; k <= n; ++k) {
      const int i = Wrap(start + k);
      if (std::fabs(Node(i).curvature) < kStraightCurvature) {
        if (runLength == 0) runStart = i;
        ++runLength;
        if (runLength > bestLength) {
          bestLength = runLength;
          bestStart = runStart;
        }
      } else {
        runLength = 0;
      }
    }
    if (bestStart < 0) {
      bestStart = 0;
      for (int i = 1; i < n; ++i) {
        if (std::fabs(Node(i).curvature) < std::fabs(Node(bestStart).curvature)) bestStart = i;
      }
    }
    finish_ = Wrap(bestStart + bestLength / 5);
  }
}

double Track::WrapDistance(double s) const {
  const double length = Length();
  double w = std::fmod(s, length);
  if (w < 0) w += length;
  return w;
}

int Track::NodeAt(double s) const {
  const int i = static_cast<int>(std::floor(WrapDistance(s) / spacing_));
  return Wrap(i);
}

Pose Track::At(double s, double lateral) const {
  const double w = WrapDistance(s);
  const int i = Wrap(static_cast<int>(std::floor(w / spacing_)));
  const double f = w / spacing_ - std::floor(w / spacing_);
  const PathPoint& a = Node(i);
  const PathPoint& b = Node(i + 1);
  // Blend the node directions so the heading turns smoothly through a node.
  double dx = a.dx + f * (b.dx - a.dx), dy = a.dy + f * (b.dy - a.dy);
  const double dl = std::hypot(dx, dy);
  dx /= dl;
  dy /= dl;
  Pose pose;
  pose.x = a.x + f * (b.x - a.x) + lateral * dy;
  pose.y = a.y + f * (b.y - a.y) - lateral * dx;
  pose.z = a.z + f * (b.z - a.z);
  pose.dx = dx;
  pose.dy = dy;
  return pose;
}

double Track::CurvatureAt(double s) const {
  const double w = WrapDistance(s);
  const int i = Wrap(static_cast<int>(std::floor(w / spacing_)));
  const double f = w / spacing_ - std::floor(w / spacing_);
  return std::fabs(Node(i).curvature) * (1 - f) + std::fabs(Node(i + 1).curvature) * f;
}

std::vector<std::uint8_t> Track::PathFileBytes() const {
  return format_ == PathFormat::kSrPath ? SrPathBytes() : LfsPthBytes();
}

std::vector<std::uint8_t> Track::LfsPthBytes() const {
  const int n = NodeCount();
  std::vector<std::uint8_t> out(kLfsHeader + kNodeBody * static_cast<std::size_t>(n), 0);
  std::memcpy(out.data(), "LFSPTH", 6);  // version and revision stay 0
  plat::PutU32(out.data() + kLfsCount, static_cast<std::uint32_t>(n));
  plat::PutU32(out.data() + kLfsFinish, static_cast<std::uint32_t>(finish_));
  for (int i = 0; i < n; ++i) {
    PutNodeBody(out.data() + kLfsHeader + kNodeBody * static_cast<std::size_t>(i), Node(i),
                kOuterHalfWidth, kRoadHalfWidth);
  }
  return out;
}

std::vector<PathPoint> Track::PitLane() const {
  const double length = kPitLaneEntry + kPitLaneExit;
  const int count = static_cast<int>(std::floor(length / spacing_)) + 1;
  std::vector<PathPoint> lane(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    // Off the racing line at the entry, along the straight, back onto it at the exit.
    const double along = i * spacing_;
    const double ramp = std::min({1.0, along / kPitLaneRamp, (length - along) / kPitLaneRamp});
    const Pose pose = At(FinishDistance() - kPitLaneEntry + along, kPitLaneOffset * ramp);
    PathPoint& p = lane[static_cast<std::size_t>(i)];
    p.x = pose.x;
    p.y = pose.y;
    p.z = pose.z;
  }
  for (int i = 0; i < count; ++i) {
    const PathPoint& a = lane[static_cast<std::size_t>(std::max(i - 1, 0))];
    const PathPoint& b = lane[static_cast<std::size_t>(std::min(i + 1, count - 1))];
    const double dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
    const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
    PathPoint& p = lane[static_cast<std::size_t>(i)];
    p.dx = dx / len;
    p.dy = dy / len;
    p.dz = dz / len;
  }
  return lane;
}

std::vector<std::uint8_t> Track::SrPathBytes() const {
  const int n = NodeCount();
  const std::vector<PathPoint> pit = PitLane();
  const std::size_t nodes = static_cast<std::size_t>(n) + pit.size();
  std::vector<std::uint8_t> out(kSrHeader + kSrNode * nodes, 0);
  std::uint8_t* h = out.data();
  std::memcpy(h, "SRPATH", 6);
  h[kSrVersion] = 0;
  h[kSrRevision] = kSrRevisionWritten;
  plat::PutU32(h + kSrFlags, 0);
  h[kSrMiniRevision] = 0;
  plat::PutU16(h + kSrMainCount, static_cast<std::uint16_t>(n));
  plat::PutU16(h + kSrPitCount0, static_cast<std::uint16_t>(pit.size()));
  plat::PutU16(h + kSrPitCount1, 0);
  plat::PutU32(h + kSrFinish, static_cast<std::uint32_t>(finish_));
  plat::PutU32(h + kSrSplits, static_cast<std::uint32_t>(NodeAt(FinishDistance() + Length() / 3)));
  plat::PutU32(h + kSrSplits + 4,
               static_cast<std::uint32_t>(NodeAt(FinishDistance() + Length() * 2 / 3)));
  plat::PutU32(h + kSrSplits + 8, kSrNoSplit);
  const PathPoint& pole = Node(finish_);
  plat::PutI32(h + kSrPole, ToWorld(pole.x));
  plat::PutI32(h + kSrPole + 4, ToWorld(pole.y));
  plat::PutI32(h + kSrPole + 8, ToWorld(pole.z));
  PutFloat(h + kSrPole + 12, static_cast<float>(std::atan2(-pole.dx, pole.dy)));  // radians
  for (std::size_t i = 0; i < nodes; ++i) {
    std::uint8_t* r = h + kSrHeader + kSrNode * i + kSrNodeBody;  // flags and padding stay 0
    const bool main = i < static_cast<std::size_t>(n);
    PutNodeBody(r, main ? Node(static_cast<int>(i)) : pit[i - static_cast<std::size_t>(n)],
                main ? kOuterHalfWidth : kPitOuterHalfWidth,
                main ? kRoadHalfWidth : kPitRoadHalfWidth);
  }
  return out;
}

std::vector<CameraSpot> PlaceCameras(const Track& track, int count, std::uint32_t seed) {
  std::vector<CameraSpot> cameras;
  const int n = track.NodeCount();
  if (count <= 0) return cameras;
  if (count > n / 4) count = n / 4;
  if (count > 100) count = 100;
  Rng rng(seed ^ 0xC0FFEEu);
  // Cameras stand on the outside of the bend where there is one: that is where a TV crew sees the
  // cars come towards them.
  std::vector<int> at(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    at[static_cast<std::size_t>(k)] =
        track.Wrap(track.FinishNode() + static_cast<int>((static_cast<long>(k) * n) / count) +
                   n / (2 * count));
  }
  for (int k = 0; k < count; ++k) {
    const int node = at[static_cast<std::size_t>(k)];
    const PathPoint& p = track.Node(node);
    double side = p.curvature > 0 ? 1.0 : -1.0;  // turning left: outside is to the right
    if (std::fabs(p.curvature) < 1.0 / 1000.0) side = (k % 2 == 0) ? 1.0 : -1.0;
    const double off = side * rng.Uniform(18.0, 30.0);
    const double len = std::hypot(p.dx, p.dy);
    CameraSpot c;
    c.node = node;
    c.x = ToWorld(p.x + off * p.dy / len);
    c.y = ToWorld(p.y - off * p.dx / len);
    c.z = ToWorld(p.z + rng.Uniform(4.0, 9.0));
    cameras.push_back(c);
  }
  // Each camera covers from half-way after the previous camera to half-way before the next one.
  for (int k = 0; k < count; ++k) {
    const int prev = at[static_cast<std::size_t>((k + count - 1) % count)];
    const int here = at[static_cast<std::size_t>(k)];
    const int next = at[static_cast<std::size_t>((k + 1) % count)];
    const int before = (here - prev + n) % n;
    const int after = (next - here + n) % n;
    CameraSpot& c = cameras[static_cast<std::size_t>(k)];
    c.rangeStart = track.Wrap(here - before / 2 + (count == 1 ? 1 : 0));
    c.rangeEnd = track.Wrap(here + (after - after / 2) - 1);
    if (count == 1) {
      c.rangeStart = 0;
      c.rangeEnd = n - 1;
    }
  }
  std::vector<CameraSpot> sorted;
  for (int k = 0; k < count; ++k) {
    // Store order is by nearest node, as the director keeps them.
    std::size_t pos = 0;
    while (pos < sorted.size() && sorted[pos].node <= cameras[static_cast<std::size_t>(k)].node) {
      ++pos;
    }
    sorted.insert(sorted.begin() + static_cast<long>(pos), cameras[static_cast<std::size_t>(k)]);
  }
  return sorted;
}

std::string CameraFileText(const std::vector<CameraSpot>& cameras) {
  std::string text;
  char line[64];
  for (const CameraSpot& c : cameras) {
    std::snprintf(line, sizeof(line), " %08X, %08X, %08X,%4d,%4d\r\n",
                  static_cast<std::uint32_t>(c.x), static_cast<std::uint32_t>(c.y),
                  static_cast<std::uint32_t>(c.z), c.rangeStart, c.rangeEnd);
    text += line;
  }
  return text;
}

}  // namespace racesim
