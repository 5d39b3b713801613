// The ".pth" reader: the track path of a track whose file in the simulator's "data\smx\" holds
// the input, loaded as the director loads it; the input may be either format, LFSPTH or SRPATH.
//
// A loaded path holds at most 1500 main nodes and 1500 per pit lane, every one of them read
// whole from where its format puts it, with the centres and flags taken from its record; an
// SRPATH path comes from a known revision, covers every node its counts announce and has its
// finish among its main nodes; an LFSPTH path has no pit lanes. nearestNode always names one of
// the main nodes. A file that is not loaded leaves no track at all.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "director/engine/track_path.h"
#include "link/gui_post.h"
#include "fuzz/fuzz_support.h"
#include "link/message_queue.h"
#include "platform/bytes.h"

namespace {

struct Files {
  Files() {
    plat::TempDir& dir = fuzz::Scratch();
    program = dir / "prog" + plat::kPathSep;
    simulator = dir / "sim" + plat::kPathSep;
    for (const char* d : {"prog", "sim", "sim\\data", "sim\\data\\smx"}) {
      plat::MakeDirectory(dir / plat::NativePath(d));
    }
    pathFile = director::SimulatorPathFile(simulator, "FZ1");
    // Most inputs are refused with a diagnostic line each; libFuzzer reports on stderr.
    fuzz::Check(std::freopen("/dev/null", "w", stdout) != nullptr, "silencing stdout");
  }
  std::string program, simulator, pathFile;
};

void CheckNodes(const director::PathNode* nodes, std::uint32_t count, const std::uint8_t* first,
                std::size_t stride, std::size_t body, bool flags) {
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* record = first + std::size_t{i} * stride;
    const std::uint8_t* b = record + body;
    const director::PathNode& node = nodes[i];
    fuzz::Check(std::memcmp(node.bytes, b, director::kPathNodeBytes) == 0, "node record");
    fuzz::Check(node.centreX == plat::GetI32(b) && node.centreY == plat::GetI32(b + 4) &&
                    node.centreZ == plat::GetI32(b + 8),
                "node centre");
    fuzz::Check(node.flags == (flags ? record[0] : 0), "node flags");
  }
}

void CheckSrPath(const director::TrackPath& path, const std::uint8_t* data, std::size_t size) {
  namespace sr = director::srpath;
  fuzz::Check(data[sr::kVersion] == 0 && data[sr::kRevision] <= 252 && data[sr::kMiniRevision] <= 9,
              "unknown revision loaded");
  const std::uint32_t counts[3] = {plat::GetU16(data + sr::kMainCount),
                                   plat::GetU16(data + sr::kPitCount0),
                                   plat::GetU16(data + sr::kPitCount1)};
  fuzz::Check(size >= sr::kNodes + (std::size_t{counts[0]} + counts[1] + counts[2]) * 44,
              "nodes beyond the end of the file");
  fuzz::Check(path.finishNode < counts[0], "finish node");
  fuzz::Check(path.nodeCount == std::min(counts[0], director::kMaxPathNodes), "node count");
  const std::uint8_t* p = data + sr::kNodes;
  CheckNodes(path.nodes, path.nodeCount, p, 44, 4, true);
  p += std::size_t{counts[0]} * 44;
  for (int lane = 0; lane < director::kPitLanes; ++lane) {
    const director::PitLane& pit = path.pitLanes[lane];
    fuzz::Check(pit.nodeCount == std::min(counts[1 + lane], director::kMaxPitLaneNodes),
                "pit lane node count");
    CheckNodes(pit.nodes, pit.nodeCount, p, 44, 4, true);
    p += std::size_t{counts[1 + lane]} * 44;
  }
}

void CheckLfsPth(const director::TrackPath& path, const std::uint8_t* data, std::size_t size) {
  const std::size_t header = director::kPathHeaderBytes;
  fuzz::Check(size >= header + std::size_t{path.nodeCount} * director::kPathNodeBytes,
              "nodes beyond the end of the file");
  fuzz::Check(path.pitLanes[0].nodeCount == 0 && path.pitLanes[1].nodeCount == 0,
              "pit lanes from LFSPTH");
  CheckNodes(path.nodes, path.nodeCount, data + header, director::kPathNodeBytes, 0, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Files files;
  fuzz::WriteInput(files.pathFile, data, size);
  static const std::uint8_t guiAccess = 1;  // the node records go out to the GUI too
  auto toGui = std::make_unique<glink::MessageQueue>();
  glink::GuiPost gui(*toGui, guiAccess);
  const std::unique_ptr<director::TrackPath> path =
      director::LoadTrackPath("FZ1", files.simulator, files.program, &gui);
  fuzz::DrainChecked(*toGui);
  if (!path) return 0;

  fuzz::Check(path->nodeCount >= 1 && path->nodeCount <= director::kMaxPathNodes, "node count");
  fuzz::Check(path->cameras.count == 0, "cameras without a camera file");
  if (size >= 6 && std::memcmp(data, "SRPATH", 6) == 0) {
    CheckSrPath(*path, data, size);
  } else {
    CheckLfsPth(*path, data, size);
  }
  // A few places on and far off the track.
  const std::int32_t probes[][2] = {
      {0, 0}, {INT32_MAX, INT32_MIN}, {INT32_MIN, INT32_MAX}, {path->node(0).centreX, 5}};
  for (const auto& p : probes) {
    fuzz::Check(path->nearestNode(p[0], p[1]) < path->nodeCount, "nearest node");
  }
  const director::PathNode& last = path->node(path->nodeCount - 1);
  fuzz::Check(path->nearestNode(last.centreX, last.centreY) < path->nodeCount, "nearest node");
  return 0;
}
